// The print-out on the recording and raster targets: printed sizes, print
// pages of tiles and drawing pages, the device mapping, and the raster
// road's bands with their colour rules.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>

#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfValidate.h"
#include "platform/print/PrintDC.h"
#include "print/PrintBands.h"
#include "print/PrintOut.h"
#include "render/DibConversion.h"
#include "render/PictureServicesImpl.h"
#include "tests/print/PrintFixtures.h"

namespace kvn {
namespace {

using test::AddA4Queue;
using test::TiledDrawing;

// What the device got of every band.
struct SentBand {
  std::string call;
  int x, y, width, height, sourceWidth, sourceHeight;
  int bits;
  std::uint32_t compression;
  std::vector<std::uint32_t> palette;
};

class BandRecorder final : public RecordingDC {
 public:
  explicit BandRecorder(const DeviceCaps& caps) : RecordingDC(caps) {}
  int StretchDIBits(int x, int y, int width, int height, int sx, int sy, int sw, int sh, const TDib& dib,
                    std::uint32_t rop) override {
    Keep("StretchDIBits", x, y, width, height, sw, sh, dib);
    return RecordingDC::StretchDIBits(x, y, width, height, sx, sy, sw, sh, dib, rop);
  }
  int SetDIBitsToDevice(int x, int y, int width, int height, int sx, int sy, const TDib& dib) override {
    Keep("SetDIBitsToDevice", x, y, width, height, width, height, dib);
    return RecordingDC::SetDIBitsToDevice(x, y, width, height, sx, sy, dib);
  }
  std::vector<SentBand> bands;

 private:
  void Keep(const char* call, int x, int y, int w, int h, int sw, int sh, const TDib& dib) {
    SentBand b{call, x, y, w, h, sw, sh, dib.BitCount(), dib.Compression(), {}};
    for (std::uint32_t i = 0; i < dib.PaletteCount(); ++i) b.palette.push_back(dib.GetPaletteEntry(i));
    bands.push_back(b);
  }
};

DeviceCaps PrinterDevice(int dpiX, int dpiY) {
  DeviceCaps caps;
  caps.technology = kDtRasPrinter;
  caps.dpiX = dpiX;
  caps.dpiY = dpiY;
  caps.widthPx = int(210 * dpiX / 25.4);
  caps.heightPx = int(297 * dpiY / 25.4);
  return caps;
}

class PrintOutTest : public ::testing::Test, public test::PrinterTestBase {
 protected:
  PrinterInfo* Printer(int dpi = 300, int dpiY = 0) {
    AddA4Queue(spooler, dpi, dpiY);
    LoadPrinterList();
    return GetPrinterList().At(0);
  }
};

TEST_F(PrintOutTest, PrintedSizeOfTilesExtentAndArea) {
  // A format: the printable size of one tile over the drawing scale, twice
  // the overlap added when tiled, times scale factor and percentage.
  TiledDrawing tiled(100, 80, 2, 1, 0);
  tiled.sheet->Data()->SetScale(2.0);
  tiled.Drawing().formatMargins = {5, 5};
  tiled.Drawing().tileOverlap = 3;
  tiled.Drawing().printScale = 50;
  PrintOutOptions o;
  o.printScale = 2;
  APXPrintOut a(tiled.Drawing(), o);
  EXPECT_DOUBLE_EQ(a.Record().formatWidth, ((100 - 10) * 2 / 2.0 + 6) * 2 * 0.5);
  EXPECT_DOUBLE_EQ(a.Record().formatHeight, ((80 - 10) * 2 / 2.0 + 6) * 2 * 0.5);

  // No format: the extent over the drawing scale; scale 0 leaves it. The
  // extent is the square's full one: 30 plus its 0.25 outline, half on
  // each side.
  TiledDrawing plain(90, 60, 1, 1, 0);
  plain.Drawing().formatSize = {0, 0};
  plain.sheet->Data()->SetScale(4.0);
  APXPrintOut b(plain.Drawing(), PrintOutOptions{});
  EXPECT_DOUBLE_EQ(b.Record().formatWidth, 30.25 / 4.0);
  EXPECT_EQ(b.pageCount, 1);
  plain.sheet->Data()->SetScale(0.0);
  plain.Drawing().InvalidateSummary(0);
  APXPrintOut c(plain.Drawing(), PrintOutOptions{});
  EXPECT_DOUBLE_EQ(c.Record().formatWidth, 30.25);

  // An area: widened by half the minimum line width plus the area margin
  // (times the scale), exactly one page.
  PrintOutOptions area;
  area.printArea = {10, 10, 50, 30};
  area.minLineWidthMm = 1;
  area.areaMargin = 2;
  plain.sheet->Data()->SetScale(1.0);
  APXPrintOut d(plain.Drawing(), area);
  EXPECT_DOUBLE_EQ(d.Record().formatWidth, 40 + 2 * 2.5);
  EXPECT_DOUBLE_EQ(d.Record().formatHeight, 20 + 2 * 2.5);
  EXPECT_EQ(d.pageCount, 1);
  EXPECT_EQ(d.lastPage, 1);
}

TEST_F(PrintOutTest, TwoByThreeTilesOfFourPagesAreTwentyFourPrintPages) {
  TiledDrawing t(60, 40, 2, 3, 4);
  APXPrintOut out(t.Drawing(), PrintOutOptions{});
  EXPECT_EQ(out.pageCount, 24);
  EXPECT_EQ(out.firstPage, 1);
  EXPECT_EQ(out.lastPage, 24);
  // Page 7 is the first tile of the second drawing page.
  const auto place = out.PlaceOfPage(7);
  EXPECT_EQ(place.drawingPage, 1);
  EXPECT_EQ(place.origin.x, 0);
  EXPECT_EQ(place.origin.y, 0);
  EXPECT_EQ(out.PlaceOfPage(12).origin.x, 60);
  EXPECT_EQ(out.PlaceOfPage(12).origin.y, 80);
  for (int p = 1; p <= 24; ++p) EXPECT_TRUE(out.HasPage(p)) << p;
  EXPECT_FALSE(out.HasPage(0));
  EXPECT_FALSE(out.HasPage(25));

  // A page excluded from printing has no print page with content; a range
  // narrower than the pages hides the others.
  t.Drawing().GetPage(2)->kind |= 0x01;
  APXPrintOut excluded(t.Drawing(), PrintOutOptions{});
  for (int p = 13; p <= 18; ++p) EXPECT_FALSE(excluded.HasPage(p)) << p;
  EXPECT_TRUE(excluded.HasPage(19));
  excluded.firstPage = 20;
  EXPECT_FALSE(excluded.HasPage(19));
}

TEST_F(PrintOutTest, ContentTestsLookAtLevelsAndExtents) {
  TiledDrawing t(60, 40, 1, 1, 0);
  EXPECT_TRUE(RectHasPrintableContent(t.Drawing(), {0, 0, 60, 40}, 0));
  EXPECT_FALSE(RectHasPrintableContent(t.Drawing(), {0, 0, 20, 13}, 0));  // touches the square's corner only
  std::uint16_t index = 0;
  LevelRecord* level = t.sheet->Data()->Levels().InsertLevel(WString(u"L"), &index, 0);
  level->printable = 0;
  t.sheet->TopBlock().FirstObject()->SetLevel(index);
  EXPECT_FALSE(RectHasPrintableContent(t.Drawing(), {0, 0, 60, 40}, 0));
  EXPECT_FALSE(IsPrintPageEmpty(t.Drawing(), 0));  // an unpaged drawing is never empty
}

// Where the bands of a page start: multiples of the band size from the
// image position at the rendering resolution.
void ExpectBandGrid(const std::vector<SentBand>& bands, double dpi, const MyPrinterDataStruct__& r, int divisor) {
  const int x0 = int(std::floor(dpi * (r.positionX - r.printableOffsetX) / 25.4 + 0.5));
  const int y0 = int(std::floor(dpi * (r.positionY - r.printableOffsetY) / 25.4 + 0.5));
  for (const SentBand& b : bands) {
    EXPECT_EQ((b.x / divisor - x0) % kPrintBandSize, 0) << b.x;
    EXPECT_EQ((b.y / divisor - y0) % kPrintBandSize, 0) << b.y;
    EXPECT_LE(b.sourceWidth, kPrintBandSize);
    EXPECT_LE(b.sourceHeight, kPrintBandSize);
  }
}

TEST_F(PrintOutTest, UnequalResolutionsMakeSquareLogicalUnits) {
  PrinterInfo* printer = Printer(600, 300);
  TiledDrawing t(120, 160, 1, 1, 0);
  PrintOutOptions o;
  o.printer = printer;
  o.printScale = 1;
  o.vectorMode = 1;
  APXPrintOut out(t.Drawing(), o);
  ASSERT_EQ(out.Record().resolutionX, 600);
  ASSERT_EQ(out.Record().resolutionY, 300);
  RecordingDC dc(PrinterDevice(600, 300));
  dc.SetMapMode(kMmAnisotropic);
  ASSERT_TRUE(out.PrintPage(&dc, 1, false, nullptr, nullptr, 0, 1, false, false, 0));
  EXPECT_EQ(dc.GetWindowExt().cx, 600);
  EXPECT_EQ(dc.GetWindowExt().cy, 600);
  EXPECT_EQ(dc.GetViewportExt().cx, 600);
  EXPECT_EQ(dc.GetViewportExt().cy, 300);
  EXPECT_NE(dc.Text().find("SelectClipRgn"), std::string::npos) << dc.Text();

  // Raster bands are rendered at the finer resolution.
  o.vectorMode = 0;
  o.noCompression = 1;
  APXPrintOut raster(t.Drawing(), o);
  BandRecorder bands(PrinterDevice(600, 300));
  bands.SetMapMode(kMmAnisotropic);
  ASSERT_TRUE(raster.PrintPage(&bands, 1, false, nullptr, nullptr, 0, 1, false, false, 0));
  ASSERT_FALSE(bands.bands.empty());
  ExpectBandGrid(bands.bands, 600, raster.Record(), 1);
  for (const SentBand& b : bands.bands) EXPECT_EQ(b.call, "StretchDIBits");
}

TEST_F(PrintOutTest, HalfResolutionRendersAtHalfAndStretchesByTwo) {
  PrinterInfo* printer = Printer(600);
  TiledDrawing t(120, 160, 1, 1, 0);
  PrintOutOptions o;
  o.printer = printer;
  o.printScale = 1;
  o.halfResolution = 1;
  o.noCompression = 1;
  APXPrintOut out(t.Drawing(), o);
  BandRecorder dc(PrinterDevice(600, 600));
  ASSERT_TRUE(out.PrintPage(&dc, 1, false, nullptr, nullptr, 0, 1, false, false, 0));
  ASSERT_FALSE(dc.bands.empty());
  for (const SentBand& b : dc.bands) {
    EXPECT_EQ(b.call, "StretchDIBits");
    EXPECT_EQ(b.width, 2 * b.sourceWidth);
    EXPECT_EQ(b.height, 2 * b.sourceHeight);
  }
  ExpectBandGrid(dc.bands, 300, out.Record(), 2);
}

// A metafile that outlines a box and flood-fills it red from a corner,
// placed over a page of several bands (whose blue square the fill runs
// round): no band of the raster road fills.
// A printer refuses flood fills, and a fill found within the band that
// holds its start would stop at that band's edges.
TEST_F(PrintOutTest, RasterBandsDrawNoFloodFill) {
  EmfBuilder b(1 << 16);
  std::uint8_t* h = b.Add(U_EMR_HEADER, 108);
  le::Put32(h + 16, 199);  // bounds (0, 0, 199, 199)
  le::Put32(h + 20, 199);
  le::Put32(h + 32, 200 * 100);
  le::Put32(h + 36, 200 * 100);
  le::Put32(h + 40, kEmfSignature);
  le::Put32(h + 44, 0x10000);
  for (int at : {72, 76, 80, 84}) le::Put32(h + at, 200);
  b.Take(U_EMRSELECTOBJECT_set(U_BLACK_PEN | 0x80000000u));
  b.Take(U_EMRSELECTOBJECT_set(U_NULL_BRUSH | 0x80000000u));
  b.Take(U_EMRRECTANGLE_set(rectl_set(point32_set(10, 10), point32_set(190, 190))));
  b.Take(U_EMRCREATEBRUSHINDIRECT_set(1, logbrush_set(U_BS_SOLID, colorref_set(255, 0, 0), 0)));
  b.Take(U_EMRSELECTOBJECT_set(1));
  b.Take(U_EMREXTFLOODFILL_set(point32_set(30, 30), colorref_set(0, 0, 0), U_FLOODFILLBORDER));
  ASSERT_TRUE(b.Finish(2));

  InstallRendererPictureServices();
  PrinterInfo* printer = Printer(300);
  TiledDrawing t(200, 200, 1, 1, 0, Rgb(0, 0, 255));
  auto* picture = new cWmf();
  picture->SetBits(std::vector<std::uint8_t>(b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count()));
  picture->frame = PictureFrame{{0, 0}, 200, 200, 0};
  ObjectChain chain;
  chain.Append(picture);
  t.sheet->TopBlock().AppendChain(std::move(chain));
  PrintOutOptions o;
  o.printer = printer;
  APXPrintOut out(t.Drawing(), o);
  ASSERT_TRUE(out.PrintPage(nullptr, 1, true, nullptr, nullptr, 0, 1, false, false, 0));
  ASSERT_EQ(out.pageImages.size(), 1u);
  ASSERT_GE(out.pageImages[0].bands.size(), 4u);
  std::size_t red = 0, black = 0;
  for (const PageImageBand& band : out.pageImages[0].bands)
    for (std::int32_t y = 0; y < band.dib.Height(); ++y)
      for (std::int32_t x = 0; x < band.dib.Width(); ++x) {
        const std::uint32_t c = band.dib.GetPixelColor(x, y);
        const unsigned r = c & 0xFF, g = (c >> 8) & 0xFF, bl = (c >> 16) & 0xFF;
        red += r > 200 && g < 80 && bl < 80;
        black += r < 80 && g < 80 && bl < 80;
      }
  EXPECT_EQ(red, 0u);
  EXPECT_GT(black, 1000u) << "the box's outline was not printed";
}

TEST(PrintBands, BlackAndWhiteAndGreyRules) {
  EXPECT_FALSE(BandWhite(254, 0, 0));    // max + min = 254: black
  EXPECT_TRUE(BandWhite(255, 0, 0));     // 255: white
  EXPECT_FALSE(BandWhite(127, 127, 0));  // 127
  EXPECT_TRUE(BandWhite(128, 127, 127));
  EXPECT_EQ(BandGrey(255, 0, 0), 128);
  EXPECT_EQ(BandGrey(255, 255, 255), 255);
  EXPECT_EQ(BandGrey(10, 20, 30), 40 / 2);

  TDib band;
  ASSERT_TRUE(band.Create(3, 1, 24));
  std::uint8_t* p = band.Bits();
  const std::uint8_t pixels[] = {0, 0, 254, 0, 0, 255, 255, 255, 255};  // B, G, R
  std::copy(std::begin(pixels), std::end(pixels), p);
  const BandScan scan = ScanBand(band, 1, true, 2, nullptr);
  EXPECT_FALSE(scan.allWhite);
  EXPECT_EQ(scan.colors, (std::vector<std::uint32_t>{0x000000, 0xFFFFFF}));
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(p[3], 255);
}

TEST(PrintBands, PalettesPadAndIndexExactly) {
  EXPECT_EQ(PadPalette({0xFFFFFF}).size(), 2u);
  EXPECT_EQ(PadPalette({1, 2, 3}).size(), 16u);
  EXPECT_EQ(PadPalette(std::vector<std::uint32_t>(17, 5)).size(), 256u);
  EXPECT_EQ(PadPalette({1, 2, 3})[15], 0u);

  TDib band;
  ASSERT_TRUE(band.Create(9, 2, 24));
  for (int x = 0; x < 9; ++x) band.SetPixel(x, 0, x % 3 == 0 ? 0x0000FF : 0xFFFFFF);
  for (int x = 0; x < 9; ++x) band.SetPixel(x, 1, 0x00FF00);
  const auto indexed = IndexBand(band, PadPalette({0xFFFFFF, 0xFF0000, 0x00FF00}));
  ASSERT_TRUE(indexed);
  EXPECT_EQ(indexed->BitCount(), 4);
  for (int x = 0; x < 9; ++x) {
    EXPECT_EQ(DibGetPixelColor(*indexed, x, 0), DibGetPixelColor(band, x, 0)) << x;
    EXPECT_EQ(DibGetPixelColor(*indexed, x, 1), DibGetPixelColor(band, x, 1)) << x;
  }
  EXPECT_FALSE(IndexBand(band, {0, 1, 2}));
}

// Colour mode 1 (grey): every band sent is indexed with a grey palette of
// 2, 16 or 256 entries; colour mode 0 sends two-entry palettes.
TEST_F(PrintOutTest, GreyAndBlackAndWhiteBandsAreIndexedWithPaddedPalettes) {
  PrinterInfo* printer = Printer(300);
  TiledDrawing t(150, 200, 1, 1, 0, 0x0000C0);  // dark red squares
  for (int mode : {1, 0}) {
    PrintOutOptions o;
    o.printer = printer;
    o.colorMode = mode;
    o.noCompression = 1;
    APXPrintOut out(t.Drawing(), o);
    BandRecorder dc(PrinterDevice(300, 300));
    ASSERT_TRUE(out.PrintPage(&dc, 1, false, nullptr, nullptr, 0, 1, false, false, 0));
    ASSERT_FALSE(dc.bands.empty());
    for (const SentBand& b : dc.bands) {
      EXPECT_EQ(b.call, "SetDIBitsToDevice");
      EXPECT_TRUE(b.palette.size() == 2 || b.palette.size() == 16 || b.palette.size() == 256) << b.palette.size();
      if (mode == 0) {
        EXPECT_EQ(b.palette.size(), 2u);
      }
      for (std::uint32_t c : b.palette) {
        EXPECT_EQ(c & 0xFF, (c >> 8) & 0xFF);
        EXPECT_EQ(c & 0xFF, (c >> 16) & 0xFF);
        if (mode == 0) {
          EXPECT_TRUE(c == 0 || c == 0xFFFFFF) << std::hex << c;
        }
      }
    }
  }
}

TEST_F(PrintOutTest, WhiteBandsAreNotSentAndCompressedBandsFallBack) {
  PrinterInfo* printer = Printer(300);
  // 150 x 200 mm at 300 dpi: 1772 x 2362 pixels, 2 x 3 bands; the square
  // covers the middle third only.
  TiledDrawing t(150, 200, 1, 1, 0);
  PrintOutOptions o;
  o.printer = printer;
  o.printScale = 1;
  o.colorMode = 0;
  APXPrintOut out(t.Drawing(), o);
  ASSERT_DOUBLE_EQ(out.Record().scale, 1.0);
  BandRecorder dc(PrinterDevice(300, 300));
  ASSERT_TRUE(out.PrintPage(&dc, 1, false, nullptr, nullptr, 0, 1, false, false, 0));
  std::set<std::pair<int, int>> sent;
  for (const SentBand& b : dc.bands) sent.insert({b.x, b.y});
  EXPECT_LT(sent.size(), 6u);
  EXPECT_GE(sent.size(), 1u);
  // One-bit bands are never run-length coded, so they go straight.
  for (const SentBand& b : dc.bands) EXPECT_EQ(b.compression, kBiRgb);

  // Grey bands with few colours go as run-length coded 16-colour pictures,
  // which the device takes at once.
  // Two colours of different greys beside white: a 16-entry palette.
  auto* green = new cRectangle();
  green->corner1 = {60, 80};
  green->corner2 = {90, 120};
  green->fill.fillColor = green->stroke.color = 0x00FF00;
  ObjectChain chain;
  chain.Append(green);
  t.sheet->TopBlock().AppendChain(std::move(chain));
  o.colorMode = 1;
  APXPrintOut grey(t.Drawing(), o);
  BandRecorder dc2(PrinterDevice(300, 300));
  ASSERT_TRUE(grey.PrintPage(&dc2, 1, false, nullptr, nullptr, 0, 1, false, false, 0));
  ASSERT_FALSE(dc2.bands.empty());
  std::set<std::pair<int, int>> once;
  for (const SentBand& b : dc2.bands) {
    EXPECT_EQ(b.compression, kBiRle4);
    EXPECT_TRUE(once.insert({b.x, b.y}).second) << "sent twice";
  }
}

TEST_F(PrintOutTest, CaptureKeepsPageImagesRelativeToThePaper) {
  PrinterInfo* printer = Printer(300);
  TiledDrawing t(60, 40, 1, 1, 0);
  PrintOutOptions o;
  o.printer = printer;
  APXPrintOut out(t.Drawing(), o);
  ASSERT_TRUE(out.PrintPage(nullptr, 1, true, nullptr, nullptr, 0, 1, false, false, 0));
  ASSERT_EQ(out.pageImages.size(), 1u);
  const PageImage& image = out.pageImages[0];
  EXPECT_EQ(image.width, std::floor(60 * out.Record().scale * 300 / 25.4 + 0.5));
  EXPECT_EQ(image.resolutionX, 300);
  ASSERT_FALSE(image.bands.empty());
  // Relative to the paper's edge: the printer's offsets are not taken off.
  const int x0 = int(std::floor(300 * out.Record().positionX / 25.4 + 0.5));
  for (const PageImageBand& b : image.bands) {
    EXPECT_EQ((b.rect.left - x0) % kPrintBandSize, 0);
    EXPECT_EQ(b.rect.right - b.rect.left, b.dib.Width());
  }
}

TEST_F(PrintOutTest, APageOfNoFiniteSizeFailsInsteadOfPrintingBlank) {
  PrinterInfo* printer = Printer(300);
  TiledDrawing t(60, 40, 1, 1, 0);
  t.Drawing().printScale = std::numeric_limits<double>::infinity();
  for (std::uint8_t vector : {0, 1}) {
    PrintOutOptions o;
    o.printer = printer;
    o.vectorMode = vector;
    APXPrintOut out(t.Drawing(), o);
    BandRecorder dc(PrinterDevice(300, 300));
    EXPECT_FALSE(out.PrintPage(&dc, 1, false, nullptr, nullptr, 0, 1, false, false, 0));
    EXPECT_TRUE(out.pageFailed);
    EXPECT_TRUE(dc.bands.empty());
  }
}

}  // namespace
}  // namespace kvn

namespace kvn {
namespace {

// Colour modes 3 and 4 quantise over two passes: the bands come out indexed
// with the colours they use, white and black among them, padded to 16.
TEST_F(PrintOutTest, SixteenAndTwoHundredFiftySixColourPrintsQuantiseInTwoPasses) {
  PrinterInfo* printer = Printer(300);
  TiledDrawing t(150, 200, 1, 1, 0, 0x0000FF);
  auto* blue = new cRectangle();
  blue->corner1 = {60, 80};
  blue->corner2 = {90, 120};
  blue->fill.fillColor = blue->stroke.color = 0xFF0000;
  ObjectChain chain;
  chain.Append(blue);
  t.sheet->TopBlock().AppendChain(std::move(chain));
  for (int mode : {3, 4}) {
    PrintOutOptions o;
    o.printer = printer;
    o.printScale = 1;
    o.colorMode = mode;
    o.noCompression = 1;
    APXPrintOut out(t.Drawing(), o);
    BandRecorder dc(PrinterDevice(300, 300));
    ASSERT_TRUE(out.PrintPage(&dc, 1, false, nullptr, nullptr, 0, 1, false, false, 0));
    ASSERT_FALSE(dc.bands.empty()) << mode;
    for (const SentBand& b : dc.bands) {
      EXPECT_EQ(b.bits, 4) << mode;
      ASSERT_EQ(b.palette.size(), 16u);
      const auto has = [&](std::uint32_t c) {
        return std::find(b.palette.begin(), b.palette.end(), c) != b.palette.end();
      };
      EXPECT_TRUE(has(0xFFFFFF));
      EXPECT_TRUE(has(0x000000));
      EXPECT_TRUE(has(0x0000FF) || has(0xFF0000)) << mode;
    }
  }
}

}  // namespace
}  // namespace kvn

namespace kvn {
namespace {

// A vector page goes to the printer's PDF as vectors; one that would keep
// more than the process may hold (the resident ceiling set below what it
// holds) goes as a picture by the raster road instead, and is counted for
// the one message the print command shows.
TEST_F(PrintOutTest, AVectorPageTooLargeToKeepPrintsAsAPicture) {
  PrinterInfo* printer = Printer(300);
  TiledDrawing t(150, 200, 1, 1, 0);
  test::ScratchDir scratch;
  for (bool tooLarge : {false, true}) {
    SCOPED_TRACE(tooLarge);
    PrintOutOptions o;
    o.printer = printer;
    o.vectorMode = 1;
    APXPrintOut out(t.Drawing(), o);
    const MyPrinterDataStruct__& r = out.Record();
    const std::string file = (scratch.Path() / (tooLarge ? "picture.pdf" : "vector.pdf")).string();
    {
      TPrintDC_ dc("TEST", *r.devmodeCopy, PrintPageSetup{r.paperWidth, r.paperHeight, r.resolutionX, r.resolutionY,
                                                          r.printableWidth, r.printableHeight, r.printableOffsetX,
                                                          r.printableOffsetY});
      ASSERT_GT(dc.StartDoc(WString(u"page"), WString::FromUtf8(file)), 0);
      ASSERT_GT(dc.StartPage(), 0);
      dc.SetMapMode(kMmAnisotropic);
      if (tooLarge) print_testing::SetResidentCeiling(1);
      const bool printed = out.PrintPage(&dc, 1, false, nullptr, nullptr, 0, 1, false, false, 0);
      print_testing::SetResidentCeiling(0);
      ASSERT_TRUE(printed);
      EXPECT_FALSE(dc.PageOverflowed());
      ASSERT_GT(dc.EndPage(), 0);
      ASSERT_GT(dc.EndDoc(), 0);
    }
    EXPECT_EQ(out.vectorPagesAsPictures, tooLarge ? 1 : 0);
    std::ifstream in(file, std::ios::binary);
    const std::string pdf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_EQ(pdf.find("/Subtype /Image") != std::string::npos, tooLarge);
    // The vector road's page has no transparency group (a PDF printer's
    // filters would make a picture of it); the raster road's keeps cairo's.
    EXPECT_EQ(pdf.find("/S /Transparency") != std::string::npos, tooLarge);
  }
}

// The vector road hands the painter the printer's mapping and marks a
// semi-transparent area it had to send to the printer.
TEST_F(PrintOutTest, VectorPagesMarkSemiTransparentAreas) {
  PrinterInfo* printer = Printer(300);
  TiledDrawing t(150, 200, 1, 1, 0, 0x00C0C0C0);
  PrintOutOptions o;
  o.printer = printer;
  o.printScale = 1;
  o.vectorMode = 1;
  {
    APXPrintOut opaque(t.Drawing(), o);
    RecordingDC dc(PrinterDevice(300, 300));
    ASSERT_TRUE(opaque.PrintPage(&dc, 1, false, nullptr, nullptr, 0, 1, false, false, 0));
    EXPECT_EQ(opaque.transparencyWarning, 0);
  }
  auto* square = static_cast<cRectangle*>(t.sheet->TopBlock().FirstObject());
  square->fill.opacity = 128;
  square->MarkDirty();
  APXPrintOut translucent(t.Drawing(), o);
  RecordingDC dc(PrinterDevice(300, 300));
  ASSERT_TRUE(translucent.PrintPage(&dc, 1, false, nullptr, nullptr, 0, 1, false, false, 0));
  EXPECT_EQ(translucent.transparencyWarning, 1);
  // Without a device nothing is drawn; with the no-device flag the painter
  // runs all the same, on no device.
  APXPrintOut none(t.Drawing(), o);
  EXPECT_TRUE(none.PrintPage(nullptr, 1, false, nullptr, nullptr, 0, 1, false, false, 0));
  EXPECT_EQ(none.transparencyWarning, 0);
}

}  // namespace
}  // namespace kvn

#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "dwg/InstallReaders.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

// A DXF drawing has no format: it prints at its extent over its scale, on
// one page that fits an A4 sheet.
TEST(PrintOutForeign, ADxfDrawingPrintsOnOneA4Page) {
  KVN_REQUIRE_TESTDATA(data);
  InstallReaders();
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  auto doc = OpenDrawingFile(WString::FromUtf8((data / "dxf/ezdxf_3_us_main.dxf").string()), request, outcome);
  ASSERT_NE(doc, nullptr);
  APXPrintOut out(doc->GetSheet(0)->Drawing(), PrintOutOptions{});
  EXPECT_EQ(out.pageCount, 1);
  EXPECT_GT(out.Record().formatWidth, 0.0);
  EXPECT_LE(out.Record().formatWidth, 297.0);
  EXPECT_LE(out.Record().formatHeight, 297.0);
}

}  // namespace
}  // namespace kvn
