// The operations drawing objects call on their drawing context: shapes into
// the path buffer, and the path buffer stroked or filled on the output.
//
// Stage of this file: path -> device. Strokes go through the stroke stage
// (render/Strokes.h) and the outline pass through the styled primitive
// output; solid fills go through the device context as GDI paths in whole
// device units with a solid brush. Translucent fills and hatch layers belong
// to the fill stage that replaces that body; until then they draw nothing.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "model/cAnyFill.h"
#include "model/cAnyLine.h"
#include "model/cOutObj.h"
#include "platform/gdi/DeviceContext.h"
#include "render/DrawInfo.h"
#include "render/EllipsePath.h"
#include "model/PathBuffer.h"
#include "render/Strokes.h"
#include "render/StyledPrimitive.h"

namespace kvn {

namespace {

// A GDI path can carry at most an int's worth of points; a path buffer that
// would exceed this is not sent (no real outline comes near it).
constexpr std::size_t kMaxPolyDrawPoints = std::size_t(1) << 28;

// The straight record (a, a, b, b), each end mapped once.
void AppendSegmentPiece(const WorldMapping& m, const DPoint& a, const DPoint& b) {
  std::int32_t from[2], to[2];
  m.ToSubpixel(a, from);
  m.ToSubpixel(b, to);
  PathBuffer::NewPiece()->Append(DeviceSegment::Line(from[0], from[1], to[0], to[1]));
}

// 1/256 device units to whole device units: (v + 128) >> 8 with an
// arithmetic shift; in 64 bits so that values near the 32-bit limit do not
// overflow.
std::int32_t ToPixel(std::int32_t v) { return std::int32_t((std::int64_t(v) + 128) >> 8); }

TPoint PixelPoint(const std::int32_t* xy) { return {ToPixel(xy[0]), ToPixel(xy[1])}; }

// The current path buffer as PolyDraw points and types, one figure per
// piece. False when it holds nothing to draw.
bool CollectPath(std::vector<TPoint>& points, std::vector<std::uint8_t>& types) {
  points.clear();
  types.clear();
  const std::uint32_t count = PathBuffer::PieceCount();
  for (std::uint32_t i = 0; i < count; ++i) {
    const SegmentArray* piece = PathBuffer::Piece(i);
    if (!piece || piece->segments.Count() == 0) continue;
    const std::size_t figureStart = points.size();
    TPoint last = PixelPoint(piece->segments[0].v);
    points.push_back(last);
    types.push_back(kPtMoveTo);
    for (const DeviceSegment& s : piece->segments) {
      if (points.size() + 4 > kMaxPolyDrawPoints) return false;
      const TPoint start = PixelPoint(s.v);
      if (!(start == last)) {
        points.push_back(start);
        types.push_back(kPtLineTo);
      }
      last = PixelPoint(s.v + 6);
      if (s.IsStraight()) {
        points.push_back(last);
        types.push_back(kPtLineTo);
      } else {
        points.push_back(PixelPoint(s.v + 2));
        points.push_back(PixelPoint(s.v + 4));
        points.push_back(last);
        types.insert(types.end(), 3, kPtBezierTo);
      }
    }
    if (points.size() == figureStart + 1) {
      // A piece of one point: nothing to draw.
      points.pop_back();
      types.pop_back();
      continue;
    }
    if (piece->closed) types.back() |= kPtCloseFigure;
  }
  return !points.empty();
}

// A solid brush of the colour; the stock brushes serve black and white, and
// the brush already selected is reused when it has the colour.
TBrush SolidBrush(const cDrawInfo& info, COLORREF color) {
  if (color == Rgb(0, 0, 0)) return StockBrush(kBlackBrush);
  if (color == Rgb(255, 255, 255)) return StockBrush(kWhiteBrush);
  const TBrush& selected = info.SelectedBrush();
  if (selected.IsValid() && selected.Data().style == kBsSolid && selected.Data().color == color) return selected;
  return TBrush(color);
}

void FillPathSolid(cDrawInfo& info, std::uint32_t color, std::uint8_t opacity) {
  TDC* dc = info.Dc();
  if (!dc) return;
  if (info.opaqueFill) opacity = 255;
  // Translucent areas are composited by the transparency stage.
  if (opacity < 255) return;
  std::vector<TPoint> points;
  std::vector<std::uint8_t> types;
  if (!CollectPath(points, types)) return;
  info.SelectBrush(SolidBrush(info, StripColorFlags(color)));
  dc->BeginPath();
  dc->PolyDraw(points.data(), types.data(), int(points.size()));
  dc->EndPath();
  dc->FillPath();
}

}  // namespace

void cDrawInfo::AddEllipsePath(const DRect& box) { kvn::AddEllipsePath(mapping, box.x1, box.y1, box.x2, box.y2); }

void cDrawInfo::DrawEllipseShape(const DPoint& a, const DPoint& b, cOutObj& object) {
  PathBuffer::Empty();
  AddEllipsePath(DRect{a.x, a.y, b.x, b.y});
  FillPath(object);
  StrokePath(object);
}

void cDrawInfo::DrawSegmentShape(const DPoint& a, const DPoint& b, cOutObj& object) {
  PathBuffer::Empty();
  AppendSegmentPiece(mapping, a, b);
  StrokePath(object);
}

void cDrawInfo::FillPath(cOutObj& object) {
  const SegmentArray* first = PathBuffer::Piece(0);
  if (!first || !first->closed) return;
  const cAnyFill* fill = object.AsAnyFill();
  if (!fill) return;
  const std::uint32_t color = fill->GetFillColor(data);
  if (color & 0x80000000u) return;  // no solid layer
  FillPathSolid(*this, MapFillColor(color), fill->GetFillAlpha(data));
}

void cDrawInfo::StrokePath(cOutObj& object) {
  if (const cAnyLine* line = object.AsAnyLine()) StrokePathObject(*this, *line);
}

void cDrawInfo::RasterizePath(std::uint32_t value) {
  if (PathBuffer::PieceCount() == 0) return;
  // The outline pass draws with whatever the device has selected; value 0
  // asks only whether anything shows.
  StyledPrimitive args;
  args.dc = value ? Dc() : nullptr;
  args.pieces = PathBuffer::Pieces();
  args.pieceCount = PathBuffer::PieceCount();
  args.clip = mapping.deviceClip;
  args.symbolScale = mapping.scale;
  DrawStyledPrimitive(args);
}

void cDrawInfo::RasterizeSegment(std::uint32_t value, const DPoint& a, const DPoint& b) {
  PathBuffer::Empty();
  AppendSegmentPiece(mapping, a, b);
  RasterizePath(value);
}

}  // namespace kvn
