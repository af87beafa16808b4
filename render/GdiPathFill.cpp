// Path fills through a device context: the plain GDI path fill and the
// translucent fill that blends the colour through the area's region.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region.h"
#include "render/CurveClip.h"
#include "render/GdiOutput.h"

namespace kvn {

namespace {

std::int32_t ToPixel(std::int32_t v) { return std::int32_t((std::int64_t(v) + 128) >> 8); }

std::int32_t ToSubpixel(std::int64_t pixel) {
  return std::int32_t(std::clamp<std::int64_t>(pixel * 256, INT32_MIN, INT32_MAX));
}

bool SendPiece(TDC& dc, const SegmentArray& piece) {
  const DeviceSegment* s = piece.Items();
  const std::uint32_t n = piece.Count();
  dc.MoveTo(ToPixel(s[0].v[0]), ToPixel(s[0].v[1]));
  for (std::uint32_t i = 0; i < n; ++i) {
    // A piece whose segments do not join is joined by a line.
    if (i > 0 && (s[i].v[0] != s[i - 1].v[6] || s[i].v[1] != s[i - 1].v[7]))
      dc.LineTo(ToPixel(s[i].v[0]), ToPixel(s[i].v[1]));
    if (s[i].IsStraight()) {
      dc.LineTo(ToPixel(s[i].v[6]), ToPixel(s[i].v[7]));
    } else {
      const TPoint p[3] = {{ToPixel(s[i].v[2]), ToPixel(s[i].v[3])},
                           {ToPixel(s[i].v[4]), ToPixel(s[i].v[5])},
                           {ToPixel(s[i].v[6]), ToPixel(s[i].v[7])}};
      dc.PolyBezierTo(p, 3);
    }
  }
  return dc.CloseFigure();
}

bool BlendThroughModule(TDC& dc, int x, int y, int width, int height, const PixelView& source, int sourceX,
                        int sourceY, int sourceWidth, int sourceHeight, const BlendFunction& blend) {
  return dc.AlphaBlend(x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, blend);
}

TRect ToDeviceRect(const TDC& dc, const TRect& r) {
  TPoint p[2] = {{r.left, r.top}, {r.right, r.bottom}};
  dc.LPtoDP(p, 2);
  return TRect{p[0].x, p[0].y, p[1].x, p[1].y}.Normalized();
}

}  // namespace

bool FillPathPieces(TDC& dc, SegmentArray* const* pieces, std::uint32_t count, const DeviceRect& clip,
                    TRegion* region) {
  if (!dc.BeginPath()) return false;
  const ClipRect widened{ToSubpixel(std::int64_t(clip.left) - 1), ToSubpixel(std::int64_t(clip.top) - 1),
                         ToSubpixel(std::int64_t(clip.right) + 1), ToSubpixel(std::int64_t(clip.bottom) + 1)};
  for (std::uint32_t i = 0; i < count; ++i) {
    const SegmentArray* piece = pieces ? pieces[i] : nullptr;
    if (!piece || piece->Count() == 0) continue;
    // A piece cut away entirely is left out: sent unclipped it would reach
    // the device far outside the 16-bit range that metafiles keep.
    const SegmentArray& clipped = ClipClosedContour(widened, *piece);
    if (clipped.Count() == 0) continue;
    SendPiece(dc, clipped);
  }
  if (!dc.EndPath()) return false;
  if (!region) return dc.FillPath();
  return dc.PathToRegion(region);
}

cMsimg32Module::cMsimg32Module() : alphaBlend(&BlendThroughModule), usable(1) {}

cMsimg32Module& cMsimg32Module::Instance() {
  static cMsimg32Module module;
  return module;
}

void FillPathTransparent(TDC& dc, SegmentArray* const* pieces, std::uint32_t count, const DeviceRect& clip,
                         COLORREF color, std::uint8_t opacity, const DeviceRect* printRecord,
                         std::uint8_t* outputMarker) {
  if (opacity == 255) {
    FillPathPieces(dc, pieces, count, clip);
    return;
  }
  if (outputMarker) *outputMarker = 1;
  // The area's pixels in the target's logical units, from a scratch context
  // so that the target sees only the blend.
  TDC scratch{DeviceCaps{}};
  TRegion area;
  if (!FillPathPieces(scratch, pieces, count, clip, &area) || area.IsEmpty()) return;
  std::vector<TRect> rects;
  rects.reserve(area.RectCount());
  for (std::uint32_t i = 0; i < area.RectCount(); ++i) rects.push_back(ToDeviceRect(dc, area.Rects()[i]));
  TRegion region = TRegion::FromRects(rects.data(), std::uint32_t(rects.size()));
  TRect logicalBox = area.GetBox();
  logicalBox = {logicalBox.left - 1, logicalBox.top - 1, logicalBox.right + 1, logicalBox.bottom + 1};
  TRegion printRegion;
  if (printRecord) {
    printRegion = TRegion(TRect{printRecord->left, printRecord->top, printRecord->right, printRecord->bottom});
    region.Combine(region, printRegion, kRgnAnd);
  }
  if (region.IsEmpty()) return;
  // One pixel of the colour, stretched over the box (nearest pixel).
  const std::uint32_t pixel = 0xFF000000u | ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
  PixelView source;
  source.bits = reinterpret_cast<const std::uint8_t*>(&pixel);
  source.width = 1;
  source.height = 1;
  source.stride = 4;
  dc.SelectClipRgn(&region);
  const cMsimg32Module& module = cMsimg32Module::Instance();
  if (module.usable && module.alphaBlend) {
    BlendFunction blend;
    blend.blendOp = kAcSrcOver;
    blend.sourceConstantAlpha = opacity;
    blend.alphaFormat = 0;
    const int width = int(std::min<std::int64_t>(logicalBox.Width(), INT32_MAX));
    const int height = int(std::min<std::int64_t>(logicalBox.Height(), INT32_MAX));
    module.alphaBlend(dc, logicalBox.left, logicalBox.top, width, height, source, 0, 0, 1, 1, blend);
  }
  dc.SelectClipRgn(printRecord ? &printRegion : nullptr);
}

}  // namespace kvn
