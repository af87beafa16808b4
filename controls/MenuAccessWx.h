// TMenuAccess over toolkit menus: the menu bar of a frame and its menus.
//
// GTK paints its menus itself, so a decorated item keeps the toolkit's
// label and gets the command's image: wxGTK takes an item's picture only
// when the item is put into its menu, so the item is taken out and put
// back with it. Check items carry no picture, and a menu whose rows show
// none has no icon column. The shortcut text and a check
// item's tick are drawn by the row itself (MenuRowGtk.h). An item whose key
// no accelerator binds has no shortcut in its label (GTK would bind it);
// its key text, given with the menu (BuiltMenu::shownKeys), is read as if
// the label had it after a TAB.
//
// The menu colours reach GTK through its styling: the program's menus and
// menu bars are named, and one style sheet of the program's gives those
// names the colours (the menus' background and the bar's, the menu text,
// the highlight and its text on a bar title or row under the mouse, the
// grey text of a disabled row), and the places of the pictures and texts:
// 38 pixels into the row in a menu with pictures, 13 in one without. A row
// draws its icon column itself.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "controls/MenuAccess.h"

class wxMenu;
class wxMenuBar;

namespace kvn {

class TWxMenuAccess : public TMenuAccess {
 public:
  using KeyTexts = std::map<std::uint32_t, WString>;
  explicit TWxMenuAccess(wxMenu* menu, const KeyTexts* shownKeys = nullptr) : menu_(menu), shownKeys_(shownKeys) {}
  const void* MenuKey() const override { return menu_; }
  int GetItemCount() const override;
  ItemInfo GetItemInfo(int position) const override;
  WString GetMenuString(int position) const override;
  void SetMenuString(int position, const WString& text) override;
  TMenuAccess* GetSubMenu(int position) override;
  const void* ItemKey(int position) const override;
  void ShowDecorated(int position, const WString& label, const WString& shortcut, const TDib* image,
                     std::uint32_t iconColumn) override;
  void ShowMenuColor(std::uint32_t color) override;

 private:
  wxMenu* menu_;
  const KeyTexts* shownKeys_;
  std::vector<std::unique_ptr<TWxMenuAccess>> subs_;
  // A row was shown with the icon column: the decorator found images for
  // the menu's commands.
  bool pictured_ = false;
};

class TWxMenuBarAccess : public TMenuAccess {
 public:
  explicit TWxMenuBarAccess(wxMenuBar* bar, const TWxMenuAccess::KeyTexts* shownKeys = nullptr)
      : bar_(bar), shownKeys_(shownKeys) {}
  const void* MenuKey() const override { return bar_; }
  int GetItemCount() const override;
  ItemInfo GetItemInfo(int position) const override;
  WString GetMenuString(int position) const override;
  void SetMenuString(int position, const WString& text) override;
  TMenuAccess* GetSubMenu(int position) override;
  const void* ItemKey(int position) const override;
  void ShowDecorated(int, const WString&, const WString&, const TDib*, std::uint32_t) override {}
  void ShowMenuColor(std::uint32_t color) override;

 private:
  wxMenuBar* bar_;
  const TWxMenuAccess::KeyTexts* shownKeys_;
  std::vector<std::unique_ptr<TWxMenuAccess>> subs_;
};

}  // namespace kvn
