// Polylines and splines: the segment routines (bulges, widths, fitted
// curves, meshes and polyface meshes), the records with their dispatch rows,
// and their spool form.
#include "import/records/PolylineRecords.h"

#include <gtest/gtest.h>

#include <cmath>

#include "import/records/ImportMatrix.h"
#include "import/records/YxxfReader.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "tests/import/ImportTestSupport.h"
#include "tests/import/ScriptedRecords.h"
#include "tests/import/SpoolTestSupport.h"

namespace kvn {
namespace {

const Vec3 kUp{0, 0, 1};

std::vector<LoadingVertex> Vertices(std::initializer_list<std::pair<Vec3, double>> points) {
  std::vector<LoadingVertex> out;
  for (auto [p, bulge] : points) {
    LoadingVertex v;
    v.point = p;
    v.bulge = bulge;
    out.push_back(v);
  }
  return out;
}

cPolygon* AsPolygon(const ObjectChain& c) { return dynamic_cast<cPolygon*>(c.Head()); }

TEST(PolylineGeometryTest, BulgesMakeArcsThroughTheirMiddle) {
  ImportMatrix identity;
  double width = 0;
  ObjectChain up = MakeBulgePolyline(&identity, Vertices({{{1, 0, 0}, 1.0}, {{-1, 0, 0}, 0}}), 0, width, kUp, false);
  ASSERT_TRUE(AsPolygon(up));
  const PointList& list = AsPolygon(up)->FirstList();
  ASSERT_EQ(list.GetCurveKind(), 3);
  ASSERT_EQ(list.Count(), 7u);  // two quarters
  // Drawing y points down: (0, 1) comes out as (0, -1).
  EXPECT_NEAR(list.Points()[3].x, 0, 1e-12);
  EXPECT_NEAR(list.Points()[3].y, -1, 1e-12);

  ObjectChain down = MakeBulgePolyline(&identity, Vertices({{{1, 0, 0}, -1.0}, {{-1, 0, 0}, 0}}), 0, width, kUp, false);
  EXPECT_NEAR(AsPolygon(down)->FirstList().Points()[3].y, 1, 1e-12);

  // Without a transform the outline keeps 3-D points at the elevation.
  ObjectChain survey = MakeBulgePolyline(nullptr, Vertices({{{1, 0, 0}, 1.0}, {{-1, 0, 0}, 0}}), 7, width, kUp, false);
  const PointList& s = AsPolygon(survey)->FirstList();
  EXPECT_NEAR(s.Get3DPoint(3).y, 1, 1e-12);
  EXPECT_EQ(s.Get3DPoint(3).z, 7);

  // Width 5 over an arc of radius 1 comes back as 2.
  width = 5;
  ObjectChain capped = MakeBulgePolyline(&identity, Vertices({{{1, 0, 0}, 1.0}, {{-1, 0, 0}, 0}}), 0, width, kUp, false);
  EXPECT_DOUBLE_EQ(width, 2.0);
}

TEST(PolylineGeometryTest, StraightSpansLinesAndClosedLists) {
  ImportMatrix identity;
  double width = 0;
  // A bulge on a span of zero length draws nothing curved.
  ObjectChain flat =
      MakeBulgePolyline(&identity, Vertices({{{1, 1, 0}, 0.5}, {{1, 1, 0}, 0}, {{3, 1, 0}, 0}}), 0, width, kUp, false);
  ASSERT_TRUE(AsPolygon(flat));
  EXPECT_EQ(AsPolygon(flat)->FirstList().GetCurveKind(), 0);
  EXPECT_EQ(AsPolygon(flat)->FirstList().Count(), 3u);

  auto two = Vertices({{{0, 0, 0}, 0}, {{4, 3, 0}, 0}});
  ObjectChain line = MakeBulgePolyline(&identity, two, 0, width, kUp, false);
  auto* l = dynamic_cast<cLine*>(line.Head());
  ASSERT_TRUE(l);
  EXPECT_EQ(l->end.x, 4);
  EXPECT_EQ(l->end.y, -3);
  ObjectChain closed = MakeBulgePolyline(&identity, two, 0, width, kUp, true);
  ASSERT_TRUE(AsPolygon(closed));
  EXPECT_TRUE(AsPolygon(closed)->FirstList().IsClosed());
  EXPECT_EQ(AsPolygon(closed)->FirstList().Count(), 2u);

  auto square = Vertices({{{0, 0, 0}, 0}, {{1, 0, 0}, 0}, {{1, 1, 0}, 0}, {{0, 1, 0}, 0}});
  ObjectChain sq = MakeBulgePolyline(&identity, square, 0, width, kUp, true);
  ASSERT_TRUE(AsPolygon(sq));
  EXPECT_EQ(AsPolygon(sq)->FirstList().Count(), 4u);
  EXPECT_TRUE(AsPolygon(sq)->FirstList().IsClosed());
  EXPECT_FALSE(MakeBulgePolyline(&identity, std::span(square.data(), 1), 0, width, kUp, false));
}

TEST(PolylineGeometryTest, QuadraticAndCubicSplineFits) {
  std::vector<Cubic3D> out;
  const Vec3 q[] = {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}};
  AddQuadraticSpan(out, q, 0, 0, 1, 2, 2);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NEAR(out[0].p[1].x, 2.0 / 3, 1e-15);
  EXPECT_NEAR(out[0].p[1].y, 2.0 / 3, 1e-15);
  EXPECT_NEAR(out[0].p[2].x, 4.0 / 3, 1e-15);
  EXPECT_NEAR(out[0].p[2].y, 2.0 / 3, 1e-15);
  // Indexes wrap by one period.
  AddQuadraticSpan(out, q, -1, 0, 0, 3, 3);
  EXPECT_EQ(out[1].p[0].x, 1);
  EXPECT_EQ(out[1].p[3].x, 0);

  // Curve type 5 with the spline-fit flag: the control vertices only.
  auto vertices = Vertices({{{0, 0, 0}, 0}, {{1, 1, 0}, 0}, {{2, 0, 0}, 0}, {{9, 9, 0}, 0}});
  vertices[3].flags = 8;
  double z = 0;
  ObjectChain quad = MakeFittedPolyline(nullptr, vertices, 4, 5, &z, kUp);
  ASSERT_TRUE(AsPolygon(quad));
  const PointList& list = AsPolygon(quad)->FirstList();
  ASSERT_EQ(list.Count3D(), 4u);
  EXPECT_NEAR(list.Get3DPoint(1).x, 2.0 / 3, 1e-15);
  EXPECT_NEAR(list.Get3DPoint(2).x, 4.0 / 3, 1e-15);
  EXPECT_EQ(list.Get3DPoint(3).x, 2);

  // Curve-fitted vertices (flag 8) form a smooth curve through them.
  for (auto& v : vertices) v.flags = 8;
  ObjectChain fit = MakeFittedPolyline(nullptr, vertices, 2, 0, nullptr, kUp);
  ASSERT_TRUE(AsPolygon(fit));
  EXPECT_EQ(AsPolygon(fit)->FirstList().GetCurveKind(), 1);
  EXPECT_EQ(AsPolygon(fit)->FirstList().Count3D(), 4u);
}

TEST(PolylineGeometryTest, PolyfaceEdgesDrawnOnceAndIndexesChecked) {
  auto vertices = Vertices({{{0, 0, 0}, 0}, {{1, 0, 0}, 0}, {{1, 1, 0}, 0}, {{0, 1, 0}, 0}});
  std::vector<LoadingVertex> faces(4);
  auto face = [](LoadingVertex& f, std::int16_t a, std::int16_t b, std::int16_t c, std::int16_t d) {
    f.flags = 128;
    f.index[0] = a, f.index[1] = b, f.index[2] = c, f.index[3] = d;
  };
  face(faces[0], 1, 2, 3, 0);       // edges 1-2, 2-3, 3-1
  face(faces[1], 1, 3, -4, 0);      // 1-3 shared: once; 3-4 drawn; 4-1 starts invisible
  face(faces[2], 2, 30000, 3, 0);   // only 3-2, already drawn; 30000 names no vertex
  face(faces[3], -32768, 4, 1, 2);  // 4-1, 1-2 (drawn), 2-x: invisible start skipped
  ImportMatrix identity;
  ObjectChain edges = MakePolyfaceMesh(&identity, vertices, faces, kUp);
  EXPECT_EQ(edges.Count(), 5u);
  for (cOutObj* o = edges.Head(); o; o = o->next) EXPECT_TRUE(dynamic_cast<cLine*>(o));
  ObjectChain survey = MakePolyfaceMesh(nullptr, vertices, faces, kUp);
  EXPECT_EQ(survey.Count(), 5u);
  EXPECT_TRUE(AsPolygon(survey));
}

TEST(PolylineGeometryTest, PolygonMeshUsesOnlyTheRowsPresent) {
  std::vector<LoadingVertex> grid;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) grid.push_back(Vertices({{{double(j), double(i), 0}, 0}})[0]);
  }
  ImportMatrix identity;
  // 3 x 3 open: 6 row edges and 6 column edges.
  EXPECT_EQ(MakePolygonMesh(&identity, grid, 3, 3, kUp, 0).Count(), 12u);
  // Closed both ways: every vertex has its two edges.
  EXPECT_EQ(MakePolygonMesh(&identity, grid, 3, 3, kUp, 0x21).Count(), 18u);
  // Counts far beyond the vertices: only the full rows.
  EXPECT_EQ(MakePolygonMesh(&identity, std::span(grid.data(), 7), 1000000, 3, kUp, 0).Count(), 7u);
  EXPECT_EQ(MakePolygonMesh(&identity, grid, 2000000000, 2000000000, kUp, 1).Count(), 0u);
  EXPECT_FALSE(MakePolygonMesh(&identity, grid, 0, 3, kUp, 0));
}

class PolylineDispatchTest : public ::testing::Test {
 protected:
  void Send(const char* name, std::initializer_list<G> items) {
    Fill(record, items);
    reader.DispatchSection(record, name, YxxfSection::Entities);
  }
  template <class T>
  T* Entity(std::uint32_t i) {
    return i < reader.defaultBlock.entities.Count() ? dynamic_cast<T*>(reader.defaultBlock.entities[i]) : nullptr;
  }
  YxxfGroupRecord record;
  YxxfReader reader{WString(u"test.dxf"), 1};
  ImportMatrix identity;
};

TEST_F(PolylineDispatchTest, WidthsAndPolyfaceVertices) {
  Send("POLYLINE", {{70, 0}});
  Send("VERTEX", {{10, 0.0}, {20, 0.0}, {40, 1.0}, {41, 1.0}});
  Send("VERTEX", {{10, 5.0}, {20, 0.0}, {40, 3.0}, {41, 3.0}});
  Send("SEQEND", {});
  Send("LWPOLYLINE", {{90, 2}, {43, 0.5}, {10, 0.0}, {20, 0.0}, {40, 7.0}, {10, 1.0}, {20, 1.0}, {42, 0.0}});
  Send("POLYLINE", {{70, 64}});
  Send("VERTEX", {{70, 192}, {10, 1.0}});
  Send("VERTEX", {{70, 192}, {10, 2.0}});
  Send("VERTEX", {{70, 128}, {71, 1}, {72, -2}});
  Send("SEQEND", {});
  Send("VERTEX", {{10, 1.0}});

  auto* polyline = Entity<cLoadingPolygon>(0);
  ASSERT_TRUE(polyline);
  EXPECT_DOUBLE_EQ(polyline->Width(), 2.0);
  ObjectChain a = polyline->MakeObject(&identity, nullptr, nullptr);
  ASSERT_TRUE(a);
  EXPECT_DOUBLE_EQ(dynamic_cast<cAnyLine*>(a.Head())->stroke.width, 2.0);
  auto* lw = Entity<cLoadingPolygon>(1);
  ASSERT_TRUE(lw);
  EXPECT_EQ(lw->vertices.size(), 2u);
  ObjectChain b = lw->MakeObject(&identity, nullptr, nullptr);
  EXPECT_DOUBLE_EQ(dynamic_cast<cAnyLine*>(b.Head())->stroke.width, 0.5);
  auto* face = Entity<cLoadingPolygon>(2);
  ASSERT_TRUE(face);
  EXPECT_EQ(face->vertices.size(), 2u);
  ASSERT_EQ(face->faces.size(), 1u);
  EXPECT_EQ(face->faces[0].index[1], -2);
  EXPECT_EQ(reader.statistics.Dropped("VERTEX", DropReason::VertexOutsidePolyline), 1u);
}

TEST_F(PolylineDispatchTest, FitPointSplinesAndCurvedLeaders) {
  // Same ends, different tangents: open, the point repeated.
  Send("SPLINE", {{74, 3}, {73, 0}, {12, 1.0}, {11, 0.0}, {21, 0.0}, {11, 1.0}, {21, 1.0}, {11, 0.0}, {21, 0.0}});
  // Same ends, no tangents: closed, the point once.
  Send("SPLINE", {{74, 3}, {73, 0}, {11, 0.0}, {21, 0.0}, {11, 1.0}, {21, 1.0}, {11, 0.0}, {21, 0.0}});
  Send("LEADER", {{72, 1}, {76, 3}, {10, 0.0}, {20, 0.0}, {10, 1.0}, {20, 2.0}, {10, 3.0}, {20, 2.0}});
  Send("LEADER", {{72, 0}, {76, 2}, {10, 0.0}, {20, 0.0}, {10, 1.0}, {20, 2.0}, {10, 3.0}, {20, 2.0}});
  Send("SPLINE", {{74, 1}, {73, 0}, {11, 0.0}, {21, 0.0}});
  const std::uint32_t counts[] = {3, 2, 3};
  const bool closed[] = {false, true, false};
  for (std::uint32_t i = 0; i < 3; ++i) {
    auto* spline = Entity<cLoadingSpline>(i);
    ASSERT_TRUE(spline) << i;
    EXPECT_EQ(spline->throughPoints, 1);
    ObjectChain c = spline->MakeObject(&identity, nullptr, nullptr);
    ASSERT_TRUE(AsPolygon(c)) << i;
    EXPECT_EQ(AsPolygon(c)->FirstList().GetCurveKind(), 1) << i;
    EXPECT_EQ(AsPolygon(c)->FirstList().Count(), counts[i]) << i;
    EXPECT_EQ(AsPolygon(c)->FirstList().IsClosed(), closed[i]) << i;
  }
  auto* straight = Entity<cLoadingPolygon>(3);
  ASSERT_TRUE(straight);
  EXPECT_EQ(straight->vertices.size(), 2u);
  // A single point makes no curve: the spline is counted as lost, not kept to make nothing.
  EXPECT_FALSE(Entity<cLoadingSpline>(4));
  EXPECT_EQ(reader.statistics.Lost("SPLINE", LossReason::DamagedCount), 1u);
}

TEST_F(PolylineDispatchTest, ControlPointSplinesUseTheirKnots) {
  // A circle of radius 2 stored as a rational quadratic spline.
  const double s = std::sqrt(0.5);
  Fill(record, {{71, 2}, {72, 12}, {73, 9}});
  for (double k : {0.0, 0.0, 0.0, 0.25, 0.25, 0.5, 0.5, 0.75, 0.75, 1.0, 1.0, 1.0}) record.AddDouble(40, k);
  const double xy[9][2] = {{2, 0}, {2, 2}, {0, 2}, {-2, 2}, {-2, 0}, {-2, -2}, {0, -2}, {2, -2}, {2, 0}};
  for (int i = 0; i < 9; ++i) {
    record.AddDouble(10, xy[i][0]);
    record.AddDouble(20, xy[i][1]);
    record.AddDouble(30, 0.0);
    record.AddDouble(41, i % 2 ? s : 1.0);
  }
  reader.DispatchSection(record, "SPLINE", YxxfSection::Entities);
  auto* spline = Entity<cLoadingSpline>(0);
  ASSERT_TRUE(spline);
  EXPECT_EQ(spline->knots.size(), 12u);
  EXPECT_EQ(spline->weights.size(), 9u);
  ObjectChain c = spline->MakeObject(&identity, nullptr, nullptr);
  ASSERT_TRUE(AsPolygon(c));
  for (const DPoint& p : AsPolygon(c)->FirstList().Points()) EXPECT_NEAR(std::hypot(p.x, p.y), 2.0, 0.01);
  // Knots that make no curve: the poles by the uniform rule.
  spline->knots.pop_back();
  ObjectChain u = spline->MakeObject(&identity, nullptr, nullptr);
  ASSERT_TRUE(AsPolygon(u));
  EXPECT_EQ(AsPolygon(u)->FirstList().Points()[1].x, 2);
  EXPECT_EQ(AsPolygon(u)->FirstList().Points()[1].y, -2);

  std::unique_ptr<cOneObjRec> back = SpoolRoundTrip(*spline);
  auto* b = dynamic_cast<cLoadingSpline*>(back.get());
  ASSERT_TRUE(b);
  EXPECT_EQ(b->points.size(), 9u);
  EXPECT_EQ(b->knots.size(), 11u);
  EXPECT_EQ(b->weights.size(), 9u);
  EXPECT_EQ(b->degree, 2);
}

TEST_F(PolylineDispatchTest, MultilineElementsAndSpoolForms) {
  // Two vertices, two elements offset by +1 and -1 along the miter.
  Send("MLINE", {{71, 2}, {72, 2}, {73, 2}, {11, 0.0}, {21, 0.0}, {13, 0.0}, {23, 1.0}, {74, 1}, {41, 1.0}, {74, 1},
                 {41, -1.0}, {11, 5.0}, {21, 0.0}, {13, 0.0}, {23, 1.0}, {74, 1}, {41, 1.0}, {74, 1}, {41, -1.0}});
  Send("MLINE", {{73, 2}});
  Send("MLINE", {{72, 1}, {73, 2000000000}, {11, 0.0}, {74, 1}, {41, 1.0}});
  ASSERT_EQ(reader.defaultBlock.entities.Count(), 3u);
  auto* upper = Entity<cLoadingPolygon>(0);
  auto* lower = Entity<cLoadingPolygon>(1);
  ASSERT_TRUE(upper && lower);
  ASSERT_EQ(upper->vertices.size(), 2u);
  EXPECT_EQ(upper->vertices[1].point, (Vec3{5, 1, 0}));
  EXPECT_EQ(lower->vertices[1].point, (Vec3{5, -1, 0}));
  EXPECT_EQ(upper->flags & 1, 1u);
  EXPECT_EQ(reader.statistics.Dropped("MLINE", DropReason::NoGeometry), 1u);

  upper->meshM = 3;
  upper->faces.push_back(upper->vertices[0]);
  upper->faces[0].index[2] = -7;
  std::unique_ptr<cOneObjRec> back = SpoolRoundTrip(*upper);
  auto* b = dynamic_cast<cLoadingPolygon*>(back.get());
  ASSERT_TRUE(b);
  EXPECT_EQ(b->vertices.size(), 2u);
  EXPECT_EQ(b->faces[0].index[2], -7);
  EXPECT_EQ(b->meshM, 3);
  EXPECT_EQ(b->vertices[1].point, (Vec3{5, 1, 0}));
}

}  // namespace
}  // namespace kvn
