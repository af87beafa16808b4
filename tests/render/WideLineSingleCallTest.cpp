// The surface's wide line in one band call against the rule it replaced (a
// refusing call, and for a slanted segment shorter than its width a second,
// non-refusing one), and pixel blocks of several huge pages, whose advised
// range is rounded up past the pixels into the block's padding.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "render/RasterSurface.h"
#include "render/ThickLines.h"
#include "tests/render/RasterTestSupport.h"

namespace kvn {
namespace {

using raster_test::kInk;
using raster_test::kPaper;
using raster_test::MakeSurface;
using raster_test::Pixel;
using raster_test::SamePixels;

// The former two-call rule, drawn straight through the band routine.
bool TwoCallWideLine(cRasterSurface& s, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                     std::int32_t width, std::uint32_t value, TPoint* normal) {
  TPoint n;
  bool drawn = DrawThickLineInt(s, x1, y1, x2, y2, value, width, true, &n);
  if (!drawn && x1 != x2 && y1 != y2 && IsDrawableDelta(x1, y1, x2, y2))
    drawn = DrawThickLineInt(s, x1, y1, x2, y2, value, width, false, &n);
  *normal = drawn ? n : TPoint{};
  return drawn;
}

TEST(WideLineSingleCallTest, MatchesTheRefuseThenRetryRuleForEveryKindOfSegment) {
  std::mt19937 rng(2718);
  auto single = MakeSurface(48, 40, true);
  auto twice = MakeSurface(48, 40, true);
  single->SetClip(TRect{2, 3, 45, 37});
  twice->SetClip(TRect{2, 3, 45, 37});
  int shortSlanted = 0, refused = 0;
  for (int round = 0; round < 4000; ++round) {
    const int kind = round % 8;
    std::int32_t x1 = std::int32_t(rng() % 13000) - 500, y1 = std::int32_t(rng() % 11000) - 500;
    // Mostly short segments (shorter than their width half of the time),
    // some axis-parallel or empty, some with a delta beyond the limit.
    std::int32_t x2 = x1 + std::int32_t(rng() % 1200) - 600, y2 = y1 + std::int32_t(rng() % 1200) - 600;
    if (kind == 1) x2 = x1;
    if (kind == 2) y2 = y1;
    if (kind == 3) {
      x2 = x1;
      y2 = y1;
    }
    if (kind == 4) {
      x1 = -(1 << 29);
      y1 = std::int32_t(rng() % 9000);
    }
    const std::int32_t width = kind == 5 ? -std::int32_t(rng() % 600) : std::int32_t(rng() % 1600);
    single->FillRect(0, 0, 48, 40, kPaper);
    twice->FillRect(0, 0, 48, 40, kPaper);
    TPoint a{7, 7}, b{9, 9};
    const bool drawnSingle = single->DrawWideLine(x1, y1, x2, y2, width, kInk, &a);
    const bool drawnTwice = TwoCallWideLine(*twice, x1, y1, x2, y2, width, kInk, &b);
    ASSERT_EQ(drawnSingle, drawnTwice) << x1 << "," << y1 << " - " << x2 << "," << y2 << " width " << width;
    ASSERT_EQ(a, b);
    ASSERT_TRUE(SamePixels(*single, *twice)) << x1 << "," << y1 << " - " << x2 << "," << y2 << " width " << width;
    const std::int64_t dx = std::int64_t(x2) - x1, dy = std::int64_t(y2) - y1;
    if (dx != 0 && dy != 0 && dx * dx + dy * dy < std::int64_t(width) * width && drawnTwice) ++shortSlanted;
    if (!drawnTwice) ++refused;
  }
  // Both the retried and the refused branch were exercised.
  EXPECT_GT(shortSlanted, 200);
  EXPECT_GT(refused, 200);
  // Without a normal to fill the line is still drawn.
  auto s = MakeSurface(16, 16, true);
  EXPECT_TRUE(s->DrawWideLine(512, 512, 700, 650, 1024, kInk, nullptr));
  EXPECT_EQ(Pixel(*s, 2, 2), kInk);
}

// A polyline of one open segment (what most strokes and every dash send)
// against the polyline rule spelled out: a thin line below a reduced width of
// 256, else the band with round dots at both ends unless told not to, and the
// end pixel alone when the band is refused.
TEST(WideLineSingleCallTest, OneSegmentPolylinesFollowThePolylineRule) {
  std::mt19937 rng(1618);
  auto fast = MakeSurface(40, 32, true);
  auto rule = MakeSurface(40, 32, true);
  fast->SetClip(TRect{1, 2, 38, 31});
  rule->SetClip(TRect{1, 2, 38, 31});
  for (int round = 0; round < 3000; ++round) {
    std::int32_t pts[4];
    for (int i = 0; i < 4; ++i) pts[i] = std::int32_t(rng() % 11000) - 600;
    if (round % 7 == 0) pts[0] = -(1 << 29);  // beyond the band's reach: refused
    if (round % 11 == 0) pts[2] = pts[0];
    const std::int32_t width = std::int32_t(rng() % 1800);
    const std::uint8_t noDots = std::uint8_t(round % 3 == 0);
    fast->FillRect(0, 0, 40, 32, kPaper);
    rule->FillRect(0, 0, 40, 32, kPaper);
    fast->DrawPolyline(pts, 2, width, 0x00302010, noDots, false);
    const std::uint32_t value = ColorrefToPixel(0x00302010);
    const std::int32_t reduced = width - 128;
    if (reduced < 256) {
      rule->DrawLine(pts[0], pts[1], pts[2], pts[3], value);
    } else {
      const bool drawn = rule->DrawWideLine(pts[0], pts[1], pts[2], pts[3], reduced, value, nullptr);
      if (!noDots && reduced >= 512) {
        DrawDotInt(*rule, pts[0], pts[1], reduced, value);
        DrawDotInt(*rule, pts[2], pts[3], reduced, value);
      }
      if (!drawn) {
        const std::int64_t ex = (std::int64_t(pts[2]) + 128) >> 8, ey = (std::int64_t(pts[3]) + 128) >> 8;
        rule->FillBox(ex, ey, ex + 1, ey + 1, value);
      }
    }
    ASSERT_TRUE(SamePixels(*fast, *rule)) << pts[0] << "," << pts[1] << " - " << pts[2] << "," << pts[3] << " width "
                                          << width << (noDots ? " without dots" : "");
  }
}

TEST(WideLineSingleCallTest, PixelBlocksAcrossHugePageSizesAreZeroedAndWritableToTheLastPixel) {
  // Sizes just below, at and above multiples of 2 MiB (524,288 pixels), and a
  // screen's; the memory-only buffer grows to each in turn.
  const TRect sizes[] = {{0, 0, 1024, 512}, {0, 0, 1024, 513}, {0, 0, 1023, 1025}, {0, 0, 1920, 1080},
                         {0, 0, 2048, 1024}, {0, 0, 2049, 1025}};
  for (bool memoryOnly : {true, false}) {
    cRasterSurface s(memoryOnly);
    for (const TRect& r : sizes) {
      ASSERT_TRUE(s.Prepare(r)) << r.right << " x " << r.bottom;
      const std::int32_t w = s.Width(), h = s.Height();
      ASSERT_GE(w, r.right);
      ASSERT_GE(h, r.bottom);
      s.FillRect(0, 0, w, h, 0);
      // Both ends and the middle of the block, written and read back.
      const TPoint probes[] = {{0, 0}, {w - 1, h - 1}, {w / 2, h / 2}, {w - 1, 0}, {0, h - 1}};
      for (const TPoint& p : probes) {
        EXPECT_EQ(Pixel(s, p.x, p.y), 0u);
        s.FillRect(p.x, p.y, 1, 1, kInk);
        EXPECT_EQ(Pixel(s, p.x, p.y), kInk);
      }
    }
  }
  // A fresh block is zeroed by its maker, before any fill.
  cRasterSurface fresh(true);
  ASSERT_TRUE(fresh.Prepare(TRect{0, 0, 2049, 1025}));
  EXPECT_EQ(Pixel(fresh, 2048, 1024), 0u);
  EXPECT_EQ(Pixel(fresh, 0, 0), 0u);
}

}  // namespace
}  // namespace kvn
