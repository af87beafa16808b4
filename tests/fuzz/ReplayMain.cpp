// A small deterministic fuzzer for the fuzz targets, so that every build runs
// them without clang: each seed the target offers (KvnFuzzSeeds) and a number
// of mutations of it (bit flips, byte changes, cuts, insertions, splices) go
// through LLVMFuzzerTestOneInput. Crashes and sanitizer reports fail the test.
//   kvn_replay_<name> [iterations] [extra input files...]
// Seeds from the sample drawings are part of the test: when they are missing
// the replay is reported as skipped, or fails under KVN_FORBID_SKIPS=1.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzTarget.h"

namespace {

std::vector<std::uint8_t> Mutate(std::vector<std::uint8_t> data, std::mt19937_64& rng,
                                 const std::vector<std::vector<std::uint8_t>>& seeds) {
  int steps = 1 + int(rng() % 4);
  for (int s = 0; s < steps; ++s) {
    switch (rng() % 6) {
      case 0:  // flip a bit
        if (!data.empty()) data[rng() % data.size()] ^= std::uint8_t(1u << (rng() % 8));
        break;
      case 1:  // set a byte to a telling value
        if (!data.empty()) {
          static const std::uint8_t values[] = {0, 1, 0x7F, 0x80, 0xFE, 0xFF};
          data[rng() % data.size()] = values[rng() % 6];
        }
        break;
      case 2:  // cut the end
        if (!data.empty()) data.resize(rng() % data.size());
        break;
      case 3:  // insert random bytes
      {
        std::size_t at = data.empty() ? 0 : rng() % (data.size() + 1);
        std::size_t n = 1 + rng() % 8;
        std::vector<std::uint8_t> ins(n);
        for (auto& b : ins) b = std::uint8_t(rng());
        data.insert(data.begin() + std::ptrdiff_t(at), ins.begin(), ins.end());
        break;
      }
      case 4:  // remove a run
        if (data.size() > 1) {
          std::size_t at = rng() % data.size();
          std::size_t n = 1 + rng() % std::min<std::size_t>(16, data.size() - at);
          data.erase(data.begin() + std::ptrdiff_t(at), data.begin() + std::ptrdiff_t(at + n));
        }
        break;
      default:  // splice in part of another seed
        if (!seeds.empty()) {
          const auto& other = seeds[rng() % seeds.size()];
          if (!other.empty() && !data.empty()) {
            std::size_t from = rng() % other.size();
            std::size_t n = 1 + rng() % std::min<std::size_t>(64, other.size() - from);
            std::size_t at = rng() % data.size();
            for (std::size_t i = 0; i < n && at + i < data.size(); ++i) data[at + i] = other[from + i];
          }
        }
        break;
    }
  }
  return data;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::vector<std::uint8_t>> seeds = KvnFuzzSeeds();
  if (argc == 3 && std::string(argv[1]) == "--write-seeds") {
    // A starting corpus for the libFuzzer programs: seed-0, seed-1, ... in
    // the folder given.
    for (std::size_t i = 0; i < seeds.size(); ++i) {
      std::ofstream out(std::string(argv[2]) + "/seed-" + std::to_string(i), std::ios::binary);
      out.write(reinterpret_cast<const char*>(seeds[i].data()), std::streamsize(seeds[i].size()));
      if (!out) {
        std::fprintf(stderr, "cannot write the seeds into %s\n", argv[2]);
        return 1;
      }
    }
    std::printf("%zu seeds written\n", seeds.size());
    return 0;
  }
  // Without the sample drawings the replay reaches less of the reader: a
  // run that must run everything (KVN_FORBID_SKIPS=1) fails, any other
  // replays the built-in seeds and reports the gap as a skip.
  const std::vector<std::string>& missing = KvnFuzzMissingSamples();
  const char* forbid = std::getenv("KVN_FORBID_SKIPS");
  const bool mustRunAll = forbid && std::string(forbid) == "1";
  for (const std::string& what : missing) {
    std::fprintf(stderr, "%s: %s not found (set KVN_TESTDATA)%s\n", argv[0], what.c_str(),
                 mustRunAll ? ", and every test must run (KVN_FORBID_SKIPS=1)" : "; replaying the built-in seeds only");
  }
  if (!missing.empty() && mustRunAll) return 1;
  long iterations = argc > 1 ? std::atol(argv[1]) : 1000;
  for (int i = 2; i < argc; ++i) {
    std::ifstream f(argv[i], std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  if (seeds.empty()) seeds.emplace_back();
  for (const auto& s : seeds) LLVMFuzzerTestOneInput(s.data(), s.size());
  std::mt19937_64 rng(0x5EED);
  for (long i = 0; i < iterations; ++i) {
    const auto& seed = seeds[std::size_t(i) % seeds.size()];
    std::vector<std::uint8_t> input = Mutate(seed, rng, seeds);
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::printf("%ld inputs from %zu seeds: no crash\n", iterations + long(seeds.size()), seeds.size());
  // The lines the skip report of the test programs prints, which CTest and
  // scripts/test.sh recognise.
  if (!missing.empty()) {
    std::printf("kvn-test: skipped %s: %s not found; replayed the built-in seeds only\n", argv[0],
                missing.front().c_str());
    std::printf("kvn-test: 1 skipped, none failed\n");
  }
  return 0;
}
