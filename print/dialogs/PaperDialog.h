// "Paper size" (dialog 2150): a printer and one of its papers, with the
// paper's size, printable area and margins on that printer.
#pragma once

#include "controls/AutoControls.h"
#include "foundation/DPoint.h"
#include "print/PaperTable.h"
#include "print/dialogs/PrinterControls.h"

namespace kvn {

class TDialogPaper : public TDialogTr {
 public:
  static constexpr int kResourceId = 2150;
  // paperId in and out; size and average margins ((l + r) / 2, (t + b) / 2) out.
  TDialogPaper(TWindow* parent, int resourceId, int* paperId, PaperSizeMm* size, DPoint* averageMargins);
  ~TDialogPaper() override;

  PrinterComboClass* printers;
  TListBox* papers;
  TMyStaticText* formatText;
  TMyStaticText* sizeText;
  TMyStaticText* printableText;
  TMyStaticText* marginTexts[4];

  int printerIndex = -1;
  int openingIndex = -1;
  // What the dialog shows; written to the caller's variables on OK.
  int paperId = 0;
  PaperSizeMm size;
  DPoint averageMargins;

  void FillPapers();
  void ShowPaperInfo();

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void SetupWindow() override;
  bool CanClose() override;

 private:
  void EvPaperSelChange() { ShowPaperInfo(); }
  PrinterInfo* Printer() const { return GetPrinterList().At(printerIndex); }

  int* paperId_;
  PaperSizeMm* size_;
  DPoint* margins_;
};

}  // namespace kvn
