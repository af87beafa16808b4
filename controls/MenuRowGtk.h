// The parts of a GTK menu row that the program still draws itself: the
// shortcut text at the row's right, in the program's own key names, the
// tick of a check item, and the icon column at the row's left.
//
// GTK's accelerator label names keys in GTK's words ("KP +" for the
// keypad's plus) and shows only keys that GTK binds to the item; some of
// the program's keys (Page up, Page down) belong to the drawing window and
// must not be bound. So the row's label no longer follows its item's
// accelerators (the binding itself stays with the item), and draws the
// program's text in a padding at its right, sized for the text in the
// label's own font, in the label's colour (the theme's highlight text while
// the mouse is on the row). The menus' style sheet hides a check item's
// box; a checked item gets a 7 x 7 tick in the same colour (the button
// shadow's on a disabled row), its right edge 4 pixels left of where the
// label draws its text, vertically centred on the row.
//
// GTK paints the highlight over the whole row. A row of a menu with
// pictures keeps its icon column (the left 25 pixels: the 24-pixel
// pictures and one more) in the column's own colour under the highlight
// too: after GTK has drawn the row, the column is filled and the item's
// picture drawn again on it, before the tick; a disabled row's picture is
// drawn greyed, as the tool bar greys a disabled button's. GTK's row
// heights and widths stay (the menus' style sheet places the texts); the
// column stops where a theme starts the text sooner, and leaves the menu's
// frame, which GTK's rows reach over, as it is.
//
// The GTK calls are looked up in the running process, as elsewhere in the
// program: the toolkit has loaded GTK, and the program then needs neither
// GTK's headers nor a direct link to it. Without GTK (or with a child that
// is not an accelerator label) a row is left as the toolkit made it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvn {

// Shows `shortcut` (UTF-8; empty for none) at the right of a GtkMenuItem's
// row in place of GTK's accelerator text. Called again with a new text (a
// language switch), it replaces the old one.
void ShowRowShortcut(void* gtkMenuItem, const std::string& shortcut);

// Draws the program's tick on a GtkCheckMenuItem while it is checked.
// Calling it again for the same item changes nothing.
void DrawRowTick(void* gtkCheckMenuItem);

// Fills the row's icon column in `color` (0x00BBGGRR) on every draw;
// kNoIconColumn leaves the row as GTK draws it.
inline constexpr std::uint32_t kNoIconColumn = 0xFFFFFFFF;
void ShowRowIconColumn(void* gtkMenuItem, std::uint32_t color);

// The picture the row's icon column shows while the row is disabled, in
// place of the item's own: `bgra` holds width x height pixels of 4 bytes
// (B, G, R, A), rows top down. An empty one leaves the item's own picture.
void ShowRowDisabledPicture(void* gtkMenuItem, const std::vector<std::uint8_t>& bgra, int width, int height);

// Lights a menu-bar title (GtkMenuItem) while the mouse is on it, as while
// its menu is open: GTK lights it only then. A menu closed with the mouse
// on its title (Escape) leaves the title lit.
void LightTitleUnderMouse(void* gtkMenuItem);

// The shortcut text the row shows; empty when it shows none. For tests.
std::string RowShortcut(void* gtkMenuItem);

}  // namespace kvn
