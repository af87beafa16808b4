// One printed A4 page at 300 dpi, fitted, through the printer context into a
// PDF, by the raster road (bands of 1000 x 1000) and by the vector road.
//
//   kvn-bench-print-page [objects] [pages] [pdf folder]
//     the view benchmark's drawing (the plan grid, 100,000 objects): the
//     peak memory of each road, then ms per page by both roads
//     (black-and-white and colour raster, vector);
//   kvn-bench-print-page --file DRAWING [pdf folder]
//     a drawing file, opened as the viewer opens it: the peak memory of
//     each road;
//   kvn-bench-print-page --write FOLDER
//     writes the drawings of the memory targets: placed-1000x1000.dxf (one
//     block of 1,000 short lines placed 1,000 times on a grid; 10,000 times
//     in placed-10000x1000.dxf, the long page of a cancel part-way) and
//     xref-25.dxf, xref-50.dxf (a block placing ref-200000.dxf, an external
//     reference of 200,000 lines, 25 and 50 times).
//   kvn-bench-print-page --help prints these three forms.
//
// Peak memory: each road runs in a child process of its own, which opens
// (or makes) the drawing and then paints the window's first paint (1600 x
// 1200, as kvn-render paints it), prints the bitmap page or prints the
// vector page; its peak resident memory (VmHWM) is printed beside the
// resident memory after the open, with the PDF's bytes and pictures (a
// vector page of lines holds none).
// Last, a vector page is cancelled once it is drawn: the time from the
// cancel to the end of the job's context (the page must not be written out).
// Pages are printed as the print job prints them, with the abort procedure
// installed on the printer context (it steps a monitor without a window);
// the output tells how often a page reached it.
// Targets: raster under 500 ms a page (the plan grid); both print roads
// within max(2 x, first paint + 200 MB) of the first paint. A road that
// fails (the drawing does not open, the PDF cannot be written where asked,
// the child dies) misses its target, and the line says why.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "app/DrawingServices.h"
#include "app/ZoomScroll.h"
#include "document/ProgressMonitor.h"
#include "bench/PlanGrid.h"
#include "document/OpenDrawingFile.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "platform/print/PrintDC.h"
#include "platform/print/Spooler.h"
#include "print/PrintOut.h"
#include "print/PrinterData.h"
#include "print/PrinterList.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "render/SheetPainter.h"
#include "tests/support/CapacityDrawings.h"
#include "tests/support/DxfWriter.h"

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

// The most resident bytes the process has held (VmHWM).
std::uint64_t PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::strtoull(line.c_str() + 6, nullptr, 10) * 1024;
  return 0;
}

struct PrintResult {
  double ms = 0;
  int asPictures = 0;
  bool failed = false;
  std::string reason;  // why it failed
  // Calls of the abort procedure per page.
  double abortChecks = 0;
  // Abandoned: the time from the cancel to the context's end.
  double abandonMs = 0;
};

// `abandon`: the first page is cancelled once it is drawn, as a cancel
// confirmed at its end would, and the job torn down.
PrintResult PrintPages(cDrawing& drawing, PrinterInfo* printer, int colorMode, bool vector, int pages,
                       const WString& file, bool abandon = false) {
  PrintOutOptions o;
  o.printer = printer;
  o.colorMode = colorMode;
  o.vectorMode = vector ? 1 : 0;
  APXPrintOut out(drawing, o);
  const MyPrinterDataStruct__& r = out.Record();
  PrintPageSetup setup{r.paperWidth,     r.paperHeight,     r.resolutionX,      r.resolutionY,
                       r.printableWidth, r.printableHeight, r.printableOffsetX, r.printableOffsetY};
  auto context = std::make_unique<TPrintDC_>("BENCH", *r.devmodeCopy, setup);
  TPrintDC_& dc = *context;
  // As a print job has them: a monitor (no window: a step reads the clock)
  // and the abort procedure that steps it while pages are drawn.
  ProgressMonitor monitor;
  std::uint64_t checks = 0;
  dc.SetAbortProc([&](TDC*, int) {
    ++checks;
    return monitor.Step(kProgressNoValue, false, nullptr, nullptr, false);
  });
  PrintResult result;
  auto fail = [&](const char* what) {
    result.failed = true;
    result.reason = std::string(what) + (dc.SystemText().empty() ? "" : ": " + dc.SystemText());
    return result;
  };
  if (dc.StartDoc(WString(u"bench"), file) <= 0) return fail("the document could not be started");
  out.HasPage(1);  // the content test once, as the job's counting pass does
  const auto t0 = Clock::now();
  for (int i = 0; i < pages; ++i) {
    dc.StartPage();
    dc.SetMapMode(kMmAnisotropic);
    if (!out.PrintPage(&dc, 1, false, nullptr, &monitor, i, pages, false, false, 0)) {
      fail("the page could not be printed");
      dc.AbortDoc();
      return result;
    }
    dc.RestoreObjects();
    if (abandon) {
      const auto cancelled = Clock::now();
      dc.AbortDoc();
      context.reset();
      result.abandonMs = std::chrono::duration<double, std::milli>(Clock::now() - cancelled).count();
      return result;
    }
    if (dc.EndPage() <= 0) return fail("the page could not be written");
  }
  result.ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / pages;
  result.abortChecks = double(checks) / pages;
  if (dc.EndDoc() <= 0) return fail("the document could not be finished");
  result.asPictures = out.vectorPagesAsPictures;
  return result;
}

// The drawing window's first paint of the whole drawing, as kvn-render
// paints it: fitted into 1600 x 1200, anti-aliased, on white.
double FirstPaint(cSheet& sheet) {
  const auto t0 = Clock::now();
  cDrawing& drawing = sheet.Drawing();
  const TRect client{0, 0, 1600, 1200};
  DRect extent;
  ExtentFilter filter;
  drawing.TopBlock()->GetFilteredExtent(filter, sheet.Data(), extent);
  const WorldMapping mapping = FitRectMapping(drawing, extent, client);
  cRasterSurface surface(false);
  if (!surface.Prepare(client)) std::exit(1);
  surface.SetAntiAliasMode(1);
  surface.FillRectColorref(0, 0, client.right, client.bottom, 0x00FFFFFF);
  drawing.Summary();
  cDrawInfo info(mapping, sheet.Data(), surface.DC(), &surface);
  cDrawingData* data = sheet.Data();
  PaintObjectChain(&data->Levels(), data, drawing.TopBlock(), nullptr, 0, info);
  surface.Flush();
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::size_t CountOf(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

enum class Road { FirstPaint, Bitmap, Vector, Abandoned };
const char* RoadName(Road road) {
  switch (road) {
    case Road::FirstPaint: return "window's first paint";
    case Road::Bitmap: return "bitmap page (colour)";
    case Road::Vector: return "vector page";
    case Road::Abandoned: return "vector page cancelled";
  }
  return "";
}

// What a road's child answered: its peak in MB, or why it failed.
struct RoadOutcome {
  double peakMb = 0;
  std::string failure;  // empty when the road ran
};

// Runs one road in a child process that makes its drawing with `open`; the
// parent prints what the child wrote. The child answers its line, then its
// peak or "!" and its reason for failing.
RoadOutcome MeasureRoad(Road road, const std::function<cSheet*()>& open, PrinterInfo* printer,
                        const std::string& folder) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return {0, "no pipe to the child"};
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    cSheet* sheet = open();
    const double openMb = double(ResidentBytes()) / 1e6;
    char line[1024];
    if (!sheet) {
      std::snprintf(line, sizeof line, "  %-22s the drawing did not open\n!the drawing did not open\n", RoadName(road));
    } else if (road == Road::Abandoned) {
      const PrintResult r = PrintPages(sheet->Drawing(), printer, 2, true, 1, WString(u"/dev/null"), true);
      if (r.failed) {
        std::snprintf(line, sizeof line, "  %-22s FAILED: %s\n!%s\n", RoadName(road), r.reason.c_str(),
                      r.reason.c_str());
      } else {
        std::snprintf(line, sizeof line, "  %-22s once drawn: cancelled and torn down in %.0f ms\n0\n",
                      RoadName(road), r.abandonMs);
      }
    } else if (road == Road::FirstPaint) {
      const double ms = FirstPaint(*sheet);
      const double peak = double(PeakResidentBytes()) / 1e6;
      std::snprintf(line, sizeof line, "  %-22s peak %7.0f MB (open %5.0f MB), %8.0f ms\n%f\n", RoadName(road), peak,
                    openMb, ms, peak);
    } else {
      const std::string pdf = (folder.empty() ? std::string("/tmp") : folder) + "/kvn-bench-print-" +
                              (road == Road::Vector ? "vector" : "bitmap") + "-" + std::to_string(getpid()) + ".pdf";
      const PrintResult r = PrintPages(sheet->Drawing(), printer, 2, road == Road::Vector, 1, WString::FromUtf8(pdf));
      const double peak = double(PeakResidentBytes()) / 1e6;
      const std::string bytes = ReadAll(pdf);
      if (folder.empty()) std::remove(pdf.c_str());
      if (r.failed) {
        std::snprintf(line, sizeof line, "  %-22s FAILED: %s (%s)\n!%s\n", RoadName(road), r.reason.c_str(),
                      pdf.c_str(), r.reason.c_str());
      } else {
        std::snprintf(line, sizeof line,
                      "  %-22s peak %7.0f MB (open %5.0f MB), %8.0f ms, PDF %9zu bytes, %zu pictures, %.0f abort "
                      "checks%s\n%f\n",
                      RoadName(road), peak, openMb, r.ms, bytes.size(), CountOf(bytes, "/Subtype /Image"),
                      r.abortChecks, r.asPictures ? ", printed as a picture" : "", peak);
      }
    }
    if (write(pipeEnds[1], line, std::strlen(line)) < 0) std::_Exit(1);
    std::_Exit(0);
  }
  close(pipeEnds[1]);
  std::string answer;
  char buffer[512];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, std::size_t(n));
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  const std::size_t end = answer.find('\n');
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || end == std::string::npos) {
    char why[96];
    if (WIFSIGNALED(status)) {
      std::snprintf(why, sizeof why, "the child ended abnormally (signal %d)", WTERMSIG(status));
    } else {
      std::snprintf(why, sizeof why, "the child ended abnormally (exit status %d)", WEXITSTATUS(status));
    }
    std::printf("  %-22s %s\n", RoadName(road), why);
    return {0, why};
  }
  std::fwrite(answer.data(), 1, end + 1, stdout);
  std::string rest = answer.substr(end + 1);
  if (!rest.empty() && rest.back() == '\n') rest.pop_back();
  if (!rest.empty() && rest[0] == '!') return {0, rest.substr(1)};
  return {std::atof(rest.c_str()), {}};
}

void MeasureRoads(const std::function<cSheet*()>& open, PrinterInfo* printer, const std::string& folder) {
  const RoadOutcome paint = MeasureRoad(Road::FirstPaint, open, printer, folder);
  const RoadOutcome bitmap = MeasureRoad(Road::Bitmap, open, printer, folder);
  const RoadOutcome vector = MeasureRoad(Road::Vector, open, printer, folder);
  MeasureRoad(Road::Abandoned, open, printer, folder);
  // Without a first paint there is nothing to measure the print roads by.
  for (const auto& [road, outcome] : {std::pair{Road::FirstPaint, &paint}, std::pair{Road::Bitmap, &bitmap},
                                      std::pair{Road::Vector, &vector}}) {
    if (outcome->failure.empty()) continue;
    std::printf("  target: both print roads within max(2 x, + 200 MB) of the first paint: NOT met (%s: %s)\n",
                RoadName(road), outcome->failure.c_str());
    return;
  }
  const double bound = std::max(2 * paint.peakMb, paint.peakMb + 200);
  std::printf("  target: both print roads within %.0f MB: %s\n", bound,
              bitmap.peakMb <= bound && vector.peakMb <= bound ? "met" : "NOT met");
}

// A block placing the external reference `path` `count` times, placed once.
std::string ReferencePlaced(const std::string& path, int count) {
  test::DxfWriter w;
  w.Section("BLOCKS").Str(0, "BLOCK").Str(8, "0").Str(2, "REF").Int(70, 4).Point(10, 0, 0).Str(1, path);
  w.EndBlock();
  w.Block("B");
  for (int k = 0; k < count; ++k) w.Insert("REF", "0", (k % 5) * 1100.0, (k / 5) * 1100.0);
  w.EndBlock().EndSection();
  w.Section("ENTITIES").Insert("B", "0", 0, 0).EndSection().Eof();
  return w.Bytes();
}

std::string ReferenceLines(int lines) {
  test::DxfWriter w;
  w.Section("ENTITIES");
  for (int i = 0; i < lines; ++i) {
    const double x = (i % 500) * 2.0, y = (i / 500) * 2.5;
    w.Line("0", x, y, x + 1.5, y + 1.9);
  }
  w.EndSection().Eof();
  return w.Bytes();
}

int WriteDrawings(const std::string& folder) {
  auto save = [&](const std::string& name, const std::string& bytes) {
    const std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    std::printf("%s\n", path.c_str());
  };
  save("placed-1000x1000.dxf", test::ShortLinesPlacedDxf(1000, 1000, 40, false));
  save("placed-10000x1000.dxf", test::ShortLinesPlacedDxf(10000, 1000, 100, false));
  save("ref-200000.dxf", ReferenceLines(200000));
  save("xref-25.dxf", ReferencePlaced(folder + "/ref-200000.dxf", 25));
  save("xref-50.dxf", ReferencePlaced(folder + "/ref-200000.dxf", 50));
  return 0;
}

int Usage(std::FILE* to, int status) {
  std::fprintf(to,
               "usage: kvn-bench-print-page [objects] [pages] [pdf folder]\n"
               "       kvn-bench-print-page --file DRAWING [pdf folder]\n"
               "       kvn-bench-print-page --write FOLDER\n");
  return status;
}

// A count from 1 to `most` written whole in decimal.
bool ParseCount(const char* text, long most, long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && errno == 0 && value >= 1 && value <= most;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "--help" || first == "-h") return Usage(stdout, 0);
  if (first == "--write") return argc == 3 ? WriteDrawings(argv[2]) : Usage(stderr, 2);
  if (first == "--file" && argc != 3 && argc != 4) return Usage(stderr, 2);
  long objects = 100000, pages = 5;
  if (first != "--file") {
    // Counts in order, then the folder: anything else is no argument of ours.
    if (argc > 4 || (argc > 1 && !ParseCount(argv[1], 100'000'000, objects)) ||
        (argc > 2 && !ParseCount(argv[2], 10'000, pages)))
      return Usage(stderr, 2);
  }
  BenchSpooler spooler;
  ScopedSpoolerOverride use(spooler);
  LoadPrinterList();
  PrinterInfo* printer = GetPrinterList().At(0);

  if (first == "--file") {
    const std::string file = argv[2];
    const std::string folder = argc > 3 ? argv[3] : "";
    std::printf("%s on one fitted A4 page at 300 dpi, each road in a process of its own\n", file.c_str());
    std::unique_ptr<DocumentResult> kept;
    MeasureRoads(
        [&]() -> cSheet* {
          InstallDrawingServices();
          OpenRequest request;
          request.quiet = true;
          kept = std::make_unique<DocumentResult>(OpenDrawing(WString::FromUtf8(file), request));
          cDrawingDoc* document = kept->Document();
          if (!kept->Ok() || !document) return nullptr;
          std::uint32_t sheet = 0, page = 0;
          document->EntryToSheetAndPage(sheet, page, document->currentEntry);
          return sheet < document->SheetCount() ? document->GetSheet(sheet) : nullptr;
        },
        printer, folder);
    return 0;
  }

  const std::string folder = argc > 3 ? argv[3] : "";
  std::printf("%ld objects on one fitted A4 page at 300 dpi, each road in a process of its own:\n", objects);
  std::unique_ptr<cDrawingDoc> kept;
  MeasureRoads(
      [&]() -> cSheet* {
        long count = 0;
        kept = bench::MakeGrid(objects, count);
        return kept->GetSheet(0);
      },
      printer, "");
  {
    long count = 0;
    auto doc = bench::MakeGrid(objects, count);
    cDrawing& drawing = doc->GetSheet(0)->Drawing();
    std::printf("the same page, %ld objects, %ld pages each\n", count, pages);
    auto file = [&](const char* name) {
      return WString::FromUtf8(folder.empty() ? std::string("/dev/null") : folder + "/" + name);
    };
    const int n = int(pages);
    const PrintResult rasterBw = PrintPages(drawing, printer, 0, false, n, file("raster-bw.pdf"));
    const PrintResult rasterColor = PrintPages(drawing, printer, 2, false, n, file("raster-colour.pdf"));
    const PrintResult vector = PrintPages(drawing, printer, 2, true, n, file("vector.pdf"));
    auto report = [](const char* road, const PrintResult& r, const char* more) {
      if (r.failed) {
        std::printf("  %s FAILED: %s\n", road, r.reason.c_str());
      } else {
        std::printf("  %s %.1f ms per page%s\n", road, r.ms, more);
      }
    };
    char reached[80];
    std::snprintf(reached, sizeof reached, " (abort procedure reached %.0f times a page)", vector.abortChecks);
    report("raster, black and white:", rasterBw, "");
    report("raster, colour:         ", rasterColor, "");
    report("vector:                 ", vector, reached);
    if (rasterBw.failed || rasterColor.failed) {
      std::printf("  target raster under 500 ms: NOT met (%s)\n",
                  (rasterBw.failed ? rasterBw : rasterColor).reason.c_str());
    } else {
      const double worst = std::max(rasterBw.ms, rasterColor.ms);
      std::printf("  target raster under 500 ms: %s\n", worst < 500 ? "met" : "NOT met");
    }
  }
  return 0;
}
