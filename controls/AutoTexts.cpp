#include "controls/AutoTexts.h"

#include <string>

#include "controls/AutoValues.h"
#include "foundation/TextFormat.h"

namespace kvn {

// --- TMyStaticText ------------------------------------------------------------------------

TMyStaticText::TMyStaticText(TWindow* parent, int resourceId) : TStatic(parent, resourceId) {}

void TMyStaticText::SetupWindow() {
  TStatic::SetupWindow();
  pattern = GetText();
  if (valuePending) {
    TStatic::SetText(value);
    valuePending = false;
  }
}

void TMyStaticText::SetValue(const WString& text) {
  value = text;
  if (GetHandle()) {
    TStatic::SetText(text);
  } else {
    valuePending = true;
  }
}

void TMyStaticText::SetText(const WString& s) { TStatic::SetText(FormatPercentS(pattern, s)); }

void TMyStaticText::SetText(const WString& s1, const WString& s2) {
  TStatic::SetText(FormatPercentS2(pattern, s1, s2));
}

void TMyStaticText::SetText(const WString& s1, const WString& s2, const WString& s3) {
  TStatic::SetText(FormatPercentS3(pattern, s1, s2, s3));
}

WString FormatTextAndNumber(const WString& pattern, const WString& text, int number) {
  const std::u16string_view p = pattern.View();
  std::u16string out;
  bool textDone = false;
  bool numberDone = false;
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (p[i] == u'%' && i + 1 < p.size()) {
      if (p[i + 1] == u's' && !textDone) {
        out.append(text.View());
        textDone = true;
        ++i;
        continue;
      }
      if (p[i + 1] == u'd' && !numberDone) {
        for (const char c : std::to_string(number)) out.push_back(char16_t(c));
        numberDone = true;
        ++i;
        continue;
      }
    }
    out.push_back(p[i]);
  }
  return WString(std::u16string_view(out));
}

void TMyStaticText::SetTextAndNumber(const WString& text, int number) {
  TStatic::SetText(FormatTextAndNumber(pattern, text, number));
}

void TMyStaticText::SetNumber(int a) { TStatic::SetText(FormatPercentD(pattern, a)); }

void TMyStaticText::SetNumber(int a, int b) { TStatic::SetText(FormatPercentD2(pattern, a, b)); }

void TMyStaticText::SetNumber(int a, int b, int c) { TStatic::SetText(FormatPercentD3(pattern, a, b, c)); }

// --- TAutoString_AW -----------------------------------------------------------------------

TAutoString_AW::TAutoString_AW(TWindow* parent, int resourceId, WString* boundVariable,
                                 const WString& defaultTextValue)
    : TEdit(parent, resourceId), variable(boundVariable), defaultText(defaultTextValue) {}

const TResponseTable& TAutoString_AW::Table() {
  static const TResponseTable table({OnCommand<&TAutoString_AW::CmRestore>(kCmRestoreDefaults)},
                                    {&TEdit::Table()});
  return table;
}

bool TAutoString_AW::Find(TEventInfo& info) { return Table().Search(info); }

void TAutoString_AW::LoadFromVariable() {
  if (textLimit > 0) LimitText(textLimit);
  if (variable) TEdit::SetText(*variable);
  if (!enabled) EnableWindow(false);
}

void TAutoString_AW::SaveToVariable() {
  if (variable) *variable = GetText();
}

void TAutoString_AW::CmRestore() {
  if (restoreEnabled) TEdit::SetText(defaultText);
}

// --- TAutoDate_ ---------------------------------------------------------------------------

TAutoDate_::TAutoDate_(TWindow* parent, int resourceId, WString* boundVariable, const WString& text)
    : TEdit(parent, resourceId), variable(boundVariable), givenText(text) {}

const TResponseTable& TAutoDate_::Table() {
  static const TResponseTable table({OnCommand<&TAutoDate_::CmRestore>(kCmRestoreDefaults)}, {&TEdit::Table()});
  return table;
}

bool TAutoDate_::Find(TEventInfo& info) { return Table().Search(info); }

void TAutoDate_::LoadFromVariable() {
  if (readOnly || variable == nullptr) return;
  TEdit::SetText(FormatDateYmd(*variable));
  // "dd.mm.yyyy"
  LimitText(10);
}

void TAutoDate_::SaveToVariable() {
  if (readOnly || variable == nullptr) return;
  *variable = ReadDateText(GetText());
}

}  // namespace kvn
