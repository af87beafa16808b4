#include "model/WorldMapping.h"

#include <gtest/gtest.h>

namespace kvn {
namespace {

TEST(WorldMapping, DefaultsAndRounding) {
  WorldMapping m;
  EXPECT_EQ(WorldToDevice(m, {1, 1}), (DevicePoint{4, 4}));
  std::int32_t sub[2];
  m.ToSubpixel({1, 1}, sub);
  EXPECT_EQ(sub[0], 1024);
  EXPECT_EQ(sub[1], 1024);
  EXPECT_EQ(m.ToDeviceX(0.125), 1);   // 0.5 rounds up
  EXPECT_EQ(m.ToDeviceX(-0.125), 0);  // -0.5 rounds up too
}

TEST(WorldMapping, OffsetIsAddedAfterRoundingButBeforeSubpixels) {
  WorldMapping m;
  m.offsetX = 10;
  m.originX = 0.4;
  EXPECT_EQ(m.ToDeviceX(0), 10);
  std::int32_t sub[2];
  m.ToSubpixel({0, 0}, sub);
  EXPECT_EQ(sub[0], 2662);
}

TEST(WorldMapping, InverseWithinAnEighthOfAUnit) {
  WorldMapping m;
  m.scale = 2.5;
  m.originX = 13.3;
  m.originY = -7.9;
  m.offsetX = -3;
  for (double x : {-100.0, -0.3, 0.0, 1.7, 1234.5}) {
    DPoint back = m.DeviceToWorld(WorldToDevice(m, {x, -x}));
    EXPECT_NEAR(back.x, x, 1 / (8 * m.scale));
    EXPECT_NEAR(back.y, -x, 1 / (8 * m.scale));
  }
  WorldMapping zero;
  zero.scale = 0;
  EXPECT_EQ(zero.DeviceToWorld({5, 7}), (DPoint{5, 7}));
}

TEST(WorldMapping, DeviceClipIsNormalisedAndWidened) {
  WorldMapping m;
  m.clipCompanions[2] = 9;
  m.SetDeviceClip({100, 50, 10, 5});
  EXPECT_EQ(m.deviceClip, (DeviceRect{8, 3, 102, 52}));
  EXPECT_EQ(m.clipCompanions[2], 0);
}

}  // namespace
}  // namespace kvn
