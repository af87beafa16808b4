#include "model/PointList.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/BezierMath.h"
#include "model/PathBuffer.h"
#include "model/WorldMapping.h"
#include "tests/support/RecordFixtures.h"

namespace kvn {
namespace {

using test::MemoryArchive;

constexpr double kPi = std::numbers::pi;

PointList Make(std::vector<DPoint> pts, bool closed, int kind = 0, double weight = 0) {
  PointList list;
  list.SetPoints(pts.data(), std::uint32_t(pts.size()));
  list.SetClosed(closed);
  list.SetCurveKind(kind);
  list.SetWeight(weight);
  return list;
}

void ExpectSame(const PointList& a, const PointList& b) {
  EXPECT_EQ(a.Flags(), b.Flags());
  EXPECT_EQ(a.Weight(), b.Weight());
  ASSERT_EQ(a.Count(), b.Count());
  for (std::uint32_t i = 0; i < a.Count(); ++i) {
    EXPECT_EQ(a.Points()[i], b.Points()[i]) << "point " << i;
  }
}

void WriteSingle(ArchiveWriter& w, double v) { w.WriteRaw32(std::bit_cast<std::uint32_t>(float(v))); }

// A record of the bands before 3061: flags, raw count, single points, then
// optionally radii and a weight.
std::vector<std::uint8_t> OldRecord(std::uint8_t flags, const std::vector<DPoint>& pts, const std::vector<double>& radii,
                                    double weight = -1) {
  return test::Archive([&](ArchiveWriter& w) {
    w.WriteByte(flags);
    w.WriteUInt16(std::uint16_t(pts.size()));
    for (const DPoint& p : pts) {
      WriteSingle(w, p.x);
      WriteSingle(w, p.y);
    }
    for (double r : radii) WriteSingle(w, r);
    if (weight >= 0) WriteSingle(w, weight);
  });
}

// --- Editing ----------------------------------------------------------------------------------

TEST(PointList, DefaultsAndAssign) {
  PointList a;
  EXPECT_EQ(a.Count(), 0u);
  EXPECT_EQ(a.Flags(), 0x02);
  EXPECT_EQ(a.Weight(), 0.0);
  DRect tight, hull;
  a.GetBounds(tight, hull);
  EXPECT_TRUE(tight.IsZero());
  EXPECT_TRUE(hull.IsZero());

  PointList b = Make({{1, 2}, {3, 4}, {5, 6}}, false, 2, 0.5);
  a.Assign(b);
  ExpectSame(a, b);
  a.Assign(a);  // self-assignment keeps the list
  EXPECT_EQ(a.Count(), 3u);
}

TEST(PointList, RemovePointKeepsTheMinimum) {
  PointList triangle = Make({{0, 0}, {1, 0}, {0, 1}}, true);
  EXPECT_FALSE(triangle.RemovePoint(0, true));
  EXPECT_EQ(triangle.Count(), 3u);

  PointList open = Make({{0, 0}, {1, 0}}, false);
  EXPECT_FALSE(open.RemovePoint(1, false));
  EXPECT_FALSE(open.RemovePoint(2, true));  // index out of range
  EXPECT_TRUE(open.RemovePoint(1, true));
  EXPECT_EQ(open.Points()[0], (DPoint{0, 0}));
  EXPECT_TRUE(open.RemovePoint(0, true));
  EXPECT_EQ(open.Count(), 0u);
  EXPECT_FALSE(open.RemovePoint(0, true));
}

TEST(PointList, CountNeverExceeds65535) {
  std::vector<DPoint> many(70000);
  for (std::size_t i = 0; i < many.size(); ++i) many[i] = {double(i), 0};
  PointList list;
  list.SetPoints(many.data(), 70000);
  EXPECT_EQ(list.Count(), 65535u);
  EXPECT_EQ(list.Points()[65534].x, 65534.0);
  EXPECT_FALSE(list.InsertPoint({1, 1}, 0));
  EXPECT_EQ(list.Count(), 65535u);

  GrowArray<DPoint> arr;
  arr.Append(many.data(), 65535);
  PointList16::AppendCapped(arr, {1, 1});
  EXPECT_EQ(arr.Count(), 65535u);

  // Keeping a prefix of the list's own points.
  list.SetPoints(list.Points().data(), 3);
  EXPECT_EQ(list.Count(), 3u);
  EXPECT_EQ(list.Points()[2].x, 2.0);
}

TEST(PointList, InsertPointPositions) {
  PointList list = Make({{0, 0}, {2, 0}}, false);
  EXPECT_TRUE(list.InsertPoint({1, 0}, 1));
  EXPECT_TRUE(list.InsertPoint({9, 9}, 100));  // beyond the end: appended
  EXPECT_TRUE(list.InsertPoint(list.Points()[0], 0));  // from its own storage
  ASSERT_EQ(list.Count(), 5u);
  EXPECT_EQ(list.Points()[0], (DPoint{0, 0}));
  EXPECT_EQ(list.Points()[2], (DPoint{1, 0}));
  EXPECT_EQ(list.Points()[4], (DPoint{9, 9}));
}

TEST(PointList, CurveKindAndCubicChains) {
  CubicArray records;
  records.Append64(Cubic{{{0, 0}, {1, 1}, {2, 1}, {3, 0}}});
  records.Append64(Cubic{{{3, 0}, {4, -1}, {5, -1}, {6, 0}}});
  PointList list;
  list.SetFromCubics(records, false);
  std::uint32_t used = 0;
  EXPECT_EQ(list.GetCurveKind(&used), 3);
  EXPECT_EQ(list.Count(), 7u);
  EXPECT_EQ(used, 7u);
  EXPECT_FALSE(list.IsClosed());

  list.InsertPoint({7, 0}, 99);  // 8 points: the chain still uses 7
  EXPECT_EQ(list.GetCurveKind(&used), 3);
  EXPECT_EQ(used, 7u);

  PointList shortChain = Make({{0, 0}, {1, 0}, {2, 0}}, false, 3);
  EXPECT_EQ(shortChain.GetCurveKind(&used), 0);
  EXPECT_EQ(used, 3u);

  PointList odd = Make({{0, 0}, {1, 0}}, false);
  odd.SetFlags(0x1C);  // no writer makes this combination
  EXPECT_EQ(odd.GetCurveKind(), 0);
}

TEST(PointList, PackedTriples) {
  PointList list;
  EXPECT_TRUE(list.Add3DPoint({1, 2, 3}));
  EXPECT_EQ(list.Count(), 2u);  // three doubles: the last point half used
  EXPECT_EQ(list.Points()[1], (DPoint{3, 0}));
  EXPECT_TRUE(list.Add3DPoint({4, 5, 6}));
  EXPECT_EQ(list.Count(), 3u);
  EXPECT_EQ(list.Points()[1], (DPoint{3, 4}));
  EXPECT_EQ(list.Get3DPoint(1), (Vec3{4, 5, 6}));
  EXPECT_EQ(list.Flags() & 0x80, 0x80);

  std::vector<Vec3> many(50000, Vec3{1, 2, 3});
  list.Set3DPoints(many.data(), 50000);
  EXPECT_EQ(list.Count3D(), 43690u);
  EXPECT_EQ(list.Count(), 65535u);
  EXPECT_FALSE(list.Add3DPoint({7, 8, 9}));

  Cubic3D c{{{0, 0, 1}, {1, 0, 2}, {2, 0, 3}, {3, 0, 4}}};
  list.SetFromCubics3D(&c, 1, true);
  EXPECT_EQ(list.Count3D(), 4u);
  EXPECT_EQ(list.Get3DPoint(3), (Vec3{3, 0, 4}));
  EXPECT_EQ(list.Flags(), 0x80 | 0x10 | 0x02);
}

TEST(PointList, RotateAboutCentre) {
  PointList list = Make({{2, 1}, {1, 1}}, false);
  list.Rotate({1, 1}, 90);
  EXPECT_NEAR(list.Points()[0].x, 1, 1e-15);
  EXPECT_NEAR(list.Points()[0].y, 2, 1e-15);
  EXPECT_EQ(list.Points()[1], (DPoint{1, 1}));
}

// --- Bounds and straightening ------------------------------------------------------------------

TEST(PointList, BoundsByKind) {
  PointList poly = Make({{0, 0}, {4, 0}, {4, 3}}, true, 2, 1);
  poly.UpdateBounds();
  DRect tight, hull;
  poly.GetBounds(tight, hull);
  EXPECT_EQ(tight, (DRect{0, 0, 4, 3}));
  EXPECT_EQ(hull, tight);

  PointList chain = Make({{0, 0}, {0, 4}, {4, 4}, {4, 0}}, false, 3);
  chain.UpdateBounds();
  chain.GetBounds(tight, hull);
  EXPECT_EQ(tight.x1, 0);
  EXPECT_EQ(tight.x2, 4);
  EXPECT_DOUBLE_EQ(tight.y2, 3);  // the curve's top, below its control points
  EXPECT_EQ(hull, (DRect{0, 0, 4, 4}));

  // Every flattened point of every record lies in the tight box.
  PointList smooth = Make({{0, 0}, {5, 8}, {9, -3}, {14, 2}, {3, -6}}, true, 1);
  smooth.UpdateBounds();
  smooth.GetBounds(tight, hull);
  CubicArray records;
  smooth.ToBeziers(records);
  GrowArray<DPoint> pts;
  for (const Cubic& c : records) FlattenBezier(pts, c, 0.0001);
  for (const DPoint& p : pts) {
    EXPECT_GE(p.x, tight.x1 - 1e-9);
    EXPECT_LE(p.x, tight.x2 + 1e-9);
    EXPECT_GE(p.y, tight.y1 - 1e-9);
    EXPECT_LE(p.y, tight.y2 + 1e-9);
  }
}

TEST(PointList, StraightenCurves) {
  CubicArray straight;
  straight.Append64(Cubic::Straight({0, 0}, {1, 0}));
  straight.Append64(Cubic::Straight({1, 0}, {1, 1}));
  PointList list;
  list.SetFromCubics(straight, false);
  list.SetWeight(3);
  list.StraightenCurves();
  EXPECT_EQ(list.GetCurveKind(), 0);
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(list.Points()[2], (DPoint{1, 1}));
  EXPECT_EQ(list.Weight(), 3);
  EXPECT_FALSE(list.IsClosed());

  PointList curved = Make({{0, 0}, {0, 1}, {1, 1}, {1, 0}}, false, 3);
  curved.StraightenCurves();
  EXPECT_EQ(curved.GetCurveKind(), 3);
  EXPECT_EQ(curved.Count(), 4u);

  PointList gap = Make({{0, 0}, {0, 0}, {1, 0}, {1, 0}, {1, 0}, {2, 0}, {2, 0}}, false, 3);
  gap.Points()[4] = {1, 0.5};  // second record: control off its start
  gap.StraightenCurves();
  EXPECT_EQ(gap.GetCurveKind(), 3);

  PointList nan = Make({{0, 0}, {0, 0}, {NAN, 0}, {NAN, 0}}, false, 3);
  nan.StraightenCurves();
  EXPECT_EQ(nan.GetCurveKind(), 3);
}

// --- Records -----------------------------------------------------------------------------------

TEST(PointListRecord, RepeatedCoordinateIsOneBit) {
  PointList list = Make({{1.5, 2}, {3, 2}, {3, 7}}, false);
  const auto written = test::Archive([&](ArchiveWriter& w) { list.Write(w); });
  const auto expected = test::Archive([](ArchiveWriter& w) {
    w.WriteByte(0x00);
    w.WriteCompactU16(3);
    w.WriteReal(1.5);
    w.WriteReal(2);
    w.WriteBit(true);
    w.WriteReal(3);
    w.WriteBit(false);  // y of the second point repeats
    w.WriteBit(false);  // x of the third point repeats
    w.WriteBit(true);
    w.WriteReal(7);
  });
  EXPECT_EQ(written, expected);

  MemoryArchive in(written);
  PointList back;
  back.Read(in.Reader(), 3061);
  EXPECT_FALSE(in.Reader().HasError());
  ExpectSame(back, list);
}

TEST(PointListRecord, RoundTripEveryKind) {
  std::vector<PointList> lists;
  lists.push_back(Make({}, true));
  lists.push_back(Make({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true));
  lists.push_back(Make({{0.1, 0.2}, {1e300, -3}, {-7, -3}}, false, 1));
  lists.push_back(Make({{0, 0}, {10, 0}, {10, 10}}, true, 2, 1.25));
  lists.push_back(Make({{0, 0}, {0, 1}, {1, 1}, {1, 0}, {1, -1}, {2, -1}, {2, 0}}, false, 3));
  for (const PointList& list : lists) {
    MemoryArchive in([&](ArchiveWriter& w) {
      list.Write(w);
      w.WriteByte(0xA5);  // the next field must follow exactly
    });
    PointList back;
    back.Read(in.Reader(), 3111);
    EXPECT_EQ(in.Reader().ReadByte(), 0xA5);
    EXPECT_FALSE(in.Reader().HasError());
    ExpectSame(back, list);
  }
}

TEST(PointListRecord, TrailingRepeatsAtTheEndOfTheStreamAreKept) {
  // The last three points repeat the fourth: 6 bits that share the final
  // byte, after which the reader has no whole byte left. A copy through a
  // memory archive must not lose them.
  PointList list = Make({{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}}, false, 1);
  MemoryArchive in([&](ArchiveWriter& w) { list.Write(w); });
  PointList back;
  back.Read(in.Reader(), 3111);
  EXPECT_FALSE(in.Reader().HasError());
  ExpectSame(back, list);
}

TEST(PointListRecord, OldBandsFromBytes) {
  struct Case {
    int version;
    std::uint8_t flags;
    bool weightFollows;
  };
  const std::vector<DPoint> pts = {{1.5, -2}, {3.25, 4}, {0.5, 0.5}};
  for (const Case& c : {Case{3040, 0x02, false}, Case{3053, 0x04, false}, Case{3054, 0x08, true},
                         Case{3060, 0x08, true}, Case{3060, 0x10, false}}) {
    SCOPED_TRACE(c.version);
    MemoryArchive in(OldRecord(c.flags, pts, {}, c.weightFollows ? 0.75 : -1));
    PointList list;
    list.Read(in.Reader(), c.version);
    EXPECT_FALSE(in.Reader().HasError());
    EXPECT_EQ(list.Flags(), c.flags);
    EXPECT_EQ(list.Weight(), c.weightFollows ? 0.75 : 0.0);
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Points()[1], (DPoint{3.25, 4}));
    EXPECT_TRUE(in.Reader().AtEnd());
  }
  // From 3061 the weight of kind 2 is a real.
  MemoryArchive in([](ArchiveWriter& w) {
    w.WriteByte(0x08);
    w.WriteCompactU16(1);
    w.WriteReal(1);
    w.WriteReal(2);
    w.WriteReal(0.1);
  });
  PointList list;
  list.Read(in.Reader(), 3061);
  EXPECT_EQ(list.Weight(), 0.1);
  EXPECT_FALSE(in.Reader().HasError());
}

TEST(PointListRecord, EqualOldRadiiBecomeKind2WithSharpCornersDoubled) {
  // Open four-point list, radii 2, 0, 2, 0: the inner point 1 is sharp.
  const std::vector<DPoint> pts = {{0, 0}, {10, 0}, {10, 10}, {20, 10}};
  MemoryArchive in(OldRecord(0x01, pts, {2, 0, 2, 0}));
  PointList list;
  list.Read(in.Reader(), 3050);
  EXPECT_FALSE(in.Reader().HasError());
  EXPECT_EQ(list.GetCurveKind(), 2);
  EXPECT_EQ(list.Weight(), 2);
  EXPECT_EQ(list.Flags() & 0x01, 0);
  ASSERT_EQ(list.Count(), 5u);
  EXPECT_EQ(list.Points()[1], (DPoint{10, 0}));
  EXPECT_EQ(list.Points()[2], (DPoint{10, 0}));

  // The doubled corner stays sharp: the drawn line passes through it.
  CubicArray records;
  list.ToBeziers(records);
  bool throughCorner = false;
  for (const Cubic& c : records) throughCorner |= c.p[3] == DPoint{10, 0};
  EXPECT_TRUE(throughCorner);

  // Closed: every point is a corner; the end points' radii count too.
  MemoryArchive closed(OldRecord(0x03, {{0, 0}, {10, 0}, {10, 10}}, {0, 1.5, 1.5}));
  PointList tri;
  tri.Read(closed.Reader(), 3050);
  EXPECT_EQ(tri.GetCurveKind(), 2);
  EXPECT_EQ(tri.Weight(), 1.5);
  EXPECT_EQ(tri.Count(), 4u);
  EXPECT_TRUE(tri.IsClosed());

  // All radii zero: the list stays as it was.
  MemoryArchive none(OldRecord(0x01, pts, {0, 0, 0, 0}));
  PointList plain;
  plain.Read(none.Reader(), 3050);
  EXPECT_EQ(plain.GetCurveKind(), 0);
  EXPECT_EQ(plain.Count(), 4u);
}

TEST(PointListRecord, DifferingOldRadiiBecomeARoundedChain) {
  const std::vector<DPoint> pts = {{0, 0}, {10, 0}, {10, 10}, {20, 10}};
  MemoryArchive in(OldRecord(0x01, pts, {7, 1, 2, 7}));
  PointList list;
  list.Read(in.Reader(), 3050);
  EXPECT_FALSE(in.Reader().HasError());
  std::uint32_t used = 0;
  EXPECT_EQ(list.GetCurveKind(&used), 3);
  EXPECT_EQ(used, list.Count());
  EXPECT_EQ(list.Points()[0], (DPoint{0, 0}));
  EXPECT_EQ(list.Points()[list.Count() - 1], (DPoint{20, 10}));

  // The arcs leave the edges at the corner's own tangent distance: 1 for the
  // corner at (10, 0), 2 for the one at (10, 10) (right angles).
  CubicArray records;
  list.ToBeziers(records);
  std::vector<DPoint> ends;
  for (const Cubic& c : records) ends.push_back(c.p[3]);
  auto has = [&](DPoint p) {
    for (const DPoint& e : ends) {
      if (std::fabs(e.x - p.x) < 1e-12 && std::fabs(e.y - p.y) < 1e-12) return true;
    }
    return false;
  };
  EXPECT_TRUE(has({9, 0}));
  EXPECT_TRUE(has({10, 1}));
  EXPECT_TRUE(has({10, 8}));
  EXPECT_TRUE(has({12, 10}));
}

TEST(PointListRecord, DamagedRecordsReadSafely) {
  // A huge count in an old band with a few bytes behind it.
  {
    MemoryArchive in([](ArchiveWriter& w) {
      w.WriteByte(0x02);
      w.WriteUInt16(65535);
      w.WriteRaw32(0);
    });
    PointList list;
    list.Read(in.Reader(), 3050);
    EXPECT_TRUE(in.Reader().HasError());
    EXPECT_EQ(list.Count(), 0u);
  }
  // Radii promised but missing.
  {
    MemoryArchive in(OldRecord(0x01, {{0, 0}, {1, 0}, {1, 1}}, {}));
    PointList list;
    list.Read(in.Reader(), 3050);
    EXPECT_TRUE(in.Reader().HasError());
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Flags() & 0x01, 0);
  }
  // A current record whose count is far beyond its bytes.
  {
    MemoryArchive in([](ArchiveWriter& w) {
      w.WriteByte(0x02);
      w.WriteCompactU16(65535);
      w.WriteReal(1);
      w.WriteReal(2);
    });
    PointList list;
    list.Read(in.Reader(), 3111);
    EXPECT_TRUE(in.Reader().HasError());
    EXPECT_LT(list.Count(), 65535u);
    // The count is refused against the bytes before any point is read.
    EXPECT_EQ(list.Count(), 0u);
  }
  // Cut in the middle: what was read stays, the error flag is set.
  {
    PointList source = Make({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}}, false);
    auto bytes = test::Archive([&](ArchiveWriter& w) { source.Write(w); });
    bytes.resize(bytes.size() / 2);
    MemoryArchive in(bytes);
    PointList list;
    list.Read(in.Reader(), 3111);
    EXPECT_TRUE(in.Reader().HasError());
    EXPECT_LT(list.Count(), 8u);
    // The first 35 of the 70 bytes hold three whole points.
    ASSERT_EQ(bytes.size(), 35u);
    EXPECT_EQ(list.Count(), 3u);
    for (std::uint32_t i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Points()[i], source.Points()[i]);
  }
  // An empty stream.
  {
    MemoryArchive in(std::vector<std::uint8_t>{});
    PointList list = Make({{1, 1}}, false);
    list.Read(in.Reader(), 3111);
    EXPECT_EQ(list.Count(), 0u);
  }
}

TEST(PointListRecord, RandomBytesReadSafely) {
  std::mt19937 gen(11);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(0, 64);
  for (int n = 0; n < 3000; ++n) {
    std::vector<std::uint8_t> bytes(std::size_t(length(gen)));
    for (std::uint8_t& b : bytes) b = std::uint8_t(byte(gen));
    for (int version : {3040, 3053, 3054, 3060, 3061, 3111}) {
      MemoryArchive in(bytes);
      PointList list;
      list.Read(in.Reader(), version);
      ASSERT_LE(list.Count(), 65535u);
      EXPECT_EQ(list.Flags() & (version < 3054 ? 0x01 : 0), 0);
      CubicArray records;
      list.ToBeziers(records);
      list.UpdateBounds();
    }
  }
}

// --- Measures ----------------------------------------------------------------------------------

TEST(PointListMeasure, StraightAndRounded) {
  bool exact = false;
  PointList square = Make({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);
  EXPECT_EQ(square.GetLength(&exact), 40);
  EXPECT_TRUE(exact);
  EXPECT_EQ(square.GetArea(&exact), 100);
  square.SetClosed(false);
  EXPECT_EQ(square.GetLength(), 30);
  EXPECT_EQ(square.GetArea(), 0);

  PointList two = Make({{0, 0}, {3, 4}}, true);
  EXPECT_EQ(two.GetLength(), 5);  // no closing edge below 3 points

  // Rounded square, radius 1, both orientations.
  for (bool reverse : {false, true}) {
    std::vector<DPoint> pts = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    if (reverse) std::swap(pts[1], pts[3]);
    PointList rounded = Make(pts, true, 2, 1);
    EXPECT_NEAR(rounded.GetLength(&exact), 40 - 8 + 2 * kPi, 1e-12);
    EXPECT_TRUE(exact);
    EXPECT_NEAR(rounded.GetArea(), 100 - 4 + kPi, 1e-12);
  }

  // A concave corner adds area: an L shape, its inner corner rounded as well.
  PointList ell = Make({{0, 0}, {10, 0}, {10, 5}, {5, 5}, {5, 10}, {0, 10}}, true, 2, 1);
  const double corner = 1 - kPi / 4;
  EXPECT_NEAR(ell.GetArea(), 75 - 5 * corner + corner, 1e-12);
}

TEST(PointListMeasure, CurvedKindsFollowTheirRecords) {
  // A circle of radius 10 as four quarter arcs with the usual handle.
  const double k = 10 * 0.552284749830793;
  PointList circle = Make({{10, 0}, {10, k}, {k, 10}, {0, 10}, {-k, 10}, {-10, k}, {-10, 0}, {-10, -k}, {-k, -10},
                           {0, -10}, {k, -10}, {10, -k}, {10, 0}},
                          true, 3);
  bool exact = true;
  EXPECT_NEAR(circle.GetLength(&exact), 20 * kPi, 20 * kPi * 1e-3);
  EXPECT_FALSE(exact);
  EXPECT_NEAR(circle.GetArea(&exact), 100 * kPi, 100 * kPi * 1e-3);
  EXPECT_FALSE(exact);

  // Against a fine flattening of the same records.
  PointList smooth = Make({{0, 0}, {5, 8}, {9, -3}, {14, 2}}, true, 1);
  CubicArray records;
  smooth.ToBeziers(records);
  GrowArray<DPoint> pts;
  double flatLength = 0, flatArea = 0;
  for (const Cubic& c : records) {
    pts.SetCount(0);
    FlattenBezier(pts, c, 1e-7);
    for (std::uint32_t i = 0; i + 1 < pts.Count(); ++i) {
      flatLength += std::hypot(pts[i + 1].x - pts[i].x, pts[i + 1].y - pts[i].y);
      flatArea += 0.5 * (pts[i].x * pts[i + 1].y - pts[i + 1].x * pts[i].y);
    }
  }
  EXPECT_NEAR(smooth.GetLength(), flatLength, flatLength * 1e-6);
  EXPECT_NEAR(smooth.GetArea(), std::fabs(flatArea), std::fabs(flatArea) * 1e-6);
}

// --- Render path -------------------------------------------------------------------------------

TEST(PointListPath, RecordsGoToOneNewPiece) {
  WorldMapping mapping;
  mapping.scale = 2;
  mapping.originX = 10;
  PathBuffer::NewPiece();  // leftover from an earlier drawing: emptied first
  PointList triangle = Make({{0, 0}, {1, 0}, {0, 1}}, true);
  triangle.AppendToPath(mapping);
  ASSERT_EQ(PathBuffer::PieceCount(), 1u);
  const SegmentArray* piece = PathBuffer::Piece(0);
  EXPECT_EQ(piece->closed, 1);
  ASSERT_EQ(piece->segments.Count(), 3u);
  std::int32_t expected[8];
  const DPoint first[4] = {{0, 0}, {0, 0}, {1, 0}, {1, 0}};
  mapping.ToSubpixel4(first, expected);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(piece->segments[0].v[i], expected[i]);
  PathBuffer::Empty();
}

TEST(PointList, TestPolylineEdgeHandsTheEdgeEndingAtThePoint) {
  const DPoint pts[] = {{0, 0}, {10, 0}, {10, 5}, {0, 5}};
  struct Seen {
    const void* object = nullptr;
    DPoint from, to;
    double value = 0;
    int calls = 0;
  } seen;
  const SegmentTest test = [&seen](const void* object, const DPoint& from, const DPoint& to, double value) {
    seen = {object, from, to, value, seen.calls + 1};
    return from.x != to.x;  // horizontal edges answer true
  };
  const int object = 7;
  struct Case {
    int i;
    int count;
    bool called;
    DPoint from, to;
    bool result;
  };
  const Case cases[] = {
      {0, 4, true, {0, 5}, {0, 0}, false},    // the closing edge, from the last point
      {1, 4, true, {0, 0}, {10, 0}, true},
      {3, 4, true, {10, 5}, {0, 5}, true},
      {0, 3, true, {10, 5}, {0, 0}, true},    // a shorter count closes at its own last point
      {3, 3, false, {}, {}, false},           // beyond the count
      {-1, 4, false, {}, {}, false},
      {0, 1, false, {}, {}, false},           // a single point has no edge
      {1, 5, false, {}, {}, false},           // a count past the points given
  };
  for (const Case& c : cases) {
    seen = {};
    EXPECT_EQ(TestPolylineEdge(test, &object, pts, c.i, c.count, 0.25), c.result) << c.i << "/" << c.count;
    EXPECT_EQ(seen.calls, c.called ? 1 : 0) << c.i << "/" << c.count;
    if (!c.called) continue;
    EXPECT_EQ(seen.object, &object);
    EXPECT_EQ(seen.from, c.from) << c.i << "/" << c.count;
    EXPECT_EQ(seen.to, c.to) << c.i << "/" << c.count;
    EXPECT_EQ(seen.value, 0.25);
  }
  EXPECT_FALSE(TestPolylineEdge(SegmentTest(), &object, pts, 1, 4, 0));
}

}  // namespace
}  // namespace kvn
