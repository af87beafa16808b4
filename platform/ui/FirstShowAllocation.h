// The first layout of a top-level window at the size it shows at.
//
// Under a window manager that reports frame extents, wxGTK realises a new
// top-level window before it shows it (to learn the frame's size first),
// leaving GTK's widget with a placeholder allocation of 2 x 1 pixels. When
// the window is then shown, GTK lays its content out once at that stale
// allocation, before the manager's configure event brings the real size:
// the frame's menu bar, whose titles need 246 pixels, was given 2 and GTK
// warned (gtk_distribute_natural_allocation: extra_space >= 0) in 38 of 38
// starts under openbox on screens of 1366 x 768 and 1920 x 1080. A plain
// wxFrame with a menu bar does the same. Given the size it shows at, the
// frame is laid out once, at that size, where it was laid out at 2 x 1,
// then at its minimum size, then at its own.
#pragma once

class wxTopLevelWindow;

namespace kvn {

// Gives the window's widget, while it has never been realised nor
// allocated, the size the toolkit is about to show it at (without the
// manager's frame) as its allocation. Does nothing afterwards, so it may
// be called before every show.
void PrimeFirstShowAllocation(wxTopLevelWindow& window);

}  // namespace kvn
