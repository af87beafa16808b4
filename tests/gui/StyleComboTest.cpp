// The style combos: the list each kind fills from a drawing's style tables,
// the open list's width, the hatch scale of symbol-hatch samples, and the
// rows they paint (a reviewed picture).
#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/font.h>
#include <wx/image.h>

#include <memory>
#include <vector>

#include "app/StyleCombo.h"
#include "foundation/UiColors.h"
#include "model/BlockPicture.h"
#include "model/cDrawingData.h"
#include "model/cStyleFill.h"
#include "model/cStyleFont.h"
#include "model/cStyleLine.h"
#include "model/cStyleText.h"
#include "render/GeometryServicesImpl.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/GoldenImage.h"
#include "text/ShxParsedFont.h"

namespace kvn {
namespace {

constexpr int kRowsWidth = 240;
constexpr int kRowHeight = 20;

struct Styles {
  cDrawingData data;
  Styles() {
    auto thin = std::make_unique<cStyleLine>();
    thin->name = WString::FromUtf8("Thin");
    thin->color = 0x0000C0;
    data.LineStyles().Add(std::move(thin));
    auto dashed = std::make_unique<cStyleLine>();
    dashed->name = WString::FromUtf8("Dashed");
    dashed->description = WString::FromUtf8("hidden edges");
    dashed->lineType = 2;
    dashed->width = 0.5;
    dashed->byObject = 1;
    data.LineStyles().Add(std::move(dashed));
    auto solid = std::make_unique<cStyleFill>();
    solid->name = WString::FromUtf8("Red");
    solid->fillColor = 0x0000FF;
    data.FillStyles().Add(std::move(solid));
    auto hatch = std::make_unique<cStyleFill>();
    hatch->name = WString::FromUtf8("Hatch");
    hatch->hatchKind = 3;
    hatch->hatchColor = 0x00A000;
    data.FillStyles().Add(std::move(hatch));
    auto notes = std::make_unique<cStyleText>();
    notes->name = WString::FromUtf8("Notes");
    notes->builtinMarks = 0x04;
    const char16_t face[] = u"DejaVu Sans";
    SetFaceName(notes->attributes, face, int(std::size(face)) - 1);
    notes->attributes.color = 0x123456;
    data.TextStyles().Add(std::move(notes));
  }
};

std::vector<std::intptr_t> ItemData(const TMyStyleCombo& combo) {
  std::vector<std::intptr_t> out;
  for (int i = 0; i < combo.GetCount(); ++i) out.push_back(combo.GetItemData(i));
  return out;
}

TEST(StyleCombo, EachKindListsItsTableThenItsBuiltInStyles) {
  Styles styles;
  TLineStyleCombo lines(nullptr, 1, 0, 0, 200, 20, &styles.data);
  lines.FillStyleList();
  EXPECT_EQ(ItemData(lines), (std::vector<std::intptr_t>{0, 1}));
  EXPECT_EQ(lines.GetString(1).ToUtf8(), "Dashed");
  EXPECT_TRUE(lines.IsWindowEnabled());

  TFillStyleCombo fills(nullptr, 2, 0, 0, 200, 20, &styles.data);
  fills.FillStyleList();
  EXPECT_EQ(ItemData(fills), (std::vector<std::intptr_t>{0, 1}));
  EXPECT_EQ(fills.GetString(0).ToUtf8(), "Red");

  // Text: the table style, then the eight built-in ones, each text starting
  // with U+F000 + n; a built-in one is named by the style it resolves to.
  TTextStyleCombo texts(nullptr, 3, 0, 0, 200, 20, &styles.data);
  texts.FillStyleList();
  ASSERT_EQ(texts.GetCount(), 9);
  EXPECT_EQ(texts.GetItemData(0), 0);
  for (int n = 0; n < 8; ++n) {
    EXPECT_EQ(texts.GetItemData(1 + n), 0x8000 + n);
    EXPECT_EQ(texts.GetString(1 + n).View()[0], char16_t(0xF000 + n));
  }
  EXPECT_EQ(texts.GetString(3).View().substr(1), u"Notes");
  EXPECT_EQ(texts.GetString(1).View().substr(1), u"1");

  // Filling again starts from an empty list; no items, no choice.
  cDrawingData empty;
  lines.SetDrawingData(&empty);
  EXPECT_EQ(lines.GetCount(), 0);
  EXPECT_FALSE(lines.IsWindowEnabled());
  lines.SetDrawingData(nullptr);
  EXPECT_FALSE(lines.IsWindowEnabled());
  texts.SetDrawingData(nullptr);
  EXPECT_EQ(texts.GetCount(), 0);
  // An entry outside the list draws nothing.
  wxBitmap bitmap(40, 10, 24);
  wxMemoryDC dc(bitmap);
  EXPECT_EQ(fills.DrawSample(dc, 2), -1);
  EXPECT_EQ(fills.DrawSample(dc, -1), -1);
}

TEST(StyleCombo, OpenListIsFortyAverageCharactersAtMost400Pixels) {
  EXPECT_EQ(StyleComboDropWidth(0), 0);
  EXPECT_EQ(StyleComboDropWidth(6), 240);
  EXPECT_EQ(StyleComboDropWidth(10), 400);
  EXPECT_EQ(StyleComboDropWidth(11), 400);
}

// The block painter seen by cStyleFill::IsSparseAtScale: white from scale 8.
std::vector<double> trials;
std::unique_ptr<BlockPicture> WhiteFromEight(cDrawingData* data, cBlock*, int width, int height, std::uint32_t) {
  const double scale = data->FillStyles().Get(0)->hatchScale;
  trials.push_back(scale);
  auto picture = std::make_unique<BlockPicture>();
  picture->width = width;
  picture->height = height;
  picture->pixels.assign(std::size_t(width) * height, scale >= 8.0 ? 0xFFFFFF : 0x000000);
  return picture;
}

TEST(StyleCombo, SymbolHatchSampleDoublesItsTrialScaleAtMostTenTimes) {
  cStyleFill style;
  style.hatchKind = kSymbolHatch;
  style.hatchLines.resize(1);
  SetRenderBlockToDib(&WhiteFromEight);
  trials.clear();
  EXPECT_EQ(SampleHatchScale(style, 1.0), 8.0);
  EXPECT_EQ(trials, (std::vector<double>{1, 2, 4, 8}));
  trials.clear();
  EXPECT_EQ(SampleHatchScale(style, 3.0), 12.0);
  EXPECT_EQ(trials.size(), 3u);
  // Never readable: ten tries, then the start scale.
  trials.clear();
  EXPECT_EQ(SampleHatchScale(style, 1.0 / 1024), 1.0 / 1024);
  ASSERT_EQ(trials.size(), 10u);
  EXPECT_EQ(trials.back(), 0.5);
  SetRenderBlockToDib(nullptr);
}

std::uint32_t Rgb(std::uint32_t colorRef) {
  return (colorRef & 0xFF) << 16 | (colorRef & 0xFF00) | (colorRef >> 16 & 0xFF);
}

struct Row {
  TMyStyleCombo* combo;
  int index;
  std::uint32_t state;
};

test::Picture PaintRows(const std::vector<Row>& rows) {
  const int height = kRowHeight * int(rows.size());
  wxBitmap bitmap(kRowsWidth, height, 24);
  wxMemoryDC dc(bitmap);
  dc.SetBackground(wxBrush(wxColour(0x80, 0x80, 0x80)));
  dc.Clear();
  dc.SetFont(wxFont(wxFontInfo(8).FaceName("DejaVu Sans")));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    TDrawItem item;
    item.ctlType = kOdtComboBox;
    item.itemId = rows[i].index;
    item.itemAction = kOdaDrawEntire;
    item.itemState = rows[i].state;
    item.rect = TRect{0, int(i) * kRowHeight, kRowsWidth, int(i + 1) * kRowHeight};
    item.dc = &dc;
    rows[i].combo->DrawItem(item);
  }
  dc.SelectObject(wxNullBitmap);
  const wxImage image = bitmap.ConvertToImage();
  test::Picture p;
  p.width = kRowsWidth;
  p.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < kRowsWidth; ++x)
      p.pixels.push_back(std::uint32_t(image.GetRed(x, y)) << 16 | std::uint32_t(image.GetGreen(x, y)) << 8 |
                         image.GetBlue(x, y));
  return p;
}

// The viewer installs the renderer's geometry services at start; hatch
// patterns need them.
class StyleRowsTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    InstallRendererGeometryServices();
  }
};

TEST_F(StyleRowsTest, RowsOfEveryKindMatchTheReviewedPicture) {
  Styles styles;
  TLineStyleCombo lines(nullptr, 1, 0, 0, 200, 20, &styles.data);
  TFillStyleCombo fills(nullptr, 2, 0, 0, 200, 20, &styles.data);
  TTextStyleCombo texts(nullptr, 3, 0, 0, 200, 20, &styles.data);
  lines.FillStyleList();
  fills.FillStyleList();
  texts.FillStyleList();
  const test::Picture p = PaintRows({
      {&lines, 0, 0},              // a solid line in the text colour
      {&lines, 1, kOdsSelected},   // dashed, with its description, selected
      {&fills, 0, 0},              // a solid block
      {&fills, 1, 0},              // a hatch
      {&texts, 0, 0},              // the face name in its own font
      {&texts, 3, kOdsSelected},   // a built-in style's name in italics
      {&lines, 0, kOdsDisabled},   // the button face only
  });
  const std::uint32_t window = Rgb(GetUiSysColor(5));
  const std::uint32_t ink = Rgb(GetUiSysColor(8));
  const std::uint32_t highlight = Rgb(GetUiSysColor(13));
  auto count = [&](int row, int x1, int x2, std::uint32_t colour) {
    int n = 0;
    for (int y = row * kRowHeight; y < (row + 1) * kRowHeight; ++y)
      for (int x = x1; x < x2; ++x) n += p.At(x, y) == colour;
    return n;
  };
  const int half = kRowsWidth / 2;
  // Samples in the left half, drawn in the row's text colour whatever the
  // style's own colour; names in the right half.
  EXPECT_GT(count(0, 4, half - 4, ink), 40);
  EXPECT_EQ(count(0, 0, half, 0xC00000u), 0);
  EXPECT_LT(count(0, 4, half - 4, ink), half);  // a thin line, not a block
  EXPECT_GT(count(1, 0, kRowsWidth, highlight), kRowsWidth * 10);
  EXPECT_GT(count(2, 4, half - 6, ink), (half - 10) * 10);  // the solid block
  EXPECT_EQ(count(2, 0, half, 0xFF0000u), 0);
  EXPECT_LT(count(3, 4, half - 6, ink), (half - 10) * 10);  // hatch lines and gaps
  EXPECT_GT(count(3, 4, half - 6, ink), 20);
  EXPECT_EQ(p.At(kRowsWidth - 2, 6 * kRowHeight + 10), Rgb(GetUiSysColor(15)));
  EXPECT_EQ(p.At(kRowsWidth - 2, 0 * kRowHeight + 10), window);
  test::ExpectMatchesGolden(p, "style_combo_rows", 24);
}

TEST(StyleCombo, SampleColoursFollowTheStyle) {
  Styles styles;
  wxBitmap bitmap(60, 16, 24);
  wxMemoryDC dc(bitmap);
  TLineStyleCombo lines(nullptr, 1, 0, 0, 200, 20, &styles.data);
  EXPECT_EQ(lines.DrawSample(dc, 0), 0x0000C0);
  EXPECT_EQ(lines.DrawSample(dc, 1), -1);  // by object
  TFillStyleCombo fills(nullptr, 2, 0, 0, 200, 20, &styles.data);
  EXPECT_EQ(fills.DrawSample(dc, 0), 0x0000FF);
  EXPECT_EQ(fills.DrawSample(dc, 1), 0x00A000);
  TTextStyleCombo texts(nullptr, 3, 0, 0, 200, 20, &styles.data);
  EXPECT_EQ(texts.DrawSample(dc, 0), 0x123456);
  EXPECT_EQ(texts.DrawSample(dc, 1), -1);
}

// An SHX text font has no screen face: the sample is the font's name drawn
// in the font's own strokes, in the text colour, not a face name in a
// screen font.
TEST_F(StyleRowsTest, AnShxTextStyleWritesTheFontNameInItsOwnStrokes) {
  InstallShxFonts();
  Styles styles;
  auto romans = std::make_unique<cStyleFont>();
  romans->name = WString(u"Romans.shx");
  romans->BindFace(nullptr, nullptr);
  ASSERT_NE(romans->Shx(), nullptr);
  const std::uint16_t font = styles.data.FontStyles().Add(std::move(romans));
  auto strokes = std::make_unique<cStyleText>();
  strokes->name = WString(u"Strokes");
  strokes->attributes.fontIndex = font;
  strokes->attributes.height = 2.5;
  strokes->attributes.color = 0x0000C0;
  styles.data.TextStyles().Add(std::move(strokes));

  TTextStyleCombo texts(nullptr, 3, 0, 0, 200, 20, &styles.data);
  auto paint = [&](int entry) {
    wxBitmap bitmap(100, 16, 24);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    dc.SetTextForeground(wxColour(0, 0x80, 0));
    const std::int32_t colour = texts.DrawSample(dc, entry);
    dc.SelectObject(wxNullBitmap);
    const wxImage image = bitmap.ConvertToImage();
    int green = 0, other = 0;
    for (int y = 0; y < image.GetHeight(); ++y)
      for (int x = 0; x < image.GetWidth(); ++x) {
        const bool white = image.GetRed(x, y) == 255 && image.GetGreen(x, y) == 255 && image.GetBlue(x, y) == 255;
        const bool ink = image.GetRed(x, y) == 0 && image.GetGreen(x, y) == 0x80 && image.GetBlue(x, y) == 0;
        green += ink;
        other += !white && !ink;
      }
    return std::tuple{colour, green, other};
  };
  // Single pixels set in exactly the text colour: no smoothed screen glyphs.
  const auto [colour, green, other] = paint(1);
  EXPECT_EQ(colour, 0x0000C0);
  EXPECT_GT(green, 30);
  EXPECT_EQ(other, 0);
}

}  // namespace
}  // namespace kvn
int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
