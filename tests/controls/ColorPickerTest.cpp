// ShowColorPicker's loop over the grid and the system colour dialog, and
// the colour combo's answer to a pick, with scripted dialogs.
#include <gtest/gtest.h>

#include <deque>

#include "controls/ColorCombo.h"
#include "controls/ColorPalette.h"
#include "controls/ColorPicker.h"
#include "foundation/LangTable.h"

namespace kvn {
namespace {

// Each grid run selects the next scripted cell (or ends with the scripted
// result); each chooser run answers the next scripted colour, or cancels.
class ScriptedRunner : public ColorPickerRunner {
 public:
  struct GridStep {
    int cell;    // selected when the result is OK
    int result;  // the dialog's result
  };
  int RunGrid(TDialogColor& dialog) override {
    ++grids;
    lists.push_back(dialog.Picker().Grid().List());
    const GridStep step = gridSteps.front();
    gridSteps.pop_front();
    if (step.result == kGridOk) return dialog.Picker().Grid().Select(step.cell);
    return step.result;
  }
  int RunChooser(TChooseColorDialog&) override {
    ++choosers;
    return kIdcCancel;
  }
  std::deque<GridStep> gridSteps;
  std::vector<TColorList> lists;
  int grids = 0;
  int choosers = 0;
};

struct RunnerScope {
  explicit RunnerScope(ColorPickerRunner* r) : previous(SetColorPickerRunner(r)) {}
  ~RunnerScope() { SetColorPickerRunner(previous); }
  ColorPickerRunner* previous;
};

TEST(ColorPicker, MoreColoursCancelledGoesBackToTheGrid) {
  ClearRecentColors();
  ScriptedRunner runner;
  RunnerScope scope(&runner);
  runner.gridSteps = {{0, kGridMoreColors}, {0, kGridMoreColors}, {12, kGridOk}};
  std::uint32_t color = 0x00112233;
  bool changed = false;
  EXPECT_TRUE(ShowColorPicker(nullptr, color, {10, 10}, nullptr, false, WString(), &changed, true));
  EXPECT_EQ(runner.grids, 3);
  EXPECT_EQ(runner.choosers, 2);
  EXPECT_TRUE(changed);
  EXPECT_EQ(color, PaletteColors()[12]);
  EXPECT_EQ(RecentColors(), (std::vector<std::uint32_t>{PaletteColors()[12]}));
  // The palette in nine columns with the button; no no-colour row without a flag.
  EXPECT_EQ(runner.lists[0].columns, 9);
  EXPECT_TRUE(runner.lists[0].moreButton);
  EXPECT_FALSE(runner.lists[0].noColorRow);
  ClearRecentColors();
}

TEST(ColorPicker, ResultsOtherThanOk) {
  ScriptedRunner runner;
  RunnerScope scope(&runner);
  std::uint32_t color = 5;
  bool changed = true;
  // Enter with no hot cell: changed, but nothing picked.
  runner.gridSteps = {{0, kGridNoHotCell}};
  EXPECT_FALSE(ShowColorPicker(nullptr, color, {}, nullptr, true, WString(), &changed, false));
  EXPECT_TRUE(changed);
  runner.gridSteps = {{0, kGridCancel}};
  EXPECT_FALSE(ShowColorPicker(nullptr, color, {}, nullptr, true, WString(), &changed, false));
  EXPECT_FALSE(changed);
  EXPECT_EQ(color, 5u);
  // The standard 16 in eight columns without the button.
  EXPECT_EQ(runner.lists.back().columns, 8);
  EXPECT_EQ(runner.lists.back().count, 16);
  EXPECT_FALSE(runner.lists.back().moreButton);
}

TEST(ColorPicker, NoColourRowSetsTheFlagAndKeepsTheColour) {
  ScriptedRunner runner;
  RunnerScope scope(&runner);
  runner.gridSteps = {{TColorGrid::kNoColorCell, kGridOk}};
  std::uint32_t color = 0x00ABCDEF;
  bool noColor = false;
  EXPECT_TRUE(ShowColorPicker(nullptr, color, {}, &noColor, true, WString(u"none"), nullptr, false));
  EXPECT_TRUE(noColor);
  EXPECT_EQ(color, 0x00ABCDEFu);
  EXPECT_TRUE(runner.lists.back().noColorRow);
}

// A combo's parent that notes WM_AUTO_CHANGED.
class ComboParent : public TWindow {
 public:
  ComboParent() : TWindow(nullptr) {}
  TResult EvAutoChanged(TParam1 w, TParam2) {
    changes.push_back(int(w));
    return 0;
  }
  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable table({OnRaw<&ComboParent::EvAutoChanged>(kWmAutoChanged)}, {&TWindow::Table()});
    return table;
  }
  std::vector<int> changes;
};

TEST(ColorCombo, PickedColourGoesToParentCallbackAndTooltip) {
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
  lang_testing::ClearLangStringCache();
  ComboParent parent;
  std::uint32_t variable = 0x000000FF;
  auto* combo = new TColorCombo(&parent, 3001, 0, 0, 100, 24, &variable, TColorCombo::AllowNoColor);
  combo->LoadFromVariable();
  EXPECT_EQ(combo->GetColor(), 0x000000FFu);
  EXPECT_EQ(combo->TooltipText(), WString(u"Color: Red (R:255,G:0,B:0)"));
  std::vector<std::uint32_t> seen;
  combo->SetChangeCallback([&](std::uint32_t c) { seen.push_back(c); });
  combo->ApplyPick(0x00FF0000, false);
  combo->ApplyPick(0x00FF0000, true);
  EXPECT_EQ(combo->GetColor(), 0x80000000u);
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{0x00FF0000u, 0x80000000u}));
  EXPECT_EQ(parent.changes, (std::vector<int>{3001, 3001}));
  EXPECT_EQ(combo->TooltipText(), WString(u"Color: No color"));
  combo->SaveToVariable();
  EXPECT_EQ(variable, 0x80000000u);
  // Without the permission the picked colour stays.
  auto* plain = new TColorCombo(&parent, 3002, 0, 30, 100, 24, nullptr, 0);
  plain->ApplyPick(0x00010203, true);
  EXPECT_EQ(plain->GetColor(), 0x00010203u);
}

}  // namespace
}  // namespace kvn
