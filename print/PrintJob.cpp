#include "print/PrintJob.h"

#include <algorithm>
#include <memory>
#include <string>

#include "document/ProgressMonitor.h"
#include "foundation/DialogFolder.h"
#include "foundation/FileSystem.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/PathNames.h"
#include "foundation/ProgramFolders.h"
#include "foundation/TextFormat.h"
#include "model/ColorHls.h"
#include "platform/print/PrintDC.h"
#include "print/PrintOut.h"
#include "print/PrinterList.h"

namespace kvn {

namespace {

PrintFileChooser*& Chooser() {
  static PrintFileChooser* chooser = nullptr;
  return chooser;
}

ProgressMonitor*& CurrentMonitor() {
  static ProgressMonitor* monitor = nullptr;
  return monitor;
}

// Bit of every negative spooler code, which the report looks for.
constexpr int kSpoolerErrorBit = 0x4000;
constexpr int kSafeNameLength = 64;

// The folder of the print-to-file dialog, made once for the process.
DialogFolder& PrintFileFolder() {
  static DialogFolder folder(WString(u"CHD_PRN_PRINT"), DialogFolder::kDocuments);
  return folder;
}

int MessageFor(int code) {
  switch (code) {
    case kSpOutOfMemory: return kStrSpoolOutOfMemory;
    case kSpOutOfDisk: return kStrSpoolOutOfDisk;
    case kSpUserAbort: return kStrPrintingAborted;
    case kSpAppAbort: return kStrPrintingCanceled;
    default: return kStrPrintError;
  }
}

bool StepMonitor(ProgressMonitor* monitor, int percent, bool show, const WString* text = nullptr) {
  if (!monitor) return true;
  const std::uint32_t value = percent < 0 ? kProgressNoValue : std::uint32_t(percent);
  return monitor->Step(value, show, text, nullptr, false);
}

// Clears the current-monitor pointer however the job ends.
struct CurrentMonitorScope {
  ~CurrentMonitorScope() { CurrentMonitor() = nullptr; }
};

}  // namespace

PrintFileChooser* SetPrintFileChooser(PrintFileChooser* chooser) {
  PrintFileChooser* previous = Chooser();
  Chooser() = chooser;
  return previous;
}

ProgressMonitor* CurrentPrintMonitor() { return CurrentMonitor(); }

bool PrintAbortProc(TDC*, int code) {
  // The page being drawn stops as soon as a cancel in the progress window
  // is confirmed, not only at the job's next step between pages.
  bool going = true;
  if (ProgressMonitor* monitor = CurrentMonitor()) going = StepMonitor(monitor, -1, false);
  return going && (code == 0 || code == kSpOutOfDisk);
}

bool RunPrintJob(cMsgDlg* parent, TMyPrintOut* printOut, int perPageCopies, bool printToFile,
                 ProgressMonitor* outerMonitor) {
  const WString savedFolder = GetCurrentDirectoryPath();
  CurrentMonitor() = nullptr;
  CurrentMonitorScope monitorScope;
  int result = kSpError, detail = 0;
  std::string systemText;
  WString outputFile;
  std::unique_ptr<ProgressMonitor> ownMonitor;
  ProgressMonitor* monitor = outerMonitor;

  [&] {
    if (!printOut || !printOut->printer || !printOut->record) return;
    MyPrinterDataStruct__& record = *printOut->record;
    if (!record.devmodeCopy) {
      detail = 2;
      return;
    }
    // A range that starts past the last page has nothing to print: refuse it
    // before the server sees a job.
    if (printOut->firstPage > printOut->pageCount || printOut->lastPage < printOut->firstPage ||
        printOut->firstPage < 1) {
      result = 0;
      if (const cMsgDlg* owner = outerMonitor ? outerMonitor->GetMessageParent() : parent)
        ShowMessageBox(owner, LoadLangString(kStrSelectedPagesEmpty), nullptr, kMbOk | kMbIconError);
      return;
    }
    PrinterSettings settings = *record.devmodeCopy;

    if (!outerMonitor) {
      if (!parent) {
        result = 0;
        return;
      }
      WString title = LoadLangString(kStrPrinting);
      title.AppendCStr(u" - ").Append(printOut->printer->GetDisplayName());
      ownMonitor = std::make_unique<ProgressMonitor>(parent, title, kProgressDialogId);
      monitor = ownMonitor.get();
    }

    if (printToFile) {
      result = 0;
      if (outerMonitor) {
        ShowMessageBox(outerMonitor->GetMessageParent(), LoadLangString(kStrBatchNoPrintToFile), nullptr,
                       kMbOk | kMbIconError);
        return;
      }
      const WString filter = FormatPercentS(WString(u"%s (*.prn)|*.prn"), LoadLangString(kStrPrintToFile));
      MakeSafeFileName(printOut->documentName, kSafeNameLength, false);
      PrintFileChooser* chooser = Chooser();
      WString chosen;
      if (!chooser || !chooser->ChooseFile(*monitor, filter, PrintFileFolder(), printOut->documentName,
                                           LoadLangString(kStrPrintToFile), chosen) ||
          chosen.IsEmpty()) {
        return;
      }
      outputFile = chosen;
      result = kSpError;
    }
    CurrentMonitor() = monitor;

    // Copies: the driver makes them when its set-up has the copies field.
    int copies = std::max<int>(1, std::int16_t(perPageCopies & 0xFFFF));
    int driverStep = 1;
    if (settings.fields & kDmCopies) {
      if (printOut->collatedSets > 1) {
        settings.collate = 1;
        copies = printOut->collatedSets;
        printOut->collatedSets = 1;
      } else {
        settings.collate = 0;
      }
      settings.copies = std::int16_t(std::min(copies, 0x7FFF));
      driverStep = copies;
    }

    const int first = printOut->firstPage, last = printOut->lastPage;
    int counted = 0;
    for (int page = first; page <= last; ++page) {
      const bool stepped = ownMonitor ? StepMonitor(monitor, MulDiv(page - first, 100, last - first + 1), true)
                                      : StepMonitor(monitor, -1, false);
      if (!stepped) {
        // A cancel confirmed in the window's first round of messages, before
        // any page, is told like one during a page: the user asked for it
        // and must learn that nothing was printed.
        result = kSpAppAbort;
        return;
      }
      if (printOut->HasPage(page)) ++counted;
    }
    const int sets = std::max(printOut->collatedSets, 1);
    const int total = sets * counted;

    PrintPageSetup setup{record.paperWidth,      record.paperHeight,      record.resolutionX,     record.resolutionY,
                         record.printableWidth,  record.printableHeight,  record.printableOffsetX,
                         record.printableOffsetY};
    auto dc = std::make_unique<TPrintDC_>(printOut->printer->QueueName(), settings, setup);
    if (!dc->Valid()) {
      detail = 3;
      systemText = "the page surface cannot be made";
      return;
    }
    dc->SetAbortProc(PrintAbortProc);
    result = dc->StartDoc(printOut->documentName, outputFile);
    if (result <= 0) {
      systemText = dc->SystemText();
      return;
    }

    int printed = 0;
    auto abortDoc = [&] {
      if (systemText.empty()) systemText = dc->SystemText();
      dc->AbortDoc();
    };
    for (int set = 0; set < sets; ++set) {
      bool anyPrinted = false;
      for (int page = first; page <= last; ++page) {
        if (!printOut->HasPage(page) || copies < 1) continue;
        anyPrinted = true;
        int remaining = copies;
        do {
          if ((result = dc->StartPage()) <= 0) return abortDoc();
          if (!StepMonitor(monitor, MulDiv(printed, 100, std::max(total, 1)), true, &printOut->documentName)) {
            result = kSpAppAbort;
            return abortDoc();
          }
          dc->SetMapMode(kMmAnisotropic);
          dc->SetWindowExt(1, 1);
          dc->SetViewportExt(1, 1);
          const bool painted = printOut->PrintPage(dc.get(), page, false, nullptr, monitor, printed, total, false,
                                                   false, 0);
          ++printed;
          // A page the abort procedure stopped is abandoned even when the
          // stop came after its last drawing.
          if (!painted || dc->Aborted()) {
            // A page that failed is an error; one the user stopped, a cancel.
            result = !printOut->pageFailed ? kSpAppAbort : printOut->pageOutOfMemory ? kSpOutOfMemory : kSpError;
            return abortDoc();
          }
          if (!StepMonitor(monitor, -1, false)) {
            result = kSpAppAbort;
            return abortDoc();
          }
          dc->RestoreObjects();
          if ((result = dc->EndPage()) <= 0) return abortDoc();
          remaining -= driverStep;
        } while (remaining > 0);
      }
      if (!anyPrinted) {
        // A set without content still comes out as one sheet.
        if ((result = dc->StartPage()) <= 0) return abortDoc();
        dc->RestoreObjects();
        if ((result = dc->EndPage()) <= 0) return abortDoc();
      }
    }
    result = dc->EndDoc();
    if (result <= 0) systemText = dc->SystemText();
  }();

  CurrentMonitor() = nullptr;
  if (!savedFolder.IsEmpty()) SetCurrentDirectoryLong(savedFolder);
  if (result > 0) return true;
  if (result & kSpoolerErrorBit) {
    WString text = LoadLangString(MessageFor(result));
    if (detail) text.AppendCStr(u" (#").Append(WString::FromUtf8(std::to_string(detail))).AppendCStr(u")");
    if (!systemText.empty()) text.AppendCStr(u" - ").Append(WString::FromUtf8(systemText));
    const cMsgDlg* owner = monitor ? monitor->GetMessageParent() : parent;
    if (owner) ShowMessageBox(owner, text, nullptr, kMbOk | kMbIconError);
    // A file that was never made is no part to delete.
    if (!outputFile.IsEmpty() && PathExists(outputFile)) DeleteFileReport(outputFile, parent);
  }
  return false;
}

}  // namespace kvn
