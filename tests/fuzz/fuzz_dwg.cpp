// The DWG loader over arbitrary files: every release string, the R13-R2000
// layout and all its sections, the object map and both passes over the
// objects. Seeded with the sample DWG drawings (when present), synthetic
// files of the test writers (R2000, and small R2004, R2018 and R2007 files
// in pages of 256 bytes), and every one of them cut at a quarter, a half
// and three quarters.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "document/DwgLoadReport.h"
#include "dwg/container/DwgLoader.h"
#include "foundation/InFileStream.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/DwgBitWriter.h"
#include "tests/support/DwgFileWriter.h"
#include "tests/support/DwgPagedWriter.h"

using namespace kvn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteArray bytes(8);
  bytes.Append(data, std::uint32_t(size));
  InFileStream in = InFileStream::FromMemory(bytes);
  DwgLoadReport report;
  (void)LoadDwgStream(in, WString(u"fuzz.dwg"), nullptr, &report);
  return 0;
}

namespace {

std::filesystem::path SampleFolder() { return KvnFuzzSampleFolder("dwg"); }

std::vector<std::uint8_t> Synthetic() {
  using namespace kvn::test;
  DwgFileSpec spec;
  DwgObjectWriter control(15, 48, 0x01);
  control.CommonObject();
  control.data.BL(1);
  control.ObjectHandles(0);
  control.Handle(2, 0x1F);
  control.Handle(3, 0x1F);
  control.Handle(3, 0x1E);
  spec.objects.push_back(control.Finish());
  spec.handles.push_back(0x01);
  spec.classes = {{500, "LWPOLYLINE", true}};
  for (const DwgSampleObject& sample : DwgSampleObjects(15)) {
    spec.objects.push_back(sample.bytes);
    spec.handles.push_back(0x100 + spec.handles.size());
  }
  return WriteDwgFile(spec);
}

}  // namespace

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  // Small synthetic files of the paged layouts too, whose container bytes
  // are a large share of the file, so that mutations often land in them.
  test::DwgPaged2004Knobs knobs2004;
  knobs2004.pageSize = 256;
  test::DwgPaged2007Knobs knobs2007;
  knobs2007.pageSize = 256;
  std::vector<std::vector<std::uint8_t>> whole = {
      Synthetic(), test::WriteDwgFile2004(test::LinesDrawingSpec(18, 6), knobs2004),
      test::WriteDwgFile2004(test::LinesDrawingSpec(32, 6), knobs2004),
      test::WriteDwgFile2007(test::LinesDrawingSpec(21, 6), knobs2007)};
  if (const std::filesystem::path folder = SampleFolder(); !folder.empty()) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
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
