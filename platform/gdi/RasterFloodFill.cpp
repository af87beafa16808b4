// RasterDC::RenderFloodArea: the pixels ExtFloodFill reaches, found on the
// buffer by spans.
//
// A span is grown left and right along its row; the rows above and below
// are then looked over under it, and the first pixel of every run that
// qualifies there is pushed as a new seed. The seeds wait on an explicit
// stack, so a large area costs memory for seeds, never call depth. One bit
// a pixel over the visible box (a thirty-second of the buffer at most)
// marks what is taken or outside the clip.
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/gdi/RasterDC.h"

namespace kvn {

namespace {

// Pixels of a box that may no longer join the area.
class PixelBits {
 public:
  explicit PixelBits(const TRect& box)
      : box_(box), width_(std::size_t(box.right - box.left)),
        bits_((width_ * std::size_t(box.bottom - box.top) + 63) / 64, 0) {}

  bool Test(std::int32_t x, std::int32_t y) const {
    const std::size_t i = Index(x, y);
    return (bits_[i / 64] >> (i % 64)) & 1;
  }
  void Set(std::int32_t x, std::int32_t y) {
    const std::size_t i = Index(x, y);
    bits_[i / 64] |= std::uint64_t(1) << (i % 64);
  }
  void Clear(std::int32_t x, std::int32_t y) {
    const std::size_t i = Index(x, y);
    bits_[i / 64] &= ~(std::uint64_t(1) << (i % 64));
  }
  void SetAll() { std::fill(bits_.begin(), bits_.end(), ~std::uint64_t(0)); }

 private:
  std::size_t Index(std::int32_t x, std::int32_t y) const {
    return std::size_t(y - box_.top) * width_ + std::size_t(x - box_.left);
  }
  TRect box_;
  std::size_t width_;
  std::vector<std::uint64_t> bits_;
};

}  // namespace

bool RasterDC::RenderFloodArea(std::int32_t x, std::int32_t y, COLORREF color, unsigned mode, TRegion* area) {
  if (!floodFills_) return false;
  const DcState& state = State();
  TRect box{0, 0, Width(), Height()};
  if (state.hasClip) {
    const TRect clip = state.clip.GetBox();
    box = TRect{std::max(box.left, clip.left), std::max(box.top, clip.top), std::min(box.right, clip.right),
                std::min(box.bottom, clip.bottom)};
  }
  if (x < box.left || x >= box.right || y < box.top || y >= box.bottom) return false;
  FlushCairo();
  PixelBits taken(box);
  if (state.hasClip) {
    taken.SetAll();
    for (std::uint32_t i = 0; i < state.clip.RectCount(); ++i) {
      const TRect& r = state.clip.Rects()[i];
      for (std::int32_t cy = std::max(r.top, box.top); cy < std::min(r.bottom, box.bottom); ++cy)
        for (std::int32_t cx = std::max(r.left, box.left); cx < std::min(r.right, box.right); ++cx) taken.Clear(cx, cy);
    }
  }
  // RGB only: the fourth byte is cairo's alpha, no part of the colour.
  const bool surface = mode == kFloodFillSurface;
  auto open = [&](std::int32_t px, std::int32_t py) {
    if (taken.Test(px, py)) return false;
    const std::uint8_t* p = PixelAt(px, py);
    return (Rgb(p[2], p[1], p[0]) == color) == surface;
  };
  if (!open(x, y)) return false;

  std::vector<TRect> spans;
  std::vector<std::pair<std::int32_t, std::int32_t>> seeds{{x, y}};
  while (!seeds.empty()) {
    const auto [sx, sy] = seeds.back();
    seeds.pop_back();
    if (!open(sx, sy)) continue;  // taken by another span since it was pushed
    std::int32_t left = sx, right = sx + 1;
    while (left > box.left && open(left - 1, sy)) --left;
    while (right < box.right && open(right, sy)) ++right;
    for (std::int32_t cx = left; cx < right; ++cx) taken.Set(cx, sy);
    spans.push_back(TRect{left, sy, right, sy + 1});
    for (const std::int32_t ny : {sy - 1, sy + 1}) {
      if (ny < box.top || ny >= box.bottom) continue;
      bool inRun = false;
      for (std::int32_t cx = left; cx < right; ++cx) {
        const bool o = open(cx, ny);
        if (o && !inRun) seeds.emplace_back(cx, ny);
        inRun = o;
      }
    }
  }
  // Row by row, so that the union meets its bands in order.
  std::sort(spans.begin(), spans.end(),
            [](const TRect& a, const TRect& b) { return a.top != b.top ? a.top < b.top : a.left < b.left; });
  *area = TRegion::FromRects(spans.data(), std::uint32_t(spans.size()));
  return true;
}

}  // namespace kvn
