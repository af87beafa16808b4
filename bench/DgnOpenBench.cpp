// Opening V7 design files whose elements the reader cannot see the end of:
// dgnlib_samp15.dgn with its elements after the colour table repeated 10
// times (3.5 MB) as it is ("plain"), with an 8-byte tag block (the data of
// tagged elements, which no linkage walk knows) on every element that
// carries no linkage ("tagged", about 71 % of them), and with an element of
// a type without a name after each top-level element that carries none
// ("unnamed"). Such elements are judged by the elements their count covers,
// which may need bytes past their end. Reports ms per open (the whole open
// from memory, the document built), and the ratio to the plain copy.
// Targets, in instructions of the open (valgrind --tool=callgrind
// --toggle-collect='kvn::LoadDgnStream*' on one copy): the tagged copy
// within 1.10 and the unnamed copy within 1.15 times the plain copy.
//   ./build/bench/kvn-bench-dgn-open [testdata folder] [rounds] [plain|tagged|unnamed]
//   ./build/bench/kvn-bench-dgn-open [testdata folder] --write FOLDER
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "document/DwgLoadReport.h"
#include "foundation/InFileStream.h"
#include "bench/TimedStreamOpen.h"
#include "import/dgn/DgnReader.h"
#include "tests/support/DgnWriter.h"

using namespace kvn;

namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether the element has a display header and no linkages: a graphic
// element a tag block or an unnamed element may follow.
bool CarriesNoLinkage(std::span<const std::uint8_t> e) {
  const int type = e[1] & 0x7F;
  const bool graphic = type >= 2 && type <= 27 && type != 8 && type != 9 && type != 10 && !(e[1] & 0x80);
  return graphic && e.size() >= 36 && !(e[33] & 0x08);
}

struct Copy {
  const char* name;
  std::vector<std::uint8_t> bytes;
};

std::vector<Copy> Copies(const std::vector<std::uint8_t>& sample) {
  // The TCB, digitizer setup, level symbology and colour table stay once.
  const std::vector<std::uint8_t> plain = test::RepeatDgnElements(sample, 4, 10);
  test::DgnFileEdit tag;
  tag.attributes = [](std::size_t, std::span<const std::uint8_t> e) {
    return CarriesNoLinkage(e) ? std::vector<std::uint8_t>{0x03, 0x00, 0x12, 0x00, 0x0f, 0x02, 0x00, 0x01}
                               : std::vector<std::uint8_t>{};
  };
  // 48 bytes of an application's own, words 14-17 no display header.
  test::DgnElement unnamed(48, 0);
  for (std::size_t i = 4; i < unnamed.size(); ++i) unnamed[i] = std::uint8_t(i * 13 + 5);
  unnamed[1] = 56;
  unnamed[2] = std::uint8_t((unnamed.size() - 4) / 2);
  test::DgnFileEdit after;
  after.after = [&unnamed](std::size_t, std::span<const std::uint8_t> e) {
    return CarriesNoLinkage(e) ? unnamed : test::DgnElement{};
  };
  return {{"plain", plain}, {"tagged", test::EditDgnFile(plain, tag)}, {"unnamed", test::EditDgnFile(plain, after)}};
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path data = argc > 1 ? argv[1] : "../shared/testdata";
  const std::vector<std::uint8_t> sample = ReadFile(data / "dgn/dgnlib_samp15.dgn");
  if (sample.empty()) {
    std::printf("dgnlib_samp15.dgn not found in %s/dgn\n", data.string().c_str());
    return 1;
  }
  const std::vector<Copy> copies = Copies(sample);
  if (argc > 3 && std::strcmp(argv[2], "--write") == 0) {
    std::filesystem::create_directories(argv[3]);
    for (const Copy& c : copies) {
      std::ofstream out(std::filesystem::path(argv[3]) / (std::string("samp15x10-") + c.name + ".dgn"),
                        std::ios::binary);
      out.write(reinterpret_cast<const char*>(c.bytes.data()), std::streamsize(c.bytes.size()));
    }
    return 0;
  }
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const char* only = argc > 3 ? argv[3] : nullptr;
  double plainMs = 0;
  for (const Copy& c : copies) {
    if (only && std::strcmp(only, c.name) != 0) continue;
    const bench::TimedOpen open =
        bench::TimeStreamOpens(c.bytes, rounds, WString(u"bench.dgn"), [](auto& in, auto& name, auto* report) {
          return LoadDgnStream(in, name, nullptr, report);
        });
    const double ms = open.seconds * 1e3;
    if (std::strcmp(c.name, "plain") == 0) plainMs = ms;
    std::printf("%-8s %6.2f MB %8.1f ms", c.name, double(c.bytes.size()) / 1e6, ms);
    if (plainMs > 0) std::printf("  %5.2fx plain", ms / plainMs);
    std::printf("  (%llu entities%s)\n", static_cast<unsigned long long>(open.entities), open.partial ? ", told damaged" : "");
  }
  return 0;
}
