// Levels (the layers of a drawing) and the table that holds them inside each
// drawing data.
//
// Every object names its level by a u16 index; 65535 is "no level". The
// table answers a record for any index: while it is not in use (a drawing
// without levels) the no-levels record, for an index not below the count the
// beyond-range record. It keeps the current level, adds levels, and builds the
// display order of the level lists: 65535 (the "by block" entry) and the
// indices sorted by one of twelve keys.
//
// At most 65534 levels: 65535 must stay free for "no level", and every range
// test takes the count as a u16. The readers stop appending there, however
// many records a damaged file announces.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/GrowArray.h"
#include "foundation/WString.h"

namespace kvn {

class ArchiveReader;

inline constexpr std::uint32_t kMaxLevels = 65534;
// String resource: "(by block)", shown for a level without a name.
inline constexpr int kStrLevelByBlock = 16904;

struct LevelRecord {
  WString name;
  // The flag before the visible flag; importers fill it from a "locked" or
  // "active" attribute. Sorted on as true/false.
  std::uint8_t firstFlag = 1;
  std::uint8_t visible = 1;
  std::uint8_t printable = 1;
  // 0x00BBGGRR; 0x80000000 = the level has no colour of its own.
  std::uint32_t color = 0x80000000;
  double value = 0.0;
  // The line type of the CAD layer the level was imported from, by the
  // file's handle (0: none, or not a CAD import). Lives in memory only:
  // native files neither read nor write it.
  std::uint64_t lineTypeHandle = 0;
  // Not read nor written by this table; kept at the renderer's default.
  std::uint16_t word = 65534;

  // Name, flag byte, colour and (from 3066) the value, in the record form of
  // the file version.
  void Read(ArchiveReader& r, int version);
  // The name, or the translated "(by block)" for an unnamed level.
  void GetDisplayName(WString& out) const;
};

class LevelTable {
 public:
  LevelTable() = default;
  LevelTable(const LevelTable&) = delete;
  LevelTable& operator=(const LevelTable&) = delete;

  std::uint32_t Count() const { return std::uint32_t(levels_.size()); }
  bool InUse() const { return inUse_; }

  // Never null: the stored record, the beyond-range record for an index not
  // below the count, the no-levels record while the table is not in use.
  LevelRecord* GetLevel(std::uint16_t index);
  // As GetLevel, but null while the table is not in use.
  LevelRecord* FindLevel(std::uint16_t index);
  // Position of that record in the table, 65535 when it is not there.
  std::uint16_t IndexOf(const LevelRecord* record) const;

  // 65535 when no valid level is current.
  std::uint16_t GetCurrentIndex() const;
  // Stores 65535 for an index not below the count (0 while not in use).
  void SetCurrentIndex(std::uint16_t index);

  // Adds a level named `name` at `position` (appended when the position is
  // not below the count), makes it current and puts the table in use. Null,
  // changing nothing, when the table already holds 65534 levels.
  LevelRecord* InsertLevel(const WString& name, std::uint16_t* outIndex, std::uint32_t position);

  // Drops every level and takes the table out of use (the drawing then
  // has no levels); the current level becomes 65535.
  void Clear();
  // Puts the table in use (with the levels it has, maybe none).
  void SetInUse() { inUse_ = true; }

  // 0 unsorted, 1..12 the sort key and direction (see MakeDisplayOrder).
  std::uint8_t SortMode() const { return sortMode_; }
  void SetSortMode(std::uint8_t mode) { sortMode_ = mode; }
  // Where the 65535 entry stands in the unsorted display order.
  std::uint16_t UnlevelledPosition() const { return unlevelledPosition_; }
  void SetUnlevelledPosition(std::uint16_t position) { unlevelledPosition_ = position; }
  LevelRecord& BeyondRangeRecord() { return beyondRange_; }

  // The level indices in display order with 65535 for the "by block" entry:
  // sort mode 0 puts 65535 at the unlevelled position; modes 1..12 sort by
  // key (m - 1) / 2 (name, visible, first flag, printable, colour, value),
  // descending for even m, and put 65535 first. Null when the table is not in
  // use or empty.
  std::unique_ptr<GrowArray<std::uint16_t>> MakeDisplayOrder() const;

  // Trims blanks off every name ("_" for a name left empty), then gives every
  // later level named like level i (case- and accent-blind) the suffix 1, 2, ...
  void MakeNamesUnique();

  // The table in the form of the file version. False when the drawing has
  // no level table (or the data ended before a announced record).
  bool Read(int version, ArchiveReader& r);

 private:
  friend class LevelIterator;
  // The count as a range test sees it: 0 while the table is not in use.
  std::uint32_t UsableCount() const { return inUse_ ? Count() : 0; }
  // Appends a record read from a file, unless the table is full.
  void AppendRead(std::unique_ptr<LevelRecord> record);

  std::vector<std::unique_ptr<LevelRecord>> levels_;
  LevelRecord beyondRange_;
  LevelRecord noLevels_;
  std::uint16_t unlevelledPosition_ = 0;
  std::uint16_t current_ = 65535;
  bool inUse_ = false;
  std::uint8_t sortMode_ = 1;
};

// Walks the levels in index order and then answers the beyond-range record
// once, with index 65535.
class LevelIterator {
 public:
  explicit LevelIterator(LevelTable& table) : table_(table) {}
  // Null while the table is not in use and after the end.
  LevelRecord* Next(std::uint16_t* outIndex);

 private:
  LevelTable& table_;
  std::uint32_t position_ = 0;
  bool done_ = false;
};

}  // namespace kvn
