// What the print dialog chooses, kept apart from its controls so that the
// print-out it leads to can be built (and tested) without a display: the
// option values, their registry form (thousandths of a millimetre for the
// widths), the print-out built from them with the page selection, and the
// scale and colour texts the dialog shows.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "foundation/DRect.h"
#include "foundation/WString.h"
#include "print/PrintOut.h"
#include "print/PrinterList.h"

namespace kvn {

class cDrawing;
class cDrawingDoc;
class cMsgDlg;

// What to print (radios 5001-5005).
enum PrintWhat : int {
  kPrintAll = 0,
  kPrintCustom = 1,
  kPrintCurrent = 2,
  kPrintVisibleArea = 3,
  kPrintSelectionArea = 4,
};

// Strings of the print dialog and the print command.
inline constexpr int kStrBadPaperFormat = 2154;
inline constexpr int kStrTransparencyWarning = 18248;
inline constexpr int kStrTransparencyCaption = 1186;
// Vector pages printed as pictures (APXPrintOut::vectorPagesAsPictures).
inline constexpr int kStrPagesPrintedAsPictures = 19976;
inline constexpr int kStrPrintPreviewTitle = 16106;
inline constexpr int kStrScaleWord = 19010;

struct PrintDialogOptions {
  // Process-wide choices (they outlive one dialog).
  int what = kPrintAll;
  int collate = 0;
  int printToFile = 0;
  int output = 0;  // 0 printer, 1 PDF file, 2 e-mail
  int maxColors = 2;
  double minLineWidth = 0.125;
  int alignment = 0;
  int autoRotate = 1;
  int saveSettings = 0;
  int scalePercent = 100;
  int zoomWholePage = 0;
  int pdfMode = 0;  // 0 vector, 1 bitmap
  double pdfResolution = 600;
  int pdfResolutionEntry = 3;
  // Loaded from the registry each time the dialog is set up.
  double areaMargin = 0;
  int halfResolution = 0;
  int colorManagement = 0;
  int colorCorrection = 0;  // 0 normal, 1 only 24 bit, 2 256 colours, 3 256 compressed
  int decompose = 0;
  int printMode = 0;  // 0 bitmap, 1 vector
  // One dialog's.
  int copies = 1;
  int pageFrom = 1, pageTo = 1, tileFrom = 1, tileTo = 1;
  int printerIndex = -1;
  // The printer list's default margins while the dialog is open.
  Margins margins;

  // The values the dialog's constructor reads; "MODE_PRN_PDF_MAIL" is read
  // but the dialog always opens on the printer.
  void LoadConstructorValues();
  // The values SetupWindow reads into its controls.
  void LoadSetupValues();
  // Everything TransferFromControls writes (without the printer's own
  // configuration, which the printer list keeps).
  void Save() const;
};

// The choices of this process.
PrintDialogOptions& PrintDialogGlobals();

// What building a print-out needs besides the options.
struct PrintOutRequest {
  cDrawing* drawing = nullptr;
  std::uint16_t currentPage = 0;
  DRect viewRect;  // the drawing window's visible rectangle, drawing units
  // Message boxes go over this owner (null: none shown).
  const cMsgDlg* owner = nullptr;
  // Opens the drawing's parameters (a paper the printer lacks, answered OK).
  std::function<void()> openParameters;
};

enum class BuildOutcome { Built, EmptySelection, ChangeParameters };

// cPrintDialog::BuildPrintOut without its dialog: the print-out of the
// options, and in full mode with the page selection applied and the pages'
// range, name and paper checked. Null (and the outcome saying why) when
// nothing should print.
std::unique_ptr<APXPrintOut> BuildPrintOutFrom(const PrintDialogOptions& options, const PrintOutRequest& request,
                                               bool checkMode, BuildOutcome* outcome = nullptr);

// Drops every print page but the current page or the tile under the view's
// centre (all tiles of the current page with `wholePage`).
void KeepCurrentPageOrTile(APXPrintOut& printOut, const cDrawing& drawing, const DRect* rect,
                           std::uint16_t currentPage, bool wholePage);

// The scale lines: drawing units per printed millimetre, the printed
// percentage (empty without a drawing scale) and whether the reduction
// warning shows.
struct PrintScaleInfo {
  WString unitsPerMm;
  WString percent;
  bool reduced = false;
};
PrintScaleInfo ComputeScaleInfo(const APXPrintOut& printOut, const cDrawing& drawing, bool zoomWholePage);

// Some coloured level or page of the document would print without its
// colour, because the drawing's print-in-colour option for it is off.
bool ColouredButNotInColour(cDrawingDoc& document);

}  // namespace kvn
