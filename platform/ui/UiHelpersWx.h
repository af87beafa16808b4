// The user-interface helpers over wxWidgets: the busy cursor, monitors and
// system colours behind the core library's interfaces (WaitCursor.h,
// WindowPlacement.h, UiColors.h), and the window operations that need a
// toolkit window. Windows are wxWindow / wxTopLevelWindow until the window
// classes of the program wrap them.
#pragma once

#include "foundation/WString.h"

class wxWindow;
class wxTopLevelWindow;

namespace kvn {

// Installs the wx cursor backend, monitor source and system-colour provider;
// call once the toolkit is initialised. Uninstall before it shuts down.
void InstallUiHelpersWx();
void UninstallUiHelpersWx();

// Brings a shown window (restored when iconised) or its last shown popup to
// the front and, with the flag, focuses it. A hidden window stays hidden.
void BringWindowToFront(wxWindow* window, bool setFocus);
// When no window has the focus: the first child that takes keyboard focus gets it.
void FocusFirstTabItem(wxWindow* window);
// The window's text (an edit control's value, else its label), cleaned with
// the flag (CleanWindowText).
WString GetWindowTextString(wxWindow* window, bool clean);
// The same for a dialog control, always cleaned; empty when the control does not exist.
WString GetDialogItemText(wxWindow* dialog, int controlId);
// Hides a tool tip the toolkit still shows for a window that has gone:
// GTK keeps a visible tip up when its window is hidden or destroyed under
// it (a modal chooser closed while the mouse rests on a tip), until the
// mouse moves again. The tip is asked for afresh at the mouse's place.
void HideStaleTooltip();
// Moves the window into the work area of the monitor of the point
// (ComputeMoveIntoMonitor); nothing without a monitor.
void MoveWindowIntoMonitor(wxWindow* window, int x, int y, bool topLeft);

// "W" / "W2" of the frame under <key path>\<value name>.
void SaveWindowPlacement(wxTopLevelWindow* frame, const WString& valueName, const WString& keyPath);
// Applies a saved placement to the frame (size, position, maximised);
// false when none applies and the frame keeps its placement.
bool RestoreWindowPlacement(wxTopLevelWindow* frame, const WString& valueName, const WString& keyPath,
                            int minWidth, int minHeight);

}  // namespace kvn
