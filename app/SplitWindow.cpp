#include "app/SplitWindow.h"

#include <wx/dcclient.h>

#include "foundation/UiColors.h"
#include "platform/ui/Cursor.h"

namespace kvn {

// --- SplitDrag ---------------------------------------------------------------------------------

void SplitDrag::Begin(const TPoint& screen, int startPos) {
  active_ = true;
  changed_ = false;
  start_ = screen;
  startPos_ = startPos;
}

int SplitDrag::PositionAt(const TPoint& screen) const {
  // In 64 bits, saturated: screen points are small, the start value is the
  // subclass's and not bounded here.
  std::int64_t delta = horizontal_ ? std::int64_t(screen.y) - start_.y : std::int64_t(screen.x) - start_.x;
  if (reversed_) delta = -delta;
  const std::int64_t pos = std::int64_t(startPos_) + delta;
  return int(pos < INT32_MIN ? INT32_MIN : pos > INT32_MAX ? INT32_MAX : pos);
}

bool SplitDrag::End() {
  const bool changed = active_ && changed_;
  active_ = false;
  changed_ = false;
  return changed;
}

// --- TMySplitWindow -----------------------------------------------------------------------------

TMySplitWindow::TMySplitWindow(TWindow* parent, bool horizontal, bool reversed)
    : TWindow(parent), horizontal_(horizontal), reversed_(reversed), drag_(horizontal, reversed) {
  Attr.Style = (Attr.Style & ~kWsBorder) | kWsClipChildren;
}

const TResponseTable& TMySplitWindow::Table() {
  static const TResponseTable table(
      {
          OnMessage<kWmLButtonDown, &TMySplitWindow::EvLButtonDown>(),
          OnMessage<kWmMouseMove, &TMySplitWindow::EvMouseMove>(),
          OnMessage<kWmLButtonUp, &TMySplitWindow::EvLButtonUp>(),
          OnMessage<kWmCaptureChanged, &TMySplitWindow::EvCaptureChanged>(),
          OnMessage<kWmSetCursor, &TMySplitWindow::EvSetCursor>(),
          OnMessage<kWmPaint, &TMySplitWindow::EvPaint>(),
      },
      {&TWindow::Table()});
  return table;
}

bool TMySplitWindow::Find(TEventInfo& info) { return Table().Search(info); }

void TMySplitWindow::EvLButtonDown(std::uint32_t, const TPoint& point) {
  if (drag_.Active()) return;
  drag_.Begin(ClientToScreen(point), GetSplitPos());
  SetCapture();
}

void TMySplitWindow::EvMouseMove(std::uint32_t modKeys, const TPoint& point) {
  if (!drag_.Active()) return;
  // A move without the left button: its release went elsewhere.
  if (!(modKeys & kMkLButton)) {
    FinishDrag();
    return;
  }
  if (SetSplitPos(drag_.PositionAt(ClientToScreen(point)))) drag_.NoteChanged();
}

void TMySplitWindow::EvLButtonUp(std::uint32_t, const TPoint&) {
  if (drag_.Active()) FinishDrag();
}

void TMySplitWindow::EvCaptureChanged(THandle newCapture) {
  // Another window took the mouse: no further moves will come.
  if (drag_.Active() && newCapture != GetHandle()) FinishDrag();
}

bool TMySplitWindow::EvSetCursor(THandle, std::uint32_t, std::uint32_t) {
  SetCursorId(horizontal_ ? kIdcSizeNs : kIdcSizeWe);
  return true;
}

void TMySplitWindow::EvPaint() {
  wxPaintDC* dc = GetPaintDC();
  if (!dc) return;
  const std::uint32_t c = GetUiSysColor(143);
  const wxColour colour(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  dc->SetPen(*wxTRANSPARENT_PEN);
  dc->SetBrush(wxBrush(colour));
  const TRect r = GetClientRect();
  dc->DrawRectangle(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TMySplitWindow::FinishDrag() {
  // End first: releasing the capture sends WM_CAPTURECHANGED back here.
  const bool changed = drag_.End();
  if (GetCapture() == GetHandle() && GetHandle() != nullptr) ReleaseCapture();
  if (changed) EndSplit();
}

}  // namespace kvn
