#include "app/GadgetFrame.h"

#include <wx/panel.h>
#include <wx/sizer.h>

#include "platform/ui/MessageBridge.h"

namespace kvn {

TGadgetFrame::TGadgetFrame(TWindow* parent, const WString& title, TWindow* client)
    : TFrameWindow(parent, title, client) {
  Attr.Style = (Attr.Style | kGadgetFrameStyleSet) & ~kGadgetFrameStyleClear;
  Attr.X = 0;
  Attr.W = 0;
}

TGadgetFrame::~TGadgetFrame() { Destroy(); }

wxWindow* TGadgetFrame::CreatePeer(wxWindow* parentPeer) {
  const wxSize size = Attr.W > 0 ? wxSize(Attr.W, Attr.H) : wxDefaultSize;
  auto* panel = new WxPeer<wxPanel>(this, parentPeer, Attr.Id > 0 ? Attr.Id : wxID_ANY, wxPoint(Attr.X, Attr.Y), size,
                                     wxTAB_TRAVERSAL);
  panelSizer_ = new wxBoxSizer(wxVERTICAL);
  panel->SetSizer(panelSizer_);
  if (!(Attr.Style & kWsVisible)) panel->Hide();
  return panel;
}

void TGadgetFrame::LayoutFrame() {
  if (!panelSizer_ || !GetPeer()) return;
  panelSizer_->Clear(false);
  if (TWindow* client = GetClientWindow(); client && client->GetPeer()) {
    panelSizer_->Add(client->GetPeer(), 1, wxEXPAND);
  }
  GetPeer()->Layout();
}

}  // namespace kvn
