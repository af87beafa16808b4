// The device-context rules that hold on every target, checked on the
// recording target: call logs, state, saved states, objects and their
// reference counts, mapping, clipping, paths and where text runs go.
#include "platform/gdi/DeviceContext.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <string>

#include "platform/gdi/RecordingDC.h"

namespace kvn {
namespace {

DeviceCaps Surface(int w, int h) {
  DeviceCaps caps;
  caps.widthPx = w;
  caps.heightPx = h;
  return caps;
}

TPoint Dev(const TDC& dc, int x, int y) {
  TPoint p{x, y};
  EXPECT_TRUE(dc.LPtoDP(&p, 1));
  return p;
}

TEST(DeviceContextTest, RecordingLogsCallsWithTheirArguments) {
  RecordingDC dc;
  dc.SetMapMode(kMmAnisotropic);
  dc.SetWindowExt(10, 10);
  dc.SetViewportExt(40, -40);
  dc.SelectObject(TPen(Rgb(255, 0, 0), 0, kPsDash));
  dc.SelectObject(TPen::ExtCreate(kPsGeometric | kPsUserStyle | kPsEndCapFlat | kPsJoinBevel, 3, kBsSolid,
                                  Rgb(0, 0, 9), 2, std::array<std::uint32_t, 2>{10, 5}.data()));
  dc.SelectObject(TBrush(kHsCross, Rgb(0, 0, 255)));
  dc.MoveTo(1, 2);
  dc.LineTo(3, 4);
  const TPoint line[] = {{0, 0}, {10, 0}, {10, 10}};
  dc.Polyline(line, 3);
  const TPoint curve[] = {{0, 0}, {5, 5}, {1, 1}, {2, 2}, {3, 3}};
  const std::uint8_t types[] = {kPtMoveTo, kPtLineTo, kPtBezierTo, kPtBezierTo, kPtBezierTo | kPtCloseFigure};
  dc.PolyDraw(curve, types, 5);
  dc.SetROP2(kR2XorPen);
  dc.Rectangle(0, 0, 5, 5);
  dc.SelectStockObject(kNullBrush);
  TRegion clip(TRect{0, 0, 10, 10});
  dc.SelectClipRgn(&clip);
  dc.SelectClipRgn(nullptr);
  dc.SetGraphicsMode(kGmAdvanced);
  dc.SetWorldTransform(XForm{1, 0, 0, 1, 10.5, 0});
  const TRect box{0, 0, 20, 10};
  const int dx[] = {7, 7, 7};
  dc.ExtTextOut(5, 5, kEtoOpaque, &box, u"A\"\u00e9", 3, dx);
  dc.SetTextAlign(kTaCenter | kTaBaseline);
  const std::uint8_t pixels[16 * 4] = {};
  dc.BitBlt(0, 0, 4, 4, PixelView{pixels, 4, 4, 16}, 0, 0, kSrcInvert);
  dc.RestoreObjects();
  EXPECT_EQ(dc.Text(),
            "SetMapMode MM_ANISOTROPIC\n"
            "SetWindowExt 10 10\n"
            "SetViewportExt 40 -40\n"
            "SelectObject pen(PS_DASH cosmetic RGB(255,0,0))\n"
            "SelectObject pen(PS_USERSTYLE geometric 3 RGB(0,0,9) ENDCAP_FLAT JOIN_BEVEL style{10,5})\n"
            "SelectObject brush(BS_HATCHED HS_CROSS RGB(0,0,255))\n"
            "MoveTo 1 2\n"
            "LineTo 3 4\n"
            "Polyline (0,0) (10,0) (10,10)\n"
            "PolyDraw M(0,0) L(5,5) B(1,1) B(2,2) B(3,3)+close\n"
            "SetROP2 R2_XORPEN\n"
            "Rectangle 0 0 5 5\n"
            "SelectStockObject NULL_BRUSH\n"
            "SelectClipRgn rgn[(0,0,10,10)]\n"
            "SelectClipRgn NULL\n"
            "SetGraphicsMode GM_ADVANCED\n"
            "SetWorldTransform [1 0 0 1 10.5 0]\n"
            "ExtTextOut 5 5 ETO_OPAQUE (0,0,20,10) \"A\\\"\\u00e9\" dx[7,7,7]\n"
            "SetTextAlign TA_CENTER|TA_BASELINE\n"
            "BitBlt 0 0 4 4 src(4x4) 0 0 SRCINVERT\n"
            "RestoreObjects");
}

TEST(DeviceContextTest, QueriesAreNotLoggedAndStateIsKept) {
  RecordingDC dc;
  dc.SetBkColor(Rgb(1, 2, 3) | 0x02000000);
  dc.Clear();
  EXPECT_EQ(dc.GetBkColor(), Rgb(1, 2, 3)) << "the PALETTERGB flag is dropped";
  TPoint p{3, 4};
  dc.LPtoDP(&p, 1);
  dc.GetPixel(1, 1);
  TRegion r;
  dc.GetClipRgn(&r);
  EXPECT_TRUE(dc.calls.empty());
}

TEST(DeviceContextTest, NewContextHasTheDocumentedDefaults) {
  RecordingDC dc;
  EXPECT_EQ(dc.GetMapMode(), kMmText);
  EXPECT_EQ(dc.GetGraphicsMode(), kGmCompatible);
  EXPECT_EQ(dc.GetROP2(), kR2CopyPen);
  EXPECT_EQ(dc.GetBkMode(), kOpaque);
  EXPECT_EQ(dc.GetBkColor(), Rgb(255, 255, 255));
  EXPECT_EQ(dc.GetTextColor(), Rgb(0, 0, 0));
  EXPECT_EQ(dc.GetTextAlign(), kTaLeft | kTaTop);
  EXPECT_EQ(dc.GetPolyFillMode(), kAlternate);
  EXPECT_EQ(dc.GetStretchBltMode(), kBlackOnWhite);
  EXPECT_EQ(dc.GetCurrentPen(), StockPen(kBlackPen));
  EXPECT_EQ(dc.GetCurrentBrush(), StockBrush(kWhiteBrush));
  EXPECT_EQ(dc.GetCurrentFont(), StockFont(kSystemFont));
  TRegion r;
  EXPECT_EQ(dc.GetClipRgn(&r), 0);
}

TEST(DeviceContextTest, SettersAnswerThePreviousValueAndRefuseUnknownModes) {
  RecordingDC dc;
  EXPECT_EQ(dc.SetROP2(kR2XorPen), kR2CopyPen);
  EXPECT_EQ(dc.SetROP2(0), 0);
  EXPECT_EQ(dc.SetROP2(17), 0);
  EXPECT_EQ(dc.GetROP2(), kR2XorPen);
  EXPECT_EQ(dc.SetBkMode(kTransparent), kOpaque);
  EXPECT_EQ(dc.SetBkMode(3), 0);
  EXPECT_EQ(dc.SetPolyFillMode(kWinding), kAlternate);
  EXPECT_EQ(dc.SetPolyFillMode(0), 0);
  EXPECT_EQ(dc.SetStretchBltMode(kColorOnColor), kBlackOnWhite);
  EXPECT_EQ(dc.SetStretchBltMode(5), 0);
  EXPECT_EQ(dc.SetMapMode(9), 0);
  EXPECT_EQ(dc.SetMapMode(kMmAnisotropic), kMmText);
  EXPECT_EQ(dc.SetTextAlign(kTaRight | kTaBottom), kTaLeft | kTaTop);
  EXPECT_EQ(dc.SetTextColor(Rgb(9, 8, 7)), Rgb(0, 0, 0));
}

void ExpectSameState(const DcState& a, const DcState& b) {
  EXPECT_EQ(a.mapMode, b.mapMode);
  EXPECT_EQ(a.windowOrg, b.windowOrg);
  EXPECT_EQ(a.windowExt, b.windowExt);
  EXPECT_EQ(a.viewportOrg, b.viewportOrg);
  EXPECT_EQ(a.viewportExt, b.viewportExt);
  EXPECT_EQ(a.graphicsMode, b.graphicsMode);
  EXPECT_EQ(a.world, b.world);
  EXPECT_EQ(a.rop2, b.rop2);
  EXPECT_EQ(a.bkMode, b.bkMode);
  EXPECT_EQ(a.bkColor, b.bkColor);
  EXPECT_EQ(a.textColor, b.textColor);
  EXPECT_EQ(a.textAlign, b.textAlign);
  EXPECT_EQ(a.polyFillMode, b.polyFillMode);
  EXPECT_EQ(a.stretchBltMode, b.stretchBltMode);
  EXPECT_EQ(a.currentPosition, b.currentPosition);
  EXPECT_EQ(a.pen, b.pen);
  EXPECT_EQ(a.brush, b.brush);
  EXPECT_EQ(a.font, b.font);
  EXPECT_EQ(a.hasClip, b.hasClip);
  EXPECT_EQ(a.clip, b.clip);
}

void ChangeEverything(TDC& dc, int k) {
  dc.SetMapMode(kMmAnisotropic);
  dc.SetWindowExt(10 + k, 20);
  dc.SetViewportExt(30, -40 - k);
  dc.SetWindowOrg(k, 2);
  dc.SetViewportOrg(3, k);
  dc.SetGraphicsMode(kGmAdvanced);
  dc.SetWorldTransform(XForm{2, 0, 0, 2, double(k), 0});
  dc.SetROP2(kR2NotXorPen);
  dc.SetBkMode(kTransparent);
  dc.SetBkColor(Rgb(1, 2, std::uint8_t(k)));
  dc.SetTextColor(Rgb(4, 5, 6));
  dc.SetTextAlign(kTaBaseline | kTaCenter);
  dc.SetPolyFillMode(kWinding);
  dc.SetStretchBltMode(kHalftone);
  dc.MoveTo(7, k);
  dc.SelectObject(TPen(Rgb(7, 7, 7), 3));
  dc.SelectObject(TBrush(Rgb(8, 8, std::uint8_t(k))));
  LogFont lf;
  lf.height = -12 - k;
  dc.SelectObject(TFont(lf));
  dc.IntersectClipRect(0, 0, 5 + k, 5);
}

TEST(DeviceContextTest, RestoreDCGivesBackEveryPartOfTheState) {
  RecordingDC dc(Surface(100, 100));
  const DcState initial = dc.State();
  ASSERT_EQ(dc.SaveDC(), 1);
  ChangeEverything(dc, 1);
  const DcState level2 = dc.State();
  ASSERT_EQ(dc.SaveDC(), 2);
  ChangeEverything(dc, 2);
  ASSERT_EQ(dc.SaveDC(), 3);
  ChangeEverything(dc, 3);

  EXPECT_FALSE(dc.RestoreDC(0));
  EXPECT_FALSE(dc.RestoreDC(4));
  EXPECT_FALSE(dc.RestoreDC(-4));
  EXPECT_EQ(dc.SavedDepth(), 3);

  ASSERT_TRUE(dc.RestoreDC(2)) << "an absolute level drops the levels above it";
  EXPECT_EQ(dc.SavedDepth(), 1);
  ExpectSameState(dc.State(), level2);
  // World (x2, +1 in x), then window org (1, 2) ext (11, 20) onto viewport
  // org (3, 1) ext (30, -41): logical (0, 0) lands at (3, 5.1).
  EXPECT_EQ(Dev(dc, 0, 0), (TPoint{3, 5})) << "the mapping is restored with the state";

  ASSERT_TRUE(dc.RestoreDC(-1));
  EXPECT_EQ(dc.SavedDepth(), 0);
  ExpectSameState(dc.State(), initial);
  EXPECT_EQ(Dev(dc, 5, 6), (TPoint{5, 6}));
  EXPECT_FALSE(dc.RestoreDC(-1));
}

TEST(DeviceContextTest, SaveDCStopsAtItsLimit) {
  RecordingDC dc;
  for (int i = 1; i <= kMaxSavedStates; ++i) ASSERT_EQ(dc.SaveDC(), i);
  EXPECT_EQ(dc.SaveDC(), 0);
  EXPECT_TRUE(dc.RestoreDC(1));
  EXPECT_EQ(dc.SavedDepth(), 0);
}

TEST(DeviceContextTest, SelectionAnswersThePreviousObjectAndRestoreGivesTheOriginals) {
  RecordingDC dc;
  TPen red(Rgb(255, 0, 0), 0);
  TBrush blue(Rgb(0, 0, 255));
  EXPECT_EQ(dc.SelectObject(red), StockPen(kBlackPen));
  EXPECT_EQ(dc.SelectObject(blue), StockBrush(kWhiteBrush));
  EXPECT_EQ(dc.SelectObject(TPen(Rgb(0, 0, 0), 2)), red);
  EXPECT_FALSE(dc.SelectObject(TPen()).IsValid()) << "an empty handle selects nothing";
  EXPECT_FALSE(dc.SelectObject(TPen(Rgb(0, 0, 0), 1, 99)).IsValid()) << "unknown pen style";
  EXPECT_EQ(dc.GetCurrentPen().Data().width, 2u);
  dc.RestorePen();
  EXPECT_EQ(dc.GetCurrentPen(), StockPen(kBlackPen));
  EXPECT_EQ(dc.GetCurrentBrush(), blue);
  EXPECT_TRUE(dc.SelectStockObject(kNullPen));
  EXPECT_TRUE(dc.GetCurrentPen().Data().IsNull());
  EXPECT_FALSE(dc.SelectStockObject(42));
  dc.RestoreObjects();
  EXPECT_EQ(dc.GetCurrentPen(), StockPen(kBlackPen));
  EXPECT_EQ(dc.GetCurrentBrush(), StockBrush(kWhiteBrush));
  EXPECT_EQ(dc.GetCurrentFont(), StockFont(kSystemFont));
}

TEST(DeviceContextTest, ASelectedObjectOutlivesTheCacheThatDroppedIt) {
  RecordingDC a, b;
  TPen cached(Rgb(1, 2, 3), 0);
  const TPen watcher = cached;
  a.SelectObject(cached);
  b.SelectObject(cached);
  EXPECT_EQ(watcher.UseCount(), 4);
  cached = TPen(Rgb(9, 9, 9), 0);  // the cache makes a new pen and drops the old one
  EXPECT_EQ(watcher.UseCount(), 3);
  EXPECT_EQ(a.GetCurrentPen().Data().color, Rgb(1, 2, 3));
  a.SaveDC();
  a.RestorePen();
  EXPECT_EQ(watcher.UseCount(), 3) << "the saved state holds it";
  a.RestoreDC(-1);
  EXPECT_EQ(a.GetCurrentPen(), watcher);
  b.RestoreObjects();
  a.RestorePen();
  EXPECT_EQ(watcher.UseCount(), 1) << "no context holds it any more";
  {
    RecordingDC c;
    c.SelectObject(watcher);
    EXPECT_EQ(watcher.UseCount(), 2);
  }
  EXPECT_EQ(watcher.UseCount(), 1) << "a destroyed context lets its objects go";
}

TEST(DeviceContextTest, PensAreValidatedAsGdiDoes) {
  const std::uint32_t dashes[] = {10, 10};
  const std::uint32_t zeros[] = {0, 0};
  EXPECT_TRUE(TPen::ExtCreate(kPsGeometric | kPsUserStyle, 1, kBsSolid, 0, 2, dashes).IsValid());
  EXPECT_TRUE(TPen::ExtCreate(kPsCosmetic | kPsDot, 1, kBsSolid, 0).IsValid());
  EXPECT_FALSE(TPen::ExtCreate(kPsCosmetic | kPsSolid, 2, kBsSolid, 0).IsValid()) << "cosmetic pens are 1 wide";
  EXPECT_FALSE(TPen::ExtCreate(kPsGeometric | kPsUserStyle, 1, kBsSolid, 0, 2, zeros).IsValid());
  EXPECT_FALSE(TPen::ExtCreate(kPsGeometric | kPsUserStyle, 1, kBsSolid, 0, 17, dashes).IsValid());
  EXPECT_FALSE(TPen::ExtCreate(kPsGeometric | kPsSolid, 1, kBsSolid, 0, 2, dashes).IsValid());
  EXPECT_FALSE(TPen::ExtCreate(kPsGeometric | kPsSolid, 0, kBsSolid, 0).IsValid());
  EXPECT_FALSE(TPen::ExtCreate(kPsGeometric | kPsSolid, 1, kBsHatched, 0).IsValid());
  TPen thin(Rgb(0, 0, 0), 0), thick(Rgb(0, 0, 0), 1);
  EXPECT_FALSE(thin.Data().geometric);
  EXPECT_TRUE(thick.Data().geometric);
  double out[kMaxUserStyleEntries];
  EXPECT_EQ(PenDashes(TPen(0, 0, kPsDash).Data(), out), 2u);
  EXPECT_EQ(out[0], 18);
  EXPECT_EQ(PenDashes(TPen(0, 4, kPsDashDot).Data(), out), 4u);
  EXPECT_EQ(out[0], 12) << "geometric dashes are multiples of the width";
  EXPECT_EQ(PenDashes(thick.Data(), out), 0u);
}

TEST(DeviceContextTest, MapModesAndExtentsMapLogicalToDevice) {
  RecordingDC dc;
  EXPECT_TRUE(dc.SetWindowExt(5, 5)) << "accepted in MM_TEXT";
  EXPECT_EQ(dc.GetWindowExt(), (TSize{1, 1})) << "but ignored";
  EXPECT_EQ(Dev(dc, 7, -3), (TPoint{7, -3}));

  dc.SetMapMode(kMmLoMetric);  // 0.1 mm, y up, at 96 dpi
  EXPECT_EQ(dc.GetWindowExt(), (TSize{254, 254}));
  EXPECT_EQ(dc.GetViewportExt(), (TSize{96, -96}));
  EXPECT_EQ(Dev(dc, 254, 254), (TPoint{96, -96}));
  dc.SetMapMode(kMmTwips);
  EXPECT_EQ(Dev(dc, 1440, 720), (TPoint{96, -48}));

  dc.SetMapMode(kMmIsotropic);
  dc.SetWindowExt(100, 100);
  dc.SetViewportExt(400, -200);
  EXPECT_EQ(dc.GetViewportExt(), (TSize{200, -200})) << "both axes take the smaller scale";

  dc.SetMapMode(kMmAnisotropic);
  EXPECT_EQ(dc.GetViewportExt(), (TSize{200, -200})) << "anisotropic keeps the extents";
  dc.SetWindowOrg(10, 20);
  dc.SetWindowExt(10, 10);
  dc.SetViewportExt(40, -20);
  dc.SetViewportOrg(100, 100);
  EXPECT_EQ(Dev(dc, 10, 20), (TPoint{100, 100}));
  EXPECT_EQ(Dev(dc, 15, 25), (TPoint{120, 90}));
  EXPECT_FALSE(dc.SetWindowExt(0, 5));
  EXPECT_FALSE(dc.SetViewportExt(5, 0));
  EXPECT_EQ(dc.GetWindowExt(), (TSize{10, 10}));

  TPoint back{120, 90};
  ASSERT_TRUE(dc.DPtoLP(&back, 1));
  EXPECT_EQ(back, (TPoint{15, 25}));

  dc.SetMapMode(kMmText);
  EXPECT_EQ(dc.GetViewportExt(), (TSize{1, 1}));
  EXPECT_EQ(Dev(dc, 10, 20), (TPoint{100, 100})) << "origins survive a change of mode";
}

TEST(DeviceContextTest, WorldTransformComesBeforeThePageMapping) {
  RecordingDC dc;
  dc.SetMapMode(kMmAnisotropic);
  dc.SetViewportExt(2, 2);
  EXPECT_FALSE(dc.SetWorldTransform(XForm{1, 0, 0, 1, 10, 0})) << "GM_COMPATIBLE has no world transform";
  ASSERT_EQ(dc.SetGraphicsMode(kGmAdvanced), kGmCompatible);
  ASSERT_TRUE(dc.SetWorldTransform(XForm{1, 0, 0, 1, 10, 0}));
  EXPECT_EQ(Dev(dc, 0, 0), (TPoint{20, 0})) << "translated, then scaled";
  // A quarter turn: (1, 0) goes to (0, 1), then doubles.
  ASSERT_TRUE(dc.SetWorldTransform(XForm{0, 1, -1, 0, 0, 0}));
  EXPECT_EQ(Dev(dc, 1, 0), (TPoint{0, 2}));
  EXPECT_FALSE(dc.SetWorldTransform(XForm{1, 1, 1, 1, 0, 0})) << "singular";
  EXPECT_FALSE(dc.SetWorldTransform(XForm{NAN, 0, 0, 1, 0, 0}));

  ASSERT_TRUE(dc.SetWorldTransform(XForm{2, 0, 0, 2, 0, 0}));
  ASSERT_TRUE(dc.ModifyWorldTransform(XForm{1, 0, 0, 1, 5, 0}, kMwtLeftMultiply));
  EXPECT_EQ(dc.GetWorldTransform(), (XForm{2, 0, 0, 2, 10, 0})) << "the new transform applies first";
  ASSERT_TRUE(dc.SetWorldTransform(XForm{2, 0, 0, 2, 0, 0}));
  ASSERT_TRUE(dc.ModifyWorldTransform(XForm{1, 0, 0, 1, 5, 0}, kMwtRightMultiply));
  EXPECT_EQ(dc.GetWorldTransform(), (XForm{2, 0, 0, 2, 5, 0})) << "the new transform applies last";

  EXPECT_EQ(dc.SetGraphicsMode(kGmCompatible), 0) << "not before the transform is the identity";
  ASSERT_TRUE(dc.ModifyWorldTransform(XForm{}, kMwtIdentity));
  EXPECT_EQ(dc.SetGraphicsMode(kGmCompatible), kGmAdvanced);
  EXPECT_EQ(Dev(dc, 3, 4), (TPoint{6, 8}));
}

TEST(DeviceContextTest, ExtremeScalesSaturateInsteadOfWrapping) {
  RecordingDC dc;
  dc.SetMapMode(kMmAnisotropic);
  dc.SetViewportExt(1000000, 1000000);
  EXPECT_EQ(Dev(dc, 1000000, -1000000), (TPoint{INT32_MAX, INT32_MIN}));
  EXPECT_EQ(RoundToInt32(2.5), 3);
  EXPECT_EQ(RoundToInt32(-2.5), -2);
  EXPECT_EQ(RoundToInt32(NAN), 0);
  EXPECT_EQ(RoundToInt32(1e300), INT32_MAX);
}

TEST(DeviceContextTest, ClipRegionsAreDevicePixels) {
  RecordingDC dc(Surface(100, 80));
  TRegion r;
  EXPECT_EQ(dc.GetClipRgn(nullptr), -1);
  EXPECT_EQ(dc.IntersectClipRect(10, 10, 50, 40), kSimpleRegion);
  ASSERT_EQ(dc.GetClipRgn(&r), 1);
  EXPECT_EQ(r, TRegion(TRect{10, 10, 50, 40}));
  EXPECT_EQ(dc.ExcludeClipRect(20, 20, 30, 30), kComplexRegion);

  // Logical rectangles go through the mapping; the clip does not move with
  // a later mapping change.
  dc.SelectClipRgn(nullptr);
  dc.SetMapMode(kMmAnisotropic);
  dc.SetViewportExt(2, 2);
  dc.SetViewportOrg(5, 0);
  EXPECT_EQ(dc.IntersectClipRect(0, 0, 10, 10), kSimpleRegion);
  dc.GetClipRgn(&r);
  EXPECT_EQ(r, TRegion(TRect{5, 0, 25, 20}));
  TRect box;
  EXPECT_EQ(dc.GetClipBox(&box), kSimpleRegion);
  EXPECT_EQ(box, (TRect{0, 0, 10, 10})) << "the box is answered in logical units";
  dc.SetViewportOrg(0, 0);
  dc.GetClipRgn(&r);
  EXPECT_EQ(r, TRegion(TRect{5, 0, 25, 20}));

  EXPECT_EQ(dc.ExtSelectClipRgn(nullptr, kRgnAnd), kRegionError);
  EXPECT_EQ(dc.SelectClipRgn(nullptr), kSimpleRegion);
  EXPECT_EQ(dc.GetClipRgn(&r), 0);
  TRegion small(TRect{1, 1, 2, 2});
  EXPECT_EQ(dc.ExtSelectClipRgn(&small, kRgnOr), kSimpleRegion);
  dc.GetClipRgn(&r);
  EXPECT_EQ(r, TRegion(TRect{0, 0, 100, 80})) << "no clip means the whole surface";
  EXPECT_EQ(dc.ExtSelectClipRgn(&small, 9), kRegionError);
}

TEST(DeviceContextTest, ClipRectangleUnderRotationIsAPolygon) {
  RecordingDC dc(Surface(200, 200));
  dc.SetGraphicsMode(kGmAdvanced);
  double c = std::cos(std::numbers::pi / 4), s = std::sin(std::numbers::pi / 4);
  dc.SetWorldTransform(XForm{c, s, -s, c, 100, 100});
  EXPECT_EQ(dc.IntersectClipRect(-20, -20, 20, 20), kComplexRegion);
  TRegion r;
  dc.GetClipRgn(&r);
  EXPECT_TRUE(r.Contains(100, 100));
  EXPECT_TRUE(r.Contains(100, 127)) << "a corner of the diamond reaches 28 pixels out";
  EXPECT_FALSE(r.Contains(118, 118)) << "the square's own corner is cut away";
}

TEST(DeviceContextTest, PathsCollectDeviceFiguresAndAreUsedUp) {
  RecordingDC dc(Surface(100, 100));
  dc.SetMapMode(kMmAnisotropic);
  dc.SetViewportExt(2, 2);
  EXPECT_FALSE(dc.FillPath()) << "no path";
  ASSERT_TRUE(dc.BeginPath());
  dc.MoveTo(1, 1);
  dc.LineTo(11, 1);
  dc.LineTo(11, 6);
  dc.LineTo(1, 6);
  EXPECT_TRUE(dc.CloseFigure());
  EXPECT_FALSE(dc.FillPath()) << "still open";
  ASSERT_TRUE(dc.EndPath());
  const GdiPath& p = dc.CurrentPath();
  ASSERT_EQ(p.Count(), 4u);
  EXPECT_EQ(p.Points()[1], (DPoint{22, 2}));
  EXPECT_EQ(p.Types()[0], kPtMoveTo);
  EXPECT_EQ(p.Types()[3], kPtLineTo | kPtCloseFigure);
  TRegion r;
  ASSERT_TRUE(dc.PathToRegion(&r));
  EXPECT_EQ(r, TRegion(TRect{2, 2, 22, 12}));
  EXPECT_FALSE(dc.PathToRegion(&r)) << "the path is used up";

  dc.BeginPath();
  dc.Rectangle(0, 0, 10, 10);  // GM_COMPATIBLE: device box (0, 0)-(19, 19)
  dc.EndPath();
  ASSERT_TRUE(dc.SelectClipPath(kRgnCopy));
  dc.GetClipRgn(&r);
  EXPECT_EQ(r, TRegion(TRect{0, 0, 19, 19}));
  EXPECT_FALSE(dc.HasClosedPath());
}

TEST(DeviceContextTest, PathFiguresStartAtTheCurrentPosition) {
  RecordingDC dc;
  dc.MoveTo(5, 5);
  dc.BeginPath();
  dc.LineTo(6, 5);
  const TPoint line[] = {{0, 0}, {1, 0}};
  dc.Polyline(line, 2);  // its own figure; the position stays (6, 5)
  dc.LineTo(6, 9);
  dc.EndPath();
  const GdiPath& p = dc.CurrentPath();
  ASSERT_EQ(p.Count(), 6u);
  const std::uint8_t want[] = {kPtMoveTo, kPtLineTo, kPtMoveTo, kPtLineTo, kPtMoveTo, kPtLineTo};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(p.Types()[i], want[i]) << i;
  EXPECT_EQ(p.Points()[0], (DPoint{5, 5}));
  EXPECT_EQ(p.Points()[4], (DPoint{6, 5}));
  EXPECT_TRUE(dc.AbortPath());
  EXPECT_FALSE(dc.StrokePath());
}

TEST(DeviceContextTest, MalformedPolyDrawDrawsNothing) {
  RecordingDC dc;
  dc.MoveTo(3, 3);
  const TPoint pts[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}};
  const std::uint8_t shortBezier[] = {kPtMoveTo, kPtBezierTo, kPtBezierTo};
  const std::uint8_t closedMove[] = {kPtMoveTo | kPtCloseFigure, kPtLineTo};
  const std::uint8_t unknown[] = {kPtMoveTo, 8};
  const std::uint8_t earlyClose[] = {kPtMoveTo, kPtBezierTo | kPtCloseFigure, kPtBezierTo, kPtBezierTo};
  EXPECT_FALSE(dc.PolyDraw(pts, shortBezier, 3));
  EXPECT_FALSE(dc.PolyDraw(pts, closedMove, 2));
  EXPECT_FALSE(dc.PolyDraw(pts, unknown, 2));
  EXPECT_FALSE(dc.PolyDraw(pts, earlyClose, 4));
  EXPECT_FALSE(dc.PolyDraw(pts, unknown, 0));
  EXPECT_EQ(dc.GetCurrentPosition(), (TPoint{3, 3}));
  const std::uint8_t good[] = {kPtLineTo, kPtBezierTo, kPtBezierTo, kPtBezierTo | kPtCloseFigure};
  EXPECT_TRUE(dc.PolyDraw(pts, good, 4));
  EXPECT_EQ(dc.GetCurrentPosition(), (TPoint{3, 3}));
  EXPECT_FALSE(dc.Polyline(pts, 1));
  EXPECT_FALSE(dc.PolyBezier(pts, 3));
  EXPECT_FALSE(dc.PolyBezierTo(pts, 4));
  const int badCounts[] = {3, 1};
  EXPECT_FALSE(dc.PolyPolygon(pts, badCounts, 2));
}

// ---- Where text runs go

TEST(DeviceContextTest, TextRunsFollowAlignmentEscapementAndGraphicsMode) {
  for (int mode : {kGmCompatible, kGmAdvanced}) {
    for (int esc : {0, 900, 1800, 2700}) {
      for (bool mirror : {false, true}) {
        for (int factor : {1, 2}) {
          SCOPED_TRACE("mode " + std::to_string(mode) + " esc " + std::to_string(esc) + " mirror " +
                       std::to_string(mirror) + " factor " + std::to_string(factor));
          RecordingDC dc;
          LogFont lf;
          lf.height = -10;
          lf.escapement = esc;
          dc.SelectObject(TFont(lf));
          dc.SetMapMode(kMmAnisotropic);
          dc.SetWindowExt(10, 10);
          dc.SetViewportExt((mirror ? -10 : 10) * factor, 10);
          dc.SetViewportOrg(50, 50);
          dc.SetGraphicsMode(mode);
          dc.SetTextAlign(kTaLeft | kTaBaseline);
          XForm m = dc.GetTextRunTransform(2, 3, 20, 8, 2);
          DPoint origin = m.Apply({0, 0});
          DPoint ref = dc.LogicalToDevice({2, 3});
          EXPECT_NEAR(origin.x, ref.x, 1e-9);
          EXPECT_NEAR(origin.y, ref.y, 1e-9);
          double a = esc * std::numbers::pi / 1800;
          DPoint base = m.ApplyVector({1, 0});
          double sx = (mirror ? -1.0 : 1.0) * factor;
          if (mode == kGmCompatible) {
            // Turned in device space, stretched by |scale|, never mirrored.
            EXPECT_NEAR(base.x, factor * std::cos(a), 1e-9);
            EXPECT_NEAR(base.y, -factor * std::sin(a), 1e-9);
            EXPECT_GT(m.Determinant(), 0);
          } else {
            // Laid out in logical space, then mapped: mirrors mirror.
            EXPECT_NEAR(base.x, sx * std::cos(a), 1e-9);
            EXPECT_NEAR(base.y, -std::sin(a), 1e-9);
            EXPECT_EQ(m.Determinant() > 0, !mirror);
          }
        }
      }
    }
  }
}

TEST(DeviceContextTest, TextAlignmentMovesTheRunOrigin) {
  RecordingDC dc;
  dc.SetTextAlign(kTaLeft | kTaTop);
  EXPECT_EQ(dc.GetTextRunTransform(10, 10, 30, 8, 2).Apply({0, 0}), (DPoint{10, 18})) << "baseline below the top";
  dc.SetTextAlign(kTaRight | kTaBottom);
  EXPECT_EQ(dc.GetTextRunTransform(10, 10, 30, 8, 2).Apply({0, 0}), (DPoint{-20, 8}));
  dc.SetTextAlign(kTaCenter | kTaBaseline);
  EXPECT_EQ(dc.GetTextRunTransform(10, 10, 30, 8, 2).Apply({0, 0}), (DPoint{-5, 10}));
  // Turned upwards: the run's middle sits on the point, its start below it.
  LogFont lf;
  lf.escapement = 900;
  dc.SelectObject(TFont(lf));
  DPoint start = dc.GetTextRunTransform(10, 10, 30, 8, 2).Apply({0, 0});
  EXPECT_NEAR(start.x, 10, 1e-12);
  EXPECT_NEAR(start.y, 25, 1e-12);
  // A y-up page keeps compatible-mode text upright.
  RecordingDC metric;
  metric.SetMapMode(kMmLoMetric);
  XForm m = metric.GetTextRunTransform(0, 0, 10, 5, 1);
  EXPECT_GT(m.eM22, 0) << "glyph y still points down the screen";
}

TEST(DeviceContextTest, OpaqueTextRectangleIsTheOnlyTextOutputForNow) {
  RecordingDC dc;
  EXPECT_TRUE(dc.TextOut(0, 0, u"", 0));
  EXPECT_FALSE(dc.TextOut(0, 0, u"abc", 3)) << "no glyphs yet: no false success";
  EXPECT_FALSE(dc.ExtTextOut(0, 0, 0, nullptr, nullptr, 2, nullptr));
  EXPECT_EQ(dc.DrawText(u"abc", 3, nullptr, 0), 0);
}

}  // namespace
}  // namespace kvn
