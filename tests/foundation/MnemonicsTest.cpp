#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/Mnemonics.h"

namespace kvn {
namespace {

struct Write {
  void* handle;
  int position;
  int commandId;
  std::u16string text;
};

class RecordingTarget : public MnemonicTarget {
 public:
  void SetControlText(void* window, const WString& text) override {
    writes.push_back({window, -1, 0, std::u16string(text.View())});
  }
  void SetMenuItemText(void* menu, int position, int commandId, const WString& text) override {
    writes.push_back({menu, position, commandId, std::u16string(text.View())});
  }
  std::vector<std::u16string> Texts() const {
    std::vector<std::u16string> texts;
    for (const Write& w : writes) texts.push_back(w.text);
    return texts;
  }
  std::vector<Write> writes;
};

// A dialog list of the given texts, applied; the texts written back.
std::vector<std::u16string> ApplyDialog(const std::vector<std::u16string>& texts) {
  RecordingTarget target;
  MnemonicList list(MnemonicList::Mode::Dialog, target);
  for (const std::u16string& t : texts) list.AddControl(nullptr, WString(t.c_str()));
  list.Apply();
  return target.Texts();
}

using Texts = std::vector<std::u16string>;

// Concatenation without operator+, which GCC 12 warns about falsely (-Wrestrict).
std::u16string Cat(std::u16string_view a, std::u16string_view b) {
  std::u16string s(a);
  s.append(b);
  return s;
}

TEST(Mnemonics, MarkedLetterGivesWayWhenALaterItemNeedsIt) {
  EXPECT_EQ(ApplyDialog({u"&Open", u"&Options"}), (Texts{u"O&pen", u"&Options"}));
}

TEST(Mnemonics, UnmarkedItemsTakeTheirFirstFreeLetter) {
  EXPECT_EQ(ApplyDialog({u"Save", u"Save as"}), (Texts{u"&Save", u"S&ave as"}));
  // Case does not matter: 's' is held by "Save".
  EXPECT_EQ(ApplyDialog({u"Save", u"save all"}), (Texts{u"&Save", u"s&ave all"}));
}

TEST(Mnemonics, AFullyBlockedItemSendsTheSearchBackToTheDeepestHolder) {
  // "Fe": F is held by "File" (depth 0), e by "Edit" (depth 1): "Edit" moves on.
  EXPECT_EQ(ApplyDialog({u"File", u"Edit", u"Fe"}), (Texts{u"&File", u"E&dit", u"F&e"}));
}

TEST(Mnemonics, MarksBeforeNonLetters) {
  EXPECT_EQ(ApplyDialog({u"&1 File", u"&2 File", u"Close"}), (Texts{u"&1 File", u"&2 File", u"&Close"}));
  // "&&Save" is stored as "&Save" marked at 0, and written back with both.
  EXPECT_EQ(ApplyDialog({u"&&Save", u"Save"}), (Texts{u"&&Save", u"&Save"}));
  // Accented letters are candidates only after a mark.
  EXPECT_EQ(ApplyDialog({u"123", u"ÁÉ", u"&Čas"}), (Texts{u"123", u"ÁÉ", u"&Čas"}));
}

TEST(Mnemonics, AnItemWithoutLettersDoesNotStopTheOthers) {
  // Formerly the first item's failure ended the whole search as a success,
  // and nothing after it got a letter.
  EXPECT_EQ(ApplyDialog({u"123", u"Save", u"Open"}), (Texts{u"123", u"&Save", u"&Open"}));
  EXPECT_EQ(ApplyDialog({u"--", u"&Open", u"&Options", u"...", u"Print"}),
            (Texts{u"--", u"O&pen", u"&Options", u"...", u"P&rint"}));
}

TEST(Mnemonics, MoreItemsThanLettersStillEndsAndStaysDistinct) {
  Texts in;
  for (int i = 0; i < 40; ++i) in.push_back(Cat(u"Item ", std::u16string(1, char16_t(u'A' + i % 26))));
  Texts out = ApplyDialog(in);
  ASSERT_EQ(out.size(), in.size());
  std::u16string used;
  for (const std::u16string& t : out) {
    auto amp = t.find(u'&');
    if (amp == std::u16string::npos) continue;
    char16_t c = t[amp + 1];
    if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
    EXPECT_EQ(used.find(c), std::u16string::npos) << "letter given twice";
    used.push_back(c);
  }
  EXPECT_EQ(used.size(), 26u);
}

TEST(Mnemonics, ItemsThatDoNotTakePartLoseTheirMarkAndBlockNothing) {
  RecordingTarget target;
  MnemonicList list(MnemonicList::Mode::Menu, target);
  int menu = 0;
  list.AddMenuItem(&menu, 0, 101, WString(u"&Open"), false);
  list.AddMenuItem(&menu, 1, 102, WString(u"&Other"), true);
  list.AddMenuItem(&menu, 2, -1, WString(u"Recent files"), true);
  list.Apply();
  ASSERT_EQ(target.writes.size(), 3u);
  EXPECT_EQ(target.writes[0].text, u"Open");
  EXPECT_EQ(target.writes[1].text, u"&Other");
  EXPECT_EQ(target.writes[2].text, u"&Recent files");
  // Menu entries are written by position, submenu entries with command id -1.
  EXPECT_EQ(target.writes[2].handle, &menu);
  EXPECT_EQ(target.writes[2].position, 2);
  EXPECT_EQ(target.writes[2].commandId, -1);
  EXPECT_EQ(target.writes[1].commandId, 102);
}

TEST(Mnemonics, EmptyTextsAreWrittenBackAndSkipped) {
  EXPECT_EQ(ApplyDialog({u"", u"&", u"Open"}), (Texts{u"", u"", u"&Open"}));
}

TEST(Mnemonics, LimitsLeaveItemsWithoutAcceleratorInsteadOfOverflowing) {
  std::u16string longText(kMaxMnemonicText + 1, u'x');
  std::u16string fits(kMaxMnemonicText, u'y');
  Texts out = ApplyDialog({Cat(u"&", longText), fits});
  EXPECT_EQ(out[0], longText);
  EXPECT_EQ(out[1], Cat(u"&", fits));

  // Each item marks a character of its own, so only the limit stops them.
  Texts many;
  for (int i = 0; i < kMaxMnemonicItems + 20; ++i) many.push_back(Cat(u"&", std::u16string(1, char16_t(0x100 + i))));
  out = ApplyDialog(many);
  for (int i = 0; i < kMaxMnemonicItems + 20; ++i) {
    std::u16string expected = i < kMaxMnemonicItems ? many[std::size_t(i)] : many[std::size_t(i)].substr(1);
    ASSERT_EQ(out[std::size_t(i)], expected) << i;
  }
}

TEST(Mnemonics, ConflictTextNamesTheFailingItem) {
  RecordingTarget target;
  MnemonicList list(MnemonicList::Mode::Dialog, target);
  list.AddControl(nullptr, WString(u"A"));
  list.AddControl(nullptr, WString(u"a"));
  std::array<char16_t, kMaxMnemonicItems> stack{};
  stack[0] = u'A';
  const WString* conflict = nullptr;
  // With 'A' already held at depth 0, the item "a" (index 1) cannot go on.
  EXPECT_EQ(list.AssignMnemonics(1, stack, 1, &conflict), 0);
  ASSERT_NE(conflict, nullptr);
  EXPECT_EQ(std::u16string(conflict->View()), u"a");
}

}  // namespace
}  // namespace kvn
