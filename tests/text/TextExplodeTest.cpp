// The text explosion: line splits with their anchors, frozen fields and the
// background, SHX strokes as lines and polygons with the font's pen, bars
// alone, and TrueType glyphs as polygons.
#include <gtest/gtest.h>

#include <cmath>

#include "model/FontList.h"
#include "model/ObjectChain.h"
#include "model/TextGlyphBoxes.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "tests/support/PrivateFonts.h"
#include "tests/support/ShxFixtures.h"
#include "text/ShxParsedFont.h"
#include "text/TrueTypeLine.h"

namespace kvn {
namespace {

class TextExplode : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallShxFonts();
    InstallTrueTypeLineDrawer();
    auto shx = std::make_unique<ShxFont>();
    // A: up 3 then right 3 (one polyline of two straight pieces); B: one stroke.
    shx->bytes = test::MakeShapesFile({{65, "A", {0x34, 0x30, 0}}, {66, "B", {0x20, 0}}}, 10, 4);
    auto font = std::make_unique<cStyleFont>();
    font->name = WString(u"Explode Test.shx");
    font->BindFace(nullptr, std::move(shx));
    font->shx->penWidth = 10;
    font->shx->penFlag = 0;
    fontIndex = data.FontStyles().Add(std::move(font));
  }
  void TearDown() override {
    SetShxMetricsSource(nullptr);
    SetShxGlyphBoxSource(nullptr);
    SetShxTextDrawer(nullptr);
    SetShxOutlineSource(nullptr);
    SetShxArchiveLoader(nullptr);
    SetTrueTypeGlyphBoxSource(nullptr);
  }
  void Make(cText& t, const char16_t* s, int code) {
    t.SetText(WString(s));
    t.SetFontIndex(fontIndex);
    t.attr.height = 5;  // line height 7, descent 2
    t.point = DPoint{10, 20};
    t.alignment = std::uint8_t(code);
  }
  std::vector<cOutObj*> Objects(ObjectChain& chain) {
    std::vector<cOutObj*> out;
    for (cOutObj* o = chain.Head(); o; o = o->next) out.push_back(o);
    return out;
  }
  cDrawingData data;
  std::uint16_t fontIndex = 0;
};

TEST_F(TextExplode, LinesSplitOnTheirTopsOrBaselines) {
  const double gap = 5 * (2.0 / 3.0 - 0.4), pitch = gap + 7;
  cText t;
  Make(t, u"A\n\nB", 1);
  ObjectChain chain = t.Explode(&data);
  auto objects = Objects(chain);
  ASSERT_EQ(objects.size(), 2u);  // the empty middle line is left out
  cText* first = objects[0]->AsText();
  cText* third = objects[1]->AsText();
  ASSERT_TRUE(first && third);
  EXPECT_EQ(first->alignment & kAlignCodeMask, 1);
  EXPECT_EQ(third->GetText().ToUtf8(), "B");
  EXPECT_NEAR(third->point.y - first->point.y, 2 * pitch, 1e-12);
  EXPECT_EQ(first->wrapWidth, 0);

  // Code 4: each line on its baseline, code 10.
  Make(t, u"A\nB", 4);
  chain = t.Explode(&data);
  objects = Objects(chain);
  ASSERT_EQ(objects.size(), 2u);
  const double top = 20 - (pitch + 7) / 2;  // the block's top at the point's x
  EXPECT_EQ(objects[0]->AsText()->alignment & kAlignCodeMask, 10);
  EXPECT_NEAR(objects[0]->AsText()->point.y, top + 5, 1e-12);  // one ascent down
  EXPECT_NEAR(objects[1]->AsText()->point.y, top + pitch + 5, 1e-12);
  // Mirrored in y: stacked against the y axis.
  t.attr.mirrorY = 1;
  t.MarkDirty();
  chain = t.Explode(&data);
  objects = Objects(chain);
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_NEAR(objects[1]->AsText()->point.y - objects[0]->AsText()->point.y, -pitch, 1e-12);
  // ExplodeBars of several lines is the split too; fields stay literal.
  Make(t, u"[/<x>\\]\nB", 0);
  t.attr.mirrorY = 0;
  chain = t.ExplodeBars(&data);
  EXPECT_TRUE(chain.Empty());  // no bars at all
  t.attr.styleBits |= 0x40;
  chain = t.ExplodeBars(&data);
  objects = Objects(chain);
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0]->AsText()->GetText().ToUtf8(), "[/<?x>\\]");
}

TEST_F(TextExplode, ShxStrokesBecomeLinesAndPolygonsWithThePen) {
  cText t;
  Make(t, u"AB", 0);
  t.attr.height = 2.5;
  t.attr.styleBits |= 0x40 | 0x20;  // underline and strike-out
  ObjectChain chain = t.Explode(&data);
  auto objects = Objects(chain);
  ASSERT_EQ(objects.size(), 4u);  // A, B, then the two bars
  const cPolygon* a = dynamic_cast<const cPolygon*>(objects[0]);
  ASSERT_NE(a, nullptr);
  EXPECT_FALSE(a->FirstList().IsClosed());
  EXPECT_EQ(a->FirstList().GetCurveKind(), 0);  // straightened: a plain polyline
  EXPECT_EQ(a->FirstList().Count(), 3u);
  for (cOutObj* o : objects) {
    const cAnyLine* line = o->AsAnyLine();
    ASSERT_NE(line, nullptr);
    EXPECT_DOUBLE_EQ(line->stroke.width, 0.25);
    EXPECT_EQ(line->stroke.penOption, 1);
  }
  EXPECT_NE(dynamic_cast<const cLine*>(objects[1]), nullptr);
  EXPECT_NE(dynamic_cast<const cLine*>(objects[2]), nullptr);
  EXPECT_NE(dynamic_cast<const cLine*>(objects[3]), nullptr);
  ObjectChain bars = t.ExplodeBars(&data);
  EXPECT_EQ(bars.Count(), 2u);
}

TEST_F(TextExplode, NothingForEmptyScreenFontOrNoData) {
  cText t;
  Make(t, u"", 0);
  EXPECT_TRUE(t.Explode(&data).Empty());
  Make(t, u"AB", 0);
  EXPECT_TRUE(t.Explode(nullptr).Empty());
  t.SetFontIndex(65535);
  EXPECT_TRUE(t.Explode(&data).Empty());
}

TEST_F(TextExplode, TrueTypeGlyphsThenBars) {
  if (!test::FontFilesPresent({test::kLiberationSans})) GTEST_SKIP() << "Liberation Sans missing";
  FontList::ResetForTest();
  {
    test::PrivateFonts fonts("text-explode", {test::kLiberationSans});
    auto font = std::make_unique<cStyleFont>();
    font->name = WString(u"Liberation Sans");
    font->BindFace(std::make_unique<TrueTypeFaceSet>(font->name), nullptr);
    cText t;
    t.SetText(WString(u"H i"));
    t.SetFontIndex(data.FontStyles().Add(std::move(font)));
    t.attr.height = 10;
    t.attr.styleBits |= 0x40;
    ObjectChain chain = t.Explode(&data);
    // H, i (the blank has no outline), the underline.
    EXPECT_EQ(chain.Count(), 3u);
    for (cOutObj* o = chain.Head(); o; o = o->next) EXPECT_NE(dynamic_cast<cPolygon*>(o), nullptr);
  }
  FontList::ResetForTest();
}

}  // namespace
}  // namespace kvn
