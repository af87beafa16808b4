#include "model/cWall.h"

#include <cmath>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/Geometry.h"
#include "model/GeometryServices.h"
#include "model/OutlinePath.h"
#include "model/StyleRefs.h"
#include "model/cDrawingData.h"
#include "model/cStyleWall.h"
#include "render/DrawInfo.h"
#include "model/PathBuffer.h"

namespace kvn {

namespace {

DPoint Add(const DPoint& a, const DPoint& b) { return {a.x + b.x, a.y + b.y}; }
DPoint Times(const DPoint& v, double k) { return {v.x * k, v.y * k}; }

}  // namespace

cWall::cWall() : cOutObj(kTypeWall) {
  // The band is filled only: no outline, and it is generated geometry.
  band_.SetTypeByteSourceBits(std::uint8_t(band_.TypeByte() & kTypeStyledFill));
  band_.stroke.lineType = kLineTypeNone;
  band_.SetFlag(kFlagGenerated);
  const DPoint zero[6] = {};
  band_.FirstList().SetPoints(zero, 6);
}

cWall::~cWall() = default;

double cWall::GetStyleWidth(const cDrawingData* data) const {
  return HasValidStyle(data) ? data->WallStyles().Get(wallStyle)->thickness : 0.0;
}

bool cWall::HasValidStyle(const cDrawingData* data) const {
  return data && data->WallStyles().Contains(wallStyle) && data->WallStyles().Get(wallStyle);
}

// ---- geometry ----

void cWall::ComputeBand(DPoint out[6], double thickness, bool offsets) const {
  if (start == end) {
    for (int i = 0; i < 6; ++i) out[i] = start;
    return;
  }
  const double a = std::atan2(end.y - start.y, end.x - start.x);
  const DPoint u{std::cos(a), std::sin(a)};
  const double t = thickness / 2;
  const DPoint r{t * std::sin(a), -t * std::cos(a)};
  const DPoint l{-r.x, -r.y};
  DPoint s = start, e = end;
  if (Alignment() == 1) {
    s = Add(s, l);
    e = Add(e, l);
  } else if (Alignment() == 2) {
    s = Add(s, r);
    e = Add(e, r);
  }
  const double k = offsets ? 1.0 : 0.0;
  out[0] = Add(Add(s, r), Times(u, startRight * k));
  out[1] = start;
  out[2] = Add(Add(s, l), Times(u, startLeft * k));
  out[3] = Add(Add(e, l), Times(u, -endLeft * k));
  out[4] = end;
  out[5] = Add(Add(e, r), Times(u, -endRight * k));
}

void cWall::Recalc(cDrawingData* data) {
  const cStyleWall* style = data ? data->WallStyles().Get(wallStyle) : nullptr;
  if (!style) return;
  DPoint p[6], bare[6];
  ComputeBand(p, style->thickness, true);
  ComputeBand(bare, style->thickness, false);
  GetPointsBounds(strokeExtent_, bare, 6);
  fullExtent_ = strokeExtent_;

  band_.SetLevel(Level());
  band_.CopyVisibilityFlags(*this);
  band_.CopyPages(*this);
  band_.MarkDirty();
  style->attributes.ApplyFillTo(band_, band_.fill);
  band_.FirstList().SetPoints(p, 6);
  band_.UpdateIfDirty(data);

  // The sides and caps share one set of line attributes, made once.
  cLine pen;
  pen.SetLevel(Level());
  pen.CopyVisibilityFlags(*this);
  pen.CopyPages(*this);
  style->attributes.ApplyLineTo(pen, pen.stroke);
  struct Piece {
    cLine& line;
    DPoint a, b;
    bool shown;
  };
  const Piece pieces[4] = {{right_, p[5], p[0], true},
                           {left_, p[2], p[3], true},
                           {endCap_, p[3], p[5], (wallFlags & kEndCap) != 0},
                           {startCap_, p[0], p[2], (wallFlags & kStartCap) != 0}};
  bool first = false;
  for (const Piece& piece : pieces) {
    piece.line.cAnyLine::Assign(pen);
    piece.line.start = piece.a;
    piece.line.end = piece.b;
    piece.line.MarkDirty();
    if (!piece.shown) continue;
    DRect box;
    piece.line.GetFullExtent(data, box);
    fullExtent_.Union(box, first);
  }
}

DRect& cWall::GetExtent(DRect& out) {
  out = DRect{start.x, start.y, end.x, end.y};
  out.Normalize();
  return out;
}

void cWall::AddStrokeExtent(cDrawingData*, DRect& extent) { extent = strokeExtent_; }

void cWall::AddFullExtent(cDrawingData*, DRect& extent) { extent = fullExtent_; }

void cWall::Move(const DPoint& offset) {
  start = Add(start, offset);
  end = Add(end, offset);
  MarkDirty();
}

bool cWall::Rotate(const TransformContext&, const DPoint& centre, double angleDegrees) {
  RotatePoint(start, centre, angleDegrees);
  RotatePoint(end, centre, angleDegrees);
  MarkDirty();
  return true;
}

bool cWall::Scale(const TransformContext&, const DPoint& centre, const DPoint& factors) {
  ScaleAbout(start, centre, factors);
  ScaleAbout(end, centre, factors);
  const double m = std::fmin(std::fabs(factors.x), std::fabs(factors.y));
  if (m != 0) {
    startRight *= m;
    startLeft *= m;
    endRight *= m;
    endLeft *= m;
  }
  if ((factors.x < 0) != (factors.y < 0)) {
    // A mirror turns left into right.
    const int alignment = Alignment();
    if (alignment == 1 || alignment == 2) {
      wallFlags = std::uint8_t((wallFlags & ~kAlignMask) | ((3 - alignment) << kAlignShift));
    }
  }
  MarkDirty();
  return true;
}

void cWall::SetPoints(const DPoint* points, int count) {
  if (!points || count < 2) return;
  start = points[0];
  end = points[1];
  MarkDirty();
}

void cWall::Assign(const cOutObj& source) {
  cOutObj::Assign(source);
  if (const cWall* wall = source.AsWall()) {
    wallStyle = wall->wallStyle;
    start = wall->start;
    end = wall->end;
    startRight = wall->startRight;
    startLeft = wall->startLeft;
    endRight = wall->endRight;
    endLeft = wall->endLeft;
    wallFlags = wall->wallFlags;
  }
}

// ---- generated objects ----

ObjectChain cWall::Resolve(cDrawingData* data, bool) {
  Recalc(data);
  ObjectChain chain;
  chain.AppendChain(band_.Resolve(data, true));
  chain.AppendChain(right_.Resolve(data, true));
  chain.AppendChain(left_.Resolve(data, true));
  if (wallFlags & kEndCap) chain.AppendChain(endCap_.Resolve(data, true));
  if (wallFlags & kStartCap) chain.AppendChain(startCap_.Resolve(data, true));
  return chain;
}

ObjectChain cWall::Explode(cDrawingData* data) {
  UpdateIfDirty(data);
  DRect unused;
  GetExtent(unused);
  ObjectChain chain;
  auto* band = new cPolygon();
  band->Assign(band_);
  chain.Append(band);
  const cLine* lines[4] = {&right_, &left_, (wallFlags & kEndCap) ? &endCap_ : nullptr,
                           (wallFlags & kStartCap) ? &startCap_ : nullptr};
  for (const cLine* line : lines) {
    if (!line) continue;
    auto* copy = new cLine();
    copy->Assign(*line);
    chain.Append(copy);
  }
  return chain;
}

// ---- drawing ----

void cWall::Draw(cDrawInfo* info) {
  if (!info || HasFlag(kFlagHidden)) return;
  UpdateIfDirty(info->data);
  DRect unused;
  GetExtent(unused);
  band_.Draw(info);
  right_.Draw(info);
  left_.Draw(info);
  if (wallFlags & kEndCap) endCap_.Draw(info);
  if (wallFlags & kStartCap) startCap_.Draw(info);
}

void cWall::DrawOutline(std::uint32_t value, cDrawInfo* info, bool) {
  if (!info) return;
  const cStyleWall* style = info->data ? info->data->WallStyles().Get(wallStyle) : nullptr;
  DPoint p[6];
  ComputeBand(p, style ? style->thickness : 0.0, false);
  CubicArray records;
  for (int i = 0; i + 1 < 6; ++i) records.Append64(Cubic::Straight(p[i], p[i + 1]));
  PathBuffer::Empty();
  AppendOutlinePiece(info->mapping, records, true);
  info->RasterizePath(value);
}

// ---- record ----

void cWall::Write(cDrawingData* data, ArchiveWriter& w) const {
  WriteHeader(w);
  WriteStyleRef<cStyleWall>(w, wallStyle, data);
  w.WriteRealPoint(start);
  w.WriteDeltaPoint(end, start);
  w.WriteCompactDouble(startRight);
  w.WriteCompactDouble(startLeft);
  w.WriteCompactDouble(endRight);
  w.WriteCompactDouble(endLeft);
  w.WriteBits(wallFlags, 8);
}

ObjectChain cWall::Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) {
  MarkDirty();
  if (version >= 3061) {
    ReadHeader(r, version);
    wallStyle = version < 3077 ? r.ReadCompactU16() : ReadStyleRef<cStyleWall>(r, version, data);
    start = r.ReadRealPoint();
    end = r.ReadDeltaPoint(start);
    startRight = r.ReadCompactDouble();
    startLeft = r.ReadCompactDouble();
    endRight = r.ReadCompactDouble();
    endLeft = r.ReadCompactDouble();
    wallFlags = std::uint8_t(r.ReadBits(8));
    return {};
  }
  // Walls before 3050 carried their own pen and fill; they become a wall
  // style of the drawing.
  cPolygon attributes;
  double oldThickness = 0.0;
  if (version >= 3050) {
    ReadHeader(r, version);
    wallStyle = r.ReadUInt16();
  } else {
    attributes.SetTypeByteSourceBits(TypeByte());
    attributes.ReadHeader(r, version);
    attributes.ReadLinePart(context, data, r, version);
    attributes.ReadFillPart(data, r, version);
    SetLevel(attributes.Level());
    CopyPages(attributes);
    SetFlag(kFlagSymbolFollows, attributes.HasFlag(kFlagSymbolFollows));
  }
  start = r.ReadFloatPoint();
  end = r.ReadFloatPoint();
  if (version < 3050) oldThickness = r.ReadFloat();
  startRight = r.ReadFloat();
  startLeft = r.ReadFloat();
  endRight = r.ReadFloat();
  endLeft = r.ReadFloat();
  wallFlags = r.ReadByte();
  if (version < 3050) wallStyle = data ? ConvertOldWallStyle(*data, attributes, 2 * oldThickness) : 0;
  return {};
}

}  // namespace kvn
