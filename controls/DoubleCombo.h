// TComboBox_double: a combo box whose field holds a number. The field shows
// value / factor in the display format of FormatDouble; a typed or chosen
// text is read back when the value is asked for or the field loses the
// focus (times the factor), an empty field meaning no number.
#pragma once

#include "platform/ui/ControlLists.h"

namespace kvn {

class TComboBox_double : public TComboBox {
 public:
  TComboBox_double(TWindow* parent, int id, int displayFormat);

  // Shows value / factor; a factor not above 0 is 1.
  void SetValue(double value, double factor);
  // The value, read from the field first when it was edited since; with
  // `reformat` the field is written again from the value.
  double GetValue(bool reformat);
  void Clear();
  bool IsEmpty() const { return empty_; }
  bool IsDirty() const { return dirty_; }

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();
  void CbnChanged();
  void EvKillFocus(THandle gainedFocus);

 private:
  void ShowValue();
  int displayFormat_;
  double value_ = 0.0;
  bool dirty_ = false;
  bool empty_ = false;
  double factor_ = 1.0;
};

}  // namespace kvn
