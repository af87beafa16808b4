#include "controls/AutoNumbers.h"

#include "controls/AutoValues.h"

namespace kvn {

// --- TAutoDouble -----------------------------------------------------------------------------

TAutoDouble::TAutoDouble(unsigned decimalCount, TWindow* parent, int resourceId, double* boundVariable,
                         double defaultValueValue)
    : TRangeSpinEdit5(decimalCount, parent, resourceId),
      defaultValue(defaultValueValue),
      doubleVariable(boundVariable) {}

TAutoDouble::TAutoDouble(unsigned decimalCount, TWindow* parent, int id, int x, int y, int w, int h)
    : TRangeSpinEdit5(decimalCount, parent, id, x, y, w, h), defaultValue(DBL_MAX), doubleVariable(nullptr) {}

const TResponseTable& TAutoDouble::Table() {
  static const TResponseTable table(
      {
          OnCommand<&TAutoDouble::CmRestore>(kCmRestoreDefaults),
          OnMessage<kWmKillFocus, &TAutoDouble::EvKillFocusField>(),
      },
      {&TRangeSpinEdit5::Table()});
  return table;
}

bool TAutoDouble::Find(TEventInfo& info) { return Table().Search(info); }

void TAutoDouble::LoadFromVariable() {
  if (doubleVariable) SetValue(*doubleVariable);
}

void TAutoDouble::SaveToVariable() {
  if (doubleVariable) *doubleVariable = GetValue();
}

void TAutoDouble::CmRestore() {
  if (defaultValue != DBL_MAX) SetValue(defaultValue);
}

void TAutoDouble::EvKillFocusField(THandle focus) {
  EvKillFocus(focus);
  if (variable) {
    if (TWindow* parent = GetParentO()) parent->PostMessage(kWmAutoFieldLeft, 0, 0);
  }
}

// --- TAutoInt_ --------------------------------------------------------------------------------

TAutoInt_::TAutoInt_(TWindow* parent, int resourceId, int* boundVariable, int defaultValueValue)
    : TAutoDouble(0, parent, resourceId, nullptr, defaultValueValue), intVariable(boundVariable) {
  SetRange(-2147483647.0, 2147483647.0, 1.0);
}

int TAutoInt_::GetInt() {
  int value = 0;
  RoundFieldInt(GetValue(), &value);
  return value;
}

void TAutoInt_::LoadFromVariable() {
  if (doubleVariable) SetValue(*doubleVariable);
  if (intVariable) SetValue(*intVariable);
}

void TAutoInt_::SaveToVariable() {
  const double value = GetValue();
  if (doubleVariable) *doubleVariable = value;
  int rounded = 0;
  if (intVariable && RoundFieldInt(value, &rounded)) *intVariable = rounded;
}

// --- TAutoWORD_ -------------------------------------------------------------------------------

TAutoWORD_::TAutoWORD_(TWindow* parent, int resourceId, std::uint16_t* boundVariable,
                         std::uint16_t defaultValueValue)
    : TAutoDouble(0, parent, resourceId, nullptr, defaultValueValue), wordVariable(boundVariable) {
  SetRange(0.0, 65535.0, 1.0);
}

std::uint16_t TAutoWORD_::GetWord() {
  int value = 0;
  RoundFieldInt(GetValue(), &value);
  return std::uint16_t(value);
}

void TAutoWORD_::LoadFromVariable() {
  if (doubleVariable) SetValue(*doubleVariable);
  if (wordVariable) SetValue(*wordVariable);
}

void TAutoWORD_::SaveToVariable() {
  const double value = GetValue();
  if (doubleVariable) *doubleVariable = value;
  int rounded = 0;
  if (wordVariable && RoundFieldInt(value, &rounded)) *wordVariable = std::uint16_t(rounded);
}

}  // namespace kvn
