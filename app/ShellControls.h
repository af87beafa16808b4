// Two small controls of the shell: a push button that calls a function when
// pressed, and a placeholder that keeps a control id in a dialog while the
// control itself stays hidden and disabled.
#pragma once

#include "controls/AutoButtons.h"
#include "platform/ui/Controls.h"

namespace kvn {

class TAutoButton : public TXButton {
 public:
  using Callback = void (*)(void* argument);
  // A push button of the parent dialog's template.
  TAutoButton(TWindow* parent, int resourceId, Callback callback, void* argument);

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  // The button's BN_CLICKED runs the callback; the parent is not told.
  void BnClickedCallback();

 private:
  Callback callback_;
  void* argument_;
};

// Hidden and disabled at set-up and again whenever the dialog loads its
// variables into its controls, so that no later transfer shows it. It
// adopts the template control of its id whatever that control's class.
class THideControl : public TControl {
 public:
  THideControl(TWindow* parent, int resourceId);

  DialogControlClass GetControlClass() const override;
  void LoadFromVariable() override;

 protected:
  void SetupWindow() override;
  bool AcceptsPeer(wxWindow*) const override { return true; }

 private:
  void Hide();
};

}  // namespace kvn
