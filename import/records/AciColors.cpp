#include "import/records/AciColors.h"

namespace kvn {

namespace {

constexpr AciRgb kPalette[256] = {
#include "import/records/AciPalette.inc"
};

}  // namespace

AciRgb AciPaletteEntry(int index) { return index >= 0 && index < 256 ? kPalette[index] : AciRgb{0, 0, 0}; }

std::uint32_t AciToRgb(std::uint16_t index, std::int32_t trueColor) {
  if (index == 7) return 0;
  if (index == 0 || (index >= 256 && index <= 65534)) return 0;
  if (trueColor != -1) {
    std::uint32_t tc = std::uint32_t(trueColor);
    return (tc & 0xFF) << 16 | (tc & 0xFF00) | (tc >> 16 & 0xFF);
  }
  if (index == 255 || index == 65535) return 0;
  const AciRgb& c = kPalette[index];
  return std::uint32_t(c.b) << 16 | std::uint32_t(c.g) << 8 | c.r;
}

std::uint32_t EntityColor(std::uint16_t index, std::int32_t trueColor) {
  if (index == 0) return kColorByBlock;
  if (index == 256) return kColorByLayer;
  return AciToRgb(index, trueColor);
}

std::uint32_t MLeaderColor(std::int32_t value) {
  const std::uint32_t v = std::uint32_t(value);
  switch (v >> 24) {
    case 0xC0: return kColorByLayer;
    case 0xC1: return kColorByBlock;
    case 0xC2: return AciToRgb(1, std::int32_t(v & 0xFFFFFF));
    case 0xC3: return EntityColor(std::uint16_t(v & 0xFF), -1);
    default: return kColorByLayer;
  }
}

}  // namespace kvn
