// Whether a long paint should give way. The toolkit runs each paint to its
// end before it looks at the display again: a drawing of ten million lines
// repainted beneath a dialog that has just come back (its preview gone)
// held the dialog blank and deaf to its keys for seconds. Input comes
// before paint: a paint that asks this now and then and stops when told so
// lets the keys, the clicks and the other windows' paints go first, and is
// run again after them.
#pragma once

#include <vector>

class wxWindow;

namespace kvn {

// The other windows a paint has given way to since it began: a paint gives
// way to each window's paint once, so that a window that paints all the
// time (a blinking caret) cannot keep it from ending, while a window that
// appears meanwhile (a dialog opened) is still painted first.
struct PaintYieldMemo {
  // Their display windows (a window exposed on the display and told to
  // paint by the program counts once).
  std::vector<unsigned long> windows;
};

// True when the display holds a key or a button pressed and not yet handed
// to the program (in the display's queue, or held back by the toolkit) -- a
// modifier key pressed alone (Shift, Ctrl, ...) does not count --, or a part
// of the painting window uncovered (a dialog closed over it: its area is
// shown again at once), or, with `memo`, another window of the program that
// `memo` does not hold yet waits to be painted: exposed on the display,
// told to paint by the program, or with an event the toolkit holds after
// which it paints (exposed, given or losing the focus, mapped, moved) (it
// is added to `memo`). Asks the display
// without waiting and takes nothing from it.
bool PaintShouldYield(wxWindow* painting, PaintYieldMemo* memo);

}  // namespace kvn
