// The page box and the zoom box of the main tool bar, each a combo box in a
// small dialog without caption (TDialogBar) that the tool bar holds like a
// button. The page box lists the open document's pages and shows the one in
// view; the zoom box shows the view's percentage and takes a typed or chosen
// one, or "Last zoom", "Whole area" and "All elements".
#pragma once

#include <functional>

#include "controls/AutoLists.h"
#include "controls/EmbeddedDialog.h"

namespace kvn {

class cVectorView;
class TFrameWindow;

// The view of the open document that commands and boxes act on; null when
// no document is open.
cVectorView* CurrentVectorView();

class TDialogBar : public TEmbeddedDialog {
 public:
  TDialogBar(TWindow* parent, int resourceId, TFrameWindow& frame);
  // A bar never closes on request; Enter (IDOK) runs the confirm action.
  void CloseWindow(int retValue) override;
  // The keyboard back to the drawing: the frame's client window.
  void ReturnFocus();
  // A box made (at start-up or when a language switch builds the tool bar
  // again) leaves the keyboard where it was: a dialog's first control would
  // take it, and the drawing's keys (PgDn) would then go to the box.
  bool EvInitDialog(THandle focus) override;
  std::function<void()> confirm;

 private:
  TFrameWindow& frame_;
};

class TPagesComboBox : public TAutoCombo_ {
 public:
  static constexpr int kControlId = 2000;
  TPagesComboBox(TDialogBar* parent);
  ~TPagesComboBox() override;
  // The items from the current view's document (shown when it has more
  // than one page), its page selected.
  void Update();
  // The dialog's load: the items and selection from the document, not from
  // a bound variable.
  void LoadFromVariable() override;

 protected:
  void SetupWindow() override;
  void OnSelectionChange() override;

 private:
  TDialogBar* bar_;
  cVectorView* lastView_ = nullptr;
  WString lastItems_;
  bool filled_ = false;
};

class TZoomComboBox : public TAutoCombo_ {
 public:
  static constexpr int kControlId = 2000;
  TZoomComboBox(TDialogBar* parent);
  ~TZoomComboBox() override;
  // The idle update: enabled with a view, its percentage as the text.
  void ShowZoom();
  // The edit text as a percentage for the view; 0, negatives and text
  // that is no number change nothing.
  void TransferFromControls();
  double LastShown() const { return lastShown_; }
  void LoadFromVariable() override;

 protected:
  void SetupWindow() override;
  void OnSelectionChange() override;

 private:
  void Completed();
  TDialogBar* bar_;
  WString text_;
  double lastShown_ = -1.0;
};

// Every page box's Update: after an open, a close, a page switch and a
// language change.
void RefreshPagesComboBoxes();
// Every zoom box's ShowZoom.
void ShowZoomInBoxes();

// The text a percentage is shown as: "%" after the number, 11 digits
// rounded from 1,000,000 up, 6 below 1, else 1 decimal.
WString ZoomBoxText(double percent);

}  // namespace kvn
