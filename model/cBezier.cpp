#include "model/cBezier.h"

#include "foundation/ArchiveReader.h"
#include "model/BezierMath.h"
#include "model/cPolygon.h"

namespace kvn {

cBezier::cBezier() : cAnyFill(kTypeBezier) {}

cBezier::~cBezier() = default;

ObjectChain cBezier::Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) {
  ReadHeader(r, version);
  ReadLinePart(context, data, r, version);
  ReadFillPart(data, r, version);
  closed = r.ReadByte();
  for (DPoint& p : segment.p) p = r.ReadFloatPoint();
  MarkDirty();

  auto* polygon = new cPolygon();
  polygon->cAnyFill::Assign(*this);
  polygon->FirstList().SetFromCubics(&segment, 1, closed != 0);
  polygon->MarkDirty();
  return ObjectChain(polygon);
}

DRect& cBezier::GetExtent(DRect& out) {
  GetBezierBounds(out, segment);
  return out;
}

void cBezier::Recalc(cDrawingData*) {}

}  // namespace kvn
