#include "platform/gdi/Region.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kvn {

namespace {

struct Band {
  std::int32_t top, bottom;
  std::uint32_t first, count;
};

void CollectBands(const TRect* rects, std::uint32_t count, std::vector<Band>& bands) {
  bands.clear();
  for (std::uint32_t i = 0; i < count; ++i) {
    if (bands.empty() || rects[i].top != bands.back().top)
      bands.push_back({rects[i].top, rects[i].bottom, i, 1});
    else
      ++bands.back().count;
  }
}

// Appends bands in top-to-bottom order, joining a band to the one above when
// they touch and have the same spans.
class BandBuilder {
 public:
  explicit BandBuilder(GrowArray<TRect>& out) : out_(out) {}

  // `spans` holds sorted, disjoint, non-touching [left, right) pairs.
  void Add(std::int32_t top, std::int32_t bottom, const std::vector<std::int32_t>& spans) {
    if (top >= bottom || spans.empty()) return;
    std::uint32_t n = std::uint32_t(spans.size() / 2);
    if (prevCount_ == n && prevBottom_ == top && SameSpans(spans)) {
      for (std::uint32_t k = 0; k < n; ++k) out_[prevFirst_ + k].bottom = bottom;
      prevBottom_ = bottom;
      return;
    }
    prevFirst_ = out_.Count();
    prevCount_ = n;
    prevBottom_ = bottom;
    for (std::uint32_t k = 0; k < n; ++k) out_.Add(TRect{spans[2 * k], top, spans[2 * k + 1], bottom});
  }

 private:
  bool SameSpans(const std::vector<std::int32_t>& spans) const {
    for (std::uint32_t k = 0; k < prevCount_; ++k) {
      const TRect& r = out_[prevFirst_ + k];
      if (r.left != spans[2 * k] || r.right != spans[2 * k + 1]) return false;
    }
    return true;
  }

  GrowArray<TRect>& out_;
  std::uint32_t prevFirst_ = 0;
  std::uint32_t prevCount_ = 0;
  std::int32_t prevBottom_ = 0;
};

void AppendSpan(std::vector<std::int32_t>& out, std::int32_t x0, std::int32_t x1) {
  if (x0 >= x1) return;
  if (!out.empty() && out.back() >= x0) {
    out.back() = std::max(out.back(), x1);
    return;
  }
  out.push_back(x0);
  out.push_back(x1);
}

bool Apply(int mode, bool a, bool b) {
  switch (mode) {
    case kRgnAnd:
      return a && b;
    case kRgnOr:
      return a || b;
    case kRgnXor:
      return a != b;
    default:  // kRgnDiff
      return a && !b;
  }
}

// Spans of one band pair combined by `mode`.
void MergeSpans(const TRect* ra, std::uint32_t na, const TRect* rb, std::uint32_t nb, int mode,
                std::vector<std::int32_t>& xs, std::vector<std::int32_t>& out) {
  out.clear();
  xs.clear();
  for (std::uint32_t i = 0; i < na; ++i) {
    xs.push_back(ra[i].left);
    xs.push_back(ra[i].right);
  }
  for (std::uint32_t j = 0; j < nb; ++j) {
    xs.push_back(rb[j].left);
    xs.push_back(rb[j].right);
  }
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  std::uint32_t i = 0, j = 0;
  for (std::size_t k = 0; k + 1 < xs.size(); ++k) {
    std::int32_t x0 = xs[k];
    while (i < na && ra[i].right <= x0) ++i;
    while (j < nb && rb[j].right <= x0) ++j;
    bool inA = i < na && ra[i].left <= x0;
    bool inB = j < nb && rb[j].left <= x0;
    if (Apply(mode, inA, inB)) AppendSpan(out, x0, xs[k + 1]);
  }
}

std::int32_t ClampCoord(std::int32_t v) { return std::clamp(v, -kRegionCoordLimit, kRegionCoordLimit); }

// ScanEdge of a polygon for scan conversion: active on rows [rowStart, rowEnd),
// the rows whose centre line y + 0.5 lies in [top, bottom).
struct ScanEdge {
  double x0, y0, x1, y1;
  int dir;
  std::int64_t rowStart, rowEnd;
  bool vertical;
};

// Rows times active edges: about 4 million keeps a region from a slanted
// polygon below some 64 MiB of rectangles.
constexpr std::uint64_t kScanBudget = 1u << 22;

void RowSpans(const std::vector<const ScanEdge*>& active, double yc, int fillMode,
              std::vector<std::pair<double, int>>& crossings, std::vector<std::int32_t>& out) {
  out.clear();
  crossings.clear();
  for (const ScanEdge* e : active) {
    double x = e->vertical ? e->x0 : e->x0 + (yc - e->y0) * (e->x1 - e->x0) / (e->y1 - e->y0);
    crossings.emplace_back(x, e->dir);
  }
  std::sort(crossings.begin(), crossings.end());
  int winding = 0;
  double enter = 0;
  for (const auto& [x, dir] : crossings) {
    bool wasInside = fillMode == kAlternate ? (winding & 1) != 0 : winding != 0;
    winding += fillMode == kAlternate ? 1 : dir;
    bool inside = fillMode == kAlternate ? (winding & 1) != 0 : winding != 0;
    if (!wasInside && inside) enter = x;
    if (wasInside && !inside) {
      // Pixel p is inside when enter <= p + 0.5 < x.
      AppendSpan(out, std::int32_t(std::ceil(enter - 0.5)), std::int32_t(std::ceil(x - 0.5)));
    }
  }
}

}  // namespace

TRegion::TRegion(const TRect& rect) {
  TRect r = rect.Normalized();
  r = {ClampCoord(r.left), ClampCoord(r.top), ClampCoord(r.right), ClampCoord(r.bottom)};
  if (!r.IsEmpty()) rects_.Add(r);
}

TRegion::TRegion(const TRegion& other) { rects_.Append(other.rects_.Items(), other.rects_.Count()); }

TRegion& TRegion::operator=(const TRegion& other) {
  if (this != &other) {
    rects_.Clear();
    rects_.Append(other.rects_.Items(), other.rects_.Count());
  }
  return *this;
}

TRegion TRegion::FromRects(const TRect* rects, std::uint32_t count) {
  if (count == 0 || rects == nullptr) return TRegion();
  if (count == 1) return TRegion(rects[0]);
  std::uint32_t half = count / 2;
  TRegion a = FromRects(rects, half);
  TRegion b = FromRects(rects + half, count - half);
  a.Combine(a, b, kRgnOr);
  return a;
}

bool TRegion::FromPolygons(const DPoint* points, const std::uint32_t* counts, std::uint32_t polygonCount,
                           int fillMode, TRegion* out) {
  if (fillMode != kAlternate && fillMode != kWinding) return false;
  if (polygonCount > 0 && (counts == nullptr || points == nullptr)) return false;
  std::vector<ScanEdge> edges;
  std::uint64_t base = 0;
  for (std::uint32_t p = 0; p < polygonCount; ++p) {
    std::uint32_t n = counts[p];
    const DPoint* poly = points + base;
    base += n;
    for (std::uint32_t i = 0; i < n; ++i) {
      const DPoint& a = poly[i];
      if (!std::isfinite(a.x) || !std::isfinite(a.y) || std::fabs(a.x) > kRegionCoordLimit ||
          std::fabs(a.y) > kRegionCoordLimit)
        return false;
    }
    for (std::uint32_t i = 0; n >= 2 && i < n; ++i) {
      const DPoint& a = poly[i];
      const DPoint& b = poly[(i + 1) % n];
      if (a.y == b.y) continue;
      ScanEdge e{a.x, a.y, b.x, b.y, b.y > a.y ? 1 : -1, 0, 0, a.x == b.x};
      double top = std::min(a.y, b.y);
      double bottom = std::max(a.y, b.y);
      e.rowStart = std::int64_t(std::ceil(top - 0.5));
      e.rowEnd = std::int64_t(std::ceil(bottom - 0.5));
      if (e.rowStart < e.rowEnd) edges.push_back(e);
    }
  }
  std::sort(edges.begin(), edges.end(), [](const ScanEdge& a, const ScanEdge& b) { return a.rowStart < b.rowStart; });
  std::vector<std::int64_t> rows;
  for (const ScanEdge& e : edges) {
    rows.push_back(e.rowStart);
    rows.push_back(e.rowEnd);
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

  GrowArray<TRect> result(16);
  BandBuilder builder(result);
  std::vector<const ScanEdge*> active;
  std::vector<std::pair<double, int>> crossings;
  std::vector<std::int32_t> spans;
  std::size_t next = 0;
  std::uint64_t work = 0;
  for (std::size_t k = 0; k + 1 < rows.size(); ++k) {
    std::int64_t r0 = rows[k];
    std::int64_t r1 = rows[k + 1];
    std::erase_if(active, [r0](const ScanEdge* e) { return e->rowEnd <= r0; });
    while (next < edges.size() && edges[next].rowStart <= r0) {
      if (edges[next].rowEnd > r0) active.push_back(&edges[next]);
      ++next;
    }
    if (active.empty()) continue;
    // Between two breakpoints the active edges do not change; with vertical
    // edges only, every row of the interval has the same spans.
    bool allVertical = std::all_of(active.begin(), active.end(), [](const ScanEdge* e) { return e->vertical; });
    if (allVertical) {
      RowSpans(active, double(r0) + 0.5, fillMode, crossings, spans);
      builder.Add(std::int32_t(r0), std::int32_t(r1), spans);
      continue;
    }
    for (std::int64_t y = r0; y < r1; ++y) {
      work += active.size();
      if (work > kScanBudget) return false;
      RowSpans(active, double(y) + 0.5, fillMode, crossings, spans);
      builder.Add(std::int32_t(y), std::int32_t(y + 1), spans);
    }
  }
  out->rects_ = std::move(result);
  return true;
}

int TRegion::Combine(const TRegion& a, const TRegion& b, int mode) {
  if (mode == kRgnCopy) {
    if (&a != this) *this = a;
    return Kind();
  }
  if (mode < kRgnAnd || mode > kRgnDiff) return kRegionError;
  std::vector<Band> ba, bb;
  CollectBands(a.rects_.Items(), a.rects_.Count(), ba);
  CollectBands(b.rects_.Items(), b.rects_.Count(), bb);
  std::vector<std::int32_t> ys;
  for (const Band& band : ba) {
    ys.push_back(band.top);
    ys.push_back(band.bottom);
  }
  for (const Band& band : bb) {
    ys.push_back(band.top);
    ys.push_back(band.bottom);
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

  GrowArray<TRect> result(16);
  BandBuilder builder(result);
  std::vector<std::int32_t> xs, spans;
  std::size_t ia = 0, ib = 0;
  for (std::size_t k = 0; k + 1 < ys.size(); ++k) {
    std::int32_t y0 = ys[k];
    while (ia < ba.size() && ba[ia].bottom <= y0) ++ia;
    while (ib < bb.size() && bb[ib].bottom <= y0) ++ib;
    const TRect* ra = nullptr;
    const TRect* rb = nullptr;
    std::uint32_t na = 0, nb = 0;
    if (ia < ba.size() && ba[ia].top <= y0) {
      ra = a.rects_.Items() + ba[ia].first;
      na = ba[ia].count;
    }
    if (ib < bb.size() && bb[ib].top <= y0) {
      rb = b.rects_.Items() + bb[ib].first;
      nb = bb[ib].count;
    }
    MergeSpans(ra, na, rb, nb, mode, xs, spans);
    builder.Add(y0, ys[k + 1], spans);
  }
  rects_ = std::move(result);
  return Kind();
}

int TRegion::Offset(std::int32_t dx, std::int32_t dy) {
  if (IsEmpty()) return kNullRegion;
  TRect box = GetBox();
  auto inside = [](std::int64_t v) { return v >= -kRegionCoordLimit && v <= kRegionCoordLimit; };
  if (!inside(std::int64_t(box.left) + dx) || !inside(std::int64_t(box.right) + dx) ||
      !inside(std::int64_t(box.top) + dy) || !inside(std::int64_t(box.bottom) + dy))
    return kRegionError;
  for (TRect& r : rects_) r = {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
  return Kind();
}

int TRegion::Kind() const {
  switch (rects_.Count()) {
    case 0:
      return kNullRegion;
    case 1:
      return kSimpleRegion;
    default:
      return kComplexRegion;
  }
}

TRect TRegion::GetBox() const {
  if (IsEmpty()) return {};
  TRect box = rects_[0];
  box.bottom = rects_[rects_.Count() - 1].bottom;
  for (const TRect& r : rects_) {
    box.left = std::min(box.left, r.left);
    box.right = std::max(box.right, r.right);
  }
  return box;
}

bool TRegion::Contains(std::int64_t x, std::int64_t y) const {
  const TRect* first = rects_.begin();
  const TRect* last = rects_.end();
  // Bottoms never decrease from band to band.
  const TRect* r = std::upper_bound(first, last, y, [](std::int64_t v, const TRect& t) { return v < t.bottom; });
  if (r == last || r->top > y) return false;
  std::int32_t top = r->top;
  const TRect* bandEnd = r;
  while (bandEnd != last && bandEnd->top == top) ++bandEnd;
  const TRect* s = std::upper_bound(r, bandEnd, x, [](std::int64_t v, const TRect& t) { return v < t.right; });
  return s != bandEnd && s->left <= x;
}

bool operator==(const TRegion& a, const TRegion& b) {
  if (a.rects_.Count() != b.rects_.Count()) return false;
  return std::equal(a.rects_.begin(), a.rects_.end(), b.rects_.begin());
}

}  // namespace kvn
