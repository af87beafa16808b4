// The raster surface's side of TrueType lines on the fixed-point road: one
// glyph's runs handed to the anti-aliased fill with the glyph transform.
#include <limits>
#include <memory>

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
  // The fill reads its own contour type; a glyph has a handful of runs.
  OwnedArray<GlyphContour> contours;
  for (const std::vector<FixPoint>& run : runs) {
    if (run.size() < 4 || run.size() > std::numeric_limits<std::uint32_t>::max()) continue;
    auto contour = std::make_unique<GlyphContour>(std::uint32_t(run.size()));
    for (const FixPoint& p : run) contour->Add(GlyphPoint{p.x, p.y});
    contours.Add(contour.release());
  }
  const GlyphTransform transform{at.originX, at.originY, at.cosine, at.sine, at.width, at.mirrorX, at.mirrorY};
  ClipRect cut;
  if (clip) cut = ClipRect{clip->left, clip->top, clip->right, clip->bottom};
  return FillAntiAliased(*raster, &contours, &transform, nullptr, 0, clip ? &cut : nullptr,
                         MapFillColor(color & 0x00FFFFFF), -1);
}

}  // namespace kvn
