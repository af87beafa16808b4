// Thick integer lines and round dots on a raster surface: hard-edged shapes
// of whole pixels, without anti-aliasing, from which the surface's wide
// polylines are built.
//
// Input is in 1/256 device pixel; a value v lies in pixel (v + 128) >> 8, so
// pixel i covers [256 i - 128, 256 i + 128) and its centre is 256 i. A shape
// is filled in runs of whole pixels through the surface's box fill (clipped
// to its clip rectangle). A run goes from the pixel of its start to the pixel
// of its end, both included, the rounding that makes an axis-parallel line of
// width w span w / 256 + 1 pixels across ("both rounded edges included").
#pragma once

#include <cstdint>

#include "platform/gdi/GdiTypes.h"

namespace kvn {

class cRasterSurface;

// Deltas beyond 2^28 units (2^20 pixels) are refused by the band routine.
inline constexpr std::int64_t kMaxThickLineDelta = std::int64_t(1) << 28;

bool IsDrawableDelta(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1);

// A band of width `width` (1/256 pixel) around the segment, cut square at
// both ends, filled with the pixel value. `normal` (optional) receives the
// half-width normal: the left-hand perpendicular of length width / 2,
// (-dy w / D, dx w / D) with D = isqrt(4 (dx^2 + dy^2)).
//  - x0 == x1, y0 != y1: one rectangle, columns (x0 - h + 128) >> 8 to
//    (x0 - h + w + 128) >> 8 and rows of min(y) to max(y) (h = w >> 1).
//  - y0 == y1 (a zero-length segment too): the same, turned.
//  - otherwise the band row by row along the major axis (y when |dx| < |dy|):
//    each row (or column) where the band meets the pixel centre line is one
//    run. False, and the normal (0, 0), when |dx| or |dy| exceeds 2^28, or
//    when `refuseShort` is set and the segment is shorter than its width.
// A negative width draws nothing.
bool DrawThickLineInt(cRasterSurface& surface, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                      std::uint32_t value, std::int32_t width, bool refuseShort, TPoint* normal);

// A filled disc of radius r = width >> 9 pixels around the pixel of (x, y):
// the pixels (i, j) from the centre with i^2 + j^2 <= r^2 + r, which is what
// the midpoint circle walk bounds. Nothing below width 512.
void DrawDotInt(cRasterSurface& surface, std::int32_t x, std::int32_t y, std::int32_t width, std::uint32_t value);

// low < value and value + 1 < high.
constexpr bool IsStrictlyBetween(std::int32_t value, std::int32_t low, std::int32_t high) {
  return low < value && std::int64_t(value) + 1 < high;
}

// Closes the outer gap where two bands of equal width meet at vertex (vx, vy):
// the rectangle spanned by their offset ends, vertex +- each half-width
// normal. It lies within the round dot of the vertex, so that a polyline
// without dots gets bevelled joints.
void FillJoint(cRasterSurface& surface, std::int32_t vx, std::int32_t vy, TPoint normalA, TPoint normalB,
               std::uint32_t value);

}  // namespace kvn
