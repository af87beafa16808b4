// BuildShxTextLine places each point once where records repeat it and sizes
// each polyline once: the strokes must be the very doubles of placing every
// point of every record on its own (RotatePoint after the scale), for every
// built-in SHX font under turns, mirrors, width factors and bars.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "model/FontList.h"
#include "model/Geometry.h"
#include "model/cStyleFont.h"
#include "text/ShxArchive.h"
#include "text/ShxParsedFont.h"
#include "text/ShxTextLine.h"

namespace kvn {
namespace {

// Each record point by itself, in the order of the line's glyphs.
std::vector<Cubic> PlacedOneByOne(ShxParsedFont& font, const ShxLineRequest& line) {
  std::vector<Cubic> out;
  const double s = line.height / font.GetAbove();
  double penX = 0.0;
  for (int i = 0; i < line.count; ++i) {
    ShxGlyph* glyph = font.GetGlyph(line.chars[i]);
    if (!glyph) continue;
    glyph->Compute(font);
    for (const CubicArray& source : glyph->polylines) {
      for (const Cubic& c : source) {
        Cubic placed;
        for (int k = 0; k < 4; ++k) {
          DPoint p{((line.mirrorX ? -c.p[k].x : c.p[k].x) + penX) * (line.widthFactor * s),
                   (line.keepY ? c.p[k].y : -c.p[k].y) * s};
          RotatePoint(p, DPoint{}, line.angle);
          placed.p[k] = {p.x + line.origin.x, p.y + line.origin.y};
        }
        out.push_back(placed);
      }
    }
    penX += line.mirrorX ? -glyph->penEnd.x : glyph->penEnd.x;
  }
  return out;
}

class ShxTextLinePlacement : public ::testing::Test {
 protected:
  void SetUp() override {
    FontList::ResetForTest();
    InstallShxFonts();
  }
  void TearDown() override {
    FontList::ResetForTest();
    SetShxArchiveLoader(nullptr);
    SetShxMetricsSource(nullptr);
  }
};

TEST_F(ShxTextLinePlacement, StrokesAreThePointsPlacedOneByOne) {
  const std::u16string text = u"Text 0123456789 \u00B0\u00B1\u00D8 AVWMy-+/,.";
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> any(-500.0, 500.0);
  int fonts = 0;
  for (std::uint32_t f = 0; cStyleFont* font = FontList::GetAt(f); ++f) {
    if (!font->Shx()) continue;
    ShxFont& shx = *font->Shx();
    ASSERT_TRUE(LoadShxFontData(shx));
    if (!shx.parsed || !shx.parsed->IsTextFont()) continue;
    ++fonts;
    for (int n = 0; n < 12; ++n) {
      ShxLineRequest line;
      line.height = n == 0 ? 2.5 : std::abs(any(rng)) / 10 + 0.01;
      line.chars = text.data();
      line.count = int(text.size());
      line.widthFactor = n % 3 == 0 ? 1.0 : std::abs(any(rng)) / 200 + 0.1;
      line.angle = n % 4 == 0 ? 0.0 : any(rng);
      line.origin = {any(rng), any(rng)};
      line.mirrorX = n % 2 == 1;
      line.keepY = n % 3 == 2;
      line.underline = n % 5 == 0;
      ShxOutlineCache cache;
      DRect box;
      bool first = true;
      BuildShxTextLine(*shx.parsed, box, first, cache, line);
      const std::vector<Cubic> want = PlacedOneByOne(*shx.parsed, line);
      std::size_t next = 0;
      for (std::size_t p = 0; p < cache.polylines.size(); ++p) {
        if (std::find(cache.underlines.begin(), cache.underlines.end(), p) != cache.underlines.end()) continue;
        const CubicArray& polyline = cache.polylines[p];
        EXPECT_GE(polyline.Capacity(), polyline.Count());
        for (const Cubic& got : polyline) {
          ASSERT_LT(next, want.size());
          ASSERT_EQ(std::memcmp(&got, &want[next], sizeof(Cubic)), 0) << "font " << f << " case " << n << " record " << next;
          ++next;
        }
      }
      EXPECT_EQ(next, want.size());
    }
  }
  EXPECT_GE(fonts, 10);
}

TEST_F(ShxTextLinePlacement, PlacedPolylinesStillGrowOnAppend) {
  cStyleFont* font = nullptr;
  for (std::uint32_t f = 0; (font = FontList::GetAt(f)) != nullptr; ++f)
    if (font->Shx()) break;
  ASSERT_TRUE(font && LoadShxFontData(*font->Shx()));
  const std::u16string text = u"E";
  ShxLineRequest line;
  line.height = 10;
  line.chars = text.data();
  line.count = 1;
  ShxOutlineCache cache;
  DRect box;
  bool first = true;
  BuildShxTextLine(*font->Shx()->parsed, box, first, cache, line);
  ASSERT_FALSE(cache.polylines.empty());
  CubicArray& polyline = cache.polylines[0];
  const std::uint32_t n = polyline.Count();
  for (int i = 0; i < 40; ++i) polyline.Append64(Cubic::Straight({0, 0}, {double(i), 1}));
  EXPECT_EQ(polyline.Count(), n + 40);
  EXPECT_EQ(polyline[n + 39].p[3].x, 39.0);
}

}  // namespace
}  // namespace kvn
