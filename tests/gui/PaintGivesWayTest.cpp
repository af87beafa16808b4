// Input before paint on a drawing whose repaint is long by construction:
// the slow drawing (test::OpenSlowDrawing) with lines of this test's own,
// each of which takes a set share of a set repaint time (checking the
// paint's abort procedure as every drawing operation does), or the held
// repaint (test::HoldRepaints), which holds until the test lets it go.
// - Under a key every half second the repaint still comes to its end: the
//   keys are taken while it runs, and it goes on where it stopped.
// - A modifier key pressed alone does not stop it.
// - While it runs after a zoom, the window shows the last picture moved and
//   scaled to the new view: the picture agrees with the rulers.
// - A key pressed after a dialog opened and closed during the repaint is
//   taken while the repaint runs, as the first key was.
// - Another window that paints all the time is given way to once, and the
//   repaint still ends.
#include <gtest/gtest.h>
#include <wx/event.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/TestyFrameWindow.h"
#include "app/VectorWindow.h"
#include "document/cDrawing.h"
#include "foundation/LangTable.h"
#include "foundation/ModalStack.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cLine.h"
#include "platform/fonts/FontLayerFaces.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/PaintYield.h"
#include "platform/ui/ToolkitSymbol.h"
#include "render/DrawInfo.h"
#include "render/GeometryServicesImpl.h"
#include "render/RasterSurface.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The paced lines' repaint: well past the half second between two keys, so
// that keys come while it runs, on any machine.
constexpr auto kPacedRepaint = 4000ms;
constexpr int kPacedLines = 100;

struct Pace {
  bool on = false;
  // Lines begun since the test last cleared it; the first calls `begun`.
  int lines = 0;
  std::function<void()> begun;
};

Pace& ThePace() {
  static Pace pace;
  return pace;
}

// A line that, drawn into the drawing windows' surface while the pace is
// on, takes its share of kPacedRepaint, in rounds of drawing operations
// that leave no mark and reach the paint's abort procedure as every
// drawing operation does; an aborted paint ends it at once.
class PacedLine final : public cLine {
 public:
  void Draw(cDrawInfo* info) override {
    cLine::Draw(info);
    TDC* dc = info ? info->Dc() : nullptr;
    Pace& pace = ThePace();
    if (dc == nullptr || !pace.on || dc != cVectorWindow::SharedSurface().DC()) return;
    if (pace.lines++ == 0 && pace.begun) pace.begun();
    const auto until = Clock::now() + kPacedRepaint / kPacedLines;
    while (Clock::now() < until) {
      for (std::uint64_t i = 0; i < kAbortCheckOperations && !dc->Aborted(); ++i) dc->PatBlt(0, 0, 0, 0, kPatCopy);
      if (dc->Aborted()) return;
      std::this_thread::sleep_for(1ms);
    }
  }
};

// The keys the program has taken, in order, with the time each was taken.
class KeyLog : public wxEventFilter {
 public:
  KeyLog() { wxEvtHandler::AddFilter(this); }
  ~KeyLog() override { wxEvtHandler::RemoveFilter(this); }
  KeyLog(const KeyLog&) = delete;
  KeyLog& operator=(const KeyLog&) = delete;
  int FilterEvent(wxEvent& event) override {
    if (event.GetEventType() == wxEVT_KEY_DOWN)
      keys.push_back({static_cast<wxKeyEvent&>(event).GetKeyCode(), std::chrono::system_clock::now()});
    return Event_Skip;
  }
  struct Key {
    int code;
    std::chrono::system_clock::time_point at;
  };
  std::vector<Key> keys;
  int Count(int code) const {
    return int(std::count_if(keys.begin(), keys.end(), [code](const Key& k) { return k.code == code; }));
  }
  std::optional<std::chrono::system_clock::time_point> First(int code) const {
    for (const Key& k : keys)
      if (k.code == code) return k.at;
    return std::nullopt;
  }
};

// The times written into `file`, one a line (nanoseconds of the system
// clock).
std::vector<std::chrono::system_clock::time_point> Times(const std::filesystem::path& file) {
  std::vector<std::chrono::system_clock::time_point> out;
  std::ifstream in(file);
  long long nanoseconds = 0;
  while (in >> nanoseconds)
    out.emplace_back(std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::nanoseconds(nanoseconds)));
  return out;
}

// A title as xdotool's --name pattern (a regular expression) matches it.
std::string Escaped(const std::string& title) {
  std::string out;
  for (char c : title) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) out += '\\';
    out += c;
  }
  return out;
}

// Runs `command` in a process of its own and returns at once.
void Background(const std::string& command) {
  if (std::system(("(" + command + ") >/dev/null 2>&1 &").c_str()) != 0) ADD_FAILURE() << "could not start " << command;
}

class PaintGivesWayTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    InstallRendererGeometryServices();
    InstallFontLayerFaces();
    ThePace() = Pace{};
    drawing_ = test::OpenSlowDrawing(frame_, files_.Path());
    ASSERT_NE(drawing_, nullptr);
    // The held line adds nothing: the time is the paced lines'.
    test::SetSlowRepaint(test::SlowRepaint::kQuick);
    test::ReleaseHeldPages();
    AddPacedLines();
    title_ = Escaped(frame_->GetPeer()->GetLabel().ToStdString(wxConvUTF8));
    test::Shell(test::XdoOnWindow(title_));
    drawing_->SetFocus();
    ASSERT_TRUE(Repainted()) << "the drawing was never painted whole";
  }
  void TearDown() override {
    ThePace() = Pace{};
    test::SetSlowRepaint(test::SlowRepaint::kQuick);
    delete frame_;
    frame_ = nullptr;
    test::SettingsFolderTest::TearDown();
  }

  void AddPacedLines() {
    cDrawing* drawing = drawing_->GetSheetData();
    ASSERT_TRUE(drawing && drawing->TopBlock());
    const DRect extent = drawing->GetExtent();
    ObjectChain chain;
    for (int i = 0; i < kPacedLines; ++i) {
      auto* line = new PacedLine;
      const double t = (i + 0.5) / kPacedLines;
      line->start = {extent.x1 + t * (extent.x2 - extent.x1), extent.y1};
      line->end = {extent.x1 + t * (extent.x2 - extent.x1), extent.y2};
      line->SetLevel(kNoLevel);
      line->SetPage(kAllPages);
      chain.Append(line);
    }
    drawing->TopBlock()->AppendChain(std::move(chain));
    drawing->InvalidateSummary(0);
  }

  // The whole window painted again, to its end.
  bool Repainted() {
    const std::uint64_t before = drawing_->Paints().completed;
    drawing_->GetPeer()->Refresh();
    return test::PumpUntil([&] { return drawing_->Paints().completed > before; });
  }

  test::DispatchPostedMessages posted_;
  test::ScratchDir files_;
  TTestyFrameWindow* frame_ = nullptr;
  cVectorWindow* drawing_ = nullptr;
  std::string title_;
};

// A key every half second from the start of a repaint that takes
// kPacedRepaint by itself: each key is taken while the repaint runs (it
// gives way), and the repaint goes on where it stopped, so that it comes to
// its end while the keys still come. Started again from the beginning for
// each key, it would never end; asked about input too seldom, it would
// hold every key until its end.
TEST_F(PaintGivesWayTest, ThePictureCompletesUnderAKeyEveryHalfSecond) {
  const std::filesystem::path sent = files_.Path() / "keys-sent", stop = files_.Path() / "keys-stop";
  KeyLog log;
  const cVectorWindow::PaintCounts before = drawing_->Paints();
  Pace& pace = ThePace();
  pace.begun = [&] {
    // 40 keys, 20 s, unless told to stop; each time written once sent.
    Background("for i in $(seq 1 40); do [ -e '" + stop.string() + "' ] && exit 0; timeout 20 xdotool key x; date +%s%N >> '" +
               sent.string() + "'; sleep 0.5; done");
  };
  pace.on = true;
  drawing_->GetPeer()->Refresh();
  const bool completed = test::PumpUntil([&] { return drawing_->Paints().completed > before.completed; });
  const auto completedAt = std::chrono::system_clock::now();
  std::ofstream(stop) << "stop\n";
  pace.on = false;
  const cVectorWindow::PaintCounts after = drawing_->Paints();
  const auto times = Times(sent);
  const auto sentBefore = std::count_if(times.begin(), times.end(), [&](auto t) { return t < completedAt; });
  ASSERT_TRUE(completed) << "the picture never completed under a key every half second: " << times.size()
                         << " keys sent, " << log.Count('X') << " taken, the repaint gave way "
                         << after.gaveWay - before.gaveWay << " times";
  EXPECT_GE(after.gaveWay - before.gaveWay, 1u)
      << "the repaint never gave way: the " << sentBefore << " keys sent while it ran waited for its end";
  EXPECT_GE(sentBefore, 2) << "fewer than two keys came during the repaint: it did not run under steady input";
  EXPECT_TRUE(test::PumpUntil([&] { return log.Count('X') >= int(Times(sent).size()); }))
      << "keys were lost: " << Times(sent).size() << " sent, " << log.Count('X') << " taken";
  std::printf("the repaint gave way %llu times to %lld keys and then completed\n",
              static_cast<unsigned long long>(after.gaveWay - before.gaveWay), static_cast<long long>(sentBefore));
}

// Shift pressed alone while the repaint holds is no reason to stop it: the
// repaint gives way only to the key sent a while after it. Given way to
// the Shift, the program would take the Shift before that key was sent
// (before the time noted just ahead of it).
TEST_F(PaintGivesWayTest, AShiftPressAloneDoesNotInterrupt) {
  const std::filesystem::path sent = files_.Path() / "x-sent";
  KeyLog log;
  bool started = false;
  test::HoldRepaints({[&] {
                        if (!started) {
                          started = true;
                          // The time is taken before the key is sent: taken after, it
                          // can come later than the program's taking both keys.
                          Background("timeout 20 xdotool key shift; sleep 1; date +%s%N > '" + sent.string() +
                                     "'; timeout 20 xdotool key x");
                        }
                        return log.Count('X') > 0;
                      },
                      [&]() -> std::string {
                        const auto at = Times(sent);
                        if (!at.empty() && std::chrono::system_clock::now() - at.front() > test::kStateLimit)
                          return "the key sent after the Shift waited behind the held repaint";
                        return {};
                      }});
  drawing_->GetPeer()->Refresh();
  const bool taken = test::PumpUntil([&] { return log.Count('X') > 0 && log.Count(WXK_SHIFT) > 0; });
  const test::HeldRepaintCounts counts = test::HeldRepaints();
  test::SetSlowRepaint(test::SlowRepaint::kQuick);
  ASSERT_TRUE(taken) << "the Shift and the key after it were not both taken";
  const auto x = Times(sent);
  ASSERT_FALSE(x.empty());
  EXPECT_GT(*log.First(WXK_SHIFT), x.front())
      << "the Shift was taken before the next key was sent: the repaint gave way to a modifier alone";
  EXPECT_GE(counts.gaveWay, 1) << "the held repaint never gave way";
}

// Zoomed out while the repaint holds: the window shows the last picture
// moved and scaled to the new view (the rulers' view) until the new one is
// there, not the old picture where it was.
TEST_F(PaintGivesWayTest, ThePictureShownAgreesWithTheRulers) {
  wxWindow* peer = drawing_->GetPeer();
  test::Pump(200ms);
  const test::Screen before = test::GrabScreen(test::ArtifactDir() / "paint-gives-way-before.png");
  ASSERT_FALSE(before.pixels.empty()) << "no screen grab";
  const WorldMapping fitted = drawing_->Mapping();
  const wxPoint origin = peer->ClientToScreen(wxPoint(0, 0));
  const wxSize size = peer->GetClientSize();
  const std::filesystem::path grab = files_.Path() / "zoomed.png";
  KeyLog log;
  enum class Phase { kZoom, kKey, kGrab, kDone } phase = Phase::kZoom;
  bool zoomSent = false;
  test::HoldRepaints({[&] {
                        switch (phase) {
                          case Phase::kZoom:
                            if (!zoomSent) {
                              zoomSent = true;
                              Background(test::XdoOnWindow(title_, "key KP_Subtract"));
                            }
                            if (drawing_->Mapping().scale != fitted.scale) {
                              // Held under the new view: a key makes the
                              // repaint give way, and the window shows
                              // what it shows meanwhile.
                              Background(test::XdoOnWindow(title_, "key x"));
                              phase = Phase::kKey;
                            }
                            return false;
                          case Phase::kKey:
                            if (log.Count('X') == 0) return false;
                            test::StartScreenGrab(grab);
                            phase = Phase::kGrab;
                            return false;
                          case Phase::kGrab:
                            if (!std::filesystem::exists(grab)) return false;
                            phase = Phase::kDone;
                            return true;
                          case Phase::kDone:
                            return true;
                        }
                        return true;
                      },
                      [] { return std::string(); }});
  peer->Refresh();
  const bool done = test::PumpUntil([&] { return phase == Phase::kDone; });
  test::SetSlowRepaint(test::SlowRepaint::kQuick);
  ASSERT_TRUE(done) << "the zoom, the key or the grab did not come while the repaint held";
  const WorldMapping zoomed = drawing_->Mapping();
  const wxPoint originAfter = peer->ClientToScreen(wxPoint(0, 0));
  const wxSize sizeAfter = peer->GetClientSize();
  const test::Screen shown = test::ReadScreen(grab);
  ASSERT_FALSE(shown.pixels.empty());
  // Each client pixel against the fitted picture moved and scaled as the
  // view was (the pixel under its centre), and against it where it was. A
  // centre on a pixel's edge may take either pixel.
  const double f = zoomed.scale / fitted.scale;
  const double fromX = fitted.originX + fitted.offsetX, fromY = fitted.originY + fitted.offsetY;
  const double toX = zoomed.originX + zoomed.offsetX, toY = zoomed.originY + zoomed.offsetY;
  auto candidates = [](double v) { return std::array<int, 2>{int(std::floor(v - 0.02)), int(std::floor(v + 0.02))}; };
  auto inside = [&](int x, int y) { return x >= 0 && y >= 0 && x < size.x && y < size.y; };
  long compared = 0, moved = 0, unmoved = 0;
  for (int y = 0; y < sizeAfter.y; ++y) {
    for (int x = 0; x < sizeAfter.x; ++x) {
      const double sx = (x + 0.5 - toX) / f + fromX, sy = (y + 0.5 - toY) / f + fromY;
      const auto xs = candidates(sx), ys = candidates(sy);
      if (!inside(xs[0], ys[0]) || !inside(xs[1], ys[1])) continue;
      ++compared;
      const std::uint32_t got = shown.At(originAfter.x + x, originAfter.y + y);
      bool match = false;
      for (int px : xs)
        for (int py : ys) match = match || got == before.At(origin.x + px, origin.y + py);
      moved += !match;
      unmoved += !inside(x, y) || got != before.At(origin.x + x, origin.y + y);
    }
  }
  std::printf("zoomed %.3f x: %ld pixels compared, %ld differ from the picture moved and scaled, %ld from it unmoved\n",
              f, compared, moved, unmoved);
  ASSERT_LT(f, 0.99) << "the zoom did not zoom";
  ASSERT_GT(compared, long(size.x) * size.y / 8);
  EXPECT_LE(moved * 100, compared) << "the window showed a picture that disagrees with its view and rulers";
}

// The About box opened by F1 and closed by Escape while the repaint holds;
// then a key to the main window. The repaint gives way to each of them, the
// last as to the first.
TEST_F(PaintGivesWayTest, AKeyAfterADialogClosedDuringTheRepaintIsTakenAtOnce) {
  const std::filesystem::path sent = files_.Path() / "x-sent";
  KeyLog log;
  enum class Phase { kOpen, kOpened, kClosing, kClosed, kDone } phase = Phase::kOpen;
  TWindow* about = nullptr;
  test::HoldRepaints({[&] {
                        switch (phase) {
                          case Phase::kOpen:
                            Background(test::XdoOnWindow(title_, "key F1"));
                            phase = Phase::kOpened;
                            return false;
                          case Phase::kOpened:
                            about = dynamic_cast<TWindow*>(ModalStack::Top());
                            if (about == nullptr || about->GetPeer() == nullptr || !about->GetPeer()->IsShown())
                              return false;
                            Background(test::XdoOnWindow(Escaped(about->GetPeer()->GetLabel().ToStdString(wxConvUTF8)),
                                                         "key Escape"));
                            phase = Phase::kClosing;
                            return false;
                          case Phase::kClosing:
                            // Closed: the key goes to the main window.
                            if (ModalStack::Depth() != 0) return false;
                            Background(test::XdoOnWindow(title_, "key x") + "; date +%s%N > '" + sent.string() + "'");
                            phase = Phase::kClosed;
                            return false;
                          case Phase::kClosed:
                            if (log.Count('X') == 0) return false;
                            phase = Phase::kDone;
                            return true;
                          case Phase::kDone:
                            return true;
                        }
                        return true;
                      },
                      [&]() -> std::string {
                        const auto at = Times(sent);
                        if (!at.empty() && std::chrono::system_clock::now() - at.front() > test::kStateLimit)
                          return "the key sent after the About box closed waited behind the held repaint";
                        return {};
                      }});
  drawing_->GetPeer()->Refresh();
  const bool done = test::PumpUntil([&] { return phase == Phase::kDone && ModalStack::Depth() == 0; });
  const test::HeldRepaintCounts counts = test::HeldRepaints();
  test::SetSlowRepaint(test::SlowRepaint::kQuick);
  EXPECT_TRUE(done) << "the About box did not open and close, or the key after it was not taken, while the "
                       "repaint held";
  EXPECT_GE(counts.gaveWay, 2) << "the held repaint gave way " << counts.gaveWay << " times";
}

// The toolkit's own queue: a press it holds counts wherever it waits there,
// behind a key's release too (a paint run while an event is handed out, as
// when a dialog closes at a key, finds the next key there); a release alone
// does not count.
TEST_F(PaintGivesWayTest, APressTheToolkitHoldsCountsWhereverItWaits) {
  auto eventNew = ToolkitSymbol<void* (*)(int)>("gdk_event_new");
  auto eventPut = ToolkitSymbol<void (*)(const void*)>("gdk_event_put");
  auto eventFree = ToolkitSymbol<void (*)(void*)>("gdk_event_free");
  ASSERT_TRUE(eventNew && eventPut && eventFree);
  constexpr int kKeyPress = 8, kKeyRelease = 9;
  test::Pump(100ms);
  auto put = [&](int type) {
    void* event = eventNew(type);
    eventPut(event);
    eventFree(event);
  };
  put(kKeyRelease);
  const bool releaseAlone = PaintShouldYield(drawing_->GetPeer(), nullptr);
  put(kKeyPress);
  const bool pressBehind = PaintShouldYield(drawing_->GetPeer(), nullptr);
  // The toolkit hands them to no window.
  test::Pump(100ms);
  EXPECT_FALSE(releaseAlone) << "a key's release held by the toolkit stopped the paint";
  EXPECT_TRUE(pressBehind) << "a key pressed behind a key's release in the toolkit's queue did not stop the paint";
}

// The toolkit reads what the display sends before a paint begins and holds
// it while the paint runs: a dialog uncovered and given the focus as a
// preview ends waits there to paint, its area already taken from it. An
// event after which another window paints counts once for that window
// (each row on a fresh memo, then once more on the same); the painting
// window's own does not count.
TEST_F(PaintGivesWayTest, AnotherWindowsPaintTheToolkitHoldsCountsOnce) {
  auto eventNew = ToolkitSymbol<void* (*)(int)>("gdk_event_new");
  auto eventPut = ToolkitSymbol<void (*)(const void*)>("gdk_event_put");
  auto eventFree = ToolkitSymbol<void (*)(void*)>("gdk_event_free");
  auto widgetWindow = ToolkitSymbol<void* (*)(void*)>("gtk_widget_get_window");
  auto ref = ToolkitSymbol<void* (*)(void*)>("g_object_ref");
  auto regionOf = ToolkitSymbol<void* (*)(const int*)>("cairo_region_create_rectangle");
  ASSERT_TRUE(eventNew && eventPut && eventFree && widgetWindow && ref && regionOf);
  // The head of GdkEventExpose and GdkEventFocus (gdkevents.h).
  struct ExposeEvent {
    int type;
    void* window;
    std::int8_t sendEvent;
    int area[4];
    void* region;
    int count;
  };
  struct FocusEvent {
    int type;
    void* window;
    std::int8_t sendEvent;
    std::int16_t in;
  };
  constexpr int kExpose = 2, kFocusChange = 12;
  // Beside the main window, so that neither uncovers the other.
  std::unique_ptr<TFrameWindow> other(test::NewFrame(WString(u"Uncovered"), 950, 780, 200, 120));
  ASSERT_TRUE(other->Create());
  other->ShowWindow(kSwShow);
  ASSERT_TRUE(test::PumpUntil([&] { return other->GetPeer()->IsShownOnScreen(); }));
  auto put = [&](int type, wxWindow* to) {
    void* event = eventNew(type);
    void* window = widgetWindow(to->GetHandle());
    if (type == kExpose) {
      auto* expose = static_cast<ExposeEvent*>(event);
      expose->window = ref(window);
      const int area[4] = {0, 0, 8, 8};
      std::copy(area, area + 4, expose->area);
      expose->region = regionOf(area);
    } else {
      auto* focus = static_cast<FocusEvent*>(event);
      focus->window = ref(window);
      focus->in = 0;
    }
    eventPut(event);
    eventFree(event);
  };
  struct Row {
    const char* what;
    int type;
    bool self;
    bool counts;
  };
  const Row rows[] = {
      {"another window exposed", kExpose, false, true},
      {"another window losing the focus", kFocusChange, false, true},
      {"the painting window exposed", kExpose, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    // Nothing else waits: what stops the paint below is the event put.
    ASSERT_TRUE(test::PumpUntil([&] {
      PaintYieldMemo probe;
      return !PaintShouldYield(drawing_->GetPeer(), &probe);
    })) << "the windows never came to rest";
    PaintYieldMemo memo;
    put(row.type, row.self ? frame_->GetPeer() : other->GetPeer());
    const bool first = PaintShouldYield(drawing_->GetPeer(), &memo);
    const bool again = PaintShouldYield(drawing_->GetPeer(), &memo);
    // Handed to their windows before the next row.
    test::Pump(100ms);
    EXPECT_EQ(first, row.counts) << (row.counts ? "held by the toolkit, it did not stop the paint"
                                                : "it stopped the paint");
    EXPECT_FALSE(again) << "it stopped the paint twice";
  }
}

// Another window that asks to be painted all the time (as a blinking caret
// does, only faster: asked again at every round of the held repaint): the
// repaint gives way to it once, then holds while it keeps asking, and ends
// when let go. Given way to every time, the repaint would never end while
// the other window paints.
TEST_F(PaintGivesWayTest, AWindowThatPaintsAllTheTimeIsGivenWayToOnce) {
  // Beside the main window, so that neither uncovers the other.
  std::unique_ptr<TFrameWindow> other(test::NewFrame(WString(u"Painting all the time"), 950, 780, 200, 120));
  ASSERT_TRUE(other->Create());
  other->ShowWindow(kSwShow);
  int otherPaints = 0;
  wxWindow* otherPeer = other->GetPeer();
  otherPeer->Bind(wxEVT_PAINT, [&](wxPaintEvent& e) {
    ++otherPaints;
    e.Skip();
  });
  otherPeer->Refresh();
  ASSERT_TRUE(test::PumpUntil([&] { return otherPaints >= 1; })) << "the other window does not paint";
  // Each round of the held repaint reaches the abort procedure once, at
  // least a millisecond apart: by the last the paint has asked the display
  // many times while the other window waited.
  int rounds = 0;
  test::HoldRepaints({[&] {
                        otherPeer->Refresh();
                        return ++rounds >= 300;
                      },
                      [&]() -> std::string {
                        if (test::HeldRepaints().gaveWay > 1)
                          return "the held repaint gave way to the other window's paint " +
                                 std::to_string(test::HeldRepaints().gaveWay) +
                                 " times: it would never end while that window paints";
                        return {};
                      }});
  const int paintsBefore = otherPaints;
  const std::uint64_t before = drawing_->Paints().completed;
  drawing_->GetPeer()->Refresh();
  const bool ended = test::PumpUntil([&] { return drawing_->Paints().completed > before; });
  const test::HeldRepaintCounts counts = test::HeldRepaints();
  test::SetSlowRepaint(test::SlowRepaint::kQuick);
  EXPECT_TRUE(ended) << "the repaint never ended while the other window asked to be painted";
  EXPECT_EQ(counts.gaveWay, 1) << "the repaint did not give way to the other window's paint once";
  EXPECT_GT(otherPaints, paintsBefore) << "the other window was not painted during the repaint";
  std::printf("the held repaint began %d times and gave way %d times; the other window painted %d times\n",
              counts.begun, counts.gaveWay, otherPaints - paintsBefore);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
