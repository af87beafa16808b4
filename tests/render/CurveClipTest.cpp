#include "render/CurveClip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace kvn {
namespace {

using Segments = std::vector<DeviceSegment>;

DeviceSegment Line(std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by) {
  return DeviceSegment::Line(ax, ay, bx, by);
}

SegmentArray MakePiece(const Segments& segments, bool closed) {
  SegmentArray piece;
  for (const DeviceSegment& s : segments) piece.Append(s);
  piece.closed = closed ? 1 : 0;
  return piece;
}

// Collects every part the splitter hands on.
struct Parts : ClipPartSink {
  std::vector<Segments> parts;
  std::vector<bool> closedFlags;
  bool OnClipPart(const ClipPart& part, bool closed) override {
    Segments copy;
    for (std::uint32_t i = 0; i < part.Count(); ++i) copy.push_back(part[i]);
    parts.push_back(copy);
    closedFlags.push_back(closed);
    return false;
  }
};

Parts Split(const Segments& segments, bool closed, const ClipRect& r, std::uint8_t* splitFlag = nullptr) {
  Parts out;
  SegmentArray piece = MakePiece(segments, closed);
  SplitPieceAtClip(piece, r, out, splitFlag);
  return out;
}

DevicePoint Start(const DeviceSegment& s) { return {s.v[0], s.v[1]}; }
DevicePoint End(const DeviceSegment& s) { return {s.v[6], s.v[7]}; }

const ClipRect kRect{0, 0, 10000, 10000};

// ---- the inside rule at the edges ----

TEST(CurveClip, LeftAndTopEdgesAreInsideRightAndBottomOutside) {
  // Segments lying exactly on an edge line.
  EXPECT_EQ(Split({Line(0, 100, 0, 9000)}, false, kRect).parts.size(), 1u);      // x = x1
  EXPECT_EQ(Split({Line(100, 0, 9000, 0)}, false, kRect).parts.size(), 1u);      // y = y1
  EXPECT_TRUE(Split({Line(10000, 100, 10000, 9000)}, false, kRect).parts.empty());  // x = x2
  EXPECT_TRUE(Split({Line(100, 10000, 9000, 10000)}, false, kRect).parts.empty());  // y = y2
  SegmentCut cut;
  EXPECT_FALSE(TestSegmentAgainstRect(cut, Line(0, 0, 9999, 9999), kRect));
  EXPECT_TRUE(TestSegmentAgainstRect(cut, Line(10000, 100, 10000, 9000), kRect));
  EXPECT_TRUE(cut.firstOutside && cut.secondOutside);
}

TEST(CurveClip, SegmentReachingOneUnitInIsDropped) {
  SegmentCut cut;
  ASSERT_TRUE(TestSegmentAgainstRect(cut, Line(-500, 100, 1, 900), kRect));  // largest x = x1 + 1
  EXPECT_TRUE(cut.firstOutside && cut.secondOutside);
  EXPECT_TRUE(Split({Line(-500, 100, 1, 900)}, false, kRect).parts.empty());

  ASSERT_TRUE(TestSegmentAgainstRect(cut, Line(-500, 100, 2, 900), kRect));  // two units: cut at x1
  EXPECT_TRUE(cut.firstOutside);
  EXPECT_FALSE(cut.secondOutside);
  EXPECT_EQ(Start(cut.second), (DevicePoint{0, 897}));  // 100 + 800 x 500 / 502 = 896.8..., to nearest
  EXPECT_TRUE(cut.second.IsStraight());
}

// ---- straight segments ----

TEST(CurveClip, StraightSegmentEntersAndLeavesThroughEachEdge) {
  SegmentCut cut;
  // Moving right: enters at the left edge.
  ASSERT_TRUE(TestSegmentAgainstRect(cut, Line(-1000, 5000, 5000, 5000), kRect));
  EXPECT_TRUE(cut.firstOutside);
  EXPECT_EQ(cut.second, Line(0, 5000, 5000, 5000));
  // Moving left: leaves at the left edge.
  ASSERT_TRUE(TestSegmentAgainstRect(cut, Line(5000, 5000, -1000, 6000), kRect));
  EXPECT_TRUE(cut.secondOutside);
  EXPECT_EQ(cut.first, Line(5000, 5000, 0, 5833));
  EXPECT_EQ(cut.second, Line(-1000, 6000, -1000, 6000));
  // Moving down (larger y): leaves at the bottom edge.
  ASSERT_TRUE(TestSegmentAgainstRect(cut, Line(2000, 9000, 3000, 11000), kRect));
  EXPECT_TRUE(cut.secondOutside);
  EXPECT_EQ(End(cut.first), (DevicePoint{2500, 10000}));
  // Moving up: enters at the bottom edge.
  ASSERT_TRUE(TestSegmentAgainstRect(cut, Line(3000, 11000, 2000, 9000), kRect));
  EXPECT_TRUE(cut.firstOutside);
  EXPECT_EQ(Start(cut.second), (DevicePoint{2500, 10000}));
  // A vertical crossing is taken before a horizontal one.
  ASSERT_TRUE(TestSegmentAgainstRect(cut, Line(-100, -100, 5000, 5000), kRect));
  EXPECT_EQ(Start(cut.second), (DevicePoint{0, 0}));
}

TEST(CurveClip, LineFromFarOutsideIsCutAtBothEdges) {
  std::uint8_t split = 0;
  Parts out = Split({Line(-2000000000, 5000, 2000000000, 5000)}, false, kRect, &split);
  EXPECT_EQ(split, 1);
  ASSERT_EQ(out.parts.size(), 1u);
  EXPECT_EQ(out.parts[0], Segments{Line(0, 5000, 10000, 5000)});
  EXPECT_FALSE(out.closedFlags[0]);
}

TEST(CurveClip, IntersectLineRoundsToNearestAndFallsBack) {
  EXPECT_EQ(IntersectLineX({0, 0}, {3, 1}, 1), 0);    // 1/3
  EXPECT_EQ(IntersectLineX({0, 0}, {3, 2}, 1), 1);    // 2/3
  EXPECT_EQ(IntersectLineX({0, 0}, {2, 1}, 1), 1);    // half: away from zero
  EXPECT_EQ(IntersectLineX({0, 0}, {2, -1}, 1), -1);
  EXPECT_EQ(IntersectLineX({3, 1}, {0, 0}, 1), 0);    // either direction
  EXPECT_EQ(IntersectLineX({5, 7}, {5, 100}, 5), 6);  // parallel: p0.y - 1
  EXPECT_EQ(IntersectLineY({0, 0}, {1, 3}, 1), 0);
  // Products up to 2^64 do not wrap.
  EXPECT_EQ(IntersectLineX({-2147483647, -2147483647}, {2147483647, 2147483647}, 0), 0);
  EXPECT_EQ(IntersectLineX({-2147483647, 2147483647}, {2147483647, -2147483647}, 1000), -1000);
  // Beyond 32 bits (an edge outside the segment's span): the fallback.
  EXPECT_EQ(IntersectLineX({0, 0}, {1, 2000000000}, 2), -1);
}

// ---- curves ----

TEST(CurveClip, BoundsFollowTheCurveNotItsControlPoints) {
  SegmentBounds b;
  CubicBoundsInt(b, DeviceSegment{{0, 0, 0, 1000, 1000, 1000, 1000, 0}});
  EXPECT_EQ(b.minX, 0);
  EXPECT_EQ(b.maxX, 1000);
  EXPECT_EQ(b.minY, 0);
  EXPECT_EQ(b.maxY, 750);
  // Quadratic-like x (a = 0): the extreme from -c / 2b.
  CubicBoundsInt(b, DeviceSegment{{0, 0, 300, 100, 300, 200, 0, 300}});
  EXPECT_EQ(b.maxX, 225);
  EXPECT_EQ(b.minY, 0);
  EXPECT_EQ(b.maxY, 300);
}

TEST(CurveClip, SubsegmentsReproduceTheCurve) {
  const DeviceSegment s{{0, 0, 0, 1024, 1024, 1024, 1024, 0}};
  DeviceSegment whole;
  CubicSubsegmentInt(whole, s, 0, 1);
  EXPECT_EQ(whole, s);
  // The halves of de Casteljau at t = 0.5.
  DeviceSegment left, right;
  CubicSubsegmentInt(left, s, 0, 0.5);
  CubicSubsegmentInt(right, s, 0.5, 1);
  EXPECT_EQ(left, (DeviceSegment{{0, 0, 0, 512, 256, 768, 512, 768}}));
  EXPECT_EQ(right, (DeviceSegment{{512, 768, 768, 768, 1024, 512, 1024, 0}}));
}

TEST(CurveClip, CurveIsCutWhereItMeetsTheEdge) {
  const DeviceSegment arch{{0, 0, 0, 1000, 1000, 1000, 1000, 0}};  // top at y = 750
  DeviceSegment a, b;
  ASSERT_TRUE(CutCubicAtLine(a, b, arch, 300, true));  // x = 300
  EXPECT_EQ(a.v[6], 300);
  EXPECT_EQ(Start(b), End(a));
  EXPECT_EQ(Start(a), Start(arch));
  EXPECT_EQ(End(b), End(arch));
  ASSERT_TRUE(CutCubicAtLine(a, b, arch, 500, false));  // y = 500: the first rising crossing
  EXPECT_EQ(a.v[7], 500);
  EXPECT_LT(a.v[6], 500);
  EXPECT_FALSE(CutCubicAtLine(a, b, arch, 800, false));  // never reaches y = 800
}

TEST(CurveClip, CrossingAtTheVeryStartIsNotACut) {
  // x(t) = -1 + 1.8e9 t: the left edge is met at t = 5.6e-10, below 1e-7.
  const DeviceSegment s{{-1, 1000, 599999999, 1000, 1199999999, 2000, 1799999999, 2000}};
  DeviceSegment a, b;
  EXPECT_FALSE(CutCubicAtLine(a, b, s, 0, true));
  const ClipRect wide{0, 0, 2000000000, 2000000000};
  SegmentCut cut;
  EXPECT_FALSE(TestSegmentAgainstRect(cut, s, wide));  // no other edge inside its box: kept whole
  // Met at t = 1.1e-6 the cut is made.
  const DeviceSegment later{{-2000, 1000, 599998000, 1000, 1199998000, 2000, 1799998000, 2000}};
  ASSERT_TRUE(CutCubicAtLine(a, b, later, 0, true));
  EXPECT_EQ(b.v[0], 0);
}

TEST(CurveClip, CutLandsOnTheEdgeAtHugeCoordinates) {
  // Regression: the closed form alone put this cut 16,805 units (65 pixels)
  // beside the edge; the coefficients differ by 2^30 in size.
  const DeviceSegment s{{1733411051, -467138073, 1678258030, 1123247626, 1271891283, -1900708702, -1722444744,
                         -1471248696}};
  DeviceSegment a, b;
  ASSERT_TRUE(CutCubicAtLine(a, b, s, -383382381, true));
  EXPECT_EQ(a.v[6], -383382381);
  EXPECT_EQ(Start(b), End(a));
}

TEST(CurveClip, CurveOutsideTheRectangleIsDropped) {
  // Its control points reach into the rectangle, the curve itself does not.
  const DeviceSegment s{{-5000, 1000, 3000, 1000, 3000, 3000, -5000, 3000}};  // leftmost x of 1000
  SegmentCut cut;
  ASSERT_TRUE(TestSegmentAgainstRect(cut, s, ClipRect{1500, 0, 10000, 10000}));
  EXPECT_TRUE(cut.firstOutside && cut.secondOutside);
  EXPECT_TRUE(Split({s}, false, ClipRect{1500, 0, 10000, 10000}).parts.empty());
}

// ---- pieces ----

TEST(CurveClip, ClosedSquareBecomesOneOpenPartFromReentryToExit) {
  // Square crossing the left edge, anticlockwise from its lower-left corner.
  const Segments square = {Line(-1000, 2000, 5000, 2000), Line(5000, 2000, 5000, 6000),
                           Line(5000, 6000, -1000, 6000), Line(-1000, 6000, -1000, 2000)};
  std::uint8_t split = 0;
  Parts out = Split(square, true, kRect, &split);
  EXPECT_EQ(split, 1);
  ASSERT_EQ(out.parts.size(), 1u);
  EXPECT_FALSE(out.closedFlags[0]);
  EXPECT_EQ(out.parts[0], (Segments{Line(0, 2000, 5000, 2000), Line(5000, 2000, 5000, 6000),
                                    Line(5000, 6000, 0, 6000)}));
  // Starting inside, the head goes after the remainder.
  const Segments rotated = {square[1], square[2], square[3], square[0]};
  out = Split(rotated, true, kRect);
  ASSERT_EQ(out.parts.size(), 1u);
  EXPECT_EQ(out.parts[0], (Segments{Line(0, 2000, 5000, 2000), Line(5000, 2000, 5000, 6000),
                                    Line(5000, 6000, 0, 6000)}));
  // A closed piece inside stays closed and untouched.
  out = Split({Line(10, 10, 90, 10), Line(90, 10, 10, 90), Line(10, 90, 10, 10)}, true, kRect, &(split = 0));
  ASSERT_EQ(out.parts.size(), 1u);
  EXPECT_TRUE(out.closedFlags[0]);
  EXPECT_EQ(split, 0);
}

TEST(CurveClip, OpenPolylineGivesOnePartPerVisit) {
  // In, out through the top, back in, out through the right.
  const Segments path = {Line(-100, 500, 500, 500), Line(500, 500, 500, -500), Line(500, -500, 900, 500),
                         Line(900, 500, 20000, 500)};
  Parts out = Split(path, false, kRect);
  ASSERT_EQ(out.parts.size(), 2u);
  EXPECT_EQ(out.parts[0], (Segments{Line(0, 500, 500, 500), Line(500, 500, 500, 0)}));
  EXPECT_EQ(out.parts[1], (Segments{Line(700, 0, 900, 500), Line(900, 500, 10000, 500)}));
}

TEST(CurveClip, PieceAtTheDepthLimitIsHandedOnAsItIs) {
  const Segments path = {Line(-100, 500, 500, 500), Line(500, 500, 20000, 500)};
  SegmentArray piece = MakePiece(path, false);
  Parts out;
  std::uint8_t split = 0;
  SplitPieceAtClip(piece.Items(), piece.Count(), false, kRect, out, &split, kClipMaxDepth - 1);
  ASSERT_EQ(out.parts.size(), 1u);
  EXPECT_EQ(out.parts[0], path);
  EXPECT_EQ(split, 0);
  // One level less: one split, then its parts arrive unexamined.
  out = Parts();
  SplitPieceAtClip(piece.Items(), piece.Count(), false, kRect, out, &split, kClipMaxDepth - 2);
  ASSERT_EQ(out.parts.size(), 1u);
  EXPECT_EQ(out.parts[0], (Segments{Line(0, 500, 500, 500), Line(500, 500, 20000, 500)}));
}

TEST(CurveClip, ManyCrossingsAreAllClipped) {
  // A zigzag over the top edge 400 times: far more cuts than the nesting limit.
  Segments zigzag;
  for (int i = 0; i < 400; ++i) {
    const std::int32_t x = 10 + i * 20;
    zigzag.push_back(Line(x, 500, x + 10, -500));
    zigzag.push_back(Line(x + 10, -500, x + 20, 500));
  }
  Parts out = Split(zigzag, false, kRect);
  ASSERT_EQ(out.parts.size(), 401u);
  for (const Segments& part : out.parts)
    for (const DeviceSegment& s : part)
      for (int i = 1; i < 8; i += 2) EXPECT_GE(s.v[i], 0);
}

TEST(CurveClip, VisibilityTestStopsAtTheFirstPart) {
  EXPECT_TRUE(PieceHasVisiblePart(MakePiece({Line(-100, 500, 20000, 500)}, false), kRect));
  EXPECT_FALSE(PieceHasVisiblePart(MakePiece({Line(-100, -500, 20000, -500)}, false), kRect));
  struct First : ClipPartSink {
    int calls = 0;
    bool OnClipPart(const ClipPart&, bool) override {
      ++calls;
      return true;
    }
  } first;
  SegmentArray zigzag = MakePiece({Line(-100, 500, 500, 500), Line(500, 500, 500, -500),
                                   Line(500, -500, 900, 500)},
                                  false);
  EXPECT_TRUE(SplitPieceAtClip(zigzag, kRect, first));
  EXPECT_EQ(first.calls, 1);
}

TEST(CurveClip, EmptyPieceDrawsNothing) {
  Parts out;
  EXPECT_FALSE(SplitPieceAtClip(nullptr, 0, false, kRect, out));
  SegmentArray empty;
  EXPECT_FALSE(SplitPieceAtClip(empty, kRect, out));
  EXPECT_TRUE(out.parts.empty());
}

// ---- closed contours ----

TEST(CurveClip, ContourInsideIsReturnedItself) {
  SegmentArray tri = MakePiece({Line(10, 10, 90, 10), Line(90, 10, 10, 90), Line(10, 90, 10, 10)}, true);
  EXPECT_EQ(&ClipClosedContour(kRect, tri), &tri);
}

TEST(CurveClip, ContourAroundTheRectangleBecomesItsBorder) {
  // Regression: with the joins left to the filler, every segment of this
  // contour lay outside one side or another, and nothing was filled.
  SegmentArray big = MakePiece({Line(-5000, -5000, 15000, -5000), Line(15000, -5000, 15000, 15000),
                                Line(15000, 15000, -5000, 15000), Line(-5000, 15000, -5000, -5000)},
                               true);
  const SegmentArray& out = ClipClosedContour(kRect, big);
  EXPECT_EQ(out.closed, 1);
  ASSERT_EQ(out.Count(), 4u);
  EXPECT_EQ(out.Items()[0], Line(0, 10000, 0, 0));
  EXPECT_EQ(out.Items()[1], Line(0, 0, 10000, 0));
  EXPECT_EQ(out.Items()[2], Line(10000, 0, 10000, 10000));
  EXPECT_EQ(out.Items()[3], Line(10000, 10000, 0, 10000));

  SegmentArray outside = MakePiece({Line(-500, -500, -100, -500), Line(-100, -500, -100, -100),
                                    Line(-100, -100, -500, -500)},
                                   true);
  const SegmentArray& none = ClipClosedContour(kRect, outside);
  EXPECT_EQ(none.Count(), 0u);
  EXPECT_EQ(none.closed, 1);
}

TEST(CurveClip, ContourCutByOneSideIsClosedAlongIt) {
  SegmentArray square = MakePiece({Line(-1000, 2000, 5000, 2000), Line(5000, 2000, 5000, 6000),
                                   Line(5000, 6000, -1000, 6000), Line(-1000, 6000, -1000, 2000)},
                                  true);
  const SegmentArray& out = ClipClosedContour(kRect, square);
  EXPECT_EQ(out.closed, 1);
  ASSERT_EQ(out.Count(), 4u);
  EXPECT_EQ(out.Items()[0], Line(0, 2000, 5000, 2000));
  EXPECT_EQ(out.Items()[2], Line(5000, 6000, 0, 6000));
  EXPECT_EQ(out.Items()[3], Line(0, 6000, 0, 2000));
}

TEST(CurveClip, ContourOverACornerKeepsTheCorner) {
  // Regression: the join over the left side used to skip the corner (0, 0)
  // when the top side was cut next, losing a triangle of the fill.
  SegmentArray tri = MakePiece({Line(-2000, -2000, 6000, -2000), Line(6000, -2000, -2000, 6000),
                                Line(-2000, 6000, -2000, -2000)},
                               true);
  const SegmentArray& out = ClipClosedContour(kRect, tri);
  bool corner = false;
  for (const DeviceSegment& s : out.segments) corner |= End(s) == DevicePoint{0, 0};
  EXPECT_TRUE(corner);
}

TEST(CurveClip, ContourResultCanBeClippedAgain) {
  SegmentArray big = MakePiece({Line(-5000, -5000, 15000, -5000), Line(15000, -5000, 15000, 15000),
                                Line(15000, 15000, -5000, 15000), Line(-5000, 15000, -5000, -5000)},
                               true);
  const SegmentArray& once = ClipClosedContour(kRect, big);
  const SegmentArray& twice = ClipClosedContour(ClipRect{-100, 5000, 20000, 20000}, once);
  ASSERT_EQ(twice.Count(), 4u);
  // From the re-entry on the right edge round to the join along y = 5000.
  EXPECT_EQ(twice.Items()[0], Line(10000, 5000, 10000, 10000));
  EXPECT_EQ(twice.Items()[1], Line(10000, 10000, 0, 10000));
  EXPECT_EQ(twice.Items()[2], Line(0, 10000, 0, 5000));
  EXPECT_EQ(twice.Items()[3], Line(0, 5000, 10000, 5000));
}

// ---- properties over random input ----

// SplitMix64: the same sequence on every platform and library.
struct Random {
  std::uint64_t state;
  std::uint64_t Next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi].
  std::int64_t Range(std::int64_t lo, std::int64_t hi) { return lo + std::int64_t(Next() % std::uint64_t(hi - lo + 1)); }
};

// A screen of 1920 x 1080 pixels in 1/256 units, not at the origin.
const ClipRect kScreen{-3 * 256, 5 * 256, 1917 * 256, 1085 * 256};

std::int32_t RandomCoordinate(Random& rng, std::int32_t lo, std::int32_t hi, int kind) {
  switch (kind) {
    case 0: {  // near the screen, often exactly on an edge line
      if (rng.Range(0, 9) == 0) return rng.Range(0, 1) ? lo : hi;
      const std::int64_t span = std::int64_t(hi) - lo;
      return std::int32_t(rng.Range(lo - span / 2, hi + span / 2));
    }
    case 1:  // zoomed far in: millions of pixels away
      return std::int32_t(rng.Range(-(std::int64_t(1) << 30), std::int64_t(1) << 30));
    default:  // within a few units of the screen
      return std::int32_t(rng.Range(lo - 3000, hi + 3000));
  }
}

struct Eval {
  double x, y;
};

// Length of the part of the chord a-b inside the rectangle (Liang-Barsky).
double ChordInside(const Eval& a, const Eval& b, const ClipRect& r) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  double t0 = 0, t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x - r.x1, r.x2 - a.x, a.y - r.y1, r.y2 - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return 0;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
  }
  return t1 > t0 ? (t1 - t0) * std::hypot(dx, dy) : 0;
}

// Length of a cubic inside the rectangle: halved (in doubles) until each
// piece is flat to a quarter of a unit, only where it can reach the rectangle.
double LengthInside(const Eval (&c)[4], const ClipRect& r, int depth = 0) {
  const double minX = std::min({c[0].x, c[1].x, c[2].x, c[3].x}), maxX = std::max({c[0].x, c[1].x, c[2].x, c[3].x});
  const double minY = std::min({c[0].y, c[1].y, c[2].y, c[3].y}), maxY = std::max({c[0].y, c[1].y, c[2].y, c[3].y});
  if (maxX < r.x1 || minX > r.x2 || maxY < r.y1 || minY > r.y2) return 0;
  const double dx = c[3].x - c[0].x, dy = c[3].y - c[0].y;
  const double chord = std::hypot(dx, dy);
  auto off = [&](const Eval& p) {
    return chord > 0 ? std::fabs((p.x - c[0].x) * dy - (p.y - c[0].y) * dx) / chord
                     : std::hypot(p.x - c[0].x, p.y - c[0].y);
  };
  if (depth >= 60 || (off(c[1]) <= 0.25 && off(c[2]) <= 0.25)) return ChordInside(c[0], c[3], r);
  auto mid = [](const Eval& a, const Eval& b) { return Eval{(a.x + b.x) / 2, (a.y + b.y) / 2}; };
  const Eval ab = mid(c[0], c[1]), bc = mid(c[1], c[2]), cd = mid(c[2], c[3]);
  const Eval abc = mid(ab, bc), bcd = mid(bc, cd), m = mid(abc, bcd);
  const Eval left[4] = {c[0], ab, abc, m}, right[4] = {m, bcd, cd, c[3]};
  return LengthInside(left, r, depth + 1) + LengthInside(right, r, depth + 1);
}

double LengthInside(const DeviceSegment& s, const ClipRect& r) {
  const Eval c[4] = {{double(s.v[0]), double(s.v[1])},
                     {double(s.v[2]), double(s.v[3])},
                     {double(s.v[4]), double(s.v[5])},
                     {double(s.v[6]), double(s.v[7])}};
  return LengthInside(c, r);
}

// Pieces that only run along the border are dropped (a straight segment must
// reach more than one unit into the rectangle): lengths are compared inside
// the rectangle shrunk by two units.
const ClipRect kScreenCore{kScreen.x1 + 2, kScreen.y1 + 2, kScreen.x2 - 2, kScreen.y2 - 2};

TEST(CurveClipProperty, RandomCubicsStayInsideAndContinuous) {
  // Pieces of one to three joined cubics (every seventh one straight), most
  // near the screen, some with points exactly on its edges, some a thousand
  // screens away.
  Random rng{20240611};
  constexpr int kCases = 10000;
  int cut = 0, dropped = 0;
  for (int n = 0; n < kCases; ++n) {
    const int kind = n % 10 == 0 ? 1 : (n % 10 == 1 ? 2 : 0);
    Segments piece(std::size_t(1 + n % 3));
    for (std::size_t k = 0; k < piece.size(); ++k) {
      DeviceSegment& s = piece[k];
      for (int i = 0; i < 8; i += 2) {
        s.v[i] = RandomCoordinate(rng, kScreen.x1, kScreen.x2, kind);
        s.v[i + 1] = RandomCoordinate(rng, kScreen.y1, kScreen.y2, kind);
      }
      if (k > 0) {
        s.v[0] = piece[k - 1].v[6];
        s.v[1] = piece[k - 1].v[7];
      }
      if ((n + k) % 7 == 0) s = Line(s.v[0], s.v[1], s.v[6], s.v[7]);
    }
    SCOPED_TRACE(::testing::Message() << "case " << n);
    std::uint8_t split = 0;
    Parts out = Split(piece, false, kScreen, &split);
    cut += split;
    dropped += out.parts.empty();
    double outputLength = 0;
    for (const Segments& part : out.parts) {
      ASSERT_FALSE(part.empty());
      for (std::size_t i = 0; i < part.size(); ++i) {
        // Every point of every output curve inside, up to the rounding of a
        // cut point (one unit of 1/256 pixel).
        SegmentBounds b;
        CubicBoundsInt(b, part[i]);
        ASSERT_GE(b.minX, kScreen.x1 - 1);
        ASSERT_LE(b.maxX, kScreen.x2 + 1);
        ASSERT_GE(b.minY, kScreen.y1 - 1);
        ASSERT_LE(b.maxY, kScreen.y2 + 1);
        if (i + 1 < part.size()) {
          ASSERT_EQ(End(part[i]), Start(part[i + 1]));
        }
        outputLength += LengthInside(part[i], kScreenCore);
      }
    }
    // Nothing visible is lost: the parts are as long as the piece is inside.
    double expected = 0;
    for (const DeviceSegment& s : piece) expected += LengthInside(s, kScreenCore);
    ASSERT_NEAR(outputLength, expected, 1e-3 * expected + 16) << "parts " << out.parts.size();
  }
  // The cases exercise both outcomes.
  EXPECT_GT(cut, kCases / 4);
  EXPECT_GT(dropped, kCases / 20);
}

// Signed area of a closed straight contour (the shoelace formula).
double SignedArea(const std::vector<Eval>& poly) {
  double area = 0;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const Eval& a = poly[i];
    const Eval& b = poly[(i + 1) % poly.size()];
    area += a.x * b.y - b.x * a.y;
  }
  return area / 2;
}

// Reference: Sutherland-Hodgman against the four sides in doubles.
std::vector<Eval> ClipPolygon(std::vector<Eval> poly, const ClipRect& r) {
  auto clipSide = [&](auto inside, auto cross) {
    std::vector<Eval> out;
    for (std::size_t i = 0; i < poly.size(); ++i) {
      const Eval& a = poly[i];
      const Eval& b = poly[(i + 1) % poly.size()];
      if (inside(a)) out.push_back(a);
      if (inside(a) != inside(b)) out.push_back(cross(a, b));
    }
    poly = out;
  };
  auto atX = [](const Eval& a, const Eval& b, double x) { return Eval{x, a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x)}; };
  auto atY = [](const Eval& a, const Eval& b, double y) { return Eval{a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y), y}; };
  clipSide([&](const Eval& p) { return p.x >= r.x1; }, [&](const Eval& a, const Eval& b) { return atX(a, b, r.x1); });
  clipSide([&](const Eval& p) { return p.y >= r.y1; }, [&](const Eval& a, const Eval& b) { return atY(a, b, r.y1); });
  clipSide([&](const Eval& p) { return p.x <= r.x2; }, [&](const Eval& a, const Eval& b) { return atX(a, b, r.x2); });
  clipSide([&](const Eval& p) { return p.y <= r.y2; }, [&](const Eval& a, const Eval& b) { return atY(a, b, r.y2); });
  return poly;
}

TEST(CurveClipProperty, RandomClosedContoursKeepTheirAreaInside) {
  Random rng{4242};
  for (int n = 0; n < 2000; ++n) {
    std::vector<Eval> corners;
    Segments segments;
    const int count = int(rng.Range(3, 8));
    std::vector<DevicePoint> points;
    for (int i = 0; i < count; ++i)
      points.push_back({RandomCoordinate(rng, kScreen.x1, kScreen.x2, n % 5 == 0 ? 2 : 0),
                        RandomCoordinate(rng, kScreen.y1, kScreen.y2, n % 5 == 0 ? 2 : 0)});
    for (int i = 0; i < count; ++i) {
      const DevicePoint& a = points[i];
      const DevicePoint& b = points[(i + 1) % count];
      segments.push_back(Line(a.x, a.y, b.x, b.y));
      corners.push_back({double(a.x), double(a.y)});
    }
    SegmentArray piece = MakePiece(segments, true);
    const SegmentArray& out = ClipClosedContour(kScreen, piece);
    ASSERT_EQ(out.closed, 1);
    std::vector<Eval> clipped;
    for (std::uint32_t i = 0; i < out.Count(); ++i) {
      const DeviceSegment& s = out.Items()[i];
      for (int k = 0; k < 8; k += 2) {
        ASSERT_GE(s.v[k], kScreen.x1);
        ASSERT_LE(s.v[k], kScreen.x2);
        ASSERT_GE(s.v[k + 1], kScreen.y1);
        ASSERT_LE(s.v[k + 1], kScreen.y2);
      }
      ASSERT_EQ(End(s), Start(out.Items()[(i + 1) % out.Count()])) << "segment " << i;
      clipped.push_back({double(s.v[0]), double(s.v[1])});
    }
    const double expected = SignedArea(ClipPolygon(corners, kScreen));
    const double actual = clipped.empty() ? 0.0 : SignedArea(clipped);
    // Cut points are rounded to whole units: an error of about the perimeter.
    const double tolerance = 8.0 * (kScreen.x2 - kScreen.x1 + kScreen.y2 - kScreen.y1) + 1e-9 * std::fabs(expected);
    ASSERT_NEAR(actual, expected, tolerance) << "contour " << n;
  }
}

}  // namespace
}  // namespace kvn
