// The fatal out-of-memory path ends the process, so it runs in a forked child
// (a death test) in a test program of its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include "foundation/CountingAlloc.h"

namespace kvn {
namespace {

void* Refuse(std::size_t) { return nullptr; }
void* RefuseRealloc(void*, std::size_t) { return nullptr; }
void NoFree(void*) {}
std::size_t NoSize(void*) { return 0; }

int g_fatalCalls = 0;
int g_lowCalls = 0;
void OnFatal() {
  ++g_fatalCalls;
  // Tell the parent how often we ran, through stderr.
  const char msg[] = "fatal-callback\n";
  (void)!::write(2, msg, sizeof msg - 1);
}
void OnLow() { ++g_lowCalls; }

TEST(CountingAllocFatalDeathTest, SecondFailureRunsFatalCallbackOnceAndExitsNonZero) {
  EXPECT_EXIT(
      {
        SetFatalMemoryCallback(&OnFatal);
        SetLowMemoryCallback(&OnLow);
        alloc_testing::SetHeap({&Refuse, &RefuseRealloc, &NoFree, &NoSize});
        CountingMalloc(16);
      },
      ::testing::ExitedWithCode(kOutOfMemoryExitCode), "^fatal-callback\n$");
}

TEST(CountingAllocFatalDeathTest, FatalCallbackRunsAtMostOnce) {
  EXPECT_EXIT(
      {
        SetFatalMemoryCallback(&OnFatal);
        FatalOutOfMemory();
      },
      ::testing::ExitedWithCode(kOutOfMemoryExitCode), "fatal-callback");
}

}  // namespace
}  // namespace kvn
