#include "controls/AutoTexts.h"

#include "controls/AutoValues.h"
#include "foundation/TextFormat.h"

namespace kvn {

// --- _TMyStaticText ------------------------------------------------------------------------

_TMyStaticText::_TMyStaticText(TWindow* parent, int resourceId) : TStatic(parent, resourceId) {}

void _TMyStaticText::SetupWindow() {
  TStatic::SetupWindow();
  pattern = GetText();
  if (valuePending) {
    TStatic::SetText(value);
    valuePending = false;
  }
}

void _TMyStaticText::SetValue(const WString& text) {
  value = text;
  if (GetHandle()) {
    TStatic::SetText(text);
  } else {
    valuePending = true;
  }
}

void _TMyStaticText::SetText(const WString& s) { TStatic::SetText(FormatPercentS(pattern, s)); }

void _TMyStaticText::SetText(const WString& s1, const WString& s2) {
  TStatic::SetText(FormatPercentS2(pattern, s1, s2));
}

void _TMyStaticText::SetText(const WString& s1, const WString& s2, const WString& s3) {
  TStatic::SetText(FormatPercentS3(pattern, s1, s2, s3));
}

void _TMyStaticText::SetNumber(int a) { TStatic::SetText(FormatPercentD(pattern, a)); }

void _TMyStaticText::SetNumber(int a, int b) { TStatic::SetText(FormatPercentD2(pattern, a, b)); }

void _TMyStaticText::SetNumber(int a, int b, int c) { TStatic::SetText(FormatPercentD3(pattern, a, b, c)); }

// --- _TAutoString_AW -----------------------------------------------------------------------

_TAutoString_AW::_TAutoString_AW(TWindow* parent, int resourceId, WString* boundVariable,
                                 const WString& defaultTextValue)
    : TEdit(parent, resourceId), variable(boundVariable), defaultText(defaultTextValue) {}

const TResponseTable& _TAutoString_AW::Table() {
  static const TResponseTable table({OnCommand<&_TAutoString_AW::CmRestore>(kCmRestoreDefaults)},
                                    {&TEdit::Table()});
  return table;
}

bool _TAutoString_AW::Find(TEventInfo& info) { return Table().Search(info); }

void _TAutoString_AW::LoadFromVariable() {
  if (textLimit > 0) LimitText(textLimit);
  if (variable) TEdit::SetText(*variable);
  if (!enabled) EnableWindow(false);
}

void _TAutoString_AW::SaveToVariable() {
  if (variable) *variable = GetText();
}

void _TAutoString_AW::CmRestore() {
  if (restoreEnabled) TEdit::SetText(defaultText);
}

// --- _TAutoDate_ ---------------------------------------------------------------------------

_TAutoDate_::_TAutoDate_(TWindow* parent, int resourceId, WString* boundVariable, const WString& text)
    : TEdit(parent, resourceId), variable(boundVariable), givenText(text) {}

const TResponseTable& _TAutoDate_::Table() {
  static const TResponseTable table({OnCommand<&_TAutoDate_::CmRestore>(kCmRestoreDefaults)}, {&TEdit::Table()});
  return table;
}

bool _TAutoDate_::Find(TEventInfo& info) { return Table().Search(info); }

void _TAutoDate_::LoadFromVariable() {
  if (readOnly || variable == nullptr) return;
  TEdit::SetText(FormatDateYmd(*variable));
  // "dd.mm.yyyy"
  LimitText(10);
}

void _TAutoDate_::SaveToVariable() {
  if (readOnly || variable == nullptr) return;
  *variable = ReadDateText(GetText());
}

}  // namespace kvn
