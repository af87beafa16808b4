// Bound lists: the list box and the combo boxes bound to a selected index
// or item data, and the list view with check boxes bound to a caller's array.
// Item texts are one string with the items separated by TABs (AutoValues.h).
#pragma once

#include <cstdint>

#include "foundation/GrowArray.h"
#include "foundation/OwnerDrawHeights.h"
#include "platform/gdi/TDib.h"
#include "platform/ui/ControlLists.h"

namespace kvn {

class TAutoListBox : public TListBox {
 public:
  TAutoListBox(TWindow* parent, int resourceId, int* boundVariable, int defaultIndexValue);
  TAutoListBox(TWindow* parent, int id, const TRect& rect, int* boundVariable, int defaultIndexValue);

  int* variable;
  int defaultIndex;
  WString itemText;
  bool doubleClickIsOk = false;  // a double click confirms the dialog

  // Clears the list, adds the items of the item text, selects the variable's index.
  void Refill();

  void LoadFromVariable() override;
  void SaveToVariable() override;

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void LbnDblClk();
  void CmRestore();
};

// A combo box bound by index, or in item-data mode by the selected item's
// data. Deferred variables: int and byte (255: none); live variables, written
// at every selection the user makes: int, byte (255: none), word (65535:
// none); a text variable receives the chosen text. Browsing the open list
// changes nothing until the choice is confirmed: closing the list otherwise
// puts back the selection it opened with.
class TAutoCombo_ : public TComboBox {
 public:
  using ChangeCallback = void (*)(TAutoCombo_* control, int value);

  TAutoCombo_(TWindow* parent, int resourceId, int* indexVariable, int defaultValueValue);
  // Made at run time; unbound.
  TAutoCombo_(TWindow* parent, int id, int x, int y, int w, int h, std::uint32_t cbsStyle = kCbsDropDownList);

  ChangeCallback callback = nullptr;
  int* variable;
  std::uint8_t* byteVariable = nullptr;
  int defaultValue;
  WString itemText;
  bool itemDataMode = false;
  int* liveInt = nullptr;
  std::uint8_t* liveByte = nullptr;
  std::uint16_t* liveWord = nullptr;
  bool notifyParent = false;  // WM_AUTO_CHANGED and WM_AUTO_NEXT to the parent
  WString* textVariable = nullptr;
  int rememberedSelection = -1;
  bool dropDownOpen = false;

  // The selected item's data in item-data mode (when an item is selected),
  // else the selected index (-1 none); the outputs are optional.
  int GetSelection(int* index = nullptr, int* data = nullptr) const;
  int AddItem(const WString& text, std::intptr_t data);
  // The first item with the data; -1 none.
  int FindItemData(std::intptr_t value) const;
  // By index, or in item-data mode the first item with the data; nothing
  // selected when none matches.
  void SelectValue(int value);
  // Each bound variable in turn, later ones winning.
  void SelectFromVariables();
  // Clears and adds the items of the text; in item-data mode item i gets data i.
  virtual void FillList(const WString& text);

  void LoadFromVariable() override;
  void SaveToVariable() override;

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void SetupWindow() override;
  // A selection the user made (or Restore): live variables, hook,
  // messages, callback.
  void SelectionChanged();
  // Hooks of derived classes.
  virtual void OnSelectionChange() {}
  virtual void OnSelectionCancel() {}
  // The widest item text in pixels.
  virtual int MeasureItemsWidth();

  void CbnDropDown();
  void CbnSelChange();
  void CbnSelEndOk();
  void CbnCloseUp();
  void CbnSelEndCancel();
  void CbnEditChange();
  void CmRestore();
  TResult EvGetDlgCode(TParam1 wParam, TParam2 lParam);
};

// An owner-drawn combo box whose items are bitmaps (first id, first id + 1,
// ...; the loading stops at the first id that gives no valid bitmap).
class TAutoIconCombo_ : public TAutoCombo_ {
 public:
  TAutoIconCombo_(TWindow* parent, int resourceId, int firstBitmapId, int bitmapCount, int* indexVariable,
                   int defaultValueValue);
  TAutoIconCombo_(TWindow* parent, int id, int firstBitmapId, int bitmapCount, int x, int y, int w, int h);

  OwnedArray<TDib> images{8};
  OwnerDrawHeights heights;

  void MeasureItem(TMeasureItem& item) override;
  void DrawItem(TDrawItem& item) override;

 private:
  void LoadImages(int firstBitmapId, int bitmapCount);
};

// One item of a TMyCheckList.
struct TCheckItem {
  WString text;
  std::uint8_t checked = 0;
  std::uint8_t defaultState = 2;  // 0 unchecked, 1 checked, 2 no default
};

// A list view with check boxes over a caller's array of items (not owned).
class TMyCheckList : public TListWindow {
 public:
  TMyCheckList(TWindow* parent, int resourceId, OwnedArray<TCheckItem>* itemArray);

  OwnedArray<TCheckItem>* items;

  void SaveToVariable() override;

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void SetupWindow() override;
  void CmRestore();
};

}  // namespace kvn
