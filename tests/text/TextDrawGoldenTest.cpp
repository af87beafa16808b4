// Texts drawn by the text object on the raster surface: TrueType faces of
// the font table and a built-in SHX font at every alignment, mirrored,
// turned, on several lines, wrapped and underlined, against a reviewed
// picture; and every inked pixel of a text inside its full extent. A line
// drawing that records its calls checks the origins handed per line.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/FontList.h"
#include "model/TextGlyphBoxes.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "platform/gdi/RasterDC.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/PrivateFonts.h"
#include "text/ShxParsedFont.h"
#include "text/TrueTypeLine.h"

namespace kvn {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 400;

class TextDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::FontFilesPresent({test::kLiberationSans, test::kLiberationNarrow}))
      GTEST_SKIP() << "Liberation Sans or Liberation Sans Narrow missing";
    FontList::ResetForTest();
    fonts = std::make_unique<test::PrivateFonts>("text-draw", std::vector<std::string>{test::kLiberationSans, test::kLiberationNarrow});
    InstallShxFonts();
    InstallTrueTypeLineDrawer();
    arial = AddTrueType(u"Arial");
    narrow = AddTrueType(u"Arial Narrow");
    auto font = std::make_unique<cStyleFont>();
    font->name = WString(u"Romans.shx");
    font->BindFace(nullptr, nullptr);
    ASSERT_NE(font->Shx(), nullptr);
    font->shx->penWidth = 6;
    romans = data.FontStyles().Add(std::move(font));
  }
  void TearDown() override {
    texts.clear();
    fonts.reset();
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
  cText& Add(const char16_t* s, std::uint16_t font, DPoint at, int code, double height = 3) {
    auto t = std::make_unique<cText>();
    t->SetText(WString(s));
    t->SetFontIndex(font);
    t->point = at;
    t->alignment = std::uint8_t(code);
    t->attr.height = height;
    texts.push_back(std::move(t));
    return *texts.back();
  }
  // The page of texts: world units of 4 pixels.
  void BuildPage() {
    const char16_t* names[3] = {u"Left", u"Centre", u"Right"};
    for (int code = 0; code < 12; ++code) {
      const DPoint at{12.0 + 35 * (code % 3), 6.0 + 8 * (code / 3)};
      Add(names[code % 3], code < 6 ? arial : romans, at, code).attr.color = code >= 9 ? 0x0000A0 : 0;
    }
    Add(u"Arial Narrow", narrow, {112, 6}, 0);
    Add(u"Mirror X", arial, {150, 14}, 0).attr.mirrorX = 1;
    Add(u"Mirror Y", romans, {112, 30}, 0).attr.mirrorY = 1;
    cText& turned = Add(u"Turned 30\u00B0", arial, {112, 46}, 9);
    turned.SetAngle(30);
    Add(u"Two lines\nof Romans", romans, {6, 44}, 0).lineSpacing = 1.5;
    cText& wrapped = Add(u"Wrapped text that breaks at blanks", arial, {50, 44}, 1);
    wrapped.wrapWidth = 30;
    cText& under = Add(u"Underlined", arial, {6, 80}, 0, 4);
    under.attr.styleBits |= 0x40;
    under.attr.color = 0x008000;
    cText& shxUnder = Add(u"SHX underlined", romans, {60, 80}, 0, 4);
    shxUnder.attr.styleBits |= 0x40;
    // A face outside the font table: drawn through a copy with its glyphs.
    cText& screen = Add(u"Screen font face", kNoStyle, {112, 70}, 0, 4);
    screen.faceName = WString(u"Liberation Sans");
  }
  // A memory-only surface: every text takes the glyph road at any size.
  test::Picture Paint(const std::vector<cText*>& which) {
    cRasterSurface surface(true);
    EXPECT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
    surface.SetAntiAliasMode(1);
    surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
    WorldMapping m;
    m.deviceClip = {0, 0, kWidth, kHeight};
    {
      cDrawInfo info(m, &data, nullptr, &surface);
      for (cText* t : which) t->Draw(&info);
    }
    surface.Flush();
    test::Picture out{kWidth, kHeight, {}};
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) out.pixels.push_back(*surface.PixelAt(x, y) & 0xFFFFFF);
    return out;
  }

  std::unique_ptr<test::PrivateFonts> fonts;
  cDrawingData data;
  std::uint16_t arial = 0, narrow = 0, romans = 0;
  std::vector<std::unique_ptr<cText>> texts;
};

TEST_F(TextDraw, PageOfTexts) {
  BuildPage();
  std::vector<cText*> all;
  for (auto& t : texts) all.push_back(t.get());
  test::ExpectMatchesGolden(Paint(all), "text_page", 8);
}

TEST_F(TextDraw, EveryInkedPixelInsideTheFullExtent) {
  BuildPage();
  for (auto& t : texts) {
    DRect full;
    t->AddFullExtent(&data, full);
    const test::Picture p = Paint({t.get()});
    int inked = 0, outside = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        if (p.pixels[std::size_t(y) * kWidth + x] == 0xFFFFFF) continue;
        ++inked;
        // A pixel is inside when it touches the extent (anti-aliased edges).
        if (x + 1 < full.x1 * 4 || x > full.x2 * 4 + 1 || y + 1 < full.y1 * 4 || y > full.y2 * 4 + 1) ++outside;
      }
    }
    EXPECT_GT(inked, 0) << t->GetText().ToUtf8();
    EXPECT_EQ(outside, 0) << t->GetText().ToUtf8();
  }
}

std::vector<TrueTypeLine> recorded;
void RecordLine(TrueTypeFaceSet&, const TrueTypeLine& line) { recorded.push_back(line); }

TEST_F(TextDraw, OneCallPerLineFromTheLineOrigins) {
  cText& t = Add(u"One\nTwo\nThree", arial, {10, 20}, 5);
  t.lineSpacing = 2;
  t.attr.mirrorY = 1;
  recorded.clear();
  SetTrueTypeLineDrawer(&RecordLine);
  // A memory-only surface: the glyph road (without a target nothing is drawn).
  cRasterSurface surface(true);
  ASSERT_TRUE(surface.Prepare(TRect{0, 0, 64, 64}));
  cDrawInfo info(WorldMapping{}, &data, nullptr, &surface);
  t.Draw(&info);
  InstallTrueTypeLineDrawer();
  ASSERT_EQ(recorded.size(), 3u);
  const double L = t.GetLineHeight(&data), pitch = 2 * (t.GetLineGap(&data) + L);
  const double H = 2 * pitch + L;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(recorded[std::size_t(i)].alignment, 2u);  // right column
    EXPECT_DOUBLE_EQ(recorded[std::size_t(i)].origin.x, 10);
    EXPECT_NEAR(recorded[std::size_t(i)].origin.y, 20 - (-H * 0.5 + i * pitch), 1e-9);  // mirrored rows
    EXPECT_TRUE(recorded[std::size_t(i)].mirrorY);
  }
  EXPECT_EQ(recorded[2].text.ToUtf8(), "Three");
  // A damaged text draws nothing.
  recorded.clear();
  SetTrueTypeLineDrawer(&RecordLine);
  t.attr.height = std::nan("");
  t.MarkDirty();
  t.Draw(&info);
  InstallTrueTypeLineDrawer();
  EXPECT_TRUE(recorded.empty());
}

}  // namespace
}  // namespace kvn
