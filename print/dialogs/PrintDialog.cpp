#include "print/dialogs/PrintDialog.h"

#include <wx/window.h>

#include <algorithm>
#include <cmath>

#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "controls/AutoHideControl.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/Registry.h"
#include "foundation/TextFormat.h"
#include "model/cDrawingData.h"
#include "platform/ui/Messages.h"
#include "print/dialogs/PrinterControls.h"
#include "print/dialogs/PrinterProperties.h"

namespace kvn {

namespace {

constexpr int kStrInvalidPrinter = 1801;
constexpr int kStrColorCorrections = 18330;
constexpr int kStrVectorModes = 18326;
constexpr int kStrColorModes = 1119;
constexpr int kStrAlignments = 2152;

constexpr int kWhatFirst = 5001, kAreaMarginLabel = 5060, kAreaMargin = 5061;
constexpr int kPageFrom = 5030, kPageTo = 5031, kTileFrom = 5032, kTileTo = 5033;
constexpr int kCopies = 5020, kCollate = 5021, kCopiesLabel = 5022;
constexpr int kScaleLabel = 5010, kScale = 5011, kZoomWhole = 5012;
constexpr int kUnitsText = 1130, kPercentText = 1131, kReducedText = 5102, kAdaptFormat = 5101;
constexpr int kColourWarning = 5202, kPreview = 101, kDefaults = 1053;
constexpr int kToPrinter = 9001, kToPdf = 9002, kByMail = 9003;
constexpr int kSaveSettings = 2012, kPrintToFile = 1040;
constexpr int kBitmapMode = 4201, kVectorMode = 4202;
constexpr int kColorCorrection = 5096, kHalfResolution = 5098, kColorManagement = 5097, kDecompose = 5095;
constexpr int kPaperText = 1132, kSizeText = 1133, kPrintableText = 1134, kResolutionText = 1139;
constexpr int kPdfMode = 5530, kPdfResolutionLabel = 5051, kPdfResolution = 5052, kPdfDpi = 5053;
constexpr int kMaxColors = 5050, kMinLineWidth = 16756, kAlignment = 2015, kAutoRotate = 2010;
constexpr int kMarginLeft = 1003, kMarginRight = 1004, kMarginTop = 1005, kMarginBottom = 1006;
constexpr int kHelp = 9;

constexpr int kPageRangeIds[] = {5030, 5031, 5034, 5035};
constexpr int kTileRangeIds[] = {5032, 5033, 5036, 5037};
constexpr int kPrinterGroupIds[] = {4200, 4201, 4202, 5090, 5095, 5096, 5097, 5098, 5099, 1003, 1004, 1005, 1006,
                                    1010, 1011, 1012, 1013, 1014, 2010, 2012, 2014, 2015, 2016, 7997, 7998, 7999};
constexpr int kInfoIds[6] = {1130, 1131, 1132, 1133, 1134, 1139};

int Round(double v) { return static_cast<int>(std::floor(v + 0.5)); }

cPrintDialog* DialogOf(TWindow* window) { return dynamic_cast<cPrintDialog*>(window); }

void RadioChanged(TWindow* parent, int, std::uint32_t) {
  if (cPrintDialog* dialog = DialogOf(parent)) dialog->Update();
}

TAutoInt_* IntField(TWindow* parent, int id, int* variable, int defaultValue, double low, double high, double step) {
  auto* field = new TAutoInt_(parent, id, variable, defaultValue);
  field->SetRange(low, high, step);
  return field;
}

TAutoDouble* MmField(TWindow* parent, int id, double* variable, double defaultValue, unsigned decimals,
                     double high, double step) {
  auto* field = new TAutoDouble(decimals, parent, id, variable, defaultValue);
  field->SetRange(0, high, step);
  return field;
}

}  // namespace

void TStaticRed::SetupWindow() {
  TStatic::SetupWindow();
  if (wxWindow* peer = GetPeer()) {
    peer->SetForegroundColour(wxColour(255, 0, 0));
    peer->SetBackgroundColour(wxColour(255, 255, 0));
  }
}

cPrintDialog::cPrintDialog(TWindow* parent, cDrawing& drawing, std::uint16_t currentPage, const DRect& viewRect)
    : TDialogTr(parent, kResourceId), drawing_(drawing), currentPage_(currentPage), viewRect_(viewRect) {
  SetHelpId(kResourceId);
  options_ = PrintDialogGlobals();
  options_.LoadConstructorValues();
  options_.LoadSetupValues();
  options_.margins = DefaultMargins();
  LoadPrinterList();
  options_.printerIndex = GetChosenPrinter().index;

  int across = 1, down = 1;
  drawing.GetTileCounts(across, down);
  tilesPerPage_ = std::max(across, 1) * std::max(down, 1);
  pageCount_ = std::max<int>(int(drawing.PageCount()), 1);
  many_ = tilesPerPage_ > 1 || pageCount_ > 1;
  options_.pageFrom = options_.tileFrom = 1;
  options_.pageTo = pageCount_;
  options_.tileTo = tilesPerPage_;
  if (!many_ && (options_.what == kPrintAll || options_.what == kPrintCustom)) options_.what = kPrintCurrent;
  if (options_.what == kPrintSelectionArea) options_.what = kPrintCurrent;

  // The default settings fall on a shown choice: "All pages and tiles" is
  // hidden for a drawing of one page and one tile.
  new TAutoRadio(this, kWhatFirst, 5, &options_.what, many_ ? kPrintAll : kPrintCurrent);
  static_cast<TAutoRadio*>(ChildWithId(kWhatFirst))->SetCallback(RadioChanged, 0);
  MmField(this, kAreaMargin, &options_.areaMargin, 0, 2, 1000, 1);
  IntField(this, kPageFrom, &options_.pageFrom, 1, 1, pageCount_, 1);
  IntField(this, kPageTo, &options_.pageTo, pageCount_, 1, pageCount_, 1);
  IntField(this, kTileFrom, &options_.tileFrom, 1, 1, tilesPerPage_, 1);
  IntField(this, kTileTo, &options_.tileTo, tilesPerPage_, 1, tilesPerPage_, 1);
  IntField(this, kCopies, &options_.copies, 1, 1, 999, 1);
  new TAutoCheck(this, kCollate, &options_.collate, 0);
  IntField(this, kScale, &options_.scalePercent, 100, 1, 10000, 10);
  auto* zoom = new TAutoCheck(this, kZoomWhole, &options_.zoomWholePage, 0);
  zoom->callback = [](TWindow* owner, std::uint32_t, int) {
    if (cPrintDialog* dialog = DialogOf(owner)) dialog->RefreshScale();
  };
  for (int i = 0; i < 6; ++i) infoTexts_[i] = new TMyStaticText(this, kInfoIds[i]);
  new TStaticRed(this, kReducedText);
  new TStaticRed(this, kColourWarning);
  new TAutoHideControl(this, kToPdf);
  new TAutoHideControl(this, kByMail);
  auto* output = new TAutoRadio(this, kToPrinter, 1, &options_.output, 0);
  output->SetCallback(RadioChanged, 0);

  printers_ = new PrinterComboClass(this, kPrinterComboId, &options_.printerIndex);
  printers_->onSelect = [this] { CmPrinterSelected(); };
  auto* button = new TPrinterButton_(this, kPrinterButtonId, printers_, &options_.printerIndex, kSaveSettings);
  printers_->button = button;
  new TAutoCheck(this, kSaveSettings, &options_.saveSettings, 0);
  new TAutoCheck(this, kPrintToFile, &options_.printToFile, 0);
  auto* mode = new TAutoRadio(this, kBitmapMode, 2, &options_.printMode, 0);
  mode->SetCallback(RadioChanged, 0);
  auto* correction = new TAutoCombo_(this, kColorCorrection, &options_.colorCorrection, 0);
  correction->itemText = LoadLangString(kStrColorCorrections);
  new TAutoCheck(this, kHalfResolution, &options_.halfResolution, 0);
  new TAutoCheck(this, kColorManagement, &options_.colorManagement, 0);
  new TAutoCheck(this, kDecompose, &options_.decompose, 0);
  auto* pdfMode = new TAutoCombo_(this, kPdfMode, &options_.pdfMode, 0);
  pdfMode->itemText = LoadLangString(kStrVectorModes);
  pdfMode->callback = [](TAutoCombo_* control, int) {
    if (cPrintDialog* dialog = DialogOf(control->GetParentO())) dialog->Update();
  };
  CreateResolutionControls(this, kPdfResolution, &options_.pdfResolution, 2400, &options_.pdfResolutionEntry);
  auto* colors = new TAutoCombo_(this, kMaxColors, &options_.maxColors, 2);
  colors->itemText = LoadLangString(kStrColorModes);
  colors->callback = [](TAutoCombo_* control, int) {
    if (cPrintDialog* dialog = DialogOf(control->GetParentO())) dialog->RefreshColourWarning();
  };
  MmField(this, kMinLineWidth, &options_.minLineWidth, 0.125, 3, 10, 0.05);
  auto* alignment = new TAutoCombo_(this, kAlignment, &options_.alignment, 0);
  alignment->itemText = LoadLangString(kStrAlignments);
  auto* rotate = new TAutoCheck(this, kAutoRotate, &options_.autoRotate, 1);
  rotate->callback = [](TWindow* owner, std::uint32_t, int) {
    if (cPrintDialog* dialog = DialogOf(owner)) dialog->RefreshInfo();
  };
  MmField(this, kMarginLeft, &options_.margins.left, 0, 2, 1000, 1);
  MmField(this, kMarginRight, &options_.margins.right, 0, 2, 1000, 1);
  MmField(this, kMarginTop, &options_.margins.top, 0, 2, 1000, 1);
  MmField(this, kMarginBottom, &options_.margins.bottom, 0, 2, 1000, 1);
}

cPrintDialog::~cPrintDialog() = default;

void cPrintDialog::SetupWindow() {
  TDialogTr::SetupWindow();
  setUp_ = true;
  Update();
  RefreshColourWarning();
  if (TWindow* copies = GetDlgItem(kCopies); copies && copies->IsWindowEnabled() && copies->IsWindowVisible()) {
    PostMessage(kWmNextDlgCtl, TParam1(copies->GetHandle()), 1);
  }
}

void cPrintDialog::Show(int id, bool show) { ShowEnable(id, show, show); }

void cPrintDialog::ShowEnable(int id, bool show, bool enable) {
  TWindow* control = GetDlgItem(id);
  if (control == nullptr) return;
  control->ShowWindow(show ? kSwShow : kSwHide);
  control->EnableWindow(enable && show);
}

bool cPrintDialog::Checked(int id) {
  auto* button = dynamic_cast<TCheckBox*>(GetDlgItem(id));
  return button && button->GetCheck() == kBstChecked;
}

int cPrintDialog::ChosenWhat() {
  for (int i = 0; i < 5; ++i) {
    if (Checked(kWhatFirst + i)) return i;
  }
  return options_.what;
}

int cPrintDialog::ChosenOutput() {
  if (Checked(kToPdf)) return 1;
  if (Checked(kByMail)) return 2;
  return 0;
}

void cPrintDialog::ReadControls() {
  // Every bound control but the printer button, which would store the
  // printer's configuration at each look.
  for (TWindow* child : GetChildren()) {
    if (!child->GetHandle() || dynamic_cast<TPrinterButton_*>(child)) continue;
    if (auto* target = dynamic_cast<TTransferTarget*>(child)) target->SaveToVariable();
  }
}

void cPrintDialog::TransferFromControls() {
  SaveToVariable();
  PrintDialogGlobals() = options_;
  DefaultMargins() = options_.margins;
  options_.Save();
  RegWriteKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
  SaveDefaultMargins(key);
}

std::unique_ptr<APXPrintOut> cPrintDialog::BuildPrintOut(bool checkMode) {
  if (!setUp_) return nullptr;
  if (checkMode) {
    ReadControls();
  } else {
    TransferFromControls();
  }
  PrintOutRequest request;
  request.drawing = &drawing_;
  request.currentPage = currentPage_;
  request.viewRect = viewRect_;
  request.owner = this;
  request.openParameters = [this] {
    CloseWindow(kIdcCancel);
    if (openParameters) openParameters(nullptr);
  };
  auto printOut = BuildPrintOutFrom(options_, request, checkMode);
  if (printOut && !checkMode && options_.output == 0) SaveChosenPrinter();
  return printOut;
}

bool cPrintDialog::CanClose() {
  if (!TDialogTr::CanClose()) return false;
  auto printOut = BuildPrintOut(false);
  if (printOut == nullptr) return false;
  if (options_.output == 0 && printOut->printer == nullptr) {
    MessageBoxById(0, kMbOk | kMbIconError, kStrInvalidPrinter);
    return false;
  }
  printOut_ = std::move(printOut);
  return true;
}

void cPrintDialog::Update() {
  if (!setUp_) return;
  RefreshInfo();
  const int what = ChosenWhat();
  const bool area = what == kPrintVisibleArea || what == kPrintSelectionArea;
  Show(kAreaMarginLabel, area);
  Show(kAreaMargin, area);
  const bool ranges = what == kPrintCustom;
  for (int id : kPageRangeIds) ShowEnable(id, ranges && pageCount_ > 1, pageCount_ >= 2);
  for (int id : kTileRangeIds) ShowEnable(id, ranges && tilesPerPage_ > 1, tilesPerPage_ >= 2);

  const int output = ChosenOutput();
  const bool printer = output == 0;
  for (int id : {kPrintToFile, kCopies, kCollate, kCopiesLabel, kResolutionText}) Show(id, printer);
  Show(kWhatFirst + kPrintAll, many_);
  Show(kWhatFirst + kPrintCustom, many_);
  Show(kWhatFirst + kPrintSelectionArea, false);
  const double dataScale = drawing_.Data() ? drawing_.Data()->Scale() : 1.0;
  for (int id : {kScaleLabel, kScale, kZoomWhole}) Show(id, dataScale != 0);

  for (int id : kPrinterGroupIds) Show(id, printer);
  if (printer) {
    const bool vector = Checked(kVectorMode);
    Show(kDecompose, vector);
    Show(kHalfResolution, !vector);
    if (TWindow* print = GetDlgItem(kIdcOk)) print->EnableWindow(printers_ && printers_->SelectedIndex() >= 0);
    for (int id : {kPdfMode, kPdfResolutionLabel, kPdfResolution, kPdfDpi}) Show(id, false);
  } else {
    if (TWindow* print = GetDlgItem(kIdcOk)) print->EnableWindow(true);
    Show(kPdfMode, true);
    int index = 0;
    if (auto* combo = dynamic_cast<TComboBox*>(GetDlgItem(kPdfMode))) index = combo->GetSelIndex();
    for (int id : {kPdfResolutionLabel, kPdfResolution, kPdfDpi}) Show(id, index == 1);
  }
  Show(kPreview, static_cast<bool>(runPreview));
  RefreshScale();
}

void cPrintDialog::RefreshInfo() {
  if (!setUp_) return;
  auto printOut = BuildPrintOut(true);
  if (!printOut) return;
  if (!captionRead_) {
    if (auto* caption = dynamic_cast<TControl*>(GetDlgItem(kToPrinter))) printerCaption_ = caption->GetText();
    captionRead_ = true;
  }
  if (auto* caption = dynamic_cast<TControl*>(GetDlgItem(kToPrinter))) {
    WString text = printerCaption_;
    if (printOut->printer) text.Append(printOut->printer->GetDisplayName());
    caption->SetText(text);
  }
  const auto& record = printOut->Record();
  infoTexts_[2]->SetText(record.paperName);
  infoTexts_[3]->SetNumber(Round(record.paperWidth), Round(record.paperHeight));
  infoTexts_[4]->SetNumber(Round(record.printableWidth), Round(record.printableHeight));
  infoTexts_[5]->SetNumber(record.resolutionX, record.resolutionY);
  Show(kHelp, false);
  RefreshScale();
}

void cPrintDialog::RefreshScale() {
  if (!setUp_) return;
  auto printOut = BuildPrintOut(true);
  if (!printOut) return;
  const PrintScaleInfo info = ComputeScaleInfo(*printOut, drawing_, options_.zoomWholePage != 0);
  infoTexts_[0]->SetText(info.unitsPerMm);
  if (info.percent.IsEmpty()) {
    infoTexts_[1]->SetValue(WString());
  } else {
    infoTexts_[1]->SetText(info.percent);
  }
  Show(kReducedText, info.reduced);
  Show(kAdaptFormat, info.reduced);
}

void cPrintDialog::RefreshColourWarning() {
  bool show = false;
  if (setUp_ && drawing_.Document()) {
    int colours = options_.maxColors;
    if (auto* combo = dynamic_cast<TComboBox*>(GetDlgItem(kMaxColors))) colours = combo->GetSelIndex();
    show = colours != 0 && ColouredButNotInColour(*drawing_.Document());
  }
  Show(kColourWarning, show);
}

void cPrintDialog::CmDefaults() {
  ResetToDefaults();
  Update();
  RefreshColourWarning();
}

WString cPrintDialog::PreviewTitle(APXPrintOut& printOut) {
  const PrintScaleInfo info = ComputeScaleInfo(printOut, drawing_, options_.zoomWholePage != 0);
  const WString units = FormatPercentS(infoTexts_[0]->pattern, info.unitsPerMm);
  WString caption;
  if (info.percent.IsEmpty()) {
    caption = WString(u"  -  ").Append(units);
  } else {
    caption = FormatPercentS3(WString(u"  ( %s  %s %%)  -  %s"), LoadLangString(kStrScaleWord), info.percent, units);
  }
  WString title = LoadLangString(kStrPrintPreviewTitle);
  if (cDrawingDoc* document = drawing_.Document()) {
    if (const WString name = document->GetTitleName(); !name.IsEmpty()) title.Append(WString(u" - ")).Append(name);
  }
  return title.Append(caption);
}

void cPrintDialog::CmPreview() {
  if (!runPreview) return;
  auto printOut = BuildPrintOut(false);
  if (!printOut) return;
  // The preview starts on the first print page of the drawing page shown.
  const bool area = options_.what == kPrintVisibleArea || options_.what == kPrintSelectionArea;
  const int startPage = area ? 1 : int(currentPage_) * tilesPerPage_ + 1;
  if (!runPreview(*printOut, PreviewTitle(*printOut), startPage)) return;
  // Print in the preview: what the dialog's own Print does with this print-out.
  if (options_.output == 0 && printOut->printer == nullptr) {
    MessageBoxById(0, kMbOk | kMbIconError, kStrInvalidPrinter);
    return;
  }
  printOut->strips.clear();
  printOut_ = std::move(printOut);
  CloseWindow(kIdcOk);
}

void cPrintDialog::CmAdaptFormat() {
  auto printOut = BuildPrintOut(true);
  CloseWindow(kIdcCancel);
  if (openParameters) openParameters(printOut.get());
}

void cPrintDialog::CmPrinterSelected() {
  ReadControls();
  RefreshInfo();
}

void cPrintDialog::CmPrinterProperties() { RefreshInfo(); }

void cPrintDialog::EvScaleChange() { RefreshScale(); }

void cPrintDialog::EvInfoChange() { RefreshInfo(); }

bool cPrintDialog::Find(TEventInfo& info) { return Table().Search(info); }

const TResponseTable& cPrintDialog::Table() {
  static const TResponseTable table(
      {
          OnChildNotify<&cPrintDialog::EvScaleChange>(kAreaMargin, kEnChange),
          OnChildNotify<&cPrintDialog::EvScaleChange>(kScale, kEnChange),
          OnCommand<&cPrintDialog::CmDefaults>(kDefaults),
          OnCommand<&cPrintDialog::CmPreview>(kPreview),
          OnCommand<&cPrintDialog::CmAdaptFormat>(kAdaptFormat),
          OnChildNotify<&cPrintDialog::EvInfoChange>(kMarginLeft, kEnChange),
          OnChildNotify<&cPrintDialog::EvInfoChange>(kMarginRight, kEnChange),
          OnChildNotify<&cPrintDialog::EvInfoChange>(kMarginTop, kEnChange),
          OnChildNotify<&cPrintDialog::EvInfoChange>(kMarginBottom, kEnChange),
      },
      {&TDialogTr::Table()});
  return table;
}

}  // namespace kvn
