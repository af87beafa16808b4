// The print command in the main frame on a private X display, against a
// fake spooler whose queue keeps the PDF it gets: Ctrl+P (through the X
// server, xdotool) opens the print dialog; pages 2 to 3 and Print send a
// job of those two pages; the options are stored and come back next time.
// The dialog on its own: a drawing of one page and one tile hides the two
// range choices, and the dialog speaks Czech and Slovak. Against the test
// CUPS server: a long page shows its progress painted and is cancelled
// part-way without a page arriving.
#include <gtest/gtest.h>
#include <wx/timer.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/ProgressDialog.h"
#include "app/TestyFrameWindow.h"
#include "app/VectorWindow.h"
#include "foundation/LangTable.h"
#include "foundation/ModalStack.h"
#include "foundation/Registry.h"
#include "platform/fonts/FontLayerFaces.h"
#include "platform/ui/ControlButtons.h"
#include "platform/ui/FrameWindow.h"
#include "print/PrintJob.h"
#include "print/PrinterData.h"
#include "print/dialogs/PrintDialog.h"
#include "render/GeometryServicesImpl.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/print/PrintFixtures.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"
#include "tests/support/TestQueues.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

test::FixtureDocument FourPages() {
  test::FixtureDocument plan;
  test::FixtureSheet sheet;
  sheet.name = u"Plan";
  for (int p = 0; p < 4; ++p) {
    test::FixturePage page;
    page.name = u"Floor " + std::u16string(1, char16_t(u'A' + p));
    page.color = 0x80000000;
    sheet.pages.push_back(page);
    for (int i = 0; i < 10; ++i) {
      test::FixtureLine l;
      l.start = {20.0 + 20 * i, 20};
      l.end = {20.0 + 20 * i, 180};
      l.page = std::uint16_t(p);
      l.color = 0x0000FF;
      l.width = 1.0;
      sheet.lines.push_back(l);
    }
  }
  plan.sheets.push_back(sheet);
  return plan;
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

cPrintDialog* RunningPrintDialog() {
  auto* dialog = dynamic_cast<cPrintDialog*>(ModalStack::Top());
  return dialog && dialog->GetHandle() && dialog->GetPeer() && dialog->GetPeer()->IsShown() ? dialog : nullptr;
}

bool Visible(TDialog& d, int id) {
  TWindow* w = d.GetDlgItem(id);
  return w != nullptr && w->IsWindowVisible();
}

double FieldValue(TDialog& d, int id) {
  auto* field = dynamic_cast<TAutoDouble*>(d.GetDlgItem(id));
  return field ? field->GetValue() : -1;
}

std::string ControlText(TDialog& d, int id) {
  auto* control = dynamic_cast<TControl*>(d.GetDlgItem(id));
  return control ? control->GetText().ToUtf8() : std::string();
}

TWindow* Item(TDialog& d, int id) { return d.GetDlgItem(id); }

void ClickRadio(TDialog& d, int id) {
  if (auto* radio = dynamic_cast<TRadioButton*>(d.GetDlgItem(id))) radio->Click();
}

void Press(TDialog& d, int id) {
  auto* button = dynamic_cast<TButton*>(d.GetDlgItem(id));
  ASSERT_NE(button, nullptr) << "button " << id;
  button->Click();
}

void SetField(TDialog& d, int id, double value) {
  auto* field = dynamic_cast<TAutoDouble*>(d.GetDlgItem(id));
  ASSERT_NE(field, nullptr) << "field " << id;
  field->SetValue(value);
}

class PrintGuiTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    ResetPrinters();
    PrintDialogGlobals() = PrintDialogOptions{};
    DefaultMargins() = Margins{};
    test::AddA4Queue(queues_);
    override_ = std::make_unique<ScopedSpoolerOverride>(spooler_);
    InstallRendererGeometryServices();
    InstallFontLayerFaces();
    InstallProgressDialogs();
  }
  void TearDown() override {
    delete frame_;
    frame_ = nullptr;
    ResetPrinters();
    override_.reset();
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    test::SettingsFolderTest::TearDown();
  }
  void OpenFrame() {
    frame_ = new TTestyFrameWindow;
    frame_->Attr.X = 30;
    frame_->Attr.Y = 20;
    frame_->Attr.W = 900;
    frame_->Attr.H = 700;
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
    const auto file = files_.Path() / "four.kvn";
    ASSERT_TRUE(test::SaveBytes(file.string(), test::WriteNativeFile(FourPages())));
    ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(file.string())));
    test::Pump(300ms);
  }
  // Ctrl+P through the X server, then the steps one per tick inside the
  // dialog's loop, each given its time (test::StepClock). True when every
  // step ran and the dialog is gone.
  bool RunPrint(std::deque<std::function<bool()>> steps) {
    wxTimer timer;
    test::StepClock clock;
    bool stuck = false;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      if (stuck || steps.empty()) return;
      if (steps.front()()) {
        steps.pop_front();
        clock.Next();
      } else {
        stuck = clock.Expired("the print dialog's steps");
      }
    });
    timer.Start(100);
    const std::string title = frame_->GetPeer()->GetLabel().ToStdString();
    test::Shell(test::XdoOnWindow(Escaped(title), "key ctrl+p"));
    const bool done = test::PumpUntil([&] { return (steps.empty() || stuck) && ModalStack::Depth() == 0; },
                                      test::kStateLimit * (steps.size() + 1)) &&
                      steps.empty();
    timer.Stop();
    if (!done) {
      test::SaveScreenshot("print-stuck.png");
      if (cPrintDialog* d = RunningPrintDialog()) d->CloseWindow(kIdcCancel);
      EXPECT_TRUE(test::PumpUntil([] { return ModalStack::Depth() == 0; })) << "the print dialog stayed";
    }
    return done;
  }
  std::uint32_t Dword(const char16_t* name) {
    return RegReadKey(kHkeyCurrentUser, WString(kProgramRegistryKey)).GetDword(WString(name), 0xFFFFFFFF);
  }

  test::FakeSpooler queues_;
  test::JobSpooler spooler_{queues_};
  std::unique_ptr<ScopedSpoolerOverride> override_;
  // Ctrl+E and Ctrl+P post their commands, which the frame's own loop would dispatch.
  test::DispatchPostedMessages posted_;
  test::ScratchDir files_;
  TTestyFrameWindow* frame_ = nullptr;
};

TEST_F(PrintGuiTest, CtrlPPagesTwoToThreeAndPrintSendThoseTwoPages) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  OpenFrame();
  ASSERT_TRUE(RunPrint({
      [&] { return RunningPrintDialog() != nullptr; },
      [&] {
        cPrintDialog& d = *RunningPrintDialog();
        // Four pages: both range choices show; the dialog opens on the printer.
        EXPECT_TRUE(Visible(d, 5001));
        EXPECT_TRUE(Visible(d, 5002));
        EXPECT_FALSE(Visible(d, 5005));
        EXPECT_FALSE(Visible(d, 9002));
        EXPECT_FALSE(Visible(d, 9003));
        EXPECT_TRUE(Visible(d, 7999));
        test::SaveScreenshot("print-dialog.png");
        ClickRadio(d, 5002);
        return true;
      },
      [&] {
        cPrintDialog& d = *RunningPrintDialog();
        EXPECT_TRUE(Visible(d, 5030));
        EXPECT_TRUE(Visible(d, 5031));
        EXPECT_FALSE(Visible(d, 5032));  // one tile a page
        SetField(d, 5030, 2);
        SetField(d, 5031, 3);
        SetField(d, 16756, 0.3);
        Press(d, kIdcOk);
        return true;
      },
  }));
  ASSERT_EQ(spooler_.jobs.size(), 1u);
  const test::FakeJobRecord& job = *spooler_.jobs[0];
  EXPECT_TRUE(job.finished);
  EXPECT_EQ(test::PdfPageCount(job.pdf), 2);
  EXPECT_EQ(job.request.queue, "TEST");
  // The options are stored, and come back in the next dialog.
  EXPECT_EQ(Dword(u"PRINT_MIN_WI"), 300u);
  EXPECT_EQ(RegReadKey(kHkeyCurrentUser, WString(kProgramRegistryKey))
                .GetString(WString(u"PRINTER_NAME_1110"), WString())
                .ToUtf8(),
            "TEST");
  double shownWidth = 0;
  int shownWhat = -1;
  ASSERT_TRUE(RunPrint({
      [&] { return RunningPrintDialog() != nullptr; },
      [&] {
        cPrintDialog& d = *RunningPrintDialog();
        shownWidth = FieldValue(d, 16756);
        shownWhat = PrintDialogGlobals().what;
        d.CloseWindow(kIdcCancel);
        return true;
      },
  }));
  EXPECT_DOUBLE_EQ(shownWidth, 0.3);
  EXPECT_EQ(shownWhat, kPrintCustom);
  EXPECT_EQ(spooler_.jobs.size(), 1u);  // cancelled: no job
}

// The dialog by itself over a drawing of one page and one tile.
class PrintDialogAloneTest : public PrintGuiTest {
 protected:
  int Run(cPrintDialog& dialog, std::function<void(cPrintDialog&)> check) {
    bool checked = false;
    test::StepClock clock;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      // However the dialog fares, the run ends (a dialog never shown fails
      // the test instead of hanging it).
      if (!checked && clock.Expired("the print dialog") && dialog.GetPeer()) {
        dialog.CloseWindow(kIdcCancel);
        return;
      }
      if (dialog.GetPeer() == nullptr || !dialog.GetPeer()->IsShown()) return;
      if (!checked) {
        checked = true;
        check(dialog);
        return;
      }
      dialog.CloseWindow(kIdcCancel);
    });
    timer.Start(60);
    const int result = dialog.Execute();
    timer.Stop();
    return result;
  }
};

TEST_F(PrintDialogAloneTest, OnePageAndOneTileHideTheRangeChoices) {
  LoadPrinterList();
  test::TiledDrawing tiled(190, 277, 1, 1, 0);
  std::unique_ptr<TFrameWindow> owner(test::NewFrame(WString(u"Owner"), 0, 0, 400, 300));
  ASSERT_TRUE(owner->Create());
  owner->ShowWindow(kSwShow);
  cPrintDialog dialog(owner.get(), tiled.Drawing(), 0, DRect{0, 0, 100, 100});
  bool checked = false;
  Run(dialog, [&checked](cPrintDialog& d) {
    checked = true;
    EXPECT_FALSE(Visible(d, 5001));
    EXPECT_FALSE(Visible(d, 5002));
    EXPECT_TRUE(Visible(d, 5003));
    EXPECT_TRUE(Visible(d, 5004));
    EXPECT_FALSE(Visible(d, 5030));
    EXPECT_FALSE(Visible(d, 5032));
    EXPECT_FALSE(Visible(d, 101));  // no preview hook
    d.CloseWindow(kIdcCancel);
  });
  EXPECT_TRUE(checked);
}

// Default settings choose a shown print range: "All pages and tiles" for a
// drawing of several pages, the current page where it is hidden.
TEST_F(PrintDialogAloneTest, DefaultSettingsChooseAShownRange) {
  LoadPrinterList();
  std::unique_ptr<TFrameWindow> owner(test::NewFrame(WString(u"Owner"), 0, 0, 400, 300));
  ASSERT_TRUE(owner->Create());
  owner->ShowWindow(kSwShow);
  for (int pages : {0, 3}) {
    SCOPED_TRACE(pages);
    test::TiledDrawing tiled(190, 277, 1, 1, pages);
    cPrintDialog dialog(owner.get(), tiled.Drawing(), 0, DRect{0, 0, 100, 100});
    bool checked = false;
    Run(dialog, [&](cPrintDialog& d) {
      checked = true;
      ClickRadio(d, 5004);  // the visible area, then back to the defaults
      Press(d, 1053);
      std::vector<int> chosen;
      for (int id = 5001; id <= 5005; ++id) {
        auto* radio = dynamic_cast<TRadioButton*>(Item(d, id));
        if (radio && radio->GetCheck() == kBstChecked) {
          chosen.push_back(id);
          EXPECT_TRUE(Visible(d, id)) << id << " is chosen but hidden";
        }
      }
      EXPECT_EQ(chosen, std::vector<int>{pages > 1 ? 5001 : 5003});
      d.CloseWindow(kIdcCancel);
    });
    EXPECT_TRUE(checked);
  }
}

TEST_F(PrintDialogAloneTest, CzechAndSlovak) {
  LoadPrinterList();
  test::TiledDrawing tiled(190, 277, 2, 1, 3);
  std::unique_ptr<TFrameWindow> owner(test::NewFrame(WString(u"Owner"), 0, 0, 400, 300));
  ASSERT_TRUE(owner->Create());
  owner->ShowWindow(kSwShow);
  for (int language : {kLanguageCzech, kLanguageSlovak}) {
    SetLanguageIndex(language);
    InvalidateLangTable();
    cPrintDialog dialog(owner.get(), tiled.Drawing(), 0, DRect{0, 0, 100, 100});
    std::string title, allPages;
    const int result = Run(dialog, [&](cPrintDialog& d) {
      title = d.GetPeer()->GetLabel().ToStdString(wxConvUTF8);
      allPages = ControlText(d, 5001);
      test::SaveScreenshot(language == kLanguageCzech ? "print-dialog-cs.png" : "print-dialog-sk.png");
      d.CloseWindow(kIdcCancel);
    });
    EXPECT_EQ(result, int(kIdcCancel));
    EXPECT_EQ(title, language == kLanguageCzech ? "Tisk" : "Tlač");
    EXPECT_NE(allPages.find(language == kLanguageCzech ? "stránky a dlaždice" : "stránky a dlaždice"),
              std::string::npos)
        << allPages;
  }
}

// ---- a long page over a drawing window that is slow to repaint ------------------------------

// Print to file into a set path, the progress window made first as the
// save dialog does.
class PathChooser final : public PrintFileChooser {
 public:
  explicit PathChooser(std::filesystem::path path) : path_(std::move(path)), previous_(SetPrintFileChooser(this)) {}
  ~PathChooser() override { SetPrintFileChooser(previous_); }
  bool ChooseFile(ProgressMonitor& monitor, const WString&, DialogFolder&, const WString&, const WString&,
                  WString& chosen) override {
    monitor.EnsureWindow();
    chosen = WString::FromUtf8(path_.string());
    return true;
  }

 private:
  std::filesystem::path path_;
  PrintFileChooser* previous_;
};

// A page of the slow drawing (test::OpenSlowDrawing: held until it is
// cancelled, over a drawing window that takes seconds to repaint), by the
// vector road, the bitmap road and to a file: its progress window is painted
// within 1 s of appearing although the drawing window behind must repaint
// then, and a Cancel that comes while it repaints again is answered within
// 1 s. The job is cancelled and nothing is left.
TEST_F(PrintGuiTest, ALongPageIsPaintedAndHeardWhileTheDrawingRepaints) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  cVectorWindow* drawing = test::OpenSlowDrawing(frame_, files_.Path());
  ASSERT_NE(drawing, nullptr);
  test::AnsweringBoxes boxes(50ms);
  SetMessageBoxBackend(&boxes);
  struct BoxesOff {
    ~BoxesOff() { SetMessageBoxBackend(nullptr); }
  } boxesOff;
  const auto printed = files_.Path() / "placed.prn";
  PathChooser chooser(printed);
  struct Road {
    const char* name;
    int mode;  // 4201 bitmap, 4202 vector graphics
    bool toFile;
  };
  for (const Road road : {Road{"vector", 4202, false}, Road{"bitmap", 4201, false}, Road{"file", 4202, true}}) {
    SCOPED_TRACE(road.name);
    const std::size_t jobs = spooler_.jobs.size();
    const std::size_t said = boxes.texts.size();
    test::FirstPaintWatch watch;
    test::ProgressWindowTimes times;
    std::deque<std::function<bool()>> steps = {
        [&] { return RunningPrintDialog() != nullptr; },
        [&] {
          cPrintDialog& d = *RunningPrintDialog();
          ClickRadio(d, road.mode);
          if (auto* toFile = dynamic_cast<TCheckBox*>(Item(d, 1040))) toFile->SetCheck(road.toFile ? 1 : 0);
          Press(d, kIdcOk);
          return true;
        },
    };
    // The job runs once the dialog has gone; nothing modal is left once it
    // has ended.
    for (auto& step : test::CancelThroughProgressWindow(drawing->GetPeer(), watch, boxes, times,
                                                        [] { return ModalStack::Depth() == 0; }))
      steps.push_back(std::move(step));
    ASSERT_TRUE(RunPrint(std::move(steps)));
    ASSERT_FALSE(times.endedFirst) << "the page ended before it could be cancelled: no progress window came while it "
                                      "was drawn";
    ASSERT_TRUE(times.painted && times.answered);
    EXPECT_LE(*times.painted, test::kHeardWithin) << "the progress window stayed an empty frame";
    EXPECT_LE(*times.answered, test::kHeardWithin) << "the click on Cancel waited";
    std::printf("%s: painted %lld ms after it appeared, Cancel answered after %lld ms\n", road.name,
                static_cast<long long>(times.painted->count()), static_cast<long long>(times.answered->count()));
    EXPECT_TRUE(std::any_of(boxes.texts.begin() + std::ptrdiff_t(said), boxes.texts.end(),
                            [](const WString& t) { return t.ToUtf8() == "Printing canceled"; }))
        << "the job did not say that it was cancelled";
    if (road.toFile) {
      EXPECT_FALSE(std::filesystem::exists(printed)) << "the cancelled file was left";
    } else {
      ASSERT_EQ(spooler_.jobs.size(), jobs + 1);
      EXPECT_TRUE(spooler_.jobs.back()->cancelled);
    }
  }
}

// ---- against the test CUPS server (cupsd-fixture.sh) ----------------------------------------

bool CupsServerRunning() { return test::Shell("lpstat -r 2>/dev/null").find("is running") != std::string::npos; }

// The PDF of the job titled `prefix...` in the A4 queue's Out folder, once
// the job has ended (test::WaitForCupsPdf); empty with the reason in `why`.
std::filesystem::path WaitForCupsPdf(const std::string& prefix, std::string& why) {
  return test::WaitForCupsPdf(test::CupsTestQueue(), prefix, std::chrono::seconds(240), &why,
                              [] { test::Pump(200ms); });
}

// Red pixels of page `page` at 20 dpi.
int RedPixels(const std::filesystem::path& pdf, int page) {
  const std::string ppm = test::Shell("pdftoppm -r 20 -aa no -f " + std::to_string(page) + " -l " +
                                      std::to_string(page) + " '" + pdf.string() + "' 2>/dev/null");
  // P6, width, height, 255, then the pixels.
  std::istringstream in(ppm);
  std::string magic;
  int width = 0, height = 0, depth = 0;
  in >> magic >> width >> height >> depth;
  in.get();
  if (magic != "P6" || width <= 0 || height <= 0) return -1;
  const std::size_t start = std::size_t(in.tellg());
  int red = 0;
  for (std::size_t i = start; i + 2 < ppm.size(); i += 3) {
    const auto r = std::uint8_t(ppm[i]), g = std::uint8_t(ppm[i + 1]), b = std::uint8_t(ppm[i + 2]);
    if (r > 180 && g < 90 && b < 90) ++red;
  }
  return red;
}

class PrintCupsGuiTest : public PrintGuiTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    ResetPrinters();
    PrintDialogGlobals() = PrintDialogOptions{};
    DefaultMargins() = Margins{};
    InstallRendererGeometryServices();
    InstallFontLayerFaces();
    InstallProgressDialogs();
  }
};

TEST_F(PrintCupsGuiTest, CtrlPPagesTwoToThreeArriveAsTwoA4PagesOfTheDrawing) {
  const char* ci = std::getenv("CI");
  const bool mustRun = ci && std::string(ci) == "true";
  if (!CupsServerRunning() || !test::HaveXdotool()) {
    if (mustRun) FAIL() << "no CUPS server or no xdotool, and CI=true";
    GTEST_SKIP() << "no CUPS server (tests/print/cupsd-fixture.sh) or no xdotool";
  }
  // The job's title is the file's name: a name of this run's own.
  const std::string name = "kvnprintgui" + std::to_string(::getpid());
  frame_ = new TTestyFrameWindow;
  frame_->Attr.X = 30;
  frame_->Attr.Y = 20;
  frame_->Attr.W = 900;
  frame_->Attr.H = 700;
  ASSERT_TRUE(frame_->Create());
  frame_->ShowWindow(kSwShow);
  const auto file = files_.Path() / (name + ".kvn");
  ASSERT_TRUE(test::SaveBytes(file.string(), test::WriteNativeFile(FourPages())));
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(file.string())));
  test::Pump(300ms);
  ASSERT_TRUE(RunPrint({
      [&] { return RunningPrintDialog() != nullptr; },
      [&] {
        cPrintDialog& d = *RunningPrintDialog();
        auto* printers = dynamic_cast<TComboBox*>(Item(d, 7999));
        EXPECT_NE(printers, nullptr);
        if (printers) {
          const int queue = FindPrinterIndex(WString::FromUtf8(test::CupsTestQueue()));
          EXPECT_GE(queue, 0);
          printers->SetSelIndex(queue);
        }
        ClickRadio(d, 5002);
        return true;
      },
      [&] {
        cPrintDialog& d = *RunningPrintDialog();
        SetField(d, 5030, 2);
        SetField(d, 5031, 3);
        Press(d, kIdcOk);
        return true;
      },
  }));
  std::string why;
  const std::filesystem::path pdf = WaitForCupsPdf(name, why);
  ASSERT_FALSE(pdf.empty()) << "no PDF arrived: " << why;
  const std::string info = test::Shell("pdfinfo '" + pdf.string() + "'");
  const std::size_t pages = info.find("Pages:");
  ASSERT_NE(pages, std::string::npos) << info;
  EXPECT_EQ(std::atoi(info.c_str() + pages + 6), 2) << info;
  EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
  EXPECT_GT(RedPixels(pdf, 1), 20);
  EXPECT_GT(RedPixels(pdf, 2), 20);
  EXPECT_EQ(RegReadKey(kHkeyCurrentUser, WString(kProgramRegistryKey))
                .GetString(WString(u"PRINTER_NAME_1110"), WString())
                .ToUtf8(),
            test::CupsTestQueue());
  std::filesystem::remove(pdf);
}

// A page of the slow drawing, held until it is cancelled (test::
// OpenSlowDrawing): its progress window comes up painted while the page is
// drawn; a click on Cancel, confirmed, stops the page: the queue's job is
// cancelled, no PDF arrives, and the user reads why.
TEST_F(PrintCupsGuiTest, ALongPageShowsItsProgressAndACancelPartWayPrintsNothing) {
  const char* ci = std::getenv("CI");
  const bool mustRun = ci && std::string(ci) == "true";
  if (!CupsServerRunning() || !test::HaveXdotool()) {
    if (mustRun) FAIL() << "no CUPS server or no xdotool, and CI=true";
    GTEST_SKIP() << "no CUPS server (tests/print/cupsd-fixture.sh) or no xdotool";
  }
  // The job's title is the file's name: a name of this run's own.
  const std::string name = "kvnprintcancel" + std::to_string(::getpid());
  ASSERT_NE(test::OpenSlowDrawing(frame_, files_.Path(), name), nullptr);
  test::AnsweringBoxes boxes(50ms);
  SetMessageBoxBackend(&boxes);

  // The job's progress window, while the job runs (the steps below run in
  // its message pump, one per tick); once the page has ended there is none.
  TMyAbortWindow* progress = nullptr;
  bool endedFirst = false;
  const auto running = [&] {
    progress = dynamic_cast<TMyAbortWindow*>(ModalStack::Top());
    endedFirst = endedFirst || !progress;
    return progress != nullptr;
  };
  // Nothing modal is left once the job has ended: a state that has not come
  // by then never will.
  const auto over = [&] {
    endedFirst = endedFirst || ModalStack::Depth() == 0;
    return endedFirst;
  };
  const auto said = [&boxes](const char* text) {
    return std::any_of(boxes.texts.begin(), boxes.texts.end(), [text](const WString& t) { return t.ToUtf8() == text; });
  };
  const auto shot = test::ArtifactDir() / "print-progress.png";
  bool grabbing = false;
  const bool ran = RunPrint({
      [&] { return RunningPrintDialog() != nullptr; },
      [&] {
        cPrintDialog& d = *RunningPrintDialog();
        auto* printers = dynamic_cast<TComboBox*>(Item(d, 7999));
        EXPECT_NE(printers, nullptr);
        if (printers) printers->SetSelIndex(FindPrinterIndex(WString::FromUtf8(test::CupsTestQueue())));
        ClickRadio(d, 4202);  // "Print to a vector graphics"
        Press(d, kIdcOk);
        return true;
      },
      // The page is being drawn once the job's progress window is up.
      [&] {
        progress = dynamic_cast<TMyAbortWindow*>(ModalStack::Top());
        return (progress && progress->GetPeer() && progress->GetPeer()->IsShown()) || over();
      },
      [&] {
        if (!running()) return true;
        // Its detail line is written once the window's first round of
        // messages is done; the screen is looked at from then on.
        if (progress->GetDetailText()->GetText().IsEmpty()) return false;
        if (!grabbing) {
          test::StartScreenGrab(shot);
          grabbing = true;
          return false;
        }
        if (!std::filesystem::exists(shot)) return false;
        grabbing = false;
        const test::Screen screen = test::ReadScreen(shot);
        wxWindow* dialog = progress->GetPeer();
        return test::ShowsTextOnScreen(screen, dialog->FindWindow(kIdProgressDone)) &&
               test::ShowsTextOnScreen(screen, progress->GetDetailText()->GetPeer()) &&
               test::ShowsTextOnScreen(screen, progress->GetCancelButton()->GetPeer());
      },
      [&] {
        if (!running()) return true;
        const wxRect cancel = progress->GetCancelButton()->GetPeer()->GetScreenRect();
        test::Shell("xdotool " + test::PointerTo(cancel.x + cancel.width / 2, cancel.y + cancel.height / 2) + " click 1");
        return true;
      },
      // The question is answered OK by the boxes; then the job ends.
      [&] { return said("Terminate a function?") || over(); },
      [&] { return said("Printing canceled") || ModalStack::Depth() == 0; },
  });
  SetMessageBoxBackend(nullptr);
  ASSERT_TRUE(ran);
  ASSERT_FALSE(endedFirst) << "the page ended before it could be cancelled: its progress window was not answered while "
                                  "it was drawn";
  EXPECT_TRUE(said("Printing canceled")) << "the job did not say that it was cancelled";
  std::string why;
  const std::filesystem::path pdf = WaitForCupsPdf(name, why);
  EXPECT_TRUE(pdf.empty()) << "the cancelled page was printed: " << pdf;
  EXPECT_EQ(test::Shell("lpstat -o '" + test::CupsTestQueue() + "' 2>/dev/null"), "") << "the job stayed queued";
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
