// The open dispatcher over arbitrary file contents: native containers,
// single-sheet files and anything else, opened quietly from a file named
// ".kvn" (so that OLE compound files reach the native loader too). Whatever
// opens is painted, as the drawing window would, onto a small raster
// surface: fitted to its extent and at a zoom that sends most of it far
// beyond the surface, so that damaged values also reach the renderer.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "foundation/DRect.h"
#include "foundation/WString.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "render/SheetPainter.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/NativeFixture.h"

using namespace kvn;

namespace {

// The dispatcher opens files by name. A memory file system keeps the tens
// of thousands of writes of a run off the disk (about 25 times faster here).
const std::string& ScratchPath() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : dir && *dir ? dir : "/tmp";
    return folder + "/kvn_fuzz_native_" + std::to_string(getpid()) + ".kvn";
  }();
  return path;
}

struct RemoveAtExit {
  ~RemoveAtExit() { std::remove(ScratchPath().c_str()); }
} removeAtExit;

constexpr std::int32_t kSurfaceSide = 96;

// Paints every sheet's first pages twice: fitted, and 50 times larger about
// the same corner.
void PaintSheets(cDrawingDoc& document) {
  cRasterSurface surface(true);
  if (!surface.Prepare(TRect{0, 0, kSurfaceSide, kSurfaceSide})) return;
  for (std::uint32_t i = 0; i < document.SheetCount(); ++i) {
    cSheet& sheet = *document.GetSheet(i);
    const DRect extent = sheet.Drawing().GetExtent();
    const double span = std::max(extent.x2 - extent.x1, extent.y2 - extent.y1);
    WorldMapping mapping;
    mapping.deviceClip = {0, 0, kSurfaceSide, kSurfaceSide};
    // Device = world x scale x 4 + origin.
    const bool usable = std::isfinite(span) && span > 0 && std::isfinite(extent.x1) && std::isfinite(extent.y1);
    const double fitted = usable ? kSurfaceSide / (span * 4) : 1.0;
    const std::uint16_t pages = std::uint16_t(std::min<std::uint32_t>(sheet.Drawing().PageCount(), 3));
    for (double zoom : {1.0, 50.0}) {
      mapping.scale = fitted * zoom;
      mapping.originX = usable ? -extent.x1 * mapping.scale * 4 : 0;
      mapping.originY = usable ? -extent.y1 * mapping.scale * 4 : 0;
      for (std::uint16_t page = 0; page <= pages; ++page) {
        surface.FillRect(0, 0, kSurfaceSide, kSurfaceSide, 0xFFFFFFFF);
        cDrawInfo info(mapping, sheet.Data(), nullptr, &surface);
        PaintObjectChain(&sheet.Data()->Levels(), sheet.Data(), &sheet.TopBlock(), &sheet.Drawing(), page, info);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(ScratchPath().c_str(), "wb");
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  std::unique_ptr<cDrawingDoc> document = OpenDrawingFile(WString::FromUtf8(ScratchPath()), request, outcome);
  if (document) {
    for (std::uint32_t i = 0; i < document->SheetCount(); ++i) {
      cSheet& sheet = *document->GetSheet(i);
      for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
        DRect box;
        o->GetExtentUpdated(sheet.Data(), box);
      }
    }
    PaintSheets(*document);
  }
  return 0;
}

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  using namespace kvn::test;
  std::vector<std::vector<std::uint8_t>> seeds;
  FixtureDocument doc;
  FixtureSheet sheet;
  sheet.name = std::u16string(u"Sheet A");
  sheet.levels = {{u"L1"}, {u"L2"}};
  sheet.pages = {{u"P1"}, {u"P2"}};
  sheet.lineStyles = {{u"S", 0xFF, 0.5, 3}};
  sheet.blocks.push_back(FixtureBlock{{{{0, 0}, {1, 1}}}});
  sheet.guides[0] = {1.0, 2.0};
  for (int i = 0; i < 6; ++i) {
    FixtureLine line{{double(i), 0}, {double(i), 5}, std::uint16_t(i % 2), std::uint16_t(1 + i % 2)};
    line.lineStyle = i % 3 == 0 ? 0 : -1;
    sheet.lines.push_back(line);
  }
  doc.sheets = {sheet, sheet};
  for (int version : {3111, 3102, 3090, 3077, 3070}) {
    doc.version = version;
    doc.compressed = true;
    seeds.push_back(WriteNativeFile(doc));
    doc.compressed = false;
    seeds.push_back(WriteNativeFile(doc));
  }
  SingleSheetFile file;
  file.sheet = sheet;
  for (int version : {3062, 3055, 3049}) {
    file.version = version;
    file.headerLines = {"Version=" + std::to_string(version), "Levels=2", "Level=A", "ColorLevels=255 65280"};
    seeds.push_back(WriteSingleSheetFile(file));
  }
  seeds.push_back(WriteOleCompoundFile({{"Contents", "an old drawing"}}));
  // The shipped sample: arcs, circles, polygons, wide walls, several pages.
  const std::filesystem::path sample =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
  std::ifstream in(sample, std::ios::binary);
  if (in) seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return seeds;
}
