// Opening DWG drawings: MB/s of the whole read (layout, header variables,
// classes, object map, both passes over the objects, dispatch into the
// import) for the largest sample of each layout family that opens (targets:
// 40 MB/s on the R2018 dynamic-blocks sample, 50 MB/s on the synthetic R2000
// and R2004 drawings), and for
// a synthetic R2000 drawing of at least 50 MB (lines chained in model space)
// and a synthetic AC1018 one of the same size (lines listed by the block);
// the larger R11/R12 sample and a synthetic AC1009 drawing of the same size.
//   ./build/bench/kvn-bench-dwg-open [samples folder] [synthetic MB]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/TimedStreamOpen.h"
#include "document/DwgLoadReport.h"
#include "dwg/container/DwgLoader.h"
#include "foundation/InFileStream.h"
#include "tests/support/DwgBitWriter.h"
#include "tests/support/DwgFileWriter.h"
#include "tests/support/DwgPagedWriter.h"
#include "tests/support/DwgR11Writer.h"

using namespace kvn;

namespace {

void Report(const char* what, const std::vector<std::uint8_t>& bytes, int rounds) {
  const WString name(u"bench.dwg");
  const auto load = [](auto& in, auto& path, auto* report) { return LoadDwgStream(in, path, nullptr, report); };
  // One open before the timed rounds: what a process loads once (the font
  // list the texts' styles look up) is not a cost of opening.
  (void)bench::TimeStreamOpens(bytes, 1, name, load);
  const bench::TimedOpen open = bench::TimeStreamOpens(bytes, rounds, name, load);
  const double seconds = open.seconds;
  const double mb = double(bytes.size()) / 1e6;
  std::printf("%-40s %9.2f MB %8.1f ms %8.1f MB/s  (%llu model-space entities)\n", what, mb, seconds * 1e3,
              mb / seconds, static_cast<unsigned long long>(open.entities));
}

std::vector<std::uint8_t> Line(std::uint64_t handle, std::uint64_t next, double x) {
  test::DwgObjectWriter w(15, 19, handle);
  test::DwgEntityCommon c;
  c.mode = 2;
  c.noLinks = false;
  c.next = next;
  w.CommonEntity(c);
  w.data.B(1);
  w.data.RD(x);
  w.data.DD(x + 1, x);
  w.data.RD(2);
  w.data.DD(4, 2);
  w.data.B(1);
  w.data.B(1);
  w.EntityHandles(c);
  return w.Finish();
}

std::vector<std::uint8_t> SyntheticDrawing(double megabytes) {
  test::DwgFileSpec spec;
  // Model space: the chain runs from the first line to the last.
  const std::uint64_t first = 0x100;
  const std::vector<std::uint8_t> sample = Line(first, first + 1, 0);
  const std::uint64_t count = std::uint64_t(megabytes * 1e6 / double(sample.size())) + 1;
  const std::uint64_t last = first + count - 1;
  {
    test::DwgObjectWriter w(15, 49, 0x1F);
    w.CommonObject();
    w.Text("*MODEL_SPACE");
    w.data.B(0);
    w.data.BS(0);
    for (int i = 0; i < 5; ++i) w.data.B(0);
    w.data.B(1);
    w.data.Point3BD(0, 0, 0);
    w.Text("");
    w.data.RC(0);
    w.Text("");
    w.data.BL(0);
    w.ObjectHandles(0x01);
    w.Handle(5, 0);
    w.Handle(3, 0x40);
    w.Handle(4, first);
    w.Handle(4, last);
    w.Handle(3, 0x41);
    w.Handle(5, 0x50);
    spec.objects.push_back(w.Finish());
    spec.handles.push_back(0x1F);
  }
  for (std::uint64_t h = first; h <= last; ++h) {
    spec.objects.push_back(Line(h, h == last ? 0 : h + 1, double(h % 1000)));
    spec.handles.push_back(h);
  }
  return test::WriteDwgFile(spec);
}

// An AC1018 drawing of at least that many megabytes: model-space lines at
// scattered coordinates, listed by the model-space block record, in pages.
std::vector<std::uint8_t> SyntheticR2004Drawing(double megabytes) {
  const std::size_t lineBytes = test::LinesDrawingSpec(18, 2, true).objects[1].size();
  std::uint64_t count = std::uint64_t(megabytes * 1e6 / double(lineBytes)) + 1;
  for (;;) {
    std::vector<std::uint8_t> bytes = test::WriteDwgFile2004(test::LinesDrawingSpec(18, count, true));
    if (double(bytes.size()) >= megabytes * 1e6) return bytes;
    count = std::uint64_t(double(count) * megabytes * 1e6 / double(bytes.size())) + 1000;
  }
}

// An AC1009 drawing of model-space lines, 3-D, each with its own layer
// index, colour and handle.
std::vector<std::uint8_t> SyntheticR11Drawing(double megabytes) {
  test::DwgR11Writer w;
  w.AddLineType("CONTINUOUS", 0, {});
  w.AddLayer("0", 7, 0);
  w.AddLayer("WALLS", 1, 0);
  const std::size_t recordBytes = test::EncodeR11Entity(test::R11Entity{}).size() + 48 + 1 + 5;
  const std::uint64_t count = std::uint64_t(megabytes * 1e6 / double(recordBytes)) + 1;
  for (std::uint64_t i = 0; i < count; ++i) {
    test::R11Entity e;
    e.flags = 0x01 | 0x20;
    e.layer = std::uint16_t(i & 1);
    e.color = std::uint8_t(i % 7 + 1);
    e.handle = {std::uint8_t(i), std::uint8_t(i >> 8), std::uint8_t(i >> 16), std::uint8_t(i >> 24)};
    const double x = double(i % 1000);
    e.Double(x).Double(0).Double(0).Double(x + 1).Double(2).Double(0);
    w.AddEntity(e);
  }
  return w.Build();
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path samples = argc > 1 ? argv[1] : "../shared/testdata/dwg";
  const double megabytes = argc > 2 ? std::atof(argv[2]) : 50.0;
  // The largest sample of the R13-R2000 layout.
  std::filesystem::path largest;
  std::uintmax_t largestSize = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(samples, ec)) {
    const std::vector<std::uint8_t> head = ReadFile(entry.path());
    if (head.size() < 6) continue;
    const std::string version(head.begin(), head.begin() + 6);
    if (version != "AC1012" && version != "AC1014" && version != "AC1015") continue;
    if (head.size() > largestSize) {
      largestSize = head.size();
      largest = entry.path();
    }
  }
  if (!largest.empty()) {
    Report(("R13-R2000: " + largest.filename().string()).c_str(), ReadFile(largest), 20);
  } else {
    std::printf("no R13-R2000 sample found in %s\n", samples.string().c_str());
  }
  // The paged layouts: the largest R2018 sample, the R2010 drawing of a
  // second writer (custom classes) and the R2007 sample.
  for (const char* name :
       {"libredwg_2018_Dynblocks.dwg", "acadsharp_sample_AC1024.dwg", "libredwg_example_2007.dwg"}) {
    const std::vector<std::uint8_t> bytes = ReadFile(samples / name);
    if (bytes.empty()) {
      std::printf("%s not found in %s\n", name, samples.string().c_str());
      continue;
    }
    Report(name, bytes, 10);
  }
  const std::vector<std::uint8_t> synthetic = SyntheticDrawing(megabytes);
  Report("synthetic R2000 lines", synthetic, 3);
  const std::vector<std::uint8_t> synthetic2004 = SyntheticR2004Drawing(megabytes);
  Report("synthetic R2004 lines", synthetic2004, 3);
  // R11/R12: the larger sample and a synthetic drawing.
  const std::vector<std::uint8_t> r11 = ReadFile(samples / "libredwg_r11_ACEB10.dwg");
  if (!r11.empty()) Report("R11/R12: libredwg_r11_ACEB10.dwg", r11, 50);
  const std::vector<std::uint8_t> syntheticR11 = SyntheticR11Drawing(megabytes);
  Report("synthetic R11/R12 lines", syntheticR11, 3);
  return 0;
}
