// PNG encoding through libpng into memory. Errors unwind with longjmp to the
// setjmp below, as libpng requires; the C++ objects it touches exist before
// setjmp.
#include <csetjmp>
#include <cstring>

#include <png.h>

#include "platform/image/ImageCodecs.h"

namespace kvn {

namespace {

void WriteToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp) {}

void OnPngWarning(png_structp, png_const_charp) {}

}  // namespace

bool EncodePngToMemory(const TDib& dib, std::vector<std::uint8_t>* out) {
  out->clear();
  if (!dib.HasBits() || dib.Compression() == kBiRle4 || dib.Compression() == kBiRle8) return false;
  const bool paletted = dib.BitCount() <= 8;
  const std::int32_t width = dib.Width(), height = dib.Height();
  std::vector<png_color> palette;
  std::vector<std::uint8_t> row(paletted ? 0 : std::size_t(width) * 3);
  if (paletted) {
    // The table is padded to the full depth so that every index is valid.
    palette.resize(std::size_t(1) << dib.BitCount());
    for (std::uint32_t i = 0; i < palette.size(); ++i) {
      const std::uint32_t rgb = dib.GetPaletteEntry(i);
      palette[i] = {std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb)};
    }
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, OnPngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    out->clear();
    return false;
  }
  png_set_write_fn(png, out, WriteToVector, FlushNothing);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), paletted ? dib.BitCount() : 8,
               paletted ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (paletted) png_set_PLTE(png, info, palette.data(), int(palette.size()));
  png_write_info(png, info);
  for (std::int32_t y = 0; y < height; ++y) {
    const std::int32_t stored = dib.IsTopDown() ? y : height - 1 - y;
    if (paletted) {
      png_write_row(png, dib.Bits() + std::size_t(stored) * dib.Stride());
      continue;
    }
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint32_t c = dib.GetPixelColor(x, y);  // COLORREF
      row[3 * std::size_t(x)] = std::uint8_t(c);
      row[3 * std::size_t(x) + 1] = std::uint8_t(c >> 8);
      row[3 * std::size_t(x) + 2] = std::uint8_t(c >> 16);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace kvn
