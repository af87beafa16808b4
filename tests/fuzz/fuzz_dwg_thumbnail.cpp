// Fuzz target of the DWG preview reader: whole files through
// ReadDwgThumbnailStream, in colour and in black and white. Seeds: every
// sample DWG cut after its preview block, and synthetic previews (8-bit and
// 24-bit BMP, PNG, a black background, a metafile alone).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "dwg/container/DwgThumbnail.h"
#include "foundation/InFileStream.h"
#include "platform/image/ImageCodecs.h"
#include "render/PictureServicesImpl.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/DwgPreviewWriter.h"

using namespace kvn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  InstallRendererPictureServices();
  ByteArray bytes(8);
  bytes.Append(data, std::uint32_t(size));
  for (bool blackAndWhite : {false, true}) {
    InFileStream in = InFileStream::FromMemory(bytes);
    bool layout = false;
    (void)ReadDwgThumbnailStream(&layout, in, blackAndWhite);
  }
  return 0;
}

namespace {

std::filesystem::path SampleFolder() { return KvnFuzzSampleFolder("dwg"); }

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

// The file up to the end of its preview's last entry and end sentinel, so
// that mutations land in the bytes the reader looks at.
std::vector<std::uint8_t> UpToPreviewEnd(std::vector<std::uint8_t> file) {
  std::size_t end = std::min<std::size_t>(file.size(), 4096);
  if (file.size() >= 30) {
    const std::size_t block = U32At(file, 0x0D);
    if (block + 21 <= file.size()) {
      const std::size_t count = file[block + 20];
      for (std::size_t i = 0; i < count && block + 21 + 9 * (i + 1) <= file.size(); ++i) {
        const std::size_t entry = block + 21 + 9 * i;
        end = std::max<std::size_t>(end, std::size_t(U32At(file, entry + 1)) + U32At(file, entry + 5) + 16);
      }
    }
  }
  file.resize(std::min(end, file.size()));
  return file;
}

}  // namespace

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  using test::DwgPreviewSpec;
  const std::vector<std::uint32_t> palette = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00};
  const TDib picture = test::PalettePicture(12, 9, palette, 0, {{2, 2, 1}, {9, 6, 2}, {5, 4, 3}});
  std::vector<std::vector<std::uint8_t>> seeds;
  DwgPreviewSpec spec;
  spec.parts = {{1, std::vector<std::uint8_t>(80, 0)}, {2, test::PackedDibBytes(picture)}};
  seeds.push_back(test::WriteDwgPreviewFile(spec));
  TDib colour;
  colour.Create(5, -4, 24);
  for (std::int32_t y = 0; y < 4; ++y) {
    for (std::int32_t x = 0; x < 5; ++x) colour.SetPixel(x, y, std::uint32_t(x * 0x330000 + y * 0x40));
  }
  spec.parts = {{1, std::vector<std::uint8_t>(80, 0)}, {3, {1, 2, 3}}, {2, test::PackedDibBytes(colour)}};
  seeds.push_back(test::WriteDwgPreviewFile(spec));
  std::vector<std::uint8_t> png;
  EncodePngToMemory(picture, &png);
  spec.parts = {{1, std::vector<std::uint8_t>(80, 0)}, {6, png}, {2, test::PackedDibBytes(picture)}};
  spec.version = "AC1032";
  seeds.push_back(test::WriteDwgPreviewFile(spec));
  spec.parts = {{3, {1, 2, 3, 4}}};
  seeds.push_back(test::WriteDwgPreviewFile(spec));
  if (const std::filesystem::path folder = SampleFolder(); !folder.empty()) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
      std::ifstream in(path, std::ios::binary);
      seeds.push_back(UpToPreviewEnd({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}));
    }
  }
  return seeds;
}
