// The print preview without windows: the resolution cap, the pages counted
// and found by index, scroll ranges and fit rectangles, the bands kept in
// temporary files, and the painted page view (sheet, bands, grey margins,
// dotted lines) on a raster target.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <utility>
#include <vector>

#include "document/ProgressMonitor.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cCircle.h"
#include "platform/gdi/RasterDC.h"
#include "print/PrintOut.h"
#include "print/PrintPreview.h"
#include "tests/print/PrintFixtures.h"

namespace kvn {
namespace {

using test::TiledDrawing;

// A page view of width x height painted from the print-out; 0xRRGGBB pixels.
struct PaintedView {
  int width, height;
  std::vector<std::uint8_t> bits;
  std::uint32_t At(int x, int y) const {
    const std::size_t i = (std::size_t(y) * width + x) * 4;
    return std::uint32_t(bits[i + 2]) << 16 | std::uint32_t(bits[i + 1]) << 8 | bits[i];
  }
  int Count(std::uint32_t rgb) const {
    int n = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) n += At(x, y) == rgb;
    return n;
  }
};

PaintedView Paint(APXPrintOut& out, bool ready, int width, int height) {
  PaintedView view{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
  auto dc = RasterDC::Create(view.bits.data(), width, height);
  EXPECT_NE(dc, nullptr);
  if (dc) {
    PaintPreviewSheet(*dc, out, ready, width, height, TRect{0, 0, width, height});
    dc->Flush();
  }
  return view;
}

bool IsRed(std::uint32_t rgb) { return (rgb >> 16) > 180 && ((rgb >> 8) & 0xFF) < 90 && (rgb & 0xFF) < 90; }

TEST(PrintPreview, ResolutionCapFollowsTheLargerWindowSide) {
  MyPrinterDataStruct__ r;
  r.printableWidth = 200;
  r.printableHeight = 287;
  r.resolutionX = 600;
  r.resolutionY = 300;
  // 1000 pixels over 200 mm: 127 dots an inch.
  CapPreviewResolution(r, 1000, 800);
  EXPECT_EQ(r.resolutionX, 127);
  EXPECT_EQ(r.resolutionY, 127);
  // Already coarser than the window needs: left alone.
  r.resolutionX = r.resolutionY = 100;
  CapPreviewResolution(r, 800, 1000);
  EXPECT_EQ(r.resolutionX, 100);
  // No printable size: nothing to go by.
  r.printableWidth = 0;
  r.resolutionX = r.resolutionY = 600;
  CapPreviewResolution(r, 1000, 800);
  EXPECT_EQ(r.resolutionX, 600);
}

TEST(PrintPreview, PagesWithContentCountedAndFoundByIndex) {
  TiledDrawing t(60, 40, 1, 1, 4, 0x0000FF);
  t.Drawing().GetPage(2)->kind |= 0x01;  // page 3 does not print
  APXPrintOut out(t.Drawing(), PrintOutOptions{});
  ASSERT_EQ(out.lastPage, 4);
  PreviewPages pages;
  ASSERT_TRUE(CountPreviewPages(out, 4, nullptr, pages));
  EXPECT_EQ(pages.count, 3);
  EXPECT_EQ(pages.startIndex, 2);
  EXPECT_EQ(PreviewPageOfIndex(out, 0), 1);
  EXPECT_EQ(PreviewPageOfIndex(out, 2), 4);
  EXPECT_EQ(PreviewPageOfIndex(out, 3), 1);  // past the last: the first page
  // The current page is clamped into the range; an empty one starts at 0.
  ASSERT_TRUE(CountPreviewPages(out, 99, nullptr, pages));
  EXPECT_EQ(pages.startIndex, 2);
  ASSERT_TRUE(CountPreviewPages(out, 3, nullptr, pages));
  EXPECT_EQ(pages.startIndex, 0);

  // A cancelled monitor stops the count.
  ProgressMonitor monitor;
  monitor.Cancel();
  EXPECT_FALSE(CountPreviewPages(out, 1, &monitor, pages));
}

TEST(PrintPreview, AllEmptyPagesStillShowPageOneOfOne) {
  TiledDrawing t(60, 40, 1, 1, 2, 0x0000FF);
  for (int p = 0; p < 2; ++p) t.Drawing().GetPage(p)->kind |= 0x01;
  APXPrintOut out(t.Drawing(), PrintOutOptions{});
  PreviewPages pages;
  ASSERT_TRUE(CountPreviewPages(out, 1, nullptr, pages));
  EXPECT_EQ(pages.count, 0);
  EXPECT_EQ(std::max(pages.count, 1), 1);
  EXPECT_EQ(PreviewPageOfIndex(out, 0), 1);
}

TEST(PrintPreview, AspectScrollRangesAndFitRectangles) {
  MyPrinterDataStruct__ r;
  r.paperWidth = 210;
  r.paperHeight = 297;
  const double aspect = PreviewAspect(r);
  EXPECT_DOUBLE_EQ(aspect, 297.0 / 210);
  r.paperWidth = 0;
  EXPECT_EQ(PreviewAspect(r), 1.0);
  r.paperWidth = 210;
  r.paperHeight = 0;
  EXPECT_EQ(PreviewAspect(r), 1.0);

  // 800 x 600 window, 96 dpi: 800 x 1.414 / 16 = 70.7; 600 / 1.414 / 16 = 26.5.
  const PreviewScrollRanges ranges = ComputePreviewScrollRanges(800, 600, aspect, 96, 96);
  EXPECT_EQ(ranges.vertical, 71);
  EXPECT_EQ(ranges.horizontal, 27);
  EXPECT_EQ(ComputePreviewScrollRanges(800, 600, aspect, 0, 96).vertical, 0);

  // Fit width: 6 pixels in from the sides, 150 % of the width high.
  EXPECT_EQ(PreviewFitRect(true, 600, 400, 1.5), (TRect{6, 6, 594, 6 + 588 * 150 / 100}));
  // Fit page: as high as the area less 6 on each side, 95 / aspect percent wide.
  const TRect page = PreviewFitRect(false, 600, 400, aspect);
  EXPECT_EQ(page.top, 6);
  EXPECT_EQ(page.bottom, 394);
  EXPECT_EQ(page.right - page.left, 388 * 67 / 100);
}

TEST(PrintPreview, BandsLiveInTemporaryFilesUntilTheNextPage) {
  TiledDrawing t(190, 277, 1, 1, 2, 0x0000FF);
  APXPrintOut out(t.Drawing(), PrintOutOptions{});
  // 150 dots an inch: the page is wider than one band of 1000 pixels.
  out.Record().resolutionX = out.Record().resolutionY = 150;
  ASSERT_TRUE(RenderPreviewPage(out, 1, nullptr));
  ASSERT_FALSE(out.strips.empty());
  EXPECT_TRUE(out.pageImages.empty());
  std::vector<std::filesystem::path> files;
  bool farBand = false;
  for (const PageImageStrip& s : out.strips) {
    ASSERT_FALSE(s.FileName().IsEmpty());
    files.emplace_back(s.FileName().ToUtf8());
    EXPECT_TRUE(std::filesystem::exists(files.back()));
    // Rectangles count from the printed area's corner, a band at most 1000 a side.
    EXPECT_EQ(s.Rect().left % kPrintBandSize, 0);
    EXPECT_EQ(s.Rect().top % kPrintBandSize, 0);
    EXPECT_LE(s.Rect().Width(), kPrintBandSize);
    farBand = farBand || s.Rect().top >= kPrintBandSize;
  }
  EXPECT_TRUE(farBand) << "the square's band lies below the first row";
  ASSERT_TRUE(RenderPreviewPage(out, 2, nullptr));
  for (const auto& f : files) EXPECT_FALSE(std::filesystem::exists(f)) << f;
  std::vector<std::filesystem::path> second;
  for (const PageImageStrip& s : out.strips) second.emplace_back(s.FileName().ToUtf8());
  out.strips.clear();
  for (const auto& f : second) EXPECT_FALSE(std::filesystem::exists(f)) << f;
}

class PrintPreviewOnPrinter : public ::testing::Test, public test::PrinterTestBase {};

TEST_F(PrintPreviewOnPrinter, PaintedPageShowsBandsGreyMarginsAndDottedLines) {
  // A4 with 5 mm margins; the view is 1 pixel a millimetre.
  test::AddA4Queue(spooler);
  LoadPrinterList();
  TiledDrawing t(100, 100, 1, 1, 0, 0x0000FF);
  PrintOutOptions o;
  o.printer = GetPrinterList().At(0);
  o.printScale = 1;
  APXPrintOut out(t.Drawing(), o);
  MyPrinterDataStruct__Kvn& r = out.Record();
  CapPreviewResolution(r, 300, 300);
  ASSERT_TRUE(RenderPreviewPage(out, 1, nullptr));
  const int w = int(r.paperWidth), h = int(r.paperHeight);
  const PreviewSheetLayout layout = LayoutPreviewSheet(r, w, h);
  ASSERT_TRUE(layout.dottedLines);
  const PaintedView view = Paint(out, true, w, h);

  // The square is the middle third of the 100 mm format, at the position.
  const int cx = layout.printed.left + (layout.printed.right - layout.printed.left) / 2;
  const int cy = layout.printed.top + (layout.printed.bottom - layout.printed.top) / 2;
  EXPECT_TRUE(IsRed(view.At(cx, cy))) << std::hex << view.At(cx, cy);
  EXPECT_EQ(view.At(cx - 25, cy), 0xFFFFFFu);
  // Outside the printable area the sheet is grey.
  ASSERT_GT(layout.printable.left, 0);
  ASSERT_LT(layout.printable.bottom, h);
  EXPECT_EQ(view.At(0, h / 2 + 1), 0xF2F2F2u);
  EXPECT_EQ(view.At(w / 2 + 1, h - 1), 0xF2F2F2u);
  // The printed area's edges are dotted red lines across the whole view.
  int onLine = 0;
  for (int y = 0; y < h; ++y) onLine += IsRed(view.At(layout.printed.right, y));
  EXPECT_GT(onLine, h / 4);
  EXPECT_LT(onLine, h);

  // Not ready: the sheet without bands.
  const PaintedView empty = Paint(out, false, w, h);
  EXPECT_EQ(empty.At(cx, cy), 0xFFFFFFu);

  // A band file that has gone stops the painting without harm.
  for (const PageImageStrip& s : out.strips) std::filesystem::remove(s.FileName().ToUtf8());
  const PaintedView gone = Paint(out, true, w, h);
  EXPECT_EQ(gone.At(cx, cy), 0xFFFFFFu);
}

// A thin circle rendered for the preview and shrunk onto a view of fewer
// pixels stays whole: every 2-degree sector around its middle holds ink.
// Regression: the shrinking dropped whole rows and columns of the bands.
TEST_F(PrintPreviewOnPrinter, ThinCircleStaysWholeOnTheShrunkSheet) {
  test::AddA4Queue(spooler);
  LoadPrinterList();
  TiledDrawing t(100, 100, 1, 1, 0, 0xFFFFFF);  // white squares: only the circle shows
  auto* circle = new cCircle();
  circle->p1 = {10, 10};
  circle->p2 = {90, 90};
  circle->stroke.color = 0;
  circle->stroke.width = 0;
  ObjectChain chain;
  chain.Append(circle);
  t.sheet->TopBlock().AppendChain(std::move(chain));
  PrintOutOptions o;
  o.printer = GetPrinterList().At(0);
  o.printScale = 1;
  APXPrintOut out(t.Drawing(), o);
  MyPrinterDataStruct__Kvn& r = out.Record();
  // Rendered for a window of 500 pixels, shown on one of about 300.
  CapPreviewResolution(r, 500, 500);
  ASSERT_TRUE(RenderPreviewPage(out, 1, nullptr));
  const int w = int(r.paperWidth) * 3 / 2, h = int(r.paperHeight) * 3 / 2;
  const PaintedView view = Paint(out, true, w, h);
  double sx = 0, sy = 0;
  std::vector<std::pair<int, int>> ink;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t p = view.At(x, y);
      // Grey or black: not the white paper, the grey margins or the red lines.
      const int red = int(p >> 16), green = int((p >> 8) & 0xFF);
      if (red < 230 && std::abs(red - green) < 40) {
        ink.emplace_back(x, y);
        sx += x;
        sy += y;
      }
    }
  ASSERT_GT(ink.size(), 100u);
  const double cx = sx / double(ink.size()), cy = sy / double(ink.size());
  std::vector<int> sectors(180);
  for (const auto& [x, y] : ink) {
    const double a = std::atan2(y - cy, x - cx) * 180 / 3.14159265358979 + 180;
    ++sectors[std::min(179, int(a / 2))];
  }
  for (int i = 0; i < 180; ++i) EXPECT_GT(sectors[std::size_t(i)], 0) << "no ink at " << i * 2 - 180 << " degrees";
}

TEST(PrintPreview, SheetFillingPrintedAreaDrawsNoDottedLines) {
  TiledDrawing t(100, 100, 1, 1, 0, 0x00FF00);
  APXPrintOut out(t.Drawing(), PrintOutOptions{});
  MyPrinterDataStruct__Kvn& r = out.Record();
  r.positionX = r.positionY = 0;
  r.formatWidth = r.paperWidth;
  r.formatHeight = r.paperHeight;
  r.scale = 1;
  r.printableOffsetX = r.printableOffsetY = 0;
  r.printableWidth = r.paperWidth;
  r.printableHeight = r.paperHeight;
  const int w = int(r.paperWidth), h = int(r.paperHeight);
  EXPECT_FALSE(LayoutPreviewSheet(r, w, h).dottedLines);
  const PaintedView view = Paint(out, false, w, h);
  EXPECT_EQ(view.Count(0xFFFFFF), w * h);

  // A placed size of zero stands for the paper.
  r.formatWidth = 0;
  EXPECT_FALSE(LayoutPreviewSheet(r, w, h).dottedLines);
  r.formatWidth = r.paperWidth / 2;
  EXPECT_TRUE(LayoutPreviewSheet(r, w, h).dottedLines);
}

}  // namespace
}  // namespace kvn
