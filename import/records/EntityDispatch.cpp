// The entity dispatch of the reader context: the name table, the header
// variables, and what each entity code becomes.
#include <strings.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "foundation/QuickHash.h"
#include "import/records/DwgCodePages.h"
#include "import/records/HatchRecord.h"
#include "import/records/InsertRecord.h"
#include "import/records/PictureRecords.h"
#include "import/records/PolylineRecords.h"
#include "import/records/ProxyObjectDecoder.h"
#include "import/records/ViewportRecord.h"
#include "import/records/SimpleRecords.h"
#include "import/records/TextNumbers.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"

namespace kvn {

namespace {

struct EntityName {
  const char* name;
  int code;
};

// Searched from the first row; the first equal row wins.
constexpr EntityName kEntityNames[] = {
    {"3DFACE", 24},       {"3DSOLID", 42},      {"ACAD_PROXY_ENTITY", 38}, {"ACAD_PROXY_OBJECT", 39},
    {"ARC", 9},           {"ATTDEF", 22},       {"ATTRIB", 23},            {"BODY", 43},
    {"CIRCLE", 8},        {"DIMENSION", 26},    {"ARC_DIMENSION", 27},     {"ELLIPSE", 32},
    {"HATCH", 29},        {"IMAGE", 44},        {"IMAGEDEF", 45},          {"INSERT", 7},
    {"LEADER", 30},       {"MULTILEADER", 31},  {"MLEADER", 31},           {"LINE", 2},
    {"LWPOLYLINE", 35},   {"MLINE", 33},        {"MTEXT", 28},             {"OLEFRAME", 46},
    {"OLE2FRAME", 47},    {"ACAD_TABLE", 48},   {"POINT", 19},             {"POLYLINE", 3},
    {"RAY", 49},          {"REGION", 50},       {"SEQEND", 5},             {"SHAPE", 21},
    {"SOLID", 18},        {"SPLINE", 34},       {"TEXT", 6},               {"TOLERANCE", 37},
    {"TRACE", 20},        {"VERTEX", 4},        {"VIEWPORT", 25},          {"XLINE", 40},
    {"3DLINE", 10},       {"RTEXT", 36},        {"LAYER", 11},             {"VIEW", 12},
    {"LTYPE", 13},        {"STYLE", 15},        {"UCS", 14},               {"BLOCK", 16},
    {"ENDBLK", 17},       {"LAYOUT", 51},       {"BLOCK_RECORD", 52},      {"ENDTAB", 41},
    {"SORTENTSTABLE", 53}, {"VPORT", 54},
};
static_assert(sizeof(kEntityNames) / sizeof(kEntityNames[0]) == 54, "54 rows");

// The proxy formats and the DWG release each selects.
int ProxyVersion(int format) {
  switch (format) {
    case 21: return 14;
    case 23: return 15;
    case 25: return 18;
    case 27: return 21;
    case 29: return 24;
    case 31: return 27;
    default: return 0;
  }
}

bool StartsWithAC(const AString& text) { return text.Length() >= 2 && text[0] == 'A' && text[1] == 'C'; }

}  // namespace

int EntityCodeOfName(const char* name) {
  if (!name || !*name) return 0;
  // Every entity asks: the name in upper case against a table of the rows'
  // names (the longest has 17 letters; a longer name is none of them). The
  // table is open-addressed by a quick hash of the letters, found in a
  // probe or two without the general map's hashing and buckets.
  constexpr std::size_t kSlots = 256;
  struct Slot {
    std::string_view name;
    int code = 0;
  };
  static const std::array<Slot, kSlots> kByName = [&] {
    std::array<Slot, kSlots> table{};
    for (const EntityName& row : kEntityNames) {
      const std::string_view key(row.name);
      std::size_t at = QuickHash(key) % kSlots;
      while (!table[at].name.empty()) at = (at + 1) % kSlots;
      table[at] = Slot{key, row.code};
    }
    return table;
  }();
  char upper[24];
  std::size_t n = 0;
  for (; name[n]; ++n) {
    if (n == sizeof(upper)) return 0;
    const char c = name[n];
    upper[n] = c >= 'a' && c <= 'z' ? char(c - 32) : c;
  }
  const std::string_view key(upper, n);
  for (std::size_t at = QuickHash(key) % kSlots; !kByName[at].name.empty(); at = (at + 1) % kSlots) {
    if (kByName[at].name == key) return kByName[at].code;
  }
  return 0;
}

const char* EntityNameOfCode(int code) {
  for (const EntityName& row : kEntityNames) {
    if (row.code == code) return row.name;
  }
  return nullptr;
}

// ---- sections ----

void YxxfReader::DispatchSection(YxxfGroupRecord& record, const char* name, YxxfSection section) {
  record.SetCodePage(TextCodePage());
  switch (section) {
    case YxxfSection::Header:
      HandleHeader(record);
      return;
    case YxxfSection::Classes: {
      auto entry = new YxxfClassRec;
      record.FindNarrowString(entry->name, 1);
      entry->number = std::uint16_t(500 + classes.Count());
      classes.Add(entry);
      return;
    }
    default:
      break;
  }
  int code = EntityCodeOfName(name);
  if (code == 0) {
    // Unknown names among the graphical entities are reported; the objects
    // section is full of non-graphical ones that are none of the import's business.
    if (name && *name && (section == YxxfSection::Entities || section == YxxfSection::Blocks)) {
      statistics.CountDropped(name, DropReason::UnknownName);
    }
    return;
  }
  currentName_ = EntityNameOfCode(code);
  // The name as the file writes it distinguishes MLEADER from MULTILEADER.
  if (code == entity::kMultiLeader) {
    AString upper(name);
    upper.MakeUpper();
    currentName_ = upper.CStr();
  }
  DispatchEntity(record, code);
  currentName_.clear();
}

void YxxfReader::HandleHeader(const YxxfGroupRecord& record) {
  AString variable;
  std::uint32_t at = 0;
  while (record.FindNarrowString(variable, 9, &at)) {
    const char* v = variable.CStr();
    if (strcasecmp(v, "$LUNITS") == 0) {
      lunits = record.GetInt(70, 0, at);
    } else if (strcasecmp(v, "$LUPREC") == 0) {
      luprec = record.GetInt(70, 0, at);
    } else if (strcasecmp(v, "$AUNITS") == 0) {
      aunits = record.GetInt(70, 0, at);
    } else if (strcasecmp(v, "$AUPREC") == 0) {
      auprec = record.GetInt(70, 0, at);
    } else if (strcasecmp(v, "$ACADVER") == 0) {
      AString text = record.GetNarrowString(1, nullptr, at);
      if (StartsWithAC(text)) drawingVersion = ParseDecimalSaturated(text.CStr() + 2, text.Length() - 2);
    } else if (strcasecmp(v, "$LTSCALE") == 0) {
      ltScale = record.GetDouble(40, 0.0, at);
    } else if (strcasecmp(v, "$DWGCODEPAGE") == 0) {
      AString text = record.GetNarrowString(3, nullptr, at);
      int cp = CodePageFromName(text.CStr());
      if (cp != 0) codePage = std::uint16_t(cp);
    }
  }
}

// ---- entities ----

void YxxfReader::DispatchEntity(YxxfGroupRecord& record, int code) {
  if (code < 2 || code > 54) return;
  const std::string name = !currentName_.empty() ? currentName_ : EntityNameOfCode(code);
  auto handOver = [&](std::unique_ptr<cOneObjRec> rec) { AddEntity(record, std::move(rec), true, name); };
  const std::uint16_t c = std::uint16_t(code);

  switch (code) {
    case entity::kLine:
    case entity::k3DLine:
      handOver(std::make_unique<YxxfEntLine>(&record, record.GetPoint3(10), record.GetPoint3(11), c));
      return;
    case entity::kCircle:
      handOver(std::make_unique<YxxfEntCircle>(&record, record.GetPoint3(10), record.GetDouble(40), kNoFill, c));
      return;
    case entity::kArc:
      handOver(std::make_unique<YxxfEntArc>(&record, record.GetPoint3(10), record.GetDouble(40),
                                            record.GetDouble(50), record.GetDouble(51), c));
      return;
    case entity::kSolid:
    case entity::kTrace:
      handOver(std::make_unique<YxxfEntSolid>(&record, record.GetPoint3(10), record.GetPoint3(11),
                                              record.GetPoint3(12), record.GetPoint3(13), c));
      return;
    case entity::kEllipse:
      handOver(std::make_unique<cOneEllipse>(&record, record.GetPoint3(10), record.GetPoint3(11),
                                             record.GetDouble(40), record.GetDouble(41), record.GetDouble(42),
                                             kNoFill, c));
      return;
    case entity::k3DFace:
      Dispatch3DFace(record, name);
      return;

    case entity::kPolyline:
      DispatchPolyline(record, name);
      return;
    case entity::kVertex:
      DispatchVertex(record, name);
      return;
    case entity::kSeqEnd:
      attributesOpen_ = false;
      currentPolyline = nullptr;
      currentAttributeOwner = nullptr;
      statistics.CountApart(name);
      return;
    case entity::kInsert: {
      currentAttributeOwner = nullptr;
      attributesOpen_ = (record.GetInt(66) & 1) != 0;
      const Vec3 scale{record.GetDouble(41, 1.0), record.GetDouble(42, 1.0), record.GetDouble(43, 1.0)};
      handOver(std::make_unique<YxxfEntInsert>(&record, record.GetPoint3(10), scale, record.GetDouble(50), c));
      return;
    }
    case entity::kDimension:
    case entity::kArcDimension:
      // Dimensions show the block their writer drew them into (placed by
      // their point 12).
      handOver(std::make_unique<YxxfEntInsert>(&record, Vec3{}, Vec3{1, 1, 1}, 0.0, c));
      return;
    case entity::kAcadTable:
      // A table's block is drawn about its insertion point.
      handOver(std::make_unique<YxxfEntInsert>(&record, record.GetPoint3(10), Vec3{1, 1, 1}, 0.0, c));
      return;
    case entity::kAttrib:
    case entity::kText:
    case entity::kMText:
    case entity::kAttDef:
      DispatchText(record, code, name);
      return;
    case entity::kImage: {
      // The definition comes later (objects section): looked up when made.
      auto image = std::make_unique<cOneBitmap>(&record, c);
      // The IMAGEs of model and paper space are drawn where the file puts
      // them and judged there; a block's are in its units until an insert
      // places them (the block conversion judges them then), and only what
      // no placement mends is left out here.
      const YxxfBlockRec* owner = FindOwnerBlock(record);
      const bool inBlock = owner && !SheetBlock(*owner);
      const auto judge = inBlock ? ImageLossAnywhere : ImageLossBeforePlacing;
      if (const auto loss = judge(image->insertionPoint, image->uVector, image->vVector, image->size)) {
        statistics.CountLoss(name, *loss);
      } else {
        handOver(std::move(image));
      }
      return;
    }
    case entity::kOle2Frame: {
      auto frame = std::make_unique<cOLE>(&record, c);
      if (frame->valid) {
        handOver(std::move(frame));
      } else if (frame->pictureTooLarge) {
        statistics.CountLoss(name, LossReason::PictureTooLarge);
      } else {
        statistics.CountDropped(name, DropReason::NoPicture);
      }
      return;
    }
    case entity::kLwPolyline:
      DispatchLwPolyline(record, name);
      return;
    case entity::kHatch: {
      auto hatch = std::make_unique<cOneHatch>(&record, this, c);
      if (hatch->polygons.empty()) {
        statistics.CountLoss(name, LossReason::DamagedCount);
      } else {
        handOver(std::move(hatch));
      }
      return;
    }
    case entity::kViewport: {
      auto viewport = std::make_unique<cOneViewPort>(&record, c);
      // A view without a height shows nothing; the paper's overall viewport
      // (id 1, or the first of its block in a file without ids) is no view,
      // and is kept whatever its height for the assembly to find it.
      const double height = viewport->viewHeight;
      const YxxfBlockRec* owner = FindOwnerBlock(record);
      const bool first = owner && owner->viewportRecords == 0;
      const bool overall = viewport->viewportId == 1 || (viewport->viewportId == 0 && first);
      if (owner && !overall && !(height > 0.0 && height <= std::numeric_limits<double>::max())) {
        statistics.CountLoss(name, LossReason::DamagedCount);
        return;
      }
      // Kept in memory: the assembly looks for the paper's overall viewport.
      AddEntity(record, std::move(viewport), false, name);
      return;
    }
    case entity::kLeader:
      DispatchLeader(record, name);
      return;
    case entity::kMLine:
      DispatchMLine(record, name);
      return;
    case entity::kSpline:
      DispatchSpline(record, name);
      return;
    case entity::kMultiLeader:
      DispatchMLeader(record, name);
      return;
    case entity::kProxyEntity:
    case entity::kProxyObject:
      DispatchProxy(record, name);
      return;

    case entity::kPoint:
    case entity::kShape:
    case entity::kRText:
    case entity::kTolerance:
    case entity::kXLine:
    case entity::k3DSolid:
    case entity::kBody:
    case entity::kOleFrame:
    case entity::kRay:
    case entity::kRegion:
      statistics.CountDropped(name, DropReason::NotDrawn);
      return;
    case entity::kView:
    case entity::kEndTab:
      return;
    default:
      DispatchTable(record, code);
      return;
  }
}

void YxxfReader::Dispatch3DFace(const YxxfGroupRecord& record, const std::string& name) {
  std::int32_t flags = record.GetInt(70);
  const Vec3 corners[4] = {record.GetPoint3(10), record.GetPoint3(11), record.GetPoint3(12), record.GetPoint3(13)};
  if (flags == 0) {
    // One closed outline through the corners (a triangle repeats its third).
    auto polygon = std::make_unique<cLoadingPolygon>(0.0, 0x09u, 0u, &record, 0.0, entity::k3DFace);
    polygon->extrusion = Vec3{0, 0, 1};
    polygon->meshM = polygon->meshN = 0;
    for (int i = 0; i < (corners[3] == corners[2] ? 3 : 4); ++i) {
      LoadingVertex v;
      v.point = corners[i];
      polygon->AddVertex(v);
    }
    AddEntity(record, std::move(polygon), true, name);
    return;
  }
  YxxfBlockRec* owner = FindOwnerBlock(record);
  ImportSpace space = SpaceOf(owner, record);
  bool any = false, added = false;
  for (int edge = 0; edge < 4; ++edge) {
    if (flags & (1 << edge)) continue;
    any = true;
    auto line = std::make_unique<YxxfEntLine>(&record, corners[edge], corners[(edge + 1) % 4], entity::k3DFace);
    added = AddRecord(record, std::move(line), true) || added;
  }
  if (!any) {
    statistics.CountDropped(name, DropReason::NoVisibleEdge);
  } else if (added) {
    statistics.CountHanded(space, name);
  } else {
    statistics.CountDropped(name, DropReason::UnknownOwner);
  }
}

void YxxfReader::DispatchProxy(YxxfGroupRecord& record, const std::string& name) {
  // Class number and format: codes 91 and 95, else the first and second 1071.
  std::int32_t first1071 = 0, second1071 = 0;
  std::uint32_t at = 0;
  if (record.FindInt(first1071, 1071, &at)) record.FindInt(second1071, 1071, &at);
  std::int32_t number = 0, format = 0;
  if (!record.FindInt(number, 91)) number = first1071;
  if (!record.FindInt(format, 95)) format = second1071;
  const YxxfClassRec* found = nullptr;
  for (const YxxfClassRec* cls : classes) {
    if (!found && cls->number == number) found = cls;
  }
  if (!found || ProxyVersion(format) == 0) {
    statistics.CountDropped(name, DropReason::UnknownClass);
    return;
  }
  ProxyObjectDecoder decoder = GetProxyObjectDecoder();
  // A decoded record is never decoded again, whatever its class is named.
  if (!decoder || decodingProxy_) {
    statistics.CountDropped(name, DropReason::NotImportedYet);
    return;
  }
  // The object data: the 310 chunks, then the 311 chunks; the handles the
  // data refers to follow the last chunk.
  std::vector<std::uint8_t> bytes;
  ByteArray chunk;
  std::uint32_t lastChunk = 0;
  for (std::uint16_t code : {std::uint16_t(310), std::uint16_t(311)}) {
    std::uint32_t next = 0;
    while (record.FindBytes(chunk, code, &next)) {
      bytes.insert(bytes.end(), chunk.begin(), chunk.end());
      lastChunk = std::max(lastChunk, next);
    }
  }
  ProxyObjectData data;
  data.bytes = bytes;
  data.dataBits = std::uint32_t(record.GetInt(93));
  data.handleBits = std::uint32_t(record.GetInt(96));
  data.handle = record.GetHandle(5);
  data.typeName = found->name.CStr();
  data.version = ProxyVersion(format);
  data.codePage = record.CodePage();
  for (std::uint32_t i = lastChunk; i < record.Count(); ++i) {
    const YxxfItem* item = record.Item(i);
    if (item->subRecord != record.SubRecord() || item->code < 330 || item->code > 369) continue;
    std::uint64_t h = 0;
    std::uint32_t from = i;
    if (record.FindHandle(h, item->code, &from, i)) data.handles.push_back(h);
  }
  std::unique_ptr<YxxfGroupRecord> decoded = decoder(data);
  if (!decoded) {
    statistics.CountDropped(name, DropReason::NotImportedYet);
    return;
  }
  decodingProxy_ = true;
  DispatchSection(*decoded, found->name.CStr(), YxxfSection::Entities);
  decodingProxy_ = false;
}

void YxxfReader::DispatchTable(const YxxfGroupRecord& record, int code) {
  switch (code) {
    case entity::kLayer:
      AddTableLayer(YxxfLayerRec::FromRecord(record));
      return;
    case entity::kLineType:
      lineTypes.Add(YxxfLineTypeRec::FromRecord(record).release());
      return;
    case entity::kUcs:
      ucsList.Add(YxxfUcsRec::FromRecord(record).release());
      return;
    case entity::kStyle:
      styles.Add(YxxfStyleRec::FromRecord(record).release());
      return;
    case entity::kBlock:
      currentBlock = blocks.Add(YxxfBlockRec::FromRecord(record).release());
      return;
    case entity::kEndBlock:
      currentBlock = nullptr;
      return;
    case entity::kImageDef:
      imageDefs.Add(YxxfImageDefRec::FromRecord(record).release());
      return;
    case entity::kLayout:
      layouts.Add(YxxfLayoutRec::FromRecord(record).release());
      return;
    case entity::kBlockRecord:
      blockTableRecords.Add(YxxfBlockTableRec::FromRecord(record).release());
      return;
    case entity::kSortEntsTable:
      if (auto table = YxxfSortTableRec::FromRecord(record)) sortTables.Add(table.release());
      return;
    case entity::kVport:
      viewports.Add(YxxfViewportRec::FromRecord(record).release());
      return;
    default:
      return;
  }
}

}  // namespace kvn
