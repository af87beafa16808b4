// SHX reading and the shape interpreter on hand-built files: every opcode's
// strokes, the glyph look-up rules, and damaged or cyclic files that must
// end cleanly.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/ShxFixtures.h"
#include "text/ShxParsedFont.h"

namespace kvn {
namespace {

using test::MakeShapesFile;
using test::MakeUnicodeFont;
using test::ShxShape;

std::shared_ptr<ShxParsedFont> Parse(const std::vector<std::uint8_t>& bytes) { return ParseShxBytes(bytes); }

// Runs one shape and answers the pen end.
DPoint PenEnd(const std::vector<std::uint8_t>& definition, std::vector<CubicArray>* lines = nullptr) {
  auto font = Parse(MakeShapesFile({{65, "A", definition}}, 10, 3));
  ShxGlyph* g = font->FindShape(65);
  EXPECT_NE(g, nullptr);
  g->Compute(*font);
  if (lines) *lines = std::move(g->polylines);
  return g->penEnd;
}

TEST(ShxParse, ShapesUnicodeAndBigFonts) {
  auto shapes = Parse(MakeShapesFile({{66, " B ", {0x14, 0}}, {65, "A", {0x10, 0}}}, 9, 2, "ROMANS"));
  EXPECT_EQ(shapes->type, ShxFontType::kShapes);
  EXPECT_EQ(shapes->name, "ROMANS");
  ASSERT_EQ(shapes->glyphs.size(), 2u);
  EXPECT_EQ(shapes->glyphs[0]->number, 65);  // sorted
  EXPECT_EQ(shapes->glyphs[1]->name, "B");   // trimmed
  EXPECT_EQ(shapes->GetAbove(), 9);
  EXPECT_EQ(shapes->GetBelow(), 2);
  EXPECT_NEAR(shapes->GetLineGapRatio(), 2.0 / 3.0 - 2.0 / 9.0, 1e-12);
  EXPECT_TRUE(shapes->IsTextFont());
  EXPECT_EQ(shapes->FindShape(64), nullptr);
  EXPECT_EQ(shapes->FindShape(67), nullptr);

  auto uni = Parse(MakeUnicodeFont({{0x010C, "CCARON", {0x10, 0}}}, 12, 4));
  EXPECT_EQ(uni->type, ShxFontType::kUnicode);
  ASSERT_EQ(uni->glyphs.size(), 1u);
  EXPECT_EQ(uni->GetAbove(), 12);

  std::vector<std::uint8_t> big = MakeShapesFile({{65, "A", {0x10, 0}}}, 10, 2);
  const std::string magic = "AutoCAD-86 bigfont 1.0";
  std::copy(magic.begin(), magic.end(), big.begin());
  auto empty = Parse(big);
  EXPECT_TRUE(empty->glyphs.empty());
  EXPECT_FALSE(empty->IsTextFont());
  EXPECT_EQ(empty->GetGlyph(u'A'), nullptr);

  // A header-less shape file is no text font and answers shapes by number.
  auto shapeFile = Parse(MakeShapesFile({{1, "TRACK", {0x10, 0}}}));
  EXPECT_FALSE(shapeFile->IsTextFont());
  EXPECT_NE(shapeFile->GetGlyph(1), nullptr);
}

TEST(ShxParse, DamagedFilesAreEmptyAndNeverOverread) {
  const std::vector<std::uint8_t> good = MakeShapesFile({{65, "A", {0x10, 0}}, {66, "B", {0x10, 0}}}, 10, 2);
  // Cut inside the index: unreadable as a whole.
  EXPECT_TRUE(Parse(std::vector<std::uint8_t>(good.begin(), good.begin() + 32))->glyphs.empty());
  // Cut inside the entries: the whole entries before the cut stay.
  auto cut = Parse(std::vector<std::uint8_t>(good.begin(), good.end() - 5));
  EXPECT_EQ(cut->glyphs.size(), 1u);
  // An index length beyond the file is bounded by the file.
  std::vector<std::uint8_t> lying = good;
  lying[28 + 2 + 4 + 2] = 0xFF;
  lying[28 + 2 + 4 + 3] = 0xFF;
  EXPECT_LE(Parse(lying)->glyphs.size(), 2u);
  // A name without its NUL takes the whole entry and leaves no definition.
  auto noNul = Parse(MakeShapesFile({{65, "", {}}}, 10, 2));
  ASSERT_EQ(noNul->glyphs.size(), 1u);
  EXPECT_TRUE(noNul->glyphs[0]->definition.empty());
  const std::vector<std::uint8_t> uni = MakeUnicodeFont({{65, "A", {0x10, 0}}}, 10, 2);
  EXPECT_TRUE(Parse(std::vector<std::uint8_t>(uni.begin(), uni.end() - 2))->glyphs.empty());
  EXPECT_TRUE(Parse({})->glyphs.empty());
}

TEST(ShxInterpreter, SixteenVectorDirections) {
  const double expected[16][2] = {{1, 0},  {1, 0.5},  {1, 1},   {0.5, 1},  {0, 1},  {-0.5, 1}, {-1, 1}, {-1, 0.5},
                                  {-1, 0}, {-1, -0.5}, {-1, -1}, {-0.5, -1}, {0, -1}, {0.5, -1}, {1, -1}, {1, -0.5}};
  for (int d = 0; d < 16; ++d) {
    std::vector<CubicArray> lines;
    const DPoint end = PenEnd({std::uint8_t(0x20 | d), 0}, &lines);
    EXPECT_DOUBLE_EQ(end.x, 2 * expected[d][0]) << d;
    EXPECT_DOUBLE_EQ(end.y, 2 * expected[d][1]) << d;
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].Count(), 1u);
    EXPECT_TRUE(lines[0][0].IsStraight());
  }
}

TEST(ShxInterpreter, PenScaleAndStack) {
  std::vector<CubicArray> lines;
  // Pen up move, pen down, scale x4 / 2, draw.
  DPoint end = PenEnd({2, 0x10, 1, 4, 4, 3, 2, 0x10, 0}, &lines);
  EXPECT_DOUBLE_EQ(end.x, 3);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_DOUBLE_EQ(lines[0][0].Start().x, 1);
  EXPECT_DOUBLE_EQ(lines[0][0].End().x, 3);
  // A scale by 0 is ignored.
  EXPECT_DOUBLE_EQ(PenEnd({3, 0, 4, 0, 0x10, 0}).x, 1);
  // Push, move, pop: back at the pushed point; the pop ends the polyline.
  end = PenEnd({5, 0x30, 6, 0x14, 0}, &lines);
  EXPECT_DOUBLE_EQ(end.x, 0);
  EXPECT_DOUBLE_EQ(end.y, 1);
  EXPECT_EQ(lines.size(), 2u);
  // A pop with nothing pushed ends the shape.
  EXPECT_DOUBLE_EQ(PenEnd({0x10, 6, 0x10, 0}).x, 1);
  // A fifth push is ignored: five pops after five pushes end the shape at the
  // fifth, so the last move never happens.
  end = PenEnd({0x10, 5, 0x10, 5, 0x10, 5, 0x10, 5, 0x10, 5, 6, 6, 6, 6, 6, 0x14, 0});
  EXPECT_DOUBLE_EQ(end.x, 1);
  EXPECT_DOUBLE_EQ(end.y, 0);
  // Codes 8 and 9 with signed offsets.
  end = PenEnd({8, 0xFD, 5, 9, 1, 1, 2, 0xFE, 0, 0, 0x10, 0});
  EXPECT_DOUBLE_EQ(end.x, 1);
  EXPECT_DOUBLE_EQ(end.y, 4);
}

TEST(ShxInterpreter, Arcs) {
  std::vector<CubicArray> lines;
  // Code 10, octant byte 0: the whole circle from octant 0, radius 4.
  DPoint end = PenEnd({10, 4, 0x00, 0}, &lines);
  EXPECT_NEAR(end.x, 0, 1e-12);
  EXPECT_NEAR(end.y, 0, 1e-12);
  ASSERT_EQ(lines.size(), 1u);
  double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
  for (const Cubic& c : lines[0]) {
    for (const DPoint& p : {c.p[0], c.p[3]}) {
      minX = std::min(minX, p.x), maxX = std::max(maxX, p.x), minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
  }
  EXPECT_NEAR(minX, -8, 1e-9);
  EXPECT_NEAR(maxX, 0, 1e-9);
  EXPECT_NEAR(minY, -4, 1e-9);
  EXPECT_NEAR(maxY, 4, 1e-9);
  // A quarter, counter-clockwise from octant 0 (two octants): from the right
  // point of the circle to its top.
  end = PenEnd({10, 2, 0x02, 0});
  EXPECT_NEAR(end.x, -2, 1e-12);
  EXPECT_NEAR(end.y, 2, 1e-12);
  // Clockwise: the same quarter downwards.
  end = PenEnd({10, 2, 0x82, 0});
  EXPECT_NEAR(end.x, -2, 1e-12);
  EXPECT_NEAR(end.y, -2, 1e-12);
  // Code 11 with both offsets 0 is code 10 with a 16-bit radius.
  end = PenEnd({11, 0, 0, 1, 0, 0x02, 0});
  EXPECT_NEAR(end.x, -256, 1e-9);
  EXPECT_NEAR(end.y, 256, 1e-9);
  // Offsets: start 128/256 of an octant (22.6 degrees after rounding to 0.2),
  // end offset 0 keeps the end.
  end = PenEnd({11, 128, 0, 0, 10, 0x02, 0});
  const double s = 22.6 * M_PI / 180;
  EXPECT_NEAR(end.x, -10 * std::cos(s) + 10 * std::cos(M_PI / 2), 1e-9);
  EXPECT_NEAR(end.y, -10 * std::sin(s) + 10, 1e-9);
  // Bulge 127 from (0,0) to (4,0): a half circle through (2,-2) (positive
  // bulge turns counter-clockwise); 0 bulge is straight.
  end = PenEnd({12, 4, 0, 127, 0}, &lines);
  EXPECT_DOUBLE_EQ(end.x, 4);
  minY = 0;
  for (const Cubic& c : lines[0]) minY = std::min(minY, c.End().y);
  EXPECT_NEAR(minY, -2, 1e-9);
  end = PenEnd({13, 2, 0, 0, 2, 0, 127, 0, 0, 0x14, 0}, &lines);
  EXPECT_DOUBLE_EQ(end.x, 4);
  EXPECT_DOUBLE_EQ(end.y, 1);
  EXPECT_TRUE(lines[0][0].IsStraight());
}

TEST(ShxInterpreter, CodeFourteenSkipsTheNextCommand) {
  EXPECT_DOUBLE_EQ(PenEnd({14, 9, 1, 1, 2, 2, 0, 0, 0x10, 0}).x, 1);
  EXPECT_DOUBLE_EQ(PenEnd({14, 13, 1, 1, 5, 2, 2, 9, 0, 0, 0x10, 0}).x, 1);
  EXPECT_DOUBLE_EQ(PenEnd({14, 8, 5, 5, 0x10, 0}).x, 1);
  EXPECT_DOUBLE_EQ(PenEnd({14, 11, 1, 2, 3, 4, 5, 0x10, 0}).x, 1);
  EXPECT_DOUBLE_EQ(PenEnd({14, 7, 0, 1, 2, 3, 4, 5, 6, 0x10, 0}).x, 1);
  EXPECT_DOUBLE_EQ(PenEnd({14, 0x40, 0x10, 0}).x, 1);
  EXPECT_DOUBLE_EQ(PenEnd({14, 1, 0x10, 0}).x, 1);
}

TEST(ShxInterpreter, SubshapesAndCycles) {
  // B draws A then moves: A's strokes, then the pen is up.
  auto font = Parse(MakeShapesFile({{65, "A", {0x20, 0}}, {66, "B", {7, 65, 0x10, 1, 0x10, 0}}}, 10, 2));
  ShxGlyph* b = font->FindShape(66);
  b->Compute(*font);
  EXPECT_DOUBLE_EQ(b->penEnd.x, 4);
  ASSERT_EQ(b->polylines.size(), 2u);
  EXPECT_DOUBLE_EQ(b->polylines[1][0].Start().x, 3);
  // A cycle through two shapes and a shape that calls itself end.
  auto cyclic = Parse(MakeShapesFile(
      {{65, "A", {0x10, 7, 66, 0}}, {66, "B", {0x10, 7, 65, 0}}, {67, "C", {0x10, 7, 67, 1, 0x10, 0}}}, 10, 2));
  ShxGlyph* a = cyclic->FindShape(65);
  a->Compute(*cyclic);
  EXPECT_DOUBLE_EQ(a->penEnd.x, 2);
  ShxGlyph* c = cyclic->FindShape(67);
  c->Compute(*cyclic);
  EXPECT_DOUBLE_EQ(c->penEnd.x, 2);
  // Nesting is bounded: a chain of 40 shapes each calling the next draws the
  // first 16 levels only.
  std::vector<ShxShape> chain;
  for (int i = 0; i < 40; ++i) chain.push_back({std::uint16_t(100 + i), "S", {0x10, 7, std::uint8_t(101 + i), 0}});
  auto deep = Parse(MakeShapesFile(chain, 10, 2));
  ShxGlyph* first = deep->FindShape(100);
  first->Compute(*deep);
  EXPECT_DOUBLE_EQ(first->penEnd.x, 16);
  // A fan-out: each of 20 shapes calls the next one 50 times. Without a
  // bound on the work this would run 50^16 subshapes; it ends with a bounded
  // number of strokes.
  std::vector<ShxShape> fan;
  for (int i = 0; i < 20; ++i) {
    ShxShape s{std::uint16_t(200 + i), "F", {}};
    for (int k = 0; k < 50; ++k) s.bytes.insert(s.bytes.end(), {1, 0x10, 7, std::uint8_t(201 + i)});
    s.bytes.push_back(0);
    fan.push_back(s);
  }
  auto wide = Parse(MakeShapesFile(fan, 10, 2));
  ShxGlyph* root = wide->FindShape(200);
  root->Compute(*wide);
  std::size_t records = 0;
  for (const CubicArray& line : root->polylines) records += line.Count();
  EXPECT_GT(records, 1000u);
  EXPECT_LE(records, 200000u);
  // Subshape 0 of a shape file skips six bytes; a missing number draws nothing.
  EXPECT_DOUBLE_EQ(PenEnd({7, 0, 0x50, 0x50, 0x50, 0x50, 0x50, 0x50, 7, 99, 0x10, 0}).x, 1);
  // Unicode fonts name subshapes by two bytes, high first.
  auto uni = Parse(MakeUnicodeFont({{0x0141, "L", {0x30, 0}}, {0x0142, "l", {7, 0x01, 0x41, 0x10, 0}}}, 10, 2));
  ShxGlyph* l = uni->FindShape(0x0142);
  l->Compute(*uni);
  EXPECT_DOUBLE_EQ(l->penEnd.x, 4);
}

TEST(ShxGlyphs, BoundsAndLookUp) {
  auto font = Parse(MakeShapesFile({{32, "SPACE", {2, 0x60, 0}},
                                    {63, "Q", {0x10, 0}},
                                    {65, "A", {0x24, 0x20, 0x2C, 0}},
                                    {66, "B", {2, 0x8C, 1, 0xF4, 0xF4, 0}},
                                    {200, "E", {0x10, 0}},
                                    {256, "DEG", {0x14, 0}}},
                                   10, 3));
  ShxGlyph* a = font->GetGlyph(u'A');
  ASSERT_NE(a, nullptr);
  a->Compute(*font);
  EXPECT_EQ(a->bounds, (DRect{0, -3, 2, 10}));
  ShxGlyph* b = font->GetGlyph(u'B');
  b->Compute(*font);
  EXPECT_EQ(b->bounds, (DRect{0, -8, 0, 22}));
  EXPECT_EQ(font->GetGlyph(u'\t'), font->FindShape(32));
  EXPECT_EQ(font->GetGlyph(176), font->FindShape(256));  // degree sign
  EXPECT_EQ(font->GetGlyph(177), font->FindShape(63));   // no plus-minus shape: '?'
  EXPECT_EQ(font->GetGlyph(8709), font->FindShape(63));
  EXPECT_EQ(font->GetGlyph(u'z'), nullptr);               // below 128: no '?'
  // E grave is not the C caron that code page 1250 holds at 200: its
  // look-alike E, missing here, gives '?'.
  EXPECT_EQ(font->GetGlyph(200), font->FindShape(63));
  EXPECT_EQ(font->GetGlyph(0x00C1), font->FindShape(65));  // A acute: its ASCII look-alike
  EXPECT_EQ(font->GetGlyph(0x00FE), font->FindShape(63));  // thorn has no look-alike here

  // In a Unicode font the degree sign is shape 176 itself.
  auto uni = Parse(MakeUnicodeFont({{63, "Q", {0x10, 0}}, {176, "DEG", {0x20, 0}}, {248, "OSLASH", {0x30, 0}}}, 10, 2));
  EXPECT_EQ(uni->GetGlyph(176), uni->FindShape(176));
  EXPECT_EQ(uni->GetGlyph(8709), uni->FindShape(248));
  EXPECT_EQ(uni->GetGlyph(0x4E00), uni->FindShape(63));
}

}  // namespace
}  // namespace kvn
