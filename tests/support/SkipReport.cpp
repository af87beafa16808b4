// Makes a run that skipped tests say so: CTest counts a program that exits 0
// as passed, and brief GoogleTest output hides skips, so a test that skips
// for a missing tool or file would vanish unnoticed. When nothing failed and
// something skipped, this prints each skipped test with its reason and then
// one line that the test's CTest entry recognises (KVN_TEST_SKIP_REGEX in
// cmake/KvnTargets.cmake) to report the program as skipped. A failing run
// never prints it, so a failure is never reported as a skip.
//
// Linked into every test program as an object file: the listener installs
// itself before main runs, whichever main the program has.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

class SkipReport : public testing::EmptyTestEventListener {
 public:
  void OnTestProgramEnd(const testing::UnitTest& unit) override {
    if (unit.skipped_test_count() == 0 || !unit.Passed()) return;
    for (int s = 0; s < unit.total_test_suite_count(); ++s) {
      const testing::TestSuite* suite = unit.GetTestSuite(s);
      for (int t = 0; t < suite->total_test_count(); ++t) {
        const testing::TestInfo* info = suite->GetTestInfo(t);
        const testing::TestResult* result = info->result();
        if (!result->Skipped()) continue;
        std::string reason;
        for (int p = 0; p < result->total_part_count(); ++p) {
          if (result->GetTestPartResult(p).skipped()) reason = result->GetTestPartResult(p).message();
        }
        std::printf("kvn-test: skipped %s.%s: %s\n", suite->name(), info->name(), reason.c_str());
      }
    }
    std::printf("kvn-test: %d skipped, none failed\n", unit.skipped_test_count());
    std::fflush(stdout);
  }
};

[[maybe_unused]] const bool kInstalled = [] {
  testing::UnitTest::GetInstance()->listeners().Append(new SkipReport);
  return true;
}();

}  // namespace
