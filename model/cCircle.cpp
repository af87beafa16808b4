#include "model/cCircle.h"

#include <cmath>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/Geometry.h"
#include "render/DrawInfo.h"
#include "model/PathBuffer.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {


}  // namespace

cCircle::cCircle() : cAnyFill(kTypeCircle) {}

cCircle::~cCircle() = default;

void cCircle::GetBox(DPoint& a, DPoint& b) const {
  if (form != 0) {
    a = p1;
    b = p2;
    return;
  }
  const double rx = std::fabs(p2.x - p1.x);
  const double ry = std::fabs(p2.y - p1.y);
  a = {p1.x - rx, p1.y - ry};
  b = {p1.x + rx, p1.y + ry};
}

// ---- record ----

void cCircle::Write(cDrawingData* data, ArchiveWriter& w) const {
  WriteHeader(w);
  WriteLinePart(data, w);
  WriteFillPart(data, w);
  w.WriteRealPoint(p1);
  w.WriteRealPoint(p2);
  w.WriteBit(form != 0);
}

ObjectChain cCircle::Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) {
  ReadHeader(r, version);
  ReadLinePart(context, data, r, version);
  ReadFillPart(data, r, version);
  if (version >= 3092) {
    p1 = r.ReadRealPoint();
    p2 = r.ReadRealPoint();
    form = r.ReadBit() ? 1 : 0;
  } else {
    if (version >= 3061) {
      p1 = r.ReadRealPoint();
      p2.x = r.ReadReal();
      p2.y = r.ReadBit() ? r.ReadReal() : p2.x;
      form = r.ReadBit() ? 1 : 0;
    } else {
      p1 = r.ReadFloatPoint();
      p2 = r.ReadFloatPoint();
      form = version >= 3054 ? (r.ReadByte() != 0 ? 1 : 0) : 0;
    }
    // These rows store the radii of a form-0 circle, not its second point.
    if (form == 0) p2 = {p1.x + p2.x, p1.y + p2.y};
  }
  MarkDirty();
  return {};
}

// ---- geometry ----

DRect& cCircle::GetExtent(DRect& out) {
  DPoint a, b;
  GetBox(a, b);
  out = DRect{a.x, a.y, b.x, b.y};
  out.Normalize();
  return out;
}

bool cCircle::GetOutline(CubicArray& out, int* position) {
  if (position) *position = -1;
  DPoint a, b;
  GetBox(a, b);
  const double x1 = a.x, y1 = a.y, x2 = b.x, y2 = b.y;
  const double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
  const double kx = kQuarterArc * 0.5 * (x2 - x1);
  const double ky = kQuarterArc * 0.5 * (y2 - y1);
  out.Append64(Cubic{{{x1, cy}, {x1, cy + ky}, {cx - kx, y2}, {cx, y2}}});
  out.Append64(Cubic{{{cx, y2}, {cx + kx, y2}, {x2, cy + ky}, {x2, cy}}});
  out.Append64(Cubic{{{x2, cy}, {x2, cy - ky}, {cx + kx, y1}, {cx, y1}}});
  out.Append64(Cubic{{{cx, y1}, {cx - kx, y1}, {x1, cy - ky}, {x1, cy}}});
  out.closed = 1;
  return true;
}

void cCircle::Recalc(cDrawingData* data) { ExpandPattern(data); }

ObjectChain cCircle::Explode(cDrawingData* data) { return ExplodeFirstContour(data); }

void cCircle::Move(const DPoint& offset) {
  for (DPoint* p : {&p1, &p2}) {
    p->x += offset.x;
    p->y += offset.y;
  }
  MarkDirty();
}

bool cCircle::Rotate(const TransformContext&, const DPoint& centre, double angleDegrees) {
  DRect box;
  GetExtent(box);
  if (std::fabs(box.Width() - box.Height()) >= kFloatEpsilon) {
    // An ellipse stays axis-parallel only under right angles.
    const double n = std::floor(angleDegrees / 90.0 + 0.5);
    if (angleDegrees != n * 90.0) return false;
    RotatePoint(p1, centre, angleDegrees);
    RotatePoint(p2, centre, angleDegrees);
    MarkDirty();
    return true;
  }
  // A circle: only its middle moves.
  DPoint middle = form == 0 ? p1 : DPoint{(p1.x + p2.x) / 2, (p1.y + p2.y) / 2};
  const DPoint before = middle;
  RotatePoint(middle, centre, angleDegrees);
  const DPoint delta{middle.x - before.x, middle.y - before.y};
  p1 = {p1.x + delta.x, p1.y + delta.y};
  p2 = {p2.x + delta.x, p2.y + delta.y};
  MarkDirty();
  return true;
}

bool cCircle::Scale(const TransformContext&, const DPoint& centre, const DPoint& factors) {
  for (DPoint* p : {&p1, &p2}) {
    p->x = (p->x - centre.x) * factors.x + centre.x;
    p->y = (p->y - centre.y) * factors.y + centre.y;
  }
  MarkDirty();
  return true;
}

void cCircle::SetPoints(const DPoint* points, int count) {
  if (!points || count < 2) return;
  if (form != 0) {
    p1 = points[0];
    p2 = points[1];
  } else {
    p1 = {(points[0].x + points[1].x) / 2, (points[0].y + points[1].y) / 2};
    p2 = {p1.x + std::fabs(points[1].x - points[0].x) / 2, p1.y + std::fabs(points[1].y - points[0].y) / 2};
  }
  MarkDirty();
}

void cCircle::Assign(const cOutObj& source) {
  cAnyFill::Assign(source);
  const cAnyFill* filled = source.AsAnyFill();
  if (const cCircle* circle = filled ? filled->AsCircle() : nullptr) {
    form = circle->form;
    p1 = circle->p1;
    p2 = circle->p2;
  }
}

// ---- drawing ----

void cCircle::Draw(cDrawInfo* info) {
  if (!info || HasFlag(kFlagHidden)) return;
  if (DrawPatternObjects(info)) return;
  DPoint a, b;
  GetBox(a, b);
  info->DrawEllipseShape(a, b, *this);
}

void cCircle::DrawOutline(std::uint32_t value, cDrawInfo* info, bool) {
  if (!info) return;
  DPoint a, b;
  GetBox(a, b);
  PathBuffer::Empty();
  info->AddEllipsePath(DRect{a.x, a.y, b.x, b.y});
  info->RasterizePath(value);
}

}  // namespace kvn
