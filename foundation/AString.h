// AString: 8-bit text in a code page (1250 in the language tables and old
// native files, the ANSI code page elsewhere), passed by value everywhere.
//
// The representation, editing, parts and searches are RepString's (copy on
// write, one static empty representation, int positions, -1 for "to the
// end"); what is AString's own: the case rule (ASCII letters only, since a
// code page gives a byte no case of its own), the searches that report the
// needle's length, and the line and file readers.
#pragma once

#include <cstdint>

#include "foundation/RepString.h"

namespace kvn {

class InFileStream;

class AString : public RepString<AString, char> {
 public:
  using RepString::RepString;
  using RepString::operator=;
  // Last character before `before` that is not in the set; a negative
  // `before` means the end.
  using RepString::FindLastNotOf;

  // --- case (ASCII letters only) -----------------------------------------------------
  // Returns the length.
  int MakeLower();
  AString UpperCopy() const;

  // --- search (index or -1) -------------------------------------------------------
  // Case-sensitive; *needleLength receives the needle's length when not null.
  int FindCStrAt(const char* needle, int start, int* needleLength) const;
  int ReverseFindCStrAt(const char* needle, int start, int* needleLength) const;

  // --- reading from a file stream (bodies live with the streams) --------------------
  // Reads up to the stop byte (taken, not stored), at most max bytes when max > 0.
  AString& ReadLineFrom(InFileStream& stream, int stopByte, std::int64_t max);
  AString& ReadUntil(InFileStream& stream, int stopByte, std::int64_t max);
  AString& ReadTextLine(InFileStream& stream, std::int64_t max);
  // Returns the count of bytes read, or -1 on failure.
  std::int64_t ReadWholeFile(InFileStream& stream);

 private:
  friend class RepString<AString, char>;
  // The case rule of MakeUpper and of the case-blind searches.
  static char UpperUnit(char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; }

  friend AString ConcatAStringCStr(const AString& a, const char* b);
  friend AString ConcatCStrAString(const char* a, const AString& b);
};

// Compiled once, in RepString.cpp.
extern template class RepString<AString, char>;

// New string sized to the sum; a null C string counts as empty.
AString ConcatAStringCStr(const AString& a, const char* b);
AString ConcatCStrAString(const char* a, const AString& b);

}  // namespace kvn
