#include "controls/DoubleCombo.h"

#include "foundation/TextFormat.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Messages.h"

namespace kvn {

TComboBox_double::TComboBox_double(TWindow* parent, int id, int displayFormat)
    : TComboBox(parent, id), displayFormat_(displayFormat) {}

const TResponseTable& TComboBox_double::Table() {
  using C = TComboBox_double;
  static const TResponseTable table(
      {
          OnNotifyAtChild<&C::CbnChanged>(kCbnSelChange),
          OnNotifyAtChild<&C::CbnChanged>(kCbnEditChange),
          OnMessage<kWmKillFocus, &C::EvKillFocus>(),
      },
      {&TComboBox::Table()});
  return table;
}

bool TComboBox_double::Find(TEventInfo& info) { return Table().Search(info); }

void TComboBox_double::ShowValue() { SetText(FormatDouble(value_ / factor_, displayFormat_)); }

void TComboBox_double::SetValue(double value, double factor) {
  value_ = value;
  factor_ = factor > 0.0 ? factor : 1.0;
  ShowValue();
  dirty_ = false;
  empty_ = false;
}

double TComboBox_double::GetValue(bool reformat) {
  if (dirty_) {
    const WString text = GetText();
    WString trimmed = text;
    trimmed.Trim(WString::TrimMode::Both);
    if (trimmed.IsEmpty()) {
      value_ = 0.0;
      empty_ = true;
    } else {
      value_ = TextToDouble(trimmed) * factor_;
      empty_ = false;
    }
  }
  if (reformat) {
    ShowValue();
    dirty_ = false;
  }
  return value_;
}

void TComboBox_double::Clear() {
  empty_ = true;
  value_ = 0.0;
  SetText(WString());
  dirty_ = false;
}

void TComboBox_double::CbnChanged() {
  dirty_ = true;
  DefaultProcessing();
}

void TComboBox_double::EvKillFocus(THandle) {
  if (dirty_) GetValue(true);
  DefaultProcessing();
}

}  // namespace kvn
