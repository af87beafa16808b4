// The language of the user interface: the process-wide language index, the
// language tables, the text tokens that name their entries, and the cached
// loader of translated string resources.
//
// Every visible text is written with language tokens:
//   '~', four identifier characters 0-9/A-F (the table line, FFFF for none),
//   one flag character 0-9/A-F, the default text (no '~'), '~'.
// TranslateText replaces each token by line `id` of the current table, or
// by its default when that line is missing or empty. With flag '0' the first
// '&' of the line is removed; any other flag keeps the '&' marks and tells
// the caller to send the text through the accelerator assignment (Mnemonics.h).
//
// One GUI thread uses all of this; nothing is locked.
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

inline constexpr int kLanguageCzech = 0;
inline constexpr int kLanguageSlovak = 1;
inline constexpr int kLanguageEnglish = 2;
// Language table of index i: LangTable resource kLangTableResourceBase + i.
inline constexpr int kLangTableResourceBase = 30000;

// Windows language ids, kept because they travel with message boxes and
// error texts as they did: 1024 is "the user's default language".
inline constexpr std::uint16_t kLangIdUserDefault = 1024;
inline constexpr std::uint16_t kLangIdCzech = 1029;
inline constexpr std::uint16_t kLangIdEnglishUs = 1033;
inline constexpr std::uint16_t kLangIdSlovak = 1051;

// The current language index (0 Czech, 1 Slovak, 2 English); Czech until set.
int GetLanguageIndex();
// Only sets the index: the language commands then call InvalidateLangTable,
// rebuild their menus and store the index with WriteLanguageSetting.
void SetLanguageIndex(int index);

// The settings value "Language" (DWORD under the program's key): the stored
// index, or GetDefaultLanguageIndex when it is missing or negative.
int ReadLanguageSetting();
bool WriteLanguageSetting(int index);

// Line `id` of the current table (wide, 0-terminated), or null when id < 1
// or beyond the table. Loads the table on first use after start or after
// InvalidateLangTable. The pointer dies with the next language change.
const char16_t* GetLangTableLine(int id);
// The number of valid ids of the current table (loads it like GetLangTableLine).
int GetLangTableLineCount();
// The next look-up reloads the table of the then current language.
void InvalidateLangTable();

// Translates every token of `text` in place. True when at least one token was
// found and the translation applied; false leaves the text unchanged (no
// token, a token with an empty default, or a token left open). `keepsMnemonic`
// (optional) is set to false on entry and becomes true as soon as a token with
// a flag other than '0' is read, even when the call then returns false.
bool TranslateText(WString& text, bool* keepsMnemonic = nullptr);

// The string resource `id`, translated, cached per language. Ids are 16-bit
// signed: an id whose 16-bit value is negative (32768 and above), and a
// missing resource, give the empty string.
WString LoadLangString(int id);

// The Windows language id of the current language index: 1029, 1051 or 1033,
// or 1024 (the user's default) when the system lacks that language.
std::uint16_t GetUILanguageId();

// The index that matches the system's language (LC_ALL, LC_MESSAGES or LANG):
// Czech 0, Slovak 1, anything else 2.
int GetDefaultLanguageIndex();

namespace lang_testing {
// Whether the system has the language of a Windows language id; the default
// asks the C library for a locale of that language.
using LocaleProbe = bool (*)(std::uint16_t langId);
void SetLocaleProbe(LocaleProbe probe);  // null restores the default
// Empties the string cache, so that tests can swap the string table.
void ClearLangStringCache();
}  // namespace lang_testing

}  // namespace kvn
