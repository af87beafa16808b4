#include "print/PrintOptions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/Registry.h"
#include "foundation/TextFormat.h"
#include "model/LevelTable.h"
#include "model/cDrawingData.h"
#include "print/PaperTable.h"
#include "print/PrinterList.h"
#include "print/TileAtPoint.h"
#include "print/PrintJob.h"

namespace kvn {

namespace {

const WString kMinWidth(u"PRINT_MIN_WI");
const WString kSaveSettings(u"PRINT_SAVE_SET_1110");
const WString kAlignment(u"PRINT_CENTER_1110");
const WString kAutoRotate(u"PRINT_AUTOROT_1110");
const WString kOutput(u"MODE_PRN_PDF_MAIL");
const WString kPdfMode(u"PRINT_PDF_BMP");
const WString kAreaMargin(u"PRINT_SEL_MAR");
const WString kHalfResolution(u"PRINT_HALF_RES");
const WString kColorManagement(u"PRINT_ICM");
const WString kColorCorrection(u"PRINT_DISCOM_1205");
const WString kDecompose(u"PRINT_UNGROUP_1111");
const WString kPrintMode(u"PRINT_PRN_MODE_1111");

constexpr int kMaxNameLength = 128;

std::uint32_t Thousandths(double mm) { return std::uint32_t(std::int32_t(std::floor(mm * 1000.0 + 0.5))); }

double PositiveOrOne(double value) { return value > 0 ? value : 1.0; }

WString Utf16(const char* text) { return WString::FromUtf8(text); }

// The paper's name for the "bad paper" question: the paper table's, else
// its id in brackets.
WString PaperNameOf(int id) {
  for (const PaperTableEntry& entry : PaperTable()) {
    if (entry.id == id) return entry.name;
  }
  for (const BuiltInPaper& paper : BuiltInPapers()) {
    if (paper.id == id) return paper.name;
  }
  char text[32];
  std::snprintf(text, sizeof text, " [%d]", id);
  return Utf16(text);
}

}  // namespace

void PrintDialogOptions::LoadConstructorValues() {
  RegReadKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
  minLineWidth = std::int32_t(key.GetDword(kMinWidth, 125)) / 1000.0;
  if (!(minLineWidth > 0.0)) minLineWidth = 0.125;
  saveSettings = int(key.GetDword(kSaveSettings, 0));
  alignment = int(key.GetDword(kAlignment, 0));
  autoRotate = int(key.GetDword(kAutoRotate, 1));
  // The PDF and e-mail outputs are not offered: the stored choice is kept
  // for the next save but the dialog opens on the printer.
  (void)key.GetDword(kOutput, 0);
  output = 0;
  pdfMode = int(key.GetDword(kPdfMode, 0));
}

void PrintDialogOptions::LoadSetupValues() {
  RegReadKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
  areaMargin = std::int32_t(key.GetDword(kAreaMargin, 0)) / 1000.0;
  halfResolution = int(key.GetDword(kHalfResolution, 0));
  colorManagement = int(key.GetDword(kColorManagement, 0));
  colorCorrection = std::clamp(int(key.GetDword(kColorCorrection, 0)), 0, 3);
  decompose = int(key.GetDword(kDecompose, 0));
  printMode = int(key.GetDword(kPrintMode, 0));
}

void PrintDialogOptions::Save() const {
  RegWriteKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
  key.SetDword(kOutput, std::uint32_t(output));
  key.SetDword(kMinWidth, Thousandths(minLineWidth));
  key.SetDword(kAreaMargin, Thousandths(areaMargin));
  key.SetDword(kHalfResolution, std::uint32_t(halfResolution));
  key.SetDword(kColorManagement, std::uint32_t(colorManagement));
  key.SetDword(kColorCorrection, std::uint32_t(colorCorrection));
  key.SetDword(kDecompose, std::uint32_t(decompose));
  key.SetDword(kSaveSettings, std::uint32_t(saveSettings));
  key.SetDword(kPrintMode, std::uint32_t(printMode));
  key.SetDword(kAlignment, std::uint32_t(alignment));
  key.SetDword(kAutoRotate, std::uint32_t(autoRotate));
  key.SetDword(kPdfMode, std::uint32_t(pdfMode));
}

PrintDialogOptions& PrintDialogGlobals() {
  static PrintDialogOptions options;
  return options;
}

void KeepCurrentPageOrTile(APXPrintOut& printOut, const cDrawing& drawing, const DRect* rect,
                           std::uint16_t currentPage, bool wholePage) {
  int across = 1, down = 1;
  drawing.GetTileCounts(across, down);
  const int tiles = std::max(across, 1) * std::max(down, 1);
  double tileWidth = 0, tileHeight = 0;
  drawing.GetPrintableSize(tileWidth, tileHeight);
  const int count = printOut.pageCount;
  if (tiles < 2 || !(tileWidth > 0 && tileHeight > 0)) {
    for (int i = 0; i < count; ++i) {
      if (i != currentPage) printOut.DropPage(i + 1);
    }
    return;
  }
  int column = 0, row = 0;
  const bool found = TileAtPoint(column, row, drawing, rect);
  const int kept = currentPage * tiles + (found ? row * across + column : 0);
  for (int i = 0; i < count; ++i) {
    const bool samePage = i / tiles == currentPage;
    if (!samePage || (!wholePage && i != kept)) printOut.DropPage(i + 1);
  }
}

std::unique_ptr<APXPrintOut> BuildPrintOutFrom(const PrintDialogOptions& options, const PrintOutRequest& request,
                                               bool checkMode, BuildOutcome* outcome) {
  if (outcome) *outcome = BuildOutcome::Built;
  cDrawing& drawing = *request.drawing;
  const double dataScale = drawing.Data() ? drawing.Data()->Scale() : 1.0;

  PrintOutOptions out;
  out.currentPage = request.currentPage;
  out.printScale = options.zoomWholePage || dataScale == 0 ? 0.0 : options.scalePercent / 100.0;
  if (options.what == kPrintVisibleArea) out.printArea = request.viewRect;
  out.autoRotate = std::uint8_t(options.autoRotate != 0);
  const Margins& margins = options.margins;
  out.margins[0] = margins.left;
  out.margins[1] = margins.top;
  out.margins[2] = margins.right;
  out.margins[3] = margins.bottom;
  out.minLineWidthMm = options.minLineWidth;
  out.areaMargin = options.areaMargin;

  PrintQuality& quality = PrintQualityGlobals();
  const bool changedBefore = quality.settingsChanged;
  int colorCorrection = 0;
  if (options.output != 0) {
    out.pdfVector = std::uint8_t(options.pdfMode == 0);
  } else {
    PrinterChoice& chosen = GetChosenPrinter();
    if (options.printerIndex >= 0 && chosen.index != options.printerIndex) {
      chosen.index = options.printerIndex;
      quality.settingsChanged = true;
    }
    out.printer = chosen.GetPrinter();
    colorCorrection = options.colorCorrection;
    out.noCompression = std::uint8_t(colorCorrection != 3);
    out.only24Bit = std::uint8_t(colorCorrection == 1);
  }
  out.colorMode = options.maxColors;
  if (out.colorMode == 2 && (colorCorrection == 2 || colorCorrection == 3)) out.colorMode = 4;
  out.halfResolution = std::uint8_t(options.halfResolution != 0);
  out.colorManagement = std::uint8_t(options.colorManagement != 0);
  out.vectorMode = std::uint8_t(options.printMode == 1);
  out.decompose = std::uint8_t(options.decompose != 0);

  auto printOut = std::make_unique<APXPrintOut>(drawing, out);
  if (checkMode) {
    quality.settingsChanged = changedBefore;
    return printOut;
  }

  // The page selection.
  int across = 1, down = 1;
  drawing.GetTileCounts(across, down);
  const int tiles = std::max(across, 1) * std::max(down, 1);
  const int count = printOut->pageCount;
  if (options.what == kPrintCustom && !printOut->HasPrintArea()) {
    const int pageTo = std::max(options.pageTo, options.pageFrom);
    const int tileTo = std::max(options.tileTo, options.tileFrom);
    for (int i = 0; i < count; ++i) {
      const int page = i / tiles + 1, tile = i % tiles + 1;
      if (page < options.pageFrom || page > pageTo || tile < options.tileFrom || tile > tileTo) {
        printOut->DropPage(i + 1);
      }
    }
  } else if (options.what == kPrintCurrent && !printOut->HasPrintArea()) {
    KeepCurrentPageOrTile(*printOut, drawing, &request.viewRect, request.currentPage, false);
  }

  int first = 1;
  while (first <= count && printOut->PageState(first) == 0) ++first;
  int last = count;
  while (last >= first && printOut->PageState(last) == 0) --last;
  if (first > count) last = count;
  printOut->firstPage = first;
  printOut->lastPage = last;

  if (first == last && drawing.PageCount() > 0) {
    const auto place = printOut->PlaceOfPage(first);
    if (const PageRecord* page = drawing.GetPage(place.drawingPage)) {
      printOut->documentName.AppendCStr(u" - ").Append(page->name);
      if (printOut->documentName.Length() > kMaxNameLength) {
        printOut->documentName = printOut->documentName.Mid(0, kMaxNameLength);
      }
    }
  }

  if (last < first) {
    if (request.owner) request.owner->MessageBoxById(0, kMbOk | kMbIconError, kStrSelectedPagesEmpty);
    if (outcome) *outcome = BuildOutcome::EmptySelection;
    return nullptr;
  }

  const int paperId = printOut->Record().requestedPaperId;
  if (paperId != -1 && printOut->printer && printOut->printer->FindPaper(paperId) == nullptr) {
    int answer = kIdCancel;
    if (request.owner) {
      const WString text = FormatPercentS2(LoadLangString(kStrBadPaperFormat), PaperNameOf(paperId),
                                           printOut->printer->Name());
      answer = request.owner->MessageBox(text, nullptr, kMbOkCancel | kMbIconQuestion);
    }
    if (answer == kIdOk) {
      if (outcome) *outcome = BuildOutcome::ChangeParameters;
      if (request.openParameters) request.openParameters();
      return nullptr;
    }
  }
  return printOut;
}

PrintScaleInfo ComputeScaleInfo(const APXPrintOut& printOut, const cDrawing& drawing, bool zoomWholePage) {
  PrintScaleInfo info;
  const double dataScale = drawing.Data() ? drawing.Data()->Scale() : 1.0;
  const double percent = drawing.printScale > 0 ? drawing.printScale : 100.0;
  const double zoom = printOut.Record().scale;
  const double factor = printOut.ScaleFactor();
  const double units = PositiveOrOne(dataScale) / (percent * factor * 0.01) / zoom;
  char text[64];
  std::snprintf(text, sizeof text, "%.12g", units);
  info.unitsPerMm = Utf16(text);
  if (dataScale > 0) {
    std::snprintf(text, sizeof text, "%.6g", percent * zoom * factor);
    info.percent = Utf16(text);
  }
  info.reduced = dataScale != 0 && zoom < 1.0 && !zoomWholePage;
  return info;
}

bool ColouredButNotInColour(cDrawingDoc& document) {
  bool colouredLevels = false, levelsNotInColour = false, colouredPages = false, pagesNotInColour = false;
  for (std::uint32_t s = 0; s < document.SheetCount(); ++s) {
    cSheet* sheet = document.GetSheet(s);
    if (sheet == nullptr) continue;
    cDrawing& drawing = sheet->Drawing();
    if (drawing.pageFlags[0] == 0) levelsNotInColour = true;
    if (drawing.pageFlags[1] == 0) pagesNotInColour = true;
    if (cDrawingData* data = drawing.Data()) {
      LevelTable& levels = data->Levels();
      for (std::uint32_t i = 0; i < levels.Count(); ++i) {
        const LevelRecord* level = levels.GetLevel(std::uint16_t(i));
        if (level && std::int32_t(level->color) >= 0 && level->printable && level->visible) colouredLevels = true;
      }
    }
    for (std::uint32_t p = 0; p < drawing.PageCount(); ++p) {
      const PageRecord* page = drawing.GetPage(p);
      if (page && std::int32_t(page->color) >= 0 && (page->kind & 0x01) == 0) colouredPages = true;
    }
  }
  return (colouredLevels && levelsNotInColour) || (colouredPages && pagesNotInColour);
}

}  // namespace kvn
