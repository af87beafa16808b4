// Styled attributes: how an object's pen, fill and text attributes are chosen
// between its own fields and a style of the drawing's tables.
//
// The stroked, filled and text objects keep their own attribute fields in the
// plain structs below (their classes hold one each), and every accessor takes
// the object (for its type byte: 0x80 stroke or text styled, 0x40 fill
// styled), those fields and the drawing data (or null: own values only).
//
// Choosing a style: the former style index (the index the object had before
// its styles were materialised) is tried first; when it is not inside the
// table, the style index is tried, but only with the type byte's styled bit.
// Texts use only the style index under bit 0x80. A found style gives its value
// unless it defers to the objects (by-object flag) or the object's own-value
// mark for that attribute is set. An index that names no style falls back to
// the own value; it is never an error.
#pragma once

#include <cstdint>

#include "model/StyleTable.h"

namespace kvn {

class cDrawingData;
class cOutObj;

// The line part of a stroked object.
struct StrokeFields {
  std::uint32_t color = 0;
  std::uint32_t gapColor = 0x80FFFFFF;  // bit 31: not set
  double width = 0.25;                  // drawing units
  double patternScale = 1.0;
  std::uint16_t lineStyle = 0;          // used only with type bit 0x80
  std::uint8_t lineType = 1;
  std::uint8_t penOption = 0;
  // Under a style: 0x01 keeps the own colour and gap colour, 0x02 and 0x04
  // the own width.
  std::uint8_t ownValueBits = 0;
  std::uint8_t patternPieceMark = 0;    // 1 on pieces made by pattern expansion
  std::uint16_t formerLineStyle = kNoStyle;
};

// The fill part of a filled object.
struct FillFields {
  std::uint8_t hatchKind = 0;           // 0 none, 1-254 built-in, 255 the style's symbol
  std::uint32_t fillColor = 0x80000000; // bit 31: no solid fill
  std::uint8_t opacity = 255;
  std::uint16_t fillStyle = 0;          // used only with type bit 0x40
  std::uint32_t hatchColor = 0;
  double hatchValue = 0.25;             // hatch line width
  double hatchScale = 1.0;
  std::uint8_t ownFillColor = 0;        // non-zero keeps the own fill colour under a style
  std::uint8_t ownHatchColor = 0;       // non-zero keeps the own hatch colour under a style
  std::uint16_t formerFillStyle = kNoStyle;
};

// The attribute part of a text.
struct TextFields {
  double height = 0.0;                  // 0: from the style
  double widthFactor = 0.0;             // 0: from the style
  std::uint32_t color = 0x80000000;     // bit 31: from the style
  // Bits 0-2 all set bold, 0x10 italic, 0x20 strike-out, 0x40 underline.
  std::uint8_t styleBits = 0;
  std::uint8_t mirrorX = 0;
  std::uint8_t mirrorY = 0;
  std::uint16_t fontIndex = kNoStyle;
  std::uint16_t textStyle = kNoStyle;   // used only with type bit 0x80
};

// ---- stroked objects (cAnyLine) ----
const cStyleLine* GetLineStyle(const cOutObj& object, const StrokeFields& own, const cDrawingData* data);
std::uint32_t GetLineColor(const cOutObj& object, const StrokeFields& own, const cDrawingData* data);
// Masked with 0x80FFFFFF, from the style or not.
std::uint32_t GetGapColor(const cOutObj& object, const StrokeFields& own, const cDrawingData* data);
double GetLineWidth(const cOutObj& object, const StrokeFields& own, const cDrawingData* data);
double GetPatternScale(const cOutObj& object, const StrokeFields& own, const cDrawingData* data);
std::uint8_t GetPenOption(const cOutObj& object, const StrokeFields& own, const cDrawingData* data);
// Always from a found style, by-object or not.
std::uint8_t GetLineType(const cOutObj& object, const StrokeFields& own, const cDrawingData* data);

// ---- filled objects (cAnyFill) ----
const cStyleFill* GetFillStyle(const cOutObj& object, const FillFields& own, const cDrawingData* data);
std::uint32_t GetFillColor(const cOutObj& object, const FillFields& own, const cDrawingData* data);
std::uint8_t GetFillAlpha(const cOutObj& object, const FillFields& own, const cDrawingData* data);
std::uint32_t GetHatchColor(const cOutObj& object, const FillFields& own, const cDrawingData* data);
std::uint8_t GetHatchKind(const cOutObj& object, const FillFields& own, const cDrawingData* data);
double GetHatchSize(const cOutObj& object, const FillFields& own, const cDrawingData* data);
double GetHatchScale(const cOutObj& object, const FillFields& own, const cDrawingData* data);

// ---- texts (cText) ----
const cStyleText* GetTextStyle(const cOutObj& object, const TextFields& own, const cDrawingData* data);
bool HasTextStyle(const cOutObj& object, const TextFields& own, const cDrawingData* data);
double GetTextHeight(const cOutObj& object, const TextFields& own, const cDrawingData* data);
double GetTextWidthFactor(const cOutObj& object, const TextFields& own, const cDrawingData* data);
std::uint32_t GetTextColor(const cOutObj& object, const TextFields& own, const cDrawingData* data);
double GetTextStyleValue(const cOutObj& object, const TextFields& own, const cDrawingData* data);
std::uint16_t GetTextFontIndex(const cOutObj& object, const TextFields& own, const cDrawingData* data);
bool IsTextBold(const cOutObj& object, const TextFields& own, const cDrawingData* data);
bool IsTextItalic(const cOutObj& object, const TextFields& own, const cDrawingData* data);
bool IsTextUnderline(const cOutObj& object, const TextFields& own, const cDrawingData* data);
bool IsTextStrikeOut(const cOutObj& object, const TextFields& own, const cDrawingData* data);
bool IsTextMirroredX(const cOutObj& object, const TextFields& own, const cDrawingData* data);
bool IsTextMirroredY(const cOutObj& object, const TextFields& own, const cDrawingData* data);

}  // namespace kvn
