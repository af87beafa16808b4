// Decoding of RLE4 and RLE8 pictures into uncompressed ones: the blits of
// the device contexts and the renderer's conversions share it.
#pragma once

#include "platform/gdi/TDib.h"

namespace kvn {

// The picture decoded into an uncompressed one of the same depth, header
// fields and palette. The usual BMP run rules: (count, value) runs, escape
// 0 then 0 end of line, 1 end of picture, 2 a (dx, dy) move, a larger n an
// absolute run of n pixels padded to an even byte count. Pixels that would
// land outside the picture are dropped; decoding stops at the end of the
// stored stream. False (and `out` empty) for pictures that are not RLE.
// A few bytes of runs can claim a picture of gigabytes: beyond 64 MiB of
// decoded pixels the picture must hold at least one byte per 1024 decoded
// bytes (runs of 255 pixels give 127, blank rows more, real pictures far
// less), else it is refused rather than allocated. `damaged`, when given,
// tells whether the runs were damaged: a run or move past the picture's
// edge, or an absolute run past the end of the stored stream.
bool DecodeRleDib(const TDib& source, TDib* out, bool* damaged = nullptr);
inline constexpr std::uint64_t kMaxRleDecodedBytes = 64ull << 20;
inline constexpr std::uint64_t kMaxRleExpansion = 1024;

}  // namespace kvn
