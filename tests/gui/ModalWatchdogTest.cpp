// The watchdog of the GUI tests: a modal window that nothing closes (a
// chooser whose window a test never finds, a message box nobody answers)
// is ended once it has stayed open for the limit, and the running test
// hears why, instead of the program waiting until ctest kills it.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "controls/FileDialogData.h"
#include "controls/FileDialogs.h"
#include "foundation/DialogFolder.h"
#include "foundation/MsgBox.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/MessageBoxDialog.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

class ModalWatchdogTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    test::SetModalWatchdog(2s, [this](const std::string& message) { messages_.push_back(message); });
  }
  void TearDown() override {
    test::SetModalWatchdog(150s);
    test::SettingsFolderTest::TearDown();
  }
  std::vector<std::string> messages_;
};

TEST_F(ModalWatchdogTest, AChooserAndABoxThatNothingClosesAreEndedAndReported) {
  std::unique_ptr<TFrameWindow> frame(test::NewFrame(WString(u"Owner"), 40, 40, 600, 400));
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShow);
  test::ScratchDir scratch;
  DialogFolder folder(WString(u"ModalWatchdogTest"), DialogFolder::kDocuments);
  folder.SetFolder(WString::FromUtf8(scratch.Path().string()), false);
  FileDialogData data(kOfnFileMustExist, WString(u"All|*"));
  TAutoFileOpenDialog chooser(1, &folder, WString(), frame.get(), data, 0, WString(u"Forgotten chooser"));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(chooser.Execute(), 2);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("Forgotten chooser"), std::string::npos) << messages_[0];

  // A message box of the program, the real dialog: ended as Cancel would end it.
  MessageBoxDialogBackend boxes;
  MessageBoxBackend* previous = SetMessageBoxBackend(&boxes);
  EXPECT_EQ(kvn::ShowMessageBox(frame.get(), WString(u"Nobody answers"), u"Forgotten box", kMbOkCancel), kIdCancel);
  SetMessageBoxBackend(previous);
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_NE(messages_[1].find("Forgotten box"), std::string::npos) << messages_[1];
  // Each after its limit, not at once, and far from ctest's limit.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 4s);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 60s);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
