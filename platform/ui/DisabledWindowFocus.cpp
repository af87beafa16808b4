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

  bool Ok() const {
    return ref && unref && getFocus && setFocus && hasGrab && grabAdd && sensitive && visible && toplevel &&
           inDestruction;
  }
};

const Gtk& Calls() {
  static const Gtk gtk;
  return gtk;
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
    // the innermost grab is the current one again.
    if (grabbed_ && !gtk.hasGrab(window_) && StillModal()) gtk.grabAdd(window_);
    if (focus_ && gtk.getFocus(window_) == nullptr && !gtk.inDestruction(focus_) &&
        gtk.toplevel(focus_) == window_ && gtk.sensitive(focus_) && gtk.visible(focus_)) {
      gtk.setFocus(window_, focus_);
    }
  }
  Release();
}

}  // namespace kvn
