// The axis-parallel rectangle shortcut of the anti-aliased fill against the
// general road (cells, sort, sweep): random rectangles of every size, both
// directions, every starting corner, with and without a closing segment,
// clip rectangles and surface clips, partly or wholly off the surface, all
// three anti-alias modes and translucent colours, pixel for pixel. Shapes
// that are no such rectangle are left to the general road.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "render/AntiAliasedFill.h"
#include "render/AntiAliasedRect.h"
#include "render/CurveClip.h"
#include "tests/render/RasterTestSupport.h"

namespace kvn {
namespace {

constexpr int kW = 48, kH = 40;

std::unique_ptr<cRasterSurface> Surface(std::uint32_t mode, std::uint32_t background) {
  auto s = std::make_unique<cRasterSurface>(true);
  if (!s->Prepare(TRect{0, 0, kW, kH})) return nullptr;
  s->FillRect(0, 0, kW, kH, background);
  s->SetAntiAliasMode(mode);
  return s;
}

struct Case {
  SegmentArray piece;
  bool useClip = false;
  ClipRect clip;
  TRect surfaceClip{0, 0, kW, kH};
  std::uint32_t mode = 1;
  COLORREF color = 0;
  int alpha = -1;
  std::uint32_t background = 0xFF000000;
};

// Fills the case on a fresh surface with the shortcut on or off.
std::unique_ptr<cRasterSurface> Draw(Case& c, bool shortcut) {
  auto s = Surface(c.mode, c.background);
  if (!s) return nullptr;
  s->SetClip(c.surfaceClip);
  SetAxisRectangleShortcut(shortcut);
  SegmentArray* pieces[] = {&c.piece};
  FillAntiAliased(*s, nullptr, nullptr, pieces, 1, c.useClip ? &c.clip : nullptr, c.color, c.alpha);
  SetAxisRectangleShortcut(true);
  return s;
}

// The corners of [x0, x1] x [y0, y1] from corner `start`, clockwise on the
// device or not, optionally with the closing segment written out.
SegmentArray Rectangle(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, int start, bool reverse,
                       bool closing) {
  std::vector<std::pair<std::int32_t, std::int32_t>> p = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
  SegmentArray piece;
  piece.closed = 1;
  auto at = [&](int i) { return p[std::size_t(((reverse ? -i : i) + start + 8) % 4)]; };
  for (int i = 0; i < (closing ? 4 : 3); ++i)
    piece.Append(DeviceSegment::Line(at(i).first, at(i).second, at(i + 1).first, at(i + 1).second));
  return piece;
}

TEST(AntiAliasedRectTest, RandomRectanglesMatchTheGeneralRoadPixelForPixel) {
  std::mt19937 rng(20261207);
  auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  int shortcuts = 0;
  for (int n = 0; n < 3000; ++n) {
    Case c;
    // Mostly small shapes of a plan, some large ones and some across the
    // surface's edges; sizes down to a fraction of a pixel.
    const int span = n % 5 == 0 ? 70 * 256 : n % 3 == 0 ? 3 * 256 : 12 * 256;
    const std::int32_t x0 = uniform(-10 * 256, kW * 256 + 2 * 256), y0 = uniform(-10 * 256, kH * 256 + 2 * 256);
    std::int32_t x1 = x0 + uniform(1, span), y1 = y0 + uniform(1, span);
    if (n % 7 == 0) x1 = x0 + uniform(1, 200);  // under a pixel wide
    if (n % 11 == 0) y1 = y0 + uniform(1, 130);
    if (n % 13 == 0) {                          // on pixel boundaries
      x1 = x0 + 256 * uniform(1, 8);
      y1 = y0 + 256 * uniform(1, 8);
    }
    c.piece = Rectangle(x0, y0, x1, y1, uniform(0, 3), uniform(0, 1) == 1, uniform(0, 1) == 1);
    c.mode = std::uint32_t(uniform(1, 3));
    c.color = COLORREF(uniform(0, 0xFFFFFF));
    c.alpha = n % 4 == 0 ? uniform(0, 255) : -1;
    c.background = n % 2 ? 0xFF000000u : 0x80204060u;
    if (n % 3 == 1) {
      c.useClip = true;
      const std::int32_t cx = uniform(-4 * 256, kW * 128), cy = uniform(-4 * 256, kH * 128);
      c.clip = ClipRect{cx, cy, cx + uniform(0, kW * 256), cy + uniform(0, kH * 256)};
    }
    if (n % 5 == 2) {
      const int l = uniform(0, kW / 2), t = uniform(0, kH / 2);
      c.surfaceClip = TRect{l, t, l + uniform(0, kW / 2), t + uniform(0, kH / 2)};
    }
    AaRectangle found;
    shortcuts += FindAxisRectangle(c.piece, &found);
    auto fast = Draw(c, true), slow = Draw(c, false);
    ASSERT_TRUE(fast && slow);
    ASSERT_TRUE(raster_test::SamePixels(*fast, *slow))
        << "case " << n << ": " << x0 << "," << y0 << " - " << x1 << "," << y1 << " mode " << c.mode;
  }
  EXPECT_EQ(shortcuts, 3000);
}

TEST(AntiAliasedRectTest, OnlyAxisParallelRectanglesTakeTheShortcut) {
  AaRectangle r;
  // Left edge first, running down: positive; the other way round negative.
  ASSERT_TRUE(FindAxisRectangle(Rectangle(0, 0, 512, 256, 3, false, true), &r));
  EXPECT_EQ(r.x0, 0);
  EXPECT_EQ(r.y1, 256);
  EXPECT_EQ(r.sign, -1);
  ASSERT_TRUE(FindAxisRectangle(Rectangle(0, 0, 512, 256, 0, true, false), &r));
  EXPECT_EQ(r.sign, 1);
  // A turned square, a zero-height box, a curve, a triangle and an L are not.
  SegmentArray diamond;
  diamond.closed = 1;
  diamond.Append(DeviceSegment::Line(0, 256, 256, 0));
  diamond.Append(DeviceSegment::Line(256, 0, 512, 256));
  diamond.Append(DeviceSegment::Line(512, 256, 256, 512));
  diamond.Append(DeviceSegment::Line(256, 512, 0, 256));
  EXPECT_FALSE(FindAxisRectangle(diamond, &r));
  EXPECT_FALSE(FindAxisRectangle(Rectangle(0, 0, 512, 0, 0, false, true), &r));
  SegmentArray curved;
  curved.closed = 1;
  curved.Append(DeviceSegment::Line(0, 0, 512, 0));
  curved.Append(DeviceSegment{{512, 0, 552, 0, 512, 512, 512, 512}});
  curved.Append(DeviceSegment::Line(512, 512, 0, 512));
  curved.Append(DeviceSegment::Line(0, 512, 0, 0));
  EXPECT_FALSE(FindAxisRectangle(curved, &r));
  SegmentArray triangle;
  triangle.closed = 1;
  triangle.Append(DeviceSegment::Line(0, 0, 512, 0));
  triangle.Append(DeviceSegment::Line(512, 0, 512, 512));
  EXPECT_FALSE(FindAxisRectangle(triangle, &r));
  SegmentArray ell;
  ell.closed = 1;
  const std::int32_t pts[][2] = {{0, 0}, {512, 0}, {512, 256}, {256, 256}, {256, 512}, {0, 512}};
  for (int i = 0; i < 6; ++i)
    ell.Append(DeviceSegment::Line(pts[i][0], pts[i][1], pts[(i + 1) % 6][0], pts[(i + 1) % 6][1]));
  EXPECT_FALSE(FindAxisRectangle(ell, &r));
}

}  // namespace
}  // namespace kvn
