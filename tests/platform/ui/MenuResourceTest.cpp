// The menu and accelerator resources: the embedded table 20000 read back
// against the main frame's menu, and damaged resources refused.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "foundation/LangTable.h"
#include "foundation/Resources.h"
#include "platform/ui/MenuResource.h"

namespace kvn {
namespace {

std::vector<std::uint32_t> Ids(const std::vector<MenuTemplateItem>& items) {
  std::vector<std::uint32_t> ids;
  for (const MenuTemplateItem& i : items) ids.push_back(i.kind == MenuTemplateItem::Kind::Separator ? 0 : i.id);
  return ids;
}

TEST(MenuResource, MainMenuHasThePopupsItemsAndIds) {
  MenuTemplate menu;
  ASSERT_TRUE(LoadMenuTemplate(20000, menu));
  ASSERT_EQ(menu.items.size(), 5u);
  const auto& file = menu.items[0].children;
  EXPECT_EQ(Ids(file), (std::vector<std::uint32_t>{18920, 19570, 0, 15620, 0, 19516, 15210, 0, 0, 24310}));
  EXPECT_EQ(Ids(menu.items[1].children), (std::vector<std::uint32_t>{19917, 19918}));
  EXPECT_EQ(Ids(menu.items[2].children),
            (std::vector<std::uint32_t>{15932, 15102, 15750, 15752, 15754, 15756, 15758, 15762, 0, 16556, 16558}));
  ASSERT_EQ(menu.items[3].children.size(), 1u);
  const MenuTemplateItem& language = menu.items[3].children[0];
  ASSERT_EQ(language.kind, MenuTemplateItem::Kind::Popup);
  EXPECT_EQ(Ids(language.children), (std::vector<std::uint32_t>{19752, 19754, 19756}));
  for (const MenuTemplateItem& item : language.children) EXPECT_TRUE(item.checkable);
  EXPECT_EQ(language.children[0].text, WString(u"Česky"));
  EXPECT_EQ(Ids(menu.items[4].children), (std::vector<std::uint32_t>{16434}));
  EXPECT_FALSE(menu.items[4].children[0].checkable);
  EXPECT_EQ(menu.items[2].children[2].text, WString(u"25&%"));
  EXPECT_EQ(menu.items[0].children[0].shortcut, WString(u"Ctrl+O"));
}

TEST(MenuResource, MenuTextsAreTokensOfTheLanguageTables) {
  MenuTemplate menu;
  ASSERT_TRUE(LoadMenuTemplate(20000, menu));
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
  EXPECT_EQ(menu.items[0].text.View().substr(0, 1), u"~");
  MenuText file = TranslateMenuText(menu.items[0].text);
  EXPECT_EQ(file.text, WString(u"&File"));
  EXPECT_TRUE(file.takesPart);
  EXPECT_EQ(TranslateMenuText(menu.items[1].children[0].shortcut).text, WString(u"Page up"));
  SetLanguageIndex(kLanguageCzech);
  InvalidateLangTable();
  EXPECT_EQ(TranslateMenuText(menu.items[0].children[0].text).text, WString(u"&Otevřít..."));
  EXPECT_EQ(TranslateMenuText(menu.items[0].children[9].text).text, WString(u"&Konec"));
  // Fixed texts: as written; they join the letter assignment only with an '&'.
  MenuText czech = TranslateMenuText(menu.items[3].children[0].children[0].text);
  EXPECT_EQ(czech.text, WString(u"Česky"));
  EXPECT_FALSE(czech.takesPart);
  EXPECT_TRUE(TranslateMenuText(WString(u"&50%")).takesPart);
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
}

TEST(MenuResource, AcceleratorTableOfTheMainFrame) {
  std::vector<AcceleratorEntry> table;
  ASSERT_TRUE(LoadAcceleratorTable(20000, table));
  ASSERT_EQ(table.size(), 11u);
  auto find = [&](std::uint8_t flags, std::uint16_t key) -> int {
    for (const AcceleratorEntry& e : table) {
      if (e.flags == flags && e.key == key) return e.command;
    }
    return -1;
  };
  const std::uint8_t ctrl = kFVirtKey | kFControl;
  EXPECT_EQ(find(ctrl, 'O'), 18920);
  EXPECT_EQ(find(ctrl, 'W'), 19570);
  EXPECT_EQ(find(ctrl, 0x73), 19570);  // Ctrl+F4
  EXPECT_EQ(find(ctrl, 'E'), 15620);
  EXPECT_EQ(find(ctrl, 'P'), 19516);
  EXPECT_EQ(find(ctrl, 'Q'), 24310);
  EXPECT_EQ(find(ctrl, 'N'), 15754);
  EXPECT_EQ(find(ctrl, 'I'), 15210);
  EXPECT_EQ(find(kFVirtKey, 0x6B), 15932);  // keypad Add
  EXPECT_EQ(find(kFVirtKey, 0x6D), 15102);  // keypad Subtract
  EXPECT_EQ(find(kFVirtKey, 0x70), 16434);  // F1
}

// A menu resource by hand: {kind, flags, id, text} records.
struct Rec {
  int kind;
  std::uint32_t id;
  std::u16string text;
};
std::vector<std::uint8_t> MakeMenu(const std::vector<Rec>& recs, std::uint32_t count) {
  std::vector<std::uint8_t> b = {'K', 'M', 'N', 'U', 1, 0, 0, 0};
  auto u16 = [&](std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
  };
  u16(count & 0xFFFF);
  u16(count >> 16);
  for (const Rec& r : recs) {
    b.push_back(std::uint8_t(r.kind));
    b.push_back(0);
    u16(0);
    u16(r.id & 0xFFFF);
    u16(r.id >> 16);
    u16(std::uint32_t(r.text.size()));
    u16(0);
    for (char16_t c : r.text) u16(c);
  }
  return b;
}

TEST(MenuResource, DamagedMenusAreRefused) {
  MenuTemplate menu;
  std::string reason;
  const std::vector<Rec> good = {{1, 0, u"File"}, {0, 5, u"Open"}, {2, 0, u""}, {3, 0, u""}};
  ASSERT_TRUE(ParseMenuResource(MakeMenu(good, 4), menu, &reason)) << reason;
  EXPECT_EQ(menu.items.size(), 1u);
  EXPECT_EQ(menu.items[0].children.size(), 2u);

  // Every truncation is refused without reading past the end.
  const std::vector<std::uint8_t> bytes = MakeMenu(good, 4);
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(n));
    EXPECT_FALSE(ParseMenuResource(cut, menu)) << n;
  }
  EXPECT_FALSE(ParseMenuResource(MakeMenu(good, 0xFFFFFFFF), menu, &reason));
  EXPECT_EQ(reason, "record count beyond the data");
  EXPECT_FALSE(ParseMenuResource(MakeMenu({{1, 0, u"File"}}, 1), menu, &reason));
  EXPECT_EQ(reason, "a popup is not closed");
  EXPECT_FALSE(ParseMenuResource(MakeMenu({{3, 0, u""}}, 1), menu, &reason));
  EXPECT_FALSE(ParseMenuResource(MakeMenu({{0, 5, u"Open"}}, 1), menu, &reason));
  EXPECT_EQ(reason, "the menu bar holds popups only");
  EXPECT_FALSE(ParseMenuResource(MakeMenu({{7, 0, u""}}, 1), menu, &reason));
  std::vector<Rec> deep;
  for (int i = 0; i < 9; ++i) deep.push_back({1, 0, u"x"});
  for (int i = 0; i < 9; ++i) deep.push_back({3, 0, u""});
  EXPECT_FALSE(ParseMenuResource(MakeMenu(deep, 18), menu, &reason));
  EXPECT_EQ(reason, "popups nested too deep");
  // A text length beyond the data.
  std::vector<std::uint8_t> longText = MakeMenu({{1, 0, u"File"}, {3, 0, u""}}, 2);
  longText[8 + 4 + 8] = 0xFF;
  EXPECT_FALSE(ParseMenuResource(longText, menu));
}

TEST(MenuResource, DamagedAcceleratorTablesAreRefused) {
  std::vector<AcceleratorEntry> table;
  std::vector<std::uint8_t> b = {'K', 'A', 'C', 'C', 1, 0, 0, 0, 1, 0, 0, 0, 9, 0, 'Q', 0, 0x1E, 0x5F, 0, 0};
  ASSERT_TRUE(ParseAcceleratorResource(b, table));
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table[0].command, 24350);
  b[8] = 2;  // count beyond the data
  EXPECT_FALSE(ParseAcceleratorResource(b, table));
  b[8] = 1;
  b.pop_back();
  EXPECT_FALSE(ParseAcceleratorResource(b, table));
  EXPECT_FALSE(ParseAcceleratorResource({}, table));
}

}  // namespace
}  // namespace kvn
