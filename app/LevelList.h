// The level list of a drawing in a dialog (the Layers page of the drawing
// parameters): owner-drawn rows as the tool bar's level box paints them, with
// the level's value at the right, several rows selected at once, and a
// click on a row's columns switching that level. Also the fillers other
// dialogs use: the list of levels in display order narrowed by a name filter,
// and the check items of a check list.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "foundation/GrowArray.h"
#include "foundation/OwnerDrawHeights.h"
#include "foundation/WString.h"
#include "platform/ui/ControlLists.h"

namespace kvn {

class LevelTable;
class cDrawingData;
class cSheet;
struct LevelRecord;

class TLevelListBox : public TListBox {
 public:
  // `owner` receives the colour picker of the colour column.
  TLevelListBox(TWindow* owner, int resourceId, cSheet* sheet);

  cSheet* Sheet() const { return sheet_; }
  // The rectangle of the selected row when it was last drawn.
  const TRect& ItemRect() const { return itemRect_; }
  // Called after a column click changed a level (besides WM_NOTIFY code 1
  // to the parent).
  std::function<void()> onLevelChanged;

  void MeasureItem(TMeasureItem& item) override;
  void DrawItem(TDrawItem& item) override;

  // The row under the mouse becomes selected (the toolkit's handling), and
  // a click on its columns switches the level.
  void EvLButtonDown(std::uint32_t modKeys, const TPoint& point);
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 private:
  cSheet* sheet_;
  TWindow* owner_;
  TRect itemRect_;
  OwnerDrawHeights heights_;
};

TLevelListBox* NewLevelListBox(TWindow* parent, int controlId, cSheet* sheet);

// The number format of the levels' values in the list: the drawing's number
// mode (FormatDouble's mode).
int LevelValueFormat(const cSheet* sheet);

// Clears the list and, when the level table is in use, adds the levels in
// display order (text: the name; item data: the index; the "by block"
// entry 65535 included), leaving out the indices in `excluded` and, with a
// non-empty filter, the levels whose name does not contain it (case-blind).
// Returns the row of `select`, or -1 (also when the table is not in use).
int FillLevelList(TListBox& list, cDrawingData* data, const LevelRecord* select, const WString* filter,
                  const std::vector<std::uint16_t>* excluded);

// One level in a check list.
struct OneCheck {
  WString name;  // the display name
  std::int32_t checked = 0;
  std::int32_t index = 0;
  std::int32_t kind = 2;
};

// Empties the array and, when the table is in use, adds one item per level
// in display order, checked as the level is visible when `withVisibility`.
void FillLevelCheckItems(OwnedArray<OneCheck>& items, LevelTable& table, bool withVisibility);

}  // namespace kvn
