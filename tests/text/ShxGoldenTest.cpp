// SHX strokes against reviewed pictures: a Czech pangram with the degree,
// plus-minus and diameter signs in every built-in text font, and one-line
// texts placed at the twelve alignments, mirrored, turned and underlined.
// The strokes are drawn here as one-pixel lines (no renderer involved), so
// the pictures show exactly the geometry of the SHX layer.
#include <gtest/gtest.h>

#include <cmath>

#include "model/FontList.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "tests/support/GoldenImage.h"
#include "text/ShxArchive.h"
#include "text/ShxParsedFont.h"
#include "text/ShxTextLine.h"

namespace kvn {
namespace {

constexpr std::uint32_t kInk = 0x000000;
constexpr std::uint32_t kMark = 0xD00000;
constexpr std::uint32_t kBar = 0x0000C0;

struct Canvas {
  test::Picture picture;
  Canvas(int w, int h) : picture{w, h, std::vector<std::uint32_t>(std::size_t(w) * h, 0xFFFFFF)} {}
  void Dot(int x, int y, std::uint32_t c) {
    if (x >= 0 && y >= 0 && x < picture.width && y < picture.height) picture.pixels[std::size_t(y) * picture.width + x] = c;
  }
  void Line(DPoint a, DPoint b, std::uint32_t c) {
    int x0 = int(std::lround(a.x)), y0 = int(std::lround(a.y));
    const int x1 = int(std::lround(b.x)), y1 = int(std::lround(b.y));
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0), sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      Dot(x0, y0, c);
      if (x0 == x1 && y0 == y1) return;
      const int e2 = 2 * err;
      if (e2 >= dy) err += dy, x0 += sx;
      if (e2 <= dx) err += dx, y0 += sy;
    }
  }
  void Cubic(const kvn::Cubic& k, std::uint32_t c) {
    DPoint prev = k.p[0];
    for (int i = 1; i <= 8; ++i) {
      const double t = i / 8.0, u = 1 - t;
      const DPoint p{u * u * u * k.p[0].x + 3 * u * u * t * k.p[1].x + 3 * u * t * t * k.p[2].x + t * t * t * k.p[3].x,
                     u * u * u * k.p[0].y + 3 * u * u * t * k.p[1].y + 3 * u * t * t * k.p[2].y + t * t * t * k.p[3].y};
      Line(prev, p, c);
      prev = p;
    }
  }
  void Cache(const ShxOutlineCache& cache) {
    for (std::size_t i = 0; i < cache.polylines.size(); ++i) {
      const bool bar = std::find(cache.underlines.begin(), cache.underlines.end(), i) != cache.underlines.end();
      for (const kvn::Cubic& k : cache.polylines[i]) Cubic(k, bar ? kBar : kInk);
    }
  }
  void Cross(DPoint p) {
    Line({p.x - 3, p.y}, {p.x + 3, p.y}, kMark);
    Line({p.x, p.y - 3}, {p.x, p.y + 3}, kMark);
  }
};

class ShxGolden : public ::testing::Test {
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

TEST_F(ShxGolden, PangramInEveryBuiltinFont) {
  const std::u16string text = u"P\u0159\u00EDli\u0161 \u017Elu\u0165ou\u010Dk\u00FD k\u016F\u0148 0123 \u00B0\u00B1\u00D8";
  std::vector<cStyleFont*> fonts;
  for (std::uint32_t i = 0; cStyleFont* f = FontList::GetAt(i); ++i) {
    if (f->Shx()) fonts.push_back(f);
  }
  ASSERT_GE(fonts.size(), 20u);
  constexpr int kPitch = 24;
  Canvas canvas(360, int(fonts.size()) * kPitch + 8);
  for (std::size_t row = 0; row < fonts.size(); ++row) {
    ShxFont& shx = *fonts[row]->Shx();
    ASSERT_TRUE(LoadShxFontData(shx));
    ShxOutlineCache cache;
    DRect box;
    bool first = true;
    ShxLineRequest line;
    line.height = 11;
    line.chars = text.data();
    line.count = int(text.size());
    line.origin = {6, 18.0 + double(row) * kPitch};
    const double advance = BuildShxTextLine(*shx.parsed, box, first, cache, line);
    EXPECT_GT(advance, 0) << fonts[row]->name.ToUtf8();
    // Every character found a glyph of its own: no '?' stands in.
    for (char16_t c : text) EXPECT_NE(shx.parsed->GetGlyph(c), nullptr);
    canvas.Cache(cache);
  }
  test::ExpectMatchesGolden(canvas.picture, "shx_fonts", 0);
}

// Block width of a one-line text as the layout will give it.
double LineWidth(ShxParsedFont& font, const std::u16string& text, double height, double widthFactor) {
  ShxOutlineCache scratch;
  DRect box;
  bool first = true;
  ShxLineRequest line;
  line.height = height;
  line.chars = text.data();
  line.count = int(text.size());
  return BuildShxTextLine(font, box, first, scratch, line) * height / font.GetAbove() * widthFactor;
}

TEST_F(ShxGolden, AlignmentsMirrorsTurnsAndBars) {
  cDrawingData data;
  auto font = std::make_unique<cStyleFont>();
  font->name = WString(u"Romans.shx");
  font->BindFace(nullptr, nullptr);
  ShxFont* shx = font->Shx();
  ASSERT_NE(shx, nullptr);
  ASSERT_TRUE(LoadShxFontData(*shx));
  const std::uint16_t index = data.FontStyles().Add(std::move(font));

  Canvas canvas(520, 360);
  const std::u16string text = u"Ag\u010C 12";
  auto place = [&](DPoint at, int alignment, double angle, bool mirrorX, bool mirrorY, bool bars) {
    cText t;
    t.SetText(WString(std::u16string_view(text)));
    t.SetFontIndex(index);
    t.point = at;
    t.alignment = std::uint8_t(alignment);
    t.attr.height = 12;
    t.attr.mirrorX = mirrorX;
    t.attr.mirrorY = mirrorY;
    if (bars) t.attr.styleBits = 0x60;
    t.SetAngle(angle);
    ASSERT_EQ(t.GetLineCount(&data), 1);
    t.blockWidth = LineWidth(*shx->parsed, text, 12, 1.0);
    DRect bounds;
    std::unique_ptr<ShxOutlineCache> cache = BuildShxTextOutline(bounds, t, t.GetText(), &data);
    ASSERT_NE(cache, nullptr);
    EXPECT_LE(bounds.x1, bounds.x2);
    canvas.Cache(*cache);
    canvas.Cross(at);
  };
  // The twelve alignments: columns left, centre, right; rows top, middle,
  // bottom and base line.
  for (int code = 0; code < 12; ++code) place({double(40 + (code % 3) * 160), double(24 + (code / 3) * 40)}, code, 0, false, false, false);
  place({40, 210}, 0, 0, true, false, false);    // mirrored in x: leftwards
  place({200, 210}, 2, 0, true, false, false);
  place({300, 210}, 0, 0, false, true, true);    // mirrored in y, with bars
  place({40, 300}, 9, 30, false, false, false);  // turned 30 degrees
  place({200, 300}, 10, 30, false, false, true);
  place({380, 300}, 9, 0, false, false, true);   // underlined and struck out
  test::ExpectMatchesGolden(canvas.picture, "shx_alignments", 0);
}

}  // namespace
}  // namespace kvn
