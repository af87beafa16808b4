// Imported hatches: arc edges, ellipse parameters, pattern lines (bounded
// whatever the file claims), the predefined patterns, the join of loops, and
// the hatch record with its shared fill styles and spool form.
#include "import/records/HatchRecord.h"

#include <gtest/gtest.h>

#include <cmath>

#include "import/records/HatchGeometry.h"
#include "import/records/ImportMatrix.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "model/ClosedListJoin.h"
#include "model/cPolygon.h"
#include "model/cStyleFill.h"
#include "tests/import/ImportTestSupport.h"
#include "tests/import/ScriptedRecords.h"
#include "tests/import/SpoolTestSupport.h"

namespace kvn {
namespace {

constexpr double kPi = 3.14159265358979323846;

void ExpectNear(const DPoint& p, double x, double y, double e = 1e-12) {
  EXPECT_NEAR(p.x, x, e);
  EXPECT_NEAR(p.y, y, e);
}

TEST(HatchArcTest, QuartersRemaindersAndClockwise) {
  CubicArray full;
  ArcEdgeToBeziers(ArcEdge{1, 2, 3, 3, 0, 360}, true, full, 0, false);
  ASSERT_EQ(full.Count(), 4u);
  ExpectNear(full[0].p[0], 4, 2);
  ExpectNear(full[1].p[0], 1, 5);
  ExpectNear(full[3].p[3], 4, 2);

  CubicArray part;
  ArcEdgeToBeziers(ArcEdge{0, 0, 2, 2, 0, 100}, true, part, 0, false);
  ASSERT_EQ(part.Count(), 2u);
  ExpectNear(part[0].p[3], 0, 2);
  ExpectNear(part[1].p[3], 2 * std::cos(100 * kPi / 180), 2 * std::sin(100 * kPi / 180));

  // Clockwise: the mirrored arc, reversed piece by piece and point by point.
  CubicArray cw, ccw;
  ArcEdgeToBeziers(ArcEdge{0, 0, 2, 1, 30, 130}, false, cw, 20, true);
  ArcEdgeToBeziers(ArcEdge{0, 0, 2, 1, -130, -30}, false, ccw, 20, false);
  ASSERT_EQ(cw.Count(), ccw.Count());
  for (std::uint32_t i = 0; i < cw.Count(); ++i) {
    for (int k = 0; k < 4; ++k) ExpectNear(cw[i].p[k], ccw[cw.Count() - 1 - i].p[3 - k].x, ccw[cw.Count() - 1 - i].p[3 - k].y);
  }
  // A sweep from a damaged file stays bounded.
  CubicArray huge;
  ArcEdgeToBeziers(ArcEdge{0, 0, 1, 1, 0, 1e300}, true, huge, 0, false);
  EXPECT_LE(huge.Count(), 5u);
}

TEST(HatchArcTest, EllipseAngleToParameter) {
  double a = 45;
  EllipseAngleToParameter(a, 0.5);
  EXPECT_NEAR(a, std::atan(2.0) * 180 / kPi, 1e-12);
  a = 90;
  EllipseAngleToParameter(a, 0.5);
  EXPECT_NEAR(a, 90, 1e-12);
  a = 180;
  EllipseAngleToParameter(a, 0.5);
  EXPECT_NEAR(a, 180, 1e-12);
  a = 400;
  EllipseAngleToParameter(a, 1.0);
  EXPECT_NEAR(a, 400, 1e-9);
  a = -200;
  EllipseAngleToParameter(a, 1.0);
  EXPECT_NEAR(a, -200, 1e-9);
}

TEST(HatchPatternTest, LinesKeptDroppedAndBounded) {
  YxxfGroupRecord r;
  Fill(r, {{78, 5},
           // continuous: one dash, the offset's length
           {53, 45.0}, {43, 1.0}, {44, 2.0}, {45, -1.0}, {46, 1.0}, {79, 0},
           // dashed
           {53, 0.0}, {43, 0.0}, {44, 0.0}, {45, 0.0}, {46, 3.0}, {79, 2}, {49, 2.0}, {49, -1.0},
           // offset along the line: no spacing
           {53, 0.0}, {43, 0.0}, {44, 0.0}, {45, 5.0}, {46, 0.0}, {79, 1}, {49, 1.0},
           // all dashes 0
           {53, 90.0}, {43, 0.0}, {44, 0.0}, {45, 1.0}, {46, 0.0}, {79, 2}, {49, 0.0}, {49, 0.0},
           // a dash count of two billion with one dash present
           {53, 0.0}, {43, 0.0}, {44, 0.0}, {45, 0.0}, {46, 1.0}, {79, 2000000000}, {49, 4.0}});
  std::vector<OneFinalDef> lines;
  ReadHatchPatternLines(r, lines);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[0].dashes.empty());
  EXPECT_EQ(lines[0].baseY, -2);
  EXPECT_EQ(lines[0].offsetY, -1);
  ASSERT_EQ(lines[1].dashes.size(), 2u);
  EXPECT_EQ(lines[1].dashes[1], -1);
  EXPECT_TRUE(lines[2].dashes.empty());  // one dash of the full length: continuous

  // A line count far beyond the lines present stops at the first missing group.
  Fill(r, {{78, 2000000000}, {53, 0.0}, {43, 0.0}, {44, 0.0}, {45, 0.0}, {46, 1.0}, {79, 0}});
  lines.clear();
  ReadHatchPatternLines(r, lines);
  EXPECT_EQ(lines.size(), 1u);
  // Many dashes: at most the cap.
  r.Clear();
  r.AddInt(78, 1);
  r.AddDouble(53, 0);
  r.AddDouble(43, 0);
  r.AddDouble(44, 0);
  r.AddDouble(45, 0);
  r.AddDouble(46, 1);
  r.AddInt(79, 5000);
  for (int i = 0; i < 5000; ++i) r.AddDouble(49, i % 2 ? -1.0 : 1.0);
  lines.clear();
  ReadHatchPatternLines(r, lines);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].dashes.size(), kMaxPatternDashes);
}

TEST(HatchPatternTest, PredefinedTable) {
  std::vector<OneFinalDef> ansi = PredefinedHatchPattern(WString(u"ansi31"));
  ASSERT_EQ(ansi.size(), 1u);
  EXPECT_EQ(ansi[0].angle, 45);
  EXPECT_NEAR(std::hypot(ansi[0].offsetX, ansi[0].offsetY), 3.175, 1e-6);
  for (const char16_t* name : {u"ANSI32", u"ANSI38", u"ANGLE", u"BRICK", u"CROSS", u"DOTS", u"EARTH", u"GRASS",
                               u"HONEY", u"LINE", u"NET", u"SQUARE", u"STEEL", u"ZIGZAG"}) {
    EXPECT_FALSE(PredefinedHatchPattern(WString(name)).empty()) << WString(name).ToUtf8();
  }
  EXPECT_EQ(PredefinedHatchPattern(WString(u"STEEL")).size(), 8u);
  EXPECT_TRUE(PredefinedHatchPattern(WString(u"NO_SUCH")).empty());
  EXPECT_TRUE(PredefinedHatchPattern(WString(u"SOLID")).empty());
}

TEST(HatchJoinTest, FurtherLoopsHangOnBridges) {
  cPolygon p;
  const DPoint outer[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  const DPoint inner[] = {{6, 6}, {4, 6}, {4, 4}, {6, 4}};
  p.FirstList().SetPoints(outer, 4);
  p.AddList().SetPoints(inner, 4);
  p.AddList().SetClosed(false);
  CubicArray chain;
  JoinClosedLists(p, chain);
  EXPECT_TRUE(chain.closed);
  ASSERT_EQ(chain.Count(), 4u + 1 + 4 + 1);
  // Out to the inner corner nearest the start and back the same way.
  EXPECT_EQ(chain[4].Start(), (DPoint{0, 0}));
  EXPECT_EQ(chain[4].End(), (DPoint{4, 4}));
  EXPECT_EQ(chain[9].Start(), (DPoint{4, 4}));
  EXPECT_EQ(chain[9].End(), (DPoint{0, 0}));
  for (std::uint32_t i = 1; i < chain.Count(); ++i) EXPECT_EQ(chain[i].Start(), chain[i - 1].End());
}

class HatchRecordTest : public ::testing::Test {
 protected:
  std::unique_ptr<cOneHatch> Make(std::initializer_list<G> items) {
    Fill(record, items);
    return std::make_unique<cOneHatch>(&record, &reader, entity::kHatch);
  }
  YxxfGroupRecord record;
  YxxfReader reader{WString(u"h.dxf"), 1};
  ImportMatrix identity;
};

TEST_F(HatchRecordTest, SolidPolylinePathsAndBulges) {
  auto square = Make({{10, 0.0}, {20, 0.0}, {30, 2.0}, {62, 1}, {70, 1}, {91, 1}, {92, 2}, {72, 0}, {73, 1}, {93, 4},
                      {10, 0.0}, {20, 0.0}, {10, 1.0}, {20, 0.0}, {10, 1.0}, {20, 1.0}, {10, 0.0}, {20, 1.0}});
  ASSERT_EQ(square->polygons.size(), 1u);
  ObjectChain c = square->MakeObject(&identity, nullptr, nullptr);
  auto* p = dynamic_cast<cPolygon*>(c.Head());
  ASSERT_TRUE(p);
  EXPECT_EQ(p->ListCount(), 1u);
  EXPECT_EQ(p->FirstList().Count(), 4u);
  EXPECT_EQ(p->FirstList().GetCurveKind(), 0);
  EXPECT_TRUE(p->FirstList().IsClosed());
  EXPECT_EQ(p->fill.fillColor, 0x000000FFu);
  EXPECT_EQ(p->stroke.lineType, 0);
  EXPECT_EQ(p->TypeByte() & 0xC0, 0);
  ObjectChain survey = square->MakeObject(nullptr, nullptr, nullptr);
  EXPECT_EQ(dynamic_cast<cPolygon*>(survey.Head())->FirstList().Get3DPoint(1).z, 2);

  auto bulged = Make({{70, 1}, {91, 1}, {92, 2}, {72, 1}, {73, 1}, {93, 3}, {10, 1.0}, {20, 0.0}, {42, 1.0},
                      {10, -1.0}, {20, 0.0}, {10, 0.0}, {20, -3.0}});
  ASSERT_EQ(bulged->polygons.size(), 1u);
  const PointList& list = bulged->polygons[0]->FirstList();
  EXPECT_EQ(list.GetCurveKind(), 3);
  ExpectNear(list.Points()[3], 0, 1);  // the half circle's middle (OCS, y up)
  ExpectNear(list.Points()[6], -1, 0);

  EXPECT_TRUE(Make({{70, 1}, {92, 2}, {93, 3}})->polygons.empty());
  EXPECT_FALSE(Make({{70, 1}})->MakeObject(&identity, nullptr, nullptr));
}

// A bulge first met on a later vertex (or on the closing span) bends that
// span alone: the same points as when every earlier vertex writes its zero.
TEST_F(HatchRecordTest, BulgesFirstMetOnALaterVertexBendThatSpanAlone) {
  auto later = Make({{70, 1}, {91, 1}, {92, 2}, {72, 1}, {73, 1}, {93, 3}, {10, 0.0}, {20, 0.0}, {10, 2.0},
                     {20, 0.0}, {42, 1.0}, {10, 2.0}, {20, 2.0}});
  auto zeros = Make({{70, 1}, {91, 1}, {92, 2}, {72, 1}, {73, 1}, {93, 3}, {10, 0.0}, {20, 0.0}, {42, 0.0},
                     {10, 2.0}, {20, 0.0}, {42, 1.0}, {10, 2.0}, {20, 2.0}, {42, 0.0}});
  auto closing = Make({{70, 1}, {91, 1}, {92, 2}, {72, 1}, {73, 1}, {93, 3}, {10, 0.0}, {20, 0.0}, {10, 2.0},
                       {20, 0.0}, {10, 2.0}, {20, 2.0}, {42, -0.5}});
  ASSERT_EQ(later->polygons.size(), 1u);
  ASSERT_EQ(zeros->polygons.size(), 1u);
  ASSERT_EQ(closing->polygons.size(), 1u);
  const PointList& a = later->polygons[0]->FirstList();
  const PointList& b = zeros->polygons[0]->FirstList();
  EXPECT_EQ(a.GetCurveKind(), 3);
  ASSERT_EQ(a.Count(), b.Count());
  for (std::uint32_t i = 0; i < a.Count(); ++i) {
    EXPECT_EQ(a.Points()[i].x, b.Points()[i].x) << i;
    EXPECT_EQ(a.Points()[i].y, b.Points()[i].y) << i;
  }
  // The first span stays straight: its inner controls lie on it.
  EXPECT_EQ(a.Points()[1].y, 0.0);
  EXPECT_EQ(a.Points()[2].y, 0.0);
  // A half circle over (2, 0)-(2, 2) reaches x = 3 (or 1 the other way).
  ExpectNear(a.Points()[6], 3, 1);
  const PointList& c = closing->polygons[0]->FirstList();
  EXPECT_EQ(c.GetCurveKind(), 3);
  EXPECT_GT(c.Count(), 7u);
}

TEST_F(HatchRecordTest, GradientAverage) {
  auto h = Make({{70, 1}, {450, 1}, {421, 0xFF0000}, {421, "255"}, {91, 0}});
  EXPECT_EQ(h->color, 0x007F007Fu);
  EXPECT_EQ(Make({{62, 3}, {450, 0}, {421, 0xFF0000}})->color, 0x0000FF00u);
}

TEST_F(HatchRecordTest, StylesOfOutermostAndNestedLoops) {
  auto twoPaths = [&](int style) {
    return Make({{70, 1}, {75, style}, {91, 2}, {92, 2}, {93, 3}, {10, 0.0}, {20, 0.0}, {10, 9.0}, {20, 0.0},
                 {10, 0.0}, {20, 9.0}, {92, 2}, {93, 3}, {10, 1.0}, {20, 1.0}, {10, 3.0}, {20, 1.0}, {10, 1.0},
                 {20, 3.0}});
  };
  auto separate = twoPaths(2);
  EXPECT_EQ(separate->polygons.size(), 2u);
  EXPECT_EQ(separate->MakeObject(&identity, nullptr, nullptr).Count(), 2u);
  auto joined = twoPaths(0);
  ASSERT_EQ(joined->polygons.size(), 1u);
  const PointList& list = joined->polygons[0]->FirstList();
  EXPECT_EQ(list.GetCurveKind(), 3);
  // Both triangles and the bridge out and back: 3 + 1 + 3 + 1 pieces.
  EXPECT_EQ(list.Count(), 1u + 3 * 8);
}

TEST_F(HatchRecordTest, EdgePathsWithArcsAndSplines) {
  // A closed D: a line up the y axis and a half circle back.
  auto d = Make({{70, 1}, {91, 1}, {92, 1}, {93, 2}, {72, 1}, {10, 0.0}, {20, -1.0}, {11, 0.0}, {21, 1.0}, {72, 2},
                 {10, 0.0}, {20, 0.0}, {40, 1.0}, {50, 90.0}, {51, 270.0}, {73, 0}});
  ASSERT_EQ(d->polygons.size(), 1u);
  const PointList& arc = d->polygons[0]->FirstList();
  EXPECT_EQ(arc.GetCurveKind(), 3);
  // A clockwise edge stored as 90 to 270 has its angles mirrored: it runs
  // from (0, -1) through (-1, 0) to (0, 1).
  EXPECT_EQ(arc.Count(), 1u + 3 * 3);
  ExpectNear(arc.Points()[4 - 1 + 3], -1, 0);
  ExpectNear(arc.Points()[9], 0, 1);

  // A clamped quadratic spline edge: the true curve passes (1, 0.5) at its
  // middle; the uniform rule would give (1, 0.75).
  auto s = Make({{70, 1}, {91, 1}, {92, 1}, {93, 2}, {72, 4}, {94, 2}, {73, 0}, {74, 0}, {95, 6}, {96, 3},
                 {40, 0.0}, {40, 0.0}, {40, 0.0}, {40, 1.0}, {40, 1.0}, {40, 1.0}, {10, 0.0}, {20, 0.0}, {10, 1.0},
                 {20, 1.0}, {10, 2.0}, {20, 0.0}, {72, 1}, {10, 2.0}, {20, 0.0}, {11, 0.0}, {21, 0.0}});
  ASSERT_EQ(s->polygons.size(), 1u);
  const PointList& curve = s->polygons[0]->FirstList();
  ASSERT_GE(curve.Count(), 4u);
  const DPoint* q = curve.Points().data();
  const DPoint middle{(q[0].x + 3 * q[1].x + 3 * q[2].x + q[3].x) / 8, (q[0].y + 3 * q[1].y + 3 * q[2].y + q[3].y) / 8};
  ExpectNear(middle, 1, 0.5);
}

TEST_F(HatchRecordTest, PatternStylesSharedWhenEqual) {
  auto pattern = [&](double scale) {
    return Make({{2, "ANSI31"}, {70, 0}, {41, scale}, {91, 1}, {92, 2}, {93, 3}, {10, 0.0}, {20, 0.0}, {10, 1.0},
                 {20, 0.0}, {10, 0.0}, {20, 1.0}});
  };
  auto a = pattern(1.0), b = pattern(1.0), c = pattern(2.0);
  ASSERT_EQ(reader.hatchStyles.Count(), 2u);
  EXPECT_EQ(a->polygons[0]->fill.fillStyle, 0);
  EXPECT_EQ(b->polygons[0]->fill.fillStyle, 0);
  EXPECT_EQ(c->polygons[0]->fill.fillStyle, 1);
  EXPECT_EQ(a->polygons[0]->TypeByte() & 0x40, 0x40);
  EXPECT_EQ(reader.hatchStyles[0]->hatchKind, kSymbolHatch);
  ASSERT_EQ(reader.hatchStyles[1]->hatchLines.size(), 1u);
  EXPECT_NEAR(std::hypot(reader.hatchStyles[1]->hatchLines[0].params[0], reader.hatchStyles[1]->hatchLines[0].params[1]),
              6.35, 1e-6);
  ObjectChain o = a->MakeObject(&identity, nullptr, nullptr);
  EXPECT_EQ(dynamic_cast<cPolygon*>(o.Head())->fill.hatchColor, a->color);

  // The entity's own lines win over the table.
  auto own = Make({{2, "ANSI31"}, {70, 0}, {91, 1}, {92, 2}, {93, 3}, {10, 0.0}, {20, 0.0}, {10, 1.0}, {20, 0.0},
                   {10, 0.0}, {20, 1.0}, {78, 1}, {53, 0.0}, {43, 0.0}, {44, 0.0}, {45, 0.0}, {46, 1.0}, {79, 0}});
  EXPECT_EQ(own->polygons[0]->fill.fillStyle, 2);
  EXPECT_EQ(reader.hatchStyles[2]->hatchLines[0].params[2], 0);

  std::unique_ptr<cOneObjRec> back = SpoolRoundTrip(*a);
  auto* h = dynamic_cast<cOneHatch*>(back.get());
  ASSERT_TRUE(h);
  ASSERT_EQ(h->polygons.size(), 1u);
  EXPECT_EQ(h->polygons[0]->fill.fillStyle, 0);
  EXPECT_EQ(h->polygons[0]->FirstList().Count(), 3u);
}

TEST_F(HatchRecordTest, DispatchRow) {
  Fill(record, {{70, 1}, {91, 1}, {92, 2}, {93, 2}, {10, 0.0}, {20, 0.0}, {10, 1.0}, {20, 0.0}});
  reader.DispatchSection(record, "HATCH", YxxfSection::Entities);
  ASSERT_EQ(reader.defaultBlock.entities.Count(), 1u);
  EXPECT_TRUE(dynamic_cast<cOneHatch*>(reader.defaultBlock.entities[0]));
}

}  // namespace
}  // namespace kvn
