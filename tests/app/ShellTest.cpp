// The shell without a display: the main frame as an object (title,
// language, command enablers, placement attributes), the out-of-memory
// report across runs, the settings notice and the command-line path.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "app/TestyApp.h"
#include "app/TestyFrameWindow.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/ProgramFolders.h"
#include "foundation/Registry.h"
#include "foundation/WindowPlacement.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/CommandEnabler.h"
#include "platform/ui/FileDrop.h"
#include "tests/support/Language.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

class RecordingBoxes : public MessageBoxBackend {
 public:
  int ShowBox(const MessageBoxRequest& r) override {
    texts.push_back(r.text);
    styles.push_back(r.style);
    return kIdOk;
  }
  std::vector<WString> texts;
  std::vector<std::uint32_t> styles;
};

// A private settings folder, a recording message-box backend and English per test.
class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("KVN_SETTINGS_DIR");
    if (old) oldSettings_ = old;
    hadSettings_ = old != nullptr;
    setenv("KVN_SETTINGS_DIR", dir_.Path().c_str(), 1);
    SettingsStore::ResetGlobal();
    previousBoxes_ = SetMessageBoxBackend(&boxes_);
    // The notices are read in English, whatever an earlier test left.
    test::UseLanguage(kLanguageEnglish);
  }
  void TearDown() override {
    SetMessageBoxBackend(previousBoxes_);
    if (hadSettings_) {
      setenv("KVN_SETTINGS_DIR", oldSettings_.c_str(), 1);
    } else {
      unsetenv("KVN_SETTINGS_DIR");
    }
    SettingsStore::ResetGlobal();
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
  }
  std::uint32_t ReadDword(const char16_t* name, std::uint32_t fallback) {
    RegReadKey key(kHkeyCurrentUser, SettingsKeyPath());
    return key.GetDword(WString(name), fallback);
  }
  void WriteDword(const char16_t* name, std::uint32_t value) {
    RegWriteKey key(kHkeyCurrentUser, SettingsKeyPath());
    ASSERT_TRUE(key.SetDword(WString(name), value));
  }

  test::ScratchDir dir_;
  RecordingBoxes boxes_;

 private:
  MessageBoxBackend* previousBoxes_ = nullptr;
  std::string oldSettings_;
  bool hadSettings_ = false;
};

TEST_F(ShellTest, TitleIsTheFormattedStringInTheStoredLanguage) {
  WriteDword(u"Language", kLanguageSlovak);
  TTestyFrameWindow frame;
  EXPECT_EQ(GetLanguageIndex(), kLanguageSlovak);
  EXPECT_EQ(frame.GetCaption(), WString(u"Prehliadač Info-Korvana (verzia 20.0.0)"));
  frame.SwitchLanguage(kLanguageEnglish);
  EXPECT_EQ(frame.GetCaption(), WString(u"Viewer Info-Korvana (version 20.0.0)"));
  EXPECT_EQ(ReadDword(u"Language", 99), std::uint32_t(kLanguageEnglish));
  frame.SwitchLanguage(kLanguageCzech);
  EXPECT_EQ(frame.GetCaption(), WString(u"Prohlížeč Info-Korvana (verze 20.0.0)"));
  EXPECT_EQ(ReadDword(u"Language", 99), std::uint32_t(kLanguageCzech));
}

TEST_F(ShellTest, NegativeLanguageFollowsTheSystem) {
  WriteDword(u"Language", 0xFFFFFFFF);
  TTestyFrameWindow frame;
  EXPECT_EQ(GetLanguageIndex(), GetDefaultLanguageIndex());
}

TEST_F(ShellTest, LanguageCommandsSwitchAndCarryTheCheckMark) {
  WriteDword(u"Language", kLanguageEnglish);
  TTestyFrameWindow frame;
  frame.HandleMessage(kWmCommand, MakeWParam(std::uint16_t(kCmSlovak), 0), 0);
  EXPECT_EQ(GetLanguageIndex(), kLanguageSlovak);
  for (std::uint32_t id : {kCmCzech, kCmSlovak, kCmEnglish}) {
    TCommandEnabler ce(id);
    frame.EvCommandEnable(ce);
    EXPECT_EQ(ce.GetCheck(), id == kCmSlovak ? TCommandEnabler::Checked : TCommandEnabler::Unchecked) << id;
  }
}

TEST_F(ShellTest, CommandsOfTheFrameAndOfTheAbsentDrawingWindow) {
  TTestyFrameWindow frame;
  EXPECT_TRUE(frame.IsCommandEnabled(kCmExit));
  EXPECT_TRUE(frame.IsCommandEnabled(kCmFileOpen));
  EXPECT_TRUE(frame.IsCommandEnabled(kCmAbout));
  EXPECT_TRUE(frame.IsCommandEnabled(kCmAccepted));
  EXPECT_TRUE(frame.IsCommandEnabled(kCmHelpNothing1));  // the help frame's no-op rows
  // Close needs a document; page, zoom, export and print belong to the
  // drawing window, which does not exist without one.
  EXPECT_FALSE(frame.IsCommandEnabled(kCmFileClose));
  for (std::uint32_t id : {kCmExport, kCmPrint, kCmParameters, kCmPageNext, kCmZoomIn, kCmZoom100, kCmWholeArea}) {
    EXPECT_FALSE(frame.IsCommandEnabled(id)) << id;
  }
  EXPECT_EQ(frame.GetCommandTarget(), frame.GetHandle());
}

TEST_F(ShellTest, MinimumTrackingSizeIsTheMainFramesNotTheBases) {
  TTestyFrameWindow frame;
  TMinMaxInfo info;
  frame.HandleMessage(kWmGetMinMaxInfo, 0, reinterpret_cast<TParam2>(&info));
  EXPECT_EQ(info.minTrackSize, (TPoint{400, 400}));
}

TEST_F(ShellTest, MaximisedPlacementSetsTheCreationStyle) {
  {
    TTestyFrameWindow frame;
    EXPECT_FALSE(frame.Attr.Style & kWsMaximize);
  }
  SaveWindowPlacement(ScreenRect{0, 0, 800, 600}, true, WString(kWindowPosValueName), SettingsKeyPath());
  TTestyFrameWindow frame;
  EXPECT_TRUE(frame.Attr.Style & kWsMaximize);
  SaveWindowPlacement(ScreenRect{30, 40, 530, 470}, false, WString(kWindowPosValueName), SettingsKeyPath());
  TTestyFrameWindow restored;
  EXPECT_FALSE(restored.Attr.Style & kWsMaximize);
  EXPECT_EQ(restored.Attr.X, 30);
  EXPECT_EQ(restored.Attr.W, 500);
}

TEST_F(ShellTest, FrameLinkStartsWithTheFrame) {
  TTestyFrameWindow frame;
  EXPECT_EQ(frame.GetFrameLink()[0], static_cast<void*>(static_cast<TWindow*>(&frame)));
  EXPECT_EQ(frame.GetFrameLink()[1], nullptr);
  EXPECT_EQ(frame.GetFrameLink()[3], nullptr);
}

TEST_F(ShellTest, DroppedFilesAreFinished) {
  TTestyFrameWindow frame;
  TDropInfo drop({WString(u"/a.kvn"), WString(u"/b.kvn")}, TPoint{1, 2});
  frame.HandleMessage(kWmDropFiles, reinterpret_cast<TParam1>(&drop), 0);
  EXPECT_TRUE(drop.IsFinished());
  EXPECT_EQ(drop.DragQueryFile(1), WString(u"/b.kvn"));
  EXPECT_EQ(drop.DragQueryFile(2), WString());
}

TEST_F(ShellTest, MemoryErrorNoticeShowsOnceAndLeavesZero) {
  WriteDword(u"MemoryError", 1);
  CheckPreviousMemoryError(nullptr);
  ASSERT_EQ(boxes_.texts.size(), 1u);
  EXPECT_EQ(boxes_.texts[0], LoadLangString(kStrMemoryErrorNotice));
  EXPECT_EQ(boxes_.styles[0] & kMbIconMask, kMbIconError);
  EXPECT_EQ(ReadDword(u"MemoryError", 99), 0u);  // set to 0, not deleted
  CheckPreviousMemoryError(nullptr);
  EXPECT_EQ(boxes_.texts.size(), 1u);
}

TEST_F(ShellTest, MemoryErrorAbsentOrZeroShowsNothing) {
  CheckPreviousMemoryError(nullptr);
  WriteDword(u"MemoryError", 0);
  CheckPreviousMemoryError(nullptr);
  WriteDword(u"MemoryError", 2);
  CheckPreviousMemoryError(nullptr);
  EXPECT_TRUE(boxes_.texts.empty());
}

TEST_F(ShellTest, FatalOutOfMemoryIsRecordedForTheNextStart) {
  OnFatalOutOfMemory();
  EXPECT_EQ(ReadDword(u"MemoryError", 0), 1u);
}

TEST_F(ShellTest, DamagedSettingsAreReportedWithTheirNewName) {
  ReportSetAsideSettings(nullptr);
  EXPECT_TRUE(boxes_.texts.empty());
  {
    std::ofstream damaged(dir_ / SettingsStore::kFileName);
    damaged << "this is not a settings file\n";
  }
  SettingsStore::ResetGlobal();
  ReportSetAsideSettings(nullptr);
  ASSERT_EQ(boxes_.texts.size(), 1u);
  const std::string text = boxes_.texts[0].ToUtf8();
  EXPECT_NE(text.find(SettingsStore::Global().SetAsidePath()), std::string::npos) << text;
  EXPECT_NE(text.find("default settings"), std::string::npos) << text;
}

// Mended: a relative path on the command line is taken from the current
// folder; the program's folder is asked only when no such file is there.
TEST_F(ShellTest, CommandLinePathFromTheCurrentFolderFirst) {
  const WString savedProgramDir = GetProgramDirectory();
  test::ScratchDir program;
  std::filesystem::create_directories(dir_ / "work");
  std::ofstream(dir_ / "work" / "here.kvn") << "x";
  std::ofstream(program / "here.kvn") << "x";
  std::ofstream(program / "only-there.kvn") << "x";
  SetProgramDirectory(WString::FromUtf8(program.Path().string()), WString(u"kvn-viewer"));
  const std::filesystem::path oldCwd = std::filesystem::current_path();
  std::filesystem::current_path(dir_ / "work");

  WString path(u"here.kvn");
  EXPECT_TRUE(ResolveCommandLinePath(path));
  EXPECT_EQ(path.ToUtf8(), (dir_ / "work" / "here.kvn").string());
  path = WString(u"only-there.kvn");
  EXPECT_TRUE(ResolveCommandLinePath(path));
  EXPECT_EQ(path.ToUtf8(), (program / "only-there.kvn").string());
  path = WString(u"../work/./missing.kvn");  // nowhere: named as the user meant it
  EXPECT_TRUE(ResolveCommandLinePath(path));
  EXPECT_EQ(path.ToUtf8(), (dir_ / "work" / "missing.kvn").string());
  path = WString(u"/abs/x.kvn");
  EXPECT_TRUE(ResolveCommandLinePath(path));
  EXPECT_EQ(path, WString(u"/abs/x.kvn"));
  path = WString();
  EXPECT_FALSE(ResolveCommandLinePath(path));

  std::filesystem::current_path(oldCwd);
  SetProgramDirectory(savedProgramDir, WString(u"kvn-viewer"));
}

}  // namespace
}  // namespace kvn
