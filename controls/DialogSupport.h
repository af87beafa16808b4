// Support routines of the dialog library: a folder picker for an edit field,
// and the set-up of a device context for drawing a page in millimetres.
#pragma once

#include "foundation/WString.h"
#include "platform/gdi/GdiTypes.h"

namespace kvn {

class TDC;
class TDialog;
class TRegion;

// The folder text a field shows for a chosen folder: relative to the
// program's folder when it lies inside it (compared without regard to case).
WString FolderFieldText(const WString& chosen, const WString& programDirectory);

// Opens the folder picker at the field's folder (a relative text is taken
// from the program's folder); on OK the field shows the chosen folder, made
// relative when it lies inside the program's folder, and that text is
// returned. Cancel or a missing control: empty, the field unchanged.
WString BrowseFolderForField(TDialog& dialog, int controlId);

// A page size in millimetres at a resolution in dots per inch: whole dots,
// rounded half up.
TSize PageSizeInDots(double widthMm, double heightMm, int dpi);

// MM_ANISOTROPIC with the rectangle's size as the viewport extent and the
// page in dots as the window extent, both origins 0; then the region (device
// pixels, may be null for none) becomes the clip.
void SetPageMapping(TDC& dc, const TRect& rect, const TRegion* clip, double widthMm, double heightMm, int dpi);
// The same, keeping the viewport extent the context has, and its clip.
void SetPageMappingNoClip(TDC& dc, double widthMm, double heightMm, int dpi);
void ResetMappingOrigins(TDC& dc);

// Hides and disables the dialog's control of that id, when it has one.
void HideDialogItem(TDialog& dialog, int id);

}  // namespace kvn
