#include "platform/ui/Cursor.h"

#include <wx/utils.h>
#include <wx/window.h>

#include "foundation/WaitCursor.h"

namespace kvn {

namespace {
std::uint32_t g_requested = 0;
bool g_inSetCursor = false;
}  // namespace

wxCursor CursorFromId(std::uint32_t cursorId) {
  switch (cursorId) {
    case kIdcIBeam: return wxCursor(wxCURSOR_IBEAM);
    case kIdcWait: return wxCursor(wxCURSOR_WAIT);
    case kIdcCross: return wxCursor(wxCURSOR_CROSS);
    case kIdcSizeNwse: return wxCursor(wxCURSOR_SIZENWSE);
    case kIdcSizeNesw: return wxCursor(wxCURSOR_SIZENESW);
    case kIdcSizeWe: return wxCursor(wxCURSOR_SIZEWE);
    case kIdcSizeNs: return wxCursor(wxCURSOR_SIZENS);
    case kIdcSizeAll: return wxCursor(wxCURSOR_SIZING);
    case kIdcNo: return wxCursor(wxCURSOR_NO_ENTRY);
    case kIdcHand: return wxCursor(wxCURSOR_HAND);
    case kIdcAppStarting: return wxCursor(wxCURSOR_ARROWWAIT);
    default: return wxCursor(wxCURSOR_ARROW);
  }
}

void SetCursorId(std::uint32_t cursorId) {
  g_requested = cursorId;
  // Outside WM_SETCURSOR the window under a captured mouse shows it now.
  if (!g_inSetCursor) {
    if (wxWindow* captured = wxWindow::GetCapture()) captured->SetCursor(CursorFromId(cursorId));
  }
}

std::uint32_t RequestedCursor() {
  g_inSetCursor = false;
  return g_requested;
}

void ClearRequestedCursor() {
  g_requested = 0;
  g_inSetCursor = true;
}

}  // namespace kvn
