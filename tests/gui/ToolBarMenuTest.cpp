// Tool-bar buttons and the decorated main menu on a real display: a click
// through the X server on a gadget button runs its command in the frame; the
// main menu's command items carry their images and shortcut texts, in Czech
// too. Needs a display (run under Xvfb by xvfb-run.sh).
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/menu.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandIds.h"
#include "app/TestyFrameWindow.h"
#include "controls/ButtonGadget.h"
#include "controls/MenuAccessWx.h"
#include "foundation/LangTable.h"
#include "platform/ui/DecoratedFrame.h"
#include "platform/ui/MessageQueue.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

// A frame with one gadget window at the top that notes the commands it runs.
class BarFrame : public TDecoratedFrame {
 public:
  BarFrame() : TDecoratedFrame(nullptr, WString(u"Gadget bar")) {
    Attr.W = 400;
    Attr.H = 300;
    bar = new TGadgetWindow(this);
    bar->Insert(std::make_unique<TButtonGadgetZv>(kCmZoomIn, int(kCmZoomIn)));
    bar->Insert(std::make_unique<TSeparatorGadgetZv>(0));
    bar->Insert(std::make_unique<TButtonGadgetZv>(kCmCzech, int(kCmCzech), TButtonGadgetZv::NonExclusive));
    Insert(*bar, Location::Top);
  }
  void CmZoomIn() { commands.push_back(kCmZoomIn); }
  void CmCzech() { commands.push_back(kCmCzech); }
  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable table(
        {OnCommand<&BarFrame::CmZoomIn>(kCmZoomIn), OnCommand<&BarFrame::CmCzech>(kCmCzech)},
        {&TDecoratedFrame::Table()});
    return table;
  }

  TGadgetWindow* bar;
  std::vector<std::uint32_t> commands;
};

// The toolkit's loop, then the posted messages (the application object that
// would dispatch them is not running in this program).
void PumpAndDispatch(std::chrono::milliseconds duration) {
  test::Pump(duration);
  MessageQueue::Instance().DispatchRound();
}

void ClickAt(const TPoint& p) {
  test::Shell("timeout 10 xdotool mousemove --sync " + std::to_string(p.x) + " " + std::to_string(p.y) +
              " click 1 >/dev/null 2>&1");
}

class ToolBarMenuTest : public test::SettingsFolderTest {};

TEST_F(ToolBarMenuTest, GadgetButtonsPostTheirCommandsToTheFrame) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  auto frame = std::make_unique<BarFrame>();
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShow);
  test::Pump(300ms);
  ASSERT_NE(frame->bar->GetHandle(), nullptr);
  const auto& gadgets = frame->bar->Gadgets();
  ASSERT_EQ(gadgets.size(), 3u);
  auto centre = [&](const TGadget& g) {
    const TRect& b = g.GetBounds();
    return frame->bar->ClientToScreen(TPoint{b.left + int(b.Width()) / 2, b.top + int(b.Height()) / 2});
  };
  ClickAt(centre(*gadgets[0]));
  PumpAndDispatch(200ms);
  ClickAt(centre(*gadgets[2]));
  PumpAndDispatch(200ms);
  EXPECT_EQ(frame->commands, (std::vector<std::uint32_t>{kCmZoomIn, kCmCzech}));
  auto* toggle = dynamic_cast<TButtonGadgetZv*>(gadgets[2].get());
  ASSERT_NE(toggle, nullptr);
  EXPECT_EQ(toggle->GetState(), TButtonGadgetZv::Down);
  // The separator takes no click.
  ClickAt(centre(*gadgets[1]));
  PumpAndDispatch(200ms);
  EXPECT_EQ(frame->commands.size(), 2u);
  test::SaveScreenshot("toolbar-gadgets.png");
}

TEST_F(ToolBarMenuTest, MainMenuShowsImagesAndShortcutsInEveryLanguage) {
  SetLanguageIndex(kLanguageEnglish);
  auto frame = std::make_unique<TTestyFrameWindow>();
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShow);
  test::Pump(200ms);
  auto item = [&](std::uint32_t id) { return frame->GetMenuBar()->FindItem(int(id)); };
  for (int language : {kLanguageEnglish, kLanguageCzech}) {
    frame->SwitchLanguage(language);
    for (std::uint32_t id : {kCmFileOpen, kCmFileClose, kCmPrint, kCmExport, kCmZoomIn, kCmAbout}) {
      ASSERT_NE(item(id), nullptr) << id;
      EXPECT_TRUE(item(id)->GetBitmap().IsOk()) << language << ": " << id;
    }
    // Exit has no image of its own; check items keep their check marks.
    EXPECT_FALSE(item(kCmExit)->GetBitmap().IsOk());
    EXPECT_TRUE(item(kCmCzech)->IsCheckable());
    const MenuDecorator& decorator = frame->GetMenuDecorator();
    WString hint;
    TWxMenuBarAccess access(frame->GetMenuBar());
    decorator.GetCommandHint(hint, &access, kCmFileOpen, 2);
    EXPECT_EQ(hint, WString(language == kLanguageCzech ? u"Otevřít (Ctrl+O)" : u"Open (Ctrl+O)"));
  }
  EXPECT_EQ(item(kCmFileOpen)->GetItemLabel(), wxString::FromUTF8("&Otevřít...\tCtrl+O"));
  // The File menu open, for a person to look at: the folder's yellow shows.
  if (test::HaveXdotool()) {
    // The first title of the menu bar, just inside the frame's top-left corner.
    const wxPoint origin = frame->GetPeer()->GetScreenPosition();
    // GTK opens a menu on a press and release with time between them.
    test::Shell("timeout 10 xdotool mousemove --sync " + std::to_string(origin.x + 20) + " " +
                std::to_string(origin.y + 10) + " >/dev/null 2>&1");
    test::Pump(200ms);
    test::Shell("timeout 10 xdotool mousedown 1 >/dev/null 2>&1");
    test::Pump(200ms);
    test::Shell("timeout 10 xdotool mouseup 1 >/dev/null 2>&1");
    test::Pump(500ms);
    const test::Screen screen = test::GrabScreen(test::ArtifactDir() / "main-menu-czech.png");
    int yellow = 0;
    for (std::uint32_t p : screen.pixels) yellow += p == 0xFFFF00;
    EXPECT_GT(yellow, 20) << "no menu image on the screen";
    test::Shell("timeout 10 xdotool key Escape >/dev/null 2>&1");
    test::Pump(100ms);
    test::Shell("timeout 10 xdotool key Escape >/dev/null 2>&1");
    test::Pump(100ms);
  }
  frame->SwitchLanguage(kLanguageEnglish);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
