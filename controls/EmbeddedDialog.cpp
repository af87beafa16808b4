#include "controls/EmbeddedDialog.h"

#include <wx/panel.h>

#include <algorithm>

#include "platform/ui/MessageBridge.h"

namespace kvn {

TEmbeddedDialog::TEmbeddedDialog(TWindow* parent, int resourceId) : TDialogTr(parent, resourceId) {
  // A child: no caption, frame or pop-up style of its own.
  Attr.Style = (Attr.Style & ~(kWsPopup | kWsCaption | kWsSysMenu | kWsThickFrame)) | kWsChild | kWsVisible;
}

wxWindow* TEmbeddedDialog::CreatePeer(wxWindow* parentPeer) {
  wxWindow* host = host_ ? host_ : parentPeer;
  const DialogTemplateData* t = GetTemplate();
  if (host == nullptr || t == nullptr) return nullptr;
  auto* panel = new WxPeer<wxPanel>(this, host, wxID_ANY);
  const int baseX = std::max(panel->GetCharWidth(), 1);
  const int baseY = std::max(panel->GetCharHeight(), 1);
  const wxSize size(DialogUnitsToPixelsX(t->cx, baseX), DialogUnitsToPixelsY(t->cy, baseY));
  panel->SetClientSize(size);
  panel->SetMinSize(size);
  CreateTemplateControls(panel);
  BindDialogEvents(panel, dialogKeys_);
  return panel;
}

}  // namespace kvn
