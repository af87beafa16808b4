#include "platform/ui/OwnerDrawMeasure.h"

#include <wx/choice.h>
#include <wx/font.h>
#include <wx/odcombo.h>
#include <wx/window.h>

namespace kvn {

namespace {

// Off screen, as the measuring combos of Win32 programs are made.
const wxPoint kMeasurePlace(-1000, -1000);

}  // namespace

void ComputeOwnerDrawHeights(OwnerDrawHeights& heights, wxWindow* window, const wxFont* font) {
  SetOwnerDrawStartHeights(heights);
  if (!window) return;
  const wxFont chosen = font && font->IsOk() ? *font : window->GetFont();
  if (!chosen.IsOk()) return;

  OwnerDrawMeasurement m;
  {
    auto* plain = new wxChoice;
    plain->Hide();
    plain->Create(window, wxID_ANY, kMeasurePlace, wxDefaultSize);
    plain->SetFont(chosen);
    // The selection field holds one line of text in the font.
    m.plainFieldHeight = plain->GetCharHeight();
    m.plainHeight = plain->GetBestSize().y;
    plain->Destroy();
  }
  {
    // Win32 asks an owner-drawn combo for its field height in WM_MEASUREITEM;
    // the toolkit's owner-drawn combo draws its field one text line high in
    // its font, which stands for that request.
    auto* ownerDrawn = new wxOwnerDrawnComboBox;
    ownerDrawn->Hide();
    ownerDrawn->Create(window, wxID_ANY, wxEmptyString, kMeasurePlace, wxDefaultSize, 0, nullptr, wxCB_READONLY);
    ownerDrawn->SetFont(chosen);
    m.askedFieldHeight = ownerDrawn->GetCharHeight();
    m.ownerDrawnHeight = ownerDrawn->GetBestSize().y;
    ownerDrawn->Destroy();
  }
  ApplyOwnerDrawMeasurement(heights, m);
}

void MeasureOwnerDrawItem(TMeasureItem& request, OwnerDrawHeights& heights, const wxFont* font, wxWindow* window) {
  if (heights.comboHeight == 0) ComputeOwnerDrawHeights(heights, window, font);
  request.itemHeight =
      OwnerDrawItemHeight(heights, request.ctlType == kOdtComboBox, std::uint32_t(request.itemId));
}

}  // namespace kvn
