// Key names: modifier order, the fixed and translated names, unknown keys.
#include <gtest/gtest.h>

#include "controls/KeyNames.h"
#include "foundation/LangTable.h"
#include "platform/ui/Messages.h"

namespace kvn {
namespace {

void SwitchLanguage(int index) {
  SetLanguageIndex(index);
  InvalidateLangTable();
  lang_testing::ClearLangStringCache();
}

WString Text(std::uint8_t flags, std::uint16_t key) {
  const TKeyBinding binding{flags, key};
  WString out;
  CKeyHelper(&binding).GetText(out);
  return out;
}

TEST(KeyNames, ModifiersComeInTheOrderCtrlShiftAlt) {
  SwitchLanguage(kLanguageEnglish);
  EXPECT_EQ(Text(kKeyAlt | kKeyShift | kKeyCtrl, 'O'), WString(u"Ctrl+Shift+Alt+O"));
  EXPECT_EQ(Text(kKeyAlt | kKeyShift, std::uint16_t(kVkF1 + 3)), WString(u"Shift+Alt+F4"));
  EXPECT_EQ(Text(kKeyCtrl, 'W'), WString(u"Ctrl+W"));
  EXPECT_EQ(Text(0, std::uint16_t(kVkAdd)), WString(u"Num +"));
  EXPECT_EQ(Text(0, std::uint16_t(kVkF1 + 11)), WString(u"F12"));
}

TEST(KeyNames, FixedNamesWhateverTheLayout) {
  EXPECT_EQ(Text(0, std::uint16_t(kVkNext)), WString(u"Page down"));
  EXPECT_EQ(Text(0, std::uint16_t(kVkPrior)), WString(u"Page up"));
  EXPECT_EQ(Text(kKeyShift, std::uint16_t(kVkDelete)), WString(u"Shift+Del"));
  EXPECT_EQ(Text(0, std::uint16_t(kVkInsert)), WString(u"Ins"));
  EXPECT_EQ(Text(0, std::uint16_t(kVkHome)), WString(u"Home"));
  EXPECT_EQ(Text(0, std::uint16_t(kVkEnd)), WString(u"End"));
}

TEST(KeyNames, ArrowsAreLanguageTexts) {
  SwitchLanguage(kLanguageEnglish);
  EXPECT_EQ(Text(kKeyCtrl, std::uint16_t(kVkLeft)), WString(u"Ctrl+Arrow left"));
  EXPECT_EQ(Text(0, std::uint16_t(kVkUp)), WString(u"Arrow up"));
  EXPECT_EQ(Text(0, std::uint16_t(kVkRight)), WString(u"Arrow right"));
  EXPECT_EQ(Text(0, std::uint16_t(kVkDown)), WString(u"Arrow down"));
  SwitchLanguage(kLanguageCzech);
  EXPECT_EQ(Text(0, std::uint16_t(kVkDown)), WString(u"Šipka dolů"));
  SwitchLanguage(kLanguageSlovak);
  EXPECT_EQ(Text(0, std::uint16_t(kVkLeft)), WString(u"Šípka vľavo"));
  SwitchLanguage(kLanguageEnglish);
}

TEST(KeyNames, UnknownKeyLeavesTheModifiersAlone) {
  EXPECT_EQ(Text(kKeyCtrl, 0xE8), WString(u"Ctrl+"));
  EXPECT_EQ(Text(0, 0), WString());
  WString out;
  CKeyHelper().GetText(out);
  EXPECT_TRUE(out.IsEmpty());
  // A key that is not the last is followed by '+'; an unknown one adds nothing.
  out = WString();
  CKeyHelper::KeyName(out, 'A', false);
  CKeyHelper::KeyName(out, 0xE8, false);
  EXPECT_EQ(out, WString(u"A+"));
}

TEST(KeyNames, KeyAssignRecordsTheComboAndPassesNavigationKeys) {
  CKeyAssign edit(nullptr, 100, 0, 0, 80, 20);
  EXPECT_FALSE(edit.KeyPressed(kVkTab, kKeyShift));
  EXPECT_FALSE(edit.KeyPressed(kVkEscape, 0));
  EXPECT_TRUE(edit.GetText().IsEmpty());
  EXPECT_TRUE(edit.KeyPressed('K', kKeyCtrl | kKeyAlt));
  EXPECT_EQ(edit.GetText(), WString(u"Ctrl+Alt+K"));
  // A modifier alone records key 0 with the modifiers held.
  EXPECT_TRUE(edit.KeyPressed(kVkShift, kKeyShift));
  EXPECT_EQ(edit.GetBinding(), (TKeyBinding{kKeyShift, 0}));
  EXPECT_EQ(edit.GetText(), WString(u"Shift+"));
  edit.ClearBinding();
  EXPECT_TRUE(edit.GetText().IsEmpty());
  edit.SetBinding({kKeyCtrl, std::uint16_t(kVkNext)});
  edit.SetModifier(kKeyShift, true);
  EXPECT_EQ(edit.GetBinding().flags, kKeyCtrl | kKeyShift);
}

}  // namespace
}  // namespace kvn
