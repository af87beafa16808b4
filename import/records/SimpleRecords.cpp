#include "import/records/SimpleRecords.h"

#include <cmath>
#include <vector>

#include "foundation/TextFormat.h"
#include "import/records/ImportMatrix.h"
#include "import/records/ImportObjects.h"
#include "model/ArcPieces.h"
#include "model/Geometry.h"
#include "model/cArc.h"
#include "model/cCircle.h"
#include "model/cLine.h"
#include "model/cPolygon.h"

namespace kvn {

namespace {

Vec3 Plus(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

// A polygon whose first list holds the points as 3-D triples.
std::unique_ptr<cPolygon> Polygon3D(const Vec3* points, std::uint32_t n, bool closed) {
  auto polygon = std::make_unique<cPolygon>();
  SetImportPen(*polygon);
  polygon->FirstList().Set3DPoints(points, n);
  polygon->FirstList().SetClosed(closed);
  return polygon;
}

}  // namespace

// ---- line ----

YxxfEntLine::YxxfEntLine(const YxxfGroupRecord* record, const Vec3& a, const Vec3& b, std::uint16_t code)
    : SpooledRecord(record, code), start(a), end(b) {}

ObjectChain YxxfEntLine::MakeObject(const ImportMatrix* transform, YxxfReader*, void*) const {
  if (!transform) {
    const Vec3 points[2] = {start, end};
    return Single(Polygon3D(points, 2, false));
  }
  auto line = std::make_unique<cLine>();
  SetImportPen(*line);
  line->start = transform->TransformTo2D(start);
  line->end = transform->TransformTo2D(end);
  return Single(std::move(line));
}

// ---- arc ----

YxxfEntArc::YxxfEntArc(const YxxfGroupRecord* record, const Vec3& c, double r, double a0, double a1,
                       std::uint16_t code)
    : SpooledRecord(record, code), centre(c), radius(r), startAngle(a0), endAngle(a1) {}

ObjectChain YxxfEntArc::MakeObject(const ImportMatrix* transform, YxxfReader*, void*) const {
  double a0 = NormalizeAngle(startAngle);
  double a1 = NormalizeAngle(endAngle);
  if (a0 > a1) a1 += 360.0;
  const double mid = (a0 + a1) * 0.5;
  const double angles[3] = {a0, mid, a1};
  Vec3 local[3];
  for (int i = 0; i < 3; ++i) local[i] = Vec3{radius * CachedCosDeg(angles[i]), radius * CachedSinDeg(angles[i]), 0};

  if (transform) {
    double k = UniformScaleFactor(*transform, extrusion);
    if (k != 0.0) {  // a NaN counts as not 0
      auto arc = std::make_unique<cArc>();
      SetImportPen(*arc);
      DPoint* targets[3] = {&arc->start, &arc->middle, &arc->end};
      for (int i = 0; i < 3; ++i) *targets[i] = transform->TransformTo2D(OcsToWcs(Plus(local[i], centre), extrusion));
      return Single(std::move(arc));
    }
  }
  CubicArray pieces;
  AppendArcBeziers(pieces, DPoint{local[0].x, local[0].y}, DPoint{local[1].x, local[1].y},
                   DPoint{local[2].x, local[2].y});
  auto polygon = std::make_unique<cPolygon>();
  SetImportPen(*polygon);
  if (transform) {
    for (Cubic& c : pieces) {
      for (DPoint& p : c.p) p = transform->TransformTo2D(OcsToWcs(Plus(Vec3{p.x, p.y, 0}, centre), extrusion));
    }
    polygon->SetBezierSegments(nullptr, pieces, false);
  } else {
    std::vector<Cubic3D> pieces3D(pieces.Count());
    for (std::uint32_t i = 0; i < pieces.Count(); ++i) {
      for (int k = 0; k < 4; ++k) {
        pieces3D[i].p[k] = OcsToWcs(Plus(Vec3{pieces[i].p[k].x, pieces[i].p[k].y, 0}, centre), extrusion);
      }
    }
    polygon->SetBezierSegments2(nullptr, pieces3D.data(), std::uint32_t(pieces3D.size()), false);
  }
  SetImportPen(*polygon);
  return Single(std::move(polygon));
}

// ---- circle ----

YxxfEntCircle::YxxfEntCircle(const YxxfGroupRecord* record, const Vec3& c, double r, std::uint32_t fill,
                             std::uint16_t code)
    : SpooledRecord(record, code), centre(c), radius(r), fillColor(fill) {}

ObjectChain YxxfEntCircle::MakeObject(const ImportMatrix* transform, YxxfReader*, void*) const {
  if (transform) {
    double k = UniformScaleFactor(*transform, extrusion);
    if (k != 0.0) {
      auto circle = std::make_unique<cCircle>();
      SetImportPen(*circle);
      circle->form = 0;
      DPoint c = transform->TransformTo2D(OcsToWcs(centre, extrusion));
      circle->p1 = c;
      circle->p2 = DPoint{c.x + radius * k, c.y + radius * k};
      if (fillColor != kNoFill) circle->fill.fillColor = fillColor;
      return Single(std::move(circle));
    }
  }
  cCircle unit;
  unit.form = 0;
  unit.p1 = DPoint{0, 0};
  unit.p2 = DPoint{radius, radius};
  auto polygon = std::make_unique<cPolygon>();
  unit.ToPolygon(*polygon);
  SetImportPen(*polygon);
  PointList& list = polygon->FirstList();
  if (transform) {
    for (DPoint& p : list.Points()) {
      p = transform->TransformTo2D(OcsToWcs(Vec3{p.x + centre.x, p.y + centre.y, centre.z}, extrusion));
    }
  } else {
    std::vector<Vec3> points;
    points.reserve(list.Count());
    for (const DPoint& p : list.Points()) {
      points.push_back(OcsToWcs(Vec3{p.x + centre.x, p.y + centre.y, centre.z}, extrusion));
    }
    list.Set3DPoints(points.data(), std::uint32_t(points.size()));
  }
  if (fillColor != kNoFill) polygon->fill.fillColor = fillColor;
  polygon->MarkDirty();
  return Single(std::move(polygon));
}

// ---- solid ----

YxxfEntSolid::YxxfEntSolid(const YxxfGroupRecord* record, const Vec3& c10, const Vec3& c11, const Vec3& c12,
                           const Vec3& c13, std::uint16_t code)
    : SpooledRecord(record, code), corners{c10, c11, c13, c12} {}

ObjectChain YxxfEntSolid::MakeObject(const ImportMatrix* transform, YxxfReader*, void*) const {
  // Stored order is 10, 11, 13, 12: a triangle repeats its third corner.
  const std::uint32_t n = corners[2] == corners[3] ? 3 : 4;
  Vec3 world[4];
  for (int i = 0; i < 4; ++i) world[i] = OcsToWcs(corners[i], extrusion);
  auto polygon = std::make_unique<cPolygon>();
  SetImportPen(*polygon);
  PointList& list = polygon->FirstList();
  if (transform) {
    DPoint points[4];
    for (std::uint32_t i = 0; i < n; ++i) points[i] = transform->TransformTo2D(world[i]);
    list.SetPoints(points, n);
  } else {
    list.Set3DPoints(world, n);
  }
  list.SetClosed(true);
  polygon->SetTypeByteSourceBits(std::uint8_t(polygon->TypeByte() & 0x40));
  polygon->fill.hatchKind = 0;
  polygon->stroke.color = color;
  polygon->fill.fillColor = color;
  polygon->MarkDirty();
  return Single(std::move(polygon));
}

// ---- ellipse ----

cOneEllipse::cOneEllipse(const YxxfGroupRecord* record, const Vec3& c, const Vec3& major, double r, double s,
                         double e, std::uint32_t fill, std::uint16_t code)
    : SpooledRecord(record, code), centre(c), majorAxis(major), ratio(r), startParam(s), endParam(e),
      fillColor(fill) {}

ObjectChain cOneEllipse::MakeObject(const ImportMatrix* transform, YxxfReader*, void*) const {
  std::unique_ptr<cPolygon> polygon =
      BuildEllipsePolygon(true, transform, centre, majorAxis, extrusion, ratio, startParam, endParam, fillColor);
  return ObjectChain(polygon.release());
}

// ---- point ----

YxxfEntPoint::YxxfEntPoint(const YxxfGroupRecord* record, const Vec3& p, std::uint16_t code)
    : SpooledRecord(record, code), point(p) {}

ObjectChain YxxfEntPoint::MakeObject(const ImportMatrix* transform, YxxfReader*, void*) const {
  if (!transform) {
    const Vec3 points[2] = {point, point};
    return Single(Polygon3D(points, 2, false));
  }
  auto line = std::make_unique<cLine>();
  SetImportPen(*line);
  line->start = line->end = transform->TransformTo2D(point);
  return Single(std::move(line));
}

}  // namespace kvn
