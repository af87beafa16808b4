#include "import/records/PolylineRecords.h"

#include <algorithm>

#include "import/records/ImportMatrix.h"
#include "import/records/ImportObjects.h"
#include "import/records/SpoolStream.h"
#include "import/records/SplineBeziers.h"
#include "import/records/YxxfGroupRecord.h"
#include "model/cAnyLine.h"
#include "model/cPolygon.h"

namespace kvn {

namespace {

constexpr std::uint32_t kVertexBytes = 56;

void WriteVertices(SpoolWriter& w, const std::vector<LoadingVertex>& list) {
  w.U32(std::uint32_t(list.size()));
  for (const LoadingVertex& v : list) {
    w.Point(v.point);
    w.F64(v.bulge);
    w.U32(v.flags);
    w.U32(0);
    w.F64(v.width);
    for (std::int16_t i : v.index) {
      w.U8(std::uint8_t(i));
      w.U8(std::uint8_t(std::uint16_t(i) >> 8));
    }
  }
}

bool ReadVertices(SpoolReader& r, std::vector<LoadingVertex>& list) {
  std::uint32_t n = r.Count(kVertexBytes);
  list.assign(n, LoadingVertex{});
  for (LoadingVertex& v : list) {
    v.point = r.Point();
    v.bulge = r.F64();
    v.flags = r.U32();
    r.U32();
    v.width = r.F64();
    for (std::int16_t& i : v.index) {
      const std::uint16_t low = r.U8();
      i = std::int16_t(low | std::uint16_t(r.U8()) << 8);
    }
  }
  return r.Ok();
}

void WriteDoubles(SpoolWriter& w, const std::vector<double>& list) {
  w.U32(std::uint32_t(list.size()));
  for (double d : list) w.F64(d);
}

bool ReadDoubles(SpoolReader& r, std::vector<double>& list) {
  list.assign(r.Count(8), 0.0);
  for (double& d : list) d = r.F64();
  return r.Ok();
}

}  // namespace

// ---- polylines ----

cLoadingPolygon::cLoadingPolygon(double width, std::uint32_t polylineFlags, std::uint32_t curve,
                                 const YxxfGroupRecord* record, double z, std::uint16_t code)
    : SpooledRecord(record, code), flags(polylineFlags), curveType(curve), defaultWidth(width), elevation(z) {
  if (record) {
    meshM = std::int32_t(record->GetInt(71));
    meshN = std::int32_t(record->GetInt(72));
  }
}

void cLoadingPolygon::AddVertex(const LoadingVertex& vertex) {
  if ((flags & 0x40) != 0 && (vertex.flags & 0x40) == 0) {
    faces.push_back(vertex);
  } else {
    vertices.push_back(vertex);
  }
}

double cLoadingPolygon::Width() const {
  if (defaultWidth != 0.0 || vertices.empty()) return defaultWidth;
  double sum = 0;
  for (const LoadingVertex& v : vertices) sum += v.width;
  return sum / double(vertices.size());
}

ObjectChain cLoadingPolygon::MakeObject(const ImportMatrix* transform, YxxfReader*, void*) const {
  double width = Width();
  // A polyface mesh none of whose vertices is a mesh vertex or names a
  // corner has damaged flags (a million, say): its vertices are a polyline's.
  const bool faceless = (flags & 0x40) && vertices.empty() &&
                        std::all_of(faces.begin(), faces.end(), [](const LoadingVertex& v) {
                          return v.index[0] == 0 && v.index[1] == 0 && v.index[2] == 0 && v.index[3] == 0;
                        });
  const std::uint32_t shape = faceless ? flags & ~0x50u : flags;
  const std::span<const LoadingVertex> points = faceless ? faces : vertices;
  ObjectChain chain;
  if (shape & 0x08) {
    chain = curveType == 0 ? Make3dPolyline(transform, points, (shape & 1) != 0, extrusion)
                           : MakeFittedPolyline(transform, points, shape, curveType, nullptr, extrusion);
  } else if (shape & 0x10) {
    chain = MakePolygonMesh(transform, points, meshM, meshN, extrusion, shape);
  } else if (shape & 0x40) {
    chain = MakePolyfaceMesh(transform, points, faces, extrusion);
  } else if (curveType == 0) {
    chain = MakeBulgePolyline(transform, points, elevation, width, extrusion, (shape & 1) != 0);
  } else {
    chain = MakeFittedPolyline(transform, points, shape, curveType, &elevation, extrusion);
  }
  for (cOutObj* o = chain.Head(); o; o = o->next) {
    if (cAnyLine* line = o->AsAnyLine()) {
      SetImportPen(*line);
      line->stroke.width = width;
    }
  }
  return chain;
}

void cLoadingPolygon::WriteExtra(OutFileStream& out) const {
  SpoolWriter w(out);
  WriteVertices(w, vertices);
  WriteVertices(w, faces);
}

bool cLoadingPolygon::ReadExtra(InFileStream& in) {
  SpoolReader r(in);
  return ReadVertices(r, vertices) && ReadVertices(r, faces);
}

// ---- splines ----

cLoadingSpline::cLoadingSpline(const YxxfGroupRecord* record, std::uint16_t code) : SpooledRecord(record, code) {
  if (!record) return;
  flags = std::uint32_t(record->GetInt(70));
  startTangent = record->GetPoint3(12);
  endTangent = record->GetPoint3(13);
}

ObjectChain cLoadingSpline::MakeObject(const ImportMatrix* transform, YxxfReader*, void*) const {
  if (throughPoints) {
    if (points.size() < 2) return ObjectChain();
    const bool closed = startTangent == endTangent && points.front() == points.back();
    std::span<const Vec3> used(points);
    if (closed) used = used.subspan(1);
    std::unique_ptr<cPolygon> polygon = PointPolygon(transform, used, Vec3{0, 0, 1}, closed);
    polygon->FirstList().SetCurveKind(1);
    return Single(std::move(polygon));
  }
  if (points.empty()) return ObjectChain();
  const bool closed = (flags & 1) != 0;
  std::vector<Cubic3D> segments;
  if (!BSplineToBeziers(segments, degree, knots, weights, points)) SplineToBeziers(segments, points, closed);
  if (segments.empty()) return ObjectChain();
  return Single(SegmentPolygon(transform, segments, Vec3{0, 0, 1}, closed));
}

void cLoadingSpline::WriteExtra(OutFileStream& out) const {
  SpoolWriter w(out);
  w.U32(std::uint32_t(points.size()));
  for (const Vec3& p : points) w.Point(p);
  w.U32(std::uint32_t(degree));
  WriteDoubles(w, knots);
  WriteDoubles(w, weights);
}

bool cLoadingSpline::ReadExtra(InFileStream& in) {
  SpoolReader r(in);
  points.assign(r.Count(24), Vec3{});
  for (Vec3& p : points) p = r.Point();
  degree = std::int32_t(r.U32());
  return ReadDoubles(r, knots) && ReadDoubles(r, weights);
}

}  // namespace kvn
