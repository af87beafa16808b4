// Printing a drawing tiled 2 x 2 from the main frame on a private X display,
// against a fake spooler whose queue keeps the PDF: every page of the
// drawing gives four sheets in the print preview (one a tile) and four
// pages in the job; a drawing that fills only its first tile gives one.
#include <gtest/gtest.h>
#include <wx/timer.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "app/ProgressDialog.h"
#include "app/TestyFrameWindow.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "controls/AutoControls.h"
#include "controls/PropertySheet.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "model/cDrawingData.h"
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
#include "tests/support/TestData.h"

namespace kvn {
namespace {
using namespace std::chrono_literals;
void ScheduleRound() {
  wxTheApp->CallAfter([] { MessageQueue::Instance().DispatchRound(); });
}
PreviewWindow__new* RunningPreview() {
  auto* preview = dynamic_cast<PreviewWindow__new*>(ModalStack::Top());
  return preview && preview->GetPeer() && preview->GetPeer()->IsShown() ? preview : nullptr;
}
// A control of a dialog (by a variable id, as the dialog id lint wants).
TWindow* Control(TDialog& dialog, int id) { return dialog.GetDlgItem(id); }

// Runs `start` (modal), then the steps one per tick inside its loop, each
// for its time (test::StepClock); one that never gets there closes what is
// open.
bool RunSteps(const std::function<void()>& start, std::deque<std::function<bool()>> steps) {
  wxTimer timer;
  test::StepClock clock;
  bool stuck = false;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (stuck || clock.Expired("the print dialog's steps")) {
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
  EXPECT_TRUE(test::PumpUntil([&] { return (steps.empty() || stuck) && ModalStack::Depth() == 0; }))
      << "a modal window stayed open after the steps";
  timer.Stop();
  return steps.empty();
}

class TiledPrintGuiTest : public test::SettingsFolderTest {
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
    LoadPrinterList();
    MessageQueue::Instance().SetWakeHook(&ScheduleRound);
    frame_ = new TTestyFrameWindow;
    frame_->Attr.X = 30;
    frame_->Attr.Y = 20;
    frame_->Attr.W = 900;
    frame_->Attr.H = 700;
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
  }
  void TearDown() override {
    MessageQueue::Instance().SetWakeHook(nullptr);
    delete frame_;
    ResetPrinters();
    override_.reset();
    test::SettingsFolderTest::TearDown();
  }
  test::FakeSpooler queues_;
  test::JobSpooler spooler_{queues_};
  std::unique_ptr<ScopedSpoolerOverride> override_;
  test::ScratchDir files_;
  TTestyFrameWindow* frame_ = nullptr;
};

// Two pages of a format 180 x 120 mm tiled 2 x 2; every tile of both pages
// holds a cross of lines in its middle (or only the first tile).
test::FixtureDocument TwoTiledPages(bool everyTile) {
  test::FixtureDocument doc;
  test::FixtureSheet sheet;
  sheet.name = u"Tiled";
  sheet.formatSize = {180, 120};
  sheet.tiles = {2, 2};
  for (int p = 0; p < 2; ++p) {
    sheet.pages.push_back(test::FixturePage{p == 0 ? u"Upper" : u"Lower", 0, 0x80000000u});
    for (int tile = 0; tile < (everyTile ? 4 : 1); ++tile) {
      const double x = (tile % 2) * 180.0 + 60, y = (tile / 2) * 120.0 + 40;
      for (int k = 0; k < 2; ++k) {
        test::FixtureLine l;
        l.start = {x, k == 0 ? y : y + 40};
        l.end = {x + 60, k == 0 ? y + 40 : y};
        l.page = std::uint16_t(p);
        l.width = 0.5;
        sheet.lines.push_back(l);
      }
    }
  }
  doc.sheets.push_back(sheet);
  return doc;
}

// Print dialog, All, Preview: the preview's status text; then its Print.
std::string PreviewAndPrint(cVectorWindow& window) {
  std::string status;
  RunSteps([&] { window.HandleMessage(kWmCommand, kCmPrint, 0); },
           {
               [&] { return dynamic_cast<cPrintDialog*>(ModalStack::Top()) != nullptr; },
               [&] {
                 auto& dialog = *dynamic_cast<cPrintDialog*>(ModalStack::Top());
                 if (auto* all = dynamic_cast<TRadioButton*>(Control(dialog, 5001))) all->Click();
                 auto* preview = dynamic_cast<TButton*>(Control(dialog, 101));
                 EXPECT_NE(preview, nullptr);
                 // Clicked from the loop, not from inside this timer's tick.
                 if (preview) wxTheApp->CallAfter([preview] { preview->Click(); });
                 return true;
               },
               [&] { return RunningPreview() != nullptr; },
               [&] {
                 PreviewWindow__new& p = *RunningPreview();
                 status = p.StatusText().ToUtf8();
                 test::SaveScreenshot("tiled-preview.png");
                 p.PostMessage(kWmCommand, kCmPreviewPrint, 0);
                 return true;
               },
           });
  return status;
}

TEST_F(TiledPrintGuiTest, FourTilesGiveFourPreviewSheetsAndFourPrintedPagesAPage) {
  for (bool everyTile : {true, false}) {
    SCOPED_TRACE(everyTile);
    const auto file = files_.Path() / (everyTile ? "tiled.kvn" : "first-tile.kvn");
    ASSERT_TRUE(test::SaveBytes(file.string(), test::WriteNativeFile(TwoTiledPages(everyTile))));
    ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(file.string())));
    test::Pump(300ms);
    cDrawing& d = CurrentDocument()->GetSheet(0)->Drawing();
    int across = 0, down = 0;
    d.GetTileCounts(across, down);
    ASSERT_EQ(across * down, 4);
    const std::size_t jobs = spooler_.jobs.size();
    const std::string status =
        PreviewAndPrint(*static_cast<cVectorView*>(frame_->GetClientWindow())->GetVectorWindow());
    const int sheets = everyTile ? 8 : 2;
    EXPECT_EQ(status.rfind("Page 1 / " + std::to_string(sheets) + " ", 0), 0u) << status;
    ASSERT_EQ(spooler_.jobs.size(), jobs + 1);
    EXPECT_TRUE(spooler_.jobs.back()->finished);
    EXPECT_EQ(test::PdfPageCount(spooler_.jobs.back()->pdf), sheets);
  }
}

}  // namespace
}  // namespace kvn
int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
