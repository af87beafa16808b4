// The program's push-button theming.
//
// On Windows the program turned every plain push button of its dialogs,
// property sheets and message boxes into an owner-drawn button it painted
// itself, by replacing the buttons' window procedures. GTK buttons cannot
// be taken over, but the dialog layer creates every button itself: where a
// plain push button is asked for while theming is on, it makes the themed
// owner-drawn button (NewPushButtonPeer, ControlPeers.h) in its place. The
// records below then do what the subclass list did: they say which buttons
// are themed, which is the default one, which the mouse is over, and which
// are drawn by their own control (suspended). ThemedButtonProc is the one
// place that answers for a themed button and paints its face: the toolkit's
// push-button face on the configured face colour, the button's glyph (the
// bitmap resource of its id, for ids 1, 2, 6, 7, 9 and 1038 in any dialog,
// for other ids only in dialogs of the program's window layer) and its text.
#pragma once

#include <cstdint>
#include <utility>

#include <wx/string.h>

#include "foundation/WString.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/ui/Window.h"

class wxWindow;

namespace kvn {

class TDib;
struct TDrawItem;

// What a themed button peer knows of itself.
struct ThemedPeerInfo {
  bool themed = false;
  bool isDefault = false;
  bool suspended = false;  // its own control draws it
  int glyphId = 0;
};

// One record per themed window: a button, or the dialog holding buttons.
struct ThemedButtonRecord {
  wxWindow* window = nullptr;
  bool isDefault = false;
  bool themed = false;  // a button (the dialog's record has it clear)
  bool hot = false;
  bool suspended = false;
  const void* owner = nullptr;
};

// The theming switch: on from the start and never switched off by the viewer.
void SetPushButtonTheming(bool on);
bool PushButtonTheming();
// Whether a push button of this style gets the themed face: a visible child
// push button with a tab stop, default or not, enabled or not, in a group
// or not (style & 0xF7FDFFFE == 0x50010000).
bool TakesThemedFace(std::uint32_t style);

// Called when a dialog, sheet or message box is set up: records every
// themed button among the dialog's children (and then the dialog itself).
void SubclassPushButtons(const void* owner, wxWindow* dialog);
// Called when it is destroyed: removes every record of that owner.
void ForgetSubclassedButtons(const void* owner);
// A themed window that goes away drops its record.
void ForgetThemedWindow(const wxWindow* window);
const ThemedButtonRecord* FindThemedRecord(const wxWindow* window);
// A button whose own control paints it (the program's bitmap buttons).
void SuspendThemedButton(wxWindow* button);

// The procedure of a themed button and of its dialog: WM_GETDLGCODE,
// BM_SETSTYLE, WM_MOUSEMOVE and WM_MOUSELEAVE of a themed button and
// WM_DRAWITEM (lParam: the TDrawItem, drawn on the button's own DC) of the
// dialog for a themed button. `handled` (when given) tells whether a
// record answered; anything else is left to the window's own handling.
TResult ThemedButtonProc(wxWindow* window, std::uint32_t message, TParam1 wParam, TParam2 lParam,
                         bool* handled = nullptr);

// A button label without its '&' marks, and the index of the mnemonic
// letter in it (-1: none); "&&" stands for one '&'.
std::pair<wxString, int> LabelAndMnemonic(const wxString& label);

// The glyph of a button id (null: none), looked up once per id for the run.
const TDib* ThemedButtonGlyph(int id, bool parentIsOurs);

// Clicks the themed button of `dialog` whose label has `key` as its
// mnemonic letter (the toolkit does this for its own buttons); false when
// none has.
bool ClickThemedButtonByMnemonic(wxWindow* dialog, int key);

// Asks for a mouse-leave notification, only where the visual-styles library
// is loaded (theme services installed, foundation/UiTheme.h): true when the
// toolkit will report the mouse leaving the window, which GTK does for every
// realized widget; false for no window, an unrealized one or no theme.
bool TrackMouseLeave(wxWindow* window);

// The face of a painted button: the configured button-face colour (index
// 143, app/ConfiguredUiColors.h) when one fits the scheme, else the colour
// table's entry 15, else the system button face.
COLORREF ThemedButtonFaceColor();

}  // namespace kvn
