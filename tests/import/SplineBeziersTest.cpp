// B-spline evaluation: the uniform rule for poles without knots, and true
// curves of degree, knots and weights compared with a peer library's values
// (tools/gen_bspline_oracle.py, stored in data/bspline_oracle.txt).
#include "import/records/SplineBeziers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

namespace kvn {
namespace {

void ExpectPoint(const Vec3& p, double x, double y, double z = 0) {
  EXPECT_NEAR(p.x, x, 1e-12);
  EXPECT_NEAR(p.y, y, 1e-12);
  EXPECT_NEAR(p.z, z, 1e-12);
}

Vec3 At(const Cubic3D& c, double t) {
  const double s = 1 - t;
  const double b[4] = {s * s * s, 3 * s * s * t, 3 * s * t * t, t * t * t};
  Vec3 r;
  for (int i = 0; i < 4; ++i) {
    r.x += b[i] * c.p[i].x;
    r.y += b[i] * c.p[i].y;
    r.z += b[i] * c.p[i].z;
  }
  return r;
}

double Dist(const Vec3& a, const Vec3& b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

// Distance from p to the chain: a coarse search, then a narrowing one.
double DistanceToChain(const std::vector<Cubic3D>& chain, const Vec3& p) {
  double best = 1e300;
  for (const Cubic3D& c : chain) {
    double bestT = 0, bestD = 1e300;
    for (int i = 0; i <= 64; ++i) {
      const double d = Dist(At(c, i / 64.0), p);
      if (d < bestD) bestD = d, bestT = i / 64.0;
    }
    double lo = std::max(0.0, bestT - 1 / 64.0), hi = std::min(1.0, bestT + 1 / 64.0);
    for (int i = 0; i < 100; ++i) {
      const double a = lo + (hi - lo) / 3, b = hi - (hi - lo) / 3;
      if (Dist(At(c, a), p) < Dist(At(c, b), p)) hi = b; else lo = a;
    }
    best = std::min({best, bestD, Dist(At(c, (lo + hi) / 2), p)});
  }
  return best;
}

TEST(SplineUniformRuleTest, TwoThreeFourAndFivePoints) {
  std::vector<Cubic3D> out;
  const Vec3 line[] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}};
  SplineToBeziers(out, line, false);
  ASSERT_EQ(out.size(), 2u);
  ExpectPoint(out[0].p[0], 0, 0);
  ExpectPoint(out[0].p[1], 1, 0);
  ExpectPoint(out[0].p[2], 1.5, 0);
  ExpectPoint(out[0].p[3], 2, 0);
  ExpectPoint(out[1].p[0], 2, 0);
  ExpectPoint(out[1].p[1], 2.5, 0);
  ExpectPoint(out[1].p[2], 3, 0);
  ExpectPoint(out[1].p[3], 4, 0);

  out.clear();
  const Vec3 four[] = {{0, 0, 0}, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  SplineToBeziers(out, four, false);
  ASSERT_EQ(out.size(), 1u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(out[0].p[i], four[i]);

  out.clear();
  SplineToBeziers(out, std::span(four, 3), false);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].p[1], four[1]);
  EXPECT_EQ(out[0].p[2], four[1]);

  out.clear();
  SplineToBeziers(out, std::span(four, 2), true);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].p[0], out[0].p[1]);
  EXPECT_EQ(out[0].p[3], four[1]);

  out.clear();
  SplineToBeziers(out, std::span(four, 1), false);
  EXPECT_TRUE(out.empty());
}

TEST(SplineUniformRuleTest, ClosedSquareStartsAndEndsNearItsFirstPole) {
  std::vector<Cubic3D> out;
  const Vec3 square[] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
  SplineToBeziers(out, square, true);
  // c, a, q1, q2, q3, b, c: seven working points, four segments.
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out.front().p[0], out.back().p[3]);
  ExpectPoint(out.front().p[0], 5.0 / 3.0, 5.0 / 3.0);
  for (std::size_t i = 1; i < out.size(); ++i) EXPECT_EQ(out[i].p[0], out[i - 1].p[3]);
}

TEST(SplineUniformRuleTest, InsertPointAtAppendsPastTheEnd) {
  std::vector<Vec3> points{{1, 0, 0}, {2, 0, 0}};
  EXPECT_EQ(InsertPointAt(points, Vec3{0, 0, 0}, 0), 0u);
  EXPECT_EQ(InsertPointAt(points, Vec3{9, 0, 0}, 99), 3u);
  ASSERT_EQ(points.size(), 4u);
  EXPECT_EQ(points[0].x, 0);
  EXPECT_EQ(points[3].x, 9);
}

TEST(SplineKnotsTest, InvalidKnotVectorsAreRefused) {
  const Vec3 poles[] = {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {3, 1, 0}};
  const double good[] = {0, 0, 0, 0, 1, 1, 1, 1};
  const double shortKnots[] = {0, 0, 0, 1, 1, 1, 1};
  const double falling[] = {0, 0, 0, 0, 1, 1, 0.5, 1};
  const double flat[] = {1, 1, 1, 1, 1, 1, 1, 1};
  const double nan[] = {0, 0, 0, 0, NAN, 1, 1, 1};
  const double weights[] = {1, 2, 1, 1};
  const double zeroWeight[] = {1, 0, 1, 1};
  EXPECT_TRUE(IsValidBSpline(3, good, {}, poles));
  EXPECT_TRUE(IsValidBSpline(3, good, weights, poles));
  EXPECT_FALSE(IsValidBSpline(3, shortKnots, {}, poles));
  EXPECT_FALSE(IsValidBSpline(3, falling, {}, poles));
  EXPECT_FALSE(IsValidBSpline(3, flat, {}, poles));
  EXPECT_FALSE(IsValidBSpline(3, nan, {}, poles));
  EXPECT_FALSE(IsValidBSpline(3, good, zeroWeight, poles));
  EXPECT_FALSE(IsValidBSpline(3, good, std::span(weights, 3), poles));
  EXPECT_FALSE(IsValidBSpline(0, good, {}, poles));
  EXPECT_FALSE(IsValidBSpline(kMaxSplineDegree + 1, good, {}, poles));
  std::vector<Cubic3D> out;
  EXPECT_FALSE(BSplineToBeziers(out, 3, falling, {}, poles));
  EXPECT_TRUE(out.empty());
  // A single Bézier span comes back as its own poles.
  EXPECT_TRUE(BSplineToBeziers(out, 3, good, {}, poles));
  ASSERT_EQ(out.size(), 1u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(out[0].p[i], poles[i]);
}

struct OracleCase {
  std::string name;
  int degree = 0;
  std::vector<double> knots, weights;
  std::vector<Vec3> poles;
  std::vector<std::pair<double, Vec3>> points;
};

std::vector<double> Numbers(std::istringstream& in) {
  std::vector<double> v;
  double d;
  while (in >> d) v.push_back(d);
  return v;
}

std::vector<OracleCase> LoadOracle() {
  std::ifstream file(std::string(KVN_IMPORT_TEST_DIR) + "/data/bspline_oracle.txt");
  std::vector<OracleCase> cases;
  std::string line;
  while (std::getline(file, line)) {
    std::istringstream in(line);
    std::string word;
    in >> word;
    if (word == "case") {
      cases.emplace_back();
      in >> cases.back().name >> cases.back().degree;
    } else if (word == "knots") {
      cases.back().knots = Numbers(in);
    } else if (word == "weights") {
      cases.back().weights = Numbers(in);
    } else if (word == "poles") {
      std::vector<double> v = Numbers(in);
      for (std::size_t i = 0; i + 2 < v.size(); i += 3) cases.back().poles.push_back(Vec3{v[i], v[i + 1], v[i + 2]});
    } else if (word == "point") {
      std::vector<double> v = Numbers(in);
      cases.back().points.push_back({v[0], Vec3{v[1], v[2], v[3]}});
    }
  }
  return cases;
}

TEST(SplineKnotsTest, MatchesThePeerLibrary) {
  std::vector<OracleCase> cases = LoadOracle();
  ASSERT_EQ(cases.size(), 6u);
  for (const OracleCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Cubic3D> out;
    ASSERT_TRUE(BSplineToBeziers(out, c.degree, c.knots, c.weights, c.poles));
    ASSERT_FALSE(out.empty());
    double size = 0;
    for (const Vec3& p : c.poles) size = std::max(size, Dist(p, c.poles[0]));
    if (c.name == "clamped_uniform_cubic" || c.name == "nonuniform_cubic") {
      // One segment per knot span, evaluated at the span's own parameter.
      std::vector<double> spans;
      for (std::size_t k = 3; k + 1 < c.knots.size() - 3; ++k) {
        if (c.knots[k + 1] > c.knots[k]) spans.push_back(k);
      }
      ASSERT_EQ(out.size(), spans.size());
      for (const auto& [t, expected] : c.points) {
        std::size_t s = 0;
        while (s + 1 < spans.size() && t >= c.knots[std::size_t(spans[s + 1])]) ++s;
        const double a = c.knots[std::size_t(spans[s])], b = c.knots[std::size_t(spans[s]) + 1];
        EXPECT_LT(Dist(At(out[s], (t - a) / (b - a)), expected), 1e-12 * size) << "t = " << t;
      }
    } else {
      for (const auto& [t, expected] : c.points) {
        EXPECT_LT(DistanceToChain(out, expected), 1e-6 * size) << "t = " << t;
      }
    }
    // The chain is continuous and runs from the first to the last peer point.
    for (std::size_t i = 1; i < out.size(); ++i) EXPECT_LT(Dist(out[i].p[0], out[i - 1].p[3]), 1e-9 * size);
    EXPECT_LT(Dist(out.front().p[0], c.points.front().second), 1e-9 * size);
    EXPECT_LT(Dist(out.back().p[3], c.points.back().second), 1e-9 * size);
  }
}

TEST(SplineKnotsTest, RationalCircleStaysOnTheCircle) {
  const double s = std::sqrt(0.5);
  const double knots[] = {0, 0, 0, 0.25, 0.25, 0.5, 0.5, 0.75, 0.75, 1, 1, 1};
  const double weights[] = {1, s, 1, s, 1, s, 1, s, 1};
  const Vec3 poles[] = {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {-1, 1, 0}, {-1, 0, 0},
                        {-1, -1, 0}, {0, -1, 0}, {1, -1, 0}, {1, 0, 0}};
  std::vector<Cubic3D> out;
  ASSERT_TRUE(BSplineToBeziers(out, 2, knots, weights, poles));
  EXPECT_EQ(out.size(), 64u);
  for (const Cubic3D& c : out) {
    for (int i = 0; i <= 16; ++i) {
      Vec3 p = At(c, i / 16.0);
      EXPECT_NEAR(std::hypot(p.x, p.y), 1.0, 2e-6);
    }
  }
}

}  // namespace
}  // namespace kvn
