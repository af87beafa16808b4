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
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "app/ProgressDialog.h"
#include "app/TestyFrameWindow.h"
#include "foundation/LangTable.h"
#include "foundation/ModalStack.h"
#include "platform/fonts/FontLayerFaces.h"
#include "platform/ui/ControlButtons.h"
#include "platform/ui/MessageQueue.h"
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
