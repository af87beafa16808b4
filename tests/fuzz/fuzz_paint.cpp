// Any file through the open dispatcher, then painted as kvn-render paints
// it, at 96 x 72 pixels: the objects of every sheet fitted into the picture,
// and the first pages of each sheet on their own. Damaged drawings of every
// foreign format (DWG, DXF, DGN, metafiles, pictures) reach the painters this
// way from the window and the tools every day.
//
// The last byte of an input chooses the file's extension (the DGN and native
// readers are probed by name; the others by content) and is not part of the
// file. Seeded with the small files of the test data and drawings of the
// test writers.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/DrawingServices.h"
#include "document/OpenDrawingFile.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/DRect.h"
#include "model/WorldMapping.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "render/DrawInfo.h"
#include "render/PagePainter.h"
#include "render/RasterSurface.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/DgnWriter.h"
#include "tests/support/DxfWriter.h"

using namespace kvn;

namespace {

constexpr std::array<const char*, 8> kExtensions = {".dwg", ".dxf", ".dgn", ".kvn", ".emf", ".wmf", ".png", ".bmp"};
constexpr int kWidth = 96, kHeight = 72;
// Sheets and pages painted at most per input.
constexpr std::uint32_t kMaxSheets = 4;
constexpr std::uint32_t kMaxPages = 3;

const std::filesystem::path& ScratchStem() {
  static const std::filesystem::path stem =
      std::filesystem::temp_directory_path() / ("kvn-fuzz-paint-" + std::to_string(::getpid()));
  return stem;
}

// The mapping that fits `r` into the picture; the unit mapping when `r` has
// no usable size.
WorldMapping Fit(const DRect& r) {
  WorldMapping m;
  m.SetDeviceClip(DeviceRect{0, 0, kWidth, kHeight});
  const double w = r.x2 - r.x1, h = r.y2 - r.y1;
  if (!(w > 0 && h > 0) || !std::isfinite(w) || !std::isfinite(h)) return m;
  const double scale = std::min(kWidth / w, kHeight / h) / 4.0;
  if (!(scale > 0) || !std::isfinite(scale)) return m;
  m.scale = scale;
  m.originX = -r.x1 * scale * 4.0;
  m.originY = -r.y1 * scale * 4.0;
  return m;
}

void PaintSheet(cSheet& sheet) {
  cDrawing& drawing = sheet.Drawing();
  cDrawingData* data = sheet.Data();
  if (drawing.TopBlock() == nullptr || data == nullptr) return;
  drawing.Summary();
  DRect extent;
  drawing.TopBlock()->GetFilteredExtent(ExtentFilter{}, data, extent);
  cRasterSurface surface(false);
  if (!surface.Prepare(TRect{0, 0, kWidth, kHeight})) return;
  surface.SetAntiAliasMode(1);
  {
    cDrawInfo info(Fit(extent), data, surface.DC(), &surface);
    PaintObjectChain(&data->Levels(), data, drawing.TopBlock(), nullptr, 0, info);
  }
  const std::uint32_t pages = std::min<std::uint32_t>(drawing.PageCount(), kMaxPages);
  for (std::uint32_t p = 0; p < pages; ++p) {
    const std::uint16_t page = std::uint16_t(p);
    ExtentFilter filter;
    filter.drawingPages = int(drawing.PageCount());
    filter.page = &page;
    DRect pageExtent;
    drawing.TopBlock()->GetFilteredExtent(filter, data, pageExtent);
    cDrawInfo info(Fit(pageExtent), data, surface.DC(), &surface);
    PaintSheetPage(sheet, page, info);
  }
  surface.Flush();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool installed = (InstallDrawingServices(), true);
  (void)installed;
  if (size == 0) return 0;
  const std::string path = ScratchStem().string() + kExtensions[data[size - 1] % kExtensions.size()];
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size - 1));
    if (!out) return 0;
  }
  OpenRequest request;
  request.quiet = true;
  DocumentResult result = OpenDrawing(WString::FromUtf8(path), request);
  std::remove(path.c_str());
  cDrawingDoc* document = result.Document();
  if (!result.Ok() || document == nullptr) return 0;
  const std::uint32_t sheets = std::min<std::uint32_t>(document->SheetCount(), kMaxSheets);
  for (std::uint32_t s = 0; s < sheets; ++s) {
    if (cSheet* sheet = document->GetSheet(s)) PaintSheet(*sheet);
  }
  return 0;
}

namespace {

std::vector<std::uint8_t> WithExtension(std::vector<std::uint8_t> bytes, const std::string& extension) {
  std::uint8_t pick = 0;
  for (std::size_t i = 0; i < kExtensions.size(); ++i) {
    if (extension == kExtensions[i]) pick = std::uint8_t(i);
  }
  bytes.push_back(pick);
  return bytes;
}

std::vector<std::uint8_t> SmallDxf() {
  test::DxfWriter w;
  w.Section("ENTITIES").Line("0", 0, 0, 100, 50).Line("A", 100, 50, 20, 80, 3);
  w.Str(0, "CIRCLE").Str(8, "0").Point(10, 50, 50).Real(40, 20);
  w.Str(0, "TEXT").Str(8, "0").Point(10, 5, 5).Real(40, 3).Str(1, "fuzz");
  w.EndSection().Eof();
  const std::string& text = w.Bytes();
  return {text.begin(), text.end()};
}

std::vector<std::uint8_t> SmallDgn() {
  test::DgnWriter w(false);
  w.Add(w.Tcb(10, 100));
  w.Add(w.Line(1, 3, {0, 0, 0}, {1000, 500, 0}));
  w.Add(w.Arc(16, 3, 1, {50, 50, 0}, 30, 20, 15, 10, 200, 2));
  w.Add(w.Text(4, 7, {10, 10, 0}, 2.5, "dgn"));
  return w.Bytes();
}

}  // namespace

// Files of the test data of at most 64 KB (larger ones make a replay round
// long without reaching other code) and the first 48 KB of the design files,
// each under its own extension.
std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  std::vector<std::vector<std::uint8_t>> seeds = {WithExtension(SmallDxf(), ".dxf"),
                                                  WithExtension(SmallDgn(), ".dgn")};
  const std::filesystem::path root = KvnFuzzSampleFolder("");
  if (root.empty()) return seeds;
  std::error_code ec;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root, ec)) {
    // Design files are read element by element: the start of a large one
    // is a drawing too.
    const bool designFile = entry.path().extension() == ".dgn";
    if (entry.is_regular_file() && (designFile || entry.file_size() <= 64'000)) files.push_back(entry.path());
  }
  // In one order wherever the folder lies, so that replays repeat.
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return char(std::tolower(static_cast<unsigned char>(c))); });
    if (extension == ".md") continue;
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    if (bytes.size() > 48'000) bytes.resize(48'000);
    seeds.push_back(WithExtension(std::move(bytes), extension));
  }
  return seeds;
}
