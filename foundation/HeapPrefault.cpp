#include "foundation/HeapPrefault.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "foundation/AddressSanitizer.h"

namespace kvn {

namespace {

#if defined(MADV_POPULATE_WRITE)
constexpr int kPopulate = MADV_POPULATE_WRITE;
#else
constexpr int kPopulate = 23;
#endif

// The heap holds this much before anything is populated ahead: small
// programs keep the memory they use and no helper thread.
constexpr std::uintptr_t kStartBytes = std::uintptr_t(4) << 20;
// How far ahead of the highest block the pages are made ready, and how
// much the highest block moves before the helpers are told again.
constexpr std::uintptr_t kAheadBytes = std::uintptr_t(16) << 20;
constexpr std::uintptr_t kStepBytes = std::uintptr_t(1) << 20;
constexpr std::uintptr_t kPage = 4096;
constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
// Clearing fresh pages is slow on some virtual machines (the host backs
// each page at its first touch): one helper fell behind a large import.
constexpr unsigned kMaxHelpers = 2;

std::atomic<std::uintptr_t> g_watch{0};
std::atomic<std::uint64_t> g_populated{0};

class Helpers {
 public:
  // The main arena's pages from `from` up to `target` (inside the heap)
  // are wanted.
  void Want(std::uintptr_t base, std::uintptr_t top, std::uintptr_t from, std::uintptr_t target) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (failed_) return;
      base_ = base;
      top_ = std::max(top_, top);
      if (claimed_ == 0) claimed_ = from;
      if (target <= target_) return;
      target_ = target;
      if (started_ == 0) {
        const unsigned cores = std::thread::hardware_concurrency();
        const unsigned count = std::min(kMaxHelpers, cores > 2 ? cores - 2 : 1u);
        for (unsigned i = 0; i < count; ++i) {
          try {
            std::thread([this] { Run(); }).detach();
            ++started_;
          } catch (...) {
            break;
          }
        }
        if (started_ == 0) {
          failed_ = true;
          return;
        }
      }
    }
    wake_.notify_all();
  }

 private:
  // Each helper takes the next step of at most one huge page (so that the
  // heap's own growth, which waits for the address space lock, is never
  // held up long), advises it for huge pages and populates it. The clearing
  // of a fresh page is slow, and falls on the helpers, not on the program.
  // Advice only: a kernel that refuses it gives ordinary pages.
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
      wake_.wait(lock, [&] { return failed_ || target_ > claimed_; });
      if (failed_) return;
      const std::uintptr_t at = claimed_, region = at & ~(kHugePage - 1);
      const std::uintptr_t end = std::min(target_, region + kHugePage);
      const std::uintptr_t base = base_, top = top_;
      claimed_ = end;
      lock.unlock();
#if defined(MADV_HUGEPAGE)
      // Within the heap only (its first and last huge pages in part).
      const std::uintptr_t adviseFrom = std::max(region, base), adviseTo = std::min(region + kHugePage, top);
      if (adviseTo > adviseFrom) (void)madvise(reinterpret_cast<void*>(adviseFrom), adviseTo - adviseFrom, MADV_HUGEPAGE);
#endif
      const bool ok = madvise(reinterpret_cast<void*>(at), end - at, kPopulate) == 0;
      if (ok) g_populated.fetch_add(end - at, std::memory_order_relaxed);
      lock.lock();
      if (!ok) {
        failed_ = true;
        wake_.notify_all();
        return;
      }
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::uintptr_t base_ = 0, top_ = 0, claimed_ = 0, target_ = 0;
  unsigned started_ = 0;
  bool failed_ = false;
};

Helpers& TheHelpers() {
  // Never destroyed: the helper threads may still wait on it at exit.
  static Helpers* helpers = new Helpers;
  return *helpers;
}

// The heap tuned for large imports; its start, or 0 where nothing is
// populated ahead: on one core the clearing would only move from one thread
// to another.
std::uintptr_t HeapBase() {
  static const std::uintptr_t base = []() -> std::uintptr_t {
    // The heap grows in large steps and keeps what is freed at its top
    // (given back only in large pieces), so that what is populated is not
    // given back and faulted in again. Setting these ends the C library's
    // sliding threshold for blocks of their own mapping: it is set where
    // the sliding one would end.
    (void)mallopt(M_TOP_PAD, int(2 * kAheadBytes));
    (void)mallopt(M_TRIM_THRESHOLD, int(4 * kAheadBytes));
    (void)mallopt(M_MMAP_THRESHOLD, int(2 * kAheadBytes));
    // Without fast bins: a large import frees records of every size among
    // its allocations, and each larger request first merged the fast bins
    // (a few per cent of an import); the per-thread cache still takes the
    // small frees.
    (void)mallopt(M_MXFAST, 0);
    if (std::thread::hardware_concurrency() < 2) return 0;
    const std::uintptr_t b = reinterpret_cast<std::uintptr_t>(sbrk(0));
    g_watch.store(b + kStartBytes, std::memory_order_relaxed);
    return b;
  }();
  return base;
}

}  // namespace

void NoteHeapBlock(void* block, std::size_t n) {
  static const std::uintptr_t base = HeapBase();
  if (base == 0) return;
  const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(block) + n;
  if (end <= g_watch.load(std::memory_order_relaxed)) return;
  const std::uintptr_t top = reinterpret_cast<std::uintptr_t>(sbrk(0));
  // Blocks of their own mapping or of another thread's arena lie outside
  // the heap.
  if (reinterpret_cast<std::uintptr_t>(block) < base || end > top) return;
  g_watch.store(end + kStepBytes, std::memory_order_relaxed);
  const std::uintptr_t from = (end + kPage - 1) & ~(kPage - 1);
  const std::uintptr_t target = std::min(top, end + kAheadBytes) & ~(kPage - 1);
  if (target > from) TheHelpers().Want(base, top, from, target);
}

namespace heap_prefault_testing {
std::uint64_t PopulatedBytes() { return g_populated.load(std::memory_order_relaxed); }
bool Applies() {
#if defined(KVN_ADDRESS_SANITIZER)
  return false;
#else
  return HeapBase() != 0;
#endif
}
}  // namespace heap_prefault_testing

}  // namespace kvn
