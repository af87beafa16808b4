// A metafile font keeps the width its LOGFONT asks for: one 20-character
// run (no spacing array) in Arial 200 units high with lfWidth 0, 50, 75 and
// 150, a line each, placed as a picture and drawn on the screen's road, the
// print's raster road, its vector road (the PDF page rendered back) and
// through an exported metafile. Each line's ink is as wide as the face's own
// line times lfWidth over Arial's average character width as Windows has it
// (904 of 2048 em, though the stand-in Liberation Sans stores 1187), and the
// metrics a context reports for such a font (average width, run extent)
// follow the same scale, so that layout without spacing arrays matches the
// drawing.
#include <gtest/gtest.h>
#include <uemf.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "model/cWmf.h"
#include "platform/fonts/FontLayerFaces.h"
#include "platform/fonts/RealizedFont.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/MetafileDC.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TextFaces.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"
#include "platform/print/PrintDC.h"
#include "render/DrawInfo.h"
#include "render/PictureServicesImpl.h"
#include "render/RasterSurface.h"
#include "tests/support/PrivateFonts.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

// The metafile: 4000 x 1400 logical units (MM_TEXT, reference pixels of a
// 10-per-mm device), drawn at a quarter: 1000 x 350 device pixels, the em 50
// pixels high.
constexpr int kLogicalWide = 4000, kLogicalHigh = 1400;
constexpr int kWide = 1000, kHigh = 350;
constexpr int kEm = 200;
// The widest line (about 790 pixels from x 25) stays inside the page.
constexpr std::array<int, 4> kWidths = {0, 50, 75, 150};
constexpr int kLineTop = 100, kLineStep = 300;  // logical units; each cell is about 225 high
// Arial's average character width at the em, logical units: its OS/2
// xAvgCharWidth, 904 of 2048.
constexpr double kArialAverage = 904.0 / 2048 * kEm;
const std::u16string kText = u"Narrow and wide text";

void Put(std::uint8_t* p, std::uint32_t at, std::int32_t v) { le::Put32(p + at, std::uint32_t(v)); }

LogFont ArialFont(int width, const std::u16string& face = u"Arial") {
  LogFont font;
  font.height = -kEm;
  font.width = width;
  font.weight = 400;
  for (std::size_t i = 0; i < face.size(); ++i) font.faceName[i] = face[i];
  return font;
}

// One font per line, each selected before its line's run.
std::vector<std::uint8_t> FourWidthMetafile(const std::u16string& face = u"Arial") {
  EmfBuilder b(1 << 20);
  std::uint8_t* h = b.Add(U_EMR_HEADER, 108);
  Put(h, 16, kLogicalWide);  // bounds, device pixels of the reference
  Put(h, 20, kLogicalHigh);
  Put(h, 32, kLogicalWide * 10);  // frame in 0.01 mm
  Put(h, 36, kLogicalHigh * 10);
  Put(h, 40, std::int32_t(kEmfSignature));
  Put(h, 44, 0x10000);
  Put(h, 72, 1000);  // 1000 pixels on 100 mm
  Put(h, 76, 1000);
  Put(h, 80, 100);
  Put(h, 84, 100);
  Put(b.Add(U_EMR_SETTEXTCOLOR, 12), 8, 0);
  Put(b.Add(U_EMR_SETBKMODE, 12), 8, U_TRANSPARENT);
  for (std::size_t line = 0; line < kWidths.size(); ++line) {
    const std::int32_t handle = std::int32_t(line) + 1;
    const LogFont font = ArialFont(kWidths[line], face);
    std::uint8_t* f = b.Add(U_EMR_EXTCREATEFONTINDIRECTW, 104);
    Put(f, 8, handle);
    Put(f, 12, font.height);
    Put(f, 16, font.width);
    Put(f, 28, font.weight);
    for (int i = 0; i < kLfFaceSize; ++i) le::Put16(f + 40 + 2 * i, std::uint16_t(font.faceName[i]));
    Put(b.Add(U_EMR_SELECTOBJECT, 12), 8, handle);
    const std::uint32_t size = 76 + std::uint32_t(kText.size()) * 2;
    std::uint8_t* t = b.Add(U_EMR_EXTTEXTOUTW, size);
    Put(t, 24, 1);  // GM_COMPATIBLE
    Put(t, 36, 100);
    Put(t, 40, kLineTop + kLineStep * std::int32_t(line));
    Put(t, 44, std::int32_t(kText.size()));
    Put(t, 48, 76);
    Put(t, 52, 0);  // no rectangle drawn, no spacing array (offDx 0)
    for (std::size_t i = 0; i < kText.size(); ++i) le::Put16(t + 76 + 2 * i, kText[i]);
  }
  EXPECT_TRUE(b.Finish(std::uint16_t(kWidths.size() + 1)));
  return {b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count()};
}

// Dark pixels of a kWide x kHigh page, one byte each.
struct PageInk {
  std::vector<std::uint8_t> dark = std::vector<std::uint8_t>(std::size_t(kWide) * kHigh, 0);
  // The ink's width (leftmost to rightmost dark column) in the rows of the
  // line's cell and 50 logical units either side; 0 without ink.
  int LineWidth(int line) const {
    const int top = (kLineTop + kLineStep * line - 50) * kHigh / kLogicalHigh;
    const int bottom = (kLineTop + kLineStep * line + 250) * kHigh / kLogicalHigh;
    int left = kWide, right = -1;
    for (int y = std::max(top, 0); y < std::min(bottom, kHigh); ++y)
      for (int x = 0; x < kWide; ++x)
        if (dark[std::size_t(y) * kWide + std::size_t(x)]) {
          left = std::min(left, x);
          right = std::max(right, x);
        }
    return right < 0 ? 0 : right - left + 1;
  }
};

// The metafile as a picture filling the page, drawn by the sheet painter's
// object on `dc` (or the surface's own) in the output's mode.
void DrawPicture(const std::vector<std::uint8_t>& emf, OutputMode mode, TDC* dc, cRasterSurface* surface) {
  cWmf picture;
  picture.SetBits(emf);
  picture.frame = PictureFrame{{0, 0}, double(kWide), double(kHigh), 0};
  WorldMapping mapping;
  mapping.scale = 0.25;  // one world unit, one device pixel
  mapping.outputMode = mode;
  mapping.SetDeviceClip(DeviceRect{0, 0, kWide, kHigh});
  cDrawInfo info(mapping, nullptr, dc, surface);
  picture.Draw(&info);
}

// The screen's and the print's raster road: a raster surface with its
// memory context.
PageInk RasterRoad(const std::vector<std::uint8_t>& emf, OutputMode mode) {
  PageInk ink;
  cRasterSurface surface(false);
  if (!surface.Prepare(TRect{0, 0, kWide, kHigh})) return ink;
  surface.FillRect(0, 0, kWide, kHigh, 0xFFFFFFFFu);
  DrawPicture(emf, mode, surface.DC(), &surface);
  surface.Flush();
  for (int y = 0; y < kHigh; ++y)
    for (int x = 0; x < kWide; ++x)
      ink.dark[std::size_t(y) * kWide + std::size_t(x)] = (*surface.PixelAt(x, y) & 0xFF) < 128;
  return ink;
}

std::string RunCommand(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return out;
  std::array<char, 4096> buffer{};
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) out.append(buffer.data(), n);
  return out;
}

// The print's vector road: a PDF page of the picture's size at 100 dpi,
// rendered back by pdftoppm at the same resolution.
PageInk VectorRoad(const std::vector<std::uint8_t>& emf) {
  PageInk ink;
  test::ScratchDir scratch;
  const std::string file = (scratch.Path() / "widths.pdf").string();
  constexpr int kDpi = 100;
  const double mmWide = kWide * 25.4 / kDpi, mmHigh = kHigh * 25.4 / kDpi;
  {
    TPrintDC_ dc("TEST", PrinterSettings{}, PrintPageSetup{mmWide, mmHigh, kDpi, kDpi, mmWide, mmHigh, 0, 0});
    if (dc.StartDoc(WString(u"widths"), WString::FromUtf8(file)) <= 0 || dc.StartPage() <= 0) return ink;
    DrawPicture(emf, OutputMode::DirectPrinter, &dc, nullptr);
    if (dc.EndPage() <= 0 || dc.EndDoc() <= 0) return ink;
  }
  const std::string pgm = RunCommand("pdftoppm -gray -r " + std::to_string(kDpi) + " -aa no '" + file + "'");
  std::istringstream image(pgm);
  std::string magic;
  int w = 0, h = 0, max = 0;
  image >> magic >> w >> h >> max;
  image.get();
  // The page's size in points may round up to one more pixel.
  if (magic != "P5" || w < kWide || h < kHigh) return ink;
  std::string pixels(std::size_t(w) * std::size_t(h), '\0');
  image.read(pixels.data(), std::streamsize(pixels.size()));
  for (int y = 0; y < kHigh; ++y)
    for (int x = 0; x < kWide; ++x)
      ink.dark[std::size_t(y) * kWide + std::size_t(x)] = std::uint8_t(pixels[std::size_t(y) * w + x]) < 128;
  return ink;
}

// The export: the picture recorded into a metafile (whose font records
// carry the widths on), played back on a raster context.
PageInk ExportRoad(const std::vector<std::uint8_t>& emf) {
  PageInk ink;
  ByteArray bytes;
  {
    MetafileDC recorder(MetafileFrame{0, 0, kWide * 10 - 1, kHigh * 10 - 1}, TSize{1000, 1000}, TSize{100, 100});
    DrawPicture(emf, OutputMode::Metafile, &recorder, nullptr);
    if (!recorder.Close(bytes)) return ink;
  }
  const std::optional<EmfDocument> exported = EmfDocument::FromBytes(bytes.Items(), bytes.Count());
  if (!exported) return ink;
  std::vector<std::uint8_t> bits(std::size_t(kWide) * kHigh * 4, 0xFF);
  {
    auto dc = RasterDC::Create(bits.data(), kWide, kHigh);
    if (!dc || !PlayEnhMetaFile(*dc, *exported, TRect{0, 0, kWide, kHigh})) return ink;
    dc->Flush();
  }
  for (std::size_t i = 0; i < ink.dark.size(); ++i) ink.dark[i] = bits[i * 4] < 128;
  return ink;
}

class MetafileFontWidth : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::FontFilesPresent({test::kLiberationSans})) GTEST_SKIP() << "Debian fonts-liberation2 missing";
    fonts_ = std::make_unique<test::PrivateFonts>("metafile-font-width", std::vector<std::string>{test::kLiberationSans});
    previous_ = GetTextFaceSource();
    InstallFontLayerFaces();
    InstallRendererPictureServices();
  }
  void TearDown() override {
    SetTextFaceSource(previous_);
    fonts_.reset();
  }
  std::unique_ptr<test::PrivateFonts> fonts_;
  TextFaceSource* previous_ = nullptr;
};

TEST_F(MetafileFontWidth, EveryRoadDrawsTheLinesAtTheirAskedAverageWidth) {
  if (RunCommand("command -v pdftoppm").empty()) GTEST_SKIP() << "pdftoppm (poppler-utils) missing";
  const std::vector<std::uint8_t> emf = FourWidthMetafile();
  const struct {
    const char* name;
    std::function<PageInk()> draw;
  } roads[] = {
      {"screen", [&] { return RasterRoad(emf, OutputMode::Screen); }},
      {"print, raster road", [&] { return RasterRoad(emf, OutputMode::Raster); }},
      {"print, vector road", [&] { return VectorRoad(emf); }},
      {"export as metafile", [&] { return ExportRoad(emf); }},
  };
  for (const auto& road : roads) {
    SCOPED_TRACE(road.name);
    const PageInk ink = road.draw();
    const int own = ink.LineWidth(0);
    // 20 characters of the face's own widths: about 20 average widths.
    ASSERT_GT(own, 20 * kArialAverage / 4 / 2);
    ASSERT_LT(own, 20 * kArialAverage / 4 * 2);
    for (std::size_t line = 1; line < kWidths.size(); ++line) {
      SCOPED_TRACE("lfWidth " + std::to_string(kWidths[line]));
      // The face stretched along the baseline stretches the run's ink by
      // the same factor. The tolerance of 2% covers where the ends of both
      // lines fall on the pixel grid (a pixel each, 4 of the narrowest
      // line's 260 pixels at worst) and the aliased and anti-aliased
      // rasterisers' differing choice of edge pixels; a face drawn at its
      // own width misses by 15% to 43%, one stretched by the stand-in's
      // stored average (1187 of 2048) by 24%.
      const double expected = own * kWidths[line] / kArialAverage;
      EXPECT_NEAR(ink.LineWidth(int(line)), expected, expected * 0.02);
    }
    EXPECT_LT(ink.LineWidth(1), ink.LineWidth(2));
    EXPECT_LT(ink.LineWidth(2), own);
    EXPECT_GT(ink.LineWidth(3), own);
  }
}

// One run of "Turned" in Arial turned a quarter (escapement and orientation
// 900), at lfWidth `width`, reading upwards from near the page's bottom.
std::vector<std::uint8_t> TurnedMetafile(int width) {
  EmfBuilder b(1 << 16);
  std::uint8_t* h = b.Add(U_EMR_HEADER, 108);
  Put(h, 16, kLogicalWide);
  Put(h, 20, kLogicalHigh);
  Put(h, 32, kLogicalWide * 10);
  Put(h, 36, kLogicalHigh * 10);
  Put(h, 40, std::int32_t(kEmfSignature));
  Put(h, 44, 0x10000);
  Put(h, 72, 1000);
  Put(h, 76, 1000);
  Put(h, 80, 100);
  Put(h, 84, 100);
  Put(b.Add(U_EMR_SETTEXTCOLOR, 12), 8, 0);
  Put(b.Add(U_EMR_SETBKMODE, 12), 8, U_TRANSPARENT);
  const LogFont font = ArialFont(width);
  std::uint8_t* f = b.Add(U_EMR_EXTCREATEFONTINDIRECTW, 104);
  Put(f, 8, 1);
  Put(f, 12, font.height);
  Put(f, 16, font.width);
  Put(f, 20, 900);  // escapement
  Put(f, 24, 900);  // orientation
  Put(f, 28, font.weight);
  for (int i = 0; i < kLfFaceSize; ++i) le::Put16(f + 40 + 2 * i, std::uint16_t(font.faceName[i]));
  Put(b.Add(U_EMR_SELECTOBJECT, 12), 8, 1);
  const std::u16string text = u"Turned";
  std::uint8_t* t = b.Add(U_EMR_EXTTEXTOUTW, 76 + std::uint32_t(text.size()) * 2);
  Put(t, 24, 1);
  Put(t, 36, 1000);
  Put(t, 40, 1300);
  Put(t, 44, std::int32_t(text.size()));
  Put(t, 48, 76);
  for (std::size_t i = 0; i < text.size(); ++i) le::Put16(t + 76 + 2 * i, text[i]);
  EXPECT_TRUE(b.Finish(2));
  return {b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count()};
}

// The ink's box on the page: columns and rows from the first to the last
// dark one.
TSize InkBox(const PageInk& ink) {
  int left = kWide, right = -1, top = kHigh, bottom = -1;
  for (int y = 0; y < kHigh; ++y)
    for (int x = 0; x < kWide; ++x)
      if (ink.dark[std::size_t(y) * kWide + std::size_t(x)]) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  return right < 0 ? TSize{0, 0} : TSize{right - left + 1, bottom - top + 1};
}

// A family no installed face carries (Helvetica here, where the only face
// is Liberation Sans; Times, Helvetica on a desktop, where fontconfig fills
// them) is drawn by a stand-in: its width is measured by the face's
// letters as Arial's is, not by the average the stand-in stores (1187 of
// 2048, which draws the lines about a quarter too narrow).
TEST_F(MetafileFontWidth, AFamilyFilledByAStandInKeepsItsAskedWidth) {
  const PageInk arial = RasterRoad(FourWidthMetafile(), OutputMode::Screen);
  const PageInk standIn = RasterRoad(FourWidthMetafile(u"Helvetica"), OutputMode::Screen);
  ASSERT_GT(standIn.LineWidth(0), 0);
  for (std::size_t line = 1; line < kWidths.size(); ++line) {
    SCOPED_TRACE("lfWidth " + std::to_string(kWidths[line]));
    EXPECT_NEAR(standIn.LineWidth(int(line)), arial.LineWidth(int(line)), arial.LineWidth(int(line)) * 0.02);
  }
}

// Turned a quarter, the width stretches the run along its baseline (up the
// page) and leaves the glyphs' height (across the page) alone; stretching
// glyph space across the baseline instead draws the letters 1.7 times as
// tall and the run at its own length.
TEST_F(MetafileFontWidth, TurnedTextIsStretchedAlongItsBaseline) {
  for (const OutputMode mode : {OutputMode::Screen, OutputMode::Raster}) {
    SCOPED_TRACE(mode == OutputMode::Screen ? "screen" : "print, raster road");
    const TSize own = InkBox(RasterRoad(TurnedMetafile(0), mode));
    const TSize wide = InkBox(RasterRoad(TurnedMetafile(150), mode));
    ASSERT_GT(own.cy, own.cx);  // reads upwards
    const double expected = own.cy * 150 / kArialAverage;
    EXPECT_NEAR(wide.cy, expected, expected * 0.03) << "the run's length up the page";
    EXPECT_NEAR(wide.cx, own.cx, 2) << "the glyphs' height across the page";
  }
}

TEST_F(MetafileFontWidth, MetricsFollowTheAskedWidth) {
  std::vector<std::uint8_t> bits(16 * 16 * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), 16, 16);
  ASSERT_TRUE(dc);
  dc->SelectObject(TFont(ArialFont(0)));
  TSize own;
  ASSERT_TRUE(dc->GetTextExtent(kText.data(), int(kText.size()), &own));
  TDC::TextMetrics ownMetrics;
  ASSERT_TRUE(dc->GetTextMetrics(&ownMetrics));
  EXPECT_NEAR(ownMetrics.aveCharWidth, kArialAverage, 0.5);
  for (const int width : kWidths) {
    if (width == 0) continue;
    SCOPED_TRACE("lfWidth " + std::to_string(width));
    dc->SelectObject(TFont(ArialFont(width)));
    TDC::TextMetrics metrics;
    ASSERT_TRUE(dc->GetTextMetrics(&metrics));
    EXPECT_EQ(metrics.aveCharWidth, width);
    // The height stays the em's.
    EXPECT_EQ(metrics.height, ownMetrics.height);
    TSize extent;
    ASSERT_TRUE(dc->GetTextExtent(kText.data(), int(kText.size()), &extent));
    // Advances unrounded until the run's sum: within one unit.
    EXPECT_NEAR(extent.cx, own.cx * width / kArialAverage, 1.0);
    // A character's advance is the realised font's (rounded alike).
    int w = 0;
    ASSERT_TRUE(dc->GetCharWidth(u'w', u'w', &w));
    std::unique_ptr<RealizedFont> realised = RealizedFont::Create(ArialFont(width));
    ASSERT_NE(realised, nullptr);
    std::int32_t realisedW = 0;
    ASSERT_TRUE(realised->GetCharWidth(u'w', realisedW));
    EXPECT_NEAR(w, realisedW, 1);
  }
}

}  // namespace
}  // namespace kvn
