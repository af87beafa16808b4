#include "controls/DialogSupport.h"

#include <cmath>

#include "foundation/FileSystem.h"
#include "foundation/ProgramFolders.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/ui/BrowseForFolder.h"
#include "platform/ui/Dialog.h"

namespace kvn {

WString FolderFieldText(const WString& chosen, const WString& programDirectory) {
  const int n = programDirectory.Length();
  if (n > 0 && chosen.Length() >= n && chosen.CompareNoCaseN(programDirectory.CStr(), n) == 0) {
    return WString(chosen.CStr() + n);
  }
  return chosen;
}

WString BrowseFolderForField(TDialog& dialog, int controlId) {
  auto* field = dynamic_cast<TControl*>(dialog.GetDlgItem(controlId));
  if (field == nullptr || field->GetHandle() == nullptr) return WString();
  WString start = field->GetText();
  ResolveFromProgramDirectory(start);
  if (start.IsEmpty() || start.CStr()[start.Length() - 1] != u'/') start.AppendChar(u'/');
  WString chosen;
  if (!BrowseForFolder(dialog.GetPeer(), start, true, chosen)) return WString();
  const WString text = FolderFieldText(chosen, GetProgramDirectory());
  field->SetText(text);
  return text;
}

TSize PageSizeInDots(double widthMm, double heightMm, int dpi) {
  return TSize{std::int32_t(std::floor(widthMm * dpi / 25.4 + 0.5)),
               std::int32_t(std::floor(heightMm * dpi / 25.4 + 0.5))};
}

namespace {
void MapPage(TDC& dc, double widthMm, double heightMm, int dpi) {
  const TSize dots = PageSizeInDots(widthMm, heightMm, dpi);
  dc.SetWindowExt(dots.cx, dots.cy);
  ResetMappingOrigins(dc);
}
}  // namespace

void SetPageMapping(TDC& dc, const TRect& rect, const TRegion* clip, double widthMm, double heightMm, int dpi) {
  dc.SetMapMode(kMmAnisotropic);
  const int w = rect.right - rect.left;
  const int h = rect.bottom - rect.top;
  // The window extent first, equal to the viewport's, so that the viewport
  // extent is taken as it stands; then read back.
  dc.SetWindowExt(w, h);
  dc.SetViewportExt(w, h);
  const TSize viewport = dc.GetViewportExt();
  MapPage(dc, widthMm, heightMm, dpi);
  dc.SetViewportExt(viewport.cx, viewport.cy);
  dc.SelectClipRgn(clip);
}

void SetPageMappingNoClip(TDC& dc, double widthMm, double heightMm, int dpi) {
  const TSize viewport = dc.GetViewportExt();
  dc.SetMapMode(kMmAnisotropic);
  MapPage(dc, widthMm, heightMm, dpi);
  dc.SetViewportExt(viewport.cx, viewport.cy);
}

void ResetMappingOrigins(TDC& dc) {
  dc.SetViewportOrg(0, 0);
  dc.SetWindowOrg(0, 0);
}

void HideDialogItem(TDialog& dialog, int id) {
  if (TWindow* item = dialog.GetDlgItem(id)) {
    item->ShowWindow(kSwHide);
    item->EnableWindow(false);
  }
}

}  // namespace kvn
