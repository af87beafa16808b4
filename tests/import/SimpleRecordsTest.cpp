// Import entity records: the base fields from group codes (colours, line
// types, visibility), the objects the simple records make with and without a
// transform, and the spool form of every record kind.
#include "import/records/SimpleRecords.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "foundation/InFileStream.h"
#include "foundation/OutFileStream.h"
#include "import/records/AciColors.h"
#include "import/records/ImportMatrix.h"
#include "import/records/YxxfGroupRecord.h"
#include "model/Geometry.h"
#include "model/cArc.h"
#include "model/cCircle.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "tests/import/ImportTestSupport.h"

namespace kvn {
namespace {

std::uint32_t ColorOf(std::initializer_list<std::pair<int, int>> items) {
  YxxfGroupRecord r;
  for (auto [code, value] : items) r.AddInt(std::uint16_t(code), value);
  return cOneObjRec(&r, 2).color;
}

TEST(ImportColorsTest, ColoursFromIndexAndTrueColour) {
  EXPECT_EQ(ColorOf({}), kColorByLayer);
  EXPECT_EQ(ColorOf({{62, 0}}), kColorByBlock);
  EXPECT_EQ(ColorOf({{62, 256}}), kColorByLayer);
  EXPECT_EQ(ColorOf({{62, 7}}), 0u);
  EXPECT_EQ(ColorOf({{62, 1}}), 0x000000FFu);
  EXPECT_EQ(ColorOf({{62, 1}, {420, 0x0A141E}}), 0x001E140Au);
  EXPECT_EQ(ColorOf({{62, 255}}), 0u);
  EXPECT_EQ(ColorOf({{62, 255}, {420, 0x102030}}), 0x00302010u);
  EXPECT_EQ(ColorOf({{62, 7}, {420, 0x102030}}), 0u);
  EXPECT_EQ(AciToRgb(5, -1), 0x00FF0000u);
  EXPECT_EQ(AciToRgb(8, -1), 0x00808080u);
  EXPECT_EQ(AciToRgb(9, -1), 0x00C0C0C0u);
  EXPECT_EQ(AciToRgb(250, -1), 0x00333333u);
  EXPECT_EQ(AciToRgb(1000, 0x123456), 0u);
  EXPECT_EQ(AciToRgb(65535, -1), 0u);
  EXPECT_EQ(AciToRgb(65535, 0x123456), 0x00563412u);
  // A few entries of the scheme: hue steps and half saturation.
  EXPECT_EQ(AciToRgb(21, -1), 0x007F9FFFu);
  EXPECT_EQ(AciToRgb(42, -1), 0x00007CA5u);
  EXPECT_EQ(AciToRgb(249, -1), 0x00171326u);
}

TEST(ImportRecordBaseTest, VisibilityLineTypeAndExtrusion) {
  YxxfGroupRecord r;
  r.AddInt(60, 3);
  r.AddString(6, std::string_view("DASHED"));
  r.AddString(5, std::string_view("1F"));
  r.AddDouble(48, 2.5);
  cOneObjRec a(&r, 2);
  EXPECT_EQ(a.invisible, 1);
  EXPECT_EQ(a.lineTypeName, WString(u"DASHED"));
  EXPECT_EQ(a.lineTypeHandle, 0u);
  EXPECT_EQ(a.lineTypeByHandle, 0);
  EXPECT_EQ(a.handle, 0x1Fu);
  EXPECT_EQ(a.lineTypeScale, 2.5);
  EXPECT_EQ(a.extrusion, (Vec3{0, 0, 1}));

  YxxfGroupRecord d;
  d.AddInt(60, 2);
  d.AddHandle(5, 0x20, 0);
  d.AddHandle(6, 0x14, 0);
  d.AddPoint3(210, 0, 0, -1);
  cOneObjRec b(&d, 2);
  EXPECT_EQ(b.invisible, 0);
  EXPECT_EQ(b.lineTypeHandle, 0x14u);
  EXPECT_EQ(b.lineTypeByHandle, 1);
  EXPECT_TRUE(b.lineTypeName.IsEmpty());
  EXPECT_EQ(b.extrusion, (Vec3{0, 0, -1}));

  // Without an entity handle the line-type handle is not taken.
  YxxfGroupRecord e;
  e.AddHandle(6, 0x14, 0);
  EXPECT_EQ(cOneObjRec(&e, 2).lineTypeByHandle, 0);
  cOneObjRec none(nullptr, 2);
  EXPECT_EQ(none.color, 0u);
  EXPECT_EQ(none.lineTypeScale, 1.0);
}

TEST(ImportRecordObjectsTest, ArcsThroughZeroAndZeroLength) {
  ImportMatrix m;
  YxxfEntArc arc(nullptr, Vec3{0, 0, 0}, 10, 350, 10, 9);
  ObjectChain chain = arc.MakeObject(&m, nullptr, nullptr);
  cArc* a = static_cast<cOutObj*>(chain.Head())->AsAnyLine() ? dynamic_cast<cArc*>(chain.Head()) : nullptr;
  ASSERT_NE(a, nullptr);
  EXPECT_NEAR(a->start.x, 10 * std::cos(-10 * M_PI / 180), 1e-12);
  EXPECT_NEAR(a->start.y, -10 * std::sin(-10 * M_PI / 180), 1e-12);  // y negated
  EXPECT_NEAR(a->middle.x, 10, 1e-12);
  EXPECT_NEAR(a->middle.y, 0, 1e-12);
  EXPECT_EQ(a->stroke.width, 0.0);
  EXPECT_EQ(a->stroke.lineType, 1);
  EXPECT_EQ(a->stroke.penOption, 1);

  YxxfEntArc dot(nullptr, Vec3{1, 1, 0}, 5, 10, 10, 9);
  ObjectChain c2 = dot.MakeObject(&m, nullptr, nullptr);
  cArc* z = dynamic_cast<cArc*>(c2.Head());
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(z->start, z->end);
  EXPECT_EQ(z->start, z->middle);

  // Without a transform: 3-D cubic pieces of the same arc.
  ObjectChain c3 = arc.MakeObject(nullptr, nullptr, nullptr);
  cPolygon* p = dynamic_cast<cPolygon*>(c3.Head());
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p->FirstList().Flags() & PointList::kFlagPacked3D);
  Vec3 first = p->FirstList().Get3DPoint(0);
  EXPECT_NEAR(first.x, 10 * std::cos(-10 * M_PI / 180), 1e-12);
  EXPECT_NEAR(first.y, 10 * std::sin(-10 * M_PI / 180), 1e-12);

  // A distorting transform gives cubic pieces instead of an arc.
  ImportMatrix stretch;
  stretch.PreScaleAbout(Vec3{2, 1, 1}, Vec3{});
  ObjectChain c4 = arc.MakeObject(&stretch, nullptr, nullptr);
  EXPECT_NE(dynamic_cast<cPolygon*>(c4.Head()), nullptr);
}

TEST(ImportRecordObjectsTest, CirclesUnderTransformsAndExtrusions) {
  ImportMatrix m;
  YxxfEntCircle c(nullptr, Vec3{3, 4, 0}, 2, kNoFill, 8);
  ObjectChain a = c.MakeObject(&m, nullptr, nullptr);
  cCircle* circle = dynamic_cast<cCircle*>(a.Head());
  ASSERT_NE(circle, nullptr);
  EXPECT_EQ(circle->form, 0);
  EXPECT_EQ(circle->p1, (DPoint{3, -4}));
  EXPECT_EQ(circle->p2, (DPoint{5, -2}));

  ImportMatrix stretch;
  stretch.PreScaleAbout(Vec3{2, 1, 1}, Vec3{});
  ObjectChain b = c.MakeObject(&stretch, nullptr, nullptr);
  cPolygon* outline = dynamic_cast<cPolygon*>(b.Head());
  ASSERT_NE(outline, nullptr);
  EXPECT_TRUE(outline->FirstList().IsClosed());
  DRect box;
  GetPointsBounds(box, outline->FirstList().Points().data(), outline->FirstList().Count());
  EXPECT_NEAR(box.x1, 2, 1e-9);
  EXPECT_NEAR(box.x2, 10, 1e-9);

  YxxfGroupRecord down;
  down.AddPoint3(210, 0, 0, -1);
  YxxfEntCircle flipped(&down, Vec3{3, 4, 0}, 2, 0x00FF00, 8);
  ObjectChain f = flipped.MakeObject(&m, nullptr, nullptr);
  cCircle* fc = dynamic_cast<cCircle*>(f.Head());
  ASSERT_NE(fc, nullptr);
  EXPECT_EQ(fc->p1, (DPoint{-3, -4}));
  EXPECT_EQ(fc->fill.fillColor, 0x00FF00u);
}

TEST(ImportRecordObjectsTest, SolidCornerOrder) {
  ImportMatrix m;
  YxxfGroupRecord r;
  r.AddInt(62, 1);
  YxxfEntSolid tri(&r, Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 1, 0}, 18);
  ObjectChain a = tri.MakeObject(&m, nullptr, nullptr);
  cPolygon* p = dynamic_cast<cPolygon*>(a.Head());
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->FirstList().Count(), 3u);
  EXPECT_TRUE(p->FirstList().IsClosed());
  EXPECT_EQ(p->fill.fillColor, 0x000000FFu);
  EXPECT_EQ(p->stroke.color, 0x000000FFu);
  EXPECT_EQ(p->TypeByte() & 0x80, 0);

  // 13 differs from 12 only in z: a quadrilateral, with 12 and 13 swapped.
  YxxfEntSolid quad(nullptr, Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 1, 1}, 18);
  EXPECT_EQ(quad.corners[2], (Vec3{0, 1, 1}));
  EXPECT_EQ(quad.corners[3], (Vec3{0, 1, 0}));
  ObjectChain b = quad.MakeObject(nullptr, nullptr, nullptr);
  cPolygon* q = dynamic_cast<cPolygon*>(b.Head());
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->FirstList().Count3D(), 4u);
}

DRect OutlineBox(const cPolygon& p) {
  DRect box;
  GetPointsBounds(box, p.FirstList().Points().data(), p.FirstList().Count());
  return box;
}

TEST(ImportRecordObjectsTest, Ellipses) {
  ImportMatrix m;
  cOneEllipse full(nullptr, Vec3{100, 50, 0}, Vec3{10, 0, 0}, 0.5, 0, 2 * M_PI, kNoFill, 32);
  ObjectChain a = full.MakeObject(&m, nullptr, nullptr);
  cPolygon* p = dynamic_cast<cPolygon*>(a.Head());
  ASSERT_NE(p, nullptr);
  DRect box = OutlineBox(*p);
  EXPECT_NEAR(box.x1, 90, 1e-9);
  EXPECT_NEAR(box.x2, 110, 1e-9);
  EXPECT_NEAR(box.y1, -55, 1e-9);
  EXPECT_NEAR(box.y2, -45, 1e-9);

  // The first quarter runs from the major end towards +y (drawing -y) ...
  cOneEllipse quarter(nullptr, Vec3{0, 0, 0}, Vec3{10, 0, 0}, 0.5, 0, M_PI / 2, kNoFill, 32);
  ObjectChain b = quarter.MakeObject(&m, nullptr, nullptr);
  DRect qb = OutlineBox(*dynamic_cast<cPolygon*>(b.Head()));
  EXPECT_NEAR(qb.y1, -5, 1e-9);
  EXPECT_NEAR(qb.y2, 0, 1e-9);
  // ... and under (0, 0, -1) its sweep is swapped and negated: towards -y.
  YxxfGroupRecord down;
  down.AddPoint3(210, 0, 0, -1);
  cOneEllipse below(&down, Vec3{0, 0, 0}, Vec3{10, 0, 0}, 0.5, 0, M_PI / 2, kNoFill, 32);
  ObjectChain c = below.MakeObject(&m, nullptr, nullptr);
  DRect cb = OutlineBox(*dynamic_cast<cPolygon*>(c.Head()));
  EXPECT_NEAR(cb.y1, 0, 1e-9);
  EXPECT_NEAR(cb.y2, 5, 1e-9);
  EXPECT_NEAR(cb.x2, 10, 1e-9);

  // Without a transform: world (x, y, z) triples.
  ObjectChain d = full.MakeObject(nullptr, nullptr, nullptr);
  cPolygon* w = dynamic_cast<cPolygon*>(d.Head());
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->FirstList().Flags() & PointList::kFlagPacked3D);
  EXPECT_NEAR(w->FirstList().Get3DPoint(0).y, 50, 1e-9);
}

TEST(ImportRecordObjectsTest, LinesAndPoints) {
  ImportMatrix m;
  OffPlaneCounter deep;
  m.counter = &deep;
  YxxfEntLine line(nullptr, Vec3{1, 2, 0}, Vec3{3, 4, 5}, 2);
  ObjectChain a = line.MakeObject(&m, nullptr, nullptr);
  cLine* l = dynamic_cast<cLine*>(a.Head());
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->end, (DPoint{3, -4}));
  EXPECT_EQ(deep.count, 1u);
  YxxfEntPoint point(nullptr, Vec3{7, 8, 0}, 19);
  ObjectChain b = point.MakeObject(&m, nullptr, nullptr);
  cLine* pl = dynamic_cast<cLine*>(b.Head());
  ASSERT_NE(pl, nullptr);
  EXPECT_EQ(pl->start, pl->end);
  ObjectChain c = point.MakeObject(nullptr, nullptr, nullptr);
  EXPECT_EQ(dynamic_cast<cPolygon*>(c.Head())->FirstList().Count3D(), 2u);
}

// Every record kind: writes the 80-byte base with its kind, reads back as the
// same class, and writes the same bytes again.
TEST(ImportSpoolTest, EveryRecordKindRoundTripsByteForByte) {
  YxxfGroupRecord r;
  r.AddHandle(5, 0x1234, 0x56);
  r.AddHandle(6, 0x77, 0);
  r.AddInt(62, 3);
  r.AddDouble(48, 0.25);
  r.AddInt(60, 1);
  r.AddPoint3(210, 0.1, 0.2, 0.97);
  std::vector<std::unique_ptr<cOneObjRec>> records;
  records.push_back(std::make_unique<cOneObjRec>(&r, 24));
  records.push_back(std::make_unique<YxxfEntLine>(&r, Vec3{1, 2, 3}, Vec3{4, 5, 6}, 2));
  records.push_back(std::make_unique<YxxfEntArc>(&r, Vec3{1, 2, 3}, 4, 5, 6, 9));
  records.push_back(std::make_unique<YxxfEntCircle>(&r, Vec3{1, 2, 3}, 4, 0x123456, 8));
  records.push_back(std::make_unique<YxxfEntSolid>(&r, Vec3{1, 2, 3}, Vec3{4, 5, 6}, Vec3{7, 8, 9},
                                                   Vec3{10, 11, 12}, 18));
  records.push_back(std::make_unique<cOneEllipse>(&r, Vec3{1, 2, 3}, Vec3{4, 5, 6}, 0.5, 0.1, 0.2, kNoFill, 32));
  records.push_back(std::make_unique<YxxfEntPoint>(&r, Vec3{1, 2, 3}, 19));
  const std::uint32_t expected[] = {80, 128, 128, 120, 176, 160, 104};
  records[0]->paperSpace = 1;
  records[0]->level = 513;

  ByteArray first;
  std::vector<std::uint64_t> starts;
  {
    OutFileStream out = OutFileStream::ToMemory(first);
    for (std::size_t i = 0; i < records.size(); ++i) {
      starts.push_back(out.Position());
      records[i]->WriteSpool(out);
      EXPECT_EQ(out.Position() - starts.back(), expected[i]) << i;
    }
    out.Flush();
  }
  // The base layout at its fixed offsets.
  const std::uint8_t* b = first.Items();
  EXPECT_EQ(b[0], 0x34);
  EXPECT_EQ(b[4], 0x56);
  EXPECT_EQ(b[8], 0x77);
  EXPECT_EQ(b[16], 1);
  EXPECT_EQ(b[24], 1);
  EXPECT_EQ(b[26], 24);
  EXPECT_EQ(b[28] | b[29] << 8, 513);
  EXPECT_EQ(b[48], 1);
  EXPECT_EQ(b[80 + 20], std::uint8_t(RecordKind::Line));

  InFileStream in = InFileStream::FromMemory(first);
  ByteArray second;
  {
    OutFileStream out = OutFileStream::ToMemory(second);
    for (std::size_t i = 0; i < records.size(); ++i) {
      std::unique_ptr<cOneObjRec> back = ReadSpooledRecord(in);
      ASSERT_NE(back, nullptr) << i;
      EXPECT_EQ(back->Kind(), records[i]->Kind());
      EXPECT_EQ(back->handle, records[i]->handle);
      back->WriteSpool(out);
    }
    out.Flush();
  }
  ASSERT_EQ(first.Count(), second.Count());
  EXPECT_EQ(std::memcmp(first.Items(), second.Items(), first.Count()), 0);

  // A record cut short reads back as nothing.
  ByteArray cut;
  cut.AppendBytes(first.Items(), 100);
  InFileStream shortIn = InFileStream::FromMemory(cut);
  EXPECT_NE(ReadSpooledRecord(shortIn), nullptr);  // the placeholder (80 bytes)
  EXPECT_EQ(ReadSpooledRecord(shortIn), nullptr);
  // An unknown kind as well.
  ByteArray odd;
  odd.AppendBytes(first.Items(), 80);
  odd[20] = 200;
  InFileStream oddIn = InFileStream::FromMemory(odd);
  EXPECT_EQ(ReadSpooledRecord(oddIn), nullptr);
}

}  // namespace
}  // namespace kvn
