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
#include <jerror.h>

#include "platform/image/ImageCodecs.h"
#include "platform/image/PictureDecode.h"
#include "platform/image/PictureWeight.h"

namespace kvn {

namespace {

struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  // The data ended before the picture did: libjpeg fills the rest in grey
  // and says so only by a warning.
  bool cut;
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

void OnJpegMessage(j_common_ptr info, int level) {
  const int code = info->err->msg_code;
  if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER))
    reinterpret_cast<JpegErrors*>(info->err)->cut = true;
}

// The largest horizontal and vertical sampling factors of the components:
// an MCU spans 8 times as many pixels.
struct Sampling {
  int maxH = 1, maxV = 1;
};
Sampling MaxSampling(const jpeg_decompress_struct& info) {
  Sampling s;
  for (int c = 0; c < info.num_components; ++c) {
    s.maxH = std::max(s.maxH, info.comp_info[c].h_samp_factor);
    s.maxV = std::max(s.maxV, info.comp_info[c].v_samp_factor);
  }
  return s;
}

// The 8x8 blocks of the component that has the most, from the header's
// sizes and sampling factors alone.
std::uint64_t LargestComponentBlocks(const jpeg_decompress_struct& info) {
  const auto [maxH, maxV] = MaxSampling(info);
  std::uint64_t most = 0;
  for (int c = 0; c < info.num_components; ++c) {
    const std::uint64_t w =
        (std::uint64_t(info.image_width) * info.comp_info[c].h_samp_factor + 8 * maxH - 1) / (8 * maxH);
    const std::uint64_t h =
        (std::uint64_t(info.image_height) * info.comp_info[c].v_samp_factor + 8 * maxV - 1) / (8 * maxV);
    most = std::max(most, w * h);
  }
  return most;
}

// A progressive picture keeps every coefficient of every component (64
// 16-bit values per block) until its last scan.
std::uint64_t CoefficientBytes(const jpeg_decompress_struct& info) {
  if (!info.progressive_mode) return 0;
  const auto [maxH, maxV] = MaxSampling(info);
  std::uint64_t bytes = 0;
  for (int c = 0; c < info.num_components; ++c) {
    // Whole MCUs of the component, as libjpeg allocates them.
    const std::uint64_t mcusAcross = (std::uint64_t(info.image_width) + 8 * maxH - 1) / (8 * maxH);
    const std::uint64_t mcusDown = (std::uint64_t(info.image_height) + 8 * maxV - 1) / (8 * maxV);
    bytes += mcusAcross * std::uint64_t(info.comp_info[c].h_samp_factor) * mcusDown *
             std::uint64_t(info.comp_info[c].v_samp_factor) * 64 * sizeof(JCOEF);
  }
  return bytes;
}

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
  errors.cut = false;
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
  if (!PictureWeightAllowed(info.image_width, info.image_height, bitCount, CoefficientBytes(info), pictureInfo) ||
      (!greyPalette && std::uint64_t(info.image_width) * info.image_height > kMaxJpegPixels)) {
    jpeg_destroy_decompress(&info);
    return PictureStatus::kTooLarge;
  }
  // Arithmetic coding can spend far less than a bit on a block.
  if (!info.arith_code &&
      !CodedDataCouldHold(PixelCoding::kJpegHuffman, size, info.image_width, info.image_height, 0,
                          LargestComponentBlocks(info))) {
    jpeg_destroy_decompress(&info);
    return PictureStatus::kDamaged;
  }
  if (!out) {
    jpeg_destroy_decompress(&info);
    return PictureStatus::kOk;
  }
  info.out_color_space = cmyk ? JCS_CMYK : grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  const std::int32_t width = std::int32_t(info.output_width), height = std::int32_t(info.output_height);
  if (!PictureWeightAllowed(width, height, bitCount, CoefficientBytes(info), pictureInfo) ||
      !out->Create(width, height, bitCount)) {
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
  // What could be read is kept: the rows past the end are grey.
  if (info.output_scanline < info.output_height) errors.cut = true;
  if (!errors.cut) jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  if (pictureInfo && errors.cut) pictureInfo->repaired = true;
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
