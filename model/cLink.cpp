#include "model/cLink.h"

#include <cmath>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/TextFormat.h"
#include "model/FontList.h"
#include "model/Geometry.h"
#include "model/ObjectLabelText.h"
#include "model/ReadState.h"
#include "model/StyleRefs.h"
#include "model/VersionedString.h"
#include "model/cDrawingData.h"
#include "model/cStyleLine.h"
#include "model/cStyleLink.h"
#include "model/cText.h"
#include "render/DrawInfo.h"

namespace kvn {

namespace {

bool linkDebugOn = false;

const char16_t kDebugId[] = u"DEBUG_ID";
const char16_t kDebugLength[] = u"DEBUG_LEN";
const char16_t kDebugUse[] = u"DEBUG_USE";

// An unstyled label is this many drawing scales high.
constexpr double kUnstyledLinkLabelHeight = 2.0;

bool NamesLineStyle(const cDrawingData& data, std::uint16_t index) {
  return data.LineStyles().Contains(index) && data.LineStyles().Get(index) != nullptr;
}

// The value of the leading decimal digits (0 without any).
std::int64_t LeadingDigits(const WString& text) {
  std::int64_t value = 0;
  for (int i = 0; i < text.Length() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    if (value < 1000000000000LL) value = value * 10 + (text[i] - u'0');
  }
  return value;
}

}  // namespace

bool IsLinkDebugOn() { return linkDebugOn; }
void SetLinkDebugOn(bool on) { linkDebugOn = on; }

cLink::cLink() : cOutObj(kTypeLink) { path_.FirstList().SetClosed(false); }

cLink::~cLink() = default;

// ---- link style ----

bool cLink::HasValidStyle(const cDrawingData* data) const {
  return data && data->LinkStyles().Contains(linkStyle) && data->LinkStyles().Get(linkStyle);
}

void cLink::ApplyStyleToLine(cDrawingData* data, cAnyLine& line) const {
  if (!HasValidStyle(data)) return;
  const DrawAttributes& style = data->LinkStyles().Get(linkStyle)->attributes;
  line.SetTypeByteSourceBits(std::uint8_t(line.TypeByte() & ~kTypeStyledStroke & 0xC0));
  line.stroke.lineType = style.lineType;
  if (style.lineStyle == kNoStyle) {
    line.stroke.color = style.color;
    line.stroke.gapColor = style.gapColor;
  } else {
    // The line stays styled only when the style it will find exists: the
    // former index is tried first, the new one when the former is outside
    // the table.
    const std::uint16_t former = line.stroke.formerLineStyle;
    line.stroke.lineStyle = style.lineStyle;
    const bool found = data->LineStyles().Contains(former) ? NamesLineStyle(*data, former)
                                                           : NamesLineStyle(*data, style.lineStyle);
    if (found) line.SetTypeByteSourceBits(std::uint8_t(line.TypeByte() | kTypeStyledStroke));
  }
  line.stroke.width = style.width;
  line.stroke.patternScale = style.patternScale;
  line.stroke.penOption = style.penOption;
  line.MarkDirty();
}

// ---- ends ----

void cLink::SetStartInsert(std::uint32_t runningId, std::uint16_t number) {
  end1Number = runningId;
  end1Index = runningId ? number : 0;
}

void cLink::SetEndInsert(std::uint32_t runningId, std::uint16_t number) {
  end2Number = runningId;
  end2Index = runningId ? number : 0;
}

WString cLink::GetDescription() const {
  for (std::uint32_t i = 0; i < attributes.Count(); ++i) {
    if (attributes.Get(i)->kind == 2) return attributes.Get(i)->value;
  }
  return {};
}

// ---- derived geometry ----

void cLink::Recalc(cDrawingData* data) {
  path_.MarkDirty();
  path_.SetLevel(Level());
  path_.CopyVisibilityFlags(*this);
  path_.CopyPages(*this);
  ApplyStyleToLine(data, path_);
  path_.UpdateIfDirty(data);
  label_.reset();
  RebuildLabel(data);
}

void cLink::RebuildLabel(cDrawingData* data) {
  if (!data || !labelShown) return;
  const std::uint16_t style = cDrawingData::TextStyleIndex(labelTextStyle, data);
  const WString styleName = HasValidStyle(data) ? data->LinkStyles().Get(linkStyle)->name : WString();
  const LabelSource source = LabelSourceFromAttributes(styleName, &attributes);
  const WString text = BuildObjectLabelText(labelText, source);
  if (text.IsEmpty()) return;
  auto label = std::make_unique<cText>();
  if (style != kNoStyle) {
    label->SetTypeByteSourceBits(kTypeStyledStroke);
    label->attr.textStyle = style;
    label->attr.height = 0.0;
    label->attr.color = 0x80000000u;
  } else {
    const double scale = data->GetScale();
    if (scale == 0.0) return;
    label->attr.color = 0;
    label->attr.height = kUnstyledLinkLabelHeight * (scale > 0.0 ? scale : 1.0);
    // A new text names no face: an unstyled one takes the default face of
    // old texts, so that it has one to be drawn in.
    label->faceName = GetDefaultFaceForKind(label->pitchAndFamily, 0);
    RegisterTextFont(*data, *label);
  }
  label->SetLevel(Level());
  label->CopyVisibilityFlags(*this);
  label->CopyPages(*this);
  label->alignment = std::uint8_t((label->alignment & ~kAlignCodeMask) | (labelAlignment & kAlignCodeMask));
  label->SetText(text);
  label->point = labelPosition;
  label->SetAngle(labelAngle);
  label->ExpandFieldsInSource(data, this, nullptr);
  data->LoadGlyphsForText(*label);
  label->MarkDirty();
  label_ = std::move(label);
}

DRect& cLink::GetExtent(DRect& out) { return path_.GetExtent(out); }

void cLink::AddStrokeExtent(cDrawingData* data, DRect& extent) {
  path_.AddStrokeExtent(data, extent);
  if (!label_) return;
  DRect copy = extent;
  label_->AddStrokeExtent(data, copy);
  bool first = false;
  extent.Union(copy, first);
  extent.Normalize();
}

void cLink::AddFullExtent(cDrawingData* data, DRect& extent) {
  path_.AddFullExtent(data, extent);
  if (!label_) return;
  DRect copy = extent;
  label_->AddFullExtent(data, copy);
  DRect grown = extent;
  grown.x1 = std::fmin(extent.x1, copy.x1);
  grown.y1 = std::fmin(extent.y1, copy.y1);
  grown.x2 = std::fmax(extent.x2, copy.x2);
  grown.y2 = std::fmax(extent.y2, copy.y2);
  extent = grown;
}

// ---- generated objects ----

ObjectChain cLink::Resolve(cDrawingData* data, bool makeCopy) {
  UpdateIfDirty(data);
  DRect unused;
  GetExtent(unused);
  ObjectChain chain;
  if (label_) {
    ObjectChain text = label_->Resolve(data, makeCopy);
    if (text) {
      chain.AppendChain(std::move(text));
    } else {
      // The label merged its style into itself; a copy of it stands in the
      // chain, the label itself stays with the link.
      auto copy = std::make_unique<cText>();
      copy->Assign(*label_);
      chain.Append(copy.release());
    }
  }
  auto copy = std::make_unique<cPolygon>();
  copy->Assign(path_);
  ObjectChain resolved = copy->Resolve(data, false);
  if (resolved) {
    chain.AppendChain(std::move(resolved));
  } else {
    chain.Append(copy.release());
  }
  return chain;
}

ObjectChain cLink::Explode(cDrawingData* data) {
  UpdateIfDirty(data);
  ObjectChain chain;
  if (label_) {
    auto text = std::make_unique<cText>();
    text->Assign(*label_);
    text->SetText(label_->GetDisplayText(data));
    chain.Append(text.release());
  }
  auto polygon = std::make_unique<cPolygon>();
  polygon->Assign(path_);
  chain.Append(polygon.release());
  return chain;
}

// ---- drawing ----

void cLink::Draw(cDrawInfo* info) {
  if (!info || HasFlag(kFlagHidden)) return;
  UpdateIfDirty(info->data);
  DRect unused;
  GetExtent(unused);
  if (label_) label_->Draw(info);
  path_.Draw(info);
}

void cLink::DrawOutline(std::uint32_t value, cDrawInfo* info, bool) {
  if (label_) label_->DrawOutline(value, info, false);
  path_.DrawOutline(value, info, false);
}

// ---- editing ----

void cLink::Move(const DPoint& offset) {
  for (DPoint& p : Points().Points()) p = {p.x + offset.x, p.y + offset.y};
  labelPosition = {labelPosition.x + offset.x, labelPosition.y + offset.y};
  anchor = {anchor.x + offset.x, anchor.y + offset.y};
  path_.MarkDirty();
  MarkDirty();
}

void cLink::ScaleLineWidths(const TransformContext&, double factor) {
  if (!(factor >= 0)) return;
  sizeValue *= factor;
  MarkDirty();
}

bool cLink::Rotate(const TransformContext&, const DPoint& centre, double angleDegrees) {
  if (angleDegrees == 0.0) return true;
  for (DPoint& p : Points().Points()) RotatePoint(p, centre, angleDegrees);
  RotatePoint(labelPosition, centre, angleDegrees);
  RotatePoint(anchor, centre, angleDegrees);
  labelAngle = NormalizeAngle(labelAngle - angleDegrees);
  path_.MarkDirty();
  MarkDirty();
  return true;
}

bool cLink::Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) {
  path_.Scale(context, centre, factors);
  ScaleAbout(labelPosition, centre, factors);
  ScaleAbout(anchor, centre, factors);
  MarkDirty();
  return true;
}

void cLink::Assign(const cOutObj& source) {
  cOutObj::Assign(source);
  const cLink* link = source.AsLink();
  if (!link) return;
  Points().Assign(link->Points());
  attributes.Assign(link->attributes);
  path_.SetLevel(Level());
  path_.CopyVisibilityFlags(*this);
  path_.CopyPages(*this);
  labelText = link->labelText;
  sizeValue = link->sizeValue;
  anchor = link->anchor;
  flagB = link->flagB;
  linkStyle = link->linkStyle;
  flagA = link->flagA;
  end1Number = link->end1Number;
  end1Index = link->end1Index;
  end2Number = link->end2Number;
  end2Index = link->end2Index;
  end1WriteNumber = link->end1WriteNumber;
  end2WriteNumber = link->end2WriteNumber;
  labelShown = link->labelShown;
  labelPosition = link->labelPosition;
  labelTextStyle = link->labelTextStyle;
  labelAlignment = link->labelAlignment;
  labelAngle = link->labelAngle;
  anchorFlag = link->anchorFlag;
  debugId = link->debugId;
  debugUse = link->debugUse;
  debugLength = link->debugLength;
}

// ---- record ----

void cLink::Write(cDrawingData* data, ArchiveWriter& w) const {
  WriteHeader(w);
  WriteStyleRef<cStyleLink>(w, linkStyle, data);
  Points().Write(w);
  w.WriteCompactU32(end1WriteNumber);
  w.WriteCompactU16(end1WriteNumber ? end1Index : 0);
  w.WriteCompactU32(end2WriteNumber);
  w.WriteCompactU16(end2WriteNumber ? end2Index : 0);
  if (linkDebugOn && debugUse != 0) {
    AttributeList withDebug;
    withDebug.Assign(attributes);
    withDebug.Add(AttributeItem{WString(kDebugId), IntToWString(debugId), {}, 0, 1});
    withDebug.Add(AttributeItem{WString(kDebugLength), FormatDouble(debugLength, kDoubleModeShortest), {}, 0, 1});
    withDebug.Add(AttributeItem{WString(kDebugUse), IntToWString(debugUse), {}, 0, 1});
    withDebug.Write(w);
  } else {
    attributes.Write(w);
  }
  const bool anchored = end1WriteNumber != 0 && end2WriteNumber != 0 && flagA && anchorFlag;
  w.WriteBit(flagA != 0);
  w.WriteBit(flagB != 0);
  w.WriteBit(anchored);
  w.WriteBit(labelShown != 0);
  if (anchored) w.WriteRealPoint(anchor);
  if (labelShown) {
    w.WriteRealPoint(labelPosition);
    WriteTextStyleRef(w, labelTextStyle, data, true);
    w.WriteBits(labelAlignment, 8);
    w.WriteCompactDouble(labelAngle);
    w.WriteString(labelText);
  }
  w.WriteCompactDouble(sizeValue);
}

ObjectChain cLink::Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) {
  MarkDirty();
  if (VersionBelow(version, 3050)) {
    ReadOldPath(context, data, r, version);
  } else {
    ReadHeader(r, version);
    linkStyle = VersionBelow(version, 3077) ? r.ReadUInt16() : ReadStyleRef<cStyleLink>(r, version, data);
    Points().Read(r, version);
  }
  path_.MarkDirty();
  if (VersionBelow(version, 3078)) {
    flagA = (r.ReadByte() & 0x80) ? 1 : 0;
    flagB = 1;
  }
  if (VersionBelow(version, 3072)) {
    end1Number = std::uint16_t(r.ReadInt16());
    end1Index = std::uint16_t(r.ReadInt16());
    end2Number = std::uint16_t(r.ReadInt16());
    end2Index = std::uint16_t(r.ReadInt16());
  } else {
    end1Number = r.ReadCompactU32();
    end1Index = r.ReadCompactU16();
    end2Number = r.ReadCompactU32();
    end2Index = r.ReadCompactU16();
  }
  end1WriteNumber = end1Number;
  end2WriteNumber = end2Number;
  if (VersionBelow(version, 3073)) {
    const std::int32_t n = r.ReadInt32();
    const bool wide = !VersionBelow(version, 3052);
    if (n > 0 && r.CanRead(std::uint64_t(n), wide ? 2 : 1)) {
      std::vector<std::uint8_t> bytes;
      if (r.ReadIntoVector(bytes, std::uint64_t(n) * (wide ? 2 : 1))) {
        if (wide) {
          std::vector<char16_t> units(static_cast<std::size_t>(n));
          for (std::size_t i = 0; i < units.size(); ++i) {
            units[i] = char16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
          }
          attributes.ReadPackedWide(units.data(), units.size());
        } else {
          attributes.ReadPacked8(bytes.data(), bytes.size());
        }
      }
    }
  } else {
    attributes.Read(r, version, false);
  }
  if (!VersionBelow(version, 3078)) {
    flagA = r.ReadBit() ? 1 : 0;
    flagB = r.ReadBit() ? 1 : 0;
    anchorFlag = r.ReadBit() ? 1 : 0;
    labelShown = r.ReadBit() ? 1 : 0;
    if (anchorFlag) anchor = r.ReadRealPoint();
    if (labelShown) {
      labelPosition = r.ReadRealPoint();
      labelTextStyle = ReadTextStyleRef(r, version, data, true);
      labelAlignment = std::uint8_t(r.ReadBits(8));
      labelAngle = r.ReadCompactDouble();
      r.ReadString(labelText, false);
    }
  }
  if (VersionBelow(version, 3090) && labelTextStyle > 32767) labelTextStyle = kDefaultLabelStyle;
  if (!VersionBelow(version, 3089)) sizeValue = r.ReadCompactDouble();
  if (linkDebugOn) TakeDebugAttributes();
  return {};
}

void cLink::ReadOldPath(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) {
  // Links before 3050 were polygons carrying their own line look.
  cPolygon polygon;
  polygon.SetTypeByteSourceBits(TypeByte());
  (void)polygon.Read(context, data, r, version);
  Points().Assign(polygon.FirstList());
  SetLevel(polygon.Level());
  CopyPages(polygon);
  const bool symbol = polygon.HasFlag(kFlagSymbolFollows);
  SetFlag(kFlagSymbolFollows, symbol);
  if (!data) return;

  cStyleLine look;
  look.SetFromObject(polygon, polygon.stroke, data);
  look.MakeName();
  LinkStyleTable& table = data->LinkStyles();
  if (!symbol) {
    for (std::uint32_t i = 0; i < table.Count(); ++i) {
      if (table.Get(i) && table.Get(i)->name.Equals(look.name)) {
        linkStyle = std::uint16_t(i);
        return;
      }
    }
  }
  auto style = std::make_unique<cStyleLink>();
  style->name = look.name;
  DrawAttributes& a = style->attributes;
  a.lineStyle = kNoStyle;
  a.color = polygon.GetColor(data);
  a.gapColor = polygon.GetGapColor(data);
  a.lineType = polygon.GetLineType(data);
  a.width = polygon.GetWidth(data);
  a.patternScale = polygon.GetPatternScale(data);
  a.penOption = polygon.GetPenOption(data);
  linkStyle = table.Add(std::move(style));
  // The symbol-line conversion after this record renames the style it made
  // for the symbol line; it finds it here.
  if (symbol && context) context->rememberedLinkStyle = linkStyle;
}

void cLink::TakeDebugAttributes() {
  AttributeList kept;
  bool any = false;
  for (std::uint32_t i = 0; i < attributes.Count(); ++i) {
    const AttributeItem* item = attributes.Get(i);
    if (item->name == kDebugId) {
      debugId = std::int32_t(LeadingDigits(item->value) & 0x7FFFFFFF);
    } else if (item->name == kDebugLength) {
      debugLength = double(LeadingDigits(item->value));
    } else if (item->name == kDebugUse) {
      debugUse = std::int32_t(LeadingDigits(item->value) & 0x7FFFFFFF);
    } else {
      kept.Add(AttributeItem{item->name, item->value, item->third, item->kind, item->flag});
      continue;
    }
    any = true;
  }
  if (any) attributes.Assign(kept);
}

}  // namespace kvn
