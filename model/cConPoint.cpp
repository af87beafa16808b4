#include "model/cConPoint.h"

#include <cfloat>
#include <cmath>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/FontList.h"
#include "model/Geometry.h"
#include "model/StyleRefs.h"
#include "model/cDrawingData.h"
#include "model/cText.h"

namespace kvn {

namespace {

// An unstyled label is this many drawing scales high.
constexpr double kUnstyledLabelHeight = 2.5;

}  // namespace

cConPoint::cConPoint() : cOutObj(kTypeConPoint) {}

cConPoint::~cConPoint() = default;

void cConPoint::Recalc(cDrawingData* data) {
  label_.reset();
  if (!data || name.IsEmpty() || !labelShown) return;
  auto text = std::make_unique<cText>();
  text->SetText(name);
  const std::uint16_t style = cDrawingData::TextStyleIndex(labelTextStyle, data);
  if (style != kNoStyle) {
    text->SetTypeByteSourceBits(kTypeStyledStroke);
    text->attr.textStyle = style;
    text->attr.color = 0x80000000u;
    text->attr.height = 0.0;
  } else {
    const double scale = data->GetScale();
    text->attr.color = 0;
    text->attr.height = kUnstyledLabelHeight * (scale > 0.0 ? scale : 1.0);
    // A new text names no face: an unstyled one takes the default face of
    // old texts, so that it has one to be drawn in.
    text->faceName = GetDefaultFaceForKind(text->pitchAndFamily, 0);
    RegisterTextFont(*data, *text);
  }
  text->alignment = std::uint8_t((labelAlignment & kAlignCodeMask) | (fixedLabelAngle ? kAlignKeepAngle : 0));
  text->point = labelPosition;
  text->SetAngle(labelAngle);
  text->SetLevel(Level());
  text->CopyVisibilityFlags(*this);
  text->CopyPages(*this);
  text->MarkDirty();
  data->LoadGlyphsForText(*text);
  label_ = std::move(text);
}

ObjectChain cConPoint::Resolve(cDrawingData* data, bool makeCopy) {
  UpdateIfDirty(data);
  DRect unused;
  GetExtent(unused);
  if (!label_) return {};
  ObjectChain chain = label_->Resolve(data, makeCopy);
  return chain;
}

ObjectChain cConPoint::Explode(cDrawingData* data) {
  if (name.IsEmpty() || !labelShown) return {};
  UpdateIfDirty(data);
  DRect unused;
  GetExtent(unused);
  if (!label_) return {};
  auto copy = std::make_unique<cText>();
  copy->Assign(*label_);
  ObjectChain chain;
  chain.Append(copy.release());
  return chain;
}

DRect& cConPoint::GetExtent(DRect& out) {
  out = DRect{position.x, position.y, position.x, position.y};
  return out;
}

void cConPoint::AddFullExtent(cDrawingData* data, DRect& extent) {
  if (!label_) return;
  DRect box;
  label_->GetFullExtent(data, box);
  bool first = false;
  extent.Union(box, first);
}

void cConPoint::Move(const DPoint& offset) {
  position = {position.x + offset.x, position.y + offset.y};
  labelPosition = {labelPosition.x + offset.x, labelPosition.y + offset.y};
  MarkDirty();
}

bool cConPoint::Rotate(const TransformContext&, const DPoint& centre, double angleDegrees) {
  angle = NormalizeAngle(angle - angleDegrees);
  RotatePoint(position, centre, angleDegrees);
  RotatePoint(labelPosition, centre, angleDegrees);
  if (!fixedLabelAngle) labelAngle = NormalizeAngle(labelAngle - angleDegrees);
  MarkDirty();
  return true;
}

bool cConPoint::Scale(const TransformContext&, const DPoint& centre, const DPoint& factors) {
  const double a = angle * M_PI / 180.0;
  DPoint ahead{position.x + std::cos(a), position.y + std::sin(a)};
  ScaleAbout(position, centre, factors);
  ScaleAbout(labelPosition, centre, factors);
  ScaleAbout(ahead, centre, factors);
  angle = NormalizeAngle(std::atan2(ahead.y - position.y, ahead.x - position.x) * 180.0 / M_PI);
  MarkDirty();
  return true;
}

void cConPoint::SetPoints(const DPoint* points, int count) {
  if (!points || count < 2) return;
  position = points[0];
  labelPosition = points[1];
  MarkDirty();
}

void cConPoint::Assign(const cOutObj& source) {
  cOutObj::Assign(source);
  if (const cConPoint* point = source.AsConPoint()) {
    position = point->position;
    angle = point->angle;
    labelTextStyle = point->labelTextStyle;
    labelAlignment = point->labelAlignment;
    labelPosition = point->labelPosition;
    labelAngle = point->labelAngle;
    labelShown = point->labelShown;
    fixedLabelAngle = point->fixedLabelAngle;
    name = point->name;
  }
}

// ---- record ----

void cConPoint::Write(cDrawingData* data, ArchiveWriter& w) const {
  WriteHeader(w);
  w.WriteRealPoint(position);
  w.WriteCompactDouble(angle);
  w.WriteBit(!name.IsEmpty());
  if (name.IsEmpty()) return;
  w.WriteString(name);
  w.WriteBit(labelShown != 0);
  if (!labelShown) return;
  w.WriteRealPoint(labelPosition);
  WriteTextStyleRef(w, labelTextStyle, data, true);
  w.WriteBits(labelAlignment, 8);
  w.WriteCompactDouble(labelAngle);
  w.WriteBit(fixedLabelAngle != 0);
}

ObjectChain cConPoint::Read(ReadContext*, cDrawingData* data, ArchiveReader& r, int version) {
  MarkDirty();
  ReadHeader(r, version);
  if (version >= 0 && version < 3061) {
    position = r.ReadFloatPoint();
    labelPosition = position;
    const double stored = r.ReadFloat();
    // FLT_MAX was the old files' "no angle".
    if (stored != double(FLT_MAX)) angle = stored;
    return {};
  }
  position = r.ReadRealPoint();
  labelPosition = position;
  angle = r.ReadCompactDouble();
  if (version >= 0 && version < 3081) return {};
  if (!r.ReadBit()) return {};
  r.ReadString(name, false);
  UpgradeFileNameFields(name, version);
  labelShown = r.ReadBit() ? 1 : 0;
  if (!labelShown) return {};
  labelPosition = r.ReadRealPoint();
  labelTextStyle = ReadTextStyleRef(r, version, data, true);
  labelAlignment = std::uint8_t(r.ReadBits(8));
  labelAngle = r.ReadCompactDouble();
  fixedLabelAngle = r.ReadBit() ? 1 : 0;
  return {};
}

}  // namespace kvn
