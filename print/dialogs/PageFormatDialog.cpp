#include "print/dialogs/PageFormatDialog.h"

#include <algorithm>
#include <utility>

#include "platform/ui/Messages.h"
#include "print/PaperChoice.h"

namespace kvn {

namespace {

constexpr int kWidth = 3620, kHeight = 3621, kExchange = 3622, kPaperCombo = 3610, kPortrait = 3611,
              kLandscape = 3612, kMarginX = 3641, kMarginY = 3643;

TAutoDouble* Field(TWindow* parent, int id, double* variable, double defaultValue, double maximum) {
  auto* field = new TAutoDouble(1, parent, id, variable, defaultValue);
  field->SetRange(0, maximum, 1);
  return field;
}

}  // namespace

cNewPrintPageFormat::cNewPrintPageFormat(TWindow* parent, PaperSizeMm* format, DPoint* margins)
    : TDialogTr(parent, kResourceId) {
  width = Field(this, kWidth, format ? &format->width : nullptr, 210, 10000);
  height = Field(this, kHeight, format ? &format->height : nullptr, 297, 10000);
  marginX = Field(this, kMarginX, margins ? &margins->x : nullptr, 10, 9999);
  marginY = Field(this, kMarginY, margins ? &margins->y : nullptr, 10, 9999);
  papers = new TComboBox(this, kPaperCombo);
  portrait = new TRadioButton(this, kPortrait);
  landscape = new TRadioButton(this, kLandscape);
}

void cNewPrintPageFormat::SetupWindow() {
  TDialogTr::SetupWindow();
  papers->ClearList();
  for (const PaperChoiceEntry& entry : PaperChoiceList()) {
    const int index = papers->AddString(entry.longName);
    papers->SetItemData(index, entry.id);
  }
  setUp_ = true;
  RecogniseSize();
}

void cNewPrintPageFormat::RecogniseSize() {
  orientation = -1;
  WString name, shortName;
  const int id = FindPaperBySize(orientation, name, shortName, {width->GetValue(), height->GetValue()});
  int index = -1;
  for (int i = 0; id >= 0 && i < papers->GetCount(); ++i) {
    if (papers->GetItemData(i) == id) {
      index = i;
      break;
    }
  }
  papers->SetSelIndex(index);
  const bool found = id >= 0;
  for (TRadioButton* radio : {portrait, landscape}) {
    radio->ShowWindow(found ? kSwShow : kSwHide);
    radio->EnableWindow(found);
  }
  portrait->SetCheck(orientation == 0 ? kBstChecked : kBstUnchecked);
  landscape->SetCheck(orientation == 1 ? kBstChecked : kBstUnchecked);
}

void cNewPrintPageFormat::SetSize(double w, double h) {
  updating_ = true;
  width->SetValue(w);
  height->SetValue(h);
  updating_ = false;
}

void cNewPrintPageFormat::ChoosePaper() {
  const int index = papers->GetSelIndex();
  if (index < 0) return;
  PaperSizeMm size;
  GetPaperSizeMm(size, static_cast<int>(papers->GetItemData(index)));
  if (!(size.width > 0 && size.height > 0)) {
    papers->SetSelIndex(-1);
    return;
  }
  double w = std::min(size.width, size.height), h = std::max(size.width, size.height);
  if (orientation == 1) std::swap(w, h);
  SetSize(w, h);
  RecogniseSize();
}

void cNewPrintPageFormat::Exchange() {
  const double w = width->GetValue(), h = height->GetValue();
  const double mx = marginX->GetValue(), my = marginY->GetValue();
  updating_ = true;
  marginX->SetValue(my);
  marginY->SetValue(mx);
  updating_ = false;
  SetSize(h, w);
  RecogniseSize();
}

void cNewPrintPageFormat::EvSizeChange() {
  if (setUp_ && !updating_) RecogniseSize();
}

void cNewPrintPageFormat::CmPortrait() {
  if (orientation != 0) Exchange();
}

void cNewPrintPageFormat::CmLandscape() {
  if (orientation != 1) Exchange();
}

bool cNewPrintPageFormat::Find(TEventInfo& info) { return Table().Search(info); }

const TResponseTable& cNewPrintPageFormat::Table() {
  static const TResponseTable table(
      {
          OnChildNotify<&cNewPrintPageFormat::EvSizeChange>(kWidth, kEnChange),
          OnChildNotify<&cNewPrintPageFormat::EvSizeChange>(kHeight, kEnChange),
          OnChildNotify<&cNewPrintPageFormat::ChoosePaper>(kPaperCombo, kCbnSelChange),
          OnCommand<&cNewPrintPageFormat::CmExchange>(kExchange),
          OnCommand<&cNewPrintPageFormat::CmPortrait>(kPortrait),
          OnCommand<&cNewPrintPageFormat::CmLandscape>(kLandscape),
      },
      {&TDialogTr::Table()});
  return table;
}

}  // namespace kvn
