// Two small controls of the shell: a push button that calls a function when
// pressed, and a placeholder that keeps a control id in a dialog while the
// control itself stays hidden and disabled (TAutoHideControl).
#pragma once

#include "controls/AutoButtons.h"
#include "controls/AutoHideControl.h"
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

// The shell's placeholder control is the library's.
using THideControl = TAutoHideControl;

}  // namespace kvn
