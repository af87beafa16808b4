// The entity records of R11/R12 drawings: a common head (type, flags,
// length, layer, options word and the optional fields the flags announce),
// a body by type whose optional fields follow the options word, and the
// record's check word at its stated end. Angles are stored in radians.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "dwg/old/DwgOldReader.h"
#include "foundation/InFileStream.h"
#include "import/records/TableRecords.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {

constexpr std::uint16_t kSeed = 0xC0C1;

const char* TypeName(int type) {
  static const char* const kNames[] = {"0",        "LINE",     "POINT",    "CIRCLE", "SHAPE",     "5",
                                       "6",        "TEXT",     "ARC",      "TRACE",  "10",        "SOLID",
                                       "BLOCK",    "ENDBLK",   "INSERT",   "ATTDEF", "ATTRIB",    "SEQEND",
                                       "18",       "POLYLINE", "VERTEX",   "21",     "3DFACE",    "DIMENSION",
                                       "VIEWPORT"};
  if (type >= 0 && type <= 24) return kNames[type];
  return "unknown";
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return text;
}

class EntityReader {
 public:
  EntityReader(OldDwgState& state, YxxfGroupRecord& record) : s_(state), r_(record) {}

  // The body of one record; the entity code to dispatch, 0 for none.
  int Body(int type, std::uint8_t flags, std::uint16_t opt, double elevation, const char** reason);

 private:
  void Point2(int code, double z) {
    const double x = s_.Double();
    r_.AddPoint3(std::uint16_t(code), x, s_.Double(), z);
  }
  // 2-D when flags bit 0x04 is set.
  void PointByFlags(int code, std::uint8_t flags) {
    const double x = s_.Double(), y = s_.Double();
    r_.AddPoint3(std::uint16_t(code), x, y, (flags & 0x04) ? 0.0 : s_.Double());
  }
  void Point3(int code) {
    const double x = s_.Double(), y = s_.Double();
    r_.AddPoint3(std::uint16_t(code), x, y, s_.Double());
  }
  void Number(int code) { r_.AddDouble(std::uint16_t(code), s_.Double()); }
  void Angle(int code) { r_.AddDouble(std::uint16_t(code), s_.Double() * kDegPerRad); }
  void Text(int code) { r_.AddString(std::uint16_t(code), std::string_view(s_.CountedText())); }
  void ExtrusionThickness(std::uint16_t opt) {
    if (opt & 1) Point3(210);
    if (opt & 2) Number(39);
  }
  void StyleIndex() {
    const std::uint8_t index = s_.U8();
    if (index < s_.reader.styles.Count()) r_.AddHandle64(7, s_.reader.styles[index]->handle);
  }
  // The option fields of attributes and their definitions, in option-bit
  // order under the DXF codes of the same fields.
  void AttributeOptions(std::uint16_t opt);
  bool BlockHandle(std::uint16_t index, int code) {
    if (index >= s_.reader.blocks.Count()) return false;
    r_.AddHandle64(std::uint16_t(code), s_.reader.blocks[index]->handle);
    return true;
  }
  void OpenBlock(double x, double y, const std::string& name);

  OldDwgState& s_;
  YxxfGroupRecord& r_;
};

void EntityReader::AttributeOptions(std::uint16_t opt) {
  r_.AddInt(70, s_.U8());
  if (opt & 1) r_.AddInt(73, s_.U8());
  if (opt & 2) Angle(50);
  if (opt & 4) Number(41);
  if (opt & 8) Angle(51);
  if (opt & 16) StyleIndex();
  if (opt & 32) r_.AddInt(71, s_.U8());
  if (opt & 64) r_.AddInt(72, s_.U8());
  if (opt & 128) Point2(11, 0.0);
  if (opt & 256) Point3(210);
  if (opt & 512) r_.AddInt(74, s_.U8());
}

void EntityReader::OpenBlock(double x, double y, const std::string& name) {
  YxxfReader& reader = s_.reader;
  YxxfBlockRec* block = nullptr;
  if (!name.empty()) {
    const std::string wanted = Upper(s_.Decode(name).ToUtf8());
    for (std::uint32_t i = 0; i < reader.blocks.Count() && !block; ++i) {
      if (Upper(reader.blocks[i]->name.ToUtf8()) == wanted) block = reader.blocks[i];
    }
  }
  // A BLOCK without a name (or with one the table lacks) opens the next
  // block of the table in order.
  if (!block && s_.blocksOpened < reader.blocks.Count()) block = reader.blocks[s_.blocksOpened];
  ++s_.blocksOpened;
  if (block) {
    block->base = Vec3{x, y, 0.0};
    s_.owner = block->handle;
  }
}

int EntityReader::Body(int type, std::uint8_t flags, std::uint16_t opt, double elevation, const char** reason) {
  switch (type) {
    case 1:
      PointByFlags(10, flags), PointByFlags(11, flags);
      ExtrusionThickness(opt);
      return entity::kLine;
    case 2:
      PointByFlags(10, flags);
      ExtrusionThickness(opt);
      return entity::kPoint;
    case 3:
      Point2(10, elevation), Number(40);
      ExtrusionThickness(opt);
      return entity::kCircle;
    case 4:
      s_.Double(), s_.Double(), s_.U16();
      ExtrusionThickness(opt);
      *reason = "not dispatched";
      return 0;
    case 7: {
      Point2(10, elevation), Number(40), Text(1);
      double rotation = 0.0, oblique = 0.0;
      if (opt & 1) rotation = s_.Double();
      if (opt & 2) Number(41);
      if (opt & 4) oblique = s_.Double();
      if (opt & 8) StyleIndex();
      if (opt & 16) r_.AddInt(71, s_.U8());
      if (opt & 32) r_.AddInt(72, s_.U8());
      if (opt & 64) Point2(11, elevation);
      if (opt & 128) Point3(210);
      if (opt & 0x100) r_.AddInt(73, s_.U8());
      r_.AddDouble(50, rotation * kDegPerRad);
      r_.AddDouble(51, oblique * kDegPerRad);
      return entity::kText;
    }
    case 8:
      Point2(10, elevation), Number(40), Angle(50), Angle(51);
      ExtrusionThickness(opt);
      return entity::kArc;
    case 9:
    case 11:
      for (int code = 10; code <= 13; ++code) Point2(code, elevation);
      ExtrusionThickness(opt);
      return entity::kSolid;
    case 12: {
      const double x = s_.Double(), y = s_.Double();
      std::string name;
      if (opt & 1) name = s_.CountedText();
      if (opt & 2) s_.CountedText();
      if (opt & 4) s_.CountedText();
      OpenBlock(x, y, name);
      *reason = "block head";
      return 0;
    }
    case 13:
      s_.owner = 0;
      *reason = "block end";
      return 0;
    case 14: {
      const std::uint16_t index = s_.U16();
      Point2(10, elevation);
      if (opt & 1) Number(41);
      if (opt & 2) Number(42);
      if (opt & 4) Angle(50);
      if (opt & 8) Number(43);
      if (opt & 16) r_.AddInt(70, s_.U16());
      if (opt & 32) r_.AddInt(71, s_.U16());
      if (opt & 64) Number(44), Number(45);
      if (opt & 0x100) Point3(210);
      if (flags & 0x80) r_.AddInt(66, 1);
      if (!BlockHandle(index, 2)) {
        *reason = kOldSkipBadBlockIndex;
        return 0;
      }
      return entity::kInsert;
    }
    case 15:
      Point2(10, elevation), Number(40), Text(1), Text(2), Text(3);
      AttributeOptions(opt);
      return entity::kAttDef;
    case 16:
      Point2(10, elevation), Number(40), Text(1), Text(2);
      AttributeOptions(opt);
      return entity::kAttrib;
    case 17:
      s_.U32();
      return entity::kSeqEnd;
    case 19:
      if (opt & 1) r_.AddInt(70, s_.U8());
      if (opt & 2) Number(40);
      if (opt & 4) Number(41);
      if (opt & 8) Point3(210);
      for (int bit = 0; bit < 5; ++bit) {
        if (opt & (16 << bit)) r_.AddInt(std::uint16_t(71 + bit), s_.U16());
      }
      r_.AddInt(66, 1);
      return entity::kPolyline;
    case 20:
      if (opt < 32) Point2(10, elevation);
      if (opt & 1) Number(40);
      if (opt & 2) Number(41);
      if (opt & 4) Number(42);
      if (opt & 8) r_.AddInt(70, s_.U8());
      if (opt & 16) Angle(50);
      for (int bit = 0; bit < 4; ++bit) {
        if (opt & (32 << bit)) r_.AddInt(std::uint16_t(71 + bit), s_.S16());
      }
      return entity::kVertex;
    case 22:
      for (int code = 10; code <= 13; ++code) PointByFlags(code, flags);
      if (opt & 1) r_.AddInt(70, s_.U16());
      return entity::k3DFace;
    case 23: {
      const std::uint16_t index = s_.U16();
      Point3(10), Point2(11, 0.0);
      if (opt & 1) Point2(12, 0.0);
      if (opt & 2) r_.AddInt(70, int(s_.U8()) - 32);
      if (opt & 4) Text(1);
      if (opt & 8) Point3(13);
      if (opt & 16) Point3(14);
      if (opt & 32) Point3(15);
      if (opt & 64) Point3(16);
      if (opt & 128) Number(40);
      if (opt & 256) Angle(50);
      if (opt & 512) Angle(52);
      if (opt & 1024) Angle(53);
      if (opt & 2048) Angle(51);
      if (opt & 0x4000) Point3(210);
      if (opt & 0x8000) s_.U16();
      if (!BlockHandle(index, 2)) {
        *reason = kOldSkipBadBlockIndex;
        return 0;
      }
      return entity::kDimension;
    }
    case 24:
      Point3(10), Number(40), Number(41);
      r_.AddInt(69, s_.U16());
      return entity::kViewport;
    default:
      *reason = "unknown type";
      return 0;
  }
}

}  // namespace

bool ReadOldDwgEntities(OldDwgState& s, std::uint32_t start, std::uint32_t end, bool trailingBlock) {
  s.in.Seek(start);
  if (start == end) return true;
  const std::int64_t limit = std::int64_t(end) - (trailingBlock ? 32 : 0);
  const std::int64_t sectionEnd2 = std::int64_t(end) - 2;
  YxxfReader& reader = s.reader;
  YxxfGroupRecord record;
  EntityReader body(s, record);
  std::int64_t previous = -1;
  while (std::int64_t(s.in.Position()) < limit) {
    const std::int64_t at = std::int64_t(s.in.Position());
    s.crc = kSeed;
    // Records only move forward; one that comes back would loop.
    if (at <= previous) s.failed = true;
    previous = at;
    if (!s.Progress()) return false;
    if (s.failed) return false;
    if (s.AtEnd()) {
      s.failed = true;
      return false;
    }
    record.Clear();
    record.SetCodePage(s.codePage);
    record.AddHandle64(32769, s.owner);
    record.AddInt(32776, 1);
    const std::uint8_t type = s.U8();
    const std::uint8_t flags = s.U8();
    const std::uint16_t length = s.U16();
    const std::int64_t recordEnd = std::min(at - 2 + length, sectionEnd2);
    // Whole records fill the range up to its limit.
    const bool pastRange = at + length > limit;
    if (recordEnd < at) {
      s.failed = true;
      return false;
    }
    const std::uint16_t layer = s.U16();
    if (layer < reader.layers.Count()) record.AddHandle64(8, reader.layers[layer]->handle);
    const std::uint16_t opt = s.U16();
    std::uint8_t extra = 0;
    if (flags & 0x40) {
      extra = s.U8();
      if (extra & 2) ReadOldExtendedData(s, record);
    }
    if (flags & 0x01) record.AddInt(62, s.U8());
    std::uint64_t lineType = s.byLayerLineType;
    if (flags & 0x02) {
      const std::uint16_t index = s.U16();
      if (index == 32767) {
        lineType = s.byLayerLineType;
      } else if (index < reader.lineTypes.Count()) {
        lineType = reader.lineTypes[index]->handle;
      } else {
        lineType = s.byBlockLineType;
      }
    }
    record.AddHandle64(6, lineType);
    double elevation = 0.0;
    if ((flags & 0x04) && type >= 3 && type != 22) elevation = s.Double();
    if (flags & 0x08) s.Double();
    if (flags & 0x20) {
      const std::uint8_t n = s.U8();
      std::uint64_t handle = 0;
      if (n < 9) {
        for (int i = 0; i < n; ++i) handle |= std::uint64_t(s.U8()) << (8 * i);
      }
      record.AddHandle64(5, handle);
    } else {
      record.AddHandle64(5, s.NextHandle());
    }
    // The space the import places the entity in (item 67) is the one it is
    // counted in.
    bool paper = false;
    if (extra & 4) {
      const std::uint16_t space = s.U16();
      paper = space != 0;
      record.AddInt(67, space);
    }
    const char* name = TypeName(type);
    const char* reason = nullptr;
    int code = body.Body(type, flags, opt, elevation, &reason);
    ++s.readCounts[name];
    if (s.failed) return false;
    // What the entity range holds in each space, whatever the import makes
    // of it; block brackets and the parts of polylines and inserts are no
    // entities of a space.
    if (s.owner == 0 && type != 12 && type != 13 && type != 16 && type != 17 && type != 20 &&
        std::string_view(name) != "unknown" && !(name[0] >= '0' && name[0] <= '9')) {
      ++(paper ? s.paperCounts : s.modelCounts)[name];
    }
    if (std::int64_t(s.in.Position()) != recordEnd) ++s.realignedCounts[name];
    // The check word covers the record from its type byte to its stated
    // end: a body that read past that end is read again up to it. A body
    // shorter than its record leaves fields this reader does not know; one
    // that ran past it took its last values from the next record.
    const bool overran = std::int64_t(s.in.Position()) > recordEnd;
    if (overran) {
      s.in.Seek(std::uint64_t(at));
      s.crc = kSeed;
    }
    if (!s.MoveTo(std::uint64_t(recordEnd))) return false;
    const std::uint16_t computed = s.crc;
    const std::uint16_t stored = s.U16();
    if (stored == computed) {
      s.checkWordsWritten = true;
    } else if (s.checkWordsWritten || (s.headerChecked && stored != 0)) {
      // Whatever was read of a damaged record may be wrong: its type, its
      // length, any value. A BLOCK or ENDBLK still moved the owner.
      reason = kOldSkipCrcMismatch;
      code = 0;
    }
    // Only a record whose values are taken loses by it (a BLOCK names the
    // block it opens); the SHAPE, read and dropped, may run past its end
    // in a whole file.
    if (overran && (code != 0 || type == 12) && reason != kOldSkipCrcMismatch) {
      reason = kOldSkipDataEndMissed;
      code = 0;
    }
    if (pastRange && reason != kOldSkipCrcMismatch) {
      reason = kOldSkipOverrun;
      code = 0;
    }
    if (code != 0) {
      reader.DispatchEntity(record, code);
    } else {
      if (reason == kOldSkipCrcMismatch || reason == kOldSkipBadBlockIndex || reason == kOldSkipDataEndMissed ||
          reason == kOldSkipOverrun) {
        ++s.damagedRecords;
      }
      ++s.skippedCounts[name];
      ++s.skippedReasons[name][reason ? reason : "not dispatched"];
    }
  }
  for (int i = 0; i < 32; ++i) s.U8();
  return !s.failed;
}

}  // namespace kvn
