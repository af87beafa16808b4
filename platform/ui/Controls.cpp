#include "platform/ui/Controls.h"

#include <wx/window.h>

#include "platform/ui/ControlPeers.h"
#include "platform/ui/MessageBridge.h"
#include "platform/ui/ToolkitSymbol.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

// A GTK combo box with an entry takes the toolkit's tool tip on its entry
// only: over its arrow button (the rest of the widget) no tip showed. The
// outer widget gets the text too; GTK asks a widget's parents for a tip, so
// every part of the control then shows it. The GTK call is looked up in the
// process (the toolkit has loaded it), as for the X window class.
void TipOnWholeWidget(wxWindow& peer, const WString& text) {
#ifdef __WXGTK__
  using SetTip = void (*)(void*, const char*);
  static const auto setTip = ToolkitSymbol<SetTip>("gtk_widget_set_tooltip_text");
  void* widget = peer.GetHandle();
  if (setTip == nullptr || widget == nullptr) return;
  if (text.IsEmpty()) {
    setTip(widget, nullptr);
  } else {
    setTip(widget, text.ToUtf8().c_str());
  }
#else
  (void)peer;
  (void)text;
#endif
}

}  // namespace

TControl::TControl(TWindow* parent, int resourceId) : TWindow(parent), fromResource_(true) {
  Attr.Id = resourceId;
  Attr.Style = kWsChild | kWsVisible;
}

TControl::TControl(TWindow* parent, int id, const WString& title, int x, int y, int w, int h)
    : TWindow(parent, title), text_(title), fromResource_(false) {
  Attr.Id = id;
  Attr.Style = kWsChild | kWsVisible | kWsTabStop;
  Attr.X = x;
  Attr.Y = y;
  Attr.W = w;
  Attr.H = h;
}

TControl::~TControl() = default;

const TResponseTable& TControl::Table() {
  static const TResponseTable table({}, {&TWindow::Table()});
  return table;
}

bool TControl::Find(TEventInfo& info) { return Table().Search(info); }

// --- creation ------------------------------------------------------------------------------

wxWindow* TControl::CreatePeer(wxWindow* parentPeer) {
  wxWindow* peer = nullptr;
  if (fromResource_) {
    auto* host = dynamic_cast<TTemplateHost*>(GetParentO());
    const DialogControlData* entry = host ? host->FindTemplateControl(Attr.Id) : nullptr;
    // A control the template lacks cannot be created, as CreateDialog
    // never made a window for it; the object stays without a window.
    if (entry == nullptr) return nullptr;
    peer = host->TakeTemplatePeer(Attr.Id);
    if (peer) peer = AdaptTemplatePeer(peer);
    if (peer == nullptr || !AcceptsPeer(peer)) return nullptr;
    auto* link = dynamic_cast<PeerLink*>(peer);
    if (link == nullptr) return nullptr;
    link->owner = this;
    Attr.Style = entry->style;
    const wxRect r = peer->GetRect();
    Attr.X = r.x;
    Attr.Y = r.y;
    Attr.W = r.width;
    Attr.H = r.height;
  } else {
    peer = NewPeer(parentPeer);
  }
  if (peer) BindControlEvents(peer);
  return peer;
}

wxWindow* TControl::NewPeer(wxWindow* parentPeer) {
  const TRect pixels{Attr.X, Attr.Y, Attr.X + Attr.W, Attr.Y + Attr.H};
  return CreateControlPeer(this, parentPeer, GetControlClass(), Attr.Id, text_, Attr.Style, pixels,
                           (Attr.Style & kWsGroup) != 0);
}

bool TControl::AcceptsPeer(wxWindow* peer) const { return PeerIsClass(peer, GetControlClass()); }

void TControl::BindControlEvents(wxWindow*) {}

void TControl::SetupWindow() {
  if (captureOnAdopt_) {
    CaptureState();
  } else {
    ApplyState();
  }
  TWindow::SetupWindow();
  LoadFromVariable();
}

void TControl::CleanupWindow() {
  CaptureState();
  TWindow::CleanupWindow();
}

void TControl::CaptureState() {
  if (wxWindow* peer = GetPeer()) text_ = GetPeerText(peer);
}

void TControl::ApplyState() {
  // A run-time control was made with its text; a template control keeps
  // the template's (translated) text.
}

// --- text, tooltip, enabling -----------------------------------------------------------------

WString TControl::GetText() const {
  if (const wxWindow* peer = GetPeer()) return GetPeerText(peer);
  return text_;
}

void TControl::SetText(const WString& text) {
  text_ = text;
  if (wxWindow* peer = GetPeer()) SetPeerText(peer, text);
}

void TControl::SetTooltipText(const WString& text) {
  wxWindow* peer = GetPeer();
  if (peer == nullptr) return;
  if (text.IsEmpty()) {
    peer->UnsetToolTip();
  } else {
    peer->SetToolTip(ToWx(text));
  }
  TipOnWholeWidget(*peer, text);
}

void TControl::EnableWindow(bool enable) {
  const bool was = IsWindowEnabled();
  TWindow::EnableWindow(enable);
  if (was != enable && GetHandle()) HandleMessage(kWmEnable, enable ? 1 : 0, 0);
}

// --- the dialog manager's question -------------------------------------------------------------

std::uint32_t TControl::QueryDlgCode(const TMsg* keyMsg) {
  bool handled = true;
  const TResult code = HandleMessage(kWmGetDlgCode, keyMsg ? keyMsg->wParam : 0,
                                     reinterpret_cast<TParam2>(keyMsg), &handled);
  return handled ? std::uint32_t(code) : DefaultDlgCode();
}

// --- notifications ---------------------------------------------------------------------------

TResult TControl::Notify(std::uint32_t code) { return RunNotification(code, nullptr); }

TResult TControl::NotifyHeader(TNotify& header) {
  header.from = GetHandle();
  header.id = std::uintptr_t(Attr.Id);
  return RunNotification(std::uint32_t(header.code), &header);
}

TResult TControl::RunNotification(std::uint32_t code, TNotify* header) {
  const NotifyContext saved = ctx_;
  const bool savedPhase = parentPhase_;
  parentPhase_ = false;
  ctx_ = NotifyContext{depth_ + 1, code, header, false};
  TResult result = header ? HandleMessage(kWmNotify, TParam1(Attr.Id), reinterpret_cast<TParam2>(header))
                          : HandleMessage(kWmCommand, MakeWParam(0, std::uint16_t(code)),
                                          reinterpret_cast<TParam2>(GetHandle()));
  ctx_ = saved;
  parentPhase_ = savedPhase;
  return result;
}

TResult TControl::PassToParent() {
  TWindow* parent = GetParentO();
  if (parent == nullptr) return 0;
  const bool saved = parentPhase_;
  parentPhase_ = true;
  TResult result = 0;
  if (ctx_.header) {
    result = parent->HandleMessage(kWmNotify, TParam1(Attr.Id), reinterpret_cast<TParam2>(ctx_.header));
  } else {
    result = parent->HandleMessage(kWmCommand, MakeWParam(std::uint16_t(Attr.Id), std::uint16_t(ctx_.code)),
                                   reinterpret_cast<TParam2>(GetHandle()));
  }
  parentPhase_ = saved;
  return result;
}

TResult TControl::WindowProc(std::uint32_t msg, TParam1 wParam, TParam2 lParam) {
  ++depth_;
  TResult result = 0;
  if (msg == kWmNotify && lParam) {
    // A control's own WM_NOTIFY rows are keyed by the notification code.
    TEventInfo info(kWmNotify, 0, std::uint32_t(reinterpret_cast<const TNotify*>(lParam)->code));
    result = Find(info) ? Dispatch(info, wParam, lParam) : DefaultProcessing();
  } else {
    result = TWindow::WindowProc(msg, wParam, lParam);
  }
  --depth_;
  return result;
}

TResult TControl::DefaultProcessing() {
  // Inside the control's part of its own notification, default processing
  // is the parent's part, run now.
  if (ctx_.depth != 0 && ctx_.depth == depth_ && !ctx_.passed) {
    ctx_.passed = true;
    return PassToParent();
  }
  return TWindow::DefaultProcessing();
}

}  // namespace kvn
