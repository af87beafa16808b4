#include "model/WorldMapping.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
  std::uint32_t i = 0;
#if defined(__SSE2__)
  // The same operations in the same order on both lanes, each rounded as the
  // scalar one is (no contraction into fused operations without FMA), and
  // RoundSubpixel's fast path: the truncation, lowered by one where it
  // rounded up; a pair outside that path takes the scalar road.
  const __m128d scaleV = _mm_set1_pd(scale), four = _mm_set1_pd(4.0), k256 = _mm_set1_pd(256.0);
  const __m128d origin = _mm_set_pd(originY, originX), offset = _mm_set_pd(double(offsetY), double(offsetX));
  const __m128d half = _mm_set1_pd(0.5), low = _mm_set1_pd(-2147483647.0), high = _mm_set1_pd(2147483647.0);
  for (; i < count; ++i) {
    const __m128d w = _mm_loadu_pd(&points[i].x);
    const __m128d v = _mm_mul_pd(_mm_add_pd(_mm_add_pd(_mm_mul_pd(_mm_mul_pd(w, scaleV), four), origin), offset), k256);
    const __m128d t = _mm_add_pd(v, half);
    if (_mm_movemask_pd(_mm_and_pd(_mm_cmpgt_pd(t, low), _mm_cmplt_pd(t, high))) != 3) {
      ToSubpixel(points[i], out + 2 * i);
      continue;
    }
    const __m128i truncated = _mm_cvttpd_epi32(t);
    // All ones (-1) in the lanes whose truncation lies above t, moved from
    // the 64-bit lanes of the comparison to the two low 32-bit lanes.
    const __m128i above = _mm_castpd_si128(_mm_cmpgt_pd(_mm_cvtepi32_pd(truncated), t));
    const __m128i result = _mm_add_epi32(truncated, _mm_shuffle_epi32(above, _MM_SHUFFLE(3, 3, 2, 0)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 2 * i), result);
  }
#endif
  for (; i < count; ++i) ToSubpixel(points[i], out + 2 * i);
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
