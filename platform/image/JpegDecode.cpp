// JPEG decoding through libjpeg-turbo. libjpeg reports fatal errors by
// calling a function that must not return, so the decoder unwinds with
// longjmp to the one setjmp below; every C++ object of that function exists
// before setjmp and is not created after it.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "platform/image/ImageCodecs.h"
#include "platform/image/PictureDecode.h"

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

namespace {

// Decodes into `out`; grey pictures become an 8-bit grey palette when
// `greyPalette` is set, else every picture becomes 24 bits.
PictureStatus DecodeJpeg(const std::uint8_t* data, std::size_t size, TDib* out, PictureInfo* pictureInfo,
                         bool greyPalette) {
  if (out) out->Clear();
  if (data == nullptr || size < 4 || size > 0x7FFFFFFF) return PictureStatus::kDamaged;
  jpeg_decompress_struct info;
  JpegErrors errors;
  std::vector<std::uint8_t> cmykRow;
  volatile PictureStatus status = PictureStatus::kDamaged;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = OnJpegError;
  errors.manager.emit_message = OnJpegMessage;
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_decompress(&info);
    if (out) out->Clear();
    return status;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return PictureStatus::kDamaged;
  }
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  const bool grey = greyPalette && info.jpeg_color_space == JCS_GRAYSCALE;
  if (pictureInfo) {
    pictureInfo->format = PictureFormat::kJpeg;
    pictureInfo->width = std::int32_t(std::min<JDIMENSION>(info.image_width, 0x7FFFFFFF));
    pictureInfo->height = std::int32_t(std::min<JDIMENSION>(info.image_height, 0x7FFFFFFF));
    pictureInfo->bitsPerPixel = std::uint32_t(info.num_components) * 8;
    pictureInfo->frames = 1;
  }
  const std::uint16_t bitCount = grey ? 8 : 24;
  if (!DibSizeAllowed(info.image_width, info.image_height, bitCount, pictureInfo) ||
      (!greyPalette && std::uint64_t(info.image_width) * info.image_height > kMaxJpegPixels)) {
    jpeg_destroy_decompress(&info);
    return PictureStatus::kTooLarge;
  }
  if (!out) {
    jpeg_destroy_decompress(&info);
    return PictureStatus::kOk;
  }
  info.out_color_space = cmyk ? JCS_CMYK : grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  const std::int32_t width = std::int32_t(info.output_width), height = std::int32_t(info.output_height);
  if (!DibSizeAllowed(width, height, bitCount, pictureInfo) || !out->Create(width, height, bitCount)) {
    jpeg_destroy_decompress(&info);
    out->Clear();
    return PictureStatus::kTooLarge;
  }
  if (grey)
    for (std::uint32_t i = 0; i < 256; ++i) out->SetPaletteEntry(i, i * 0x010101);
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
  if (info.saw_JFIF_marker && info.X_density > 0 && info.Y_density > 0) {
    if (info.density_unit == 1)
      out->SetResolution(PixelsPerMetreFromDpi(info.X_density), PixelsPerMetreFromDpi(info.Y_density));
    else if (info.density_unit == 2)
      out->SetResolution(PixelsPerMetreFromDpcm(info.X_density), PixelsPerMetreFromDpcm(info.Y_density));
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return PictureStatus::kOk;
}

}  // namespace

bool DecodeJpegToDib(const std::uint8_t* data, std::size_t size, TDib* out) {
  return DecodeJpeg(data, size, out, nullptr, false) == PictureStatus::kOk;
}

PictureStatus DecodeJpegPicture(const std::uint8_t* data, std::size_t size, TDib* out, PictureInfo* info) {
  return DecodeJpeg(data, size, out, info, true);
}

}  // namespace kvn
