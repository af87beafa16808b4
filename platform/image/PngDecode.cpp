// PNG decoding through libpng. libpng reports fatal errors by longjmp to
// the one setjmp below; every C++ object of the function exists before it.
#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include <png.h>

#include "platform/image/PictureDecode.h"
#include "platform/image/PictureWeight.h"

namespace kvn {

namespace {

struct PngSource {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at;
};

void ReadFromMemory(png_structp png, png_bytep target, png_size_t length) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (length > source->size - source->at) png_error(png, "PNG data end early");
  std::memcpy(target, source->data + source->at, length);
  source->at += length;
}

void OnPngWarning(png_structp, png_const_charp) {}
[[noreturn]] void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

std::uint16_t DibBitCount(int colourType, int depth, bool hasTrns) {
  if (colourType == PNG_COLOR_TYPE_PALETTE) return std::uint16_t(depth == 2 ? 8 : depth);
  if (colourType == PNG_COLOR_TYPE_GRAY && !hasTrns) return 8;
  return (colourType & PNG_COLOR_MASK_ALPHA) != 0 || hasTrns ? 32 : 24;
}

int ChannelsOf(int colourType) {
  switch (colourType) {
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;
  }
}

// The picture weighed from its header and the file's size: too large for
// the memory, or more pixels than `size` bytes of deflate data can give.
PictureStatus Weigh(std::uint32_t width, std::uint32_t height, int depth, int colourType, bool hasTrns,
                    std::size_t size, PictureInfo* info) {
  const std::uint16_t bitCount = DibBitCount(colourType, depth, hasTrns);
  // A row pointer per row; 16-bit samples are read whole, at the bitmap's
  // channels, before they are reduced.
  std::uint64_t beside = std::uint64_t(height) * sizeof(png_bytep);
  if (depth == 16) beside += std::uint64_t(width) * height * (bitCount / 8) * 2;
  if (!PictureWeightAllowed(width, height, bitCount, beside, info)) return PictureStatus::kTooLarge;
  if (!CodedDataCouldHold(PixelCoding::kDeflate, size, width, height, std::uint32_t(ChannelsOf(colourType) * depth)))
    return PictureStatus::kDamaged;
  return PictureStatus::kOk;
}

std::uint32_t Be32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

}  // namespace

PictureStatus DecodePngPicture(const std::uint8_t* data, std::size_t size, TDib* out, PictureInfo* info) {
  if (out) out->Clear();
  if (data == nullptr || size < 8) return PictureStatus::kDamaged;
  // libpng reads every chunk up to the pixels before it tells the size;
  // the header chunk alone decides whether the picture may be held.
  if (size >= 26 && std::memcmp(data + 12, "IHDR", 4) == 0) {
    const std::uint32_t width = Be32(data + 16), height = Be32(data + 20);
    if (info) {
      info->format = PictureFormat::kPng;
      info->width = std::int32_t(std::min<std::uint32_t>(width, 0x7FFFFFFF));
      info->height = std::int32_t(std::min<std::uint32_t>(height, 0x7FFFFFFF));
      info->bitsPerPixel = std::uint32_t(ChannelsOf(data[25]) * data[24]);
      info->frames = 1;
    }
    const PictureStatus weighed = Weigh(width, height, data[24], data[25], false, size, info);
    if (weighed != PictureStatus::kOk) return weighed;
  }
  PngSource source{data, size, 0};
  std::vector<png_bytep> rows;
  std::vector<std::uint8_t> wide;
  volatile PictureStatus status = PictureStatus::kDamaged;
  // Set once every row is in: damage after the pixels (a broken end chunk)
  // loses nothing.
  volatile bool rowsRead = false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (png == nullptr) return PictureStatus::kDamaged;
  png_infop pngInfo = png_create_info_struct(png);
  if (pngInfo == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_read_struct(&png, &pngInfo, nullptr);
    if (rowsRead) return PictureStatus::kOk;
    if (out) out->Clear();
    return status;
  }
  png_set_read_fn(png, &source, ReadFromMemory);
  png_read_info(png, pngInfo);
  const png_uint_32 width = png_get_image_width(png, pngInfo), height = png_get_image_height(png, pngInfo);
  const int depth = png_get_bit_depth(png, pngInfo);
  const int colourType = png_get_color_type(png, pngInfo);
  const bool hasTrns = png_get_valid(png, pngInfo, PNG_INFO_tRNS) != 0;
  if (info) {
    info->format = PictureFormat::kPng;
    info->width = std::int32_t(width);
    info->height = std::int32_t(height);
    info->bitsPerPixel = std::uint32_t(png_get_channels(png, pngInfo)) * std::uint32_t(depth);
    info->frames = 1;
  }
  const bool paletted = colourType == PNG_COLOR_TYPE_PALETTE;
  const bool grey = colourType == PNG_COLOR_TYPE_GRAY && !hasTrns;
  const std::uint16_t bitCount = DibBitCount(colourType, depth, hasTrns);
  status = Weigh(width, height, depth, colourType, hasTrns, size, info);
  if (status != PictureStatus::kOk) png_longjmp(png, 1);
  status = PictureStatus::kDamaged;
  if (!out) {
    png_destroy_read_struct(&png, &pngInfo, nullptr);
    return PictureStatus::kOk;
  }
  if (paletted && depth == 2) png_set_packing(png);
  if (grey && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (!paletted && !grey) {
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (hasTrns) png_set_tRNS_to_alpha(png);
    png_set_bgr(png);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, pngInfo);
  if (!out->Create(std::int32_t(width), std::int32_t(height), bitCount)) png_longjmp(png, 1);
  // The resolution chunk comes before the pixels.
  png_uint_32 resX = 0, resY = 0;
  int unit = 0;
  if (png_get_pHYs(png, pngInfo, &resX, &resY, &unit) != 0 && unit == PNG_RESOLUTION_METER && resX <= 0x7FFFFFFF &&
      resY <= 0x7FFFFFFF)
    out->SetResolution(std::int32_t(resX), std::int32_t(resY));
  if (paletted) {
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(png, pngInfo, &palette, &count) != 0) {
      for (int i = 0; i < count && std::uint32_t(i) < out->PaletteCount(); ++i)
        out->SetPaletteEntry(std::uint32_t(i), std::uint32_t(palette[i].red) << 16 |
                                                   std::uint32_t(palette[i].green) << 8 | palette[i].blue);
    }
  } else if (grey) {
    for (std::uint32_t i = 0; i < 256; ++i) out->SetPaletteEntry(i, i * 0x010101);
  }
  rows.resize(height);
  if (depth == 16) {
    // Read at 16 bits, then each sample reduced as ImageMagick does it.
    wide.resize(std::size_t(height) * png_get_rowbytes(png, pngInfo));
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = wide.data() + std::size_t(y) * png_get_rowbytes(png, pngInfo);
    png_read_image(png, rows.data());
    const std::size_t samples = png_get_rowbytes(png, pngInfo) / 2;
    // ImageMagick keeps opacity (the complement of alpha) and reduces that.
    const bool alphaSamples = bitCount == 32;
    for (png_uint_32 y = 0; y < height; ++y) {
      std::uint8_t* row = out->Bits() + std::size_t(height - 1 - y) * out->Stride();
      const std::uint8_t* p = rows[y];
      for (std::size_t i = 0; i < samples && i < out->Stride(); ++i) {
        const unsigned v = (unsigned(p[2 * i]) << 8) | p[2 * i + 1];
        row[i] = std::uint8_t(alphaSamples && i % 4 == 3 ? 255 - (65535 - v) / 257 : v / 257);
      }
    }
  } else {
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = out->Bits() + std::size_t(height - 1 - y) * out->Stride();
    png_read_image(png, rows.data());
  }
  rowsRead = true;
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &pngInfo, nullptr);
  return PictureStatus::kOk;
}

}  // namespace kvn
