#include "foundation/StreamBufferPool.h"

#include "foundation/CountingAlloc.h"
#include "foundation/GrowArray.h"

namespace kvn {

namespace {

// Set once the pool below has been destroyed at exit: a stream that outlives
// it (a static destroyed later) then frees its buffer directly.
bool g_poolGone = false;

class Pool {
 public:
  ~Pool() {
    for (std::uintptr_t item : free_) CountingFree(reinterpret_cast<void*>(item));
    g_poolGone = true;
  }
  PtrArray free_{8};
};

Pool& GetPool() {
  static Pool pool;
  return pool;
}

}  // namespace

std::uint8_t* TakeStreamBuffer() {
  if (!g_poolGone) {
    PtrArray& free = GetPool().free_;
    if (std::uint32_t n = free.Count()) {
      std::uint8_t* buffer = reinterpret_cast<std::uint8_t*>(free[n - 1]);
      free.SetCount(n - 1);
      return buffer;
    }
  }
  return static_cast<std::uint8_t*>(CountingMalloc(kStreamBufferSize));
}

void ReturnStreamBuffer(std::uint8_t* buffer) {
  if (!buffer) return;
  if (g_poolGone) {
    CountingFree(buffer);
    return;
  }
  GetPool().free_.Add(reinterpret_cast<std::uintptr_t>(buffer));
}

std::uint32_t StreamBufferPoolCount() { return g_poolGone ? 0 : GetPool().free_.Count(); }

}  // namespace kvn
