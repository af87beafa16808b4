#include "render/MetafileDraw.h"

#include <cmath>
#include <numbers>
#include <optional>

#include "model/ColorHls.h"
#include "model/cWmf.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region.h"
#include "render/DrawInfo.h"
#include "render/GdiOutput.h"
#include "render/RasterSurface.h"

namespace kvn {

ObjectChain ExplodeMetafile(cWmf& metafile, cDrawInfo* info) {
  const MetafileExplodeFn explode = GetMetafileExploder();
  if (!explode) return {};
  return explode(metafile, info ? info->data : nullptr);
}

namespace {

void PlayThroughDc(cWmf& metafile, cDrawInfo* info, TDC& dc) {
  const EmfDocument* emf = metafile.GetMetafileHandle();
  if (!emf) return;
  const EmfRect& bounds = emf->Header().bounds;
  const std::int64_t mw = std::int64_t(bounds.right) - bounds.left;
  const std::int64_t mh = std::int64_t(bounds.bottom) - bounds.top;
  // Empty or degenerate bounds would give a zero extent or a division by 0.
  if (mw <= 0 || mh <= 0 || mw > INT32_MAX || mh > INT32_MAX) return;
  const WorldMapping& m = info->mapping;
  const PictureFrame& f = metafile.frame;
  if (!std::isfinite(f.width) || !std::isfinite(f.height) || f.width == 0 || f.height == 0) return;

  const int rop2 = dc.SetROP2(kR2CopyPen);
  const int bkMode = dc.SetBkMode(kTransparent);
  const std::uint32_t textAlign = dc.GetTextAlign();
  const TPoint windowOrg = dc.GetWindowOrg(), viewportOrg = dc.GetViewportOrg();
  const TSize windowExt = dc.GetWindowExt(), viewportExt = dc.GetViewportExt();
  const int mapMode = dc.GetMapMode();
  if (windowExt.cx == 0 || windowExt.cy == 0) return;

  const DevicePoint p = WorldToDevice(m, f.origin);
  if (f.angle == 0.0) {
    dc.SetWindowExt(int(mw), int(mh));
    const int dw = int(std::floor(f.width * m.scale * 4 + 0.5)), dh = int(std::floor(f.height * m.scale * 4 + 0.5));
    dc.SetViewportExt(MulDiv(viewportExt.cx, dw, windowExt.cx), MulDiv(viewportExt.cy, dh, windowExt.cy));
  }
  dc.SetWindowOrg(0, 0);
  dc.SetViewportOrg(MulDiv(viewportExt.cx, p.x - windowOrg.x, windowExt.cx),
                    MulDiv(viewportExt.cy, p.y - windowOrg.y, windowExt.cy));
  const int stretch = dc.SetStretchBltMode(kColorOnColor);
  TRegion clip;
  const bool hadClip = dc.GetClipRgn(&clip) == 1;
  const bool raster = m.outputMode == OutputMode::Screen || m.outputMode == OutputMode::Raster;
  const std::intptr_t quality = raster ? 3 : 0;  // NONANTIALIASED_QUALITY : DEFAULT_QUALITY
  const TRect rect{0, 0, int(mw), int(mh)};
  if (f.angle == 0.0) {
    EnumEnhMetaFile(dc, *emf, PlayMetafileRecord, quality, &rect);
  } else {
    const int graphicsMode = dc.SetGraphicsMode(kGmAdvanced);
    const double a = -f.angle * std::numbers::pi / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    XForm scale;
    scale.eM11 = std::fabs(m.scale * f.width * 4 / double(mw));
    scale.eM22 = std::fabs(m.scale * f.height * 4 / double(mh));
    if (f.width < 0) scale = CombineTransform(scale, XForm{-1, 0, 0, 1, 0, 0});
    if (f.height < 0) scale = CombineTransform(scale, XForm{1, 0, 0, -1, 0, 0});
    // The viewport origin already stands at the origin's device point, so
    // the turn is about the world origin: a turn about the device point
    // itself would move the picture by that point a second time.
    const XForm rotation{c, s, -s, c, 0, 0};
    dc.SetWorldTransform(CombineTransform(scale, rotation));
    EnumEnhMetaFile(dc, *emf, PlayMetafileRecord, quality, &rect);
    dc.SetWorldTransform(XForm{});
    dc.SetGraphicsMode(graphicsMode);
  }
  if (hadClip) dc.SelectClipRgn(&clip);
  dc.SetStretchBltMode(stretch);
  dc.SetMapMode(mapMode);
  dc.SetWindowOrg(windowOrg.x, windowOrg.y);
  dc.SetWindowExt(windowExt.cx, windowExt.cy);
  dc.SetViewportExt(viewportExt.cx, viewportExt.cy);
  dc.SetViewportOrg(viewportOrg.x, viewportOrg.y);
  dc.SetROP2(rop2);
  dc.SetBkMode(bkMode);
  dc.SetTextAlign(textAlign);
}

}  // namespace

void DrawWmfObject(cWmf& metafile, cDrawInfo* info) {
  if (!info) return;
  TDC* dc = info->Dc();
  if (!dc && info->raster) dc = info->raster->DC();
  if (dc) {
    PlayThroughDc(metafile, info, *dc);
    return;
  }
  if (!info->raster) return;
  if (!metafile.objectCache) {
    metafile.objectCache = std::make_unique<ObjectChain>();
    metafile.objectCache->AppendChain(ExplodeMetafile(metafile, info));
  }
  for (cOutObj* object = metafile.objectCache->Head(); object; object = object->next) object->Draw(info);
}

}  // namespace kvn
