#include "render/AntiAliasedRect.h"

#include <algorithm>

namespace kvn {

namespace {

bool g_shortcut = true;

// The overlap of [lo, hi) with pixel i's span [256 i, 256 i + 256).
std::int64_t Overlap(std::int64_t lo, std::int64_t hi, std::int64_t i) {
  const std::int64_t a = std::max(lo, i * 256), b = std::min(hi, i * 256 + 256);
  return b > a ? b - a : 0;
}

}  // namespace

void SetAxisRectangleShortcut(bool on) { g_shortcut = on; }
bool AxisRectangleShortcut() { return g_shortcut; }

bool FindAxisRectangle(const SegmentArray& piece, AaRectangle* out) {
  const std::uint32_t n = piece.Count();
  if (n < 3 || n > 8) return false;
  const DeviceSegment* s = piece.Items();
  std::int32_t px[9] = {}, py[9] = {};
  int m = 0;
  auto add = [&](std::int32_t x, std::int32_t y) {
    if (m > 0 && px[m - 1] == x && py[m - 1] == y) return;
    px[m] = x;
    py[m] = y;
    ++m;
  };
  // The rasterizer is fed the first start, then every end: starts of later
  // segments play no part.
  add(s[0].v[0], s[0].v[1]);
  for (std::uint32_t i = 0; i < n; ++i) {
    if (!s[i].IsStraight()) return false;
    add(s[i].v[6], s[i].v[7]);
  }
  if (m > 1 && px[m - 1] == px[0] && py[m - 1] == py[0]) --m;
  if (m != 4) return false;
  // Edges alternate between horizontal and vertical, starting with either.
  const bool firstHorizontal = py[1] == py[0];
  for (int i = 0; i < 4; ++i) {
    const int j = (i + 1) % 4;
    const bool horizontal = (i % 2 == 0) == firstHorizontal;
    if (horizontal ? (py[i] != py[j] || px[i] == px[j]) : (px[i] != px[j] || py[i] == py[j])) return false;
  }
  AaRectangle r;
  r.x0 = std::min(px[0], px[2]);
  r.x1 = std::max(px[0], px[2]);
  r.y0 = std::min(py[0], py[2]);
  r.y1 = std::max(py[0], py[2]);
  // The vertical edge at the left: from corner i to corner i + 1.
  for (int i = 0; i < 4; ++i) {
    const int j = (i + 1) % 4;
    if (px[i] == px[j] && px[i] == r.x0) r.sign = py[j] > py[i] ? 1 : -1;
  }
  *out = r;
  return true;
}

void RenderAxisRectangle(const AaRectangle& rect, const TRect& box, const AaRasterizer& rasterizer,
                         const SpanRenderer& renderer) {
  // Rasterizer coordinates: half a pixel added, then the clip box, which the
  // rasterizer's clipper applies by moving outside edges onto it.
  const std::int64_t x0 = std::max<std::int64_t>(rect.x0 + 128, std::int64_t(box.left) * 256);
  const std::int64_t x1 = std::min<std::int64_t>(rect.x1 + 128, std::int64_t(box.right) * 256);
  const std::int64_t y0 = std::max<std::int64_t>(rect.y0 + 128, std::int64_t(box.top) * 256);
  const std::int64_t y1 = std::min<std::int64_t>(rect.y1 + 128, std::int64_t(box.bottom) * 256);
  if (x0 >= x1 || y0 >= y1) return;
  // Coordinates are non-negative here only when the box is; floor division
  // by shifting keeps negative ones right.
  const std::int64_t c0 = x0 >> 8, c1 = (x1 - 1) >> 8, r0 = y0 >> 8, r1 = (y1 - 1) >> 8;
  auto alpha = [&](std::int64_t wx, std::int64_t wy) {
    // calculate_alpha of the value 2 wx wy with the left edge's sign.
    int cover = int((rect.sign * 2 * wx * wy) >> 9);
    if (cover < 0) cover = -cover;
    cover &= 511;
    if (cover > 256) cover = 512 - cover;
    if (cover > 255) cover = 255;
    return std::uint8_t(rasterizer.apply_gamma(unsigned(cover)));
  };
  // Only the first and last columns can be partial.
  const std::int64_t wFirst = Overlap(x0, x1, c0), wLast = Overlap(x0, x1, c1);
  std::uint8_t covers[2];
  for (std::int64_t r = r0; r <= r1; ++r) {
    if (r < renderer.y1 || r > renderer.y2) continue;
    const std::int64_t wy = Overlap(y0, y1, r);
    const std::int32_t y = std::int32_t(r);
    auto put = [&](std::int64_t c, std::uint8_t cover) {
      if (cover == 0 || c < renderer.x1 || c > renderer.x2) return;
      covers[0] = cover;
      BlendCoverSpan(renderer, std::int32_t(c), y, 1, renderer.color, covers, nullptr);
    };
    put(c0, alpha(wFirst, wy));
    if (c1 == c0) continue;
    const std::uint8_t inner = alpha(256, wy);
    const std::int64_t a = std::max<std::int64_t>(c0 + 1, renderer.x1), b = std::min<std::int64_t>(c1 - 1, renderer.x2);
    if (inner != 0 && a <= b) BlendSolidSpan(renderer, std::int32_t(a), y, std::uint32_t(b - a + 1), renderer.color, inner, nullptr);
    put(c1, alpha(wLast, wy));
  }
}

}  // namespace kvn
