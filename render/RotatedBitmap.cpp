#include "render/RotatedBitmap.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/gdi/TDib.h"
#include "render/RasterSurface.h"

namespace kvn {

namespace {

// 16.16 fixed point in 64 bits. Values are clamped to +-2^47 (a picture
// of 2^31 columns): a step that large leaves the picture at once, and
// 32,767 such steps stay below 2^62.
constexpr double kFixedOne = 65536.0;
constexpr double kFixedLimit = 140737488355328.0;  // 2^47

std::int64_t ToFixed(double v) {
  if (std::isnan(v)) return std::int64_t(kFixedLimit);  // outside every picture
  const double f = std::clamp(v * kFixedOne, -kFixedLimit, kFixedLimit);
  return std::int64_t(std::llround(f));
}

// Source pixels as 0x00RRGGBB. Uncompressed 8-, 24- and 32-bit pictures
// (the usual ones) are read from their rows directly; the other depths and
// bit-field layouts through TDib::GetPixelColor.
class SourcePixels {
 public:
  explicit SourcePixels(const TDib& dib) : dib_(dib) {
    const std::uint16_t bits = dib.BitCount();
    const bool plain = dib.Compression() == kBiRgb && dib.Bits() != nullptr &&
                       std::uint64_t(dib.Stride()) * std::uint64_t(dib.Height()) <= dib.BitsSize();
    if (!plain || (bits != 8 && bits != 24 && bits != 32)) return;
    bytesPerPixel_ = bits / 8;
    if (bits == 8)
      for (std::uint32_t i = 0; i < 256; ++i) palette_[i] = dib.GetPaletteEntry(i);  // 0 beyond the palette
  }

  // (x, y) lies in the picture: the caller checks.
  std::uint32_t Rgb(std::int32_t x, std::int32_t y) const {
    if (bytesPerPixel_ == 0) {
      const COLORREF c = dib_.GetPixelColor(x, y);
      return c == TDib::kInvalidColor ? 0 : ColorrefToPixel(c) & 0xFFFFFF;
    }
    const std::int32_t row = dib_.IsTopDown() ? y : dib_.Height() - 1 - y;
    const std::uint8_t* p =
        dib_.Bits() + std::size_t(row) * dib_.Stride() + std::size_t(x) * std::size_t(bytesPerPixel_);
    if (bytesPerPixel_ == 1) return palette_[*p];
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
  }

 private:
  const TDib& dib_;
  std::int32_t bytesPerPixel_ = 0;  // 0: through GetPixelColor
  std::array<std::uint32_t, 256> palette_{};
};

// The inverse mapping, device pixel centre to source position in pixels:
// u = ux (x - x0) + uy (y - y0), v likewise.
struct InverseMapping {
  double x0, y0;
  double ux, uy, vx, vy;
};

bool MakeInverse(const RotatedBitmapCorners& c, std::int32_t width, std::int32_t height, InverseMapping* out) {
  for (const DPoint& p : {c.topLeft, c.topRight, c.bottomLeft})
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  // Device offset of one source column (ex) and one source row (ey).
  const double exX = (c.topRight.x - c.topLeft.x) / width;
  const double exY = (c.topRight.y - c.topLeft.y) / width;
  const double eyX = (c.bottomLeft.x - c.topLeft.x) / height;
  const double eyY = (c.bottomLeft.y - c.topLeft.y) / height;
  const double det = exX * eyY - exY * eyX;
  if (!std::isfinite(det) || det == 0.0) return false;
  *out = {c.topLeft.x, c.topLeft.y, eyY / det, -eyX / det, -exY / det, exX / det};
  for (double k : {out->ux, out->uy, out->vx, out->vy})
    if (!std::isfinite(k)) return false;
  return true;
}

// Narrows [lo, hi] (device x, inclusive, doubles) to the pixels of a row
// whose centre offset t = x + 0.5 - x0 keeps base + k t inside [0, limit).
// A pixel is added on each side against rounding; the walk tests every
// sample anyway. False when no pixel is left.
bool NarrowRow(double base, double k, double x0, double limit, double* lo, double* hi) {
  if (k == 0.0) return base >= 0.0 && base < limit;
  double t0 = (0.0 - base) / k;
  double t1 = (limit - base) / k;
  if (t0 > t1) std::swap(t0, t1);
  const double a = std::floor(x0 - 0.5 + t0) - 1.0;
  const double b = std::ceil(x0 - 0.5 + t1) + 1.0;
  if (!(a <= b)) return false;  // NaN too
  *lo = std::max(*lo, a);
  *hi = std::min(*hi, b);
  return *lo <= *hi;
}

}  // namespace

std::int64_t TransparentThreshold(double tolerance) {
  if (!(tolerance > 0.0)) return 0;
  // Beyond the largest distance (584,971) every colour is below the threshold.
  const double t = std::min(tolerance * tolerance * 58.497, 1e7);
  return std::int64_t(std::llround(t));
}

// The red-mean distance: with rm the mean red of the two colours,
//   (dr^2 (767 - rm) + 1024 dg^2 + db^2 (512 + rm)) / 256.
// Red takes 767 - rm as the placement rules of pictures have it; green and
// blue take the usual red-mean companions (4 for green, the complement
// 512 + rm for blue), so that the weights of red and blue always add up to
// 1279 and white to black is 2303 x 255^2 / 256 = 584,971, the distance
// behind the constant 58.497 of the threshold. Counted in halves of rm to
// stay in integers: the value returned is 512 times the distance.
std::int64_t ColorDistance512(std::uint32_t rgb1, std::uint32_t rgb2) {
  const std::int64_t r1 = (rgb1 >> 16) & 0xFF, g1 = (rgb1 >> 8) & 0xFF, b1 = rgb1 & 0xFF;
  const std::int64_t r2 = (rgb2 >> 16) & 0xFF, g2 = (rgb2 >> 8) & 0xFF, b2 = rgb2 & 0xFF;
  const std::int64_t rSum = r1 + r2;  // 2 rm
  const std::int64_t dr = r1 - r2, dg = g1 - g2, db = b1 - b2;
  return dr * dr * (1534 - rSum) + 2048 * dg * dg + db * db * (1024 + rSum);
}

void DrawRotatedBitmap(cRasterSurface& surface, const RotatedBitmapCorners& corners, const TDib& picture,
                       std::span<const std::uint8_t> mask, std::int32_t transparentColor, double tolerance) {
  const std::int32_t width = picture.Width();
  const std::int32_t height = picture.Height();
  if (picture.IsEmpty() || width <= 0 || height <= 0) return;
  if (picture.Compression() == kBiRle4 || picture.Compression() == kBiRle8) return;
  if (!mask.empty() && std::uint64_t(mask.size()) != std::uint64_t(width) * std::uint64_t(height)) return;
  const TRect clip = surface.Clip();
  if (surface.Bits() == nullptr || clip.IsEmpty()) return;

  InverseMapping m{};
  if (!MakeInverse(corners, width, height, &m)) return;

  // The bounding box of the parallelogram, limited to the clip (in doubles
  // until the limits make the values small).
  const DPoint& p0 = corners.topLeft;
  const DPoint& p1 = corners.topRight;
  const DPoint& p2 = corners.bottomLeft;
  const DPoint p3{p1.x + p2.x - p0.x, p1.y + p2.y - p0.y};
  const double minX = std::min({p0.x, p1.x, p2.x, p3.x}), maxX = std::max({p0.x, p1.x, p2.x, p3.x});
  const double minY = std::min({p0.y, p1.y, p2.y, p3.y}), maxY = std::max({p0.y, p1.y, p2.y, p3.y});
  const double boxLeft = std::max<double>(clip.left, std::floor(minX));
  const double boxRight = std::min<double>(clip.right - 1, std::ceil(maxX));
  const double boxTop = std::max<double>(clip.top, std::floor(minY));
  const double boxBottom = std::min<double>(clip.bottom - 1, std::ceil(maxY));
  if (!(boxLeft <= boxRight) || !(boxTop <= boxBottom)) return;

  const bool keyed = transparentColor >= 0;
  const std::uint32_t key = keyed ? ColorrefToPixel(COLORREF(transparentColor)) & 0xFFFFFF : 0;
  const std::int64_t threshold512 = TransparentThreshold(tolerance) * 512;
  const SourcePixels source(picture);
  const std::int64_t du = ToFixed(m.ux);
  const std::int64_t dv = ToFixed(m.vx);

  cRasterSurface::DirectWrite scope(surface);
  for (std::int32_t y = std::int32_t(boxTop), yEnd = std::int32_t(boxBottom); y <= yEnd; ++y) {
    const double ty = y + 0.5 - m.y0;
    const double uBase = m.uy * ty;
    const double vBase = m.vy * ty;
    double lo = boxLeft, hi = boxRight;
    if (!NarrowRow(uBase, m.ux, m.x0, width, &lo, &hi) || !NarrowRow(vBase, m.vx, m.x0, height, &lo, &hi)) continue;
    const std::int32_t xStart = std::int32_t(lo), xEnd = std::int32_t(hi);
    const double tx = xStart + 0.5 - m.x0;
    std::int64_t u = ToFixed(uBase + m.ux * tx);
    std::int64_t v = ToFixed(vBase + m.vx * tx);
    for (std::int32_t x = xStart; x <= xEnd; ++x, u += du, v += dv) {
      const std::int64_t col = u >> 16;  // floor: arithmetic shift
      const std::int64_t row = v >> 16;
      if (col < 0 || col >= width || row < 0 || row >= height) continue;
      const std::uint32_t rgb = source.Rgb(std::int32_t(col), std::int32_t(row));
      if (keyed) {
        const std::int64_t d = ColorDistance512(rgb, key);
        if (d == 0 || d < threshold512) continue;
      }
      const std::uint32_t coverage =
          mask.empty() ? 255 : mask[std::size_t(row) * std::size_t(width) + std::size_t(col)];
      if (coverage == 0) continue;
      if (coverage == 255)
        *surface.PixelAt(x, y) = 0xFF000000u | rgb;
      else
        surface.BlendPixelUnclipped(x, y, (coverage << 24) | rgb);
    }
  }
}

}  // namespace kvn
