// Regression: at the largest zoom (about 4e7 device units per world unit)
// ordinary coordinates leave the 32-bit range; converting them wrapped round
// (undefined behaviour) and drew lines across the whole window. Integer
// results now saturate at +-(2^31 - 1).
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

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

}  // namespace
}  // namespace kvn
