// The toolkit side of the controls (used by the window layer only): which
// wx control stands for which Win32 class and style, the owner-drawn peers,
// and reading and writing a control's text whatever its kind.
#pragma once

#include <cstdint>

#include "foundation/WString.h"
#include "platform/ui/DialogTemplate.h"

class wxBitmap;
class wxPoint;
class wxSize;
class wxString;
class wxWindow;

namespace kvn {

class TWindow;
class TDib;

// Makes the toolkit control of a Win32 class and style at a pixel rectangle
// of the parent: a WxPeer whose owner is `owner` (null for a template
// control nobody has adopted yet). `startsGroup` begins a new radio group.
// Hidden unless the style has WS_VISIBLE, disabled with WS_DISABLED.
wxWindow* CreateControlPeer(TWindow* owner, wxWindow* parent, DialogControlClass cls, int id, const WString& text,
                            std::uint32_t style, const TRect& pixels, bool startsGroup);

// The class a toolkit control made by CreateControlPeer stands for.
bool PeerIsClass(const wxWindow* peer, DialogControlClass cls);
// The peer is the owner-drawn button, combo box or list box.
bool PeerIsOwnerDrawn(const wxWindow* peer);
// Puts an owner-drawn button (no owner yet) in the place of a toolkit push
// button: same parent, id, label, rectangle, visibility, enabling and tab
// position; the old one is destroyed.
wxWindow* ReplaceWithOwnerDrawnButton(wxWindow* button);
// A click on an owner-drawn button as the user makes it (wxEVT_BUTTON).
void ClickOwnerDrawnButton(wxWindow* peer);

// A push button of the dialog layer at a pixel position and size (default
// size: what the label needs): while push-button theming is on, the themed
// owner-drawn button (ThemedButton.h), whose face shows the bitmap resource
// `glyphId` (0: the control id) where the theming rules give one; else the
// toolkit's button.
wxWindow* NewPushButtonPeer(TWindow* owner, wxWindow* parent, int id, const wxString& label, const wxPoint& pos,
                            const wxSize& size, bool isDefault, int glyphId = 0);
// The toolkit's push button or an owner-drawn one.
bool PeerIsPushButton(const wxWindow* peer);
// The theming state of a themed button peer; null for any other window.
struct ThemedPeerInfo;
ThemedPeerInfo* ThemedPeerOf(wxWindow* peer);

// WM_GETTEXT and WM_SETTEXT of any control: an edit's or combo box's
// contents, else the label with its '&' marks.
WString GetPeerText(const wxWindow* peer);
void SetPeerText(wxWindow* peer, const WString& text);

// A picture as the toolkit draws it; an empty or compressed TDib gives an
// invalid bitmap.
wxBitmap DibToBitmap(const TDib& dib);

}  // namespace kvn
