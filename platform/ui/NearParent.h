// Placing secondary windows: property sheets and file dialogs open a little
// right of and below their parent's top-left corner, inside the work area
// of the monitor they land on.
#pragma once

#include "foundation/MsgBox.h"

class wxWindow;

namespace kvn {

// The offset from the parent's top-left corner, in pixels.
inline constexpr int kNearParentOffset = 150;

// Where the window's top-left corner goes: the parent's top-left plus the
// offset, then moved left and up as far as needed to keep the window inside
// the work area (left and top win when the window is larger than the area).
void ComputePlaceNearParent(const ScreenRect& parent, int width, int height, const ScreenRect& workArea, int& left,
                            int& top);

// Moves a window near its parent; nothing without a parent.
void PlaceWindowNearParent(wxWindow* window);

}  // namespace kvn
