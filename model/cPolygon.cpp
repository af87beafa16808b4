#include "model/cPolygon.h"

#include <cmath>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/FilledLists.h"
#include "model/OutlinePath.h"
#include "model/cLine.h"
#include "render/DrawInfo.h"
#include "model/PathBuffer.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {

// The quarter-circle constant of cubic arcs: 4/3 (sqrt 2 - 1).

}  // namespace

cPolygon::cPolygon() : cAnyFill(kTypePolygon) { lists_.emplace_back(); }

cPolygon::~cPolygon() = default;

PointList& cPolygon::AddList() { return lists_.emplace_back(); }

void cPolygon::ResetLists() {
  lists_.clear();
  lists_.emplace_back();
  MarkDirty();
}

bool cPolygon::RemoveShortLists(std::uint32_t minPoints) {
  std::erase_if(lists_, [&](const PointList& list) { return list.Count() < minPoints; });
  MarkDirty();
  if (!lists_.empty()) return true;
  lists_.emplace_back();
  return false;
}

bool cPolygon::IsClosed() const {
  for (const PointList& list : lists_) {
    if (list.IsClosed()) return true;
  }
  return false;
}

// ---- record ----

void cPolygon::Write(cDrawingData* data, ArchiveWriter& w) const {
  WriteHeader(w);
  WriteLinePart(data, w);
  for (const PointList& list : lists_) {
    w.WriteBit(true);
    list.Write(w);
  }
  w.WriteBit(false);
  if (IsClosed()) WriteFillPart(data, w);
}

ObjectChain cPolygon::Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) {
  ReadHeader(r, version);
  ReadLinePart(context, data, r, version);
  if (version < 3081) ReadFillPart(data, r, version);
  MarkDirty();
  if (version < 3062) {
    lists_.clear();
    lists_.emplace_back().Read(r, version);
    return {};
  }
  lists_.clear();
  bool anyClosed = false;
  if (r.ReadBit()) {
    // Every list takes at least ten bits (flags and an empty count), so a
    // damaged stream cannot make more lists than it has bytes.
    do {
      if (r.AtEnd() || r.HasError()) break;
      PointList& list = lists_.emplace_back();
      list.Read(r, version);
      if (list.IsClosed()) anyClosed = true;
    } while (!r.HasError() && r.ReadBit());
  }
  if (lists_.empty()) {
    lists_.emplace_back();
    return {};
  }
  if (version >= 3081 && anyClosed) ReadFillPart(data, r, version);
  return {};
}

// ---- geometry ----

void cPolygon::Recalc(cDrawingData* data) {
  for (PointList& list : lists_) list.UpdateBounds();
  ExpandPattern(data);
}

DRect& cPolygon::GetExtent(DRect& out) {
  DRect tight, hull;
  lists_.front().GetBounds(out, hull);
  bool first = false;
  for (std::size_t i = 1; i < lists_.size(); ++i) {
    lists_[i].GetBounds(tight, hull);
    out.Union(tight, first);
  }
  return out;
}

void cPolygon::AddFullExtent(cDrawingData* data, DRect& extent) {
  DRect tight, hull;
  lists_.front().GetBounds(tight, extent);
  bool first = false;
  for (std::size_t i = 1; i < lists_.size(); ++i) {
    lists_[i].GetBounds(tight, hull);
    extent.Union(hull, first);
  }
  cAnyLine::AddFullExtent(data, extent);
}

bool cPolygon::GetOutline(CubicArray& out, int* position) {
  std::uint32_t index = 0;
  if (position) {
    if (*position < 0 || std::uint32_t(*position) >= lists_.size()) {
      *position = -1;
    } else {
      index = std::uint32_t(*position);
      *position = index + 1 < lists_.size() ? int(index + 1) : -1;
    }
  }
  lists_[index].ToBeziers(out);
  return lists_[index].IsClosed();
}

void cPolygon::Move(const DPoint& offset) {
  for (PointList& list : lists_) {
    for (DPoint& p : list.Points()) {
      p.x += offset.x;
      p.y += offset.y;
    }
  }
  MarkDirty();
}

bool cPolygon::Rotate(const TransformContext&, const DPoint& centre, double angleDegrees) {
  for (PointList& list : lists_) list.Rotate(centre, angleDegrees);
  MarkDirty();
  return true;
}

bool cPolygon::Scale(const TransformContext&, const DPoint& centre, const DPoint& factors) {
  const double m = std::fmin(std::fabs(factors.x), std::fabs(factors.y));
  for (PointList& list : lists_) {
    for (DPoint& p : list.Points()) {
      p.x = (p.x - centre.x) * factors.x + centre.x;
      p.y = (p.y - centre.y) * factors.y + centre.y;
    }
    list.SetWeight(list.Weight() * m);
  }
  MarkDirty();
  return true;
}

void cPolygon::SetPoints(const DPoint* points, int count) {
  if (!points || count < 2) return;
  const DPoint& a = points[0];
  const DPoint& b = points[1];
  const Cubic quarter{{a, {a.x + (b.x - a.x) * kQuarterArc, a.y}, {b.x, b.y - (b.y - a.y) * kQuarterArc}, b}};
  lists_.front().SetFromCubics(&quarter, 1, false);
  MarkDirty();
}

void cPolygon::Assign(const cOutObj& source) {
  cAnyFill::Assign(source);
  const cAnyFill* filled = source.AsAnyFill();
  const cPolygon* polygon = filled ? filled->AsPolygon() : nullptr;
  if (!polygon || polygon == this) return;
  lists_.clear();
  for (const PointList& list : polygon->lists_) lists_.emplace_back().Assign(list);
}

void cPolygon::SetBezierSegments(const cOutObj* templ, const CubicArray& records, bool closed) {
  if (templ) cAnyFill::Assign(*templ);
  lists_.front().SetFromCubics(records, closed);
  MarkDirty();
}

void cPolygon::SetBezierSegments2(const cOutObj* templ, const Cubic3D* records, std::uint32_t n, bool closed) {
  if (templ) cAnyFill::Assign(*templ);
  lists_.front().SetFromCubics3D(records, n, closed);
  MarkDirty();
}

ObjectChain cPolygon::Explode(cDrawingData* data) {
  if (lists_.size() <= 1) return ExplodeFirstContour(data);
  ObjectChain pieces;
  for (const PointList& list : lists_) {
    auto* piece = new cPolygon();
    piece->cAnyFill::Assign(*this);
    piece->FirstList().Assign(list);
    piece->FirstList().StraightenCurves();
    pieces.Append(piece);
  }
  return pieces;
}

// ---- drawing ----

void cPolygon::Draw(cDrawInfo* info) {
  if (!info || HasFlag(kFlagHidden)) return;
  if (DrawPatternObjects(info)) return;
  if (lists_.size() == 1) {
    // The usual polygon, without a list of one pointer on the heap.
    const PointList* only = &lists_.front();
    DrawFilledLists(info, *this, &only, 1);
    return;
  }
  std::vector<const PointList*> lists;
  lists.reserve(lists_.size());
  for (const PointList& list : lists_) lists.push_back(&list);
  DrawFilledLists(info, *this, lists.data(), lists.size());
}

void cPolygon::DrawOutline(std::uint32_t value, cDrawInfo* info, bool flag) {
  if (!info) return;
  CubicArray records;
  for (const PointList& list : lists_) {
    records.Clear();
    list.ToBeziers(records);
    PathBuffer::Empty();
    AppendOutlinePiece(info->mapping, records, list.IsClosed());
    info->RasterizePath(value);
    std::uint32_t used = 0;
    if (!flag || list.GetCurveKind(&used) != 3 || used < 4) continue;
    // The handles of each piece: start to first control, end to second.
    const auto p = list.Points();
    for (std::uint32_t i = 0; 3 * i + 3 < used; ++i) {
      info->RasterizeSegment(value, p[3 * i], p[3 * i + 1]);
      info->RasterizeSegment(value, p[3 * i + 3], p[3 * i + 2]);
    }
  }
}

// ---- stroked-object rules that make polygons ----

ObjectChain cAnyLine::ExplodeFirstContour(cDrawingData*) {
  CubicArray contour;
  GetOutline(contour, nullptr);
  ObjectChain pieces;
  for (const Cubic& c : contour) {
    if (c.IsStraight()) {
      if (c.Start() == c.End()) continue;
      auto* line = new cLine();
      line->cAnyLine::Assign(*this);
      line->start = c.Start();
      line->end = c.End();
      pieces.Append(line);
      continue;
    }
    auto* piece = new cPolygon();
    piece->cAnyLine::Assign(*this);
    piece->FirstList().SetFromCubics(&c, 1, false);
    piece->MarkDirty();
    pieces.Append(piece);
  }
  if (pieces.Empty() && contour.Count() > 0) {
    auto* line = new cLine();
    line->cAnyLine::Assign(*this);
    line->start = contour[0].p[0];
    line->end = contour[0].p[2];
    pieces.Append(line);
  }
  return pieces;
}

void cAnyLine::ToPolygon(cPolygon& target) {
  if (AsAnyFill()) {
    target.cAnyFill::Assign(*this);
  } else {
    target.cAnyLine::Assign(*this);
  }
  CubicArray contour;
  const bool closed = GetOutline(contour, nullptr);
  target.FirstList().SetFromCubics(contour, closed);
  target.MarkDirty();
}

}  // namespace kvn
