// The compact print dialog (1538): a printer name, all pages, the current
// page or a range, copies, print to file. Offered by the dialog library; the
// viewer's own print command uses cPrintDialog instead.
#pragma once

#include "controls/AutoControls.h"
#include "print/CompactPrintChoice.h"

namespace kvn {

class TMyPrintOut;

class TMyNewPrintDialog__ : public TDialogTr {
 public:
  static constexpr int kResourceId = 1538;

  TMyNewPrintDialog__(TWindow* parent, TMyPrintOut* printOut, int pageCount);

  // What confirming it prints (read after Execute returned OK).
  CompactPrintPlan Plan() const;

  int fromPage = 1, toPage = 1, copies = 1;

 protected:
  void SetupWindow() override;

 private:
  TMyPrintOut* printOut_;
  int pageCount_;
};

// Runs the dialog and, when confirmed, the print job it asks for; true
// when a job ran.
bool RunCompactPrintDialog(TWindow* parent, TMyPrintOut* printOut);

}  // namespace kvn
