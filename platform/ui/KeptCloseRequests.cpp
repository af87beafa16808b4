#include "platform/ui/KeptCloseRequests.h"

#include <wx/window.h>

#include <utility>

#include "platform/ui/Messages.h"
#include "platform/ui/ToolkitSymbol.h"

namespace kvn {

namespace {

// GSignalMatchType: by signal id and by data.
constexpr int kMatchId = 1, kMatchData = 16;
// GDK's key press event type and key values.
constexpr int kGdkKeyPress = 8;
constexpr unsigned kKeyEscape = 0xff1b, kKeyReturn = 0xff0d, kKeyPadEnter = 0xff8d;

using SignalCallback = int (*)(void*, void*, void*);
using KeySnooper = int (*)(void*, void*, void*);

struct Calls {
  void* (*ref)(void*) = ToolkitSymbol<void* (*)(void*)>("g_object_ref");
  void (*unref)(void*) = ToolkitSymbol<void (*)(void*)>("g_object_unref");
  unsigned long (*widgetType)() = ToolkitSymbol<unsigned long (*)()>("gtk_widget_get_type");
  unsigned (*lookup)(const char*, unsigned long) = ToolkitSymbol<unsigned (*)(const char*, unsigned long)>("g_signal_lookup");
  unsigned (*disconnectMatched)(void*, int, unsigned, unsigned, void*, void*, void*) =
      ToolkitSymbol<unsigned (*)(void*, int, unsigned, unsigned, void*, void*, void*)>(
          "g_signal_handlers_disconnect_matched");
  unsigned (*blockMatched)(void*, int, unsigned, unsigned, void*, void*, void*) =
      ToolkitSymbol<unsigned (*)(void*, int, unsigned, unsigned, void*, void*, void*)>(
          "g_signal_handlers_block_matched");
  unsigned (*unblockMatched)(void*, int, unsigned, unsigned, void*, void*, void*) =
      ToolkitSymbol<unsigned (*)(void*, int, unsigned, unsigned, void*, void*, void*)>(
          "g_signal_handlers_unblock_matched");
  unsigned long (*connect)(void*, const char*, SignalCallback, void*, void*, int) =
      ToolkitSymbol<unsigned long (*)(void*, const char*, SignalCallback, void*, void*, int)>("g_signal_connect_data");
  int (*isConnected)(void*, unsigned long) = ToolkitSymbol<int (*)(void*, unsigned long)>("g_signal_handler_is_connected");
  void (*disconnect)(void*, unsigned long) = ToolkitSymbol<void (*)(void*, unsigned long)>("g_signal_handler_disconnect");
  unsigned (*installSnooper)(KeySnooper, void*) = ToolkitSymbol<unsigned (*)(KeySnooper, void*)>("gtk_key_snooper_install");
  void (*removeSnooper)(unsigned) = ToolkitSymbol<void (*)(unsigned)>("gtk_key_snooper_remove");
  int (*eventType)(const void*) = ToolkitSymbol<int (*)(const void*)>("gdk_event_get_event_type");
  int (*keyval)(const void*, unsigned*) = ToolkitSymbol<int (*)(const void*, unsigned*)>("gdk_event_get_keyval");
  int (*sensitive)(void*) = ToolkitSymbol<int (*)(void*)>("gtk_widget_is_sensitive");

  bool Ok() const {
    return ref && unref && widgetType && lookup && disconnectMatched && blockMatched && unblockMatched && connect &&
           isConnected && disconnect &&
           installSnooper && removeSnooper && eventType && keyval && sensitive;
  }
};

const Calls& Gtk() {
  static const Calls calls;
  return calls;
}

}  // namespace

struct KeptCloseRequests::Hooks {
  std::function<void()> onClose;
  std::function<void(std::uint32_t)> onKey;
  void* widget = nullptr;  // the GtkWindow, referenced
  unsigned long closeHandler = 0;
  unsigned snooper = 0;
  // WhileDisabled: the toolkit's close handler, blocked, and its data.
  void* toolkitData = nullptr;
  unsigned deleteSignal = 0;

  static int Close(void* widget, void*, void* data) {
    auto* hooks = static_cast<Hooks*>(data);
    // Enabled, a window kept only while disabled drops the request, as the
    // toolkit does for a window beneath a modal one.
    if (hooks->onClose && (hooks->toolkitData == nullptr || !Gtk().sensitive(widget))) hooks->onClose();
    return 1;  // the toolkit would destroy the window otherwise
  }

  // GTK gives a key to no handler of a disabled window (it counts it as
  // handled); a snooper sees every key before that.
  static int Key(void* widget, void* event, void* data) {
    auto* hooks = static_cast<Hooks*>(data);
    unsigned key = 0;
    if (widget != hooks->widget || Gtk().sensitive(widget) || Gtk().eventType(event) != kGdkKeyPress ||
        !Gtk().keyval(event, &key) || !hooks->onKey) {
      return 0;
    }
    if (key == kKeyEscape) {
      hooks->onKey(kVkEscape);
      return 1;
    }
    if (key == kKeyReturn || key == kKeyPadEnter) {
      hooks->onKey(kVkReturn);
      return 1;
    }
    return 0;
  }
};

KeptCloseRequests::KeptCloseRequests(wxWindow& topLevel, std::function<void()> onClose,
                                     std::function<void(std::uint32_t)> onKey)
    : hooks_(std::make_unique<Hooks>()) {
  hooks_->onClose = std::move(onClose);
  hooks_->onKey = std::move(onKey);
#ifdef __WXGTK__
  const Calls& gtk = Gtk();
  if (!gtk.Ok() || !topLevel.IsTopLevel() || topLevel.GetHandle() == nullptr) return;
  hooks_->widget = gtk.ref(topLevel.GetHandle());
  // The toolkit's frame connects its close handler with the frame as data.
  const unsigned deleteSignal = gtk.lookup("delete-event", gtk.widgetType());
  gtk.disconnectMatched(hooks_->widget, kMatchId | kMatchData, deleteSignal, 0, nullptr, nullptr, &topLevel);
  hooks_->closeHandler = gtk.connect(hooks_->widget, "delete-event", &Hooks::Close, hooks_.get(), nullptr, 0);
  hooks_->snooper = gtk.installSnooper(&Hooks::Key, hooks_.get());
#else
  (void)topLevel;
#endif
}

KeptCloseRequests::KeptCloseRequests(wxWindow& topLevel, WhileDisabled, std::function<void()> onClose,
                                     std::function<void(std::uint32_t)> onKey)
    : hooks_(std::make_unique<Hooks>()) {
  hooks_->onClose = std::move(onClose);
  hooks_->onKey = std::move(onKey);
#ifdef __WXGTK__
  const Calls& gtk = Gtk();
  if (!gtk.Ok() || !topLevel.IsTopLevel() || topLevel.GetHandle() == nullptr) return;
  hooks_->widget = gtk.ref(topLevel.GetHandle());
  // Blocked, not disconnected: the window hears its closes again once
  // the modal window has gone.
  hooks_->toolkitData = &topLevel;
  hooks_->deleteSignal = gtk.lookup("delete-event", gtk.widgetType());
  gtk.blockMatched(hooks_->widget, kMatchId | kMatchData, hooks_->deleteSignal, 0, nullptr, nullptr, &topLevel);
  hooks_->closeHandler = gtk.connect(hooks_->widget, "delete-event", &Hooks::Close, hooks_.get(), nullptr, 0);
  hooks_->snooper = gtk.installSnooper(&Hooks::Key, hooks_.get());
#else
  (void)topLevel;
#endif
}

KeptCloseRequests::~KeptCloseRequests() {
  if (hooks_->widget == nullptr) return;
  const Calls& gtk = Gtk();
  if (hooks_->snooper != 0) gtk.removeSnooper(hooks_->snooper);
  if (gtk.isConnected(hooks_->widget, hooks_->closeHandler)) gtk.disconnect(hooks_->widget, hooks_->closeHandler);
  if (hooks_->toolkitData != nullptr) {
    gtk.unblockMatched(hooks_->widget, kMatchId | kMatchData, hooks_->deleteSignal, 0, nullptr, nullptr,
                       hooks_->toolkitData);
  }
  gtk.unref(std::exchange(hooks_->widget, nullptr));
}

}  // namespace kvn
