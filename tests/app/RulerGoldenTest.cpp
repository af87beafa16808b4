// Reviewed pictures of both rulers at 100 % and 400 % (drawing scale 1,
// offsets 15), painted by the window's own paint into an off-screen raster
// context, plus pixel checks that hold whatever the pictures say.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Rulers.h"
#include "platform/gdi/RasterDC.h"
#include "tests/support/GoldenImage.h"

namespace kvn {
namespace {

constexpr COLORREF kInk = 0x00000000;
constexpr COLORREF kBack = 0x00FFFFFF;

test::Picture PaintRuler(double scale, bool vertical, std::int32_t length, std::int32_t offset = 15) {
  WorldMapping m;
  m.scale = scale;
  m.offsetX = offset;
  m.offsetY = offset;
  const TSize size = vertical ? TSize{kRulerSize, length} : TSize{length, kRulerSize};
  std::vector<std::uint8_t> bits(std::size_t(size.cx) * std::size_t(size.cy) * 4);
  const std::unique_ptr<RasterDC> dc = RasterDC::Create(bits.data(), size.cx, size.cy);
  EXPECT_NE(dc, nullptr);
  if (!dc) return {};
  dc->FillSolidRect(TRect{0, 0, size.cx, size.cy}, kBack);
  RulerCache cache;
  PaintRulerTo(*dc, m, vertical, size, kInk, cache);
  dc->Flush();
  return test::PictureFromBgra(bits.data(), size.cx, size.cy);
}

bool Ink(const test::Picture& p, std::int32_t x, std::int32_t y) { return p.At(x, y) == 0x000000; }

// The first row (across the ruler) where the tick at `pos` is inked, the
// base line excluded; 15 when there is none.
std::int32_t TickTop(const test::Picture& p, bool vertical, std::int32_t pos) {
  for (std::int32_t a = 0; a < kRulerSize - 1; ++a)
    if (vertical ? Ink(p, a, pos) : Ink(p, pos, a)) {
      // A tick runs on to the base line without a gap.
      for (std::int32_t b = a; b < kRulerSize; ++b)
        if (!(vertical ? Ink(p, b, pos) : Ink(p, pos, b))) return -1;
      return a;
    }
  return kRulerSize;
}

TEST(RulerGolden, HorizontalAtHundredPercent) {
  const test::Picture p = PaintRuler(1.0, false, 400);
  // World 0 at pixel 15, a tick every 4 pixels: long with a label every
  // ten units, medium every five, short otherwise.
  EXPECT_EQ(TickTop(p, false, 15), 1);
  EXPECT_EQ(TickTop(p, false, 23), 11);  // 19 lies under the label "0"
  EXPECT_EQ(TickTop(p, false, 35), 9);
  EXPECT_EQ(TickTop(p, false, 55), 1);
  EXPECT_EQ(TickTop(p, false, 16), kRulerSize);  // between ticks: background above the base line
  // The base line along the inner edge, end to end.
  for (std::int32_t x = 0; x < 400; ++x) ASSERT_TRUE(Ink(p, x, 14)) << x;
  // "0" (0x7C82827C) two pixels after its tick, rows from 1: its first
  // column has rows 1 to 5 of the glyph.
  EXPECT_FALSE(Ink(p, 17, 1));
  EXPECT_TRUE(Ink(p, 17, 2));
  EXPECT_TRUE(Ink(p, 17, 6));
  EXPECT_FALSE(Ink(p, 17, 7));
  // No label at the medium tick of 5.
  for (std::int32_t y = 0; y < 9; ++y) EXPECT_FALSE(Ink(p, 37, y)) << y;
  test::ExpectMatchesGolden(p, "ruler_h_100", 0);
}

TEST(RulerGolden, HorizontalAtFourHundredPercent) {
  const test::Picture p = PaintRuler(4.0, false, 400);
  // 16 pixels a unit: labels at every fifth tick as well.
  EXPECT_EQ(TickTop(p, false, 15), 1);
  EXPECT_EQ(TickTop(p, false, 31), 11);
  EXPECT_EQ(TickTop(p, false, 95), 9);
  EXPECT_EQ(TickTop(p, false, 175), 1);
  // "5" (0xF292928C) beside the medium tick: its first column 0xF2.
  EXPECT_TRUE(Ink(p, 97, 1));
  EXPECT_TRUE(Ink(p, 97, 4));
  EXPECT_FALSE(Ink(p, 97, 5));
  test::ExpectMatchesGolden(p, "ruler_h_400", 0);
}

TEST(RulerGolden, VerticalAtHundredPercent) {
  const test::Picture p = PaintRuler(1.0, true, 300);
  EXPECT_EQ(TickTop(p, true, 15), 1);
  EXPECT_EQ(TickTop(p, true, 19), 11);
  EXPECT_EQ(TickTop(p, true, 35), 9);
  for (std::int32_t y = 0; y < 300; ++y) ASSERT_TRUE(Ink(p, 14, y)) << y;
  // "10" at world 10 (pixel 55) runs upward from 53: the "1" (0x42FE0200)
  // first, its second column all but the glyph's last row.
  for (std::int32_t row = 0; row < 7; ++row) EXPECT_TRUE(Ink(p, 1 + row, 52)) << row;
  EXPECT_FALSE(Ink(p, 8, 52));
  test::ExpectMatchesGolden(p, "ruler_v_100", 0);
}

TEST(RulerGolden, VerticalAtFourHundredPercent) {
  const test::Picture p = PaintRuler(4.0, true, 300);
  EXPECT_EQ(TickTop(p, true, 15), 1);
  EXPECT_EQ(TickTop(p, true, 31), 11);
  EXPECT_EQ(TickTop(p, true, 95), 9);
  EXPECT_EQ(TickTop(p, true, 175), 1);
  test::ExpectMatchesGolden(p, "ruler_v_400", 0);
}

// A drawing whose extent starts at -150, its start swept across both ends
// of the ruler over a whole label period: every label shows whole or not
// at all (one cut at its start made "-150" read "0"), and the labels that
// fit are drawn.
TEST(RulerGolden, LabelsShowWholeOrNotAtAll) {
  const std::int32_t length = 200;
  bool sawMinus150 = false;
  for (bool vertical : {false, true}) {
    for (std::int32_t start = -44; start <= 44; ++start) {
      // World -150 at pixel `start` (4 pixels a unit at 100 %).
      const std::int32_t offset = start + 600;
      const test::Picture p = PaintRuler(1.0, vertical, length, offset);
      WorldMapping m;
      m.scale = 1.0;
      m.offsetX = m.offsetY = offset;
      RulerCache cache;
      const RulerLayout layout = ComputeRulerTicks(m, vertical, length, cache);
      int whole = 0;
      for (const RulerTick& t : layout.ticks) {
        if (!t.label) continue;
        int inked = 0, inside = 0, all = 0;
        auto count = [&](std::int32_t x, std::int32_t y) {
          ++all;
          if (x < 0 || y < 0 || x >= p.width || y >= p.height) return;
          ++inside;
          inked += Ink(p, x, y);
        };
        if (vertical)
          DrawRulerText(count, 0, t.position - 2, true, t.text, layout.labelRoom);
        else
          DrawRulerText(count, t.position + 2, 0, false, t.text, layout.labelRoom);
        SCOPED_TRACE(std::string(vertical ? "vertical" : "horizontal") + " start " + std::to_string(start) +
                     " label \"" + t.text + "\" at " + std::to_string(t.position));
        if (inked > 0) {
          EXPECT_EQ(inked, all) << "a label cut by the ruler's end";
        }
        if (inside == all) {
          EXPECT_EQ(inked, all) << "a label that fits is not drawn";
          ++whole;
        }
        sawMinus150 = sawMinus150 || (t.text == "-150" && inside > 0 && inside < all);
      }
      EXPECT_GE(whole, 3) << start;
    }
  }
  EXPECT_TRUE(sawMinus150);  // the sweep did cut "-150" at the ruler's start
}

TEST(RulerGolden, CollapsedMappingPaintsNothing) {
  const test::Picture p = PaintRuler(0.0, false, 40);
  for (std::uint32_t px : p.pixels) ASSERT_EQ(px, 0xFFFFFFu);
}

// The marker band: every pixel from start - 1 to end inverted across the
// ruler, nothing else touched, and a second inversion restores the ruler.
TEST(RulerGolden, MarkerBandInvertsItsPixelsOnly) {
  for (bool vertical : {false, true}) {
    const std::int32_t length = 120;
    const TSize size = vertical ? TSize{kRulerSize, length} : TSize{length, kRulerSize};
    std::vector<std::uint8_t> bits(std::size_t(size.cx) * std::size_t(size.cy) * 4);
    const std::unique_ptr<RasterDC> dc = RasterDC::Create(bits.data(), size.cx, size.cy);
    ASSERT_NE(dc, nullptr);
    dc->FillSolidRect(TRect{0, 0, size.cx, size.cy}, kBack);
    WorldMapping m;
    m.scale = 1;
    m.offsetX = m.offsetY = 15;
    RulerCache cache;
    PaintRulerTo(*dc, m, vertical, size, kInk, cache);
    dc->Flush();
    const test::Picture before = test::PictureFromBgra(bits.data(), size.cx, size.cy);
    struct Band {
      std::int32_t start, end;
      std::int32_t first, last;  // inverted pixels along the ruler
    };
    for (const Band& b : {Band{30, 40, 29, 40}, Band{0, 5, 0, 5}, Band{110, 150, 109, length - 1}}) {
      DrawRulerMarker(*dc, vertical, size, b.start, b.end - b.start);
      dc->Flush();
      const test::Picture marked = test::PictureFromBgra(bits.data(), size.cx, size.cy);
      for (std::int32_t along = 0; along < length; ++along) {
        for (std::int32_t across = 0; across < kRulerSize; ++across) {
          const std::int32_t x = vertical ? across : along, y = vertical ? along : across;
          const bool inBand = along >= b.first && along <= b.last;
          const std::uint32_t expected = inBand ? (~before.At(x, y) & 0xFFFFFF) : before.At(x, y);
          ASSERT_EQ(marked.At(x, y), expected) << vertical << " band " << b.start << " at " << along << "," << across;
        }
      }
      DrawRulerMarker(*dc, vertical, size, b.start, b.end - b.start);
      dc->Flush();
      EXPECT_EQ(test::PictureFromBgra(bits.data(), size.cx, size.cy).pixels, before.pixels);
    }
    // No band: nothing drawn.
    DrawRulerMarker(*dc, vertical, size, kNoRulerMarker, 10);
    dc->Flush();
    EXPECT_EQ(test::PictureFromBgra(bits.data(), size.cx, size.cy).pixels, before.pixels);
  }
}

// The corner box shows the split-mode bitmap only in the split mode.
TEST(RulerGolden, CornerShowsItsBitmapOnlyWhenSplit) {
  std::vector<std::uint8_t> bits(std::size_t(kRulerSize) * kRulerSize * 4);
  const std::unique_ptr<RasterDC> dc = RasterDC::Create(bits.data(), kRulerSize, kRulerSize);
  ASSERT_NE(dc, nullptr);
  const COLORREF face = 0x00D4D0C8;
  PaintRulerCorner(*dc, TSize{kRulerSize, kRulerSize}, face, false);
  dc->Flush();
  test::Picture p = test::PictureFromBgra(bits.data(), kRulerSize, kRulerSize);
  for (std::uint32_t c : p.pixels) EXPECT_EQ(c, 0xC8D0D4u);
  PaintRulerCorner(*dc, TSize{kRulerSize, kRulerSize}, face, true);
  dc->Flush();
  p = test::PictureFromBgra(bits.data(), kRulerSize, kRulerSize);
  // The four panes' frame: black at (1, 1) and in the middle, white inside a pane.
  EXPECT_EQ(p.At(1, 1), 0x000000u);
  EXPECT_EQ(p.At(7, 7), 0x000000u);
  EXPECT_EQ(p.At(3, 3), 0xFFFFFFu);
}

}  // namespace
}  // namespace kvn
