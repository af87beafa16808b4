// Rotated-bitmap resampling: placement, quarter turns, scaling, the
// transparent colour and its tolerance, mask coverage, the clip, a picture
// wider than a 32-bit 16.16 position reaches, and inputs that draw nothing.
#include "render/RotatedBitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <vector>

#include "platform/gdi/TDib.h"
#include "render/RasterSurface.h"
#include "tests/render/RasterTestSupport.h"

namespace kvn {
namespace {

using raster_test::kPaper;
using raster_test::MakeSurface;
using raster_test::Pixel;

constexpr std::uint32_t kFullAlpha = 0xFF000000;
const std::span<const std::uint8_t> kNoMask;

// A 24-bit picture (bottom-up unless topDown) of 0x00RRGGBB colours given row by row.
TDib Picture24(std::int32_t w, std::int32_t h, const std::vector<std::uint32_t>& rgb, bool topDown = false) {
  TDib dib;
  EXPECT_TRUE(dib.Create(w, topDown ? -h : h, 24));
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) dib.SetPixel(x, y, rgb[std::size_t(y) * w + x]);
  return dib;
}

RotatedBitmapCorners Upright(double x, double y, double w, double h) {
  return {{x, y}, {x + w, y}, {x, y + h}};
}

// Surface pixels of [x0, x0 + w) x [y0, y0 + h) without the fourth byte.
std::vector<std::uint32_t> Block(const cRasterSurface& s, int x0, int y0, int w, int h) {
  std::vector<std::uint32_t> out;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) out.push_back(Pixel(s, x, y) & 0xFFFFFF);
  return out;
}

int CountChanged(const cRasterSurface& s) {
  int n = 0;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) n += Pixel(s, x, y) != kPaper;
  return n;
}

// Six colours of a 3 x 2 picture: A B C / D E F.
const std::vector<std::uint32_t> kSix = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFE};
constexpr std::uint32_t A = 0x000000, B = 0xFF0000, C = 0x00FF00, D = 0x0000FF, E = 0x123456, F = 0xFFFFFE;

TEST(RotatedBitmapTest, IdentityPlacementCopiesPixelsExactlyFromEveryPixelFormat) {
  TDib bottomUp = Picture24(3, 2, kSix);
  TDib topDown = Picture24(3, 2, kSix, true);
  TDib indexed;  // 8 bits through the palette
  ASSERT_TRUE(indexed.Create(3, 2, 8));
  TDib rgba;  // 32 bits, fourth byte ignored
  ASSERT_TRUE(rgba.Create(3, 2, 32));
  TDib rgb555;  // 16 bits: through the picture's own colour lookup
  ASSERT_TRUE(rgb555.Create(3, 2, 16));
  for (std::uint32_t i = 0; i < 6; ++i) {
    indexed.SetPaletteEntry(i + 10, kSix[i]);
    indexed.SetPixel(std::int32_t(i % 3), std::int32_t(i / 3), i + 10);
    rgba.SetPixel(std::int32_t(i % 3), std::int32_t(i / 3), 0x7F000000 | kSix[i]);
    // 5 bits a channel: keep the top five bits of each.
    const std::uint32_t c = kSix[i];
    rgb555.SetPixel(std::int32_t(i % 3), std::int32_t(i / 3),
                    (((c >> 19) & 0x1F) << 10) | (((c >> 11) & 0x1F) << 5) | ((c >> 3) & 0x1F));
  }
  for (const TDib* dib : {&bottomUp, &topDown, &indexed, &rgba}) {
    auto s = MakeSurface(8, 6);
    DrawRotatedBitmap(*s, Upright(2, 3, 3, 2), *dib, kNoMask, kNoTransparentColor, 0);
    EXPECT_EQ(Block(*s, 2, 3, 3, 2), kSix);
    EXPECT_EQ(Pixel(*s, 2, 3), kFullAlpha | A);  // stored, not blended at 255
    EXPECT_EQ(CountChanged(*s), 6);
  }
  auto s = MakeSurface(8, 6);
  DrawRotatedBitmap(*s, Upright(2, 3, 3, 2), rgb555, kNoMask, kNoTransparentColor, 0);
  const std::vector<std::uint32_t> got = Block(*s, 2, 3, 3, 2);
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(got[i] & 0xF8F8F8, kSix[i] & 0xF8F8F8) << i;
}

TEST(RotatedBitmapTest, QuarterTurnsMapTheCornersAsExpected) {
  const TDib dib = Picture24(3, 2, kSix);
  {
    // Clockwise: the top-left corner goes to the top right, the picture's
    // rows become columns from right to left.
    auto s = MakeSurface(6, 6);
    DrawRotatedBitmap(*s, {{3, 1}, {3, 4}, {1, 1}}, dib, kNoMask, kNoTransparentColor, 0);
    EXPECT_EQ(Block(*s, 1, 1, 2, 3), (std::vector<std::uint32_t>{D, A, E, B, F, C}));
    EXPECT_EQ(CountChanged(*s), 6);
  }
  {
    // Anticlockwise: the top-left corner goes to the bottom left.
    auto s = MakeSurface(6, 6);
    DrawRotatedBitmap(*s, {{1, 4}, {1, 1}, {3, 4}}, dib, kNoMask, kNoTransparentColor, 0);
    EXPECT_EQ(Block(*s, 1, 1, 2, 3), (std::vector<std::uint32_t>{C, F, B, E, A, D}));
    EXPECT_EQ(CountChanged(*s), 6);
  }
  {
    // Half a turn (a mirrored placement would give C B A / F E D).
    auto s = MakeSurface(6, 6);
    DrawRotatedBitmap(*s, {{4, 3}, {1, 3}, {4, 1}}, dib, kNoMask, kNoTransparentColor, 0);
    EXPECT_EQ(Block(*s, 1, 1, 3, 2), (std::vector<std::uint32_t>{F, E, D, C, B, A}));
  }
}

TEST(RotatedBitmapTest, DoubleScaleDuplicatesEachPixelTwoByTwo) {
  const TDib dib = Picture24(2, 2, {A, B, D, E});
  auto s = MakeSurface(6, 6);
  DrawRotatedBitmap(*s, Upright(1, 1, 4, 4), dib, kNoMask, kNoTransparentColor, 0);
  EXPECT_EQ(Block(*s, 1, 1, 4, 4), (std::vector<std::uint32_t>{A, A, B, B, A, A, B, B, D, D, E, E, D, D, E, E}));
  EXPECT_EQ(CountChanged(*s), 16);
}

TEST(RotatedBitmapTest, TransparentColourWithAndWithoutTolerance) {
  // White, near white (250, 250, 250), grey.
  const TDib dib = Picture24(3, 1, {0xFFFFFF, 0xFAFAFA, 0x808080});
  const COLORREF white = 0x00FFFFFF;
  // Near white is 115,150 / 512 = 224.9 from white.
  EXPECT_EQ(ColorDistance512(0xFAFAFA, 0xFFFFFF), 115150);
  EXPECT_EQ(TransparentThreshold(0.0), 0);
  EXPECT_EQ(TransparentThreshold(1.9), 211);  // 211.17
  EXPECT_EQ(TransparentThreshold(2.0), 234);  // 233.99
  EXPECT_EQ(TransparentThreshold(std::nan("")), 0);
  EXPECT_EQ(TransparentThreshold(-5.0), 0);
  // White to black is the largest distance, 584,970.99; 58.497 rounds it
  // down, so even tolerance 100 keeps the exact opposite of the key.
  EXPECT_EQ(ColorDistance512(0xFFFFFF, 0), 299505150);
  EXPECT_EQ(TransparentThreshold(100.0), 584970);

  auto draw = [&](double tolerance) {
    auto s = MakeSurface(3, 1);
    s->FillRect(0, 0, 3, 1, 0xFF00FF00);
    DrawRotatedBitmap(*s, Upright(0, 0, 3, 1), dib, kNoMask, std::int32_t(white), tolerance);
    return Block(*s, 0, 0, 3, 1);
  };
  // Tolerance 0 drops the exact colour only.
  EXPECT_EQ(draw(0.0), (std::vector<std::uint32_t>{0x00FF00, 0xFAFAFA, 0x808080}));
  EXPECT_EQ(draw(1.9), (std::vector<std::uint32_t>{0x00FF00, 0xFAFAFA, 0x808080}));
  EXPECT_EQ(draw(2.0), (std::vector<std::uint32_t>{0x00FF00, 0x00FF00, 0x808080}));
  EXPECT_EQ(draw(100.0), (std::vector<std::uint32_t>{0x00FF00, 0x00FF00, 0x00FF00}));
}

TEST(RotatedBitmapTest, RedDifferencesWeighMoreWhereRedIsDark) {
  // The same red step of 10 weighs 767 - mean red: 1034 / 2 near full red,
  // 1524 / 2 near black.
  EXPECT_EQ(ColorDistance512(0xFF0000, 0xF50000), 100 * 1034);
  EXPECT_EQ(ColorDistance512(0x0A0000, 0x000000), 100 * 1524);
  // Green counts 4, blue 512 + mean red (over 256).
  EXPECT_EQ(ColorDistance512(0x000A00, 0x000000), 100 * 2048);
  EXPECT_EQ(ColorDistance512(0xFF000A, 0xFF0000), 100 * (1024 + 510));

  const TDib dib = Picture24(2, 1, {0xF50000, 0x0A0000});
  // At tolerance 1.9 (threshold 211) the bright pair (201.9) is dropped,
  // the dark pair (297.7) is kept.
  auto bright = MakeSurface(2, 1);
  DrawRotatedBitmap(*bright, Upright(0, 0, 2, 1), dib, kNoMask, 0x0000FF, 1.9);
  EXPECT_EQ(Pixel(*bright, 0, 0), kPaper);
  EXPECT_EQ(Pixel(*bright, 1, 0), kFullAlpha | 0x0A0000);
  auto dark = MakeSurface(2, 1);
  DrawRotatedBitmap(*dark, Upright(0, 0, 2, 1), dib, kNoMask, 0x000000, 1.9);
  EXPECT_EQ(Pixel(*dark, 0, 0), kFullAlpha | 0xF50000);
  EXPECT_EQ(Pixel(*dark, 1, 0), kFullAlpha | 0x0A0000);
}

TEST(RotatedBitmapTest, MaskCoverageBlendsAsTheSurfaceDoes) {
  const std::uint32_t ink = 0x336699;
  const TDib dib = Picture24(4, 1, {ink, ink, ink, ink});
  const std::vector<std::uint8_t> mask = {0, 1, 128, 255};
  auto s = MakeSurface(4, 1);
  s->FillRect(0, 0, 4, 1, 0xFF203040);
  auto expected = MakeSurface(4, 1);
  expected->FillRect(0, 0, 4, 1, 0xFF203040);
  expected->BlendPixel(1, 0, (1u << 24) | ink);
  expected->BlendPixel(2, 0, (128u << 24) | ink);
  DrawRotatedBitmap(*s, Upright(0, 0, 4, 1), dib, mask, kNoTransparentColor, 0);
  EXPECT_EQ(Pixel(*s, 0, 0), 0xFF203040u);  // coverage 0: untouched
  EXPECT_EQ(Pixel(*s, 1, 0), Pixel(*expected, 1, 0));
  EXPECT_EQ(Pixel(*s, 2, 0), Pixel(*expected, 2, 0));
  EXPECT_NE(Pixel(*s, 2, 0), 0xFF203040u);
  EXPECT_EQ(Pixel(*s, 3, 0), kFullAlpha | ink);

  // The mask follows the source pixel, not the destination: doubled, each
  // byte covers two surface pixels.
  auto doubled = MakeSurface(8, 2);
  DrawRotatedBitmap(*doubled, Upright(0, 0, 8, 2), dib, mask, kNoTransparentColor, 0);
  EXPECT_EQ(Pixel(*doubled, 0, 1), kPaper);
  EXPECT_EQ(Pixel(*doubled, 1, 1), kPaper);
  EXPECT_EQ(Pixel(*doubled, 6, 1), kFullAlpha | ink);
  EXPECT_EQ(Pixel(*doubled, 7, 0), kFullAlpha | ink);

  // A mask of another size is refused rather than read past its end.
  auto refused = MakeSurface(4, 1);
  const std::vector<std::uint8_t> shortMask = {255, 255, 255};
  DrawRotatedBitmap(*refused, Upright(0, 0, 4, 1), dib, shortMask, kNoTransparentColor, 0);
  EXPECT_EQ(CountChanged(*refused), 0);
}

TEST(RotatedBitmapTest, ClipIsRespected) {
  const TDib dib = Picture24(1, 1, {0x102030});
  auto s = MakeSurface(10, 10);
  s->SetClip(TRect{2, 3, 6, 8});
  DrawRotatedBitmap(*s, Upright(-5, -5, 20, 20), dib, kNoMask, kNoTransparentColor, 0);
  s->SetClip(TRect{0, 0, 10, 10});
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 3 && y < 8;
      EXPECT_EQ(Pixel(*s, x, y), inside ? (kFullAlpha | 0x102030) : kPaper) << x << "," << y;
    }
}

TEST(RotatedBitmapTest, PictureWiderThan32767PixelsSamplesTheRightColumns) {
  // Column c has red = c & 0xFF, green = c >> 8: 40,000 columns into 400
  // pixels, pixel i takes column 100 i + 50. A 32-bit 16.16 position wraps
  // past column 32,767 (pixels 327 and on).
  constexpr std::int32_t kWide = 40000;
  std::vector<std::uint32_t> cols(kWide);
  for (std::int32_t c = 0; c < kWide; ++c)
    cols[std::size_t(c)] = (std::uint32_t(c & 0xFF) << 16) | (std::uint32_t(c >> 8) << 8);
  const TDib dib = Picture24(kWide, 1, cols);
  auto s = MakeSurface(400, 3);
  DrawRotatedBitmap(*s, Upright(0, 1, 400, 1), dib, kNoMask, kNoTransparentColor, 0);
  for (std::int32_t i = 0; i < 400; ++i) {
    const std::uint32_t p = Pixel(*s, i, 1);
    const std::int32_t column = std::int32_t(((p >> 16) & 0xFF) | (((p >> 8) & 0xFF) << 8));
    ASSERT_EQ(column, 100 * i + 50) << "pixel " << i;
  }
  EXPECT_EQ(CountChanged(*s), 400);

  // Turned upright: the same columns down a surface column.
  auto t = MakeSurface(3, 400);
  DrawRotatedBitmap(*t, {{2, 0}, {2, 400}, {1, 0}}, dib, kNoMask, kNoTransparentColor, 0);
  for (std::int32_t i = 0; i < 400; i += 37) {
    const std::uint32_t p = Pixel(*t, 1, i);
    EXPECT_EQ(std::int32_t(((p >> 16) & 0xFF) | (((p >> 8) & 0xFF) << 8)), 100 * i + 50) << "pixel " << i;
  }
}

TEST(RotatedBitmapTest, DegenerateInputsDrawNothing) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const TDib dib = Picture24(2, 2, {A, B, D, E});
  const TDib empty;
  auto s = MakeSurface(8, 8);
  DrawRotatedBitmap(*s, Upright(0, 0, 8, 8), empty, kNoMask, kNoTransparentColor, 0);
  DrawRotatedBitmap(*s, Upright(0, 0, 0, 8), dib, kNoMask, kNoTransparentColor, 0);    // zero width
  DrawRotatedBitmap(*s, Upright(0, 0, 8, 0), dib, kNoMask, kNoTransparentColor, 0);    // zero height
  DrawRotatedBitmap(*s, {{0, 0}, {4, 4}, {8, 8}}, dib, kNoMask, kNoTransparentColor, 0);  // collinear
  DrawRotatedBitmap(*s, Upright(0, 0, nan, 8), dib, kNoMask, kNoTransparentColor, 0);
  DrawRotatedBitmap(*s, Upright(nan, 0, 8, 8), dib, kNoMask, kNoTransparentColor, 0);
  DrawRotatedBitmap(*s, Upright(0, 0, 8, inf), dib, kNoMask, kNoTransparentColor, 0);
  DrawRotatedBitmap(*s, Upright(-1e308, -1e308, 1.7e308, 1.7e308), dib, kNoMask, kNoTransparentColor, 0);
  DrawRotatedBitmap(*s, Upright(20, 0, 8, 8), dib, kNoMask, kNoTransparentColor, 0);    // beside the clip
  DrawRotatedBitmap(*s, Upright(-8, -8, 7.9, 7.9), dib, kNoMask, kNoTransparentColor, 0);  // ends before it
  s->SetClip(TRect{4, 4, 4, 4});  // empty clip
  DrawRotatedBitmap(*s, Upright(0, 0, 8, 8), dib, kNoMask, kNoTransparentColor, 0);
  s->SetClip(TRect{0, 0, 8, 8});
  EXPECT_EQ(CountChanged(*s), 0);

  // A run-length picture (4 x 2, 8 bits, two palette entries) has no pixel
  // access: nothing rather than guessed colours.
  std::vector<std::uint8_t> rle(40 + 8 + 6, 0);
  const std::uint8_t header[] = {40, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, 1, 0, 0, 0, 6, 0, 0, 0};
  std::copy(std::begin(header), std::end(header), rle.begin());
  rle[32] = 2;  // palette entries
  const std::uint8_t stream[] = {4, 1, 0, 0, 0, 1};
  std::copy(std::begin(stream), std::end(stream), rle.begin() + 48);
  TDib compressed;
  ASSERT_TRUE(compressed.LoadPackedDib(rle.data(), rle.size()));
  DrawRotatedBitmap(*s, Upright(0, 0, 8, 8), compressed, kNoMask, kNoTransparentColor, 0);
  EXPECT_EQ(CountChanged(*s), 0);

  cRasterSurface unprepared(true);
  DrawRotatedBitmap(unprepared, Upright(0, 0, 8, 8), dib, kNoMask, kNoTransparentColor, 0);
}

TEST(RotatedBitmapTest, HugeAndPartlyOutsideDestinationsStayInBounds) {
  const TDib dib = Picture24(2, 2, {A, B, D, E});
  // Two billion pixels a side, split at the surface's corner: the surface
  // sees the bottom-right source pixel only.
  auto s = MakeSurface(16, 16);
  DrawRotatedBitmap(*s, Upright(-1e9, -1e9, 2e9, 2e9), dib, kNoMask, kNoTransparentColor, 0);
  for (std::uint32_t p : Block(*s, 0, 0, 16, 16)) ASSERT_EQ(p, E);

  // Turned 30 degrees about a point near the top-left corner, reaching out
  // of the surface on two sides: only picture colours land.
  std::vector<std::uint32_t> ramp(40 * 30);
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = 0x010101 * std::uint32_t(i % 200);
  const TDib big = Picture24(40, 30, ramp);
  auto r = MakeSurface(32, 24);
  const double c = std::cos(0.5235987755982988), sn = std::sin(0.5235987755982988);
  const DPoint o{-10.3, 3.7};
  DrawRotatedBitmap(*r, {o, {o.x + 40 * c, o.y + 40 * sn}, {o.x - 30 * sn, o.y + 30 * c}}, big, kNoMask,
                    kNoTransparentColor, 0);
  int drawn = 0;
  for (std::uint32_t p : Block(*r, 0, 0, 32, 24))
    if (p != (kPaper & 0xFFFFFF)) {
      ++drawn;
      EXPECT_EQ(p, 0x010101 * (p & 0xFF));  // a grey of the ramp
    }
  EXPECT_GT(drawn, 100);

  // A sliver of 1e-300 pixels: enormous inverse steps, no pixel or one.
  auto t = MakeSurface(8, 8);
  DrawRotatedBitmap(*t, {{3, 0}, {3 + 1e-300, 0}, {3, 8}}, dib, kNoMask, kNoTransparentColor, 0);
  EXPECT_LE(CountChanged(*t), 8);
  // Far away but finite, at huge scale and turned: nothing reaches the surface.
  DrawRotatedBitmap(*t, {{1e18, -1e18}, {-1e18, 1e18}, {3e18, 1e18}}, dib, kNoMask, kNoTransparentColor, 0);
}

}  // namespace
}  // namespace kvn
