// WorldMapping: drawing (world) coordinates to device coordinates and back.
//
// device = world x scale x 4 + origin (+ offset); 4 device units per world
// unit at scale 1, 256 sub-pixel units per device unit for the anti-aliased
// rasterizer. The device y axis points the same way as the world y axis.
// rnd(v) = floor(v + 0.5): halves round towards positive infinity. Integer
// results saturate at +-(2^31 - 1) (NaN gives 0) instead of wrapping at
// extreme zoom.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "foundation/DPoint.h"

namespace kvn {

struct DevicePoint {
  std::int32_t x = 0, y = 0;
  friend bool operator==(const DevicePoint&, const DevicePoint&) = default;
};

struct DeviceRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const DeviceRect&, const DeviceRect&) = default;
};

enum class OutputMode : std::int32_t { Screen = 0, Raster = 1, Metafile = 2, DirectPrinter = 3 };

// rnd(v) = floor(v + 0.5) saturated at +-(2^31 - 1), NaN giving 0. Inside the
// open range (-(2^31 - 1), 2^31 - 1), which every on-screen coordinate keeps
// to, floor is the truncation lowered by one where it rounded a negative value
// up, and the clamp cannot bite; the comparisons fail for NaN, which takes the
// general path.
std::int32_t RoundSubpixelSlow(double t);
inline std::int32_t RoundSubpixel(double v) {
  const double t = v + 0.5;
  if (t > -2147483647.0 && t < 2147483647.0) {
    std::int64_t i = std::int64_t(t);
    if (double(i) > t) --i;
    return std::int32_t(i);
  }
  return RoundSubpixelSlow(t);
}

#if defined(__SSE2__)
// The sub-pixel pair of a point, x and y side by side: the operations of
// WorldMapping::ToSubpixel in the same order on both lanes, each rounded as
// the scalar one is (no contraction into fused operations without FMA),
// and RoundSubpixel's fast path: the truncation, lowered by one where it
// rounded up. False, with nothing written, for a pair outside that path.
// The factors: scale in both lanes, (originX, originY), (offsetX, offsetY).
inline bool SubpixelPairFast(const DPoint& w, __m128d scale, __m128d origin, __m128d offset, std::int32_t out[2]) {
  const __m128d v = _mm_mul_pd(
      _mm_add_pd(_mm_add_pd(_mm_mul_pd(_mm_mul_pd(_mm_loadu_pd(&w.x), scale), _mm_set1_pd(4.0)), origin), offset),
      _mm_set1_pd(256.0));
  const __m128d t = _mm_add_pd(v, _mm_set1_pd(0.5));
  if (_mm_movemask_pd(_mm_and_pd(_mm_cmpgt_pd(t, _mm_set1_pd(-2147483647.0)),
                                 _mm_cmplt_pd(t, _mm_set1_pd(2147483647.0)))) != 3)
    return false;
  const __m128i truncated = _mm_cvttpd_epi32(t);
  // All ones (-1) in the lanes whose truncation lies above t, moved from the
  // 64-bit lanes of the comparison to the two low 32-bit lanes.
  const __m128i above = _mm_castpd_si128(_mm_cmpgt_pd(_mm_cvtepi32_pd(truncated), t));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out),
                   _mm_add_epi32(truncated, _mm_shuffle_epi32(above, _MM_SHUFFLE(3, 3, 2, 0))));
  return true;
}
#endif

struct WorldMapping {
  double originX = 0;
  double originY = 0;
  std::int32_t offsetX = 0;  // whole device units added after rounding (bands, tiles)
  std::int32_t offsetY = 0;
  double scale = 1.0;
  std::int32_t clipMargin = 2;
  DeviceRect deviceClip{-8000, -8000, 8000, 8000};
  std::int32_t clipCompanions[4] = {0, 0, 0, 0};
  std::int32_t lineWidthFactor = 256;  // 1/256 units: 256 = 1.0
  OutputMode outputMode = OutputMode::Screen;
  std::uint8_t printerFlag = 0;

  DevicePoint WorldToDevicePoint(const DPoint& w) const;
  std::int32_t ToDeviceX(double wx) const;
  std::int32_t ToDeviceY(double wy) const;
  // Unrounded, offset included: for glyphs and pictures placed with fractions.
  DPoint ToDeviceF(const DPoint& w) const;
  DPoint ToDeviceExact(const DPoint& w) const { return ToDeviceF(w); }
  // 1/256 device units; the offset is added before scaling by 256. Inline:
  // every point of every stroke passes here.
  void ToSubpixel(const DPoint& w, std::int32_t out[2]) const {
#if defined(__SSE2__)
    if (SubpixelPairFast(w, _mm_set1_pd(scale), _mm_set_pd(originY, originX),
                         _mm_set_pd(double(offsetY), double(offsetX)), out))
      return;
#endif
    out[0] = RoundSubpixel((w.x * scale * 4 + originX + offsetX) * 256);
    out[1] = RoundSubpixel((w.y * scale * 4 + originY + offsetY) * 256);
  }
  // `count` points to 2 x count sub-pixel integers, each pair what
  // ToSubpixel gives (the mapping's factors loaded once for the run).
  void ToSubpixelRun(const DPoint* points, std::uint32_t count, std::int32_t* out) const;
  // One cubic segment (four points) to eight sub-pixel integers.
  void ToSubpixel4(const DPoint points[4], std::int32_t out[8]) const {
    for (int i = 0; i < 4; ++i) ToSubpixel(points[i], out + 2 * i);
  }
  DPoint DeviceToWorld(const DevicePoint& d) const;
  DPoint DeviceToWorldPoint(const DevicePoint& d) const { return DeviceToWorld(d); }
  // Normalises, widens by the clip margin and clears the companions.
  void SetDeviceClip(const DeviceRect& r);
};

DevicePoint WorldToDevice(const WorldMapping& m, const DPoint& w);

}  // namespace kvn
