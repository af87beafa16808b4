#include "model/cDistance.h"

#include <cmath>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/TextFormat.h"
#include "model/CharsetText.h"
#include "model/FontList.h"
#include "model/Geometry.h"
#include "model/ReadState.h"
#include "model/StyleRefs.h"
#include "model/VersionedString.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cStyleText.h"
#include "model/cText.h"

namespace kvn {

namespace {

// Segments shorter than this have no direction.
constexpr double kShortestSegment = 1.1920928955078125e-7;
// An unstyled text is this many drawing scales high.
constexpr double kUnstyledTextHeight = 2.5;

double Direction(const DPoint& a, const DPoint& b) { return std::atan2(b.y - a.y, b.x - a.x) * 180.0 / M_PI; }

}  // namespace

cDistance::cDistance() : cAnyLine(kTypeDistance) {
  stroke.lineType = kLineTypeNone;
  stroke.width = 0.0;
}

cDistance::~cDistance() = default;

// ---- geometry ----

DRect& cDistance::GetExtent(DRect& out) {
  out = DRect{first.x, first.y, second.x, second.y};
  out.Normalize();
  return out;
}

bool cDistance::GetOutline(CubicArray& out, int* position) {
  out.Append64(Cubic::Straight(first, second));
  if (position) *position = -1;
  return false;
}

double cDistance::GetTextAngle() const {
  if (!(dimensionFlags & kAligned)) return textAngle;
  return textAngle - Direction(first, second);
}

DPoint cDistance::GetRelativeTextOffset() const {
  const double length = std::hypot(second.x - first.x, second.y - first.y);
  if (!(length >= kShortestSegment)) return {0.0, 0.0};
  DPoint p = textPoint;
  RotatePoint(p, first, -Direction(first, second));
  return {(p.x - (first.x + length / 2)) / length, p.y - first.y};
}

void cDistance::PlaceTextFromOffset(const DPoint& offset) {
  const double length = std::hypot(second.x - first.x, second.y - first.y);
  DPoint p{first.x + length / 2 + offset.x * length, first.y + offset.y};
  RotatePoint(p, first, Direction(first, second));
  textPoint = p;
}

WString cDistance::FormatValue() const {
  double value = lengthFactor * std::hypot(second.x - first.x, second.y - first.y);
  if (numberMode < 8) {
    const double p = std::pow(10.0, 8 - int(numberMode));
    value = std::floor(value / p + 0.5) * p;
    return FormatDouble(value, 0, false);
  }
  return FormatDouble(value, int(numberMode - 8), true);
}

void cDistance::Recalc(cDrawingData* data) {
  cAnyLine::Recalc(data);
  RebuildText(data);
}

void cDistance::RebuildText(cDrawingData* data) {
  text_.reset();
  if (!data) return;
  const std::uint16_t style = cDrawingData::TextStyleIndex(textStyle, data);
  WString shown = prefix;
  shown.Append(FormatValue());
  shown.Append(suffix);
  auto text = std::make_unique<cText>();
  text->SetText(shown);
  if (style == kNoStyle) {
    const double scale = data->GetScale();
    text->attr.color = 0;
    text->attr.height = kUnstyledTextHeight * (scale > 0.0 ? scale : 1.0);
    // A new text names no face: an unstyled one takes the default face of
    // old texts, so that it has one to be drawn in.
    text->faceName = GetDefaultFaceForKind(text->pitchAndFamily, 0);
    RegisterTextFont(*data, *text);
  } else {
    text->SetTypeByteSourceBits(kTypeStyledStroke);
    text->attr.textStyle = style;
    text->attr.color = 0x80000000u;
    text->attr.height = 0.0;
  }
  text->alignment = std::uint8_t((text->alignment & ~kAlignCodeMask) | (dimensionFlags >> 4));
  text->point = textPoint;
  text->SetAngle(GetTextAngle());
  text->SetLevel(Level());
  text->CopyVisibilityFlags(*this);
  text->CopyPages(*this);
  text->MarkDirty();
  // The digits are loaded too, so that a changed length needs no new glyphs.
  data->LoadGlyphsForText(*text);
  const int face = (text->IsBold(data) ? 1 : 0) + (text->IsItalic(data) ? 2 : 0);
  data->LoadGlyphs(text->GetFontIndex(data), WString(u"0123456789.,"), face);
  text_ = std::move(text);
}

void cDistance::AddFullExtent(cDrawingData* data, DRect& extent) {
  cAnyLine::AddFullExtent(data, extent);
  if (!text_) return;
  DRect box;
  text_->GetFullExtent(data, box);
  bool first = false;
  extent.Union(box, first);
}

// ---- editing ----

void cDistance::Move(const DPoint& offset) {
  for (DPoint* p : {&first, &second, &textPoint}) *p = {p->x + offset.x, p->y + offset.y};
  MarkDirty();
}

bool cDistance::Rotate(const TransformContext&, const DPoint& centre, double angleDegrees) {
  RotatePoint(first, centre, angleDegrees);
  RotatePoint(second, centre, angleDegrees);
  RotatePoint(textPoint, centre, angleDegrees);
  MarkDirty();
  return true;
}

bool cDistance::Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) {
  const DPoint offset = GetRelativeTextOffset();
  ScaleAbout(first, centre, factors);
  ScaleAbout(second, centre, factors);
  if (context.data && context.chain) {
    PlaceTextFromOffset(offset);
  } else {
    ScaleAbout(textPoint, centre, factors);
  }
  MarkDirty();
  return true;
}

void cDistance::SetPoints(const DPoint* points, int count) {
  if (!points || count < 2) return;
  SetPointsWithData(points, nullptr);
}

void cDistance::SetPointsWithData(const DPoint* points, cDrawingData* data) {
  if (!points) return;
  const DPoint offset = GetRelativeTextOffset();
  first = points[0];
  second = points[1];
  MarkDirty();
  if (!data) {
    PlaceTextFromOffset(offset);
    return;
  }
  textPoint = {(first.x + second.x) / 2, (first.y + second.y) / 2};
  dimensionFlags = std::uint8_t((dimensionFlags & 0x0F) | 0x70);
  const double length = std::hypot(second.x - first.x, second.y - first.y);
  if (length > kShortestSegment) {
    // The text sits a tenth of its line height above the segment.
    const double direction = Direction(first, second);
    RotatePoint(textPoint, first, -direction);
    UpdateIfDirty(data);
    const double lineHeight = text_ ? text_->GetLineHeight(data) : 0.0;
    textPoint.y -= 0.1 * lineHeight;
    RotatePoint(textPoint, first, direction);
  }
  MarkDirty();
}

void cDistance::Assign(const cOutObj& source) {
  cAnyLine::Assign(source);
  if (const cDistance* d = source.AsDistance()) {
    first = d->first;
    second = d->second;
    textPoint = d->textPoint;
    dimensionFlags = d->dimensionFlags;
    textAngle = d->textAngle;
    prefix = d->prefix;
    suffix = d->suffix;
    textStyle = d->textStyle;
    numberMode = d->numberMode;
    lengthFactor = d->lengthFactor;
  }
}

// ---- generated objects ----

ObjectChain cDistance::Resolve(cDrawingData* data, bool) {
  UpdateIfDirty(data);
  DRect unused;
  GetExtent(unused);
  cLine line;
  line.cAnyLine::Assign(*this);
  line.start = first;
  line.end = second;
  ObjectChain chain = line.Resolve(data, true);
  if (text_) chain.AppendChain(text_->Resolve(data, true));
  return chain;
}

ObjectChain cDistance::Explode(cDrawingData* data) {
  UpdateIfDirty(data);
  DRect unused;
  GetExtent(unused);
  ObjectChain chain;
  if (GetLineType(data) != kLineTypeNone) {
    auto* line = new cLine();
    line->cAnyLine::Assign(*this);
    line->start = first;
    line->end = second;
    chain.Append(line);
  }
  if (text_) {
    auto* copy = new cText();
    copy->Assign(*text_);
    chain.Append(copy);
  }
  return chain;
}

// ---- record ----

void cDistance::Write(cDrawingData* data, ArchiveWriter& w) const {
  WriteHeader(w);
  WriteLinePart(data, w);
  w.WriteCompactDouble(textAngle);
  w.WriteRealPoint(first);
  w.WriteDeltaPoint(second, first);
  w.WriteRealPoint(textPoint);
  w.WriteBits(dimensionFlags, 8);
  WriteTextStyleRef(w, textStyle, data, true);
  w.WriteString(prefix);
  w.WriteString(suffix);
}

ObjectChain cDistance::Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) {
  MarkDirty();
  ReadHeader(r, version);
  if (!VersionBelow(version, 3084)) {
    ReadLinePart(context, data, r, version);
    textAngle = r.ReadCompactDouble();
  }
  if (VersionBelow(version, 3061)) {
    ReadOldForm(context, data, r, version);
  } else {
    first = r.ReadRealPoint();
    second = r.ReadDeltaPoint(first);
    textPoint = r.ReadRealPoint();
    dimensionFlags = std::uint8_t(r.ReadBits(8));
    textStyle = VersionBelow(version, 3077) ? r.ReadCompactU16() : ReadTextStyleRef(r, version, data, true);
  }
  if (VersionBelow(version, 3090) && (textStyle & 0x8000)) textStyle = kDefaultTextStyle;
  if (VersionBelow(version, 3084)) {
    const int kind = dimensionFlags & 0x07;
    dimensionFlags = std::uint8_t(dimensionFlags & ~0x07);
    static constexpr double kKindAngles[5] = {0.0, 0.0, 90.0, 180.0, 270.0};
    if (kind >= 1 && kind <= 4) {
      textAngle = kKindAngles[kind];
    } else {
      dimensionFlags |= kAligned;
      textAngle = 0.0;
    }
  }
  if (!VersionBelow(version, 3061)) {
    r.ReadString(prefix, VersionBelow(version, 3073));
    r.ReadString(suffix, VersionBelow(version, 3073));
    UpgradeFileNameFields(prefix, version);
    UpgradeFileNameFields(suffix, version);
  } else if (!VersionBelow(version, 3052)) {
    prefix = ReadArchiveWString(r);
    suffix = ReadArchiveWString(r);
  } else {
    std::uint8_t charset = 0;
    WString face;
    const std::uint16_t style = cDrawingData::TextStyleIndex(textStyle, data);
    if (style != kNoStyle) {
      const TextAttributes& a = data->TextStyles().Get(style)->attributes;
      charset = a.charSet;
      face = WString(a.faceName);
    }
    const AString p = ReadArchiveCString(r);
    const AString s = ReadArchiveCString(r);
    CharsetToCodePage(prefix, p.View(), charset, face);
    CharsetToCodePage(suffix, s.View(), charset, face);
  }
  if (VersionBelow(version, 3056)) {
    // The stored text point was (along, across) relative to the segment;
    // across counted in lines below it.
    DPoint offset = textPoint;
    if (data) {
      RebuildText(data);
      if (text_) {
        offset.y = (offset.y + 0.5) * -(text_->GetLineHeight(data) + text_->GetLineGap(data));
        dimensionFlags = std::uint8_t((dimensionFlags & 0x0F) | 0x10);
      }
    }
    PlaceTextFromOffset(offset);
    MarkDirty();
  }
  return {};
}

void cDistance::ReadOldForm(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) {
  first = r.ReadFloatPoint();
  second = r.ReadFloatPoint();
  textPoint = r.ReadFloatPoint();
  dimensionFlags = r.ReadByte();
  if (!VersionBelow(version, 3050)) {
    textStyle = std::uint16_t(r.ReadInt16());
  } else if (data && context && context->labelTextAttributes) {
    // No style stored: the drawing's default text attributes become one.
    textStyle = data->AddTextStyle(context->labelTextAttributes[0]);
  } else {
    textStyle = 0;
  }
}

}  // namespace kvn
