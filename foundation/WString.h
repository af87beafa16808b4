// WString: the program's text type, UTF-16 in char16_t, passed by value.
//
// The representation, editing, parts and searches are RepString's, as for
// AString (copy on write, one static empty representation, int positions, a
// negative count for "to the end"). What is WString's own: the case rule
// (a..z directly, other letters through UpperCaseW), the accent-blind
// comparison, code pages and UTF-8, and the text-file reader.
//
// Code pages: -1 means "bytes are code units", 0 the ANSI code page (1252 on
// this port), 65001 UTF-8; 850, 1250..1258, 28591 and 28592 use our own tables,
// the rest go through iconv (see CodePages.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/AString.h"
#include "foundation/GrowArray.h"
#include "foundation/RepString.h"

namespace kvn {

class InFileStream;

class WString : public RepString<WString, char16_t> {
 public:
  using RepString::RepString;
  using RepString::operator=;
  using RepString::PrependChar;
  using RepString::Equals;
  // First code unit at or after start that is not in the set.
  using RepString::FindFirstNotOf;

  WString() noexcept = default;
  // Buffer substring: exactly the code units of the view (zeros included).
  explicit WString(std::u16string_view buffer);
  // Text in a code page, through AssignBytes (null gives the empty string).
  WString(int codePage, const char* cstr);
  WString(int codePage, const AString& text);

  // UTF-8 from the outside world (file names, environment, toolkit), by the
  // same decoder as AssignUtf8.
  static WString FromUtf8(std::string_view utf8);
  // Surrogate pairs are combined; a lone surrogate becomes U+FFFD.
  std::string ToUtf8() const;

  // --- compare --------------------------------------------------------------------
  // Accent-blind, case-blind comparison of at most n characters (-1, 0, 1),
  // stopping at a 0 character; n = 0 gives 0, a negative n sets no limit.
  // A null `other` counts as empty.
  int CompareNoCaseN(const char16_t* other, int n) const;

  // --- code pages -------------------------------------------------------------------
  WString& AssignBytes(int codePage, const char* bytes, int count);
  // Our own decoder alone; malformed sequences give U+FFFD.
  WString& AssignUtf8(const char* bytes, int count);
  WString& AssignCodePageCStr(int codePage, const char* cstr);
  WString& AssignCodePageAString(int codePage, const AString& text);
  // Code page -1: the low byte of each code unit (a 0 byte becomes '?').
  AString& ToAString(AString& out, int codePage) const;
  // Below 128 kept, the rest '?'.
  AString& ToAscii(AString& out) const;
  // Below 128 kept, the rest their ASCII look-alike or '?'.
  AString& FoldToAString(AString& out) const;

  // --- reading from a file stream (body lives with the streams) ----------------------
  WString& ReadTextFile(InFileStream& stream);

 private:
  friend class RepString<WString, char16_t>;
  // The case rule of MakeUpper and of the case-blind searches: UpperCaseW,
  // keeping a unit it has no upper case for.
  static char16_t UpperUnit(char16_t c);

  friend WString ConcatWStringCStr(const WString& a, const char16_t* b);
  friend WString ConcatCStrWString(const char16_t* a, const WString& b);
};

// Compiled once, in RepString.cpp.
extern template class RepString<WString, char16_t>;

// New string sized to the sum; a null C string counts as empty.
WString ConcatWStringCStr(const WString& a, const char16_t* b);
WString ConcatCStrWString(const char16_t* a, const WString& b);

// Whole 0-terminated strings, accent-blind and case-blind (-1, 0, 1); null counts as empty.
int CompareNoCaseAccentW(const char16_t* a, const char16_t* b);

// The unit a name compared without case and accents is keyed by: the ASCII
// look-alike of its upper case, or the upper case itself when it has none
// (the half of CompareNoCaseAccentW's key that it sorts by first). Names
// that compare equal there have equal keys, and so have names that differ
// only in accents (CISLO, \u010C\u00CDSLO, \u010D\u00EDslo), which it
// only sorts apart.
char16_t AccentBlindUnit(char16_t c);

// Equal when they differ only in the case of ASCII letters (file-format
// names and keys, which other letters never fold in).
bool EqualsAsciiNoCase(std::u16string_view a, std::u16string_view b);

// An ASCII letter in upper case; every other character as it is.
inline char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }

// The key a case-blind table of such names is looked up by.
std::u16string AsciiUpperKey(std::u16string_view name);

// The string at index, or the empty string when the index is out of range
// (or the slot is null).
WString GetStringArrayItem(const OwnedArray<WString>& array, int index);

}  // namespace kvn
