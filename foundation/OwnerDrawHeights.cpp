#include "foundation/OwnerDrawHeights.h"

#include <algorithm>
#include <cstdint>

namespace kvn {

namespace {

// Floors of the measured heights: a field never below 10 pixels, a control
// never below 15.
constexpr int kMinFieldHeight = 10;
constexpr int kMinComboHeight = 15;

}  // namespace

void SetOwnerDrawStartHeights(OwnerDrawHeights& heights) {
  heights.fieldHeight = kOwnerDrawStartField;
  heights.itemHeight = kOwnerDrawStartItem;
  heights.comboHeight = kOwnerDrawStartCombo;
}

void ApplyOwnerDrawMeasurement(OwnerDrawHeights& heights, const OwnerDrawMeasurement& m) {
  SetOwnerDrawStartHeights(heights);
  heights.itemHeight = std::max(kOwnerDrawStartItem, m.plainFieldHeight);
  if (m.askedFieldHeight >= 0) {
    // In 64 bits: toolkit heights are small, but nothing here trusts that.
    const std::int64_t field = std::int64_t(m.askedFieldHeight) + m.plainHeight - m.ownerDrawnHeight;
    heights.fieldHeight = int(std::clamp<std::int64_t>(field, kMinFieldHeight, INT32_MAX));
  }
  heights.comboHeight = std::max(kMinComboHeight, m.plainHeight);
}

int OwnerDrawItemHeight(const OwnerDrawHeights& heights, bool comboBox, std::uint32_t itemId) {
  return comboBox && itemId == kOwnerDrawFieldItem ? heights.fieldHeight : heights.itemHeight;
}

}  // namespace kvn
