// The view of one menu level that the menu decorator works on. The window
// GUI library answers it over toolkit menus (MenuAccessWx.h); tests
// answer it with plain objects, so the decorator's rules run without a
// display. Positions count from 0; an item keeps its key (ItemKey) while it
// stays in its menu, which is how a conversion pass finds the record it made
// for the item before (the item data of an owner-drawn Win32 item).
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

class TDib;

class TMenuAccess {
 public:
  enum class ItemKind : std::uint8_t { Command, Submenu, Separator, Bitmap };
  struct ItemInfo {
    ItemKind kind = ItemKind::Command;
    std::uint32_t id = 0;  // 0 for separators and submenus
    bool disabled = false;
    bool checked = false;
  };

  virtual ~TMenuAccess() = default;
  // Identifies the menu level (stable while the menu lives).
  virtual const void* MenuKey() const = 0;
  virtual int GetItemCount() const = 0;
  virtual ItemInfo GetItemInfo(int position) const = 0;
  // The item's text as stored (label, then TAB and shortcut when it has one).
  virtual WString GetMenuString(int position) const = 0;
  virtual void SetMenuString(int position, const WString& text) = 0;
  // The submenu an item opens; null for other items.
  virtual TMenuAccess* GetSubMenu(int position) = 0;
  virtual const void* ItemKey(int position) const = 0;
  // Shows the item as the decorator has it: label, shortcut text (shown
  // after the label), the command's image (null: none) and the colour of
  // the icon column at the row's left (0x00BBGGRR; 0xFFFFFFFF when the
  // item's menu has no column). What the menu cannot show it leaves out.
  virtual void ShowDecorated(int position, const WString& label, const WString& shortcut, const TDib* image,
                             std::uint32_t iconColumn) = 0;
  // Shows the level on the menu colour (0x00BBGGRR): a drop-down's
  // background, the menu bar's items. A menu that cannot be coloured leaves
  // it (the decorator's own rows paint it themselves).
  virtual void ShowMenuColor(std::uint32_t color) { (void)color; }
};

}  // namespace kvn
