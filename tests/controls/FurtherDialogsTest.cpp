// The character picker's sets and the pop-up list's entries, without
// windows.
#include <gtest/gtest.h>

#include <algorithm>

#include "controls/CharacterPicker.h"
#include "controls/TrackDialog.h"

namespace kvn {
namespace {

TEST(CharacterPicker, SetsAndTheSymbolFontRange) {
  // Without the set choice: 32 to 127, then the symbol fonts' 0xF080 to 0xF0FF.
  const std::u16string plain = CharacterSetText(-1);
  ASSERT_EQ(plain.size(), 96u + 128u);
  EXPECT_EQ(plain.front(), u' ');
  EXPECT_EQ(plain[95], char16_t(127));
  EXPECT_EQ(plain[96], char16_t(0xF080));
  EXPECT_EQ(plain.back(), char16_t(0xF0FF));

  // Every set is non-empty, sorted and without repeats.
  for (int set = 0; set < kCharacterSetCount; ++set) {
    const std::u16string text = CharacterSetText(set);
    EXPECT_FALSE(text.empty()) << set;
    EXPECT_TRUE(std::is_sorted(text.begin(), text.end())) << set;
    EXPECT_EQ(std::adjacent_find(text.begin(), text.end()), text.end()) << set;
  }
  // Mathematical operators: the block U+2200 to U+22FF.
  EXPECT_EQ(CharacterSetText(0).size(), 256u);
  EXPECT_NE(CharacterSetText(1).find(u'\u00BD'), std::u16string::npos);  // one half
  EXPECT_NE(CharacterSetText(2).find(u'\u00B2'), std::u16string::npos);  // superscript two
  EXPECT_NE(CharacterSetText(3).find(u'\u2026'), std::u16string::npos);  // ellipsis
  // Greek: 24 capitals (no final-sigma capital), 25 small letters with final sigma.
  EXPECT_EQ(CharacterSetText(4).size(), 24u);
  EXPECT_EQ(CharacterSetText(4).find(u'\u03A2'), std::u16string::npos);
  EXPECT_EQ(CharacterSetText(5).size(), 25u);
  EXPECT_TRUE(CharacterSetText(6).empty());
}

TEST(TrackDialog, LongStringsShowEmptyAndTabsBecomeBlanks) {
  const WString longest(std::u16string(300, u'x'));
  const WString tooLong(std::u16string(301, u'x'));
  const std::vector<WString> strings = {WString(u"a\tb"), longest, tooLong, WString(u"end")};
  const std::vector<WString> items = TrackItems(strings);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0], WString(u"a b"));
  EXPECT_EQ(items[1].Length(), 300);
  EXPECT_TRUE(items[2].IsEmpty());
  EXPECT_EQ(items[3], WString(u"end"));
  // Joined by TABs: the empty entry keeps its place.
  const WString text = TrackItemText(strings);
  EXPECT_EQ(text.Length(), 3 + 1 + 300 + 1 + 0 + 1 + 3);
  // A single string too long is still one (empty) entry.
  EXPECT_EQ(TrackItems({tooLong}).size(), 1u);
}

}  // namespace
}  // namespace kvn
