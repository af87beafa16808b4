#include "foundation/HeapPrefault.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

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
// How far ahead of the highest block the pages are made ready: a quarter
// of the heap in use, at most this much; and how much the highest block
// moves before the helper is woken again.
constexpr std::uintptr_t kAheadBytes = std::uintptr_t(16) << 20;
constexpr std::uintptr_t kStepBytes = std::uintptr_t(1) << 20;
constexpr std::uintptr_t kPage = 4096;
constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;

std::atomic<std::uintptr_t> g_watch{0};
std::atomic<std::uint64_t> g_populated{0};

class Helper {
 public:
  // The main arena's pages up to `target` (inside the heap) are wanted.
  void Want(std::uintptr_t base, std::uintptr_t top, std::uintptr_t from, std::uintptr_t target) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (failed_) return;
      base_ = base;
      top_ = std::max(top_, top);
      if (done_ == 0) done_ = from;
      if (target <= target_) return;
      target_ = target;
      if (!started_) {
        started_ = true;
        try {
          std::thread([this] { Run(); }).detach();
        } catch (...) {
          failed_ = true;
          return;
        }
      }
    }
    wake_.notify_one();
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
      wake_.wait(lock, [&] { return target_ > done_; });
      const std::uintptr_t from = done_, to = target_, base = base_, top = top_;
      lock.unlock();
      // In steps of one huge page, so that the heap's own growth (which
      // waits for the address space lock) is never held up long. Each step
      // is advised for huge pages just before it is populated: the clearing
      // of a huge page is slow the first time, and falls on this thread,
      // not on the program's. Advice only: a kernel that refuses it gives
      // ordinary pages.
      bool ok = true;
      std::uintptr_t at = from;
      while (at < to && ok) {
        const std::uintptr_t region = at & ~(kHugePage - 1);
        const std::uintptr_t end = std::min(to, region + kHugePage);
#if defined(MADV_HUGEPAGE)
        // Within the heap only (its first and last huge pages in part).
        const std::uintptr_t adviseFrom = std::max(region, base), adviseTo = std::min(region + kHugePage, top);
        if (adviseTo > adviseFrom) (void)madvise(reinterpret_cast<void*>(adviseFrom), adviseTo - adviseFrom, MADV_HUGEPAGE);
#endif
        ok = madvise(reinterpret_cast<void*>(at), end - at, kPopulate) == 0;
        if (ok) g_populated.fetch_add(end - at, std::memory_order_relaxed);
        at = end;
      }
      lock.lock();
      if (!ok) {
        failed_ = true;
        return;
      }
      done_ = std::max(done_, at);
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::uintptr_t base_ = 0, top_ = 0, done_ = 0, target_ = 0;
  bool started_ = false, failed_ = false;
};

Helper& TheHelper() {
  // Never destroyed: the helper thread may still wait on it at exit.
  static Helper* helper = new Helper;
  return *helper;
}

std::uintptr_t HeapBase() {
  static const std::uintptr_t base = [] {
    // The heap grows in large steps and keeps what is freed at its top
    // (given back only in large pieces), so that what is populated is not
    // given back and faulted in again. Setting these ends the C library's
    // sliding threshold for blocks of their own mapping: it is set where
    // the sliding one would end.
    (void)mallopt(M_TOP_PAD, int(2 * kAheadBytes));
    (void)mallopt(M_TRIM_THRESHOLD, int(4 * kAheadBytes));
    (void)mallopt(M_MMAP_THRESHOLD, int(2 * kAheadBytes));
    const std::uintptr_t b = reinterpret_cast<std::uintptr_t>(sbrk(0));
    g_watch.store(b + kStartBytes, std::memory_order_relaxed);
    return b;
  }();
  return base;
}

}  // namespace

void NoteHeapBlock(void* block, std::size_t n) {
  static const std::uintptr_t base = HeapBase();
  const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(block) + n;
  if (end <= g_watch.load(std::memory_order_relaxed)) return;
  const std::uintptr_t top = reinterpret_cast<std::uintptr_t>(sbrk(0));
  // Blocks of their own mapping or of another thread's arena lie outside
  // the heap.
  if (reinterpret_cast<std::uintptr_t>(block) < base || end > top) return;
  g_watch.store(end + kStepBytes, std::memory_order_relaxed);
  const std::uintptr_t from = (end + kPage - 1) & ~(kPage - 1);
  const std::uintptr_t ahead = std::min(kAheadBytes, (end - base) / 4);
  const std::uintptr_t target = std::min(top, end + ahead) & ~(kPage - 1);
  if (target > from) TheHelper().Want(base, top, from, target);
}

namespace heap_prefault_testing {
std::uint64_t PopulatedBytes() { return g_populated.load(std::memory_order_relaxed); }
}  // namespace heap_prefault_testing

}  // namespace kvn
