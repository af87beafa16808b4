// Every built-in SHX name draws: the fonts of the archive as the font list
// holds them (first letter capitalised), each resolving a glyph with ink for
// "A", "z", "0" and the degree sign; the three shape files with their
// shapes; and the stand-ins chosen for SHX files nobody has are built in.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace kvn
