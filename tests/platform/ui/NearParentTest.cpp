// Placement near a parent, without a display.
#include <gtest/gtest.h>

#include "platform/ui/NearParent.h"

namespace kvn {
namespace {

TEST(PlaceNearParent, OffsetAndKeptInsideTheWorkArea) {
  const ScreenRect work{0, 0, 1280, 1000};
  int left = 0;
  int top = 0;
  ComputePlaceNearParent(ScreenRect{100, 50, 900, 700}, 400, 300, work, left, top);
  EXPECT_EQ(left, 250);
  EXPECT_EQ(top, 200);
  // Near the right and bottom edges: moved back inside.
  ComputePlaceNearParent(ScreenRect{1100, 900, 1270, 990}, 400, 300, work, left, top);
  EXPECT_EQ(left, 880);
  EXPECT_EQ(top, 700);
  // Larger than the area: left and top win.
  ComputePlaceNearParent(ScreenRect{100, 100, 200, 200}, 2000, 1500, work, left, top);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(top, 0);
  // A second monitor to the left of the primary one.
  ComputePlaceNearParent(ScreenRect{-1900, 10, -1000, 500}, 400, 300, ScreenRect{-1920, 0, 0, 1040}, left, top);
  EXPECT_EQ(left, -1750);
  EXPECT_EQ(top, 160);
}

}  // namespace
}  // namespace kvn
