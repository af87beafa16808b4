#include "platform/ui/FirstMap.h"

#include <wx/evtloop.h>
#include <wx/toplevel.h>
#include <wx/weakref.h>

#include <algorithm>
#include <memory>

#include "platform/ui/ToolkitSymbol.h"
#include "platform/ui/Window.h"

namespace kvn {

namespace {

wxTopLevelWindow* TopLevelOf(const TWindow& window) {
  wxWindow* peer = window.GetPeer();
  return peer ? dynamic_cast<wxTopLevelWindow*>(wxGetTopLevelParent(peer)) : nullptr;
}

bool Awaits(wxTopLevelWindow* top) {
  if (top == nullptr || !top->IsShown() || top->IsIconized()) return false;
#ifdef __WXGTK__
  // GDK's GdkWindowState: the window is not mapped (never was, or was
  // unmapped), or the manager keeps it minimised.
  constexpr unsigned kWithdrawn = 1u << 0;
  constexpr unsigned kIconified = 1u << 1;
  const auto getWindow = ToolkitSymbol<void* (*)(void*)>("gtk_widget_get_window");
  const auto getState = ToolkitSymbol<unsigned (*)(void*)>("gdk_window_get_state");
  if (!getWindow || !getState || top->GetHandle() == nullptr) return false;
  void* window = getWindow(top->GetHandle());
  // Not even realised: the toolkit has the show still to do.
  if (window == nullptr) return true;
  const unsigned state = getState(window);
  return (state & kWithdrawn) != 0 && (state & kIconified) == 0;
#else
  return false;
#endif
}

}  // namespace

bool WaitForFirstMap(TWindow& window, std::chrono::milliseconds limit) {
  // The window may go while the loop runs (the program quits).
  wxWeakRef<wxTopLevelWindow> top(TopLevelOf(window));
  if (!Awaits(top.get())) return true;
  // Before the program's loop runs (at start-up) the toolkit has no loop to
  // dispatch in: one of our own dispatches the same events.
  std::unique_ptr<wxEventLoopBase> own;
  wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  if (loop == nullptr) {
    own = std::make_unique<wxGUIEventLoop>();
    loop = own.get();
  }
  const auto end = std::chrono::steady_clock::now() + limit;
  while (Awaits(top.get())) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    // Each round returns once an event was handled, or after the slice.
    loop->DispatchTimeout(static_cast<unsigned long>(std::min<long long>(left.count(), 100)));
  }
  return true;
}

}  // namespace kvn
