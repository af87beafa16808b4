// PNG encoding through libpng into memory. Errors unwind with longjmp to the
// setjmp below, as libpng requires; the C++ objects it touches exist before
// setjmp.
#include <csetjmp>
#include <cstring>

#include <png.h>

#include "platform/image/EncodeRows.h"
#include "platform/image/ImageCodecs.h"

namespace kvn {

namespace {

void WriteToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp) {}

void OnPngWarning(png_structp, png_const_charp) {}

// Apart from the function that calls setjmp, whose locals longjmp may clobber.
[[gnu::noinline]] void MakePngPalette(const EncodeRows& rows, std::vector<png_color>* palette) {
  palette->clear();
  for (const std::uint32_t rgb : rows.Palette())
    palette->push_back({std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb)});
}

}  // namespace

bool EncodeDibAsPng(const TDib& dib, const TDib* alphaMask, std::vector<std::uint8_t>* out) {
  out->clear();
  EncodeRows rows(dib, alphaMask);
  if (!rows.Ok()) return false;
  const std::int32_t width = dib.Width(), height = dib.Height();
  std::vector<png_color> palette;
  MakePngPalette(rows, &palette);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, OnPngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    out->clear();
    return false;
  }
  png_set_write_fn(png, out, WriteToVector, FlushNothing);
  const int colourType = rows.Indexed() ? PNG_COLOR_TYPE_PALETTE
                         : rows.BitsPerPixel() == 32 ? PNG_COLOR_TYPE_RGB_ALPHA
                                                     : PNG_COLOR_TYPE_RGB;
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), rows.Indexed() ? rows.BitsPerPixel() : 8,
               colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (rows.Indexed()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
  const auto& h = dib.Layout().header;
  if (h.xPelsPerMeter > 0 && h.yPelsPerMeter > 0)
    png_set_pHYs(png, info, png_uint_32(h.xPelsPerMeter), png_uint_32(h.yPelsPerMeter), PNG_RESOLUTION_METER);
  png_write_info(png, info);
  // Rows go as the file wants them: R, G, B (and A).
  if (!rows.Indexed()) png_set_bgr(png);
  for (std::int32_t y = 0; y < height; ++y) png_write_row(png, rows.Row(y));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool EncodePngToMemory(const TDib& dib, std::vector<std::uint8_t>* out) { return EncodeDibAsPng(dib, nullptr, out); }

bool EncodeDibAsContainer(const TDib& dib, const TDib* alphaMask, PictureContainer container,
                          std::vector<std::uint8_t>* out) {
  return container == PictureContainer::kPng ? EncodeDibAsPng(dib, alphaMask, out)
                                             : EncodeDibAsTiff(dib, alphaMask, out);
}

}  // namespace kvn
