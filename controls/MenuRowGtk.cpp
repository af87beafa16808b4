#include "controls/MenuRowGtk.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "foundation/UiColors.h"
#include "platform/ui/ToolkitSymbol.h"

namespace kvn {

namespace {

// GDK's rectangle and colour, as GTK lays them out.
struct Allocation {
  int x, y, width, height;
};
struct Rgba {
  double red, green, blue, alpha;
};
// GtkBorder: a box's edge widths.
struct Border {
  short left, right, top, bottom;
};

// GObject type ids are gsize.
using GType = unsigned long;
// A handler of "draw" (the cairo context) or of a crossing (the event).
using Handler = int (*)(void* widget, void* cairoOrEvent, void* data);

// The GTK, GObject, Pango and cairo calls the rows need, found once.
struct Gtk {
  void* (*binChild)(void*) = ToolkitSymbol<void* (*)(void*)>("gtk_bin_get_child");
  GType (*accelLabelType)() = ToolkitSymbol<GType (*)()>("gtk_accel_label_get_type");
  GType (*checkItemType)() = ToolkitSymbol<GType (*)()>("gtk_check_menu_item_get_type");
  int (*isA)(void*, GType) = ToolkitSymbol<int (*)(void*, GType)>("g_type_check_instance_is_a");
  void (*setAccelWidget)(void*, void*) = ToolkitSymbol<void (*)(void*, void*)>("gtk_accel_label_set_accel_widget");
  void (*setData)(void*, const char*, void*, void (*)(void*)) =
      ToolkitSymbol<void (*)(void*, const char*, void*, void (*)(void*))>("g_object_set_data_full");
  void* (*getData)(void*, const char*) = ToolkitSymbol<void* (*)(void*, const char*)>("g_object_get_data");
  char* (*strdup)(const char*) = ToolkitSymbol<char* (*)(const char*)>("g_strdup");
  void (*free)(void*) = ToolkitSymbol<void (*)(void*)>("g_free");
  void (*unref)(void*) = ToolkitSymbol<void (*)(void*)>("g_object_unref");
  unsigned long (*connect)(void*, const char*, Handler, void*, void*, int) =
      ToolkitSymbol<unsigned long (*)(void*, const char*, Handler, void*, void*, int)>("g_signal_connect_data");
  void* (*createLayout)(void*, const char*) =
      ToolkitSymbol<void* (*)(void*, const char*)>("gtk_widget_create_pango_layout");
  void (*pixelSize)(void*, int*, int*) = ToolkitSymbol<void (*)(void*, int*, int*)>("pango_layout_get_pixel_size");
  void (*allocation)(void*, Allocation*) = ToolkitSymbol<void (*)(void*, Allocation*)>("gtk_widget_get_allocation");
  void (*layoutOffsets)(void*, int*, int*) = ToolkitSymbol<void (*)(void*, int*, int*)>("gtk_label_get_layout_offsets");
  void* (*styleContext)(void*) = ToolkitSymbol<void* (*)(void*)>("gtk_widget_get_style_context");
  void (*renderLayout)(void*, void*, double, double, void*) =
      ToolkitSymbol<void (*)(void*, void*, double, double, void*)>("gtk_render_layout");
  int (*state)(void*) = ToolkitSymbol<int (*)(void*)>("gtk_style_context_get_state");
  void (*color)(void*, int, Rgba*) = ToolkitSymbol<void (*)(void*, int, Rgba*)>("gtk_style_context_get_color");
  void* (*newProvider)() = ToolkitSymbol<void* (*)()>("gtk_css_provider_new");
  int (*loadCss)(void*, const char*, long, void**) =
      ToolkitSymbol<int (*)(void*, const char*, long, void**)>("gtk_css_provider_load_from_data");
  void (*addProvider)(void*, void*, unsigned) =
      ToolkitSymbol<void (*)(void*, void*, unsigned)>("gtk_style_context_add_provider");
  int (*checkActive)(void*) = ToolkitSymbol<int (*)(void*)>("gtk_check_menu_item_get_active");
  void (*sourceRgba)(void*, double, double, double, double) =
      ToolkitSymbol<void (*)(void*, double, double, double, double)>("cairo_set_source_rgba");
  void (*rectangle)(void*, double, double, double, double) =
      ToolkitSymbol<void (*)(void*, double, double, double, double)>("cairo_rectangle");
  void (*fill)(void*) = ToolkitSymbol<void (*)(void*)>("cairo_fill");
  int (*sensitive)(void*) = ToolkitSymbol<int (*)(void*)>("gtk_widget_is_sensitive");
  int (*translate)(void*, void*, int, int, int*, int*) =
      ToolkitSymbol<int (*)(void*, void*, int, int, int*, int*)>("gtk_widget_translate_coordinates");
  void (*border)(void*, int, Border*) = ToolkitSymbol<void (*)(void*, int, Border*)>("gtk_style_context_get_border");
  void* (*parent)(void*) = ToolkitSymbol<void* (*)(void*)>("gtk_widget_get_parent");
  GType (*shellType)() = ToolkitSymbol<GType (*)()>("gtk_menu_shell_get_type");
  void* (*selectedItem)(void*) = ToolkitSymbol<void* (*)(void*)>("gtk_menu_shell_get_selected_item");
  void (*setStateFlags)(void*, int, int) = ToolkitSymbol<void (*)(void*, int, int)>("gtk_widget_set_state_flags");
  void (*unsetStateFlags)(void*, int) = ToolkitSymbol<void (*)(void*, int)>("gtk_widget_unset_state_flags");
  unsigned long (*connectObject)(void*, const char*, void (*)(), void*, int) =
      ToolkitSymbol<unsigned long (*)(void*, const char*, void (*)(), void*, int)>("g_signal_connect_object");
  void* (*window)(void*) = ToolkitSymbol<void* (*)(void*)>("gtk_widget_get_window");
  void* (*windowDisplay)(void*) = ToolkitSymbol<void* (*)(void*)>("gdk_window_get_display");
  void* (*defaultSeat)(void*) = ToolkitSymbol<void* (*)(void*)>("gdk_display_get_default_seat");
  void* (*seatPointer)(void*) = ToolkitSymbol<void* (*)(void*)>("gdk_seat_get_pointer");
  void* (*pointerPosition)(void*, void*, int*, int*, void*) =
      ToolkitSymbol<void* (*)(void*, void*, int*, int*, void*)>("gdk_window_get_device_position");
  // An item with a picture is GTK's image item; without these the column
  // is not filled, as the picture could not be drawn on it again.
  GType (*imageItemType)() = ToolkitSymbol<GType (*)()>("gtk_image_menu_item_get_type");
  void* (*itemImage)(void*) = ToolkitSymbol<void* (*)(void*)>("gtk_image_menu_item_get_image");
  int (*visible)(void*) = ToolkitSymbol<int (*)(void*)>("gtk_widget_get_visible");
  void (*propagateDraw)(void*, void*, void*) =
      ToolkitSymbol<void (*)(void*, void*, void*)>("gtk_container_propagate_draw");
  // A disabled row's picture, kept as a cairo image.
  void* (*newSurface)(int, int, int) = ToolkitSymbol<void* (*)(int, int, int)>("cairo_image_surface_create");
  unsigned char* (*surfaceData)(void*) = ToolkitSymbol<unsigned char* (*)(void*)>("cairo_image_surface_get_data");
  int (*surfaceStride)(void*) = ToolkitSymbol<int (*)(void*)>("cairo_image_surface_get_stride");
  void (*flushSurface)(void*) = ToolkitSymbol<void (*)(void*)>("cairo_surface_flush");
  void (*dirtySurface)(void*) = ToolkitSymbol<void (*)(void*)>("cairo_surface_mark_dirty");
  void (*destroySurface)(void*) = ToolkitSymbol<void (*)(void*)>("cairo_surface_destroy");
  void (*sourceSurface)(void*, void*, double, double) =
      ToolkitSymbol<void (*)(void*, void*, double, double)>("cairo_set_source_surface");

  bool Ok() const {
    return binChild && accelLabelType && checkItemType && isA && setAccelWidget && setData && getData && strdup &&
           free && unref && connect && createLayout && pixelSize && allocation && layoutOffsets && styleContext &&
           renderLayout && state && color && newProvider && loadCss && addProvider && checkActive && sourceRgba &&
           rectangle && fill && sensitive && translate && border && parent && shellType && selectedItem &&
           setStateFlags && unsetStateFlags;
  }
  bool CanFindPointer() const {
    return connectObject && window && windowDisplay && defaultSeat && seatPointer && pointerPosition;
  }
  bool CanRedrawImages() const { return imageItemType && itemImage && visible && propagateDraw; }
  bool CanKeepPictures() const {
    return newSurface && surfaceData && surfaceStride && flushSurface && dirtySurface && destroySurface &&
           sourceSurface;
  }
};

const Gtk* Calls() {
  static const Gtk gtk;
  return gtk.Ok() ? &gtk : nullptr;
}

constexpr int kConnectAfter = 1;                 // G_CONNECT_AFTER
constexpr unsigned kPriorityApplication = 600;   // GTK_STYLE_PROVIDER_PRIORITY_APPLICATION
constexpr const char* kShortcutKey = "kvn-shortcut";
constexpr const char* kPaddingKey = "kvn-shortcut-padding";
constexpr const char* kDrawsKey = "kvn-draws";
constexpr const char* kTickKey = "kvn-tick";
constexpr const char* kColumnKey = "kvn-column";
constexpr const char* kDisabledPictureKey = "kvn-disabled-picture";
constexpr int kFormatArgb32 = 0;  // CAIRO_FORMAT_ARGB32
// The shortcut is drawn with two blanks after it, and three blanks more
// are kept between the label and the shortcut.
constexpr const char* kAfterShortcut = "  ";
constexpr const char* kBeforeShortcut = "   ";

// Column c of the tick covers rows kTickFirstRow[c] .. kTickFirstRow[c] + 2.
constexpr int kTickFirstRow[7] = {2, 3, 4, 3, 2, 1, 0};
constexpr int kTickSize = 7;
// The tick's left edge lies this far left of the text.
constexpr int kTickToText = 10;
// The icon column: the 24-pixel images and one pixel more, from the row's
// left edge.
constexpr int kColumnWidth = 25;
// The disabled tick's colour: the button shadow (the text takes the grey
// text colour through the menus' style sheet).
constexpr int kDisabledTickColor = 16;

// A colour kept as an item's data: 0 is "none", so it is stored plus one.
void* ColorData(std::uint32_t colorref) { return reinterpret_cast<void*>(std::uintptr_t(colorref & 0xFFFFFF) + 1); }
std::uint32_t DataColor(void* data) { return std::uint32_t(reinterpret_cast<std::uintptr_t>(data) - 1); }

void SetSource(const Gtk& gtk, void* cairo, std::uint32_t colorref) {
  gtk.sourceRgba(cairo, (colorref & 0xFF) / 255.0, ((colorref >> 8) & 0xFF) / 255.0, ((colorref >> 16) & 0xFF) / 255.0,
                 1.0);
}

// The row's label, when it is GTK's accelerator label.
void* AccelLabel(const Gtk& gtk, void* item) {
  if (item == nullptr) return nullptr;
  void* child = gtk.binChild(item);
  return child != nullptr && gtk.isA(child, gtk.accelLabelType()) ? child : nullptr;
}

int TextWidth(const Gtk& gtk, void* widget, const std::string& text) {
  void* layout = gtk.createLayout(widget, text.c_str());
  if (layout == nullptr) return 0;
  int width = 0;
  gtk.pixelSize(layout, &width, nullptr);
  gtk.unref(layout);
  return width;
}

int DrawShortcut(void* label, void* cairo, void*) {
  const Gtk* gtk = Calls();
  const auto* text = gtk ? static_cast<const char*>(gtk->getData(label, kShortcutKey)) : nullptr;
  if (text == nullptr || *text == 0) return 0;
  const std::string shown = std::string(text) + kAfterShortcut;
  void* layout = gtk->createLayout(label, shown.c_str());
  if (layout == nullptr) return 0;
  Allocation a{};
  gtk->allocation(label, &a);
  int width = 0;
  gtk->pixelSize(layout, &width, nullptr);
  // The label's own text sits at these offsets (in its window); the
  // shortcut shares its baseline, being in the same font.
  int y = 0;
  gtk->layoutOffsets(label, nullptr, &y);
  gtk->renderLayout(gtk->styleContext(label), cairo, double(a.width - width), double(y - a.y), layout);
  gtk->unref(layout);
  return 0;
}

// The column over GTK's highlight, then the item's picture again on it.
void DrawColumn(const Gtk& gtk, void* item, void* cairo, const Allocation& row, std::uint32_t color) {
  if (!gtk.CanRedrawImages()) return;
  int left = 0;
  int top = 0;
  int right = kColumnWidth;
  int bottom = row.height;
  // A theme that starts the text sooner keeps it: the column stops there.
  if (void* label = gtk.binChild(item)) {
    Allocation text{};
    gtk.allocation(label, &text);
    right = std::min(right, text.x - row.x);
  }
  // The rows reach over the menu's frame (GTK's highlight covers it too);
  // the column leaves it be.
  if (void* menu = gtk.parent(item)) {
    Allocation box{};
    gtk.allocation(menu, &box);
    Border frame{};
    gtk.border(gtk.styleContext(menu), 0, &frame);
    int x = 0;
    int y = 0;
    if (gtk.translate(item, menu, 0, 0, &x, &y)) {
      left = std::max(left, frame.left - x);
      top = std::max(top, frame.top - y);
      bottom = std::min(bottom, box.height - frame.bottom - y);
    }
  }
  if (right <= left || bottom <= top) return;
  SetSource(gtk, cairo, color);
  gtk.rectangle(cairo, left, top, right - left, bottom - top);
  gtk.fill(cairo);
  if (!gtk.isA(item, gtk.imageItemType())) return;
  void* image = gtk.itemImage(item);
  if (image == nullptr || !gtk.visible(image)) return;
  // A disabled row shows its picture greyed, in the picture's place; GTK's
  // own is under the column.
  void* greyed = gtk.sensitive(item) ? nullptr : gtk.getData(item, kDisabledPictureKey);
  int x = 0;
  int y = 0;
  if (greyed != nullptr && gtk.CanKeepPictures() && gtk.translate(image, item, 0, 0, &x, &y)) {
    gtk.sourceSurface(cairo, greyed, x, y);
    Allocation box{};
    gtk.allocation(image, &box);
    gtk.rectangle(cairo, x, y, box.width, box.height);
    gtk.fill(cairo);
    return;
  }
  gtk.propagateDraw(item, image, cairo);
}

void DrawTick(const Gtk& gtk, void* item, void* cairo, const Allocation& row) {
  void* label = gtk.binChild(item);
  if (label == nullptr) return;
  // Where the label draws its text (in the row's window, as the row's
  // place is): the label's allocation starts sooner, by its margin.
  int textX = 0;
  gtk.layoutOffsets(label, &textX, nullptr);
  if (gtk.sensitive(item)) {
    // The label's colour: the menu's text, or the highlight's while the
    // mouse is on the row.
    void* context = gtk.styleContext(label);
    Rgba c{};
    gtk.color(context, gtk.state(context), &c);
    gtk.sourceRgba(cairo, c.red, c.green, c.blue, c.alpha);
  } else {
    SetSource(gtk, cairo, GetUiSysColor(kDisabledTickColor));
  }
  const int left = textX - row.x - kTickToText;
  const int top = row.height / 2 - 3;
  for (int col = 0; col < kTickSize; ++col) {
    gtk.rectangle(cairo, left + col, top + kTickFirstRow[col], 1, 3);
  }
  gtk.fill(cairo);
}

// After GTK has drawn the row: the icon column, then the tick (which may
// lie in the column).
int DrawRow(void* item, void* cairo, void*) {
  const Gtk* gtk = Calls();
  if (gtk == nullptr) return 0;
  Allocation row{};
  gtk->allocation(item, &row);
  if (void* column = gtk->getData(item, kColumnKey)) DrawColumn(*gtk, item, cairo, row, DataColor(column));
  if (gtk->getData(item, kTickKey) != nullptr && gtk->checkActive(item)) DrawTick(*gtk, item, cairo, row);
  return 0;
}

// GTK lights a bar title (its prelight state, :hover in the style sheet)
// only while its menu is open; the mouse on it lights it too.
constexpr int kPrelight = 1 << 1;  // GTK_STATE_FLAG_PRELIGHT
constexpr const char* kTitleKey = "kvn-title";

// Both let GTK see the crossing too (false: not handled).
int EnterTitle(void* item, void*, void*) {
  const Gtk* gtk = Calls();
  if (gtk != nullptr && gtk->sensitive(item)) gtk->setStateFlags(item, kPrelight, 0);
  return 0;
}

int LeaveTitle(void* item, void*, void*) {
  const Gtk* gtk = Calls();
  if (gtk == nullptr) return 0;
  // The title of the open menu stays lit: the menu's grab takes the mouse
  // from it as it opens.
  void* bar = gtk->parent(item);
  if (bar != nullptr && gtk->isA(bar, gtk->shellType()) && gtk->selectedItem(bar) == item) return 0;
  gtk->unsetStateFlags(item, kPrelight);
  return 0;
}

// Whether the mouse is on the widget (a window-less one, as a bar title).
bool UnderMouse(const Gtk& gtk, void* widget) {
  void* window = gtk.window(widget);
  void* display = window ? gtk.windowDisplay(window) : nullptr;
  void* seat = display ? gtk.defaultSeat(display) : nullptr;
  void* pointer = seat ? gtk.seatPointer(seat) : nullptr;
  if (pointer == nullptr) return false;
  // Both in the window the widget draws in.
  int x = 0;
  int y = 0;
  gtk.pointerPosition(window, pointer, &x, &y, nullptr);
  Allocation a{};
  gtk.allocation(widget, &a);
  return x >= a.x && x < a.x + a.width && y >= a.y && y < a.y + a.height;
}

// After the bar's menus closed. GTK unlights the title of the menu that
// was open (it deselects it), and may do so after the crossing that gave
// the mouse back to the title (a quick click, then Escape): a title that
// the mouse is on is lit again.
void BarClosed(void*, void* item) {
  const Gtk* gtk = Calls();
  if (gtk != nullptr && gtk->sensitive(item) && UnderMouse(*gtk, item)) gtk->setStateFlags(item, kPrelight, 0);
}

void DrawAfterRow(const Gtk& gtk, void* item) {
  if (gtk.getData(item, kDrawsKey) != nullptr) return;
  gtk.connect(item, "draw", &DrawRow, nullptr, nullptr, kConnectAfter);
  gtk.setData(item, kDrawsKey, item, nullptr);
}

}  // namespace

void ShowRowShortcut(void* gtkMenuItem, const std::string& shortcut) {
  const Gtk* gtk = Calls();
  if (gtk == nullptr) return;
  void* label = AccelLabel(*gtk, gtkMenuItem);
  if (label == nullptr) return;
  // GTK's text goes; the item keeps its accelerator, so its key works as before.
  gtk->setAccelWidget(label, nullptr);
  gtk->setData(label, kShortcutKey, gtk->strdup(shortcut.c_str()), gtk->free);
  if (gtk->getData(label, kDrawsKey) == nullptr) {
    gtk->connect(label, "draw", &DrawShortcut, nullptr, nullptr, kConnectAfter);
    gtk->setData(label, kDrawsKey, label, nullptr);
  }
  // The room for the text: a padding of the label's own, at the priority
  // of the program's style sheets.
  const int room = shortcut.empty() ? 0
                                    : TextWidth(*gtk, label, shortcut + kAfterShortcut) +
                                          TextWidth(*gtk, label, kBeforeShortcut);
  void* provider = gtk->getData(label, kPaddingKey);
  if (provider == nullptr) {
    if (room == 0) return;
    provider = gtk->newProvider();
    if (provider == nullptr) return;
    gtk->addProvider(gtk->styleContext(label), provider, kPriorityApplication);
    gtk->setData(label, kPaddingKey, provider, gtk->unref);
  }
  char css[64];
  std::snprintf(css, sizeof css, "* { padding-right: %dpx; }", room);
  gtk->loadCss(provider, css, long(std::strlen(css)), nullptr);
}

void DrawRowTick(void* gtkCheckMenuItem) {
  const Gtk* gtk = Calls();
  if (gtk == nullptr || gtkCheckMenuItem == nullptr || !gtk->isA(gtkCheckMenuItem, gtk->checkItemType())) return;
  gtk->setData(gtkCheckMenuItem, kTickKey, gtkCheckMenuItem, nullptr);
  DrawAfterRow(*gtk, gtkCheckMenuItem);
}

void ShowRowIconColumn(void* gtkMenuItem, std::uint32_t color) {
  const Gtk* gtk = Calls();
  if (gtk == nullptr || gtkMenuItem == nullptr) return;
  gtk->setData(gtkMenuItem, kColumnKey, color == kNoIconColumn ? nullptr : ColorData(color), nullptr);
  DrawAfterRow(*gtk, gtkMenuItem);
}

void LightTitleUnderMouse(void* gtkMenuItem) {
  const Gtk* gtk = Calls();
  if (gtk == nullptr || gtkMenuItem == nullptr || gtk->getData(gtkMenuItem, kTitleKey) != nullptr) return;
  gtk->connect(gtkMenuItem, "enter-notify-event", &EnterTitle, nullptr, nullptr, 0);
  gtk->connect(gtkMenuItem, "leave-notify-event", &LeaveTitle, nullptr, nullptr, 0);
  // Connected for as long as the title lives; a bar's titles come and go
  // with a language switch.
  void* bar = gtk->parent(gtkMenuItem);
  if (bar != nullptr && gtk->isA(bar, gtk->shellType()) && gtk->CanFindPointer()) {
    // GObject calls the handler as its signal has it: (shell, data).
    gtk->connectObject(bar, "deactivate", reinterpret_cast<void (*)()>(&BarClosed), gtkMenuItem, kConnectAfter);
  }
  gtk->setData(gtkMenuItem, kTitleKey, gtkMenuItem, nullptr);
}

void ShowRowDisabledPicture(void* gtkMenuItem, const std::vector<std::uint8_t>& bgra, int width, int height) {
  const Gtk* gtk = Calls();
  if (gtk == nullptr || gtkMenuItem == nullptr || !gtk->CanKeepPictures()) return;
  const bool whole = width > 0 && height > 0 && bgra.size() == std::size_t(width) * std::size_t(height) * 4;
  void* surface = whole ? gtk->newSurface(kFormatArgb32, width, height) : nullptr;
  unsigned char* data = surface ? gtk->surfaceData(surface) : nullptr;
  if (data == nullptr) {
    if (surface != nullptr) gtk->destroySurface(surface);
    gtk->setData(gtkMenuItem, kDisabledPictureKey, nullptr, nullptr);
    return;
  }
  // cairo's ARGB32 is a native 32-bit word with the colour premultiplied:
  // B, G, R, A in memory on a little-endian machine.
  gtk->flushSurface(surface);
  const int stride = gtk->surfaceStride(surface);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = &bgra[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4];
      const std::uint32_t a = p[3];
      const std::uint32_t word = (a << 24) | ((p[2] * a / 255) << 16) | ((p[1] * a / 255) << 8) | (p[0] * a / 255);
      std::memcpy(data + std::size_t(y) * std::size_t(stride) + std::size_t(x) * 4, &word, 4);
    }
  }
  gtk->dirtySurface(surface);
  gtk->setData(gtkMenuItem, kDisabledPictureKey, surface, gtk->destroySurface);
  DrawAfterRow(*gtk, gtkMenuItem);
}

std::string RowShortcut(void* gtkMenuItem) {
  const Gtk* gtk = Calls();
  void* label = gtk ? AccelLabel(*gtk, gtkMenuItem) : nullptr;
  const auto* text = label ? static_cast<const char*>(gtk->getData(label, kShortcutKey)) : nullptr;
  return text ? std::string(text) : std::string();
}

}  // namespace kvn
