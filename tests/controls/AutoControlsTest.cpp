// The bound controls without windows: what they show of their variables,
// what they store, Restore, and the notification road to the parent.
#include <gtest/gtest.h>

#include <cfloat>
#include <vector>

#include "controls/AutoControls.h"

namespace kvn {
namespace {

// A parent that records the WM_COMMAND notifications and private messages it gets.
class RecordingParent : public TWindow {
 public:
  RecordingParent() : TWindow(nullptr) {}
  std::vector<std::uint32_t> commands;  // (id << 16) | code
  int autoChanged = 0;
  TResult EvCommand(std::uint32_t id, THandle, std::uint32_t code) override {
    commands.push_back((id << 16) | code);
    return 0;
  }
  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable table({OnRaw<&RecordingParent::EvChanged>(kWmAutoChanged)}, {&TWindow::Table()});
    return table;
  }

 private:
  TResult EvChanged(TParam1, TParam2) {
    ++autoChanged;
    return 0;
  }
};

std::uint32_t Command(std::uint32_t id, std::uint32_t code) { return (id << 16) | code; }

TEST(AutoControlsTest, IndeterminateCheckBoxBecomesCheckedOnAClick) {
  RecordingParent parent;
  int value = 2;
  auto* check = new TAutoCheck(&parent, 1002, &value, 0);
  check->LoadFromVariable();
  EXPECT_EQ(check->GetState(), kBstIndeterminate);
  check->Click();
  EXPECT_EQ(check->GetState(), kBstChecked);
  check->Click();  // never back to 2
  EXPECT_NE(check->GetState(), kBstIndeterminate);
  check->SetCheck(kBstChecked);
  check->SaveToVariable();
  EXPECT_EQ(value, 1);
  // Without a live variable every click reaches the parent.
  EXPECT_EQ(parent.commands, (std::vector<std::uint32_t>{Command(1002, kBnClicked), Command(1002, kBnClicked)}));
}

TEST(AutoControlsTest, LiveCheckBoxWritesAtOnceAndKeepsTheClickToItself) {
  RecordingParent parent;
  int deferred = 0;
  std::uint8_t live = 0;
  std::vector<int> calls;
  static std::vector<int>* seen = nullptr;
  seen = &calls;
  auto* check = new TAutoCheck(&parent, 1002, &deferred, 1);
  check->liveVariable = &live;
  check->callback = [](TWindow*, std::uint32_t user, int state) { seen->push_back(int(user) * 10 + state); };
  check->userValue = 4;
  check->SetCheck(kBstChecked);
  check->Notify(kBnClicked);  // what the toolkit reports after a click
  EXPECT_EQ(live, 1);
  EXPECT_EQ(deferred, 0);
  EXPECT_EQ(parent.autoChanged, 1);
  EXPECT_TRUE(parent.commands.empty());
  EXPECT_EQ(calls, (std::vector<int>{41}));
}

TEST(AutoControlsTest, RestoreShowsTheDefaultWithoutStoring) {
  RecordingParent parent;
  int checkValue = 0;
  WString name(u"mine");
  double scale = 3;
  auto* check = new TAutoCheck(&parent, 1002, &checkValue, 1);
  auto* text = new TAutoString_AW(&parent, 1001, &name, WString(u"default"));
  auto* number = new TAutoDouble(2, &parent, 1006, &scale, 1.5);
  auto* noDefault = new TAutoDouble(2, &parent, 1007, nullptr, DBL_MAX);
  for (TTransferTarget* t : std::vector<TTransferTarget*>{check, text, number}) t->LoadFromVariable();
  noDefault->SetValue(8);
  BroadcastResetToDefaults(parent);
  EXPECT_EQ(check->GetState(), kBstChecked);
  EXPECT_EQ(text->GetText(), WString(u"default"));
  EXPECT_DOUBLE_EQ(number->GetValue(), 1.5);
  // A default of DBL_MAX leaves the field as it is.
  EXPECT_DOUBLE_EQ(noDefault->GetValue(), 8);
  EXPECT_EQ(checkValue, 0);
  EXPECT_EQ(name, WString(u"mine"));
  EXPECT_DOUBLE_EQ(scale, 3);
}

TEST(AutoControlsTest, RestoreKeepsAnIndeterminateDefault) {
  RecordingParent parent;
  int value = 0;
  auto* check = new TAutoCheck(&parent, 1002, &value, 2);
  check->LoadFromVariable();
  BroadcastResetToDefaults(parent);
  EXPECT_EQ(check->GetState(), kBstIndeterminate);
}

TEST(AutoControlsTest, IntegerFieldsStoreRoundedValues) {
  int count = 0;
  TAutoInt_ field(nullptr, 1007, &count, 5);
  field.TypeText(WString(u"2.5"));
  field.SaveToVariable();
  EXPECT_EQ(count, 3);
  field.TypeText(WString(u"-2.5"));
  field.SaveToVariable();
  EXPECT_EQ(count, -2);
  EXPECT_EQ(field.GetInt(), -2);
  // Both bound: the int wins on loading, the double gets the raw value.
  double raw = 7.25;
  field.doubleVariable = &raw;
  count = 9;
  field.LoadFromVariable();
  EXPECT_EQ(field.GetText(), WString(u"9"));
  field.TypeText(WString(u"4.4"));
  field.SaveToVariable();
  EXPECT_DOUBLE_EQ(raw, 4.4);
  EXPECT_EQ(count, 4);
}

TEST(AutoControlsTest, WordFieldsStayInSixteenBits) {
  std::uint16_t word = 0;
  TAutoWORD_ field(nullptr, 1007, &word, 1);
  field.TypeText(WString(u"70000"));
  field.SaveToVariable();
  EXPECT_EQ(word, 65535);
  field.TypeText(WString(u"-4"));
  field.SaveToVariable();
  EXPECT_EQ(word, 0);
  field.TypeText(WString(u"1234.5"));
  EXPECT_EQ(field.GetWord(), 1235);
}

TEST(AutoControlsTest, ListBoxItemsFromTabSeparatedText) {
  int index = 1;
  TAutoListBox list(nullptr, 1009, &index, 0);
  list.itemText = WString(u"One\tTwo\t");
  list.LoadFromVariable();
  ASSERT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.GetString(1), WString(u"Two"));
  EXPECT_EQ(list.GetString(2), WString());
  EXPECT_EQ(list.GetSelIndex(), 1);
  list.SetSelIndex(-1);
  list.SaveToVariable();
  EXPECT_EQ(index, -1);
}

TEST(AutoControlsTest, ComboByteVariableWith255ShowsNoSelection) {
  std::uint8_t byte = 255;
  TAutoCombo_ combo(nullptr, 1005, nullptr, 0);
  combo.byteVariable = &byte;
  combo.itemDataMode = true;
  combo.itemText = WString(u"a\tb\tc");
  combo.LoadFromVariable();
  EXPECT_EQ(combo.GetSelIndex(), -1);
  int plain = 5;
  combo.variable = &plain;
  combo.SaveToVariable();
  EXPECT_EQ(plain, -1);
  EXPECT_EQ(byte, 255);
  // A value no item carries selects nothing.
  combo.SelectValue(1);
  EXPECT_EQ(combo.GetSelIndex(), 1);
  combo.SelectValue(77);
  EXPECT_EQ(combo.GetSelIndex(), -1);
}

TEST(AutoControlsTest, ComboItemDataModeStoresTheData) {
  int value = 30;
  TAutoCombo_ combo(nullptr, 1005, &value, 10);
  combo.itemDataMode = true;
  combo.LoadFromVariable();  // an empty item text: no items
  combo.AddItem(WString(u"ten"), 10);
  combo.AddItem(WString(u"twenty"), 20);
  combo.AddItem(WString(u"thirty"), 30);
  combo.SelectFromVariables();
  EXPECT_EQ(combo.GetSelIndex(), 2);
  int index = -9;
  int data = -9;
  EXPECT_EQ(combo.GetSelection(&index, &data), 30);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(data, 30);
}

struct ComboWatch {
  static inline int calls = 0;
  static inline int lastValue = -100;
  static void Callback(TAutoCombo_*, int value) {
    ++calls;
    lastValue = value;
  }
};

TEST(AutoControlsTest, BrowsingTheOpenListAndCancellingChangesNothing) {
  RecordingParent parent;
  int value = 1;
  int live = 1;
  auto* combo = new TAutoCombo_(&parent, 1005, &value, 0);
  combo->itemText = WString(u"Red\tGreen\tBlue");
  combo->liveInt = &live;
  combo->callback = &ComboWatch::Callback;
  combo->LoadFromVariable();
  ComboWatch::calls = 0;

  combo->OnToolkitDropDown();
  EXPECT_TRUE(combo->GetDroppedState());
  combo->SetSelIndex(2);  // the arrow keys in the open list
  combo->Notify(kCbnSelChange);
  combo->SetSelIndex(0);
  combo->Notify(kCbnSelChange);
  combo->OnToolkitCloseUp();  // Escape
  EXPECT_FALSE(combo->GetDroppedState());
  EXPECT_EQ(combo->GetSelIndex(), 1);
  EXPECT_EQ(live, 1);
  EXPECT_EQ(ComboWatch::calls, 0);
  combo->SaveToVariable();
  EXPECT_EQ(value, 1);

  // A confirmed choice: once, with the live variable written.
  combo->OnToolkitDropDown();
  combo->SetSelIndex(2);
  combo->OnToolkitSelect();
  combo->OnToolkitCloseUp();
  EXPECT_EQ(combo->GetSelIndex(), 2);
  EXPECT_EQ(live, 2);
  EXPECT_EQ(ComboWatch::calls, 1);
  EXPECT_EQ(ComboWatch::lastValue, 2);
  // The parent saw Win32's order of notifications, less the selection
  // changes inside the open list, which the control keeps to itself.
  const std::vector<std::uint32_t> expected{Command(1005, kCbnDropDown), Command(1005, kCbnSelEndCancel),
                                            Command(1005, kCbnCloseUp),  Command(1005, kCbnDropDown),
                                            Command(1005, kCbnSelEndOk), Command(1005, kCbnCloseUp)};
  EXPECT_EQ(parent.commands, expected);
}

TEST(AutoControlsTest, ComboChoiceReportedAfterTheListClosedStillCounts) {
  int value = 0;
  TAutoCombo_ combo(nullptr, 1005, &value, 0);
  combo.itemText = WString(u"a\tb");
  combo.notifyParent = false;
  combo.LoadFromVariable();
  combo.OnToolkitDropDown();
  combo.SetSelIndex(1);
  combo.OnToolkitSelect();
  combo.OnToolkitCloseUp();
  combo.SaveToVariable();
  EXPECT_EQ(value, 1);
}

TEST(AutoControlsTest, StaticTextFillsItsPattern) {
  TMyStaticText label(nullptr, 1010);
  label.pattern = WString(u"Items: %d of %d");
  label.SetNumber(2, 7);
  EXPECT_EQ(label.GetText(), WString(u"Items: 2 of 7"));
  label.pattern = WString(u"No placeholder");
  label.SetNumber(2, 7);
  EXPECT_EQ(label.GetText(), WString(u"No placeholder"));
  label.pattern = WString(u"%s and %s, 100%%");
  label.SetText(WString(u"A"), WString(u"B"));
  EXPECT_EQ(label.GetText(), WString(u"A and B, 100%"));
}

TEST(AutoControlsTest, StringAndDateFieldsTransfer) {
  WString name(u"Plan");
  TAutoString_AW text(nullptr, 1001, &name, WString());
  text.LoadFromVariable();
  EXPECT_EQ(text.GetText(), WString(u"Plan"));
  text.TypeText(WString(u"Section"));
  text.SaveToVariable();
  EXPECT_EQ(name, WString(u"Section"));

  WString date(u"20240307");
  TAutoDate_ field(nullptr, 1008, &date, WString());
  field.LoadFromVariable();
  EXPECT_EQ(field.GetText(), WString(u"7.3.2024"));
  EXPECT_EQ(field.GetTextLimit(), 10);
  field.TypeText(WString(u"1/12/2023"));
  field.SaveToVariable();
  EXPECT_EQ(date, WString(u"20231201"));
  field.readOnly = true;
  field.TypeText(WString(u"5.5.2025"));
  field.SaveToVariable();
  EXPECT_EQ(date, WString(u"20231201"));
}

TEST(AutoControlsTest, DoubleClickConfirmsOnlyWhenAsked) {
  RecordingParent parent;
  int index = 0;
  auto* list = new TAutoListBox(&parent, 1009, &index, 0);
  list->Notify(kLbnDblClk);
  EXPECT_EQ(parent.commands, (std::vector<std::uint32_t>{Command(1009, kLbnDblClk)}));
  list->doubleClickIsOk = true;
  list->Notify(kLbnDblClk);  // posts IDOK instead (no window here to post to)
  EXPECT_EQ(parent.commands.size(), 1u);
}

}  // namespace
}  // namespace kvn
