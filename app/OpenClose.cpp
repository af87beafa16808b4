#include "app/OpenClose.h"

#include <wx/filedlg.h>

#include "document/OpenDrawingFile.h"
#include "document/ProgressMonitor.h"
#include "document/cDrawingDoc.h"
#include "platform/ui/Window.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {
AskFileNameHook g_askHook = nullptr;
}  // namespace

void SetAskDrawingFileNameHook(AskFileNameHook hook) { g_askHook = hook; }

WString AskDrawingFileName(TWindow& owner) {
  if (g_askHook) return g_askHook(owner);
  // The filter's "description|pattern|..." pairs are the toolkit's wildcard
  // syntax as they stand.
  wxFileDialog dialog(owner.GetPeer(), wxString(), wxString(), wxString(), ToWx(MakeOpenDrawingFilter()),
                      wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  if (dialog.ShowModal() != wxID_OK) return WString();
  return FromWx(dialog.GetPath());
}

std::unique_ptr<cDrawingDoc> OpenDrawingUnderMonitor(TWindow& parent, const WString& path) {
  ProgressMonitor monitor(&parent, WString(), kProgressDialogId);
  OpenRequest request;
  request.monitor = &monitor;
  return OpenDrawing(path, request).TakeDocument();
}

}  // namespace kvn
