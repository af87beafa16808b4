#include "platform/ui/XWindowClass.h"

#include <dlfcn.h>
#include <wx/window.h>

#include <vector>

namespace kvn {

namespace {

// Xlib's XClassHint.
struct XClassHintRecord {
  char* resName;
  char* resClass;
};

template <class F>
F Symbol(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
}

}  // namespace

// GTK takes a window's class only before the window is realised, and the
// toolkit realises its frames as it makes them; the X property is set
// directly instead. The GTK, GDK and Xlib calls are looked up in the
// process (the toolkit has loaded them), so that the program needs no GTK
// development files to build.
bool SetXWindowClass(wxWindow* topLevel, const std::string& instance, const std::string& windowClass) {
  if (topLevel == nullptr) return false;
  const auto getWindow = Symbol<void* (*)(void*)>("gtk_widget_get_window");
  const auto getXid = Symbol<unsigned long (*)(void*)>("gdk_x11_window_get_xid");
  const auto getDisplay = Symbol<void* (*)(void*)>("gdk_window_get_display");
  const auto getXDisplay = Symbol<void* (*)(void*)>("gdk_x11_display_get_xdisplay");
  const auto setClassHint = Symbol<int (*)(void*, unsigned long, XClassHintRecord*)>("XSetClassHint");
  const auto isInstance = Symbol<int (*)(void*, unsigned long)>("g_type_check_instance_is_a");
  const auto x11DisplayType = Symbol<unsigned long (*)()>("gdk_x11_display_get_type");
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
