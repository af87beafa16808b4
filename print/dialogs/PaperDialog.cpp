#include "print/dialogs/PaperDialog.h"

#include <cmath>

#include "foundation/MsgBox.h"
#include "foundation/Registry.h"
#include "platform/ui/Messages.h"
#include "print/PrinterData.h"

namespace kvn {

namespace {

constexpr int kPaperList = 2000, kPrinterCombo = 2001;
constexpr int kFormatText = 1132, kSizeText = 1133, kPrintableText = 1134;
constexpr int kMarginTexts[4] = {1140, 1141, 1142, 1143};
constexpr int kStrOtherPrinter = 1165;
constexpr int kStrQuestion = 1173;

int Round(double v) { return static_cast<int>(std::floor(v + 0.5)); }

// The chosen printer becomes `index` and every record recomputes.
void ChoosePrinter(int index) {
  GetChosenPrinter().index = index;
  PrintQualityGlobals().settingsChanged = true;
}

}  // namespace

TDialogPaper::TDialogPaper(TWindow* parent, int resourceId, int* paperId, PaperSizeMm* size, DPoint* margins)
    : TDialogTr(parent, resourceId), paperId_(paperId), size_(size), margins_(margins) {
  printerIndex = openingIndex = GetChosenPrinter().index;
  if (paperId) this->paperId = *paperId;
  printers = new PrinterComboClass(this, kPrinterCombo, &printerIndex);
  printers->onSelect = [this] { FillPapers(); };
  papers = new TListBox(this, kPaperList);
  formatText = new TMyStaticText(this, kFormatText);
  sizeText = new TMyStaticText(this, kSizeText);
  printableText = new TMyStaticText(this, kPrintableText);
  for (int i = 0; i < 4; ++i) marginTexts[i] = new TMyStaticText(this, kMarginTexts[i]);
}

TDialogPaper::~TDialogPaper() {
  if (GetPrinterList().At(printerIndex) && GetChosenPrinter().index != printerIndex) ChoosePrinter(printerIndex);
}

void TDialogPaper::SetupWindow() {
  TDialogTr::SetupWindow();
  FillPapers();
}

void TDialogPaper::FillPapers() {
  PrinterInfo* printer = Printer();
  FillPrinterPaperList(printer, *papers);
  int index = printer ? printer->IndexOfPaper(paperId) : -1;
  if (printer && index < 0) {
    const PrinterSettings* devmode = printer->GetDevMode();
    index = printer->IndexOfPaper(devmode ? devmode->paperSize : 9);
  }
  papers->SetSelIndex(index);
  ShowPaperInfo();
}

void TDialogPaper::ShowPaperInfo() {
  PrinterInfo* printer = Printer();
  int id = 0;
  if (printer) printer->GetPaperIdAt(papers->GetSelIndex(), id);
  paperId = id;
  PaperSizeMm s;
  Margins m;
  WString name;
  GetPaperGeometry(printer, id, s, m, name);
  printableText->SetNumber(Round(s.width - m.left - m.right), Round(s.height - m.top - m.bottom));
  sizeText->SetNumber(Round(s.width), Round(s.height));
  formatText->SetText(name);
  marginTexts[0]->SetNumber(Round(m.left));
  marginTexts[1]->SetNumber(Round(m.right));
  marginTexts[2]->SetNumber(Round(m.top));
  marginTexts[3]->SetNumber(Round(m.bottom));
  size = s;
  averageMargins = {(m.left + m.right) / 2, (m.top + m.bottom) / 2};
}

bool TDialogPaper::CanClose() {
  if (!TDialogTr::CanClose()) return false;
  PrinterInfo* printer = Printer();
  if (printerIndex != openingIndex && printer) {
    if (MessageBoxById(kStrQuestion, kMbOkCancel | kMbIconQuestion, kStrOtherPrinter) != kIdOk) return false;
    RegWriteKey(kHkeyCurrentUser, WString(kProgramRegistryKey)).SetString(u"PRINTER_NAME_1110", printer->Name());
    ChoosePrinter(printerIndex);
  }
  if (paperId_) *paperId_ = paperId;
  if (size_) *size_ = size;
  if (margins_) *margins_ = averageMargins;
  return true;
}

bool TDialogPaper::Find(TEventInfo& info) { return Table().Search(info); }

const TResponseTable& TDialogPaper::Table() {
  static const TResponseTable table({OnChildNotify<&TDialogPaper::EvPaperSelChange>(kPaperList, kLbnSelChange)},
                                    {&TDialogTr::Table()});
  return table;
}

}  // namespace kvn
