#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>

#include "model/cInvRect.h"
#include "model/cNPoly.h"
#include "model/cRectangle.h"
#include "model/cStyleFill.h"
#include "tests/model/GeometryTestSupport.h"
#include "tests/support/RecordingDrawInfo.h"

namespace kvn {
namespace {

using test::ExpectNear;

TEST(RectangleOutline, CornersInOrder) {
  cRectangle rect;
  rect.corner1 = {0, 0};
  rect.corner2 = {4, 2};
  rect.stroke.color = 0x0000FF;
  rect.fill.fillColor = 0x00FF00;
  rect.UpdateIfDirty(nullptr);
  const cPolygon& outline = rect.Outline();
  ASSERT_EQ(outline.ListCount(), 1u);
  const PointList& list = outline.FirstList();
  EXPECT_TRUE(list.IsClosed());
  EXPECT_EQ(list.GetCurveKind(), 0);
  ASSERT_EQ(list.Count(), 4u);
  EXPECT_EQ(list.Points()[0], (DPoint{0, 0}));
  EXPECT_EQ(list.Points()[1], (DPoint{4, 0}));
  EXPECT_EQ(list.Points()[2], (DPoint{4, 2}));
  EXPECT_EQ(list.Points()[3], (DPoint{0, 2}));
  EXPECT_EQ(outline.stroke.color, 0x0000FFu);
  EXPECT_EQ(outline.fill.fillColor, 0x00FF00u);

  CubicArray records;
  int position = 0;
  EXPECT_TRUE(rect.GetOutline(records, &position));
  EXPECT_EQ(position, -1);
  ASSERT_EQ(records.Count(), 4u);
  const DPoint expected[5] = {{0, 0}, {4, 0}, {4, 2}, {0, 2}, {0, 0}};
  for (std::uint32_t i = 0; i < 4; ++i) {
    EXPECT_TRUE(records[i].IsStraight());
    EXPECT_EQ(records[i].Start(), expected[i]);
    EXPECT_EQ(records[i].End(), expected[i + 1]);
  }

  rect.radius = 0.5;
  rect.MarkDirty();
  rect.UpdateIfDirty(nullptr);
  EXPECT_EQ(rect.Outline().FirstList().GetCurveKind(), 2);
  EXPECT_EQ(rect.Outline().FirstList().Weight(), 0.5);
}

TEST(RectangleOutline, ResolveExplodeAndDraw) {
  cRectangle rect;
  rect.corner1 = {1, 1};
  rect.corner2 = {3, 2};
  rect.SetLevel(4);
  ObjectChain resolved = rect.Resolve(nullptr, false);
  ASSERT_EQ(resolved.Count(), 1u);
  const cPolygon* copy = resolved.Head()->AsAnyFill()->AsPolygon();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Level(), 4);
  EXPECT_EQ(copy->FirstList().Points()[2], (DPoint{3, 2}));

  ObjectChain exploded = rect.Explode(nullptr);
  ASSERT_EQ(exploded.Count(), 1u);
  EXPECT_EQ(exploded.Head()->TypeCode(), kTypePolygon);

  test::RecordingDrawInfo info;
  rect.Move({1, 0});
  rect.Draw(&info);
  ASSERT_EQ(info.calls.size(), 2u);
  EXPECT_EQ(info.calls[0], "FillPath type 6");
  EXPECT_EQ(info.calls[1], "StrokePath type 6");
  EXPECT_EQ(rect.Outline().FirstList().Points()[0], (DPoint{2, 1}));
  info.calls.clear();
  rect.DrawOutline(5, &info, true);
  ASSERT_EQ(info.calls.size(), 1u);
  EXPECT_EQ(info.calls[0], "RasterizePath 5");

  rect.stroke.width = 1;
  rect.MarkDirty();
  DRect r;
  rect.GetStrokeExtent(nullptr, r);
  EXPECT_EQ(r, (DRect{1.5, 0.5, 4.5, 2.5}));
}

// ---- regular polygons ----

TEST(NPoly, DefaultsAndFactory) {
  std::unique_ptr<cOutObj> object(cOutObj::Create(kTypeNPoly, true));
  ASSERT_NE(object, nullptr);
  cNPoly* poly = object->AsAnyFill()->AsNPoly();
  ASSERT_NE(poly, nullptr);
  EXPECT_EQ(poly->sides, 3);
  EXPECT_EQ(poly->sideMode, 0);
  EXPECT_EQ(poly->order, 0);
  EXPECT_TRUE(poly->IsClosed());
  EXPECT_EQ(poly->AsRectangle(), nullptr);
}

TEST(NPoly, SquareFromOneSide) {
  cNPoly poly;
  poly.sideMode = 1;
  poly.first = {0, 0};
  poly.second = {2, 0};
  poly.sides = 4;
  ExpectNear(poly.GetCentre(), {1, 1});
  poly.UpdateIfDirty(nullptr);
  const PointList& list = poly.Outline().FirstList();
  ASSERT_EQ(list.Count(), 4u);
  for (const DPoint& p : list.Points()) EXPECT_NEAR(std::hypot(p.x - 1, p.y - 1), std::sqrt(2.0), 1e-12);
  // The vertex of i = 0 is the second point; order 0 stores it last.
  ExpectNear(list.Points()[3], {2, 0});
  ExpectNear(list.Points()[2], {2, 2});
  ExpectNear(list.Points()[0], {2 - 2, 0});
  poly.order = 1;
  poly.MarkDirty();
  poly.UpdateIfDirty(nullptr);
  ExpectNear(poly.Outline().FirstList().Points()[0], {2, 0});
  ExpectNear(poly.Outline().FirstList().Points()[1], {2, 2});
}

TEST(NPoly, FewerThanThreeSidesMakeATriangle) {
  cNPoly poly;
  poly.sides = 0;
  poly.first = {0, 0};
  poly.second = {1, 0};
  poly.radius = 0.1;
  poly.UpdateIfDirty(nullptr);
  const PointList& list = poly.Outline().FirstList();
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(list.GetCurveKind(), 2);
  EXPECT_EQ(list.Weight(), 0.1);
  ExpectNear(list.Points()[2], {1, 0});
  ExpectNear(list.Points()[1], {std::cos(2 * M_PI / 3), std::sin(2 * M_PI / 3)});
  CubicArray out;
  poly.GetOutline(out, nullptr);
  EXPECT_GT(out.Count(), 3u);  // the rounded corners add arcs
  // Three sides, and each corner's turn of 120 degrees in two arcs.
  EXPECT_EQ(out.Count(), 9u);
}

TEST(NPoly, TransformsAndRecord) {
  cNPoly poly;
  poly.sideMode = 1;
  poly.order = 1;
  poly.sides = 7;
  poly.first = {1, 2};
  poly.second = {3.5, -1};
  poly.radius = 2;
  poly.fill.hatchKind = 12;
  auto back = test::RoundTripObject(poly);
  const cNPoly* b = back->AsAnyFill()->AsNPoly();
  EXPECT_EQ(b->sides, 7);
  EXPECT_EQ(b->sideMode, 1);
  EXPECT_EQ(b->order, 1);
  EXPECT_EQ(b->second, poly.second);
  EXPECT_EQ(b->radius, 2);
  EXPECT_EQ(b->fill.hatchKind, 12);
  test::ReadDamagedRecords(poly);

  EXPECT_TRUE(poly.Scale({}, {0, 0}, {2, 0.5}));
  EXPECT_EQ(poly.radius, 1);
  EXPECT_EQ(poly.second, (DPoint{7, -0.5}));
  EXPECT_TRUE(poly.Rotate({}, {0, 0}, 33));
  const DPoint set[2] = {{0, 0}, {1, 1}};
  poly.SetPoints(set, 2);
  EXPECT_EQ(poly.sideMode, 0);
  EXPECT_EQ(poly.order, 0);
  EXPECT_EQ(poly.radius, 0);
  EXPECT_EQ(poly.sides, 7);

  cNPoly copy;
  copy.Assign(poly);
  ByteArray x, y;
  EXPECT_TRUE(copy.IsSameRecord(poly, x, y));
}

TEST(NPoly, SameFieldsBehindEveryBandOfTheParts) {
  for (int version : {3111, 3098, 3080, 3061, 3060, 3052}) {
    SCOPED_TRACE(version);
    auto bytes = test::Archive([&](ArchiveWriter& w) {
      test::WriteHeaderAt(w, version, test::HeaderFixture{});
      test::LinePartFixture line;
      line.color = 0x0000FF;
      test::WriteLinePartAt(w, version, line);
      test::FillPartFixture fill;
      fill.hatchKind = version < 3053 ? 1 : 0;
      fill.fillColor = 0x00FF00;
      test::WriteFillPartAt(w, version, fill);
      w.WriteBit(true);
      w.WriteBit(false);
      w.WriteBits(5, 8);
      w.WriteRealPoint({1, 2});
      w.WriteRealPoint({3, 4});
      w.WriteCompactDouble(0.5);
      w.WriteBits(0x9, 4);
    });
    cNPoly poly;
    test::MemoryArchive a(bytes);
    EXPECT_TRUE(poly.Read(nullptr, nullptr, a.Reader(), version).Empty());
    EXPECT_EQ(a.Reader().ReadBits(4), 0x9u);
    EXPECT_FALSE(a.Reader().HasError());
    EXPECT_EQ(poly.sideMode, 1);
    EXPECT_EQ(poly.order, 0);
    EXPECT_EQ(poly.sides, 5);
    EXPECT_EQ(poly.second, (DPoint{3, 4}));
    EXPECT_EQ(poly.radius, 0.5);
    EXPECT_EQ(poly.stroke.color, 0x0000FFu);
    EXPECT_EQ(poly.fill.fillColor, 0x00FF00u);
  }
}

TEST(NPoly, ExtentAndResolveFollowTheOutline) {
  cNPoly poly;
  poly.first = {0, 0};
  poly.second = {0, 2};
  poly.sides = 4;
  DRect r;
  poly.GetExtentUpdated(nullptr, r);
  EXPECT_NEAR(r.x1, -2, 1e-12);
  EXPECT_NEAR(r.y2, 2, 1e-12);
  ObjectChain resolved = poly.Resolve(nullptr, false);
  ASSERT_EQ(resolved.Count(), 1u);
  EXPECT_EQ(resolved.Head()->TypeCode(), kTypePolygon);
}

// ---- blank-out rectangles ----

class FillRecorder : public test::TestGeometryServices {
 public:
  void FillRasterRect(cRasterSurface&, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                      std::uint32_t colour) override {
    fills.push_back({x, y, w, h, std::int32_t(colour)});
  }
  std::vector<std::array<std::int32_t, 5>> fills;
};

TEST(InvRect, PaintsWhiteOnRasterSurfacesOnly) {
  FillRecorder services;
  cInvRect blank(DRect{2, 3, 0.5, 1});
  EXPECT_EQ(blank.TypeCode(), cInvRect::kTypeCode);
  EXPECT_EQ(cOutObj::Create(cInvRect::kTypeCode, true), nullptr);
  DRect r;
  blank.GetExtentUpdated(nullptr, r);
  EXPECT_EQ(r, (DRect{2, 3, 0.5, 1}));

  test::RecordingDrawInfo info;
  blank.Draw(&info);  // no raster surface
  EXPECT_TRUE(services.fills.empty());
  alignas(16) unsigned char surface[64] = {};
  info.raster = reinterpret_cast<cRasterSurface*>(surface);
  info.mapping.printerFlag = 1;
  blank.Draw(&info);
  EXPECT_TRUE(services.fills.empty());
  info.mapping.printerFlag = 0;
  blank.Draw(&info);
  ASSERT_EQ(services.fills.size(), 1u);
  // Four device units per drawing unit, normalised.
  EXPECT_EQ(services.fills[0], (std::array<std::int32_t, 5>{2, 4, 6, 8, 0x00FFFFFF}));
}

}  // namespace
}  // namespace kvn
