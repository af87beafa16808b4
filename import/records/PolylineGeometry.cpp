#include "import/records/PolylineGeometry.h"

#include <cmath>
#include <unordered_set>

#include "import/records/ImportMatrix.h"
#include "import/records/ImportObjects.h"
#include "import/records/SplineBeziers.h"
#include "model/ArcPieces.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {


Vec3 At(const LoadingVertex& v, double z) { return Vec3{v.point.x, v.point.y, z}; }

// One mesh or polyface edge: a line with a transform, a two-point 3-D
// polygon without.
void AppendEdge(ObjectChain& chain, const ImportMatrix* transform, const Vec3& a, const Vec3& b,
                const Vec3& extrusion) {
  if (transform) {
    auto line = std::make_unique<cLine>();
    SetImportPen(*line);
    line->start = transform->TransformTo2D(OcsToWcs(a, extrusion));
    line->end = transform->TransformTo2D(OcsToWcs(b, extrusion));
    chain.Append(line.release());
    return;
  }
  const Vec3 points[2] = {a, b};
  chain.Append(PointPolygon(nullptr, points, extrusion, false).release());
}

// A polyline without arcs: with a transform, one open span is a line; else
// the polygon through the vertices (what the segments of MakeBulgePolyline
// would give, without building them).
ObjectChain StraightPolyline(const ImportMatrix* transform, std::span<const LoadingVertex> vertices, double elevation,
                             const Vec3& extrusion, bool closed) {
  const std::size_t n = vertices.size();
  if (transform && n == 2 && !closed) {
    auto line = std::make_unique<cLine>();
    SetImportPen(*line);
    line->start = transform->TransformTo2D(OcsToWcs(At(vertices[0], elevation), extrusion));
    line->end = transform->TransformTo2D(OcsToWcs(At(vertices[1], elevation), extrusion));
    return Single(std::move(line));
  }
  constexpr std::size_t kShort = 16;
  Vec3 shortRun[kShort];
  std::vector<Vec3> longRun;
  Vec3* points = shortRun;
  if (n > kShort) {
    longRun.resize(n);
    points = longRun.data();
  }
  for (std::size_t i = 0; i < n; ++i) points[i] = At(vertices[i], elevation);
  return Single(PointPolygon(transform, std::span<const Vec3>(points, n), extrusion, closed));
}

}  // namespace

void AddQuadraticSpan(std::vector<Cubic3D>& out, std::span<const Vec3> points, int a, int b, int c, int d, int e) {
  const int n = int(points.size());
  if (n == 0) return;
  auto wrap = [n](int i) { return i < 0 ? i + n : (i >= n ? i - n : i); };
  auto mid = [&](int i, int j) {
    const Vec3& p = points[std::size_t(wrap(i))];
    const Vec3& q = points[std::size_t(wrap(j))];
    return Vec3{(p.x + q.x) / 2, (p.y + q.y) / 2, (p.z + q.z) / 2};
  };
  const Vec3 p0 = mid(a, b), p3 = mid(d, e);
  const Vec3& control = points[std::size_t(wrap(c))];
  auto toward = [&](const Vec3& from) {
    return Vec3{from.x + 2.0 / 3.0 * (control.x - from.x), from.y + 2.0 / 3.0 * (control.y - from.y),
                from.z + 2.0 / 3.0 * (control.z - from.z)};
  };
  out.push_back(Cubic3D{{p0, toward(p0), toward(p3), p3}});
}

ObjectChain MakeBulgePolyline(const ImportMatrix* transform, std::span<const LoadingVertex> vertices,
                              double elevation, double& width, const Vec3& extrusion, bool closed) {
  const std::size_t n = vertices.size();
  if (n < 2) return ObjectChain();
  const std::size_t spans = closed ? n : n - 1;
  // Without an arc the polygon is made of the vertices themselves (most
  // polylines): no segments are built for it.
  bool straight = true;
  for (std::size_t i = 0; i < spans && straight; ++i) {
    const LoadingVertex& from = vertices[i];
    const LoadingVertex& to = vertices[(i + 1) % n];
    const double dx = to.point.x - from.point.x, dy = to.point.y - from.point.y;
    straight = !(from.bulge != 0.0 && (dx != 0.0 || dy != 0.0));
  }
  if (straight) return StraightPolyline(transform, vertices, elevation, extrusion, closed);
  std::vector<Cubic3D> segments;
  segments.reserve(spans);
  for (std::size_t i = 0; i < spans; ++i) {
    const LoadingVertex& from = vertices[i];
    const LoadingVertex& to = vertices[(i + 1) % n];
    const double b = from.bulge;
    const double dx = to.point.x - from.point.x, dy = to.point.y - from.point.y;
    if (b != 0.0 && (dx != 0.0 || dy != 0.0)) {
      const double c = std::hypot(dx, dy);
      const double s = std::fabs(b) * c / 2;
      const double a = (std::atan2(dy, dx) * 180.0 / kPi + (b > 0 ? -90.0 : 90.0)) * kPi / 180.0;
      const DPoint through{from.point.x + dx / 2 + s * std::cos(a), from.point.y + dy / 2 + s * std::sin(a)};
      CubicArray arc;
      double r = 0;
      AppendArcBeziers(arc, DPoint{from.point.x, from.point.y}, through, DPoint{to.point.x, to.point.y}, &r);
      for (const Cubic& piece : arc) {
        Cubic3D c3;
        for (int k = 0; k < 4; ++k) c3.p[k] = Vec3{piece.p[k].x, piece.p[k].y, elevation};
        segments.push_back(c3);
      }
      if (r > 0 && width > 2 * r) width = 2 * r;
    } else {
      const Vec3 p = At(from, elevation), q = At(to, elevation);
      segments.push_back(Cubic3D{{p, p, q, q}});
    }
  }
  return Single(SegmentPolygon(transform, segments, extrusion, closed));
}

ObjectChain MakeFittedPolyline(const ImportMatrix* transform, std::span<const LoadingVertex> vertices,
                               std::uint32_t flags, std::uint32_t curveType, const double* elevation,
                               const Vec3& extrusion) {
  const bool closed = (flags & 1) != 0;
  auto point = [&](const LoadingVertex& v) { return elevation ? At(v, *elevation) : v.point; };
  if ((curveType == 5 || curveType == 6) && (flags & 4) != 0) {
    std::vector<Vec3> controls;
    for (const LoadingVertex& v : vertices) {
      if ((v.flags & 8) == 0) controls.push_back(point(v));
    }
    if (controls.size() >= 2) {
      std::vector<Cubic3D> segments;
      const int n = int(controls.size());
      if (curveType == 6) {
        SplineToBeziers(segments, controls, closed);
      } else if (n == 2) {
        segments.push_back(Cubic3D{{controls[0], controls[0], controls[1], controls[1]}});
      } else if (closed) {
        for (int i = 0; i < n; ++i) AddQuadraticSpan(segments, controls, i - 1, i, i, i + 1, i);
      } else {
        for (int j = 1; j <= n - 2; ++j) {
          AddQuadraticSpan(segments, controls, j == 1 ? 0 : j, j - 1, j, j + 1, j + 2 == n ? j + 1 : j);
        }
      }
      return Single(SegmentPolygon(transform, segments, extrusion, closed));
    }
  }
  std::vector<Vec3> fitted;
  for (const LoadingVertex& v : vertices) {
    if ((v.flags & 8) != 0) fitted.push_back(point(v));
  }
  if (fitted.size() >= 2) {
    std::unique_ptr<cPolygon> polygon = PointPolygon(transform, fitted, extrusion, closed);
    polygon->FirstList().SetCurveKind(1);
    return Single(std::move(polygon));
  }
  if (elevation) {
    double width = 0;
    return MakeBulgePolyline(transform, vertices, *elevation, width, extrusion, closed);
  }
  return Make3dPolyline(transform, vertices, closed, extrusion);
}

ObjectChain Make3dPolyline(const ImportMatrix* transform, std::span<const LoadingVertex> vertices, bool closed,
                           const Vec3& extrusion) {
  std::vector<Vec3> points;
  points.reserve(vertices.size());
  for (const LoadingVertex& v : vertices) points.push_back(v.point);
  return Single(PointPolygon(transform, points, extrusion, closed));
}

ObjectChain MakePolygonMesh(const ImportMatrix* transform, std::span<const LoadingVertex> vertices, std::int32_t m,
                            std::int32_t n, const Vec3& extrusion, std::uint32_t flags) {
  if (m < 1 || n < 1) return ObjectChain();
  // Only the rows the vertices fill: the counts come from the file and need
  // not match what follows them.
  const std::int64_t count = std::int64_t(vertices.size());
  const std::int64_t rows = std::min<std::int64_t>(m, count / n);
  const std::int64_t cols = n;
  const bool closedM = (flags & 1) != 0, closedN = (flags & 0x20) != 0;
  ObjectChain chain;
  auto vertex = [&](std::int64_t i, std::int64_t j) { return vertices[std::size_t(i * cols + j)].point; };
  for (std::int64_t i = 0; i < rows; ++i) {
    for (std::int64_t j = 0; j < cols; ++j) {
      if (j + 1 < cols) {
        AppendEdge(chain, transform, vertex(i, j), vertex(i, j + 1), extrusion);
      } else if (closedN && cols > 1) {
        AppendEdge(chain, transform, vertex(i, j), vertex(i, 0), extrusion);
      }
      if (i + 1 < rows) {
        AppendEdge(chain, transform, vertex(i, j), vertex(i + 1, j), extrusion);
      } else if (closedM && rows > 1) {
        AppendEdge(chain, transform, vertex(i, j), vertex(0, j), extrusion);
      }
    }
  }
  return chain;
}

ObjectChain MakePolyfaceMesh(const ImportMatrix* transform, std::span<const LoadingVertex> vertices,
                             std::span<const LoadingVertex> faces, const Vec3& extrusion) {
  // Drawn edges as a set of vertex pairs (smaller index first): the memory
  // grows with the edges drawn, not with the square of the vertex count.
  std::unordered_set<std::uint64_t> drawn;
  const std::int64_t count = std::int64_t(vertices.size());
  ObjectChain chain;
  for (const LoadingVertex& face : faces) {
    const int corners = face.index[3] != 0 ? 4 : 3;
    for (int k = 0; k < corners; ++k) {
      const std::int64_t from = face.index[k];
      const std::int64_t to = std::abs(std::int64_t(face.index[(k + 1) % corners]));
      if (from <= 0) continue;  // invisible or absent
      if (from > count || to < 1 || to > count) continue;
      const std::uint64_t key = std::uint64_t(std::min(from, to)) << 32 | std::uint64_t(std::max(from, to));
      if (!drawn.insert(key).second) continue;
      AppendEdge(chain, transform, vertices[std::size_t(from - 1)].point, vertices[std::size_t(to - 1)].point,
                 extrusion);
    }
  }
  return chain;
}

}  // namespace kvn
