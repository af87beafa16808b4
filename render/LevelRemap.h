// Level indices after a level is inserted into a drawing's level table.
#pragma once

#include <cstdint>
#include <optional>

namespace kvn {

class cOutObj;

// 65535 (no level) becomes the insertion position itself; an index at or
// above the position moves up by one, one below it stays. 65534 stays as it
// is, so that no index turns into "no level".
std::uint16_t RemapLevelIndex(std::uint16_t level, std::uint16_t insertion);

// Applies RemapLevelIndex to every object of the chain starting at head, or,
// with `onlyAbove`, to the objects whose level is above that value.
void RenumberChainLevels(cOutObj* head, std::uint16_t insertion, std::optional<std::uint16_t> onlyAbove = {});

}  // namespace kvn
