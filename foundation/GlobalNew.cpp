// Replaces the global operator new and delete so that every C++ allocation of
// the program is counted. Linked into each executable as object code (not from
// the static library), so the replacement is always the one the linker takes.
#include <cstddef>
#include <new>

#include "foundation/CountingAlloc.h"

void* operator new(std::size_t n) { return kvn::CountingAlloc(n); }
void* operator new[](std::size_t n) { return kvn::CountingAlloc(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return kvn::CountingAlloc(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return kvn::CountingAlloc(n); }

void operator delete(void* p) noexcept { kvn::CountingFree(p); }
void operator delete[](void* p) noexcept { kvn::CountingFree(p); }
void operator delete(void* p, std::size_t) noexcept { kvn::CountingFree(p); }
void operator delete[](void* p, std::size_t) noexcept { kvn::CountingFree(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { kvn::CountingFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { kvn::CountingFree(p); }
