#include <gtest/gtest.h>

#include <numbers>

#include "foundation/DRect.h"
#include "foundation/Vec3.h"

namespace kvn {
namespace {

TEST(Vec3, NormalizeDropsTinyVectors) {
  Vec3 tiny{1e-21, 0, 0};
  tiny.Normalize();
  EXPECT_EQ(tiny, (Vec3{0, 0, 0}));
  Vec3 v{3, 0, 4};
  EXPECT_EQ(v.Normalized(), (Vec3{0.6, 0, 0.8}));
  EXPECT_EQ(v.LengthSqXY(), 9);
}

TEST(Vec3, AngleOfVector2DCoversAllQuadrants) {
  const double pi = std::numbers::pi;
  EXPECT_DOUBLE_EQ(AngleOfVector2D(0, 0, -1, 0), pi);
  EXPECT_DOUBLE_EQ(AngleOfVector2D(0, 0, 0, -1), 3 * pi / 2);
  EXPECT_EQ(AngleOfVector2D(0, 0, 0, 0), 0);
  EXPECT_DOUBLE_EQ(AngleOfVector2D(1, 1, 2, 2), pi / 4);
  EXPECT_DOUBLE_EQ(AngleOfVector2D(0, 0, -1, -1), 5 * pi / 4);
  EXPECT_DOUBLE_EQ(AngleOfVector2D(0, 0, 1, -1), 7 * pi / 4);
}

TEST(Vec3, SphericalOfZeroVectorIsFinite) {
  Vec3 out;
  Vec3{}.ToSpherical(out);
  EXPECT_EQ(out, (Vec3{0, 0, 0}));
  Vec3 d;
  d.DirectionAnglesOf(Vec3{0, 0, 0});
  EXPECT_EQ(d, (Vec3{0, 0, 0}));
}

TEST(DRect, IntersectNeedsStrictOverlap) {
  DRect a{0, 0, 10, 10};
  a.Intersect({10, 0, 20, 10});
  EXPECT_TRUE(a.IsZero());

  DRect b{0, 0, 10, 10};
  b.Intersect({5, 5, 20, 20});
  EXPECT_EQ(b, (DRect{5, 5, 10, 10}));

  DRect c{10, 10, 0, 0};  // normalised first
  c.Intersect({20, 20, 5, 5});
  EXPECT_EQ(c, (DRect{5, 5, 10, 10}));

  DRect none{};
  none.Intersect({1, 1, 2, 2});
  EXPECT_TRUE(none.IsZero());
  DRect d{1, 1, 2, 2};
  d.Intersect(DRect{});
  EXPECT_TRUE(d.IsZero());
}

TEST(DRect, FirstFlagBuildsABoxFromNothing) {
  DRect box;
  bool first = true;
  box.AddPoint({3, 4}, first);
  EXPECT_FALSE(first);
  EXPECT_EQ(box, (DRect{3, 4, 3, 4}));
  box.AddPoint({-1, 7}, first);
  box.Union({0, 0, 1, 1}, first);
  EXPECT_EQ(box, (DRect{-1, 0, 3, 7}));
  box.Inflate(1, 2);
  box.Offset(1, 1);
  EXPECT_EQ(box, (DRect{-1, -1, 5, 10}));
}

}  // namespace
}  // namespace kvn
