#include "render/Strokes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/cLine.h"
#include "platform/gdi/RecordingDC.h"
#include "render/DrawInfo.h"
#include "render/PenCache.h"
#include "tests/render/RasterTestSupport.h"

namespace kvn {
namespace {

using Log = std::vector<std::string>;

int CountPrefix(const Log& calls, const std::string& prefix) {
  return int(std::count_if(calls.begin(), calls.end(),
                           [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
}

struct StrokeFixture : ::testing::Test {
  void SetUp() override { ResetPenCache(); }
  void TearDown() override { ResetPenCache(); }

  static void Place(cLine& line, double x1, double y1, double x2, double y2) {
    line.start = {x1, y1};
    line.end = {x2, y2};
  }
};

TEST_F(StrokeFixture, LineTypeZeroDrawsNothing) {
  RecordingDC dc;
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  dc.Clear();
  cLine line;
  Place(line, 0, 0, 10, 0);
  line.stroke.lineType = 0;
  line.stroke.gapColor = Rgb(1, 2, 3);
  line.Draw(&info);
  EXPECT_TRUE(dc.calls.empty());
}

TEST_F(StrokeFixture, LikeStrokesShareOnePen) {
  RecordingDC dc;
  {
    cDrawInfo info(WorldMapping{}, nullptr, &dc);
    dc.Clear();
    cLine a, b;
    Place(a, 0, 0, 10, 0);
    Place(b, 0, 5, 10, 5);
    a.Draw(&info);
    b.Draw(&info);
    EXPECT_EQ(CountPrefix(dc.calls, "SelectObject pen"), 1);
    EXPECT_EQ(CountPrefix(dc.calls, "Polyline"), 2);
    const TPen first = GetPenCache().pen;

    // Another colour makes another pen; back to the first colour, another
    // again (the cache holds one key).
    b.stroke.color = Rgb(0, 0, 255);
    b.Draw(&info);
    a.Draw(&info);
    EXPECT_EQ(CountPrefix(dc.calls, "SelectObject pen"), 3);
    EXPECT_FALSE(GetPenCache().pen == first);
  }
  // A new context makes a fresh pen for its first stroke even for a key the
  // cache holds.
  const TPen cached = GetPenCache().pen;
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  dc.Clear();
  cLine a;
  Place(a, 0, 0, 10, 0);
  a.Draw(&info);
  a.Draw(&info);
  EXPECT_EQ(CountPrefix(dc.calls, "SelectObject pen"), 1);
  EXPECT_FALSE(GetPenCache().pen == cached);
}

TEST_F(StrokeFixture, PenOptionGivesFlatEndsAndBevelJoinsFromTwoUnitsOn) {
  RecordingDC dc;
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  cLine line;
  Place(line, 0, 0, 10, 0);
  line.stroke.penOption = 1;
  line.stroke.width = 0.5;  // two device units
  dc.Clear();
  line.Draw(&info);
  ASSERT_FALSE(dc.calls.empty());
  EXPECT_EQ(dc.calls[0], "SelectObject pen(PS_SOLID geometric 2 RGB(0,0,0) ENDCAP_FLAT JOIN_BEVEL)");

  line.stroke.width = 0.25;  // one unit: round
  dc.Clear();
  line.Draw(&info);
  EXPECT_EQ(dc.calls[0], "SelectObject pen(PS_SOLID geometric 1 RGB(0,0,0))");

  line.stroke.width = 0.5;
  line.stroke.penOption = 0;
  dc.Clear();
  line.Draw(&info);
  EXPECT_EQ(dc.calls[0], "SelectObject pen(PS_SOLID geometric 2 RGB(0,0,0))");

  // Width 0 at any scale is the minimum stroke width, one unit.
  line.stroke.width = 0;
  info.mapping.scale = 1000;
  dc.Clear();
  line.Draw(&info);
  EXPECT_EQ(dc.calls[0], "SelectObject pen(PS_SOLID geometric 1 RGB(0,0,0))");
}

TEST_F(StrokeFixture, GapColourIsStrokedSolidUnderTheDashes) {
  RecordingDC dc;
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  dc.Clear();
  cLine line;
  Place(line, 0, 0, 30, 0);  // 120 device units
  line.stroke.lineType = 5;        // 6 on, 6 off pattern units: 6 device units each
  line.stroke.color = Rgb(255, 0, 0);
  line.stroke.gapColor = Rgb(0, 255, 0);
  line.Draw(&info);
  ASSERT_GE(dc.calls.size(), 4u);
  EXPECT_EQ(dc.calls[0], "SelectObject pen(PS_SOLID geometric 1 RGB(0,255,0))");
  EXPECT_EQ(dc.calls[1], "Polyline (0,0) (120,0)");
  if (UserStylePensUsable()) {
    // The pen dashes: one path, drawn whole.
    EXPECT_EQ(dc.calls[2], "SelectObject pen(PS_USERSTYLE geometric 1 RGB(255,0,0) style{6,6})");
    EXPECT_EQ(dc.calls[3], "MoveTo 0 0");
    EXPECT_EQ(dc.calls[4], "LineTo 120 0");
  } else {
    EXPECT_EQ(dc.calls[2], "SelectObject pen(PS_SOLID geometric 1 RGB(255,0,0))");
    EXPECT_EQ(dc.calls[3], "Polyline (0,0) (0,0)");
    EXPECT_EQ(dc.calls[4], "Polyline (0,0) (6,0)");
  }

  // With an override colour there is no gap stroke.
  dc.Clear();
  info.overrideColor = std::int32_t(Rgb(0, 0, 255));
  line.Draw(&info);
  EXPECT_EQ(CountPrefix(dc.calls, "Polyline (0,0) (120,0)"), 0);
}

TEST_F(StrokeFixture, SoftwareDashesWhenPensMustBeSolid) {
  RecordingDC dc;
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  info.options.solidPen = 1;
  dc.Clear();
  cLine line;
  Place(line, 0, 0, 3, 0);  // 12 device units
  line.stroke.lineType = 2;       // dots 3 pattern units apart
  line.Draw(&info);
  // The start point painted first, then dots at 0, 3, 6, 9 and 12, each a
  // one-pixel polyline (a zero-length line would leave out its only pixel).
  EXPECT_EQ(dc.calls, (Log{"SelectObject pen(PS_SOLID geometric 1 RGB(0,0,0))", "Polyline (0,0) (1,0)",
                           "Polyline (0,0) (1,0)", "Polyline (3,0) (4,0)", "Polyline (6,0) (7,0)",
                           "Polyline (9,0) (10,0)", "Polyline (12,0) (13,0)"}));

  // With the pen option a dot is one pattern unit long and the gap two; the
  // dot that would start at the very end is shorter than 100/256 and trimmed.
  dc.Clear();
  line.stroke.penOption = 1;
  line.Draw(&info);
  EXPECT_EQ(dc.calls, (Log{"SelectObject pen(PS_SOLID geometric 1 RGB(0,0,0))", "Polyline (0,0) (1,0)",
                           "Polyline (3,0) (4,0)", "Polyline (6,0) (7,0)", "Polyline (9,0) (10,0)"}));
}

TEST_F(StrokeFixture, PatternsOfOneUnitOrLessAreSolid) {
  RecordingDC dc;
  WorldMapping m;
  m.scale = 0.01;  // pattern unit 2.56/256 device units
  cDrawInfo info(m, nullptr, &dc);
  info.options.solidPen = 1;
  dc.Clear();
  cLine line;
  Place(line, 0, 0, 10000, 0);
  line.stroke.lineType = 5;
  line.Draw(&info);
  EXPECT_EQ(dc.calls, (Log{"SelectObject pen(PS_SOLID geometric 1 RGB(0,0,0))", "Polyline (0,0) (400,0)"}));
  EXPECT_EQ(info.cutFlag, 0);
}

TEST_F(StrokeFixture, RasterStrokesCarryWidthAndColour) {
  auto surface = raster_test::MakeSurface(64, 16, true);
  ASSERT_NE(surface, nullptr);
  cDrawInfo info(WorldMapping{}, nullptr, nullptr, surface.get());
  cLine line;
  Place(line, 1, 2, 15, 2);  // (4, 8) to (60, 8)
  line.stroke.color = Rgb(0x30, 0x20, 0x10);
  line.stroke.lineType = 5;  // 6 on, 6 off
  line.Draw(&info);
  auto ink = [&](int x, int y) { return (raster_test::Pixel(*surface, x, y) & 0xFFFFFF) == 0x302010; };
  EXPECT_TRUE(ink(4, 8));
  EXPECT_TRUE(ink(9, 8));
  EXPECT_FALSE(ink(13, 8));
  EXPECT_TRUE(ink(17, 8));
  EXPECT_FALSE(ink(4, 9));

  // Four times as wide: a band of four rows.
  line.stroke.lineType = 1;
  line.stroke.width = 1;
  line.Draw(&info);
  EXPECT_TRUE(ink(13, 7));
  EXPECT_TRUE(ink(13, 9));
  EXPECT_FALSE(ink(13, 12));
}

}  // namespace
}  // namespace kvn

namespace kvn {
namespace {

TEST(StrokeHelpers, RasterizedPolylinesAndRectanglesCloseOnlyWhenAsked) {
  RecordingDC dc;
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  dc.Clear();
  const DPoint pts[3] = {{0, 0}, {10, 0}, {10, 5}};
  RasterizePolyline(info, 1, pts, 3, false);
  RasterizePolyline(info, 1, pts, 3, true);
  RasterizePolyline(info, 1, pts, 2, true);  // two points never close
  RasterizeRect(info, 1, 1, 1, 2, 3);
  EXPECT_EQ(dc.calls, (Log{"PolyDraw M(0,0) L(40,0) L(40,20)", "PolyDraw M(0,0) L(40,0) L(40,20) L(0,0)+close",
                           "MoveTo 0 0", "LineTo 40 0", "PolyDraw M(4,4) L(8,4) L(8,12) L(4,12) L(4,4)+close"}));
  // Value 0 asks only whether anything shows: no output.
  dc.Clear();
  RasterizeRect(info, 0, 1, 1, 2, 3);
  EXPECT_TRUE(dc.calls.empty());
}

TEST(StrokeHelpers, ClippedDeviceLinesAreCutToTheWidenedClip) {
  RecordingDC dc;
  const DeviceRect clip{0, 0, 100, 100};
  DrawClippedDeviceLine(dc, clip, {10, 10}, {90, 90}, 2);
  DrawClippedDeviceLine(dc, clip, {-50, 50}, {150, 50}, 2);
  DrawClippedDeviceLine(dc, clip, {-50, -50}, {-10, 200}, 2);  // misses
  DrawClippedDeviceLine(dc, clip, {-1000000000, 50}, {1000000000, 50}, 0);
  EXPECT_EQ(dc.calls, (Log{"MoveTo 10 10", "LineTo 90 90", "MoveTo -2 50", "LineTo 102 50", "MoveTo 0 50",
                           "LineTo 100 50"}));
}

}  // namespace
}  // namespace kvn
