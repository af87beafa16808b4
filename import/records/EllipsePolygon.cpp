#include <cmath>
#include <vector>

#include "import/records/ImportMatrix.h"
#include "import/records/SimpleRecords.h"
#include "model/ArcConstruction.h"
#include "model/cPolygon.h"

namespace kvn {

namespace {

Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

}  // namespace

std::unique_ptr<cPolygon> BuildEllipsePolygon(bool collect3D, const ImportMatrix* transform, const Vec3& centre,
                                              const Vec3& majorAxis, const Vec3& extrusion, double ratio, double start,
                                              double end, std::uint32_t fill) {
  constexpr double kPi = 3.141592653589793;
  const double length = std::sqrt(majorAxis.LengthSq());
  const Vec3 x = majorAxis.LengthSq() < 1e-40 ? Vec3{1, 0, 0} : majorAxis.Normalized();
  const Vec3 y = Cross(Vec3{0, 0, 1}, x).Normalized();
  const Vec3 z = Cross(x, y).Normalized();

  // Parameters run counter-clockwise about the ellipse's normal; the arc
  // object's angles run in drawing coordinates (y down), hence the minus.
  double a0 = -start * 180.0 / kPi;
  double a1 = -end * 180.0 / kPi;
  const double depth = extrusion.x * z.x + extrusion.y * z.y + extrusion.z * z.z;
  if (depth < 0) {
    const double s = a0;
    a0 = -a1;
    a1 = -s;
  }
  if (std::fabs(depth) < 1e-8) ratio = 0.0;

  // The unit arc from a1 up to a0 is the sweep from start to end.
  ArcRecord unit;
  unit.rx = unit.ry = 1.0;
  unit.startAngle = a1;
  unit.endAngle = a0;
  std::unique_ptr<cAnyFill> arc = MakeArcObject(unit, nullptr, false);
  if (!arc) return nullptr;
  auto polygon = std::make_unique<cPolygon>();
  arc->ToPolygon(*polygon);
  if (polygon->FirstList().Count() == 0) return nullptr;

  polygon->stroke.width = 0.0;
  polygon->stroke.lineType = 1;
  polygon->stroke.penOption = 1;
  for (std::uint32_t l = 0; l < polygon->ListCount(); ++l) {
    PointList& list = polygon->List(l);
    std::vector<Vec3> world;
    world.reserve(list.Count());
    for (DPoint& p : list.Points()) {
      const double lx = length * p.x, ly = -length * ratio * p.y;
      Vec3 w{centre.x + lx * x.x + ly * y.x, centre.y + lx * x.y + ly * y.y, centre.z + lx * x.z + ly * y.z};
      if (transform) {
        p = transform->TransformTo2D(w);
      } else {
        p = DPoint{w.x, w.y};
        world.push_back(w);
      }
    }
    if (!transform && collect3D) list.Set3DPoints(world.data(), std::uint32_t(world.size()));
  }
  if (fill != kNoFill) polygon->fill.fillColor = fill;
  polygon->MarkDirty();
  return polygon;
}

}  // namespace kvn
