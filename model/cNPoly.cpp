#include "model/cNPoly.h"

#include <cmath>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/Geometry.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {


}  // namespace

cNPoly::cNPoly() : cOutlineShape(kTypeNPoly) {}

cNPoly::~cNPoly() = default;

// ---- record ----

void cNPoly::Write(cDrawingData* data, ArchiveWriter& w) const {
  WriteHeader(w);
  WriteLinePart(data, w);
  WriteFillPart(data, w);
  w.WriteBit(sideMode != 0);
  w.WriteBit(order != 0);
  w.WriteBits(sides, 8);
  w.WriteRealPoint(first);
  w.WriteRealPoint(second);
  w.WriteCompactDouble(radius);
}

ObjectChain cNPoly::Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) {
  ReadHeader(r, version);
  ReadLinePart(context, data, r, version);
  ReadFillPart(data, r, version);
  sideMode = r.ReadBit() ? 1 : 0;
  order = r.ReadBit() ? 1 : 0;
  sides = std::uint8_t(r.ReadBits(8));
  first = r.ReadRealPoint();
  second = r.ReadRealPoint();
  radius = r.ReadCompactDouble();
  MarkDirty();
  return {};
}

// ---- geometry ----

DPoint cNPoly::GetCentre() const {
  if (sideMode == 0) return first;
  const int n = sides < 3 ? 3 : sides;
  const double dx = first.x - second.x;
  const double dy = first.y - second.y;
  const double a = std::atan2(dy, dx) * kDegPerRad;
  const double length = std::hypot(dx, dy);
  const DPoint middle{(first.x + second.x) / 2, (first.y + second.y) / 2};
  const double apothem = (length / 2) / std::tan(180.0 / n * kRadPerDeg);
  return {middle.x - apothem * std::cos((a + 90) * kRadPerDeg), middle.y - apothem * std::sin((a + 90) * kRadPerDeg)};
}

void cNPoly::BuildOutline(cPolygon& target) const {
  PointList& list = PrepareOutline(target, radius);
  const int n = sides < 3 ? 3 : sides;
  const DPoint centre = GetCentre();
  const double r = std::hypot(second.x - centre.x, second.y - centre.y);
  const double a0 = std::atan2(second.y - centre.y, second.x - centre.x) * kDegPerRad;
  std::vector<DPoint> vertices(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double a = (a0 + i * 360.0 / n) * kRadPerDeg;
    const DPoint p{centre.x + r * std::cos(a), centre.y + r * std::sin(a)};
    vertices[std::size_t(order == 1 ? i : n - 1 - i)] = p;
  }
  list.SetPoints(vertices.data(), std::uint32_t(n));
  target.MarkDirty();
}

void cNPoly::Move(const DPoint& offset) {
  for (DPoint* p : {&first, &second}) {
    p->x += offset.x;
    p->y += offset.y;
  }
  MarkDirty();
}

bool cNPoly::Rotate(const TransformContext&, const DPoint& centre, double angleDegrees) {
  RotatePoint(first, centre, angleDegrees);
  RotatePoint(second, centre, angleDegrees);
  MarkDirty();
  return true;
}

bool cNPoly::Scale(const TransformContext&, const DPoint& centre, const DPoint& factors) {
  for (DPoint* p : {&first, &second}) {
    p->x = (p->x - centre.x) * factors.x + centre.x;
    p->y = (p->y - centre.y) * factors.y + centre.y;
  }
  radius *= std::fmin(std::fabs(factors.x), std::fabs(factors.y));
  MarkDirty();
  return true;
}

void cNPoly::SetPoints(const DPoint* points, int count) {
  if (!points || count < 2) return;
  first = points[0];
  second = points[1];
  sideMode = 0;
  order = 0;
  radius = 0.0;
  MarkDirty();
}

void cNPoly::Assign(const cOutObj& source) {
  cAnyFill::Assign(source);
  const cAnyFill* filled = source.AsAnyFill();
  if (const cNPoly* poly = filled ? filled->AsNPoly() : nullptr) {
    sideMode = poly->sideMode;
    order = poly->order;
    sides = poly->sides;
    first = poly->first;
    second = poly->second;
    radius = poly->radius;
  }
}

}  // namespace kvn
