#include "app/VectorWindow.h"

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/graphics.h>
#include <wx/image.h>
#include <wx/window.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

#include "app/CommandIds.h"
#include "app/ProgressDialog.h"
#include "app/VectorWindowPaint.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/DRect.h"
#include "foundation/ModalStack.h"
#include "foundation/WaitCursor.h"
#include "model/cDrawingData.h"
#include "platform/ui/CommandEnabler.h"
#include "platform/ui/Cursor.h"
#include "platform/ui/PaintYield.h"
#include "render/RasterSurface.h"

namespace kvn {

namespace {

// How often a paint asks the display whether input waits.
constexpr auto kInputCheckEvery = std::chrono::milliseconds(5);
// How long the object being drawn may go on once the paint is to give
// way, before it is cut short (and drawn again whole when the paint goes
// on).
constexpr auto kObjectEndsWithin = std::chrono::milliseconds(20);

// Without a cairo context behind the paint context (a toolkit build not on
// cairo), the clip area goes through a toolkit image instead: slower, same
// pixels.
void BlitThroughImage(const cRasterSurface& surface, wxDC& dc) {
  const RasterBlitSource source = surface.BlitSource();
  if (!source.pixels.IsValid()) return;
  const TRect& a = source.area;
  wxImage image(int(a.right - a.left), int(a.bottom - a.top), false);
  unsigned char* out = image.GetData();
  for (std::int32_t y = a.top; y < a.bottom; ++y) {
    const std::uint8_t* in = source.pixels.bits + std::size_t(y) * std::size_t(source.pixels.stride) +
                             std::size_t(a.left) * 4;
    for (std::int32_t x = a.left; x < a.right; ++x, in += 4, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  dc.DrawBitmap(wxBitmap(image), a.left, a.top);
}

}  // namespace

cVectorWindow::cVectorWindow(cDrawingDoc* document, std::uint16_t sheetIndex, std::uint16_t blockIndex,
                             TWindow* ownerView)
    : TWindow(ownerView),
      document_(document),
      sheetIndex_(sheetIndex),
      blockIndex_(blockIndex),
      blitter_(std::make_unique<WindowBlitter>()) {
  mapping_.offsetX = kMargin;
  mapping_.offsetY = kMargin;
  // 100 %: one paper unit is 4 pixels. A drawing scale that is not a
  // positive number (0, negative or NaN from a damaged file) counts as 1,
  // so the mapping never mirrors or collapses.
  double k = 1.0;
  if (cSheet* sheet = GetCurrentSheet(); sheet && sheet->Data()) k = sheet->Data()->Scale();
  if (!(k > 0.0) || !std::isfinite(k)) k = 1.0;
  mapping_.scale = 1.0 / k;
}

// The private sheet goes with its unique_ptr, the picture with the blitter
// (while the display connection it belongs to still exists); the cursor is
// the window layer's (an id, nothing to destroy).
cVectorWindow::~cVectorWindow() = default;

// ---- the document ------------------------------------------------------------------------------

std::uint16_t cVectorWindow::GetSheetIndex() const {
  if (privateSheet_ || document_ == nullptr) return 0;
  return sheetIndex_ < document_->SheetCount() ? sheetIndex_ : 0;
}

std::uint16_t cVectorWindow::GetBlockIndex() {
  if (privateSheet_) return 0;
  const cDrawing* drawing = GetSheetData();
  return drawing && blockIndex_ < drawing->PageCount() ? blockIndex_ : 0;
}

cSheet* cVectorWindow::GetCurrentSheet() {
  if (privateSheet_) return privateSheet_.get();
  if (document_ == nullptr) return nullptr;
  // A document without drawings shows one empty drawing.
  if (document_->SheetCount() == 0) document_->AddSheet(std::make_unique<cSheet>());
  return document_->GetSheet(GetSheetIndex());
}

cDrawing* cVectorWindow::GetSheetData() {
  cSheet* sheet = GetCurrentSheet();
  return sheet ? &sheet->Drawing() : nullptr;
}

std::uint32_t cVectorWindow::GetPageNumber() {
  if (privateSheet_ || document_ == nullptr) return 0;
  return document_->GetPageEntryIndex(GetSheetIndex(), GetBlockIndex());
}

void cVectorWindow::SetPrivateSheet(std::unique_ptr<cSheet> sheet) { privateSheet_ = std::move(sheet); }

// ---- mapping and painting ------------------------------------------------------------------------

void cVectorWindow::SetClientRect(const TRect& client) {
  mapping_.SetDeviceClip(DeviceRect{client.left, client.top, client.right, client.bottom});
}

TRect cVectorWindow::MappedClientRect() const {
  const DeviceRect& c = mapping_.deviceClip;
  const std::int64_t m = mapping_.clipMargin;
  auto narrow = [](std::int64_t v) { return std::int32_t(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); };
  return TRect{narrow(c.left + m), narrow(c.top + m), narrow(c.right - m), narrow(c.bottom - m)};
}

void cVectorWindow::InvalidateWorldRect(const DRect* rect) {
  if (rect == nullptr) {
    // Rulers join the repaint once the drawing view provides them.
    WaitCursor busy;
    InvalidateAll();
    return;
  }
  const TRect r = InvalidRectForWorld(mapping_, *rect, GetClientRect());
  if (r.IsEmpty()) return;
  blitter_->Forget(&r);
  // The drawing changed: a paint that gave way cannot go on over it.
  pending_.valid = false;
  InvalidateRect(r, true);
}

void cVectorWindow::InvalidateAll() {
  blitter_->Forget(nullptr);
  pending_.valid = false;
  Invalidate(true);
}

void cVectorWindow::Render(const TRect& paint, TDC* dc, cRasterSurface& surface) {
  cSheet* sheet = GetCurrentSheet();
  RenderDrawingPage(mapping_, sheet, GetBlockIndex(), MappedClientRect(), paint, dc, surface);
}

bool cVectorWindow::PaintInto(cRasterSurface& surface, const TRect& paint) {
  return PaintGivingWay(surface, paint, nullptr) != PaintEnd::kNone;
}

cVectorWindow::PaintEnd cVectorWindow::PaintGivingWay(cRasterSurface& surface, const TRect& paint,
                                                      TDC::AbortProc giveWay, ChainResume* resume) {
  ++SurfaceUses();
  if (!surface.Prepare(paint)) return PaintEnd::kNone;
  // Smooth edges for the anti-aliased fills and glyphs of this paint.
  surface.SetAntiAliasMode(1);
  TDC* dc = surface.DC();
  cSheet* sheet = GetCurrentSheet();
  auto render = [&] {
    RenderDrawingPage(mapping_, sheet, GetBlockIndex(), MappedClientRect(), paint, dc, surface, PagePaintColors{},
                      resume);
  };
  if (dc == nullptr || !giveWay) {
    render();
    return resume && resume->stopped ? PaintEnd::kGaveWay : PaintEnd::kDrawn;
  }
  dc->SetAbortProc(std::move(giveWay));
  render();
  const bool gaveWay = dc->Aborted() || (resume && resume->stopped);
  dc->SetAbortProc(nullptr);
  return gaveWay ? PaintEnd::kGaveWay : PaintEnd::kDrawn;
}

std::uint64_t& cVectorWindow::SurfaceUses() {
  static std::uint64_t uses = 0;
  return uses;
}

cRasterSurface& cVectorWindow::SharedSurface() {
  static cRasterSurface surface(false);
  return surface;
}

PaintState cVectorWindow::CurrentPaintState() {
  return PaintState{mapping_, GetCurrentSheet(), GetBlockIndex(), MappedClientRect()};
}

void cVectorWindow::PaintFromPicture(cairo_t* target, const TRect& paint) {
  const TRegion missing = blitter_->ShowKept(target, paint, CurrentPaintState(), PagePaintColors{}.outside);
  if (missing.IsEmpty()) return;
  const bool first = putOff_.IsEmpty();
  putOff_.Combine(putOff_, missing, kRgnOr);
  if (!first) return;
  AfterLongOperation([this, alive = std::weak_ptr<int>(alive_)] {
    if (alive.expired()) return;
    const TRegion area = std::exchange(putOff_, TRegion());
    if (GetHandle() == nullptr) return;
    for (std::uint32_t i = 0; i < area.RectCount(); ++i) InvalidateRect(area.Rects()[i], true);
  });
}

// ---- handlers ----------------------------------------------------------------------------------

const TResponseTable& cVectorWindow::Table() {
  using W = cVectorWindow;
  static const TResponseTable table(
      {
          OnMessage<kWmPaint, &W::EvPaint>(),
          OnMessage<kWmEraseBkgnd, &W::EvEraseBkgnd>(),
          OnMessage<kWmSize, &W::EvSize>(),
          OnMessage<kWmSetFocus, &W::EvSetFocus>(),
          OnMessage<kWmKillFocus, &W::EvKillFocus>(),
          OnMessage<kWmSetCursor, &W::EvSetCursor>(),
          OnMessage<kWmHScroll, &W::EvHScroll>(),
          OnMessage<kWmVScroll, &W::EvVScroll>(),
          OnMessage<kWmMouseWheel, &W::EvMouseWheel>(),
          OnMessage<kWmKeyDown, &W::EvKeyDown>(),
          OnMessage<kWmLButtonDown, &W::EvLButtonDown>(),
          OnMessage<kWmMButtonDown, &W::EvMButtonDown>(),
          OnMessage<kWmMouseMove, &W::EvMouseMove>(),
          OnMessage<kWmLButtonUp, &W::EvLButtonUp>(),
          OnMessage<kWmMButtonUp, &W::EvMButtonUp>(),
          OnMessage<kWmCaptureChanged, &W::EvCaptureChanged>(),
          OnCommand<&W::CmPreviousPage>(kCmPagePrevious),
          OnCommand<&W::CmNextPage>(kCmPageNext),
          OnCommandEnable<&W::CePreviousPage>(kCmPagePrevious),
          OnCommandEnable<&W::CeNextPage>(kCmPageNext),
          OnCommand<&W::CmParameters>(kCmParameters),
          OnCommand<&W::CmSwallowed>(299),
          OnCommand<&W::CmSwallowed>(15475),
          OnCommand<&W::CmSwallowed>(15099),
          OnCommand<&W::CmSwallowed>(15870),
          OnCommand<&W::CmZoomIn>(kCmZoomIn),
          OnCommand<&W::CmZoomOut>(kCmZoomOut),
          OnCommandAndId<&W::CmZoomPercent>(kCmZoom25),
          OnCommandAndId<&W::CmZoomPercent>(kCmZoom50),
          OnCommandAndId<&W::CmZoomPercent>(kCmZoom100),
          OnCommandAndId<&W::CmZoomPercent>(kCmZoom200),
          OnCommandAndId<&W::CmZoomPercent>(kCmZoom400),
          OnCommand<&W::CmUserZoom>(kCmUserZoom),
          OnCommand<&W::CmLastZoom>(kCmLastZoom),
          OnCommand<&W::CmWholeArea>(kCmWholeArea),
          OnCommand<&W::CmAllElements>(kCmAllElements),
          OnCommand<&W::CmExport>(kCmExport),
          OnCommand<&W::CmPrint>(kCmPrint),
          OnCommandEnable<&W::CeZoomIn>(kCmZoomIn),
          OnCommandEnable<&W::CeZoomOut>(kCmZoomOut),
          OnCommandEnable<&W::CeZoomPercent>(kCmZoom25),
          OnCommandEnable<&W::CeZoomPercent>(kCmZoom50),
          OnCommandEnable<&W::CeZoomPercent>(kCmZoom100),
          OnCommandEnable<&W::CeZoomPercent>(kCmZoom200),
          OnCommandEnable<&W::CeZoomPercent>(kCmZoom400),
          OnCommandEnable<&W::CeUserZoom>(kCmUserZoom),
      },
      {&TWindow::Table()});
  return table;
}

bool cVectorWindow::Find(TEventInfo& info) { return Table().Search(info); }

wxWindow* cVectorWindow::CreatePeer(wxWindow* parentPeer) {
  wxWindow* peer = TWindow::CreatePeer(parentPeer);
  // Every pixel comes from the paint: the toolkit must not clear first.
  if (peer) peer->SetBackgroundStyle(wxBG_STYLE_PAINT);
  return peer;
}

void cVectorWindow::EvPaint() {
  wxPaintDC* dc = GetPaintDC();
  if (dc == nullptr || GetPeer() == nullptr) return;
  SetClientRect(GetClientRect());
  // The bounding box of the update region, as the paint rectangle of one
  // BeginPaint.
  const wxRect box = GetPeer()->GetUpdateRegion().GetBox();
  const TRect paint = TRect{box.x, box.y, box.x + box.width, box.y + box.height}.Normalized();
  if (paint == TRect{}) return;
  wxGraphicsContext* gc = dc->GetGraphicsContext();
  cairo_t* cr = gc ? static_cast<cairo_t*>(gc->GetNativeContext()) : nullptr;
  // The drawing cannot change while a long operation holds the program, and
  // drawing it again here would keep the operation's progress window and
  // its Cancel button waiting: 10 M lines in view take 3 to 4 s of a core.
  // The renderer is not reentrant either, and the operation may be using it.
  if (cr != nullptr && LongOperationHoldsProgram()) {
    PaintFromPicture(cr, paint);
    return;
  }
  cRasterSurface& surface = SharedSurface();
  // Input comes before paint: a long paint stops for the user's keys and
  // clicks, for a part of the window uncovered and for the other windows'
  // paints (a dialog uncovered with it), shows the last picture meanwhile
  // and goes on where it stopped once they have gone. So that it keeps
  // what it has done, the area it paints stays the same until it has run
  // to its end, and the shared surface holds its pixels (no other paint
  // has used it since); a change of the view begins it again.
  const PaintState state = CurrentPaintState();
  TRect area = paint;
  const TRect& was = pending_.area;
  const bool inside = paint.left >= was.left && paint.top >= was.top && paint.right <= was.right &&
                      paint.bottom <= was.bottom;
  const bool goesOn = pending_.valid && pending_.state == state && pending_.surfaceUse == SurfaceUses() && inside;
  if (!goesOn) {
    // What the paint that gave way was to draw is drawn with it.
    if (pending_.valid && pending_.state == state) {
      area = TRect{std::min(was.left, paint.left), std::min(was.top, paint.top), std::max(was.right, paint.right),
                   std::max(was.bottom, paint.bottom)};
    }
    pending_ = PendingPaint{};
    pending_.state = state;
  }
  pending_.area = area;
  pending_.resume.stopWanted = false;
  if (pending_.modalChanges != ModalStack::Changes()) {
    pending_.memo = PaintYieldMemo{};
    pending_.modalChanges = ModalStack::Changes();
  }
  // Asked at most every few milliseconds: each question goes to the
  // display. Once it is to stop, the object being drawn is let end (it
  // need not be drawn again), unless it takes long.
  TDC::AbortProc giveWay;
  if (cr != nullptr) {
    giveWay = [peer = GetPeer(), pending = &pending_, next = std::chrono::steady_clock::time_point{},
               told = std::chrono::steady_clock::time_point{}](TDC*, int) mutable {
      const auto now = std::chrono::steady_clock::now();
      if (pending->resume.stopWanted) return now - told < kObjectEndsWithin;
      if (now < next) return true;
      next = now + kInputCheckEvery;
      if (PaintShouldYield(peer, &pending->memo)) {
        pending->resume.stopWanted = true;
        told = now;
      }
      return true;
    };
  }
  const PaintEnd end = PaintGivingWay(surface, area, std::move(giveWay), &pending_.resume);
  if (end == PaintEnd::kNone) {
    pending_.valid = false;
    return;
  }
  if (end == PaintEnd::kGaveWay) {
    ++paintCounts_.gaveWay;
    pending_.valid = true;
    pending_.surfaceUse = SurfaceUses();
    blitter_->ShowKept(cr, paint, state, PagePaintColors{}.outside);
    if (wxTheApp) {
      wxTheApp->CallAfter([this, area, alive = std::weak_ptr<int>(alive_)] {
        if (!alive.expired() && GetHandle() != nullptr) InvalidateRect(area, true);
      });
    }
    return;
  }
  pending_.valid = false;
  ++paintCounts_.completed;
  // A true-colour display has no palette to realise.
  if (cr != nullptr) {
    const TRect client = GetClientRect();
    blitter_->Blit(surface, cr, state, TSize{client.right, client.bottom});
  } else {
    BlitThroughImage(surface, *dc);
  }
}

bool cVectorWindow::EvEraseBkgnd(TParam1) { return true; }

void cVectorWindow::EvSize(std::uint32_t, const TSize& size) {
  DefaultProcessing();
  SetClientRect(TRect{0, 0, size.cx, size.cy});
}

void cVectorWindow::EvSetFocus(THandle) {
  wheelRemainder = 0;
  DefaultProcessing();
}

void cVectorWindow::EvKillFocus(THandle) { DefaultProcessing(); }

bool cVectorWindow::EvSetCursor(THandle, std::uint32_t, std::uint32_t) {
  SetCursorId(pan_.active ? kIdcSizeAll : kIdcArrow);
  return true;
}

}  // namespace kvn
