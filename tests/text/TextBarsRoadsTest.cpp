// Underline and strike-out of TrueType texts on every road: the glyph road
// of the raster surface, device-context runs on the surface's context and
// on a bare cairo image context (screen and printer mode), and the metafile
// export, read back record by record and played. On each, an underlined, a
// struck-out and a plain text are drawn; a bar is a row of ink running
// across most of the text's width, which glyphs alone never make.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "foundation/GrowArray.h"
#include "model/FontList.h"
#include "model/TextGlyphBoxes.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "platform/fonts/FontLayerFaces.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/MetafileDC.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TextFaces.h"
#include "platform/metafile/EmfPlayer.h"
#include "render/DrawInfo.h"
#include "render/GeometryServicesImpl.h"
#include "render/RasterSurface.h"
#include "render/SheetPainter.h"
#include "render/TextFontCache.h"
#include "tests/support/PrivateFonts.h"
#include "text/ShxParsedFont.h"
#include "text/TrueTypeLine.h"

namespace kvn {
namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 300;
constexpr std::uint32_t kEmrExtCreateFontIndirectW = 82;
constexpr std::uint32_t kEmrExtTextOutW = 84;

using Pixels = std::vector<std::uint8_t>;  // B, G, R, A per pixel, top-down

// The longest run of dark pixels in any row of the box, and its row.
struct InkRun {
  int row = -1;
  int length = 0;
};
InkRun LongestRow(const Pixels& p, int x0, int y0, int x1, int y1) {
  InkRun best;
  for (int y = std::max(0, y0); y < std::min(kHeight, y1); ++y) {
    int run = 0;
    for (int x = std::max(0, x0); x < std::min(kWidth, x1); ++x) {
      const std::uint8_t* px = &p[(std::size_t(y) * kWidth + std::size_t(x)) * 4];
      run = px[1] < 0x90 ? run + 1 : 0;
      if (run > best.length) best = {y, run};
    }
  }
  return best;
}

class TextBars : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::FontFilesPresent({test::kLiberationSans})) GTEST_SKIP() << "Liberation Sans missing";
    FontList::ResetForTest();
    fonts = std::make_unique<test::PrivateFonts>("text-bars", std::vector<std::string>{test::kLiberationSans});
    InstallFontLayerFaces();
    InstallShxFonts();
    InstallTrueTypeLineDrawer();
    InstallRendererGeometryServices();
    ClearTextFontCache();
    data.Levels().InsertLevel(u"0", nullptr, 0);
    auto font = std::make_unique<cStyleFont>();
    font->name = WString(u"Arial");
    font->BindFace(std::make_unique<TrueTypeFaceSet>(font->name), nullptr);
    arial = data.FontStyles().Add(std::move(font));
  }
  void TearDown() override {
    page.Clear();
    ClearTextFontCache();
    fonts.reset();
    SetTextFaceSource(nullptr);
    FontList::ResetForTest();
    SetShxArchiveLoader(nullptr);
    SetShxMetricsSource(nullptr);
    SetShxGlyphBoxSource(nullptr);
    SetShxTextDrawer(nullptr);
    SetTrueTypeGlyphBoxSource(nullptr);
  }
  // Three texts of the given height, one above the other: underlined,
  // struck out, plain. Device boxes are taken from their frames.
  void BuildPage(double height) {
    const std::uint8_t bits[3] = {0x40, 0x20, 0x00};
    for (int i = 0; i < 3; ++i) {
      auto* t = new cText();
      t->SetText(WString(u"Bars on it"));
      t->SetFontIndex(arial);
      t->point = {4, 4 + 2.2 * height * i};
      t->attr.height = height;
      t->attr.color = 0;
      t->attr.styleBits = bits[i];
      t->SetLevel(0);
      texts.push_back(t);
      ObjectChain chain;
      chain.Append(t);
      page.AppendChain(std::move(chain));
    }
  }
  WorldMapping Mapping(double scale, OutputMode mode = OutputMode::Screen) const {
    WorldMapping m;
    m.scale = scale;
    m.deviceClip = {0, 0, kWidth, kHeight};
    m.outputMode = mode;
    return m;
  }
  bool Paint(cDrawInfo& info) { return PaintObjectChain(&data.Levels(), &data, &page, nullptr, 0, info); }
  // The device box of text i: its frame, widened by two pixels.
  void Box(int i, const WorldMapping& m, int box[4]) {
    DPoint corners[4];
    texts[std::size_t(i)]->GetFrameCorners(&data, corners);
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (const DPoint& c : corners) {
      const DPoint d = m.ToDeviceF(c);
      x0 = std::min(x0, d.x), y0 = std::min(y0, d.y), x1 = std::max(x1, d.x), y1 = std::max(y1, d.y);
    }
    box[0] = int(x0) - 2, box[1] = int(y0) - 2, box[2] = int(x1) + 3, box[3] = int(y1) + 3;
  }
  // Underlined and struck-out texts show a bar across at least 85 % of
  // their box, the underline further from the text's top than the strike;
  // the plain text none.
  void ExpectBars(const Pixels& p, const WorldMapping& m, const std::string& road) {
    SCOPED_TRACE(road);
    InkRun runs[3];
    int width[3] = {0, 0, 0}, top[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
      int b[4];
      Box(i, m, b);
      runs[i] = LongestRow(p, b[0], b[1], b[2], b[3]);
      width[i] = b[2] - b[0] - 4;
      // Lines follow each other down the page: a text's top is its box's
      // first row.
      top[i] = b[1];
    }
    EXPECT_GT(runs[0].length, width[0] * 85 / 100) << "underline";
    EXPECT_GT(runs[1].length, width[1] * 85 / 100) << "strike-out";
    EXPECT_LT(runs[2].length, width[2] / 3) << "a plain text has no bar";
    EXPECT_GT(runs[0].row - top[0], runs[1].row - top[1]) << "the underline lies below the strike-out";
  }

  std::unique_ptr<test::PrivateFonts> fonts;
  cDrawingData data;
  cBlock page;
  std::vector<cText*> texts;
  std::uint16_t arial = 0;
};

TEST_F(TextBars, GlyphRoadOfTheRasterSurface) {
  BuildPage(6);
  // A memory-only surface: glyphs filled into it at any size.
  cRasterSurface surface(true);
  ASSERT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
  surface.SetAntiAliasMode(1);
  surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
  const WorldMapping m = Mapping(1);
  {
    cDrawInfo info(m, &data, nullptr, &surface);
    EXPECT_TRUE(Paint(info));
  }
  surface.Flush();
  Pixels p;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::uint32_t v = *surface.PixelAt(x, y);
      p.insert(p.end(), {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), 0xFF});
    }
  }
  ExpectBars(p, m, "glyph road");
}

TEST_F(TextBars, RunsOnTheSurfaceContext) {
  BuildPage(6);  // 24 pixels on screen: device-context runs
  cRasterSurface surface(false);
  ASSERT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
  surface.SetAntiAliasMode(1);
  surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
  const WorldMapping m = Mapping(1);
  {
    cDrawInfo info(m, &data, surface.GetRasterDC(), &surface);
    EXPECT_TRUE(Paint(info));
  }
  surface.Flush();
  Pixels p;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::uint32_t v = *surface.PixelAt(x, y);
      p.insert(p.end(), {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), 0xFF});
    }
  }
  ExpectBars(p, m, "runs on the surface");
}

TEST_F(TextBars, RunsOnACairoContextOnScreenAndInPrint) {
  BuildPage(6);
  for (OutputMode mode : {OutputMode::Screen, OutputMode::DirectPrinter}) {
    Pixels bits(std::size_t(kWidth) * kHeight * 4, 0xFF);
    auto dc = RasterDC::Create(bits.data(), kWidth, kHeight);
    ASSERT_TRUE(dc);
    const WorldMapping m = Mapping(1, mode);
    {
      cDrawInfo info(m, &data, dc.get(), nullptr);
      EXPECT_TRUE(Paint(info));
    }
    dc->Flush();
    ExpectBars(bits, m, mode == OutputMode::Screen ? "cairo screen" : "cairo printer");
  }
}

// Each line of a text of two lines has its own underline, and the style's
// background is not drawn again over the runs.
TEST_F(TextBars, EveryLineOfSeveralIsUnderlined) {
  BuildPage(6);
  texts[0]->SetText(WString(u"Bars on it\nBars on it"));
  texts[1]->SetFlag(kFlagHidden);
  Pixels bits(std::size_t(kWidth) * kHeight * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), kWidth, kHeight);
  ASSERT_TRUE(dc);
  const WorldMapping m = Mapping(1);
  {
    cDrawInfo info(m, &data, dc.get(), nullptr);
    EXPECT_TRUE(Paint(info));
  }
  dc->Flush();
  int b[4];
  Box(0, m, b);
  const int middle = (b[1] + b[3]) / 2;
  const InkRun first = LongestRow(bits, b[0], b[1], b[2], middle);
  const InkRun second = LongestRow(bits, b[0], middle, b[2], b[3]);
  EXPECT_GT(first.length, (b[2] - b[0]) * 80 / 100);
  EXPECT_GT(second.length, (b[2] - b[0]) * 80 / 100);
}

// The export: the fonts of its text records carry no underline or
// strike-out flag (a player may ignore them), the bars follow the texts as
// records of their own, and the metafile played back shows them.
TEST_F(TextBars, MetafileExportRecordsTheBars) {
  BuildPage(6);
  MetafileDC dc(MetafileFrame{0, 0, kWidth * 100, kHeight * 100}, TSize{kWidth, kHeight}, TSize{kWidth, kHeight});
  dc.SetMapMode(kMmAnisotropic);
  const WorldMapping m = Mapping(1, OutputMode::Metafile);
  {
    cDrawInfo info(m, &data, &dc, nullptr);
    EXPECT_TRUE(Paint(info));
  }
  ByteArray bytes;
  ASSERT_TRUE(dc.Close(bytes));
  auto emf = EmfDocument::FromBytes(bytes.Items(), bytes.Count());
  ASSERT_TRUE(emf);

  int fonts = 0, textRecords = 0, afterLastText = 0;
  for (std::uint32_t at = 0; at + 8 <= emf->Size();) {
    EmfRecord record{emf->Data() + at, emf->Size() - at};
    record.size = std::min<std::uint32_t>(record.U32(4), record.size);
    if (record.size < 8) break;
    if (record.Type() == kEmrExtCreateFontIndirectW) {
      LogFont lf;
      ASSERT_TRUE(ReadRecordLogFont(record, &lf));
      EXPECT_EQ(lf.underline, 0);
      EXPECT_EQ(lf.strikeOut, 0);
      ++fonts;
    } else if (record.Type() == kEmrExtTextOutW) {
      ++textRecords;
      afterLastText = 0;
    } else {
      ++afterLastText;
    }
    at += record.size;
  }
  EXPECT_GE(fonts, 1);
  EXPECT_EQ(textRecords, 3);
  EXPECT_GT(afterLastText, 1) << "no bar records after the last text";

  Pixels played(std::size_t(kWidth) * kHeight * 4, 0xFF);
  auto canvas = RasterDC::Create(played.data(), kWidth, kHeight);
  ASSERT_TRUE(canvas);
  ASSERT_TRUE(PlayEnhMetaFile(*canvas, *emf, TRect{0, 0, kWidth, kHeight}));
  canvas->Flush();
  ExpectBars(played, m, "metafile played back");
}

}  // namespace
}  // namespace kvn
