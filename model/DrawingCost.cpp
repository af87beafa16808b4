#include "model/DrawingCost.h"

#include <string>

#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"

namespace kvn {

std::uint64_t OpenBytes(std::uint64_t kept, std::uint64_t largestExpansion) {
  return SaturatedPlus(SaturatedPlus(kept, largestExpansion, kMemoryCeiling), kBytesBesideDrawing, kMemoryCeiling);
}

WString DrawingTooLargeText() {
  return FormatPercentS2(LoadLangString(kStrDrawingTooLarge), WString::FromUtf8(std::to_string(kWalkCeiling)),
                         WString::FromUtf8(std::to_string(kMemoryCeiling / 1'000'000)));
}

}  // namespace kvn
