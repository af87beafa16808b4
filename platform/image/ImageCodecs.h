// The least of the picture codecs the drawing needs: JPEG bytes decoded
// into a device-independent bitmap (pictures kept as JPEG in drawings), PNG
// bytes decoded likewise (DWG preview pictures) and a bitmap encoded as PNG
// bytes (pictures handed to printer drivers that take PNG data).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gdi/TDib.h"

namespace kvn {

// A JPEG larger than this many pixels is refused before any pixel memory is
// taken: 64 Mpixel (a 192 MiB picture) is well above what drawings carry.
inline constexpr std::uint64_t kMaxJpegPixels = 64ull * 1024 * 1024;

// Decodes JPEG bytes (grey, colour, CMYK and YCCK, baseline or progressive)
// into a 24-bit bottom-up picture. False, with `out` empty, for data libjpeg
// refuses, sizes beyond kMaxJpegPixels, or a null or empty buffer.
bool DecodeJpegToDib(const std::uint8_t* data, std::size_t size, TDib* out);

// Decodes PNG bytes (every colour type, depth and interlace) into a 24-bit
// bottom-up picture; alpha is dropped. False, with `out` empty, for data
// libpng refuses and pictures of more than `maxPixels` pixels, which are
// refused before any pixel memory is taken.
bool DecodePngToDib(const std::uint8_t* data, std::size_t size, std::uint64_t maxPixels, TDib* out);

// Encodes an uncompressed picture as PNG: 1, 4 and 8 bits as a palette
// image of that depth, every other depth as 8-bit RGB. False for compressed
// or empty pictures and when libpng fails.
bool EncodePngToMemory(const TDib& dib, std::vector<std::uint8_t>* out);

enum class PictureContainer : std::uint8_t { kPng, kTiff };

// Encodes an uncompressed picture into the container, choosing the pixel
// format by the picture:
//   1, 4 or 8 bits, paletted      indexed at that depth, with the palette
//   any other paletted depth      refused
//   not paletted, no alpha mask   24 bits, colour from each pixel
//   not paletted, an alpha mask   32 bits, alpha from the mask's index at
//                                 the same pixel (255 where the mask has none)
// The picture's pixels per metre, when both are set, become the file's
// resolution. False (and `out` empty) for compressed or empty pictures,
// refused depths and library failures.
bool EncodeDibAsContainer(const TDib& dib, const TDib* alphaMask, PictureContainer container,
                          std::vector<std::uint8_t>* out);

}  // namespace kvn
