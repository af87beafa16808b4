// Dialog units sized from the texts: a template is laid out in units of the
// dialog font's average character, but the toolkit's font is wider for
// some words than the template's font was, and a translation is often
// longer than the English text the template was drawn for. The base units
// found here are the smallest, not below the font's own, with which every
// template control's text fits its rectangle; the whole template is then
// laid out with them, so that it grows evenly and keeps its arrangement.
#pragma once

#include <span>

#include <wx/gdicmn.h>

class wxWindow;

namespace kvn {

struct DialogControlData;

// A template control and the toolkit window made for it.
struct DialogFitControl {
  const DialogControlData* entry = nullptr;
  wxWindow* peer = nullptr;
};

struct DialogBaseUnits {
  int x = 1;
  int y = 1;
};

// The room the peer's text needs (0 where a control shows no text of its own
// or wraps it): one-line static texts their text, check boxes and radio
// buttons their indicator and label, push buttons their label with the
// toolkit's padding, group boxes their caption inside the frame.
struct DialogTextNeed {
  int width = 0;
  int height = 0;
};
DialogTextNeed MeasureDialogText(const DialogControlData& entry, const wxWindow& peer);

// The size a check box (`check`) or radio button needs for its indicator
// and label, from its text and the toolkit's indicator measured once on a
// hidden box of the parent's; with `probe` false that measurement is not
// made, and the answer is 0 x 0 until it has been.
wxSize ToggleButtonNeed(const wxWindow& peer, bool check, bool probe);

// The base units, not below `base` and at most three times it, with which
// every control's need fits its template rectangle.
DialogBaseUnits FitDialogBaseUnits(std::span<const DialogFitControl> controls, DialogBaseUnits base);

// A top-level window that grew for its texts from `before` (its rectangle
// when it was placed) is moved so that it keeps the centre it was placed at,
// as far as its monitor's work area lets it.
void KeepCentreAfterGrowth(wxWindow& window, const wxRect& before);

}  // namespace kvn
