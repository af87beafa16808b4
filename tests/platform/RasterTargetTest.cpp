// Pixel rules of the raster target: where one-pixel lines land, fills by
// pixel centres, fill modes, clipping, bitwise operations, hatches, blits and
// geometry far outside the surface.
#include "platform/gdi/RasterDC.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "platform/gdi/RasterOps.h"

namespace kvn {
namespace {

constexpr COLORREF kWhite = Rgb(255, 255, 255);
constexpr COLORREF kBlack = Rgb(0, 0, 0);
constexpr COLORREF kRed = Rgb(255, 0, 0);
constexpr COLORREF kBlue = Rgb(0, 0, 255);

struct Canvas {
  Canvas(int w, int h, COLORREF background = kWhite) : width(w), height(h), pixels(std::size_t(w) * h * 4) {
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
      pixels[i] = ColorB(background);
      pixels[i + 1] = ColorG(background);
      pixels[i + 2] = ColorR(background);
      pixels[i + 3] = 255;
    }
    dc = RasterDC::Create(pixels.data(), w, h);
  }
  COLORREF At(int x, int y) {
    dc->Flush();
    const std::uint8_t* p = pixels.data() + (std::size_t(y) * width + x) * 4;
    return Rgb(p[2], p[1], p[0]);
  }
  // '#' where the pixel has `ink`, '.' elsewhere.
  std::string Grid(int x0, int y0, int x1, int y1, COLORREF ink = kBlack) {
    std::string s;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) s += At(x, y) == ink ? '#' : '.';
      s += '\n';
    }
    return s;
  }
  int Count(COLORREF ink) {
    int n = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) n += At(x, y) == ink;
    return n;
  }
  std::vector<std::uint8_t> Snapshot() {
    dc->Flush();
    return pixels;
  }

  int width, height;
  std::vector<std::uint8_t> pixels;
  std::unique_ptr<RasterDC> dc;
};

TEST(RasterTargetTest, CreateRefusesImpossibleBuffers) {
  std::uint8_t one[4];
  EXPECT_EQ(RasterDC::Create(nullptr, 4, 4), nullptr);
  EXPECT_EQ(RasterDC::Create(one, 0, 1), nullptr);
  EXPECT_EQ(RasterDC::Create(one, 1, 40000), nullptr);
  auto dc = RasterDC::Create(one, 1, 1);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->GetDeviceCaps(kCapHorzRes), 1);
  EXPECT_EQ(dc->GetDeviceCaps(kCapBitsPixel), 32);
  EXPECT_EQ(dc->GetDeviceCaps(kCapRasterCaps) & kRcPalette, 0);
}

TEST(RasterTargetTest, CosmeticLineLandsOnGdiPixelsWithoutItsLastPixel) {
  Canvas c(10, 9);
  c.dc->MoveTo(1, 1);
  c.dc->LineTo(8, 4);
  c.dc->MoveTo(0, 7);
  c.dc->LineTo(5, 7);
  EXPECT_EQ(c.Grid(0, 0, 10, 9),
            "..........\n"
            ".##.......\n"
            "...##.....\n"
            ".....##...\n"
            ".......#..\n"
            "..........\n"
            "..........\n"
            "#####.....\n"
            "..........\n");
  EXPECT_EQ(c.dc->GetCurrentPosition(), (TPoint{5, 7}));
}

TEST(RasterTargetTest, PenWidthZeroStaysOnePixelUnderScalingAndGeometricWidthScales) {
  Canvas c(90, 60);
  c.dc->SetMapMode(kMmAnisotropic);
  c.dc->SetViewportExt(4, 4);
  c.dc->MoveTo(0, 5);
  c.dc->LineTo(20, 5);  // device row 20
  TPen wide = TPen::ExtCreate(kPsGeometric | kPsEndCapFlat, 1, kBsSolid, kBlack);
  c.dc->SelectObject(wide);
  c.dc->MoveTo(0, 10);
  c.dc->LineTo(20, 10);  // device row 40, 4 pixels wide
  int thin = 0, thick = 0;
  for (int y = 0; y < 60; ++y) {
    thin += y < 30 && c.At(40, y) == kBlack;
    thick += y >= 30 && c.At(40, y) == kBlack;
  }
  EXPECT_EQ(thin, 1);
  EXPECT_EQ(c.At(40, 20), kBlack);
  EXPECT_EQ(thick, 4);
  EXPECT_EQ(c.At(40, 38), kBlack);
  EXPECT_EQ(c.At(40, 41), kBlack);
}

TEST(RasterTargetTest, RectangleExcludesRightAndBottomInCompatibleMode) {
  Canvas c(10, 8);
  c.dc->SelectObject(TBrush(kBlue));
  c.dc->Rectangle(2, 2, 8, 6);
  EXPECT_EQ(c.Grid(0, 0, 10, 8),
            "..........\n"
            "..........\n"
            "..######..\n"
            "..#....#..\n"
            "..#....#..\n"
            "..######..\n"
            "..........\n"
            "..........\n");
  EXPECT_EQ(c.Grid(0, 0, 10, 8, kBlue),
            "..........\n"
            "..........\n"
            "..........\n"
            "...####...\n"
            "...####...\n"
            "..........\n"
            "..........\n"
            "..........\n");

  Canvas n(10, 8);
  n.dc->SelectStockObject(kNullPen);
  n.dc->SelectObject(TBrush(kBlue));
  n.dc->Rectangle(2, 2, 8, 6);
  EXPECT_EQ(n.Count(kBlue), 5 * 3) << "a null pen makes the rectangle one pixel smaller each way";

  Canvas a(10, 8);
  a.dc->SetGraphicsMode(kGmAdvanced);
  a.dc->SelectStockObject(kNullPen);
  a.dc->SelectObject(TBrush(kBlue));
  a.dc->Rectangle(2, 2, 8, 6);
  EXPECT_EQ(a.Count(kBlue), 6 * 4) << "GM_ADVANCED keeps the right and bottom edge";
}

TEST(RasterTargetTest, PolygonFillsPixelCentresAndItsOutlineRunsThroughTheVertices) {
  const TPoint square[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  Canvas f(12, 12);
  f.dc->SelectStockObject(kNullPen);
  f.dc->SelectObject(TBrush(kBlue));
  f.dc->Polygon(square, 4);
  EXPECT_EQ(f.Count(kBlue), 100);
  EXPECT_EQ(f.At(9, 9), kBlue);
  EXPECT_EQ(f.At(10, 5), kWhite);

  Canvas o(12, 12);
  o.dc->SelectStockObject(kNullBrush);
  o.dc->Polygon(square, 4);
  EXPECT_EQ(o.Count(kBlack), 40) << "every vertex once, pixels 0 to 10";
  EXPECT_EQ(o.At(10, 10), kBlack);
  EXPECT_EQ(o.At(0, 0), kBlack);
}

TEST(RasterTargetTest, AlternateAndWindingFillModes) {
  std::vector<TPoint> star;
  for (int k = 0; k < 5; ++k) {
    double a = -std::numbers::pi / 2 + k * 4 * std::numbers::pi / 5;
    star.push_back({int(std::lround(30 + 25 * std::cos(a))), int(std::lround(30 + 25 * std::sin(a)))});
  }
  for (int mode : {kAlternate, kWinding}) {
    Canvas c(60, 60);
    c.dc->SelectStockObject(kNullPen);
    c.dc->SelectObject(TBrush(kBlue));
    c.dc->SetPolyFillMode(mode);
    c.dc->Polygon(star.data(), 5);
    EXPECT_EQ(c.At(30, 30), mode == kWinding ? kBlue : kWhite) << "mode " << mode;
    EXPECT_EQ(c.At(30, 10), kBlue) << "a point of the star, mode " << mode;
  }
}

TEST(RasterTargetTest, ClipRectangleIsRespected) {
  Canvas c(40, 40);
  c.dc->IntersectClipRect(10, 10, 20, 20);
  c.dc->FillSolidRect(TRect{0, 0, 40, 40}, kBlack);
  EXPECT_EQ(c.Count(kBlack), 100);
  EXPECT_EQ(c.At(10, 10), kBlack);
  EXPECT_EQ(c.At(20, 20), kWhite);
  c.dc->ExcludeClipRect(12, 12, 14, 14);
  c.dc->SetROP2(kR2Not);
  c.dc->MoveTo(0, 13);
  c.dc->LineTo(40, 13);  // inverts the clipped row, black to white, except in the hole
  EXPECT_EQ(c.Grid(8, 13, 22, 14), "....##........\n");
  EXPECT_EQ(c.At(5, 13), kWhite) << "outside the clip nothing changes";
  c.dc->SelectClipRgn(nullptr);
  c.dc->SetROP2(kR2CopyPen);
  c.dc->MoveTo(0, 30);
  c.dc->LineTo(40, 30);
  EXPECT_EQ(c.At(0, 30), kBlack);
}

TEST(RasterTargetTest, XorTwiceRestoresTheBuffer) {
  Canvas c(64, 48);
  for (std::size_t i = 0; i < c.pixels.size(); ++i) c.pixels[i] = std::uint8_t(i * 37 + i / 7);
  c.dc->MarkDirty();
  const auto before = c.Snapshot();
  auto draw = [&](TDC& dc) {
    dc.SetROP2(kR2XorPen);
    dc.SelectObject(TPen(Rgb(0x12, 0x34, 0x56), 0));
    dc.SelectObject(TBrush(Rgb(0xA0, 0x0F, 0x55)));
    const TPoint zigzag[] = {{2, 2}, {30, 9}, {5, 20}, {40, 40}, {2, 2}};
    dc.Polyline(zigzag, 5);
    const TPoint tri[] = {{35, 3}, {60, 10}, {44, 30}};
    dc.Polygon(tri, 3);
    dc.Rectangle(5, 25, 25, 45);
    dc.Ellipse(30, 20, 62, 46);
    dc.SelectObject(TPen(Rgb(0xFF, 0x00, 0xFF), 5));
    dc.MoveTo(10, 40);
    dc.LineTo(60, 5);
    dc.SelectObject(TPen(Rgb(0x0F, 0xF0, 0x0F), 0, kPsDot));
    dc.MoveTo(0, 46);
    dc.LineTo(63, 46);
    dc.PatBlt(20, 20, 10, 10, kDstInvert);
  };
  draw(*c.dc);
  EXPECT_NE(c.Snapshot(), before);
  draw(*c.dc);
  EXPECT_EQ(c.Snapshot(), before);
}

TEST(RasterTargetTest, BinaryOperationsUseTheirTruthTables) {
  Canvas c(8, 4, Rgb(0x0F, 0xF0, 0x33));
  c.dc->SelectStockObject(kNullPen);
  c.dc->SelectObject(TBrush(Rgb(0xFF, 0x00, 0x0F)));
  c.dc->SetROP2(kR2MaskPen);
  c.dc->Rectangle(0, 0, 3, 3);  // pixels 0..1
  c.dc->SetROP2(kR2Not);
  c.dc->Rectangle(2, 0, 5, 3);  // pixels 2..3
  c.dc->SetROP2(kR2Nop);
  c.dc->Rectangle(4, 0, 7, 3);
  EXPECT_EQ(c.At(0, 0), Rgb(0x0F, 0x00, 0x03));
  EXPECT_EQ(c.At(2, 0), Rgb(0xF0, 0x0F, 0xCC));
  EXPECT_EQ(c.At(4, 0), Rgb(0x0F, 0xF0, 0x33));
  EXPECT_EQ(ApplyRop2(kR2MergeNotPen, 0x00FF00, 0x0000F0), 0xFF00FFu);
  EXPECT_EQ(ApplyRop3(Rop3Table(kSrcAnd), 0, 0x0F0F0F, 0x00FFFF), 0x000F0Fu);
  EXPECT_EQ(ApplyRop3(Rop3Table(kPatInvert), 0xFF0000, 0, 0x0F0F0F), 0xF00F0Fu);
}

TEST(RasterTargetTest, StyledCosmeticPensAndTheBackgroundMode) {
  Canvas c(40, 3);
  c.dc->SelectObject(TPen(kBlack, 0, kPsDash));
  c.dc->SetBkMode(kTransparent);
  c.dc->MoveTo(0, 0);
  c.dc->LineTo(40, 0);
  EXPECT_EQ(c.Grid(0, 0, 40, 1), "##################......################\n");
  c.dc->SetBkMode(kOpaque);
  c.dc->SetBkColor(kRed);
  c.dc->MoveTo(0, 2);
  c.dc->LineTo(40, 2);
  EXPECT_EQ(c.Grid(0, 2, 40, 3, kRed), "..................######................\n");
}

TEST(RasterTargetTest, UserStyleProbeSeesDashesOfAGeometricPen) {
  // The stroke code's one-time probe: a {10, 10} user style, width 1.
  std::vector<std::uint8_t> bits(100 * 100 * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), 100, 100);
  dc->SetMapMode(kMmAnisotropic);
  dc->IntersectClipRect(0, 0, 100, 100);
  const std::uint32_t style[] = {10, 10};
  dc->SelectObject(TPen::ExtCreate(kPsGeometric | kPsUserStyle, 1, kBsSolid, kBlack, 2, style));
  dc->MoveTo(0, 0);
  dc->LineTo(100, 0);
  int white = 0, other = 0;
  for (int x = 1; x <= 19; ++x) {
    COLORREF p = dc->GetPixel(x, 0);
    ASSERT_NE(p, kClrInvalid);
    (p == kWhite ? white : other)++;
  }
  EXPECT_EQ(other, 9);
  EXPECT_EQ(white, 10);
}

TEST(RasterTargetTest, HatchesAreAlignedToTheDeviceOrigin) {
  Canvas c(24, 24);
  c.dc->SetViewportOrg(1, 1);
  c.dc->SetBkMode(kTransparent);
  c.dc->FillRect(TRect{2, 2, 18, 18}, TBrush(kHsHorizontal, kRed));  // device (3, 3)-(19, 19)
  EXPECT_EQ(c.At(3, 8), kRed);
  EXPECT_EQ(c.At(18, 16), kRed);
  EXPECT_EQ(c.At(3, 9), kWhite) << "a transparent background leaves the rest";
  EXPECT_EQ(c.At(19, 8), kWhite);
  EXPECT_EQ(c.Count(kRed), 2 * 16);
  c.dc->SetBkMode(kOpaque);
  c.dc->SetBkColor(kBlue);
  c.dc->FillRect(TRect{2, 2, 18, 18}, TBrush(kHsVertical, kRed));
  EXPECT_EQ(c.At(8, 4), kRed);
  EXPECT_EQ(c.At(9, 4), kBlue);
}

TEST(RasterTargetTest, PixelsCanBeReadAndWritten) {
  Canvas c(8, 8);
  EXPECT_EQ(c.dc->SetPixel(3, 4, kRed | 0x02000000), kRed);
  EXPECT_EQ(c.dc->GetPixel(3, 4), kRed);
  EXPECT_EQ(c.dc->GetPixel(8, 0), kClrInvalid);
  EXPECT_EQ(c.dc->GetPixel(-1, 0), kClrInvalid);
  EXPECT_EQ(c.dc->SetPixel(9, 9, kRed), kClrInvalid);
  c.dc->SetROP2(kR2XorPen);
  c.dc->SetPixel(3, 4, kRed);
  EXPECT_EQ(c.At(3, 4), kRed) << "SetPixel ignores the raster operation";
  c.dc->IntersectClipRect(0, 0, 2, 2);
  EXPECT_EQ(c.dc->GetPixel(3, 4), kClrInvalid) << "outside the clip";
}

// A 4 x 4 block of distinct colours; the alpha byte is garbage on purpose.
std::array<std::uint8_t, 64> Block() {
  std::array<std::uint8_t, 64> b{};
  for (int i = 0; i < 16; ++i) {
    b[4 * i] = std::uint8_t(16 * i);
    b[4 * i + 1] = std::uint8_t(255 - 16 * i);
    b[4 * i + 2] = std::uint8_t(i * 7);
    b[4 * i + 3] = std::uint8_t(i);
  }
  return b;
}

COLORREF BlockColor(const std::array<std::uint8_t, 64>& b, int x, int y) {
  const std::uint8_t* p = b.data() + 4 * (y * 4 + x);
  return Rgb(p[2], p[1], p[0]);
}

TEST(RasterTargetTest, BlitsCopyStretchAndMirror) {
  const auto block = Block();
  PixelView src{block.data(), 4, 4, 16};
  Canvas c(24, 16);
  ASSERT_TRUE(c.dc->BitBlt(1, 1, 4, 4, src, 0, 0, kSrcCopy));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) ASSERT_EQ(c.At(1 + x, 1 + y), BlockColor(block, x, y)) << x << "," << y;
  EXPECT_EQ(c.At(5, 1), kWhite);

  ASSERT_TRUE(c.dc->StretchBlt(8, 0, 8, 8, src, 0, 0, 4, 4, kSrcCopy));
  EXPECT_EQ(c.At(8, 0), BlockColor(block, 0, 0));
  EXPECT_EQ(c.At(9, 1), BlockColor(block, 0, 0));
  EXPECT_EQ(c.At(10, 0), BlockColor(block, 1, 0));
  EXPECT_EQ(c.At(15, 7), BlockColor(block, 3, 3));

  ASSERT_TRUE(c.dc->StretchBlt(23, 10, -4, 1, src, 0, 0, 4, 1, kSrcCopy));
  EXPECT_EQ(c.At(22, 10), BlockColor(block, 0, 0)) << "negative width mirrors";
  EXPECT_EQ(c.At(19, 10), BlockColor(block, 3, 0));

  // A source rectangle reaching beyond the block is cut to it.
  Canvas d(8, 8);
  ASSERT_TRUE(d.dc->BitBlt(0, 0, 8, 8, src, 2, 2, kSrcCopy));
  EXPECT_EQ(d.At(0, 0), BlockColor(block, 2, 2));
  EXPECT_EQ(d.At(1, 1), BlockColor(block, 3, 3));
  EXPECT_EQ(d.At(2, 2), kWhite);
  EXPECT_FALSE(d.dc->BitBlt(0, 0, 4, 4, PixelView{block.data(), 4, 4, 8}, 0, 0, kSrcCopy)) << "stride too small";
}

TEST(RasterTargetTest, BitwiseBlitsAndPatBlt) {
  const auto block = Block();
  PixelView src{block.data(), 4, 4, 16};
  Canvas c(8, 8, Rgb(0x5A, 0xA5, 0x3C));
  const auto before = c.Snapshot();
  ASSERT_TRUE(c.dc->BitBlt(2, 2, 4, 4, src, 0, 0, kSrcInvert));
  COLORREF s0 = BlockColor(block, 0, 0);
  EXPECT_EQ(c.At(2, 2), Rgb(0x5A ^ ColorR(s0), 0xA5 ^ ColorG(s0), 0x3C ^ ColorB(s0)));
  ASSERT_TRUE(c.dc->BitBlt(2, 2, 4, 4, src, 0, 0, kSrcInvert));
  EXPECT_EQ(c.Snapshot(), before);
  ASSERT_TRUE(c.dc->BitBlt(0, 0, 1, 1, src, 1, 0, kSrcAnd));
  COLORREF s = BlockColor(block, 1, 0);
  EXPECT_EQ(c.At(0, 0), Rgb(0x5A & ColorR(s), 0xA5 & ColorG(s), 0x3C & ColorB(s)));

  c.dc->SelectObject(TBrush(kRed));
  ASSERT_TRUE(c.dc->PatBlt(4, 4, 2, 2, kPatCopy));
  EXPECT_EQ(c.At(5, 5), kRed);
  EXPECT_EQ(c.At(6, 6), Rgb(0x5A, 0xA5, 0x3C));
  ASSERT_TRUE(c.dc->PatBlt(4, 4, 2, 2, kDstInvert));
  EXPECT_EQ(c.At(4, 4), Rgb(0, 255, 255));
  EXPECT_FALSE(c.dc->PatBlt(0, 0, 2, 2, kSrcCopy)) << "PatBlt has no source";
}

TEST(RasterTargetTest, AlphaBlendWithConstantAndPerPixelAlpha) {
  Canvas c(8, 2);
  const std::array<std::uint8_t, 4> red{0, 0, 255, 0};  // alpha byte ignored without AC_SRC_ALPHA
  BlendFunction half;
  half.sourceConstantAlpha = 128;
  ASSERT_TRUE(c.dc->AlphaBlend(0, 0, 4, 1, PixelView{red.data(), 1, 1, 4}, 0, 0, 1, 1, half));
  COLORREF p = c.At(2, 0);
  EXPECT_EQ(ColorR(p), 255);
  EXPECT_NEAR(ColorG(p), 127, 1);
  EXPECT_NEAR(ColorB(p), 127, 1);
  EXPECT_EQ(c.At(4, 0), kWhite);

  const std::array<std::uint8_t, 4> halfBlack{0, 0, 0, 128};  // premultiplied
  BlendFunction perPixel;
  perPixel.alphaFormat = kAcSrcAlpha;
  ASSERT_TRUE(c.dc->AlphaBlend(0, 1, 2, 1, PixelView{halfBlack.data(), 1, 1, 4}, 0, 0, 1, 1, perPixel));
  EXPECT_NEAR(ColorR(c.At(1, 1)), 127, 1);
  EXPECT_FALSE(c.dc->AlphaBlend(4, 0, -2, 1, PixelView{red.data(), 1, 1, 4}, 0, 0, 1, 1, half))
      << "AlphaBlend does not mirror";
}

TEST(RasterTargetTest, GeometryFarOutsideTheSurfaceIsCutNotWrapped) {
  Canvas c(32, 32);
  c.dc->MoveTo(-2000000000, 5);
  c.dc->LineTo(2000000000, 5);
  EXPECT_EQ(c.Grid(0, 5, 32, 6), std::string(32, '#') + "\n");
  c.dc->SelectStockObject(kNullPen);
  c.dc->SelectObject(TBrush(kBlue));
  const TPoint huge[] = {{-1000000000, -1000000000}, {1000000000, 0}, {0, 1000000000}};
  c.dc->Polygon(huge, 3);
  EXPECT_EQ(c.At(0, 0), kBlue);
  EXPECT_EQ(c.At(31, 31), kBlue) << "the whole surface lies inside the triangle";
  c.dc->SelectObject(TPen(kRed, 3));
  c.dc->SetAntialias(true);
  c.dc->MoveTo(-1500000000, 20);
  c.dc->LineTo(1500000000, 20);
  EXPECT_EQ(c.At(16, 20), kRed);
  c.dc->SetAntialias(false);
  c.dc->SetMapMode(kMmAnisotropic);
  c.dc->SetViewportExt(100000, 100000);
  c.dc->SelectObject(TPen(kBlack, 0));
  c.dc->MoveTo(-50000, 0);
  c.dc->LineTo(50000, 0);  // device ends saturate at the 32-bit range
  EXPECT_EQ(c.At(10, 0), kBlack);
}

TEST(RasterTargetTest, APenDroppedByItsCacheStillDraws) {
  Canvas c(8, 8);
  {
    TPen cached(kRed, 0);
    c.dc->SelectObject(cached);
  }
  c.dc->MoveTo(0, 3);
  c.dc->LineTo(8, 3);
  EXPECT_EQ(c.Count(kRed), 8);
}

TEST(RasterTargetTest, AntialiasedOutputBlendsEdges) {
  Canvas c(32, 32);
  c.dc->SetAntialias(true);
  c.dc->SelectObject(TPen(kBlack, 3));
  c.dc->MoveTo(2, 3);
  c.dc->LineTo(29, 26);
  int grey = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      COLORREF p = c.At(x, y);
      grey += p != kWhite && p != kBlack;
    }
  EXPECT_GT(grey, 20);
  Canvas a(32, 32);
  a.dc->SelectObject(TPen(kBlack, 3));
  a.dc->MoveTo(2, 3);
  a.dc->LineTo(29, 26);
  EXPECT_EQ(a.Count(kBlack) + a.Count(kWhite), 32 * 32) << "aliased output has no blends";
}

TEST(RasterTargetTest, FillPathAndStrokePathDrawTheRecordedFigures) {
  Canvas c(24, 24);
  c.dc->SelectObject(TBrush(kBlue));
  c.dc->BeginPath();
  c.dc->MoveTo(2, 2);
  c.dc->LineTo(12, 2);
  c.dc->LineTo(12, 12);
  c.dc->LineTo(2, 12);
  EXPECT_EQ(c.Count(kBlack), 0) << "nothing is drawn while the path is open";
  c.dc->EndPath();
  ASSERT_TRUE(c.dc->FillPath());
  EXPECT_EQ(c.Count(kBlue), 100) << "the open figure is closed for the fill";
  c.dc->BeginPath();
  c.dc->Ellipse(0, 0, 21, 21);
  c.dc->EndPath();
  ASSERT_TRUE(c.dc->StrokePath());
  EXPECT_EQ(c.At(0, 10), kBlack);
  EXPECT_EQ(c.At(10, 0), kBlack);
  EXPECT_EQ(c.At(20, 10), kBlack) << "the compatible-mode box ends at pixel 20";
  EXPECT_EQ(c.At(21, 10), kWhite);
}

}  // namespace
}  // namespace kvn
