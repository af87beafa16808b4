// TEmbeddedDialog: a translated dialog template that lives inside another
// window instead of as a window of its own: a property page inside its
// sheet's notebook, the extra controls inside the file chooser. Its window is
// a panel of the template's size holding the template's controls; it
// translates, loads and saves like any TDialogTr.
#pragma once

#include "controls/DialogTr.h"

class wxWindow;

namespace kvn {

class TEmbeddedDialog : public TDialogTr {
 public:
  TEmbeddedDialog(TWindow* parent, int resourceId);

  // The toolkit window the panel goes into; without one, the parent
  // object's window. Set before Create.
  void SetHost(wxWindow* host) { host_ = host; }
  // Without dialog keys, Tab, Enter and Escape are left to the host.
  void SetDialogKeys(bool on) { dialogKeys_ = on; }

 protected:
  wxWindow* CreatePeer(wxWindow* parentPeer) override;

 private:
  wxWindow* host_ = nullptr;
  bool dialogKeys_ = true;
};

}  // namespace kvn
