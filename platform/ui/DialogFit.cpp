#include "platform/ui/DialogFit.h"

#include <wx/checkbox.h>
#include <wx/control.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>

#include <algorithm>

#include "platform/ui/DialogTemplate.h"
#include "platform/ui/UiHelpersWx.h"

namespace kvn {

namespace {

// A push button's text and the toolkit's padding around it (as the
// program's own drawn buttons measure it).
constexpr int kButtonPaddingX = 16;

// The text a control shows, without its mnemonic marks.
wxString ShownText(const wxWindow& peer) { return wxControl::RemoveMnemonics(peer.GetLabel()); }

// What a check box (or radio button) adds to its label: the width of the
// indicator and its spacing, and the box's height for one line. Measured
// once on a hidden box of the toolkit's own sizing.
wxSize ToggleChrome(wxWindow* parent, bool check) {
  static wxSize measured[2];
  wxSize& chrome = measured[check ? 1 : 0];
  if (chrome.x > 0 || parent == nullptr) return chrome;
  wxControl* probe = check ? static_cast<wxControl*>(new wxCheckBox(parent, wxID_ANY, "x"))
                           : static_cast<wxControl*>(new wxRadioButton(parent, wxID_ANY, "x", wxDefaultPosition,
                                                                        wxDefaultSize, wxRB_SINGLE));
  probe->Hide();
  const wxSize best = probe->GetBestSize();
  chrome = wxSize(std::max(best.x - probe->GetTextExtent("x").x, 0), best.y);
  probe->Destroy();
  return chrome;
}

}  // namespace

DialogTextNeed MeasureDialogText(const DialogControlData& entry, const wxWindow& peer) {
  DialogTextNeed need;
  switch (entry.cls) {
    case DialogControlClass::Static: {
      const std::uint32_t type = entry.style & kSsTypeMask;
      if (type == kSsEtchedHorz || type == kSsEtchedVert || !dynamic_cast<const wxStaticText*>(&peer)) break;
      // A box of several lines wraps its text at its width.
      if (entry.cy >= 16) break;
      const wxString text = (entry.style & kSsNoPrefix) ? peer.GetLabel() : ShownText(peer);
      if (text.empty()) break;
      const wxSize extent = peer.GetTextExtent(text);
      need = {extent.x, extent.y};
      break;
    }
    case DialogControlClass::Button: {
      const std::uint32_t type = entry.style & kBsTypeMask;
      const wxString text = ShownText(peer);
      if (text.empty()) break;
      const bool check = dynamic_cast<const wxCheckBox*>(&peer) != nullptr;
      if (check || dynamic_cast<const wxRadioButton*>(&peer)) {
        const wxSize size = ToggleButtonNeed(peer, check, true);
        need = {size.x, size.y};
      } else if (type == kBsGroupBox) {
        // The caption sits inside the frame, a character in from each side.
        need.width = peer.GetTextExtent(text).x + 2 * peer.GetCharWidth();
      } else if (type != kBsOwnerDraw) {
        need.width = peer.GetTextExtent(text).x + kButtonPaddingX;
      }
      break;
    }
    default: break;
  }
  return need;
}

wxSize ToggleButtonNeed(const wxWindow& peer, bool check, bool probe) {
  // The toolkit's indicator and spacing, measured on a box of its own
  // sizing (a control's best size is the size it was given).
  const wxSize chrome = ToggleChrome(probe ? const_cast<wxWindow*>(peer.GetParent()) : nullptr, check);
  if (chrome.x <= 0) return wxSize(0, 0);
  const wxSize extent = peer.GetTextExtent(ShownText(peer));
  return wxSize(extent.x + chrome.x, std::max(extent.y, chrome.y));
}

DialogBaseUnits FitDialogBaseUnits(std::span<const DialogFitControl> controls, DialogBaseUnits base) {
  DialogBaseUnits fitted = base;
  const int maxX = base.x * 3, maxY = base.y * 3;
  for (const DialogFitControl& c : controls) {
    if (c.entry == nullptr || c.peer == nullptr) continue;
    const DialogTextNeed need = MeasureDialogText(*c.entry, *c.peer);
    while (need.width > 0 && fitted.x < maxX && DialogUnitsToPixelsX(c.entry->cx, fitted.x) < need.width) ++fitted.x;
    // Heights: one-line controls only (texts, check boxes, radio buttons).
    while (need.height > 0 && fitted.y < maxY && DialogUnitsToPixelsY(c.entry->cy, fitted.y) < need.height) {
      ++fitted.y;
    }
  }
  return fitted;
}

void KeepCentreAfterGrowth(wxWindow& window, const wxRect& before) {
  // Kept on its monitor too: a window that grew past the edge of the screen
  // would otherwise show only part of itself.
  MoveWindowIntoMonitor(&window, before.x + before.width / 2, before.y + before.height / 2, false);
}

}  // namespace kvn
