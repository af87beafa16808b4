// The coverage recorder: grid marks at the edges of the 2000 x 2000 area,
// independence of neighbouring marks, the neighbourhood test at the corner,
// and the partial-pixel list's growth and clearing.
#include <gtest/gtest.h>

#include "render/CoverageRecorder.h"

namespace kvn {
namespace {

TEST(CoverageRecorderTest, MarksInsideTheGridAreKeptAndOutsideOnlyCounted) {
  CoverageRecorder r;
  r.Mark(1999, 1999);
  EXPECT_TRUE(r.IsMarked(1999, 1999));
  r.Mark(2000, 5);
  r.Mark(5, 2000);
  r.Mark(0xFFFFFFFFu, 0);
  EXPECT_EQ(r.MarkCount(), 4u);
  EXPECT_FALSE(r.IsMarked(2000, 5));
  EXPECT_FALSE(r.IsMarked(5, 2000));
  // Nothing spilled into the grid from the refused marks.
  for (std::uint32_t y = 0; y < 8; ++y)
    for (std::uint32_t x = 0; x < 8; ++x) EXPECT_FALSE(r.IsMarked(x, y)) << x << "," << y;
}

TEST(CoverageRecorderTest, EveryPixelHasItsOwnMark) {
  CoverageRecorder r;
  r.Mark(300, 0);
  EXPECT_FALSE(r.IsMarked(50, 1));
  EXPECT_TRUE(r.IsMarked(300, 0));
  // A row of 2000 pixels is 250 bytes: the marks of row ends and row starts
  // must not share bits.
  r.Mark(1999, 10);
  EXPECT_FALSE(r.IsMarked(0, 11));
  EXPECT_FALSE(r.IsMarked(1998, 10));
  r.Mark(7, 3);
  r.Mark(8, 3);
  int marked = 0;
  for (std::uint32_t y = 0; y < 12; ++y)
    for (std::uint32_t x = 0; x < 2000; ++x) marked += r.IsMarked(x, y);
  EXPECT_EQ(marked, 4);
}

TEST(CoverageRecorderTest, NeighbourhoodAtTheCornerLooksOnlyInsideTheGrid) {
  CoverageRecorder r;
  r.Mark(1999, 1999);  // would be the (-1, -1) neighbour if -1 wrapped into the grid
  r.Mark(2, 0);
  EXPECT_FALSE(r.IsNearMarked(0, 0));
  r.Mark(1, 1);
  EXPECT_TRUE(r.IsNearMarked(0, 0));
  EXPECT_TRUE(r.IsNearMarked(1999, 1999));
  EXPECT_TRUE(r.IsNearMarked(2000, 2000));  // its neighbour (1999, 1999) is in the grid
  EXPECT_FALSE(r.IsNearMarked(2001, 2001));
  EXPECT_TRUE(r.IsNearMarked(3, 1));
  EXPECT_FALSE(r.IsNearMarked(4, 4));
}

TEST(CoverageRecorderTest, PartialListGrowsByDoublingPlusOneAndClearEmptiesAll) {
  CoverageRecorder r;
  r.AddPartial(-3, 4, 17);
  EXPECT_EQ(r.Partials().Capacity(), 9u);
  for (int i = 1; i < 10; ++i) r.AddPartial(i, i, 1);
  EXPECT_EQ(r.Partials().Capacity(), 19u);
  for (int i = 10; i < 100; ++i) r.AddPartial(i, i, 2);
  r.Mark(10, 10);
  ASSERT_EQ(r.Partials().Count(), 100u);
  EXPECT_EQ(r.Partials()[0].x, -3);
  EXPECT_EQ(r.Partials()[0].y, 4);
  EXPECT_EQ(r.Partials()[0].alpha, 17);
  const std::uint32_t capacity = r.Partials().Capacity();
  r.Clear();
  EXPECT_EQ(r.Partials().Count(), 0u);
  EXPECT_EQ(r.Partials().Capacity(), capacity);
  EXPECT_EQ(r.MarkCount(), 0u);
  EXPECT_FALSE(r.IsMarked(10, 10));
}

}  // namespace
}  // namespace kvn
