#include "platform/ui/ControlLists.h"

#include <wx/combobox.h>
#include <wx/listbox.h>
#include <wx/listctrl.h>
#include <wx/app.h>
#include <wx/odcombo.h>
#include <wx/settings.h>
#include <wx/vlbox.h>

#include <algorithm>

#include "platform/ui/ControlPeers.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/RegisteredMessages.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

// The close-up a combo box finishes a message round later.
constexpr const char16_t* kFinishCloseUpName = u"KvnComboFinishCloseUp";

// Where a sorted list puts a new text (after equal ones, as LB_ADDSTRING does).
template <class Items, class TextOf>
int SortedPosition(const Items& items, const WString& text, TextOf textOf) {
  int at = 0;
  for (const auto& item : items) {
    if (CompareNoCaseAccentW(textOf(item).CStr(), text.CStr()) > 0) break;
    ++at;
  }
  return at;
}

// The combo box's item container and text entry, whichever toolkit class it is.
wxItemContainer* Items(wxWindow* peer) { return dynamic_cast<wxItemContainer*>(peer); }

}  // namespace

// --- TListBox ----------------------------------------------------------------------------

TListBox::TListBox(TWindow* parent, int resourceId) : TControl(parent, resourceId) {}

TListBox::TListBox(TWindow* parent, int id, int x, int y, int w, int h) : TControl(parent, id, WString(), x, y, w, h) {
  Attr.Style |= kLbsNotify | kWsVScroll | kWsBorder;
}

namespace {

wxListBox* PlainList(wxWindow* peer) { return dynamic_cast<wxListBox*>(peer); }
wxVListBox* DrawnList(wxWindow* peer) { return dynamic_cast<wxVListBox*>(peer); }

}  // namespace

bool TListBox::IsMultipleSel() const { return (Attr.Style & (kLbsMultipleSel | kLbsExtendedSel)) != 0; }

void TListBox::ClearList() {
  items_.clear();
  sel_ = -1;
  if (auto* list = PlainList(GetPeer())) list->Clear();
  if (auto* list = DrawnList(GetPeer())) list->Clear();
}

int TListBox::AddString(const WString& text) {
  if (Attr.Style & kLbsSort) {
    return InsertString(text, SortedPosition(items_, text, [](const Item& i) -> const WString& { return i.text; }));
  }
  return InsertString(text, -1);
}

int TListBox::InsertString(const WString& text, int index) {
  if (index < 0 || index > GetCount()) index = GetCount();
  if (auto* list = PlainList(GetPeer())) list->Insert(ToWx(text), unsigned(index));
  if (DrawnList(GetPeer())) {
    // The toolkit's owner-drawn list keeps its selection by row number:
    // rows after the new one are selected again one place further.
    TakeSelectionFromPeer();
    items_.insert(items_.begin() + index, Item{text});
    GiveSelectionToPeer();
  } else {
    items_.insert(items_.begin() + index, Item{text});
  }
  if (sel_ >= index) ++sel_;
  return index;
}

int TListBox::DeleteString(int index) {
  if (index < 0 || index >= GetCount()) return -1;
  if (auto* list = PlainList(GetPeer())) list->Delete(unsigned(index));
  if (DrawnList(GetPeer())) {
    TakeSelectionFromPeer();
    items_.erase(items_.begin() + index);
    GiveSelectionToPeer();
  } else {
    items_.erase(items_.begin() + index);
  }
  if (sel_ == index) sel_ = -1;
  if (sel_ > index) --sel_;
  return GetCount();
}

WString TListBox::GetString(int index) const {
  return index >= 0 && index < GetCount() ? items_[std::size_t(index)].text : WString();
}

void TListBox::SetItemData(int index, std::intptr_t data) {
  if (index >= 0 && index < GetCount()) items_[std::size_t(index)].data = data;
}

std::intptr_t TListBox::GetItemData(int index) const {
  return index >= 0 && index < GetCount() ? items_[std::size_t(index)].data : -1;
}

int TListBox::GetSelIndex() const {
  if (IsMultipleSel()) {
    for (int i = 0; i < GetCount(); ++i)
      if (GetSel(i)) return i;
    return -1;
  }
  if (const auto* list = PlainList(GetPeer())) return list->GetSelection();
  if (const auto* list = DrawnList(GetPeer())) return list->GetSelection();
  return sel_;
}

void TListBox::SetSelIndex(int index) {
  if (index < 0 || index >= GetCount()) index = -1;
  sel_ = index;
  if (IsMultipleSel()) {
    SetSel(-1, false);
    if (index >= 0) SetSel(index, true);
    return;
  }
  if (auto* list = PlainList(GetPeer())) {
    if (index < 0) {
      list->DeselectAll();
    } else {
      list->SetSelection(index);
    }
  }
  if (auto* list = DrawnList(GetPeer())) list->SetSelection(index);
}

bool TListBox::GetSel(int index) const {
  if (index < 0 || index >= GetCount()) return false;
  if (!IsMultipleSel()) return GetSelIndex() == index;
  if (const auto* list = PlainList(GetPeer())) return list->IsSelected(index);
  if (const auto* list = DrawnList(GetPeer())) return list->IsSelected(std::size_t(index));
  return items_[std::size_t(index)].selected;
}

void TListBox::SetSel(int index, bool select) {
  if (!IsMultipleSel()) {
    if (index >= 0 && index < GetCount()) SetSelIndex(select ? index : -1);
    return;
  }
  const int first = index < 0 ? 0 : index;
  const int last = index < 0 ? GetCount() - 1 : std::min(index, GetCount() - 1);
  for (int i = first; i <= last; ++i) {
    items_[std::size_t(i)].selected = select;
    if (auto* list = PlainList(GetPeer())) {
      if (select) {
        list->SetSelection(i);
      } else {
        list->Deselect(i);
      }
    }
    if (auto* list = DrawnList(GetPeer())) list->Select(std::size_t(i), select);
  }
}

int TListBox::GetSelCount() const {
  int count = 0;
  for (int i = 0; i < GetCount(); ++i) count += GetSel(i) ? 1 : 0;
  return count;
}

std::vector<int> TListBox::GetSelIndexes() const {
  std::vector<int> out;
  for (int i = 0; i < GetCount(); ++i)
    if (GetSel(i)) out.push_back(i);
  return out;
}

TRect TListBox::GetItemRect(int index) const {
  if (index < 0 || index >= GetCount()) return TRect{};
  if (const auto* list = DrawnList(GetPeer())) {
    const wxRect r = list->GetItemRect(std::size_t(index));
    return TRect{r.x, r.y, r.x + r.width, r.y + r.height};
  }
  return TRect{};
}

int TListBox::ItemFromPoint(const TPoint& point) const {
  if (const auto* list = DrawnList(GetPeer())) {
    if (point.x < 0 || point.x >= list->GetClientSize().x) return -1;
    const int row = list->VirtualHitTest(point.y);
    return row >= 0 && row < GetCount() ? row : -1;
  }
  if (const auto* list = PlainList(GetPeer())) {
    const int row = list->HitTest(wxPoint(point.x, point.y));
    return row >= 0 && row < GetCount() ? row : -1;
  }
  return -1;
}

void TListBox::TakeSelectionFromPeer() {
  if (!IsMultipleSel()) return;
  const wxVListBox* drawn = DrawnList(GetPeer());
  const wxListBox* plain = PlainList(GetPeer());
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (drawn) items_[i].selected = drawn->IsSelected(i);
    if (plain) items_[i].selected = plain->IsSelected(int(i));
  }
}

void TListBox::GiveSelectionToPeer() {
  if (auto* list = DrawnList(GetPeer())) {
    list->SetItemCount(items_.size());
    if (IsMultipleSel()) {
      list->DeselectAll();
      for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].selected) list->Select(i, true);
    } else {
      list->SetSelection(sel_ >= 0 && sel_ < GetCount() ? sel_ : -1);
    }
    list->RefreshAll();
  }
}

bool TListBox::AcceptsPeer(wxWindow* peer) const { return PeerIsClass(peer, DialogControlClass::ListBox); }

void TListBox::BindControlEvents(wxWindow* peer) {
  auto bind = [peer](const wxEventTypeTag<wxCommandEvent>& type, std::uint32_t code) {
    peer->Bind(type, [peer, code](wxCommandEvent& e) {
      auto* list = dynamic_cast<TListBox*>(TWindow::FromPeer(peer));
      if (list == nullptr || e.GetEventObject() != peer) {
        e.Skip();
        return;
      }
      list->Notify(code);
    });
  };
  bind(wxEVT_LISTBOX, kLbnSelChange);
  bind(wxEVT_LISTBOX_DCLICK, kLbnDblClk);
}

void TListBox::CaptureState() {
  TControl::CaptureState();
  if (!GetPeer()) return;
  TakeSelectionFromPeer();
  if (!IsMultipleSel()) sel_ = GetSelIndex();
}

void TListBox::ApplyState() {
  TControl::ApplyState();
  if (auto* list = PlainList(GetPeer())) {
    list->Clear();
    for (const Item& item : items_) list->Append(ToWx(item.text));
    if (IsMultipleSel()) {
      for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].selected) list->SetSelection(int(i));
    } else if (sel_ >= 0 && sel_ < GetCount()) {
      list->SetSelection(sel_);
    }
  }
  GiveSelectionToPeer();
}

// --- TComboBox ---------------------------------------------------------------------------

TComboBox::TComboBox(TWindow* parent, int resourceId) : TControl(parent, resourceId) {}

TComboBox::TComboBox(TWindow* parent, int id, int x, int y, int w, int h, std::uint32_t cbsStyle)
    : TControl(parent, id, WString(), x, y, w, h) {
  Attr.Style |= cbsStyle | kWsVScroll;
}

const TResponseTable& TComboBox::Table() {
  static const TResponseTable table({OnRegistered<&TComboBox::EvFinishCloseUp>(kFinishCloseUpName)},
                                    {&TControl::Table()});
  return table;
}

bool TComboBox::Find(TEventInfo& info) { return Table().Search(info); }

void TComboBox::ClearList() {
  items_.clear();
  sel_ = -1;
  if (auto* items = Items(GetPeer())) items->Clear();
}

int TComboBox::AddString(const WString& text) {
  if (Attr.Style & kCbsSort) {
    return InsertString(text, SortedPosition(items_, text, [](const Item& i) -> const WString& { return i.text; }));
  }
  return InsertString(text, -1);
}

int TComboBox::InsertString(const WString& text, int index) {
  if (index < 0 || index > GetCount()) index = GetCount();
  items_.insert(items_.begin() + index, Item{text, 0});
  if (auto* items = Items(GetPeer())) items->Insert(ToWx(text), unsigned(index));
  if (sel_ >= index) ++sel_;
  return index;
}

WString TComboBox::GetString(int index) const {
  return index >= 0 && index < GetCount() ? items_[std::size_t(index)].text : WString();
}

void TComboBox::SetItemData(int index, std::intptr_t data) {
  if (index >= 0 && index < GetCount()) items_[std::size_t(index)].data = data;
}

std::intptr_t TComboBox::GetItemData(int index) const {
  return index >= 0 && index < GetCount() ? items_[std::size_t(index)].data : -1;
}

int TComboBox::GetSelIndex() const {
  if (const auto* items = Items(GetPeer())) return items->GetSelection();
  return sel_;
}

void TComboBox::SetSelIndex(int index) {
  if (index < 0 || index >= GetCount()) index = -1;
  sel_ = index;
  if (auto* items = Items(GetPeer())) {
    items->SetSelection(index < 0 ? wxNOT_FOUND : index);
    // An editable combo box shows the chosen item's text, or none.
    if (index < 0) {
      if (auto* entry = dynamic_cast<wxTextEntry*>(GetPeer())) entry->ChangeValue(wxString());
    }
  }
}

void TComboBox::ShowDropDown(bool show) {
  if (auto* combo = dynamic_cast<wxComboBox*>(GetPeer())) {
    show ? combo->Popup() : combo->Dismiss();
  } else if (auto* odcombo = dynamic_cast<wxOwnerDrawnComboBox*>(GetPeer())) {
    show ? odcombo->Popup() : odcombo->Dismiss();
  }
}

void TComboBox::SetDroppedWidth(int width) {
  if (auto* odcombo = dynamic_cast<wxOwnerDrawnComboBox*>(GetPeer())) odcombo->SetPopupMinWidth(width);
}

int TComboBox::GetTextWidth(const WString& text) const {
  if (const wxWindow* peer = GetPeer()) return peer->GetTextExtent(ToWx(text)).x;
  // Without a window: the classic dialog font's average width.
  return text.Length() * 7;
}

int TComboBox::GetWidth() const {
  if (const wxWindow* peer = GetPeer()) return peer->GetSize().x;
  return Attr.W;
}

int TComboBox::GetVerticalScrollBarWidth() {
  // The toolkit answers only once it runs; Win32's classic width otherwise.
  constexpr int kClassicWidth = 17;
  if (wxTheApp == nullptr) return kClassicWidth;
  const int width = wxSystemSettings::GetMetric(wxSYS_VSCROLL_X);
  return width > 0 ? width : kClassicWidth;
}

bool TComboBox::AcceptsPeer(wxWindow* peer) const {
  return dynamic_cast<wxComboBox*>(peer) != nullptr || dynamic_cast<wxOwnerDrawnComboBox*>(peer) != nullptr;
}

void TComboBox::BindControlEvents(wxWindow* peer) {
  auto bind = [peer](const wxEventTypeTag<wxCommandEvent>& type, void (TComboBox::*entry)()) {
    peer->Bind(type, [peer, entry](wxCommandEvent& e) {
      auto* combo = dynamic_cast<TComboBox*>(TWindow::FromPeer(peer));
      if (combo == nullptr || e.GetEventObject() != peer) {
        e.Skip();
        return;
      }
      (combo->*entry)();
    });
  };
  bind(wxEVT_COMBOBOX_DROPDOWN, &TComboBox::OnToolkitDropDown);
  bind(wxEVT_COMBOBOX, &TComboBox::OnToolkitSelect);
  bind(wxEVT_COMBOBOX_CLOSEUP, &TComboBox::OnToolkitCloseUp);
  bind(wxEVT_TEXT, &TComboBox::OnToolkitEditChange);
}

void TComboBox::OnToolkitDropDown() {
  dropped_ = true;
  choiceSeen_ = false;
  closeUpPending_ = false;
  selAtDropDown_ = GetSelIndex();
  Notify(kCbnDropDown);
}

void TComboBox::OnToolkitSelect() {
  Notify(kCbnSelChange);
  Notify(kCbnSelEndOk);
  if (dropped_ || closeUpPending_) choiceSeen_ = true;
  if (closeUpPending_) FinishCloseUp();
}

void TComboBox::OnToolkitCloseUp() {
  if (!dropped_) return;
  if (choiceSeen_) {
    FinishCloseUp();
    return;
  }
  // GTK may report the chosen item after the list closed: wait one round.
  closeUpPending_ = true;
  // The owner-drawn combo has already taken the new item when it reports
  // the closing, and reports the choice right after: wait for that.
  if (dynamic_cast<wxOwnerDrawnComboBox*>(GetPeer()) && GetSelIndex() != selAtDropDown_) return;
  if (!PostMessage(RegisterWindowMessage(kFinishCloseUpName))) FinishCloseUp();
}

void TComboBox::OnToolkitEditChange() {
  // A drop-down list has no field to type in; the toolkit reports there
  // the text an item choice shows.
  if ((Attr.Style & kCbsTypeMask) != kCbsDropDownList) Notify(kCbnEditChange);
}

TResult TComboBox::EvFinishCloseUp(TParam1, TParam2) {
  if (closeUpPending_) FinishCloseUp();
  return 0;
}

void TComboBox::FinishCloseUp() {
  const bool cancelled = !choiceSeen_;
  closeUpPending_ = false;
  choiceSeen_ = false;
  if (cancelled) Notify(kCbnSelEndCancel);  // sent while the list still counts as dropped
  dropped_ = false;
  Notify(kCbnCloseUp);
}

void TComboBox::CaptureState() {
  TControl::CaptureState();
  if (GetPeer()) sel_ = GetSelIndex();
}

void TComboBox::ApplyState() {
  TControl::ApplyState();
  auto* items = Items(GetPeer());
  if (items == nullptr) return;
  items->Clear();
  for (const Item& item : items_) items->Append(ToWx(item.text));
  if (sel_ >= 0 && sel_ < GetCount()) items->SetSelection(sel_);
}

// --- TListWindow -------------------------------------------------------------------------

TListWindow::TListWindow(TWindow* parent, int resourceId) : TControl(parent, resourceId) {}

TListWindow::TListWindow(TWindow* parent, int id, int x, int y, int w, int h)
    : TControl(parent, id, WString(), x, y, w, h) {
  Attr.Style |= kLvsReport | kLvsSingleSel | kWsBorder;
}

void TListWindow::SetCheckBoxes(bool on) {
  checkBoxes_ = on;
  if (auto* list = dynamic_cast<wxListCtrl*>(GetPeer())) list->EnableCheckBoxes(on);
}

void TListWindow::InsertColumn(int column, const WString& title, int width) {
  column = std::clamp(column, 0, int(columns_.size()));
  columns_.insert(columns_.begin() + column, Column{title, width});
  if (auto* list = dynamic_cast<wxListCtrl*>(GetPeer()))
    list->InsertColumn(column, ToWx(title), wxLIST_FORMAT_LEFT, width);
}

void TListWindow::SetColumnWidth(int column, int width) {
  if (column < 0 || column >= int(columns_.size())) return;
  if (auto* list = dynamic_cast<wxListCtrl*>(GetPeer())) {
    list->SetColumnWidth(column, width < 0 ? wxLIST_AUTOSIZE : width);
    columns_[std::size_t(column)].width = list->GetColumnWidth(column);
  } else if (width >= 0) {
    columns_[std::size_t(column)].width = width;
  }
}

int TListWindow::GetColumnWidth(int column) const {
  if (column < 0 || column >= int(columns_.size())) return 0;
  if (const auto* list = dynamic_cast<const wxListCtrl*>(GetPeer())) return list->GetColumnWidth(column);
  return columns_[std::size_t(column)].width;
}

void TListWindow::DeleteAllItems() {
  items_.clear();
  if (auto* list = dynamic_cast<wxListCtrl*>(GetPeer())) list->DeleteAllItems();
}

int TListWindow::InsertItem(const WString& text) {
  items_.push_back(Item{text, false});
  const int index = int(items_.size()) - 1;
  if (auto* list = dynamic_cast<wxListCtrl*>(GetPeer())) list->InsertItem(index, ToWx(text));
  return index;
}

WString TListWindow::GetItemText(int index) const {
  return index >= 0 && index < GetItemCount() ? items_[std::size_t(index)].text : WString();
}

void TListWindow::SetCheck(int index, bool checked) {
  if (index < 0 || index >= GetItemCount()) return;
  items_[std::size_t(index)].checked = checked;
  if (auto* list = dynamic_cast<wxListCtrl*>(GetPeer()); list && checkBoxes_) list->CheckItem(index, checked);
}

bool TListWindow::IsChecked(int index) const {
  if (index < 0 || index >= GetItemCount()) return false;
  if (const auto* list = dynamic_cast<const wxListCtrl*>(GetPeer()); list && checkBoxes_) {
    return list->IsItemChecked(index);
  }
  return items_[std::size_t(index)].checked;
}

int TListWindow::GetClientWidth() const {
  if (const wxWindow* peer = GetPeer()) return peer->GetClientSize().x;
  return Attr.W;
}

bool TListWindow::AcceptsPeer(wxWindow* peer) const { return dynamic_cast<wxListCtrl*>(peer) != nullptr; }

void TListWindow::CaptureState() {
  TControl::CaptureState();
  if (GetPeer() && checkBoxes_) {
    for (int i = 0; i < GetItemCount(); ++i) items_[std::size_t(i)].checked = IsChecked(i);
  }
}

void TListWindow::ApplyState() {
  TControl::ApplyState();
  auto* list = dynamic_cast<wxListCtrl*>(GetPeer());
  if (list == nullptr) return;
  list->EnableCheckBoxes(checkBoxes_);
  list->DeleteAllColumns();
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    list->InsertColumn(long(c), ToWx(columns_[c].title), wxLIST_FORMAT_LEFT, columns_[c].width);
  }
  list->DeleteAllItems();
  for (std::size_t i = 0; i < items_.size(); ++i) {
    list->InsertItem(long(i), ToWx(items_[i].text));
    if (checkBoxes_) list->CheckItem(long(i), items_[i].checked);
  }
}

}  // namespace kvn
