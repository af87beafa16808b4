#include "controls/MenuAccessWx.h"

#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/menu.h>

#include <dlfcn.h>

#include "controls/GadgetImage.h"
#include "platform/gdi/TDib.h"
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
  static const auto objectSet = reinterpret_cast<ObjectSet>(dlsym(RTLD_DEFAULT, "g_object_set"));
  if (objectSet != nullptr && item->GetMenuItem() != nullptr) {
    objectSet(item->GetMenuItem(), "always-show-image", 1, static_cast<const char*>(nullptr));
  }
#else
  (void)item;
#endif
}

TWxMenuAccess* SubAccess(std::vector<std::unique_ptr<TWxMenuAccess>>& subs, wxMenu* menu) {
  if (menu == nullptr) return nullptr;
  for (auto& s : subs) {
    if (s->MenuKey() == menu) return s.get();
  }
  subs.push_back(std::make_unique<TWxMenuAccess>(menu));
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
  return item ? FromWx(item->GetItemLabel()) : WString();
}

void TWxMenuAccess::SetMenuString(int position, const WString& text) {
  if (wxMenuItem* item = menu_->FindItemByPosition(std::size_t(position))) item->SetItemLabel(ToWx(text));
}

TMenuAccess* TWxMenuAccess::GetSubMenu(int position) {
  const wxMenuItem* item = menu_->FindItemByPosition(std::size_t(position));
  return item ? SubAccess(subs_, item->GetSubMenu()) : nullptr;
}

const void* TWxMenuAccess::ItemKey(int position) const { return menu_->FindItemByPosition(std::size_t(position)); }

void TWxMenuAccess::ShowDecorated(int position, const WString&, const WString&, const TDib* image) {
  wxMenuItem* item = menu_->FindItemByPosition(std::size_t(position));
  if (item == nullptr || image == nullptr || item->GetKind() != wxITEM_NORMAL || item->IsSubMenu()) return;
  if (item->GetBitmap().IsOk()) return;
  const wxBitmap bitmap = MenuBitmap(*image);
  if (!bitmap.IsOk()) return;
  menu_->Remove(item);
  item->SetBitmap(bitmap);
  menu_->Insert(std::size_t(position), item);
  AlwaysShowImage(item);
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
  return SubAccess(subs_, bar_->GetMenu(std::size_t(position)));
}

const void* TWxMenuBarAccess::ItemKey(int position) const { return bar_->GetMenu(std::size_t(position)); }

}  // namespace kvn
