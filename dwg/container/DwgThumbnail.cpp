#include "dwg/container/DwgThumbnail.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "foundation/InFileStream.h"
#include "model/PictureServices.h"
#include "model/cBitmap.h"
#include "platform/gdi/TDib.h"
#include "platform/image/ImageCodecs.h"

namespace kvn {

namespace {

constexpr std::uint8_t kPreviewSentinel[16] = {0x1F, 0x25, 0x6D, 0x07, 0xD4, 0x36, 0x28, 0x28,
                                               0x9D, 0x57, 0xCA, 0x3F, 0x9D, 0x44, 0x10, 0x2B};
constexpr std::uint8_t kEntryHeader = 1, kEntryBmp = 2, kEntryWmf = 3, kEntryPng = 6;

struct PreviewEntry {
  std::uint8_t code = 0;
  std::uint32_t start = 0;
  std::uint32_t size = 0;
};

std::uint32_t U32At(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }

bool ReadExactly(InFileStream& in, void* buffer, std::uint32_t n) { return in.Read(buffer, n) == n; }

bool AcceptedRelease(int number) {
  for (int accepted : {12, 13, 14, 15, 18, 21, 24, 27, 32}) {
    if (number == accepted) return true;
  }
  return false;
}

// The picture bytes as a TDib: a PNG decoded, a packed DIB checked (header
// size, bit count, palette and rows against the bytes) before it is built.
std::unique_ptr<TDib> DecodePreview(const std::vector<std::uint8_t>& bytes, bool png) {
  auto picture = std::make_unique<TDib>();
  if (png) {
    if (!DecodePngToDib(bytes.data(), bytes.size(), kMaxThumbnailPixels, picture.get())) return nullptr;
    return picture;
  }
  PackedDibLayout layout;
  if (!ValidatePackedDib(bytes.data(), bytes.size(), &layout)) return nullptr;
  const std::int64_t rows = layout.header.height < 0 ? -std::int64_t(layout.header.height) : layout.header.height;
  if (std::uint64_t(layout.header.width) * std::uint64_t(rows) > kMaxThumbnailPixels) return nullptr;
  if (!picture->LoadPackedDib(bytes.data(), bytes.size())) return nullptr;
  return picture;
}

bool IsPaletted(const TDib& dib) {
  return dib.BitCount() <= 8 && dib.Compression() == kBiRgb && dib.PaletteCount() > 0;
}

// Rows of an uncompressed 1-, 4- or 8-bit picture as palette indices, one
// byte a pixel; y counts from the top whatever the row order.
std::size_t RowOffset(const TDib& dib, std::int32_t y) {
  return std::size_t(dib.IsTopDown() ? y : dib.Height() - 1 - y) * dib.Stride();
}

void UnpackRow(const TDib& dib, std::int32_t y, std::vector<std::uint8_t>& out) {
  const std::uint8_t* row = dib.Bits() + RowOffset(dib, y);
  out.resize(std::size_t(dib.Width()));
  if (dib.BitCount() == 8) {
    std::copy(row, row + dib.Width(), out.begin());
    return;
  }
  for (std::int32_t x = 0; x < dib.Width(); ++x) {
    switch (dib.BitCount()) {
      case 8: out[std::size_t(x)] = row[x]; break;
      case 4: out[std::size_t(x)] = std::uint8_t(row[x >> 1] >> ((x & 1) ? 0 : 4) & 0x0F); break;
      default: out[std::size_t(x)] = std::uint8_t(row[x >> 3] >> (7 - (x & 7)) & 1); break;
    }
  }
}

void PackRow(TDib& dib, std::int32_t y, const std::uint8_t* indices) {
  std::uint8_t* row = dib.Bits() + RowOffset(dib, y);
  if (dib.BitCount() == 8) {
    std::copy(indices, indices + dib.Width(), row);
    return;
  }
  std::fill(row, row + dib.Stride(), std::uint8_t(0));
  for (std::int32_t x = 0; x < dib.Width(); ++x) {
    const std::uint8_t v = indices[x];
    switch (dib.BitCount()) {
      case 8: row[x] = v; break;
      case 4: row[x >> 1] |= std::uint8_t((v & 0x0F) << ((x & 1) ? 0 : 4)); break;
      default: row[x >> 3] |= std::uint8_t((v & 1) << (7 - (x & 7))); break;
    }
  }
}

// The index occurring most often, the lowest among equal counts.
std::uint32_t BackgroundIndex(const TDib& dib) {
  std::array<std::uint64_t, 256> counts{};
  std::vector<std::uint8_t> row;
  for (std::int32_t y = 0; y < dib.Height(); ++y) {
    UnpackRow(dib, y, row);
    for (std::uint8_t index : row) ++counts[index];
  }
  std::uint32_t best = 0;
  for (std::uint32_t i = 1; i < counts.size(); ++i) {
    if (counts[i] > counts[best]) best = i;
  }
  return best;
}

// The picture cut to the box of pixels that are not the background, when
// that box is more than one row high and one column wide.
std::unique_ptr<TDib> Cropped(std::unique_ptr<TDib> dib, std::uint32_t background) {
  std::int32_t left = dib->Width(), right = -1, top = dib->Height(), bottom = -1;
  std::vector<std::uint8_t> row;
  for (std::int32_t y = 0; y < dib->Height(); ++y) {
    UnpackRow(*dib, y, row);
    for (std::int32_t x = 0; x < dib->Width(); ++x) {
      if (row[std::size_t(x)] == background) continue;
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  if (right - left <= 0 || bottom - top <= 0) return dib;
  auto cut = std::make_unique<TDib>();
  const std::int32_t height = bottom - top + 1;
  if (!cut->Create(right - left + 1, dib->IsTopDown() ? -height : height, dib->BitCount())) return dib;
  for (std::uint32_t i = 0; i < dib->PaletteCount() && i < cut->PaletteCount(); ++i) {
    cut->SetPaletteEntry(i, dib->GetPaletteEntry(i));
  }
  for (std::int32_t y = top; y <= bottom; ++y) {
    UnpackRow(*dib, y, row);
    PackRow(*cut, y - top, row.data() + left);
  }
  return cut;
}

// Background white, everything else black, at 1 bit per pixel.
std::unique_ptr<TDib> BlackAndWhite(const TDib& dib, std::uint32_t background) {
  auto out = std::make_unique<TDib>();
  if (!out->Create(dib.Width(), dib.IsTopDown() ? -dib.Height() : dib.Height(), 1)) return nullptr;
  out->SetPaletteEntry(0, 0xFFFFFF);
  out->SetPaletteEntry(1, 0x000000);
  std::vector<std::uint8_t> row;
  for (std::int32_t y = 0; y < dib.Height(); ++y) {
    UnpackRow(dib, y, row);
    for (std::uint8_t& index : row) index = index == background ? 0 : 1;
    PackRow(*out, y, row.data());
  }
  return out;
}

std::unique_ptr<cSheet> SheetOfPicture(std::unique_ptr<TDib> picture) {
  auto sheet = std::make_unique<cSheet>();
  auto bitmap = std::make_unique<cBitmap>();
  const double width = picture->Width(), height = picture->Height();
  bitmap->frame.SetPoints(DPoint{0, 0}, DPoint{width, height});
  bitmap->frame.Recalc();
  bitmap->SetImage(false, std::move(picture), false, {}, nullptr);
  ObjectChain chain;
  chain.Append(bitmap.release());
  sheet->TopBlock().AppendChain(std::move(chain));
  sheet->Drawing().InvalidateSummary(0);
  return sheet;
}

}  // namespace

std::unique_ptr<cSheet> ReadDwgThumbnailStream(bool* layoutFlag, InFileStream& in, bool blackAndWhite) {
  if (layoutFlag) *layoutFlag = false;
  if (!in.IsOpen() || !in.Seek(0)) return nullptr;
  std::uint8_t head[30];
  if (!ReadExactly(in, head, sizeof head) || std::memcmp(head, "AC10", 4) != 0) return nullptr;
  if (head[4] < '0' || head[4] > '9' || head[5] < '0' || head[5] > '9') return nullptr;
  if (!AcceptedRelease((head[4] - '0') * 10 + (head[5] - '0'))) return nullptr;
  const std::uint64_t fileSize = in.Size();
  std::uint8_t sentinel[16];
  if (!in.Seek(U32At(head + 0x0D)) || !ReadExactly(in, sentinel, sizeof sentinel) ||
      std::memcmp(sentinel, kPreviewSentinel, sizeof sentinel) != 0) {
    return nullptr;
  }
  std::uint8_t counts[5];
  if (!ReadExactly(in, counts, sizeof counts)) return nullptr;
  std::optional<PreviewEntry> image, header;
  bool png = false;
  for (int i = 0; i < counts[4]; ++i) {
    std::uint8_t raw[9];
    if (!ReadExactly(in, raw, sizeof raw)) return nullptr;
    const PreviewEntry entry{raw[0], U32At(raw + 1), U32At(raw + 5)};
    if (entry.code == kEntryBmp || entry.code == kEntryPng) {
      if (!image) {
        image = entry;
        png = entry.code == kEntryPng;
      }
    } else if (entry.code != kEntryWmf) {
      // The header data (kEntryHeader in valid files); the last one counts.
      header = entry;
    }
  }
  if (layoutFlag) {
    std::uint64_t p = in.Position();
    bool contiguous = !header;
    if (header && header->start == p) {
      contiguous = true;
      p += header->size;
    }
    *layoutFlag = contiguous && ((!image && p + 16 == fileSize) ||
                                 (image && image->start == p && p + image->size + 16 == fileSize));
  }
  if (!image || image->size > fileSize) return nullptr;
  std::vector<std::uint8_t> bytes(image->size);
  if (!in.Seek(image->start) || !ReadExactly(in, bytes.data(), image->size)) return nullptr;
  std::unique_ptr<TDib> picture = DecodePreview(bytes, png);
  if (!picture || !picture->HasBits()) return nullptr;
  if (!IsPaletted(*picture)) {
    picture = GetPictureServices().ConvertDibBitCount(*picture, 8, nullptr);
    if (!picture || !IsPaletted(*picture)) return nullptr;
  }
  const std::uint32_t background = BackgroundIndex(*picture);
  if ((picture->GetPaletteEntry(background) & 0xFFFFFF) == 0) {
    for (std::uint32_t i = 0; i < picture->PaletteCount(); ++i) {
      picture->SetPaletteEntry(i, picture->GetPaletteEntry(i) ^ 0xFFFFFF);
    }
  }
  picture = Cropped(std::move(picture), background);
  if (blackAndWhite) {
    // The background entry white and every other black, then one bit a
    // pixel: done in one step, the same picture as the colour table set and
    // the depth converted.
    picture = BlackAndWhite(*picture, background);
    if (!picture) return nullptr;
  }
  return SheetOfPicture(std::move(picture));
}

std::unique_ptr<cSheet> ReadDwgThumbnail(bool* layoutFlag, const WString& path, bool blackAndWhite) {
  if (layoutFlag) *layoutFlag = false;
  InFileStream in(path);
  if (!in.IsOpen()) return nullptr;
  return ReadDwgThumbnailStream(layoutFlag, in, blackAndWhite);
}

}  // namespace kvn
