// The print preview on a private X display: the page text and the page
// view over a paged drawing, keys and buttons moving between the pages with
// content, Escape and Enter leaving without printing, Print returning true,
// a window below 200 pixels growing to the work area, the X window class;
// and from the print dialog (Ctrl+P, Preview, Page Down, Print) a job of
// the previewed pages on the fake queue. The print dialog's "Adapt the
// drawing format" hands the printer's paper to the parameters sheet.
#include <gtest/gtest.h>
#include <wx/timer.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ParametersSheet.h"
#include "app/ProgressDialog.h"
#include "controls/AutoControls.h"
#include "controls/PropertySheet.h"
#include "app/TestyFrameWindow.h"
#include "app/VectorWindow.h"
#include "foundation/LangTable.h"
#include "foundation/ModalStack.h"
#include "foundation/WindowPlacement.h"
#include "platform/fonts/FontLayerFaces.h"
#include "platform/ui/ControlButtons.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/GadgetWindow.h"
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

// Posted messages are dispatched in the toolkit's loop, as the
// application's own loop does (the test program has no application object).
void ScheduleRound() {
  wxTheApp->CallAfter([] { MessageQueue::Instance().DispatchRound(); });
}

PreviewWindow__new* RunningPreview() {
  auto* preview = dynamic_cast<PreviewWindow__new*>(ModalStack::Top());
  return preview && preview->GetPeer() && preview->GetPeer()->IsShown() ? preview : nullptr;
}

// A control of a dialog (by a variable id, as the dialog id lint wants).
TWindow* Control(TDialog& dialog, int id) { return dialog.GetDlgItem(id); }

std::string Title(TWindow& w) { return w.GetPeer()->GetLabel().ToStdString(wxConvUTF8); }

// A title as xdotool's --name pattern (a regular expression) matches it.
std::string Escaped(const std::string& title) {
  std::string out;
  for (char c : title) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) out += '\\';
    out += c;
  }
  return out;
}

// Runs `start` (which opens something modal), then the steps one per tick
// inside its loop; every step returns true when done. A step that never
// gets there fails the test (test::StepClock) and ends the modal windows.
// Afterwards nothing modal is left, whatever happened.
bool RunSteps(const std::function<void()>& start, std::deque<std::function<bool()>> steps) {
  wxTimer timer;
  test::StepClock clock;
  bool stuck = false;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (stuck || clock.Expired("the preview's steps")) {
      // Close whatever is open so that the run ends.
      stuck = true;
      if (PreviewWindow__new* p = RunningPreview()) p->EndModal(kPreviewResultClose);
      if (auto* d = dynamic_cast<cPrintDialog*>(ModalStack::Top())) d->CloseWindow(kIdcCancel);
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

class PrintPreviewGuiTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
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
    owner_.reset(test::NewFrame(WString(u"Owner"), 20, 20, 700, 600));
    ASSERT_TRUE(owner_->Create());
    owner_->ShowWindow(kSwShow);
    test::Pump(100ms);
  }
  void TearDown() override {
    MessageQueue::Instance().SetWakeHook(nullptr);
    owner_.reset();
    delete frame_;
    frame_ = nullptr;
    ResetPrinters();
    override_.reset();
    test::SettingsFolderTest::TearDown();
  }
  std::unique_ptr<APXPrintOut> PrintOut(cDrawing& drawing) {
    PrintOutOptions o;
    o.printer = GetPrinterList().At(0);
    o.printScale = 1;
    return std::make_unique<APXPrintOut>(drawing, o);
  }

  test::FakeSpooler queues_;
  test::JobSpooler spooler_{queues_};
  std::unique_ptr<ScopedSpoolerOverride> override_;
  std::unique_ptr<TFrameWindow> owner_;
  TTestyFrameWindow* frame_ = nullptr;
  test::ScratchDir files_;
};

TEST_F(PrintPreviewGuiTest, PagesWithContentKeysAndButtons) {
  // Three pages, the second left out of printing: two pages to show.
  test::TiledDrawing tiled(190, 277, 1, 1, 3, 0x0000FF);
  tiled.Drawing().GetPage(1)->kind |= 0x01;
  auto out = PrintOut(tiled.Drawing());
  const TRect rect{40, 40, 640, 560};
  bool result = true;
  std::string wmClass;
  ASSERT_TRUE(RunSteps(
      [&] {
        result = RunPrintPreview(nullptr, owner_.get(), out.get(), WString(u"Preview test"), 0, 1,
                                 WString(u"plan"), true, &rect);
      },
      {
          [&] { return RunningPreview() != nullptr; },
          [&] {
            PreviewWindow__new& p = *RunningPreview();
            EXPECT_EQ(p.StatusText().ToUtf8(), "Page 1 / 2  plan");
            EXPECT_EQ(p.PageView()->GetPage(), 1);
            EXPECT_TRUE(p.PageView()->ready);
            EXPECT_FALSE(out->strips.empty());
            EXPECT_FALSE(p.ToolBar()->GadgetWithId(kCmPrevPage)->GetEnabled());
            EXPECT_TRUE(p.ToolBar()->GadgetWithId(kCmNextPage)->GetEnabled());
            EXPECT_TRUE(p.ToolBar()->GadgetWithId(kCmPreviewPrint)->GetEnabled());
            EXPECT_EQ(Title(p), "Preview test");
            const std::string id = std::to_string(reinterpret_cast<std::uintptr_t>(p.GetPeer()->GetHandle()));
            wmClass = test::Shell("xprop -name 'Preview test' WM_CLASS 2>/dev/null");
            test::SaveScreenshot("print-preview.png");
            // Page Down through the X server.
            if (test::HaveXdotool()) test::Shell(test::XdoOnWindow("Preview test", "key Next"));
            return true;
          },
          [&] {
            PreviewWindow__new& p = *RunningPreview();
            if (!test::HaveXdotool()) p.Layout()->EvKeyDown(kVkNext, 1, 0);
            // The key comes through the X server: until the preview has it.
            if (p.PageIndex() != 1) return false;
            EXPECT_EQ(p.PageView()->GetPage(), 3);  // page 2 is left out
            EXPECT_EQ(p.StatusText().ToUtf8(), "Page 2 / 2  plan");
            // At the end Page Down and Right stay; Left goes back.
            p.Layout()->EvKeyDown(kVkRight, 1, 0);
            EXPECT_EQ(p.PageIndex(), 1);
            p.Layout()->EvKeyDown(kVkLeft, 1, 0);
            EXPECT_EQ(p.PageIndex(), 0);
            // Fit width and back to fit page.
            p.CmFitWidth();
            EXPECT_TRUE(p.FitWidth());
            const TRect wide = p.PageView()->GetClientRect();
            p.CmFitPage();
            EXPECT_FALSE(p.FitWidth());
            const TRect whole = p.PageView()->GetClientRect();
            EXPECT_GT(wide.Width(), whole.Width());
            // Escape leaves without printing.
            p.Layout()->EvKeyDown(kVkEscape, 1, 0);
            return true;
          },
      }));
  EXPECT_FALSE(result);
  EXPECT_NE(wmClass.find("QUARN-W-PREVIEW"), std::string::npos) << wmClass;
  EXPECT_TRUE(out->strips.empty());

  // Enter leaves without printing too; Print returns true.
  for (const std::uint32_t key : {kVkReturn, 0u}) {
    result = key == 0 ? false : true;
    ASSERT_TRUE(RunSteps(
        [&] { result = RunPrintPreview(nullptr, owner_.get(), out.get(), WString(u"P"), 0, 1, WString(), true, &rect); },
        {
            [&] { return RunningPreview() != nullptr; },
            [&] {
              PreviewWindow__new& p = *RunningPreview();
              if (key) {
                p.Layout()->EvKeyDown(key, 1, 0);
              } else {
                p.PostMessage(kWmCommand, kCmPreviewPrint, 0);
              }
              return true;
            },
        }));
    EXPECT_EQ(result, key == 0) << key;
  }
}

// An end asked while a box is open over the preview (its loop runs inside
// the preview's) ends the preview once the box is answered; so does one
// asked before the modal run has started.
TEST_F(PrintPreviewGuiTest, AnEndAskedWhileABoxIsOpenOverThePreviewIsKept) {
  test::TiledDrawing tiled(190, 277, 1, 1, 2, 0x0000FF);
  auto out = PrintOut(tiled.Drawing());
  const TRect rect{40, 40, 640, 560};
  bool result = true, boxOver = false, endedUnderBox = false;
  PreviewWindow__new* preview = nullptr;
  // A real box, answered by the test alone.
  MessageBoxDialogBackend boxes;
  MessageBoxBackend* previous = SetMessageBoxBackend(&boxes);
  const bool ran = RunSteps(
      [&] { result = RunPrintPreview(nullptr, owner_.get(), out.get(), WString(u"Boxed"), 0, 1, WString(), true, &rect); },
      {
          [&] { return RunningPreview() != nullptr; },
          [&] {
            preview = RunningPreview();
            // Opened from the loop, not from inside this timer's tick.
            wxTheApp->CallAfter([preview, &boxOver] {
              preview->MessageBox(WString(u"Over the preview"));
              boxOver = true;
            });
            return true;
          },
          [] { return test::FindOpenBox() != nullptr; },
          // The timer ticks inside the box's loop now.
          [&] {
            preview->EndModal(kPreviewResultClose);
            return true;
          },
          [&] {
            endedUnderBox = !preview->GetPeer()->IsShown();
            test::FindOpenBox()->Press(kIdOk);
            return true;
          },
          [&] { return boxOver && RunningPreview() == nullptr; },
      });
  SetMessageBoxBackend(previous);
  ASSERT_TRUE(ran);
  EXPECT_FALSE(result);
  EXPECT_FALSE(endedUnderBox) << "the preview ended under its box";

  // Asked before the run: a frame made ready and never run.
  PreviewWindow__new frame(owner_.get(), *out, WString(u"Early"), WString(), false, rect, 1, 0);
  ASSERT_TRUE(frame.Create());
  frame.ShowWindow(kSwShow);
  frame.EndModal(kPreviewResultPrint);
  EXPECT_EQ(frame.RunModal(), kPreviewResultPrint);
  EXPECT_EQ(ModalStack::Depth(), 0u);
}

// Every button of the preview's tool bar tells what it does when the mouse
// rests on it, the disabled "previous page" of the first page too, in the
// program's language.
TEST_F(PrintPreviewGuiTest, EveryToolBarButtonShowsItsTooltip) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  test::TiledDrawing tiled(190, 277, 1, 1, 3, 0x0000FF);
  auto out = PrintOut(tiled.Drawing());
  const TRect rect{40, 40, 640, 560};
  struct Expected {
    int id;
    const char* english;
    const char* czech;
  };
  const Expected buttons[] = {{kCmPrevPage, "Previous page", "Předchozí stránka"},
                              {kCmNextPage, "Next page", "Další stránka"},
                              {kCmFitWidth, "Fit width", "Přizpůsobit šířce"},
                              {kCmFitPage, "Whole page", "Celá stránka"},
                              {kCmPreviewPrint, "Print", "Tisk"}};
  for (int language : {kLanguageEnglish, kLanguageCzech}) {
    SetLanguageIndex(language);
    InvalidateLangTable();
    std::vector<std::string> shown;
    std::deque<std::function<bool()>> steps{[&] { return RunningPreview() != nullptr; }};
    for (const Expected& b : buttons) {
      // The mouse off the bar, next to the button, then onto it: one move
      // per tick, so that the toolkit sees each.
      for (const int dx : {-1000, -1, 0}) {
        steps.push_back([&, dx] {
          TGadgetWindow& bar = *RunningPreview()->ToolBar();
          const TGadget* button = bar.GadgetWithId(b.id);
          if (button == nullptr) return true;
          if (b.id == kCmPrevPage) {
            EXPECT_FALSE(button->GetEnabled());
          }
          const TRect& r = button->GetBounds();
          TPoint at = bar.ClientToScreen(TPoint{r.left + int(r.Width()) / 2, r.top + int(r.Height()) / 2});
          if (dx == -1000) {
            at.y += 150;
          } else {
            at.x += dx;
          }
          test::Shell("timeout 10 xdotool " + test::PointerTo(at.x, at.y) +
                      " >/dev/null 2>&1");
          return true;
        });
      }
      // Until the toolkit maps its tool tip window with the button's text
      // (after its half-second delay, and later on a busy machine). GTK
      // starts the delay on a motion inside the bar: should a move have
      // reached it as an enter alone, the mouse moves a pixel and back
      // every few seconds.
      std::optional<std::chrono::steady_clock::time_point> moved;
      steps.push_back([&, moved]() mutable {
        const std::string want = language == kLanguageCzech ? b.czech : b.english;
        if (test::MappedTooltip() == want) {
          shown.push_back(RunningPreview()->ToolBar()->GetTooltipText().ToUtf8());
          return true;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!moved) moved = now;
        if (now - *moved > 5s) {
          test::Shell("timeout 10 xdotool mousemove_relative --sync 0 1 sleep 0.05 mousemove_relative --sync 0 -1 "
                      ">/dev/null 2>&1");
          moved = now;
        }
        return false;
      });
    }
    steps.push_back([&] {
      RunningPreview()->EndModal(kPreviewResultClose);
      return true;
    });
    ASSERT_TRUE(RunSteps(
        [&] { RunPrintPreview(nullptr, owner_.get(), out.get(), WString(u"Tips"), 0, 1, WString(), true, &rect); },
        std::move(steps)));
    ASSERT_EQ(shown.size(), std::size(buttons));
    for (std::size_t i = 0; i < shown.size(); ++i)
      EXPECT_EQ(shown[i], language == kLanguageCzech ? buttons[i].czech : buttons[i].english) << buttons[i].id;
  }
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
}

TEST_F(PrintPreviewGuiTest, AllEmptyPagesShowPageOneOfOneAndASmallWindowTakesTheWorkArea) {
  test::TiledDrawing tiled(190, 277, 1, 1, 2, 0x0000FF);
  for (int p = 0; p < 2; ++p) tiled.Drawing().GetPage(p)->kind |= 0x01;
  auto out = PrintOut(tiled.Drawing());
  const TRect tiny{50, 50, 250, 199};  // 149 pixels high
  const ScreenRect work = GetWorkAreaAtPoint(owner_->ClientToScreen(TPoint{0, 0}).x,
                                             owner_->ClientToScreen(TPoint{0, 0}).y);
  TRect shown;
  std::string status;
  ASSERT_TRUE(RunSteps(
      [&] { RunPrintPreview(nullptr, owner_.get(), out.get(), WString(u"Empty"), 0, 1, WString(), false, &tiny); },
      {
          [&] { return RunningPreview() != nullptr; },
          [&] {
            PreviewWindow__new& p = *RunningPreview();
            status = p.StatusText().ToUtf8();
            shown = p.GetWindowRect();
            EXPECT_EQ(p.ToolBar()->GadgetWithId(kCmPreviewPrint), nullptr);  // no Print button asked
            p.PostMessage(kWmClose);
            return true;
          },
      }));
  EXPECT_EQ(status, "Page 1 / 1");
  EXPECT_GE(shown.Width(), (work.right - work.left) * 9 / 10);
  EXPECT_GE(shown.Height(), (work.bottom - work.top) * 8 / 10);
}

// The print command: Ctrl+P, Preview, Page Down, Print: the job has the pages.
TEST_F(PrintPreviewGuiTest, PreviewFromThePrintDialogPrintsWithItsPrintButton) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
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
  test::Pump(300ms);
  const std::string title = Escaped(Title(*frame_));
  std::string previewTitle;
  ASSERT_TRUE(RunSteps([&] { test::Shell(test::XdoOnWindow(title, "key ctrl+p")); },
                       {
                           [&] { return dynamic_cast<cPrintDialog*>(ModalStack::Top()) != nullptr; },
                           [&] {
                             auto& d = *dynamic_cast<cPrintDialog*>(ModalStack::Top());
                             if (auto* all = dynamic_cast<TRadioButton*>(Control(d, 5001))) all->Click();
                             auto* preview = dynamic_cast<TButton*>(Control(d, 101));
                             EXPECT_NE(preview, nullptr);
                             EXPECT_TRUE(preview && preview->IsWindowVisible());
                             // Clicked from the loop, not from inside this timer's tick.
                             if (preview) wxTheApp->CallAfter([preview] { preview->Click(); });
                             return true;
                           },
                           [&] { return RunningPreview() != nullptr; },
                           [&] {
                             PreviewWindow__new& p = *RunningPreview();
                             previewTitle = Title(p);
                             EXPECT_EQ(p.StatusText().ToUtf8(), "Page 1 / 3  three");
                             test::Shell(test::XdoOnWindow(Escaped(previewTitle), "key Next"));
                             return true;
                           },
                           [&] {
                             // Until Page Down has come through the X server.
                             PreviewWindow__new& p = *RunningPreview();
                             if (p.PageIndex() != 1) return false;
                             test::SaveScreenshot("print-preview-page2.png");
                             p.PostMessage(kWmCommand, kCmPreviewPrint, 0);
                             return true;
                           },
                       }));
  EXPECT_EQ(previewTitle.rfind("Print preview - three", 0), 0u) << previewTitle;
  ASSERT_EQ(spooler_.jobs.size(), 1u);
  EXPECT_TRUE(spooler_.jobs[0]->finished);
  EXPECT_EQ(test::PdfPageCount(spooler_.jobs[0]->pdf), 3);
}

// A page of the slow drawing (test::OpenSlowDrawing: held until it is
// cancelled, over a drawing window that takes seconds to repaint): the
// preview's progress window is painted within 1 s of appearing although the
// drawing window must repaint then, and a Cancel that comes while it
// repaints again is answered within 1 s. The preview then closes on the
// print dialog without showing the page.
TEST_F(PrintPreviewGuiTest, ALongPageIsPaintedAndHeardWhileTheDrawingRepaints) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  cVectorWindow* drawing = test::OpenSlowDrawing(frame_, files_.Path());
  ASSERT_NE(drawing, nullptr);
  test::AnsweringBoxes boxes(50ms);
  SetMessageBoxBackend(&boxes);
  test::FirstPaintWatch watch;
  test::ProgressWindowTimes times;
  // The preview has ended once its button's click returns.
  bool previewOver = false;
  bool pageShown = false;
  std::deque<std::function<bool()>> steps = {
      [&] { return dynamic_cast<cPrintDialog*>(ModalStack::Top()) != nullptr; },
      [&] {
        auto& d = *dynamic_cast<cPrintDialog*>(ModalStack::Top());
        auto* preview = dynamic_cast<TButton*>(Control(d, 101));
        EXPECT_NE(preview, nullptr);
        // Uncovered just before: its repaint waits until the preview's pump.
        if (preview) wxTheApp->CallAfter([drawing, preview, &previewOver] {
          drawing->GetPeer()->Refresh();
          preview->Click();
          previewOver = true;
        });
        return true;
      },
  };
  // A preview showing its page rendered it without being cancelled.
  for (auto& step : test::CancelThroughProgressWindow(drawing->GetPeer(), watch, boxes, times,
                                                      [&] { return previewOver || RunningPreview() != nullptr; }))
    steps.push_back(std::move(step));
  steps.push_back([&] {
    if (PreviewWindow__new* shown = RunningPreview()) {
      pageShown = true;
      shown->EndModal(kPreviewResultClose);
      return false;
    }
    auto* d = dynamic_cast<cPrintDialog*>(ModalStack::Top());
    if (!d) return false;
    d->CloseWindow(kIdcCancel);
    return true;
  });
  const bool ran = RunSteps([&] { test::Shell(test::XdoOnWindow(Escaped(Title(*frame_)), "key ctrl+p")); },
                            std::move(steps));
  SetMessageBoxBackend(nullptr);
  ASSERT_TRUE(ran);
  ASSERT_FALSE(times.endedFirst) << "the page was rendered before it could be cancelled: the preview opened without a "
                                    "progress window";
  ASSERT_TRUE(times.painted && times.answered);
  EXPECT_LE(*times.painted, test::kHeardWithin) << "the progress window stayed an empty frame";
  EXPECT_LE(*times.answered, test::kHeardWithin) << "the click on Cancel waited";
  std::printf("preview: painted %lld ms after it appeared, Cancel answered after %lld ms\n",
              static_cast<long long>(times.painted->count()), static_cast<long long>(times.answered->count()));
  EXPECT_FALSE(pageShown) << "the cancelled page was shown";
  EXPECT_TRUE(spooler_.jobs.empty());
}

// "Adapt the drawing format": a format larger than A4 is printed reduced;
// the button closes the dialog and the parameters sheet opens on a drawing
// area made for A4 (its printable size within 5 mm margins), turned to the
// drawing's shape.
TEST_F(PrintPreviewGuiTest, AdaptTheDrawingFormatProposesThePrintersPaper) {
  test::TiledDrawing tiled(400, 300, 1, 1, 0, 0x0000FF);
  std::optional<ProposedFormat> proposed;
  bool reducedShown = false;
  {
    cPrintDialog dialog(owner_.get(), tiled.Drawing(), 0, DRect{0, 0, 100, 100});
    dialog.openParameters = [&](const APXPrintOut* printOut) {
      ASSERT_NE(printOut, nullptr);
      const auto& r = printOut->Record();
      proposed = ProposedFormat{{r.paperWidth, r.paperHeight}, {r.printableWidth, r.printableHeight}};
    };
    RunSteps([&] { dialog.Execute(); },
             {
                 [&] { return dialog.GetPeer() && dialog.GetPeer()->IsShown(); },
                 [&] {
                   TWindow* adapt = Control(dialog, 5101);
                   reducedShown = adapt && adapt->IsWindowVisible();
                   auto* button = dynamic_cast<TButton*>(adapt);
                   if (button) wxTheApp->CallAfter([button] { button->Click(); });
                   if (!button) dialog.CloseWindow(kIdcCancel);
                   return true;
                 },
             });
  }
  EXPECT_TRUE(reducedShown);
  ASSERT_TRUE(proposed.has_value());
  EXPECT_NEAR(proposed->paper.width + proposed->paper.height, 210 + 297, 1);
  EXPECT_NEAR(proposed->paper.width - proposed->printable.width, 10, 0.5);

  double width = 0, height = 0;
  int area = -1, tiled_ = -1;
  bool ok = false;
  RunSteps([&] { ok = RunParametersSheet(owner_.get(), nullptr, &tiled.doc, 0, &*proposed); },
           {
               [] { return dynamic_cast<TMyPropertySheet*>(ModalStack::Top()) != nullptr; },
               [&] {
                 auto& sheet = *dynamic_cast<TMyPropertySheet*>(ModalStack::Top());
                 EXPECT_EQ(sheet.GetCurrentPageIndex(), 0);
                 auto* page = sheet.GetPage(0);
                 if (auto* f = dynamic_cast<TAutoDouble*>(Control(*page, 3651))) width = f->GetValue();
                 if (auto* f = dynamic_cast<TAutoDouble*>(Control(*page, 3652))) height = f->GetValue();
                 if (auto* c = dynamic_cast<TCheckBox*>(Control(*page, 3601))) area = c->GetCheck();
                 if (auto* c = dynamic_cast<TCheckBox*>(Control(*page, 3501))) tiled_ = c->GetCheck();
                 sheet.CmOk();
                 return true;
               },
           });
  EXPECT_TRUE(ok);
  // A4 landscape for the landscape drawing, margins included.
  EXPECT_DOUBLE_EQ(width, 297);
  EXPECT_DOUBLE_EQ(height, 210);
  EXPECT_EQ(area, int(kBstChecked));
  EXPECT_EQ(tiled_, int(kBstChecked));
  EXPECT_DOUBLE_EQ(tiled.Drawing().formatSize.x, 297);
  EXPECT_GT(tiled.Drawing().tiles.x, 1);
}

// ---- against the test CUPS server (tests/print/cupsd-fixture.sh) --------------------------

bool CupsServerRunning() { return test::Shell("lpstat -r 2>/dev/null").find("is running") != std::string::npos; }

// The PDF of the job titled `prefix...` in the A4 queue's Out folder, once
// the job has ended (test::WaitForCupsPdf); empty with the reason in `why`.
std::filesystem::path WaitForCupsPdf(const std::string& prefix, std::string& why) {
  return test::WaitForCupsPdf(test::CupsTestQueue(), prefix, std::chrono::seconds(240), &why,
                              [] { test::Pump(200ms); });
}

class PrintPreviewCupsTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    ResetPrinters();
    PrintDialogGlobals() = PrintDialogOptions{};
    DefaultMargins() = Margins{};
    InstallRendererGeometryServices();
    InstallFontLayerFaces();
    InstallProgressDialogs();
    MessageQueue::Instance().SetWakeHook(&ScheduleRound);
  }
  void TearDown() override {
    MessageQueue::Instance().SetWakeHook(nullptr);
    delete frame_;
    ResetPrinters();
    test::SettingsFolderTest::TearDown();
  }
  TTestyFrameWindow* frame_ = nullptr;
  test::ScratchDir files_;
};

// Ctrl+P on the A4 queue, Preview: "Page 1 / 3", Page Down to the second
// page, Print: three A4 pages arrive as a PDF.
TEST_F(PrintPreviewCupsTest, PreviewPrintArrivesAtTheQueue) {
  const char* ci = std::getenv("CI");
  if (!CupsServerRunning() || !test::HaveXdotool()) {
    if (ci && std::string(ci) == "true") FAIL() << "no CUPS server or no xdotool, and CI=true";
    GTEST_SKIP() << "no CUPS server (tests/print/cupsd-fixture.sh) or no xdotool";
  }
  const std::string name = "kvnpreview" + std::to_string(::getpid());
  test::FixtureDocument plan;
  test::FixtureSheet sheet;
  sheet.name = u"Plan";
  for (int p = 0; p < 3; ++p) {
    test::FixturePage page;
    page.name = u"Floor " + std::u16string(1, char16_t(u'A' + p));
    page.color = 0x80000000;
    sheet.pages.push_back(page);
    for (int i = 0; i < 6; ++i) {
      test::FixtureLine l;
      l.start = {20.0 + 30 * i, 20};
      l.end = {20.0 + 30 * i, 180};
      l.page = std::uint16_t(p);
      l.color = 0x0000FF;
      l.width = 1.0;
      sheet.lines.push_back(l);
    }
  }
  plan.sheets.push_back(sheet);
  frame_ = new TTestyFrameWindow;
  frame_->Attr.X = 30;
  frame_->Attr.Y = 20;
  frame_->Attr.W = 900;
  frame_->Attr.H = 700;
  ASSERT_TRUE(frame_->Create());
  frame_->ShowWindow(kSwShow);
  const auto file = files_.Path() / (name + ".kvn");
  ASSERT_TRUE(test::SaveBytes(file.string(), test::WriteNativeFile(plan)));
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(file.string())));
  test::Pump(300ms);
  std::string status;
  int shownAfterPageDown = -1;
  ASSERT_TRUE(RunSteps(
      [&] { test::Shell(test::XdoOnWindow(Escaped(Title(*frame_)), "key ctrl+p")); },
      {
          [&] { return dynamic_cast<cPrintDialog*>(ModalStack::Top()) != nullptr; },
          [&] {
            auto& d = *dynamic_cast<cPrintDialog*>(ModalStack::Top());
            if (auto* printers = dynamic_cast<TComboBox*>(Control(d, 7999))) {
              printers->SetSelIndex(FindPrinterIndex(WString::FromUtf8(test::CupsTestQueue())));
            }
            if (auto* all = dynamic_cast<TRadioButton*>(Control(d, 5001))) all->Click();
            if (auto* preview = dynamic_cast<TButton*>(Control(d, 101))) {
              wxTheApp->CallAfter([preview] { preview->Click(); });
            }
            return true;
          },
          [&] { return RunningPreview() != nullptr; },
          [&] {
            PreviewWindow__new& p = *RunningPreview();
            status = p.StatusText().ToUtf8();
            test::Shell(test::XdoOnWindow(Escaped(Title(p)), "key Next"));
            return true;
          },
          [&] {
            // Until Page Down has come through the X server.
            PreviewWindow__new& p = *RunningPreview();
            shownAfterPageDown = p.PageIndex();
            if (shownAfterPageDown != 1) return false;
            p.PostMessage(kWmCommand, kCmPreviewPrint, 0);
            return true;
          },
      }));
  EXPECT_EQ(status, "Page 1 / 3  " + name);
  EXPECT_EQ(shownAfterPageDown, 1);
  std::string why;
  const std::filesystem::path pdf = WaitForCupsPdf(name, why);
  ASSERT_FALSE(pdf.empty()) << "no PDF arrived: " << why;
  const std::string info = test::Shell("pdfinfo '" + pdf.string() + "'");
  const std::size_t pages = info.find("Pages:");
  ASSERT_NE(pages, std::string::npos) << info;
  EXPECT_EQ(std::atoi(info.c_str() + pages + 6), 3) << info;
  EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
  std::filesystem::remove(pdf);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
