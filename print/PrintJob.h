// The print job: one print-out sent to its printer (or into a ".prn" file)
// from start to end, with copies and collated sets, progress and cancel,
// and the spooler's failures reported in a message box.
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

class DialogFolder;
class ProgressMonitor;
class TDC;
class TMyPrintOut;
class cMsgDlg;

// String resources of the job.
inline constexpr int kStrPrintToFile = 1122;
inline constexpr int kStrPrinting = 2149;
inline constexpr int kStrSpoolOutOfMemory = 2136;
inline constexpr int kStrSpoolOutOfDisk = 2138;
inline constexpr int kStrPrintingCanceled = 2140;
inline constexpr int kStrPrintingAborted = 2142;
inline constexpr int kStrPrintError = 2144;
inline constexpr int kStrBatchNoPrintToFile = 2146;
inline constexpr int kStrSelectedPagesEmpty = 18246;

// Where "print to file" asks for the output file. The shell installs the
// save dialog (print/dialogs/PrintFileDialog.cpp); without one print to
// file is refused silently.
class PrintFileChooser {
 public:
  virtual ~PrintFileChooser() = default;
  // Asks over the monitor's dialog (made now) for the file. `filter` is in
  // the '|' form, `proposedName` the safe document name. False when no
  // dialog can be had or the user does not confirm.
  virtual bool ChooseFile(ProgressMonitor& monitor, const WString& filter, DialogFolder& folder,
                          const WString& proposedName, const WString& title, WString& chosen) = 0;
};
// Not owned; null removes it. Returns the previous one.
PrintFileChooser* SetPrintFileChooser(PrintFileChooser* chooser);

// Runs the job. `perPageCopies` (its low 16 bits, signed; below 1 acts as
// 1) repeats each page; the print-out's collated sets repeat the range. With
// an outer monitor (batch printing) no monitor of its own is made and print
// to file is refused. True when the document was ended successfully.
bool RunPrintJob(cMsgDlg* parent, TMyPrintOut* printOut, int perPageCopies, bool printToFile,
                 ProgressMonitor* outerMonitor);

// The spooler's abort procedure, installed on the job's printer context and
// so reached while a page is drawn: pumps the current job's monitor and goes
// on for code 0 and "out of disk space" unless the monitor was cancelled.
bool PrintAbortProc(TDC* dc, int code);

// The monitor of the job that is running (null between jobs).
ProgressMonitor* CurrentPrintMonitor();

}  // namespace kvn
