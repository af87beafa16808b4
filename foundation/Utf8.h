// UTF-16 surrogate tests and the UTF-8 and UTF-16 encoders shared by the
// string conversions, the settings file and the metafile text runs.
#pragma once

#include <string>

namespace kvn {

inline bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
inline char32_t CombineSurrogates(char32_t high, char32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// Appends one code point (at most U+10FFFF) in UTF-8.
inline void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

// Appends one code point (at most U+10FFFF) in UTF-16, as a surrogate pair
// beyond the Basic Multilingual Plane; `out` is any container of char16_t.
// Gives the number of units appended.
template <class Units>
int AppendUtf16(Units& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(char16_t(cp));
    return 1;
  }
  cp -= 0x10000;
  out.push_back(char16_t(0xD800 + (cp >> 10)));
  out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
  return 2;
}

}  // namespace kvn
