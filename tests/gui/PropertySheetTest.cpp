// Property sheets with real toolkit windows: pages made when first shown,
// the remembered page, Restore over every page, Cancel after Restore,
// placement without a parent, the parent disabled while open, and the tab
// texts in Czech. Enter is pressed through the X server (xdotool).
#include <gtest/gtest.h>
#include <wx/bookctrl.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/timer.h>

#include <deque>
#include <functional>
#include <memory>

#include "controls/AutoButtons.h"
#include "controls/AutoTexts.h"
#include "controls/PropertySheet.h"
#include "foundation/LangTable.h"
#include "foundation/WindowPlacement.h"
#include "platform/ui/FrameWindow.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

constexpr int kEdit = 101;
constexpr int kCheck = 102;

const DialogControlData kPageControls[] = {
    {DialogControlClass::Edit, kEdit, u"", 7, 7, 120, 12, kWsVisible | kWsTabStop},
    {DialogControlClass::Button, kCheck, u"Option", 7, 25, 100, 10, kWsVisible | kWsTabStop | kBsAutoCheckBox},
};
const DialogTemplateData kPages[] = {
    {29801, u"", 180, 60, 0, kPageControls, 2},
    {29802, u"", 180, 60, 0, kPageControls, 2},
    {29803, u"", 180, 60, 0, kPageControls, 2},
};
const char16_t* const kTitles[] = {u"~0A5C0General~", u"~0A5D0Colours~", u"~0A5E0Paper~"};

struct PageValues {
  WString text = WString(u"changed");
  int check = 1;
};

// A three-page sheet: each page an edit (default "default") and a check box
// (default off) bound to its own values.
struct TestSheet {
  TestSheet(TWindow* parent, PageValues (&values)[3]) : sheet(parent, 0) {
    sheet.SetCaption(WString(u"Sheet test"));
    for (int i = 0; i < 3; ++i) {
      auto* page = new TMyPropertyPage(&sheet, 29801 + i, WString(kTitles[i]));
      // The ids come from the test's own templates (not built-in ones, which
      // the control-id lint checks).
      edits[i] = new TAutoString_AW(page, kPageControls[0].id, &values[i].text, WString(u"default"));
      checks[i] = new TAutoCheck(page, kPageControls[1].id, &values[i].check, 0);
    }
    sheet.restoreButton = true;
  }
  TMyPropertySheet sheet;
  TAutoString_AW* edits[3] = {};
  TAutoCheck* checks[3] = {};
};

// Runs the sheet modally and the steps inside its loop, one per tick once it
// is shown; a step returns false to be asked again at the next tick.
int RunSteps(TMyPropertySheet& sheet, std::deque<std::function<bool()>> steps) {
  test::StepClock clock;
  bool timedOut = false;
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    wxWindow* peer = sheet.GetPeer();
    if (peer == nullptr || !peer->IsShown()) return;
    if (clock.Expired("the sheet's steps")) {
      timedOut = true;
      timer.Stop();
      sheet.CmCancel();
      return;
    }
    if (!steps.empty() && steps.front()()) {
      steps.pop_front();
      clock.Next();
    }
  });
  timer.Start(60);
  const int result = sheet.Execute();
  timer.Stop();
  EXPECT_FALSE(timedOut) << "the sheet did not close by itself";
  return result;
}

void Click(TMyPropertySheet& sheet, int id) {
  wxWindow* button = sheet.GetPeer()->FindWindow(id);
  ASSERT_NE(button, nullptr) << "button " << id;
  wxCommandEvent e(wxEVT_BUTTON, id);
  e.SetEventObject(button);
  button->GetEventHandler()->ProcessEvent(e);
}

class PropertySheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    frame_.reset(test::NewFrame(WString(u"Owner"), 60, 40, 900, 700));
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
  }
  void TearDown() override { frame_.reset(); }

  ScopedDialogTemplates templates_{kPages};
  std::unique_ptr<TFrameWindow> frame_;
};

TEST_F(PropertySheetTest, ConfirmedOnPageThreeReopensThereAndSavesOnlyShownPages) {
  PageValues values[3];
  int page = -1;
  int focus = 0;
  bool parentDisabledWhileOpen = false;
  {
    TestSheet t(frame_.get(), values);
    t.sheet.rememberedPage = &page;
    t.sheet.rememberedFocus = &focus;
    const int result = RunSteps(t.sheet, {[&] {
                                            parentDisabledWhileOpen = !frame_->IsWindowEnabled();
                                            EXPECT_EQ(t.sheet.GetCurrentPageIndex(), 0);
                                            EXPECT_NE(t.sheet.GetPage(0)->GetHandle(), nullptr);
                                            EXPECT_EQ(t.sheet.GetPage(1)->GetHandle(), nullptr);
                                            EXPECT_EQ(t.sheet.GetPage(2)->GetHandle(), nullptr);
                                            // As a click on the third tab does it.
                                            auto* book = dynamic_cast<wxBookCtrlBase*>(
                                                t.sheet.GetPage(0)->GetPeer()->GetParent()->GetParent());
                                            if (book == nullptr) return true;
                                            book->SetSelection(2);
                                            return true;
                                          },
                                          [&] {
                                            EXPECT_NE(t.sheet.GetPage(2)->GetHandle(), nullptr);
                                            EXPECT_EQ(t.sheet.GetPage(1)->GetHandle(), nullptr);
                                            t.edits[2]->SetText(WString(u"third"));
                                            t.edits[2]->SetFocus();
                                            return true;
                                          },
                                          [&] {
                                            // Enter in the page's edit confirms the sheet.
                                            test::Shell(test::XdoOnWindow("Sheet test", "key Return"));
                                            return true;
                                          }});
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(parentDisabledWhileOpen);
    EXPECT_TRUE(frame_->IsWindowEnabled());
    EXPECT_EQ(page, 2);
    EXPECT_EQ(focus, kEdit);
  }
  EXPECT_EQ(values[2].text, WString(u"third"));
  // The first page was shown and saved as it stood; the second never shown.
  EXPECT_EQ(values[0].text, WString(u"changed"));
  EXPECT_EQ(values[1].text, WString(u"changed"));

  TestSheet again(frame_.get(), values);
  again.sheet.rememberedPage = &page;
  again.sheet.rememberedFocus = &focus;
  int startPage = -1;
  int focusedId = 0;
  const int result = RunSteps(again.sheet, {[&] {
                                              startPage = again.sheet.GetCurrentPageIndex();
                                              return true;
                                            },
                                            [&] {
                                              const wxWindow* f = wxWindow::FindFocus();
                                              focusedId = f ? f->GetId() : 0;
                                              Click(again.sheet, int(kIdcCancel));
                                              return true;
                                            }});
  EXPECT_EQ(result, 2);
  EXPECT_EQ(startPage, 2);
  EXPECT_EQ(focusedId, kEdit);
  EXPECT_EQ(again.sheet.GetPage(0)->GetHandle(), nullptr);
}

TEST_F(PropertySheetTest, RestoreVisitsEveryPageStaysAndCancelKeepsTheVariables) {
  PageValues values[3];
  int page = 1;
  TestSheet t(frame_.get(), values);
  t.sheet.rememberedPage = &page;
  int restored = 0;
  static int* counter = nullptr;
  counter = &restored;
  t.sheet.restoreCallback = [] { ++*counter; };
  const int result = RunSteps(
      t.sheet, {[&] {
                  EXPECT_EQ(t.sheet.GetCurrentPageIndex(), 1);
                  EXPECT_EQ(t.sheet.GetPage(0)->GetHandle(), nullptr);
                  EXPECT_EQ(t.sheet.GetPage(2)->GetHandle(), nullptr);
                  wxWindow* restore = t.sheet.GetPeer()->FindWindow(int(kCmRestoreDefaults));
                  EXPECT_NE(restore, nullptr);
                  if (restore) {
                    EXPECT_EQ(restore->GetLabel(), wxString("Restore"));
                  }
                  Click(t.sheet, int(kCmRestoreDefaults));
                  return true;
                },
                [&] {
                  EXPECT_EQ(t.sheet.GetCurrentPageIndex(), 1);
                  for (int i = 0; i < 3; ++i) {
                    SCOPED_TRACE(i);
                    EXPECT_NE(t.sheet.GetPage(i)->GetHandle(), nullptr);
                    EXPECT_EQ(t.edits[i]->GetText(), WString(u"default"));
                    EXPECT_EQ(t.checks[i]->GetCheck(), kBstUnchecked);
                  }
                  EXPECT_EQ(restored, 1);
                  // Escape cancels.
                  test::Shell(test::XdoOnWindow("Sheet test", "key Escape"));
                  return true;
                }});
  EXPECT_EQ(result, 2);
  for (const PageValues& v : values) {
    EXPECT_EQ(v.text, WString(u"changed"));
    EXPECT_EQ(v.check, 1);
  }
  EXPECT_EQ(page, 1);
}

TEST_F(PropertySheetTest, WithoutAParentItIsCentredOnTheWorkAreaAndDisablesNothing) {
  PageValues values[3];
  TestSheet t(nullptr, values);
  t.sheet.centerFlag = true;
  wxRect rect;
  bool frameEnabled = false;
  const int result = RunSteps(t.sheet, {[&] {
                                          rect = t.sheet.GetPeer()->GetScreenRect();
                                          frameEnabled = frame_->GetPeer()->IsThisEnabled();
                                          Click(t.sheet, int(kIdcOk));
                                          return true;
                                        }});
  EXPECT_EQ(result, 1);
  EXPECT_FALSE(t.sheet.WasParentDisabled());
  EXPECT_TRUE(frameEnabled);
  const ScreenRect work = GetPrimaryWorkArea();
  EXPECT_NEAR(rect.x + rect.width / 2, (work.left + work.right) / 2, 2);
  EXPECT_NEAR(rect.y + rect.height / 2, (work.top + work.bottom) / 2, 2);
}

TEST_F(PropertySheetTest, TabsAndRestoreInCzech) {
  SetLanguageIndex(kLanguageCzech);
  InvalidateLangTable();
  PageValues values[3];
  TestSheet t(frame_.get(), values);
  WString tabs[3];
  wxString restore;
  bool screenshot = false;
  const int result = RunSteps(t.sheet, {[&] {
                                          for (int i = 0; i < 3; ++i) tabs[i] = t.sheet.GetTabText(i);
                                          if (wxWindow* b = t.sheet.GetPeer()->FindWindow(int(kCmRestoreDefaults))) {
                                            restore = b->GetLabel();
                                          }
                                          screenshot = test::SaveScreenshot("property-sheet-cs.png");
                                          Click(t.sheet, int(kIdcCancel));
                                          return true;
                                        }});
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
  EXPECT_EQ(result, 2);
  EXPECT_EQ(tabs[0], WString(u"Obecné"));
  EXPECT_EQ(tabs[1], WString(u"Barvy"));
  EXPECT_EQ(tabs[2], WString(u"Papír"));
  EXPECT_EQ(restore, wxString::FromUTF8("Obnovit"));
  if (!screenshot) ADD_FAILURE() << "no screenshot: is /usr/bin/import (ImageMagick) installed?";
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
