#include "foundation/WString.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "foundation/UnicodeCase.h"
#include "foundation/WideCStr.h"

namespace kvn {

void PrintTo(const WString& s, std::ostream* os) { *os << '"' << s.ToUtf8() << '"'; }

namespace {

WString Units(std::u16string_view units) { return WString(units); }

TEST(WString, CopyOnWriteAndCapacity) {
  WString a(u"hello");
  const char16_t* buffer = a.CStr();
  WString b = a;
  EXPECT_EQ(b.CStr(), buffer);
  b.PrependChar(u'>');
  EXPECT_EQ(a, u"hello");
  EXPECT_EQ(b, u">hello");
  EXPECT_EQ(a.CStr(), buffer);

  EXPECT_EQ(WString(u"abc").Capacity(), 15);
  WString s(u"0123456789");
  s.AppendCStr(u"abcdefghijklmnopqrst");
  EXPECT_EQ(s.Capacity(), 30);
  s.AppendRepeat(u'-', 1);
  EXPECT_EQ(s.Capacity(), 60);
  s.Reserve(100);
  EXPECT_EQ(s.Capacity(), 120);  // max(2 x 60, 100)

  WString empty1, empty2(nullptr);
  EXPECT_EQ(empty1.CStr(), empty2.CStr());
  WString sub(s, 0, 1000);
  EXPECT_EQ(sub.CStr(), s.CStr());
  EXPECT_EQ(WString(u"abcdef", 2, 2), u"cd");
  EXPECT_EQ(Units(std::u16string_view(u"a\0b", 3)).Length(), 3);  // buffer: zeros kept
}

TEST(WString, EditsTrimAndParts) {
  WString s(u"  text  ");
  EXPECT_EQ(WString(s).Trim(WString::TrimMode::Both), u"text");
  EXPECT_EQ(WString(s).Trim(WString::TrimMode::Leading), u"text  ");
  EXPECT_TRUE(WString(u"   ").Trim(WString::TrimMode::Trailing).IsEmpty());
  s.Replace(2, 4, u"T").Insert(0, u"[").AppendChar(u']');
  EXPECT_EQ(s, u"[  T  ]");
  s.Erase(1, 2).Erase(2, 2);
  EXPECT_EQ(s, u"[T]");
  s.InsertSub(1, s, 0, -1);  // source is the string itself
  EXPECT_EQ(s, u"[[T]T]");
  s.AppendSub(s, 4, 99);
  EXPECT_EQ(s, u"[[T]T]T]");
  EXPECT_EQ(s.Mid(2, 3), u"T]T");
  EXPECT_EQ(s.TailFrom(6), u"T]");
  s.Resize(2);
  EXPECT_EQ(s, u"[[");
  s.Resize(4);
  EXPECT_EQ(s, u"[[  ");
  EXPECT_EQ(ConcatWStringCStr(s, u"x"), u"[[  x");
  EXPECT_EQ(ConcatCStrWString(nullptr, s), u"[[  ");
  EXPECT_EQ(s[0], u'[');
  EXPECT_EQ(s[4], 0);
  EXPECT_EQ(s[-1], 0);
}

TEST(WString, MakeUpperUsesTheUnicodeTable) {
  WString s(u"stra\u00DFe \u00E9t\u00E9 \u0131 \u017F \u0446 \u1F80 \uFF41");
  WString copy = s;
  s.MakeUpper();
  // Sharp s, dotless i and long s have no single upper case in our table.
  EXPECT_EQ(s, u"STRA\u00DFE \u00C9T\u00C9 \u0131 \u017F \u0426 \u1F88 \uFF21");
  EXPECT_EQ(copy, u"stra\u00DFe \u00E9t\u00E9 \u0131 \u017F \u0446 \u1F80 \uFF41");
}

TEST(WString, FindRulesForNeedles) {
  WString s(u"abc\u00E9abc");
  EXPECT_EQ(s.FindEx(u"", 3), 0);  // empty needle: 0 whatever the start
  EXPECT_EQ(s.FindEx(u"", 100), 0);
  EXPECT_EQ(s.Find(nullptr), -1);
  EXPECT_FALSE(s.Contains(nullptr));
  EXPECT_TRUE(s.Contains(u""));
  EXPECT_EQ(s.FindEx(u"c", s.Length()), -1);  // start at the end
  EXPECT_EQ(s.FindEx(u"abcd", 4), -1);        // longer than what remains
  EXPECT_EQ(s.FindEx(u"abc", 1), 4);
  EXPECT_EQ(s.FindEx(u"ABC\u00C9", -5, false), 0);
  EXPECT_EQ(s.Find(u"C\u00C9A"), -1);
  EXPECT_EQ(s.Find(u"C\u00C9A", false), 2);
  EXPECT_EQ(s.ReverseFind(u"abc"), 4);
  EXPECT_EQ(s.ReverseFindEx(u"abc", 3), 0);
  EXPECT_EQ(s.ReverseFindEx(u"abc", -1), -1);
  EXPECT_EQ(s.FindChar(u'\u00E9'), 3);
  EXPECT_EQ(s.FindCharFrom(u'a', 1), 4);
  EXPECT_EQ(s.FindCharFrom(u'a', 7), -1);
  EXPECT_EQ(s.ReverseFindChar(u'a'), 4);
  EXPECT_EQ(s.FindAnyOf(u"\u00E9c", 0), 2);
  EXPECT_EQ(s.FindFirstNotOf(u"abc", 0), 3);
  EXPECT_EQ(s.FindFirstNotOf(u"abc\u00E9", 0), -1);
  EXPECT_EQ(s.FindLastOf(u"a", 4), 0);
}

TEST(WString, AccentBlindOrdering) {
  EXPECT_EQ(CompareNoCaseAccentW(u"e", u"E"), 0);
  EXPECT_EQ(CompareNoCaseAccentW(u"E", u"\u00C9"), -1);
  EXPECT_EQ(CompareNoCaseAccentW(u"\u00C9", u"F"), -1);
  EXPECT_EQ(CompareNoCaseAccentW(u"\u00E9", u"\u00C9"), 0);
  EXPECT_EQ(CompareNoCaseAccentW(u"\u00E9cole", u"Ecrit"), 1);  // the first difference decides
  EXPECT_EQ(CompareNoCaseAccentW(u"ab", u"abc"), -1);
  EXPECT_EQ(CompareNoCaseAccentW(nullptr, u""), 0);
  WString s(u"\u010Cesky");
  EXPECT_EQ(s.CompareNoCaseN(u"CESKO", 0), 0);
  EXPECT_EQ(s.CompareNoCaseN(u"c", 1), 1);
  EXPECT_EQ(s.CompareNoCaseN(u"\u010DESKO", 4), 0);
  EXPECT_EQ(s.CompareNoCaseN(u"\u010DESKO", 5), 1);
  EXPECT_EQ(s.CompareNoCaseN(u"D", 5), -1);
}

TEST(WString, EqualityAndArrays) {
  WString a(u"x"), b(u"x");
  EXPECT_TRUE(a.Equals(b));
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(a == WString(u"xy"));
  EXPECT_TRUE(WString() == nullptr);
  EXPECT_TRUE(Units(std::u16string_view(u"a\0b", 3)) != Units(std::u16string_view(u"a\0c", 3)));

  OwnedArray<WString> array;
  array.Add(new WString(u"zero"));
  array.Add(new WString(u"one"));
  EXPECT_EQ(GetStringArrayItem(array, 1), u"one");
  EXPECT_TRUE(GetStringArrayItem(array, 2).IsEmpty());
  EXPECT_TRUE(GetStringArrayItem(array, -1).IsEmpty());
}

// --- UTF-8 ---------------------------------------------------------------------------

WString FromBytes(std::string_view bytes) { return WString::FromUtf8(bytes); }

TEST(WString, Utf8DecoderRepairsMalformedInput) {
  EXPECT_EQ(FromBytes("\xC3\xA9"), u"\u00E9");
  EXPECT_EQ(FromBytes("\xE2\x82\xAC!"), u"\u20AC!");
  EXPECT_EQ(FromBytes("\xF0\x9F\x98\x80"), u"\xD83D\xDE00");
  EXPECT_EQ(FromBytes("\xF4\x8F\xBF\xBF"), u"\xDBFF\xDFFF");
  // A lead byte followed by a non-continuation byte does not swallow it.
  EXPECT_EQ(FromBytes("\xC3" "A"), u"\uFFFD" "A");
  EXPECT_EQ(FromBytes("\xE2\x82" "A"), u"\uFFFD" "A");
  // Truncated at the end.
  EXPECT_EQ(FromBytes("a\xE2\x82"), u"a\uFFFD");
  EXPECT_EQ(FromBytes("\xF0\x9F\x98"), u"\uFFFD");
  // Stray continuation bytes, overlong forms, surrogates, past U+10FFFF.
  EXPECT_EQ(FromBytes("\x80x"), u"\uFFFDx");
  EXPECT_EQ(FromBytes("\xC0\xAF"), u"\uFFFD\uFFFD");
  EXPECT_EQ(FromBytes("\xE0\x80\xAF"), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(FromBytes("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(FromBytes("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(FromBytes("\xFF"), u"\uFFFD");
  EXPECT_TRUE(FromBytes("").IsEmpty());
}

TEST(WString, Utf8DecoderOnNoise) {
  // Deterministic noise biased toward lead and continuation bytes: the result
  // never exceeds one unit per byte, and valid output survives a round trip.
  std::uint32_t seed = 12345;
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    int n = round % 17;
    for (int i = 0; i < n; ++i) {
      seed = seed * 1103515245u + 12345u;
      std::uint8_t b = std::uint8_t(seed >> 16);
      bytes += char(i % 3 ? (0x80 | (b & 0x7F)) : b);
    }
    WString w = WString::FromUtf8(bytes);
    ASSERT_LE(w.Length(), n);
    std::string again = w.ToUtf8();
    ASSERT_EQ(WString::FromUtf8(again), w);
  }
}

TEST(WString, Utf8RoundTrip) {
  const std::string text = "Pr\xC3\xADli\xC5\xA1 \xE2\x82\xAC \xF0\x9F\x98\x80 end";
  EXPECT_EQ(WString::FromUtf8(text).ToUtf8(), text);
  EXPECT_EQ(Units(u"\xD800x\xDC00").ToUtf8(), "\xEF\xBF\xBDx\xEF\xBF\xBD");  // lone surrogates
  EXPECT_EQ(Units(u"x\xD83D").ToUtf8(), "x\xEF\xBF\xBD");
  WString s(u"old content");
  WString shared = s;
  s.AssignUtf8("\xC3\xA9", 2);
  EXPECT_EQ(s, u"\u00E9");
  EXPECT_EQ(shared, u"old content");
  s.AssignUtf8(nullptr, 3);
  EXPECT_TRUE(s.IsEmpty());
}

// --- 0-terminated helpers -----------------------------------------------------------------

TEST(WideCStr, Helpers) {
  EXPECT_EQ(kvn::wcslen(u"abc"), 3u);
  EXPECT_EQ(kvn::wcslen(nullptr), 0u);
  const char16_t* s = u"abcabc";
  EXPECT_EQ(kvn::wcschr(s, u'c'), s + 2);
  EXPECT_EQ(kvn::wcschr(s, 0), s + 6);  // the terminator
  EXPECT_EQ(kvn::wcschr(s, u'z'), nullptr);
  EXPECT_EQ(kvn::wcspbrk(s, u"zc"), s + 2);
  EXPECT_EQ(kvn::wcspbrk(s, u"z"), nullptr);
  EXPECT_EQ(kvn::wcsspn(s, u"ab"), 2u);
  EXPECT_EQ(kvn::wcscmp(u"a", u"\uFFFF"), -1);  // by code unit, not sign-extended
  EXPECT_EQ(kvn::wcscmp(u"abc", u"ab"), 1);
  EXPECT_EQ(kvn::wcscmp(u"ab", u"ab"), 0);
  EXPECT_EQ(kvn::wcsncmp(u"abX", u"abY", 2), 0);
  EXPECT_EQ(kvn::wcsncmp(u"abX", u"abY", 3), -1);
  EXPECT_EQ(FindWideSubstring(s, u""), s);
  EXPECT_EQ(FindWideSubstring(s, u"ca"), s + 2);
  EXPECT_EQ(FindWideSubstring(s, u"cab!"), nullptr);
  EXPECT_EQ(CompareNoCaseW(u"Hello", u"hELLO"), 0);
  EXPECT_EQ(CompareNoCaseW(u"\u00E9", u"\u00C9"), 1);  // ASCII letters only
  EXPECT_EQ(CompareNoCaseNW(u"abcX", u"ABCY", 3), 0);

  char16_t buffer[4];
  EXPECT_EQ(CopyWideToBuffer(buffer, 4, u"abcdef"), 3u);
  EXPECT_EQ(kvn::wcscmp(buffer, u"abc"), 0);
  EXPECT_EQ(CopyWideToBuffer(buffer, 1, u"abc"), 0u);
  EXPECT_EQ(buffer[0], 0);
  FillWChars(buffer, u'z', 3);
  EXPECT_EQ(kvn::wcscmp(buffer, u"zzz"), 0);
  EXPECT_EQ(kvn::wcscmp(AsciiToUpperW(buffer), u"ZZZ"), 0);
  char16_t copy[8];
  kvn::wcscpy(copy, u"Mi\u00E9X");
  EXPECT_EQ(kvn::wcscmp(AsciiToLowerW(copy), u"mi\u00E9x"), 0);
}

// --- tables ------------------------------------------------------------------------------

TEST(UnicodeCase, UpperCaseTableInvariants) {
  std::size_t count = 0;
  const CasePair* table = UpperCaseTable(&count);
  ASSERT_GT(count, 900u);
  EXPECT_EQ(table[0].lower, 0x00E0);
  EXPECT_EQ(table[0].upper, 0x00C0);
  EXPECT_EQ(table[count - 1].lower, 0xFF5A);
  EXPECT_EQ(table[count - 1].upper, 0xFF3A);
  for (std::size_t i = 1; i < count; ++i) ASSERT_LT(table[i - 1].lower, table[i].lower) << i;
  for (std::size_t i = 0; i < count; ++i) {
    ASSERT_GE(table[i].upper, 0x80) << i;
    ASSERT_EQ(UpperCaseW(table[i].lower), table[i].upper);
  }
  EXPECT_EQ(UpperCaseW(u'q'), u'Q');
  EXPECT_EQ(UpperCaseW(u'Q'), 0);
  EXPECT_EQ(UpperCaseW(0x00B5), 0);  // below the table
  EXPECT_EQ(UpperCaseW(0x00FF), 0x0178);
  EXPECT_EQ(UpperCaseW(0x0131), 0);
  EXPECT_EQ(UpperCaseW(0x017F), 0);
  EXPECT_EQ(UpperCaseW(0x1F80), 0x1F88);  // ypogegrammeni -> prosgegrammeni
  EXPECT_EQ(UpperCaseW(0x1FF3), 0x1FFC);
  EXPECT_EQ(UpperCaseW(0x0430), 0x0410);
  EXPECT_EQ(UpperCaseW(0xFF5B), 0);
}

TEST(UnicodeCase, FoldTableInvariants) {
  std::size_t count = 0;
  const FoldEntry* table = FoldToAsciiTable(&count);
  ASSERT_GT(count, 300u);
  EXPECT_GE(table[0].wide, 0x00A0);
  EXPECT_LE(table[count - 1].wide, 0xFF5E);
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) {
      ASSERT_LT(table[i - 1].wide, table[i].wide) << i;
    }
    ASSERT_GE(table[i].ascii, 0x20) << i;
    ASSERT_LT(table[i].ascii, 0x7F) << i;
    ASSERT_EQ(table[i].zero, 0);
  }
  EXPECT_EQ(FoldToAsciiW(0x00A0), ' ');
  EXPECT_EQ(FoldToAsciiW(0x00A1), '!');
  EXPECT_EQ(FoldToAsciiW(0x00A2), 'c');
  for (char16_t c = 0x00C0; c <= 0x00C5; ++c) EXPECT_EQ(FoldToAsciiW(c), 'A') << int(c);
  EXPECT_EQ(FoldToAsciiW(0x00C7), 'C');
  EXPECT_EQ(FoldToAsciiW(0x00D1), 'N');
  EXPECT_EQ(FoldToAsciiW(0x0160), 'S');
  EXPECT_EQ(FoldToAsciiW(0x2019), '\'');
  EXPECT_EQ(FoldToAsciiW(0xFF5C), '|');
  EXPECT_EQ(FoldToAsciiW(0xFF5E), '~');
  EXPECT_EQ(FoldToAsciiW(u'A'), 0);  // outside the range
  EXPECT_EQ(FoldToAsciiW(0xFF5F), 0);
  EXPECT_EQ(FoldToAsciiW(0x4E00), 0);
}

TEST(WString, HeapIsReturned) {
  std::uint64_t before = GetAllocatedBytes();
  {
    WString a(u"0123456789abcdefghij");
    WString b = a;
    b.MakeUpper();
    b.InsertSub(3, b, 0, -1);
    WString c = WString::FromUtf8("\xF0\x9F\x98\x80 text");
    c.Append(b).Trim(WString::TrimMode::Both, u'0');
    a.Clear();
  }
  EXPECT_EQ(GetAllocatedBytes(), before);
}

}  // namespace
}  // namespace kvn
