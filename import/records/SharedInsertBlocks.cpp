#include "import/records/SharedInsertBlocks.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string_view>

namespace kvn {

namespace {

std::uint64_t Mix(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

// The exact fields: entries that differ in them never share.
std::uint64_t FieldsHash(const SharedInsertBlock& s) {
  std::uint64_t h = Mix(reinterpret_cast<std::uintptr_t>(s.block));
  h = Mix(h ^ reinterpret_cast<std::uintptr_t>(s.parent));
  h = Mix(h ^ (std::uint64_t(s.color) << 24 | std::uint64_t(s.level) << 8 | s.lineTypeByHandle));
  h = Mix(h ^ s.lineTypeHandle);
  return Mix(h ^ std::hash<std::u16string_view>{}(s.lineTypeName.View()));
}

// The grid cell of a linear element, 2^-20 wide: scaling by a power of two
// is exact, so two values within the epsilon (2^-23) have cells at most one
// apart. False for a value that equals nothing (not finite).
bool CellOf(double v, std::int64_t& cell) {
  if (!std::isfinite(v)) return false;
  constexpr double kLimit = 4503599627370496.0;  // 2^52: clamping keeps neighbours neighbours
  cell = std::int64_t(std::clamp(std::floor(v * 1048576.0), -kLimit, kLimit));
  return true;
}

// The neighbours of a value's cell that an equal value may lie in: an equal
// value is at most an eighth of a cell away, so a neighbour counts only when
// the value lies within a quarter of a cell of the border with it (the
// margin covers the rounding of the comparison). Far from zero, where the
// fraction is coarse or the cell clamped, both neighbours count.
void NeighbourCells(double v, std::int64_t& from, std::int64_t& to) {
  const double scaled = v * 1048576.0;
  if (!(std::fabs(scaled) < 2251799813685248.0)) {  // 2^51
    from = -1;
    to = 1;
    return;
  }
  const double fraction = scaled - std::floor(scaled);
  from = fraction < 0.25 ? -1 : 0;
  to = fraction > 0.75 ? 1 : 0;
}

std::uint64_t CellKey(std::uint64_t fields, std::int64_t x, std::int64_t y) {
  return Mix(fields ^ Mix(std::uint64_t(x) * 0x9e3779b97f4a7c15ull ^ std::uint64_t(y)));
}

}  // namespace

bool SharedInsertBlocks::Shares(const SharedInsertBlock& shared, const SharedInsertBlock& wanted) {
  if (shared.block != wanted.block || shared.parent != wanted.parent) return false;
  if (shared.color != wanted.color || shared.level != wanted.level || shared.lineTypeHandle != wanted.lineTypeHandle ||
      shared.lineTypeByHandle != wanted.lineTypeByHandle || shared.lineTypeName.View() != wanted.lineTypeName.View())
    return false;
  for (int k = 0; k < 9; ++k)
    if (!(std::fabs(shared.linear[k] - wanted.linear[k]) <= kEqual)) return false;
  return true;
}

const SharedInsertBlocks::Cell* SharedInsertBlocks::FindCell(std::uint64_t key) const {
  if (cells_.empty()) return nullptr;
  const std::size_t mask = cells_.size() - 1;
  for (std::size_t at = std::size_t(key) & mask;; at = (at + 1) & mask) {
    const Cell& cell = cells_[at];
    if (cell.first == kNoEntry) return nullptr;
    if (cell.key == key) return &cell;
  }
}

SharedInsertBlocks::Cell& SharedInsertBlocks::AddCell(std::uint64_t key) {
  if ((cellsTaken_ + 1) * 2 > cells_.size()) {
    std::vector<Cell> old(std::max<std::size_t>(cells_.size() * 2, 64));
    old.swap(cells_);
    const std::size_t mask = cells_.size() - 1;
    for (const Cell& cell : old) {
      if (cell.first == kNoEntry) continue;
      std::size_t at = std::size_t(cell.key) & mask;
      while (cells_[at].first != kNoEntry) at = (at + 1) & mask;
      cells_[at] = cell;
    }
  }
  const std::size_t mask = cells_.size() - 1;
  std::size_t at = std::size_t(key) & mask;
  while (cells_[at].first != kNoEntry && cells_[at].key != key) at = (at + 1) & mask;
  if (cells_[at].first == kNoEntry) {
    cells_[at].key = key;
    ++cellsTaken_;
  }
  return cells_[at];
}

const SharedInsertBlock* SharedInsertBlocks::Find(const SharedInsertBlock& wanted) const {
  std::int64_t x = 0, y = 0;
  if (entries_.empty() || !CellOf(wanted.linear[0], x) || !CellOf(wanted.linear[1], y)) return nullptr;
  const std::uint64_t fields = FieldsHash(wanted);
  std::int64_t fromX = 0, toX = 0, fromY = 0, toY = 0;
  NeighbourCells(wanted.linear[0], fromX, toX);
  NeighbourCells(wanted.linear[1], fromY, toY);
  std::uint32_t best = kNoEntry;
  for (std::int64_t dx = fromX; dx <= toX; ++dx) {
    for (std::int64_t dy = fromY; dy <= toY; ++dy) {
      const Cell* cell = FindCell(CellKey(fields, x + dx, y + dy));
      if (!cell) continue;
      // Each cell lists its entries in the order remembered: the first that
      // shares is the cell's earliest.
      for (std::uint32_t i = cell->first; i != kNoEntry && i < best; i = nextInCell_[i]) {
        if (Shares(entries_[i], wanted)) {
          best = i;
          break;
        }
      }
    }
  }
  return best == kNoEntry ? nullptr : &entries_[best];
}

void SharedInsertBlocks::Remember(SharedInsertBlock shared) {
  const std::uint32_t index = std::uint32_t(entries_.size());
  std::int64_t x = 0, y = 0;
  const bool filed = CellOf(shared.linear[0], x) && CellOf(shared.linear[1], y);
  const std::uint64_t key = filed ? CellKey(FieldsHash(shared), x, y) : 0;
  entries_.push_back(std::move(shared));
  nextInCell_.push_back(kNoEntry);
  // An entry with an element that is not finite can be shared by nothing.
  if (!filed) return;
  Cell& cell = AddCell(key);
  if (cell.first == kNoEntry) {
    cell.first = cell.last = index;
  } else {
    nextInCell_[cell.last] = index;
    cell.last = index;
  }
}

void SharedInsertBlocks::Clear() {
  entries_.clear();
  nextInCell_.clear();
  // The slots are kept for the next sheet, emptied.
  std::fill(cells_.begin(), cells_.end(), Cell{});
  cellsTaken_ = 0;
}

}  // namespace kvn
