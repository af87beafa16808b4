// The text layout: frame corners by alignment and mirror, line breaking with
// a wrap width, block height, degenerate and damaged texts, and the three
// font sources (SHX from shape files made here, TrueType and the screen font
// from the pinned Liberation faces).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/FontList.h"
#include "model/TextGlyphBoxes.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "tests/support/PrivateFonts.h"
#include "tests/support/ShxFixtures.h"
#include "text/ShxParsedFont.h"
#include "text/TrueTypeLine.h"

namespace kvn {
namespace {

using test::MakeShapesFile;

// A 3 wide and 3 high, B a stroke 2 long, the blank a pen-up move of 2;
// above 10, below 4.
std::vector<std::uint8_t> LayoutFont() {
  return MakeShapesFile({{32, "SPACE", {0x02, 0x20, 0}}, {65, "A", {0x34, 0x30, 0}}, {66, "B", {0x20, 0}}}, 10, 4);
}

class TextLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallShxFonts();
    InstallTrueTypeLineDrawer();
    auto shx = std::make_unique<ShxFont>();
    shx->bytes = LayoutFont();
    auto font = std::make_unique<cStyleFont>();
    font->name = WString(u"Layout Test.shx");
    font->BindFace(nullptr, std::move(shx));
    fontIndex = data.FontStyles().Add(std::move(font));
  }
  void TearDown() override {
    SetShxMetricsSource(nullptr);
    SetShxGlyphBoxSource(nullptr);
    SetTrueTypeGlyphBoxSource(nullptr);
    SetShxArchiveLoader(nullptr);
  }
  // "AB" at (10, 20), height 5: block width 2.5, line height 7, descent 2.
  void MakeAB(cText& t, int code) {
    t.SetText(WString(u"AB"));
    t.SetFontIndex(fontIndex);
    t.attr.height = 5;
    t.point = DPoint{10, 20};
    t.alignment = std::uint8_t(code);
    t.MarkDirty();
  }
  std::vector<int> Lines(cText& t) {
    std::vector<int> starts;
    for (int i = 0; i < t.GetLineCount(&data); ++i) starts.push_back(t.lineStarts[i]);
    return starts;
  }

  cDrawingData data;
  std::uint16_t fontIndex = 0;
};

void ExpectCorners(const DPoint (&c)[4], DPoint a, DPoint b, const char* what) {
  const DPoint want[4] = {a, {b.x, a.y}, b, {a.x, b.y}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(c[i].x, want[i].x, 1e-12) << what << " corner " << i;
    EXPECT_NEAR(c[i].y, want[i].y, 1e-12) << what << " corner " << i;
  }
}

TEST_F(TextLayout, FrameCornersOfTheTwelveAlignments) {
  // First and third corner of each code, the point at (10, 20).
  const DPoint golden[12][2] = {
      {{10, 20}, {12.5, 27}},        {{8.75, 20}, {11.25, 27}},   {{7.5, 20}, {10, 27}},
      {{10, 16.5}, {12.5, 23.5}},    {{8.75, 16.5}, {11.25, 23.5}}, {{7.5, 16.5}, {10, 23.5}},
      {{10, 13}, {12.5, 20}},        {{8.75, 13}, {11.25, 20}},   {{7.5, 13}, {10, 20}},
      {{10, 15}, {12.5, 22}},        {{8.75, 15}, {11.25, 22}},   {{7.5, 15}, {10, 22}},
  };
  for (int code = 0; code < 12; ++code) {
    cText t;
    MakeAB(t, code);
    DPoint c[4];
    t.GetFrameCorners(&data, c);
    ExpectCorners(c, golden[code][0], golden[code][1], ("code " + std::to_string(code)).c_str());
    DRect e;
    t.GetExtentUpdated(&data, e);
    EXPECT_NEAR(e.x1, golden[code][0].x, 1e-12);
    EXPECT_NEAR(e.y2, golden[code][1].y, 1e-12);
  }
}

TEST_F(TextLayout, MirrorsPutTheFrameOnTheOtherSide) {
  cText t;
  MakeAB(t, 0);
  t.attr.mirrorX = 1;
  DPoint c[4];
  t.GetFrameCorners(&data, c);
  ExpectCorners(c, {10, 20}, {7.5, 27}, "mirror x");
  MakeAB(t, 8);
  t.attr.mirrorX = 0;
  t.attr.mirrorY = 1;
  t.GetFrameCorners(&data, c);
  ExpectCorners(c, {7.5, 27}, {10, 20}, "mirror y");
  // Turned by 90 degrees about the point.
  MakeAB(t, 0);
  t.attr.mirrorY = 0;
  t.SetAngle(90);
  t.GetFrameCorners(&data, c);
  EXPECT_NEAR(c[2].x, 10 + 7, 1e-12);
  EXPECT_NEAR(c[2].y, 20 - 2.5, 1e-12);
}

TEST_F(TextLayout, WrapKeepsLongWordsAndDropsBlanksAtBreaks) {
  cText t;
  t.SetText(WString(u"AA B  AAAA B"));
  t.SetFontIndex(fontIndex);
  t.attr.height = 10;  // one shape unit per drawing unit
  t.wrapWidth = 7;
  EXPECT_EQ(Lines(t), (std::vector<int>{0, 3, 6, 11}));
  int length = 0;
  EXPECT_EQ(t.GetLineRange(length, 1), 3);
  EXPECT_EQ(length, 1);  // "B", its blanks left out
  EXPECT_EQ(t.GetLineRange(length, 2), 6);
  EXPECT_EQ(length, 4);  // the word wider than the wrap width, whole
  EXPECT_DOUBLE_EQ(t.blockWidth, 12);
  EXPECT_EQ(t.GetLineRange(length, 4), 0);
  EXPECT_EQ(length, 0);
  // A narrow text keeps the wrap width as its block width.
  t.SetText(WString(u"A"));
  t.MarkDirty();
  (void)t.GetLineCount(&data);
  EXPECT_DOUBLE_EQ(t.blockWidth, 7);
  // Blanks at the very end give no empty line.
  t.SetText(WString(u"AA      "));
  t.MarkDirty();
  EXPECT_EQ(Lines(t), (std::vector<int>{0}));
}

TEST_F(TextLayout, LineRangesLeaveOutLineEnds) {
  cText t;
  t.SetText(WString(u"AB \r\nA"));
  t.SetFontIndex(fontIndex);
  t.attr.height = 10;
  ASSERT_EQ(Lines(t), (std::vector<int>{0, 5}));
  int length = 0;
  EXPECT_EQ(t.GetLineRange(length, 0), 0);
  EXPECT_EQ(length, 3);  // the blank stays without a wrap width
  EXPECT_DOUBLE_EQ(t.blockWidth, 3 + 2 + 2);
  t.wrapWidth = 100;
  t.MarkDirty();
  (void)t.GetLineCount(&data);
  EXPECT_EQ(t.GetLineRange(length, 0), 0);
  EXPECT_EQ(length, 2);
}

TEST_F(TextLayout, TwoLinesAtSpacingZeroTakeSpacingOne) {
  cText t;
  MakeAB(t, 0);
  t.SetText(WString(u"A\nB"));
  t.lineSpacing = 0;
  DPoint c[4];
  t.GetFrameCorners(&data, c);
  const double L = 7, gap = 5 * (2.0 / 3.0 - 0.4);
  EXPECT_NEAR(c[2].y - c[0].y, gap + 2 * L, 1e-12);
  t.lineSpacing = 2;
  t.MarkDirty();
  t.GetFrameCorners(&data, c);
  EXPECT_NEAR(c[2].y - c[0].y, 2 * (gap + L) + L, 1e-12);
}

TEST_F(TextLayout, ZeroHeightAndDamagedTexts) {
  cText t;
  MakeAB(t, 4);
  t.attr.height = 0;
  DPoint c[4];
  t.GetFrameCorners(&data, c);
  for (const DPoint& p : c) EXPECT_EQ(p, (DPoint{10, 20}));
  const double bad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()};
  for (double v : bad) {
    for (int field = 0; field < 5; ++field) {
      cText d;
      MakeAB(d, 4);
      d.wrapWidth = 3;
      switch (field) {
        case 0: d.attr.height = v; break;
        case 1: d.attr.widthFactor = v; break;
        case 2: d.angle = v; break;
        case 3: d.wrapWidth = v; break;
        case 4: d.point.x = v; break;
      }
      d.MarkDirty();
      EXPECT_FALSE(d.HasFiniteGeometry());
      DRect e, f;
      d.GetExtentUpdated(&data, e);
      d.AddFullExtent(&data, f);
      d.GetFrameCorners(&data, c);
      for (double x : {e.x1, e.y1, e.x2, e.y2, f.x1, f.y1, f.x2, f.y2, c[0].x, c[2].y}) {
        EXPECT_TRUE(std::isfinite(x)) << "field " << field;
      }
    }
  }
}

TEST_F(TextLayout, ShxPenWidthWidensTheFullExtent) {
  cText t;
  MakeAB(t, 0);
  data.FontStyles().Get(fontIndex)->shx->penWidth = 10;
  DRect e, f;
  t.GetExtentUpdated(&data, e);
  t.AddFullExtent(&data, f);
  EXPECT_DOUBLE_EQ(t.halfPenWidth, 0.25);
  EXPECT_NEAR(f.x1, e.x1 - 0.25, 1e-12);
  EXPECT_NEAR(f.y2, e.y2 + 0.25, 1e-12);
}

TEST_F(TextLayout, TrueTypeAndScreenFontSources) {
  if (!test::FontFilesPresent({test::kLiberationSans})) GTEST_SKIP() << "Liberation Sans missing";
  FontList::ResetForTest();
  {
    test::PrivateFonts fonts("text-layout", {test::kLiberationSans});
    auto font = std::make_unique<cStyleFont>();
    font->name = WString(u"Liberation Sans");
    font->BindFace(std::make_unique<TrueTypeFaceSet>(font->name), nullptr);
    cText t;
    t.SetText(WString(u"HH"));
    t.SetFontIndex(data.FontStyles().Add(std::move(font)));
    t.attr.height = 10;
    t.point = DPoint{0, 0};
    (void)t.GetLineCount(&data);
    // Two advances of H (1479/2048 em) in cap heights (1409/2048 em).
    EXPECT_NEAR(t.blockWidth, 2 * 10 * 1479.0 / 1409.0, 0.3);
    // "j" reaches left of its advance box and below the descent line: the
    // full extent holds the ink.
    t.SetText(WString(u"jj"));
    t.MarkDirty();
    DRect e, f;
    t.GetExtentUpdated(&data, e);
    t.AddFullExtent(&data, f);
    EXPECT_LT(f.x1, e.x1);
    EXPECT_TRUE(f.y1 <= e.y1 && f.x2 >= e.x2 && f.y2 >= e.y2);

    // Screen font: no font table entry.
    cText s;
    s.SetText(WString(u"HH"));
    s.SetFont(nullptr, 0, 0, 65535);
    s.faceName = WString(u"Liberation Sans");
    s.attr.height = 10;
    (void)s.GetLineCount(nullptr);
    EXPECT_NEAR(s.measuredEm, 48, 1e-9);
    EXPECT_GT(s.measuredMetrics[3], 48);
    EXPECT_NEAR(s.blockWidth, 2 * 10 * 35 / 48.0, 0.5);  // H: 35 pixels at the 48-pixel em
  }
  FontList::ResetForTest();
}

}  // namespace
}  // namespace kvn
