#include "platform/ui/DecoratedFrame.h"

#include <wx/panel.h>
#include <wx/sizer.h>

#include "platform/ui/MessageBridge.h"
#include "platform/ui/WxText.h"

namespace kvn {

TDecoratedFrame::TDecoratedFrame(TWindow* parent, const WString& title, TWindow* clientWnd)
    : TFrameWindow(parent, title, clientWnd) {}

void TDecoratedFrame::Insert(TWindow& decoration, Location location) {
  decorations_.push_back(Decoration{&decoration, location});
  if (GetHandle()) {
    if (!decoration.GetHandle()) decoration.Create();
    LayoutFrame();
  }
}

void TDecoratedFrame::LayoutFrame() {
  wxSizer* sizer = GetFrameSizer();
  if (!sizer) return;
  sizer->Clear(false);
  auto add = [](wxSizer* to, TWindow* w) {
    if (w && w->GetPeer()) to->Add(w->GetPeer(), 0, wxEXPAND);
  };
  for (const Decoration& d : decorations_) {
    if (d.location == Location::Top) add(sizer, d.window);
  }
  auto* middle = new wxBoxSizer(wxHORIZONTAL);
  for (const Decoration& d : decorations_) {
    if (d.location == Location::Left) add(middle, d.window);
  }
  if (TWindow* client = GetClientWindow(); client && client->GetPeer()) middle->Add(client->GetPeer(), 1, wxEXPAND);
  for (const Decoration& d : decorations_) {
    if (d.location == Location::Right) add(middle, d.window);
  }
  sizer->Add(middle, 1, wxEXPAND);
  for (const Decoration& d : decorations_) {
    if (d.location == Location::Bottom) add(sizer, d.window);
  }
  GetPeer()->Layout();
}

const TResponseTable& TDecoratedFrame::Table() {
  static const TResponseTable table({}, {&TFrameWindow::Table()});
  return table;
}

bool TDecoratedFrame::Find(TEventInfo& info) { return Table().Search(info); }

TDockableControlBar::TDockableControlBar(TWindow* parent) : TWindow(parent) {}

wxWindow* TDockableControlBar::CreatePeer(wxWindow* parentPeer) {
  auto* panel = new WxPeer<wxPanel>(this, parentPeer, wxID_ANY);
  panel->SetSizer(new wxBoxSizer(wxHORIZONTAL));
  return panel;
}

void TDockableControlBar::SetupWindow() {
  TWindow::SetupWindow();
  LayoutBar();
}

void TDockableControlBar::LayoutBar() {
  wxWindow* peer = GetPeer();
  if (!peer) return;
  wxSizer* sizer = peer->GetSizer();
  sizer->Clear(false);
  for (TWindow* child : GetChildren()) {
    if (child->GetPeer()) sizer->Add(child->GetPeer(), 0, wxALIGN_CENTER_VERTICAL | wxALL, 2);
  }
  peer->Show(!GetChildren().empty());
  if (wxWindow* parent = peer->GetParent()) parent->Layout();
}

void THarbor::Insert(TDockableControlBar& bar, TDecoratedFrame::Location location) {
  frame_.Insert(bar, location);
}

}  // namespace kvn
