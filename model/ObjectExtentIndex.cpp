#include "model/ObjectExtentIndex.h"

#include <algorithm>
#include <cmath>

namespace kvn {

namespace {

// About this many objects a cell: fewer cells cost more tests per query,
// more cost more memory and more cells to visit.
constexpr double kObjectsPerCell = 4.0;
// Cells along one axis and in all, whatever the drawing's proportions.
constexpr double kMaxCellsPerAxis = 8192.0;
constexpr double kMaxCells = 4.0 * 1024 * 1024;

// The painter's test: touching edges meet; a comparison with NaN is false,
// so an extent that is not a number meets every clip.
bool Misses(const DRect& extent, const DRect& clip) {
  return clip.x2 < extent.x1 || extent.x2 < clip.x1 || clip.y2 < extent.y1 || extent.y2 < clip.y1;
}

bool Placeable(const ObjectExtentIndex::Entry& e) {
  const DRect& r = e.extent;
  return !e.always && std::isfinite(r.x1) && std::isfinite(r.y1) && std::isfinite(r.x2) && std::isfinite(r.y2) &&
         r.x1 <= r.x2 && r.y1 <= r.y2;
}

bool IsNaN(const DRect& r) { return std::isnan(r.x1) || std::isnan(r.y1) || std::isnan(r.x2) || std::isnan(r.y2); }

}  // namespace

std::uint32_t ObjectExtentIndex::CellOf(double v, double origin, std::uint32_t count) const {
  // Clamped as a double first: a coordinate far outside (or infinite) must
  // not reach the integer conversion.
  const double t = (v - origin) / cellSize_;
  if (!(t > 0.0)) return 0;
  if (t >= double(count - 1)) return count - 1;
  return std::uint32_t(t);
}

ObjectExtentIndex::ObjectExtentIndex(std::vector<Entry> entries) : entries_(std::move(entries)) {
  if (entries_.size() < kMinObjects || entries_.size() >= 0xFFFFFFFFu) return;
  std::size_t placed = 0;
  bool first = true;
  for (const Entry& e : entries_) {
    if (!Placeable(e)) continue;
    bounds_.Union(e.extent, first);
    ++placed;
  }
  if (placed == 0) return;
  const double width = bounds_.Width(), height = bounds_.Height();
  if (!std::isfinite(width) || !std::isfinite(height)) return;
  const double cells = std::min(kMaxCells, std::max(1.0, double(placed) / kObjectsPerCell));
  double size = width * height > 0.0 ? std::sqrt(width * height / cells) : std::max(width, height) / cells;
  if (!(size > 0.0)) size = 1.0;  // every extent is one point
  // Proportions beyond the axis limit: wider cells along the long axis.
  size = std::max({size, width / kMaxCellsPerAxis, height / kMaxCellsPerAxis});
  if (!std::isfinite(size) || !(size > 0.0)) return;
  cellSize_ = size;
  columns_ = std::uint32_t(std::min(kMaxCellsPerAxis, std::floor(width / size) + 1.0));
  rows_ = std::uint32_t(std::min(kMaxCellsPerAxis, std::floor(height / size) + 1.0));

  // Two passes: count per cell, then fill in chain order, so that every
  // cell's list is ascending.
  struct Span {
    std::uint32_t cx0, cx1, cy0, cy1;
  };
  std::vector<Span> spans(entries_.size());
  std::vector<bool> inGrid(entries_.size(), false);
  cellStart_.assign(std::size_t(columns_) * rows_ + 1, 0);
  for (std::uint32_t p = 0; p < entries_.size(); ++p) {
    const Entry& e = entries_[p];
    if (!Placeable(e)) {
      apart_.push_back(p);
      continue;
    }
    Span s{CellOf(e.extent.x1, bounds_.x1, columns_), CellOf(e.extent.x2, bounds_.x1, columns_),
           CellOf(e.extent.y1, bounds_.y1, rows_), CellOf(e.extent.y2, bounds_.y1, rows_)};
    if (std::uint64_t(s.cx1 - s.cx0 + 1) * (s.cy1 - s.cy0 + 1) > kMaxCellsPerObject) {
      apart_.push_back(p);
      continue;
    }
    spans[p] = s;
    inGrid[p] = true;
    for (std::uint32_t y = s.cy0; y <= s.cy1; ++y)
      for (std::uint32_t x = s.cx0; x <= s.cx1; ++x) ++cellStart_[std::size_t(y) * columns_ + x + 1];
  }
  for (std::size_t c = 1; c < cellStart_.size(); ++c) cellStart_[c] += cellStart_[c - 1];
  cellEntries_.resize(cellStart_.back());
  std::vector<std::uint32_t> fill(cellStart_.begin(), cellStart_.end() - 1);
  for (std::uint32_t p = 0; p < entries_.size(); ++p) {
    if (!inGrid[p]) continue;
    const Span& s = spans[p];
    for (std::uint32_t y = s.cy0; y <= s.cy1; ++y)
      for (std::uint32_t x = s.cx0; x <= s.cx1; ++x) cellEntries_[fill[std::size_t(y) * columns_ + x]++] = p;
  }
}

bool ObjectExtentIndex::Query(const DRect& clip, std::vector<std::uint32_t>& out) const {
  out.clear();
  if (!HasGrid() || IsNaN(clip)) return false;
  if (clip.x1 <= bounds_.x1 && bounds_.x2 <= clip.x2 && clip.y1 <= bounds_.y1 && bounds_.y2 <= clip.y2) return false;
  const std::size_t budget = entries_.size() / 4;
  if (!Misses(bounds_, clip)) {
    const std::uint32_t cx0 = CellOf(clip.x1, bounds_.x1, columns_), cx1 = CellOf(clip.x2, bounds_.x1, columns_);
    const std::uint32_t cy0 = CellOf(clip.y1, bounds_.y1, rows_), cy1 = CellOf(clip.y2, bounds_.y1, rows_);
    // What the cells hold, before anything is tested: an answer that large
    // is declined at once.
    std::size_t listed = 0;
    for (std::uint32_t y = cy0; y <= cy1; ++y) {
      const std::size_t row = std::size_t(y) * columns_;
      listed += cellStart_[row + cx1 + 1] - cellStart_[row + cx0];
    }
    if (listed > 2 * budget) return false;
    for (std::uint32_t y = cy0; y <= cy1; ++y) {
      const std::size_t row = std::size_t(y) * columns_;
      for (std::uint32_t i = cellStart_[row + cx0]; i < cellStart_[row + cx1 + 1]; ++i) {
        const std::uint32_t p = cellEntries_[i];
        if (!Misses(entries_[p].extent, clip)) out.push_back(p);
      }
    }
  }
  for (const std::uint32_t p : apart_) {
    if (entries_[p].always || !Misses(entries_[p].extent, clip)) out.push_back(p);
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  if (out.size() > budget) {
    out.clear();
    return false;
  }
  return true;
}

}  // namespace kvn
