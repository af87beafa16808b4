#include "render/ThickLines.h"

#include <algorithm>
#include <cmath>

#include "render/RasterSurface.h"

namespace kvn {

namespace {

// Corner coordinates reach 2^31 plus half a width of up to 2^30, and the
// edge crossings multiply two of them: 128-bit products.
__extension__ typedef __int128 Int128;

struct Point64 {
  std::int64_t x, y;
};

std::int64_t Abs64(std::int64_t v) { return v < 0 ? -v : v; }

std::int64_t FloorDiv(Int128 num, Int128 den) {  // den > 0
  Int128 q = num / den;
  if (num % den != 0 && num < 0) --q;
  return std::int64_t(q);
}

std::uint64_t ISqrt(std::uint64_t v) {
  std::uint64_t r = std::uint64_t(std::sqrt(double(v)));
  while (r > 0 && r * r > v) --r;
  while ((r + 1) * (r + 1) <= v) ++r;
  return r;
}

// The pixel of a 1/256 value: (v + 128) >> 8.
std::int64_t PixelOf(std::int64_t v) { return (v + 128) >> 8; }

// Fills a convex polygon (1/256 pixel) one pixel row at a time: row k is
// taken where the polygon meets the row's centre line y = 256 k, and its run
// covers the pixels from that of the leftmost crossing to that of the
// rightmost, both included. With `turned` the polygon's x and y are swapped:
// its rows are the surface's columns. Only rows inside the clip are walked.
void FillConvex(cRasterSurface& surface, const Point64* pts, int n, std::uint32_t value, bool turned) {
  std::int64_t yMin = pts[0].y, yMax = pts[0].y;
  for (int i = 1; i < n; ++i) {
    yMin = std::min(yMin, pts[i].y);
    yMax = std::max(yMax, pts[i].y);
  }
  const TRect& clip = surface.Clip();
  const std::int64_t rowLo = turned ? clip.left : clip.top;
  const std::int64_t rowHi = (turned ? clip.right : clip.bottom) - 1;
  const std::int64_t kFirst = std::max(FloorDiv(Int128(yMin) + 255, 256), rowLo);  // ceil(yMin / 256)
  const std::int64_t kLast = std::min(FloorDiv(yMax, 256), rowHi);
  for (std::int64_t k = kFirst; k <= kLast; ++k) {
    const std::int64_t c = 256 * k;
    std::int64_t lo = INT64_MAX, hi = INT64_MIN;
    auto take = [&](std::int64_t p) {
      lo = std::min(lo, p);
      hi = std::max(hi, p);
    };
    for (int i = 0; i < n; ++i) {
      const Point64& a = pts[i];
      const Point64& b = pts[(i + 1) % n];
      if (a.y == b.y) {
        if (a.y == c) {
          take(PixelOf(a.x));
          take(PixelOf(b.x));
        }
        continue;
      }
      if (c < std::min(a.y, b.y) || c > std::max(a.y, b.y)) continue;
      // x = a.x + (c - a.y) (b.x - a.x) / (b.y - a.y), its pixel taken exactly.
      Int128 den = Int128(b.y) - a.y;
      Int128 num = Int128(a.x) * den + (Int128(c) - a.y) * (Int128(b.x) - a.x);
      if (den < 0) {
        den = -den;
        num = -num;
      }
      take(FloorDiv(num + 128 * den, 256 * den));
    }
    if (lo > hi) continue;
    if (turned)
      surface.FillBox(k, lo, k + 1, hi + 1, value);
    else
      surface.FillBox(lo, k, hi + 1, k + 1, value);
  }
}

}  // namespace

bool IsDrawableDelta(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
  return Abs64(std::int64_t(x1) - x0) <= kMaxThickLineDelta && Abs64(std::int64_t(y1) - y0) <= kMaxThickLineDelta;
}

bool DrawThickLineInt(cRasterSurface& surface, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                      std::uint32_t value, std::int32_t width, bool refuseShort, TPoint* normal) {
  TPoint unused;
  TPoint& out = normal != nullptr ? *normal : unused;
  out = TPoint{};
  if (width < 0) return true;
  const std::int64_t w = width;
  const std::int64_t h = w >> 1;
  const std::int64_t dx = std::int64_t(x1) - x0;
  const std::int64_t dy = std::int64_t(y1) - y0;
  cRasterSurface::DirectWrite scope(surface);

  if (dx == 0 && dy != 0) {
    out = TPoint{std::int32_t(dy < 0 ? h : -h), 0};
    const std::int64_t top = std::min<std::int64_t>(y0, y1);
    surface.FillBox(PixelOf(x0 - h), PixelOf(top), PixelOf(x0 - h + w) + 1, PixelOf(top + Abs64(dy)) + 1, value);
    return true;
  }
  if (dy == 0) {
    out = TPoint{0, std::int32_t(dx < 0 ? -h : h)};
    const std::int64_t left = std::min<std::int64_t>(x0, x1);
    surface.FillBox(PixelOf(left), PixelOf(y0 - h), PixelOf(left + Abs64(dx)) + 1, PixelOf(y0 - h + w) + 1, value);
    return true;
  }

  // Deltas are checked first so that the squares below stay in 64 bits; a
  // delta this long is refused whatever the flag says.
  if (Abs64(dx) > kMaxThickLineDelta || Abs64(dy) > kMaxThickLineDelta) return false;
  const std::int64_t lengthSquared = dx * dx + dy * dy;
  if (refuseShort && Int128(lengthSquared) < Int128(w) * w) return false;

  const std::int64_t d = std::int64_t(ISqrt(std::uint64_t(4 * lengthSquared)));  // twice the length
  if (d < 1) return true;
  const std::int64_t nx = -dy * w / d;
  const std::int64_t ny = dx * w / d;
  out = TPoint{std::int32_t(nx), std::int32_t(ny)};

  // The band's corners; a y-major band is filled in rows, an x-major one in
  // columns, so that every run crosses the band.
  const bool turned = Abs64(dx) >= Abs64(dy);
  Point64 corners[4] = {{x0 + nx, y0 + ny}, {x1 + nx, y1 + ny}, {x1 - nx, y1 - ny}, {x0 - nx, y0 - ny}};
  if (turned)
    for (Point64& p : corners) std::swap(p.x, p.y);
  FillConvex(surface, corners, 4, value, turned);
  return true;
}

void DrawDotInt(cRasterSurface& surface, std::int32_t x, std::int32_t y, std::int32_t width, std::uint32_t value) {
  const std::int64_t r = width >> 9;
  if (r <= 0) return;
  const std::int64_t cx = PixelOf(x);
  const std::int64_t cy = PixelOf(y);
  const TRect& clip = surface.Clip();
  // Rows outside the clip are skipped before any work; a row's half-span is
  // the largest i with i^2 <= r^2 + r - j^2 (the circle through the pixel
  // edges half a pixel beyond the radius, as the midpoint walk draws it).
  const std::int64_t jFirst = std::max(-r, clip.top - cy);
  const std::int64_t jLast = std::min(r, clip.bottom - 1 - cy);
  if (jFirst > jLast) return;
  cRasterSurface::DirectWrite scope(surface);
  for (std::int64_t j = jFirst; j <= jLast; ++j) {
    const std::int64_t half = std::int64_t(ISqrt(std::uint64_t(r * r + r - j * j)));
    surface.FillBox(cx - half, cy + j, cx + half + 1, cy + j + 1, value);
  }
}

void FillJoint(cRasterSurface& surface, std::int32_t vx, std::int32_t vy, TPoint normalA, TPoint normalB,
               std::uint32_t value) {
  // The four offset ends in order around the vertex: a parallelogram with
  // equal diagonals, so a rectangle, which covers the gap on the outer side
  // of the turn (and, redundantly, the overlap on the inner side).
  const Point64 pts[4] = {{std::int64_t(vx) + normalA.x, std::int64_t(vy) + normalA.y},
                          {std::int64_t(vx) + normalB.x, std::int64_t(vy) + normalB.y},
                          {std::int64_t(vx) - normalA.x, std::int64_t(vy) - normalA.y},
                          {std::int64_t(vx) - normalB.x, std::int64_t(vy) - normalB.y}};
  cRasterSurface::DirectWrite scope(surface);
  FillConvex(surface, pts, 4, value, false);
}

}  // namespace kvn
