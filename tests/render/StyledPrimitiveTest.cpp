#include "render/StyledPrimitive.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>

#include <string>
#include <vector>

#include "platform/gdi/RecordingDC.h"
#include "render/RasterSurface.h"
#include "tests/render/RasterTestSupport.h"

namespace kvn {
namespace {

using Log = std::vector<std::string>;

constexpr std::int32_t P = 256;  // one pixel in 1/256 units

// Pieces kept alive for one call.
struct Pieces {
  std::vector<std::unique_ptr<SegmentArray>> owned;
  std::vector<SegmentArray*> list;
  SegmentArray& Add(bool closed = false) {
    owned.push_back(std::make_unique<SegmentArray>());
    owned.back()->closed = closed ? 1 : 0;
    list.push_back(owned.back().get());
    return *owned.back();
  }
  // A polyline of pixel points.
  SegmentArray& Polyline(std::vector<std::pair<int, int>> pts, bool closed = false) {
    SegmentArray& s = Add(closed);
    for (std::size_t i = 0; i + 1 < pts.size(); ++i)
      s.Append(DeviceSegment::Line(pts[i].first * P, pts[i].second * P, pts[i + 1].first * P,
                                   pts[i + 1].second * P));
    if (closed) {
      s.Append(DeviceSegment::Line(pts.back().first * P, pts.back().second * P, pts[0].first * P,
                                   pts[0].second * P));
    }
    return s;
  }
};

StyledPrimitive Args(RecordingDC* dc, Pieces& p) {
  StyledPrimitive a;
  a.dc = dc;
  a.pieces = p.list.data();
  a.pieceCount = std::uint32_t(p.list.size());
  a.clip = {0, 0, 1000, 1000};
  return a;
}

TEST(StyledPrimitive, ASingleStraightSegmentIsMoveToAndLineTo) {
  RecordingDC dc;
  Pieces p;
  p.Polyline({{10, 20}, {30, 40}});
  EXPECT_TRUE(DrawStyledPrimitive(Args(&dc, p)));
  EXPECT_EQ(dc.calls, (Log{"MoveTo 10 20", "LineTo 30 40"}));

  // Sub-pixel ends round as (v + 128) >> 8.
  dc.Clear();
  p.list[0]->Clear();
  p.list[0]->Append(DeviceSegment::Line(10 * P + 127, 5 * P + 128, -P - 129, 0));
  StyledPrimitive a = Args(&dc, p);
  a.clip = {-100, -100, 100, 100};
  DrawStyledPrimitive(a);
  EXPECT_EQ(dc.calls, (Log{"MoveTo 10 6", "LineTo -2 0"}));
}

TEST(StyledPrimitive, PathsGoToPolyDrawWithTypeBytes) {
  RecordingDC dc;
  Pieces p;
  SegmentArray& open = p.Add();
  open.Append(DeviceSegment::Line(0, 0, 10 * P, 0));
  open.Append(DeviceSegment{{10 * P, 0, 20 * P, 0, 20 * P, 10 * P, 10 * P, 10 * P}});
  p.Polyline({{100, 100}, {200, 100}, {200, 200}}, true);
  DrawStyledPrimitive(Args(&dc, p));
  EXPECT_EQ(dc.calls, (Log{"PolyDraw M(0,0) L(10,0) B(20,0) B(20,10) B(10,10)",
                           "PolyDraw M(100,100) L(200,100) L(200,200) L(100,100)+close"}));

  // An open part with end points painted gets a dot at its end first.
  dc.Clear();
  StyledPrimitive a = Args(&dc, p);
  a.pieceCount = 1;
  a.paintEndPoints = 1;
  DrawStyledPrimitive(a);
  EXPECT_EQ(dc.calls, (Log{"MoveTo 10 10", "LineTo 10 10", "PolyDraw M(0,0) L(10,0) B(20,0) B(20,10) B(10,10)"}));
}

TEST(StyledPrimitive, CoordinatesStayWithinTheDeviceLimits) {
  RecordingDC dc;
  Pieces p;
  p.Polyline({{-100000, 5}, {100, 5}});
  StyledPrimitive a = Args(&dc, p);
  a.clip = {-200000, -200000, 200000, 200000};
  DrawStyledPrimitive(a);
  EXPECT_EQ(dc.calls, (Log{"MoveTo -32767 5", "LineTo 100 5"}));

  dc.Clear();
  a.wideCoordinates = 1;
  DrawStyledPrimitive(a);
  EXPECT_EQ(dc.calls, (Log{"MoveTo -100000 5", "LineTo 100 5"}));

  dc.Clear();
  a.wideCoordinates = 0;
  p.list[0]->Clear();
  p.list[0]->Append(DeviceSegment::Line(-2000000 * P, 5 * P, 100 * P, 5 * P));
  a.penDashes = 1;
  DrawStyledPrimitive(a);
  EXPECT_EQ(dc.calls, (Log{"MoveTo -200000 5", "LineTo 100 5"}));
}

TEST(StyledPrimitive, OutputRectangleDrawsOnlyPiecesInsideTheClip) {
  RecordingDC dc;
  Pieces p;
  p.Polyline({{2000, 50}, {3000, 50}});  // outside the clip, inside the output rectangle
  p.Polyline({{50, 60}, {2500, 60}});    // crosses both
  StyledPrimitive a = Args(&dc, p);
  const DeviceRect output{0, 0, 4000, 4000};
  a.outputRect = &output;
  EXPECT_TRUE(DrawStyledPrimitive(a));
  EXPECT_EQ(dc.calls, (Log{"MoveTo 50 60", "LineTo 2500 60"}));

  // Without targets the call only answers visibility.
  a.dc = nullptr;
  a.pieceCount = 1;
  EXPECT_FALSE(DrawStyledPrimitive(a));
  a.outputRect = nullptr;
  a.pieceCount = 2;
  EXPECT_TRUE(DrawStyledPrimitive(a));
}

TEST(StyledPrimitive, ACutClosedPolygonBecomesOpenParts) {
  RecordingDC dc;
  Pieces p;
  p.Polyline({{-50, 10}, {50, 10}, {50, 50}, {-50, 50}}, true);
  std::uint8_t split = 0;
  StyledPrimitive a = Args(&dc, p);
  a.splitFlag = &split;
  DrawStyledPrimitive(a);
  EXPECT_EQ(split, 1);
  ASSERT_FALSE(dc.calls.empty());
  for (const std::string& call : dc.calls) EXPECT_EQ(call.find("+close"), std::string::npos) << call;
  EXPECT_EQ(dc.calls.back(), "PolyDraw M(0,10) L(50,10) L(50,50) L(0,50)");
}

TEST(StyledPrimitive, ShortPatternsAreIgnored) {
  RecordingDC dc;
  Pieces p;
  p.Polyline({{0, 0}, {100, 0}});
  const std::int32_t pattern[2] = {128, -127};
  StyledPrimitive a = Args(&dc, p);
  a.polylineMode = 1;
  a.pattern = pattern;
  a.patternCount = 2;
  a.patternLength = 255;
  DrawStyledPrimitive(a);
  EXPECT_EQ(dc.calls, (Log{"Polyline (0,0) (100,0)"}));
}

TEST(StyledPrimitive, SoftwareDashesFollowThePattern) {
  RecordingDC dc;
  Pieces p;
  p.Polyline({{0, 0}, {25, 0}});
  const std::int32_t pattern[2] = {10 * P, -5 * P};
  StyledPrimitive a = Args(&dc, p);
  a.polylineMode = 1;
  a.pattern = pattern;
  a.patternCount = 2;
  a.patternLength = 15 * P;
  DrawStyledPrimitive(a);
  EXPECT_EQ(dc.calls, (Log{"Polyline (0,0) (10,0)", "Polyline (15,0) (25,0)"}));

  // The phase runs on across corners; end points painted where a line ends
  // in a gap.
  dc.Clear();
  p.list[0]->Clear();
  p.list[0]->Append(DeviceSegment::Line(0, 0, 6 * P, 0));
  p.list[0]->Append(DeviceSegment::Line(6 * P, 0, 6 * P, 12 * P));
  a.paintEndPoints = 1;
  DrawStyledPrimitive(a);
  // Dots go to the device one pixel long.
  EXPECT_EQ(dc.calls, (Log{"Polyline (0,0) (1,0)", "Polyline (0,0) (6,0) (6,4)", "Polyline (6,9) (6,12)"}));
  dc.Clear();
  p.list[0]->segments.SetCount(1);
  p.list[0]->Append(DeviceSegment::Line(6 * P, 0, 6 * P, 6 * P));
  DrawStyledPrimitive(a);
  EXPECT_EQ(dc.calls, (Log{"Polyline (0,0) (1,0)", "Polyline (0,0) (6,0) (6,4)", "Polyline (6,6) (7,6)"}));
}

TEST(StyledPrimitive, ADashedClosedRectangleCompletesItsCornerDash) {
  RecordingDC dc;
  Pieces p;
  // Perimeter 80; the period 12 leaves the walk 8 into a dash of 10 at the
  // first corner, so that dash runs on 2 pixels past it.
  p.Polyline({{10, 10}, {30, 10}, {30, 30}, {10, 30}}, true);
  const std::int32_t pattern[2] = {10 * P, -2 * P};
  StyledPrimitive a = Args(&dc, p);
  a.polylineMode = 1;
  a.pattern = pattern;
  a.patternCount = 2;
  a.patternLength = 12 * P;
  DrawStyledPrimitive(a);
  ASSERT_FALSE(dc.calls.empty());
  EXPECT_EQ(dc.calls.front(), "Polyline (10,10) (20,10)");
  EXPECT_EQ(dc.calls.back(), "Polyline (10,18) (10,10) (12,10)");

  // The same on the raster surface: the corner pixel and its neighbours on
  // both edges are ink.
  auto surface = raster_test::MakeSurface(40, 40, true);
  ASSERT_NE(surface, nullptr);
  a.dc = nullptr;
  a.raster = surface.get();
  a.color = 0x302010;
  a.width = 256;
  DrawStyledPrimitive(a);
  auto ink = [&](int x, int y) { return (raster_test::Pixel(*surface, x, y) & 0xFFFFFF) == 0x102030; };
  EXPECT_TRUE(ink(10, 10));
  EXPECT_TRUE(ink(10, 12));
  EXPECT_TRUE(ink(11, 10));
  EXPECT_FALSE(ink(10, 19));  // the gap before the last dash
}

TEST(StyledPrimitive, PatternSymbolsStandWhereTheirEntryBegins) {
  RecordingDC dc;
  Pieces p;
  p.Polyline({{0, 0}, {0, 30}});  // straight down: the symbol turns by 90 degrees
  const std::int32_t pattern[2] = {10 * P, -5 * P};
  std::vector<PatternSymbol> symbols(1);
  symbols[0].index = 0;  // drawn where entry 1 (the gap) begins
  CubicArray tick;
  tick.Append(Cubic::Straight({0, 0}, {1, 0}));
  symbols[0].polylines.push_back(std::move(tick));
  StyledPrimitive a = Args(&dc, p);
  a.polylineMode = 1;
  a.pattern = pattern;
  a.patternCount = 2;
  a.patternLength = 15 * P;
  a.symbols = &symbols;
  a.symbolScale = 0.25;  // one world unit = 0.25 x 4 = 1 pixel... x 1024 / 256
  DrawStyledPrimitive(a);
  EXPECT_EQ(dc.calls, (Log{"Polyline (0,10) (0,11)", "Polyline (0,0) (0,10)", "Polyline (0,25) (0,26)",
                           "Polyline (0,15) (0,25)"}));
}

TEST(StyledPrimitive, PenDashArraysAlternateAndFitTheirRoom) {
  std::uint32_t out[16];
  const std::int32_t simple[2] = {10, -5};
  ASSERT_EQ(BuildPenDashArray(out, simple, 2, 10), 2u);
  EXPECT_EQ(out[0], 10u);
  EXPECT_EQ(out[1], 5u);

  // Starts at the first dash, merges runs, fills missing places with 0.
  const std::int32_t mixed[5] = {-1, 4, 6, -2, -3};
  ASSERT_EQ(BuildPenDashArray(out, mixed, 5, 10), 2u);
  EXPECT_EQ(out[0], 10u);
  EXPECT_EQ(out[1], 6u);
  const std::int32_t gaps[2] = {-4, -6};
  ASSERT_EQ(BuildPenDashArray(out, gaps, 2, 10), 2u);
  EXPECT_EQ(out[0], 0u);
  EXPECT_EQ(out[1], 10u);
  const std::int32_t dashOnly[1] = {7};
  ASSERT_EQ(BuildPenDashArray(out, dashOnly, 1, 10), 2u);
  EXPECT_EQ(out[1], 0u);

  // Eight entries fit a room of 10, ten do not.
  const std::int32_t eight[8] = {1, -1, 2, -2, 3, -3, 4, -4};
  EXPECT_EQ(BuildPenDashArray(out, eight, 8, 10), 8u);
  const std::int32_t ten[10] = {1, -1, 2, -2, 3, -3, 4, -4, 5, -5};
  EXPECT_EQ(BuildPenDashArray(out, ten, 10, 10), 0u);
  EXPECT_EQ(BuildPenDashArray(out, ten, 10, 16), 10u);
}

TEST(StyledPrimitive, PenDashesLeaveShortPatternsToThePen) {
  RecordingDC dc;
  Pieces p;
  p.Polyline({{0, 0}, {25, 0}, {25, 25}});
  const std::int32_t eight[8] = {4 * P, -P, P, -P, P, -P, P, -P};
  StyledPrimitive a = Args(&dc, p);
  a.penDashes = 1;
  a.pattern = eight;
  a.patternCount = 8;
  a.patternLength = 11 * P;
  DrawStyledPrimitive(a);
  EXPECT_EQ(dc.calls, (Log{"PolyDraw M(0,0) L(25,0) L(25,25)"}));

  const std::int32_t ten[10] = {4 * P, -P, P, -P, P, -P, P, -P, P, -P};
  a.pattern = ten;
  a.patternCount = 10;
  a.patternLength = 13 * P;
  dc.Clear();
  DrawStyledPrimitive(a);
  ASSERT_FALSE(dc.calls.empty());
  EXPECT_EQ(dc.calls[0], "Polyline (0,0) (4,0)");
}

TEST(StyledPrimitive, FlatteningStaysNearTheCurve) {
  GrowArray<std::int32_t> points;
  const DeviceSegment straight = DeviceSegment::Line(0, 0, 100 * P, 0);
  FlattenCubicInt(points, straight);
  ASSERT_EQ(points.Count(), 2u);
  EXPECT_EQ(points[0], 100 * P);

  points.Clear();
  const DeviceSegment arc{{0, 0, 0, 55 * P, 45 * P, 100 * P, 100 * P, 100 * P}};
  FlattenCubicInt(points, arc);
  ASSERT_GE(points.Count(), 16u);
  EXPECT_EQ(points[points.Count() - 2], 100 * P);
  EXPECT_EQ(points[points.Count() - 1], 100 * P);
  // Every point lies on the curve's side of the chord and within its box.
  for (std::uint32_t i = 0; i < points.Count(); i += 2) {
    EXPECT_GE(points[i], 0);
    EXPECT_LE(points[i], 100 * P);
    EXPECT_GE(points[i + 1], points[i] - 1);
  }

  // A degenerate, huge curve ends at the depth limit instead of recursing.
  points.Clear();
  const DeviceSegment wild{{0, 0, INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, 0, 1}};
  FlattenCubicInt(points, wild);
  EXPECT_LE(points.Count(), 2u * 16384u);
  EXPECT_EQ(points[points.Count() - 1], 1);
  // It runs out along x = -y to |x| = 2^31 sqrt(3) / 6 (at t = (3 -+ sqrt 3)
  // / 6) and back through the origin: both excursions are kept, though the
  // halves split at t = 1/2 start and end in one point.
  std::int64_t most = 0, least = 0;
  for (std::uint32_t i = 0; i < points.Count(); i += 2) {
    most = std::max<std::int64_t>(most, points[i]);
    least = std::min<std::int64_t>(least, points[i]);
  }
  const double reach = 2147483647.0 * std::sqrt(3.0) / 6;
  EXPECT_NEAR(double(most), reach, 256.0);
  EXPECT_NEAR(double(least), -reach, 256.0);
}

TEST(StyledPrimitive, ALoopBackToItsStartIsNoPoint) {
  // Both ends at the origin, the control points out at x = 100 pixels:
  // x(t) = 300 t (1 - t) pixels, 75 at its farthest.
  GrowArray<std::int32_t> points;
  const DeviceSegment loop{{0, 0, 100 * P, 0, 100 * P, 100 * P, 0, 0}};
  FlattenCubicInt(points, loop);
  ASSERT_GE(points.Count(), 8u);
  std::int32_t most = 0;
  for (std::uint32_t i = 0; i < points.Count(); i += 2) most = std::max(most, points[i]);
  EXPECT_NEAR(most, 75 * P, 64);
  EXPECT_EQ(points[points.Count() - 2], 0);
  EXPECT_EQ(points[points.Count() - 1], 0);
  // A curve whose four points are one stays one point.
  points.Clear();
  FlattenCubicInt(points, DeviceSegment{{5, 7, 5, 7, 5, 7, 5, 7}});
  ASSERT_EQ(points.Count(), 2u);
  EXPECT_EQ(points[0], 5);
  EXPECT_EQ(points[1], 7);
}

}  // namespace
}  // namespace kvn
