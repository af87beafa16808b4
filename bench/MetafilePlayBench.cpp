// Metafile playback: the libuemf reference picture (2,231 records, 173 text
// runs) and a 3 MB picture, each fitted into a 1920 x 1080 raster target.
//   kvn-bench-emf-play [rounds] [testdata folder]
// Prints milliseconds per round of each picture, best and median.
// Target: under 50 ms each.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include "platform/gdi/RasterDC.h"
#include "platform/metafile/EmfPlayer.h"

using namespace kvn;

namespace {

// Record types passed over, for the report line.
std::map<std::uint32_t, int> passedOver;

int CountingPlay(TDC& dc, HandleTable& table, const EmfRecord& record, int handles, std::intptr_t) {
  if (!PlayEnhMetaFileRecord(dc, table, record, unsigned(handles))) ++passedOver[record.Type()];
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  std::filesystem::path dir = argc > 2 ? argv[2] : "";
  if (dir.empty()) {
    const char* env = std::getenv("KVN_TESTDATA");
    dir = env ? env : "../shared/testdata";
  }
  constexpr int kWidth = 1920, kHeight = 1080;
  std::vector<std::uint8_t> bits(std::size_t(kWidth) * kHeight * 4);
  auto dc = RasterDC::Create(bits.data(), kWidth, kHeight);
  if (!dc) return 1;
  for (const char* name : {"metafile/libuemf_test_libuemf_ref.emf", "metafile/emf2svg_test-181.emf"}) {
    std::ifstream in(dir / name, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::optional<EmfDocument> emf = EmfDocument::FromBytes(bytes.data(), bytes.size());
    if (!emf) {
      std::fprintf(stderr, "%s: not a metafile (set KVN_TESTDATA)\n", name);
      return 1;
    }
    std::vector<double> ms;
    EmfPlayStats stats;
    for (int i = 0; i < rounds; ++i) {
      std::fill(bits.begin(), bits.end(), 0xFF);
      dc->MarkDirty();
      const auto start = std::chrono::steady_clock::now();
      PlayEnhMetaFile(*dc, *emf, TRect{0, 0, kWidth, kHeight}, &stats);
      dc->Flush();
      ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    passedOver.clear();
    const TRect rect{0, 0, kWidth, kHeight};
    EnumEnhMetaFile(*dc, *emf, &CountingPlay, 0, &rect);
    std::printf("%s: %u records (%u passed over), %zu bytes: best %.1f ms, median %.1f ms\n", name, stats.records,
                stats.unplayed + stats.emfPlusComments, bytes.size(), ms.front(), ms[ms.size() / 2]);
    std::printf("  passed over by record type:");
    for (const auto& [type, count] : passedOver) std::printf(" %u:%d", type, count);
    std::printf("\n");
  }
  return 0;
}
