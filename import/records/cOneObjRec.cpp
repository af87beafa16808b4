#include "import/records/cOneObjRec.h"

#include <cstdint>

#include "foundation/InFileStream.h"
#include "foundation/OutFileStream.h"
#include "import/records/AciColors.h"
#include "import/records/SimpleRecords.h"
#include "import/records/YxxfGroupRecord.h"

namespace kvn {

namespace {

// The largest spool form of a simple record; records with variable data
// write it after their fixed part.
constexpr std::uint32_t kMaxFixedBytes = 256;

}  // namespace

cOneObjRec::cOneObjRec(const YxxfGroupRecord* record, std::uint16_t code) : entityCode(code) {
  if (!record) return;
  // The first item of every base code (the same first items the finders
  // would take); each value is then read from its own item.
  enum Slot { kHandle, kLineType, kColour, kTrueColour, kScale, kInvisible, kExtrusion, kSlots };
  static constexpr std::uint16_t kCodes[kSlots] = {5, 6, 62, 420, 48, 60, 210};
  std::int64_t at[kSlots];
  for (int slot = 0; slot < kSlots; ++slot) at[slot] = record->FindIndex(kCodes[slot]);
  auto first = [&](Slot slot) { return std::uint32_t(at[slot]); };
  if (at[kHandle] >= 0) handle = record->GetHandle(5, first(kHandle), first(kHandle));
  // A line-type handle counts only on entities that have a handle (DWG).
  if (at[kLineType] >= 0) {
    const YxxfItem* item = record->Item(first(kLineType));
    if (item->type == ItemType::Handle && handle != 0) {
      lineTypeHandle = item->value.h;
      lineTypeByHandle = 1;
    } else {
      std::uint32_t from = first(kLineType);
      record->FindString(lineTypeName, 6, &from, from);
    }
  }
  const std::int32_t aci = at[kColour] >= 0 ? record->GetInt(62, 256, first(kColour), first(kColour)) : 256;
  const std::int32_t rgb = at[kTrueColour] >= 0 ? record->GetInt(420, -1, first(kTrueColour), first(kTrueColour)) : -1;
  color = EntityColor(std::uint16_t(aci), rgb);
  if (at[kScale] >= 0) lineTypeScale = record->GetDouble(48, 1.0, first(kScale), first(kScale));
  if (at[kInvisible] >= 0) invisible = std::uint8_t(record->GetInt(60, 0, first(kInvisible), first(kInvisible)) & 1);
  if (at[kExtrusion] >= 0) extrusion = record->GetPoint3(210, first(kExtrusion));
}

ObjectChain cOneObjRec::MakeObject(const ImportMatrix*, YxxfReader*, void*) const { return ObjectChain(); }

std::uint32_t cOneObjRec::SpoolBytes() const { return kSpoolBaseBytes + DataBytes(); }

void cOneObjRec::WriteSpool(OutFileStream& out) const {
  spoolKind_ = std::uint32_t(Kind());
  std::uint32_t n = SpoolBytes();
  std::uint8_t buffer[kSpoolBaseBytes + kMaxFixedBytes];
  if (n > sizeof(buffer)) return;
  SpoolEncoder e(buffer);
  BaseFields(*this, e);
  EncodeData(e);
  out.Write(buffer, e.Written());
  WriteExtra(out);
}

std::uint32_t cOneObjRec::ReadSpool(InFileStream& in) {
  std::uint8_t buffer[kSpoolBaseBytes + kMaxFixedBytes];
  std::uint32_t got = in.Read(buffer, kSpoolBaseBytes);
  if (got < kSpoolBaseBytes) return got;
  SpoolDecoder base(buffer);
  BaseFields(*this, base);
  std::uint32_t n = DataBytes();
  if (n > kMaxFixedBytes) return got;
  if (n > 0) {
    got = in.Read(buffer, n);
    if (got < n) return got;
    SpoolDecoder data(buffer);
    DecodeData(data);
  }
  return ReadExtra(in) ? got : 0;
}

std::unique_ptr<cOneObjRec> ReadSpooledRecord(InFileStream& in) {
  std::uint64_t start = in.Position();
  std::uint8_t base[kSpoolBaseBytes];
  if (in.Read(base, kSpoolBaseBytes) < kSpoolBaseBytes) return nullptr;
  std::uint32_t kind = std::uint32_t(base[20]) | std::uint32_t(base[21]) << 8 | std::uint32_t(base[22]) << 16 |
                       std::uint32_t(base[23]) << 24;
  std::unique_ptr<cOneObjRec> record = MakeEmptyRecord(RecordKind(kind));
  if (!record || !in.Seek(start)) return nullptr;
  std::uint32_t want = record->SpoolBytes() - kSpoolBaseBytes;
  std::uint32_t got = record->ReadSpool(in);
  if (got < (want == 0 ? kSpoolBaseBytes : want)) return nullptr;
  return record;
}

}  // namespace kvn
