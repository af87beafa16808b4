// Dashed axis-parallel lines on a raster surface (the drawing window's tile
// lines).
//
// The line covers |length| pixels from (x, y) along its axis: [x, x + length)
// for a positive length, (x + length, x] for a negative one, as the
// surface's HorizontalLine and VerticalLine; it is limited to the clip
// rectangle, and nothing is drawn when the fixed coordinate lies outside it.
//
// The dash list holds signed lengths in pixels: a positive entry is drawn, a
// negative one is a gap, 0 is nothing. The pattern is anchored to the
// coordinate, not to the line's start: pixel p (its coordinate along the
// axis) is drawn when (p - phase) modulo the period (the sum of the absolute
// entries) falls into a positive entry, counting from 0 in list order. So
// dashes of parallel lines line up, and {3, -2} with phase 0 draws pixels 0,
// 1, 2, 5, 6, 7, 10 ... A period of 0 (or an empty list) draws nothing. The
// colour is stored as a pixel value, not blended.
#pragma once

#include <cstdint>

#include "platform/gdi/GdiTypes.h"

namespace kvn {

class cRasterSurface;

void DrawDashedHLine(cRasterSurface& surface, std::int32_t x, std::int32_t y, std::int32_t length, COLORREF color,
                     const std::int32_t* dashes, std::uint32_t dashCount, std::int32_t phase);
void DrawDashedVLine(cRasterSurface& surface, std::int32_t x, std::int32_t y, std::int32_t length, COLORREF color,
                     const std::int32_t* dashes, std::uint32_t dashCount, std::int32_t phase);

}  // namespace kvn
