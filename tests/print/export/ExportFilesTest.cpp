// Exported files read back: BMPs by our own reader and by ImageMagick's
// identify (size, depth, compression), metafiles by our checks and by
// playback compared with the page's BMP; the sample drawing and a paged,
// tiled fixture; and what bad targets and unset scales do.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TDib.h"
#include "platform/metafile/EmfPlayer.h"
#include "platform/metafile/EmfValidate.h"
#include "print/export/ExportDrawing.h"
#include "print/export/ExportNames.h"
#include "print/export/ExportSettings.h"
#include "print/export/RenderSheetToDib.h"
#include "print/export/WriteSheetAsEmf.h"
#include "platform/fonts/FontLayerFaces.h"
#include "render/DibConversion.h"
#include "render/GeometryServicesImpl.h"
#include "text/PatternGlyphs.h"
#include "text/ShxParsedFont.h"
#include "text/TrueTypeLine.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// What the application installs at start-up and the export draws through:
// pictures, glyphs and fonts.
class Services : public ::testing::Environment {
 public:
  void SetUp() override {
    InstallRendererGeometryServices();
    InstallFontLayerFaces();
    InstallPatternGlyphSource();
    InstallShxFonts();
    InstallTrueTypeLineDrawer();
  }
};
const auto* const kServices = ::testing::AddGlobalTestEnvironment(new Services);

fs::path SamplePath() { return fs::path(__FILE__).parent_path().parent_path().parent_path().parent_path() / "samples" / "sample.kvn"; }

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

WString W(const fs::path& path) { return WString::FromUtf8(path.string()); }

class Boxes : public MessageBoxBackend {
 public:
  Boxes() { previous_ = SetMessageBoxBackend(this); }
  ~Boxes() override { SetMessageBoxBackend(previous_); }
  int Show(const cMsgDlg*, const WString& text, const WString& caption, std::uint32_t style) override {
    texts.push_back(text.ToUtf8());
    captions.push_back(caption.ToUtf8());
    styles.push_back(style);
    return answer;
  }
  std::vector<std::string> texts, captions;
  std::vector<std::uint32_t> styles;
  int answer = kIdOk;

 private:
  MessageBoxBackend* previous_;
};

std::unique_ptr<cDrawingDoc> Open(const fs::path& path) {
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  return OpenDrawingFile(W(path), request, outcome);
}

std::unique_ptr<cDrawingDoc> OpenFixture(const test::FixtureDocument& plan, const test::ScratchDir& dir) {
  const fs::path path = dir / "fixture.kvn";
  if (!test::SaveBytes(path.string(), test::WriteNativeFile(plan))) return nullptr;
  return Open(path);
}

test::FixtureLine Line(DPoint a, DPoint b, std::uint16_t page, std::uint32_t color, double width = 0.25) {
  test::FixtureLine l;
  l.start = a;
  l.end = b;
  l.page = page;
  l.color = color;
  l.width = width;
  return l;
}

// One sheet of 12 pages ("P1" ... "P12") tiled 2 x 2 (tiles of 130 x 90
// from (0, 0)), a line of its own colour on each page and a cross on every
// page.
test::FixtureDocument PagedTiled() {
  test::FixtureDocument plan;
  test::FixtureSheet sheet;
  sheet.name = u"Plan";
  sheet.formatSize = {150, 110};
  sheet.formatMargins = {10, 10};
  sheet.tiles = {2, 2};
  for (int i = 0; i < 12; ++i) {
    test::FixturePage page;
    page.name = u"P" + std::u16string(i >= 9 ? u"1" : u"") + char16_t(u'0' + (i + 1) % 10);
    page.color = 0x80000000;
    sheet.pages.push_back(page);
    sheet.lines.push_back(Line({10.0 + i, 10}, {240.0 - i, 170}, std::uint16_t(i), 0x0000FF * (i % 2) + 0x8000));
  }
  sheet.lines.push_back(Line({0, 0}, {260, 180}, 4095, 0));
  sheet.lines.push_back(Line({0, 180}, {260, 0}, 4095, 0));
  plan.sheets.push_back(sheet);
  return plan;
}

// identify's "width height depth compression".
std::string Identify(const fs::path& path) {
  const std::string command = "/usr/bin/identify -format '%w %h %z %C' '" + path.string() + "' 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return "";
  char buffer[256] = {};
  std::string out;
  while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  ::pclose(pipe);
  return out;
}

bool HaveIdentify() { return fs::exists("/usr/bin/identify"); }

TDib ReadBmp(const fs::path& path) {
  InFileStream in(W(path));
  return TDib::FromBmpStream(in);
}

struct Export {
  ExportShell shell;
  ExportOptions options;
  bool Run(cDrawingDoc& doc, const fs::path& path, const DRect& view = DRect{}) {
    return ExportDrawing(doc, view, W(path), options, shell);
  }
};

DRect PageExtent(cDrawingDoc& doc, std::uint32_t entry) {
  std::uint32_t page = 0;
  cDrawing* drawing = doc.EntryToDrawing(entry, &page, nullptr);
  DRect r;
  const std::uint16_t page16 = std::uint16_t(page);
  ExtentFilter filter;
  filter.drawingPages = int(drawing->PageCount());
  filter.page = &page16;
  drawing->TopBlock()->GetFilteredExtent(filter, drawing->Data(), r);
  return r;
}

// ---- BMP -------------------------------------------------------------------

TEST(ExportBmp, SizesFollowTheResolutionAndCarryTwoPixelMargins) {
  test::ScratchDir dir;
  auto doc = Open(SamplePath());
  ASSERT_NE(doc, nullptr);
  const double scale = doc->GetSheet(0)->Data()->Scale();
  ASSERT_GT(scale, 0.0);
  const DRect extent = PageExtent(*doc, 0);
  for (double dpi : {300.0, 600.0}) {
    Export e;
    e.options.exportType = kExportTypeBmp;
    e.options.pageEntry = 0;
    e.options.resolution = dpi;
    const fs::path out = dir / ("page-" + std::to_string(int(dpi)) + ".bmp");
    ASSERT_TRUE(e.Run(*doc, out));
    const double p = dpi / 25.4 / scale;
    const int w = int(std::floor(extent.Width() * p + 4 + 0.5)), h = int(std::floor(extent.Height() * p + 4 + 0.5));
    const TDib dib = ReadBmp(out);
    ASSERT_FALSE(dib.IsEmpty());
    EXPECT_EQ(dib.Width(), w) << dpi;
    EXPECT_EQ(dib.Height(), h) << dpi;
    EXPECT_EQ(dib.Layout().header.xPelsPerMeter, PelsPerMeterOfResolution(dpi));
    if (HaveIdentify()) {
      const std::string id = Identify(out);
      EXPECT_EQ(id.substr(0, id.find(' ', id.find(' ') + 1)), std::to_string(w) + " " + std::to_string(h)) << id;
    }
  }
}

// A page of two colours, then one of several: colour mode by colour mode.
TEST(ExportBmp, DepthFollowsTheColourModeAndTheColoursUsed) {
  test::ScratchDir dir;
  test::FixtureDocument plan;
  test::FixtureSheet sheet;
  sheet.name = u"Colours";
  sheet.pages = {{u"Two", 0, 0x80000000}, {u"Several", 0, 0x80000000}};
  sheet.lines.push_back(Line({0, 0}, {100, 0}, 0, 0x000000, 1.0));
  sheet.lines.push_back(Line({0, 0}, {0, 60}, 0, 0x000000, 1.0));
  sheet.lines.push_back(Line({0, 0}, {100, 60}, 0, 0x000000, 1.0));
  for (int i = 0; i < 6; ++i) sheet.lines.push_back(Line({0, 10.0 * i}, {100, 10.0 * i}, 1, 0x202020u * (i + 1) + 0x0000C0u * (i % 2), 1.0));
  sheet.lines.push_back(Line({0, 0}, {100, 60}, 1, 0x0000FF, 1.0));
  // Slopes of every kind, for the grey steps of smoothed edges.
  for (int i = 1; i < 12; ++i) sheet.lines.push_back(Line({0, 0}, {100, 5.0 * i}, 1, 0x000000, 0.4));
  plan.sheets.push_back(sheet);
  auto doc = OpenFixture(plan, dir);
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(doc->GetPageEntryCount(), 2u);

  auto depth = [&](std::uint32_t entry, int colorMode, bool smoothing, std::uint32_t* compression = nullptr) {
    Export e;
    e.options.exportType = kExportTypeBmp;
    e.options.pageEntry = entry;
    e.options.resolution = 150;
    e.options.colorMode = colorMode;
    e.options.smoothing = smoothing;
    const fs::path out = dir / "depth.bmp";
    EXPECT_TRUE(e.Run(*doc, out));
    const TDib dib = ReadBmp(out);
    if (compression) *compression = dib.Compression();
    if (HaveIdentify()) {
      const std::string id = Identify(out);
      EXPECT_NE(id.find(" " + std::to_string(dib.BitCount() == 24 ? 8 : dib.BitCount()) + " "), std::string::npos)
          << id;
    }
    return int(dib.BitCount());
  };
  // Black and white: 1 bit, by lightness even for coloured lines; smoothed,
  // 8-bit grey.
  EXPECT_EQ(depth(1, 0, false), 1);
  // Grey: few greys make a smaller palette.
  EXPECT_LE(depth(1, 1, false), 8);
  // In colour: the used colours make the palette.
  EXPECT_EQ(depth(0, 2, false), 1);
  std::uint32_t compression = 0;
  EXPECT_EQ(depth(1, 2, false, &compression), 4);
  // A page of mostly white rows compresses; RLE is kept only when smaller.
  EXPECT_EQ(compression, kBiRle4);
}

// Smoothing works on the edges of fills: the sample's page of fills.
TEST(ExportBmp, SmoothedBlackAndWhiteIsEightBitGrey) {
  test::ScratchDir dir;
  auto doc = Open(SamplePath());
  ASSERT_NE(doc, nullptr);
  for (bool smoothing : {false, true}) {
    Export e;
    e.options.exportType = kExportTypeBmp;
    e.options.pageEntry = 4;
    e.options.resolution = 150;
    e.options.colorMode = 0;
    e.options.smoothing = smoothing;
    ASSERT_TRUE(e.Run(*doc, dir / "fills.bmp"));
    const TDib dib = ReadBmp(dir / "fills.bmp");
    EXPECT_EQ(dib.BitCount(), smoothing ? 8 : 1);
    if (smoothing) {
      // A grey ramp, not the colours the greys came from.
      auto plain = ConvertDibBitCount(dib, 0, false, nullptr, std::nullopt, nullptr);
      ASSERT_TRUE(plain);
      for (std::uint32_t i = 0; i < plain->PaletteCount(); ++i) {
        const std::uint32_t c = plain->GetPaletteEntry(i);
        EXPECT_TRUE((c & 0xFF) == ((c >> 8) & 0xFF) && (c & 0xFF) == ((c >> 16) & 0xFF)) << std::hex << c;
      }
    }
  }
}

TEST(ExportBmp, OverTwoHundredFiftySixColoursStaysTrueColour) {
  test::ScratchDir dir;
  auto doc = Open(SamplePath());
  ASSERT_NE(doc, nullptr);
  // The sample's page of pictures holds a ramp of 768 colours.
  Export e;
  e.options.exportType = kExportTypeBmp;
  e.options.pageEntry = 3;
  e.options.resolution = 300;
  const fs::path out = dir / "pictures.bmp";
  ASSERT_TRUE(e.Run(*doc, out));
  const TDib dib = ReadBmp(out);
  EXPECT_EQ(dib.BitCount(), 24);
  EXPECT_EQ(dib.Compression(), kBiRgb);
  if (HaveIdentify()) {
    EXPECT_NE(Identify(out).find(" 8 "), std::string::npos);
  }
}

TEST(ExportBmp, RleIsUsedOnlyWhenSmaller) {
  TDib noise;
  ASSERT_TRUE(noise.Create(64, 64, 8));
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) noise.SetPixel(x, y, std::uint32_t((x * 7919 + y * 104729) % 251));
  EXPECT_FALSE(CompressDibRle(noise));
  EXPECT_EQ(noise.Compression(), kBiRgb);
  TDib flat;
  ASSERT_TRUE(flat.Create(64, 64, 8));
  const std::uint32_t before = flat.PackedDibSize();
  EXPECT_TRUE(CompressDibRle(flat));
  EXPECT_EQ(flat.Compression(), kBiRle8);
  EXPECT_LT(flat.PackedDibSize(), before);
}

// ---- EMF -------------------------------------------------------------------

// The metafile played back at the BMP's resolution draws what the BMP shows.
TEST(ExportEmf, PlaysBackLikeThePageBmp) {
  test::ScratchDir dir;
  auto doc = Open(SamplePath());
  ASSERT_NE(doc, nullptr);
  const double dpi = 150, scale = doc->GetSheet(0)->Data()->Scale();
  Export e;
  e.options.pageEntry = 0;
  e.options.resolution = dpi;
  e.options.exportType = kExportTypeEmf;
  ASSERT_TRUE(e.Run(*doc, dir / "page.emf"));
  e.options.exportType = kExportTypeBmp;
  ASSERT_TRUE(e.Run(*doc, dir / "page.bmp"));

  const Bytes bytes = ReadFile(dir / "page.emf");
  EmfValidation v;
  ASSERT_EQ(ValidateEmf(bytes.data(), bytes.size(), &v), EmfCheck::Ok);
  const DRect extent = PageExtent(*doc, 0);
  EmfExportGeometry g;
  ASSERT_TRUE(ComputeEmfGeometry(extent, scale, dpi, &g));
  EXPECT_EQ(v.header.frame.right, g.widthMm * 100);
  EXPECT_EQ(v.header.frame.bottom, g.heightMm * 100);
  EXPECT_EQ(v.header.deviceWidth, g.width);
  EXPECT_EQ(v.header.deviceHeight, g.height);
  EXPECT_EQ(v.header.deviceWidthMm, g.widthMm);

  const TDib bmp = ReadBmp(dir / "page.bmp");
  ASSERT_FALSE(bmp.IsEmpty());
  auto wide = ConvertDibBitCount(bmp, 24, false, nullptr, false, nullptr);
  ASSERT_TRUE(wide);
  const int w = bmp.Width(), h = bmp.Height();
  std::vector<std::uint8_t> pixels(std::size_t(w) * h * 4, 0xFF);
  auto dc = RasterDC::Create(pixels.data(), w, h);
  ASSERT_TRUE(dc);
  // The metafile's area starts 0.5k drawing units before the extent, the
  // BMP's two pixels before it.
  const double p = dpi / 25.4 / scale;
  const double left = (g.area.x1 - (extent.x1 - 2 / p)) * p, top = (g.area.y1 - (extent.y1 - 2 / p)) * p;
  const TRect rect{int(std::lround(left)), int(std::lround(top)), int(std::lround(left + g.area.Width() * p)),
                   int(std::lround(top + g.area.Height() * p))};
  auto emf = EmfDocument::FromBytes(bytes.data(), bytes.size());
  ASSERT_TRUE(emf);
  EmfPlayStats stats;
  ASSERT_TRUE(PlayEnhMetaFile(*dc, *emf, rect, &stats));
  dc->Flush();
  EXPECT_EQ(stats.unplayed, 0u);

  int inked = 0, missed = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = wide->GetPixelColor(x, y);
      if ((c & 0xFFFFFF) == 0xFFFFFF) continue;
      ++inked;
      // Somewhere within a pixel the playback drew too.
      bool found = false;
      for (int dy = -1; dy <= 1 && !found; ++dy)
        for (int dx = -1; dx <= 1 && !found; ++dx) {
          const int xx = x + dx, yy = y + dy;
          if (xx < 0 || yy < 0 || xx >= w || yy >= h) continue;
          const std::uint8_t* q = pixels.data() + (std::size_t(yy) * w + xx) * 4;
          found = !(q[0] == 0xFF && q[1] == 0xFF && q[2] == 0xFF);
        }
      missed += !found;
    }
  // And the other way round: what the playback drew, the BMP shows nearby.
  int drawn = 0, extra = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* q = pixels.data() + (std::size_t(y) * w + x) * 4;
      if (q[0] == 0xFF && q[1] == 0xFF && q[2] == 0xFF) continue;
      ++drawn;
      bool found = false;
      for (int dy = -1; dy <= 1 && !found; ++dy)
        for (int dx = -1; dx <= 1 && !found; ++dx) {
          const int xx = x + dx, yy = y + dy;
          if (xx >= 0 && yy >= 0 && xx < w && yy < h) found = (wide->GetPixelColor(xx, yy) & 0xFFFFFF) != 0xFFFFFF;
        }
      extra += !found;
    }
  EXPECT_LT(extra, drawn / 50) << extra << " of " << drawn << " pixels of the playback are blank in the BMP";
  EXPECT_GT(inked, 1000);
  EXPECT_LT(missed, inked / 50) << missed << " of " << inked << " inked BMP pixels have nothing near them in the playback";
}

// The record types of a metafile, in order.
std::vector<std::uint32_t> RecordTypes(const Bytes& emf) {
  std::vector<std::uint32_t> types;
  for (std::size_t at = 0; at + 8 <= emf.size();) {
    const std::uint32_t type = emf[at] | emf[at + 1] << 8 | emf[at + 2] << 16 | std::uint32_t(emf[at + 3]) << 24;
    const std::uint32_t size = emf[at + 4] | emf[at + 5] << 8 | emf[at + 6] << 16 | std::uint32_t(emf[at + 7]) << 24;
    types.push_back(type);
    if (size < 8) break;
    at += size;
  }
  return types;
}

bool Has(const std::vector<std::uint32_t>& types, std::uint32_t type) {
  return std::find(types.begin(), types.end(), type) != types.end();
}

// Pictures become DIB records, fills filled paths, TrueType texts at quarter
// turns text records (the export writes text as text), SHX texts and lines
// 16-bit line records.
TEST(ExportEmf, TextsPicturesAndFillsBecomeTheirRecords) {
  test::ScratchDir dir;
  auto doc = Open(SamplePath());
  ASSERT_NE(doc, nullptr);
  auto page = [&](std::uint32_t entry) {
    Export e;
    e.options.exportType = kExportTypeEmf;
    e.options.pageEntry = entry;
    e.options.resolution = 300;
    EXPECT_TRUE(e.Run(*doc, dir / "page.emf"));
    const Bytes bytes = ReadFile(dir / "page.emf");
    EXPECT_EQ(ValidateEmf(bytes.data(), bytes.size()), EmfCheck::Ok);
    return RecordTypes(bytes);
  };
  const auto texts = page(5);
  EXPECT_TRUE(Has(texts, 84)) << "no EMR_EXTTEXTOUTW";
  EXPECT_TRUE(Has(texts, 54) || Has(texts, 87)) << "no SHX strokes";
  const auto pictures = page(3);
  EXPECT_TRUE(Has(pictures, 81)) << "no EMR_STRETCHDIBITS";
  const auto fills = page(4);
  EXPECT_TRUE(Has(fills, 59) && Has(fills, 62)) << "no BEGINPATH ... FILLPATH";
  const auto plan = page(0);
  EXPECT_TRUE(Has(plan, 38) || Has(plan, 95)) << "no pen";
  EXPECT_TRUE(Has(plan, 88) || Has(plan, 85) || Has(plan, 87)) << "no 16-bit lines or curves";
}

TEST(ExportEmf, AllPagesOfAPagedTiledDrawingAndTheActualTile) {
  test::ScratchDir dir;
  auto doc = OpenFixture(PagedTiled(), dir);
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(doc->GetPageEntryCount(), 12u);
  Export e;
  e.options.exportType = kExportTypeEmf;
  e.options.resolution = 300;
  ASSERT_TRUE(e.Run(*doc, dir / "plan.emf"));
  for (std::uint32_t entry = 0; entry < 12; ++entry) {
    const WString name = InsertPageSuffix(W(dir / "plan.emf"), MakePageFileSuffix(*doc, entry));
    const std::string suffix = MakePageFileSuffix(*doc, entry).ToUtf8();
    EXPECT_EQ(suffix.substr(0, 3), (entry < 9 ? "_0" : "_1") + std::to_string((entry + 1) % 10)) << suffix;
    const Bytes bytes = ReadFile(name.ToUtf8());
    EXPECT_EQ(ValidateEmf(bytes.data(), bytes.size()), EmfCheck::Ok) << name.ToUtf8();
  }
  EXPECT_FALSE(fs::exists(dir / "plan.emf"));

  // The actual tile: the view's centre lies in tile (1, 0) = x 130..260.
  Export tile;
  tile.options.exportType = kExportTypeEmf;
  tile.options.resolution = 300;
  tile.options.pageEntry = 2;
  tile.options.wholePage = false;
  ASSERT_TRUE(tile.Run(*doc, dir / "tile.emf", DRect{150, 20, 200, 60}));
  const Bytes bytes = ReadFile(dir / "tile.emf");
  EmfValidation v;
  ASSERT_EQ(ValidateEmf(bytes.data(), bytes.size(), &v), EmfCheck::Ok);
  EmfExportGeometry g;
  ASSERT_TRUE(ComputeEmfGeometry(DRect{130, 0, 260, 90}, 1.0, 300, &g));
  EXPECT_EQ(v.header.frame.right, g.widthMm * 100);
  EXPECT_EQ(v.header.frame.bottom, g.heightMm * 100);
  // The same page whole is larger.
  tile.options.wholePage = true;
  ASSERT_TRUE(tile.Run(*doc, dir / "whole.emf", DRect{150, 20, 200, 60}));
  EmfValidation whole;
  const Bytes wholeBytes = ReadFile(dir / "whole.emf");
  ASSERT_EQ(ValidateEmf(wholeBytes.data(), wholeBytes.size(), &whole), EmfCheck::Ok);
  EXPECT_GT(whole.header.frame.right, v.header.frame.right);
}

// ---- bad input -------------------------------------------------------------

TEST(ExportFaults, APathThroughARegularFileGivesTheMessageAndNoFile) {
  test::ScratchDir dir;
  auto doc = Open(SamplePath());
  ASSERT_NE(doc, nullptr);
  { std::ofstream(dir / "file.txt") << "x"; }
  Boxes boxes;
  for (int type : {kExportTypeBmp, kExportTypeEmf}) {
    Export e;
    e.options.exportType = type;
    e.options.pageEntry = 0;
    e.options.resolution = 75;
    const fs::path target = dir / "file.txt" / "out.pic";
    EXPECT_FALSE(e.Run(*doc, target));
    ASSERT_FALSE(boxes.texts.empty());
    EXPECT_NE(boxes.texts.back().find(target.string()), std::string::npos) << boxes.texts.back();
    EXPECT_NE(boxes.texts.back().find("\n\n"), std::string::npos) << "no reason given: " << boxes.texts.back();
    EXPECT_EQ(boxes.styles.back() & kMbIconMask, kMbIconError);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(ExportFaults, AFailedExportLeavesTheExistingFileAsItWas) {
  test::ScratchDir dir;
  auto doc = Open(SamplePath());
  ASSERT_NE(doc, nullptr);
  const Bytes old = {'o', 'l', 'd', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
  test::SaveBytes((dir / "page.bmp").string(), old);
  Boxes boxes;
  // 2400 dpi on a page scaled down 100 times: far beyond 32,766 pixels.
  doc->GetSheet(0)->Data()->SetScale(doc->GetSheet(0)->Data()->Scale() / 100);
  Export e;
  e.options.exportType = kExportTypeBmp;
  e.options.pageEntry = 0;
  e.options.resolution = 2400;
  EXPECT_FALSE(e.Run(*doc, dir / "page.bmp"));
  EXPECT_EQ(ReadFile(dir / "page.bmp"), old);
  ASSERT_EQ(boxes.texts.size(), 1u);
  // Not the bare notice: the size, the limit and a resolution that fits.
  EXPECT_NE(boxes.texts[0].find("32"), std::string::npos) << boxes.texts[0];
  EXPECT_GT(boxes.texts[0].size(), LoadLangString(kStrCannotSaveFile).ToUtf8().size() + 40);

  // A rename that fails (the target is a folder) leaves nothing behind.
  fs::create_directory(dir / "folder.emf");
  e.options.exportType = kExportTypeEmf;
  e.options.resolution = 75;
  EXPECT_FALSE(e.Run(*doc, dir / "folder.emf"));
  EXPECT_TRUE(fs::is_directory(dir / "folder.emf"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

TEST(ExportFaults, AnExistingPageFileIsAskedAboutAndCancelWritesNothing) {
  test::ScratchDir dir;
  auto doc = OpenFixture(PagedTiled(), dir);
  ASSERT_NE(doc, nullptr);
  const WString third = InsertPageSuffix(W(dir / "plan.bmp"), MakePageFileSuffix(*doc, 2));
  const Bytes old = {'k', 'e', 'e', 'p'};
  test::SaveBytes(third.ToUtf8(), old);
  Boxes boxes;
  boxes.answer = kIdCancel;
  Export e;
  e.options.exportType = kExportTypeBmp;
  e.options.resolution = 75;
  EXPECT_FALSE(e.Run(*doc, dir / "plan.bmp"));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_NE(boxes.texts[0].find(third.ToUtf8()), std::string::npos);
  EXPECT_EQ(boxes.captions[0], LoadLangString(kStrFileExistsCaption).ToUtf8());
  // Without an owner window the box is also system-modal.
  EXPECT_EQ(boxes.styles[0] & ~kMbSystemModal, kMbOkCancel | kMbIconWarning);
  EXPECT_EQ(ReadFile(third.ToUtf8()), old);
  // The fixture and the kept file only.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);

  boxes.answer = kIdOk;
  EXPECT_TRUE(e.Run(*doc, dir / "plan.bmp"));
  EXPECT_NE(ReadFile(third.ToUtf8()), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 13);
}

TEST(ExportFaults, ScaleNotSetShowsTheErrorAndOpensTheParameters) {
  test::ScratchDir dir;
  auto doc = OpenFixture(PagedTiled(), dir);
  ASSERT_NE(doc, nullptr);
  doc->GetSheet(0)->Data()->SetScale(0.0);
  Boxes boxes;
  Export e;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> opened;
  e.shell.openParameters = [&](std::uint32_t sheet, std::uint32_t page) { opened.emplace_back(sheet, page); };
  e.options.exportType = kExportTypeEmf;
  e.options.pageEntry = 4;
  EXPECT_FALSE(e.Run(*doc, dir / "none.emf"));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], LoadLangString(kStrScaleNotSet).ToUtf8());
  EXPECT_EQ(boxes.captions[0], doc->GetDisplayName().ToUtf8());
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], (std::pair<std::uint32_t, std::uint32_t>{0, 4}));
  EXPECT_FALSE(fs::exists(dir / "none.emf"));
}

}  // namespace
}  // namespace kvn

#include "dwg/InstallReaders.h"

namespace kvn {
namespace {

// A foreign drawing exports as the native ones do: a DXF of the sample
// files, as BMP (read back by our reader and identify) and as EMF (valid).
TEST(ExportForeign, ADxfDrawingExportsAsBmpAndEmf) {
  KVN_REQUIRE_TESTDATA(data);
  InstallReaders();
  test::ScratchDir dir;
  auto doc = Open(data / "dxf/ezdxf_3_us_main.dxf");
  ASSERT_NE(doc, nullptr);
  Export e;
  e.options.pageEntry = 0;
  e.options.resolution = 100;
  e.options.exportType = kExportTypeBmp;
  ASSERT_TRUE(e.Run(*doc, dir / "us.bmp"));
  const TDib bmp = ReadBmp(dir / "us.bmp");
  ASSERT_FALSE(bmp.IsEmpty());
  // About 18 x 12 drawing units at scale 1: 70 x 46 pixels at 100 dpi.
  EXPECT_GT(bmp.Width(), 40);
  EXPECT_GT(bmp.Height(), 20);
  int ink = 0;
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x) ink += bmp.GetPixelColor(x, y) != 0xFFFFFF;
  EXPECT_GT(ink, 50);
  if (HaveIdentify()) {
    const std::string info = Identify(dir / "us.bmp");
    EXPECT_EQ(info.rfind(std::to_string(bmp.Width()) + " " + std::to_string(bmp.Height()), 0), 0u) << info;
  }
  e.options.exportType = kExportTypeEmf;
  ASSERT_TRUE(e.Run(*doc, dir / "us.emf"));
  const Bytes bytes = ReadFile(dir / "us.emf");
  EmfValidation v;
  EXPECT_EQ(ValidateEmf(bytes.data(), bytes.size(), &v), EmfCheck::Ok);
}

}  // namespace
}  // namespace kvn
