// Every built-in SHX name draws: the fonts of the archive as the font list
// holds them (first letter capitalised), each resolving a glyph with ink for
// "A", "z", "0" and the degree sign; the three shape files with their
// shapes; and the stand-ins chosen for SHX files nobody has are built in.
#include <gtest/gtest.h>

#include <string>

#include "foundation/CodePages.h"
#include "foundation/UnicodeCase.h"
#include "model/FontList.h"
#include "model/cStyleFont.h"
#include "text/ShxArchive.h"
#include "text/ShxParsedFont.h"
#include "text/ShxStandIn.h"

namespace kvn {
namespace {

// The 58 text fonts, as drawings name them.
constexpr const char16_t* kFontNames[] = {
    u"Txt.shx",      u"Monotxt.shx",  u"Simplex.shx",   u"Romans.shx",   u"Romand.shx",    u"Romant.shx",
    u"Romanc.shx",   u"Complex.shx",  u"Italic.shx",    u"Italicc.shx",  u"Italict.shx",   u"Scripts.shx",
    u"Scriptc.shx",  u"Gothice.shx",  u"Gothicg.shx",   u"Gothici.shx",  u"Isocp.shx",     u"Greeks.shx",
    u"Greekc.shx",   u"Cyrillic.shx", u"Cyriltlc.shx",  u"Syastro.shx",  u"Symap.shx",     u"Symath.shx",
    u"Symeteo.shx",  u"Symusic.shx",  u"Isocp2.shx",    u"Isocp3.shx",   u"Isoct.shx",     u"Isoct2.shx",
    u"Isoct3.shx",   u"Iso.shx",      u"Iso3098.shx",   u"Isonorm.shx",  u"Gdt.shx",       u"Amgdt.shx",
    u"Amgdtans.shx", u"Gbenor.shx",   u"Gbeitc.shx",    u"Tssdeng.shx",  u"Tssdeng2.shx",  u"Archs.shx",
    u"Stylus.shx",   u"Futural.shx",  u"Futuram.shx",   u"Timesr.shx",   u"Timesi.shx",    u"Timesib.shx",
    u"Timesrb.shx",  u"Cursive.shx",  u"Gothgbt.shx",   u"Gothgrt.shx",  u"Gothitt.shx",   u"Rowmans.shx",
    u"Rowmand.shx",  u"Rowmant.shx",  u"Gothiceng.shx", u"Greek.shx",
};

struct ShapeFile {
  const char16_t* name;
  std::vector<std::string> shapes;
};
const ShapeFile kShapeFiles[] = {
    {u"Ltypeshp.shx", {"TRACK1", "ZIG", "BOX", "CIRC1", "BAT"}},
    {u"Ltypeshp2.shx", {"CROSS", "ARROW", "TRIANGLE", "SQUARE", "TICK"}},
    {u"Mapsym.shx", {"SCALLOP", "DOT", "BANK", "WAVE", "STAR"}},
};

class ShxNames : public ::testing::Test {
 protected:
  void SetUp() override {
    FontList::ResetForTest();
    InstallShxFonts();
  }
  void TearDown() override {
    FontList::ResetForTest();
    SetShxArchiveLoader(nullptr);
    SetShxMetricsSource(nullptr);
    SetShxGlyphBoxSource(nullptr);
    SetShxTextDrawer(nullptr);
  }
};

TEST_F(ShxNames, EveryBuiltInNameResolvesLettersDigitsAndTheDegreeSign) {
  EXPECT_EQ(std::size(kFontNames), 58u);
  for (const char16_t* name : kFontNames) {
    const std::string utf8 = WString(name).ToUtf8();
    SCOPED_TRACE(utf8);
    // Found with and without its extension, in any case, among the text fonts.
    cStyleFont* font = FontList::FindByName(WString(name));
    ASSERT_NE(font, nullptr);
    std::u16string bare(name);
    bare.resize(bare.size() - 4);
    for (char16_t& c : bare) c = c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
    std::u16string upper = bare + u".SHX";
    EXPECT_EQ(FontList::FindByName(WString(std::u16string_view(upper))), font);
    ShxFont* shx = font->Shx();
    ASSERT_NE(shx, nullptr);
    ASSERT_TRUE(LoadShxFontData(*shx));
    const ShxParsedFont& parsed = *shx->parsed;
    EXPECT_TRUE(parsed.IsTextFont());
    for (char16_t c : {u'A', u'z', u'0', char16_t(0x00B0)}) {
      ShxGlyph* g = parsed.GetGlyph(c);
      ASSERT_NE(g, nullptr) << "U+" << std::hex << int(c);
      EXPECT_NE(g, parsed.FindShape(u'?')) << "U+" << std::hex << int(c);
      g->Compute(parsed);
      EXPECT_FALSE(g->polylines.empty()) << "U+" << std::hex << int(c);
      EXPECT_GT(g->penEnd.x, 0) << "U+" << std::hex << int(c);
    }
  }
  std::uint32_t textFonts = 0;
  for (std::uint32_t i = 0; FontList::GetAt(i); ++i) textFonts += FontList::GetAt(i)->Shx() != nullptr;
  EXPECT_EQ(textFonts, 58u);
}

TEST_F(ShxNames, ShapeFilesHoldTheirShapesEachEndingWhereItBegan) {
  for (const ShapeFile& file : kShapeFiles) {
    SCOPED_TRACE(WString(file.name).ToUtf8());
    cStyleFont* font = FontList::FindByName(WString(file.name));
    ASSERT_NE(font, nullptr);
    ShxFont* shx = font->Shx();
    ASSERT_NE(shx, nullptr);
    ASSERT_TRUE(LoadShxFontData(*shx));
    EXPECT_FALSE(shx->parsed->IsTextFont());
    for (const std::string& shape : file.shapes) {
      bool found = false;
      for (const auto& g : shx->parsed->glyphs) {
        if (g->name != shape) continue;
        found = true;
        g->Compute(*shx->parsed);
        EXPECT_FALSE(g->polylines.empty()) << shape;
        EXPECT_NEAR(g->penEnd.x, 0, 1e-9) << shape;
        EXPECT_NEAR(g->penEnd.y, 0, 1e-9) << shape;
      }
      EXPECT_TRUE(found) << shape;
    }
  }
}

// An SHX file nobody has: the built-in font of the design its name suggests.
TEST_F(ShxNames, StandInsAreBuiltInFontsOfTheNamedDesign) {
  const struct {
    const char16_t* face;
    const char16_t* standIn;
  } cases[] = {
      {u"mygreek", u"Greeks.shx"},       {u"CYRIL_A.shx", u"Cyrillic.shx"}, {u"gothic2", u"Gothice.shx"},
      {u"handscript", u"Scripts.shx"},   {u"italic2", u"Italic.shx"},       {u"monospace", u"Monotxt.shx"},
      {u"gdt2", u"Gdt.shx"},             {u"symbols", u"Symath.shx"},       {u"isocpeur", u"Isocp.shx"},
      {u"triplex", u"Romant.shx"},       {u"complex8", u"Romanc.shx"},      {u"duplex", u"Romand.shx"},
      {u"txtbold", u"Romand.shx"},       {u"txt2", u"Txt.shx"},             {u"nosuchfont", u"Simplex.shx"},
  };
  for (const auto& c : cases) {
    const WString standIn = ShxStandInName(WString(c.face));
    EXPECT_EQ(standIn, WString(c.standIn)) << WString(c.face).ToUtf8();
    cStyleFont* font = FontList::FindByName(standIn);
    ASSERT_NE(font, nullptr) << standIn.ToUtf8();
    EXPECT_NE(font->Shx(), nullptr);
  }
}

// The letter fold table: every letter of Latin-1 Supplement and Latin
// Extended-A reaches, in a font numbered by code page 1250, a letter whose
// look-alike is its own (A grave an A, not R acute), and a Latin text font
// draws it with ink; Greek letters sit on the Greek fonts' keys.
TEST_F(ShxNames, FoldTableGivesEveryLatinLetterAPrintableLetter) {
  const std::uint8_t* table = UnicodeTo8BitTable();
  cStyleFont* romans = FontList::FindByName(WString(u"Romans.shx"));
  ASSERT_NE(romans, nullptr);
  ASSERT_TRUE(LoadShxFontData(*romans->Shx()));
  const ShxParsedFont& font = *romans->Shx()->parsed;
  int letters = 0;
  for (char16_t c = 0x00C0; c <= 0x017F; ++c) {
    if (c == 0x00D7 || c == 0x00F7) continue;  // multiplication and division signs
    ++letters;
    const std::uint8_t cp1250Own = WideToCodePageByte(1250, c);
    const std::uint8_t byte = table[c] ? table[c] : (c < 256 ? cp1250Own : 0);
    ASSERT_NE(byte, 0) << "U+" << std::hex << int(c);
    const char bytes[2] = {char(byte), 0};
    const char16_t shown = WString(1250, bytes)[0];
    // A letter, of the same base: the look-alikes agree.
    const char got = shown < 128 ? char(shown) : FoldToAsciiW(shown);
    EXPECT_TRUE((got >= 'A' && got <= 'Z') || (got >= 'a' && got <= 'z'))
        << "U+" << std::hex << int(c) << " -> byte " << int(byte);
    if (const char want = FoldToAsciiW(c)) {
      EXPECT_EQ(got, want) << "U+" << std::hex << int(c);
    }
    ShxGlyph* g = font.GetGlyph(c);
    ASSERT_NE(g, nullptr) << "U+" << std::hex << int(c);
    EXPECT_NE(g, font.FindShape('?')) << "U+" << std::hex << int(c);
  }
  EXPECT_EQ(letters, 62 + 128);
  int nonZero = 0;
  for (std::uint32_t c = 256; c < 65536; ++c) nonZero += table[c] != 0;
  EXPECT_GE(nonZero, 517);
  EXPECT_EQ(table[0x03B1], 'a');  // alpha
  EXPECT_EQ(table[0x03B8], 'q');  // theta
  EXPECT_EQ(table[0x03A9], 'W');  // capital omega
  EXPECT_EQ(table[0x03AC], 'a');  // alpha with tonos
  EXPECT_EQ(table[0x0416], 'Z');  // Cyrillic capital zhe
}

}  // namespace
}  // namespace kvn
