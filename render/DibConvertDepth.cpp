// Depth conversion. The source is first brought to 1, 4, 8 or 24 bits
// (RLE decoded, 16 and 32 bits widened through their channel masks), then
// the target's table is chosen (fixed palette, copied and perhaps greyed
// table, grey ramp or octree palette) and the pixels are copied, expanded
// or converted row by row; the colours used are collected in their order of
// first appearance with x outer and y inner.
#include <algorithm>
#include <bit>
#include <cstring>
#include <unordered_set>

#include "model/ColorHls.h"
#include "platform/gdi/LeBytes.h"
#include "render/DibConversion.h"
#include "render/DibRows.h"

namespace kvn {

namespace {

std::uint32_t GreyOf(std::uint32_t color) {
  const std::uint32_t l = ColorLightness(color);
  return l | (l << 8) | (l << 16);
}

std::uint32_t PaletteEntryToColorref(std::uint32_t rgb) { return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16); }

std::vector<std::uint32_t> TableOf(const TDib& dib) {
  std::vector<std::uint32_t> t;
  if (dib.BitCount() <= 8)
    for (std::uint32_t i = 0; i < dib.PaletteCount(); ++i) t.push_back(PaletteEntryToColorref(dib.GetPaletteEntry(i)));
  return t;
}

bool IsGreyTable(const TDib& dib) {
  if (dib.BitCount() > 8) return false;
  for (std::uint32_t c : TableOf(dib))
    if ((c & 0xFF) != ((c >> 8) & 0xFF) || (c & 0xFF) != ((c >> 16) & 0xFF)) return false;
  return true;
}

// A channel of a masked pixel on the 0..255 scale: narrower channels are
// shifted up, their new low bits set when the channel's lowest bit is.
std::uint32_t Channel(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const std::uint32_t m = mask >> shift;
  const int width = 32 - std::countl_zero(m);
  const std::uint32_t v = (pixel & mask) >> shift;
  if (width >= 8) return (v >> (width - 8)) & 0xFF;
  std::uint32_t out = v << (8 - width);
  if (v & 1) out |= (1u << (8 - width)) - 1;
  return out & 0xFF;
}

// 16 and 32 bits to 24 through the masks or their defaults.
std::unique_ptr<TDib> WidenTo24(const TDib& src) {
  std::uint32_t masks[3];
  if (src.Compression() == kBiBitFields) {
    const std::uint8_t* m = src.PackedDib() + kBitmapInfoHeaderSize;
    masks[0] = le::U32(m);
    masks[1] = le::U32(m + 4);
    masks[2] = le::U32(m + 8);
  } else if (src.Compression() != kBiRgb) {
    return nullptr;
  } else if (src.BitCount() == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else {
    masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
  }
  DibBuildParts parts;
  parts.width = src.Width();
  parts.height = src.Layout().header.height;
  parts.bitCount = 24;
  parts.xPelsPerMeter = src.Layout().header.xPelsPerMeter;
  parts.yPelsPerMeter = src.Layout().header.yPelsPerMeter;
  auto out = BuildDib(parts, nullptr, 0);
  if (!out) return nullptr;
  for (std::int32_t y = 0; y < src.Height(); ++y)
    for (std::int32_t x = 0; x < src.Width(); ++x) {
      const std::uint32_t p = DibGetPixelRaw(src, x, y);
      DibSetPixelRaw(*out, x, y, (Channel(p, masks[0]) << 16) | (Channel(p, masks[1]) << 8) | Channel(p, masks[2]));
    }
  return out;
}

}  // namespace

bool NarrowDibTo24(TDib& dib) {
  if (!dib.HasBits() || dib.BitCount() != 32 || (dib.Compression() != kBiRgb && dib.Compression() != kBiBitFields))
    return false;
  std::uint32_t masks[3] = {0xFF0000, 0x00FF00, 0x0000FF};
  if (dib.Compression() == kBiBitFields) {
    const std::uint8_t* m = dib.PackedDib() + kBitmapInfoHeaderSize;
    for (int i = 0; i < 3; ++i) masks[i] = le::U32(m + 4 * i);
  }
  const std::int32_t width = dib.Width(), rows = dib.Height();
  const DibBuildParts parts = PartsOf(dib, 24);
  const std::uint32_t from = dib.BitsOffset(), fromStride = dib.Stride();
  const std::uint32_t toStride = ((std::uint32_t(width) * 24 + 31) / 32) * 4;
  ByteArray bytes = dib.ReleasePackedDib();
  std::uint8_t* block = bytes.Items();
  // Rows in the order they lie: every pixel is written at or before where
  // it was read, and after it was read.
  for (std::int32_t r = 0; r < rows; ++r) {
    const std::uint8_t* source = block + from + std::size_t(r) * fromStride;
    std::uint8_t* target = block + kBitmapInfoHeaderSize + std::size_t(r) * toStride;
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint32_t p = le::U32(source + 4 * std::size_t(x));
      target[3 * x] = std::uint8_t(Channel(p, masks[2]));
      target[3 * x + 1] = std::uint8_t(Channel(p, masks[1]));
      target[3 * x + 2] = std::uint8_t(Channel(p, masks[0]));
    }
    std::memset(target + 3 * std::size_t(width), 0, toStride - 3 * std::size_t(width));
  }
  // The header the conversion writes.
  PutInfoHeader(block, parts, toStride * std::uint32_t(rows), 0);
  bytes.SetCount(kBitmapInfoHeaderSize + toStride * std::uint32_t(rows));
  bytes.ShrinkToFit();
  return dib.AdoptPackedDib(std::move(bytes));
}

namespace {

// Nearest table entry by squared distance; the last answer is remembered.
class NearestEntry {
 public:
  NearestEntry(const std::vector<std::uint32_t>& table, std::uint32_t limit)
      : table_(table), count_(std::min<std::size_t>(table.size(), limit)) {}
  std::uint32_t operator()(std::uint32_t c) {
    if (hasLast_ && c == lastColor_) return lastIndex_;
    std::uint32_t best = 0;
    std::int64_t bestD = INT64_MAX;
    for (std::size_t i = 0; i < count_; ++i) {
      const std::int64_t dr = std::int64_t(c & 0xFF) - (table_[i] & 0xFF);
      const std::int64_t dg = std::int64_t((c >> 8) & 0xFF) - ((table_[i] >> 8) & 0xFF);
      const std::int64_t db = std::int64_t((c >> 16) & 0xFF) - ((table_[i] >> 16) & 0xFF);
      const std::int64_t d = dr * dr + dg * dg + db * db;
      if (d < bestD) {
        bestD = d;
        best = std::uint32_t(i);
        if (d == 0) break;
      }
    }
    hasLast_ = true;
    lastColor_ = c;
    lastIndex_ = best;
    return best;
  }

 private:
  const std::vector<std::uint32_t>& table_;
  std::size_t count_;
  bool hasLast_ = false;
  std::uint32_t lastColor_ = 0, lastIndex_ = 0;
};

std::uint32_t BitsFor(std::size_t colors) { return colors <= 2 ? 1 : colors <= 16 ? 4 : 8; }

}  // namespace

std::unique_ptr<TDib> ConvertDibBitCount(const TDib& source, std::uint32_t targetBits, bool oneBitByLightness,
                                         std::vector<std::uint32_t>* usedColors, std::optional<bool> grey,
                                         const std::vector<std::uint32_t>* fixedPalette) {
  if (usedColors) usedColors->clear();
  if (!source.HasBits() || source.Compression() > kBiBitFields) return nullptr;

  std::unique_ptr<TDib> temp;
  if (source.Compression() == kBiRle4 || source.Compression() == kBiRle8)
    temp = DecodeRleDib(source);
  else if (source.BitCount() == 16 || source.BitCount() == 32)
    temp = WidenTo24(source);
  if (!temp && source.Compression() != kBiRgb && source.BitCount() != 16 && source.BitCount() != 32) return nullptr;
  if (!temp && (source.BitCount() == 16 || source.BitCount() == 32)) return nullptr;
  const TDib& src = temp ? *temp : source;
  const std::uint32_t srcBits = src.BitCount();

  const bool fixed = fixedPalette && (fixedPalette->size() == 2 || fixedPalette->size() == 16 ||
                                      fixedPalette->size() == 256);
  std::uint32_t target = fixed ? BitsFor(fixedPalette->size()) : (targetBits == 0 ? srcBits : targetBits);
  if (!fixed) target = target > 8 ? 24 : target > 4 ? 8 : target > 1 ? 4 : 1;
  const bool greyFlag = grey.has_value() ? *grey : IsGreyTable(src);
  if (greyFlag && target == 24) target = 8;

  std::vector<std::uint32_t> table;
  bool byLightness = false, copyBits = false, expandOneToFour = false;
  auto greyed = [](std::vector<std::uint32_t> t) {
    for (auto& c : t) c = GreyOf(c);
    return t;
  };
  if (fixed) {
    table = *fixedPalette;
  } else if (target == 1) {
    if (srcBits == 1) {
      table = TableOf(src);
      if (oneBitByLightness || greyFlag) table = greyed(table);
      copyBits = true;
    } else {
      table = {0, 0xFFFFFF};
      byLightness = oneBitByLightness || greyFlag;
    }
  } else if (target == 4 || target == 8) {
    if (srcBits > target) {
      if (target == 8 && greyFlag && srcBits > 8) {
        table.resize(256);
        for (std::uint32_t i = 0; i < 256; ++i) table[i] = i | (i << 8) | (i << 16);
        byLightness = true;
      } else {
        OctreeQuantizer octree(target == 4 ? 16 : 256, greyFlag);
        const DibColorRows rows(src);
        for (std::int32_t y = 0; y < src.Height(); ++y)
          for (std::int32_t x = 0; x < src.Width(); ++x)
            if (!octree.AddColor(rows.Readable() ? rows.Color(x, y) : DibGetPixelColor(src, x, y))) return nullptr;
        table = octree.GetPalette();
      }
    } else {
      table = TableOf(src);
      if (greyFlag) table = greyed(table);
      copyBits = srcBits == target;
      expandOneToFour = srcBits == 1 && target == 4;
    }
  }

  DibBuildParts parts;
  parts.width = src.Width();
  parts.height = src.Layout().header.height;
  parts.bitCount = std::uint16_t(target);
  parts.xPelsPerMeter = src.Layout().header.xPelsPerMeter;
  parts.yPelsPerMeter = src.Layout().header.yPelsPerMeter;
  parts.palette = table;
  if (target <= 8 && parts.palette.size() < PaletteSizeForBitCount(target) && !copyBits)
    parts.palette.resize(PaletteSizeForBitCount(target), 0);
  auto out = BuildDib(parts, nullptr, 0);
  if (!out) return nullptr;

  const std::int32_t w = src.Width(), h = src.Height();
  if (copyBits) {
    std::memcpy(out->Bits(), src.Bits(), std::min(out->BitsSize(), src.BitsSize()));
    return out;
  }
  if (expandOneToFour) {
    const std::uint32_t srcStride = src.Stride(), dstStride = out->Stride();
    for (std::int32_t y = 0; y < h; ++y) {
      const std::uint8_t* s = src.Bits() + std::size_t(y) * srcStride;
      std::uint8_t* d = out->Bits() + std::size_t(y) * dstStride;
      for (std::uint32_t i = 0; i < srcStride && 4 * i + 3 < dstStride + 3; ++i)
        for (std::uint32_t k = 0; k < 4 && 4 * i + k < dstStride; ++k) {
          const std::uint32_t hi = (s[i] >> (7 - 2 * k)) & 1, lo = (s[i] >> (6 - 2 * k)) & 1;
          d[4 * i + k] = std::uint8_t((hi << 4) | lo);
        }
    }
    return out;
  }

  NearestEntry nearest(table, out->PaletteCount());
  const std::int32_t k = target == 1 ? 1 : 255;
  auto valueOf = [&](std::uint32_t c) -> std::uint32_t {
    if (target == 24) return PaletteEntryToColorref(c);
    if (byLightness) {
      const std::uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
      return std::uint32_t(MulDiv(std::int32_t(std::min({r, g, b}) + std::max({r, g, b})), k, 510));
    }
    return nearest(c);
  };
  // Row by row where both pictures allow it; the result does not depend on
  // the order.
  const DibColorRows rows(src);
  if (rows.Readable() && DibRowsWritable(*out)) {
    std::vector<std::uint32_t> colors(std::size_t(std::max(w, 0))), values(colors.size());
    for (std::int32_t y = 0; y < h; ++y) {
      rows.ReadRow(y, colors.data());
      for (std::int32_t x = 0; x < w; ++x) values[x] = valueOf(colors[x]);
      WriteRawRow(*out, y, values.data());
    }
  } else {
    for (std::int32_t x = 0; x < w; ++x)
      for (std::int32_t y = 0; y < h; ++y) DibSetPixelRaw(*out, x, y, valueOf(DibGetPixelColor(src, x, y)));
  }
  // The colours in order of first appearance, x outer and y inner.
  std::vector<std::uint32_t> used;
  std::unordered_set<std::uint32_t> seen;
  bool overflow = false, hasPrevious = false;
  std::uint32_t previous = 0;
  for (std::int32_t x = 0; x < w && usedColors && !fixed && !overflow; ++x)
    for (std::int32_t y = 0; y < h && !overflow; ++y) {
      const std::uint32_t c = rows.Readable() ? rows.Color(x, y) : DibGetPixelColor(src, x, y);
      if (hasPrevious && c == previous) continue;
      hasPrevious = true;
      previous = c;
      if (seen.insert(c).second) {
        if (used.size() == 256)
          overflow = true;
        else
          used.push_back(c);
      }
    }
  if (usedColors && !fixed && !overflow && !used.empty()) {
    const std::uint32_t need = BitsFor(used.size());
    if (need < target) {
      used.resize(PaletteSizeForBitCount(need), 0);
      *usedColors = std::move(used);
    }
  }
  return out;
}

bool CollectDibColors(std::vector<std::uint32_t>* colors, const TDib& dib) {
  if (colors) colors->clear();
  if (!dib.HasBits() || dib.Compression() != kBiRgb) return false;
  const std::uint32_t bits = dib.BitCount();
  if (bits != 24 && bits != 4 && bits != 8) return false;
  std::vector<std::uint32_t> found;
  std::unordered_set<std::uint32_t> seen;
  const DibColorRows rows(dib);
  const std::int32_t w = dib.Width(), h = dib.Height();
  std::vector<std::uint32_t> row(std::size_t(std::max(w, 0)));
  for (std::int32_t y = 0; y < h && found.size() <= 256; ++y) {
    // An index beyond the table reads colour 0.
    rows.ReadRow(y, row.data());
    for (std::int32_t x = 0; x < w; ++x) {
      const std::uint32_t c = row[x];
      // A run of one colour asks the set once.
      if ((x > 0 && c == row[x - 1]) || !seen.insert(c).second) continue;
      if (found.size() == 256) {
        if (bits == 24) return false;
        break;
      }
      found.push_back(c);
    }
  }
  if (found.size() > 256) found.resize(256);
  if (found.empty()) return false;
  found.resize(PaletteSizeForBitCount(BitsFor(found.size())), 0);
  if (colors) *colors = std::move(found);
  return true;
}

}  // namespace kvn
