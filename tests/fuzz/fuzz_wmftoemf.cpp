// The Windows-metafile translation over arbitrary bytes: as the picture
// reader takes a file (placeable header or not, through ReadMetafileAsEmf,
// keeping what can be read of a damaged one), and straight through the
// converter without a size or window (the drawn bounds then place the
// picture); every EMF made is played onto a 64 x 64 raster, as the picture
// that shows it would be. Seeded with the WMF files of the test data and a
// written picture of the translated records.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>

#include "foundation/GrowArray.h"
#include "foundation/InFileStream.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RasterDC.h"
#include "platform/metafile/EmfPlayer.h"
#include "platform/metafile/ReadMetafileAsEmf.h"
#include "platform/metafile/WmfToEmf.h"
#include "tests/fuzz/FuzzTarget.h"

using namespace kvn;

namespace {

void Play(const ByteArray& emf) {
  const std::optional<EmfDocument> document = EmfDocument::FromBytes(emf.Items(), emf.Count());
  if (!document) return;
  constexpr int kSide = 64;
  std::vector<std::uint8_t> bits(kSide * kSide * 4, 0xFF);
  if (auto raster = RasterDC::Create(bits.data(), kSide, kSide)) {
    PlayEnhMetaFile(*raster, *document, TRect{0, 0, kSide, kSide});
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    ByteArray bytes(8);
    bytes.Append(data, std::uint32_t(size));
    InFileStream in = InFileStream::FromMemory(bytes);
    bool partial = false;
    if (const std::unique_ptr<ByteArray> emf = ReadMetafileAsEmf(in, nullptr, &partial)) Play(*emf);
  }
  ByteArray emf;
  if (ConvertWmfToEmf(data, size, WmfPicture{}, emf)) Play(emf);
  return 0;
}

namespace {

// A plain WMF: header, records of {u32 words, u16 function, 16-bit words}.
class Writer {
 public:
  Writer() : bytes_(18, 0) {
    le::Put16(&bytes_[0], 1);
    le::Put16(&bytes_[2], 9);
    le::Put16(&bytes_[4], 0x300);
  }
  Writer& Record(std::uint16_t function, std::initializer_list<std::int32_t> words) {
    Put(std::uint32_t(3 + words.size()), 4);
    Put(function, 2);
    for (std::int32_t w : words) Put(std::uint32_t(w), 2);
    return *this;
  }
  std::vector<std::uint8_t> Finish() {
    Record(0x0000, {});
    le::Put32(&bytes_[6], std::uint32_t(bytes_.size() / 2));
    le::Put16(&bytes_[10], 4);
    return bytes_;
  }

 private:
  void Put(std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) bytes_.push_back(std::uint8_t(value >> (8 * i)));
  }
  std::vector<std::uint8_t> bytes_;
};

std::vector<std::uint8_t> Written() {
  Writer w;
  w.Record(0x020B, {0, 0});                              // SETWINDOWORG
  w.Record(0x020C, {200, 200});                          // SETWINDOWEXT
  w.Record(0x02FA, {0, 3, 0, 0x00FF, 0});                // CREATEPENINDIRECT
  w.Record(0x012D, {0});                                 // SELECTOBJECT
  w.Record(0x02FC, {2, 0x0080, 0x0000, 3});              // CREATEBRUSHINDIRECT (hatched)
  w.Record(0x012D, {1});
  w.Record(0x0214, {10, 10});                            // MOVETO
  w.Record(0x0213, {150, 180});                          // LINETO
  w.Record(0x041B, {120, 190, 20, 30});                  // RECTANGLE
  w.Record(0x0418, {190, 190, 100, 100});                // ELLIPSE
  w.Record(0x0324, {3, 10, 10, 100, 20, 50, 90});        // POLYGON
  w.Record(0x0817, {60, 10, 10, 60, 190, 190, 10, 10});  // ARC
  w.Record(0x0538, {2, 3, 3, 0, 0, 90, 0, 0, 90, 100, 100, 190, 100, 100, 190});  // POLYPOLYGON
  w.Record(0x0521, {2, 'A' | 'b' << 8, 40, 40});                                 // TEXTOUT
  w.Record(0x01F0, {1});                                                         // DELETEOBJECT
  return w.Finish();
}

}  // namespace

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  std::vector<std::vector<std::uint8_t>> seeds = {Written()};
  if (const std::filesystem::path folder = KvnFuzzSampleFolder("metafile"); !folder.empty()) {
    for (const char* name : {"libwmf_text.wmf", "libwmf_sample.wmf", "libuemf_test_libuemf_ref.wmf"}) {
      std::ifstream in(folder / name, std::ios::binary);
      std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
      if (!bytes.empty()) seeds.push_back(std::move(bytes));
    }
  }
  return seeds;
}
