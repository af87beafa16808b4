// Code pages: our own 128-entry tables for the common single-byte code pages,
// and glibc iconv for the rest (the ANSI code page, 0, is 1252 on this port).
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvn {

inline constexpr int kCodePageAnsi = 0;
inline constexpr int kCodePageUtf8 = 65001;
// Not a real code page: each byte is the code unit of the same value.
inline constexpr int kCodePageBytes = -1;

// The upper half (bytes 0x80..0xFF) of code page 850, 1250..1258, 28591 or
// 28592; null for any other. Bytes a code page leaves undefined map to the
// code unit of the same value.
const char16_t* GetCodePageTable(int codePage);

// c below 128 unchanged; otherwise 128 + its index in the code page's table;
// 0 when it is not there or the code page has no table.
std::uint8_t WideToCodePageByte(int codePage, char16_t c);

// The platform converters (iconv), shaped after the Win32 calls with flags 0
// and no default character given: a byte sequence that is not valid in the
// code page becomes U+FFFD, a character the code page cannot hold becomes '?'.
// Both write at most `capacity` units and return the count written; with a
// null dst they return the count needed. 0 when the code page is unknown to
// iconv, or when the output does not fit.
std::size_t MultiByteToWideChar(int codePage, const char* src, std::size_t count, char16_t* dst,
                                std::size_t capacity);
std::size_t WideCharToMultiByte(int codePage, const char16_t* src, std::size_t count, char* dst,
                                std::size_t capacity);

}  // namespace kvn
