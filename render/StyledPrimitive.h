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
#include "render/PathBuffer.h"
#include "render/WorldMapping.h"

namespace kvn {

class TDC;
class cRasterSurface;

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

// The shortcut of DrawStyledPrimitive for a solid stroke (no pattern, no
// symbols, no output rectangle, no device context) of one open piece that is
// one straight segment: when the segment lies wholly inside the clip (the
// same widened and limited rectangle the general call uses) it is drawn onto
// the raster surface with the very DrawPolyline call the general call ends
// in, and the answer is true. False, with nothing drawn, otherwise: the
// caller then takes the general road.
bool DrawSolidRasterSegment(cRasterSurface& raster, const DeviceSegment& segment, const DeviceRect& clip,
                            bool wideCoordinates, std::int32_t width, COLORREF color, std::uint8_t trimShortStart);

// The alternating dash, gap, ... lengths (absolute values, 1/256 units) of a
// user-style pen for the signed pattern, starting at its first dash; runs of
// one sign merge, a missing dash or gap becomes 0, an odd count gets a final
// 0 gap. 0 when the result would need `capacity` entries or more (so at most
// capacity - 2 entries, always even).
std::uint32_t BuildPenDashArray(std::uint32_t* out, const std::int32_t* pattern, std::uint32_t count,
                                std::uint32_t capacity);

// Flattens one segment by integer midpoint subdivision (at most 14 levels,
// a quarter pixel from the chord) and appends the points it produces (not
// the start point; the end point last) as (x, y) pairs.
void FlattenCubicInt(GrowArray<std::int32_t>& points, const DeviceSegment& s);

}  // namespace kvn
