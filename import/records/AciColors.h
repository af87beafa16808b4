// Colours of CAD imports: colour index (ACI) and true colour to COLORREF
// (0x00BBGGRR), and the reserved markers the styling resolves later.
#pragma once

#include <cstdint>

namespace kvn {

inline constexpr std::uint32_t kColorByLayer = 0x48000000;
inline constexpr std::uint32_t kColorByBlock = 0x88000000;

struct AciRgb {
  std::uint8_t r, g, b;
};

// Entry 0..255 of the colour-index palette.
AciRgb AciPaletteEntry(int index);

// In this order: index 7 gives black; index 0 and 256..65534 give 0; a true
// colour (0x00RRGGBB) other than -1 gives itself with red and blue exchanged;
// 255 and 65535 give black; 1..254 the palette. So both whites of the palette
// print as black unless 255 carries a true colour.
std::uint32_t AciToRgb(std::uint16_t index, std::int32_t trueColor);

// The colour of an entity from its index (256 when absent) and true colour
// (-1 when absent): by block for 0, by layer for 256, else AciToRgb.
std::uint32_t EntityColor(std::uint16_t index, std::int32_t trueColor);

// The colour word of MLEADER parts (texts, block content): the high byte
// says how it is given: 0xC0 by layer, 0xC1 by block, 0xC2 a true colour,
// 0xC3 a colour index; anything else by layer.
std::uint32_t MLeaderColor(std::int32_t value);

}  // namespace kvn
