// The heap's pages are populated ahead of a growing heap on a helper thread
// without changing a byte the program wrote, whether it wrote before, while
// or after the helper passed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "foundation/HeapPrefault.h"

namespace kvn {
namespace {

TEST(HeapPrefaultTest, PagesAheadOfAGrowingHeapArePopulatedAndKeepTheirBytes) {
  // Where nothing is populated ahead (one core, a sanitizer's heap) the
  // bytes are checked all the same.
  const bool applies = heap_prefault_testing::Applies();
  const std::uint64_t before = heap_prefault_testing::PopulatedBytes();
  // 96 MB in small blocks, each filled with a pattern of its own as it is
  // taken, and a second pass that writes half of them again once the
  // helper has been at work.
  constexpr int kBlocks = 96000;
  constexpr std::size_t kBytes = 1000;
  std::vector<std::unique_ptr<char[]>> blocks;
  blocks.reserve(kBlocks);
  auto pattern = [](int i, int pass) { return char(i * 7 + pass * 13 + 1); };
  for (int i = 0; i < kBlocks; ++i) {
    blocks.emplace_back(new char[kBytes]);
    std::memset(blocks.back().get(), pattern(i, 0), kBytes);
  }
  // The helper runs on its own: it is given time to start (a bound, not a
  // speed target).
  if (applies) {
    for (int wait = 0; wait < 1000 && heap_prefault_testing::PopulatedBytes() == before; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GT(heap_prefault_testing::PopulatedBytes(), before);
  }
  for (int i = 0; i < kBlocks; i += 2) std::memset(blocks[std::size_t(i)].get(), pattern(i, 1), kBytes);
  for (int i = 0; i < kBlocks; ++i) {
    const char expected = pattern(i, i % 2 == 0 ? 1 : 0);
    const char* block = blocks[std::size_t(i)].get();
    bool same = true;
    for (std::size_t k = 0; k < kBytes && same; ++k) same = block[k] == expected;
    ASSERT_TRUE(same) << "block " << i;
  }
}

}  // namespace
}  // namespace kvn
