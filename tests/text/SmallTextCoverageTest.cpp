// Small TrueType text stays legible: a 2.5 mm text at 100 % (a cap height
// of 10 pixels) in Arial or Arial Narrow carries as much ink on screen as
// FreeType's own anti-aliased rendering of the same face, size and
// characters, on the surface's device context (the screen road of small
// text) and on the glyph road. Coverage is the sum of darkness.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "model/FontList.h"
#include "model/TextGlyphBoxes.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "platform/fonts/FontLayerFaces.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TextFaces.h"
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

constexpr int kWidth = 400;
constexpr int kHeight = 60;
const char16_t kText[] = u"Thin small Arial text 0123";

// FreeType's coverage of the text at `emPixels`, glyph by glyph at their
// unhinted advances: the sum of the 8-bit coverage over 255.
double FreeTypeCoverage(const char* file, double emPixels) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return 0;
  FT_Face face = nullptr;
  double sum = 0;
  if (FT_New_Face(library, file, 0, &face) == 0) {
    FT_Set_Char_Size(face, 0, FT_F26Dot6(std::lround(emPixels * 64)), 72, 72);
    for (const char16_t* c = kText; *c; ++c) {
      if (FT_Load_Char(face, *c, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) continue;
      const FT_Bitmap& b = face->glyph->bitmap;
      for (unsigned y = 0; y < b.rows; ++y)
        for (unsigned x = 0; x < b.width; ++x) sum += b.buffer[std::size_t(y) * std::size_t(b.pitch) + x] / 255.0;
    }
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return sum;
}

class SmallText : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::FontFilesPresent({test::kLiberationSans, test::kLiberationNarrow}))
      GTEST_SKIP() << "Liberation Sans or Liberation Sans Narrow missing";
    FontList::ResetForTest();
    fonts = std::make_unique<test::PrivateFonts>(
        "small-text", std::vector<std::string>{test::kLiberationSans, test::kLiberationNarrow});
    InstallFontLayerFaces();
    InstallShxFonts();
    InstallTrueTypeLineDrawer();
    InstallRendererGeometryServices();
    ClearTextFontCache();
    data.Levels().InsertLevel(u"0", nullptr, 0);
    for (const char16_t* name : {u"Arial", u"Arial Narrow"}) {
      auto font = std::make_unique<cStyleFont>();
      font->name = WString(name);
      font->BindFace(std::make_unique<TrueTypeFaceSet>(font->name), nullptr);
      (void)data.FontStyles().Add(std::move(font));
    }
  }
  // One 2.5 mm text in font `index` of the table.
  void AddText(std::uint16_t index, const char16_t* face = nullptr) {
    auto* t = new cText();
    t->SetText(WString(kText));
    t->SetFontIndex(index);
    if (face) t->faceName = WString(face);
    t->point = {2, 4};
    t->attr.height = 2.5;
    t->attr.color = 0;
    t->SetLevel(0);
    ObjectChain chain;
    chain.Append(t);
    page.AppendChain(std::move(chain));
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
  // The text painted at 100 % (4 pixels a millimetre), the darkness summed.
  double Coverage(bool memoryOnly) {
    cRasterSurface surface(memoryOnly);
    EXPECT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
    surface.SetAntiAliasMode(1);
    surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
    WorldMapping m;
    m.deviceClip = {0, 0, kWidth, kHeight};
    {
      TDC* dc = memoryOnly ? nullptr : surface.GetRasterDC();
      cDrawInfo info(m, &data, dc, &surface);
      EXPECT_TRUE(PaintObjectChain(&data.Levels(), &data, &page, nullptr, 0, info));
    }
    surface.Flush();
    double sum = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) sum += (255 - (*surface.PixelAt(x, y) & 0xFF)) / 255.0;
    return sum;
  }

  std::unique_ptr<test::PrivateFonts> fonts;
  cDrawingData data;
  cBlock page;
};

// Arial and Arial Narrow, as the screen draws small text (device-context
// runs) and as the glyph road fills it: within 20 % of FreeType's ink.
TEST_F(SmallText, CoverageAgreesWithFreeType) {
  const struct {
    std::uint16_t font;
    const char16_t* face;
    const char* file;
    const char16_t* screenFace;
  } faces[] = {{0, u"Arial", test::kLiberationSans, nullptr},
               {1, u"Arial Narrow", test::kLiberationNarrow, nullptr},
               {kNoStyle, u"Arial", test::kLiberationSans, u"Arial"}};
  for (const auto& f : faces) {
    page.Clear();
    ClearTextFontCache();
    AddText(f.font, f.screenFace);
    // A font-table face draws the height as its cap height; a screen face
    // (no font record) as its em.
    const double em = f.screenFace ? 10.0 : 10.0 / GetFaceHeightRatio(nullptr, WString(f.face), 0);
    const double reference = FreeTypeCoverage(f.file, em);
    ASSERT_GT(reference, 100);
    for (bool glyphRoad : {false, true}) {
      const double ours = Coverage(glyphRoad);
      const std::string what = WString(f.face).ToUtf8() + (f.screenFace ? " (no font record)" : "") +
                               (glyphRoad ? ", glyph road" : ", screen runs");
      std::printf("2.5 mm %s at 100 %%: coverage %.0f against FreeType's %.0f (%.2f)\n", what.c_str(), ours,
                  reference, ours / reference);
      EXPECT_NEAR(ours / reference, 1.0, 0.2) << what;
    }
  }
}

}  // namespace
}  // namespace kvn
