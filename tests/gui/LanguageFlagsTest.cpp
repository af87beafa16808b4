// The language flags of the main tool bar, clicked through the X server with
// a drawing open: each click switches the language, and the tool bar that
// held the flag is built again in the new language once its command has
// returned -- with the page box listing the same pages and the current one
// selected. Regression: the tool bar used to be deleted inside its own
// button's command (heap-use-after-free under AddressSanitizer).
#include <gtest/gtest.h>
#include <wx/window.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "app/HelpWindow.h"
#include "app/TestyFrameWindow.h"
#include "app/ToolBarBoxes.h"
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
    test::Shell("timeout 10 xdotool mousemove --sync " + std::to_string(p.x) + " " + std::to_string(p.y) +
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

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
