#include "controls/SpinEdit.h"

#include <algorithm>
#include <cmath>

#include "foundation/TextFormat.h"
#include "platform/ui/MessageBridge.h"

namespace kvn {

namespace {

// Win32's up-down styles of the spinner: wrap, glued to the right side of
// its buddy, arrow keys, no thousands separators, hot tracking.
constexpr std::uint32_t kSpinnerStyle = kUdsWrap | kUdsAlignRight | kUdsArrowKeys | kUdsNoThousands | kUdsHotTrack;

bool IsNoValue(double v) { return std::isnan(v) || v == DBL_MAX || v == -DBL_MAX; }

// The field's clamp: the minimum first, then the maximum (a range given
// upside down ends at the maximum); NaN stays NaN.
double Clamp(double v, double minimum, double maximum) {
  if (v < minimum) v = minimum;
  if (v > maximum) v = maximum;
  return v;
}

}  // namespace

// --- stepping arithmetic ----------------------------------------------------------------------

double SpinClickStep(double step, bool ctrl, bool shift, int fastFactor, int fineDivisor, unsigned decimals) {
  if (ctrl) return step * fastFactor;
  if (shift) {
    if (fineDivisor != 0) step /= fineDivisor;
    if (decimals == 0) step = std::max(1.0, std::floor(step + 0.5));
  }
  return step;
}

bool SpinStepUpValue(double value, double step, double minimum, double maximum, double* out) {
  if (step == 0 || !std::isfinite(step)) return false;
  value = Clamp(value, minimum, maximum);
  if (IsNoValue(value) || value >= maximum) return false;
  double next = std::floor(value / step + 0.5) * step;
  if (next - value < step / 100) next += step;
  if (next > maximum) next = maximum;
  *out = next;
  return true;
}

bool SpinStepDownValue(double value, double step, double minimum, double maximum, double* out) {
  if (step == 0 || !std::isfinite(step)) return false;
  value = Clamp(value, minimum, maximum);
  if (IsNoValue(value) || value <= minimum) return false;
  double next = std::floor(value / step + 0.5) * step;
  if (value - next < step / 100) next -= step;
  if (next < minimum) next = minimum;
  *out = next;
  return true;
}

// --- TSpinner5 ---------------------------------------------------------------------------------

TSpinner5::TSpinner5(TRangeSpinEdit5* edit)
    : TUpDown(edit->GetParentO(), kSpinnerId, edit->Attr.X + edit->Attr.W, edit->Attr.Y, edit->Attr.H,
              edit->Attr.H, kSpinnerStyle),
      edit_(edit) {
  Attr.Style &= ~kWsTabStop;
}

TSpinner5::~TSpinner5() {
  if (edit_) edit_->spinner_ = nullptr;
}

const TResponseTable& TSpinner5::Table() {
  static const TResponseTable table({OnNotifyCodeAtChild<&TSpinner5::EvDeltaPos>(kUdnDeltaPos)},
                                    {&TUpDown::Table()});
  return table;
}

bool TSpinner5::Find(TEventInfo& info) { return Table().Search(info); }

void TSpinner5::SetupWindow() {
  TUpDown::SetupWindow();
  if (edit_) SetTooltipText(edit_->unitText);
}

TResult TSpinner5::EvDeltaPos(TNotify& header) {
  const auto& nm = reinterpret_cast<const TNmUpDown&>(header);
  if (edit_) edit_->StepByArrow(nm.iDelta);
  // The up-down keeps its position: it only reports the arrows.
  return 1;
}

// --- TRangeSpinEdit5 -------------------------------------------------------------------------------

TRangeSpinEdit5::TRangeSpinEdit5(unsigned decimalCount, TWindow* parent, int resourceId)
    : TEdit(parent, resourceId), decimals(decimalCount) {}

TRangeSpinEdit5::TRangeSpinEdit5(unsigned decimalCount, TWindow* parent, int id, int x, int y, int w, int h)
    : TEdit(parent, id, WString(), x, y, w, h), decimals(decimalCount) {}

TRangeSpinEdit5::~TRangeSpinEdit5() {
  if (spinner_) {
    spinner_->edit_ = nullptr;
    delete spinner_;
  }
}

const TResponseTable& TRangeSpinEdit5::Table() {
  static const TResponseTable table(
      {
          OnRaw<&TRangeSpinEdit5::EvGetDlgCode>(kWmGetDlgCode),
          OnNotifyAtChild<&TRangeSpinEdit5::EnChange>(kEnChange),
          OnMessage<kWmKillFocus, &TRangeSpinEdit5::EvKillFocus>(),
          OnMessage<kWmEnable, &TRangeSpinEdit5::EvEnable>(),
          OnMessage<kWmShowWindow, &TRangeSpinEdit5::EvShowWindow>(),
      },
      {&TEdit::Table()});
  return table;
}

bool TRangeSpinEdit5::Find(TEventInfo& info) { return Table().Search(info); }

void TRangeSpinEdit5::SetRange(double minimum, double maximum, double step) {
  minimum_ = minimum;
  maximum_ = maximum;
  step_ = step;
}

WString TRangeSpinEdit5::FormatValue(double value) const {
  if (IsNoValue(value)) return WString();
  // The number formatter keeps at most 8 decimals.
  WString text = FormatDouble(value, int(std::min(decimals, 8u)));
  text.Append(unitText);
  return text;
}

void TRangeSpinEdit5::SetValue(double value) {
  if (unitScale > 0) value /= unitScale;
  // Kept as the field's value, so that GetValue answers it until the user
  // types (the text is read only when the user changed it).
  value_ = value;
  busy_ = true;
  SetText(FormatValue(value));
  busy_ = false;
  SetModify(false);
  changed_ = false;
}

double TRangeSpinEdit5::GetValue() { return ParseValue(nullptr) * unitScale; }

double TRangeSpinEdit5::ParseValue(WString* text) {
  const WString typed = GetText();
  if (TEdit::IsModified()) {
    WString number = typed;
    // The unit the field appends is no part of the number.
    if (!unitText.IsEmpty() && number.Length() >= unitText.Length() &&
        number.Mid(number.Length() - unitText.Length()) == unitText) {
      number = number.Mid(0, number.Length() - unitText.Length());
    }
    number.Trim(WString::TrimMode::Both);
    if (number.IsEmpty()) {
      value_ = 0.0;
    } else {
      // A text that reads as no number keeps the value: NaN must not reach
      // the caller's variable.
      const double v = TextToDouble(number);
      if (!std::isnan(v)) value_ = v;
    }
  }
  if (text) *text = typed;
  if (value_ < minimum_) value_ = minimum_;
  if (value_ > maximum_) value_ = maximum_;
  return value_;
}

void TRangeSpinEdit5::ShowValue(double value, bool select, bool notify) {
  value_ = value;
  busy_ = true;
  SetText(FormatValue(value));
  busy_ = false;
  if (select && HasFocus()) SetSelection(0, -1);
  if (notify) Notify(kEnChange);
}

void TRangeSpinEdit5::Reformat() {
  if (!TEdit::IsModified()) return;
  WString typed;
  const double value = ParseValue(&typed);
  const WString normal = FormatValue(value);
  if (normal == typed) return;
  busy_ = true;
  SetText(normal);
  busy_ = false;
  changed_ = true;
}

void TRangeSpinEdit5::ShowStep(double value) {
  ShowValue(value, true, true);
  SetModify(true);
  changed_ = true;
}

void TRangeSpinEdit5::StepUp(double step) {
  const double value = ParseValue(nullptr);
  double next = 0;
  if (SpinStepUpValue(value, step, minimum_, maximum_, &next)) ShowStep(next);
}

void TRangeSpinEdit5::StepDown(double step) {
  const double value = ParseValue(nullptr);
  double next = 0;
  if (SpinStepDownValue(value, step, minimum_, maximum_, &next)) ShowStep(next);
}

void TRangeSpinEdit5::StepByArrow(int delta) {
  if (delta == 0) return;
  const double step = SpinClickStep(step_, GetKeyState(kVkControl) < 0, GetKeyState(kVkShift) < 0, fastFactor,
                                    fineDivisor, decimals);
  if (delta < 0) {
    StepDown(step);
  } else {
    StepUp(step);
  }
}

bool TRangeSpinEdit5::CanClose() {
  if (!TEdit::CanClose()) return false;
  if (reformat) Reformat();
  return true;
}

void TRangeSpinEdit5::SetupWindow() {
  TEdit::SetupWindow();
  if (spinner_ == nullptr) {
    spinner_ = new TSpinner5(this);
    if (spinner_->Create()) {
      // Glued to the right side, as UDS_ALIGNRIGHT does: the edit gives up
      // the spinner's width (at most half of it).
      const int width = std::clamp(spinner_->GetBestWidth(), 8, std::max(8, Attr.W / 2));
      const int x = Attr.X;
      const int y = Attr.Y;
      const int w = Attr.W;
      const int h = Attr.H;
      MoveWindow(x, y, std::max(w - width, 1), h);
      spinner_->MoveWindow(x + w - width, y, width, h);
      spinner_->SetRange(-1, 1);
      spinner_->SetPos(0);
      spinner_->SetBuddy(this);
      if (!IsWindowEnabled()) spinner_->EnableWindow(false);
    }
  }
  // GTK entries have no margins to clear (EM_SETMARGINS).
  if (variable) {
    SetValue(*variable);
    busy_ = false;
    changed_ = false;
  }
}

void TRangeSpinEdit5::PostToParent(std::uint32_t msg, TParam1 wParam) {
  if (TWindow* parent = GetParentO()) parent->PostMessage(msg, wParam, 0);
}

TResult TRangeSpinEdit5::EvGetDlgCode(TParam1, TParam2 lParam) {
  if (variable == nullptr) return DefaultProcessing();
  const std::uint32_t code = DefaultDlgCode();
  if (const auto* msg = reinterpret_cast<const TMsg*>(lParam); msg && msg->message == kWmKeyDown) {
    switch (msg->wParam) {
      case kVkReturn: PostToParent(kWmAutoNext, 0); break;
      case kVkTab: PostToParent(kWmAutoNext, GetKeyState(kVkShift) < 0 ? 2 : 1); break;
      case kVkEscape:
        // Escape is reported and still left to the dialog.
        PostToParent(kWmAutoNext, 3);
        return code;
      default: break;
    }
  }
  return code | kDlgcWantAllKeys;
}

void TRangeSpinEdit5::EnChange() {
  if (!busy_ && variable) {
    ParseValue(nullptr);
    *variable = value_ * unitScale;
    if (TWindow* parent = GetParentO()) parent->SendMessage(kWmAutoChanged, 0, 0);
  }
  DefaultProcessing();
}

void TRangeSpinEdit5::EvKillFocus(THandle) {
  if (reformat) Reformat();
  SetSelection(-1, 0);
  DefaultProcessing();
}

void TRangeSpinEdit5::EvEnable(bool enabled) {
  if (spinner_) spinner_->EnableWindow(enabled);
  DefaultProcessing();
}

void TRangeSpinEdit5::EvShowWindow(bool show, std::uint32_t) {
  if (spinner_) spinner_->ShowWindow(show ? kSwShow : kSwHide);
  DefaultProcessing();
}

}  // namespace kvn
