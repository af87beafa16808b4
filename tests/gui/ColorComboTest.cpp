// The colour combo and its grid on a real display, driven through the X
// server: a click and F4 open the grid, arrows and Enter pick a colour, the
// no-colour row gives 0x80000000, a click outside closes the grid without
// reaching the window under it, "More colors" cancelled returns to the
// grid, and a disabled box still shows its swatch or "No color". Needs a
// display (run under Xvfb by xvfb-run.sh).
#include <gtest/gtest.h>
#include <wx/settings.h>
#include <wx/timer.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/ColorCombo.h"
#include "controls/ColorPalette.h"
#include "controls/ColorPicker.h"
#include "foundation/LangTable.h"
#include "platform/ui/FrameWindow.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

// A window that counts the presses that reach it.
class PressCounter : public TWindow {
 public:
  explicit PressCounter(TWindow* parent) : TWindow(parent) {
    Attr.X = 300;
    Attr.Y = 200;
    Attr.W = 80;
    Attr.H = 40;
  }
  void EvLButtonDown(std::uint32_t, const TPoint&) { ++presses; }
  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable table({OnMessage<kWmLButtonDown, &PressCounter::EvLButtonDown>()},
                                      {&TWindow::Table()});
    return table;
  }
  int presses = 0;
};

class ComboFrame : public TFrameWindow {
 public:
  explicit ComboFrame(std::uint32_t options) : TFrameWindow(nullptr, WString(u"Colour combo test")) {
    Attr.X = 0;
    Attr.Y = 0;
    Attr.W = 500;
    Attr.H = 400;
    combo = new TColorCombo(this, 3000, 20, 20, 120, 28, &color, options);
    counter = new PressCounter(this);
  }
  std::uint32_t color = 0x000000FF;
  TColorCombo* combo;
  PressCounter* counter;
};

// Runs a function once from the toolkit's loop (also inside modal loops).
class Later : public wxTimer {
 public:
  explicit Later(std::function<void()> f) : f_(std::move(f)) {}
  void Notify() override { f_(); }

 private:
  std::function<void()> f_;
};

TDialogColor* ShownGrid() {
  for (wxWindow* top : wxTopLevelWindows) {
    if (!top->IsShown()) continue;
    if (auto* grid = dynamic_cast<TDialogColor*>(TWindow::FromPeer(top))) return grid;
  }
  return nullptr;
}

// Keys to the grid's window, from the background so that the toolkit can
// go on while xdotool waits for the focus.
void KeysToGrid(const std::string& keys) {
  // The newest window of that name: a grid closed before may not be gone
  // from the server yet.
  test::Shell("(sleep 0.3; w=$(timeout 50 xdotool search --sync --onlyvisible --name '^Color$' | tail -1); "
              "timeout 10 xdotool windowfocus --sync $w key " + keys + ") >/dev/null 2>&1 &");
}

void ClickAt(const TPoint& p) {
  test::Shell("timeout 10 xdotool " + test::PointerTo(p.x, p.y) +
              " click 1 >/dev/null 2>&1");
}

class ColorComboTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    SettingsFolderTest::SetUp();
    if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    ClearRecentColors();
  }
  void Open(std::uint32_t options) {
    frame_ = std::make_unique<ComboFrame>(options);
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
    test::Pump(300ms);
    // A click goes where the X server has the frame mapped, not before.
    test::Shell("timeout 50 xdotool search --sync --onlyvisible --name '^Colour combo test$' >/dev/null 2>&1");
    test::Pump(100ms);
  }
  TPoint ComboCentre() const { return frame_->combo->ClientToScreen(TPoint{60, 14}); }
  // Runs `f` after `ms` from the toolkit's loop.
  void After(int ms, std::function<void()> f) {
    later_.push_back(std::make_unique<Later>(std::move(f)));
    later_.back()->StartOnce(ms);
  }
  // Runs `f` once `state` holds, looking every 100 ms from the toolkit's
  // loop, for at most test::kStateLimit (the test's Finish then ends it).
  void When(std::function<bool()> state, std::function<void()> f,
            std::chrono::steady_clock::time_point until = std::chrono::steady_clock::now() + test::kStateLimit) {
    After(100, [this, state, f, until] {
      if (state()) {
        f();
      } else if (std::chrono::steady_clock::now() < until) {
        When(state, f, until);
      }
    });
  }
  // Runs `f` once the grid shows and holds the pointer: it takes the grab
  // once the X server has mapped it, and a click or key before that goes
  // to the window under it.
  void WhenGridShows(std::function<void()> f) {
    When(
        [] {
          TDialogColor* grid = ShownGrid();
          return grid != nullptr && grid->Picker().GetHandle() != nullptr &&
                 TWindow::GetCapture() == grid->Picker().GetHandle();
        },
        std::move(f));
  }
  // Keys to the grid, sent again while it shows with its hot cell where it
  // was: on a loaded machine a run may meet the grid before it has the X
  // focus, and its keys go nowhere (the keys of one run arrive all or none).
  void KeysToGridUntilTaken(const std::string& keys) {
    TDialogColor* grid = ShownGrid();
    const int hot = grid ? grid->Picker().Grid().HotCell() : -1;
    KeysToGrid(keys);
    SendAgainWhileUnmoved(keys, hot);
  }
  void SendAgainWhileUnmoved(const std::string& keys, int hot) {
    After(15000, [this, keys, hot] {
      TDialogColor* grid = ShownGrid();
      if (grid == nullptr || grid->Picker().Grid().HotCell() != hot) return;
      KeysToGrid(keys);
      SendAgainWhileUnmoved(keys, hot);
    });
  }
  // Cancels the system colour dialog by Escape, as a user does: the X
  // focus given to the dialog once it is mapped, the key sent once GTK has
  // that focus (sent before, it goes to the window under the pointer, where
  // the grid comes back). Either is tried again every 10 s while the dialog
  // stays open; each try ends within 8 s, so no two overlap and no late key
  // reaches the grid that comes back.
  void EscapeToChooser(const int& ended, std::chrono::steady_clock::time_point focused = {},
                       std::chrono::steady_clock::time_point keyed = {}) {
    After(100, [this, &ended, focused, keyed]() mutable {
      if (ended > 0) return;
      const auto now = std::chrono::steady_clock::now();
      switch (test::GtkDialogStateOf("More colors")) {
        case test::GtkDialogState::kAbsent:
          break;
        case test::GtkDialogState::kMapped:
          if (now - focused < 10s) break;
          test::Shell("(timeout 8 xdotool search --onlyvisible --name '^More colors$' windowfocus --sync) "
                      ">/dev/null 2>&1 &");
          focused = now;
          break;
        case test::GtkDialogState::kActive:
          if (now - keyed < 10s) break;
          if (keyed == std::chrono::steady_clock::time_point{}) test::SaveScreenshot("color-chooser.png");
          test::Shell("(timeout 8 xdotool key Escape) >/dev/null 2>&1 &");
          keyed = now;
          break;
      }
      EscapeToChooser(ended, focused, keyed);
    });
  }
  // The test's bound: whatever is still open then is cancelled (Finish).
  void FinishAtTheLimit(bool& done) {
    After(int(std::chrono::milliseconds(test::kStateLimit).count()), [this, &done] { Finish(done); });
  }
  // Sets `done` once the grid is gone, looking every 100 ms from now on, so
  // that a test ends when its keys or clicks have closed the grid rather
  // than at its time-out.
  void DoneWhenGridCloses(bool& done) {
    After(100, [this, &done] {
      if (done) return;
      if (ShownGrid() == nullptr) {
        done = true;
      } else {
        DoneWhenGridCloses(done);
      }
    });
  }
  // Waits (in the loop, modal loops included) until `done`; the grid's
  // modal loop runs inside, which FinishAtTheLimit ends.
  void PumpUntil(const bool& done) {
    EXPECT_TRUE(test::PumpUntil([&] { return done; }, 2 * test::kStateLimit)) << "the test never ended";
  }
  // The end of a test's time: whatever is still open is cancelled, so that
  // a failing test cannot leave a modal loop running.
  void Finish(bool& done) {
    if (TDialogColor* grid = ShownGrid()) {
      stuck_ = true;
      grid->CloseWindow(kIdcCancel);
    }
    done = true;
  }
  bool stuck_ = false;
  void TearDown() override {
    EXPECT_FALSE(stuck_) << "the grid was still open at the end";
    SettingsFolderTest::TearDown();
  }

  std::unique_ptr<ComboFrame> frame_;
  std::vector<std::unique_ptr<Later>> later_;
};

TEST_F(ColorComboTest, ClickOpensTheGridAndArrowsWithEnterPick) {
  Open(0);
  bool sawGrid = false;
  bool done = false;
  WhenGridShows([&] {
    sawGrid = ShownGrid() != nullptr;
    // From no hot cell: Right to black, Right to white, Enter.
    KeysToGridUntilTaken("Right Right Return");
    DoneWhenGridCloses(done);
  });
  FinishAtTheLimit(done);
  ClickAt(ComboCentre());
  PumpUntil(done);
  EXPECT_TRUE(sawGrid);
  EXPECT_EQ(ShownGrid(), nullptr);
  EXPECT_EQ(frame_->combo->GetColor(), 0x00FFFFFFu);
  frame_->combo->SaveToVariable();
  EXPECT_EQ(frame_->color, 0x00FFFFFFu);
  EXPECT_EQ(frame_->combo->TooltipText(), WString(u"Color: White (R:255,G:255,B:255)"));
  test::SaveScreenshot("color-combo-white.png");
}

TEST_F(ColorComboTest, F4OpensTheGridAndNoColourGivesTheFlag) {
  Open(TColorCombo::AllowNoColor | TColorCombo::Standard16);
  bool sawGrid = false;
  bool done = false;
  WhenGridShows([&] {
    TDialogColor* grid = ShownGrid();
    sawGrid = grid != nullptr;
    if (grid) test::SaveScreenshot("color-grid-standard16.png");
    // First Right goes to the no-colour row.
    KeysToGridUntilTaken("Right Return");
    DoneWhenGridCloses(done);
  });
  FinishAtTheLimit(done);
  frame_->combo->SetFocus();
  test::Pump(100ms);
  test::Shell("timeout 50 xdotool search --sync --onlyvisible --name '^Colour combo test$' windowfocus --sync key F4 "
              ">/dev/null 2>&1");
  PumpUntil(done);
  EXPECT_TRUE(sawGrid);
  EXPECT_EQ(frame_->combo->GetColor(), 0x80000000u);
}

TEST_F(ColorComboTest, ClickOutsideClosesTheGridAndGoesNowhere) {
  Open(0);
  const TPoint outside = frame_->counter->ClientToScreen(TPoint{40, 20});
  // Without the grid, a click there reaches the window.
  ClickAt(outside);
  test::PumpUntil([&] { return frame_->counter->presses > 0; });
  ASSERT_EQ(frame_->counter->presses, 1) << "a click on the window does not reach it";
  bool sawGrid = false;
  bool done = false;
  WhenGridShows([&] {
    sawGrid = ShownGrid() != nullptr;
    test::SaveScreenshot("color-grid-palette.png");
    test::Shell("(timeout 10 xdotool mousemove " + std::to_string(outside.x) + " " + std::to_string(outside.y) +
                " click 1) >/dev/null 2>&1 &");
    DoneWhenGridCloses(done);
  });
  FinishAtTheLimit(done);
  ClickAt(ComboCentre());
  PumpUntil(done);
  EXPECT_TRUE(sawGrid);
  EXPECT_EQ(ShownGrid(), nullptr);
  EXPECT_EQ(frame_->counter->presses, 1);
  EXPECT_EQ(frame_->combo->GetColor(), 0x000000FFu);
}

// Notes that the system colour dialog ran, then shows it.
class NotingRunner : public ColorPickerRunner {
 public:
  int RunChooser(TChooseColorDialog& dialog) override {
    ++choosers;
    const int result = dialog.Execute();
    ++ended;
    return result;
  }
  int choosers = 0;
  int ended = 0;
};

TEST_F(ColorComboTest, MoreColoursCancelledReturnsToTheGrid) {
  Open(0);
  NotingRunner runner;
  ColorPickerRunner* previous = SetColorPickerRunner(&runner);
  int grids = 0;
  bool done = false;
  WhenGridShows([&] {
    TDialogColor* grid = ShownGrid();
    grids += grid != nullptr;
    if (grid == nullptr) return;
    const TRect more = grid->Picker().Grid().CellRect(TColorGrid::kMoreCell);
    const TPoint at = grid->Picker().ClientToScreen(TPoint{(more.left + more.right) / 2, (more.top + more.bottom) / 2});
    test::Shell("(timeout 10 xdotool mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) +
                " click 1) >/dev/null 2>&1 &");
    When([&] { return runner.choosers > 0; }, [&] {
      EscapeToChooser(runner.ended);
      When([&] { return runner.ended > 0 && ShownGrid() != nullptr; }, [&] {
        ++grids;
        // Back in the grid: cancelled as Escape would (keys to the grid are
        // checked by the tests above).
        ShownGrid()->CloseWindow(kIdcCancel);
        done = true;
      });
    });
  });
  FinishAtTheLimit(done);
  ClickAt(ComboCentre());
  PumpUntil(done);
  SetColorPickerRunner(previous);
  EXPECT_EQ(runner.choosers, 1);
  EXPECT_EQ(grids, 2);
  EXPECT_EQ(ShownGrid(), nullptr);
  EXPECT_EQ(frame_->combo->GetColor(), 0x000000FFu);
}

// The box's client area as a grab of the screen shows it.
struct BoxPixels {
  test::Screen screen;
  TPoint origin;
  int width = 0;
  int height = 0;
  // 0xRRGGBB at (x, y) of the client area; an impossible colour outside it.
  std::uint32_t At(int x, int y) const {
    const int sx = origin.x + x;
    const int sy = origin.y + y;
    return x >= 0 && y >= 0 && x < width && y < height && sx < screen.width && sy < screen.height ? screen.At(sx, sy)
                                                                                                    : 0xFF000000;
  }
};

// The swatch: a run of `colour` (0xRRGGBB) across the middle row, at least
// half the box wide, framed in black. Empty when it shows; else what is
// wrong.
std::string SwatchFault(const BoxPixels& b, std::uint32_t colour) {
  if (b.screen.pixels.empty()) return "no screen grab";
  const int y = b.height / 2;
  int first = -1;
  int last = -1;
  for (int x = 0; x < b.width; ++x) {
    if (b.At(x, y) != colour) continue;
    if (first < 0) first = x;
    last = x;
  }
  if (first < 0) return "no swatch";
  for (int x = first; x <= last; ++x)
    if (b.At(x, y) != colour) return "a broken swatch";
  if (last - first + 1 < b.width / 2) return "a short swatch";
  if (b.At(first - 1, y) != 0 || b.At(last + 1, y) != 0) return "a swatch not framed in black";
  return "";
}

// Pixels in `ink` (0xRRGGBB) left of the arrow (the right 18 pixels).
int InkLeftOfArrow(const BoxPixels& b, std::uint32_t ink) {
  int n = 0;
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width - 18; ++x) n += b.At(x, y) == ink;
  return n;
}

// Pixels of the arrow's part that differ between two grabs of the box.
int ArrowChanges(const BoxPixels& a, const BoxPixels& b) {
  int n = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = a.width - 18; x < a.width; ++x) n += a.At(x, y) != b.At(x, y);
  return n;
}

// Disabled, the box is drawn greyed around the colour it holds, not empty:
// its swatch framed in black, and "No color" for a negative colour.
TEST_F(ColorComboTest, DisabledBoxStillShowsItsColour) {
  Open(0);
  TColorCombo& box = *frame_->combo;
  constexpr std::uint32_t kRed = 0xFF0000;  // the frame's colour 0x000000FF
  // Grabs the box until the screen shows `state` (the box has painted it
  // and the X server has the pixels); the last grab stays in `grab`.
  auto shown = [&](const std::string& name, const std::function<bool(const BoxPixels&)>& state, BoxPixels& grab) {
    return test::PumpUntil([&] {
      const TRect r = box.GetClientRect();
      grab.origin = box.ClientToScreen(TPoint{0, 0});
      grab.width = int(r.Width());
      grab.height = int(r.Height());
      grab.screen = test::GrabScreen(test::ArtifactDir() / name);
      return state(grab);
    });
  };
  BoxPixels enabled;
  EXPECT_TRUE(shown("color-combo-enabled.png", [&](const BoxPixels& b) { return SwatchFault(b, kRed).empty(); },
                    enabled))
      << "the enabled box: " << SwatchFault(enabled, kRed);

  // Greyed: the arrow's part changes, the swatch stays.
  box.EnableWindow(false);
  ASSERT_FALSE(box.IsWindowEnabled());
  BoxPixels disabled;
  EXPECT_TRUE(shown("color-combo-disabled.png",
                    [&](const BoxPixels& b) { return ArrowChanges(enabled, b) > 0 && SwatchFault(b, kRed).empty(); },
                    disabled))
      << "the disabled box: " << SwatchFault(disabled, kRed) << ", " << ArrowChanges(enabled, disabled)
      << " pixels of the arrow's part changed";

  // "No color" in the text colour, on the greyed face.
  const wxColour text = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
  const std::uint32_t ink = (std::uint32_t(text.Red()) << 16) | (std::uint32_t(text.Green()) << 8) | text.Blue();
  box.SetColor(kNoColor);
  BoxPixels noColour;
  EXPECT_TRUE(shown("color-combo-disabled-no-color.png",
                    [&](const BoxPixels& b) { return InkLeftOfArrow(b, ink) >= 10 && InkLeftOfArrow(b, kRed) == 0; },
                    noColour))
      << "the disabled box with no colour: " << InkLeftOfArrow(noColour, ink) << " pixels of text ink, "
      << InkLeftOfArrow(noColour, kRed) << " of the old swatch";
  EXPECT_FALSE(box.IsWindowEnabled());
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
