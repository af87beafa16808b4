#include "platform/ui/PaintYield.h"

#include <wx/toplevel.h>
#include <wx/window.h>

#include <algorithm>
#include <array>
#include <cstdint>

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
  XModifierKeymap* (*modifierMapping)(Display*) = ToolkitSymbol<XModifierKeymap* (*)(Display*)>("XGetModifierMapping");
  int (*freeModifierMap)(XModifierKeymap*) = ToolkitSymbol<int (*)(XModifierKeymap*)>("XFreeModifiermap");
  int (*eventKeycode)(const void*, unsigned short*) =
      ToolkitSymbol<int (*)(const void*, unsigned short*)>("gdk_event_get_keycode");

  void* (*peekEvent)() = ToolkitSymbol<void* (*)()>("gdk_event_peek");
  void* (*eventWindow)(const void*) = ToolkitSymbol<void* (*)(const void*)>("gdk_event_get_window");
  void* (*toplevelOf)(void*) = ToolkitSymbol<void* (*)(void*)>("gdk_window_get_toplevel");
  int (*viewable)(void*) = ToolkitSymbol<int (*)(void*)>("gdk_window_is_viewable");
  int (*eventType)(const void*) = ToolkitSymbol<int (*)(const void*)>("gdk_event_get_event_type");
  void (*eventFree)(void*) = ToolkitSymbol<void (*)(void*)>("gdk_event_free");

  bool GdkOk() const { return widgetWindow && mapped && updateArea && invalidate && regionDestroy; }
  bool XOk() const { return displayDefault && isA && x11DisplayType && xDisplay && xid && checkIfEvent && queryExtension; }
};

const Calls& Toolkit() {
  static const Calls calls;
  return calls;
}

// Which key codes are modifiers (Shift, Lock, Control, Mod1 to Mod5), as
// the display maps them when first asked.
using ModifierKeys = std::array<bool, 256>;

const ModifierKeys& Modifiers(Display* x) {
  static const ModifierKeys keys = [x] {
    ModifierKeys out{};
    const Calls& tk = Toolkit();
    if (x == nullptr || !tk.modifierMapping || !tk.freeModifierMap) return out;
    if (XModifierKeymap* map = tk.modifierMapping(x)) {
      for (int i = 0; i < 8 * map->max_keypermod; ++i) out[map->modifiermap[i]] = map->modifiermap[i] != 0;
      tk.freeModifierMap(map);
    }
    return out;
  }();
  return keys;
}

// The head of XInput 2's device event (XIDeviceEvent, XInput2.h) up to the
// key code; its data as the display's queue holds it.
struct XiDeviceEventHead {
  int type;
  unsigned long serial;
  Bool sendEvent;
  Display* display;
  int extension;
  int evtype;
  Time time;
  int deviceid;
  int sourceid;
  int detail;
};

struct Search {
  unsigned long self = 0;  // the painting window's X window
  int xiOpcode = -1;
  const ModifierKeys* modifiers = nullptr;
  PaintYieldMemo* memo = nullptr;  // another window's exposure counts once
  bool found = false;
};

// A key press counts unless its key is a modifier.
void NoteKey(Search& search, unsigned keycode) {
  if (keycode >= search.modifiers->size() || !(*search.modifiers)[keycode]) search.found = true;
}

// Looks at each queued event and keeps it: answers False for every one.
Bool NoteUrgent(Display*, XEvent* event, XPointer arg) {
  auto* search = reinterpret_cast<Search*>(arg);
  switch (event->type) {
    case KeyPress:
      NoteKey(*search, event->xkey.keycode);
      break;
    case ButtonPress:
      search->found = true;
      break;
    case Expose: {
      const unsigned long window = event->xexpose.window;
      if (window == search->self) {
        search->found = true;
      } else if (PaintYieldMemo* memo = search->memo;
                 memo && std::find(memo->windows.begin(), memo->windows.end(), window) == memo->windows.end()) {
        memo->windows.push_back(window);
        search->found = true;
      }
      break;
    }
    case GenericEvent:
      if (event->xcookie.extension != search->xiOpcode) break;
      if (event->xcookie.evtype == kXiKeyPress) {
        // The queue holds the event's data until it is taken; without it
        // the key counts.
        const auto* data = static_cast<const XiDeviceEventHead*>(event->xcookie.data);
        if (data != nullptr) {
          NoteKey(*search, unsigned(data->detail));
        } else {
          search->found = true;
        }
      } else if (event->xcookie.evtype == kXiButtonPress || event->xcookie.evtype == kXiTouchBegin) {
        search->found = true;
      }
      break;
    default:
      break;
  }
  return False;
}

Display* XDisplayOfToolkit() {
  const Calls& tk = Toolkit();
  if (!tk.XOk()) return nullptr;
  void* display = tk.displayDefault();
  if (display == nullptr || !tk.isA(display, tk.x11DisplayType())) return nullptr;
  return tk.xDisplay(display);
}

// The display's queue, with what it has sent since read into it: a press,
// an exposure of the painting window, or with `memo` another window's.
bool DisplayHoldsUrgent(Display* x, void* selfGdkWindow, PaintYieldMemo* memo) {
  const Calls& tk = Toolkit();
  if (x == nullptr) return false;
  static int xiOpcode = [&] {
    int opcode = -1, event = 0, error = 0;
    return tk.queryExtension(x, "XInputExtension", &opcode, &event, &error) ? opcode : -1;
  }();
  Search search;
  search.self = selfGdkWindow ? tk.xid(selfGdkWindow) : 0;
  search.xiOpcode = xiOpcode;
  search.modifiers = &Modifiers(x);
  search.memo = memo;
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
// The events after which a window paints: its area exposed, the focus
// come or gone (the theme draws an active window otherwise), mapped, moved
// or resized, its visibility or its state changed.
constexpr int kGdkExpose = 2;
constexpr int kGdkFocusChange = 12;
constexpr int kGdkConfigure = 13;
constexpr int kGdkMap = 14;
constexpr int kGdkVisibilityNotify = 29;
constexpr int kGdkWindowState = 32;

bool LeadsToPaint(int type) {
  return type == kGdkExpose || type == kGdkFocusChange || type == kGdkConfigure || type == kGdkMap ||
         type == kGdkVisibilityNotify || type == kGdkWindowState;
}

// Whether a toolkit event is a press (a modifier key alone is not).
bool IsPress(Display* x, const void* event) {
  const Calls& tk = Toolkit();
  const int type = tk.eventType(event);
  if (type == kGdkButtonPress || type == kGdk2ButtonPress || type == kGdk3ButtonPress || type == kGdkTouchBegin)
    return true;
  if (type != kGdkKeyPress) return false;
  unsigned short keycode = 0;
  return x == nullptr || !tk.eventKeycode || !tk.eventKeycode(event, &keycode) || !Modifiers(x)[keycode & 0xFF];
}

// The head of the toolkit's display object (GdkDisplay of GTK 3.24, its
// private layout: the object, then the list of the events it holds and the
// list's last link) and of a link of that list (GList).
struct ListLink {
  void* data;
  ListLink* next;
  ListLink* prev;
};
struct DisplayHead {
  void* typeClass;
  unsigned refCount;
  void* data;
  ListLink* queued;
  ListLink* queuedTail;
};

// The events the toolkit holds, as its display keeps them; null when that
// list cannot be trusted to be read so (another toolkit version, or a list
// that does not hang together or does not hold the first event the toolkit
// shows).
const ListLink* HeldEvents(void* firstShown) {
  static const bool known = [] {
    auto major = ToolkitSymbol<unsigned (*)()>("gtk_get_major_version");
    auto minor = ToolkitSymbol<unsigned (*)()>("gtk_get_minor_version");
    return major && minor && major() == 3 && minor() == 24;
  }();
  const Calls& tk = Toolkit();
  if (!known || !tk.displayDefault) return nullptr;
  const auto* display = static_cast<const DisplayHead*>(tk.displayDefault());
  if (display == nullptr || display->queued == nullptr || display->queued->prev != nullptr) return nullptr;
  constexpr int kMostLinks = 4096;
  const ListLink* last = display->queued;
  bool holdsShown = false;
  const int shownType = tk.eventType(firstShown);
  for (int n = 0; n < kMostLinks && last != nullptr; ++n) {
    holdsShown = holdsShown || (last->data != nullptr && tk.eventType(last->data) == shownType);
    if (last->next == nullptr) break;
    if (last->next->prev != last) return nullptr;
    last = last->next;
  }
  return last == display->queuedTail && last->next == nullptr && holdsShown ? display->queued : nullptr;
}

// The id a window is known by in `PaintYieldMemo`: its X window, or
// without X the toolkit's window itself.
unsigned long MemoId(void* gdkWindow, bool x11) {
  const Calls& tk = Toolkit();
  return x11 && tk.XOk() ? tk.xid(gdkWindow) : reinterpret_cast<std::uintptr_t>(gdkWindow);
}

// What the toolkit has taken from the display and not yet handed out: it
// holds its events back while one of its windows paints, so a key that
// came just before this paint began waits there, not in the display's
// queue. A paint run while an event is handed out (a window updated at
// once when a dialog closes) finds the events after it held: a key pressed
// right after the dialog closed waits there behind the key's release that
// closed it. Another window's paint waits there too once the toolkit has
// read what makes it paint (a dialog uncovered and given the focus): with
// `memo`, an event after which another top-level window not in `memo`
// paints counts, and the window is added to `memo`. The toolkit shows only
// the first event it holds; its list is read where it can be.
bool ToolkitHoldsUrgent(Display* x, void* selfGdkWindow, PaintYieldMemo* memo) {
  const Calls& tk = Toolkit();
  if (!tk.peekEvent || !tk.eventType || !tk.eventFree) return false;
  void* event = tk.peekEvent();
  if (event == nullptr) return false;
  auto urgent = [&](const void* held) {
    if (IsPress(x, held)) return true;
    if (memo == nullptr || !tk.eventWindow || !tk.toplevelOf || !LeadsToPaint(tk.eventType(held))) return false;
    void* window = tk.eventWindow(held);
    void* top = window ? tk.toplevelOf(window) : nullptr;
    // A window withdrawn (one closed, say) has nothing to paint.
    if (top == nullptr || top == selfGdkWindow || !tk.viewable || !tk.viewable(top)) return false;
    const unsigned long id = MemoId(top, x != nullptr);
    if (std::find(memo->windows.begin(), memo->windows.end(), id) != memo->windows.end()) return false;
    memo->windows.push_back(id);
    return true;
  };
  bool found = urgent(event);
  if (!found) {
    for (const ListLink* link = HeldEvents(event); link != nullptr && !found; link = link->next)
      found = link->data != nullptr && urgent(link->data);
  }
  tk.eventFree(event);
  return found;
}

// Another shown top-level window that the toolkit has to paint. The
// toolkit hands its area over only by taking it: it is given back at once.
// `x11`: the toolkit draws on an X display (its windows have X ids).
bool OtherWindowToPaint(wxWindow* selfTop, PaintYieldMemo& memo, bool x11) {
  const Calls& tk = Toolkit();
  if (!tk.GdkOk()) return false;
  for (wxWindow* top : wxTopLevelWindows) {
    if (top == selfTop || !top->IsShown() || top->GetHandle() == nullptr || !tk.mapped(top->GetHandle())) continue;
    void* window = tk.widgetWindow(top->GetHandle());
    if (window == nullptr) continue;
    const unsigned long id = MemoId(window, x11);
    if (std::find(memo.windows.begin(), memo.windows.end(), id) != memo.windows.end()) continue;
    if (void* area = tk.updateArea(window)) {
      tk.invalidate(window, area, 1);
      tk.regionDestroy(area);
      memo.windows.push_back(id);
      return true;
    }
  }
  return false;
}

}  // namespace

bool PaintShouldYield(wxWindow* painting, PaintYieldMemo* memo) {
#ifdef __WXGTK__
  wxWindow* top = painting ? wxGetTopLevelParent(painting) : nullptr;
  if (top == nullptr || top->GetHandle() == nullptr) return false;
  const Calls& tk = Toolkit();
  void* selfWindow = tk.widgetWindow ? tk.widgetWindow(top->GetHandle()) : nullptr;
  Display* x = XDisplayOfToolkit();
  return ToolkitHoldsUrgent(x, selfWindow, memo) || DisplayHoldsUrgent(x, selfWindow, memo) ||
         (memo != nullptr && OtherWindowToPaint(top, *memo, x != nullptr));
#else
  (void)painting;
  (void)memo;
  return false;
#endif
}

}  // namespace kvn
