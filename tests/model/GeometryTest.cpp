#include "model/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kvn {
namespace {

TEST(Geometry, NormalizeAngleIntoHalfOpenRange) {
  EXPECT_EQ(NormalizeAngle(-180), 180);
  EXPECT_EQ(NormalizeAngle(540), 180);
  EXPECT_EQ(NormalizeAngle(-181), 179);
  EXPECT_EQ(NormalizeAngle(180), 180);
  EXPECT_EQ(NormalizeAngle(-540), 180);
  EXPECT_EQ(NormalizeAngle(359), -1);
  EXPECT_EQ(NormalizeAngle(0), 0);
}

TEST(Geometry, RotatePoint) {
  DPoint p{0.1, 0.3};
  RotatePoint(p, {5, 7}, 0);
  EXPECT_EQ(p, (DPoint{0.1, 0.3}));  // bit for bit

  DPoint q{3, 1};
  RotatePoint(q, {1, 1}, 90);
  EXPECT_NEAR(q.x, 1, 1e-15);
  EXPECT_NEAR(q.y, 3, 1e-15);
  RotatePoint(q, {1, 1}, -90);
  EXPECT_NEAR(q.x, 3, 1e-15);
  EXPECT_NEAR(q.y, 1, 1e-15);
}

TEST(Geometry, PointsBounds) {
  DRect box{1, 2, 3, 4};
  GetPointsBounds(box, nullptr, 0);
  EXPECT_TRUE(box.IsZero());
  const DPoint pts[3] = {{2, -1}, {-4, 5}, {0, 0}};
  GetPointsBounds(box, pts, 3);
  EXPECT_EQ(box, (DRect{-4, -1, 2, 5}));
  GetPointsBounds(box, pts, 1);
  EXPECT_EQ(box, (DRect{2, -1, 2, -1}));
}

}  // namespace
}  // namespace kvn
