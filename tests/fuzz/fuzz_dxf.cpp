// The DXF reader over arbitrary files, text and binary: probe, groups,
// section loop, dispatch and the whole assembly. Seeded with small drawings
// of the test writer (text, binary with two-byte and one-byte codes, an
// insert array and a self-inserting block) and the sample DXF files under
// 100 KB (when present), each also cut at a quarter, a half and three
// quarters.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "document/DwgLoadReport.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/DxfWriter.h"

using namespace kvn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteArray bytes(8);
  bytes.Append(data, std::uint32_t(size));
  InFileStream in = InFileStream::FromMemory(bytes);
  if (!IsDxfFile(in)) return 0;
  DwgLoadReport report;
  (void)LoadDxfStream(in, WString(u"fuzz.dxf"), nullptr, &report);
  return 0;
}

namespace {

std::filesystem::path SampleFolder() { return KvnFuzzSampleFolder("dxf"); }

std::vector<std::uint8_t> Synthetic(test::DxfWriter::Form form) {
  test::DxfWriter w(form);
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1015").Str(9, "$LTSCALE").Real(40, 2.0).EndSection();
  w.Section("TABLES").Str(0, "TABLE").Str(2, "LAYER").Layer("0", 7).Layer("WALLS", 1).Str(0, "ENDTAB").EndSection();
  w.Section("BLOCKS").Block("B", 1, 1).Line("0", 0, 0, 1, 0, 0).Insert("B", "0", 2, 2).EndBlock().EndSection();
  w.Section("ENTITIES").Line("WALLS", 0, 0, 10, 0).Insert("B", "WALLS", 5, 5, 3);
  w.Str(0, "INSERT").Str(8, "0").Str(2, "B").Point(10, 0, 0).Int(70, 3).Int(71, 2).Real(44, 2).Real(45, 3);
  w.Str(0, "CIRCLE").Str(8, "0").Point(10, 1, 1).Real(40, 2).Str(0, "TEXT").Str(8, "0").Point(10, 0, 0);
  w.Real(40, 2.5).Str(1, "a^Jb").Int(72, 1).Str(0, "LWPOLYLINE").Str(8, "0").Int(90, 2).Point(10, 0, 0);
  w.Point(10, 1, 1).EndSection().Eof();
  const std::string& bytes = w.Bytes();
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  std::vector<std::vector<std::uint8_t>> whole = {Synthetic(test::DxfWriter::Form::Text),
                                                  Synthetic(test::DxfWriter::Form::Binary),
                                                  Synthetic(test::DxfWriter::Form::BinaryOneByte)};
  if (const std::filesystem::path folder = SampleFolder(); !folder.empty()) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      std::error_code ec;
      if (std::filesystem::file_size(entry.path(), ec) > 100'000) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      whole.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
