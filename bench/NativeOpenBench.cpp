// Opening a generated native drawing of one million lines through the open
// dispatcher, compressed (as the program stores drawings) and not.
//   kvn-bench-native-open [lines] [rounds]
// Prints MB/s of file bytes and objects/s for the best of the rounds. The
// target is at least 2 million objects per second.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "foundation/WString.h"
#include "model/cBlock.h"
#include "model/cOutObj.h"
#include "tests/support/NativeFixture.h"

using namespace kvn;
using Clock = std::chrono::steady_clock;

namespace {

void Bench(std::size_t lines, int rounds, bool compressed) {
  test::FixtureDocument doc;
  doc.compressed = compressed;
  doc.sheets.push_back(test::MakeLineGridSheet(u"Grid", lines));
  const std::vector<std::uint8_t> bytes = test::WriteNativeFile(doc);
  const std::string path = "/tmp/kvn_bench_native_" + std::to_string(getpid()) + ".kvn";
  if (!test::SaveBytes(path, bytes)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return;
  }
  double best = 1e30;
  std::size_t objects = 0;
  for (int round = 0; round < rounds; ++round) {
    OpenRequest request;
    request.quiet = true;
    OpenOutcome outcome;
    const auto t0 = Clock::now();
    std::unique_ptr<cDrawingDoc> document = OpenDrawingFile(WString::FromUtf8(path), request, outcome);
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    if (!document) {
      std::fprintf(stderr, "open failed: %d\n", outcome.errorCode);
      break;
    }
    objects = 0;
    for (cOutObj* o = document->GetFirstSheet()->TopBlock().FirstObject(); o; o = o->next) ++objects;
    if (seconds < best) best = seconds;
  }
  std::remove(path.c_str());
  std::printf("%-12s %9zu objects  %7.2f MB  %7.3f s  %8.1f MB/s  %6.2f M objects/s\n",
              compressed ? "compressed" : "plain", objects, bytes.size() / 1e6, best, bytes.size() / 1e6 / best,
              objects / 1e6 / best);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t lines = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  Bench(lines, rounds, true);
  Bench(lines, rounds, false);
  return 0;
}
