// Glyph outlines as runs, their placement at a text position, text bars and
// the filled lists they draw through; and the glyphs of patterned lines.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BBOX_H
#include FT_OUTLINE_H

#include <gtest/gtest.h>

#include "model/FontList.h"
#include "model/ObjectChain.h"
#include "model/ObjectTypes.h"
#include "model/cDrawingData.h"
#include "model/cPolygon.h"
#include "model/cStyleFont.h"
#include "model/cStyleLine.h"
#include "platform/fonts/FontSources.h"
#include "text/GlyphOutline.h"
#include "text/GlyphPolygons.h"
#include "text/PatternGlyphs.h"
#include "tests/support/PrivateFonts.h"
#include "tests/support/RecordingDrawInfo.h"

namespace kvn {
namespace {

using test::PrivateFonts;

constexpr std::int32_t kUnit = 65536 * 8;  // one em unit at the 8x matrix

// A glyph of square contours given in em units at the stored 8x scale.
FontGlyph SquareGlyph(std::initializer_list<std::array<double, 3>> squares, std::uint16_t advance = 10) {
  GlyphOutlineWriter w;
  for (const auto& s : squares) {
    const std::int32_t x = std::int32_t(s[0] * kUnit), y = std::int32_t(s[1] * kUnit), d = std::int32_t(s[2] * kUnit);
    w.BeginPolygon({x, y});
    w.AddLine({x + d, y});
    w.AddLine({x + d, y + d});
    w.AddLine({x, y + d});
  }
  FontGlyph g;
  g.code = u'#';
  g.advance = advance;
  g.outline = w.Finish();
  return g;
}

struct FreshFontList {
  FreshFontList() { FontList::ResetForTest(); }
  ~FreshFontList() { FontList::ResetForTest(); }
};

// The runs of 'A', 'g', '@' and 'Ž' from the stored records lie between
// FreeType's exact box and its control box of the unhinted outline at the
// 48-unit em, to 1/65536.
TEST(GlyphPolygons, BoundsBetweenFreeTypesExactAndControlBoxes) {
  if (!test::FontFilesPresent({test::kLiberationSans})) GTEST_SKIP() << "Liberation Sans missing";
  FreshFontList fresh;
  PrivateFonts fonts("text-bounds", {test::kLiberationSans});
  TrueTypeFaceSet set(WString(u"Liberation Sans"));
  ASSERT_TRUE(set.IsAvailable());
  TrueTypeFace* face = set.CreateFace(0);
  FT_Face ft = nullptr;
  ASSERT_EQ(FT_New_Face(FreeTypeLibrary(), test::kLiberationSans, 0, &ft), 0);
  const double k = 48.0 / ft->units_per_EM * 65536.0;
  for (char16_t c : {u'A', u'g', u'@', u'\u017D'}) {
    SCOPED_TRACE(int(c));
    FontGlyph* glyph = face->GetGlyph(c);
    ASSERT_NE(glyph, nullptr);
    BuildGlyphPolygons(*glyph);
    ASSERT_FALSE(glyph->polygons->runs.empty());
    ASSERT_EQ(FT_Load_Char(ft, c, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING), 0);
    FT_BBox exact, control;
    FT_Outline_Get_BBox(&ft->glyph->outline, &exact);
    FT_Outline_Get_CBox(&ft->glyph->outline, &control);
    const std::int32_t* b = glyph->bounds;  // left, bottom (min y), right, top (max y)
    EXPECT_LE(b[0], exact.xMin * k + 1);
    EXPECT_GE(b[0], control.xMin * k - 1);
    EXPECT_LE(b[1], exact.yMin * k + 1);
    EXPECT_GE(b[1], control.yMin * k - 1);
    EXPECT_GE(b[2], exact.xMax * k - 1);
    EXPECT_LE(b[2], control.xMax * k + 1);
    EXPECT_GE(b[3], exact.yMax * k - 1);
    EXPECT_LE(b[3], control.yMax * k + 1);
  }
  FT_Done_Face(ft);
}

TEST(GlyphPolygons, OverhangsAndBlanks) {
  FontGlyph g = SquareGlyph({{-3.5, 0, 34.1}}, 28);  // ink from -3.5 to 30.6
  BuildGlyphPolygons(g);
  EXPECT_EQ(g.bounds[0], -3 * 65536 - 32768);
  EXPECT_EQ(GetGlyphLeftOverhang(g), 4);
  EXPECT_EQ(GetGlyphRightOverhang(g), 3);  // round(30.6) - 28
  FontGlyph inside = SquareGlyph({{1, 0, 5}});
  EXPECT_EQ(GetGlyphLeftOverhang(inside), 0);
  EXPECT_EQ(GetGlyphRightOverhang(inside), 0);
  // A blank keeps its advance and places nothing.
  FontGlyph blank;
  blank.advance = 13;
  ObjectChain out;
  test::RecordingDrawInfo info;
  DrawGlyphOutline(blank, &info, &out, GlyphPlacement{});
  EXPECT_TRUE(out.Empty());
  EXPECT_TRUE(info.calls.empty());
}

TEST(GlyphOutline, PlacementMirrorsAndTurns) {
  // A glyph with a hole: outer 0..8, inner 2..4.
  FontGlyph g = SquareGlyph({{0, 0, 8}, {2, 2, 2}});
  GlyphPlacement at;
  at.origin = {100, 200};
  at.size = 0.5;
  at.ascent = 40;
  at.color = 0x123456;
  at.level = 7;
  ObjectChain out;
  test::RecordingDrawInfo info;
  DrawGlyphOutline(g, &info, &out, at);
  // Both contours filled at once (through the shared rectangle template); no line.
  EXPECT_EQ(info.calls, (std::vector<std::string>{"FillPath type 2"}));
  ASSERT_FALSE(out.Empty());
  cPolygon* polygon = out.Head()->AsAnyFill()->AsPolygon();
  ASSERT_NE(polygon, nullptr);
  ASSERT_EQ(polygon->ListCount(), 2u);
  EXPECT_TRUE(polygon->List(0).IsClosed());
  EXPECT_EQ(polygon->List(0).GetCurveKind(), 3);
  EXPECT_EQ(polygon->fill.fillColor, 0x123456u);
  EXPECT_EQ(polygon->stroke.lineType, 0);
  EXPECT_EQ(polygon->Level(), 7);
  // (X, Y) -> (X x 0.5 + 100, (40 - Y) x 0.5 + 200).
  EXPECT_DOUBLE_EQ(polygon->List(0).Points()[0].x, 100);
  EXPECT_DOUBLE_EQ(polygon->List(0).Points()[0].y, 220);
  EXPECT_DOUBLE_EQ(polygon->List(0).Points()[3].x, 104);
  // Turned by 90 degrees: along the line is (0, -1), across it (1, 0).
  at.angle = 90;
  at.ascent = 0;
  at.size = 1;
  at.origin = {0, 0};
  ObjectChain turned;
  DrawGlyphOutline(g, nullptr, &turned, at);
  const DPoint p = turned.Head()->AsAnyFill()->AsPolygon()->List(0).Points()[3];  // (8, 0) of the glyph
  EXPECT_NEAR(p.x, 0, 1e-12);
  EXPECT_NEAR(p.y, -8, 1e-12);
  // Mirrored in x, and the width factor.
  at.angle = 0;
  at.mirrorX = true;
  at.widthFactor = 0.5;
  ObjectChain mirrored;
  DrawGlyphOutline(g, nullptr, &mirrored, at);
  EXPECT_DOUBLE_EQ(mirrored.Head()->AsAnyFill()->AsPolygon()->List(0).Points()[3].x, -4);
}

TEST(GlyphOutline, TextBarsTakeTheTemplate) {
  cPolygon templ;
  templ.SetFlag(kFlagHidden, true);
  templ.SetPage(3);
  ObjectChain out;
  test::RecordingDrawInfo info;
  DrawTextBar(&info, &out, {0, 0}, {10, 0}, 0, 2, 1, 0xFF, 4, &templ);
  // Hidden: produced, not drawn.
  EXPECT_TRUE(info.calls.empty());
  ASSERT_FALSE(out.Empty());
  const cPolygon* bar = out.Head()->AsAnyFill()->AsPolygon();
  const auto pts = bar->FirstList().Points();
  ASSERT_EQ(pts.size(), 4u);
  EXPECT_EQ(pts[0], (DPoint{0, 2}));
  EXPECT_EQ(pts[1], (DPoint{10, 2}));
  EXPECT_EQ(pts[2], (DPoint{10, 3}));
  EXPECT_EQ(pts[3], (DPoint{0, 3}));
  EXPECT_TRUE(bar->HasFlag(kFlagHidden));
  EXPECT_EQ(bar->PageId(), 3);
  EXPECT_EQ(bar->Level(), 4);
  DrawTextBar(&info, nullptr, {0, 0}, {10, 0}, 90, 2, 1, 0xFF, 4, nullptr);
  EXPECT_EQ(info.calls, (std::vector<std::string>{"FillPath type 6"}));
}

TEST(PatternGlyphs, LineStylesGetTheOutlinesOfTheirFonts) {
  if (!test::FontFilesPresent({test::kLiberationSans})) GTEST_SKIP() << "Liberation Sans missing";
  FreshFontList fresh;
  PrivateFonts fonts("text-pattern", {test::kLiberationSans});
  InstallPatternGlyphSource();
  cDrawingData data;
  const std::uint16_t font = data.FindOrAddFont(WString(u"Arial"));
  cStyleLine style;
  style.dashElements.resize(1);
  style.dashElements[0].hasText = true;
  style.dashElements[0].text = WString(u"AB");
  style.dashElements[0].fontIndex = font;
  style.dashElements[0].scale = 2.0;
  style.BuildPatternCache(&data);
  ASSERT_NE(style.PatternCache(), nullptr);
  ASSERT_EQ(style.PatternCache()->pieces.size(), 1u);
  EXPECT_GE(style.PatternCache()->pieces[0].contours.size(), 3u);  // A has two, B three
  EXPECT_GT(style.PatternCache()->reach, 2.0);
  SetGlyphOutlineSource(nullptr);
}

}  // namespace
}  // namespace kvn
