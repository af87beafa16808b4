// GRADIENTFILL: rectangles shaded across or down, and triangles shaded
// between their corners' colours.
//
// A rectangle becomes a one-row (or one-column) pixel block of its colour
// ramp stretched over it; a triangle a block over its box with the colours
// interpolated at each pixel and the outside transparent, blended in. The
// blocks are made at the size the triangle has on the device, at most
// kMaxSide pixels a side (a larger triangle is stretched from that).
#include <uemf.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/metafile/EmfPlayDetail.h"

namespace kvn::emf_play {

namespace {

constexpr std::uint32_t kVertexSize = 16;  // x, y, then red, green, blue, alpha of 16 bits
constexpr std::uint32_t kMaxObjects = 1u << 20;
constexpr int kRampSteps = 256;
constexpr int kMaxSide = 1024;
// Pixels of triangle blocks one record may make (16 of the largest blocks);
// the triangles after them are not drawn, so that a record of a million
// triangles cannot hold playback for minutes.
constexpr std::uint64_t kMaxRecordPixels = 16ull * kMaxSide * kMaxSide;

struct Vertex {
  double x, y;
  double c[3];  // red, green, blue, 0..255
};

Vertex ReadVertex(const EmfRecord& r, std::uint32_t at) {
  auto channel = [&](std::uint32_t o) { return double(std::uint16_t(r.I16(at + o))) / 257.0; };
  return {double(r.I32(at)), double(r.I32(at + 4)), {channel(8), channel(10), channel(12)}};
}

std::uint32_t Pixel(const double c[3], std::uint32_t alpha = 0xFF) {
  auto b = [](double v) { return std::uint32_t(std::clamp(std::lround(v), 0L, 255L)); };
  return alpha << 24 | b(c[0]) << 16 | b(c[1]) << 8 | b(c[2]);
}

// Sizes beyond the 32-bit range of a blit are refused.
bool FitsInt(double v) {
  return v >= double(std::numeric_limits<std::int32_t>::min()) && v <= double(std::numeric_limits<std::int32_t>::max());
}

// A block side for a length on the device: 1 to kMaxSide pixels.
int BlockSide(double length) {
  return std::isfinite(length) ? int(std::clamp(std::ceil(length), 1.0, double(kMaxSide))) : kMaxSide;
}

bool FillRect(TDC& dc, const Vertex& a, const Vertex& b, bool across) {
  if (!FitsInt(b.x - a.x) || !FitsInt(b.y - a.y)) return false;
  const int x = int(a.x), y = int(a.y), cx = int(b.x - a.x), cy = int(b.y - a.y);
  if (cx == 0 || cy == 0) return true;
  std::vector<std::uint32_t> ramp(kRampSteps);
  for (int i = 0; i < kRampSteps; ++i) {
    const double f = (i + 0.5) / kRampSteps;
    const double c[3] = {a.c[0] + (b.c[0] - a.c[0]) * f, a.c[1] + (b.c[1] - a.c[1]) * f,
                         a.c[2] + (b.c[2] - a.c[2]) * f};
    ramp[std::size_t(i)] = Pixel(c);
  }
  PixelView view;
  view.bits = reinterpret_cast<const std::uint8_t*>(ramp.data());
  view.width = across ? kRampSteps : 1;
  view.height = across ? 1 : kRampSteps;
  view.stride = view.width * 4;
  // A negative extent mirrors the ramp: the first corner keeps its colour.
  return dc.StretchBlt(x, y, cx, cy, view, 0, 0, view.width, view.height, kSrcCopy);
}

bool FillTriangle(TDC& dc, const Vertex& a, const Vertex& b, const Vertex& c, std::uint64_t* budget) {
  const double x0 = std::floor(std::min({a.x, b.x, c.x})), y0 = std::floor(std::min({a.y, b.y, c.y}));
  const double x1 = std::ceil(std::max({a.x, b.x, c.x})), y1 = std::ceil(std::max({a.y, b.y, c.y}));
  const double area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
  if (area == 0 || x1 <= x0 || y1 <= y0) return true;
  if (!FitsInt(x1 - x0) || !FitsInt(y1 - y0)) return false;
  // The block's size: the box's size on the device, within the limits.
  const XForm toDevice = dc.GetLogicalToDevice();
  const DPoint ex = toDevice.ApplyVector({x1 - x0, 0}), ey = toDevice.ApplyVector({0, y1 - y0});
  const int w = BlockSide(std::hypot(ex.x, ex.y)), h = BlockSide(std::hypot(ey.x, ey.y));
  const std::uint64_t pixels = std::uint64_t(w) * std::uint64_t(h);
  if (pixels > *budget) return false;
  *budget -= pixels;
  std::vector<std::uint32_t> block(std::size_t(w) * std::size_t(h));
  // A pixel whose centre lies within half a pixel of the triangle is drawn,
  // so that triangles sharing an edge leave no seam.
  const double slack = 0.5 * std::max((x1 - x0) / w, (y1 - y0) / h);
  const double ab = std::hypot(b.x - a.x, b.y - a.y), bc = std::hypot(c.x - b.x, c.y - b.y),
               ca = std::hypot(a.x - c.x, a.y - c.y);
  for (int v = 0; v < h; ++v) {
    const double py = y0 + (v + 0.5) * (y1 - y0) / h;
    for (int u = 0; u < w; ++u) {
      const double px = x0 + (u + 0.5) * (x1 - x0) / w;
      // Barycentric weights of a, b and c.
      const double wa = ((b.x - px) * (c.y - py) - (c.x - px) * (b.y - py)) / area;
      const double wb = ((c.x - px) * (a.y - py) - (a.x - px) * (c.y - py)) / area;
      const double wc = 1 - wa - wb;
      // Distances to the edges opposite each corner, signed inside.
      const bool inside = wa * std::fabs(area) / std::max(bc, 1e-9) >= -slack &&
                          wb * std::fabs(area) / std::max(ca, 1e-9) >= -slack &&
                          wc * std::fabs(area) / std::max(ab, 1e-9) >= -slack;
      if (!inside) continue;
      const double col[3] = {wa * a.c[0] + wb * b.c[0] + wc * c.c[0], wa * a.c[1] + wb * b.c[1] + wc * c.c[1],
                             wa * a.c[2] + wb * b.c[2] + wc * c.c[2]};
      block[std::size_t(v) * std::size_t(w) + std::size_t(u)] = Pixel(col);
    }
  }
  PixelView view;
  view.bits = reinterpret_cast<const std::uint8_t*>(block.data());
  view.width = w;
  view.height = h;
  view.stride = w * 4;
  BlendFunction blend;
  blend.blendOp = kAcSrcOver;
  blend.sourceConstantAlpha = 255;
  blend.alphaFormat = kAcSrcAlpha;
  return dc.AlphaBlend(int(x0), int(y0), int(x1 - x0), int(y1 - y0), view, 0, 0, w, h, blend);
}

}  // namespace

bool PlayGradientFill(TDC& dc, const EmfRecord& r) {
  const std::uint32_t vertices = r.U32(24), objects = r.U32(28), mode = r.U32(32);
  if (vertices == 0 || objects > kMaxObjects || !r.Holds(36, vertices, kVertexSize)) return false;
  const std::uint32_t at = 36 + vertices * kVertexSize;
  const bool triangles = mode == U_GRADIENT_FILL_TRIANGLE;
  if (!triangles && mode != U_GRADIENT_FILL_RECT_H && mode != U_GRADIENT_FILL_RECT_V) return false;
  const std::uint32_t unit = triangles ? 12 : 8;
  if (!r.Holds(at, objects, unit)) return false;
  auto vertex = [&](std::uint32_t index, Vertex* out) {
    if (index >= vertices) return false;
    *out = ReadVertex(r, 36 + index * kVertexSize);
    return true;
  };
  bool ok = true;
  std::uint64_t budget = kMaxRecordPixels;
  for (std::uint32_t i = 0; i < objects && budget > 0; ++i) {
    const std::uint32_t o = at + i * unit;
    Vertex a, b, c;
    if (!vertex(r.U32(o), &a) || !vertex(r.U32(o + 4), &b) || (triangles && !vertex(r.U32(o + 8), &c))) {
      ok = false;
      continue;
    }
    ok = (triangles ? FillTriangle(dc, a, b, c, &budget) : FillRect(dc, a, b, mode == U_GRADIENT_FILL_RECT_H)) && ok;
  }
  return ok;
}

}  // namespace kvn::emf_play
