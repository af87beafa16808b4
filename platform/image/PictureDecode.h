// Raster pictures decoded straight into a device-independent bitmap: BMP
// (TDib's own reader), PNG (libpng), JPEG (libjpeg-turbo), TIFF (libtiff)
// and GIF (giflib), told apart by their signatures.
//
// What a picture becomes: paletted pictures stay paletted at 1, 4 or 8 bits
// (2-bit ones at 8), grey as an 8-bit grey palette, colour as 24 bits
// (B, G, R), colour with alpha as 32 bits (B, G, R, A); 16-bit channels are
// reduced to 8 with rounding. Only the first page or frame is read. The
// file's resolution, when it states one, goes into the pixels-per-metre
// fields. Rows are stored bottom-up.
//
// Every decoder learns the picture's size from its header and weighs it
// (PictureWeight.h) before any pixel memory is taken: a picture whose
// bitmap would exceed TDib's limit (kMaxDibImageBytes), or whose weight
// would pass the memory threshold of the counting allocator
// (kLowMemoryThreshold), is refused as too large; one whose file could not
// hold the pixels its header claims, as damaged. A picture whose data end
// early (JPEG, TIFF, GIF) keeps what was decoded and is marked repaired.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gdi/TDib.h"

namespace kvn {

enum class PictureFormat : std::uint8_t { kUnknown, kBmp, kPng, kJpeg, kTiff, kGif };

// "BMP", "PNG", "JPEG", "TIFF", "GIF" or "unknown".
const char* PictureFormatName(PictureFormat format);

// By the first bytes alone.
PictureFormat SniffPictureFormat(const std::uint8_t* data, std::size_t size);

enum class PictureStatus : std::uint8_t {
  kOk,
  kUnknownFormat,  // no signature of a format read here
  kDamaged,        // the library refused the data, or it ends too early
  kTooLarge,       // the bitmap would exceed TDib's limit or the memory threshold
};

// What the file itself says, before any conversion.
struct PictureInfo {
  PictureFormat format = PictureFormat::kUnknown;
  std::int32_t width = 0;
  std::int32_t height = 0;
  // Bits per pixel as stored (channels x bits per channel, or the index
  // size of a paletted picture).
  std::uint32_t bitsPerPixel = 0;
  // Pages of a TIFF, frames of a GIF; 1 for the others.
  std::uint32_t frames = 0;
  // Damaged data passed over: the picture shows what could be read (runs of
  // an RLE bitmap past its edges, the rows before the data of a JPEG, TIFF
  // or GIF ended).
  bool repaired = false;
  // The picture was refused for its size (kTooLarge). `pixelBytes`, once
  // the header is read: the bytes the picture takes at its peak (its
  // bitmap, what the decoder holds beside it, the alpha mask of a 32-bit
  // picture), as PictureWeightAllowed counts them.
  bool tooLarge = false;
  std::uint64_t pixelBytes = 0;
  // A metafile refused for its bytes (above 20,000,000): its message is
  // the caller's to tell.
  bool metafileTooBig = false;
  // Bits a pixel of the bitmap the picture becomes (1, 4, 8, 16, 24 or 32),
  // once the header is read: what its loading converts and keeps.
  std::uint32_t bitCount = 0;
};

// Whether an uncompressed bitmap of that size, alone, fits TDib's limit and
// the memory threshold; `told`, when given, learns its bytes. Decoders
// weigh a picture with PictureWeightAllowed.
bool DibSizeAllowed(std::int64_t width, std::int64_t height, std::uint32_t bitCount, PictureInfo* told = nullptr);

// Decodes the first picture of the bytes into `out` (cleared first).
PictureStatus DecodePicture(const std::uint8_t* data, std::size_t size, TDib* out, PictureInfo* info = nullptr);
// Reads only the header (sizes, depth, frames); no pixels are decoded.
PictureStatus ProbePicture(const std::uint8_t* data, std::size_t size, PictureInfo* info);

// The decoders one by one (DecodePicture picks among them). With a null
// `out` they stop after the header.
PictureStatus DecodePngPicture(const std::uint8_t* data, std::size_t size, TDib* out, PictureInfo* info);
PictureStatus DecodeJpegPicture(const std::uint8_t* data, std::size_t size, TDib* out, PictureInfo* info);
PictureStatus DecodeTiffPicture(const std::uint8_t* data, std::size_t size, TDib* out, PictureInfo* info);
PictureStatus DecodeGifPicture(const std::uint8_t* data, std::size_t size, TDib* out, PictureInfo* info);
PictureStatus DecodeBmpPicture(const std::uint8_t* data, std::size_t size, TDib* out, PictureInfo* info);

// Pixels per metre from a resolution and its unit; 0 when unknown.
std::int32_t PixelsPerMetreFromDpi(double dotsPerInch);
std::int32_t PixelsPerMetreFromDpcm(double dotsPerCentimetre);

}  // namespace kvn
