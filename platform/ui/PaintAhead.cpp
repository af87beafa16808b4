#include "platform/ui/PaintAhead.h"

#include <wx/window.h>

#include "platform/ui/ToolkitSymbol.h"

namespace kvn {

namespace {

// Far more than a round of the loop meets: one move of the pointer over the
// screen sends a few hundred.
constexpr int kMaxEvents = 1000;

}  // namespace

void PaintAheadOfOthers(wxWindow* window) {
  if (window == nullptr || !window->IsShownOnScreen()) return;
  using DisplayDefault = void* (*)();
  using DisplaySync = void (*)(void*);
  using EventGet = void* (*)();
  using MainDoEvent = void (*)(void*);
  using EventFree = void (*)(void*);
  static const auto displayDefault = ToolkitSymbol<DisplayDefault>("gdk_display_get_default");
  static const auto displaySync = ToolkitSymbol<DisplaySync>("gdk_display_sync");
  static const auto eventGet = ToolkitSymbol<EventGet>("gdk_event_get");
  static const auto mainDoEvent = ToolkitSymbol<MainDoEvent>("gtk_main_do_event");
  static const auto eventFree = ToolkitSymbol<EventFree>("gdk_event_free");
  if (displayDefault && displaySync && eventGet && mainDoEvent && eventFree) {
    if (void* display = displayDefault()) displaySync(display);
    // What the toolkit's loop does with each event, without the paints
    // it would run after them: those wait for the loop's next round. A
    // stream of events that does not end (the pointer moved all the time)
    // is left to the loop after a bound.
    for (int taken = 0; taken < kMaxEvents; ++taken) {
      void* event = eventGet();
      if (event == nullptr) break;
      mainDoEvent(event);
      eventFree(event);
    }
  }
  // Runs the window's paint now if it has anything to paint.
  window->Update();
}

}  // namespace kvn
