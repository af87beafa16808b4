// The device-dependent bitmaps of Windows metafiles (Bitmap16) as DIBs.
//
// A Bitmap16 is {type, width, height, width bytes, planes, bits per pixel}
// (10 bytes) with its rows top-down, each padded to 16 bits. Its colours
// are those of the device that recorded it; a picture read here gets the
// colours every display of that time started with:
//   1 bit      0 black, 1 white;
//   4 bits     the 16 colours of the default VGA palette, packed (one plane
//              of 4 bits) or in four planes of 1 bit, row by row;
//   8 bits     the default system palette: its 20 static colours at indexes
//              0-9 and 246-255, and between them the 6 x 6 x 6 colour cube
//              followed by 20 greys (the halftone colours);
//   16 bits    5-5-5 RGB;
//   24, 32     blue, green, red (and a byte not used).
#pragma once

#include <cstdint>

#include "platform/gdi/TDib.h"

namespace kvn {

// The Bitmap16 header at p[0..n), its rows at `bitsAt`. False when the
// header is not one of the kinds above or the rows do not fit.
bool Bitmap16ToDib(const std::uint8_t* p, std::uint64_t n, std::uint32_t bitsAt, TDib* dib);

// Colour `index` of the default 4- and 8-bit palettes above, as 0x00RRGGBB.
std::uint32_t DefaultPaletteColor(std::uint32_t bitCount, std::uint32_t index);

}  // namespace kvn
