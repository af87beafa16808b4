// UTF-16 surrogate tests, the UTF-8 and UTF-16 encoders and the UTF-8
// piece reader shared by the string conversions, the settings file, the
// metafile text runs and the tools' JSON.
#pragma once

#include <cstddef>
#include <cstdint>
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

// One piece of UTF-8 at the start of s[0, n), n > 0: a well-formed sequence
// and its code point, or a malformed piece, which never takes the byte that
// ended it: a lead byte with the continuation bytes it has (truncated, or
// followed by a byte that cannot continue it), a stray continuation byte,
// the bytes C0, C1 and F5..FF, overlong forms, encoded surrogates and code
// points above U+10FFFF.
struct Utf8Piece {
  std::uint32_t length = 1;
  char32_t cp = 0;
  bool valid = false;
};

inline Utf8Piece NextUtf8Piece(const std::uint8_t* s, std::size_t n) {
  const std::uint8_t b = s[0];
  if (b < 0x80) return Utf8Piece{1, b, true};
  std::uint32_t need;
  char32_t cp;
  // The allowed range of the first continuation byte excludes overlong
  // forms (E0, F0), surrogates (ED) and values past U+10FFFF (F4).
  std::uint8_t lower = 0x80, upper = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    need = 1;
    cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 2;
    cp = b & 0x0F;
    if (b == 0xE0) lower = 0xA0;
    if (b == 0xED) upper = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3;
    cp = b & 0x07;
    if (b == 0xF0) lower = 0x90;
    if (b == 0xF4) upper = 0x8F;
  } else {
    return Utf8Piece{};
  }
  for (std::uint32_t j = 1; j <= need; ++j) {
    if (j >= n || s[j] < lower || s[j] > upper) return Utf8Piece{j, 0, false};
    cp = (cp << 6) | (s[j] & 0x3F);
    lower = 0x80;
    upper = 0xBF;
  }
  return Utf8Piece{need + 1, cp, true};
}

}  // namespace kvn
