#include "platform/ui/KeptCloseRequests.h"

#include <wx/window.h>

#include <utility>

#include "platform/ui/ToolkitSymbol.h"

namespace kvn {

namespace {

// GSignalMatchType: by signal id and by data.
constexpr int kMatchId = 1, kMatchData = 16;

using SignalCallback = int (*)(void*, void*, void*);

struct Calls {
  void* (*ref)(void*) = ToolkitSymbol<void* (*)(void*)>("g_object_ref");
  void (*unref)(void*) = ToolkitSymbol<void (*)(void*)>("g_object_unref");
  unsigned long (*widgetType)() = ToolkitSymbol<unsigned long (*)()>("gtk_widget_get_type");
  unsigned (*lookup)(const char*, unsigned long) = ToolkitSymbol<unsigned (*)(const char*, unsigned long)>("g_signal_lookup");
  unsigned (*disconnectMatched)(void*, int, unsigned, unsigned, void*, void*, void*) =
      ToolkitSymbol<unsigned (*)(void*, int, unsigned, unsigned, void*, void*, void*)>(
          "g_signal_handlers_disconnect_matched");
  unsigned long (*connect)(void*, const char*, SignalCallback, void*, void*, int) =
      ToolkitSymbol<unsigned long (*)(void*, const char*, SignalCallback, void*, void*, int)>("g_signal_connect_data");
  int (*isConnected)(void*, unsigned long) = ToolkitSymbol<int (*)(void*, unsigned long)>("g_signal_handler_is_connected");
  void (*disconnect)(void*, unsigned long) = ToolkitSymbol<void (*)(void*, unsigned long)>("g_signal_handler_disconnect");

  bool Ok() const {
    return ref && unref && widgetType && lookup && disconnectMatched && connect && isConnected && disconnect;
  }
};

const Calls& Gtk() {
  static const Calls calls;
  return calls;
}

}  // namespace

struct KeptCloseRequests::Hooks {
  std::function<void()> onClose;
  void* widget = nullptr;  // the GtkWindow, referenced
  unsigned long closeHandler = 0;

  static int Close(void*, void*, void* data) {
    auto* hooks = static_cast<Hooks*>(data);
    if (hooks->onClose) hooks->onClose();
    return 1;  // the toolkit would destroy the window otherwise
  }
};

KeptCloseRequests::KeptCloseRequests(wxWindow& topLevel, std::function<void()> onClose)
    : hooks_(std::make_unique<Hooks>()) {
  hooks_->onClose = std::move(onClose);
#ifdef __WXGTK__
  const Calls& gtk = Gtk();
  if (!gtk.Ok() || !topLevel.IsTopLevel() || topLevel.GetHandle() == nullptr) return;
  hooks_->widget = gtk.ref(topLevel.GetHandle());
  // The toolkit's frame connects its close handler with the frame as data.
  const unsigned deleteSignal = gtk.lookup("delete-event", gtk.widgetType());
  gtk.disconnectMatched(hooks_->widget, kMatchId | kMatchData, deleteSignal, 0, nullptr, nullptr, &topLevel);
  hooks_->closeHandler = gtk.connect(hooks_->widget, "delete-event", &Hooks::Close, hooks_.get(), nullptr, 0);
#else
  (void)topLevel;
#endif
}

KeptCloseRequests::~KeptCloseRequests() {
  if (hooks_->widget == nullptr) return;
  const Calls& gtk = Gtk();
  if (gtk.isConnected(hooks_->widget, hooks_->closeHandler)) gtk.disconnect(hooks_->widget, hooks_->closeHandler);
  gtk.unref(std::exchange(hooks_->widget, nullptr));
}

}  // namespace kvn
