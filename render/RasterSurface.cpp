#include "render/RasterSurface.h"

#include <algorithm>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "platform/gdi/RasterDC.h"
#include "render/RasterSurfaceAgg.h"
#include "render/ThickLines.h"

namespace kvn {

namespace {

std::int64_t Clamp64(std::int64_t v, std::int64_t lo, std::int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// 1/256 pixel to a pixel index: (v + 128) >> 8, without overflow near the
// ends of the 32-bit range.
std::int64_t FixedToPixel(std::int32_t v) { return (std::int64_t(v) + 128) >> 8; }

// floor(a / b) and ceil(a / b) for b > 0.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if (a % b != 0 && a < 0) --q;
  return q;
}
std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }

// One channel of c + (s - c) a / 256, in the order of operations that keeps
// the numerator non-negative.
std::uint32_t BlendChannel(std::uint32_t c, std::uint32_t s, std::uint32_t a) {
  return (c * (256 - a) + s * a) >> 8;
}

std::uint32_t Blend(std::uint32_t p, std::uint32_t argb) {
  const std::uint32_t a = argb >> 24;
  const std::uint32_t b = BlendChannel(p & 0xFF, argb & 0xFF, a);
  const std::uint32_t g = BlendChannel((p >> 8) & 0xFF, (argb >> 8) & 0xFF, a);
  const std::uint32_t r = BlendChannel((p >> 16) & 0xFF, (argb >> 16) & 0xFF, a);
  // The fourth byte accumulates coverage as the anti-aliased blenders do.
  const std::uint32_t pa = p >> 24;
  const std::uint32_t na = pa - ((pa * a + 255) >> 8) + a;
  return (std::min<std::uint32_t>(na, 255) << 24) | (r << 16) | (g << 8) | b;
}

// Pixel blocks of 2 MiB or more start on a 2 MiB boundary and ask for huge
// pages before their first touch: strokes write all over the surface, and
// in 4 KiB pages a 1920 x 1080 surface spans some 2,000 pages, more than the
// translation cache holds, so nearly every scattered write also missed
// there. The block is zeroed as before; `pixels` receives its aligned start.
std::unique_ptr<std::uint32_t[]> NewPixelBlock(std::int64_t need, std::uint32_t** pixels) {
  constexpr std::size_t kHugePage = std::size_t(2) << 20;
  const std::size_t bytes = std::size_t(need) * 4;
  if (bytes < kHugePage) {
    std::unique_ptr<std::uint32_t[]> block(new std::uint32_t[std::size_t(need)]());
    *pixels = block.get();
    return block;
  }
  // The advice covers whole huge pages only, so the pixels' last, partial
  // one (a quarter of a 1920 x 1080 surface) would stay in small pages: the
  // advised range is rounded up to a whole huge page. Two huge pages of
  // padding hold both the alignment (below one) and the rounding (below
  // one): aligned - start + huge <= 4 MiB + bytes, the block's size. need
  // <= 2^28 pixels, so the padded size stays far inside size_t.
  std::unique_ptr<std::uint32_t[]> block(new std::uint32_t[std::size_t(need) + 2 * kHugePage / 4]);
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block.get());
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
  std::uint32_t* p = block.get() + (aligned - start) / 4;
#if defined(MADV_HUGEPAGE)
  // Advice only: a refusal leaves ordinary pages.
  const std::size_t huge = (bytes + kHugePage - 1) & ~std::size_t(kHugePage - 1);
  (void)madvise(p, huge, MADV_HUGEPAGE);
#endif
  std::memset(p, 0, bytes);
  *pixels = p;
  return block;
}

}  // namespace

cRasterSurface::cRasterSurface(bool memoryOnly) : memoryOnly_(memoryOnly) {}

cRasterSurface::~cRasterSurface() {
  // The context and the AGG objects refer to the pixels: drop them first.
  agg_.reset();
  dc_.reset();
}

TDC* cRasterSurface::DC() const { return dc_.get(); }

void cRasterSurface::Flush() const {
  if (dc_) dc_->Flush();
}

void cRasterSurface::MarkDirty() const {
  if (dc_) dc_->MarkDirty();
}

// ---- Prepare and clip ----------------------------------------------------------

bool cRasterSurface::Prepare(const TRect& rect) {
  if (rect.right < 1 || rect.bottom < 1) return false;
  if (rect.right > kMaxSide || rect.bottom > kMaxSide) return false;
  const std::int64_t need = std::int64_t(rect.right) * rect.bottom;
  if (need > kMaxPixels) return false;

  if (memoryOnly_) {
    if (!buffer_ || capacity_ < need) {
      buffer_ = NewPixelBlock(need, &pixels_);
      capacity_ = std::uint32_t(need);
      agg_.reset();
    }
    width_ = rect.right;
    height_ = rect.bottom;
  } else {
    // The raster context is always 32 bits deep, so the depth test that
    // would replace it after a change of screen mode never fires.
    if (!dc_ || width_ < rect.right || height_ < rect.bottom) {
      std::uint32_t* start = nullptr;
      std::unique_ptr<std::uint32_t[]> pixels = NewPixelBlock(need, &start);
      std::unique_ptr<RasterDC> dc = RasterDC::Create(reinterpret_cast<std::uint8_t*>(start), rect.right, rect.bottom);
      if (!dc) return false;
      agg_.reset();
      dc_ = std::move(dc);
      buffer_ = std::move(pixels);
      pixels_ = start;
      capacity_ = std::uint32_t(need);
      width_ = rect.right;
      height_ = rect.bottom;
      screenBitDepth_ = dc_->GetDeviceCaps(kCapBitsPixel);
    }
    dc_->SetMapMode(kMmAnisotropic);
    dc_->SetPolyFillMode(kAlternate);
    dc_->SetBkMode(kTransparent);
    dc_->SetROP2(kR2CopyPen);
    dc_->SetBkColor(Rgb(255, 255, 255));
    dc_->SetTextColor(Rgb(0, 0, 0));
    dc_->SetTextAlign(0);
    const TRegion clipRegion(rect);
    dc_->SelectClipRgn(&clipRegion);
  }
  bits_ = reinterpret_cast<std::uint8_t*>(pixels_);

  if (!agg_) agg_ = std::make_unique<RasterAgg>();
  agg_->rows.attach(bits_, unsigned(width_), unsigned(height_), Stride());
  SetClip(rect);
  return true;
}

void cRasterSurface::SetClip(const TRect& rect) {
  const std::int64_t left = Clamp64(rect.left, 0, width_);
  const std::int64_t top = Clamp64(rect.top, 0, height_);
  const std::int64_t right = Clamp64(rect.right, left, width_);
  const std::int64_t bottom = Clamp64(rect.bottom, top, height_);
  clip_ = {std::int32_t(left), std::int32_t(top), std::int32_t(right), std::int32_t(bottom)};
  if (!agg_) return;
  if (clip_.IsEmpty())
    agg_->base.reset_clipping(false);  // the box (1, 1, 0, 0): nothing passes
  else
    agg_->base.clip_box(clip_.left, clip_.top, clip_.right - 1, clip_.bottom - 1);
}

// ---- Output ---------------------------------------------------------------------

RasterBlitSource cRasterSurface::BlitSource() const {
  RasterBlitSource out;
  if (bits_ == nullptr || clip_.IsEmpty()) return out;
  Flush();
  out.pixels = PixelView{bits_, width_, height_, Stride()};
  out.area = clip_;
  return out;
}

void cRasterSurface::BlitTo(TDC* target) const {
  if (target == nullptr) return;
  const RasterBlitSource source = BlitSource();
  if (!source.pixels.IsValid()) return;
  const TRect& a = source.area;
  target->BitBlt(a.left, a.top, a.right - a.left, a.bottom - a.top, source.pixels, a.left, a.top, kSrcCopy);
}

TDib cRasterSurface::ToDib24(bool* pureBlackWhite) const {
  TDib dib;
  if (bits_ == nullptr || clip_.IsEmpty()) return dib;
  const std::int32_t w = clip_.right - clip_.left;
  const std::int32_t h = clip_.bottom - clip_.top;
  if (!dib.Create(w, h, 24)) return TDib();
  Flush();
  bool blackWhite = true;
  std::uint8_t* rows = dib.Bits();
  const std::uint32_t stride = dib.Stride();
  for (std::int32_t r = 0; r < h; ++r) {
    // Bottom-up: the first stored row is the last row of the area.
    std::uint8_t* out = rows + std::size_t(r) * stride;
    std::memset(out + stride - 4, 0, 4);  // the row's padding, whatever remains of it
    const std::uint32_t* in = PixelAt(clip_.left, clip_.top + h - 1 - r);
    for (std::int32_t x = 0; x < w; ++x) {
      const std::uint32_t p = in[x];
      out[3 * x] = std::uint8_t(p);
      out[3 * x + 1] = std::uint8_t(p >> 8);
      out[3 * x + 2] = std::uint8_t(p >> 16);
      const std::uint32_t rgb = p & 0xFFFFFF;
      if (rgb != 0 && rgb != 0xFFFFFF) blackWhite = false;
    }
  }
  if (pureBlackWhite != nullptr) *pureBlackWhite = blackWhite;
  return dib;
}

// ---- Fills and runs ----------------------------------------------------------------

void cRasterSurface::FillRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                              std::uint32_t value) {
  FillBox(x, y, std::int64_t(x) + width, std::int64_t(y) + height, value);
}

void cRasterSurface::FillRectColorref(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                      COLORREF color) {
  FillRect(x, y, width, height, ColorrefToPixel(color));
}

void cRasterSurface::FillRectAlpha(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                   COLORREF color, std::uint8_t alpha) {
  if (alpha > 254) {
    FillRectColorref(x, y, width, height, color);
    return;
  }
  const std::int64_t x0 = std::max<std::int64_t>(x, clip_.left);
  const std::int64_t y0 = std::max<std::int64_t>(y, clip_.top);
  const std::int64_t x1 = std::min<std::int64_t>(std::int64_t(x) + width, clip_.right);
  const std::int64_t y1 = std::min<std::int64_t>(std::int64_t(y) + height, clip_.bottom);
  if (x0 >= x1 || y0 >= y1) return;
  const std::uint32_t argb = (std::uint32_t(alpha) << 24) | (ColorrefToPixel(color) & 0xFFFFFF);
  DirectWrite scope(*this);
  for (std::int64_t py = y0; py < y1; ++py) {
    std::uint32_t* p = PixelAt(std::int32_t(x0), std::int32_t(py));
    for (std::int64_t i = 0; i < x1 - x0; ++i) p[i] = Blend(p[i], argb);
  }
}

void cRasterSurface::HorizontalLine(std::int32_t x, std::int32_t y, std::int32_t length, std::uint32_t value) {
  if (y < clip_.top || y >= clip_.bottom) return;
  const std::int64_t start = length >= 0 ? std::int64_t(x) : std::int64_t(x) + length + 1;
  FillBox(start, y, start + (length >= 0 ? std::int64_t(length) : -std::int64_t(length)), std::int64_t(y) + 1,
          value);
}

void cRasterSurface::VerticalLine(std::int32_t x, std::int32_t y, std::int32_t length, std::uint32_t value) {
  if (x < clip_.left || x >= clip_.right) return;
  const std::int64_t start = length >= 0 ? std::int64_t(y) : std::int64_t(y) + length + 1;
  FillBox(x, start, std::int64_t(x) + 1, start + (length >= 0 ? std::int64_t(length) : -std::int64_t(length)),
          value);
}

// ---- Single pixels ---------------------------------------------------------------

void cRasterSurface::BlendAt(std::int32_t x, std::int32_t y, std::uint32_t argb) {
  DirectWrite scope(*this);
  std::uint32_t* p = PixelAt(x, y);
  *p = Blend(*p, argb);
}

void cRasterSurface::BlendPixel(std::int32_t x, std::int32_t y, std::uint32_t argb) {
  if (x < clip_.left || x >= clip_.right || y < clip_.top || y >= clip_.bottom) return;
  BlendAt(x, y, argb);
}

void cRasterSurface::BlendPixelUnclipped(std::int32_t x, std::int32_t y, std::uint32_t argb) {
  if (bits_ == nullptr || x < 0 || x >= width_ || y < 0 || y >= height_) return;
  BlendAt(x, y, argb);
}

bool cRasterSurface::GetPixel(std::int32_t x, std::int32_t y, std::uint32_t* value) const {
  if (value == nullptr || x < clip_.left || x >= clip_.right || y < clip_.top || y >= clip_.bottom) return false;
  Flush();
  *value = *PixelAt(x, y);
  return true;
}

// ---- Lines ---------------------------------------------------------------------------

namespace {

// The thin line between pixels (ax, ay) and (bx, by), for a non-empty clip
// and a caller that holds the write scope: DrawLine's work without its
// per-call set-up, which a polyline pays once for all its segments.
void ThinLineInScope(cRasterSurface& surface, std::int64_t ax, std::int64_t ay, std::int64_t bx, std::int64_t by,
                     std::uint32_t value) {
  const TRect& clip = surface.Clip();
  // Most segments of a drawing lie wholly inside the clip: with both end
  // pixels inside, every pixel between them is too (below), and neither the
  // ends nor the steps need a clip test.
  const bool inside = ax >= clip.left && ax < clip.right && bx >= clip.left && bx < clip.right &&
                      ay >= clip.top && ay < clip.bottom && by >= clip.top && by < clip.bottom;
  if (inside) {
    *surface.PixelAt(std::int32_t(ax), std::int32_t(ay)) = value;
    *surface.PixelAt(std::int32_t(bx), std::int32_t(by)) = value;
  } else {
    auto put = [&](std::int64_t x, std::int64_t y) {
      if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom)
        *surface.PixelAt(std::int32_t(x), std::int32_t(y)) = value;
    };
    put(ax, ay);
    put(bx, by);
  }
  const std::int64_t dx = bx - ax, dy = by - ay;
  const bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
  const std::int64_t major0 = xMajor ? ax : ay;
  const std::int64_t minor0 = xMajor ? ay : ax;
  const std::int64_t dMajor = xMajor ? dx : dy;
  const std::int64_t dMinor = xMajor ? dy : dx;
  const std::int64_t n = dMajor < 0 ? -dMajor : dMajor;
  if (n < 2) return;
  const std::int64_t sign = dMajor < 0 ? -1 : 1;
  // The minor coordinate in 16.16 fixed point, rounded by the half added to
  // its start; 64 bits, because pixel indices reach 2^23. Inside the clip
  // both deltas are below kMaxSide < 2^15, so dMinor 2^16 and n fit 32 bits
  // and the (cheaper) 32-bit division truncates to the same quotient.
  const std::int64_t step = inside ? std::int64_t(std::int32_t(dMinor * 65536) / std::int32_t(n))
                                   : (dMinor * 65536) / n;
  const std::int64_t base = minor0 * 65536 + 0x8000;
  std::int64_t iFirst = 1, iLast = n - 1;
  if (!inside) {
    // Only the steps whose major coordinate falls inside the clip are walked.
    const std::int64_t lo = xMajor ? clip.left : clip.top;
    const std::int64_t hi = (xMajor ? clip.right : clip.bottom) - 1;
    if (sign > 0) {
      iFirst = std::max(iFirst, lo - major0);
      iLast = std::min(iLast, hi - major0);
    } else {
      iFirst = std::max(iFirst, major0 - hi);
      iLast = std::min(iLast, major0 - lo);
    }
    if (iFirst > iLast) return;
    // The minor, (base + i step) >> 16, moves one way along the line, so the
    // steps whose minor also lies inside the clip form one range, found with
    // two divisions instead of a test per pixel:
    //   minor >= minorLo  <=>  base + i step >= minorLo 2^16 = L,
    //   minor <  minorHi  <=>  base + i step <  minorHi 2^16 = H.
    // Pixel indices below 2^24 keep every product far inside 64 bits.
    const std::int64_t minorLo = xMajor ? clip.top : clip.left;
    const std::int64_t minorHi = xMajor ? clip.bottom : clip.right;
    const std::int64_t L = minorLo * 65536, H = minorHi * 65536;
    const std::int64_t firstAcc = base + iFirst * step, lastAcc = base + iLast * step;
    if (firstAcc >= L && firstAcc < H && lastAcc >= L && lastAcc < H) {
      // Both ends inside, so every step between them: no division needed.
    } else if (step > 0) {
      iFirst = std::max(iFirst, CeilDiv(L - base, step));
      iLast = std::min(iLast, CeilDiv(H - base, step) - 1);
    } else if (step < 0) {
      iFirst = std::max(iFirst, FloorDiv(base - H, -step) + 1);
      iLast = std::min(iLast, FloorDiv(base - L, -step));
    } else if (base < L || base >= H) {
      return;
    }
    if (iFirst > iLast) return;
  }
  // With both ends inside, steps 1 .. n - 1 stay inside as well: the major
  // runs strictly between major0 and major0 + dMajor, and the minor,
  // floor((minor0 2^16 + 2^15 + i step) / 2^16) with i |step| <= (n - 1) / n
  // |dMinor| 2^16 (step truncated towards zero), between minor0 and
  // minor0 + dMinor, all of which are inside.
  //
  // Walked by index: the major part of the pixel's index (`at`, minor 0) moves
  // one pixel (a row for a y-major line) per step, and the minor part is
  // the fixed-point minor, carried by addition (base + i step exactly),
  // taken whole: the pixel is (major0 + sign i, (base + i step) >> 16).
  // `at` is an index, not a pointer, since minor 0 may lie off the surface's
  // rows; the sum is always a pixel inside the clip.
  const std::int64_t rowPixels = surface.Width();
  std::uint32_t* const pixels = surface.PixelAt(0, 0);
  std::int64_t acc = base + iFirst * step;
  const std::int64_t major = major0 + sign * iFirst;
  std::int64_t count = iLast - iFirst + 1;  // >= 1
  if (xMajor) {
    std::int64_t at = major;
    for (; count > 0; --count, at += sign, acc += step) pixels[at + (acc >> 16) * rowPixels] = value;
  } else {
    const std::int64_t majorStep = sign * rowPixels;
    std::int64_t at = major * rowPixels;
    for (; count > 0; --count, at += majorStep, acc += step) pixels[at + (acc >> 16)] = value;
  }
}

}  // namespace

void cRasterSurface::DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                              std::uint32_t value) {
  if (clip_.IsEmpty()) return;
  DirectWrite scope(*this);
  ThinLineInScope(*this, FixedToPixel(x1), FixedToPixel(y1), FixedToPixel(x2), FixedToPixel(y2), value);
}

bool cRasterSurface::DrawWideLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                                  std::int32_t width, std::uint32_t value, TPoint* normal) {
  // A segment shorter than its width is the same band, which the band
  // routine fills exactly when told not to refuse it: one call, not a refused
  // one and a second. A delta beyond its limit is refused either way, with
  // the normal (0, 0).
  return DrawThickLineInt(*this, x1, y1, x2, y2, value, width, false, normal);
}

void cRasterSurface::DrawPolyline(const std::int32_t* points, std::uint32_t count, std::int32_t width,
                                  COLORREF color, std::uint8_t noDots, bool closed) {
  if (points == nullptr || count < 2 || clip_.IsEmpty()) return;
  const std::uint32_t value = ColorrefToPixel(color);
  auto px = [&](std::uint32_t i) { return points[2 * std::size_t(i)]; };
  auto py = [&](std::uint32_t i) { return points[2 * std::size_t(i) + 1]; };
  // Segment k runs from point k - 1 to point k; a closed polyline starts
  // with the closing segment (k = 0, from the last point to the first).
  const std::uint32_t first = closed ? 0 : 1;
  auto from = [&](std::uint32_t k) { return k == 0 ? count - 1 : k - 1; };
  DirectWrite scope(*this);
  const std::int64_t reduced = std::int64_t(width) - 128;
  if (count == 2 && !closed) {
    // One segment, what most strokes and every dash hand on: the loops
    // below without their joints, their closing segment and their
    // same-pixel test (which never applies to a first segment).
    if (reduced < 256) {
      ThinLineInScope(*this, FixedToPixel(points[0]), FixedToPixel(points[1]), FixedToPixel(points[2]), FixedToPixel(points[3]), value);
      return;
    }
    const std::int32_t w = std::int32_t(reduced);
    const bool drawn = DrawWideLine(points[0], points[1], points[2], points[3], w, value, nullptr);
    if (!noDots && w >= 512) {
      DrawDotInt(*this, points[0], points[1], w, value);
      DrawDotInt(*this, points[2], points[3], w, value);
    }
    if (!drawn) FillBox(FixedToPixel(points[2]), FixedToPixel(points[3]), FixedToPixel(points[2]) + 1, FixedToPixel(points[3]) + 1, value);
    return;
  }
  if (reduced < 256) {
    // Each point's pixel is taken once: a segment starts where the one
    // before it ended.
    std::int64_t ax = FixedToPixel(px(from(first))), ay = FixedToPixel(py(from(first)));
    for (std::uint32_t k = first; k < count; ++k) {
      const std::int64_t bx = FixedToPixel(px(k)), by = FixedToPixel(py(k));
      // A segment that starts and ends in one pixel sets only that pixel,
      // which the segment before it (ending where this one starts) has just
      // set to the same value: flattened curves of small shapes are mostly
      // such steps.
      if (k != first && ax == bx && ay == by) continue;
      if (bx - ax >= -1 && bx - ax <= 1 && by - ay >= -1 && by - ay <= 1 && ax >= clip_.left && ax < clip_.right &&
          bx >= clip_.left && bx < clip_.right && ay >= clip_.top && ay < clip_.bottom && by >= clip_.top &&
          by < clip_.bottom) {
        // A step to a neighbouring pixel inside the clip, the rest of them:
        // ThinLineInScope sets its two end pixels and nothing between.
        *PixelAt(std::int32_t(ax), std::int32_t(ay)) = value;
        *PixelAt(std::int32_t(bx), std::int32_t(by)) = value;
      } else {
        // The clip is not empty and the scope is held: DrawLine without its
        // set-up.
        ThinLineInScope(*this, ax, ay, bx, by, value);
      }
      ax = bx;
      ay = by;
    }
    return;
  }
  const std::int32_t w = std::int32_t(reduced);
  bool anyDrawn = false;
  bool previousDrawn = false;
  TPoint previousNormal, firstNormal;
  bool firstDrawn = false;
  for (std::uint32_t k = first; k < count; ++k) {
    TPoint n;
    const bool drawn = DrawWideLine(px(from(k)), py(from(k)), px(k), py(k), w, value, &n);
    if (drawn && previousDrawn) FillJoint(*this, px(from(k)), py(from(k)), previousNormal, n, value);
    if (k == first) {
      firstDrawn = drawn;
      firstNormal = n;
    }
    previousDrawn = drawn;
    previousNormal = n;
    anyDrawn = anyDrawn || drawn;
  }
  if (closed && count > 2 && firstDrawn && previousDrawn)
    FillJoint(*this, px(count - 1), py(count - 1), previousNormal, firstNormal, value);
  // A dot's radius is w >> 9 pixels: below 512 it is 0 and the dot sets
  // nothing, which bands of one to two pixels (most of them) give.
  if (!noDots && w >= 512)
    for (std::uint32_t i = 0; i < count; ++i) DrawDotInt(*this, px(i), py(i), w, value);
  if (!anyDrawn) {
    const std::int64_t ex = FixedToPixel(px(count - 1)), ey = FixedToPixel(py(count - 1));
    FillBox(ex, ey, ex + 1, ey + 1, value);
  }
}

// ---- Surface to surface ------------------------------------------------------------

void cRasterSurface::StampMask(TPoint position, const cRasterSurface& source, std::uint32_t value,
                               std::uint32_t key) {
  if (bits_ == nullptr || source.bits_ == nullptr) return;
  const std::int64_t x0 = std::max<std::int64_t>(0, position.x);
  const std::int64_t y0 = std::max<std::int64_t>(0, position.y);
  const std::int64_t x1 = std::min<std::int64_t>(width_, std::int64_t(position.x) + source.width_);
  const std::int64_t y1 = std::min<std::int64_t>(height_, std::int64_t(position.y) + source.height_);
  if (x0 >= x1 || y0 >= y1) return;
  source.Flush();
  DirectWrite scope(*this);
  for (std::int64_t y = y0; y < y1; ++y) {
    const std::uint32_t* in = source.PixelAt(std::int32_t(x0 - position.x), std::int32_t(y - position.y));
    std::uint32_t* out = PixelAt(std::int32_t(x0), std::int32_t(y));
    for (std::int64_t i = 0; i < x1 - x0; ++i)
      if (in[i] != key) out[i] = value;
  }
}

void cRasterSurface::CopyFrom(const TRect& sourceRect, const cRasterSurface& source, TPoint target) {
  if (bits_ == nullptr || source.bits_ == nullptr) return;
  // The source rectangle within the source, moved with its target...
  std::int64_t sx0 = std::max<std::int64_t>(sourceRect.left, 0);
  std::int64_t sy0 = std::max<std::int64_t>(sourceRect.top, 0);
  std::int64_t sx1 = std::min<std::int64_t>(sourceRect.right, source.width_);
  std::int64_t sy1 = std::min<std::int64_t>(sourceRect.bottom, source.height_);
  const std::int64_t offX = std::int64_t(target.x) - sourceRect.left;
  const std::int64_t offY = std::int64_t(target.y) - sourceRect.top;
  // ...and the part of that which lands on this surface.
  sx0 = std::max(sx0, -offX);
  sy0 = std::max(sy0, -offY);
  sx1 = std::min(sx1, width_ - offX);
  sy1 = std::min(sy1, height_ - offY);
  if (sx0 >= sx1 || sy0 >= sy1) return;
  source.Flush();
  DirectWrite scope(*this);
  const std::size_t bytes = std::size_t(sx1 - sx0) * 4;
  auto copyRow = [&](std::int64_t sy) {
    std::memmove(PixelAt(std::int32_t(sx0 + offX), std::int32_t(sy + offY)),
                 source.PixelAt(std::int32_t(sx0), std::int32_t(sy)), bytes);
  };
  // Rows overlap only when a surface copies onto itself: walk away from the overlap.
  if (&source == this && offY > 0)
    for (std::int64_t sy = sy1 - 1; sy >= sy0; --sy) copyRow(sy);
  else
    for (std::int64_t sy = sy0; sy < sy1; ++sy) copyRow(sy);
}

}  // namespace kvn
