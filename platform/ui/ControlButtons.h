// The button family of the class library: push buttons, check boxes, radio
// buttons and group boxes (Win32 class "Button").
#pragma once

#include <cstdint>

#include "platform/ui/Controls.h"

namespace kvn {

class TButton : public TControl {
 public:
  TButton(TWindow* parent, int resourceId);
  // A push button made at run time (BS_DEFPUSHBUTTON with the flag).
  TButton(TWindow* parent, int id, const WString& text, int x, int y, int w, int h, bool isDefault = false);

  DialogControlClass GetControlClass() const override { return DialogControlClass::Button; }
  std::uint32_t DefaultDlgCode() const override;

  // BM_CLICK: the state change a click makes, then BN_CLICKED.
  virtual void Click();
  // BM_GETSTATE / BM_SETSTATE: the state word; its low two bits are the
  // check state of check boxes and of toggle buttons, kBstFocus is added
  // while the button has the focus. Setting it repaints an owner-drawn button.
  std::uint32_t GetState() const;
  void SetState(std::uint32_t state);
  // The style's button type is BS_DEFPUSHBUTTON.
  bool IsDefaultPushButton() const { return (Attr.Style & kBsTypeMask) == kBsDefPushButton; }

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  bool AcceptsPeer(wxWindow* peer) const override;
  // With ownerDrawRequested_, a template's plain push button is replaced by
  // an owner-drawn one in its place (Win32 lets a button become BS_OWNERDRAW
  // after creation; a toolkit control cannot change its class).
  wxWindow* AdaptTemplatePeer(wxWindow* peer) override;
  void BindControlEvents(wxWindow* peer) override;

  std::uint32_t state_ = 0;
  bool ownerDrawRequested_ = false;
};

class TCheckBox : public TButton {
 public:
  TCheckBox(TWindow* parent, int resourceId);
  // A BS_AUTOCHECKBOX made at run time.
  TCheckBox(TWindow* parent, int id, const WString& text, int x, int y, int w, int h);

  std::uint32_t DefaultDlgCode() const override { return kDlgcButton; }
  // BM_GETCHECK / BM_SETCHECK: kBstUnchecked, kBstChecked, kBstIndeterminate.
  virtual int GetCheck() const;
  virtual void SetCheck(int state);
  // Win32's click of the style: an auto check box toggles between checked
  // and unchecked (indeterminate becomes checked), an auto three-state box
  // cycles 0, 1, 2; other styles leave the state to the program.
  void Click() override;

 protected:
  bool AcceptsPeer(wxWindow* peer) const override;
  void BindControlEvents(wxWindow* peer) override;
  void CaptureState() override;
  void ApplyState() override;
};

class TRadioButton : public TCheckBox {
 public:
  TRadioButton(TWindow* parent, int resourceId);
  // A BS_AUTORADIOBUTTON made at run time; `startsGroup` sets WS_GROUP.
  TRadioButton(TWindow* parent, int id, const WString& text, int x, int y, int w, int h, bool startsGroup = false);

  std::uint32_t DefaultDlgCode() const override { return kDlgcButton | kDlgcRadioButton; }
  int GetCheck() const override;
  // Checking a button unchecks the others of its group in the window (the
  // toolkit keeps one of a group checked); unchecking is kept in the object
  // only, since GTK cannot show a group without a checked button.
  void SetCheck(int state) override;
  void Click() override;

 protected:
  bool AcceptsPeer(wxWindow* peer) const override;
  void BindControlEvents(wxWindow* peer) override;
};

class TGroupBox : public TControl {
 public:
  TGroupBox(TWindow* parent, int resourceId);
  TGroupBox(TWindow* parent, int id, const WString& text, int x, int y, int w, int h);

  DialogControlClass GetControlClass() const override { return DialogControlClass::Button; }
  std::uint32_t DefaultDlgCode() const override { return kDlgcStatic; }

 protected:
  bool AcceptsPeer(wxWindow* peer) const override;
};

// CheckRadioButton: checks button `check` of the ids first..last of the
// parent's children (wrapped or not) and clears the others.
void CheckRadioButton(TWindow& parent, int first, int last, int check);
// IsDlgButtonChecked: the check state of the child button of the id; 0
// when there is none.
int IsDlgButtonChecked(TWindow& parent, int id);

}  // namespace kvn
