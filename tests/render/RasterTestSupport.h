// Small helpers of the raster-surface tests: a prepared surface and a text
// picture of its pixels.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstdint>
#include <memory>
#include <string>

#include "render/RasterSurface.h"

namespace kvn::raster_test {

inline constexpr std::uint32_t kPaper = 0xFFFFFFFF;
inline constexpr std::uint32_t kInk = 0xFF102030;

// A surface prepared for (0, 0, width, height) and filled with kPaper.
inline std::unique_ptr<cRasterSurface> MakeSurface(std::int32_t width, std::int32_t height, bool memoryOnly = false) {
  auto s = std::make_unique<cRasterSurface>(memoryOnly);
  if (!s->Prepare(TRect{0, 0, width, height})) return nullptr;
  s->FillRect(0, 0, width, height, kPaper);
  return s;
}

// The pixel, whatever the clip.
inline std::uint32_t Pixel(const cRasterSurface& s, std::int32_t x, std::int32_t y) {
  s.Flush();
  return *s.PixelAt(x, y);
}

// '#' for pixels equal to `ink`, '.' for others, one line per row of
// [x0, x1) x [y0, y1).
// Whether two surfaces of one size hold the same pixels.
inline bool SamePixels(const cRasterSurface& a, const cRasterSurface& b) {
  for (std::int32_t y = 0; y < a.Height(); ++y)
    for (std::int32_t x = 0; x < a.Width(); ++x)
      if (Pixel(a, x, y) != Pixel(b, x, y)) return false;
  return true;
}

inline std::string Grid(const cRasterSurface& s, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                        std::uint32_t ink = kInk) {
  std::string out;
  for (std::int32_t y = y0; y < y1; ++y) {
    for (std::int32_t x = x0; x < x1; ++x) out += Pixel(s, x, y) == ink ? '#' : '.';
    out += '\n';
  }
  return out;
}

inline int CountInk(const cRasterSurface& s, std::uint32_t ink = kInk) {
  int n = 0;
  for (std::int32_t y = 0; y < s.Height(); ++y)
    for (std::int32_t x = 0; x < s.Width(); ++x) n += Pixel(s, x, y) == ink;
  return n;
}

// The box of the ink pixels: left, top, right, bottom (exclusive); all zero
// when there are none.
inline TRect InkBox(const cRasterSurface& s, std::uint32_t ink = kInk) {
  TRect box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (std::int32_t y = 0; y < s.Height(); ++y)
    for (std::int32_t x = 0; x < s.Width(); ++x)
      if (Pixel(s, x, y) == ink) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x + 1);
        box.bottom = std::max(box.bottom, y + 1);
      }
  return box.left == INT32_MAX ? TRect{} : box;
}

// Both end pixels, and between them the minor (base + i step) >> 16 of every
// major step, each pixel kept only inside the clip.
inline void ReferenceLine(cRasterSurface& s, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                   std::uint32_t value) {
  const TRect clip = s.Clip();
  auto put = [&](std::int64_t x, std::int64_t y) {
    if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom)
      *s.PixelAt(std::int32_t(x), std::int32_t(y)) = value;
  };
  const std::int64_t ax = (std::int64_t(x1) + 128) >> 8, ay = (std::int64_t(y1) + 128) >> 8;
  const std::int64_t bx = (std::int64_t(x2) + 128) >> 8, by = (std::int64_t(y2) + 128) >> 8;
  put(ax, ay);
  put(bx, by);
  const bool xMajor = std::llabs(bx - ax) >= std::llabs(by - ay);
  const std::int64_t dMajor = xMajor ? bx - ax : by - ay, dMinor = xMajor ? by - ay : bx - ax;
  const std::int64_t n = std::llabs(dMajor), sign = dMajor < 0 ? -1 : 1;
  if (n < 2) return;
  const std::int64_t step = dMinor * 65536 / n, base = (xMajor ? ay : ax) * 65536 + 0x8000;
  for (std::int64_t i = 1; i < n; ++i) {
    const std::int64_t major = (xMajor ? ax : ay) + sign * i, minor = (base + i * step) >> 16;
    if (xMajor)
      put(major, minor);
    else
      put(minor, major);
  }
}

}  // namespace kvn::raster_test
