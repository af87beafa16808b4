// Thick integer lines and round dots: the axis-parallel rectangles, the band
// of a slanted line against its geometry, refusals, dots at the boundary
// widths and clipping.
#include "render/ThickLines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "render/RasterSurface.h"
#include "tests/render/RasterTestSupport.h"

namespace kvn {
namespace {

using raster_test::CountInk;
using raster_test::Grid;
using raster_test::InkBox;
using raster_test::kInk;
using raster_test::kPaper;
using raster_test::MakeSurface;
using raster_test::Pixel;

TEST(ThickLinesTest, VerticalLineTwoPixelsWideFillsThreeColumnsAndBothEndRows) {
  auto s = MakeSurface(12, 16);
  TPoint n{7, 7};
  EXPECT_TRUE(DrawThickLineInt(*s, 5 * 256, 2 * 256, 5 * 256, 12 * 256, kInk, 512, true, &n));
  EXPECT_EQ(InkBox(*s), (TRect{4, 2, 7, 13}));
  EXPECT_EQ(CountInk(*s), 33);
  EXPECT_EQ(n, (TPoint{-256, 0}));  // left of a line running down the screen
  EXPECT_TRUE(DrawThickLineInt(*s, 5 * 256, 12 * 256, 5 * 256, 2 * 256, kInk, 512, true, &n));
  EXPECT_EQ(n, (TPoint{256, 0}));
  EXPECT_EQ(CountInk(*s), 33);
}

TEST(ThickLinesTest, HorizontalAndZeroLengthLinesAreOneRectangle) {
  auto s = MakeSurface(16, 8);
  TPoint n;
  EXPECT_TRUE(DrawThickLineInt(*s, 12 * 256, 3 * 256, 2 * 256, 3 * 256, kInk, 3 * 256, false, &n));
  EXPECT_EQ(n, (TPoint{0, -384}));
  // Rows (768 - 384 + 128) >> 8 = 2 to (768 - 384 + 768 + 128) >> 8 = 5.
  EXPECT_EQ(InkBox(*s), (TRect{2, 2, 13, 6}));

  auto dot = MakeSurface(16, 16);
  EXPECT_TRUE(DrawThickLineInt(*dot, 2560, 2560, 2560, 2560, kInk, 512, true, &n));
  EXPECT_EQ(n, (TPoint{0, 256}));
  EXPECT_EQ(InkBox(*dot), (TRect{10, 9, 11, 12}));
}

TEST(ThickLinesTest, RefusesShortSlantedLinesOnlyWhenAskedAndFarDeltasAlways) {
  auto s = MakeSurface(16, 16);
  TPoint n{1, 1};
  // About one pixel long (181, 181) and four pixels wide.
  EXPECT_FALSE(DrawThickLineInt(*s, 2048, 2048, 2048 + 181, 2048 + 181, kInk, 1024, true, &n));
  EXPECT_EQ(n, (TPoint{0, 0}));
  EXPECT_EQ(CountInk(*s), 0);
  EXPECT_TRUE(DrawThickLineInt(*s, 2048, 2048, 2048 + 181, 2048 + 181, kInk, 1024, false, &n));
  // Four pixels long across the diagonal, one along it, centred on (8.35, 8.35).
  EXPECT_EQ(Grid(*s, 6, 6, 11, 11),
            ".....\n"
            "...##\n"
            "..##.\n"
            ".##..\n"
            ".#...\n");

  EXPECT_FALSE(DrawThickLineInt(*s, 0, 0, (1 << 28) + 1, 5, kInk, 512, false, &n));
  EXPECT_EQ(n, (TPoint{0, 0}));
  EXPECT_FALSE(DrawThickLineInt(*s, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX - 7, kInk, 512, false, nullptr));
  EXPECT_TRUE(DrawThickLineInt(*s, 0, 0, 1 << 28, 1 << 27, kInk, 512, false, nullptr));  // 2^28 itself is allowed

  auto none = MakeSurface(8, 8);
  EXPECT_TRUE(DrawThickLineInt(*none, 0, 0, 1000, 700, kInk, -512, false, &n));
  EXPECT_EQ(CountInk(*none), 0);
}

TEST(ThickLinesTest, HalfWidthNormalIsTheLeftPerpendicular) {
  auto s = MakeSurface(4, 4);
  TPoint n;
  // Deltas (768, 1024): D = isqrt(4 * 1280^2) = 2560.
  EXPECT_TRUE(DrawThickLineInt(*s, 0, 0, 768, 1024, kInk, 1000, false, &n));
  EXPECT_EQ(n, (TPoint{-400, 300}));
  EXPECT_TRUE(DrawThickLineInt(*s, 768, 1024, 0, 0, kInk, 1000, false, &n));
  EXPECT_EQ(n, (TPoint{400, -300}));
}

// Every pixel whose centre lies inside the band is filled, and every filled
// pixel lies within half a pixel diagonal of it: the band is the square-cut
// rectangle of the segment, whichever way it runs and whichever axis leads.
TEST(ThickLinesTest, SlantedBandsCoverTheirRectangleAndNothingFarFromIt) {
  std::mt19937 random(20240612);
  std::uniform_int_distribution<int> coord(-4 * 256, 44 * 256);
  std::uniform_int_distribution<int> widthOf(256, 9 * 256);
  for (int round = 0; round < 300; ++round) {
    const int x0 = coord(random), y0 = coord(random), x1 = coord(random), y1 = coord(random);
    const int w = widthOf(random);
    if (x0 == x1 || y0 == y1) continue;
    auto s = MakeSurface(40, 40);
    s->SetClip(TRect{1, 2, 39, 37});
    ASSERT_TRUE(DrawThickLineInt(*s, x0, y0, x1, y1, kInk, w, false, nullptr));
    auto back = MakeSurface(40, 40);
    back->SetClip(TRect{1, 2, 39, 37});
    ASSERT_TRUE(DrawThickLineInt(*back, x1, y1, x0, y0, kInk, w, false, nullptr));

    const double dx = x1 - x0, dy = y1 - y0, length = std::hypot(dx, dy);
    for (int py = 0; py < 40; ++py)
      for (int px = 0; px < 40; ++px) {
        const double cx = 256.0 * px - x0, cy = 256.0 * py - y0;
        const double along = (cx * dx + cy * dy) / length;
        const double across = std::fabs(cx * dy - cy * dx) / length;
        const bool inClip = px >= 1 && px < 39 && py >= 2 && py < 37;
        const bool ink = Pixel(*s, px, py) == kInk;
        ASSERT_EQ(ink, Pixel(*back, px, py) == kInk) << round << " at " << px << "," << py;
        if (!inClip) {
          ASSERT_FALSE(ink);
          continue;
        }
        if (across <= w / 2.0 - 4 && along >= 4 && along <= length - 4) {
          ASSERT_TRUE(ink) << round << " hole at " << px << "," << py;
        }
        if (ink) {
          ASSERT_LE(across, w / 2.0 + 182) << round << " stray at " << px << "," << py;
          ASSERT_GE(along, -182) << round;
          ASSERT_LE(along, length + 182) << round;
        }
      }
  }
}

TEST(ThickLinesTest, LineStartingFarOutsideStillDrawsItsVisiblePart) {
  // The start lies 2^20 pixels away: a 16.16 position of it needs 37 bits.
  auto s = MakeSurface(8, 8);
  EXPECT_TRUE(DrawThickLineInt(*s, 1280 - (1 << 27), 1280 - (1 << 28), 1280, 1280, kInk, 512, true, nullptr));
  EXPECT_EQ(Pixel(*s, 5, 5), kInk);
  EXPECT_EQ(Pixel(*s, 3, 1), kInk);   // x = 5 - (5 - 1) / 2 on row 1
  EXPECT_EQ(Pixel(*s, 5, 6), kPaper);  // the square end at row 5
  EXPECT_EQ(Pixel(*s, 0, 5), kPaper);
}

TEST(ThickLinesTest, DotWidthsAtTheBoundaries) {
  auto s = MakeSurface(9, 9);
  DrawDotInt(*s, 4 * 256, 4 * 256, 511, kInk);
  EXPECT_EQ(CountInk(*s), 0);
  DrawDotInt(*s, 4 * 256, 4 * 256, 512, kInk);  // radius 1
  EXPECT_EQ(Grid(*s, 2, 2, 7, 7),
            ".....\n"
            ".###.\n"
            ".###.\n"
            ".###.\n"
            ".....\n");
  auto big = MakeSurface(9, 9);
  DrawDotInt(*big, 4 * 256 + 127, 4 * 256 - 128, 1535, kInk);  // radius 2, centre pixel (4, 4)
  EXPECT_EQ(Grid(*big, 1, 1, 8, 8),
            ".......\n"
            "..###..\n"
            ".#####.\n"
            ".#####.\n"
            ".#####.\n"
            "..###..\n"
            ".......\n");
  DrawDotInt(*big, 0, 0, -4096, kInk);
  DrawDotInt(*big, INT32_MAX, INT32_MIN, INT32_MAX, 0xFF00FF00);  // radius 2^22, centre far away
  EXPECT_EQ(CountInk(*big), 21);
}

TEST(ThickLinesTest, DotHalfOutsideTheClipDrawsOnlyItsInsideRuns) {
  auto s = MakeSurface(6, 6);
  s->SetClip(TRect{1, 1, 6, 6});
  DrawDotInt(*s, 256, 256, 1024, kInk);  // radius 2 at pixel (1, 1)
  EXPECT_EQ(Grid(*s, 0, 0, 6, 6),
            "......\n"
            ".###..\n"
            ".###..\n"
            ".##...\n"
            "......\n"
            "......\n");
  auto t = MakeSurface(6, 6);
  DrawDotInt(*t, 40 * 256, 2 * 256, 4096, kInk);  // rows inside, every run outside
  EXPECT_EQ(CountInk(*t), 0);
}

TEST(ThickLinesTest, StrictlyBetweenLeavesRoomOnBothSides) {
  EXPECT_TRUE(IsStrictlyBetween(5, 4, 7));
  EXPECT_FALSE(IsStrictlyBetween(5, 4, 6));
  EXPECT_FALSE(IsStrictlyBetween(4, 4, 9));
  EXPECT_FALSE(IsStrictlyBetween(INT32_MAX, 0, INT32_MAX));
  EXPECT_TRUE(IsStrictlyBetween(INT32_MIN + 1, INT32_MIN, 0));
}

}  // namespace
}  // namespace kvn
