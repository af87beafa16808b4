// The hatch layer on a device context without a raster surface: the tile
// bitmap transferred through the area's complement (window and picture
// targets), or, for metafiles and printers, the area as the clip region and
// every hatch segment or pattern tile drawn as vector output.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "model/cAnyFill.h"
#include "model/cLine.h"
#include "model/cOutObj.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region.h"
#include "render/DrawInfo.h"
#include "render/FillPatternDetail.h"
#include "render/TileBitmap.h"

namespace kvn::fill_detail {

namespace {

TileBitmap& Tile() {
  static TileBitmap tile;
  return tile;
}

bool IsPrintMode(const cDrawInfo& info) {
  return info.mapping.outputMode == OutputMode::Metafile || info.mapping.outputMode == OutputMode::DirectPrinter;
}

void ResetClip(TDC& dc, const cDrawInfo& info) {
  if (info.printRecord) {
    const DeviceRect& p = *info.printRecord;
    TRegion rect(TRect{p.left, p.top, p.right, p.bottom});
    dc.SelectClipRgn(&rect);
  } else {
    dc.SelectClipRgn(nullptr);
  }
}

// Print mode: one line object per segment, in the hatch colour, thinnest.
bool PrintFamilies(cDrawInfo& info, const HatchPattern& pattern, const TRect& box, COLORREF color) {
  DPoint corners[4];
  BoxCorners(info, box, corners);
  std::vector<DPoint> segments;
  HatchTarget target;
  target.segments = &segments;
  target.mapping = &info.mapping;
  cLine line;
  line.stroke.color = color;
  line.stroke.width = 0;
  line.stroke.lineType = 1;
  for (std::size_t i = 0; i < pattern.definition.families.size(); ++i) {
    segments.clear();
    if (GenerateHatchFamily(target, i, corners, pattern.definition, 0, pattern.scale)) return true;
    for (std::size_t k = 0; k + 1 < segments.size(); k += 2) {
      line.start = segments[k];
      line.end = segments[k + 1];
      line.MarkDirty();
      line.Draw(&info);
    }
  }
  return false;
}

// Print mode: every pattern object drawn for every tile of the world grid
// that meets the box, by moving the mapping's origin.
bool PrintTiles(cDrawInfo& info, HatchPattern& pattern, const TRect& box) {
  const double s4 = info.mapping.scale * 4;
  const double tw = pattern.tileBox.Width(), th = pattern.tileBox.Height();
  if (!std::isfinite(tw * s4) || !std::isfinite(th * s4) || tw * s4 < 1.5 || th * s4 < 1.5) return true;
  DPoint corners[4];
  BoxCorners(info, box, corners);
  DRect world;
  bool first = true;
  for (const DPoint& p : corners) world.AddPoint(p, first);
  world.Normalize();
  const double i0 = std::floor((world.x1 - pattern.tileBox.x1) / tw) - 1;
  const double j0 = std::floor((world.y1 - pattern.tileBox.y1) / th) - 1;
  const double i1 = std::ceil((world.x2 - pattern.tileBox.x1) / tw);
  const double j1 = std::ceil((world.y2 - pattern.tileBox.y1) / th);
  if (!std::isfinite(i0 + j0 + i1 + j1) || (i1 - i0 + 1) * (j1 - j0 + 1) > double(kMaxPatternTiles)) return true;
  const WorldMapping saved = info.mapping;
  for (double j = j0; j <= j1; ++j) {
    for (double i = i0; i <= i1; ++i) {
      info.mapping.originX = saved.originX + i * tw * s4;
      info.mapping.originY = saved.originY + j * th * s4;
      info.UpdateWorldClip();
      for (cOutObj* o = pattern.objects.Head(); o; o = o->next) o->Draw(&info);
    }
  }
  info.mapping = saved;
  info.UpdateWorldClip();
  return false;
}

// Window and picture targets: the tile bitmap, drawn and transferred.
bool DrawIntoTileBitmap(cDrawInfo& info, HatchPattern& pattern, const TRect& box, std::int32_t lineWidth,
                        const TRegion& area, COLORREF color) {
  const std::int32_t width = box.right - box.left, height = box.bottom - box.top;
  TileBitmap& tile = Tile();
  if (!tile.Ensure(width + 4, height + 4) || !tile.Bitmap()) return false;
  TMonoDibSection& bitmap = *tile.Bitmap();
  const std::size_t bytes = std::size_t(bitmap.Stride()) * std::size_t(tile.Height());
  std::memset(tile.Bits(), 0xFF, bytes);  // white: background

  bool fallback = false;
  if (!pattern.definition.families.empty()) {
    DPoint corners[4];
    BoxCorners(info, box, corners);
    HatchTarget target;
    target.maskBits = tile.Bits();
    target.maskWidth = tile.Width();
    target.maskHeight = tile.Height();
    target.mapping = &info.mapping;
    target.origin = TPoint{box.left, box.top};
    for (std::size_t i = 0; i < pattern.definition.families.size() && !fallback; ++i) {
      fallback = GenerateHatchFamily(target, i, corners, pattern.definition, lineWidth, pattern.scale);
    }
  } else {
    const double s4 = info.mapping.scale * 4;
    const double dw = pattern.tileBox.Width() * s4, dh = pattern.tileBox.Height() * s4;
    if (std::isfinite(dw) && std::isfinite(dh) && dw > 0 && dh > 0 && (dw <= 1 || dh <= 1)) {
      std::memset(tile.Bits(), 0, bytes);  // black: all pattern
    } else if (TDC* tileDC = bitmap.DC()) {
      WorldMapping tileMapping = info.mapping;
      tileMapping.originX = 0;
      tileMapping.originY = 0;
      tileMapping.offsetX = 0;
      tileMapping.offsetY = 0;
      tileMapping.deviceClip = DeviceRect{0, 0, width, height};
      for (int i = 0; i < 4; ++i) tileMapping.clipCompanions[i] = 0;
      tileDC->SelectClipRgn(nullptr);
      cDrawInfo nested(tileMapping, info.data, tileDC, nullptr);
      nested.options = info.options;
      const DPoint corner = info.mapping.DeviceToWorld(DevicePoint{box.left, box.top});
      std::function<void(const TRect&, TPoint)> copy;
      fallback = DrawTileGrid(nested, pattern.objects, pattern.tileBox, corner, width, height, copy);
    }
  }
  if (fallback) return true;
  TRegion complement(box);
  complement.Combine(complement, area, kRgnDiff);
  complement.Offset(-box.left, -box.top);
  if (TDC* dc = info.Dc()) TransferTile(*dc, complement, box, bitmap, color);
  return false;
}

}  // namespace

bool FillPatternDevice(cDrawInfo& info, cAnyFill& fill, const PolygonList& area, std::int32_t lineWidth,
                       COLORREF hatchColor) {
  TDC* dc = info.Dc();
  if (!dc) return false;
  const bool printer = info.mapping.printerFlag != 0;
  std::vector<TPoint> points(area.points.Items(), area.points.Items() + area.points.Count());
  if (printer && !points.empty()) dc->LPtoDP(points.data(), int(points.size()));
  std::vector<DPoint> polygon;
  polygon.reserve(points.size());
  TRect areaBox{};
  for (std::size_t i = 0; i < points.size(); ++i) {
    polygon.push_back(DPoint{double(points[i].x), double(points[i].y)});
    if (i == 0) {
      areaBox = TRect{points[i].x, points[i].y, points[i].x + 1, points[i].y + 1};
    } else {
      areaBox.left = std::min(areaBox.left, points[i].x);
      areaBox.top = std::min(areaBox.top, points[i].y);
      areaBox.right = std::max(areaBox.right, points[i].x + 1);
      areaBox.bottom = std::max(areaBox.bottom, points[i].y + 1);
    }
  }
  TRegion region;
  if (!TRegion::FromPolygons(polygon.data(), area.counts.Items(), area.counts.Count(), kAlternate, &region)) {
    return false;
  }
  const DeviceRect& c = info.mapping.deviceClip;
  region.Combine(region, TRegion(TRect{c.left, c.top, c.right, c.bottom}), kRgnAnd);
  if (info.printRecord) {
    const DeviceRect& p = *info.printRecord;
    region.Combine(region, TRegion(TRect{p.left, p.top, p.right, p.bottom}), kRgnAnd);
  }
  if (region.IsEmpty()) return false;
  const TRect regionBox = region.GetBox();
  TRect box{std::max(regionBox.left, areaBox.left), std::max(regionBox.top, areaBox.top),
            std::min(regionBox.right, areaBox.right), std::min(regionBox.bottom, areaBox.bottom)};
  if (box.right <= box.left || box.bottom <= box.top) return false;

  const bool print = IsPrintMode(info);
  HatchPattern pattern;
  MakeHatchPattern(fill, info, !print, pattern);
  if (pattern.Empty()) return false;

  if (!print) return DrawIntoTileBitmap(info, pattern, box, lineWidth, region, hatchColor);

  // The world box of the hatch is in logical units.
  TRect logical = box;
  if (printer) {
    TPoint corners[2] = {{box.left, box.top}, {box.right, box.bottom}};
    dc->DPtoLP(corners, 2);
    logical = TRect{std::min(corners[0].x, corners[1].x), std::min(corners[0].y, corners[1].y),
                    std::max(corners[0].x, corners[1].x), std::max(corners[0].y, corners[1].y)};
  }
  if (pattern.definition.families.empty()) {
    const double s4 = info.mapping.scale * 4;
    const double tw = pattern.tileBox.Width() * s4, th = pattern.tileBox.Height() * s4;
    if (!std::isfinite(tw) || !std::isfinite(th) || tw < 1.5 || th < 1.5) return true;
  }
  dc->SelectClipRgn(&region);
  const bool fallback = pattern.definition.families.empty() ? PrintTiles(info, pattern, logical)
                                                            : PrintFamilies(info, pattern, logical, hatchColor);
  ResetClip(*dc, info);
  return fallback;
}

}  // namespace kvn::fill_detail
