// List boxes, combo boxes and list views of the class library (Win32
// classes "ListBox", "ComboBox", "SysListView32"). Item texts are kept in
// the object and shown in the window; the window holds the selection while
// it lives.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ui/Controls.h"

namespace kvn {

class TListBox : public TControl {
 public:
  TListBox(TWindow* parent, int resourceId);
  TListBox(TWindow* parent, int id, int x, int y, int w, int h);

  DialogControlClass GetControlClass() const override { return DialogControlClass::ListBox; }
  std::uint32_t DefaultDlgCode() const override { return kDlgcWantArrows | kDlgcWantChars; }

  // LB_RESETCONTENT, LB_ADDSTRING (sorted with LBS_SORT; returns the index),
  // LB_INSERTSTRING (index -1: at the end), LB_DELETESTRING, LB_GETCOUNT, LB_GETTEXT.
  void ClearList();
  int AddString(const WString& text);
  int InsertString(const WString& text, int index);
  int DeleteString(int index);
  int GetCount() const { return int(items_.size()); }
  WString GetString(int index) const;
  // LB_SETITEMDATA / LB_GETITEMDATA (-1 out of range).
  void SetItemData(int index, std::intptr_t data);
  std::intptr_t GetItemData(int index) const;
  // LB_GETCURSEL (-1 none) / LB_SETCURSEL (-1 or an index out of range clears
  // it). A list of many selected rows answers its first selected row and
  // takes the index as its only selected row.
  int GetSelIndex() const;
  void SetSelIndex(int index);
  // LBS_MULTIPLESEL or LBS_EXTENDEDSEL.
  bool IsMultipleSel() const;
  // LB_GETSEL, LB_SETSEL (index -1: every row), LB_GETSELCOUNT, LB_GETSELITEMS.
  bool GetSel(int index) const;
  void SetSel(int index, bool select);
  int GetSelCount() const;
  std::vector<int> GetSelIndexes() const;
  // LB_GETITEMRECT of an owner-drawn list (client pixels; empty for a row
  // out of view or a list of the toolkit's own rows) and LB_ITEMFROMPOINT
  // (-1 below the last row or outside the list).
  TRect GetItemRect(int index) const;
  int ItemFromPoint(const TPoint& point) const;
  bool IsOwnerDrawn() const { return (Attr.Style & kLbsOwnerDrawFixed) != 0; }

 protected:
  bool AcceptsPeer(wxWindow* peer) const override;
  void BindControlEvents(wxWindow* peer) override;
  void CaptureState() override;
  void ApplyState() override;

 private:
  struct Item {
    WString text;
    std::intptr_t data = 0;
    bool selected = false;  // many-row lists while there is no window
  };
  void TakeSelectionFromPeer();
  void GiveSelectionToPeer();

  std::vector<Item> items_;
  int sel_ = -1;
};

class TComboBox : public TControl {
 public:
  TComboBox(TWindow* parent, int resourceId);
  // Made at run time with the CBS_ style bits (CBS_DROPDOWNLIST by default).
  TComboBox(TWindow* parent, int id, int x, int y, int w, int h, std::uint32_t cbsStyle = kCbsDropDownList);

  DialogControlClass GetControlClass() const override { return DialogControlClass::ComboBox; }
  std::uint32_t DefaultDlgCode() const override { return kDlgcWantArrows | kDlgcWantChars; }

  void ClearList();
  int AddString(const WString& text);
  int InsertString(const WString& text, int index);
  int GetCount() const { return int(items_.size()); }
  WString GetString(int index) const;
  // CB_SETITEMDATA / CB_GETITEMDATA (-1, CB_ERR, out of range).
  void SetItemData(int index, std::intptr_t data);
  std::intptr_t GetItemData(int index) const;
  // CB_GETCURSEL (-1 none) / CB_SETCURSEL (no notification).
  int GetSelIndex() const;
  void SetSelIndex(int index);
  // CB_GETDROPPEDSTATE, CB_SHOWDROPDOWN.
  bool GetDroppedState() const { return dropped_; }
  void ShowDropDown(bool show);
  // CB_SETDROPPEDWIDTH: the open list's least width in pixels (the toolkit's
  // own combo box sizes its list itself and ignores it).
  void SetDroppedWidth(int width);
  // CB_SETEXTENDEDUI: GTK's combo boxes open with the down arrow already.
  void SetExtendedUI(bool) {}
  // The width of a text in the control's font, in pixels.
  int GetTextWidth(const WString& text) const;
  int GetWidth() const;
  // SM_CXVSCROLL: the width of a vertical scroll bar.
  static int GetVerticalScrollBarWidth();
  bool IsOwnerDrawn() const { return (Attr.Style & (kCbsOwnerDrawFixed | kCbsOwnerDrawVariable)) != 0; }

  // What the toolkit reported (also the entry points of tests).
  void OnToolkitDropDown();
  void OnToolkitSelect();
  void OnToolkitCloseUp();
  void OnToolkitEditChange();

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  bool AcceptsPeer(wxWindow* peer) const override;
  void BindControlEvents(wxWindow* peer) override;
  void CaptureState() override;
  void ApplyState() override;

 private:
  struct Item {
    WString text;
    std::intptr_t data = 0;
  };
  TResult EvFinishCloseUp(TParam1, TParam2);
  void FinishCloseUp();

  std::vector<Item> items_;
  int sel_ = -1;
  bool dropped_ = false;
  bool choiceSeen_ = false;      // SELENDOK was reported while the list was open
  bool closeUpPending_ = false;  // the toolkit closed the list, the choice may follow
  int selAtDropDown_ = -1;       // the selection when the list opened
};

// A list view in report mode, optionally with check boxes.
class TListWindow : public TControl {
 public:
  TListWindow(TWindow* parent, int resourceId);
  TListWindow(TWindow* parent, int id, int x, int y, int w, int h);

  DialogControlClass GetControlClass() const override { return DialogControlClass::ListView; }
  std::uint32_t DefaultDlgCode() const override { return kDlgcWantArrows | kDlgcWantChars; }

  // LVS_EX_CHECKBOXES.
  void SetCheckBoxes(bool on);
  void InsertColumn(int column, const WString& title, int width);
  // LVM_SETCOLUMNWIDTH; -1 fits the contents.
  void SetColumnWidth(int column, int width);
  int GetColumnWidth(int column) const;
  void DeleteAllItems();
  // At the end; returns the index.
  int InsertItem(const WString& text);
  int GetItemCount() const { return int(items_.size()); }
  WString GetItemText(int index) const;
  void SetCheck(int index, bool checked);
  bool IsChecked(int index) const;
  int GetClientWidth() const;

 protected:
  bool AcceptsPeer(wxWindow* peer) const override;
  void CaptureState() override;
  void ApplyState() override;

 private:
  struct Item {
    WString text;
    bool checked = false;
  };
  std::vector<Item> items_;
  bool checkBoxes_ = false;
  struct Column {
    WString title;
    int width = 0;
  };
  std::vector<Column> columns_;
};

}  // namespace kvn
