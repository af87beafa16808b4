#include "platform/ui/DisabledWindowFocus.h"

#include <wx/dialog.h>
#include <wx/window.h>

#include <utility>

#include "platform/ui/ToolkitSymbol.h"

namespace kvn {

namespace {

// The GTK and GLib calls, looked up in the process (ToolkitSymbol.h).
struct Gtk {
  void* (*ref)(void*) = ToolkitSymbol<void* (*)(void*)>("g_object_ref");
  void (*unref)(void*) = ToolkitSymbol<void (*)(void*)>("g_object_unref");
  void* (*getFocus)(void*) = ToolkitSymbol<void* (*)(void*)>("gtk_window_get_focus");
  void (*setFocus)(void*, void*) = ToolkitSymbol<void (*)(void*, void*)>("gtk_window_set_focus");
  int (*hasGrab)(void*) = ToolkitSymbol<int (*)(void*)>("gtk_widget_has_grab");
  void (*grabAdd)(void*) = ToolkitSymbol<void (*)(void*)>("gtk_grab_add");
  int (*sensitive)(void*) = ToolkitSymbol<int (*)(void*)>("gtk_widget_is_sensitive");
  int (*visible)(void*) = ToolkitSymbol<int (*)(void*)>("gtk_widget_get_visible");
  void* (*toplevel)(void*) = ToolkitSymbol<void* (*)(void*)>("gtk_widget_get_toplevel");
  int (*inDestruction)(void*) = ToolkitSymbol<int (*)(void*)>("gtk_widget_in_destruction");
  void (*grabRemove)(void*) = ToolkitSymbol<void (*)(void*)>("gtk_grab_remove");
  void* (*currentGrab)() = ToolkitSymbol<void* (*)()>("gtk_grab_get_current");
  void* (*transientFor)(void*) = ToolkitSymbol<void* (*)(void*)>("gtk_window_get_transient_for");

  bool Ok() const {
    return ref && unref && getFocus && setFocus && hasGrab && grabAdd && sensitive && visible && toplevel &&
           inDestruction && grabRemove && currentGrab && transientFor;
  }
};

const Gtk& Calls() {
  static const Gtk gtk;
  return gtk;
}

// Whether `owner` is `window` or a window it stands on (its transient-for
// chain): a grab `window` may go over.
bool OwnedBy(const Gtk& gtk, void* window, void* owner) {
  for (int depth = 0; window != nullptr && depth < 64; ++depth, window = gtk.transientFor(window)) {
    if (window == owner) return true;
  }
  return false;
}

}  // namespace

DisabledWindowFocus::DisabledWindowFocus(wxWindow* window) {
#ifdef __WXGTK__
  const Gtk& gtk = Calls();
  if (window == nullptr || !window->IsTopLevel() || window->GetHandle() == nullptr || !gtk.Ok()) return;
  top_ = wxDynamicCast(window, wxTopLevelWindow);
  window_ = gtk.ref(window->GetHandle());
  grabbed_ = gtk.hasGrab(window_) != 0;
  if (void* focus = gtk.getFocus(window_)) focus_ = gtk.ref(focus);
#else
  (void)window;
#endif
}

DisabledWindowFocus::~DisabledWindowFocus() { Release(); }

DisabledWindowFocus::DisabledWindowFocus(DisabledWindowFocus&& other) noexcept
    : top_(std::exchange(other.top_, nullptr)),
      window_(std::exchange(other.window_, nullptr)),
      focus_(std::exchange(other.focus_, nullptr)),
      grabbed_(std::exchange(other.grabbed_, false)) {}

DisabledWindowFocus& DisabledWindowFocus::operator=(DisabledWindowFocus&& other) noexcept {
  if (this != &other) {
    Release();
    top_ = std::exchange(other.top_, nullptr);
    window_ = std::exchange(other.window_, nullptr);
    focus_ = std::exchange(other.focus_, nullptr);
    grabbed_ = std::exchange(other.grabbed_, false);
  }
  return *this;
}

void DisabledWindowFocus::Release() {
  if (window_ == nullptr) return;
  const Gtk& gtk = Calls();
  if (focus_) gtk.unref(std::exchange(focus_, nullptr));
  gtk.unref(std::exchange(window_, nullptr));
  top_ = nullptr;
  grabbed_ = false;
}

bool DisabledWindowFocus::StillModal() const {
  wxTopLevelWindow* top = top_.get();
  if (top == nullptr || top->IsBeingDeleted()) return false;
  if (top->IsGrabbed()) return true;
  auto* dialog = wxDynamicCast(top, wxDialog);
  return dialog != nullptr && dialog->IsModal();
}

void DisabledWindowFocus::Restore() {
  if (window_ == nullptr) return;
  const Gtk& gtk = Calls();
  // A window that has gone, or is still disabled or hidden, gets nothing: a
  // grab on a hidden window would hold the program's input for ever.
  if (!gtk.inDestruction(window_) && gtk.sensitive(window_) && gtk.visible(window_)) {
    // Given back outermost first (the order the windows are enabled in),
    // the innermost grab is the current one again. Never twice (one
    // removal would leave the other for good), and never over a newer grab
    // than the window's owners' (another modal run begun meanwhile): put on
    // top, it took that run's input away. It goes beneath that one then.
    if (grabbed_ && !gtk.hasGrab(window_) && StillModal()) {
      void* newer = gtk.currentGrab();
      if (newer != nullptr && !OwnedBy(gtk, window_, newer)) {
        gtk.grabRemove(newer);
        void* below = gtk.currentGrab();
        if (below == nullptr || OwnedBy(gtk, window_, below)) gtk.grabAdd(window_);
        gtk.grabAdd(newer);
      } else {
        gtk.grabAdd(window_);
      }
    }
    if (focus_ && gtk.getFocus(window_) == nullptr && !gtk.inDestruction(focus_) &&
        gtk.toplevel(focus_) == window_ && gtk.sensitive(focus_) && gtk.visible(focus_)) {
      gtk.setFocus(window_, focus_);
    }
  }
  Release();
}

}  // namespace kvn
