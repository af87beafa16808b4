#include "app/LevelList.h"

#include <algorithm>

#include "app/LevelCombo.h"
#include "document/cDrawing.h"
#include "document/cSheet.h"
#include "model/LevelTable.h"
#include "model/cDrawingData.h"
#include "platform/ui/OwnerDrawMeasure.h"

namespace kvn {

namespace {

// The display order without the indices a list cannot show: the "by block"
// entry stays, indices not below the count go.
std::vector<std::uint16_t> ShownOrder(const LevelTable& table) {
  std::vector<std::uint16_t> out;
  if (!table.InUse()) return out;
  if (auto order = table.MakeDisplayOrder()) {
    for (std::uint32_t i = 0; i < order->Count(); ++i) {
      const std::uint16_t index = (*order)[i];
      if (index == 65535 || index < table.Count()) out.push_back(index);
    }
  }
  return out;
}

}  // namespace

TLevelListBox::TLevelListBox(TWindow* owner, int resourceId, cSheet* sheet)
    : TListBox(owner, resourceId), sheet_(sheet), owner_(owner) {}

const TResponseTable& TLevelListBox::Table() {
  static const TResponseTable table({OnMessage<kWmLButtonDown, &TLevelListBox::EvLButtonDown>()},
                                    {&TListBox::Table()});
  return table;
}

bool TLevelListBox::Find(TEventInfo& info) { return Table().Search(info); }

void TLevelListBox::MeasureItem(TMeasureItem& item) { MeasureOwnerDrawItem(item, heights_, nullptr, GetPeer()); }

void TLevelListBox::DrawItem(TDrawItem& item) {
  DrawLevelItem(&itemRect_, item, LevelValueFormat(sheet_), sheet_ ? sheet_->Data() : nullptr, true, true, true);
}

void TLevelListBox::EvLButtonDown(std::uint32_t, const TPoint& point) {
  DefaultProcessing();
  const int row = ItemFromPoint(point);
  if (row < 0 || sheet_ == nullptr) return;
  const std::intptr_t index = GetItemData(row);
  if (index < 0 || index >= 65536) return;
  // The toolkit selects the row after this handler; its rectangle is the
  // one the selected row is drawn in.
  if (ToggleLevelColumn(owner_ ? *owner_ : *this, *this, GetItemRect(row), point, std::uint16_t(index), *sheet_) &&
      onLevelChanged)
    onLevelChanged();
}

TLevelListBox* NewLevelListBox(TWindow* parent, int controlId, cSheet* sheet) {
  return new TLevelListBox(parent, controlId, sheet);
}

int LevelValueFormat(const cSheet* sheet) { return sheet ? sheet->Drawing().fourBitSetting : 0; }

int FillLevelList(TListBox& list, cDrawingData* data, const LevelRecord* select, const WString* filter,
                  const std::vector<std::uint16_t>* excluded) {
  list.ClearList();
  if (data == nullptr || !data->Levels().InUse()) return -1;
  LevelTable& table = data->Levels();
  const bool filtered = filter && !filter->IsEmpty();
  int selected = -1;
  for (const std::uint16_t index : ShownOrder(table)) {
    if (excluded && std::find(excluded->begin(), excluded->end(), index) != excluded->end()) continue;
    const LevelRecord* level = table.GetLevel(index);
    if (filtered && !level->name.Contains(filter->CStr(), false)) continue;
    const int row = list.AddString(level->name);
    list.SetItemData(row, index);
    if (level == select) selected = row;
  }
  return selected;
}

void FillLevelCheckItems(OwnedArray<OneCheck>& items, LevelTable& table, bool withVisibility) {
  while (items.Count() > 0) delete items.DetachAt(items.Count() - 1);
  for (const std::uint16_t index : ShownOrder(table)) {
    const LevelRecord* level = table.GetLevel(index);
    auto* item = new OneCheck;
    level->GetDisplayName(item->name);
    item->index = index;
    item->checked = withVisibility ? level->visible : 0;
    items.Add(item);
  }
}

}  // namespace kvn
