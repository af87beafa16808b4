// A picture weighed from its header before any pixel memory is taken: the
// bytes its decoding holds at the peak, and whether the file's coded data
// could hold the pixels the header claims at all.
//
// The weight is the bitmap the picture becomes (rows padded to 4 bytes),
// plus the larger of what the decoder holds beside it for a while (16-bit
// rows before they are reduced, libtiff's RGBA raster, libjpeg's
// coefficients of a progressive picture) and the 8-bit alpha mask that a
// 32-bit picture keeps beside it once it is placed. It is held against the
// counting allocator's threshold (kLowMemoryThreshold) and TDib's limit.
//
// The data bound takes, for each coding, the most pixels one byte of coded
// data can ever give; a header claiming more than the whole file could give
// is damaged (a few hundred bytes claiming gigabytes). Every bound errs on
// the generous side so that an honest picture is never refused:
//   stored      every pixel's bits are in the file
//   deflate     at most 1,032 bytes out per byte in (a 258-byte match coded
//               in two one-bit codes), plus 4 KiB for the stream's ends
//   LZW         a code of 2 bits at least (GIF's least code size is 1),
//               standing for at most 4,096 pixels (the table's size)
//   TIFF LZW    codes of 9 bits at least, each at most 4,096 bytes
//   PackBits    at most 128 bytes out of 2
//   BMP runs    a row needs a line end (2 bytes) or a share of a 4-byte
//               jump over at most 255 rows; a line end may cut a row short,
//               so only the rows are bounded, and a picture whose runs stop
//               (end of bitmap) before they could reach its last rows is
//               taken as damaged
//   JPEG        a Huffman-coded picture spends at least a bit on each 8x8
//               block of its largest component
//   fax         at least a bit per row
// Codings without a useful bound (arithmetic JPEG, LZMA, Zstandard, JBIG)
// are weighed by size alone.
#pragma once

#include <cstdint>

namespace kvn {

struct PictureInfo;

enum class PixelCoding : std::uint8_t {
  kStored,
  kDeflate,
  kGifLzw,
  kTiffLzw,
  kPackBits,
  kBmpRuns,
  kJpegHuffman,
  kFax,
  kUnbounded,
};

// Whether `dataBytes` of that coding could hold `width` x `height` pixels
// of `bitsPerPixel` bits as stored (for JPEG: `blocks`, the 8x8 blocks of
// its largest component, is what counts; for the others it is unused).
bool CodedDataCouldHold(PixelCoding coding, std::uint64_t dataBytes, std::uint64_t width, std::uint64_t height,
                        std::uint32_t bitsPerPixel, std::uint64_t blocks = 0);

// Bytes of an uncompressed bitmap, rows padded to 4 bytes; 0 for a size
// that cannot be one (not positive, beyond 2^31 - 1, or 0 or more than 32
// bits per pixel).
std::uint64_t DibImageBytes(std::int64_t width, std::int64_t height, std::uint32_t bitCount);

// Whether a picture becoming a bitmap of `bitCount` bits, with `besideBytes`
// held by the decoder beside it for a while, may be decoded: its bitmap
// within TDib's limit and its weight (bitmap, plus the larger of
// `besideBytes` and the alpha mask of a 32-bit picture) within the memory
// threshold. `told`, when given, learns the weight in `pixelBytes` and the
// bitmap's `bitCount`.
bool PictureWeightAllowed(std::int64_t width, std::int64_t height, std::uint32_t bitCount, std::uint64_t besideBytes,
                          PictureInfo* told = nullptr);

}  // namespace kvn
