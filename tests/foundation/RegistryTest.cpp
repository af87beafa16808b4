#include "foundation/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "foundation/DialogFolder.h"
#include "foundation/ProgramFolders.h"
#include "platform/settings/SettingsStore.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

class EnvGuard {
 public:
  explicit EnvGuard(const char* name) : name_(name) {
    if (const char* v = std::getenv(name)) old_ = v;
  }
  ~EnvGuard() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  void Set(const std::string& value) { ::setenv(name_, value.c_str(), 1); }
  void Unset() { ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

WString W(const fs::path& path) { return WString::FromUtf8(path.string()); }
WString operator+(const WString& a, const char16_t* b) { return ConcatWStringCStr(a, b); }

// Every test gets a settings folder of its own (never the user's).
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settingsDir_.Set((scratch_.Path() / "settings").string());
    SettingsStore::ResetGlobal();
  }
  void TearDown() override { SettingsStore::ResetGlobal(); }
  // As if the program started again: the store reads the file anew.
  static void Restart() { SettingsStore::ResetGlobal(); }

  test::ScratchDir scratch_;
  EnvGuard settingsDir_{"KVN_SETTINGS_DIR"};
};

const WString kKey(kProgramRegistryKey);

TEST_F(RegistryTest, ValuesRoundTripAndSurviveARestart) {
  const std::uint8_t blob[] = {1, 2, 3, 0, 255};
  {
    RegWriteKey key(kHkeyCurrentUser, kKey);
    ASSERT_FALSE(key.Failed());
    EXPECT_TRUE(key.SetDword(u"Language", 2));
    EXPECT_TRUE(key.SetString(u"Name", u"V\u00fdkres \u010d. 1"));
    EXPECT_TRUE(key.SetBinary(u"Blob", blob, sizeof blob));
  }
  Restart();
  RegReadKey key(kHkeyCurrentUser, kKey);
  ASSERT_FALSE(key.Failed());
  EXPECT_EQ(key.GetDword(u"language", 9), 2u);
  bool found = false;
  EXPECT_EQ(key.GetString(u"Name", u"default", &found), WString(u"V\u00fdkres \u010d. 1"));
  EXPECT_TRUE(found);
  ByteArray bytes;
  EXPECT_EQ(key.GetBinary(u"Blob", bytes), sizeof blob);
  ASSERT_EQ(bytes.Count(), sizeof blob);
  EXPECT_EQ(0, std::memcmp(bytes.Items(), blob, sizeof blob));
}

TEST_F(RegistryTest, WrongTypeReadsAsMissing) {
  {
    RegWriteKey key(kHkeyCurrentUser, kKey);
    key.SetString(u"Text", u"12");
    key.SetDword(u"Number", 12);
    key.SetBinary(u"Four", "abcd", 4);
  }
  RegReadKey key(kHkeyCurrentUser, kKey);
  std::uint8_t defaultUsed = 7;
  EXPECT_EQ(key.GetDwordEx(u"Text", 5, defaultUsed), 5u);
  EXPECT_EQ(defaultUsed, 1);
  EXPECT_EQ(key.GetDwordEx(u"Four", 5, defaultUsed), 5u) << "4 binary bytes are not a DWORD";
  EXPECT_EQ(defaultUsed, 1);
  EXPECT_EQ(key.GetDwordEx(u"Number", 5, defaultUsed), 12u);
  EXPECT_EQ(defaultUsed, 0);
  EXPECT_EQ(key.GetDwordEx(u"Missing", 5, defaultUsed), 5u);
  EXPECT_EQ(defaultUsed, 1);

  bool found = true;
  EXPECT_EQ(key.GetString(u"Number", u"dflt", &found), WString(u"dflt"));
  EXPECT_FALSE(found);
  std::uint32_t out = 0;
  EXPECT_EQ(key.GetBinaryFixed(u"Number", &out, 4), 0u);
}

TEST_F(RegistryTest, NullDeletes) {
  RegWriteKey write(kHkeyCurrentUser, kKey);
  write.SetString(u"Text", u"x");
  write.SetBinary(u"Blob", "x", 1);
  EXPECT_TRUE(write.SetString(u"Text", nullptr));
  EXPECT_TRUE(write.SetBinary(u"Blob", nullptr, 1));
  EXPECT_TRUE(write.SetString(u"NeverThere", nullptr));
  Restart();
  RegReadKey read(kHkeyCurrentUser, kKey);
  bool found = true;
  EXPECT_EQ(read.GetString(u"Text", u"gone", &found), WString(u"gone"));
  EXPECT_FALSE(found);
  EXPECT_EQ(read.GetBinaryFixed(u"Blob", nullptr, 0), 0u);
}

TEST_F(RegistryTest, BinaryReads) {
  const std::uint8_t w[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  RegWriteKey(kHkeyCurrentUser, kKey).SetBinary(u"W", w, sizeof w);
  RegReadKey key(kHkeyCurrentUser, kKey);

  EXPECT_EQ(key.GetBinaryFixed(u"W", nullptr, 0), 8u);
  std::uint8_t small[4] = {};
  EXPECT_EQ(key.GetBinaryFixed(u"W", small, sizeof small), 0u) << "only the stored size is read";
  EXPECT_EQ(small[0], 0);
  std::uint8_t exact[8] = {};
  EXPECT_EQ(key.GetBinaryFixed(u"W", exact, sizeof exact), 8u);
  EXPECT_EQ(exact[7], 8);

  ByteArray buffer;
  buffer.AppendBytes("old contents", 12);
  EXPECT_EQ(key.GetBinary(u"Missing", buffer), 0u);
  EXPECT_EQ(buffer.Count(), 12u) << "a missing value leaves the buffer alone";
  EXPECT_EQ(key.GetBinary(u"W", buffer), 8u);
  EXPECT_EQ(buffer.Count(), 8u);
  EXPECT_EQ(buffer[0], 1);
}

TEST_F(RegistryTest, MissingOrBadKeysGiveDefaultsAndSkipWrites) {
  RegReadKey missing(kHkeyCurrentUser, u"Software\\QUARN_KVN_Viewer\\Nothing");
  EXPECT_TRUE(missing.Failed());
  std::uint8_t used = 0;
  EXPECT_EQ(missing.GetDwordEx(u"x", 3, used), 3u);
  EXPECT_EQ(used, 1);

  RegWriteKey bad(kHkeyCurrentUser, u"Software\\\\Broken");
  EXPECT_TRUE(bad.Failed());
  EXPECT_FALSE(bad.SetDword(u"x", 1));

  // Subkeys are keys of their own.
  RegWriteKey(kHkeyCurrentUser, u"Software\\QUARN_KVN_Viewer\\WindowPos").SetDword(u"x", 1);
  EXPECT_FALSE(RegReadKey(kHkeyCurrentUser, u"Software\\QUARN_KVN_Viewer\\WindowPos").Failed());
  EXPECT_EQ(RegReadKey(kHkeyCurrentUser, u"software\\quarn_kvn_viewer\\windowpos").GetDword(u"X", 0), 1u);
  EXPECT_EQ(RegReadKey(kHkeyCurrentUser, kKey).GetDword(u"x", 0), 0u);
}

// --- remembered dialog folders ---------------------------------------------------

class DialogFolderTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    fs::create_directories(Home() / "Documents");
    home_.Set(Home().string());
    xdgConfig_.Unset();
    SetProgramDirectory(W(Program()), u"kvnviewer");
  }
  void TearDown() override {
    SetProgramDirectory(WString(), WString());
    RegistryTest::TearDown();
  }
  fs::path Home() const { return scratch_.Path() / "home"; }
  fs::path Program() const { return scratch_.Path() / "opt" / "kvn"; }
  WString Documents() const { return W(Home() / "Documents") + u"/"; }

  EnvGuard home_{"HOME"};
  EnvGuard xdgConfig_{"XDG_CONFIG_HOME"};
};

TEST_F(DialogFolderTest, NoStoredFolderMeansTheModesDefault) {
  EXPECT_EQ(DialogFolder(u"CHD_A", DialogFolder::kDocuments).GetFolder(), Documents());
  EXPECT_EQ(DialogFolder(u"CHD_A", DialogFolder::kProgramFolder).GetFolder(), W(Program()) + u"/");
  EXPECT_EQ(DialogFolder(u"CHD_A", DialogFolder::kGlobalOverride).GetFolder(), Documents());
  SetGlobalDialogFolder(u"/srv/drawings/");
  EXPECT_EQ(DialogFolder(u"CHD_A", DialogFolder::kGlobalOverride).GetFolder(), WString(u"/srv/drawings/"));
  EXPECT_EQ(DialogFolder(u"CHD_A", DialogFolder::kDocuments).GetFolder(), Documents());
  SetGlobalDialogFolder(WString());

  RegWriteKey(kHkeyCurrentUser, kKey).SetString(u"CHD_A", u":");
  EXPECT_EQ(DialogFolder(u"CHD_A", DialogFolder::kDocuments).GetFolder(), Documents());
  EXPECT_EQ(DialogFolder(u"CHD_A", DialogFolder::kProgramFolder).GetFolder(), W(Program()) + u"/");
}

TEST_F(DialogFolderTest, FolderInsideTheProgramIsStoredRelativelyAndFollowsAMove) {
  fs::create_directories(Program() / "prints");
  {
    DialogFolder folder(u"CHD_PRN_PRINT", DialogFolder::kDocuments);
    folder.SetFromPath(W(Program() / "prints" / "job.prn"));
    EXPECT_EQ(folder.GetFolder(), W(Program() / "prints") + u"/");
  }
  EXPECT_EQ(RegReadKey(kHkeyCurrentUser, kKey).GetString(u"CHD_PRN_PRINT", u""), WString(u"prints/"));

  // The program moves, with its folder of prints.
  fs::path moved = scratch_.Path() / "elsewhere" / "kvn";
  fs::create_directories(moved.parent_path());
  fs::rename(Program(), moved);
  SetProgramDirectory(W(moved), u"kvnviewer");
  Restart();
  EXPECT_EQ(DialogFolder(u"CHD_PRN_PRINT", DialogFolder::kDocuments).GetFolder(), W(moved / "prints") + u"/");
}

TEST_F(DialogFolderTest, FolderOutsideTheProgramIsStoredInFull) {
  {
    DialogFolder folder(u"CHD_EXP_VIEWER", DialogFolder::kDocuments);
    folder.SetFolder(u"/srv\\exports", true);  // '\' read as '/', a '/' added
    EXPECT_EQ(folder.GetFolder(), WString(u"/srv/exports/"));
  }
  EXPECT_EQ(RegReadKey(kHkeyCurrentUser, kKey).GetString(u"CHD_EXP_VIEWER", u""), WString(u"/srv/exports/"));
  EXPECT_EQ(DialogFolder(u"CHD_EXP_VIEWER", DialogFolder::kProgramFolder).GetFolder(), WString(u"/srv/exports/"));
}

TEST_F(DialogFolderTest, OnlyChangedThingsAreWritten) {
  {
    DialogFolder folder(u"CHD_X", DialogFolder::kDocuments);
    folder.GetFolder();
    folder.SetFolder(u"/not/marked", false);
    folder.SetFilterIndex(2, 7);
    folder.SetFilterIndex(5, 9);  // no such slot
    EXPECT_EQ(folder.GetFilterIndex(5), 0u);
  }
  RegReadKey key(kHkeyCurrentUser, kKey);
  bool found = true;
  key.GetString(u"CHD_X", u"", &found);
  EXPECT_FALSE(found);
  std::uint8_t used = 0;
  EXPECT_EQ(key.GetDword(u"CHD_X_Index_2", 0), 7u);
  key.GetDwordEx(u"CHD_X_Index_0", 0, used);
  EXPECT_EQ(used, 1);
  key.GetDwordEx(u"CHD_X_Index_5", 0, used);
  EXPECT_EQ(used, 1);

  DialogFolder again(u"CHD_X", DialogFolder::kDocuments);
  EXPECT_EQ(again.GetFilterIndex(2), 7u);
  EXPECT_EQ(again.GetFilterIndex(0), 0u);
}

TEST_F(DialogFolderTest, ASetBeforeTheFirstGetIsNotUndoneByLoading) {
  RegWriteKey(kHkeyCurrentUser, kKey).SetString(u"CHD_Y", u"/stored/");
  DialogFolder folder(u"CHD_Y", DialogFolder::kDocuments);
  folder.SetFolder(u"/chosen/", true);
  EXPECT_EQ(folder.GetFolder(), WString(u"/chosen/"));
}

TEST_F(DialogFolderTest, DocumentsFolderComesFromTheUserDirectories) {
  fs::create_directories(Home() / "Dokumenty");
  fs::create_directories(Home() / ".config");
  std::ofstream(Home() / ".config" / "user-dirs.dirs") << "# xdg-user-dirs\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumenty\"\n";
  EXPECT_EQ(GetSpecialFolderPath(kCsidlPersonal), W(Home() / "Dokumenty") + u"/");
  EXPECT_EQ(DialogFolder(u"CHD_Z", DialogFolder::kDocuments).GetFolder(), W(Home() / "Dokumenty") + u"/");
}

}  // namespace
}  // namespace kvn
