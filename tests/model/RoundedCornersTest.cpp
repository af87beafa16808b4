#include "model/RoundedCorners.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/BezierMath.h"

namespace kvn {
namespace {

constexpr double kHandle = 0.552284749830793;

void ExpectNear(const DPoint& a, const DPoint& b, double tol = 1e-12) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
}

TEST(RoundedCorners, RightAngleWithLongEdges) {
  CubicArray records;
  PendingSegment pending{{0, 0}};
  RoundedCorner corner;
  EXPECT_TRUE(RoundCorner(&corner, &records, nullptr, {0, 0}, {10, 0}, {10, 10}, 1, pending));
  ASSERT_EQ(records.Count(), 2u);  // the run to the arc, then one arc record
  EXPECT_EQ(records[0].p[0], (DPoint{0, 0}));
  EXPECT_EQ(records[0].p[3], (DPoint{9, 0}));
  const Cubic& arc = records[1];
  ExpectNear(arc.p[0], {9, 0});
  ExpectNear(arc.p[1], {9 + kHandle, 0});
  ExpectNear(arc.p[2], {10, 1 - kHandle});
  ExpectNear(arc.p[3], {10, 1});
  ExpectNear(pending.from, {10, 1});
  EXPECT_DOUBLE_EQ(corner.tangent, 1);
  EXPECT_DOUBLE_EQ(corner.radius, 1);
  EXPECT_DOUBLE_EQ(corner.sweep, 90);
  EXPECT_DOUBLE_EQ(corner.angle, 90);
  EXPECT_EQ(corner.direction, -1);  // a left turn

  RoundedCorner right;
  ComputeRoundedCorner({0, 0}, {10, 0}, {10, -10}, 1, right);
  EXPECT_EQ(right.direction, 1);
}

TEST(RoundedCorners, StraightOnAndReversalStaySharp) {
  RoundedCorner corner;
  EXPECT_FALSE(ComputeRoundedCorner({0, 0}, {5, 0}, {10, 0}, 1, corner));
  EXPECT_EQ(corner.start, (DPoint{5, 0}));
  EXPECT_EQ(corner.end, (DPoint{5, 0}));
  EXPECT_FALSE(ComputeRoundedCorner({0, 0}, {5, 0}, {0, 0}, 1, corner));
  EXPECT_FALSE(ComputeRoundedCorner({0, 0}, {5, 0}, {5, 5}, 0, corner));
  EXPECT_FALSE(ComputeRoundedCorner({0, 0}, {5, 0}, {5, 0}, 1, corner));  // zero-length edge
  EXPECT_FALSE(ComputeRoundedCorner({0, 0}, {NAN, 0}, {5, 5}, 1, corner));

  // A sharp corner still emits the run that leads to it.
  CubicArray records;
  PendingSegment pending{{0, 0}};
  EXPECT_FALSE(RoundCorner(nullptr, &records, nullptr, {0, 0}, {5, 0}, {0, 0}, 1, pending));
  ASSERT_EQ(records.Count(), 1u);
  EXPECT_EQ(records[0].p[3], (DPoint{5, 0}));
}

TEST(RoundedCorners, ShortEdgeShrinksTheRadius) {
  RoundedCorner corner;
  ASSERT_TRUE(ComputeRoundedCorner({0, 0}, {1, 0}, {1, 5}, 3, corner));
  EXPECT_DOUBLE_EQ(corner.tangent, 1);
  EXPECT_NEAR(corner.radius, 1, 1e-15);
  ExpectNear(corner.start, {0, 0});  // the whole shorter edge is used
  ExpectNear(corner.end, {1, 1});
}

TEST(RoundedCorners, WideSweepUsesTwoRecordsOnTheCircle) {
  // A turn of 135 degrees to the left.
  const DPoint a{0, 0}, b{10, 0}, c{0, 10};
  CubicArray records;
  PendingSegment pending{a};
  RoundedCorner corner;
  ASSERT_TRUE(RoundCorner(&corner, &records, nullptr, a, b, c, 2, pending));
  ASSERT_EQ(records.Count(), 3u);
  EXPECT_DOUBLE_EQ(corner.sweep, 135);
  EXPECT_EQ(records[1].p[3], records[2].p[0]);
  // Centre on the bisector at sqrt(T^2 + r^2) from the corner.
  const double t = corner.tangent, r = corner.radius;
  const DPoint ua{(a.x - b.x) / 10, (a.y - b.y) / 10};
  const DPoint centre{corner.start.x - ua.y * r * -1, corner.start.y + ua.x * r * -1};
  EXPECT_NEAR(std::hypot(centre.x - b.x, centre.y - b.y), std::sqrt(t * t + r * r), 1e-12);
  for (int k = 1; k <= 2; ++k) {
    for (double s : {0.0, 0.25, 0.5, 0.75, 1.0}) {
      const DPoint p = CubicPoint(records[k], s);
      EXPECT_NEAR(std::hypot(p.x - centre.x, p.y - centre.y), r, 0.01 * r);
    }
  }
  // The two halves are tangent to each other at the middle.
  const Cubic& h1 = records[1];
  const Cubic& h2 = records[2];
  const double cross = (h1.p[3].x - h1.p[2].x) * (h2.p[1].y - h2.p[0].y) - (h1.p[3].y - h1.p[2].y) * (h2.p[1].x - h2.p[0].x);
  EXPECT_NEAR(cross, 0, 1e-12);
}

TEST(RoundedCorners, MirroredCornerGivesMirroredRecords) {
  CubicArray left, right;
  PendingSegment pl{{0, 0}}, pr{{0, 0}};
  RoundCorner(nullptr, &left, nullptr, {0, 0}, {10, 0}, {3, 7}, 1.5, pl);
  RoundCorner(nullptr, &right, nullptr, {0, 0}, {10, 0}, {3, -7}, 1.5, pr);
  ASSERT_EQ(left.Count(), right.Count());
  for (std::uint32_t i = 0; i < left.Count(); ++i) {
    for (int k = 0; k < 4; ++k) ExpectNear(left[i].p[k], {right[i].p[k].x, -right[i].p[k].y});
  }
}

TEST(RoundedCorners, WholePolylines) {
  const std::vector<DPoint> square = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  CubicArray plain;
  RoundedPolylineToBeziers(plain, nullptr, square.data(), 4, true, 0, nullptr);
  ASSERT_EQ(plain.Count(), 4u);
  EXPECT_EQ(plain[3].p[3], (DPoint{0, 0}));
  CubicArray twoClosed;
  RoundedPolylineToBeziers(twoClosed, nullptr, square.data(), 2, true, 5, nullptr);
  EXPECT_EQ(twoClosed.Count(), 2u);

  CubicArray open;
  GrowArray<DPoint> onCurve;
  RoundedPolylineToBeziers(open, &onCurve, square.data(), 4, false, 1, nullptr);
  ASSERT_EQ(open.Count(), 5u);  // edge, arc, edge, arc, edge
  EXPECT_EQ(open[0].p[0], (DPoint{0, 0}));
  EXPECT_EQ(open[4].p[3], (DPoint{0, 10}));
  ASSERT_EQ(onCurve.Count(), 6u);
  EXPECT_EQ(onCurve[5], (DPoint{0, 10}));
  for (std::uint32_t i = 1; i < open.Count(); ++i) EXPECT_EQ(open[i].p[0], open[i - 1].p[3]);

  // Per-vertex radii: only the corner with a radius is rounded.
  const double radii[4] = {0, 0, 2, 0};
  CubicArray own;
  RoundedPolylineToBeziers(own, nullptr, square.data(), 4, true, 0, radii);
  ASSERT_EQ(own.Count(), 5u);  // four edges and one arc
  EXPECT_EQ(own[own.Count() - 1].p[3], own[0].p[0]);
}

}  // namespace
}  // namespace kvn
