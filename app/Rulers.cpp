#include "app/Rulers.h"

#include <wx/dcclient.h>
#include <wx/image.h>
#include <wx/window.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/VectorWindow.h"
#include "foundation/TextFormat.h"
#include "foundation/UiColors.h"
#include "foundation/WaitCursor.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TDib.h"
#include "platform/ui/ControlDraw.h"
#include "platform/ui/Cursor.h"

namespace kvn {

namespace {

// The corner bitmap of the split mode.
constexpr int kCornerBitmapId = 19991;

// Four columns of 8 pixels, leftmost column in the highest byte, bit 7 the top row.
std::uint32_t Glyph(char c) {
  switch (c) {
    case '0': return 0x7C82827C;
    case '1': return 0x42FE0200;
    case '2': return 0x868A9262;
    case '3': return 0x8292926C;
    case '4': return 0x182848FE;
    case '5': return 0xF292928C;
    case '6': return 0x7C92920C;
    case '7': return 0x828CB0C0;
    case '8': return 0x6C92926C;
    case '9': return 0x6092927C;
    case '.':
    case ',': return 0x00060000;
    case '-': return 0x10101000;
    case '+': return 0x10381000;
    case ':': return 0x00360000;
    case 'X': return 0xC63838C6;
    case 'Y': return 0x00E01EE0;
    case 'E':
    case 'e': return 0xFE929292;
    default: return 0xFFFFFFFF;  // no glyph
  }
}

std::string FormatLabel(double v, double s, bool five, RulerCache& cache) {
  char buffer[kDoubleTextBuffer];
  if (v != 0.0 && s < 1.0) {
    if (s != cache.decimalsStep) {
      cache.decimals = -int(std::floor(std::log10(0.1 / s) + 0.5));
      cache.decimalsStep = s;
    }
    const int n = cache.decimals;
    if (std::fabs(v) > 1e-15 && std::fabs(v) < 0.0001) {
      const double k = std::pow(10.0, 5 - n);
      FormatDoubleToBuffer(buffer, std::floor(v * k + 0.5) / k, 12);
    } else {
      FormatDoubleToBuffer(buffer, v, five ? std::max(1, -(n - 1)) : std::max(1, -n));
    }
  } else {
    FormatDoubleToBuffer(buffer, v, std::fabs(v) >= 99999999.5 ? 10 : 0);
  }
  return buffer;
}

}  // namespace

RulerLayout ComputeRulerTicks(const WorldMapping& m, bool vertical, std::int32_t length, RulerCache& cache) {
  RulerLayout out;
  // A collapsed or mirrored mapping has no coordinates to show (at scale 0
  // the inverse mapping leaves device units unscaled).
  if (!(m.scale > 0.0) || !std::isfinite(m.scale)) return out;
  const DPoint w0 = m.DeviceToWorldPoint(DevicePoint{0, 0});
  const DPoint w40 = m.DeviceToWorldPoint(DevicePoint{40, 40});
  const DPoint wEnd = m.DeviceToWorldPoint(DevicePoint{length, length});
  const double a = vertical ? w0.y : w0.x;
  const double b = vertical ? wEnd.y : wEnd.x;
  const double d = vertical ? w40.y - w0.y : w40.x - w0.x;
  if (!(d > 0.0) || !std::isfinite(d)) return out;
  if (d != cache.span) {
    cache.span = d;
    const double g = std::log10(d);
    double f = std::floor(g);
    if (g - f < 0.01) f -= 1.0;
    cache.step = std::pow(10.0, f);
  }
  const double s = cache.step;
  out.step = s;
  const double v0 = std::floor(a / 10.0 / s) * s * 10.0;
  const bool fine = d / s < 5.0;
  out.labelRoom = std::int32_t(std::floor((fine ? 5.0 : 10.0) * s * m.scale * 4.0 + 0.5)) - 3;
  // A tick per pixel at most (ticks are at least 4 pixels apart), and a
  // step too small to move v ends the loop too.
  const std::int64_t budget = std::int64_t(std::max(length, 0)) + 64;
  for (std::int64_t i = 0; i <= budget; ++i) {
    const double v = v0 + double(i) * s;
    if (!(v <= b)) break;
    if (i > 0 && v == v0 + double(i - 1) * s) break;
    RulerTick t;
    const DevicePoint p = m.WorldToDevicePoint(DPoint{v, v});
    t.position = vertical ? p.y : p.x;
    if (i % 10 == 0) {
      t.top = 1;
      t.label = true;
    } else if (i % 5 == 0) {
      t.top = 9;
      t.label = fine;
    }
    if (t.label) t.text = FormatLabel(v, s, i % 10 != 0, cache);
    out.ticks.push_back(std::move(t));
  }
  return out;
}

std::int32_t DrawRulerText(const std::function<void(std::int32_t, std::int32_t)>& setPixel, std::int32_t x,
                           std::int32_t y, bool vertical, const std::string& text, std::int32_t room) {
  std::int32_t advance = 0;
  for (char c : text) {
    const std::uint32_t g = Glyph(c);
    if (g == 0xFFFFFFFF) {
      advance += 2;
      continue;
    }
    for (int col = 0; col < 4; ++col) {
      if (advance + col >= room) break;
      const std::uint32_t bits = (g >> (8 * (3 - col))) & 0xFF;
      for (int row = 0; row < 8; ++row) {
        if (!(bits & (0x80u >> row))) continue;
        if (vertical)
          setPixel(x + 1 + row, y - advance - col);
        else
          setPixel(x + advance + col, y + 1 + row);
      }
    }
    advance += 5;
  }
  return advance;
}

bool RulerLabelFits(const RulerTick& tick, bool vertical, std::int32_t length, std::int32_t room) {
  // The pixels the label would set, along the ruler.
  std::int64_t first = INT64_MAX, last = INT64_MIN;
  auto extent = [&](std::int32_t x, std::int32_t y) {
    const std::int64_t along = vertical ? y : x;
    first = std::min(first, along);
    last = std::max(last, along);
  };
  if (vertical)
    DrawRulerText(extent, 0, tick.position - 2, true, tick.text, room);
  else
    DrawRulerText(extent, tick.position + 2, 0, false, tick.text, room);
  return first <= last && first >= 0 && last < length;
}

void PaintRulerTo(TDC& dc, const WorldMapping& mapping, bool vertical, TSize size, COLORREF colour,
                  RulerCache& cache) {
  const std::int32_t length = vertical ? size.cy : size.cx;
  const RulerLayout layout = ComputeRulerTicks(mapping, vertical, length, cache);
  if (layout.ticks.empty()) return;
  dc.SelectObject(TPen(colour, 1));
  // Lines end before their last point, as GDI's LineTo: a tick from its top
  // to 15 covers the pixels top .. 14.
  auto line = [&](std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
    dc.MoveTo(x0, y0);
    dc.LineTo(x1, y1);
  };
  auto pixel = [&](std::int32_t x, std::int32_t y) { dc.SetPixel(x, y, colour); };
  for (const RulerTick& t : layout.ticks) {
    if (vertical)
      line(t.top, t.position, kRulerSize, t.position);
    else
      line(t.position, t.top, t.position, kRulerSize);
    if (t.label && RulerLabelFits(t, vertical, length, layout.labelRoom)) {
      if (vertical)
        DrawRulerText(pixel, 0, t.position - 2, true, t.text, layout.labelRoom);
      else
        DrawRulerText(pixel, t.position + 2, 0, false, t.text, layout.labelRoom);
    }
  }
  if (vertical)
    line(kRulerSize - 1, 0, kRulerSize - 1, size.cy);
  else
    line(0, kRulerSize - 1, size.cx, kRulerSize - 1);
  dc.RestorePen();
}

void DrawRulerMarker(TDC& dc, bool vertical, TSize size, std::int32_t start, std::int32_t length) {
  if (start == kNoRulerMarker) return;
  const std::int32_t along = vertical ? size.cy : size.cx;
  const std::int64_t from = std::max<std::int64_t>(std::int64_t(start) - 1, 0);
  const std::int64_t to = std::min<std::int64_t>(std::int64_t(start) + length + 1, along);
  if (to <= from) return;
  if (vertical) {
    dc.PatBlt(0, int(from), size.cx, int(to - from), kDstInvert);
  } else {
    dc.PatBlt(int(from), 0, int(to - from), size.cy, kDstInvert);
  }
}

void PaintRulerCorner(TDC& dc, TSize size, COLORREF background, bool splitMode) {
  dc.FillSolidRect(TRect{0, 0, size.cx, size.cy}, background);
  if (!splitMode) return;
  // Loaded once and kept, found or not.
  static const TDib corner = [] {
    TDib dib;
    LoadBitmapResource(kCornerBitmapId, dib);
    return dib;
  }();
  if (corner.HasBits()) dc.SetDIBitsToDevice(0, 0, corner.Width(), corner.Height(), 0, 0, corner);
}

// ---- windows -----------------------------------------------------------------------------------

namespace {

// Paints a window through a raster context of its client size, then blits
// the picture onto its paint context, so that the screen shows the pixels
// of the reviewed test pictures. `paint` gets the context, the size and the
// window's background colour.
void PaintThroughRaster(TWindow& window, const std::function<void(RasterDC&, TSize, COLORREF)>& paint) {
  wxPaintDC* dc = window.GetPaintDC();
  wxWindow* peer = window.GetPeer();
  if (!dc || !peer) return;
  const wxSize size = peer->GetClientSize();
  if (size.x < 1 || size.y < 1) return;
  std::vector<std::uint32_t> pixels(std::size_t(size.x) * std::size_t(size.y));
  std::uint8_t* bits = reinterpret_cast<std::uint8_t*>(pixels.data());
  const std::unique_ptr<RasterDC> raster = RasterDC::Create(bits, size.x, size.y);
  if (!raster) return;
  const wxColour back = peer->GetBackgroundColour();
  paint(*raster, TSize{size.x, size.y}, Rgb(back.Red(), back.Green(), back.Blue()));
  raster->Flush();
  wxImage image(size.x, size.y, false);
  unsigned char* out = image.GetData();
  for (std::size_t i = 0; i < pixels.size(); ++i, out += 3) {
    out[0] = bits[4 * i + 2];
    out[1] = bits[4 * i + 1];
    out[2] = bits[4 * i];
  }
  dc->DrawBitmap(wxBitmap(image), 0, 0);
}

}  // namespace

TWhereWin::TWhereWin(cVectorWindow* window, TWindow* view, int orientation)
    : TWindow(view), window_(window), vertical_(orientation == 1) {
  Attr.Id = vertical_ ? 15156 : 15154;
}

void TWhereWin::Refresh(bool updateNow) {
  if (!GetHandle()) return;
  Invalidate(true);
  if (updateNow) UpdateWindow();
}

// A ruler is 15 pixels by the view's length: its picture is a few tens of
// KiB at most.
void TWhereWin::EvPaint() {
  PaintThroughRaster(*this, [this](RasterDC& raster, TSize size, COLORREF back) {
    raster.FillSolidRect(TRect{0, 0, size.cx, size.cy}, back);
    PaintRulerTo(raster, window_->Mapping(), vertical_, size, GetUiSysColor(8), cache_);
    DrawMarker(raster);
  });
}

void TWhereWin::DrawMarker(TDC& dc) {
  const TRect r = GetClientRect();
  DrawRulerMarker(dc, vertical_, TSize{r.right - r.left, r.bottom - r.top}, markerStart_, markerLength_);
}

void TWhereWin::SetMarker(std::int32_t start, std::int32_t end) {
  if (start == markerStart_ && (start == kNoRulerMarker || end - start == markerLength_)) return;
  // The ruler is painted whole into its own picture: the old band goes and
  // the new one comes with one repaint.
  markerStart_ = start;
  markerLength_ = start == kNoRulerMarker ? 0 : end - start;
  Refresh(true);
}

bool TWhereWin::EvSetCursor(THandle, std::uint32_t, std::uint32_t) {
  SetCursorId(kIdcArrow);
  return true;
}

bool TWhereWin::EvMouseWheel(std::uint32_t modKeys, int zDelta, const TPoint& screenPoint) {
  return window_->EvMouseWheel(modKeys, zDelta, screenPoint);
}

const TResponseTable& TWhereWin::Table() {
  using W = TWhereWin;
  static const TResponseTable table(
      {
          OnMessage<kWmPaint, &W::EvPaint>(),
          OnMessage<kWmSetCursor, &W::EvSetCursor>(),
          OnMessage<kWmLButtonDblClk, &W::EvLButtonDblClk>(),
          OnMessage<kWmMouseWheel, &W::EvMouseWheel>(),
      },
      {&TWindow::Table()});
  return table;
}

bool TWhereWin::Find(TEventInfo& info) { return Table().Search(info); }

void TAngleWin::SetSplitMode(bool on) {
  if (splitMode_ == on) return;
  splitMode_ = on;
  if (GetHandle()) Invalidate(true);
}

void TAngleWin::EvPaint() {
  PaintThroughRaster(*this, [this](RasterDC& raster, TSize size, COLORREF back) {
    PaintRulerCorner(raster, size, back, splitMode_);
  });
}

const TResponseTable& TAngleWin::Table() {
  static const TResponseTable table(
      {
          OnMessage<kWmPaint, &TAngleWin::EvPaint>(),
          OnMessage<kWmLButtonDown, &TAngleWin::Swallow>(),
          OnMessage<kWmLButtonDblClk, &TAngleWin::Swallow>(),
      },
      {&TWindow::Table()});
  return table;
}

bool TAngleWin::Find(TEventInfo& info) { return Table().Search(info); }

}  // namespace kvn
