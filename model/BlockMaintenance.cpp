#include "model/BlockMaintenance.h"

#include <algorithm>
#include <unordered_set>
#include <utility>
#include <vector>

#include "foundation/ArchiveWriter.h"
#include "model/BlockPath.h"
#include "model/cAnyLine.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cOutObj.h"

namespace kvn {

namespace {

// Positions compare as their four bytes in storage order, lowest first:
// the order of the value with its bytes swapped.
std::uint32_t ByteOrderKey(std::uint32_t v) { return __builtin_bswap32(v); }

void Collect(cOutObj* chain, cDrawingData& data, std::vector<ReachableBlock>& entries, std::vector<bool>& visited,
             ByteArray& scratch, BlockPath& path, std::size_t& unvisited);

// The entries of the object's block and of the blocks nested in it, when it
// is an insert of a block not taken yet.
void CollectObject(cOutObj* o, cDrawingData& data, std::vector<ReachableBlock>& entries, std::vector<bool>& visited,
                   ByteArray& scratch, BlockPath& path, std::size_t& unvisited) {
  cInsert* insert = o->AsInsert();
  if (!insert) return;
  const std::uint32_t i = insert->blockIndex;
  if (i >= data.BlockCount() || i >= visited.size() || visited[i]) return;
  cBlock* block = data.GetBlock(i);
  if (!block) return;
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

// `unvisited` counts the blocks not taken yet: once none is left, the rest
// of a long chain cannot add an entry and is not walked.
void Collect(cOutObj* chain, cDrawingData& data, std::vector<ReachableBlock>& entries, std::vector<bool>& visited,
             ByteArray& scratch, BlockPath& path, std::size_t& unvisited) {
  for (cOutObj* o = chain; o && unvisited != 0; o = o->next)
    CollectObject(o, data, entries, visited, scratch, path, unvisited);
}

// How far ahead of the object in hand a walk down a list of objects fetches.
constexpr std::size_t kObjectsAhead = 16;

std::size_t CountUnvisited(cDrawingData& data, const std::vector<bool>& visited) {
  std::size_t unvisited = 0;
  for (std::size_t i = 0; i < visited.size() && i < data.BlockCount(); ++i) {
    if (!visited[i] && data.GetBlock(std::uint32_t(i))) ++unvisited;
  }
  return unvisited;
}

constexpr std::uint32_t kNoEntry = 0xFFFFFFFFu;

// The indexes of the keys in key order, equal keys in list order: sorted
// rather than hashed, as a table of a node per key cost more than the rest
// of the merge on a drawing of tens of thousands of generated blocks. The
// pairs of key and index are sorted themselves, not indexes that look
// their keys up at every comparison.
template <class Key>
std::vector<std::uint32_t> KeyOrder(const std::vector<Key>& keys) {
  std::vector<std::pair<Key, std::uint32_t>> pairs(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) pairs[i] = {keys[i], std::uint32_t(i)};
  std::sort(pairs.begin(), pairs.end());
  std::vector<std::uint32_t> order(keys.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = pairs[i].second;
  return order;
}

// For each key, the index of the next equal key in the list (kNoEntry for
// the last of its value): the keys of one value as a list, in list order.
template <class Key>
std::vector<std::uint32_t> LinkEqualKeys(const std::vector<Key>& keys) {
  std::vector<std::uint32_t> next(keys.size(), kNoEntry);
  const std::vector<std::uint32_t> order = KeyOrder(keys);
  for (std::size_t k = 1; k < order.size(); ++k) {
    if (keys[order[k - 1]] == keys[order[k]]) next[order[k - 1]] = order[k];
  }
  return next;
}

// For each key, whether another key of the list equals it.
template <class Key>
std::vector<bool> SharedKeys(const std::vector<Key>& keys) {
  std::vector<bool> shared(keys.size(), false);
  const std::vector<std::uint32_t> order = KeyOrder(keys);
  for (std::size_t k = 1; k < order.size(); ++k) {
    if (keys[order[k - 1]] == keys[order[k]]) shared[order[k - 1]] = shared[order[k]] = true;
  }
  return shared;
}

// A 64-bit hash of the block's records as IsSameBlock compares them, each
// written on its own: blocks it takes as the same hash alike. The 32-bit
// checksum rotates and XORs bytes, so blocks that differ only in the block
// indexes of their inserts often share it (a drawing of nested inserts put
// up to a hundred blocks in one checksum); the hash keeps them apart.
std::uint64_t RecordsHash(const cBlock& block, ByteArray& scratch) {
  constexpr std::uint64_t kPrime = 1099511628211ull;
  std::uint64_t h = 1469598103934665603ull;
  for (const cOutObj* o = block.FirstObject(); o; o = o->next) {
    scratch.Clear();
    {
      ArchiveWriter w(&scratch);
      o->Write(nullptr, w);
    }
    for (const std::uint8_t b : scratch) h = (h ^ b) * kPrime;
    h = (h ^ std::uint64_t(scratch.Count())) * kPrime;
  }
  return h;
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
  std::size_t unvisited = CountUnvisited(data, visited);
  Collect(chain, data, entries, visited, scratch, path, unvisited);
}

void CollectReachableBlocks(std::span<cOutObj* const> top, cDrawingData& data, std::vector<ReachableBlock>& entries,
                            std::vector<bool>& visited, ByteArray& scratch) {
  BlockPath path;
  std::size_t unvisited = CountUnvisited(data, visited);
  // The objects lie all over the heap: listed, those ahead are fetched
  // while this one is asked, where a chain waits for memory at every link.
  for (std::size_t k = 0; k < top.size() && unvisited != 0; ++k) {
    if (k + kObjectsAhead < top.size()) __builtin_prefetch(top[k + kObjectsAhead]);
    CollectObject(top[k], data, entries, visited, scratch, path, unvisited);
  }
}

namespace {

bool RemapObject(cDrawingData& data, cOutObj* o, const std::vector<std::uint32_t>& remap) {
  cInsert* insert = o->AsInsert();
  if (!insert || insert->blockIndex >= remap.size()) return false;
  const std::uint32_t target = remap[insert->blockIndex];
  if (target == insert->blockIndex || target >= data.BlockCount()) return false;
  insert->blockIndex = target;
  insert->MarkDirty();
  return true;
}

}  // namespace

bool RemapInsertBlocks(cDrawingData& data, cOutObj* chain, const std::vector<std::uint32_t>& remap) {
  bool changed = false;
  for (cOutObj* o = chain; o; o = o->next) changed = RemapObject(data, o, remap) || changed;
  return changed;
}

bool RemapInsertBlocks(cDrawingData& data, std::span<cOutObj* const> top, const std::vector<std::uint32_t>& remap) {
  bool changed = false;
  for (std::size_t k = 0; k < top.size(); ++k) {
    if (k + kObjectsAhead < top.size()) __builtin_prefetch(top[k + kObjectsAhead]);
    changed = RemapObject(data, top[k], remap) || changed;
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
  if (BlockCount() == 0) return;
  std::vector<cOutObj*> listed;
  for (cOutObj* o = first; o; o = o->next) listed.push_back(o);
  MergeDuplicateBlocksOf(listed, protectedFirst, protectedCount);
}

void cDrawingData::MergeDuplicateBlocks(std::span<cOutObj* const> top) { MergeDuplicateBlocksOf(top, 0, 0); }

void cDrawingData::MergeDuplicateBlocksOf(std::span<cOutObj* const> top, std::uint32_t protectedFirst,
                                          int protectedCount) {
  const std::uint32_t n = BlockCount();
  if (n == 0) return;
  ByteArray scratch, otherScratch;
  std::vector<ReachableBlock> entries;
  std::vector<bool> visited(n, false);
  CollectReachableBlocks(top, *this, entries, visited, scratch);

  std::unordered_set<std::uint32_t> protectedSums;
  if (protectedFirst < n && protectedCount > 0 && std::uint64_t(protectedFirst) + std::uint32_t(protectedCount) <= n) {
    for (std::uint32_t i = protectedFirst; i < protectedFirst + std::uint32_t(protectedCount); ++i)
      if (cBlock* b = GetBlock(i)) protectedSums.insert(b->GetChecksum(scratch));
  }
  auto allowed = [&](std::uint32_t sum) { return protectedSums.empty() || protectedSums.contains(sum); };
  auto remapAll = [&](const std::vector<std::uint32_t>& remap) {
    RemapInsertBlocks(*this, top, remap);
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
  // Only blocks of one checksum are ever compared: each pass walks the
  // entries of one checksum as a list, in the pass's order, so the time
  // grows with the number of blocks, not with its square.
  std::vector<std::uint32_t> sums(entries.size());

  // First pass. In checksum order, equal blocks map onto the first of a run
  // of equal neighbours; a block that differs starts the next run. Runs of
  // different checksums never meet, so each checksum's entries are taken in
  // collection order on their own.
  for (std::size_t e = 0; e < entries.size(); ++e) sums[e] = entries[e].checksum;
  const std::vector<std::uint32_t> sameSum = LinkEqualKeys(sums);
  std::vector<bool> follows(entries.size(), false);
  for (const std::uint32_t next : sameSum)
    if (next != kNoEntry) follows[next] = true;
  std::vector<bool> merged(entries.size(), false);
  std::vector<std::uint32_t> remap = identity();
  bool remapped = false;
  for (std::size_t e = 0; e < entries.size(); ++e) {
    if (follows[e] || !allowed(sums[e])) continue;
    std::uint32_t runHead = std::uint32_t(e);
    for (std::uint32_t f = sameSum[e]; f != kNoEntry; f = sameSum[f]) {
      cBlock* a = GetBlock(entries[runHead].index);
      cBlock* b = GetBlock(entries[f].index);
      if (a && b && a->IsSameBlock(*b, scratch, otherScratch)) {
        remap[entries[f].index] = entries[runHead].index;
        merged[f] = true;
        remapped = true;
      } else {
        runHead = f;
      }
    }
  }
  if (remapped) remapAll(remap);

  // Second pass, over the entries left, in collection order (positions
  // compared bytewise like checksums): blocks that became equal once their
  // inserts were re-pointed are emptied onto the first. Emptying a block
  // changes no other block's checksum or records (an insert is written with
  // its block index only), so each is taken once, before the pass.
  std::vector<std::uint32_t> swapped(entries.size());
  for (std::size_t e = 0; e < entries.size(); ++e) swapped[e] = ByteOrderKey(entries[e].position);
  std::vector<std::uint32_t> order = KeyOrder(swapped);
  std::erase_if(order, [&](std::uint32_t e) { return merged[e] || !GetBlock(entries[e].index); });
  sums.resize(order.size());
  for (std::size_t k = 0; k < order.size(); ++k) sums[k] = GetBlock(entries[order[k]].index)->GetChecksum(scratch);
  // Only blocks of one checksum and one records hash can be the same; the
  // hash is taken only where a checksum is shared.
  const std::vector<bool> sharing = SharedKeys(sums);
  std::vector<std::uint64_t> keys(order.size());
  for (std::size_t k = 0; k < order.size(); ++k) {
    const std::uint64_t records = sharing[k] ? RecordsHash(*GetBlock(entries[order[k]].index), scratch) : 0;
    keys[k] = records * 0x9e3779b97f4a7c15ull ^ sums[k];
  }
  const std::vector<std::uint32_t> laterSame = LinkEqualKeys(keys);
  std::vector<bool> emptiedEntry(order.size(), false);
  std::vector<std::uint32_t> second = identity();
  bool emptied = false;
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (emptiedEntry[k] || !allowed(sums[k])) continue;
    cBlock* a = GetBlock(entries[order[k]].index);
    for (std::uint32_t f = laterSame[k]; f != kNoEntry; f = laterSame[f]) {
      cBlock* b = GetBlock(entries[order[f]].index);
      if (emptiedEntry[f] || !a->IsSameBlock(*b, scratch, otherScratch)) continue;
      b->DetachObjects();
      second[entries[order[f]].index] = entries[order[k]].index;
      emptiedEntry[f] = true;
      emptied = true;
    }
  }
  if (emptied) remapAll(second);
}

}  // namespace kvn
