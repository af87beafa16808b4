// The printer device context: a PDF page of the medium's size in printer
// dots whose origin is the printable area's corner, the document calls'
// order and their spooler codes.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/print/PrintDC.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

std::string RunCommand(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return out;
  std::array<char, 4096> buffer{};
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) out.append(buffer.data(), n);
  return out;
}

// A spooler that lists nothing and makes no jobs.
class NoJobs final : public Spooler {
 public:
  bool ListQueues(std::vector<std::string>& names, int& def) override {
    names.clear();
    def = -1;
    return false;
  }
  bool QueueDefaults(const std::string&, PrinterSettings&, std::uint32_t&) override { return false; }
  bool QueueMedia(const std::string&, std::vector<SpoolerMedium>&) override { return false; }
  bool QueueChoices(const std::string&, SpoolerChoices&, std::uint32_t&) override { return false; }
};

PrintPageSetup A4At300() { return PrintPageSetup{210, 297, 300, 300, 200, 287, 5, 5}; }

TEST(PrintDC, APageInDotsFromThePrintableCorner) {
  test::ScratchDir scratch;
  const std::string file = (scratch.Path() / "page.pdf").string();
  TPrintDC_ dc("TEST", PrinterSettings{}, A4At300());
  ASSERT_TRUE(dc.Valid());
  EXPECT_EQ(dc.GetDeviceCaps(kCapTechnology), kDtRasPrinter);
  EXPECT_EQ(dc.GetDeviceCaps(kCapLogPixelsX), 300);
  EXPECT_EQ(dc.GetDeviceCaps(kCapHorzRes), 2362);  // 200 mm
  EXPECT_EQ(dc.GetDeviceCaps(kCapVertRes), 3390);  // 287 mm
  EXPECT_TRUE(dc.GetDeviceCaps(kCapRasterCaps) & kRcStretchDib);
  EXPECT_EQ(dc.StartPage(), kSpError);  // no document yet
  ASSERT_GT(dc.StartDoc(WString(u"page"), WString::FromUtf8(file)), 0);
  for (int page = 0; page < 2; ++page) {
    ASSERT_GT(dc.StartPage(), 0);
    dc.FillSolidRect(TRect{0, 0, 118, 118}, Rgb(0, 0, 0));  // 10 mm
    ASSERT_GT(dc.EndPage(), 0);
  }
  ASSERT_GT(dc.EndDoc(), 0);
  EXPECT_EQ(dc.EndDoc(), kSpError);
  EXPECT_EQ(dc.PagesEnded(), 2);

  const std::string info = RunCommand("pdfinfo '" + file + "'");
  EXPECT_NE(info.find("Pages:           2"), std::string::npos) << info;
  EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
  // At 100 dpi: the square covers 5 mm to 15 mm of the paper.
  const std::string pgm = RunCommand("pdftoppm -gray -r 100 -f 1 -l 1 -x 0 -y 0 -W 80 -H 80 '" + file + "'");
  std::istringstream in(pgm);
  std::string magic;
  int w = 0, h = 0, max = 0;
  in >> magic >> w >> h >> max;
  in.get();
  ASSERT_EQ(magic, "P5");
  std::string pixels(std::size_t(w) * h, '\0');
  in.read(pixels.data(), std::streamsize(pixels.size()));
  auto at = [&](int x, int y) { return std::uint8_t(pixels[std::size_t(y) * w + x]); };
  EXPECT_GT(at(10, 10), 200);  // 2.5 mm: outside the printable area
  EXPECT_LT(at(40, 40), 50);   // 10 mm: inside the square
  EXPECT_GT(at(70, 70), 200);  // 17.8 mm: past it
}

TEST(PrintDC, FailuresAreSpoolerCodesWithTheirWords) {
  NoJobs none;
  ScopedSpoolerOverride use(none);
  TPrintDC_ queue("GONE", PrinterSettings{}, A4At300());
  EXPECT_EQ(queue.StartDoc(WString(u"x"), WString()), kSpError);
  EXPECT_EQ(queue.SystemText(), "no print server");

  test::ScratchDir scratch;
  const std::filesystem::path missing = scratch.Path() / "no" / "such.prn";
  TPrintDC_ file("TEST", PrinterSettings{}, A4At300());
  EXPECT_EQ(file.StartDoc(WString(u"x"), WString::FromUtf8(missing.string())), kSpError);
  EXPECT_FALSE(file.SystemText().empty());
  EXPECT_FALSE(std::filesystem::exists(missing));

  // Aborting a document leaves what was written for the caller to delete.
  const std::filesystem::path partial = scratch.Path() / "partial.prn";
  TPrintDC_ aborted("TEST", PrinterSettings{}, A4At300());
  ASSERT_GT(aborted.StartDoc(WString(u"x"), WString::FromUtf8(partial.string())), 0);
  ASSERT_GT(aborted.StartPage(), 0);
  EXPECT_GT(aborted.AbortDoc(), 0);
  EXPECT_EQ(aborted.EndDoc(), kSpError);
  EXPECT_TRUE(std::filesystem::exists(partial));
}

// The page's memory watch: past the resident ceiling (set below what the
// process holds) the rest of the page reaches nothing and the page says so;
// without the watch, and on the next page, everything is drawn.
TEST(PrintDC, APagePastTheResidentCeilingDrawsNoMore) {
  test::ScratchDir scratch;
  TPrintDC_ dc("TEST", PrinterSettings{}, A4At300());
  ASSERT_GT(dc.StartDoc(WString(u"watch"), WString::FromUtf8((scratch.Path() / "watch.pdf").string())), 0);
  ASSERT_GT(ResidentBytes(), 0u);
  print_testing::SetResidentCeiling(1);
  auto strokes = [&dc](int count) {
    dc.ResetOutput();
    for (int i = 0; i < count; ++i) {
      // A colour of its own: every stroke is an operation.
      dc.SelectObject(TPen(Rgb(i % 2 ? 255 : 0, 0, 0), 0));
      dc.MoveTo(10 * i, 10);
      dc.LineTo(10 * i + 5, 300);
    }
    dc.FillSolidRect(TRect{0, 0, 1, 1}, Rgb(0, 0, 0));
    return dc.Output().operations;
  };
  for (bool watch : {false, true, false}) {
    SCOPED_TRACE(watch);
    ASSERT_GT(dc.StartPage(), 0);
    dc.SetPageWatch(watch);
    // Watched, the first operation finds the ceiling passed.
    EXPECT_EQ(strokes(50), watch ? 1u : 51u);
    EXPECT_EQ(dc.PageOverflowed(), watch);
    dc.SetPageWatch(false);
    ASSERT_GT(dc.EndPage(), 0);
  }
  print_testing::SetResidentCeiling(0);
  ASSERT_GT(dc.EndDoc(), 0);
}

}  // namespace
}  // namespace kvn
