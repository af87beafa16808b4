// The printer and resolution controls the print dialogs place: the printer
// combo with its properties button, the resolution combo with its dpi field,
// and the paper list of a printer.
#pragma once

#include <functional>

#include "controls/AutoControls.h"
#include "print/PrinterList.h"

namespace kvn {

class TPrinterButton_;

inline constexpr int kPrinterComboId = 7999;
inline constexpr int kPrinterButtonId = 7998;

// The printers of the printer list, bound to a printer index (and optionally
// to the chosen printer's name).
class PrinterComboClass : public TAutoCombo_ {
 public:
  PrinterComboClass(TWindow* parent, int resourceId, int* printerIndex, WString* nameVariable = nullptr);
  PrinterComboClass(TWindow* parent, int id, int x, int y, int w, int h, int* printerIndex,
                    WString* nameVariable = nullptr);

  TPrinterButton_* button = nullptr;
  WString* nameVariable;
  // Called after the bound index took a selection the user made.
  std::function<void()> onSelect;

  // The selected printer's index; -1 none.
  int SelectedIndex() const { return GetSelIndex(); }
  void SaveToVariable() override;

 protected:
  void SetupWindow() override;
  void OnSelectionChange() override;

 private:
  void Init();
};

// Opens the printer's properties; remembers or forgets its configuration
// as the companion save-settings check box says.
class TPrinterButton_ : public TButton {
 public:
  TPrinterButton_(TWindow* parent, int id, int x, int y, int w, int h, PrinterComboClass* combo,
                  int* printerIndex, int saveCheckId);
  // The button of a dialog template.
  TPrinterButton_(TWindow* parent, int resourceId, PrinterComboClass* combo, int* printerIndex, int saveCheckId);

  PrinterComboClass* combo;
  int* printerIndex;
  int saveCheckId;
  bool focusOnce = true;

  // The printer at the bound index, else at the combo's selection.
  PrinterInfo* SelectedPrinter() const;
  void UpdateEnable();
  void CmClicked();
  void LoadFromVariable() override;
  void SaveToVariable() override;

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();
};

// Makes the combo (7999) and its button (7998) at the given place, the
// combo selecting the default printer first.
PrinterComboClass* CreatePrinterControls(TWindow* dialog, int* printerIndex, WString* nameVariable, bool focus,
                                         int saveCheckId, int x, int y, int comboWidth, int buttonWidth, int height);

// The resolution entries (string 2156): 75, 150, 300, 600, 1200 dpi, then
// the user's value in the dpi field.
class cResolutionComboClass : public TAutoCombo_ {
 public:
  cResolutionComboClass(TWindow* parent, int resourceId, int* entryIndex, TAutoDouble* dpiField);

  TAutoDouble* dpiField;
  // The dpi field shown and enabled for the user entry only; the other
  // entries write their value into it.
  void UpdateField();
  static int EntryOfResolution(double dpi);

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void SetupWindow() override;
  void OnSelectionChange() override;
  TResult EvEnable(TParam1 wParam, TParam2 lParam);
};

// The dpi field (combo id + 1, 25 to maxDpi, step 10, " DPI") and its combo.
cResolutionComboClass* CreateResolutionControls(TWindow* dialog, int comboId, double* resolution, double maxDpi,
                                                int* entryIndex);

// Fills a list with the printer's papers (in the printer's paper order):
// "[id] " for driver-defined papers, the name, and "  (w x h mm)" when the
// paper has a size. Papers without a known size are measured first.
void FillPrinterPaperList(PrinterInfo* printer, TListBox& list);

}  // namespace kvn
