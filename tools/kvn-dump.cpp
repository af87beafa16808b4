// kvn-dump: opens a drawing file through the open dispatcher, quietly and
// without a window, and prints what the readers understood of it as one
// JSON document on standard output:
//
//   {"result": 0, "version": 3111, "sheets": [{"name": "...", "pages": 3,
//    "objectsOnPage": [4, 3, 3], "levels": ["name", ...], "blocks": 2,
//    "objects": {"cLine": 10}, "extent": [x1, y1, x2, y2], "fonts": [{"name":
//    "Arial", "kind": "name", "found": true}]}]}
//
// `objectsOnPage` counts the top block's objects on each page index (the
// object's page ids are page indexes; 4095 is every page), or all of them
// in one entry for a drawing without pages. `result` is the dispatcher's
// result code; a failed open adds `message`,
// the text the user would see in the viewer. `objects` counts the objects of
// each sheet's top block by class name (inserts not expanded), keys in
// alphabetical order; `extent` is the normalised union of their extents, or
// null without objects; `fonts` lists the font table: kind "shx", "none",
// "name", "file" (font file carried) or "outlines" (glyph outlines carried),
// and whether the machine has the family (or the SHX font has bytes or is
// built in); a font drawn in another face adds "substitute", that face
// (an installed family, or the built-in SHX font that stands in). Keys stay as they are; new ones are added as more
// formats are read. Exit status 0 whenever the document could be printed.
// Should the heap refuse a request for good, the answer is the failed open
// the viewer would show (result 5001, "message": its out-of-memory text
// with the most bytes held) and the exit status the allocator's (3).
//
// A DGN file adds "source": {"format": "DGN", "version": "V7", "entities"
// (graphic elements as drawn, by V7 type name: LINE, LINE_STRING, SHAPE,
// ARC, TEXT, COMPLEX_CHAIN...), "layers", "blocks" (cells), "skipped" (by type),
// "skippedReasons" (type -> reason -> count: "deleted", "non-planar", "type
// not drawn", "cut short", "unknown type" for TYPE_n), "readError"}.
//
// A picture or metafile (opened or refused by the picture import) adds
// "source": for a raster picture {"format", "width", "height",
// "bitsPerPixel", "frames"} as the file states them; for a metafile
// {"format": "EMF" | "WMF", "entities": records by name (a WMF's own
// records), "converted": a WMF's records after translation to EMF,
// "skipped": {"record": {"reason": n}} (read without making an object),
// "exploded": the interpreter's objects by class}.
//
// A DXF file adds "source": {"format": "DXF", "version" ($ACADVER), "encoding"
// ("ASCII" or "binary"), "entities" (model space by type), "layers",
// "blocks", "skipped", "paper" and "blockEntities" (the same counts for paper
// space and block definitions), "subEntities" (VERTEX, SEQEND, ATTRIB),
// "skippedReasons" (type -> reason -> count), "readError" (null or the
// message)}.
//
// DXF, DWG and DGN add to "skipped" and "skippedReasons" what the import
// lost after the reader took it: drawing objects left out for an "extent
// not finite" or an "extent beyond 1e20", records whose counts leave nothing
// to draw ("damaged count"), pictures refused for their size ("picture too
// large"), pictures in blocks whose frames collapse where their inserts
// place them ("no area where placed"), by the type of their record, and
// every entity taken "on no
// sheet" when none of the sheets holds anything; and, in "skippedReasons"
// only (the entity is kept), under "unreadable number" the numbers of a
// record that could not be read, counted per number, and under "expansion
// past the cap" the inserts shown only in part.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "document/DwgLoadReport.h"
#include "document/OpenDrawingFile.h"
#include "document/OpenFailureMessage.h"
#include "document/cDrawingDoc.h"
#include "app/DrawingServices.h"
#include "tools/JsonText.h"
#include "tools/OpenWarningsJson.h"
#include "tools/OutOfMemoryAnswer.h"
#include "foundation/AddressSanitizer.h"
#include "foundation/DRect.h"
#include "foundation/LangTable.h"
#include "foundation/PathBytes.h"
#include "foundation/WString.h"
#include "import/pictures/PictureSource.h"
#include "model/LevelTable.h"
#include "model/ObjectTypes.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cStyleFont.h"
#include "model/cOutObj.h"
#include "model/FontList.h"

using namespace kvn;

namespace {

const char* ClassName(std::uint8_t typeCode) {
  switch (typeCode) {
    case kTypeInsert: return "cInsert";
    case kTypeLine: return "cLine";
    case kTypeRectangle: return "cRectangle";
    case kTypeCircle: return "cCircle";
    case kTypeBezier: return "cBezier";
    case kTypeWall: return "cWall";
    case kTypePolygon: return "cPolygon";
    case kTypeBitmap: return "cBitmap";
    case kTypeWmf: return "cWmf";
    case kTypeArc: return "cArc";
    case kTypeNPoly: return "cNPoly";
    case kTypeText: return "cText";
    case kTypeLink: return "cLink";
    case kTypeSeparator: return "cSeparator";
    case kTypeConPoint: return "cConPoint";
    case kTypeDistance: return "cDistance";
    case kTypeSection: return "cSection";
    default: return "unknown";
  }
}

using tool::AppendJsonString;
using tool::AppendNumber;

void AppendFonts(std::string& out, cDrawingData& data) {
  out += ", \"fonts\": [";
  for (std::uint32_t i = 0; i < data.FontStyles().Count(); ++i) {
    cStyleFont* font = data.FontStyles().Get(i);
    if (i) out += ", ";
    out += "{\"name\": ";
    AppendJsonString(out, font ? font->name.ToUtf8() : std::string());
    const FontRecordKind kind = font ? font->GetKind() : FontRecordKind::kNoData;
    const char* kinds[] = {"none", "shx", "name", "file", "outlines"};
    out += ", \"kind\": \"" + std::string(kinds[int(kind) + 2]) + "\", \"found\": ";
    bool found = false;
    WString substitute;
    if (TrueTypeFaceSet* set = font ? font->FaceSet() : nullptr) {
      found = set->IsAvailable();
      // What draws a family nobody has whose outlines the drawing does not
      // carry either (the same choice the drawing makes).
      bool carried = false;
      for (const auto& face : set->faces) carried = carried || (face && !face->metrics.empty());
      if (!found && !carried) {
        (void)GetSubstituteFace(*set, 0);
        substitute = set->substituteName;
      }
    }
    if (font && font->Shx()) {
      // A built-in font counts as found before its bytes are fetched.
      found = font->substituteName.IsEmpty() && (font->shx->shared || !font->Shx()->bytes.empty());
      substitute = font->substituteName;
    }
    out += found ? "true" : "false";
    if (!substitute.IsEmpty()) {
      out += ", \"substitute\": ";
      AppendJsonString(out, substitute.ToUtf8());
    }
    out += "}";
  }
  out += "]";
}

void AppendSheet(std::string& out, cSheet& sheet) {
  cDrawing& drawing = sheet.Drawing();
  cDrawingData* data = sheet.Data();
  out += "{\"name\": ";
  AppendJsonString(out, sheet.name.ToUtf8());
  out += ", \"pages\": " + std::to_string(drawing.PageCount());
  // How many top-block objects each page index holds (one count of all
  // objects for a drawing without pages), the objects by type and their
  // extent, in one walk: the objects lie all over the heap.
  const std::uint32_t pages = drawing.PageCount();
  std::vector<std::uint64_t> onPage(std::max<std::uint32_t>(pages, 1));
  // Counted by type code first: a name looked up per object costs more than
  // the rest of the walk on a drawing of 100,000 objects.
  std::array<std::uint64_t, 256> byType{};
  DRect extent;
  bool first = true;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
    for (std::uint32_t page = 0; page < onPage.size(); ++page) {
      if (pages == 0 || o->IsOnPage(std::uint16_t(page))) ++onPage[page];
    }
    ++byType[o->TypeCode()];
    DRect box;
    // An insert the open measured keeps its extent; one it did not is
    // expanded here, and nothing being drawn, its expansion let go.
    cInsert* insert = o->AsInsert();
    if (insert && insert->ExtentsKeptFromDrop()) {
      insert->GetExtent(box);
    } else {
      o->GetExtentUpdated(data, box);
      if (insert) insert->DropChildren();
    }
    box.Normalize();
    extent.Union(box, first);
  }
  out += ", \"objectsOnPage\": [";
  for (std::uint32_t page = 0; page < onPage.size(); ++page) {
    if (page) out += ", ";
    out += std::to_string(onPage[page]);
  }
  out += "]";
  out += ", \"levels\": [";
  LevelTable& levels = data->Levels();
  if (levels.InUse()) {
    for (std::uint32_t i = 0; i < levels.Count(); ++i) {
      if (i) out += ", ";
      AppendJsonString(out, levels.GetLevel(std::uint16_t(i))->name.ToUtf8());
    }
  }
  out += "], \"blocks\": " + std::to_string(data->BlockCount());
  std::map<std::string, std::uint64_t> counts;
  for (std::size_t type = 0; type < byType.size(); ++type) {
    if (byType[type]) counts[ClassName(std::uint8_t(type))] += byType[type];
  }
  out += ", \"objects\": {";
  bool firstKey = true;
  for (const auto& [name, count] : counts) {
    if (!firstKey) out += ", ";
    firstKey = false;
    AppendJsonString(out, name);
    out += ": " + std::to_string(count);
  }
  out += "}, \"extent\": ";
  if (first) {
    out += "null";
  } else {
    extent.Normalize();
    out += "[";
    AppendNumber(out, extent.x1);
    out += ", ";
    AppendNumber(out, extent.y1);
    out += ", ";
    AppendNumber(out, extent.x2);
    out += ", ";
    AppendNumber(out, extent.y2);
    out += "]";
  }
  AppendFonts(out, *data);
  out += "}";
}

void AppendCounts(std::string& out, const std::map<std::string, std::uint64_t>& counts) {
  out += "{";
  bool first = true;
  for (const auto& [name, count] : counts) {
    if (!first) out += ", ";
    first = false;
    AppendJsonString(out, name);
    out += ": " + std::to_string(count);
  }
  out += "}";
}

// {name: {reason: count}}: counts under a second key.
void AppendNestedCounts(std::string& out, const std::map<std::string, std::map<std::string, std::uint64_t>>& counts) {
  out += "{";
  bool first = true;
  for (const auto& [name, inner] : counts) {
    if (!first) out += ", ";
    first = false;
    AppendJsonString(out, name);
    out += ": ";
    AppendCounts(out, inner);
  }
  out += "}";
}

// ", "skippedReasons": {type: {reason: count}}" of a reader's report.
void AppendSkippedReasons(std::string& out, const DwgLoadReport& report) {
  out += ", \"skippedReasons\": ";
  AppendNestedCounts(out, report.skippedReasons);
}

// The "source" object of a DWG file: what the DWG reader found.
void AppendDwgSource(std::string& out, const DwgLoadReport& report) {
  out += ", \"source\": {\"format\": \"DWG\", \"version\": ";
  AppendJsonString(out, report.version);
  out += ", \"headerChecked\": ";
  out += report.headerChecked ? "true" : "false";
  out += ", \"entities\": ";
  AppendCounts(out, report.entities);
  out += ", \"layers\": " + std::to_string(report.layers.size());
  out += ", \"blocks\": " + std::to_string(report.blocks.size());
  out += ", \"skipped\": ";
  AppendCounts(out, report.skipped);
  out += ", \"paper\": ";
  AppendCounts(out, report.paper);
  out += ", \"objects\": ";
  AppendCounts(out, report.objects);
  // R11/R12 records realigned to their stated end (body shorter or longer).
  out += ", \"realigned\": ";
  AppendCounts(out, report.realigned);
  AppendSkippedReasons(out, report);
  out += ", \"dispatched\": ";
  AppendCounts(out, report.dispatched);
  // Only the paged layouts have pages to tell of.
  if (report.pagesRead.empty() && report.pagesFailed.empty()) {
    out += "}";
    return;
  }
  out += ", \"pagesRead\": ";
  AppendCounts(out, report.pagesRead);
  out += ", \"pagesFailed\": [";
  for (std::size_t i = 0; i < report.pagesFailed.size(); ++i) {
    if (i) out += ", ";
    out += "{\"section\": ";
    AppendJsonString(out, report.pagesFailed[i].first);
    out += ", \"reason\": ";
    AppendJsonString(out, report.pagesFailed[i].second);
    out += "}";
  }
  out += "]}";
}

// The "source" object of a DXF or DGN file: what its reader found. DXF adds
// its encoding and the counts of paper space, blocks and sub-entities.
void AppendImportSource(std::string& out, const DwgLoadReport& report) {
  const bool dxf = report.format == "DXF";
  out += ", \"source\": {\"format\": ";
  AppendJsonString(out, report.format);
  out += ", \"version\": ";
  AppendJsonString(out, report.version);
  if (dxf) {
    out += ", \"encoding\": ";
    AppendJsonString(out, report.encoding);
  }
  out += ", \"entities\": ";
  AppendCounts(out, report.entities);
  out += ", \"layers\": " + std::to_string(report.layers.size());
  out += ", \"blocks\": " + std::to_string(report.blocks.size());
  out += ", \"skipped\": ";
  AppendCounts(out, report.skipped);
  if (dxf) {
    out += ", \"paper\": ";
    AppendCounts(out, report.paper);
    out += ", \"blockEntities\": ";
    AppendCounts(out, report.blockEntities);
    out += ", \"subEntities\": ";
    AppendCounts(out, report.subEntities);
  }
  AppendSkippedReasons(out, report);
  out += ", \"readError\": ";
  if (report.readError.empty()) {
    out += "null";
  } else {
    AppendJsonString(out, report.readError);
  }
  out += "}";
}

// The "source" object of a picture or metafile: what the file holds.
void AppendPictureSource(std::string& out, const PictureSourceReport& report) {
  out += ", \"source\": {\"format\": ";
  AppendJsonString(out, report.format);
  if (!report.metafile) {
    out += ", \"width\": " + std::to_string(report.width);
    out += ", \"height\": " + std::to_string(report.height);
    out += ", \"bitsPerPixel\": " + std::to_string(report.bitsPerPixel);
    out += ", \"frames\": " + std::to_string(report.frames) + "}";
    return;
  }
  out += ", \"entities\": ";
  AppendCounts(out, report.records);
  if (!report.converted.empty()) {
    out += ", \"converted\": ";
    AppendCounts(out, report.converted);
  }
  out += ", \"skipped\": ";
  AppendNestedCounts(out, report.skipped);
  out += ", \"exploded\": ";
  std::map<std::string, std::uint64_t> classes;
  for (const auto& [type, count] : report.exploded) classes[ClassName(type)] += count;
  AppendCounts(out, classes);
  out += "}";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kvn-dump <drawing file>\n");
    return 2;
  }
  // The message is the one the viewer would show: in its language.
  SetLanguageIndex(ReadLanguageSetting());
  // The name as the kernel knows it, whatever its encoding (PathBytes.h).
  const WString path = PathFromBytes(argv[1]);
  // From here on a heap that runs out still gets its answer.
  tool::AnswerOutOfMemory(path, "{\"result\": " + std::to_string(int(kOpenNotReadable)) +
                                    ", \"version\": null, \"sheets\": [], \"message\": ");
  // Readers, fonts, SHX archive and fields as the viewer has them.
  InstallDrawingServices();
  // Quiet: no message box, and every question of a reader answered "stop".
  OpenRequest request;
  request.quiet = true;
  DwgLoadReport dwgReport;
  request.dwgReport = &dwgReport;
  DocumentResult result = OpenDrawing(path, request);
  cDrawingDoc* document = result.Document();

  std::string out = "{\"result\": " + std::to_string(int(result.Code()));
  out += ", \"version\": ";
  out += document ? std::to_string(document->fileVersion) : "null";
  out += ", \"sheets\": [";
  if (document) {
    for (std::uint32_t i = 0; i < document->SheetCount(); ++i) {
      if (i) out += ", ";
      AppendSheet(out, *document->GetSheet(i));
    }
  }
  out += "]";
  if (dwgReport.format == "DXF" || dwgReport.format == "DGN") {
    AppendImportSource(out, dwgReport);
  } else if (!dwgReport.version.empty()) {
    AppendDwgSource(out, dwgReport);
  }
  PictureSourceReport pictureReport;
  if ((document && !result.native) || result.Code() == kOpenPictureFailed) {
    if (DescribePictureSource(path, &pictureReport)) AppendPictureSource(out, pictureReport);
  }
  if (!result.Ok()) {
    out += ", \"message\": ";
    AppendJsonString(out, MakeOpenFailureMessage(result, path).text.ToUtf8());
  }
  tool::AppendOpenWarnings(out, result, path);
  out += "}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  const int status = std::fflush(stdout) == 0 ? 0 : 1;
#if !defined(KVN_ADDRESS_SANITIZER)
  // The process ends here: the system takes the document's memory back at
  // once, which freeing its objects one by one would take a sixth of the
  // run for on a large drawing. Sanitizer builds free it, so that leak
  // checks keep covering the document's teardown.
  (void)result.TakeDocument().release();
#endif
  return status;
}
