// Pixel access, assembly of validated pictures, RLE decoding and encoding,
// quarter turns and alpha masks. Depth conversion lives in
// DibConvertDepth.cpp, the octree in DibOctree.cpp, the palette helpers in
// DibPaletteTint.cpp.
#include "render/DibConversion.h"

#include <algorithm>
#include <cstring>

#include "foundation/UiColors.h"
#include "model/ColorHls.h"
#include "platform/gdi/DibRle.h"
#include "platform/gdi/LeBytes.h"

namespace kvn {

namespace {

std::uint32_t RgbToColorRef(std::uint32_t rgb) {
  return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

bool IsRle(const TDib& dib) { return dib.Compression() == kBiRle4 || dib.Compression() == kBiRle8; }

// The TDib row (top first) of a stored row.
std::int32_t TopRow(const TDib& dib, std::int32_t y) { return dib.IsTopDown() ? y : dib.Height() - 1 - y; }

}  // namespace

std::uint32_t PaletteSizeForBitCount(std::uint32_t bitCount) {
  switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

std::uint32_t ColorLightness(std::uint32_t color) {
  const std::uint32_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
  const std::uint32_t mx = std::max({r, g, b}), mn = std::min({r, g, b});
  return std::uint32_t(MulDiv(std::int32_t(mx + mn), 255, 510));
}

std::uint32_t DibGetPixelIndex(const TDib& dib, std::int32_t x, std::int32_t y) {
  if (dib.BitCount() > 8 || IsRle(dib)) return 0;
  std::uint32_t v = 0;
  return dib.GetPixel(x, TopRow(dib, y), &v) ? v : 0;
}

std::uint32_t DibGetPixelColor(const TDib& dib, std::int32_t x, std::int32_t y) {
  const std::uint32_t c = dib.GetPixelColor(x, TopRow(dib, y));
  return c == TDib::kInvalidColor ? 0 : c;
}

void DibSetPixelIndex(TDib& dib, std::int32_t x, std::int32_t y, std::uint32_t index) {
  if (dib.BitCount() > 8 || IsRle(dib)) return;
  dib.SetPixel(x, TopRow(dib, y), index);
}

std::uint32_t DibGetPixelRaw(const TDib& dib, std::int32_t x, std::int32_t y) {
  std::uint32_t v = 0;
  return dib.GetPixel(x, TopRow(dib, y), &v) ? v : 0;
}

void DibSetPixelRaw(TDib& dib, std::int32_t x, std::int32_t y, std::uint32_t value) {
  dib.SetPixel(x, TopRow(dib, y), value);
}

void PutInfoHeader(std::uint8_t* h, const DibBuildParts& parts, std::uint32_t bitsSize, std::uint32_t colorsUsed) {
  std::memset(h, 0, kBitmapInfoHeaderSize);
  le::Put32(h, kBitmapInfoHeaderSize);
  le::Put32(h + 4, std::uint32_t(parts.width));
  le::Put32(h + 8, std::uint32_t(parts.height));
  le::Put16(h + 12, 1);
  le::Put16(h + 14, parts.bitCount);
  le::Put32(h + 16, parts.compression);
  le::Put32(h + 20, bitsSize);
  le::Put32(h + 24, std::uint32_t(parts.xPelsPerMeter));
  le::Put32(h + 28, std::uint32_t(parts.yPelsPerMeter));
  le::Put32(h + 32, colorsUsed);
}

DibBuildParts PartsOf(const TDib& dib, std::uint16_t bitCount) {
  DibBuildParts p;
  p.width = dib.Width();
  p.height = dib.Layout().header.height;
  p.bitCount = bitCount;
  p.xPelsPerMeter = dib.Layout().header.xPelsPerMeter;
  p.yPelsPerMeter = dib.Layout().header.yPelsPerMeter;
  if (bitCount <= 8)
    for (std::uint32_t i = 0; i < dib.PaletteCount(); ++i) p.palette.push_back(RgbToColorRef(dib.GetPaletteEntry(i)));
  return p;
}

std::unique_ptr<TDib> BuildDib(const DibBuildParts& parts, const std::uint8_t* bits, std::uint32_t bitsSize) {
  const std::uint32_t full = PaletteSizeForBitCount(parts.bitCount);
  const std::uint32_t entries = full == 0 ? 0 : std::uint32_t(std::min<std::size_t>(parts.palette.size(), full));
  // An empty table would read as a full one; keep at least one entry.
  const std::uint32_t stored = full == 0 ? 0 : std::max<std::uint32_t>(entries, 1);
  // Built in the block the picture keeps: a large picture is never held
  // twice here.
  ByteArray bytes;
  bytes.SetCount(kBitmapInfoHeaderSize + stored * 4);
  std::memset(bytes.Items(), 0, bytes.Count());
  std::uint8_t* h = bytes.Items();
  PutInfoHeader(h, parts, bitsSize, stored == full ? 0 : stored);
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::uint32_t c = parts.palette[i];
    std::uint8_t* q = h + kBitmapInfoHeaderSize + 4 * i;
    q[0] = std::uint8_t(c >> 16);
    q[1] = std::uint8_t(c >> 8);
    q[2] = std::uint8_t(c);
  }
  PackedDibLayout layout;
  if (!ParsePackedDibHeader(bytes.Items(), bytes.Count(), &layout)) return nullptr;
  if (parts.compression == kBiRgb || parts.compression == kBiBitFields) le::Put32(h + 20, layout.bitsSize);
  const std::uint32_t start = bytes.Count();
  // One block of the exact size: the header's few bytes are copied into it.
  ByteArray block;
  block.Reserve(start + layout.bitsSize);
  block.Append(bytes.Items(), start);
  block.SetCount(start + layout.bitsSize);
  std::uint8_t* pixels = block.Items() + start;
  const std::uint32_t copied = bits != nullptr ? std::min(bitsSize, layout.bitsSize) : 0;
  if (copied != 0) std::memcpy(pixels, bits, copied);
  std::memset(pixels + copied, 0, layout.bitsSize - copied);
  auto dib = std::make_unique<TDib>();
  if (!dib->AdoptPackedDib(std::move(block))) return nullptr;
  return dib;
}

std::unique_ptr<TDib> DecodeRleDib(const TDib& source) {
  auto out = std::make_unique<TDib>();
  if (!DecodeRleDib(source, out.get())) return nullptr;
  return out;
}

bool CompressDibRle(TDib& dib) {
  if (IsRle(dib) || !dib.HasBits() || (dib.BitCount() != 8 && dib.BitCount() != 4)) return false;
  const bool four = dib.BitCount() == 4;
  const std::int32_t w = dib.Width(), h = dib.Height();
  // The runs, each pair of bytes handed to `put`; false as soon as they
  // reach the plain bits' size.
  auto runs = [&](auto&& put) {
    std::uint64_t size = 0;
    for (std::int32_t r = 0; r < h; ++r) {
      // Compressed pictures are bottom-up whatever the source's order.
      const std::int32_t y = dib.IsTopDown() ? h - 1 - r : r;
      std::int32_t x = 0;
      while (x < w) {
        const std::uint32_t v = DibGetPixelRaw(dib, x, y);
        std::int32_t run = 1;
        while (x + run < w && run < 255 && DibGetPixelRaw(dib, x + run, y) == v) ++run;
        put(std::uint8_t(run), std::uint8_t(four ? (v << 4) | v : v));
        x += run;
        size += 2;
        if (size >= dib.BitsSize()) return false;
      }
      put(std::uint8_t(0), std::uint8_t(r + 1 == h ? 1 : 0));
      size += 2;
    }
    return size < dib.BitsSize();
  };
  // Measured first: a picture the runs do not make smaller (most photos)
  // costs no second block, and one they do gets a block of its size.
  std::size_t size = 0;
  if (!runs([&](std::uint8_t, std::uint8_t) { size += 2; })) return false;
  std::vector<std::uint8_t> out;
  out.reserve(size);
  runs([&](std::uint8_t a, std::uint8_t b) {
    out.push_back(a);
    out.push_back(b);
  });
  DibBuildParts parts = PartsOf(dib, dib.BitCount());
  parts.height = h;
  parts.compression = four ? kBiRle4 : kBiRle8;
  auto packed = BuildDib(parts, out.data(), std::uint32_t(out.size()));
  if (!packed) return false;
  dib = std::move(*packed);
  return true;
}

std::unique_ptr<TDib> RotateDib90(const TDib& source, int direction) {
  if (!source.HasBits() || IsRle(source) || source.Compression() != kBiRgb) return nullptr;
  DibBuildParts parts = PartsOf(source, source.BitCount());
  const std::int32_t tw = source.Height(), th = source.Width();
  parts.width = tw;
  parts.height = source.IsTopDown() ? -th : th;
  std::swap(parts.xPelsPerMeter, parts.yPelsPerMeter);
  auto out = BuildDib(parts, nullptr, 0);
  if (!out) return nullptr;
  for (std::int32_t y = 0; y < th; ++y)
    for (std::int32_t x = 0; x < tw; ++x) {
      const std::uint32_t v =
          direction == 3 ? DibGetPixelRaw(source, y, tw - 1 - x) : DibGetPixelRaw(source, th - 1 - y, x);
      DibSetPixelRaw(*out, x, y, v);
    }
  return out;
}

namespace {

std::vector<std::uint32_t> GreyRamp() {
  std::vector<std::uint32_t> ramp(256);
  for (std::uint32_t i = 0; i < 256; ++i) ramp[i] = i | (i << 8) | (i << 16);
  return ramp;
}

}  // namespace

std::unique_ptr<TDib> ExtractAlphaMask(const TDib& source) {
  if (!source.HasBits() || source.BitCount() != 32) return nullptr;
  DibBuildParts parts = PartsOf(source, 8);
  parts.palette = GreyRamp();
  auto mask = BuildDib(parts, nullptr, 0);
  if (!mask) return nullptr;
  bool anyOpaque = false, anyClear = false, anyPartial = false;
  const std::int32_t w = source.Width(), h = source.Height();
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      const std::uint32_t a = DibGetPixelRaw(source, x, y) >> 24;
      DibSetPixelRaw(*mask, x, y, a);
      anyOpaque |= a == 255;
      anyClear |= a == 0;
      anyPartial |= a != 0 && a != 255;
    }
  if (!anyPartial && !(anyOpaque && anyClear)) return nullptr;
  return mask;
}

std::unique_ptr<TDib> CombineDibWithMask(const TDib& source, const TDib& mask) {
  if (!source.HasBits() || !mask.HasBits() || mask.BitCount() != 8 || IsRle(mask)) return nullptr;
  if (mask.Width() != source.Width() || mask.Height() != source.Height()) return nullptr;
  std::unique_ptr<TDib> plain;
  const TDib* src = &source;
  if (IsRle(source)) {
    plain = DecodeRleDib(source);
    if (!plain) return nullptr;
    src = plain.get();
  }
  DibBuildParts parts = PartsOf(*src, 32);
  auto out = BuildDib(parts, nullptr, 0);
  if (!out) return nullptr;
  const std::int32_t w = src->Width(), h = src->Height();
  for (std::int32_t y = 0; y < h; ++y) {
    // Masks and pictures are matched row for row from the top.
    const std::int32_t my = mask.IsTopDown() == src->IsTopDown() ? y : h - 1 - y;
    for (std::int32_t x = 0; x < w; ++x) {
      const std::uint32_t c = DibGetPixelColor(*src, x, y);
      const std::uint32_t a = DibGetPixelRaw(mask, x, my);
      DibSetPixelRaw(*out, x, y, RgbToColorRef(c) | (a << 24));
    }
  }
  return out;
}

std::uint32_t GetLightenedSysColor(int index) {
  // Called for every tab and row painted: the last answer is kept.
  thread_local std::uint32_t lastColor = 0xFFFFFFFFu;
  thread_local std::uint32_t lastResult = 0;
  const std::uint32_t color = GetUiSysColor(index) & 0xFFFFFFu;
  if (color == lastColor) return lastResult;
  Hls hls = RgbToHls(color);
  if (hls.lightness < 200) hls.lightness = 200;
  lastColor = color;
  lastResult = HlsToRgb(hls);
  return lastResult;
}

}  // namespace kvn
