#include "model/DrawingCost.h"

#include <string>

#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "model/InsertExpansion.h"

namespace kvn {

std::uint64_t PaintBytesOfPlacement(std::uint64_t walked) {
  return std::min<std::uint64_t>(walked, kExpansionBudget) * kBytesPerChild;
}

WString DrawingTooLargeText() {
  return FormatPercentS2(LoadLangString(kStrDrawingTooLarge), WString::FromUtf8(std::to_string(kWalkCeiling)),
                         WString::FromUtf8(std::to_string(kMemoryCeiling / 1'000'000)));
}

}  // namespace kvn
