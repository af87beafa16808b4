// Toolkit menus from menu resources: the menu bar of a frame with its texts
// translated into the interface language, accelerator letters assigned
// afresh on every menu level (MnemonicList), check items where the resource
// marks them, and the shortcut shown after each item that has an
// accelerator. Also the toolkit accelerator table of an accelerator resource.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "foundation/WString.h"
#include "platform/ui/MenuResource.h"

class wxMenuBar;
class wxAcceleratorTable;

namespace kvn {

struct BuiltMenu {
  wxMenuBar* bar = nullptr;  // the caller's until a frame takes it
  // The shortcut text shown after each command's label (kept when an
  // enabler changes the label).
  std::map<std::uint32_t, WString> shortcuts;
  // The key text the resource names for an item whose key no accelerator
  // binds (Page up: the drawing window takes it), translated. It is not in
  // the item's label, where GTK would bind the key; the menu decorator
  // shows it.
  std::map<std::uint32_t, WString> shownKeys;
};

BuiltMenu BuildMenuBar(const MenuTemplate& menu, const std::vector<AcceleratorEntry>& accelerators);
wxAcceleratorTable BuildAcceleratorTable(const std::vector<AcceleratorEntry>& accelerators);
// The toolkit's text of an accelerator ("Ctrl+O"); empty when it has none.
WString AcceleratorText(const AcceleratorEntry& entry);

}  // namespace kvn
