// The dialog manager's Tab order (GetNextDlgTabItem): the places that Tab
// and Shift+Tab walk in a dialog, a property sheet or any window holding
// template controls, one way the reverse of the other.
//
// The toolkit's own traversal is not used: wxWidgets walks each panel on its
// own and hands over to the parent at its ends, a notebook between pages and
// buttons breaks that hand-over, and from a radio button it jumps past what
// it takes for the end of the group. Forward Tab then stayed in one control
// of a property page and skipped half of the Print dialog, while Shift+Tab
// went elsewhere.
//
// A place is a visible, enabled control with a tab stop (the template's
// WS_TABSTOP, or the style of the object that made it; a window the toolkit
// made by itself, such as a sheet's buttons, when it takes keyboard focus),
// in creation order, which is the template's order. Panels that hold
// controls (a property page, a notebook's page holder) are walked in place;
// a notebook is a place of its own (its tab strip) followed by its current
// page. A run of radio buttons (one toolkit group) is one place: the checked
// button, else its first visible, enabled one; the arrows move inside it.
#pragma once

#include <vector>

class wxWindow;

namespace kvn {

// The places under `root`, in Tab order (for a radio group, the button Tab
// lands on).
std::vector<wxWindow*> TabPlaces(wxWindow* root);

// Gives the focus to the place after the one holding the focus (before it,
// when `backward`), wrapping at the ends; with the focus outside `root` or
// on no place, to the next place after (or before) the focused window in
// creation order, or to the first (last) place. False when `root` has no
// place.
bool MoveTabFocus(wxWindow* root, bool backward);

// The window whose places Tab walks for a dialog's window: the dialog box it
// lies in (a property page's sheet), else the window itself (a box in a
// tool bar).
wxWindow* TabRoot(wxWindow* dialogWindow);

}  // namespace kvn
