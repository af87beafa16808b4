#include "app/ViewCompanions.h"

#include <wx/dcclient.h>
#include <wx/window.h>

#include <algorithm>

#include "app/VectorView.h"
#include "foundation/UiColors.h"
#include "foundation/WaitCursor.h"
#include "platform/ui/Cursor.h"
#include "platform/ui/FrameWindow.h"
#include "model/ColorHls.h"

namespace kvn {

namespace {

// COLOR_3DFACE, COLOR_3DSHADOW, COLOR_3DHIGHLIGHT.
constexpr int kColor3dFace = 15;
constexpr int kColor3dShadow = 16;
constexpr int kColor3dHighlight = 20;

// The scroll bars' and the grip's control id.
constexpr int kGripId = 1000;

std::int32_t g_defaultTabShare = kDefaultTabShare;

wxColour SysColour(int index) {
  const std::uint32_t c = GetSystemColor(index);
  return wxColour(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

std::int32_t Saturate(std::int64_t v) {
  return std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

// ---- tab share ------------------------------------------------------------------------------------

std::int32_t GetDefaultTabShare() { return g_defaultTabShare; }

void SetDefaultTabShare(std::int32_t share) { g_defaultTabShare = share; }

std::int32_t TabSplitPosition(std::int32_t stripWidth, std::int32_t share) { return MulDiv(stripWidth, share, 100); }

std::int32_t TabShareForSplit(std::int32_t x, std::int32_t stripWidth) {
  // No strip (a view narrower than its rulers and bar) has nothing to divide.
  if (stripWidth <= 0) return -1;
  const std::int32_t share = MulDiv(x, 100, stripWidth);
  return share >= kMinTabShare && share <= kMaxTabShare ? share : -1;
}

// ---- TTabSplitWindow ------------------------------------------------------------------------------

TTabSplitWindow::TTabSplitWindow(cVectorView* view) : TMySplitWindow(view, false, false), view_(view) {}

int TTabSplitWindow::GetSplitPos() {
  stripWidth_ = view_->TabStripWidth();
  return TabSplitPosition(stripWidth_, view_->GetTabShare());
}

bool TTabSplitWindow::SetSplitPos(int pos) {
  const std::int32_t share = TabShareForSplit(pos, stripWidth_);
  if (share < 0) return false;
  SetDefaultTabShare(share);
  view_->SetTabShare(share);
  return true;
}

// ---- GripDrag -------------------------------------------------------------------------------------

void GripDrag::Begin(const TPoint& screen, const TSize& frameSize) {
  active_ = true;
  start_ = screen;
  startSize_ = frameSize;
}

TSize GripDrag::SizeAt(const TPoint& screen) const {
  return TSize{Saturate(std::int64_t(startSize_.cx) + screen.x - start_.x),
               Saturate(std::int64_t(startSize_.cy) + screen.y - start_.y)};
}

// ---- TCornerScrollBar -----------------------------------------------------------------------------

TCornerScrollBar::TCornerScrollBar(cVectorView* view, TWindow* frame) : TWindow(view), view_(view), frame_(frame) {
  Attr.Id = kGripId;
}

const TResponseTable& TCornerScrollBar::Table() {
  using C = TCornerScrollBar;
  static const TResponseTable table(
      {
          OnMessage<kWmSetCursor, &C::EvSetCursor>(),
          OnMessage<kWmLButtonDown, &C::EvLButtonDown>(),
          OnMessage<kWmMouseMove, &C::EvMouseMove>(),
          OnMessage<kWmLButtonUp, &C::EvLButtonUp>(),
          OnMessage<kWmCaptureChanged, &C::EvCaptureChanged>(),
          OnMessage<kWmPaint, &C::EvPaint>(),
      },
      {&TWindow::Table()});
  return table;
}

bool TCornerScrollBar::Find(TEventInfo& info) { return Table().Search(info); }

bool TCornerScrollBar::FrameMaximized() const {
  const auto* frame = dynamic_cast<const TFrameWindow*>(frame_);
  return frame && frame->IsZoomed();
}

bool TCornerScrollBar::EvSetCursor(THandle, std::uint32_t, std::uint32_t) {
  SetCursorId(FrameMaximized() ? kIdcArrow : kIdcSizeNwse);
  return true;
}

void TCornerScrollBar::EvLButtonDown(std::uint32_t, const TPoint& point) {
  // A maximised frame has no corner to pull.
  if (drag_.Active() || FrameMaximized() || !frame_ || !frame_->GetPeer()) return;
  const wxSize size = frame_->GetPeer()->GetSize();
  // Screen coordinates: the grip itself moves as the frame grows.
  drag_.Begin(ClientToScreen(point), TSize{size.x, size.y});
  SetCapture();
}

void TCornerScrollBar::EvMouseMove(std::uint32_t modKeys, const TPoint& point) {
  if (!drag_.Active()) return;
  if (!(modKeys & kMkLButton)) {
    FinishDrag();
    return;
  }
  if (!frame_ || !frame_->GetPeer()) return;
  const TSize size = drag_.SizeAt(ClientToScreen(point));
  // Only the size: the frame's top-left corner stays where it is.
  frame_->GetPeer()->SetSize(std::max(size.cx, 1), std::max(size.cy, 1));
}

void TCornerScrollBar::EvLButtonUp(std::uint32_t, const TPoint&) {
  if (drag_.Active()) FinishDrag();
}

void TCornerScrollBar::EvCaptureChanged(THandle newCapture) {
  if (drag_.Active() && newCapture != GetHandle()) FinishDrag();
}

void TCornerScrollBar::FinishDrag() {
  // End first: releasing the capture sends WM_CAPTURECHANGED back here.
  drag_.End();
  if (GetHandle() != nullptr && GetCapture() == GetHandle()) ReleaseCapture();
}

void TCornerScrollBar::EvPaint() {
  wxPaintDC* dc = GetPaintDC();
  if (!dc) return;
  TRect r = GetClientRect();
  dc->SetPen(*wxTRANSPARENT_PEN);
  dc->SetBrush(wxBrush(SysColour(kColor3dFace)));
  dc->DrawRectangle(r.left, r.top, r.right - r.left, r.bottom - r.top);
  if (FrameMaximized()) return;
  r.left = std::max(r.left, r.right - view_->ScrollBarWidth() - 1);
  r.top = std::max(r.top, r.bottom - view_->ScrollBarHeight() - 1);
  // The sizing ridges of a classic grip: from the corner outwards, a gap,
  // then groups of one highlight and two shadow diagonals, every 4 pixels.
  const std::int32_t n = std::min(r.right - r.left, r.bottom - r.top);
  // Pixel by pixel: the toolkit smooths diagonal lines, and the ridges
  // must stay sharp.
  const wxBrush highlight(SysColour(kColor3dHighlight));
  const wxBrush shadow(SysColour(kColor3dShadow));
  for (std::int32_t d = 2; d < n; ++d) {
    const int phase = d % 4;
    if (phase == 1) continue;
    dc->SetBrush(phase == 2 ? highlight : shadow);
    // From (right - d, bottom - 1) up to (right - 1, bottom - d).
    for (std::int32_t i = 0; i < d; ++i) dc->DrawRectangle(r.right - d + i, r.bottom - 1 - i, 1, 1);
  }
}

}  // namespace kvn
