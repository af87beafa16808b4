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

std::int64_t AbsInt64(std::int64_t v) { return v < 0 ? -v : v; }

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

// floor(num / den) for den > 0, in 64 bits when both fit (the usual case:
// one hardware division instead of a 128-bit library call).
std::int64_t FloorDivFast(Int128 num, Int128 den) {
  if (num >= INT64_MIN && num <= INT64_MAX && den <= INT64_MAX) {
    const std::int64_t n = std::int64_t(num), d = std::int64_t(den);
    std::int64_t q = n / d;
    if (n % d != 0 && n < 0) --q;
    return q;
  }
  return FloorDiv(num, den);
}

// One polygon edge walked row by row without a division per row: the pixel
// of its crossing with row centre c is floor(N(c) / D) with
//   N(c) = (a.x + 128) den + (c - a.y) (b.x - a.x),  D = 256 den,  den = b.y - a.y > 0,
// the same rational x = a.x + (c - a.y) (b.x - a.x) / den whichever end is
// called a, so the pixel is exact. From one row to the next N grows by
// 256 (b.x - a.x) = stepQ D + stepR (0 <= stepR < D): the quotient q and the
// remainder r (0 <= r < D) are carried exactly. Bounds: |b.x - a.x| and den
// stay below 2^34 (corners within 2^31 + 2^30 of zero), so D and 256 (b.x - a.x)
// are below 2^42 and r + stepR below 2^43: 64 bits hold every carried value.
struct EdgeWalk {
  // Corners within +-2^29 (any surface a thousand times wider than a screen)
  // set up in 64 bits.
  static constexpr std::int64_t kSmall = std::int64_t(1) << 29;

  std::int64_t q, r, stepQ, stepR, d;

  // A horizontal edge (a.y == b.y) is met only where it lies on a row centre,
  // and there it stands for its far end b: the near end a is the start of
  // the other side, which the row takes as well.
  void InitFlat(const Point64& b) {
    q = PixelOf(b.x);
    r = stepQ = stepR = 0;
    d = 1;
  }

  // The edge from a down to b (a.y < b.y) from row `first` on. `parallel`, if
  // given, runs the same way and is set up: a parallelogram's opposite sides
  // share their step instead of dividing again.
  void Init(const Point64& a, const Point64& b, std::int64_t first, bool small, const EdgeWalk* parallel) {
    const std::int64_t den = b.y - a.y;
    const std::int64_t ex = b.x - a.x;
    d = 256 * den;
    if (small) {
      // |a.x + 128| and den below 2^30, 256 first - a.y (first within the
      // polygon's rows) and |ex| below 2^30 too: each product is below 2^60,
      // their sum fits.
      const std::int64_t n0 = (a.x + 128) * den + (256 * first - a.y) * ex;
      q = n0 / d;
      r = n0 % d;
      if (r < 0) {
        r += d;
        --q;
      }
    } else {
      const Int128 n0 = (Int128(a.x) + 128) * den + (Int128(256) * first - a.y) * ex;
      q = FloorDivFast(n0, d);
      r = std::int64_t(n0 - Int128(q) * d);
    }
    if (parallel != nullptr) {
      stepQ = parallel->stepQ;
      stepR = parallel->stepR;
      return;
    }
    const std::int64_t step = 256 * ex;
    stepQ = step / d;
    stepR = step % d;
    if (stepR < 0) {
      stepR += d;
      --stepQ;
    }
  }
  void Next() {
    q += stepQ;
    r += stepR;
    if (r >= d) {
      r -= d;
      ++q;
    }
  }
};

// Rows kFrom..kTo between the sides `one` and `other`: each row's run covers
// the pixels from the leftmost to the rightmost of the two crossings. With
// `clamp` the run is limited to [runLo, runHi]; without it the caller knows
// that every crossing lies there.
template <bool clamp>
void FillRows(std::uint32_t* origin, std::size_t rowStep, std::size_t runStep, std::int64_t kFrom, std::int64_t kTo,
              EdgeWalk& one, EdgeWalk& other, std::int64_t runLo, std::int64_t runHi, std::uint32_t value) {
  for (std::int64_t k = kFrom; k <= kTo; ++k) {
    std::int64_t lo = std::min(one.q, other.q);
    std::int64_t hi = std::max(one.q, other.q);
    one.Next();
    other.Next();
    if constexpr (clamp) {
      lo = std::max(lo, runLo);
      hi = std::min(hi, runHi);
      if (lo > hi) continue;
    }
    std::uint32_t* p = origin + std::size_t(k) * rowStep + std::size_t(lo) * runStep;
    for (std::int64_t i = lo; i <= hi; ++i, p += runStep) *p = value;
  }
}

// Fills a parallelogram (corners in order around it, 1/256 pixel) one pixel
// row at a time: row k is taken where the shape meets the row's centre line
// y = 256 k, and its run covers the pixels from that of the leftmost crossing
// to that of the rightmost, both included. With `turned` the corners' x and y
// are swapped: its rows are the surface's columns. Only rows inside the clip
// are walked. The caller holds the surface's write scope.
//
// The topmost corner and the one opposite it (the bottommost, as opposite
// corners lie symmetric about the centre) split the outline into two sides of
// two edges each, so that every row meets exactly one edge of each side: two
// walks a row, however the shape lies.
void FillParallelogram(cRasterSurface& surface, const Point64 (&pts)[4], std::uint32_t value, bool turned) {
  int t = 0;
  for (int i = 1; i < 4; ++i)
    if (pts[i].y < pts[t].y) t = i;
  const Point64& top = pts[t];
  const Point64& bottom = pts[(t + 2) & 3];
  const TRect& clip = surface.Clip();
  const std::int64_t rowLo = turned ? clip.left : clip.top;
  const std::int64_t rowHi = (turned ? clip.right : clip.bottom) - 1;
  const std::int64_t kFirst = std::max(-((-top.y) >> 8), rowLo);  // ceil(top.y / 256)
  const std::int64_t kLast = std::min(bottom.y >> 8, rowHi);        // floor(bottom.y / 256)
  if (kFirst > kLast) return;
  const std::int64_t runLo = turned ? clip.top : clip.left;
  const std::int64_t runHi = (turned ? clip.bottom : clip.right) - 1;
  const std::size_t stride = std::size_t(surface.Width());
  std::uint32_t* const origin = surface.PixelAt(0, 0);
  const std::size_t rowStep = turned ? 1 : stride;
  const std::size_t runStep = turned ? stride : 1;

  if (top.y == bottom.y) {
    // Flat: one row, from the leftmost corner to the rightmost.
    std::int64_t lo = INT64_MAX, hi = INT64_MIN;
    for (const Point64& p : pts) {
      lo = std::min(lo, PixelOf(p.x));
      hi = std::max(hi, PixelOf(p.x));
    }
    EdgeWalk left, right;
    left.InitFlat(Point64{lo * 256, 0});
    right.InitFlat(Point64{hi * 256, 0});
    FillRows<true>(origin, rowStep, runStep, kFirst, kLast, left, right, runLo, runHi, value);
    return;
  }

  bool small = true;
  std::int64_t xMin = INT64_MAX, xMax = INT64_MIN;
  for (const Point64& p : pts) {
    small = small && AbsInt64(p.x) < EdgeWalk::kSmall && AbsInt64(p.y) < EdgeWalk::kSmall;
    xMin = std::min(xMin, p.x);
    xMax = std::max(xMax, p.x);
  }
  // Every crossing lies between the outermost corners: when their pixels are
  // inside the clip across, no run needs limiting.
  const bool inside = PixelOf(xMin) >= runLo && PixelOf(xMax) <= runHi;

  // Side one: top, pts[t + 1], bottom; side two: top, pts[t + 3], bottom. The
  // lower edge of each side runs parallel to the upper edge of the other.
  const Point64& midOne = pts[(t + 1) & 3];
  const Point64& midTwo = pts[(t + 3) & 3];
  EdgeWalk upperOne, lowerOne, upperTwo, lowerTwo;
  // A side's upper edge takes the rows down to its middle corner (where both
  // its edges meet at that corner's x), the lower edge the rows below.
  const std::int64_t splitOne = std::clamp(midOne.y >> 8, kFirst - 1, kLast);
  const std::int64_t splitTwo = std::clamp(midTwo.y >> 8, kFirst - 1, kLast);
  const EdgeWalk* stepOne = nullptr;  // set up with top -> midOne's direction
  const EdgeWalk* stepTwo = nullptr;  // with top -> midTwo's
  if (splitOne >= kFirst) {
    if (top.y == midOne.y) {
      upperOne.InitFlat(midOne);
    } else {
      upperOne.Init(top, midOne, kFirst, small, nullptr);
      stepOne = &upperOne;
    }
  }
  if (splitTwo >= kFirst) {
    if (top.y == midTwo.y) {
      upperTwo.InitFlat(midTwo);
    } else {
      upperTwo.Init(top, midTwo, kFirst, small, nullptr);
      stepTwo = &upperTwo;
    }
  }
  // A lower edge with rows is never flat (its rows lie below its upper end).
  if (splitOne < kLast) lowerOne.Init(midOne, bottom, splitOne + 1, small, stepTwo);
  if (splitTwo < kLast) lowerTwo.Init(midTwo, bottom, splitTwo + 1, small, stepOne);

  // Three stretches of rows: both upper edges, one upper and one lower, both
  // lower edges.
  const std::int64_t firstSplit = std::min(splitOne, splitTwo);
  const std::int64_t secondSplit = std::max(splitOne, splitTwo);
  EdgeWalk& midA = splitOne <= splitTwo ? lowerOne : upperOne;
  EdgeWalk& midB = splitOne <= splitTwo ? upperTwo : lowerTwo;
  auto rows = [&](std::int64_t from, std::int64_t to, EdgeWalk& a, EdgeWalk& b) {
    if (from > to) return;
    if (inside) {
      FillRows<false>(origin, rowStep, runStep, from, to, a, b, runLo, runHi, value);
    } else {
      FillRows<true>(origin, rowStep, runStep, from, to, a, b, runLo, runHi, value);
    }
  };
  rows(kFirst, firstSplit, upperOne, upperTwo);
  rows(firstSplit + 1, secondSplit, midA, midB);
  rows(secondSplit + 1, kLast, lowerOne, lowerTwo);
}

}  // namespace

bool IsDrawableDelta(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
  return AbsInt64(std::int64_t(x1) - x0) <= kMaxThickLineDelta && AbsInt64(std::int64_t(y1) - y0) <= kMaxThickLineDelta;
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
    surface.FillBox(PixelOf(x0 - h), PixelOf(top), PixelOf(x0 - h + w) + 1, PixelOf(top + AbsInt64(dy)) + 1, value);
    return true;
  }
  if (dy == 0) {
    out = TPoint{0, std::int32_t(dx < 0 ? -h : h)};
    const std::int64_t left = std::min<std::int64_t>(x0, x1);
    surface.FillBox(PixelOf(left), PixelOf(y0 - h), PixelOf(left + AbsInt64(dx)) + 1, PixelOf(y0 - h + w) + 1, value);
    return true;
  }

  // Deltas are checked first so that the squares below stay in 64 bits; a
  // delta this long is refused whatever the flag says.
  if (AbsInt64(dx) > kMaxThickLineDelta || AbsInt64(dy) > kMaxThickLineDelta) return false;
  const std::int64_t lengthSquared = dx * dx + dy * dy;
  if (refuseShort && Int128(lengthSquared) < Int128(w) * w) return false;

  const std::int64_t d = std::int64_t(ISqrt(std::uint64_t(4 * lengthSquared)));  // twice the length
  if (d < 1) return true;
  const std::int64_t nx = -dy * w / d;
  const std::int64_t ny = dx * w / d;
  out = TPoint{std::int32_t(nx), std::int32_t(ny)};

  // The band's corners; a y-major band is filled in rows, an x-major one in
  // columns, so that every run crosses the band.
  const bool turned = AbsInt64(dx) >= AbsInt64(dy);
  Point64 corners[4] = {{x0 + nx, y0 + ny}, {x1 + nx, y1 + ny}, {x1 - nx, y1 - ny}, {x0 - nx, y0 - ny}};
  if (turned)
    for (Point64& p : corners) std::swap(p.x, p.y);
  FillParallelogram(surface, corners, value, turned);
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
  if (r == 1) {
    // Every row of the radius-1 disc has half-span 1 (1 + 1 - j^2 >= 1): the
    // 3 x 3 square, whose rows outside the clip FillBox drops as the loop
    // below would skip them. Most such dots lie wholly inside the clip
    // (columns cx - 1 .. cx + 1 and rows cy - 1 .. cy + 1 all within it):
    // then the nine pixels are stored directly.
    if (cx - 1 >= clip.left && cx + 1 < clip.right && cy - 1 >= clip.top && cy + 1 < clip.bottom) {
      for (std::int64_t row = cy - 1; row <= cy + 1; ++row) {
        std::uint32_t* p = surface.PixelAt(std::int32_t(cx - 1), std::int32_t(row));
        p[0] = p[1] = p[2] = value;
      }
      return;
    }
    surface.FillBox(cx - 1, cy - 1, cx + 2, cy + 2, value);
    return;
  }
  // The root is carried from row to row and corrected by single steps (it
  // changes by r or so over the whole disc), which gives exactly the
  // ISqrt of each row without a square root per row; r < 2^22 keeps the
  // squares inside 64 bits.
  std::int64_t half = std::int64_t(ISqrt(std::uint64_t(r * r + r - jFirst * jFirst)));
  for (std::int64_t j = jFirst; j <= jLast; ++j) {
    const std::int64_t v = r * r + r - j * j;  // >= r > 0 for |j| <= r
    while ((half + 1) * (half + 1) <= v) ++half;
    while (half * half > v) --half;
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
  FillParallelogram(surface, pts, value, false);
}

}  // namespace kvn
