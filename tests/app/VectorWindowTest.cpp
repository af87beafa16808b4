// The drawing window without a display: its access to the document, and its
// paint pipeline rendered into an off-screen surface as a paint would (no
// toolkit window), checked pixel by pixel and against reviewed pictures.
//
// The reviewed pictures are tests/golden/vector_window_*.png (see
// tests/support/GoldenImage.h for rewriting them).
#include "app/VectorWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/VectorWindowPaint.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/DRect.h"
#include "model/ObjectChain.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "render/RasterSurface.h"
#include "tests/support/GoldenImage.h"

namespace kvn {
namespace {

using test::Picture;

constexpr std::int32_t kWidth = 380;
constexpr std::int32_t kHeight = 200;

// Pixel values (low 24 bits, 0xRRGGBB) of the colours the paint uses.
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kYellow = 0xFFFFC0;
constexpr std::uint32_t kDarkRed = 0x800000;
constexpr std::uint32_t kMagenta = 0xFF00FF;

// ---- pictures ----------------------------------------------------------------------------------

Picture Capture(const cRasterSurface& surface, std::int32_t width, std::int32_t height) {
  surface.Flush();
  Picture p{width, height, {}};
  p.pixels.reserve(std::size_t(width) * height);
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) p.pixels.push_back(*surface.PixelAt(x, y) & 0xFFFFFF);
  return p;
}

// Per-channel difference allowed. Everything here is drawn aliased, so a
// changed colour anywhere is a real change.
constexpr int kTolerance = 2;

void ExpectMatchesGolden(const Picture& actual, const std::string& name) {
  test::ExpectMatchesGolden(actual, name, kTolerance);
}

// ---- documents ---------------------------------------------------------------------------------

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

// A landscape A4 format, 10 mm margins, printed on 3 x 2 sheets of paper:
// the printable area is 3 x 277 by 2 x 190 mm.
void SetA4ThreeByTwo(cDrawing& drawing) {
  drawing.formatSize = {297.0, 210.0};
  drawing.formatMargins = {10.0, 10.0};
  drawing.tiles = {3.0, 2.0};
}

std::unique_ptr<cDrawingDoc> MakeDocument() {
  auto doc = std::make_unique<cDrawingDoc>();
  doc->AddSheet(std::make_unique<cSheet>());
  return doc;
}

// At scale 0.1 a millimetre is 0.4 pixels: the page lies at 15..347 across
// and 15..167 down in a 380 x 200 client.
void Frame(cVectorWindow& window, double scale = 0.1) {
  window.Mapping().scale = scale;
  window.SetClientRect(TRect{0, 0, kWidth, kHeight});
}

Picture Paint(cVectorWindow& window) {
  cRasterSurface surface(false);
  EXPECT_TRUE(window.PaintInto(surface, TRect{0, 0, kWidth, kHeight}));
  return Capture(surface, kWidth, kHeight);
}

// ---- the page ---------------------------------------------------------------------------------

TEST(VectorWindowRender, A4ThreeByTwoTilesMatchesTheReviewedPicture) {
  auto doc = MakeDocument();
  cSheet& sheet = *doc->GetSheet(0);
  SetA4ThreeByTwo(sheet.Drawing());
  AddLine(sheet, {50, 50}, {780, 330}, 0x000000, 0.25);        // hairline across both rows of tiles
  AddLine(sheet, {100, 300}, {700, 100}, 0xFF0000, 5.0);       // blue, 2 pixels wide
  AddLine(sheet, {-20, 230}, {200, 230}, 0x0000FF, 0.25);      // red, from the outside area into the page
  cVectorWindow window(doc.get(), 0, 0, nullptr);
  Frame(window);
  const Picture p = Paint(window);

  // Outside, page, frame.
  EXPECT_EQ(p.At(0, 0), kYellow);
  EXPECT_EQ(p.At(14, 100), kYellow);
  EXPECT_EQ(p.At(348, 100), kYellow);
  EXPECT_EQ(p.At(100, 168), kYellow);
  EXPECT_EQ(p.At(kWidth - 1, kHeight - 1), kYellow);
  EXPECT_EQ(p.At(60, 40), kWhite);
  for (std::int32_t y = 15; y <= 167; ++y) {
    if (y != 107) {
      ASSERT_EQ(p.At(15, y), kDarkRed) << y;
    }
    ASSERT_EQ(p.At(347, y), kDarkRed) << y;
  }
  for (std::int32_t x = 15; x <= 347; ++x) {
    ASSERT_EQ(p.At(x, 15), kDarkRed) << x;
    ASSERT_EQ(p.At(x, 167), kDarkRed) << x;
  }
  // Tile lines at 277 and 554 mm (pixels 126 and 237) and 190 mm (pixel
  // 91): 3 on, 3 off, counted from the page's edge.
  for (std::int32_t y = 16; y < 30; ++y) EXPECT_EQ(p.At(126, y), (y - 15) % 6 < 3 ? kDarkRed : kWhite) << y;
  for (std::int32_t y = 16; y < 30; ++y) EXPECT_EQ(p.At(237, y), (y - 15) % 6 < 3 ? kDarkRed : kWhite) << y;
  for (std::int32_t x = 16; x < 30; ++x) EXPECT_EQ(p.At(x, 91), (x - 15) % 6 < 3 ? kDarkRed : kWhite) << x;
  // The red line starts over the outside area and crosses the frame:
  // objects come last.
  EXPECT_EQ(p.At(10, 107), 0xFF0000u);
  EXPECT_EQ(p.At(15, 107), 0xFF0000u);
  ExpectMatchesGolden(p, "vector_window_a4_3x2");
}

TEST(VectorWindowRender, DrawingWithoutFormatIsAllWhite) {
  auto doc = MakeDocument();
  cVectorWindow window(doc.get(), 0, 0, nullptr);
  Frame(window);
  const Picture p = Paint(window);
  EXPECT_EQ(std::count(p.pixels.begin(), p.pixels.end(), kWhite), std::ptrdiff_t(p.pixels.size()));
  ExpectMatchesGolden(p, "vector_window_no_format");
}

TEST(VectorWindowRender, FrameTakesTheComplementOfAnEqualBackground) {
  auto doc = MakeDocument();
  cSheet& sheet = *doc->GetSheet(0);
  SetA4ThreeByTwo(sheet.Drawing());
  AddLine(sheet, {50, 50}, {780, 330}, 0x000000, 0.25);
  cVectorWindow window(doc.get(), 0, 0, nullptr);
  Frame(window);
  PagePaintColors colors;
  colors.background = colors.frame;
  EXPECT_EQ(EffectiveFrameColor(colors), 0x00FFFF7Fu);
  EXPECT_TRUE(IsDarkBackground(colors.background));

  cRasterSurface surface(false);
  const TRect all{0, 0, kWidth, kHeight};
  ASSERT_TRUE(surface.Prepare(all));
  RenderDrawingPage(window.Mapping(), &sheet, 0, window.MappedClientRect(), all, surface.DC(), surface, colors);
  const Picture p = Capture(surface, kWidth, kHeight);
  const std::uint32_t complement = 0x7FFFFF;
  EXPECT_EQ(p.At(0, 0), kYellow);
  EXPECT_EQ(p.At(60, 40), kDarkRed);  // the page in the background colour
  EXPECT_EQ(p.At(15, 100), complement);
  EXPECT_EQ(p.At(347, 100), complement);
  EXPECT_EQ(p.At(126, 16), complement);
  // On the dark page black strokes turn white.
  EXPECT_EQ(p.At(35, 35), kWhite);
  ExpectMatchesGolden(p, "vector_window_frame_complement");
}

TEST(VectorWindowRender, ColourRulesAtTheirBoundaries) {
  PagePaintColors colors;
  EXPECT_EQ(EffectiveFrameColor(colors), 0x00000080u);
  colors.background = 0x00000080;
  EXPECT_EQ(EffectiveFrameColor(colors), 0x00FFFF7Fu);
  // min + max below 256 is dark: 0 + 255 is, 1 + 255 is not.
  EXPECT_TRUE(IsDarkBackground(0x0000FF));
  EXPECT_FALSE(IsDarkBackground(0x0101FF));
  EXPECT_FALSE(IsDarkBackground(0xFFFFFF));
  EXPECT_TRUE(IsDarkBackground(0x000000));
}

TEST(VectorWindowRender, TileLinesReachTheFarEdgeAndStayBounded) {
  // 3 x 0.7 / 0.7 is 2.9999999999999996 in doubles: the third line, on the
  // far edge, must still come.
  const double printable = (0.3 + 3 * 0.7) - 0.3;
  TileLineRange r = VisibleTileLines(0.3, printable, 0.7, -1e9, 1e9);
  EXPECT_EQ(r.first, 1.0);
  EXPECT_EQ(r.last, 3.0);
  // 2.9 tiles: two lines.
  r = VisibleTileLines(0.0, 2.9, 1.0, -1e9, 1e9);
  EXPECT_EQ(r.last, 2.0);
  // Less than one tile, zero, NaN, infinite: none.
  EXPECT_TRUE(VisibleTileLines(0.0, 0.5, 1.0, -1e9, 1e9).Empty());
  EXPECT_TRUE(VisibleTileLines(0.0, 3.0, 0.0, -1e9, 1e9).Empty());
  EXPECT_TRUE(VisibleTileLines(0.0, 3.0, std::nan(""), -1e9, 1e9).Empty());
  EXPECT_TRUE(VisibleTileLines(0.0, std::numeric_limits<double>::infinity(), 1.0, -1e9, 1e9).Empty());
  // Only those in view, however many the area holds.
  r = VisibleTileLines(0.0, 1e12, 1.0, 10.5, 20.0);
  EXPECT_EQ(r.first, 11.0);
  EXPECT_EQ(r.last, 20.0);
  EXPECT_TRUE(VisibleTileLines(0.0, 1e12, 1.0, -5.0, 0.5).Empty());
}

TEST(VectorWindowRender, TilesFinerThanAPixelFinishAndCoverThePage) {
  auto doc = MakeDocument();
  cDrawing& drawing = doc->GetSheet(0)->Drawing();
  // Tiles of 1/1000 mm, a million of them across and down: at 0.4 pixels
  // per millimetre about a billion tile lines lie in view on each axis.
  drawing.formatSize = {1e-3, 1e-3};
  drawing.tiles = {1e6, 1e6};
  cVectorWindow window(doc.get(), 0, 0, nullptr);
  Frame(window);
  const Picture p = Paint(window);
  // The lines drawn lie less than a pixel apart: on rows where the
  // vertical lines' dashes are on, every column of the page has one.
  for (std::int32_t y : {16, 100, 190}) {
    ASSERT_LT((y - 15) % 6, 3);
    for (std::int32_t x = 15; x < kWidth; ++x) EXPECT_EQ(p.At(x, y), kDarkRed) << x << "," << y;
  }
}

TEST(VectorWindowRender, PartialPaintChangesOnlyThePaintRectangle) {
  auto doc = MakeDocument();
  cSheet& sheet = *doc->GetSheet(0);
  SetA4ThreeByTwo(sheet.Drawing());
  AddLine(sheet, {50, 50}, {780, 330}, 0x000000, 0.25);
  cVectorWindow window(doc.get(), 0, 0, nullptr);
  Frame(window);
  const Picture whole = Paint(window);

  cRasterSurface surface(false);
  ASSERT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
  surface.FillRect(0, 0, kWidth, kHeight, kMagenta);
  const TRect part{100, 50, 180, 120};
  ASSERT_TRUE(window.PaintInto(surface, part));
  // The surface kept its size; only the clip moved.
  EXPECT_EQ(surface.Width(), kWidth);
  const Picture p = Capture(surface, kWidth, kHeight);
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x) {
      const bool inside = x >= part.left && x < part.right && y >= part.top && y < part.bottom;
      ASSERT_EQ(p.At(x, y), inside ? whole.At(x, y) : kMagenta) << x << "," << y;
    }
}

TEST(VectorWindowRender, EmptyPaintRectangleDrawsNothing) {
  auto doc = MakeDocument();
  cVectorWindow window(doc.get(), 0, 0, nullptr);
  Frame(window);
  cRasterSurface surface(false);
  ASSERT_TRUE(surface.Prepare(TRect{0, 0, 10, 10}));
  surface.FillRect(0, 0, 10, 10, kMagenta);
  EXPECT_FALSE(window.PaintInto(surface, TRect{}));
  EXPECT_FALSE(window.PaintInto(surface, TRect{0, 0, 0, 10}));
  EXPECT_EQ(Capture(surface, 10, 10).At(5, 5), kMagenta);
}

TEST(VectorWindowRender, OnlyTheCurrentPagesObjectsAreDrawn) {
  auto doc = MakeDocument();
  cSheet& sheet = *doc->GetSheet(0);
  sheet.Drawing().AppendPage(PageRecord{});
  sheet.Drawing().AppendPage(PageRecord{});
  // Page record i has id i + 1.
  AddLine(sheet, {100, 100}, {500, 100}, 0x000000, 1.0)->SetPage(PageIdOfIndex(0));
  AddLine(sheet, {100, 200}, {500, 200}, 0x000000, 1.0)->SetPage(PageIdOfIndex(1));
  for (std::uint16_t page : {0, 1}) {
    cVectorWindow window(doc.get(), 0, page, nullptr);
    Frame(window);
    const Picture p = Paint(window);
    // y = 100 mm is pixel 55, y = 200 mm pixel 95.
    EXPECT_EQ(p.At(100, 55), page == 0 ? 0u : kWhite) << page;
    EXPECT_EQ(p.At(100, 95), page == 1 ? 0u : kWhite) << page;
  }
}

// ---- the window -------------------------------------------------------------------------------

TEST(VectorWindow, DocumentWithoutSheetsGetsOneEmptySheet) {
  cDrawingDoc doc;
  cVectorWindow window(&doc, 3, 2, nullptr);
  EXPECT_EQ(doc.SheetCount(), 1u);
  EXPECT_EQ(window.GetCurrentSheet(), doc.GetSheet(0));
  EXPECT_EQ(window.GetCurrentSheet(), doc.GetSheet(0));
  EXPECT_EQ(doc.SheetCount(), 1u);
  EXPECT_EQ(window.GetSheetIndex(), 0);
  EXPECT_EQ(window.GetBlockIndex(), 0);
  // Painting the empty document shows an empty page area.
  Frame(window);
  const Picture p = Paint(window);
  EXPECT_EQ(p.At(200, 100), kWhite);
}

TEST(VectorWindow, IndicesOutOfRangeFallBackToZero) {
  auto doc = MakeDocument();
  doc->AddSheet(std::make_unique<cSheet>());
  cDrawing& second = doc->GetSheet(1)->Drawing();
  for (int i = 0; i < 3; ++i) second.AppendPage(PageRecord{});

  cVectorWindow onSecond(doc.get(), 1, 2, nullptr);
  EXPECT_EQ(onSecond.GetSheetIndex(), 1);
  EXPECT_EQ(onSecond.GetBlockIndex(), 2);
  EXPECT_EQ(onSecond.GetSheetData(), &second);
  // The first sheet is one entry, the second three.
  EXPECT_EQ(onSecond.GetPageNumber(), 3u);

  cVectorWindow beyond(doc.get(), 7, 9, nullptr);
  EXPECT_EQ(beyond.GetSheetIndex(), 0);
  EXPECT_EQ(beyond.GetBlockIndex(), 0);
  EXPECT_EQ(beyond.GetCurrentSheet(), doc->GetSheet(0));
  EXPECT_EQ(beyond.GetPageNumber(), 0u);

  cVectorWindow pageBeyond(doc.get(), 1, 3, nullptr);
  EXPECT_EQ(pageBeyond.GetBlockIndex(), 0);
  EXPECT_EQ(pageBeyond.GetPageNumber(), 1u);
}

TEST(VectorWindow, PrivateSheetReplacesTheDocumentsAndCountsAsZero) {
  auto doc = MakeDocument();
  doc->AddSheet(std::make_unique<cSheet>());
  for (int i = 0; i < 3; ++i) doc->GetSheet(1)->Drawing().AppendPage(PageRecord{});
  cVectorWindow window(doc.get(), 1, 2, nullptr);
  auto own = std::make_unique<cSheet>();
  cSheet* raw = own.get();
  window.SetPrivateSheet(std::move(own));
  EXPECT_EQ(window.GetCurrentSheet(), raw);
  EXPECT_EQ(window.GetSheetIndex(), 0);
  EXPECT_EQ(window.GetBlockIndex(), 0);
  EXPECT_EQ(window.GetPageNumber(), 0u);
  EXPECT_EQ(doc->SheetCount(), 2u);
}

TEST(VectorWindow, NewWindowShowsOneHundredPercentAtTheMargin) {
  auto doc = MakeDocument();
  {
    cVectorWindow window(doc.get(), 0, 0, nullptr);
    EXPECT_EQ(window.Mapping().scale, 1.0);
    EXPECT_EQ(window.Mapping().offsetX, 15);
    EXPECT_EQ(window.Mapping().offsetY, 15);
  }
  doc->GetSheet(0)->Data()->SetScale(2.0);
  EXPECT_EQ(cVectorWindow(doc.get(), 0, 0, nullptr).Mapping().scale, 0.5);
  // No scale, or a damaged one, counts as 1.
  for (double k : {0.0, -2.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
    doc->GetSheet(0)->Data()->SetScale(k);
    EXPECT_EQ(cVectorWindow(doc.get(), 0, 0, nullptr).Mapping().scale, 1.0) << k;
  }
}

TEST(VectorWindow, ChangedWorldRectangleInvalidatesTwelvePixelsMore) {
  WorldMapping m;
  m.offsetX = m.offsetY = 15;
  const TRect client{0, 0, 100, 100};
  // World 10..20 is pixels 55..95 at scale 1.
  EXPECT_EQ(InvalidRectForWorld(m, DRect{10, 10, 20, 15}, client), (TRect{43, 43, 100, 87}));
  EXPECT_EQ(InvalidRectForWorld(m, DRect{20, 15, 10, 10}, client), (TRect{43, 43, 100, 87}));
  // -5..-3 is pixels -5..3, widened to -17..15 and cut at the client.
  EXPECT_EQ(InvalidRectForWorld(m, DRect{-5, -5, -3, -3}, client), (TRect{0, 0, 15, 15}));
  EXPECT_TRUE(InvalidRectForWorld(m, DRect{-20, -20, -10, -10}, client).IsEmpty());
  // Off the client: nothing.
  EXPECT_TRUE(InvalidRectForWorld(m, DRect{100, 0, 110, 10}, client).IsEmpty());
  // Saturated corners at extreme zoom still give the client.
  m.scale = 1e12;
  EXPECT_EQ(InvalidRectForWorld(m, DRect{-1, -1, 1, 1}, client), client);
}

TEST(VectorWindow, MessagesKeepTheMappingAndSuppressTheErase) {
  auto doc = MakeDocument();
  cVectorWindow window(doc.get(), 0, 0, nullptr);
  EXPECT_EQ(window.HandleMessage(kWmEraseBkgnd, 0, 0), 1);
  window.HandleMessage(kWmSize, kSizeRestored, TParam2(200 | (120 << 16)));
  EXPECT_EQ(window.MappedClientRect(), (TRect{0, 0, 200, 120}));
  window.wheelRemainder = 70;
  window.HandleMessage(kWmSetFocus, 0, 0);
  EXPECT_EQ(window.wheelRemainder, 0);
}

}  // namespace
}  // namespace kvn
