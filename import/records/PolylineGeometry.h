// The segment geometry of imported polylines: bulged 2-D polylines,
// curve-fitted and spline-fitted ones, straight 3-D polylines, polygon
// meshes and polyface meshes. Points are given in the OCS of the entity's
// extrusion; every routine maps them through OcsToWcs and then, with a
// transform, ImportMatrix::TransformTo2D (y negated, 3-D counter); without
// one the objects keep 3-D points for the view survey.
//
// Vertex flags: bit 3 (0x08) a vertex made by spline fitting, bit 6 (0x40)
// a polyface vertex (clear on its face records). Face indexes are 1-based;
// a negative one makes the edge that starts there invisible; 0 is absent.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "foundation/Vec3.h"
#include "model/Cubic.h"
#include "model/ObjectChain.h"

namespace kvn {

class ImportMatrix;

struct LoadingVertex {
  Vec3 point;
  double bulge = 0.0;
  std::uint32_t flags = 0;
  double width = 0.0;
  std::int16_t index[4] = {0, 0, 0, 0};
};

// Bulge arcs and straight spans; null for fewer than 2 vertices. `width` is
// capped at the diameter of the narrowest arc.
ObjectChain MakeBulgePolyline(const ImportMatrix* transform, std::span<const LoadingVertex> vertices,
                              double elevation, double& width, const Vec3& extrusion, bool closed);
// Quadratic (curve type 5) and cubic (6) B-splines over the control vertices,
// or a smooth curve through the fitted ones; else the plain polyline. A null
// elevation means a 3-D polyline.
ObjectChain MakeFittedPolyline(const ImportMatrix* transform, std::span<const LoadingVertex> vertices,
                               std::uint32_t flags, std::uint32_t curveType, const double* elevation,
                               const Vec3& extrusion);
ObjectChain Make3dPolyline(const ImportMatrix* transform, std::span<const LoadingVertex> vertices, bool closed,
                           const Vec3& extrusion);
// M rows of N vertices, as many rows as the vertices fill (a short last row
// is dropped); closed in M by flag bit 0, in N by bit 5 (0x20).
ObjectChain MakePolygonMesh(const ImportMatrix* transform, std::span<const LoadingVertex> vertices, std::int32_t m,
                            std::int32_t n, const Vec3& extrusion, std::uint32_t flags);
// One edge object per visible edge; an edge two faces share is drawn once.
ObjectChain MakePolyfaceMesh(const ImportMatrix* transform, std::span<const LoadingVertex> vertices,
                             std::span<const LoadingVertex> faces, const Vec3& extrusion);

// The quadratic span from midpoint(a, b) to midpoint(d, e) with control c,
// raised to a cubic; indexes wrap by one period.
void AddQuadraticSpan(std::vector<Cubic3D>& out, std::span<const Vec3> points, int a, int b, int c, int d, int e);

}  // namespace kvn
