// kvn-render: opens a drawing file as kvn-dump does (quietly, through the
// open dispatcher, with the viewer's own readers, fonts, SHX archive and
// fields) and paints one page of one sheet into a PNG, through the sheet
// painter and raster surface the drawing window paints with:
//
//   kvn-render [--sheet N] [--page N] [--width W] [--height H] [--frame] [--] FILE OUT.png
//
// Options end at "--": every argument after it is a file, so that a drawing
// whose name starts with "-" can be named.
//
// Without --sheet the sheet is the one the window opens on (a drawing that
// lives in paper space opens on its layout, not on the empty model).
//
// The drawing is fitted as View > "All elements" fits it into a window whose
// client is W x H pixels (default 1600 x 1200): the same inset, centring and
// scroll layout, so a window of that size shows the same pixels. Without
// --page every object is painted, as a drawing without pages shows them;
// with it only that page's (a page record index). The paper is white with
// no frame, rulers or outside area; --frame paints the page area as the
// window does (outside area, frame and tile lines).
//
// Prints one JSON line: {"result": 0, "sheet", "page" (null for all
// objects), "extent": [x1, y1, x2, y2] (the fitted world rectangle), "scale"
// (pixels per drawing unit), "ms": {"open", "paint"}}, and, after a partial
// read or with notes of the import, "warnings" as kvn-dump gives them (the
// partial read's notice first). A failed open prints
// kvn-dump's object ("result" non-zero, "message": the viewer's text); an
// unusable argument or a failed write prints "result" -1 and a "message".
// The exit status is 0 only when the PNG was written; no PNG is left behind
// otherwise. Should the heap refuse a request for good (opening or
// painting), the answer is the failed open's ("result" 5001, "message" the
// viewer's out-of-memory text) and the exit status the allocator's (3).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/DrawingServices.h"
#include "app/VectorWindowPaint.h"
#include "app/ZoomScroll.h"
#include "document/OpenDrawingFile.h"
#include "document/OpenFailureMessage.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/DRect.h"
#include "foundation/LangTable.h"
#include "foundation/PathBytes.h"
#include "foundation/WString.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "platform/image/ImageCodecs.h"
#include "render/DrawInfo.h"
#include "render/PagePainter.h"
#include "render/RasterSurface.h"
#include "tools/JsonText.h"
#include "tools/OpenWarningsJson.h"
#include "tools/OutOfMemoryAnswer.h"

using namespace kvn;

namespace {

using Clock = std::chrono::steady_clock;

// Sides beyond this are refused: the raster surface's own limit is far
// higher, but a diagnostic picture of 64 megapixels is already a mistake.
constexpr int kMaxSide = 8192;

struct Options {
  std::optional<std::uint32_t> sheet;
  std::optional<std::uint16_t> page;
  int width = 1600;
  int height = 1200;
  bool frame = false;
  std::string file, out;
};

int Usage() {
  std::fprintf(stderr,
               "usage: kvn-render [--sheet N] [--page N] [--width W] [--height H] [--frame] [--] FILE OUT.png\n");
  return 2;
}

bool ParseNumber(const char* text, long low, long high, long& value) {
  char* end = nullptr;
  value = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && value >= low && value <= high;
}

// Null when the arguments cannot be used (the usage has been printed).
std::optional<Options> ParseArguments(int argc, char** argv) {
  Options o;
  std::vector<std::string> files;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    long v = 0;
    auto next = [&](long low, long high) { return i + 1 < argc && ParseNumber(argv[++i], low, high, v); };
    if (!options) {
      files.push_back(arg);
    } else if (arg == "--") {
      options = false;
    } else if (arg == "--frame") {
      o.frame = true;
    } else if (arg == "--sheet") {
      if (!next(0, 65535)) return std::nullopt;
      o.sheet = std::uint32_t(v);
    } else if (arg == "--page") {
      if (!next(0, 65535)) return std::nullopt;
      o.page = std::uint16_t(v);
    } else if (arg == "--width") {
      if (!next(1, kMaxSide)) return std::nullopt;
      o.width = int(v);
    } else if (arg == "--height") {
      if (!next(1, kMaxSide)) return std::nullopt;
      o.height = int(v);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return std::nullopt;
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 2) return std::nullopt;
  o.file = files[0];
  o.out = files[1];
  return o;
}

int Fail(int result, const std::string& message) {
  std::string out = "{\"result\": " + std::to_string(result) + ", \"message\": ";
  tool::AppendJsonString(out, message);
  out += "}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 1;
}

double Milliseconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// The world rectangle "All elements" fits: the extent of the objects of the
// page (every object without one).
DRect ObjectExtent(cSheet& sheet, const std::optional<std::uint16_t>& page) {
  cDrawing& drawing = sheet.Drawing();
  DRect r;
  if (drawing.TopBlock() == nullptr) return r;
  ExtentFilter filter;
  if (page) {
    filter.drawingPages = int(drawing.PageCount());
    filter.page = &*page;
  }
  drawing.TopBlock()->GetFilteredExtent(filter, sheet.Data(), r);
  return r;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  if (written && closed) return true;
  std::remove(path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseArguments(argc, argv);
  if (!options) return Usage();
  const Options& o = *options;

  SetLanguageIndex(ReadLanguageSetting());
  const WString path = PathFromBytes(o.file);
  // From here on a heap that runs out still gets its answer.
  tool::AnswerOutOfMemory(path, "{\"result\": " + std::to_string(int(kOpenNotReadable)) + ", \"message\": ");
  InstallDrawingServices();

  const Clock::time_point start = Clock::now();
  OpenRequest request;
  request.quiet = true;
  DocumentResult result = OpenDrawing(path, request);
  const Clock::time_point opened = Clock::now();
  cDrawingDoc* document = result.Document();
  if (!result.Ok() || document == nullptr) {
    const int code = result.Ok() ? -1 : int(result.Code());
    return Fail(code, MakeOpenFailureMessage(result, path).text.ToUtf8());
  }
  std::uint32_t sheetIndex = 0;
  if (o.sheet) {
    sheetIndex = *o.sheet;
  } else {
    std::uint32_t entryPage = 0;
    document->EntryToSheetAndPage(sheetIndex, entryPage, document->currentEntry);
  }
  if (sheetIndex >= document->SheetCount()) {
    return Fail(-1, "sheet " + std::to_string(sheetIndex) + " does not exist (the drawing has " +
                        std::to_string(document->SheetCount()) + ")");
  }
  cSheet& sheet = *document->GetSheet(sheetIndex);
  cDrawing& drawing = sheet.Drawing();
  if (o.page && *o.page >= std::max<std::uint32_t>(drawing.PageCount(), 1)) {
    return Fail(-1, "page " + std::to_string(*o.page) + " does not exist (the sheet has " +
                        std::to_string(drawing.PageCount()) + ")");
  }

  const TRect client{0, 0, o.width, o.height};
  const DRect extent = ObjectExtent(sheet, o.page);
  const WorldMapping mapping = FitRectMapping(drawing, extent, client);

  cRasterSurface surface(false);
  if (!surface.Prepare(client)) return Fail(-1, "no raster surface of " + std::to_string(o.width) + " x " +
                                                    std::to_string(o.height) + " pixels");
  // The drawing window's paint: smooth edges, the screen's options.
  surface.SetAntiAliasMode(1);
  const std::uint16_t page = o.page.value_or(0);
  if (o.frame) {
    RenderDrawingPage(mapping, &sheet, page, client, client, surface.DC(), surface);
  } else {
    surface.FillRectColorref(0, 0, o.width, o.height, 0x00FFFFFF);
    drawing.Summary();
    cDrawInfo info(mapping, sheet.Data(), surface.DC(), &surface);
    if (o.page) {
      PaintSheetPage(sheet, page, info);
    } else {
      // Without a drawing record the painter does not look at pages.
      cDrawingData* data = sheet.Data();
      PaintObjectChain(&data->Levels(), data, drawing.TopBlock(), nullptr, 0, info);
    }
  }
  surface.Flush();
  std::vector<std::uint8_t> png;
  if (!EncodePngToMemory(surface.ToDib24(), &png) || !WriteFile(o.out, png)) {
    return Fail(-1, "cannot write " + o.out);
  }
  const Clock::time_point painted = Clock::now();

  std::string out = "{\"result\": 0, \"sheet\": " + std::to_string(sheetIndex) + ", \"page\": ";
  out += o.page ? std::to_string(*o.page) : "null";
  out += ", \"extent\": [";
  const double corners[4] = {extent.x1, extent.y1, extent.x2, extent.y2};
  for (int i = 0; i < 4; ++i) {
    if (i) out += ", ";
    tool::AppendNumber(out, corners[i]);
  }
  out += "], \"scale\": ";
  tool::AppendNumber(out, mapping.scale * 4.0);
  out += ", \"ms\": {\"open\": ";
  tool::AppendNumber(out, double(std::int64_t(Milliseconds(start, opened) * 10.0 + 0.5)) / 10.0);
  out += ", \"paint\": ";
  tool::AppendNumber(out, double(std::int64_t(Milliseconds(opened, painted) * 10.0 + 0.5)) / 10.0);
  out += "}";
  tool::AppendOpenWarnings(out, result, path);
  out += "}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
