// BandRegion's polygon scan conversion (edge table, active edge list,
// Bresenham steps, even-odd and winding spans), the conversion of spans
// into banded rectangles, and the flattening of path pieces into polygons.
#include <algorithm>
#include <limits>

#include "render/BandRegion.h"
#include "render/CurveClip.h"
#include "render/StyledPrimitive.h"

namespace kvn {

namespace {

using band_region_detail::Edge;
using band_region_detail::ScanLine;
using band_region_detail::ScanLineBlock;

// Merges the scan line's edges (sorted by x) into the active list after the
// head `aet`, keeping it sorted by x.
template <class E>
void LoadActive(E* aet, E* edges) {
  E* prev = aet;
  E* cur = aet->next;
  while (edges) {
    while (cur && cur->x < edges->x) {
      prev = cur;
      cur = cur->next;
    }
    E* following = edges->next;
    edges->next = cur;
    if (cur) cur->back = edges;
    edges->back = prev;
    prev->next = edges;
    prev = edges;
    edges = following;
  }
}

// Restores the x order of the active list after a step; answers whether
// anything moved.
template <class E>
bool InsertionSort(E* aet) {
  bool changed = false;
  E* cur = aet->next;
  while (cur) {
    E* insert = cur;
    E* chase = cur;
    while (chase->back->x > cur->x) chase = chase->back;
    cur = cur->next;
    if (chase != insert) {
      E* chaseBack = chase->back;
      insert->back->next = cur;
      if (cur) cur->back = insert->back;
      insert->next = chase;
      chase->back->next = insert;
      chase->back = insert;
      insert->back = chaseBack;
      changed = true;
    }
  }
  return changed;
}

// Links the edges at which the running winding count passes between zero
// and non-zero.
template <class E>
void ComputeWinding(E* aet) {
  E* last = aet;
  int count = 0;
  bool inside = true;
  for (E* e = aet->next; e; e = e->next) {
    count += e->clockwise ? 1 : -1;
    if ((!inside && count == 0) || (inside && count != 0)) {
      last->nextWinding = e;
      last = e;
      inside = !inside;
    }
  }
  last->nextWinding = nullptr;
}

}  // namespace

bool BandRegion::FromPolygons(const TPoint* points, const std::uint32_t* counts, std::uint32_t polygonCount,
                              int rule) {
  Clear();
  if (!points || !counts || polygonCount == 0) return true;
  // One axis-parallel rectangle, in either direction, needs no scan conversion.
  if (polygonCount == 1) {
    const TPoint* p = points;
    const std::uint32_t n = counts[0];
    if ((n == 4 || (n == 5 && p[4] == p[0])) &&
        ((p[0].y == p[1].y && p[1].x == p[2].x && p[2].y == p[3].y && p[3].x == p[0].x) ||
         (p[0].x == p[1].x && p[1].y == p[2].y && p[2].x == p[3].x && p[3].y == p[0].y))) {
      SetRect(p[0].x, p[0].y, p[2].x, p[2].y);
      return true;
    }
  }
  if (!ScanConvert(points, counts, polygonCount, rule)) {
    Clear();
    return false;
  }
  SpansToRects();
  return true;
}

bool BandRegion::ScanConvert(const TPoint* points, const std::uint32_t* counts, std::uint32_t polygonCount,
                             int rule) {
  std::uint64_t total = 0;
  for (std::uint32_t i = 0; i < polygonCount; ++i) total += counts[i];
  if (total > kMaxPoints) return false;
  // Every edge record is made before any is linked: the array never moves
  // while pointers into it exist.
  edges_.clear();
  edges_.resize(std::size_t(total) + 1);
  Edge* const aet = &edges_[0];  // head of the active list, left of everything
  aet->x = std::numeric_limits<std::int64_t>::min();

  ScanLine head;  // head of the scan-line list
  std::size_t blockIndex = 0;
  int entryIndex = ScanLineBlock::kEntries;
  auto newScanLine = [&]() -> ScanLine* {
    if (entryIndex == ScanLineBlock::kEntries) {
      if (blockIndex == scanLineBlocks_.size()) scanLineBlocks_.push_back(std::make_unique<ScanLineBlock>());
      ++blockIndex;
      entryIndex = 0;
    }
    ScanLine* s = &scanLineBlocks_[blockIndex - 1]->entries[entryIndex++];
    *s = ScanLine{};
    return s;
  };

  std::int64_t ymin = std::numeric_limits<std::int64_t>::max();
  std::int64_t ymax = std::numeric_limits<std::int64_t>::min();
  std::int64_t edgeRows = 0;
  std::size_t edgeCount = 0;
  const TPoint* poly = points;
  for (std::uint32_t i = 0; i < polygonCount; ++i) {
    const std::uint32_t n = counts[i];
    const TPoint* prev = n > 0 ? poly + n - 1 : poly;
    for (std::uint32_t k = 0; k < n; ++k) {
      const TPoint* cur = poly + k;
      const TPoint* top = cur;
      const TPoint* bottom = prev;
      bool clockwise = false;
      if (prev->y <= cur->y) {
        top = prev;
        bottom = cur;
        clockwise = true;
      }
      if (bottom->y != top->y) {  // horizontal edges add nothing
        Edge* e = &edges_[++edgeCount];
        *e = Edge{};
        e->clockwise = clockwise;
        e->ymax = std::int64_t(bottom->y) - 1;  // the bottom scan line belongs to the next edge
        const std::int64_t dy = std::int64_t(bottom->y) - top->y;
        e->Init(dy, top->x, bottom->x);
        edgeRows += dy;
        // Into the bucket of its top scan line, sorted by x.
        ScanLine* before = &head;
        ScanLine* s = head.next;
        while (s && s->y < top->y) {
          before = s;
          s = s->next;
        }
        if (!s || s->y > top->y) {
          s = newScanLine();
          s->y = top->y;
          s->next = before->next;
          before->next = s;
        }
        Edge* prevEdge = nullptr;
        Edge* at = s->edges;
        while (at && at->x < e->x) {
          prevEdge = at;
          at = at->next;
        }
        e->next = at;
        if (prevEdge)
          prevEdge->next = e;
        else
          s->edges = e;
        ymin = std::min<std::int64_t>(ymin, prev->y);
        ymax = std::max<std::int64_t>(ymax, prev->y);
        ymin = std::min<std::int64_t>(ymin, cur->y);
        ymax = std::max<std::int64_t>(ymax, cur->y);
      }
      prev = cur;
    }
    poly += n;
  }
  if (edgeRows > kMaxEdgeRows) return false;

  spans_.Clear();
  ScanLine* next = head.next;
  const bool winding = rule == kWinding;
  bool fixWinding = false;
  for (std::int64_t y = ymin; y < ymax; ++y) {
    if (next && next->y == y) {
      LoadActive(aet, next->edges);
      if (winding) ComputeWinding(aet);
      next = next->next;
    }
    Edge* prev = aet;
    Edge* e = aet->next;
    Edge* windingEdge = e;
    while (e) {
      if (!winding || windingEdge == e) {
        spans_.Append(TPoint{std::int32_t(e->x), std::int32_t(y)});
        if (winding) windingEdge = windingEdge->nextWinding;
      }
      if (e->ymax == y) {  // ends here
        prev->next = e->next;
        e = prev->next;
        if (e) e->back = prev;
        fixWinding = true;
      } else {
        e->Step();
        prev = e;
        e = e->next;
      }
    }
    const bool resorted = InsertionSort(aet);
    if (winding && (resorted || fixWinding)) {
      ComputeWinding(aet);
      fixWinding = false;
    }
  }
  return true;
}

void BandRegion::SpansToRects() {
  rects_.Clear();
  const TPoint* p = spans_.Items();
  const std::uint32_t pairs = spans_.Count() / 2;
  std::int32_t left = std::numeric_limits<std::int32_t>::max();
  std::int32_t right = std::numeric_limits<std::int32_t>::min();
  for (std::uint32_t i = 0; i < pairs; ++i, p += 2) {
    if (p[0].x == p[1].x) continue;  // empty span
    const std::uint32_t n = rects_.Count();
    if (n > 0) {
      TRect& last = rects_[n - 1];
      // Continues the last rectangle on the row where it ends, is the last
      // span of its row, and the rectangle is alone in its band: one row
      // taller instead of a new rectangle. The final span of all is the last
      // of its row too, so a bar ends as one rectangle.
      if (p[0].x == last.left && p[0].y == last.bottom && p[1].x == last.right &&
          (n == 1 || rects_[n - 2].top != last.top) && (i + 1 == pairs || p[2].y > p[1].y)) {
        last.bottom = p[1].y + 1;
        continue;
      }
    }
    rects_.Append(TRect{p[0].x, p[0].y, p[1].x, p[1].y + 1});
    left = std::min(left, p[0].x);
    right = std::max(right, p[1].x);
  }
  if (rects_.Empty()) {
    extents_ = TRect{};
    return;
  }
  extents_ = TRect{left, rects_[0].top, right, rects_[rects_.Count() - 1].bottom};
}

void FlattenPathToPolygons(PolygonList* out, SegmentArray* const* pieces, std::uint32_t pieceCount,
                           const TRect& deviceClip) {
  out->Clear();
  auto units = [](std::int64_t pixels) {
    const std::int64_t v = pixels * 256;
    return std::int32_t(std::clamp<std::int64_t>(v, -0x7FFFFF00, 0x7FFFFF00));
  };
  const TRect c = deviceClip.Normalized();
  const ClipRect clip{units(std::int64_t(c.left) - 2), units(std::int64_t(c.top) - 2),
                      units(std::int64_t(c.right) + 2), units(std::int64_t(c.bottom) + 2)};
  GrowArray<std::int32_t> flat(64);
  auto add = [&](std::int32_t x, std::int32_t y) {
    out->points.Append(TPoint{std::int32_t((std::int64_t(x) + 128) >> 8), std::int32_t((std::int64_t(y) + 128) >> 8)});
  };
  for (std::uint32_t i = 0; pieces && i < pieceCount; ++i) {
    if (!pieces[i] || pieces[i]->Count() == 0) continue;
    const SegmentArray& piece = ClipClosedContour(clip, *pieces[i]);
    if (piece.Count() == 0) continue;
    const std::uint32_t first = out->points.Count();
    add(piece.Items()[0].v[0], piece.Items()[0].v[1]);
    for (const DeviceSegment& s : piece.segments) {
      if (s.IsStraight()) {
        add(s.v[6], s.v[7]);
        continue;
      }
      flat.Clear();
      FlattenCubicInt(flat, s);
      for (std::uint32_t k = 0; k + 1 < flat.Count(); k += 2) add(flat[k], flat[k + 1]);
    }
    out->counts.Append(out->points.Count() - first);
  }
}

}  // namespace kvn
