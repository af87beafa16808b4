#include "foundation/AString.h"

#include <cstring>

namespace kvn {

namespace {
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }
}  // namespace

int AString::MakeLower() {
  MapUnits(&AsciiLower);
  return Length();
}

AString AString::UpperCopy() const {
  AString copy(*this);
  copy.MakeUpper();
  return copy;
}

int AString::FindCStrAt(const char* needle, int start, int* needleLength) const {
  if (needleLength) *needleLength = needle ? int(CheckedLength(std::strlen(needle))) : 0;
  return FindEx(needle, start, true);
}

int AString::ReverseFindCStrAt(const char* needle, int start, int* needleLength) const {
  if (needleLength) *needleLength = needle ? int(CheckedLength(std::strlen(needle))) : 0;
  return ReverseFindEx(needle, start, true);
}

AString ConcatAStringCStr(const AString& a, const char* b) { return AString::Concat(a, b); }

AString ConcatCStrAString(const char* a, const AString& b) { return AString::Concat(a, b); }

}  // namespace kvn
