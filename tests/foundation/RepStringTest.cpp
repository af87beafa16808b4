// The copy-on-write core shared by AString and WString, run through both
// classes against a plain std::basic_string model.
#include "foundation/RepString.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "foundation/AString.h"
#include "foundation/CountingAlloc.h"
#include "foundation/WString.h"

namespace kvn {
namespace {

template <class S>
using CharOf = std::remove_cvref_t<decltype(*S().CStr())>;

template <class S>
std::basic_string<CharOf<S>> Widen(std::string_view ascii) {
  return {ascii.begin(), ascii.end()};
}

// The argument rule of every (pos, count) pair: pos into [0, length], a
// negative count or one past the end to the rest.
void Clamp(std::size_t length, int& pos, int& count) {
  pos = std::clamp(pos, 0, int(length));
  int rest = int(length) - pos;
  if (count < 0 || count > rest) count = rest;
}

template <class S>
class RepStringTest : public testing::Test {};
using StringTypes = testing::Types<AString, WString>;
TYPED_TEST_SUITE(RepStringTest, StringTypes);

// Seeded random edits, many of them taking their source from the string
// itself, with copies kept aside that must never see a later edit.
TYPED_TEST(RepStringTest, RandomEditsMatchTheModelAndLeaveCopiesAlone) {
  using S = TypeParam;
  using C = CharOf<S>;
  using Model = std::basic_string<C>;
  const std::vector<Model> pieces = {Widen<S>(""), Widen<S>("a"), Widen<S>("xy"), Widen<S>(" pad "),
                                     Widen<S>("0123456789abcdefghij"), Widen<S>("Qx x")};
  std::uint64_t heapBefore = GetAllocatedBytes();
  {
    S s;
    Model m;
    std::vector<std::pair<S, Model>> copies;
    std::uint32_t seed = 2024;
    auto next = [&seed](int n) {
      seed = seed * 1103515245u + 12345u;
      return int((seed >> 16) % std::uint32_t(n));
    };
    for (int step = 0; step < 4000; ++step) {
      const Model& piece = pieces[std::size_t(next(int(pieces.size())))];
      int len = int(m.size());
      int pos = next(len + 5) - 2, count = next(len + 5) - 2;
      switch (next(12)) {
        case 0:
          s.AppendCStr(piece.c_str());
          m += piece;
          break;
        case 1:
          s.Insert(pos, piece.c_str());
          m.insert(std::size_t(std::clamp(pos, 0, len)), piece);
          break;
        case 2:
          s.Erase(pos, count);
          Clamp(m.size(), pos, count);
          m.erase(std::size_t(pos), std::size_t(count));
          break;
        case 3: {
          bool null = next(4) == 0;
          s.Replace(pos, count, null ? nullptr : piece.c_str());
          Clamp(m.size(), pos, count);
          m.replace(std::size_t(pos), std::size_t(count), null ? Model() : piece);
          break;
        }
        case 4: {
          int at = next(len + 3) - 1;
          s.InsertSub(at, s, pos, count);
          Clamp(m.size(), pos, count);
          m.insert(std::size_t(std::clamp(at, 0, len)), m.substr(std::size_t(pos), std::size_t(count)));
          break;
        }
        case 5:
          s.AppendSub(s, pos, count);
          Clamp(m.size(), pos, count);
          m += m.substr(std::size_t(pos), std::size_t(count));
          break;
        case 6:
          s.Resize(count);
          m.resize(std::size_t(std::max(count, 0)), C(' '));
          break;
        case 7: {
          auto mode = typename S::TrimMode(next(3));
          C c = next(2) ? C(' ') : C('x');
          s.Trim(mode, c);
          std::size_t begin = mode == S::TrimMode::Trailing ? 0 : m.find_first_not_of(c);
          std::size_t end = mode == S::TrimMode::Leading ? m.size() : m.find_last_not_of(c) + 1;
          m = begin == Model::npos ? Model() : m.substr(begin, end - begin);
          break;
        }
        case 8:
          s.AssignSub(s, pos, count);
          Clamp(m.size(), pos, count);
          m = m.substr(std::size_t(pos), std::size_t(count));
          break;
        case 9:
          s.AppendRepeat(C('-'), count);
          m.append(std::size_t(std::max(count, 0)), C('-'));
          break;
        case 10:
          s.MakeUpper();
          for (C& c : m) c = c >= C('a') && c <= C('z') ? C(c - 32) : c;
          break;
        default:
          if (copies.size() < 6) copies.emplace_back(s, m);
          if (next(8) == 0) {
            s.Clear();
            m.clear();
          }
          break;
      }
      ASSERT_EQ(s.View(), m) << "step " << step;
      ASSERT_EQ(s.CStr()[s.Length()], C(0)) << "step " << step;
      ASSERT_GE(s.Capacity(), std::max(s.Length(), 15)) << "step " << step;
      if (m.size() > 300) {
        s.Erase(0, 200);
        m.erase(0, 200);
      }
    }
    for (const auto& [copy, model] : copies) EXPECT_EQ(copy.View(), model);
  }
  EXPECT_EQ(GetAllocatedBytes(), heapBefore);
}

// Set searches: a 0 unit in the string belongs to no set, so "not in the
// set" finds it and "in the set" passes it, in both classes alike.
TYPED_TEST(RepStringTest, ZeroUnitsBelongToNoSet) {
  using S = TypeParam;
  using C = CharOf<S>;
  S s(Widen<S>("a_a").c_str());
  s.Data()[1] = C(0);
  const auto a = Widen<S>("a");
  EXPECT_EQ(s.FindAnyOf(a.c_str(), 1), 2);
  EXPECT_EQ(s.FindLastOf(a.c_str(), 2), 0);
  EXPECT_EQ(s.FindAnyOf(Widen<S>("").c_str(), 0), -1);
  if constexpr (std::is_same_v<S, WString>) {
    EXPECT_EQ(s.FindFirstNotOf(a.c_str(), 0), 1);
  } else {
    EXPECT_EQ(s.FindLastNotOf(a.c_str(), -1), 1);
  }
}

TYPED_TEST(RepStringTest, AssignUnitsReusesItsOwnBufferAndLeavesCopiesAlone) {
  using S = TypeParam;
  using C = CharOf<S>;
  const std::basic_string<C> longer = Widen<S>(std::string("a long text\0with a zero", 24));
  S s;
  s.AssignUnits(longer.data(), std::uint32_t(longer.size()));
  EXPECT_EQ(s.View(), longer);
  const C* buffer = s.CStr();
  const std::uint64_t allocated = GetAllocatedBytes();
  const auto shorter = Widen<S>("short");
  s.AssignUnits(shorter.data(), std::uint32_t(shorter.size()));
  EXPECT_EQ(s.View(), shorter);
  EXPECT_EQ(s.CStr()[shorter.size()], C(0));
  EXPECT_EQ(s.CStr(), buffer);
  EXPECT_EQ(GetAllocatedBytes(), allocated);
  // A shared representation is not written through.
  S copy = s;
  s.AssignUnits(longer.data(), std::uint32_t(longer.size()));
  EXPECT_EQ(copy.View(), shorter);
  EXPECT_EQ(s.View(), longer);
  // Its own units, and none.
  s.AssignUnits(s.CStr() + 2, 4);
  EXPECT_EQ(s.View(), longer.substr(2, 4));
  s.AssignUnits(nullptr, 3);
  EXPECT_TRUE(s.IsEmpty());
  s.AssignUnits(shorter.data(), 0);
  EXPECT_TRUE(s.IsEmpty());
}

TYPED_TEST(RepStringTest, EqualityByContentOrByRepresentation) {
  using S = TypeParam;
  S a(Widen<S>("same").c_str()), b(Widen<S>("same").c_str());
  S shared = a;
  EXPECT_NE(a.CStr(), b.CStr());
  EXPECT_TRUE(a == b);
  EXPECT_TRUE(a == shared);
  b.AppendChar(CharOf<S>('!'));
  EXPECT_FALSE(a == b);
  EXPECT_TRUE(S() == nullptr);
}

TEST(RepString, EachClassHasItsOwnCaseRule) {
  // ASCII only for code-page text: E9 and C9 are not a pair there.
  AString a("caf\xE9 CAF\xC9");
  EXPECT_EQ(a.Find("caf\xC9", false), 5);
  EXPECT_EQ(a.Find("cAf", false), 0);
  EXPECT_EQ(AString(a).MakeUpper(), "CAF\xE9 CAF\xC9");
  WString w(u"caf\u00E9 CAF\u00C9");
  EXPECT_EQ(w.Find(u"CAF\u00C9", false), 0);
  EXPECT_EQ(w.ReverseFind(u"caf\u00E9", false), 5);
  EXPECT_EQ(WString(w).MakeUpper(), u"CAF\u00C9 CAF\u00C9");
}

template <class S>
concept OffersPrependChar = requires(S s) { s.PrependChar(CharOf<S>('x')); };
template <class S>
concept OffersFindFirstNotOf = requires(S s, const CharOf<S>* set) { s.FindFirstNotOf(set); };
template <class S>
concept OffersFindLastNotOf = requires(S s, const CharOf<S>* set) { s.FindLastNotOf(set, 0); };
template <class S>
concept OffersEquals = requires(S s) { s.Equals(s); };

TEST(RepString, EachClassOffersOnlyItsOwnMembers) {
  // The shared core holds these once; only the class that had them shows them.
  static_assert(OffersPrependChar<WString> && !OffersPrependChar<AString>);
  static_assert(OffersFindFirstNotOf<WString> && !OffersFindFirstNotOf<AString>);
  static_assert(OffersFindLastNotOf<AString> && !OffersFindLastNotOf<WString>);
  static_assert(OffersEquals<WString> && !OffersEquals<AString>);
  // Still one pointer, copied without a throw, and edits chain on the caller's type.
  static_assert(sizeof(AString) == sizeof(void*) && sizeof(WString) == sizeof(void*));
  static_assert(std::is_nothrow_copy_constructible_v<AString> && std::is_nothrow_move_constructible_v<WString>);
  static_assert(std::is_same_v<decltype(AString().Append(AString())), AString&>);
  static_assert(std::is_same_v<decltype(WString().Mid(1)), WString>);
}

}  // namespace
}  // namespace kvn
