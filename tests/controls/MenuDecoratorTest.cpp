// The menu decorator's records, hints and shortcuts over a plain menu model.
#include <gtest/gtest.h>

#include <limits>

#include <memory>
#include <vector>

#include "controls/MenuDecorator.h"
#include "foundation/UiColors.h"
#include "foundation/LangTable.h"
#include "platform/ui/CommandEnabler.h"
#include "platform/gdi/RasterDC.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Window.h"
#include "tests/support/GoldenImage.h"

namespace kvn {
namespace {

// A menu level of plain items.
class FakeMenu : public TMenuAccess {
 public:
  struct Item {
    ItemKind kind = ItemKind::Command;
    std::uint32_t id = 0;
    WString text;
    std::unique_ptr<FakeMenu> sub;
    // What the decorator showed.
    WString label;
    WString shortcut;
    const TDib* image = nullptr;
    std::uint32_t iconColumn = 0;
    int shown = 0;
  };

  Item& Add(std::uint32_t id, const char16_t* text) {
    auto item = std::make_unique<Item>();
    item->id = id;
    item->text = WString(text);
    items.push_back(std::move(item));
    return *items.back();
  }
  FakeMenu& AddPopup(const char16_t* text) {
    Item& item = Add(0, text);
    item.kind = ItemKind::Submenu;
    item.sub = std::make_unique<FakeMenu>();
    return *item.sub;
  }
  void AddSeparator() { Add(0, u"").kind = ItemKind::Separator; }

  const void* MenuKey() const override { return this; }
  int GetItemCount() const override { return int(items.size()); }
  ItemInfo GetItemInfo(int pos) const override { return {items[pos]->kind, items[pos]->id, false, false}; }
  WString GetMenuString(int pos) const override { return items[pos]->text; }
  void SetMenuString(int pos, const WString& text) override { items[pos]->text = text; }
  TMenuAccess* GetSubMenu(int pos) override { return items[pos]->sub.get(); }
  const void* ItemKey(int pos) const override { return items[pos].get(); }
  void ShowDecorated(int pos, const WString& label, const WString& shortcut, const TDib* image,
                     std::uint32_t iconColumn) override {
    items[pos]->label = label;
    items[pos]->iconColumn = iconColumn;
    items[pos]->shortcut = shortcut;
    items[pos]->image = image;
    ++items[pos]->shown;
  }
  void ShowMenuColor(std::uint32_t c) override { color = c; }

  std::vector<std::unique_ptr<Item>> items;
  std::uint32_t color = 0xFFFFFFFF;  // none shown
};

// A window whose command-enable handling disables one command.
class EnablingWindow : public TWindow {
 public:
  EnablingWindow() : TWindow(nullptr) {}
  void EvCommandEnable(TCommandEnabler& ce) override {
    if (ce.GetId() == disabled) ce.Enable(false);
  }
  std::uint32_t disabled = 0;
};

constexpr std::uint32_t kOpen = 18920;
constexpr std::uint32_t kClose = 19570;
constexpr std::uint32_t kExit = 24310;
constexpr std::uint32_t kZoomIn = 15932;

struct Fixture {
  Fixture() {
    FakeMenu& file = bar.AddPopup(u"&File");
    file.Add(kOpen, u"&Open...\tCtrl+O");
    file.Add(kClose, u"&Close");
    file.AddSeparator();
    file.Add(kExit, u"E&xit\bAlt+F4");
    FakeMenu& view = bar.AddPopup(u"&View");
    view.Add(kZoomIn, u"Zoom &in");
    table = {{std::uint16_t(kOpen), {{kKeyCtrl, 'O'}}},
             {std::uint16_t(kClose), {{kKeyCtrl, 'W'}, {kKeyCtrl, std::uint16_t(0x73)}}},
             {std::uint16_t(kZoomIn), {{0, 0x6B}}},
             {std::uint16_t(777), {{kKeyCtrl, 'M'}}}};
    decorator.SetCommandTable(&table);
  }
  FakeMenu& File() { return *bar.items[0]->sub; }
  FakeMenu bar;
  TCommandTable table;
  MenuDecorator decorator;
};

TEST(MenuDecorator, RecordsSplitLabelAndTakeShortcutsFromTheCommandTable) {
  Fixture f;
  f.decorator.SetNoImages(true);
  f.decorator.ConvertMenu(false, &f.bar);
  const auto* open = f.decorator.FindRecord(kOpen);
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->label, WString(u"&Open..."));
  EXPECT_EQ(open->shortcut, WString(u"Ctrl+O"));
  EXPECT_TRUE(open->inDropDown);
  EXPECT_EQ(open->position, 0);
  // The shortcut comes from the table even where the menu had none.
  EXPECT_EQ(f.decorator.FindRecord(kClose)->shortcut, WString(u"Ctrl+W"));
  EXPECT_EQ(f.decorator.FindRecord(kZoomIn)->shortcut, WString(u"Num +"));
  // No binding: the text after the backspace stays.
  const auto* exitRecord = f.decorator.FindRecord(kExit);
  EXPECT_EQ(exitRecord->label, WString(u"E&xit"));
  EXPECT_EQ(exitRecord->shortcut, WString(u"Alt+F4"));
  EXPECT_EQ(exitRecord->position, 3);
  // The menu bar's popups are not records; separators neither.
  EXPECT_EQ(f.decorator.Records().size(), 4u);
  // What the menu shows.
  EXPECT_EQ(f.File().items[0]->label, WString(u"&Open..."));
  EXPECT_EQ(f.File().items[0]->shortcut, WString(u"Ctrl+O"));
  EXPECT_EQ(f.File().items[2]->shown, 0);
  for (const auto& r : f.decorator.Records()) EXPECT_TRUE(r->menuHasNoImages);
}

TEST(MenuDecorator, DropDownsWithCommandsAndTheBarTakeTheMenuColour) {
  Fixture f;
  FakeMenu& empty = f.bar.AddPopup(u"&Empty");
  empty.AddSeparator();
  f.decorator.ConvertMenu(false, &f.bar);
  const std::uint32_t menuColor = GetUiSysColor(132);
  EXPECT_EQ(f.decorator.MenuColor(), menuColor);
  EXPECT_EQ(f.bar.color, menuColor);
  EXPECT_EQ(f.File().color, menuColor);
  EXPECT_EQ(empty.color, 0xFFFFFFFFu) << "nothing converted, nothing coloured";
}

TEST(MenuDecorator, ChangedTextUpdatesTheRecordAndStaleRecordsGo) {
  Fixture f;
  f.decorator.ConvertMenu(false, &f.bar);
  const auto* before = f.decorator.FindRecord(kClose);
  // A language switch rewrites the texts; the next conversion follows.
  f.File().items[1]->text = WString(u"&Zavřít");
  f.File().items[0]->text = WString(u"&Otevřít...\tCtrl+O");
  f.decorator.ConvertMenu(false, &f.bar);
  EXPECT_EQ(f.decorator.FindRecord(kClose), before);
  EXPECT_EQ(f.decorator.FindRecord(kClose)->label, WString(u"&Zavřít"));
  EXPECT_EQ(f.decorator.FindRecord(kOpen)->fullText, WString(u"&Otevřít...\tCtrl+O"));
  EXPECT_EQ(f.File().items[1]->label, WString(u"&Zavřít"));
  // An item that left its menu loses its record; so does a whole menu.
  f.File().items.erase(f.File().items.begin() + 1);
  f.decorator.ConvertMenu(false, &f.bar);
  EXPECT_EQ(f.decorator.FindRecord(kClose), nullptr);
  EXPECT_EQ(f.decorator.FindRecord(kExit)->position, 2);
  f.bar.items.pop_back();
  f.decorator.ConvertMenu(false, &f.bar);
  EXPECT_EQ(f.decorator.FindRecord(kZoomIn), nullptr);
  EXPECT_EQ(f.decorator.Records().size(), 2u);
}

TEST(MenuDecorator, TranslateSwapsTokensAndAssignsLetters) {
  SetLanguageIndex(kLanguageCzech);
  InvalidateLangTable();
  FakeMenu bar;
  FakeMenu& help = bar.AddPopup(u"Help");
  // Line 1 of the tables: the program's name.
  help.Add(16434, u"~00010KVN Viewer~");
  MenuDecorator decorator;
  decorator.ConvertMenu(true, &bar);
  ASSERT_NE(decorator.FindRecord(16434), nullptr);
  EXPECT_EQ(decorator.FindRecord(16434)->label.View().find(u"Prohlížeč"), 0u);
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
}

TEST(MenuDecorator, HintIsLabelWithoutMnemonicAndDotsThenShortcut) {
  Fixture f;
  f.decorator.ConvertMenu(false, &f.bar);
  WString hint;
  f.decorator.GetCommandHint(hint, &f.bar, kOpen, 2);
  EXPECT_EQ(hint, WString(u"Open (Ctrl+O)"));
  f.decorator.GetCommandHint(hint, &f.bar, kExit, 2);
  EXPECT_EQ(hint, WString(u"Exit (Alt+F4)"));
  // Only in mode 2, with a menu, for a known command.
  f.decorator.GetCommandHint(hint, &f.bar, kOpen, 1);
  EXPECT_TRUE(hint.IsEmpty());
  f.decorator.GetCommandHint(hint, nullptr, kOpen, 2);
  EXPECT_TRUE(hint.IsEmpty());
  f.decorator.GetCommandHint(hint, &f.bar, 4242, 2);
  EXPECT_TRUE(hint.IsEmpty());
  WString text;
  f.decorator.GetCommandText(text, kClose);
  EXPECT_EQ(text, WString(u"&Close\tCtrl+W"));
  f.decorator.GetCommandText(text, 4242);
  EXPECT_TRUE(text.IsEmpty());
}

TEST(MenuDecorator, ShortcutNeedsTheCommandInTheMenuAndEnabled) {
  Fixture f;
  f.decorator.ConvertMenu(false, &f.bar);
  EnablingWindow window;
  EXPECT_EQ(f.decorator.FindShortcutCommand(window, &f.bar, kKeyCtrl, 'O'), kOpen);
  // The second binding of a command counts too; modifiers must match.
  EXPECT_EQ(f.decorator.FindShortcutCommand(window, &f.bar, kKeyCtrl, 0x73), kClose);
  EXPECT_EQ(f.decorator.FindShortcutCommand(window, &f.bar, kKeyCtrl | kKeyShift, 'O'), 0u);
  // Bound, but not in the menu.
  EXPECT_EQ(f.decorator.FindShortcutCommand(window, &f.bar, kKeyCtrl, 'M'), 0u);
  // Disabled by its enabler: nothing is posted.
  window.disabled = kOpen;
  EXPECT_EQ(f.decorator.FindShortcutCommand(window, &f.bar, kKeyCtrl, 'O'), 0u);
  EXPECT_FALSE(f.decorator.TranslateShortcut(window, &f.bar, 'O'));
  EXPECT_FALSE(f.decorator.TranslateShortcut(window, &f.bar, 'M'));
}

TEST(MenuDecorator, CommandTableFromTheAcceleratorTable) {
  const std::vector<AcceleratorEntry> accelerators = {
      {kFVirtKey | kFControl, 'O', std::uint16_t(kOpen)},
      {kFVirtKey | kFControl, 'W', std::uint16_t(kClose)},
      {kFVirtKey | kFControl, 0x73, std::uint16_t(kClose)},
      {0, 'x', 5}};
  const TCommandTable table = CommandTableFromAccelerators(accelerators);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[1].id, kClose);
  ASSERT_EQ(table[1].keys.size(), 2u);
  EXPECT_EQ(table[1].keys[1], (TKeyBinding{kKeyCtrl, 0x73}));
}

TEST(MenuDecorator, MeasuredRowsAreNarrowerWithoutImages) {
  Fixture f;
  f.decorator.SetNoImages(true);
  f.decorator.ConvertMenu(false, &f.bar);
  TMenuFont font;
  font.textWidth = [](const WString& t) { return 7 * t.Length(); };
  font.height = 13;
  font.externalLeading = 1;
  TMenuMeasure m;
  m.itemData = reinterpret_cast<std::intptr_t>(f.decorator.FindRecord(kClose));
  ASSERT_TRUE(f.decorator.MeasureMenuItem(m, font));
  // "&Close", "Ctrl+W  ", "   ", then 14; the row is as high as the icon column.
  EXPECT_EQ(m.width, 7 * 6 + 7 * 8 + 7 * 3 + 14);
  EXPECT_EQ(m.height, 25);
  MenuDecorator withImages;
  TMenuMeasure foreign;
  foreign.itemData = 12345;
  EXPECT_FALSE(withImages.MeasureMenuItem(foreign, font));
  EXPECT_FALSE(f.decorator.MeasureMenuItem(foreign, font));
}

// Menu rows on the raster target: with the icon column and an image,
// highlighted, checked, disabled, and a row of a menu without images (no
// icon column). Texts need the font layer of the device context; the
// rows' fills, images and ticks are what this picture holds.
TEST(MenuDecorator, DrawnRowsGolden) {
  FakeMenu bar;
  FakeMenu& file = bar.AddPopup(u"&File");
  file.Add(kOpen, u"&Open...\tCtrl+O");
  file.Add(kZoomIn, u"Zoom &in");
  file.Add(19752, u"Czech");
  file.Add(kClose, u"&Close");
  FakeMenu& other = bar.AddPopup(u"&Other");
  other.Add(4242, u"Plain");
  MenuDecorator decorator;
  decorator.ConvertMenu(false, &bar);
  ASSERT_NE(decorator.ImageOf(*decorator.FindRecord(kOpen)), nullptr);
  EXPECT_FALSE(decorator.FindRecord(kOpen)->menuHasNoImages);
  EXPECT_TRUE(decorator.FindRecord(4242)->menuHasNoImages);
  // The column the menu shows: on the rows of a menu with images; none in
  // a menu without images.
  const std::uint32_t column = MenuDecorator::IconColumnColor(GetUiSysColor(132));
  EXPECT_EQ(file.items[0]->iconColumn, column);
  EXPECT_EQ(file.items[3]->iconColumn, column);
  EXPECT_EQ(other.items[0]->iconColumn, kClrInvalid);
  constexpr int kWidth = 120;
  constexpr int kRow = 25;
  const std::pair<std::uint32_t, std::uint32_t> rows[] = {
      {kOpen, 0}, {kZoomIn, kOdsSelected}, {19752, kOdsChecked}, {kClose, kOdsDisabled | kOdsChecked}, {4242, 0}};
  std::vector<std::uint8_t> bits(std::size_t(kWidth) * kRow * std::size(rows) * 4);
  {
    auto dc = RasterDC::Create(bits.data(), kWidth, kRow * int(std::size(rows)));
    ASSERT_NE(dc, nullptr);
    TMenuFont font;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
      TMenuDraw draw;
      draw.itemData = reinterpret_cast<std::intptr_t>(decorator.FindRecord(rows[i].first));
      draw.state = rows[i].second;
      draw.rect = {0, int(i) * kRow, kWidth, int(i + 1) * kRow};
      EXPECT_TRUE(decorator.DrawMenuItem(*dc, draw, font));
    }
    TMenuDraw foreign;
    foreign.itemData = 1;
    EXPECT_FALSE(decorator.DrawMenuItem(*dc, foreign, font));
    dc->Flush();
  }
  test::ExpectMatchesGolden(test::PictureFromBgra(bits.data(), kWidth, kRow * int(std::size(rows))), "menu_rows", 0);
}

// The two-colour frame on the raster target, both ways of giving the
// rectangle: '1' the first colour (top and left), '2' the second (right
// and bottom, with the top-right and bottom-left corners), '.' untouched.
TEST(MenuDecorator, TwoColorFrames) {
  constexpr int kW = 7;
  constexpr int kH = 6;
  struct Case {
    TRect rect;
    const char* picture;  // kH rows of kW ('|' between rows)
  };
  const std::string empty(kW * kH, '.');
  const char* const kEmpty = empty.c_str();
  const Case cases[] = {
      {{1, 1, 6, 5}, ".......|.11112.|.1...2.|.1...2.|.22222.|......."},
      {{0, 0, 2, 2}, "12.....|22.....|.......|.......|.......|......."},
      {{3, 2, 4, 3}, ".......|.......|...2...|.......|.......|......."},
      {{2, 2, 2, 5}, kEmpty},  // no width
      {{2, 4, 5, 1}, kEmpty},  // bottom above top
  };
  constexpr COLORREF kFirst = 0x000000FF;
  constexpr COLORREF kSecond = 0x00FF0000;
  for (const Case& c : cases) {
    for (bool bySize : {false, true}) {
      std::vector<std::uint8_t> bits(std::size_t(kW) * kH * 4, 0xFF);
      {
        auto dc = RasterDC::Create(bits.data(), kW, kH);
        ASSERT_NE(dc, nullptr);
        if (bySize) {
          DrawTwoColorFrame(*dc, c.rect.left, c.rect.top, int(c.rect.Width()), int(c.rect.Height()), kFirst, kSecond);
        } else {
          DrawTwoColorFrame(*dc, c.rect, kFirst, kSecond);
        }
        dc->Flush();
      }
      std::string got;
      for (int i = 0; i < kW * kH; ++i) {
        const std::uint8_t* p = &bits[std::size_t(i) * 4];  // B, G, R
        got += p[2] == 0xFF && p[0] == 0xFF ? '.' : p[2] == 0xFF ? '1' : p[0] == 0xFF ? '2' : '?';
      }
      std::string want(c.picture);
      std::erase(want, '|');
      EXPECT_EQ(got, want) << c.rect.left << "," << c.rect.top << "," << c.rect.right << "," << c.rect.bottom
                           << (bySize ? " by size" : " by corners");
    }
  }
  // A size that reaches past the coordinates' range ends at their edge.
  std::vector<std::uint8_t> bits(std::size_t(kW) * kH * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), kW, kH);
  ASSERT_NE(dc, nullptr);
  DrawTwoColorFrame(*dc, 3, 2, std::numeric_limits<int>::max(), std::numeric_limits<int>::max(), kFirst, kSecond);
  dc->Flush();
  EXPECT_EQ(bits[(2 * kW + 3) * 4 + 2], 0xFF) << "the top-left corner";
  EXPECT_EQ(bits[(2 * kW + 3) * 4 + 0], 0x00) << "the top-left corner";
}

}  // namespace
}  // namespace kvn
