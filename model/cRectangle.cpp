#include "model/cRectangle.h"

#include <cmath>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/Geometry.h"

namespace kvn {

cRectangle::cRectangle() : cOutlineShape(kTypeRectangle) {}

cRectangle::~cRectangle() = default;

void cRectangle::Write(cDrawingData* data, ArchiveWriter& w) const {
  WriteHeader(w);
  WriteLinePart(data, w);
  WriteFillPart(data, w);
  w.WriteRealPoint(corner1);
  w.WriteRealPoint(corner2);
  w.WriteCompactDouble(radius);
}

ObjectChain cRectangle::Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) {
  ReadHeader(r, version);
  ReadLinePart(context, data, r, version);
  ReadFillPart(data, r, version);
  radius = 0.0;
  if (version < 3061) {
    corner1 = r.ReadFloatPoint();
    corner2 = r.ReadFloatPoint();
  } else {
    corner1 = r.ReadRealPoint();
    corner2 = r.ReadRealPoint();
    if (version >= 3085) radius = r.ReadCompactDouble();
  }
  MarkDirty();
  return {};
}

void cRectangle::Move(const DPoint& offset) {
  for (DPoint* p : {&corner1, &corner2}) {
    p->x += offset.x;
    p->y += offset.y;
  }
  MarkDirty();
}

bool cRectangle::Rotate(const TransformContext&, const DPoint& centre, double angleDegrees) {
  const double n = std::floor(angleDegrees / 90.0 + 0.5);
  if (angleDegrees != n * 90.0) return false;
  RotatePoint(corner1, centre, angleDegrees);
  RotatePoint(corner2, centre, angleDegrees);
  MarkDirty();
  return true;
}

bool cRectangle::Scale(const TransformContext&, const DPoint& centre, const DPoint& factors) {
  for (DPoint* p : {&corner1, &corner2}) {
    p->x = (p->x - centre.x) * factors.x + centre.x;
    p->y = (p->y - centre.y) * factors.y + centre.y;
  }
  radius *= std::fmin(std::fabs(factors.x), std::fabs(factors.y));
  MarkDirty();
  return true;
}

void cRectangle::Assign(const cOutObj& source) {
  cAnyFill::Assign(source);
  const cAnyFill* filled = source.AsAnyFill();
  if (const cRectangle* rect = filled ? filled->AsRectangle() : nullptr) {
    corner1 = rect->corner1;
    corner2 = rect->corner2;
    radius = rect->radius;
  }
}

void cRectangle::SetPoints(const DPoint* points, int count) {
  if (!points || count < 2) return;
  corner1 = points[0];
  corner2 = points[1];
  radius = 0.0;
  MarkDirty();
}

void cRectangle::BuildOutline(cPolygon& target) const {
  PointList& list = PrepareOutline(target, radius);
  const DPoint corners[4] = {corner1, {corner2.x, corner1.y}, corner2, {corner1.x, corner2.y}};
  list.SetPoints(corners, 4);
  target.MarkDirty();
}

}  // namespace kvn
