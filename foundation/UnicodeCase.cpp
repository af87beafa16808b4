#include "foundation/UnicodeCase.h"

#include <algorithm>
#include <iterator>

namespace kvn {

namespace {
#include "foundation/UnicodeTables.inc"

constexpr char16_t kUpperFirst = 0x00E0;
constexpr char16_t kUpperLast = 0xFF5A;
constexpr char16_t kFoldFirst = 0x00A0;
constexpr char16_t kFoldLast = 0xFF5E;
}  // namespace

char16_t UpperCaseW(char16_t c) {
  if (c >= u'a' && c <= u'z') return char16_t(c - 32);
  if (c < kUpperFirst || c > kUpperLast) return 0;
  const CasePair* end = std::end(kUpperCasePairs);
  const CasePair* it = std::lower_bound(std::begin(kUpperCasePairs), end, c,
                                        [](const CasePair& p, char16_t v) { return p.lower < v; });
  return it != end && it->lower == c ? it->upper : 0;
}

char FoldToAsciiW(char16_t c) {
  if (c < kFoldFirst || c > kFoldLast) return 0;
  const FoldEntry* end = std::end(kFoldToAscii);
  const FoldEntry* it = std::lower_bound(std::begin(kFoldToAscii), end, c,
                                         [](const FoldEntry& e, char16_t v) { return e.wide < v; });
  return it != end && it->wide == c ? it->ascii : 0;
}

const CasePair* UpperCaseTable(std::size_t* count) {
  if (count) *count = std::size(kUpperCasePairs);
  return kUpperCasePairs;
}

const FoldEntry* FoldToAsciiTable(std::size_t* count) {
  if (count) *count = std::size(kFoldToAscii);
  return kFoldToAscii;
}

}  // namespace kvn
