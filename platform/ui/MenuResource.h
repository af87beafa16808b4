// Menu and accelerator resources: reading the binary forms that
// tools/mkmenus makes from resources/menus/*.menu (the byte layouts are
// described there). Display-free; Menu.h builds toolkit menus from the result.
//
// The reader trusts nothing: every length is checked against the bytes left,
// popups nest at most kMaxMenuDepth deep and must be closed, and a record
// count larger than the bytes could hold is refused before anything is sized.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "foundation/WString.h"

namespace kvn {

inline constexpr int kMaxMenuDepth = 8;

struct MenuTemplateItem {
  enum class Kind : std::uint8_t { Item = 0, Popup = 1, Separator = 2 };
  Kind kind = Kind::Item;
  bool checkable = false;
  std::uint32_t id = 0;
  WString text;      // as stored: a language token or a fixed text
  WString shortcut;  // the same; empty when the item shows none
  std::vector<MenuTemplateItem> children;  // a popup's items
};

struct MenuTemplate {
  std::vector<MenuTemplateItem> items;  // the menu bar's popups
};

// ACCEL flags.
inline constexpr std::uint8_t kFVirtKey = 0x01;
inline constexpr std::uint8_t kFShift = 0x04;
inline constexpr std::uint8_t kFControl = 0x08;
inline constexpr std::uint8_t kFAlt = 0x10;

struct AcceleratorEntry {
  std::uint8_t flags = 0;
  std::uint16_t key = 0;  // a virtual key with kFVirtKey, else a character
  std::uint16_t command = 0;
};

// False with a reason for anything but a well-formed resource.
bool ParseMenuResource(std::span<const std::uint8_t> bytes, MenuTemplate& out, std::string* reason = nullptr);
bool ParseAcceleratorResource(std::span<const std::uint8_t> bytes, std::vector<AcceleratorEntry>& out,
                              std::string* reason = nullptr);
// From the embedded resources; false when missing or damaged.
bool LoadMenuTemplate(int id, MenuTemplate& out);
bool LoadAcceleratorTable(int id, std::vector<AcceleratorEntry>& out);

}  // namespace kvn

namespace kvn {

// A stored menu text as shown: language tokens translated. `takesPart` tells
// whether the text joins the accelerator-letter assignment of its menu
// level: a token whose flag asks for it, or a fixed text that marks a
// letter with '&'.
struct MenuText {
  WString text;
  bool takesPart = false;
};
MenuText TranslateMenuText(const WString& stored);

}  // namespace kvn
