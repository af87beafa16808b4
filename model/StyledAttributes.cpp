#include "model/StyledAttributes.h"

#include "model/ObjectTypes.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"
#include "model/cStyleFill.h"
#include "model/cStyleLine.h"
#include "model/cStyleText.h"

namespace kvn {

namespace {

constexpr std::uint32_t kGapColorMask = 0x80FFFFFF;

// The former index first; the index only under the styled bit.
template <class T>
const T* FindStyle(const StyleTable<T>& table, std::uint16_t former, std::uint16_t index, bool styled) {
  if (const T* style = table.Get(former)) return style;
  return styled ? table.Get(index) : nullptr;
}

// A style that gives its values: found and not deferring to the object.
const cStyleLine* GivingLineStyle(const cOutObj& object, const StrokeFields& own, const cDrawingData* data) {
  const cStyleLine* style = GetLineStyle(object, own, data);
  return style && !style->byObject ? style : nullptr;
}

const cStyleFill* GivingFillStyle(const cOutObj& object, const FillFields& own, const cDrawingData* data) {
  const cStyleFill* style = GetFillStyle(object, own, data);
  return style && !style->byObject ? style : nullptr;
}

}  // namespace

// ---- stroked objects ----

const cStyleLine* GetLineStyle(const cOutObj& object, const StrokeFields& own, const cDrawingData* data) {
  if (!data) return nullptr;
  return FindStyle(data->LineStyles(), own.formerLineStyle, own.lineStyle,
                   (object.TypeByte() & kTypeStyledStroke) != 0);
}

std::uint32_t GetLineColor(const cOutObj& object, const StrokeFields& own, const cDrawingData* data) {
  const cStyleLine* style = GivingLineStyle(object, own, data);
  return style && !(own.ownValueBits & 0x01) ? style->color : own.color;
}

std::uint32_t GetGapColor(const cOutObj& object, const StrokeFields& own, const cDrawingData* data) {
  const cStyleLine* style = GivingLineStyle(object, own, data);
  return (style && !(own.ownValueBits & 0x01) ? style->gapColor : own.gapColor) & kGapColorMask;
}

double GetLineWidth(const cOutObj& object, const StrokeFields& own, const cDrawingData* data) {
  const cStyleLine* style = GivingLineStyle(object, own, data);
  return style && !(own.ownValueBits & 0x06) ? style->width : own.width;
}

double GetPatternScale(const cOutObj& object, const StrokeFields& own, const cDrawingData* data) {
  const cStyleLine* style = GivingLineStyle(object, own, data);
  return style ? style->patternScale : own.patternScale;
}

std::uint8_t GetPenOption(const cOutObj& object, const StrokeFields& own, const cDrawingData* data) {
  const cStyleLine* style = GivingLineStyle(object, own, data);
  return style ? style->penOption : own.penOption;
}

std::uint8_t GetLineType(const cOutObj& object, const StrokeFields& own, const cDrawingData* data) {
  const cStyleLine* style = GetLineStyle(object, own, data);
  return style ? style->lineType : own.lineType;
}

// ---- filled objects ----

const cStyleFill* GetFillStyle(const cOutObj& object, const FillFields& own, const cDrawingData* data) {
  if (!data) return nullptr;
  return FindStyle(data->FillStyles(), own.formerFillStyle, own.fillStyle,
                   (object.TypeByte() & kTypeStyledFill) != 0);
}

std::uint32_t GetFillColor(const cOutObj& object, const FillFields& own, const cDrawingData* data) {
  const cStyleFill* style = GivingFillStyle(object, own, data);
  return style && !own.ownFillColor ? style->fillColor : own.fillColor;
}

std::uint8_t GetFillAlpha(const cOutObj& object, const FillFields& own, const cDrawingData* data) {
  const cStyleFill* style = GivingFillStyle(object, own, data);
  return style ? style->opacity : own.opacity;
}

std::uint32_t GetHatchColor(const cOutObj& object, const FillFields& own, const cDrawingData* data) {
  const cStyleFill* style = GivingFillStyle(object, own, data);
  return style && !own.ownHatchColor ? style->hatchColor : own.hatchColor;
}

std::uint8_t GetHatchKind(const cOutObj& object, const FillFields& own, const cDrawingData* data) {
  const cStyleFill* style = GetFillStyle(object, own, data);
  return style ? style->hatchKind : own.hatchKind;
}

double GetHatchSize(const cOutObj& object, const FillFields& own, const cDrawingData* data) {
  const cStyleFill* style = GivingFillStyle(object, own, data);
  return style ? style->hatchValue : own.hatchValue;
}

double GetHatchScale(const cOutObj& object, const FillFields& own, const cDrawingData* data) {
  const cStyleFill* style = GivingFillStyle(object, own, data);
  return style ? style->hatchScale : own.hatchScale;
}

// ---- texts ----

const cStyleText* GetTextStyle(const cOutObj& object, const TextFields& own, const cDrawingData* data) {
  if (!data || !(object.TypeByte() & kTypeStyledStroke)) return nullptr;
  return data->TextStyles().Get(own.textStyle);
}

bool HasTextStyle(const cOutObj& object, const TextFields& own, const cDrawingData* data) {
  return GetTextStyle(object, own, data) != nullptr;
}

double GetTextHeight(const cOutObj& object, const TextFields& own, const cDrawingData* data) {
  const cStyleText* style = GetTextStyle(object, own, data);
  return style && own.height == 0.0 ? style->attributes.height : own.height;
}

double GetTextWidthFactor(const cOutObj& object, const TextFields& own, const cDrawingData* data) {
  const cStyleText* style = GetTextStyle(object, own, data);
  return style && own.widthFactor == 0.0 ? style->attributes.widthFactor : own.widthFactor;
}

std::uint32_t GetTextColor(const cOutObj& object, const TextFields& own, const cDrawingData* data) {
  const bool ownSet = (own.color & 0x80000000u) == 0;
  if (ownSet) return own.color;
  const cStyleText* style = GetTextStyle(object, own, data);
  return style ? style->attributes.color : 0;
}

double GetTextStyleValue(const cOutObj& object, const TextFields& own, const cDrawingData* data) {
  const cStyleText* style = GetTextStyle(object, own, data);
  return style ? style->attributes.styleValue : 0.0;
}

std::uint16_t GetTextFontIndex(const cOutObj& object, const TextFields& own, const cDrawingData* data) {
  const cStyleText* style = GetTextStyle(object, own, data);
  return style ? style->attributes.fontIndex : own.fontIndex;
}

bool IsTextBold(const cOutObj& object, const TextFields& own, const cDrawingData* data) {
  const cStyleText* style = GetTextStyle(object, own, data);
  return style ? style->attributes.bold != 0 : (own.styleBits & 0x07) == 0x07;
}

bool IsTextItalic(const cOutObj& object, const TextFields& own, const cDrawingData* data) {
  const cStyleText* style = GetTextStyle(object, own, data);
  return style ? style->attributes.italic != 0 : (own.styleBits & 0x10) != 0;
}

bool IsTextUnderline(const cOutObj& object, const TextFields& own, const cDrawingData* data) {
  const cStyleText* style = GetTextStyle(object, own, data);
  return style ? style->attributes.underline != 0 : (own.styleBits & 0x40) != 0;
}

bool IsTextStrikeOut(const cOutObj& object, const TextFields& own, const cDrawingData* data) {
  const cStyleText* style = GetTextStyle(object, own, data);
  return style ? style->attributes.strikeOut != 0 : (own.styleBits & 0x20) != 0;
}

bool IsTextMirroredX(const cOutObj& object, const TextFields& own, const cDrawingData* data) {
  if (own.mirrorX) return true;
  const cStyleText* style = GetTextStyle(object, own, data);
  return style && style->attributes.mirrorX != 0;
}

bool IsTextMirroredY(const cOutObj& object, const TextFields& own, const cDrawingData* data) {
  if (own.mirrorY) return true;
  const cStyleText* style = GetTextStyle(object, own, data);
  return style && style->attributes.mirrorY != 0;
}

}  // namespace kvn
