#include "platform/ui/ThemedButton.h"

#include <wx/bitmap.h>
#include <wx/dc.h>
#include <wx/image.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/window.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "foundation/UiColors.h"
#include "foundation/UiTheme.h"
#include "platform/gdi/TDib.h"
#include "platform/ui/ControlDraw.h"
#include "platform/ui/ControlPeers.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Messages.h"
#include "platform/ui/ToolkitSymbol.h"

namespace kvn {

namespace {

bool g_theming = true;

// COLOR_BTNFACE (15) in the program's themed variant.
constexpr int kColorButtonFaceThemed = 128 + 15;
constexpr std::uint32_t kBmSetStyle = 0x00F4;
// Glyph pictures keep their light grey (the tool-bar images' face) transparent.
constexpr std::uint32_t kGlyphFaceKey = 0x00C0C0C0;

// The records, GUI thread only (the subclass list of the Win32 program).
std::vector<ThemedButtonRecord>& Records() {
  static std::vector<ThemedButtonRecord> records;
  return records;
}

ThemedButtonRecord* Find(const wxWindow* window) {
  for (ThemedButtonRecord& r : Records()) {
    if (r.window == window) return &r;
  }
  return nullptr;
}

// The glyph cache: every id looked up once, found or not.
std::vector<std::pair<int, std::unique_ptr<TDib>>>& Glyphs() {
  static std::vector<std::pair<int, std::unique_ptr<TDib>>> glyphs;
  return glyphs;
}

bool GlyphForEveryDialog(int id) { return id == 1 || id == 2 || id == 6 || id == 7 || id == 9 || id == 1038; }

wxColour FromColorRef(COLORREF c) {
  return wxColour(static_cast<unsigned char>(c & 0xFF), static_cast<unsigned char>((c >> 8) & 0xFF),
                  static_cast<unsigned char>((c >> 16) & 0xFF));
}

// The glyph with its face colour transparent; greyed for a disabled button.
wxBitmap GlyphBitmap(const TDib& dib, bool disabled) {
  const wxBitmap plain = DibToBitmap(dib);
  if (!plain.IsOk()) return plain;
  wxImage image = plain.ConvertToImage();
  image.SetMaskColour(kGlyphFaceKey & 0xFF, (kGlyphFaceKey >> 8) & 0xFF, (kGlyphFaceKey >> 16) & 0xFF);
  if (disabled) image = image.ConvertToDisabled();
  return wxBitmap(image);
}


// The face: the theme's push button on the face colour, then the glyph and
// the text side by side, centred, one pixel down and right while pressed.
void PaintFace(const TDrawItem& item, wxWindow* button, const ThemedButtonRecord& record, int glyphId) {
  wxDC& dc = *item.dc;
  const wxRect rect(item.rect.left, item.rect.top, int(item.rect.Width()), int(item.rect.Height()));
  const bool pressed = (item.itemState & kOdsSelected) != 0;
  const bool disabled = (item.itemState & kOdsDisabled) != 0;
  dc.SetPen(*wxTRANSPARENT_PEN);
  dc.SetBrush(wxBrush(FromColorRef(ThemedButtonFaceColor())));
  dc.DrawRectangle(rect);
  int flags = 0;
  if (pressed) flags |= wxCONTROL_PRESSED;
  if (record.isDefault) flags |= wxCONTROL_ISDEFAULT;
  if (record.hot && !disabled) flags |= wxCONTROL_CURRENT;
  if (disabled) flags |= wxCONTROL_DISABLED;
  wxRendererNative::Get().DrawPushButton(button, dc, rect, flags);

  const TDib* glyph = ThemedButtonGlyph(glyphId, button->GetParent() && TWindow::FromPeer(button->GetParent()));
  const wxBitmap bitmap = glyph ? GlyphBitmap(*glyph, disabled) : wxBitmap();
  // A text that begins with a line feed counts as none.
  wxString label = button->GetLabel();
  if (label.StartsWith("\n")) label.clear();
  const auto [text, mnemonic] = LabelAndMnemonic(label);
  dc.SetFont(button->GetFont());
  const wxSize textSize = text.empty() ? wxSize(0, 0) : dc.GetTextExtent(text);
  const int gap = bitmap.IsOk() && !text.empty() ? 4 : 0;
  const int glyphWidth = bitmap.IsOk() ? bitmap.GetWidth() : 0;
  const int shift = pressed ? 1 : 0;
  // Too long a text is cut at the right edge; the glyph always shows.
  int x = std::max(rect.x + 3, rect.x + (rect.width - (glyphWidth + gap + textSize.x)) / 2) + shift;
  wxDCClipper clip(dc, rect);
  if (bitmap.IsOk()) {
    dc.DrawBitmap(bitmap, x, rect.y + (rect.height - bitmap.GetHeight()) / 2 + shift, true);
    x += glyphWidth + gap;
  }
  if (!text.empty()) {
    dc.SetTextForeground(wxSystemSettings::GetColour(disabled ? wxSYS_COLOUR_GRAYTEXT : wxSYS_COLOUR_BTNTEXT));
    dc.DrawLabel(text, wxRect(x, rect.y + shift, textSize.x, rect.height), wxALIGN_CENTRE_VERTICAL, mnemonic);
  }
  if (item.itemState & kOdsFocus) {
    wxRendererNative::Get().DrawFocusRect(button, dc, wxRect(rect).Deflate(4));
  }
}

}  // namespace

std::pair<wxString, int> LabelAndMnemonic(const wxString& label) {
  wxString text;
  int index = -1;
  for (std::size_t i = 0; i < label.length(); ++i) {
    if (label[i] == '&' && i + 1 < label.length()) {
      ++i;
      if (label[i] != '&' && index < 0) index = int(text.length());
    }
    text += label[i];
  }
  return {text, index};
}

void SetPushButtonTheming(bool on) { g_theming = on; }
bool PushButtonTheming() { return g_theming; }

bool TakesThemedFace(std::uint32_t style) { return g_theming && (style & 0xF7FDFFFEu) == 0x50010000u; }

void SubclassPushButtons(const void* owner, wxWindow* dialog) {
  if (!g_theming || dialog == nullptr) return;
  bool any = false;
  for (wxWindow* child : dialog->GetChildren()) {
    const ThemedPeerInfo* info = ThemedPeerOf(child);
    if (info == nullptr || Find(child) != nullptr) continue;
    Records().push_back({child, info->isDefault, true, false, info->suspended, owner});
    any = true;
  }
  if (any && Find(dialog) == nullptr) Records().push_back({dialog, false, false, false, false, owner});
}

void ForgetSubclassedButtons(const void* owner) {
  auto& records = Records();
  records.erase(std::remove_if(records.begin(), records.end(),
                               [owner](const ThemedButtonRecord& r) { return r.owner == owner; }),
                records.end());
}

void ForgetThemedWindow(const wxWindow* window) {
  auto& records = Records();
  records.erase(std::remove_if(records.begin(), records.end(),
                               [window](const ThemedButtonRecord& r) { return r.window == window; }),
                records.end());
}

const ThemedButtonRecord* FindThemedRecord(const wxWindow* window) { return Find(window); }

void SuspendThemedButton(wxWindow* button) {
  if (ThemedPeerInfo* info = ThemedPeerOf(button)) info->suspended = true;
  if (ThemedButtonRecord* record = Find(button)) record->suspended = true;
}

TResult ThemedButtonProc(wxWindow* window, std::uint32_t message, TParam1 wParam, TParam2 lParam, bool* handled) {
  if (handled) *handled = false;
  if (message == kWmDrawItem) {
    auto* item = reinterpret_cast<const TDrawItem*>(lParam);
    if (item == nullptr || item->ctlType != kOdtButton || item->dc == nullptr) return 0;
    wxWindow* button = item->dc->GetWindow();
    ThemedButtonRecord* record = button ? Find(button) : nullptr;
    const ThemedPeerInfo* info = button ? ThemedPeerOf(button) : nullptr;
    if (record == nullptr || !record->themed || record->suspended || info == nullptr) return 0;
    (void)window;
    PaintFace(*item, button, *record, info->glyphId);
    if (handled) *handled = true;
    return 0;
  }
  ThemedButtonRecord* record = Find(window);
  if (record == nullptr || !record->themed || record->suspended) return 0;
  switch (message) {
    case kWmGetDlgCode:
      if (handled) *handled = true;
      return TResult(kDlgcButton | (record->isDefault ? kDlgcDefPushButton : kDlgcUndefPushButton));
    case kBmSetStyle: {
      const auto style = std::uint32_t(wParam);
      if ((style & 0xF) <= 1) record->isDefault = (style & 0xF) == 1;
      if (ThemedPeerInfo* info = ThemedPeerOf(window)) info->isDefault = record->isDefault;
      // The button stays owner-drawn whatever style it is given: the peer
      // keeps its kind, only the default flag moves.
      window->Refresh();
      if (handled) *handled = true;
      return 0;
    }
    case kWmMouseMove:
      // Hot only once the leaving will be told: a button left hot would stay so.
      if (!record->hot && TrackMouseLeave(window)) {
        record->hot = true;
        window->Refresh(false);
      }
      return 0;
    case kWmMouseLeave:
      record->hot = false;
      window->Refresh(false);
      return 0;
    default: return 0;
  }
}

const TDib* ThemedButtonGlyph(int id, bool parentIsOurs) {
  if (!GlyphForEveryDialog(id) && !parentIsOurs) return nullptr;
  auto& glyphs = Glyphs();
  for (const auto& [glyphId, dib] : glyphs) {
    if (glyphId == id) return dib.get();
  }
  auto dib = std::make_unique<TDib>();
  if (!LoadBitmapResource(id, *dib)) dib.reset();
  glyphs.emplace_back(id, std::move(dib));
  return glyphs.back().second.get();
}

bool ClickThemedButtonByMnemonic(wxWindow* dialog, int key) {
  if (dialog == nullptr || key <= 0) return false;
  const wxUniChar wanted = wxUniChar(key).GetValue() < 0x80 ? wxUniChar(wxToupper(key)) : wxUniChar(key);
  for (wxWindow* child : dialog->GetChildren()) {
    if (ThemedPeerOf(child) == nullptr || !child->IsShown() || !child->IsEnabled()) continue;
    const auto [text, mnemonic] = LabelAndMnemonic(child->GetLabel());
    if (mnemonic < 0 || std::size_t(mnemonic) >= text.length()) continue;
    if (wxString(text[std::size_t(mnemonic)]).Upper() == wxString(wanted).Upper()) {
      child->SetFocus();
      ClickOwnerDrawnButton(child);
      return true;
    }
  }
  return false;
}

bool TrackMouseLeave(wxWindow* window) {
  // Asked only where the visual-styles binding is loaded: the theme
  // services installed.
  if (window == nullptr || GetThemeServices() == nullptr) return false;
  // GTK reports the mouse leaving a widget once the widget has its window
  // on the display (realized); before that nothing would be reported. The
  // GTK call is looked up in the process (the toolkit has loaded it).
  void* widget = window->GetHandle();
  if (widget == nullptr) return false;
#ifdef __WXGTK__
  using Realized = int (*)(void*);
  static const auto realized = ToolkitSymbol<Realized>("gtk_widget_get_realized");
  return realized != nullptr && realized(widget) != 0;
#else
  return true;
#endif
}

// GetUiSysColor asks the configured colour first, then the table, then the
// system: exactly the face rule.
COLORREF ThemedButtonFaceColor() { return GetUiSysColor(kColorButtonFaceThemed); }

}  // namespace kvn
