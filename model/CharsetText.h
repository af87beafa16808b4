// Text bytes stored with a Windows character set (LOGFONT lfCharSet), as old
// records and imported fonts carry them, decoded to UTF-16.
#pragma once

#include <cstdint>
#include <string_view>

#include "foundation/WString.h"

namespace kvn {

// The code page of a character set: 0 -> 1252, 161 -> 1253, 162 -> 1254,
// 177 -> 1255, 178 -> 1256, 186 -> 1257, 204 -> 1251, 238 -> 1250. The
// symbol set (2) with a face name containing "Symbol" or "Dings" keeps each
// byte as its code unit (-1); it and every other set otherwise use the ANSI
// code page (0).
int CharsetToCodePageNumber(std::uint8_t charset, const WString& faceName);

// Decodes the bytes up to the first zero byte (or the end of the view) in the
// code page of the character set.
void CharsetToCodePage(WString& out, std::string_view bytes, std::uint8_t charset, const WString& faceName);

}  // namespace kvn
