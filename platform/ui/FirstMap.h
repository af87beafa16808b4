// Waiting for a top-level window to be on the screen after it was shown.
//
// Under a window manager that reports frame extents, wxGTK puts a new
// frame's show off until the manager has told it the frame's size, and the
// manager then maps the frame itself: for a while after Show() the toolkit
// holds the frame shown while the screen has no such window. A box raised
// in that time, transient for a frame the manager did not manage yet, is
// stacked as a window of its own, and openbox put the frame, mapped after
// it, above the box: each of 6 boxes of drawings opened from the command
// line (a refused folder, a reference question, a missing file, on two
// screen sizes) was hidden so, the frame showing empty and frozen by the
// box's modal loop. Raised once the frame is mapped, a box is stacked above
// its parent and focused with it.
#pragma once

#include <chrono>

namespace kvn {

class TWindow;

// While `window`'s top-level window is shown by the program but not mapped
// on the screen yet, runs the toolkit's loop, at most `limit`. Whether the
// map came; true at once for a window that is hidden, minimised or mapped.
bool WaitForFirstMap(TWindow& window, std::chrono::milliseconds limit);

}  // namespace kvn
