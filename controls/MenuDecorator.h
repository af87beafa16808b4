// MenuDecorator: menus with the commands' tool-bar images, their labels and
// their shortcut texts, the hint text of a command, and shortcut keys turned
// into commands, for one decorated frame.
//
// A conversion pass (ConvertMenu, after every menu build and language
// switch) walks a menu tree from the last item to the first and keeps one
// record per command item: its label and shortcut (split at the first TAB,
// else the first backspace character), the shortcut text replaced by the
// name of the command's first key binding from the frame's command table,
// and the command's image. Records the pass does not meet are dropped.
//
// GTK menus cannot be painted by the program: the window layer shows each
// record through TMenuAccess::ShowDecorated (the image on the item, the
// shortcut after its label, the icon column's colour). MeasureMenuItem and
// DrawMenuItem paint the same rows on the device-context layer, where the
// program draws a menu itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "controls/KeyNames.h"
#include "controls/MenuAccess.h"
#include "foundation/WString.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/TDib.h"
#include "platform/ui/CommandEnabler.h"
#include "platform/ui/MenuResource.h"

namespace kvn {

class TDC;
class TWindow;

// One command of the frame's command table with its key bindings.
struct TCommandRecord {
  std::uint16_t id = 0;
  std::vector<TKeyBinding> keys;
};
using TCommandTable = std::vector<TCommandRecord>;

// The command table of an accelerator table: one record per command, its
// bindings in the table's order (only virtual-key entries carry a binding).
TCommandTable CommandTableFromAccelerators(const std::vector<AcceleratorEntry>& accelerators);

// The enabler the decorator asks whether a command may run now.
class TMyEnabler : public TCommandEnabler {
 public:
  TMyEnabler(std::uint32_t id, TWindow* window);
  void Enable(bool enable = true) override;
  bool GetEnabled() const { return enabled_; }

 private:
  TWindow* window_;
  bool enabled_ = true;
};

// What measuring and drawing a menu row need to know of the menu font.
struct TMenuFont {
  std::function<int(const WString&)> textWidth;  // DrawText width in pixels
  int height = 0;                                // tmHeight
  int externalLeading = 0;
};

// ODT_MENU records (WM_MEASUREITEM, WM_DRAWITEM) as the decorator uses them.
struct TMenuMeasure {
  std::intptr_t itemData = 0;  // the record
  int width = 0;
  int height = 0;
};
struct TMenuDraw {
  std::intptr_t itemData = 0;
  std::uint32_t state = 0;  // ODS_ bits (Controls.h)
  TRect rect;
};

class MenuDecorator {
 public:
  static constexpr int kIconSize = 24;

  struct ItemRecord {
    const void* menu = nullptr;
    const void* item = nullptr;  // the item's key
    int imageIndex = -1;
    std::int32_t command = 0;  // -3: opens a submenu
    int position = 0;
    bool inDropDown = false;
    bool seen = false;
    bool menuHasNoImages = false;
    WString fullText;
    WString label;
    WString shortcut;
  };

  MenuDecorator() = default;
  MenuDecorator(const MenuDecorator&) = delete;
  MenuDecorator& operator=(const MenuDecorator&) = delete;

  void SetCommandTable(const TCommandTable* table) { commands_ = table; }
  void SetNoImages(bool on) { noImages_ = on; }
  // A command that shows the image of another id.
  void MapImage(std::uint32_t command, std::uint32_t imageId);
  // A command that never gets an image.
  void ExcludeImage(std::uint32_t command) { excluded_.push_back(command); }

  // Translates the tree first when asked (language tokens, fresh letters per
  // level), then converts it as a menu bar. A null menu is left alone.
  void ConvertMenu(bool translate, TMenuAccess* menu);

  // "Label (shortcut)" of a command, in mode 2 only; empty otherwise.
  void GetCommandHint(WString& out, const TMenuAccess* menu, std::uint32_t id, int mode) const;
  // Label, TAB, shortcut of the command's record; empty without one.
  void GetCommandText(WString& out, std::uint32_t id) const;

  // The command a key with these modifiers stands for: it must be bound to
  // the key in the command table, be an item of the menu and stay enabled
  // when the window's command-enable handling is asked. 0 when none.
  std::uint32_t FindShortcutCommand(TWindow& window, TMenuAccess* menu, std::uint8_t modifiers,
                                    std::uint32_t key) const;
  // Before a key reaches the focus: posts the command (WM_COMMAND) to an
  // enabled window and answers true, or false when the key stands for none.
  // The modifiers are those held when the key was pressed (the key state
  // as of the message); without them the keyboard is asked now.
  bool TranslateShortcut(TWindow& window, TMenuAccess* menu, std::uint32_t key);
  bool TranslateShortcut(TWindow& window, TMenuAccess* menu, std::uint32_t key, std::uint8_t modifiers);

  // Loads a command's image ahead of time, as a conversion would.
  void AddMenuImage(std::uint32_t command);

  // WM_MEASUREITEM / WM_DRAWITEM of a menu row; false for foreign items.
  bool MeasureMenuItem(TMenuMeasure& measure, const TMenuFont& font) const;
  bool DrawMenuItem(TDC& dc, const TMenuDraw& draw, const TMenuFont& font) const;

  const std::vector<std::unique_ptr<ItemRecord>>& Records() const { return records_; }
  const ItemRecord* FindRecord(std::uint32_t command) const;
  const TDib* ImageOf(const ItemRecord& record) const;
  // The menu colour of the last conversion (entry 132 of the colour
  // table); kClrInvalid before the first.
  COLORREF MenuColor() const { return menuColor_; }
  // The icon column's colour: the menu colour with its lightness raised to at least 200.
  static COLORREF IconColumnColor(COLORREF menuColor);

 private:
  struct Image {
    std::uint32_t command;
    TDib dib;
  };

  void TranslateTree(TMenuAccess& menu);
  void ConvertLevel(TMenuAccess& menu, bool dropDown);
  void SetTexts(ItemRecord& record, const WString& text) const;
  std::uint32_t ImageIdOf(std::uint32_t command) const;
  int ImageIndex(std::uint32_t command) const;
  void Show(TMenuAccess& menu, const ItemRecord& record) const;
  static bool MenuHasCommand(TMenuAccess& menu, std::uint32_t id);

  std::vector<std::pair<std::uint32_t, std::uint32_t>> imageMap_;
  const TCommandTable* commands_ = nullptr;
  bool noImages_ = false;
  std::vector<std::uint32_t> excluded_;
  std::vector<std::unique_ptr<ItemRecord>> records_;
  std::vector<std::unique_ptr<Image>> images_;
  COLORREF menuColor_ = kClrInvalid;
};

// A one-pixel frame along the inside of a rectangle, given by its corners
// or by its origin and size: the top and left edges in `topLeft`, the right
// and bottom edges in `bottomRight`, which also take the top-right and
// bottom-left corners. A rectangle without area gets nothing.
void DrawTwoColorFrame(TDC& dc, const TRect& rect, COLORREF topLeft, COLORREF bottomRight);
void DrawTwoColorFrame(TDC& dc, int x, int y, int width, int height, COLORREF topLeft, COLORREF bottomRight);

}  // namespace kvn
