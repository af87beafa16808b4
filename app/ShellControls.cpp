#include "app/ShellControls.h"

namespace kvn {

// --- TAutoButton ----------------------------------------------------------------------------

TAutoButton::TAutoButton(TWindow* parent, int resourceId, Callback callback, void* argument)
    : TXButton(false, parent, resourceId, 0, false, false), callback_(callback), argument_(argument) {}

const TResponseTable& TAutoButton::Table() {
  static const TResponseTable table({OnNotifyAtChild<&TAutoButton::BnClickedCallback>(kBnClicked)},
                                    {&TXButton::Table()});
  return table;
}

bool TAutoButton::Find(TEventInfo& info) { return Table().Search(info); }

void TAutoButton::BnClickedCallback() {
  if (callback_) callback_(argument_);
}

// --- THideControl -----------------------------------------------------------------------------

THideControl::THideControl(TWindow* parent, int resourceId) : TControl(parent, resourceId) {}

DialogControlClass THideControl::GetControlClass() const {
  const auto* host = dynamic_cast<const TTemplateHost*>(GetParentO());
  const DialogControlData* entry = host ? host->FindTemplateControl(GetId()) : nullptr;
  return entry ? entry->cls : DialogControlClass::Static;
}

void THideControl::SetupWindow() {
  TControl::SetupWindow();
  Hide();
}

void THideControl::LoadFromVariable() { Hide(); }

void THideControl::Hide() {
  EnableWindow(false);
  ShowWindow(kSwHide);
}

}  // namespace kvn
