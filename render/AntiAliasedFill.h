// The anti-aliased fill: closed path pieces (1/256 device pixel) and glyph
// contours (16.16 fixed point) rasterized with sub-pixel coverage into the
// raster surface, when the surface's anti-alias mode is not 0.
//
// Coordinates reach the rasterizer as 24.8 fixed point with half a pixel
// added (a 1/256 value v lies in pixel (v + 128) >> 8, while the rasterizer's
// pixel i spans [256 i, 256 i + 256)). A piece or contour with a coordinate
// of magnitude 0x0FFFFFFF or more cannot be held in 24.8 and is left out on
// its own; the rest of the fill is drawn. The rasterizer is clipped to the
// surface's clip rectangle, so nothing outside the surface reaches AGG's
// cells.
//
// The rasterizer and its scanline storage are process-wide (GUI thread only;
// a fill is not reentrant), and so is the cache of glyph outlines that
// FillGlyphRunsAntiAliased keeps per glyph, turn, scale and sub-pixel phase.
#pragma once

#include <cstdint>

#include "foundation/GrowArray.h"
#include "model/PathBuffer.h"
#include "platform/fonts/GlyphOutlineBuffer.h"
#include "platform/gdi/GdiTypes.h"

namespace kvn {

class cRasterSurface;
struct ClipRect;

// A glyph outline point as the fonts layer delivers it: 16.16 fixed point,
// y up.
struct GlyphPoint {
  std::int32_t x = 0, y = 0;
};
// The start point, then groups of three points (control, control, end) of
// cubic segments; a contour of fewer than 4 points has no segment.
using GlyphContour = GrowArray<GlyphPoint>;

// Where glyph points go. The origin is in 1/1024 device pixel; cosine and
// sine are 1024 x the font scale x cos/sin of the angle; stretch is the
// horizontal stretch x 1024. mirrorX negates x before the transform; y is
// negated (font y up, device y down) unless keepY is set.
struct GlyphTransform {
  std::int32_t originX = 0, originY = 0;
  std::int32_t cosine = 1024, sine = 0;
  std::int32_t stretch = 1024;
  std::uint8_t mirrorX = 0;
  std::uint8_t keepY = 0;
};

// A point in 1/256 device pixel, wide enough for any mapped glyph point.
struct AaPoint {
  std::int64_t x = 0, y = 0;
};

// u = (stretch x) >> 10; x' = (u cos - y sin + (originX << 16)) >> 18 and
// y' = (u sin + y cos + (originY << 16)) >> 18, arithmetic shifts, in 1/256
// device pixel. Products are taken in 128 bits and results saturate to
// +-2^62, so any input maps without overflow.
void MapGlyphPoint(AaPoint* out, const GlyphPoint& point, const GlyphTransform& transform);

// Fills the closed pieces (open ones and empty ones are passed over) and the
// glyph contours, even-odd, with `color` (0x00BBGGRR) at `alpha` (its low
// byte; -1 stands for 255). A clip rectangle, when given, cuts every piece
// and contour first. False only when the surface's anti-alias mode is 0 or
// above 3 (the caller then fills through the device context); true also
// when nothing was drawn, e.g. for pieces spanning less than half a pixel
// both ways.
bool FillAntiAliased(cRasterSurface& surface, const OwnedArray<GlyphContour>* contours,
                     const GlyphTransform* transform, SegmentArray* const* pieces, std::uint32_t pieceCount,
                     const ClipRect* clip, COLORREF color, int alpha);

// FillAntiAliased of glyph contours alone, read straight from the fonts
// layer's runs (a glyph's cached outline) instead of copies: runs of fewer
// than 4 points are passed over. The same pixels as FillAntiAliased with
// every usable run copied into a GlyphContour.
bool FillGlyphRunsAntiAliased(cRasterSurface& surface, const GlyphRuns& runs, const GlyphTransform& transform,
                              const ClipRect* clip, COLORREF color, int alpha);

// An opaque circle: four cubic quarter arcs with their control points at
// 141/256 of the radius from the axis points. Centre and radius in device
// pixels. False when FillAntiAliased answers false, or when the centre or
// radius is not finite or beyond 2^19 pixels (nothing is drawn).
bool FillCircleAntiAliased(cRasterSurface& surface, double centreX, double centreY, double radius, COLORREF color);

}  // namespace kvn
