#include "model/BlockMaintenance.h"

#include <algorithm>

#include "model/BlockPath.h"
#include "model/cAnyLine.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cOutObj.h"

namespace kvn {

namespace {

// Checksums compare as their four bytes in storage order, lowest first.
bool ChecksumLess(std::uint32_t a, std::uint32_t b) {
  for (int i = 0; i < 4; ++i) {
    const std::uint32_t x = (a >> (8 * i)) & 0xFF, y = (b >> (8 * i)) & 0xFF;
    if (x != y) return x < y;
  }
  return false;
}

// `unvisited` counts the blocks not taken yet: once none is left, the rest
// of a long chain cannot add an entry and is not walked.
void Collect(cOutObj* chain, cDrawingData& data, std::vector<ReachableBlock>& entries, std::vector<bool>& visited,
             ByteArray& scratch, BlockPath& path, std::size_t& unvisited) {
  for (cOutObj* o = chain; o && unvisited != 0; o = o->next) {
    cInsert* insert = o->AsInsert();
    if (!insert) continue;
    const std::uint32_t i = insert->blockIndex;
    if (i >= data.BlockCount() || i >= visited.size() || visited[i]) continue;
    cBlock* block = data.GetBlock(i);
    if (!block) continue;
    // Marked before it is entered: a block reached again through itself is
    // already taken.
    visited[i] = true;
    --unvisited;
    if (path.Enter(block)) {
      Collect(block->FirstObject(), data, entries, visited, scratch, path, unvisited);
      path.Leave();
    }
    entries.push_back(ReachableBlock{i, std::uint32_t(entries.size()), block->GetChecksum(scratch)});
  }
}

bool CommonWidth(double& width, cBlock& block, cDrawingData& data, BlockPath& path, bool& found) {
  for (cOutObj* o = block.FirstObject(); o; o = o->next) {
    double contribution = 0.0;
    bool has = false;
    if (const cAnyLine* line = o->AsAnyLine()) {
      contribution = line->GetWidth(&data);
      has = true;
    } else if (cInsert* insert = o->AsInsert()) {
      cBlock* nested = insert->blockIndex < data.BlockCount() ? data.GetBlock(insert->blockIndex) : nullptr;
      if (nested && path.Enter(nested)) {
        double inner = -1.0;
        bool innerFound = false;
        const bool differs = !CommonWidth(inner, *nested, data, path, innerFound);
        path.Leave();
        if (differs) {
          width = -1.0;
          return false;
        }
        if (innerFound) {
          contribution = inner;
          has = true;
        }
      }
    }
    if (!has) continue;
    if (!found) {
      width = contribution;
      found = true;
    } else if (contribution != width || contribution < 0) {
      width = -1.0;
      return false;
    }
  }
  return true;
}

}  // namespace

void CollectReachableBlocks(cOutObj* chain, cDrawingData& data, std::vector<ReachableBlock>& entries,
                            std::vector<bool>& visited, ByteArray& scratch) {
  BlockPath path;
  std::size_t unvisited = 0;
  for (std::size_t i = 0; i < visited.size() && i < data.BlockCount(); ++i) {
    if (!visited[i] && data.GetBlock(std::uint32_t(i))) ++unvisited;
  }
  Collect(chain, data, entries, visited, scratch, path, unvisited);
}

bool RemapInsertBlocks(cDrawingData& data, cOutObj* chain, const std::vector<std::uint32_t>& remap) {
  bool changed = false;
  for (cOutObj* o = chain; o; o = o->next) {
    cInsert* insert = o->AsInsert();
    if (!insert || insert->blockIndex >= remap.size()) continue;
    const std::uint32_t target = remap[insert->blockIndex];
    if (target == insert->blockIndex || target >= data.BlockCount()) continue;
    insert->blockIndex = target;
    insert->MarkDirty();
    changed = true;
  }
  return changed;
}

bool GetCommonLineWidth(double& width, cBlock& block, cDrawingData& data) {
  width = -1.0;
  bool found = false;
  BlockPath path;
  path.Enter(&block);
  if (!CommonWidth(width, block, data, path, found)) return true;
  return found;
}

void cDrawingData::MergeDuplicateBlocks(cOutObj* /*unused*/, cOutObj* first, std::uint32_t protectedFirst,
                                        int protectedCount) {
  const std::uint32_t n = BlockCount();
  if (n == 0) return;
  ByteArray scratch, otherScratch;
  std::vector<ReachableBlock> entries;
  std::vector<bool> visited(n, false);
  CollectReachableBlocks(first, *this, entries, visited, scratch);

  std::vector<std::uint32_t> protectedSums;
  if (protectedFirst < n && protectedCount > 0 && std::uint64_t(protectedFirst) + std::uint32_t(protectedCount) <= n) {
    for (std::uint32_t i = protectedFirst; i < protectedFirst + std::uint32_t(protectedCount); ++i)
      if (cBlock* b = GetBlock(i)) protectedSums.push_back(b->GetChecksum(scratch));
  }
  auto allowed = [&](std::uint32_t sum) {
    return protectedSums.empty() || std::find(protectedSums.begin(), protectedSums.end(), sum) != protectedSums.end();
  };
  auto remapAll = [&](const std::vector<std::uint32_t>& remap) {
    RemapInsertBlocks(*this, first, remap);
    for (std::uint32_t i = 0; i < n; ++i) {
      cBlock* b = GetBlock(i);
      if (b && RemapInsertBlocks(*this, b->FirstObject(), remap)) b->InvalidateChecksum();
    }
  };
  auto identity = [n] {
    std::vector<std::uint32_t> remap(std::size_t(n) + 1);
    for (std::uint32_t i = 0; i <= n; ++i) remap[i] = i;
    return remap;
  };

  // First pass, in checksum order: equal blocks map onto the first of them.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const ReachableBlock& a, const ReachableBlock& b) { return ChecksumLess(a.checksum, b.checksum); });
  std::vector<std::uint32_t> remap = identity();
  bool remapped = false;
  for (std::size_t e = 0; e < entries.size(); ++e) {
    if (!allowed(entries[e].checksum)) continue;
    while (e + 1 < entries.size() && entries[e + 1].checksum == entries[e].checksum) {
      cBlock* a = GetBlock(entries[e].index);
      cBlock* b = GetBlock(entries[e + 1].index);
      if (!a || !b || !a->IsSameBlock(*b, scratch, otherScratch)) break;
      remap[entries[e + 1].index] = entries[e].index;
      entries.erase(entries.begin() + std::ptrdiff_t(e) + 1);
      remapped = true;
    }
  }
  if (remapped) remapAll(remap);

  // Second pass, in collection order: blocks that became equal once their
  // inserts were re-pointed are emptied onto the first.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const ReachableBlock& a, const ReachableBlock& b) { return ChecksumLess(a.position, b.position); });
  std::vector<std::uint32_t> second = identity();
  bool emptied = false;
  for (std::size_t e = 0; e < entries.size(); ++e) {
    cBlock* a = GetBlock(entries[e].index);
    if (!a) continue;
    const std::uint32_t c = a->GetChecksum(scratch);
    if (!allowed(c)) continue;
    for (std::size_t f = e + 1; f < entries.size();) {
      cBlock* b = GetBlock(entries[f].index);
      if (b && b->GetChecksum(otherScratch) == c && a->IsSameBlock(*b, scratch, otherScratch)) {
        b->DetachObjects();
        second[entries[f].index] = entries[e].index;
        entries.erase(entries.begin() + std::ptrdiff_t(f));
        emptied = true;
      } else {
        ++f;
      }
    }
  }
  if (emptied) remapAll(second);
}

}  // namespace kvn
