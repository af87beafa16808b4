// Case and ASCII look-alikes for UTF-16 code units, from tables generated out
// of the Unicode Character Database (tools/gen_unicode_tables.py).
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvn {

// Upper case of c, or 0 when there is no mapping (callers then keep c).
// a..z map directly; below U+00E0 and above U+FF5A nothing else maps.
char16_t UpperCaseW(char16_t c);

// ASCII look-alike of c (U+00A0..U+FF5E), or 0 when there is none.
char FoldToAsciiW(char16_t c);

// The tables, for tests and for code that walks them.
struct CasePair {
  char16_t lower;
  char16_t upper;
};
struct FoldEntry {
  char16_t wide;
  char ascii;
  char zero;
};
const CasePair* UpperCaseTable(std::size_t* count);
const FoldEntry* FoldToAsciiTable(std::size_t* count);

}  // namespace kvn
