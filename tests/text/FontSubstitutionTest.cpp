// A drawing whose text styles name faces this machine does not have: five
// TrueType files nobody installed and one SHX file that is nowhere. Every
// text still draws, in a face that exists, on both screen roads (the raster
// surface and a device context), and the font table says what was used
// instead. The fonts are pinned to a private configuration.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "dwg/InstallReaders.h"
#include "model/FontList.h"
#include "model/TextGlyphBoxes.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "platform/fonts/FontLayerFaces.h"
#include "platform/fonts/InstalledFonts.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TextFaces.h"
#include "render/DrawInfo.h"
#include "render/GeometryServicesImpl.h"
#include "render/RasterSurface.h"
#include "render/SheetPainter.h"
#include "render/TextFontCache.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/PrivateFonts.h"
#include "text/ShxParsedFont.h"
#include "text/TrueTypeLine.h"

namespace kvn {
namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 840;

struct StyleRow {
  const char* style;
  const char* file;
  const char* family;  // the family a newer file adds, or null
  std::int32_t flags;  // its flags: pitch-and-family in the low byte
  const char* font;    // the font table's entry
  const char* substitute;  // what draws it, or null when it is there
};
// Arial Black, a hand-writing face, two programming faces (one named as a
// family of fixed pitch), a display face, an SHX file that exists nowhere,
// and two that do.
constexpr StyleRow kStyles[] = {
    {"BLACK", "ariblk.ttf", nullptr, 0, "ariblk", "DejaVu Sans"},
    {"HAND", "BRADHITC.TTF", nullptr, 0, "BRADHITC", "DejaVu Sans"},
    {"CODE", "C:\\Windows\\Fonts\\consola.ttf", "Consolas", 0x31, "Consolas", "Liberation Mono"},
    {"MONO", "FiraCode-Retina.ttf", nullptr, 0, "FiraCode-Retina", "DejaVu Sans"},
    {"SHOW", "impact.ttf", nullptr, 0, "impact", "DejaVu Sans"},
    {"NOSHX", "nosuchfont.shx", nullptr, 0, "Nosuchfont.shx", "Simplex.shx"},
    {"ROMANS", "romans.shx", nullptr, 0, "Romans.shx", nullptr},
    {"PLAIN", "arial.ttf", nullptr, 0, "Arial", nullptr},
};

std::string FixtureDxf() {
  test::DxfWriter w;
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1009").EndSection();
  w.Section("TABLES").Str(0, "TABLE").Str(2, "STYLE").Int(70, int(std::size(kStyles)));
  for (const StyleRow& s : kStyles) {
    w.Str(0, "STYLE").Str(2, s.style).Int(70, 0).Real(40, 0.0).Real(41, 1.0).Real(50, 0.0).Int(71, 0);
    w.Real(42, 2.5).Str(3, s.file).Str(4, "");
    if (s.family) w.Str(1001, "ACAD").Str(1000, s.family).Int(1071, s.flags);
  }
  w.Str(0, "ENDTAB").EndSection();
  w.Section("ENTITIES");
  for (std::size_t i = 0; i < std::size(kStyles); ++i) {
    const std::string text = std::string("Style ") + kStyles[i].style + " Agz 0";
    w.Str(0, "TEXT").Str(8, "0").Point(10, 5.0, 5.0 + 12.0 * double(i)).Real(40, 5.0).Str(1, text);
    w.Str(7, kStyles[i].style);
  }
  w.EndSection().Eof();
  return w.Bytes();
}

class FontSubstitution : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::FontFilesPresent({test::kLiberationSans, test::kLiberationMono, test::kDejaVuSans}))
      GTEST_SKIP() << "Liberation Sans, Liberation Mono or DejaVu Sans missing";
    FontList::ResetForTest();
    fonts = std::make_unique<test::PrivateFonts>(
        "font-substitution",
        std::vector<std::string>{test::kLiberationSans, test::kLiberationMono, test::kDejaVuSans});
    InstallReaders();
    InstallFontLayerFaces();
    InstallShxFonts();
    InstallTrueTypeLineDrawer();
    InstallRendererGeometryServices();
    ClearTextFontCache();
    folder = std::filesystem::current_path() / "font-substitution";
    std::filesystem::create_directories(folder);
    const std::filesystem::path path = folder / "styles.dxf";
    std::ofstream(path, std::ios::binary) << FixtureDxf();
    OpenRequest request;
    request.quiet = true;
    OpenOutcome outcome;
    doc = OpenDrawingFile(WString::FromUtf8(path.string()), request, outcome);
    ASSERT_TRUE(doc) << outcome.errorCode;
    ASSERT_GE(doc->SheetCount(), 1u);
  }
  void TearDown() override {
    doc.reset();
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
  cSheet& Sheet() { return *doc->GetSheet(0); }
  std::vector<cText*> Texts() {
    std::vector<cText*> out;
    for (cOutObj* o = Sheet().TopBlock().FirstObject(); o; o = o->next) {
      if (cText* t = o->AsText()) out.push_back(t);
    }
    return out;
  }
  // The texts stand between y = -100 and 0. Scale 2: a text 5 units high
  // is 40 pixels (the glyph road on screen); scale 0.5 makes it 10 pixels
  // (device-context runs).
  static WorldMapping Mapping(double scale) {
    WorldMapping m;
    m.scale = scale;
    m.originY = 100 * 4 * scale + 20;
    m.deviceClip = {0, 0, kWidth, kHeight};
    return m;
  }
  // Dark pixels inside the device box of each text's frame.
  std::vector<int> InkPerText(const std::vector<std::uint32_t>& pixels, const WorldMapping& m) {
    std::vector<int> ink;
    for (cText* t : Texts()) {
      DPoint corners[4];
      t->GetFrameCorners(Sheet().Data(), corners);
      double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
      for (const DPoint& c : corners) {
        const DPoint d = m.ToDeviceF(c);
        x0 = std::min(x0, d.x), y0 = std::min(y0, d.y), x1 = std::max(x1, d.x), y1 = std::max(y1, d.y);
      }
      int n = 0;
      for (int y = std::max(0, int(y0)); y < std::min(kHeight, int(y1) + 1); ++y)
        for (int x = std::max(0, int(x0)); x < std::min(kWidth, int(x1) + 1); ++x)
          n += (pixels[std::size_t(y) * kWidth + std::size_t(x)] & 0xFF) < 0x80;
      ink.push_back(n);
    }
    return ink;
  }
  std::vector<std::uint32_t> PaintOnSurface(const WorldMapping& m) {
    cRasterSurface surface(false);
    EXPECT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
    surface.SetAntiAliasMode(1);
    surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
    {
      cDrawInfo info(m, Sheet().Data(), surface.GetRasterDC(), &surface);
      EXPECT_TRUE(PaintObjectChain(&Sheet().Data()->Levels(), Sheet().Data(), &Sheet().TopBlock(), nullptr, 0, info));
    }
    surface.Flush();
    std::vector<std::uint32_t> out;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) out.push_back(*surface.PixelAt(x, y) & 0xFFFFFF);
    return out;
  }
  std::vector<std::uint32_t> PaintOnDc(const WorldMapping& m) {
    std::vector<std::uint8_t> bits(std::size_t(kWidth) * kHeight * 4, 0xFF);
    auto dc = RasterDC::Create(bits.data(), kWidth, kHeight);
    EXPECT_TRUE(dc);
    if (!dc) return {};
    {
      cDrawInfo info(m, Sheet().Data(), dc.get(), nullptr);
      EXPECT_TRUE(PaintObjectChain(&Sheet().Data()->Levels(), Sheet().Data(), &Sheet().TopBlock(), nullptr, 0, info));
    }
    dc->Flush();
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < bits.size(); i += 4) out.push_back(bits[i] | bits[i + 1] << 8 | bits[i + 2] << 16);
    return out;
  }

  std::unique_ptr<test::PrivateFonts> fonts;
  std::filesystem::path folder;
  std::unique_ptr<cDrawingDoc> doc;
};

// Each text's font, and the face that stands in where the machine lacks
// it: fontconfig's choice of the private fonts (DejaVu Sans for a family
// of no known kind, the fixed-pitch face for one of fixed pitch), the
// built-in simplex font for an SHX file nobody has.
TEST_F(FontSubstitution, TheFontTableNamesTheSubstitutes) {
  std::vector<cText*> texts = Texts();
  ASSERT_EQ(texts.size(), std::size(kStyles));
  cDrawingData& data = *Sheet().Data();
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(kStyles[i].style);
    const std::uint16_t index = texts[i]->GetFontIndex(&data);
    ASSERT_LT(index, data.FontStyles().Count());
    cStyleFont* font = data.FontStyles().Get(index);
    EXPECT_EQ(font->name.ToUtf8(), kStyles[i].font);
    WString substitute = font->substituteName;
    if (TrueTypeFaceSet* set = font->FaceSet()) {
      EXPECT_EQ(set->IsAvailable(), kStyles[i].substitute == nullptr);
      if (!set->IsAvailable()) (void)GetSubstituteFace(*set, 0);
      substitute = set->substituteName;
    }
    EXPECT_EQ(substitute.ToUtf8(), kStyles[i].substitute ? kStyles[i].substitute : "");
    if (kStyles[i].substitute && font->FaceSet()) {
      EXPECT_NE(FindInstalledFont(substitute), nullptr);
    }
  }
}

TEST_F(FontSubstitution, EveryTextDrawsOnTheRasterSurface) {
  ASSERT_EQ(Texts().size(), std::size(kStyles));
  for (double scale : {2.0, 0.5}) {
    const WorldMapping m = Mapping(scale);
    const std::vector<int> ink = InkPerText(PaintOnSurface(m), m);
    for (std::size_t i = 0; i < ink.size(); ++i)
      EXPECT_GT(ink[i], scale > 1 ? 400 : 30) << kStyles[i].style << " at scale " << scale;
  }
}

TEST_F(FontSubstitution, EveryTextDrawsOnADeviceContext) {
  for (double scale : {2.0, 0.5}) {
    const WorldMapping m = Mapping(scale);
    const std::vector<int> ink = InkPerText(PaintOnDc(m), m);
    ASSERT_EQ(ink.size(), std::size(kStyles));
    for (std::size_t i = 0; i < ink.size(); ++i)
      EXPECT_GT(ink[i], scale > 1 ? 400 : 30) << kStyles[i].style << " at scale " << scale;
  }
}

}  // namespace
}  // namespace kvn
