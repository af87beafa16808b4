// The built-in SHX archives and table as the build made them: the fonts the
// drawings name, every code page 1250 letter in each Latin font, the signs
// of shapes 256 to 258, the shape file of complex line types, and the
// Unicode to code page 1250 table.
#include <gtest/gtest.h>

#include "foundation/CodePages.h"
#include "model/FontList.h"
#include "model/cStyleFont.h"
#include "text/ShxArchive.h"
#include "text/ShxParsedFont.h"

namespace kvn {
namespace {

// The letters of code page 1250 (bytes 0x80 to 0xFF).
std::vector<std::uint8_t> Cp1250Letters() {
  std::vector<std::uint8_t> bytes = {0x8A, 0x8C, 0x8D, 0x8E, 0x8F, 0x9A, 0x9C, 0x9D, 0x9E, 0x9F, 0xA3,
                                     0xA5, 0xAA, 0xAF, 0xB3, 0xB5, 0xB9, 0xBA, 0xBC, 0xBE, 0xBF};
  for (int b = 0xC0; b <= 0xFE; ++b) {
    if (b != 0xD7 && b != 0xF7) bytes.push_back(std::uint8_t(b));
  }
  return bytes;
}

char16_t ToUnicode(std::uint8_t byte) {
  const char bytes[2] = {char(byte), 0};
  return WString(1250, bytes)[0];
}

std::vector<std::unique_ptr<cStyleFont>> Archive(int blob) {
  std::vector<std::unique_ptr<cStyleFont>> list;
  LoadShxArchive(list, blob);
  return list;
}

TEST(ShxBuiltin, FontArchiveHoldsTheNamedFonts) {
  const auto fonts = Archive(kShxFontBlob);
  std::vector<std::u16string> names;
  for (const auto& f : fonts) names.emplace_back(f->name.View());
  for (const char16_t* wanted : {u"Txt.shx", u"Simplex.shx", u"Romans.shx", u"Italic.shx", u"Romand.shx", u"Romant.shx",
                                 u"Romanc.shx", u"Italicc.shx", u"Scripts.shx", u"Scriptc.shx", u"Greeks.shx",
                                 u"Greekc.shx", u"Gothice.shx", u"Gothicg.shx", u"Gothici.shx", u"Cyrillic.shx"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), wanted), names.end()) << WString(std::u16string_view(wanted)).ToUtf8();
  }
  int unicode = 0;
  for (const auto& f : fonts) {
    ShxFont* shx = f->Shx();
    ASSERT_NE(shx, nullptr);
    ASSERT_TRUE(LoadShxFontData(*shx)) << f->name.ToUtf8();
    const ShxParsedFont& font = *shx->parsed;
    EXPECT_TRUE(font.IsTextFont()) << f->name.ToUtf8();
    EXPECT_GT(font.GetBelow(), 0);
    if (font.type == ShxFontType::kUnicode) ++unicode;
    // Every glyph computes; shapes of ASCII letters have ink and advance.
    for (const auto& g : font.glyphs) g->Compute(font);
    ShxGlyph* h = font.GetGlyph(u'H');
    ASSERT_NE(h, nullptr);
    EXPECT_GT(h->penEnd.x, 0);
    EXPECT_FALSE(h->polylines.empty());
    // The signs.
    for (char16_t sign : {char16_t(176), char16_t(177), char16_t(8709)}) {
      ShxGlyph* g = font.GetGlyph(sign);
      ASSERT_NE(g, nullptr);
      EXPECT_NE(g, font.FindShape('?')) << f->name.ToUtf8() << " " << int(sign);
    }
  }
  EXPECT_GE(unicode, 1);
}

TEST(ShxBuiltin, LatinFontsCarryEveryCodePage1250Letter) {
  const auto fonts = Archive(kShxFontBlob);
  int latin = 0;
  for (const auto& f : fonts) {
    const std::u16string_view name = f->name.View();
    if (name.starts_with(u"Greek") || name.starts_with(u"Cyril") || name.starts_with(u"Sy")) continue;
    ++latin;
    ShxFont* shx = f->Shx();
    ASSERT_TRUE(LoadShxFontData(*shx));
    const ShxParsedFont& font = *shx->parsed;
    for (std::uint8_t byte : Cp1250Letters()) {
      const char16_t u = ToUnicode(byte);
      ShxGlyph* g = font.FindShape(font.type == ShxFontType::kUnicode ? u : byte);
      ASSERT_NE(g, nullptr) << f->name.ToUtf8() << " lacks " << int(byte);
      g->Compute(font);
      EXPECT_FALSE(g->polylines.empty());
      EXPECT_GT(g->penEnd.x, 0);
      // The text's characters find the same shape.
      EXPECT_EQ(font.GetGlyph(u), g) << f->name.ToUtf8() << " U+" << std::hex << int(u);
    }
  }
  EXPECT_GE(latin, 16);
}

TEST(ShxBuiltin, ShapeArchiveHoldsTheLineTypeShapes) {
  const auto files = Archive(kShxShapeBlob);
  // Ltypeshp first, then the two shape files of more line-type shapes.
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0]->name, WString(u"Ltypeshp.shx"));
  ShxFont* shx = files[0]->Shx();
  ASSERT_TRUE(LoadShxFontData(*shx));
  EXPECT_FALSE(shx->parsed->IsTextFont());
  for (const char* name : {"TRACK1", "ZIG", "BOX", "CIRC1", "BAT"}) {
    bool found = false;
    for (const auto& g : shx->parsed->glyphs) {
      if (g->name != name) continue;
      found = true;
      g->Compute(*shx->parsed);
      EXPECT_FALSE(g->polylines.empty()) << name;
      // Each returns to where it began.
      EXPECT_NEAR(g->penEnd.x, 0, 1e-9) << name;
      EXPECT_NEAR(g->penEnd.y, 0, 1e-9) << name;
    }
    EXPECT_TRUE(found) << name;
  }
}

TEST(ShxBuiltin, UnicodeTo8BitTable) {
  const std::uint8_t* table = UnicodeTo8BitTable();
  int nonZero = 0;
  for (std::uint32_t c = 256; c < 65536; ++c) nonZero += table[c] != 0;
  // Letters of code page 1250 above 255 map to their own codes.
  int ownLetters = 0;
  for (std::uint8_t byte : Cp1250Letters()) {
    const char16_t u = ToUnicode(byte);
    if (u < 256) continue;
    ++ownLetters;
    EXPECT_EQ(table[u], byte) << std::hex << int(u);
  }
  EXPECT_EQ(ownLetters, 52);
  // Other letters: the 1250 letter with the same base and mark, else the base.
  EXPECT_EQ(table[0x01CE], 'a');
  EXPECT_EQ(table[0x1EA5], 0xE2);  // a circumflex acute -> a circumflex
  EXPECT_EQ(table[0x1EBF], u8'e');   // e circumflex acute: no e circumflex in 1250
  EXPECT_EQ(table[0x0101], 'a');   // a macron
  EXPECT_EQ(table[0x0139], 0xC5);  // L acute is a 1250 letter
  EXPECT_EQ(table[0x4E00], 0);
  EXPECT_EQ(table[0x20AC], 0);     // no letter
  RecordProperty("nonZeroAbove255", nonZero);
  std::printf("UnicodeTo8BitTable: %d non-zero codes above 255\n", nonZero);
  EXPECT_GT(nonZero, 400);
}

}  // namespace
}  // namespace kvn
