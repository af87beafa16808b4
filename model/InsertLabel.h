// InsertLabel: one of the eight label slots of a block or an insert: where
// and how the label text of the holder is shown.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/WString.h"

namespace kvn {

inline constexpr int kLabelSlots = 8;

struct InsertLabel {
  // The label's item list, composed into the shown text.
  WString text;
  // 0: the slot exists but shows nothing.
  std::uint8_t present = 1;
  DPoint position;
  double angle = 0.0;  // degrees
  // 1: the label turns with its holder; 0: only its centre moves.
  std::uint8_t keepAngle = 0;
  std::uint8_t alignment = 0;  // 4-bit text alignment code
  // Text-style reference: an index, or 0x8000 + n for built-in style n.
  std::uint16_t textStyle = 0x8000;
};

}  // namespace kvn
