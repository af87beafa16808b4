#include "render/PenCache.h"

#include <cstring>
#include <vector>

#include "platform/gdi/RasterDC.h"

namespace kvn {

bool PenCache::Matches(COLORREF c, std::int32_t w, std::uint8_t option, const GrowArray<std::int32_t>& pattern) const {
  if (!pen.IsValid() || c != color || w != width || option != penOption) return false;
  if (pattern.Count() != dashes.Count()) return false;
  return pattern.Count() == 0 ||
         std::memcmp(pattern.Items(), dashes.Items(), pattern.Count() * sizeof(std::int32_t)) == 0;
}

PenCache& GetPenCache() {
  static PenCache cache;
  return cache;
}

namespace {

int ProbeUserStylePens() {
  constexpr int kSide = 100;
  std::vector<std::uint8_t> bits(std::size_t(kSide) * kSide * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), kSide, kSide);
  if (!dc) return 1;
  const std::uint32_t style[2] = {10, 10};
  TPen pen = TPen::ExtCreate(kPsGeometric | kPsUserStyle, 1, kBsSolid, Rgb(0, 0, 0), 2, style);
  if (!pen.IsValid()) return 1;
  dc->SelectObject(pen);
  dc->MoveTo(0, 0);
  dc->LineTo(kSide, 0);
  bool white = false, dark = false;
  for (int x = 1; x < 20; ++x) {
    const COLORREF c = dc->GetPixel(x, 0);
    if (c == kClrInvalid) return 1;
    if ((c & 0xFFFFFF) == 0xFFFFFF) {
      white = true;
    } else {
      dark = true;
    }
  }
  dc->RestorePen();
  return white && dark ? 0 : 1;
}

}  // namespace

bool UserStylePensUsable() {
  PenCache& cache = GetPenCache();
  if (cache.userStyleSupport == 2) cache.userStyleSupport = ProbeUserStylePens();
  return cache.userStyleSupport == 0;
}

void ResetPenCache() {
  PenCache& cache = GetPenCache();
  cache.pen = TPen();
  cache.dashes.Clear();
  cache.lastPenSolid = 1;
  cache.color = 0;
  cache.width = 0;
  cache.penOption = 0;
}

}  // namespace kvn
