// The thin line walk against a test per pixel: lines whose ends both lie
// inside the clip take a path without clip tests and with a 32-bit step
// division, which must set exactly the pixels of the fixed-point rule, up to
// the clip's edges and along the longest lines a surface side allows. Also
// the polyline's thin segments, its dots of radius 0 (left out) and those of
// radius 1 (stored directly inside the clip).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "render/RasterSurface.h"
#include "render/ThickLines.h"
#include "tests/render/RasterTestSupport.h"

namespace kvn {
namespace {

using raster_test::kInk;
using raster_test::kPaper;
using raster_test::MakeSurface;
using raster_test::ReferenceLine;
using raster_test::SamePixels;

// A coordinate (1/256 pixel) on a side of `pixels`: often the first or last
// pixel's centre or edge, sometimes just outside.
std::int32_t EdgeyCoord(std::mt19937& rng, std::int32_t pixels) {
  switch (rng() % 6) {
    case 0: return std::int32_t(rng() % 128u);                               // pixel 0
    case 1: return (pixels - 1) * 256 + std::int32_t(rng() % 128u);          // the last pixel
    case 2: return (pixels - 1) * 256 + 128 + std::int32_t(rng() % 200u);  // just beyond
    case 3: return -std::int32_t(rng() % 300u);                              // just before
    default: return std::int32_t(rng() % std::uint32_t(pixels * 256));
  }
}

TEST(ThinLineWalkTest, LinesFollowTheRuleUpToTheClipEdges) {
  std::mt19937 rng(77);
  constexpr std::int32_t kW = 120, kH = 90;
  auto fast = MakeSurface(kW, kH, true);
  auto reference = MakeSurface(kW, kH, true);
  for (int round = 0; round < 6000; ++round) {
    // The whole surface, or a box of it, as the clip.
    TRect clip{0, 0, kW, kH};
    if (round % 2 == 1) {
      const std::int32_t l = std::int32_t(rng() % 40u), t = std::int32_t(rng() % 30u);
      clip = TRect{l, t, l + 1 + std::int32_t(rng() % std::uint32_t(kW - l)),
                   t + 1 + std::int32_t(rng() % std::uint32_t(kH - t))};
    }
    fast->SetClip(TRect{0, 0, kW, kH});
    reference->SetClip(TRect{0, 0, kW, kH});
    fast->FillRect(0, 0, kW, kH, kPaper);
    reference->FillRect(0, 0, kW, kH, kPaper);
    fast->SetClip(clip);
    reference->SetClip(clip);
    const std::int32_t x1 = EdgeyCoord(rng, kW), y1 = EdgeyCoord(rng, kH);
    const std::int32_t x2 = EdgeyCoord(rng, kW), y2 = EdgeyCoord(rng, kH);
    fast->DrawLine(x1, y1, x2, y2, kInk);
    ReferenceLine(*reference, x1, y1, x2, y2, kInk);
    ASSERT_TRUE(SamePixels(*fast, *reference)) << x1 << "," << y1 << " - " << x2 << "," << y2 << " round " << round;
  }
}

TEST(ThinLineWalkTest, LongestLinesInsideASurfaceFollowTheRule) {
  // Deltas up to 32766 pixels along, up to the other side across: the 32-bit
  // step division at its largest operands, both directions, both majors.
  std::mt19937 rng(5);
  for (const bool wide : {true, false}) {
    const std::int32_t w = wide ? cRasterSurface::kMaxSide : 7, h = wide ? 7 : cRasterSurface::kMaxSide;
    auto fast = MakeSurface(w, h, true);
    auto reference = MakeSurface(w, h, true);
    for (int round = 0; round < 40; ++round) {
      fast->FillRect(0, 0, w, h, kPaper);
      reference->FillRect(0, 0, w, h, kPaper);
      auto coord = [&](std::int32_t pixels) {
        return rng() % 2 == 0 ? std::int32_t(rng() % 128u) + (rng() % 2 == 0 ? 0 : (pixels - 1) * 256)
                              : std::int32_t(rng() % std::uint32_t(pixels * 256 - 128));
      };
      const std::int32_t x1 = coord(w), y1 = coord(h), x2 = coord(w), y2 = coord(h);
      fast->DrawLine(x1, y1, x2, y2, kInk);
      ReferenceLine(*reference, x1, y1, x2, y2, kInk);
      ASSERT_TRUE(SamePixels(*fast, *reference)) << x1 << "," << y1 << " - " << x2 << "," << y2;
    }
  }
}

TEST(ThinLineWalkTest, ThinPolylinesNearTheEdgesSetWhatTheirSegmentsSet) {
  std::mt19937 rng(11);
  constexpr std::int32_t kW = 40, kH = 30;
  auto fast = MakeSurface(kW, kH, true);
  auto reference = MakeSurface(kW, kH, true);
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::int32_t> pts;
    const std::uint32_t n = 2 + rng() % 6;
    for (std::uint32_t i = 0; i < n; ++i) {
      pts.push_back(EdgeyCoord(rng, kW));
      pts.push_back(EdgeyCoord(rng, kH));
    }
    const bool closed = rng() % 2 == 0;
    const std::int32_t width = std::int32_t(rng() % 384u);  // all thin
    fast->FillRect(0, 0, kW, kH, kPaper);
    reference->FillRect(0, 0, kW, kH, kPaper);
    fast->DrawPolyline(pts.data(), n, width, 0x00102030, 0, closed);
    const std::uint32_t value = ColorrefToPixel(0x00102030);
    for (std::uint32_t k = closed ? 0 : 1; k < n; ++k) {
      const std::uint32_t from = k == 0 ? n - 1 : k - 1;
      ReferenceLine(*reference, pts[2 * from], pts[2 * from + 1], pts[2 * k], pts[2 * k + 1], value);
    }
    ASSERT_TRUE(SamePixels(*fast, *reference)) << "round " << round;
  }
}

// Polylines of small steps (what flattened small curves and small texts'
// strokes are): runs of points in one pixel and steps to a neighbouring one,
// wandering across the clip edges, set what their segments set.
TEST(ThinLineWalkTest, PolylinesOfPixelStepsAcrossTheEdgesSetWhatTheirSegmentsSet) {
  std::mt19937 rng(23);
  constexpr std::int32_t kW = 12, kH = 9;
  auto fast = MakeSurface(kW, kH, true);
  auto reference = MakeSurface(kW, kH, true);
  const std::uint32_t value = ColorrefToPixel(0x00405060);
  for (int round = 0; round < 3000; ++round) {
    const std::uint32_t n = 2 + rng() % 12;
    std::vector<std::int32_t> pts;
    std::int32_t x = std::int32_t(rng() % (kW * 256 + 512)) - 256, y = std::int32_t(rng() % (kH * 256 + 512)) - 256;
    for (std::uint32_t i = 0; i < n; ++i) {
      pts.push_back(x);
      pts.push_back(y);
      // Steps of up to a pixel and a half: mostly the same or the next pixel.
      x += std::int32_t(rng() % 769) - 384;
      y += std::int32_t(rng() % 769) - 384;
    }
    const bool closed = rng() % 2 == 0;
    fast->FillRect(0, 0, kW, kH, kPaper);
    reference->FillRect(0, 0, kW, kH, kPaper);
    fast->DrawPolyline(pts.data(), n, 256, 0x00405060, 0, closed);
    for (std::uint32_t k = closed ? 0 : 1; k < n; ++k) {
      const std::uint32_t from = k == 0 ? n - 1 : k - 1;
      ReferenceLine(*reference, pts[2 * from], pts[2 * from + 1], pts[2 * k], pts[2 * k + 1], value);
    }
    ASSERT_TRUE(SamePixels(*fast, *reference)) << "round " << round;
  }
}

TEST(ThinLineWalkTest, BandsBelowTwoPixelsGetNoDotsWhateverTheFlag) {
  // Dots of radius (width - 128) >> 9 = 0 set nothing, so asking for them
  // changes nothing; from width 640 on they are drawn and do.
  std::mt19937 rng(9);
  constexpr std::int32_t kW = 40, kH = 40;
  auto dots = MakeSurface(kW, kH, true);
  auto none = MakeSurface(kW, kH, true);
  bool dotsSeen = false;
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::int32_t> pts;
    const std::uint32_t n = 2 + rng() % 4;
    for (std::uint32_t i = 0; i < n; ++i) {
      pts.push_back(std::int32_t(rng() % (kW * 256u)));
      pts.push_back(std::int32_t(rng() % (kH * 256u)));
    }
    const std::int32_t width = 384 + std::int32_t(rng() % 600u);
    dots->FillRect(0, 0, kW, kH, kPaper);
    none->FillRect(0, 0, kW, kH, kPaper);
    dots->DrawPolyline(pts.data(), n, width, 0, 0, false);
    none->DrawPolyline(pts.data(), n, width, 0, 1, false);
    if (width - 128 < 512)
      ASSERT_TRUE(SamePixels(*dots, *none)) << "width " << width << " round " << round;
    else
      dotsSeen = dotsSeen || !SamePixels(*dots, *none);
  }
  EXPECT_TRUE(dotsSeen);
}

TEST(ThinLineWalkTest, RadiusOneDotsAreTheClippedSquareAnywhere) {
  // The radius-1 disc is the 3 x 3 square; those wholly inside the clip are
  // stored directly, the others clipped: both must match the disc rule.
  std::mt19937 rng(13);
  constexpr std::int32_t kW = 20, kH = 16;
  auto fast = MakeSurface(kW, kH, true);
  for (int round = 0; round < 4000; ++round) {
    const std::int32_t l = std::int32_t(rng() % 6u), t = std::int32_t(rng() % 5u);
    const TRect clip{l, t, l + 1 + std::int32_t(rng() % std::uint32_t(kW - l)),
                     t + 1 + std::int32_t(rng() % std::uint32_t(kH - t))};
    fast->SetClip(TRect{0, 0, kW, kH});
    fast->FillRect(0, 0, kW, kH, kPaper);
    fast->SetClip(clip);
    const std::int32_t x = EdgeyCoord(rng, kW), y = EdgeyCoord(rng, kH);
    const std::int32_t width = 512 + std::int32_t(rng() % 512u);  // radius 1
    DrawDotInt(*fast, x, y, width, kInk);
    const std::int64_t cx = (std::int64_t(x) + 128) >> 8, cy = (std::int64_t(y) + 128) >> 8;
    for (std::int32_t py = 0; py < kH; ++py) {
      for (std::int32_t px = 0; px < kW; ++px) {
        const bool inClip = px >= clip.left && px < clip.right && py >= clip.top && py < clip.bottom;
        const bool inDisc = std::llabs(px - cx) <= 1 && std::llabs(py - cy) <= 1;
        ASSERT_EQ(raster_test::Pixel(*fast, px, py), inClip && inDisc ? kInk : kPaper)
            << "round " << round << " at " << px << "," << py;
      }
    }
  }
}

}  // namespace
}  // namespace kvn
