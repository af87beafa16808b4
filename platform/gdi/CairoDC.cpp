#include "platform/gdi/CairoDC.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kvn {

namespace {

cairo_matrix_t ToCairo(const XForm& x) {
  cairo_matrix_t m;
  cairo_matrix_init(&m, x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy);
  return m;
}

cairo_surface_t* HatchSurface(const BrushData& brush, int bkMode, COLORREF bkColor) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) return s;
  cairo_surface_flush(s);
  std::uint8_t* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      std::uint8_t* p = data + y * stride + 4 * x;
      bool on = HatchBit(brush.hatch, x, y);
      if (!on && bkMode != kOpaque) {
        std::memset(p, 0, 4);
        continue;
      }
      COLORREF c = on ? brush.color : bkColor;
      p[0] = ColorB(c);
      p[1] = ColorG(c);
      p[2] = ColorR(c);
      p[3] = 255;
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

cairo_surface_t* PatternSurface(const BrushData& brush) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, brush.patternWidth, brush.patternHeight);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) return s;
  cairo_surface_flush(s);
  std::uint8_t* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (std::int32_t y = 0; y < brush.patternHeight; ++y) {
    for (std::int32_t x = 0; x < brush.patternWidth; ++x) {
      std::uint32_t v = brush.pattern[std::size_t(y) * std::size_t(brush.patternWidth) + std::size_t(x)];
      std::uint8_t* p = data + std::size_t(y) * std::size_t(stride) + 4 * std::size_t(x);
      p[0] = std::uint8_t(v);
      p[1] = std::uint8_t(v >> 8);
      p[2] = std::uint8_t(v >> 16);
      p[3] = 255;
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

}  // namespace

bool IsUntransformedImage(cairo_surface_t* surface) {
  if (cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return false;
  double x = 0, y = 0;
  cairo_surface_get_device_offset(surface, &x, &y);
  if (x != 0 || y != 0) return false;
  cairo_surface_get_device_scale(surface, &x, &y);
  return x == 1 && y == 1;
}

void SetSourceColor(cairo_t* cr, COLORREF color) {
  cairo_set_source_rgb(cr, ColorR(color) / 255.0, ColorG(color) / 255.0, ColorB(color) / 255.0);
}

COLORREF Rop2SourceColor(int rop2, COLORREF color) {
  switch (rop2) {
    case kR2Black:
      return 0;
    case kR2White:
      return 0x00FFFFFF;
    case kR2NotCopyPen:
      return ~color & 0x00FFFFFF;
    default:
      return color;
  }
}

CairoDC::CairoDC(cairo_surface_t* surface, const DeviceCaps& caps) : TDC(caps) {
  surface_ = cairo_surface_reference(surface);
  cr_ = cairo_create(surface_);
  const cairo_surface_type_t type = cairo_surface_get_type(surface_);
  vectorSurface_ = type == CAIRO_SURFACE_TYPE_PDF || type == CAIRO_SURFACE_TYPE_PS;
}

CairoDC::~CairoDC() {
  for (cairo_font_options_t* options : glyphOptions_)
    if (options) cairo_font_options_destroy(options);
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

void CairoDC::RecoverFromError() {
  if (cairo_status(cr_) == CAIRO_STATUS_SUCCESS) return;
  cairo_destroy(cr_);
  cr_ = cairo_create(surface_);
}

void CairoDC::AppendPath(cairo_t* cr, const GdiPath& path, double dx, double dy) {
  cairo_new_path(cr);
  AddPath(cr, path, dx, dy);
}

void CairoDC::AddPath(cairo_t* cr, const GdiPath& path, double dx, double dy) {
  AddFigures(cr, path.Points(), path.Types(), 0, path.Count(), dx, dy);
}

void CairoDC::AddFigures(cairo_t* cr, const DPoint* p, const std::uint8_t* t, std::uint32_t from, std::uint32_t to,
                         double dx, double dy) {
  for (std::uint32_t i = from; i < to; ++i) {
    std::uint8_t base = t[i] & ~kPtCloseFigure;
    if (base == kPtMoveTo || i == from) {
      cairo_move_to(cr, p[i].x + dx, p[i].y + dy);
    } else if (base == kPtBezierTo && i + 2 < to) {
      cairo_curve_to(cr, p[i].x + dx, p[i].y + dy, p[i + 1].x + dx, p[i + 1].y + dy, p[i + 2].x + dx,
                     p[i + 2].y + dy);
      i += 2;
    } else {
      cairo_line_to(cr, p[i].x + dx, p[i].y + dy);
    }
    if (t[i] & kPtCloseFigure) cairo_close_path(cr);
  }
}

void CairoDC::ApplyClip(cairo_t* cr, double dx, double dy) const {
  cairo_reset_clip(cr);
  if (!State().hasClip) return;
  // Clip rectangles may reach far beyond the surface; cairo needs them in
  // its fixed-point range, and only the surface matters.
  TRect b = DeviceBounds();
  std::int64_t bx0 = std::int64_t(b.left) - 1, by0 = std::int64_t(b.top) - 1;
  std::int64_t bx1 = std::int64_t(b.right) + 1, by1 = std::int64_t(b.bottom) + 1;
  bx0 = std::max<std::int64_t>(bx0, -std::int64_t(kCairoCoordLimit));
  by0 = std::max<std::int64_t>(by0, -std::int64_t(kCairoCoordLimit));
  bx1 = std::min<std::int64_t>(bx1, std::int64_t(kCairoCoordLimit));
  by1 = std::min<std::int64_t>(by1, std::int64_t(kCairoCoordLimit));
  cairo_new_path(cr);
  const TRegion& clip = State().clip;
  for (std::uint32_t i = 0; i < clip.RectCount(); ++i) {
    const TRect& r = clip.Rects()[i];
    std::int64_t x0 = std::max<std::int64_t>(r.left, bx0), y0 = std::max<std::int64_t>(r.top, by0);
    std::int64_t x1 = std::min<std::int64_t>(r.right, bx1), y1 = std::min<std::int64_t>(r.bottom, by1);
    if (x0 < x1 && y0 < y1) cairo_rectangle(cr, double(x0) + dx, double(y0) + dy, double(x1 - x0), double(y1 - y0));
  }
  // An empty path clips everything away.
  cairo_clip(cr);
}

CairoDC::StrokeStyle CairoDC::ComputeStroke(const GdiPath& devicePath) const {
  StrokeStyle s;
  s.miterLimit = State().miterLimit;
  const PenData& pen = State().pen.Data();
  double dashes[kMaxUserStyleEntries];
  std::uint32_t count = PenDashes(pen, dashes);
  XForm m = GetLogicalToDevice();
  m.eDx = m.eDy = 0;
  double scale = std::sqrt(std::fabs(m.Determinant()));
  double deviceWidth = double(pen.width) * scale;
  s.thin = !pen.geometric || !std::isfinite(deviceWidth) || deviceWidth <= 1.0;
  double patternScale = 1.0;  // pattern units to device units
  if (s.thin) {
    s.width = 1;
    if (pen.geometric) {
      // Logical dash lengths of a hairline geometric pen, in device pixels.
      patternScale = std::isfinite(scale) ? scale : 0.0;
      for (std::uint32_t i = 0; i < count; ++i) dashes[i] *= patternScale;
    }
    s.fillGaps = !pen.geometric && count > 0 && State().bkMode == kOpaque;
  } else {
    s.nib = m;
    s.width = deviceWidth > kMaxPenDeviceWidth ? kMaxPenDeviceWidth / scale : double(pen.width);
    patternScale = scale;
    switch (pen.EndCap()) {
      case kPsEndCapFlat:
        s.cap = CAIRO_LINE_CAP_BUTT;
        break;
      case kPsEndCapSquare:
        s.cap = CAIRO_LINE_CAP_SQUARE;
        break;
      default:
        s.cap = CAIRO_LINE_CAP_ROUND;
        break;
    }
    switch (pen.Join()) {
      case kPsJoinBevel:
        s.join = CAIRO_LINE_JOIN_BEVEL;
        break;
      case kPsJoinMiter:
        s.join = CAIRO_LINE_JOIN_MITER;
        break;
      default:
        s.join = CAIRO_LINE_JOIN_ROUND;
        break;
    }
  }
  double total = 0;
  for (std::uint32_t i = 0; i < count; ++i) total += dashes[i];
  double deviceTotal = s.thin ? total : total * patternScale;
  if (count > 0 && deviceTotal > 0 && std::isfinite(deviceTotal) &&
      devicePath.ControlLength() / deviceTotal * count < kMaxDashesPerStroke) {
    std::copy(dashes, dashes + count, s.dashes);
    s.dashCount = count;
  } else {
    s.fillGaps = false;
  }
  return s;
}

void CairoDC::StrokeGeometry(cairo_t* cr, const GdiPath& path, const StrokeStyle& style, double dx, double dy,
                             bool dashed) const {
  cairo_identity_matrix(cr);
  cairo_new_path(cr);
  AddStrokedPath(cr, path, dx + 0.5, dy + 0.5, dashed ? style : StrokeStyle{});
  if (MayBeLoneBox(path, dashed && style.dashCount > 0)) KeepLoneBoxAsDrawn(cr);
  StrokeCurrentPath(cr, style, dashed);
}

void CairoDC::StrokeCurrentPath(cairo_t* cr, const StrokeStyle& style, bool dashed) {
  cairo_set_dash(cr, dashed ? style.dashes : nullptr, dashed ? int(style.dashCount) : 0, 0);
  if (style.thin) {
    cairo_set_line_width(cr, 1.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  } else {
    // The path is fixed in device space; the nib (width, dashes) is measured
    // under the matrix in force at the stroke.
    cairo_matrix_t nib = ToCairo(style.nib);
    cairo_set_matrix(cr, &nib);
    cairo_set_line_width(cr, style.width);
    cairo_set_line_cap(cr, style.cap);
    cairo_set_line_join(cr, style.join);
  }
  cairo_set_miter_limit(cr, style.miterLimit);
  cairo_stroke(cr);
  cairo_identity_matrix(cr);
}

bool CairoDC::SetBrushSource(cairo_t* cr, const TBrush& brush, int rop2) const {
  const BrushData& d = brush.Data();
  cairo_surface_t* tile = nullptr;
  switch (d.style) {
    case kBsSolid:
      SetSourceColor(cr, Rop2SourceColor(rop2, d.color));
      return true;
    case kBsHatched:
      tile = HatchSurface(d, State().bkMode, State().bkColor);
      break;
    case kBsPattern:
      tile = PatternSurface(d);
      break;
    default:
      return false;
  }
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
  cairo_surface_destroy(tile);
  // The tile's first pixel at the brush origin (the fills draw in device
  // space).
  cairo_matrix_t origin;
  cairo_matrix_init_translate(&origin, -double(State().brushOrg.x), -double(State().brushOrg.y));
  cairo_pattern_set_matrix(pattern, &origin);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
  cairo_set_source(cr, pattern);
  cairo_pattern_destroy(pattern);
  return true;
}

const GdiPath& CairoDC::Guarded(const GdiPath& path, bool forFill) {
  double x0, y0, x1, y1;
  if (!path.GetBounds(&x0, &y0, &x1, &y1)) return path;
  if (x0 >= -kCairoCoordLimit && y0 >= -kCairoCoordLimit && x1 <= kCairoCoordLimit && y1 <= kCairoCoordLimit)
    return path;
  path.ClipToBox(kCairoCoordLimit, forFill, &guard_);
  return guard_;
}

void CairoDC::SetJoinStrokes(bool on) {
  if (!on) FlushStrokes();
  joinStrokes_ = on;
}

bool CairoDC::JoinsWith(const StrokeStyle& style, COLORREF color) const {
  const StrokeStyle& a = run_.style;
  if (!run_.open || run_.color != color || run_.antialias != antialias_ || run_.points >= kMaxJoinedPoints)
    return false;
  if (a.thin != style.thin || a.width != style.width || a.dashCount != style.dashCount || a.cap != style.cap ||
      a.join != style.join || a.miterLimit != style.miterLimit)
    return false;
  if (!std::equal(a.dashes, a.dashes + a.dashCount, style.dashes)) return false;
  // A hairline's nib is not used.
  return style.thin || (a.nib.eM11 == style.nib.eM11 && a.nib.eM12 == style.nib.eM12 &&
                        a.nib.eM21 == style.nib.eM21 && a.nib.eM22 == style.nib.eM22);
}

void CairoDC::FlushStrokes() {
  if (!run_.open) return;
  run_.open = false;
  if (reach_ == Reach::Surface) {
    if (run_.loneBox) KeepLoneBoxAsDrawn(cr_);
    StrokeCurrentPath(cr_, run_.style, true);
    cairo_identity_matrix(cr_);
    cairo_restore(cr_);
    RecoverFromError();
  }
  Counted(run_.points);
}

void CairoDC::SetReach(Reach reach) {
  FlushStrokes();
  reach_ = reach;
}

bool CairoDC::CountInstead(std::uint64_t points) {
  if (reach_ == Reach::Surface) return false;
  if (reach_ == Reach::CountOnly) {
    FlushStrokes();
    Counted(points);
  }
  return true;
}

void CairoDC::Counted(std::uint64_t points) {
  ++output_.operations;
  output_.points += points;
  AfterOutput(points);
}

void CairoDC::ClipChanged() { FlushStrokes(); }

void CairoDC::AfterOutput(std::uint64_t) {}

void CairoDC::RenderStroke(const GdiPath& devicePath) {
  if (reach_ == Reach::Nowhere) return;
  StrokeStyle style = ComputeStroke(devicePath);
  const GdiPath& path = Guarded(devicePath, false);
  // Binary operations other than copy and gap-filled styles are stroked on
  // their own (see SetJoinStrokes).
  if (joinStrokes_ && !style.fillGaps && State().rop2 == kR2CopyPen) {
    const COLORREF color = State().pen.Data().color;
    if (!JoinsWith(style, color)) {
      FlushStrokes();
      if (reach_ == Reach::Surface) {
        BeforeCairo();
        cairo_save(cr_);
        cairo_identity_matrix(cr_);
        ApplyClip(cr_, 0, 0);
        cairo_set_antialias(cr_, antialias_ ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
        SetSourceColor(cr_, color);
        cairo_new_path(cr_);
      }
      run_.open = true;
      run_.style = style;
      run_.color = color;
      run_.antialias = antialias_;
      run_.points = 0;
      run_.loneBox = MayBeLoneBox(path, style.dashCount > 0);
    } else {
      run_.loneBox = false;
    }
    if (reach_ == Reach::Surface) AddStrokedPath(cr_, path, 0.5, 0.5, style);
    run_.points += path.Count();
    return;
  }
  if (CountInstead(path.Count())) return;
  cairo_t* cr = Cairo();
  cairo_save(cr);
  cairo_identity_matrix(cr);
  ApplyClip(cr, 0, 0);
  cairo_set_antialias(cr, antialias_ ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  if (style.fillGaps) {
    SetSourceColor(cr, State().bkColor);
    StrokeGeometry(cr, path, style, 0, 0, false);
  }
  SetSourceColor(cr, Rop2SourceColor(State().rop2, State().pen.Data().color));
  StrokeGeometry(cr, path, style, 0, 0, true);
  cairo_restore(cr);
  RecoverFromError();
  Counted(path.Count());
}

void CairoDC::RenderFill(const GdiPath& devicePath, const TBrush& brush, int fillMode, int rop2) {
  const GdiPath& path = Guarded(devicePath, true);
  if (CountInstead(path.Count())) return;
  cairo_t* cr = Cairo();
  cairo_save(cr);
  cairo_identity_matrix(cr);
  ApplyClip(cr, 0, 0);
  cairo_set_antialias(cr, antialias_ ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  if (SetBrushSource(cr, brush, rop2)) {
    AppendPath(cr, path, 0, 0);
    cairo_set_fill_rule(cr, fillMode == kWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(cr);
  }
  cairo_restore(cr);
  RecoverFromError();
  Counted(path.Count());
}

bool CairoDC::RenderPatBlt(const GdiPath& devicePath, std::uint32_t rop) {
  switch (rop) {
    case kPatCopy:
      RenderFill(devicePath, State().brush, kWinding, kR2CopyPen);
      return true;
    case kBlackness:
      RenderFill(devicePath, TBrush(Rgb(0, 0, 0)), kWinding, kR2CopyPen);
      return true;
    case kWhiteness:
      RenderFill(devicePath, TBrush(Rgb(255, 255, 255)), kWinding, kR2CopyPen);
      return true;
    case kDstInvert: {
      // |destination - white| is the inverse of every opaque colour.
      const GdiPath& path = Guarded(devicePath, true);
      if (CountInstead(path.Count())) return true;
      cairo_t* cr = Cairo();
      cairo_save(cr);
      cairo_identity_matrix(cr);
      ApplyClip(cr, 0, 0);
      cairo_set_antialias(cr, antialias_ ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
      cairo_set_operator(cr, CAIRO_OPERATOR_DIFFERENCE);
      cairo_set_source_rgb(cr, 1, 1, 1);
      AppendPath(cr, path, 0, 0);
      cairo_fill(cr);
      cairo_restore(cr);
      RecoverFromError();
      Counted(path.Count());
      return true;
    }
    default:
      return false;
  }
}

bool CairoDC::RenderBlit(const BlitRequest& request, const GdiPath& deviceShape) {
  if (!request.alphaBlend && request.rop != kSrcCopy) return false;
  const TRect& r = request.sourceRect;
  std::int32_t w = r.right - r.left, h = r.bottom - r.top;
  // The copied pixels stay with the page: four bytes a pixel, counted as
  // points of eight.
  const std::uint64_t weight =
      deviceShape.Count() + (std::uint64_t(std::max(w, 0)) * std::uint64_t(std::max(h, 0)) + 1) / 2;
  if (CountInstead(weight)) return true;
  bool useAlpha = request.alphaBlend && (request.blend.alphaFormat & kAcSrcAlpha);
  // The pixels are copied: a vector surface keeps its sources until the page
  // is finished, long after the caller's buffer may be gone.
  cairo_surface_t* image = cairo_image_surface_create(useAlpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, w, h);
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(image);
    return false;
  }
  cairo_surface_flush(image);
  std::uint8_t* data = cairo_image_surface_get_data(image);
  int stride = cairo_image_surface_get_stride(image);
  for (std::int32_t y = 0; y < h; ++y) {
    const std::uint8_t* src = request.source.bits + std::size_t(r.top + y) * std::size_t(request.source.stride) +
                              4 * std::size_t(r.left);
    std::memcpy(data + std::size_t(y) * std::size_t(stride), src, 4 * std::size_t(w));
  }
  cairo_surface_mark_dirty(image);

  // Device point -> source pixel -> pixel of the copied block.
  XForm toSource;
  if (!request.sourceToDevice.Invert(&toSource)) {
    cairo_surface_destroy(image);
    return false;
  }
  XForm toImage = CombineTransform(toSource, TranslateTransform(-r.left, -r.top));
  if (!toImage.IsInvertible()) {
    cairo_surface_destroy(image);
    return false;
  }
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(image);
  cairo_surface_destroy(image);
  cairo_matrix_t pm = ToCairo(toImage);
  cairo_pattern_set_matrix(pattern, &pm);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(pattern, request.stretchMode == kHalftone ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);

  const GdiPath& shape = Guarded(deviceShape, true);
  cairo_t* cr = Cairo();
  cairo_save(cr);
  cairo_identity_matrix(cr);
  ApplyClip(cr, 0, 0);
  cairo_set_antialias(cr, antialias_ ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  AppendPath(cr, shape, 0, 0);
  cairo_clip(cr);
  cairo_set_source(cr, pattern);
  if (request.alphaBlend)
    cairo_paint_with_alpha(cr, request.blend.sourceConstantAlpha / 255.0);
  else
    cairo_paint(cr);
  cairo_restore(cr);
  cairo_pattern_destroy(pattern);
  RecoverFromError();
  Counted(weight);
  return true;
}

bool CairoDC::RenderSetPixel(std::int32_t x, std::int32_t y, COLORREF color) {
  if (CountInstead(4)) return true;
  cairo_t* cr = Cairo();
  cairo_save(cr);
  cairo_identity_matrix(cr);
  ApplyClip(cr, 0, 0);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  SetSourceColor(cr, color);
  cairo_rectangle(cr, x, y, 1, 1);
  cairo_fill(cr);
  cairo_restore(cr);
  RecoverFromError();
  Counted(4);
  return true;
}

}  // namespace kvn
