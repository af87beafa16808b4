// The shortcut for dashed straight segments onto the raster surface must draw
// exactly what the general road (pattern, clip test, flattening, software
// dash walk, polyline route) draws: random dashed segments are stroked with
// the shortcut and without, and every pixel is compared.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "model/cLine.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "render/StyledPrimitive.h"
#include "render/Strokes.h"
#include "tests/render/RasterTestSupport.h"
#include "tests/render/StrokeRoadSupport.h"

namespace kvn {
namespace {

using stroke_test::Round;
using stroke_test::LoneSegment;
using stroke_test::RandomRoundsAgree;
using stroke_test::RoadsAgree;

constexpr std::int32_t kWidth = 200, kHeight = 120;

// A mapping (scale, origin, clip, thinnest width, screen or wide
// coordinates) and a batch of dashed lines of every built-in type, most
// inside the clip, some across its edges or far beyond, a few dots; pattern
// scales from tiny (patterns that round to nothing or to gaps of 0, which
// make two dash entries in a row) to large.
Round MakeRound(std::mt19937& rng) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> pick(0, 99);
  Round round;
  WorldMapping& m = round.mapping;
  const double scales[] = {0.1, 0.25, 0.5, 1.0, 1.5, 3.0, 0.3333, 6.0};
  m.scale = scales[pick(rng) % 8];
  m.originX = unit(rng) * 8 - 4;
  m.originY = unit(rng) * 8 - 4;
  if (pick(rng) < 50) {
    m.deviceClip = {0, 0, kWidth, kHeight};
  } else {
    m.deviceClip = {30 + pick(rng) % 10, 20 + pick(rng) % 10, 150 + pick(rng) % 10, 90 + pick(rng) % 10};
  }
  if (pick(rng) < 20) m.lineWidthFactor = 384;
  if (pick(rng) < 30) m.outputMode = OutputMode::Metafile;
  const double pixelsPerUnit = 4 * m.scale;
  const DeviceRect& c = m.deviceClip;
  const int count = 10 + pick(rng) % 20;
  for (int i = 0; i < count; ++i) {
    auto owned = std::make_unique<cLine>();
    cLine& line = *owned;
    const double x1 = c.left - 10 + unit(rng) * (c.right - c.left + 20);
    const double y1 = c.top - 10 + unit(rng) * (c.bottom - c.top + 20);
    double x2 = x1 + (unit(rng) - 0.5) * 120, y2 = y1 + (unit(rng) - 0.5) * 120;
    const int reach = pick(rng);
    if (reach < 5) {
      x2 = x1;  // a dot
      y2 = y1;
    } else if (reach < 15) {
      x2 = x1 + (unit(rng) - 0.5) * 4;
      y2 = y1 + (unit(rng) - 0.5) * 4;
    } else if (reach < 20) {
      x2 = x1 + (unit(rng) - 0.5) * 4000;
      y2 = y1 + (unit(rng) - 0.5) * 4000;
    } else if (reach < 30) {
      y2 = y1;  // along the axes
    } else if (reach < 40) {
      x2 = x1;
    }
    line.start = {(x1 - m.originX) / pixelsPerUnit, (y1 - m.originY) / pixelsPerUnit};
    line.end = {(x2 - m.originX) / pixelsPerUnit, (y2 - m.originY) / pixelsPerUnit};
    const double pixels = pick(rng) < 30 ? double(pick(rng) % 7) : unit(rng) * 6;
    line.stroke.width = pixels / pixelsPerUnit;
    line.stroke.color = std::uint32_t(rng() & 0xFFFFFF);
    line.stroke.penOption = std::uint8_t(pick(rng) < 30 ? 1 : 0);
    const int type = pick(rng);
    line.stroke.lineType = std::uint8_t(type < 92 ? 2 + type % 17 : type % 22);
    const int patternScale = pick(rng);
    if (patternScale < 10) {
      line.stroke.patternScale = 0.001 + unit(rng) * 0.05;
    } else if (patternScale < 30) {
      line.stroke.patternScale = 0.1 + unit(rng) * 4;
    }
    if (pick(rng) < 10) line.stroke.gapColor = std::uint32_t(rng() & 0xFFFFFF);
    round.lines.push_back(std::move(owned));
  }
  return round;
}

TEST(DashFastPath, RandomDashedSegmentsMatchTheGeneralRoad) {
  int lines = 0;
  EXPECT_TRUE(RandomRoundsAgree(MakeRound, 20261208, 400, kWidth, kHeight, &lines));
  EXPECT_GT(lines, 5000);
}

// One segment of each built-in type in sixteen directions, at the widths and
// pen options of the benchmark-like paint: the case the shortcut takes.
TEST(DashFastPath, LoneDashedSegmentsMatchTheGeneralRoad) {
  for (int type = 2; type <= 18; ++type) {
    for (int dir = 0; dir < 16; ++dir) {
      Round round = LoneSegment(25.0, 15.0, 14.7, dir, (dir % 4) / 4.0, std::uint8_t(dir & 1), std::uint8_t(type), kWidth,
                                kHeight);
      EXPECT_TRUE(RoadsAgree(round, kWidth, kHeight, true)) << "type " << type << " direction " << dir;
    }
  }
}

// Segments thousands of pixels long inside a clip far larger than the
// surface (screen and wide coordinates): the cut points need more than the
// 64-bit products of short segments, and the surface shows the dashes that
// cross it.
TEST(DashFastPath, LongSegmentsInAHugeClipMatchTheGeneralRoad) {
  std::mt19937 rng(4711);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int r = 0; r < 40; ++r) {
    Round round;
    WorldMapping& m = round.mapping;
    const bool wide = r % 2 == 1;
    if (wide) m.outputMode = OutputMode::Metafile;
    const double reach = wide ? 500000 : 30000;
    m.deviceClip = wide ? DeviceRect{-600000, -600000, 600000, 600000} : DeviceRect{-40000, -40000, 40000, 40000};
    for (int i = 0; i < 4; ++i) {
      auto owned = std::make_unique<cLine>();
      cLine& line = *owned;
      // Through a point of the surface, out to +-reach on both sides.
      const double cx = unit(rng) * kWidth, cy = unit(rng) * kHeight;
      const double angle = unit(rng) * 6.283185307179586;
      const double ux = std::cos(angle), uy = std::sin(angle);
      const double before = reach * (0.2 + 0.8 * unit(rng)), after = reach * (0.2 + 0.8 * unit(rng));
      line.start = {(cx - ux * before) / 4, (cy - uy * before) / 4};
      line.end = {(cx + ux * after) / 4, (cy + uy * after) / 4};
      line.stroke.width = (i % 3) / 4.0;
      line.stroke.color = std::uint32_t(rng() & 0xFFFFFF);
      line.stroke.penOption = std::uint8_t(i == 3);
      line.stroke.lineType = std::uint8_t(2 + rng() % 17);
      // Periods of a few hundred pixels and up: thousands of dashes, not millions.
      line.stroke.patternScale = (wide ? 2000.0 : 100.0) * (0.5 + unit(rng));
      round.lines.push_back(std::move(owned));
    }
    ASSERT_TRUE(RoadsAgree(round, kWidth, kHeight)) << "round " << r;
  }
}

// A million pixels of dashed line through a small surface, in wide
// coordinates: the shifted length is above 2^31, so every cut point takes the
// 128-bit product. Along an axis the cut points are exact: dash k of the
// 6-pixel dash, 3-pixel gap pattern covers [start + 9k, start + 9k + 6] px,
// whichever end the walk starts from, and a thin dash inks both end pixels.
TEST(DashFastPath, CutPointsOfAMillionPixelLineAreExact) {
  const std::int32_t pattern[] = {6 * 256, -3 * 256};
  const RasterDashes dashes = PrepareRasterDashes(pattern, 2, 9 * 256, false);
  ASSERT_TRUE(dashes.usable);
  const ClipRect clip = RasterStrokeClip(DeviceRect{-600000, -600000, 600000, 600000}, true);
  const COLORREF color = 0x302010;
  const std::int32_t far = 500000 * 256, row = 5;
  struct Case {
    std::int32_t from, to;
    int firstInk;  // x mod 9 of the first pixel of each dash
  };
  // -500000 = 4 (mod 9); from the right end, 500000 = 5 (mod 9) is a
  // dash's last pixel, so its first is 5 - 6 = 8 (mod 9).
  for (const Case c : {Case{-far, far, 4}, Case{far, -far, 8}}) {
    auto surface = raster_test::MakeSurface(100, 10, true);
    ASSERT_NE(surface, nullptr);
    const DeviceSegment line = DeviceSegment::Line(c.from, row * 256, c.to, row * 256);
    ASSERT_TRUE(DrawDashedRasterSegment(*surface, line, clip, true, 0, color, 0, dashes));
    for (std::int32_t y = 0; y < 10; ++y) {
      for (std::int32_t x = 0; x < 100; ++x) {
        const bool ink = y == row && (x - c.firstInk + 9) % 9 <= 6;
        ASSERT_EQ(raster_test::Pixel(*surface, x, y) == ColorrefToPixel(color), ink)
            << "from " << c.from << " at " << x << "," << y;
      }
    }
  }
}

// The shortcut declines, drawing nothing, where the general road must decide:
// an end outside the clip, a pattern with two dash entries in a row (whose
// dashes the walk joins into one polyline), a pattern too short to dash.
TEST(DashFastPath, DeclinesWithNothingDrawn) {
  auto surface = raster_test::MakeSurface(kWidth, kHeight, true);
  ASSERT_NE(surface, nullptr);
  const ClipRect clip = RasterStrokeClip(DeviceRect{0, 0, kWidth, kHeight}, false);
  const DeviceSegment inside = DeviceSegment::Line(10 * 256, 10 * 256, 90 * 256, 40 * 256);
  const DeviceSegment across = DeviceSegment::Line(10 * 256, 10 * 256, 300 * 256, 40 * 256);
  const std::int32_t pattern[] = {1536, -768};
  const std::int32_t joined[] = {1536, 0, -768};
  const std::int32_t lone[] = {1536};
  const RasterDashes dashes = PrepareRasterDashes(pattern, 2, 2304, true);
  EXPECT_TRUE(dashes.usable);
  EXPECT_FALSE(PrepareRasterDashes(joined, 3, 2304, true).usable);
  EXPECT_FALSE(PrepareRasterDashes(lone, 1, 1536, true).usable);
  EXPECT_FALSE(PrepareRasterDashes(pattern, 2, 255, true).usable);
  EXPECT_FALSE(PrepareRasterDashes(nullptr, 0, 2304, true).usable);
  const COLORREF color = 0x302010;
  EXPECT_FALSE(DrawDashedRasterSegment(*surface, across, clip, false, 256, color, 0, dashes));
  EXPECT_FALSE(DrawDashedRasterSegment(*surface, inside, clip, false, 256, color, 0,
                                       PrepareRasterDashes(joined, 3, 2304, true)));
  EXPECT_EQ(raster_test::CountInk(*surface, ColorrefToPixel(color)), 0);
  EXPECT_TRUE(DrawDashedRasterSegment(*surface, inside, clip, false, 256, color, 0, dashes));
  EXPECT_GT(raster_test::CountInk(*surface, ColorrefToPixel(color)), 0);
}

}  // namespace
}  // namespace kvn
