// The heap an insert's expansion asks for grows with the children it makes:
// a block of many nested inserts gathers every nested expansion into one
// entry list, which must grow geometrically, not to the exact sum each time
// (a thousand nested inserts would move the list a thousand times).
#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdlib>
#include <vector>

#include "foundation/CountingAlloc.h"
#include "model/InsertExpansion.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"

namespace kvn {
namespace expansion_work {
namespace {

struct RequestedBytes {
  static inline std::uint64_t total = 0;
  static void* Malloc(std::size_t n) {
    total += n;
    return std::malloc(n);
  }
  static void* Realloc(void* p, std::size_t n) {
    total += n;
    return std::realloc(p, n);
  }
  static void Free(void* p) { std::free(p); }
  static std::size_t Size(void* p) { return malloc_usable_size(p); }
};

std::uint32_t BlockOf(cDrawingData* data, const std::vector<cOutObj*>& objects) {
  auto* block = new cBlock();
  ObjectChain chain;
  for (cOutObj* o : objects) chain.Append(o);
  block->AppendChain(std::move(chain));
  return data->AddBlock(block);
}

TEST(InsertExpansionWorkTest, HeapAskedGrowsWithTheChildrenMade) {
  constexpr int kNested = 2000, kLines = 10;
  cDrawingData* data = new cDrawingData();
  data->AddRef();
  std::vector<cOutObj*> lines;
  for (int i = 0; i < kLines; ++i) {
    auto* line = new cLine();
    line->end = DPoint{1.0, double(i)};
    line->MarkDirty();
    lines.push_back(line);
  }
  const std::uint32_t leaf = BlockOf(data, lines);
  std::vector<cOutObj*> nested;
  for (int i = 0; i < kNested; ++i) {
    auto* insert = new cInsert();
    insert->blockIndex = leaf;
    nested.push_back(insert);
  }
  cInsert top;
  top.blockIndex = BlockOf(data, nested);
  ObjectEntryArray out;
  ExpandInsertArgs args;
  args.blockData = data;
  args.insert = &top;
  args.block = data->GetBlock(top.blockIndex);
  args.out = &out;
  args.data = data;
  alloc_testing::SetHeap({&RequestedBytes::Malloc, &RequestedBytes::Realloc, &RequestedBytes::Free,
                          &RequestedBytes::Size});
  RequestedBytes::total = 0;
  ExpandInsert(args);
  const std::uint64_t requested = RequestedBytes::total;
  alloc_testing::SetHeap(alloc_testing::SystemHeap());
  ASSERT_EQ(out.Count(), std::size_t(kNested * kLines));
  // A copied line with its entry takes a few hundred bytes; gathering the
  // nested lists to the exact sum each time asks for some 240 MB here.
  EXPECT_LT(requested / out.Count(), 2000u) << requested << " bytes for " << out.Count() << " children";
  out.Flush();
  data->Release();
}

}  // namespace
}  // namespace expansion_work
}  // namespace kvn
