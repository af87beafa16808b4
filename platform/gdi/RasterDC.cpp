#include "platform/gdi/RasterDC.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/gdi/RasterOps.h"

namespace kvn {

namespace {

std::int64_t FloorMod(std::int64_t v, std::int64_t m) {
  std::int64_t r = v % m;
  return r < 0 ? r + m : r;
}

// Whether a ternary table ignores the destination (the result is then
// painted opaque).
bool Rop3ReadsDestination(std::uint8_t table) { return ((table >> 1) & 0x55) != (table & 0x55); }

bool Rop3ReadsPattern(std::uint8_t table) { return (table >> 4) != (table & 0x0F); }

}  // namespace

std::unique_ptr<RasterDC> RasterDC::Create(std::uint8_t* bits, std::int32_t width, std::int32_t height,
                                           RasterFormat format) {
  if (bits == nullptr || width < 1 || height < 1 || width > 32767 || height > 32767) return nullptr;
  cairo_format_t f = format == RasterFormat::Rgb24 ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32;
  if (cairo_format_stride_for_width(f, width) != width * 4) return nullptr;
  cairo_surface_t* surface = cairo_image_surface_create_for_data(bits, f, width, height, width * 4);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  DeviceCaps caps;
  caps.technology = kDtRasDisplay;
  caps.widthPx = width;
  caps.heightPx = height;
  std::unique_ptr<RasterDC> dc(new RasterDC(surface, bits, caps));
  cairo_surface_destroy(surface);
  return dc;
}

RasterDC::RasterDC(cairo_surface_t* surface, std::uint8_t* bits, const DeviceCaps& caps)
    : CairoDC(surface, caps), bits_(bits) {}

void RasterDC::FlushDrawn() {
  cairo_surface_flush(Surface());
  cairoDrew_ = false;
}

void RasterDC::MarkDirty() { writesUntold_ = true; }

void RasterDC::BeforeCairo() {
  if (writesUntold_) cairo_surface_mark_dirty(Surface());
  writesUntold_ = false;
  cairoDrew_ = true;
}

void RasterDC::PutRop2(std::int64_t x, std::int64_t y, int rop2, std::uint32_t word) {
  if (!PixelVisible(x, y)) return;
  std::uint8_t* p = PixelAt(x, y);
  std::uint32_t dest = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
  std::uint32_t r = ApplyRop2(rop2, word, dest);
  p[0] = std::uint8_t(r);
  p[1] = std::uint8_t(r >> 8);
  p[2] = std::uint8_t(r >> 16);
  if (!Rop2ReadsDestination(rop2)) p[3] = 255;
}

bool RasterDC::BrushWord(const BrushData& brush, std::int64_t x, std::int64_t y, std::uint32_t* word) const {
  // The tiles start at the brush origin.
  x -= State().brushOrg.x;
  y -= State().brushOrg.y;
  switch (brush.style) {
    case kBsSolid:
      *word = PixelWord(brush.color);
      return true;
    case kBsHatched:
      if (HatchBit(brush.hatch, x, y)) {
        *word = PixelWord(brush.color);
        return true;
      }
      if (State().bkMode != kOpaque) return false;
      *word = PixelWord(State().bkColor);
      return true;
    case kBsPattern: {
      std::int64_t px = FloorMod(x, brush.patternWidth), py = FloorMod(y, brush.patternHeight);
      *word = brush.pattern[std::size_t(py * brush.patternWidth + px)] & 0x00FFFFFF;
      return true;
    }
    default:
      return false;
  }
}

void RasterDC::ThinStroke(const GdiPath& devicePath, const StrokeStyle& style) {
  GdiPath flat;
  devicePath.Flatten(0.25, &flat);
  // Dash runs in whole pixels along the major axis.
  std::int64_t runEnd[kMaxUserStyleEntries];
  std::int64_t total = 0;
  for (std::uint32_t k = 0; k < style.dashCount; ++k) {
    total += std::int64_t(std::clamp(std::floor(style.dashes[k] + 0.5), 0.0, double(1 << 30)));
    runEnd[k] = total;
  }
  std::uint32_t runs = total > 0 ? style.dashCount : 0;
  int rop2 = State().rop2;
  std::uint32_t penWord = PixelWord(State().pen.Data().color);
  std::uint32_t bkWord = PixelWord(State().bkColor);
  bool fillGaps = style.fillGaps;
  TRect window{0, 0, Width(), Height()};

  FlushCairo();
  const DPoint* pts = flat.Points();
  const std::uint8_t* types = flat.Types();
  std::uint32_t count = flat.Count();
  std::uint32_t i = 0;
  while (i < count) {
    std::uint32_t first = i++;
    while (i < count && (types[i] & ~kPtCloseFigure) != kPtMoveTo) ++i;
    std::uint32_t n = i - first;
    bool closed = (types[i - 1] & kPtCloseFigure) != 0;
    std::int64_t pos = 0;  // the style restarts with every figure
    std::uint32_t segments = closed && n >= 2 ? n : n - 1;
    for (std::uint32_t k = 0; k < segments; ++k) {
      const DPoint& a = pts[first + k];
      const DPoint& b = pts[first + (k + 1) % n];
      std::int64_t x0 = RoundToInt32(a.x), y0 = RoundToInt32(a.y);
      std::int64_t x1 = RoundToInt32(b.x), y1 = RoundToInt32(b.y);
      ForEachLinePixel(x0, y0, x1, y1, window, [&](std::int64_t x, std::int64_t y, std::int64_t step) {
        bool on = true;
        if (runs > 0) {
          std::int64_t p = (pos + step) % total;
          std::uint32_t r = 0;
          while (r + 1 < runs && p >= runEnd[r]) ++r;
          on = (r & 1) == 0;
        }
        if (on)
          PutRop2(x, y, rop2, penWord);
        else if (fillGaps)
          PutRop2(x, y, rop2, bkWord);
      });
      pos += std::max(std::llabs(x1 - x0), std::llabs(y1 - y0));
      if (total > 0) pos %= total;
    }
  }
  MarkDirty();
}

template <class Op>
void RasterDC::ThroughMask(const GdiPath& devicePath, bool stroke, int fillMode, const StrokeStyle* style, Op op) {
  const GdiPath& path = Guarded(devicePath, !stroke);
  double x0, y0, x1, y1;
  if (!path.GetBounds(&x0, &y0, &x1, &y1)) return;
  double pad = 2;
  if (stroke && style != nullptr && !style->thin) {
    // A bound of the nib's reach, miter joins (limit 10) included.
    const XForm& m = style->nib;
    pad += 5 * style->width * (std::fabs(m.eM11) + std::fabs(m.eM12) + std::fabs(m.eM21) + std::fabs(m.eM22));
  }
  TRect box{0, 0, Width(), Height()};
  if (State().hasClip) {
    TRect c = State().clip.GetBox();
    box = {std::max(box.left, c.left), std::max(box.top, c.top), std::min(box.right, c.right),
           std::min(box.bottom, c.bottom)};
  }
  auto clampTo = [](double v, std::int32_t lo, std::int32_t hi) {
    return std::int32_t(std::clamp(v, double(lo), double(hi)));
  };
  std::int32_t mx0 = clampTo(std::floor(x0 - pad), box.left, box.right);
  std::int32_t my0 = clampTo(std::floor(y0 - pad), box.top, box.bottom);
  std::int32_t mx1 = clampTo(std::ceil(x1 + pad), box.left, box.right);
  std::int32_t my1 = clampTo(std::ceil(y1 + pad), box.top, box.bottom);
  if (mx0 >= mx1 || my0 >= my1) return;

  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, mx1 - mx0, my1 - my0);
  cairo_t* mcr = cairo_create(mask);
  cairo_set_antialias(mcr, CAIRO_ANTIALIAS_NONE);
  ApplyClip(mcr, -mx0, -my0);
  cairo_set_source_rgba(mcr, 0, 0, 0, 1);
  if (stroke) {
    StrokeGeometry(mcr, path, *style, -mx0, -my0, true);
  } else {
    AppendPath(mcr, path, -mx0, -my0);
    cairo_set_fill_rule(mcr, fillMode == kWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(mcr);
  }
  cairo_surface_flush(mask);
  if (cairo_surface_status(mask) == CAIRO_STATUS_SUCCESS && cairo_status(mcr) == CAIRO_STATUS_SUCCESS) {
    const std::uint8_t* data = cairo_image_surface_get_data(mask);
    int stride = cairo_image_surface_get_stride(mask);
    FlushCairo();
    for (std::int32_t y = 0; y < my1 - my0; ++y)
      for (std::int32_t x = 0; x < mx1 - mx0; ++x)
        if (data[std::size_t(y) * std::size_t(stride) + std::size_t(x)] >= 128) op(mx0 + x, my0 + y);
    MarkDirty();
  }
  cairo_destroy(mcr);
  cairo_surface_destroy(mask);
}

void RasterDC::RenderStroke(const GdiPath& devicePath) {
  StrokeStyle style = ComputeStroke(devicePath);
  int rop2 = State().rop2;
  if (style.thin && (!Antialias() || rop2 != kR2CopyPen)) {
    ThinStroke(devicePath, style);
    return;
  }
  if (rop2 == kR2CopyPen) {
    CairoDC::RenderStroke(devicePath);
    return;
  }
  std::uint32_t word = PixelWord(State().pen.Data().color);
  ThroughMask(devicePath, true, 0, &style, [&](std::int64_t x, std::int64_t y) { PutRop2(x, y, rop2, word); });
}

void RasterDC::RenderFill(const GdiPath& devicePath, const TBrush& brush, int fillMode, int rop2) {
  if (rop2 == kR2CopyPen) {
    CairoDC::RenderFill(devicePath, brush, fillMode, rop2);
    return;
  }
  const BrushData& b = brush.Data();
  ThroughMask(devicePath, false, fillMode, nullptr, [&](std::int64_t x, std::int64_t y) {
    std::uint32_t word;
    if (BrushWord(b, x, y, &word)) PutRop2(x, y, rop2, word);
  });
}

bool RasterDC::RenderPatBlt(const GdiPath& devicePath, std::uint32_t rop) {
  std::uint8_t table = Rop3Table(rop);
  bool usesPattern = Rop3ReadsPattern(table);
  bool opaque = !Rop3ReadsDestination(table);
  const TBrush& brush = State().brush;
  bool hasBrush = brush.IsValid() && brush.Data().style != kBsNull;
  ThroughMask(devicePath, false, kWinding, nullptr, [&](std::int64_t x, std::int64_t y) {
    if (!PixelVisible(x, y)) return;
    std::uint32_t pattern = 0;
    if (usesPattern && (!hasBrush || !BrushWord(brush.Data(), x, y, &pattern))) return;
    std::uint8_t* p = PixelAt(x, y);
    std::uint32_t dest = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
    std::uint32_t r = ApplyRop3(table, pattern, 0, dest);
    p[0] = std::uint8_t(r);
    p[1] = std::uint8_t(r >> 8);
    p[2] = std::uint8_t(r >> 16);
    if (opaque) p[3] = 255;
  });
  return true;
}

bool RasterDC::RenderBlit(const BlitRequest& request, const GdiPath& deviceShape) {
  if (request.alphaBlend || request.rop == kSrcCopy) return CairoDC::RenderBlit(request, deviceShape);
  const XForm& m = request.sourceToDevice;
  XForm inverse;
  if (!m.IsAxisAligned() || !m.Invert(&inverse)) return false;
  double x0, y0, x1, y1;
  if (!deviceShape.GetBounds(&x0, &y0, &x1, &y1)) return true;
  // Pixels whose centres lie in the destination rectangle.
  auto first = [](double v, std::int32_t limit) {
    return std::int32_t(std::clamp(std::ceil(v - 0.5), 0.0, double(limit)));
  };
  std::int32_t px0 = first(x0, Width()), px1 = first(x1, Width());
  std::int32_t py0 = first(y0, Height()), py1 = first(y1, Height());
  std::uint8_t table = Rop3Table(request.rop);
  bool usesPattern = Rop3ReadsPattern(table);
  bool opaque = !Rop3ReadsDestination(table);
  const TBrush& brush = State().brush;
  bool hasBrush = brush.IsValid() && brush.Data().style != kBsNull;
  const TRect& sr = request.sourceRect;
  FlushCairo();
  for (std::int32_t y = py0; y < py1; ++y) {
    for (std::int32_t x = px0; x < px1; ++x) {
      if (!PixelVisible(x, y)) continue;
      DPoint s = inverse.Apply({x + 0.5, y + 0.5});
      double u = std::floor(s.x), v = std::floor(s.y);
      if (!(u >= sr.left && u < sr.right && v >= sr.top && v < sr.bottom)) continue;
      const std::uint8_t* sp = request.source.bits + std::size_t(v) * std::size_t(request.source.stride) +
                               4 * std::size_t(u);
      std::uint32_t source = std::uint32_t(sp[0]) | (std::uint32_t(sp[1]) << 8) | (std::uint32_t(sp[2]) << 16);
      std::uint32_t pattern = 0;
      if (usesPattern && hasBrush) BrushWord(brush.Data(), x, y, &pattern);
      std::uint8_t* p = PixelAt(x, y);
      std::uint32_t dest = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
      std::uint32_t r = ApplyRop3(table, pattern, source, dest);
      p[0] = std::uint8_t(r);
      p[1] = std::uint8_t(r >> 8);
      p[2] = std::uint8_t(r >> 16);
      if (opaque) p[3] = 255;
    }
  }
  MarkDirty();
  return true;
}

COLORREF RasterDC::RenderGetPixel(std::int32_t x, std::int32_t y) {
  FlushCairo();
  const std::uint8_t* p = PixelAt(x, y);
  return Rgb(p[2], p[1], p[0]);
}

bool RasterDC::RenderSetPixel(std::int32_t x, std::int32_t y, COLORREF color) {
  FlushCairo();
  std::uint8_t* p = PixelAt(x, y);
  p[0] = ColorB(color);
  p[1] = ColorG(color);
  p[2] = ColorR(color);
  p[3] = 255;
  MarkDirty();
  return true;
}

}  // namespace kvn
