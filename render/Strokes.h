// Strokes and pens: the path buffer stroked with a drawing object's line
// attributes (colour, gap colour, width, line type, pen option).
//
// Stage: converter -> device. The line type becomes a dash pattern in 1/256
// device units (render/LineTypes.h), the colour and width a pen from the
// process-wide pen cache (render/PenCache.h) when the output is a device
// context, and everything goes to DrawStyledPrimitive; onto the raster
// surface the width and colour go along instead of a pen.
//
// Units: widths in world units x 4 x the mapping's scale = device pixels;
// 256 sub-units per pixel. GUI thread only.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "platform/gdi/GdiTypes.h"
#include "model/WorldMapping.h"
#include "render/CurveClip.h"

namespace kvn {

class TDC;
class cAnyLine;
class cDrawInfo;
class cStyleLine;

// cDrawInfo::StrokePath: nothing for line type 0; a dashed line with a gap
// colour (and no override colour) is first stroked solid in the gap colour.
void StrokePathObject(cDrawInfo& info, const cAnyLine& line);

// Tests only: off, every stroke takes the general road (pattern, clip
// splitter, polyline route, dash walk) even where the shortcuts for a solid
// or dashed straight segment inside the clip onto the raster surface would
// draw the same pixels.
void SetStrokeFastPathForTests(bool enabled);

// What StrokePathObject draws a line with when the target is the raster
// surface, the line has no line style and is solid, no clip companions are
// set and the pen is thin (under 1.5 pixels, drawn as one-pixel lines): the
// pixel colour, width and pen option its DrawPolyline calls take, and the
// clip (1/256 pixel) inside which a piece is drawn whole. A piece lying
// wholly inside that clip gives the same pixels through one
// raster DrawPolyline call of its flattened points as through the general
// road. False when any condition fails (or the stroke shortcuts are off for a
// test).
struct ThinRasterStroke {
  COLORREF color = 0;
  std::int32_t width = 0;
  std::uint8_t penOption = 0;
  ClipRect clip;
};
bool PrepareThinRasterStroke(const cDrawInfo& info, const cAnyLine& line, ThinRasterStroke& out);

// The stroke proper, with the object and its style (either may be null), a
// solid flag, the output colour, the width in world units and the pen
// option (flat ends and bevel joins, dots one pattern unit long).
void StrokePathWith(cDrawInfo& info, const cAnyLine* line, const cStyleLine* style, bool solid, COLORREF color,
                    double width, std::uint8_t penOption);

// The outline pass of polylines (picture, metafile and text frames): empties
// the path buffer, adds the polyline (world units; closed only when asked
// and it has at least 3 points) and rasterises it (cDrawInfo::RasterizePath).
void RasterizePolyline(cDrawInfo& info, std::uint32_t value, const DPoint* points, std::uint32_t count,
                       bool closed);
// The closed rectangle (x1, y1), (x2, y1), (x2, y2), (x1, y2) the same way.
void RasterizeRect(cDrawInfo& info, std::uint32_t value, double x1, double y1, double x2, double y2);

// A segment in whole device units with MoveTo and LineTo. When an end lies
// outside the clip rectangle widened by `margin`, the segment is first cut
// to that rectangle, and nothing is drawn when it misses it.
void DrawClippedDeviceLine(TDC& dc, const DeviceRect& clip, TPoint a, TPoint b, std::int32_t margin);

}  // namespace kvn
