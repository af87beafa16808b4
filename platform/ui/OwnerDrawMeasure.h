// Measuring owner-drawn combo boxes and lists so that they are as tall as
// the toolkit's own, once per control (OwnerDrawHeights::Compute and
// ::Measure of the class library's programs).
//
// Two combo boxes are made off screen in the control's font: a plain
// drop-down list (its field height and window height H) and an owner-drawn
// one (the field height F it draws with and its window height H'); the
// arithmetic is ApplyOwnerDrawMeasurement (foundation/OwnerDrawHeights.h).
#pragma once

#include <cstdint>

#include "foundation/OwnerDrawHeights.h"
#include "platform/ui/Controls.h"

class wxFont;
class wxWindow;

namespace kvn {

// Measures into `heights`: the given font, else the window's; without a
// window or a font the start heights 15, 16, 21 stay.
void ComputeOwnerDrawHeights(OwnerDrawHeights& heights, wxWindow* window, const wxFont* font);

// Measures once (while the combo height is 0), then answers WM_MEASUREITEM:
// the field height for a combo's selection field (item -1), else the item
// height.
void MeasureOwnerDrawItem(TMeasureItem& request, OwnerDrawHeights& heights, const wxFont* font, wxWindow* window);

}  // namespace kvn
