// cVectorWindow: zoom, scroll extent, scroll position and the zoom commands.
// The arithmetic is in ZoomScroll.h; here it meets the window's state.
//
// GTK cannot move window pixels (there is no ScrollWindow that keeps them):
// every scroll repaints the client area. The paint pipeline is built for
// that (one off-screen surface, one blit); so the trial paint that decided
// between moving pixels and repainting has nothing to decide and is gone,
// and with it its call into the painter without a device context.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <iterator>

#include "app/CommandIds.h"
#include "app/VectorWindow.h"
#include "controls/AutoNumbers.h"
#include "controls/DialogTr.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "platform/ui/CommandEnabler.h"

namespace kvn {

namespace {

// Stops the scroll-bar updates that the layout they cause would start again.
bool g_updatingScrollBars = false;

struct ClientSize {
  std::int32_t cw = 0;
  std::int32_t ch = 0;
};

ClientSize SizeOf(const TRect& r) { return {r.right - r.left, r.bottom - r.top}; }

// The number field of the User zoom dialog (template 15762).
constexpr int kUserZoomField = 2001;
// Up to 0.000001 %, the smallest zoom of an ordinary page.
constexpr unsigned kUserZoomDecimals = 6;

// The User zoom dialog: one percentage, bound to the caller's variable.
class TUserZoomDialog : public TDialogTr {
 public:
  TUserZoomDialog(TWindow* parent, double* percent, const UserZoomField& field) : TDialogTr(parent, kCmUserZoom) {
    // A child of the dialog, which deletes it.
    auto* edit = new TAutoDouble(kUserZoomDecimals, this, kUserZoomField, percent, DBL_MAX);
    edit->SetRange(field.minimum, field.maximum, field.step);
    SetHelpId(kCmUserZoom);
  }
};

}  // namespace

double cVectorWindow::RawDrawingScale() {
  cSheet* sheet = GetCurrentSheet();
  return sheet && sheet->Data() ? sheet->Data()->Scale() : 1.0;
}

double cVectorWindow::DrawingScale() { return EffectiveDrawingScale(RawDrawingScale()); }

void cVectorWindow::SetZoomAt(const DPoint& centre, double z, std::int32_t cw, std::int32_t ch) {
  cDrawing* drawing = GetSheetData();
  if (!drawing) return;
  kvn::SetZoomAt(mapping_, centre, z, DrawingScale(), ComputeZoomLowerLimit(*drawing, cw, ch),
                 drawing->GetExtentWithFormat(), cw, ch);
}

void cVectorWindow::SetZoom(const DPoint* centre, double z, bool store) {
  previousMapping_ = mapping_;
  const TRect client = MappedClientRect();
  DPoint c;
  if (centre) {
    c = *centre;
  } else {
    const DPoint a = mapping_.DeviceToWorld(DevicePoint{client.left, client.top});
    const DPoint b = mapping_.DeviceToWorld(DevicePoint{client.right, client.bottom});
    c = DPoint{(a.x + b.x) / 2.0, (a.y + b.y) / 2.0};
  }
  const ClientSize size = SizeOf(client);
  SetZoomAt(c, z, size.cw, size.ch);
  UpdateScrollBars(false, true, store);
}

void cVectorWindow::ZoomToRect(bool redraw, const DRect& rect, bool shrink) {
  TRect client = MappedClientRect();
  if (shrink) client = TRect{client.left + kFitInset, client.top + kFitInset, client.right - kFitInset,
                             client.bottom - kFitInset};
  const ClientSize size = SizeOf(client);
  const double z = FitZoom(rect, size.cw, size.ch);
  if (z <= 0.0) return;
  const DPoint centre{(rect.x1 + rect.x2) / 2.0, (rect.y1 + rect.y2) / 2.0};
  SetZoom(&centre, z, redraw);
}

void cVectorWindow::RestoreView() {
  cDrawing* drawing = GetSheetData();
  if (!drawing) return;
  const RememberedView& view = drawing->rememberedView;
  DRect r = view.rect;
  const bool noWidth = r.Width() == 0.0 || std::isnan(r.Width());
  const bool noHeight = r.Height() == 0.0 || std::isnan(r.Height());
  if (noWidth && noHeight) {
    if (view.zoom > 0.0) {
      mapping_.scale = view.zoom * 0.25;
      mapping_.offsetX = SaturateInt32(std::floor(r.x1 + 0.5));
      mapping_.offsetY = SaturateInt32(std::floor(r.y1 + 0.5));
      return;
    }
    r = DRect{};
    const std::uint16_t page = GetBlockIndex();
    ExtentFilter filter;
    filter.drawingPages = int(drawing->PageCount());
    filter.page = &page;
    if (drawing->TopBlock()) drawing->TopBlock()->GetFilteredExtent(filter, drawing->Data(), r);
  }
  const TRect client = MappedClientRect();
  const std::int32_t sw = client.right - client.left - 2 * kFitInset;
  const std::int32_t sh = client.bottom - client.top - 2 * kFitInset;
  if (!(r.Width() > 0.0) || !(r.Height() > 0.0) || sw <= 0 || sh <= 0) return;
  const double e = std::max(r.Width() / sw, r.Height() / sh);
  if (!(e > 0.0) || !std::isfinite(e)) return;
  SetZoomAt(DPoint{(r.x1 + r.x2) / 2.0, (r.y1 + r.y2) / 2.0}, 1.0 / e, sw, sh);
  // SetZoomAt centres on (sw / 2, sh / 2) from the client's corner; the
  // shrunk rectangle starts 12 pixels in. Without this shift every page
  // switch that stores and restores a view would move it 12 pixels up and left.
  mapping_.offsetX = SaturateInt32(std::int64_t(mapping_.offsetX) + client.left + kFitInset);
  mapping_.offsetY = SaturateInt32(std::int64_t(mapping_.offsetY) + client.top + kFitInset);
}

void cVectorWindow::RestoreViewAndScrollBars(bool redraw) {
  const bool stored = viewStored_;
  if (!stored) RestoreView();
  const TRect before = MappedClientRect();
  UpdateScrollBars(false, redraw, false);
  if (!stored && !(MappedClientRect() == before)) {
    RestoreView();
    UpdateScrollBars(false, redraw, false);
  }
}

void cVectorWindow::UpdateScrollBars(bool keep, bool redraw, bool store) {
  if (g_updatingScrollBars) return;
  cDrawing* drawing = GetSheetData();
  if (!drawing) return;
  struct Guard {
    Guard() { g_updatingScrollBars = true; }
    ~Guard() { g_updatingScrollBars = false; }
  } guard;

  const DRect e = drawing->GetExtentWithFormat();
  const bool hasFormat = !drawing->HasNoFormat();
  const ClientSize size = SizeOf(MappedClientRect());
  auto locked = [&](const ScrollAxis& a, double low, double high) {
    return keep && (a.fits || a.lock) && a.boundHigh - a.boundLow != 0.0 && low >= a.boundLow && a.boundHigh >= high;
  };
  const bool lockH = locked(scrollH_, e.x1, e.x2);
  const bool lockV = locked(scrollV_, e.y1, e.y2);
  const AxisLayout h = ComputeAxisLayout(e.x1, e.x2, mapping_.scale, mapping_.offsetX, size.cw, hasFormat);
  const AxisLayout v = ComputeAxisLayout(e.y1, e.y2, mapping_.scale, mapping_.offsetY, size.ch, hasFormat);

  const bool originChanged = h.origin != mapping_.originX || v.origin != mapping_.originY;
  const bool rangeChanged = h.range != scrollH_.range || v.range != scrollV_.range;
  if (!originChanged && !rangeChanged && !redraw && scrollH_.page == size.cw && scrollV_.page == size.ch &&
      scrollH_.position == h.position && scrollV_.position == v.position)
    return;
  const bool fullRedraw = redraw || rangeChanged || originChanged;
  mapping_.originX = h.origin;
  mapping_.originY = v.origin;

  bool emptinessChanged = false;
  auto store_axis = [&](ScrollAxis& a, const AxisLayout& l, std::int32_t client, bool vertical) {
    a.page = client;
    a.position = l.position;
    a.range = l.range;
    a.line = client / 4;
    a.fits = l.fits;
    a.lock = 0;
    a.boundLow = l.fits ? l.boundLow : 0.0;
    a.boundHigh = l.fits ? l.boundHigh : 0.0;
    if (scrollHost_) {
      const std::int32_t max = a.range > 0 ? SaturateInt32(a.range - 1) : 0;
      scrollHost_->SetScrollBar(vertical, max, client, SaturateInt32(a.position));
    }
  };
  const bool wasEmptyH = scrollH_.range <= 1;
  const bool wasEmptyV = scrollV_.range <= 1;
  if (!lockH) store_axis(scrollH_, h, size.cw, false);
  if (!lockV) store_axis(scrollV_, v, size.ch, true);
  emptinessChanged = wasEmptyH != (scrollH_.range <= 1) || wasEmptyV != (scrollV_.range <= 1);

  ScrollTo(store, scrollH_.position, scrollV_.position, fullRedraw);
  if (scrollHost_ && emptinessChanged) scrollHost_->ScrollBarsChanged();
}

void cVectorWindow::ScrollTo(bool store, std::int64_t x, std::int64_t y, bool force) {
  cDrawing* drawing = GetSheetData();
  const bool hasFormat = drawing && !drawing->HasNoFormat();
  x = ClampScrollPosition(x, scrollH_, hasFormat);
  y = ClampScrollPosition(y, scrollV_, hasFormat);
  const bool moved = x != scrollH_.position || y != scrollV_.position;
  mapping_.offsetX = SaturateInt32(std::int64_t(kScrollMargin) - x);
  mapping_.offsetY = SaturateInt32(std::int64_t(kScrollMargin) - y);
  scrollH_.position = x;
  scrollV_.position = y;
  // The view moved, the drawing did not: the picture stays kept under the
  // placement it was drawn with. A resize during a long operation comes
  // here (the scroll range follows the client), and its paints show that
  // picture where it was until the operation has ended.
  if ((moved || force) && GetHandle()) Invalidate(true);
  if (scrollHost_) {
    scrollHost_->SetScrollPos(false, SaturateInt32(x));
    scrollHost_->SetScrollPos(true, SaturateInt32(y));
    scrollHost_->VisibleAreaMoved();
  }
  if (store && drawing) {
    viewStored_ = true;
    const TRect c = MappedClientRect();
    const DPoint a = mapping_.DeviceToWorldPoint(DevicePoint{c.left + kFitInset, c.top + kFitInset});
    const DPoint b = mapping_.DeviceToWorldPoint(DevicePoint{c.right - kFitInset, c.bottom - kFitInset});
    drawing->rememberedView = RememberedView{DRect{a.x, a.y, b.x, b.y}, 0.0};
  }
}

void cVectorWindow::ShowPageEntry(std::uint32_t entry) {
  if (privateSheet_ || document_ == nullptr || entry >= document_->GetPageEntryCount()) return;
  std::uint32_t sheet = GetSheetIndex();
  std::uint32_t page = 0;
  document_->EntryToSheetAndPage(sheet, page, entry);
  if (sheet > 0xFFFF || page > 0xFFFF) return;
  if (sheet == GetSheetIndex() && page == GetBlockIndex()) return;
  const cDrawing* left = GetSheetData();
  sheetIndex_ = std::uint16_t(sheet);
  blockIndex_ = std::uint16_t(page);
  const cDrawing* shown = GetSheetData();
  // Another page of the same drawing is seen through the same view, so that
  // PgDn and PgUp come back to exactly what was there.
  if (shown == left) {
    if (GetHandle()) InvalidateAll();
    return;
  }
  // Each drawing keeps the view it was left with until it is shown again.
  if (left) viewHistory_.push_back(DrawingView{left, mapping_, previousMapping_, scrollH_, scrollV_});
  const auto kept = std::find_if(viewHistory_.rbegin(), viewHistory_.rend(),
                                 [shown](const DrawingView& v) { return v.drawing == shown; });
  if (kept != viewHistory_.rend()) {
    // The client may have changed size meanwhile: its rectangle stays.
    const DeviceRect clip = mapping_.deviceClip;
    mapping_ = kept->mapping;
    mapping_.SetDeviceClip(clip);
    previousMapping_ = kept->previousMapping;
    scrollH_ = kept->horizontal;
    scrollV_ = kept->vertical;
    viewHistory_.erase(std::next(kept).base());
    viewStored_ = true;
    UpdateScrollBars(false, true, false);
  } else {
    viewStored_ = false;
    scrollH_ = ScrollAxis{};
    scrollV_ = ScrollAxis{};
    RestoreViewAndScrollBars(true);
  }
  if (GetHandle()) InvalidateAll();
}

// ---- commands ----------------------------------------------------------------------------------

void cVectorWindow::CmZoomIn() { SetZoom(nullptr, mapping_.scale * 4.0 * 2.0, true); }

void cVectorWindow::CmZoomOut() { SetZoom(nullptr, mapping_.scale * 4.0 / 2.0, true); }

namespace {

double PercentOfCommand(std::uint32_t id) {
  switch (id) {
    case kCmZoom25: return 25.0;
    case kCmZoom50: return 50.0;
    case kCmZoom100: return 100.0;
    case kCmZoom200: return 200.0;
    case kCmZoom400: return 400.0;
    default: return 0.0;
  }
}

}  // namespace

void cVectorWindow::CmZoomPercent(std::uint32_t id) {
  const double k = RawDrawingScale();
  const double percent = PercentOfCommand(id);
  if (k == 0.0 || percent == 0.0) return;
  SetZoom(nullptr, ZoomForPercent(percent, k), true);
}

void cVectorWindow::CmUserZoom() {
  cDrawing* drawing = GetSheetData();
  if (!drawing) return;
  const double k = RawDrawingScale();
  const ClientSize size = SizeOf(MappedClientRect());
  const double lower = ComputeZoomLowerLimit(*drawing, size.cw, size.ch);
  const UserZoomField field = ComputeUserZoomField(mapping_.scale, k, lower);
  double percent = field.percent;
  TUserZoomDialog dialog(this, &percent, field);
  if (dialog.Execute() != int(kIdcOk)) return;
  SetZoom(nullptr, UserZoomToZoom(percent, k), true);
}

void cVectorWindow::CeUserZoom(TCommandEnabler& ce) { ce.Enable(RawDrawingScale() != 0.0); }

bool cVectorWindow::EvMouseWheel(std::uint32_t, int zDelta, const TPoint& screenPoint) {
  cDrawing* drawing = GetSheetData();
  if (!drawing) return true;
  const TRect client = MappedClientRect();
  const ClientSize size = SizeOf(client);
  const TPoint cursor = ScreenToClient(screenPoint);
  const WheelZoom wheel = ComputeWheelZoom(wheelRemainder, zDelta, mapping_,
                                           DeviceRect{client.left, client.top, client.right, client.bottom},
                                           DevicePoint{cursor.x, cursor.y}, RawDrawingScale(),
                                           ComputeZoomLowerLimit(*drawing, size.cw, size.ch));
  if (!wheel.zoom) return true;
  SetZoom(wheel.aboutCursor ? &wheel.centre : nullptr, wheel.z, true);
  return true;
}

void cVectorWindow::CmLastZoom() {
  std::swap(mapping_, previousMapping_);
  // The client rectangle is the window's, not the zoom's: keep the current one.
  mapping_.deviceClip = previousMapping_.deviceClip;
  std::copy(std::begin(previousMapping_.clipCompanions), std::end(previousMapping_.clipCompanions),
            std::begin(mapping_.clipCompanions));
  UpdateScrollBars(false, true, true);
}

void cVectorWindow::CmWholeArea() {
  cDrawing* drawing = GetSheetData();
  if (!drawing) return;
  if (!drawing->HasNoFormat()) {
    ZoomToRect(true, drawing->GetPrintableArea(), true);
    return;
  }
  DRect r;
  const std::uint16_t page = GetBlockIndex();
  ExtentFilter filter;
  filter.drawingPages = int(drawing->PageCount());
  filter.page = &page;
  if (drawing->TopBlock()) drawing->TopBlock()->GetFilteredExtent(filter, drawing->Data(), r);
  ZoomToRect(true, r, true);
}

void cVectorWindow::CmAllElements() {
  cDrawing* drawing = GetSheetData();
  if (!drawing) return;
  DRect r;
  const std::uint16_t page = GetBlockIndex();
  ExtentFilter filter;
  filter.drawingPages = int(drawing->PageCount());
  filter.page = &page;
  if (drawing->TopBlock()) drawing->TopBlock()->GetFilteredExtent(filter, drawing->Data(), r);
  ZoomToRect(true, r, true);
  drawing->rememberedView = RememberedView{};
  viewStored_ = false;
}

void cVectorWindow::CeZoomIn(TCommandEnabler& ce) {
  const double k = RawDrawingScale();
  ce.Enable(k == 0.0 || mapping_.scale * k * 4.0 < kMaxZoomQ);
}

void cVectorWindow::CeZoomOut(TCommandEnabler& ce) {
  const double k = RawDrawingScale();
  cDrawing* drawing = GetSheetData();
  if (k == 0.0 || !drawing) {
    ce.Enable(true);
    return;
  }
  const ClientSize size = SizeOf(MappedClientRect());
  ce.Enable(mapping_.scale * k * 4.0 > ComputeZoomLowerLimit(*drawing, size.cw, size.ch));
}

void cVectorWindow::CeZoomPercent(TCommandEnabler& ce) {
  const double k = RawDrawingScale();
  ce.Enable(k != 0.0);
  ce.SetCheck(IsPercentChecked(mapping_.scale, k, PercentOfCommand(ce.GetId())) ? TCommandEnabler::Checked
                                                                              : TCommandEnabler::Unchecked);
}

// ---- scroll-bar messages -----------------------------------------------------------------------

void cVectorWindow::ScrollMessage(bool vertical, std::uint32_t code) {
  const ScrollAxis& axis = vertical ? scrollV_ : scrollH_;
  const std::int64_t track = scrollHost_ ? scrollHost_->GetTrackPos(vertical) : axis.position;
  bool ignored = false;
  const std::int64_t p = ScrollPositionForCode(code, axis, track, ignored);
  if (ignored) return;
  if (vertical)
    ScrollTo(true, scrollH_.position, p, false);
  else
    ScrollTo(true, p, scrollV_.position, false);
}

void cVectorWindow::EvHScroll(std::uint32_t code, std::uint32_t, THandle) { ScrollMessage(false, code); }

void cVectorWindow::EvVScroll(std::uint32_t code, std::uint32_t, THandle) { ScrollMessage(true, code); }

}  // namespace kvn
