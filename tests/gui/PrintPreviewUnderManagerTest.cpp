// The print preview run from the print dialog under a window manager
// (openbox, started on this program's display before its first window), as
// a user meets it: each of Escape, Enter, a click into the page followed by
// Escape, the manager's close request (wmctrl -c) and Alt+F4 (the manager's
// key) ends the preview without printing, the keys going wherever the X
// server's focus is; the print dialog that comes back is active and takes
// Escape at once. Page Down, Right, Page Up and Left turn the pages.
// A frame left its unhandled keys to its owner (Escape in the preview
// cancelled the hidden print dialog), and the toolkit dropped the close
// requests of every frame while a modal dialog ran.
// Over a page long by construction (the held page of the slow drawing,
// tests/gui/GuiTestSupport.h): the print dialog that comes back after the
// page was cancelled, or drawn and the preview left by Escape, takes Escape
// with no click, and so does the main window after a cancelled print; a
// close asked of the preview while its page is drawn (Escape, Alt+F4, the
// manager's close), before its progress window appears or while it shows,
// ends the preview without printing. The preview's title bar offers neither
// minimise nor maximise.
// A session of many long previews, each ended another way, leaves the main
// window taking Ctrl+P and no GTK grab behind; a grab given back after a
// progress window goes beneath a newer one. After a long preview over a
// drawing whose repaint is held, the print dialog is painted and takes
// Escape while the main window's repaint waits.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/eventfilter.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "app/ProgressDialog.h"
#include "app/TestyFrameWindow.h"
#include "app/VectorWindow.h"
#include "foundation/LangTable.h"
#include "foundation/ModalStack.h"
#include "platform/fonts/FontLayerFaces.h"
#include "platform/ui/ControlButtons.h"
#include "platform/ui/DisabledWindowFocus.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/UiHelpersWx.h"
#include "print/PrintOut.h"
#include "print/dialogs/PrintDialog.h"
#include "print/dialogs/PrintPreview.h"
#include "render/GeometryServicesImpl.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/print/PrintFixtures.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestQueues.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

bool Have(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

// openbox on this program's display, for the whole run; its home is a
// scratch folder of its own.
class Manager {
 public:
  Manager() {
    if (!Have("openbox")) return;
    const std::filesystem::path home = home_.Path();
    pid_ = fork();
    if (pid_ == 0) {
      setenv("HOME", home.c_str(), 1);
      setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
      setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
      const int log = open((home / "openbox.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (log >= 0) {
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
      }
      execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
      _exit(127);
    }
    // Up once it has named its check window on the root.
    up_ = pid_ > 0 && test::WaitUntil([] {
            return test::Shell("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null").find("window id") !=
                   std::string::npos;
          });
  }
  ~Manager() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    if (!test::WaitUntil([&] { return waitpid(pid_, nullptr, WNOHANG) == pid_; })) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Manager(const Manager&) = delete;
  Manager& operator=(const Manager&) = delete;
  bool Up() const { return up_; }

 private:
  test::ScratchDir home_;
  pid_t pid_ = -1;
  bool up_ = false;
};

Manager* g_manager = nullptr;

void ScheduleRound() {
  wxTheApp->CallAfter([] { MessageQueue::Instance().DispatchRound(); });
}

PreviewWindow__new* RunningPreview() {
  auto* preview = dynamic_cast<PreviewWindow__new*>(ModalStack::Top());
  return preview && preview->GetPeer() && preview->GetPeer()->IsShown() ? preview : nullptr;
}

cPrintDialog* TopPrintDialog() { return dynamic_cast<cPrintDialog*>(ModalStack::Top()); }

// The preview frame while it is shown, its modal run started or not (its
// first page is drawn before the run).
PreviewWindow__new* ShownPreview() {
  for (wxWindow* top : wxTopLevelWindows) {
    auto* preview = dynamic_cast<PreviewWindow__new*>(TWindow::FromPeer(top));
    if (preview && top->IsShown()) return preview;
  }
  return nullptr;
}

// The progress window in front, once the toolkit shows it.
TMyAbortWindow* ShownProgress() {
  auto* progress = dynamic_cast<TMyAbortWindow*>(ModalStack::Top());
  return progress && progress->GetPeer() && progress->GetPeer()->IsShown() ? progress : nullptr;
}
TWindow* Control(TDialog& dialog, int id) { return dialog.GetDlgItem(id); }

// The window manager has made the window the active one (the X focus is in it).
bool Active(TWindow& window) {
  auto* top = dynamic_cast<wxTopLevelWindow*>(window.GetPeer());
  return top && top->IsActive();
}

std::string Title(TWindow& w) { return w.GetPeer()->GetLabel().ToStdString(wxConvUTF8); }

std::string Escaped(const std::string& title) {
  std::string out;
  for (char c : title) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) out += '\\';
    out += c;
  }
  return out;
}

// xdotool's keys and clicks go where the X server's focus and pointer are,
// as a user's do.
void Xdo(const std::string& action) { test::Shell("timeout 20 xdotool " + action + " >/dev/null 2>&1"); }

// Runs `start`, then the steps one per tick inside the modal loops; every
// step returns true when done. A step that never gets there fails the test
// (test::StepClock) and the modal windows are ended. Afterwards nothing
// modal is left.
bool RunSteps(const std::function<void()>& start, std::deque<std::function<bool()>> steps) {
  wxTimer timer;
  test::StepClock clock;
  bool stuck = false;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    // A key or a close meant for the preview that ends the print dialog
    // behind it: the dialog can never come back.
    if (PreviewWindow__new* p = RunningPreview(); p && !stuck) {
      if (auto* below = dynamic_cast<cPrintDialog*>(p->GetParentO()); below && !below->GetPeer()->IsShown()) {
        ADD_FAILURE() << "the print dialog behind the preview was ended";
        stuck = true;
      }
    }
    if (stuck || clock.Expired("the preview's steps")) {
      stuck = true;
      // A page held until it is cancelled would hold the run for ever.
      test::ReleaseHeldPages();
      if (PreviewWindow__new* p = RunningPreview()) p->EndModal(kPreviewResultClose);
      if (cPrintDialog* d = TopPrintDialog()) {
        auto* peer = dynamic_cast<wxDialog*>(d->GetPeer());
        if (peer && !peer->IsModal() && peer->IsShown() == false) {
          // Ended while the preview's loop ran inside its own: the toolkit
          // never told that loop, which is the running one now.
          if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->ScheduleExit(kIdcCancel);
        } else {
          d->CloseWindow(kIdcCancel);
        }
      }
      return;
    }
    if (!steps.empty() && steps.front()()) {
      steps.pop_front();
      clock.Next();
    }
  });
  timer.Start(50);
  start();
  const bool ended = test::PumpUntil([&] { return (steps.empty() || stuck) && ModalStack::Depth() == 0; });
  EXPECT_TRUE(ended) << "a modal window stayed open after the steps";
  timer.Stop();
  return steps.empty();
}

class PrintPreviewUnderManagerTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    if (g_manager == nullptr || !g_manager->Up() || !Have("wmctrl") || !test::HaveXdotool()) {
      const char* ci = std::getenv("CI");
      if (ci && std::string(ci) == "true") FAIL() << "openbox, wmctrl or xdotool missing or not running, and CI=true";
      GTEST_SKIP() << "openbox, wmctrl or xdotool missing (scripts/install-deps.sh)";
    }
    test::SettingsFolderTest::SetUp();
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    ResetPrinters();
    PrintDialogGlobals() = PrintDialogOptions{};
    DefaultMargins() = Margins{};
    test::AddA4Queue(queues_);
    override_ = std::make_unique<ScopedSpoolerOverride>(spooler_);
    InstallRendererGeometryServices();
    InstallFontLayerFaces();
    InstallProgressDialogs();
    LoadPrinterList();
    MessageQueue::Instance().SetWakeHook(&ScheduleRound);
  }
  void TearDown() override {
    MessageQueue::Instance().SetWakeHook(nullptr);
    delete frame_;
    frame_ = nullptr;
    ResetPrinters();
    override_.reset();
    test::SettingsFolderTest::TearDown();
  }

  // The main frame showing a drawing of three pages, each with a line,
  // made active by the manager.
  void OpenThreePages() {
    // Three pages, each with a line.
    test::FixtureDocument plan;
    test::FixtureSheet sheet;
    sheet.name = u"Plan";
    for (int p = 0; p < 3; ++p) {
      test::FixturePage page;
      page.name = u"Floor " + std::u16string(1, char16_t(u'A' + p));
      page.color = 0x80000000;
      sheet.pages.push_back(page);
      test::FixtureLine l;
      l.start = {20.0, 20};
      l.end = {180.0, 180};
      l.page = std::uint16_t(p);
      l.color = 0x0000FF;
      l.width = 1.0;
      sheet.lines.push_back(l);
    }
    plan.sheets.push_back(sheet);
    frame_ = new TTestyFrameWindow;
    frame_->Attr.X = 30;
    frame_->Attr.Y = 20;
    frame_->Attr.W = 900;
    frame_->Attr.H = 700;
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
    const auto file = files_.Path() / "three.kvn";
    ASSERT_TRUE(test::SaveBytes(file.string(), test::WriteNativeFile(plan)));
    ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(file.string())));
    ASSERT_TRUE(test::PumpUntil([&] { return Active(*frame_); })) << "the manager never activated the frame";
  }

  test::FakeSpooler queues_;
  test::JobSpooler spooler_{queues_};
  std::unique_ptr<ScopedSpoolerOverride> override_;
  TTestyFrameWindow* frame_ = nullptr;
  test::ScratchDir files_;
};

// How the user leaves the preview.
enum class Way { Escape, Enter, ClickThenEscape, CloseRequest, AltF4 };

struct WayCase {
  Way way;
  const char* name;
};

class PreviewEnds : public PrintPreviewUnderManagerTest, public ::testing::WithParamInterface<WayCase> {};

TEST_P(PreviewEnds, WithoutPrintingAndTheDialogTakesEscape) {
  const WayCase c = GetParam();
  OpenThreePages();
  if (HasFatalFailure()) return;
  const std::string frameTitle = Escaped(Title(*frame_));

  bool previewShown = false, dialogBack = false, dialogEscaped = false;
  std::deque<std::function<bool()>> steps = {
      [&] { return TopPrintDialog() != nullptr; },
      [&] {
        auto* preview = dynamic_cast<TButton*>(Control(*TopPrintDialog(), 101));
        EXPECT_NE(preview, nullptr);
        // Clicked from the loop, not from inside this timer's tick.
        if (preview) wxTheApp->CallAfter([preview] { preview->Click(); });
        return true;
      },
      // Until the manager has made the preview the active window.
      [&] {
        PreviewWindow__new* p = RunningPreview();
        previewShown = previewShown || p != nullptr;
        return p && Active(*p);
      },
  };
  if (c.way == Way::Escape) {
    // The page keys, through the X server: each waits for its page.
    for (const auto& [key, index] : {std::pair{"Next", 1}, {"Right", 2}, {"Prior", 1}, {"Left", 0}}) {
      steps.push_back([key] {
        Xdo(std::string("key ") + key);
        return true;
      });
      steps.push_back([index] { return RunningPreview() && RunningPreview()->PageIndex() == index; });
    }
  }
  if (c.way == Way::ClickThenEscape) {
    // Pressed inside the page (the view holds the mouse), then released.
    steps.push_back([] {
      TWindowPrevMy__& view = *RunningPreview()->PageView();
      const TRect r = view.GetClientRect();
      const TPoint at = view.ClientToScreen(TPoint{int(r.Width()) / 2, int(r.Height()) / 2});
      Xdo(test::PointerTo(at.x, at.y) + " mousedown 1");
      return true;
    });
    steps.push_back(
        [] { return RunningPreview() && TWindow::GetCapture() == RunningPreview()->PageView()->GetHandle(); });
    steps.push_back([] {
      Xdo("mouseup 1");
      return true;
    });
    steps.push_back(
        [] { return RunningPreview() && TWindow::GetCapture() != RunningPreview()->PageView()->GetHandle(); });
  }
  steps.push_back([&] {
    PreviewWindow__new& p = *RunningPreview();
    switch (c.way) {
      case Way::Escape:
      case Way::ClickThenEscape:
        Xdo("key Escape");
        break;
      case Way::Enter:
        Xdo("key Return");
        break;
      case Way::CloseRequest:
        test::Shell("timeout 20 wmctrl -F -c '" + Title(p) + "' >/dev/null 2>&1");
        break;
      case Way::AltF4:
        Xdo("key alt+F4");
        break;
    }
    return true;
  });
  // The preview gone, the print dialog back and made active by the manager.
  steps.push_back([&] {
    cPrintDialog* d = TopPrintDialog();
    dialogBack = RunningPreview() == nullptr && d != nullptr;
    return dialogBack && Active(*d);
  });
  steps.push_back([&] {
    Xdo("key Escape");
    return true;
  });
  steps.push_back([&] {
    dialogEscaped = ModalStack::Depth() == 0;
    return dialogEscaped;
  });
  EXPECT_TRUE(RunSteps([&] { test::Shell(test::XdoOnWindow(frameTitle, "key ctrl+p")); }, std::move(steps)));
  EXPECT_TRUE(previewShown) << "the preview never opened";
  EXPECT_TRUE(dialogBack) << "the preview did not end";
  EXPECT_TRUE(dialogEscaped) << "the print dialog that came back did not take Escape";
  EXPECT_TRUE(spooler_.jobs.empty()) << "leaving the preview printed";
}

INSTANTIATE_TEST_SUITE_P(Ways, PreviewEnds,
                         ::testing::Values(WayCase{Way::Escape, "Escape"}, WayCase{Way::Enter, "Enter"},
                                           WayCase{Way::ClickThenEscape, "ClickThenEscape"},
                                           WayCase{Way::CloseRequest, "CloseRequest"},
                                           WayCase{Way::AltF4, "AltF4"}),
                         [](const ::testing::TestParamInfo<WayCase>& way) { return std::string(way.param.name); });

// ---- over a page long by construction ------------------------------------------------------

// The print dialog opened by Ctrl+P on the frame and its Preview clicked;
// `previewOver` is set once the click has returned (the preview has ended).
std::deque<std::function<bool()>> ToThePreview(TFrameWindow& frame, bool& previewOver,
                                               std::function<void()> beforeClick = nullptr) {
  const std::string frameTitle = Escaped(Title(frame));
  return {
      [frameTitle] {
        test::Shell(test::XdoOnWindow(frameTitle, "key ctrl+p"));
        return true;
      },
      [] { return TopPrintDialog() != nullptr; },
      [&previewOver, beforeClick] {
        auto* preview = dynamic_cast<TButton*>(Control(*TopPrintDialog(), 101));
        EXPECT_NE(preview, nullptr);
        if (beforeClick) beforeClick();
        // Clicked from the loop, not from inside this timer's tick.
        if (preview) wxTheApp->CallAfter([preview, &previewOver] {
          preview->Click();
          previewOver = true;
        });
        return true;
      },
  };
}

// A click on the progress window's Cancel through the X server.
bool ClickCancel() {
  TMyAbortWindow* progress = ShownProgress();
  if (progress == nullptr) return false;
  const wxRect cancel = progress->GetCancelButton()->GetPeer()->GetScreenRect();
  Xdo(test::PointerTo(cancel.x + cancel.width / 2, cancel.y + cancel.height / 2) + " click 1");
  return true;
}

enum class PageEnd { Cancelled, DrawnThenEscape };

struct PageEndCase {
  PageEnd end;
  const char* name;
  // The main window's repaint gave way to the print dialog's paint just
  // before the preview began, and was put off by it.
  bool gaveWayBefore = false;
};

class LongPageEnds : public PrintPreviewUnderManagerTest, public ::testing::WithParamInterface<PageEndCase> {};

// The progress window disabled the print dialog behind the preview: the
// dialog came back active, with the X focus, and deaf to its keys.
TEST_P(LongPageEnds, AndThePrintDialogTakesEscapeWithNoClick) {
  const PageEndCase c = GetParam();
  ASSERT_NE(test::OpenSlowDrawing(frame_, files_.Path()), nullptr);
  ASSERT_TRUE(test::PumpUntil([&] { return Active(*frame_); })) << "the manager never activated the frame";
  // "Terminate a function?" is answered OK.
  test::AnsweringBoxes boxes(50ms);
  SetMessageBoxBackend(&boxes);
  bool previewOver = false, dialogBack = false, dialogEscaped = false;
  std::deque<std::function<bool()>> steps = ToThePreview(*frame_, previewOver);
  steps.push_back([] { return ShownProgress() != nullptr; });
  if (c.end == PageEnd::Cancelled) {
    steps.push_back(&ClickCancel);
  } else {
    steps.push_back([] {
      test::ReleaseHeldPages();
      return true;
    });
    steps.push_back([] { return RunningPreview() && Active(*RunningPreview()); });
    steps.push_back([] {
      Xdo("key Escape");
      return true;
    });
  }
  steps.push_back([&] {
    cPrintDialog* d = TopPrintDialog();
    dialogBack = previewOver && d != nullptr;
    return dialogBack && Active(*d);
  });
  steps.push_back([] {
    Xdo("key Escape");
    return true;
  });
  steps.push_back([&] {
    dialogEscaped = ModalStack::Depth() == 0;
    return dialogEscaped;
  });
  const bool ran = RunSteps([] {}, std::move(steps));
  SetMessageBoxBackend(nullptr);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(dialogBack) << "the preview did not end";
  EXPECT_TRUE(dialogEscaped) << "the print dialog that came back after the long page did not take Escape";
  EXPECT_TRUE(spooler_.jobs.empty()) << "leaving the preview printed";
}

INSTANTIATE_TEST_SUITE_P(Ways, LongPageEnds,
                         ::testing::Values(PageEndCase{PageEnd::Cancelled, "Cancelled"},
                                           PageEndCase{PageEnd::DrawnThenEscape, "DrawnThenEscape"}),
                         [](const ::testing::TestParamInfo<PageEndCase>& c) { return std::string(c.param.name); });

// The job's progress window disabled the main window: after a cancelled
// print it came back active and deaf to its keys.
TEST_F(PrintPreviewUnderManagerTest, ACancelledPrintLeavesTheMainWindowTakingItsKeys) {
  OpenThreePages();
  if (HasFatalFailure()) return;
  // Its pages held until they are cancelled.
  cVectorWindow* drawing = test::AddHeldLine(*frame_);
  ASSERT_NE(drawing, nullptr);
  ASSERT_EQ(drawing->GetPageNumber(), 0);
  // "Terminate a function?" and "Printing canceled" are answered OK.
  test::AnsweringBoxes boxes(50ms);
  SetMessageBoxBackend(&boxes);
  const std::string frameTitle = Escaped(Title(*frame_));
  bool printOver = false, pageTurned = false;
  std::deque<std::function<bool()>> steps = {
      [frameTitle] {
        test::Shell(test::XdoOnWindow(frameTitle, "key ctrl+p"));
        return true;
      },
      [] { return TopPrintDialog() != nullptr; },
      [] {
        auto* ok = dynamic_cast<TButton*>(Control(*TopPrintDialog(), kIdcOk));
        EXPECT_NE(ok, nullptr);
        if (ok) wxTheApp->CallAfter([ok] { ok->Click(); });
        return true;
      },
      [] { return ShownProgress() != nullptr; },
      &ClickCancel,
      // The job over and the main window made active again by the manager.
      [&] {
        printOver = ModalStack::Depth() == 0 && spooler_.jobs.size() == 1 && spooler_.jobs[0]->cancelled;
        return printOver && Active(*frame_);
      },
      // Page Down, wherever the X server's focus is: the drawing window's
      // own key.
      [] {
        Xdo("key Next");
        return true;
      },
      [&] {
        pageTurned = drawing->GetPageNumber() == 1;
        return pageTurned;
      },
  };
  const bool ran = RunSteps([] {}, std::move(steps));
  SetMessageBoxBackend(nullptr);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(printOver) << "the print was not cancelled";
  EXPECT_TRUE(pageTurned) << "the main window did not take Page Down after the cancelled print";
}

enum class When { BeforeProgress, WhileProgress };

struct CloseCase {
  Way way;
  When when;
  const char* name;
};

// The shell words that close the active window the way `way` does.
std::string CloseActive(Way way) {
  switch (way) {
    case Way::Escape:
      return "xdotool key Escape";
    case Way::AltF4:
      return "xdotool key alt+F4";
    default:
      return "wmctrl -i -c \"$(xdotool getactivewindow)\"";
  }
}

// From a process of its own, since the program draws the page without
// handling any message until its progress window appears: waits until the
// manager has made the preview the active window, then closes it `way`,
// and writes into `file` whether the progress window was up by then.
void CloseThePreviewOnceActive(Way way, const std::filesystem::path& file) {
  const std::string command =
      "(for i in $(seq 1 600); do case \"$(xdotool getactivewindow getwindowname 2>/dev/null)\" in "
      "'Print preview'*) break;; esac; sleep 0.05; done; "
      "if xdotool search --onlyvisible --name 'function is in progress' >/dev/null 2>&1; "
      "then echo while >'" + file.string() + ".part'; else echo before >'" + file.string() + ".part'; fi; " +
      "timeout 20 " + CloseActive(way) + "; mv '" + file.string() + ".part' '" + file.string() +
      "') >/dev/null 2>&1 &";
  if (std::system(command.c_str()) != 0) ADD_FAILURE() << "the close did not start";
}

class CloseDuringPage : public PrintPreviewUnderManagerTest, public ::testing::WithParamInterface<CloseCase> {};

// The request was dropped while the page was drawn (the frame disabled by
// the progress window, or its modal run not started yet): the preview
// stayed on screen after the page.
TEST_P(CloseDuringPage, EndsThePreviewWithoutPrinting) {
  const CloseCase c = GetParam();
  ASSERT_NE(test::OpenSlowDrawing(frame_, files_.Path()), nullptr);
  ASSERT_TRUE(test::PumpUntil([&] { return Active(*frame_); })) << "the manager never activated the frame";
  // Should the close reach the progress window instead, its question is
  // answered "go on": only the preview's own close may end the page.
  test::AnsweringBoxes boxes(50ms);
  for (int i = 0; i < 8; ++i) boxes.answers.push_back(kIdCancel);
  SetMessageBoxBackend(&boxes);
  const std::filesystem::path sent = files_.Path() / "close-sent";
  bool previewOver = false, dialogBack = false;
  std::deque<std::function<bool()>> steps =
      ToThePreview(*frame_, previewOver, [&] {
        if (c.when == When::BeforeProgress) CloseThePreviewOnceActive(c.way, sent);
      });
  if (c.when == When::WhileProgress) {
    steps.push_back([] { return ShownProgress() != nullptr && ShownPreview() != nullptr; });
    steps.push_back([&] {
      const std::string title = Title(*ShownPreview());
      if (c.way == Way::CloseRequest) {
        test::Shell("timeout 20 wmctrl -F -c '" + title + "' >/dev/null 2>&1");
      } else {
        test::Shell(test::XdoOnWindow(Escaped(title), c.way == Way::Escape ? "key Escape" : "key alt+F4"));
      }
      return true;
    });
  }
  steps.push_back([&] { return previewOver; });
  // The dialog that comes back is the active window and takes one Escape
  // with no click: the manager's fallback after the preview went, or the
  // progress window's owner brought to the front as it closed, left another
  // window active.
  bool dialogEscaped = false;
  steps.push_back([&] {
    dialogBack = ShownPreview() == nullptr && TopPrintDialog() != nullptr;
    return dialogBack && Active(*TopPrintDialog());
  });
  steps.push_back([] {
    Xdo("key Escape");
    return true;
  });
  steps.push_back([&] {
    dialogEscaped = ModalStack::Depth() == 0;
    return dialogEscaped;
  });
  const bool ran = RunSteps([] {}, std::move(steps));
  if (!dialogEscaped && TopPrintDialog() != nullptr) TopPrintDialog()->CloseWindow(kIdcCancel);
  SetMessageBoxBackend(nullptr);
  if (c.when == When::BeforeProgress) {
    std::ifstream in(sent);
    std::string state;
    in >> state;
    std::printf("the close was sent %s the progress window showed\n",
                state == "before" ? "before" : state == "while" ? "while" : "(not at all)");
  }
  EXPECT_TRUE(ran);
  EXPECT_TRUE(previewOver) << "the preview stayed after its close";
  EXPECT_TRUE(dialogBack) << "the print dialog did not come back";
  EXPECT_TRUE(dialogEscaped) << "the print dialog that came back was not active or did not take Escape";
  EXPECT_TRUE(boxes.texts.empty()) << "the close asked " << (boxes.texts.empty() ? "" : boxes.texts[0].ToUtf8());
  EXPECT_TRUE(spooler_.jobs.empty()) << "closing the preview printed";
}

INSTANTIATE_TEST_SUITE_P(
    Ways, CloseDuringPage,
    ::testing::Values(CloseCase{Way::Escape, When::BeforeProgress, "EscapeBeforeProgress"},
                      CloseCase{Way::AltF4, When::BeforeProgress, "AltF4BeforeProgress"},
                      CloseCase{Way::CloseRequest, When::BeforeProgress, "CloseRequestBeforeProgress"},
                      CloseCase{Way::Escape, When::WhileProgress, "EscapeWhileProgress"},
                      CloseCase{Way::AltF4, When::WhileProgress, "AltF4WhileProgress"},
                      CloseCase{Way::CloseRequest, When::WhileProgress, "CloseRequestWhileProgress"}),
    [](const ::testing::TestParamInfo<CloseCase>& c) { return std::string(c.param.name); });

// The window manager is told before the preview is mapped that it has
// neither a minimise nor a maximise box (a minimised preview left the print
// dialog active, and its next Escape ended the hidden preview), and that it
// stays resizable and closable: the preview's Motif hints, read before any
// input. The manager's own list of actions shows it resizable and closable;
// openbox lists minimise and maximise for every resizable window whatever
// its hints say.
TEST_F(PrintPreviewUnderManagerTest, ThePreviewTellsTheManagerItHasNeitherMinimiseNorMaximise) {
  OpenThreePages();
  if (HasFatalFailure()) return;
  std::string hints, actions;
  bool previewOver = false;
  std::deque<std::function<bool()>> steps = ToThePreview(*frame_, previewOver);
  steps.push_back([&] {
    PreviewWindow__new* p = RunningPreview();
    if (p == nullptr) return false;
    const std::string name = "xprop -name '" + Title(*p) + "' ";
    hints = test::Shell(name + "_MOTIF_WM_HINTS 2>/dev/null");
    actions = test::Shell(name + "_NET_WM_ALLOWED_ACTIONS 2>/dev/null");
    // Until the manager has managed the window and listed its actions.
    return actions.find("_NET_WM_ACTION_CLOSE") != std::string::npos;
  });
  steps.push_back([] {
    RunningPreview()->EndModal(kPreviewResultClose);
    return true;
  });
  steps.push_back([&] { return previewOver && TopPrintDialog() != nullptr; });
  steps.push_back([] {
    TopPrintDialog()->CloseWindow(kIdcCancel);
    return true;
  });
  EXPECT_TRUE(RunSteps([] {}, std::move(steps)));
  // "_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = flags, functions, decorations, ...".
  unsigned long flags = 0, functions = 0, decorations = 0;
  const std::size_t equals = hints.find('=');
  ASSERT_NE(equals, std::string::npos) << "no Motif hints: " << hints;
  ASSERT_EQ(std::sscanf(hints.c_str() + equals + 1, " %lx, %lx, %lx", &flags, &functions, &decorations), 3) << hints;
  // The Motif bits: functions resize 2, minimise 8, maximise 16, close 32;
  // decorations resize handles 4, minimise 32, maximise 64.
  EXPECT_EQ(flags & 3, 3u) << hints;
  EXPECT_EQ(functions & (8 | 16), 0u) << "minimise or maximise offered: " << hints;
  EXPECT_EQ(decorations & (32 | 64), 0u) << "a minimise or maximise box asked for: " << hints;
  EXPECT_EQ(functions & (2 | 32), 2u | 32u) << "not resizable and closable: " << hints;
  EXPECT_NE(decorations & 4, 0u) << hints;
  EXPECT_NE(actions.find("_NET_WM_ACTION_RESIZE"), std::string::npos) << actions;
  EXPECT_NE(actions.find("_NET_WM_ACTION_CLOSE"), std::string::npos) << actions;
}

// openbox offers minimise whatever the hints say: a preview minimised
// through the manager comes back at once, so that the print dialog beside it
// never becomes the active window while the preview's run goes on.
TEST_F(PrintPreviewUnderManagerTest, APreviewMinimisedByTheManagerComesBackAtOnce) {
  OpenThreePages();
  if (HasFatalFailure()) return;
  bool previewOver = false, minimised = false, back = false;
  std::string state;
  std::deque<std::function<bool()>> steps = ToThePreview(*frame_, previewOver);
  steps.push_back([&] {
    PreviewWindow__new* p = RunningPreview();
    auto* top = p ? dynamic_cast<wxTopLevelWindow*>(p->GetPeer()) : nullptr;
    if (top == nullptr || !top->IsShownOnScreen()) return false;
    top->Bind(wxEVT_ICONIZE, [&minimised](wxIconizeEvent& e) {
      if (e.IsIconized()) minimised = true;
      e.Skip();
    });
    Xdo("search --name '^" + Escaped(Title(*p)) + "$' windowminimize");
    return true;
  });
  steps.push_back([&] {
    PreviewWindow__new* p = RunningPreview();
    if (p == nullptr) {
      ADD_FAILURE() << "the preview ended after its minimise";
      return true;
    }
    if (!minimised) return false;
    // The manager's own word: the toolkit's iconified state can lag behind
    // the manager's map. openbox writes WM_STATE Iconic before the hidden
    // state that told the toolkit of the minimise.
    state = test::Shell("xprop -name '" + Title(*p) + "' WM_STATE 2>/dev/null");
    back = state.find("window state: Normal") != std::string::npos;
    return back;
  });
  steps.push_back([] {
    RunningPreview()->EndModal(kPreviewResultClose);
    return true;
  });
  steps.push_back([&] { return previewOver && TopPrintDialog() != nullptr; });
  steps.push_back([] {
    TopPrintDialog()->CloseWindow(kIdcCancel);
    return true;
  });
  EXPECT_TRUE(RunSteps([] {}, std::move(steps)));
  EXPECT_TRUE(minimised) << "the manager never minimised the preview";
  EXPECT_TRUE(back) << "the minimised preview stayed hidden: " << state;
}

// ---- many long previews in one session -----------------------------------------------------

// GTK's current grab (the widget that takes the program's input); null when
// none is held, or without GTK.
void* CurrentGtkGrab() {
  static const auto current = reinterpret_cast<void* (*)()>(dlsym(RTLD_DEFAULT, "gtk_grab_get_current"));
  return current ? current() : nullptr;
}

enum class LongEnd { Escape, Cancel, CloseRequest, ReleasedThenEscape };

const char* Name(LongEnd end) {
  switch (end) {
    case LongEnd::Escape:
      return "Escape";
    case LongEnd::Cancel:
      return "Cancel";
    case LongEnd::CloseRequest:
      return "CloseRequest";
    case LongEnd::ReleasedThenEscape:
      return "ReleasedThenEscape";
  }
  return "?";
}

// Each progress window gave back the grabs and the focus it had noted as it
// went: a grab restored on a window whose modal run had ended, or over a
// newer grab, stayed on GTK's stack after every dialog had closed, and the
// main window drew nothing and took no key (Ctrl+P, Ctrl+Q) for the rest
// of the session. Rounds of a long preview, each over the held page with
// its progress window up and ended another way (Escape or the manager's
// close on the preview, Cancel in the progress window, the page let go and
// then Escape), each followed by Escape in the print dialog; afterwards the
// main window, made active by the manager, opens the print dialog on Ctrl+P
// sent to wherever the X focus is, and no grab is left.
TEST_F(PrintPreviewUnderManagerTest, ManyLongPreviewsLeaveTheMainWindowTakingCtrlP) {
  constexpr int kRounds = 25;
  ASSERT_NE(test::OpenSlowDrawing(frame_, files_.Path()), nullptr);
  // No repaint is looked at here: each round's repaint of the main window
  // beneath the preview takes only the lines' own time.
  test::SetSlowRepaint(test::SlowRepaint::kQuick);
  ASSERT_TRUE(test::PumpUntil([&] { return Active(*frame_); })) << "the manager never activated the frame";
  // "Terminate a function?" after Cancel is answered OK.
  test::AnsweringBoxes boxes(50ms);
  SetMessageBoxBackend(&boxes);
  const auto started = std::chrono::steady_clock::now();
  int firstStaleRound = -1;
  for (int round = 0; round < kRounds && !HasFailure(); ++round) {
    const LongEnd end = LongEnd(round % 4);
    SCOPED_TRACE(std::string("round ") + std::to_string(round + 1) + ", ended by " + Name(end));
    test::HoldPages();
    bool previewOver = false, dialogBack = false, dialogEscaped = false;
    std::deque<std::function<bool()>> steps = ToThePreview(*frame_, previewOver);
    steps.push_back([] { return ShownProgress() != nullptr && ShownPreview() != nullptr; });
    switch (end) {
      case LongEnd::Escape:
        steps.push_back([] {
          test::Shell(test::XdoOnWindow(Escaped(Title(*ShownPreview())), "key Escape"));
          return true;
        });
        break;
      case LongEnd::Cancel:
        steps.push_back(&ClickCancel);
        break;
      case LongEnd::CloseRequest:
        steps.push_back([] {
          test::Shell("timeout 20 wmctrl -F -c '" + Title(*ShownPreview()) + "' >/dev/null 2>&1");
          return true;
        });
        break;
      case LongEnd::ReleasedThenEscape:
        steps.push_back([] {
          test::ReleaseHeldPages();
          return true;
        });
        steps.push_back([] { return RunningPreview() && Active(*RunningPreview()); });
        steps.push_back([] {
          Xdo("key Escape");
          return true;
        });
        break;
    }
    steps.push_back([&] {
      cPrintDialog* d = TopPrintDialog();
      dialogBack = previewOver && ShownPreview() == nullptr && d != nullptr;
      return dialogBack && Active(*d);
    });
    steps.push_back([] {
      Xdo("key Escape");
      return true;
    });
    steps.push_back([&] {
      dialogEscaped = ModalStack::Depth() == 0;
      return dialogEscaped;
    });
    EXPECT_TRUE(RunSteps([] {}, std::move(steps)));
    EXPECT_TRUE(dialogBack) << "the preview did not end";
    EXPECT_TRUE(dialogEscaped) << "the print dialog did not take Escape";
    if (firstStaleRound < 0 && CurrentGtkGrab() != nullptr) firstStaleRound = round + 1;
  }
  SetMessageBoxBackend(nullptr);
  EXPECT_EQ(firstStaleRound, -1) << "a GTK grab was left after every window of round " << firstStaleRound
                                 << " had closed";
  if (HasFailure()) return;

  // Ctrl+P through the X server, where the manager has put the focus.
  bool dialogOpened = false, dialogEscaped = false;
  std::deque<std::function<bool()>> steps = {
      [&] { return Active(*frame_); },
      [] {
        Xdo("key ctrl+p");
        return true;
      },
      [&] {
        cPrintDialog* d = TopPrintDialog();
        dialogOpened = d != nullptr;
        return dialogOpened && Active(*d);
      },
      [] {
        Xdo("key Escape");
        return true;
      },
      [&] {
        dialogEscaped = ModalStack::Depth() == 0;
        return dialogEscaped;
      },
  };
  EXPECT_TRUE(RunSteps([] {}, std::move(steps)));
  EXPECT_TRUE(dialogOpened) << "the main window did not take Ctrl+P after " << kRounds << " long previews";
  EXPECT_TRUE(dialogEscaped) << "the print dialog opened by Ctrl+P did not take Escape";
  EXPECT_EQ(ModalStack::Depth(), 0);
  EXPECT_EQ(CurrentGtkGrab(), nullptr) << "a GTK grab is left with no modal window open";
  EXPECT_TRUE(spooler_.jobs.empty()) << "leaving a preview printed";
  std::printf("%d long previews and Ctrl+P took %lld s\n", kRounds,
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count()));
}

// What a progress window gives back as it goes, on its own: the grab of a
// modal window it had disabled goes beneath a grab taken meanwhile (put on
// top, it took the newer run's input and kept it after that run had ended
// its own), and bringing a hidden window to the front does not show it (a
// dialog whose run had ended came back, with its modal grab).
TEST_F(PrintPreviewUnderManagerTest, AGivenBackGrabGoesBeneathANewerOneAndAHiddenWindowStaysHidden) {
  using Grab = void (*)(void*);
  const auto grabAdd = reinterpret_cast<Grab>(dlsym(RTLD_DEFAULT, "gtk_grab_add"));
  const auto grabRemove = reinterpret_cast<Grab>(dlsym(RTLD_DEFAULT, "gtk_grab_remove"));
  ASSERT_TRUE(grabAdd && grabRemove);
  // A frame run modal as the preview is: the toolkit's grab and its loop.
  auto* outer = new wxFrame(nullptr, wxID_ANY, "Outer", wxPoint(100, 100), wxSize(300, 200));
  auto* newer = new wxFrame(nullptr, wxID_ANY, "Newer", wxPoint(450, 100), wxSize(300, 200));
  auto* hidden = new wxFrame(nullptr, wxID_ANY, "Hidden", wxPoint(100, 400), wxSize(300, 200));
  outer->Show();
  newer->Show();
  // Mapped by the toolkit: under a manager it shows a frame once the
  // manager has told it the frame's extents.
  const auto mapped = reinterpret_cast<int (*)(void*)>(dlsym(RTLD_DEFAULT, "gtk_widget_get_mapped"));
  ASSERT_NE(mapped, nullptr);
  ASSERT_TRUE(test::PumpUntil([&] { return mapped(outer->GetHandle()) && mapped(newer->GetHandle()); }))
      << "the manager never showed the frames";
  void* grabbedAtStart = nullptr;
  void* afterRestore = nullptr;
  void* afterNewerEnded = nullptr;
  bool hiddenShown = false;
  wxTheApp->CallAfter([&] {
    grabbedAtStart = CurrentGtkGrab();
    DisabledWindowFocus noted(outer);
    outer->Disable();
    grabAdd(newer->GetHandle());
    outer->Enable();
    noted.Restore();
    afterRestore = CurrentGtkGrab();
    grabRemove(newer->GetHandle());
    afterNewerEnded = CurrentGtkGrab();
    BringWindowToFront(hidden, true);
    hiddenShown = hidden->IsShown();
    outer->RemoveGrab();
  });
  outer->AddGrab();
  EXPECT_EQ(grabbedAtStart, outer->GetHandle()) << "the modal frame held no grab";
  EXPECT_EQ(afterRestore, newer->GetHandle()) << "the given-back grab went over the newer one";
  EXPECT_EQ(afterNewerEnded, outer->GetHandle()) << "the modal frame's grab was not given back";
  EXPECT_FALSE(hiddenShown) << "bringing a hidden window to the front showed it";
  EXPECT_EQ(CurrentGtkGrab(), nullptr) << "a grab is left after the frame's run";
  hidden->Destroy();
  newer->Destroy();
  outer->Destroy();
  test::Pump(50ms);
}

// ---- input before paint -----------------------------------------------------------------------

// Notes the first paint of `dialog` (its window or a control in it) once
// `armed` holds, into `file`: read by a process of its own, since nothing
// of the program runs while the main window's repaint holds.
class DialogPaintNote : public wxEventFilter {
 public:
  DialogPaintNote(std::function<bool()> armed, std::filesystem::path file)
      : armed_(std::move(armed)), file_(std::move(file)) {
    wxEvtHandler::AddFilter(this);
  }
  ~DialogPaintNote() override { wxEvtHandler::RemoveFilter(this); }
  DialogPaintNote(const DialogPaintNote&) = delete;
  DialogPaintNote& operator=(const DialogPaintNote&) = delete;
  int FilterEvent(wxEvent& event) override {
    if (painted_ || event.GetEventType() != wxEVT_PAINT || !armed_()) return Event_Skip;
    auto* window = dynamic_cast<wxWindow*>(event.GetEventObject());
    if (window && dialog && wxGetTopLevelParent(window) == dialog) {
      painted_ = true;
      std::ofstream(file_) << "painted\n";
    }
    return Event_Skip;
  }
  bool Painted() const { return painted_; }
  // The dialog's window, once known.
  wxWindow* dialog = nullptr;

 private:
  std::function<bool()> armed_;
  std::filesystem::path file_;
  bool painted_ = false;
};

// From a process of its own: once `painted` and `held` exist and the
// manager has made the window titled `title` the active one, sends one
// Escape wherever the X focus is and writes the time into `sent`
// (nanoseconds of the system clock); gives up after 120 s.
void EscapeOncePaintedAndActive(const std::string& title, const std::filesystem::path& painted,
                                const std::filesystem::path& held, const std::filesystem::path& sent) {
  const std::string command =
      "(for i in $(seq 1 1200); do if [ -e '" + painted.string() + "' ] && [ -e '" + held.string() +
      "' ] && [ \"$(xdotool getactivewindow getwindowname 2>/dev/null)\" = '" + title +
      "' ]; then date +%s%N >'" + sent.string() + ".part'; mv '" + sent.string() + ".part' '" + sent.string() +
      "'; timeout 20 xdotool key Escape; exit 0; fi; sleep 0.1; done) >/dev/null 2>&1 &";
  if (std::system(command.c_str()) != 0) ADD_FAILURE() << "the Escape did not start";
}

std::optional<std::chrono::system_clock::time_point> SentAt(const std::filesystem::path& file) {
  return test::ClickTime(file);
}

class InputBeforePaint : public PrintPreviewUnderManagerTest, public ::testing::WithParamInterface<PageEndCase> {};

// When a long preview ended, the main window beneath was repainted whole
// before anything else: over a drawing that takes seconds, the print dialog
// that came back stayed a blank frame, deaf to its keys, until that repaint
// was over. Input comes before paint: the main window's repaint, held here
// until the print dialog has closed, gives way to the dialog's paint and to
// its Escape, and is run again afterwards.
TEST_P(InputBeforePaint, ThePrintDialogIsPaintedAndTakesEscapeWhileTheMainWindowRepaints) {
  const PageEndCase c = GetParam();
  // How long a held repaint may hold the program once the state the test
  // waits for can only come through it (the dialog active but unpainted, or
  // its Escape sent): far past what a paint that gives way takes.
  constexpr auto kHeldPast = 20s;
  cVectorWindow* drawing = test::OpenSlowDrawing(frame_, files_.Path());
  ASSERT_NE(drawing, nullptr);
  ASSERT_TRUE(test::PumpUntil([&] { return Active(*frame_); })) << "the manager never activated the frame";
  test::AnsweringBoxes boxes(50ms);
  SetMessageBoxBackend(&boxes);
  const std::filesystem::path painted = files_.Path() / "dialog-painted";
  const std::filesystem::path sent = files_.Path() / "escape-sent";
  // Written once the main window's repaint has been held while the dialog
  // was up: the Escape comes while the repaint has begun.
  const std::filesystem::path held = files_.Path() / "repaint-held";
  // `uncovered` once the preview has gone from the screen. The dialog's
  // paints count from the end of the progress window, which disabled it:
  // the test's X server keeps what was painted then while the preview
  // covers it.
  bool previewOver = false, uncovered = false, heldWhileDialogUp = false, progressSeen = false;
  // With gaveWayBefore: the repaint held beneath the print dialog before
  // the preview, until it gives way to a key; the preview is then clicked
  // before the window can run its repaint again.
  bool beforePreview = false, keySent = false;
  std::optional<std::chrono::steady_clock::time_point> beforeSince;
  DialogPaintNote note([&] { return progressSeen && ShownProgress() == nullptr; }, painted);
  std::optional<std::chrono::steady_clock::time_point> heldSince;
  test::HoldRepaints({
      // Held from the preview's end until the print dialog has closed.
      [&] {
        if (beforePreview) {
          if (!beforeSince) beforeSince = std::chrono::steady_clock::now();
          // A key the dialog does not use, pressed while the main window
          // paints: the paint gives way to it whatever it gave way to before.
          if (!keySent) {
            Xdo("key F12");
            keySent = true;
          }
          return false;
        }
        const bool dialogUp = uncovered && TopPrintDialog() != nullptr;
        if (dialogUp && !heldWhileDialogUp) std::ofstream(held) << "held\n";
        heldWhileDialogUp = heldWhileDialogUp || dialogUp;
        if (!dialogUp) heldSince.reset();
        if (dialogUp && !heldSince) heldSince = std::chrono::steady_clock::now();
        return !dialogUp;
      },
      [&]() -> std::string {
        const auto now = std::chrono::steady_clock::now();
        if (beforePreview && beforeSince && now - *beforeSince > kHeldPast)
          return "the main window's repaint did not give way to a key";
        if (const auto at = SentAt(sent); at && std::chrono::system_clock::now() - *at > kHeldPast)
          return "the print dialog's Escape waited behind the main window's repaint";
        if (!note.Painted() && heldSince && now - *heldSince > kHeldPast)
          return "the print dialog stayed unpainted behind the main window's repaint";
        return {};
      },
      [&] {
        if (!beforePreview) return;
        beforePreview = false;
        // Queued before the window's own call to paint again.
        auto* preview = dynamic_cast<TButton*>(Control(*TopPrintDialog(), 101));
        if (preview) wxTheApp->CallAfter([preview, &previewOver] {
          preview->Click();
          previewOver = true;
        });
      },
  });
  std::string dialogTitle;
  std::deque<std::function<bool()>> steps = ToThePreview(*frame_, previewOver);
  if (c.gaveWayBefore) {
    // In place of the click: the held repaint clicks once it gave way.
    steps.back() = [&, drawing] {
      beforePreview = true;
      drawing->GetPeer()->Refresh();
      return true;
    };
  }
  steps.push_back([&] {
    progressSeen = ShownProgress() != nullptr;
    return progressSeen;
  });
  steps.push_back([&] {
    cPrintDialog* d = dynamic_cast<cPrintDialog*>(ShownPreview() ? ShownPreview()->GetParentO() : nullptr);
    if (d == nullptr) return false;
    dialogTitle = Title(*d);
    note.dialog = d->GetPeer();
    // The test's X server keeps the pixels of covered windows (backing
    // store): uncovered, the main window and the dialog are told to paint
    // as a display without it tells them, all of them.
    ShownPreview()->GetPeer()->Bind(wxEVT_SHOW, [drawing, d, &uncovered](wxShowEvent& e) {
      if (!e.IsShown()) {
        uncovered = true;
        drawing->GetPeer()->Refresh();
        if (d->GetPeer()) d->GetPeer()->Refresh();
      }
      e.Skip();
    });
    EscapeOncePaintedAndActive(dialogTitle, painted, held, sent);
    return true;
  });
  if (c.end == PageEnd::Cancelled) {
    steps.push_back(&ClickCancel);
  } else {
    steps.push_back([] {
      test::ReleaseHeldPages();
      return true;
    });
    steps.push_back([] { return RunningPreview() && Active(*RunningPreview()); });
    steps.push_back([] {
      Xdo("key Escape");
      return true;
    });
  }
  steps.push_back([&] { return previewOver && ModalStack::Depth() == 0; });
  const bool ran = RunSteps([] {}, std::move(steps));
  const test::HeldRepaintCounts counts = test::HeldRepaints();
  test::SetSlowRepaint(test::SlowRepaint::kQuick);
  SetMessageBoxBackend(nullptr);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(note.Painted()) << "the print dialog was not painted after the progress window";
  EXPECT_TRUE(SentAt(sent).has_value()) << "the print dialog never became the active window";
  EXPECT_TRUE(heldWhileDialogUp) << "the main window was not repainted while the print dialog was up: "
                                    "nothing waited behind its repaint";
  EXPECT_GE(counts.gaveWay, c.gaveWayBefore ? 2 : 1) << "the main window's repaint never gave way";
  EXPECT_TRUE(spooler_.jobs.empty()) << "leaving the preview printed";
  std::printf("held repaints of the main window: %d begun, %d gave way\n", counts.begun, counts.gaveWay);
}

INSTANTIATE_TEST_SUITE_P(Ways, InputBeforePaint,
                         ::testing::Values(PageEndCase{PageEnd::Cancelled, "Cancelled"},
                                           PageEndCase{PageEnd::DrawnThenEscape, "DrawnThenEscape"},
                                           PageEndCase{PageEnd::Cancelled, "GaveWayBeforeThePreview", true}),
                         [](const ::testing::TestParamInfo<PageEndCase>& c) { return std::string(c.param.name); });

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) {
  // The manager comes before the program's first window, as on a desktop.
  kvn::Manager manager;
  kvn::g_manager = &manager;
  const int result = kvn::test::RunGuiTests(argc, argv);
  kvn::g_manager = nullptr;
  return result;
}
