// The DGN reader over arbitrary files: signature, element loop, element
// parser, conversion and the whole assembly. Seeded with small 2-D and 3-D
// design files of the test writer (cells, shared cells, complex chains and
// shapes, filled shapes, arcs in and out of the plane, texts, a colour
// table) and the first 48 KB of the sample DGN files (when present), so
// that one replay round stays short; each also cut at a quarter, a half and
// three quarters.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "document/DwgLoadReport.h"
#include "foundation/InFileStream.h"
#include "import/dgn/DgnReader.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/DgnWriter.h"

using namespace kvn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteArray bytes(8);
  bytes.Append(data, std::uint32_t(size));
  InFileStream in = InFileStream::FromMemory(bytes);
  DwgLoadReport report;
  (void)LoadDgnStream(in, WString(u"fuzz.dgn"), nullptr, &report);
  return 0;
}

namespace {

std::filesystem::path SampleFolder() { return KvnFuzzSampleFolder("dgn"); }

std::vector<std::uint8_t> Synthetic(bool threeD) {
  test::DgnWriter w(threeD);
  const std::array<double, 4> tilted{std::sqrt(0.5), std::sqrt(0.5), 0.0, 0.0};
  std::array<std::uint8_t, 768> table{};
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = std::uint8_t(i * 7);
  w.Add(w.Tcb(10, 100, {100, 200, 0}, ~std::uint64_t(16))).Add(w.ColorTable(table));
  w.Add(w.Line(1, 3, {0, 0, 0}, {1000, 500, 20}));
  w.Add(w.MultiPoint(6, 2, 4, {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 0, 0}}, 5));
  w.Add(w.Arc(16, 3, 1, {50, 50, 0}, 30, 20, 15, 10, 200, 2));
  w.Add(w.Arc(15, 3, 1, {50, 50, 5}, 30, 20, 0, 0, 360, -1, &tilted));
  w.Add(w.Text(4, 7, {10, 10, 0}, 2.5, "\xEF\xBB\xBFplan \xC3\xA9"));
  w.Add(w.Complex(12, 5, 2,
                  {w.MultiPoint(4, 5, 2, {{0, 0, 0}, {10, 0, 0}}), w.Arc(16, 5, 2, {10, 5, 0}, 5, 5, 0, 270, 180),
                   w.MultiPoint(21, 5, 2, {{10, 10, 0}, {5, 15, 0}, {0, 10, 0}, {0, 5, 0}})}));
  w.Add(w.Complex(14, 5, 2, {w.MultiPoint(4, 5, 2, {{0, 0, 0}, {3, 0, 0}, {0, 3, 0}, {0, 0, 0}})}, 6));
  const test::DgnElement inner = w.Cell("IN", 6, {0, 0, 0}, {w.Line(6, 1, {0, 0, 0}, {5, 5, 0})});
  w.Add(w.Cell("DOOR", 6, {0, 0, 0}, {inner, w.Text(6, 1, {1, 1, 0}, 1, "D")}));
  w.Add(w.SharedCellDefinition(7, {w.Line(7, 1, {0, 0, 0}, {2, 2, 0})}));
  w.Add(test::DgnWriter::Deleted(w.Line(1, 1, {0, 0, 0}, {9, 9, 0})));
  return w.Bytes();
}

}  // namespace

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  std::vector<std::vector<std::uint8_t>> whole = {Synthetic(false), Synthetic(true)};
  if (const std::filesystem::path folder = SampleFolder(); !folder.empty()) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      std::ifstream in(entry.path(), std::ios::binary);
      std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
      if (bytes.size() > 48'000) bytes.resize(48'000);
      whole.push_back(std::move(bytes));
    }
  }
  std::vector<std::vector<std::uint8_t>> seeds;
  for (const auto& file : whole) {
    seeds.push_back(file);
    for (int quarter = 1; quarter <= 3; ++quarter) {
      seeds.emplace_back(file.begin(), file.begin() + std::ptrdiff_t(file.size() * quarter / 4));
    }
  }
  return seeds;
}
