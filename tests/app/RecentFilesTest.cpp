// The recent-file list without a display: order, limits, the settings it is
// kept in, and the menu texts.
#include "app/RecentFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "foundation/FileSystem.h"
#include "foundation/PathBytes.h"
#include "foundation/ProgramFolders.h"
#include "foundation/Registry.h"
#include "platform/settings/SettingsStore.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

const WString kKey(u"Software\\RecentTest");

class Recent : public TRecentFiles {
 public:
  Recent() : TRecentFiles(24310, kKey, 30) {}
  TWindow* GetRecentFilesWindow() override { return nullptr; }
};

class RecentFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("KVN_SETTINGS_DIR", dir_.Path().c_str(), 1);
    SettingsStore::ResetGlobal();
  }
  void TearDown() override {
    unsetenv("KVN_SETTINGS_DIR");
    SettingsStore::ResetGlobal();
  }
  test::ScratchDir dir_;
};

WString W(const std::string& s) { return WString::FromUtf8(s); }

TEST_F(RecentFilesTest, OrderLimitsAndTheStoredList) {
  {
    Recent recent;
    for (int i = 1; i <= 11; ++i) recent.Add(W("/d/file" + std::to_string(i) + ".kvn"));
    EXPECT_EQ(recent.Count(), 10u);  // the eleventh dropped the oldest
    EXPECT_EQ(recent.GetEntry(TRecentFiles::kFirstCommand), W("/d/file11.kvn"));
    EXPECT_EQ(recent.GetEntry(TRecentFiles::kFirstCommand + 9), W("/d/file2.kvn"));
    EXPECT_TRUE(recent.GetEntry(TRecentFiles::kFirstCommand + 10).IsEmpty());
    EXPECT_TRUE(recent.GetEntry(TRecentFiles::kFirstCommand - 1).IsEmpty());
    // Entry 5 moves to the top; the length stays.
    recent.Add(W("/d/file7.kvn"));
    EXPECT_EQ(recent.Count(), 10u);
    EXPECT_EQ(recent.GetEntry(TRecentFiles::kFirstCommand), W("/d/file7.kvn"));
    EXPECT_EQ(recent.GetEntry(TRecentFiles::kFirstCommand + 5), W("/d/file6.kvn"));
    // Letter case makes another file.
    recent.Add(W("/d/FILE7.kvn"));
    EXPECT_EQ(recent.GetEntry(TRecentFiles::kFirstCommand + 1), W("/d/file7.kvn"));
    {
      Recent second;  // shares the list; only the last one writes it
      EXPECT_EQ(second.Count(), 10u);
    }
    RegReadKey key(kHkeyCurrentUser, WString(u"Software\\RecentTest\\MRU"));
    EXPECT_EQ(key.GetDword(WString(u"Count"), 99), 99u);
  }
  RegReadKey key(kHkeyCurrentUser, WString(u"Software\\RecentTest\\MRU"));
  EXPECT_EQ(key.GetDword(WString(u"Count"), 0), 10u);
  EXPECT_EQ(key.GetString(WString(u"MRU0"), WString()), W("/d/FILE7.kvn"));
  Recent again;
  EXPECT_EQ(again.Count(), 10u);
  EXPECT_EQ(again.GetEntry(TRecentFiles::kFirstCommand + 1), W("/d/file7.kvn"));
}

TEST_F(RecentFilesTest, CountBeyondTenLoadsTenAndAGapEndsTheList) {
  {
    RegWriteKey key(kHkeyCurrentUser, WString(u"Software\\RecentTest\\MRU"));
    key.SetDword(WString(u"Count"), 25);
    for (int i = 0; i < 25; ++i) key.SetString(W("MRU" + std::to_string(i)), W("/x/" + std::to_string(i)));
  }
  {
    Recent recent;
    EXPECT_EQ(recent.Count(), 10u);
  }
  {
    RegWriteKey key(kHkeyCurrentUser, WString(u"Software\\RecentTest\\MRU"));
    key.SetDword(WString(u"Count"), 5);
    key.SetString(WString(u"MRU2"), WString());
  }
  Recent recent;
  EXPECT_EQ(recent.Count(), 2u);
}

TEST_F(RecentFilesTest, RelativeNamesAreTakenFromTheCurrentFolder) {
  Recent recent;
  recent.Add(W("plans/house.kvn"));
  WString expected = GetCurrentDirectoryPath();
  if (!expected.IsEmpty() && expected[expected.Length() - 1] != u'/') expected.AppendChar(u'/');
  expected.Append(W("plans/house.kvn"));
  EXPECT_EQ(recent.GetEntry(TRecentFiles::kFirstCommand), expected);
}

// A name that is not UTF-8 (Latin-1 bytes of an old disk) is kept in the
// settings file as escapes, so the file stays UTF-8 text, and comes back
// byte for byte; entries stored before, in UTF-8, load as they did.
TEST_F(RecentFilesTest, ANameThatIsNotUtf8SurvivesTheSettingsByteForByte) {
  const std::string latin1 = "/d/pl\xE1ny/caf\xE9.kvn";
  {
    Recent recent;
    recent.Add(PathFromBytes(latin1));
  }
  std::ifstream in(dir_ / SettingsStore::kFileName, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(PathFromBytes(text).ToUtf8(), text) << "the settings file is no longer UTF-8 text";
  {
    // An entry written by an earlier run, in UTF-8.
    RegWriteKey key(kHkeyCurrentUser, WString(u"Software\\RecentTest\\MRU"));
    key.SetDword(WString(u"Count"), 2);
    key.SetString(WString(u"MRU1"), W("/d/caf\xC3\xA9.kvn"));
  }
  SettingsStore::ResetGlobal();  // the next run reads the file again
  Recent again;
  ASSERT_EQ(again.Count(), 2u);
  EXPECT_EQ(PathBytes(again.GetEntry(TRecentFiles::kFirstCommand).View()), latin1);
  EXPECT_EQ(again.GetEntry(TRecentFiles::kFirstCommand + 1).ToUtf8(), "/d/caf\xC3\xA9.kvn");
  // The menu shows U+FFFD for each stray byte.
  EXPECT_EQ(TRecentFiles::MenuText(0, again.GetEntry(TRecentFiles::kFirstCommand), W("/start/")).ToUtf8(),
            "&1 /d/pl\xEF\xBF\xBDny/caf\xEF\xBF\xBD.kvn");
}

TEST(RecentFilesMenu, LabelsRelativePathsAndLongNames) {
  EXPECT_EQ(TRecentFiles::MenuText(8, W("/a/b.kvn"), W("/start/")), W("&9 /a/b.kvn"));
  EXPECT_EQ(TRecentFiles::MenuText(9, W("/a/b.kvn"), W("/start/")), W("1&0 /a/b.kvn"));
  EXPECT_EQ(TRecentFiles::MenuText(0, W("/Start/plans/b.kvn"), W("/start/")), W("&1 plans/b.kvn"));
  const std::string tail(70, 'x');
  const std::string longName = "/" + std::string(29, 'y') + tail;  // 100 characters
  EXPECT_EQ(TRecentFiles::MenuText(1, W(longName), W("/start/")), W("&2 ..." + tail));
}

}  // namespace
}  // namespace kvn
