// The fixed file header of R11/R12 drawings, its header-value block and the
// six table readers. Table entries get handles from the running counter in
// reading order (line types, blocks, layers, styles).
#include <cmath>
#include <cstdlib>
#include <memory>

#include "dwg/old/DwgOldReader.h"
#include "foundation/InFileStream.h"
#include "import/records/DwgCodePages.h"
#include "import/records/TableRecords.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"

namespace kvn {

namespace {

constexpr std::uint16_t kTableCrcSeed = 0xC0C1;

std::uint32_t LowWord(std::uint64_t h) { return std::uint32_t(h); }
std::uint32_t HighWord(std::uint64_t h) { return std::uint32_t(h >> 32); }

// Calls `entry` for every entry of the table at its place, then moves to the
// entry's check word; an entry that fails it is counted damaged and kept.
// False when the read failed or the file ended.
template <typename Entry>
bool ForEachEntry(OldDwgState& s, const OldTableDescriptor& d, Entry entry) {
  if (d.start == 0) return true;
  for (std::uint32_t i = 0; i < d.count; ++i) {
    if (s.failed) return false;
    if (s.AtEnd()) {
      s.failed = true;
      return false;
    }
    const std::uint64_t at = std::uint64_t(d.start) + std::uint64_t(d.size) * i;
    s.in.Seek(at);
    s.crc = kTableCrcSeed;
    entry();
    if (s.failed) return false;
    if (!s.MoveTo(at + d.size - 2)) return false;
    if (!s.CheckWordHolds()) ++s.damagedTableEntries;
  }
  for (int i = 0; i < 32; ++i) s.U8();
  return true;
}

}  // namespace

bool ReadOldTableDescriptor(OldDwgState& s, OldTableDescriptor& out, bool tableRead) {
  out.size = s.U16();
  out.count = s.U32();
  out.start = s.U32();
  bool bad = out.size > s.fileSize || out.start > s.fileSize;
  // A table that is read must fit in the file, and each entry must hold at
  // least its check word, or a huge count would loop for hours.
  if (tableRead && out.start != 0 && out.count != 0) {
    bad = bad || out.size < 2 || std::uint64_t(out.start) + std::uint64_t(out.size) * out.count > s.fileSize;
  }
  if (bad) s.failed = true;
  return !bad;
}

void ReadOldDwgHeaderVariables(OldDwgState& s) {
  auto doubles = [&](int n) {
    for (int i = 0; i < n; ++i) s.Double();
  };
  auto shorts = [&](int n) {
    for (int i = 0; i < n; ++i) s.U16();
  };
  doubles(3), shorts(1), doubles(14), shorts(1), doubles(2);  // 0x5E
  shorts(15);                                                  // 0xFA
  doubles(2), shorts(5);                                       // 0x118
  s.reader.ltScale = s.Double();                               // 0x132
  doubles(2), shorts(4), doubles(1), shorts(1), doubles(1), shorts(3), doubles(4), shorts(5);
  s.FixedText(144);                                            // 0x194
  shorts(2), s.U8(), doubles(5);                               // 0x224
  s.Skip(149);                                                 // 0x251
  doubles(2);                                                  // 0x2E6
  s.FixedText(32);                                             // 0x2F6
  s.U8(), s.U8(), shorts(2), s.U8(), s.U8(), s.U8();           // 0x316
  s.Skip(16);                                                  // 0x31F
  for (int i = 0; i < 4; ++i) s.U32();                         // 0x32F
  shorts(10), doubles(1), shorts(2), doubles(2), shorts(5), doubles(1);
  s.Skip(68);                                                  // 0x381
  doubles(2), shorts(4), doubles(2), shorts(1);                // 0x3C5
}

bool ReadOldLineTypeTable(OldDwgState& s, const OldTableDescriptor& d) {
  YxxfGroupRecord record;
  return ForEachEntry(s, d, [&] {
    record.Clear();
    record.AddHandle64(5, s.NextHandle());
    s.U8();
    const std::string name = s.FixedText(32);
    s.U16();
    const std::string description = s.FixedText(48);
    s.U8();
    const std::uint8_t dashes = s.U8();
    s.Double();
    double lengths[12];
    for (double& length : lengths) length = s.Double();
    if (s.failed) return;
    record.AddString(2, std::string_view(name));
    record.AddString(3, std::string_view(description));
    record.AddInt(73, dashes);
    for (int i = 0; i < dashes && i < 12; ++i) record.AddDouble(49, lengths[i]);
    record.SetCodePage(s.codePage);
    s.reader.DispatchEntity(record, entity::kLineType);
  });
}

bool ReadOldBlockTable(OldDwgState& s, const OldTableDescriptor& d) {
  return ForEachEntry(s, d, [&] {
    const std::uint8_t flags = s.U8();
    const std::string name = s.FixedText(32);
    s.U16(), s.U8(), s.U16(), s.U8(), s.U16(), s.U16();
    if (s.failed) return;
    const std::uint64_t handle = s.NextHandle();
    s.reader.blocks.Add(new YxxfBlockRec(s.Decode(name), Vec3{}, LowWord(handle), HighWord(handle), 0, 0, flags));
  });
}

bool ReadOldLayerTable(OldDwgState& s, const OldTableDescriptor& d) {
  return ForEachEntry(s, d, [&] {
    const std::uint8_t flags = s.U8();
    const std::string name = s.FixedText(32);
    s.U16();
    const std::int16_t color = s.S16();
    const std::uint16_t lineType = s.U16();
    if (s.failed || s.reader.layers.Count() >= 65535) return;
    int c = color == 256 ? 0 : color;
    const std::uint8_t off = c < 0 ? 1 : 0;
    c = std::abs(c);
    const std::uint16_t index = std::uint16_t(c <= 255 ? c : c & 0xFF);
    const std::uint64_t lt =
        lineType < s.reader.lineTypes.Count() ? s.reader.lineTypes[lineType]->handle : s.byLayerLineType;
    const std::uint64_t handle = s.NextHandle();
    s.reader.AddLayerRecord(std::make_unique<YxxfLayerRec>(s.Decode(name), index, -1, WString(), off,
                                                           std::uint8_t(flags & 1), std::uint8_t((flags >> 2) & 1),
                                                           LowWord(handle), HighWord(handle), LowWord(lt), HighWord(lt)));
  });
}

bool ReadOldStyleTable(OldDwgState& s, const OldTableDescriptor& d) {
  return ForEachEntry(s, d, [&] {
    s.U8();
    const std::string name = s.FixedText(32);
    s.U16();
    const double height = s.Double();
    const double width = s.Double();
    s.Double();
    const std::uint8_t generation = s.U8();
    s.Double();
    const std::string font = s.FixedText(128);
    if (s.failed) return;
    const std::uint64_t handle = s.NextHandle();
    s.reader.styles.Add(new YxxfStyleRec(s.Decode(name), LowWord(handle), HighWord(handle), s.Decode(font), WString(), 0,
                                         height, width, generation));
  });
}

void ReadOldViewTable(OldDwgState& s, const OldTableDescriptor& d) {
  ForEachEntry(s, d, [&] {
    s.U8();
    s.FixedText(32);
    s.U16();
    for (int i = 0; i < 10; ++i) s.Double();
    s.U16();
    for (int i = 0; i < 4; ++i) s.Double();
    s.U16();
  });
}

void ReadOldViewportTable(OldDwgState& s, const OldTableDescriptor& d) {
  YxxfGroupRecord record;
  ForEachEntry(s, d, [&] {
    record.Clear();
    s.U8();
    const std::string name = s.FixedText(32);
    s.U16();
    double v[8][3] = {};
    for (int i = 0; i < 2; ++i) v[0][i] = s.Double();
    for (int i = 0; i < 2; ++i) v[1][i] = s.Double();
    for (int i = 0; i < 3; ++i) v[2][i] = s.Double();  // 17
    for (int i = 0; i < 3; ++i) v[3][i] = s.Double();  // 16
    s.Double();
    const double height = s.Double();
    for (int i = 0; i < 2; ++i) v[4][i] = s.Double();  // 12
    const double aspect = s.Double();
    const double lensOrSnap = s.Double();
    s.Double(), s.Double();
    for (int i = 0; i < 8; ++i) s.U16();
    const double angle = s.Double();
    for (int i = 0; i < 6; ++i) s.Double();
    if (s.failed) return;
    record.AddString(2, std::string_view(name));
    record.AddPoint2(10, v[0][0], v[0][1]);
    record.AddPoint2(11, v[1][0], v[1][1]);
    record.AddPoint3(17, v[2][0], v[2][1], v[2][2]);
    record.AddPoint3(16, v[3][0], v[3][1], v[3][2]);
    record.AddDouble(40, height);
    record.AddPoint2(12, v[4][0], v[4][1]);
    if (aspect != 0.0) record.AddDouble(41, 1.0 / aspect);
    record.AddDouble(42, lensOrSnap);
    record.AddDouble(51, angle);
    record.SetCodePage(s.codePage);
    s.reader.DispatchEntity(record, entity::kVport);
  });
}

bool ReadOldDwgHeader(OldDwgState& s) {
  s.in.Seek(0);
  s.crc = kTableCrcSeed;
  s.FixedText(12);
  s.U8(), s.U16(), s.U16(), s.U16(), s.U8();
  const std::uint32_t secondStart = s.U32();
  const std::uint32_t secondEnd = s.U32();
  const std::uint32_t firstStart = s.U32();
  const std::uint32_t v = s.U32();
  std::uint32_t firstEnd = s.U32();
  if (firstEnd == 0) firstEnd = firstStart + v - 0x3FFFFFE0u;
  if (s.AtEnd()) {
    s.failed = true;
    return false;
  }
  s.U32();
  OldTableDescriptor blocks, layers, styles, lineTypes, views, other, viewports;
  if (!ReadOldTableDescriptor(s, blocks, true) || !ReadOldTableDescriptor(s, layers, true)) return false;
  if (!ReadOldTableDescriptor(s, styles, true) || !ReadOldTableDescriptor(s, lineTypes, true) ||
      !ReadOldTableDescriptor(s, views, true)) {
    return false;
  }
  ReadOldDwgHeaderVariables(s);
  if (s.failed || s.AtEnd()) {
    s.failed = true;
    return false;
  }
  if (!ReadOldTableDescriptor(s, other, false)) return false;
  const int row = s.U16();
  s.codePage = std::uint16_t(CodePageFromIndex(row));
  s.reader.codePage = s.codePage;
  for (int i = 0; i < 13; ++i) s.Double();
  if (!s.Skip(157) || !s.MoveTo(1280)) return false;
  if (!ReadOldTableDescriptor(s, viewports, true) || !s.Skip(8)) return false;
  if (!ReadOldTableDescriptor(s, other, false) || !s.Skip(6)) return false;
  if (!ReadOldTableDescriptor(s, other, false) || !s.MoveTo(1695)) return false;
  if (!ReadOldTableDescriptor(s, other, false) || !s.Skip(20)) return false;
  // The header's check word, over every byte before it.
  const std::uint16_t computed = s.crc;
  const std::uint16_t stored = s.U16();
  s.headerChecked = stored == computed;
  s.headerDamaged = stored != 0 && !s.headerChecked;
  if (!ReadOldLineTypeTable(s, lineTypes) || !ReadOldBlockTable(s, blocks) || !ReadOldLayerTable(s, layers) ||
      !ReadOldStyleTable(s, styles)) {
    s.failed = true;
    return false;
  }
  ReadOldViewTable(s, views);
  ReadOldViewportTable(s, viewports);
  if (s.failed || !s.Progress()) return false;
  // Both ranges must lie in the file.
  if (firstStart > s.fileSize || firstEnd > s.fileSize || secondStart > s.fileSize || secondEnd > s.fileSize) {
    s.failed = true;
    return false;
  }
  return ReadOldDwgEntities(s, firstStart, firstEnd, true) && ReadOldDwgEntities(s, secondStart, secondEnd, false);
}

}  // namespace kvn
