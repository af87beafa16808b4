#include "import/records/ImportObjects.h"

#include "import/records/ImportMatrix.h"
#include "model/cPolygon.h"

namespace kvn {

void SetImportPen(cAnyLine& object) {
  object.stroke.width = 0.0;
  object.stroke.lineType = 1;
  object.stroke.penOption = 1;
}

std::unique_ptr<cPolygon> SegmentPolygon(const ImportMatrix* transform, std::span<const Cubic3D> segments,
                                         const Vec3& extrusion, bool closed) {
  auto polygon = std::make_unique<cPolygon>();
  SetImportPen(*polygon);
  if (transform) {
    CubicArray mapped;
    for (const Cubic3D& c : segments) {
      Cubic out;
      for (int i = 0; i < 4; ++i) out.p[i] = transform->TransformTo2D(OcsToWcs(c.p[i], extrusion));
      mapped.Append64(out);
    }
    polygon->SetBezierSegments(nullptr, mapped, closed);
  } else {
    std::vector<Cubic3D> world(segments.begin(), segments.end());
    for (Cubic3D& c : world) {
      for (Vec3& p : c.p) p = OcsToWcs(p, extrusion);
    }
    polygon->SetBezierSegments2(nullptr, world.data(), std::uint32_t(world.size()), closed);
  }
  return polygon;
}

std::unique_ptr<cPolygon> PointPolygon(const ImportMatrix* transform, std::span<const Vec3> points,
                                       const Vec3& extrusion, bool closed) {
  auto polygon = std::make_unique<cPolygon>();
  SetImportPen(*polygon);
  PointList& list = polygon->FirstList();
  if (transform) {
    // Most polylines are short: their points are mapped on the stack.
    constexpr std::size_t kShort = 16;
    DPoint shortRun[kShort];
    std::vector<DPoint> longRun;
    DPoint* mapped = shortRun;
    if (points.size() > kShort) {
      longRun.resize(points.size());
      mapped = longRun.data();
    }
    for (std::size_t i = 0; i < points.size(); ++i) mapped[i] = transform->TransformTo2D(OcsToWcs(points[i], extrusion));
    list.SetPoints(mapped, std::uint32_t(std::min<std::size_t>(points.size(), PointList::kMaxPoints)));
  } else {
    std::vector<Vec3> world;
    world.reserve(points.size());
    for (const Vec3& p : points) world.push_back(OcsToWcs(p, extrusion));
    list.Set3DPoints(world.data(), std::uint32_t(std::min<std::size_t>(world.size(), PointList::kMaxPoints)));
  }
  list.SetClosed(closed);
  polygon->MarkDirty();
  return polygon;
}

}  // namespace kvn
