#include "foundation/CountingAlloc.h"
#include "foundation/HeapPrefault.h"

#include <malloc.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace kvn {
namespace {

// The program runs on one thread, but toolkit threads may still call operator
// new. The thread that allocates first (the main thread, during static
// initialisation) owns a count that only it writes: a relaxed load and a store
// keep it exact without a locked read-modify-write, which on the path every
// allocation and free takes cost about a tenth of a large import. Other
// threads count in a shared atomic; the bytes held are the sum of the two.
std::atomic<std::int64_t> g_ownerHeld{0};
std::atomic<std::int64_t> g_otherHeld{0};
std::atomic<std::uint64_t> g_peak{0};
std::atomic<bool> g_ownerClaimed{false};
// 0 until the thread's first allocation, then 1 for the owner, -1 for others.
thread_local signed char t_role = 0;
std::atomic<MemoryCallback> g_lowMemory{nullptr};
// kLowMemoryThreshold, lowered only by tests.
std::atomic<std::uint64_t> g_threshold{kLowMemoryThreshold};
std::atomic<MemoryCallback> g_fatal{nullptr};
std::atomic<bool> g_fatalDone{false};
// Set once the fatal callback has returned; the thread running it is marked
// so that a failure inside the callback ends the process instead of waiting
// for itself.
std::atomic<bool> g_fatalTold{false};
thread_local bool t_tellingFatal = false;

std::size_t SystemUsableSize(void* p) { return ::malloc_usable_size(p); }

alloc_testing::Heap g_heap{&std::malloc, &std::realloc, &std::free, &SystemUsableSize};

bool IsOwner() {
  if (t_role == 0) t_role = g_ownerClaimed.exchange(true) ? -1 : 1;
  return t_role > 0;
}

std::uint64_t Held() {
  const std::int64_t held = g_ownerHeld.load(std::memory_order_relaxed) + g_otherHeld.load(std::memory_order_relaxed);
  return held > 0 ? std::uint64_t(held) : 0;
}

// The owner raises the peak with a store (a raise by another thread at the
// same instant may be lost; the held count never is), others by exchange.
void RaisePeak(std::uint64_t current, bool owner) {
  std::uint64_t peak = g_peak.load(std::memory_order_relaxed);
  if (current <= peak) return;
  if (owner) {
    g_peak.store(current, std::memory_order_relaxed);
    return;
  }
  while (current > peak && !g_peak.compare_exchange_weak(peak, current, std::memory_order_relaxed)) {
  }
}

void Change(std::int64_t delta) {
  const bool owner = IsOwner();
  if (owner) {
    g_ownerHeld.store(g_ownerHeld.load(std::memory_order_relaxed) + delta, std::memory_order_relaxed);
  } else {
    g_otherHeld.fetch_add(delta, std::memory_order_relaxed);
  }
  if (delta > 0) RaisePeak(Held(), owner);
}

void Add(std::uint64_t n) { Change(std::int64_t(n)); }

void Sub(std::uint64_t n) { Change(-std::int64_t(n)); }

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
    t_tellingFatal = true;
    if (MemoryCallback cb = g_fatal.load(std::memory_order_relaxed)) cb();
    g_fatalTold.store(true);
  } else if (!t_tellingFatal) {
    // Another thread ran out first and is telling it (a tool writing its
    // answer): the process ends once that is told, not halfway through.
    while (!g_fatalTold.load()) ::sched_yield();
  }
  // No clean-up: destructors and exit handlers could allocate again.
  ::_exit(kOutOfMemoryExitCode);
}

void* CountingAlloc(std::size_t n) {
  if (n == 0) n = 1;  // malloc(0) may answer null, which is not a failure
  // The threshold is asked as if the request were held already; the block's
  // real size is counted once the heap answers, in one step (every
  // allocation passes here).
  if (Held() + n > g_threshold.load(std::memory_order_relaxed)) CallLowMemory();
  void* block = g_heap.malloc(n);
  if (!block) {
    CallLowMemory();
    block = g_heap.malloc(n);
    if (!block) FatalOutOfMemory();
  }
  if (g_heap.malloc == &std::malloc) NoteHeapBlock(block, n);
  Add(g_heap.usable_size(block));
  return block;
}

void* CountingMalloc(std::size_t n) { return CountingAlloc(n); }

void* CountingRealloc(void* block, std::size_t n) {
  if (n == 0) n = 1;
  Change(std::int64_t(n) - std::int64_t(g_heap.usable_size(block)));
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

std::uint64_t GetAllocatedBytes() { return Held(); }
std::uint64_t GetPeakAllocatedBytes() { return g_peak.load(std::memory_order_relaxed); }

void SetLowMemoryCallback(MemoryCallback callback) { g_lowMemory.store(callback); }
MemoryCallback GetLowMemoryCallback() { return g_lowMemory.load(); }
void SetFatalMemoryCallback(MemoryCallback callback) { g_fatal.store(callback); }

namespace alloc_testing {
Heap SystemHeap() { return Heap{&std::malloc, &std::realloc, &std::free, &SystemUsableSize}; }
void SetHeap(const Heap& heap) { g_heap = heap; }
void SetLowMemoryThreshold(std::uint64_t bytes) { g_threshold.store(bytes); }
void SetCounters(std::uint64_t current, std::uint64_t peak) {
  // Called on the owner thread: its count takes whatever the others hold.
  (void)IsOwner();
  g_ownerHeld.store(std::int64_t(current) - g_otherHeld.load());
  g_peak.store(peak);
}
}  // namespace alloc_testing

}  // namespace kvn
