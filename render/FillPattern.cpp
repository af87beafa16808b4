#include "render/FillPattern.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "model/PathBuffer.h"
#include "model/cAnyFill.h"
#include "model/cOutObj.h"
#include "model/cStyleFill.h"
#include "platform/gdi/DeviceContext.h"
#include "render/AntiAliasedFill.h"
#include "render/BandRegion.h"
#include "render/CurveClip.h"
#include "render/DrawInfo.h"
#include "render/FillPatternDetail.h"
#include "render/GdiOutput.h"
#include "render/RasterSurface.h"

namespace kvn {

namespace {

constexpr std::uint32_t kTileBackground = 0xFFFFFFFF;
constexpr std::int32_t kMinHatchWidth = 256;  // the thinnest stroke: one device unit
// Screen tiles of a fractional size drawn one by one up to this many.
constexpr double kDrawnTileLimit = 4096;

// The process-wide work objects of the hatch layer; they only grow.
struct FillWork {
  PolygonList area;
  BandRegion region;
  BandRegion boxRegion;
  cRasterSurface tile{true};
};

FillWork& Work() {
  static FillWork work;
  return work;
}

TBrush SolidBrush(const cDrawInfo& info, COLORREF color) {
  if (color == Rgb(0, 0, 0)) return StockBrush(kBlackBrush);
  if (color == Rgb(255, 255, 255)) return StockBrush(kWhiteBrush);
  const TBrush& selected = info.SelectedBrush();
  if (selected.IsValid() && selected.Data().style == kBsSolid && selected.Data().color == color) return selected;
  return TBrush(color);
}

// Restores the path mode on every way out.
class SecondPieceList {
 public:
  SecondPieceList() : previous_(PathBuffer::SetPathMode(1)) {}
  ~SecondPieceList() { PathBuffer::SetPathMode(previous_); }
  SecondPieceList(const SecondPieceList&) = delete;
  SecondPieceList& operator=(const SecondPieceList&) = delete;

 private:
  int previous_;
};

// The tile surface sized to the box, background everywhere, hard edges.
bool PrepareTile(cRasterSurface& tile, std::int32_t width, std::int32_t height) {
  if (!tile.Prepare(TRect{0, 0, width, height})) return false;
  tile.SetAntiAliasMode(2);
  tile.FillRect(0, 0, width, height, kTileBackground);
  return true;
}

// Pattern objects drawn into the tile surface; true for the solid fallback.
bool DrawPatternTiles(cDrawInfo& info, fill_detail::HatchPattern& pattern, const TRect& box, cRasterSurface& tile) {
  const std::int32_t width = box.right - box.left, height = box.bottom - box.top;
  WorldMapping tileMapping = info.mapping;
  tileMapping.originX = 0;
  tileMapping.originY = 0;
  tileMapping.offsetX = 0;
  tileMapping.offsetY = 0;
  tileMapping.deviceClip = DeviceRect{0, 0, width, height};
  for (int i = 0; i < 4; ++i) tileMapping.clipCompanions[i] = 0;
  cDrawInfo nested(tileMapping, info.data, nullptr, &tile);
  nested.options = info.options;
  const double s4 = info.mapping.scale * 4;
  const double dw = pattern.tileBox.Width() * s4, dh = pattern.tileBox.Height() * s4;
  if (std::isfinite(dw) && std::isfinite(dh) && dw > 0 && dh > 0 && (dw <= 1 || dh <= 1)) {
    tile.FillRect(0, 0, width, height, 0);  // all pattern: the area in the hatch colour
    return false;
  }
  const DPoint corner = info.mapping.DeviceToWorld(DevicePoint{box.left, box.top});
  std::function<void(const TRect&, TPoint)> copy;
  if (info.mapping.outputMode == OutputMode::Screen) {
    copy = [&tile](const TRect& from, TPoint to) { tile.CopyFrom(from, tile, to); };
  }
  return fill_detail::DrawTileGrid(nested, pattern.objects, pattern.tileBox, corner, width, height, copy);
}

// Families drawn into the tile surface; true for the solid fallback.
bool DrawFamilies(cDrawInfo& info, const fill_detail::HatchPattern& pattern, const TRect& box,
                  std::int32_t lineWidth, cRasterSurface& tile) {
  DPoint corners[4];
  fill_detail::BoxCorners(info, box, corners);
  HatchTarget target;
  target.surface = &tile;
  target.mapping = &info.mapping;
  target.origin = TPoint{box.left, box.top};
  for (std::size_t i = 0; i < pattern.definition.families.size(); ++i) {
    if (GenerateHatchFamily(target, i, corners, pattern.definition, lineWidth, pattern.scale)) return true;
  }
  return false;
}

}  // namespace

void FillPathSolid(cDrawInfo& info, std::uint32_t color, std::uint8_t opacity) {
  if (PathBuffer::PieceCount() == 0) return;
  if (info.opaqueFill) opacity = 255;
  const COLORREF solid = StripColorFlags(color);
  if (info.raster) {
    const DeviceRect& c = info.mapping.deviceClip;
    const ClipRect clip{(c.left - 2) * 256, (c.top - 2) * 256, (c.right + 2) * 256, (c.bottom + 2) * 256};
    if (FillAntiAliased(*info.raster, nullptr, nullptr, PathBuffer::Pieces(), PathBuffer::PieceCount(), &clip, solid,
                        opacity)) {
      return;
    }
  }
  TDC* dc = info.Dc();
  if (!dc) return;
  if (opacity == 255) {
    info.SelectBrush(SolidBrush(info, solid));
    info.SelectPen(StockPen(kNullPen));
  }
  FillPathTransparent(*dc, PathBuffer::Pieces(), PathBuffer::PieceCount(), info.mapping.deviceClip, solid, opacity,
                      info.printRecord, info.outputMarker);
  if (opacity == 255) info.RestoreDevicePen();
}

HatchDefinition MakeHatchDefinition(const cAnyFill& fill, const cDrawingData* data) {
  HatchDefinition definition;
  const cStyleFill* style = fill.GetFillStyle(data);
  if (!style || style->hatchKind != kSymbolHatch) return definition;
  for (const HatchLine& line : style->hatchLines) {
    HatchFamily family;
    family.baseX = line.values[0];
    family.baseY = line.values[1];
    family.dx = line.params[0];
    family.dy = line.params[1];
    family.angle = line.params[2];
    family.dashes = line.dashes;
    definition.families.push_back(std::move(family));
  }
  return definition;
}

namespace fill_detail {

void MakeHatchPattern(cAnyFill& fill, cDrawInfo& info, bool plain, HatchPattern& out) {
  out.definition = MakeHatchDefinition(fill, info.data);
  out.objects.Clear();
  out.tileBox = DRect{};
  out.scale = 1.0;
  if (out.definition.families.empty()) {
    const cStyleFill* style = nullptr;
    fill.MakeHatchObjects(out.objects, out.scale, info.data, style, out.tileBox, plain);
  } else if (const cStyleFill* style = fill.GetFillStyle(info.data)) {
    out.scale = style->hatchScale;
  }
}

void BoxCorners(const cDrawInfo& info, const TRect& box, DPoint out[4]) {
  out[0] = info.mapping.DeviceToWorld(DevicePoint{box.left, box.top});
  out[1] = info.mapping.DeviceToWorld(DevicePoint{box.right, box.top});
  out[2] = info.mapping.DeviceToWorld(DevicePoint{box.right, box.bottom});
  out[3] = info.mapping.DeviceToWorld(DevicePoint{box.left, box.bottom});
}

bool DrawTileGrid(cDrawInfo& nested, ObjectChain& objects, const DRect& tileBox, const DPoint& corner,
                  std::int32_t width, std::int32_t height,
                  const std::function<void(const TRect&, TPoint)>& copy) {
  const double tw = tileBox.Width(), th = tileBox.Height();
  const double s4 = nested.mapping.scale * 4;
  const double dw = tw * s4, dh = th * s4;
  if (!(tw > 0) || !(th > 0) || !std::isfinite(dw) || !std::isfinite(dh) || !(dw > 0) || !(dh > 0)) return true;
  const double mx = std::floor((corner.x - tileBox.x1) / tw) * tw - corner.x;
  const double my = std::floor((corner.y - tileBox.y1) / th) * th - corner.y;
  if (!std::isfinite(mx) || !std::isfinite(my)) return true;
  const double nx = std::round(width / dw), ny = std::round(height / dh);
  if ((nx + 4) * (ny + 4) > double(kMaxPatternTiles)) return true;

  // The objects move relative to the box corner, which keeps them on the
  // world grid of the tile box whatever the view's position.
  for (cOutObj* o = objects.Head(); o; o = o->next) o->Move(DPoint{mx, my});
  auto drawAt = [&](std::int64_t i, std::int64_t j) {
    const DPoint shift{double(i) * tw, double(j) * th};
    for (cOutObj* o = objects.Head(); o; o = o->next) {
      o->Move(shift);
      o->Draw(&nested);
      o->Move(DPoint{-shift.x, -shift.y});
    }
  };
  // On the screen a block of 4 x 4 tiles is drawn and the rest copied column
  // by column and row by row. Copies of tiles of a fractional pixel size
  // drift by the rounding, so those are drawn one by one unless there are
  // too many of them.
  const bool whole = dw == std::floor(dw) && dh == std::floor(dh);
  if (copy && (nx > 3 || ny > 3) && (whole || (nx + 4) * (ny + 4) > kDrawnTileLimit)) {
    for (int j = -1; j <= 2; ++j)
      for (int i = -1; i <= 2; ++i) drawAt(i, j);
    const auto stepX = std::int32_t(std::lround(dw)), stepY = std::int32_t(std::lround(dh));
    // The left and top edges of grid tile 0, within one tile of the corner.
    const auto x0 = std::int32_t(std::lround((tileBox.x1 + mx) * s4));
    const auto y0 = std::int32_t(std::lround((tileBox.y1 + my) * s4));
    for (std::int32_t x = x0 + 3 * stepX; x < width; x += stepX) copy(TRect{x - stepX, 0, x, height}, TPoint{x, 0});
    for (std::int32_t y = y0 + 3 * stepY; y < height; y += stepY) copy(TRect{0, y - stepY, width, y}, TPoint{0, y});
  } else {
    for (auto j = std::int64_t(-1); j <= std::int64_t(ny) + 2; ++j)
      for (auto i = std::int64_t(-1); i <= std::int64_t(nx) + 2; ++i) drawAt(i, j);
  }
  return false;
}

}  // namespace fill_detail

void FillPatternArea(cDrawInfo& info, cOutObj& object) {
  cAnyFill* fill = object.AsAnyFill();
  if (!fill || fill->GetHatchKind(info.data) == 0) return;
  cRasterSurface* surface = info.raster;
  if (!surface && !info.Dc()) return;
  // A fill that runs while another fill draws its tile gets no hatch layer.
  if (PathBuffer::PathMode() != 0) return;

  const double S = info.mapping.scale;
  std::int32_t lineWidth = kMinHatchWidth;
  const double size = fill->GetHatchSize(info.data);
  if (size != 0) {
    const double w = std::floor(S * size * 4 * 256 + 0.5);
    if (std::isfinite(w) && w > lineWidth) lineWidth = w > 1e8 ? 100000000 : std::int32_t(w);
  }

  const std::int32_t* comp = info.mapping.clipCompanions;
  const DeviceRect& dc = info.mapping.deviceClip;
  const TRect clip = (comp[0] || comp[1] || comp[2] || comp[3]) ? TRect{comp[0], comp[1], comp[2], comp[3]}
                                                                 : TRect{dc.left, dc.top, dc.right, dc.bottom};
  FillWork& work = Work();
  work.area.Clear();
  FlattenPathToPolygons(&work.area, PathBuffer::Pieces(), PathBuffer::PieceCount(), clip);
  if (work.area.points.Count() == 0) return;
  const COLORREF hatchColor = StripColorFlags(info.MapLineColor(fill->GetHatchColor(info.data)));

  bool fallback = false;
  if (!surface) {
    SecondPieceList secondList;
    fallback = fill_detail::FillPatternDevice(info, *fill, work.area, lineWidth, hatchColor);
  } else {
    work.region.FromPolygons(work.area, BandRegion::kEvenOdd);
    work.region.IntersectRect(TRect{dc.left, dc.top, dc.right, dc.bottom});
    if (info.printRecord) {
      const DeviceRect& p = *info.printRecord;
      work.region.IntersectRect(TRect{p.left, p.top, p.right, p.bottom});
    }
    const TRect box = work.region.Extents();
    if (work.region.IsEmpty() || box.right <= box.left || box.bottom <= box.top) return;

    SecondPieceList secondList;
    fill_detail::HatchPattern pattern;
    fill_detail::MakeHatchPattern(*fill, info, true, pattern);
    if (pattern.Empty()) return;
    const std::int32_t width = box.right - box.left, height = box.bottom - box.top;
    cRasterSurface& tile = work.tile;
    if (!PrepareTile(tile, width, height)) return;
    fallback = pattern.definition.families.empty() ? DrawPatternTiles(info, pattern, box, tile)
                                                   : DrawFamilies(info, pattern, box, lineWidth, tile);
    if (!fallback) {
      // Clear the tile outside the area, then stamp what is left.
      work.boxRegion.SetRectFrom(box);
      work.boxRegion.Subtract(work.region);
      for (std::uint32_t i = 0; i < work.boxRegion.RectCount(); ++i) {
        const TRect& r = work.boxRegion.Rects()[i];
        tile.FillRect(r.left - box.left, r.top - box.top, r.right - r.left, r.bottom - r.top, kTileBackground);
      }
      surface->StampMask(TPoint{box.left, box.top}, tile, ColorrefToPixel(hatchColor), kTileBackground);
    }
  }
  if (fallback) FillPathSolid(info, hatchColor, 255);
}

}  // namespace kvn
