// The progress dialog on a private X display, driven by a test clock: it
// appears after the delay with its texts, disables the frame, owns the
// operation's message boxes and sits under its outer dialog when nested;
// Escape asks "Terminate a function?", Cancel goes on and OK makes every
// later Step false. The test answers the boxes and closes everything itself;
// a screenshot goes to $KVN_GUI_ARTIFACTS.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ProgressDialog.h"
#include "document/ProgressMonitor.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/TickClock.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/MessageBoxDialog.h"
#include "platform/ui/UiHelpersWx.h"
#include "platform/ui/WxText.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

std::uint64_t g_now = 0;
std::uint64_t TestClock() { return g_now; }

// GTK paints on its frame clock, a little after the change: the screen is
// given some rounds of the loop before it is photographed.
bool SaveScreenshot(const std::string& name) {
  for (int i = 0; i < 10; ++i) {
    wxYield();
    wxMilliSleep(30);
  }
  return test::SaveScreenshot(name);
}

class ProgressDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    g_now = 500000;
    previousClock_ = SetTickSource(&TestClock);
    SetMessageBoxBackend(&boxes_);
    InstallProgressDialogs();
    frame_ = test::NewFrame(WString(u"Viewer"), 100, 60, 800, 600);
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShowNormal);
    wxYield();
  }
  void TearDown() override {
    delete frame_;
    UninstallProgressDialogs();
    SetMessageBoxBackend(nullptr);
    SetTickSource(previousClock_);
  }
  // One step of the operation, 300 ms later on the test clock; a little
  // real time passes so that the toolkit can deliver input.
  bool Step(ProgressMonitor& monitor, std::uint32_t value, const WString* text = nullptr) {
    g_now += 300;
    wxMilliSleep(20);
    return monitor.Step(value, true, text, nullptr, false);
  }
  // Presses Escape in the progress dialog as a user would: the pointer over
  // it and the keyboard focus in it.
  void PressEscape(TMyAbortWindow& dialog) {
    wxWindow* peer = dialog.GetPeer();
    peer->Raise();
    wxYield();
    // No window manager runs on the test display: the keyboard focus is
    // given to the dialog's X window directly (xdotool windowfocus).
    const std::string command = test::XdoOnWindow(dialog.GetCaption().ToUtf8(), "key Escape");
    const int rc = std::system(command.c_str());
    if (rc != 0) std::fprintf(stderr, "xdotool failed: %d\n", rc);
    (void)peer;
  }
  // Steps until `count` boxes were shown (at most 100 steps); the result of
  // the last Step.
  bool StepUntilBoxes(ProgressMonitor& monitor, std::size_t count) {
    bool result = true;
    for (int i = 0; i < 100 && boxes_.texts.size() < count; ++i) result = Step(monitor, 50);
    return result;
  }

  test::AnsweringBoxes boxes_{std::chrono::milliseconds(50)};
  TFrameWindow* frame_ = nullptr;
  TickSource previousClock_ = nullptr;
};

TMyAbortWindow* DialogOf(const ProgressMonitor& monitor) {
  auto* window = dynamic_cast<ProgressDialogWindow*>(monitor.Window());
  return window ? window->Dialog() : nullptr;
}

TEST_F(ProgressDialogTest, AppearsAfterTheDelayWithItsTextsAndOwnsTheBoxes) {
  const WString file(u"/drawings/house.kvn");
  bool afterwards = false;
  {
    ProgressMonitor monitor(frame_, WString(u"Opening a drawing"));
    // Steps 0 to 1800 ms after the first one.
    for (int i = 0; i < 7; ++i) EXPECT_TRUE(Step(monitor, std::uint32_t(i * 5), &file));
    EXPECT_EQ(monitor.Window(), nullptr);
    EXPECT_TRUE(frame_->IsWindowEnabled());
    EXPECT_FALSE(LongOperationHoldsProgram());
    g_now += 200;  // 2000 ms: still nothing
    EXPECT_TRUE(monitor.Step(30, true, &file, nullptr, false));
    EXPECT_EQ(monitor.Window(), nullptr);
    EXPECT_TRUE(Step(monitor, 42, &file));
    TMyAbortWindow* dialog = DialogOf(monitor);
    ASSERT_NE(dialog, nullptr);
    wxYield();
    EXPECT_TRUE(dialog->GetPeer()->IsShown());
    EXPECT_EQ(dialog->GetCaption(), WString(u"Opening a drawing"));
    EXPECT_EQ(dialog->GetValueText()->GetText(), WString(u"42 %"));
    EXPECT_EQ(dialog->GetDetailText()->GetText(), file);
    EXPECT_EQ(dialog->GetProgressBar()->GetValue(), 4200);
    EXPECT_EQ(TDialog::GetChildWindowText(dialog->GetPeer()->FindWindow(kIdProgressDone)), WString(u"Done:"));
    EXPECT_FALSE(frame_->IsWindowEnabled());
    // The program is held (drawing windows show their pictures) until the
    // dialog goes; what they put off runs then, not before.
    EXPECT_TRUE(LongOperationHoldsProgram());
    AfterLongOperation([&afterwards] { afterwards = true; });
    EXPECT_FALSE(afterwards);
    EXPECT_EQ(monitor.GetMessageParent(), static_cast<cMsgDlg*>(dialog));
    EXPECT_TRUE(SaveScreenshot("progress-dialog.png"));

    // A box of the operation is owned by the progress dialog.
    monitor.GetMessageParent()->MessageBox(WString(u"A message of the load."));
    ASSERT_EQ(boxes_.parents.size(), 1u);
    EXPECT_EQ(boxes_.parents[0], dialog->GetPeer());
    // A count with its unit hides the bar.
    g_now += 300;
    monitor.Step(120, false, nullptr, u"objects", false);
    EXPECT_EQ(dialog->GetValueText()->GetText(), WString(u"120 objects"));
    EXPECT_FALSE(dialog->GetProgressBar()->IsVisibleOrCreatedVisible());
  }
  EXPECT_TRUE(frame_->IsWindowEnabled());
  EXPECT_FALSE(LongOperationHoldsProgram());
  EXPECT_TRUE(afterwards);
  for (wxWindow* w : wxTopLevelWindows) EXPECT_EQ(dynamic_cast<wxDialog*>(w) && w->IsShown(), false);
}

TEST_F(ProgressDialogTest, EscapeAsksAndOnlyOkCancels) {
  ProgressMonitor monitor(frame_, WString(u"Escape test"));
  ASSERT_NE(monitor.EnsureWindow(), nullptr);
  TMyAbortWindow* dialog = DialogOf(monitor);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(Step(monitor, 10));

  boxes_.answers = {kIdCancel, kIdOk};
  PressEscape(*dialog);
  EXPECT_TRUE(StepUntilBoxes(monitor, 1));  // Cancel: the operation goes on
  ASSERT_EQ(boxes_.texts.size(), 1u);
  EXPECT_EQ(boxes_.texts[0], WString(u"Terminate a function?"));
  EXPECT_EQ(boxes_.captions[0], WString(u"Question"));
  EXPECT_EQ(boxes_.styles[0] & (kMbTypeMask | kMbIconMask), kMbOkCancel | kMbIconQuestion);
  ASSERT_EQ(boxes_.parents.size(), 1u);
  EXPECT_EQ(boxes_.parents[0], dialog->GetPeer());
  EXPECT_FALSE(monitor.Cancelled());
  EXPECT_TRUE(dialog->GetCancelButton()->IsWindowEnabled());
  EXPECT_TRUE(Step(monitor, 60));

  PressEscape(*dialog);
  EXPECT_FALSE(StepUntilBoxes(monitor, 2));  // OK: this Step already answers false
  EXPECT_EQ(boxes_.texts.size(), 2u);
  EXPECT_TRUE(monitor.Cancelled());
  EXPECT_FALSE(Step(monitor, 70));
  EXPECT_FALSE(monitor.Step(kProgressNoValue, false, nullptr, nullptr, true));
  EXPECT_FALSE(dialog->GetCancelButton()->IsWindowEnabled());
  // Cancelled: Escape asks nothing more.
  PressEscape(*dialog);
  for (int i = 0; i < 5; ++i) Step(monitor, 80);
  EXPECT_EQ(boxes_.texts.size(), 2u);
}

TEST_F(ProgressDialogTest, CancelButtonAndCloseBoxAskToo) {
  ProgressMonitor monitor(frame_, WString(u"Buttons"));
  ASSERT_NE(monitor.EnsureWindow(), nullptr);
  TMyAbortWindow* dialog = DialogOf(monitor);
  boxes_.answers = {kIdCancel, kIdOk};
  dialog->GetCancelButton()->Click();
  EXPECT_EQ(boxes_.texts.size(), 1u);
  EXPECT_FALSE(monitor.Cancelled());
  dialog->HandleMessage(kWmClose);
  EXPECT_EQ(boxes_.texts.size(), 2u);
  EXPECT_TRUE(monitor.Cancelled());
  EXPECT_NE(dialog->GetHandle(), nullptr);  // closing asks; it does not close
}

TEST_F(ProgressDialogTest, NestedDialogSitsUnderTheOuterOne) {
  ProgressMonitor outer(frame_, WString(u"Drawing"));
  Step(outer, 10);
  ProgressMonitor inner(frame_, WString(u"Reference"));
  inner.SetOuter(&outer);
  ASSERT_NE(inner.EnsureWindow(), nullptr);
  TMyAbortWindow* outerDialog = DialogOf(outer);
  TMyAbortWindow* innerDialog = DialogOf(inner);
  ASSERT_NE(outerDialog, nullptr);
  ASSERT_NE(innerDialog, nullptr);
  wxYield();
  const TRect o = outerDialog->GetWindowRect();
  const TRect i = innerDialog->GetWindowRect();
  EXPECT_EQ(i.top, o.bottom);
  EXPECT_NEAR((i.left + i.right) / 2.0, (o.left + o.right) / 2.0, 1.0);
  EXPECT_TRUE(SaveScreenshot("progress-dialog-nested.png"));
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
