#include "platform/ui/DialogItems.h"

#include <wx/window.h>

#include "platform/ui/Window.h"

namespace kvn {

namespace {

// Calls `apply` with the item's window object when it has one (so that the
// object's state follows), else with the bare toolkit control.
template <class OnWindow, class OnPeer>
void ForEachItem(TWindow* dialog, const int* ids, OnWindow onWindow, OnPeer onPeer) {
  if (!dialog || !ids || !dialog->GetPeer()) return;
  for (const int* id = ids; *id != 0; ++id) {
    wxWindow* item = dialog->GetPeer()->FindWindow(*id);
    if (!item || item == dialog->GetPeer()) continue;
    if (TWindow* window = TWindow::FromPeer(item)) {
      onWindow(*window);
    } else {
      onPeer(*item);
    }
  }
}

}  // namespace

void ShowDialogItems(TWindow* dialog, bool show, const int* ids, bool keepEnabled) {
  ForEachItem(
      dialog, ids,
      [&](TWindow& w) {
        w.ShowWindow(show ? kSwShow : kSwHide);
        if (!keepEnabled) w.EnableWindow(show);
      },
      [&](wxWindow& w) {
        w.Show(show);
        if (!keepEnabled) w.Enable(show);
      });
}

void EnableDialogItems(TWindow* dialog, bool enable, const int* ids) {
  ForEachItem(
      dialog, ids, [&](TWindow& w) { w.EnableWindow(enable); }, [&](wxWindow& w) { w.Enable(enable); });
}

}  // namespace kvn
