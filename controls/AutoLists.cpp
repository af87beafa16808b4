#include "controls/AutoLists.h"

#include <algorithm>

#include "controls/AutoKeys.h"
#include "controls/AutoValues.h"
#include "foundation/UiColors.h"
#include "platform/ui/ControlDraw.h"

namespace kvn {

namespace {

// System colour indices of the owner-drawn items.
constexpr int kColorWindow = 5;
constexpr int kColorHighlight = 13;
constexpr int kColorBtnFace = 15;
// Texts this long are not transferred (the combo box's own limit).
constexpr int kMaxTransferredText = 32000;

}  // namespace

// --- TAutoListBox ------------------------------------------------------------------------------

TAutoListBox::TAutoListBox(TWindow* parent, int resourceId, int* boundVariable, int defaultIndexValue)
    : TListBox(parent, resourceId), variable(boundVariable), defaultIndex(defaultIndexValue) {}

TAutoListBox::TAutoListBox(TWindow* parent, int id, const TRect& rect, int* boundVariable, int defaultIndexValue)
    : TListBox(parent, id, rect.left, rect.top, int(rect.Width()), int(rect.Height())),
      variable(boundVariable),
      defaultIndex(defaultIndexValue) {}

const TResponseTable& TAutoListBox::Table() {
  static const TResponseTable table(
      {
          OnNotifyAtChild<&TAutoListBox::LbnDblClk>(kLbnDblClk),
          OnCommand<&TAutoListBox::CmRestore>(kCmRestoreDefaults),
      },
      {&TListBox::Table()});
  return table;
}

bool TAutoListBox::Find(TEventInfo& info) { return Table().Search(info); }

void TAutoListBox::Refill() {
  ClearList();
  for (const WString& item : SplitItemText(itemText)) AddString(item);
  if (variable) SetSelIndex(*variable);
}

void TAutoListBox::LoadFromVariable() { Refill(); }

void TAutoListBox::SaveToVariable() {
  if (variable) *variable = GetSelIndex();
}

void TAutoListBox::LbnDblClk() {
  if (!doubleClickIsOk) {
    DefaultProcessing();
    return;
  }
  if (TWindow* parent = GetParentO()) parent->PostMessage(kWmCommand, MakeWParam(std::uint16_t(kIdcOk), 0), 0);
}

void TAutoListBox::CmRestore() { SetSelIndex(defaultIndex); }

// --- TAutoCombo_ ------------------------------------------------------------------------------

TAutoCombo_::TAutoCombo_(TWindow* parent, int resourceId, int* indexVariable, int defaultValueValue)
    : TComboBox(parent, resourceId), variable(indexVariable), defaultValue(defaultValueValue) {}

TAutoCombo_::TAutoCombo_(TWindow* parent, int id, int x, int y, int w, int h, std::uint32_t cbsStyle)
    : TComboBox(parent, id, x, y, w, h, cbsStyle), variable(nullptr), defaultValue(0) {}

const TResponseTable& TAutoCombo_::Table() {
  static const TResponseTable table(
      {
          OnNotifyAtChild<&TAutoCombo_::CbnDropDown>(kCbnDropDown),
          OnNotifyAtChild<&TAutoCombo_::CbnSelChange>(kCbnSelChange),
          OnNotifyAtChild<&TAutoCombo_::CbnSelEndOk>(kCbnSelEndOk),
          OnNotifyAtChild<&TAutoCombo_::CbnCloseUp>(kCbnCloseUp),
          OnNotifyAtChild<&TAutoCombo_::CbnSelEndCancel>(kCbnSelEndCancel),
          OnNotifyAtChild<&TAutoCombo_::CbnEditChange>(kCbnEditChange),
          OnCommand<&TAutoCombo_::CmRestore>(kCmRestoreDefaults),
          OnRaw<&TAutoCombo_::EvGetDlgCode>(kWmGetDlgCode),
      },
      {&TComboBox::Table()});
  return table;
}

bool TAutoCombo_::Find(TEventInfo& info) { return Table().Search(info); }

int TAutoCombo_::GetSelection(int* index, int* data) const {
  const int selected = GetSelIndex();
  const int itemData = selected >= 0 ? int(GetItemData(selected)) : -1;
  if (index) *index = selected;
  if (data) *data = itemData;
  return itemDataMode && selected >= 0 ? itemData : selected;
}

int TAutoCombo_::AddItem(const WString& text, std::intptr_t data) {
  const int index = AddString(text);
  SetItemData(index, data);
  return index;
}

int TAutoCombo_::FindItemData(std::intptr_t value) const {
  for (int i = 0; i < GetCount(); ++i) {
    if (GetItemData(i) == value) return i;
  }
  return -1;
}

void TAutoCombo_::SelectValue(int value) { SetSelIndex(itemDataMode ? FindItemData(value) : value); }

void TAutoCombo_::SelectFromVariables() {
  if (variable) SelectValue(*variable);
  if (byteVariable) {
    if (*byteVariable == 0xFF) {
      SetSelIndex(-1);
    } else {
      SelectValue(*byteVariable);
    }
  }
  if (liveInt) SelectValue(*liveInt);
  if (liveByte) {
    if (*liveByte == 0xFF) {
      SetSelIndex(-1);
    } else {
      SelectValue(*liveByte);
    }
  }
  if (liveWord) {
    if (*liveWord == 0xFFFF) {
      SetSelIndex(-1);
    } else {
      SelectValue(*liveWord);
    }
  }
}

void TAutoCombo_::FillList(const WString& text) {
  ClearList();
  const std::vector<WString> items = SplitItemText(text);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const int index = AddString(items[i]);
    if (itemDataMode) SetItemData(index, std::intptr_t(i));
  }
}

void TAutoCombo_::LoadFromVariable() {
  FillList(itemText);
  SelectFromVariables();
  if (textVariable) TComboBox::SetText(*textVariable);
}

void TAutoCombo_::SaveToVariable() {
  const int value = GetSelection();
  if (variable) *variable = value;
  if (byteVariable) *byteVariable = std::uint8_t(value);
  if (textVariable) {
    const int selected = GetSelIndex();
    const WString text = selected >= 0 ? GetString(selected) : GetText();
    if (text.Length() < kMaxTransferredText) *textVariable = text;
  }
}

void TAutoCombo_::SetupWindow() {
  TComboBox::SetupWindow();
  SetExtendedUI(true);
}

void TAutoCombo_::SelectionChanged() {
  const int value = GetSelection();
  if (liveInt) *liveInt = value;
  if (liveByte) *liveByte = std::uint8_t(value);
  if (liveWord) *liveWord = std::uint16_t(value);
  OnSelectionChange();
  if (notifyParent) {
    if (TWindow* parent = GetParentO()) {
      parent->SendMessage(kWmAutoChanged, 0, 0);
      parent->PostMessage(kWmAutoNext, 0, 0);
    }
  }
  if (callback) callback(this, value);
}

int TAutoCombo_::MeasureItemsWidth() {
  int widest = 0;
  for (int i = 0; i < GetCount(); ++i) widest = std::max(widest, GetTextWidth(GetString(i)));
  return widest;
}

void TAutoCombo_::CbnDropDown() {
  dropDownOpen = true;
  SetDroppedWidth(std::max(GetWidth(), MeasureItemsWidth() + GetVerticalScrollBarWidth()));
  DefaultProcessing();
  rememberedSelection = GetSelIndex();
}

void TAutoCombo_::CbnSelChange() {
  // Browsing the open list: nothing happens until the choice ends.
  if (GetDroppedState()) return;
  if (dropDownOpen) {
    dropDownOpen = false;
    SelectionChanged();
  }
  DefaultProcessing();
}

void TAutoCombo_::CbnSelEndOk() {
  rememberedSelection = GetSelIndex();
  DefaultProcessing();
  dropDownOpen = false;
  SelectionChanged();
}

void TAutoCombo_::CbnCloseUp() {
  dropDownOpen = false;
  DefaultProcessing();
  SetSelIndex(rememberedSelection);
}

void TAutoCombo_::CbnSelEndCancel() {
  DefaultProcessing();
  if (!GetDroppedState()) return;
  if (notifyParent) {
    if (TWindow* parent = GetParentO()) parent->PostMessage(kWmAutoNext, 0, 0);
  }
  OnSelectionCancel();
}

void TAutoCombo_::CbnEditChange() {
  OnSelectionChange();
  DefaultProcessing();
}

void TAutoCombo_::CmRestore() {
  SelectValue(defaultValue);
  SelectionChanged();
}

TResult TAutoCombo_::EvGetDlgCode(TParam1, TParam2 lParam) {
  if (!notifyParent) return DefaultProcessing();
  return LiveKeysDlgCode(*this, DefaultDlgCode(), lParam);
}

// --- TAutoIconCombo_ ------------------------------------------------------------------------------

TAutoIconCombo_::TAutoIconCombo_(TWindow* parent, int resourceId, int firstBitmapId, int bitmapCount,
                                   int* indexVariable, int defaultValueValue)
    : TAutoCombo_(parent, resourceId, indexVariable, defaultValueValue) {
  LoadImages(firstBitmapId, bitmapCount);
}

TAutoIconCombo_::TAutoIconCombo_(TWindow* parent, int id, int firstBitmapId, int bitmapCount, int x, int y, int w,
                                   int h)
    : TAutoCombo_(parent, id, x, y, w, h, kCbsDropDownList | kCbsOwnerDrawFixed) {
  LoadImages(firstBitmapId, bitmapCount);
}

void TAutoIconCombo_::LoadImages(int firstBitmapId, int bitmapCount) {
  for (int i = 0; i < bitmapCount; ++i) {
    auto* image = new TDib;
    if (!LoadBitmapResource(firstBitmapId + i, *image) || !image->HasBits()) {
      delete image;
      break;
    }
    images.Add(image);
  }
  // One blank item per picture.
  itemText = WString();
  for (std::uint32_t i = 0; i < images.Count(); ++i) {
    if (i > 0) itemText.AppendChar(u'\t');
    itemText.AppendChar(u' ');
  }
}

void TAutoIconCombo_::MeasureItem(TMeasureItem& item) {
  if (heights.itemHeight == 0 && !images.Empty()) {
    // A picture and 4 pixels above and below it.
    heights.itemHeight = images[0]->Height() + 8;
    heights.fieldHeight = heights.itemHeight;
  }
  item.itemHeight = item.itemId < 0 ? heights.fieldHeight : heights.itemHeight;
}

void TAutoIconCombo_::DrawItem(TDrawItem& item) {
  const bool selected = (item.itemState & kOdsSelected) != 0;
  if (item.itemAction & (kOdaDrawEntire | kOdaSelect)) {
    if (item.itemState & kOdsDisabled) {
      FillItemRect(item, item.rect, GetUiSysColor(kColorBtnFace));
    } else if (const TDib* image = item.itemId >= 0 ? images.Get(std::uint32_t(item.itemId)) : nullptr) {
      FillItemRect(item, item.rect, GetUiSysColor(selected ? kColorHighlight : kColorWindow));
      const int x = item.rect.left + int((item.rect.Width() - image->Width()) / 2);
      const int y = item.rect.top + int((item.rect.Height() - image->Height()) / 2);
      DrawItemDib(item, *image, x, y);
    }
  }
  const bool focusAction = (item.itemAction & kOdaFocus) && selected;
  const bool focusedDraw = (item.itemAction & (kOdaDrawEntire | kOdaSelect)) && (item.itemState & kOdsFocus);
  if (focusAction || focusedDraw) DrawItemFocusRect(item, item.rect);
}

// --- TMyCheckList ----------------------------------------------------------------------------------

TMyCheckList::TMyCheckList(TWindow* parent, int resourceId, OwnedArray<TCheckItem>* itemArray)
    : TListWindow(parent, resourceId), items(itemArray) {}

const TResponseTable& TMyCheckList::Table() {
  static const TResponseTable table({OnCommand<&TMyCheckList::CmRestore>(kCmRestoreDefaults)},
                                    {&TListWindow::Table()});
  return table;
}

bool TMyCheckList::Find(TEventInfo& info) { return Table().Search(info); }

void TMyCheckList::SetupWindow() {
  TListWindow::SetupWindow();
  SetCheckBoxes(true);
  InsertColumn(0, WString(), 100);
  DeleteAllItems();
  if (items) {
    for (const TCheckItem* item : *items) {
      const int index = InsertItem(item->text);
      SetCheck(index, item->checked != 0);
    }
  }
  SetColumnWidth(0, -1);
  const int wanted = GetClientWidth() - 4;
  if (GetColumnWidth(0) < wanted) SetColumnWidth(0, wanted);
}

void TMyCheckList::SaveToVariable() {
  if (items == nullptr) return;
  const int count = std::min(int(items->Count()), GetItemCount());
  for (int i = 0; i < count; ++i) (*items)[std::uint32_t(i)]->checked = IsChecked(i) ? 1 : 0;
}

void TMyCheckList::CmRestore() {
  if (items == nullptr) return;
  const int count = std::min(int(items->Count()), GetItemCount());
  for (int i = 0; i < count; ++i) {
    const TCheckItem* item = (*items)[std::uint32_t(i)];
    if (item->defaultState != 2) SetCheck(i, item->defaultState == 1);
  }
}

}  // namespace kvn
