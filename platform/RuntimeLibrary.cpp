#include "platform/RuntimeLibrary.h"

#include <dlfcn.h>

#include <atomic>

namespace kvn {

namespace {

std::atomic<int>& HiddenCount() {
  static std::atomic<int> count{0};
  return count;
}

}  // namespace

// RTLD_NOW: a library too old for one of our functions fails here, once,
// not at a call in the middle of a print job. RTLD_LOCAL: its names stay out
// of the global scope, as they were out of ours before it was opened.
RuntimeLibrary::RuntimeLibrary(const char* soname) : handle_(dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {}

void* RuntimeLibrary::Symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

bool RuntimeLibrary::Usable() const { return handle_ && !missing_ && HiddenCount().load() == 0; }

ScopedRuntimeLibrariesMissing::ScopedRuntimeLibrariesMissing() { ++HiddenCount(); }
ScopedRuntimeLibrariesMissing::~ScopedRuntimeLibrariesMissing() { --HiddenCount(); }

}  // namespace kvn
