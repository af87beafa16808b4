// The language flags of the main tool bar, clicked through the X server with
// a drawing open: each click switches the language, and the tool bar that
// held the flag is built again in the new language once its command has
// returned -- with the page box listing the same pages and the current one
// selected. Regression: the tool bar used to be deleted inside its own
// button's command (heap-use-after-free under AddressSanitizer).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <wx/textentry.h>
#include <wx/window.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "app/HelpWindow.h"
#include "app/TestyFrameWindow.h"
#include "app/LevelCombo.h"
#include "app/ToolBarBoxes.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "document/cDrawingDoc.h"
#include "foundation/LangTable.h"
#include "platform/ui/DecoratedFrame.h"
#include "platform/ui/GadgetWindow.h"
#include "platform/ui/MessageQueue.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

template <class T>
T* FindChild(TWindow& root) {
  for (TWindow* child : root.GetChildren()) {
    if (auto* found = dynamic_cast<T*>(child)) return found;
    if (T* inner = FindChild<T>(*child)) return inner;
  }
  return nullptr;
}

// The toolkit's loop and the posted messages, a few rounds (the application
// object that would dispatch them is not running in this program).
void PumpAndDispatch() {
  for (int i = 0; i < 3; ++i) {
    test::Pump(100ms);
    MessageQueue::Instance().DispatchRound();
  }
}

// The X window of a top-level window: its title may hold letters that
// xdotool's --name pattern does not match in every locale ("Prohlížeč").
unsigned long XWindowOf(wxWindow& window) {
  using GetWindow = void* (*)(void*);
  using GetXid = unsigned long (*)(void*);
  const auto getWindow = reinterpret_cast<GetWindow>(dlsym(RTLD_DEFAULT, "gtk_widget_get_window"));
  const auto getXid = reinterpret_cast<GetXid>(dlsym(RTLD_DEFAULT, "gdk_x11_window_get_xid"));
  void* gdkWindow = getWindow && window.GetHandle() ? getWindow(window.GetHandle()) : nullptr;
  return gdkWindow && getXid ? getXid(gdkWindow) : 0;
}

// A key pressed through the X server into the frame, at most 10 s.
void KeyTo(wxWindow& frame, const std::string& key) {
  test::Shell("timeout 10 xdotool windowfocus --sync " + std::to_string(XWindowOf(frame)) + " key " + key +
              " >/dev/null 2>&1");
}

class LanguageFlagsTest : public test::SettingsFolderTest {};

TEST_F(LanguageFlagsTest, EachFlagSwitchesTheLanguageAndTheToolBarComesBackWithItsBoxes) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  auto* frame = new TTestyFrameWindow;
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShowNormal);
  frame->GetPeer()->SetSize(0, 0, 1200, 700);
  test::Pump(300ms);
  const std::filesystem::path sample =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
  ASSERT_TRUE(frame->OpenFile(WString::FromUtf8(sample.string())));
  PumpAndDispatch();
  const int entries = int(CurrentDocument()->GetPageEntryCount());
  ASSERT_GT(entries, 1);

  struct Step {
    std::uint32_t command;
    int language;
    const char* titleStart;
  };
  // English first, so that every later click changes something.
  const Step steps[] = {{kCmEnglish, kLanguageEnglish, "Viewer Info-Korvana"},
                        {kCmCzech, kLanguageCzech, "Prohl"},
                        {kCmSlovak, kLanguageSlovak, "Prehliada"},
                        {kCmCzech, kLanguageCzech, "Prohl"},
                        {kCmEnglish, kLanguageEnglish, "Viewer Info-Korvana"}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.command);
    TGadgetWindow* bar = FindChild<TGadgetWindow>(*frame->GetToolBar());
    ASSERT_NE(bar, nullptr);
    const TGadget* flag = nullptr;
    for (const auto& g : bar->Gadgets())
      if (g->GetId() == int(step.command)) flag = g.get();
    ASSERT_NE(flag, nullptr);
    const TRect& b = flag->GetBounds();
    const TPoint p = bar->ClientToScreen(TPoint{b.left + int(b.Width()) / 2, b.top + int(b.Height()) / 2});
    test::Shell("timeout 10 xdotool " + test::PointerTo(p.x, p.y) +
                " click 1 >/dev/null 2>&1");
    ASSERT_TRUE(test::PumpUntil([&] {
      MessageQueue::Instance().DispatchRound();
      return GetLanguageIndex() == step.language;
    }));
    PumpAndDispatch();
    EXPECT_EQ(frame->GetCaption().ToUtf8().rfind(step.titleStart, 0), 0u) << frame->GetCaption().ToUtf8();
    // The new bar, its boxes following the open drawing.
    TPagesComboBox* pages = FindChild<TPagesComboBox>(*frame->GetToolBar());
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->GetCount(), entries);
    EXPECT_EQ(pages->GetSelIndex(), 0);
    EXPECT_TRUE(pages->IsWindowEnabled());
  }
  test::SaveScreenshot("language-flags.png");
  delete frame;
  test::Pump(100ms);
}

// Keys and boxes across a language switch: with the drawing clicked and a
// level chosen, a flag click leaves the keyboard with the drawing (PgDn
// turns the page at once, PgUp comes back) and the rebuilt boxes show what
// the old ones showed: the chosen level, no selected text.
TEST_F(LanguageFlagsTest, AFlagClickKeepsTheFocusAndTheBoxes) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  auto* frame = new TTestyFrameWindow;
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShowNormal);
  frame->GetPeer()->SetSize(0, 0, 1200, 700);
  test::Pump(300ms);
  const std::filesystem::path sample =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
  ASSERT_TRUE(frame->OpenFile(WString::FromUtf8(sample.string())));
  PumpAndDispatch();
  auto* view = dynamic_cast<cVectorView*>(frame->GetClientWindow());
  ASSERT_NE(view, nullptr);
  cVectorWindow& drawing = *view->GetVectorWindow();

  // A level other than the first row, chosen as the user chooses it.
  TLevelComboBox* levels = FindChild<TLevelComboBox>(*frame->GetToolBar());
  ASSERT_NE(levels, nullptr);
  ASSERT_GT(levels->GetCount(), 2);
  levels->SetSelIndex(2);
  levels->OnToolkitSelect();
  PumpAndDispatch();
  const std::intptr_t chosenLevel = levels->GetItemData(2);

  auto click = [](const TPoint& p) {
    test::Shell("timeout 10 xdotool " + test::PointerTo(p.x, p.y) +
                " click 1 >/dev/null 2>&1");
  };
  const TRect area = drawing.GetClientRect();
  click(drawing.ClientToScreen(TPoint{int(area.Width()) / 2, int(area.Height()) / 2}));
  PumpAndDispatch();
  ASSERT_TRUE(test::PumpUntil([&] { return wxWindow::FindFocus() == drawing.GetPeer(); }))
      << "the click did not give the drawing the keyboard";

  for (std::uint32_t flag : {kCmCzech, kCmEnglish}) {
    SCOPED_TRACE(flag);
    TGadgetWindow* bar = FindChild<TGadgetWindow>(*frame->GetToolBar());
    ASSERT_NE(bar, nullptr);
    const TGadget* button = bar->GadgetWithId(int(flag));
    ASSERT_NE(button, nullptr);
    const TRect& b = button->GetBounds();
    const int language = flag == kCmCzech ? kLanguageCzech : kLanguageEnglish;
    click(bar->ClientToScreen(TPoint{b.left + int(b.Width()) / 2, b.top + int(b.Height()) / 2}));
    ASSERT_TRUE(test::PumpUntil([&] {
      MessageQueue::Instance().DispatchRound();
      return GetLanguageIndex() == language;
    })) << "the flag click switched no language";
    PumpAndDispatch();

    EXPECT_EQ(wxWindow::FindFocus(), drawing.GetPeer()) << "the keyboard left the drawing";
    TLevelComboBox* rebuilt = FindChild<TLevelComboBox>(*frame->GetToolBar());
    ASSERT_NE(rebuilt, nullptr);
    ASSERT_GE(rebuilt->GetSelIndex(), 0);
    EXPECT_EQ(rebuilt->GetItemData(rebuilt->GetSelIndex()), chosenLevel);
    TZoomComboBox* zoom = FindChild<TZoomComboBox>(*frame->GetToolBar());
    ASSERT_NE(zoom, nullptr);
    if (auto* entry = dynamic_cast<wxTextEntry*>(zoom->GetPeer())) {
      long from = 0, to = 0;
      entry->GetSelection(&from, &to);
      EXPECT_EQ(from, to) << "the zoom box shows its text selected";
    }

    // The first PgDn turns the page, PgUp comes back.
    const std::uint32_t page = drawing.GetPageNumber();
    KeyTo(*frame->GetPeer(), "Next");
    EXPECT_TRUE(test::PumpUntil([&] {
      MessageQueue::Instance().DispatchRound();
      return drawing.GetPageNumber() == page + 1;
    }, 5s)) << "PgDn after the flag click did not turn the page";
    KeyTo(*frame->GetPeer(), "Prior");
    EXPECT_TRUE(test::PumpUntil([&] {
      MessageQueue::Instance().DispatchRound();
      return drawing.GetPageNumber() == page;
    }, 5s)) << "PgUp was swallowed";
    rebuilt = FindChild<TLevelComboBox>(*frame->GetToolBar());
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_EQ(rebuilt->GetItemData(std::max(rebuilt->GetSelIndex(), 0)), chosenLevel) << "a key reached the level box";
  }
  // The keyboard in a box stays in that box of the new bar (the menu's
  // language command, this time).
  TZoomComboBox* zoom = FindChild<TZoomComboBox>(*frame->GetToolBar());
  ASSERT_NE(zoom, nullptr);
  zoom->SetFocus();
  ASSERT_TRUE(test::PumpUntil([&] { return TWindow::GetFocus() == zoom->GetHandle(); }));
  frame->CommandFromMenu(kCmSlovak);
  ASSERT_TRUE(test::PumpUntil([&] {
    MessageQueue::Instance().DispatchRound();
    TZoomComboBox* rebuilt = FindChild<TZoomComboBox>(*frame->GetToolBar());
    return GetLanguageIndex() == kLanguageSlovak && rebuilt != zoom && rebuilt && TWindow::GetFocus() == rebuilt->GetHandle();
  }, 5s)) << "the keyboard left the zoom box";
  test::SaveScreenshot("language-flags-focus.png");
  frame->CommandFromMenu(kCmEnglish);
  PumpAndDispatch();
  delete frame;
  test::Pump(100ms);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
