// The print dialog (19516): printer, what to print, copies, scale, print
// mode, colours, line width, position on the paper and margins. Confirmed,
// it holds the finished print-out that the print command hands to the job.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "controls/AutoControls.h"
#include "foundation/DRect.h"
#include "print/PrintOptions.h"

namespace kvn {

class PrinterComboClass;
class TMyStaticText;
class cDrawing;

// A warning text: red on yellow.
class TStaticRed : public TStatic {
 public:
  TStaticRed(TWindow* parent, int resourceId) : TStatic(parent, resourceId) {}

 protected:
  void SetupWindow() override;
};

class cPrintDialog : public TDialogTr {
 public:
  static constexpr int kResourceId = 19516;

  cPrintDialog(TWindow* parent, cDrawing& drawing, std::uint16_t currentPage, const DRect& viewRect);
  ~cPrintDialog() override;

  // Opens the drawing's parameters; the dialog has closed before. Its
  // argument is the proposed format (paper and printable size) when the
  // user asked to adapt the format, else null.
  std::function<void(const APXPrintOut*)> openParameters;
  // Shows the preview of a full print-out with its title, starting on
  // print page `startPage`; true when the user chose Print there, which
  // closes the dialog as its own Print does. Without it the preview button
  // stays hidden.
  std::function<bool(APXPrintOut&, const WString& title, int startPage)> runPreview;
  // The preview's title for a print-out: "Print preview", the document's
  // title, the scale and units text.
  WString PreviewTitle(APXPrintOut& printOut);

  // The finished print-out after "Print" (owned by the dialog).
  APXPrintOut* PrintOut() const { return printOut_.get(); }
  const PrintDialogOptions& Options() const { return options_; }

  std::unique_ptr<APXPrintOut> BuildPrintOut(bool checkMode);

  bool CanClose() override;
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

  // What the dialog does on its own events (the controls' callbacks).
  void Update();
  void RefreshInfo();
  void RefreshScale();
  void RefreshColourWarning();

 protected:
  void SetupWindow() override;

 private:
  void ReadControls();
  void TransferFromControls();
  void Show(int id, bool show);
  void ShowEnable(int id, bool show, bool enable);
  bool Checked(int id);
  int ChosenWhat();
  int ChosenOutput();
  void CmDefaults();
  void CmPreview();
  void CmAdaptFormat();
  void CmPrinterSelected();
  void CmPrinterProperties();
  void EvScaleChange();
  void EvInfoChange();

  cDrawing& drawing_;
  std::uint16_t currentPage_;
  DRect viewRect_;
  PrintDialogOptions options_;
  int tilesPerPage_ = 1;
  int pageCount_ = 1;
  bool many_ = false;
  WString printerCaption_;
  bool captionRead_ = false;
  bool setUp_ = false;
  std::unique_ptr<APXPrintOut> printOut_;
  PrinterComboClass* printers_ = nullptr;
  TMyStaticText* infoTexts_[6] = {};
};

}  // namespace kvn
