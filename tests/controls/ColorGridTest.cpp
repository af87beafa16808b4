// Colour tables, the recent list, and the colour grid's geometry, keys and
// selection.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "controls/ColorGrid.h"
#include "controls/ColorPalette.h"
#include "foundation/LangTable.h"
#include "platform/ui/Messages.h"

namespace kvn {
namespace {

std::string Hex(std::uint32_t colorRef) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02X%02X%02X", colorRef & 0xFF, (colorRef >> 8) & 0xFF,
                (colorRef >> 16) & 0xFF);
  return buffer;
}

std::string Row(int row) {
  std::string out;
  for (int i = 0; i < kPaletteColumns; ++i) {
    if (i) out += ' ';
    out += Hex(PaletteColors()[std::size_t(row * kPaletteColumns + i)]);
  }
  return out;
}

TEST(ColorPalette, OrangeRowAndTheFixedRows) {
  EXPECT_EQ(Row(0), "000000 FFFFFF 808080 FF0000 FFFF00 00FF00 00FFFF 0000FF FF00FF");
  EXPECT_EQ(Row(1), "FFFFFF E0E0E0 C0C0C0 A0A0A0 808080 606060 404040 202020 000000");
  EXPECT_EQ(Row(3), "FFE5CB FFD2A5 FFC080 FF9F3F FF8000 D56B00 AB5600 804000 552B00");
  EXPECT_EQ(Row(2), "FFCBCB FFA5A5 FF8080 FF3F3F FF0000 D50000 AB0000 800000 550000");
  EXPECT_EQ(Row(13), "FFCBE5 FFA5D2 FF80C0 FF3F9F FF0080 D5006B AB0056 800040 55002B");
}

TEST(ColorPalette, EveryHueRowFollowsTheTintAndShadeRules) {
  const std::uint32_t hues[12] = {0xFF0000, 0xFF8000, 0xFFFF00, 0x80FF00, 0x00FF00, 0x00FF80,
                                  0x00FFFF, 0x0080FF, 0x0000FF, 0x8000FF, 0xFF00FF, 0xFF0080};
  const int tint00[4] = {0xCB, 0xA5, 0x80, 0x3F};
  const int tint80[4] = {0xE5, 0xD2, 0xC0, 0x9F};
  const double shade[4] = {0xD5, 0xAB, 0x80, 0x55};
  ASSERT_EQ(PaletteColors().size(), 126u);
  for (int row = 0; row < 12; ++row) {
    const int hue[3] = {int(hues[row] >> 16), int((hues[row] >> 8) & 0xFF), int(hues[row] & 0xFF)};
    for (int i = 0; i < 9; ++i) {
      const std::uint32_t c = PaletteColors()[std::size_t((row + 2) * 9 + i)];
      const int got[3] = {int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)};
      for (int ch = 0; ch < 3; ++ch) {
        int want = hue[ch];
        if (i < 4) want = hue[ch] == 0 ? tint00[i] : hue[ch] == 0x80 ? tint80[i] : hue[ch];
        if (i > 4) want = int(hue[ch] * shade[i - 5] / 255.0 + 0.5);
        EXPECT_EQ(got[ch], want) << "row " << row + 3 << " column " << i << " channel " << ch;
      }
    }
  }
}

TEST(ColorPalette, StandardColoursAndTheirTooltips) {
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
  lang_testing::ClearLangStringCache();
  EXPECT_EQ(StandardColors()[2], Rgb(128, 0, 0));
  EXPECT_EQ(StandardColorIndex(Rgb(0, 255, 255)), 13);
  EXPECT_EQ(ColorTooltipText(Rgb(0, 255, 255), WString(u"none")), WString(u"Turquoise (R:0,G:255,B:255)"));
  EXPECT_EQ(ColorTooltipText(Rgb(1, 2, 3), WString(u"none")), WString(u"(R:1,G:2,B:3)"));
  EXPECT_EQ(ColorTooltipText(kNoColor | 5, WString(u"none")), WString(u"none"));
  SetLanguageIndex(kLanguageCzech);
  InvalidateLangTable();
  lang_testing::ClearLangStringCache();
  EXPECT_EQ(ColorTooltipText(Rgb(128, 128, 128), WString()), WString(u"Šedá - 50% (R:128,G:128,B:128)"));
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
  lang_testing::ClearLangStringCache();
}

TEST(ColorPalette, RecentColoursMoveToTheFrontAndKeepNine) {
  ClearRecentColors();
  for (std::uint32_t c = 1; c <= 3; ++c) AddRecentColor(c);
  EXPECT_EQ(RecentColors(), (std::vector<std::uint32_t>{3, 2, 1}));
  // The third moves to the front without a duplicate.
  AddRecentColor(1);
  EXPECT_EQ(RecentColors(), (std::vector<std::uint32_t>{1, 3, 2}));
  for (std::uint32_t c = 4; c <= 9; ++c) AddRecentColor(c);
  ASSERT_EQ(RecentColors().size(), 9u);
  // A tenth distinct colour drops the oldest (2).
  AddRecentColor(10);
  EXPECT_EQ(RecentColors(), (std::vector<std::uint32_t>{10, 9, 8, 7, 6, 5, 4, 1, 3}));
  ClearRecentColors();
}

TColorList Standard16(bool noColor, bool recent) {
  return {StandardColors().data(), kStandardColorCount, 8, noColor, false, recent};
}
TColorList Palette(bool noColor, bool recent) {
  return {PaletteColors().data(), kPaletteColorCount, 9, noColor, true, recent};
}

TEST(ColorGrid, SixteenColoursInEightColumns) {
  TColorGrid grid(Standard16(false, false), 0, 6, {}, nullptr);
  EXPECT_EQ(grid.Rows(), 2);
  EXPECT_EQ(grid.Width(), 156);
  EXPECT_EQ(grid.Height(), 12 + 36);
  EXPECT_EQ(grid.CellRect(9), (TRect{6 + 18, 6 + 18, 6 + 36, 6 + 36}));
  EXPECT_EQ(grid.CellAt(6 + 18 + 5, 6 + 18 + 17), 9);
  EXPECT_EQ(grid.CellAt(2, 2), TColorGrid::kNone);
  EXPECT_TRUE(grid.CellRect(TColorGrid::kMoreCell).IsEmpty());
  EXPECT_TRUE(grid.CellRect(TColorGrid::kNoColorCell).IsEmpty());
  EXPECT_EQ(grid.CurrentCell(), 0);
}

TEST(ColorGrid, NoColourRowButtonAndRecentRow) {
  TColorGrid grid(Palette(true, true), Rgb(255, 0, 0), 6, {Rgb(1, 1, 1), Rgb(2, 2, 2)}, nullptr);
  ASSERT_EQ(grid.Rows(), 14);
  const int w = 12 + 9 * 18;
  const int h = 12 + 14 * 18 + 26 + 28 + 12 + 18;
  EXPECT_EQ(grid.Width(), w);
  EXPECT_EQ(grid.Height(), h);
  EXPECT_EQ(grid.CellRect(TColorGrid::kNoColorCell), (TRect{6, 6, w - 6, 28}));
  EXPECT_EQ(grid.CellRect(0), (TRect{6, 32, 24, 50}));
  // The button sits above the recent row.
  const int buttonBottom = h - 6 - 12 - 18;
  EXPECT_EQ(grid.CellRect(TColorGrid::kMoreCell), (TRect{6, buttonBottom - 20, w - 6, buttonBottom}));
  EXPECT_EQ(grid.CellRect(1001), (TRect{24, h - 24, 42, h - 6}));
  EXPECT_TRUE(grid.CellRect(1002).IsEmpty());
  EXPECT_EQ(grid.CellAt(30, h - 10), 1001);
  EXPECT_EQ(grid.CellAt(20, 10), TColorGrid::kNoColorCell);
  EXPECT_EQ(grid.CellAt(20, buttonBottom - 1), TColorGrid::kMoreCell);
  // The initial colour's cell is current.
  EXPECT_EQ(grid.CurrentCell(), 3);
  // Without recent colours the row is not there.
  TColorGrid empty(Palette(false, true), 0, 6, {}, nullptr);
  EXPECT_EQ(empty.Height(), 12 + 14 * 18 + 28);
  EXPECT_EQ(empty.CellRect(TColorGrid::kMoreCell).bottom, empty.Height() - 6);
}

struct KeyCase {
  int from;
  std::uint32_t key;
  int to;
};

void ExpectMoves(TColorGrid& grid, std::initializer_list<KeyCase> cases, const char* what) {
  for (const KeyCase& k : cases) {
    grid.SetHotCell(k.from);
    EXPECT_EQ(grid.MovedHotCell(k.key), k.to) << what << ": from " << k.from << " key " << k.key;
  }
}

TEST(ColorGrid, KeyTableWithNoColourRowAndButton) {
  // 126 colours, 9 columns, first = -3, last = -2.
  TColorGrid grid(Palette(true, false), 0, 6, {}, nullptr);
  ExpectMoves(grid,
              {{-1, kVkHome, -3},  {7, kVkEnd, -2},    {-1, kVkLeft, -2},  {-3, kVkLeft, -2},  {-2, kVkLeft, 125},
               {0, kVkLeft, -3},   {10, kVkLeft, 9},   {-1, kVkUp, -2},    {-3, kVkUp, -2},    {-2, kVkUp, 125},
               {4, kVkUp, -3},     {13, kVkUp, 4},     {-1, kVkRight, -3}, {-2, kVkRight, -3}, {-3, kVkRight, 0},
               {125, kVkRight, -2}, {5, kVkRight, 6},  {-1, kVkDown, -3},  {-2, kVkDown, -3},  {-3, kVkDown, 0},
               {116, kVkDown, 125}, {117, kVkDown, -2}, {3, kVkDown, 12}},
              "palette");
}

TEST(ColorGrid, KeyTableWithoutNoColourRowOrButton) {
  // 16 colours, 8 columns, first = 0, last = 15.
  TColorGrid grid(Standard16(false, false), 0, 6, {}, nullptr);
  ExpectMoves(grid,
              {{-1, kVkHome, 0},  {3, kVkEnd, 15},   {-1, kVkLeft, 15},  {0, kVkLeft, 15},  {-1, kVkUp, 15},
               {2, kVkUp, 15},    {9, kVkUp, 1},     {-1, kVkRight, 0},  {15, kVkRight, 0}, {-1, kVkDown, 0},
               {9, kVkDown, 0},   {7, kVkDown, 15}},
              "standard");
  // A button but no no-colour row: moving off the front goes to the button.
  TColorGrid withButton({StandardColors().data(), 16, 8, false, true, false}, 0, 6, {}, nullptr);
  ExpectMoves(withButton, {{0, kVkLeft, -2}, {3, kVkUp, -2}, {-2, kVkRight, 0}, {15, kVkRight, -2}}, "button");
  // A no-colour row but no button.
  TColorGrid withRow(Standard16(true, false), 0, 6, {}, nullptr);
  ExpectMoves(withRow, {{-3, kVkLeft, 15}, {15, kVkRight, -3}, {12, kVkDown, -3}, {-3, kVkDown, 0}}, "row");
}

TEST(ColorGrid, SelectingCellsAndKeys) {
  bool noColor = true;
  TColorGrid grid(Palette(true, true), Rgb(255, 0, 0), 6, {Rgb(9, 9, 9)}, &noColor);
  // The no-colour flag set at start selects that row.
  EXPECT_EQ(grid.CurrentCell(), TColorGrid::kNoColorCell);
  EXPECT_EQ(grid.Key(kVkReturn), kGridNoHotCell);
  EXPECT_EQ(grid.Key(kVkEscape), kGridCancel);
  EXPECT_EQ(grid.Select(TColorGrid::kNone), 0);
  EXPECT_EQ(grid.Select(TColorGrid::kMoreCell), kGridMoreColors);
  EXPECT_EQ(grid.Select(6), kGridOk);
  EXPECT_EQ(grid.SelectedColor(), Rgb(0, 255, 255));
  EXPECT_EQ(grid.CurrentCell(), 6);
  EXPECT_FALSE(noColor);
  EXPECT_EQ(grid.Select(1000), kGridOk);
  EXPECT_EQ(grid.SelectedColor(), Rgb(9, 9, 9));
  grid.SetHotCell(TColorGrid::kNoColorCell);
  EXPECT_EQ(grid.Key(kVkSpace), kGridOk);
  EXPECT_TRUE(noColor);
  // Arrows move the hot cell and go on.
  grid.SetHotCell(0);
  EXPECT_EQ(grid.Key(kVkRight), 0);
  EXPECT_EQ(grid.HotCell(), 1);
  EXPECT_EQ(grid.Key(kVkReturn), kGridOk);
  EXPECT_EQ(grid.SelectedColor(), Rgb(255, 255, 255));
}

}  // namespace
}  // namespace kvn
