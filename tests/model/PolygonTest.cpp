#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "model/cCircle.h"
#include "model/cLine.h"
#include "model/StyleRefs.h"
#include "model/cPolygon.h"
#include "model/cStyleFill.h"
#include "model/PathBuffer.h"
#include "tests/model/GeometryTestSupport.h"
#include "tests/support/RecordingDrawInfo.h"

namespace kvn {
namespace {

using test::ExpectNear;
using test::FillPartFixture;
using test::MemoryArchive;

constexpr std::uint32_t kMarker = 0x15;

struct ListFixture {
  std::uint8_t flags = PointList::kFlagClosed;
  std::vector<DPoint> points;
  double weight = 0.0;
};

// One vertex list as the record of that version stores it.
void WriteListAt(ArchiveWriter& w, int version, const ListFixture& list) {
  w.WriteByte(list.flags);
  const bool rounded = (list.flags & PointList::kCurveBits) == PointList::kFlagCurve2;
  if (version < 3061) {
    w.WriteUInt16(std::uint16_t(list.points.size()));
    for (const DPoint& p : list.points) test::WriteFloatPoint(w, p.x, p.y);
    if (version >= 3054 && rounded) test::WriteFloat(w, list.weight);
    return;
  }
  w.WriteCompactU16(std::uint16_t(list.points.size()));
  for (std::size_t i = 0; i < list.points.size(); ++i) {
    if (i == 0) {
      w.WriteReal(list.points[0].x);
      w.WriteReal(list.points[0].y);
    } else {
      w.WriteDeltaValue(list.points[i].x, list.points[i - 1].x);
      w.WriteDeltaValue(list.points[i].y, list.points[i - 1].y);
    }
  }
  if (rounded) w.WriteReal(list.weight);
}

std::vector<std::uint8_t> PolygonRecordAt(int version, const std::vector<ListFixture>& lists,
                                          const FillPartFixture& fill, bool fillAfterLists) {
  return test::Archive([&](ArchiveWriter& w) {
    test::WriteHeaderAt(w, version, test::HeaderFixture{});
    test::LinePartFixture line;
    line.color = 0x0000AA;
    test::WriteLinePartAt(w, version, line);
    if (version < 3081) test::WriteFillPartAt(w, version, fill);
    if (version < 3062) {
      WriteListAt(w, version, lists.at(0));
    } else {
      for (const ListFixture& list : lists) {
        w.WriteBit(true);
        WriteListAt(w, version, list);
      }
      w.WriteBit(false);
      if (version >= 3081 && fillAfterLists) test::WriteFillPartAt(w, version, fill);
    }
    w.WriteBits(kMarker, 5);
  });
}

std::unique_ptr<cPolygon> ReadPolygon(const std::vector<std::uint8_t>& bytes, int version) {
  auto polygon = std::make_unique<cPolygon>();
  MemoryArchive a(bytes);
  EXPECT_TRUE(polygon->Read(nullptr, nullptr, a.Reader(), version).Empty());
  EXPECT_EQ(a.Reader().ReadBits(5), kMarker);
  EXPECT_FALSE(a.Reader().HasError());
  return polygon;
}

std::unique_ptr<cPolygon> MakeTriangle() {
  auto p = std::make_unique<cPolygon>();
  const DPoint t[3] = {{0, 0}, {4, 0}, {0, 3}};
  p->FirstList().SetPoints(t, 3);
  return p;
}

TEST(Polygon, NewPolygonHoldsOneEmptyClosedList) {
  std::unique_ptr<cOutObj> object(cOutObj::Create(kTypePolygon, true));
  ASSERT_NE(object, nullptr);
  cPolygon* polygon = object->AsAnyFill()->AsPolygon();
  ASSERT_NE(polygon, nullptr);
  EXPECT_EQ(polygon->ListCount(), 1u);
  EXPECT_EQ(polygon->FirstList().Count(), 0u);
  EXPECT_TRUE(polygon->IsClosed());
}

TEST(Polygon, RecordBitsOfDeltaPoints) {
  cPolygon polygon;
  polygon.SetTypeByteSourceBits(0);
  const DPoint pts[4] = {{0, 0}, {10, 0}, {10, 0}, {10, 5}};
  polygon.FirstList().SetPoints(pts, 4);
  polygon.FirstList().SetClosed(false);
  auto written = test::Archive([&](ArchiveWriter& w) { polygon.Write(nullptr, w); });
  auto expected = test::Archive([&](ArchiveWriter& w) {
    polygon.WriteHeader(w);
    polygon.WriteLinePart(nullptr, w);
    w.WriteBit(true);
    w.WriteByte(0);     // open, straight
    w.WriteCompactU16(4);
    w.WriteReal(0);     // two reals
    w.WriteReal(0);
    w.WriteBit(true);   // bit 1 + real, bit 0
    w.WriteReal(10);
    w.WriteBit(false);
    w.WriteBit(false);  // bit 0, bit 0
    w.WriteBit(false);
    w.WriteBit(false);  // bit 0, bit 1 + real
    w.WriteBit(true);
    w.WriteReal(5);
    w.WriteBit(false);  // end of the lists; no fill part for open lists
  });
  EXPECT_EQ(written, expected);
}

TEST(Polygon, OpenListsHaveNoFillPart) {
  cPolygon polygon;
  const DPoint a[2] = {{0, 0}, {1, 1}};
  polygon.FirstList().SetPoints(a, 2);
  polygon.FirstList().SetClosed(false);
  polygon.AddList().SetPoints(a, 2);
  polygon.List(1).SetClosed(false);
  polygon.fill.fillColor = 0x00FF00;  // not stored: no list is closed
  EXPECT_FALSE(polygon.IsClosed());
  auto back = test::RoundTripObject(polygon);
  const cPolygon* p = back->AsAnyFill()->AsPolygon();
  EXPECT_EQ(p->ListCount(), 2u);
  EXPECT_EQ(p->fill.fillColor, 0x80000000u);
}

TEST(Polygon, AnEmptyListLoopReadsAsOneEmptyList) {
  for (int version : {3062, 3080, 3081, 3111}) {
    SCOPED_TRACE(version);
    FillPartFixture fill;
    fill.fillColor = 0x00FF00;
    auto bytes = test::Archive([&](ArchiveWriter& w) {
      test::WriteHeaderAt(w, version, test::HeaderFixture{});
      test::WriteLinePartAt(w, version, test::LinePartFixture{});
      if (version < 3081) test::WriteFillPartAt(w, version, fill);
      w.WriteBit(false);
      w.WriteBits(kMarker, 5);
    });
    auto polygon = ReadPolygon(bytes, version);
    EXPECT_EQ(polygon->ListCount(), 1u);
    EXPECT_EQ(polygon->FirstList().Count(), 0u);
    EXPECT_EQ(polygon->fill.fillColor, version < 3081 ? 0x00FF00u : 0x80000000u);
  }
}

TEST(Polygon, VersionRows) {
  ListFixture closed;
  closed.points = {{0, 0}, {4, 0}, {4, 2.5}};
  ListFixture rounded;
  rounded.flags = PointList::kFlagClosed | PointList::kFlagCurve2;
  rounded.points = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
  rounded.weight = 0.5;
  ListFixture open;
  open.flags = 0;
  open.points = {{1, 1}, {1, 1}, {3, 1}};
  FillPartFixture fill;
  fill.fillColor = 0x00FF00;
  for (int version : {3111, 3098, 3081, 3080, 3062, 3061, 3060, 3054, 3053}) {
    SCOPED_TRACE(version);
    FillPartFixture f = fill;
    if (version < 3053) f.hatchKind = 1;
    const bool oneList = version < 3062;
    auto lists = oneList ? std::vector<ListFixture>{rounded} : std::vector<ListFixture>{closed, rounded, open};
    auto polygon = ReadPolygon(PolygonRecordAt(version, lists, f, true), version);
    EXPECT_EQ(polygon->stroke.color, 0x0000AAu);
    EXPECT_EQ(polygon->fill.fillColor, 0x00FF00u);
    ASSERT_EQ(polygon->ListCount(), oneList ? 1u : 3u);
    const PointList& r = polygon->List(oneList ? 0 : 1);
    EXPECT_EQ(r.Count(), 4u);
    EXPECT_EQ(r.GetCurveKind(), 2);
    // Files before 3054 kept no weight of their own.
    if (version >= 3054) {
      EXPECT_EQ(r.Weight(), 0.5);
    }
    EXPECT_EQ(r.Points()[2], (DPoint{2, 2}));
    if (!oneList) {
      EXPECT_EQ(polygon->List(0).Points()[2], (DPoint{4, 2.5}));
      EXPECT_FALSE(polygon->List(2).IsClosed());
      EXPECT_EQ(polygon->List(2).Points()[1], (DPoint{1, 1}));
    }
  }
}

TEST(Polygon, RoundTripKeepsEveryList) {
  auto triangle = MakeTriangle();
  cPolygon& polygon = *triangle;
  PointList& chain = polygon.AddList();
  const Cubic c{{{0, 0}, {1, 2}, {3, 2}, {4, 0}}};
  chain.SetFromCubics(&c, 1, false);
  PointList& rounded = polygon.AddList();
  const DPoint sq[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  rounded.SetPoints(sq, 4);
  rounded.SetCurveKind(2);
  rounded.SetWeight(0.25);
  polygon.fill.fillColor = 0x00FFFF;
  polygon.fill.opacity = 40;
  auto back = test::RoundTripObject(polygon);
  const cPolygon* p = back->AsAnyFill()->AsPolygon();
  ASSERT_EQ(p->ListCount(), 3u);
  EXPECT_EQ(p->List(1).GetCurveKind(), 3);
  EXPECT_EQ(p->List(2).Weight(), 0.25);
  EXPECT_EQ(p->fill.opacity, 40);

  cPolygon copy;
  copy.Assign(polygon);
  polygon.List(1).Points()[1] = {9, 9};
  EXPECT_EQ(copy.List(1).Points()[1], (DPoint{1, 2}));  // a deep copy
  test::ReadDamagedRecords(polygon);
}

TEST(Polygon, StyledFillTravelsAfterTheLists) {
  test::DataHolder data;
  auto style = std::make_unique<cStyleFill>();
  style->name = WString(u"Hatch");
  style->hatchKind = 3;
  style->hatchColor = 0x0000FF;
  data->FillStyles().Add(std::move(style));
  auto triangle = MakeTriangle();
  triangle->SetTypeByteSourceBits(kTypeStyledFill);
  triangle->fill.fillStyle = 0;
  ResetStyleWriteNumbers(*data.get());
  test::DataHolder readData;
  auto back = test::RoundTripObject(*triangle, data.get(), readData.get());
  const cPolygon* p = back->AsAnyFill()->AsPolygon();
  EXPECT_EQ(p->TypeByte() & kTypeStyledFill, kTypeStyledFill);
  ASSERT_EQ(readData->FillStyles().Count(), 1u);
  EXPECT_EQ(p->GetHatchKind(readData.get()), 3);
  EXPECT_EQ(p->GetHatchColor(readData.get()), 0x0000FFu);
  EXPECT_EQ(p->FirstList().Count(), 3u);
}

TEST(Polygon, ManyEmptyListsAreBoundedByTheInput) {
  // 1 + flags + empty count per list: the loop ends with the bytes.
  auto bytes = test::Archive([&](ArchiveWriter& w) {
    test::WriteHeaderAt(w, 3111, test::HeaderFixture{});
    test::WriteLinePartAt(w, 3111, test::LinePartFixture{});
    for (int i = 0; i < 2000; ++i) {
      w.WriteBit(true);
      w.WriteByte(0);
      w.WriteCompactU16(0);
    }
  });
  cPolygon polygon;
  MemoryArchive a(bytes);
  polygon.Read(nullptr, nullptr, a.Reader(), 3111);
  // Every list was stored whole; the missing end bit reads as 0 and ends
  // the loop with the bytes.
  EXPECT_EQ(polygon.ListCount(), 2000u);
  EXPECT_FALSE(a.Reader().HasError());
  EXPECT_TRUE(a.Reader().AtEnd());
  for (std::uint32_t i = 0; i < polygon.ListCount(); ++i) {
    ASSERT_EQ(polygon.List(i).Count(), 0u) << i;
  }
}

TEST(Polygon, OutlinePositions) {
  auto triangle = MakeTriangle();
  cPolygon& polygon = *triangle;
  polygon.AddList();
  const DPoint seg[2] = {{5, 5}, {6, 6}};
  polygon.AddList().SetPoints(seg, 2);
  polygon.List(2).SetClosed(false);
  int position = 0;
  CubicArray out;
  EXPECT_TRUE(polygon.GetOutline(out, &position));
  EXPECT_EQ(position, 1);
  EXPECT_EQ(out.Count(), 3u);  // the triangle with its closing edge
  out.Clear();
  polygon.GetOutline(out, &position);
  EXPECT_EQ(position, 2);
  EXPECT_EQ(out.Count(), 0u);
  out.Clear();
  EXPECT_FALSE(polygon.GetOutline(out, &position));
  EXPECT_EQ(position, -1);
  ASSERT_EQ(out.Count(), 1u);
  EXPECT_EQ(out[0].p[3], (DPoint{6, 6}));
  position = 7;
  out.Clear();
  polygon.GetOutline(out, &position);
  EXPECT_EQ(position, -1);
  EXPECT_EQ(out.Count(), 3u);  // list 0
}

TEST(Polygon, TransformsAndQuarterEllipse) {
  cPolygon polygon;
  const DPoint sq[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  polygon.FirstList().SetPoints(sq, 4);
  polygon.FirstList().SetCurveKind(2);
  polygon.FirstList().SetWeight(0.25);
  EXPECT_TRUE(polygon.Scale({}, {0, 0}, {2, -3}));
  EXPECT_EQ(polygon.FirstList().Weight(), 0.5);
  EXPECT_EQ(polygon.FirstList().Points()[2], (DPoint{2, -3}));
  polygon.Move({1, 1});
  EXPECT_EQ(polygon.FirstList().Points()[2], (DPoint{3, -2}));
  EXPECT_TRUE(polygon.Rotate({}, {1, 1}, 90));
  ExpectNear(polygon.FirstList().Points()[1], {1, 3});

  const DPoint box[2] = {{0, 0}, {2, 4}};
  polygon.SetPoints(box, 2);
  const auto p = polygon.FirstList().Points();
  ASSERT_EQ(p.size(), 4u);
  EXPECT_FALSE(polygon.FirstList().IsClosed());
  EXPECT_EQ(polygon.FirstList().GetCurveKind(), 3);
  ExpectNear(p[1], {2 * 0.552284749830793, 0});
  ExpectNear(p[2], {2, 4 - 4 * 0.552284749830793});
  EXPECT_EQ(p[3], (DPoint{2, 4}));
}

TEST(Polygon, TightAndHullExtents) {
  cPolygon polygon;
  const Cubic c{{{0, 0}, {0, 4}, {4, 4}, {4, 0}}};
  polygon.FirstList().SetFromCubics(&c, 1, false);
  const DPoint far[2] = {{10, 10}, {11, 10}};
  polygon.AddList().SetPoints(far, 2);
  DRect tight, full;
  polygon.GetExtentUpdated(nullptr, tight);
  EXPECT_EQ(tight.x1, 0);
  EXPECT_NEAR(tight.y2, 10, 1e-12);
  EXPECT_EQ(tight.x2, 11);
  polygon.List(1).SetPoints(far, 0);
  polygon.MarkDirty();
  polygon.GetExtentUpdated(nullptr, tight);
  EXPECT_NEAR(tight.y2, 3, 1e-12);  // the curve's top
  polygon.stroke.lineType = 0;
  polygon.GetFullExtent(nullptr, full);
  EXPECT_EQ(full.y2, 4);  // the control points
}

TEST(Polygon, ExplodeByLists) {
  auto triangle = MakeTriangle();
  cPolygon& polygon = *triangle;
  polygon.stroke.color = 0xFF;
  polygon.fill.fillColor = 0x00FF00;
  ObjectChain lines = polygon.Explode(nullptr);
  ASSERT_EQ(lines.Count(), 3u);
  for (cOutObj* o = lines.Head(); o; o = o->next) {
    EXPECT_EQ(o->TypeCode(), kTypeLine);
    EXPECT_EQ(o->AsAnyLine()->stroke.color, 0xFFu);
  }
  // Several lists: one polygon per list, curves straightened where they are
  // straight.
  PointList& chain = polygon.AddList();
  const Cubic straight[2] = {Cubic::Straight({0, 0}, {1, 0}), Cubic::Straight({1, 0}, {1, 1})};
  chain.SetFromCubics(straight, 2, false);
  ObjectChain parts = polygon.Explode(nullptr);
  ASSERT_EQ(parts.Count(), 2u);
  const cPolygon* second = parts.Head()->next->AsAnyFill()->AsPolygon();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->FirstList().GetCurveKind(), 0);
  EXPECT_EQ(second->FirstList().Count(), 3u);
  EXPECT_EQ(second->fill.fillColor, 0x00FF00u);
}

TEST(Polygon, DrawFillsClosedListsTogetherAndStrokesAll) {
  test::RecordingDrawInfo info;
  auto triangle = MakeTriangle();
  cPolygon& polygon = *triangle;
  const DPoint seg[2] = {{5, 5}, {6, 6}};
  polygon.AddList().SetPoints(seg, 2);
  polygon.List(1).SetClosed(false);
  polygon.Draw(&info);
  ASSERT_EQ(info.calls.size(), 2u);
  EXPECT_EQ(info.calls[0], "FillPath type 6");
  EXPECT_EQ(info.calls[1], "StrokePath type 6");
  EXPECT_EQ(PathBuffer::PieceCount(), 2u);  // the stroke path: both lists

  info.calls.clear();
  polygon.stroke.lineType = 0;
  polygon.List(0).SetClosed(false);
  polygon.Draw(&info);
  EXPECT_TRUE(info.calls.empty());

  info.calls.clear();
  const Cubic c[2] = {{{{0, 0}, {1, 1}, {2, 1}, {3, 0}}}, {{{3, 0}, {4, -1}, {5, -1}, {6, 0}}}};
  polygon.FirstList().SetFromCubics(c, 2, false);
  polygon.DrawOutline(9, &info, true);
  ASSERT_EQ(info.calls.size(), 6u);
  EXPECT_EQ(info.calls[0], "RasterizePath 9");
  EXPECT_EQ(info.calls[1], "RasterizeSegment 9 (0,0)(1,1)");
  EXPECT_EQ(info.calls[2], "RasterizeSegment 9 (3,0)(2,1)");
  EXPECT_EQ(info.calls[3], "RasterizeSegment 9 (3,0)(4,-1)");
  EXPECT_EQ(info.calls[4], "RasterizeSegment 9 (6,0)(5,-1)");
  EXPECT_EQ(info.calls[5], "RasterizePath 9");
}

TEST(Polygon, BezierSegmentsFromATemplate) {
  cCircle circle;
  circle.fill.fillColor = 0x0000FF;
  circle.stroke.width = 2;
  CubicArray records;
  circle.GetOutline(records, nullptr);
  cPolygon polygon;
  polygon.SetBezierSegments(&circle, records, true);
  EXPECT_EQ(polygon.fill.fillColor, 0x0000FFu);
  EXPECT_EQ(polygon.stroke.width, 2);
  EXPECT_EQ(polygon.FirstList().Count(), 13u);
  const Cubic3D c3{{{0, 0, 1}, {1, 0, 1}, {2, 0, 1}, {3, 0, 1}}};
  polygon.SetBezierSegments2(nullptr, &c3, 1, false);
  EXPECT_EQ(polygon.FirstList().Count3D(), 4u);
  EXPECT_EQ(polygon.FirstList().Get3DPoint(3).x, 3);
}

}  // namespace
}  // namespace kvn
