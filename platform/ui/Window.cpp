#include "platform/ui/Window.h"

#include <wx/timer.h>
#include <wx/toplevel.h>
#include <wx/window.h>

#include <algorithm>
#include <utility>

#include "platform/ui/Application.h"
#include "platform/ui/CommandEnabler.h"
#include "platform/ui/Cursor.h"
#include "platform/ui/FileDrop.h"
#include "platform/ui/MessageBridge.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

// The window that holds the mouse capture (SetCapture), by handle so that a
// window that went meanwhile is not touched.
THandle g_capture = nullptr;

wxRect ToWxRect(const TRect& r) {
  return wxRect(int(r.left), int(r.top), int(r.Width()), int(r.Height()));
}

}  // namespace

TWindow::TWindow(TWindow* parent, const WString& title) : parent_(parent), title_(title) {
  if (parent_) parent_->AddChild(this);
}

TWindow::~TWindow() {
  Destroy();
  // Children are owned: the last first, each leaving the list as it goes.
  while (!children_.empty()) delete children_.back();
  if (parent_) parent_->RemoveChild(this);
}

void TWindow::AddChild(TWindow* child) { children_.push_back(child); }

void TWindow::RemoveChild(TWindow* child) { std::erase(children_, child); }

TWindow* TWindow::ChildWithId(int id) const {
  for (TWindow* child : children_) {
    if (child->Attr.Id == id) return child;
  }
  return nullptr;
}

TApplication* TWindow::GetApplication() { return TApplication::Current(); }

TWindow* TWindow::FromPeer(const wxWindow* peer) {
  const auto* link = dynamic_cast<const PeerLink*>(peer);
  return link ? link->owner : nullptr;
}

// --- lifetime ------------------------------------------------------------------------------

bool TWindow::Create() {
  if (handle_) return true;
  wxWindow* parentPeer = nullptr;
  if (parent_) {
    parentPeer = parent_->GetPeer();
    // A child needs its parent's window first, as CreateWindow does.
    if (parentPeer == nullptr) return false;
  }
  peer_ = CreatePeer(parentPeer);
  if (peer_ == nullptr) return false;
  handle_ = RegisterWindowHandle(this);
  MessageBridge::Bind(*this);
  if (Attr.Style & kWsDisabled) peer_->Enable(false);
  if (cursorId_ != 0) peer_->SetCursor(CursorFromId(cursorId_));
  HandleMessage(kWmCreate);
  SetupWindow();
  if (handle_ && parent_ && (Attr.Style & kWsVisible)) peer_->Show(true);
  return handle_ != nullptr;
}

wxWindow* TWindow::CreatePeer(wxWindow* parentPeer) {
  const bool useDefault = Attr.W <= 0 || Attr.W == kCwUseDefault;
  wxSize size = useDefault ? wxDefaultSize : wxSize(Attr.W, Attr.H);
  wxPoint pos = Attr.X == kCwUseDefault ? wxDefaultPosition : wxPoint(Attr.X, Attr.Y);
  auto* peer = new WxPeer<wxWindow>(this, parentPeer, Attr.Id > 0 ? Attr.Id : wxID_ANY, pos, size,
                                    wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE, ToWx(WString(GetClassName())));
  if (!(Attr.Style & kWsVisible)) peer->Hide();
  return peer;
}

void TWindow::SetupWindow() {
  // Creating a child may add or remove children; walk a copy.
  const std::vector<TWindow*> children = children_;
  for (TWindow* child : children) {
    if (std::find(children_.begin(), children_.end(), child) != children_.end() && !child->GetHandle()) {
      child->Create();
    }
  }
}

void TWindow::Destroy(int retVal) {
  (void)retVal;
  if (handle_ == nullptr || destroying_) return;
  FinishDestroy(true);
}

void TWindow::PeerDestroyed() {
  if (handle_ == nullptr || destroying_) {
    peer_ = nullptr;
    return;
  }
  FinishDestroy(false);
}

void TWindow::FinishDestroy(bool destroyPeer) {
  destroying_ = true;
  if (GetCapture() == handle_) ReleaseCapture();
  timers_.clear();
  CleanupWindow();
  const std::vector<TWindow*> children = children_;
  for (TWindow* child : children) {
    if (std::find(children_.begin(), children_.end(), child) != children_.end()) child->Destroy();
  }
  HandleMessage(kWmDestroy);
  THandle handle = std::exchange(handle_, nullptr);
  UnregisterWindowHandle(handle);
  wxWindow* peer = std::exchange(peer_, nullptr);
  if (peer) {
    if (auto* link = dynamic_cast<PeerLink*>(peer)) link->owner = nullptr;
    // Top-level windows go at the next idle time, children at once.
    if (destroyPeer) peer->Destroy();
  }
  destroying_ = false;
  if (isMainWindow_) PostQuitMessage(0);
}

bool TWindow::CanClose() {
  for (TWindow* child : children_) {
    if (child->GetHandle() && !child->CanClose()) return false;
  }
  return true;
}

bool TWindow::IdleAction(long idleCount) {
  bool more = false;
  const std::vector<TWindow*> children = children_;
  for (TWindow* child : children) {
    if (std::find(children_.begin(), children_.end(), child) != children_.end() && child->GetHandle()) {
      more |= child->IdleAction(idleCount);
    }
  }
  return more;
}

bool TWindow::PreProcessMsg(TMsg&) { return false; }

void TWindow::EvClose() {
  if (CanClose()) Destroy();
}

// --- messages --------------------------------------------------------------------------------

const TResponseTable& TWindow::Table() {
  static const TResponseTable table({OnMessage<kWmClose, &TWindow::EvClose>()}, {});
  return table;
}

bool TWindow::Find(TEventInfo& info) { return Table().Search(info); }

TResult TWindow::HandleMessage(std::uint32_t msg, TParam1 wParam, TParam2 lParam, bool* handled) {
  bool thisHandled = true;
  bool* outer = std::exchange(handledFlag_, &thisHandled);
  TResult result = WindowProc(msg, wParam, lParam);
  handledFlag_ = outer;
  if (handled) *handled = thisHandled;
  return result;
}

TResult TWindow::WindowProc(std::uint32_t msg, TParam1 wParam, TParam2 lParam) {
  if (msg == kWmCommand) {
    return EvCommand(LoWord(wParam), reinterpret_cast<THandle>(lParam), HiWord(wParam));
  }
  if (msg == kWmCommandEnable) {
    if (lParam) EvCommandEnable(*reinterpret_cast<TCommandEnabler*>(lParam));
    return 0;
  }
  TEventInfo info(msg);
  if (Find(info)) return Dispatch(info, wParam, lParam);
  return DefaultProcessing();
}

TResult TWindow::DefaultProcessing() {
  if (handledFlag_) *handledFlag_ = false;
  return 0;
}

TResult TWindow::EvCommand(std::uint32_t id, THandle, std::uint32_t notifyCode) {
  TEventInfo info(kWmCommand, id, notifyCode);
  if (Find(info)) return Dispatch(info, MakeWParam(std::uint16_t(id), std::uint16_t(notifyCode)), 0);
  return DefaultProcessing();
}

void TWindow::EvCommandEnable(TCommandEnabler& ce) {
  TEventInfo info(kWmCommandEnable, ce.GetId());
  if (Find(info)) Dispatch(info, 0, reinterpret_cast<TParam2>(&ce));
}

bool TWindow::PostMessage(std::uint32_t msg, TParam1 wParam, TParam2 lParam) {
  return kvn::PostMessage(handle_, msg, wParam, lParam);
}

// --- the window's state --------------------------------------------------------------------------

void TWindow::SetCaption(const WString& title) {
  title_ = title;
  if (peer_) peer_->SetLabel(ToWx(title));
}

bool TWindow::IsWindowVisible() const { return peer_ && peer_->IsShown(); }

bool TWindow::IsVisibleOrCreatedVisible() const {
  return peer_ ? peer_->IsShown() : (Attr.Style & kWsVisible) != 0;
}

bool TWindow::IsIconic() const {
  auto* top = peer_ ? dynamic_cast<wxTopLevelWindow*>(peer_) : nullptr;
  return top && top->IsIconized();
}

void TWindow::ShowWindow(int command) {
  if (!peer_) {
    if (command == kSwHide) {
      Attr.Style &= ~kWsVisible;
    } else {
      Attr.Style |= kWsVisible;
    }
    return;
  }
  auto* top = dynamic_cast<wxTopLevelWindow*>(peer_);
  switch (command) {
    case kSwHide: peer_->Show(false); break;
    case kSwShowMinimized:
      if (top) top->Iconize(true);
      peer_->Show(true);
      break;
    case kSwShowMaximized:
      if (top) top->Maximize(true);
      peer_->Show(true);
      break;
    case kSwRestore:
      if (top) top->Restore();
      peer_->Show(true);
      break;
    default: peer_->Show(true); break;
  }
}

bool TWindow::IsWindowEnabled() const {
  return peer_ ? peer_->IsThisEnabled() : (Attr.Style & kWsDisabled) == 0;
}

void TWindow::EnableWindow(bool enable) {
  if (enable) {
    Attr.Style &= ~kWsDisabled;
  } else {
    Attr.Style |= kWsDisabled;
  }
  if (peer_) peer_->Enable(enable);
}

void TWindow::SetFocus() {
  if (peer_) peer_->SetFocus();
}

THandle TWindow::GetFocus() {
  TWindow* w = FromPeer(wxWindow::FindFocus());
  return w ? w->GetHandle() : nullptr;
}

void TWindow::Invalidate(bool erase) {
  if (peer_) peer_->Refresh(erase);
}

void TWindow::InvalidateRect(const TRect& rect, bool erase) {
  if (peer_ && !rect.IsEmpty()) {
    const wxRect r = ToWxRect(rect);
    peer_->Refresh(erase, &r);
  }
}

void TWindow::UpdateWindow() {
  if (peer_) peer_->Update();
}

TRect TWindow::GetClientRect() const {
  if (!peer_) return TRect{};
  const wxSize s = peer_->GetClientSize();
  return TRect{0, 0, s.x, s.y};
}

TRect TWindow::GetWindowRect() const {
  if (!peer_) return TRect{};
  const wxRect r = peer_->GetScreenRect();
  return TRect{r.x, r.y, r.x + r.width, r.y + r.height};
}

TPoint TWindow::ClientToScreen(const TPoint& p) const {
  if (!peer_) return p;
  const wxPoint s = peer_->ClientToScreen(wxPoint(p.x, p.y));
  return TPoint{s.x, s.y};
}

TPoint TWindow::ScreenToClient(const TPoint& p) const {
  if (!peer_) return p;
  const wxPoint c = peer_->ScreenToClient(wxPoint(p.x, p.y));
  return TPoint{c.x, c.y};
}

void TWindow::MoveWindow(int x, int y, int w, int h, bool repaint) {
  Attr.X = x;
  Attr.Y = y;
  Attr.W = w;
  Attr.H = h;
  if (!peer_) return;
  peer_->SetSize(x, y, w, h);
  if (repaint) peer_->Refresh();
}

void* TWindow::GetWindowHandle() const { return peer_; }

// --- timers, capture, cursor, drop -------------------------------------------------------------

std::uint32_t TWindow::SetTimer(std::uint32_t id, std::uint32_t ms) {
  if (!peer_) return 0;
  auto& slot = timers_[id];
  if (!slot) {
    slot = std::make_unique<wxTimer>();
    THandle handle = handle_;
    slot->Bind(wxEVT_TIMER, [handle, id](wxTimerEvent&) {
      // The handle, not `this`: the window may have gone while the
      // toolkit still held the tick.
      if (TWindow* w = GetWindowPtr(handle)) w->OnTimer(id);
    });
  }
  // The toolkit takes no period of 0; Win32 treats it as the shortest, 10 ms.
  slot->Start(int(std::max<std::uint32_t>(ms, 10)));
  return id;
}

bool TWindow::KillTimer(std::uint32_t id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return false;
  it->second->Stop();
  timers_.erase(it);
  return true;
}

void TWindow::OnTimer(std::uint32_t id) { HandleMessage(kWmTimer, id, 0); }

THandle TWindow::SetCapture() {
  THandle previous = g_capture;
  if (!peer_ || previous == handle_) return previous;
  if (TWindow* old = GetWindowPtr(previous)) {
    g_capture = nullptr;
    if (old->peer_ && old->peer_->HasCapture()) old->peer_->ReleaseMouse();
    old->HandleMessage(kWmCaptureChanged, 0, reinterpret_cast<TParam2>(handle_));
  }
  g_capture = handle_;
  if (!peer_->HasCapture()) peer_->CaptureMouse();
  return previous;
}

void TWindow::ReleaseCapture() {
  THandle handle = std::exchange(g_capture, nullptr);
  TWindow* w = GetWindowPtr(handle);
  if (!w) return;
  if (w->peer_ && w->peer_->HasCapture()) w->peer_->ReleaseMouse();
  w->HandleMessage(kWmCaptureChanged, 0, 0);
}

THandle TWindow::GetCapture() {
  if (g_capture && !GetWindowPtr(g_capture)) g_capture = nullptr;
  return g_capture;
}

void TWindow::SetCursor(std::uint32_t cursorId) {
  cursorId_ = cursorId;
  if (peer_) peer_->SetCursor(CursorFromId(cursorId));
}

void TWindow::DragAcceptFiles(bool accept) {
  if (accept) {
    Attr.ExStyle |= kWsExAcceptFiles;
  } else {
    Attr.ExStyle &= ~kWsExAcceptFiles;
  }
  if (peer_) InstallFileDropTarget(*this, accept);
}

// Called by MessageBridge when the toolkit reports that the capture was
// taken away (another application, a grab): the window learns as from
// ReleaseCapture.
void MessageBridge::CaptureLost(TWindow& window) {
  if (g_capture != window.GetHandle()) return;
  g_capture = nullptr;
  window.HandleMessage(kWmCaptureChanged, 0, 0);
}

}  // namespace kvn
