// Bound texts: the static text filled from a pattern, the edit bound to a
// string and the date field.
#pragma once

#include "platform/ui/ControlTexts.h"

namespace kvn {

// A static text whose own text (after translation) is a pattern with "%s"
// or "%d" placeholders that the program fills (FormatPercentS / FormatPercentD).
class TMyStaticText : public TStatic {
 public:
  TMyStaticText(TWindow* parent, int resourceId);

  WString pattern;            // the control's text at set-up
  WString value;              // a text set before the window existed
  bool valuePending = false;

  // Before the window exists the text is kept and shown at set-up; later it
  // is shown at once (the pattern is not used).
  void SetValue(const WString& text);
  // The pattern with its first "%s" placeholders filled in order (a pattern
  // without one is shown unchanged). On this class SetText fills the pattern.
  void SetText(const WString& s) override;
  void SetText(const WString& s1, const WString& s2);
  void SetText(const WString& s1, const WString& s2, const WString& s3);
  // The same with "%d" and decimal numbers.
  void SetNumber(int a);
  void SetNumber(int a, int b);
  void SetNumber(int a, int b, int c);
  // The pattern's first "%s" filled with the text and its first "%d" with
  // the number, wherever each stands.
  void SetTextAndNumber(const WString& text, int number);

 protected:
  void SetupWindow() override;
};

// SetTextAndNumber's filling, without a window.
WString FormatTextAndNumber(const WString& pattern, const WString& text, int number);

// An edit bound to a string.
class TAutoString_AW : public TEdit {
 public:
  TAutoString_AW(TWindow* parent, int resourceId, WString* boundVariable, const WString& defaultTextValue);

  WString* variable;
  WString defaultText;
  int textLimit = 0;           // characters; 0 none
  bool restoreEnabled = true;  // Restore shows the default text
  bool enabled = true;         // cleared: the field is shown disabled

  using TEdit::GetText;
  void GetText(WString& out) const { out = GetText(); }

  void LoadFromVariable() override;
  void SaveToVariable() override;

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void CmRestore();
};

// A date field bound to a date of 8 digits, year month day, shown as
// day.month.year (AutoValues.h).
class TAutoDate_ : public TEdit {
 public:
  TAutoDate_(TWindow* parent, int resourceId, WString* boundVariable, const WString& text);

  WString* variable;
  WString givenText;      // the constructor's text, kept and not shown
  bool readOnly = false;  // set: neither transfer runs

  void LoadFromVariable() override;
  void SaveToVariable() override;

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  // Restore leaves a date as it is.
  void CmRestore() {}
};

}  // namespace kvn
