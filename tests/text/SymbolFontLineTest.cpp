// A symbol-charset family carried in a drawing: its glyphs live in the
// symbol range 0xF020-0xF0FF of a (3, 0) character map, and a line of text
// fetches them through the symbol-range mapping (Windows-1252 bytes). The font is Liberation Sans
// with its character map replaced by such a map over the same glyphs, so the
// line must come out exactly as the plain font's.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "model/ObjectChain.h"
#include "model/TrueTypeFace.h"
#include "model/cPolygon.h"
#include "platform/fonts/FontSources.h"
#include "text/TrueTypeLine.h"
#include "tests/support/PrivateFonts.h"

namespace kvn {
namespace {

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b[at] = std::uint8_t(v >> 8);
  b[at + 1] = std::uint8_t(v);
}
void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v >> 16);
  Put16(b, at + 2, v & 0xFFFF);
}
std::uint32_t Get32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 | std::uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// The font with one (3, 0) format-4 map: 0xF000 + b is the glyph of the
// Windows-1252 character b (0x20 to 0xFF; of 0x80 to 0x9F only the euro).
std::vector<std::uint8_t> WithSymbolMap(std::vector<std::uint8_t> font) {
  std::vector<std::uint16_t> ids;
  FT_Face face = nullptr;
  if (FT_New_Memory_Face(FreeTypeLibrary(), font.data(), FT_Long(font.size()), 0, &face) != 0) return {};
  for (FT_ULong b = 0x20; b <= 0xFF; ++b) {
    const FT_ULong c = b == 0x80 ? 0x20AC : b;
    ids.push_back(b > 0x80 && b < 0xA0 ? 0 : std::uint16_t(FT_Get_Char_Index(face, c)));
  }
  FT_Done_Face(face);

  std::vector<std::uint8_t> cmap(12 + 32 + ids.size() * 2, 0);
  Put16(cmap, 2, 1);        // one encoding record
  Put16(cmap, 4, 3);        // Windows
  Put16(cmap, 6, 0);        // symbol
  Put32(cmap, 8, 12);
  std::vector<std::uint8_t> sub(32 + ids.size() * 2, 0);
  Put16(sub, 0, 4);
  Put16(sub, 2, std::uint32_t(sub.size()));
  Put16(sub, 6, 4);         // two segments
  Put16(sub, 8, 4);         // search range
  Put16(sub, 10, 1);        // entry selector
  Put16(sub, 14, 0xF0FF);   // end codes
  Put16(sub, 16, 0xFFFF);
  Put16(sub, 20, 0xF020);   // start codes (after the pad)
  Put16(sub, 22, 0xFFFF);
  Put16(sub, 24, 0);        // deltas
  Put16(sub, 26, 1);
  Put16(sub, 28, 4);        // range offsets: the first reaches the glyph array
  Put16(sub, 30, 0);
  for (std::size_t i = 0; i < ids.size(); ++i) Put16(sub, 32 + 2 * i, ids[i]);
  std::copy(sub.begin(), sub.end(), cmap.begin() + 12);

  // The new map goes at the end; the directory entry points there.
  while (font.size() % 4) font.push_back(0);
  const std::size_t at = font.size();
  font.insert(font.end(), cmap.begin(), cmap.end());
  const std::uint32_t tables = std::uint32_t(font[4]) << 8 | font[5];
  for (std::uint32_t i = 0; i < tables; ++i) {
    const std::size_t record = 12 + 16 * i;
    if (Get32(font, record) != 0x636D6170) continue;  // 'cmap'
    Put32(font, record + 8, std::uint32_t(at));
    Put32(font, record + 12, std::uint32_t(cmap.size()));
  }
  return font;
}

// The exploded line "A\u20ACb x" of a family carried as these bytes, with its
// character set.
std::vector<std::vector<DPoint>> ExplodedLine(const std::vector<std::uint8_t>& bytes, std::uint8_t* charSet) {
  TrueTypeFaceSet set(WString(u"Liberation Sans"));
  set.SetMemoryFont(RegisterMemoryFont(bytes));
  TrueTypeLine line;
  ObjectChain out;
  line.out = &out;
  line.height = 2.5;
  line.text = WString(u"A\u20ACb x");
  line.underline = true;
  set.LoadGlyphs(line.text, 0);
  DrawTrueTypeLine(set, line);
  *charSet = set.charSet;
  std::vector<std::vector<DPoint>> lists;
  for (cOutObj* o = out.Head(); o; o = o->next) {
    const cPolygon* p = o->AsAnyFill()->AsPolygon();
    for (std::uint32_t i = 0; i < p->ListCount(); ++i) {
      const auto points = p->List(i).Points();
      lists.emplace_back(points.begin(), points.end());
    }
  }
  return lists;
}

TEST(SymbolFontLine, GlyphsComeThroughTheSymbolRange) {
  if (!test::FontFilesPresent({test::kLiberationSans, test::kDejaVuSans}))
    GTEST_SKIP() << "Liberation Sans or DejaVu Sans missing";
  test::PrivateFonts fonts("symbol-line", {test::kDejaVuSans});
  const std::vector<std::uint8_t> plain = test::ReadFileBytes(test::kLiberationSans);
  const std::vector<std::uint8_t> symbol = WithSymbolMap(plain);
  ASSERT_FALSE(symbol.empty());
  std::uint8_t plainSet = 0, symbolSet = 0;
  const auto expected = ExplodedLine(plain, &plainSet);
  const auto actual = ExplodedLine(symbol, &symbolSet);
  EXPECT_NE(plainSet, kSymbolCharset);
  EXPECT_EQ(symbolSet, kSymbolCharset);
  // A (outline and hole), the euro, b (outline and bowl), x, the underline.
  ASSERT_EQ(expected.size(), 7u);
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(actual[i].size(), expected[i].size());
    for (std::size_t k = 0; k < expected[i].size(); ++k) EXPECT_EQ(actual[i][k], expected[i][k]) << i << " " << k;
  }
}

}  // namespace
}  // namespace kvn
