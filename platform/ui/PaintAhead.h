// A window painted ahead of the others. The toolkit paints each top-level
// window in a pass of its own, in the order in which they came to need it,
// after every event waiting from the display: a small window that has just
// appeared (a progress window) waits behind a large one's whole paint (a
// preview frame's first, or a drawing of ten million lines), and under the
// sanitizers such a paint takes seconds.
#pragma once

class wxWindow;

namespace kvn {

// Waits for the display to have taken every request sent so far (so that a
// window just shown is mapped and told to paint), hands the toolkit every
// event the display has sent (exposures mark what to paint; input goes to
// its handlers, as in any round of the message loop) and then paints what
// `window` and its children need painted, at once. Other windows are
// painted in the next round of the loop, as before.
void PaintAheadOfOthers(wxWindow* window);

}  // namespace kvn
