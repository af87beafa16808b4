// The pixel rules of printed raster bands: grey and black-and-white
// reduction, colour collection with a limit, palettes padded to 2, 16 or
// 256 entries and indexed copies of a band. Colours are COLORREF 0x00BBGGRR.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/TDib.h"

namespace kvn {

class OctreeQuantizer;

// What the pixel pass found in a 24-bit band.
struct BandScan {
  bool allWhite = true;
  // The distinct colours in order of first appearance; `overflow` once
  // there were more than the limit (the list is then incomplete).
  std::vector<std::uint32_t> colors;
  bool overflow = false;
};

// Grey of a pixel: MulDiv(max + min, 255, 510). Black and white: black when
// MulDiv(max + min, 1, 510) is 0, else white.
std::uint8_t BandGrey(std::uint8_t r, std::uint8_t g, std::uint8_t b);
bool BandWhite(std::uint8_t r, std::uint8_t g, std::uint8_t b);

// The pixel pass over a 24-bit band: with `monochrome` every pixel becomes
// its grey (bits 8) or black or white (bits 1); each pixel is added to the
// octree when given; colours are collected up to `limit` (for a 24-bit band
// the collection stops once past it).
BandScan ScanBand(TDib& band, int bits, bool monochrome, std::uint32_t limit, OctreeQuantizer* octree);

// The palette padded with black to 2 (at most 2 colours), 16 (at most 16)
// or 256 entries.
std::vector<std::uint32_t> PadPalette(std::vector<std::uint32_t> palette);

// An indexed copy of a 24-bit band whose every colour is in `palette` (2,
// 16 or 256 entries); null when the palette has another size.
std::unique_ptr<TDib> IndexBand(const TDib& band, const std::vector<std::uint32_t>& palette);

}  // namespace kvn
