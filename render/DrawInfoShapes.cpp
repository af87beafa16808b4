// The operations drawing objects call on their drawing context: shapes into
// the path buffer, and the path buffer stroked or filled on the output.
//
// Stage of this file: path -> device. Strokes and solid fills go through the
// device context as GDI paths in whole device units, with a solid pen of the
// stroke's width and a solid brush. Dash patterns and symbols, the
// anti-aliased road onto the raster surface, translucent fills, hatch layers
// and the outline pass belong to the stroke, fill and primitive stages that
// replace these bodies; until then those parts draw nothing.
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
#include "render/PathBuffer.h"

namespace kvn {

namespace {

// A GDI path can carry at most an int's worth of points; a path buffer that
// would exceed this is not sent (no real outline comes near it).
constexpr std::size_t kMaxPolyDrawPoints = std::size_t(1) << 28;

// Widths are drawn at most this many device pixels wide, as the device layer
// caps them.
constexpr double kMaxPenPixels = 65536.0;

DeviceSegment MapCubic(const WorldMapping& m, const DPoint& p0, const DPoint& p1, const DPoint& p2,
                       const DPoint& p3) {
  const DPoint points[4] = {p0, p1, p2, p3};
  DeviceSegment s;
  m.ToSubpixel4(points, s.v);
  return s;
}

void AppendSegmentPiece(const WorldMapping& m, const DPoint& a, const DPoint& b) {
  SegmentArray* piece = PathBuffer::NewPiece();
  piece->Append(MapCubic(m, a, a, b, b));
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

// A solid geometric pen of w device units with the stroke's ends; the pen
// already selected is reused when it matches.
TPen SolidPen(const cDrawInfo& info, COLORREF color, std::uint32_t w, std::uint32_t endStyle) {
  const TPen& selected = info.SelectedPen();
  if (selected.IsValid()) {
    const PenData& d = selected.Data();
    if (d.geometric && d.style == (kPsSolid | endStyle) && d.userStyleCount == 0 && d.width == w && d.color == color)
      return selected;
  }
  TPen pen = TPen::ExtCreate(kPsGeometric | kPsSolid | endStyle, w, kBsSolid, color);
  // A pen the device refuses still leaves a selectable pen.
  return pen.IsValid() ? pen : TPen(Rgb(0, 0, 0), 0, kPsSolid);
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
  const cAnyLine* line = object.AsAnyLine();
  if (!line || line->GetLineType(data) == kLineTypeNone) return;
  if (!Dc()) return;
  std::vector<TPoint> points;
  std::vector<std::uint8_t> types;
  if (!CollectPath(points, types)) return;

  // Device width in 1/256 units, never below the output's minimum stroke
  // width; then whole device units for the pen, at least one.
  const double fine = std::floor(256.0 * 4.0 * mapping.scale * line->GetWidth(data) + 0.5);
  const double widthFine = std::max(double(mapping.lineWidthFactor), std::isnan(fine) ? 0.0 : fine);
  const double pixels = std::clamp(std::floor((widthFine + 128) / 256), 1.0, kMaxPenPixels);
  const std::uint32_t w = std::uint32_t(pixels);
  const std::uint8_t penOption = line->GetPenOption(data);
  // Flat ends and bevel joins only where they show: two pixels or wider.
  const std::uint32_t endStyle = (w >= 2 && penOption) ? (kPsEndCapFlat | kPsJoinBevel) : 0;
  const COLORREF color = StripColorFlags(MapLineColor(line->GetColor(data)));

  SelectPen(SolidPen(*this, color, w, endStyle));
  Dc()->PolyDraw(points.data(), types.data(), int(points.size()));
}

void cDrawInfo::RasterizePath(std::uint32_t) {
  // The outline pass draws through the styled-primitive output; until that
  // stage exists it has no target.
}

void cDrawInfo::RasterizeSegment(std::uint32_t value, const DPoint& a, const DPoint& b) {
  PathBuffer::Empty();
  AppendSegmentPiece(mapping, a, b);
  RasterizePath(value);
}

}  // namespace kvn
