// TRangeSpinEdit5: an edit for one real number with a range, a step, a
// number of decimals, a unit text and an optional bound variable, and its
// up-down control TSpinner5 glued to its right side, whose arrows step it.
//
// Units: the field shows and steps "field units"; the bound variable and
// GetValue/SetValue are in the caller's units, field value x unit scale.
// -DBL_MAX and DBL_MAX (and NaN) stand for "no value" and show an empty field.
//
// Messages to the parent (numbers in Messages.h): with a bound variable,
// every user change writes it and sends WM_AUTO_CHANGED (35998); Enter,
// Tab, Shift+Tab and Escape post WM_AUTO_NEXT (35999) with 0, 1, 2 and 3.
#pragma once

#include <cfloat>
#include <cstdint>

#include "platform/ui/ControlTexts.h"

namespace kvn {

inline constexpr int kSpinnerId = 32679;

// --- stepping arithmetic (no window needed) -----------------------------------------------

// The step of one arrow click: times the fast factor with Ctrl; else with
// Shift divided by the fine divisor, and for a field without decimals
// rounded to a whole step of at least 1.
double SpinClickStep(double step, bool ctrl, bool shift, int fastFactor, int fineDivisor, unsigned decimals);
// One step up from `value`: the value snapped to the step grid
// (floor(value / step + 0.5) x step), one more step when that lies less than
// step / 100 above the value, capped at the maximum. False when nothing
// happens: a step of 0, NaN or infinite; a value of NaN, -DBL_MAX or DBL_MAX
// (an empty field); a value already at or above the maximum.
bool SpinStepUpValue(double value, double step, double minimum, double maximum, double* out);
// The mirror image: nothing at or below the minimum, floored at the minimum.
bool SpinStepDownValue(double value, double step, double minimum, double maximum, double* out);

class TRangeSpinEdit5;

class TSpinner5 : public TUpDown {
 public:
  // Made at run time for the edit, in the edit's parent.
  explicit TSpinner5(TRangeSpinEdit5* edit);
  ~TSpinner5() override;

  TRangeSpinEdit5* GetEdit() const { return edit_; }

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void SetupWindow() override;

 private:
  friend class TRangeSpinEdit5;
  TResult EvDeltaPos(TNotify& header);

  TRangeSpinEdit5* edit_;
};

class TRangeSpinEdit5 : public TEdit {
 public:
  TRangeSpinEdit5(unsigned decimals, TWindow* parent, int resourceId);
  TRangeSpinEdit5(unsigned decimals, TWindow* parent, int id, int x, int y, int w, int h);
  ~TRangeSpinEdit5() override;

  // The public fields of the field, set by its owner.
  WString unitText;            // after the number; also the spinner's tooltip
  double* variable = nullptr;  // written at every user change (value x unit scale)
  unsigned decimals;
  int fastFactor = 10;         // step multiplier with Ctrl
  int fineDivisor = 10;        // step divisor with Shift
  bool reformat = true;        // rewrite typed text into normal form when leaving
  double unitScale = 1.0;

  void SetRange(double minimum, double maximum, double step);
  double GetMinimum() const { return minimum_; }
  double GetMaximum() const { return maximum_; }
  double GetStep() const { return step_; }

  // The value in the caller's units: divided by the unit scale (when above 0)
  // and shown; the modified and changed flags are cleared.
  void SetValue(double value);
  // ParseValue x unit scale.
  double GetValue();
  // The value in field units: when the user changed the text, the text read
  // as a number (an empty text is 0, an unreadable one keeps the value);
  // clamped to the range. `text` (optional) receives the window text.
  double ParseValue(WString* text = nullptr);
  // The text SetValue shows for a value in field units.
  WString FormatValue(double value) const;
  // Stores and shows a value in field units; without notify the modified
  // flag is cleared; with select the whole text is selected when the field
  // has the focus; with notify EN_CHANGE takes the notification road.
  void ShowValue(double value, bool select, bool notify);
  // When the user changed the text: the normal form replaces a text that
  // differs from it, and the changed flag is set.
  void Reformat();
  // The user changed the text, or the program stepped or reformatted it.
  bool IsModified() const { return TEdit::IsModified() || changed_; }
  bool IsChanged() const { return changed_; }
  void StepUp(double step);
  void StepDown(double step);
  // An arrow click with the keys held now (Ctrl, Shift).
  void StepByArrow(int delta);

  bool CanClose() override;
  TSpinner5* GetSpinner() const { return spinner_; }

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void SetupWindow() override;
  TResult EvGetDlgCode(TParam1 wParam, TParam2 lParam);
  void EvKillFocus(THandle focus);
  void EnChange();
  void EvEnable(bool enabled);
  void EvShowWindow(bool show, std::uint32_t status);

 private:
  friend class TSpinner5;
  void ShowStep(double value);
  void PostToParent(std::uint32_t msg, TParam1 wParam);

  bool busy_ = false;     // the program writes the text
  bool changed_ = false;  // the program stepped or reformatted the value
  TSpinner5* spinner_ = nullptr;
  double value_ = 0.0;
  double step_ = 1.0;
  double minimum_ = -DBL_MAX;
  double maximum_ = DBL_MAX;
};

}  // namespace kvn
