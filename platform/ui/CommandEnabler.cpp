#include "platform/ui/CommandEnabler.h"

#include <wx/menuitem.h>

#include "platform/ui/WxText.h"

namespace kvn {

void TCommandEnabler::Enable(bool enable) {
  enabled_ = enable;
  handled_ = true;
}

void TCommandEnabler::SetCheck(int state) {
  check_ = state;
  handled_ = true;
}

void TCommandEnabler::SetText(const WString&) { handled_ = true; }

TMenuItemEnabler::TMenuItemEnabler(wxMenuItem* item, THandle receiver, const WString& shortcut)
    : TCommandEnabler(item ? std::uint32_t(item->GetId()) : 0, receiver), item_(item), shortcut_(shortcut) {}

void TMenuItemEnabler::Enable(bool enable) {
  TCommandEnabler::Enable(enable);
  // Setting the same state again makes GTK redraw the open menu; skip it.
  if (item_ && item_->IsEnabled() != enable) item_->Enable(enable);
}

void TMenuItemEnabler::SetCheck(int state) {
  TCommandEnabler::SetCheck(state);
  // GTK draws check marks on check items only; the menu resource marks the
  // items that carry one, and a check asked of another item is dropped.
  if (item_ && item_->IsCheckable() && item_->IsChecked() != (state == Checked)) item_->Check(state == Checked);
}

void TMenuItemEnabler::SetText(const WString& text) {
  TCommandEnabler::SetText(text);
  if (item_) item_->SetItemLabel(MenuLabel(text, shortcut_));
}

wxMenu* TMenuItemEnabler::GetMenu() const { return item_ ? item_->GetMenu() : nullptr; }

}  // namespace kvn
