// GetSystemMetrics for the few metrics the controls ask for. GTK knows no
// window-frame or border metric of its own (the window manager draws frames),
// so these answer the classic Windows values unless the toolkit gives one.
#pragma once

namespace kvn {

inline constexpr int kSmCxBorder = 5;
inline constexpr int kSmCyBorder = 6;
inline constexpr int kSmCxFrame = 32;
inline constexpr int kSmCyFrame = 33;

int GetSystemMetrics(int index);

}  // namespace kvn
