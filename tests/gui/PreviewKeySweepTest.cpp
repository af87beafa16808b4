// The print preview's long page ended in every way a user ends it, at every
// instant around its progress window, on a loaded machine: rounds of the
// way (Escape, Alt+F4, the manager's close request) times the instant
// (the preview active before its progress window is mapped; the instant the
// progress window is mapped, before it is painted; while it shows; as the
// held page is let go; just after the preview has ended by the progress
// window's Cancel; as the page has ended and the manager is asked to make
// the preview active, the manager held still until the way is sent), each
// with a delay of its own spread over the rounds,
// the preview opened by a click on Preview or by the button's mnemonic
// typed through the X server; a preview opened by the mnemonic is opened
// again by it from the dialog that came back and ended by Escape before its
// progress window. Every round the preview ends with no second close and
// without printing, the print dialog that comes back is active and closes on
// one Escape with no click, and the main window takes its next key (Ctrl+P
// of the next round).
// The keys and closes are sent by a process of their own that follows the X
// server's state (windows mapped, the active window) and this program's own
// (files it writes as it reaches a state), since the program handles no
// message while its page is drawn before the progress window appears.
// An Escape or an Alt+F4 that reached the progress window as the held page
// was let go was lost with the window, and the preview stayed.
// The manager held still (stopped) from the page's end until the way has
// been sent stretches the instant between the program's request that the
// preview be made active and the manager's answer, a few milliseconds on a
// desktop, to as long as the way takes to send: a key reaches the progress
// window then, and is lost when the program goes on without the manager's
// answer or ends the progress window without hearing it.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/eventfilter.h>
#include <wx/evtloop.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <typeinfo>
#include <utility>
#include <vector>

#include "app/ProgressDialog.h"
#include "app/TestyFrameWindow.h"
#include "app/VectorWindow.h"
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
#include "tests/support/TestQueues.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

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
  pid_t Pid() const { return pid_; }

 private:
  test::ScratchDir home_;
  pid_t pid_ = -1;
  bool up_ = false;
};

Manager* g_manager = nullptr;

// Busy processes at the lowest priority, one per core unless
// KVN_GUI_SWEEP_BURNERS says how many, while the sweep runs; they die with
// this program.
class CpuBurners {
 public:
  CpuBurners() {
    int count = int(std::thread::hardware_concurrency());
    if (const char* text = std::getenv("KVN_GUI_SWEEP_BURNERS"); text && *text) count = std::atoi(text);
    int niceness = 19;
    if (const char* text = std::getenv("KVN_GUI_SWEEP_NICE"); text && *text) niceness = std::atoi(text);
    for (int i = 0; i < std::min(count, 64); ++i) {
      const pid_t pid = fork();
      if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        setpriority(PRIO_PROCESS, 0, niceness);
        volatile unsigned long spin = 0;
        for (;;) spin = spin + 1;
      }
      if (pid > 0) pids_.push_back(pid);
    }
  }
  ~CpuBurners() {
    for (pid_t pid : pids_) kill(pid, SIGKILL);
    for (pid_t pid : pids_) waitpid(pid, nullptr, 0);
  }
  CpuBurners(const CpuBurners&) = delete;
  CpuBurners& operator=(const CpuBurners&) = delete;
  std::size_t Count() const { return pids_.size(); }

 private:
  std::vector<pid_t> pids_;
};

void ScheduleRound() {
  wxTheApp->CallAfter([] { MessageQueue::Instance().DispatchRound(); });
}

// The print dialog's control `id` (101: Preview).
TWindow* Control(TDialog& dialog, int id) { return dialog.GetDlgItem(id); }

cPrintDialog* TopPrintDialog() { return dynamic_cast<cPrintDialog*>(ModalStack::Top()); }

// The preview frame while it is shown, its modal run started or not.
PreviewWindow__new* ShownPreview() {
  for (wxWindow* top : wxTopLevelWindows) {
    auto* preview = dynamic_cast<PreviewWindow__new*>(TWindow::FromPeer(top));
    if (preview && top->IsShown()) return preview;
  }
  return nullptr;
}

TMyAbortWindow* ShownProgress() {
  auto* progress = dynamic_cast<TMyAbortWindow*>(ModalStack::Top());
  return progress && progress->GetPeer() && progress->GetPeer()->IsShown() ? progress : nullptr;
}

// The progress window of the preview's page, in front or under its question.
TMyAbortWindow* AnyProgress() {
  for (wxWindow* top : wxTopLevelWindows) {
    auto* progress = dynamic_cast<TMyAbortWindow*>(TWindow::FromPeer(top));
    if (progress && top->IsShown()) return progress;
  }
  return nullptr;
}

bool Active(TWindow& window) {
  auto* top = dynamic_cast<wxTopLevelWindow*>(window.GetPeer());
  return top && top->IsActive();
}

void Xdo(const std::string& action) { test::Shell("timeout 20 xdotool " + action + " >/dev/null 2>&1"); }

// The letter after the first single '&'; 0 when none.
char Mnemonic(const wxString& label) {
  for (std::size_t i = 0; i + 1 < label.size(); ++i) {
    if (label[i] != '&') continue;
    if (label[i + 1] == '&') {
      ++i;
      continue;
    }
    const wxChar c = wxTolower(label[i + 1]);
    return c < 128 ? char(c) : 0;
  }
  return 0;
}

// Whether the toolkit showed a preview frame since `seen` was reset: the
// preview may come and go between two ticks of the steps' timer.
class PreviewShows : public wxEventFilter {
 public:
  PreviewShows() { wxEvtHandler::AddFilter(this); }
  ~PreviewShows() override { wxEvtHandler::RemoveFilter(this); }
  PreviewShows(const PreviewShows&) = delete;
  PreviewShows& operator=(const PreviewShows&) = delete;
  int FilterEvent(wxEvent& event) override {
    if (event.GetEventType() == wxEVT_SHOW && static_cast<wxShowEvent&>(event).IsShown()) {
      auto* window = dynamic_cast<wxWindow*>(event.GetEventObject());
      if (window && dynamic_cast<PreviewWindow__new*>(TWindow::FromPeer(window))) seen = true;
    }
    return Event_Skip;
  }
  bool seen = false;
};

// The last two go to the print dialog beneath the preview, as they do while
// the manager still calls that dialog active: Escape with the X focus put
// into it, and the manager's close request of it.
enum class Way { Escape, AltF4, CloseRequest, EscapeToDialog, CloseDialog };
enum class Instant {
  BeforeProgress,
  ProgressMapped,
  ProgressShows,
  PageReleased,
  AfterPreviewEnded,
  HandedOver,
  HandedOverLate
};

constexpr Way kWays[] = {Way::Escape, Way::AltF4, Way::CloseRequest};
constexpr Instant kInstants[] = {Instant::BeforeProgress, Instant::ProgressMapped, Instant::ProgressShows,
                                 Instant::PageReleased, Instant::AfterPreviewEnded, Instant::HandedOver,
                                 Instant::HandedOverLate};

// The manager held still from the page's end until the way has been sent.
bool HeldStill(Instant instant) { return instant == Instant::HandedOver || instant == Instant::HandedOverLate; }

const char* WayName(Way way) {
  switch (way) {
    case Way::Escape:
      return "Escape";
    case Way::AltF4:
      return "Alt+F4";
    case Way::CloseRequest:
      return "the manager's close request";
    case Way::EscapeToDialog:
      return "Escape into the print dialog";
    case Way::CloseDialog:
      return "the manager's close request of the print dialog";
  }
  return "";
}

const char* InstantName(Instant instant) {
  switch (instant) {
    case Instant::BeforeProgress:
      return "with the preview active before its progress window was mapped";
    case Instant::ProgressMapped:
      return "the instant the progress window was mapped";
    case Instant::ProgressShows:
      return "while the painted progress window showed";
    case Instant::PageReleased:
      return "as the held page was let go";
    case Instant::AfterPreviewEnded:
      return "just after the preview ended by the progress window's Cancel";
    case Instant::HandedOver:
      return "as the page ended and the program asked the manager, held still, to make the preview active";
    case Instant::HandedOverLate:
      return "once the program, with the manager held still, stopped waiting for its answer and the progress "
             "window went";
  }
  return "";
}

// The longest delay after each instant's state: before the progress
// window's 2 s delay runs out; within the few milliseconds a window takes
// to be painted; within the end of a released page.
int MaxDelayMs(Instant instant) {
  switch (instant) {
    case Instant::BeforeProgress:
      return 400;
    case Instant::ProgressMapped:
      return 6;
    case Instant::ProgressShows:
      return 200;
    case Instant::PageReleased:
      return 40;
    case Instant::AfterPreviewEnded:
      return 60;
    case Instant::HandedOver:
    case Instant::HandedOverLate:
      // At once: the program waits for the manager's answer only so long.
      return 0;
  }
  return 0;
}

struct Round {
  int number = 0;
  Way way = Way::Escape;
  Instant instant = Instant::BeforeProgress;
  int delayMs = 0;
  bool mnemonic = false;
  // How much longer the main window's repaint takes, uncovered as the
  // preview and the dialog go.
  int slowRepaintMs = 0;

  std::string Describe() const {
    return "round " + std::to_string(number) + " (" + WayName(way) + " " + InstantName(instant) + ", after " +
           std::to_string(delayMs) + " ms, the preview opened by " + (mnemonic ? "its mnemonic" : "a click") +
           (slowRepaintMs > 0 ? ", the main window repainted in " + std::to_string(slowRepaintMs) + " ms more" : "") +
           ")";
  }
};

// Three passes over every way at every instant; the second opens the
// preview by its mnemonic (and again, once it has ended), the third has the
// main window slow to repaint. The delays go from 0 to the instant's longest,
// in steps that differ from way to way and pass to pass.
std::vector<Round> Rounds() {
  std::vector<Round> rounds;
  for (int pass = 0; pass < 3; ++pass) {
    int i = 0;
    for (Instant instant : kInstants) {
      int w = 0;
      for (Way way : kWays) {
        // Held still, the manager hears Alt+F4 and its own close only once
        // it goes on, when the program may have stopped waiting for it: the
        // key that goes straight to the program is the one that tells.
        if (HeldStill(instant) && way != Way::Escape) continue;
        Round r;
        r.number = int(rounds.size()) + 1;
        r.way = way;
        r.instant = instant;
        r.mnemonic = pass == 1;
        r.slowRepaintMs = pass == 2 ? 250 : 0;
        r.delayMs = MaxDelayMs(instant) * ((pass * 3 + i * 5 + w * 7) % 8) / 7;
        rounds.push_back(r);
        ++w;
      }
      ++i;
    }
  }
  return rounds;
}

// Escape and Alt+F4 wherever the X focus is, and Escape and the close
// request sent to the print dialog beneath, in turn, at instants spread
// over the first half second after the progress window is mapped: before
// the manager has made it active, as it does, and before it has painted.
// The delays visit 0..500 ms in an order that jumps about.
std::vector<Round> FirstInstantRounds() {
  constexpr int kRounds = 40;
  constexpr Way kFirstWays[] = {Way::Escape, Way::AltF4, Way::EscapeToDialog, Way::CloseDialog};
  std::vector<Round> rounds;
  for (int i = 0; i < kRounds; ++i) {
    Round r;
    r.number = i + 1;
    r.way = kFirstWays[i % 4];
    r.instant = Instant::ProgressMapped;
    r.delayMs = (i * 17 % kRounds) * 500 / (kRounds - 1);
    // Opened by its mnemonic, the preview is not yet active as its
    // progress window comes: the print dialog may still be.
    r.mnemonic = i % 8 >= 4;
    rounds.push_back(r);
  }
  return rounds;
}

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// The bash script of the process that waits for the round's instant, waits
// its delay, and then sends the way; it writes into `dir`/sent what it saw
// then. Each wait gives up after 90 s and writes "timeout: <what>".
std::string Driver(const Round& r, const std::filesystem::path& dir) {
  const std::string sent = Quoted(dir / "sent");
  const std::string progressUp = "xdotool search --onlyvisible --name 'function is in progress' >/dev/null 2>&1";
  // A search fails now and then when a window goes while xdotool walks
  // the tree (the progress window closing): it is asked again.
  const std::string findPreview =
      "w=$(xdotool search --onlyvisible --name '^Print preview' 2>/dev/null | head -n 1); [ -n \"$w\" ]";
  const auto waitFor = [&](const std::string& condition, const std::string& what, const std::string& pause) {
    return "until " + condition + "; do if [ $SECONDS -ge $end ]; then echo 'timeout: " + what + "' >" + sent +
           ".part; mv " + sent + ".part " + sent + "; exit 0; fi; " + pause + " done; ";
  };
  std::string s = "end=$((SECONDS+90)); ";
  switch (r.instant) {
    case Instant::BeforeProgress:
      s += waitFor(
          "case \"$(xdotool getactivewindow getwindowname 2>/dev/null)\" in 'Print preview'*) true;; *) false;; esac",
          "the preview active", "sleep 0.01;");
      break;
    case Instant::ProgressMapped:
      // As often as xdotool can look.
      s += waitFor(progressUp, "the progress window mapped", "");
      break;
    case Instant::ProgressShows:
      s += waitFor("[ -e " + Quoted(dir / "painted") + " ]", "the progress window painted", "sleep 0.005;");
      break;
    case Instant::PageReleased:
      s += waitFor("[ -e " + Quoted(dir / "released") + " ]", "the page released", "sleep 0.002;");
      break;
    case Instant::AfterPreviewEnded:
      // The preview's window as the program names it before the click: a
      // search after it may come when the preview has already gone.
      s += waitFor("[ -e " + Quoted(dir / "clicked") + " ]", "the Cancel clicked", "sleep 0.005;");
      s += "w=$(cat " + Quoted(dir / "preview") + "); ";
      s += waitFor("! xwininfo -id \"$w\" 2>/dev/null | grep -q IsViewable", "the preview unmapped", "");
      break;
    case Instant::HandedOver:
    case Instant::HandedOverLate: {
      // The manager is stopped once the progress window is active (only
      // then is the activation handed over), and goes on, whatever
      // happens, as this script ends. The program's request comes to the
      // root window as a client message naming the preview, seen by xev;
      // xev listens once it has seen one of this script's own. Its lines
      // are read as they come, with no process started for each: the
      // program waits for the manager's answer only so long. The way goes
      // once the progress window is unmapped (a program that did not wait)
      // or after a tenth of a second (one that waits: well within its
      // patience).
      const std::string manager = std::to_string(g_manager ? g_manager->Pid() : 0);
      const std::string fifo = Quoted(dir / "xev.fifo");
      // What went wrong, for the round's failure.
      s += "exec 2>" + Quoted(dir / "driver.err") + "; trap 'echo terminated by a signal >&2; exit 143' TERM INT; ";
      s += waitFor("[ -e " + Quoted(dir / "painted") + " ]", "the progress window painted", "sleep 0.005;");
      s += "w=$(printf '0x%x' \"$(cat " + Quoted(dir / "preview") + ")\"); ";
      s += waitFor(
          "case \"$(xdotool getactivewindow getwindowname 2>/dev/null)\" in *'function is in progress'*) true;; "
          "*) false;; esac",
          "the progress window active", "sleep 0.005;");
      const std::string unmaps = Quoted(dir / "progress.fifo");
      s += "mkfifo " + fifo + " " + unmaps + "; stdbuf -oL xev -root -event substructure >" + fifo +
           " 2>/dev/null & x=$!; exec 3<" + fifo + "; stdbuf -oL xev -id \"$(cat " + Quoted(dir / "progress") +
           ")\" -event structure >" + unmaps + " 2>/dev/null & y=$!; exec 4<" + unmaps + "; trap 'kill -CONT " +
           manager + "; kill $x $y' EXIT; ";
      s += "seen() { local l; while read -r -t 0.02 l <&3; do case $l in *\"$1\"*) return 0;; esac; done; "
           "return 1; }; ";
      s += "m=0; asked() { local l; while read -r -t 0.5 l <&3; do case $l in *\"window $w,\"*) m=1;; "
           "*_NET_ACTIVE_WINDOW*) [ $m = 1 ] && return 0; m=0;; *) m=0;; esac; done; return 1; }; ";
      s += waitFor("seen _NET_NUMBER_OF_DESKTOPS", "xev listening",
                   "xdotool set_num_desktops \"$(xdotool get_num_desktops)\";");
      // Off every window: a key that finds no window focused reaches none.
      s += "xdotool mousemove 0 0; kill -STOP " + manager + "; touch " + Quoted(dir / "stopped") + "; ";
      s += "end=$((SECONDS+20)); ";
      s += waitFor("asked", "the request to make the preview active", "");
      // Late: once the progress window has gone, long after the program's
      // patience (a manager busy that long).
      s += std::string("n=0; while [ $n -lt 50 ] && read -r -t ") + (r.instant == Instant::HandedOverLate ? "5" : "0.1") +
           " l <&4; do case $l in *UnmapNotify*|*DestroyNotify*) break;; esac; n=$((n+1)); done; ";
      break;
    }
  }
  if (r.delayMs > 0) {
    char pause[32];
    std::snprintf(pause, sizeof pause, "sleep %d.%03d; ", r.delayMs / 1000, r.delayMs % 1000);
    s += pause;
  }
  const std::string probe =
      "p=no; " + progressUp + " && p=yes; a=\"$(xdotool getactivewindow getwindowname 2>/dev/null)\"; ";
  // With the manager held, the way goes first: the program waits for the
  // manager only so long.
  if (!HeldStill(r.instant)) s += probe;
  switch (r.way) {
    case Way::Escape:
      s += "timeout 20 xdotool key Escape; ";
      break;
    case Way::AltF4:
      s += "timeout 20 xdotool key alt+F4; ";
      break;
    case Way::EscapeToDialog:
      s += "timeout 20 xdotool windowfocus \"$(cat " + Quoted(dir / "dialog") + ")\" key Escape; ";
      break;
    case Way::CloseDialog:
      s += "timeout 20 wmctrl -i -c \"$(cat " + Quoted(dir / "dialog") + ")\"; ";
      break;
    case Way::CloseRequest:
      if (r.instant == Instant::AfterPreviewEnded) {
        s += "timeout 20 wmctrl -i -c \"$(xdotool getactivewindow)\"; ";
      } else {
        s += waitFor(findPreview, "the preview found", "") + "timeout 20 wmctrl -i -c \"$w\"; ";
      }
      break;
  }
  if (HeldStill(r.instant)) {
    s += probe + "kill -CONT " + std::to_string(g_manager ? g_manager->Pid() : 0) + "; ";
  }
  s += "echo \"sent with the progress window mapped: $p; the active window: '$a'\" >" + sent + ".part; mv " + sent +
       ".part " + sent;
  return s + "\n";
}

void Touch(const std::filesystem::path& file) { std::ofstream(file) << "1\n"; }

class PreviewKeySweepTest : public test::SettingsFolderTest {
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

  // One round from Ctrl+P on the active main window to the print dialog
  // closed again; false when it failed (the failure added).
  bool RunRound(const Round& r, test::AnsweringBoxes& boxes, const test::FirstPaintWatch& watch,
                PreviewShows& shows);

  test::FakeSpooler queues_;
  test::JobSpooler spooler_{queues_};
  std::unique_ptr<ScopedSpoolerOverride> override_;
  TTestyFrameWindow* frame_ = nullptr;
  test::ScratchDir files_;
};

// A wait that follows what the program does: it has waited once the steps'
// timer has ticked `ticks` times and `least` has passed since it began. A
// key the program heard shows within a few ticks; one still unheard after
// the program has run its loop that often was lost.
struct TickWait {
  int ticks = 0;
  Clock::time_point since = Clock::now();
  bool Over(int count, std::chrono::milliseconds least) {
    return ++ticks >= count && Clock::now() - since >= least;
  }
};

bool PreviewKeySweepTest::RunRound(const Round& r, test::AnsweringBoxes& boxes, const test::FirstPaintWatch& watch,
                                   PreviewShows& shows) {
  const std::filesystem::path dir = files_.Path() / ("round-" + std::to_string(r.number));
  std::filesystem::create_directories(dir);
  const std::string what = r.Describe();
  shows.seen = false;
  const std::size_t askedBefore = boxes.asked.size();
  pid_t driver = -1;
  std::string sentState;
  bool failed = false;
  cPrintDialog* dialog = nullptr;
  TickWait wait;
  const Clock::time_point began = Clock::now();
  std::string trace;
  const auto fail = [&](const std::string& message) {
    TMyAbortWindow* progress = AnyProgress();
    cPrintDialog* d = TopPrintDialog();
    ADD_FAILURE() << what << ": " << message << (sentState.empty() ? "" : " [" + sentState + "]")
                  << "; now: preview " << (ShownPreview() ? "shown" : "gone") << ", progress window "
                  << (progress ? "shown" : "gone") << ", print dialog "
                  << (d ? (Active(*d) ? "active" : "not active") : "not in front")
                  << ", modal depth " << ModalStack::Depth() << " topped by "
                  << (ModalStack::Top() ? typeid(*ModalStack::Top()).name() : "nothing")
                  << ", the X server's active window '"
                  << test::Shell("xdotool getactivewindow getwindowname 2>/dev/null") << "'; steps done at" << trace;
    failed = true;
  };
  const auto next = [&] {
    trace += " " + std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - began).count()) +
             " ms";
    wait = TickWait{};
    return true;
  };

  Round again = r;
  again.way = Way::Escape;
  again.instant = Instant::BeforeProgress;
  again.delayMs = 0;
  std::size_t askedAgain = 0;
  std::deque<std::function<bool()>> steps;
  // Ctrl+P on whatever has the X focus: the main window, active.
  steps.push_back([&] {
    Xdo("key ctrl+p");
    return next();
  });
  steps.push_back([&] {
    dialog = TopPrintDialog();
    if (dialog && Active(*dialog)) return next();
    if (wait.Over(400, 20s)) fail("Ctrl+P on the main window opened no active print dialog");
    return false;
  });
  // Starts the driver of `round` in `folder`, then opens the preview.
  const auto open = [&](const Round& round, const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "dialog") << (dialog && dialog->GetPeer() ? test::XWindowOf(*dialog->GetPeer()) : 0)
                                     << "\n";
    std::ofstream(folder / "driver.sh") << Driver(round, folder);
    const std::string pid = test::Shell("bash " + Quoted(folder / "driver.sh") + " >/dev/null 2>&1 & echo $!");
    driver = std::atoi(pid.c_str());
    auto* preview = dynamic_cast<TButton*>(Control(*dialog, 101));
    if (preview == nullptr) {
      fail("the print dialog has no Preview");
      return true;
    }
    if (round.mnemonic) {
      const char letter = Mnemonic(preview->GetPeer()->GetLabel());
      if (letter == 0) {
        fail("the Preview button has no mnemonic");
        return true;
      }
      Xdo(std::string("key alt+") + letter);
    } else {
      // Clicked from the loop, not from inside this timer's tick.
      wxTheApp->CallAfter([preview] { preview->Click(); });
    }
    return next();
  };
  // The preview ends by the way sent, with no second close; `asked` is the
  // count of questions before.
  const auto ends = [&](const std::size_t& asked) {
    return [&] {
      const bool gone = shows.seen && ShownPreview() == nullptr;
      if (gone && TopPrintDialog() != nullptr) return next();
      TMyAbortWindow* progress = AnyProgress();
      const bool heard = gone || boxes.asked.size() > asked || (progress && progress->GetMonitor().Cancelled());
      if (!heard && wait.Over(60, 3s)) fail("the close was lost: no question came and the preview stays");
      if (heard && wait.Over(1800, 90s)) fail("the preview stayed after its close was heard");
      return false;
    };
  };
  const auto sentBy = [&](const std::filesystem::path& folder, const std::string& prefix) {
    return [&, folder, prefix] {
      std::ifstream in(folder / "sent");
      std::string state;
      if (!std::getline(in, state)) return false;
      sentState = prefix + state;
      if (state.rfind("timeout", 0) == 0) fail("the instant never came: " + sentState);
      return next();
    };
  };
  steps.push_back([&] { return open(r, dir); });
  if (r.instant == Instant::ProgressShows || r.instant == Instant::PageReleased ||
      r.instant == Instant::AfterPreviewEnded || HeldStill(r.instant)) {
    steps.push_back([&] {
      TMyAbortWindow* progress = ShownProgress();
      if (progress == nullptr || !watch.ShowToPaint(progress->GetPeer())) {
        if (shows.seen && ShownPreview() == nullptr) fail("the preview ended before its progress window showed");
        return false;
      }
      if (HeldStill(r.instant)) {
        PreviewWindow__new* preview = ShownPreview();
        std::ofstream(dir / "preview") << (preview ? test::XWindowOf(*preview->GetPeer()) : 0) << "\n";
        std::ofstream(dir / "progress") << test::XWindowOf(*progress->GetPeer()) << "\n";
      }
      Touch(dir / "painted");
      if (r.instant == Instant::PageReleased) {
        test::ReleaseHeldPages();
        Touch(dir / "released");
      }
      if (r.instant == Instant::AfterPreviewEnded) {
        PreviewWindow__new* preview = ShownPreview();
        std::ofstream(dir / "preview") << (preview ? test::XWindowOf(*preview->GetPeer()) : 0) << "\n";
        const wxRect cancel = progress->GetCancelButton()->GetPeer()->GetScreenRect();
        Xdo(test::PointerTo(cancel.x + cancel.width / 2, cancel.y + cancel.height / 2) + " click 1");
        Touch(dir / "clicked");
      }
      return next();
    });
  }
  if (HeldStill(r.instant)) {
    // The page let go once the manager holds still; the driver that gave
    // up says why in its note.
    steps.push_back([&] {
      if (!std::filesystem::exists(dir / "stopped") && !std::filesystem::exists(dir / "sent")) {
        if (driver <= 0 || kill(driver, 0) != 0) {
          std::ifstream err(dir / "driver.err");
          const std::string why((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
          fail("the driver ended without stopping the manager: '" + why + "'");
        }
        return false;
      }
      test::ReleaseHeldPages();
      return next();
    });
  }
  steps.push_back(sentBy(dir, ""));
  if (r.instant != Instant::AfterPreviewEnded) {
    steps.push_back(ends(askedBefore));
    steps.push_back([&] {
      dialog = TopPrintDialog();
      if (dialog && Active(*dialog)) return next();
      if (wait.Over(200, 10s)) fail("the print dialog came back not active");
      return false;
    });
    if (r.mnemonic) {
      // The preview opened again from the same dialog by its mnemonic, and
      // ended by Escape before its progress window.
      steps.push_back([&] {
        shows.seen = false;
        askedAgain = boxes.asked.size();
        test::HoldPages();
        return open(again, dir / "again");
      });
      steps.push_back(sentBy(dir / "again", "reopened: "));
      steps.push_back(ends(askedAgain));
      steps.push_back([&] {
        dialog = TopPrintDialog();
        if (dialog && Active(*dialog)) return next();
        if (wait.Over(200, 10s)) {
          fail("the print dialog came back not active after the preview reopened by its mnemonic");
        }
        return false;
      });
    }
    steps.push_back([&] {
      Xdo("key Escape");
      return next();
    });
    steps.push_back([&] {
      if (ModalStack::Depth() == 0) return next();
      if (wait.Over(60, 3s)) fail("the print dialog that came back active did not close on one Escape");
      return false;
    });
  } else {
    // The way went to the window in front once the preview had gone: the
    // print dialog, which it closes.
    steps.push_back([&] {
      if (ModalStack::Depth() == 0) return next();
      if (wait.Over(100, 5s)) {
        fail(std::string("the print dialog did not close on ") + WayName(r.way) +
             (dialog && TopPrintDialog() == dialog && !Active(*dialog) ? ": it is not active" : ""));
      }
      return false;
    });
  }

  wxTimer timer;
  test::StepClock clock;
  int cleanups = 0;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (!failed && clock.Expired(what)) failed = true;
    if (failed) {
      // Again at every tick, as long as windows are left: the print dialog is
      // in front only once the preview has gone.
      if (++cleanups > 200) return;
      test::ReleaseHeldPages();
      if (PreviewWindow__new* p = ShownPreview()) p->EndModal(kPreviewResultClose);
      if (cPrintDialog* d = TopPrintDialog()) {
        auto* peer = dynamic_cast<wxDialog*>(d->GetPeer());
        if (peer && !peer->IsModal() && !peer->IsShown()) {
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
  const bool ended = test::PumpUntil([&] { return (steps.empty() || failed) && ModalStack::Depth() == 0; });
  timer.Stop();
  if (!ended) {
    ADD_FAILURE() << what << ": a modal window stayed open";
    test::EndModalWindows();
    failed = true;
  }
  if (driver > 0 && failed) kill(driver, SIGTERM);
  // The manager goes on, whatever the driver did.
  if (g_manager && g_manager->Pid() > 0) kill(g_manager->Pid(), SIGCONT);
  if (!spooler_.jobs.empty()) {
    ADD_FAILURE() << what << ": leaving the preview printed";
    failed = true;
  }
  test::HoldPages();
  if (failed) return false;
  // The main window takes the next round's Ctrl+P: it is active again.
  if (!test::PumpUntil([&] { return Active(*frame_); }, 30s)) {
    ADD_FAILURE() << what << ": the main window was not active again after the print dialog closed";
    return false;
  }
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - began);
  std::printf("round %d done in %lld ms [%s]\n", r.number, static_cast<long long>(took.count()), sentState.c_str());
  return true;
}

TEST_F(PreviewKeySweepTest, EveryWayAtEveryInstantEndsThePreviewAndTheDialogTakesEscape) {
  ASSERT_NE(test::OpenSlowDrawing(frame_, files_.Path()), nullptr);
  ASSERT_TRUE(test::PumpUntil([&] { return Active(*frame_); })) << "the manager never activated the frame";
  // Every question ("Terminate a function?") is answered OK: whichever
  // window the way reached, the page ends.
  test::AnsweringBoxes boxes(50ms);
  SetMessageBoxBackend(&boxes);
  test::FirstPaintWatch watch;
  PreviewShows shows;
  const auto start = Clock::now();
  int passed = 0;
  {
    const CpuBurners burners;
    std::printf("the sweep runs beside %zu busy processes\n", burners.Count());
    // KVN_GUI_SWEEP_ONLY=<instant 1..7>[,<way 1..3>] runs those rounds alone
    // (to look into one).
    int only = 0, onlyWay = 0;
    if (const char* text = std::getenv("KVN_GUI_SWEEP_ONLY"); text && *text) {
      only = std::atoi(text);
      if (const char* comma = std::strchr(text, ',')) onlyWay = std::atoi(comma + 1);
    }
    for (const Round& r : Rounds()) {
      if ((only > 0 && int(r.instant) + 1 != only) || (onlyWay > 0 && int(r.way) + 1 != onlyWay)) {
        ++passed;
        continue;
      }
      test::SetSlowRepaint(std::chrono::milliseconds(r.slowRepaintMs));
      if (!RunRound(r, boxes, watch, shows)) break;
      ++passed;
    }
  }
  SetMessageBoxBackend(nullptr);
  test::SetSlowRepaint(test::kSlowRepaint);
  std::printf("%d rounds passed in %lld s\n", passed,
              static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count()));
  EXPECT_EQ(passed, int(Rounds().size()));
}

// A key sent to the program while its progress window comes up reaches
// that window, whichever window the manager still calls active: Escape or
// Alt+F4 in the first instants after the mapping was lost now and then, the
// page drawn to its end and the preview left for a second close.
TEST_F(PreviewKeySweepTest, AKeyInTheProgressWindowsFirstHalfSecondEndsThePreview) {
  ASSERT_NE(test::OpenSlowDrawing(frame_, files_.Path()), nullptr);
  ASSERT_TRUE(test::PumpUntil([&] { return Active(*frame_); })) << "the manager never activated the frame";
  test::AnsweringBoxes boxes(50ms);
  SetMessageBoxBackend(&boxes);
  test::FirstPaintWatch watch;
  PreviewShows shows;
  test::SetSlowRepaint(test::SlowRepaint::kQuick);
  int passed = 0;
  {
    const CpuBurners burners;
    for (const Round& r : FirstInstantRounds()) {
      if (!RunRound(r, boxes, watch, shows)) break;
      ++passed;
    }
  }
  SetMessageBoxBackend(nullptr);
  test::SetSlowRepaint(test::kSlowRepaint);
  EXPECT_EQ(passed, int(FirstInstantRounds().size()));
}

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
