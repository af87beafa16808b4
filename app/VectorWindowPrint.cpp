// The print command of the drawing window (19516): the print dialog, then
// the print job with the copies, collation and print-to-file it chose, and
// the warning about semi-transparent elements after a job that went through.
#include <optional>

#include "app/ParametersSheet.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "print/PrintJob.h"
#include "print/dialogs/PrintDialog.h"
#include "print/dialogs/PrintPreview.h"

namespace kvn {

namespace {

constexpr int kPreviewIconId = 15058;

TWindow* FrameOfWindow(TWindow* window) {
  if (auto* view = dynamic_cast<cVectorView*>(window->GetParentO()); view && view->GetFrame()) return view->GetFrame();
  TWindow* top = window;
  while (top->GetParentO()) top = top->GetParentO();
  return top;
}

}  // namespace

void cVectorWindow::CmPrint() {
  cDrawing* drawing = GetSheetData();
  if (drawing == nullptr) return;
  TWindow* frame = FrameOfWindow(this);

  const TRect client = GetClientRect();
  const DPoint a = mapping_.DeviceToWorld(DevicePoint{client.left, client.top});
  const DPoint b = mapping_.DeviceToWorld(DevicePoint{client.right, client.bottom});
  DRect view{a.x, a.y, b.x, b.y};
  view.Normalize();
  const std::uint16_t page = drawing->PageCount() > 0 ? GetBlockIndex() : 0;

  bool openParameters = false;
  std::optional<ProposedFormat> proposed;
  cPrintDialog dialog(frame, *drawing, page, view);
  dialog.openParameters = [&openParameters, &proposed](const APXPrintOut* printOut) {
    openParameters = true;
    if (printOut) {
      const auto& record = printOut->Record();
      proposed = ProposedFormat{{record.paperWidth, record.paperHeight},
                                {record.printableWidth, record.printableHeight}};
    }
  };
  // The preview lies over the main frame and shows the document's name.
  dialog.runPreview = [&dialog, frame, drawing](APXPrintOut& printOut, const WString& title, int startPage) {
    const TRect rect = frame->GetWindowRect();
    const WString name = drawing->Document() ? drawing->Document()->GetTitleName() : WString();
    return RunPrintPreview(nullptr, &dialog, &printOut, title, kPreviewIconId, startPage, name, true, &rect);
  };
  if (dialog.Execute() == kIdcOk && dialog.PrintOut() != nullptr) {
    APXPrintOut& printOut = *dialog.PrintOut();
    const PrintDialogOptions& options = dialog.Options();
    int perPageCopies = options.copies;
    if (options.collate) {
      printOut.collatedSets = options.copies;
      perPageCopies = 1;
    } else {
      printOut.collatedSets = 1;
    }
    cMsgDlg* owner = frame;
    if (RunPrintJob(owner, &printOut, perPageCopies, options.printToFile != 0, nullptr) && owner) {
      if (printOut.transparencyWarning) {
        owner->MessageBoxStr(LoadLangString(kStrTransparencyCaption), kMbOk | kMbIconWarning,
                             LoadLangString(kStrTransparencyWarning));
      }
      if (printOut.vectorPagesAsPictures > 0) {
        owner->MessageBoxStr(LoadLangString(kStrTransparencyCaption), kMbOk | kMbIconWarning,
                             LoadLangString(kStrPagesPrintedAsPictures));
      }
    }
  }
  // The parameters open once the dialog is gone: over the main frame, not
  // over a closing dialog.
  if (openParameters && document_) {
    RunParametersSheet(frame, this, document_, GetSheetIndex(), proposed ? &*proposed : nullptr);
  }
}

}  // namespace kvn
