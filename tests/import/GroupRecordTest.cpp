// The group-code record: finder walks and limits, typed conversions, handle
// texts, sub-record layers, string pools, joined texts and the code page.
#include "import/records/YxxfGroupRecord.h"

#include <gtest/gtest.h>

#include <limits>

#include "import/records/DwgCodePages.h"
#include "import/records/TextCodePage.h"
#include "import/records/TextNumbers.h"
#include "tests/import/ImportTestSupport.h"

namespace kvn {
namespace {

TEST(GroupRecordTest, FinderWalksRepeatedCodesAndHonoursTheLimit) {
  YxxfGroupRecord r;
  r.AddDouble(10, 1.5);
  r.AddInt(70, 3);
  r.AddDouble(10, 2.5);
  std::uint32_t at = 0;
  double v = -1;
  EXPECT_TRUE(r.FindDouble(v, 10, &at));
  EXPECT_EQ(v, 1.5);
  EXPECT_EQ(at, 1u);
  EXPECT_TRUE(r.FindDouble(v, 10, &at));
  EXPECT_EQ(v, 2.5);
  EXPECT_EQ(at, 3u);
  EXPECT_FALSE(r.FindDouble(v, 10, &at));
  EXPECT_EQ(v, 0.0);
  EXPECT_EQ(at, 3u);

  // The item at the limit is still examined; one below is not.
  at = 1;
  EXPECT_TRUE(r.FindDouble(v, 10, &at, 2));
  at = 1;
  EXPECT_FALSE(r.FindDouble(v, 10, &at, 1));
  EXPECT_EQ(r.GetDouble(10, 9.0, 1, 1), 9.0);
  EXPECT_EQ(r.GetDouble(10, 9.0, 1, 2), 2.5);
}

TEST(GroupRecordTest, TypeMismatchesGiveZeros) {
  YxxfGroupRecord r;
  r.AddInt(70, 42);
  r.AddDouble(40, 7.75);
  r.AddHandle(5, 0x1234, 0);
  EXPECT_EQ(r.GetDouble(70, -1.0), 0.0);
  EXPECT_EQ(r.GetInt(40, -1), 0);
  EXPECT_EQ(r.GetInt(5, -1), 0);
  EXPECT_EQ(r.GetDouble(5, -1.0), 0.0);
  // A double is no handle: false and the index stays.
  std::uint64_t h = 9;
  std::uint32_t at = 0;
  EXPECT_FALSE(r.FindHandle(h, 40, &at));
  EXPECT_EQ(h, 0u);
  EXPECT_EQ(at, 0u);
  // Integers sign-extend into handles.
  r.AddInt(6, -2);
  EXPECT_EQ(r.GetHandle(6), 0xFFFFFFFFFFFFFFFEull);
  // A non-string is no string: false, index unchanged.
  WString s;
  at = 0;
  EXPECT_FALSE(r.FindString(s, 70, &at));
  EXPECT_EQ(at, 0u);
  // FindNarrowString answers true with an empty text for other types.
  AString a("x");
  EXPECT_TRUE(r.FindNarrowString(a, 70));
  EXPECT_TRUE(a.IsEmpty());
  ByteArray bytes;
  EXPECT_FALSE(r.FindBytes(bytes, 70));
  EXPECT_FALSE(r.HasHandle(70));
  EXPECT_TRUE(r.HasHandle(5));
}

TEST(GroupRecordTest, TextsReadAsNumbersAndHandles) {
  YxxfGroupRecord r;
  r.AddString(5, std::string_view("  1A2b"));
  r.AddString(330, std::string_view("G1"));
  r.AddString(40, std::string_view(" 12.5 "));
  r.AddString(41, std::string_view("abc"));
  r.AddWideString(62, std::u16string_view(u"  -17xyz"));
  r.AddString(70, std::string_view("99999999999999"));
  r.AddString(71, std::string_view("-99999999999999"));
  r.AddString(72, std::string_view("2147483648"));
  EXPECT_EQ(r.GetHandle(5), 0x1A2Bu);
  EXPECT_EQ(r.GetHandle(330), 0u);
  EXPECT_EQ(r.GetDouble(40), 12.5);
  EXPECT_EQ(r.GetDouble(41, 3.0), 0.0);
  EXPECT_EQ(r.GetInt(62), -17);
  // Saturation, not overflow.
  EXPECT_EQ(r.GetInt(70), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(r.GetInt(71), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(r.GetInt(72), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(ParseDecimalSaturated("-2147483648", 11), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(ParseDecimalSaturated("12", 1), 1);  // the length bounds the read
  EXPECT_EQ(ParseHexHandle("  1aF", 5), 0x1AFu);
  EXPECT_EQ(ParseHexHandle("12G4", 4), 0x12u);
  EXPECT_EQ(ParseHexHandle(nullptr, 3), 0u);
  EXPECT_EQ(ParseHexHandle("", 0), 0u);
}

TEST(GroupRecordTest, PointsStopWhereTheirCoordinatesStop) {
  YxxfGroupRecord r;
  r.AddDouble(10, 1.0);
  r.AddDouble(30, 3.0);
  Vec3 p = r.GetPoint3(10);
  EXPECT_EQ(p, (Vec3{1.0, 0.0, 0.0}));
  r.AddPoint3(11, 4, 5, 6);
  EXPECT_EQ(r.GetPoint3(11), (Vec3{4, 5, 6}));
  // y is searched after x: a y before x does not count.
  YxxfGroupRecord s;
  s.AddDouble(20, 9.0);
  s.AddDouble(10, 1.0);
  s.AddDouble(20, 2.0);
  double x = 0, y = 0;
  s.GetPoint2(x, y, 10);
  EXPECT_EQ(x, 1.0);
  EXPECT_EQ(y, 2.0);
}

TEST(GroupRecordTest, SubRecordLayersAreInvisibleToEachOther) {
  YxxfGroupRecord r;
  r.AddInt(70, 1);
  r.SetSubRecord(1);
  r.AddInt(70, 2);
  r.AddInt(71, 5);
  EXPECT_EQ(r.GetInt(70), 2);
  EXPECT_EQ(r.GetInt(71), 5);
  r.SetSubRecord(0);
  EXPECT_EQ(r.GetInt(70), 1);
  EXPECT_EQ(r.GetInt(71, -1), -1);
  r.Clear();
  EXPECT_EQ(r.SubRecord(), 0);
  EXPECT_EQ(r.Count(), 0u);
}

// The first-item table answers look-ups from the start: seeded random
// adds, removals, sub-record switches and clears, every code asked (those
// the table holds, pseudo-codes, and codes it does not hold) under several
// limits, compared with a walk of the items.
TEST(GroupRecordTest, FirstItemsFromTheStartAgreeWithAWalkOfTheItems) {
  const std::uint16_t kCodes[] = {0, 5, 8, 10, 62, 1071, 1072, 2000, kCodeOwnerHandle, kCodeDimensionR12, 32777};
  YxxfGroupRecord record;
  std::uint32_t seed = 12345;
  auto next = [&seed](std::uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  auto walk = [&](std::uint16_t code, std::uint32_t limit) -> std::int64_t {
    for (std::uint32_t i = 0; i < record.Count() && i <= limit; ++i) {
      const YxxfItem* item = record.Item(i);
      if (item->code == code && item->subRecord == record.SubRecord()) return i;
    }
    return -1;
  };
  for (int step = 0; step < 20000; ++step) {
    const std::uint32_t op = next(100);
    const std::uint16_t code = kCodes[next(std::size(kCodes))];
    if (op < 60) {
      record.AddInt(code, int(step));
    } else if (op < 70) {
      record.RemoveLast();
    } else if (op < 80) {
      record.SetLastSubRecord(std::uint8_t(next(3)));
    } else if (op < 92) {
      record.SetSubRecord(std::uint8_t(next(4) == 0 ? 1 : 0));
    } else if (op < 95) {
      record.Clear();
    }
    for (std::uint16_t asked : kCodes) {
      for (std::uint32_t limit : {kNoLimit, 0u, 3u, record.Count() / 2}) {
        ASSERT_EQ(record.FindIndex(asked, 0, limit), walk(asked, limit)) << "step " << step << " code " << asked;
      }
      std::int32_t value = -1;
      const std::int64_t at = walk(asked, kNoLimit);
      ASSERT_EQ(record.FindInt(value, asked), at >= 0);
      if (at >= 0) {
        EXPECT_EQ(value, record.Item(std::uint32_t(at))->value.i);
      }
    }
  }
}

TEST(GroupRecordTest, PoolsKeepTheirStringsAcrossClear) {
  YxxfGroupRecord r;
  r.AddString(1, std::string_view("one"));
  r.AddString(1, std::string_view("two"));
  r.AddWideString(3, std::u16string_view(u"w"));
  EXPECT_EQ(r.NarrowPoolSize(), 2u);
  EXPECT_EQ(r.WidePoolSize(), 1u);
  r.Clear();
  r.AddString(1, std::string_view("three"));
  EXPECT_EQ(r.NarrowPoolSize(), 2u);
  EXPECT_EQ(r.WidePoolSize(), 1u);
  EXPECT_EQ(r.GetNarrowString(1), "three");
  r.AddString(2, "literal");
  r.AddString(2, static_cast<const char*>(nullptr));
  r.AddWideString(4, u"wide");
  std::uint32_t walk = 0;
  AString text;
  EXPECT_TRUE(r.FindNarrowString(text, 2, &walk));
  EXPECT_EQ(text, "literal");
  EXPECT_TRUE(r.FindNarrowString(text, 2, &walk));
  EXPECT_TRUE(text.IsEmpty());
  EXPECT_EQ(r.GetString(4), WString(u"wide"));
  // Embedded zeros survive as bytes.
  r.AddString(310, std::string_view("a\0b", 3));
  ByteArray bytes;
  std::uint32_t at = 0;
  ASSERT_TRUE(r.FindBytes(bytes, 310, &at));
  EXPECT_EQ(bytes.Count(), 3u);
  EXPECT_EQ(bytes[1], 0);
  EXPECT_EQ(at, 5u);
}

TEST(GroupRecordTest, StringsDecodeInTheRecordsCodePage) {
  YxxfGroupRecord r;
  r.SetCodePage(1250);
  r.AddString(1, std::string_view("\x8A\x9A"));  // Š š in 1250
  EXPECT_EQ(r.GetString(1), WString(u"Šš"));
  r.SetCodePage(65001);
  EXPECT_EQ(r.GetString(1, u"d"), WString(u"\uFFFD\uFFFD"));
  EXPECT_EQ(r.GetString(2, u"d"), WString(u"d"));
  EXPECT_EQ(r.GetString(2), WString());
  EXPECT_EQ(r.GetNarrowString(2, "n"), "n");
}

// Short texts decoded again answer from the record's recent texts: still
// what the code page and escapes make of the bytes, across records, code
// pages and names that share a slot, and untouched by a change made to an
// earlier answer.
TEST(GroupRecordTest, RepeatedShortTextsDecodeAsTheFirstTime) {
  YxxfGroupRecord r;
  for (int i = 0; i < 3000; ++i) {
    const int page = i % 5 == 0 ? 1250 : 65001;
    r.Clear();
    r.SetCodePage(std::uint16_t(page));
    std::string bytes = std::string("N\\U+0041\x8A") + std::to_string(i % 40);
    if (i % 7 == 0) bytes += std::string(40, 'x');  // past the short texts
    r.AddString(2, std::string_view(bytes));
    WString got = r.GetString(2);
    ASSERT_EQ(got, DecodeNarrowText(page, bytes.data(), int(bytes.size()))) << i;
    got.Append(WString(u"!"));
    ASSERT_EQ(r.GetString(2), DecodeNarrowText(page, bytes.data(), int(bytes.size()))) << i;
  }
}

TEST(GroupRecordTest, JoinStringsPrefersNarrowPieces) {
  YxxfGroupRecord r;
  r.SetCodePage(65001);
  // A two-byte UTF-8 character split between pieces is decoded whole.
  r.AddString(3, std::string_view("ab\xC3"));
  r.AddWideString(3, std::u16string_view(u"lost"));
  r.AddString(3, std::string_view("\xA9"));
  r.AddString(1, std::string_view("z"));
  EXPECT_EQ(r.JoinStrings(3, 1), WString(u"abéz"));
  YxxfGroupRecord w;
  w.AddWideString(3, std::u16string_view(u"x"));
  w.AddWideString(3, std::u16string_view(u"y"));
  w.AddWideString(1, std::u16string_view(u"z"));
  EXPECT_EQ(w.JoinStrings(3, 1), WString(u"xyz"));
}

TEST(TextCodePageTest, EscapesDecodeOrStayAsText) {
  EXPECT_EQ(DecodeNarrowText(1252, "\\U+2205 10", 10), WString(u"\u00F8 10"));
  EXPECT_EQ(DecodeNarrowText(1252, "a\\u+00e9b", 9), WString(u"aéb"));
  // Not hexadecimal, U+0000, a lone surrogate, or cut short: kept as text.
  EXPECT_EQ(DecodeNarrowText(1252, "\\U+00G1", 7), WString(u"\\U+00G1"));
  EXPECT_EQ(DecodeNarrowText(1252, "\\U+0000", 7), WString(u"\\U+0000"));
  EXPECT_EQ(DecodeNarrowText(1252, "\\U+D800", 7), WString(u"\\U+D800"));
  EXPECT_EQ(DecodeNarrowText(1252, "\\U+00", 5), WString(u"\\U+00"));
  // \M+n: Shift-JIS 0x82A0 is HIRAGANA A, Big5 0xA440 is 一, GBK 0xB0A1 is 啊,
  // KS X 1001 (949) 0xB0A1 is 가.
  EXPECT_EQ(DecodeNarrowText(1252, "\\M+182A0", 8), WString(u"\u3042"));
  EXPECT_EQ(DecodeNarrowText(1252, "x\\M+2A440y", 10), WString(u"x\u4E00y"));
  EXPECT_EQ(DecodeNarrowText(1252, "\\m+5b0a1", 8), WString(u"\u554A"));
  EXPECT_EQ(DecodeNarrowText(1252, "\\M+3B0A1", 8), WString(u"\uAC00"));
  // An unknown code-page digit gives "?".
  EXPECT_EQ(DecodeNarrowText(1252, "\\M+9B0A1", 8), WString(u"?"));
  EXPECT_EQ(DecodeNarrowText(1252, "\\M+1B0A", 7), WString(u"\\M+1B0A"));
  EXPECT_EQ(DecodeNarrowText(0, nullptr, 4), WString());
}

TEST(DwgCodePagesTest, NamesRowsAndCodePages) {
  EXPECT_EQ(CodePageFromName("ANSI_1250"), 1250);
  EXPECT_EQ(CodePageFromName("ansi_1250"), 1250);
  EXPECT_EQ(CodePageFromName("ansi-1250"), 0);
  EXPECT_EQ(CodePageFromName(nullptr), 0);
  EXPECT_EQ(CodePageFromIndex(0), 0);
  EXPECT_EQ(CodePageFromIndex(45), 0);
  EXPECT_EQ(CodePageFromIndex(28), 1250);
  EXPECT_EQ(CodePageRowOfIndex(44), 1258);
  EXPECT_EQ(CodePageRowOfIndex(-1), 0);
  EXPECT_EQ(RowOfCodePage(1252), 2);
  EXPECT_EQ(RowOfCodePage(28592), 1);
  EXPECT_EQ(RowOfCodePage(12345), -1);
  WString list = CodePageListText();
  EXPECT_EQ(list.Mid(0, 4), WString(u" - \t"));
  EXPECT_GE(list.Find(u"ansi_1258 - Vietnamese"), 0);
}

// Every code page of the table decodes a sample through the platform's
// converters (1200 names UTF-16, which no byte string uses).
TEST(DwgCodePagesTest, EveryRowDecodesASample) {
  for (int row = 1; row < kDwgCodePageRows; ++row) {
    int cp = CodePageFromIndex(row);
    if (cp == 1200) continue;
    WString w = DecodeNarrowText(cp, "AZaz09", 6);
    EXPECT_EQ(w, WString(u"AZaz09")) << "row " << row << " code page " << cp;
  }
}

}  // namespace
}  // namespace kvn
