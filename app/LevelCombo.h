// The levels (layers) of the drawing in view, as the tool bar's level combo
// shows them: one owner-drawn row per level in display order, with three
// clickable columns in front of its name: shown or hidden, printed or not,
// and the level's own colour. A click on a column of the closed combo
// changes that level of the current row at once (hiding a level repaints
// every view of the drawing); choosing a row makes it the current level.
//
// Every level combo sits in one list and is refreshed together after a
// drawing is opened or closed and after a language change.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "controls/AutoLists.h"
#include "foundation/OwnerDrawHeights.h"

namespace kvn {

class LevelTable;
class TDib;
class TFrameWindow;
class cDrawingData;
class cSheet;
struct LevelRecord;

// Cells of a level row: each 11 pixels wide; the name starts after 55.
inline constexpr int kLevelColumnWidth = 11;
inline constexpr int kLevelColumnsStrip = 55;

class TLevelComboBox : public TAutoCombo_ {
 public:
  static constexpr int kControlId = 2000;
  // `owner` is opaque: RefreshLevelComboBoxes may select combos by it.
  TLevelComboBox(TWindow* parent, const void* owner, TFrameWindow& frame);
  ~TLevelComboBox() override;

  // Attaches the combo to the sheet of the current view (keeping its list
  // when the sheet, the level count and the sort mode are unchanged).
  void Refresh();
  const cSheet* ShownSheet() const { return sheet_; }
  void ForgetSheet() { sheet_ = nullptr; }
  const void* Owner() const { return owner_; }
  const TRect& ItemRect() const { return itemRect_; }

  void MeasureItem(TMeasureItem& item) override;
  void DrawItem(TDrawItem& item) override;
  void LoadFromVariable() override;

  void EvLButtonDown(std::uint32_t modKeys, const TPoint& point);
  void EvLButtonDblClk(std::uint32_t modKeys, const TPoint& point);
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void SetupWindow() override;
  void OnSelectionChange() override;
  int MeasureItemsWidth() override;

 private:
  const void* owner_;
  TFrameWindow& frame_;
  TRect itemRect_;
  cSheet* sheet_ = nullptr;
  bool filled_ = false;
  std::uint16_t countAtFill_ = 0;
  std::uint8_t sortModeAtFill_ = 0;
  OwnerDrawHeights heights_;
};

// The tool bar's level box: a dialog bar (template 27237) holding a level
// combo of `owner`.
class TDialogBar;
TDialogBar* NewLevelComboBox(TWindow* parent, const void* owner, TFrameWindow& frame);

// The combos of `owner` (every one when null) attach to the current view.
void RefreshLevelComboBoxes(const void* owner);
// Every combo showing this sheet forgets it (the sheet is going).
void DetachLevelCombosFrom(const cSheet* sheet);

// The column a point of a row falls in: 0 outside the row, else 1 + the
// 11-pixel cell counted from the row's left edge.
int LevelColumnAt(const TRect& row, const TPoint& point);
// A click on a row's columns: column 1 shows or hides the level and
// repaints every view of the sheet's drawing, column 3 switches printing
// (no repaint), column 4 asks for the level's colour. True when a column
// changed the level; the control's parent then hears WM_NOTIFY code 1.
bool ToggleLevelColumn(TWindow& owner, TWindow& control, const TRect& row, const TPoint& point, std::uint16_t level,
                       cSheet& sheet);

// Paints a level row: background, the three columns (when asked), the
// level's value in the right fifth (when asked and neither 0 nor NaN, in
// FormatDouble's `valueFormat`) and the name. `rowOut` receives the row
// rectangle (only for a selected row with `storeOnlySelected`). Without
// columns they follow the name.
void DrawLevelItem(TRect* rowOut, const TDrawItem& item, int valueFormat, cDrawingData* data, bool storeOnlySelected,
                   bool withColumns, bool withValue);

}  // namespace kvn
