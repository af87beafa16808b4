#include "model/cSection.h"

#include <cmath>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/Geometry.h"

namespace kvn {

namespace {

}  // namespace

cSection::cSection() : cOutObj(kTypeSection) {}

cSection::~cSection() = default;

DRect& cSection::GetExtent(DRect& out) {
  if (automaticFrame) {
    out = derivedExtent;
    return out;
  }
  out = DRect{insertPoint.x, insertPoint.y, framePoint.x, framePoint.y};
  out.Normalize();
  return out;
}

void cSection::Move(const DPoint& offset) {
  insertPoint = {insertPoint.x + offset.x, insertPoint.y + offset.y};
  framePoint = {framePoint.x + offset.x, framePoint.y + offset.y};
  MarkDirty();
}

bool cSection::Rotate(const TransformContext&, const DPoint& centre, double angleDegrees) {
  angle = NormalizeAngle(angle - angleDegrees);
  RotatePoint(insertPoint, centre, angleDegrees);
  RotatePoint(framePoint, centre, angleDegrees);
  MarkDirty();
  // It did turn: a false answer would make the caller treat the section as
  // not turnable and explode it, which gives nothing.
  return true;
}

bool cSection::Scale(const TransformContext&, const DPoint& centre, const DPoint& factors) {
  ScaleAbout(insertPoint, centre, factors);
  ScaleAbout(framePoint, centre, factors);
  const double m = std::fmin(std::fabs(factors.x), std::fabs(factors.y));
  if (m > 0.0) scale *= m;
  MarkDirty();
  return true;
}

void cSection::SetPoints(const DPoint* points, int count) {
  if (!points || count < 2) return;
  insertPoint = points[0];
  framePoint = points[1];
  automaticFrame = 0;
  MarkDirty();
}

void cSection::Assign(const cOutObj& source) {
  cOutObj::Assign(source);
  if (const cSection* s = source.AsSection()) {
    insertPoint = s->insertPoint;
    framePoint = s->framePoint;
    scale = s->scale;
    angle = s->angle;
    sourcePoint = s->sourcePoint;
    sheetIndex = s->sheetIndex;
    page = s->page;
    recolour = s->recolour;
    color = s->color;
    selectionPresent = s->selectionPresent;
    automaticFrame = s->automaticFrame;
    referenceView = s->referenceView;
    selectionNames = s->selectionNames;
    selectionValues.Clear();
    selectionValues.Append(s->selectionValues.Items(), s->selectionValues.Count());
  }
  viewCache = nullptr;
  MarkDirty();
}

// ---- record ----

void cSection::Write(cDrawingData*, ArchiveWriter& w) const {
  WriteHeader(w);
  w.WriteRealPoint(insertPoint);
  w.WriteBit(automaticFrame != 0);
  if (!automaticFrame) w.WriteRealPoint(framePoint);
  w.WriteReal(scale);
  w.WriteRealPoint(sourcePoint);
  w.WriteCompactDouble(angle);
  w.WriteUInt16(sheetIndex);
  w.WriteUInt16(page);
  w.WriteBit(recolour != 0);
  if (recolour) w.WriteColor(color);
  w.WriteBit(selectionPresent != 0);
  if (!selectionPresent) return;
  // The raw count holds at most 65535 values, the compact one 65535 names.
  const std::uint32_t values = selectionValues.Count() < 65535 ? selectionValues.Count() : 65535;
  w.WriteUInt16(std::uint16_t(values));
  for (std::uint32_t i = 0; i < values; ++i) w.WriteUInt16(selectionValues.Items()[i]);
  const std::size_t names = selectionNames.size() < 65535 ? selectionNames.size() : 65535;
  w.WriteCompactU16(std::uint16_t(names));
  for (std::size_t i = 0; i < names; ++i) w.WriteString(selectionNames[i]);
}

ObjectChain cSection::Read(ReadContext*, cDrawingData*, ArchiveReader& r, int version) {
  const auto below = [version](int band) { return version >= 0 && version < band; };
  MarkDirty();
  ReadHeader(r, version);
  insertPoint = r.ReadRealPoint();
  automaticFrame = below(3082) ? 0 : (r.ReadBit() ? 1 : 0);
  if (!automaticFrame) framePoint = r.ReadRealPoint();
  scale = r.ReadReal();
  sourcePoint = r.ReadRealPoint();
  angle = r.ReadCompactDouble();
  if (below(3102)) {
    sheetIndex = r.ReadByte();
    page = r.ReadByte();
  } else {
    sheetIndex = std::uint16_t(r.ReadInt16());
    page = std::uint16_t(r.ReadInt16());
  }
  if (below(3069)) {
    recolour = 1;
  } else {
    recolour = r.ReadBit() ? 1 : 0;
    if (recolour) color = r.ReadColor();
  }
  if (below(3070)) return {};
  selectionPresent = r.ReadBit() ? 1 : 0;
  if (!selectionPresent) return {};
  if (below(3073)) {
    const std::uint8_t n = r.ReadByte();
    if (!r.CanRead(n, 1)) return {};
    for (std::uint32_t i = 0; i < n; ++i) selectionValues.Add(r.ReadByte());
  } else {
    const std::int16_t n = r.ReadInt16();
    if (n > 0 && r.CanRead(std::uint64_t(n), 2)) {
      for (std::int16_t i = 0; i < n; ++i) selectionValues.Add(r.ReadUInt16());
    }
  }
  if (below(3082)) return {};
  const std::uint16_t names = r.ReadCompactU16();
  for (std::uint32_t i = 0; i < names && !r.AtEnd() && !r.HasError(); ++i) {
    WString name;
    r.ReadString(name, false);
    selectionNames.push_back(name);
  }
  return {};
}

}  // namespace kvn
