// Fresh heap pages faulted in ahead of use on a helper thread. A large
// import takes a hundred megabytes in millions of small blocks, and the main
// thread stopped at the first write of every new 4 KiB page: about a tenth
// of the import went to the kernel clearing pages one fault at a time. Once
// the heap holds a few megabytes, the heap grows in large steps and a helper
// thread populates the pages a little ahead of the highest block handed
// out, in huge pages where the kernel gives them, so that the main thread
// finds them mapped (and walks its objects through fewer TLB entries).
// Populating maps pages without writing them: the helper never changes
// memory the program sees. Without the kernel's populate advice (before
// Linux 5.14) nothing happens, and on one core nothing is populated ahead;
// the heap is tuned all the same (large steps, no fast bins). Heaps other
// than the C library's own (the sanitizers') are left alone.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvn {

// Called after the system heap answered a request of n bytes at `block`
// (cheap unless the block lies past the last point noted).
void NoteHeapBlock(void* block, std::size_t n);

namespace heap_prefault_testing {
// Bytes populated by the helpers so far.
std::uint64_t PopulatedBytes();
// Whether pages are populated ahead in this process: not on one core, not
// over a sanitizer's heap.
bool Applies();
}  // namespace heap_prefault_testing

}  // namespace kvn
