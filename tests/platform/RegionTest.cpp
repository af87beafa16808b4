#include "platform/gdi/Region.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace kvn {
namespace {

// Pixels of the region inside a window, row by row, as a string grid.
std::string Grid(const TRegion& r, int x0, int y0, int x1, int y1) {
  std::string s;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) s += r.Contains(x, y) ? '#' : '.';
    s += '\n';
  }
  return s;
}

TEST(RegionTest, RectangleCoversLeftTopInclusiveRightBottomExclusive) {
  TRegion r(TRect{2, 1, 5, 3});
  EXPECT_EQ(r.Kind(), kSimpleRegion);
  EXPECT_EQ(Grid(r, 0, 0, 6, 4), "......\n..###.\n..###.\n......\n");
  EXPECT_EQ(TRegion(TRect{5, 3, 2, 1}), r) << "corners are normalised";
  EXPECT_TRUE(TRegion(TRect{2, 2, 2, 9}).IsEmpty());
  EXPECT_EQ(TRegion(TRect{2, 2, 2, 9}).Kind(), kNullRegion);
}

TEST(RegionTest, CombineMatchesPixelwiseLogicOnRandomRectangles) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coord(0, 24);
  auto randomRegion = [&] {
    TRegion r;
    for (int k = 0; k < 5; ++k) {
      int x0 = coord(rng), y0 = coord(rng);
      TRegion piece(TRect{x0, y0, x0 + coord(rng) / 2, y0 + coord(rng) / 2});
      r.Combine(r, piece, k % 2 ? kRgnOr : kRgnXor);
    }
    return r;
  };
  for (int round = 0; round < 200; ++round) {
    TRegion a = randomRegion(), b = randomRegion();
    for (int mode : {kRgnAnd, kRgnOr, kRgnXor, kRgnDiff}) {
      TRegion c;
      c.Combine(a, b, mode);
      for (int y = -1; y < 38; ++y)
        for (int x = -1; x < 38; ++x) {
          bool pa = a.Contains(x, y), pb = b.Contains(x, y);
          bool want = mode == kRgnAnd ? pa && pb : mode == kRgnOr ? pa || pb : mode == kRgnXor ? pa != pb : pa && !pb;
          ASSERT_EQ(c.Contains(x, y), want) << "mode " << mode << " at " << x << "," << y;
        }
      // Canonical form: the same pixels built another way compare equal.
      if (mode == kRgnOr) {
        TRegion other;
        other.Combine(b, a, kRgnOr);
        EXPECT_EQ(c, other);
      }
    }
  }
}

TEST(RegionTest, TouchingBandsWithEqualSpansMerge) {
  TRegion top(TRect{0, 0, 10, 5}), bottom(TRect{0, 5, 10, 9});
  TRegion u;
  EXPECT_EQ(u.Combine(top, bottom, kRgnOr), kSimpleRegion);
  EXPECT_EQ(u, TRegion(TRect{0, 0, 10, 9}));
  TRegion hole;
  EXPECT_EQ(hole.Combine(u, TRegion(TRect{3, 3, 6, 6}), kRgnDiff), kComplexRegion);
  EXPECT_EQ(hole.GetBox(), (TRect{0, 0, 10, 9}));
  EXPECT_FALSE(hole.Contains(4, 4));
  EXPECT_TRUE(hole.Contains(2, 4));
  TRegion refill;
  refill.Combine(hole, TRegion(TRect{3, 3, 6, 6}), kRgnOr);
  EXPECT_EQ(refill, u) << "filling the hole again gives the single rectangle back";
}

TEST(RegionTest, PolygonTakesPixelsWhoseCentresAreInside) {
  const DPoint square[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  const std::uint32_t four = 4;
  TRegion r;
  ASSERT_TRUE(TRegion::FromPolygons(square, &four, 1, kAlternate, &r));
  EXPECT_EQ(r, TRegion(TRect{0, 0, 10, 10}));

  // Below the diagonal x = y: the centre of pixel (x, y) is inside when
  // x < y; a centre on the diagonal is on the right edge and outside.
  const DPoint tri[] = {{0, 0}, {0, 4}, {4, 4}};
  const std::uint32_t three = 3;
  ASSERT_TRUE(TRegion::FromPolygons(tri, &three, 1, kAlternate, &r));
  EXPECT_EQ(Grid(r, 0, 0, 5, 5), ".....\n#....\n##...\n###..\n.....\n");
}

TEST(RegionTest, AlternateAndWindingDifferOnAPentagram) {
  std::vector<DPoint> star;
  for (int k = 0; k < 5; ++k) {
    double a = -std::numbers::pi / 2 + k * 4 * std::numbers::pi / 5;
    star.push_back({50 + 40 * std::cos(a), 50 + 40 * std::sin(a)});
  }
  const std::uint32_t five = 5;
  TRegion alternate, winding;
  ASSERT_TRUE(TRegion::FromPolygons(star.data(), &five, 1, kAlternate, &alternate));
  ASSERT_TRUE(TRegion::FromPolygons(star.data(), &five, 1, kWinding, &winding));
  EXPECT_FALSE(alternate.Contains(50, 50)) << "the centre is crossed twice";
  EXPECT_TRUE(winding.Contains(50, 50));
  EXPECT_TRUE(alternate.Contains(50, 15)) << "a point of the star";
  TRegion diff;
  diff.Combine(alternate, winding, kRgnDiff);
  EXPECT_TRUE(diff.IsEmpty()) << "alternate is a subset of winding";
}

TEST(RegionTest, PolygonsRefuseBadInputWithoutHanging) {
  TRegion r(TRect{1, 1, 2, 2});
  const std::uint32_t three = 3;
  const DPoint nan[] = {{0, 0}, {NAN, 4}, {4, 4}};
  EXPECT_FALSE(TRegion::FromPolygons(nan, &three, 1, kWinding, &r));
  const DPoint far[] = {{0, 0}, {1e9, 4}, {4, 4}};
  EXPECT_FALSE(TRegion::FromPolygons(far, &three, 1, kWinding, &r));
  EXPECT_FALSE(TRegion::FromPolygons(far, &three, 1, 3, &r));
  // Tall and slanted: every row differs, so the scan budget runs out.
  const DPoint sliver[] = {{0, -1e8}, {1000, 1e8}, {0, 1e8}};
  EXPECT_FALSE(TRegion::FromPolygons(sliver, &three, 1, kWinding, &r));
  EXPECT_EQ(r, TRegion(TRect{1, 1, 2, 2})) << "a refused polygon leaves the output alone";
  // Tall with vertical edges only costs one band.
  const DPoint tall[] = {{0, -1e8}, {3, -1e8}, {3, 1e8}, {0, 1e8}};
  const std::uint32_t four = 4;
  ASSERT_TRUE(TRegion::FromPolygons(tall, &four, 1, kWinding, &r));
  EXPECT_EQ(r.RectCount(), 1u);
}

TEST(RegionTest, OffsetStopsAtTheCoordinateLimit) {
  TRegion r(TRect{0, 0, 10, 10});
  EXPECT_EQ(r.Offset(5, -5), kSimpleRegion);
  EXPECT_EQ(r, TRegion(TRect{5, -5, 15, 5}));
  EXPECT_EQ(r.Offset(kRegionCoordLimit, 0), kRegionError);
  EXPECT_EQ(r, TRegion(TRect{5, -5, 15, 5}));
  TRegion huge(TRect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
  EXPECT_EQ(huge.GetBox(), (TRect{-kRegionCoordLimit, -kRegionCoordLimit, kRegionCoordLimit, kRegionCoordLimit}));
}

TEST(RegionTest, FromRectsIsTheUnion) {
  const TRect rects[] = {{0, 0, 4, 4}, {2, 2, 6, 6}, {10, 0, 12, 2}, {0, 0, 1, 1}};
  TRegion r = TRegion::FromRects(rects, 4);
  TRegion want;
  for (const TRect& rc : rects) want.Combine(want, TRegion(rc), kRgnOr);
  EXPECT_EQ(r, want);
  EXPECT_EQ(r.GetBox(), (TRect{0, 0, 12, 6}));
  EXPECT_TRUE(TRegion::FromRects(nullptr, 3).IsEmpty());
}

}  // namespace
}  // namespace kvn
