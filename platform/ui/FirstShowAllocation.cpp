#include "platform/ui/FirstShowAllocation.h"

#include <wx/toplevel.h>

#include "platform/ui/ToolkitSymbol.h"

namespace kvn {

namespace {

// GTK's GtkAllocation (a GdkRectangle).
struct AllocationRecord {
  int x;
  int y;
  int width;
  int height;
};

}  // namespace

void PrimeFirstShowAllocation(wxTopLevelWindow& window) {
#ifdef __WXGTK__
  const auto getRealized = ToolkitSymbol<int (*)(void*)>("gtk_widget_get_realized");
  const auto getAllocation = ToolkitSymbol<void (*)(void*, AllocationRecord*)>("gtk_widget_get_allocation");
  const auto setAllocation = ToolkitSymbol<void (*)(void*, const AllocationRecord*)>("gtk_widget_set_allocation");
  void* widget = window.GetHandle();
  if (widget == nullptr || !getRealized || !getAllocation || !setAllocation || getRealized(widget)) return;
  AllocationRecord current{};
  getAllocation(widget, &current);
  // A widget never allocated holds GTK's placeholder, 1 x 1 at (-1, -1);
  // anything else was laid out already and stays as it is. Realising the
  // window does not lay it out for any other allocation, which is what
  // wxGTK's own 2 x 1 placeholder is for, and remains so.
  if (current.width != 1 || current.height != 1) return;
  int width = 0;
  int height = 0;
  window.GTKDoGetSize(&width, &height);
  if (width <= 1 || height <= 1) return;
  const AllocationRecord primed{0, 0, width, height};
  setAllocation(widget, &primed);
#else
  (void)window;
#endif
}

}  // namespace kvn
