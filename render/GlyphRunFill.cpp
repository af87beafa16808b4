// The raster surface's side of TrueType lines on the fixed-point road: one
// glyph's runs handed to the anti-aliased fill with the glyph transform.
#include "render/AntiAliasedFill.h"
#include "render/CurveClip.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "render/SpanBlend.h"

namespace kvn {

bool cDrawInfo::GlyphRasterReady() const {
  return raster && raster->Bits() && GetAlphaTable(raster->AntiAliasMode()) != nullptr;
}

bool cDrawInfo::FillGlyphRuns(const GlyphRuns& runs, const FixedGlyphPlacement& at, const DeviceRect* clip,
                              std::uint32_t color) {
  if (!raster) return false;
  const GlyphTransform transform{at.originX, at.originY, at.cosine, at.sine, at.width, at.mirrorX, at.mirrorY};
  ClipRect cut;
  if (clip) cut = ClipRect{clip->left, clip->top, clip->right, clip->bottom};
  return FillGlyphRunsAntiAliased(*raster, runs, transform, clip ? &cut : nullptr, MapFillColor(color & 0x00FFFFFF),
                                  -1);
}

}  // namespace kvn
