#include "print/dialogs/PrintLayoutDialog.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "foundation/TextFormat.h"
#include "model/LevelTable.h"
#include "model/cDrawingData.h"
#include "print/ParametersRules.h"

namespace kvn {

namespace {

constexpr int kAreaFirst = 2010, kName = 2020, kScale = 2030, kEstimate = 2040, kResult = 2050;
constexpr int kLevelChecks = 24444, kSelectAll = 24445, kInvert = 24446;

void AreaChanged(TWindow* parent, int, std::uint32_t) {
  if (auto* dialog = dynamic_cast<TDialogPrintLayout*>(parent)) dialog->ShowResult();
}

}  // namespace

WString PrintLayoutSizeText(const DRect& area, double scale) {
  const double s = scale > 0 ? scale : 1.0;
  return FormatPercentD2(WString(u"%d x %d mm"), int(std::floor(std::fabs(area.Width()) * s + 0.5)),
                         int(std::floor(std::fabs(area.Height()) * s + 0.5)));
}

TDialogPrintLayout::TDialogPrintLayout(cDrawingData* data, TWindow* parent, const DRect (&areas)[3], double* scale,
                                       int* area)
    : TDialogTr(parent, kResourceId), data_(data), scale_(scale), area_(area) {
  std::copy(std::begin(areas), std::end(areas), areas_);
  auto* radios = new TAutoRadio(this, kAreaFirst, 3, area, 0);
  radios->SetCallback(AreaChanged, 0);
  new TEdit(this, kName);
  scaleField_ = new TAutoDouble(12, this, kScale, scale, 1.0);
  scaleField_->SetRange(0, DBL_MAX, 1.0);
  result_ = new TEdit(this, kResult);
  list_ = new TMyCheckList(this, kLevelChecks, &levels_);
}

void TDialogPrintLayout::SetupWindow() {
  // The scale is estimated and the levels listed before the controls load.
  const DRect& chosen = areas_[std::clamp(area_ ? *area_ : 0, 0, 2)];
  if (scale_) *scale_ = EstimateLayoutScale(std::max(std::fabs(chosen.Width()), std::fabs(chosen.Height())));
  levels_.Clear();
  if (data_) {
    LevelTable& table = data_->Levels();
    for (std::uint32_t i = 0; i < table.Count(); ++i) {
      auto* item = new TCheckItem;
      if (const LevelRecord* level = table.GetLevel(std::uint16_t(i))) level->GetDisplayName(item->text);
      levels_.Add(item);
    }
  }
  TDialogTr::SetupWindow();
  ShowResult();
}

int TDialogPrintLayout::ChosenArea() {
  for (int i = 0; i < 3; ++i) {
    auto* radio = dynamic_cast<TCheckBox*>(GetDlgItem(kAreaFirst + i));
    if (radio && radio->GetCheck() == kBstChecked) return i;
  }
  return std::clamp(area_ ? *area_ : 0, 0, 2);
}

WString TDialogPrintLayout::ResultText() {
  return PrintLayoutSizeText(areas_[ChosenArea()], scaleField_ ? scaleField_->GetValue() : 1.0);
}

void TDialogPrintLayout::ShowResult() {
  if (result_ && result_->GetHandle()) result_->SetText(ResultText());
}

void TDialogPrintLayout::Estimate() {
  const DRect& chosen = areas_[ChosenArea()];
  scaleField_->SetValue(EstimateLayoutScale(std::max(std::fabs(chosen.Width()), std::fabs(chosen.Height()))));
  ShowResult();
}

void TDialogPrintLayout::CmSelectAll() {
  for (int i = 0; i < list_->GetItemCount(); ++i) list_->SetCheck(i, true);
}

void TDialogPrintLayout::CmInvert() {
  for (int i = 0; i < list_->GetItemCount(); ++i) list_->SetCheck(i, !list_->IsChecked(i));
}

bool TDialogPrintLayout::Find(TEventInfo& info) { return Table().Search(info); }

const TResponseTable& TDialogPrintLayout::Table() {
  static const TResponseTable table(
      {
          OnCommand<&TDialogPrintLayout::Estimate>(kEstimate),
          OnCommand<&TDialogPrintLayout::CmSelectAll>(kSelectAll),
          OnCommand<&TDialogPrintLayout::CmInvert>(kInvert),
          OnChildNotify<&TDialogPrintLayout::ShowResult>(kScale, kEnChange),
      },
      {&TDialogTr::Table()});
  return table;
}

}  // namespace kvn
