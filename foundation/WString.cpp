#include "foundation/WString.h"

#include "foundation/UnicodeCase.h"

namespace kvn {

char16_t WString::UpperUnit(char16_t c) {
  char16_t u = UpperCaseW(c);
  return u ? u : c;
}

// --- construct ------------------------------------------------------------------------

WString::WString(std::u16string_view buffer) {
  if (!buffer.empty()) {
    std::uint32_t n = CheckedLength(buffer.size());
    rep_ = MakeRep(buffer.data(), n, nullptr, 0, n);
  }
}

WString::WString(int codePage, const char* cstr) { AssignCodePageCStr(codePage, cstr); }

WString::WString(int codePage, const AString& text) { AssignCodePageAString(codePage, text); }

// --- compare ---------------------------------------------------------------------------------

namespace {
// Sort key of the accent-blind comparison: the ASCII look-alike of the upper
// case in the high half (so accented letters sort with their base letter),
// the upper case itself in the low half (so they sort after it).
std::uint32_t AccentKey(char16_t c) {
  char16_t u = UpperCaseW(c);
  if (!u) u = c;
  std::uint32_t f = u;
  if (u >= 128) {
    char folded = FoldToAsciiW(u);
    if (folded) f = std::uint8_t(folded);
  }
  return (f << 16) | u;
}

// At most n characters (no limit when n is negative), stopping at a 0 character.
int CompareAccentKeys(const char16_t* a, const char16_t* b, std::int64_t n) {
  static constexpr char16_t kEmpty[1] = {0};
  if (!a) a = kEmpty;
  if (!b) b = kEmpty;
  for (std::int64_t i = 0; n < 0 || i < n; ++i) {
    std::uint32_t ka = AccentKey(a[i]), kb = AccentKey(b[i]);
    if (ka != kb) return ka < kb ? -1 : 1;
    if (a[i] == 0) break;
  }
  return 0;
}
}  // namespace

int WString::CompareNoCaseN(const char16_t* other, int n) const {
  if (n == 0) return 0;
  return CompareAccentKeys(CStr(), other, n);
}

int CompareNoCaseAccentW(const char16_t* a, const char16_t* b) { return CompareAccentKeys(a, b, -1); }

char16_t AccentBlindUnit(char16_t c) { return char16_t(AccentKey(c) >> 16); }

bool EqualsAsciiNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

std::u16string AsciiUpperKey(std::u16string_view name) {
  std::u16string key(name);
  for (char16_t& c : key) c = AsciiUpper(c);
  return key;
}

// --- concatenate, arrays ---------------------------------------------------------------------

WString ConcatWStringCStr(const WString& a, const char16_t* b) { return WString::Concat(a, b); }

WString ConcatCStrWString(const char16_t* a, const WString& b) { return WString::Concat(a, b); }

WString GetStringArrayItem(const OwnedArray<WString>& array, int index) {
  if (index < 0) return WString();
  const WString* item = array.Get(std::uint32_t(index));
  return item ? *item : WString();
}

}  // namespace kvn
