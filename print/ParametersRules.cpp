#include "print/ParametersRules.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "document/cDrawing.h"
#include "print/PaperChoice.h"
#include "print/PrinterList.h"

namespace kvn {

namespace {

constexpr double kScaleChange = 1.1920928955078125e-7;  // 2^-23

// 10^n or 5 x 10^n, whichever lies nearer to `a` on a logarithmic scale
// (10^n on a tie).
double NearestRoundValue(double a) {
  const double l1 = std::log10(a), e1 = std::floor(l1 + 0.5), d1 = std::fabs(l1 - e1);
  const double l2 = std::log10(a / 5), e2 = std::floor(l2 + 0.5), d2 = std::fabs(l2 - e2);
  return d1 > d2 ? 5 * std::pow(10.0, e2) : std::pow(10.0, e1);
}

double PositiveOrOne(double v) { return v > 0 ? v : 1.0; }

bool AllZero(const DRect& r) { return r.x1 == 0 && r.y1 == 0 && r.x2 == 0 && r.y2 == 0; }

}  // namespace

FormatPageValues LoadFormatPage(const cDrawing& drawing, double drawingScale) {
  FormatPageValues v;
  v.scaleField = drawingScale > 0 ? 1.0 / drawingScale : 0.0;
  // The bit stored after the scale tells whether the scale was set on purpose.
  v.scaleSet = drawing.formatFlag;
  v.printerScale = drawing.printScale > 0 ? drawing.printScale : 100.0;
  const bool hasFormat = !drawing.HasNoFormat();
  v.defineArea = hasFormat ? 1 : 0;
  if (hasFormat) {
    v.paperFormat = {drawing.formatSize.x, drawing.formatSize.y};
    v.margins = drawing.formatMargins;
  }
  v.origin = drawing.formatOrigin;
  v.tiled = hasFormat && (drawing.tiles.x > 1 || drawing.tiles.y > 1) ? 1 : 0;
  v.tilesX = std::max(drawing.tiles.x, 1.0);
  v.tilesY = std::max(drawing.tiles.y, 1.0);
  v.overlap = drawing.tileOverlap;
  v.paperGiven = drawing.paperId > 0 ? 1 : 0;
  v.paperId = drawing.paperId;
  v.locationGiven = drawing.printMargins.x >= 0 && drawing.printMargins.y >= 0 ? 1 : 0;
  v.locationX = std::max(drawing.printMargins.x, 0.0);
  v.locationY = std::max(drawing.printMargins.y, 0.0);
  return v;
}

bool StoreFormatPage(const FormatPageValues& v, double shownScaleField, cDrawing& drawing, double oldScale,
                     double& newScale) {
  // 1-2. Format and margins; a format without a side is no format.
  drawing.formatSize = {v.paperFormat.width, v.paperFormat.height};
  drawing.formatMargins = v.margins;
  drawing.formatOrigin = v.origin;
  if (!v.defineArea) drawing.formatSize = {0, 0};
  if (!(drawing.formatSize.x > 0) || !(drawing.formatSize.y > 0)) {
    drawing.formatOrigin = {0, 0};
    drawing.formatSize = {0, 0};
    drawing.formatMargins = {0, 0};
  }
  // 3. A margin as wide as the format leaves nothing to draw on.
  if (!(2 * drawing.formatMargins.x < drawing.formatSize.x)) drawing.formatMargins.x = 0;
  if (!(2 * drawing.formatMargins.y < drawing.formatSize.y)) drawing.formatMargins.y = 0;
  // 4. Tiles and overlap.
  if (v.tiled && !drawing.HasNoFormat()) {
    drawing.tiles = {std::max(v.tilesX, 1.0), std::max(v.tilesY, 1.0)};
    drawing.tileOverlap = std::min({v.overlap, drawing.formatSize.x / 3, drawing.formatSize.y / 3});
    drawing.tileOverlap = std::max(drawing.tileOverlap, 0.0);
  } else {
    drawing.tiles = {1, 1};
    drawing.tileOverlap = 0;
  }
  // 5-6. Location on the paper and paper id.
  drawing.printMargins = v.locationGiven ? DPoint{v.locationX, v.locationY} : DPoint{-1, -1};
  drawing.paperId = v.paperGiven ? std::uint16_t(std::clamp(v.paperId, 0.0, 65535.0)) : 0;
  drawing.printScale = v.printerScale > 0 ? v.printerScale : 100.0;
  drawing.formatFlag = std::uint8_t(v.scaleSet != 0);
  // 7. The scale, when its field was changed.
  newScale = oldScale;
  if (v.scaleField != shownScaleField) newScale = v.scaleField != 0 ? 1.0 / v.scaleField : 0.0;
  if (newScale == 0) {
    drawing.formatFlag = 0;
    drawing.printScale = 100;
  }
  return std::fabs(newScale - oldScale) > kScaleChange;
}

double EstimateScaleField(const DRect& extent) {
  const double largest = std::max(extent.Width(), extent.Height());
  if (!(largest > 0)) return 0;
  return 1.0 / NearestRoundValue(largest / 400);
}

DPoint EstimateOrigin(const DRect& extent, double scaleField, double printerScale) {
  const double s = PositiveOrOne(scaleField);
  DRect e = extent;
  double k = 0;
  if (!AllZero(e)) {
    k = (1 / s) / (PositiveOrOne(printerScale) * 0.01);
    e.Inflate(k, k);
  }
  const double rect[4] = {e.x1, e.y1, e.x2, e.y2};
  return SnapFormatOrigin(rect, k);
}

void EstimateTiles(const DRect& extent, const DPoint& origin, const PaperSizeMm& paperFormat, const DPoint& margins,
                   double scaleField, int& tilesX, int& tilesY) {
  DRect e = extent;
  e.x1 = std::min(e.x1, origin.x);
  e.y1 = std::min(e.y1, origin.y);
  const double w0 = paperFormat.width - 2 * margins.x, h0 = paperFormat.height - 2 * margins.y;
  tilesX = tilesY = 1;
  if (scaleField > 0 && w0 > 0 && h0 > 0) {
    const double w = w0 / scaleField, h = h0 / scaleField;
    tilesX = std::max(1, int(std::ceil((e.x2 - e.x1) / w)));
    tilesY = std::max(1, int(std::ceil((e.y2 - e.y1) / h)));
  }
}

void ApplyPaper(FormatPageValues& v, const cDrawing& drawing, bool turn, PaperSizeMm paper, DPoint margins) {
  if (paper.width == 0 && paper.height == 0) return;
  const bool noFormat = drawing.HasNoFormat();
  const double s = PositiveOrOne(v.scaleField);
  DRect e;
  if (noFormat) {
    e = drawing.GetExtent();
    if (!AllZero(e)) {
      const double k = (1 / s) / (PositiveOrOne(v.printerScale) * 0.01);
      e.Inflate(k, k);
      const double rect[4] = {e.x1, e.y1, e.x2, e.y2};
      v.origin = SnapFormatOrigin(rect, k);
    }
  } else {
    e = drawing.GetPrintableArea();
    v.origin = {e.x1, e.y1};
  }
  const Margins& d = DefaultMargins();
  double mx = std::max(margins.x, d.left + d.right), my = std::max(margins.y, d.top + d.bottom);
  if (!(2 * mx < paper.width)) mx = 0;
  if (!(2 * my < paper.height)) my = 0;
  double w = paper.width - 2 * mx, h = paper.height - 2 * my;
  // The fractions of a millimetre go into the margins.
  mx = std::floor(((w - std::floor(w)) / 2 + mx) * 10 + 0.5) / 10;
  w = std::floor(w);
  my = std::floor(((h - std::floor(h)) / 2 + my) * 10 + 0.5) / 10;
  h = std::floor(h);
  double fullW = w + 2 * mx, fullH = h + 2 * my;
  if (turn && ((e.Height() < e.Width()) != (h < w))) {
    std::swap(w, h);
    std::swap(mx, my);
    std::swap(fullW, fullH);
  }
  if (v.printerScale > 0 && v.printerScale != 100) {
    mx = my = 0;
    w = std::floor(w * 100 / v.printerScale);
    h = std::floor(h * 100 / v.printerScale);
  }
  double tx = w > 0 ? e.Width() * s / w : 1, ty = h > 0 ? e.Height() * s / h : 1;
  if (noFormat) {
    v.tilesX = w > 0 ? std::ceil(std::max(tx, 1.0)) : 1;
    v.tilesY = h > 0 ? std::ceil(std::max(ty, 1.0)) : 1;
  } else {
    if (tx < 1) {
      tx = 1;
      const double wanted = e.Width() * s;
      if (mx != 0) mx = std::max(mx, (w + 2 * mx - wanted) / 2);
      w = wanted;
    }
    if (ty < 1) {
      ty = 1;
      const double wanted = e.Height() * s;
      if (my != 0) my = std::max(my, (h + 2 * my - wanted) / 2);
      h = wanted;
    }
    v.tilesX = tx;
    v.tilesY = ty;
  }
  if (mx == 0 && my == 0) {
    v.paperFormat = {w, h};
  } else {
    v.paperFormat = {fullW, fullH};
  }
  v.margins = {mx, my};
}

double EstimateLayoutScale(double largestSide) {
  if (!(largestSide > 0)) return 1.0;
  return 1.0 / NearestRoundValue(largestSide / 277);
}

}  // namespace kvn
