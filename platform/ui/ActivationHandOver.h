// The window manager's activation handed from a window about to close to
// the window that goes on, before the first one goes.
//
// A key the manager acts on itself (Alt+F4) goes to the window it holds
// active. Closed while still active, a window takes with it a close request
// the manager sent it in that instant (it reaches nothing), and until the
// manager has noticed the window gone no other window takes its keys. The
// print preview's page ended with its progress window active and the user's
// Alt+F4 was lost.
#pragma once

class wxWindow;

namespace kvn {

// When the manager holds `closing` active, asks it to activate `next` and
// waits until it has, at most a quarter of a second; a manager that has not
// answered by then (busy, or none) has the program give `next` the X
// focus itself, so that the keys that follow reach it. Every request and
// event sent before then is in the program's queue afterwards: close
// requests and keys for `closing` reach it while it is still there.
void HandActivationOver(wxWindow& closing, wxWindow& next);

}  // namespace kvn
