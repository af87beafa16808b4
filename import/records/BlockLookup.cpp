#include "import/records/BlockLookup.h"

#include <algorithm>

#include "import/records/TableRecords.h"

namespace kvn {

namespace {

std::u16string NameKey(const WString& name) { return AsciiUpperKey(name.View()); }

}  // namespace

std::uint32_t BlockLookup::At(const std::unordered_map<std::uint64_t, std::uint32_t>& map, std::uint64_t key) {
  const auto it = map.find(key);
  return it == map.end() ? kNone : it->second;
}

YxxfBlockRec* BlockLookup::Find(const OwnedArray<YxxfBlockRec>& blocks, std::uint64_t insertHandle,
                                const WString& name, std::uint64_t blockHandle) {
  // Taken in table order: the first block of a key keeps it.
  for (; taken_ < blocks.Count(); ++taken_) {
    const YxxfBlockRec& block = *blocks[taken_];
    byHandle_.emplace(block.handle, taken_);
    byHandle_.emplace(block.owner, taken_);
    if (!block.name.IsEmpty()) byName_.emplace(NameKey(block.name), taken_);
    for (std::uint32_t i = 0; i < block.insertHandles.Count(); ++i) byInsert_.emplace(block.insertHandles[i], taken_);
  }
  std::uint32_t found = kNone;
  if (blockHandle != 0) {
    found = At(byHandle_, blockHandle);
  } else if (!name.IsEmpty()) {
    const auto it = byName_.find(NameKey(name));
    if (it != byName_.end()) found = it->second;
  }
  if (insertHandle != 0) found = std::min(found, At(byInsert_, insertHandle));
  return found < blocks.Count() ? blocks[found] : nullptr;
}

void BlockLookup::Reset() {
  byHandle_.clear();
  byInsert_.clear();
  byName_.clear();
  taken_ = 0;
}

}  // namespace kvn
