#include "model/ArcConstruction.h"

#include <cmath>

#include "foundation/TextFormat.h"
#include "model/ArcPieces.h"
#include "model/cArc.h"
#include "model/cPolygon.h"

namespace kvn {

namespace {

// How near the two ends of a unit arc must be to close it.
constexpr double kClosingTolerance = 1e-5;

}  // namespace

std::unique_ptr<cAnyFill> MakeArcObject(const ArcRecord& record, const cOutObj* templ, bool closingTest) {
  const double s = record.startAngle;
  const double e = record.endAngle < s ? record.endAngle + 360.0 : record.endAngle;
  const double m = (e + s) / 2;
  const DPoint q1{CachedCosDeg(e), CachedSinDeg(e)};
  const DPoint q2{CachedCosDeg(m), CachedSinDeg(m)};
  const DPoint q3{CachedCosDeg(s), CachedSinDeg(s)};
  bool closed = record.closed != 0;
  if (closingTest && std::fabs(q1.x - q3.x) < kClosingTolerance && std::fabs(q1.y - q3.y) < kClosingTolerance) {
    closed = true;
  }

  if (std::fabs(record.rx) != std::fabs(record.ry)) {
    // An ellipse: the unit arc stretched by the radii.
    CubicArray unitArc;
    AppendArcBeziers(unitArc, q1, q2, q3);
    auto polygon = std::make_unique<cPolygon>();
    if (templ) polygon->cAnyFill::Assign(*templ);
    PointList& list = polygon->FirstList();
    list.SetFromCubics(unitArc, closed);
    for (DPoint& p : list.Points()) {
      p.x = p.x * record.rx + record.centre.x;
      p.y = p.y * record.ry + record.centre.y;
    }
    polygon->MarkDirty();
    return polygon;
  }

  auto arc = std::make_unique<cArc>();
  if (templ) arc->cAnyFill::Assign(*templ);
  arc->start = q1;
  arc->middle = q2;
  arc->end = q3;
  arc->kind = std::uint8_t((arc->kind & ~cArc::kClosed) | (closed ? cArc::kClosed : 0));
  arc->Scale(TransformContext{}, DPoint{0, 0}, DPoint{record.rx, record.ry});
  arc->Move(record.centre);
  return arc;
}

}  // namespace kvn
