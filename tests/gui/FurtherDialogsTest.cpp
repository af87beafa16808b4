// The dialog library's further dialogs on a private X display: the pop-up
// list closed by a click outside (which the window under it never gets) or
// by a click on an entry, its too long entry shown empty; the character
// picker's sets and choice; the compact print dialog printing a range on
// the fake queue.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <wx/timer.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "controls/CharacterPicker.h"
#include "controls/TrackDialog.h"
#include "foundation/LangTable.h"
#include "foundation/ModalStack.h"
#include "platform/ui/FrameWindow.h"
#include "print/PrintOut.h"
#include "print/dialogs/CompactPrintDialog.h"
#include "render/GeometryServicesImpl.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/print/PrintFixtures.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

TWindow* Control(TDialog& dialog, int id) { return dialog.GetDlgItem(id); }

// Runs `start` (modal), then the steps one per tick inside its loop.
bool RunSteps(const std::function<void()>& start, std::deque<std::function<bool()>> steps) {
  wxTimer timer;
  test::StepClock clock;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (clock.Expired("the dialog's steps")) {
      if (auto* d = dynamic_cast<TDialog*>(ModalStack::Top())) d->CloseWindow(kIdcCancel);
      return;
    }
    if (!steps.empty() && steps.front()()) {
      steps.pop_front();
      clock.Next();
    }
  });
  timer.Start(50);
  start();
  timer.Stop();
  return steps.empty();
}

template <class D>
D* Running() {
  auto* d = dynamic_cast<D*>(ModalStack::Top());
  return d && d->GetPeer() && d->GetPeer()->IsShown() ? d : nullptr;
}

class FurtherDialogsTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    owner_.reset(test::NewFrame(WString(u"Owner"), 0, 0, 800, 600));
    ASSERT_TRUE(owner_->Create());
    owner_->ShowWindow(kSwShow);
    owner_->GetPeer()->Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& e) {
      ++ownerClicks_;
      e.Skip();
    });
    test::Pump(200ms);
  }
  void TearDown() override {
    owner_.reset();
    test::SettingsFolderTest::TearDown();
  }
  std::unique_ptr<TFrameWindow> owner_;
  int ownerClicks_ = 0;
};

// Whether the dialog is on the screen and holds the mouse.
bool HoldsTheMouse(TTrackDialog& d) {
  static const auto mapped = reinterpret_cast<int (*)(void*)>(dlsym(RTLD_DEFAULT, "gtk_widget_get_mapped"));
  wxWindow* peer = d.GetPeer();
  return peer && peer->HasCapture() && (!mapped || (peer->GetHandle() && mapped(peer->GetHandle())));
}

TEST_F(FurtherDialogsTest, TrackDialogClosesOnAClickOutsideOrOnAnEntry) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  const std::vector<WString> strings = {WString(u"First"), WString(u"Second\tpart"),
                                        WString(std::u16string(301, u'x'))};
  int index = -1;
  bool chosen = true;
  int count = 0;
  std::string second, third;
  ASSERT_TRUE(RunSteps([&] { chosen = RunTrackDialog(owner_.get(), strings, TPoint{100, 100}, 0, index); },
                       {
                           [] { return Running<TTrackDialog>() != nullptr; },
                           [&] {
                             // The press goes once the dialog holds the mouse
                             // (it takes it from the loop after showing): sent
                             // before, it reaches the owner.
                             TTrackDialog& d = *Running<TTrackDialog>();
                             if (!HoldsTheMouse(d)) return false;
                             EXPECT_EQ(TTrackDialog::Current(), &d);
                             count = d.List().GetCount();
                             second = d.List().GetString(1).ToUtf8();
                             third = d.List().GetString(2).ToUtf8();
                             // A press far outside, over the owner window.
                             test::Shell("xdotool mousemove 600 450 click 1");
                             return true;
                           },
                       }));
  EXPECT_FALSE(chosen);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(second, "Second part");
  EXPECT_EQ(third, "");
  EXPECT_EQ(index, -1);
  test::Pump(200ms);
  EXPECT_EQ(ownerClicks_, 0);  // the click was swallowed
  EXPECT_EQ(TTrackDialog::Current(), nullptr);

  // A click on the first entry chooses it.
  ASSERT_TRUE(RunSteps([&] { chosen = RunTrackDialog(owner_.get(), strings, TPoint{100, 100}, 0, index); },
                       {
                           [] { return Running<TTrackDialog>() != nullptr; },
                           [&] {
                             TTrackDialog& d = *Running<TTrackDialog>();
                             if (!HoldsTheMouse(d)) return false;
                             const TPoint at = d.List().ClientToScreen(TPoint{10, 5});
                             test::Shell("xdotool mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) +
                                         " click 1");
                             return true;
                           },
                       }));
  EXPECT_TRUE(chosen);
  EXPECT_EQ(index, 0);
}

TEST_F(FurtherDialogsTest, CharacterPickerSetsAndChoice) {
  char16_t picked = 0;
  int greek = 0, plain = 0;
  bool placeholderHidden = false;
  ASSERT_TRUE(RunSteps([&] { picked = PickCharacter(owner_.get(), WString(u"DejaVu Sans"), true); },
                       {
                           [] { return Running<TDialogAnyChar>() != nullptr; },
                           [&] {
                             TDialogAnyChar& d = *Running<TDialogAnyChar>();
                             EXPECT_EQ(d.List().GetCount(), int(CharacterSetText(d.SetIndex()).size()));
                             d.SetChanged(4);
                             greek = d.List().GetCount();
                             d.List().SetSelIndex(1);
                             test::SaveScreenshot("character-picker.png");
                             d.HandleMessage(kWmCommand, kIdcOk, 0);
                             return true;
                           },
                       }));
  EXPECT_EQ(greek, 24);
  EXPECT_EQ(picked, u'\u0392');  // Greek capital beta
  EXPECT_EQ(LastPickedCharacter(), u'\u0392');

  ASSERT_TRUE(RunSteps([&] { picked = PickCharacter(owner_.get(), WString(u"DejaVu Sans"), false); },
                       {
                           [] { return Running<TDialogAnyChar>() != nullptr; },
                           [&] {
                             TDialogAnyChar& d = *Running<TDialogAnyChar>();
                             plain = d.List().GetCount();
                             TWindow* sets = Control(d, 1001);
                             placeholderHidden = sets && !sets->IsWindowVisible();
                             d.HandleMessage(kWmCommand, kIdcCancel, 0);
                             return true;
                           },
                       }));
  EXPECT_EQ(plain, 224);
  EXPECT_TRUE(placeholderHidden);
  EXPECT_EQ(picked, 0);
}

class CompactPrintDialogTest : public FurtherDialogsTest, public test::PrinterTestBase {};

TEST_F(CompactPrintDialogTest, RangeOfPagesPrintsThosePages) {
  test::AddA4Queue(spooler);
  test::JobSpooler jobs(spooler);
  ScopedSpoolerOverride spoolerOverride(jobs);
  InstallRendererGeometryServices();
  LoadPrinterList();
  test::TiledDrawing tiled(190, 277, 1, 1, 4, 0x0000FF);
  PrintOutOptions o;
  o.printer = GetPrinterList().At(0);
  o.printScale = 1;
  APXPrintOut out(tiled.Drawing(), o);
  CompactPrintGlobals() = CompactPrintOptions{};
  std::string printer;
  bool ran = false;
  ASSERT_TRUE(RunSteps([&] { ran = RunCompactPrintDialog(owner_.get(), &out); },
                       {
                           [] { return Running<TMyNewPrintDialog__>() != nullptr; },
                           [&] {
                             TMyNewPrintDialog__& d = *Running<TMyNewPrintDialog__>();
                             if (auto* name = dynamic_cast<TControl*>(Control(d, 1088))) printer = name->GetText().ToUtf8();
                             EXPECT_TRUE(Control(d, 1058) && Control(d, 1058)->IsWindowVisible());
                             if (auto* range = dynamic_cast<TRadioButton*>(Control(d, 1058))) range->Click();
                             if (auto* from = dynamic_cast<TAutoInt_*>(Control(d, 1152))) from->SetValue(2);
                             if (auto* to = dynamic_cast<TAutoInt_*>(Control(d, 1153))) to->SetValue(3);
                             d.HandleMessage(kWmCommand, kIdcOk, 0);
                             return true;
                           },
                       }));
  EXPECT_EQ(printer, "TEST");
  EXPECT_TRUE(ran);
  ASSERT_EQ(jobs.jobs.size(), 1u);
  EXPECT_EQ(test::PdfPageCount(jobs.jobs[0]->pdf), 2);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
