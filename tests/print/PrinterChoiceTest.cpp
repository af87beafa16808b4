#include <gtest/gtest.h>

#include "foundation/Registry.h"
#include "print/PrinterData.h"
#include "tests/print/FakeSpooler.h"

namespace kvn {
namespace {

using test::DefaultsFor;
using test::FakeQueue;
using test::Medium;

class PrinterChoiceTest : public ::testing::Test, public test::PrinterTestBase {
 protected:
  void SetUp() override {
    for (const char* name : {"Office", "TEST", "t\xc3\xa9st", "Letter"}) {
      FakeQueue q;
      q.name = name;
      q.media = {Medium("iso_a4_210x297mm", "A4", 21000, 29700, 500, 500, 500, 500),
                 Medium("iso_a3_297x420mm", "A3", 29700, 42000)};
      q.defaults = DefaultsFor("iso_a4_210x297mm", 300);
      spooler.queues.push_back(q);
    }
    spooler.defaultIndex = 3;
  }
  static void SetValue(const char16_t* name, const WString& value) {
    RegWriteKey(kHkeyCurrentUser, WString(kProgramRegistryKey)).SetString(name, value);
  }
  static void SetDword(const char16_t* name, std::uint32_t value) {
    RegWriteKey(kHkeyCurrentUser, WString(kProgramRegistryKey)).SetDword(name, value);
  }
  static WString GetValue(const char16_t* name) {
    return RegReadKey(kHkeyCurrentUser, WString(kProgramRegistryKey)).GetString(name, WString(u"<none>"));
  }
};

TEST_F(PrinterChoiceTest, ListTheSpoolersQueuesWithItsDefault) {
  LoadPrinterList();
  ASSERT_EQ(GetPrinterList().Count(), 4);
  EXPECT_EQ(GetPrinterList().defaultIndex, 3);
  EXPECT_EQ(GetPrinterDisplayName(2), u"t\u00e9st");
  EXPECT_TRUE(GetPrinterDisplayName(4).IsEmpty());
  EXPECT_TRUE(GetPrinterDisplayName(-1).IsEmpty());
}

TEST_F(PrinterChoiceTest, SavedNameElseDefaultElseFirst) {
  EXPECT_EQ(PrinterChoice(WString(u"test")).index, 1);  // case-blind, first match
  EXPECT_EQ(PrinterChoice(WString(u"TÉST")).index, 1);  // accent-blind: TEST comes first
  EXPECT_EQ(PrinterChoice(WString(u"Gone")).index, 3);
  ResetPrinters();
  spooler.defaultIndex = -1;
  PrinterChoice first(WString(u"Gone"));
  EXPECT_EQ(first.index, 0);
  first.index = 17;
  EXPECT_EQ(first.GetPrinter(), GetPrinterList().At(0));
  EXPECT_EQ(first.index, 0);
}

TEST_F(PrinterChoiceTest, NoServerNoPrinterA4Defaults) {
  spooler.serverUp = false;
  PrinterChoice choice(WString(u"TEST"));
  EXPECT_EQ(choice.index, -1);
  EXPECT_EQ(choice.GetPrinter(), nullptr);
  MyPrinterDataStruct__ r;
  r.Update(choice.GetPrinter());
  EXPECT_EQ(r.printableWidth, 195);
}

TEST_F(PrinterChoiceTest, RememberedConfigurationOnlyForTheSamePrinter) {
  SetDword(u"PRINT_SAVE_SET_1110", 1);
  LoadPrinterList();
  PrinterInfo* test = GetPrinterList().At(1);
  PrinterSettings changed = *test->GetDevMode();
  changed.paperSize = 8;
  changed.media = "iso_a3_297x420mm";
  test->ReplaceDevMode(changed);
  SavePrinterConfig(*test, true);
  EXPECT_EQ(GetValue(u"PrinterConfigName"), u"TEST");

  // Another printer chosen: not applied, and the name is forgotten.
  ResetPrinters();
  PrinterChoice office(WString(u"Office"));
  EXPECT_EQ(GetPrinterList().At(1)->GetDevMode()->paperSize, 9);
  EXPECT_EQ(GetValue(u"PrinterConfigName"), u"<none>");

  // The same printer: applied.
  SavePrinterConfig(*GetPrinterList().At(1), false);
  GetPrinterList().At(1)->ReplaceDevMode(changed);
  SavePrinterConfig(*GetPrinterList().At(1), true);
  ResetPrinters();
  PrinterChoice same(WString(u"TEST"));
  EXPECT_EQ(GetPrinterList().At(1)->GetDevMode()->paperSize, 8);
  MyPrinterDataStruct__ r;
  r.Update(same.GetPrinter());
  EXPECT_DOUBLE_EQ(r.paperHeight, 420);
}

TEST_F(PrinterChoiceTest, ADamagedConfigurationIsIgnoredAndForgotten) {
  SetDword(u"PRINT_SAVE_SET_1110", 1);
  SetValue(u"PrinterConfigName", WString(u"TEST"));
  std::vector<std::uint8_t> bytes = DefaultsFor("iso_a3_297x420mm").Serialize();
  bytes.pop_back();  // one byte short
  RegWriteKey(kHkeyCurrentUser, WString(kProgramRegistryKey))
      .SetBinary(u"PrinterConfigData", bytes.data(), std::uint32_t(bytes.size()));
  PrinterChoice choice(WString(u"TEST"));
  EXPECT_EQ(choice.GetPrinter()->GetDevMode()->media, "iso_a4_210x297mm");
  EXPECT_EQ(GetValue(u"PrinterConfigName"), u"<none>");
}

TEST_F(PrinterChoiceTest, ChosenPrinterSingletonFollowsTheSavedName) {
  SetValue(u"PRINTER_NAME_1110", WString(u"TEST"));
  EXPECT_EQ(GetChosenPrinter().index, 1);
  GetChosenPrinter().index = 0;
  SaveChosenPrinter();
  EXPECT_EQ(GetValue(u"PRINTER_NAME_1110"), u"Office");
  FreeChosenPrinter();
  EXPECT_EQ(GetChosenPrinter().index, 0);
}

}  // namespace
}  // namespace kvn
