// Bound number fields: a double, an int and a 16-bit word shown in a
// TRangeSpinEdit5 (SpinEdit.h), whose range, decimals and unit scale apply.
// The field's own bound variable (TRangeSpinEdit5::variable) is the live
// one; the variables here are deferred.
#pragma once

#include <cfloat>
#include <cstdint>

#include "controls/SpinEdit.h"

namespace kvn {

class TAutoDouble : public TRangeSpinEdit5 {
 public:
  TAutoDouble(unsigned decimals, TWindow* parent, int resourceId, double* boundVariable, double defaultValueValue);
  // Made at run time; unbound, no default.
  TAutoDouble(unsigned decimals, TWindow* parent, int id, int x, int y, int w, int h);

  double defaultValue;  // DBL_MAX: Restore leaves the field
  double* doubleVariable;

  void LoadFromVariable() override;
  void SaveToVariable() override;

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void CmRestore();
  // The field's own handling, then WM_AUTO_FIELD_LEFT (35997) to the parent
  // when the live variable is bound.
  void EvKillFocusField(THandle focus);
};

// Range -2147483647 to 2147483647, step 1; stores floor(value + 0.5).
class TAutoInt_ : public TAutoDouble {
 public:
  TAutoInt_(TWindow* parent, int resourceId, int* boundVariable, int defaultValueValue);

  int* intVariable;  // shown when both it and doubleVariable are bound

  int GetInt();
  void SetInt(int value) { SetValue(value); }

  void LoadFromVariable() override;
  void SaveToVariable() override;
};

// Range 0 to 65535, step 1; stores the rounded value truncated to 16 bits.
class TAutoWORD_ : public TAutoDouble {
 public:
  TAutoWORD_(TWindow* parent, int resourceId, std::uint16_t* boundVariable, std::uint16_t defaultValueValue);

  std::uint16_t* wordVariable;

  std::uint16_t GetWord();
  void SetWord(std::uint16_t value) { SetValue(value); }

  void LoadFromVariable() override;
  void SaveToVariable() override;
};

}  // namespace kvn
