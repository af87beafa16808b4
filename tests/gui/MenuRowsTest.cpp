// The main menu's rows as GTK shows them with the program's own parts: the
// bar in the menu colour over its whole width, a check item with no box and
// a checked one with the 7 x 7 tick in its text colour, the shortcut texts
// in the program's key names in every language (the keypad's "Num +", and
// the page keys that no menu accelerator binds), and the keys doing what
// they did, once. Needs a display (run under Xvfb by xvfb-run.sh).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <wx/menu.h>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/CommandIds.h"
#include "app/ConfiguredUiColors.h"
#include "app/HelpWindow.h"
#include "app/TestyFrameWindow.h"
#include "controls/MenuAccessWx.h"
#include "controls/MenuRowGtk.h"
#include "foundation/LangTable.h"
#include "foundation/UiColors.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/WxText.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

// The running toolkit's answers about the widgets of a menu.
struct Gtk {
  struct Box {
    int x, y, width, height;
  };
  struct Rgba {
    double r, g, b, a;
  };
  template <class F>
  static F Symbol(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
  }
  void* (*child)(void*) = Symbol<void* (*)(void*)>("gtk_bin_get_child");
  void* (*window)(void*) = Symbol<void* (*)(void*)>("gtk_widget_get_window");
  int (*origin)(void*, int*, int*) = Symbol<int (*)(void*, int*, int*)>("gdk_window_get_origin");
  void (*allocation)(void*, Box*) = Symbol<void (*)(void*, Box*)>("gtk_widget_get_allocation");
  void* (*toplevel)(void*) = Symbol<void* (*)(void*)>("gtk_widget_get_toplevel");
  int (*translate)(void*, void*, int, int, int*, int*) =
      Symbol<int (*)(void*, void*, int, int, int*, int*)>("gtk_widget_translate_coordinates");
  int (*mapped)(void*) = Symbol<int (*)(void*)>("gtk_widget_get_mapped");
  void (*preferredWidth)(void*, int*, int*) = Symbol<void (*)(void*, int*, int*)>("gtk_widget_get_preferred_width");
  void* (*layout)(void*) = Symbol<void* (*)(void*)>("gtk_label_get_layout");
  void (*pixelSize)(void*, int*, int*) = Symbol<void (*)(void*, int*, int*)>("pango_layout_get_pixel_size");
  unsigned (*accelWidth)(void*) = Symbol<unsigned (*)(void*)>("gtk_accel_label_get_accel_width");
  void* (*context)(void*) = Symbol<void* (*)(void*)>("gtk_widget_get_style_context");
  int (*state)(void*) = Symbol<int (*)(void*)>("gtk_style_context_get_state");
  void (*color)(void*, int, Rgba*) = Symbol<void (*)(void*, int, Rgba*)>("gtk_style_context_get_color");
  bool Ok() const { return child && window && toplevel && translate && origin && allocation && mapped && preferredWidth && layout && pixelSize && accelWidth && context && state && color; }

  // The widget's rectangle on the screen (a menu's items lie in a window
  // of their own inside the menu's, so the offset is asked of GTK).
  TRect OnScreen(void* widget) const {
    void* top = toplevel(widget);
    int x = 0;
    int y = 0;
    origin(window(top), &x, &y);
    int dx = 0;
    int dy = 0;
    translate(widget, top, 0, 0, &dx, &dy);
    Box b{};
    allocation(widget, &b);
    return TRect{x + dx, y + dy, x + dx + b.width, y + dy + b.height};
  }
  // A label's text colour as 0xRRGGBB.
  std::uint32_t TextColour(void* label) const {
    Rgba c{};
    color(context(label), state(context(label)), &c);
    auto channel = [](double v) { return std::uint32_t(v * 255 + 0.5); };
    return (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b);
  }
};

// A pixel of the grab; an impossible colour outside it.
std::uint32_t Pixel(const test::Screen& s, int x, int y) {
  return x >= 0 && y >= 0 && x < s.width && y < s.height ? s.At(x, y) : 0xFF000000;
}

void MoveTo(int x, int y) {
  test::Shell("timeout 10 xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y) +
              " >/dev/null 2>&1");
}

// GTK opens a menu on a press and release with time between them.
void ClickSlowly(const TRect& r) {
  MoveTo(r.left + int(r.Width()) / 2, r.top + int(r.Height()) / 2);
  test::Pump(100ms);
  test::Shell("timeout 10 xdotool mousedown 1 >/dev/null 2>&1");
  test::Pump(150ms);
  test::Shell("timeout 10 xdotool mouseup 1 >/dev/null 2>&1");
}

void CloseMenus() {
  for (int i = 0; i < 3; ++i) {
    test::Shell("timeout 10 xdotool key Escape >/dev/null 2>&1");
    test::Pump(80ms);
  }
}

// What a check item's row shows left of its text: nothing but the
// background when it is unchecked; when checked, the 7 x 7 tick (columns
// of three pixels, starting 2, 3, 4, 3, 2, 1, 0 rows down) in the text
// colour and nothing else. Empty when it holds; else what is wrong.
std::string CheckAreaFault(const test::Screen& s, const TRect& row, const TRect& text, bool checked,
                           std::uint32_t background, std::uint32_t textColour) {
  std::vector<TPoint> marks;
  // Two pixels in from the row's edges: the menu's border may touch them.
  for (int y = row.top + 2; y < row.bottom - 2; ++y)
    for (int x = row.left + 2; x < text.left; ++x) {
      const std::uint32_t p = Pixel(s, x, y);
      if (p == background) continue;
      if (p != textColour) return "a pixel of another colour at " + std::to_string(x) + "," + std::to_string(y);
      marks.push_back(TPoint{x, y});
    }
  if (!checked) return marks.empty() ? "" : std::to_string(marks.size()) + " pixels on an unchecked item";
  if (marks.size() != 21) return std::to_string(marks.size()) + " tick pixels, not 21";
  int left = marks.front().x;
  int top = marks.front().y;
  for (const TPoint& p : marks) {
    left = std::min(left, p.x);
    top = std::min(top, p.y);
  }
  static constexpr int kFirstRow[7] = {2, 3, 4, 3, 2, 1, 0};
  for (const TPoint& p : marks) {
    const int c = p.x - left;
    const int r = p.y - top;
    if (c > 6 || r < kFirstRow[c] || r > kFirstRow[c] + 2) return "not the tick's shape";
  }
  if (text.left - left != 10) return "the tick is " + std::to_string(text.left - left) + " px left of the text";
  if (std::abs((top + 3) - (row.top + int(row.Height()) / 2)) > 1) return "the tick is not centred on the row";
  return "";
}

class MenuRowsTest : public test::SettingsFolderTest {};

TEST_F(MenuRowsTest, BarTicksAndShortcutTextsAreThePrograms) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  const Gtk gtk;
  ASSERT_TRUE(gtk.Ok());
  const ConfiguredUiColorHook previous = SetConfiguredUiColorHook(&ShellConfiguredUiColor);
  const std::uint32_t c = GetUiSysColor(132);
  ASSERT_NE(c, GetUiSysColor(4)) << "the menu colour must differ from the theme's for this test";
  const std::uint32_t menuColour = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  auto frame = std::make_unique<TTestyFrameWindow>();
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShow);
  frame->GetPeer()->SetSize(0, 0, 700, 500);
  test::Pump(300ms);
  wxMenuBar* bar = frame->GetMenuBar();
  auto row = [&](std::uint32_t id) { return bar->FindItem(int(id))->GetMenuItem(); };

  // The key names, in every language: the page keys as the language
  // tables name them; GTK shows no accelerator text of its own.
  struct PageKeys {
    int language;
    const char* up;
    const char* down;
  };
  for (const PageKeys& keys : {PageKeys{kLanguageCzech, "Page Up", "Page Down"},
                               PageKeys{kLanguageSlovak, "Page Up", "Page Down"},
                               PageKeys{kLanguageEnglish, "Page up", "Page down"}}) {
    const int language = keys.language;
    frame->SwitchLanguage(language);
    bar = frame->GetMenuBar();
    EXPECT_EQ(RowShortcut(row(kCmZoomIn)), "Num +") << language;
    EXPECT_EQ(RowShortcut(row(kCmZoomOut)), "Num -") << language;
    EXPECT_EQ(RowShortcut(row(kCmPagePrevious)), keys.up) << language;
    EXPECT_EQ(RowShortcut(row(kCmPageNext)), keys.down) << language;
    EXPECT_EQ(RowShortcut(row(kCmFileOpen)), "Ctrl+O") << language;
    EXPECT_EQ(RowShortcut(row(kCmZoom25)), "") << language;
    for (std::uint32_t id : {kCmZoomIn, kCmFileOpen, kCmPagePrevious}) {
      // The label measures its accelerator text when asked for its width.
      int minimum = 0;
      int natural = 0;
      gtk.preferredWidth(gtk.child(row(id)), &minimum, &natural);
      EXPECT_EQ(gtk.accelWidth(gtk.child(row(id))), 0u) << language << ": " << id;
    }
  }

  // The decorator reads a page key's name after a TAB, as the resource has
  // it; written back, the name stays out of the label, where GTK would bind
  // the key.
  {
    TWxMenuBarAccess access(bar, &frame->GetMenuShownKeys());
    TMenuAccess* page = access.GetSubMenu(1);
    ASSERT_NE(page, nullptr);
    wxMenuItem* previousItem = bar->FindItem(int(kCmPagePrevious));
    const WString label = FromWx(previousItem->GetItemLabel());
    EXPECT_EQ(page->GetMenuString(0), WString(label).AppendCStr(u"\tPage up"));
    page->SetMenuString(0, WString(label).AppendCStr(u"\tPage up"));
    EXPECT_EQ(FromWx(previousItem->GetItemLabel()), label);
  }

  // The bar's far right, with every menu closed.
  test::Pump(300ms);
  const TRect barBox = gtk.OnScreen(bar->GetMenu(0)->m_owner);
  const wxPoint origin = frame->GetPeer()->GetScreenPosition();
  const test::Screen closed = test::GrabScreen(test::ArtifactDir() / "menu-bar.png");
  ASSERT_FALSE(closed.pixels.empty()) << "no screen grab";
  const int barY = barBox.top + int(barBox.Height()) / 2;
  ASSERT_GT(barBox.Height(), 0) << "the bar's first title has no place on the screen";
  EXPECT_EQ(Pixel(closed, origin.x + 700 - 2, barY), menuColour) << "far right of the bar";
  EXPECT_EQ(Pixel(closed, origin.x + 500, barY), menuColour) << "middle of the bar";

  // The Page menu: its rows draw the page keys' names at their right.
  ClickSlowly(gtk.OnScreen(bar->GetMenu(1)->m_owner));
  ASSERT_TRUE(test::PumpUntil([&] { return gtk.mapped(row(kCmPageNext)) != 0; })) << "the Page menu opens";
  test::Pump(200ms);
  const test::Screen pageMenu = test::GrabScreen(test::ArtifactDir() / "menu-page-keys.png");
  for (std::uint32_t id : {kCmPagePrevious, kCmPageNext}) {
    const TRect r = gtk.OnScreen(row(id));
    // Right of the label's own text, where the key name is drawn.
    void* label = gtk.child(row(id));
    int textWidth = 0;
    gtk.pixelSize(gtk.layout(label), &textWidth, nullptr);
    ASSERT_GT(textWidth, 0);
    int inked = 0;
    for (int y = r.top + 2; y < r.bottom - 2; ++y)
      for (int x = gtk.OnScreen(label).left + textWidth + 4; x < r.right - 2; ++x)
        inked += Pixel(pageMenu, x, y) != menuColour;
    EXPECT_GT(inked, 30) << "no key name on row " << id;
  }
  CloseMenus();

  // The View menu's zoom items (none checked without a drawing) and the
  // language items (English checked).
  ClickSlowly(gtk.OnScreen(bar->GetMenu(2)->m_owner));
  ASSERT_TRUE(test::PumpUntil([&] { return gtk.mapped(row(kCmZoom400)) != 0; })) << "the View menu opens";
  test::Pump(200ms);
  const test::Screen viewMenu = test::GrabScreen(test::ArtifactDir() / "menu-view-checks.png");
  for (std::uint32_t id : {kCmZoom25, kCmZoom50, kCmZoom100, kCmZoom200, kCmZoom400}) {
    void* item = row(id);
    EXPECT_EQ(CheckAreaFault(viewMenu, gtk.OnScreen(item), gtk.OnScreen(gtk.child(item)),
                             bar->FindItem(int(id))->IsChecked(), menuColour, gtk.TextColour(gtk.child(item))),
              "")
        << "zoom item " << id;
  }
  CloseMenus();
  ClickSlowly(gtk.OnScreen(bar->GetMenu(3)->m_owner));
  wxMenuItem* languages = bar->GetMenu(3)->FindItemByPosition(0);
  ASSERT_TRUE(test::PumpUntil([&] { return gtk.mapped(languages->GetMenuItem()) != 0; }));
  const TRect languagesRow = gtk.OnScreen(languages->GetMenuItem());
  MoveTo(languagesRow.left + 10, languagesRow.top + int(languagesRow.Height()) / 2);
  ASSERT_TRUE(test::PumpUntil([&] { return gtk.mapped(row(kCmEnglish)) != 0; })) << "the Language menu opens";
  test::Pump(300ms);
  const test::Screen languageMenu = test::GrabScreen(test::ArtifactDir() / "menu-language-checks.png");
  for (std::uint32_t id : {kCmCzech, kCmSlovak, kCmEnglish}) {
    void* item = row(id);
    ASSERT_EQ(bar->FindItem(int(id))->IsChecked(), id == kCmEnglish);
    EXPECT_EQ(CheckAreaFault(languageMenu, gtk.OnScreen(item), gtk.OnScreen(gtk.child(item)), id == kCmEnglish,
                             menuColour, gtk.TextColour(gtk.child(item))),
              "")
        << "language item " << id;
  }
  CloseMenus();
  SetConfiguredUiColorHook(previous);
}

// A help frame with the main menu and its accelerators that notes the
// commands it runs.
class KeyFrame : public THelpWindow {
 public:
  KeyFrame() : THelpWindow(nullptr, WString(u"Key frame")) {
    Attr.W = 500;
    Attr.H = 300;
    SetMenuResourceId(20000);
    SetAcceleratorTableId(20000);
  }
  void CmZoomIn() { commands.push_back(kCmZoomIn); }
  void CmZoomOut() { commands.push_back(kCmZoomOut); }
  void CmPrevious() { commands.push_back(kCmPagePrevious); }
  void CmNext() { commands.push_back(kCmPageNext); }
  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable table(
        {OnCommand<&KeyFrame::CmZoomIn>(kCmZoomIn), OnCommand<&KeyFrame::CmZoomOut>(kCmZoomOut),
         OnCommand<&KeyFrame::CmPrevious>(kCmPagePrevious), OnCommand<&KeyFrame::CmNext>(kCmPageNext)},
        {&THelpWindow::Table()});
    return table;
  }
  std::vector<std::uint32_t> commands;
};

// The keypad keys run their commands once each, and the page keys, whose
// names the menu now shows, still run no menu command (the drawing window
// takes them).
TEST_F(MenuRowsTest, ShownKeysRunWhatTheyRanOnce) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  auto frame = std::make_unique<KeyFrame>();
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShow);
  frame->SetClientWindow(new TWindow(frame.get()));
  test::Pump(300ms);
  frame->GetClientWindow()->SetFocus();
  test::Pump(100ms);
  auto dispatch = [&](std::chrono::milliseconds d) {
    test::Pump(d);
    MessageQueue::Instance().DispatchRound();
  };
  test::Shell(test::XdoOnWindow("Key frame", "key KP_Add"));
  ASSERT_TRUE(test::PumpUntil([&] {
    MessageQueue::Instance().DispatchRound();
    return !frame->commands.empty();
  }, 3s)) << "Num + runs no command";
  test::Shell(test::XdoOnWindow("Key frame", "key KP_Subtract Prior Next"));
  dispatch(400ms);
  dispatch(100ms);
  EXPECT_EQ(frame->commands, (std::vector<std::uint32_t>{kCmZoomIn, kCmZoomOut}));
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
