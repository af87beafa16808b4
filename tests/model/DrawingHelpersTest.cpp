#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/ArcPieces.h"
#include "model/CharsetText.h"
#include "model/ColorMapping.h"
#include "model/DgnTable.h"
#include "model/PlaneVectors.h"
#include "model/SortedValueList.h"
#include "model/VersionedString.h"
#include "model/ArcCubic.h"
#include "model/ColorHls.h"
#include "model/WorldMapping.h"
#include "tests/support/RecordFixtures.h"

namespace kvn {
namespace {

using test::MemoryArchive;

// ---- colour mapping ----

constexpr std::uint32_t Rgb(int r, int g, int b) {
  return std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16;
}

TEST(ColorHls, MulDivRoundsLikeTheWindowsCall) {
  EXPECT_EQ(MulDiv(255, 255, 510), 128);  // 127.5 rounds up
  EXPECT_EQ(MulDiv(-255, 255, 510), -128);
  EXPECT_EQ(MulDiv(254, 255, 510), 127);
  EXPECT_EQ(MulDiv(7, 3, 0), -1);
  EXPECT_EQ(MulDiv(0x40000000, 8, 1), -1);
}

TEST(ColorHls, KnownColours) {
  EXPECT_EQ(RgbToHls(Rgb(255, 0, 0)), (Hls{0, 120, 240}));
  EXPECT_EQ(RgbToHls(Rgb(0, 255, 0)), (Hls{80, 120, 240}));
  EXPECT_EQ(RgbToHls(Rgb(0, 0, 255)), (Hls{160, 120, 240}));
  EXPECT_EQ(RgbToHls(Rgb(255, 255, 255)), (Hls{kHlsUndefinedHue, 240, 0}));
  EXPECT_EQ(RgbToHls(Rgb(128, 128, 128)).lightness, 120);  // 256 x 120 / 255 rounded
  EXPECT_EQ(HlsToRgb({0, 120, 240}), Rgb(255, 0, 0));
  EXPECT_EQ(HlsToRgb({80, 120, 240}), Rgb(0, 255, 0));
  EXPECT_EQ(HlsToRgb({160, 120, 240}), Rgb(0, 0, 255));
  EXPECT_EQ(HlsToRgb({0, 240, 0}), Rgb(255, 255, 255));
}

TEST(ColorMapping, GreyMode) {
  ColorMappingState grey;
  grey.mode = ColorMode::Grey;
  EXPECT_EQ(MapFillColor(grey, Rgb(255, 0, 0)), Rgb(128, 128, 128));
  EXPECT_EQ(MapLineColor(grey, Rgb(10, 20, 30)), Rgb(20, 20, 20));
  EXPECT_EQ(MapFillColor(grey, 0x80FFFFFF), Rgb(255, 255, 255));  // the not-set bit goes first
}

TEST(ColorMapping, SwapAndOverride) {
  ColorMappingState swap;
  swap.swapBlackWhite = true;
  EXPECT_EQ(MapLineColor(swap, kColorWhite), kColorBlack);
  EXPECT_EQ(MapLineColor(swap, kColorBlack), kColorWhite);
  EXPECT_EQ(MapLineColor(swap, Rgb(1, 2, 3)), Rgb(1, 2, 3));
  EXPECT_EQ(MapFillColor(swap, kColorWhite), kColorWhite);  // fills never swap

  ColorMappingState over;
  over.overrideColor = std::int32_t(Rgb(0, 0, 255));
  EXPECT_EQ(MapLineColor(over, kColorWhite), kColorWhite);
  EXPECT_EQ(MapLineColor(over, Rgb(0, 255, 0)), Rgb(0, 0, 255));
  EXPECT_EQ(MapFillColor(over, kColorBlack), Rgb(0, 0, 255));
  EXPECT_EQ(MapFillColor(over, 0x80FFFFFF), Rgb(0, 0, 255));  // not exactly white

  ColorMappingState plain;
  EXPECT_EQ(MapLineColor(plain, 0x80123456), 0x123456u);
}

TEST(ColorMapping, LightnessClamp) {
  ColorMappingState dark;
  dark.mode = ColorMode::LightnessClamped;
  const std::uint32_t light = Rgb(255, 200, 200);
  const std::uint32_t mapped = MapFillColor(dark, light);
  EXPECT_LE(RgbToHls(mapped).lightness, 121);
  EXPECT_NEAR(RgbToHls(mapped).hue, RgbToHls(light).hue, 2);
  EXPECT_EQ(MapFillColor(dark, Rgb(100, 0, 0)), HlsToRgb(RgbToHls(Rgb(100, 0, 0))));  // already dark
  EXPECT_EQ(MapFillColor(dark, kColorWhite), kColorWhite);
  EXPECT_EQ(MapFillColor(dark, kColorBlack), kColorBlack);

  ColorMappingState onDark = dark;
  onDark.swapBlackWhite = true;
  EXPECT_GE(RgbToHls(MapFillColor(onDark, Rgb(0, 0, 100))).lightness, 119);
  // Strokes: white is turned black, then black and white swap: every stroke
  // ends light on the dark background.
  EXPECT_EQ(MapLineColor(onDark, kColorWhite), kColorWhite);
  EXPECT_EQ(MapLineColor(onDark, kColorBlack), kColorWhite);
  EXPECT_EQ(MapFillColor(onDark, kColorWhite), kColorWhite);
}

// ---- vectors ----

TEST(PlaneVectors, RotateVectorAndSafeRatio) {
  DPoint v{1, 0};
  RotateVector(v, 90);
  EXPECT_NEAR(v.x, 0, 1e-15);
  EXPECT_NEAR(v.y, 1, 1e-15);
  DPoint w{3, -4};
  RotateVector(w, 0);
  EXPECT_EQ(w, (DPoint{3, -4}));
  RotateVector(w, std::nan(""));
  EXPECT_EQ(w, (DPoint{3, -4}));
  EXPECT_EQ(SafeRatio(3, 4), 0.75);
  EXPECT_EQ(SafeRatio(0, 4), 1.0);
  EXPECT_EQ(SafeRatio(3, 0), 1.0);
}

// ---- arcs ----

TEST(Arcs, CircleThroughPoints) {
  DPoint c;
  double s = 0, e = 0, r = 0;
  ASSERT_TRUE(CircleThroughPoints(c, s, e, r, {0, 0}, {1, 1}, {2, 0}));
  EXPECT_NEAR(c.x, 1, 1e-12);
  EXPECT_NEAR(c.y, 0, 1e-12);
  EXPECT_NEAR(r, 1, 1e-12);
  EXPECT_NEAR(s, 180, 1e-9);
  EXPECT_NEAR(e, 0, 1e-9);  // runs down through 90

  ASSERT_TRUE(CircleThroughPoints(c, s, e, r, {0, 0}, {1, -1}, {2, 0}));
  EXPECT_NEAR(s, 180, 1e-9);
  EXPECT_NEAR(e, 360, 1e-9);

  EXPECT_FALSE(CircleThroughPoints(c, s, e, r, {0, 0}, {1, 1}, {2, 2}));
  EXPECT_EQ(c, (DPoint{0, 0}));
  EXPECT_EQ(r, 0);
}

TEST(Arcs, MakeArcCubicQuarterCircle) {
  Cubic q;
  MakeArcCubic(q, {0, 0}, 1, 0, 90);
  EXPECT_NEAR(q.p[0].x, 1, 1e-15);
  EXPECT_NEAR(q.p[1].x, 1, 1e-15);
  EXPECT_NEAR(q.p[1].y, 0.5523, 1e-4);
  EXPECT_NEAR(q.p[2].x, 0.5523, 1e-4);
  EXPECT_NEAR(q.p[2].y, 1, 1e-15);
  EXPECT_NEAR(q.p[3].y, 1, 1e-15);
}

DPoint Eval(const Cubic& c, double t) {
  const double u = 1 - t;
  const double a = u * u * u, b = 3 * u * u * t, d = 3 * u * t * t, e = t * t * t;
  return {a * c.p[0].x + b * c.p[1].x + d * c.p[2].x + e * c.p[3].x,
          a * c.p[0].y + b * c.p[1].y + d * c.p[2].y + e * c.p[3].y};
}

// Largest |distance from the centre - r| / r along every record.
double RadialError(const CubicArray& arc, const DPoint& centre, double r) {
  double worst = 0;
  for (const Cubic& c : arc) {
    for (int i = 0; i <= 200; ++i) {
      const DPoint p = Eval(c, i / 200.0);
      worst = std::max(worst, std::fabs(std::hypot(p.x - centre.x, p.y - centre.y) - r) / r);
    }
  }
  return worst;
}

DPoint OnCircle(const DPoint& c, double r, double degrees) {
  const double a = degrees * std::numbers::pi / 180;
  return {c.x + r * std::cos(a), c.y + r * std::sin(a)};
}

TEST(Arcs, PiecesStayOnTheCircle) {
  const DPoint centre{12.5, -3};
  const double r = 7.25;
  const struct {
    double from, sweep;
    std::uint32_t pieces;
  } cases[] = {{10, 45, 1}, {-30, 89, 1}, {0, 91, 2}, {100, 150, 2}, {45, 181, 3}, {0, 269, 3}, {5, 271, 4},
               {-170, 350, 4}, {60, -60, 1}, {60, -135, 2}, {0, -300, 4}};
  for (const auto& k : cases) {
    CubicArray arc;
    const DPoint start = OnCircle(centre, r, k.from);
    const DPoint through = OnCircle(centre, r, k.from + k.sweep / 3);
    const DPoint end = OnCircle(centre, r, k.from + k.sweep);
    double radius = 0;
    AppendArcBeziers(arc, start, through, end, &radius);
    EXPECT_NEAR(radius, r, 1e-9);
    ASSERT_EQ(arc.Count(), k.pieces) << k.from << " + " << k.sweep;
    EXPECT_LT(RadialError(arc, centre, r), 3e-4) << k.from << " + " << k.sweep;
    EXPECT_EQ(arc[0].p[0], start);
    EXPECT_EQ(arc[arc.Count() - 1].p[3], end);
    for (std::uint32_t i = 1; i < arc.Count(); ++i) EXPECT_EQ(arc[i].p[0], arc[i - 1].p[3]);
    // The arc passes the through point.
    double nearest = 1e9;
    for (const Cubic& c : arc) {
      for (int i = 0; i <= 400; ++i) {
        const DPoint p = Eval(c, i / 400.0);
        nearest = std::min(nearest, std::hypot(p.x - through.x, p.y - through.y));
      }
    }
    EXPECT_LT(nearest, r * 0.02) << k.from << " + " << k.sweep;
  }
}

TEST(Arcs, FullCircleAndStraightArcs) {
  CubicArray circle;
  AppendArcBeziers(circle, {1, 0}, {-1, 0}, {1, 0});
  ASSERT_EQ(circle.Count(), 4u);
  EXPECT_LT(RadialError(circle, {0, 0}, 1), 3e-4);

  CubicArray line;
  double radius = 5;
  AppendArcBeziers(line, {0, 0}, {1, 1}, {3, 3}, &radius);
  ASSERT_EQ(line.Count(), 1u);
  EXPECT_TRUE(line[0].IsStraight());
  EXPECT_EQ(line[0].p[3], (DPoint{3, 3}));
  EXPECT_EQ(radius, 0);
}

// ---- sorted values ----

TEST(SortedValueList, InsertKeepsOrderWithoutDuplicates) {
  SortedValueList list;
  EXPECT_EQ(list.tolerance, DBL_MAX);
  EXPECT_EQ(list.Insert(3), 0);
  EXPECT_EQ(list.Insert(1), 0);
  EXPECT_EQ(list.Insert(3), 1);
  EXPECT_EQ(list.Insert(2), 1);
  EXPECT_EQ(std::vector<double>(list.begin(), list.end()), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(list.Insert(std::nan("")), -1);
  EXPECT_EQ(list.Insert(-5), 0);
  list.RemoveAt(9);
  list.RemoveAt(0);
  EXPECT_EQ(std::vector<double>(list.begin(), list.end()), (std::vector<double>{1, 2, 3}));

  SortedValueList copy;
  copy.Insert(100);
  copy.Assign(list);
  EXPECT_EQ(std::vector<double>(copy.begin(), copy.end()), (std::vector<double>{1, 2, 3}));
}

TEST(SortedValueList, FindNearWithinTheSnapDistance) {
  const int saved = GetSnapDistancePixels();
  SetSnapDistancePixels(4);
  SortedValueList list;
  list.Insert(10);
  list.Insert(20);
  WorldMapping m;  // 4 device units per drawing unit
  DPoint out{-1, -1};
  EXPECT_TRUE(list.FindNear(out, {5, 10.9}, m, false));
  EXPECT_EQ(out, (DPoint{5, 10}));
  EXPECT_FALSE(list.FindNear(out, {5, 11.5}, m, false));
  EXPECT_TRUE(list.FindNear(out, {19.2, 7}, m, true));
  EXPECT_EQ(out, (DPoint{20, 7}));
  m.scale = 0.1;  // zoomed out: 0.4 units per drawing unit
  EXPECT_TRUE(list.FindNear(out, {5, 15}, m, false));
  EXPECT_EQ(out, (DPoint{5, 10}));  // the first value within reach
  SetSnapDistancePixels(saved);
}

// ---- versioned strings ----

TEST(VersionedString, EveryBand) {
  WString s;
  {
    MemoryArchive a([](ArchiveWriter& w) {
      const std::uint8_t bytes[] = {'A', 0x8A, 0};  // "AŠ" in code page 1250
      w.Write(bytes, 3);
      w.WriteByte('x');
    });
    ReadVersionedString(s, a.Reader(), 3051);
    EXPECT_EQ(s, u"AŠ");
    EXPECT_EQ(a.Reader().ReadByte(), 'x');
  }
  {
    MemoryArchive a([](ArchiveWriter& w) {
      for (char16_t c : std::u16string(u"Čáp")) w.WriteUInt16(c);
      w.WriteUInt16(0);
      w.WriteByte('y');
    });
    ReadVersionedString(s, a.Reader(), 3072);
    EXPECT_EQ(s, u"Čáp");
    EXPECT_EQ(a.Reader().ReadByte(), 'y');
  }
  for (int version : {3073, -1}) {
    MemoryArchive a([](ArchiveWriter& w) { w.WriteString(u"Ťava"); });
    ReadVersionedString(s, a.Reader(), version);
    EXPECT_EQ(s, u"Ťava");
  }
  {  // no terminator before the end of the data
    MemoryArchive a([](ArchiveWriter& w) {
      w.WriteUInt16(u'o');
      w.WriteUInt16(u'k');
    });
    EXPECT_EQ(ReadArchiveWString(a.Reader()), u"ok");
  }
}

TEST(VersionedString, OptionalBytes) {
  MemoryArchive a([](ArchiveWriter& w) {
    WriteOptionalU8(w, 255);
    WriteOptionalU8(w, 7);
    WriteOptionalU8(w, 200);
  });
  EXPECT_EQ(ReadOptionalFlagByte(a.Reader()), -1);
  EXPECT_EQ(ReadOptionalFlagByte(a.Reader()), 7);
  EXPECT_EQ(ReadOptionalFlagByte(a.Reader()), -56);
  const auto bytes = test::Archive([](ArchiveWriter& w) { WriteOptionalU8(w, 255); });
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00}));  // one bit 0
}

// ---- character sets ----

TEST(CharsetText, CodePages) {
  WString s;
  CharsetToCodePage(s, std::string_view("\x8A\x9A\0rest", 7), 238, u"Arial");
  EXPECT_EQ(s, u"Šš");
  CharsetToCodePage(s, "\xC0\xE1", 204, u"Arial");
  EXPECT_EQ(s, u"Аб");
  CharsetToCodePage(s, "\x80", 0, u"Arial");
  EXPECT_EQ(s, u"€");
  CharsetToCodePage(s, "\xF0\x41", 2, u"Wingdings");
  EXPECT_EQ(s, u"\u00F0A");  // symbol fonts keep their byte codes
  EXPECT_EQ(CharsetToCodePageNumber(2, u"Arial"), 0);
  EXPECT_EQ(CharsetToCodePageNumber(2, u"Symbol"), -1);
  EXPECT_EQ(CharsetToCodePageNumber(2, u""), 0);
  EXPECT_EQ(CharsetToCodePageNumber(77, u"Symbol"), 0);
  for (auto [set, cp] : {std::pair{161, 1253}, {162, 1254}, {177, 1255}, {178, 1256}, {186, 1257}}) {
    EXPECT_EQ(CharsetToCodePageNumber(std::uint8_t(set), u"x"), cp);
  }
}

// ---- DGN defaults ----

TEST(DgnTable, DefaultPalette) {
  const auto t = GetDgnTable();
  ASSERT_EQ(t.size(), 768u);
  auto entry = [&](int i) { return std::vector<int>{t[3 * i], t[3 * i + 1], t[3 * i + 2]}; };
  EXPECT_EQ(entry(0), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(entry(1), (std::vector<int>{0, 0, 255}));
  EXPECT_EQ(entry(6), (std::vector<int>{255, 127, 0}));
  EXPECT_EQ(entry(14), (std::vector<int>{176, 176, 176}));
  EXPECT_EQ(entry(15), (std::vector<int>{0, 240, 240}));
  EXPECT_EQ(entry(16), (std::vector<int>{240, 240, 240}));
  EXPECT_EQ(entry(22), (std::vector<int>{240, 122, 0}));
  EXPECT_EQ(entry(31), (std::vector<int>{0, 225, 225}));
  EXPECT_EQ(entry(100), (std::vector<int>{165, 165, 0}));
  EXPECT_EQ(entry(246), (std::vector<int>{30, 52, 0}));
  EXPECT_EQ(entry(253), (std::vector<int>{30, 0, 30}));
  EXPECT_EQ(entry(254), (std::vector<int>{192, 192, 192}));
  EXPECT_EQ(entry(255), (std::vector<int>{28, 0, 100}));
  EXPECT_EQ(GetDgnTable().data(), t.data());  // one table for the run
}

}  // namespace
}  // namespace kvn
