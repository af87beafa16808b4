// The metafile's layout (SETLAYOUT). A right-to-left layout mirrors the
// whole picture in its place through the placement, so lines, shapes,
// regions, clips and bitmaps follow it with no work of their own; text
// keeps its glyphs upright (EmfRecordText.cpp). Under
// LAYOUT_BITMAPORIENTATIONPRESERVED a bitmap moves to its mirrored place
// unturned: drawn through the unmirrored placement shifted along x by as
// much as the mirror moves the centre of its destination.
#include <uemf.h>

#include "platform/metafile/EmfPlayDetail.h"

namespace kvn::emf_play {

namespace {

// The centre of a bitmap record's destination in the metafile's logical
// units; false for the records that draw no bitmap.
bool BitmapCentre(const EmfRecord& r, DPoint* centre) {
  std::uint32_t width = 32, height = 36;  // xDest at 24, yDest at 28, then the extents
  switch (r.Type()) {
    case U_EMR_BITBLT:
      if (r.U32(88) == 0) return false;  // a pattern blit: no bitmap
      break;
    case U_EMR_STRETCHBLT: case U_EMR_MASKBLT: case U_EMR_ALPHABLEND: case U_EMR_TRANSPARENTBLT: break;
    case U_EMR_STRETCHDIBITS: width = 72, height = 76; break;
    case U_EMR_SETDIBITSTODEVICE: width = 40, height = 44; break;
    case U_EMR_PLGBLT:
      // The parallelogram's centre: midway between its second and third corners.
      *centre = {(double(r.I32(32)) + r.I32(40)) / 2, (double(r.I32(36)) + r.I32(44)) / 2};
      return true;
    default:
      return false;
  }
  *centre = {r.I32(24) + r.I32(width) / 2.0, r.I32(28) + r.I32(height) / 2.0};
  return true;
}

}  // namespace

void SelectLayoutFit(HandleTable& t) {
  t.fit = (t.mapping.layout & kLayoutRtl) != 0 ? t.fitRightToLeft : t.fitLeftToRight;
}

bool PlayDrawRecordInLayout(TDC& dc, HandleTable& t, const EmfRecord& r, bool* played) {
  constexpr std::uint32_t kKept = kLayoutRtl | kLayoutBitmapOrientationPreserved;
  DPoint centre;
  if ((t.mapping.layout & kKept) != kKept || !BitmapCentre(r, &centre)) return PlayDrawRecord(dc, t, r, played);
  const DPoint device = LogicalToMetafileDevice(t.mapping).Apply(centre);
  const double shift = t.fitRightToLeft.Apply(device).x - t.fitLeftToRight.Apply(device).x;
  t.fit = CombineTransform(t.fitLeftToRight, XForm{1, 0, 0, 1, shift, 0});
  ApplyEmfMapping(dc, t);
  const bool known = PlayDrawRecord(dc, t, r, played);
  SelectLayoutFit(t);
  ApplyEmfMapping(dc, t);
  return known;
}

}  // namespace kvn::emf_play
