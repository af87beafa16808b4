// Nested-block bombs (tests/support/BombDrawings.h) opened through the DXF
// and DWG readers from memory, each in a child process of its own so that
// its peak resident memory is its own: the time to the refusal, the peak
// memory, and the result with the first line of the reason.
//   ./build/bench/kvn-bench-import-bombs [dxf|dwg] [name, e.g. doubling-22]
// Target: every bomb refused in under 1 s with under 200 MB resident; the
// doubling lattices of 17 to 21 levels either open whole (nothing told)
// within the heap's ceiling or are refused that fast.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "document/DocumentResult.h"
#include "tests/support/BombDrawings.h"

using namespace kvn;

namespace {

void OpenOne(const test::BombShape& shape, bool dwg, bool mayOpen) {
  const std::size_t bytes = dwg ? test::BombDwg(shape).size() : test::BombDxf(shape).size();
  const auto start = std::chrono::steady_clock::now();
  DocumentResult result = test::OpenBomb(shape, dwg);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::string reason = result.Detail().ToUtf8();
  if (const auto cut = reason.find('\n'); cut != std::string::npos) reason.resize(cut);
  const bool fast = ms < 1000.0 && usage.ru_maxrss < 200 * 1024;
  const bool whole = result.Ok() && result.Warnings().empty();
  const bool onTarget = result.Ok() ? mayOpen && whole : fast;
  std::printf("%-4s %-22s %6lld B %9.1f ms %7.1f MB  %s %s%s\n", dwg ? "DWG" : "DXF", shape.Name().c_str(),
              static_cast<long long>(bytes), ms, usage.ru_maxrss / 1024.0,
              result.Ok() ? (whole ? "opened whole" : "OPENED IN PART") : "refused", reason.c_str(),
              onTarget ? "" : "  <-- off target");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const bool onlyDxf = argc > 1 && std::strcmp(argv[1], "dxf") == 0;
  const bool onlyDwg = argc > 1 && std::strcmp(argv[1], "dwg") == 0;
  const char* onlyName = argc > 2 ? argv[2] : nullptr;
  std::vector<test::BombShape> shapes;
  // Lattices near the heap's ceiling: each opens whole or is refused fast.
  for (int levels = 17; levels <= 21; ++levels) shapes.push_back({test::BombShape::Doubling, levels});
  for (int levels : {22, 24, 26, 28, 30}) shapes.push_back({test::BombShape::Doubling, levels});
  shapes.push_back({test::BombShape::TenWay, 12});
  shapes.push_back({test::BombShape::Arrays, 5, 100});
  std::printf("target: each refused in under 1000 ms with under 200 MB resident (doubling 17-21: or opened whole)\n");
  for (bool dwg : {false, true}) {
    if ((dwg && onlyDxf) || (!dwg && onlyDwg)) continue;
    for (const test::BombShape& shape : shapes) {
      if (onlyName && shape.Name() != onlyName) continue;
      std::fflush(stdout);
      const pid_t child = fork();
      if (child == 0) {
        OpenOne(shape, dwg, shape.kind == test::BombShape::Doubling && shape.levels <= 21);
        std::_Exit(0);
      }
      int status = 0;
      waitpid(child, &status, 0);
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::printf("%s: the child ended abnormally\n", shape.Name().c_str());
    }
  }
  return 0;
}
