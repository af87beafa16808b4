#include "model/DrawAttributes.h"

#include "model/ObjectTypes.h"
#include "model/cOutObj.h"

namespace kvn {

namespace {

void SetSourceBit(cOutObj& object, std::uint8_t bit, bool on) {
  std::uint8_t bits = std::uint8_t(object.TypeByte() & 0xC0);
  bits = on ? std::uint8_t(bits | bit) : std::uint8_t(bits & ~bit);
  object.SetTypeByteSourceBits(bits);
}

}  // namespace

void DrawAttributes::ApplyLineTo(cOutObj& object, StrokeFields& stroke) const {
  if (lineStyle == kNoStyle) {
    SetSourceBit(object, kTypeStyledStroke, false);
  } else {
    SetSourceBit(object, kTypeStyledStroke, true);
    stroke.lineStyle = lineStyle;
  }
  stroke.lineType = lineType;
  stroke.color = color;
  stroke.gapColor = gapColor;
  stroke.width = width;
  stroke.patternScale = patternScale;
  stroke.penOption = penOption;
  object.MarkDirty();
}

void DrawAttributes::ApplyFillTo(cOutObj& object, FillFields& fill) const {
  if (fillStyle == kNoStyle) {
    SetSourceBit(object, kTypeStyledFill, false);
  } else {
    SetSourceBit(object, kTypeStyledFill, true);
    fill.fillStyle = fillStyle;
    object.MarkDirty();
  }
  fill.fillColor = fillColor;
  fill.hatchColor = hatchColor;
  fill.hatchKind = hatchKind;
  fill.hatchValue = hatchValue;
  fill.hatchScale = hatchScale;
  fill.opacity = opacity;
}

void DrawAttributes::ApplyLineChecked(const LineStyleTable* table, cOutObj& object, StrokeFields& stroke) const {
  SetSourceBit(object, kTypeStyledStroke, false);
  stroke.lineType = lineType;
  if (lineStyle == kNoStyle) {
    stroke.color = color;
    stroke.gapColor = gapColor;
  } else {
    stroke.lineStyle = lineStyle;
    SetSourceBit(object, kTypeStyledStroke, true);
    if (table) {
      const std::uint16_t tested = table->Contains(stroke.formerLineStyle) ? stroke.formerLineStyle : lineStyle;
      if (!table->Contains(tested)) SetSourceBit(object, kTypeStyledStroke, false);
    }
  }
  stroke.width = width;
  stroke.patternScale = patternScale;
  stroke.penOption = penOption;
  object.MarkDirty();
}

}  // namespace kvn
