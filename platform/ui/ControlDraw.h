// Painting owner-drawn items (WM_DRAWITEM) through the toolkit's drawing
// context of the item, and the program's bitmap resources. Colours are
// COLORREF values 0x00BBGGRR.
#pragma once

#include <cstdint>

#include "foundation/WString.h"
#include "platform/ui/Controls.h"

namespace kvn {

class TDib;

void FillItemRect(const TDrawItem& item, const TRect& rect, std::uint32_t colorRef);
// BitBlt SRCCOPY of the whole picture with its top-left corner at (x, y).
void DrawItemDib(const TDrawItem& item, const TDib& dib, int x, int y);
// DrawFocusRect: the dotted focus frame.
void DrawItemFocusRect(const TDrawItem& item, const TRect& rect);
// DrawText with DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX in the colour,
// clipped to the rectangle; the width the text takes (DT_CALCRECT).
void DrawItemText(const TDrawItem& item, const TRect& rect, const WString& text, std::uint32_t colorRef);
int MeasureItemText(const TDrawItem& item, const WString& text);

// A push button's face as the button painter draws it.
struct TButtonFace {
  bool pressed = false;
  bool checked = false;
  bool isDefault = false;
  bool hot = false;
  bool focused = false;
  bool disabled = false;
  std::uint32_t background = 0;  // behind the face
  const TDib* image = nullptr;   // centred on the face, or none
  WString caption;               // below the image, or centred without one
};
void PaintPushButton(const TDrawItem& item, const TButtonFace& face);

// A bitmap resource (RT_BITMAP) of the program by id; false when the
// program carries none of that id, which leaves `out` empty.
bool LoadBitmapResource(int id, TDib& out);

}  // namespace kvn
