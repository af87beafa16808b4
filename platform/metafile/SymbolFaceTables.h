// The Unicode characters of the dingbat faces' codes (SymbolFaces.h).
#pragma once

#include <array>

#include "platform/metafile/SymbolFaces.h"

namespace kvn {

// Codes 0x20..0xFF of one face.
using SymbolFaceTable = std::array<char32_t, 224>;

// A code the face draws nothing at: the white square a font's missing glyph
// shows.
inline constexpr char32_t kUndefined = 0x25A1;

// The table of Wingdings, Wingdings 2, Wingdings 3 or Webdings; null for
// the other faces.
const SymbolFaceTable* DingbatTable(SymbolFace face);

}  // namespace kvn
