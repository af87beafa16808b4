// PNG decoding through libpng from memory. Errors unwind with longjmp to the
// one setjmp below; every C++ object the function touches after it exists
// before it.
#include <csetjmp>
#include <cstring>
#include <vector>

#include <png.h>

#include "platform/image/ImageCodecs.h"

namespace kvn {

namespace {

struct MemoryInput {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at;
};

void ReadFromMemory(png_structp png, png_bytep target, png_size_t length) {
  auto* in = static_cast<MemoryInput*>(png_get_io_ptr(png));
  if (length > in->size - in->at) png_error(png, "PNG data end");
  std::memcpy(target, in->data + in->at, length);
  in->at += length;
}

void OnPngWarning(png_structp, png_const_charp) {}

[[noreturn]] void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

}  // namespace

bool DecodePngToDib(const std::uint8_t* data, std::size_t size, std::uint64_t maxPixels, TDib* out) {
  out->Clear();
  if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0) return false;
  MemoryInput input{data, size, 0};
  std::vector<std::uint8_t> row;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    out->Clear();
    return false;
  }
  png_set_read_fn(png, &input, ReadFromMemory);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF ||
      std::uint64_t(width) * height > maxPixels) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  // Every form becomes 8-bit BGR: palettes and greys expanded, 16-bit
  // samples cut to 8, alpha dropped (previews and pictures are opaque).
  const int colorType = png_get_color_type(png, info);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if (png_get_bit_depth(png, info) < 8) png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_bgr(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != std::size_t(width) * 3 ||
      !out->Create(std::int32_t(width), std::int32_t(height), 24)) {
    png_destroy_read_struct(&png, &info, nullptr);
    out->Clear();
    return false;
  }
  // Rows come top first into a bottom-up picture; interlaced pictures pass
  // over every row several times, each pass refining the stored row.
  std::uint8_t* bits = out->Bits();
  const std::size_t stride = out->Stride();
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(png, bits + std::size_t(height - 1 - y) * stride, nullptr);
    }
  }
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace kvn
