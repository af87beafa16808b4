// The anti-aliased fill's shortcut for a piece that is an axis-parallel
// rectangle: the coverage AGG's cells would give, worked out per row and
// column instead of through cells, sort and sweep. Only the anti-aliased
// fill and its tests include this header.
//
// For a rectangle, AGG's accumulated area of a pixel is 2 wx wy, signed by
// the direction of the rectangle's left edge (down is positive), where wx
// and wy are the rectangle's overlap with the pixel in 1/256 units; the
// pixel's coverage is that value put through the rasterizer's own
// calculate_alpha steps (arithmetic shift, magnitude, even-odd fold, clamp,
// gamma table). The result is the same pixel for pixel, which the tests pin
// against the general road on random rectangles.
#pragma once

#include <cstdint>

#include "model/PathBuffer.h"
#include "platform/gdi/GdiTypes.h"
#include "render/AntiAliasedRaster.h"

namespace kvn {

// Corners in 1/256 device pixel as the piece gives them (x0 < x1, y0 < y1),
// and +1 when the left edge runs down the device (y growing), else -1.
struct AaRectangle {
  std::int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  int sign = 1;
};

// True when the closed piece is made of straight segments only and its
// points, with repeats dropped, are the four corners of an axis-parallel
// rectangle of non-zero width and height, each edge horizontal or vertical.
bool FindAxisRectangle(const SegmentArray& piece, AaRectangle* out);

// Fills the rectangle with the renderer's colour as the rasterizer (clip box
// `box`, its gamma and the even-odd rule) and RenderScanlines would.
void RenderAxisRectangle(const AaRectangle& rect, const TRect& box, const AaRasterizer& rasterizer,
                         const SpanRenderer& renderer);

// On by default; the tests turn it off to compare with the general road.
void SetAxisRectangleShortcut(bool on);
bool AxisRectangleShortcut();

}  // namespace kvn
