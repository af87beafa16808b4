#include "dwg/objects/DwgRecordBuffer.h"

#include <algorithm>
#include <cstring>

#include "import/records/YxxfGroupRecord.h"

namespace kvn {

void DwgRecordBuffer::Clear() {
  size_ = 0;
  items_ = 0;
  subRecord_ = 0;
}

void DwgRecordBuffer::GrowStorage(std::size_t n) {
  bytes_.resize(std::max<std::size_t>({1024, 2 * bytes_.size(), size_ + n}));
}

void DwgRecordBuffer::Put(const void* data, std::size_t n) {
  if (n != 0) std::memcpy(Grow(n), data, n);
}

void DwgRecordBuffer::Head(std::uint16_t code, DwgItemTag tag) {
  const std::uint8_t head[3] = {std::uint8_t(code), std::uint8_t(code >> 8), std::uint8_t(tag)};
  Put(head, 3);
  ++items_;
}

void DwgRecordBuffer::AddWide(std::uint16_t code, std::u16string_view text) {
  Head(code, DwgItemTag::Wide);
  std::uint32_t n = std::uint32_t(text.size());
  Put(&n, 4);
  Put(text.data(), text.size() * 2);
}

void DwgRecordBuffer::AddBytes(std::uint16_t code, std::string_view bytes) {
  Head(code, DwgItemTag::Bytes);
  std::uint32_t n = std::uint32_t(bytes.size());
  Put(&n, 4);
  Put(bytes.data(), bytes.size());
}

void DwgRecordBuffer::SetHandleAt(std::size_t itemOffset, std::uint64_t handle) {
  if (itemOffset + 11 > size_ || bytes_[itemOffset + 2] != std::uint8_t(DwgItemTag::Handle)) return;
  std::memcpy(&bytes_[itemOffset + 3], &handle, 8);
}

void DwgRecordBuffer::InsertWideAt(std::size_t itemOffset, std::uint16_t code, std::u16string_view text) {
  if (itemOffset > size_) return;
  std::vector<std::uint8_t> item(7 + text.size() * 2);
  item[0] = std::uint8_t(code);
  item[1] = std::uint8_t(code >> 8);
  item[2] = std::uint8_t(DwgItemTag::Wide);
  const std::uint32_t n = std::uint32_t(text.size());
  std::memcpy(&item[3], &n, 4);
  if (n) std::memcpy(&item[7], text.data(), text.size() * 2);
  Grow(item.size());
  std::memmove(bytes_.data() + itemOffset + item.size(), bytes_.data() + itemOffset, size_ - item.size() - itemOffset);
  std::memcpy(bytes_.data() + itemOffset, item.data(), item.size());
  ++items_;
}

void DwgRecordBuffer::Truncate(std::size_t end, std::uint32_t items) {
  if (end > size_) return;
  size_ = end;
  items_ = items;
}

void DwgRecordBuffer::MoveToEnd(std::size_t begin, std::size_t end) {
  if (begin >= end || end > size_) return;
  std::rotate(bytes_.begin() + std::ptrdiff_t(begin), bytes_.begin() + std::ptrdiff_t(end),
              bytes_.begin() + std::ptrdiff_t(size_));
}

void DwgRecordBuffer::SwitchSubRecord(std::uint8_t id) {
  Head(kCodeSubRecordSwitch, DwgItemTag::SubRecord);
  Put(&id, 1);
  subRecord_ = id;
}

std::vector<std::uint8_t> DwgRecordBuffer::Record(std::uint16_t entityCode) const {
  std::vector<std::uint8_t> out;
  out.reserve(size_ + 2);
  out.push_back(std::uint8_t(entityCode));
  out.push_back(std::uint8_t(entityCode >> 8));
  out.insert(out.end(), bytes_.begin(), bytes_.begin() + std::ptrdiff_t(size_));
  return out;
}

std::span<const std::uint8_t> DwgRecordStore::Add(std::uint16_t entityCode, const DwgRecordBuffer& items) {
  // A chunk holds many records; one larger than a chunk gets its own.
  constexpr std::size_t kChunkBytes = std::size_t(1) << 18;
  const std::span<const std::uint8_t> bytes = items.ItemBytes();
  const std::size_t size = bytes.size() + 2;
  if (chunks_.empty() || capacity_ - used_ < size) {
    capacity_ = std::max(size, kChunkBytes);
    chunks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(capacity_));
    used_ = 0;
  }
  std::uint8_t* out = chunks_.back().get() + used_;
  out[0] = std::uint8_t(entityCode);
  out[1] = std::uint8_t(entityCode >> 8);
  if (!bytes.empty()) std::memcpy(out + 2, bytes.data(), bytes.size());
  used_ += size;
  return {out, size};
}

namespace {

// `conversion` (may be null): the first handle item of its code given its
// value (unless an item found keeps its own), `handleFound` set when one
// was; the handle items listed as found.
std::uint16_t ConvertItems(YxxfGroupRecord& record, std::span<const std::uint8_t> buffer,
                           DwgRecordConversion* conversion) {
  const std::uint8_t* p = buffer.data();
  const std::size_t size = buffer.size();
  std::uint16_t entityCode = std::uint16_t(p[0] | p[1] << 8);
  std::size_t at = 2;
  auto have = [&](std::size_t n) { return size - at >= n; };
  auto take = [&](void* out, std::size_t n) {
    std::memcpy(out, p + at, n);
    at += n;
  };
  std::u16string wide;
  while (have(3)) {
    std::uint16_t code = std::uint16_t(p[at] | p[at + 1] << 8);
    std::uint8_t tag = p[at + 2];
    at += 3;
    switch (tag) {
      case 0: {
        double d;
        if (!have(8)) return entityCode;
        take(&d, 8);
        record.AddDouble(code, d);
        break;
      }
      case 2: {
        std::int16_t v;
        if (!have(2)) return entityCode;
        take(&v, 2);
        record.AddInt(code, v);
        break;
      }
      case 3: {
        if (!have(1)) return entityCode;
        record.AddInt(code, p[at++]);
        break;
      }
      case 4: {
        std::uint32_t n;
        if (!have(4)) return entityCode;
        take(&n, 4);
        if ((size - at) / 2 < n) return entityCode;
        wide.resize(n);
        take(wide.data(), std::size_t(n) * 2);
        record.AddWideString(code, std::u16string_view(wide));
        break;
      }
      case 5: {
        std::uint64_t h;
        if (!have(8)) return entityCode;
        take(&h, 8);
        if (conversion) {
          if (conversion->handleItems) conversion->handleItems->emplace_back(code, h);
          if (conversion->setHandle && !conversion->handleFound && code == conversion->handleCode) {
            if (!conversion->keepFoundHandle) h = conversion->handle;
            conversion->handleFound = true;
          }
        }
        record.AddHandle64(code, h);
        break;
      }
      case 6: {
        std::uint32_t n;
        if (!have(4)) return entityCode;
        take(&n, 4);
        if (!have(n)) return entityCode;
        record.AddString(code, std::string_view(reinterpret_cast<const char*>(p + at), n));
        at += n;
        break;
      }
      case 7: {
        if (!have(1)) return entityCode;
        record.SetSubRecord(p[at++]);
        break;
      }
      default: {
        std::int32_t v;
        if (!have(4)) return entityCode;
        take(&v, 4);
        record.AddInt(code, v);
        break;
      }
    }
  }
  return entityCode;
}

}  // namespace

std::uint16_t RecordBufferToGroupRecord(YxxfGroupRecord& record, std::span<const std::uint8_t> buffer,
                                        std::uint16_t codePage) {
  record.SetCodePage(codePage);
  record.Clear();
  if (buffer.size() < 2) return 0;
  std::uint16_t entityCode = ConvertItems(record, buffer, nullptr);
  // The finders of the dispatcher look at sub-record 0.
  record.SetSubRecord(0);
  return entityCode;
}

std::uint16_t RecordBufferToGroupRecord(YxxfGroupRecord& record, std::span<const std::uint8_t> buffer,
                                        std::uint16_t codePage, DwgRecordConversion& conversion) {
  record.SetCodePage(codePage);
  record.Clear();
  conversion.handleFound = false;
  if (conversion.handleItems) conversion.handleItems->clear();
  if (buffer.size() < 2) return 0;
  const std::uint16_t entityCode = ConvertItems(record, buffer, &conversion);
  // As SetRecordHandle appends it: under sub-record 0, after every item.
  record.SetSubRecord(0);
  if (conversion.setHandle && !conversion.handleFound) record.AddHandle64(conversion.handleCode, conversion.handle);
  return entityCode;
}

std::uint16_t RecordBufferToGroupRecord(YxxfGroupRecord& record, std::span<const std::uint8_t> buffer,
                                        std::uint16_t codePage, std::uint16_t handleCode, std::uint64_t handle) {
  DwgRecordConversion conversion;
  conversion.setHandle = true;
  conversion.handleCode = handleCode;
  conversion.handle = handle;
  return RecordBufferToGroupRecord(record, buffer, codePage, conversion);
}

namespace {

// Size of an item's value from its tag, or 0 when the bytes end first.
std::size_t ValueSize(const std::uint8_t* p, std::size_t left, std::uint8_t tag) {
  std::uint32_t n = 0;
  switch (tag) {
    case 0:
    case 5: return 8;
    case 2: return 2;
    case 3:
    case 7: return 1;
    case 4:
    case 6:
      if (left < 4) return 0;
      std::memcpy(&n, p, 4);
      return 4 + std::size_t(n) * (tag == 4 ? 2 : 1);
    default: return 4;
  }
}

// Calls visit(code, tag, value offset) for every whole item.
template <class Visit>
void ForEachItem(std::span<const std::uint8_t> record, Visit visit) {
  std::size_t at = 2;
  const std::size_t size = record.size();
  while (size >= at + 3) {
    std::uint16_t code = std::uint16_t(record[at] | record[at + 1] << 8);
    std::uint8_t tag = record[at + 2];
    at += 3;
    std::size_t n = ValueSize(record.data() + at, size - at, tag);
    if (n == 0 || size - at < n) return;
    if (!visit(code, tag, at)) return;
    at += n;
  }
}

}  // namespace

std::vector<std::pair<std::uint16_t, std::uint64_t>> RecordHandleItems(std::span<const std::uint8_t> record) {
  std::vector<std::pair<std::uint16_t, std::uint64_t>> out;
  RecordHandleItems(record, out);
  return out;
}

void RecordHandleItems(std::span<const std::uint8_t> record, std::vector<std::pair<std::uint16_t, std::uint64_t>>& out) {
  out.clear();
  ForEachItem(record, [&](std::uint16_t code, std::uint8_t tag, std::size_t at) {
    if (tag == 5) {
      std::uint64_t h;
      std::memcpy(&h, record.data() + at, 8);
      out.emplace_back(code, h);
    }
    return true;
  });
}

void SetRecordHandle(std::vector<std::uint8_t>& record, std::uint16_t code, std::uint64_t value) {
  if (record.size() < 2) record.resize(2, 0);
  std::size_t found = 0;
  ForEachItem(record, [&](std::uint16_t c, std::uint8_t tag, std::size_t at) {
    if (c == code && tag == 5) {
      found = at;
      return false;
    }
    return true;
  });
  if (found) {
    std::memcpy(record.data() + found, &value, 8);
    return;
  }
  const std::uint8_t head[] = {std::uint8_t(kCodeSubRecordSwitch), std::uint8_t(kCodeSubRecordSwitch >> 8), 7, 0,
                               std::uint8_t(code), std::uint8_t(code >> 8), 5};
  record.insert(record.end(), head, head + sizeof(head));
  const auto* v = reinterpret_cast<const std::uint8_t*>(&value);
  record.insert(record.end(), v, v + 8);
}

}  // namespace kvn
