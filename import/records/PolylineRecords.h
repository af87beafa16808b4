// The import records of point sequences.
//
// cLoadingPolygon: POLYLINE (2-D and 3-D polylines, polygon and polyface
// meshes), LWPOLYLINE, MLINE elements, closed 3DFACE outlines, straight LEADER
// paths and MLEADER leader lines. Polyline flags (group 70): bit 0 closed,
// bit 2 spline-fit vertices added, bit 3 3-D polyline, bit 4 polygon mesh,
// bit 5 mesh closed in N, bit 6 polyface mesh. The geometry is that of
// PolylineGeometry.h.
//
// cLoadingSpline: SPLINE and curved LEADER paths. Through points (fit points
// or leader vertices) become a smooth curve through them; control points the
// B-spline of SplineBeziers.h: the true curve when degree, knots and weights
// make one, the uniform rule otherwise. Spline and leader points are world
// coordinates (their group 210 is the plane's normal, not an OCS).
//
// Spool form after the base:
//   cLoadingPolygon  flags (4), curve type (4), default width (8), elevation
//                    (8), mesh M (4), mesh N (4); then the vertices and the
//                    face records, each a count and 56-byte vertex records
//                    (point 24, bulge 8, flags 4, zero 4, width 8, four
//                    16-bit indexes), so that a spooled polyline keeps them.
//   cLoadingSpline   through-points byte and 3 zero bytes, flags (4), start
//                    tangent (24), end tangent (24); then the point count and
//                    the points (24 each), the degree (4), the knot count and
//                    knots, the weight count and weights.
#pragma once

#include <cstdint>
#include <vector>

#include "import/records/PolylineGeometry.h"
#include "import/records/cOneObjRec.h"

namespace kvn {

class cLoadingPolygon : public SpooledRecord<cLoadingPolygon> {
 public:
  cLoadingPolygon() = default;
  // Mesh counts from groups 71 and 72 of the record.
  cLoadingPolygon(double defaultWidth, std::uint32_t flags, std::uint32_t curveType, const YxxfGroupRecord* record,
                  double elevation, std::uint16_t code);
  // In a polyface mesh a vertex whose own bit 6 is clear is a face record.
  void AddVertex(const LoadingVertex& vertex);
  // The polyline width: the default width, or the mean of the vertex widths when it is 0.0.
  double Width() const;
  ObjectChain MakeObject(const ImportMatrix* transform, YxxfReader* reader, void* unused) const override;
  RecordKind Kind() const override { return RecordKind::Polygon; }
  template <class Self, class V>
  static void Fields(Self& r, V&& v) {
    v(r.flags);
    v(r.curveType);
    v(r.defaultWidth);
    v(r.elevation);
    v(r.meshM);
    v(r.meshN);
  }

  std::uint32_t flags = 0;
  std::uint32_t curveType = 0;
  double defaultWidth = 0.0;
  double elevation = 0.0;
  std::int32_t meshM = 0;
  std::int32_t meshN = 0;
  std::vector<LoadingVertex> vertices;
  std::vector<LoadingVertex> faces;

 protected:
  void WriteExtra(OutFileStream& out) const override;
  bool ReadExtra(InFileStream& in) override;
};

class cLoadingSpline : public SpooledRecord<cLoadingSpline> {
 public:
  cLoadingSpline() = default;
  // Flags 70, tangents 12 and 13; the points (and knots) come from the dispatcher.
  cLoadingSpline(const YxxfGroupRecord* record, std::uint16_t code);
  ObjectChain MakeObject(const ImportMatrix* transform, YxxfReader* reader, void* unused) const override;
  RecordKind Kind() const override { return RecordKind::Spline; }
  template <class Self, class V>
  static void Fields(Self& r, V&& v) {
    v(r.throughPoints);
    v(SpoolPad{3});
    v(r.flags);
    v(r.startTangent);
    v(r.endTangent);
  }

  std::uint8_t throughPoints = 0;
  std::uint32_t flags = 0;
  Vec3 startTangent;
  Vec3 endTangent;
  std::vector<Vec3> points;
  // Degree 71, knots 40, weights 41 (none for a polynomial spline).
  std::int32_t degree = 3;
  std::vector<double> knots;
  std::vector<double> weights;

 protected:
  void WriteExtra(OutFileStream& out) const override;
  bool ReadExtra(InFileStream& in) override;
};

}  // namespace kvn
