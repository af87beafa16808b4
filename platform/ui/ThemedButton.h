// The program's push-button theming, as far as GTK allows it.
//
// On Windows the program turned every plain push button of its dialogs,
// property sheets and message boxes into an owner-drawn button it painted
// itself, by replacing the buttons' window procedures. GTK draws its own
// buttons in the desktop's theme and offers no such take-over; so native
// buttons stay native (SubclassPushButtons takes none), and only the
// program's own owner-drawn buttons are painted by the program
// (PaintPushButton of ControlDraw.h, in the theme's renderer), on the face
// colour below.
#pragma once

#include "platform/gdi/GdiTypes.h"

class wxWindow;

namespace kvn {

// The theming switch: on from the start and never switched off by the viewer.
void SetPushButtonTheming(bool on);
bool PushButtonTheming();
// Called when a dialog, sheet or message box is set up and destroyed. No
// toolkit button is a Win32 "BUTTON" child that could be taken over, so none
// is taken and no record is kept.
void SubclassPushButtons(const void* owner, wxWindow* dialog);
void ForgetSubclassedButtons(const void* owner);

// Asks for a mouse-leave notification only where the visual-styles library
// is loaded (foundation/UiTheme.h): never on this platform, so false. The
// window layer sends WM_MOUSELEAVE to every window anyway.
bool TrackMouseLeave(wxWindow* window);

// The face of a painted button: the configured button-face colour (index
// 143, app/ConfiguredUiColors.h) when one fits the scheme, else the colour
// table's entry 15, else the system button face.
COLORREF ThemedButtonFaceColor();

}  // namespace kvn
