// The off-screen raster surface: preparing and reusing its memory, the clip,
// the direct pixel operations, the 24-bit picture, blits, and the device
// context writing into the same pixels.
#include "render/RasterSurface.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/RasterDC.h"
#include "render/RasterSurfaceAgg.h"
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

// ---- Prepare, reuse and clip -------------------------------------------------------

TEST(RasterSurfaceTest, PrepareRefusesEmptyAndOversizedRectanglesAndLeavesTheSurface) {
  for (bool memoryOnly : {false, true}) {
    cRasterSurface s(memoryOnly);
    EXPECT_FALSE(s.Prepare(TRect{0, 0, 0, 10}));
    EXPECT_EQ(s.Bits(), nullptr);
    ASSERT_TRUE(s.Prepare(TRect{2, 3, 40, 30}));
    const std::uint8_t* bits = s.Bits();
    const TRect clip = s.Clip();
    EXPECT_FALSE(s.Prepare(TRect{0, 0, 0, 10}));
    EXPECT_FALSE(s.Prepare(TRect{0, 0, 10, 0}));
    EXPECT_FALSE(s.Prepare(TRect{0, 0, -5, 10}));
    EXPECT_FALSE(s.Prepare(TRect{0, 0, 40000, 10}));
    EXPECT_FALSE(s.Prepare(TRect{0, 0, 30000, 30000}));  // beyond 2^28 pixels
    EXPECT_EQ(s.Bits(), bits);
    EXPECT_EQ(s.Clip(), clip);
    EXPECT_EQ(s.Width(), 40);
    EXPECT_EQ(s.Height(), 30);
    EXPECT_EQ(clip, (TRect{2, 3, 40, 30}));
  }
}

TEST(RasterSurfaceTest, DeviceContextModeKeepsALargerSurfaceAndOnlyMovesTheClip) {
  cRasterSurface s(false);
  EXPECT_EQ(s.AntiAliasMode(), 0u);
  ASSERT_TRUE(s.Prepare(TRect{0, 0, 100, 80}));
  const std::uint8_t* bits = s.Bits();
  const TDC* dc = s.DC();
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(s.ScreenBitDepth(), 32);
  EXPECT_EQ(dc->GetMapMode(), kMmAnisotropic);
  EXPECT_EQ(dc->GetBkMode(), kTransparent);

  ASSERT_TRUE(s.Prepare(TRect{10, 5, 60, 40}));
  EXPECT_EQ(s.Bits(), bits);
  EXPECT_EQ(s.DC(), dc);
  EXPECT_EQ(s.Width(), 100);
  EXPECT_EQ(s.Height(), 80);
  EXPECT_EQ(s.Clip(), (TRect{10, 5, 60, 40}));
  TRect dcClip;
  EXPECT_EQ(dc->GetClipBox(&dcClip), kSimpleRegion);
  EXPECT_EQ(dcClip, (TRect{10, 5, 60, 40}));

  // Wider than the surface in one direction: new memory of the rectangle's size.
  ASSERT_TRUE(s.Prepare(TRect{0, 0, 120, 20}));
  EXPECT_EQ(s.Width(), 120);
  EXPECT_EQ(s.Height(), 20);
  EXPECT_EQ(s.Clip(), (TRect{0, 0, 120, 20}));
}

TEST(RasterSurfaceTest, MemoryOnlyModeTakesEveryNewSizeButOnlyGrowsItsBuffer) {
  cRasterSurface s(true);
  ASSERT_TRUE(s.Prepare(TRect{0, 0, 100, 80}));
  EXPECT_EQ(s.DC(), nullptr);
  const std::uint8_t* bits = s.Bits();
  ASSERT_TRUE(s.Prepare(TRect{0, 0, 160, 50}));  // 8000 pixels fit in 8000
  EXPECT_EQ(s.Bits(), bits);
  EXPECT_EQ(s.Width(), 160);
  EXPECT_EQ(s.Height(), 50);
  EXPECT_EQ(s.Stride(), 640);
  ASSERT_TRUE(s.Prepare(TRect{0, 0, 101, 80}));
  EXPECT_EQ(s.Width(), 101);
  // Every pixel of the new size can be written and read back.
  s.FillRect(0, 0, 101, 80, kInk);
  EXPECT_EQ(Pixel(s, 100, 79), kInk);
}

TEST(RasterSurfaceTest, ClipIsLimitedToTheSurfaceAndTheAggClipBoxFollows) {
  auto s = MakeSurface(50, 40);
  ASSERT_NE(s, nullptr);
  RasterAgg* agg = s->Agg();
  ASSERT_NE(agg, nullptr);
  EXPECT_EQ(agg->rows.width(), 50u);
  EXPECT_EQ(agg->rows.height(), 40u);
  EXPECT_EQ(agg->rows.row_ptr(1), s->Bits() + s->Stride());  // top down

  s->SetClip(TRect{-10, 5, 1000, 30});
  EXPECT_EQ(s->Clip(), (TRect{0, 5, 50, 30}));
  EXPECT_EQ(agg->base.xmin(), 0);
  EXPECT_EQ(agg->base.ymin(), 5);
  EXPECT_EQ(agg->base.xmax(), 49);
  EXPECT_EQ(agg->base.ymax(), 29);

  {
    // AGG's pixel format writes the surface's B, G, R, A order inside the clip box.
    cRasterSurface::DirectWrite scope(*s);
    agg->base.copy_hline(-5, 6, 60, agg::rgba8(0x10, 0x20, 0x30, 0xFF));
    agg->base.copy_hline(0, 4, 49, agg::rgba8(0x10, 0x20, 0x30, 0xFF));  // above the clip
  }
  EXPECT_EQ(Pixel(*s, 0, 6), kInk);
  EXPECT_EQ(Pixel(*s, 49, 6), kInk);
  EXPECT_EQ(CountInk(*s), 50);

  s->SetClip(TRect{30, 10, 20, 30});  // right below left: empty
  EXPECT_EQ(s->Clip(), (TRect{30, 10, 30, 30}));
  EXPECT_EQ(agg->base.xmin(), 1);
  EXPECT_EQ(agg->base.xmax(), 0);
  s->FillRect(0, 0, 50, 40, kInk);
  EXPECT_EQ(CountInk(*s), 50);

  s->SetClip(TRect{60, 50, 70, 60});  // wholly outside
  EXPECT_TRUE(s->Clip().IsEmpty());
}

// ---- Fills, runs and pixels -----------------------------------------------------------

TEST(RasterSurfaceTest, FillsStayInsideTheClip) {
  auto s = MakeSurface(12, 8);
  s->SetClip(TRect{2, 2, 10, 6});
  s->FillRect(-5, 4, 10, 10, kInk);  // partly outside the clip
  EXPECT_EQ(Grid(*s, 0, 0, 12, 8),
            "............\n"
            "............\n"
            "............\n"
            "............\n"
            "..###.......\n"
            "..###.......\n"
            "............\n"
            "............\n");
  s->FillRect(6, 0, -3, 8, kInk);  // negative sizes fill nothing
  s->FillRect(INT32_MAX - 1, INT32_MAX - 1, INT32_MAX, INT32_MAX, kInk);
  s->FillRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, kInk);  // ends at -1
  EXPECT_EQ(CountInk(*s), 6);
}

TEST(RasterSurfaceTest, ColorrefsAreStoredWithRedAndBlueExchanged) {
  EXPECT_EQ(ColorrefToPixel(0x00000080), 0x00800000u);  // dark red
  EXPECT_EQ(ColorrefToPixel(0x00C0FFFF), 0x00FFFFC0u);  // light yellow
  auto s = MakeSurface(4, 4);
  s->FillRectColorref(0, 0, 40, 2, 0x00123456);
  EXPECT_EQ(Pixel(*s, 3, 1), 0x00563412u);
  EXPECT_EQ(Pixel(*s, 3, 2), kPaper);
}

TEST(RasterSurfaceTest, HorizontalAndVerticalRunsGoBackwardsForNegativeLengths) {
  auto s = MakeSurface(12, 6);
  s->HorizontalLine(2, 0, 3, kInk);
  s->HorizontalLine(8, 1, -3, kInk);
  s->HorizontalLine(8, 2, 0, kInk);
  s->VerticalLine(11, 5, -4, kInk);
  s->SetClip(TRect{0, 0, 10, 4});
  s->HorizontalLine(-100, 3, 200, kInk);  // limited to the clip
  s->VerticalLine(10, 0, 4, kInk);        // x outside the clip
  s->HorizontalLine(0, 4, 5, kInk);       // y outside the clip
  EXPECT_EQ(Grid(*s, 0, 0, 12, 6),
            "..###.......\n"
            "......###...\n"
            "...........#\n"
            "##########.#\n"
            "...........#\n"
            "...........#\n");
}

TEST(RasterSurfaceTest, BlendingFollowsTheChannelRule) {
  auto s = MakeSurface(4, 2);
  s->FillRect(0, 0, 4, 2, 0xFF000000);
  s->BlendPixel(0, 0, 0x80FFFFFF);  // white at 128 over black
  EXPECT_EQ(Pixel(*s, 0, 0) & 0xFFFFFF, 0x7F7F7Fu);
  s->BlendPixel(1, 0, 0x40FF8000);
  EXPECT_EQ(Pixel(*s, 1, 0) & 0xFFFFFF, 0x3F2000u);  // 255*64>>8 = 63, 128*64>>8 = 32
  s->BlendPixel(2, 0, 0x00FFFFFF);                  // alpha 0 changes nothing
  EXPECT_EQ(Pixel(*s, 2, 0) & 0xFFFFFF, 0u);

  s->SetClip(TRect{0, 0, 1, 1});
  s->BlendPixel(3, 1, 0xFFFFFFFF);
  EXPECT_EQ(Pixel(*s, 3, 1) & 0xFFFFFF, 0u);
  s->BlendPixelUnclipped(3, 1, 0xFFFFFFFF);  // the caller clips: the surface does not
  EXPECT_EQ(Pixel(*s, 3, 1) & 0xFFFFFF, 0xFEFEFEu);
  s->BlendPixelUnclipped(4, 1, 0xFFFFFFFF);  // outside the surface: ignored
  s->BlendPixelUnclipped(-1, 0, 0xFFFFFFFF);

  std::uint32_t v = 0;
  EXPECT_TRUE(s->GetPixel(0, 0, &v));
  EXPECT_EQ(v & 0xFFFFFF, 0x7F7F7Fu);
  EXPECT_FALSE(s->GetPixel(3, 1, &v));
}

TEST(RasterSurfaceTest, FillRectAlphaIsOpaqueAbove254AndBlendsBelow) {
  auto s = MakeSurface(4, 1);
  s->FillRect(0, 0, 4, 1, 0xFF000000);
  s->FillRectAlpha(0, 0, 1, 1, 0x00FFFFFF, 255);
  s->FillRectAlpha(1, 0, 2, 1, 0x000000FF, 128);  // red
  EXPECT_EQ(Pixel(*s, 0, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(Pixel(*s, 1, 0) & 0xFFFFFF, 0x7F0000u);
  EXPECT_EQ(Pixel(*s, 2, 0) & 0xFFFFFF, 0x7F0000u);
  EXPECT_EQ(Pixel(*s, 3, 0) & 0xFFFFFF, 0u);
}

// ---- Lines --------------------------------------------------------------------------------

TEST(RasterSurfaceTest, DrawLineOfTenPixelsSetsElevenPixels) {
  auto s = MakeSurface(16, 3);
  s->DrawLine(0, 0, 2560, 0, kInk);
  EXPECT_EQ(Grid(*s, 0, 0, 16, 2), "###########.....\n................\n");
}

TEST(RasterSurfaceTest, DrawLineStepsTheMinorAxisWithRounding) {
  auto s = MakeSurface(8, 6);
  s->DrawLine(0, 0, 6 * 256, 3 * 256, kInk);
  EXPECT_EQ(Grid(*s, 0, 0, 8, 5),
            "#.......\n"
            ".##.....\n"
            "...##...\n"
            ".....##.\n"
            "........\n");
  auto t = MakeSurface(8, 6);
  t->DrawLine(6 * 256, 3 * 256, 0, 0, kInk);  // backwards: the same pixel count
  EXPECT_EQ(CountInk(*t), 7);
  auto u = MakeSurface(4, 8);
  u->DrawLine(383, 0, 128 + 256, 7 * 256, kInk);  // ends round half up: x 1 and 2
  EXPECT_EQ(Pixel(*u, 1, 0), kInk);
  EXPECT_EQ(Pixel(*u, 2, 7), kInk);
  EXPECT_EQ(CountInk(*u), 8);
}

TEST(RasterSurfaceTest, DrawLineTestsEveryPixelOnlyAgainstTheClip) {
  auto s = MakeSurface(10, 10);
  s->SetClip(TRect{2, 2, 8, 8});
  s->DrawLine(0, 5 * 256, 9 * 256, 5 * 256, kInk);
  s->DrawLine(INT32_MIN, 3 * 256, INT32_MAX, 3 * 256, kInk);  // 2^24 pixels long
  s->DrawLine(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, kInk);
  EXPECT_EQ(Grid(*s, 0, 0, 10, 10),
            "..........\n"
            "..........\n"
            "..#.......\n"
            "..######..\n"
            "....#.....\n"
            "..######..\n"
            "......#...\n"
            ".......#..\n"
            "..........\n"
            "..........\n");
}

constexpr std::uint32_t kLine = ColorrefToPixel(0x00302010);

TEST(RasterSurfaceTest, WidePolylineJoinsWithoutGapsAndThinOneUsesLines) {
  // An L of two 4-pixel bands without dots: the outer corner is bevelled.
  auto s = MakeSurface(24, 24);
  const std::int32_t l[] = {4 * 256, 12 * 256, 12 * 256, 12 * 256, 12 * 256, 20 * 256};
  s->DrawPolyline(l, 3, 4 * 256 + 128, 0x00302010, 1, false);
  // Without the joint the pixel diagonal off the corner stays empty.
  EXPECT_EQ(Pixel(*s, 13, 11), kLine);
  EXPECT_EQ(Pixel(*s, 13, 10), kPaper);  // beyond the bevel
  EXPECT_EQ(Pixel(*s, 14, 11), kPaper);
  EXPECT_EQ(InkBox(*s, kLine), (TRect{4, 10, 15, 21}));

  auto dots = MakeSurface(24, 24);
  dots->DrawPolyline(l, 3, 4 * 256 + 128, 0x00302010, 0, false);
  EXPECT_EQ(Pixel(*dots, 13, 10), kLine);  // the dot rounds the corner
  EXPECT_EQ(Pixel(*dots, 14, 11), kLine);
  EXPECT_EQ(Pixel(*dots, 14, 10), kPaper);
  EXPECT_EQ(InkBox(*dots, kLine), (TRect{2, 10, 15, 23}));  // round ends reach past the points

  auto thin = MakeSurface(24, 24);
  thin->DrawPolyline(l, 3, 383, 0x00302010, 0, true);  // closed: three lines
  EXPECT_EQ(Pixel(*thin, 8, 16), kLine);                 // on the closing diagonal
  EXPECT_EQ(CountInk(*thin, kLine), 9 + 8 + 7);

  auto none = MakeSurface(8, 8);
  const std::int32_t one[] = {256, 256};
  none->DrawPolyline(one, 1, 1024, 0x00302010, 0, false);
  none->DrawPolyline(nullptr, 5, 1024, 0x00302010, 0, false);
  EXPECT_EQ(CountInk(*none, kLine), 0);
}

TEST(RasterSurfaceTest, PolylineWhoseBandsAllDeclineGetsOnePixelAtItsEnd) {
  auto s = MakeSurface(8, 8);
  const std::int32_t far[] = {-(1 << 30), -(1 << 29), 5 * 256, 6 * 256};
  s->DrawPolyline(far, 2, 1024, 0x00302010, 1, false);
  EXPECT_EQ(CountInk(*s, kLine), 1);
  EXPECT_EQ(Pixel(*s, 5, 6), kLine);
}

// ---- Output -----------------------------------------------------------------------------------

TEST(RasterSurfaceTest, ToDib24IsBottomUpAndTellsPureBlackAndWhite) {
  auto s = MakeSurface(6, 5);
  s->SetClip(TRect{1, 1, 4, 3});
  bool bw = false;
  TDib white = s->ToDib24(&bw);
  ASSERT_FALSE(white.IsEmpty());
  EXPECT_TRUE(bw);
  s->FillRect(1, 1, 1, 1, 0xFF000000);
  TDib blackWhite = s->ToDib24(&bw);
  EXPECT_TRUE(bw);

  s->FillRect(2, 1, 1, 1, 0x00010203);
  s->FillRect(3, 2, 1, 1, 0x00808080);
  TDib dib = s->ToDib24(&bw);
  EXPECT_FALSE(bw);
  ASSERT_EQ(dib.Width(), 3);
  ASSERT_EQ(dib.Height(), 2);
  EXPECT_FALSE(dib.IsTopDown());
  EXPECT_EQ(dib.BitCount(), 24);
  ASSERT_EQ(dib.Stride(), 12u);
  const std::uint8_t* b = dib.Bits();
  // First stored row: surface row 2 (white, white, grey), then row 1.
  const std::vector<std::uint8_t> expect = {255, 255, 255, 255, 255, 255, 128, 128, 128, 0, 0, 0,
                                            0,   0,   0,   3,   2,   1,   255, 255, 255, 0, 0, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(b, b + 24), expect);
  EXPECT_EQ(dib.GetPixelColor(1, 0), 0x00030201u);  // COLORREF of (2, 1)

  s->SetClip(TRect{3, 3, 3, 4});
  EXPECT_TRUE(s->ToDib24(&bw).IsEmpty());
  cRasterSurface unprepared(true);
  EXPECT_TRUE(unprepared.ToDib24(nullptr).IsEmpty());
}

TEST(RasterSurfaceTest, BlitCopiesTheClipAreaToTheSamePlace) {
  for (bool memoryOnly : {false, true}) {
    auto s = MakeSurface(20, 10, memoryOnly);
    s->FillRect(0, 0, 20, 10, 0xFF0000FF);
    s->SetClip(TRect{5, 2, 9, 6});
    std::vector<std::uint8_t> window(20 * 10 * 4, 0);
    auto target = RasterDC::Create(window.data(), 20, 10);
    s->BlitTo(target.get());
    s->BlitTo(nullptr);
    target->Flush();
    int blue = 0;
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 20; ++x) {
        const std::uint8_t* p = window.data() + (y * 20 + x) * 4;
        const bool inside = x >= 5 && x < 9 && y >= 2 && y < 6;
        EXPECT_EQ(p[0], inside ? 255 : 0) << x << "," << y;
        blue += p[0] == 255;
      }
    EXPECT_EQ(blue, 16);
    const RasterBlitSource src = s->BlitSource();
    EXPECT_TRUE(src.pixels.IsValid());
    EXPECT_EQ(src.area, (TRect{5, 2, 9, 6}));
    EXPECT_EQ(src.pixels.stride, 80);
  }
  cRasterSurface empty(false);
  EXPECT_FALSE(empty.BlitSource().pixels.IsValid());
}

TEST(RasterSurfaceTest, DeviceContextAndDirectWritesShareThePixels) {
  auto s = MakeSurface(16, 4);
  TDC* dc = s->DC();
  ASSERT_NE(dc, nullptr);
  dc->FillRect(TRect{0, 0, 8, 4}, TBrush(Rgb(0, 0, 255)));  // blue through cairo
  s->FillRect(4, 0, 8, 2, kInk);                          // directly, over part of it
  dc->FillRect(TRect{6, 0, 10, 1}, TBrush(Rgb(0, 255, 0)));  // and cairo again on top
  EXPECT_EQ(Pixel(*s, 0, 0) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(Pixel(*s, 4, 0), kInk);
  EXPECT_EQ(Pixel(*s, 7, 0) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(Pixel(*s, 11, 1), kInk);
  EXPECT_EQ(Pixel(*s, 5, 3) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(Pixel(*s, 12, 3), kPaper);
}

// ---- Surface to surface -------------------------------------------------------------------------

TEST(RasterSurfaceTest, StampMaskAndCopyFromAreLimitedToBothSurfaces) {
  auto mask = MakeSurface(3, 2, true);
  mask->FillRect(1, 0, 1, 2, 0xFF000000);
  auto s = MakeSurface(6, 4);
  s->StampMask(TPoint{-1, 3}, *mask, kInk, kPaper);  // only row 0 of the mask lands, x = 0
  s->StampMask(TPoint{4, 0}, *mask, kInk, kPaper);
  EXPECT_EQ(Grid(*s, 0, 0, 6, 4),
            ".....#\n"
            ".....#\n"
            "......\n"
            "#.....\n");

  auto src = MakeSurface(4, 4, true);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) src->FillRect(x, y, 1, 1, std::uint32_t(y * 4 + x));
  auto dst = MakeSurface(5, 5);
  dst->CopyFrom(TRect{-2, 1, 10, 3}, *src, TPoint{1, 3});
  // Source columns 0..3 of rows 1 and 2 land at x 3..6 (cut at 5), y 3..4.
  EXPECT_EQ(Pixel(*dst, 3, 3), 4u);
  EXPECT_EQ(Pixel(*dst, 4, 4), 9u);
  EXPECT_EQ(Pixel(*dst, 2, 3), kPaper);
  dst->CopyFrom(TRect{0, 0, 4, 4}, *src, TPoint{INT32_MAX, INT32_MIN});  // nowhere

  // Onto itself, overlapping: rows move down without smearing.
  src->CopyFrom(TRect{0, 0, 4, 3}, *src, TPoint{0, 1});
  for (int y = 1; y < 4; ++y) EXPECT_EQ(Pixel(*src, 2, y), std::uint32_t((y - 1) * 4 + 2));
  src->CopyFrom(TRect{1, 0, 4, 4}, *src, TPoint{0, 0});  // left, overlapping in a row
  EXPECT_EQ(Pixel(*src, 0, 1), 1u);
  EXPECT_EQ(Pixel(*src, 2, 1), 3u);
}

// Boxes filled as runs of whole rows, long row runs and short ones, on a
// surface kept wider than its clip (a larger earlier paint) and on one of
// its own size, each compared pixel for pixel with the box stored pixel by
// pixel inside the clip: nothing outside the box or the clip changes.
TEST(RasterSurfaceTest, FillBoxStoresExactlyTheClippedBox) {
  struct Box {
    const char* name;
    std::int64_t left, top, right, bottom;
  };
  const Box boxes[] = {
      {"whole surface", -5, -5, 900, 700},  {"whole rows", -1, 40, 700, 90},      {"long rows", 3, 10, 650, 20},
      {"rows of 255", 100, 5, 355, 9},      {"rows of 256", 100, 5, 356, 9},      {"one long row", 0, 77, 699, 78},
      {"short rows", 20, 30, 27, 60},       {"one pixel", 599, 399, 600, 400},    {"outside", 700, 500, 800, 600},
      {"empty", 50, 50, 50, 90},
  };
  const TRect clips[] = {{0, 0, 640, 400}, {7, 3, 610, 390}};
  for (const bool memoryOnly : {false, true}) {
    for (const TRect& clip : clips) {
      for (const Box& b : boxes) {
        auto s = MakeSurface(memoryOnly ? 640 : 700, memoryOnly ? 400 : 450, memoryOnly);
        ASSERT_TRUE(s);
        if (!memoryOnly) {
          ASSERT_TRUE(s->Prepare(TRect{0, 0, 640, 400}));  // keeps the wider surface
        }
        s->SetClip(clip);
        const TRect c = s->Clip();
        std::vector<std::uint32_t> want;
        for (std::int32_t y = 0; y < s->Height(); ++y)
          for (std::int32_t x = 0; x < s->Width(); ++x) {
            const bool in = x >= b.left && x < b.right && y >= b.top && y < b.bottom && x >= c.left && x < c.right &&
                            y >= c.top && y < c.bottom;
            want.push_back(in ? kInk : Pixel(*s, x, y));
          }
        s->FillBox(b.left, b.top, b.right, b.bottom, kInk);
        std::vector<std::uint32_t> got;
        for (std::int32_t y = 0; y < s->Height(); ++y)
          for (std::int32_t x = 0; x < s->Width(); ++x) got.push_back(Pixel(*s, x, y));
        EXPECT_TRUE(got == want) << b.name << ", clip " << c.left << "," << c.top << ", memory only " << memoryOnly;
      }
    }
  }
}

}  // namespace
}  // namespace kvn
