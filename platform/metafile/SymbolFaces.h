// Text in the Symbol and Wingdings faces where no such font is installed.
//
// Those faces draw their pictograms at the codes of plain letters (0x20 to
// 0xFF, or 0xF020 to 0xF0FF in UTF-16 records). A font that stands in for
// them draws letters instead, so the codes are turned into the Unicode
// characters of the pictograms (Greek letters and mathematical signs for
// Symbol, dingbats, arrows and shapes for Wingdings) and drawn with a face
// that has them: OpenSymbol (Debian fonts-opensymbol), found through
// fontconfig like any face. A code without a Unicode counterpart in the
// Basic Multilingual Plane is drawn as the nearest such shape (a white
// square where there is none).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi/GdiObjects.h"

namespace kvn {

enum class SymbolFace : std::uint8_t { kNone, kSymbol, kWingdings };

// The face a font name asks for (ASCII case ignored).
SymbolFace SymbolFaceOf(const LogFont& font);

// The Unicode character of a code of the face; `code` is the record's
// character (a byte, or a UTF-16 unit).
char16_t SymbolFaceChar(SymbolFace face, std::uint32_t code);

// The font the converted text is drawn with: the same font on the
// stand-in face.
LogFont SymbolStandIn(const LogFont& font);

inline constexpr char16_t kSymbolStandInFace[] = u"OpenSymbol";

}  // namespace kvn
