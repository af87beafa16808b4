// "Printer properties" (dialog 2162): our own dialog of what a queue
// supports (media, orientation, resolution, colour), standing where a
// Windows printer driver shows its properties. It edits a copy of the
// printer's settings; OK puts the copy in their place, Cancel drops it.
#pragma once

#include <vector>

#include "controls/AutoControls.h"
#include "print/PrinterList.h"

namespace kvn {

class TPrinterPropertiesDialog : public TDialogTr {
 public:
  static constexpr int kResourceId = 2162;
  TPrinterPropertiesDialog(TWindow* parent, PrinterInfo& printer, const SpoolerChoices& choices,
                           PrinterSettings& copy);

  TMyStaticText* title;
  TComboBox* media;
  TRadioButton* portrait;
  TRadioButton* landscape;
  TComboBox* resolution;
  TCheckBox* colour;

 protected:
  void SetupWindow() override;
  bool CanClose() override;

 private:
  PrinterInfo& printer_;
  const SpoolerChoices& choices_;
  PrinterSettings& copy_;
};

// Loads the printer's settings (a message box with the system's text when
// that fails), runs the dialog on a copy and takes the copy on OK. True when
// the settings were replaced.
bool RunPrinterProperties(TWindow* parent, PrinterInfo& printer);

}  // namespace kvn
