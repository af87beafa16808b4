// BandRegion: the rectangle fast path, the star under both fill rules, the
// vertical coalescing of spans, the binary operations and their band
// merging, the path flattening, and a property test against the device
// context's own polygon regions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "platform/gdi/Region.h"
#include "render/BandRegion.h"
#include "tests/support/GoldenImage.h"

namespace kvn {
namespace {

bool Contains(const BandRegion& r, std::int32_t x, std::int32_t y) {
  for (std::uint32_t i = 0; i < r.RectCount(); ++i) {
    const TRect& b = r.Rects()[i];
    if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) return true;
  }
  return false;
}

std::vector<TRect> RectsOf(const BandRegion& r) { return {r.Rects(), r.Rects() + r.RectCount()}; }

// Every rectangle non-empty; bands sorted, rectangles of one band sharing
// top and bottom, sorted by left and apart.
void ExpectBanded(const BandRegion& r) {
  const TRect* p = r.Rects();
  for (std::uint32_t i = 0; i < r.RectCount(); ++i) {
    EXPECT_LT(p[i].left, p[i].right);
    EXPECT_LT(p[i].top, p[i].bottom);
    if (i == 0) continue;
    if (p[i].top == p[i - 1].top) {
      EXPECT_EQ(p[i].bottom, p[i - 1].bottom);
      EXPECT_LT(p[i - 1].right, p[i].left + 1);
    } else {
      EXPECT_GE(p[i].top, p[i - 1].bottom);
    }
  }
}

TEST(BandRegionTest, ClosedAxisRectangleNeedsNoScanConversion) {
  BandRegion r;
  // Far taller than the scan-conversion budget allows: only the fast path
  // can answer it.
  const TPoint big[5] = {{0, 0}, {10, 0}, {10, 1 << 30}, {0, 1 << 30}, {0, 0}};
  const std::uint32_t five = 5;
  ASSERT_TRUE(r.FromPolygons(big, &five, 1, BandRegion::kEvenOdd));
  ASSERT_EQ(r.RectCount(), 1u);
  EXPECT_EQ(r.Rects()[0], (TRect{0, 0, 10, 1 << 30}));
  EXPECT_EQ(r.Extents(), (TRect{0, 0, 10, 1 << 30}));
  // Either direction, four points, normalised.
  const TPoint reversed[4] = {{12, 9}, {12, 3}, {2, 3}, {2, 9}};
  const std::uint32_t four = 4;
  ASSERT_TRUE(r.FromPolygons(reversed, &four, 1, BandRegion::kWinding));
  EXPECT_EQ(RectsOf(r), (std::vector<TRect>{{2, 3, 12, 9}}));
  // Degenerate: empty.
  const TPoint flat[5] = {{0, 4}, {10, 4}, {10, 4}, {0, 4}, {0, 4}};
  ASSERT_TRUE(r.FromPolygons(flat, &five, 1, BandRegion::kEvenOdd));
  EXPECT_TRUE(r.IsEmpty());
  EXPECT_EQ(r.Extents(), TRect{});
  // The same tall shape with one more vertex needs scan conversion and is refused.
  const TPoint tall[5] = {{0, 0}, {10, 0}, {10, 1 << 29}, {10, 1 << 30}, {0, 1 << 30}};
  EXPECT_FALSE(r.FromPolygons(tall, &five, 1, BandRegion::kEvenOdd));
  EXPECT_TRUE(r.IsEmpty());
}

TEST(BandRegionTest, StarLeavesItsCentreOutUnderEvenOddOnly) {
  TPoint star[5];
  for (int k = 0; k < 5; ++k) {
    const double a = (-90.0 + 144.0 * k) * M_PI / 180.0;
    star[k] = TPoint{std::int32_t(std::lround(50 + 40 * std::cos(a))), std::int32_t(std::lround(50 + 40 * std::sin(a)))};
  }
  const std::uint32_t n = 5;
  BandRegion evenOdd, winding;
  ASSERT_TRUE(evenOdd.FromPolygons(star, &n, 1, BandRegion::kEvenOdd));
  ASSERT_TRUE(winding.FromPolygons(star, &n, 1, 7));  // not 2: even-odd
  EXPECT_EQ(RectsOf(evenOdd), RectsOf(winding));
  ASSERT_TRUE(winding.FromPolygons(star, &n, 1, BandRegion::kWinding));
  ExpectBanded(evenOdd);
  ExpectBanded(winding);
  EXPECT_FALSE(Contains(evenOdd, 50, 50));
  EXPECT_TRUE(Contains(winding, 50, 50));
  // The points of the star are in both.
  for (auto [x, y] : {std::pair{50, 14}, std::pair{18, 38}, std::pair{80, 38}}) {
    EXPECT_TRUE(Contains(evenOdd, x, y)) << x << "," << y;
    EXPECT_TRUE(Contains(winding, x, y)) << x << "," << y;
  }
  EXPECT_EQ(evenOdd.Extents(), winding.Extents());
  EXPECT_EQ(winding.Extents().top, 11);  // the tip's row holds an empty span
}

// The two star regions side by side, even-odd left and winding right,
// against the reviewed picture tests/golden/region_star.png.
TEST(BandRegionTest, StarRegionsMatchTheReviewedPicture) {
  test::Picture picture{200, 100, std::vector<std::uint32_t>(200 * 100, 0xFFFFFF)};
  for (int side = 0; side < 2; ++side) {
    TPoint star[5];
    for (int k = 0; k < 5; ++k) {
      const double a = (-90.0 + 144.0 * k) * M_PI / 180.0;
      star[k] = TPoint{std::int32_t(std::lround(50 + 100 * side + 45 * std::cos(a))),
                       std::int32_t(std::lround(52 + 45 * std::sin(a)))};
    }
    const std::uint32_t n = 5;
    BandRegion r;
    ASSERT_TRUE(r.FromPolygons(star, &n, 1, side == 0 ? BandRegion::kEvenOdd : BandRegion::kWinding));
    for (std::uint32_t i = 0; i < r.RectCount(); ++i) {
      const TRect& b = r.Rects()[i];
      for (int y = b.top; y < b.bottom; ++y)
        for (int x = b.left; x < b.right; ++x) picture.pixels[std::size_t(y) * 200 + std::size_t(x)] = 0x283C50;
    }
  }
  test::ExpectMatchesGolden(picture, "region_star", 0);
}

TEST(BandRegionTest, ThinVerticalBarIsOneRectangle) {
  // Five points (no fast path): one span per row, the same on every row.
  const TPoint bar[5] = {{10, 0}, {12, 0}, {12, 25}, {12, 50}, {10, 50}};
  const std::uint32_t n = 5;
  BandRegion r;
  ASSERT_TRUE(r.FromPolygons(bar, &n, 1, BandRegion::kEvenOdd));
  EXPECT_EQ(RectsOf(r), (std::vector<TRect>{{10, 0, 12, 50}}));
  EXPECT_EQ(r.Extents(), (TRect{10, 0, 12, 50}));
  // Two bars side by side: rows of two spans stay one band per row.
  const TPoint two[10] = {{0, 0}, {2, 0}, {2, 2}, {2, 4}, {0, 4}, {5, 0}, {7, 0}, {7, 2}, {7, 4}, {5, 4}};
  const std::uint32_t counts[2] = {5, 5};
  ASSERT_TRUE(r.FromPolygons(two, counts, 2, BandRegion::kEvenOdd));
  ExpectBanded(r);
  EXPECT_EQ(r.RectCount(), 8u);
  EXPECT_EQ(r.Extents(), (TRect{0, 0, 7, 4}));
}

TEST(BandRegionTest, SubtractingACoveringRegionLeavesNothing) {
  BandRegion box, cover;
  box.SetRect(10, 10, 20, 20);
  const TPoint diamond[4] = {{15, -10}, {40, 15}, {15, 40}, {-10, 15}};
  const std::uint32_t n = 4;
  ASSERT_TRUE(cover.FromPolygons(diamond, &n, 1, BandRegion::kEvenOdd));
  box.Subtract(cover);
  EXPECT_TRUE(box.IsEmpty());
  EXPECT_EQ(box.Extents(), TRect{});
  // Subtracting itself empties too; an empty region flows through.
  cover.Subtract(cover);
  EXPECT_TRUE(cover.IsEmpty());
  box.Subtract(cover);
  box.IntersectRect(TRect{0, 0, 5, 5});
  EXPECT_TRUE(box.IsEmpty());
}

TEST(BandRegionTest, SubtractCutsHolesAndCoalescesBands) {
  BandRegion box, hole;
  box.SetRect(0, 0, 10, 10);
  hole.SetRect(3, 2, 6, 5);
  box.Subtract(hole);
  EXPECT_EQ(RectsOf(box), (std::vector<TRect>{{0, 0, 10, 2}, {0, 2, 3, 5}, {6, 2, 10, 5}, {0, 5, 10, 10}}));
  EXPECT_EQ(box.Extents(), (TRect{0, 0, 10, 10}));
  // Filling the hole back by subtracting from a region covering it: the
  // bands above and below merge with the middle again.
  BandRegion whole;
  whole.SetRect(0, 0, 10, 10);
  BandRegion hole2;
  hole2.SetRect(0, 2, 10, 5);
  whole.Subtract(hole2);
  EXPECT_EQ(RectsOf(whole), (std::vector<TRect>{{0, 0, 10, 2}, {0, 5, 10, 10}}));
  BandRegion strip;
  strip.SetRect(-5, 0, 20, 10);
  strip.Subtract(hole);  // hole (3, 2)-(6, 5): bands above and below merge into the strip
  EXPECT_EQ(RectsOf(strip), (std::vector<TRect>{{-5, 0, 20, 2}, {-5, 2, 3, 5}, {6, 2, 20, 5}, {-5, 5, 20, 10}}));
}

TEST(BandRegionTest, IntersectOffsetAssignAndRewind) {
  BandRegion r;
  const TPoint ell[6] = {{0, 0}, {4, 0}, {4, 6}, {10, 6}, {10, 10}, {0, 10}};
  const std::uint32_t n = 6;
  ASSERT_TRUE(r.FromPolygons(ell, &n, 1, BandRegion::kEvenOdd));
  EXPECT_EQ(RectsOf(r), (std::vector<TRect>{{0, 0, 4, 6}, {0, 6, 10, 10}}));
  r.IntersectRect(TRect{8, 12, 2, 3});  // normalised to (2, 3)-(8, 12)
  EXPECT_EQ(RectsOf(r), (std::vector<TRect>{{2, 3, 4, 6}, {2, 6, 8, 10}}));
  EXPECT_EQ(r.Extents(), (TRect{2, 3, 8, 10}));
  EXPECT_TRUE(r.Offset(-2, 100));
  EXPECT_EQ(RectsOf(r), (std::vector<TRect>{{0, 103, 2, 106}, {0, 106, 6, 110}}));
  EXPECT_FALSE(r.Offset(0, std::numeric_limits<std::int32_t>::max() - 109));  // the bottom would wrap
  EXPECT_EQ(RectsOf(r), (std::vector<TRect>{{0, 103, 2, 106}, {0, 106, 6, 110}}));
  EXPECT_EQ(r.Extents(), (TRect{0, 103, 6, 110}));
  BandRegion copy;
  copy.Assign(r.Rects(), r.RectCount());
  EXPECT_EQ(RectsOf(copy), RectsOf(r));
  EXPECT_EQ(copy.Extents(), r.Extents());
  BandRegion::Cursor c = copy.Rewind();
  EXPECT_EQ(c.remaining, 2u);
  EXPECT_EQ(c.current, copy.Rects());
  r.IntersectRect(TRect{50, 50, 60, 60});
  EXPECT_TRUE(r.IsEmpty());
  EXPECT_EQ(r.Extents(), TRect{});
  copy.SetRect(5, 5, 5, 9);
  EXPECT_TRUE(copy.IsEmpty());
}

TEST(BandRegionTest, RegionOpRunsTheRoutinesBandByBand) {
  BandRegion a, b, out;
  a.SetRect(0, 0, 10, 4);
  b.SetRect(5, 2, 15, 8);
  // Union-like walk: keep the lone bands of both and the overlap's hull.
  auto overlap = [](GrowArray<TRect>& o, const TRect* r1, const TRect*, const TRect* r2, const TRect*,
                    std::int32_t top, std::int32_t bottom) {
    o.Append(TRect{std::min(r1->left, r2->left), top, std::max(r1->right, r2->right), bottom});
  };
  auto lone = [](GrowArray<TRect>& o, const TRect* r, const TRect* end, std::int32_t top, std::int32_t bottom) {
    for (; r != end; ++r) o.Append(TRect{r->left, top, r->right, bottom});
  };
  RegionOp(&out, a, b, overlap, lone, lone);
  EXPECT_EQ(RectsOf(out), (std::vector<TRect>{{0, 0, 10, 2}, {0, 2, 15, 4}, {5, 4, 15, 8}}));
  EXPECT_EQ(out.Extents(), (TRect{0, 0, 15, 8}));
  // No routine for the lone bands of b: its part below a is dropped.
  RegionOp(&out, a, b, overlap, lone, nullptr);
  EXPECT_EQ(RectsOf(out), (std::vector<TRect>{{0, 0, 10, 2}, {0, 2, 15, 4}}));
  // The output may be an input.
  RegionOp(&a, a, b, overlap, nullptr, nullptr);
  EXPECT_EQ(RectsOf(a), (std::vector<TRect>{{0, 2, 15, 4}}));
}

TEST(BandRegionTest, FlattenPathToPolygonsClipsAndRounds) {
  SegmentArray piece;
  piece.closed = 1;
  piece.Append(DeviceSegment::Line(383, 384, 2688, 384));
  piece.Append(DeviceSegment{{2688, 384, 3000, 1000, 3000, 2000, 2688, 2688}});
  piece.Append(DeviceSegment::Line(2688, 2688, 383, 384));
  SegmentArray far;
  far.closed = 1;
  far.Append(DeviceSegment::Line(-1000000, -1000000, 1000000, -1000000));
  far.Append(DeviceSegment::Line(1000000, -1000000, 0, 1000000));
  far.Append(DeviceSegment::Line(0, 1000000, -1000000, -1000000));
  SegmentArray empty;
  SegmentArray* pieces[] = {&piece, &empty, nullptr, &far};
  PolygonList list;
  FlattenPathToPolygons(&list, pieces, 4, TRect{0, 0, 20, 20});
  ASSERT_EQ(list.counts.Count(), 2u);
  // 383 is pixel 1, 384 pixel 2 ((v + 128) >> 8).
  EXPECT_EQ(list.points[0], (TPoint{1, 2}));
  EXPECT_EQ(list.points[1], (TPoint{11, 2}));
  EXPECT_GT(list.counts[0], 4u);  // the curve was flattened
  // The far triangle is cut to the clip widened by 2 pixels.
  for (std::uint32_t i = list.counts[0]; i < list.points.Count(); ++i) {
    EXPECT_GE(list.points[i].x, -2);
    EXPECT_LE(list.points[i].x, 22);
    EXPECT_GE(list.points[i].y, -2);
    EXPECT_LE(list.points[i].y, 22);
  }
  // The far triangle covers the clip: even-odd cuts the piece out of it,
  // winding (both turn the same way) keeps it.
  BandRegion r;
  ASSERT_TRUE(r.FromPolygons(list, BandRegion::kEvenOdd));
  EXPECT_FALSE(Contains(r, 9, 5));
  EXPECT_TRUE(Contains(r, 15, 15));
  ASSERT_TRUE(r.FromPolygons(list, BandRegion::kWinding));
  EXPECT_TRUE(Contains(r, 9, 5));
  EXPECT_TRUE(Contains(r, 15, 15));
}

// Whether segment a-b meets the closed unit square of pixel (x, y).
bool SegmentTouchesPixel(TPoint a, TPoint b, std::int64_t x, std::int64_t y) {
  if (std::max(a.x, b.x) < x || std::min(a.x, b.x) > x + 1 || std::max(a.y, b.y) < y || std::min(a.y, b.y) > y + 1)
    return false;
  const std::int64_t dx = std::int64_t(b.x) - a.x, dy = std::int64_t(b.y) - a.y;
  int pos = 0, neg = 0;
  for (int cx = 0; cx < 2; ++cx)
    for (int cy = 0; cy < 2; ++cy) {
      const std::int64_t c = dx * (y + cy - a.y) - dy * (x + cx - a.x);
      pos += c > 0;
      neg += c < 0;
    }
  return !(pos == 4 || neg == 4);
}

TEST(BandRegionTest, AgreesWithTheDeviceContextRegionOnRandomPolygons) {
  std::mt19937 rng(20261207);
  constexpr int kSide = 40;
  int compared = 0;
  for (int round = 0; round < 10000; ++round) {
    const int n = 3 + int(rng() % 10);
    std::vector<TPoint> pts(static_cast<std::size_t>(n));
    std::vector<DPoint> dpts(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      pts[std::size_t(i)] = TPoint{std::int32_t(rng() % (kSide + 1)), std::int32_t(rng() % (kSide + 1))};
      dpts[std::size_t(i)] = DPoint{double(pts[std::size_t(i)].x), double(pts[std::size_t(i)].y)};
    }
    const bool winding = rng() % 2;
    const std::uint32_t count = std::uint32_t(n);
    BandRegion band;
    ASSERT_TRUE(band.FromPolygons(pts.data(), &count, 1, winding ? BandRegion::kWinding : BandRegion::kEvenOdd));
    TRegion device;
    ASSERT_TRUE(TRegion::FromPolygons(dpts.data(), &count, 1, winding ? kWinding : kAlternate, &device));
    const TRegion handed = TRegion::FromRects(band.Rects(), band.RectCount());
    for (int y = -1; y <= kSide; ++y) {
      for (int x = -1; x <= kSide; ++x) {
        const bool inBand = Contains(band, x, y);
        ASSERT_EQ(handed.Contains(x, y), inBand) << "round " << round << " pixel " << x << "," << y;
        bool touched = false;
        for (int i = 0; i < n && !touched; ++i)
          touched = SegmentTouchesPixel(pts[std::size_t(i)], pts[std::size_t((i + 1) % n)], x, y);
        if (touched) continue;
        ++compared;
        ASSERT_EQ(device.Contains(x, y), inBand)
            << "round " << round << " pixel " << x << "," << y << (winding ? " winding" : " even-odd");
      }
    }
  }
  EXPECT_GT(compared, 1000000);
}

}  // namespace
}  // namespace kvn
