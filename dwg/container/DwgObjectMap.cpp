// The object map and the two passes over the objects: every object read
// once in file order (so the byte source never seeks back), then the
// entities of each block handed to the dispatcher in the block's own order,
// found by binary search over the handle-sorted map. A chain or list that
// comes back to an object it handed over ends there, and no block takes
// more steps than the map has entries, so a damaged file cannot loop.
#include <algorithm>

#include "document/ProgressMonitor.h"
#include "dwg/objects/DwgCrc.h"
#include "dwg/objects/DwgReader.h"
#include "import/records/YxxfGroupRecord.h"

namespace kvn {

namespace {

constexpr std::size_t kMapGrowth = 5000;

std::uint32_t MulDiv(std::uint64_t a, std::uint32_t b, std::uint64_t c) {
  return c == 0 ? 0 : std::uint32_t(std::min<std::uint64_t>(a * b / c, b));
}

// Sorts the entries by a key, stably, a byte of the key at a time (least
// significant first; a byte that is the same in every key takes no pass).
// A drawing has tens of thousands of entries, which a comparison sort of the
// entries themselves takes noticeably longer over.
template <class Key>
void SortEntriesBy(std::vector<DwgMapEntry>& entries, Key key) {
  const std::size_t n = entries.size();
  if (n < 2) return;
  std::uint64_t any = 0;
  for (const DwgMapEntry& e : entries) any |= key(e);
  std::vector<DwgMapEntry> sorted(n);
  for (unsigned shift = 0; shift < 64 && (any >> shift) != 0; shift += 8) {
    std::size_t starts[256] = {};
    for (const DwgMapEntry& e : entries) ++starts[(key(e) >> shift) & 0xFF];
    if (starts[key(entries[0]) >> shift & 0xFF] == n) continue;
    std::size_t at = 0;
    for (std::size_t& start : starts) {
      const std::size_t count = start;
      start = at;
      at += count;
    }
    for (const DwgMapEntry& e : entries) sorted[starts[(key(e) >> shift) & 0xFF]++] = e;
    entries.swap(sorted);
  }
}

}  // namespace

const DwgMapEntry* FindHandleEntry(const std::vector<DwgMapEntry>& entries, std::uint64_t handle, std::size_t lo,
                                   std::size_t hi) {
  if (entries.empty()) return nullptr;
  hi = std::min(hi, entries.size() - 1);
  if (lo > hi) return nullptr;
  while (lo + 1 < hi) {
    const std::size_t mid = (lo + hi) / 2;
    if (entries[mid].handle < handle) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  if (entries[lo].handle == handle) return &entries[lo];
  if (entries[hi].handle == handle) return &entries[hi];
  return nullptr;
}

bool DwgReader::ReadDwgHandleMap(std::uint32_t sectionSize) {
  ResetObjectState(0xFFFFFFFFu);
  const std::uint64_t mapStart = GetSourcePosition();
  for (;;) {
    crc_ = kDwgCrcSeed;
    const std::uint64_t p0 = GetSourcePosition();
    std::uint32_t size = std::uint32_t(ReadSourceByte()) << 8;
    size |= ReadSourceByte();
    std::int64_t location = 0;
    while (GetSourcePosition() < p0 + size) {
      if (overrun_) {
        SetReaderError(10004, 0);
        return false;
      }
      std::int64_t handleOffset = 0, locationOffset = 0;
      if (!ReadModularChar(handleOffset, true)) {
        SetReaderError(10005, 0);
        return false;
      }
      if (!ReadModularChar(locationOffset, false)) {
        SetReaderError(10006, 0);
        return false;
      }
      // Damaged maps give offsets whose running sum leaves 64 bits; only its
      // low 32 bits are a location, which wrapping keeps.
      location = std::int64_t(std::uint64_t(location) + std::uint64_t(locationOffset));
      if (objectMap.size() == objectMap.capacity()) objectMap.reserve(objectMap.size() + kMapGrowth);
      objectMap.push_back({0, std::uint32_t(location), 0});
    }
    const std::uint16_t computed = crc_;
    std::uint16_t stored = std::uint16_t(ReadSourceByte() << 8);
    stored = std::uint16_t(stored | ReadSourceByte());
    if (overrun_ || stored != computed) {
      SetReaderError(10007, 0);
      return false;
    }
    if (size == 2 || GetSourcePosition() >= mapStart + sectionSize) return true;
    if (overrun_) {
      SetReaderError(10003, 0);
      return false;
    }
  }
}

bool DwgReader::ReadDwgObjects(std::uint64_t endOfObjects, std::uint64_t inputSize, const WString& fileName) {
  ResetObjectState(0xFFFFFFFFu);
  SortEntriesBy(objectMap, [](const DwgMapEntry& e) { return std::uint64_t(e.location); });
  const std::size_t n = objectMap.size();
  std::vector<std::uint32_t> sizes(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t next = i + 1 < n ? objectMap[i + 1].location : endOfObjects;
    sizes[i] = next > objectMap[i].location ? std::uint32_t(next - objectMap[i].location) : 0;
  }
  DwgRecordStore store;
  std::vector<DwgKeptObject> kept;
  std::vector<std::string> keptNames;
  kept.reserve(n);
  keptNames.reserve(n);
  YxxfGroupRecord record;

  // First pass, in file order.
  for (std::size_t i = 0; i < n; ++i) {
    DwgMapEntry& entry = objectMap[i];
    if (monitor && !monitor->Step(MulDiv(GetSourcePosition(), 37, inputSize), true, &fileName, nullptr, false)) {
      cancelled = true;
      return false;
    }
    const std::uint32_t location = entry.location;
    entry.location = kNoKeptRecord;
    overrun_ = false;
    budget_ = 0xFFFFFFFFu;
    if (GetSourcePosition() > location) {
      SetReaderError(10001, 0);
      return false;
    }
    while (GetSourcePosition() < location) {
      ReadSourceByte();
      if (overrun_) {
        SetReaderError(10002, 0);
        return false;
      }
    }
    if (!ReadDwgObject(sizes[i])) continue;
    if (objectRead) objectRead(*this);
    entry.handle = objectHandle_;
    entry.kind = entityCode_;
    if (entityCode_ == 0 && !lastIsEntity_) continue;
    if (entityCode_ == entity::kUcs || entityCode_ == entity::kVport || entityCode_ == entity::kProxyObject ||
        entityCode_ == entity::kImageDef) {
      // Table entries and objects that travel as records reach the
      // dispatcher at once; no block owns them.
      const std::uint16_t code = RecordBufferToGroupRecord(record, TakeRecord(), TextCodePage());
      DispatchEntity(record, code);
      continue;
    }
    entry.location = std::uint32_t(kept.size());
    kept.push_back({KeepRecord(store), linkKind_});
    keptNames.push_back(typeName_);
  }

  // Emitting pass, block by block.
  SortEntriesBy(objectMap, [](const DwgMapEntry& e) { return e.handle; });
  // Handles are mostly dense: when their range is not much larger than the
  // map, a table by handle answers each look-up at once (the first entry of
  // a handle, as the search gives it); otherwise the sorted map is searched.
  std::vector<std::uint32_t> byHandle;
  const std::uint64_t lowest = n ? objectMap.front().handle : 0;
  if (n != 0 && objectMap.back().handle - lowest < 4 * std::uint64_t(n) + 1024) {
    byHandle.assign(std::size_t(objectMap.back().handle - lowest) + 1, 0xFFFFFFFFu);
    for (std::size_t i = n; i-- > 0;) byHandle[std::size_t(objectMap[i].handle - lowest)] = std::uint32_t(i);
  }
  const DwgObjectLookup lookup = [&](std::uint64_t handle) -> const DwgKeptObject* {
    const DwgMapEntry* entry = nullptr;
    if (!byHandle.empty()) {
      if (handle >= lowest && handle - lowest < byHandle.size()) {
        const std::uint32_t at = byHandle[std::size_t(handle - lowest)];
        if (at != 0xFFFFFFFFu) entry = &objectMap[at];
      }
    } else if (n) {
      entry = FindHandleEntry(objectMap, handle, 0, n - 1);
    }
    if (!entry || entry->location == kNoKeptRecord || entry->location >= kept.size()) return nullptr;
    return &kept[entry->location];
  };
  auto step = [&]() {
    if (!monitor) return true;
    const std::uint32_t percent = MulDiv(std::uint64_t(EntitiesDispatched()) + n, 75, 2 * std::uint64_t(n));
    if (monitor->Step(percent, true, &fileName, nullptr, false)) return true;
    cancelled = true;
    return false;
  };
  for (std::uint32_t b = 0; b < blocks.Count(); ++b) {
    const YxxfBlockRec& block = *blocks[b];
    if (!block.fromR13ToR2000) {
      const std::vector<std::uint64_t> owned(block.ownedHandles.Items(),
                                             block.ownedHandles.Items() + block.ownedHandles.Count());
      for (std::uint64_t handle : owned) {
        if (!step()) return false;
        WalkEntity(handle, lookup);
      }
      continue;
    }
    std::uint64_t at = block.firstEntity;
    const std::uint64_t last = block.lastEntity;
    for (std::size_t steps = 0; at != 0 && steps < n; ++steps) {
      if (!step()) return false;
      if (!lookup(at)) break;
      const std::uint64_t next = WalkEntity(at, lookup);
      if (at == last || next == 0) break;
      at = next;
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    const DwgMapEntry& entry = objectMap[i];
    if (entry.location == kNoKeptRecord || entry.location >= kept.size()) continue;
    if (!kept[entry.location].emitted) ++notEmitted[keptNames[entry.location]];
  }
  return true;
}

}  // namespace kvn
