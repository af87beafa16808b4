#include "model/LevelTable.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>

#include "foundation/ArchiveReader.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "model/VersionedString.h"

namespace kvn {

namespace {

// Flag byte of a level record.
constexpr std::uint8_t kLevelFirstFlag = 0x01;
constexpr std::uint8_t kLevelVisible = 0x02;
constexpr std::uint8_t kLevelPrintable = 0x04;

// Bits 24..30 of a stored colour are not part of it.
constexpr std::uint32_t kStoredColorMask = 0x80FFFFFF;

template <class T>
int Compare3(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// Three-way comparison of two levels by the key of sort mode 1..12 (ascending).
int CompareByKey(const LevelRecord& a, const LevelRecord& b, int key) {
  switch (key) {
    case 0: return CompareNoCaseAccentW(a.name.CStr(), b.name.CStr());
    case 2: return Compare3(a.visible, b.visible);
    case 4: return Compare3(b.firstFlag != 0, a.firstFlag != 0);  // set flags first
    case 6: return Compare3(a.printable, b.printable);
    case 8: {
      const bool unsetA = (a.color & 0x80000000u) != 0;
      const bool unsetB = (b.color & 0x80000000u) != 0;
      if (unsetA != unsetB) return unsetA ? -1 : 1;
      if (unsetA) return 0;
      return Compare3(a.color & 0xFFFFFFu, b.color & 0xFFFFFFu);
    }
    case 10: {
      // NaN comes after every number: "unordered compares equal" would not
      // be an ordering, and a sort handed one may run off its range.
      const bool nanA = std::isnan(a.value), nanB = std::isnan(b.value);
      if (nanA || nanB) return Compare3(nanA, nanB);
      return Compare3(a.value, b.value);
    }
    default: return 0;
  }
}

}  // namespace

// ---- LevelRecord ---------------------------------------------------------------

void LevelRecord::Read(ArchiveReader& r, int version) {
  if (VersionBelow(version, 3073)) {
    name = ReadArchiveWString(r);
  } else {
    r.ReadString(name, false);
  }
  const std::uint8_t flags = r.ReadByte();
  firstFlag = (flags & kLevelFirstFlag) ? 1 : 0;
  visible = (flags & kLevelVisible) ? 1 : 0;
  printable = (flags & kLevelPrintable) ? 1 : 0;
  if (VersionBelow(version, 3059)) printable = 1;
  color = std::uint32_t(r.ReadInt32()) & kStoredColorMask;
  if (!VersionBelow(version, 3066)) value = r.ReadCompactDouble();
}

void LevelRecord::GetDisplayName(WString& out) const {
  out = name.IsEmpty() ? LoadLangString(kStrLevelByBlock) : name;
}

// ---- LevelTable: look-ups ---------------------------------------------------------

LevelRecord* LevelTable::GetLevel(std::uint16_t index) {
  if (!inUse_) return &noLevels_;
  if (index >= Count()) return &beyondRange_;
  return levels_[index].get();
}

LevelRecord* LevelTable::FindLevel(std::uint16_t index) { return inUse_ ? GetLevel(index) : nullptr; }

std::uint16_t LevelTable::IndexOf(const LevelRecord* record) const {
  for (std::uint32_t i = 0; i < Count(); ++i) {
    if (levels_[i].get() == record) return std::uint16_t(i);
  }
  return 65535;
}

std::uint16_t LevelTable::GetCurrentIndex() const { return current_ < UsableCount() ? current_ : 65535; }

void LevelTable::Clear() {
  levels_.clear();
  inUse_ = false;
  current_ = 65535;
}

void LevelTable::SetCurrentIndex(std::uint16_t index) { current_ = index < UsableCount() ? index : 65535; }

LevelRecord* LevelTable::InsertLevel(const WString& name, std::uint16_t* outIndex, std::uint32_t position) {
  if (inUse_ && Count() >= kMaxLevels) return nullptr;
  inUse_ = true;
  auto record = std::make_unique<LevelRecord>();
  record->name = name;
  LevelRecord* result = record.get();
  const std::uint32_t at = std::min(position, Count());
  levels_.insert(levels_.begin() + at, std::move(record));
  if (outIndex) *outIndex = std::uint16_t(at);
  current_ = std::uint16_t(at);
  return result;
}

// ---- LevelTable: display order and names ---------------------------------------------

std::unique_ptr<GrowArray<std::uint16_t>> LevelTable::MakeDisplayOrder() const {
  if (!inUse_ || levels_.empty()) return nullptr;
  std::vector<std::uint16_t> order(Count());
  for (std::uint32_t i = 0; i < Count(); ++i) order[i] = std::uint16_t(i);

  if (sortMode_ == 0) {
    const std::uint32_t at = std::min<std::uint32_t>(unlevelledPosition_, Count());
    order.insert(order.begin() + at, 65535);
  } else {
    const int key = (sortMode_ - 1) & ~1;
    const bool descending = ((sortMode_ - 1) & 1) != 0;
    if (sortMode_ <= 12) {
      // Stable, so that levels with equal keys keep their index order.
      std::stable_sort(order.begin(), order.end(), [&](std::uint16_t ia, std::uint16_t ib) {
        const int c = CompareByKey(*levels_[ia], *levels_[ib], key);
        return descending ? c > 0 : c < 0;
      });
    }
    order.insert(order.begin(), 65535);
  }

  auto result = std::make_unique<GrowArray<std::uint16_t>>(8);
  result->Append(order.data(), std::uint32_t(order.size()));
  return result;
}

namespace {

// Names that CompareNoCaseN takes as equal have the same key: the upper case
// of every unit up to the first 0 (accented letters stay apart from their
// base letters there too).
std::u16string NameKey(const WString& name) {
  WString upper = name;
  upper.MakeUpper();
  std::u16string key(upper.View());
  const std::size_t zero = key.find(u'\0');
  if (zero != std::u16string::npos) key.resize(zero);
  return key;
}

}  // namespace

void LevelTable::MakeNamesUnique() {
  for (auto& level : levels_) {
    level->name.Trim(WString::TrimMode::Both, u' ');
    if (level->name.IsEmpty()) level->name = u"_";
  }
  // For each level i in index order, every later level named like it gets
  // 1, 2, ... appended. Buckets of equal names keep this linear in the
  // number of levels rather than quadratic (imports bring thousands).
  std::map<std::u16string, std::set<std::uint32_t>> buckets;
  for (std::uint32_t i = 0; i < Count(); ++i) buckets[NameKey(levels_[i]->name)].insert(i);
  for (std::uint32_t i = 0; i < Count(); ++i) {
    auto bucket = buckets.find(NameKey(levels_[i]->name));
    std::vector<std::uint32_t> later(bucket->second.upper_bound(i), bucket->second.end());
    int n = 0;
    for (std::uint32_t j : later) {
      bucket->second.erase(j);
      levels_[j]->name.Append(IntToWString(++n));
      buckets[NameKey(levels_[j]->name)].insert(j);
    }
  }
}

// ---- LevelTable: reading -----------------------------------------------------------------

void LevelTable::AppendRead(std::unique_ptr<LevelRecord> record) {
  if (Count() < kMaxLevels) levels_.push_back(std::move(record));
}

bool LevelTable::Read(int version, ArchiveReader& r) {
  sortMode_ = 1;
  levels_.clear();
  inUse_ = false;

  if (!VersionBelow(version, 3095)) {
    if (!r.ReadBit()) return false;
    inUse_ = true;
    beyondRange_.Read(r, version);
    const std::uint16_t count = r.ReadCompactU16();
    for (std::uint32_t i = 0; i < count; ++i) {
      if (r.AtEnd()) return false;
      auto record = std::make_unique<LevelRecord>();
      record->Read(r, version);
      if (r.HasError()) return false;  // a record cut short is no level
      AppendRead(std::move(record));
    }
    sortMode_ = r.ReadByte();
    if (sortMode_ == 0 && !VersionBelow(version, 3103)) unlevelledPosition_ = r.ReadCompactU16();
    return true;
  }

  if (r.ReadByte() == 0) return false;
  inUse_ = true;
  sortMode_ = 0;
  // A list of records, each followed by a byte that continues it when not 0.
  // The end of the data reads as 0 and ends it.
  do {
    auto record = std::make_unique<LevelRecord>();
    record->Read(r, version);
    AppendRead(std::move(record));
  } while (r.ReadByte() != 0);
  if (!VersionBelow(version, 3066)) sortMode_ = r.ReadByte();
  return true;
}

// ---- LevelIterator ---------------------------------------------------------------------------

LevelRecord* LevelIterator::Next(std::uint16_t* outIndex) {
  if (!table_.InUse() || done_) return nullptr;
  if (position_ >= table_.Count()) {
    done_ = true;
    if (outIndex) *outIndex = 65535;
    return &table_.beyondRange_;
  }
  if (outIndex) *outIndex = std::uint16_t(position_);
  return table_.levels_[position_++].get();
}

}  // namespace kvn
