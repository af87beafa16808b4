// DrawAttributes: the line and fill attribute block of wall and link styles,
// and the copies of it into the stroked and filled parts of an object.
//
// A wall draws its sides and caps with the line part and its band with the
// fill part (ApplyLineTo, ApplyFillTo); the link-style list draws a sample
// line with the line part (ApplyLineChecked). Link styles use the line part
// only.
#pragma once

#include <cstdint>

#include "model/StyleTable.h"
#include "model/StyledAttributes.h"

namespace kvn {

class cOutObj;

struct DrawAttributes {
  std::uint16_t lineStyle = kNoStyle;
  std::uint16_t fillStyle = kNoStyle;
  std::uint8_t lineType = 1;
  double width = 0.25;
  double patternScale = 1.0;
  std::uint32_t color = 0;
  std::uint32_t gapColor = 0x80FFFFFF;
  std::uint8_t penOption = 0;
  std::uint32_t fillColor = 0x80000000;
  std::uint8_t hatchKind = 4;
  std::uint32_t hatchColor = 0;
  double hatchValue = 0.25;
  double hatchScale = 1.0;
  std::uint8_t opacity = 255;

  // The line part into a stroked object: a line-style index of 65535 clears
  // the object's type bit 0x80, any other sets it and becomes the object's
  // line-style index; then line type, colours, width, pattern scale and pen
  // option; marks the object dirty.
  void ApplyLineTo(cOutObj& object, StrokeFields& stroke) const;
  // The fill part into a filled object: a fill-style index of 65535 clears
  // type bit 0x40, any other sets it, becomes the object's fill-style index
  // and marks the object dirty; then fill colour, hatch colour, hatch kind,
  // hatch value, hatch scale and opacity.
  void ApplyFillTo(cOutObj& object, FillFields& fill) const;
  // The line part of a link style into a sample line: clears type bit 0x80
  // and takes the line type; without a line style the colours too; with one,
  // the index is stored and the bit set, and with a table the bit stays only
  // when the table holds the style (the object's former index is tested when
  // it lies inside the table). Then width, pattern scale and pen option; marks
  // the object dirty.
  void ApplyLineChecked(const LineStyleTable* table, cOutObj& object, StrokeFields& stroke) const;
};

}  // namespace kvn
