// Counting by name into std::map counters where a few names come over and
// over (entity types, layers): the counters of recent names are kept in a
// small table by a quick hash of the name and the map, so most counts skip
// the map's walk of string comparisons. A counter stays valid while its map
// only grows; a copy starts with no recent names (its maps are others).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "foundation/QuickHash.h"

namespace kvn {

class RecentCounters {
 public:
  RecentCounters() = default;
  RecentCounters(const RecentCounters&) {}
  RecentCounters& operator=(const RecentCounters&) {
    Forget();
    return *this;
  }

  // The map's counter of the name (made 0 when new).
  std::uint64_t& Counter(std::map<std::string, std::uint64_t>& map, const std::string& name) {
    std::uint32_t hash = QuickHash(name);
    hash ^= std::uint32_t(reinterpret_cast<std::uintptr_t>(&map) >> 4);
    Slot& slot = slots_[hash % kSlots];
    if (slot.map != &map || slot.name != name) {
      slot.map = &map;
      slot.name = name;
      slot.count = &map[name];
    }
    return *slot.count;
  }

  // No counter is kept (before a map loses entries).
  void Forget() {
    for (Slot& slot : slots_) slot.map = nullptr;
  }

 private:
  struct Slot {
    const std::map<std::string, std::uint64_t>* map = nullptr;
    std::string name;
    std::uint64_t* count = nullptr;
  };
  static constexpr std::size_t kSlots = 32;
  std::array<Slot, kSlots> slots_;
};

}  // namespace kvn
