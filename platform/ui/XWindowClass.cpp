#include "platform/ui/XWindowClass.h"

#include <wx/window.h>

#include <vector>

#include "platform/ui/ToolkitSymbol.h"

namespace kvn {

namespace {

// Xlib's XClassHint.
struct XClassHintRecord {
  char* resName;
  char* resClass;
};

}  // namespace

// GTK takes a window's class only before the window is realised, and the
// toolkit realises its frames as it makes them; the X property is set
// directly instead. The GTK, GDK and Xlib calls are looked up in the
// process (the toolkit has loaded them), so that the program needs no GTK
// development files to build.
bool SetXWindowClass(wxWindow* topLevel, const std::string& instance, const std::string& windowClass) {
  if (topLevel == nullptr) return false;
  const auto getWindow = ToolkitSymbol<void* (*)(void*)>("gtk_widget_get_window");
  const auto getXid = ToolkitSymbol<unsigned long (*)(void*)>("gdk_x11_window_get_xid");
  const auto getDisplay = ToolkitSymbol<void* (*)(void*)>("gdk_window_get_display");
  const auto getXDisplay = ToolkitSymbol<void* (*)(void*)>("gdk_x11_display_get_xdisplay");
  const auto setClassHint = ToolkitSymbol<int (*)(void*, unsigned long, XClassHintRecord*)>("XSetClassHint");
  const auto isInstance = ToolkitSymbol<int (*)(void*, unsigned long)>("g_type_check_instance_is_a");
  const auto x11DisplayType = ToolkitSymbol<unsigned long (*)()>("gdk_x11_display_get_type");
  if (!getWindow || !getXid || !getDisplay || !getXDisplay || !setClassHint || !isInstance ||
      !x11DisplayType) {
    return false;
  }
  void* window = getWindow(topLevel->GetHandle());
  if (window == nullptr) return false;
  void* display = getDisplay(window);
  // Under Wayland the display is not an X display.
  if (display == nullptr || !isInstance(display, x11DisplayType())) return false;
  std::vector<char> name(instance.begin(), instance.end()), cls(windowClass.begin(), windowClass.end());
  name.push_back('\0');
  cls.push_back('\0');
  XClassHintRecord hint{name.data(), cls.data()};
  return setClassHint(getXDisplay(display), getXid(window), &hint) != 0;
}

}  // namespace kvn
