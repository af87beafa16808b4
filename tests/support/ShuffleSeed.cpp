// CTest runs the programs without a display in shuffled order, so that a
// test reading process-wide state it did not set (the interface language,
// the settings folder...) fails instead of passing on the order of its
// neighbours. The order changes from run to run; a failure is repeated with
// the seed of its run, which brief GoogleTest output does not print: this
// prints it before the tests run, so that it survives a crash.
//
// Linked into every test program as an object file, like the skip report.
#include <gtest/gtest.h>

#include <cstdio>

namespace {

class ShuffleSeed : public testing::EmptyTestEventListener {
 public:
  void OnTestIterationStart(const testing::UnitTest& unit, int /*iteration*/) override {
    if (!GTEST_FLAG_GET(shuffle) || !GTEST_FLAG_GET(brief)) return;
    std::printf("kvn-test: tests in shuffled order, seed %d (repeat with --gtest_shuffle --gtest_random_seed=%d)\n",
                unit.random_seed(), unit.random_seed());
    std::fflush(stdout);
  }
};

[[maybe_unused]] const bool kInstalled = [] {
  testing::UnitTest::GetInstance()->listeners().Append(new ShuffleSeed);
  return true;
}();

}  // namespace
