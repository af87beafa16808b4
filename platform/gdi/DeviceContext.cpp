// TDC state: page mapping, world transform, modes, saved states, objects and
// clipping. The drawing calls are in DeviceContextDraw.cpp.
#include "platform/gdi/DeviceContext.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kvn {

TDC::TDC(const DeviceCaps& caps)
    : caps_(caps),
      originalPen_(StockPen(kBlackPen)),
      originalBrush_(StockBrush(kWhiteBrush)),
      originalFont_(StockFont(kSystemFont)) {
  // The metric map modes divide by the resolution.
  caps_.dpiX = std::max(caps_.dpiX, 1);
  caps_.dpiY = std::max(caps_.dpiY, 1);
  caps_.widthPx = std::max(caps_.widthPx, 0);
  caps_.heightPx = std::max(caps_.heightPx, 0);
  state_.pen = originalPen_;
  state_.brush = originalBrush_;
  state_.font = originalFont_;
  UpdateMapping();
}

TDC::~TDC() = default;

void TDC::SetAbortProc(AbortProc proc) {
  abortProc_ = std::move(proc);
  aborted_ = false;
  nextAbortCheck_ = operations_ + kAbortCheckOperations;
}

bool TDC::CountOperation() {
  if (++operations_ < nextAbortCheck_) return !aborted_;
  return QueryAbort();
}

bool TDC::QueryAbort() {
  nextAbortCheck_ = operations_ + kAbortCheckOperations;
  if (aborted_ || !abortProc_) return !aborted_;
  // The procedure may pump the toolkit's messages; this context is between
  // two operations meanwhile.
  if (!abortProc_(this, 0)) aborted_ = true;
  return !aborted_;
}

int TDC::GetDeviceCaps(int index) const {
  auto millimetres = [](std::int32_t pixels, std::int32_t dpi) {
    return dpi > 0 ? int(std::floor(double(pixels) * 25.4 / dpi + 0.5)) : 0;
  };
  switch (index) {
    case kCapTechnology:
      return caps_.technology;
    case kCapHorzSize:
      return millimetres(caps_.widthPx, caps_.dpiX);
    case kCapVertSize:
      return millimetres(caps_.heightPx, caps_.dpiY);
    case kCapHorzRes:
      return caps_.widthPx;
    case kCapVertRes:
      return caps_.heightPx;
    case kCapBitsPixel:
      return caps_.bitsPixel;
    case kCapPlanes:
      return 1;
    case kCapNumColors:
      // The colours of a device of 8 bits or fewer; -1 beyond.
      return caps_.bitsPixel <= 8 ? 1 << caps_.bitsPixel : -1;
    case kCapRasterCaps:
      return caps_.rasterCaps;
    case kCapLogPixelsX:
      return caps_.dpiX;
    case kCapLogPixelsY:
      return caps_.dpiY;
    default:
      return 0;
  }
}

// ---- Page mapping and world transform

XForm TDC::GetPageTransform() const {
  double sx = double(state_.viewportExt.cx) / double(state_.windowExt.cx);
  double sy = double(state_.viewportExt.cy) / double(state_.windowExt.cy);
  return XForm{sx, 0, 0, sy, state_.viewportOrg.x - state_.windowOrg.x * sx,
               state_.viewportOrg.y - state_.windowOrg.y * sy};
}

XForm TDC::GetLogicalToDevice() const { return l2d_; }

void TDC::UpdateMapping() { l2d_ = CombineTransform(state_.world, GetPageTransform()); }

void TDC::AdjustIsotropic() {
  // Both axes take the smaller scale, so that the window fits the viewport;
  // signs stay as they were.
  TSize& v = state_.viewportExt;
  const TSize& w = state_.windowExt;
  double xs = std::fabs(double(v.cx) / w.cx);
  double ys = std::fabs(double(v.cy) / w.cy);
  auto rescale = [](std::int32_t sign, double magnitude) {
    std::int32_t m = std::max<std::int32_t>(1, RoundToInt32(magnitude));
    return sign < 0 ? -m : m;
  };
  if (xs < ys)
    v.cy = rescale(v.cy, std::fabs(double(w.cy)) * xs);
  else if (ys < xs)
    v.cx = rescale(v.cx, std::fabs(double(w.cx)) * ys);
}

int TDC::SetMapMode(int mode) {
  if (mode < kMmText || mode > kMmAnisotropic) return 0;
  int previous = state_.mapMode;
  bool wasScalable = previous == kMmIsotropic || previous == kMmAnisotropic;
  auto metric = [this](std::int32_t unitsPerInch) {
    state_.windowExt = {unitsPerInch, unitsPerInch};
    state_.viewportExt = {caps_.dpiX, -caps_.dpiY};
  };
  switch (mode) {
    case kMmText:
      state_.windowExt = {1, 1};
      state_.viewportExt = {1, 1};
      break;
    case kMmLoMetric:
      metric(254);
      break;
    case kMmHiMetric:
      metric(2540);
      break;
    case kMmLoEnglish:
      metric(100);
      break;
    case kMmHiEnglish:
      metric(1000);
      break;
    case kMmTwips:
      metric(1440);
      break;
    case kMmIsotropic:
      if (!wasScalable) metric(254);
      break;
    default:  // kMmAnisotropic keeps the extents of the previous mode
      break;
  }
  state_.mapMode = mode;
  if (mode == kMmIsotropic) AdjustIsotropic();
  UpdateMapping();
  return previous;
}

bool TDC::SetWindowOrg(int x, int y, TPoint* old) {
  if (old) *old = state_.windowOrg;
  state_.windowOrg = {x, y};
  UpdateMapping();
  return true;
}

bool TDC::SetViewportOrg(int x, int y, TPoint* old) {
  if (old) *old = state_.viewportOrg;
  state_.viewportOrg = {x, y};
  UpdateMapping();
  return true;
}

bool TDC::SetWindowExt(int cx, int cy, TSize* old) {
  if (old) *old = state_.windowExt;
  if (state_.mapMode != kMmIsotropic && state_.mapMode != kMmAnisotropic) return true;
  if (cx == 0 || cy == 0) return false;
  state_.windowExt = {cx, cy};
  if (state_.mapMode == kMmIsotropic) AdjustIsotropic();
  UpdateMapping();
  return true;
}

bool TDC::SetViewportExt(int cx, int cy, TSize* old) {
  if (old) *old = state_.viewportExt;
  if (state_.mapMode != kMmIsotropic && state_.mapMode != kMmAnisotropic) return true;
  if (cx == 0 || cy == 0) return false;
  state_.viewportExt = {cx, cy};
  if (state_.mapMode == kMmIsotropic) AdjustIsotropic();
  UpdateMapping();
  return true;
}

int TDC::SetGraphicsMode(int mode) {
  if (mode != kGmCompatible && mode != kGmAdvanced) return 0;
  if (mode == kGmCompatible && !state_.world.IsIdentity()) return 0;
  int previous = state_.graphicsMode;
  state_.graphicsMode = mode;
  return previous;
}

bool TDC::SetWorldTransform(const XForm& xf) {
  if (state_.graphicsMode != kGmAdvanced || !xf.IsInvertible()) return false;
  state_.world = xf;
  UpdateMapping();
  return true;
}

bool TDC::ModifyWorldTransform(const XForm& xf, int mode) {
  if (state_.graphicsMode != kGmAdvanced) return false;
  XForm result;
  switch (mode) {
    case kMwtIdentity:
      result = XForm{};
      break;
    case kMwtLeftMultiply:
      result = CombineTransform(xf, state_.world);
      break;
    case kMwtRightMultiply:
      result = CombineTransform(state_.world, xf);
      break;
    default:
      return false;
  }
  if (!result.IsInvertible()) return false;
  state_.world = result;
  UpdateMapping();
  return true;
}

// ---- Modes and colours

int TDC::SetROP2(int rop2) {
  if (rop2 < kR2Black || rop2 > kR2White) return 0;
  return std::exchange(state_.rop2, rop2);
}

int TDC::SetBkMode(int mode) {
  if (mode != kTransparent && mode != kOpaque) return 0;
  return std::exchange(state_.bkMode, mode);
}

COLORREF TDC::SetBkColor(COLORREF color) { return std::exchange(state_.bkColor, StripColorFlags(color)); }

COLORREF TDC::SetTextColor(COLORREF color) { return std::exchange(state_.textColor, StripColorFlags(color)); }

std::uint32_t TDC::SetTextAlign(std::uint32_t align) { return std::exchange(state_.textAlign, align); }

int TDC::SetPolyFillMode(int mode) {
  if (mode != kAlternate && mode != kWinding) return 0;
  return std::exchange(state_.polyFillMode, mode);
}

int TDC::SetStretchBltMode(int mode) {
  if (mode < kBlackOnWhite || mode > kHalftone) return 0;
  return std::exchange(state_.stretchBltMode, mode);
}

bool TDC::SetMiterLimit(double limit, double* old) {
  if (!(limit >= 1.0) || !std::isfinite(limit)) return false;
  if (old) *old = state_.miterLimit;
  state_.miterLimit = limit;
  return true;
}

bool TDC::SetBrushOrg(int x, int y, TPoint* old) {
  if (old) *old = state_.brushOrg;
  state_.brushOrg = TPoint{x, y};
  return true;
}

// ---- Saved states

int TDC::SaveDC() {
  if (saved_.size() >= std::size_t(kMaxSavedStates)) return 0;
  saved_.push_back(state_);
  return int(saved_.size());
}

bool TDC::RestoreDC(int saved) {
  int depth = int(saved_.size());
  if (saved == 0) return false;
  int level = saved > 0 ? saved : depth + 1 + saved;
  if (level < 1 || level > depth) return false;
  state_ = std::move(saved_[std::size_t(level - 1)]);
  saved_.resize(std::size_t(level - 1));
  UpdateMapping();
  ClipChanged();
  return true;
}

// ---- Coordinates

bool TDC::LPtoDP(TPoint* points, int count) const {
  if (count < 0 || (count > 0 && points == nullptr)) return false;
  for (int i = 0; i < count; ++i) {
    DPoint d = l2d_.Apply(DPoint{double(points[i].x), double(points[i].y)});
    points[i] = {RoundToInt32(d.x), RoundToInt32(d.y)};
  }
  return true;
}

bool TDC::DPtoLP(TPoint* points, int count) const {
  if (count < 0 || (count > 0 && points == nullptr)) return false;
  XForm inverse;
  if (!l2d_.Invert(&inverse)) return false;
  for (int i = 0; i < count; ++i) {
    DPoint l = inverse.Apply(DPoint{double(points[i].x), double(points[i].y)});
    points[i] = {RoundToInt32(l.x), RoundToInt32(l.y)};
  }
  return true;
}

// ---- Objects

TPen TDC::SelectObject(const TPen& pen) {
  if (!pen.IsValid()) return {};
  return std::exchange(state_.pen, pen);
}

TBrush TDC::SelectObject(const TBrush& brush) {
  if (!brush.IsValid()) return {};
  return std::exchange(state_.brush, brush);
}

TFont TDC::SelectObject(const TFont& font) {
  if (!font.IsValid()) return {};
  return std::exchange(state_.font, font);
}

bool TDC::SelectStockObject(int id) {
  if (TPen pen = StockPen(id); pen.IsValid()) {
    state_.pen = pen;
    return true;
  }
  if (TBrush brush = StockBrush(id); brush.IsValid()) {
    state_.brush = brush;
    return true;
  }
  if (TFont font = StockFont(id); font.IsValid()) {
    state_.font = font;
    return true;
  }
  return false;
}

void TDC::RestorePen() { state_.pen = originalPen_; }
void TDC::RestoreBrush() { state_.brush = originalBrush_; }
void TDC::RestoreFont() { state_.font = originalFont_; }

void TDC::RestoreObjects() {
  state_.pen = originalPen_;
  state_.brush = originalBrush_;
  state_.font = originalFont_;
}

// ---- Clipping

TRect TDC::DeviceBounds() const {
  if (caps_.widthPx > 0 && caps_.heightPx > 0) return {0, 0, caps_.widthPx, caps_.heightPx};
  return {-kRegionCoordLimit, -kRegionCoordLimit, kRegionCoordLimit, kRegionCoordLimit};
}

bool TDC::PixelVisible(std::int64_t x, std::int64_t y) const {
  if (caps_.widthPx > 0 && caps_.heightPx > 0 && (x < 0 || y < 0 || x >= caps_.widthPx || y >= caps_.heightPx))
    return false;
  return !state_.hasClip || state_.clip.Contains(x, y);
}

int TDC::CombineClip(const TRegion& region, int mode) {
  if (mode == kRgnCopy) {
    state_.clip = region;
  } else if (mode >= kRgnAnd && mode <= kRgnDiff) {
    TRegion base = state_.hasClip ? state_.clip : TRegion(DeviceBounds());
    TRegion result;
    result.Combine(base, region, mode);
    state_.clip = std::move(result);
  } else {
    return kRegionError;
  }
  state_.hasClip = true;
  ClipChanged();
  return state_.clip.Kind();
}

int TDC::SelectClipRgn(const TRegion* deviceRegion) {
  if (deviceRegion == nullptr) {
    state_.hasClip = false;
    state_.clip = TRegion();
    ClipChanged();
    return kSimpleRegion;
  }
  return CombineClip(*deviceRegion, kRgnCopy);
}

int TDC::ExtSelectClipRgn(const TRegion* deviceRegion, int mode) {
  if (deviceRegion == nullptr) {
    if (mode != kRgnCopy) return kRegionError;
    state_.hasClip = false;
    state_.clip = TRegion();
    ClipChanged();
    return kSimpleRegion;
  }
  return CombineClip(*deviceRegion, mode);
}

bool TDC::LogicalRectRegion(int left, int top, int right, int bottom, TRegion* out) const {
  DPoint c[4] = {Map(left, top), Map(right, top), Map(right, bottom), Map(left, bottom)};
  for (const DPoint& p : c)
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  if (l2d_.IsAxisAligned()) {
    auto clampCoord = [](double v) {
      return std::clamp(RoundToInt32(v), -kRegionCoordLimit, kRegionCoordLimit);
    };
    *out = TRegion(TRect{clampCoord(c[0].x), clampCoord(c[0].y), clampCoord(c[2].x), clampCoord(c[2].y)});
    return true;
  }
  const std::uint32_t count = 4;
  return TRegion::FromPolygons(c, &count, 1, kWinding, out);
}

int TDC::IntersectClipRect(int left, int top, int right, int bottom) {
  TRegion r;
  if (!LogicalRectRegion(left, top, right, bottom, &r)) return kRegionError;
  return CombineClip(r, kRgnAnd);
}

int TDC::ExcludeClipRect(int left, int top, int right, int bottom) {
  TRegion r;
  if (!LogicalRectRegion(left, top, right, bottom, &r)) return kRegionError;
  return CombineClip(r, kRgnDiff);
}

int TDC::GetClipRgn(TRegion* out) const {
  if (out == nullptr) return -1;
  if (!state_.hasClip) return 0;
  *out = state_.clip;
  return 1;
}

int TDC::GetClipBox(TRect* out) const {
  if (out == nullptr) return kRegionError;
  TRect box = state_.hasClip ? state_.clip.GetBox() : DeviceBounds();
  XForm inverse;
  if (!l2d_.Invert(&inverse)) return kRegionError;
  DPoint c[4] = {inverse.Apply({double(box.left), double(box.top)}), inverse.Apply({double(box.right), double(box.top)}),
                 inverse.Apply({double(box.right), double(box.bottom)}),
                 inverse.Apply({double(box.left), double(box.bottom)})};
  double x0 = c[0].x, y0 = c[0].y, x1 = x0, y1 = y0;
  for (const DPoint& p : c) {
    x0 = std::min(x0, p.x);
    y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x);
    y1 = std::max(y1, p.y);
  }
  *out = {RoundToInt32(x0), RoundToInt32(y0), RoundToInt32(x1), RoundToInt32(y1)};
  return state_.hasClip ? state_.clip.Kind() : kSimpleRegion;
}

}  // namespace kvn
