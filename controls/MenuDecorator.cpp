#include "controls/MenuDecorator.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "controls/GadgetImage.h"
#include "foundation/LangTable.h"
#include "foundation/Mnemonics.h"
#include "foundation/UiColors.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/ui/Controls.h"
#include "platform/ui/MessageBridge.h"
#include "platform/ui/Window.h"

namespace kvn {

namespace {

// System commands (SC_ ids) stay as the menu has them.
constexpr std::uint32_t kFirstSystemCommand = 0xE000;
constexpr std::int32_t kSubmenuCommand = -3;
// GetMenuStringW reads at most this many characters.
constexpr int kMaxMenuText = 256;
constexpr char16_t kBackspace = 0x08;
// The program's menu colour in its colour table.
constexpr int kMenuColorIndex = 132;

// Writes the translated texts back into the menu they came from.
class MenuTextTarget : public MnemonicTarget {
 public:
  void SetControlText(void*, const WString&) override {}
  void SetMenuItemText(void* menu, int position, int, const WString& text) override {
    static_cast<TMenuAccess*>(menu)->SetMenuString(position, text);
  }
};

}  // namespace

TCommandTable CommandTableFromAccelerators(const std::vector<AcceleratorEntry>& accelerators) {
  TCommandTable table;
  for (const AcceleratorEntry& entry : accelerators) {
    if (!(entry.flags & kFVirtKey)) continue;
    auto it = std::find_if(table.begin(), table.end(), [&](const TCommandRecord& r) { return r.id == entry.command; });
    if (it == table.end()) {
      table.push_back({entry.command, {}});
      it = table.end() - 1;
    }
    it->keys.push_back({std::uint8_t(entry.flags & (kKeyShift | kKeyCtrl | kKeyAlt)), entry.key});
  }
  return table;
}

TMyEnabler::TMyEnabler(std::uint32_t id, TWindow* window)
    : TCommandEnabler(id, window ? window->GetHandle() : nullptr), window_(window) {}

void TMyEnabler::Enable(bool enable) {
  TCommandEnabler::Enable(enable);
  enabled_ = enable;
}

// --- conversion -------------------------------------------------------------------------

void MenuDecorator::MapImage(std::uint32_t command, std::uint32_t imageId) {
  for (auto& [c, image] : imageMap_) {
    if (c == command) {
      image = imageId;
      return;
    }
  }
  imageMap_.emplace_back(command, imageId);
}

std::uint32_t MenuDecorator::ImageIdOf(std::uint32_t command) const {
  for (const auto& [c, image] : imageMap_) {
    if (c == command) return image;
  }
  return command;
}

int MenuDecorator::ImageIndex(std::uint32_t command) const {
  for (std::size_t i = 0; i < images_.size(); ++i) {
    if (images_[i]->command == command) return images_[i]->dib.HasBits() ? int(i) : -1;
  }
  return -1;
}

void MenuDecorator::AddMenuImage(std::uint32_t command) {
  if (noImages_ || command >= 65536 || command == 0) return;
  if (std::find(excluded_.begin(), excluded_.end(), command) != excluded_.end()) return;
  for (const auto& image : images_) {
    if (image->command == command) return;
  }
  std::uint32_t imageId = ImageIdOf(command);
  if (imageId >= 0xF000) imageId -= kFirstSystemCommand;
  auto image = std::make_unique<Image>(Image{command, TDib()});
  if (std::unique_ptr<TDib> dib = LoadGadgetImage(imageId)) image->dib = std::move(*dib);
  // A command without a picture keeps its (empty) entry, so that it is not
  // looked for again at every conversion.
  images_.push_back(std::move(image));
}

void MenuDecorator::SetTexts(ItemRecord& record, const WString& text) const {
  record.fullText = text;
  int split = text.FindChar(u'\t');
  if (split < 0) split = text.FindChar(kBackspace);
  if (split >= 0) {
    record.label = WString(text.View().substr(0, std::size_t(split)));
    record.shortcut = WString(text.View().substr(std::size_t(split) + 1));
  } else {
    record.label = text;
    record.shortcut = WString();
  }
  if (commands_ == nullptr || record.command <= 0) return;
  const std::uint32_t lookup = ImageIdOf(std::uint32_t(record.command));
  for (const TCommandRecord& command : *commands_) {
    if (command.id != lookup || command.keys.empty()) continue;
    CKeyHelper(&command.keys.front()).GetText(record.shortcut);
    return;
  }
}

void MenuDecorator::TranslateTree(TMenuAccess& menu) {
  MenuTextTarget target;
  MnemonicList list(MnemonicList::Mode::Menu, target);
  for (int pos = 0; pos < menu.GetItemCount(); ++pos) {
    const TMenuAccess::ItemInfo info = menu.GetItemInfo(pos);
    if (info.kind == TMenuAccess::ItemKind::Separator || info.kind == TMenuAccess::ItemKind::Bitmap) continue;
    if (info.kind == TMenuAccess::ItemKind::Submenu) {
      if (TMenuAccess* sub = menu.GetSubMenu(pos)) TranslateTree(*sub);
    }
    WString text = menu.GetMenuString(pos);
    bool keepsMnemonic = false;
    if (text.IsEmpty() || !TranslateText(text, &keepsMnemonic)) continue;
    const int commandId = info.kind == TMenuAccess::ItemKind::Submenu ? -1 : int(info.id);
    list.AddMenuItem(&menu, pos, commandId, text, keepsMnemonic);
  }
  list.Apply();
}

void MenuDecorator::ConvertMenu(bool translate, TMenuAccess* menu) {
  if (menu != nullptr && translate) TranslateTree(*menu);
  if (menu == nullptr) return;
  // Asked again on every pass: a theme change may change it.
  menuColor_ = GetUiSysColor(kMenuColorIndex);
  for (auto& record : records_) record->seen = false;
  ConvertLevel(*menu, false);
  // Records of menus that have left the tree altogether go too.
  std::erase_if(records_, [](const std::unique_ptr<ItemRecord>& r) { return !r->seen; });
}

void MenuDecorator::ConvertLevel(TMenuAccess& menu, bool dropDown) {
  const void* menuKey = menu.MenuKey();
  std::vector<int> converted;
  for (int pos = menu.GetItemCount() - 1; pos >= 0; --pos) {
    const TMenuAccess::ItemInfo info = menu.GetItemInfo(pos);
    const bool submenu = info.kind == TMenuAccess::ItemKind::Submenu;
    if (submenu) {
      if (TMenuAccess* sub = menu.GetSubMenu(pos)) ConvertLevel(*sub, true);
      if (!dropDown) continue;
    } else if (info.id >= kFirstSystemCommand) {
      continue;
    }
    if (info.kind == TMenuAccess::ItemKind::Separator || info.kind == TMenuAccess::ItemKind::Bitmap) continue;
    WString text = menu.GetMenuString(pos);
    if (text.Length() > kMaxMenuText) text = WString(text.View().substr(0, kMaxMenuText));
    const void* itemKey = menu.ItemKey(pos);
    const std::int32_t command = submenu ? kSubmenuCommand : std::int32_t(info.id);
    // The command must match as well: a menu built anew may reuse the
    // addresses of the items it replaced.
    auto it = std::find_if(records_.begin(), records_.end(), [&](const std::unique_ptr<ItemRecord>& r) {
      return r->menu == menuKey && r->item == itemKey && r->command == command;
    });
    ItemRecord* record = nullptr;
    if (it == records_.end()) {
      auto fresh = std::make_unique<ItemRecord>();
      fresh->menu = menuKey;
      fresh->item = itemKey;
      fresh->command = command;
      if (!submenu) AddMenuImage(info.id);
      fresh->imageIndex = fresh->command > 0 ? ImageIndex(std::uint32_t(fresh->command)) : -1;
      SetTexts(*fresh, text);
      record = fresh.get();
      records_.push_back(std::move(fresh));
    } else {
      record = it->get();
      if (!(record->fullText == text)) SetTexts(*record, text);
    }
    record->seen = true;
    record->position = pos;
    record->inDropDown = dropDown;
    converted.push_back(pos);
  }
  std::erase_if(records_, [&](const std::unique_ptr<ItemRecord>& r) { return r->menu == menuKey && !r->seen; });
  bool anyImage = false;
  for (const auto& r : records_) {
    if (r->menu == menuKey && r->imageIndex >= 0) anyImage = true;
  }
  for (auto& r : records_) {
    if (r->menu == menuKey) r->menuHasNoImages = !anyImage;
  }
  for (const auto& r : records_) {
    if (r->menu == menuKey) Show(menu, *r);
  }
  // A drop-down with converted items takes the menu colour as its
  // background; the bar's items are painted in it too.
  if (!converted.empty() || !dropDown) menu.ShowMenuColor(menuColor_);
}

void MenuDecorator::Show(TMenuAccess& menu, const ItemRecord& record) const {
  const TDib* image = record.menuHasNoImages ? nullptr : ImageOf(record);
  // Every row of a drop-down with images has the column, with an image or not.
  const COLORREF column = record.inDropDown && !record.menuHasNoImages ? IconColumnColor(menuColor_) : kClrInvalid;
  menu.ShowDecorated(record.position, record.label, record.shortcut, image, column);
}

const TDib* MenuDecorator::ImageOf(const ItemRecord& record) const {
  if (record.imageIndex < 0 || std::size_t(record.imageIndex) >= images_.size()) return nullptr;
  const TDib& dib = images_[std::size_t(record.imageIndex)]->dib;
  return dib.HasBits() ? &dib : nullptr;
}

const MenuDecorator::ItemRecord* MenuDecorator::FindRecord(std::uint32_t command) const {
  for (const auto& r : records_) {
    if (r->command == std::int32_t(command)) return r.get();
  }
  return nullptr;
}

// --- texts of a command -------------------------------------------------------------------

void MenuDecorator::GetCommandHint(WString& out, const TMenuAccess* menu, std::uint32_t id, int mode) const {
  out = WString();
  if (mode != 2 || menu == nullptr) return;
  const ItemRecord* record = FindRecord(id);
  if (record == nullptr) return;
  std::u16string label;
  for (char16_t c : record->label.View()) {
    if (c != u'&') label.push_back(c);
  }
  while (!label.empty() && label.back() == u'.') label.pop_back();
  out = WString(std::u16string_view(label));
  if (!record->shortcut.IsEmpty()) out.AppendCStr(u" (").Append(record->shortcut).AppendChar(u')');
}

void MenuDecorator::GetCommandText(WString& out, std::uint32_t id) const {
  out = WString();
  const ItemRecord* record = FindRecord(id);
  if (record == nullptr) return;
  out = record->label;
  out.AppendChar(u'\t').Append(record->shortcut);
}

// --- shortcuts -------------------------------------------------------------------------------

bool MenuDecorator::MenuHasCommand(TMenuAccess& menu, std::uint32_t id) {
  for (int pos = menu.GetItemCount() - 1; pos >= 0; --pos) {
    const TMenuAccess::ItemInfo info = menu.GetItemInfo(pos);
    if (info.kind == TMenuAccess::ItemKind::Submenu) {
      if (TMenuAccess* sub = menu.GetSubMenu(pos); sub && MenuHasCommand(*sub, id)) return true;
    } else if (info.kind == TMenuAccess::ItemKind::Command && info.id == id) {
      return true;
    }
  }
  return false;
}

std::uint32_t MenuDecorator::FindShortcutCommand(TWindow& window, TMenuAccess* menu, std::uint8_t modifiers,
                                                 std::uint32_t key) const {
  if (commands_ == nullptr || menu == nullptr) return 0;
  for (const TCommandRecord& command : *commands_) {
    for (const TKeyBinding& binding : command.keys) {
      if (binding.flags != modifiers || binding.key != key) continue;
      if (!MenuHasCommand(*menu, command.id)) continue;
      TMyEnabler enabler(command.id, &window);
      window.EvCommandEnable(enabler);
      if (enabler.GetEnabled()) return command.id;
    }
  }
  return 0;
}

bool MenuDecorator::TranslateShortcut(TWindow& window, TMenuAccess* menu, std::uint32_t key) {
  std::uint8_t modifiers = 0;
  if (GetKeyState(kVkShift) < 0) modifiers |= kKeyShift;
  if (GetKeyState(kVkControl) < 0) modifiers |= kKeyCtrl;
  if (GetKeyState(kVkMenu) < 0) modifiers |= kKeyAlt;
  return TranslateShortcut(window, menu, key, modifiers);
}

bool MenuDecorator::TranslateShortcut(TWindow& window, TMenuAccess* menu, std::uint32_t key, std::uint8_t modifiers) {
  // Only a live, enabled window can be the active one.
  if (window.GetHandle() == nullptr || !window.IsWindowEnabled()) return false;
  const std::uint32_t command = FindShortcutCommand(window, menu, modifiers, key);
  if (command == 0) return false;
  return window.PostMessage(kWmCommand, command, 0);
}

// --- measuring and drawing ------------------------------------------------------------------

COLORREF MenuDecorator::IconColumnColor(COLORREF menuColor) {
  // HLS with lightness on the 0..240 scale of Windows' colour dialog.
  const double r = (menuColor & 0xFF) / 255.0;
  const double g = ((menuColor >> 8) & 0xFF) / 255.0;
  const double b = ((menuColor >> 16) & 0xFF) / 255.0;
  const double mx = std::max({r, g, b});
  const double mn = std::min({r, g, b});
  const double l = (mx + mn) / 2;
  constexpr double kMinLightness = 200.0 / 240.0;
  if (l >= kMinLightness) return menuColor;
  const double d = mx - mn;
  double h = 0;
  double s = 0;
  if (d > 0) {
    s = l > 0.5 ? d / (2 - mx - mn) : d / (mx + mn);
    if (mx == r) h = (g - b) / d + (g < b ? 6 : 0);
    else if (mx == g) h = (b - r) / d + 2;
    else h = (r - g) / d + 4;
    h /= 6;
  }
  const double nl = kMinLightness;
  const double q = nl < 0.5 ? nl * (1 + s) : nl + s - nl * s;
  const double p = 2 * nl - q;
  auto hue = [&](double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t < 1.0 / 6) return p + (q - p) * 6 * t;
    if (t < 0.5) return q;
    if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
  };
  auto channel = [](double v) { return std::uint32_t(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
  return channel(hue(h + 1.0 / 3)) | (channel(hue(h)) << 8) | (channel(hue(h - 1.0 / 3)) << 16);
}

bool MenuDecorator::MeasureMenuItem(TMenuMeasure& measure, const TMenuFont& font) const {
  const auto* record = reinterpret_cast<const ItemRecord*>(measure.itemData);
  const bool ours = std::any_of(records_.begin(), records_.end(), [&](const auto& r) { return r.get() == record; });
  if (!ours || record->label.IsEmpty() || !font.textWidth) return false;
  int width = font.textWidth(record->label);
  if (!record->shortcut.IsEmpty()) {
    WString shortcut = record->shortcut;
    shortcut.AppendCStr(u"  ");
    width += font.textWidth(shortcut) + font.textWidth(WString(u"   "));
  }
  int height = font.height + font.externalLeading + 4;
  if (record->inDropDown) {
    height = std::max(height, kIconSize + 1);
    if (!record->menuHasNoImages) width += kIconSize;
    width += 14;
  }
  measure.width = width;
  measure.height = height;
  return true;
}

bool MenuDecorator::DrawMenuItem(TDC& dc, const TMenuDraw& draw, const TMenuFont&) const {
  const auto* record = reinterpret_cast<const ItemRecord*>(draw.itemData);
  const bool ours = std::any_of(records_.begin(), records_.end(), [&](const auto& r) { return r.get() == record; });
  if (!ours) return false;
  const bool enabled = !(draw.state & kOdsDisabled);
  const bool highlighted = enabled && (draw.state & (kOdsHotLight | kOdsSelected));
  COLORREF textColor = GetUiSysColor(highlighted ? 14 : 7);
  COLORREF tickColor = textColor;
  if (!enabled) {
    textColor = GetUiSysColor(17);
    tickColor = GetUiSysColor(16);
  }
  const COLORREF menuColor = GetUiSysColor(kMenuColorIndex);
  const COLORREF background = highlighted ? GetUiSysColor(13) : menuColor;
  dc.SetBkMode(kTransparent);
  dc.SetTextColor(textColor);
  const TRect& r = draw.rect;
  TRect textRect = r;
  if (record->inDropDown) {
    int columnRight = r.left;
    if (!record->menuHasNoImages) {
      columnRight = r.left + 1 + kIconSize;
      dc.FillSolidRect(TRect{r.left, r.top, columnRight, r.bottom}, IconColumnColor(menuColor));
    }
    dc.FillSolidRect(TRect{columnRight, r.top, r.right, r.bottom}, background);
    int textX = columnRight + 11;
    const TDib* image = record->menuHasNoImages ? nullptr : ImageOf(*record);
    if (image && image->Width() <= kIconSize && image->Height() <= kIconSize) {
      const std::vector<std::uint8_t> bgra = DibToBgra(*image, kGadgetImageFaceKey, IconColumnColor(menuColor));
      const PixelView view{bgra.data(), image->Width(), image->Height(), image->Width() * 4};
      if (view.IsValid()) {
        const int x = r.left + 1 + (kIconSize - image->Width()) / 2;
        const int y = r.top + (int(r.Height()) - image->Height()) / 2;
        dc.BitBlt(x, y, image->Width(), image->Height(), view, 0, 0, kSrcCopy);
      }
    }
    if (draw.state & kOdsChecked) {
      // Column c of the tick covers rows first..first + 2.
      static constexpr int kTickFirstRow[7] = {2, 3, 4, 3, 2, 1, 0};
      const int left = textX - 8;
      const int top = r.top + int(r.Height()) / 2 - 3;
      for (int c = 0; c < 7; ++c) {
        for (int row = kTickFirstRow[c]; row <= kTickFirstRow[c] + 2; ++row) dc.SetPixel(left + c, top + row, tickColor);
      }
    }
    textX += 2;
    textRect.left = textX;
  } else {
    dc.FillSolidRect(r, background);
  }
  std::uint32_t format = kDtVCenter | kDtSingleLine;
  if (!record->inDropDown) format |= kDtCenter;
  TRect labelRect = textRect;
  dc.DrawText(record->label.CStr(), record->label.Length(), &labelRect, format);
  if (!record->shortcut.IsEmpty()) {
    WString shortcut = record->shortcut;
    shortcut.AppendCStr(u"  ");
    TRect shortcutRect = textRect;
    dc.DrawText(shortcut.CStr(), shortcut.Length(), &shortcutRect, kDtVCenter | kDtSingleLine | kDtRight);
  }
  return true;
}

void DrawTwoColorFrame(TDC& dc, const TRect& rect, COLORREF topLeft, COLORREF bottomRight) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  const int l = rect.left;
  const int t = rect.top;
  const int r = rect.right;
  const int b = rect.bottom;
  dc.FillSolidRect(TRect{l, t, r - 1, t + 1}, topLeft);
  dc.FillSolidRect(TRect{l, t, l + 1, b - 1}, topLeft);
  dc.FillSolidRect(TRect{r - 1, t, r, b}, bottomRight);
  dc.FillSolidRect(TRect{l, b - 1, r, b}, bottomRight);
}

void DrawTwoColorFrame(TDC& dc, int x, int y, int width, int height, COLORREF topLeft, COLORREF bottomRight) {
  // The far corner as the coordinates can hold it.
  auto end = [](int origin, int size) {
    return int(std::clamp<std::int64_t>(std::int64_t(origin) + size, INT32_MIN, INT32_MAX));
  };
  DrawTwoColorFrame(dc, TRect{x, y, end(x, width), end(y, height)}, topLeft, bottomRight);
}

}  // namespace kvn
