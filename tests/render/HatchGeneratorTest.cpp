// The hatch generator's segment list: exact ends, one line beyond the box on
// each side (discarded), the dash phase shift, dots, the density and limit
// fallbacks, and families from damaged files.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "model/WorldMapping.h"
#include "render/HatchGenerator.h"
#include "render/RasterSurface.h"

namespace kvn {
namespace {

const DPoint kBox[4] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};

HatchDefinition One(HatchFamily family, double angle = 0) {
  HatchDefinition d;
  d.angle = angle;
  d.families.push_back(std::move(family));
  return d;
}

HatchFamily Family(double dx, double dy, std::vector<double> dashes = {}, double angle = 0) {
  HatchFamily f;
  f.dx = dx;
  f.dy = dy;
  f.angle = angle;
  f.dashes = std::move(dashes);
  return f;
}

struct Generated {
  bool fallback = false;
  std::vector<DPoint> points;
};

Generated Generate(const HatchDefinition& d, double scale = 1.0, const WorldMapping* mapping = nullptr) {
  Generated r;
  HatchTarget target;
  target.segments = &r.points;
  target.mapping = mapping;
  r.fallback = GenerateHatchFamily(target, 0, kBox, d, 256, scale);
  return r;
}

TEST(HatchGeneratorTest, ContinuousLinesCrossTheBoxAndTheOuterIndicesAreDiscarded) {
  Generated r = Generate(One(Family(0, 1)));
  EXPECT_FALSE(r.fallback);
  ASSERT_EQ(r.points.size(), 22u);  // v = 0 .. 10; v = -1 and 11 lie outside
  for (int k = 0; k <= 10; ++k) {
    EXPECT_EQ(r.points[2 * k], (DPoint{0, double(k)}));
    EXPECT_EQ(r.points[2 * k + 1], (DPoint{10, double(k)}));
  }
  // A single dash as long as the period is an unbroken line too.
  Generated single = Generate(One(Family(0, 2, {2.0})));
  ASSERT_EQ(single.points.size(), 12u);
  EXPECT_EQ(single.points[0], (DPoint{0, 0}));
  EXPECT_EQ(single.points[1], (DPoint{10, 0}));
}

TEST(HatchGeneratorTest, DxShiftsTheDashPhaseOfEachLine) {
  Generated r = Generate(One(Family(0.5, 1, {1.0, -1.0})));
  EXPECT_FALSE(r.fallback);
  std::vector<DPoint> line0, line1;
  for (std::size_t i = 0; i < r.points.size(); i += 2) {
    if (r.points[i].y == 0) line0.push_back(r.points[i]);
    if (r.points[i].y == 1) line1.push_back(r.points[i]);
  }
  ASSERT_EQ(line0.size(), 6u);  // the dash at 10 is cut to a point on the edge
  EXPECT_EQ(line0[0].x, 0.0);
  EXPECT_EQ(line0[1].x, 2.0);
  ASSERT_FALSE(line1.empty());
  EXPECT_EQ(line1[0].x, 0.5);
  EXPECT_EQ(line1[1].x, 2.5);
  // The scale stretches the pattern and the spacing alike.
  Generated scaled = Generate(One(Family(0.5, 1, {1.0, -1.0})), 2.0);
  EXPECT_EQ(scaled.points[0], (DPoint{0, 0}));
  EXPECT_EQ(scaled.points[1], (DPoint{2, 0}));
}

TEST(HatchGeneratorTest, ZeroDashesGiveDotsClippedToTheBox) {
  Generated r = Generate(One(Family(0, 5, {0.0, -2.5})));
  EXPECT_FALSE(r.fallback);
  ASSERT_EQ(r.points.size(), 2u * 3 * 5);  // lines 0, 5, 10; dots 0, 2.5 ... 10
  for (std::size_t i = 0; i < r.points.size(); i += 2) EXPECT_EQ(r.points[i], r.points[i + 1]);
  EXPECT_EQ(r.points[2], (DPoint{2.5, 0}));
}

TEST(HatchGeneratorTest, TurnedFamiliesStayInsideTheBox) {
  Generated r = Generate(One(Family(0, 1), 45));
  EXPECT_FALSE(r.fallback);
  EXPECT_GT(r.points.size(), 20u);
  for (const DPoint& p : r.points) {
    EXPECT_GE(p.x, -1e-9);
    EXPECT_LE(p.x, 10 + 1e-9);
    EXPECT_GE(p.y, -1e-9);
    EXPECT_LE(p.y, 10 + 1e-9);
  }
}

TEST(HatchGeneratorTest, FallbacksAndLimits) {
  WorldMapping coarse;
  coarse.scale = 0.01;  // one device unit is 25 world units
  EXPECT_TRUE(Generate(One(Family(0, 1)), 1.0, &coarse).fallback);
  WorldMapping fine;
  fine.scale = 1.0;
  EXPECT_FALSE(Generate(One(Family(0, 1)), 1.0, &fine).fallback);

  EXPECT_TRUE(Generate(One(Family(1, 0))).fallback);                 // zero line distance
  EXPECT_TRUE(Generate(One(Family(0, 1, {0.0, 0.0}))).fallback);     // zero period
  Generated many = Generate(One(Family(0, 0.00005)));                        // 200,000 lines: skipped
  EXPECT_FALSE(many.fallback);
  EXPECT_TRUE(many.points.empty());

  HatchDefinition none = One(Family(0, 1));
  std::vector<DPoint> points;
  HatchTarget target;
  target.segments = &points;
  EXPECT_FALSE(GenerateHatchFamily(target, 1, kBox, none, 256, 1.0));  // no such family
  points.assign(kMaxHatchPoints + 1, DPoint{});
  EXPECT_TRUE(GenerateHatchFamily(target, 0, kBox, none, 256, 1.0));
  EXPECT_TRUE(points.empty());
}

TEST(HatchGeneratorTest, NonFiniteValuesOfADamagedFileFallBackToSolid) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(Generate(One(Family(0, 1), nan)).fallback);
  EXPECT_TRUE(Generate(One(Family(0, inf))).fallback);
  EXPECT_TRUE(Generate(One(Family(nan, 1, {1, -1}))).fallback);
  EXPECT_TRUE(Generate(One(Family(0, 1, {1, -inf}))).fallback);
  EXPECT_TRUE(Generate(One(Family(0, 1)), inf).fallback);
  HatchFamily base = Family(0, 1);
  base.baseY = nan;
  EXPECT_TRUE(Generate(One(base)).fallback);
  // A period far below the box size would be walked for ever.
  EXPECT_TRUE(Generate(One(Family(0, 1, {1e-6, -1e-6}))).fallback);
}

TEST(HatchGeneratorTest, RasterTargetDrawsThinLinesRelativeToTheTileOrigin) {
  cRasterSurface tile(true);
  ASSERT_TRUE(tile.Prepare(TRect{0, 0, 20, 20}));
  tile.FillRect(0, 0, 20, 20, 0xFFFFFFFF);
  WorldMapping m;  // 4 device units per world unit
  HatchTarget target;
  target.surface = &tile;
  target.mapping = &m;
  target.origin = TPoint{4, 4};
  const DPoint box[4] = {{1, 1}, {5, 1}, {5, 5}, {1, 5}};
  EXPECT_FALSE(GenerateHatchFamily(target, 0, box, One(Family(0, 2)), 256, 1.0));
  std::uint32_t v = 1;
  // World y = 2 is device 8, tile row 4; y = 3 has no line.
  ASSERT_TRUE(tile.GetPixel(5, 4, &v));
  EXPECT_EQ(v, 0u);
  ASSERT_TRUE(tile.GetPixel(5, 8, &v));
  EXPECT_EQ(v, 0xFFFFFFFFu);
}

}  // namespace
}  // namespace kvn
