// Texts, dimensions and inserts through the sheet painter, with the fonts
// pinned (a private fontconfig file with the Liberation fonts only): one
// page of quarter turns, a 30 degree turn, mirrors, a half width factor,
// the three columns, several lines, a style background, an SHX text, a
// dimension with its label, one on a symbol line type and an insert with a
// label. Against reviewed pictures on the raster surface (small texts as
// device-context runs, mirrored ones as glyphs) and on a bare cairo image
// device context; as the recording device sees them when printed (runs
// stretched from a 48-unit font cell) and exported (TextOut under extent
// scaling with flag B); and the edge cases of the text drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "model/cBlock.h"
#include "model/cCircle.h"
#include "model/cDistance.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/cStyleFont.h"
#include "model/cStyleLine.h"
#include "model/cStyleText.h"
#include "model/cText.h"
#include "model/FontList.h"
#include "model/TextGlyphBoxes.h"
#include "platform/fonts/FontLayerFaces.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/gdi/TextFaces.h"
#include "render/DrawInfo.h"
#include "render/GeometryServicesImpl.h"
#include "render/PenCache.h"
#include "render/RasterSurface.h"
#include "render/SheetPainter.h"
#include "render/TextFontCache.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/PrivateFonts.h"
#include "text/ShxParsedFont.h"
#include "text/TrueTypeLine.h"

namespace kvn {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 400;
constexpr int kLargeHeight = 280;

class TextRoads : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::FontFilesPresent({test::kLiberationSans, test::kLiberationNarrow}))
      GTEST_SKIP() << "Liberation Sans or Liberation Sans Narrow missing";
    FontList::ResetForTest();
    fonts = std::make_unique<test::PrivateFonts>("text-roads",
                                                 std::vector<std::string>{test::kLiberationSans, test::kLiberationNarrow});
    InstallFontLayerFaces();
    InstallShxFonts();
    InstallTrueTypeLineDrawer();
    InstallRendererGeometryServices();
    ResetPenCache();
    ClearTextFontCache();
    data.Levels().InsertLevel(u"0", nullptr, 0);
    arial = AddTrueType(u"Arial");
    auto font = std::make_unique<cStyleFont>();
    font->name = WString(u"Romans.shx");
    font->BindFace(nullptr, nullptr);
    ASSERT_NE(font->Shx(), nullptr);
    font->shx->penWidth = 6;
    romans = data.FontStyles().Add(std::move(font));
    // A text style with a light blue background box.
    auto style = std::make_unique<cStyleText>();
    style->attributes.fontIndex = arial;
    style->attributes.height = 3;
    style->attributes.secondColor = 0x00FFE0C0;
    style->attributes.optionalByte = 255;
    boxed = data.TextStyles().Add(std::move(style));
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
  std::uint16_t AddTrueType(const char16_t* name) {
    auto font = std::make_unique<cStyleFont>();
    font->name = WString(name);
    font->BindFace(std::make_unique<TrueTypeFaceSet>(font->name), nullptr);
    return data.FontStyles().Add(std::move(font));
  }
  cText* Text(const char16_t* s, std::uint16_t font, DPoint at, int code = 0, double height = 3) {
    auto* t = new cText();
    t->SetText(WString(s));
    t->SetFontIndex(font);
    t->point = at;
    t->alignment = std::uint8_t(code);
    t->attr.height = height;
    t->attr.color = 0;
    t->SetLevel(0);
    return t;
  }
  void Add(cOutObj* o) {
    ObjectChain chain;
    chain.Append(o);
    page.AppendChain(std::move(chain));
  }
  void BuildPage() {
    // Quarter turns and a 30 degree turn about one point each.
    const double angles[5] = {0, 90, 180, 270, 30};
    const DPoint at[5] = {{10, 20}, {45, 30}, {75, 10}, {85, 10}, {100, 30}};
    for (int i = 0; i < 5; ++i) {
      cText* t = Text(u"Turn", arial, at[i]);
      t->SetAngle(angles[i]);
      Add(t);
    }
    cText* mx = Text(u"Mirror X", arial, {40, 45});
    mx->attr.mirrorX = 1;
    Add(mx);
    cText* my = Text(u"Mirror Y", arial, {50, 45});
    my->attr.mirrorY = 1;
    Add(my);
    cText* half = Text(u"Half width", arial, {80, 45});
    half->attr.widthFactor = 0.5;
    half->attr.color = 0x0000C0;
    Add(half);
    const char16_t* columns[3] = {u"Left", u"Centre", u"Right"};
    for (int c = 0; c < 3; ++c) Add(Text(columns[c], arial, {120, 55.0 + 6 * c}, c));
    cText* lines = Text(u"Several\nlines of\ntext", arial, {10, 60});
    lines->lineSpacing = 1.2;
    Add(lines);
    cText* styled = Text(u"Background", arial, {40, 62});
    styled->SetTypeByteSourceBits(kTypeStyledStroke);
    styled->attr.textStyle = boxed;
    styled->attr.height = 0;
    styled->attr.color = 0x80000000u;
    Add(styled);
    Add(Text(u"SHX Romans", romans, {120, 10}, 0, 4));

    // A dimension with its label.
    auto* dim = new cDistance();
    dim->textStyle = kNoStyle;
    dim->stroke.width = 0.2;
    dim->stroke.color = 0;
    dim->stroke.lineType = 1;
    dim->SetLevel(0);
    const DPoint ends[2] = {{10, 85}, {60, 85}};
    dim->SetPointsWithData(ends, &data);
    Add(dim);
    // One on a symbol line type: small circles along it.
    auto style = std::make_unique<cStyleLine>();
    style->hasSymbol = 1;
    style->lineType = 0;
    style->width = 0.2;
    style->repeatLength = 2;
    style->startOffset = 5;
    auto* dot = new cCircle();
    dot->p1 = {-1, -1};
    dot->p2 = {1, 1};
    dot->stroke.width = 0.2;
    dot->fill.fillColor = 0x000080FF;
    dot->SetLevel(kNoLevel);
    style->symbol.Append(dot);
    const std::uint16_t symbols = data.LineStyles().Add(std::move(style));
    auto* dimSymbols = new cDistance();
    dimSymbols->textStyle = kNoStyle;
    dimSymbols->SetTypeByteSourceBits(kTypeStyledStroke);
    dimSymbols->stroke.lineStyle = symbols;
    dimSymbols->SetLevel(0);
    const DPoint ends2[2] = {{80, 85}, {140, 85}};
    dimSymbols->SetPointsWithData(ends2, &data);
    Add(dimSymbols);

    // An insert of a small box with a label under it.
    auto* block = new cBlock();
    ObjectChain box;
    const DPoint sq[4] = {{-4, -3}, {4, -3}, {4, 3}, {-4, 3}};
    for (int i = 0; i < 4; ++i) {
      auto* line = new cLine();
      line->start = sq[i];
      line->end = sq[(i + 1) % 4];
      line->stroke.width = 0.3;
      line->SetLevel(kNoLevel);
      box.Append(line);
    }
    block->AppendChain(std::move(box));
    auto* insert = new cInsert();
    insert->blockIndex = data.AddBlock(block);
    insert->point = {20, 90};
    insert->SetLevel(0);
    InsertLabel* label = insert->GetLabelSlot(0);
    label->text = WString(u"Label");
    label->position = {20, 95};
    label->alignment = 1;
    label->textStyle = kNoStyle;
    Add(insert);
  }
  bool Paint(cDrawInfo& info) { return PaintObjectChain(&data.Levels(), &data, &page, nullptr, 0, info); }

  test::Picture PaintOnSurface() {
    cRasterSurface surface(false);
    EXPECT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
    surface.SetAntiAliasMode(1);
    surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
    {
      cDrawInfo info(Mapping(), &data, surface.GetRasterDC(), &surface);
      EXPECT_TRUE(Paint(info));
    }
    surface.Flush();
    test::Picture out{kWidth, kHeight, {}};
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) out.pixels.push_back(*surface.PixelAt(x, y) & 0xFFFFFF);
    return out;
  }
  static WorldMapping Mapping(OutputMode mode = OutputMode::Screen) {
    WorldMapping m;
    m.deviceClip = {0, 0, kWidth, kHeight};
    m.outputMode = mode;
    return m;
  }

  std::unique_ptr<test::PrivateFonts> fonts;
  cDrawingData data;
  cBlock page;
  std::uint16_t arial = 0, romans = 0, boxed = 0;
};

int CountDark(const test::Picture& p, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += (p.At(x, y) & 0xFF) < 0x80 && ((p.At(x, y) >> 8) & 0xFF) < 0x80;
  return n;
}

TEST_F(TextRoads, PageOnTheRasterSurface) {
  BuildPage();
  const test::Picture p = PaintOnSurface();
  // Every quarter-turned text left ink near its insertion point.
  EXPECT_GT(CountDark(p, 40, 80, 80, 100), 20) << "0 degrees";
  EXPECT_GT(CountDark(p, 180, 60, 200, 120), 20) << "90 degrees";
  // The background box of the styled text is light blue (0xC0E0FF).
  EXPECT_EQ(p.At(161, 249), 0xC0E0FFu);
  test::ExpectMatchesGolden(p, "text_roads_surface", 8);
}

// A text without a font and without a face name (a reference lost on the
// way) still draws, in the default face, on every road: upright (runs),
// turned by 30 degrees (glyph outlines) and mirrored (glyphs into the
// surface).
TEST_F(TextRoads, TextsWithoutAFaceDrawInTheDefaultFace) {
  struct Case {
    const char* what;
    double angle;
    bool mirrorX, mirrorY;
  };
  for (const Case& c : {Case{"upright", 0, false, false}, Case{"turned 30", 30, false, false},
                        Case{"mirrored x", 0, true, false}, Case{"mirrored y", 0, false, true}}) {
    SCOPED_TRACE(c.what);
    page.DetachObjects();
    cText* t = Text(u"Faceless", kNoStyle, {20, 40}, 0, 6);
    t->faceName = WString();
    t->SetAngle(c.angle);
    t->attr.mirrorX = c.mirrorX ? 1 : 0;
    t->attr.mirrorY = c.mirrorY ? 1 : 0;
    Add(t);
    const test::Picture p = PaintOnSurface();
    EXPECT_GT(CountDark(p, 0, 0, kWidth, kHeight), 100);
  }
}

TEST_F(TextRoads, PageOnACairoImageDeviceContext) {
  BuildPage();
  std::vector<std::uint8_t> bits(std::size_t(kWidth) * kHeight * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), kWidth, kHeight);
  ASSERT_TRUE(dc);
  {
    cDrawInfo info(Mapping(), &data, dc.get(), nullptr);
    EXPECT_TRUE(Paint(info));
  }
  dc->Flush();
  const test::Picture p = test::PictureFromBgra(bits.data(), kWidth, kHeight);
  EXPECT_GT(CountDark(p, 40, 80, 80, 100), 20);
  test::ExpectMatchesGolden(p, "text_roads_dc", 8);
}

TEST_F(TextRoads, GlyphRoadFromADeviceHeightOf40) {
  // Scale 10: a text 3.9 high is 39 units (device-context runs), one 4.0
  // high is 40 (glyphs into the surface). Both are drawn and show alike.
  Add(Text(u"Ag", arial, {0.5, 0.5}, 0, 3.9));
  Add(Text(u"Ag", arial, {8.5, 0.5}, 0, 4.0));
  cRasterSurface surface(false);
  ASSERT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kLargeHeight}));
  surface.SetAntiAliasMode(1);
  surface.FillRect(0, 0, kWidth, kLargeHeight, 0xFFFFFFFF);
  WorldMapping m = Mapping();
  m.scale = 10;
  m.deviceClip = {0, 0, kWidth, kLargeHeight};
  {
    cDrawInfo info(m, &data, surface.GetRasterDC(), &surface);
    EXPECT_TRUE(Paint(info));
  }
  surface.Flush();
  test::Picture p{kWidth, kLargeHeight, {}};
  for (int y = 0; y < kLargeHeight; ++y)
    for (int x = 0; x < kWidth; ++x) p.pixels.push_back(*surface.PixelAt(x, y) & 0xFFFFFF);
  const int left = CountDark(p, 0, 0, 320, kLargeHeight), right = CountDark(p, 320, 0, kWidth, kLargeHeight);
  EXPECT_GT(left, 3000);
  EXPECT_NEAR(double(right) / left, 1.05, 0.1) << "the two roads draw the same glyphs";
  test::ExpectMatchesGolden(p, "text_roads_large", 8);
}

// The calls the printer (mode 3) gets: runs stretched from the 48-unit font
// cell, GM_ADVANCED around turned, mirrored and narrow runs only, glyph
// outlines (a path) for the 30 degree turn, and SHX strokes as lines.
TEST_F(TextRoads, PrintedThroughTheDeviceContext) {
  BuildPage();
  RecordingDC dc;
  {
    cDrawInfo info(Mapping(OutputMode::DirectPrinter), &data, &dc, nullptr);
    EXPECT_TRUE(Paint(info));
  }
  const std::string log = dc.Text();
  SCOPED_TRACE(log);
  const auto count = [&](const std::string& what) {
    return std::count_if(dc.calls.begin(), dc.calls.end(),
                         [&](const std::string& c) { return c.rfind(what, 0) == 0; });
  };
  // Quarter turns (4), mirrors (2), half width, three columns, three lines,
  // the background text, the two labels and the insert label: 17 runs.
  EXPECT_EQ(count("ExtTextOut 0 0"), 17);
  EXPECT_EQ(count("TextOut"), 0) << "TextOut is the export's road";
  EXPECT_NE(log.find("SetWindowExt 48 48"), std::string::npos) << "the 48-unit cell";
  // GM_ADVANCED around the turned, mirrored and narrow runs only.
  std::vector<std::string> advanced;
  bool on = false;
  for (const std::string& c : dc.calls) {
    if (c == "SetGraphicsMode GM_ADVANCED") on = true;
    if (c == "SetGraphicsMode GM_COMPATIBLE") on = false;
    if (on && c.rfind("ExtTextOut 0 0", 0) == 0) advanced.push_back(c.substr(15, c.find('"', 16) - 15));
  }
  EXPECT_EQ(advanced, (std::vector<std::string>{"\"Turn", "\"Turn", "\"Turn", "\"Mirror X", "\"Mirror Y",
                                                "\"Half width"}));
  EXPECT_NE(log.find("SetTextAlign TA_CENTER|TA_BASELINE"), std::string::npos);
  EXPECT_NE(log.find("SetTextAlign TA_RIGHT|TA_BASELINE"), std::string::npos);
  EXPECT_GE(count("BeginPath"), 1) << "the 30 degree turn as glyph outlines";
  EXPECT_NE(log.find("SetTextColor RGB(192,0,0)"), std::string::npos) << "the red text's colour";
}

// The export (mode 2) with flag B: TextOut of a font made at the device
// size, mirrored and narrow runs under extent scaling (10, 10).
TEST_F(TextRoads, ExportedAsTextOutRuns) {
  BuildPage();
  RecordingDC dc;
  {
    cDrawInfo info(Mapping(OutputMode::Metafile), &data, &dc, nullptr);
    info.textOutRuns = 1;
    EXPECT_TRUE(Paint(info));
  }
  const std::string log = dc.Text();
  SCOPED_TRACE(log);
  const auto count = [&](const std::string& what) {
    return std::count_if(dc.calls.begin(), dc.calls.end(),
                         [&](const std::string& c) { return c.rfind(what, 0) == 0; });
  };
  EXPECT_EQ(count("TextOut"), 17);
  EXPECT_EQ(count("ExtTextOut"), 0) << "no stretched cell";
  EXPECT_NE(log.find("SetViewportExt 5 10"), std::string::npos) << "the half width";
  // Mirrors through the world transform, which a metafile's text follows
  // on playback, not through a negative extent, which it does not.
  EXPECT_EQ(log.find("SetViewportExt -"), std::string::npos);
  EXPECT_EQ(log.find("SetViewportExt 10 -"), std::string::npos);
  EXPECT_NE(log.find("ModifyWorldTransform [-1 0 0 1 "), std::string::npos) << "mirrored in x";
  EXPECT_NE(log.find("ModifyWorldTransform [1 0 0 -1 "), std::string::npos) << "mirrored in y";
  EXPECT_NE(log.find("SetWindowExt 10 10"), std::string::npos);
}

TEST_F(TextRoads, TinyTextFillsOnlyItsBackground) {
  cText* styled = Text(u"Tiny", arial, {10, 10});
  styled->SetTypeByteSourceBits(kTypeStyledStroke);
  styled->attr.textStyle = boxed;
  styled->attr.height = 0.1;
  cText* plain = Text(u"Tiny", arial, {10, 30}, 0, 0.1);
  RecordingDC dc;
  {
    WorldMapping m = Mapping();
    cDrawInfo info(m, &data, &dc, nullptr);
    dc.Clear();
    plain->Draw(&info);
    EXPECT_TRUE(dc.calls.empty()) << dc.Text();
    styled->Draw(&info);
  }
  const std::string log = dc.Text();
  EXPECT_NE(log.find("FillPath"), std::string::npos) << log;
  EXPECT_EQ(log.find("TextOut"), std::string::npos) << log;
  delete styled;
  delete plain;
}

TEST_F(TextRoads, OverrideColourFillsTheBackgroundWhite) {
  cText* styled = Text(u"Boxed", arial, {10, 10});
  styled->SetTypeByteSourceBits(kTypeStyledStroke);
  styled->attr.textStyle = boxed;
  styled->attr.height = 0;
  RecordingDC dc;
  {
    cDrawInfo info(Mapping(OutputMode::DirectPrinter), &data, &dc, nullptr);
    info.overrideColor = 0x0000FF;
    styled->Draw(&info);
  }
  const std::string log = dc.Text();
  EXPECT_NE(log.find("brush(BS_SOLID RGB(255,255,255))"), std::string::npos) << log;
  EXPECT_EQ(log.find("RGB(192,224,255)"), std::string::npos) << log;
  EXPECT_NE(log.find("SetTextColor RGB(255,0,0)"), std::string::npos) << "the text takes the override" << log;
  delete styled;
}

TEST_F(TextRoads, NeitherTargetDrawsNothingButTheStrokeTest) {
  BuildPage();
  // A dashed dimension that leaves the clip on the left.
  auto* dashed = new cDistance();
  dashed->textStyle = kNoStyle;
  dashed->stroke.color = 0;
  dashed->stroke.width = 0.2;
  dashed->stroke.lineType = 3;
  dashed->SetLevel(0);
  const DPoint ends[2] = {{-40, 70}, {40, 70}};
  dashed->SetPointsWithData(ends, &data);
  Add(dashed);
  cDrawInfo info(Mapping(), &data, nullptr, nullptr);
  // No text, view or insert child reaches for a device context that is not
  // there; the dimension's line still runs through the stroke splitter,
  // which tells the scroll test that a dash was cut.
  EXPECT_TRUE(Paint(info));
  EXPECT_EQ(info.cutFlag, 1);
}

TEST_F(TextRoads, EmptyInsertDrawsNothing) {
  auto* block = new cBlock();
  cInsert insert;
  insert.blockIndex = data.AddBlock(block);
  insert.point = {10, 10};
  RecordingDC dc;
  {
    cDrawInfo info(Mapping(), &data, &dc, nullptr);
    dc.Clear();
    insert.Draw(&info);
    insert.DrawOutline(1, &info, false);
    EXPECT_TRUE(dc.calls.empty()) << dc.Text();
  }
}

TEST_F(TextRoads, LineRanges) {
  cText t;
  t.SetText(WString(u"ab\r\ncd  \nef"));
  t.SetFontIndex(arial);
  t.attr.height = 3;
  t.GetLineCount(&data);
  ASSERT_EQ(t.lineStarts.Count(), 3u);
  int length = 0;
  EXPECT_EQ(t.GetLineRange(length, 0), 0);
  EXPECT_EQ(length, 2) << "CR LF dropped";
  EXPECT_EQ(t.GetLineRange(length, 1), 4);
  EXPECT_EQ(length, 4) << "blanks kept without a frame width";
  t.wrapWidth = 100;
  t.MarkDirty();
  t.GetLineCount(&data);
  EXPECT_EQ(t.GetLineRange(length, 1), 4);
  EXPECT_EQ(length, 2) << "blanks dropped with a frame width";
  t.wrapWidth = std::nan("");
  EXPECT_EQ(t.GetLineRange(length, 1), 4);
  EXPECT_EQ(length, 4) << "a NaN frame width is none";
  EXPECT_EQ(t.GetLineRange(length, 3), 0);
  EXPECT_EQ(length, 0);
}

}  // namespace
}  // namespace kvn
