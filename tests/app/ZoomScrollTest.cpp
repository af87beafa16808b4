// The zoom and scroll arithmetic of the drawing window without a display:
// percentages, zoom limits, fitting, scroll extents and positions, and the
// largest zoom without overflow.
#include "app/ZoomScroll.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <cstdint>
#include <limits>

#include "document/cSheet.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"

namespace kvn {
namespace {

void AddLine(cSheet& sheet, DPoint a, DPoint b) {
  auto* line = new cLine();
  line->start = a;
  line->end = b;
  ObjectChain chain;
  chain.Append(line);
  sheet.TopBlock().AppendChain(std::move(chain));
}

TEST(ZoomScroll, PercentCommandsGiveTheScaleOfTheDrawingScale) {
  // 100 % at k = 1: s = 1, one world unit is 4 pixels.
  EXPECT_EQ(LimitedScale(ZoomForPercent(100, 1.0), 1.0, kMinZoomQ), 1.0);
  EXPECT_EQ(LimitedScale(ZoomForPercent(100, 2.0), 2.0, kMinZoomQ), 0.5);
  EXPECT_EQ(LimitedScale(ZoomForPercent(25, 1.0), 1.0, kMinZoomQ), 0.25);
  EXPECT_EQ(LimitedScale(ZoomForPercent(400, 1.0), 1.0, kMinZoomQ), 4.0);
  EXPECT_EQ(ZoomForPercent(100, 0.0), 0.0);
  EXPECT_TRUE(IsPercentChecked(1.0, 1.0, 100));
  EXPECT_TRUE(IsPercentChecked(0.5, 2.0, 100));
  EXPECT_FALSE(IsPercentChecked(0.5, 2.0, 50));
  // A damaged drawing scale counts as 1.
  EXPECT_EQ(EffectiveDrawingScale(std::nan("")), 1.0);
  EXPECT_EQ(EffectiveDrawingScale(-3.0), 1.0);
  EXPECT_EQ(EffectiveDrawingScale(std::numeric_limits<double>::infinity()), 1.0);
}

TEST(ZoomScroll, ZoomLimits) {
  // Zooming in from q = 30,000,000 stops at 39,999,999.96.
  const double s = LimitedScale(30'000'000.0 / 4.0 * 4.0 * 2.0, 1.0, kMinZoomQ);
  EXPECT_DOUBLE_EQ(s * 4.0, kMaxZoomQ);
  EXPECT_DOUBLE_EQ(kMaxZoomQ, 39'999'999.96);
  // Zooming out from 100 % reaches 4e-8 and stays there for an ordinary page.
  const DRect page{0, 0, 297, 210};
  const double lower = ComputeZoomLowerLimit(page, 1.0, 800, 600);
  EXPECT_EQ(lower, kMinZoomQ);
  double z = 4.0;
  for (int i = 0; i < 200; ++i) z = LimitedScale(z / 2.0, 1.0, lower) * 4.0;
  EXPECT_DOUBLE_EQ(z, 4e-8);
  // A drawing so large that a quarter of its fitting zoom is below 4e-8.
  const DRect huge{0, 0, 1e12, 1e12};
  const double hugeLower = ComputeZoomLowerLimit(huge, 1.0, 1000, 1000);
  EXPECT_DOUBLE_EQ(hugeLower, 1.0 / 1e9 / 4.0);
  // Degenerate inputs fall back to 4e-8.
  EXPECT_EQ(ComputeZoomLowerLimit(huge, 1.0, 0, 1000), kMinZoomQ);
  EXPECT_EQ(ComputeZoomLowerLimit(DRect{}, 1.0, 100, 100), kMinZoomQ);
  EXPECT_EQ(ComputeZoomLowerLimit(DRect{0, 0, std::nan(""), 1}, 1.0, 100, 100), kMinZoomQ);
  // A NaN request never reaches the mapping.
  EXPECT_TRUE(std::isfinite(LimitedScale(std::nan(""), 1.0, kMinZoomQ)));
}

TEST(ZoomScroll, LowerLimitOfADrawingUsesItsObjects) {
  cSheet sheet;
  AddLine(sheet, {0, 0}, {4e11, 1});
  // f = 1 / (4e11 / 100) = 2.5e-10, a quarter of it 6.25e-11 (the line's
  // full extent adds its width of 0.25, nothing at this size).
  EXPECT_NEAR(ComputeZoomLowerLimit(sheet.Drawing(), 100, 100), 6.25e-11, 1e-20);
}

TEST(ZoomScroll, ExtentWithFormatUnitesTheObjectsAndThePrintableArea) {
  cSheet sheet;
  cDrawing& d = sheet.Drawing();
  d.formatSize = {297, 210};
  d.formatMargins = {10, 10};
  d.tiles = {1, 1};
  // No objects: the printable area alone.
  EXPECT_EQ(d.GetExtentWithFormat(), (DRect{0, 0, 277, 190}));
  // A new object: the drawing's summary is computed again once told. The
  // line's full extent reaches half its width of 0.25 beyond its ends.
  AddLine(sheet, {-20, 50}, {100, 300});
  d.InvalidateSummary(0);
  EXPECT_EQ(d.GetExtentWithFormat(), (DRect{-20.125, 0, 277, 300.125}));
  d.formatSize = {0, 0};
  EXPECT_EQ(d.GetExtentWithFormat(), (DRect{-20.125, 49.875, 100.125, 300.125}));
}

TEST(ZoomScroll, SetZoomAtPutsTheCentreOnTheClientCentre) {
  WorldMapping m;
  m.offsetX = kScrollMargin;
  m.offsetY = kScrollMargin;
  const DRect extent{-10, -10, 290, 200};
  SetZoomAt(m, DPoint{100, 50}, 4.0, 1.0, kMinZoomQ, extent, 800, 600);
  EXPECT_EQ(m.scale, 1.0);
  EXPECT_EQ(m.WorldToDevicePoint({100, 50}), (DevicePoint{400, 300}));
  // Fitting a rectangle: 1 / max(300 / 800, 210 / 600).
  EXPECT_DOUBLE_EQ(FitZoom(extent, 800, 600), 1.0 / 0.375);
  EXPECT_EQ(FitZoom(DRect{0, 0, 0, 100}, 800, 600), 0.0);
  EXPECT_EQ(FitZoom(DRect{0, 0, std::nan(""), 100}, 800, 600), 0.0);
  EXPECT_EQ(FitZoom(extent, 0, 600), 0.0);
}

TEST(ZoomScroll, MaximumZoomSaturatesInsteadOfWrapping) {
  WorldMapping m;
  const DRect extent{0, 0, 1000, 1000};
  // The far corner at q = 4e7: 4e10 pixels from the extent's corner.
  SetZoomAt(m, DPoint{1000, 1000}, 1e12, 1.0, kMinZoomQ, extent, 800, 600);
  EXPECT_DOUBLE_EQ(m.scale * 4.0, kMaxZoomQ);
  EXPECT_EQ(m.offsetX, std::numeric_limits<std::int32_t>::min());
  const AxisLayout a = ComputeAxisLayout(extent.x1, extent.x2, m.scale, m.offsetX, 800, true);
  EXPECT_EQ(a.range, std::int64_t(39'999'999'960) + 30);
  EXPECT_GT(a.position, 0);
  EXPECT_EQ(a.position, std::int64_t(kScrollMargin) + 2147483648LL);  // margin - INT32_MIN
  EXPECT_EQ(SaturateInt32(a.range), std::numeric_limits<std::int32_t>::max());
  // Beyond every 64-bit value.
  const AxisLayout b = ComputeAxisLayout(-1e300, 1e300, 1e10, 0, 800, true);
  EXPECT_GT(b.range, 0);
  EXPECT_EQ(b.range, (std::int64_t(1) << 62) + 2 * kScrollMargin);  // the extent held at 2^62
  EXPECT_EQ(SaturateInt32(std::nan("")), 0);
}

TEST(ZoomScroll, FittingAxisIsCentredAndHeld) {
  // A 100-unit extent at s = 1 is 400 pixels: it fits an 800-pixel client.
  const AxisLayout withFormat = ComputeAxisLayout(0, 100, 1.0, kScrollMargin, 800, true);
  EXPECT_TRUE(withFormat.fits);
  EXPECT_EQ(withFormat.range, 0);
  // Centred: (800 - 30) / 2 - 50 x 4, and with the margin the centre lands mid-client.
  EXPECT_DOUBLE_EQ(withFormat.origin, 385.0 - 200.0);
  EXPECT_DOUBLE_EQ(withFormat.boundLow, 50.0 - 100.0);
  EXPECT_DOUBLE_EQ(withFormat.boundHigh, 50.0 + 100.0);
  const AxisLayout without = ComputeAxisLayout(0, 100, 1.0, kScrollMargin, 800, false);
  EXPECT_EQ(without.range, 802);
  ScrollAxis axis;
  axis.fits = true;
  axis.range = without.range;
  axis.page = 800;
  EXPECT_EQ(ClampScrollPosition(57, axis, false), 1);
  // A larger extent does not fit: range = pixels + 2 x 15.
  const AxisLayout big = ComputeAxisLayout(0, 1000, 1.0, kScrollMargin - 100, 800, true);
  EXPECT_FALSE(big.fits);
  EXPECT_EQ(big.range, 4030);
  EXPECT_EQ(big.position, 100);
}

TEST(ZoomScroll, ScrollBarCodesAndClamping) {
  ScrollAxis a;
  a.position = 500;
  a.page = 800;
  a.line = 200;
  a.range = 4030;
  bool ignored = false;
  EXPECT_EQ(ScrollPositionForCode(0, a, 0, ignored), 300);
  EXPECT_EQ(ScrollPositionForCode(1, a, 0, ignored), 700);
  EXPECT_EQ(ScrollPositionForCode(2, a, 0, ignored), -300);
  EXPECT_EQ(ScrollPositionForCode(3, a, 0, ignored), 1300);
  EXPECT_EQ(ScrollPositionForCode(5, a, 1234, ignored), 1234);
  EXPECT_EQ(ScrollPositionForCode(6, a, 0, ignored), 0);
  EXPECT_EQ(ScrollPositionForCode(7, a, 0, ignored), 4029);
  EXPECT_FALSE(ignored);
  ScrollPositionForCode(8, a, 0, ignored);
  EXPECT_TRUE(ignored);
  // Beyond the range scrolls to the end; before it to 0.
  EXPECT_EQ(ClampScrollPosition(4029, a, true), 3230);
  EXPECT_EQ(ClampScrollPosition(-300, a, true), 0);
  // A page larger than the range: the upper bound is negative, 0 wins.
  a.page = 5000;
  EXPECT_EQ(ClampScrollPosition(100, a, true), 0);
}

// ---- the mouse wheel -------------------------------------------------------------------------------

WorldMapping MappingAt(double scale, std::int32_t offsetX, std::int32_t offsetY) {
  WorldMapping m;
  m.scale = scale;
  m.originX = 37.25;
  m.originY = -12.5;
  m.offsetX = offsetX;
  m.offsetY = offsetY;
  return m;
}

constexpr DeviceRect kClient{0, 0, 800, 600};

TEST(ZoomScrollWheel, PartialTurnsWaitForAWholeNotch) {
  const WorldMapping m = MappingAt(1.0, 15, 15);
  std::int32_t rest = 0;
  // 60 changes nothing; a second 60 makes one notch.
  WheelZoom w = ComputeWheelZoom(rest, 60, m, kClient, {400, 300}, 1.0, kMinZoomQ);
  EXPECT_FALSE(w.zoom);
  EXPECT_EQ(rest, 60);
  w = ComputeWheelZoom(rest, 60, m, kClient, {400, 300}, 1.0, kMinZoomQ);
  EXPECT_TRUE(w.zoom);
  EXPECT_EQ(rest, 0);
  EXPECT_DOUBLE_EQ(w.z, 4.0 * 1.1892071);
  // -120 divides; -119 leaves the zoom and keeps -119.
  rest = 0;
  w = ComputeWheelZoom(rest, -120, m, kClient, {400, 300}, 1.0, kMinZoomQ);
  EXPECT_TRUE(w.zoom);
  EXPECT_DOUBLE_EQ(w.z, 4.0 / 1.1892071);
  EXPECT_EQ(rest, 0);
  w = ComputeWheelZoom(rest, -119, m, kClient, {400, 300}, 1.0, kMinZoomQ);
  EXPECT_FALSE(w.zoom);
  EXPECT_EQ(rest, -119);
  // One more unit down completes that notch.
  w = ComputeWheelZoom(rest, -1, m, kClient, {400, 300}, 1.0, kMinZoomQ);
  EXPECT_TRUE(w.zoom);
  EXPECT_EQ(rest, 0);
  // 180 is one notch and half a turn; -300 two notches down, -60 kept.
  w = ComputeWheelZoom(rest, 180, m, kClient, {400, 300}, 1.0, kMinZoomQ);
  EXPECT_DOUBLE_EQ(w.z, 4.0 * 1.1892071);
  EXPECT_EQ(rest, 60);
  rest = 0;
  w = ComputeWheelZoom(rest, -300, m, kClient, {400, 300}, 1.0, kMinZoomQ);
  EXPECT_DOUBLE_EQ(w.z, 4.0 / 1.1892071 / 1.1892071);
  EXPECT_EQ(rest, -60);
  // Four notches double the zoom.
  rest = 0;
  w = ComputeWheelZoom(rest, 480, m, kClient, {400, 300}, 1.0, kMinZoomQ);
  EXPECT_NEAR(w.z, 8.0, 8.0 * 1e-7);
}

TEST(ZoomScrollWheel, ThePointUnderTheCursorStaysInPlace) {
  struct Case {
    double scale;
    DeviceRect client;
    DevicePoint cursor;
    std::int32_t delta;
  };
  const Case cases[] = {
      {1.0, {0, 0, 800, 600}, {100, 450}, 120},
      {1.0, {0, 0, 800, 600}, {799, 0}, -240},
      {0.037, {20, 10, 821, 611}, {20, 610}, 360},
      {250.0, {0, 0, 333, 97}, {5, 90}, -120},
      {3e-6, {-40, -40, 500, 400}, {-40, 399}, 480},
  };
  for (const Case& c : cases) {
    const WorldMapping m = MappingAt(c.scale, -1234, 5678);
    std::int32_t rest = 0;
    const WheelZoom w = ComputeWheelZoom(rest, c.delta, m, c.client, c.cursor, 1.0, kMinZoomQ);
    ASSERT_TRUE(w.zoom);
    ASSERT_TRUE(w.aboutCursor);
    // The new centre sits at the client's middle pixel; the cursor lies as
    // many pixels from it as before, now at the new zoom.
    const DPoint under = m.DeviceToWorld(c.cursor);
    const double mx = double((std::int64_t(c.client.left) + c.client.right) / 2);
    const double my = double((std::int64_t(c.client.top) + c.client.bottom) / 2);
    const DPoint after{w.centre.x + (c.cursor.x - mx) / w.z, w.centre.y + (c.cursor.y - my) / w.z};
    const double size = std::max({std::abs(under.x), std::abs(under.y), 1e-300});
    EXPECT_NEAR(after.x, under.x, size * 1e-9) << c.scale;
    EXPECT_NEAR(after.y, under.y, size * 1e-9) << c.scale;
    // Through the window's own zoom step: off by less than one new pixel.
    WorldMapping z = m;
    const std::int32_t cw = c.client.right - c.client.left;
    const std::int32_t ch = c.client.bottom - c.client.top;
    SetZoomAt(z, w.centre, w.z, 1.0, kMinZoomQ, DRect{0, 0, 100, 100}, cw, ch);
    const DPoint moved = z.DeviceToWorld(DevicePoint{c.cursor.x - c.client.left, c.cursor.y - c.client.top});
    EXPECT_NEAR(moved.x, under.x, 1.0 / w.z) << c.scale;
    EXPECT_NEAR(moved.y, under.y, 1.0 / w.z) << c.scale;
  }
}

TEST(ZoomScrollWheel, OutsideTheClientTheZoomGoesAboutTheCentre) {
  const WorldMapping m = MappingAt(1.0, 15, 15);
  // Left and top edges belong to the client, right and bottom ones do not.
  for (DevicePoint p : {DevicePoint{800, 300}, DevicePoint{400, 600}, DevicePoint{-1, 300}, DevicePoint{400, -1}}) {
    std::int32_t rest = 0;
    const WheelZoom w = ComputeWheelZoom(rest, 120, m, kClient, p, 1.0, kMinZoomQ);
    EXPECT_TRUE(w.zoom);
    EXPECT_FALSE(w.aboutCursor) << p.x << "," << p.y;
  }
  for (DevicePoint p : {DevicePoint{0, 0}, DevicePoint{799, 599}}) {
    std::int32_t rest = 0;
    EXPECT_TRUE(ComputeWheelZoom(rest, 120, m, kClient, p, 1.0, kMinZoomQ).aboutCursor) << p.x << "," << p.y;
  }
}

TEST(ZoomScrollWheel, AZoomHeldAtItsLimitDoesNotPan) {
  // k = 2: the largest z is kMaxZoomQ / 2.
  const WorldMapping m = MappingAt(kMaxZoomQ / 2.0 / 4.0, 15, 15);
  std::int32_t rest = 0;
  const WheelZoom w = ComputeWheelZoom(rest, 120, m, kClient, {10, 20}, 2.0, kMinZoomQ);
  ASSERT_TRUE(w.zoom);
  EXPECT_DOUBLE_EQ(w.z * 2.0, kMaxZoomQ);
  const DPoint centre = m.DeviceToWorld(DevicePoint{400, 300});
  EXPECT_DOUBLE_EQ(w.centre.x, centre.x);
  EXPECT_DOUBLE_EQ(w.centre.y, centre.y);
  // The smallest zoom likewise.
  const WorldMapping low = MappingAt(kMinZoomQ / 4.0, 15, 15);
  const WheelZoom down = ComputeWheelZoom(rest, -120, low, kClient, {10, 20}, 1.0, kMinZoomQ);
  EXPECT_DOUBLE_EQ(down.z, kMinZoomQ);
  EXPECT_NEAR(down.centre.x, low.DeviceToWorld(DevicePoint{400, 300}).x, 1e-6);
}

TEST(ZoomScrollWheel, ExtremeDeltasStayFiniteAndKeepAPartialTurn) {
  const WorldMapping m = MappingAt(1.0, 15, 15);
  std::int32_t rest = 0;
  // The largest wheel message: 273 notches, 7 units left.
  WheelZoom w = ComputeWheelZoom(rest, 32767, m, kClient, {1, 1}, 1.0, kMinZoomQ);
  EXPECT_EQ(rest, 32767 - 273 * 120);
  EXPECT_DOUBLE_EQ(w.z, kMaxZoomQ);
  rest = std::numeric_limits<std::int32_t>::min();
  w = ComputeWheelZoom(rest, std::numeric_limits<std::int32_t>::min(), m, kClient, {1, 1}, 1.0, kMinZoomQ);
  EXPECT_GT(rest, -120);
  EXPECT_LE(rest, 0);
  EXPECT_DOUBLE_EQ(w.z, kMinZoomQ);
  EXPECT_TRUE(std::isfinite(w.centre.x) && std::isfinite(w.centre.y));
}

// ---- the User zoom dialog's field ------------------------------------------------------------------

TEST(ZoomScrollUserZoom, FieldShowsThePercentageWithinTheLimits) {
  UserZoomField f = ComputeUserZoomField(1.0, 1.0, kMinZoomQ);
  EXPECT_DOUBLE_EQ(f.percent, 100.0);
  EXPECT_DOUBLE_EQ(f.minimum, 1e-6);  // 0.000001 %
  EXPECT_EQ(f.maximum, 999'999'999.0);
  EXPECT_EQ(f.step, 25.0);
  f = ComputeUserZoomField(0.75, 2.0, 1e-9);
  EXPECT_DOUBLE_EQ(f.percent, 150.0);
  EXPECT_DOUBLE_EQ(f.minimum, 25e-9);
  // k exactly 0: the percentage at k = 1 and no limits.
  f = ComputeUserZoomField(0.5, 0.0, kMinZoomQ);
  EXPECT_DOUBLE_EQ(f.percent, 50.0);
  EXPECT_EQ(f.minimum, 0.0);
  EXPECT_EQ(f.maximum, std::numeric_limits<double>::max());
  // A negative or NaN k counts as 1 for the percentage but keeps the limits.
  f = ComputeUserZoomField(0.5, -3.0, kMinZoomQ);
  EXPECT_DOUBLE_EQ(f.percent, 50.0);
  EXPECT_EQ(f.maximum, 999'999'999.0);
  EXPECT_DOUBLE_EQ(ComputeUserZoomField(0.5, std::nan(""), kMinZoomQ).percent, 50.0);
}

TEST(ZoomScrollUserZoom, ConfirmedPercentageGivesThatPercentage) {
  // 150 % at k = 1 is z = 6 (s = 1.5); at k = 2, z = 3 (s = 0.75).
  EXPECT_DOUBLE_EQ(UserZoomToZoom(150.0, 1.0), 6.0);
  EXPECT_DOUBLE_EQ(UserZoomToZoom(150.0, 2.0), 3.0);
  EXPECT_DOUBLE_EQ(UserZoomToZoom(150.0, 0.0), 6.0);
  EXPECT_DOUBLE_EQ(UserZoomToZoom(150.0, -1.0), 6.0);
  // Opening and confirming without a change keeps the scale.
  for (double k : {1.0, 2.0, 0.001, 250.0}) {
    for (double s : {1.0 / k, 0.3, 17.5}) {
      const UserZoomField f = ComputeUserZoomField(s, k, kMinZoomQ);
      EXPECT_NEAR(LimitedScale(UserZoomToZoom(f.percent, k), k, kMinZoomQ), s, s * 1e-12) << k << " " << s;
    }
  }
}

}  // namespace
}  // namespace kvn

// ---- the drawing window, as an object without a toolkit window ----------------------------------

#include "app/CommandIds.h"
#include "app/VectorWindow.h"
#include "document/cDrawingDoc.h"
#include "platform/ui/CommandEnabler.h"

namespace kvn {
namespace {

struct Bars : cScrollBarHost {
  void SetScrollBar(bool vertical, std::int32_t max, std::int32_t page, std::int32_t pos) override {
    (vertical ? v : h) = {max, page, pos};
  }
  void SetScrollPos(bool vertical, std::int32_t pos) override { (vertical ? v : h)[2] = pos; }
  std::int32_t GetTrackPos(bool) override { return track; }
  void ScrollBarsChanged() override { ++relayouts; }
  std::array<std::int32_t, 3> h{}, v{};
  std::int32_t track = 0;
  int relayouts = 0;
};

class ZoomWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    doc_.AddSheet(std::make_unique<cSheet>());
    cSheet& sheet = *doc_.GetSheet(0);
    AddLine(sheet, {0, 0}, {277, 190});
    cDrawing& d = sheet.Drawing();
    d.formatSize = {297, 210};
    d.formatMargins = {10, 10};
    window_ = std::make_unique<cVectorWindow>(&doc_, 0, 0, nullptr);
    window_->SetClientRect(TRect{0, 0, 800, 600});
    window_->SetScrollBarHost(&bars_);
  }
  cDrawingDoc doc_;
  std::unique_ptr<cVectorWindow> window_;
  Bars bars_;
};

TEST_F(ZoomWindow, HundredPercentAndLastZoomTwiceReturnsToTheStart) {
  window_->CmZoomPercent(kCmZoom100);
  EXPECT_EQ(window_->Mapping().scale, 1.0);
  // 277 x 4 + 30 pixels across do not fit 800: a scroll bar; 190 x 4 + 30 do not fit 600.
  // The line's full extent reaches 0.125 beyond the format: one pixel more.
  EXPECT_EQ(window_->HorizontalScroll().range, 277 * 4 + 30 + 1);
  EXPECT_EQ(bars_.h[0], 277 * 4 + 30);
  EXPECT_EQ(bars_.h[1], 800);
  const WorldMapping start = window_->Mapping();
  window_->CmZoomIn();
  EXPECT_EQ(window_->Mapping().scale, 2.0);
  window_->CmLastZoom();
  EXPECT_EQ(window_->Mapping().scale, start.scale);
  EXPECT_EQ(window_->Mapping().offsetX, start.offsetX);
  EXPECT_EQ(window_->Mapping().offsetY, start.offsetY);
  window_->CmLastZoom();
  EXPECT_EQ(window_->Mapping().scale, 2.0);
  window_->CmLastZoom();
  EXPECT_EQ(window_->Mapping().scale, 1.0);
  // The 100 % item is checked now, the 200 % one not.
  TCommandEnabler ce100(kCmZoom100), ce200(kCmZoom200);
  window_->CeZoomPercent(ce100);
  window_->CeZoomPercent(ce200);
  EXPECT_EQ(ce100.GetCheck(), TCommandEnabler::Checked);
  EXPECT_EQ(ce200.GetCheck(), TCommandEnabler::Unchecked);
}

TEST_F(ZoomWindow, AFittingPageIsCentredAndItsBarsEmpty) {
  window_->CmZoomPercent(kCmZoom25);
  EXPECT_TRUE(window_->HorizontalScroll().fits);
  EXPECT_TRUE(window_->VerticalScroll().fits);
  EXPECT_EQ(window_->HorizontalScroll().range, 0);
  EXPECT_EQ(bars_.h[0], 0);
  EXPECT_EQ(bars_.v[0], 0);
  // Centred: the printable area's centre is at the client centre.
  const DevicePoint c = window_->Mapping().WorldToDevicePoint({277 / 2.0, 190 / 2.0});
  EXPECT_NEAR(c.x, 400, 1);
  EXPECT_NEAR(c.y, 300, 1);
  // Whole area fits the printable area into the client less 12 pixels.
  window_->CmWholeArea();
  EXPECT_DOUBLE_EQ(window_->Mapping().scale * 4.0, std::min(776.0 / 277.0, 576.0 / 190.0));
}

TEST_F(ZoomWindow, ScrollBarCodesMoveAndClampTheVisibleArea) {
  window_->CmZoomPercent(kCmZoom400);
  const std::int64_t range = window_->HorizontalScroll().range;
  window_->EvHScroll(7, 0, nullptr);  // SB_BOTTOM: range - 1, clamped to range - page
  EXPECT_EQ(window_->HorizontalScroll().position, range - 800);
  EXPECT_EQ(window_->Mapping().offsetX, kScrollMargin - (range - 800));
  EXPECT_EQ(bars_.h[2], range - 800);
  bars_.track = 321;
  window_->EvVScroll(5, 0, nullptr);  // SB_THUMBTRACK follows the thumb
  EXPECT_EQ(window_->VerticalScroll().position, 321);
  window_->EvHScroll(6, 0, nullptr);
  EXPECT_EQ(window_->HorizontalScroll().position, 0);
  // Every scroll remembers the visible area of the drawing.
  EXPECT_TRUE(window_->IsViewStored());
  const RememberedView& view = window_->GetSheetData()->rememberedView;
  EXPECT_GT(view.rect.Width(), 0.0);
  EXPECT_EQ(view.zoom, 0.0);
}

TEST_F(ZoomWindow, ZoomLimitsOfTheCommands) {
  for (int i = 0; i < 80; ++i) window_->CmZoomIn();
  EXPECT_DOUBLE_EQ(window_->Mapping().scale * 4.0, kMaxZoomQ);
  TCommandEnabler in(kCmZoomIn);
  window_->CeZoomIn(in);
  EXPECT_FALSE(in.IsEnabled());
  // Scrolling to the far end at the largest zoom stays in range.
  window_->EvHScroll(7, 0, nullptr);
  EXPECT_GT(window_->HorizontalScroll().position, 0);
  for (int i = 0; i < 200; ++i) window_->CmZoomOut();
  EXPECT_DOUBLE_EQ(window_->Mapping().scale * 4.0, kMinZoomQ);
  TCommandEnabler out(kCmZoomOut);
  window_->CeZoomOut(out);
  EXPECT_FALSE(out.IsEnabled());
}

// ---- the wheel and the remembered view through the window --------------------------------------

TParam1 WheelParam(int delta) { return MakeWParam(0, std::uint16_t(std::int16_t(delta))); }

TEST_F(ZoomWindow, WheelKeepsThePointUnderTheCursorAndWaitsForWholeNotches) {
  window_->CmZoomPercent(kCmZoom400);
  const WorldMapping start = window_->Mapping();
  const DevicePoint cursor{250, 410};
  const DPoint under = start.DeviceToWorld(cursor);
  // Half a notch: nothing yet.
  window_->HandleMessage(kWmMouseWheel, WheelParam(60), MakePointParam(cursor.x, cursor.y));
  EXPECT_EQ(window_->Mapping().scale, start.scale);
  EXPECT_EQ(window_->wheelRemainder, 60);
  window_->HandleMessage(kWmMouseWheel, WheelParam(60), MakePointParam(cursor.x, cursor.y));
  EXPECT_DOUBLE_EQ(window_->Mapping().scale, start.scale * 1.1892071);
  const DPoint after = window_->Mapping().DeviceToWorld(cursor);
  const double pixel = 1.0 / (window_->Mapping().scale * 4.0);
  EXPECT_NEAR(after.x, under.x, pixel);
  EXPECT_NEAR(after.y, under.y, pixel);
  // A wheel zoom is a zoom: Last zoom returns.
  window_->CmLastZoom();
  EXPECT_EQ(window_->Mapping().scale, start.scale);
  EXPECT_EQ(window_->Mapping().offsetX, start.offsetX);
  // Focus clears a partial turn.
  window_->HandleMessage(kWmMouseWheel, WheelParam(-100), MakePointParam(cursor.x, cursor.y));
  EXPECT_EQ(window_->wheelRemainder, -100);
  window_->HandleMessage(kWmSetFocus, 0, 0);
  EXPECT_EQ(window_->wheelRemainder, 0);
  window_->HandleMessage(kWmMouseWheel, WheelParam(-100), MakePointParam(cursor.x, cursor.y));
  EXPECT_EQ(window_->Mapping().scale, start.scale);
}

TEST_F(ZoomWindow, WheelOutsideTheClientZoomsAboutTheCentre) {
  window_->CmZoomPercent(kCmZoom400);
  const DPoint centre = window_->Mapping().DeviceToWorld(DevicePoint{400, 300});
  // Over a ruler, left of the client area.
  window_->HandleMessage(kWmMouseWheel, WheelParam(-120), MakePointParam(-10, 300));
  EXPECT_DOUBLE_EQ(window_->Mapping().scale, 4.0 / 1.1892071);
  const DPoint after = window_->Mapping().DeviceToWorld(DevicePoint{400, 300});
  const double pixel = 1.0 / (window_->Mapping().scale * 4.0);
  EXPECT_NEAR(after.x, centre.x, pixel);
  EXPECT_NEAR(after.y, centre.y, pixel);
}

TEST_F(ZoomWindow, UserZoomIsEnabledWhenTheDrawingScaleIsNotZero) {
  TCommandEnabler ce(kCmUserZoom);
  window_->CeUserZoom(ce);
  EXPECT_TRUE(ce.IsEnabled());
  window_->GetCurrentSheet()->Data()->SetScale(0.0);
  TCommandEnabler zero(kCmUserZoom);
  window_->CeUserZoom(zero);
  EXPECT_FALSE(zero.IsEnabled());
}

TEST_F(ZoomWindow, EveryViewOfADrawingSharesItsRememberedView) {
  window_->CmZoomPercent(kCmZoom200);
  window_->EvVScroll(3, 0, nullptr);  // a page down: remembered
  const RememberedView seen = window_->GetSheetData()->rememberedView;
  EXPECT_GT(seen.rect.Width(), 0.0);
  // A second window on the same drawing starts where the first one is.
  cVectorWindow other(&doc_, 0, 0, nullptr);
  other.SetClientRect(TRect{0, 0, 800, 600});
  other.RestoreView();
  EXPECT_NEAR(other.Mapping().scale, window_->Mapping().scale, 1e-12);
  const DPoint a = window_->Mapping().DeviceToWorld(DevicePoint{400, 300});
  const DPoint b = other.Mapping().DeviceToWorld(DevicePoint{400, 300});
  // Within a pixel: restoring puts the remembered centre at the client's centre.
  const double pixel = 1.0 / (other.Mapping().scale * 4.0);
  EXPECT_NEAR(a.x, b.x, pixel);
  EXPECT_NEAR(a.y, b.y, pixel);
  // All elements forgets it for every view.
  other.CmAllElements();
  EXPECT_EQ(window_->GetSheetData()->rememberedView.rect, DRect{});
  EXPECT_EQ(window_->GetSheetData()->rememberedView.zoom, 0.0);
}

}  // namespace
}  // namespace kvn
