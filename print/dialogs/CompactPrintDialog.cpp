#include "print/dialogs/CompactPrintDialog.h"

#include <algorithm>

#include "print/PrintJob.h"
#include "print/PrintOut.h"
#include "print/PrinterList.h"

namespace kvn {

namespace {

constexpr int kFrom = 1152, kTo = 1153, kCopies = 1154, kPrintToFile = 1040, kCopiesOption = 1041;
constexpr int kRangeFirst = 1056, kPrinterName = 1088, kCopiesLabel = 1140;
constexpr int kCompactPrintDialogId = 1538;

TAutoInt_* IntField(TWindow* parent, int id, int* variable, int defaultValue, int high) {
  auto* field = new TAutoInt_(parent, id, variable, defaultValue);
  field->SetRange(1, std::max(high, 1), 1);
  return field;
}

}  // namespace

TMyNewPrintDialog__::TMyNewPrintDialog__(TWindow* parent, TMyPrintOut* printOut, int pageCount)
    : TDialogTr(parent, kCompactPrintDialogId), printOut_(printOut), pageCount_(std::max(pageCount, 0)) {
  CompactPrintOptions& options = CompactPrintGlobals();
  if (options.rangeChoice == 1) options.rangeChoice = 0;
  toPage = std::max(pageCount_, 1);
  IntField(this, kFrom, &fromPage, 1, pageCount_);
  IntField(this, kTo, &toPage, toPage, pageCount_);
  IntField(this, kCopies, &copies, 1, 999);
  new TAutoCheck(this, kPrintToFile, &options.printToFile, 0);
  if (pageCount_ > 1) {
    if (printOut_ && printOut_->pageNumber > 0) options.rangeChoice = 1;
    new TAutoRadio(this, kRangeFirst, 3, &options.rangeChoice, 0);
  }
  if (pageCount_ >= 2) new TAutoCheck(this, kCopiesOption, &options.copiesOption, 0);
}

void TMyNewPrintDialog__::SetupWindow() {
  TDialogTr::SetupWindow();
  PrinterInfo* printer = printOut_ ? printOut_->printer : nullptr;
  if (auto* name = dynamic_cast<TControl*>(GetDlgItem(kPrinterName))) {
    name->SetText(printer ? printer->GetDisplayName() : WString());
  }
  // What the dialog did not make stays out of sight; copies need a printer.
  auto show = [this](int id, bool visible, bool enabled) {
    if (TWindow* w = GetDlgItem(id)) {
      w->ShowWindow(visible ? kSwShow : kSwHide);
      w->EnableWindow(visible && enabled);
    }
  };
  const bool many = pageCount_ > 1;
  for (int id : {kRangeFirst, kRangeFirst + 1, kRangeFirst + 2, kFrom, kTo}) show(id, many, true);
  show(kCopiesOption, pageCount_ >= 2, printer != nullptr);
  show(kCopies, true, printer != nullptr);
  show(kCopiesLabel, true, printer != nullptr);
  show(kPrintToFile, true, printer != nullptr);
}

CompactPrintPlan TMyNewPrintDialog__::Plan() const {
  const CompactPrintOptions& options = CompactPrintGlobals();
  CompactPrintRequest request;
  request.hasPrinter = printOut_ && printOut_->printer;
  request.cancelled = printOut_ && printOut_->cancelled;
  request.rangeChoice = pageCount_ > 1 ? options.rangeChoice : 0;
  request.fromPage = fromPage;
  request.toPage = toPage;
  request.pageCount = pageCount_;
  request.currentPage = printOut_ ? printOut_->pageNumber : -1;
  request.copies = copies;
  request.copiesOption = options.copiesOption != 0;
  return PlanCompactPrint(request);
}

bool RunCompactPrintDialog(TWindow* parent, TMyPrintOut* printOut) {
  if (printOut == nullptr) return false;
  TMyNewPrintDialog__ dialog(parent, printOut, printOut->pageCount);
  if (dialog.Execute() != kIdcOk) return false;
  const CompactPrintPlan plan = dialog.Plan();
  if (!plan.print) return false;
  printOut->firstPage = plan.firstPage;
  printOut->lastPage = plan.lastPage;
  printOut->collatedSets = plan.jobRuns;
  return RunPrintJob(parent, printOut, plan.perPageCopies, CompactPrintGlobals().printToFile != 0, nullptr);
}

}  // namespace kvn
