// Renumbering the page memberships of the objects of a block when pages are
// deleted or exchanged. Page ids are page indexes; 4095 (every page) never
// changes.
#pragma once

#include <cstdint>

namespace kvn {

class cBlock;
class cOutObj;

// Every object of the block loses page id `removed`, and ids above it move
// down by one. An object left on no page is deleted (unless the block does
// not own its chain).
void RemovePageFromChain(cBlock& block, std::uint16_t removed);
// Every object of the block shows page id b where it showed a, and a where b.
void SwapPagesInChain(cBlock& block, std::uint16_t a, std::uint16_t b);

}  // namespace kvn
