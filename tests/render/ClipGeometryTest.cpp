#include "render/ClipGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render/HitTest.h"

namespace kvn {
namespace {

// ---- ClipSegmentToRect ----

TEST(ClipSegmentToRect, CutsAHorizontalLineAtBothSides) {
  DPoint a{-5, 5}, b{15, 5};
  EXPECT_TRUE(ClipSegmentToRect(a, b, 0, 0, 10, 10));
  EXPECT_EQ(a, (DPoint{0, 5}));
  EXPECT_EQ(b, (DPoint{10, 5}));
  // The other direction moves the other ends.
  DPoint c{15, 5}, d{-5, 5};
  EXPECT_TRUE(ClipSegmentToRect(c, d, 0, 0, 10, 10));
  EXPECT_EQ(c, (DPoint{10, 5}));
  EXPECT_EQ(d, (DPoint{0, 5}));
}

TEST(ClipSegmentToRect, SegmentOnASideOrTouchingIsNotInside) {
  DPoint a{0, 0}, b{10, 0};  // on the top side
  EXPECT_FALSE(ClipSegmentToRect(a, b, 0, 0, 10, 10));
  DPoint c{-5, 15}, d{0, 10};  // reaches the corner (0, 10) only
  EXPECT_FALSE(ClipSegmentToRect(c, d, 0, 0, 10, 10));
  DPoint e{-5, 3}, f{3, -5};  // passes the corner outside
  EXPECT_FALSE(ClipSegmentToRect(e, f, 0, 0, 10, 10));
}

TEST(ClipSegmentToRect, DiagonalIsCutOnBothAxes) {
  DPoint a{-10, -5}, b{20, 10};  // y = x / 2, cut at x = 0, x = 10, then y = 1
  EXPECT_TRUE(ClipSegmentToRect(a, b, 0, 1, 10, 10));
  EXPECT_DOUBLE_EQ(a.x, 2);  // the y = 1 side comes after the x = 0 side
  EXPECT_DOUBLE_EQ(a.y, 1);
  EXPECT_DOUBLE_EQ(b.x, 10);
  EXPECT_DOUBLE_EQ(b.y, 5);
  DPoint c{3, 4}, d{6, 7};  // inside: untouched
  EXPECT_TRUE(ClipSegmentToRect(c, d, 0, 0, 10, 10));
  EXPECT_EQ(c, (DPoint{3, 4}));
  EXPECT_EQ(d, (DPoint{6, 7}));
}

TEST(ClipSegmentToRect, NonFiniteInputIsRejected) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  DPoint a{nan, 5}, b{15, 5};
  EXPECT_FALSE(ClipSegmentToRect(a, b, 0, 0, 10, 10));
  DPoint c{-inf, 5}, d{15, 5};
  EXPECT_FALSE(ClipSegmentToRect(c, d, 0, 0, 10, 10));
  DPoint e{1, 5}, f{5, 5};
  EXPECT_FALSE(ClipSegmentToRect(e, f, 0, 0, nan, 10));
}

// ---- ClipEndPointToRect ----

TEST(ClipEndPointToRect, MovesTheStartOntoTheRectangle) {
  DevicePoint a{-10, 0};
  EXPECT_TRUE(ClipEndPointToRect(0, 0, 100, 100, a, DevicePoint{20, 15}));
  EXPECT_EQ(a, (DevicePoint{0, 5}));
  // Beyond a corner: the left side first, then the top.
  DevicePoint c{-10, -30};
  EXPECT_TRUE(ClipEndPointToRect(0, 0, 100, 100, c, DevicePoint{10, 10}));
  EXPECT_EQ(c, (DevicePoint{5, 0}));  // at x = 0: y = -10; then at y = 0: x = 5
  // Rounding: floor(v + 0.5).
  DevicePoint d{-1, 0};
  EXPECT_TRUE(ClipEndPointToRect(0, 0, 100, 100, d, DevicePoint{1, 1}));
  EXPECT_EQ(d, (DevicePoint{0, 1}));  // 0.5 rounds up
}

TEST(ClipEndPointToRect, NoMoveWhenTheSideIsNotBetween) {
  DevicePoint a{-10, 50};
  EXPECT_FALSE(ClipEndPointToRect(0, 0, 100, 100, a, DevicePoint{-5, 60}));  // b outside too
  EXPECT_EQ(a, (DevicePoint{-10, 50}));
  DevicePoint b{50, 50};
  EXPECT_TRUE(ClipEndPointToRect(0, 0, 100, 100, b, DevicePoint{500, 500}));  // inside stays
  EXPECT_EQ(b, (DevicePoint{50, 50}));
  DevicePoint c{100, 100};  // the sides are inside
  EXPECT_TRUE(ClipEndPointToRect(0, 0, 100, 100, c, DevicePoint{0, 0}));
  DevicePoint e{-10, 50};  // b on the side: t = 1, no move
  EXPECT_FALSE(ClipEndPointToRect(0, 0, 100, 100, e, DevicePoint{0, 50}));
}

// ---- RotatePoint about the origin ----

TEST(RotatePointAboutOrigin, TurnsCounterClockwise) {
  DPoint p{1, 0};
  RotatePoint(p, 90);
  EXPECT_NEAR(p.x, 0, 1e-15);
  EXPECT_NEAR(p.y, 1, 1e-15);
  DPoint q{3, -4};
  RotatePoint(q, 30);
  EXPECT_NEAR(q.x, 3 * std::cos(M_PI / 6) + 4 * std::sin(M_PI / 6), 1e-12);
  EXPECT_NEAR(q.y, 3 * std::sin(M_PI / 6) - 4 * std::cos(M_PI / 6), 1e-12);
  DPoint r{0.1, 0.7};
  RotatePoint(r, 0);
  EXPECT_EQ(r, (DPoint{0.1, 0.7}));
}

// ---- PointInPolygon ----

TEST(PointInPolygon, EvenOddCrossings) {
  const DPoint square[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  EXPECT_TRUE(PointInPolygon(square, 4, {0.5, 0.5}));
  EXPECT_FALSE(PointInPolygon(square, 4, {-0.5, 0.5}));
  EXPECT_FALSE(PointInPolygon(square, 4, {1.5, 0.5}));
  EXPECT_FALSE(PointInPolygon(square, 0, {0.5, 0.5}));
  EXPECT_FALSE(PointInPolygon(nullptr, 4, {0.5, 0.5}));
  // Lower end inclusive, upper end exclusive: the bottom side is inside, the
  // top side not.
  EXPECT_TRUE(PointInPolygon(square, 4, {0.5, 0}));
  EXPECT_FALSE(PointInPolygon(square, 4, {0.5, 1}));
}

TEST(PointInPolygon, VertexOnTheRayCountsOnce) {
  // A diamond: the ray from the centre's height passes its left and right
  // vertices.
  const DPoint diamond[4] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
  EXPECT_TRUE(PointInPolygon(diamond, 4, {0, 0}));
  EXPECT_FALSE(PointInPolygon(diamond, 4, {-2, 0}));
  // Concave and self-overlapping outlines follow the even-odd rule.
  const DPoint u[8] = {{0, 0}, {3, 0}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}};
  EXPECT_TRUE(PointInPolygon(u, 8, {0.5, 2}));
  EXPECT_FALSE(PointInPolygon(u, 8, {1.5, 2}));
  const DPoint twice[8] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}, {4, 0}, {4, 4}, {0, 4}};
  EXPECT_FALSE(PointInPolygon(twice, 8, {2, 2}));
}

}  // namespace
}  // namespace kvn
