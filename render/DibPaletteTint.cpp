// Palette tinting of tool-bar and dialog images: shading by lightness in
// HLS, and the scoped swap of key colours for a background.
#include <algorithm>

#include "model/ColorHls.h"
#include "render/DibConversion.h"

namespace kvn {

namespace {

std::uint32_t SwapRedBlue(std::uint32_t rgb) { return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16); }

}  // namespace

std::uint32_t ShadeColorByLightness(std::uint32_t color, int hue, int saturation, int lightness) {
  const int g = int(ColorLightness(color));
  const int low = lightness < 121 ? 150 : lightness - 80;
  return HlsToRgb({hue, low + MulDiv(g, lightness - low, 255), saturation});
}

bool TintDibPalette(TDib& dib, std::uint32_t color) {
  if (dib.BitCount() > 8 || dib.PaletteCount() == 0) return false;
  const Hls hls = RgbToHls(color);
  for (std::uint32_t i = 0; i < dib.PaletteCount(); ++i) {
    const std::uint32_t entry = SwapRedBlue(dib.GetPaletteEntry(i));
    if (entry == (color & 0xFFFFFF)) continue;
    dib.SetPaletteEntry(i, SwapRedBlue(ShadeColorByLightness(entry, hls.hue, hls.saturation, hls.lightness)));
  }
  return true;
}

DibPaletteSwap::DibPaletteSwap(TDib& dib, std::uint32_t background, std::optional<std::uint32_t> disabled)
    : dib_(&dib) {
  if (dib.BitCount() > 8) {
    dib_ = nullptr;
    return;
  }
  for (std::uint32_t i = 0; i < dib.PaletteCount(); ++i) saved_.push_back(SwapRedBlue(dib.GetPaletteEntry(i)));
  for (std::uint32_t i = 0; i < saved_.size(); ++i) {
    const std::uint32_t c = saved_[i];
    std::uint32_t now = c;
    if (c == 0xCBCBFF || c == 0xC0C0C0)
      now = background;
    else if (disabled)
      now = RgbToHls(c).lightness < 180 ? *disabled : background;
    dib.SetPaletteEntry(i, SwapRedBlue(now));
  }
}

DibPaletteSwap::~DibPaletteSwap() { Restore(); }

void DibPaletteSwap::Restore() {
  if (dib_ == nullptr) return;
  for (std::uint32_t i = 0; i < saved_.size(); ++i) dib_->SetPaletteEntry(i, SwapRedBlue(saved_[i]));
  dib_ = nullptr;
}

}  // namespace kvn
