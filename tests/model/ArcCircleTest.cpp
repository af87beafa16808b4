#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "model/cArc.h"
#include "model/cCircle.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "model/cStyleFill.h"
#include "model/cText.h"
#include "model/PathBuffer.h"
#include "tests/model/GeometryTestSupport.h"
#include "tests/support/RecordingDrawInfo.h"

namespace kvn {
namespace {

using test::ExpectNear;
using test::FillPartFixture;
using test::MemoryArchive;

constexpr double kK = 0.552284749830793;
constexpr std::uint32_t kMarker = 0x2A;

void ExpectCubic(const Cubic& c, DPoint a, DPoint b, DPoint d, DPoint e, double eps = 1e-12) {
  ExpectNear(c.p[0], a, eps);
  ExpectNear(c.p[1], b, eps);
  ExpectNear(c.p[2], d, eps);
  ExpectNear(c.p[3], e, eps);
}

// ---- circles ----

std::vector<std::uint8_t> CircleRecordAt(int version, DPoint a, DPoint b, int form, const FillPartFixture& fill = {}) {
  return test::Archive([&](ArchiveWriter& w) {
    test::WriteHeaderAt(w, version, test::HeaderFixture{});
    test::WriteLinePartAt(w, version, test::LinePartFixture{});
    test::WriteFillPartAt(w, version, fill);
    if (version >= 3092) {
      w.WriteRealPoint(a);
      w.WriteRealPoint(b);
      w.WriteBit(form != 0);
    } else if (version >= 3061) {
      w.WriteRealPoint(a);
      w.WriteReal(b.x);
      w.WriteBit(b.y != b.x);
      if (b.y != b.x) w.WriteReal(b.y);
      w.WriteBit(form != 0);
    } else {
      test::WriteFloatPoint(w, a.x, a.y);
      test::WriteFloatPoint(w, b.x, b.y);
      if (version >= 3054) w.WriteByte(std::uint8_t(form));
    }
    w.WriteBits(kMarker, 6);
  });
}

std::unique_ptr<cCircle> ReadCircle(const std::vector<std::uint8_t>& bytes, int version) {
  auto circle = std::make_unique<cCircle>();
  circle->SetTypeByteSourceBits(0);
  MemoryArchive a(bytes);
  EXPECT_TRUE(circle->Read(nullptr, nullptr, a.Reader(), version).Empty());
  EXPECT_EQ(a.Reader().ReadBits(6), kMarker);
  EXPECT_FALSE(a.Reader().HasError());
  return circle;
}

TEST(Circle, Defaults) {
  std::unique_ptr<cOutObj> object(cOutObj::Create(kTypeCircle, true));
  ASSERT_NE(object, nullptr);
  cCircle* circle = object->AsAnyFill()->AsCircle();
  ASSERT_NE(circle, nullptr);
  EXPECT_EQ(circle->form, 1);
  EXPECT_EQ(circle->fill.fillColor, 0x80000000u);
  EXPECT_EQ(circle->fill.opacity, 255);
  EXPECT_EQ(circle->fill.hatchValue, 0.25);
  EXPECT_EQ(circle->fill.hatchScale, 1.0);
  EXPECT_EQ(circle->fill.formerFillStyle, 65535);
  EXPECT_TRUE(circle->IsClosed());
  EXPECT_EQ(circle->AsArc(), nullptr);
  EXPECT_EQ(circle->AsPolygon(), nullptr);
}

TEST(Circle, QuadrantsOfTheOutline) {
  cCircle circle;
  circle.p1 = {0, 0};
  circle.p2 = {4, 2};
  CubicArray out;
  int position = 0;
  EXPECT_TRUE(circle.GetOutline(out, &position));
  EXPECT_EQ(position, -1);
  ASSERT_EQ(out.Count(), 4u);
  ExpectCubic(out[0], {0, 1}, {0, 1 + kK}, {2 - 2 * kK, 2}, {2, 2});
  ExpectCubic(out[1], {2, 2}, {2 + 2 * kK, 2}, {4, 1 + kK}, {4, 1});
  ExpectCubic(out[2], {4, 1}, {4, 1 - kK}, {2 + 2 * kK, 0}, {2, 0});
  ExpectCubic(out[3], {2, 0}, {2 - 2 * kK, 0}, {0, 1 - kK}, {0, 1});

  // Form 0 stores the centre and the radii; the same box gives the same
  // quadrants.
  cCircle centred;
  centred.form = 0;
  centred.p1 = {2, 1};
  centred.p2 = {0, 2};  // radii |(-2, 1)|
  CubicArray same;
  centred.GetOutline(same, nullptr);
  ASSERT_EQ(same.Count(), 4u);
  for (std::uint32_t i = 0; i < 4; ++i) ExpectCubic(same[i], out[i].p[0], out[i].p[1], out[i].p[2], out[i].p[3]);
  DRect box;
  centred.GetExtent(box);
  EXPECT_EQ(box, (DRect{0, 0, 4, 2}));
}

TEST(Circle, VersionRows) {
  // Current form and 3092: the two points and the form bit.
  for (int version : {3111, 3092}) {
    auto c = ReadCircle(CircleRecordAt(version, {1, 2}, {5, -3}, 0), version);
    EXPECT_EQ(c->p1, (DPoint{1, 2}));
    EXPECT_EQ(c->p2, (DPoint{5, -3}));
    EXPECT_EQ(c->form, 0);
  }
  // 3061-3091: centre and radii; form 0 turns the radii into centre + radii.
  auto c = ReadCircle(CircleRecordAt(3070, {1, 1}, {2, 2}, 0), 3070);
  EXPECT_EQ(c->p1, (DPoint{1, 1}));
  EXPECT_EQ(c->p2, (DPoint{3, 3}));
  EXPECT_EQ(c->form, 0);
  c = ReadCircle(CircleRecordAt(3091, {1, 1}, {2, 0.5}, 0), 3091);
  EXPECT_EQ(c->p2, (DPoint{3, 1.5}));
  c = ReadCircle(CircleRecordAt(3061, {1, 1}, {7, 9}, 1), 3061);
  EXPECT_EQ(c->p2, (DPoint{7, 9}));
  EXPECT_EQ(c->form, 1);
  // 3054-3060: float points and a form byte.
  c = ReadCircle(CircleRecordAt(3055, {1.5, 1}, {0.5, 2}, 0), 3055);
  EXPECT_EQ(c->p2, (DPoint{2, 3}));
  c = ReadCircle(CircleRecordAt(3060, {1.5, 1}, {0.5, 2}, 1), 3060);
  EXPECT_EQ(c->p2, (DPoint{0.5, 2}));
  EXPECT_EQ(c->form, 1);
  // Before 3054 no form: always centre and radii.
  c = ReadCircle(CircleRecordAt(3053, {1, 1}, {2, 1}, 1), 3053);
  EXPECT_EQ(c->form, 0);
  EXPECT_EQ(c->p2, (DPoint{3, 2}));

  // A 3050 record with old kind 3 is a hatch 2 over white.
  FillPartFixture oldFill;
  oldFill.hatchKind = 3;
  oldFill.fillColor = 0x00FF0000;
  c = ReadCircle(CircleRecordAt(3050, {0, 0}, {1, 1}, 0, oldFill), 3050);
  EXPECT_EQ(c->fill.hatchKind, 2);
  EXPECT_EQ(c->fill.hatchColor, 0x00FF0000u);
  EXPECT_EQ(c->fill.fillColor, 0x00FFFFFFu);
}

TEST(Circle, RoundTripAndCopies) {
  cCircle circle;
  circle.form = 0;
  circle.p1 = {-1.5, 2};
  circle.p2 = {1e6 / 7, 3};
  circle.fill.fillColor = 0x00AA00;
  circle.fill.opacity = 128;
  circle.stroke.color = 0x0000FF;
  auto back = test::RoundTripObject(circle);
  ASSERT_NE(back, nullptr);
  const cCircle* c = back->AsAnyFill()->AsCircle();
  EXPECT_EQ(c->form, 0);
  EXPECT_EQ(c->p2, circle.p2);
  EXPECT_EQ(c->fill.opacity, 128);
  cCircle copy;
  copy.Assign(circle);
  ByteArray x, y;
  EXPECT_TRUE(copy.IsSameRecord(circle, x, y));
  test::ReadDamagedRecords(circle);
}

TEST(Circle, RotationOfEllipsesOnlyByRightAngles) {
  cCircle ellipse;
  ellipse.p1 = {0, 0};
  ellipse.p2 = {10, 20};
  EXPECT_FALSE(ellipse.Rotate({}, {0, 0}, 45.0));
  EXPECT_EQ(ellipse.p2, (DPoint{10, 20}));
  EXPECT_TRUE(ellipse.Rotate({}, {0, 0}, 90.0));
  DRect box;
  ellipse.GetExtent(box);
  EXPECT_NEAR(box.Width(), 20, 1e-9);
  EXPECT_NEAR(box.Height(), 10, 1e-9);

  // A circle turns by any angle: its middle moves, its size stays.
  cCircle circle;
  circle.p1 = {2, 0};
  circle.p2 = {4, 2};
  EXPECT_TRUE(circle.Rotate({}, {0, 0}, 90.0 / 2));
  circle.GetExtent(box);
  EXPECT_NEAR(box.Width(), 2, 1e-12);
  EXPECT_NEAR((box.x1 + box.x2) / 2, 3 * std::cos(M_PI / 4) - 1 * std::sin(M_PI / 4), 1e-12);
  cCircle centred;
  centred.form = 0;
  centred.p1 = {1, 0};
  centred.p2 = {2, 1};
  EXPECT_TRUE(centred.Rotate({}, {0, 0}, 90.0));
  ExpectNear(centred.p1, {0, 1});
  ExpectNear(centred.p2, {1, 2});
}

TEST(Circle, ScaleMoveAndSetPoints) {
  cCircle circle;
  circle.p1 = {1, 1};
  circle.p2 = {3, 2};
  EXPECT_TRUE(circle.Scale({}, {1, 1}, {2, -3}));
  EXPECT_EQ(circle.p2, (DPoint{5, -2}));
  circle.Move({1, 1});
  EXPECT_EQ(circle.p1, (DPoint{2, 2}));
  DPoint box[2] = {{0, 0}, {4, 2}};
  circle.form = 0;
  circle.SetPoints(box, 2);
  EXPECT_EQ(circle.p1, (DPoint{2, 1}));
  EXPECT_EQ(circle.p2, (DPoint{4, 2}));
  circle.form = 1;
  circle.SetPoints(box, 2);
  EXPECT_EQ(circle.p2, (DPoint{4, 2}));
}

TEST(Circle, DrawsAsAnEllipseShape) {
  test::RecordingDrawInfo info;
  cCircle circle;
  circle.form = 0;
  circle.p1 = {1, 1};
  circle.p2 = {2, 3};
  circle.Draw(&info);
  circle.DrawOutline(7, &info, true);
  ASSERT_EQ(info.calls.size(), 3u);
  EXPECT_EQ(info.calls[0], "DrawEllipseShape (0,-1)(2,3) type 3");
  EXPECT_EQ(info.calls[1], "AddEllipsePath (0,-1)(2,3)");
  EXPECT_EQ(info.calls[2], "RasterizePath 7");
  circle.SetFlag(kFlagHidden);
  info.calls.clear();
  circle.Draw(&info);
  EXPECT_TRUE(info.calls.empty());
}

TEST(Circle, ExplodesIntoFourCurvedPieces) {
  cCircle circle;
  circle.p2 = {2, 2};
  circle.stroke.color = 0x123456;
  ObjectChain pieces = circle.Explode(nullptr);
  ASSERT_EQ(pieces.Count(), 4u);
  for (cOutObj* o = pieces.Head(); o; o = o->next) {
    ASSERT_EQ(o->TypeCode(), kTypePolygon);
    const cPolygon* p = o->AsAnyFill()->AsPolygon();
    EXPECT_EQ(p->stroke.color, 0x123456u);
    EXPECT_EQ(p->FirstList().Count(), 4u);
    EXPECT_FALSE(p->FirstList().IsClosed());
  }
  cPolygon polygon;
  circle.ToPolygon(polygon);
  EXPECT_EQ(polygon.FirstList().Count(), 13u);
  EXPECT_TRUE(polygon.FirstList().IsClosed());
  EXPECT_EQ(polygon.FirstList().GetCurveKind(), 3);
}

// ---- arcs ----

std::vector<std::uint8_t> ArcRecordAt(int version, std::uint8_t kind, DPoint s, DPoint m, DPoint e,
                                      const FillPartFixture& fill = {}) {
  return test::Archive([&](ArchiveWriter& w) {
    test::WriteHeaderAt(w, version, test::HeaderFixture{});
    test::LinePartFixture line;
    line.color = 0x00FF00;
    test::WriteLinePartAt(w, version, line);
    if (version < 3081) test::WriteFillPartAt(w, version, fill);
    if (version >= 3061) {
      w.WriteBits(kind, 2);
      w.WriteRealPoint(s);
      w.WriteRealPoint(m);
      w.WriteRealPoint(e);
    } else {
      w.WriteByte(kind);
      test::WriteFloatPoint(w, s.x, s.y);
      test::WriteFloatPoint(w, m.x, m.y);
      test::WriteFloatPoint(w, e.x, e.y);
    }
    if (version >= 3081 && (kind & 1)) test::WriteFillPartAt(w, version, fill);
    w.WriteBits(kMarker, 6);
  });
}

TEST(Arc, DefaultsAndQuarterFromABox) {
  cArc arc;
  EXPECT_EQ(arc.TypeCode(), kTypeArc);
  EXPECT_EQ(arc.kind, 0);
  EXPECT_FALSE(arc.IsClosed());
  EXPECT_EQ(arc.AsArc(), &arc);
  DPoint box[2] = {{0, 0}, {-3, 2}};
  arc.SetPoints(box, 2);
  EXPECT_EQ(arc.start, (DPoint{0, 0}));
  EXPECT_EQ(arc.end, (DPoint{-2, 2}));
  ExpectNear(arc.middle, {-2 * std::cos(M_PI / 4), 2 - 2 * std::sin(M_PI / 4)});
}

TEST(Arc, OutlinePieces) {
  cArc arc;
  arc.start = {1, 0};
  arc.middle = {std::cos(M_PI / 4), std::sin(M_PI / 4)};
  arc.end = {0, 1};
  CubicArray quarter;
  int position = 0;
  EXPECT_FALSE(arc.GetOutline(quarter, &position));
  EXPECT_EQ(position, -1);
  ASSERT_EQ(quarter.Count(), 1u);
  ExpectCubic(quarter[0], {1, 0}, {1, kK}, {kK, 1}, {0, 1});
  DRect box;
  arc.GetExtent(box);
  ExpectNear({box.x1, box.y1}, {0, 0});
  ExpectNear({box.x2, box.y2}, {1, 1});

  struct Case {
    DPoint middle, end;
    std::uint32_t pieces;
  };
  for (Case c : {Case{{0, 1}, {-1, 0}, 2}, Case{{-1, 0}, {0, -1}, 3}, Case{{-1, 0}, {1, 0}, 4}}) {
    arc.middle = c.middle;
    arc.end = c.end;
    CubicArray out;
    arc.GetOutline(out, nullptr);
    ASSERT_EQ(out.Count(), c.pieces);
    EXPECT_EQ(out[0].p[0], arc.start);
    EXPECT_EQ(out[out.Count() - 1].p[3], arc.end);
    for (const Cubic& piece : out) EXPECT_NEAR(std::hypot(piece.p[3].x, piece.p[3].y), 1.0, 1e-12);
  }
  arc.kind = cArc::kClosed;
  CubicArray closed;
  EXPECT_TRUE(arc.GetOutline(closed, nullptr));
  EXPECT_EQ(closed.closed, 1);
}

TEST(Arc, VersionRows) {
  FillPartFixture fill;
  fill.fillColor = 0x0000FF;
  for (int version : {3111, 3081, 3080, 3061, 3060, 3052}) {
    for (std::uint8_t kind : {0, 1, 3}) {
      SCOPED_TRACE(testing::Message() << version << " kind " << int(kind));
      FillPartFixture f = fill;
      if (version < 3053) f.hatchKind = 1;  // old solid kind
      auto bytes = ArcRecordAt(version, kind, {1, 0}, {0, 1}, {-1, 0.5}, f);
      cArc arc;
      MemoryArchive a(bytes);
      EXPECT_TRUE(arc.Read(nullptr, nullptr, a.Reader(), version).Empty());
      EXPECT_EQ(a.Reader().ReadBits(6), kMarker);
      EXPECT_EQ(arc.kind, kind);
      EXPECT_EQ(arc.start, (DPoint{1, 0}));
      EXPECT_EQ(arc.end, (DPoint{-1, 0.5}));
      EXPECT_EQ(arc.stroke.color, 0x00FF00u);
      // The fill part is read before 3081, and from then on only when closed.
      const bool filled = version < 3081 || (kind & 1);
      EXPECT_EQ(arc.fill.fillColor, filled ? 0x0000FFu : 0x80000000u);
    }
  }
}

TEST(Arc, RoundTrip) {
  for (std::uint8_t kind : {0, 1, 2, 3}) {
    cArc arc;
    arc.kind = kind;
    arc.start = {0.5, -2};
    arc.middle = {3, 4};
    arc.end = {6.25, -2};
    arc.fill.fillColor = 0x010203;
    arc.fill.hatchKind = 7;
    auto back = test::RoundTripObject(arc);
    ASSERT_NE(back, nullptr);
    const cArc* a = back->AsAnyFill()->AsArc();
    EXPECT_EQ(a->kind, kind);
    EXPECT_EQ(a->middle, arc.middle);
    EXPECT_EQ(a->fill.hatchKind, (kind & 1) ? 7 : 0);
  }
  cArc arc;
  arc.kind = 1;
  arc.end = {1, 1};
  test::ReadDamagedRecords(arc);
}

TEST(Arc, ScalesOnlyUniformly) {
  cArc arc;
  arc.start = {1, 0};
  arc.middle = {0, 1};
  arc.end = {-1, 0};
  EXPECT_FALSE(arc.Scale({}, {0, 0}, {2, 3}));
  EXPECT_EQ(arc.start, (DPoint{1, 0}));
  EXPECT_TRUE(arc.Scale({}, {0, 0}, {2, 2}));
  EXPECT_EQ(arc.middle, (DPoint{0, 2}));
  EXPECT_TRUE(arc.Scale({}, {0, 0}, {1, -1}));
  EXPECT_EQ(arc.middle, (DPoint{0, -2}));

  // Placed by a chain with drawing data: scaled by the smaller factor about
  // its middle, which goes where the full factors take it.
  test::DataHolder data;
  cLine chain;
  TransformContext placed;
  placed.data = data.get();
  placed.chain = &chain;
  cArc half;
  half.start = {1, 0};
  half.middle = {0, 1};
  half.end = {-1, 0};
  EXPECT_TRUE(half.Scale(placed, {0, 0}, {2, 3}));
  DRect box;
  half.GetExtent(box);
  ExpectNear({(box.x1 + box.x2) / 2, (box.y1 + box.y2) / 2}, {0, 1.5});
  EXPECT_NEAR(box.Width(), 4, 1e-12);
  EXPECT_NEAR(box.Height(), 2, 1e-12);
}

TEST(Arc, RotateMoveAndStrokeExtent) {
  cArc arc;
  arc.start = {1, 0};
  arc.middle = {0, 1};
  arc.end = {-1, 0};
  EXPECT_TRUE(arc.Rotate({}, {0, 0}, 45));
  ExpectNear(arc.middle, {-std::sin(M_PI / 4), std::cos(M_PI / 4)});
  arc.Move({10, 0});
  EXPECT_NEAR(arc.start.x, 10 + std::cos(M_PI / 4), 1e-12);
  cArc flat;
  flat.end = {4, 0};
  flat.middle = {2, 1};
  flat.stroke.width = 1.0;
  DRect r;
  flat.GetStrokeExtent(nullptr, r);
  EXPECT_NEAR(r.x1, -0.5, 1e-12);
  EXPECT_NEAR(r.x2, 4.5, 1e-12);
  EXPECT_NEAR(r.y1, -0.5, 1e-12);
}

TEST(Arc, DrawPutsOnePieceIntoThePath) {
  test::RecordingDrawInfo info;
  cArc arc;
  arc.kind = cArc::kClosed;
  arc.start = {1, 0};
  arc.middle = {0, 1};
  arc.end = {-1, 0};
  arc.Draw(&info);
  ASSERT_EQ(info.calls.size(), 2u);
  EXPECT_EQ(info.calls[0], "FillPath type 9");
  EXPECT_EQ(info.calls[1], "StrokePath type 9");
  ASSERT_EQ(PathBuffer::PieceCount(), 1u);
  EXPECT_EQ(PathBuffer::Piece(0)->segments.Count(), 2u);
  EXPECT_EQ(PathBuffer::Piece(0)->closed, 1);
  // 4 device units per world unit, 256 sub-pixels per unit.
  EXPECT_EQ(PathBuffer::Piece(0)->segments[0].v[0], 1024);
  info.calls.clear();
  arc.DrawOutline(3, &info, false);
  ASSERT_EQ(info.calls.size(), 1u);
  EXPECT_EQ(info.calls[0], "RasterizePath 3");
  arc.SetFlag(kFlagHidden);
  info.calls.clear();
  arc.Draw(&info);
  EXPECT_TRUE(info.calls.empty());
}

TEST(Arc, ExplodesIntoCurvedPieces) {
  cArc arc;
  arc.start = {1, 0};
  arc.middle = {0, 1};
  arc.end = {-1, 0};
  arc.stroke.width = 0.7;
  ObjectChain pieces = arc.Explode(nullptr);
  ASSERT_EQ(pieces.Count(), 2u);
  const cPolygon* first = pieces.Head()->AsAnyFill()->AsPolygon();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->stroke.width, 0.7);
  EXPECT_EQ(first->FirstList().Points()[0], (DPoint{1, 0}));
  // Three points on a line make a straight arc: one line.
  cArc straight;
  straight.end = {2, 0};
  straight.middle = {1, 0};
  pieces = straight.Explode(nullptr);
  ASSERT_EQ(pieces.Count(), 1u);
  EXPECT_EQ(pieces.Head()->TypeCode(), kTypeLine);
}

// ---- hatch objects of filled objects ----

TEST(HatchObjects, BuiltinPatternInTheHatchColour) {
  test::TestGeometryServices services;
  cCircle circle;
  circle.fill.hatchKind = 5;
  circle.fill.hatchScale = 2.0;
  circle.fill.hatchValue = 0.35;
  circle.fill.hatchColor = 0x00AA00;
  ObjectChain objects;
  double scale = 0;
  cStyleFill stale;
  const cStyleFill* style = &stale;  // replaced by the style that applies
  DRect tile;
  circle.MakeHatchObjects(objects, scale, nullptr, style, tile, false);
  EXPECT_EQ(style, nullptr);
  EXPECT_EQ(scale, 2.0);
  ASSERT_EQ(services.hatchCalls.size(), 1u);
  EXPECT_EQ(services.hatchCalls[0].pattern, 5);
  EXPECT_EQ(services.hatchCalls[0].value, 0.35);
  EXPECT_EQ(tile, (DRect{0, 0, 2, 2}));
  ASSERT_EQ(objects.Count(), 1u);
  EXPECT_EQ(objects.Head()->AsAnyLine()->stroke.color, 0x00AA00u);
  circle.MakeHatchObjects(objects, scale, nullptr, style, tile, true);
  EXPECT_EQ(objects.Head()->AsAnyLine()->stroke.color, 0u);

  // No hatch, or a scale not above 0: nothing is built.
  circle.fill.hatchKind = 0;
  circle.MakeHatchObjects(objects, scale, nullptr, style, tile, false);
  EXPECT_TRUE(objects.Empty());
  circle.fill.hatchKind = 5;
  circle.fill.hatchScale = 0;
  circle.MakeHatchObjects(objects, scale, nullptr, style, tile, false);
  EXPECT_TRUE(objects.Empty());
  EXPECT_EQ(services.hatchCalls.size(), 2u);
}

TEST(HatchObjects, FillStyleScalesAndSymbols) {
  test::TestGeometryServices services;
  test::DataHolder data;
  data->SetScale(4.0);
  auto style = std::make_unique<cStyleFill>();
  style->hatchKind = 7;
  style->hatchScale = 2.0;
  style->hatchValue = 0.5;
  data->FillStyles().Add(std::move(style));
  cCircle circle;
  circle.SetTypeByteSourceBits(kTypeStyledFill);
  circle.fill.fillStyle = 0;
  circle.fill.hatchScale = 3.0;
  circle.fill.hatchValue = 0.1;
  ObjectChain objects;
  double scale = 0;
  const cStyleFill* found = nullptr;
  DRect tile;
  circle.MakeHatchObjects(objects, scale, data.get(), found, tile, false);
  EXPECT_EQ(found, data->FillStyles().Get(0));
  EXPECT_EQ(scale, 2.0);
  EXPECT_EQ(services.hatchCalls.back().pattern, 7);
  EXPECT_EQ(services.hatchCalls.back().value, 0.5);
  // A style that defers to the object: its scale per drawing scale times
  // the object's, and the object's value.
  data->FillStyles().Get(0)->byObject = 1;
  circle.MakeHatchObjects(objects, scale, data.get(), found, tile, false);
  EXPECT_EQ(scale, 2.0 / 4.0 * 3.0);
  EXPECT_EQ(services.hatchCalls.back().value, 0.1);

  // Kind 255: the style's own symbol, scaled, its pens set by the value.
  cStyleFill* symbolStyle = data->FillStyles().Get(0);
  symbolStyle->hatchKind = kSymbolHatch;
  symbolStyle->byObject = 0;
  symbolStyle->symbolScale = 3.0;
  auto* mark = new cLine();
  mark->start = {1, 1};
  mark->end = {2, 3};
  symbolStyle->symbol.Append(mark);
  auto* label = new cText();
  symbolStyle->symbol.Append(label);
  symbolStyle->hatchColor = 0x0000FF;
  circle.MakeHatchObjects(objects, scale, data.get(), found, tile, false);
  ASSERT_EQ(objects.Count(), 2u);
  const cLine* copy = objects.Head()->AsAnyLine()->AsLine();
  EXPECT_EQ(copy->end, (DPoint{4, 6}));
  EXPECT_EQ(copy->stroke.width, 0.5);
  EXPECT_EQ(copy->stroke.color, 0x0000FFu);
  EXPECT_EQ(objects.Head()->next->AsText()->attr.color, 0x0000FFu);

  ObjectChain bare;
  DRect box;
  cAnyFill::CopyHatchSymbol(*symbolStyle, bare, box, 0.5, 0.0, 3.0);
  ASSERT_EQ(bare.Count(), 2u);
  EXPECT_EQ(bare.Head()->AsAnyLine()->stroke.width, 0.25 * 3.0);
  EXPECT_EQ(box.x2, 1.0);  // the line's box (1, 1, 2, 3) times 0.5 at the far side
  // The label's frame reaches lower: its line (height 3 in the screen font,
  // line height 3.5 at the 48-pixel em) from the origin, times 0.5.
  EXPECT_EQ(box.y2, 1.75);
  cAnyFill::CopyHatchSymbol(*symbolStyle, bare, box, 0.0, 0.0, 1.0);
  EXPECT_TRUE(bare.Empty());
  EXPECT_EQ(box, DRect{});
}

TEST(HatchObjects, DetachFillStyle) {
  test::DataHolder data;
  auto style = std::make_unique<cStyleFill>();
  style->hatchKind = kSymbolHatch;
  style->fillColor = 0x111111;
  style->hatchColor = 0x222222;
  style->hatchValue = 0.7;
  data->FillStyles().Add(std::move(style));
  cCircle circle;
  circle.SetTypeByteSourceBits(kTypeStyledFill);
  circle.fill.fillStyle = 0;
  circle.fill.formerFillStyle = 0;
  circle.DetachFillStyle(data.get());
  EXPECT_EQ(circle.TypeByte() & kTypeStyledFill, 0);
  EXPECT_EQ(circle.fill.hatchKind, 0);  // a symbol hatch has no own form
  EXPECT_EQ(circle.fill.fillColor, 0x111111u);
  EXPECT_EQ(circle.fill.hatchColor, 0x222222u);
  EXPECT_EQ(circle.fill.hatchValue, 0.7);
  EXPECT_EQ(circle.fill.formerFillStyle, 65535);
}

}  // namespace
}  // namespace kvn
