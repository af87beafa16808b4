#include "model/cArc.h"

#include <cmath>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/ArcPieces.h"
#include "model/BezierMath.h"
#include "model/Geometry.h"
#include "model/KeptRecords.h"
#include "model/OutlinePath.h"
#include "render/DrawInfo.h"
#include "model/PathBuffer.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {

constexpr double kCos45 = 0.70710678118654752440;

void ScaleAbout(DPoint& p, const DPoint& centre, double fx, double fy) {
  p.x = (p.x - centre.x) * fx + centre.x;
  p.y = (p.y - centre.y) * fy + centre.y;
}

}  // namespace

cArc::cArc() : cAnyFill(kTypeArc) {}

cArc::~cArc() = default;

// ---- record ----

void cArc::Write(cDrawingData* data, ArchiveWriter& w) const {
  WriteHeader(w);
  WriteLinePart(data, w);
  w.WriteBits(kind & 0x03u, 2);
  w.WriteRealPoint(start);
  w.WriteRealPoint(middle);
  w.WriteRealPoint(end);
  if (IsClosed()) WriteFillPart(data, w);
}

ObjectChain cArc::Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) {
  ReadHeader(r, version);
  ReadLinePart(context, data, r, version);
  if (version < 3081) ReadFillPart(data, r, version);
  if (version >= 3061) {
    kind = std::uint8_t(r.ReadBits(2));
    start = r.ReadRealPoint();
    middle = r.ReadRealPoint();
    end = r.ReadRealPoint();
  } else {
    // Only the two flag bits have a meaning; the record writes no others.
    kind = std::uint8_t(r.ReadByte() & 0x03);
    start = r.ReadFloatPoint();
    middle = r.ReadFloatPoint();
    end = r.ReadFloatPoint();
  }
  if (version >= 3081 && IsClosed()) ReadFillPart(data, r, version);
  MarkDirty();
  return {};
}

// ---- geometry ----

bool cArc::GetOutline(CubicArray& out, int* position) {
  if (position) *position = -1;
  if (circleKept_ && !HasFlag(kFlagDirty)) {
    AppendArcBeziersOnCircle(out, circle_, start, end);
  } else {
    AppendArcBeziers(out, start, middle, end);
  }
  out.closed = IsClosed() ? 1 : 0;
  return IsClosed();
}

DRect& cArc::GetExtent(DRect& out) {
  CubicArray records;
  GetOutline(records, nullptr);
  out = DRect{};
  bool first = true;
  for (const Cubic& c : records) {
    DRect box;
    GetBezierBounds(box, c);
    out.Union(box, first);
  }
  return out;
}

void cArc::AddStrokeExtent(cDrawingData* data, DRect& extent) {
  cAnyLine::AddStrokeExtent(data, extent);
  bool first = false;
  extent.AddPoint(start, first);
  extent.AddPoint(middle, first);
  extent.AddPoint(end, first);
}

void cArc::Recalc(cDrawingData* data) {
  circle_ = CircleOfArc(start, middle, end);
  circleKept_ = true;
  ExpandPattern(data);
}

ObjectChain cArc::Explode(cDrawingData* data) { return ExplodeFirstContour(data); }

void cArc::Move(const DPoint& offset) {
  for (DPoint* p : {&start, &middle, &end}) {
    p->x += offset.x;
    p->y += offset.y;
  }
  MarkDirty();
}

bool cArc::Rotate(const TransformContext&, const DPoint& centre, double angleDegrees) {
  for (DPoint* p : {&start, &middle, &end}) RotatePoint(*p, centre, angleDegrees);
  MarkDirty();
  return true;
}

bool cArc::Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) {
  const double m = std::fmin(std::fabs(factors.x), std::fabs(factors.y));
  const double fx = std::copysign(m, factors.x);
  const double fy = std::copysign(m, factors.y);
  const bool placed = context.data != nullptr && context.chain != nullptr;
  if (!placed && std::fabs(std::fabs(factors.x) - std::fabs(factors.y)) >= kFloatEpsilon) return false;
  DPoint about = centre;
  if (placed) {
    // The arc keeps its shape and goes where its middle goes under the full
    // factors.
    DRect box;
    GetExtent(box);
    const DPoint mid{(box.x1 + box.x2) / 2, (box.y1 + box.y2) / 2};
    DPoint target = mid;
    ScaleAbout(target, centre, factors.x, factors.y);
    Move({target.x - mid.x, target.y - mid.y});
    about = target;
  }
  for (DPoint* p : {&start, &middle, &end}) ScaleAbout(*p, about, fx, fy);
  MarkDirty();
  return true;
}

void cArc::SetPoints(const DPoint* points, int count) {
  if (!points || count < 2) return;
  const DPoint& a = points[0];
  const double dx = points[1].x - a.x;
  const double dy = points[1].y - a.y;
  const double r = std::fmin(std::fabs(dx), std::fabs(dy));
  const double sx = dx < 0 ? -1.0 : 1.0;
  const double sy = dy < 0 ? -1.0 : 1.0;
  start = a;
  end = {a.x + sx * r, a.y + sy * r};
  middle = {a.x + sx * r * kCos45, a.y + sy * r - sy * r * kCos45};
  MarkDirty();
}

void cArc::Assign(const cOutObj& source) {
  cAnyFill::Assign(source);
  const cAnyFill* filled = source.AsAnyFill();
  if (const cArc* arc = filled ? filled->AsArc() : nullptr) {
    kind = arc->kind;
    start = arc->start;
    middle = arc->middle;
    end = arc->end;
  }
}

// ---- drawing ----

void cArc::Draw(cDrawInfo* info) {
  if (!info || HasFlag(kFlagHidden)) return;
  if (DrawPatternObjects(info)) return;
  KeptRecords kept;
  CubicArray& records = kept.Get();
  const bool closed = GetOutline(records, nullptr);
  PathBuffer::Empty();
  AppendOutlinePiece(info->mapping, records, closed);
  info->FillPath(*this);
  info->StrokePath(*this);
}

void cArc::DrawOutline(std::uint32_t value, cDrawInfo* info, bool) {
  if (!info) return;
  CubicArray records;
  const bool closed = GetOutline(records, nullptr);
  PathBuffer::Empty();
  AppendOutlinePiece(info->mapping, records, closed);
  info->RasterizePath(value);
}

}  // namespace kvn
