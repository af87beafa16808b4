// The printer data against a real CUPS server (tests/print/cupsd-fixture.sh
// starts one with this build's queues, one A4 and one US Letter, both
// cups-pdf; test::CupsTestQueue and test::CupsLetterQueue name them).
// Without a server these tests skip; with CI=true they fail.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <locale>
#include <sstream>
#include <string>

#include "foundation/Registry.h"
#include "print/PrinterData.h"
#include "tests/print/FakeSpooler.h"
#include "tests/support/TestQueues.h"

namespace kvn {
namespace {

std::string RunCommand(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return out;
  std::array<char, 512> buffer{};
  while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe.get())) out += buffer.data();
  return out;
}

bool ServerRunning() { return RunCommand("lpstat -r 2>/dev/null").find("is running") != std::string::npos; }

#define KVN_REQUIRE_CUPS()                                                                             \
  do {                                                                                                 \
    if (!ServerRunning()) {                                                                            \
      const char* ci = std::getenv("CI");                                                              \
      if (ci && std::string(ci) == "true") FAIL() << "no CUPS server, and CI=true: printing must be tested"; \
      GTEST_SKIP() << "no CUPS server: run tests/print/cupsd-fixture.sh start <folder> as root";      \
    }                                                                                                  \
  } while (0)

// The real spooler, a settings folder of the test's own, fresh printer globals.
class CupsPrintersTest : public ::testing::Test, public test::PrinterTestBase {
 protected:
  CupsPrintersTest() : cups_(MakeCupsSpooler()), override_(*cups_) {}
  std::unique_ptr<Spooler> cups_;
  ScopedSpoolerOverride override_;
};

TEST_F(CupsPrintersTest, TheListIsEveryQueueOfTheServerWithItsDefault) {
  KVN_REQUIRE_CUPS();
  LoadPrinterList();
  std::istringstream lines(RunCommand("lpstat -e"));
  std::vector<std::string> expected;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) expected.push_back(line);
  }
  std::vector<std::string> ours;
  for (int i = 0; i < GetPrinterList().Count(); ++i) ours.push_back(GetPrinterList().At(i)->QueueName());
  EXPECT_EQ(ours, expected);
  const std::string d = RunCommand("lpstat -d");
  const std::string marker = "system default destination: ";
  if (std::size_t at = d.find(marker); at != std::string::npos) {
    std::istringstream rest(d.substr(at + marker.size()));
    std::string name;
    rest >> name;
    ASSERT_GE(GetPrinterList().defaultIndex, 0);
    EXPECT_EQ(GetPrinterDisplayName(GetPrinterList().defaultIndex).ToUtf8(), name);
  } else {
    EXPECT_EQ(GetPrinterList().defaultIndex, -1);
  }
}

// The PPD's A4 margins in millimetres (left, top, right, bottom).
Margins PpdA4Margins() {
  std::ifstream ppd("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
  std::string line;
  double area[4] = {}, dim[2] = {};
  // The numbers between the quotes of a line that starts with `key`.
  auto values = [](const std::string& text, const std::string& key, double* out, int n) {
    if (text.rfind(key, 0) != 0) return;
    const std::size_t open = text.find('"');
    if (open == std::string::npos) return;
    std::istringstream in(text.substr(open + 1));
    in.imbue(std::locale::classic());
    for (int i = 0; i < n; ++i) in >> out[i];
  };
  while (std::getline(ppd, line)) {
    values(line, "*ImageableArea A4/", area, 4);
    values(line, "*PaperDimension A4/", dim, 2);
  }
  const double k = 25.4 / 72;
  return {area[0] * k, (dim[1] - area[3]) * k, (dim[0] - area[2]) * k, area[1] * k};
}

TEST_F(CupsPrintersTest, TestQueueOffersA4WithItsPpdMargins) {
  KVN_REQUIRE_CUPS();
  LoadPrinterList();
  const int index = FindPrinterIndex(WString::FromUtf8(test::CupsTestQueue()));
  ASSERT_GE(index, 0) << "queue " << test::CupsTestQueue() << " missing: run tests/print/cupsd-fixture.sh";
  PrinterInfo* queue = GetPrinterList().At(index);
  queue->LoadPapers();
  const PrinterPaper* a4 = queue->FindPaper(9);
  ASSERT_NE(a4, nullptr);
  // The PPD gives sizes in points: 595 x 842 pt is 209.9 x 297.0 mm.
  EXPECT_NEAR(a4->width, 2100, 2);
  EXPECT_NEAR(a4->height, 2970, 2);
  ASSERT_NE(queue->GetDevMode(), nullptr);
  EXPECT_EQ(queue->GetDevMode()->paperSize, 9);
  PaperSizeMm size;
  Margins m, expected = PpdA4Margins();
  WString name;
  GetPaperGeometry(queue, 9, size, m, name);
  EXPECT_NEAR(size.width, 210, 0.2);
  EXPECT_NEAR(size.height, 297, 0.2);
  EXPECT_NEAR(m.left, expected.left, 0.11);
  EXPECT_NEAR(m.top, expected.top, 0.11);
  EXPECT_NEAR(m.right, expected.right, 1.01);  // the printable area is floored to whole mm
  EXPECT_NEAR(m.bottom, expected.bottom, 1.01);
  EXPECT_FALSE(name.IsEmpty());
}

TEST_F(CupsPrintersTest, SavedSettingsReturnOnlyForTheSameNameAndAVanishedNameTakesTheDefault) {
  KVN_REQUIRE_CUPS();
  RegWriteKey(kHkeyCurrentUser, WString(kProgramRegistryKey)).SetDword(u"PRINT_SAVE_SET_1110", 1);
  LoadPrinterList();
  PrinterInfo* queue = GetPrinterList().At(FindPrinterIndex(WString::FromUtf8(test::CupsTestQueue())));
  ASSERT_NE(queue, nullptr);
  PrinterSettings a3 = *queue->GetDevMode();
  a3.paperSize = 8;
  a3.media = "iso_a3_297x420mm";
  queue->ReplaceDevMode(a3);
  SavePrinterConfig(*queue, true);

  ResetPrinters();
  PrinterChoice letter(WString::FromUtf8(test::CupsLetterQueue()));
  EXPECT_EQ(GetPrinterList().At(FindPrinterIndex(WString::FromUtf8(test::CupsTestQueue())))->GetDevMode()->paperSize, 9);

  SavePrinterConfig(*GetPrinterList().At(FindPrinterIndex(WString::FromUtf8(test::CupsTestQueue()))), false);
  ResetPrinters();
  LoadPrinterList();
  GetPrinterList().At(FindPrinterIndex(WString::FromUtf8(test::CupsTestQueue())))->ReplaceDevMode(a3);
  SavePrinterConfig(*GetPrinterList().At(FindPrinterIndex(WString::FromUtf8(test::CupsTestQueue()))), true);
  ResetPrinters();
  PrinterChoice same(WString::FromUtf8(test::CupsTestQueue()));
  ASSERT_NE(same.GetPrinter(), nullptr);
  EXPECT_EQ(same.GetPrinter()->GetDevMode()->paperSize, 8);
  MyPrinterDataStruct__ r;
  r.Update(same.GetPrinter());
  EXPECT_NEAR(r.paperWidth, 297, 0.5);
  EXPECT_NEAR(r.paperHeight, 420, 0.5);

  ResetPrinters();
  PrinterChoice vanished(WString(u"NO-SUCH-QUEUE"));
  EXPECT_EQ(vanished.index, GetPrinterList().defaultIndex >= 0 ? GetPrinterList().defaultIndex : 0);
}

TEST_F(CupsPrintersTest, AnUnreachableServerGivesNoPrintersAndA4Defaults) {
  ::setenv("CUPS_SERVER", "/nonexistent/kvn-cups.sock", 1);
  cupsSetServer(nullptr);
  LoadPrinterList();
  EXPECT_EQ(GetPrinterList().Count(), 0);
  EXPECT_EQ(GetPrinterList().defaultIndex, -1);
  PrinterChoice none(WString(u"TEST"));
  EXPECT_EQ(none.GetPrinter(), nullptr);
  MyPrinterDataStruct__ r;
  r.Update(none.GetPrinter());
  EXPECT_EQ(r.paperName, u"A4");
  EXPECT_EQ(r.printableOffsetX, 7.5);
  ::unsetenv("CUPS_SERVER");
  cupsSetServer(nullptr);
}

}  // namespace
}  // namespace kvn
