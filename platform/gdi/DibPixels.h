// A packed DIB unpacked into a 32-bit pixel block (B, G, R, 255; rows top
// down), the form the blits of a device context take.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace kvn {

class TDib;

// Every uncompressed picture (1, 4, 8, 16, 24 and 32 bits, bit fields
// included) whatever its row order. False for compressed or empty pictures
// and for pictures wider or taller than a pixel block may be (32767).
bool DibToPixels(const TDib& dib, std::vector<std::uint32_t>* pixels, PixelView* view);
// Only the part (top-down pixel rectangle, cut to the picture) of it, so that
// a blit of a small piece of a large picture unpacks only that piece; false
// as above or when nothing of the part lies inside.
bool DibToPixels(const TDib& dib, const TRect& part, std::vector<std::uint32_t>* pixels, PixelView* view);

}  // namespace kvn
