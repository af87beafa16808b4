#include "platform/image/PictureDecode.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "foundation/CountingAlloc.h"
#include "foundation/GrowArray.h"
#include "foundation/InFileStream.h"
#include "platform/gdi/DibRle.h"
#include "platform/gdi/LeBytes.h"
#include "platform/image/PictureWeight.h"

namespace kvn {

const char* PictureFormatName(PictureFormat format) {
  switch (format) {
    case PictureFormat::kBmp: return "BMP";
    case PictureFormat::kPng: return "PNG";
    case PictureFormat::kJpeg: return "JPEG";
    case PictureFormat::kTiff: return "TIFF";
    case PictureFormat::kGif: return "GIF";
    case PictureFormat::kUnknown: break;
  }
  return "unknown";
}

PictureFormat SniffPictureFormat(const std::uint8_t* data, std::size_t size) {
  auto starts = [&](std::initializer_list<std::uint8_t> bytes) {
    if (data == nullptr || size < bytes.size()) return false;
    std::size_t i = 0;
    for (std::uint8_t b : bytes) {
      if (data[i++] != b) return false;
    }
    return true;
  };
  if (starts({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})) return PictureFormat::kPng;
  if (starts({0xFF, 0xD8, 0xFF})) return PictureFormat::kJpeg;
  if (starts({'G', 'I', 'F', '8'})) return PictureFormat::kGif;
  if (starts({'I', 'I', 42, 0}) || starts({'M', 'M', 0, 42})) return PictureFormat::kTiff;
  if (starts({'B', 'M'})) return PictureFormat::kBmp;
  return PictureFormat::kUnknown;
}

bool DibSizeAllowed(std::int64_t width, std::int64_t height, std::uint32_t bitCount, PictureInfo* told) {
  const std::uint64_t bytes = DibImageBytes(width, height, bitCount);
  if (bytes == 0) return false;
  if (told) told->pixelBytes = bytes;
  // A picture past the threshold would run the memory out once it is
  // drawn, if not already while it is converted.
  return bytes <= std::min<std::uint64_t>(kMaxDibImageBytes, kLowMemoryThreshold);
}

std::int32_t PixelsPerMetreFromDpi(double dotsPerInch) {
  if (!(dotsPerInch > 0) || dotsPerInch > 1e7) return 0;
  return std::int32_t(std::floor(dotsPerInch * 10000.0 / 254.0 + 0.5));
}

std::int32_t PixelsPerMetreFromDpcm(double dotsPerCentimetre) {
  if (!(dotsPerCentimetre > 0) || dotsPerCentimetre > 1e7) return 0;
  return std::int32_t(std::floor(dotsPerCentimetre * 100.0 + 0.5));
}

PictureStatus DecodeBmpPicture(const std::uint8_t* data, std::size_t size, TDib* out, PictureInfo* info) {
  if (out) out->Clear();
  if (data == nullptr || size < kBmpFileHeaderSize + 4 || size > kMaxDibImageBytes) return PictureStatus::kDamaged;
  // A compressed picture whose header leaves the compressed size 0 (TDib
  // refuses it) is read to the end of the file, as lenient readers do.
  std::vector<std::uint8_t> sized;
  constexpr std::size_t kCompression = kBmpFileHeaderSize + 16, kSizeImage = kBmpFileHeaderSize + 20;
  if (size >= kSizeImage + 4 && le::U32(data + kBmpFileHeaderSize) >= 40 && le::U32(data + kSizeImage) == 0 &&
      (le::U32(data + kCompression) == kBiRle8 || le::U32(data + kCompression) == kBiRle4) &&
      le::U32(data + 10) < size) {
    sized.assign(data, data + size);
    le::Put32(sized.data() + kSizeImage, std::uint32_t(size - le::U32(data + 10)));
    data = sized.data();
  }
  PackedDibLayout layout;
  if (!ParsePackedDibHeader(data + kBmpFileHeaderSize, size - kBmpFileHeaderSize, &layout))
    return PictureStatus::kDamaged;
  if (info) {
    info->format = PictureFormat::kBmp;
    info->width = layout.header.width;
    info->height = layout.header.height < 0 ? -layout.header.height : layout.header.height;
    info->bitsPerPixel = layout.header.bitCount;
    info->frames = 1;
  }
  // Runs are drawn from the whole bitmap they make; while their damage is
  // learnt below, the runs themselves are held beside it.
  const bool runs = layout.header.compression == kBiRle4 || layout.header.compression == kBiRle8;
  const std::int64_t rows = std::abs(std::int64_t(layout.header.height));
  if (!PictureWeightAllowed(layout.header.width, rows, layout.header.bitCount, runs ? size : 0, info))
    return PictureStatus::kTooLarge;
  if (!CodedDataCouldHold(runs ? PixelCoding::kBmpRuns : PixelCoding::kStored, size, std::uint64_t(layout.header.width),
                          std::uint64_t(rows), layout.header.bitCount))
    return PictureStatus::kDamaged;
  if (!out) return PictureStatus::kOk;
  if (le::U32(data + 10) == kBmpFileHeaderSize + layout.bitsOffset) {
    // The bits follow the palette, as nearly every writer puts them: the
    // packed DIB is taken from the bytes in hand, copied once.
    out->LoadPackedDib(data + kBmpFileHeaderSize, size - kBmpFileHeaderSize);
  } else {
    ByteArray copy;
    copy.Append(data, std::uint32_t(size));
    InFileStream stream = InFileStream::FromMemory(copy);
    *out = TDib::FromBmpStream(stream);
  }
  if (!out->HasBits()) return PictureStatus::kDamaged;
  // Runs are decoded when the picture is drawn; their damage is known now.
  if (info && (out->Compression() == kBiRle4 || out->Compression() == kBiRle8)) {
    TDib plain;
    bool damaged = false;
    DecodeRleDib(*out, &plain, &damaged);
    info->repaired = damaged || !sized.empty();
  }
  return PictureStatus::kOk;
}

namespace {

PictureStatus Decode(const std::uint8_t* data, std::size_t size, TDib* out, PictureInfo* info) {
  PictureInfo local;
  PictureInfo* i = info ? info : &local;
  *i = PictureInfo{};
  if (out) out->Clear();
  switch (SniffPictureFormat(data, size)) {
    case PictureFormat::kBmp: return DecodeBmpPicture(data, size, out, i);
    case PictureFormat::kPng: return DecodePngPicture(data, size, out, i);
    case PictureFormat::kJpeg: return DecodeJpegPicture(data, size, out, i);
    case PictureFormat::kTiff: return DecodeTiffPicture(data, size, out, i);
    case PictureFormat::kGif: return DecodeGifPicture(data, size, out, i);
    case PictureFormat::kUnknown: break;
  }
  return PictureStatus::kUnknownFormat;
}

}  // namespace

PictureStatus DecodePicture(const std::uint8_t* data, std::size_t size, TDib* out, PictureInfo* info) {
  TDib local;
  const PictureStatus status = Decode(data, size, out ? out : &local, info);
  if (status != PictureStatus::kOk && out) out->Clear();
  if (info) info->tooLarge = status == PictureStatus::kTooLarge;
  return status;
}

PictureStatus ProbePicture(const std::uint8_t* data, std::size_t size, PictureInfo* info) {
  const PictureStatus status = Decode(data, size, nullptr, info);
  if (info) info->tooLarge = status == PictureStatus::kTooLarge;
  return status;
}

}  // namespace kvn
