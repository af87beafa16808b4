#include "platform/ui/Menu.h"

#include <wx/accel.h>
#include <wx/menu.h>

#include <deque>

#include "foundation/Mnemonics.h"
#include "platform/ui/MessageBridge.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

// One menu level as the mnemonic list names it: the bar's popup titles, or
// the items of one popup.
struct MenuLevel {
  wxMenuBar* bar = nullptr;
  wxMenu* menu = nullptr;
};

class WxMenuTarget : public MnemonicTarget {
 public:
  explicit WxMenuTarget(const std::map<std::uint32_t, WString>& shortcuts) : shortcuts_(shortcuts) {}
  void SetControlText(void*, const WString&) override {}
  void SetMenuItemText(void* menu, int position, int commandId, const WString& text) override {
    auto* level = static_cast<MenuLevel*>(menu);
    if (level->bar) {
      level->bar->SetMenuLabel(std::size_t(position), ToWx(text));
      return;
    }
    wxMenuItem* item = level->menu->FindItemByPosition(std::size_t(position));
    if (!item) return;
    WString shortcut;
    if (auto it = shortcuts_.find(std::uint32_t(commandId)); commandId > 0 && it != shortcuts_.end()) {
      shortcut = it->second;
    }
    item->SetItemLabel(MenuLabel(text, shortcut));
  }

 private:
  const std::map<std::uint32_t, WString>& shortcuts_;
};

int WxFlags(std::uint8_t flags) {
  int f = wxACCEL_NORMAL;
  if (flags & kFControl) f |= wxACCEL_CTRL;
  if (flags & kFShift) f |= wxACCEL_SHIFT;
  if (flags & kFAlt) f |= wxACCEL_ALT;
  return f;
}

int WxKey(const AcceleratorEntry& e) {
  return (e.flags & kFVirtKey) ? WxKeyFromVirtualKey(e.key) : int(e.key);
}

// The shortcut in a command's label: the accelerator whose text the
// resource names, else the command's first one. A command without an
// accelerator has none there: GTK binds every shortcut it finds in a label,
// and keys like Page up belong to the drawing window (BuiltMenu::shownKeys).
WString ShortcutFor(const MenuTemplateItem& item, const std::vector<AcceleratorEntry>& accelerators) {
  WString first;
  const WString wanted = TranslateMenuText(item.shortcut).text;
  for (const AcceleratorEntry& e : accelerators) {
    if (e.command != item.id) continue;
    WString text = AcceleratorText(e);
    if (text.IsEmpty()) continue;
    if (text.CompareNoCaseN(wanted.CStr(), -1) == 0) return text;
    if (first.IsEmpty()) first = text;
  }
  return first;
}

void AddItems(wxMenu* menu, const std::vector<MenuTemplateItem>& items,
              const std::vector<AcceleratorEntry>& accelerators, BuiltMenu& built, std::deque<MenuLevel>& levels,
              WxMenuTarget& target) {
  levels.push_back(MenuLevel{nullptr, menu});
  MenuLevel* level = &levels.back();
  MnemonicList list(MnemonicList::Mode::Menu, target);
  int position = 0;
  for (const MenuTemplateItem& item : items) {
    if (item.kind == MenuTemplateItem::Kind::Separator) {
      menu->AppendSeparator();
      ++position;
      continue;
    }
    const MenuText text = TranslateMenuText(item.text);
    if (item.kind == MenuTemplateItem::Kind::Popup) {
      auto* sub = new wxMenu;
      menu->AppendSubMenu(sub, ToWx(text.text));
      AddItems(sub, item.children, accelerators, built, levels, target);
      list.AddMenuItem(level, position++, -1, text.text, text.takesPart);
      continue;
    }
    const WString shortcut = ShortcutFor(item, accelerators);
    if (!shortcut.IsEmpty()) {
      built.shortcuts[item.id] = shortcut;
    } else if (!item.shortcut.IsEmpty()) {
      built.shownKeys[item.id] = TranslateMenuText(item.shortcut).text;
    }
    menu->Append(int(item.id), MenuLabel(text.text, shortcut), wxString(),
                 item.checkable ? wxITEM_CHECK : wxITEM_NORMAL);
    list.AddMenuItem(level, position++, int(item.id), text.text, text.takesPart);
  }
  list.Apply();
}

}  // namespace

WString AcceleratorText(const AcceleratorEntry& entry) {
  const int key = WxKey(entry);
  if (key == 0) return WString();
  return FromWx(wxAcceleratorEntry(WxFlags(entry.flags), key, entry.command).ToString());
}

BuiltMenu BuildMenuBar(const MenuTemplate& menu, const std::vector<AcceleratorEntry>& accelerators) {
  BuiltMenu built;
  built.bar = new wxMenuBar;
  std::deque<MenuLevel> levels;  // stable addresses for the mnemonic lists
  WxMenuTarget target(built.shortcuts);
  levels.push_back(MenuLevel{built.bar, nullptr});
  MenuLevel* barLevel = &levels.back();
  MnemonicList titles(MnemonicList::Mode::Menu, target);
  int position = 0;
  for (const MenuTemplateItem& popup : menu.items) {
    const MenuText text = TranslateMenuText(popup.text);
    auto* sub = new wxMenu;
    built.bar->Append(sub, ToWx(text.text));
    AddItems(sub, popup.children, accelerators, built, levels, target);
    titles.AddMenuItem(barLevel, position++, -1, text.text, text.takesPart);
  }
  titles.Apply();
  return built;
}

wxAcceleratorTable BuildAcceleratorTable(const std::vector<AcceleratorEntry>& accelerators) {
  std::vector<wxAcceleratorEntry> entries;
  for (const AcceleratorEntry& e : accelerators) {
    const int key = WxKey(e);
    if (key != 0) entries.emplace_back(WxFlags(e.flags), key, e.command);
  }
  return wxAcceleratorTable(int(entries.size()), entries.data());
}

}  // namespace kvn
