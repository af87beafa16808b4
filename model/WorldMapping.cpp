#include "model/WorldMapping.h"

#include <algorithm>
#include <cmath>
#include <iterator>


namespace kvn {

namespace {

// Device results saturate at +-(2^31 - 1) instead of wrapping: the zoom goes
// up to about 4e7 pixels per world unit, where ordinary coordinates leave the
// 32-bit range. The range is symmetric so that callers may negate a result.
// NaN gives 0.
constexpr double kDeviceLimit = 2147483647.0;

std::int32_t Saturate(double v) {
  if (std::isnan(v)) return 0;
  return std::int32_t(std::clamp(v, -kDeviceLimit, kDeviceLimit));
}

// rnd(v) + offset: the offset is added after rounding, in doubles (exact for
// every 32-bit offset), so that the sum saturates instead of overflowing.
std::int32_t RndPlus(double v, std::int32_t offset) { return Saturate(std::floor(v + 0.5) + double(offset)); }

std::int32_t Widen(std::int32_t v, std::int64_t by) { return Saturate(double(std::int64_t(v) + by)); }

}  // namespace

std::int32_t WorldMapping::ToDeviceX(double wx) const { return RndPlus(wx * scale * 4 + originX, offsetX); }
std::int32_t WorldMapping::ToDeviceY(double wy) const { return RndPlus(wy * scale * 4 + originY, offsetY); }

DevicePoint WorldMapping::WorldToDevicePoint(const DPoint& w) const { return {ToDeviceX(w.x), ToDeviceY(w.y)}; }

DevicePoint WorldToDevice(const WorldMapping& m, const DPoint& w) { return m.WorldToDevicePoint(w); }

DPoint WorldMapping::ToDeviceF(const DPoint& w) const {
  return {w.x * scale * 4 + originX + offsetX, w.y * scale * 4 + originY + offsetY};
}

std::int32_t RoundSubpixelSlow(double t) { return Saturate(std::floor(t)); }

void WorldMapping::ToSubpixelRun(const DPoint* points, std::uint32_t count, std::int32_t* out) const {
#if defined(__SSE2__)
  // The factors in registers once: the stores of the run could otherwise be
  // taken to change the offsets, which would then be read again each point.
  const __m128d scaleV = _mm_set1_pd(scale), origin = _mm_set_pd(originY, originX);
  const __m128d offset = _mm_set_pd(double(offsetY), double(offsetX));
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!SubpixelPairFast(points[i], scaleV, origin, offset, out + 2 * i)) ToSubpixel(points[i], out + 2 * i);
  }
#else
  for (std::uint32_t i = 0; i < count; ++i) ToSubpixel(points[i], out + 2 * i);
#endif
}

DPoint WorldMapping::DeviceToWorld(const DevicePoint& d) const {
  double x = (double(d.x) - double(offsetX)) - originX;
  double y = (double(d.y) - double(offsetY)) - originY;
  if (scale != 0.0) {
    x *= 0.25 / scale;
    y *= 0.25 / scale;
  }
  return {x, y};
}

void WorldMapping::SetDeviceClip(const DeviceRect& r) {
  deviceClip = DeviceRect{Widen(std::min(r.left, r.right), -std::int64_t(clipMargin)),
                          Widen(std::min(r.top, r.bottom), -std::int64_t(clipMargin)),
                          Widen(std::max(r.left, r.right), clipMargin), Widen(std::max(r.top, r.bottom), clipMargin)};
  std::fill(std::begin(clipCompanions), std::end(clipCompanions), 0);
}

}  // namespace kvn
