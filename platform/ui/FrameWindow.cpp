#include "platform/ui/FrameWindow.h"

#include <wx/app.h>
#include <wx/accel.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/icon.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <algorithm>
#include <utility>

#include "foundation/ModalStack.h"
#include "foundation/WindowPlacement.h"
#include "platform/ui/Application.h"
#include "platform/gdi/TDib.h"
#include "platform/ui/CommandEnabler.h"
#include "platform/ui/FirstShowAllocation.h"
#include "platform/ui/ControlDraw.h"
#include "platform/ui/ControlPeers.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageBridge.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/WxText.h"
#include "platform/ui/XWindowClass.h"

namespace kvn {

namespace {

void CollectIds(const wxMenu* menu, std::vector<int>& ids) {
  for (const wxMenuItem* item : menu->GetMenuItems()) {
    if (item->IsSeparator()) continue;
    if (item->IsSubMenu()) {
      CollectIds(item->GetSubMenu(), ids);
    } else {
      ids.push_back(item->GetId());
    }
  }
}

// The toolkit frame of every frame window: its first show lays the content
// out at the size it shows at (FirstShowAllocation.h), whichever road shows
// it (ShowWindow, or Create for a visible frame with a parent).
class FramePeer final : public WxPeer<wxFrame> {
 public:
  using WxPeer<wxFrame>::WxPeer;
  bool Show(bool show = true) override {
    if (show) PrimeFirstShowAllocation(*this);
    return WxPeer<wxFrame>::Show(show);
  }
};

}  // namespace

TFrameWindow::TFrameWindow(TWindow* parent, const WString& title, TWindow* clientWnd)
    : TWindow(parent, title), client_(clientWnd) {
  Attr.Style = kWsOverlappedWindow | kWsVisible;
  Attr.X = kCwUseDefault;
  Attr.W = kCwUseDefault;
}

TFrameWindow::~TFrameWindow() = default;

wxWindow* TFrameWindow::CreatePeer(wxWindow* parentPeer) {
  wxPoint pos = Attr.X == kCwUseDefault ? wxDefaultPosition : wxPoint(Attr.X, Attr.Y);
  wxSize size(Attr.W, Attr.H);
  if (Attr.W == kCwUseDefault || Attr.W <= 0) {
    // Win32 gives a new overlapped window about three quarters of the
    // screen; GTK's default would be a few hundred pixels.
    const ScreenRect work = GetPrimaryWorkArea();
    size = wxSize((work.right - work.left) * 3 / 4, (work.bottom - work.top) * 3 / 4);
  }
  long style = wxDEFAULT_FRAME_STYLE;
  if (!(Attr.Style & kWsThickFrame)) style &= ~wxRESIZE_BORDER;
  // The boxes go with the style the window is made with: the toolkit gives
  // the window manager its Motif hints once, as it realises the window, and
  // a style changed afterwards left them offering both boxes.
  if (!(Attr.Style & kWsMinimizeBox)) style &= ~wxMINIMIZE_BOX;
  if (!(Attr.Style & kWsMaximizeBox)) style &= ~wxMAXIMIZE_BOX;
  const WString name = instanceName_.IsEmpty() ? WString(GetClassName()) : instanceName_;
  auto* frame = new FramePeer(this, parentPeer, Attr.Id > 0 ? Attr.Id : wxID_ANY, ToWx(GetCaption()), pos,
                                    size, style, ToWx(name));
  // A frame's keys and commands stay its own, as an owned window's
  // messages never reach its owner: the toolkit hands what a frame leaves
  // unhandled on to its parent window, and Escape or Enter in a frame
  // opened over a dialog cancelled or confirmed the dialog instead.
  frame->SetExtraStyle(frame->GetExtraStyle() | wxWS_EX_BLOCK_EVENTS);
  sizer_ = new wxBoxSizer(wxVERTICAL);
  frame->SetSizer(sizer_);
  if (Attr.Style & kWsMaximize) maximizeRequested_ = true;
  return frame;
}

void TFrameWindow::SetupWindow() {
  // Accelerators first: the menu shows their texts.
  if (accelResId_ != 0 && LoadAcceleratorTable(accelResId_, accelerators_)) {
    GetPeer()->SetAcceleratorTable(BuildAcceleratorTable(accelerators_));
  }
  if (menuResId_ != 0) AssignMenu(menuResId_);
  ApplyIcon();
  TWindow::SetupWindow();
  LayoutFrame();
  ApplyMinMaxInfo();
}

void TFrameWindow::ApplyIcon() {
  auto* frame = dynamic_cast<wxTopLevelWindow*>(GetPeer());
  TDib dib;
  if (frame == nullptr || iconId_ == 0 || !LoadBitmapResource(iconId_, dib)) return;
  const wxBitmap bitmap = DibToBitmap(dib);
  if (!bitmap.IsOk()) return;
  wxImage image = bitmap.ConvertToImage();
  image.SetMaskColour(0xC0, 0xC0, 0xC0);
  image.InitAlpha();
  wxIcon icon;
  icon.CopyFromBitmap(wxBitmap(image));
  frame->SetIcon(icon);
}

void TFrameWindow::ApplyMinMaxInfo() {
  TMinMaxInfo info;
  HandleMessage(kWmGetMinMaxInfo, 0, reinterpret_cast<TParam2>(&info));
  if (info.minTrackSize.x > 0 || info.minTrackSize.y > 0) {
    GetPeer()->SetMinSize(wxSize(std::max(info.minTrackSize.x, 0), std::max(info.minTrackSize.y, 0)));
  }
}

void TFrameWindow::LayoutFrame() {
  if (!sizer_) return;
  sizer_->Clear(false);
  if (client_ && client_->GetPeer()) sizer_->Add(client_->GetPeer(), 1, wxEXPAND);
  GetPeer()->Layout();
}

TWindow* TFrameWindow::SetClientWindow(TWindow* client) {
  TWindow* old = client_;
  client_ = client;
  if (client_ && GetHandle() && !client_->GetHandle()) client_->Create();
  if (GetHandle()) LayoutFrame();
  return old;
}

WString TFrameWindow::GetHintText(std::uint32_t, THintKind) { return WString(); }

bool TFrameWindow::AssignMenu(int menuResId) {
  menuResId_ = menuResId;
  auto* frame = dynamic_cast<wxFrame*>(GetPeer());
  if (!frame) return true;  // built at set-up
  MenuTemplate menu;
  if (!LoadMenuTemplate(menuResId, menu)) return false;
  BuiltMenu built = BuildMenuBar(menu, accelerators_);
  shortcuts_ = std::move(built.shortcuts);
  shownKeys_ = std::move(built.shownKeys);
  // The frame deletes the bar it had.
  frame->SetMenuBar(built.bar);
  MenuAssigned();
  UpdateMenuEnablers();
  return true;
}

wxMenuBar* TFrameWindow::GetMenuBar() const {
  auto* frame = dynamic_cast<wxFrame*>(GetPeer());
  return frame ? frame->GetMenuBar() : nullptr;
}

WString TFrameWindow::GetMenuShortcut(std::uint32_t id) const {
  auto it = shortcuts_.find(id);
  return it == shortcuts_.end() ? WString() : it->second;
}

bool TFrameWindow::IsZoomed() const {
  auto* frame = dynamic_cast<wxFrame*>(GetPeer());
  if (!frame) return (Attr.Style & kWsMaximize) != 0;
  if (frame->IsMaximized()) return true;
  return maximizeRequested_ && !maximizeConfirmed_;
}

void TFrameWindow::ShowWindow(int command) {
  if (command == kSwShowMaximized) maximizeRequested_ = true;
  if (command == kSwRestore || command == kSwShowNormal) maximizeRequested_ = false;
  TWindow::ShowWindow(command);
  if (!xClass_.IsEmpty() && GetPeer() && GetPeer()->IsShown()) {
    const std::string appName = wxTheApp ? wxTheApp->GetAppName().ToStdString(wxConvUTF8) : std::string();
    SetXWindowClass(GetPeer(), appName.empty() ? xClass_.ToUtf8() : appName, xClass_.ToUtf8());
  }
}

// --- the modal run ----------------------------------------------------------------------------

int TFrameWindow::RunModalLoop() {
  auto* top = dynamic_cast<wxTopLevelWindow*>(GetPeer());
  if (top == nullptr || modalRunning_) return 0;
  // Asked to end while it was being made ready (its window shown, its
  // content drawn): the run ends as soon as it starts.
  if (std::exchange(endAsked_, false)) {
    if (GetHandle()) GetPeer()->Hide();
    return modalResult_;
  }
  ModalStack::Push(GetParentO(), this, true);
  modalRunning_ = true;
  modalResult_ = 0;
  modalLoop_ = nullptr;
  // The grab's loop is known once it dispatches.
  const THandle self = GetHandle();
  if (wxTheApp) {
    wxTheApp->CallAfter([self] {
      if (auto* frame = dynamic_cast<TFrameWindow*>(GetWindowPtr(self)); frame && frame->modalRunning_) {
        frame->modalLoop_ = wxEventLoopBase::GetActive();
      }
    });
  }
  // The toolkit's grab, as its modal dialogs run: input goes to this frame
  // alone, and the window manager's close requests reach it although a
  // modal dialog (the one it was run from) is open. Disabling the other
  // windows instead took the keyboard focus out of them for good: the
  // dialog came back active but deaf to its keys until clicked into, and
  // it lost its own grab.
  top->AddGrab();
  if (endRetry_) endRetry_->Stop();
  modalRunning_ = false;
  modalLoop_ = nullptr;
  ModalStack::Pop();
  if (GetHandle()) GetPeer()->Hide();
  return modalResult_;
}

void TFrameWindow::EndModalLoop(int result) {
  modalResult_ = result;
  if (!modalRunning_) {
    endAsked_ = true;
    return;
  }
  auto* top = dynamic_cast<wxTopLevelWindow*>(GetPeer());
  if (top == nullptr || !top->IsGrabbed()) return;
  // The grab's loop ends only while it is the one running: not inside a
  // box open over the frame, nor inside a yield; the end is taken up again
  // once control is back in it.
  if (wxEventLoopBase* active = wxEventLoopBase::GetActive();
      modalLoop_ != nullptr && active == modalLoop_ && !active->IsYielding()) {
    top->RemoveGrab();
    return;
  }
  if (!endRetry_) {
    endRetry_ = std::make_unique<wxTimer>();
    endRetry_->Bind(wxEVT_TIMER, [this](wxTimerEvent&) { EndModalLoop(modalResult_); });
  }
  endRetry_->StartOnce(10);
}

// --- the command road ------------------------------------------------------------------------

THandle TFrameWindow::GetCommandTarget() { return GetHandle(); }

std::vector<TWindow*> TFrameWindow::CommandChain() {
  std::vector<TWindow*> chain;
  for (TWindow* w = GetWindowPtr(GetCommandTarget()); w && w != this; w = w->GetParentO()) {
    chain.push_back(w);
    if (chain.size() > 64) break;  // a parent loop cannot happen; never spin if it did
  }
  return chain;
}

TResult TFrameWindow::EvCommand(std::uint32_t id, THandle ctl, std::uint32_t notifyCode) {
  if (ctl != nullptr) return TWindow::EvCommand(id, ctl, notifyCode);
  const TParam1 w = MakeWParam(std::uint16_t(id), std::uint16_t(notifyCode));
  for (TWindow* window : CommandChain()) {
    TEventInfo info(kWmCommand, id);
    if (window->Find(info)) return window->Dispatch(info, w, 0);
  }
  TEventInfo own(kWmCommand, id);
  if (Find(own)) return Dispatch(own, w, 0);
  if (TApplication* app = GetApplication()) {
    TEventInfo appInfo(kWmCommand, id);
    if (app->Find(appInfo)) return app->Dispatch(appInfo, w, 0);
  }
  return DefaultProcessing();
}

bool TFrameWindow::HasCommandHandler(std::uint32_t id) {
  for (TWindow* window : CommandChain()) {
    TEventInfo info(kWmCommand, id);
    if (window->Find(info)) return true;
  }
  TEventInfo own(kWmCommand, id);
  if (Find(own)) return true;
  TApplication* app = GetApplication();
  TEventInfo appInfo(kWmCommand, id);
  return app && app->Find(appInfo);
}

void TFrameWindow::EvCommandEnable(TCommandEnabler& ce) {
  const TParam2 l = reinterpret_cast<TParam2>(&ce);
  for (TWindow* window : CommandChain()) {
    TEventInfo info(kWmCommandEnable, ce.GetId());
    if (window->Find(info)) {
      window->Dispatch(info, 0, l);
      if (ce.WasHandled()) return;
    }
  }
  TEventInfo own(kWmCommandEnable, ce.GetId());
  if (Find(own)) {
    Dispatch(own, 0, l);
    if (ce.WasHandled()) return;
  }
  if (TApplication* app = GetApplication()) {
    TEventInfo appInfo(kWmCommandEnable, ce.GetId());
    if (app->Find(appInfo)) {
      app->Dispatch(appInfo, 0, l);
      if (ce.WasHandled()) return;
    }
  }
  ce.Enable(HasCommandHandler(ce.GetId()));
}

bool TFrameWindow::IsCommandEnabled(std::uint32_t id) {
  TCommandEnabler ce(id, GetHandle());
  EvCommandEnable(ce);
  return ce.IsEnabled();
}

void TFrameWindow::CommandFromMenu(std::uint32_t id) {
  if (!IsCommandEnabled(id)) return;
  HandleMessage(kWmCommand, MakeWParam(std::uint16_t(id), 0), 0);
}

void TFrameWindow::UpdateMenuEnablers(wxMenu* menu) {
  wxMenuBar* bar = GetMenuBar();
  if (!bar) return;
  std::vector<int> ids;
  if (menu) {
    CollectIds(menu, ids);
  } else {
    for (std::size_t i = 0; i < bar->GetMenuCount(); ++i) CollectIds(bar->GetMenu(i), ids);
  }
  for (int id : ids) {
    // Found again each time: an enabler may rebuild items (the recent files).
    wxMenuItem* item = bar->FindItem(id);
    if (!item || item->IsSubMenu()) continue;
    TMenuItemEnabler ce(item, GetHandle(), GetMenuShortcut(std::uint32_t(id)));
    EvCommandEnable(ce);
    if (GetMenuBar() != bar) return;  // the menu was rebuilt meanwhile
  }
}

bool TFrameWindow::IdleAction(long idleCount) {
  if (idleCount == 0) UpdateMenuEnablers();
  return TWindow::IdleAction(idleCount);
}

const TResponseTable& TFrameWindow::Table() {
  static const TResponseTable table({}, {&TWindow::Table()});
  return table;
}

bool TFrameWindow::Find(TEventInfo& info) { return Table().Search(info); }

}  // namespace kvn
