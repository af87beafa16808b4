// Bitmap copies through a mask, onto a parallelogram and with a
// transparent colour: MASKBLT, PLGBLT, TRANSPARENTBLT.
//
// The device contexts blend a pixel block with its own alpha, so a mask or
// a colour key becomes the block's alpha (0 or 255, premultiplied) and the
// copy an AlphaBlend. A parallelogram is a blit under one more transform
// (the source rectangle onto the three corners), handed to the context as
// its world transform for the one call.
//
// MASKBLT's two raster operations are played where one of them leaves the
// destination as it is (the mask then chooses between copying and
// nothing); any other pair draws the foreground operation alone over the
// whole rectangle.
#include <uemf.h>

#include <cstdint>
#include <vector>

#include "platform/gdi/DibPixels.h"
#include "platform/metafile/EmfPlayDetail.h"

namespace kvn::emf_play {

namespace {

constexpr std::uint8_t kRopDest = 0xAA;    // D: the destination as it is
constexpr std::uint8_t kRopSource = 0xCC;  // S: the source copied

// A bitmap of a record as a top-down pixel block.
struct Pixels {
  std::vector<std::uint32_t> data;
  PixelView view;
};

bool LoadPixels(const EmfRecord& r, std::uint32_t offsetsAt, std::uint32_t usageAt, Pixels* out) {
  TDib dib;
  return LoadDib(r, r.U32(offsetsAt), r.U32(offsetsAt + 4), r.U32(offsetsAt + 8), r.U32(offsetsAt + 12),
                 r.U32(usageAt), &dib) &&
         DibToPixels(dib, &out->data, &out->view);
}

// Every pixel opaque, or transparent where `keep` says no (premultiplied:
// a transparent pixel is all zero).
template <class Keep>
void SetAlpha(Pixels& p, Keep keep) {
  for (std::int32_t y = 0; y < p.view.height; ++y) {
    for (std::int32_t x = 0; x < p.view.width; ++x) {
      std::uint32_t& px = p.data[std::size_t(y) * std::size_t(p.view.width) + std::size_t(x)];
      px = keep(x, y, px & 0xFFFFFF) ? (px | 0xFF000000u) : 0;
    }
  }
}

// The mask's bit at a pixel of the source (mask position offset by the
// record's mask origin); 0 outside the mask.
bool MaskBit(const Pixels& mask, std::int64_t x, std::int64_t y) {
  if (x < 0 || y < 0 || x >= mask.view.width || y >= mask.view.height) return false;
  return (mask.data[std::size_t(y) * std::size_t(mask.view.width) + std::size_t(x)] & 0xFFFFFF) != 0;
}

bool Blend(TDC& dc, int x, int y, int cx, int cy, const Pixels& p, int xSrc, int ySrc, int cxSrc, int cySrc) {
  BlendFunction blend;
  blend.blendOp = kAcSrcOver;
  blend.sourceConstantAlpha = 255;
  blend.alphaFormat = kAcSrcAlpha;
  return dc.AlphaBlend(x, y, cx, cy, p.view, xSrc, ySrc, cxSrc, cySrc, blend);
}

bool PlayTransparentBlt(TDC& dc, const EmfRecord& r) {
  Pixels p;
  if (!LoadPixels(r, 84, 80, &p)) return false;
  const std::uint32_t key = r.U32(40) & 0xFFFFFF;
  // COLORREF is 0x00BBGGRR, a pixel 0x00RRGGBB.
  const std::uint32_t keyPixel = (key & 0xFF) << 16 | (key & 0xFF00) | (key >> 16 & 0xFF);
  SetAlpha(p, [keyPixel](std::int32_t, std::int32_t, std::uint32_t rgb) { return rgb != keyPixel; });
  return Blend(dc, r.I32(24), r.I32(28), r.I32(32), r.I32(36), p, r.I32(44), r.I32(48), r.I32(100), r.I32(104));
}

bool PlayMaskBlt(TDC& dc, const EmfRecord& r) {
  const int x = r.I32(24), y = r.I32(28), cx = r.I32(32), cy = r.I32(36);
  const std::uint32_t rop4 = r.U32(40);
  const std::uint32_t fore = rop4 & 0x00FFFFFF;
  const std::uint8_t foreTable = Rop3Table(fore), backTable = std::uint8_t(rop4 >> 24);
  const int xSrc = r.I32(44), ySrc = r.I32(48), xMask = r.I32(100), yMask = r.I32(104);
  Pixels source;
  if (r.U32(88) == 0) return dc.PatBlt(x, y, cx, cy, fore);  // the pattern alone
  if (!LoadPixels(r, 84, 80, &source)) return false;
  Pixels mask;
  const bool masked = r.U32(116) != 0 && LoadPixels(r, 112, 108, &mask);
  if (!masked || foreTable == backTable || (foreTable != kRopDest && backTable != kRopDest) ||
      (foreTable == kRopDest ? backTable : foreTable) != kRopSource)
    return dc.StretchBlt(x, y, cx, cy, source.view, xSrc, ySrc, cx, cy, fore);
  // One side copies the source, the other leaves the destination.
  const bool copyWhereSet = foreTable == kRopSource;
  SetAlpha(source, [&](std::int32_t u, std::int32_t v, std::uint32_t) {
    return MaskBit(mask, std::int64_t(u) - xSrc + xMask, std::int64_t(v) - ySrc + yMask) == copyWhereSet;
  });
  return Blend(dc, x, y, cx, cy, source, xSrc, ySrc, cx, cy);
}

bool PlayPlgBlt(TDC& dc, const HandleTable& t, const EmfRecord& r) {
  const DPoint p0{double(r.I32(24)), double(r.I32(28))}, p1{double(r.I32(32)), double(r.I32(36))},
      p2{double(r.I32(40)), double(r.I32(44))};
  const int xSrc = r.I32(48), ySrc = r.I32(52), cxSrc = r.I32(56), cySrc = r.I32(60);
  if (cxSrc <= 0 || cySrc <= 0) return false;
  Pixels source;
  if (!LoadPixels(r, 96, 92, &source)) return false;
  Pixels mask;
  if (r.U32(128) != 0 && LoadPixels(r, 124, 120, &mask)) {
    const int xMask = r.I32(112), yMask = r.I32(116);
    SetAlpha(source, [&](std::int32_t u, std::int32_t v, std::uint32_t) {
      return MaskBit(mask, std::int64_t(u) - xSrc + xMask, std::int64_t(v) - ySrc + yMask);
    });
  } else {
    SetAlpha(source, [](std::int32_t, std::int32_t, std::uint32_t) { return true; });
  }
  // The source rectangle (0..cxSrc, 0..cySrc) onto the corners: upper left,
  // upper right, lower left.
  const XForm onto{(p1.x - p0.x) / cxSrc, (p1.y - p0.y) / cxSrc, (p2.x - p0.x) / cySrc, (p2.y - p0.y) / cySrc,
                   p0.x, p0.y};
  if (!onto.IsInvertible()) return false;
  const XForm logical = CombineTransform(LogicalToMetafileDevice(t.mapping), CombineTransform(t.fit, t.initialWorld));
  dc.SetWorldTransform(CombineTransform(onto, logical));
  const bool ok = Blend(dc, 0, 0, cxSrc, cySrc, source, xSrc, ySrc, cxSrc, cySrc);
  ApplyEmfMapping(dc, t);
  return ok;
}

}  // namespace

bool PlayMaskedBlit(TDC& dc, const HandleTable& t, const EmfRecord& r) {
  switch (r.Type()) {
    case U_EMR_MASKBLT: return PlayMaskBlt(dc, r);
    case U_EMR_PLGBLT: return PlayPlgBlt(dc, t, r);
    case U_EMR_TRANSPARENTBLT: return PlayTransparentBlt(dc, r);
    default: return false;
  }
}

}  // namespace kvn::emf_play
