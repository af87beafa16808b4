// The option bits of R11/R12 TEXT records: each bit announces its field in
// bit order (rotation, width, oblique, style, generation 71, horizontal
// alignment 72, alignment point 11, extrusion 210, vertical alignment 73),
// written by the test writer and read back; and the centred texts of a real
// drawing, whose alignments another reader (libredwg-web) finds the same.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "dwg/old/DwgOldReader.h"
#include "foundation/InFileStream.h"
#include "import/records/TextRecord.h"
#include "import/records/YxxfReader.h"
#include "tests/support/DwgR11Writer.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using test::DwgR11Writer;
using test::R11Entity;

// The texts of a file's model-space range, as the reader makes them.
std::vector<const cOneText*> ReadTexts(const std::vector<std::uint8_t>& file, YxxfReader& reader) {
  ByteArray bytes{8};
  bytes.Append(file.data(), std::uint32_t(file.size()));
  InFileStream in(WString(), true, &bytes);
  OldDwgState state(in, reader, nullptr, WString(u"t.dwg"));
  EXPECT_TRUE(ReadOldDwgHeader(state) && !state.failed);
  std::vector<const cOneText*> texts;
  for (std::uint32_t i = 0; i < reader.defaultBlock.entities.Count(); ++i) {
    if (const cOneText* text = reader.defaultBlock.entities[i]->AsText()) texts.push_back(text);
  }
  return texts;
}

struct TextCase {
  const char* what;
  std::uint16_t options;
  int generation, horizontal, vertical;  // 71, 72, 73 as read
  bool second;                           // the alignment point was given
  int alignment;                         // the text's alignment code
};

// Alignment codes: row * 3 + column, rows top, middle, bottom, baseline.
constexpr TextCase kCases[] = {
    {"left on the baseline", 0x00, 0, 0, 0, false, 9},
    {"centred on the baseline", 0x20 | 0x40, 0, 1, 0, true, 10},
    {"middle centre", 0x20 | 0x40 | 0x100, 0, 1, 2, true, 4},
    {"middle centre behind an extrusion", 0x20 | 0x40 | 0x80 | 0x100, 0, 1, 2, true, 4},
    {"right at the top, mirrored", 0x10 | 0x20 | 0x40 | 0x100, 2, 2, 3, true, 2},
    {"bottom left: no column, a row", 0x40 | 0x100, 0, 0, 1, true, 6},
    {"every option", 0x1FF, 4, 1, 1, true, 7},
};

TEST(DwgOldText, OptionBitsSelectTheirFieldsInBitOrder) {
  for (const TextCase& c : kCases) {
    DwgR11Writer w;
    w.AddLayer("0", 7, 0);
    w.AddStyle("STANDARD", 0.0, 1.0, "txt");
    R11Entity text;
    text.type = 7;
    text.Double(1.0).Double(2.0).Double(0.25).Text("A");
    if (c.options & 0x01) text.Double(0.5);         // rotation, radians
    if (c.options & 0x02) text.Double(0.75);        // width factor
    if (c.options & 0x04) text.Double(0.125);       // oblique, radians
    if (c.options & 0x08) text.U8(0);               // style index
    if (c.options & 0x10) text.U8(std::uint8_t(c.generation));
    if (c.options & 0x20) text.U8(std::uint8_t(c.horizontal));
    if (c.options & 0x40) text.Double(5.0).Double(6.0);
    if (c.options & 0x80) text.Double(0.0).Double(0.0).Double(1.0);
    if (c.options & 0x100) text.U8(std::uint8_t(c.vertical));
    text.options = c.options;
    w.AddEntity(text);
    YxxfReader reader{WString(u"t.dwg"), 2};
    const auto texts = ReadTexts(w.Build(), reader);
    ASSERT_EQ(texts.size(), 1u) << c.what;
    const cOneText& t = *texts[0];
    EXPECT_EQ(t.flags[1], c.generation) << c.what;
    EXPECT_EQ(t.flags[2], c.horizontal) << c.what;
    EXPECT_EQ(t.flags[3], c.vertical) << c.what;
    EXPECT_EQ(t.Alignment(), c.alignment) << c.what;
    EXPECT_DOUBLE_EQ(t.height, 0.25) << c.what;
    EXPECT_EQ(t.insertion.x, 1.0) << c.what;
    if (c.second) {
      EXPECT_EQ(t.second.x, 5.0) << c.what;
      EXPECT_EQ(t.second.y, 6.0) << c.what;
    }
    EXPECT_NEAR(t.rotation, (c.options & 0x01) ? 0.5 * 180.0 / M_PI : 0.0, 1e-9) << c.what;
    EXPECT_EQ(t.text.ToUtf8(), "A") << c.what;
  }
}

// 70 texts: 43 left on the baseline, 24 middle centre, 3 centred on the
// baseline, as libredwg-web reads them (halign/valign).
TEST(DwgOldText, CentredTextsOfTheSampleDrawing) {
  KVN_REQUIRE_TESTDATA(dir);
  std::ifstream in(dir / "dwg/libredwg_r11_ACEB10.dwg", std::ios::binary);
  const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  YxxfReader reader{WString(u"t.dwg"), 2};
  std::map<std::string, int> byAlignment;
  for (const cOneText* t : ReadTexts(file, reader)) {
    if (t->entityCode != entity::kText) continue;
    ++byAlignment[std::to_string(t->flags[2]) + "/" + std::to_string(t->flags[3])];
    // A centred text is placed by its alignment point, which lies on the sheet.
    if (t->flags[2] == 1) {
      EXPECT_GT(t->second.x, 0.0);
      EXPECT_LT(t->second.x, 45.0);
      EXPECT_NE(t->Alignment(), 9);
    }
  }
  const std::map<std::string, int> expected = {{"0/0", 43}, {"1/2", 24}, {"1/0", 3}};
  EXPECT_EQ(byAlignment, expected);
}

}  // namespace
}  // namespace kvn
