#include "print/dialogs/PrinterControls.h"

#include <cmath>

#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/TextFormat.h"
#include "platform/ui/Messages.h"
#include "print/PrinterData.h"
#include "print/dialogs/PrinterProperties.h"

namespace kvn {

namespace {

constexpr int kStrResolutionItems = 2156;
constexpr int kStrPropertiesButton = 2157;
constexpr double kResolutionEntries[5] = {75, 150, 300, 600, 1200};
constexpr int kUserResolutionEntry = 5;

WString PrinterItems() {
  LoadPrinterList();
  WString items;
  const PrinterList& list = GetPrinterList();
  for (int i = 0; i < list.Count(); ++i) {
    if (i > 0) items.AppendChar(u'\t');
    items.Append(list.At(i)->GetDisplayName());
  }
  return items;
}

}  // namespace

// ---- PrinterComboClass -------------------------------------------------------------------------

PrinterComboClass::PrinterComboClass(TWindow* parent, int resourceId, int* printerIndex, WString* name)
    : TAutoCombo_(parent, resourceId, printerIndex, -1), nameVariable(name) {
  Init();
}

PrinterComboClass::PrinterComboClass(TWindow* parent, int id, int x, int y, int w, int h, int* printerIndex,
                                     WString* name)
    : TAutoCombo_(parent, id, x, y, w, h), nameVariable(name) {
  variable = printerIndex;
  Init();
}

void PrinterComboClass::Init() {
  itemText = PrinterItems();
  defaultValue = GetPrinterList().defaultIndex;
}

void PrinterComboClass::SetupWindow() {
  TAutoCombo_::SetupWindow();
  EnableWindow(GetCount() > 0);
}

void PrinterComboClass::OnSelectionChange() {
  if (variable) *variable = GetSelIndex();
  if (button) button->UpdateEnable();
  if (onSelect) onSelect();
}

void PrinterComboClass::SaveToVariable() {
  TAutoCombo_::SaveToVariable();
  if (variable && nameVariable) {
    if (PrinterInfo* p = GetPrinterList().At(*variable)) *nameVariable = p->Name();
  }
  PrintQualityGlobals().settingsChanged = true;
  if (button) button->UpdateEnable();
}

// ---- TPrinterButton_ ---------------------------------------------------------------------------

TPrinterButton_::TPrinterButton_(TWindow* parent, int id, int x, int y, int w, int h, PrinterComboClass* c,
                                 int* index, int saveCheck)
    : TButton(parent, id, LoadLangString(kStrPropertiesButton), x, y, w, h),
      combo(c),
      printerIndex(index),
      saveCheckId(saveCheck) {}

TPrinterButton_::TPrinterButton_(TWindow* parent, int resourceId, PrinterComboClass* c, int* index, int saveCheck)
    : TButton(parent, resourceId), combo(c), printerIndex(index), saveCheckId(saveCheck) {}

PrinterInfo* TPrinterButton_::SelectedPrinter() const {
  const int index = printerIndex ? *printerIndex : (combo ? combo->SelectedIndex() : -1);
  return GetPrinterList().At(index);
}

void TPrinterButton_::UpdateEnable() { EnableWindow(SelectedPrinter() != nullptr); }

void TPrinterButton_::CmClicked() {
  PrinterInfo* printer = SelectedPrinter();
  if (!printer) return;
  RunPrinterProperties(GetParentO() ? GetParentO() : this, *printer);
}

void TPrinterButton_::LoadFromVariable() {
  TButton::LoadFromVariable();
  UpdateEnable();
  if (focusOnce && combo) {
    focusOnce = false;
    if (TWindow* dialog = GetParentO()) dialog->PostMessage(kWmNextDlgCtl, TParam1(combo->GetHandle()), 1);
  }
}

void TPrinterButton_::SaveToVariable() {
  PrinterInfo* printer = SelectedPrinter();
  if (!printer || !printer->LoadDevMode()) return;
  bool save = false;
  if (saveCheckId != 0) {
    if (auto* dialog = dynamic_cast<TDialog*>(GetParentO())) {
      if (auto* check = dynamic_cast<TCheckBox*>(dialog->GetDlgItem(saveCheckId))) save = check->GetCheck() == kBstChecked;
    }
  }
  SavePrinterConfig(*printer, save);
}

bool TPrinterButton_::Find(TEventInfo& info) { return Table().Search(info); }

const TResponseTable& TPrinterButton_::Table() {
  static const TResponseTable table({OnNotifyAtChild<&TPrinterButton_::CmClicked>(kBnClicked)},
                                    {&TButton::Table()});
  return table;
}

PrinterComboClass* CreatePrinterControls(TWindow* dialog, int* printerIndex, WString* nameVariable, bool focus,
                                         int saveCheckId, int x, int y, int comboWidth, int buttonWidth, int height) {
  LoadPrinterList();
  if (printerIndex && *printerIndex < 0) *printerIndex = GetPrinterList().defaultIndex;
  auto* combo = new PrinterComboClass(dialog, kPrinterComboId, x, y, comboWidth, height * 8, printerIndex, nameVariable);
  auto* button = new TPrinterButton_(dialog, kPrinterButtonId, x + comboWidth + 6, y, buttonWidth, height, combo,
                                     printerIndex, saveCheckId);
  button->focusOnce = focus;
  combo->button = button;
  return combo;
}

// ---- cResolutionComboClass ---------------------------------------------------------------------

cResolutionComboClass::cResolutionComboClass(TWindow* parent, int resourceId, int* entryIndex, TAutoDouble* field)
    : TAutoCombo_(parent, resourceId, entryIndex, 3), dpiField(field) {
  itemText = LoadLangString(kStrResolutionItems);
}

int cResolutionComboClass::EntryOfResolution(double dpi) {
  for (int i = 0; i < 5; ++i) {
    if (kResolutionEntries[i] == dpi) return i;
  }
  return kUserResolutionEntry;
}

void cResolutionComboClass::UpdateField() {
  if (!dpiField) return;
  const int entry = GetSelIndex();
  const bool user = entry == kUserResolutionEntry;
  dpiField->ShowWindow(user ? kSwShow : kSwHide);
  dpiField->EnableWindow(user);
  if (entry >= 0 && entry < 5) dpiField->SetValue(kResolutionEntries[entry]);
}

void cResolutionComboClass::SetupWindow() {
  TAutoCombo_::SetupWindow();
  UpdateField();
}

void cResolutionComboClass::OnSelectionChange() { UpdateField(); }

TResult cResolutionComboClass::EvEnable(TParam1 wParam, TParam2) {
  if (wParam == 0) {
    if (dpiField) {
      dpiField->EnableWindow(false);
      dpiField->ShowWindow(kSwHide);
    }
  } else {
    UpdateField();
  }
  return DefaultProcessing();
}

bool cResolutionComboClass::Find(TEventInfo& info) { return Table().Search(info); }

const TResponseTable& cResolutionComboClass::Table() {
  static const TResponseTable table({OnRaw<&cResolutionComboClass::EvEnable>(kWmEnable)}, {&TAutoCombo_::Table()});
  return table;
}

cResolutionComboClass* CreateResolutionControls(TWindow* dialog, int comboId, double* resolution, double maxDpi,
                                                int* entryIndex) {
  auto* field = new TAutoDouble(0, dialog, comboId + 1, resolution, 600);
  field->SetRange(25, maxDpi, 10);
  field->unitText = WString(u" DPI");
  if (entryIndex && resolution) *entryIndex = cResolutionComboClass::EntryOfResolution(*resolution);
  return new cResolutionComboClass(dialog, comboId, entryIndex, field);
}

// ---- the paper list ----------------------------------------------------------------------------

void FillPrinterPaperList(PrinterInfo* printer, TListBox& list) {
  list.ClearList();
  if (printer) {
    printer->LoadPapers();
    bool measured = false;
    for (auto& paper : printer->Papers()) {
      const bool unsized = paper->width == 0 || paper->height == 0 || paper->id >= 256;
      if (!unsized || paper->measuredWidth != 0 || paper->measuredHeight != 0) continue;
      MyPrinterDataStruct__ record;
      record.requestedPaperId = paper->id;
      record.Update(printer);
      // A paper the spooler cannot measure keeps no size (the record then
      // holds the A4 defaults, which are not this paper's).
      if (record.foundPaperId != paper->id) continue;
      paper->measuredWidth = static_cast<int>(std::floor(record.paperWidth * 10 + 0.5));
      paper->measuredHeight = static_cast<int>(std::floor(record.paperHeight * 10 + 0.5));
      measured = true;
    }
    if (measured) printer->SortPapers();
    for (const auto& paper : printer->Papers()) {
      WString item;
      if (paper->id >= 256) item = FormatPercentD(WString(u"[%d] "), paper->id);
      item.Append(paper->name);
      int w = paper->measuredWidth, h = paper->measuredHeight;
      if (w == 0 && h == 0) {
        w = paper->width;
        h = paper->height;
      }
      if (w > 0 && h > 0) item.Append(FormatPercentD2(WString(u"  (%d x%d mm)"), w / 10, h / 10));
      list.AddString(item);
    }
  }
  const bool any = list.GetCount() > 0;
  list.ShowWindow(any ? kSwShow : kSwHide);
  list.EnableWindow(any);
}

}  // namespace kvn
