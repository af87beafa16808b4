// Text runs through a device context: extent scaling for TextOut (metafile
// export), a font cell stretched to its device size for ExtTextOut.
#include <cmath>
#include <cstdint>
#include <vector>

#include "foundation/CodePages.h"
#include "model/ColorHls.h"
#include "platform/gdi/DeviceContext.h"
#include "render/DrawInfo.h"
#include "render/GdiOutput.h"

namespace kvn {

namespace {

std::int32_t RoundHalfUp(double v) { return RoundToInt32(std::floor(v + 0.5)); }

// The run's characters as they are sent: its own for direct output, else
// their symbol-font form in `converted`.
const char16_t* RunText(const TextRun& run, std::vector<char16_t>& converted) {
  if (run.directOutput) return run.text;
  converted.resize(std::size_t(run.count));
  ToSymbolFontText(run.text, run.count, converted.data());
  return converted.data();
}

// sx of the TextOut road: 10 unscaled, else ten times the scale, at least 1.
int ExtentFor(double scale) {
  if (scale == 0.0) return 10;
  return std::max(1, RoundHalfUp(scale * 10.0));
}

// A mirrored run of the TextOut road is reflected by the world transform
// about its reference point, not by a negative extent: a metafile player
// keeps text upright under a page mapping that turns an axis (GDI does, and
// so do other readers of the exported metafile), while a world transform's
// reflection reaches the glyphs. The world transform needs GM_ADVANCED,
// which is set for the run when the context is not in it yet.
class MirrorScope {
 public:
  MirrorScope(TDC& dc, const TextRun& run, TPoint at) : dc_(dc) {
    if (!run.mirrorX && !run.mirrorY) return;
    if (dc.GetGraphicsMode() != kGmAdvanced) previousMode_ = dc.SetGraphicsMode(kGmAdvanced);
    world_ = dc.GetWorldTransform();
    const double mx = run.mirrorX ? -1.0 : 1.0, my = run.mirrorY ? -1.0 : 1.0;
    active_ = dc.ModifyWorldTransform(XForm{mx, 0, 0, my, (1.0 - mx) * at.x, (1.0 - my) * at.y}, kMwtLeftMultiply);
  }
  ~MirrorScope() {
    if (active_) dc_.SetWorldTransform(world_);
    if (previousMode_ != 0) dc_.SetGraphicsMode(previousMode_);
  }
  MirrorScope(const MirrorScope&) = delete;
  MirrorScope& operator=(const MirrorScope&) = delete;

 private:
  TDC& dc_;
  XForm world_;
  int previousMode_ = 0;
  bool active_ = false;
};

}  // namespace

void ToSymbolFontText(const char16_t* text, int count, char16_t* out) {
  for (int i = 0; i < count; ++i) {
    const char16_t c = text[i];
    if (c < 256) {
      out[i] = char16_t(0xF000 + c);
    } else {
      const std::uint8_t b = WideToCodePageByte(1252, c);
      out[i] = b ? char16_t(0xF000 + b) : c;
    }
  }
}

void DrawTextRun(TDC& dc, const TextRun& run, const cDrawInfo& info) {
  if (!run.text || run.count <= 0) return;
  const std::uint32_t oldAlign = dc.SetTextAlign(run.align | kTaBaseline);
  if (info.mapping.outputMode != OutputMode::Metafile && !info.textOutRuns) {
    DrawTextRunExt(dc, run, info);
  } else {
    std::vector<char16_t> converted;
    const char16_t* text = RunText(run, converted);
    if (run.xScale == 0.0 && run.yScale == 0.0) {
      const MirrorScope mirror(dc, run, run.position);
      dc.TextOut(run.position.x, run.position.y, text, run.count);
    } else {
      const int sx = ExtentFor(run.xScale), sy = ExtentFor(run.yScale);
      TSize oldWindow, oldViewport;
      dc.SetWindowExt(10, 10, &oldWindow);
      dc.SetViewportExt(sx, sy, &oldViewport);
      const TPoint at{MulDiv(run.position.x, 10, sx), MulDiv(run.position.y, 10, sy)};
      {
        const MirrorScope mirror(dc, run, at);
        dc.TextOut(at.x, at.y, text, run.count);
      }
      dc.SetWindowExt(oldWindow.cx, oldWindow.cy);
      dc.SetViewportExt(oldViewport.cx, oldViewport.cy);
    }
  }
  dc.SetTextAlign(oldAlign);
}

void DrawTextRunExt(TDC& dc, const TextRun& run, const cDrawInfo& info) {
  if (!run.text || run.count <= 0) return;
  double wx = run.cellWidth * run.factor, wy = run.cellHeight * run.factor;
  double rx = 1.0, ry = 1.0;
  const bool printer = info.mapping.printerFlag != 0;
  if (printer) {
    const TSize viewport = dc.GetViewportExt(), window = dc.GetWindowExt();
    if (window.cx == 0 || window.cy == 0) return;
    rx = double(viewport.cx) / window.cx;
    ry = double(viewport.cy) / window.cy;
    wx *= rx;
    wy *= ry;
  }
  if (!std::isfinite(wx) || !std::isfinite(wy)) return;
  int ex = RoundHalfUp(wx), ey = RoundHalfUp(wy);
  if (ex <= 1 || ey <= 1) return;
  if (run.xScale != 0.0) ex = RoundHalfUp(ex * run.xScale);
  if (run.yScale != 0.0) ey = RoundHalfUp(ey * run.yScale);
  if (run.mirrorX) ex = -ex;
  if (run.mirrorY) ey = -ey;
  TSize oldWindowExt, oldViewportExt;
  TPoint oldWindowOrg, oldViewportOrg;
  dc.SetWindowExt(RoundHalfUp(run.cellWidth), RoundHalfUp(run.cellHeight), &oldWindowExt);
  dc.SetViewportExt(ex, ey, &oldViewportExt);
  dc.SetWindowOrg(0, 0, &oldWindowOrg);
  if (printer) {
    dc.SetViewportOrg(RoundHalfUp(run.position.x * rx), RoundHalfUp(run.position.y * ry), &oldViewportOrg);
  } else {
    dc.SetViewportOrg(run.position.x, run.position.y, &oldViewportOrg);
  }
  std::vector<char16_t> converted;
  dc.ExtTextOut(0, 0, 0, nullptr, RunText(run, converted), run.count, run.advances);
  dc.SetWindowExt(oldWindowExt.cx, oldWindowExt.cy);
  dc.SetViewportExt(oldViewportExt.cx, oldViewportExt.cy);
  dc.SetWindowOrg(oldWindowOrg.x, oldWindowOrg.y);
  dc.SetViewportOrg(oldViewportOrg.x, oldViewportOrg.y);
}

}  // namespace kvn
