#include "foundation/AString.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/CountingAlloc.h"

namespace kvn {
namespace {

TEST(AString, CopySharesUntilOneSideWrites) {
  AString a("hello");
  const char* buffer = a.CStr();
  AString b = a;
  EXPECT_EQ(b.CStr(), buffer);  // one representation
  b.AppendChar('!');
  EXPECT_EQ(a, "hello");
  EXPECT_EQ(b, "hello!");
  EXPECT_EQ(a.CStr(), buffer);  // the first string keeps its buffer
  EXPECT_NE(b.CStr(), buffer);

  AString c = a;
  *c.WritableAt(0) = 'j';
  EXPECT_EQ(a, "hello");
  EXPECT_EQ(c, "jello");
  EXPECT_EQ(c.WritableAt(5), nullptr);
  EXPECT_EQ(c.WritableAt(-1), nullptr);
}

TEST(AString, EmptyStringsShareOneRepresentationThatIsNeverWritten) {
  AString a, b("");
  AString c(nullptr);
  EXPECT_EQ(a.CStr(), b.CStr());
  EXPECT_EQ(a.CStr(), c.CStr());
  EXPECT_EQ(a.Capacity(), 15);
  char* data = c.Data();  // a private buffer even for the empty string
  EXPECT_NE(data, a.CStr());
  data[0] = 'x';
  EXPECT_EQ(a.CStr()[0], '\0');
  EXPECT_TRUE(a.IsEmpty());
}

TEST(AString, CapacityRules) {
  EXPECT_EQ(AString("abc").Capacity(), 15);
  AString s("0123456789");
  EXPECT_EQ(s.Capacity(), 15);
  s.AppendCStr("abcdefghijklmnopqrst");  // 30 needed: max(2 x 15, 30)
  EXPECT_EQ(s.Length(), 30);
  EXPECT_EQ(s.Capacity(), 30);
  s.AppendChar('x');
  EXPECT_EQ(s.Capacity(), 60);  // doubling
  s.Erase(0, 25);
  EXPECT_EQ(s.Capacity(), 60);  // never shrinks

  AString big("0123456789012345678901234567890123456789");
  AString part(big, 2, 20);
  EXPECT_EQ(part.Capacity(), 20);
  AString small(big, 2, 3);
  EXPECT_EQ(small.Capacity(), 15);
}

TEST(AString, SubstringsCutToTheString) {
  AString s("abcdef");
  EXPECT_EQ(AString(s, 0, 100).CStr(), s.CStr());  // whole: shared
  EXPECT_EQ(AString(s, 0, -1).CStr(), s.CStr());
  EXPECT_EQ(AString(s, 2, 100), "cdef");
  EXPECT_EQ(AString(s, 10, 2), "");
  EXPECT_EQ(AString(s, -3, 2), "ab");
  EXPECT_EQ(s.Mid(1, 2), "bc");
  EXPECT_EQ(s.Mid(4), "ef");
  EXPECT_EQ(s.TailFrom(3), "def");
  EXPECT_EQ(s.TailFrom(6), "");

  // The source is read only up to pos + count: no terminator needed.
  const char unterminated[3] = {'x', 'y', 'z'};
  EXPECT_EQ(AString(unterminated, 1, 2), "yz");
  EXPECT_EQ(AString("ab", 1, 10), "b");
  EXPECT_EQ(AString("ab", 5, 1), "");
  EXPECT_EQ(AString(nullptr, 0, 3), "");
}

TEST(AString, AssignAppendInsertWithNullAndSelf) {
  AString s("abc");
  s.AppendCStr(nullptr).AppendRepeat('x', 0).AppendRepeat('y', -1);
  EXPECT_EQ(s, "abc");
  s.Append(s);
  EXPECT_EQ(s, "abcabc");
  s.AppendCStr(s.CStr() + 4);
  EXPECT_EQ(s, "abcabcbc");
  s.Insert(1, s.CStr());  // the source moves when the buffer grows
  EXPECT_EQ(s, "aabcabcbcbcabcbc");
  s = s;  // NOLINT: self-assignment is harmless
  EXPECT_EQ(s.Length(), 16);
  s.AssignCStr(s.CStr() + 10);
  EXPECT_EQ(s, "cabcbc");
  s.AssignCStr(nullptr);
  EXPECT_TRUE(s.IsEmpty());

  AString t("mid");
  t.PrependCStrSub("<<<", 1, 5).AppendRepeat('>', 2).Insert(100, "!").InsertSub(-4, AString("0123"), 1, 2);
  EXPECT_EQ(t, "12<<mid>>!");
  t.AppendCStrSub("abcdef", 2, 2);
  EXPECT_EQ(t, "12<<mid>>!cd");
  AString u;
  u.AssignSub(t, 2, 3);
  EXPECT_EQ(u, "<<m");
  EXPECT_EQ(ConcatAStringCStr(u, nullptr), "<<m");
  EXPECT_EQ(ConcatCStrAString("x", u), "x<<m");
  EXPECT_EQ(ConcatCStrAString(nullptr, AString()).Capacity(), 15);
}

TEST(AString, EraseReplaceClampCounts) {
  AString s("abcdef");
  s.Erase(4, 100);
  EXPECT_EQ(s, "abcd");
  s.Erase(1, -1);
  EXPECT_EQ(s, "a");
  s.Erase(5, 1);
  EXPECT_EQ(s, "a");
  AString r("hello world");
  r.Replace(6, 100, "there");
  EXPECT_EQ(r, "hello there");
  r.Replace(0, 5, nullptr);
  EXPECT_EQ(r, " there");
  r.Replace(-2, 1, "T");
  EXPECT_EQ(r, "Tthere");
}

TEST(AString, ClearResizeTrim) {
  AString s("0123456789012345678901");
  int cap = s.Capacity();
  s.Clear();  // private: keeps its buffer
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(s.Capacity(), cap);
  AString shared("abc");
  AString copy = shared;
  copy.Clear();  // shared: takes the static empty one
  EXPECT_EQ(copy.CStr(), AString().CStr());
  EXPECT_EQ(shared, "abc");

  AString r("ab");
  r.Resize(5);
  EXPECT_EQ(r, "ab   ");
  AString before = r;
  r.Resize(1);
  EXPECT_EQ(r, "a");
  EXPECT_EQ(before, "ab   ");
  r.Resize(-7);
  EXPECT_TRUE(r.IsEmpty());

  AString spaces("   ");
  EXPECT_TRUE(spaces.Trim(AString::TrimMode::Trailing).IsEmpty());
  AString x("xxabcxx");
  EXPECT_EQ(AString(x).Trim(AString::TrimMode::Leading, 'x'), "abcxx");
  EXPECT_EQ(AString(x).Trim(AString::TrimMode::Trailing, 'x'), "xxabc");
  EXPECT_EQ(AString(x).Trim(AString::TrimMode::Both, 'x'), "abc");
  EXPECT_EQ(x, "xxabcxx");
}

TEST(AString, CaseIsAsciiOnly) {
  AString s("ab\xE9Z1");
  AString copy = s;
  EXPECT_EQ(s.UpperCopy(), "AB\xE9Z1");
  EXPECT_EQ(s.MakeLower(), 5);
  EXPECT_EQ(s, "ab\xE9z1");
  EXPECT_EQ(copy, "ab\xE9Z1");
  AString upper("ABC");
  const char* buffer = upper.CStr();
  AString keep = upper;
  upper.MakeUpper();  // nothing to change: stays shared
  EXPECT_EQ(upper.CStr(), buffer);
}

TEST(AString, Search) {
  AString s("Hello World, hello");
  EXPECT_EQ(s.Find("hello"), 13);
  EXPECT_EQ(s.Find("hello", false), 0);
  EXPECT_EQ(s.FindEx("HELLO", 1, false), 13);
  EXPECT_EQ(s.ReverseFind("o"), 17);
  EXPECT_EQ(s.ReverseFindEx("o", 16), 7);
  EXPECT_EQ(s.ReverseFindEx("HELLO", 12, false), 0);
  EXPECT_TRUE(s.Contains("WORLD", false));
  EXPECT_FALSE(s.Contains("WORLD"));
  EXPECT_EQ(s.Find(nullptr), -1);
  EXPECT_FALSE(s.Contains(nullptr));
  EXPECT_EQ(s.FindEx("", 5), 0);
  EXPECT_EQ(s.FindEx("o", s.Length()), -1);
  EXPECT_EQ(s.FindEx("hello!", 13), -1);
  int n = 0;
  EXPECT_EQ(s.FindCStrAt("llo", 3, &n), 15);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(s.ReverseFindCStrAt("llo", 14, &n), 2);

  EXPECT_EQ(s.FindChar('o'), 4);
  EXPECT_EQ(s.FindCharFrom('o', 5), 7);
  EXPECT_EQ(s.FindCharFrom('o', s.Length()), -1);
  EXPECT_EQ(s.ReverseFindChar('H'), 0);
  EXPECT_EQ(s.ReverseFindChar('z'), -1);
  EXPECT_EQ(s.FindAnyOf(",!", 0), 11);
  EXPECT_EQ(s.FindAnyOf(nullptr, 0), -1);
  EXPECT_EQ(s.FindLastOf("lo", 12), 9);
  EXPECT_EQ(s.FindLastOf("H", 0), -1);
  EXPECT_EQ(s.FindLastNotOf("lo", -1), 14);
  EXPECT_EQ(AString("aaa").FindLastNotOf("a", 3), -1);
}

TEST(AStringDeathTest, LengthPastThirtyTwoBitsIsAnAllocationFailure) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  AString s("x");
  EXPECT_EXIT(s.Reserve(std::int64_t(1) << 32), testing::ExitedWithCode(kOutOfMemoryExitCode), "");
  EXPECT_EXIT(s.AppendRepeat('y', 0x7FFFFFFF), testing::ExitedWithCode(kOutOfMemoryExitCode), "");
}

TEST(AString, HeapIsReturned) {
  std::uint64_t before = GetAllocatedBytes();
  {
    AString a("some text that is longer than fifteen");
    AString b = a;
    b.AppendRepeat('z', 100);
    AString c = b.Mid(3, 50);
    c.Insert(2, c.CStr());
    a.Clear();
    a = c;
  }
  EXPECT_EQ(GetAllocatedBytes(), before);
}

}  // namespace
}  // namespace kvn
