#include "foundation/CountingAlloc.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace kvn {
namespace {

// A heap whose blocks report exactly their requested size, so the counters can
// be checked to the byte; it can be told to refuse the next requests.
struct FakeHeap {
  static inline int refuse = 0;
  static void* Malloc(std::size_t n) {
    if (refuse > 0) {
      --refuse;
      return nullptr;
    }
    auto* p = static_cast<std::size_t*>(std::malloc(n + sizeof(std::max_align_t)));
    *p = n;
    return reinterpret_cast<char*>(p) + sizeof(std::max_align_t);
  }
  static std::size_t* Header(void* p) {
    return reinterpret_cast<std::size_t*>(static_cast<char*>(p) - sizeof(std::max_align_t));
  }
  static void* Realloc(void* p, std::size_t n) {
    if (refuse > 0) {
      --refuse;
      return nullptr;
    }
    auto* h = static_cast<std::size_t*>(std::realloc(Header(p), n + sizeof(std::max_align_t)));
    *h = n;
    return reinterpret_cast<char*>(h) + sizeof(std::max_align_t);
  }
  static void Free(void* p) { std::free(Header(p)); }
  static std::size_t Size(void* p) { return *Header(p); }
};

int g_lowCalls = 0;
void CountLow() { ++g_lowCalls; }

class CountingAllocTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_current_ = GetAllocatedBytes();
    saved_peak_ = GetPeakAllocatedBytes();
    alloc_testing::SetHeap({&FakeHeap::Malloc, &FakeHeap::Realloc, &FakeHeap::Free, &FakeHeap::Size});
    alloc_testing::SetCounters(0, 0);
    FakeHeap::refuse = 0;
    g_lowCalls = 0;
    SetLowMemoryCallback(&CountLow);
  }
  void TearDown() override {
    SetLowMemoryCallback(nullptr);
    alloc_testing::SetHeap(alloc_testing::SystemHeap());
    alloc_testing::SetCounters(saved_current_, saved_peak_);
  }
  std::uint64_t saved_current_ = 0, saved_peak_ = 0;
};

TEST_F(CountingAllocTest, CountsHeldBytesAndKeepsThePeak) {
  void* a = CountingMalloc(100);
  void* b = CountingMalloc(50);
  EXPECT_EQ(GetAllocatedBytes(), 150u);
  CountingFree(a);
  EXPECT_EQ(GetAllocatedBytes(), 50u);
  EXPECT_EQ(GetPeakAllocatedBytes(), 150u);  // a free leaves the peak
  b = CountingRealloc(b, 500);
  EXPECT_EQ(GetAllocatedBytes(), 500u);
  EXPECT_EQ(GetPeakAllocatedBytes(), 500u);
  CountingFree(b);
  CountingFree(nullptr);  // ignored
  EXPECT_EQ(GetAllocatedBytes(), 0u);
}

TEST_F(CountingAllocTest, LowMemoryCallbackOnlyAboveTheThreshold) {
  // Leaving the count at exactly the threshold does not warn.
  alloc_testing::SetCounters(kLowMemoryThreshold - 1, 0);
  void* a = CountingMalloc(1);
  EXPECT_EQ(g_lowCalls, 0);
  // At the threshold, one more byte warns before the allocation.
  void* b = CountingMalloc(1);
  EXPECT_EQ(g_lowCalls, 1);
  void* c = CountingMalloc(1);
  EXPECT_EQ(g_lowCalls, 2);  // before every allocation while above
  CountingFree(a);
  CountingFree(b);
  CountingFree(c);
}

TEST_F(CountingAllocTest, RetriesOnceAfterWarning) {
  FakeHeap::refuse = 1;
  void* p = CountingMalloc(10);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(g_lowCalls, 1);
  FakeHeap::refuse = 1;
  p = CountingRealloc(p, 20);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(g_lowCalls, 2);
  EXPECT_EQ(GetAllocatedBytes(), 20u);
  CountingFree(p);
}

TEST_F(CountingAllocTest, ZeroByteRequestsGiveABlock) {
  void* p = CountingMalloc(0);
  EXPECT_NE(p, nullptr);
  CountingFree(p);
}

TEST_F(CountingAllocTest, GlobalNewIsCounted) {
  alloc_testing::SetHeap(alloc_testing::SystemHeap());
  std::uint64_t before = GetAllocatedBytes();
  auto block = std::make_unique<char[]>(4096);
  EXPECT_GE(GetAllocatedBytes(), before + 4096);
  block.reset();
  EXPECT_EQ(GetAllocatedBytes(), before);
}

}  // namespace
}  // namespace kvn
