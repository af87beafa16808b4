#include "model/cStyleWall.h"

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/StyleRefs.h"
#include "model/VersionedString.h"
#include "model/cDrawingData.h"
#include "model/cStyleFill.h"
#include "model/cStyleLine.h"

namespace kvn {

namespace {

double PositiveWallScaleOf(const cDrawingData* data) {
  const double s = data ? data->GetScale() : 1.0;
  return s > 0.0 ? s : 1.0;
}

// Before 3068 patterns were sized by the pen or the drawing scale, whichever
// is larger (four pattern units per width).
double OldPatternFactor(double width, const cDrawingData* data) {
  const double pen = width * 4.0;
  const double s = PositiveWallScaleOf(data);
  return pen > s ? pen : s;
}

}  // namespace

cStyleWall::~cStyleWall() = default;

void cStyleWall::Scale(double factor) {
  if (factor == 0.0) return;
  thickness *= factor;
  attributes.width *= factor;
  attributes.patternScale *= factor;
  attributes.hatchValue *= factor;
  attributes.hatchScale *= factor;
}

// ---- record ----

void cStyleWall::Write(ArchiveWriter& w, cDrawingData* data) const {
  const DrawAttributes& a = attributes;
  w.WriteCompactDouble(thickness);
  WriteStyleRef<cStyleLine>(w, a.lineStyle, data);
  WriteStyleRef<cStyleFill>(w, a.fillStyle, data);

  // A named style that gives its own values leaves placeholders here.
  const cStyleLine* line = data ? data->LineStyles().Get(a.lineStyle) : nullptr;
  const bool lineFromStyle = line && !line->byObject;
  w.WriteSmallByte(a.lineStyle != kNoStyle ? 0 : a.lineType);
  w.WriteCompactDouble(lineFromStyle ? 0.0 : a.width);
  w.WriteRealOrUnit(lineFromStyle ? 0.0 : a.patternScale);
  w.WriteColor(lineFromStyle ? 0 : a.color);
  w.WriteColor(lineFromStyle ? 0x80FFFFFF : a.gapColor);
  w.WriteBit(lineFromStyle ? false : a.penOption != 0);

  const cStyleFill* fill = data ? data->FillStyles().Get(a.fillStyle) : nullptr;
  const bool fillFromStyle = fill && !fill->byObject;
  w.WriteColor(fillFromStyle ? 0 : a.fillColor);
  WriteOptionalU8(w, fillFromStyle ? 0 : a.opacity);
  w.WriteOptionalByte(a.fillStyle != kNoStyle ? 0 : a.hatchKind);
  w.WriteColor(fillFromStyle ? 0 : a.hatchColor);
  w.WriteCompactDouble(fillFromStyle ? 0.0 : a.hatchValue);
  w.WriteRealOrUnit(fillFromStyle ? 0.0 : a.hatchScale);
}

bool cStyleWall::Read(ArchiveReader& r, int version, cDrawingData* data) {
  attributes = DrawAttributes{};
  DrawAttributes& a = attributes;
  thickness = r.ReadCompactDouble();
  if (VersionBelow(version, 3077)) {
    a.lineStyle = r.ReadUInt16();
    a.fillStyle = r.ReadUInt16();
  } else {
    a.lineStyle = ReadStyleRef<cStyleLine>(r, version, data);
    a.fillStyle = ReadStyleRef<cStyleFill>(r, version, data);
  }

  const bool before3098 = VersionBelow(version, 3098);
  if (!before3098 || a.lineStyle == kNoStyle) {
    if (VersionBelow(version, 3061)) {
      a.lineType = r.ReadByte();
      a.width = r.ReadFloat();
      a.patternScale = r.ReadFloat();
      a.color = r.ReadRaw32() & 0xFFFFFF;
    } else {
      a.lineType = r.ReadSmallByte();
      a.width = r.ReadCompactDouble();
      a.patternScale = r.ReadRealOrUnit();
      a.color = r.ReadColor();
      if (!VersionBelow(version, 3111)) a.gapColor = r.ReadColor();
      if (!VersionBelow(version, 3062)) a.penOption = r.ReadBit();
    }
    if (VersionBelow(version, 3068)) a.patternScale *= OldPatternFactor(a.width, data);
  }

  if (!before3098 || a.fillStyle == kNoStyle) {
    if (VersionBelow(version, 3061)) {
      a.fillColor = r.ReadRaw32() & ~0x7F000000u;
      a.hatchKind = r.ReadByte();
      a.hatchColor = r.ReadRaw32() & 0xFFFFFF;
      a.hatchValue = r.ReadFloat();
      a.hatchScale = r.ReadFloat();
    } else {
      a.fillColor = r.ReadColor();
      if (!VersionBelow(version, 3079)) a.opacity = std::uint8_t(ReadOptionalFlagByte(r));
      a.hatchKind = r.ReadOptionalByte();
      a.hatchColor = r.ReadColor();
      a.hatchValue = r.ReadCompactDouble();
      a.hatchScale = r.ReadRealOrUnit();
    }
    if (VersionBelow(version, 3068)) a.hatchScale *= OldPatternFactor(a.hatchValue, data);
  }
  return !r.HasError();
}

void cStyleWall::TakeFillAttributes(const cOutObj& object, const FillFields& fill, const cDrawingData* data) {
  DrawAttributes& a = attributes;
  a.fillStyle = kNoStyle;
  a.fillColor = GetFillColor(object, fill, data);
  a.hatchColor = GetHatchColor(object, fill, data);
  a.hatchValue = GetHatchSize(object, fill, data);
  a.hatchScale = GetHatchScale(object, fill, data);
  a.opacity = GetFillAlpha(object, fill, data);
  a.hatchKind = GetHatchKind(object, fill, data);
}

}  // namespace kvn
