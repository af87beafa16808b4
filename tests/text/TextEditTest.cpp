// Edits of texts: scaling with mirrored alignments, the anchor moved to the
// top-left corner, frozen fields and the line test.
#include <gtest/gtest.h>

#include <cmath>

#include "model/FontList.h"
#include "model/TextGlyphBoxes.h"
#include "model/cDrawingData.h"
#include "model/ObjectChain.h"
#include "model/cPolygon.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "tests/support/ShxFixtures.h"
#include "text/ShxParsedFont.h"

namespace kvn {
namespace {

class TextEdit : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallShxFonts();
    auto shx = std::make_unique<ShxFont>();
    shx->bytes = test::MakeShapesFile({{65, "A", {0x34, 0x30, 0}}, {66, "B", {0x20, 0}}}, 10, 4);
    auto font = std::make_unique<cStyleFont>();
    font->name = WString(u"Edit Test.shx");
    font->BindFace(nullptr, std::move(shx));
    fontIndex = data.FontStyles().Add(std::move(font));
    context.data = &data;
  }
  void TearDown() override {
    SetShxMetricsSource(nullptr);
    SetShxGlyphBoxSource(nullptr);
    SetShxTextDrawer(nullptr);
    SetShxOutlineSource(nullptr);
    SetShxArchiveLoader(nullptr);
  }
  // Height 5: line height 7, descent 2, gap 5 (2/3 - 0.4).
  void Make(cText& t, const char16_t* s, int code, double angle = 0) {
    t.SetText(WString(s));
    t.SetFontIndex(fontIndex);
    t.attr.height = 5;
    t.point = DPoint{10, 20};
    t.alignment = std::uint8_t(code);
    t.SetAngle(angle);
  }
  cDrawingData data;
  TransformContext context;
  std::uint16_t fontIndex = 0;
};

TEST_F(TextEdit, NegativeXFactorTurnsAlongXAndMirrorsTheColumn) {
  cText t;
  Make(t, u"AB", 3);
  ASSERT_TRUE(t.Scale(context, DPoint{0, 0}, DPoint{-1, 1}));
  EXPECT_DOUBLE_EQ(t.point.x, -10);
  EXPECT_NEAR(t.angle, 0, 1e-12);  // atan2 gives 180, the turn by -180 brings it back
  EXPECT_EQ(t.alignment & kAlignCodeMask, 5);
  Make(t, u"AB", 0, 30);
  t.Scale(context, DPoint{0, 0}, DPoint{-2, 1});
  // atan2(sin 30, -2 cos 30) = 163.9 degrees, then turned by -180.
  EXPECT_NEAR(t.angle, std::atan2(0.5, -2 * std::cos(30 * M_PI / 180)) * 180 / M_PI - 180, 1e-9);
  EXPECT_EQ(t.alignment & kAlignCodeMask, 2);
  EXPECT_DOUBLE_EQ(t.attr.height, 5);  // the smaller factor is 1
  // A text standing upright gets its row mirrored instead.
  Make(t, u"AB", 1, 90);
  t.Scale(context, DPoint{0, 0}, DPoint{-1, 1});
  EXPECT_EQ(t.alignment & kAlignCodeMask, 7);
}

TEST_F(TextEdit, BaselineUnderNegativeYFactorBecomesTheTopRow) {
  cText t;
  Make(t, u"AB", 10);
  t.Scale(context, DPoint{0, 0}, DPoint{1, -1});
  EXPECT_EQ(t.alignment & kAlignCodeMask, 1);
  EXPECT_DOUBLE_EQ(t.point.x, 10);
  EXPECT_DOUBLE_EQ(t.point.y, -20 - 2);  // moved by the descent
  // Two lines at spacing 2: the descent and one line pitch.
  Make(t, u"A\nB", 9);
  t.lineSpacing = 2;
  t.Scale(context, DPoint{0, 0}, DPoint{1, -1});
  const double gap = 5 * (2.0 / 3.0 - 0.4);
  EXPECT_NEAR(t.point.y, -20 - (2 + (gap + 7) * 2), 1e-12);
  EXPECT_EQ(t.alignment & kAlignCodeMask, 0);
  // Codes 0-8 swap rows; the keep-angle bit scales only the point (and the height).
  Make(t, u"AB", 2);
  t.Scale(context, DPoint{0, 0}, DPoint{2, -3});
  EXPECT_EQ(t.alignment & kAlignCodeMask, 8);
  EXPECT_DOUBLE_EQ(t.attr.height, 10);
  Make(t, u"AB", 2 | kAlignKeepAngle, 30);
  t.Scale(context, DPoint{0, 0}, DPoint{-1, -1});
  EXPECT_EQ(t.alignment, 2 | kAlignKeepAngle);
  EXPECT_NEAR(t.angle, 30, 1e-12);
  EXPECT_EQ(t.point, (DPoint{-10, -20}));
}

TEST_F(TextEdit, AnchorMovedToTopLeftKeepsTheText) {
  cText t;
  Make(t, u"AB", 8);
  t.MoveAnchorToTopLeft(&data);
  const double gap = 5 * (2.0 / 3.0 - 0.4);
  EXPECT_EQ(t.alignment & kAlignCodeMask, 0);
  EXPECT_NEAR(t.point.x, 10 - 2.5, 1e-12);
  EXPECT_NEAR(t.point.y, 20 - (7 + gap), 1e-12);  // one whole pitch, not the line height
}

TEST_F(TextEdit, FrozenFieldsAndLines) {
  cText t;
  t.SetText(WString(u"a [/<x>\\] b [/<y>\\] [/<open"));
  t.FreezeFields();
  EXPECT_EQ(t.GetText().ToUtf8(), "a [/<?x>\\] b [/<?y>\\] [/<open");
  t.SetText(WString(u"first\r\nsecond\nthird"));
  EXPECT_TRUE(t.HasLineEqualTo(WString(u"first")));
  EXPECT_TRUE(t.HasLineEqualTo(WString(u"third")));
  EXPECT_FALSE(t.HasLineEqualTo(WString(u"sec")));
  t.ExpandFieldsInSource(&data, nullptr, nullptr);  // nothing to replace yet
  EXPECT_EQ(t.GetText().ToUtf8(), "first\r\nsecond\nthird");
}

TEST_F(TextEdit, ResolveMakesTheStyleFrameAndMergesTheStyle) {
  TextAttributes record;
  record.height = 5;
  record.color = 0x123456;
  record.secondColor = 0x00FF00;
  record.optionalByte = 128;
  record.fontIndex = fontIndex;
  const std::uint16_t styleIndex = data.AddTextStyle(record);
  ASSERT_NE(styleIndex, kNoStyle);
  cText t;
  t.SetText(WString(u"AB"));
  t.SetTypeByteSourceBits(kTypeStyledStroke);
  t.attr.textStyle = styleIndex;
  t.attr.height = 0;
  t.attr.color = 0x80000000u;  // taken from the style
  t.point = DPoint{10, 20};
  t.SetLevel(7);
  ObjectChain chain = t.Resolve(&data, false);
  ASSERT_EQ(chain.Count(), 2u);
  const cPolygon* frame = dynamic_cast<const cPolygon*>(chain.Head());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->fill.fillColor, 0x00FF00u);
  EXPECT_EQ(frame->fill.opacity, 128);
  EXPECT_EQ(frame->Level(), 7);
  EXPECT_TRUE(frame->HasFlag(kFlagGenerated) && frame->HasFlag(kFlagRecoloured));
  DPoint corners[4];
  t.GetFrameCorners(&data, corners);
  for (std::uint32_t i = 0; i < 4; ++i) EXPECT_EQ(frame->FirstList().Points()[i], corners[i]);
  cText* copy = chain.Head()->next->AsText();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->TypeByte() & kTypeStyledStroke, 0);
  EXPECT_DOUBLE_EQ(copy->attr.height, 5);
  EXPECT_EQ(copy->attr.color, 0x123456u);
  EXPECT_TRUE(copy->HasFlag(kFlagResolved));

  // An unstyled text is only flagged.
  cText plain;
  EXPECT_TRUE(plain.Resolve(&data, false).Empty());
  EXPECT_TRUE(plain.HasFlag(kFlagResolved));
}

TEST_F(TextEdit, UnstyledTextsRegisterTheirFont) {
  cText t;
  t.faceName = WString(u"Some Face");
  t.SetFontIndex(9999);
  RegisterTextFont(data, t);
  ASSERT_LT(t.attr.fontIndex, data.FontStyles().Count());
  EXPECT_EQ(data.FontStyles().Get(t.attr.fontIndex)->name.ToUtf8(), "Some Face");
  const std::uint32_t fonts = data.FontStyles().Count();
  cText again;
  again.faceName = WString(u"Some Face");
  again.SetFontIndex(kNoStyle);
  RegisterTextFont(data, again);
  EXPECT_EQ(again.attr.fontIndex, t.attr.fontIndex);  // found, not added again
  EXPECT_EQ(data.FontStyles().Count(), fonts);
  // A valid index stays.
  again.SetFontIndex(fontIndex);
  RegisterTextFont(data, again);
  EXPECT_EQ(again.attr.fontIndex, fontIndex);
}

}  // namespace
}  // namespace kvn
