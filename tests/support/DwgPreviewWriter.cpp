#include "tests/support/DwgPreviewWriter.h"

namespace kvn::test {

namespace {

constexpr std::uint8_t kStartSentinel[16] = {0x1F, 0x25, 0x6D, 0x07, 0xD4, 0x36, 0x28, 0x28,
                                             0x9D, 0x57, 0xCA, 0x3F, 0x9D, 0x44, 0x10, 0x2B};
constexpr std::uint8_t kEndSentinel[16] = {0xE0, 0xDA, 0x92, 0xF8, 0x2B, 0xC9, 0xD7, 0xD7,
                                           0x62, 0xA8, 0x35, 0xC0, 0x62, 0xBB, 0xEF, 0xD4};

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}

}  // namespace

std::vector<std::uint8_t> WriteDwgPreviewFile(const DwgPreviewSpec& spec) {
  std::vector<std::uint8_t> out(spec.version.begin(), spec.version.end());
  out.resize(0x20, 0);
  const std::uint32_t blockStart = 0x20;
  for (int i = 0; i < 4; ++i) out[0x0D + i] = std::uint8_t(blockStart >> (8 * i));
  out.insert(out.end(), std::begin(kStartSentinel), std::end(kStartSentinel));
  if (spec.badSentinel) out.back() ^= 1;
  std::size_t dataBytes = 0;
  for (const DwgPreviewPart& part : spec.parts) dataBytes += part.bytes.size();
  PutU32(out, std::uint32_t(1 + 9 * spec.parts.size() + dataBytes));
  out.push_back(std::uint8_t(spec.parts.size()));
  std::uint32_t at = std::uint32_t(out.size() + 9 * spec.parts.size() + spec.gap);
  for (const DwgPreviewPart& part : spec.parts) {
    out.push_back(part.code);
    PutU32(out, at);
    PutU32(out, std::uint32_t(part.bytes.size()));
    at += std::uint32_t(part.bytes.size());
  }
  out.resize(out.size() + spec.gap, 0);
  for (const DwgPreviewPart& part : spec.parts) out.insert(out.end(), part.bytes.begin(), part.bytes.end());
  out.insert(out.end(), std::begin(kEndSentinel), std::end(kEndSentinel));
  out.resize(out.size() + spec.trailing, 0);
  return out;
}

std::vector<std::uint8_t> PackedDibBytes(const TDib& dib) {
  return std::vector<std::uint8_t>(dib.PackedDib(), dib.PackedDib() + dib.PackedDibSize());
}

TDib PalettePicture(std::int32_t width, std::int32_t height, const std::vector<std::uint32_t>& palette,
                    std::uint8_t background, const std::vector<PreviewMark>& marks) {
  TDib dib;
  dib.Create(width, height, 8);
  for (std::uint32_t i = 0; i < palette.size(); ++i) dib.SetPaletteEntry(i, palette[i]);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) dib.SetPixel(x, y, background);
  }
  for (const PreviewMark& m : marks) dib.SetPixel(m.x, m.y, m.index);
  return dib;
}

}  // namespace kvn::test
