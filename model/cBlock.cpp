#include "model/cBlock.h"

#include <unordered_set>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/InFileStream.h"
#include "model/BlockPath.h"
#include "model/StyleRefs.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cOutObj.h"

namespace kvn {

cBlock::cBlock() { InitObjectList(); }

cBlock::~cBlock() { Clear(); }

// ---- the chain ------------------------------------------------------------------------

void cBlock::AppendChain(ObjectChain&& chain) {
  cOutObj* head = chain.Release();
  if (!head) return;
  if (!first_) {
    first_ = head;
  } else {
    cOutObj* tail = first_;
    while (tail->next) tail = tail->next;
    tail->next = head;
  }
  InvalidateChecksum();
}

void cBlock::SetSharedChain(cOutObj* head) {
  DetachObjects();
  first_ = head;
  flags |= kBlockChainNotOwned;
}

void cBlock::DetachObjects() {
  if (!(flags & kBlockChainNotOwned)) DeleteChain(first_);
  first_ = nullptr;
  chainWord_ = 0;
  flags &= std::uint8_t(~(kBlockChecksumValid | kBlockChainNotOwned));
}

void cBlock::Clear() {
  DetachObjects();
  for (auto& label : labels_) label.reset();
  attributes.Clear();
  name.Clear();
  description.Clear();
  narrowText = AString();
}

void cBlock::InitObjectList() {
  first_ = nullptr;
  chainWord_ = 0;
}

namespace {

// Each block is handled once: that ends cycles, and keeps a lattice of
// blocks that place each other several times (a diamond repeated n levels
// deep) from costing 2^n visits. The path keeps the depth bounded.
void MarkDirtyWalk(cBlock& block, cDrawingData* data, BlockPath& path, std::unordered_set<const cBlock*>& done) {
  BlockPathScope scope(path, &block);
  if (!scope.Entered()) return;
  done.insert(&block);
  for (cOutObj* object = block.FirstObject(); object; object = object->next) {
    cBlock* placed = object->GetPlacedBlock(data);
    if (placed && !done.contains(placed)) MarkDirtyWalk(*placed, data, path, done);
    object->MarkDirty();
  }
}

}  // namespace

void cBlock::MarkAllDirty(cDrawingData* data) {
  BlockPath path;
  std::unordered_set<const cBlock*> done;
  MarkDirtyWalk(*this, data, path, done);
}

void cBlock::MoveObjects(const DPoint& offset) {
  for (cOutObj* object = first_; object; object = object->next) object->Move(offset);
  InvalidateChecksum();
}

void cBlock::UniteObjectExtents(DRect& out) const {
  out = DRect{};
  bool first = true;
  for (cOutObj* object = first_; object; object = object->next) {
    DRect r;
    object->GetExtent(r);
    out.Union(r, first);
  }
}

void cBlock::GetFilteredExtent(const ExtentFilter& filter, cDrawingData* data, DRect& out) const {
  out = DRect{};
  bool first = true;
  const bool onPageOnly = filter.page && filter.drawingPages >= 2;
  for (cOutObj* object = first_; object; object = object->next) {
    if (filter.classFilter && !object->MatchesFilter(filter.classFilter)) continue;
    if (onPageOnly && !object->IsOnPage(*filter.page)) continue;
    // An insert contributes its children on visible levels (a child on a
    // hidden level is not drawn even when its insert's level is visible).
    // Any other object needs a visible level when a drawing record is given.
    const bool levels = filter.drawingPages >= 0 && data;
    // The insert's extents per level, as its last expansion measured them:
    // a fit of an opened drawing expands nothing, and one that must expand
    // holds one placement's expansion at a time.
    if (cInsert* insert = object->AsInsert()) {
      insert->UniteChildExtents(data, levels ? &data->Levels() : nullptr, out, first);
      continue;
    }
    if (levels && !data->Levels().GetLevel(object->Level())->visible) continue;
    DRect r;
    object->GetFullExtent(data, r);
    out.Union(r, first);
  }
}

// ---- records ----------------------------------------------------------------------------

void cBlock::WriteFields(cDrawingData* data, ArchiveWriter& w) const { WriteFieldsAs(data, w, name); }

void cBlock::WriteFieldsAs(cDrawingData* data, ArchiveWriter& w, const WString& recordName) const {
  if (mask & kBlockName) w.WriteString(recordName);
  if (mask & kBlockDescription) w.WriteString(description);
  if (mask & kBlockColor) w.WriteColor(color);
  if (mask & kBlockValue) w.WriteRealOrUnit(value);
  if (mask & kBlockByteValue) w.WriteByte(byteValue);
  if (mask & kBlockFlag08) w.WriteBit((flags & kBlockOption08) != 0);
  if (mask & kBlockFlag10) w.WriteBit((flags & kBlockOption10) != 0);
  if (mask & kBlockFlag20) w.WriteBit((flags & kBlockOption20) != 0);
  if (mask & kBlockPoint) w.WriteUnitPoint(point);
  if (mask & kBlockAttributes) attributes.Write(w);
  if (mask & kBlockLabels) {
    for (const auto& label : labels_) {
      const bool present = label && label->present;
      w.WriteBit(present);
      if (!present) continue;
      w.WriteCompactPoint(label->position);
      w.WriteCompactDouble(label->angle);
      w.WriteBit(label->keepAngle != 0);
      w.WriteBits(label->alignment & 0x0F, 4);
      WriteTextStyleRef(w, label->textStyle, data, true);
      w.WriteString(label->text);
    }
  }
}

bool cBlock::Read(cDrawingData* data, ArchiveReader& r, int version) {
  auto setFlag = [this](std::uint8_t bit, bool on) {
    flags = on ? std::uint8_t(flags | bit) : std::uint8_t(flags & ~bit);
  };
  if (mask & kBlockName) r.ReadString(name, false);
  if (mask & kBlockDescription) r.ReadString(description, false);
  if (mask & kBlockColor) color = r.ReadColor();
  if (mask & kBlockValue) value = r.ReadRealOrUnit();
  if (mask & kBlockByteValue) byteValue = r.ReadByte();
  if (r.HasError()) return false;
  if (mask & kBlockFlag08) setFlag(kBlockOption08, r.ReadBit());
  if (mask & kBlockFlag10) setFlag(kBlockOption10, r.ReadBit());
  if (mask & kBlockFlag20) setFlag(kBlockOption20, r.ReadBit());
  if (mask & kBlockPoint) point = r.ReadUnitPoint();
  if (r.HasError()) return false;
  if ((mask & kBlockAttributes) && !attributes.Read(r, version, true)) return false;
  if (mask & kBlockLabels) {
    for (auto& label : labels_) {
      label.reset();
      if (!r.ReadBit()) continue;
      label = std::make_unique<InsertLabel>();
      label->position = r.ReadCompactPoint();
      label->angle = r.ReadCompactDouble();
      label->keepAngle = r.ReadBit() ? 1 : 0;
      label->alignment = std::uint8_t(r.ReadBits(4));
      label->textStyle = ReadTextStyleRef(r, version, data, true);
      r.ReadString(label->text, false);
      if (r.HasError()) return false;
    }
  }
  return !r.HasError();
}

void cBlock::Assign(const cBlock& other) {
  if (&other == this) return;
  mask = other.mask;
  if (mask == 0) return;
  ByteArray bytes;
  {
    ArchiveWriter w(&bytes);
    other.WriteFields(nullptr, w);
  }
  InFileStream in = InFileStream::FromMemory(bytes);
  ArchiveReader r(&in);
  Read(nullptr, r, kCurrentFileVersion);
}

InsertLabel* cBlock::MakeLabel(int slot) {
  if (slot < 0 || slot >= kLabelSlots) return nullptr;
  auto& label = labels_[std::size_t(slot)];
  if (!label) label = std::make_unique<InsertLabel>();
  return label.get();
}

// ---- identity ----------------------------------------------------------------------------

std::uint32_t cBlock::WriteChecksummed(ArchiveWriter& w) {
  w.checksumOn = true;
  WString key = name;
  key.MakeUpper();
  if (mask != 0) {
    w.WriteUInt16(mask);
    WriteFieldsAs(nullptr, w, key);
  }
  w.WriteString(key);
  for (cOutObj* object = first_; object; object = object->next) object->Write(nullptr, w);
  checksum = w.Finish();
  flags |= kBlockChecksumValid;
  return checksum;
}

std::uint32_t cBlock::GetChecksum(ByteArray& /*scratch*/) {
  if (!(flags & kBlockChecksumValid)) {
    if (!first_) {
      checksum = 0;
    } else {
      // Only the checksum is kept: the written bytes go nowhere.
      ArchiveWriter w(static_cast<ByteArray*>(nullptr));
      WriteChecksummed(w);
    }
    flags |= kBlockChecksumValid;
  }
  return checksum;
}

bool cBlock::IsSameBlock(cBlock& other, ByteArray& scratch, ByteArray& otherScratch) {
  if (&other == this) return true;
  if (name.CompareNoCaseN(other.name.CStr(), -1) != 0 || mask != other.mask) return false;
  if (GetChecksum(scratch) != other.GetChecksum(otherScratch)) return false;
  const cOutObj* a = first_;
  const cOutObj* b = other.first_;
  for (; a && b; a = a->next, b = b->next) {
    if (!a->IsSameRecord(*b, scratch, otherScratch)) return false;
  }
  return a == nullptr && b == nullptr;
}

}  // namespace kvn
