// Dashed axis-parallel lines: the pattern anchored to the coordinate, phase,
// gaps, degenerate lists, direction and clipping.
#include "render/DashedLines.h"

#include <gtest/gtest.h>

#include "render/RasterSurface.h"
#include "tests/render/RasterTestSupport.h"

namespace kvn {
namespace {

using raster_test::CountInk;
using raster_test::Grid;
using raster_test::MakeSurface;
using raster_test::Pixel;

constexpr COLORREF kFrame = 0x00000080;  // dark red
constexpr std::uint32_t kFramePixel = 0x00800000;

std::string Row(const cRasterSurface& s, int y) {
  std::string g = Grid(s, 0, y, s.Width(), y + 1, kFramePixel);
  return g.substr(0, g.size() - 1);
}

TEST(DashedLinesTest, ThreeOnTwoOffFromPhaseZero) {
  auto s = MakeSurface(16, 3);
  const std::int32_t dashes[] = {3, -2};
  DrawDashedHLine(*s, 0, 1, 16, kFrame, dashes, 2, 0);
  EXPECT_EQ(Row(*s, 1), "###..###..###..#");
  EXPECT_EQ(Pixel(*s, 0, 1), kFramePixel);  // stored, red and blue exchanged
  EXPECT_EQ(CountInk(*s, kFramePixel), 10);
}

TEST(DashedLinesTest, PatternIsAnchoredToTheCoordinateAndShiftedByThePhase) {
  auto s = MakeSurface(16, 4);
  const std::int32_t dashes[] = {3, -2};
  DrawDashedHLine(*s, 4, 0, 10, kFrame, dashes, 2, 0);    // starts in a gap
  DrawDashedHLine(*s, 0, 1, 16, kFrame, dashes, 2, 1);    // phase 1
  DrawDashedHLine(*s, 0, 2, 16, kFrame, dashes, 2, -12);  // phase -12 is phase 3
  DrawDashedHLine(*s, 15, 3, -10, kFrame, dashes, 2, 0);  // backwards: pixels 6 to 15
  EXPECT_EQ(Row(*s, 0), ".....###..###...");
  EXPECT_EQ(Row(*s, 1), ".###..###..###..");
  EXPECT_EQ(Row(*s, 2), "#..###..###..###");
  EXPECT_EQ(Row(*s, 3), "......##..###..#");
}

TEST(DashedLinesTest, DegenerateListsDrawNothingOrSkipEmptyEntries) {
  auto s = MakeSurface(12, 4);
  const std::int32_t gaps[] = {-3, -2};
  const std::int32_t zeros[] = {0, 0, 0};
  DrawDashedHLine(*s, 0, 0, 12, kFrame, gaps, 2, 0);
  DrawDashedHLine(*s, 0, 0, 12, kFrame, zeros, 3, 0);
  DrawDashedHLine(*s, 0, 0, 12, kFrame, nullptr, 2, 0);
  DrawDashedHLine(*s, 0, 0, 12, kFrame, gaps, 0, 0);
  DrawDashedHLine(*s, 0, 0, 0, kFrame, zeros, 3, 0);
  EXPECT_EQ(CountInk(*s, kFramePixel), 0);

  const std::int32_t mixed[] = {0, 2, 0, -1, 0};
  DrawDashedHLine(*s, 0, 1, 12, kFrame, mixed, 5, 0);
  EXPECT_EQ(Row(*s, 1), "##.##.##.##.");
  const std::int32_t solid[] = {1};
  DrawDashedHLine(*s, 2, 2, 3, kFrame, solid, 1, INT32_MIN);
  EXPECT_EQ(Row(*s, 2), "..###.......");
  const std::int32_t huge[] = {INT32_MIN, INT32_MAX};  // a gap of 2^31, then a dash
  DrawDashedHLine(*s, 0, 3, 12, kFrame, huge, 2, INT32_MIN + 4);
  EXPECT_EQ(Row(*s, 3), "....########");
}

TEST(DashedLinesTest, VerticalLinesFollowTheSameRules) {
  auto s = MakeSurface(3, 12);
  const std::int32_t dashes[] = {3, -3};
  DrawDashedVLine(*s, 1, 11, -12, kFrame, dashes, 2, 0);
  EXPECT_EQ(Grid(*s, 0, 0, 3, 12, kFramePixel),
            ".#.\n.#.\n.#.\n...\n...\n...\n.#.\n.#.\n.#.\n...\n...\n...\n");
}

TEST(DashedLinesTest, ClipLimitsTheRunAndTheFixedCoordinate) {
  auto s = MakeSurface(12, 6);
  s->SetClip(TRect{2, 1, 10, 4});
  const std::int32_t dashes[] = {3, -3};
  DrawDashedHLine(*s, -100, 2, 1000, kFrame, dashes, 2, 0);
  DrawDashedHLine(*s, 0, 0, 12, kFrame, dashes, 2, 0);  // above the clip
  DrawDashedVLine(*s, 10, 0, 6, kFrame, dashes, 2, 0);  // right of it
  DrawDashedVLine(*s, 3, INT32_MIN, INT32_MAX, kFrame, dashes, 2, 0);  // ends at -2
  DrawDashedVLine(*s, 9, INT32_MAX, INT32_MIN, kFrame, dashes, 2, 0);  // covers the clip
  EXPECT_EQ(Grid(*s, 0, 0, 12, 6, kFramePixel),
            "............\n"
            ".........#..\n"
            "..#...####..\n"
            "............\n"
            "............\n"
            "............\n");
}

}  // namespace
}  // namespace kvn
