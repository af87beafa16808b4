#include "model/cLine.h"

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/Geometry.h"
#include "render/DrawInfo.h"

namespace kvn {

cLine::cLine() : cAnyLine(kTypeLine) {}

cLine::~cLine() = default;

void cLine::Write(cDrawingData* data, ArchiveWriter& w) const {
  WriteHeader(w);
  WriteLinePart(data, w);
  w.WriteRealPoint(start);
  w.WriteDeltaPoint(end, start);
}

ObjectChain cLine::Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) {
  ReadHeader(r, version);
  ReadLinePart(context, data, r, version);
  if (version >= 3061) {
    start = r.ReadRealPoint();
    end = r.ReadDeltaPoint(start);
  } else {
    start = r.ReadFloatPoint();
    end = r.ReadFloatPoint();
  }
  MarkDirty();
  return {};
}

void cLine::Move(const DPoint& offset) {
  start.x += offset.x;
  start.y += offset.y;
  end.x += offset.x;
  end.y += offset.y;
  MarkDirty();
}

bool cLine::Rotate(const TransformContext&, const DPoint& centre, double angleDegrees) {
  RotatePoint(start, centre, angleDegrees);
  RotatePoint(end, centre, angleDegrees);
  MarkDirty();
  return true;
}

bool cLine::Scale(const TransformContext&, const DPoint& centre, const DPoint& factors) {
  for (DPoint* p : {&start, &end}) {
    p->x = (p->x - centre.x) * factors.x + centre.x;
    p->y = (p->y - centre.y) * factors.y + centre.y;
  }
  MarkDirty();
  return true;
}

DRect& cLine::GetExtent(DRect& out) {
  out = DRect{start.x, start.y, end.x, end.y};
  out.Normalize();
  return out;
}

void cLine::Assign(const cOutObj& source) {
  cAnyLine::Assign(source);
  const cAnyLine* stroked = source.AsAnyLine();
  if (const cLine* line = stroked ? stroked->AsLine() : nullptr) {
    start = line->start;
    end = line->end;
  }
}

void cLine::SetPoints(const DPoint* points, int count) {
  if (!points || count < 2) return;
  start = points[0];
  end = points[1];
  MarkDirty();
}

void cLine::Recalc(cDrawingData* data) { cAnyLine::Recalc(data); }

bool cLine::GetOutline(CubicArray& out, int* position) {
  out.Append64(Cubic::Straight(start, end));
  if (position) *position = -1;
  return false;
}

void cLine::Draw(cDrawInfo* info) {
  if (!info || HasFlag(kFlagHidden)) return;
  if (DrawPatternObjects(info)) return;
  info->DrawSegmentShape(start, end, *this);
}

void cLine::DrawOutline(std::uint32_t value, cDrawInfo* info, bool) {
  if (info) info->RasterizeSegment(value, start, end);
}

}  // namespace kvn
