// Export of the view benchmark's drawing: the sample plan repeated on a grid
// until the page holds 100,000 objects (lines, arcs, circles, polygons),
// scaled so that it fills an A4 page (297 x 210 mm).
//   kvn-bench-export [objects] [rounds] [folder]
// Prints milliseconds and bytes per export, each written to a file in the
// folder (/tmp by default): a BMP at 300 dpi in colour (target under 300 ms)
// and an EMF at 600 dpi (target under 500 ms); then the fixed cost of the
// BMP: the same page with 100 objects (target under 100 ms).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "model/ObjectChain.h"
#include "model/cArc.h"
#include "model/cCircle.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "bench/PlanGrid.h"
#include "print/export/ExportDrawing.h"
#include "print/export/ExportSettings.h"
#include "render/GeometryServicesImpl.h"

using namespace kvn;
using Clock = std::chrono::steady_clock;

namespace {

// The view benchmark's plan grid (PlanGrid.h), scaled so that its extent
// is an A4 page.
std::unique_ptr<cDrawingDoc> MakeGrid(long objects, long& count) {
  auto doc = bench::MakeGrid(objects, count);
  cSheet& sheet = *doc->GetSheet(0);
  const DRect extent = sheet.Drawing().GetExtent();
  sheet.Data()->SetScale(std::max(extent.Width() / 297.0, extent.Height() / 210.0));
  sheet.Drawing().formatSize = {297, 210};
  return doc;
}

double Milliseconds(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const long objects = argc > 1 ? std::max(1L, std::atol(argv[1])) : 100000;
  const long rounds = argc > 2 ? std::max(1L, std::atol(argv[2])) : 5;
  const std::filesystem::path folder = argc > 3 ? argv[3] : "/tmp";
  InstallRendererGeometryServices();
  long count = 0;
  auto doc = MakeGrid(objects, count);
  std::printf("export: %ld objects on an A4 page (scale %.3f)\n", count, doc->GetSheet(0)->Data()->Scale());

  struct Case {
    const char* name;
    int type;
    double dpi;
    double target;
  };
  // Best and mean milliseconds of the export of `document`; negative when it failed.
  auto timeExport = [&](cDrawingDoc& document, const Case& c, double& mean, std::uintmax_t& bytes) {
    const std::filesystem::path file = folder / (std::string("kvn-bench-export.") + (c.type == kExportTypeBmp ? "bmp" : "emf"));
    const WString name = WString::FromUtf8(file.string());
    ExportShell shell;
    double best = 1e300, total = 0;
    for (long r = 0; r < rounds; ++r) {
      const auto t0 = Clock::now();
      if (!ExportPage(name, c.type, document, nullptr, true, true, 0, nullptr, c.dpi, 2, false, shell)) return -1.0;
      const double ms = Milliseconds(t0);
      best = std::min(best, ms);
      total += ms;
    }
    mean = total / double(rounds);
    bytes = std::filesystem::file_size(file);
    std::filesystem::remove(file);
    return best;
  };
  bool met = true;
  auto report = [&](const char* what, double best, double mean, std::uintmax_t bytes, double target) {
    std::printf("  %s: %.1f ms best, %.1f ms mean, %ju bytes; target under %.0f ms: %s\n", what, best, mean, bytes,
                target, best < target ? "met" : "NOT met");
    met = met && best < target;
  };
  for (const Case& c : {Case{"BMP 300 dpi", kExportTypeBmp, 300, 300}, Case{"EMF 600 dpi", kExportTypeEmf, 600, 500}}) {
    double mean = 0;
    std::uintmax_t bytes = 0;
    const double best = timeExport(*doc, c, mean, bytes);
    if (best < 0) {
      std::printf("  %s: export failed\n", c.name);
      return 1;
    }
    report(c.name, best, mean, bytes, c.target);
  }
  long fewCount = 0;
  auto few = MakeGrid(100, fewCount);
  const Case fixed{"BMP 300 dpi", kExportTypeBmp, 300, 100};
  double mean = 0;
  std::uintmax_t bytes = 0;
  const double best = timeExport(*few, fixed, mean, bytes);
  if (best < 0) {
    std::printf("  fixed cost: export failed\n");
    return 1;
  }
  char what[64];
  std::snprintf(what, sizeof what, "fixed cost, BMP 300 dpi of %ld objects", fewCount);
  report(what, best, mean, bytes, fixed.target);
  return met ? 0 : 2;
}
