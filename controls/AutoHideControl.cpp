#include "controls/AutoHideControl.h"

namespace kvn {

TAutoHideControl::TAutoHideControl(TWindow* parent, int resourceId) : TControl(parent, resourceId) {}

DialogControlClass TAutoHideControl::GetControlClass() const {
  const auto* host = dynamic_cast<const TTemplateHost*>(GetParentO());
  const DialogControlData* entry = host ? host->FindTemplateControl(GetId()) : nullptr;
  return entry ? entry->cls : DialogControlClass::Static;
}

void TAutoHideControl::SetupWindow() {
  TControl::SetupWindow();
  Hide();
}

void TAutoHideControl::LoadFromVariable() { Hide(); }

void TAutoHideControl::Hide() {
  EnableWindow(false);
  ShowWindow(kSwHide);
}

}  // namespace kvn
