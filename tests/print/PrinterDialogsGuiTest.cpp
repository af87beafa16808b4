// The printer and paper dialogs on a private X display against the test
// CUPS server (cupsd-fixture.sh: this build's A4 and US Letter queues), in
// English and Czech: the paper dialog lists a queue's papers and refills for
// another queue, OK with another printer asks string 1165; the properties
// dialog changes the settings on OK only; a typed format is recognised as a
// paper with its orientation; without a server the printer controls are
// disabled. Keys go through the X server with xdotool.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/timer.h>

#include <cstdlib>
#include <deque>
#include <functional>
#include <string>
#include <sstream>
#include <unistd.h>

#include "foundation/LangTable.h"
#include "foundation/Registry.h"
#include "foundation/TextFormat.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/WxText.h"
#include "print/PrinterData.h"
#include "print/dialogs/PageFormatDialog.h"
#include "print/dialogs/PaperDialog.h"
#include "print/dialogs/PrinterProperties.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/print/FakeSpooler.h"
#include "tests/support/TestQueues.h"

namespace kvn {
namespace {

bool ServerRunning() { return test::Shell("lpstat -r 2>/dev/null").find("is running") != std::string::npos; }

#define KVN_REQUIRE_CUPS_AND_XDOTOOL()                                                                   \
  do {                                                                                                   \
    const char* ci = std::getenv("CI");                                                                  \
    const bool mustRun = ci && std::string(ci) == "true";                                                \
    if (!ServerRunning()) {                                                                              \
      if (mustRun) FAIL() << "no CUPS server, and CI=true: printing must be tested";                      \
      GTEST_SKIP() << "no CUPS server: run tests/print/cupsd-fixture.sh start <folder> as root";        \
    }                                                                                                    \
    if (!test::HaveXdotool()) {                                                                          \
      if (mustRun) FAIL() << "xdotool missing, and CI=true";                                             \
      GTEST_SKIP() << "xdotool is not installed";                                                        \
    }                                                                                                    \
  } while (0)

// Runs the dialog modally and the steps inside its loop, one per tick once
// it is shown; a step returns false to be asked again at the next tick.
int RunSteps(TDialog& dialog, std::deque<std::function<bool()>> steps) {
  test::StepClock clock;
  bool timedOut = false;
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    wxWindow* peer = dialog.GetPeer();
    if (peer == nullptr || !peer->IsShown()) return;
    if (clock.Expired("the dialog's steps")) {
      timedOut = true;
      timer.Stop();
      dialog.CloseWindow(kIdcCancel);
      return;
    }
    if (!steps.empty() && steps.front()()) {
      steps.pop_front();
      clock.Next();
    }
  });
  timer.Start(60);
  const int result = dialog.Execute();
  timer.Stop();
  EXPECT_FALSE(timedOut) << "the dialog did not close by itself";
  return result;
}

// The X window of a dialog of this process: xdotool cannot read a window
// name with characters outside Latin-1 in the C locale, so the dialog is
// found among the process's visible windows as the one that is not the
// owner frame ("Owner"). Empty until the X server shows it.
std::string DialogXWindow() {
  const std::string ids =
      test::Shell("xdotool search --onlyvisible --pid " + std::to_string(::getpid()) + " 2>/dev/null");
  std::istringstream lines(ids);
  for (std::string id; std::getline(lines, id);) {
    if (!id.empty() && test::Shell("xdotool getwindowname " + id + " 2>/dev/null") != "Owner") return id;
  }
  return std::string();
}

// Gives the X focus to the dialog (there is no window manager to give it).
bool FocusDialog() {
  const std::string id = DialogXWindow();
  if (id.empty()) return false;
  return std::system(("timeout 10 xdotool windowfocus --sync " + id + " >/dev/null 2>&1").c_str()) == 0;
}

// Return on the dialog's default button, through the X server.
bool PressReturn() {
  EXPECT_TRUE(FocusDialog());
  EXPECT_EQ(std::system("timeout 10 xdotool key Return >/dev/null 2>&1"), 0);
  return true;
}

int IndexOfQueue(const std::string& name) {
  LoadPrinterList();
  return FindPrinterIndex(WString::FromUtf8(name));
}

class PrinterDialogsGuiTest : public test::SettingsFolderTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    SetLanguageIndex(GetParam());
    InvalidateLangTable();
    ResetPrinters();
    PrintQualityGlobals() = PrintQuality{};
    SetMessageBoxBackend(&boxes_);
    frame_ = test::NewFrame(WString(u"Owner"), 60, 40, 900, 700);
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
  }
  void TearDown() override {
    delete frame_;
    SetMessageBoxBackend(nullptr);
    ResetPrinters();
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    test::SettingsFolderTest::TearDown();
  }
  static void ChooseInCombo(TComboBox& combo, int index) {
    combo.SetSelIndex(index);
    combo.OnToolkitSelect();
  }

  test::AnsweringBoxes boxes_{std::chrono::milliseconds(50)};
  TFrameWindow* frame_ = nullptr;
};

TEST_P(PrinterDialogsGuiTest, PaperDialogListsTheQueuesPapersAndAnotherPrinterAsks1165) {
  KVN_REQUIRE_CUPS_AND_XDOTOOL();
  RegWriteKey(kHkeyCurrentUser, WString(kProgramRegistryKey)).SetString(u"PRINTER_NAME_1110", WString::FromUtf8(test::CupsTestQueue()));
  const int test = IndexOfQueue(test::CupsTestQueue()), letter = IndexOfQueue(test::CupsLetterQueue());
  ASSERT_GE(test, 0);
  ASSERT_GE(letter, 0);
  ASSERT_EQ(GetChosenPrinter().index, test);
  int paperId = 9;
  PaperSizeMm size;
  DPoint margins;
  TDialogPaper d(frame_, TDialogPaper::kResourceId, &paperId, &size, &margins);
  PrinterInfo* testQueue = GetPrinterList().At(test);
  const int result = RunSteps(
      d, {[&] {
            EXPECT_EQ(d.printers->GetCount(), GetPrinterList().Count());
            EXPECT_EQ(d.printers->GetSelIndex(), test);
            EXPECT_EQ(d.papers->GetCount(), int(testQueue->Papers().size()));
            const int a4 = testQueue->IndexOfPaper(9);
            EXPECT_GE(a4, 0);
            EXPECT_EQ(d.papers->GetSelIndex(), a4);
            EXPECT_NE(d.papers->GetString(a4).ToUtf8().find("(209 x297 mm)"), std::string::npos)
                << d.papers->GetString(a4).ToUtf8();
            EXPECT_EQ(d.sizeText->GetText(), FormatPercentD2(d.sizeText->pattern, 210, 297));
            test::SaveScreenshot("paper-dialog-test-" + std::to_string(GetParam()) + ".png");
            return true;
          },
          [&] {
            ChooseInCombo(*d.printers, letter);
            PrinterInfo* letterQueue = GetPrinterList().At(letter);
            EXPECT_EQ(d.papers->GetCount(), int(letterQueue->Papers().size()));
            for (int i = 0; i < d.papers->GetCount(); ++i)
              EXPECT_NE(d.papers->GetString(i).ToUtf8().find(letterQueue->Papers()[std::size_t(i)]->name.ToUtf8()),
                        std::string::npos);
            EXPECT_EQ(letterQueue->GetDevMode()->paperSize, 1);  // the queue's default: Letter
            // The dialog's paper stays chosen when the printer has it.
            EXPECT_EQ(d.papers->GetSelIndex(), letterQueue->IndexOfPaper(9));
            d.papers->SetSelIndex(letterQueue->IndexOfPaper(1));
            d.ShowPaperInfo();
            EXPECT_EQ(d.paperId, 1);
            EXPECT_NEAR(d.size.width, 215.9, 0.2);
            test::SaveScreenshot("paper-dialog-letter-" + std::to_string(GetParam()) + ".png");
            return true;
          },
          [] { return PressReturn(); }});
  EXPECT_EQ(result, int(kIdcOk));
  ASSERT_EQ(boxes_.texts.size(), 1u);
  EXPECT_EQ(boxes_.texts[0], LoadLangString(1165));
  EXPECT_EQ(boxes_.captions[0], LoadLangString(1173));
  EXPECT_EQ(GetChosenPrinter().index, letter);
  EXPECT_EQ(RegReadKey(kHkeyCurrentUser, WString(kProgramRegistryKey)).GetString(u"PRINTER_NAME_1110", WString()),
            WString::FromUtf8(test::CupsLetterQueue()));
  EXPECT_EQ(paperId, 1);
  EXPECT_NEAR(size.height, 279.4, 0.2);
}

// Finds the open properties dialog among the top-level windows.
TPrinterPropertiesDialog* OpenProperties() {
  for (wxWindow* w : wxTopLevelWindows) {
    if (!w->IsShown()) continue;
    if (auto* d = dynamic_cast<TPrinterPropertiesDialog*>(TWindow::FromPeer(w))) return d;
  }
  return nullptr;
}

TEST_P(PrinterDialogsGuiTest, PropertiesDialogChangesTheSettingsOnOkOnly) {
  KVN_REQUIRE_CUPS_AND_XDOTOOL();
  PrinterInfo* printer = GetPrinterList().At(IndexOfQueue(test::CupsTestQueue()));
  ASSERT_NE(printer, nullptr);
  const PrinterSettings before = *printer->GetDevMode();
  auto chooseA3 = [&](bool ok) {
    wxTimer timer;
    int ticks = 0;
    bool chosen = false, focused = false, pressed = false;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      TPrinterPropertiesDialog* d = OpenProperties();
      if (!d || !d->GetPeer()->IsShown() || pressed) return;
      if (!chosen) {
        for (int i = 0; i < d->media->GetCount(); ++i) {
          if (d->media->GetString(i) == u"A3") ChooseInCombo(*d->media, i);
        }
        EXPECT_EQ(d->media->GetString(d->media->GetSelIndex()), u"A3");
        chosen = true;
      } else if (++ticks < 5) {
        // mapped by the X server meanwhile
      } else if (!focused) {
        if (!FocusDialog()) return;
        d->media->SetFocus();
        focused = d->GetFocusedControlId() == 2101;
      } else {
        pressed = true;
        const std::string key = ok ? "Return" : "Escape";
        EXPECT_EQ(std::system(("timeout 10 xdotool key " + key + " >/dev/null 2>&1").c_str()), 0);
      }
    });
    timer.Start(80);
    const bool replaced = RunPrinterProperties(frame_, *printer);
    timer.Stop();
    return replaced;
  };
  EXPECT_FALSE(chooseA3(false));
  EXPECT_EQ(*printer->GetDevMode(), before);
  EXPECT_TRUE(chooseA3(true));
  EXPECT_EQ(printer->GetDevMode()->media.rfind("iso_a3_297x420mm", 0), 0u) << printer->GetDevMode()->media;
  MyPrinterDataStruct__ record;
  record.Update(printer);
  EXPECT_NEAR(record.paperWidth, 297, 0.5);
  EXPECT_NEAR(record.paperHeight, 420, 0.5);
  EXPECT_EQ(record.devmodeCopy->paperSize, 8);
}

TEST_P(PrinterDialogsGuiTest, TypedFormatIsRecognisedAsA4Landscape) {
  // The paper choice list needs no printer.
  if (!test::HaveXdotool()) {
    const char* ci = std::getenv("CI");
    if (ci && std::string(ci) == "true") FAIL() << "xdotool missing, and CI=true";
    GTEST_SKIP() << "xdotool is not installed";
  }
  PaperSizeMm format{100, 100};
  DPoint margins{10, 20};
  cNewPrintPageFormat d(frame_, &format, &margins);
  // Without a window manager the X focus is given to the dialog first;
  // the toolkit's focus then goes to the field, and the keys follow.
  auto keys = [](const std::string& command) {
    EXPECT_EQ(std::system(("timeout 10 xdotool " + command + " >/dev/null 2>&1").c_str()), 0);
  };
  auto focusField = [&](TWindow* field, int id) {
    return [&d, field, id] {
      field->SetFocus();
      return d.GetFocusedControlId() == id;
    };
  };
  const int result = RunSteps(d, {[&] {
                                    EXPECT_EQ(d.papers->GetSelIndex(), -1);
                                    EXPECT_FALSE(d.landscape->IsWindowVisible());
                                    EXPECT_GT(d.papers->GetCount(), 60);
                                    return true;
                                  },
                                  // Once the X server shows the dialog, it gets the X focus.
                                  [] { return FocusDialog(); },
                                  focusField(d.width, 3620),
                                  [&] {
                                    keys("key ctrl+a");
                                    keys("type --delay 30 297");
                                    return true;
                                  },
                                  [&] { return d.width->GetText() == u"297"; },
                                  focusField(d.height, 3621),
                                  [&] {
                                    keys("key ctrl+a");
                                    keys("type --delay 30 210");
                                    return true;
                                  },
                                  [&] { return d.height->GetText() == u"210"; },
                                  [&] {
                                    const int sel = d.papers->GetSelIndex();
                                    EXPECT_GE(sel, 0);
                                    if (sel >= 0) {
                                      EXPECT_EQ(d.papers->GetItemData(sel), 9);
                                    }
                                    EXPECT_EQ(d.orientation, 1);
                                    EXPECT_EQ(d.landscape->GetCheck(), kBstChecked);
                                    EXPECT_TRUE(d.landscape->IsWindowVisible());
                                    test::SaveScreenshot("page-format-" + std::to_string(GetParam()) + ".png");
                                    // Portrait turns the format and the margins.
                                    d.portrait->Click();
                                    EXPECT_EQ(d.width->GetValue(), 210);
                                    EXPECT_EQ(d.marginX->GetValue(), 20);
                                    return true;
                                  },
                                  focusField(d.width, 3620),
                                  [&] {
                                    keys("key Return");
                                    return true;
                                  }});
  EXPECT_EQ(result, int(kIdcOk));
  EXPECT_EQ(format.width, 210);
  EXPECT_EQ(format.height, 297);
  EXPECT_EQ(margins.x, 20);
  EXPECT_EQ(margins.y, 10);
}

TEST_P(PrinterDialogsGuiTest, WithoutAServerThePrinterControlsAreDisabled) {
  ::setenv("CUPS_SERVER", "/nonexistent/kvn-cups.sock", 1);
  cupsSetServer(nullptr);
  int paperId = 9;
  TDialogPaper d(frame_, TDialogPaper::kResourceId, &paperId, nullptr, nullptr);
  int index = -1;
  PrinterComboClass* combo = CreatePrinterControls(&d, &index, nullptr, false, 0, 10, 10, 150, 60, 24);
  const int result = RunSteps(d, {[&] {
                                    EXPECT_EQ(GetPrinterList().Count(), 0);
                                    EXPECT_FALSE(d.printers->IsWindowEnabled());
                                    EXPECT_FALSE(combo->IsWindowEnabled());
                                    EXPECT_FALSE(combo->button->IsWindowEnabled());
                                    EXPECT_FALSE(d.papers->IsWindowVisible());
                                    EXPECT_EQ(d.sizeText->GetText(),
                                              FormatPercentD2(d.sizeText->pattern, 210, 297));
                                    return true;
                                  },
                                  [&] {
                                    d.CloseWindow(kIdcCancel);
                                    return true;
                                  }});
  EXPECT_EQ(result, int(kIdcCancel));
  ::unsetenv("CUPS_SERVER");
  cupsSetServer(nullptr);
}

// The controls as objects, before any window exists, on a fake spooler.
class PrinterControlsTest : public test::SettingsFolderTest, public test::PrinterTestBase {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    test::FakeQueue q;
    q.name = "Plotter";
    q.media = {test::Medium("iso_a4_210x297mm", "A4", 21000, 29700),
               test::Medium("roll_wide", "Roll", 91400, 120000, 500, 500, 500, 500),
               test::Medium("custom_none", "No size", 0, 0)};
    q.defaults = test::DefaultsFor("iso_a4_210x297mm");
    spooler.queues.push_back(q);
    frame_ = test::NewFrame(WString(u"Owner"), 0, 0, 400, 300);
  }
  void TearDown() override {
    delete frame_;
    test::SettingsFolderTest::TearDown();
  }
  TFrameWindow* frame_ = nullptr;
};

TEST_F(PrinterControlsTest, PaperListShowsDriverIdsAndNoSizeForAnUnmeasurablePaper) {
  LoadPrinterList();
  TListBox list(frame_, 2000, 0, 0, 100, 100);
  FillPrinterPaperList(GetPrinterList().At(0), list);
  ASSERT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.GetString(0), u"[257] No size");
  EXPECT_EQ(list.GetString(1), u"A4  (210 x297 mm)");
  EXPECT_EQ(list.GetString(2), u"[256] Roll  (914 x1200 mm)");
  FillPrinterPaperList(nullptr, list);
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_FALSE(list.IsWindowVisible());
}

TEST_F(PrinterControlsTest, ResolutionComboShowsTheDpiFieldForTheUserEntryOnly) {
  double dpi = 300;
  int entry = -1;
  TDialogTr dialog(frame_, TDialogPaper::kResourceId);
  cResolutionComboClass* combo = CreateResolutionControls(&dialog, 3000, &dpi, 2400, &entry);
  EXPECT_EQ(entry, 2);
  combo->FillList(combo->itemText);
  ASSERT_EQ(combo->GetCount(), 6);
  EXPECT_EQ(combo->GetString(4), u"1200 DPI - very high resolution");
  combo->SetSelIndex(5);
  combo->UpdateField();
  EXPECT_TRUE(combo->dpiField->IsWindowEnabled());
  combo->SetSelIndex(2);
  combo->UpdateField();
  EXPECT_FALSE(combo->dpiField->IsWindowEnabled());
  EXPECT_EQ(combo->dpiField->GetValue(), 300);
  EXPECT_EQ(cResolutionComboClass::EntryOfResolution(1200), 4);
  EXPECT_EQ(cResolutionComboClass::EntryOfResolution(333), 5);
}

INSTANTIATE_TEST_SUITE_P(Languages, PrinterDialogsGuiTest, ::testing::Values(kLanguageEnglish, kLanguageCzech),
                         [](const ::testing::TestParamInfo<int>& param) {
                           return param.param == kLanguageEnglish ? std::string("English") : std::string("Czech");
                         });

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
