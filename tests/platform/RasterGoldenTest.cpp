// The raster target against a reviewed picture: lines, polylines and filled
// polygons with several pens and brushes, aliased and anti-aliased.
// The reviewed picture is tests/golden/raster_primitives.png (see
// tests/support/GoldenImage.h for rewriting it).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "platform/gdi/RasterDC.h"
#include "tests/support/GoldenImage.h"

namespace kvn {
namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 160;
// Per-channel difference allowed: anti-aliased edges may move by a few
// levels between cairo builds; aliased pixels must not change colour.
constexpr int kTolerance = 8;

std::vector<TPoint> Star(int cx, int cy, int r) {
  std::vector<TPoint> pts;
  for (int k = 0; k < 5; ++k) {
    double a = -std::numbers::pi / 2 + k * 4 * std::numbers::pi / 5;
    pts.push_back({cx + int(std::lround(r * std::cos(a))), cy + int(std::lround(r * std::sin(a)))});
  }
  return pts;
}

void DrawScene(RasterDC& dc) {
  dc.FillSolidRect(TRect{0, 0, kWidth, kHeight}, Rgb(255, 255, 255));

  // A fan of cosmetic lines.
  for (int k = 0; k < 12; ++k) {
    double a = k * std::numbers::pi / 22;
    dc.SelectObject(TPen(Rgb(std::uint8_t(20 * k), 0, std::uint8_t(240 - 20 * k)), 0));
    dc.MoveTo(4, 4);
    dc.LineTo(4 + int(std::lround(50 * std::cos(a))), 4 + int(std::lround(50 * std::sin(a))));
  }

  // Styled cosmetic pens, transparent and opaque gaps.
  dc.SetBkMode(kTransparent);
  const std::uint32_t styles[] = {kPsDash, kPsDot, kPsDashDot, kPsDashDotDot};
  for (int k = 0; k < 4; ++k) {
    dc.SelectObject(TPen(Rgb(0, 0, 0), 0, styles[k]));
    dc.MoveTo(60, 6 + 5 * k);
    dc.LineTo(130, 6 + 5 * k);
  }
  dc.SetBkMode(kOpaque);
  dc.SetBkColor(Rgb(255, 200, 0));
  dc.SelectObject(TPen(Rgb(0, 0, 160), 0, kPsDash));
  dc.MoveTo(60, 28);
  dc.LineTo(130, 28);

  // Geometric pens: caps and joins on polylines.
  dc.SelectObject(TPen(Rgb(200, 0, 0), 6));
  const TPoint round[] = {{140, 8}, {170, 30}, {200, 8}, {230, 30}};
  dc.Polyline(round, 4);
  dc.SelectObject(TPen::ExtCreate(kPsGeometric | kPsEndCapFlat | kPsJoinBevel, 8, kBsSolid, Rgb(0, 140, 0)));
  const TPoint bevel[] = {{140, 44}, {170, 64}, {200, 44}, {230, 64}};
  dc.Polyline(bevel, 4);
  dc.SelectObject(TPen::ExtCreate(kPsGeometric | kPsEndCapSquare | kPsJoinMiter, 4, kBsSolid, Rgb(90, 0, 140)));
  const TPoint miter[] = {{145, 78}, {185, 72}, {225, 86}};
  dc.Polyline(miter, 3);
  const std::uint32_t userStyle[] = {6, 3, 1, 3};
  dc.SelectObject(TPen::ExtCreate(kPsGeometric | kPsUserStyle | kPsEndCapFlat, 3, kBsSolid, Rgb(0, 0, 0), 4,
                                  userStyle));
  dc.MoveTo(60, 38);
  dc.LineTo(130, 52);

  // Filled polygons: fill modes, hatches (transparent and opaque), a pattern.
  dc.SelectObject(TPen(Rgb(0, 0, 0), 0));
  dc.SelectObject(TBrush(Rgb(70, 130, 230)));
  auto star = Star(30, 90, 26);
  dc.SetPolyFillMode(kAlternate);
  dc.Polygon(star.data(), 5);
  star = Star(90, 90, 26);
  dc.SetPolyFillMode(kWinding);
  dc.Polygon(star.data(), 5);

  dc.SetBkMode(kTransparent);
  dc.SelectObject(TBrush(kHsDiagCross, Rgb(200, 0, 100)));
  const TPoint tri[] = {{4, 154}, {40, 122}, {76, 154}};
  dc.Polygon(tri, 3);
  dc.SetBkMode(kOpaque);
  dc.SetBkColor(Rgb(220, 255, 220));
  dc.SelectObject(TBrush(kHsCross, Rgb(0, 110, 0)));
  dc.Rectangle(84, 122, 124, 156);

  std::uint8_t checker[4 * 4 * 4];
  for (int i = 0; i < 16; ++i) {
    bool dark = ((i % 4) < 2) != ((i / 4) < 2);
    checker[4 * i] = dark ? 60 : 230;
    checker[4 * i + 1] = dark ? 60 : 230;
    checker[4 * i + 2] = dark ? 60 : 230;
    checker[4 * i + 3] = 255;
  }
  dc.SelectObject(TBrush::Pattern(PixelView{checker, 4, 4, 16}));
  dc.SelectObject(TPen(Rgb(120, 60, 0), 2));
  dc.Ellipse(130, 96, 180, 136);

  // Anisotropic mapping: a geometric pen's nib follows the mapping.
  dc.SaveDC();
  dc.SetMapMode(kMmAnisotropic);
  dc.SetWindowExt(10, 10);
  dc.SetViewportExt(30, 15);
  dc.SetViewportOrg(130, 140);
  dc.SelectObject(TPen(Rgb(0, 120, 120), 1));
  dc.SelectStockObject(kNullBrush);
  dc.Rectangle(0, 0, 10, 10);
  dc.RestoreDC(-1);

  // Anti-aliased: a thick polyline and a filled ellipse.
  dc.SetAntialias(true);
  dc.SelectObject(TPen(Rgb(0, 0, 0), 3));
  const TPoint aa[] = {{190, 100}, {205, 150}, {220, 104}, {236, 150}};
  dc.Polyline(aa, 4);
  dc.SelectStockObject(kNullPen);
  dc.SelectObject(TBrush(Rgb(250, 120, 0)));
  dc.Ellipse(186, 90, 216, 112);
  dc.SetAntialias(false);
}

TEST(RasterGoldenTest, PrimitivesMatchTheReviewedPicture) {
  std::vector<std::uint8_t> pixels(std::size_t(kWidth) * kHeight * 4, 0);
  auto dc = RasterDC::Create(pixels.data(), kWidth, kHeight);
  ASSERT_NE(dc, nullptr);
  DrawScene(*dc);
  dc->Flush();

  test::ExpectMatchesGolden(test::PictureFromBgra(pixels.data(), kWidth, kHeight), "raster_primitives", kTolerance);
}

}  // namespace
}  // namespace kvn
