// Styled primitive output: where a stroked outline leaves the renderer.
//
// Stage: clip -> device. The pieces of the path buffer (cubic segments in
// 1/256 device pixel) are cut at the clip rectangle (render/CurveClip.h) and
// every surviving part is drawn one of four ways:
//   - one straight segment: MoveTo + LineTo;
//   - otherwise, without dashing in software: one PolyDraw call (the device
//     flattens the curves; a dashed pen may dash it);
//   - polyline mode: flattened here (FlattenCubicInt, a quarter pixel),
//     dashed by the software dash walk with pattern symbols at entry starts,
//     and drawn as Polyline calls in whole pixels;
//   - without a device context, onto the raster surface as polylines in
//     1/256 pixel.
// With neither target the call is a visibility test: the answer says whether
// any part survived the clip.
//
// Coordinate limit: the clip rectangle is clamped to +-32767 pixels before
// use (16-bit device coordinates of GDI-style targets and metafiles), or to
// +-524287 pixels when the pen dashes or the caller allows wide coordinates
// (printers, metafiles at high resolution): 524287 x 256 still fits 2^27,
// so the dash walk's 64-bit products never overflow.
//
// Process-wide scratch arrays are reused from call to call (GUI thread only,
// not reentrant).
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/DPoint.h"
#include "foundation/GrowArray.h"
#include "model/Cubic.h"
#include "platform/gdi/GdiTypes.h"
#include "render/CurveClip.h"
#include "model/PathBuffer.h"
#include "render/RasterSurface.h"
#include "model/WorldMapping.h"

namespace kvn {

class TDC;

// A symbol drawn where a dash-pattern entry begins: the entry after `index`
// (index + 1, or 0 for the last index). Polylines are cubics in world units,
// relative to the entry point; `offset` is added before the turn to the edge
// direction, which the points follow unless `noRotate` is set.
struct PatternSymbol {
  std::int32_t index = 0;
  DPoint offset;
  std::uint8_t noRotate = 0;
  std::vector<CubicArray> polylines;
};

// The nineteen arguments of the primitive output.
struct StyledPrimitive {
  TDC* dc = nullptr;                    // GDI-style output, in whole device pixels
  cRasterSurface* raster = nullptr;     // used only when dc is null
  SegmentArray* const* pieces = nullptr;
  std::uint32_t pieceCount = 0;
  std::uint8_t paintEndPoints = 0;      // dots at the ends of dashed lines
  DeviceRect clip;                      // device pixels
  std::uint8_t polylineMode = 0;        // flatten and dash in software
  std::int32_t patternLength = 0;       // sum of |pattern[i]|, 1/256 pixel
  const std::int32_t* pattern = nullptr;  // > 0 dash, < 0 gap, 1/256 pixel
  std::uint32_t patternCount = 0;
  const std::vector<PatternSymbol>* symbols = nullptr;
  std::uint8_t* splitFlag = nullptr;    // set to 1 when a piece was cut
  COLORREF color = 0;                   // raster output
  std::int32_t width = 0;               // raster output, 1/256 pixel
  const DeviceRect* outputRect = nullptr;  // second clip after a dry run
  std::uint8_t trimShortStart = 0;
  std::uint8_t penDashes = 0;           // the selected pen dashes by itself
  std::uint8_t wideCoordinates = 0;
  double symbolScale = 1.0;             // world-to-device scale
};

// Draws every piece; answers whether any part survived the clip.
bool DrawStyledPrimitive(const StyledPrimitive& args);

// The clip rectangle DrawStyledPrimitive cuts at for `clip` (device pixels)
// when the pen does not dash: 1/256 pixel, limited as described above.
ClipRect RasterStrokeClip(const DeviceRect& clip, bool wideCoordinates);

// The splitter's inside test of one point (x, y): x1 <= x < x2 and
// y1 <= y < y2, each in one unsigned comparison. Below x1, x - x1 wraps to
// 2^32 - (x1 - x), which is at least x2 - x1 because x2 - x < 2^32; clip
// rectangles are normalised (x1 <= x2, y1 <= y2).
inline bool PointInsideClip(const std::int32_t* xy, const ClipRect& r) {
  return std::uint32_t(xy[0]) - std::uint32_t(r.x1) < std::uint32_t(r.x2) - std::uint32_t(r.x1) &&
         std::uint32_t(xy[1]) - std::uint32_t(r.y1) < std::uint32_t(r.y2) - std::uint32_t(r.y1);
}

// A straight segment wholly inside the clip: the inside test of every
// point, which for a straight segment are its two ends.
inline bool StraightSegmentInside(const DeviceSegment& s, const ClipRect& r) {
  return s.IsStraight() && PointInsideClip(s.v, r) && PointInsideClip(s.v + 6, r);
}

// The shortcut of DrawStyledPrimitive for a solid stroke (no pattern, no
// symbols, no output rectangle, no device context) of one open piece that is
// one straight segment: when the segment lies wholly inside the clip
// (RasterStrokeClip of the rectangle the general call would get) it is drawn
// onto the raster surface with the very DrawPolyline call the general call
// ends in, and the answer is true. False, with nothing drawn, otherwise: the
// caller then takes the general road.
// (Inline: it runs for most segments of a paint.)
inline bool DrawSolidRasterSegment(cRasterSurface& raster, const DeviceSegment& segment, const ClipRect& clip,
                                   std::int32_t width, COLORREF color, std::uint8_t trimShortStart) {
  if (!StraightSegmentInside(segment, clip)) return false;
  // What the polyline route hands on for a straight part: its two ends.
  const std::int32_t xy[4] = {segment.v[0], segment.v[1], segment.v[6], segment.v[7]};
  raster.DrawPolyline(xy, 2, width, color, trimShortStart, false);
  return true;
}

// A dash pattern (as DrawStyledPrimitive takes it: entries, their summed
// length, the end-dot flag) checked once for DrawDashedRasterSegment.
// `pattern` must stay valid while the result is used.
struct RasterDashes {
  const std::int32_t* pattern = nullptr;
  std::uint32_t count = 0;
  bool paintEndPoints = false;
  // The general call would dash it, and no two dash entries follow each
  // other (cyclically), so that every dash along a straight edge is a
  // polyline of its own.
  bool usable = false;
};
RasterDashes PrepareRasterDashes(const std::int32_t* pattern, std::uint32_t count, std::int32_t patternLength,
                                 bool paintEndPoints);

// The same shortcut for a dashed stroke without symbols: the software dash
// walk along the one straight segment, each dash drawn with the DrawPolyline
// call the general call makes for it. False, with nothing drawn, also when
// the pattern is not usable.
bool DrawDashedRasterSegment(cRasterSurface& raster, const DeviceSegment& segment, const ClipRect& clip,
                             bool wideCoordinates, std::int32_t width, COLORREF color, std::uint8_t trimShortStart,
                             const RasterDashes& dashes);

// The alternating dash, gap, ... lengths (absolute values, 1/256 units) of a
// user-style pen for the signed pattern, starting at its first dash; runs of
// one sign merge, a missing dash or gap becomes 0, an odd count gets a final
// 0 gap. 0 when the result would need `capacity` entries or more (so at most
// capacity - 2 entries, always even).
std::uint32_t BuildPenDashArray(std::uint32_t* out, const std::int32_t* pattern, std::uint32_t count,
                                std::uint32_t capacity);

// Every point of every segment of the piece inside the clip (PointInsideClip):
// such a piece is what the clip splitter would hand on whole, untouched and
// with its closed flag.
bool PieceInsideClip(const SegmentArray& piece, const ClipRect& r);

// The points the polyline route draws for one segment of a part: its start,
// then its end (straight) or its flattened points, appended as (x, y) pairs.
// A chain of segments repeats each inner point, which sets no pixel of its
// own.
void AppendPolylineSegment(GrowArray<std::int32_t>& points, const DeviceSegment& s);

// Flattens one segment by integer midpoint subdivision (at most 14 levels,
// a quarter pixel from the chord) and appends the points it produces (not
// the start point; the end point last) as (x, y) pairs.
// The points of a small segment (its points within 2^15 units of its start,
// at most 15 points) are kept per shape and given again to a later segment
// of the same shape wherever it lies.
void FlattenCubicInt(GrowArray<std::int32_t>& points, const DeviceSegment& s);
// The subdivision itself, nothing kept or taken: what FlattenCubicInt gives.
void FlattenCubicIntWalk(GrowArray<std::int32_t>& points, const DeviceSegment& s);

}  // namespace kvn
