// Imported texts: MTEXT and %% codes, hexadecimal escapes, justification,
// placement under a transform, the text record with its alignment table and
// sub-record 1, the MLEADER texts and the spool form.
#include "import/records/TextRecord.h"

#include <gtest/gtest.h>

#include <cmath>

#include "import/records/ImportMatrix.h"
#include "import/records/TextCodePage.h"
#include "import/records/TextCodes.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "model/cText.h"
#include "tests/import/ImportTestSupport.h"
#include "tests/import/ScriptedRecords.h"
#include "tests/import/SpoolTestSupport.h"

namespace kvn {
namespace {

WString Mtext(const char16_t* s, bool* spaceOut = nullptr) {
  WString out;
  bool space = false;
  StripMtextCodes(out, WString(s), space);
  if (spaceOut) *spaceOut = space;
  return out;
}

WString Percent(const char16_t* s, bool multiLine) {
  WString out;
  ConvertPercentCodes(out, WString(s), multiLine);
  return out;
}

TEST(TextCodesTest, MtextFormattingCodes) {
  EXPECT_EQ(Mtext(u"\\Fmonotxt;Hello"), WString(u"Hello"));
  EXPECT_EQ(Mtext(u"{\\H2.5x;big}"), WString(u"big"));
  EXPECT_EQ(Mtext(u"a\\Pb"), WString(u"a\nb"));
  EXPECT_EQ(Mtext(u"a\\Nb"), WString(u"a\n\nb"));
  EXPECT_EQ(Mtext(u"\\S3^4;"), WString(u"[3/4]"));
  EXPECT_EQ(Mtext(u"\\S3/4;"), WString(u"[3/4]"));
  EXPECT_EQ(Mtext(u"\\S1^2;"), WString(u"[1/2]"));
  EXPECT_EQ(Mtext(u"x\\S1#2"), WString(u"x\\S1#2"));  // no ";": kept
  EXPECT_EQ(Mtext(u"\\U+00B0"), WString(u"\u00B0"));
  EXPECT_EQ(Mtext(u"end\\U+"), WString(u"end\\U+"));
  EXPECT_EQ(Mtext(u"a\\\\b"), WString(u"a\\b"));
  EXPECT_EQ(Mtext(u"\\{x\\}"), WString(u"{x}"));
  EXPECT_EQ(Mtext(u"\\LUnder\\l \\Oover\\o"), WString(u"Under over"));
  EXPECT_EQ(Mtext(u"a\\~b"), WString(u"a b"));
  EXPECT_EQ(Mtext(u"\\C1{red}"), WString(u"red"));
  EXPECT_EQ(Mtext(u"tail\\"), WString(u"tail\\"));
  bool space = true;
  Mtext(u"one\\Ptwo", &space);
  EXPECT_FALSE(space);
  Mtext(u"one two", &space);
  EXPECT_TRUE(space);
}

TEST(TextCodesTest, InvalidUnicodeEscapesStayAsText) {
  // Not hexadecimal, U+0000 and lone surrogates are never produced.
  EXPECT_EQ(Mtext(u"\\U+00G0"), WString(u"\\U+00G0"));
  EXPECT_EQ(Mtext(u"\\U+0000x"), WString(u"\\U+0000x"));
  EXPECT_EQ(Mtext(u"\\U+D800x"), WString(u"\\U+D800x"));
  EXPECT_EQ(Mtext(u"\\u+00e9"), WString(u"\u00E9"));
  EXPECT_EQ(HexDigitsToChar(WString(u"20AC"), 0), u'\u20AC');
  EXPECT_EQ(HexDigitsToChar(WString(u"20A"), 0), std::nullopt);
  EXPECT_EQ(HexDigitsToChar(WString(u"DFFF"), 0), std::nullopt);
  EXPECT_EQ(HexDigitsToChar(WString(u"-123"), 0), std::nullopt);
  EXPECT_EQ(HexDigitsToChar(WString(u"1234"), -1), std::nullopt);
}

TEST(TextCodesTest, PercentCodes) {
  EXPECT_EQ(Percent(u"%%c25", false), WString(u"\u00F825"));
  EXPECT_EQ(Percent(u"%%%", false), WString(u"%"));
  EXPECT_EQ(Percent(u"a%%ub", false), WString(u"ab"));
  EXPECT_EQ(Percent(u"%%%", true), WString(u"%%%"));
  EXPECT_EQ(Percent(u"%%u", true), WString(u"%%u"));
  EXPECT_EQ(Percent(u"%%D%%P", true), WString(u"\u00B0\u00B1"));
  EXPECT_EQ(Percent(u"%%176", false), WString(u"\u00B0"));
  EXPECT_EQ(Percent(u"%%7", false), WString(u""));
  EXPECT_EQ(Percent(u"%%065BC", false), WString(u"ABC"));
  EXPECT_EQ(Percent(u"%%x", false), WString(u"x"));
  EXPECT_EQ(Percent(u"%%", false), WString(u"%%"));
}

TEST(TextCodesTest, CodesAtTheirEdges) {
  // Codes inside codes, stacks and escapes cut short, braces in odd places.
  struct Row {
    const char16_t* in;
    const char16_t* out;
    bool space;
  };
  const Row rows[] = {
      {u"{\\Fa{b;c}d}", u"b;cd", false},
      {u"\\Sx{^y;z", u"[x{/y]z", false},
      {u"\\S^;", u"[/]", false},
      {u"\\S a^b^c; d", u"[ a/b^c] d", true},
      {u"\\;x", u"x", false},
      {u"\\H2{;}", u";", false},
      {u"\\P\\P}{", u"\n\n", false},
      {u"\\U+00e9\\U+00E", u"\u00E9\\U+00E", false},
      {u"\\u+0041\\S1/2;\\~", u"A[1/2] ", false},
      {u"\\Ftxt|b0;\\\\{\\}", u"\\}", false},
      {u"a\\Kb\\kc\\Ld\\le", u"abcde", false},
      {u"\\A1;\\Q15;{\\W0.8;x}", u"x", false},
      {u"\\p-3;\\C2;\\T1.1;w", u"w", false},
      {u"\\N\\ x \\", u"\n\n\n\nx \\", true},
      {u"{}{}{}{}", u"", false},
  };
  for (const Row& row : rows) {
    bool space = false;
    EXPECT_EQ(Mtext(row.in, &space), WString(row.out)) << WString(row.in).ToUtf8();
    EXPECT_EQ(space, row.space) << WString(row.in).ToUtf8();
  }
  struct PercentRow {
    const char16_t* in;
    const char16_t* single;
    const char16_t* multi;
  };
  const PercentRow percent[] = {
      {u"%%%%%", u"%%%", u"%%%%%"},
      {u"%%c%%C%%d", u"\u00F8\u00F8\u00B0", u"\u00F8\u00F8\u00B0"},
      {u"%%1234", u"{4", u"%%1234"},
      {u"%%0319", u"9", u"%%0319"},
      {u"%%O%%u%%z%%", u"z%%", u"%%O%%u%%z%%"},
      {u"50%%%%%%", u"50%%", u"50%%%%%%"},
  };
  for (const PercentRow& row : percent) {
    EXPECT_EQ(Percent(row.in, false), WString(row.single)) << WString(row.in).ToUtf8();
    EXPECT_EQ(Percent(row.in, true), WString(row.multi)) << WString(row.in).ToUtf8();
  }
}

TEST(TextCodesTest, WorkGrowsWithTheTextNotItsSquare) {
  // 10 MB texts of the shapes that moved the rest of the text once per code:
  // chunks of braces, codes that never find their ";", stacks without one,
  // escapes and percent codes. The characters looked at, copied and written
  // stay within a few per character of the text (each scan for a ";",
  // "{" or "^" passes a character once).
  constexpr std::size_t kSize = 10u << 20;
  auto repeat = [](std::u16string_view piece) {
    std::u16string s;
    s.reserve(kSize + piece.size());
    while (s.size() < kSize) s += piece;
    return WString(std::u16string_view(s));
  };
  const WString texts[] = {
      repeat(u"{}{}{}{}{}{}{}{}{}{}{}{}{}{}{}{}{}{}{}{}{}{}{}{}{}a"),
      repeat(u"\\Fx\\H2x"),
      repeat(u"\\S1^2"),
      repeat(u"\\Fa{b}\\U+00B0\\P\\\\"),
      repeat(u"%%d%%%%%065%%o"),
  };
  for (const WString& text : texts) {
    TextCodeWork strip, single, multi;
    WString out;
    bool space = false;
    StripMtextCodes(out, text, space, &strip);
    ConvertPercentCodes(out, text, false, &single);
    ConvertPercentCodes(out, text, true, &multi);
    const std::uint64_t n = std::uint64_t(text.Length());
    EXPECT_LE(strip.characters, 6 * n) << text.Mid(0, 12).ToUtf8();
    EXPECT_LE(single.characters, 2 * n) << text.Mid(0, 12).ToUtf8();
    EXPECT_LE(multi.characters, 2 * n) << text.Mid(0, 12).ToUtf8();
  }
}

TEST(TextCodesTest, NarrowTextEscapesTakeWorkLinearInTheText) {
  // 2 MB of \U+ and \M+ escapes, each of which moved the rest of the text
  // when it was replaced in place; the output is the characters they stand for.
  constexpr int kRepeats = (2 << 20) / 16;
  std::u16string s;
  s.reserve(std::size_t(kRepeats) * 16);
  for (int i = 0; i < kRepeats; ++i) s += u"\\U+00B0\\M+18140x";
  WString text{std::u16string_view(s)};
  TextCodeWork work;
  ResolveTextEscapes(text, &work);
  EXPECT_LE(work.characters, 2 * s.size());
  ASSERT_EQ(text.Length(), 3 * kRepeats);
  EXPECT_EQ(text.View().substr(0, 3), DecodeNarrowText(932, "\\U+00B0\\M+18140x", 16).View());
}

TEST(TextCodesTest, JustifyIndex) {
  EXPECT_EQ(GetTextJustifyIndex(0), 0);
  EXPECT_EQ(GetTextJustifyIndex(1), 9);
  EXPECT_EQ(GetTextJustifyIndex(1 | 1u << 18), 10);
  EXPECT_EQ(GetTextJustifyIndex(1 | 1u << 17), 11);
  EXPECT_EQ(GetTextJustifyIndex(1u << 17 | 1u << 24), 5);
  EXPECT_EQ(GetTextJustifyIndex(1u << 18 | 1u << 25), 7);
}

TEST(TextCodesTest, FitToTransform) {
  cText text;
  text.attr.height = 2;
  text.wrapWidth = 10;
  ImportMatrix m;
  m.PreScaleAbout(Vec3{3, 3, 3}, Vec3{});
  ASSERT_TRUE(FitTextToTransform(text, m, Vec3{0, 1, 0}, Vec3{0, 0, 1}));
  EXPECT_NEAR(text.angle, 90, 1e-12);
  EXPECT_NEAR(text.attr.height, 6, 1e-12);
  EXPECT_NEAR(text.attr.widthFactor, 1, 1e-12);
  EXPECT_NEAR(text.wrapWidth, 30, 1e-12);
  // A view along the text direction: nothing to place.
  ImportMatrix side = BuildViewMatrix(Vec3{1, 0, 0}, 0);
  EXPECT_FALSE(FitTextToTransform(text, side, Vec3{1, 0, 0}, Vec3{0, 0, 1}));
  EXPECT_FALSE(FitTextToTransform(text, m, Vec3{}, Vec3{0, 0, 1}));
}

class TextRecordTest : public ::testing::Test {
 protected:
  std::unique_ptr<cOneText> Make(int code, std::initializer_list<G> items) {
    Fill(record, items);
    return std::make_unique<cOneText>(&record, std::uint16_t(code));
  }
  cText* Object(const cOneText& t) {
    chain = t.MakeObject(&identity, nullptr, nullptr);
    return dynamic_cast<cText*>(chain.Head());
  }
  YxxfGroupRecord record;
  ImportMatrix identity;
  ObjectChain chain;
};

TEST_F(TextRecordTest, AlignmentTable) {
  auto a = Make(entity::kText, {{1, "x"}, {72, 1}, {73, 0}, {11, 5.0}, {21, 6.0}});
  EXPECT_EQ(a->Alignment(), 10);
  cText* t = Object(*a);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->point.x, 5);
  EXPECT_EQ(t->point.y, -6);
  EXPECT_EQ(t->alignment & kAlignCodeMask, 10);
  EXPECT_EQ(Make(entity::kText, {{1, "x"}, {72, 1}, {73, 3}})->Alignment(), 1);
  auto fit = Make(entity::kText, {{1, "x"}, {72, 5}, {10, 1.0}, {20, 2.0}, {11, 9.0}});
  EXPECT_EQ(fit->Alignment(), 9);
  EXPECT_EQ(Object(*fit)->point.x, 1);
  EXPECT_EQ(Make(entity::kText, {{1, "x"}, {72, 4}})->Alignment(), 4);
  EXPECT_EQ(Make(entity::kText, {{1, "x"}, {72, 0}, {73, 2}})->Alignment(), 3);
  EXPECT_EQ(Make(entity::kAttrib, {{1, "x"}, {72, 2}, {73, 3}, {74, 2}})->Alignment(), 5);
  EXPECT_EQ(Make(entity::kMText, {{1, "x"}, {71, 5}})->Alignment(), 4);
  EXPECT_EQ(Make(entity::kMText, {{1, "x"}, {71, 0}})->Alignment(), 0);
  EXPECT_EQ(Make(entity::kMText, {{1, "x"}, {71, 12}})->Alignment(), 0);
}

// The DWG form may store no alignment point, and some DXF writers leave
// group 11 out: a justified text then stands at its insertion point.
TEST_F(TextRecordTest, JustifiedTextsWithoutAnAlignmentPointStandAtTheirInsertion) {
  struct Row {
    int code;
    int h;           // group 72
    int vCode, v;    // 73 or 74
  };
  const Row rows[] = {{entity::kText, 1, 73, 0},
                      {entity::kText, 0, 73, 3},
                      {entity::kAttrib, 2, 74, 1},
                      {entity::kAttDef, 4, 74, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.code);
    Fill(record, {{1, "x"}, {2, "T"}, {10, 7.0}, {20, 3.0}});
    record.AddInt(72, row.h);
    record.AddInt(std::uint16_t(row.vCode), row.v);
    cOneText text(&record, std::uint16_t(row.code));
    cText* t = Object(text);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->point.x, 7);
    EXPECT_EQ(t->point.y, -3);
  }
  // An MTEXT's group 11 is its direction: along x when absent.
  cText* m = Object(*Make(entity::kMText, {{1, "x"}, {10, 7.0}, {20, 3.0}}));
  ASSERT_TRUE(m);
  EXPECT_NEAR(m->angle, 0, 1e-12);
}

TEST_F(TextRecordTest, HeightWidthBlanksAndMirrors) {
  auto a = Make(entity::kText, {{1, "x"}, {40, -2.5}, {41, 0.8}, {71, 6}, {50, 30.0}});
  cText* t = Object(*a);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->attr.height, 2.5);
  EXPECT_NEAR(t->attr.widthFactor, 0.8, 1e-15);
  EXPECT_EQ(t->attr.mirrorX, 1);
  EXPECT_EQ(t->attr.mirrorY, 1);
  EXPECT_NEAR(t->angle, 30, 1e-12);
  EXPECT_FALSE(Object(*Make(entity::kText, {{1, "   "}})));
  EXPECT_FALSE(Object(*Make(entity::kMText, {{1, "\\P\\P"}})));
  EXPECT_EQ(a->styleName, WString(u"STANDARD"));
  auto styled = Make(entity::kText, {{1, "x"}, {7, H{0x2A}}});
  EXPECT_EQ(styled->styleHandle, 0x2Au);
  EXPECT_TRUE(styled->styleName.IsEmpty());
  // A text along the line of sight has no placement.
  ImportMatrix side = BuildViewMatrix(Vec3{1, 0, 0}, 0);
  EXPECT_FALSE(Make(entity::kText, {{1, "x"}})->MakeObject(&side, nullptr, nullptr));
  EXPECT_TRUE(a->MakeObject(&side, nullptr, nullptr));
}

TEST_F(TextRecordTest, MultiLineTextsAndSubRecords) {
  auto m = Make(entity::kMText, {{3, "{\\Farial;Hello }"}, {1, "wo\\Prld %%%"}, {41, 50.0}, {11, 0.0}, {21, 1.0}});
  EXPECT_EQ(m->text, WString(u"Hello wo\nrld %%%"));
  EXPECT_EQ(m->width, 50);
  cText* t = Object(*m);
  ASSERT_TRUE(t);
  EXPECT_NEAR(t->angle, 90, 1e-12);
  EXPECT_EQ(t->wrapWidth, 50);
  // Without a space the reference width goes.
  EXPECT_EQ(Make(entity::kMText, {{1, "a\\Pb"}, {41, 50.0}})->width, 0);

  // An attribute with an embedded multi-line text reads sub-record 1.
  record.Clear();
  record.AddString(1, "single");
  record.AddDouble(10, 1.0);
  record.AddString(2, "TAG%%U");
  record.SetSubRecord(1);
  record.AddString(1, "multi\\Pline");
  record.AddDouble(10, 7.0);
  record.SetSubRecord(0);
  cOneText attribute(&record, entity::kAttrib);
  EXPECT_EQ(attribute.multiLine, 1);
  EXPECT_EQ(attribute.text, WString(u"multi\nline"));
  EXPECT_EQ(attribute.insertion.x, 7);
  EXPECT_EQ(attribute.tag, WString(u"TAG"));
  EXPECT_EQ(record.SubRecord(), 0);
  // Without one, everything from sub-record 0.
  auto plain = Make(entity::kAttDef, {{1, "value"}, {2, "NAME"}, {3, "Prompt?"}, {10, 3.0}});
  EXPECT_EQ(plain->multiLine, 0);
  EXPECT_EQ(plain->insertion.x, 3);
  EXPECT_EQ(plain->prompt, WString(u"Prompt?"));
  cText* def = Object(*plain);
  ASSERT_TRUE(def);
  EXPECT_EQ(def->GetText(), WString(u"NAME"));

  std::unique_ptr<cOneObjRec> back = SpoolRoundTrip(attribute);
  auto* b = dynamic_cast<cOneText*>(back.get());
  ASSERT_TRUE(b);
  EXPECT_EQ(b->text, attribute.text);
  EXPECT_EQ(b->tag, attribute.tag);
  EXPECT_EQ(b->multiLine, 1);
  EXPECT_EQ(b->insertion, attribute.insertion);
}

TEST_F(TextRecordTest, DispatchRowsAndMLeaderTexts) {
  YxxfReader reader(WString(u"t.dxf"), 1);
  Fill(record, {{1, "plain"}});
  reader.DispatchSection(record, "TEXT", YxxfSection::Entities);
  Fill(record, {{1, "def"}, {2, "D"}});
  reader.DispatchSection(record, "ATTDEF", YxxfSection::Entities);
  Fill(record, {{300, "CONTEXT_DATA{"}, {41, 2.5}, {290, 1}, {304, "Note \\Pnext"}, {12, 4.0}, {22, 5.0},
                {90, int(0xC2FF0000)}, {171, 3}, {302, "LEADER{"}, {41, 9.0}, {304, "LEADER_LINE{"}, {10, 0.0},
                {20, 0.0}, {10, 4.0}, {20, 5.0}, {305, "}"}, {303, "}"}, {301, "}"}});
  reader.DispatchSection(record, "MULTILEADER", YxxfSection::Entities);
  ASSERT_EQ(reader.defaultBlock.entities.Count(), 4u);
  EXPECT_TRUE(dynamic_cast<cOneText*>(reader.defaultBlock.entities[0]));
  EXPECT_TRUE(dynamic_cast<cOneText*>(reader.defaultBlock.entities[1]));
  auto* note = dynamic_cast<cOneText*>(reader.defaultBlock.entities[3]);
  ASSERT_TRUE(note);
  EXPECT_EQ(note->text, WString(u"Note \nnext"));
  EXPECT_EQ(note->height, 2.5);
  EXPECT_EQ(note->insertion, (Vec3{4, 5, 0}));
  EXPECT_EQ(note->color, 0x000000FFu);
  EXPECT_EQ(note->Alignment(), 2);
  EXPECT_EQ(note->second, (Vec3{1, 0, 0}));
  EXPECT_EQ(reader.statistics.Handed(ImportSpace::Model, "MULTILEADER"), 1u);
}

}  // namespace
}  // namespace kvn
