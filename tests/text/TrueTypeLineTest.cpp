// Lines of TrueType text placed glyph by glyph: alignment shifts, mirrors,
// tabs, bars, width factors and explosion order, on a face of hand-made
// glyphs and metrics (so that every number is known).
#include <gtest/gtest.h>

#include <array>

#include "model/ObjectChain.h"
#include "model/TrueTypeFace.h"
#include "model/cPolygon.h"
#include "text/TrueTypeLine.h"

namespace kvn {
namespace {

constexpr std::int32_t kUnit = 65536 * 8;

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::int32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(std::uint32_t(v) >> (8 * i));
}

// A family whose regular face holds 'A' (advance 10), 'B' (advance 11) and a
// blank (advance 5), each but the blank a 2 x 2 square; ascent 40, cap 30,
// underscore at -4 size 2, strike-out at 12 size 0.
std::unique_ptr<TrueTypeFaceSet> HandMadeFamily() {
  auto set = std::make_unique<TrueTypeFaceSet>(WString(u"Hand Made"));
  set->state = 1;
  TrueTypeFace* face = set->CreateFace(0);
  face->capHeight = 30;
  face->metrics.assign(kOutlineMetricsSize, 0);
  Put32(face->metrics, 0, std::int32_t(kOutlineMetricsSize));
  Put32(face->metrics, otm::kTextMetrics + 4, 40);  // tmAscent
  Put32(face->metrics, otm::kUnderscorePosition, -4);
  Put32(face->metrics, otm::kUnderscoreSize, 2);
  Put32(face->metrics, otm::kStrikeoutPosition, 12);
  for (auto [code, advance] : std::initializer_list<std::pair<char16_t, int>>{{u' ', 5}, {u'A', 10}, {u'B', 11}}) {
    auto g = std::make_unique<FontGlyph>();
    g->code = code;
    g->advance = std::uint16_t(advance);
    if (code != u' ') {
      GlyphOutlineWriter w;
      w.BeginPolygon({0, 0});
      w.AddLine({2 * kUnit, 0});
      w.AddLine({2 * kUnit, 2 * kUnit});
      w.AddLine({0, 2 * kUnit});
      g->outline = w.Finish();
    }
    face->glyphs.push_back(std::move(g));
  }
  return set;
}

std::vector<cPolygon*> Polygons(ObjectChain& chain) {
  std::vector<cPolygon*> out;
  for (cOutObj* o = chain.Head(); o; o = o->next) out.push_back(o->AsAnyFill()->AsPolygon());
  return out;
}

// Line with h = 3 on cap 30: 0.1 drawing units per em unit.
TrueTypeLine Line(const char16_t* text, ObjectChain* out) {
  TrueTypeLine line;
  line.out = out;
  line.origin = {100, 50};
  line.height = 3;
  line.text = WString(text);
  line.underline = true;
  return line;
}

TEST(TrueTypeLine, AlignmentShiftsAndMirrors) {
  auto set = HandMadeFamily();
  struct Case {
    std::uint32_t alignment;
    bool mirrorX;
    double barStart, barEnd;
  };
  // "AB": 21 em units, 2.1 drawing units.
  const Case cases[] = {
      {0, false, 100, 102.1},
      {2, false, 97.9, 100},   // right-aligned lines end at the origin
      {6, false, 99, 101.1},   // centred: half of 21 truncated to 10
      {0, true, 100, 97.9},    // mirrored: the pen runs backwards
      {2, true, 102.1, 100},   // mirrored right-aligned: starts one width ahead, ends at the origin
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.alignment << " " << c.mirrorX);
    ObjectChain out;
    TrueTypeLine line = Line(u"AB", &out);
    line.alignment = c.alignment;
    line.mirrorX = c.mirrorX;
    DrawTrueTypeLine(*set, line);
    const std::vector<cPolygon*> p = Polygons(out);
    ASSERT_EQ(p.size(), 3u);  // A, B, underline
    const auto bar = p[2]->FirstList().Points();
    EXPECT_NEAR(bar[0].x, c.barStart, 1e-9);
    EXPECT_NEAR(bar[1].x, c.barEnd, 1e-9);
  }
}

TEST(TrueTypeLine, GlyphPlacementTabsAndWidthFactor) {
  auto set = HandMadeFamily();
  ObjectChain out;
  TrueTypeLine line = Line(u"A\tB", &out);
  line.underline = false;
  line.widthFactor = 0;  // counts as 1
  DrawTrueTypeLine(*set, line);
  std::vector<cPolygon*> p = Polygons(out);
  ASSERT_EQ(p.size(), 2u);  // the tab is a blank: no outline, but its advance
  // B starts after A (10) and the blank (5): x = 100 + 1.5; its square's top
  // (y = 2) lies 38 em units below the ascent line.
  EXPECT_NEAR(p[1]->FirstList().Points()[0].x, 101.5, 1e-9);
  EXPECT_NEAR(p[1]->FirstList().Points()[0].y, 54.0, 1e-9);
  // Width factor 2: twice as far along, not taller.
  ObjectChain wide;
  line.out = &wide;
  line.widthFactor = 2;
  DrawTrueTypeLine(*set, line);
  p = Polygons(wide);
  EXPECT_NEAR(p[1]->FirstList().Points()[0].x, 103, 1e-9);
  EXPECT_NEAR(p[1]->FirstList().Points()[3].x, 103.4, 1e-9);
}

TEST(TrueTypeLine, BarsOrderThicknessAndMissingGlyphs) {
  auto set = HandMadeFamily();
  ObjectChain out;
  TrueTypeLine line = Line(u"AB", &out);
  line.strikeOut = true;
  line.mirrorY = true;
  DrawTrueTypeLine(*set, line);
  std::vector<cPolygon*> p = Polygons(out);
  ASSERT_EQ(p.size(), 4u);  // glyphs, underline, strike-out
  // Underline: (40 - -4) x 0.1 below the top, 2 x 0.1 thick; negated by the mirror.
  auto u = p[2]->FirstList().Points();
  EXPECT_NEAR(u[0].y, 50 - 4.4, 1e-9);
  EXPECT_NEAR(u[3].y - u[0].y, 0.2, 1e-9);
  // Strike-out of size 0: one em unit thick.
  auto s = p[3]->FirstList().Points();
  EXPECT_NEAR(s[0].y, 50 - 2.8, 1e-9);
  EXPECT_NEAR(s[3].y - s[0].y, 0.1, 1e-9);
  // Bars only: just the bars.
  ObjectChain bars;
  line.out = &bars;
  line.barsOnly = true;
  DrawTrueTypeLine(*set, line);
  EXPECT_EQ(Polygons(bars).size(), 2u);
  // Characters without glyphs: nothing drawn, bars of length 0.
  ObjectChain none;
  line = Line(u"xyz", &none);
  DrawTrueTypeLine(*set, line);
  p = Polygons(none);
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0]->FirstList().Points()[0], p[0]->FirstList().Points()[1]);
  // A cap height of 0 draws nothing, bars included.
  set->GetFace(0)->capHeight = 0;
  ObjectChain nothing;
  line.out = &nothing;
  DrawTrueTypeLine(*set, line);
  EXPECT_TRUE(nothing.Empty());
}

// A damaged face whose ascent and bar positions lie an int's range apart:
// the bars are placed where the metrics say, not where a wrapped difference
// would put them.
TEST(TrueTypeLine, BarsOfMetricsAnIntsRangeApart) {
  auto set = HandMadeFamily();
  std::vector<std::uint8_t>& metrics = set->GetFace(0)->metrics;
  Put32(metrics, otm::kTextMetrics + 4, 0x7FFFFF00);
  Put32(metrics, otm::kUnderscorePosition, -0x40000000);
  Put32(metrics, otm::kStrikeoutPosition, -0x7FFFFF00);
  ObjectChain out;
  TrueTypeLine line = Line(u"A", &out);
  line.strikeOut = true;
  line.mirrorY = true;
  DrawTrueTypeLine(*set, line);
  std::vector<cPolygon*> p = Polygons(out);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_NEAR(p[1]->FirstList().Points()[0].y, 50 - (2147483392.0 + 1073741824.0) * 0.1, 1.0);
  EXPECT_NEAR(p[2]->FirstList().Points()[0].y, 50 - 2.0 * 2147483392.0 * 0.1, 1.0);
}

TEST(TrueTypeLine, TheFaceSetDrawsThroughTheInstalledLineDrawing) {
  auto set = HandMadeFamily();
  ObjectChain before;
  SetTrueTypeLineDrawer(nullptr);
  set->DrawText(Line(u"AB", &before));
  EXPECT_TRUE(before.Empty());  // nothing installed: nothing drawn
  InstallTrueTypeLineDrawer();
  ObjectChain direct, through;
  TrueTypeLine line = Line(u"AB", &direct);
  line.alignment = 6;
  line.mirrorX = true;
  DrawTrueTypeLine(*set, line);
  line.out = &through;
  set->DrawText(line);
  const std::vector<cPolygon*> a = Polygons(direct), b = Polygons(through);
  ASSERT_EQ(a.size(), 3u);
  ASSERT_EQ(b.size(), a.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto pa = a[i]->FirstList().Points(), pb = b[i]->FirstList().Points();
    ASSERT_EQ(pa.size(), pb.size());
    for (std::size_t k = 0; k < pa.size(); ++k) EXPECT_EQ(pa[k], pb[k]);
  }
  SetTrueTypeLineDrawer(nullptr);
}

}  // namespace
}  // namespace kvn
