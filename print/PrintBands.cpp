#include "print/PrintBands.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "model/ColorHls.h"
#include "render/DibConversion.h"

namespace kvn {

namespace {

std::uint32_t Colorref(const std::uint8_t* bgr) {
  return std::uint32_t(bgr[2]) | (std::uint32_t(bgr[1]) << 8) | (std::uint32_t(bgr[0]) << 16);
}

int MaxPlusMin(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return int(std::max({r, g, b})) + int(std::min({r, g, b}));
}

}  // namespace

std::uint8_t BandGrey(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return std::uint8_t(MulDiv(MaxPlusMin(r, g, b), 255, 510));
}

bool BandWhite(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return MulDiv(MaxPlusMin(r, g, b), 1, 510) != 0; }

BandScan ScanBand(TDib& band, int bits, bool monochrome, std::uint32_t limit, OctreeQuantizer* octree) {
  BandScan scan;
  if (band.BitCount() != 24 || !band.HasBits()) return scan;
  const std::int32_t w = band.Width(), h = band.Height();
  const std::uint32_t stride = band.Stride();
  std::unordered_set<std::uint32_t> seen;
  bool collecting = true, hasLast = false;
  std::uint32_t last = 0;
  for (std::int32_t y = 0; y < h; ++y) {
    std::uint8_t* p = band.Bits() + std::size_t(y) * stride;
    for (std::int32_t x = 0; x < w; ++x, p += 3) {
      if (monochrome) {
        std::uint8_t v;
        if (bits == 1)
          v = BandWhite(p[2], p[1], p[0]) ? 255 : 0;
        else
          v = BandGrey(p[2], p[1], p[0]);
        p[0] = p[1] = p[2] = v;
      }
      const std::uint32_t c = Colorref(p);
      if (c != 0xFFFFFF) scan.allWhite = false;
      if (octree) octree->AddColor(c);
      if (!collecting || (hasLast && c == last)) continue;
      hasLast = true;
      last = c;
      if (seen.insert(c).second) {
        if (scan.colors.size() == limit) {
          scan.overflow = true;
          collecting = false;
          // Past the limit a colour band is known not to be white: the rest
          // of the pass would change nothing.
          if (!monochrome && !octree) return scan;
        } else {
          scan.colors.push_back(c);
        }
      }
    }
  }
  return scan;
}

std::vector<std::uint32_t> PadPalette(std::vector<std::uint32_t> palette) {
  const std::size_t size = palette.size() <= 2 ? 2 : palette.size() <= 16 ? 16 : 256;
  if (palette.size() < size) palette.resize(size, 0);
  return palette;
}

std::unique_ptr<TDib> IndexBand(const TDib& band, const std::vector<std::uint32_t>& palette) {
  const std::size_t n = palette.size();
  if ((n != 2 && n != 16 && n != 256) || band.BitCount() != 24 || !band.HasBits()) return nullptr;
  DibBuildParts parts;
  parts.width = band.Width();
  parts.height = band.Layout().header.height;
  parts.bitCount = std::uint16_t(n == 2 ? 1 : n == 16 ? 4 : 8);
  parts.xPelsPerMeter = band.Layout().header.xPelsPerMeter;
  parts.yPelsPerMeter = band.Layout().header.yPelsPerMeter;
  parts.palette = palette;
  auto out = BuildDib(parts, nullptr, 0);
  if (!out) return nullptr;
  std::unordered_map<std::uint32_t, std::uint32_t> index;
  // The first entry of a colour wins, so black padding never shadows it.
  for (std::size_t i = n; i-- > 0;) index[palette[i]] = std::uint32_t(i);
  const std::int32_t w = band.Width(), h = band.Height();
  const std::uint32_t bitsPer = parts.bitCount;
  for (std::int32_t y = 0; y < h; ++y) {
    const std::uint8_t* s = band.Bits() + std::size_t(y) * band.Stride();
    std::uint8_t* d = out->Bits() + std::size_t(y) * out->Stride();
    std::uint32_t lastColor = 0xFFFFFFFF, lastIndex = 0;
    for (std::int32_t x = 0; x < w; ++x, s += 3) {
      const std::uint32_t c = Colorref(s);
      if (c != lastColor) {
        const auto it = index.find(c);
        lastIndex = it == index.end() ? 0 : it->second;
        lastColor = c;
      }
      if (bitsPer == 8) {
        d[x] = std::uint8_t(lastIndex);
      } else if (bitsPer == 4) {
        d[x / 2] = std::uint8_t(x % 2 ? (d[x / 2] & 0xF0) | lastIndex : (d[x / 2] & 0x0F) | (lastIndex << 4));
      } else {
        const std::uint8_t bit = std::uint8_t(0x80 >> (x % 8));
        d[x / 8] = std::uint8_t(lastIndex ? d[x / 8] | bit : d[x / 8] & ~bit);
      }
    }
  }
  return out;
}

}  // namespace kvn
