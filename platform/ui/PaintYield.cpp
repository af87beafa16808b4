#include "platform/ui/PaintYield.h"

#include <wx/toplevel.h>
#include <wx/window.h>

#include "platform/ui/ToolkitSymbol.h"

// Xlib's event layout only (its calls are looked up in the process, as the
// toolkit's are); last, for its macros.
#include <X11/Xlib.h>

namespace kvn {

namespace {

// XInput 2's event types (XI2.h), as GTK receives keys and buttons.
constexpr int kXiKeyPress = 2;
constexpr int kXiButtonPress = 4;
constexpr int kXiTouchBegin = 18;

struct Calls {
  void* (*displayDefault)() = ToolkitSymbol<void* (*)()>("gdk_display_get_default");
  int (*isA)(void*, unsigned long) = ToolkitSymbol<int (*)(void*, unsigned long)>("g_type_check_instance_is_a");
  unsigned long (*x11DisplayType)() = ToolkitSymbol<unsigned long (*)()>("gdk_x11_display_get_type");
  Display* (*xDisplay)(void*) = ToolkitSymbol<Display* (*)(void*)>("gdk_x11_display_get_xdisplay");
  void* (*widgetWindow)(void*) = ToolkitSymbol<void* (*)(void*)>("gtk_widget_get_window");
  int (*mapped)(void*) = ToolkitSymbol<int (*)(void*)>("gtk_widget_get_mapped");
  unsigned long (*xid)(void*) = ToolkitSymbol<unsigned long (*)(void*)>("gdk_x11_window_get_xid");
  void* (*updateArea)(void*) = ToolkitSymbol<void* (*)(void*)>("gdk_window_get_update_area");
  void (*invalidate)(void*, void*, int) = ToolkitSymbol<void (*)(void*, void*, int)>("gdk_window_invalidate_region");
  void (*regionDestroy)(void*) = ToolkitSymbol<void (*)(void*)>("cairo_region_destroy");
  Bool (*checkIfEvent)(Display*, XEvent*, Bool (*)(Display*, XEvent*, XPointer), XPointer) =
      ToolkitSymbol<Bool (*)(Display*, XEvent*, Bool (*)(Display*, XEvent*, XPointer), XPointer)>("XCheckIfEvent");
  Bool (*queryExtension)(Display*, const char*, int*, int*, int*) =
      ToolkitSymbol<Bool (*)(Display*, const char*, int*, int*, int*)>("XQueryExtension");

  void* (*peekEvent)() = ToolkitSymbol<void* (*)()>("gdk_event_peek");
  int (*eventType)(const void*) = ToolkitSymbol<int (*)(const void*)>("gdk_event_get_event_type");
  void (*eventFree)(void*) = ToolkitSymbol<void (*)(void*)>("gdk_event_free");

  bool GdkOk() const { return widgetWindow && mapped && updateArea && invalidate && regionDestroy; }
  bool XOk() const { return displayDefault && isA && x11DisplayType && xDisplay && xid && checkIfEvent && queryExtension; }
};

const Calls& Toolkit() {
  static const Calls calls;
  return calls;
}

struct Search {
  unsigned long self = 0;  // the painting window's X window
  int xiOpcode = -1;
  bool exposures = true;  // another window's exposure counts
  bool found = false;
};

// Looks at each queued event and keeps it: answers False for every one.
Bool NoteUrgent(Display*, XEvent* event, XPointer arg) {
  auto* search = reinterpret_cast<Search*>(arg);
  switch (event->type) {
    case KeyPress:
    case ButtonPress:
      search->found = true;
      break;
    case Expose:
      if (search->exposures && event->xexpose.window != search->self) search->found = true;
      break;
    case GenericEvent:
      if (event->xcookie.extension == search->xiOpcode &&
          (event->xcookie.evtype == kXiKeyPress || event->xcookie.evtype == kXiButtonPress ||
           event->xcookie.evtype == kXiTouchBegin)) {
        search->found = true;
      }
      break;
    default:
      break;
  }
  return False;
}

// The display's queue, with what it has sent since read into it: a press,
// or with `exposures` another window's exposure.
bool DisplayHoldsUrgent(void* selfGdkWindow, bool exposures) {
  const Calls& tk = Toolkit();
  if (!tk.XOk()) return false;
  void* display = tk.displayDefault();
  if (display == nullptr || !tk.isA(display, tk.x11DisplayType())) return false;
  Display* x = tk.xDisplay(display);
  if (x == nullptr) return false;
  static int xiOpcode = [&] {
    int opcode = -1, event = 0, error = 0;
    return tk.queryExtension(x, "XInputExtension", &opcode, &event, &error) ? opcode : -1;
  }();
  Search search;
  search.self = selfGdkWindow ? tk.xid(selfGdkWindow) : 0;
  search.xiOpcode = xiOpcode;
  search.exposures = exposures;
  XEvent unused;
  tk.checkIfEvent(x, &unused, &NoteUrgent, reinterpret_cast<XPointer>(&search));
  return search.found;
}

// GdkEventType: the presses of a button (single, double, triple), of a
// key, and a touch begun.
constexpr int kGdkButtonPress = 4;
constexpr int kGdk2ButtonPress = 5;
constexpr int kGdk3ButtonPress = 6;
constexpr int kGdkKeyPress = 8;
constexpr int kGdkTouchBegin = 37;

// A press the toolkit has taken from the display and not yet handed out:
// it holds its events back while one of its windows paints, so a key that
// came just before this paint began waits there, not in the display's
// queue. The toolkit shows only the first event it holds.
bool ToolkitHoldsPress() {
  const Calls& tk = Toolkit();
  if (!tk.peekEvent || !tk.eventType || !tk.eventFree) return false;
  void* event = tk.peekEvent();
  if (event == nullptr) return false;
  const int type = tk.eventType(event);
  tk.eventFree(event);
  return type == kGdkButtonPress || type == kGdk2ButtonPress || type == kGdk3ButtonPress || type == kGdkKeyPress ||
         type == kGdkTouchBegin;
}

// Another shown top-level window that the toolkit has to paint. The
// toolkit hands its area over only by taking it: it is given back at once.
bool OtherWindowToPaint(wxWindow* selfTop) {
  const Calls& tk = Toolkit();
  if (!tk.GdkOk()) return false;
  for (wxWindow* top : wxTopLevelWindows) {
    if (top == selfTop || !top->IsShown() || top->GetHandle() == nullptr || !tk.mapped(top->GetHandle())) continue;
    void* window = tk.widgetWindow(top->GetHandle());
    if (window == nullptr) continue;
    if (void* area = tk.updateArea(window)) {
      tk.invalidate(window, area, 1);
      tk.regionDestroy(area);
      return true;
    }
  }
  return false;
}

}  // namespace

bool PaintShouldYield(wxWindow* painting, bool toOtherPaints) {
#ifdef __WXGTK__
  wxWindow* top = painting ? wxGetTopLevelParent(painting) : nullptr;
  if (top == nullptr || top->GetHandle() == nullptr) return false;
  const Calls& tk = Toolkit();
  void* selfWindow = tk.widgetWindow ? tk.widgetWindow(top->GetHandle()) : nullptr;
  return ToolkitHoldsPress() || DisplayHoldsUrgent(selfWindow, toOtherPaints) ||
         (toOtherPaints && OtherWindowToPaint(top));
#else
  (void)painting;
  return false;
#endif
}

}  // namespace kvn
