#include <gtest/gtest.h>

#include <memory>

#include "model/StyleRefs.h"
#include "model/cStyleWall.h"
#include "model/cWall.h"
#include "model/PathBuffer.h"
#include "tests/model/GeometryTestSupport.h"
#include "tests/support/RecordingDrawInfo.h"

namespace kvn {
namespace {

using test::DataHolder;
using test::ExpectNear;
using test::MemoryArchive;

constexpr std::uint32_t kMarker = 0x33;

// A drawing with one wall style: thickness 2, blue sides of width 0.5 and a
// green band.
void AddWallStyle(cDrawingData* data, double thickness = 2.0) {
  auto style = std::make_unique<cStyleWall>();
  style->name = WString(u"W");
  style->thickness = thickness;
  style->attributes.color = 0x0000FF;
  style->attributes.width = 0.5;
  style->attributes.fillColor = 0x00FF00;
  style->attributes.hatchKind = 0;
  data->WallStyles().Add(std::move(style));
}

// A wall along the x axis from 0 to 10 with both caps.
std::unique_ptr<cWall> AxisWall(std::uint8_t alignment) {
  auto wall = std::make_unique<cWall>();
  wall->start = {0, 0};
  wall->end = {10, 0};
  wall->wallFlags = std::uint8_t(cWall::kStartCap | cWall::kEndCap | (alignment << cWall::kAlignShift));
  return wall;
}

void ExpectBand(const cWall& wall, const DPoint (&expected)[6]) {
  const auto p = wall.Band().FirstList().Points();
  ASSERT_EQ(p.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    ExpectNear(p[std::size_t(i)], expected[i]);
  }
}

TEST(Wall, Defaults) {
  std::unique_ptr<cOutObj> object(cOutObj::Create(kTypeWall, true));
  ASSERT_NE(object, nullptr);
  cWall* wall = object->AsWall();
  ASSERT_NE(wall, nullptr);
  EXPECT_EQ(wall->wallFlags, 3);
  EXPECT_EQ(wall->Alignment(), 0);
  EXPECT_EQ(wall->wallStyle, 0);
  EXPECT_EQ(wall->AsAnyLine(), nullptr);
  const DPoint zeros[6] = {};
  ExpectBand(*wall, zeros);
  EXPECT_EQ(wall->Band().stroke.lineType, 0);
  EXPECT_TRUE(wall->Band().HasFlag(kFlagGenerated));
  EXPECT_EQ(wall->Band().TypeByte() & kTypeStyledStroke, 0);
}

TEST(Wall, BandPerAlignment) {
  DataHolder data;
  AddWallStyle(data.get());
  auto centredOwned = AxisWall(0);
  cWall& centred = *centredOwned;
  centred.UpdateIfDirty(data.get());
  ExpectBand(centred, {{0, -1}, {0, 0}, {0, 1}, {10, 1}, {10, 0}, {10, -1}});
  auto leftOwned = AxisWall(1);
  cWall& left = *leftOwned;
  left.UpdateIfDirty(data.get());
  ExpectBand(left, {{0, 0}, {0, 0}, {0, 2}, {10, 2}, {10, 0}, {10, 0}});
  auto rightOwned = AxisWall(2);
  cWall& right = *rightOwned;
  right.UpdateIfDirty(data.get());
  ExpectBand(right, {{0, -2}, {0, 0}, {0, 0}, {10, 0}, {10, 0}, {10, -2}});

  // The corner offsets move the corners along the axis.
  auto cutOwned = AxisWall(0);
  cWall& cut = *cutOwned;
  cut.startRight = 1;
  cut.startLeft = 0.5;
  cut.endRight = 2;
  cut.endLeft = 0.25;
  cut.UpdateIfDirty(data.get());
  ExpectBand(cut, {{1, -1}, {0, 0}, {0.5, 1}, {9.75, 1}, {10, 0}, {8, -1}});
  // The stroke extent ignores the offsets.
  DRect r{100, 100, 200, 200};
  cut.AddStrokeExtent(data.get(), r);
  EXPECT_EQ(r, (DRect{0, -1, 10, 1}));

  // A vertical wall: right is +x looking up.
  cWall up;
  up.end = {0, 4};
  up.UpdateIfDirty(data.get());
  ExpectNear(up.Band().FirstList().Points()[0], {1, 0});
  ExpectNear(up.Band().FirstList().Points()[3], {-1, 4});

  cWall point;
  point.start = point.end = {3, 3};
  point.UpdateIfDirty(data.get());
  ExpectBand(point, {{3, 3}, {3, 3}, {3, 3}, {3, 3}, {3, 3}, {3, 3}});
}

TEST(Wall, SidesAndCapsTakeTheStyle) {
  DataHolder data;
  AddWallStyle(data.get());
  auto wallOwned = AxisWall(0);
  cWall& wall = *wallOwned;
  wall.SetLevel(7);
  wall.SetFlag(kFlagHidden);
  wall.UpdateIfDirty(data.get());
  EXPECT_EQ(wall.RightSide().start, (DPoint{10, -1}));
  EXPECT_EQ(wall.RightSide().end, (DPoint{0, -1}));
  EXPECT_EQ(wall.LeftSide().start, (DPoint{0, 1}));
  EXPECT_EQ(wall.LeftSide().end, (DPoint{10, 1}));
  EXPECT_EQ(wall.EndCap().start, (DPoint{10, 1}));
  EXPECT_EQ(wall.EndCap().end, (DPoint{10, -1}));
  EXPECT_EQ(wall.StartCap().start, (DPoint{0, -1}));
  EXPECT_EQ(wall.StartCap().end, (DPoint{0, 1}));
  for (const cLine* line : {&wall.RightSide(), &wall.LeftSide(), &wall.EndCap(), &wall.StartCap()}) {
    EXPECT_EQ(line->stroke.color, 0x0000FFu);
    EXPECT_EQ(line->stroke.width, 0.5);
    EXPECT_EQ(line->Level(), 7);
    EXPECT_TRUE(line->HasFlag(kFlagHidden));
  }
  EXPECT_EQ(wall.Band().fill.fillColor, 0x00FF00u);
  EXPECT_EQ(wall.Band().Level(), 7);
  // The full extent takes in the pens of the sides.
  DRect full;
  wall.AddFullExtent(data.get(), full);
  EXPECT_EQ(full, (DRect{-0.25, -1.25, 10.25, 1.25}));
}

TEST(Wall, ExplodeAndResolveCounts) {
  DataHolder data;
  AddWallStyle(data.get());
  auto wallOwned = AxisWall(0);
  cWall& wall = *wallOwned;
  ObjectChain all = wall.Explode(data.get());
  ASSERT_EQ(all.Count(), 5u);
  EXPECT_EQ(all.Head()->TypeCode(), kTypePolygon);
  EXPECT_EQ(all.Head()->next->TypeCode(), kTypeLine);
  wall.wallFlags = 0;
  wall.MarkDirty();
  ObjectChain bare = wall.Explode(data.get());
  EXPECT_EQ(bare.Count(), 3u);
  wall.wallFlags = cWall::kEndCap;
  ObjectChain resolved = wall.Resolve(data.get(), false);
  ASSERT_EQ(resolved.Count(), 4u);
  const cOutObj* last = resolved.Head()->next->next->next;
  EXPECT_EQ(last->AsAnyLine()->AsLine()->start, (DPoint{10, 1}));  // the end cap
}

TEST(Wall, ScalingMirrorsTheAlignment) {
  auto wallOwned = AxisWall(1);
  cWall& wall = *wallOwned;
  wall.startRight = 1;
  EXPECT_TRUE(wall.Scale({}, {0, 0}, {-1, 1}));
  EXPECT_EQ(wall.Alignment(), 2);
  EXPECT_EQ(wall.end, (DPoint{-10, 0}));
  EXPECT_TRUE(wall.Scale({}, {0, 0}, {-1, -1}));
  EXPECT_EQ(wall.Alignment(), 2);
  EXPECT_TRUE(wall.Scale({}, {0, 0}, {3, -2}));
  EXPECT_EQ(wall.Alignment(), 1);
  EXPECT_EQ(wall.startRight, 2);
  EXPECT_TRUE(wall.Scale({}, {0, 0}, {0, 5}));
  EXPECT_EQ(wall.startRight, 2);  // a factor of 0 leaves the offsets
  EXPECT_EQ(wall.wallFlags & 3, 3);
}

TEST(Wall, StyleBeyondTheTableKeepsTheGeometry) {
  DataHolder data;
  AddWallStyle(data.get());
  auto wallOwned = AxisWall(0);
  cWall& wall = *wallOwned;
  wall.UpdateIfDirty(data.get());
  wall.wallStyle = 5;
  wall.end = {20, 0};
  wall.MarkDirty();
  wall.UpdateIfDirty(data.get());
  EXPECT_EQ(wall.Band().FirstList().Points()[4], (DPoint{10, 0}));
  wall.MarkDirty();
  wall.UpdateIfDirty(nullptr);
  EXPECT_EQ(wall.Band().FirstList().Points()[4], (DPoint{10, 0}));
  DRect r;
  wall.GetExtent(r);
  EXPECT_EQ(r, (DRect{0, 0, 20, 0}));
}

TEST(Wall, Drawing) {
  DataHolder data;
  AddWallStyle(data.get());
  auto wallOwned = AxisWall(0);
  cWall& wall = *wallOwned;
  wall.wallFlags = cWall::kStartCap;
  test::RecordingDrawInfo info;
  info.data = data.get();
  wall.Draw(&info);
  ASSERT_EQ(info.calls.size(), 4u);
  EXPECT_EQ(info.calls[0], "FillPath type 6");  // the band has no line
  EXPECT_EQ(info.calls[1], "DrawSegmentShape (10,-1)(0,-1) type 1");
  EXPECT_EQ(info.calls[2], "DrawSegmentShape (0,1)(10,1) type 1");
  EXPECT_EQ(info.calls[3], "DrawSegmentShape (0,-1)(0,1) type 1");
  info.calls.clear();
  wall.DrawOutline(2, &info, false);
  ASSERT_EQ(info.calls.size(), 1u);
  EXPECT_EQ(info.calls[0], "RasterizePath 2");
  EXPECT_EQ(PathBuffer::Piece(0)->segments.Count(), 5u);
  EXPECT_EQ(PathBuffer::Piece(0)->closed, 1);
  wall.SetFlag(kFlagHidden);
  info.calls.clear();
  wall.Draw(&info);
  EXPECT_TRUE(info.calls.empty());
}

// ---- records ----

struct WallFixture {
  std::uint16_t style = 0;
  DPoint start{1, 2}, end{11, 2.5};
  double offsets[4] = {0.5, 0.25, 1.5, 2};
  std::uint8_t flags = 0x06;  // end cap, alignment 1
  double oldThickness = 1.5;
};

std::vector<std::uint8_t> WallRecordAt(int version, const WallFixture& f) {
  return test::Archive([&](ArchiveWriter& w) {
    if (version >= 3061) {
      test::WriteHeaderAt(w, version, test::HeaderFixture{});
      if (version < 3077) {
        w.WriteCompactU16(f.style);
      } else {
        test::WriteStyleIndexRef(w, f.style);
      }
      w.WriteRealPoint(f.start);
      w.WriteDeltaPoint(f.end, f.start);
      for (double o : f.offsets) w.WriteCompactDouble(o);
      w.WriteBits(f.flags, 8);
    } else {
      test::HeaderFixture header;
      header.level = 3;
      test::WriteHeaderAt(w, version, header);
      if (version >= 3050) {
        w.WriteUInt16(f.style);
      } else {
        test::LinePartFixture line;
        line.color = 0x0000FF;
        test::WriteLinePartAt(w, version, line);
        test::FillPartFixture fill;
        fill.hatchKind = 1;  // old solid kind
        fill.fillColor = 0x00FF00;
        test::WriteFillPartAt(w, version, fill);
      }
      test::WriteFloatPoint(w, f.start.x, f.start.y);
      test::WriteFloatPoint(w, f.end.x, f.end.y);
      if (version < 3050) test::WriteFloat(w, f.oldThickness);
      for (double o : f.offsets) test::WriteFloat(w, o);
      w.WriteByte(f.flags);
    }
    w.WriteBits(kMarker, 6);
  });
}

TEST(Wall, VersionRows) {
  WallFixture f;
  f.style = 4;
  for (int version : {3111, 3077, 3076, 3061, 3060, 3050}) {
    SCOPED_TRACE(version);
    cWall wall;
    MemoryArchive a(WallRecordAt(version, f));
    EXPECT_TRUE(wall.Read(nullptr, nullptr, a.Reader(), version).Empty());
    EXPECT_EQ(a.Reader().ReadBits(6), kMarker);
    EXPECT_FALSE(a.Reader().HasError());
    EXPECT_EQ(wall.wallStyle, 4);
    EXPECT_EQ(wall.start, f.start);
    EXPECT_EQ(wall.end, f.end);
    EXPECT_EQ(wall.startRight, 0.5);
    EXPECT_EQ(wall.startLeft, 0.25);
    EXPECT_EQ(wall.endRight, 1.5);
    EXPECT_EQ(wall.endLeft, 2);
    EXPECT_EQ(wall.wallFlags, 0x06);
    EXPECT_EQ(wall.Alignment(), 1);
    if (version < 3061) {
      EXPECT_EQ(wall.Level(), 3);
    }
  }
}

TEST(Wall, OldWallsBecomeWallStyles) {
  test::TestGeometryServices services;
  services.convertedWallStyle = 9;
  WallFixture f;
  DataHolder data;
  cWall wall;
  MemoryArchive a(WallRecordAt(3045, f));
  EXPECT_TRUE(wall.Read(nullptr, data.get(), a.Reader(), 3045).Empty());
  EXPECT_EQ(a.Reader().ReadBits(6), kMarker);
  EXPECT_EQ(wall.wallStyle, 9);
  EXPECT_EQ(wall.Level(), 3);
  EXPECT_EQ(wall.end, f.end);
  EXPECT_EQ(services.wallThickness, 3.0);  // twice the old thickness
  EXPECT_EQ(wall.wallFlags, 0x06);

  // Without drawing data the style is 0 and nothing is converted.
  services.wallThickness = -1;
  cWall bare;
  MemoryArchive b(WallRecordAt(3045, f));
  bare.Read(nullptr, nullptr, b.Reader(), 3045);
  EXPECT_EQ(bare.wallStyle, 0);
  EXPECT_EQ(services.wallThickness, -1);
  EXPECT_EQ(b.Reader().ReadBits(6), kMarker);
}

TEST(Wall, RoundTripWithTheStyleInline) {
  DataHolder data;
  AddWallStyle(data.get(), 3.5);
  auto wallOwned = AxisWall(2);
  cWall& wall = *wallOwned;
  wall.endLeft = 0.75;
  wall.SetPage(3);
  ResetStyleWriteNumbers(*data.get());
  DataHolder readData;
  auto back = test::RoundTripObject(wall, data.get(), readData.get());
  const cWall* w = back->AsWall();
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(readData->WallStyles().Count(), 1u);
  EXPECT_EQ(readData->WallStyles().Get(0)->thickness, 3.5);
  EXPECT_EQ(w->wallStyle, 0);
  EXPECT_EQ(w->endLeft, 0.75);
  EXPECT_EQ(w->Alignment(), 2);
  EXPECT_EQ(w->PageId(), 3);

  test::RoundTripObject(wall);
  cWall copy;
  copy.Assign(wall);
  ByteArray x, y;
  EXPECT_TRUE(copy.IsSameRecord(wall, x, y));
  test::ReadDamagedRecords(wall);
}

}  // namespace
}  // namespace kvn

namespace kvn {
namespace {

TEST(Wall, StyleWidthLookUp) {
  test::DataHolder data;
  AddWallStyle(data.get(), 3.0);
  cWall wall;
  EXPECT_TRUE(wall.HasValidStyle(data.get()));
  EXPECT_EQ(wall.GetStyleWidth(data.get()), 3.0);
  // An index equal to the count, or no drawing data: 0.
  wall.wallStyle = 1;
  EXPECT_FALSE(wall.HasValidStyle(data.get()));
  EXPECT_EQ(wall.GetStyleWidth(data.get()), 0.0);
  wall.wallStyle = 0;
  EXPECT_FALSE(wall.HasValidStyle(nullptr));
  EXPECT_EQ(wall.GetStyleWidth(nullptr), 0.0);
}

}  // namespace
}  // namespace kvn
