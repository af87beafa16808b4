#include "foundation/LangTable.h"

#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>

#include "foundation/CodePages.h"
#include "foundation/Registry.h"
#include "foundation/Resources.h"

namespace kvn {

namespace {

// --- State -------------------------------------------------------------------

struct CacheEntry {
  WString text;
  std::int16_t id;
};

// The string cache: entries owned here, kept sorted by id.
class StringCache {
 public:
  ~StringCache() { Clear(); }
  std::uint32_t Count() const { return items_.Count(); }
  const CacheEntry& operator[](std::uint32_t i) const { return *items_[i]; }
  // Deletes the entries from the last to the first; the block stays.
  void Clear() {
    while (items_.Count() > 0) {
      std::uint32_t last = items_.Count() - 1;
      CacheEntry* entry = items_[last];
      items_.SetCount(last);
      delete entry;
    }
  }
  // Takes ownership and puts the entry at index `at`, moving the later ones up.
  void InsertAt(std::uint32_t at, CacheEntry* entry) {
    items_.Add(entry);
    for (std::uint32_t i = items_.Count() - 1; i > at; --i) items_[i] = items_[i - 1];
    items_[at] = entry;
  }

 private:
  GrowArray<CacheEntry*> items_{8};
};

struct LangState {
  int languageIndex = kLanguageCzech;
  // Element 0 is always the empty string, so element k is token id k.
  OwnedArray<WString> lines{8};
  bool loaded = false;
  // Sorted by id ascending; filled for cacheLanguage.
  StringCache cache;
  int cacheLanguage = -1;
  int langIdIndex = -1;
  std::uint16_t langId = 0;
  lang_testing::LocaleProbe probe = nullptr;
};

LangState& State() {
  static LangState state;
  return state;
}

bool IsUpperHex(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'); }

int HexValue(char16_t c) { return c <= u'9' ? c - u'0' : c - u'A' + 10; }

// --- Table load ----------------------------------------------------------------

// One entry: code page 1250 bytes, the two characters '\' 'n' turned into CR LF.
WString* DecodeEntry(std::span<const std::uint8_t> bytes) {
  const char16_t* high = GetCodePageTable(1250);
  auto* line = new WString;
  line->Reserve(std::int64_t(bytes.size()));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::uint8_t b = bytes[i];
    if (b == '\\' && i + 1 < bytes.size() && bytes[i + 1] == 'n') {
      line->AppendChar(u'\r');
      line->AppendChar(u'\n');
      ++i;
    } else {
      line->AppendChar(b < 0x80 || !high ? char16_t(b) : high[b - 0x80]);
    }
  }
  return line;
}

void LoadTable(LangState& s) {
  s.lines.Clear();
  // Loaded even when the resource is missing: every look-up then answers
  // null, and tokens give their defaults until the next language change.
  s.loaded = true;
  // The Windows program told the system its UI language here, so that system
  // dialogs spoke it too; the toolkit here takes no such hint.
  std::span<const std::uint8_t> table = FindResource(ResourceType::LangTable, kLangTableResourceBase + s.languageIndex);
  if (table.empty()) return;
  s.lines.Add(new WString);
  std::size_t start = 0;
  for (;;) {
    const void* lf = std::memchr(table.data() + start, '\n', table.size() - start);
    if (!lf) break;  // text after the last LF is no entry
    std::size_t end = std::size_t(static_cast<const std::uint8_t*>(lf) - table.data());
    std::size_t stop = end > start && table[end - 1] == '\r' ? end - 1 : end;
    s.lines.Add(DecodeEntry(table.subspan(start, stop - start)));
    start = end + 1;
  }
}

// --- Locales ---------------------------------------------------------------------

bool SystemHasLanguage(std::uint16_t langId) {
  // English needs no locale: the C locale speaks it.
  if (langId == kLangIdEnglishUs) return true;
  const char* const czech[] = {"cs_CZ.UTF-8", "cs_CZ.utf8", "cs_CZ", nullptr};
  const char* const slovak[] = {"sk_SK.UTF-8", "sk_SK.utf8", "sk_SK", nullptr};
  const char* const* names = langId == kLangIdCzech ? czech : langId == kLangIdSlovak ? slovak : nullptr;
  if (!names) return false;
  for (; *names; ++names) {
    if (locale_t loc = ::newlocale(LC_ALL_MASK, *names, locale_t(nullptr))) {
      ::freelocale(loc);
      return true;
    }
  }
  return false;
}

}  // namespace

// --- Language index and its setting ---------------------------------------------------

int GetLanguageIndex() { return State().languageIndex; }

void SetLanguageIndex(int index) { State().languageIndex = index; }

int ReadLanguageSetting() {
  RegReadKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
  std::uint8_t defaultUsed = 1;
  auto value = std::int32_t(key.GetDwordEx(WString(u"Language"), 0, defaultUsed));
  return defaultUsed || value < 0 ? GetDefaultLanguageIndex() : value;
}

bool WriteLanguageSetting(int index) {
  RegWriteKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
  return key.SetDword(WString(u"Language"), std::uint32_t(index));
}

// --- Table look-up ------------------------------------------------------------------------

const char16_t* GetLangTableLine(int id) {
  LangState& s = State();
  if (!s.loaded) LoadTable(s);
  if (id < 1 || std::uint32_t(id) >= s.lines.Count()) return nullptr;
  return s.lines[std::uint32_t(id)]->CStr();
}

int GetLangTableLineCount() {
  LangState& s = State();
  if (!s.loaded) LoadTable(s);
  return s.lines.Empty() ? 0 : int(s.lines.Count()) - 1;
}

void InvalidateLangTable() { State().loaded = false; }

// --- Tokens ------------------------------------------------------------------------------------

bool TranslateText(WString& text, bool* keepsMnemonic) {
  if (keepsMnemonic) *keepsMnemonic = false;
  WString output;
  WString fallback;
  bool inside = false;
  bool fallbackEmpty = true;
  bool tokenSeen = false;
  bool keepAmpersand = false;
  int id = 0;
  const int n = text.Length();
  for (int i = 0; i < n; ++i) {
    char16_t c = text[i];
    if (!inside) {
      if (c != u'~') {
        output.AppendChar(c);
        continue;
      }
      // Reading past the end gives 0, which is no hex digit: the check stops
      // at the text's end.
      int k = 1;
      while (k <= 5 && IsUpperHex(text[i + k])) ++k;
      if (k <= 5) {
        // Not a token: the '~' is dropped and the next character is taken as
        // it is, whatever it is.
        if (++i < n) output.AppendChar(text[i]);
        continue;
      }
      id = 0;
      for (int d = 1; d <= 4; ++d) id = id * 16 + HexValue(text[i + d]);
      if (id == 0xFFFF) id = 0;  // no entry has id 0
      keepAmpersand = text[i + 5] != u'0';
      if (keepAmpersand && keepsMnemonic) *keepsMnemonic = true;
      fallback.Clear();
      inside = true;
      fallbackEmpty = true;
      tokenSeen = true;
      i += 5;
      continue;
    }
    if (c != u'~') {
      fallback.AppendChar(c);
      fallbackEmpty = false;
      continue;
    }
    if (fallbackEmpty) return false;
    inside = false;
    const char16_t* line = GetLangTableLine(id);
    if (!line || !*line) {
      output.Append(fallback);
    } else if (keepAmpersand) {
      output.AppendCStr(line);
    } else {
      WString entry(line);
      int amp = entry.FindChar(u'&');
      if (amp >= 0) entry.Erase(amp, 1);
      output.Append(entry);
    }
  }
  if (inside || !tokenSeen) return false;
  text = output;
  return true;
}

// --- String cache -------------------------------------------------------------------------------

WString LoadLangString(int id) {
  LangState& s = State();
  if (s.cacheLanguage != s.languageIndex) {
    s.cache.Clear();
    s.cacheLanguage = s.languageIndex;
  }
  // Resource ids are 16 bits wide.
  auto key = std::int16_t(std::uint16_t(id));
  // Binary search for the first entry not below the key.
  std::uint32_t low = 0;
  std::uint32_t high = s.cache.Count();
  while (low < high) {
    std::uint32_t mid = (low + high) / 2;
    if (s.cache[mid].id < key) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  if (low < s.cache.Count() && s.cache[low].id == key) return s.cache[low].text;

  auto* entry = new CacheEntry{WString(), key};
  if (key >= 0) {
    std::string_view utf8 = FindStringResource(key);
    entry->text = WString::FromUtf8(utf8);
    TranslateText(entry->text);
  }
  s.cache.InsertAt(low, entry);
  return entry->text;
}

// --- Language ids ----------------------------------------------------------------------------------

std::uint16_t GetUILanguageId() {
  LangState& s = State();
  if (s.languageIndex == s.langIdIndex) return s.langId;
  s.langIdIndex = s.languageIndex;
  s.langId = s.languageIndex == kLanguageCzech    ? kLangIdCzech
             : s.languageIndex == kLanguageSlovak ? kLangIdSlovak
                                                  : kLangIdEnglishUs;
  bool installed = s.probe ? s.probe(s.langId) : SystemHasLanguage(s.langId);
  if (!installed) s.langId = kLangIdUserDefault;
  return s.langId;
}

int GetDefaultLanguageIndex() {
  // The POSIX order of precedence for the language of messages.
  const char* name = nullptr;
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(var);
    if (value && *value) {
      name = value;
      break;
    }
  }
  if (!name) return kLanguageEnglish;
  std::string_view lang(name);
  if (lang.substr(0, 2) == "cs" && (lang.size() == 2 || lang[2] == '_' || lang[2] == '.' || lang[2] == '@'))
    return kLanguageCzech;
  if (lang.substr(0, 2) == "sk" && (lang.size() == 2 || lang[2] == '_' || lang[2] == '.' || lang[2] == '@'))
    return kLanguageSlovak;
  return kLanguageEnglish;
}

namespace lang_testing {

void SetLocaleProbe(LocaleProbe probe) {
  LangState& s = State();
  s.probe = probe;
  s.langIdIndex = -1;  // work the id out again under the new probe
}

void ClearLangStringCache() {
  LangState& s = State();
  s.cache.Clear();
  s.cacheLanguage = -1;
}

}  // namespace lang_testing

}  // namespace kvn
