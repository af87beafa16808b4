// A failed open in the main frame, with the real message boxes on a private
// X display: a reader that fails (a fake one registered for a made-up
// signature), an empty file, random bytes and a native file cut short each
// show exactly one box, made by the open dispatcher, and leave the open
// drawing, its view and the title as they were.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/TestyFrameWindow.h"
#include "app/VectorView.h"
#include "document/FormatReader.h"
#include "document/NativeFormat.h"
#include "document/OpenFailureMessage.h"
#include "document/ResultCodes.h"
#include "document/cDrawingDoc.h"
#include "dwg/InstallReaders.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/SystemError.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"
#include "tests/support/UnopenableFiles.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr char kFailingSignature[] = "FAILDRAW";

bool ProbeFailing(InFileStream& in, const WString&) {
  char head[8] = {};
  return in.Read(head, 8) == 8 && std::memcmp(head, kFailingSignature, 8) == 0;
}

int g_loads = 0;
DocumentResult LoadFailing(const WString&, const FormatReadContext&) {
  ++g_loads;
  return DocumentResult::Failure(kLoadContentBad);
}

test::FixtureDocument OneLineDocument() {
  test::FixtureDocument doc;
  test::FixtureSheet sheet;
  sheet.name = u"A";
  sheet.lines.push_back(test::FixtureLine{{10, 10}, {200, 150}});
  doc.sheets.push_back(sheet);
  return doc;
}

class OpenFailureTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    InstallReaders();
    GetFormatRegistry().Register(FormatReader{"failing", FormatSlot::kDxf, &ProbeFailing, &LoadFailing});
    SetMessageBoxBackend(&boxes_);
    frame_ = new TTestyFrameWindow;
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
    good_ = Save("good.kvn", test::WriteNativeFile(OneLineDocument()));
    ASSERT_TRUE(frame_->OpenFile(good_));
    test::Pump(200ms);
  }
  void TearDown() override {
    delete frame_;
    SetMessageBoxBackend(nullptr);
    test::SettingsFolderTest::TearDown();
  }
  WString Save(const std::string& name, const Bytes& bytes) {
    const std::string path = (files_ / name).string();
    EXPECT_TRUE(test::SaveBytes(path, bytes));
    return WString::FromUtf8(path);
  }
  // Opens `path`, which must fail: one box, answered once it showed, and
  // nothing else changed. The box's text.
  std::u16string OpenFailing(const WString& path) {
    cDrawingDoc* doc = CurrentDocument();
    const TWindow* view = frame_->GetClientWindow();
    const WString title = frame_->GetCaption();
    const std::size_t before = boxes_.texts.size();
    EXPECT_FALSE(frame_->OpenFile(path));
    test::Pump(100ms);
    EXPECT_EQ(test::FindOpenBox(), nullptr);
    EXPECT_EQ(CurrentDocument(), doc);
    EXPECT_EQ(frame_->GetClientWindow(), view);
    EXPECT_EQ(std::u16string(frame_->GetCaption().View()), std::u16string(title.View()));
    EXPECT_EQ(boxes_.texts.size(), before + 1);
    if (boxes_.texts.size() != before + 1) return std::u16string();
    EXPECT_EQ(boxes_.styles.back() & kMbIconMask, kMbIconError);
    return std::u16string(boxes_.texts.back().View());
  }

  test::AnsweringBoxes boxes_{50ms};
  test::ScratchDir files_;
  TTestyFrameWindow* frame_ = nullptr;
  WString good_;
};

TEST_F(OpenFailureTest, AFailingReaderShowsOneMessageOfTheDispatcher) {
  const std::string text8 = std::string(kFailingSignature, 8) + std::string(56, 'x');
  const Bytes bytes(text8.begin(), text8.end());
  const WString path = Save("broken.fake", bytes);
  g_loads = 0;
  const std::u16string text = OpenFailing(path);
  EXPECT_EQ(g_loads, 1);
  EXPECT_EQ(text.find(LoadLangString(kStrCannotOpenDrawing).View()), 0u);
  EXPECT_NE(text.find(path.View()), std::u16string::npos);
  EXPECT_EQ(text, std::u16string(
                      MakeOpenFailureMessage(DocumentResult::Failure(kLoadContentBad), path).text.View()));
  // The box stood above the frame, its owner.
  ASSERT_FALSE(boxes_.parents.empty());
  EXPECT_NE(boxes_.parents.back(), nullptr);
}

TEST_F(OpenFailureTest, EmptyRandomAndCutFilesEachShowOneMessage) {
  const WString empty = Save("empty.kvn", Bytes());
  std::mt19937 random(7);
  Bytes noise(4096);
  for (std::uint8_t& b : noise) b = std::uint8_t(random());
  const WString bytes = Save("noise.bin", noise);
  Bytes cut = test::WriteNativeFile(OneLineDocument());
  cut.resize(cut.size() * 2 / 3);
  const WString truncated = Save("cut.kvn", cut);
  // "Cannot open file.", the path, and why: in the language of the settings.
  // A cut file is damaged data, whichever record the cut falls in.
  const std::u16string damagedPattern(LoadLangString(kStrReasonDamaged).View());
  const std::u16string damaged = damagedPattern.substr(0, damagedPattern.find(u"%d"));
  const std::u16string reasons[] = {std::u16string(LoadLangString(kStrReasonEmptyFile).View()),
                                    std::u16string(LoadLangString(kStrReasonUnknownFormat).View()), damaged};
  int i = 0;
  for (const WString& path : {empty, bytes, truncated}) {
    SCOPED_TRACE(path.ToUtf8());
    const std::u16string text = OpenFailing(path);
    EXPECT_EQ(text.find(u"Cannot open file.\n"), 0u);
    EXPECT_NE(text.find(path.View()), std::u16string::npos);
    const std::size_t gap = text.find(u"\n\n");
    ASSERT_NE(gap, std::u16string::npos);
    EXPECT_NE(text.find(reasons[i++], gap), std::u16string::npos) << WString(std::u16string_view(text)).ToUtf8();
  }
  test::SaveScreenshot("open-failure-after.png");
}

// A named pipe, which an open to read would wait on for a writer for ever,
// and a folder each show one box at once, saying what they are.
TEST_F(OpenFailureTest, APipeAndAFolderShowWhatTheyAreAndNeverWait) {
  const std::filesystem::path pipe = files_ / "pipe.dxf", folder = files_ / "folder.dxf";
  ASSERT_TRUE(test::MakePipe(pipe));
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  const std::u16string denied(WString::FromUtf8(GetSystemErrorText(kErrorAccessDenied).View()).View());
  for (const auto& [path, reason] : {std::pair{pipe, kStrNotAFile}, std::pair{folder, kStrIsAFolder}}) {
    SCOPED_TRACE(path.string());
    test::PipeWatchdog watchdog(path, 5s);
    const std::u16string text = OpenFailing(WString::FromUtf8(path.string()));
    EXPECT_FALSE(watchdog.Fired()) << "the open waited for a writer";
    EXPECT_NE(text.find(LoadLangString(reason).View()), std::u16string::npos)
        << WString(std::u16string_view(text)).ToUtf8();
    EXPECT_EQ(text.find(denied), std::u16string::npos);
  }
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
