#include "platform/ui/ActivationHandOver.h"

#include <wx/toplevel.h>

#include <chrono>
#include <thread>

#include "platform/ui/ToolkitSymbol.h"

namespace kvn {

namespace {

constexpr auto kLimit = std::chrono::milliseconds(250);

struct Calls {
  void* (*widgetWindow)(void*) = ToolkitSymbol<void* (*)(void*)>("gtk_widget_get_window");
  void* (*defaultScreen)() = ToolkitSymbol<void* (*)()>("gdk_screen_get_default");
  // Reads the manager's _NET_ACTIVE_WINDOW from the display each time.
  void* (*activeWindow)(void*) = ToolkitSymbol<void* (*)(void*)>("gdk_screen_get_active_window");
  void (*unref)(void*) = ToolkitSymbol<void (*)(void*)>("g_object_unref");
  void* (*defaultDisplay)() = ToolkitSymbol<void* (*)()>("gdk_display_get_default");
  void (*sync)(void*) = ToolkitSymbol<void (*)(void*)>("gdk_display_sync");
  // The X focus given by the program itself (X11 only).
  int (*isA)(void*, unsigned long) = ToolkitSymbol<int (*)(void*, unsigned long)>("g_type_check_instance_is_a");
  unsigned long (*x11DisplayType)() = ToolkitSymbol<unsigned long (*)()>("gdk_x11_display_get_type");
  void* (*xDisplay)(void*) = ToolkitSymbol<void* (*)(void*)>("gdk_x11_display_get_xdisplay");
  unsigned long (*xid)(void*) = ToolkitSymbol<unsigned long (*)(void*)>("gdk_x11_window_get_xid");
  int (*viewable)(void*) = ToolkitSymbol<int (*)(void*)>("gdk_window_is_viewable");
  void (*trapPush)(void*) = ToolkitSymbol<void (*)(void*)>("gdk_x11_display_error_trap_push");
  void (*trapPop)(void*) = ToolkitSymbol<void (*)(void*)>("gdk_x11_display_error_trap_pop_ignored");
  int (*setInputFocus)(void*, unsigned long, int, unsigned long) =
      ToolkitSymbol<int (*)(void*, unsigned long, int, unsigned long)>("XSetInputFocus");

  bool XOk() const {
    return isA && x11DisplayType && xDisplay && xid && viewable && trapPush && trapPop && setInputFocus;
  }

  bool Ok() const { return widgetWindow && defaultScreen && activeWindow && unref && defaultDisplay && sync; }
};

const Calls& Gdk() {
  static const Calls calls;
  return calls;
}

// Whether the manager names `window` (a GdkWindow) the active one.
bool ManagerHoldsActive(void* window) {
  const Calls& gdk = Gdk();
  void* screen = gdk.defaultScreen();
  if (screen == nullptr || window == nullptr) return false;
  void* active = gdk.activeWindow(screen);
  if (active == nullptr) return false;
  const bool same = active == window;
  gdk.unref(active);
  return same;
}

// Gives `window` (a GdkWindow, shown) the X focus, as a program may move
// it between its own windows while it holds it. RevertToParent and
// CurrentTime (Xlib's values).
void FocusDirectly(void* display, void* window) {
  const Calls& gdk = Gdk();
  if (!gdk.XOk() || display == nullptr || window == nullptr || !gdk.isA(display, gdk.x11DisplayType()) ||
      !gdk.viewable(window)) {
    return;
  }
  constexpr int kRevertToParent = 2;
  constexpr unsigned long kCurrentTime = 0;
  gdk.trapPush(display);
  gdk.setInputFocus(gdk.xDisplay(display), gdk.xid(window), kRevertToParent, kCurrentTime);
  gdk.trapPop(display);
}

}  // namespace

void HandActivationOver(wxWindow& closing, wxWindow& next) {
#ifdef __WXGTK__
  const Calls& gdk = Gdk();
  auto* top = wxDynamicCast(&next, wxTopLevelWindow);
  if (!gdk.Ok() || top == nullptr || !top->IsShown() || closing.GetHandle() == nullptr || next.GetHandle() == nullptr) {
    return;
  }
  void* closingWindow = gdk.widgetWindow(closing.GetHandle());
  void* nextWindow = gdk.widgetWindow(next.GetHandle());
  if (!ManagerHoldsActive(closingWindow)) return;
  top->Raise();
  const auto since = std::chrono::steady_clock::now();
  bool answered = true;
  while (!ManagerHoldsActive(nextWindow)) {
    if (std::chrono::steady_clock::now() - since >= kLimit) {
      answered = false;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  void* display = gdk.defaultDisplay();
  // A manager that has not answered (busy, or stopped) would leave the X
  // focus with the closing window, and once that has gone with no window
  // at all: the user's next key, an Escape for the preview, reached
  // nothing. The program moves the focus to the window that goes on
  // itself; the manager, going on, activates that same window.
  if (!answered) FocusDirectly(display, nextWindow);
  if (display != nullptr) gdk.sync(display);
#else
  (void)closing;
  (void)next;
#endif
}

}  // namespace kvn
