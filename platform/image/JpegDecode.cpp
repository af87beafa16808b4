// JPEG decoding through libjpeg-turbo. libjpeg reports fatal errors by
// calling a function that must not return, so the decoder unwinds with
// longjmp to the one setjmp below; every C++ object of that function exists
// before setjmp and is not created after it.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "platform/image/ImageCodecs.h"

namespace kvn {

namespace {

struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

void OnJpegMessage(j_common_ptr, int) {}

}  // namespace

bool DecodeJpegToDib(const std::uint8_t* data, std::size_t size, TDib* out) {
  out->Clear();
  if (data == nullptr || size < 4 || size > 0x7FFFFFFF) return false;
  jpeg_decompress_struct info;
  JpegErrors errors;
  std::vector<std::uint8_t> cmykRow;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = OnJpegError;
  errors.manager.emit_message = OnJpegMessage;
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_decompress(&info);
    out->Clear();
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  const std::uint64_t pixels = std::uint64_t(info.image_width) * info.image_height;
  if (info.image_width == 0 || info.image_height == 0 || info.image_width > 0x7FFF'FFFF ||
      info.image_height > 0x7FFF'FFFF || pixels > kMaxJpegPixels) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  const std::int32_t width = std::int32_t(info.output_width), height = std::int32_t(info.output_height);
  if (std::uint64_t(width) * std::uint32_t(height) > kMaxJpegPixels || !out->Create(width, height, 24)) {
    jpeg_destroy_decompress(&info);
    out->Clear();
    return false;
  }
  if (cmyk) cmykRow.resize(std::size_t(width) * 4);
  std::uint8_t* bits = out->Bits();
  const std::size_t stride = out->Stride();
  while (info.output_scanline < info.output_height) {
    // Scan lines come top first; the picture is stored bottom-up.
    std::uint8_t* row = bits + std::size_t(height - 1 - std::int32_t(info.output_scanline)) * stride;
    JSAMPROW target = cmyk ? cmykRow.data() : row;
    if (jpeg_read_scanlines(&info, &target, 1) != 1) break;
    if (cmyk) {
      // Adobe writes CMYK inverted: each stored value is 255 - ink.
      for (std::int32_t x = 0; x < width; ++x) {
        const std::uint8_t* p = &cmykRow[std::size_t(x) * 4];
        const unsigned k = p[3];
        row[3 * x + 0] = std::uint8_t(p[2] * k / 255);
        row[3 * x + 1] = std::uint8_t(p[1] * k / 255);
        row[3 * x + 2] = std::uint8_t(p[0] * k / 255);
      }
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace kvn
