// TDC drawing calls: lines, shapes, fills, paths, pixels, blits and text.
// Each maps its logical points to device space (world, then page), builds a
// device path and either adds it to the open path or renders it.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/gdi/DeviceContext.h"

namespace kvn {

namespace {

// Control-point distance of a quarter circle drawn as one cubic.
constexpr double kBezierCircle = 0.55228474983079339840;

bool UsesPattern(std::uint32_t rop) {
  std::uint8_t t = Rop3Table(rop);
  return (t >> 4) != (t & 0x0F);
}

bool UsesSource(std::uint32_t rop) {
  std::uint8_t t = Rop3Table(rop);
  return ((t >> 2) & 0x33) != (t & 0x33);
}

void AddRectFigure(GdiPath* out, const DPoint c[4]) {
  out->MoveTo(c[0]);
  for (int k = 1; k < 4; ++k) out->LineTo(c[k]);
  out->CloseFigure();
}

// The region's rectangles as figures, in place of what `out` held.
void AddRegionFigures(GdiPath* out, const TRegion& region) {
  out->Clear();
  for (std::uint32_t i = 0; i < region.RectCount(); ++i) {
    const TRect& r = region.Rects()[i];
    DPoint c[4] = {{double(r.left), double(r.top)},
                   {double(r.right), double(r.top)},
                   {double(r.right), double(r.bottom)},
                   {double(r.left), double(r.bottom)}};
    AddRectFigure(out, c);
  }
}

}  // namespace

GdiPath* TDC::BeginOutput() {
  if (pathState_ == PathState::Open) return &path_;
  scratch_.Clear();
  return &scratch_;
}

void TDC::StartAtCurrent(GdiPath* out) {
  if (out == &path_ && !newFigure_) return;
  out->MoveTo(Map(state_.currentPosition.x, state_.currentPosition.y));
  if (out == &path_) newFigure_ = false;
}

bool TDC::EndOutput(GdiPath* out, bool fill, bool stroke, int fillMode) {
  if (out == &path_) return true;
  if (!Going()) return false;
  if (!scratch_.IsFinite()) return false;
  if (state_.rop2 == kR2Nop) return true;
  if (fill && state_.brush.IsValid() && state_.brush.Data().style != kBsNull)
    RenderFill(scratch_, state_.brush, fillMode, state_.rop2);
  if (stroke && state_.pen.IsValid() && !state_.pen.Data().IsNull()) RenderStroke(scratch_);
  return true;
}

void TDC::BoxCorners(int left, int top, int right, int bottom, DPoint c[4]) const {
  if (state_.graphicsMode == kGmAdvanced) {
    c[0] = Map(left, top);
    c[1] = Map(right, top);
    c[2] = Map(right, bottom);
    c[3] = Map(left, bottom);
    return;
  }
  // No world transform in this mode, so the box stays axis-parallel; the
  // right and bottom edges fall outside.
  DPoint a = Map(left, top), b = Map(right, bottom);
  double x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x) - 1;
  double y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y) - 1;
  c[0] = {x0, y0};
  c[1] = {x1, y0};
  c[2] = {x1, y1};
  c[3] = {x0, y1};
}

// ---- Lines and shapes

bool TDC::MoveTo(int x, int y, TPoint* old) {
  if (old) *old = state_.currentPosition;
  state_.currentPosition = {x, y};
  if (pathState_ == PathState::Open) newFigure_ = true;
  return true;
}

bool TDC::LineTo(int x, int y) {
  GdiPath* out = BeginOutput();
  StartAtCurrent(out);
  out->LineTo(Map(x, y));
  state_.currentPosition = {x, y};
  return EndOutput(out, false, true, 0);
}

bool TDC::Polyline(const TPoint* points, int count) {
  if (points == nullptr || count < 2) return false;
  GdiPath* out = BeginOutput();
  out->MoveTo(Map(points[0].x, points[0].y));
  for (int i = 1; i < count; ++i) out->LineTo(Map(points[i].x, points[i].y));
  newFigure_ = true;
  return EndOutput(out, false, true, 0);
}

bool TDC::PolylineTo(const TPoint* points, int count) {
  if (points == nullptr || count < 1) return false;
  GdiPath* out = BeginOutput();
  StartAtCurrent(out);
  for (int i = 0; i < count; ++i) out->LineTo(Map(points[i].x, points[i].y));
  state_.currentPosition = points[count - 1];
  return EndOutput(out, false, true, 0);
}

bool TDC::PolyBezier(const TPoint* points, int count) {
  if (points == nullptr || count < 4 || (count - 1) % 3 != 0) return false;
  GdiPath* out = BeginOutput();
  out->MoveTo(Map(points[0].x, points[0].y));
  for (int i = 1; i + 2 < count; i += 3)
    out->BezierTo(Map(points[i].x, points[i].y), Map(points[i + 1].x, points[i + 1].y),
                  Map(points[i + 2].x, points[i + 2].y));
  newFigure_ = true;
  return EndOutput(out, false, true, 0);
}

bool TDC::PolyBezierTo(const TPoint* points, int count) {
  if (points == nullptr || count < 3 || count % 3 != 0) return false;
  GdiPath* out = BeginOutput();
  StartAtCurrent(out);
  for (int i = 0; i + 2 < count; i += 3)
    out->BezierTo(Map(points[i].x, points[i].y), Map(points[i + 1].x, points[i + 1].y),
                  Map(points[i + 2].x, points[i + 2].y));
  state_.currentPosition = points[count - 1];
  return EndOutput(out, false, true, 0);
}

bool TDC::PolyDraw(const TPoint* points, const std::uint8_t* types, int count) {
  if (points == nullptr || types == nullptr || count < 1) return false;
  for (int i = 0; i < count; ++i) {
    std::uint8_t base = types[i] & ~kPtCloseFigure;
    bool close = (types[i] & kPtCloseFigure) != 0;
    if (base == kPtMoveTo) {
      if (close) return false;
    } else if (base == kPtBezierTo) {
      if (close || i + 2 >= count || (types[i + 1] != kPtBezierTo) ||
          (types[i + 2] & ~kPtCloseFigure) != kPtBezierTo)
        return false;
      i += 2;
    } else if (base != kPtLineTo) {
      return false;
    }
  }
  GdiPath* out = BeginOutput();
  if (types[0] != kPtMoveTo) StartAtCurrent(out);
  bool reopen = false;  // segments after a close start a figure at the close point
  for (int i = 0; i < count; ++i) {
    std::uint8_t base = types[i] & ~kPtCloseFigure;
    DPoint p = Map(points[i].x, points[i].y);
    if (base == kPtMoveTo) {
      out->MoveTo(p);
      reopen = false;
      if (out == &path_) newFigure_ = false;
      continue;
    }
    if (reopen) {
      out->MoveTo(out->LastPoint());
      reopen = false;
    }
    if (base == kPtLineTo) {
      out->LineTo(p);
    } else {
      out->BezierTo(p, Map(points[i + 1].x, points[i + 1].y), Map(points[i + 2].x, points[i + 2].y));
      i += 2;
    }
    if (types[i] & kPtCloseFigure) {
      out->CloseFigure();
      reopen = true;
    }
  }
  state_.currentPosition = points[count - 1];
  return EndOutput(out, false, true, 0);
}

bool TDC::Polygon(const TPoint* points, int count) {
  if (points == nullptr || count < 2) return false;
  GdiPath* out = BeginOutput();
  out->MoveTo(Map(points[0].x, points[0].y));
  for (int i = 1; i < count; ++i) out->LineTo(Map(points[i].x, points[i].y));
  out->CloseFigure();
  newFigure_ = true;
  return EndOutput(out, true, true, state_.polyFillMode);
}

bool TDC::PolyPolygon(const TPoint* points, const int* counts, int polygonCount) {
  if (points == nullptr || counts == nullptr || polygonCount < 1) return false;
  for (int p = 0; p < polygonCount; ++p)
    if (counts[p] < 2) return false;
  GdiPath* out = BeginOutput();
  const TPoint* poly = points;
  for (int p = 0; p < polygonCount; ++p) {
    out->MoveTo(Map(poly[0].x, poly[0].y));
    for (int i = 1; i < counts[p]; ++i) out->LineTo(Map(poly[i].x, poly[i].y));
    out->CloseFigure();
    poly += counts[p];
  }
  newFigure_ = true;
  return EndOutput(out, true, true, state_.polyFillMode);
}

bool TDC::Rectangle(int left, int top, int right, int bottom) {
  DPoint c[4];
  BoxCorners(left, top, right, bottom, c);
  GdiPath* out = BeginOutput();
  AddRectFigure(out, c);
  newFigure_ = true;
  return EndOutput(out, true, true, kAlternate);
}

bool TDC::Ellipse(int left, int top, int right, int bottom) {
  DPoint c[4];
  BoxCorners(left, top, right, bottom, c);
  // The ellipse is the affine image of the unit circle in the box: centre,
  // half the top edge and half the left edge.
  DPoint m{(c[0].x + c[2].x) / 2, (c[0].y + c[2].y) / 2};
  DPoint a{(c[1].x - c[0].x) / 2, (c[1].y - c[0].y) / 2};
  DPoint b{(c[3].x - c[0].x) / 2, (c[3].y - c[0].y) / 2};
  auto at = [&](double u, double v) { return DPoint{m.x + a.x * u + b.x * v, m.y + a.y * u + b.y * v}; };
  GdiPath* out = BeginOutput();
  // Counter-clockwise on the screen from the right end: right, top, left, bottom.
  out->MoveTo(at(1, 0));
  out->BezierTo(at(1, -kBezierCircle), at(kBezierCircle, -1), at(0, -1));
  out->BezierTo(at(-kBezierCircle, -1), at(-1, -kBezierCircle), at(-1, 0));
  out->BezierTo(at(-1, kBezierCircle), at(-kBezierCircle, 1), at(0, 1));
  out->BezierTo(at(kBezierCircle, 1), at(1, kBezierCircle), at(1, 0));
  out->CloseFigure();
  newFigure_ = true;
  return EndOutput(out, true, true, kAlternate);
}

// ---- Fills that ignore the pen

bool TDC::FillRect(const TRect& rect, const TBrush& brush) {
  if (!brush.IsValid() || !Going()) return false;
  if (rect.IsEmpty() || brush.Data().style == kBsNull) return true;
  DPoint c[4] = {Map(rect.left, rect.top), Map(rect.right, rect.top), Map(rect.right, rect.bottom),
                 Map(rect.left, rect.bottom)};
  scratch_.Clear();
  AddRectFigure(&scratch_, c);
  if (!scratch_.IsFinite()) return false;
  RenderFill(scratch_, brush, kWinding, kR2CopyPen);
  return true;
}

bool TDC::FillSolidRect(const TRect& rect, COLORREF color) { return TDC::FillRect(rect, TBrush(color)); }

bool TDC::FillRgn(const TRegion& deviceRegion, const TBrush& brush) {
  if (!brush.IsValid() || !Going()) return false;
  if (brush.Data().style == kBsNull) return true;
  AddRegionFigures(&scratch_, deviceRegion);
  if (!scratch_.Empty()) RenderFill(scratch_, brush, kWinding, kR2CopyPen);
  return true;
}

bool TDC::PatBlt(int x, int y, int width, int height, std::uint32_t rop) {
  if (UsesSource(rop) || !Going()) return false;
  if (width == 0 || height == 0) return true;
  if (UsesPattern(rop) && (!state_.brush.IsValid() || state_.brush.Data().style == kBsNull)) return true;
  std::int64_t x1 = std::int64_t(x) + width, y1 = std::int64_t(y) + height;
  DPoint c[4] = {l2d_.Apply({double(x), double(y)}), l2d_.Apply({double(x1), double(y)}),
                 l2d_.Apply({double(x1), double(y1)}), l2d_.Apply({double(x), double(y1)})};
  scratch_.Clear();
  AddRectFigure(&scratch_, c);
  if (!scratch_.IsFinite()) return false;
  return RenderPatBlt(scratch_, rop);
}

// ---- Paths

bool TDC::BeginPath() {
  path_.Clear();
  pathWidened_ = false;
  pathState_ = PathState::Open;
  newFigure_ = true;
  return true;
}

bool TDC::EndPath() {
  if (pathState_ != PathState::Open) return false;
  pathState_ = PathState::Closed;
  return true;
}

bool TDC::AbortPath() {
  path_.Clear();
  pathWidened_ = false;
  pathState_ = PathState::None;
  return true;
}

bool TDC::CloseFigure() {
  if (pathState_ != PathState::Open || path_.Empty()) return false;
  path_.CloseFigure();
  newFigure_ = true;
  return true;
}

bool TDC::TakeClosedPath() {
  if (pathState_ != PathState::Closed) return false;
  pathState_ = PathState::None;
  return true;
}

bool TDC::FillPath() {
  if (!TakeClosedPath()) return false;
  bool ok = Going() && path_.IsFinite();
  if (ok && state_.rop2 != kR2Nop && state_.brush.IsValid() && state_.brush.Data().style != kBsNull)
    RenderFill(path_, state_.brush, PathFillMode(), state_.rop2);
  path_.Clear();
  return ok;
}

bool TDC::StrokePath() {
  if (!TakeClosedPath()) return false;
  bool ok = Going() && path_.IsFinite();
  if (ok && state_.rop2 != kR2Nop && state_.pen.IsValid() && !state_.pen.Data().IsNull()) RenderStroke(path_);
  path_.Clear();
  return ok;
}

bool TDC::StrokeAndFillPath() {
  if (!TakeClosedPath()) return false;
  bool ok = Going() && path_.IsFinite();
  if (ok && state_.rop2 != kR2Nop) {
    if (state_.brush.IsValid() && state_.brush.Data().style != kBsNull)
      RenderFill(path_, state_.brush, PathFillMode(), state_.rop2);
    if (state_.pen.IsValid() && !state_.pen.Data().IsNull()) RenderStroke(path_);
  }
  path_.Clear();
  return ok;
}

bool TDC::PathRegion(TRegion* out) const {
  GrowArray<DPoint> points(64);
  GrowArray<std::uint32_t> counts(8);
  path_.ToPolygons(&points, &counts);
  return TRegion::FromPolygons(points.Items(), counts.Items(), counts.Count(), PathFillMode(), out);
}

bool TDC::SelectClipPath(int mode) {
  if (pathState_ != PathState::Closed) return false;
  TRegion region;
  if (!PathRegion(&region)) return false;
  if (CombineClip(region, mode) == kRegionError) return false;
  TakeClosedPath();
  path_.Clear();
  return true;
}

bool TDC::PathToRegion(TRegion* out) {
  if (out == nullptr || pathState_ != PathState::Closed) return false;
  TRegion region;
  if (!PathRegion(&region)) return false;
  *out = std::move(region);
  TakeClosedPath();
  path_.Clear();
  return true;
}

// ---- Pixels

COLORREF TDC::GetPixel(int x, int y) {
  DPoint d = Map(x, y);
  std::int32_t px = RoundToInt32(d.x), py = RoundToInt32(d.y);
  if (!PixelVisible(px, py)) return kClrInvalid;
  return RenderGetPixel(px, py);
}

COLORREF TDC::SetPixel(int x, int y, COLORREF color) {
  if (!Going()) return kClrInvalid;
  DPoint d = Map(x, y);
  std::int32_t px = RoundToInt32(d.x), py = RoundToInt32(d.y);
  if (!PixelVisible(px, py)) return kClrInvalid;
  color = StripColorFlags(color);
  return RenderSetPixel(px, py, color) ? color : kClrInvalid;
}

bool TDC::ExtFloodFill(int x, int y, COLORREF color, unsigned mode) {
  if ((mode != kFloodFillBorder && mode != kFloodFillSurface) || !Going()) return false;
  DPoint d = Map(x, y);
  std::int32_t px = RoundToInt32(d.x), py = RoundToInt32(d.y);
  if (!PixelVisible(px, py)) return false;
  TRegion area;
  if (!RenderFloodArea(px, py, StripColorFlags(color), mode, &area)) return false;
  if (state_.rop2 == kR2Nop || !state_.brush.IsValid() || state_.brush.Data().style == kBsNull) return true;
  AddRegionFigures(&scratch_, area);
  if (!scratch_.Empty()) RenderFill(scratch_, state_.brush, kWinding, state_.rop2);
  return true;
}

// ---- Blits

bool TDC::Blit(int x, int y, int width, int height, const PixelView& source, int sourceX, int sourceY,
               int sourceWidth, int sourceHeight, std::uint32_t rop, const BlendFunction* blend) {
  if (!source.IsValid() || width == 0 || height == 0 || sourceWidth == 0 || sourceHeight == 0) return false;
  if (!Going()) return false;
  BlitRequest request;
  request.source = source;
  request.rop = rop;
  request.stretchMode = state_.stretchBltMode;
  if (blend) {
    if (blend->blendOp != kAcSrcOver || width < 0 || height < 0 || sourceWidth < 0 || sourceHeight < 0) return false;
    request.alphaBlend = true;
    request.blend = *blend;
  }
  // Source pixel (u, v) lands at logical x + (u - sourceX) * width / sourceWidth.
  double sx = double(width) / sourceWidth, sy = double(height) / sourceHeight;
  XForm sourceToLogical{sx, 0, 0, sy, x - sourceX * sx, y - sourceY * sy};
  request.sourceToDevice = CombineTransform(sourceToLogical, l2d_);
  if (!request.sourceToDevice.IsInvertible()) return false;
  std::int64_t u0 = sourceX, u1 = std::int64_t(sourceX) + sourceWidth;
  std::int64_t v0 = sourceY, v1 = std::int64_t(sourceY) + sourceHeight;
  if (u0 > u1) std::swap(u0, u1);
  if (v0 > v1) std::swap(v0, v1);
  u0 = std::max<std::int64_t>(u0, 0);
  v0 = std::max<std::int64_t>(v0, 0);
  u1 = std::min<std::int64_t>(u1, source.width);
  v1 = std::min<std::int64_t>(v1, source.height);
  if (u0 >= u1 || v0 >= v1) return true;
  request.sourceRect = {std::int32_t(u0), std::int32_t(v0), std::int32_t(u1), std::int32_t(v1)};
  const XForm& m = request.sourceToDevice;
  DPoint c[4] = {m.Apply({double(u0), double(v0)}), m.Apply({double(u1), double(v0)}),
                 m.Apply({double(u1), double(v1)}), m.Apply({double(u0), double(v1)})};
  scratch_.Clear();
  AddRectFigure(&scratch_, c);
  if (!scratch_.IsFinite()) return false;
  return RenderBlit(request, scratch_);
}

bool TDC::BitBlt(int x, int y, int width, int height, const PixelView& source, int sourceX, int sourceY,
                 std::uint32_t rop) {
  return Blit(x, y, width, height, source, sourceX, sourceY, width, height, rop, nullptr);
}

bool TDC::StretchBlt(int x, int y, int width, int height, const PixelView& source, int sourceX, int sourceY,
                     int sourceWidth, int sourceHeight, std::uint32_t rop) {
  return Blit(x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, rop, nullptr);
}

bool TDC::AlphaBlend(int x, int y, int width, int height, const PixelView& source, int sourceX, int sourceY,
                     int sourceWidth, int sourceHeight, const BlendFunction& blend) {
  return Blit(x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, kSrcCopy, &blend);
}

// ---- Text

bool TDC::TextOut(int x, int y, const char16_t* text, int count) {
  return TDC::ExtTextOut(x, y, 0, nullptr, text, count, nullptr);
}

bool TDC::ExtTextOut(int x, int y, std::uint32_t options, const TRect* rect, const char16_t* text, int count,
                     const int* dx) {
  if (count < 0 || (count > 0 && text == nullptr) || !Going()) return false;
  if ((options & kEtoOpaque) && rect != nullptr && !rect->IsEmpty()) {
    DPoint c[4] = {Map(rect->left, rect->top), Map(rect->right, rect->top), Map(rect->right, rect->bottom),
                   Map(rect->left, rect->bottom)};
    scratch_.Clear();
    AddRectFigure(&scratch_, c);
    if (scratch_.IsFinite()) RenderFill(scratch_, TBrush(state_.bkColor), kWinding, kR2CopyPen);
  }
  if (count == 0) return true;
  TextFace face;
  TextFaceSource* source = GetTextFaceSource();
  if (!source || !state_.font.IsValid() || !source->Realise(state_.font.Data(), &face)) return false;
  std::vector<PlacedGlyph>& glyphs = runGlyphs_;
  double advance = 0;
  if (!LayoutTextRun(face, text, count, dx, &glyphs, nullptr, &advance)) return false;
  const XForm toDevice = GetTextRunTransform(x, y, advance, face.ascent, face.descent);
  if (!toDevice.IsInvertible()) return true;
  if (state_.bkMode == kOpaque) {
    DPoint c[4] = {toDevice.Apply({0, -face.ascent}), toDevice.Apply({advance, -face.ascent}),
                   toDevice.Apply({advance, face.descent}), toDevice.Apply({0, face.descent})};
    scratch_.Clear();
    AddRectFigure(&scratch_, c);
    if (scratch_.IsFinite()) RenderFill(scratch_, TBrush(state_.bkColor), kWinding, kR2CopyPen);
  }
  RenderGlyphs(toDevice, face, glyphs, state_.textColor);
  return true;
}

bool TDC::GetTextExtent(const char16_t* text, int count, TSize* size) const {
  TextFace face;
  TextFaceSource* source = GetTextFaceSource();
  if (!size || !source || !state_.font.IsValid() || !source->Realise(state_.font.Data(), &face)) return false;
  std::vector<PlacedGlyph> glyphs;
  double advance = 0;
  if (!LayoutTextRun(face, text, count, nullptr, &glyphs, nullptr, &advance)) return false;
  *size = {RoundToInt32(std::floor(advance + 0.5)), RoundToInt32(std::floor(face.ascent + face.descent + 0.5))};
  return true;
}

bool TDC::GetCharWidth(unsigned first, unsigned last, int* widths) const {
  TextFace face;
  TextFaceSource* source = GetTextFaceSource();
  if (!widths || first > last || last > 0xFFFF || !source || !state_.font.IsValid() ||
      !source->Realise(state_.font.Data(), &face))
    return false;
  std::vector<char16_t> text;
  for (unsigned c = first; c <= last; ++c) text.push_back(char16_t(c));
  std::vector<PlacedGlyph> glyphs;
  std::vector<double> advances;
  double total = 0;
  if (!LayoutTextRun(face, text.data(), int(text.size()), nullptr, &glyphs, &advances, &total)) return false;
  for (std::size_t i = 0; i < advances.size(); ++i) widths[i] = RoundToInt32(std::floor(advances[i] + 0.5));
  return true;
}

bool TDC::GetTextMetrics(TextMetrics* out) const {
  TextFace face;
  TextFaceSource* source = GetTextFaceSource();
  if (!out || !source || !state_.font.IsValid() || !source->Realise(state_.font.Data(), &face)) return false;
  auto rnd = [](double v) { return RoundToInt32(std::floor(v + 0.5)); };
  out->ascent = rnd(face.ascent);
  out->descent = rnd(face.descent);
  out->height = out->ascent + out->descent;
  out->internalLeading = rnd(face.internalLeading);
  out->externalLeading = rnd(face.externalLeading);
  out->aveCharWidth = rnd(face.aveCharWidth);
  return true;
}

int TDC::DrawText(const char16_t* text, int count, TRect* rect, std::uint32_t format) {
  if (!text || !rect) return 0;
  if (count < 0) {
    count = 0;
    while (text[count]) ++count;
  }
  // '&' marks a mnemonic unless DT_NOPREFIX; "&&" is one '&'.
  std::vector<char16_t> shown;
  for (int i = 0; i < count; ++i) {
    if (!(format & kDtNoPrefix) && text[i] == u'&' && i + 1 < count) ++i;
    shown.push_back(text[i]);
  }
  TSize size;
  TextMetrics metrics;
  if (!GetTextExtent(shown.data(), int(shown.size()), &size) || !GetTextMetrics(&metrics)) return 0;
  if (format & kDtCalcRect) {
    rect->right = rect->left + size.cx;
    rect->bottom = rect->top + metrics.height;
    return metrics.height;
  }
  int x = rect->left;
  std::uint32_t h = kTaLeft;
  if (format & kDtCenter) {
    x = int((std::int64_t(rect->left) + rect->right) / 2);
    h = kTaCenter;
  } else if (format & kDtRight) {
    x = rect->right;
    h = kTaRight;
  }
  int y = rect->top;
  if ((format & kDtVCenter) && (format & kDtSingleLine))
    y = int((std::int64_t(rect->top) + rect->bottom - metrics.height) / 2);
  const std::uint32_t oldAlign = state_.textAlign;
  state_.textAlign = h | kTaTop;
  TDC::ExtTextOut(x, y, 0, nullptr, shown.data(), int(shown.size()), nullptr);
  state_.textAlign = oldAlign;
  return metrics.height;
}

XForm TDC::GetTextRunTransform(int x, int y, double advance, double ascent, double descent) const {
  double angle = state_.font.IsValid() ? state_.font.Data().escapement * (std::numbers::pi / 1800.0) : 0.0;
  double cs = std::cos(angle), sn = std::sin(angle);
  // Quarter turns land exactly on the axes.
  if (std::fabs(cs) < 1e-15) cs = 0;
  if (std::fabs(sn) < 1e-15) sn = 0;
  // Baseline direction u and the glyphs' downward direction v, counter-
  // clockwise as seen on a y-down surface.
  DPoint u{cs, -sn}, v{sn, cs};
  std::uint32_t h = state_.textAlign & kTaHorizontalMask;
  std::uint32_t vert = state_.textAlign & kTaVerticalMask;
  double hx = h == kTaCenter ? -advance / 2 : h == kTaRight ? -advance : 0.0;
  double vy = vert == kTaBaseline ? 0.0 : vert == kTaBottom ? -descent : ascent;
  if (state_.graphicsMode == kGmAdvanced) {
    XForm glyph{u.x, u.y, v.x, v.y, x + u.x * hx + v.x * vy, y + u.y * hx + v.y * vy};
    return CombineTransform(glyph, l2d_);
  }
  XForm page = GetPageTransform();
  double sx = std::fabs(page.eM11), sy = std::fabs(page.eM22);
  DPoint ref = Map(x, y);
  return XForm{u.x * sx,
               u.y * sx,
               v.x * sy,
               v.y * sy,
               ref.x + u.x * sx * hx + v.x * sy * vy,
               ref.y + u.y * sx * hx + v.y * sy * vy};
}

// ---- Target defaults: draw nothing

void TDC::RenderStroke(const GdiPath&) {}
void TDC::RenderFill(const GdiPath&, const TBrush&, int, int) {}
bool TDC::RenderPatBlt(const GdiPath&, std::uint32_t) { return true; }
bool TDC::RenderBlit(const BlitRequest&, const GdiPath&) { return true; }
COLORREF TDC::RenderGetPixel(std::int32_t, std::int32_t) { return kClrInvalid; }
bool TDC::RenderSetPixel(std::int32_t, std::int32_t, COLORREF) { return true; }
bool TDC::RenderFloodArea(std::int32_t, std::int32_t, COLORREF, unsigned, TRegion*) { return false; }
void TDC::RenderGlyphs(const XForm&, const TextFace&, const std::vector<PlacedGlyph>&, COLORREF) {}

}  // namespace kvn
