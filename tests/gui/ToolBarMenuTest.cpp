// Tool-bar buttons and the decorated main menu on a real display: a click
// through the X server on a gadget button runs its command in the frame; the
// main menu's command items carry their images and shortcut texts, in Czech
// too. Needs a display (run under Xvfb by xvfb-run.sh).
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/accel.h>
#include <wx/menu.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandIds.h"
#include "app/ConfiguredUiColors.h"
#include "app/HelpWindow.h"
#include "app/LevelCombo.h"
#include "app/TestyFrameWindow.h"
#include "app/ToolBarBoxes.h"
#include "controls/ButtonGadget.h"
#include "controls/MenuAccessWx.h"
#include "foundation/LangTable.h"
#include "foundation/UiColors.h"
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
  test::Shell("timeout 10 xdotool " + test::PointerTo(p.x, p.y) +
              " click 1 >/dev/null 2>&1");
}

// Escape until no menu is open (the first closes the drop-down, the second
// leaves the bar).
void CloseMenus() {
  EXPECT_TRUE(test::PumpUntil([] {
    if (test::MappedMenus() == 0) return true;
    test::Shell("timeout 10 xdotool key Escape >/dev/null 2>&1");
    test::Pump(100ms);
    return false;
  })) << "a menu stayed open";
  test::Shell("timeout 10 xdotool key Escape >/dev/null 2>&1");
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
    test::ClickMenuTitle(origin.x + 20, origin.y + 10);
    EXPECT_TRUE(test::PumpUntil([] { return test::MappedMenus() > 0; })) << "the File menu did not open";
    // Mapped, then drawn: the screen shows the image some frames later.
    int yellow = 0;
    test::PumpUntil([&] {
      const test::Screen screen = test::GrabScreen(test::ArtifactDir() / "main-menu-czech.png");
      yellow = 0;
      for (std::uint32_t p : screen.pixels) yellow += p == 0xFFFF00;
      return screen.pixels.empty() || yellow > 20;
    });
    EXPECT_GT(yellow, 20) << "no menu image on the screen";
    CloseMenus();
  }
  frame->SwitchLanguage(kLanguageEnglish);
}

// Every button of the main bar, in its order, with the hint its menu item
// gives (the page keys are named though the drawing window takes them).
const std::vector<std::pair<std::uint32_t, std::u16string>>& MainBarHints() {
  static const std::vector<std::pair<std::uint32_t, std::u16string>> hints = {
      {kCmFileOpen, u"Open (Ctrl+O)"},         {kCmFileClose, u"Close (Ctrl+W)"},
      {kCmPrint, u"Print (Ctrl+P)"},           {kCmParameters, u"Parameters (Ctrl+I)"},
      {kCmExport, u"Export (Ctrl+E)"},         {kCmPagePrevious, u"Previous (Page up)"},
      {kCmPageNext, u"Next (Page down)"},      {kCmZoomIn, u"Zoom in (Num +)"},
      {kCmZoomOut, u"Zoom out (Num -)"},       {kCmAbout, u"About software (F1)"},
      {kCmCzech, u"Česky"},                    {kCmSlovak, u"Slovensky"},
      {kCmEnglish, u"English"}};
  return hints;
}

template <class Box>
Box* FindBox(TWindow& root) {
  for (TWindow* child : root.GetChildren()) {
    if (auto* box = dynamic_cast<Box*>(child)) return box;
    if (Box* inner = FindBox<Box>(*child)) return inner;
  }
  return nullptr;
}

TGadgetWindow* MainBar(TTestyFrameWindow& frame) {
  for (TWindow* child : frame.GetToolBar()->GetChildren())
    if (auto* bar = dynamic_cast<TGadgetWindow*>(child)) return bar;
  return nullptr;
}

void MoveTo(const TPoint& p) {
  test::Shell("timeout 10 xdotool " + test::PointerTo(p.x, p.y) +
              " >/dev/null 2>&1");
}

// A hand that comes to rest on a point: one jump there and a last pixel of
// movement (a single warp into a window may reach it as an enter alone).
void HoverAt(const TPoint& p) {
  MoveTo(TPoint{p.x - 1, p.y});
  test::Pump(30ms);
  MoveTo(p);
}

// Hovers at `p` until GTK maps a tool tip; whether it did. GTK starts its
// delay on a motion inside the widget, and a warp that reaches the widget
// as an enter alone starts none: the hand comes to rest again every few
// seconds.
bool HoverUntilTip(const TPoint& p) {
  auto last = std::chrono::steady_clock::now();
  HoverAt(p);
  return test::PumpUntil([&] {
    if (!test::MappedTooltip().empty()) return true;
    if (std::chrono::steady_clock::now() - last > std::chrono::seconds(5)) {
      HoverAt(TPoint{p.x, p.y + 1});
      HoverAt(p);
      last = std::chrono::steady_clock::now();
    }
    return false;
  });
}

// Pixels that differ between two grabs inside a rectangle.
int Changed(const test::Screen& a, const test::Screen& b, const TRect& r) {
  int n = 0;
  for (int y = std::max(0, r.top); y < std::min({r.bottom, a.height, b.height}); ++y)
    for (int x = std::max(0, r.left); x < std::min({r.right, a.width, b.width}); ++x) n += a.At(x, y) != b.At(x, y);
  return n;
}

TEST_F(ToolBarMenuTest, ToolBarButtonsShowTheirCommandHintsAsTooltips) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  const std::vector<std::pair<std::uint32_t, std::u16string>>& expected = MainBarHints();
  auto frame = std::make_unique<TTestyFrameWindow>();
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShow);
  test::Pump(300ms);
  TGadgetWindow* bar = MainBar(*frame);
  ASSERT_NE(bar, nullptr);
  std::vector<const TGadget*> buttons;
  for (const auto& g : bar->Gadgets())
    if (dynamic_cast<const TButtonGadgetZv*>(g.get())) buttons.push_back(g.get());
  ASSERT_EQ(buttons.size(), expected.size());
  auto centre = [&](const TGadget& g) {
    const TRect& b = g.GetBounds();
    return bar->ClientToScreen(TPoint{b.left + int(b.Width()) / 2, b.top + int(b.Height()) / 2});
  };
  const TPoint away = bar->ClientToScreen(TPoint{0, 200});
  MoveTo(away);
  test::Pump(100ms);
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    EXPECT_EQ(buttons[i]->GetId(), int(expected[i].first));
    HoverAt(centre(*buttons[i]));
    const WString want(expected[i].second);
    EXPECT_TRUE(test::PumpUntil([&] { return bar->GetTooltipText() == want; }))
        << expected[i].first << ": " << bar->GetTooltipText().ToUtf8();
  }
  // GTK itself shows the last one below the mouse after its delay.
  const TPoint last = centre(*buttons.back());
  const TRect below{last.x - 100, last.y + 14, last.x + 120, last.y + 60};
  MoveTo(TPoint{last.x, last.y + 200});
  EXPECT_TRUE(test::PumpUntil([] { return test::MappedTooltip().empty(); })) << "a tip stayed";
  const test::Screen before = test::GrabScreen(test::ArtifactDir() / "toolbar-no-tooltip.png");
  EXPECT_TRUE(HoverUntilTip(last)) << "no tip was mapped";
  // Mapped, then drawn: the screen shows it some frames later.
  test::Screen shown;
  test::PumpUntil([&] {
    shown = test::GrabScreen(test::ArtifactDir() / "toolbar-tooltip.png");
    return before.pixels.empty() || shown.pixels.empty() || Changed(before, shown, below) > 200;
  });
  if (!before.pixels.empty() && !shown.pixels.empty()) {
    EXPECT_GT(Changed(before, shown, below), 200);
  }
  // Off the buttons the bar has no tool tip.
  MoveTo(TPoint{last.x, last.y + 200});
  EXPECT_TRUE(test::PumpUntil([&] { return bar->GetTooltipText().IsEmpty(); }));
  // The hints follow the language.
  frame->SwitchLanguage(kLanguageCzech);
  test::Pump(200ms);
  bar = MainBar(*frame);
  ASSERT_NE(bar, nullptr);
  HoverAt(centre(*bar->Gadgets().front()));
  EXPECT_TRUE(test::PumpUntil([&] { return bar->GetTooltipText() == WString(u"Otevřít (Ctrl+O)"); }))
      << bar->GetTooltipText().ToUtf8();
  MoveTo(TPoint{last.x, last.y + 200});
  frame->SwitchLanguage(kLanguageEnglish);
}

// Every button has its tool tip, also while it is disabled (with no drawing
// open most are), and the three boxes show theirs over every part of them:
// the arrow button of the page and zoom boxes showed none.
TEST_F(ToolBarMenuTest, DisabledButtonsAndEveryPartOfTheBoxesShowTooltips) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  auto frame = std::make_unique<TTestyFrameWindow>();
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShow);
  frame->GetPeer()->SetSize(0, 0, 1200, 700);
  test::Pump(300ms);
  auto idle = [&] {
    for (int i = 0; i < 3; ++i) {
      frame->IdleAction(0);
      if (TGadgetWindow* bar = MainBar(*frame)) bar->IdleAction(0);
      PumpAndDispatch(60ms);
    }
  };
  idle();
  TGadgetWindow* bar = MainBar(*frame);
  ASSERT_NE(bar, nullptr);
  auto centre = [&](const TGadget& g) {
    const TRect& b = g.GetBounds();
    return bar->ClientToScreen(TPoint{b.left + int(b.Width()) / 2, b.top + int(b.Height()) / 2});
  };
  const TPoint away = bar->ClientToScreen(TPoint{0, 300});
  int disabled = 0;
  for (const auto& [id, hint] : MainBarHints()) {
    const TGadget* button = bar->GadgetWithId(int(id));
    ASSERT_NE(button, nullptr) << id;
    disabled += !button->GetEnabled();
    MoveTo(away);
    EXPECT_TRUE(test::PumpUntil([&] { return bar->GetTooltipText().IsEmpty(); })) << id;
    HoverAt(centre(*button));
    EXPECT_TRUE(test::PumpUntil([&] { return bar->GetTooltipText() == WString(hint); }))
        << id << (button->GetEnabled() ? "" : " (disabled)") << ": " << bar->GetTooltipText().ToUtf8();
  }
  EXPECT_GE(disabled, 5) << "with no drawing open the drawing's commands are disabled";

  // The boxes, with a drawing of several pages; GTK shows the tip below the
  // mouse after its delay.
  const std::filesystem::path sample =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
  ASSERT_TRUE(frame->OpenFile(WString::FromUtf8(sample.string())));
  idle();
  int n = 0;
  for (TWindow* box : {static_cast<TWindow*>(FindBox<TPagesComboBox>(*frame)),
                       static_cast<TWindow*>(FindBox<TZoomComboBox>(*frame)),
                       static_cast<TWindow*>(FindBox<TLevelComboBox>(*frame))}) {
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(box->IsWindowVisible());
    const TRect r = box->GetWindowRect();
    // The arrow at the right end, and the text.
    for (const TPoint at : {TPoint{r.right - 8, (r.top + r.bottom) / 2}, TPoint{r.left + 20, (r.top + r.bottom) / 2}}) {
      SCOPED_TRACE("box " + std::to_string(n) + " at x " + std::to_string(at.x));
      MoveTo(away);
      EXPECT_TRUE(test::PumpUntil([] { return test::MappedTooltip().empty(); })) << "a tip stayed";
      const test::Screen before = test::GrabScreen(test::ArtifactDir() / ("box-tip-" + std::to_string(n) + "-none.png"));
      EXPECT_TRUE(HoverUntilTip(at)) << "no tip was mapped";
      const TRect below{at.x - 100, r.bottom + 2, at.x + 120, r.bottom + 60};
      // Mapped, then drawn: the screen shows it some frames later.
      test::Screen shown;
      test::PumpUntil([&] {
        shown = test::GrabScreen(test::ArtifactDir() / ("box-tip-" + std::to_string(n) + ".png"));
        return before.pixels.empty() || shown.pixels.empty() || Changed(before, shown, below) > 200;
      });
      ASSERT_FALSE(before.pixels.empty() || shown.pixels.empty()) << "no screen grab";
      EXPECT_GT(Changed(before, shown, below), 200) << "no tip";
      ++n;
    }
  }
  MoveTo(away);
}

// The drop-down menus show on the program's menu colour, and so do the menu
// bar's titles (GTK draws the menus: its styling takes the colour).
TEST_F(ToolBarMenuTest, MenusShowTheProgramsMenuColour) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  // The program's own colours, as it installs them at start-up.
  const ConfiguredUiColorHook previous = SetConfiguredUiColorHook(&ShellConfiguredUiColor);
  const std::uint32_t c = GetUiSysColor(132);  // 0x00BBGGRR
  ASSERT_NE(c, GetUiSysColor(4)) << "the menu colour must differ from the theme's for this test";
  const std::uint32_t menu = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);  // as the screen has it
  auto frame = std::make_unique<TTestyFrameWindow>();
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShow);
  frame->GetPeer()->SetSize(0, 0, 700, 500);
  test::Pump(300ms);
  EXPECT_EQ(frame->GetMenuDecorator().MenuColor(), c);
  const wxPoint origin = frame->GetPeer()->GetScreenPosition();
  auto count = [&](const test::Screen& screen, const TRect& r) {
    int n = 0;
    for (int y = std::max(0, r.top); y < std::min(r.bottom, screen.height); ++y)
      for (int x = std::max(0, r.left); x < std::min(r.right, screen.width); ++x) n += screen.At(x, y) == menu;
    return n;
  };
  test::ClickMenuTitle(origin.x + 20, origin.y + 10);
  EXPECT_TRUE(test::PumpUntil([] { return test::MappedMenus() > 0; })) << "the File menu did not open";
  // Mapped, then drawn: the screen shows the colours some frames later.
  test::Screen open;
  test::PumpUntil([&] {
    open = test::GrabScreen(test::ArtifactDir() / "main-menu-colour.png");
    return open.pixels.empty() ||
           (count(open, TRect{origin.x, origin.y + 30, origin.x + 200, origin.y + 200}) > 2000 &&
            count(open, TRect{origin.x + 60, origin.y, origin.x + 300, origin.y + 22}) > 200);
  });
  CloseMenus();
  SetConfiguredUiColorHook(previous);
  ASSERT_FALSE(open.pixels.empty()) << "no screen grab";
  // The drop-down below the bar, and the bar's other titles.
  EXPECT_GT(count(open, TRect{origin.x, origin.y + 30, origin.x + 200, origin.y + 200}), 2000) << "menu background";
  EXPECT_GT(count(open, TRect{origin.x + 60, origin.y, origin.x + 300, origin.y + 22}), 200) << "menu bar titles";
}

// A help frame with the main menu and its accelerators that notes the
// commands it runs; Export is disabled.
class ShortcutFrame : public THelpWindow {
 public:
  ShortcutFrame() : THelpWindow(nullptr, WString(u"Shortcut frame")) {
    Attr.W = 500;
    Attr.H = 300;
    SetMenuResourceId(20000);
    SetAcceleratorTableId(20000);
  }
  void CmClose() { commands.push_back(kCmFileClose); }
  void CmExport() { commands.push_back(kCmExport); }
  void CeExport(TCommandEnabler& ce) { ce.Enable(false); }
  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable table(
        {OnCommand<&ShortcutFrame::CmClose>(kCmFileClose), OnCommand<&ShortcutFrame::CmExport>(kCmExport),
         OnCommandEnable<&ShortcutFrame::CeExport>(kCmExport)},
        {&THelpWindow::Table()});
    return table;
  }
  std::vector<std::uint32_t> commands;
};

TEST_F(ToolBarMenuTest, ShortcutKeysReachTheFrameThroughTheDecorator) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  auto frame = std::make_unique<ShortcutFrame>();
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShow);
  test::Pump(300ms);
  // Without the toolkit's accelerators only the decorator can make a command
  // of Ctrl+F4, the second key of Close, which no menu item shows (GTK
  // itself takes the keys that menu items show).
  frame->GetPeer()->SetAcceleratorTable(wxNullAcceleratorTable);
  // The keys go to the focus, a client of the frame.
  frame->SetClientWindow(new TWindow(frame.get()));
  frame->GetClientWindow()->SetFocus();
  test::Pump(100ms);
  test::Shell(test::XdoOnWindow("Shortcut frame", "key ctrl+F4"));
  ASSERT_TRUE(test::PumpUntil([&] {
    MessageQueue::Instance().DispatchRound();
    return !frame->commands.empty();
  }, 3s));
  // A disabled command takes no key.
  test::Shell(test::XdoOnWindow("Shortcut frame", "key ctrl+e"));
  PumpAndDispatch(300ms);
  EXPECT_EQ(frame->commands, (std::vector<std::uint32_t>{kCmFileClose}));
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
