// Spin stepping and the number field without a window: snapping to the
// step grid, limits, the keys' step, normal form and the bound variable.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "controls/SpinEdit.h"

namespace kvn {
namespace {

double Up(double value, double step, double minimum = -DBL_MAX, double maximum = DBL_MAX) {
  double out = -12345;
  return SpinStepUpValue(value, step, minimum, maximum, &out) ? out : -12345;
}

double Down(double value, double step, double minimum = -DBL_MAX, double maximum = DBL_MAX) {
  double out = -12345;
  return SpinStepDownValue(value, step, minimum, maximum, &out) ? out : -12345;
}

TEST(SpinEditTest, StepsSnapToTheGrid) {
  // 0.97 snaps to 1.0, 0.03 above: far enough, no extra step.
  EXPECT_DOUBLE_EQ(Up(0.97, 0.1), 1.0);
  // 1.0004 snaps to 1.0, below the value: one more step.
  EXPECT_DOUBLE_EQ(Up(1.0004, 0.1), 1.1);
  EXPECT_DOUBLE_EQ(Up(1.0, 0.1), 1.1);
  EXPECT_DOUBLE_EQ(Up(3, 1), 4);
  // Down mirrors it.
  EXPECT_DOUBLE_EQ(Down(1.03, 0.1), 1.0);
  EXPECT_DOUBLE_EQ(Down(0.9996, 0.1), 0.9);
  EXPECT_DOUBLE_EQ(Down(-2.5, 1), -3);
}

TEST(SpinEditTest, StepsStopAtTheLimits) {
  // At the maximum Up does nothing; the last step is capped.
  EXPECT_EQ(Up(10, 1, 0, 10), -12345);
  EXPECT_DOUBLE_EQ(Up(9.5, 1, 0, 9.7), 9.7);
  EXPECT_EQ(Down(0, 1, 0, 10), -12345);
  EXPECT_DOUBLE_EQ(Down(0.4, 1, 0.2, 10), 0.2);
  // A value beyond the range is clamped first.
  EXPECT_EQ(Up(15, 1, 0, 10), -12345);
  EXPECT_DOUBLE_EQ(Down(15, 1, 0, 10), 9);
}

TEST(SpinEditTest, EmptyFieldsAndBadStepsDoNothing) {
  EXPECT_EQ(Up(DBL_MAX, 1), -12345);
  EXPECT_EQ(Down(DBL_MAX, 1), -12345);
  EXPECT_EQ(Up(-DBL_MAX, 1), -12345);
  EXPECT_EQ(Down(-DBL_MAX, 1), -12345);
  EXPECT_EQ(Up(std::nan(""), 1), -12345);
  EXPECT_EQ(Down(std::nan(""), 1), -12345);
  EXPECT_EQ(Up(1, 0), -12345);
  EXPECT_EQ(Up(1, std::nan("")), -12345);
  EXPECT_EQ(Down(1, INFINITY), -12345);
}

TEST(SpinEditTest, ClickStepFollowsTheKeys) {
  EXPECT_DOUBLE_EQ(SpinClickStep(0.5, false, false, 10, 10, 2), 0.5);
  EXPECT_DOUBLE_EQ(SpinClickStep(0.5, true, false, 10, 10, 2), 5.0);
  EXPECT_DOUBLE_EQ(SpinClickStep(0.5, false, true, 10, 10, 2), 0.05);
  // Ctrl wins over Shift.
  EXPECT_DOUBLE_EQ(SpinClickStep(0.5, true, true, 10, 10, 2), 5.0);
  // A field without decimals still steps by a whole unit with Shift.
  EXPECT_DOUBLE_EQ(SpinClickStep(1, false, true, 10, 10, 0), 1.0);
  EXPECT_DOUBLE_EQ(SpinClickStep(50, false, true, 10, 10, 0), 5.0);
  EXPECT_DOUBLE_EQ(SpinClickStep(7, false, true, 10, 10, 0), 1.0);
}

// A parent that counts WM_AUTO_CHANGED.
class CountingParent : public TWindow {
 public:
  CountingParent() : TWindow(nullptr) {}
  int changed = 0;
  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable table({OnRaw<&CountingParent::EvChanged>(kWmAutoChanged)}, {&TWindow::Table()});
    return table;
  }

 private:
  TResult EvChanged(TParam1, TParam2) {
    ++changed;
    return 0;
  }
};

TEST(SpinEditTest, FieldShowsNoValueAsEmptyAndScalesUnits) {
  TRangeSpinEdit5 field(2, nullptr, 1006);
  field.SetValue(std::nan(""));
  EXPECT_EQ(field.GetText(), WString());
  field.SetValue(DBL_MAX);
  EXPECT_EQ(field.GetText(), WString());
  field.unitText = WString(u" mm");
  field.unitScale = 10;
  field.SetValue(125);
  EXPECT_EQ(field.GetText(), WString(u"12.5 mm"));
  EXPECT_DOUBLE_EQ(field.GetValue(), 125);
  EXPECT_FALSE(field.IsModified());
  // The unit the field wrote is no part of the number typed back.
  field.TypeText(WString(u"3.25 mm"));
  EXPECT_DOUBLE_EQ(field.GetValue(), 32.5);
}

TEST(SpinEditTest, ArrowStepShowsTheNewValueAndMarksIt) {
  TRangeSpinEdit5 field(2, nullptr, 1006);
  field.SetRange(0, 2, 0.1);
  field.SetValue(0.97);
  field.StepUp(0.1);
  EXPECT_EQ(field.GetText(), WString(u"1"));
  EXPECT_TRUE(field.IsModified());
  EXPECT_TRUE(field.IsChanged());
  EXPECT_DOUBLE_EQ(field.GetValue(), 1.0);
  field.SetValue(2);
  field.StepUp(0.1);
  EXPECT_EQ(field.GetText(), WString(u"2"));
  EXPECT_FALSE(field.IsModified());
}

TEST(SpinEditTest, LeavingRewritesTypedTextInNormalForm) {
  TRangeSpinEdit5 field(3, nullptr, 1006);
  field.unitText = WString(u" m");
  field.TypeText(WString(u"1.500"));
  field.Reformat();
  EXPECT_EQ(field.GetText(), WString(u"1.5 m"));
  EXPECT_TRUE(field.IsChanged());

  TRangeSpinEdit5 normal(3, nullptr, 1007);
  normal.unitText = WString(u" m");
  normal.TypeText(WString(u"1.5 m"));
  normal.Reformat();
  EXPECT_EQ(normal.GetText(), WString(u"1.5 m"));
  EXPECT_FALSE(normal.IsChanged());
}

TEST(SpinEditTest, TypedValuesAreClampedAndUnreadableTextKeepsTheValue) {
  TRangeSpinEdit5 field(1, nullptr, 1006);
  field.SetRange(0, 100, 1);
  field.SetValue(40);
  field.TypeText(WString(u"250"));
  EXPECT_DOUBLE_EQ(field.GetValue(), 100);
  field.TypeText(WString(u"-3"));
  EXPECT_DOUBLE_EQ(field.GetValue(), 0);
  field.TypeText(WString(u"12"));
  EXPECT_DOUBLE_EQ(field.GetValue(), 12);
  field.TypeText(WString(u"1..2"));
  EXPECT_DOUBLE_EQ(field.GetValue(), 12);
  field.TypeText(WString(u"x12"));
  EXPECT_DOUBLE_EQ(field.GetValue(), 12);
  field.TypeText(WString());
  EXPECT_DOUBLE_EQ(field.GetValue(), 0);
}

TEST(SpinEditTest, UserChangesWriteTheBoundVariableAndTellTheParent) {
  CountingParent parent;
  auto* field = new TRangeSpinEdit5(1, &parent, 1006);
  double live = 7;
  field->variable = &live;
  field->unitScale = 2;
  field->SetValue(7);  // the program's own writes are not reported
  EXPECT_EQ(parent.changed, 0);
  field->TypeText(WString(u"4"));
  EXPECT_DOUBLE_EQ(live, 8);
  EXPECT_EQ(parent.changed, 1);
  field->SetRange(-DBL_MAX, DBL_MAX, 0.5);
  field->StepUp(0.5);
  EXPECT_DOUBLE_EQ(live, 9);
  EXPECT_EQ(parent.changed, 2);
}

}  // namespace
}  // namespace kvn
