// Block-table maintenance: blocks of equal content merged onto one (their
// inserts re-pointed), inserts remapped after a merge, and the pen width a
// block's strokes share. Walks through nested inserts go through BlockPath:
// blocks placing each other end the walk, never the stack.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "foundation/GrowArray.h"

namespace kvn {

class cBlock;
class cDrawingData;
class cOutObj;

struct ReachableBlock {
  std::uint32_t index = 0;
  std::uint32_t position = 0;  // order of collection, from 0
  std::uint32_t checksum = 0;
};

// Appends an entry for every block reachable from the inserts of the chain,
// nested blocks before the blocks holding them; `visited` holds one flag per
// block of the table, set before a block is entered.
void CollectReachableBlocks(cOutObj* chain, cDrawingData& data, std::vector<ReachableBlock>& entries,
                            std::vector<bool>& visited, ByteArray& scratch);
// The same from a list of top-level objects in place of a chain.
void CollectReachableBlocks(std::span<cOutObj* const> top, cDrawingData& data, std::vector<ReachableBlock>& entries,
                            std::vector<bool>& visited, ByteArray& scratch);
// Every insert of the chain takes remap[its block index] (geometry dirty);
// true when one changed.
bool RemapInsertBlocks(cDrawingData& data, cOutObj* chain, const std::vector<std::uint32_t>& remap);
bool RemapInsertBlocks(cDrawingData& data, std::span<cOutObj* const> top, const std::vector<std::uint32_t>& remap);
// The pen width shared by every stroked object of the block and of the
// blocks nested in it: false when it has none; true with -1 when they differ.
bool GetCommonLineWidth(double& width, cBlock& block, cDrawingData& data);

}  // namespace kvn
