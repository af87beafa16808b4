// The recent-file entries of the File menu on a private X display: an entry
// chosen in the open menu (its mnemonic pressed through the X server) opens
// its drawing, with and without a drawing open and after a restart; a file
// chosen in File-Open joins the list only once it opened; the menu shows
// each entry's full path unless it lies below the start folder.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/menu.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "app/AppGlobals.h"
#include "app/OpenClose.h"
#include "app/RecentFiles.h"
#include "app/TestyFrameWindow.h"
#include "document/cDrawingDoc.h"
#include "foundation/FileSystem.h"
#include "foundation/MsgBox.h"
#include "foundation/PathBytes.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

WString g_chosen;
WString Chosen(TWindow&) { return g_chosen; }

test::FixtureDocument OneLine() {
  test::FixtureDocument doc;
  test::FixtureSheet sheet;
  sheet.name = u"A";
  sheet.lines.push_back(test::FixtureLine{{10, 10}, {200, 150}});
  doc.sheets.push_back(sheet);
  return doc;
}

class RecentFilesGuiTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    SettingsFolderTest::SetUp();
    SetMessageBoxBackend(&boxes_);
    SetAskDrawingFileNameHook(&Chosen);
    first_ = Save("first.kvn");
    second_ = Save("second.kvn");
    NewFrame();
  }
  void TearDown() override {
    delete frame_;
    SetAskDrawingFileNameHook(nullptr);
    SetMessageBoxBackend(nullptr);
    SettingsFolderTest::TearDown();
  }
  WString Save(const std::string& name) {
    const std::string path = (files_ / name).string();
    EXPECT_TRUE(test::SaveBytes(path, test::WriteNativeFile(OneLine())));
    return WString::FromUtf8(path);
  }
  void NewFrame() {
    delete frame_;
    frame_ = new TTestyFrameWindow;
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShowNormal);
    frame_->GetPeer()->SetSize(0, 0, 900, 600);
    test::Pump(300ms);
  }
  // Opens the File menu with the mouse, walks up from the bottom (Exit) to
  // the entry and takes it with Return, with idle time between each step
  // as the program has it while a menu is open.
  void ChooseEntry(int number) {
    auto idle = [&] {
      for (int i = 0; i < 3; ++i) {
        frame_->IdleAction(0);
        test::Pump(60ms);
      }
    };
    idle();  // the enablers put the entries in
    const wxPoint origin = frame_->GetPeer()->GetScreenPosition();
    auto open = [&] {
      test::ClickMenuTitle(origin.x + 20, origin.y + 10);
      // The keys go once the menu is up (sent before, they reach the frame).
      EXPECT_TRUE(test::PumpUntil([] { return test::MappedMenus() > 0; })) << "the File menu did not open";
      idle();
    };
    open();
    // Up from the bottom until entry `number` is selected ("2 /path"),
    // following the selection rather than counting keys. On a busy machine
    // the menu now and then maps without taking the keyboard, and no key
    // reaches it: after three Ups that move nothing it is closed and opened
    // again.
    const std::string wanted = std::to_string(number) + " ";
    auto chosen = [&] { return test::SelectedMenuItemText().rfind(wanted, 0) == 0; };
    const auto until = std::chrono::steady_clock::now() + test::kStateLimit;
    int unmoved = 0;
    while (!chosen() && std::chrono::steady_clock::now() < until) {
      const std::string before = test::SelectedMenuItemText();
      test::Shell("timeout 10 xdotool key Up >/dev/null 2>&1");
      if (test::PumpUntil([&] { return test::SelectedMenuItemText() != before; }, 2s)) {
        unmoved = 0;
      } else if (++unmoved == 3) {
        unmoved = 0;
        for (int i = 0; i < 4 && test::MappedMenus() > 0; ++i) {
          test::Shell("timeout 10 xdotool key Escape >/dev/null 2>&1");
          test::PumpUntil([] { return test::MappedMenus() == 0; }, 2s);
        }
        open();
      }
    }
    ASSERT_TRUE(chosen()) << "entry " << number << " of the File menu is not selected; selected: \""
                          << test::SelectedMenuItemText() << "\"";
    test::Shell("timeout 10 xdotool key Return >/dev/null 2>&1");
  }
  bool Shows(const WString& path) {
    return test::PumpUntil([&] {
      const cDrawingDoc* doc = CurrentDocument();
      return doc && doc->filePath == path;
    });
  }

  test::AnsweringBoxes boxes_{50ms};
  test::ScratchDir files_;
  TTestyFrameWindow* frame_ = nullptr;
  WString first_, second_;
};

TEST_F(RecentFilesGuiTest, AFileChosenInFileOpenJoinsTheListOnlyOnceItOpened) {
  const std::string broken = (files_ / "broken.kvn").string();
  ASSERT_TRUE(test::SaveBytes(broken, std::vector<std::uint8_t>(64, 0x5A)));
  g_chosen = WString::FromUtf8(broken);
  EXPECT_FALSE(frame_->OpenFile(WString()));
  test::Pump(100ms);
  EXPECT_EQ(boxes_.texts.size(), 1u);  // the reader said why
  EXPECT_EQ(frame_->Count(), 0u);
  g_chosen = first_;
  EXPECT_TRUE(frame_->OpenFile(WString()));
  ASSERT_EQ(frame_->Count(), 1u);
  EXPECT_EQ(frame_->GetEntry(TRecentFiles::kFirstCommand), GetFullPath(first_));
  // A cancelled dialog adds nothing either.
  g_chosen = WString();
  EXPECT_FALSE(frame_->OpenFile(WString()));
  EXPECT_EQ(frame_->Count(), 1u);
}

TEST_F(RecentFilesGuiTest, ChoosingAnEntryOpensItWithAndWithoutADrawingAndAfterARestart) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  g_chosen = second_;
  ASSERT_TRUE(frame_->OpenFile(WString()));
  g_chosen = first_;
  ASSERT_TRUE(frame_->OpenFile(WString()));
  ASSERT_EQ(frame_->Count(), 2u);
  // The menu items: the full paths (the test's files lie outside the start folder).
  frame_->IdleAction(0);
  wxMenuItem* item = frame_->GetMenuBar()->FindItem(int(TRecentFiles::kFirstCommand + 1));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->GetItemLabel().ToStdString(wxConvUTF8), "&2 " + second_.ToUtf8());
  // The same items stay through idle time (an item replaced under an open
  // menu would take no click).
  frame_->IdleAction(0);
  EXPECT_EQ(frame_->GetMenuBar()->FindItem(int(TRecentFiles::kFirstCommand + 1)), item);

  // With a drawing open: entry 2 is the second file.
  ChooseEntry(2);
  EXPECT_TRUE(Shows(second_));
  test::SaveScreenshot("recent-files-open.png");
  // Without one.
  frame_->CmFileClose();
  ChooseEntry(1);
  EXPECT_TRUE(Shows(first_));
  // After a restart: the list came back from the settings.
  NewFrame();
  ASSERT_EQ(frame_->Count(), 2u);
  ChooseEntry(2);
  EXPECT_TRUE(Shows(second_));
}

// A drawing whose name is not UTF-8 (Latin-1 bytes, as copied from an old
// disk): chosen in File-Open it joins the list, the menu and the title show
// U+FFFD for the byte, and the entry opens the file by its bytes, also after
// a restart, when it came back from the settings.
TEST_F(RecentFilesGuiTest, AnEntryNamedInLatin1ShowsLegiblyAndOpensByItsBytes) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  const std::string bytes = (files_ / "caf\xE9.kvn").string();
  ASSERT_TRUE(test::SaveBytes(bytes, test::WriteNativeFile(OneLine())));
  const std::string shown = (files_ / "caf\xEF\xBF\xBD.kvn").string();
  g_chosen = PathFromBytes(bytes);
  ASSERT_TRUE(frame_->OpenFile(WString()));
  frame_->CmFileClose();
  ASSERT_EQ(frame_->Count(), 1u);
  frame_->IdleAction(0);
  wxMenuItem* item = frame_->GetMenuBar()->FindItem(int(TRecentFiles::kFirstCommand));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->GetItemLabel().ToStdString(wxConvUTF8), "&1 " + shown);

  auto opened = [&] {
    const bool shows = test::PumpUntil([&] {
      const cDrawingDoc* doc = CurrentDocument();
      return doc && PathBytes(doc->filePath.View()) == bytes;
    });
    EXPECT_TRUE(shows) << "the entry did not open the file";
    auto* top = dynamic_cast<wxTopLevelWindow*>(frame_->GetPeer());
    ASSERT_NE(top, nullptr);
    const std::string title = top->GetTitle().ToStdString(wxConvUTF8);
    EXPECT_NE(title.find(shown), std::string::npos) << title;
    EXPECT_TRUE(boxes_.texts.empty()) << boxes_.texts.front().ToUtf8();
  };
  ChooseEntry(1);
  opened();
  // After a restart the entry came back from the settings with its bytes.
  NewFrame();
  ASSERT_EQ(frame_->Count(), 1u);
  ChooseEntry(1);
  opened();
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
