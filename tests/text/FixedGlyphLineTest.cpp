// The fixed-point road of TrueType lines against the path in doubles: where
// glyphs land, which glyphs the clip culls or cuts, and when a line keeps to
// the path in doubles. A context that records what the road hands to the
// raster glyph fill stands in for the surface.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "model/ObjectChain.h"
#include "model/TrueTypeFace.h"
#include "model/cPolygon.h"
#include "render/AntiAliasedFill.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "text/FixedGlyphLine.h"
#include "text/TrueTypeLine.h"

namespace kvn {
namespace {

constexpr std::int32_t kEm = 65536;  // one em unit, 16.16
constexpr double kAscent = 40;

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::int32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(std::uint32_t(v) >> (8 * i));
}

// A family of glyphs 'a'.. with random advances and shapes; every glyph's
// first run starts at its origin on the baseline (em point (0, 0)), so that
// the first point of a placed glyph tells where the road put its origin.
// The blank has no outline. Ascent 40, cap height 30.
std::unique_ptr<TrueTypeFaceSet> RandomFamily(std::mt19937& rng, int glyphs) {
  auto set = std::make_unique<TrueTypeFaceSet>(WString(u"Random"));
  set->state = 1;
  TrueTypeFace* face = set->CreateFace(0);
  face->capHeight = 30;
  face->metrics.assign(kOutlineMetricsSize, 0);
  Put32(face->metrics, 0, std::int32_t(kOutlineMetricsSize));
  Put32(face->metrics, otm::kTextMetrics + 4, std::int32_t(kAscent));
  std::uniform_int_distribution<int> advance(1, 60), coord(-8 * kEm, 48 * kEm);
  auto blank = std::make_unique<FontGlyph>();
  blank->code = u' ';
  blank->advance = 13;
  face->glyphs.push_back(std::move(blank));
  for (int i = 0; i < glyphs; ++i) {
    auto g = std::make_unique<FontGlyph>();
    g->code = char16_t(u'a' + i);
    g->advance = std::uint16_t(advance(rng));
    // The outline buffer holds points at the 8x matrix.
    GlyphOutlineWriter w;
    w.BeginPolygon({0, 0});
    w.AddCubic({coord(rng) * 8, coord(rng) * 8}, {coord(rng) * 8, coord(rng) * 8}, {coord(rng) * 8, coord(rng) * 8});
    w.AddLine({coord(rng) * 8, coord(rng) * 8});
    w.BeginPolygon({coord(rng) * 8, coord(rng) * 8});
    w.AddLine({coord(rng) * 8, coord(rng) * 8});
    w.AddLine({coord(rng) * 8, coord(rng) * 8});
    g->outline = w.Finish();
    face->glyphs.push_back(std::move(g));
  }
  return set;
}

// Records each glyph the fixed-point road hands over, and the fills of the
// path in doubles.
class GlyphRecorder : public cDrawInfo {
 public:
  using cDrawInfo::cDrawInfo;
  struct Glyph {
    GlyphRuns runs;
    FixedGlyphPlacement at;
    bool clipped = false;
    DeviceRect clip;
    std::uint32_t color = 0;
  };
  bool FillGlyphRuns(const GlyphRuns& runs, const FixedGlyphPlacement& at, const DeviceRect* clip,
                     std::uint32_t color) override {
    glyphs.push_back(Glyph{runs, at, clip != nullptr, clip ? *clip : DeviceRect{}, color});
    return true;
  }
  void FillPath(cOutObj&) override { ++pathFills; }
  std::vector<Glyph> glyphs;
  int pathFills = 0;
};

std::vector<cPolygon*> Polygons(ObjectChain& chain) {
  std::vector<cPolygon*> out;
  for (cOutObj* o = chain.Head(); o; o = o->next) out.push_back(o->AsAnyFill()->AsPolygon());
  return out;
}

TEST(FixedGlyphLine, ThousandRandomGlyphsLandWhereThePathInDoublesPutsThem) {
  std::mt19937 rng(20261207);
  auto set = RandomFamily(rng, 20);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int compared = 0;
  double worstOrigin = 0;
  for (int round = 0; compared < 1000; ++round) {
    SCOPED_TRACE(round);
    WorldMapping m;
    m.scale = std::exp(unit(rng) * 6 - 3);  // 0.05 .. 20
    m.originX = unit(rng) * 4000 - 2000;
    m.originY = unit(rng) * 4000 - 2000;
    m.offsetX = std::int32_t(unit(rng) * 200) - 100;
    m.offsetY = std::int32_t(unit(rng) * 200) - 100;
    TrueTypeLine line;
    line.origin = {unit(rng) * 600 - 300, unit(rng) * 600 - 300};
    line.angle = round % 4 == 0 ? 0.0 : unit(rng) * 720 - 360;
    line.height = 0.5 + unit(rng) * 20;
    const int kind = round % 5;
    line.widthFactor = kind == 0 ? 1.0 : kind == 1 ? 0.0 : 0.2 + unit(rng) * 3;
    line.mirrorX = unit(rng) < 0.3;
    line.mirrorY = unit(rng) < 0.3;
    const std::uint32_t alignments[] = {0, 2, 6};
    line.alignment = alignments[round % 3];
    std::u16string text;
    for (int i = 0; i < 12; ++i) text += unit(rng) < 0.15 ? u' ' : char16_t(u'a' + int(unit(rng) * 20));
    line.text = WString(text.c_str());

    ObjectChain exploded;
    line.out = &exploded;
    DrawTrueTypeLine(*set, line);
    GlyphRecorder fixed(m);
    fixed.directRaster = 1;
    line.out = nullptr;
    line.info = &fixed;
    DrawTrueTypeLine(*set, line);

    const std::vector<cPolygon*> polygons = Polygons(exploded);
    ASSERT_EQ(polygons.size(), fixed.glyphs.size());
    const double fk = m.scale * 4 * line.height / 30;
    const double width = line.widthFactor == 0 ? 1.0 : line.widthFactor;
    for (std::size_t g = 0; g < polygons.size(); ++g) {
      const GlyphRecorder::Glyph& glyph = fixed.glyphs[g];
      EXPECT_FALSE(glyph.clipped);  // direct raster: never cut
      ASSERT_EQ(polygons[g]->ListCount(), glyph.runs.size());
      // The origin: within 1/256 pixel.
      const DPoint exact = m.ToDeviceExact(polygons[g]->FirstList().Points()[0]);
      const double dx = glyph.at.originX / 1024.0 - exact.x, dy = glyph.at.originY / 1024.0 - exact.y;
      worstOrigin = std::max({worstOrigin, std::fabs(dx), std::fabs(dy)});
      EXPECT_LE(std::fabs(dx), 1.0 / 256);
      EXPECT_LE(std::fabs(dy), 1.0 / 256);
      // Every point, as the surface maps it: besides the origin, the 1/1024
      // steps of the scale and width terms move a point by up to half a step
      // per em unit of its distance from the origin, and the mapping floors
      // to 1/256.
      for (std::size_t r = 0; r < glyph.runs.size(); ++r) {
        const auto points = polygons[g]->List(std::uint32_t(r)).Points();
        ASSERT_EQ(points.size(), glyph.runs[r].size());
        GlyphTransform t{glyph.at.originX, glyph.at.originY, glyph.at.cosine, glyph.at.sine,
                         glyph.at.width,   glyph.at.mirrorX, glyph.at.mirrorY};
        for (std::size_t i = 0; i < points.size(); ++i) {
          const FixPoint p = glyph.runs[r][i];
          AaPoint mapped;
          MapGlyphPoint(&mapped, GlyphPoint{p.x, p.y}, t);
          const DPoint want = m.ToDeviceExact(points[i]);
          const double ex = std::fabs(p.x / 65536.0) * width, ey = std::fabs(p.y / 65536.0);
          const double bound = 2.0 / 256 + (ex + ey) * 0.5 / 1024 + std::fabs(p.x / 65536.0) * fk * 0.5 / 1024;
          EXPECT_NEAR(mapped.x / 256.0, want.x, bound);
          EXPECT_NEAR(mapped.y / 256.0, want.y, bound);
        }
      }
      ++compared;
    }
  }
  RecordProperty("worst_origin_error_px", std::to_string(worstOrigin));
}

TEST(FixedGlyphLine, GlyphsOutsideTheClipAreCulledAndThoseAcrossItCut) {
  std::mt19937 rng(7);
  auto set = RandomFamily(rng, 1);
  // 'a': a square 10 em units a side, advance 20.
  FontGlyph& a = *set->GetFace(0)->glyphs[1];
  GlyphOutlineWriter w;
  w.BeginPolygon({0, 0});
  w.AddLine({80 * kEm, 0});
  w.AddLine({80 * kEm, 80 * kEm});
  w.AddLine({0, 80 * kEm});
  a.outline = w.Finish();
  a.polygons.reset();
  a.advance = 20;
  // Height 30 on cap 30 at scale 1: 4 device units per em unit, so glyph n
  // spans x [80 n, 80 n + 40], mirrored [400 - 80 n - 40, 400 - 80 n]. The
  // glyph clip (the device clip widened by 2) spans 98 to 302.
  WorldMapping m;
  m.deviceClip = {100, -1000, 300, 1000};
  cRasterSurface surface(true);
  ASSERT_TRUE(surface.Prepare(TRect{0, 0, 16, 16}));
  for (bool mirrorX : {false, true}) {
    SCOPED_TRACE(mirrorX);
    GlyphRecorder rec(m);
    TrueTypeLine line;
    line.info = &rec;
    line.height = 30;
    line.text = WString(u"aaaaa");
    line.mirrorX = mirrorX;
    line.origin = {mirrorX ? 100.0 : 0.0, 0};
    // A surface without anti-aliasing fills no glyphs: the path in doubles.
    rec.raster = &surface;
    surface.SetAntiAliasMode(0);
    DrawTrueTypeLine(*set, line);
    EXPECT_TRUE(rec.glyphs.empty());
    EXPECT_EQ(rec.pathFills, 5);
    rec.pathFills = 0;
    // Anti-aliased: the first and last glyphs lie outside, the second
    // crosses the clip (mirrored lines too: their boxes are mirrored).
    surface.SetAntiAliasMode(1);
    DrawTrueTypeLine(*set, line);
    ASSERT_EQ(rec.glyphs.size(), 3u);
    EXPECT_EQ(rec.pathFills, 0);
    EXPECT_TRUE(rec.glyphs[0].clipped);
    EXPECT_EQ(rec.glyphs[0].clip, (DeviceRect{98 * 256, -1002 * 256, 302 * 256, 1002 * 256}));
    EXPECT_FALSE(rec.glyphs[1].clipped);
    EXPECT_FALSE(rec.glyphs[2].clipped);
    EXPECT_EQ(rec.glyphs[1].at.originX, (mirrorX ? 400 - 160 : 160) * 1024);
    EXPECT_EQ(rec.glyphs[1].at.originY, 160 * 1024);  // the baseline, 40 em units down
    // Mirror Y and the direct-raster flag draw every glyph uncut.
    rec.glyphs.clear();
    line.mirrorY = true;
    DrawTrueTypeLine(*set, line);
    EXPECT_EQ(rec.glyphs.size(), 5u);
    line.mirrorY = false;
    rec.raster = nullptr;
    rec.directRaster = 1;
    DrawTrueTypeLine(*set, line);
    ASSERT_EQ(rec.glyphs.size(), 10u);
    for (const auto& g : rec.glyphs) EXPECT_FALSE(g.clipped);
  }
}

TEST(FixedGlyphLine, TheRoadIgnoresOutputAndBarsOnlyButDrawsBars) {
  std::mt19937 rng(3);
  auto set = RandomFamily(rng, 3);
  GlyphRecorder rec;
  rec.directRaster = 1;
  ObjectChain out;
  TrueTypeLine line;
  line.info = &rec;
  line.out = &out;
  line.height = 3;
  line.text = WString(u"ab c");
  line.barsOnly = true;
  line.underline = true;
  line.strikeOut = true;
  line.color = 0x123456;
  DrawTrueTypeLine(*set, line);
  ASSERT_EQ(rec.glyphs.size(), 3u);  // the blank has nothing to fill
  EXPECT_EQ(rec.glyphs[0].color, 0x123456u);
  EXPECT_EQ(rec.pathFills, 2);  // the bars, through the path
  EXPECT_EQ(Polygons(out).size(), 2u);
}

TEST(FixedGlyphLine, TermsBeyondThirtyTwoBitsLeaveTheLineToThePathInDoubles) {
  std::mt19937 rng(5);
  auto set = RandomFamily(rng, 2);
  WorldMapping m;
  m.scale = 1e9;  // 1024 x device units per em unit no longer fits
  GlyphRecorder rec(m);
  rec.directRaster = 1;
  TrueTypeLine line;
  line.info = &rec;
  line.height = 30;
  line.text = WString(u"ab");
  DrawTrueTypeLine(*set, line);
  EXPECT_TRUE(rec.glyphs.empty());
  EXPECT_EQ(rec.pathFills, 2);
  // A far origin alone: the glyphs whose origins do not fit go in doubles.
  WorldMapping far;
  far.originX = 2096000;  // 2^31 / 1024 is 2,097,152 device units
  set->GetFace(0)->glyphs[1]->advance = 60;  // 240 device units per glyph
  GlyphRecorder rec2(far);
  rec2.directRaster = 1;
  line.info = &rec2;
  line.text = WString(u"aaaaaaaaaaaaaaaaaaaa");
  DrawTrueTypeLine(*set, line);
  EXPECT_FALSE(rec2.glyphs.empty());
  EXPECT_GT(rec2.pathFills, 0);
  EXPECT_EQ(rec2.glyphs.size() + std::size_t(rec2.pathFills), 20u);
}

}  // namespace
}  // namespace kvn
