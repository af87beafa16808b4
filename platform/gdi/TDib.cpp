#include "platform/gdi/TDib.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "foundation/InFileStream.h"
#include "foundation/OutFileStream.h"
#include "platform/gdi/LeBytes.h"

namespace kvn {

namespace {

bool IsInfoHeaderSize(std::uint32_t size) {
  // BITMAPINFOHEADER, the two Adobe extensions with masks (52, 56), V4, V5.
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

constexpr std::uint32_t kBitmapV5HeaderSize = 124;

// A V5 header may name a colour profile stored after the bits, which the
// copy leaves out: the header is made to say sRGB with no profile, so that
// nothing follows an offset past the packed DIB.
void DropColorProfile(std::uint8_t* header) {
  constexpr std::uint32_t kProfileLinked = 0x4C494E4B;    // 'LINK'
  constexpr std::uint32_t kProfileEmbedded = 0x4D424544;  // 'MBED'
  constexpr std::uint32_t kSrgb = 0x73524742;             // 'sRGB'
  const std::uint32_t csType = le::U32(header + 56);
  if (csType == kProfileLinked || csType == kProfileEmbedded) le::Put32(header + 56, kSrgb);
  le::Put32(header + 112, 0);  // profile offset
  le::Put32(header + 116, 0);  // profile size
}

// A channel of `value` under `mask`, scaled to 0..255.
std::uint32_t MaskedChannel(std::uint32_t value, std::uint32_t mask) {
  if (mask == 0) return 0;
  int shift = std::countr_zero(mask);
  std::uint64_t max = std::uint64_t(mask) >> shift;
  std::uint64_t v = (std::uint64_t(value) & mask) >> shift;
  return std::uint32_t((v * 255 + max / 2) / max);
}

}  // namespace

// --- header checks ----------------------------------------------------------

bool ParsePackedDibHeader(const std::uint8_t* data, std::uint64_t size, PackedDibLayout* layout) {
  if (data == nullptr || size < 4) return false;
  PackedDibLayout l;
  DibHeader& h = l.header;
  const std::uint32_t headerSize = le::U32(data);
  if (headerSize == kBitmapCoreHeaderSize) {
    if (size < kBitmapCoreHeaderSize) return false;
    h.size = headerSize;
    h.width = le::U16(data + 4);
    h.height = le::U16(data + 6);
    h.planes = le::U16(data + 8);
    h.bitCount = le::U16(data + 10);
    h.compression = kBiRgb;
    if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 24) return false;
    l.paletteEntrySize = 3;
  } else if (IsInfoHeaderSize(headerSize)) {
    if (size < headerSize) return false;
    h.size = headerSize;
    h.width = le::I32(data + 4);
    h.height = le::I32(data + 8);
    h.planes = le::U16(data + 12);
    h.bitCount = le::U16(data + 14);
    h.compression = le::U32(data + 16);
    h.sizeImage = le::U32(data + 20);
    h.xPelsPerMeter = le::I32(data + 24);
    h.yPelsPerMeter = le::I32(data + 28);
    h.clrUsed = le::U32(data + 32);
    h.clrImportant = le::U32(data + 36);
  } else {
    return false;
  }
  l.headerSize = headerSize;

  if (h.planes != 1) return false;
  switch (h.bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;  // 0 would mean an embedded JPEG or PNG
  }
  switch (h.compression) {
    case kBiRgb: break;
    case kBiRle8: if (h.bitCount != 8) return false; break;
    case kBiRle4: if (h.bitCount != 4) return false; break;
    case kBiBitFields: if (h.bitCount != 16 && h.bitCount != 32) return false; break;
    default: return false;
  }
  if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN) return false;
  const bool rle = h.compression == kBiRle4 || h.compression == kBiRle8;
  if (rle && h.height < 0) return false;  // compressed pictures are bottom-up only

  if (h.bitCount <= 8) {
    const std::uint32_t max = 1u << h.bitCount;
    if (h.clrUsed > max) return false;
    l.paletteCount = h.clrUsed != 0 ? h.clrUsed : max;
  } else {
    l.paletteCount = h.clrUsed;  // an optional palette hint; bounded below
  }
  if (headerSize == kBitmapInfoHeaderSize && h.compression == kBiBitFields) l.maskBytes = 12;

  const std::uint64_t bitsOffset =
      std::uint64_t(headerSize) + l.maskBytes + std::uint64_t(l.paletteCount) * l.paletteEntrySize;
  if (bitsOffset > size) return false;

  const std::uint64_t stride = ((std::uint64_t(h.width) * h.bitCount + 31) / 32) * 4;
  const std::uint64_t rows = h.height < 0 ? std::uint64_t(-std::int64_t(h.height)) : std::uint64_t(h.height);
  if (stride > kMaxDibImageBytes || stride * rows > kMaxDibImageBytes) return false;
  std::uint64_t bitsSize = stride * rows;
  if (rle) {
    if (h.sizeImage == 0 || h.sizeImage > kMaxDibImageBytes) return false;
    bitsSize = h.sizeImage;
  }
  if (bitsOffset + bitsSize > 0xFFFFFFFFull) return false;

  l.bitsOffset = std::uint32_t(bitsOffset);
  l.bitsSize = std::uint32_t(bitsSize);
  l.stride = std::uint32_t(stride);
  if (layout) *layout = l;
  return true;
}

bool ValidatePackedDib(const std::uint8_t* data, std::uint64_t size, PackedDibLayout* layout) {
  PackedDibLayout l;
  if (!ParsePackedDibHeader(data, size, &l)) return false;
  if (l.TotalSize() > size) return false;
  if (layout) *layout = l;
  return true;
}

// --- loading -------------------------------------------------------------------

TDib TDib::FromBmpStream(InFileStream& stream) {
  TDib dib;
  dib.LoadBmpStream(stream);
  return dib;
}

bool TDib::LoadBmpStream(InFileStream& stream) {
  Clear();
  ByteArray bytes;
  if (!ReadBmpFromStream(bytes, stream)) return false;
  return LoadPackedDib(bytes.Items(), bytes.Count());
}

bool TDib::LoadPackedDib(const std::uint8_t* data, std::uint64_t size) {
  Clear();
  PackedDibLayout l;
  if (!ValidatePackedDib(data, size, &l)) return false;
  if (l.headerSize != kBitmapCoreHeaderSize) {
    packed_.Append(data, std::uint32_t(l.TotalSize()));
    if (l.headerSize == kBitmapV5HeaderSize) DropColorProfile(packed_.Items());
  } else {
    // Widen the core header and its RGBTRIPLE palette to the info layout.
    std::uint8_t header[kBitmapInfoHeaderSize] = {};
    le::Put32(header, kBitmapInfoHeaderSize);
    le::Put32(header + 4, std::uint32_t(l.header.width));
    le::Put32(header + 8, std::uint32_t(l.header.height));
    le::Put16(header + 12, 1);
    le::Put16(header + 14, l.header.bitCount);
    le::Put32(header + 20, l.bitsSize);
    packed_.Append(header, sizeof header);
    for (std::uint32_t i = 0; i < l.paletteCount; ++i) {
      const std::uint8_t* t = data + kBitmapCoreHeaderSize + 3 * i;
      const std::uint8_t quad[4] = {t[0], t[1], t[2], 0};
      packed_.Append(quad, 4);
    }
    packed_.Append(data + l.bitsOffset, l.bitsSize);
    if (!ValidatePackedDib(packed_.Items(), packed_.Count(), &l)) {
      Clear();
      return false;
    }
  }
  layout_ = l;
  if (l.headerSize == kBitmapCoreHeaderSize) layout_.paletteEntrySize = 4;
  return true;
}

bool TDib::AdoptPackedDib(ByteArray&& bytes) {
  Clear();
  PackedDibLayout l;
  if (!ValidatePackedDib(bytes.Items(), bytes.Count(), &l)) return false;
  if (l.headerSize == kBitmapCoreHeaderSize) {
    const ByteArray core = std::move(bytes);
    return LoadPackedDib(core.Items(), core.Count());
  }
  if (l.headerSize == kBitmapV5HeaderSize) DropColorProfile(bytes.Items());
  bytes.SetCount(std::uint32_t(l.TotalSize()));
  packed_ = std::move(bytes);
  layout_ = l;
  return true;
}

ByteArray TDib::ReleasePackedDib() {
  ByteArray bytes = std::move(packed_);
  Clear();
  return bytes;
}

bool TDib::Create(std::int32_t width, std::int32_t height, std::uint16_t bitCount) {
  Clear();
  std::uint8_t header[kBitmapInfoHeaderSize] = {};
  le::Put32(header, kBitmapInfoHeaderSize);
  le::Put32(header + 4, std::uint32_t(width));
  le::Put32(header + 8, std::uint32_t(height));
  le::Put16(header + 12, 1);
  le::Put16(header + 14, bitCount);
  PackedDibLayout l;
  const std::uint32_t palette = bitCount <= 8 && bitCount > 0 ? (1u << bitCount) : 0;
  ByteArray bytes;
  bytes.Append(header, sizeof header);
  bytes.SetCount(kBitmapInfoHeaderSize + palette * 4);
  std::memset(bytes.Items() + kBitmapInfoHeaderSize, 0, palette * 4);
  if (!ParsePackedDibHeader(bytes.Items(), bytes.Count(), &l)) return false;
  le::Put32(bytes.Items() + 20, l.bitsSize);
  const std::uint32_t start = bytes.Count();
  bytes.SetCount(start + l.bitsSize);
  std::memset(bytes.Items() + start, 0, l.bitsSize);
  l.header.sizeImage = l.bitsSize;
  packed_ = std::move(bytes);
  layout_ = l;
  return true;
}

void TDib::Clear() {
  packed_ = ByteArray();
  layout_ = PackedDibLayout();
}

// --- fields and pixels ------------------------------------------------------------

std::int32_t TDib::Height() const {
  const std::int32_t h = layout_.header.height;
  return h < 0 ? -h : h;
}

void TDib::SetResolution(std::int32_t xPelsPerMeter, std::int32_t yPelsPerMeter) {
  if (packed_.Count() < kBitmapInfoHeaderSize || layout_.headerSize < kBitmapInfoHeaderSize) return;
  le::Put32(packed_.Items() + 24, std::uint32_t(xPelsPerMeter));
  le::Put32(packed_.Items() + 28, std::uint32_t(yPelsPerMeter));
  layout_.header.xPelsPerMeter = xPelsPerMeter;
  layout_.header.yPelsPerMeter = yPelsPerMeter;
}

std::uint32_t TDib::GetPaletteEntry(std::uint32_t i) const {
  if (packed_.Empty() || i >= layout_.paletteCount) return 0;
  const std::uint8_t* q = packed_.Items() + layout_.headerSize + layout_.maskBytes + 4 * i;
  return std::uint32_t(q[0]) | (std::uint32_t(q[1]) << 8) | (std::uint32_t(q[2]) << 16);
}

bool TDib::SetPaletteEntry(std::uint32_t i, std::uint32_t rgb) {
  if (packed_.Empty() || i >= layout_.paletteCount) return false;
  std::uint8_t* q = packed_.Items() + layout_.headerSize + layout_.maskBytes + 4 * i;
  le::Put32(q, rgb & 0xFFFFFF);
  return true;
}

std::uint8_t* TDib::PixelRow(std::int32_t y) const {
  const std::int32_t row = IsTopDown() ? y : Height() - 1 - y;
  return const_cast<std::uint8_t*>(packed_.Items()) + layout_.bitsOffset + std::uint64_t(row) * layout_.stride;
}

bool TDib::GetPixel(std::int32_t x, std::int32_t y, std::uint32_t* value) const {
  if (packed_.Empty() || x < 0 || y < 0 || x >= Width() || y >= Height()) return false;
  if (Compression() == kBiRle4 || Compression() == kBiRle8) return false;
  const std::uint8_t* row = PixelRow(y);
  switch (BitCount()) {
    case 1: *value = (row[x >> 3] >> (7 - (x & 7))) & 1; break;
    case 4: *value = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F; break;
    case 8: *value = row[x]; break;
    case 16: *value = le::U16(row + 2 * std::size_t(x)); break;
    case 24: {
      const std::uint8_t* p = row + 3 * std::size_t(x);
      *value = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
      break;
    }
    default: *value = le::U32(row + 4 * std::size_t(x)); break;
  }
  return true;
}

bool TDib::SetPixel(std::int32_t x, std::int32_t y, std::uint32_t value) {
  if (packed_.Empty() || x < 0 || y < 0 || x >= Width() || y >= Height()) return false;
  if (Compression() == kBiRle4 || Compression() == kBiRle8) return false;
  std::uint8_t* row = PixelRow(y);
  switch (BitCount()) {
    case 1: {
      const std::uint8_t bit = std::uint8_t(0x80 >> (x & 7));
      row[x >> 3] = std::uint8_t((value & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit));
      break;
    }
    case 4: {
      std::uint8_t& b = row[x >> 1];
      b = (x & 1) ? std::uint8_t((b & 0xF0) | (value & 0x0F)) : std::uint8_t((b & 0x0F) | ((value & 0x0F) << 4));
      break;
    }
    case 8: row[x] = std::uint8_t(value); break;
    case 16: le::Put16(row + 2 * std::size_t(x), std::uint16_t(value)); break;
    case 24: {
      std::uint8_t* p = row + 3 * std::size_t(x);
      p[0] = std::uint8_t(value);
      p[1] = std::uint8_t(value >> 8);
      p[2] = std::uint8_t(value >> 16);
      break;
    }
    default: le::Put32(row + 4 * std::size_t(x), value); break;
  }
  return true;
}

bool TDib::SetPelsPerMeter(std::int32_t x, std::int32_t y) {
  if (packed_.Empty() || layout_.headerSize < kBitmapInfoHeaderSize) return false;
  le::Put32(packed_.Items() + 24, std::uint32_t(x));
  le::Put32(packed_.Items() + 28, std::uint32_t(y));
  layout_.header.xPelsPerMeter = x;
  layout_.header.yPelsPerMeter = y;
  return true;
}

void TDib::GetMasks(std::uint32_t masks[3]) const {
  if (Compression() == kBiBitFields) {
    // After a 40-byte header the masks follow it; larger headers hold them at 40.
    const std::uint8_t* m = packed_.Items() + kBitmapInfoHeaderSize;
    masks[0] = le::U32(m);
    masks[1] = le::U32(m + 4);
    masks[2] = le::U32(m + 8);
  } else if (BitCount() == 16) {
    masks[0] = 0x7C00;  // 5-5-5
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  } else {
    masks[0] = 0xFF0000;
    masks[1] = 0x00FF00;
    masks[2] = 0x0000FF;
  }
}

std::uint32_t TDib::GetPixelColor(std::int32_t x, std::int32_t y) const {
  std::uint32_t v = 0;
  if (!GetPixel(x, y, &v)) return kInvalidColor;
  std::uint32_t r = 0, g = 0, b = 0;
  switch (BitCount()) {
    case 1: case 4: case 8: {
      const std::uint32_t q = GetPaletteEntry(v);
      r = (q >> 16) & 0xFF;
      g = (q >> 8) & 0xFF;
      b = q & 0xFF;
      break;
    }
    case 24:
      r = (v >> 16) & 0xFF;
      g = (v >> 8) & 0xFF;
      b = v & 0xFF;
      break;
    default: {
      std::uint32_t masks[3];
      GetMasks(masks);
      r = MaskedChannel(v, masks[0]);
      g = MaskedChannel(v, masks[1]);
      b = MaskedChannel(v, masks[2]);
      break;
    }
  }
  return r | (g << 8) | (b << 16);
}

// --- .bmp files ------------------------------------------------------------------

bool ReadBmpFromStream(ByteArray& out, InFileStream& stream) {
  out.Clear();
  std::uint8_t fileHeader[kBmpFileHeaderSize];
  if (stream.Read(fileHeader, kBmpFileHeaderSize) != kBmpFileHeaderSize) return false;
  if (fileHeader[0] != 'B' || fileHeader[1] != 'M') return false;
  const std::uint32_t offBits = le::U32(fileHeader + 10);

  const std::uint64_t pos = stream.Position();
  const std::uint64_t size = stream.Size();
  if (pos >= size) return false;
  // A packed DIB above the image limit is refused later; do not read more.
  const std::uint64_t rest = std::min<std::uint64_t>(size - pos, kMaxDibImageBytes);
  if (rest < 4) return false;
  out.SetCount(std::uint32_t(rest));
  if (stream.Read(out.Items(), std::uint32_t(rest)) != rest) {
    out.Clear();
    return false;
  }

  // Writers may leave a gap between the palette and the bits; the file
  // header's offset says where the bits really start.
  PackedDibLayout l;
  if (ParsePackedDibHeader(out.Items(), out.Count(), &l) && offBits >= kBmpFileHeaderSize) {
    const std::uint64_t bitsAt = std::uint64_t(offBits) - kBmpFileHeaderSize;
    if (bitsAt > l.bitsOffset && bitsAt <= out.Count()) {
      const std::uint32_t gap = std::uint32_t(bitsAt - l.bitsOffset);
      std::memmove(out.Items() + l.bitsOffset, out.Items() + bitsAt, out.Count() - bitsAt);
      out.SetCount(out.Count() - gap);
    }
  }
  return true;
}

bool WriteDibAsBmpFile(const WString& fileName, const TDib& dib) {
  if (!dib.HasBits()) return false;
  std::uint8_t fileHeader[kBmpFileHeaderSize] = {'B', 'M'};
  le::Put32(fileHeader + 2, dib.PackedDibSize() + kBmpFileHeaderSize);
  le::Put32(fileHeader + 10, kBmpFileHeaderSize + dib.BitsOffset());
  OutFileStream out(fileName);
  out.Write(fileHeader, kBmpFileHeaderSize);
  out.Write(dib.PackedDib(), dib.PackedDibSize());
  const bool written = out.IsGood();
  return out.Close() && written;
}

}  // namespace kvn
