#include "render/DrawInfo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "model/cCircle.h"
#include "model/cLine.h"
#include "platform/gdi/RecordingDC.h"
#include "model/PathBuffer.h"

namespace kvn {
namespace {

TFont ArialFont() {
  LogFont lf;
  lf.height = -12;
  const char16_t face[] = u"Arial";
  for (int i = 0; face[i]; ++i) lf.faceName[i] = face[i];
  return TFont(lf);
}

// A device with every value the context touches away from its default, and
// its own pen, brush and font selected.
struct PreparedDevice {
  RecordingDC dc;
  TPen pen{Rgb(1, 2, 3), 0, kPsDash};
  TBrush brush{kHsCross, Rgb(0, 0, 255)};
  TFont font = ArialFont();

  PreparedDevice() {
    dc.SetMapMode(kMmLoMetric);
    dc.SetPolyFillMode(kWinding);
    dc.SetROP2(kR2XorPen);
    dc.SetBkMode(kOpaque);
    dc.SetBkColor(Rgb(10, 20, 30));
    dc.SetTextColor(Rgb(40, 50, 60));
    dc.SetTextAlign(kTaCenter | kTaBaseline);
    dc.SelectObject(pen);
    dc.SelectObject(brush);
    dc.SelectObject(font);
    dc.Clear();
  }
};

TEST(DrawInfo, SetsTheOutputStateAndLeavesTheDeviceAsItFoundIt) {
  PreparedDevice device;
  RecordingDC& dc = device.dc;
  const TSize windowExt = dc.GetWindowExt();
  const TSize viewportExt = dc.GetViewportExt();
  {
    cDrawInfo info(WorldMapping{}, nullptr, &dc);
    EXPECT_EQ(dc.calls, (std::vector<std::string>{"SetMapMode MM_ANISOTROPIC", "SetPolyFillMode ALTERNATE",
                                                  "SetROP2 R2_COPYPEN", "SetBkMode TRANSPARENT",
                                                  "SetBkColor RGB(255,255,255)", "SetTextColor RGB(0,0,0)",
                                                  "SetTextAlign TA_LEFT|TA_TOP"}));
    EXPECT_EQ(info.savedMapMode, kMmLoMetric);
    EXPECT_EQ(info.savedPolyFillMode, kWinding);
    EXPECT_EQ(info.savedRop2, kR2XorPen);
    EXPECT_EQ(info.savedBkMode, kOpaque);
    EXPECT_EQ(info.savedBkColor, Rgb(10, 20, 30));
    EXPECT_EQ(info.savedTextColor, Rgb(40, 50, 60));
    EXPECT_EQ(info.savedTextAlign, kTaCenter | kTaBaseline);

    // The renderer selects its own objects; the caller then drops them.
    info.SelectPen(TPen(Rgb(255, 0, 0), 3));
    info.SelectBrush(TBrush(Rgb(0, 255, 0)));
    info.SelectFont(TFont(LogFont{}));
    dc.SetROP2(kR2Black);
    dc.Clear();
  }
  // Font, pen and brush first, then the seven values in their fixed order.
  EXPECT_EQ(dc.calls, (std::vector<std::string>{
                          "SelectObject " + DescribeFont(device.font), "SelectObject " + DescribePen(device.pen),
                          "SelectObject " + DescribeBrush(device.brush), "SetPolyFillMode WINDING",
                          "SetMapMode MM_LOMETRIC", "SetROP2 R2_XORPEN", "SetBkMode OPAQUE",
                          "SetTextAlign TA_CENTER|TA_BASELINE", "SetBkColor RGB(10,20,30)",
                          "SetTextColor RGB(40,50,60)"}));
  EXPECT_EQ(dc.GetMapMode(), kMmLoMetric);
  EXPECT_EQ(dc.GetWindowExt(), windowExt);
  EXPECT_EQ(dc.GetViewportExt(), viewportExt);
  EXPECT_EQ(dc.GetPolyFillMode(), kWinding);
  EXPECT_EQ(dc.GetROP2(), kR2XorPen);
  EXPECT_EQ(dc.GetBkMode(), kOpaque);
  EXPECT_EQ(dc.GetBkColor(), Rgb(10, 20, 30));
  EXPECT_EQ(dc.GetTextColor(), Rgb(40, 50, 60));
  EXPECT_EQ(dc.GetTextAlign(), kTaCenter | kTaBaseline);
  // The very objects, not equal copies.
  EXPECT_TRUE(dc.GetCurrentPen() == device.pen);
  EXPECT_TRUE(dc.GetCurrentBrush() == device.brush);
  EXPECT_TRUE(dc.GetCurrentFont() == device.font);
}

TEST(DrawInfo, WorksWithoutADevice) {
  WorldMapping m;
  m.scale = 2;
  {
    cDrawInfo info(m);
    EXPECT_EQ(info.Dc(), nullptr);
    EXPECT_EQ(info.savedMapMode, 0);
    EXPECT_EQ(info.savedPolyFillMode, 0);
    EXPECT_EQ(info.savedRop2, 0);
    EXPECT_EQ(info.savedBkMode, 0);
    EXPECT_EQ(info.savedBkColor, 0u);
    EXPECT_EQ(info.savedTextColor, 0u);
    EXPECT_EQ(info.savedTextAlign, 0u);
    EXPECT_EQ(info.mapping.scale, 2);
    // The defaults of a new context.
    EXPECT_EQ(info.overrideColor, -1);
    EXPECT_EQ(info.colorMode, kColorModeColor);
    EXPECT_EQ(info.options.fontCache, 1);
    EXPECT_EQ(info.options.penRefresh, 1);
    EXPECT_EQ(info.options.outlineText + info.options.solidPen + info.options.printerBitDepth +
                  info.options.keepUncompressed + info.options.trueColor,
              0);
    EXPECT_EQ(info.workArray.Step(), 8u);
    EXPECT_EQ(info.printRecord, nullptr);
    EXPECT_EQ(info.outputMarker, nullptr);

    // Every operation is a quiet no-op (the drawing window's scroll test).
    info.SelectPen(TPen(Rgb(1, 1, 1), 0));
    info.RestoreDevicePen();
    cLine line;
    line.end = {10, 10};
    cCircle circle;
    circle.p2 = {5, 5};
    circle.fill.fillColor = Rgb(9, 9, 9);
    line.Draw(&info);
    circle.Draw(&info);
    EXPECT_FALSE(info.SelectedPen().IsValid());
    EXPECT_EQ(info.cutFlag, 0);
  }
}

TEST(DrawInfo, WorldClipIsTheDeviceClipInWorldUnits) {
  cDrawInfo plain;
  EXPECT_EQ(plain.worldClip, (DRect{-2000, -2000, 2000, 2000}));

  WorldMapping m;
  m.scale = 0.5;  // 2 device units per world unit
  m.originX = 100;
  m.originY = -40;
  m.offsetX = 10;
  m.SetDeviceClip({0, 0, 200, 100});  // widened by 2: (-2, -2, 202, 102)
  cDrawInfo info(m);
  EXPECT_EQ(info.worldClip, (DRect{(-2 - 10 - 100) / 2.0, (-2 + 40) / 2.0, (202 - 10 - 100) / 2.0,
                                   (102 + 40) / 2.0}));

  // A caller that narrows the device clip recomputes the world clip.
  info.mapping.SetDeviceClip({10, 10, 10, 10});
  info.UpdateWorldClip();
  EXPECT_EQ(info.worldClip, (DRect{-51, 24, -49, 26}));

  // Scale 0 skips the division; device units are then world units.
  WorldMapping zero;
  zero.scale = 0;
  EXPECT_EQ(cDrawInfo(zero).worldClip, (DRect{-8000, -8000, 8000, 8000}));

  // A clip at the ends of the 32-bit range with offsets does not overflow.
  WorldMapping wide;
  wide.offsetX = -5;
  wide.deviceClip = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  cDrawInfo edge(wide);
  EXPECT_EQ(edge.worldClip.x1, (double(INT32_MIN) + 5) / 4);
  EXPECT_EQ(edge.worldClip.x2, (double(INT32_MAX) + 5) / 4);
}

TEST(DrawInfo, HandleCachesSelectEachObjectOnceAndKeepItAlive) {
  RecordingDC dc;
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  dc.Clear();
  {
    TPen pen(Rgb(1, 2, 3), 2);
    info.SelectPen(pen);
    info.SelectPen(pen);
  }
  // The caller's handle is gone; the device and the cache still hold the pen.
  EXPECT_EQ(dc.calls.size(), 1u);
  EXPECT_EQ(info.SelectedPen().UseCount(), 2);
  EXPECT_EQ(dc.GetCurrentPen().Data().color, Rgb(1, 2, 3));
  // An empty handle selects nothing.
  info.SelectBrush(TBrush());
  EXPECT_EQ(dc.calls.size(), 1u);

  info.RestoreDevicePen();
  EXPECT_FALSE(info.SelectedPen().IsValid());
  EXPECT_EQ(dc.GetCurrentPen().Data().color, Rgb(0, 0, 0));
  EXPECT_EQ(dc.GetCurrentPen().Data().width, 0u);
  // After a restore the same pen is selected again.
  const TPen again(Rgb(1, 2, 3), 2);
  info.SelectPen(again);
  info.SelectPen(again);
  EXPECT_EQ(dc.calls.size(), 3u);
}

TEST(DrawInfo, ColourRulesOfTheOutput) {
  cDrawInfo info;
  EXPECT_EQ(info.MapLineColor(Rgb(10, 200, 30)), Rgb(10, 200, 30));
  EXPECT_EQ(info.MapFillColor(0x80123456), 0x123456u);  // the not-set bit is dropped

  info.overrideColor = std::int32_t(Rgb(0, 0, 255));
  EXPECT_EQ(info.MapLineColor(Rgb(10, 200, 30)), Rgb(0, 0, 255));
  EXPECT_EQ(info.MapFillColor(Rgb(0, 0, 0)), Rgb(0, 0, 255));
  EXPECT_EQ(info.MapFillColor(Rgb(255, 255, 255)), Rgb(255, 255, 255));  // white stays paper

  info.overrideColor = -1;
  info.colorMode = kColorModeGrey;
  EXPECT_EQ(info.MapFillColor(Rgb(255, 0, 0)), Rgb(128, 128, 128));
  // Black and white output draws the colours as they are: the painter turns
  // them black through the override colour.
  info.colorMode = kColorModeBlackWhite;
  EXPECT_EQ(info.MapLineColor(Rgb(255, 0, 0)), Rgb(255, 0, 0));

  info.colorMode = kColorModeColor;
  info.darkBackground = 1;
  EXPECT_EQ(info.MapLineColor(Rgb(0, 0, 0)), Rgb(255, 255, 255));
  EXPECT_EQ(info.MapFillColor(Rgb(255, 255, 255)), Rgb(255, 255, 255));
}

// ---- the operations objects call, against the recording device -----------------------------

TEST(DrawInfo, SegmentsAreStrokedThroughTheDeviceWithOnePen) {
  RecordingDC dc;
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  dc.Clear();
  cLine line;
  line.end = {10, -2.5};
  line.stroke.color = Rgb(255, 0, 0);
  line.Draw(&info);  // width 0.25 at scale 1: 256/256 = one device unit
  line.start = {1, 1};
  line.Draw(&info);
  EXPECT_EQ(dc.calls, (std::vector<std::string>{"SelectObject pen(PS_SOLID geometric 1 RGB(255,0,0))",
                                                "Polyline (0,0) (40,-10)", "Polyline (4,4) (40,-10)"}));

  // Wide pens with the pen option get flat ends and bevel joins; the
  // override colour paints them.
  dc.Clear();
  info.mapping.scale = 2;
  line.stroke.width = 1;  // 8 device units
  line.stroke.penOption = 1;
  info.overrideColor = std::int32_t(Rgb(0, 0, 255));
  line.Draw(&info);
  ASSERT_EQ(dc.calls.size(), 2u);
  EXPECT_EQ(dc.calls[0], "SelectObject pen(PS_SOLID geometric 8 RGB(0,0,255) ENDCAP_FLAT JOIN_BEVEL)");

  // Line type 0 draws nothing at all.
  dc.Clear();
  line.stroke.lineType = 0;
  line.Draw(&info);
  EXPECT_TRUE(dc.calls.empty());
}

TEST(DrawInfo, WidthsBelowTheMinimumAndBeyondTheDeviceAreBounded) {
  RecordingDC dc;
  WorldMapping m;
  m.scale = 4e7;  // the largest zoom
  cDrawInfo info(m, nullptr, &dc);
  dc.Clear();
  cLine line;
  line.start = {-1e6, 0};
  line.end = {1e6, 0};
  line.Draw(&info);
  ASSERT_EQ(dc.calls.size(), 2u);
  EXPECT_EQ(dc.calls[0], "SelectObject pen(PS_SOLID geometric 65536 RGB(0,0,0))");
  // The ends are cut at the device limit instead of wrapping round.
  EXPECT_EQ(dc.calls[1], "Polyline (-32767,0) (32767,0)");

  dc.Clear();
  info.mapping.scale = 1e-9;
  line.stroke.width = 0;
  line.Draw(&info);
  EXPECT_EQ(dc.calls[0], "SelectObject pen(PS_SOLID geometric 1 RGB(0,0,0))");
}

TEST(DrawInfo, AreasAreFilledBeforeTheyAreStroked) {
  RecordingDC dc;
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  dc.Clear();
  cCircle circle;
  circle.p2 = {2, 2};
  circle.fill.fillColor = Rgb(0, 128, 0);
  circle.Draw(&info);
  ASSERT_EQ(dc.calls.size(), 14u);
  EXPECT_EQ(dc.calls[0], "SelectObject brush(BS_SOLID RGB(0,128,0))");
  // The area is filled under the null pen; the device's own pen comes back.
  EXPECT_EQ(dc.calls[1], "SelectObject pen(PS_NULL cosmetic RGB(0,0,0))");
  EXPECT_EQ(dc.calls[2], "BeginPath");
  // Right, bottom, left, top and back: four closed quadrants.
  EXPECT_EQ(dc.calls[3], "MoveTo 8 4");
  EXPECT_EQ(dc.calls[4], "PolyBezierTo (8,6) (6,8) (4,8)");
  EXPECT_EQ(dc.calls[5], "PolyBezierTo (2,8) (0,6) (0,4)");
  EXPECT_EQ(dc.calls[6], "PolyBezierTo (0,2) (2,0) (4,0)");
  EXPECT_EQ(dc.calls[7], "PolyBezierTo (6,0) (8,2) (8,4)");
  EXPECT_EQ(dc.calls[8], "CloseFigure");
  EXPECT_EQ(dc.calls[9], "EndPath");
  EXPECT_EQ(dc.calls[10], "FillPath");
  EXPECT_EQ(dc.calls[11], "SelectObject pen(PS_SOLID cosmetic RGB(0,0,0))");
  EXPECT_EQ(dc.calls[12], "SelectObject pen(PS_SOLID geometric 1 RGB(0,0,0))");

  // No solid layer paints nothing but the outline; a translucent one is
  // blended through its region, the clip removed afterwards...
  dc.Clear();
  circle.fill.fillColor = 0x80000000;
  circle.Draw(&info);
  EXPECT_EQ(dc.calls.size(), 1u);
  dc.Clear();
  circle.fill.fillColor = Rgb(0, 0, 255);
  circle.fill.opacity = 128;
  circle.Draw(&info);
  ASSERT_EQ(dc.calls.size(), 4u);
  EXPECT_EQ(dc.calls[0].rfind("SelectClipRgn rgn[", 0), 0u);
  EXPECT_EQ(dc.calls[1], "AlphaBlend -1 -1 10 10 src(1x1) 0 0 1 1 alpha=128");
  EXPECT_EQ(dc.calls[2], "SelectClipRgn NULL");
  // ...unless the output paints every fill opaque.
  dc.Clear();
  info.opaqueFill = 1;
  circle.Draw(&info);
  EXPECT_EQ(dc.calls.front(), "SelectObject brush(BS_SOLID RGB(0,0,255))");
  EXPECT_EQ(dc.calls.size(), 14u);  // null pen and given back, then the stroke's pen
}

TEST(DrawInfo, OpenOutlinesAreNeverFilled) {
  RecordingDC dc;
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  dc.Clear();
  cCircle circle;
  circle.fill.fillColor = Rgb(1, 1, 1);
  PathBuffer::Empty();
  info.FillPath(circle);  // no piece
  SegmentArray* piece = PathBuffer::NewPiece();
  piece->Append(DeviceSegment{{0, 0, 0, 0, 2560, 0, 2560, 0}});
  piece->Append(DeviceSegment{{2560, 0, 2560, 0, 0, 2560, 0, 2560}});
  info.FillPath(circle);  // open first piece
  EXPECT_TRUE(dc.calls.empty());
  piece->closed = 1;
  info.FillPath(circle);
  ASSERT_EQ(dc.calls.size(), 10u);
  EXPECT_EQ(dc.calls[3], "MoveTo 0 0");
  EXPECT_EQ(dc.calls[4], "LineTo 10 0");
  EXPECT_EQ(dc.calls[5], "LineTo 0 10");
  EXPECT_EQ(dc.calls[6], "CloseFigure");
}

TEST(DrawInfo, EllipsePathHasFourQuadrantsWithTheirControlDistance) {
  cDrawInfo info;
  PathBuffer::Empty();
  info.AddEllipsePath(DRect{0, 0, 2, 2});
  ASSERT_EQ(PathBuffer::PieceCount(), 1u);
  const SegmentArray* piece = PathBuffer::Piece(0);
  EXPECT_EQ(piece->closed, 1);
  ASSERT_EQ(piece->segments.Count(), 4u);
  // End points: the side middles (device 4,8 / 0,4 / 4,0 / 8,4 in 1/256).
  const std::int32_t ends[4][2] = {{1024, 2048}, {0, 1024}, {1024, 0}, {2048, 1024}};
  // 0.5523 world units = 2.209 device units = 565.5 in 1/256, give or take
  // the rounding of each end.
  const double control = 565.5;
  for (int i = 0; i < 4; ++i) {
    const DeviceSegment& s = piece->segments[std::uint32_t(i)];
    EXPECT_EQ(s.v[6], ends[i][0]);
    EXPECT_EQ(s.v[7], ends[i][1]);
    const DeviceSegment& previous = piece->segments[std::uint32_t((i + 3) % 4)];
    EXPECT_EQ(s.v[0], previous.v[6]);  // the quadrants follow each other
    EXPECT_EQ(s.v[1], previous.v[7]);
    EXPECT_NEAR(std::abs(s.v[2] - s.v[0]) + std::abs(s.v[3] - s.v[1]), control, 1);
    EXPECT_NEAR(std::abs(s.v[4] - s.v[6]) + std::abs(s.v[5] - s.v[7]), control, 1);
  }
}

}  // namespace
}  // namespace kvn
