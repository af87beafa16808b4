// The page painter on its own: the reviewed pictures of the drawing window
// drawn again without the window, pixel for pixel, and the geometry of the
// frame, the outside area and the tile lines at their edges.
#include "render/PagePainter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>

#include "document/cSheet.h"
#include "foundation/DRect.h"
#include "model/ObjectChain.h"
#include "model/WorldMapping.h"
#include "model/cLine.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "tests/support/GoldenImage.h"

namespace kvn {
namespace {

using test::Picture;

constexpr std::int32_t kWidth = 380;
constexpr std::int32_t kHeight = 200;
constexpr TRect kClient{0, 0, kWidth, kHeight};
constexpr std::uint32_t kDarkRed = 0x800000;  // 0xRRGGBB
constexpr std::uint32_t kWhite = 0xFFFFFF;

cLine* AddLine(cSheet& sheet, DPoint a, DPoint b, std::uint32_t color, double width) {
  auto* line = new cLine();
  line->start = a;
  line->end = b;
  line->stroke.color = color;
  line->stroke.width = width;
  ObjectChain chain;
  chain.Append(line);
  sheet.TopBlock().AppendChain(std::move(chain));
  return line;
}

// Landscape A4, 10 mm margins, on 3 x 2 sheets of paper: the page the
// drawing window's reviewed pictures show.
void SetA4ThreeByTwo(cDrawing& drawing) {
  drawing.formatSize = {297.0, 210.0};
  drawing.formatMargins = {10.0, 10.0};
  drawing.tiles = {3.0, 2.0};
}

// A new drawing window's mapping (15 pixels of margin) at scale 0.1: the
// page lies at 15..347 across and 15..167 down.
WorldMapping WindowMapping(double scale = 0.1) {
  WorldMapping m;
  m.offsetX = m.offsetY = 15;
  m.scale = scale;
  m.SetDeviceClip(DeviceRect{0, 0, kWidth, kHeight});
  return m;
}

// The whole page as the window composes it: page area, then the sheet on
// page 0 with the screen's options.
void PaintWholePage(cRasterSurface& surface, const WorldMapping& m, cSheet* sheet, const TRect& paint,
                    const PagePaintColors& colors = PagePaintColors{}) {
  ASSERT_TRUE(surface.Prepare(paint));
  surface.SetAntiAliasMode(1);
  cDrawInfo info(m, sheet ? sheet->Data() : nullptr, surface.DC(), &surface);
  info.darkBackground = IsDarkBackground(colors.background) ? 1 : 0;
  PaintPageArea(surface, m, sheet ? &sheet->Drawing() : nullptr, kClient, paint, colors);
  if (sheet) PaintSheetPage(*sheet, 0, info);
}

Picture Capture(const cRasterSurface& surface) {
  surface.Flush();
  Picture p{kWidth, kHeight, {}};
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x) p.pixels.push_back(*surface.PixelAt(x, y) & 0xFFFFFF);
  return p;
}

// Every pixel equal to the window's reviewed picture (read only: the
// window's test owns and rewrites it).
void ExpectSameAsWindowPicture(const Picture& actual, const std::string& name) {
  Picture expected;
  ASSERT_TRUE(test::ReadPng(test::GoldenFile(name), &expected)) << name;
  ASSERT_EQ(expected.width, actual.width);
  ASSERT_EQ(expected.height, actual.height);
  int differing = 0;
  for (std::size_t i = 0; i < actual.pixels.size(); ++i) differing += actual.pixels[i] != expected.pixels[i];
  EXPECT_EQ(differing, 0) << name;
}

TEST(PagePainter, DrawsTheDrawingWindowsReviewedPicturesPixelForPixel) {
  cSheet sheet;
  SetA4ThreeByTwo(sheet.Drawing());
  AddLine(sheet, {50, 50}, {780, 330}, 0x000000, 0.25);
  AddLine(sheet, {100, 300}, {700, 100}, 0xFF0000, 5.0);
  AddLine(sheet, {-20, 230}, {200, 230}, 0x0000FF, 0.25);
  cRasterSurface surface(false);
  PaintWholePage(surface, WindowMapping(), &sheet, kClient);
  ExpectSameAsWindowPicture(Capture(surface), "vector_window_a4_3x2");

  cSheet plain;
  PaintWholePage(surface, WindowMapping(), &plain, kClient);
  ExpectSameAsWindowPicture(Capture(surface), "vector_window_no_format");

  cSheet dark;
  SetA4ThreeByTwo(dark.Drawing());
  AddLine(dark, {50, 50}, {780, 330}, 0x000000, 0.25);
  PagePaintColors colors;
  colors.background = colors.frame;
  PaintWholePage(surface, WindowMapping(), &dark, kClient, colors);
  ExpectSameAsWindowPicture(Capture(surface), "vector_window_frame_complement");
}

TEST(PagePainter, PaintedInPiecesEqualsPaintedWhole) {
  // A scrolled window repaints strips and keeps the rest: the dashes must
  // join whatever the paint rectangle, at every zoom.
  cSheet sheet;
  SetA4ThreeByTwo(sheet.Drawing());
  sheet.Drawing().tiles = {2.5, 1.7};
  std::mt19937 random(7);
  for (double scale : {0.05, 0.1, 0.37, 2.0}) {
    WorldMapping m = WindowMapping(scale);
    m.offsetX = std::int32_t(random() % 200) - 150;
    m.offsetY = std::int32_t(random() % 100) - 60;
    cRasterSurface whole(false), pieces(false);
    PaintWholePage(whole, m, &sheet, kClient);
    // Prepared whole first, so that later pieces keep what came before.
    ASSERT_TRUE(pieces.Prepare(kClient));
    for (std::int32_t x = 0; x < kWidth;) {
      const std::int32_t w = 1 + std::int32_t(random() % 60);
      for (std::int32_t y = 0; y < kHeight;) {
        const std::int32_t h = 1 + std::int32_t(random() % 50);
        PaintWholePage(pieces, m, &sheet, TRect{x, y, std::min(x + w, kWidth), std::min(y + h, kHeight)});
        y += h;
      }
      x += w;
    }
    EXPECT_EQ(Capture(pieces).pixels, Capture(whole).pixels) << scale;
  }
}

TEST(PagePainter, FrameAndOutsideAreaAtTheirEdges) {
  cRasterSurface surface(false);
  ASSERT_TRUE(surface.Prepare(kClient));
  surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFF);
  // Far corner before the origin (margins wider than the format): the
  // rectangle is still the pixels between the two corners.
  const PagePixelBox page = PageRectangle(WindowMapping(1.0), DRect{20.0, 10.0, 10.0, 5.0});
  EXPECT_EQ(page.left, 55);
  EXPECT_EQ(page.top, 35);
  EXPECT_EQ(page.right, 95);
  EXPECT_EQ(page.bottom, 55);
  PaintOutsideArea(surface, page, kClient, 0x00C0FFFF);
  PaintPageFrame(surface, page, 0x00000080);
  const Picture p = Capture(surface);
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x) {
      const bool inside = x >= 55 && x <= 95 && y >= 35 && y <= 55;
      const bool edge = inside && (x == 55 || x == 95 || y == 35 || y == 55);
      ASSERT_EQ(p.At(x, y), edge ? kDarkRed : inside ? kWhite : 0xFFFFC0u) << x << "," << y;
    }

  // A page saturated far beyond the 32-bit range on every side covers
  // the client: no outside area, the frame out of sight.
  const PagePixelBox huge = PageRectangle(WindowMapping(1e12), DRect{-1.0, -1.0, 1.0, 1.0});
  surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFF);
  PaintOutsideArea(surface, huge, kClient, 0x00C0FFFF);
  PaintPageFrame(surface, huge, 0x00000080);
  const Picture q = Capture(surface);
  EXPECT_EQ(std::count(q.pixels.begin(), q.pixels.end(), kWhite), std::ptrdiff_t(q.pixels.size()));
}

TEST(PagePainter, TileLinesFromTheFirstTileToTheFarEdge) {
  // Exactly three tile widths: lines at one, two and three tiles, the last
  // on the right edge; drawn alone so that the frame does not hide it.
  cSheet sheet;
  cDrawing& drawing = sheet.Drawing();
  drawing.formatSize = {100.0, 100.0};
  drawing.tiles = {3.0, 1.0};
  const WorldMapping m = WindowMapping(0.25);  // one millimetre a pixel
  cRasterSurface surface(false);
  ASSERT_TRUE(surface.Prepare(kClient));
  surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFF);
  const PagePixelBox page = PageRectangle(m, drawing.GetPrintableArea());
  ASSERT_EQ(page.right, 315);
  PaintTileLines(surface, m, drawing, page, 0x00000080);
  const Picture p = Capture(surface);
  for (std::int32_t x = 0; x < kWidth; ++x) {
    const bool line = x == 115 || x == 215 || x == 315;
    // Rows 15..17 are a dash (counted from the page's top), 18..20 a gap;
    // the one horizontal line lies on the bottom edge, row 115.
    EXPECT_EQ(p.At(x, 16), line ? kDarkRed : kWhite) << x;
    EXPECT_EQ(p.At(x, 19), kWhite) << x;
  }
  EXPECT_EQ(p.At(15, 115), kDarkRed);
  EXPECT_EQ(p.At(18, 115), kWhite);
  EXPECT_EQ(p.At(15, 15), kWhite);  // the left and top edges get no tile line

  // A tile of zero height: no lines at all.
  drawing.formatSize = {100.0, 0.0};
  surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFF);
  PaintTileLines(surface, m, drawing, page, 0x00000080);
  const Picture none = Capture(surface);
  EXPECT_EQ(std::count(none.pixels.begin(), none.pixels.end(), kWhite), std::ptrdiff_t(none.pixels.size()));
}

TEST(PagePainter, SheetPageTakesTheCallersOptions) {
  cSheet sheet;
  AddLine(sheet, {10, 10}, {60, 10}, 0x000000, 1.0)->SetClassMaskBits(0x01, true);
  cRasterSurface surface(false);
  ASSERT_TRUE(surface.Prepare(kClient));
  cDrawInfo info(WindowMapping(), sheet.Data(), surface.DC(), &surface);
  EXPECT_TRUE(PaintSheetPage(sheet, 0, info));
  // A filter the line meets, and one it does not.
  const std::uint8_t lines = 0x01, others = 0x40;
  EXPECT_TRUE(PaintSheetPage(sheet, 0, info, {.filter = &lines}));
  EXPECT_FALSE(PaintSheetPage(sheet, 0, info, {.filter = &others}));
}

}  // namespace
}  // namespace kvn
