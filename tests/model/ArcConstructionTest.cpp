#include <gtest/gtest.h>

#include <cmath>

#include "model/ArcConstruction.h"
#include "model/cArc.h"
#include "model/cPolygon.h"
#include "tests/model/GeometryTestSupport.h"

namespace kvn {
namespace {

using test::ExpectNear;

constexpr double kRad = M_PI / 180;

TEST(ArcConstruction, EllipticalArcsBecomePolygons) {
  ArcRecord record;
  record.centre = {10, 5};
  record.rx = 2;
  record.ry = 1;
  record.startAngle = 350;
  record.endAngle = 10;  // 370
  cPolygon templ;
  templ.stroke.color = 0x0000FF;
  templ.fill.fillColor = 0x00FF00;
  auto object = MakeArcObject(record, &templ, false);
  ASSERT_NE(object, nullptr);
  cPolygon* polygon = object->AsPolygon();
  ASSERT_NE(polygon, nullptr);
  EXPECT_EQ(polygon->stroke.color, 0x0000FFu);
  EXPECT_EQ(polygon->fill.fillColor, 0x00FF00u);
  const PointList& list = polygon->FirstList();
  EXPECT_EQ(list.GetCurveKind(), 3);
  EXPECT_FALSE(list.IsClosed());
  ASSERT_EQ(list.Count(), 4u);  // a 20-degree sweep is one piece
  // From the end angle (370) back to the start angle (350).
  ExpectNear(list.Points()[0], {10 + 2 * std::cos(10 * kRad), 5 + std::sin(10 * kRad)});
  ExpectNear(list.Points()[3], {10 + 2 * std::cos(350 * kRad), 5 + std::sin(350 * kRad)});
}

TEST(ArcConstruction, CircularArcsBecomeArcs) {
  ArcRecord record;
  record.centre = {1, 1};
  record.rx = 2;
  record.ry = -2;
  record.startAngle = 350;
  record.endAngle = 10;
  auto object = MakeArcObject(record, nullptr, false);
  cArc* arc = object->AsArc();
  ASSERT_NE(arc, nullptr);
  ExpectNear(arc->start, {1 + 2 * std::cos(10 * kRad), 1 - 2 * std::sin(10 * kRad)});
  ExpectNear(arc->middle, {3, 1});
  ExpectNear(arc->end, {1 + 2 * std::cos(-10 * kRad), 1 - 2 * std::sin(-10 * kRad)});
  EXPECT_FALSE(arc->IsClosed());
}

TEST(ArcConstruction, ClosingTest) {
  ArcRecord record;
  record.rx = record.ry = 1;
  record.startAngle = 0;
  record.endAngle = 360;
  EXPECT_FALSE(MakeArcObject(record, nullptr, false)->IsClosed());
  auto closed = MakeArcObject(record, nullptr, true);
  EXPECT_TRUE(closed->IsClosed());
  CubicArray out;
  closed->GetOutline(out, nullptr);
  EXPECT_EQ(out.Count(), 4u);  // the whole circle
  record.closed = 1;
  record.endAngle = 90;
  EXPECT_TRUE(MakeArcObject(record, nullptr, false)->IsClosed());
  record.closed = 0;
  EXPECT_FALSE(MakeArcObject(record, nullptr, true)->IsClosed());
  record.rx = 3;
  record.endAngle = 360;
  auto ellipse = MakeArcObject(record, nullptr, true);
  ASSERT_NE(ellipse->AsPolygon(), nullptr);
  EXPECT_TRUE(ellipse->AsPolygon()->FirstList().IsClosed());
}

}  // namespace
}  // namespace kvn
