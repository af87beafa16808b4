// The font layer over fontconfig and FreeType, on a private configuration of
// known Debian fonts: the installed-font list and substitution, realised
// fonts (metrics, outlines, tables), memory fonts, and the stored layouts.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BBOX_H
#include FT_OUTLINE_H

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "platform/fonts/FontSources.h"
#include "platform/fonts/GlyphOutlineBuffer.h"
#include "platform/fonts/InstalledFonts.h"
#include "platform/fonts/RealizedFont.h"
#include "platform/fonts/SfntFamilyName.h"
#include "platform/fonts/SmallHelpers.h"
#include "tests/support/PrivateFonts.h"

namespace kvn {
namespace {

using test::PrivateFonts;

const std::vector<std::string> kChosen = {test::kLiberationSans, test::kLiberationSansBold, test::kLiberationSerif,
                                          test::kLiberationMono, test::kLiberationNarrow, test::kDejaVuSans};

#define REQUIRE_FONTS(files) \
  if (!test::FontFilesPresent(files)) GTEST_SKIP() << "Debian fonts-liberation2/fonts-liberation/fonts-dejavu-core missing"

LogFont Em48(const char16_t* face, int weight = 400, bool italic = false) {
  LogFont lf;
  lf.height = -48;
  lf.weight = weight;
  lf.italic = italic ? 1 : 0;
  SetLogFontFace(lf, WString(face));
  return lf;
}

TEST(InstalledFonts, SubstitutionChain) {
  REQUIRE_FONTS(kChosen);
  PrivateFonts fonts("chain", kChosen);
  WString face;
  std::uint8_t pitch = 0, charset = 0;
  // Installed (as the Liberation stand-in), reported in several sets.
  EXPECT_TRUE(FindSubstituteFont(face, pitch, charset, WString(u"Arial"), 0));
  EXPECT_EQ(face, WString(u"Arial"));
  EXPECT_EQ(charset, 1);
  EXPECT_EQ(pitch, 0x22);
  EXPECT_TRUE(FindSubstituteFont(face, pitch, charset, WString(u"@liberation sans"), 0));
  EXPECT_EQ(face, WString(u"Liberation Sans"));
  // Missing faces by family kind.
  EXPECT_FALSE(FindSubstituteFont(face, pitch, charset, WString(u"Garamond"), 0x12));
  EXPECT_EQ(face, WString(u"Times New Roman"));
  EXPECT_EQ(pitch, 0x12);
  // The same missing name with another pitch-and-family byte is answered
  // anew, not from the cache.
  EXPECT_FALSE(FindSubstituteFont(face, pitch, charset, WString(u"Garamond"), 0x31));
  EXPECT_EQ(face, WString(u"Courier New"));
  EXPECT_EQ(pitch, 0x31);
  // A byte nobody has: Arial.
  EXPECT_FALSE(FindSubstituteFont(face, pitch, charset, WString(u"Garamond"), 0x45));
  EXPECT_EQ(face, WString(u"Arial"));
  ASSERT_NE(FindInstalledFont(WString(u"ARIAL NARROW")), nullptr);
  EXPECT_EQ(FindInstalledFont(WString(u"Arial Black")), nullptr);
  // Name index: case-blind order.
  const std::vector<InstalledFont> copy = CopyInstalledFontList();
  for (std::size_t i = 1; i < copy.size(); ++i)
    EXPECT_LE(CompareNoCaseAccentW(copy[i - 1].faceName.CStr(), copy[i].faceName.CStr()), 0);
}

TEST(InstalledFonts, FamilyIndexAndDefaultGuiFace) {
  REQUIRE_FONTS(std::vector<std::string>({test::kDejaVuSansMono}));
  PrivateFonts fonts("mono-only", {test::kDejaVuSansMono});
  WString face;
  std::uint8_t pitch = 0, charset = 0;
  // No Courier New, no FreeMono: the family index has the mono face.
  EXPECT_FALSE(FindSubstituteFont(face, pitch, charset, WString(u"Missing"), 0x31));
  EXPECT_EQ(face, WString(u"DejaVu Sans Mono"));
  // Nothing of family 0x12 and no Arial or FreeSans: the default GUI face.
  EXPECT_FALSE(FindSubstituteFont(face, pitch, charset, WString(u"Missing"), 0x12));
  EXPECT_EQ(face, WString(u"DejaVu Sans"));
  EXPECT_EQ(charset, 1);
  SetDefaultGuiFaceHook([] { return DefaultGuiFace{WString(u"Cantarell"), 0x22}; });
  EXPECT_FALSE(FindSubstituteFont(face, pitch, charset, WString(u"Missing"), 0x12));
  EXPECT_EQ(face, WString(u"Cantarell"));
  SetDefaultGuiFaceHook(nullptr);
}

// Looking a family up opens that family's faces only, and every answer is
// the one the whole list gives: every installed family, other spellings,
// missing names, each pitch-and-family byte.
TEST(InstalledFonts, LookupsByNameOpenOneFamilyAndAnswerAsTheWholeList) {
  UseFontConfigFile("");
  ClearFontList();
  ASSERT_EQ(DescribedInstalledFaces(), 0u);
  if (FindInstalledFont(WString(u"Liberation Sans"))) {
    EXPECT_EQ(DescribedInstalledFaces(), InstalledFacesOfFamily(WString(u"Liberation Sans")).size());
    EXPECT_LT(DescribedInstalledFaces(), 20u);
  }
  std::vector<WString> names = {WString(u"Arial"),  WString(u"@liberation sans"), WString(u"LIBERATION MONO"),
                                WString(u"Garamond"), WString(u"Times New Roman"),  WString(u"dejavu sans"),
                                WString(u"")};
  for (const InstalledFont& f : CopyInstalledFontList()) {
    names.push_back(f.faceName);
    names.push_back(WString(u"@" + std::u16string(f.faceName.View())));
  }
  struct Answer {
    bool listed = false;
    InstalledFont entry;
    std::vector<std::tuple<bool, std::u16string, int, int>> substitutes;
  };
  auto ask = [&] {
    std::vector<Answer> out;
    for (const WString& name : names) {
      Answer a;
      if (const InstalledFont* f = FindInstalledFont(name)) {
        a.listed = true;
        a.entry = *f;
      }
      for (std::uint8_t pitch : {0x00, 0x12, 0x22, 0x31, 0x45}) {
        WString face;
        std::uint8_t p = 0, charset = 0;
        const bool found = FindSubstituteFont(face, p, charset, name, pitch);
        a.substitutes.emplace_back(found, std::u16string(face.View()), p, charset);
      }
      out.push_back(std::move(a));
    }
    return out;
  };
  ClearFontList();
  const std::vector<Answer> lazily = ask();
  ClearFontList();
  (void)EnsureInstalledFontList();
  const std::vector<Answer> whole = ask();
  ASSERT_EQ(lazily.size(), whole.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i].ToUtf8());
    EXPECT_EQ(lazily[i].listed, whole[i].listed);
    EXPECT_EQ(lazily[i].entry.faceName, whole[i].entry.faceName);
    EXPECT_EQ(lazily[i].entry.pitchAndFamily, whole[i].entry.pitchAndFamily);
    EXPECT_EQ(lazily[i].entry.charsets, whole[i].entry.charsets);
    EXPECT_EQ(lazily[i].substitutes, whole[i].substitutes);
  }
}

TEST(InstalledFonts, SymbolTextMapping) {
  EXPECT_EQ(ToSymbolFontChar(u'A'), 0xF041);
  EXPECT_EQ(ToSymbolFontChar(u'\u20AC'), 0xF080);  // the euro is byte 0x80 of 1252
  EXPECT_EQ(ToSymbolFontChar(u'\u0416'), 0x0416);
  WString text = ToSymbolFontText(WString(u"Ab"));
  EXPECT_EQ(text[0], 0xF041);
  FromSymbolFontText(text);
  EXPECT_EQ(text, WString(u"Ab"));
  EXPECT_EQ(TildesToTabs(WString(u"a~b")), WString(u"a\tb"));
}

TEST(SfntFamilyName, DebianFontsAndDamagedBytes) {
  REQUIRE_FONTS(kChosen);
  const std::vector<std::uint8_t> sans = test::ReadFileBytes(test::kLiberationSans);
  EXPECT_EQ(ReadSfntFamilyName(sans.data(), sans.size()), WString(u"Liberation Sans"));
  const std::vector<std::uint8_t> narrow = test::ReadFileBytes(test::kLiberationNarrow);
  EXPECT_EQ(ReadSfntFamilyName(narrow.data(), narrow.size()), WString(u"Liberation Sans Narrow"));
  // Every cut of the file answers without reading past it.
  for (std::size_t n = 0; n < 2048; n += 7) (void)ReadSfntFamilyName(sans.data(), n);
  std::vector<std::uint8_t> bad = sans;
  bad[0] = 'O';
  EXPECT_TRUE(ReadSfntFamilyName(bad.data(), bad.size()).IsEmpty());
}

TEST(RealizedFont, MetricsOfLiberationSansAt48) {
  REQUIRE_FONTS(kChosen);
  PrivateFonts fonts("metrics", kChosen);
  auto font = RealizedFont::Create(Em48(u"Arial"));
  ASSERT_NE(font, nullptr);
  const TextMetric tm = font->GetTextMetrics();
  // usWinAscent 1854, usWinDescent 434, line gap 67 of 2048.
  EXPECT_EQ(tm.ascent, 43);
  EXPECT_EQ(tm.descent, 10);
  EXPECT_EQ(tm.height, 53);
  EXPECT_EQ(tm.internalLeading, 5);
  EXPECT_EQ(tm.externalLeading, 2);
  EXPECT_EQ(tm.pitchAndFamily, 0x27);
  EXPECT_EQ(tm.charSet, 0);
  EXPECT_EQ(tm.defaultChar, 0x1F);
  std::int32_t width = 0;
  ASSERT_TRUE(font->GetCharWidth(u'A', width));
  EXPECT_EQ(width, 32);  // 1366 of 2048 at 48: 32.02
  // Positive heights are cell heights.
  LogFont cell = Em48(u"Arial");
  cell.height = 53;
  EXPECT_DOUBLE_EQ(RealizedFont::Create(cell)->EmPixels(), 53.0 * 2048 / 2288);
  // The outline-metrics block reads back through the checked view.
  const std::vector<std::uint8_t> block = font->GetOutlineTextMetrics();
  OutlineMetricsView view(block);
  ASSERT_TRUE(view.Valid());
  EXPECT_EQ(view.Text().ascent, 43);
  EXPECT_EQ(view.UInt(otm::kEmSquare), 2048u);
  EXPECT_EQ(view.Name(otm::kFamilyName), WString(u"Liberation Sans"));
  EXPECT_LT(view.Int(otm::kUnderscorePosition), 0);
  // A block cut below its fixed part, or claiming more than it holds, reads as nothing.
  EXPECT_FALSE(OutlineMetricsView(std::span(block).first(100)).Valid());
  std::vector<std::uint8_t> lying = block;
  lying[1] = 0x40;
  EXPECT_FALSE(OutlineMetricsView(lying).Valid());
  // Bold is the bold face, not a synthesised one; italic is synthesised.
  auto bold = RealizedFont::Create(Em48(u"Arial", 700));
  EXPECT_EQ(bold->Source().weight, 700);
  EXPECT_EQ(bold->GetTextMetrics().weight, 700);
  auto italic = RealizedFont::Create(Em48(u"Arial", 400, true));
  EXPECT_EQ(italic->GetTextMetrics().italic, 1);
  // OS/2 and PCLT through the raw table read.
  EXPECT_EQ(font->GetFontData(FT_MAKE_TAG('O', 'S', '/', '2'), 0, 96).size(), 96u);
  EXPECT_TRUE(font->GetFontData(FT_MAKE_TAG('X', 'X', 'X', 'X'), 0, 4).empty());
  const std::vector<UnicodeRange> ranges = font->GetFontUnicodeRanges();
  ASSERT_FALSE(ranges.empty());
  EXPECT_EQ(ranges.front().first, 0x20);
}

// A stand-in reports the average character width of the Windows family it
// stands for (the OS/2 xAvgCharWidth of the old definition, which the
// Windows core fonts keep), not its own stored value of the newer one (the
// average over all glyphs: Liberation Sans 2 1187, Serif 1124); a face
// asked by its own name reports its stored value. At an em of 2048 pixels
// the width is in font units. (Arial Narrow: 0.362 em, 741.4 units.)
TEST(RealizedFont, AverageCharWidthIsTheFamilyAsked) {
  REQUIRE_FONTS(kChosen);
  PrivateFonts fonts("average", kChosen);
  const struct {
    const char16_t* family;
    int average;
  } cases[] = {
      {u"Arial", 904}, {u"Times New Roman", 821}, {u"Courier New", 1229}, {u"Arial Narrow", 741},
      {u"Liberation Sans", 1187},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WString(c.family).ToUtf8());
    LogFont lf = Em48(c.family);
    lf.height = -2048;
    auto font = RealizedFont::Create(lf);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->GetTextMetrics().aveCharWidth, c.average);
  }
}

// The outline of each character parses back into runs whose box lies
// between FreeType's exact box and its control box of the unhinted outline
// at a 48-unit em.
TEST(RealizedFont, OutlinesParseBackWithinFreeTypeBoxes) {
  REQUIRE_FONTS(kChosen);
  PrivateFonts fonts("outlines", kChosen);
  auto font = RealizedFont::Create(Em48(u"Arial"));
  ASSERT_NE(font, nullptr);
  FT_Library lib = FreeTypeLibrary();
  FT_Face face = nullptr;
  ASSERT_EQ(FT_New_Face(lib, test::kLiberationSans, 0, &face), 0);
  for (char16_t c : {u'A', u'g', u'@', u'\u017D'}) {
    SCOPED_TRACE(int(c));
    const GlyphRuns runs = ParseGlyphOutline(font->GetGlyphOutline(c, 8.0));
    ASSERT_FALSE(runs.empty());
    double l = 1e9, r = -1e9, b = 1e9, t = -1e9;
    for (const auto& run : runs) {
      for (const FixPoint& p : run) {
        const double x = double((std::int64_t(p.x) + 4) >> 3) / 65536.0;
        const double y = double((std::int64_t(p.y) + 4) >> 3) / 65536.0;
        l = std::min(l, x), r = std::max(r, x), b = std::min(b, y), t = std::max(t, y);
      }
    }
    ASSERT_EQ(FT_Load_Char(face, c, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING), 0);
    FT_BBox exact, control;
    FT_Outline_Get_BBox(&face->glyph->outline, &exact);
    FT_Outline_Get_CBox(&face->glyph->outline, &control);
    const double k = 48.0 / face->units_per_EM, eps = 1.0 / 65536;
    EXPECT_LE(l, exact.xMin * k + eps);
    EXPECT_GE(l, control.xMin * k - eps);
    EXPECT_GE(r, exact.xMax * k - eps);
    EXPECT_LE(r, control.xMax * k + eps);
    EXPECT_LE(b, exact.yMin * k + eps);
    EXPECT_GE(b, control.yMin * k - eps);
    EXPECT_GE(t, exact.yMax * k - eps);
    EXPECT_LE(t, control.yMax * k + eps);
  }
  FT_Done_Face(face);
  // A space has an advance and no outline.
  EXPECT_TRUE(font->GetGlyphOutline(u' ', 8.0).empty());
}

TEST(RealizedFont, CapHeightFromTablesOrFromA) {
  REQUIRE_FONTS(kChosen);
  PrivateFonts fonts("caps", kChosen);
  bool fromTables = false;
  const LogFont sans = Em48(u"Arial");
  const double cap = MeasureCapHeight(*RealizedFont::Create(sans), sans, fromTables);
  EXPECT_TRUE(fromTables);
  // sCapHeight 1409 of usWinAscent 1854, ascent measured at 480 pixels (435).
  EXPECT_NEAR(cap, 43.5 * 1409 / 1854, 1e-9);
  // Liberation Sans Narrow has no sCapHeight and no PCLT: the top of 'A'.
  const LogFont narrow = Em48(u"Arial Narrow");
  const double capA = MeasureCapHeight(*RealizedFont::Create(narrow), narrow, fromTables);
  EXPECT_FALSE(fromTables);
  EXPECT_NEAR(capA, 1409.0 * 48 / 2048, 1.0 / 65536);
}

TEST(RealizedFont, MemoryFontsAreFoundByTheirFamilyName) {
  REQUIRE_FONTS(kChosen);
  PrivateFonts fonts("memory", {test::kDejaVuSans});
  EXPECT_EQ(AddMemoryFont({1, 2, 3}), 0);
  const int handle = AddMemoryFont(test::ReadFileBytes(test::kLiberationNarrow));
  ASSERT_GT(handle, 0);
  auto font = RealizedFont::Create(Em48(u"Liberation Sans Narrow"));
  ASSERT_NE(font, nullptr);
  EXPECT_TRUE(font->Source().file.empty());
  RemoveMemoryFont(handle);
  // The font made before keeps its bytes.
  EXPECT_FALSE(font->GetGlyphOutline(u'A', 8.0).empty());
  EXPECT_FALSE(RealizedFont::Create(Em48(u"Liberation Sans Narrow"))->Source().memory);
}

TEST(GlyphOutlineBuffer, WriterAndCheckedReader) {
  GlyphOutlineWriter w;
  w.BeginPolygon({0, 0});
  w.AddLine({65536, 0});
  w.AddCubic({65536, 65536}, {0, 65536}, {0, 0});
  const std::vector<std::uint8_t> bytes = w.Finish();
  const GlyphRuns runs = ParseGlyphOutline(bytes);
  ASSERT_EQ(runs.size(), 1u);
  ASSERT_EQ(runs[0].size(), 7u);
  EXPECT_EQ(runs[0][1], (FixPoint{0, 0}));
  EXPECT_EQ(runs[0][3], (FixPoint{65536, 0}));
  EXPECT_EQ(runs[0][6], (FixPoint{0, 0}));
  // cb past the end, a record whose points run past its polygon, another
  // header type: nothing is read beyond the bytes.
  std::vector<std::uint8_t> bad = bytes;
  bad[0] = 0xFF;
  EXPECT_TRUE(ParseGlyphOutline(bad).empty());
  bad = bytes;
  bad[18] = 0x40;  // cpfx of the first record
  ASSERT_EQ(ParseGlyphOutline(bad).size(), 1u);
  EXPECT_EQ(ParseGlyphOutline(bad)[0].size(), 1u);
  bad = bytes;
  bad[4] = 25;
  EXPECT_TRUE(ParseGlyphOutline(bad).empty());
  // A buffer of 65,536 bytes or more is not kept.
  GlyphOutlineWriter big;
  for (int i = 0; i < 3000; ++i) {
    big.BeginPolygon({i, 0});
    big.AddLine({i, 1});
  }
  EXPECT_TRUE(big.Finish().empty());
  // A quadratic record: control (1,1) ends at (2,0).
  std::vector<std::uint8_t> q = {0, 0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0,
                                 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0};
  q[0] = std::uint8_t(q.size());
  const GlyphRuns quad = ParseGlyphOutline(q);
  ASSERT_EQ(quad[0].size(), 4u);
  EXPECT_EQ(quad[0][1], (FixPoint{43691, 43691}));
  EXPECT_EQ(quad[0][3], (FixPoint{131072, 0}));
}

}  // namespace
}  // namespace kvn

namespace kvn {
namespace {

TEST(FontListHelpers, BitArrayColourDistanceAndFolding) {
  BitArray bits(64);
  EXPECT_EQ(bits.Words().size(), 3u);
  bits.Set(33);
  EXPECT_TRUE(bits.Test(33));
  EXPECT_FALSE(bits.Test(32));
  EXPECT_FALSE(bits.Test(5000));
  const std::uint32_t words[] = {1, 2, 3, 4};
  bits.CopyFrom(words, 4);
  EXPECT_TRUE(bits.Test(0));
  EXPECT_TRUE(bits.Test(33));
  bits.Clear();
  EXPECT_FALSE(bits.Test(0));
  EXPECT_EQ(ColorDistanceSq(0x000000, 0x030405), 9u + 16u + 25u);
  EXPECT_EQ(ColorDistanceSq(0xFF000000, 0x00000000), 0u);  // the high byte is no colour
  const WString name(u"P\u0159\u00EDli\u0161.kvn");
  const WString folded = FoldFileNameIfNeeded(name);
  EXPECT_TRUE(folded == name || folded == WString(u"Prilis.kvn"));
}

}  // namespace
}  // namespace kvn
