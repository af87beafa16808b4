#include "model/AttributeList.h"

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/InFileStream.h"
#include "model/cText.h"

namespace kvn {

namespace {

// A list this short is scanned: an index would cost more than it saves.
constexpr std::uint32_t kIndexedFrom = 8;

}  // namespace

AttributeItem* AttributeList::Add(AttributeItem item) {
  AttributeItem* added = items_.Add(new AttributeItem(std::move(item)));
  if (index_) index_->Add(added->name.View(), items_.Count() - 1);
  return added;
}

std::int64_t AttributeList::FindFirst(std::u16string_view name) const {
  const std::uint32_t count = items_.Count();
  if (count < kIndexedFrom) {
    for (std::uint32_t i = 0; i < count; ++i) {
      tag_index_testing::CountComparisons(1);
      if (items_[i]->name.View() == name) return i;
    }
    return -1;
  }
  if (!index_) {
    index_ = std::make_unique<TagIndex>();
    for (std::uint32_t i = 0; i < count; ++i) index_->Add(items_[i]->name.View(), i);
  }
  return index_->Find(name);
}

void AttributeList::Write(ArchiveWriter& w) const {
  w.WriteCompactU32(items_.Count());
  for (const AttributeItem* item : items_) {
    w.WriteBits(item->kind & 3, 2);
    w.WriteBit(item->flag != 0);
    w.WriteString(item->name);
    w.WriteString(item->value);
    w.WriteString(item->third);
  }
}

bool AttributeList::Read(ArchiveReader& r, int version, bool convertFileNames) {
  Clear();
  std::uint32_t count = r.ReadCompactU32();
  if (count == 0) return true;
  const bool longStrings = version < 3073;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (r.AtEnd()) return false;
    AttributeItem item;
    if (version < 3075) {
      item.kind = r.ReadByte();
      item.flag = 1;
    } else {
      item.kind = std::uint8_t(r.ReadBits(2));
      item.flag = r.ReadBit() ? 1 : 0;
    }
    r.ReadString(item.name, longStrings);
    r.ReadString(item.value, longStrings);
    r.ReadString(item.third, longStrings);
    if (r.HasError()) return false;
    if (convertFileNames) UpgradeFileNameFields(item.value, version);
    Add(std::move(item));
  }
  return true;
}

namespace {

// Reads a zero-terminated run starting at `pos` but never past `n`; the
// position ends after the terminator (or at n).
template <class Unit>
std::size_t TakeRun(const Unit* data, std::size_t n, std::size_t& pos) {
  std::size_t start = pos;
  while (pos < n && data[pos] != 0) ++pos;
  std::size_t length = pos - start;
  if (pos < n) ++pos;  // the terminator
  return length;
}

}  // namespace

void AttributeList::ReadPacked8(const std::uint8_t* bytes, std::size_t n) {
  Clear();
  if (!bytes) return;
  std::size_t pos = 0;
  while (pos < n && bytes[pos] != 0) {
    AttributeItem item;
    item.kind = bytes[pos++] & 3;
    std::size_t nameStart = pos;
    std::size_t nameLength = TakeRun(bytes, n, pos);
    std::size_t valueStart = pos;
    std::size_t valueLength = TakeRun(bytes, n, pos);
    item.name.AssignBytes(1250, reinterpret_cast<const char*>(bytes + nameStart), int(nameLength));
    item.value.AssignBytes(1250, reinterpret_cast<const char*>(bytes + valueStart), int(valueLength));
    Add(std::move(item));
  }
}

void AttributeList::ReadPackedWide(const char16_t* units, std::size_t n) {
  Clear();
  if (!units) return;
  std::size_t pos = 0;
  while (pos < n && units[pos] != 0) {
    AttributeItem item;
    item.kind = std::uint8_t(units[pos++] & 3);
    std::size_t nameStart = pos;
    std::size_t nameLength = TakeRun(units, n, pos);
    std::size_t valueStart = pos;
    std::size_t valueLength = TakeRun(units, n, pos);
    item.name = WString(std::u16string_view(units + nameStart, nameLength));
    item.value = WString(std::u16string_view(units + valueStart, valueLength));
    Add(std::move(item));
  }
}

void AttributeList::Assign(const AttributeList& other) {
  if (this == &other) return;
  ByteArray bytes;
  {
    ArchiveWriter w(&bytes);
    other.Write(w);
  }
  InFileStream in = InFileStream::FromMemory(bytes);
  ArchiveReader r(&in);
  Read(r, 65535, false);
}

void AttributeList::SetByKind(const WString& value, std::uint8_t kind) {
  for (std::uint32_t i = 0; i < items_.Count(); ++i) {
    AttributeItem* item = items_[i];
    if (item->kind != kind) continue;
    if (value.IsEmpty()) {
      delete items_.DetachAt(i);
      // The positions after it moved.
      index_.reset();
    } else {
      item->value = value;
    }
    return;
  }
  if (value.IsEmpty()) return;
  AttributeItem item;
  item.value = value;
  item.kind = kind;
  Add(std::move(item));
}

bool AttributeList::Lookup(const AttributeList* definitions, int* outIndex, WString& outValue,
                           std::uint8_t* outFlag, const WString& name) const {
  if (outIndex) *outIndex = -1;
  outValue.Clear();
  if (outFlag) *outFlag = 0;
  if (name.IsEmpty()) return false;
  bool found = false;
  if (definitions) {
    if (const std::int64_t d = definitions->FindFirst(name.View()); d >= 0) {
      if (outFlag) *outFlag = definitions->items_[std::uint32_t(d)]->flag;
      found = true;
    }
  }
  if (const std::int64_t i = FindFirst(name.View()); i >= 0) {
    const AttributeItem* item = items_[std::uint32_t(i)];
    outValue = item->value;
    if (outIndex) *outIndex = int(i);
    if (!definitions && outFlag) *outFlag = item->flag;
    return true;
  }
  return found;
}

}  // namespace kvn
