// The progress monitor's rules on a test clock, with a recording dialog:
// the 2000 ms delay, the 200 ms refresh, value and detail texts, quiet
// monitors, nesting, the cancel question and the busy cursor.
#include "document/ProgressMonitor.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/TickClock.h"
#include "foundation/WaitCursor.h"

namespace kvn {
namespace {

std::uint64_t g_now = 0;
std::uint64_t TestClock() { return g_now; }

class Owner : public cMsgDlg {
 public:
  explicit Owner(void* handle) : handle_(handle) {}
  void* GetWindowHandle() const override { return handle_; }
  void* GetOwnerWindow() const override { return nullptr; }

 private:
  void* handle_;
};

int g_ownerHandle = 0;

// What the monitor asked of one dialog.
struct WindowLog {
  ProgressMonitor* monitor = nullptr;
  const void* outer = nullptr;  // the outer dialog it was placed under
  std::uint64_t createdAt = 0;
  std::vector<std::uint64_t> pumps;
  std::vector<WString> valueTexts;
  std::vector<std::int64_t> bar;  // -1 for hidden
  std::vector<WString> details;
  std::vector<WString> captions;
  std::vector<bool> cursorCancelled;
  bool cancelDisabled = false;
  bool destroyed = false;
  bool escapeAtNextPump = false;
  bool stepInPump = false;  // a handler run by the pump steps the monitor again
};

class FakeWindow : public ProgressWindow {
 public:
  explicit FakeWindow(WindowLog& log) : log_(log), owner_(&g_ownerHandle) {}
  ~FakeWindow() override { log_.destroyed = true; }
  bool HasWindow() const override { return true; }
  cMsgDlg* GetMessageOwner() override { return &owner_; }
  void SetCaption(const WString& caption) override { log_.captions.push_back(caption); }
  void SetValueText(const WString& text) override { log_.valueTexts.push_back(text); }
  void ShowBar(std::uint32_t position) override { log_.bar.push_back(position); }
  void HideBar() override { log_.bar.push_back(-1); }
  void SetDetailText(const WString& text) override { log_.details.push_back(text); }
  void DisableCancel() override { log_.cancelDisabled = true; }
  void PumpMessages() override {
    log_.pumps.push_back(g_now);
    if (log_.stepInPump) {
      log_.stepInPump = false;
      log_.monitor->Step(kProgressNoValue, false, nullptr, nullptr, true);
    }
    if (log_.escapeAtNextPump) {
      log_.escapeAtNextPump = false;
      log_.monitor->AskCancel();
    }
  }
  void UpdateCursor(bool cancelled) override { log_.cursorCancelled.push_back(cancelled); }
  const Owner& MessageOwner() const { return owner_; }

 private:
  WindowLog& log_;
  Owner owner_;
};

class FakeFactory : public ProgressWindowFactory {
 public:
  std::unique_ptr<ProgressWindow> CreateProgressWindow(ProgressMonitor& monitor, cMsgDlg&,
                                                       ProgressWindow* outer) override {
    logs.push_back(std::make_unique<WindowLog>());
    WindowLog& log = *logs.back();
    log.monitor = &monitor;
    log.outer = outer;
    log.createdAt = g_now;
    auto window = std::make_unique<FakeWindow>(log);
    windows.push_back(window.get());
    return window;
  }
  std::vector<std::unique_ptr<WindowLog>> logs;
  std::vector<FakeWindow*> windows;
};

class Boxes : public MessageBoxBackend {
 public:
  int ShowBox(const MessageBoxRequest& r) override {
    texts.push_back(r.text);
    captions.push_back(r.caption);
    styles.push_back(r.style);
    owners.push_back(r.owner);
    return answer;
  }
  int answer = kIdOk;
  std::vector<WString> texts;
  std::vector<WString> captions;
  std::vector<std::uint32_t> styles;
  std::vector<const cMsgDlg*> owners;
};

class ProgressMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_now = 1000000;
    previousClock_ = SetTickSource(&TestClock);
    previousFactory_ = SetProgressWindowFactory(&factory_);
    previousBoxes_ = SetMessageBoxBackend(&boxes_);
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
  }
  void TearDown() override {
    SetTickSource(previousClock_);
    SetProgressWindowFactory(previousFactory_);
    SetMessageBoxBackend(previousBoxes_);
  }
  // Steps every `interval` ms for `duration` ms from the first Step (both
  // ends included); the result of the last Step.
  bool Run(ProgressMonitor& monitor, std::uint64_t duration, std::uint64_t interval, std::uint32_t value = 1) {
    const std::uint64_t start = g_now;
    bool result = true;
    for (;;) {
      result = monitor.Step(value, true, nullptr, nullptr, false);
      if (g_now + interval > start + duration) break;
      g_now += interval;
    }
    return result;
  }

  Owner parent_{&g_ownerHandle};
  FakeFactory factory_;
  Boxes boxes_;
  TickSource previousClock_ = nullptr;
  ProgressWindowFactory* previousFactory_ = nullptr;
  MessageBoxBackend* previousBoxes_ = nullptr;
};

TEST_F(ProgressMonitorTest, NothingShowsWithinTwoSecondsOfTheFirstStep) {
  ProgressMonitor monitor(&parent_, u"Opening");
  g_now += 5000;  // time before the first Step does not count
  EXPECT_TRUE(Run(monitor, 1900, 100));
  EXPECT_TRUE(factory_.logs.empty());
  g_now += 100;  // 2000 ms exactly: still within the delay
  EXPECT_TRUE(monitor.Step(1, true, nullptr, nullptr, false));
  EXPECT_TRUE(factory_.logs.empty());
  EXPECT_EQ(monitor.Window(), nullptr);
}

TEST_F(ProgressMonitorTest, ThreeSecondOperationShowsTheDialogAtTheFirstStepAfterTwoSeconds) {
  ProgressMonitor monitor(&parent_, u"Opening");
  const std::uint64_t start = g_now;
  EXPECT_TRUE(Run(monitor, 3000, 300));
  ASSERT_EQ(factory_.logs.size(), 1u);
  EXPECT_EQ(factory_.logs[0]->createdAt, start + 2100);
  EXPECT_EQ(factory_.logs[0]->outer, nullptr);
  // The Step that showed it also refreshed it.
  ASSERT_FALSE(factory_.logs[0]->pumps.empty());
  EXPECT_EQ(factory_.logs[0]->pumps[0], start + 2100);
}

TEST_F(ProgressMonitorTest, RefreshesAtMostEvery200MsUnlessForced) {
  ProgressMonitor monitor(&parent_);
  ASSERT_NE(monitor.EnsureWindow(), nullptr);
  Run(monitor, 2000, 50);
  const std::vector<std::uint64_t>& pumps = factory_.logs[0]->pumps;
  ASSERT_GE(pumps.size(), 5u);
  for (std::size_t i = 1; i < pumps.size(); ++i) EXPECT_GT(pumps[i] - pumps[i - 1], 200u);
  EXPECT_EQ(pumps[1] - pumps[0], 250u);
  const std::size_t before = pumps.size();
  monitor.Step(kProgressNoValue, false, nullptr, nullptr, true);
  monitor.Step(kProgressNoValue, false, nullptr, nullptr, true);
  EXPECT_EQ(pumps.size(), before + 2);
}

TEST_F(ProgressMonitorTest, AStepFromInsideThePumpDoesNotPumpAgain) {
  ProgressMonitor monitor(&parent_);
  ASSERT_NE(monitor.EnsureWindow(), nullptr);
  factory_.logs[0]->stepInPump = true;
  EXPECT_TRUE(monitor.Step(5, true, nullptr, nullptr, true));
  EXPECT_EQ(factory_.logs[0]->pumps.size(), 1u);
}

TEST_F(ProgressMonitorTest, ValueTextAndBar) {
  ProgressMonitor monitor(&parent_);
  ASSERT_NE(monitor.EnsureWindow(), nullptr);
  WindowLog& log = *factory_.logs[0];
  auto step = [&](std::uint32_t value, bool percent, const char16_t* suffix) {
    g_now += 300;
    monitor.Step(value, percent, nullptr, suffix, false);
  };
  step(42, true, nullptr);
  step(42, true, nullptr);                // the same value twice: nothing new
  step(kProgressNoValue, true, nullptr);  // no value: text and bar stay
  step(120, false, u"objects");
  step(7, false, nullptr);
  step(0xFFFFFFFEu, true, nullptr);  // x 100 would wrap 32 bits
  ASSERT_EQ(log.valueTexts.size(), 4u);
  EXPECT_EQ(log.valueTexts[0], u"42 %");
  EXPECT_EQ(log.valueTexts[1], u"120 objects");
  EXPECT_EQ(log.valueTexts[2], u"7 ");
  EXPECT_EQ(log.valueTexts[3], u"4294967294 %");
  EXPECT_EQ(log.bar, (std::vector<std::int64_t>{4200, -1, -1, kProgressBarRange}));
  EXPECT_EQ(monitor.LastValue(), 0xFFFFFFFEll);
}

TEST_F(ProgressMonitorTest, DetailLineIsWrittenWhenItChanges) {
  ProgressMonitor monitor(&parent_);
  const WString a(u"first.kvn");
  const WString b(u"second.kvn");
  monitor.Step(kProgressNoValue, false, &a, nullptr, false);  // stored while no dialog shows
  ASSERT_NE(monitor.EnsureWindow(), nullptr);
  WindowLog& log = *factory_.logs[0];
  g_now += 300;
  monitor.Step(kProgressNoValue, false, &a, nullptr, false);
  g_now += 300;
  monitor.Step(kProgressNoValue, false, &a, nullptr, false);
  g_now += 50;
  monitor.Step(kProgressNoValue, false, &b, nullptr, false);  // within 200 ms: kept for later
  EXPECT_EQ(monitor.Text(), b);
  g_now += 300;
  monitor.Step(kProgressNoValue, false, nullptr, nullptr, false);
  EXPECT_EQ(log.details, (std::vector<WString>{a, b}));
}

TEST_F(ProgressMonitorTest, QuietMonitorNeverShowsAndStopsAfterTheDelay) {
  ProgressMonitor monitor(&parent_);
  monitor.SetQuiet(true);
  EXPECT_EQ(monitor.EnsureWindow(), nullptr);
  EXPECT_TRUE(Run(monitor, 2000, 500));
  g_now += 1;
  EXPECT_FALSE(monitor.Step(1, true, nullptr, nullptr, false));
  EXPECT_TRUE(monitor.Cancelled());
  g_now += 5000;
  EXPECT_FALSE(monitor.Step(1, true, nullptr, nullptr, false));
  EXPECT_TRUE(factory_.logs.empty());
}

TEST_F(ProgressMonitorTest, NoDialogWithoutAParentWindowOrAFactory) {
  Owner windowless(nullptr);
  ProgressMonitor a(&windowless);
  ProgressMonitor b(nullptr);
  EXPECT_TRUE(Run(a, 3000, 500));
  EXPECT_TRUE(Run(b, 3000, 500));
  EXPECT_TRUE(factory_.logs.empty());
  EXPECT_EQ(b.GetMessageParent(), nullptr);

  SetProgressWindowFactory(nullptr);
  ProgressMonitor c(&parent_);
  EXPECT_TRUE(Run(c, 3000, 500));
  EXPECT_EQ(c.Window(), nullptr);
  EXPECT_EQ(c.GetMessageParent(), &parent_);
}

TEST_F(ProgressMonitorTest, NestedMonitorShowsUnderItsOuterDialog) {
  ProgressMonitor outer(&parent_, u"Opening");
  Run(outer, 1000, 500);  // the outer one has no dialog yet
  {
    ProgressMonitor inner(&parent_, u"Reference");
    inner.SetOuter(&outer);
    ASSERT_NE(inner.EnsureWindow(), nullptr);
    ASSERT_EQ(factory_.logs.size(), 2u);
    // The outer dialog is made first, and the inner one placed under it.
    EXPECT_EQ(factory_.logs[0]->monitor, &outer);
    EXPECT_EQ(factory_.logs[0]->outer, nullptr);
    EXPECT_EQ(factory_.logs[1]->monitor, &inner);
    EXPECT_EQ(factory_.logs[1]->outer, outer.Window());
    EXPECT_EQ(inner.GetMessageParent(), &factory_.windows[1]->MessageOwner());
  }
  EXPECT_TRUE(factory_.logs[1]->destroyed);
  EXPECT_FALSE(factory_.logs[0]->destroyed);
}

TEST_F(ProgressMonitorTest, OnlyOkOfTheQuestionCancels) {
  ProgressMonitor monitor(&parent_);
  EXPECT_FALSE(monitor.AskCancel());  // no dialog: no question
  EXPECT_TRUE(boxes_.texts.empty());
  ASSERT_NE(monitor.EnsureWindow(), nullptr);
  WindowLog& log = *factory_.logs[0];

  boxes_.answer = kIdCancel;
  log.escapeAtNextPump = true;
  g_now += 300;
  EXPECT_TRUE(monitor.Step(10, true, nullptr, nullptr, false));
  ASSERT_EQ(boxes_.texts.size(), 1u);
  EXPECT_EQ(boxes_.texts[0], u"Terminate a function?");
  EXPECT_EQ(boxes_.captions[0], u"Question");
  EXPECT_EQ(boxes_.styles[0] & (kMbTypeMask | kMbIconMask), kMbOkCancel | kMbIconQuestion);
  EXPECT_EQ(boxes_.owners[0], &factory_.windows[0]->MessageOwner());
  EXPECT_FALSE(log.cancelDisabled);

  boxes_.answer = kIdOk;
  log.escapeAtNextPump = true;
  g_now += 300;
  EXPECT_FALSE(monitor.Step(20, true, nullptr, nullptr, false));  // the Step that asked
  EXPECT_TRUE(monitor.Cancelled());
  EXPECT_TRUE(log.cancelDisabled);
  EXPECT_TRUE(log.cursorCancelled.back());
  for (int i = 0; i < 5; ++i) {
    g_now += 300;
    EXPECT_FALSE(monitor.Step(30 + i, true, nullptr, nullptr, i % 2 == 0));
  }
  // Cancelled: no second question.
  EXPECT_FALSE(monitor.AskCancel());
  EXPECT_EQ(boxes_.texts.size(), 2u);
}

TEST_F(ProgressMonitorTest, CancelBeforeTheDialogGreysItsButtonWhenItAppears) {
  ProgressMonitor monitor(&parent_);
  monitor.Cancel();
  EXPECT_FALSE(monitor.Step(1, true, nullptr, nullptr, false));
  ASSERT_NE(monitor.EnsureWindow(), nullptr);
  monitor.Cancel();
  EXPECT_TRUE(factory_.logs[0]->cancelDisabled);
}

TEST_F(ProgressMonitorTest, TitleGoesToTheDialogWhenNotEmpty) {
  ProgressMonitor monitor(&parent_, u"Opening");
  monitor.SetTitle(u"Printing");  // no dialog yet: only stored
  ASSERT_NE(monitor.EnsureWindow(), nullptr);
  monitor.SetTitle(WString());
  monitor.SetTitle(u"Exporting");
  EXPECT_EQ(factory_.logs[0]->captions, std::vector<WString>{WString(u"Exporting")});
  EXPECT_EQ(monitor.Title(), u"Exporting");
}

TEST_F(ProgressMonitorTest, BusyCursorFromConstructionToTheEnd) {
  const std::uint32_t before = WaitCursorNesting();
  {
    ProgressMonitor monitor(&parent_);
    EXPECT_EQ(WaitCursorNesting(), before + 1);
    monitor.EndWaitCursor();
    EXPECT_EQ(WaitCursorNesting(), before);
  }
  { ProgressMonitor monitor(&parent_); }
  EXPECT_EQ(WaitCursorNesting(), before);
}

// GetTickCount wraps after 49.7 days; the 64-bit clock does not, so an
// operation started just before 2^32 ms still waits its two seconds.
TEST_F(ProgressMonitorTest, DelayHoldsAcrossThe32BitTickBoundary) {
  g_now = 0xFFFFFF00u;
  ProgressMonitor monitor(&parent_);
  EXPECT_TRUE(Run(monitor, 1900, 100));
  EXPECT_TRUE(factory_.logs.empty());
  ProgressMonitor quiet(&parent_);
  quiet.SetQuiet(true);
  EXPECT_TRUE(Run(quiet, 1900, 100));
}

}  // namespace
}  // namespace kvn
