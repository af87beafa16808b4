#include "foundation/CountingAlloc.h"

#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace kvn {
namespace {

// The program runs on one thread, but toolkit threads may still call operator
// new; relaxed atomics keep the counters whole at almost no cost.
std::atomic<std::uint64_t> g_current{0};
std::atomic<std::uint64_t> g_peak{0};
std::atomic<MemoryCallback> g_lowMemory{nullptr};
std::atomic<MemoryCallback> g_fatal{nullptr};
std::atomic<bool> g_fatalDone{false};

std::size_t SystemUsableSize(void* p) { return ::malloc_usable_size(p); }

alloc_testing::Heap g_heap{&std::malloc, &std::realloc, &std::free, &SystemUsableSize};

void RaisePeak(std::uint64_t current) {
  std::uint64_t peak = g_peak.load(std::memory_order_relaxed);
  while (current > peak &&
         !g_peak.compare_exchange_weak(peak, current, std::memory_order_relaxed)) {
  }
}

void Add(std::uint64_t n) {
  RaisePeak(g_current.fetch_add(n, std::memory_order_relaxed) + n);
}

void Sub(std::uint64_t n) { g_current.fetch_sub(n, std::memory_order_relaxed); }

void CallLowMemory() {
  if (MemoryCallback cb = g_lowMemory.load(std::memory_order_relaxed)) cb();
}

// A reallocation's request is counted before the heap call; once the heap
// answers, the count is corrected to the block's real size, which is what a
// free takes off again.
void Settle(void* block, std::size_t requested) {
  std::size_t real = g_heap.usable_size(block);
  if (real > requested) {
    Add(real - requested);
  } else if (real < requested) {
    Sub(requested - real);
  }
}

}  // namespace

void FatalOutOfMemory() {
  if (!g_fatalDone.exchange(true)) {
    if (MemoryCallback cb = g_fatal.load(std::memory_order_relaxed)) cb();
  }
  // No clean-up: destructors and exit handlers could allocate again.
  ::_exit(kOutOfMemoryExitCode);
}

void* CountingAlloc(std::size_t n) {
  if (n == 0) n = 1;  // malloc(0) may answer null, which is not a failure
  // The threshold is asked as if the request were held already; the block's
  // real size is counted once the heap answers, in one step (every
  // allocation passes here, and each step is an atomic read-modify-write).
  if (g_current.load(std::memory_order_relaxed) + n > kLowMemoryThreshold) CallLowMemory();
  void* block = g_heap.malloc(n);
  if (!block) {
    CallLowMemory();
    block = g_heap.malloc(n);
    if (!block) FatalOutOfMemory();
  }
  Add(g_heap.usable_size(block));
  return block;
}

void* CountingMalloc(std::size_t n) { return CountingAlloc(n); }

void* CountingRealloc(void* block, std::size_t n) {
  if (n == 0) n = 1;
  std::size_t old = g_heap.usable_size(block);
  Sub(old);
  Add(n);
  void* moved = g_heap.realloc(block, n);
  if (!moved) {
    CallLowMemory();
    moved = g_heap.realloc(block, n);
    if (!moved) FatalOutOfMemory();
  }
  Settle(moved, n);
  return moved;
}

void CountingFree(void* block) {
  if (!block) return;
  Sub(g_heap.usable_size(block));
  g_heap.free(block);
}

std::uint64_t GetAllocatedBytes() { return g_current.load(std::memory_order_relaxed); }
std::uint64_t GetPeakAllocatedBytes() { return g_peak.load(std::memory_order_relaxed); }

void SetLowMemoryCallback(MemoryCallback callback) { g_lowMemory.store(callback); }
MemoryCallback GetLowMemoryCallback() { return g_lowMemory.load(); }
void SetFatalMemoryCallback(MemoryCallback callback) { g_fatal.store(callback); }

namespace alloc_testing {
Heap SystemHeap() { return Heap{&std::malloc, &std::realloc, &std::free, &SystemUsableSize}; }
void SetHeap(const Heap& heap) { g_heap = heap; }
void SetCounters(std::uint64_t current, std::uint64_t peak) {
  g_current.store(current);
  g_peak.store(peak);
}
}  // namespace alloc_testing

}  // namespace kvn
