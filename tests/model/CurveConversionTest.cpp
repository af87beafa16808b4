#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "model/BezierMath.h"
#include "model/PointList.h"

namespace kvn {
namespace {

PointList Make(std::vector<DPoint> pts, bool closed, int kind, double weight = 0) {
  PointList list;
  list.SetPoints(pts.data(), std::uint32_t(pts.size()));
  list.SetClosed(closed);
  list.SetCurveKind(kind);
  list.SetWeight(weight);
  return list;
}

CubicArray Records(const PointList& list) {
  CubicArray out;
  list.ToBeziers(out);
  return out;
}

void ExpectChained(const CubicArray& records) {
  for (std::uint32_t i = 1; i < records.Count(); ++i) EXPECT_EQ(records[i].p[0], records[i - 1].p[3]) << i;
}

// Tangent directions agree where two records meet (C1 up to length).
void ExpectSmoothJoint(const Cubic& a, const Cubic& b) {
  const DPoint in{a.p[3].x - a.p[2].x, a.p[3].y - a.p[2].y};
  const DPoint out{b.p[1].x - b.p[0].x, b.p[1].y - b.p[0].y};
  EXPECT_NEAR(in.x * out.y - in.y * out.x, 0, 1e-9 * (1 + std::hypot(in.x, in.y) * std::hypot(out.x, out.y)));
  EXPECT_GT(in.x * out.x + in.y * out.y, 0);
}

// --- ToBeziers by kind -------------------------------------------------------------------------

TEST(CurveConversion, StraightEdges) {
  CubicArray tri = Records(Make({{0, 0}, {4, 0}, {0, 3}}, true, 0));
  ASSERT_EQ(tri.Count(), 3u);
  EXPECT_TRUE(tri.closed);
  EXPECT_EQ(tri[0].p[0], (DPoint{0, 0}));
  EXPECT_EQ(tri[0].p[1], (DPoint{0, 0}));
  EXPECT_EQ(tri[0].p[2], (DPoint{4, 0}));
  EXPECT_EQ(tri[2].p[3], (DPoint{0, 0}));
  for (const Cubic& c : tri) EXPECT_TRUE(c.IsStraight());

  EXPECT_EQ(Records(Make({{0, 0}, {4, 0}, {0, 3}}, false, 0)).Count(), 2u);
  EXPECT_EQ(Records(Make({{0, 0}}, true, 0)).Count(), 0u);
  EXPECT_EQ(Records(Make({}, true, 0)).Count(), 0u);
  // Kind 2 without a positive weight is drawn straight.
  EXPECT_EQ(Records(Make({{0, 0}, {4, 0}, {0, 3}}, true, 2, 0)).Count(), 3u);
}

TEST(CurveConversion, SmoothTwoPointsIsOneStraightRecord) {
  CubicArray r = Records(Make({{0, 0}, {3, 3}}, false, 1));
  ASSERT_EQ(r.Count(), 1u);
  EXPECT_TRUE(r[0].IsStraight());
  EXPECT_EQ(r[0].p[3], (DPoint{3, 3}));
  // Closed with differing ends: there and back.
  EXPECT_EQ(Records(Make({{0, 0}, {3, 3}}, true, 1)).Count(), 2u);
}

TEST(CurveConversion, SmoothOpenThroughEveryPoint) {
  const std::vector<DPoint> pts = {{0, 0}, {1, 0}, {2, 0}};
  CubicArray r = Records(Make(pts, false, 1));
  ASSERT_EQ(r.Count(), 2u);
  // Evenly spaced collinear points: tangents equal the chord.
  EXPECT_NEAR(r[0].p[1].x, 1.0 / 3, 1e-15);
  EXPECT_NEAR(r[0].p[2].x, 2.0 / 3, 1e-15);
  EXPECT_NEAR(r[1].p[1].x, 4.0 / 3, 1e-15);
  EXPECT_EQ(r[0].p[1].y, 0);

  const std::vector<DPoint> wave = {{0, 0}, {2, 3}, {5, -1}, {7, 4}, {12, 0}};
  CubicArray w = Records(Make(wave, false, 1));
  ASSERT_EQ(w.Count(), 4u);
  ExpectChained(w);
  for (std::uint32_t i = 0; i < 4; ++i) EXPECT_EQ(w[i].p[0], wave[i]);
  for (std::uint32_t i = 1; i < 4; ++i) ExpectSmoothJoint(w[i - 1], w[i]);
}

TEST(CurveConversion, SmoothDoubledPointsSplitRuns) {
  // A, B, B, C, D: a straight run A-B, then a curve B-C-D.
  CubicArray r = Records(Make({{0, 0}, {1, 0}, {1, 0}, {2, 1}, {3, 0}}, false, 1));
  ASSERT_EQ(r.Count(), 3u);
  EXPECT_TRUE(r[0].IsStraight());
  EXPECT_FALSE(r[1].IsStraight());
  ExpectChained(r);
  // Three equal points in a row give nothing between them.
  EXPECT_EQ(Records(Make({{0, 0}, {0, 0}, {0, 0}}, false, 1)).Count(), 0u);
}

TEST(CurveConversion, SmoothClosedForms) {
  // Ends differ and no doubled point: periodic, one record per point.
  const std::vector<DPoint> quad = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  CubicArray periodic = Records(Make(quad, true, 1));
  ASSERT_EQ(periodic.Count(), 4u);
  ExpectChained(periodic);
  EXPECT_EQ(periodic[3].p[3], quad[0]);
  for (std::uint32_t i = 0; i < 4; ++i) ExpectSmoothJoint(periodic[i], periodic[(i + 1) % 4]);

  // First equals last: an open curve, no closing record.
  CubicArray open = Records(Make({{0, 0}, {10, 0}, {10, 10}, {0, 0}}, true, 1));
  ASSERT_EQ(open.Count(), 3u);
  EXPECT_EQ(open[2].p[3], (DPoint{0, 0}));

  // A doubled point: the curve starts at the second of the pair and ends at the first.
  CubicArray rotated = Records(Make({{0, 0}, {10, 0}, {10, 10}, {10, 10}, {0, 10}}, true, 1));
  ASSERT_EQ(rotated.Count(), 4u);
  EXPECT_EQ(rotated[0].p[0], (DPoint{10, 10}));
  EXPECT_EQ(rotated[3].p[3], (DPoint{10, 10}));
  ExpectChained(rotated);
}

TEST(CurveConversion, CubicChain) {
  const std::vector<DPoint> pts = {{0, 0}, {0, 1}, {1, 1}, {1, 0}, {1, -1}, {2, -1}, {2, 0}, {9, 9}};
  CubicArray open = Records(Make(pts, false, 3));
  ASSERT_EQ(open.Count(), 2u);  // the eighth point is not used
  EXPECT_EQ(open[1].p[0], (DPoint{1, 0}));
  EXPECT_EQ(open[1].p[3], (DPoint{2, 0}));

  CubicArray closed = Records(Make(pts, true, 3));
  ASSERT_EQ(closed.Count(), 3u);
  EXPECT_TRUE(closed[2].IsStraight());
  EXPECT_EQ(closed[2].p[0], (DPoint{2, 0}));
  EXPECT_EQ(closed[2].p[3], (DPoint{0, 0}));

  CubicArray loop = Records(Make({{0, 0}, {0, 1}, {1, 1}, {0, 0}}, true, 3));
  EXPECT_EQ(loop.Count(), 1u);
}

TEST(CurveConversion, RoundedCorners) {
  CubicArray r = Records(Make({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true, 2, 1));
  ASSERT_EQ(r.Count(), 8u);  // four edges, four quarter arcs
  ExpectChained(r);
  EXPECT_EQ(r[7].p[3], r[0].p[0]);
  int straight = 0;
  for (const Cubic& c : r) straight += c.IsStraight();
  EXPECT_EQ(straight, 4);
}

// --- Cubic helpers -----------------------------------------------------------------------------

TEST(BezierMath, BoundsOfStraightAndCurved) {
  DRect box;
  GetBezierBounds(box, Cubic::Straight({3, -1}, {-2, 5}));
  EXPECT_EQ(box, (DRect{-2, -1, 3, 5}));

  BezierExtremes e;
  GetBezierBounds(box, Cubic{{{0, 0}, {0, 1}, {1, 1}, {1, 0}}}, &e);
  EXPECT_DOUBLE_EQ(box.y2, 0.75);
  EXPECT_DOUBLE_EQ(e.maxY.x, 0.5);
  EXPECT_EQ(box.x1, 0);
  EXPECT_EQ(box.x2, 1);

  // An S curve with both roots of dx/dt inside (0, 1).
  const Cubic s{{{0, 0}, {4, 1}, {-3, 2}, {1, 3}}};
  GetBezierBounds(box, s, &e);
  EXPECT_GT(box.x2, 1);
  EXPECT_LT(box.x1, 0);
  // x(t) = 12t - 33t^2 + 22t^3, turning at t = 1/2 -+ sqrt(1188) / 132.
  const auto x = [](double t) { return 12 * t - 33 * t * t + 22 * t * t * t; };
  const double r = std::sqrt(1188.0) / 132;
  EXPECT_NEAR(box.x2, x(0.5 - r), 1e-12);  // 1.2834
  EXPECT_NEAR(box.x1, x(0.5 + r), 1e-12);  // -0.2834
  EXPECT_EQ(box.x2, e.maxX.x);
  EXPECT_EQ(box.x1, e.minX.x);
  double lo = 0, hi = 0;
  for (int k = 0; k <= 10000; ++k) {
    const DPoint p = CubicPoint(s, k / 10000.0);
    lo = std::fmin(lo, p.x);
    hi = std::fmax(hi, p.x);
  }
  EXPECT_NEAR(box.x1, lo, 1e-6);
  EXPECT_NEAR(box.x2, hi, 1e-6);
  EXPECT_LE(box.x1, lo);
  EXPECT_GE(box.x2, hi);
}

TEST(BezierMath, FlattenedPointsLieInTheBoundsAndEndAtTheEnd) {
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> coord(-100, 100);
  for (int n = 0; n < 60; ++n) {
    Cubic c;
    for (DPoint& p : c.p) p = {coord(gen), coord(gen)};
    DRect box;
    GetBezierBounds(box, c);
    GrowArray<DPoint> pts;
    FlattenBezier(pts, c, 0.001);
    ASSERT_GE(pts.Count(), 3u);
    EXPECT_EQ(pts[0], c.p[0]);
    EXPECT_EQ(pts[pts.Count() - 1], c.p[3]);
    EXPECT_EQ(pts[pts.Count() - 2], c.p[3]);  // once from the last piece, once appended
    for (const DPoint& p : pts) {
      EXPECT_GE(p.x, box.x1 - 1e-9);
      EXPECT_LE(p.x, box.x2 + 1e-9);
      EXPECT_GE(p.y, box.y1 - 1e-9);
      EXPECT_LE(p.y, box.y2 + 1e-9);
    }
    // The flattened line stays close to the curve: chord midpoints against
    // the curve sampled finely.
    const double tol = (box.Width() + box.Height()) * 0.001 * 0.5;
    const int samples = 2000;
    const double spacing = CubicLength(c) / samples;
    for (std::uint32_t i = 0; i + 1 < pts.Count(); ++i) {
      const DPoint mid{(pts[i].x + pts[i + 1].x) / 2, (pts[i].y + pts[i + 1].y) / 2};
      double best = 1e300;
      for (int k = 0; k <= samples; ++k) {
        const DPoint q = CubicPoint(c, double(k) / samples);
        best = std::fmin(best, std::hypot(q.x - mid.x, q.y - mid.y));
      }
      EXPECT_LT(best, 2 * tol + spacing);
    }
  }
}

TEST(BezierMath, TinyCurveFlattensToItsEnds) {
  GrowArray<DPoint> pts;
  FlattenBezier(pts, Cubic{{{0, 0}, {1e-8, 1e-8}, {2e-8, 0}, {3e-8, 0}}}, 0.001);
  ASSERT_EQ(pts.Count(), 2u);
  EXPECT_EQ(pts[1], (DPoint{3e-8, 0}));
}

TEST(BezierMath, SubdivideDepthAndFlatPieces) {
  GrowArray<DPoint> pts;
  Cubic c{{{0, 0}, {0, 10}, {10, 10}, {10, 0}}};
  SubdivideBezier(c, pts, 0, 0.001);
  ASSERT_EQ(pts.Count(), 1u);
  EXPECT_EQ(pts[0], (DPoint{10, 0}));

  // Control points on the chord between the ends: not split, in either direction.
  for (const Cubic& line : {Cubic{{{0, 0}, {1, 1}, {2, 2}, {3, 3}}}, Cubic::Straight({0, 0}, {5, 1}),
                            Cubic::Straight({5, 1}, {0, 0}), Cubic::Straight({0, 5}, {0, -5})}) {
    pts.Clear();
    Cubic scratch = line;
    SubdivideBezier(scratch, pts, 15, 0.001);
    EXPECT_EQ(pts.Count(), 1u);
  }

  // A control point beyond the chord forces a split even when close to it.
  pts.Clear();
  Cubic beyond{{{0, 0}, {-0.0001, 0}, {1, 0}, {1, 0}}};
  SubdivideBezier(beyond, pts, 1, 1);
  EXPECT_EQ(pts.Count(), 2u);
}

TEST(BezierMath, SliceMatchesTheCurve) {
  const DPoint in[4] = {{0, 0}, {1, 3}, {4, 3}, {5, 0}};
  const Cubic c{{in[0], in[1], in[2], in[3]}};
  DPoint whole[4];
  CubicBezierSlice(whole, in, 0, 1);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(whole[i].x, in[i].x, 1e-14);
    EXPECT_NEAR(whole[i].y, in[i].y, 1e-14);
  }
  DPoint part[4];
  CubicBezierSlice(part, in, 0.25, 0.75);
  const Cubic slice{{part[0], part[1], part[2], part[3]}};
  for (double s : {0.0, 0.3, 0.5, 0.9, 1.0}) {
    const DPoint a = CubicPoint(slice, s);
    const DPoint b = CubicPoint(c, 0.25 + 0.5 * s);
    EXPECT_NEAR(a.x, b.x, 1e-13);
    EXPECT_NEAR(a.y, b.y, 1e-13);
  }
}

TEST(BezierMath, LengthAndArea) {
  EXPECT_DOUBLE_EQ(CubicLength(Cubic::Straight({0, 0}, {3, 4})), 5);
  EXPECT_DOUBLE_EQ(CubicLength(Cubic{{{0, 0}, {1, 0}, {2, 0}, {3, 0}}}), 3);
  EXPECT_EQ(CubicLength(Cubic::Straight({1, 1}, {1, 1})), 0);
  // A cusp: the curve goes out to x = 0.75 and comes back.
  EXPECT_NEAR(CubicLength(Cubic{{{0, 0}, {1, 0}, {1, 0}, {0, 0}}}), 1.5, 1e-9);

  // Triangle of straight records: the signed area of a polygon.
  const double area = CubicSignedArea(Cubic::Straight({0, 0}, {4, 0})) + CubicSignedArea(Cubic::Straight({4, 0}, {0, 3})) +
                      CubicSignedArea(Cubic::Straight({0, 3}, {0, 0}));
  EXPECT_DOUBLE_EQ(area, 6);
}

}  // namespace
}  // namespace kvn
