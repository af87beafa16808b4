// The export command of the drawing window (15620): the export settings,
// the save chooser with the export options, then the export driver.
#include <memory>

#include "app/ParametersSheet.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "document/cDrawingDoc.h"
#include "foundation/DialogFolder.h"
#include "foundation/LangTable.h"
#include "print/dialogs/ExportDialog.h"
#include "print/export/ExportDrawing.h"

namespace kvn {

namespace {

// The frame the window's view lives in; the window's top ancestor otherwise.
TWindow* FrameOf(TWindow* window) {
  if (auto* view = dynamic_cast<cVectorView*>(window->GetParentO()); view && view->GetFrame()) return view->GetFrame();
  TWindow* top = window;
  while (top->GetParentO()) top = top->GetParentO();
  return top;
}

}  // namespace

void cVectorWindow::CmExport() {
  if (document_ == nullptr) return;
  ExportSettings settings = ExportSettings::Load();

  int across = 1, down = 1;
  if (cDrawing* drawing = GetSheetData()) drawing->GetTileCounts(across, down);
  const ExportExtentMode mode = ExtentModeOf(document_->GetPageEntryCount(), std::int64_t(across) * down);
  ExportExtentChoices& choices = ExportExtentChoices::OfThisRun();

  TWindow* frame = FrameOf(this);
  FileDialogData data(kExportDialogFlags, LoadLangString(kStrExportFilters));
  data.defaultExtension = WString(u"emf");
  DialogFolder folder(WString(kExportDialogFolder), DialogFolder::kDocuments);
  int result = 0;
  std::uint32_t filterIndex = 0;
  WString fileName;
  {
    TExportDialog dialog(document_, &folder, document_->GetTitleName(), frame, data,
                         LoadLangString(kStrExportCaption), settings, mode, choices);
    result = dialog.Execute();
    filterIndex = data.filterIndex;
    if (result == 1 && !data.chosenFiles.empty()) fileName = data.chosenFiles.front();
  }
  if (result != 1 || fileName.IsEmpty()) return;
  // The settings are kept at once, whatever the export then does.
  settings.Save();
  const int type = ExportTypeOfFilter(filterIndex);
  if (type == 0) return;

  // The client rectangle in drawing units.
  const TRect client = GetClientRect();
  const DPoint a = mapping_.DeviceToWorld(DevicePoint{client.left, client.top});
  const DPoint b = mapping_.DeviceToWorld(DevicePoint{client.right, client.bottom});
  DRect view{a.x, a.y, b.x, b.y};
  view.Normalize();

  const int extent = choices.Extent(mode);
  ExportOptions options;
  options.exportType = type;
  options.wholePage = extent == 1;
  options.pageEntry = extent == 2 ? kAllPageEntries : GetPageNumber();
  options.resolution = settings.resolution;
  options.colorMode = settings.colorMode;
  options.smoothing = settings.smoothing != 0;
  options.vectorMode = settings.vectorBitmapMode == 0;

  ExportShell shell;
  shell.owner = frame;
  cDrawingDoc* document = document_;
  shell.openParameters = [this, frame, document](std::uint32_t sheetIndex, std::uint32_t) {
    RunParametersSheet(frame, this, document, sheetIndex);
  };
  ExportDrawing(*document_, view, fileName, options, shell);
}

}  // namespace kvn
