// The drawing context's glyph fill for TrueType lines: when the surface takes
// glyphs, where a glyph lands, its colour mapped like any fill, and the cut
// at the clip.
#include <gtest/gtest.h>

#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "tests/render/RasterTestSupport.h"

namespace kvn {
namespace {

using raster_test::Pixel;

// A square of 4 x 4 em units from the origin up, as one run.
GlyphRuns Square() {
  constexpr std::int32_t e = 4 * 65536;
  return GlyphRuns{{{0, 0}, {e, 0}, {e, 0}, {e, 0}, {e, e}, {e, e}, {e, e}, {0, e}, {0, e}, {0, e}, {0, 0}, {0, 0}}};
}

int Count(const cRasterSurface& s, std::uint32_t value) {
  int n = 0;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) n += Pixel(s, x, y) == value;
  return n;
}

TEST(GlyphRunFill, ReadyOnlyWithAPreparedAntiAliasedSurface) {
  cDrawInfo none;
  EXPECT_FALSE(none.GlyphRasterReady());
  FixedGlyphPlacement at;
  EXPECT_FALSE(none.FillGlyphRuns(Square(), at, nullptr, 0));  // declined: not drawn
  cRasterSurface surface(true);
  cDrawInfo info(WorldMapping{}, nullptr, nullptr, &surface);
  surface.SetAntiAliasMode(1);
  EXPECT_FALSE(info.GlyphRasterReady());  // no pixels yet
  ASSERT_TRUE(surface.Prepare(TRect{0, 0, 8, 8}));
  EXPECT_TRUE(info.GlyphRasterReady());
  for (std::uint32_t mode : {0u, 4u}) {
    surface.SetAntiAliasMode(mode);
    EXPECT_FALSE(info.GlyphRasterReady());
    EXPECT_FALSE(info.FillGlyphRuns(Square(), at, nullptr, 0));
  }
}

TEST(GlyphRunFill, GlyphsLandAtTheirOriginInTheMappedColour) {
  cRasterSurface surface(true);
  ASSERT_TRUE(surface.Prepare(TRect{0, 0, 32, 32}));
  surface.SetAntiAliasMode(1);
  surface.FillRect(0, 0, 32, 32, 0xFFFFFFFF);
  cDrawInfo info(WorldMapping{}, nullptr, nullptr, &surface);
  // One device unit per em unit; the square's lower left corner at (10, 20).
  FixedGlyphPlacement at;
  at.originX = 10 * 1024 - 512;
  at.originY = 20 * 1024 - 512;
  ASSERT_TRUE(info.FillGlyphRuns(Square(), at, nullptr, 0x0000FF));
  EXPECT_EQ(Count(surface, 0xFFFF0000), 16);  // red, pixels 10..13 x 16..19
  EXPECT_EQ(Pixel(surface, 10, 16), 0xFFFF0000u);
  EXPECT_EQ(Pixel(surface, 13, 19), 0xFFFF0000u);
  // The override colour of the output replaces the glyph's.
  info.overrideColor = 0x00FF00;
  at.originX += 10 * 1024;
  ASSERT_TRUE(info.FillGlyphRuns(Square(), at, nullptr, 0x0000FF));
  EXPECT_EQ(Count(surface, 0xFF00FF00), 16);
  // A clip (1/256 device units) cuts the glyph: two columns are left.
  info.overrideColor = -1;
  at.originY -= 10 * 1024;
  const DeviceRect clip{20 * 256 - 128, 0, 22 * 256 - 128, 32 * 256};
  ASSERT_TRUE(info.FillGlyphRuns(Square(), at, &clip, 0));
  EXPECT_EQ(Count(surface, 0xFF000000), 8);
  EXPECT_EQ(Pixel(surface, 21, 6), 0xFF000000u);
  EXPECT_EQ(Pixel(surface, 22, 6), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace kvn
