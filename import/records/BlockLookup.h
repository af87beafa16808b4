// The block an insert places, found through indexes instead of a scan of
// every block per insert: by the block's handle or owner, by its name (ASCII
// case ignored) and by the inserts known to place it. The answer is the
// first block, in table order, that any of the keys asked names, as a scan
// in table order would find. Blocks are only ever appended; those appended
// since the last look-up are taken in at the next one. Reset drops the
// indexes, for blocks whose keys were filled in after they were taken in.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "foundation/GrowArray.h"
#include "foundation/WString.h"

namespace kvn {

struct YxxfBlockRec;

class BlockLookup {
 public:
  // With a block handle, the first block of that handle or owner; without
  // one, the first of the name (none for an empty name); with an insert
  // handle, the first block listing that insert when it comes earlier.
  YxxfBlockRec* Find(const OwnedArray<YxxfBlockRec>& blocks, std::uint64_t insertHandle, const WString& name,
                     std::uint64_t blockHandle);
  void Reset();

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  static std::uint32_t At(const std::unordered_map<std::uint64_t, std::uint32_t>& map, std::uint64_t key);
  std::unordered_map<std::uint64_t, std::uint32_t> byHandle_;
  std::unordered_map<std::uint64_t, std::uint32_t> byInsert_;
  std::unordered_map<std::u16string, std::uint32_t> byName_;
  std::uint32_t taken_ = 0;
};

}  // namespace kvn
