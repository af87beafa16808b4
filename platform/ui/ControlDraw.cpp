#include "platform/ui/ControlDraw.h"

#include <wx/bitmap.h>
#include <wx/brush.h>
#include <wx/dc.h>
#include <wx/pen.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/window.h>

#include "foundation/Resources.h"
#include "platform/gdi/TDib.h"
#include "platform/ui/ControlPeers.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

wxColour FromColorRef(std::uint32_t c) {
  return wxColour(static_cast<unsigned char>(c & 0xFF), static_cast<unsigned char>((c >> 8) & 0xFF),
                  static_cast<unsigned char>((c >> 16) & 0xFF));
}

wxRect ToWx(const TRect& r) { return wxRect(r.left, r.top, int(r.Width()), int(r.Height())); }

}  // namespace

void FillItemRect(const TDrawItem& item, const TRect& rect, std::uint32_t colorRef) {
  if (item.dc == nullptr || rect.IsEmpty()) return;
  item.dc->SetPen(*wxTRANSPARENT_PEN);
  item.dc->SetBrush(wxBrush(FromColorRef(colorRef)));
  item.dc->DrawRectangle(ToWx(rect));
}

void DrawItemDib(const TDrawItem& item, const TDib& dib, int x, int y) {
  if (item.dc == nullptr) return;
  const wxBitmap bitmap = DibToBitmap(dib);
  if (bitmap.IsOk()) item.dc->DrawBitmap(bitmap, x, y, false);
}

void DrawItemFocusRect(const TDrawItem& item, const TRect& rect) {
  if (item.dc == nullptr || rect.IsEmpty()) return;
  wxWindow* window = item.dc->GetWindow();
  if (window) wxRendererNative::Get().DrawFocusRect(window, *item.dc, ToWx(rect));
}

void DrawItemText(const TDrawItem& item, const TRect& rect, const WString& text, std::uint32_t colorRef) {
  if (item.dc == nullptr || rect.IsEmpty() || text.IsEmpty()) return;
  const wxString label = kvn::ToWx(text);
  wxDCClipper clip(*item.dc, ToWx(rect));
  item.dc->SetTextForeground(FromColorRef(colorRef));
  const wxSize size = item.dc->GetTextExtent(label);
  item.dc->DrawText(label, rect.left, rect.top + (int(rect.Height()) - size.y) / 2);
}

int MeasureItemText(const TDrawItem& item, const WString& text) {
  if (item.dc == nullptr || text.IsEmpty()) return 0;
  return item.dc->GetTextExtent(kvn::ToWx(text)).x;
}

void PaintPushButton(const TDrawItem& item, const TButtonFace& face) {
  wxDC* dc = item.dc;
  if (dc == nullptr) return;
  const wxRect rect = ToWx(item.rect);
  FillItemRect(item, item.rect, face.background);
  int flags = 0;
  if (face.pressed || face.checked) flags |= wxCONTROL_PRESSED;
  if (face.isDefault) flags |= wxCONTROL_ISDEFAULT;
  if (face.hot) flags |= wxCONTROL_CURRENT;
  if (face.disabled) flags |= wxCONTROL_DISABLED;
  if (wxWindow* window = dc->GetWindow()) wxRendererNative::Get().DrawPushButton(window, *dc, rect, flags);
  // A pressed face moves its contents one pixel down and right, as Win32's does.
  const int shift = (face.pressed || face.checked) ? 1 : 0;
  int textTop = rect.y;
  if (face.image != nullptr && !face.image->IsEmpty()) {
    const int w = face.image->Width();
    const int h = face.image->Height();
    const int x = rect.x + (rect.width - w) / 2 + shift;
    const int y = rect.y + (face.caption.IsEmpty() ? (rect.height - h) / 2 : 3) + shift;
    DrawItemDib(item, *face.image, x, y);
    textTop = y + h;
  }
  if (!face.caption.IsEmpty()) {
    dc->SetTextForeground(wxSystemSettings::GetColour(face.disabled ? wxSYS_COLOUR_GRAYTEXT : wxSYS_COLOUR_BTNTEXT));
    const wxRect textRect(rect.x + shift, textTop + shift, rect.width, rect.GetBottom() + 1 - textTop);
    dc->DrawLabel(kvn::ToWx(face.caption), textRect, wxALIGN_CENTRE);
  }
  if (face.focused) {
    wxRect inner = rect;
    inner.Deflate(4);
    if (wxWindow* window = dc->GetWindow()) wxRendererNative::Get().DrawFocusRect(window, *dc, inner);
  }
}

bool LoadBitmapResource(int id, TDib& out) {
  out.Clear();
  const std::span<const std::uint8_t> bytes = FindResource(ResourceType::Bitmap, id);
  if (bytes.empty()) return false;
  return out.LoadPackedDib(bytes.data(), bytes.size());
}

}  // namespace kvn
