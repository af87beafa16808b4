// Themed push buttons on a real display: the dialog layer gives a dialog
// template's plain push buttons and a message box's buttons the program's
// own face with their glyphs (OK's green tick, Cancel's red cross, Help's
// blue question mark), answers the dialog manager as default and other push
// buttons, shows hot, pressed and disabled faces, and Enter still presses
// the default button. Screenshots go to $KVN_GUI_ARTIFACTS.
#include <gtest/gtest.h>
#include <wx/window.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "controls/DialogTr.h"
#include "controls/EmbeddedDialog.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "platform/ui/ControlPeers.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/MessageBoxDialog.h"
#include "platform/ui/Messages.h"
#include "platform/ui/ThemeDrawing.h"
#include "platform/ui/ThemedButton.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

constexpr int kTestDialogId = 29990;  // OK (default), Cancel, Help, Lock (1012)
constexpr std::uint32_t kTick = 0x008000, kTickLight = 0x40B040, kCross = 0xC00000, kHelpBlue = 0x0000C0;

struct Box {
  int count = 0;
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

// Where pixels of a colour lie inside a window on the screen.
Box Find(const test::Screen& screen, const wxWindow* window, std::uint32_t color) {
  Box b;
  const wxRect r = window->GetScreenRect();
  for (int y = std::max(r.y, 0); y < std::min(r.GetBottom() + 1, screen.height); ++y) {
    for (int x = std::max(r.x, 0); x < std::min(r.GetRight() + 1, screen.width); ++x) {
      if (screen.At(x, y) != color) continue;
      ++b.count;
      b.left = std::min(b.left, x);
      b.top = std::min(b.top, y);
      b.right = std::max(b.right, x);
      b.bottom = std::max(b.bottom, y);
    }
  }
  return b;
}

int Differing(const test::Screen& a, const test::Screen& b, const wxWindow* window) {
  int n = 0;
  const wxRect r = window->GetScreenRect();
  for (int y = std::max(r.y, 0); y < std::min(r.GetBottom() + 1, a.height); ++y)
    for (int x = std::max(r.x, 0); x < std::min(r.GetRight() + 1, a.width); ++x) n += a.At(x, y) != b.At(x, y);
  return n;
}

void Mouse(const std::string& action) { test::Shell("timeout 10 xdotool " + action + " >/dev/null 2>&1"); }
void MoveTo(const wxPoint& p) {
  Mouse(test::PointerTo(p.x, p.y));
}
wxPoint Centre(const wxWindow* w) {
  const wxRect r = w->GetScreenRect();
  return wxPoint(r.x + r.width / 2, r.y + r.height / 2);
}

class ThemedButtonTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    SetLanguageIndex(kLanguageEnglish);
    // The theme, as the program installs it at start-up.
    InstallThemeDrawing();
    frame_.reset(test::NewFrame(WString(u"Themed owner"), 0, 0, 300, 200));
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
    test::Pump(100ms);
  }
  void TearDown() override {
    frame_.reset();
    UninstallThemeDrawing();
    test::SettingsFolderTest::TearDown();
  }
  std::unique_ptr<TFrameWindow> frame_;
};

// The mouse-leave request holds where the toolkit will tell of the leaving
// (a widget on the display) and the theme is loaded; a button becomes hot
// only then, so that none is left hot with no word of the mouse going.
TEST_F(ThemedButtonTest, TrackMouseLeaveAnswersWhereTheToolkitCanTell) {
  EXPECT_FALSE(TrackMouseLeave(nullptr));
  auto* dialog = new TDialogTr(frame_.get(), kTestDialogId);
  dialog->Attr.Style &= ~kWsVisible;
  ASSERT_TRUE(dialog->Create());
  wxWindow* cancel = dialog->GetPeer()->FindWindow(int(kIdcCancel));
  ASSERT_NE(cancel, nullptr);
  ASSERT_FALSE(dialog->GetPeer()->IsShown());
  EXPECT_FALSE(TrackMouseLeave(cancel)) << "a button never shown is on no display yet";
  dialog->ShowWindow(kSwShow);
  test::Pump(300ms);
  EXPECT_TRUE(TrackMouseLeave(cancel));
  EXPECT_TRUE(TrackMouseLeave(dialog->GetPeer()));

  // Without the theme nothing is asked for, and a move leaves the button cold.
  UninstallThemeDrawing();
  EXPECT_FALSE(TrackMouseLeave(cancel));
  ThemedButtonProc(cancel, kWmMouseMove, 0, 0);
  EXPECT_FALSE(FindThemedRecord(cancel)->hot);
  InstallThemeDrawing();
  ThemedButtonProc(cancel, kWmMouseMove, 0, 0);
  EXPECT_TRUE(FindThemedRecord(cancel)->hot);
  ThemedButtonProc(cancel, kWmMouseLeave, 0, 0);
  EXPECT_FALSE(FindThemedRecord(cancel)->hot);
  dialog->Destroy();
  test::Pump(100ms);
}

TEST_F(ThemedButtonTest, TemplateButtonsGetTheThemedFaceInEveryState) {
  auto* dialog = new TDialogTr(frame_.get(), kTestDialogId);
  ASSERT_TRUE(dialog->Create());
  dialog->ShowWindow(kSwShow);
  test::Pump(300ms);
  wxWindow* peer = dialog->GetPeer();
  wxWindow* ok = peer->FindWindow(int(kIdcOk));
  wxWindow* cancel = peer->FindWindow(int(kIdcCancel));
  wxWindow* help = peer->FindWindow(9);
  wxWindow* lock = peer->FindWindow(1012);
  ASSERT_TRUE(ok && cancel && help && lock);
  // Every plain push button is themed and recorded, the default one as such.
  for (wxWindow* b : {ok, cancel, help, lock}) {
    ASSERT_NE(ThemedPeerOf(b), nullptr) << b->GetId();
    ASSERT_NE(FindThemedRecord(b), nullptr) << b->GetId();
    EXPECT_TRUE(FindThemedRecord(b)->themed);
  }
  ASSERT_NE(FindThemedRecord(peer), nullptr);
  EXPECT_FALSE(FindThemedRecord(peer)->themed);
  EXPECT_EQ(ThemedButtonProc(ok, kWmGetDlgCode, 0, 0), TResult(0x2010));
  EXPECT_EQ(ThemedButtonProc(cancel, kWmGetDlgCode, 0, 0), TResult(0x2020));
  // The glyphs: ids 1, 2 and 9 have one; 1012 is no bitmap of the program.
  EXPECT_NE(ThemedButtonGlyph(1, false), nullptr);
  EXPECT_NE(ThemedButtonGlyph(1038, false), nullptr);
  EXPECT_EQ(ThemedButtonGlyph(1012, true), nullptr);
  EXPECT_EQ(ThemedButtonGlyph(16434, false), nullptr) << "other ids only in the program's own dialogs";

  MoveTo(wxPoint(5, 5));
  test::Pump(200ms);
  const test::Screen normal = test::GrabScreen(test::ArtifactDir() / "themed-normal.png");
  ASSERT_FALSE(normal.pixels.empty());
  const Box tick = Find(normal, ok, kTick);
  EXPECT_GT(tick.count, 10) << "no tick on OK";
  EXPECT_GT(Find(normal, cancel, kCross).count, 10) << "no cross on Cancel";
  // Help is hidden in a translated dialog (the viewer has no help file).
  if (help->IsShown()) {
    EXPECT_GT(Find(normal, help, kHelpBlue).count, 10) << "no question mark on Help";
  }
  EXPECT_NE(ThemedButtonGlyph(9, false), nullptr);
  EXPECT_EQ(Find(normal, lock, kTick).count + Find(normal, lock, kCross).count, 0);

  // Hot: the mouse over Cancel changes its face, not its glyph.
  MoveTo(Centre(cancel));
  ASSERT_TRUE(test::PumpUntil([&] { return FindThemedRecord(cancel)->hot; }));
  test::Pump(200ms);
  const test::Screen hot = test::GrabScreen(test::ArtifactDir() / "themed-hot.png");
  EXPECT_GT(Differing(normal, hot, cancel), 0);
  EXPECT_EQ(Find(hot, cancel, kCross).count, Find(normal, cancel, kCross).count);

  // Pressed: the glyph moves one pixel right and down.
  MoveTo(Centre(ok));
  test::Pump(100ms);
  Mouse("mousedown 1");
  test::Pump(300ms);
  const test::Screen pressed = test::GrabScreen(test::ArtifactDir() / "themed-pressed.png");
  const Box down = Find(pressed, ok, kTick);
  EXPECT_EQ(down.left, tick.left + 1);
  EXPECT_EQ(down.top, tick.top + 1);
  // Released outside: no click, the dialog stays.
  MoveTo(wxPoint(5, 5));
  test::Pump(100ms);
  Mouse("mouseup 1");
  test::Pump(200ms);
  EXPECT_NE(dialog->GetHandle(), nullptr);
  EXPECT_FALSE(FindThemedRecord(cancel)->hot);

  // Disabled: the glyph is greyed.
  cancel->Disable();
  test::Pump(200ms);
  const test::Screen disabled = test::GrabScreen(test::ArtifactDir() / "themed-disabled.png");
  EXPECT_EQ(Find(disabled, cancel, kCross).count, 0);
  cancel->Enable();

  // BM_SETSTYLE moves the default.
  ThemedButtonProc(cancel, 0x00F4, 1, 1);
  EXPECT_EQ(ThemedButtonProc(cancel, kWmGetDlgCode, 0, 0), TResult(0x2010));
  ThemedButtonProc(cancel, 0x00F4, 0, 1);

  // Enter in the dialog presses the default button: OK ends it.
  test::Shell(test::XdoOnWindow(dialog->GetCaption().ToUtf8(), "key Return"));
  EXPECT_TRUE(test::PumpUntil([&] { return dialog->GetHandle() == nullptr; }));
  EXPECT_EQ(FindThemedRecord(ok), nullptr) << "the records go with the dialog";
  delete dialog;
}

// A dialog deleted while it still has its window, as a property page goes
// with its sheet and a box with its tool bar, takes its records with it:
// a record left behind names a window that is gone, and a push button made
// later at that address was taken for the dialog and painted by the
// fallback, its label's '&' shown and no glyph. Every template with a
// themed push button, made as a page is made.
TEST_F(ThemedButtonTest, ADialogDeletedWithItsWindowLeavesNoRecord) {
  int recorded = 0;
  for (const DialogTemplateData& t : AllDialogTemplates()) {
    auto dialog = std::make_unique<TEmbeddedDialog>(nullptr, t.id);
    dialog->SetHost(frame_->GetPeer());
    ASSERT_TRUE(dialog->Create()) << t.id;
    // Only compared with the records' windows once they are gone, never used.
    std::vector<const wxWindow*> windows{dialog->GetPeer()};
    for (const wxWindow* child : dialog->GetPeer()->GetChildren()) windows.push_back(child);
    if (FindThemedRecord(dialog->GetPeer()) == nullptr) continue;
    ++recorded;
    dialog.reset();
    test::Pump(50ms);
    for (const wxWindow* window : windows) EXPECT_EQ(FindThemedRecord(window), nullptr) << "dialog " << t.id;
  }
  EXPECT_GE(recorded, 10) << "too few templates with themed push buttons";
}

TEST_F(ThemedButtonTest, MessageBoxButtonsShowTheirGlyphs) {
  MessageBoxRequest request;
  request.text = WString(u"Save the changes?");
  request.caption = WString(u"Themed box");
  request.style = kMbYesNoCancel;
  auto* box = new MessageBoxDialog(frame_->GetPeer(), request);
  box->Show();
  test::Pump(400ms);
  ASSERT_EQ(box->Buttons().size(), 3u);
  for (const MessageBoxDialog::Button& b : box->Buttons()) {
    ASSERT_NE(ThemedPeerOf(b.button), nullptr) << b.answer;
    EXPECT_NE(FindThemedRecord(b.button), nullptr) << b.answer;
  }
  EXPECT_TRUE(ThemedPeerOf(box->Buttons()[0].button)->isDefault);
  const test::Screen screen = test::GrabScreen(test::ArtifactDir() / "themed-message-box.png");
  ASSERT_FALSE(screen.pixels.empty());
  EXPECT_GT(Find(screen, box->Buttons()[0].button, kTick).count + Find(screen, box->Buttons()[0].button, kTickLight).count,
            10)
      << "Yes";
  EXPECT_GT(Find(screen, box->Buttons()[1].button, kCross).count, 10) << "No";
  EXPECT_GT(Find(screen, box->Buttons()[2].button, kCross).count, 10) << "Cancel";
  const wxWindow* yes = box->Buttons()[0].button;
  box->Destroy();
  test::Pump(100ms);
  EXPECT_EQ(FindThemedRecord(yes), nullptr);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
