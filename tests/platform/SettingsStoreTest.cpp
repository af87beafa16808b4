#include "platform/settings/SettingsStore.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::uint32_t DwordOf(const SettingValue* value) {
  if (!value || value->type != SettingType::Dword || value->data.size() != 4) return 0xDEADBEEF;
  return value->data[0] | value->data[1] << 8 | value->data[2] << 16 | std::uint32_t(value->data[3]) << 24;
}

std::vector<fs::path> Entries(const fs::path& folder, const std::string& prefix) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename().string().starts_with(prefix)) found.push_back(entry.path());
  return found;
}

constexpr std::u16string_view kKey = u"Software\\QUARN_KVN_Viewer";
constexpr std::u16string_view kSubKey = u"Software\\QUARN_KVN_Viewer\\MRU";

// --- the file format -------------------------------------------------------------

TEST(SettingsFormat, RoundTripKeepsEveryTypeAndAwkwardText) {
  SettingsTree tree;
  tree.SetValue(kKey, u"Language", SettingValue::FromDword(2));
  tree.SetValue(kKey, u"Max", SettingValue::FromDword(0xFFFFFFFF));
  // Quotes, backslashes, line breaks, a tab, a control character, Czech
  // letters, a character outside the BMP and an unpaired surrogate.
  const char16_t awkward[] = {u'C', u':', u'\\', u'"', u'\n', u'\r', u'\t', 0x01, 0x7F, 0x010D, 0x0159,
                              0xD83D, 0xDE00, 0xDC00, u'x', 0};
  tree.SetValue(kKey, u"Folder \"odd\" = name", SettingValue::FromString(awkward));
  tree.SetValue(kKey, u"Empty", SettingValue::FromString(u""));
  const std::uint8_t bytes[] = {0x00, 0xFF, 0x2C, 0x0A, 0x5B};
  tree.SetValue(kSubKey, u"W", SettingValue::FromBinary(bytes, sizeof bytes));
  tree.SetValue(kSubKey, u"Nothing", SettingValue::FromBinary(nullptr, 0));
  tree.EnsureKey(u"Software\\QUARN_KVN_Viewer\\EmptyKey");

  std::string text = SerializeSettings(tree);
  SettingsTree back;
  std::string reason;
  ASSERT_TRUE(ParseSettings(text, back, &reason)) << reason << "\n" << text;
  EXPECT_TRUE(back == tree);
  EXPECT_EQ(SerializeSettings(back), text);
}

TEST(SettingsFormat, IsReadableByAPerson) {
  SettingsTree tree;
  tree.SetValue(kKey, u"Language", SettingValue::FromDword(2));
  tree.SetValue(kKey, u"CHD_EXP_VIEWER", SettingValue::FromString(u"exports/č\\"));
  const std::uint8_t bytes[] = {0x2C, 0x00, 0xAB};
  tree.SetValue(u"Software\\QUARN_KVN_Viewer\\WindowPos", u"W", SettingValue::FromBinary(bytes, 3));
  EXPECT_EQ(SerializeSettings(tree),
            "; QUARN_KVN_Viewer settings, format 1\n"
            "; Written by the program on every change; comments are not kept.\n"
            "[Software\\QUARN_KVN_Viewer]\n"
            "\"Language\"=dword:00000002\n"
            "\"CHD_EXP_VIEWER\"=\"exports/\xC4\x8D\\\\\"\n"
            "[Software\\QUARN_KVN_Viewer\\WindowPos]\n"
            "\"W\"=hex:2c00ab\n");
}

TEST(SettingsFormat, AcceptsCommentsBlankLinesAndWindowsLineEnds) {
  SettingsTree tree;
  std::string reason;
  ASSERT_TRUE(ParseSettings("; QUARN_KVN_Viewer settings, format 1\r\n\r\n; a note\r\n[A\\B]\r\n"
                            "\"x\"=dword:0000000A\r\n",
                            tree, &reason))
      << reason;
  EXPECT_EQ(DwordOf(tree.FindValue(u"a\\b", u"X")), 10u);
}

TEST(SettingsFormat, RefusesAnythingItDoesNotWrite) {
  const std::string header = "; QUARN_KVN_Viewer settings, format 1\n";
  struct Case {
    const char* what;
    std::string text;
    int line;
  } cases[] = {
      {"empty file", "", 0},
      {"no header", "[A]\n", 1},
      {"other format", "; QUARN_KVN_Viewer settings, format 2\n", 1},
      {"value before key", header + "\"x\"=dword:00000001\n", 2},
      {"unclosed key", header + "[A\n", 2},
      {"empty key", header + "[]\n", 2},
      {"doubled separator", header + "[A\\\\B]\n", 2},
      {"key twice", header + "[A]\n[a]\n", 3},
      {"value twice", header + "[A]\n\"x\"=dword:00000001\n\"X\"=dword:00000002\n", 4},
      {"short dword", header + "[A]\n\"x\"=dword:1\n", 3},
      {"bad hex digit", header + "[A]\n\"x\"=hex:0g\n", 3},
      {"odd hex", header + "[A]\n\"x\"=hex:abc\n", 3},
      {"unknown type", header + "[A]\n\"x\"=qword:0000000000000001\n", 3},
      {"unterminated string", header + "[A]\n\"x\"=\"abc\n", 3},
      {"unknown escape", header + "[A]\n\"x\"=\"a\\qb\"\n", 3},
      {"raw control character", header + "[A]\n\"x\"=\"a\tb\"\n", 3},
      {"invalid UTF-8", header + "[A]\n\"x\"=\"\xC3\x28\"\n", 3},
      {"overlong UTF-8", header + "[A]\n\"x\"=\"\xC0\xAF\"\n", 3},
      {"encoded surrogate", header + "[A]\n\"x\"=\"\xED\xA0\x80\"\n", 3},
      {"0 inside a string", header + "[A]\n\"x\"=\"a\\u0000b\"\n", 3},
      {"text after value", header + "[A]\n\"x\"=\"a\" junk\n", 3},
      {"stray line", header + "[A]\nhello\n", 3},
      {"no '='", header + "[A]\n\"x\"dword:00000001\n", 3},
  };
  for (const Case& c : cases) {
    SettingsTree tree;
    tree.SetValue(u"Keep", u"me", SettingValue::FromDword(1));
    std::string reason;
    EXPECT_FALSE(ParseSettings(c.text, tree, &reason)) << c.what;
    EXPECT_EQ(reason.rfind("line " + std::to_string(c.line) + ":", 0), 0u) << c.what << ": " << reason;
    EXPECT_NE(tree.FindValue(u"Keep", u"me"), nullptr) << c.what << ": a refused parse changed the tree";
  }
}

TEST(SettingsFormat, NamesCompareWithoutRegardToCase) {
  EXPECT_TRUE(SettingsNamesEqual(u"Software\\Quarn", u"SOFTWARE\\quarn"));
  EXPECT_TRUE(SettingsNamesEqual(u"\u010D", u"\u010C"));
  EXPECT_FALSE(SettingsNamesEqual(u"a", u"ab"));
  SettingsTree tree;
  tree.SetValue(kKey, u"Language", SettingValue::FromDword(1));
  tree.SetValue(u"software\\quarn_kvn_viewer", u"LANGUAGE", SettingValue::FromDword(2));
  ASSERT_EQ(tree.Keys().size(), 1u);
  ASSERT_EQ(tree.Keys()[0].values.size(), 1u);
  EXPECT_EQ(tree.Keys()[0].values[0].first, u"Language");  // the first spelling stays
  EXPECT_EQ(DwordOf(tree.FindValue(kKey, u"language")), 2u);
}

TEST(SettingsFormat, KeyNames) {
  EXPECT_TRUE(IsValidSettingsKey(kSubKey));
  EXPECT_FALSE(IsValidSettingsKey(u""));
  EXPECT_FALSE(IsValidSettingsKey(u"\\Software"));
  EXPECT_FALSE(IsValidSettingsKey(u"Software\\"));
  EXPECT_FALSE(IsValidSettingsKey(u"a\\\\b"));
  EXPECT_FALSE(IsValidSettingsKey(u"a\nb"));
  const char16_t lone[] = {u'a', 0xD800, 0};
  EXPECT_FALSE(IsValidSettingsKey(lone));
}

TEST(SettingsFormat, WellFormedValues) {
  EXPECT_TRUE(SettingValue::FromString(u"abc").IsWellFormed());
  SettingValue v = SettingValue::FromString(u"abc");
  v.data.pop_back();
  EXPECT_FALSE(v.IsWellFormed());
  v = SettingValue::FromString(u"ab");
  v.data[0] = 0;
  v.data[1] = 0;  // an inner 0 would cut the string
  EXPECT_FALSE(v.IsWellFormed());
  v = SettingValue::FromDword(1);
  v.data.push_back(0);
  EXPECT_FALSE(v.IsWellFormed());
}

// --- the store on disk -----------------------------------------------------------

class SettingsStoreTest : public ::testing::Test {
 protected:
  test::ScratchDir scratch_;
  std::string Folder() const { return (scratch_.Path() / "cfg").string(); }
  fs::path File() const { return scratch_.Path() / "cfg" / SettingsStore::kFileName; }
};

TEST_F(SettingsStoreTest, ValuesPersistAcrossInstances) {
  {
    SettingsStore store(Folder());
    EXPECT_FALSE(store.KeyExists(kKey));
    EXPECT_TRUE(store.SetValue(kKey, u"Language", SettingValue::FromDword(1)));
    EXPECT_TRUE(store.SetValue(kSubKey, u"File1", SettingValue::FromString(u"/tmp/a.kvn")));
    EXPECT_TRUE(store.CreateKey(u"Software\\QUARN_KVN_Viewer\\Empty"));
    EXPECT_EQ(store.LastError(), 0u);
  }
  EXPECT_EQ(fs::status(File()).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  SettingsStore again(Folder());
  EXPECT_EQ(DwordOf(again.FindValue(kKey, u"LANGUAGE")), 1u);
  EXPECT_TRUE(again.KeyExists(u"Software\\QUARN_KVN_Viewer\\Empty"));
  EXPECT_TRUE(again.DeleteValue(kKey, u"Language"));
  EXPECT_EQ(SettingsStore(Folder()).FindValue(kKey, u"Language"), nullptr);
  EXPECT_TRUE(again.SetAsidePath().empty());
}

TEST_F(SettingsStoreTest, RefusesBadKeysAndOversizedValues) {
  SettingsStore store(Folder());
  EXPECT_FALSE(store.CreateKey(u"a\\\\b"));
  EXPECT_FALSE(store.SetValue(u"", u"x", SettingValue::FromDword(1)));
  std::vector<std::uint8_t> big(SettingsStore::kMaxValueBytes + 1);
  EXPECT_FALSE(store.SetValue(kKey, u"big", SettingValue::FromBinary(big.data(), big.size())));
  EXPECT_EQ(store.FindValue(kKey, u"big"), nullptr);
  EXPECT_FALSE(fs::exists(File()));
}

TEST_F(SettingsStoreTest, DamagedFileIsSetAsideNotLost) {
  fs::create_directories(Folder());
  const std::string damaged = "; QUARN_KVN_Viewer settings, format 1\n[A]\n\"x\"=dword:zz\n";
  WriteText(File(), damaged);

  SettingsStore store(Folder());
  EXPECT_EQ(store.FindValue(u"A", u"x"), nullptr);
  ASSERT_FALSE(store.SetAsidePath().empty());
  EXPECT_NE(store.DamageReason().find("line 3"), std::string::npos) << store.DamageReason();
  EXPECT_EQ(ReadText(store.SetAsidePath()), damaged);
  EXPECT_FALSE(fs::exists(File()));

  EXPECT_TRUE(store.SetValue(kKey, u"Language", SettingValue::FromDword(2)));
  EXPECT_EQ(ReadText(store.SetAsidePath()), damaged);
  EXPECT_EQ(DwordOf(SettingsStore(Folder()).FindValue(kKey, u"Language")), 2u);

  // A second damaged file on the same second gets a name of its own.
  WriteText(File(), "garbage");
  SettingsStore second(Folder());
  ASSERT_FALSE(second.SetAsidePath().empty());
  EXPECT_NE(second.SetAsidePath(), store.SetAsidePath());
  EXPECT_EQ(ReadText(store.SetAsidePath()), damaged);
  EXPECT_EQ(ReadText(second.SetAsidePath()), "garbage");
}

TEST_F(SettingsStoreTest, SomethingThatIsNotAFileMakesTheStoreReadOnly) {
  fs::create_directories(File());  // a folder where the file should be
  SettingsStore store(Folder());
  EXPECT_TRUE(store.IsReadOnly());
  EXPECT_FALSE(store.SetValue(kKey, u"x", SettingValue::FromDword(7)));
  EXPECT_EQ(DwordOf(store.FindValue(kKey, u"x")), 7u);  // this session still sees it
  EXPECT_TRUE(fs::is_directory(File()));
}

TEST_F(SettingsStoreTest, InstancesTakeInEachOthersValues) {
  SettingsStore a(Folder());
  SettingsStore b(Folder());
  ASSERT_TRUE(a.SetValue(kKey, u"FromA", SettingValue::FromDword(1)));
  ASSERT_TRUE(b.SetValue(kKey, u"FromB", SettingValue::FromDword(2)));
  EXPECT_EQ(DwordOf(a.FindValue(kKey, u"FromB")), 2u);  // a read takes in b's write
  ASSERT_TRUE(a.DeleteValue(kKey, u"FromB"));
  SettingsStore c(Folder());
  EXPECT_EQ(DwordOf(c.FindValue(kKey, u"FromA")), 1u);
  EXPECT_EQ(c.FindValue(kKey, u"FromB"), nullptr);
  EXPECT_EQ(b.FindValue(kKey, u"FromB"), nullptr);
}

// The child stops inside the hook (after the temporary file is complete and
// on disk, before the rename) and is killed there.
int g_hookPipe = -1;
void StopInHook() {
  char c = 'h';
  if (::write(g_hookPipe, &c, 1) != 1) ::_exit(3);
  while (true) ::pause();
}

TEST_F(SettingsStoreTest, CrashBetweenWriteAndRenameLeavesOldFileIntact) {
  {
    SettingsStore store(Folder());
    ASSERT_TRUE(store.SetValue(kKey, u"Language", SettingValue::FromDword(1)));
  }
  const std::string before = ReadText(File());

  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(fds[0]);
    g_hookPipe = fds[1];
    SettingsStore store(Folder());
    SettingsStore::SetBeforeRenameHookForTesting(&StopInHook);
    store.SetValue(kKey, u"Language", SettingValue::FromDword(2));
    ::_exit(4);  // not reached: the hook never returns
  }
  ::close(fds[1]);
  char c = 0;
  ssize_t got = ::read(fds[0], &c, 1);
  ::close(fds[0]);
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_EQ(got, 1) << "the child did not reach the hook";
  ASSERT_TRUE(WIFSIGNALED(status));

  EXPECT_EQ(ReadText(File()), before);
  std::string prefix = std::string(".") + SettingsStore::kFileName + ".";
  ASSERT_EQ(Entries(Folder(), prefix).size(), 1u) << "the dead writer's temporary file";

  SettingsStore store(Folder());
  EXPECT_EQ(DwordOf(store.FindValue(kKey, u"Language")), 1u);
  EXPECT_TRUE(store.SetAsidePath().empty());
  ASSERT_TRUE(store.SetValue(kKey, u"Language", SettingValue::FromDword(3)));
  EXPECT_TRUE(Entries(Folder(), prefix).empty()) << "a later writer removes the leftover";
}

// --- where the file lives --------------------------------------------------------

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
  void Set(const char* value) { value ? ::setenv(name_, value, 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(SettingsStoreFolder, EnvironmentChoosesTheFolder) {
  EnvGuard dir("KVN_SETTINGS_DIR"), xdg("XDG_CONFIG_HOME"), home("HOME");
  dir.Set("/x/override");
  EXPECT_EQ(SettingsStore::DefaultFolder(), "/x/override");
  dir.Set(nullptr);
  xdg.Set("/x/config");
  EXPECT_EQ(SettingsStore::DefaultFolder(), "/x/config/QUARN_KVN_Viewer");
  xdg.Set("relative/config");  // ignored, as the XDG rules say
  home.Set("/x/home");
  EXPECT_EQ(SettingsStore::DefaultFolder(), "/x/home/.config/QUARN_KVN_Viewer");
}

}  // namespace
}  // namespace kvn
