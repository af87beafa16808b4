// Fuzz target of the R11/R12 reader: whole AC1009 files through the DWG
// loader. Seeds: the AC1009 sample drawings and test-writer files with
// tables, blocks and every entity type the reader dispatches.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "document/DwgLoadReport.h"
#include "dwg/container/DwgLoader.h"
#include "foundation/InFileStream.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/DwgR11Writer.h"

using namespace kvn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteArray bytes(8);
  bytes.Append(data, std::uint32_t(size));
  InFileStream in(WString(), true, &bytes);
  DwgLoadReport report;
  (void)LoadDwgStream(in, WString(u"fuzz.dwg"), nullptr, &report);
  return 0;
}

namespace {

std::filesystem::path SampleFolder() { return KvnFuzzSampleFolder("dwg"); }

std::vector<std::uint8_t> Synthetic() {
  using test::R11Entity;
  test::DwgR11Writer w;
  w.AddLineType("CONTINUOUS", 0, {});
  w.AddLineType("DASHED", 2, {0.5, -0.25});
  w.AddBlock("B");
  w.AddLayer("0", 7, 1);
  w.AddStyle("STANDARD", 0.0, 1.0, "txt");
  w.AddView("V");
  w.AddViewport("*ACTIVE", 1.0);
  R11Entity block;
  block.type = 12;
  block.options = 1;
  block.Double(0).Double(0).Text("B");
  w.AddBlockEntity(block);
  R11Entity line;
  line.flags = 0x04 | 0x01 | 0x02 | 0x20;
  line.color = 3, line.lineType = 1, line.handle = {0x22};
  line.Double(0).Double(0).Double(1).Double(1);
  w.AddBlockEntity(line);
  R11Entity end;
  end.type = 13;
  w.AddBlockEntity(end);
  // One record of each dispatched type, with every option bit set.
  struct Kind {
    std::uint8_t type;
    std::size_t bodyBytes;
  };
  for (const Kind k : {Kind{2, 24}, Kind{3, 24}, Kind{7, 120}, Kind{8, 40}, Kind{11, 64}, Kind{14, 120},
                       Kind{15, 140}, Kind{16, 140}, Kind{19, 80}, Kind{20, 100}, Kind{17, 4}, Kind{22, 96},
                       Kind{23, 200}, Kind{24, 42}}) {
    R11Entity e;
    e.type = k.type;
    e.flags = 0x40 | 0x04;
    e.extra = 4;
    e.options = 0xFFFF;
    for (std::size_t i = 0; i < k.bodyBytes; ++i) e.U8(std::uint8_t(i == 0 ? 0 : 0x3F));
    w.AddEntity(e);
  }
  return w.Build();
}

}  // namespace

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  std::vector<std::vector<std::uint8_t>> whole = {Synthetic()};
  if (const std::filesystem::path folder = SampleFolder(); !folder.empty()) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      std::ifstream in(entry.path(), std::ios::binary);
      std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      if (bytes.size() >= 6 && std::equal(bytes.begin(), bytes.begin() + 6, "AC1009")) whole.push_back(bytes);
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
