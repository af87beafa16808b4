#include "text/FixedGlyphLine.h"
#include "foundation/MathConstants.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kvn {

namespace {


// floor(v + 0.5) when it fits 32 bits; false otherwise and for NaN.
bool Round32(double v, std::int32_t* out) {
  const double t = std::floor(v + 0.5);
  if (!(t >= double(std::numeric_limits<std::int32_t>::min()) && t <= double(std::numeric_limits<std::int32_t>::max())))
    return false;
  *out = std::int32_t(t);
  return true;
}

bool Fits32(std::int64_t v) {
  return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
}

std::int64_t Shift18(__int128 v) { return std::int64_t(v >> 18); }

}  // namespace

bool MakeFixedLineTerms(FixedLineTerms* out, const FixedLineInput& in) {
  const double a = in.angle * kPi / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  const double fk = in.scale * in.k * 4.0;
  const double kx = in.k * in.widthFactor;
  FixedLineTerms t;
  std::int32_t sine = 0;
  if (!Round32(1024.0 * fk * c, &t.cosine) || !Round32(1024.0 * fk * s, &sine)) return false;
  t.sine = -sine;
  if (in.widthFactor != 1.0 && !Round32(1024.0 * in.widthFactor, &t.width)) return false;
  if (!Round32(1024.0 * in.ascent * fk * s, &t.ascentX) || !Round32(1024.0 * in.ascent * fk * c, &t.ascentY))
    return false;
  if (in.mirrorY) {
    t.ascentX = -t.ascentX;
    t.ascentY = -t.ascentY;
  }
  t.start = in.start;
  t.step = DPoint{kx * c * in.scale * 4.0, -kx * s * in.scale * 4.0};
  if (!std::isfinite(t.step.x) || !std::isfinite(t.step.y)) return false;
  t.mirrorX = in.mirrorX;
  t.mirrorY = in.mirrorY;
  *out = t;
  return true;
}

bool PlaceFixedGlyph(FixedGlyphPlacement* out, const FixedLineTerms& t, std::int64_t advance) {
  std::int32_t penX = 0, penY = 0;
  if (!Round32(1024.0 * (t.start.x + double(advance) * t.step.x), &penX) ||
      !Round32(1024.0 * (t.start.y + double(advance) * t.step.y), &penY))
    return false;
  const std::int64_t x = std::int64_t(penX) + t.ascentX, y = std::int64_t(penY) + t.ascentY;
  if (!Fits32(x) || !Fits32(y)) return false;
  *out = FixedGlyphPlacement{std::int32_t(x), std::int32_t(y), t.cosine, t.sine, t.width,
                             std::uint8_t(t.mirrorX), std::uint8_t(t.mirrorY)};
  return true;
}

FixedBox MapGlyphBounds(const std::int32_t bounds[4], const FixedGlyphPlacement& at) {
  FixedBox box;
  const std::int32_t xs[2] = {bounds[0], bounds[2]}, ys[2] = {bounds[1], bounds[3]};
  bool first = true;
  for (std::int32_t bx : xs) {
    for (std::int32_t by : ys) {
      __int128 x = bx, y = by;
      if (at.mirrorX) x = -x;
      if (!at.mirrorY) y = -y;
      const __int128 u = (__int128(at.width) * x) >> 10;
      const std::int64_t dx = Shift18(u * at.cosine - y * at.sine + __int128(at.originX) * 65536);
      const std::int64_t dy = Shift18(u * at.sine + y * at.cosine + __int128(at.originY) * 65536);
      if (first) {
        box = FixedBox{dx, dy, dx, dy};
        first = false;
        continue;
      }
      box.left = std::min(box.left, dx);
      box.right = std::max(box.right, dx);
      box.top = std::min(box.top, dy);
      box.bottom = std::max(box.bottom, dy);
    }
  }
  return box;
}

DeviceRect FixedGlyphClip(const DeviceRect& c) {
  auto scaled = [](std::int64_t v) {
    v *= 256;
    return std::int32_t(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
  };
  return DeviceRect{scaled(std::int64_t(c.left) - 2), scaled(std::int64_t(c.top) - 2),
                    scaled(std::int64_t(c.right) + 2), scaled(std::int64_t(c.bottom) + 2)};
}

GlyphCut ClassifyGlyphBox(const FixedBox& box, const DeviceRect& clip) {
  if (clip.right <= box.left || clip.left >= box.right || clip.bottom <= box.top || clip.top >= box.bottom)
    return GlyphCut::Outside;
  if (box.left < clip.left || box.right > clip.right || box.top < clip.top || box.bottom > clip.bottom)
    return GlyphCut::Crossing;
  return GlyphCut::Inside;
}

}  // namespace kvn
