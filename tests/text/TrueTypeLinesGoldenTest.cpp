// Lines of TrueType text in "Arial" (Liberation Sans, pinned through a
// private fontconfig) against a reviewed picture: alignments 0, 2 and 6 about
// one origin, mirrored in X and in Y, turned by 30 degrees, half width, and
// underline and strike-out bars, through each road: the fixed-point road into
// an anti-aliased surface and the path in doubles through the device context.
// The built-in resource gives the same pixels on a machine without the font.
#include <gtest/gtest.h>

#include "document/BuiltinFontReader.h"
#include "foundation/Resources.h"
#include "model/FontList.h"
#include "model/ObjectChain.h"
#include "model/cPolygon.h"
#include "model/cStyleFont.h"
#include "platform/gdi/RasterDC.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "text/TrueTypeLine.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/PrivateFonts.h"

namespace kvn {
namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 320;
// The bars, and glyphs on the path in doubles, are filled by the device
// context (cairo); the glyphs of the fixed-point road by our own fill.
constexpr int kTolerance = 8;

// The scene at scale 1 (4 pixels per drawing unit), on a surface whose
// anti-alias mode picks the road: 1 the fixed-point road, 0 the path in
// doubles through the device context.
test::Picture DrawScene(TrueTypeFaceSet& arial, std::uint32_t antiAlias, bool boldItalic = true) {
  cRasterSurface surface(false);
  EXPECT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
  surface.SetAntiAliasMode(antiAlias);
  surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
  // The common origin of the three alignments, and the mirrored lines'.
  surface.FillRect(240, 0, 1, 96, 0xFFC0C0C0);
  WorldMapping m;
  m.deviceClip = {0, 0, kWidth, kHeight};
  cDrawInfo info(m, nullptr, surface.GetRasterDC(), &surface);
  auto draw = [&](const char16_t* text, DPoint origin, auto&& adjust) {
    TrueTypeLine line;
    line.info = &info;
    line.origin = origin;
    line.height = 4;
    line.text = WString(text);
    adjust(line);
    // The text layout loads the glyphs a line needs before it is drawn.
    arial.LoadGlyphs(line.text, line.faceIndex);
    DrawTrueTypeLine(arial, line);
  };
  auto none = [](TrueTypeLine&) {};
  draw(u"Left aligned", {60, 2}, none);
  draw(u"Right aligned", {60, 10}, [](TrueTypeLine& l) { l.alignment = 2; });
  draw(u"Centred", {60, 18}, [](TrueTypeLine& l) { l.alignment = 6; });
  draw(u"Mirror X", {60, 26}, [](TrueTypeLine& l) { l.mirrorX = true; });
  draw(u"Mirror Y", {62, 34}, [](TrueTypeLine& l) {
    l.mirrorY = true;
    l.color = 0x008000;
  });
  draw(u"Turned 30\u00B0 \u0158\u00E1dek", {4, 74}, [](TrueTypeLine& l) {
    l.angle = 30;
    l.color = 0xA00000;
  });
  draw(u"Half width, tab\there", {50, 46}, [](TrueTypeLine& l) { l.widthFactor = 0.5; });
  draw(u"Underline and strike-out", {50, 56}, [](TrueTypeLine& l) {
    l.underline = l.strikeOut = true;
    l.barColor = 0x0000C0;
    l.color = 0x404040;
  });
  if (boldItalic) {
    draw(u"Bold italic g\u0151", {50, 66}, [](TrueTypeLine& l) {
      l.faceIndex = 3;
      l.underline = true;
    });
  }
  surface.Flush();
  test::Picture out{kWidth, kHeight, {}};
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) out.pixels.push_back(*surface.PixelAt(x, y) & 0xFFFFFF);
  return out;
}

class TrueTypeLinesGolden : public testing::Test {
 protected:
  void SetUp() override {
    if (!test::FontFilesPresent({test::kLiberationSans, test::kLiberationSansBold, test::kDejaVuSans}))
      GTEST_SKIP() << "Liberation Sans or DejaVu Sans missing";
    FontList::ResetForTest();
    InstallBuiltinFontReader();
  }
  void TearDown() override {
    FontList::ResetForTest();
    SetBuiltinFontReader(nullptr);
  }
};

TEST_F(TrueTypeLinesGolden, AlignmentsMirrorsAngleWidthAndBars) {
  test::Picture fixed, doubles;
  {
    test::PrivateFonts fonts("lines-golden", {test::kLiberationSans, test::kLiberationSansBold});
    TrueTypeFaceSet* arial = FontList::GetAt(0)->FaceSet();
    ASSERT_FALSE(arial->outlinesStored);
    fixed = DrawScene(*arial, 1);
    doubles = DrawScene(*arial, 0);
    FontList::ResetForTest();
  }
  test::ExpectMatchesGolden(fixed, "truetype_lines", kTolerance);
  // The path in doubles, filled by the device context (where the two roads
  // agree is shown glyph by glyph in FixedGlyphLineTest).
  test::ExpectMatchesGolden(doubles, "truetype_lines_device", kTolerance);
}

TEST_F(TrueTypeLinesGolden, InstalledFaceAndBuiltinResourceGiveTheSamePixels) {
  if (FindResource(ResourceType::FontTable, kArialFontTableId).empty())
    GTEST_SKIP() << "built without the Liberation fonts: no built-in font resources";
  test::Picture installed, stored;
  {
    test::PrivateFonts fonts("lines-installed", {test::kLiberationSans});
    TrueTypeFaceSet* arial = FontList::GetAt(0)->FaceSet();
    ASSERT_FALSE(arial->outlinesStored);
    installed = DrawScene(*arial, 1, false);
    FontList::ResetForTest();
  }
  {
    test::PrivateFonts fonts("lines-stored", {test::kDejaVuSans});
    TrueTypeFaceSet* arial = FontList::GetAt(0)->FaceSet();
    ASSERT_TRUE(arial->outlinesStored);
    stored = DrawScene(*arial, 1, false);
    FontList::ResetForTest();
  }
  ASSERT_EQ(installed.pixels.size(), stored.pixels.size());
  int differing = 0;
  for (std::size_t i = 0; i < installed.pixels.size(); ++i) differing += installed.pixels[i] != stored.pixels[i];
  EXPECT_EQ(differing, 0);
}

TEST_F(TrueTypeLinesGolden, AnExplodedLineIsOnePolygonPerGlyphThenTheBars) {
  test::PrivateFonts fonts("lines-explode", {test::kLiberationSans});
  TrueTypeFaceSet* arial = FontList::GetAt(0)->FaceSet();
  ObjectChain out;
  TrueTypeLine line;
  line.out = &out;
  line.height = 2.5;
  line.text = WString(u"Ab e\u030C");  // a blank, and a combining caron with its own outline
  line.underline = line.strikeOut = true;
  arial->LoadGlyphs(line.text, 0);
  DrawTrueTypeLine(*arial, line);
  std::vector<const cPolygon*> polygons;
  for (cOutObj* o = out.Head(); o; o = o->next) polygons.push_back(o->AsAnyFill()->AsPolygon());
  ASSERT_EQ(polygons.size(), 6u);  // A, b, e, caron, underline, strike-out
  EXPECT_EQ(polygons[0]->ListCount(), 2u);  // A and its hole
  EXPECT_EQ(polygons[1]->ListCount(), 2u);  // b and its bowl
  EXPECT_EQ(polygons[2]->ListCount(), 2u);
  EXPECT_EQ(polygons[4]->ListCount(), 1u);
  EXPECT_EQ(polygons[4]->FirstList().Count(), 4u);
  EXPECT_EQ(polygons[5]->FirstList().Count(), 4u);
  // The underline lies below the baseline, the strike-out above it.
  EXPECT_GT(polygons[4]->FirstList().Points()[0].y, 2.5);
  EXPECT_LT(polygons[5]->FirstList().Points()[0].y, 2.5);
  FontList::ResetForTest();
}

}  // namespace
}  // namespace kvn
