// The export command in the main frame on a private X display: Ctrl+E
// (through the X server, xdotool) opens the save chooser with the export
// options; the BMP filter shows the colour combo and the smoothing check box,
// the EMF filter hides them; a typed name and Save write the file and keep
// the settings; a long export of twelve pages shows the progress dialog; the
// options speak Czech when the program does. Screenshots go to
// $KVN_GUI_ARTIFACTS.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <wx/filedlg.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "app/AppGlobals.h"
#include "app/ProgressDialog.h"
#include "app/TestyFrameWindow.h"
#include "foundation/DialogFolder.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "foundation/ModalStack.h"
#include "foundation/MsgBox.h"
#include "foundation/Registry.h"
#include "platform/fonts/FontLayerFaces.h"
#include "platform/gdi/TDib.h"
#include "platform/ui/ControlButtons.h"
#include "print/dialogs/ExportDialog.h"
#include "print/export/ExportDrawing.h"
#include "print/export/ExportSettings.h"
#include "render/GeometryServicesImpl.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Twelve pages, each with a fan of lines and a filled area's worth of
// strokes, over 260 x 180 mm.
test::FixtureDocument TwelvePages() {
  test::FixtureDocument plan;
  test::FixtureSheet sheet;
  sheet.name = u"Plan";
  for (int p = 0; p < 12; ++p) {
    test::FixturePage page;
    page.name = u"Floor " + std::u16string(1, char16_t(u'A' + p));
    page.color = 0x80000000;
    sheet.pages.push_back(page);
    for (int i = 0; i < 40; ++i) {
      test::FixtureLine l;
      l.start = {0, 0};
      l.end = {260.0 - 6 * i, 180.0 - 4 * (39 - i)};
      l.page = std::uint16_t(p);
      l.color = std::uint32_t(0x0000FF + 0x000600 * i);
      l.width = 0.5;
      sheet.lines.push_back(l);
    }
  }
  plan.sheets.push_back(sheet);
  return plan;
}

bool Visible(TExportDialog& d, int id) {
  TWindow* w = d.Option(id);
  return w != nullptr && w->IsWindowVisible();
}

wxFileDialog* ChooserOf(TOpenSaveDialogMy& dialog) {
  return dialog.Extra() && dialog.Extra()->GetPeer() ? dynamic_cast<wxFileDialog*>(dialog.Extra()->GetPeer()->GetParent())
                                                      : nullptr;
}

// The name typed into the GTK chooser (the toolkit has no getter for it).
std::string TypedName(wxFileDialog& chooser) {
  using GetName = char* (*)(void*);
  const auto getName = reinterpret_cast<GetName>(dlsym(RTLD_DEFAULT, "gtk_file_chooser_get_current_name"));
  const auto release = reinterpret_cast<void (*)(void*)>(dlsym(RTLD_DEFAULT, "g_free"));
  if (!getName || !release) return std::string();
  char* name = getName(chooser.GetHandle());
  std::string out = name ? name : "";
  release(name);
  return out;
}

// Neither Return in the name field nor a click on Save ends the GTK chooser
// on a display without a window manager; the chooser's own OK command, which
// both lead to, is given to it instead.
void PressSave(TOpenSaveDialogMy& dialog) {
  wxWindow* chooser = ChooserOf(dialog);
  if (chooser == nullptr) return;
  wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
  ok.SetEventObject(chooser);
  chooser->GetEventHandler()->ProcessEvent(ok);
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// A title as xdotool's --name pattern (a regular expression) matches it.
std::string Escaped(const std::string& title) {
  std::string out;
  for (char c : title) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) out += '\\';
    out += c;
  }
  return out;
}

class ExportGuiTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
    InstallRendererGeometryServices();
    InstallFontLayerFaces();
    InstallProgressDialogs();
    // Each test starts from "Actual page", whichever export ran before it.
    ExportExtentChoices::OfThisRun() = ExportExtentChoices{};
    // The chooser opens in the test's folder.
    RegWriteKey(kHkeyCurrentUser, WString(kProgramRegistryKey))
        .SetString(WString(kExportDialogFolder), WString::FromUtf8(out_.Path().string() + "/"));
    frame_ = new TTestyFrameWindow;
    frame_->Attr.X = 30;
    frame_->Attr.Y = 20;
    frame_->Attr.W = 900;
    frame_->Attr.H = 700;
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
    const fs::path file = files_.Path() / "twelve.kvn";
    ASSERT_TRUE(test::SaveBytes(file.string(), test::WriteNativeFile(TwelvePages())));
    ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(file.string())));
    test::Pump(300ms);
  }
  void TearDown() override {
    delete frame_;
    frame_ = nullptr;
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    test::SettingsFolderTest::TearDown();
  }

  // Ctrl+E to the frame through the X server, then the steps one per tick
  // of the toolkit's loop (inside the chooser's and the export's loops); a
  // step answers false to be asked again, each for its time
  // (test::StepClock). After the last step the export itself gets
  // `exportLimit` to end. True when every step ran and the chooser closed.
  bool RunExport(std::deque<std::function<bool()>> steps, std::chrono::seconds exportLimit = test::kStateLimit) {
    wxTimer timer;
    test::StepClock clock;
    bool stuck = false;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      if (stuck || steps.empty()) return;
      if (steps.front()()) {
        steps.pop_front();
        clock.Next();
      } else {
        stuck = clock.Expired("the export's steps");
      }
    });
    timer.Start(100);
    // A long export keeps its modal windows open past the watchdog's usual
    // limit on a busy machine; this run bounds them itself.
    const std::chrono::milliseconds previousLimit =
        test::SetModalWatchdog(test::kStateLimit * (steps.size() + 1) + exportLimit);
    const std::string title = frame_->GetPeer()->GetLabel().ToStdString();
    test::Shell(test::XdoOnWindow(Escaped(title), "key ctrl+e"));
    const bool stepped = test::PumpUntil([&] { return steps.empty() || stuck; },
                                         test::kStateLimit * (steps.size() + 1));
    const bool done = stepped && !stuck &&
                      test::PumpUntil([&] { return TOpenSaveDialogMy::Running() == nullptr; }, exportLimit);
    timer.Stop();
    test::SetModalWatchdog(previousLimit);
    if (!done) {
      ADD_FAILURE() << (stepped && !stuck ? "the export did not end within " + std::to_string(exportLimit.count()) + " s"
                                          : std::string("the export's steps did not run"));
      test::SaveScreenshot("export-stuck.png");
      test::EndModalWindows();
      EXPECT_TRUE(test::PumpUntil([] { return TOpenSaveDialogMy::Running() == nullptr; }))
          << "the export's chooser stayed";
    }
    return done;
  }

  static TExportDialog* Dialog() { return dynamic_cast<TExportDialog*>(TOpenSaveDialogMy::Running()); }
  // The chooser is up with its options.
  static bool Shown() {
    TExportDialog* d = Dialog();
    return d && ChooserOf(*d) && d->Extra()->GetHandle() && d->ShownFilterIndex() != 0;
  }
  std::uint32_t Dword(const char16_t* name) {
    return RegReadKey(kHkeyCurrentUser, WString(kProgramRegistryKey)).GetDword(WString(name), 0xFFFFFFFF);
  }
  void Escape(const std::string& title) { test::Shell(test::XdoOnWindow(title, "key Escape")); }

  // Ctrl+E and Ctrl+P post their commands, which the frame's own loop would dispatch.
  test::DispatchPostedMessages posted_;
  test::ScratchDir files_;
  test::ScratchDir out_;
  TTestyFrameWindow* frame_ = nullptr;
};

TEST_F(ExportGuiTest, CtrlEOpensTheChooserAndTheFilterPicksTheOptions) {
  const std::string title = LoadLangString(kStrExportCaption).ToUtf8();
  bool sawBmp = false, sawEmf = false;
  ASSERT_TRUE(RunExport({
      [&] { return Shown() && !test::Shell("xdotool search --onlyvisible --name " + Quote("^" + title + "$")).empty(); },
      [&] {
        TExportDialog& d = *Dialog();
        // Twelve pages, one tile: "Actual page" and "All pages".
        EXPECT_EQ(d.ExtentMode(), ExportExtentMode::PagesOneTile);
        EXPECT_FALSE(Visible(d, kIdActualTile));
        EXPECT_TRUE(Visible(d, kIdActualPage));
        EXPECT_TRUE(Visible(d, kIdAllPages));
        EXPECT_FALSE(Visible(d, kIdAllElements));
        EXPECT_FALSE(Visible(d, kIdSelectedElements));
        EXPECT_FALSE(Visible(d, kIdVectorMode));
        EXPECT_FALSE(Visible(d, kIdLineWidth));
        // The bitmap filter first: resolution, colours, smoothing.
        EXPECT_EQ(d.Data().filterIndex, 1u);
        EXPECT_TRUE(Visible(d, kIdResolutionCombo));
        EXPECT_TRUE(Visible(d, kIdColorMode));
        EXPECT_TRUE(Visible(d, kIdSmoothing));
        sawBmp = true;
        test::SaveScreenshot("export-chooser-bmp.png");
        ChooserOf(d)->SetFilename("twelve.bmp");
        ChooserOf(d)->SetFilterIndex(1);  // the metafile
        return true;
      },
      [&] { return Dialog()->ShownFilterIndex() == 2; },
      [&] {
        TExportDialog& d = *Dialog();
        // The name follows the type.
        EXPECT_EQ(TypedName(*ChooserOf(d)), "twelve.emf");
        EXPECT_TRUE(Visible(d, kIdResolutionCombo));
        EXPECT_FALSE(Visible(d, kIdColorMode));
        EXPECT_FALSE(Visible(d, kIdSmoothing));
        sawEmf = true;
        test::SaveScreenshot("export-chooser-emf.png");
        Escape(title);
        return true;
      },
  }));
  EXPECT_TRUE(sawBmp && sawEmf);
  // Cancelled: nothing written, no setting stored.
  EXPECT_EQ(std::distance(fs::directory_iterator(out_.Path()), fs::directory_iterator()), 0);
  EXPECT_EQ(Dword(u"EXP_CLR_MODE3"), 0xFFFFFFFFu);
}

TEST_F(ExportGuiTest, ATypedNameAndSaveWriteTheFileAndKeepTheSettings) {
  const std::string title = LoadLangString(kStrExportCaption).ToUtf8();
  RegWriteKey(kHkeyCurrentUser, WString(kProgramRegistryKey)).SetString(WString(u"EXP_RES_D"), WString(u"75"));
  ASSERT_TRUE(RunExport({
      [&] { return Shown(); },
      [&] {
        // Black and white (the stored 75 dpi shows as the first entry).
        TExportDialog& d = *Dialog();
        if (auto* resolution = dynamic_cast<TComboBox*>(d.Option(kIdResolutionCombo))) {
          EXPECT_EQ(resolution->GetSelIndex(), 0);
        }
        if (auto* colors = dynamic_cast<TComboBox*>(d.Option(kIdColorMode))) colors->SetSelIndex(0);
        test::Shell(test::XdoOnWindow(title, "key ctrl+a"));
        test::Shell(test::XdoOnWindow(title, "type plan"));
        return true;
      },
      [&] {
        wxFileDialog* chooser = ChooserOf(*Dialog());
        if (chooser && chooser->GetPath().AfterLast('/').BeforeFirst('.') != "plan") return false;
        PressSave(*Dialog());
        return true;
      },
  }));
  const fs::path written = out_.Path() / "plan.bmp";
  ASSERT_TRUE(fs::exists(written)) << "nothing at " << written;
  InFileStream in(WString::FromUtf8(written.string()));
  const TDib dib = TDib::FromBmpStream(in);
  EXPECT_FALSE(dib.IsEmpty());
  EXPECT_EQ(dib.BitCount(), 1);
  EXPECT_EQ(Dword(u"EXP_CLR_MODE3"), 0u);
  EXPECT_EQ(Dword(u"EXP_MIN_WI"), 125u);
  EXPECT_EQ(RegReadKey(kHkeyCurrentUser, WString(kProgramRegistryKey)).GetString(WString(u"EXP_RES_D"), WString()).ToUtf8(),
            "75");
}

// The name proposed and the name written carry the extension of the type,
// whether the type was remembered from an earlier export (a restart reads it
// from the settings) or chosen in the chooser, and whatever was typed.
TEST_F(ExportGuiTest, TheProposedAndTheWrittenNameCarryTheTypesExtension) {
  struct Case {
    std::uint32_t remembered;  // 0: no export yet
    int chosen;                // filter chosen in the chooser, 0-based; -1 keeps the remembered one
    const char* typed;         // nullptr keeps the proposed name
    const char* proposed;
    const char* written;
  };
  const Case cases[] = {
      {2, -1, nullptr, "twelve.emf", "twelve.emf"},  // was "twelve.bmp", written "twelve.bmp.emf"
      {2, -1, "s.bmp", "twelve.emf", "s.emf"},       // was "s.bmp.emf"
      {0, -1, nullptr, "twelve.bmp", "twelve.bmp"},
      {1, -1, "u.emf", "twelve.bmp", "u.bmp"},
      {1, 1, nullptr, "twelve.bmp", "twelve.emf"},
      {2, 0, "v", "twelve.emf", "v.bmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("remembered ") + std::to_string(c.remembered) + ", chosen " + std::to_string(c.chosen) +
                 ", typed " + (c.typed ? c.typed : "-"));
    {
      // 0 reads as never written.
      DialogFolder folder(WString(kExportDialogFolder), DialogFolder::kDocuments);
      folder.SetFilterIndex(kExportFilterSlot, c.remembered);
    }
    std::string proposed;
    ASSERT_TRUE(RunExport({
        [&] { return Shown(); },
        [&] {
          wxFileDialog& chooser = *ChooserOf(*Dialog());
          proposed = TypedName(chooser);
          if (c.typed) chooser.SetFilename(c.typed);
          if (c.chosen >= 0) chooser.SetFilterIndex(c.chosen);
          return true;
        },
        [&] {
          // The chooser's watch has seen the type (and renamed the name).
          if (c.chosen >= 0 && Dialog()->ShownFilterIndex() != std::uint32_t(c.chosen + 1)) return false;
          PressSave(*Dialog());
          return true;
        },
    })) << "the export did not run to its end";
    EXPECT_EQ(proposed, c.proposed);
    EXPECT_TRUE(fs::exists(out_.Path() / c.written)) << "nothing at " << c.written;
    for (const auto& entry : fs::directory_iterator(out_.Path())) {
      EXPECT_EQ(entry.path().filename().string(), c.written) << "a file of another name";
      fs::remove(entry.path());
    }
  }
}

TEST_F(ExportGuiTest, ALongExportOfTwelvePagesShowsTheProgressDialog) {
  const std::string title = LoadLangString(kStrExportCaption).ToUtf8();
  // Each page takes seconds to draw whatever the machine (the held line),
  // so the dialog comes up between two pages, past its delay.
  ASSERT_NE(test::AddHeldLine(*frame_), nullptr);
  bool sawProgress = false;
  ASSERT_TRUE(RunExport(
      {
          [&] { return Shown(); },
          [&] {
            if (auto* all = dynamic_cast<TRadioButton*>(Dialog()->Option(kIdAllPages))) all->Click();
            test::Shell(test::XdoOnWindow(title, "key ctrl+a"));
            test::Shell(test::XdoOnWindow(title, "type floors"));
            return true;
          },
          [&] {
            wxFileDialog* chooser = ChooserOf(*Dialog());
            if (chooser && chooser->GetPath().AfterLast('/').BeforeFirst('.') != "floors") return false;
            PressSave(*Dialog());
            return true;
          },
          // From here on the ticks come while the export pumps its dialog;
          // once nothing modal is left, the export has ended.
          [&] {
            if (TOpenSaveDialogMy::Running() == nullptr && ModalStack::Depth() == 0) return true;
            for (wxWindow* w : wxTopLevelWindows) {
              if (w->IsShown() && w->GetLabel().ToStdString() == title) {
                sawProgress = true;
                test::SaveScreenshot("export-progress.png");
              }
            }
            return sawProgress;
          },
      },
      600s));
  EXPECT_TRUE(sawProgress) << "the export ended without its progress dialog";
  for (char c = 'A'; c < 'A' + 12; ++c) {
    const int n = c - 'A' + 1;
    const std::string name = std::string("floors_") + (n < 10 ? "0" : "") + std::to_string(n) + " - " +
                             std::to_string(n) + " Floor " + c + ".bmp";
    EXPECT_TRUE(fs::exists(out_.Path() / name)) << name;
  }
}

// The extent chosen is kept for the run: after an export of "All pages" the
// next export offers "All pages" again.
TEST_F(ExportGuiTest, TheNextExportStartsFromTheExtentOfTheLastOne) {
  const std::string title = LoadLangString(kStrExportCaption).ToUtf8();
  // Twelve small pictures.
  RegWriteKey(kHkeyCurrentUser, WString(kProgramRegistryKey)).SetString(WString(u"EXP_RES_D"), WString(u"75"));
  const auto checked = [](int id) {
    auto* button = dynamic_cast<TRadioButton*>(Dialog()->Option(id));
    return button != nullptr && button->GetCheck() == kBstChecked;
  };
  bool firstFromActualPage = false;
  ASSERT_TRUE(RunExport({
      [&] { return Shown(); },
      [&] {
        firstFromActualPage = checked(kIdActualPage) && !checked(kIdAllPages);
        if (auto* all = dynamic_cast<TRadioButton*>(Dialog()->Option(kIdAllPages))) all->Click();
        ChooserOf(*Dialog())->SetFilename("all.bmp");
        return true;
      },
      [&] {
        PressSave(*Dialog());
        return true;
      },
  }));
  EXPECT_TRUE(firstFromActualPage) << "the first export of the run did not start from \"Actual page\"";
  int pictures = 0;
  for (const auto& entry : fs::directory_iterator(out_.Path())) {
    if (entry.path().filename().string().rfind("all_", 0) == 0) ++pictures;
  }
  ASSERT_EQ(pictures, 12) << "the export of all pages did not write every page";

  bool actualPage = true, allPages = false;
  ASSERT_TRUE(RunExport({
      [&] { return Shown(); },
      [&] {
        actualPage = checked(kIdActualPage);
        allPages = checked(kIdAllPages);
        test::SaveScreenshot("export-again-all-pages.png");
        Escape(title);
        return true;
      },
  }));
  EXPECT_TRUE(allPages) << "the next export does not start from \"All pages\"";
  EXPECT_FALSE(actualPage) << "the next export starts from \"Actual page\"";
}

TEST_F(ExportGuiTest, CancelInTheProgressDialogStopsBeforeTheNextFile) {
  const std::string title = LoadLangString(kStrExportCaption).ToUtf8();
  ASSERT_NE(test::AddHeldLine(*frame_), nullptr);
  // The question "Terminate a function?" is answered OK.
  test::AnsweringBoxes boxes(60ms);
  MessageBoxBackend* previous = SetMessageBoxBackend(&boxes);
  bool escaped = false;
  const bool ran = RunExport(
      {
          [&] { return Shown(); },
          [&] {
            if (auto* all = dynamic_cast<TRadioButton*>(Dialog()->Option(kIdAllPages))) all->Click();
            test::Shell(test::XdoOnWindow(title, "key ctrl+a"));
            test::Shell(test::XdoOnWindow(title, "type cut"));
            return true;
          },
          [&] {
            wxFileDialog* chooser = ChooserOf(*Dialog());
            if (chooser && chooser->GetPath().AfterLast('/').BeforeFirst('.') != "cut") return false;
            PressSave(*Dialog());
            return true;
          },
          [&] {
            if (TOpenSaveDialogMy::Running() == nullptr && ModalStack::Depth() == 0) return true;
            for (wxWindow* w : wxTopLevelWindows) {
              if (w->IsShown() && w->GetLabel().ToStdString() == title && !escaped) {
                test::Shell(test::XdoOnWindow(Escaped(title), "key Escape"));
                escaped = true;
              }
            }
            return escaped;
          },
      },
      600s);
  SetMessageBoxBackend(previous);
  ASSERT_TRUE(ran);
  ASSERT_TRUE(escaped) << "the export ended without its progress dialog";
  EXPECT_FALSE(boxes.texts.empty());
  // Some pages were written whole, the rest never begun; no part-written
  // file or temporary sibling is left.
  int pictures = 0;
  for (const auto& entry : fs::directory_iterator(out_.Path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(name.rfind("cut_", 0), 0u) << name;
    InFileStream in(WString::FromUtf8(entry.path().string()));
    EXPECT_FALSE(TDib::FromBmpStream(in).IsEmpty()) << name;
    ++pictures;
  }
  EXPECT_GE(pictures, 1);
  EXPECT_LT(pictures, 12);
}

TEST_F(ExportGuiTest, TheOptionsSpeakCzech) {
  SetLanguageIndex(kLanguageCzech);
  InvalidateLangTable();
  const std::string title = LoadLangString(kStrExportCaption).ToUtf8();
  EXPECT_EQ(title, "Exportovat výkres do");
  ASSERT_TRUE(RunExport({
      [&] { return Shown() && !test::Shell("xdotool search --onlyvisible --name " + Quote("^" + title + "$")).empty(); },
      [&] {
        TExportDialog& d = *Dialog();
        auto* smoothing = dynamic_cast<TControl*>(d.Option(kIdSmoothing));
        EXPECT_TRUE(smoothing != nullptr && smoothing->GetText().ToUtf8().find("Vyhlazovat okraje") != std::string::npos)
            << (smoothing ? smoothing->GetText().ToUtf8() : std::string("no control"));
        auto* all = dynamic_cast<TControl*>(d.Option(kIdAllPages));
        EXPECT_TRUE(all != nullptr && all->GetText().ToUtf8() == "Všechny stránky");
        test::SaveScreenshot("export-chooser-czech.png");
        Escape(title);
        return true;
      },
  }));
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
