// The span stage of the anti-aliased fill: the coverage-to-alpha tables and
// the two span blenders that write a rasterizer's spans into 32-bit B, G, R,
// A pixels.
//
// Per pixel, with the colour (R, G, B, A) and the coverage c (0-255, after
// the alpha table), the effective alpha is a = ((c + 1) A) >> 8, so a = 255
// only for full coverage of an opaque colour. A pixel with a = 255 is
// overwritten; any other one is blended per colour channel as
//   p' = ((C - p) a + (p << 8)) >> 8
// and in its alpha byte as p' = p - ((p a + 255) >> 8) + a. Integer
// multiplies and shifts only: these values are pinned by tests (white over
// black at coverage 127 gives 126).
//
// The blenders do not clip: the render loop hands them spans already cut to
// the renderer's clip box.
#pragma once

#include <cstdint>

namespace kvn {

class CoverageRecorder;

struct AaColor {
  std::uint8_t r = 0, g = 0, b = 0, a = 0;
};

// The pixels a render loop writes: rows top down, `stride` bytes apart, and
// the clip box, inclusive, in whole pixels.
struct SpanRenderer {
  std::uint8_t* bits = nullptr;
  std::int32_t stride = 0;
  std::int32_t x1 = 0, y1 = 0, x2 = -1, y2 = -1;
  AaColor color;

  std::uint8_t* PixelAt(std::int32_t x, std::int32_t y) const {
    return bits + std::ptrdiff_t(y) * stride + std::ptrdiff_t(x) * 4;
  }
};

// 256 alphas by coverage for anti-alias mode 1 (identity), 2 (hard edges: 0
// below coverage 127, 255 from 127 on) and 3 (identity); null for mode 0
// (no anti-aliasing) and modes above 3.
const std::uint8_t* GetAlphaTable(std::uint32_t mode);

// `length` pixels from (x, y) with one coverage. Without a recorder a fully
// covering run is written as equal words. With one, fully covered pixels are
// written and marked, all others are only listed as partial pixels.
void BlendSolidSpan(const SpanRenderer& renderer, std::int32_t x, std::int32_t y, std::uint32_t length,
                    const AaColor& color, std::uint8_t coverage, CoverageRecorder* recorder);
// `length` pixels from (x, y), one coverage each. With a recorder, partial
// pixels are listed only for alphas 1 to 254.
void BlendCoverSpan(const SpanRenderer& renderer, std::int32_t x, std::int32_t y, std::uint32_t length,
                    const AaColor& color, const std::uint8_t* covers, CoverageRecorder* recorder);

}  // namespace kvn
