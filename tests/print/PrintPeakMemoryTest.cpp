// The peak resident memory of a vector page of many lines, printed in a
// process of its own (a fork, its peak reset to what it holds before the
// page): the printer's PDF document keeps every operation of a page until
// the page ends, about 1 KB each, so the page's strokes must reach it joined,
// a few bytes a line. Memory, not time.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "document/OpenDrawingFile.h"
#include "document/cSheet.h"
#include "dwg/InstallReaders.h"
#include "platform/print/PrintDC.h"
#include "print/PrinterList.h"
#include "tests/print/PrintFixtures.h"
#include "tests/support/CapacityDrawings.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

// The most resident bytes the process has held (VmHWM); 0 when unknown.
std::uint64_t PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::strtoull(line.c_str() + 6, nullptr, 10) * 1024;
  return 0;
}

// Sets the peak back to what the process holds now.
bool ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.close();
  return bool(clear);
}

// 200 placements of a block of 1,000 short lines: 200,000 lines on one
// fitted A4 page. Stroked one by one they keep 213 MB in the document; a
// joined run keeps 18.5 bytes a line, 4 MB.
constexpr int kPlacements = 200;
constexpr int kLinesPerBlock = 1000;
// What the page may add to the process's peak: what is joined, cairo's
// output buffers, the painter's working memory of one placement and the
// library pages the printing process touches again. Measured: joined 49 MB,
// one by one 262 MB; under AddressSanitizer (redzones, and a quarantine of
// freed blocks) 162 MB and 1,497 MB.
constexpr std::uint64_t kPeakBound = std::uint64_t(100) << 20;
constexpr std::uint64_t kSanitizedPeakBound = std::uint64_t(400) << 20;

}  // namespace
}  // namespace kvn

// Present when AddressSanitizer's runtime is linked in (the sanitizer build
// instruments the product, not this file).
extern "C" int __asan_address_is_poisoned(void const volatile* address) __attribute__((weak));

namespace kvn {
namespace {

bool UnderAddressSanitizer() { return __asan_address_is_poisoned != nullptr; }

struct PageMemory {
  unsigned long long added = 0, before = 0;
  int asPictures = -1, printed = 0, peakReset = 0;
};

class PrintPeakMemory : public ::testing::Test, public test::PrinterTestBase {};

TEST_F(PrintPeakMemory, AManyLineVectorPageKeepsItsStrokesJoined) {
  InstallReaders();
  test::AddA4Queue(spooler, 300);
  LoadPrinterList();
  PrinterInfo* printer = GetPrinterList().At(0);
  ASSERT_TRUE(printer);
  test::ScratchDir scratch;
  const std::string dxf = (scratch.Path() / "lines.dxf").string();
  const std::string text = test::ShortLinesPlacedDxf(kPlacements, kLinesPerBlock, 20, false);
  std::ofstream(dxf, std::ios::binary).write(text.data(), std::streamsize(text.size()));
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  auto doc = OpenDrawingFile(WString::FromUtf8(dxf), request, outcome);
  ASSERT_NE(doc, nullptr);
  cDrawing& drawing = doc->GetSheet(0)->Drawing();
  const std::string pdf = (scratch.Path() / "lines.pdf").string();

  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  std::fflush(nullptr);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(ends[0]);
    PageMemory m;
    PrintOutOptions o;
    o.printer = printer;
    o.vectorMode = 1;
    APXPrintOut out(drawing, o);
    const MyPrinterDataStruct__& r = out.Record();
    TPrintDC_ dc("TEST", *r.devmodeCopy, PrintPageSetup{r.paperWidth, r.paperHeight, r.resolutionX, r.resolutionY,
                                                        r.printableWidth, r.printableHeight, r.printableOffsetX,
                                                        r.printableOffsetY});
    if (dc.StartDoc(WString(u"lines"), WString::FromUtf8(pdf)) > 0 && out.HasPage(1)) {
      m.peakReset = ResetPeak() ? 1 : 0;
      m.before = PeakResidentBytes();
      dc.StartPage();
      dc.SetMapMode(kMmAnisotropic);
      m.printed = out.PrintPage(&dc, 1, false, nullptr, nullptr, 0, 1, false, false, 0) ? 1 : 0;
      dc.RestoreObjects();
      m.printed &= dc.EndPage() > 0 && dc.EndDoc() > 0 ? 1 : 0;
      const std::uint64_t peak = PeakResidentBytes();
      m.added = peak > m.before ? peak - m.before : 0;
      m.asPictures = out.vectorPagesAsPictures;
    }
    char line[160];
    const int n = std::snprintf(line, sizeof line, "%llu %llu %d %d %d", m.added, m.before, m.asPictures, m.printed,
                                m.peakReset);
    const bool sent = n > 0 && ::write(ends[1], line, std::size_t(n)) == n;
    std::_Exit(sent ? 0 : 1);
  }
  ::close(ends[1]);
  std::string answer;
  char buffer[256];
  for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, std::size_t(n));
  ::close(ends[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the printing process ended abnormally";
  PageMemory m;
  ASSERT_EQ(std::sscanf(answer.c_str(), "%llu %llu %d %d %d", &m.added, &m.before, &m.asPictures, &m.printed,
                        &m.peakReset),
            5)
      << answer;
  if (!m.peakReset) GTEST_SKIP() << "the kernel cannot reset the peak resident memory (/proc/self/clear_refs)";
  EXPECT_EQ(m.printed, 1);
  EXPECT_EQ(m.asPictures, 0) << "the page went by the raster road";
  std::printf("a page of %d lines added %.1f MB to a peak of %.1f MB\n", kPlacements * kLinesPerBlock,
              double(m.added) / 1e6, double(m.before) / 1e6);
  EXPECT_LT(m.added, UnderAddressSanitizer() ? kSanitizedPeakBound : kPeakBound)
      << "strokes reached the printer's document one by one";
}

// Address space reserved and never touched, far past the print's ceiling
// (a sanitizer's shadow alone is terabytes of it), is no memory held: the
// ceiling is kept against the resident figure, which does not grow with
// the reservation but does with pages written, and a page still goes by
// the vector road.
TEST_F(PrintPeakMemory, AddressSpaceReservedLeavesThePageVectors) {
  struct Mapping {
    std::size_t size;
    void* at;
    Mapping(std::size_t bytes, int protection)
        : size(bytes), at(::mmap(nullptr, bytes, protection, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0)) {}
    ~Mapping() {
      if (at != MAP_FAILED) ::munmap(at, size);
    }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;
  };
  constexpr std::uint64_t kSlack = std::uint64_t(16) << 20;
  const std::uint64_t before = ResidentBytes();
  ASSERT_GT(before, 0u);
  const Mapping reserved(std::size_t(40) * kPrintResidentCeiling, PROT_NONE);
  ASSERT_NE(reserved.at, MAP_FAILED) << "could not reserve " << reserved.size << " bytes of address space";
  const std::uint64_t afterReserving = ResidentBytes();
  EXPECT_LT(afterReserving, before + kSlack) << "the untouched reservation was counted";
  const Mapping written(std::size_t(64) << 20, PROT_READ | PROT_WRITE);
  ASSERT_NE(written.at, MAP_FAILED);
  std::memset(written.at, 1, written.size);
  EXPECT_GE(ResidentBytes(), afterReserving + written.size - kSlack) << "pages written were not counted";

  InstallReaders();
  test::AddA4Queue(spooler, 300);
  LoadPrinterList();
  PrinterInfo* printer = GetPrinterList().At(0);
  ASSERT_TRUE(printer);
  test::ScratchDir scratch;
  const std::string dxf = (scratch.Path() / "lines.dxf").string();
  const std::string text = test::ShortLinesPlacedDxf(4, 100, 2, false);
  std::ofstream(dxf, std::ios::binary).write(text.data(), std::streamsize(text.size()));
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  auto doc = OpenDrawingFile(WString::FromUtf8(dxf), request, outcome);
  ASSERT_NE(doc, nullptr);
  PrintOutOptions o;
  o.printer = printer;
  o.vectorMode = 1;
  APXPrintOut out(doc->GetSheet(0)->Drawing(), o);
  const MyPrinterDataStruct__& r = out.Record();
  TPrintDC_ dc("TEST", *r.devmodeCopy, PrintPageSetup{r.paperWidth, r.paperHeight, r.resolutionX, r.resolutionY,
                                                      r.printableWidth, r.printableHeight, r.printableOffsetX,
                                                      r.printableOffsetY});
  ASSERT_GT(dc.StartDoc(WString(u"lines"), WString::FromUtf8((scratch.Path() / "lines.pdf").string())), 0);
  ASSERT_TRUE(out.HasPage(1));
  dc.StartPage();
  dc.SetMapMode(kMmAnisotropic);
  EXPECT_TRUE(out.PrintPage(&dc, 1, false, nullptr, nullptr, 0, 1, false, false, 0));
  dc.RestoreObjects();
  EXPECT_GT(dc.EndPage(), 0);
  EXPECT_GT(dc.EndDoc(), 0);
  EXPECT_EQ(out.vectorPagesAsPictures, 0) << "the page went by the raster road at " << ResidentBytes()
                                          << " resident bytes";
  EXPECT_FALSE(out.pageOutOfMemory);
}

}  // namespace
}  // namespace kvn
