// cStyleText: the text style, one text-attribute record plus the marks that
// make it the target of the built-in text-style references 0x8000 + n.
#pragma once

#include <cstdint>

#include "model/TextAttributes.h"
#include "model/cAnyStyle.h"

namespace kvn {

class cStyleText : public cAnyStyle {
 public:
  cStyleText() = default;
  ~cStyleText() override;

  // Height and style value multiplied.
  void Scale(double factor) override;
  // With drawing data a font index at or beyond the font table's count
  // becomes 65535. A face name longer than its field is cut to 31 units.
  bool Read(ArchiveReader& r, int version, cDrawingData* data) override;
  void Write(ArchiveWriter& w, cDrawingData* data) const override;

  // "F(" height "," width factor "," colour "," flags "," font ")": the two
  // reals in display mode 12, the colour in decimal, the flags as the sum of
  // bold 1, italic 2, underline 4, strike-out 8, mirror x 16, mirror y 32, the
  // font as its index, or its face name without one.
  void MakeName();

  TextAttributes attributes;
  std::uint32_t extraWord = 0;
  // Bit n: built-in text-style reference 0x8000 + n resolves to this style.
  std::uint8_t builtinMarks = 0;
};

}  // namespace kvn
