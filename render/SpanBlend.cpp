#include "render/SpanBlend.h"

#include <array>

#include "render/CoverageRecorder.h"

namespace kvn {

namespace {

// One block of four tables (slot 0 unused), built at compile time.
constexpr std::array<std::uint8_t, 1024> MakeAlphaTables() {
  std::array<std::uint8_t, 1024> t{};
  for (int c = 0; c < 256; ++c) {
    t[256 + c] = std::uint8_t(c);             // 255 c / 255
    t[512 + c] = c < 127 ? 0 : 255;           // hard edges
    t[768 + c] = std::uint8_t(c);             // c 255 / 255
  }
  return t;
}
constexpr std::array<std::uint8_t, 1024> kAlphaTables = MakeAlphaTables();

constexpr std::uint32_t EffectiveAlpha(std::uint32_t coverage, std::uint32_t colorAlpha) {
  return ((coverage + 1) * colorAlpha) >> 8;
}

inline void BlendPixel(std::uint8_t* p, const AaColor& c, std::uint32_t a) {
  const int ia = int(a);
  p[0] = std::uint8_t(((int(c.b) - int(p[0])) * ia + (int(p[0]) << 8)) >> 8);
  p[1] = std::uint8_t(((int(c.g) - int(p[1])) * ia + (int(p[1]) << 8)) >> 8);
  p[2] = std::uint8_t(((int(c.r) - int(p[2])) * ia + (int(p[2]) << 8)) >> 8);
  p[3] = std::uint8_t(std::uint32_t(p[3]) - ((std::uint32_t(p[3]) * a + 255) >> 8) + a);
}

inline void SetPixel(std::uint8_t* p, const AaColor& c, std::uint8_t alpha) {
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
  p[3] = alpha;
}

}  // namespace

const std::uint8_t* GetAlphaTable(std::uint32_t mode) {
  if (mode == 0 || mode > 3) return nullptr;
  return kAlphaTables.data() + 256 * mode;
}

void BlendSolidSpan(const SpanRenderer& renderer, std::int32_t x, std::int32_t y, std::uint32_t length,
                    const AaColor& color, std::uint8_t coverage, CoverageRecorder* recorder) {
  if (color.a == 0 || length == 0) return;
  const std::uint32_t a = EffectiveAlpha(coverage, color.a);
  std::uint8_t* p = renderer.PixelAt(x, y);
  if (recorder) {
    for (std::uint32_t i = 0; i < length; ++i, p += 4) {
      const std::int32_t px = x + std::int32_t(i);
      if (a == 255) {
        SetPixel(p, color, color.a);
        recorder->Mark(std::uint32_t(px), std::uint32_t(y));
      } else {
        recorder->AddPartial(px, y, std::uint8_t(a));
      }
    }
    return;
  }
  if (a == 255) {
    const std::uint32_t word = std::uint32_t(color.b) | (std::uint32_t(color.g) << 8) |
                               (std::uint32_t(color.r) << 16) | (std::uint32_t(color.a) << 24);
    std::uint32_t* w = reinterpret_cast<std::uint32_t*>(p);
    for (std::uint32_t i = 0; i < length; ++i) w[i] = word;
    return;
  }
  for (std::uint32_t i = 0; i < length; ++i, p += 4) BlendPixel(p, color, a);
}

void BlendCoverSpan(const SpanRenderer& renderer, std::int32_t x, std::int32_t y, std::uint32_t length,
                    const AaColor& color, const std::uint8_t* covers, CoverageRecorder* recorder) {
  if (color.a == 0 || length == 0) return;
  std::uint8_t* p = renderer.PixelAt(x, y);
  for (std::uint32_t i = 0; i < length; ++i, p += 4) {
    const std::uint32_t a = EffectiveAlpha(covers[i], color.a);
    if (a == 255) {
      SetPixel(p, color, 255);
      if (recorder) recorder->Mark(std::uint32_t(x + std::int32_t(i)), std::uint32_t(y));
    } else if (recorder) {
      if (a >= 1) recorder->AddPartial(x + std::int32_t(i), y, std::uint8_t(a));
    } else {
      BlendPixel(p, color, a);
    }
  }
}

}  // namespace kvn
