// Regression: at the largest zoom (about 4e7 device units per world unit)
// ordinary coordinates leave the 32-bit range; converting them wrapped round
// (undefined behaviour) and drew lines across the whole window. Integer
// results now saturate at +-(2^31 - 1). Runs of points map as single points.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "model/WorldMapping.h"

namespace kvn {
namespace {

constexpr std::int32_t kMax = 2147483647;

TEST(WorldMappingSaturation, DevicePointsSaturateAtExtremeZoom) {
  WorldMapping m;
  m.scale = 4e7;
  EXPECT_EQ(m.ToDeviceX(1e6), kMax);
  EXPECT_EQ(m.ToDeviceY(-1e6), -kMax);
  EXPECT_EQ(WorldToDevice(m, {1e300, -1e300}), (DevicePoint{kMax, -kMax}));
  // Inside the range nothing changes: 13.4 world units are 2144000000 units.
  EXPECT_EQ(m.ToDeviceX(13.4), 2144000000);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(m.ToDeviceX(nan), 0);

  // The offset is added after rounding without overflowing.
  m.offsetX = 1000;
  EXPECT_EQ(m.ToDeviceX(1e6), kMax);
  m.scale = 1;
  m.originX = double(kMax) - 0.4;
  EXPECT_EQ(m.ToDeviceX(0), kMax);
  m.offsetX = -1000;
  EXPECT_EQ(m.ToDeviceX(0), kMax - 1000);
}

TEST(WorldMappingSaturation, SubpixelsSaturate) {
  WorldMapping m;
  m.scale = 4e7;
  std::int32_t sub[2];
  m.ToSubpixel({1, -1}, sub);  // 1.6e8 device units, 4.1e10 in 1/256
  EXPECT_EQ(sub[0], kMax);
  EXPECT_EQ(sub[1], -kMax);
  m.scale = 1;
  m.ToSubpixel({1, -1}, sub);
  EXPECT_EQ(sub[0], 1024);
  EXPECT_EQ(sub[1], -1024);
}

TEST(WorldMappingSaturation, ClipAndInverseAtTheEdgesOfTheRange) {
  WorldMapping m;
  m.SetDeviceClip({INT32_MIN, -5, INT32_MAX, 5});
  EXPECT_EQ(m.deviceClip, (DeviceRect{-kMax, -7, kMax, 7}));

  // The inverse subtracts the offset in doubles.
  m.offsetX = INT32_MIN;
  m.offsetY = 1;
  const DPoint w = m.DeviceToWorld({INT32_MAX, INT32_MIN});
  EXPECT_EQ(w.x, (double(INT32_MAX) - double(INT32_MIN)) / 4);
  EXPECT_EQ(w.y, (double(INT32_MIN) - 1) / 4);
}

// A point maps as the formula reads, each coordinate rounded by
// RoundSubpixel on its own (the pair is mapped side by side where the target
// allows): the same random mappings, halves, edges, saturation, infinities
// and NaN as the runs below.
TEST(WorldMappingSaturation, PointsMapAsTheFormulaRounds) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  std::mt19937 random(78);
  std::uniform_real_distribution<double> coordinate(-3000, 3000), scale(-3, 50), origin(-1e5, 1e5);
  std::uniform_int_distribution<std::int32_t> offset(-5000, 5000);
  std::vector<DPoint> points;
  for (int i = 0; i < 2000; ++i) points.push_back({coordinate(random), coordinate(random)});
  for (int k = -8; k <= 8; ++k) points.push_back({k / 1024.0 - 0.5 / 1024, k / 1024.0 + 0.5 / 1024});
  const double edges[] = {2147483646.5 / 1024, -2147483647.5 / 1024, 2147483647.0 / 1024, -2147483648.0 / 1024,
                          1e300, -1e300, inf, -inf, nan, 0.0, -0.0};
  for (double a : edges)
    for (double b : edges) points.push_back({a, b});
  for (int round = 0; round < 40; ++round) {
    WorldMapping m;
    m.scale = round < 2 ? 1.0 : scale(random);
    m.originX = round < 2 ? 0.0 : origin(random);
    m.originY = round < 2 ? 0.0 : origin(random);
    m.offsetX = round == 0 ? 0 : offset(random);
    m.offsetY = round == 0 ? 0 : offset(random);
    for (std::size_t i = 0; i < points.size(); ++i) {
      const DPoint& w = points[i];
      std::int32_t got[2];
      m.ToSubpixel(w, got);
      ASSERT_EQ(got[0], RoundSubpixel((w.x * m.scale * 4 + m.originX + m.offsetX) * 256)) << round << " " << i;
      ASSERT_EQ(got[1], RoundSubpixel((w.y * m.scale * 4 + m.originY + m.offsetY) * 256)) << round << " " << i;
    }
  }
}

// A run of points maps as ToSubpixel maps each point: random
// mappings and points, halves on both sides of zero (where the rounding
// turns), the edges of the fast range, saturation, infinities and NaN.
TEST(WorldMappingSaturation, RunsMapAsSinglePointsDo) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  std::mt19937 random(77);
  std::uniform_real_distribution<double> coordinate(-3000, 3000), scale(-3, 50), origin(-1e5, 1e5);
  std::uniform_int_distribution<std::int32_t> offset(-5000, 5000);
  std::vector<DPoint> points;
  for (int i = 0; i < 2000; ++i) points.push_back({coordinate(random), coordinate(random)});
  for (int k = -8; k <= 8; ++k) points.push_back({k / 1024.0 - 0.5 / 1024, k / 1024.0 + 0.5 / 1024});
  const double edges[] = {2147483646.5 / 1024, -2147483647.5 / 1024, 2147483647.0 / 1024, -2147483648.0 / 1024,
                          1e300, -1e300, inf, -inf, nan, 0.0, -0.0};
  for (double a : edges)
    for (double b : edges) points.push_back({a, b});
  for (int round = 0; round < 40; ++round) {
    WorldMapping m;
    m.scale = round < 2 ? 1.0 : scale(random);
    m.originX = round < 2 ? 0.0 : origin(random);
    m.originY = round < 2 ? 0.0 : origin(random);
    m.offsetX = round == 0 ? 0 : offset(random);
    m.offsetY = round == 0 ? 0 : offset(random);
    std::vector<std::int32_t> run(points.size() * 2, 7);
    m.ToSubpixelRun(points.data(), std::uint32_t(points.size()), run.data());
    for (std::size_t i = 0; i < points.size(); ++i) {
      std::int32_t one[2];
      m.ToSubpixel(points[i], one);
      ASSERT_EQ(run[2 * i], one[0]) << round << " " << i << " " << points[i].x;
      ASSERT_EQ(run[2 * i + 1], one[1]) << round << " " << i << " " << points[i].y;
    }
    // Short runs from every offset, odd lengths among them: points mapped
    // in pairs and the single point left over agree alike, also where a
    // pair holds one point outside the fast range.
    for (std::size_t start = points.size() - 40; start + 9 <= points.size(); start += 3) {
      for (std::uint32_t length = 1; length <= 9; ++length) {
        std::vector<std::int32_t> part(length * 2, 7);
        m.ToSubpixelRun(points.data() + start, length, part.data());
        for (std::uint32_t i = 0; i < 2 * length; ++i) ASSERT_EQ(part[i], run[2 * start + i]) << start << " " << length;
      }
    }
  }
}

}  // namespace
}  // namespace kvn
