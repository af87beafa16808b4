// Opening a generated native drawing of one million lines through the open
// dispatcher, compressed (as the program stores drawings) and not; then an
// old drawing (3060, single sheet) of 100,000 objects, 10,000 of them
// inserts of 200 blocks of which half duplicate the other half, opened
// with its conversions, and apart the duplicate merge over its blocks.
//   kvn-bench-native-open [lines] [rounds]
// Prints MB/s of file bytes and objects/s for the best of the rounds. The
// targets are at least 2 million objects per second, 1 million for the old
// drawing.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "foundation/WString.h"
#include "document/cSheet.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"
#include "tests/support/NativeFixture.h"

using namespace kvn;
using Clock = std::chrono::steady_clock;

namespace {


// Opens the file quietly through the dispatcher; the time it took in
// `seconds`. Null (and a line on stderr) when the open failed.
std::unique_ptr<cDrawingDoc> OpenTimed(const std::string& path, double& seconds) {
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  const auto t0 = Clock::now();
  std::unique_ptr<cDrawingDoc> document = OpenDrawingFile(WString::FromUtf8(path), request, outcome);
  seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  if (!document) std::fprintf(stderr, "open failed: %d\n", outcome.errorCode);
  return document;
}

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
    double seconds = 0;
    std::unique_ptr<cDrawingDoc> document = OpenTimed(path, seconds);
    if (!document) break;
    objects = 0;
    for (cOutObj* o = document->GetFirstSheet()->TopBlock().FirstObject(); o; o = o->next) ++objects;
    if (seconds < best) best = seconds;
  }
  std::remove(path.c_str());
  std::printf("%-12s %9zu objects  %7.2f MB  %7.3f s  %8.1f MB/s  %6.2f M objects/s\n",
              compressed ? "compressed" : "plain", objects, bytes.size() / 1e6, best, bytes.size() / 1e6 / best,
              objects / 1e6 / best);
}

// 200 blocks of five lines, block b + 100 drawing like block b; 10,000
// inserts of them and 90,000 lines at the top.
test::SingleSheetFile OldDrawing() {
  test::SingleSheetFile file;
  file.version = 3060;
  file.headerLines = {"Version=3060", "Levels=1", "Level=A"};
  test::FixtureSheet& sheet = file.sheet;
  for (int b = 0; b < 200; ++b) {
    test::FixtureBlock block;
    const double k = b % 100;
    for (int i = 0; i < 5; ++i) block.lines.push_back(test::FixtureLine{{0, double(i)}, {10 + k, double(i)}});
    sheet.blocks.push_back(block);
  }
  for (int i = 0; i < 10000; ++i) {
    test::InsertFixture insert;
    insert.blockIndex = std::uint32_t(i % 200);
    insert.point = {double(i % 100) * 20, double(i / 100) * 10};
    sheet.inserts.push_back(insert);
  }
  for (int i = 0; i < 90000; ++i)
    sheet.lines.push_back(test::FixtureLine{{double(i % 300), double(i / 300)}, {double(i % 300) + 1, double(i / 300)}});
  return file;
}

void BenchOld(int rounds) {
  const std::vector<std::uint8_t> bytes = test::WriteSingleSheetFile(OldDrawing());
  const std::string path = "/tmp/kvn_bench_native_old_" + std::to_string(getpid()) + ".kvn";
  if (!test::SaveBytes(path, bytes)) return;
  double best = 1e30, bestMerge = 1e30;
  std::size_t objects = 0;
  for (int round = 0; round < rounds; ++round) {
    double seconds = 0;
    std::unique_ptr<cDrawingDoc> document = OpenTimed(path, seconds);
    if (!document) break;
    objects = 0;
    cSheet* sheet = document->GetFirstSheet();
    for (cOutObj* o = sheet->TopBlock().FirstObject(); o; o = o->next) ++objects;
    if (seconds < best) best = seconds;
    const auto m0 = Clock::now();
    sheet->Data()->MergeDuplicateBlocks(nullptr, sheet->TopBlock().FirstObject(), 0, 0);
    const double merge = std::chrono::duration<double>(Clock::now() - m0).count();
    if (merge < bestMerge) bestMerge = merge;
  }
  std::remove(path.c_str());
  std::printf("%-12s %9zu objects  %7.2f MB  %7.3f s  %8.1f MB/s  %6.2f M objects/s  merge %.2f ms\n", "old 3060",
              objects, bytes.size() / 1e6, best, bytes.size() / 1e6 / best, objects / 1e6 / best, bestMerge * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t lines = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  Bench(lines, rounds, true);
  Bench(lines, rounds, false);
  BenchOld(rounds);
  return 0;
}
