// The main menu's rows as GTK shows them with the program's own parts: the
// bar in the menu colour over its whole width, a check item with no box and
// a checked one with the 7 x 7 tick in its text colour, the shortcut texts
// in the program's key names in every language (the keypad's "Num +", and
// the page keys that no menu accelerator binds), the pictures centred in
// the icon column and the texts right of it in a menu with pictures, the
// texts 13 pixels in and the ticks 3 in one without, and the keys doing what
// they did, once. Then the
// program's colours under the mouse: a bar title filled in the highlight
// colour with its text in the highlight text's (also after Escape closed
// its menu under the mouse), the icon column in its own colour under a
// highlighted row, a disabled checked item's tick and text, and a disabled
// command's picture greyed as on the tool bar. Needs a display (run under
// Xvfb by xvfb-run.sh).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <wx/frame.h>
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
#include "controls/GadgetImage.h"
#include "controls/MenuAccessWx.h"
#include "controls/MenuDecorator.h"
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
  int (*stateFlags)(void*) = Symbol<int (*)(void*)>("gtk_widget_get_state_flags");
  void* (*itemImage)(void*) = Symbol<void* (*)(void*)>("gtk_image_menu_item_get_image");
  unsigned long (*connect)(void*, const char*, int (*)(void*, void*, void*), void*, void*, int) =
      Symbol<unsigned long (*)(void*, const char*, int (*)(void*, void*, void*), void*, void*, int)>(
          "g_signal_connect_data");
  void (*disconnect)(void*, unsigned long) = Symbol<void (*)(void*, unsigned long)>("g_signal_handler_disconnect");
  void* (*defaultDisplay)() = Symbol<void* (*)()>("gdk_display_get_default");
  void (*sync)(void*) = Symbol<void (*)(void*)>("gdk_display_sync");
  void (*layoutOffsets)(void*, int*, int*) = Symbol<void (*)(void*, int*, int*)>("gtk_label_get_layout_offsets");
  bool Ok() const {
    return child && window && toplevel && translate && origin && allocation && mapped && preferredWidth && layout &&
           pixelSize && accelWidth && context && state && color && stateFlags && itemImage && connect && disconnect &&
           defaultDisplay && sync && layoutOffsets;
  }
  static constexpr int kPrelight = 1 << 1;  // GTK_STATE_FLAG_PRELIGHT: under the mouse, or its menu open
  bool Prelit(void* widget) const { return (stateFlags(widget) & kPrelight) != 0; }

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
  // Where a label draws its text on the screen, as high as the label:
  // its allocation starts sooner by its margin.
  TRect TextOnScreen(void* label) const {
    int x = 0;
    layoutOffsets(label, &x, nullptr);
    Box b{};
    allocation(label, &b);
    TRect r = OnScreen(label);
    r.left += x - b.x;
    return r;
  }
  // A label's text colour as 0xRRGGBB.
  std::uint32_t TextColour(void* label) const {
    Rgba c{};
    color(context(label), state(context(label)), &c);
    auto channel = [](double v) { return std::uint32_t(v * 255 + 0.5); };
    return (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b);
  }
};

// 0xRRGGBB of a colour 0x00BBGGRR.
std::uint32_t Rgb(std::uint32_t colorref) {
  return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}

// A pixel of the grab; an impossible colour outside it.
std::uint32_t Pixel(const test::Screen& s, int x, int y) {
  return x >= 0 && y >= 0 && x < s.width && y < s.height ? s.At(x, y) : 0xFF000000;
}

// A menu opens, a row takes the highlight, within this: the suite's one
// bound for a state, wide enough for the sanitizer build on a loaded machine.
constexpr auto kMenuWait = test::kStateLimit;

// The icon column's width, from the row's left edge.
constexpr int kColumn = 25;
// In a menu with pictures: where the text starts (the column, 11 pixels,
// and 2 more: the tick lies between), and the 16 x 16 pictures' top-left
// corner, centred in the column.
constexpr int kPicturedText = kColumn + 11 + 2;
constexpr int kPictureInset = 4;
constexpr int kPictureSize = 16;
// In a menu without pictures: no column, the text 11 and 2 pixels in, the
// tick's 7 columns from 3 pixels.
constexpr int kPlainText = 11 + 2;
constexpr int kPlainTickEnd = kPlainText - 10 + 7;

void MoveTo(int x, int y) {
  test::Shell("timeout 10 xdotool " + test::PointerTo(x, y) +
              " >/dev/null 2>&1");
}

void ClickTitle(const TRect& r) { test::ClickMenuTitle(r.left + int(r.Width()) / 2, r.top + int(r.Height()) / 2); }

// Escape closes one menu of the open ones at a time; the next title is
// clicked only once every menu is gone.
void CloseMenus() {
  for (int i = 0; i < 4 && test::MappedMenus() > 0; ++i) {
    const int open = test::MappedMenus();
    test::Shell("timeout 10 xdotool key Escape >/dev/null 2>&1");
    test::PumpUntil([open] { return test::MappedMenus() < open; }, kMenuWait / 4);
  }
  EXPECT_EQ(test::MappedMenus(), 0) << "Escape does not close the menus";
}

// What a check item's row shows left of its text: nothing but the
// background when it is unchecked; when checked, the 7 x 7 tick (columns
// of three pixels, starting 2, 3, 4, 3, 2, 1, 0 rows down) in the text
// colour and nothing else. Empty when it holds; else what is wrong.
// The background may be the icon column's colour left of the column's
// edge.
std::string CheckAreaFault(const test::Screen& s, const TRect& row, const TRect& text, bool checked,
                           std::uint32_t background, std::uint32_t textColour, std::uint32_t column) {
  std::vector<TPoint> marks;
  // Two pixels in from the row's edges: the menu's border may touch them.
  for (int y = row.top + 2; y < row.bottom - 2; ++y)
    for (int x = row.left + 2; x < text.left; ++x) {
      const std::uint32_t p = Pixel(s, x, y);
      if (p == (x < row.left + kColumn ? column : background)) continue;
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

// The first column from `from` pixels into the row (right of the icon
// column unless told) with a pixel that is neither `background` nor
// `column` in the row (two pixels in from its top and bottom, where the
// menu's border may be); the row's right edge if none.
int FirstInk(const test::Screen& s, const TRect& row, std::uint32_t background, std::uint32_t column,
             int from = kColumn) {
  for (int x = row.left + from; x < row.right; ++x)
    for (int y = row.top + 2; y < row.bottom - 2; ++y) {
      const std::uint32_t p = Pixel(s, x, y);
      if (p != background && p != column) return x;
    }
  return row.right;
}

// Whether the screen shows `bgra` (B, G, R, A rows top down, as the tool
// bar paints a picture) with its top-left corner at `at`, pixel for pixel.
// Empty when it does; else the first pixel that differs.
std::string PictureFault(const test::Screen& s, TPoint at, const std::vector<std::uint8_t>& bgra, int w, int h) {
  if (bgra.size() != std::size_t(w) * std::size_t(h) * 4) return "no picture to compare with";
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* p = &bgra[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 4];
      const std::uint32_t want = (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
      const std::uint32_t got = Pixel(s, at.x + x, at.y + y);
      if (got == want) continue;
      char text[80];
      std::snprintf(text, sizeof text, "%06x, not %06x, at %d,%d of the picture", got, want, x, y);
      return text;
    }
  return "";
}

// What a row of a menu with pictures holds where: its picture at (4, 4),
// 16 x 16, its text from 38 pixels, the first ink there too (a glyph may
// start a pixel in), all from the row's top-left corner. Empty when it
// holds; else what is wrong.
std::string PicturedRowFault(const Gtk& gtk, const test::Screen& s, void* item, std::uint32_t background,
                             std::uint32_t column) {
  const TRect row = gtk.OnScreen(item);
  const TRect picture = gtk.OnScreen(gtk.itemImage(item));
  if (picture.left - row.left != kPictureInset || picture.top - row.top != kPictureInset ||
      picture.Width() != kPictureSize || picture.Height() != kPictureSize)
    return "the picture at " + std::to_string(picture.left - row.left) + "," + std::to_string(picture.top - row.top) +
           ", " + std::to_string(picture.Width()) + " x " + std::to_string(picture.Height());
  const int text = gtk.TextOnScreen(gtk.child(item)).left - row.left;
  if (text != kPicturedText) return "the text at " + std::to_string(text);
  const int ink = FirstInk(s, row, background, column) - row.left;
  if (ink < kPicturedText || ink > kPicturedText + 1) return "the first ink at " + std::to_string(ink);
  return "";
}

// What a row of a menu without pictures holds where: its text from 13
// pixels, the first ink right of the tick's place there too (a glyph may
// start a pixel in, or a pixel out as a J does), from the row's left edge.
// Empty when it holds; else what is wrong.
std::string PlainRowFault(const Gtk& gtk, const test::Screen& s, void* item, std::uint32_t background) {
  const TRect row = gtk.OnScreen(item);
  const int text = gtk.TextOnScreen(gtk.child(item)).left - row.left;
  const int ink = FirstInk(s, row, background, background, kPlainTickEnd) - row.left;
  if (text == kPlainText && std::abs(ink - kPlainText) <= 1) return "";
  return "the text at " + std::to_string(text) + ", the first ink at " + std::to_string(ink);
}

// Notes how a widget was drawn last (after its own handlers and the
// program's), so that a test waits for a row drawn in the state it wants.
class DrawWatch {
 public:
  DrawWatch(const Gtk& gtk, void* widget) : gtk_(gtk), widget_(widget) {
    handler_ = gtk.connect(widget, "draw", &DrawWatch::OnDraw, this, nullptr, 1 /* G_CONNECT_AFTER */);
  }
  ~DrawWatch() { gtk_.disconnect(widget_, handler_); }
  DrawWatch(const DrawWatch&) = delete;
  DrawWatch& operator=(const DrawWatch&) = delete;

  // Runs the toolkit until the widget is highlighted (or not) and its last
  // draw showed it so, then waits for the X server to have the pixels;
  // false after kMenuWait.
  bool WaitDrawn(bool highlighted) {
    if (!test::PumpUntil(
            [&] { return draws_ > 0 && lastPrelit_ == highlighted && gtk_.Prelit(widget_) == highlighted; },
            kMenuWait))
      return false;
    gtk_.sync(gtk_.defaultDisplay());
    return true;
  }

 private:
  static int OnDraw(void* widget, void*, void* data) {
    auto* self = static_cast<DrawWatch*>(data);
    ++self->draws_;
    self->lastPrelit_ = self->gtk_.Prelit(widget);
    return 0;
  }

  const Gtk& gtk_;
  void* widget_;
  unsigned long handler_ = 0;
  int draws_ = 0;
  bool lastPrelit_ = false;
};

class MenuRowsTest : public test::SettingsFolderTest {};

TEST_F(MenuRowsTest, BarTicksAndShortcutTextsAreThePrograms) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  const Gtk gtk;
  ASSERT_TRUE(gtk.Ok());
  const ConfiguredUiColorHook previous = SetConfiguredUiColorHook(&ShellConfiguredUiColor);
  const std::uint32_t c = GetUiSysColor(132);
  ASSERT_NE(c, GetUiSysColor(4)) << "the menu colour must differ from the theme's for this test";
  const std::uint32_t menuColour = Rgb(c);
  const std::uint32_t columnColour = Rgb(MenuDecorator::IconColumnColor(c));
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

  // The bar's far right, with every menu closed, once the bar (rebuilt by
  // the language switch) is placed and drawn.
  TRect barBox{};
  wxPoint origin;
  int barY = 0;
  test::Screen closed;
  test::PumpUntil(
      [&] {
        void* title = bar->GetMenu(0)->m_owner;
        if (gtk.mapped(title) == 0) return false;
        barBox = gtk.OnScreen(title);
        if (barBox.Height() <= 1) return false;
        origin = frame->GetPeer()->GetScreenPosition();
        barY = barBox.top + int(barBox.Height()) / 2;
        gtk.sync(gtk.defaultDisplay());
        closed = test::GrabScreen(test::ArtifactDir() / "menu-bar.png");
        return Pixel(closed, origin.x + 700 - 2, barY) == menuColour && Pixel(closed, origin.x + 500, barY) == menuColour;
      },
      kMenuWait);
  ASSERT_GT(barBox.Height(), 1) << "the bar's first title has no place on the screen";
  ASSERT_FALSE(closed.pixels.empty()) << "no screen grab";
  EXPECT_EQ(Pixel(closed, origin.x + 700 - 2, barY), menuColour) << "far right of the bar";
  EXPECT_EQ(Pixel(closed, origin.x + 500, barY), menuColour) << "middle of the bar";

  // The Page menu: its rows draw the page keys' names at their right.
  {
    DrawWatch previousRow(gtk, row(kCmPagePrevious));
    DrawWatch nextRow(gtk, row(kCmPageNext));
    ClickTitle(gtk.OnScreen(bar->GetMenu(1)->m_owner));
    ASSERT_TRUE(previousRow.WaitDrawn(false) && nextRow.WaitDrawn(false)) << "the Page menu opens";
  }
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

  // In every language: the View menu's rows (pictures; none checked and
  // the zoom commands disabled without a drawing), their pictures and
  // texts in their places, a disabled command's picture greyed as the tool
  // bar greys it; the Options menu's one row (a submenu) and the Language
  // menu's (check items, which carry no picture here), the current
  // language checked: no pictures, so the texts 13 pixels in, the tick 3.
  for (const int language : {kLanguageCzech, kLanguageSlovak, kLanguageEnglish}) {
    frame->SwitchLanguage(language);
    bar = frame->GetMenuBar();
    // The bar's new titles are placed before the mouse goes there.
    void* viewTitle = bar->GetMenu(2)->m_owner;
    ASSERT_TRUE(test::PumpUntil([&] { return gtk.mapped(viewTitle) != 0 && gtk.OnScreen(viewTitle).Width() > 1; }))
        << language << ": the View title is not shown";
    gtk.sync(gtk.defaultDisplay());
    // The menu's rows are drawn in one go: the first and the last.
    DrawWatch zoomIn(gtk, row(kCmZoomIn));
    DrawWatch allElements(gtk, row(kCmAllElements));
    ClickTitle(gtk.OnScreen(viewTitle));
    ASSERT_TRUE(zoomIn.WaitDrawn(false) && allElements.WaitDrawn(false)) << language << ": the View menu opens";
    const test::Screen viewMenu = test::GrabScreen(test::ArtifactDir() / "menu-view-checks.png");
    for (std::uint32_t id : {kCmZoom25, kCmZoom50, kCmZoom100, kCmZoom200, kCmZoom400}) {
      void* item = row(id);
      EXPECT_EQ(CheckAreaFault(viewMenu, gtk.OnScreen(item), gtk.TextOnScreen(gtk.child(item)),
                               bar->FindItem(int(id))->IsChecked(), menuColour, gtk.TextColour(gtk.child(item)),
                               columnColour),
                "")
          << language << ": zoom item " << id;
    }
    for (std::uint32_t id : {kCmZoomIn, kCmZoomOut}) {
      void* item = row(id);
      EXPECT_EQ(PicturedRowFault(gtk, viewMenu, item, menuColour, columnColour), "") << language << ": row " << id;
      ASSERT_FALSE(bar->FindItem(int(id))->IsEnabled()) << "a zoom command is enabled without a drawing";
      const std::unique_ptr<TDib> image = LoadGadgetImage(id);
      ASSERT_NE(image, nullptr) << id;
      const TRect at = gtk.OnScreen(gtk.itemImage(item));
      EXPECT_EQ(PictureFault(viewMenu, TPoint{at.left, at.top}, GreyedBgra(*image, kGadgetImageFaceKey, MenuDecorator::IconColumnColor(c)),
                             image->Width(), image->Height()),
                "")
          << language << ": the disabled row's picture " << id;
    }
    CloseMenus();
    wxMenuItem* languages = bar->GetMenu(3)->FindItemByPosition(0);
    {
      DrawWatch languagesDrawn(gtk, languages->GetMenuItem());
      ClickTitle(gtk.OnScreen(bar->GetMenu(3)->m_owner));
      ASSERT_TRUE(languagesDrawn.WaitDrawn(false)) << language << ": the Options menu opens";
    }
    const test::Screen optionsMenu = test::GrabScreen(test::ArtifactDir() / "menu-options.png");
    ASSERT_FALSE(optionsMenu.pixels.empty()) << "no screen grab";
    EXPECT_EQ(PlainRowFault(gtk, optionsMenu, languages->GetMenuItem(), menuColour), "")
        << language << ": the Options menu's Language row";
    const TRect languagesRow = gtk.OnScreen(languages->GetMenuItem());
    DrawWatch czech(gtk, row(kCmCzech));
    DrawWatch english(gtk, row(kCmEnglish));
    MoveTo(languagesRow.left + 10, languagesRow.top + int(languagesRow.Height()) / 2);
    ASSERT_TRUE(czech.WaitDrawn(false) && english.WaitDrawn(false)) << language << ": the Language menu opens";
    const test::Screen languageMenu = test::GrabScreen(test::ArtifactDir() / "menu-language-checks.png");
    const std::uint32_t current = language == kLanguageCzech    ? kCmCzech
                                  : language == kLanguageSlovak ? kCmSlovak
                                                                : kCmEnglish;
    for (std::uint32_t id : {kCmCzech, kCmSlovak, kCmEnglish}) {
      void* item = row(id);
      ASSERT_EQ(bar->FindItem(int(id))->IsChecked(), id == current) << language;
      // The Language menu has no pictures, so no column.
      const TRect text = gtk.TextOnScreen(gtk.child(item));
      EXPECT_EQ(CheckAreaFault(languageMenu, gtk.OnScreen(item), text, id == current, menuColour,
                               gtk.TextColour(gtk.child(item)), menuColour),
                "")
          << language << ": language item " << id;
      EXPECT_EQ(PlainRowFault(gtk, languageMenu, item, menuColour), "") << language << ": language item " << id;
    }
    CloseMenus();
  }
  SetConfiguredUiColorHook(previous);
}

// Whether a channel of `p` lies between those of `a` and `b`.
bool Between(std::uint32_t p, std::uint32_t a, std::uint32_t b, int shift) {
  const int v = int((p >> shift) & 0xFF);
  const int x = int((a >> shift) & 0xFF);
  const int y = int((b >> shift) & 0xFF);
  return v >= std::min(x, y) && v <= std::max(x, y);
}

// Text in `ink` on `background` inside `r`: every pixel is one of the two
// or a blend of them (each channel between theirs, as smoothing gives),
// and the ink shows in full on at least 10 pixels. Empty when it holds;
// else what is wrong.
std::string InkFault(const test::Screen& s, const TRect& r, std::uint32_t background, std::uint32_t ink) {
  int inked = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      const std::uint32_t p = Pixel(s, x, y);
      inked += p == ink;
      if (!Between(p, background, ink, 0) || !Between(p, background, ink, 8) || !Between(p, background, ink, 16)) {
        char text[80];
        std::snprintf(text, sizeof text, "%06x at %d,%d", p, x, y);
        return text;
      }
    }
  return inked >= 10 ? "" : std::to_string(inked) + " pixels in the ink";
}

// Pixels of `r` not in `colour`, outside `hole`; empty when there are none,
// else the first.
std::string FillFault(const test::Screen& s, const TRect& r, std::uint32_t colour, const TRect& hole = TRect{}) {
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      if (x >= hole.left && x < hole.right && y >= hole.top && y < hole.bottom) continue;
      const std::uint32_t p = Pixel(s, x, y);
      if (p == colour) continue;
      char text[80];
      std::snprintf(text, sizeof text, "%06x at %d,%d", p, x, y);
      return text;
    }
  return "";
}

// Pixels that differ between two grabs inside a rectangle.
int Changed(const test::Screen& a, const test::Screen& b, const TRect& r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += Pixel(a, x, y) != Pixel(b, x, y);
  return n;
}

// Colours of their own for what the program colours, so that none is the
// theme's by chance; put back afterwards.
class OwnMenuColours {
 public:
  static constexpr std::uint32_t kMenu = 0x0080A0C0;           // lightness below 200: the column is lighter
  static constexpr std::uint32_t kText = 0x00603010;           // 7
  static constexpr std::uint32_t kHighlight = 0x001E28C8;      // 13
  static constexpr std::uint32_t kHighlightText = 0x0078FAFA;  // 14
  static constexpr std::uint32_t kShadow = 0x00008000;         // 16, a disabled tick
  static constexpr std::uint32_t kGrayText = 0x000000F0;       // 17, a disabled text
  OwnMenuColours() : previous_(SetConfiguredUiColorHook(&Menu)) {
    SetUiSysColor(7, std::int32_t(kText));
    SetUiSysColor(13, std::int32_t(kHighlight));
    SetUiSysColor(14, std::int32_t(kHighlightText));
    SetUiSysColor(16, std::int32_t(kShadow));
    SetUiSysColor(17, std::int32_t(kGrayText));
  }
  ~OwnMenuColours() {
    for (int index : {7, 13, 14, 16, 17}) SetUiSysColor(index, kNoUiColor);
    SetConfiguredUiColorHook(previous_);
  }
  OwnMenuColours(const OwnMenuColours&) = delete;
  OwnMenuColours& operator=(const OwnMenuColours&) = delete;

 private:
  static std::int32_t Menu(int index) { return index == 132 ? std::int32_t(kMenu) : kNoUiColor; }
  ConfiguredUiColorHook previous_;
};

// A frame of the toolkit's own with two menus, decorated as the program's
// frames are. File: three commands with pictures, the last disabled, a
// separator, a checked item that is disabled and one that is not.
// Language: check items of commands with images, which they do not show.
struct ColourFrame {
  ColourFrame() {
    frame = new wxFrame(nullptr, wxID_ANY, "Menu colours", wxPoint(0, 0), wxSize(400, 300));
    auto* bar = new wxMenuBar;
    file = new wxMenu;
    file->Append(int(kCmFileOpen), "&Open...\tCtrl+O");
    file->Append(int(kCmFileClose), "&Close");
    file->Append(int(kCmPrint), "&Print...");
    file->AppendSeparator();
    file->AppendCheckItem(int(kCmZoom50), "&Half");
    file->AppendCheckItem(int(kCmZoom100), "&Whole");
    bar->Append(file, "&File");
    languages = new wxMenu;
    languages->AppendCheckItem(int(kCmCzech), "&Czech");
    languages->AppendCheckItem(int(kCmEnglish), "&English");
    bar->Append(languages, "&Language");
    frame->SetMenuBar(bar);
    file->Enable(int(kCmPrint), false);
    file->Check(int(kCmZoom50), true);
    file->Enable(int(kCmZoom50), false);
    file->Check(int(kCmZoom100), true);
    languages->Check(int(kCmEnglish), true);
    TWxMenuBarAccess access(bar);
    decorator.ConvertMenu(false, &access);
    frame->Show();
  }
  ~ColourFrame() {
    frame->Destroy();
    test::Pump(50ms);
  }
  ColourFrame(const ColourFrame&) = delete;
  ColourFrame& operator=(const ColourFrame&) = delete;
  void* Row(std::uint32_t id) const { return frame->GetMenuBar()->FindItem(int(id))->GetMenuItem(); }

  MenuDecorator decorator;
  wxFrame* frame;
  wxMenu* file;
  wxMenu* languages;
};

TEST_F(MenuRowsTest, HighlightsAndDisabledTicksTakeTheProgramsColours) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  const Gtk gtk;
  ASSERT_TRUE(gtk.Ok());
  const OwnMenuColours colours;
  const std::uint32_t menu = Rgb(OwnMenuColours::kMenu);
  const std::uint32_t column = Rgb(MenuDecorator::IconColumnColor(OwnMenuColours::kMenu));
  ASSERT_NE(column, menu) << "the column must stand out from the menu for this test";
  const std::uint32_t highlight = Rgb(OwnMenuColours::kHighlight);
  const ColourFrame f;
  ASSERT_TRUE(test::PumpUntil([&] { return gtk.mapped(f.file->m_owner) != 0; }, kMenuWait)) << "the frame shows";
  // The X server has the frame's window before the pointer goes there.
  gtk.sync(gtk.defaultDisplay());
  DrawWatch title(gtk, f.file->m_owner);
  DrawWatch open(gtk, f.Row(kCmFileOpen));
  DrawWatch half(gtk, f.Row(kCmZoom50));
  DrawWatch english(gtk, f.Row(kCmEnglish));

  // The File title under the mouse, then with its menu open: filled in the
  // highlight colour, written in the highlight text's.
  const TRect titleBox = gtk.OnScreen(f.file->m_owner);
  const std::uint32_t highlightText = Rgb(OwnMenuColours::kHighlightText);
  MoveTo(titleBox.left + 4, titleBox.top + 4);
  MoveTo(titleBox.left + 5, titleBox.top + 5);
  ASSERT_TRUE(title.WaitDrawn(true)) << "the File title under the mouse is not drawn highlighted";
  const test::Screen pointed = test::GrabScreen(test::ArtifactDir() / "menu-colours-title.png");
  ASSERT_FALSE(pointed.pixels.empty()) << "no screen grab";
  EXPECT_EQ(InkFault(pointed, titleBox, highlight, highlightText), "") << "the bar title under the mouse";
  MoveTo(titleBox.right + 40, titleBox.top + 5);
  ASSERT_TRUE(title.WaitDrawn(false)) << "the File title stays highlighted when the mouse leaves it";
  const test::Screen away = test::GrabScreen(test::ArtifactDir() / "menu-colours-bar.png");
  ASSERT_FALSE(away.pixels.empty()) << "no screen grab";
  EXPECT_EQ(InkFault(away, titleBox, menu, Rgb(OwnMenuColours::kText)), "") << "the bar title";
  // The rows on the menu colour, their column in its own.
  ClickTitle(titleBox);
  ASSERT_TRUE(open.WaitDrawn(false)) << "the File menu does not open";
  ASSERT_TRUE(half.WaitDrawn(false)) << "the disabled row is not drawn";
  ASSERT_TRUE(title.WaitDrawn(true)) << "the File title is not drawn highlighted";
  const test::Screen opened = test::GrabScreen(test::ArtifactDir() / "menu-colours-open.png");
  ASSERT_FALSE(opened.pixels.empty()) << "no screen grab";
  EXPECT_EQ(InkFault(opened, titleBox, highlight, highlightText), "") << "the bar title of the open menu";

  const TRect closeRow = gtk.OnScreen(f.Row(kCmFileClose));
  const TRect closeText{gtk.TextOnScreen(gtk.child(f.Row(kCmFileClose))).left, closeRow.top + 2, closeRow.right - 2,
                        closeRow.bottom - 2};
  EXPECT_EQ(InkFault(opened, closeText, menu, Rgb(OwnMenuColours::kText)), "") << "a row's text";

  // A disabled checked item: the tick in the button shadow's colour, the
  // text in the grey text's.
  {
    void* item = f.Row(kCmZoom50);
    const TRect row = gtk.OnScreen(item);
    const TRect text = gtk.TextOnScreen(gtk.child(item));
    EXPECT_EQ(text.left - row.left, kPicturedText) << "the disabled checked item's text";
    EXPECT_EQ(CheckAreaFault(opened, row, text, true, menu, Rgb(OwnMenuColours::kShadow), column), "")
        << "the disabled checked item";
    EXPECT_EQ(InkFault(opened, TRect{text.left, row.top + 2, row.right - 2, row.bottom - 2}, menu,
                       Rgb(OwnMenuColours::kGrayText)),
              "")
        << "the disabled item's text";
  }

  // The pictures and texts in their places, each picture as the tool bar
  // paints it on the column's colour: greyed on the disabled row.
  for (std::uint32_t id : {kCmFileOpen, kCmFileClose, kCmPrint}) {
    void* item = f.Row(id);
    EXPECT_EQ(PicturedRowFault(gtk, opened, item, menu, column), "") << "row " << id;
    const std::unique_ptr<TDib> image = LoadGadgetImage(id);
    ASSERT_NE(image, nullptr) << id;
    const std::uint32_t face = MenuDecorator::IconColumnColor(OwnMenuColours::kMenu);
    const TRect at = gtk.OnScreen(gtk.itemImage(item));
    EXPECT_EQ(PictureFault(opened, TPoint{at.left, at.top},
                           id == kCmPrint ? GreyedBgra(*image, kGadgetImageFaceKey, face)
                                          : DibToBgra(*image, kGadgetImageFaceKey, face),
                           image->Width(), image->Height()),
              "")
        << "the picture of row " << id;
  }

  // Open under the mouse: the highlight right of the column, the column in
  // its colour with the picture drawn on it again, as it was.
  const TRect openRow = gtk.OnScreen(f.Row(kCmFileOpen));
  const TRect picture = gtk.OnScreen(gtk.itemImage(f.Row(kCmFileOpen)));
  const TRect openText = gtk.TextOnScreen(gtk.child(f.Row(kCmFileOpen)));
  ASSERT_GT(picture.Width(), 0);
  ASSERT_LE(picture.right, openRow.left + kColumn) << "GTK put the picture outside the column";
  // Two pixels in from the row's edges, where the menu's frame may be.
  const TRect columnBox{openRow.left + 2, openRow.top + 2, openRow.left + kColumn, openRow.bottom - 2};
  EXPECT_EQ(FillFault(opened, columnBox, column, picture), "") << "the column of a row without the highlight";
  // The menu's frame, which the rows reach over, stays.
  const TRect lastRow = gtk.OnScreen(f.Row(kCmZoom100));
  EXPECT_NE(Pixel(opened, openRow.left, openRow.top + int(openRow.Height()) / 2), column) << "the menu's left edge";
  EXPECT_NE(Pixel(opened, lastRow.left + 10, lastRow.bottom - 1), column) << "the menu's bottom edge";
  EXPECT_NE(FillFault(opened, picture, column), "") << "no picture in the column";
  MoveTo(openRow.left + kColumn + 20, openRow.top + int(openRow.Height()) / 2);
  ASSERT_TRUE(open.WaitDrawn(true)) << "the Open row is not drawn highlighted";
  const test::Screen hovered = test::GrabScreen(test::ArtifactDir() / "menu-colours-highlight.png");
  ASSERT_FALSE(hovered.pixels.empty()) << "no screen grab";
  EXPECT_EQ(FillFault(hovered, columnBox, column, picture), "") << "the column under the highlight";
  EXPECT_EQ(InkFault(hovered, titleBox, highlight, highlightText), "") << "the bar title with the mouse in its menu";
  EXPECT_EQ(Changed(opened, hovered, picture), 0) << "the picture under the highlight";
  EXPECT_EQ(FillFault(hovered, TRect{columnBox.right, columnBox.top, openText.left, columnBox.bottom}, highlight), "")
      << "the highlight right of the column";
  CloseMenus();

  // The Language menu's rows show no pictures: no column, the texts 13
  // pixels in, the tick 10 pixels left of the text.
  ClickTitle(gtk.OnScreen(f.languages->m_owner));
  ASSERT_TRUE(english.WaitDrawn(false)) << "the Language menu does not open";
  const test::Screen languageMenu = test::GrabScreen(test::ArtifactDir() / "menu-colours-languages.png");
  ASSERT_FALSE(languageMenu.pixels.empty()) << "no screen grab";
  for (std::uint32_t id : {kCmCzech, kCmEnglish}) {
    void* item = f.Row(id);
    const TRect row = gtk.OnScreen(item);
    const TRect text = gtk.TextOnScreen(gtk.child(item));
    EXPECT_EQ(CheckAreaFault(languageMenu, row, text, id == kCmEnglish, menu, Rgb(OwnMenuColours::kText), menu), "")
        << "language item " << id;
    EXPECT_EQ(PlainRowFault(gtk, languageMenu, item, menu), "") << "language item " << id;
  }
  CloseMenus();

  // Escape closes the File menu with the mouse still on its title: the
  // title is lit, as any title under the mouse, without the mouse moving.
  // A quick click: GTK takes the menu's grab from the title before the
  // Escape deselects it then.
  MoveTo(titleBox.left + int(titleBox.Width()) / 2, titleBox.top + int(titleBox.Height()) / 2);
  test::Shell("timeout 10 xdotool click 1 >/dev/null 2>&1");
  ASSERT_TRUE(test::PumpUntil([] { return test::MappedMenus() == 1; }, kMenuWait)) << "the File menu does not open";
  test::Shell("timeout 10 xdotool key Escape >/dev/null 2>&1");
  ASSERT_TRUE(test::PumpUntil([] { return test::MappedMenus() == 0; }, kMenuWait)) << "Escape leaves the menu open";
  ASSERT_TRUE(title.WaitDrawn(true)) << "the File title under the mouse is not lit after Escape";
  const test::Screen escaped = test::GrabScreen(test::ArtifactDir() / "menu-colours-escaped.png");
  ASSERT_FALSE(escaped.pixels.empty()) << "no screen grab";
  EXPECT_EQ(InkFault(escaped, titleBox, highlight, highlightText), "") << "the bar title under the mouse after Escape";

  // The title goes out once its menu is closed and the mouse is elsewhere.
  MoveTo(titleBox.right + 40, titleBox.bottom + 60);
  EXPECT_TRUE(title.WaitDrawn(false)) << "the File title stays highlighted";
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
  auto commandsReach = [&](std::size_t count) {
    return test::PumpUntil([&] {
      MessageQueue::Instance().DispatchRound();
      return frame->commands.size() >= count;
    });
  };
  test::Shell(test::XdoOnWindow("Key frame", "key KP_Add"));
  ASSERT_TRUE(commandsReach(1)) << "Num + runs no command";
  // The keys come in order: once the last Num + has run, the page keys
  // before it have had their chance to run a command.
  test::Shell(test::XdoOnWindow("Key frame", "key KP_Subtract Prior Next KP_Add"));
  EXPECT_TRUE(commandsReach(3)) << "Num - and Num + after the page keys run no command";
  dispatch(100ms);
  EXPECT_EQ(frame->commands, (std::vector<std::uint32_t>{kCmZoomIn, kCmZoomOut, kCmZoomIn}));
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
