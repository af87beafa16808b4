// A picture rotated, scaled and sheared into the raster surface by
// nearest-neighbour sampling (pictures placed in a drawing).
//
// Placement: three device points (pixels, doubles) where the top-left,
// top-right and bottom-left corners of the picture's image land; the fourth
// corner completes the parallelogram. Source pixel (i, j) covers
// [i, i + 1) x [j, j + 1) of the picture, row 0 at the top whatever the
// picture's row order.
//
// Walk: every surface pixel of the destination's bounding box inside the
// clip takes the source pixel under its centre. The inverse mapping is
// stepped along each row in 16.16 fixed point held in 64-bit integers (a
// 32-bit 16.16 value ends at column 32,767; pictures are wider than that).
// Each row starts from the exact double value, so the rounding of the step
// (at most 2^-17 of a source pixel per step) never builds up across rows.
//
// Coverage: with a mask (one byte per source pixel, rows top down, no
// padding; exactly width x height bytes) each pixel is blended at its byte,
// 0 leaving the surface alone; without one the picture is opaque. Opaque
// pixels (coverage 255) are stored, not blended: the surface's blend at
// 255 is (c + 255 s) / 256, which would turn white over black into 254.
//
// Transparent colour: a COLORREF 0x00BBGGRR, or any negative value for
// none. Source pixels whose weighted colour distance to it lies below
// round(tolerance^2 x 58.497) are left out, and an exact match is always
// left out (so tolerance 0 means "this colour only"). See the .cpp for the
// distance.
//
// Nothing is drawn for an empty or compressed (RLE) picture, a placement
// with a non-finite coordinate or a zero area, a mask of the wrong size, or
// a destination that misses the clip. Reads and writes never leave the
// picture, the mask or the clip.
#pragma once

#include <cstdint>
#include <span>

#include "foundation/DPoint.h"

namespace kvn {

class cRasterSurface;
class TDib;

struct RotatedBitmapCorners {
  DPoint topLeft;
  DPoint topRight;
  DPoint bottomLeft;
};

inline constexpr std::int32_t kNoTransparentColor = -1;

// The squared-distance threshold of a tolerance: round(tolerance^2 x
// 58.497), 0 for a tolerance that is not a positive number. 58.497 is the
// largest distance (white to black, 584,971) over 100^2, so the tolerance
// is a percentage of the largest distance, squared.
std::int64_t TransparentThreshold(double tolerance);

// The red-mean distance between two colours 0x00RRGGBB, times 512 (exact in
// integers; see the .cpp).
std::int64_t ColorDistance512(std::uint32_t rgb1, std::uint32_t rgb2);

void DrawRotatedBitmap(cRasterSurface& surface, const RotatedBitmapCorners& corners, const TDib& picture,
                       std::span<const std::uint8_t> mask, std::int32_t transparentColor, double tolerance);

}  // namespace kvn
