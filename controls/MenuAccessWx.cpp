#include "controls/MenuAccessWx.h"

#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/menu.h>


#include <cstdio>
#include <string>

#include "controls/GadgetImage.h"
#include "controls/MenuRowGtk.h"
#include "foundation/UiColors.h"
#include "platform/gdi/TDib.h"
#include "platform/ui/ToolkitSymbol.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

// The picture with its light-grey background transparent.
wxBitmap MenuBitmap(const TDib& dib) {
  const int w = dib.Width();
  const int h = dib.Height();
  wxImage image(w, h, false);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint32_t c = dib.GetPixelColor(x, y);
      if (c == TDib::kInvalidColor) return wxBitmap();
      image.SetRGB(x, y, static_cast<unsigned char>(c & 0xFF), static_cast<unsigned char>((c >> 8) & 0xFF),
                   static_cast<unsigned char>((c >> 16) & 0xFF));
    }
  }
  const std::uint32_t key = kGadgetImageFaceKey;
  image.SetMaskColour(static_cast<unsigned char>(key & 0xFF), static_cast<unsigned char>((key >> 8) & 0xFF),
                      static_cast<unsigned char>((key >> 16) & 0xFF));
  return wxBitmap(image);
}

// GTK 3 shows a menu item's image only when the desktop's "gtk-menu-images"
// setting asks for it (off by default) or when the item itself says
// "always-show-image"; wxWidgets sets neither. The property is set through
// GObject's own setter, looked up in the running process: the toolkit has
// loaded it, and the program then needs neither GTK's headers nor a direct
// link to GLib for this one call.
void AlwaysShowImage(wxMenuItem* item) {
#ifdef __WXGTK__
  using ObjectSet = void (*)(void*, const char*, ...);
  static const auto objectSet = ToolkitSymbol<ObjectSet>("g_object_set");
  if (objectSet != nullptr && item->GetMenuItem() != nullptr) {
    objectSet(item->GetMenuItem(), "always-show-image", 1, static_cast<const char*>(nullptr));
  }
#else
  (void)item;
#endif
}

// The widget names the style sheet speaks of: a drop-down with pictures
// (and so the icon column), one without, the bar.
constexpr const char* kMenuName = "kvn-menu";
constexpr const char* kPlainMenuName = "kvn-plain-menu";
constexpr const char* kMenuBarName = "kvn-menubar";

// The system colours of the rows' texts and of highlighted rows.
constexpr int kMenuTextColor = 7;
constexpr int kHighlightColor = 13;
constexpr int kHighlightTextColor = 14;
constexpr int kGrayTextColor = 17;

// "#rrggbb" of a colour 0x00BBGGRR.
std::string CssColor(std::uint32_t color) {
  char rgb[8];
  std::snprintf(rgb, sizeof rgb, "#%02x%02x%02x", color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
  return rgb;
}

// The colours the menus' style sheet gives them (0x00BBGGRR each).
struct MenuSheetColors {
  std::uint32_t menu = 0;
  std::uint32_t highlight = 0;
  std::uint32_t highlightText = 0;
  std::uint32_t text = 0;
  std::uint32_t grayText = 0;
  bool operator==(const MenuSheetColors&) const = default;
};

std::string MenuStyleSheet(const MenuSheetColors& c) {
  const std::string menu = CssColor(c.menu);
  const std::string highlight = CssColor(c.highlight);
  const std::string highlightText = CssColor(c.highlightText);
  const std::string text = CssColor(c.text);
  const std::string grayText = CssColor(c.grayText);
  const std::string pictured = std::string("#") + kMenuName;
  const std::string plain = std::string("#") + kPlainMenuName;
  const std::string bar = std::string("#") + kMenuBarName;
  // A rule of every drop-down: `selector` after each name.
  auto menus = [&](const char* selector) { return pictured + selector + ", " + plain + selector; };
  // The bar takes the colour over its whole width, not only behind its
  // titles, which are written in the menu text colour like the rows; a
  // title under the mouse or with its menu open is filled in the highlight
  // colour with its text in the highlight text's (the theme's underline
  // goes). The rows under the mouse take the same colours; a disabled row's
  // text is the grey text colour. A check item's box is hidden in both
  // states: the rows draw the tick of a checked item themselves
  // (MenuRowGtk.h), and an unchecked item shows nothing there. Its 7 pixels
  // and the margin after it keep a menu of check items alone narrow; the
  // tick is drawn 10 pixels left of the text, where the box was.
  //
  // In a menu with pictures the text starts 13 pixels right of the 25-pixel
  // icon column (38 from the row's left edge), where the tick has its room,
  // and the 16-pixel pictures sit centred in the column, 4 pixels in: GTK
  // puts a picture at the row's left padding and the text 5 pixels (its
  // toggle spacing) right of the picture, the label's margin adding the
  // rest. A menu without pictures has no column: its texts start 13 pixels
  // from the row's left edge, check item or not, the tick 10 pixels left of
  // them. GTK puts a check item's text after its box and gives every row
  // of a menu the widest box's room (the texts were at 16, the ticks at 6),
  // and a menu without check items room for the theme's box (the text of
  // Options was at 31); so there the hidden box takes no room, the menu
  // reserves none (TWxMenuAccess::ShowMenuColor), and the row's padding
  // and the label's margin alone place the text.
  const std::string highlighted =
      "background-color: " + highlight + "; background-image: none; box-shadow: none; color: " + highlightText + ";";
  return menus("") + " { background-color: " + menu + "; }\n" +
         bar + " { background-color: " + menu + "; background-image: none; box-shadow: none; }\n" +
         bar + " > menuitem:not(:hover) { background-color: " + menu + "; }\n" +
         bar + " > menuitem, " + menus(" menuitem") + " { color: " + text + "; }\n" +
         bar + " > menuitem:hover { " + highlighted + " }\n" +
         menus(" menuitem:hover") + " { " + highlighted + " }\n" +
         menus(" menuitem:disabled") + ", " + menus(" menuitem:disabled label") + " { color: " + grayText + "; }\n" +
         menus(" menuitem check") + " { min-width: 7px; min-height: 7px; margin: 0 3px 0 0; padding: 0;"
             " border-style: none; background-color: transparent; background-image: none;"
             " box-shadow: none; -gtk-icon-source: none; -gtk-icon-shadow: none; }\n" +
         pictured + " menuitem { padding-left: 4px; }\n" +
         pictured + " menuitem label { margin-left: 13px; }\n" +
         plain + " menuitem check { min-width: 0; margin: 0; }\n" +
         plain + " menuitem { padding-left: 3px; }\n" +
         plain + " menuitem label { margin-left: 10px; }\n";
}

// The program's one style sheet for its menus, on the default screen, at
// the application's priority (above the theme). Made on first use; loaded
// again only when a colour changes. The GTK calls are looked up in the
// process, as for the images above.
void StyleMenus(std::uint32_t menuColor) {
#ifdef __WXGTK__
  static void* provider = nullptr;
  static MenuSheetColors styled{};
  static bool loaded = false;
  const MenuSheetColors colors{menuColor, GetUiSysColor(kHighlightColor), GetUiSysColor(kHighlightTextColor),
                               GetUiSysColor(kMenuTextColor), GetUiSysColor(kGrayTextColor)};
  if (loaded && colors == styled) return;
  using NewProvider = void* (*)();
  using LoadData = int (*)(void*, const char*, long, void**);
  using DefaultScreen = void* (*)();
  using AddForScreen = void (*)(void*, void*, unsigned);
  static const auto newProvider = ToolkitSymbol<NewProvider>("gtk_css_provider_new");
  static const auto loadData = ToolkitSymbol<LoadData>("gtk_css_provider_load_from_data");
  static const auto defaultScreen = ToolkitSymbol<DefaultScreen>("gdk_screen_get_default");
  static const auto addForScreen = ToolkitSymbol<AddForScreen>("gtk_style_context_add_provider_for_screen");
  if (!newProvider || !loadData || !defaultScreen || !addForScreen) return;
  if (provider == nullptr) {
    void* screen = defaultScreen();
    if (screen == nullptr) return;
    provider = newProvider();
    constexpr unsigned kPriorityApplication = 600;  // GTK_STYLE_PROVIDER_PRIORITY_APPLICATION
    addForScreen(screen, provider, kPriorityApplication);
  }
  const std::string css = MenuStyleSheet(colors);
  if (loadData(provider, css.c_str(), long(css.size()), nullptr)) {
    styled = colors;
    loaded = true;
  }
#else
  (void)menuColor;
#endif
}

// Whether a GtkMenu keeps room for a check box left of every row's text
// when none of its rows has one: GTK's default, which sizes that room by
// the theme's box, not by the program's style sheet.
void ReserveBoxRoom(void* gtkMenu, bool reserve) {
#ifdef __WXGTK__
  using SetReserve = void (*)(void*, int);
  static const auto setReserve = ToolkitSymbol<SetReserve>("gtk_menu_set_reserve_toggle_size");
  if (setReserve != nullptr && gtkMenu != nullptr) setReserve(gtkMenu, reserve ? 1 : 0);
#else
  (void)gtkMenu;
  (void)reserve;
#endif
}

// Names a widget for the style sheet.
void NameWidget(void* widget, const char* name) {
#ifdef __WXGTK__
  using SetName = void (*)(void*, const char*);
  static const auto setName = ToolkitSymbol<SetName>("gtk_widget_set_name");
  if (setName != nullptr && widget != nullptr) setName(widget, name);
#else
  (void)widget;
  (void)name;
#endif
}

TWxMenuAccess* SubAccess(std::vector<std::unique_ptr<TWxMenuAccess>>& subs, wxMenu* menu,
                         const TWxMenuAccess::KeyTexts* shownKeys) {
  if (menu == nullptr) return nullptr;
  for (auto& s : subs) {
    if (s->MenuKey() == menu) return s.get();
  }
  subs.push_back(std::make_unique<TWxMenuAccess>(menu, shownKeys));
  return subs.back().get();
}

}  // namespace

int TWxMenuAccess::GetItemCount() const { return int(menu_->GetMenuItemCount()); }

TMenuAccess::ItemInfo TWxMenuAccess::GetItemInfo(int position) const {
  const wxMenuItem* item = menu_->FindItemByPosition(std::size_t(position));
  ItemInfo info;
  if (item == nullptr) {
    info.kind = ItemKind::Separator;
    return info;
  }
  if (item->IsSeparator()) {
    info.kind = ItemKind::Separator;
  } else if (item->IsSubMenu()) {
    info.kind = ItemKind::Submenu;
  } else {
    info.id = std::uint32_t(item->GetId());
  }
  info.disabled = !item->IsEnabled();
  info.checked = item->IsCheckable() && item->IsChecked();
  return info;
}

WString TWxMenuAccess::GetMenuString(int position) const {
  const wxMenuItem* item = menu_->FindItemByPosition(std::size_t(position));
  if (item == nullptr) return WString();
  WString text = FromWx(item->GetItemLabel());
  if (shownKeys_ == nullptr || item->IsSubMenu() || text.FindChar(u'\t') >= 0) return text;
  if (auto it = shownKeys_->find(std::uint32_t(item->GetId())); it != shownKeys_->end()) {
    text.AppendChar(u'\t').Append(it->second);
  }
  return text;
}

void TWxMenuAccess::SetMenuString(int position, const WString& text) {
  wxMenuItem* item = menu_->FindItemByPosition(std::size_t(position));
  if (item == nullptr) return;
  // A shown key stays out of the label, as GetMenuString added it.
  const int tab = text.FindChar(u'\t');
  if (shownKeys_ != nullptr && tab >= 0 && shownKeys_->contains(std::uint32_t(item->GetId()))) {
    item->SetItemLabel(ToWx(WString(text.View().substr(0, std::size_t(tab)))));
    return;
  }
  item->SetItemLabel(ToWx(text));
}

TMenuAccess* TWxMenuAccess::GetSubMenu(int position) {
  const wxMenuItem* item = menu_->FindItemByPosition(std::size_t(position));
  return item ? SubAccess(subs_, item->GetSubMenu(), shownKeys_) : nullptr;
}

const void* TWxMenuAccess::ItemKey(int position) const { return menu_->FindItemByPosition(std::size_t(position)); }

void TWxMenuAccess::ShowDecorated(int position, const WString&, const WString& shortcut, const TDib* image,
                                  std::uint32_t iconColumn) {
  wxMenuItem* item = menu_->FindItemByPosition(std::size_t(position));
  if (item == nullptr) return;
  // The decorator gives a column to every row of a menu with pictures.
  if (iconColumn != kNoIconColumn) pictured_ = true;
  if (item->IsSubMenu()) {
#ifdef __WXGTK__
    ShowRowIconColumn(item->GetMenuItem(), iconColumn);
#endif
    return;
  }
  if (image != nullptr && item->GetKind() == wxITEM_NORMAL && !item->GetBitmap().IsOk()) {
    const wxBitmap bitmap = MenuBitmap(*image);
    if (bitmap.IsOk()) {
      const bool enabled = item->IsEnabled();
      menu_->Remove(item);
      item->SetBitmap(bitmap);
      menu_->Insert(std::size_t(position), item);
      // The new GTK item starts enabled, whatever the item says.
      item->Enable(enabled);
      AlwaysShowImage(item);
    }
  }
#ifdef __WXGTK__
  // After the item was put back: that made a new GTK item.
  ShowRowShortcut(item->GetMenuItem(), shortcut.ToUtf8());
  if (item->IsCheckable()) DrawRowTick(item->GetMenuItem());
  ShowRowIconColumn(item->GetMenuItem(), iconColumn);
  // Greyed on the column, as the tool bar greys it on its face.
  if (image != nullptr && iconColumn != kNoIconColumn && item->GetBitmap().IsOk()) {
    ShowRowDisabledPicture(item->GetMenuItem(), GreyedBgra(*image, kGadgetImageFaceKey, iconColumn), image->Width(),
                           image->Height());
  }
#else
  (void)shortcut;
  (void)iconColumn;
#endif
}

void TWxMenuAccess::ShowMenuColor(std::uint32_t color) {
  if (color == 0xFFFFFFFF) return;
#ifdef __WXGTK__
  // Its rows were shown before, so what they show is known. The decorator
  // gives the column to a menu of commands with images; but check items
  // carry no picture here, and a menu whose rows show none (the Language
  // menu's) has no column, its texts placed as in a menu without images.
  bool pictures = false;
  for (const wxMenuItem* item : menu_->GetMenuItems()) pictures = pictures || item->GetBitmap().IsOk();
  if (pictured_ && !pictures) {
    for (const wxMenuItem* item : menu_->GetMenuItems()) {
      if (!item->IsSeparator()) ShowRowIconColumn(item->GetMenuItem(), kNoIconColumn);
    }
  }
  const bool column = pictured_ && pictures;
  NameWidget(menu_->m_menu, column ? kMenuName : kPlainMenuName);
  // A plain menu's texts start where the style sheet puts them, not after
  // room for a theme's check box (a menu of commands alone, as Options).
  ReserveBoxRoom(menu_->m_menu, column);
#endif
  StyleMenus(color);
}

void TWxMenuBarAccess::ShowMenuColor(std::uint32_t color) {
  if (color == 0xFFFFFFFF) return;
  NameWidget(bar_->GetHandle(), kMenuBarName);
  StyleMenus(color);
#ifdef __WXGTK__
  for (std::size_t i = 0; i < bar_->GetMenuCount(); ++i) LightTitleUnderMouse(bar_->GetMenu(i)->m_owner);
#endif
}

int TWxMenuBarAccess::GetItemCount() const { return int(bar_->GetMenuCount()); }

TMenuAccess::ItemInfo TWxMenuBarAccess::GetItemInfo(int) const {
  ItemInfo info;
  info.kind = ItemKind::Submenu;
  return info;
}

WString TWxMenuBarAccess::GetMenuString(int position) const {
  return FromWx(bar_->GetMenuLabel(std::size_t(position)));
}

void TWxMenuBarAccess::SetMenuString(int position, const WString& text) {
  bar_->SetMenuLabel(std::size_t(position), ToWx(text));
}

TMenuAccess* TWxMenuBarAccess::GetSubMenu(int position) {
  return SubAccess(subs_, bar_->GetMenu(std::size_t(position)), shownKeys_);
}

const void* TWxMenuBarAccess::ItemKey(int position) const { return bar_->GetMenu(std::size_t(position)); }

}  // namespace kvn
