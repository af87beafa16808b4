// The counting heap: every block the program takes from the heap goes through
// these functions (and the global operator new, which forwards here), so that
// the bytes held and the peak are known, a large import can be warned before
// the address space runs out, and a final failure is recorded for the next start.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvn {

using MemoryCallback = void (*)();

// Above this many bytes held, the low-memory callback runs before each allocation.
inline constexpr std::uint64_t kLowMemoryThreshold = 1'600'000'000;

// Exit code after the heap refused a request twice. Not 0: running out of
// memory is a failure, and a caller of the process must be able to see it.
inline constexpr int kOutOfMemoryExitCode = 3;

// Never returns null: either the heap (after one retry) gives the block, or the
// process ends with kOutOfMemoryExitCode after the fatal callback.
void* CountingAlloc(std::size_t n);
void* CountingMalloc(std::size_t n);
// `block` must not be null.
void* CountingRealloc(void* block, std::size_t n);
// Null is ignored.
void CountingFree(void* block);

// Runs the fatal callback (once per process) and ends the process at once
// with kOutOfMemoryExitCode. For requests that no heap could satisfy.
[[noreturn]] void FatalOutOfMemory();

std::uint64_t GetAllocatedBytes();
std::uint64_t GetPeakAllocatedBytes();

// The low-memory slot is filled by the import assembly for the time of one
// conversion; the fatal slot by the application shell at start-up.
void SetLowMemoryCallback(MemoryCallback callback);
MemoryCallback GetLowMemoryCallback();
void SetFatalMemoryCallback(MemoryCallback callback);

namespace alloc_testing {
// A replaceable heap, so that tests can make requests fail.
struct Heap {
  void* (*malloc)(std::size_t);
  void* (*realloc)(void*, std::size_t);
  void (*free)(void*);
  std::size_t (*usable_size)(void*);
};
Heap SystemHeap();
void SetHeap(const Heap& heap);
// The threshold above which the low-memory callback runs, so that a test
// meets it with a small drawing; kLowMemoryThreshold restores it.
void SetLowMemoryThreshold(std::uint64_t bytes);
void SetCounters(std::uint64_t current, std::uint64_t peak);
}  // namespace alloc_testing

}  // namespace kvn
