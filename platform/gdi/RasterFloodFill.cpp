// RasterDC::RenderFloodArea: the pixels ExtFloodFill reaches, found on the
// buffer by spans.
//
// A span is grown left and right along its row, within the piece of the
// clip that holds it; the rows above and below are then looked over under
// it, and the first pixel of every run that qualifies there and is not yet
// taken is pushed as a new seed. The seeds wait on an explicit stack, so a
// large area costs memory for seeds, never call depth.
//
// Everything kept is measured by the area found, never by the window: the
// spans taken so far, row by row over the rows reached, and the clip read
// band by band where a span needs it. A small fill in a large window so
// costs what it covers.
//
// A span taken is a whole run of qualifying pixels between two that do not
// qualify (or the clip's edges), and the pixels do not change while the
// area is found: a run that meets a taken span lies wholly in it, so one
// look at its first pixel tells.
#include <algorithm>
#include <deque>
#include <utility>
#include <vector>

#include "platform/gdi/RasterDC.h"

namespace kvn {

namespace {

struct Run {
  std::int32_t left, right;  // right outside
};

// The spans taken, each row's sorted by left, over the rows reached.
class TakenRows {
 public:
  explicit TakenRows(std::int32_t row) : top_(row) {}

  bool Holds(std::int32_t x, std::int32_t y) const {
    if (y < top_ || y >= top_ + std::int32_t(rows_.size())) return false;
    const std::vector<Run>& row = rows_[std::size_t(y - top_)];
    auto after = std::upper_bound(row.begin(), row.end(), x, [](std::int32_t v, const Run& r) { return v < r.left; });
    return after != row.begin() && std::prev(after)->right > x;
  }

  void Add(std::int32_t y, Run run) {
    if (rows_.empty()) top_ = y;
    while (y < top_) {
      rows_.emplace_front();
      --top_;
    }
    while (y >= top_ + std::int32_t(rows_.size())) rows_.emplace_back();
    std::vector<Run>& row = rows_[std::size_t(y - top_)];
    auto at = std::upper_bound(row.begin(), row.end(), run.left,
                               [](std::int32_t v, const Run& r) { return v < r.left; });
    row.insert(at, run);
  }

 private:
  std::int32_t top_;
  std::deque<std::vector<Run>> rows_;
};

// The pieces of one row that may be drawn: the clip's band there cut to the
// box, or the box's row when there is no clip.
class RowPieces {
 public:
  RowPieces(const TRegion* clip, const TRect& box) : clip_(clip), box_(box) {}

  // The pieces of row y, in order, into `out`.
  void Of(std::int32_t y, std::vector<Run>* out) const {
    out->clear();
    if (y < box_.top || y >= box_.bottom) return;
    if (clip_ == nullptr) {
      out->push_back(Run{box_.left, box_.right});
      return;
    }
    const TRect* first = clip_->Rects();
    const TRect* last = first + clip_->RectCount();
    // Bottoms never decrease from band to band.
    const TRect* r = std::upper_bound(first, last, y, [](std::int32_t v, const TRect& t) { return v < t.bottom; });
    if (r == last || r->top > y) return;
    for (const std::int32_t top = r->top; r != last && r->top == top; ++r) {
      const std::int32_t left = std::max(r->left, box_.left), right = std::min(r->right, box_.right);
      if (left < right) out->push_back(Run{left, right});
    }
  }

 private:
  const TRegion* clip_;
  TRect box_;
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
  const RowPieces pieces(state.hasClip ? &state.clip : nullptr, box);
  // RGB only: the fourth byte is cairo's alpha, no part of the colour.
  const bool surface = mode == kFloodFillSurface;
  auto fits = [&](std::int32_t px, std::int32_t py) {
    const std::uint8_t* p = PixelAt(px, py);
    return (Rgb(p[2], p[1], p[0]) == color) == surface;
  };
  std::vector<Run> row;
  auto pieceHolding = [&](std::int32_t px, std::int32_t py, Run* piece) {
    pieces.Of(py, &row);
    for (const Run& r : row)
      if (r.left <= px && px < r.right) {
        *piece = r;
        return true;
      }
    return false;
  };
  Run piece{};
  if (!pieceHolding(x, y, &piece) || !fits(x, y)) return false;

  TakenRows taken(y);
  std::vector<TRect> spans;
  std::vector<std::pair<std::int32_t, std::int32_t>> seeds{{x, y}};
  while (!seeds.empty()) {
    const auto [sx, sy] = seeds.back();
    seeds.pop_back();
    if (taken.Holds(sx, sy)) continue;  // taken by another span since it was pushed
    if (!pieceHolding(sx, sy, &piece)) continue;
    std::int32_t left = sx, right = sx + 1;
    while (left > piece.left && fits(left - 1, sy)) --left;
    while (right < piece.right && fits(right, sy)) ++right;
    taken.Add(sy, Run{left, right});
    spans.push_back(TRect{left, sy, right, sy + 1});
    for (const std::int32_t ny : {sy - 1, sy + 1}) {
      pieces.Of(ny, &row);
      for (const Run& r : row) {
        const std::int32_t from = std::max(r.left, left), to = std::min(r.right, right);
        bool inRun = false;
        for (std::int32_t cx = from; cx < to; ++cx) {
          const bool f = fits(cx, ny);
          if (f && !inRun && !taken.Holds(cx, ny)) seeds.emplace_back(cx, ny);
          inRun = f;
        }
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
