#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "foundation/LangTable.h"
#include "foundation/Resources.h"
#include "platform/settings/SettingsStore.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

std::u16string U16(const WString& s) { return std::u16string(s.View()); }

// A string table in the embedded format, for injected string resources.
std::string MakeStringTable(const std::map<int, std::string>& strings) {
  auto put = [](std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
  };
  std::string index;
  std::string texts;
  put(index, std::uint32_t(strings.size()));
  const std::uint32_t header = 4 + 12 * std::uint32_t(strings.size());
  for (const auto& [id, text] : strings) {
    put(index, std::uint32_t(id));
    put(index, header + std::uint32_t(texts.size()));
    put(index, std::uint32_t(text.size()));
    texts += text;
  }
  return index + texts;
}

// Restores the process-wide language state around each test.
class LangTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = GetLanguageIndex();
    Reset();
  }
  void TearDown() override {
    table_.reset();
    SetLanguageIndex(saved_);
    Reset();
    lang_testing::SetLocaleProbe(nullptr);
  }
  static void Reset() {
    InvalidateLangTable();
    lang_testing::ClearLangStringCache();
  }
  // Makes `bytes` the table of the current language.
  void InjectTable(const std::string& bytes) {
    tableBytes_ = bytes;
    table_.reset();
    table_.emplace(ResourceType::LangTable, kLangTableResourceBase + GetLanguageIndex(), std::string_view(tableBytes_));
    Reset();
  }
  static bool Translate(std::u16string& text, bool* flag = nullptr) {
    WString w(text.c_str());
    bool changed = TranslateText(w, flag);
    text = U16(w);
    return changed;
  }

  int saved_ = 0;
  std::string tableBytes_;
  std::optional<ScopedResourceOverride> table_;
};

// Entries 1..7; entry 2 is empty, entry 7 ends the resource without LF and
// so is no entry.
const char* const kSmallTable =
    "One\n"
    "\n"
    "&Yes\n"
    "A && B & C\n"
    "first\\nsecond\r\n"
    "tilde~list~kept\n"
    "not an entry";

TEST_F(LangTableTest, LinesFollowTheResourceLayout) {
  InjectTable(kSmallTable);
  EXPECT_EQ(GetLangTableLineCount(), 6);
  EXPECT_EQ(GetLangTableLine(0), nullptr);
  EXPECT_EQ(GetLangTableLine(-1), nullptr);
  EXPECT_EQ(std::u16string(GetLangTableLine(1)), u"One");
  EXPECT_EQ(std::u16string(GetLangTableLine(2)), u"");
  // "\n" becomes CR LF; the CR of the resource's line end is not part of it.
  EXPECT_EQ(std::u16string(GetLangTableLine(5)), u"first\r\nsecond");
  EXPECT_EQ(std::u16string(GetLangTableLine(6)), u"tilde~list~kept");
  EXPECT_EQ(GetLangTableLine(7), nullptr);
}

TEST_F(LangTableTest, EntriesAreCodePage1250) {
  InjectTable("\x8A\x9A \xC8\xE8 \xD8\xF8 \xBC\xBE \x8D\x9D\n");
  EXPECT_EQ(std::u16string(GetLangTableLine(1)), u"Šš Čč Řř Ľľ Ťť");
}

TEST_F(LangTableTest, TokenTakesItsEntryOrItsDefault) {
  std::u16string text = u"~00010 ~";
  InjectTable(kSmallTable);
  EXPECT_TRUE(Translate(text));
  EXPECT_EQ(text, u"One");

  text = u"~00020 ~";  // entry 2 is empty
  EXPECT_TRUE(Translate(text));
  EXPECT_EQ(text, u" ");

  InjectTable("");  // a missing table: every token gives its default
  text = u"~00010 ~";
  EXPECT_TRUE(Translate(text));
  EXPECT_EQ(text, u" ");
  EXPECT_EQ(GetLangTableLine(1), nullptr);

  // Ids 0, FFFF and beyond the table give the default too.
  InjectTable(kSmallTable);
  text = u"[~00000a~|~FFFF0b~|~00070c~|~7FFF0d~]";
  EXPECT_TRUE(Translate(text));
  EXPECT_EQ(text, u"[a|b|c|d]");
}

TEST_F(LangTableTest, FlagOneKeepsTheDefaultEverywhereAndReportsIt) {
  for (int language = 0; language < 3; ++language) {
    SetLanguageIndex(language);
    Reset();
    std::u16string text = u"~FFFF1Slovensky~";
    bool flag = false;
    EXPECT_TRUE(Translate(text, &flag));
    EXPECT_EQ(text, u"Slovensky");
    EXPECT_TRUE(flag);
  }
  std::u16string text = u"~00010x~";
  bool flag = true;
  Translate(text, &flag);
  EXPECT_FALSE(flag);
}

TEST_F(LangTableTest, TextsWithoutAValidTokenStayAsTheyAre) {
  InjectTable(kSmallTable);
  for (std::u16string text : {u"a~b", u"~000", u"~000a0x~", u"plain", u"", u"~~~"}) {
    std::u16string before = text;
    bool flag = true;
    EXPECT_FALSE(Translate(text, &flag)) << std::string(before.begin(), before.end());
    EXPECT_EQ(text, before);
    EXPECT_FALSE(flag);
  }
}

TEST_F(LangTableTest, StrayTildeIsDroppedWhenATokenFollows) {
  InjectTable(kSmallTable);
  std::u16string text = u"5~ ~00010x~";
  EXPECT_TRUE(Translate(text));
  EXPECT_EQ(text, u"5 One");
  // The character after a stray '~' is taken as it is, even another '~',
  // which then starts no token.
  text = u"~~00010x~ ~00010x~";
  EXPECT_TRUE(Translate(text));
  EXPECT_EQ(text, u"~00010x One");
  // A '~' at the very end of the text is simply dropped.
  text = u"~00010x~~";
  EXPECT_TRUE(Translate(text));
  EXPECT_EQ(text, u"One");
}

TEST_F(LangTableTest, EmptyDefaultOrOpenTokenLeavesTheWholeTextAlone) {
  InjectTable(kSmallTable);
  std::u16string text = u"~00010x~ and ~00010~";
  EXPECT_FALSE(Translate(text));
  EXPECT_EQ(text, u"~00010x~ and ~00010~");

  text = u"~00010x~ and ~00011open";
  bool flag = false;
  EXPECT_FALSE(Translate(text, &flag));
  EXPECT_EQ(text, u"~00010x~ and ~00011open");
  EXPECT_TRUE(flag);  // the flag was read before the failure
}

TEST_F(LangTableTest, AmpersandsByFlag) {
  InjectTable(kSmallTable);
  std::u16string text = u"~00031x~";
  EXPECT_TRUE(Translate(text));
  EXPECT_EQ(text, u"&Yes");
  text = u"~00030x~";
  EXPECT_TRUE(Translate(text));
  EXPECT_EQ(text, u"Yes");
  text = u"~00040x~";
  EXPECT_TRUE(Translate(text));
  EXPECT_EQ(text, u"A & B & C");
  // The default is used as it stands, '&' included.
  text = u"~00070&Open~";
  EXPECT_TRUE(Translate(text));
  EXPECT_EQ(text, u"&Open");
  // An entry is not scanned again: its '~' stay.
  text = u"(~00060x~)";
  EXPECT_TRUE(Translate(text));
  EXPECT_EQ(text, u"(tilde~list~kept)");
}

TEST_F(LangTableTest, GeneratedTablesHaveTheSameLinesInEveryLanguage) {
  for (int language = 0; language < 3; ++language) {
    SetLanguageIndex(language);
    Reset();
    EXPECT_EQ(GetLangTableLineCount(), 2709) << language;
    // 2709 is the last valid id; 2710 gives the default.
    EXPECT_NE(GetLangTableLine(2709), nullptr);
    EXPECT_EQ(GetLangTableLine(2710), nullptr);
    std::u16string text = u"~0A960beyond~";
    EXPECT_TRUE(Translate(text));
    EXPECT_EQ(text, u"beyond");
  }
  // Line 1944 is "Current view" in each language, decoded from code page 1250.
  const char16_t* expected[] = {u"Aktuální pohled", u"Aktuálny pohľad", u"Current view"};
  for (int language = 0; language < 3; ++language) {
    SetLanguageIndex(language);
    Reset();
    EXPECT_EQ(std::u16string(GetLangTableLine(1944)), expected[language]);
  }
}

TEST_F(LangTableTest, LoadLangStringFollowsTheLanguage) {
  SetLanguageIndex(kLanguageCzech);
  Reset();
  EXPECT_EQ(U16(LoadLangString(1192)), u"&Ano");
  EXPECT_EQ(U16(LoadLangString(16904)), u"(podle bloku)");
  EXPECT_EQ(U16(LoadLangString(18260)), u" (Externí reference)");
  // Cached: the same text again.
  EXPECT_EQ(U16(LoadLangString(1192)), u"&Ano");

  // The language commands switch and invalidate; the cache notices by itself.
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
  EXPECT_EQ(U16(LoadLangString(1192)), u"&Yes");
  EXPECT_EQ(U16(LoadLangString(16904)), u"(by block)");
  SetLanguageIndex(kLanguageSlovak);
  InvalidateLangTable();
  EXPECT_EQ(U16(LoadLangString(1192)), u"&Áno");
  EXPECT_EQ(U16(LoadLangString(18143)), u"Aktuálny pohľad");
}

TEST_F(LangTableTest, QuotedTextsStandAsTheyAre) {
  SetLanguageIndex(kLanguageEnglish);
  Reset();
  EXPECT_EQ(U16(LoadLangString(19764)),
            u"The viewer can not open the library file (*.kni), but only drawings (*.kvn).");
  EXPECT_EQ(U16(LoadLangString(18402)), u"Reference, which refers to another reference, is not supported.");
  EXPECT_EQ(U16(LoadLangString(16012)),
            u"File cannot be open.\r\nFile was created in a newer version of the software.");
  // The question about more than 65535 blocks is a translated string now;
  // its Czech text is the one the old program showed to everyone.
  SetLanguageIndex(kLanguageCzech);
  InvalidateLangTable();
  EXPECT_EQ(U16(LoadLangString(19770)),
            u"Interní chyba - bloků je více než je limit 65535.\r\n\r\n"
            u"Výkres lze otevřít, ale data budou zkomolená.\r\n\r\nChcete přesto pokračovat?");
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
  EXPECT_EQ(LoadLangString(19770).View().substr(0, 16), u"Internal error -");
}

TEST_F(LangTableTest, LoadLangStringIdsAreSixteenBitsSigned) {
  std::string strings = MakeStringTable({{-5, "negative"}, {7, "plain text"}, {9, "~00010x~!"}, {12, ""}});
  ScopedResourceOverride table(ResourceType::StringTable, 0, std::string_view(strings));
  InjectTable(kSmallTable);
  EXPECT_EQ(U16(LoadLangString(7)), u"plain text");  // no token: as it is
  EXPECT_EQ(U16(LoadLangString(9)), u"One!");
  EXPECT_EQ(U16(LoadLangString(12)), u"");
  EXPECT_EQ(U16(LoadLangString(8)), u"");      // missing
  EXPECT_EQ(U16(LoadLangString(-5)), u"");     // negative ids are never looked up
  EXPECT_EQ(U16(LoadLangString(65531)), u"");  // -5 as 16 bits
  EXPECT_EQ(U16(LoadLangString(65536 + 7)), u"plain text");
  // Found again in the cache, in any order of asking.
  for (int id : {12, 9, 7, -5, 8}) LoadLangString(id);
  EXPECT_EQ(U16(LoadLangString(9)), u"One!");
}

TEST_F(LangTableTest, DamagedStringTableGivesEmptyStrings) {
  std::string strings = MakeStringTable({{1, "abc"}, {2, "def"}});
  strings[4 + 12 + 8] = char(0x7F);  // length of id 2 far beyond the table
  ScopedResourceOverride table(ResourceType::StringTable, 0, std::string_view(strings));
  Reset();
  EXPECT_EQ(U16(LoadLangString(1)), u"abc");
  EXPECT_EQ(U16(LoadLangString(2)), u"");
  std::string shortTable("\x09\x00\x00\x00", 4);  // nine records announced, none there
  ScopedResourceOverride broken(ResourceType::StringTable, 0, std::string_view(shortTable));
  Reset();
  EXPECT_EQ(U16(LoadLangString(1)), u"");
}

bool g_hasSlovak = false;
int g_probeCalls = 0;
bool FakeProbe(std::uint16_t langId) {
  ++g_probeCalls;
  return langId != kLangIdSlovak || g_hasSlovak;
}

TEST_F(LangTableTest, UiLanguageIdFallsBackToTheUserDefault) {
  lang_testing::SetLocaleProbe(FakeProbe);
  g_hasSlovak = false;
  SetLanguageIndex(kLanguageSlovak);
  EXPECT_EQ(GetUILanguageId(), kLangIdUserDefault);
  SetLanguageIndex(kLanguageCzech);
  EXPECT_EQ(GetUILanguageId(), kLangIdCzech);
  SetLanguageIndex(kLanguageEnglish);
  EXPECT_EQ(GetUILanguageId(), kLangIdEnglishUs);
  SetLanguageIndex(7);
  EXPECT_EQ(GetUILanguageId(), kLangIdEnglishUs);

  g_hasSlovak = true;
  lang_testing::SetLocaleProbe(FakeProbe);
  SetLanguageIndex(kLanguageSlovak);
  g_probeCalls = 0;
  EXPECT_EQ(GetUILanguageId(), kLangIdSlovak);
  EXPECT_EQ(GetUILanguageId(), kLangIdSlovak);
  EXPECT_EQ(g_probeCalls, 1);  // worked out once per language
}

class ScopedEnv {
 public:
  explicit ScopedEnv(const char* name) : name_(name) {
    if (const char* v = std::getenv(name)) old_ = v;
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  void Set(const char* value) {
    if (value) {
      setenv(name_, value, 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST_F(LangTableTest, DefaultLanguageComesFromTheEnvironment) {
  ScopedEnv all("LC_ALL"), messages("LC_MESSAGES"), lang("LANG");
  all.Set(nullptr);
  messages.Set(nullptr);
  lang.Set(nullptr);
  EXPECT_EQ(GetDefaultLanguageIndex(), kLanguageEnglish);
  lang.Set("cs_CZ.UTF-8");
  EXPECT_EQ(GetDefaultLanguageIndex(), kLanguageCzech);
  messages.Set("sk_SK");
  EXPECT_EQ(GetDefaultLanguageIndex(), kLanguageSlovak);
  all.Set("de_DE.UTF-8");
  EXPECT_EQ(GetDefaultLanguageIndex(), kLanguageEnglish);
  all.Set("csb_PL");  // Kashubian is not Czech
  EXPECT_EQ(GetDefaultLanguageIndex(), kLanguageEnglish);
}

TEST_F(LangTableTest, LanguageSettingRoundTrip) {
  test::ScratchDir dir;
  ScopedEnv settings("KVN_SETTINGS_DIR"), lang("LANG"), all("LC_ALL"), messages("LC_MESSAGES");
  settings.Set(dir.Path().c_str());
  lang.Set("sk_SK.UTF-8");
  all.Set(nullptr);
  messages.Set(nullptr);
  SettingsStore::ResetGlobal();
  EXPECT_EQ(ReadLanguageSetting(), kLanguageSlovak);  // missing: the system's
  EXPECT_TRUE(WriteLanguageSetting(kLanguageEnglish));
  EXPECT_EQ(ReadLanguageSetting(), kLanguageEnglish);
  EXPECT_TRUE(WriteLanguageSetting(-1));  // negative: the system's again
  EXPECT_EQ(ReadLanguageSetting(), kLanguageSlovak);
  SettingsStore::ResetGlobal();
}

}  // namespace
}  // namespace kvn
