// TAutoHideControl: keeps a control id of a dialog template while the control
// itself stays hidden and disabled: at set-up and again whenever the dialog
// loads its variables into its controls, so that no later transfer shows it.
// It adopts the template control of its id whatever that control's class.
#pragma once

#include "platform/ui/Controls.h"

namespace kvn {

class TAutoHideControl : public TControl {
 public:
  TAutoHideControl(TWindow* parent, int resourceId);

  DialogControlClass GetControlClass() const override;
  void LoadFromVariable() override;

 protected:
  void SetupWindow() override;
  bool AcceptsPeer(wxWindow*) const override { return true; }

 private:
  void Hide();
};

}  // namespace kvn
