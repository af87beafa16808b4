#include "platform/ui/NearParent.h"

#include <wx/window.h>

#include <algorithm>
#include <cstdint>

#include "foundation/WindowPlacement.h"

namespace kvn {

void ComputePlaceNearParent(const ScreenRect& parent, int width, int height, const ScreenRect& workArea, int& left,
                            int& top) {
  // 64-bit: screen coordinates are small, but a crafted placement is not.
  std::int64_t x = std::int64_t(parent.left) + kNearParentOffset;
  std::int64_t y = std::int64_t(parent.top) + kNearParentOffset;
  x = std::min<std::int64_t>(x, std::int64_t(workArea.right) - width);
  y = std::min<std::int64_t>(y, std::int64_t(workArea.bottom) - height);
  x = std::max<std::int64_t>(x, workArea.left);
  y = std::max<std::int64_t>(y, workArea.top);
  left = int(x);
  top = int(y);
}

void PlaceWindowNearParent(wxWindow* window) {
  wxWindow* parent = window ? window->GetParent() : nullptr;
  if (!parent) return;
  const wxRect p = parent->GetScreenRect();
  const wxSize size = window->GetSize();
  const ScreenRect parentRect{p.x, p.y, p.x + p.width, p.y + p.height};
  const ScreenRect work = GetWorkAreaAtPoint(p.x + kNearParentOffset, p.y + kNearParentOffset);
  int left = 0;
  int top = 0;
  ComputePlaceNearParent(parentRect, size.x, size.y, work, left, top);
  window->Move(left, top);
}

}  // namespace kvn
