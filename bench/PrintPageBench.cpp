// One printed A4 page at 300 dpi of the view benchmark's drawing (the plan
// grid, 100,000 objects, fitted on the page), by the raster road (bands of
// 1000 x 1000, black-and-white and colour) and by the vector road, through
// the printer context into a PDF that goes to /dev/null.
//   kvn-bench-print-page [objects] [pages] [pdf folder]
// With a folder the three documents are written there to be looked at.
// Prints milliseconds per page. Target: raster under 500 ms.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/PlanGrid.h"
#include "platform/print/PrintDC.h"
#include "platform/print/Spooler.h"
#include "print/PrintOut.h"
#include "print/PrinterData.h"
#include "print/PrinterList.h"

using namespace kvn;
using Clock = std::chrono::steady_clock;

namespace {

// One A4 queue at 300 dpi with 5 mm margins; no jobs (the page goes to a file).
class BenchSpooler final : public Spooler {
 public:
  bool ListQueues(std::vector<std::string>& names, int& def) override {
    names = {"BENCH"};
    def = 0;
    return true;
  }
  bool QueueDefaults(const std::string&, PrinterSettings& s, std::uint32_t&) override {
    s.fields = kDmOrientation | kDmPaperSize | kDmCopies | kDmColor | kDmPrintQuality | kDmYResolution;
    s.media = "iso_a4_210x297mm";
    s.resolutionX = s.resolutionY = 300;
    return true;
  }
  bool QueueMedia(const std::string&, std::vector<SpoolerMedium>& media) override {
    media = {SpoolerMedium{"iso_a4_210x297mm", "A4", 21000, 29700, 500, 500, 500, 500}};
    return true;
  }
  bool QueueChoices(const std::string&, SpoolerChoices& c, std::uint32_t&) override {
    c = SpoolerChoices{};
    return true;
  }
};

double PrintPages(cDrawing& drawing, PrinterInfo* printer, int colorMode, bool vector, int pages,
                  const WString& file) {
  PrintOutOptions o;
  o.printer = printer;
  o.colorMode = colorMode;
  o.vectorMode = vector ? 1 : 0;
  APXPrintOut out(drawing, o);
  const MyPrinterDataStruct__& r = out.Record();
  PrintPageSetup setup{r.paperWidth,     r.paperHeight,     r.resolutionX,      r.resolutionY,
                       r.printableWidth, r.printableHeight, r.printableOffsetX, r.printableOffsetY};
  TPrintDC_ dc("BENCH", *r.devmodeCopy, setup);
  if (dc.StartDoc(WString(u"bench"), file) <= 0) std::exit(1);
  out.HasPage(1);  // the content test once, as the job's counting pass does
  const auto t0 = Clock::now();
  for (int i = 0; i < pages; ++i) {
    dc.StartPage();
    dc.SetMapMode(kMmAnisotropic);
    if (!out.PrintPage(&dc, 1, false, nullptr, nullptr, i, pages, false, false, 0)) std::exit(1);
    dc.RestoreObjects();
    if (dc.EndPage() <= 0) std::exit(1);
  }
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / pages;
  dc.EndDoc();
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  const long objects = argc > 1 ? std::max(1L, std::atol(argv[1])) : 100000;
  const int pages = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  BenchSpooler spooler;
  ScopedSpoolerOverride use(spooler);
  LoadPrinterList();
  PrinterInfo* printer = GetPrinterList().At(0);
  long count = 0;
  auto doc = bench::MakeGrid(objects, count);
  cDrawing& drawing = doc->GetSheet(0)->Drawing();
  std::printf("one A4 page at 300 dpi, %ld objects fitted on it, %d pages each\n", count, pages);
  const std::string folder = argc > 3 ? argv[3] : "";
  auto file = [&](const char* name) {
    return WString::FromUtf8(folder.empty() ? std::string("/dev/null") : folder + "/" + name);
  };
  const double rasterBw = PrintPages(drawing, printer, 0, false, pages, file("raster-bw.pdf"));
  const double rasterColor = PrintPages(drawing, printer, 2, false, pages, file("raster-colour.pdf"));
  const double vector = PrintPages(drawing, printer, 2, true, pages, file("vector.pdf"));
  std::printf("  raster, black and white: %.1f ms per page\n", rasterBw);
  std::printf("  raster, colour:          %.1f ms per page\n", rasterColor);
  std::printf("  vector:                  %.1f ms per page\n", vector);
  const double worst = std::max(rasterBw, rasterColor);
  std::printf("  target raster under 500 ms: %s\n", worst < 500 ? "met" : "NOT met");
  return 0;
}
