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
  while (!ManagerHoldsActive(nextWindow)) {
    if (std::chrono::steady_clock::now() - since >= kLimit) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (void* display = gdk.defaultDisplay()) gdk.sync(display);
#else
  (void)closing;
  (void)next;
#endif
}

}  // namespace kvn
