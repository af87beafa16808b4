// Bound buttons: the check box and the radio group bound to an int, and the
// owner-drawn bitmap button.
//
// Binding (all bound controls, see AutoControls.h): the deferred variable
// is shown by LoadFromVariable and written by SaveToVariable, which the
// dialog runs when the user confirms; a live variable is written at every
// user change; Restore (command 1053) shows the default.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi/TDib.h"
#include "platform/ui/ControlButtons.h"

namespace kvn {

class TAutoCheck : public TCheckBox {
 public:
  using ChangeCallback = void (*)(TWindow* parent, std::uint32_t userValue, int state);

  // A check box of the dialog template bound to `*boundVariable` (0, 1, 2).
  TAutoCheck(TWindow* parent, int resourceId, int* boundVariable, int defaultStateValue);
  // Made at run time; unbound, default and last state 0.
  TAutoCheck(TWindow* parent, int id, const WString& caption, int x, int y, int w, int h);

  int* variable;
  int defaultState;
  int lastState = 0;              // the state last shown, kept after the window goes
  WString captionSuffix;          // appended to the caption at set-up
  std::uint8_t* liveVariable = nullptr;
  std::uint32_t userValue = 0;
  ChangeCallback callback = nullptr;

  // The check state shown: 0, 1 or 2 (any other answer counts as 0).
  int GetState() const;
  // Shows the state, calls the callback with the state now shown, remembers it.
  void SetState(int state);
  // The callback with the current state.
  void NotifyChange();

  void LoadFromVariable() override;
  void SaveToVariable() override;

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void SetupWindow() override;
  void CleanupWindow() override;
  void BnClicked();
  void CmRestore();
  TResult EvGetDlgCode(TParam1 wParam, TParam2 lParam);

 private:
  void RunCallback(int state);
  bool restoring_ = false;
};

class TAutoRadioSub;

// A run of radio buttons with the consecutive ids first .. first + count - 1
// bound to the index of the checked one. The group object is the first
// button; with a callback, each further button gets a TAutoRadioSub so
// that clicks anywhere in the run reach the group.
class TAutoRadio : public TRadioButton {
 public:
  using ChangeCallback = void (*)(TWindow* parent, int checkedIndex, std::uint32_t userValue);

  TAutoRadio(TWindow* parent, int firstId, int buttonCount, int* boundVariable, int defaultIndexValue);
  ~TAutoRadio() override;

  int* variable;
  int count;
  int defaultIndex;
  ChangeCallback callback = nullptr;
  std::uint32_t userValue = 0;

  void SetCallback(ChangeCallback cb, std::uint32_t user);
  // Checks button first + index, then the callback with the checked index.
  void Check(int index);
  // The first button of the run that is checked; 0 when none is.
  int GetCheckedIndex();
  int GetFirstId() const { return GetId(); }

  void LoadFromVariable() override;
  void SaveToVariable() override;

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void SetupWindow() override;
  void BnClicked();
  void CmRestore();

 private:
  friend class TAutoRadioSub;
  void RunCallback();
  std::vector<TAutoRadioSub*> subs_;
};

// One further button of a TAutoRadio run.
class TAutoRadioSub : public TRadioButton {
 public:
  TAutoRadioSub(TWindow* parent, int resourceId, TAutoRadio* group);
  ~TAutoRadioSub() override;

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void BnClicked();

 private:
  friend class TAutoRadio;
  TAutoRadio* group_;
};

// An owner-drawn push button that shows a bitmap, optionally a toggle.
class TXButton : public TButton {
 public:
  TXButton(TWindow* parent, int id, const WString& caption, int x, int y, int w, int h, bool isStatic, int bitmap,
           bool tooltipFromCaption, bool isToggle);
  TXButton(bool isStatic, TWindow* parent, int resourceId, int bitmap, bool tooltipFromCaption, bool isToggle);

  int bitmapId;             // 0: the control id
  bool tooltipFromText;
  bool tooltipAllowed = true;
  bool hot = false;         // the mouse is over the button
  bool staticForDialog;     // the dialog manager never treats it as a push button
  bool toggle;
  TDib firstImage;
  TDib secondImage;         // when set: shown, and nothing is loaded

  bool Create() override;
  void DrawItem(TDrawItem& item) override;

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void SetupWindow() override;
  TResult EvGetDlgCode(TParam1 wParam, TParam2 lParam);
  void BnClicked();
  void EvMouseLeave();

 private:
  bool inToggle_ = false;
};

}  // namespace kvn
