#include "app/ToolBarBoxes.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "app/LevelCombo.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "document/cDrawingDoc.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/Messages.h"

namespace kvn {

namespace {

std::vector<TPagesComboBox*>& PageBoxes() {
  static std::vector<TPagesComboBox*> boxes;
  return boxes;
}

std::vector<TZoomComboBox*>& ZoomBoxes() {
  static std::vector<TZoomComboBox*> boxes;
  return boxes;
}

// The zoom factor k of the view's drawing, as the zoom sees it.
double DrawingScaleOf(cVectorWindow& window) { return window.DrawingScale(); }

}  // namespace

cVectorView* CurrentVectorView() {
  cDrawingDoc* document = CurrentDocument();
  if (!document || document->ViewCount() == 0) return nullptr;
  return dynamic_cast<cVectorView*>(document->GetView(0));
}

// ---- the bar ------------------------------------------------------------------------------------

TDialogBar::TDialogBar(TWindow* parent, int resourceId, TFrameWindow& frame)
    : TEmbeddedDialog(parent, resourceId), frame_(frame) {}

void TDialogBar::CloseWindow(int retValue) {
  if (retValue == int(kIdcOk) && confirm) confirm();
  ReturnFocus();
}

bool TDialogBar::EvInitDialog(THandle focus) {
  TEmbeddedDialog::EvInitDialog(focus);
  return false;
}

void TDialogBar::ReturnFocus() {
  if (TWindow* client = frame_.GetClientWindow(); client && client->GetHandle())
    client->SetFocus();
  else if (frame_.GetHandle())
    frame_.SetFocus();
}

// ---- the page box -------------------------------------------------------------------------------

TPagesComboBox::TPagesComboBox(TDialogBar* parent) : TAutoCombo_(parent, kControlId, nullptr, 0), bar_(parent) {
  PageBoxes().push_back(this);
}

TPagesComboBox::~TPagesComboBox() { std::erase(PageBoxes(), this); }

void TPagesComboBox::SetupWindow() {
  TAutoCombo_::SetupWindow();
  SetTooltipText(LoadLangString(19920));
  Update();
}

void TPagesComboBox::Update() {
  cVectorView* view = CurrentVectorView();
  if (view == nullptr && lastView_ == nullptr) {
    EnableWindow(false);
    ShowWindow(kSwHide);
    SelectValue(-1);
    return;
  }
  lastView_ = view;
  std::uint32_t count = 0;
  WString items;
  if (cDrawingDoc* document = view ? view->GetDocument() : nullptr) {
    count = std::min<std::uint32_t>(document->GetPageEntryCount(), 0xFFFF);
    if (count > 1) {
      for (std::uint32_t i = 0; i < count; ++i) {
        if (i > 0) items.AppendChar(u'\t');
        items.Append(document->GetPageEntryTitle(i));
      }
    }
  }
  if (!filled_ || !(items == lastItems_)) {
    lastItems_ = items;
    filled_ = true;
    FillList(items);
  }
  EnableWindow(count > 1);
  ShowWindow(count > 1 ? kSwShowNormal : kSwHide);
  SelectValue(view && count > 1 ? int(view->GetVectorWindow()->GetPageNumber()) : -1);
}

void TPagesComboBox::LoadFromVariable() {
  filled_ = false;
  lastView_ = nullptr;
  Update();
}

void TPagesComboBox::OnSelectionChange() {
  if (cVectorView* view = CurrentVectorView()) {
    const int index = GetSelection();
    if (index >= 0) {
      view->GetVectorWindow()->ShowPageEntry(std::uint32_t(index));
      RefreshDocumentViews(view->GetDocument(), false);
      RefreshLevelComboBoxes(nullptr);
    }
  }
  bar_->ReturnFocus();
}

// ---- the zoom box -------------------------------------------------------------------------------

WString ZoomBoxText(double percent) {
  WString text;
  if (std::fabs(percent) >= 1'000'000.0)
    text = FormatDouble(std::floor(percent + 0.5), 11);
  else if (std::fabs(percent) < 1.0)
    text = FormatDouble(percent, 6);
  else
    text = FormatDouble(percent, 1);
  text.AppendChar(u'%');
  return text;
}

TZoomComboBox::TZoomComboBox(TDialogBar* parent) : TAutoCombo_(parent, kControlId, nullptr, 0), bar_(parent) {
  textVariable = &text_;
  ZoomBoxes().push_back(this);
  parent->confirm = [this] {
    TransferFromControls();
    Completed();
  };
}

TZoomComboBox::~TZoomComboBox() { std::erase(ZoomBoxes(), this); }

void TZoomComboBox::SetupWindow() {
  TAutoCombo_::SetupWindow();
  WString items(u" 25%\t 50%\t100%\t200%\t400%\t800%\t");
  items.Append(LoadLangString(19586));
  items.AppendChar(u'\t');
  items.Append(LoadLangString(19588));
  items.AppendChar(u'\t');
  items.Append(LoadLangString(19590));
  itemText = items;
  SetTooltipText(LoadLangString(19804));
}

void TZoomComboBox::LoadFromVariable() {
  FillList(itemText);
  lastShown_ = -1.0;
  ShowZoom();
}

void TZoomComboBox::ShowZoom() {
  cVectorView* view = CurrentVectorView();
  EnableWindow(view != nullptr);
  if (!view) {
    // No drawing, no zoom: the last one shown would read as current.
    if (lastShown_ != -1.0 || !GetText().IsEmpty()) {
      lastShown_ = -1.0;
      text_ = WString();
      SetText(text_);
    }
    return;
  }
  cVectorWindow& window = *view->GetVectorWindow();
  const double p = window.Mapping().scale * 100.0 * DrawingScaleOf(window);
  if (p == lastShown_) return;
  lastShown_ = p;
  text_ = ZoomBoxText(p);
  SetText(text_);
}

void TZoomComboBox::TransferFromControls() {
  text_ = GetText();
  const double p = TextToDouble(text_);
  cVectorView* view = CurrentVectorView();
  if (!(p > 0.0) || !std::isfinite(p) || !view) return;
  cVectorWindow& window = *view->GetVectorWindow();
  const double k = window.RawDrawingScale();
  if (k == 0.0) return;
  window.SetZoom(nullptr, p * 0.04 / k, true);
}

void TZoomComboBox::OnSelectionChange() {
  cVectorView* view = CurrentVectorView();
  if (!view) return;
  const int index = GetSelection();
  // Typing reaches here too (the edit's change): only a chosen item, whose
  // text the edit then holds, is acted on; typed text waits for Enter.
  if (index < 0 || !(GetText() == GetString(index))) return;
  static constexpr std::uint32_t kCommands[3] = {kCmLastZoom, kCmWholeArea, kCmAllElements};
  if (index >= 6 && index <= 8) {
    view->GetVectorWindow()->HandleMessage(kWmCommand, MakeWParam(std::uint16_t(kCommands[index - 6]), 0), 0);
  } else {
    TransferFromControls();
  }
  Completed();
}

void TZoomComboBox::Completed() {
  lastShown_ = -1.0;
  bar_->ReturnFocus();
}

void RefreshPagesComboBoxes() {
  for (TPagesComboBox* box : PageBoxes()) box->Update();
}

void ShowZoomInBoxes() {
  for (TZoomComboBox* box : ZoomBoxes()) box->ShowZoom();
}

}  // namespace kvn
