// The fatal out-of-memory path ends the process, so it runs in a forked child
// (a death test) in a test program of its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <thread>

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

// A callback that takes its time, as a tool writing its answer does.
std::atomic<bool> g_telling{false};
void OnFatalSlowly() {
  g_telling = true;
  ::usleep(200'000);
  const char msg[] = "told\n";
  (void)!::write(2, msg, sizeof msg - 1);
}

TEST(CountingAllocFatalDeathTest, AFailureOnAnotherThreadWaitsUntilTheFirstIsTold) {
  EXPECT_EXIT(
      {
        SetFatalMemoryCallback(&OnFatalSlowly);
        std::thread first([] { FatalOutOfMemory(); });
        while (!g_telling) ::usleep(1000);
        FatalOutOfMemory();
      },
      ::testing::ExitedWithCode(kOutOfMemoryExitCode), "^told\n$");
}

// A callback that runs out itself ends the process rather than waiting for
// its own end.
void OnFatalFailing() { FatalOutOfMemory(); }

TEST(CountingAllocFatalDeathTest, AFailureInsideTheCallbackEndsTheProcess) {
  EXPECT_EXIT(
      {
        SetFatalMemoryCallback(&OnFatalFailing);
        FatalOutOfMemory();
      },
      ::testing::ExitedWithCode(kOutOfMemoryExitCode), "");
}

}  // namespace
}  // namespace kvn
