// The drawing view's companions in the main frame on a private X display:
// dragging the divider between page tabs and scroll bar (40 % taken, 60 %
// refused), dragging the size grip (the frame follows, not when maximised),
// no tabs for one page, two views of one document, and a minimised or empty
// size that leaves the layout alone; a quick drag-pan on a slow repaint ends
// where the button was released; a resize while a long operation holds the
// program keeps the drawing's picture until the operation ends. Drags are
// the captured mouse's messages as the toolkit delivers them.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/gdicmn.h>
#include <wx/timer.h>
#include <wx/window.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "app/ProgressDialog.h"
#include "app/Rulers.h"
#include "app/TestyFrameWindow.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "app/ViewCompanions.h"
#include "controls/PropertySheet.h"
#include "document/ProgressMonitor.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/ModalStack.h"
#include "foundation/UiColors.h"
#include "foundation/WaitCursor.h"
#include "platform/ui/Cursor.h"
#include "render/RasterSurface.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

test::FixtureDocument Document(int sheets) {
  test::FixtureDocument doc;
  for (int i = 0; i < sheets; ++i) {
    test::FixtureSheet sheet;
    sheet.name = u"Sheet A";
    sheet.name.back() = char16_t(u'A' + i);
    test::FixtureLine l;
    l.start = {10, 10};
    l.end = {200, 150};
    sheet.lines.push_back(l);
    doc.sheets.push_back(sheet);
  }
  return doc;
}

TPoint Pos(TWindow* w) {
  const wxPoint p = w->GetPeer()->GetPosition();
  return TPoint{p.x, p.y};
}

TSize FrameSize(TWindow* frame) {
  const wxSize s = frame->GetPeer()->GetSize();
  return TSize{s.x, s.y};
}

// The captured mouse's messages of a drag on `w`, pressed at `client` and
// moved by (dx, dy). Each point is taken from the screen, as the window
// itself may move meanwhile.
void Press(TWindow* w, const TPoint& client) {
  w->HandleMessage(kWmLButtonDown, kMkLButton, MakePointParam(client.x, client.y));
}
void MoveTo(TWindow* w, const TPoint& screen, bool buttonDown = true) {
  const TPoint c = w->ScreenToClient(screen);
  w->HandleMessage(kWmMouseMove, buttonDown ? kMkLButton : 0, MakePointParam(c.x, c.y));
}
void Release(TWindow* w, const TPoint& screen) {
  const TPoint c = w->ScreenToClient(screen);
  w->HandleMessage(kWmLButtonUp, 0, MakePointParam(c.x, c.y));
}

class DrawingViewTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    SetDefaultTabShare(kDefaultTabShare);
    frame_ = new TTestyFrameWindow;
    frame_->Attr.X = 40;
    frame_->Attr.Y = 30;
    frame_->Attr.W = 900;
    frame_->Attr.H = 700;
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
  }
  void TearDown() override {
    delete frame_;
    EXPECT_EQ(CurrentDocument(), nullptr);
    SetDefaultTabShare(kDefaultTabShare);
    test::SettingsFolderTest::TearDown();
  }
  cVectorView* Open(int sheets) {
    std::string name = "d0.kvn";
    name[1] = char('0' + sheets);
    const std::filesystem::path file = files_.Path() / name;
    if (!test::SaveBytes(file.string(), test::WriteNativeFile(Document(sheets)))) return nullptr;
    if (!frame_->OpenFile(WString::FromUtf8(file.string()))) return nullptr;
    test::Pump(200ms);
    return dynamic_cast<cVectorView*>(frame_->GetClientWindow());
  }

  test::ScratchDir files_;
  TTestyFrameWindow* frame_ = nullptr;
};

TEST_F(DrawingViewTest, SplitterDraggedToFortyPercentMovesAndToSixtyStays) {
  cVectorView* view = Open(2);
  ASSERT_NE(view, nullptr);
  TTabSplitWindow* splitter = view->GetTabSplitter();
  ASSERT_TRUE(splitter->IsWindowVisible());
  const std::int32_t strip = view->TabStripWidth();
  ASSERT_GT(strip, 200);
  const std::int32_t r = kRulerSize;
  // The divider sits at the tabs' end: the ruler, then a third of the strip.
  EXPECT_EQ(Pos(splitter).x, r - 4 + TabSplitPosition(strip, 33));
  EXPECT_EQ(Pos(splitter).y, Pos(view->GetPageTabs()).y);

  const TPoint grab{1, 1};
  const TPoint start = splitter->ClientToScreen(grab);
  Press(splitter, grab);
  EXPECT_TRUE(splitter->Dragging());
  EXPECT_EQ(TWindow::GetCapture(), splitter->GetHandle());
  const std::int32_t to40 = TabSplitPosition(strip, 40) - TabSplitPosition(strip, 33);
  MoveTo(splitter, TPoint{start.x + to40, start.y});
  Release(splitter, TPoint{start.x + to40, start.y});
  EXPECT_FALSE(splitter->Dragging());
  EXPECT_EQ(TWindow::GetCapture(), nullptr);
  EXPECT_EQ(view->GetTabShare(), 40);
  EXPECT_EQ(GetDefaultTabShare(), 40);
  const TPoint at40 = Pos(splitter);
  EXPECT_EQ(at40.x, r - 4 + TabSplitPosition(strip, 40));
  // The tabs end at the divider, the scroll bar (when shown) starts after it.
  EXPECT_EQ(Pos(view->GetPageTabs()).x + view->GetPageTabs()->GetClientRect().right, at40.x);

  // Beyond half the strip the split stays where it was.
  const TPoint again = splitter->ClientToScreen(grab);
  Press(splitter, grab);
  const std::int32_t to60 = TabSplitPosition(strip, 60) - TabSplitPosition(strip, 40);
  MoveTo(splitter, TPoint{again.x + to60, again.y});
  EXPECT_EQ(view->GetTabShare(), 40);
  EXPECT_EQ(Pos(splitter), at40);
  // A move without the button (its release went elsewhere) ends the drag.
  MoveTo(splitter, TPoint{again.x + to60, again.y}, false);
  EXPECT_FALSE(splitter->Dragging());
  EXPECT_EQ(GetDefaultTabShare(), 40);
  test::Pump(50ms);

  // A view made now starts from the share last dragged to.
  ASSERT_NE(Open(2), nullptr);
  EXPECT_EQ(dynamic_cast<cVectorView*>(frame_->GetClientWindow())->GetTabShare(), 40);
}

TEST_F(DrawingViewTest, SizeGripResizesTheFrameUnlessMaximised) {
  cVectorView* view = Open(1);
  ASSERT_NE(view, nullptr);
  frame_->CommandFromMenu(kCmZoom400);
  test::Pump(150ms);
  TCornerScrollBar* grip = view->GetSizeGrip();
  ASSERT_TRUE(grip->IsWindowVisible());
  // The ridges are painted in the shadow colour.
  const TRect gr = grip->GetClientRect();
  const TPoint go = grip->ClientToScreen(TPoint{0, 0});
  const test::Screen screen = test::GrabScreen(test::ArtifactDir() / "drawing-view-grip.png");
  ASSERT_GT(screen.width, 0) << "no screenshot (import missing?)";
  const std::uint32_t sc = GetSystemColor(16);
  const std::uint32_t shadow = ((sc & 0xFF) << 16) | (sc & 0xFF00) | ((sc >> 16) & 0xFF);
  int ridges = 0;
  for (int y = gr.top; y < gr.bottom; ++y)
    for (int x = gr.left; x < gr.right; ++x)
      if (screen.At(go.x + x, go.y + y) == shadow) ++ridges;
  EXPECT_GT(ridges, 6) << std::hex << shadow;

  ClearRequestedCursor();
  grip->HandleMessage(kWmSetCursor, 0, 0);
  EXPECT_EQ(RequestedCursor(), kIdcSizeNwse);

  const TSize before = FrameSize(frame_);
  const TPoint grab{2, 2};
  const TPoint start = grip->ClientToScreen(grab);
  Press(grip, grab);
  ASSERT_TRUE(grip->Dragging());
  MoveTo(grip, TPoint{start.x + 30, start.y + 10});
  test::Pump(50ms);
  MoveTo(grip, TPoint{start.x + 60, start.y + 40});
  test::Pump(50ms);
  EXPECT_EQ(FrameSize(frame_), (TSize{before.cx + 60, before.cy + 40}));
  // The grip went with the corner.
  EXPECT_EQ(grip->ClientToScreen(grab).x, start.x + 60);
  Release(grip, TPoint{start.x + 60, start.y + 40});
  EXPECT_FALSE(grip->Dragging());
  EXPECT_EQ(TWindow::GetCapture(), nullptr);
  // Moves after the release do nothing.
  MoveTo(grip, TPoint{start.x + 90, start.y + 90});
  EXPECT_EQ(FrameSize(frame_), (TSize{before.cx + 60, before.cy + 40}));

  // Maximised: the arrow, and a drag changes nothing.
  frame_->ShowWindow(kSwShowMaximized);
  test::Pump(100ms);
  ASSERT_TRUE(frame_->IsZoomed());
  ClearRequestedCursor();
  grip->HandleMessage(kWmSetCursor, 0, 0);
  EXPECT_EQ(RequestedCursor(), kIdcArrow);
  const TSize maximised = FrameSize(frame_);
  const TPoint at = grip->ClientToScreen(grab);
  Press(grip, grab);
  EXPECT_FALSE(grip->Dragging());
  MoveTo(grip, TPoint{at.x - 50, at.y - 50});
  EXPECT_EQ(FrameSize(frame_), maximised);
  frame_->ShowWindow(kSwRestore);
  test::Pump(50ms);
}

// The same drags with the real pointer through the X server: the toolkit's
// own button and motion events drive the captured windows.
TEST_F(DrawingViewTest, RealPointerDragsTheSplitterAndTheGrip) {
  ASSERT_TRUE(test::HaveXdotool()) << "xdotool is missing: run scripts/install-deps.sh";
  cVectorView* view = Open(2);
  ASSERT_NE(view, nullptr);
  frame_->CommandFromMenu(kCmZoom400);
  test::Pump(150ms);
  auto drag = [](const TPoint& from, const TPoint& to) {
    const std::string a = std::to_string(from.x) + " " + std::to_string(from.y);
    const std::string b = std::to_string(to.x) + " " + std::to_string(to.y);
    // The press captures the pointer and the release ends the capture; the
    // motion between them arrives in order with the release.
    test::Shell("xdotool mousemove --sync " + a + " mousedown 1");
    EXPECT_TRUE(test::PumpUntil([] { return TWindow::GetCapture() != nullptr; })) << "press not seen";
    test::Shell("xdotool mousemove --sync " + b);
    test::Shell("xdotool mouseup 1");
    EXPECT_TRUE(test::PumpUntil([] { return TWindow::GetCapture() == nullptr; })) << "release not seen";
    test::Pump(20ms);
  };
  TTabSplitWindow* splitter = view->GetTabSplitter();
  const std::int32_t strip = view->TabStripWidth();
  const TPoint s0 = splitter->ClientToScreen(TPoint{1, 4});
  drag(s0, TPoint{s0.x + TabSplitPosition(strip, 45) - TabSplitPosition(strip, 33), s0.y});
  EXPECT_EQ(view->GetTabShare(), 45);
  EXPECT_FALSE(splitter->Dragging());
  EXPECT_EQ(Pos(splitter).x, kRulerSize - 4 + TabSplitPosition(strip, 45));

  TCornerScrollBar* grip = view->GetSizeGrip();
  ASSERT_TRUE(grip->IsWindowVisible());
  const TSize before = FrameSize(frame_);
  const TPoint g0 = grip->ClientToScreen(TPoint{4, 4});
  drag(g0, TPoint{g0.x - 80, g0.y - 50});
  EXPECT_FALSE(grip->Dragging());
  EXPECT_EQ(FrameSize(frame_), (TSize{before.cx - 80, before.cy - 50}));
  test::SaveScreenshot("drawing-view-after-drags.png");
}

// A quick drag on a drawing whose repaint is slower than the hand (a heavy
// drawing; here each paint is held 150 ms): the moves made while the window
// paints reach it merged, late, or (hinted motion) without the button, so
// only the release knows where the hand stopped. The drawing ends there.
TEST_F(DrawingViewTest, AQuickDragOnASlowRepaintEndsWhereTheButtonWasReleased) {
  ASSERT_TRUE(test::HaveXdotool()) << "xdotool is missing: run scripts/install-deps.sh";
  cVectorView* view = Open(1);
  ASSERT_NE(view, nullptr);
  frame_->CommandFromMenu(kCmZoom400);
  test::Pump(150ms);
  cVectorWindow* window = view->GetVectorWindow();
  window->GetPeer()->Bind(wxEVT_PAINT, [](wxPaintEvent& e) {
    std::this_thread::sleep_for(150ms);
    e.Skip();
  });
  const TRect client = window->GetClientRect();
  const TPoint from = window->ClientToScreen(TPoint{(client.left + client.right) / 2 + 100,
                                                     (client.top + client.bottom) / 2 + 75});
  const std::int32_t ox = window->Mapping().offsetX, oy = window->Mapping().offsetY;
  std::string drag = "xdotool " + test::PointerTo(from.x, from.y) + " mousedown 1";
  for (int step = 1; step <= 3; ++step) {
    drag += " sleep 0.05 mousemove " + std::to_string(from.x - 200 * step / 3) + " " +
            std::to_string(from.y - 150 * step / 3);
  }
  drag += " sleep 0.05 mouseup 1";
  // The hand moves while the window paints.
  std::atomic<bool> released{false};
  std::thread hand([&] {
    test::Shell(drag);
    released = true;
  });
  const bool ended = test::PumpUntil([&] { return released && !window->IsPanning(); });
  hand.join();
  EXPECT_TRUE(ended) << "the pan did not end after the release";
  test::Pump(50ms);
  EXPECT_EQ(window->Mapping().offsetX, ox - 200);
  EXPECT_EQ(window->Mapping().offsetY, oy - 150);
}

TEST_F(DrawingViewTest, OnePageShowsNoTabsAndTwoPagesDo) {
  cVectorView* view = Open(1);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->GetPageTabs()->Model().Count(), 0);
  EXPECT_FALSE(view->GetPageTabs()->IsWindowVisible());
  EXPECT_FALSE(view->GetTabSplitter()->IsWindowVisible());
  // Zoomed in, the horizontal bar takes the whole bottom strip.
  frame_->CommandFromMenu(kCmZoom400);
  test::Pump(100ms);
  cViewScrollBar* bar = view->GetHorizontalBar();
  ASSERT_TRUE(bar->IsWindowVisible());
  EXPECT_EQ(Pos(bar).x, kRulerSize);
  EXPECT_EQ(Pos(bar).x + bar->GetClientRect().right, Pos(view->GetVerticalBar()).x);
  // The page fits: no bars, so no bottom strip at all.
  frame_->CommandFromMenu(kCmZoom25);
  test::Pump(100ms);
  EXPECT_FALSE(bar->IsWindowVisible());
  const TRect vr = view->GetClientRect();
  const TRect wr = view->GetVectorWindow()->GetClientRect();
  EXPECT_EQ(wr.bottom + kRulerSize, vr.bottom);

  view = Open(2);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->GetPageTabs()->Model().Count(), 2);
  EXPECT_TRUE(view->GetPageTabs()->IsWindowVisible());
  EXPECT_TRUE(view->GetTabSplitter()->IsWindowVisible());
  // Fitting, with two pages: no bars, no grip, but the strip stays for the
  // tabs and the divider reaches the view's right edge.
  frame_->CommandFromMenu(kCmZoom25);
  test::Pump(100ms);
  EXPECT_FALSE(view->GetHorizontalBar()->IsWindowVisible());
  EXPECT_FALSE(view->GetVerticalBar()->IsWindowVisible());
  EXPECT_FALSE(view->GetSizeGrip()->IsWindowVisible());
  EXPECT_TRUE(view->GetPageTabs()->IsWindowVisible());
  TTabSplitWindow* splitter = view->GetTabSplitter();
  EXPECT_EQ(Pos(splitter).x + splitter->GetClientRect().right, view->GetClientRect().right);
  EXPECT_EQ(view->GetVectorWindow()->GetClientRect().bottom + kRulerSize + splitter->GetClientRect().bottom,
            view->GetClientRect().bottom);
  // A double click on the second tab shows it and opens that sheet's
  // parameters, cancelled here.
  CCustomTabCtrl* tabs = view->GetPageTabs();
  const TRect t = tabs->Model().Tab(1).outer;
  bool sheetShown = false;
  wxTimer cancel;
  cancel.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (auto* sheet = dynamic_cast<TMyPropertySheet*>(ModalStack::Top()); sheet && sheet->GetHandle()) {
      sheetShown = true;
      sheet->CmCancel();
    }
  });
  cancel.Start(60);
  tabs->HandleMessage(kWmLButtonDblClk, kMkLButton, MakePointParam((t.left + t.right) / 2, (t.top + t.bottom) / 2));
  cancel.Stop();
  EXPECT_TRUE(sheetShown);
  EXPECT_EQ(tabs->CurrentTab(), 1);
  EXPECT_EQ(view->GetVectorWindow()->GetSheetIndex(), 1u);
}

TEST_F(DrawingViewTest, TwoViewsOfOneDocumentCloseAndRefreshTogether) {
  cVectorView* first = Open(2);
  ASSERT_NE(first, nullptr);
  cDrawingDoc* doc = CurrentDocument();
  const std::uint32_t listed = VectorViews().Count();
  auto* second = new cVectorView(frame_->GetFrameLink(), doc, 1, 0);
  doc->AddView(second);
  ASSERT_TRUE(second->Create());
  second->MoveWindow(0, 0, 500, 300);
  test::Pump(100ms);
  EXPECT_EQ(VectorViews().Count(), listed + 1);
  EXPECT_EQ(second->GetPageTabs()->CurrentTab(), 1);
  EXPECT_TRUE(first->CanClose());
  EXPECT_TRUE(second->CanClose());

  doc->AddSheet(std::make_unique<cSheet>());
  RefreshDocumentViews(doc, true);
  EXPECT_EQ(first->GetPageTabs()->Model().Count(), 3);
  EXPECT_EQ(second->GetPageTabs()->Model().Count(), 3);
  EXPECT_EQ(first->GetPageTabs()->CurrentTab(), 0);
  EXPECT_EQ(second->GetPageTabs()->CurrentTab(), 1);
  // Without rebuilding only the selection follows the page shown.
  first->GetVectorWindow()->ShowPageEntry(2);
  RefreshDocumentViews(doc, false);
  EXPECT_EQ(first->GetPageTabs()->Model().Count(), 3);
  EXPECT_EQ(first->GetPageTabs()->CurrentTab(), 2);
  first->GetVectorWindow()->ShowPageEntry(0);

  std::unique_ptr<cSheet> third = doc->DetachSheet(2);
  RefreshDocumentViews(doc, true);
  EXPECT_EQ(first->GetPageTabs()->Model().Count(), 2);
  EXPECT_EQ(second->GetPageTabs()->Model().Count(), 2);
  test::Pump(50ms);

  // The second view goes: the first is the document's last and may close.
  second->Destroy();
  delete second;
  EXPECT_EQ(doc->ViewCount(), 1u);
  EXPECT_EQ(VectorViews().Count(), listed);
  EXPECT_TRUE(first->CanClose());
}

TEST_F(DrawingViewTest, MinimisedOrEmptySizeLeavesTheLayoutAlone) {
  cVectorView* view = Open(2);
  ASSERT_NE(view, nullptr);
  cVectorWindow* window = view->GetVectorWindow();
  const TRect before = window->GetClientRect();
  const double scale = window->Mapping().scale;
  ASSERT_GT(before.right, 100);
  view->HandleMessage(kWmSize, kSizeMinimized, 0);
  view->HandleMessage(kWmSize, kSizeRestored, 0);
  test::Pump(50ms);
  EXPECT_EQ(window->GetClientRect(), before);
  EXPECT_EQ(window->Mapping().scale, scale);
  // The frame iconified for real: GTK keeps every size.
  frame_->ShowWindow(kSwShowMinimized);
  test::Pump(150ms);
  frame_->ShowWindow(kSwRestore);
  test::Pump(150ms);
  EXPECT_EQ(window->GetClientRect(), before);
  EXPECT_EQ(window->Mapping().scale, scale);
}

// ---- a resize during a long operation ----------------------------------------------------------------

// The drawing window's paints as they start and end: a paint has ended, and
// its pixels gone to the display, once a call queued from its start runs.
// Shared with the queued calls, which may run after the test's scope.
struct PaintCount {
  int started = 0;
  int ended = 0;
};

std::shared_ptr<PaintCount> CountPaints(cVectorWindow* window) {
  auto count = std::make_shared<PaintCount>();
  wxWindow* peer = window->GetPeer();
  peer->Bind(wxEVT_PAINT, [count, peer](wxPaintEvent& e) {
    ++count->started;
    peer->CallAfter([count] { ++count->ended; });
    e.Skip();
  });
  return count;
}

// The screen once the window has painted after `since` paints had started:
// grabbed after such a paint has ended, then again until two grabs in a row
// agree with no paint of the window started between them. `pump` runs one
// round of the messages (the toolkit's loop, or a long operation's pump).
// Empty when that state does not come.
test::Screen SettledScreen(const PaintCount& count, int since, const std::function<void()>& pump,
                           const std::string& name) {
  test::StepClock clock;
  while (!(count.started > since && count.ended == count.started)) {
    if (clock.Expired("a paint of the drawing window after " + name)) return test::Screen{};
    pump();
    std::this_thread::sleep_for(10ms);
  }
  const std::filesystem::path file = test::ArtifactDir() / ("drawing-view-" + name + ".png");
  test::Screen before = test::GrabScreen(file);
  for (;;) {
    const int started = count.started;
    for (int i = 0; i < 3; ++i) pump();
    test::Screen now = test::GrabScreen(file);
    if (now.pixels.empty()) return now;
    if (now.pixels == before.pixels && count.started == started && count.ended == started) return now;
    if (clock.Expired("the screen to settle after " + name)) return test::Screen{};
    before = std::move(now);
  }
}

// What the window's paint pipeline renders for its whole client area now.
std::unique_ptr<cRasterSurface> Rendered(cVectorWindow* window) {
  auto surface = std::make_unique<cRasterSurface>(false);
  const TRect client = window->GetClientRect();
  window->SetClientRect(client);
  if (!window->PaintInto(*surface, client)) return nullptr;
  surface->Flush();
  return surface;
}

// Compares the window's client area on the screen, but for what `skip`
// covers (screen pixels), with `want` (0xRRGGBB of a client pixel); how
// many differ, the first one told.
int Differences(const test::Screen& screen, cVectorWindow* window, const wxRect& skip,
                const std::function<std::uint32_t(int x, int y)>& want, std::string& first) {
  const TRect client = window->GetClientRect();
  const TPoint origin = window->ClientToScreen(TPoint{0, 0});
  int wrong = 0;
  for (int y = 0; y < client.bottom; ++y) {
    for (int x = 0; x < client.right; ++x) {
      const int sx = origin.x + x, sy = origin.y + y;
      if (skip.Contains(sx, sy) || sx >= screen.width || sy >= screen.height) continue;
      const std::uint32_t expected = want(x, y), seen = screen.At(sx, sy);
      if (seen != expected && wrong++ == 0) {
        char text[96];
        std::snprintf(text, sizeof text, "first at %d,%d: screen %06x, wanted %06x", x, y, unsigned(seen),
                      unsigned(expected));
        first = text;
      }
    }
  }
  return wrong;
}

// A print of a large drawing holds the program for seconds, and the user
// may resize the main window meanwhile (the window manager resizes the
// disabled frame). The operation here is the progress window that the test
// shows itself and pumps as a print does: held by construction, whatever
// the machine's speed. Grown or shrunk, the drawing window shows its last
// picture moved and scaled as the page's placement was (a fitted drawing
// refitted to the new size at once, its rulers with it; a zoomed one where
// it was), and the colour around the page where the picture has nothing.
// Once the operation has ended, the page is drawn again for the new size.
void ResizeDuringALongOperation(TTestyFrameWindow* frame, cVectorView* view, bool zoomed) {
  ASSERT_NE(view, nullptr);
  cVectorWindow* window = view->GetVectorWindow();
  if (zoomed) frame->CommandFromMenu(kCmZoom400);
  const auto count = CountPaints(window);
  const auto loop = [] { wxTheApp->Yield(true); };
  window->GetPeer()->Refresh();
  const std::string mode = zoomed ? "zoomed-" : "fitted-";
  const test::Screen first = SettledScreen(*count, count->started, loop, mode + "before");
  ASSERT_FALSE(first.pixels.empty()) << "cannot grab the screen";
  const auto picture = Rendered(window);
  ASSERT_TRUE(picture);
  const TRect firstClient = window->GetClientRect();
  const double firstScale = window->Mapping().scale;
  const WorldMapping firstMapping = window->Mapping();
  auto pictureAt = [&picture](int x, int y) { return *picture->PixelAt(x, y) & 0xFFFFFF; };
  std::string where;
  ASSERT_EQ(Differences(first, window, wxRect(), pictureAt, where), 0) << "before the operation, " << where;
  // Zoomed in, the page is larger than the window: its scroll bars show.
  if (zoomed) {
    ASSERT_TRUE(view->GetHorizontalBar()->IsWindowVisible() && view->GetVerticalBar()->IsWindowVisible());
  }
  // The picture shows the page and its line, not just the colour around it.
  int drawn = 0;
  for (int y = 0; y < firstClient.bottom; ++y)
    for (int x = 0; x < firstClient.right; ++x) drawn += pictureAt(x, y) != 0xFFFFC0;
  ASSERT_GT(drawn, firstClient.right * firstClient.bottom / 4);

  struct Installed {
    Installed() { InstallProgressDialogs(); }
    ~Installed() { UninstallProgressDialogs(); }
  };
  int endedAt = 0;
  {
    const Installed installed;
    ProgressMonitor monitor(frame, WString(u"Printing"));
    auto* progress = dynamic_cast<ProgressDialogWindow*>(monitor.EnsureWindow());
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(LongOperationHoldsProgram());
    // Out of the frame's way, at the screen's bottom left.
    wxWindow* dialog = progress->Dialog()->GetPeer();
    dialog->Move(0, wxGetDisplaySize().y - dialog->GetSize().y);
    const auto hold = [&monitor] { monitor.Step(kProgressNoValue, false, nullptr, nullptr, true); };
    const wxSize frameSize = frame->GetPeer()->GetSize();
    struct Resize {
      const char* name;
      int dx, dy;
    };
    for (const Resize& r : {Resize{"grown", 200, 150}, Resize{"shrunk", -160, -120}}) {
      SCOPED_TRACE(r.name);
      const int since = count->started;
      frame->GetPeer()->SetSize(frameSize.x + r.dx, frameSize.y + r.dy);
      const TRect want{0, 0, firstClient.right + r.dx, firstClient.bottom + r.dy};
      test::StepClock clock;
      while (!(window->GetClientRect() == want)) {
        if (clock.Expired("the drawing window's new size")) break;
        hold();
        std::this_thread::sleep_for(10ms);
      }
      ASSERT_EQ(window->GetClientRect(), want) << "now " << window->GetClientRect().right << " x "
                                               << window->GetClientRect().bottom;
      const test::Screen held = SettledScreen(*count, since, hold, mode + "held-" + r.name);
      ASSERT_FALSE(held.pixels.empty()) << "no screen grabbed while the operation held the program";
      ASSERT_TRUE(LongOperationHoldsProgram());
      if (!zoomed) {
        EXPECT_NE(window->Mapping().scale, firstScale) << "the fitted drawing is fitted to the new size";
      }
      // The first picture moved and scaled as the placement was, each pixel
      // the picture's pixel under its centre (either one where the centre
      // lies on a pixel's edge); the pixels it never had in the colour
      // around the page.
      const WorldMapping& now = window->Mapping();
      const double f = now.scale / firstMapping.scale;
      const TPoint origin = window->ClientToScreen(TPoint{0, 0});
      auto placed = [&](int x, int y) {
        const double sx = (x + 0.5 - now.originX - now.offsetX) / f + firstMapping.originX + firstMapping.offsetX;
        const double sy = (y + 0.5 - now.originY - now.offsetY) / f + firstMapping.originY + firstMapping.offsetY;
        const std::uint32_t seen = held.At(origin.x + x, origin.y + y);
        std::uint32_t primary = 0;
        bool firstCandidate = true;
        for (const double px : {std::floor(sx - 0.02), std::floor(sx + 0.02)}) {
          for (const double py : {std::floor(sy - 0.02), std::floor(sy + 0.02)}) {
            const bool in = px >= 0 && py >= 0 && px < firstClient.right && py < firstClient.bottom;
            const std::uint32_t v = in ? pictureAt(int(px), int(py)) : 0xFFFFC0u;
            if (v == seen) return v;
            if (std::exchange(firstCandidate, false)) primary = v;
          }
        }
        return primary;
      };
      const int wrong = Differences(held, window, dialog->GetScreenRect(), placed, where);
      EXPECT_EQ(wrong, 0) << where << "; screenshots in " << test::ArtifactDir();
    }
    endedAt = count->started;
  }
  EXPECT_FALSE(LongOperationHoldsProgram());
  const test::Screen after = SettledScreen(*count, endedAt, loop, mode + "after");
  ASSERT_FALSE(after.pixels.empty()) << "no screen grabbed after the operation";
  const auto now = Rendered(window);
  ASSERT_TRUE(now);
  if (zoomed) {
    EXPECT_EQ(window->Mapping().scale, firstScale);
  } else {
    EXPECT_LT(window->Mapping().scale, firstScale) << "the fitted drawing is fitted to the smaller window";
  }
  const auto nowAt = [&now](int x, int y) { return *now->PixelAt(x, y) & 0xFFFFFF; };
  const int wrong = Differences(after, window, wxRect(), nowAt, where);
  EXPECT_EQ(wrong, 0) << "after the operation, " << where;
}

TEST_F(DrawingViewTest, AResizeDuringALongOperationKeepsTheFittedPictureUntilItEnds) {
  ResizeDuringALongOperation(frame_, Open(1), false);
}

TEST_F(DrawingViewTest, AResizeDuringALongOperationKeepsTheZoomedPictureUntilItEnds) {
  ResizeDuringALongOperation(frame_, Open(1), true);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
