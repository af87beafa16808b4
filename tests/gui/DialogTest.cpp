// The test dialog 29990 (resources/dialogs/test-29990.dlg) on a private X
// display: its bound controls show their variables, Cancel leaves the
// variables alone, OK stores them, Restore shows the defaults without
// storing, the texts are translated with distinct accelerator letters, the
// remembered edit gets the focus again, and the dialog manager's keys work
// with real key presses. Screenshots go to $KVN_GUI_ARTIFACTS.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/timer.h>
#include <wx/toplevel.h>
#include <wx/window.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "controls/AutoControls.h"
#include "foundation/LangTable.h"
#include "platform/ui/Application.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/WxText.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

constexpr int kTestDialogId = 29990;
constexpr int kNameEdit = 1001;
constexpr int kGridCheck = 1002;
constexpr int kLinesRadio = 1003;
constexpr int kPointsRadio = 1004;
constexpr int kColourCombo = 1005;
constexpr int kScaleField = 1006;
constexpr int kCountField = 1007;
constexpr int kDateField = 1008;
constexpr int kLevelList = 1009;
constexpr int kItemsText = 1010;
constexpr int kLayerList = 1011;
constexpr int kLockButton = 1012;
constexpr int kRestoreButton = 1053;

struct Values {
  Values() {
    AddLayer(u"Walls", 1, 0);
    AddLayer(u"Doors", 0, 1);
    AddLayer(u"Grid", 1, 2);
  }
  void AddLayer(const char16_t* text, std::uint8_t checked, std::uint8_t defaultState) {
    auto* item = new TCheckItem;
    item->text = WString(text);
    item->checked = checked;
    item->defaultState = defaultState;
    layers.Add(item);
  }
  WString name{u"Plan A"};
  int grid = 2;
  int mode = 1;
  int colour = 2;
  double scale = 2.5;
  int count = 12;
  WString date{u"20240307"};
  int level = 1;
  OwnedArray<TCheckItem> layers;
};

class TestDialog : public TDialogTr {
 public:
  TestDialog(TWindow* parent, Values& v) : TDialogTr(parent, kTestDialogId) {
    name = new TAutoString_AW(this, kNameEdit, &v.name, WString(u"Drawing"));
    grid = new TAutoCheck(this, kGridCheck, &v.grid, 1);
    mode = new TAutoRadio(this, kLinesRadio, 2, &v.mode, 0);
    colour = new TAutoCombo_(this, kColourCombo, &v.colour, 0);
    colour->itemText = WString(u"Red\tGreen\tBlue");
    scale = new TAutoDouble(2, this, kScaleField, &v.scale, 1.0);
    scale->SetRange(0.01, 100, 0.1);
    count = new TAutoInt_(this, kCountField, &v.count, 5);
    date = new TAutoDate_(this, kDateField, &v.date, WString());
    level = new TAutoListBox(this, kLevelList, &v.level, 0);
    level->itemText = WString(u"Walls\tDoors\tWindows");
    items = new TMyStaticText(this, kItemsText);
    layers = new TMyCheckList(this, kLayerList, &v.layers);
    lock = new TXButton(false, this, kLockButton, 0, true, true);
  }
  void AfterLoad() override { items->SetNumber(2, 7); }

  // The private messages the bound controls send and post.
  std::vector<std::pair<std::uint32_t, TParam1>> messages;
  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable table(
        {
            OnRaw<&TestDialog::EvAutoMessage<kWmAutoFieldLeft>>(kWmAutoFieldLeft),
            OnRaw<&TestDialog::EvAutoMessage<kWmAutoChanged>>(kWmAutoChanged),
            OnRaw<&TestDialog::EvAutoMessage<kWmAutoNext>>(kWmAutoNext),
        },
        {&TDialogTr::Table()});
    return table;
  }
  template <std::uint32_t Msg>
  TResult EvAutoMessage(TParam1 wParam, TParam2) {
    messages.emplace_back(Msg, wParam);
    return 0;
  }

  TAutoString_AW* name;
  TAutoCheck* grid;
  TAutoRadio* mode;
  TAutoCombo_* colour;
  TAutoDouble* scale;
  TAutoInt_* count;
  TAutoDate_* date;
  TAutoListBox* level;
  TMyStaticText* items;
  TMyCheckList* layers;
  TXButton* lock;
};

// Runs the dialog modally and the steps inside its loop, one per tick once
// it is shown; a step returns false to be asked again at the next tick.
// A dialog still open long after the last step is cancelled (a failure).
int RunSteps(TDialog& dialog, std::deque<std::function<bool()>> steps) {
  test::StepClock clock;
  bool timedOut = false;
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    wxWindow* peer = dialog.GetPeer();
    if (peer == nullptr || !peer->IsShown()) return;
    if (clock.Expired("the dialog's steps")) {
      timedOut = true;
      timer.Stop();
      dialog.CloseWindow(kIdcCancel);
      return;
    }
    if (!steps.empty() && steps.front()()) {
      steps.pop_front();
      clock.Next();
    }
  });
  timer.Start(60);
  const int result = dialog.Execute();
  timer.Stop();
  EXPECT_FALSE(timedOut) << "the dialog did not close by itself";
  return result;
}

// The letter after the first single '&'; 0 when none.
wxChar Mnemonic(const wxString& label) {
  for (std::size_t i = 0; i + 1 < label.size(); ++i) {
    if (label[i] != '&') continue;
    if (label[i + 1] == '&') {
      ++i;
      continue;
    }
    return wxChar(wxToupper(label[i + 1]));
  }
  return 0;
}

// Real key presses through the X server (xdotool), as a user types them:
// the X focus goes to the dialog first (there is no window manager to give
// it). xdotool runs to its end before the test goes on, so that no key of
// one step arrives in a later one; the presses wait in the X connection
// until the dialog's loop reads them.
std::string XdoKeys(const std::string& keys) { return test::XdoOnWindow("Bound controls test", "key " + keys); }
std::string XdoFocus() { return test::XdoOnWindow("Bound controls test"); }
std::string XdoKeysToFocus(const std::string& keys) { return "timeout 10 xdotool key " + keys + " >/dev/null 2>&1"; }

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    frame_ = test::NewFrame(WString(u"Owner"), 60, 40, 900, 700);
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
  }
  void TearDown() override { delete frame_; }

  // The changes a user makes in every control.
  static void ChangeEverything(TestDialog& d) {
    d.name->TypeText(WString(u"Changed"));
    d.grid->Click();
    d.mode->Check(0);
    d.colour->SetSelIndex(0);
    d.colour->OnToolkitSelect();
    d.scale->TypeText(WString(u"4.25"));
    d.count->TypeText(WString(u"2.5"));
    d.date->TypeText(WString(u"1.12.2023"));
    d.level->SetSelIndex(2);
    d.layers->SetCheck(0, false);
  }

  static void ExpectUnchanged(const Values& v) {
    const Values original;
    EXPECT_EQ(v.name, original.name);
    EXPECT_EQ(v.grid, original.grid);
    EXPECT_EQ(v.mode, original.mode);
    EXPECT_EQ(v.colour, original.colour);
    EXPECT_DOUBLE_EQ(v.scale, original.scale);
    EXPECT_EQ(v.count, original.count);
    EXPECT_EQ(v.date, original.date);
    EXPECT_EQ(v.level, original.level);
    for (std::uint32_t i = 0; i < original.layers.Count(); ++i) {
      EXPECT_EQ(v.layers[i]->checked, original.layers[i]->checked) << "layer " << i;
    }
  }

  static void Press(TDialog& d, int id) {
    auto* button = dynamic_cast<TButton*>(d.GetDlgItem(id));
    ASSERT_NE(button, nullptr) << "button " << id;
    button->Click();
  }

  TFrameWindow* frame_ = nullptr;
};

// A dialog closed while the toolkit is still showing it (here from the
// toolkit's own first update, as a timer can do while a text field waits for
// the clipboard there) still ends its modal run, with the close's answer.
class ClosedWhileShown : public TestDialog {
 public:
  using TestDialog::TestDialog;

 protected:
  void SetupWindow() override {
    TestDialog::SetupWindow();
    GetPeer()->Bind(wxEVT_INIT_DIALOG, [this](wxInitDialogEvent& e) {
      CloseWindow(kIdcCancel);
      e.Skip();
    });
  }
};

TEST_F(DialogTest, ClosedWhileBeingShownStillEndsItsModalRun) {
  Values v;
  ClosedWhileShown d(frame_, v);
  EXPECT_EQ(d.Execute(), int(kIdcCancel));
  EXPECT_EQ(d.GetHandle(), nullptr);
}

TEST_F(DialogTest, ShowsTheVariablesAndCancelLeavesThemUnchanged) {
  Values v;
  TestDialog d(frame_, v);
  const int result = RunSteps(d, {[&] {
                                    EXPECT_EQ(d.name->GetText(), WString(u"Plan A"));
                                    EXPECT_EQ(d.grid->GetState(), kBstIndeterminate);
                                    EXPECT_EQ(IsDlgButtonChecked(d, kPointsRadio), kBstChecked);
                                    EXPECT_EQ(IsDlgButtonChecked(d, kLinesRadio), kBstUnchecked);
                                    EXPECT_EQ(d.colour->GetSelIndex(), 2);
                                    EXPECT_EQ(d.colour->GetText(), WString(u"Blue"));
                                    EXPECT_EQ(d.scale->GetText(), WString(u"2.5"));
                                    EXPECT_EQ(d.count->GetText(), WString(u"12"));
                                    EXPECT_EQ(d.date->GetText(), WString(u"7.3.2024"));
                                    EXPECT_EQ(d.level->GetSelIndex(), 1);
                                    EXPECT_EQ(d.level->GetString(2), WString(u"Windows"));
                                    EXPECT_EQ(d.items->GetText(), WString(u"Items: 2 of 7"));
                                    EXPECT_EQ(d.layers->GetItemCount(), 3);
                                    EXPECT_EQ(d.layers->GetItemText(1), WString(u"Doors"));
                                    EXPECT_TRUE(d.layers->IsChecked(0));
                                    EXPECT_FALSE(d.layers->IsChecked(1));
                                    EXPECT_TRUE(d.layers->IsChecked(2));
                                    return true;
                                  },
                                  [&] {
                                    ChangeEverything(d);
                                    EXPECT_EQ(d.grid->GetState(), kBstChecked);
                                    return true;
                                  },
                                  [&] {
                                    Press(d, kIdcCancel);
                                    return true;
                                  }});
  EXPECT_EQ(result, int(kIdcCancel));
  ExpectUnchanged(v);
}

TEST_F(DialogTest, OkStoresTheValues) {
  Values v;
  TestDialog d(frame_, v);
  const int result = RunSteps(d, {[&] {
                                    ChangeEverything(d);
                                    return true;
                                  },
                                  [&] {
                                    Press(d, kIdcOk);
                                    return true;
                                  }});
  EXPECT_EQ(result, int(kIdcOk));
  EXPECT_EQ(v.name, WString(u"Changed"));
  EXPECT_EQ(v.grid, 1);
  EXPECT_EQ(v.mode, 0);
  EXPECT_EQ(v.colour, 0);
  EXPECT_DOUBLE_EQ(v.scale, 4.25);
  EXPECT_EQ(v.count, 3);
  EXPECT_EQ(v.date, WString(u"20231201"));
  EXPECT_EQ(v.level, 2);
  EXPECT_EQ(v.layers[0]->checked, 0);
  EXPECT_EQ(v.layers[2]->checked, 1);
}

TEST_F(DialogTest, RestoreShowsTheDefaultsWithoutStoring) {
  Values v;
  TestDialog d(frame_, v);
  int result = RunSteps(d, {[&] {
                              Press(d, kRestoreButton);
                              EXPECT_EQ(d.name->GetText(), WString(u"Drawing"));
                              EXPECT_EQ(d.grid->GetState(), kBstChecked);
                              EXPECT_EQ(IsDlgButtonChecked(d, kLinesRadio), kBstChecked);
                              EXPECT_EQ(d.colour->GetSelIndex(), 0);
                              EXPECT_EQ(d.scale->GetText(), WString(u"1"));
                              EXPECT_EQ(d.count->GetText(), WString(u"5"));
                              EXPECT_EQ(d.level->GetSelIndex(), 0);
                              // Layers with a default take it; the one without keeps its check.
                              EXPECT_FALSE(d.layers->IsChecked(0));
                              EXPECT_TRUE(d.layers->IsChecked(1));
                              EXPECT_TRUE(d.layers->IsChecked(2));
                              // A date keeps what it shows.
                              EXPECT_EQ(d.date->GetText(), WString(u"7.3.2024"));
                              return true;
                            },
                            [&] {
                              Press(d, kIdcCancel);
                              return true;
                            }});
  EXPECT_EQ(result, int(kIdcCancel));
  ExpectUnchanged(v);

  TestDialog again(frame_, v);
  result = RunSteps(again, {[&] {
                              Press(again, kRestoreButton);
                              return true;
                            },
                            [&] {
                              Press(again, kIdcOk);
                              return true;
                            }});
  EXPECT_EQ(result, int(kIdcOk));
  EXPECT_EQ(v.name, WString(u"Drawing"));
  EXPECT_EQ(v.grid, 1);
  EXPECT_EQ(v.mode, 0);
  EXPECT_DOUBLE_EQ(v.scale, 1.0);
  EXPECT_EQ(v.count, 5);
  EXPECT_EQ(v.level, 0);
  EXPECT_EQ(v.layers[0]->checked, 0);
  EXPECT_EQ(v.layers[1]->checked, 1);
}

TEST_F(DialogTest, BitmapButtonTogglesAndTakesItsCaptionAsTooltip) {
  Values v;
  TestDialog d(frame_, v);
  std::vector<std::uint32_t> states;
  wxString tooltip;
  const int result = RunSteps(d, {[&] {
                                    tooltip = d.lock->GetPeer()->GetToolTipText();
                                    states.push_back(d.lock->GetState() & 3);
                                    d.lock->Click();
                                    states.push_back(d.lock->GetState() & 3);
                                    d.lock->Click();
                                    states.push_back(d.lock->GetState() & 3);
                                    d.lock->GetPeer()->Update();
                                    return true;
                                  },
                                  [&] {
                                    Press(d, kIdcCancel);
                                    return true;
                                  }});
  EXPECT_EQ(result, int(kIdcCancel));
  EXPECT_EQ(states, (std::vector<std::uint32_t>{0, 1, 0}));
  EXPECT_EQ(tooltip, wxString("&Lock"));
}

TEST_F(DialogTest, LiveFieldReportsChangesKeysAndLeaving) {
  ASSERT_TRUE(test::HaveXdotool()) << "xdotool is missing: run scripts/install-deps.sh";
  Values v;
  TestDialog d(frame_, v);
  double live = 0;
  d.scale->variable = &live;
  int focusAfterTab = 0;
  int settle = 0;
  const int result = RunSteps(d, {[&] {
                                    // The X focus moves first; the toolkit's focus events it
                                    // causes are over before the field is watched.
                                    std::system(XdoFocus().c_str());
                                    return true;
                                  },
                                  [&] {
                                    // The dialog has the X focus (the toolkit says so on its
                                    // focus-in event), then a few ticks for what follows it.
                                    auto* top = dynamic_cast<wxTopLevelWindow*>(d.GetPeer());
                                    if (top == nullptr || !top->IsActive()) return false;
                                    return ++settle > 3;
                                  },
                                  [&] {
                                    d.scale->SetFocus();
                                    return d.GetFocusedControlId() == kScaleField;
                                  },
                                  [&] {
                                    d.messages.clear();
                                    d.scale->TypeText(WString(u"3.5"));
                                    EXPECT_DOUBLE_EQ(live, 3.5);
                                    std::system(XdoKeysToFocus("Tab").c_str());
                                    return true;
                                  },
                                  [&] {
                                    // The field keeps Tab for itself and reports it.
                                    for (const auto& m : d.messages) {
                                      if (m.first == kWmAutoNext) return true;
                                    }
                                    return false;
                                  },
                                  [&] {
                                    focusAfterTab = d.GetFocusedControlId();
                                    d.count->SetFocus();
                                    return true;
                                  },
                                  [&] {
                                    for (const auto& m : d.messages) {
                                      if (m.first == kWmAutoFieldLeft) return true;
                                    }
                                    return false;
                                  },
                                  [&] {
                                    Press(d, kIdcCancel);
                                    return true;
                                  }});
  EXPECT_EQ(result, int(kIdcCancel));
  EXPECT_EQ(focusAfterTab, kScaleField);
  const std::vector<std::pair<std::uint32_t, TParam1>> expected{
      {kWmAutoChanged, 0}, {kWmAutoNext, 1}, {kWmAutoFieldLeft, 0}};
  EXPECT_EQ(d.messages, expected);
  // The deferred variable stays as it was: the dialog was cancelled.
  EXPECT_DOUBLE_EQ(v.scale, 2.5);
}

// Every label with an accelerator letter: the letters, and the labels by id.
std::string CheckLetters(TDialog& d, std::map<int, wxString>& labels) {
  std::set<wxChar> letters;
  std::string clashes;
  for (void* child : d.GetChildWindows()) {
    auto* w = static_cast<wxWindow*>(child);
    if (!w->IsShown()) continue;
    const wxString label = w->GetLabel();
    labels[w->GetId()] = label;
    const wxChar m = Mnemonic(label);
    if (m != 0 && !letters.insert(m).second) clashes += std::string(label.utf8_str()) + "; ";
  }
  return clashes;
}

TEST_F(DialogTest, TextsAreTranslatedWithDistinctLetters) {
  for (int language : {kLanguageEnglish, kLanguageCzech, kLanguageSlovak}) {
    SetLanguageIndex(language);
    InvalidateLangTable();
    Values v;
    TestDialog d(frame_, v);
    std::map<int, wxString> labels;
    std::string clashes;
    bool helpVisible = true;
    bool screenshot = false;
    int result = RunSteps(d, {[&] {
                                clashes = CheckLetters(d, labels);
                                helpVisible = d.GetDlgItem(int(kIdcHelp))->IsWindowVisible();
                                // F1 does nothing: the dialog stays open.
                                EXPECT_TRUE(d.HandleDialogKey(kVkF1, false));
                                if (language == kLanguageCzech) screenshot = test::SaveScreenshot("dialog-29990-cs.png");
                                return true;
                              },
                              [&] {
                                EXPECT_TRUE(d.GetPeer()->IsShown());
                                Press(d, kIdcCancel);
                                return true;
                              }});
    EXPECT_EQ(result, int(kIdcCancel));
    EXPECT_EQ(clashes, std::string()) << "language " << language;
    EXPECT_FALSE(helpVisible);
    if (language == kLanguageCzech) {
      EXPECT_EQ(d.GetCaption(), WString(u"Zkouška vázaných prvků"));
      wxString grid = labels[kGridCheck];
      grid.Replace("&", "");
      EXPECT_EQ(grid, wxString::FromUTF8("Zobrazit mřížku"));
      wxString cancel = labels[kIdcCancel];
      cancel.Replace("&", "");
      EXPECT_EQ(cancel, wxString("Storno"));
      // Two Czech labels want "B" (Body, Barva) and two "O" (OK, Obnovit):
      // they got different letters.
      EXPECT_NE(Mnemonic(labels[kPointsRadio]), 0);
      if (!screenshot) ADD_FAILURE() << "no screenshot: is /usr/bin/import (ImageMagick) installed?";
    }
    if (language == kLanguageEnglish) {
      EXPECT_EQ(d.GetCaption(), WString(u"Bound controls test"));
      EXPECT_EQ(labels[kItemsText], wxString("Items: 2 of 7"));
    }
  }
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
}

TEST_F(DialogTest, TheRememberedEditGetsTheFocusAgain) {
  static int remembered = 0;
  Values v;
  {
    TestDialog d(frame_, v);
    d.rememberedFocus = &remembered;
    const int result = RunSteps(d, {[&] {
                                      d.count->SetFocus();
                                      return true;
                                    },
                                    [&] {
                                      // The close notes the focus it finds: checked in the
                                      // same tick, as the X focus may come and go before.
                                      if (d.GetFocusedControlId() != kCountField) {
                                        d.count->SetFocus();
                                        return false;
                                      }
                                      // Escape closes with IDCANCEL, as the dialog manager does.
                                      EXPECT_TRUE(d.HandleDialogKey(kVkEscape, false));
                                      return true;
                                    }});
    EXPECT_EQ(result, int(kIdcCancel));
  }
  EXPECT_EQ(remembered, kCountField);
  {
    TestDialog d(frame_, v);
    d.rememberedFocus = &remembered;
    int focused = 0;
    const int result = RunSteps(d, {[&] {
                                      focused = d.GetFocusedControlId();
                                      return focused == kCountField;
                                    },
                                    [&] {
                                      // Closing with the focus on OK keeps the id remembered before.
                                      d.GetDlgItem(int(kIdcOk))->SetFocus();
                                      return true;
                                    },
                                    [&] {
                                      if (d.GetFocusedControlId() != int(kIdcOk)) return false;
                                      Press(d, kIdcOk);
                                      return true;
                                    }});
    EXPECT_EQ(result, int(kIdcOk));
    EXPECT_EQ(focused, kCountField);
  }
  EXPECT_EQ(remembered, kCountField);
}

TEST_F(DialogTest, SpinArrowsStepTheField) {
  Values v;
  TestDialog d(frame_, v);
  WString afterUp, afterDown;
  bool spinnerShown = false;
  const int result = RunSteps(d, {[&] {
                                    TSpinner5* spinner = d.scale->GetSpinner();
                                    EXPECT_NE(spinner, nullptr);
                                    if (spinner == nullptr) return true;
                                    spinnerShown = spinner->IsWindowVisible();
                                    spinner->DeltaPos(1);
                                    afterUp = d.scale->GetText();
                                    spinner->DeltaPos(-1);
                                    spinner->DeltaPos(-1);
                                    afterDown = d.scale->GetText();
                                    // The up-down only reports its arrows.
                                    EXPECT_EQ(spinner->GetPos(), 0);
                                    return true;
                                  },
                                  [&] {
                                    Press(d, kIdcOk);
                                    return true;
                                  }});
  EXPECT_EQ(result, int(kIdcOk));
  EXPECT_TRUE(spinnerShown);
  EXPECT_EQ(afterUp, WString(u"2.6"));
  EXPECT_EQ(afterDown, WString(u"2.4"));
  EXPECT_DOUBLE_EQ(v.scale, 2.4);
}

TEST_F(DialogTest, TabEnterAndEscapeWorkLikeADialog) {
  ASSERT_TRUE(test::HaveXdotool()) << "xdotool is missing: run scripts/install-deps.sh";
  Values v;
  {
    TestDialog d(frame_, v);
    int afterTab = 0;
    const int result = RunSteps(d, {[&] {
                                      d.name->SetFocus();
                                      return d.GetFocusedControlId() == kNameEdit;
                                    },
                                    [&] {
                                      std::system(XdoKeys("Tab").c_str());
                                      return true;
                                    },
                                    [&] {
                                      // While the X focus comes to the dialog, no control has
                                      // the focus for a moment: wait for the one Tab gave it to.
                                      afterTab = d.GetFocusedControlId();
                                      return afterTab != kNameEdit && afterTab != 0;
                                    },
                                    [&] {
                                      // Back to the edit, then Enter: the default button, OK.
                                      d.name->SetFocus();
                                      d.name->TypeText(WString(u"Typed"));
                                      std::system(XdoKeys("Return").c_str());
                                      return true;
                                    }});
    EXPECT_EQ(afterTab, kGridCheck);
    EXPECT_EQ(result, int(kIdcOk));
  }
  EXPECT_EQ(v.name, WString(u"Typed"));
  {
    TestDialog d(frame_, v);
    const int result = RunSteps(d, {[&] {
                                      d.name->TypeText(WString(u"Never"));
                                      std::system(XdoKeys("Escape").c_str());
                                      return true;
                                    }});
    EXPECT_EQ(result, int(kIdcCancel));
  }
  EXPECT_EQ(v.name, WString(u"Typed"));
}

TEST_F(DialogTest, ModelessDialogShowsAndCloses) {
  Values v;
  auto* d = new TestDialog(frame_, v);
  ASSERT_TRUE(d->Create());
  EXPECT_TRUE(d->IsWindowVisible());
  EXPECT_FALSE(d->IsModal());
  EXPECT_EQ(d->name->GetText(), WString(u"Plan A"));
  d->name->TypeText(WString(u"Modeless"));
  Press(*d, kIdcOk);
  EXPECT_EQ(d->GetHandle(), nullptr);
  EXPECT_EQ(v.name, WString(u"Modeless"));
  delete d;
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  return kvn::RunOwlMain(argc, argv, [](int, char16_t**) { return RUN_ALL_TESTS(); });
}
