// BandRegion's rectangle operations and the band walk behind them.
#include "render/BandRegion.h"

#include <algorithm>
#include <limits>

namespace kvn {

namespace {

void AddRect(GrowArray<TRect>& out, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  out.Append(TRect{left, top, right, bottom});
}

// ---- band routines

void IntersectOverlap(GrowArray<TRect>& out, const TRect* a, const TRect* aEnd, const TRect* b, const TRect* bEnd,
                      std::int32_t top, std::int32_t bottom) {
  while (a != aEnd && b != bEnd) {
    const std::int32_t left = std::max(a->left, b->left);
    const std::int32_t right = std::min(a->right, b->right);
    if (left < right) AddRect(out, left, top, right, bottom);
    // Advance whichever ends first (both when they end together).
    if (a->right < b->right) {
      ++a;
    } else if (b->right < a->right) {
      ++b;
    } else {
      ++a;
      ++b;
    }
  }
}

// The parts of the band of a (minuend) not covered by the band of b.
void SubtractOverlap(GrowArray<TRect>& out, const TRect* a, const TRect* aEnd, const TRect* b, const TRect* bEnd,
                     std::int32_t top, std::int32_t bottom) {
  std::int32_t left = a->left;
  auto nextMinuend = [&] {
    ++a;
    if (a != aEnd) left = a->left;
  };
  while (a != aEnd && b != bEnd) {
    if (b->right <= left) {
      ++b;  // the subtrahend lies wholly to the left
    } else if (b->left <= left) {
      left = b->right;  // it covers the minuend's left part
      if (left >= a->right)
        nextMinuend();
      else
        ++b;
    } else if (b->left < a->right) {
      AddRect(out, left, top, b->left, bottom);  // the part before the subtrahend stays
      left = b->right;
      if (left >= a->right)
        nextMinuend();
      else
        ++b;
    } else {
      if (a->right > left) AddRect(out, left, top, a->right, bottom);
      nextMinuend();
    }
  }
  while (a != aEnd) {
    AddRect(out, left, top, a->right, bottom);
    nextMinuend();
  }
}

void CopyNonOverlap(GrowArray<TRect>& out, const TRect* r, const TRect* rEnd, std::int32_t top,
                    std::int32_t bottom) {
  for (; r != rEnd; ++r) AddRect(out, r->left, top, r->right, bottom);
}

// The end of the band that starts at r.
const TRect* BandEnd(const TRect* r, const TRect* end) {
  const TRect* e = r;
  while (e != end && e->top == r->top) ++e;
  return e;
}

// Merges the band at [curStart, count) into the band at [prevStart,
// curStart) when they touch and have the same spans. Answers the start of
// the last band.
std::uint32_t Coalesce(GrowArray<TRect>& rects, std::uint32_t prevStart, std::uint32_t curStart) {
  const std::uint32_t count = rects.Count();
  const std::uint32_t prevCount = curStart - prevStart;
  const std::uint32_t curCount = count - curStart;
  if (prevCount == 0 || prevCount != curCount) return curStart;
  TRect* prev = rects.Items() + prevStart;
  TRect* cur = rects.Items() + curStart;
  if (prev[0].bottom != cur[0].top) return curStart;
  for (std::uint32_t i = 0; i < curCount; ++i)
    if (prev[i].left != cur[i].left || prev[i].right != cur[i].right) return curStart;
  for (std::uint32_t i = 0; i < curCount; ++i) prev[i].bottom = cur[i].bottom;
  rects.SetCount(curStart);
  return prevStart;
}

}  // namespace

BandRegion::BandRegion() = default;
BandRegion::~BandRegion() = default;

void BandRegion::Free() {
  scanLineBlocks_.clear();
  scanLineBlocks_.shrink_to_fit();
  edges_.clear();
  edges_.shrink_to_fit();
  spans_ = GrowArray<TPoint>(64);
  rects_ = GrowArray<TRect>(16);
  extents_ = TRect{};
  cursor_ = Cursor{};
  chained_.reset();
}

void BandRegion::Clear() {
  rects_.Clear();
  extents_ = TRect{};
}

void BandRegion::SetRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  Clear();
  const TRect r = TRect{x1, y1, x2, y2}.Normalized();
  if (r.left == r.right || r.top == r.bottom) return;
  rects_.Append(r);
  extents_ = r;
}

void BandRegion::IntersectRect(const TRect& rect) {
  BandRegion box;
  box.SetRectFrom(rect);
  RegionOp(this, *this, box, IntersectOverlap, nullptr, nullptr);
}

void BandRegion::Subtract(const BandRegion& other) {
  RegionOp(this, *this, other, SubtractOverlap, CopyNonOverlap, nullptr);
}

bool BandRegion::Offset(std::int32_t dx, std::int32_t dy) {
  if (rects_.Empty()) return true;
  auto fits = [](std::int64_t v) {
    return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
  };
  // The extents bound every rectangle.
  if (!fits(std::int64_t(extents_.left) + dx) || !fits(std::int64_t(extents_.right) + dx) ||
      !fits(std::int64_t(extents_.top) + dy) || !fits(std::int64_t(extents_.bottom) + dy))
    return false;
  for (TRect& r : rects_) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
  }
  extents_.left += dx;
  extents_.right += dx;
  extents_.top += dy;
  extents_.bottom += dy;
  return true;
}

void BandRegion::Assign(const TRect* rects, std::uint32_t count) {
  if (rects == rects_.Items()) return;
  rects_.Clear();
  if (rects && count > 0) rects_.Append(rects, count);
  SetRegionExtents(this);
}

BandRegion::Cursor BandRegion::Rewind() {
  cursor_ = Cursor{rects_.Items(), rects_.Count()};
  return cursor_;
}

void SetRegionExtents(BandRegion* region) {
  const GrowArray<TRect>& rects = region->rects_;
  if (rects.Empty()) {
    region->extents_ = TRect{};
    return;
  }
  TRect e{rects[0].left, rects[0].top, rects[0].right, rects[rects.Count() - 1].bottom};
  for (const TRect& r : rects) {
    e.left = std::min(e.left, r.left);
    e.right = std::max(e.right, r.right);
  }
  region->extents_ = e;
}

void RegionOp(BandRegion* out, const BandRegion& a, const BandRegion& b, RegionOverlapFn overlap,
              RegionNonOverlapFn nonOverlapA, RegionNonOverlapFn nonOverlapB) {
  GrowArray<TRect> result(std::max<std::uint32_t>(16, 2 * std::max(a.RectCount(), b.RectCount())));
  const TRect* r1 = a.Rects();
  const TRect* r1End = r1 + a.RectCount();
  const TRect* r2 = b.Rects();
  const TRect* r2End = r2 + b.RectCount();
  std::uint32_t prevBand = 0;
  // The bottom of the last band produced: later bands start no higher.
  std::int32_t ybot = 0;
  if (r1 != r1End && r2 != r2End) ybot = std::min(r1->top, r2->top);
  else if (r1 != r1End) ybot = r1->top;
  else if (r2 != r2End) ybot = r2->top;

  while (r1 != r1End && r2 != r2End) {
    const TRect* r1BandEnd = BandEnd(r1, r1End);
    const TRect* r2BandEnd = BandEnd(r2, r2End);
    std::uint32_t curBand = result.Count();
    std::int32_t ytop;
    // The part of the higher band above the other one.
    if (r1->top < r2->top) {
      const std::int32_t top = std::max(r1->top, ybot), bot = std::min(r1->bottom, r2->top);
      if (top != bot && nonOverlapA) nonOverlapA(result, r1, r1BandEnd, top, bot);
      ytop = r2->top;
    } else if (r2->top < r1->top) {
      const std::int32_t top = std::max(r2->top, ybot), bot = std::min(r2->bottom, r1->top);
      if (top != bot && nonOverlapB) nonOverlapB(result, r2, r2BandEnd, top, bot);
      ytop = r1->top;
    } else {
      ytop = r1->top;
    }
    if (result.Count() != curBand) prevBand = Coalesce(result, prevBand, curBand);
    // The rows both bands share.
    ybot = std::min(r1->bottom, r2->bottom);
    curBand = result.Count();
    if (ybot > ytop) overlap(result, r1, r1BandEnd, r2, r2BandEnd, ytop, ybot);
    if (result.Count() != curBand) prevBand = Coalesce(result, prevBand, curBand);
    if (r1->bottom == ybot) r1 = r1BandEnd;
    if (r2->bottom == ybot) r2 = r2BandEnd;
  }
  // What remains of one of the two.
  auto rest = [&](const TRect* r, const TRect* end, RegionNonOverlapFn fn) {
    if (!fn) return;
    while (r != end) {
      const TRect* bandEnd = BandEnd(r, end);
      const std::uint32_t curBand = result.Count();
      fn(result, r, bandEnd, std::max(r->top, ybot), r->bottom);
      if (result.Count() != curBand) prevBand = Coalesce(result, prevBand, curBand);
      r = bandEnd;
    }
  };
  if (r1 != r1End)
    rest(r1, r1End, nonOverlapA);
  else
    rest(r2, r2End, nonOverlapB);

  // Into the output's own array, which keeps its memory.
  out->rects_.Clear();
  out->rects_.Append(result.Items(), result.Count());
  SetRegionExtents(out);
}

}  // namespace kvn
