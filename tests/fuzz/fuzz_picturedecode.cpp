// Raster picture decoders (PNG, JPEG, TIFF, GIF, BMP) over arbitrary bytes.
// Pictures whose header claims more than a million pixels are only probed:
// the decoders refuse beyond TDib's limit, and the fuzzer's memory is not
// the question here.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "platform/image/ImageCodecs.h"
#include "platform/image/PictureDecode.h"
#include "tests/fuzz/FuzzTarget.h"

using namespace kvn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PictureInfo info;
  if (ProbePicture(data, size, &info) != PictureStatus::kOk) return 0;
  if (std::uint64_t(info.width) * std::uint64_t(info.height) > (1u << 20)) return 0;
  TDib dib;
  if (DecodePicture(data, size, &dib, &info) != PictureStatus::kOk) return 0;
  // What decodes must encode again.
  std::vector<std::uint8_t> out;
  if (dib.BitCount() <= 8 || dib.BitCount() == 24) EncodeDibAsContainer(dib, nullptr, PictureContainer::kPng, &out);
  return 0;
}

namespace {

TDib Picture(std::uint16_t bits) {
  TDib dib;
  dib.Create(7, 5, bits);
  for (std::uint32_t i = 0; i < dib.PaletteCount(); ++i) dib.SetPaletteEntry(i, i * 0x050301);
  for (std::int32_t y = 0; y < 5; ++y)
    for (std::int32_t x = 0; x < 7; ++x) dib.SetPixel(x, y, std::uint32_t(x * 3 + y) & (bits >= 24 ? 0xFFFFFF : (1u << bits) - 1));
  dib.SetResolution(3780, 3780);
  return dib;
}

// A small JPEG written by libjpeg: grey or colour, progressive or not.
std::vector<std::uint8_t> Jpeg(bool colour, bool progressive) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = 16;
  info.image_height = 9;
  info.input_components = colour ? 3 : 1;
  info.in_color_space = colour ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(16 * 3);
  while (info.next_scanline < info.image_height) {
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<unsigned char>(i * 11 + info.next_scanline * 7);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<std::uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

}  // namespace

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  std::vector<std::vector<std::uint8_t>> seeds;
  TDib mask = Picture(8);
  for (PictureContainer c : {PictureContainer::kPng, PictureContainer::kTiff}) {
    for (std::uint16_t bits : {1, 4, 8, 24}) {
      std::vector<std::uint8_t> bytes;
      if (EncodeDibAsContainer(Picture(bits), nullptr, c, &bytes)) seeds.push_back(bytes);
    }
    std::vector<std::uint8_t> alpha;
    if (EncodeDibAsContainer(Picture(24), &mask, c, &alpha)) seeds.push_back(alpha);
  }
  // A 2 x 2 GIF with a global colour table and an interlaced 2-frame GIF.
  seeds.push_back({'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255, ',', 0, 0, 0, 0, 2,
                   0, 2, 0, 0, 2, 2, 0x44, 0x01, 0, ';'});
  seeds.push_back({'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255, ',', 0, 0, 0, 0, 2,
                   0, 2, 0, 0x40, 2, 2, 0x44, 0x01, 0, ',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, ';'});
  for (bool colour : {false, true})
    for (bool progressive : {false, true}) seeds.push_back(Jpeg(colour, progressive));
  // A BMP of the 8-bit picture.
  const TDib bmp = Picture(8);
  std::vector<std::uint8_t> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const std::uint32_t offset = 14 + bmp.BitsOffset();
  for (int i = 0; i < 4; ++i) file[10 + i] = std::uint8_t(offset >> (8 * i));
  file.insert(file.end(), bmp.PackedDib(), bmp.PackedDib() + bmp.PackedDibSize());
  seeds.push_back(file);
  return seeds;
}
