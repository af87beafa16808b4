// Whether a long paint should give way. The toolkit runs each paint to its
// end before it looks at the display again: a drawing of ten million lines
// repainted beneath a dialog that has just come back (its preview gone)
// held the dialog blank and deaf to its keys for seconds. Input comes
// before paint: a paint that asks this now and then and stops when told so
// lets the keys, the clicks and the other windows' paints go first, and is
// run again after them.
#pragma once

class wxWindow;

namespace kvn {

// True when the display holds a key or a button pressed and not yet handed
// to the program (in the display's queue, or held back by the toolkit), or,
// with `toOtherPaints`, another window of the program (not the top-level
// window of `painting`) waits to be painted: exposed on the display, or told
// to paint by the program. Asks the display without waiting and takes
// nothing from it.
bool PaintShouldYield(wxWindow* painting, bool toOtherPaints);

}  // namespace kvn
