#include "model/cAnyLine.h"

#include <cmath>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/ReadState.h"
#include "model/StyleRefs.h"
#include "model/cAnyFill.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cStyleLine.h"
#include "render/DrawInfo.h"

namespace kvn {

namespace {

bool patternExpansionOn = true;

}  // namespace

bool IsPatternExpansionOn() { return patternExpansionOn; }
void SetPatternExpansionOn(bool on) { patternExpansionOn = on; }

ReadContext::ReadContext() = default;
ReadContext::~ReadContext() = default;

cAnyLine::cAnyLine(std::uint8_t typeCode) : cOutObj(typeCode) {}

cAnyLine::~cAnyLine() = default;

// ---- attributes ----

void cAnyLine::SetLineTypeFromPenStyle(int penStyle) {
  switch (penStyle) {
    case 1: stroke.lineType = 5; break;   // PS_DASH
    case 2: stroke.lineType = 4; break;   // PS_DOT
    case 3: stroke.lineType = 13; break;  // PS_DASHDOT
    case 4: stroke.lineType = 14; break;  // PS_DASHDOTDOT
    case 5: stroke.lineType = 0; break;   // PS_NULL
    default: stroke.lineType = 1; break;  // PS_SOLID, PS_INSIDEFRAME and the rest
  }
  MarkDirty();
}

void cAnyLine::ScaleLineWidths(const TransformContext&, double factor) {
  if (!(factor >= 0)) return;
  stroke.width *= factor;
  stroke.patternScale *= factor;
  MarkDirty();
}

void cAnyLine::Assign(const cOutObj& source) {
  cOutObj::Assign(source);
  const cAnyLine* line = source.AsAnyLine();
  if (!line) return;
  SetTypeByteSourceBits(std::uint8_t((TypeByte() & kTypeStyledFill) | (line->TypeByte() & kTypeStyledStroke)));
  stroke.color = line->stroke.color;
  stroke.gapColor = line->stroke.gapColor;
  stroke.width = line->stroke.width;
  stroke.patternScale = line->stroke.patternScale;
  stroke.lineStyle = line->stroke.lineStyle;
  stroke.lineType = line->stroke.lineType;
  stroke.penOption = line->stroke.penOption;
  stroke.ownValueBits = line->stroke.ownValueBits;
}

// ---- geometry ----

DRect& cAnyLine::GetExtent(DRect& out) {
  out = DRect{};
  return out;
}

bool cAnyLine::GetOutline(CubicArray&, int* position) {
  if (position) *position = -1;
  return false;
}

void cAnyLine::Recalc(cDrawingData* data) { ExpandPattern(data); }

void cAnyLine::AddStrokeExtent(cDrawingData* data, DRect& extent) {
  // Without a line style the getters answer the own values: the style is
  // looked up once (a paint asks every object in the drawing).
  const cStyleLine* style = GetLineStyle(data);
  const double width = style ? GetWidth(data) : stroke.width;
  const std::uint8_t type = style ? style->lineType : stroke.lineType;
  if (type != kLineTypeNone && width != 0) extent.Inflate(width / 2, width / 2);
  if (IsPatternExpansionOn() && patternPieces_ && !patternPieces_->entries.empty() &&
      !patternPieces_->boundsEmpty) {
    bool first = false;
    extent.Union(patternPieces_->bounds, first);
  }
}

void cAnyLine::AddFullExtent(cDrawingData* data, DRect& extent) {
  // The style lives in the drawing data's table as a non-const object; only
  // the accessor hands it out as const. Its cache is built on first need.
  if (auto* style = const_cast<cStyleLine*>(GetLineStyle(data)); style && style->HasDashElements()) {
    style->BuildPatternCache(data);
    if (const LinePatternCache* cache = style->PatternCache()) {
      const double reach = GetPatternScale(data) * cache->reach;
      extent.Inflate(reach, reach);
    }
  }
  AddStrokeExtent(data, extent);
}

// ---- styles ----

void cAnyLine::MaterializeStyles(cDrawingData* data) {
  if (TypeByte() & kTypeStyledStroke) {
    MarkDirty();
    if (const cStyleLine* style = data ? data->LineStyles().Get(stroke.lineStyle) : nullptr) {
      SetTypeByteSourceBits(std::uint8_t(TypeByte() & kTypeStyledFill));
      stroke.lineType = style->lineType;
      if (!style->byObject) {
        stroke.color = style->color;
        stroke.gapColor = style->gapColor;
        stroke.width = style->width;
        stroke.patternScale = style->patternScale;
        stroke.penOption = style->penOption;
      }
    }
    stroke.formerLineStyle = stroke.lineStyle;
  }
  if (cAnyFill* fill = AsAnyFill()) fill->MaterializeFillStyle(data);
}

ObjectChain cAnyLine::Resolve(cDrawingData* data, bool makeCopy) {
  UpdateIfDirty(data);
  DRect unused;
  GetExtent(unused);

  if (IsPatternExpansionOn() && patternPieces_ && !patternPieces_->entries.empty()) {
    ObjectChain pieces;
    for (PatternPiece& piece : patternPieces_->entries) pieces.Append(piece.object.release());
    patternPieces_.reset();
    return pieces;
  }

  const cStyleLine* style = GetLineStyle(data);
  SetFlag(kFlagResolved, !style || style->byObject);
  MaterializeStyles(data);
  if (!makeCopy) return {};
  cOutObj* copy = cOutObj::Create(TypeCode(), false);
  if (!copy) return {};
  copy->Assign(*this);
  if (cAnyLine* line = copy->AsAnyLine()) line->stroke.formerLineStyle = stroke.formerLineStyle;
  if (cAnyFill* fill = copy->AsAnyFill(); fill && AsAnyFill()) {
    fill->fill.formerFillStyle = AsAnyFill()->fill.formerFillStyle;
  }
  return ObjectChain(copy);
}

ObjectChain cAnyLine::Explode(cDrawingData* data) { return ExplodeFirstContour(data); }

bool cAnyLine::DrawPlacedPatternObjects(cDrawInfo* info) {
  if (!IsPatternExpansionOn() || !patternPieces_ || patternPieces_->entries.empty()) return false;
  for (PatternPiece& piece : patternPieces_->entries) {
    if (piece.object) piece.object->Draw(info);
  }
  return true;
}

// ---- the line part of the record ----

void cAnyLine::WriteLinePart(cDrawingData* data, ArchiveWriter& w) const {
  if (TypeByte() & kTypeStyledStroke) {
    WriteStyleRef<cStyleLine>(w, stroke.lineStyle, data);
    const cStyleLine* style = data ? data->LineStyles().Get(stroke.lineStyle) : nullptr;
    if (style && !style->byObject) {
      // The style supplies the values; the reader keeps these placeholders.
      w.WriteColor(0);
      w.WriteColor(0x80000000u);
      w.WriteCompactDouble(0.0);
      w.WriteRealOrUnit(0.0);
      w.WriteBit(false);
      return;
    }
  } else {
    w.WriteSmallByte(stroke.lineType);
  }
  w.WriteColor(stroke.color);
  w.WriteColor(stroke.gapColor);
  w.WriteCompactDouble(stroke.width);
  w.WriteRealOrUnit(stroke.patternScale);
  w.WriteBit(stroke.penOption != 0);
}

namespace {

// The drawing scale as old records use it: 1.0 without drawing data or
// without a positive scale.
double OldRecordScale(const cDrawingData* data) {
  if (!data || !(data->Scale() > 0)) return 1.0;
  return data->Scale();
}

// Old pattern lengths were relative to the pen: four pen widths, or the
// drawing scale when that is larger.
double OldPatternUnit(double width, const cDrawingData* data) {
  const double scale = OldRecordScale(data);
  return width * 4.0 > scale ? width * 4.0 : scale;
}

constexpr double kFloatMax = 3.4028234663852886e38;

}  // namespace

void cAnyLine::ReadLinePart(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) {
  const bool styled = (TypeByte() & kTypeStyledStroke) != 0;
  MarkDirty();

  if (version >= 3098) {
    if (styled) {
      stroke.lineStyle = ReadStyleRef<cStyleLine>(r, version, data);
    } else {
      stroke.lineType = r.ReadSmallByte();
    }
    stroke.color = r.ReadColor();
    if (version >= 3111) stroke.gapColor = r.ReadColor();
    stroke.width = r.ReadCompactDouble();
    stroke.patternScale = r.ReadRealOrUnit();
    stroke.penOption = r.ReadBit() ? 1 : 0;
  } else if (version >= 3061) {
    if (styled) {
      stroke.lineStyle = version < 3077 ? r.ReadCompactU16() : ReadStyleRef<cStyleLine>(r, version, data);
    } else {
      stroke.color = r.ReadColor();
      stroke.width = r.ReadCompactDouble();
      stroke.lineType = r.ReadSmallByte();
      stroke.patternScale = r.ReadRealOrUnit();
      if (version >= 3062) stroke.penOption = r.ReadBit() ? 1 : 0;
    }
  } else {
    if (styled) {
      // The record of a styled line ends with its style index.
      stroke.lineStyle = std::uint16_t(r.ReadInt16());
      return;
    }
    stroke.color = std::uint32_t(r.ReadInt32()) & 0x00FFFFFFu;
    stroke.width = r.ReadFloat();
    stroke.lineType = r.ReadByte();
    double oldLength = 0.0;
    if (version < 3050) {
      oldLength = r.ReadFloat();
      if (stroke.lineType & 0x80) {
        stroke.lineType &= 0x7F;
        OldPatternValues values;
        values.repeatLength = r.ReadFloat();
        values.startOffset = r.ReadFloat();
        values.symbolByte = r.ReadByte();
        if (values.repeatLength < 0) values.repeatLength = 0.0;
        if (values.startOffset == kFloatMax) {
          values.startOffset = -1.0;
        } else if (values.startOffset < 0) {
          values.startOffset = 0.0;
        }
        if (context) context->oldPattern = values;
        SetFlag(kFlagSymbolFollows);
      }
    }
    if (version >= 3058) {
      stroke.patternScale = r.ReadFloat();
    } else {
      const double length = oldLength == kFloatMax ? 0.0 : oldLength;
      if (data) {
        stroke.patternScale = length / OldPatternUnit(stroke.width, data);
        if (!(stroke.patternScale > 0)) stroke.patternScale = 1.0;
      } else {
        stroke.patternScale = length;
      }
    }
  }

  if (version < 3068) {
    if (!(stroke.patternScale > 0)) stroke.patternScale = 1.0;
    stroke.patternScale *= OldPatternUnit(stroke.width, data);
  }
  if (!styled && version < 3050 && context) {
    auto holder = std::make_unique<cAnyLine>(kLineHolderTypeCode);
    holder->cAnyLine::Assign(*this);
    context->lineHolder = std::move(holder);
  }
}

}  // namespace kvn
