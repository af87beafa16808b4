// What every GUI test program shares: starting the toolkit on the test's X
// display, a settings folder of the test's own, screenshots into
// $KVN_GUI_ARTIFACTS (default ./gui-artifacts), running the toolkit's loop
// for a while, and key presses through the X server with xdotool.
#pragma once

#include <gtest/gtest.h>

#include <wx/eventfilter.h>
#include <wx/timer.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "foundation/WString.h"
#include "platform/ui/MessageBoxDialog.h"
#include "tests/support/TestData.h"

class wxWindow;

namespace kvn {
class TFrameWindow;
class TTestyFrameWindow;
class cVectorWindow;
}

namespace kvn::test {

// Initialises GoogleTest and the toolkit, then runs every test. The
// toolkit's UI helpers are installed around the run unless the program
// tests the bare toolkit. 1 when the toolkit cannot start (no display).
int RunGuiTests(int argc, char** argv, bool installUiHelpers = true);

// Where screenshots go, for a person to look at.
std::filesystem::path ArtifactDir();

// Saves the whole screen as ArtifactDir()/name; false when no grabber is
// installed or the grab failed.
bool SaveScreenshot(const std::string& name);

// The whole screen as 0xRRGGBB pixels; empty when the grab failed.
struct Screen {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

// Grabs the screen into `file` (a PNG kept as an artifact) and reads it back.
Screen GrabScreen(const std::filesystem::path& file);
// Reads a screen grabbed into `file` before; empty when it cannot be read.
Screen ReadScreen(const std::filesystem::path& file);
// Whether the window's area of the screen shows what a painted control
// with a caption shows: dark text on a light face. A window the toolkit has
// not painted yet is one flat colour there.
bool ShowsTextOnScreen(const Screen& screen, wxWindow* window);
// Starts a grab of the screen into `file` and returns at once; the file
// appears, whole, once the grab is done. For a step that runs inside a long
// operation's message pump: a step that holds the toolkit's loop longer
// than its timer's period keeps timer events always due, and the toolkit,
// which draws at a lower priority, never paints.
void StartScreenGrab(const std::filesystem::path& file);

// The longest a test waits for a state that the program or the X server
// reaches by itself (a window mapped, a menu open, a tool tip shown, a
// print job ended). A test that passes goes on as soon as the state holds,
// so only a fault ever waits this long; the bound is wide enough for the
// sanitizer build on a machine loaded with twice as many busy threads as
// it has cores (tests/load-check.sh).
inline constexpr std::chrono::seconds kStateLimit{90};

// Runs the toolkit's loop for a while, in rounds of 10 ms.
void Pump(std::chrono::milliseconds duration);

// Runs the toolkit's loop until `done` holds, at most `timeout`; whether it
// held. Waiting for the outcome instead of a fixed time keeps a test quick
// on an idle machine and passing on a busy one (GUI tests run in parallel).
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = kStateLimit);

// The same for what another process does (no toolkit loop): polls `done`
// every 20 ms, at most `timeout`.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = kStateLimit);

// How many of the toolkit's drop-down menus are mapped now in this
// process. A key for a menu goes once the menu is up: sent before, it
// reaches the window under it.
int MappedMenus();

// Opens the menu of the bar title at (x, y) as a user clicks it: the
// pointer there first, then a press and a release 100 ms later, both from
// one xdotool run. GTK closes the menu again when the release on its title
// comes more than 500 ms after the press by the X server's clock: sent by
// two runs with the toolkit's loop between them, a loaded machine stretched
// that gap past it.
void ClickMenuTitle(int x, int y);

// The text of the selected row of the mapped drop-down menu, empty while
// none is selected. Keys that move through a menu are lost while it has not
// taken the keyboard yet: tests follow the selection, not the key count.
std::string SelectedMenuItemText();

// The clock of steps that a test runs one per tick of a timer inside a
// modal loop, a step answering false to be asked again. Each step is timed
// from when the one before it ended, so that a busy machine may be slow at
// every step of a long run and the run still passes, while one step that
// never reaches its state ends the run after kStateLimit.
class StepClock {
 public:
  // The current step is done: the next one's time starts.
  void Next();
  // Whether the current step has waited kStateLimit. The first time it
  // has, the running test fails with `what` and the step's number.
  bool Expired(const std::string& what = "a step of the test");

 private:
  int step_ = 1;
  bool failed_ = false;
  std::chrono::steady_clock::time_point since_ = std::chrono::steady_clock::now();
};

// The text of the toolkit's tool tip window that is mapped now in this
// process; empty while none is. A tool tip set on a widget shows only
// after the toolkit's delay, and on a busy machine that delay runs long:
// tests wait for this, not for the text set on the widget.
std::string MappedTooltip();

// The message box currently shown, if any.
MessageBoxDialog* FindOpenBox();

// The standard output of a shell command, without its trailing line breaks.
// The command is stopped after 60 s, and the running test then fails: a
// tool that waits for a window that never comes (xdotool search --sync)
// must not hold the test for ever.
std::string Shell(const std::string& command);
// The X window of a shown top-level window (0 when it has none): what
// xdotool, xwininfo and xprop are given.
unsigned long XWindowOf(wxWindow& window);

// Ends every modal window that is open, innermost first, without the X
// server: the toolkit's dialogs (file choosers, message boxes) with Cancel,
// the program's modal windows with WM_CLOSE. How many were asked to end.
int EndModalWindows();

// Modal windows are closed by the tests themselves (a timer, keys through
// the X server). When that never happens (the window is never found, a key
// goes astray) a modal loop would wait for ever: a watchdog, running in
// every loop of the toolkit, fails the running test with the window's title
// and ends the modal windows once one has stayed open for `limit`
// (150 s unless set; KVN_GUI_MODAL_LIMIT_S overrides it). `onExpiry`
// replaces the failure (the watchdog's own test); null restores it.
// Answers the limit it replaces, for a test that bounds a long modal run
// itself to put back.
std::chrono::milliseconds SetModalWatchdog(std::chrono::milliseconds limit,
                                           std::function<void(const std::string& message)> onExpiry = nullptr);

// xdotool's words that bring the pointer to (x, y) and wait until it is
// there. "mousemove --sync" alone waits until the pointer has left where it
// was: already at that point (where a test before it clicked), it waits
// for ever. A pixel aside first ends the wait.
std::string PointerTo(int x, int y);

// Where the toolkit's own dialog of that title stands in this process:
// gone, mapped, or mapped with the keyboard focus (GTK has taken the X
// server's focus-in). A key sent through the X server before the focus has
// come goes to the window under the pointer instead.
enum class GtkDialogState { kAbsent, kMapped, kActive };
GtkDialogState GtkDialogStateOf(const std::string& title);

// True when xdotool is installed (tests that need real key presses skip
// without it).
bool HaveXdotool();

// The real message boxes, each request noted; every box that opens is
// answered with the next queued answer (OK when none is queued) once the
// toolkit has mapped it: three ticks of `period` after it shows.
// Install it with SetMessageBoxBackend for the test's run.
class AnsweringBoxes : public MessageBoxDialogBackend {
 public:
  explicit AnsweringBoxes(std::chrono::milliseconds period);
  int ShowBox(const MessageBoxRequest& request) override;

  std::deque<int> answers;
  std::vector<WString> texts;
  std::vector<WString> captions;
  std::vector<std::uint32_t> styles;
  std::vector<wxWindow*> parents;
  // When each box was asked for, by the system clock.
  std::vector<std::chrono::system_clock::time_point> asked;

 private:
  wxTimer timer_;
  int ticks_ = 0;
};

// While it lives, notes for every window when the toolkit showed it and when
// it first painted it after that: for a bound on how long a window that
// appears stays an empty frame. The toolkit paints the controls of a window
// in the same frame as the window itself.
class FirstPaintWatch : public wxEventFilter {
 public:
  FirstPaintWatch();
  ~FirstPaintWatch() override;
  int FilterEvent(wxEvent& event) override;
  // From `window`'s show to its first paint; none while it is not painted.
  std::optional<std::chrono::milliseconds> ShowToPaint(wxWindow* window) const;

 private:
  std::map<wxWindow*, std::chrono::steady_clock::time_point> shown_, painted_;
};

// Moves the pointer to (x, y) and clicks there `delay` from now, from a
// process of its own, so that the click arrives while the program is busy
// with whatever it does then. Returns the file that holds, once the click
// has been sent, the system clock's time of it in nanoseconds since the
// epoch (read it with ClickTime).
std::filesystem::path StartClickAfter(int x, int y, std::chrono::milliseconds delay);
// The time a click of StartClickAfter was sent; none while it is not.
std::optional<std::chrono::system_clock::time_point> ClickTime(const std::filesystem::path& file);

// ---- a drawing slow by construction ----------------------------------------------------------
//
// The long-page tests need a drawing window that takes seconds to repaint
// and a page that is still being drawn when they click Cancel, on a machine
// ten times faster than this one or ten times slower; a long export needs
// pages that outlast the progress window's delay. No count of lines
// promises any of that, so the slow drawing holds one line of the tests'
// own whose drawing sets how long the work takes:
// - drawn on a context without an abort procedure (a window, an exported
//   page), it takes kSlowRepaint more, wherever the window is repainted
//   over it;
// - drawn on a printed or previewed page (the print job's or the preview's
//   abort procedure installed), it goes on drawing operations that leave no
//   mark and reach the abort procedure as every drawing operation does,
//   until the page is cancelled: the page ends then as a cancelled page.
// A held page that can no longer be cancelled lets go at once, with a
// failure that says why, when its drawing handles no message of the program
// for kDeafPage (the progress window, due after its 2 s delay, would be
// answering them every 200 ms: a page deaf to its Cancel), when it goes on
// after its cancel was confirmed, or when the running test has failed
// meanwhile, and no later page holds then (until OpenSlowDrawing or
// CancelThroughProgressWindow); and without a failure when ReleaseHeldPages
// lets it go.

// How much longer a repaint of the slow drawing takes: well past the 1 s
// within which a progress window in front of it must be painted and answer
// its Cancel (kHeardWithin), so that a progress window that waits for that
// repaint fails on any machine.
inline constexpr std::chrono::seconds kSlowRepaint{3};
// A held page handles no message for this long: twice the progress window's
// delay.
inline constexpr std::chrono::seconds kDeafPage{4};
// Within this time a progress window is painted once it appears, and a
// click on its Cancel asks its question, whatever window is slow to repaint
// behind it.
inline constexpr std::chrono::milliseconds kHeardWithin{1000};

// Adds the held line across the drawing that `frame` shows, on every page;
// from here on its pages hold. Returns the frame's drawing window; null
// when it shows none.
cVectorWindow* AddHeldLine(TTestyFrameWindow& frame);

// The viewer's main frame (900 x 700 at (30, 20), owned by the caller)
// showing, fitted, the slow drawing: 100,000 lines (a block of 1,000 placed
// 100 times) and the held line across them, saved as `folder`/`name`.kvn
// (the print job's title is the file's name). The environment variable
// KVN_GUI_SLOW_DRAWING_SCALE multiplies the lines (0.01: 1,000 lines; 100:
// 10 M), to show that the tests do not depend on the drawing's own work.
// The time of one fitted repaint is printed. Null when it cannot be opened.
// Returns the frame's drawing window. Its pages hold from here on.
cVectorWindow* OpenSlowDrawing(TTestyFrameWindow*& frame, const std::filesystem::path& folder,
                               const std::string& name = "placed");

// Lets the slow drawing's pages go: the one held now ends as it would have
// without the hold, and no later one holds, until OpenSlowDrawing,
// CancelThroughProgressWindow or HoldPages makes them hold again.
void ReleaseHeldPages();
// The slow drawing's later pages hold again.
void HoldPages();

// How a repaint of the slow drawing's window goes: kSlowRepaint longer
// (kSlow, what OpenSlowDrawing sets), no longer than the lines' own work
// (kQuick: a test of many rounds in which no repaint is looked at), or held
// (kHeld, HoldRepaints).
enum class SlowRepaint { kSlow, kQuick, kHeld };
void SetSlowRepaint(SlowRepaint how);
// kSlow with `extra` in place of kSlowRepaint (a test of many rounds that
// wants some repaint, not a long one).
void SetSlowRepaint(std::chrono::milliseconds extra);

// A held repaint goes on drawing operations that leave no mark, each
// reaching the paint's abort procedure as every drawing operation does,
// until its paint stops (it gives way: the repaint ends as an aborted one)
// or `release` holds. Nothing else of the program runs meanwhile: both are
// asked every round, and a non-empty answer of `hopeless` (why the state
// the test waits for can no longer come) fails the test with it and lets
// the repaint go, and every later one is quick.
// `gaveWay`, when set, is told each time a held repaint has given way,
// before the window has done anything after it.
struct RepaintHold {
  std::function<bool()> release;
  std::function<std::string()> hopeless;
  std::function<void()> gaveWay;
};
// From here on the slow drawing's repaints hold.
void HoldRepaints(RepaintHold hold);
// The held repaints since HoldRepaints: begun, and ended by giving way.
struct HeldRepaintCounts {
  int begun = 0;
  int gaveWay = 0;
};
HeldRepaintCounts HeldRepaints();

// What the steps of CancelThroughProgressWindow measured.
struct ProgressWindowTimes {
  // From the progress window's show to its first paint; when the step gave
  // up waiting for it after kHeardWithin, the time it waited.
  std::optional<std::chrono::milliseconds> painted;
  // From a click on Cancel to the question it asks; when the step gave up
  // waiting for it after kHeardWithin, the time it waited.
  std::optional<std::chrono::milliseconds> answered;
  // The operation ended before it could be cancelled.
  bool endedFirst = false;
};

// Steps, one per tick inside a long operation's message pump, that cancel it
// through its progress window: the window up; painted (`watch` installed
// before it came); then `repaint` is made to repaint as an uncovering does
// and a click on Cancel comes 200 ms later, while it repaints; then the
// question asked of `boxes`, which answer it; last, the operation over.
// `ended` tells that the operation is over (it holds from the end of the
// operation until the steps are done): a step whose state can no longer
// come, the operation having ended first, ends at once with endedFirst. A
// painted window and an answered click are waited for kHeardWithin at
// most; a click unanswered by then lets the held page go. The slow
// drawing's pages hold again. `times` must outlive the steps.
std::deque<std::function<bool()>> CancelThroughProgressWindow(wxWindow* repaint, const FirstPaintWatch& watch,
                                                              const AnsweringBoxes& boxes, ProgressWindowTimes& times,
                                                              std::function<bool()> ended);

// A frame window placed at (x, y) with size w x h, not yet created; the
// caller owns it.
TFrameWindow* NewFrame(const WString& title, int x, int y, int w, int h);

// A shell command that gives the X focus to the visible window titled
// exactly `title` (there is no window manager on the test display to give
// it) and then runs the xdotool `action` there, e.g. "key Tab". It waits
// for the window and for the action to end, at most 50 s (a dialog of the
// sanitizer build on a busy machine is slow to map), so that no key of one
// step arrives in a later one.
std::string XdoOnWindow(const std::string& title, const std::string& action = "");

// While it lives, messages posted to the program's windows are dispatched
// in the toolkit's loop, as the application's own loop dispatches them (a
// test program has no application object). Commands of shortcut keys are
// posted, so tests that press them through the X server need this.
class DispatchPostedMessages {
 public:
  DispatchPostedMessages();
  ~DispatchPostedMessages();
  DispatchPostedMessages(const DispatchPostedMessages&) = delete;
  DispatchPostedMessages& operator=(const DispatchPostedMessages&) = delete;
};

// Tests whose code reads the process-wide settings: each gets a fresh,
// empty settings folder and the English language.
class SettingsFolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  ScratchDir settings_;
};

}  // namespace kvn::test
