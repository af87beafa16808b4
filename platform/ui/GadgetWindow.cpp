#include "platform/ui/GadgetWindow.h"

#include <wx/bitmap.h>
#include <wx/dcclient.h>
#include <wx/image.h>
#include <wx/window.h>

#include <algorithm>

#include "foundation/UiColors.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/RasterDC.h"
#include "platform/ui/CommandEnabler.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/MessageBridge.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

// System colour indices of the face and its edges.
constexpr int kColorButtonFace = 15;
constexpr int kColorButtonShadow = 16;
constexpr int kColorButtonHighlight = 20;
// Room between the window's edge and its gadgets.
constexpr int kWindowMargin = 2;

}  // namespace

// --- TGadget --------------------------------------------------------------------------------

TGadget::TGadget(int id, TBorderStyle style) : id_(id), borderStyle_(style) {
  const int width = style == None ? 0 : 1;
  borders_ = {width, width, width, width};
}

void TGadget::SetBorderStyle(TBorderStyle style) {
  // The borders keep their width: a gadget whose style changes with its
  // state (a button going down) must not change its size.
  borderStyle_ = style;
}

TRect TGadget::GetInnerRect() const {
  return {bounds_.left + borders_.left, bounds_.top + borders_.top, bounds_.right - borders_.right,
          bounds_.bottom - borders_.bottom};
}

TSize TGadget::GetDesiredSize() { return {borders_.left + borders_.right, borders_.top + borders_.bottom}; }

void TGadget::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Invalidate();
}

COLORREF TGadget::FaceColor() const {
  return window_ ? window_->GetFaceColor() : GetUiSysColor(kColorButtonFace);
}

void TGadget::PaintBorder(TDC& dc) {
  const TRect& r = bounds_;
  if (borderStyle_ == None || r.IsEmpty()) return;
  COLORREF topLeft = GetUiSysColor(kColorButtonShadow);
  COLORREF bottomRight = topLeft;
  if (borderStyle_ == Raised) {
    topLeft = GetUiSysColor(kColorButtonHighlight);
  } else if (borderStyle_ == Recessed) {
    bottomRight = GetUiSysColor(kColorButtonHighlight);
  }
  dc.FillSolidRect({r.left, r.top, r.right, r.top + 1}, topLeft);
  dc.FillSolidRect({r.left, r.top, r.left + 1, r.bottom}, topLeft);
  dc.FillSolidRect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  dc.FillSolidRect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

void TGadget::Paint(TDC& dc) {
  dc.FillSolidRect(bounds_, FaceColor());
  PaintBorder(dc);
}

void TGadget::MouseEnter(std::uint32_t, const TPoint&) { mouseIn_ = true; }
void TGadget::MouseMove(std::uint32_t, const TPoint&) {}
void TGadget::MouseLeave(std::uint32_t, const TPoint&) { mouseIn_ = false; }

void TGadget::LButtonDown(std::uint32_t, const TPoint&) {
  if (trackMouse_ && window_) window_->GadgetSetCapture(*this);
}

void TGadget::LButtonUp(std::uint32_t, const TPoint&) {
  if (trackMouse_ && window_) window_->GadgetReleaseCapture(*this);
}

bool TGadget::PtIn(const TPoint& p) const {
  return p.x >= bounds_.left && p.x < bounds_.right && p.y >= bounds_.top && p.y < bounds_.bottom;
}

void TGadget::Invalidate() {
  if (window_) window_->InvalidateGadget(*this);
}

void TGadget::Update() {
  if (window_) window_->UpdateGadget(*this);
}

// --- TControlGadget -----------------------------------------------------------------------------

TControlGadget::TControlGadget(TWindow& control, TBorderStyle style) : TGadget(control.Attr.Id, style), control_(control) {}

TSize TControlGadget::GetDesiredSize() {
  TSize size = TGadget::GetDesiredSize();
  if (wxWindow* peer = control_.GetPeer()) {
    // The size alone: screen coordinates are not known while the frame is hidden.
    const wxSize s = peer->GetSize();
    size.cx += s.x;
    size.cy += s.y;
  } else {
    // A control not yet made may hold CW_USEDEFAULT: no size until it exists.
    auto known = [](int v) { return v > 0 && v < 0x8000 ? v : 0; };
    size.cx += known(control_.Attr.W);
    size.cy += known(control_.Attr.H);
  }
  return size;
}

void TControlGadget::SetBounds(const TRect& bounds) {
  TGadget::SetBounds(bounds);
  const TRect inner = GetInnerRect();
  control_.Attr.X = inner.left;
  control_.Attr.Y = inner.top;
  if (control_.GetHandle()) {
    control_.MoveWindow(inner.left, inner.top, int(inner.Width()), int(inner.Height()));
  }
}

// --- TGadgetWindow ----------------------------------------------------------------------------

TGadgetWindow::TGadgetWindow(TWindow* parent, TTileDirection direction) : TWindow(parent), direction_(direction) {}

TGadgetWindow::~TGadgetWindow() {
  capture_ = nullptr;
  atMouse_ = nullptr;
  disabledAtMouse_ = nullptr;
  Destroy();
}

void TGadgetWindow::Insert(std::unique_ptr<TGadget> gadget) {
  if (!gadget) return;
  gadget->window_ = this;
  TGadget& g = *gadget;
  gadgets_.push_back(std::move(gadget));
  LayoutSession();
  if (GetHandle()) g.Created();
}

std::unique_ptr<TGadget> TGadgetWindow::Remove(TGadget& gadget) {
  auto it = std::find_if(gadgets_.begin(), gadgets_.end(), [&](const auto& g) { return g.get() == &gadget; });
  if (it == gadgets_.end()) return nullptr;
  if (capture_ == &gadget) GadgetReleaseCapture(gadget);
  if (atMouse_ == &gadget) atMouse_ = nullptr;
  if (disabledAtMouse_ == &gadget) disabledAtMouse_ = nullptr;
  std::unique_ptr<TGadget> out = std::move(*it);
  gadgets_.erase(it);
  out->window_ = nullptr;
  LayoutSession();
  return out;
}

TGadget* TGadgetWindow::GadgetWithId(int id) const {
  for (const auto& g : gadgets_) {
    if (g->GetId() == id) return g.get();
  }
  return nullptr;
}

TGadget* TGadgetWindow::GadgetFromPoint(const TPoint& point) const {
  for (const auto& g : gadgets_) {
    if (g->PtIn(point)) return g.get();
  }
  return nullptr;
}

int TGadgetWindow::IndexOf(const TGadget& gadget) const {
  for (std::size_t i = 0; i < gadgets_.size(); ++i) {
    if (gadgets_[i].get() == &gadget) return int(i);
  }
  return -1;
}

void TGadgetWindow::SetHintCommand(int id) {
  hintCommand_ = id;
  ShowTooltipOf(id);
  if (hintSink_) hintSink_(id);
}

WString TGadgetWindow::GetTooltipText() const {
  const wxWindow* peer = GetPeer();
  return peer ? FromWx(peer->GetToolTipText()) : WString();
}

void TGadgetWindow::ShowTooltipOf(int id) {
  // The frame has no status line: a command's hint is the tool tip of the
  // bar while the mouse is over the button. GTK keeps one tool tip per
  // widget and asks for it again when it changes, so moving from button
  // to button shows the new text without leaving the bar.
  wxWindow* peer = GetPeer();
  if (peer == nullptr) return;
  WString text;
  if (id >= 0) {
    if (TFrameWindow* frame = GetFrame()) text = frame->GetHintText(std::uint32_t(id), TFrameWindow::TooltipHint);
  }
  if (text.IsEmpty()) {
    peer->UnsetToolTip();
  } else if (peer->GetToolTipText() != ToWx(text)) {
    peer->SetToolTip(ToWx(text));
  }
}

COLORREF TGadgetWindow::GetFaceColor() const {
  return GetUiSysColor(faceColorIndex_ >= 0 ? faceColorIndex_ : kColorButtonFace);
}

void TGadgetWindow::GadgetSetCapture(TGadget& gadget) {
  capture_ = &gadget;
  SetCapture();
}

void TGadgetWindow::GadgetReleaseCapture(TGadget& gadget) {
  if (capture_ != &gadget) return;
  capture_ = nullptr;
  if (GetCapture() == GetHandle() && GetHandle()) ReleaseCapture();
}

void TGadgetWindow::LayoutSession() {
  int along = kWindowMargin;
  int across = 0;
  for (const auto& g : gadgets_) {
    const TSize size = g->GetDesiredSize();
    across = std::max(across, direction_ == Horizontal ? size.cy : size.cx);
  }
  for (const auto& g : gadgets_) {
    const TSize size = g->GetDesiredSize();
    if (direction_ == Horizontal) {
      const int top = kWindowMargin + (across - size.cy) / 2;
      g->SetBounds({along, top, along + size.cx, top + size.cy});
      along += size.cx;
    } else {
      const int left = kWindowMargin + (across - size.cx) / 2;
      g->SetBounds({left, along, left + size.cx, along + size.cy});
      along += size.cy;
    }
  }
  // A control gadget knows its true size only once its window exists: the
  // window grows (or shrinks) to what the gadgets now want.
  if (wxWindow* peer = GetPeer()) {
    const TSize size = GetDesiredSize();
    if (peer->GetMinSize() != wxSize(size.cx, size.cy)) {
      peer->SetMinSize(wxSize(size.cx, size.cy));
      peer->SetSize(wxSize(size.cx, size.cy));
    }
  }
  Invalidate();
}

TSize TGadgetWindow::GetDesiredSize() {
  int along = 2 * kWindowMargin;
  int across = 0;
  for (const auto& g : gadgets_) {
    const TSize size = g->GetDesiredSize();
    along += direction_ == Horizontal ? size.cx : size.cy;
    across = std::max(across, direction_ == Horizontal ? size.cy : size.cx);
  }
  across += 2 * kWindowMargin;
  return direction_ == Horizontal ? TSize{along, across} : TSize{across, along};
}

void TGadgetWindow::PaintGadgets(TDC& dc, const TRect& clip) {
  dc.FillSolidRect(clip, GetFaceColor());
  for (const auto& g : gadgets_) {
    const TRect& b = g->GetBounds();
    if (b.right <= clip.left || b.left >= clip.right || b.bottom <= clip.top || b.top >= clip.bottom) continue;
    g->Paint(dc);
  }
}

void TGadgetWindow::InvalidateGadget(const TGadget& gadget) {
  if (GetHandle()) InvalidateRect(gadget.GetBounds(), false);
}

void TGadgetWindow::UpdateGadget(const TGadget&) {
  if (GetHandle()) UpdateWindow();
}

TFrameWindow* TGadgetWindow::GetFrame() const {
  for (TWindow* w = GetParentO(); w; w = w->GetParentO()) {
    if (auto* frame = dynamic_cast<TFrameWindow*>(w)) return frame;
  }
  return nullptr;
}

void TGadgetWindow::PostGadgetCommand(std::uint32_t id) {
  // Posted, as a button posts WM_COMMAND: the command runs after the click
  // has been handled, never inside the gadget's own mouse handling.
  if (!PostMessage(kWmCommand, MakeWParam(std::uint16_t(id), 0), 0)) EvCommand(id, nullptr, 0);
}

TResult TGadgetWindow::EvCommand(std::uint32_t id, THandle ctl, std::uint32_t notifyCode) {
  TEventInfo info(kWmCommand, id, notifyCode);
  if (Find(info)) return TWindow::EvCommand(id, ctl, notifyCode);
  if (TFrameWindow* frame = GetFrame()) frame->CommandFromMenu(id);
  return 0;
}

void TGadgetWindow::EvCommandEnable(TCommandEnabler& ce) {
  TWindow::EvCommandEnable(ce);
  if (ce.WasHandled()) return;
  if (TFrameWindow* frame = GetFrame()) frame->EvCommandEnable(ce);
}

bool TGadgetWindow::IdleAction(long idleCount) {
  if (idleCount == 0) {
    for (const auto& g : gadgets_) g->CommandEnable();
  }
  return TWindow::IdleAction(idleCount);
}

// --- mouse --------------------------------------------------------------------------------------

void TGadgetWindow::Enter(TGadget* gadget, std::uint32_t keys, const TPoint& point) {
  if (gadget == atMouse_) return;
  if (atMouse_) atMouse_->MouseLeave(keys, point);
  atMouse_ = gadget;
  if (atMouse_) atMouse_->MouseEnter(keys, point);
}

void TGadgetWindow::EvMouseMove(std::uint32_t keys, const TPoint& point) {
  if (capture_) {
    capture_->MouseMove(keys, point);
    return;
  }
  TGadget* under = GadgetFromPoint(point);
  const bool tracks = under && under->GetTrackMouse();
  Enter(tracks && under->GetEnabled() ? under : nullptr, keys, point);
  if (atMouse_) atMouse_->MouseMove(keys, point);
  HintOfDisabled(tracks && !under->GetEnabled() ? under : nullptr);
}

void TGadgetWindow::HintOfDisabled(TGadget* gadget) {
  // A disabled button takes no mouse, yet tells what it would do: its hint
  // shows while the mouse rests on it, as an enabled button's does.
  if (gadget == disabledAtMouse_) return;
  const bool had = disabledAtMouse_ != nullptr;
  disabledAtMouse_ = gadget;
  if (hintMode_ != EnterHints) return;
  if (gadget) {
    SetHintCommand(gadget->GetId());
  } else if (had && atMouse_ == nullptr) {
    SetHintCommand(-1);
  }
}

void TGadgetWindow::EvLButtonDown(std::uint32_t keys, const TPoint& point) {
  if (capture_) return;
  TGadget* gadget = GadgetFromPoint(point);
  if (gadget == nullptr || !gadget->GetEnabled()) return;
  if (gadget->GetTrackMouse()) Enter(gadget, keys, point);
  gadget->LButtonDown(keys, point);
}

void TGadgetWindow::EvLButtonUp(std::uint32_t keys, const TPoint& point) {
  if (capture_) {
    capture_->LButtonUp(keys, point);
    return;
  }
  if (TGadget* gadget = GadgetFromPoint(point); gadget && gadget->GetEnabled()) gadget->LButtonUp(keys, point);
}

void TGadgetWindow::EvMouseLeave() {
  if (capture_) return;
  Enter(nullptr, 0, TPoint{-1, -1});
  HintOfDisabled(nullptr);
}

void TGadgetWindow::EvCaptureChanged(THandle other) {
  // Someone else took the mouse: the captured gadget hears a release
  // outside itself, so that it ends its pressing.
  if (other == GetHandle() || capture_ == nullptr) return;
  TGadget* gadget = std::exchange(capture_, nullptr);
  gadget->MouseLeave(0, TPoint{-1, -1});
  if (atMouse_ == gadget) atMouse_ = nullptr;
}

// --- the toolkit window ---------------------------------------------------------------------------

wxWindow* TGadgetWindow::CreatePeer(wxWindow* parentPeer) {
  const TSize size = GetDesiredSize();
  if (Attr.W <= 0) {
    Attr.W = size.cx;
    Attr.H = size.cy;
  }
  wxWindow* peer = TWindow::CreatePeer(parentPeer);
  peer->SetMinSize(wxSize(size.cx, size.cy));
  return peer;
}

void TGadgetWindow::SetupWindow() {
  TWindow::SetupWindow();
  LayoutSession();
  for (const auto& g : gadgets_) g->Created();
}

void TGadgetWindow::EvPaint() {
  wxPaintDC* paint = GetPaintDC();
  if (!paint || !GetPeer()) return;
  const wxSize size = GetPeer()->GetClientSize();
  if (size.x <= 0 || size.y <= 0) return;
  std::vector<std::uint8_t> bits(std::size_t(size.x) * std::size_t(size.y) * 4);
  {
    std::unique_ptr<RasterDC> dc = RasterDC::Create(bits.data(), size.x, size.y);
    if (!dc) return;
    PaintGadgets(*dc, {0, 0, size.x, size.y});
    dc->Flush();
  }
  wxImage image(size.x, size.y, false);
  unsigned char* rgb = image.GetData();
  for (std::size_t i = 0, n = std::size_t(size.x) * std::size_t(size.y); i < n; ++i) {
    rgb[3 * i] = bits[4 * i + 2];
    rgb[3 * i + 1] = bits[4 * i + 1];
    rgb[3 * i + 2] = bits[4 * i];
  }
  paint->DrawBitmap(wxBitmap(image), 0, 0, false);
}

const TResponseTable& TGadgetWindow::Table() {
  using C = TGadgetWindow;
  static const TResponseTable table(
      {
          OnMessage<kWmPaint, &C::EvPaint>(),
          OnMessage<kWmEraseBkgnd, &C::EvEraseBkgnd>(),
          OnMessage<kWmSize, &C::EvSize>(),
          OnMessage<kWmMouseMove, &C::EvMouseMove>(),
          OnMessage<kWmLButtonDown, &C::EvLButtonDown>(),
          OnMessage<kWmLButtonDblClk, &C::EvLButtonDown>(),
          OnMessage<kWmLButtonUp, &C::EvLButtonUp>(),
          OnMessage<kWmMouseLeave, &C::EvMouseLeave>(),
          OnMessage<kWmCaptureChanged, &C::EvCaptureChanged>(),
      },
      {&TWindow::Table()});
  return table;
}

bool TGadgetWindow::Find(TEventInfo& info) { return Table().Search(info); }

}  // namespace kvn
