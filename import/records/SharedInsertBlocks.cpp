#include "import/records/SharedInsertBlocks.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string_view>

namespace kvn {

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

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

const SharedInsertBlock* SharedInsertBlocks::Find(const SharedInsertBlock& wanted) const {
  std::int64_t x = 0, y = 0;
  if (entries_.empty() || !CellOf(wanted.linear[0], x) || !CellOf(wanted.linear[1], y)) return nullptr;
  const std::uint64_t fields = FieldsHash(wanted);
  std::uint32_t best = kNone;
  for (std::int64_t dx = -1; dx <= 1; ++dx) {
    for (std::int64_t dy = -1; dy <= 1; ++dy) {
      const auto cell = cells_.find(CellKey(fields, x + dx, y + dy));
      if (cell == cells_.end()) continue;
      // Each cell lists its entries in the order remembered: the first that
      // shares is the cell's earliest.
      for (std::uint32_t i = cell->second.first; i != kNone && i < best; i = nextInCell_[i]) {
        if (Shares(entries_[i], wanted)) {
          best = i;
          break;
        }
      }
    }
  }
  return best == kNone ? nullptr : &entries_[best];
}

void SharedInsertBlocks::Remember(SharedInsertBlock shared) {
  const std::uint32_t index = std::uint32_t(entries_.size());
  std::int64_t x = 0, y = 0;
  const bool filed = CellOf(shared.linear[0], x) && CellOf(shared.linear[1], y);
  const std::uint64_t key = filed ? CellKey(FieldsHash(shared), x, y) : 0;
  entries_.push_back(std::move(shared));
  nextInCell_.push_back(kNone);
  // An entry with an element that is not finite can be shared by nothing.
  if (!filed) return;
  const auto [cell, added] = cells_.try_emplace(key, Cell{index, index});
  if (!added) {
    nextInCell_[cell->second.last] = index;
    cell->second.last = index;
  }
}

void SharedInsertBlocks::Clear() {
  entries_.clear();
  nextInCell_.clear();
  cells_.clear();
}

}  // namespace kvn
