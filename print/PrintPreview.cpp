#include "print/PrintPreview.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "document/ProgressMonitor.h"
#include "foundation/InFileStream.h"
#include "model/ColorHls.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/TDib.h"
#include "print/PrintOut.h"
#include "print/PrinterData.h"

namespace kvn {

namespace {

constexpr COLORREF kMarginGrey = 0xF2F2F2;
constexpr COLORREF kPrintedAreaRed = 0x0000FF;
constexpr COLORREF kSheetWhite = 0xFFFFFF;

int Round(double v) { return static_cast<int>(std::floor(v + 0.5)); }

// A value that fits a pixel coordinate, whatever a damaged record holds.
int ClampedRound(double v) {
  if (!std::isfinite(v)) return 0;
  return Round(std::clamp(v, -1e8, 1e8));
}

// A band shown on fewer pixels than it has keeps the darkest of the pixels
// that fall together, as BLACKONWHITE shrinking does: thin lines stay whole
// instead of losing whole rows and columns. Shrunk by whole factors, to no
// more than the pixels it gets; a 24-bit copy.
TDib ShrinkKeepingInk(const TDib& band, int kx, int ky) {
  const int w = band.Width(), h = band.Height();
  const int rw = (w + kx - 1) / kx, rh = (h + ky - 1) / ky;
  TDib out;
  if (!out.Create(rw, rh, 24)) return out;
  for (int y = 0; y < rh; ++y) {
    for (int x = 0; x < rw; ++x) {
      int r = 255, g = 255, b = 255;
      for (int yy = y * ky; yy < std::min(h, (y + 1) * ky); ++yy) {
        for (int xx = x * kx; xx < std::min(w, (x + 1) * kx); ++xx) {
          const std::uint32_t c = band.GetPixelColor(xx, yy);  // 0x00BBGGRR
          if (c == TDib::kInvalidColor) continue;
          r = std::min(r, int(c & 0xFF));
          g = std::min(g, int(c >> 8 & 0xFF));
          b = std::min(b, int(c >> 16 & 0xFF));
        }
      }
      out.SetPixel(x, y, std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b));  // 0x00RRGGBB
    }
  }
  return out;
}

}  // namespace

void CapPreviewResolution(MyPrinterDataStruct__& record, int windowWidth, int windowHeight) {
  const double side = std::min(record.printableWidth, record.printableHeight);
  if (!(side > 0)) return;
  const double cap = std::floor(double(std::max(windowWidth, windowHeight)) / (side / 25.4) + 0.5);
  if (!(cap >= 1)) return;
  if (std::max(record.resolutionX, record.resolutionY) > cap) record.resolutionX = record.resolutionY = int(cap);
}

bool CountPreviewPages(TMyPrintOut& printOut, int currentPage, ProgressMonitor* monitor, PreviewPages& pages) {
  const int first = printOut.firstPage, last = printOut.lastPage;
  currentPage = std::clamp(currentPage, first, std::max(first, last));
  pages = PreviewPages{};
  for (int page = first; page <= last; ++page) {
    if (monitor && !monitor->Step(std::uint32_t(std::max(MulDiv(page, 100, std::max(last, 1)), 0)), true, nullptr,
                                  nullptr, false)) {
      return false;
    }
    if (!printOut.HasPage(page)) continue;
    if (page == currentPage) pages.startIndex = pages.count;
    ++pages.count;
  }
  return true;
}

int PreviewPageOfIndex(TMyPrintOut& printOut, int index) {
  int seen = 0;
  for (int page = printOut.firstPage; page <= printOut.lastPage; ++page) {
    if (!printOut.HasPage(page)) continue;
    if (seen++ == index) return page;
  }
  return 1;
}

double PreviewAspect(const MyPrinterDataStruct__& record) {
  if (record.paperWidth == 0) return 1.0;
  const double aspect = record.paperHeight / record.paperWidth;
  return aspect == 0 || !std::isfinite(aspect) ? 1.0 : aspect;
}

PreviewScrollRanges ComputePreviewScrollRanges(int windowWidth, int windowHeight, double aspect, int dpiX,
                                               int dpiY) {
  PreviewScrollRanges ranges;
  if (dpiX <= 0 || dpiY <= 0 || !(aspect > 0)) return ranges;
  ranges.vertical = ClampedRound(windowWidth * aspect / dpiX * dpiY / 16);
  ranges.horizontal = ClampedRound(windowHeight / aspect / dpiY * dpiX / 16);
  return ranges;
}

TRect PreviewFitRect(bool fitWidth, int clientWidth, int clientHeight, double aspect) {
  constexpr int kGap = 6;
  if (!(aspect > 0) || !std::isfinite(aspect)) aspect = 1.0;
  TRect rect{kGap, kGap, kGap, kGap};
  if (fitWidth) {
    rect.right = std::max(kGap, clientWidth - kGap);
    const int percent = ClampedRound(aspect * 100);
    rect.bottom = kGap + int(std::int64_t(rect.right - kGap) * percent / 100);
  } else {
    rect.bottom = std::max(kGap, clientHeight - kGap);
    const int percent = ClampedRound(95 / aspect);
    rect.right = kGap + int(std::int64_t(rect.bottom - kGap) * percent / 100);
  }
  return rect;
}

bool RenderPreviewPage(APXPrintOut& printOut, int page, ProgressMonitor* monitor) {
  printOut.strips.clear();
  printOut.captureStrips = true;
  const bool rendered = printOut.PrintPage(nullptr, page, true, nullptr, monitor, 0, 1, false, false, 0);
  printOut.captureStrips = false;
  return rendered;
}

PreviewSheetLayout LayoutPreviewSheet(const MyPrinterDataStruct__& r, int width, int height) {
  PreviewSheetLayout layout;
  const double paperW = r.paperWidth > 0 ? r.paperWidth : 1, paperH = r.paperHeight > 0 ? r.paperHeight : 1;
  const auto x = [&](double mm) { return ClampedRound(width / paperW * mm); };
  const auto y = [&](double mm) { return ClampedRound(height / paperH * mm); };
  double placedW = r.formatWidth * r.scale, placedH = r.formatHeight * r.scale;
  if (placedW == 0 || placedH == 0) {
    placedW = r.paperWidth;
    placedH = r.paperHeight;
  }
  layout.printed = {x(r.positionX), y(r.positionY), x(r.positionX + placedW), y(r.positionY + placedH)};
  layout.printable = {x(r.printableOffsetX), y(r.printableOffsetY), x(r.printableOffsetX + r.printableWidth),
                      y(r.printableOffsetY + r.printableHeight)};
  const int dots = std::max(r.resolutionX, r.resolutionY);
  layout.windowExt = {ClampedRound(dots * r.printableWidth / 25.4), ClampedRound(dots * r.printableHeight / 25.4)};
  layout.viewportExt = {layout.printable.right - layout.printable.left,
                        layout.printable.bottom - layout.printable.top};
  layout.dottedLines = !(layout.printed == TRect{0, 0, width, height});
  return layout;
}

void APXPrintOut::PaintStrips(TDC& dc, const TRect& clip) {
  const int dots = std::max(record_.resolutionX, record_.resolutionY);
  const int ox = ClampedRound(dots * record_.positionX / 25.4), oy = ClampedRound(dots * record_.positionY / 25.4);
  dc.SetStretchBltMode(kBlackOnWhite);
  for (const PageImageStrip& strip : strips) {
    const TRect& r = strip.Rect();
    if (r.right <= clip.left || r.left >= clip.right || r.bottom <= clip.top || r.top >= clip.bottom) continue;
    // A band whose file has gone ends the page's painting.
    if (strip.FileName().IsEmpty()) return;
    InFileStream file(strip.FileName());
    if (!file.IsOpen()) return;
    const TDib dib = TDib::FromBmpStream(file);
    if (!dib.HasBits()) continue;
    // The pixels the band gets on the device.
    TPoint span[2] = {{0, 0}, {dib.Width(), dib.Height()}};
    const bool mapped = dc.LPtoDP(span, 2);
    const int deviceW = std::abs(span[1].x - span[0].x), deviceH = std::abs(span[1].y - span[0].y);
    if (mapped && deviceW > 0 && deviceH > 0 && (deviceW < dib.Width() || deviceH < dib.Height())) {
      const int kx = std::max(1, (dib.Width() + deviceW - 1) / deviceW);
      const int ky = std::max(1, (dib.Height() + deviceH - 1) / deviceH);
      const TDib shrunk = ShrinkKeepingInk(dib, kx, ky);
      if (shrunk.HasBits()) {
        dc.StretchDIBits(r.left + ox, r.top + oy, dib.Width(), dib.Height(), 0, 0, shrunk.Width(), shrunk.Height(),
                         shrunk, kSrcCopy);
        continue;
      }
    }
    dc.StretchDIBits(r.left + ox, r.top + oy, dib.Width(), dib.Height(), 0, 0, dib.Width(), dib.Height(), dib,
                     kSrcCopy);
  }
}

void PaintPreviewSheet(TDC& dc, APXPrintOut& printOut, bool ready, int width, int height, const TRect& paint) {
  const PreviewSheetLayout layout = LayoutPreviewSheet(printOut.Record(), width, height);
  dc.FillRect(TRect{0, 0, width, height}, TBrush(kSheetWhite));
  if (ready && layout.windowExt.cx > 0 && layout.windowExt.cy > 0 && layout.viewportExt.cx > 0 &&
      layout.viewportExt.cy > 0) {
    const int saved = dc.SaveDC();
    dc.IntersectClipRect(paint.left, paint.top, paint.right, paint.bottom);
    dc.SetMapMode(kMmAnisotropic);
    dc.SetWindowExt(layout.windowExt.cx, layout.windowExt.cy);
    dc.SetViewportExt(layout.viewportExt.cx, layout.viewportExt.cy);
    // The bands' clip is the paint rectangle seen from the printed area's corner.
    TPoint corners[2] = {{paint.left - layout.printed.left, paint.top - layout.printed.top},
                         {paint.right - layout.printed.left, paint.bottom - layout.printed.top}};
    if (dc.DPtoLP(corners, 2)) {
      printOut.PaintStrips(dc, TRect{corners[0].x, corners[0].y, corners[1].x + 1, corners[1].y + 1}.Normalized());
    }
    dc.RestoreDC(saved);
  }
  const TBrush grey(kMarginGrey);
  const TRect& p = layout.printable;
  dc.FillRect(TRect{0, 0, p.left, height}, grey);
  dc.FillRect(TRect{p.right, 0, width, height}, grey);
  dc.FillRect(TRect{p.left, 0, p.right, p.top}, grey);
  dc.FillRect(TRect{p.left, p.bottom, p.right, height}, grey);
  if (!layout.dottedLines) return;
  const TPen pen(kPrintedAreaRed, 0, kPsDot);
  const TPen old = dc.SelectObject(pen);
  for (int x : {layout.printed.left, layout.printed.right}) {
    dc.MoveTo(x, 0);
    dc.LineTo(x, height);
  }
  for (int y : {layout.printed.top, layout.printed.bottom}) {
    dc.MoveTo(0, y);
    dc.LineTo(width, y);
  }
  dc.SelectObject(old);
}

}  // namespace kvn
