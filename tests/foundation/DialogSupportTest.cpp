// The support routines of the dialog library that need no display: folder
// trees deleted in a temporary folder, the "QDAT" archive extracted (and
// refused when damaged or hostile), the colour table as text, the integer
// option in the settings and the input time stamps.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "foundation/ActivityStamp.h"
#include "foundation/ArchiveExtract.h"
#include "foundation/FolderTree.h"
#include "foundation/InFileStream.h"
#include "foundation/LongPathFiles.h"
#include "foundation/RegistryInt.h"
#include "foundation/StepMonitor.h"
#include "foundation/TickClock.h"
#include "foundation/UiColorText.h"
#include "foundation/UiColors.h"
#include "platform/settings/SettingsStore.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

WString W(const fs::path& p) { return WString::FromUtf8(p.string()); }

void WriteFile(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct CountingMonitor : StepMonitor {
  std::vector<std::uint32_t> values;
  std::vector<WString> texts;
  bool cancel = false;
  bool Step(std::uint32_t value, const WString& text) override {
    values.push_back(value);
    texts.push_back(text);
    return !cancel;
  }
};

// ---- folder trees -------------------------------------------------------------------------------

TEST(DeleteFolderTree, MissingPathIsTrueAndKeepTopDropsOnlySubFolders) {
  test::ScratchDir scratch;
  EXPECT_TRUE(DeleteFolderTree(W(scratch / "none"), nullptr, false, nullptr, nullptr));

  const fs::path top = scratch / "top";
  fs::create_directories(top / "sub" / "deeper");
  WriteFile(top / "a.txt", "a");
  WriteFile(top / "b.txt", "b");
  WriteFile(top / "sub" / "c.txt", "c");
  WriteFile(top / "sub" / "deeper" / "d.txt", "d");
  CountingMonitor monitor;
  int counter = 0;
  EXPECT_TRUE(DeleteFolderTree(W(top), nullptr, true, &monitor, &counter));
  EXPECT_TRUE(fs::exists(top / "a.txt"));
  EXPECT_TRUE(fs::exists(top / "b.txt"));
  EXPECT_FALSE(fs::exists(top / "sub"));
  // The two files below were counted, the kept ones not.
  EXPECT_EQ(counter, 2);
  ASSERT_EQ(monitor.values.size(), 2u);
  EXPECT_EQ(monitor.values[1], 1u);

  // A trailing separator and a read-only file change nothing.
  ::chmod((top / "a.txt").c_str(), 0444);
  EXPECT_TRUE(DeleteFolderTree(ConcatWStringCStr(W(top), u"/"), nullptr, false, nullptr, nullptr));
  EXPECT_FALSE(fs::exists(top));
}

TEST(DeleteFolderTree, LinksAreRemovedAndTheirTargetsKept) {
  test::ScratchDir scratch;
  const fs::path outside = scratch / "outside";
  fs::create_directories(outside / "inner");
  WriteFile(outside / "keep.txt", "keep");
  const fs::path top = scratch / "top";
  fs::create_directories(top);
  fs::create_directory_symlink(outside, top / "link");
  fs::create_symlink(outside / "keep.txt", top / "filelink");
  EXPECT_TRUE(DeleteFolderTree(W(top), nullptr, false, nullptr, nullptr));
  EXPECT_FALSE(fs::exists(fs::symlink_status(top)));
  EXPECT_EQ(ReadFile(outside / "keep.txt"), "keep");
  EXPECT_TRUE(fs::is_directory(outside / "inner"));

  // A link given as the folder itself is not followed.
  fs::create_directory_symlink(outside, scratch / "toplink");
  EXPECT_TRUE(DeleteFolderTree(W(scratch / "toplink"), nullptr, false, nullptr, nullptr));
  EXPECT_TRUE(fs::exists(outside / "keep.txt"));
}

// ---- archive ------------------------------------------------------------------------------------

struct ArchiveBuilder {
  std::string bytes;
  explicit ArchiveBuilder(char version = 1, bool header = true) {
    if (header) bytes = std::string("QDAT") + version;
  }
  void Name(std::u16string_view name) {
    bytes += char(name.size());
    for (char16_t c : name) {
      bytes += char(c & 0xFF);
      bytes += char(c >> 8);
    }
    // 2020-01-01 00:00:00 UTC as FILETIME.
    std::uint64_t t = FileTimeFromUnix(1577836800, 0);
    for (int i = 0; i < 8; ++i, t >>= 8) bytes += char(t & 0xFF);
  }
  ArchiveBuilder& File(std::u16string_view name, const std::string& data, std::optional<std::uint32_t> size = {}) {
    bytes += char(1);
    Name(name);
    std::uint32_t n = size.value_or(std::uint32_t(data.size()));
    for (int i = 0; i < 4; ++i, n >>= 8) bytes += char(n & 0xFF);
    bytes += data;
    return *this;
  }
  ArchiveBuilder& Folder(std::u16string_view name) {
    bytes += char(2);
    Name(name);
    return *this;
  }
  ArchiveBuilder& End() {
    bytes += char(0);
    return *this;
  }
  ArchiveBuilder& Raw(char c) {
    bytes += c;
    return *this;
  }
};

bool Extract(const std::string& bytes, const fs::path& destination, std::uint8_t version = 1,
             std::vector<WString>* names = nullptr, std::vector<std::uint64_t>* offsets = nullptr) {
  ByteArray memory;
  for (char c : bytes) memory.Add(std::uint8_t(c));
  InFileStream stream = InFileStream::FromMemory(memory);
  return ExtractArchive(version, nullptr, nullptr, W(destination), stream, names, offsets);
}

TEST(ExtractArchive, ExtractsFilesAndFoldersWithTheirTimes) {
  test::ScratchDir scratch;
  ArchiveBuilder a;
  a.File(u"one.shx", "ONE").Folder(u"fonts").File(u"two.ttf", std::string(5000, 'x')).End();
  a.File(u"empty", "").End();
  const fs::path dest = scratch / "out";
  ASSERT_TRUE(Extract(a.bytes, dest));
  EXPECT_EQ(ReadFile(dest / "one.shx"), "ONE");
  EXPECT_EQ(ReadFile(dest / "fonts" / "two.ttf"), std::string(5000, 'x'));
  EXPECT_TRUE(fs::exists(dest / "empty"));
  struct stat st {};
  ASSERT_EQ(::stat((dest / "one.shx").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1577836800);
  ASSERT_EQ(::stat((dest / "fonts").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1577836800);

  // Listing writes nothing and gives each file's data position.
  std::vector<WString> names;
  std::vector<std::uint64_t> offsets;
  const fs::path none = scratch / "none";
  ASSERT_TRUE(Extract(a.bytes, none, 1, &names, &offsets));
  EXPECT_FALSE(fs::exists(none));
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[1].ToUtf8(), "fonts/two.ttf");
  EXPECT_EQ(a.bytes.substr(std::size_t(offsets[0]), 3), "ONE");
}

TEST(ExtractArchive, DamagedOrHostileArchivesAreRefusedWithoutTraces) {
  test::ScratchDir scratch;
  const fs::path dest = scratch / "dest";
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::vector<Case> cases;
  {
    ArchiveBuilder a(1, false);
    a.bytes = "QDAX\x01";
    a.File(u"f", "x").End();
    cases.push_back({"wrong magic", a.bytes});
  }
  cases.push_back({"wrong version", ArchiveBuilder(2).File(u"f", "x").End().bytes});
  cases.push_back({"entry type 3", ArchiveBuilder().Raw(3).End().bytes});
  cases.push_back({"dot dot", ArchiveBuilder().File(u"..", "x").End().bytes});
  cases.push_back({"dot dot folder", ArchiveBuilder().Folder(u"..").File(u"evil", "x").End().End().bytes});
  cases.push_back({"absolute", ArchiveBuilder().File(u"/tmp/evil", "x").End().bytes});
  cases.push_back({"backslash", ArchiveBuilder().File(u"..\\evil", "x").End().bytes});
  cases.push_back({"colon", ArchiveBuilder().File(u"c:evil", "x").End().bytes});
  cases.push_back({"empty name", ArchiveBuilder().File(u"", "x").End().bytes});
  cases.push_back({"nul in name", ArchiveBuilder().File(std::u16string_view(u"a\0b", 3), "x").End().bytes});
  cases.push_back({"size beyond the stream", ArchiveBuilder().File(u"big", "abc", 1000000).End().bytes});
  cases.push_back({"no end entry", ArchiveBuilder().File(u"f", "x").bytes});
  cases.push_back({"cut name", ArchiveBuilder().bytes + "\x01\x09" + "a"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dest);
    EXPECT_FALSE(Extract(c.bytes, dest));
    EXPECT_FALSE(fs::exists(scratch / "evil"));
    EXPECT_FALSE(fs::exists(dest / "big"));
    // Only the destination itself may have been made, nothing beside it.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(scratch.Path())) ++entries;
    EXPECT_LE(entries, 1u);
  }

  // A link standing where an entry goes is not written through.
  const fs::path outside = scratch / "outside";
  fs::create_directories(outside);
  fs::remove_all(dest);
  fs::create_directories(dest);
  fs::create_directory_symlink(outside, dest / "fonts");
  EXPECT_FALSE(Extract(ArchiveBuilder().Folder(u"fonts").File(u"x", "1").End().End().bytes, dest));
  fs::create_symlink(outside / "target", dest / "file");
  EXPECT_FALSE(Extract(ArchiveBuilder().File(u"file", "1").End().bytes, dest));
  EXPECT_TRUE(fs::is_empty(outside));
}

TEST(ExtractArchive, CancelStopsAndAStreamNotOpenFails) {
  test::ScratchDir scratch;
  CountingMonitor monitor;
  monitor.cancel = true;
  const std::string bytes = ArchiveBuilder().File(u"a", "1").End().bytes;
  ByteArray memory;
  for (char c : bytes) memory.Add(std::uint8_t(c));
  InFileStream stream = InFileStream::FromMemory(memory);
  EXPECT_FALSE(ExtractArchive(1, &monitor, nullptr, W(scratch / "d"), stream, nullptr, nullptr));
  ASSERT_EQ(monitor.values.size(), 1u);
  EXPECT_FALSE(fs::exists(scratch / "d" / "a"));

  InFileStream missing(W(scratch / "missing.dat"));
  EXPECT_FALSE(ExtractArchive(1, nullptr, nullptr, W(scratch / "d"), missing, nullptr, nullptr));
}

// ---- colour table as text -----------------------------------------------------------------------

class ColorTextTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (int i = 0; i < kUiColorCount; ++i) SetUiSysColor(i, kNoUiColor);
  }
};

TEST_F(ColorTextTest, RoundTripAndShortGroups) {
  std::string text = ColorOverridesToText();
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(text, std::string(256, 'F'));

  SetUiSysColor(5, 0x00123ABC);
  text = ColorOverridesToText();
  EXPECT_EQ(text.substr(40, 8), "00123ABC");
  SetUiSysColor(5, kNoUiColor);
  ColorOverridesFromText(text);
  EXPECT_EQ(GetUiSysColor(5), 0x00123ABCu);

  // 12 characters hold one group: only entry 0 is read; blanks in front are
  // skipped and the digits stop at the first other character.
  SetUiSysColor(1, 0x111111);
  ColorOverridesFromText("  00ffzz9999");
  EXPECT_EQ(GetUiSysColor(0), 0xFFu);
  EXPECT_EQ(GetUiSysColor(1), 0x111111u);
}

// ---- the integer option -------------------------------------------------------------------------

TEST(RegistryIntTest, StoredValueWinsAndOnlyChangesAreWritten) {
  test::ScratchDir scratch;
  const char* old = std::getenv("KVN_SETTINGS_DIR");
  const std::string oldValue = old ? old : "";
  ::setenv("KVN_SETTINGS_DIR", (scratch / "settings").c_str(), 1);
  SettingsStore::ResetGlobal();
  {
    int option = 7;
    RegistryInt reg(&option, WString(u"TestOption"));
    EXPECT_EQ(option, 7);  // nothing stored: the variable stays
    reg.Store();           // unchanged: nothing written
    EXPECT_FALSE(fs::exists(scratch / "settings"));
    option = 9;
    reg.Store();
  }
  SettingsStore::ResetGlobal();
  int again = 1;
  RegistryInt reg(&again, WString(u"TestOption"));
  EXPECT_EQ(again, 9);
  SettingsStore::ResetGlobal();
  if (old) {
    ::setenv("KVN_SETTINGS_DIR", oldValue.c_str(), 1);
  } else {
    ::unsetenv("KVN_SETTINGS_DIR");
  }
}

// ---- input time stamps --------------------------------------------------------------------------

std::uint64_t g_now = 0;
std::uint64_t FakeTicks() { return g_now; }

TEST(ActivityStampTest, ActionAndNoRemoveStampTheActiveRecord) {
  const TickSource old = SetTickSource(&FakeTicks);
  ActivityRecord record;
  EXPECT_EQ(ActivityMouseHook(kHcAction), 0);  // no record: nothing happens
  SetActiveActivityRecord(&record);
  g_now = 500;
  ActivityMouseHook(kHcAction);
  EXPECT_EQ(record.lastInputTick, 500u);
  g_now = 600;
  ActivityKeyboardHook(1);  // another code: no input
  EXPECT_EQ(record.lastInputTick, 500u);
  ActivityKeyboardHook(kHcNoRemove);
  EXPECT_EQ(record.lastInputTick, 600u);
  SetActiveActivityRecord(nullptr);
  SetTickSource(old);
}

}  // namespace
}  // namespace kvn
