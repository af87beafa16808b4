// Packed DIBs from arbitrary bytes: every picture the packed-DIB checks
// accept goes through depth conversion, colour collection, RLE decoding and
// compression, quarter turns, alpha masks and the turned drawing into a
// small surface.
#include <cstring>
#include <vector>

#include "platform/gdi/LeBytes.h"
#include "platform/gdi/TDib.h"
#include "render/DibConversion.h"
#include "render/RasterSurface.h"
#include "render/RotatedBitmap.h"
#include "tests/fuzz/FuzzTarget.h"

using namespace kvn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TDib dib;
  if (!dib.LoadPackedDib(data, size)) return 0;
  // Compressed pictures may claim any size; the fuzzer's memory is not the
  // question here.
  if (std::uint64_t(dib.Width()) * std::uint64_t(dib.Height()) > (1u << 20)) return 0;
  std::vector<std::uint32_t> used;
  for (std::uint32_t bits : {0u, 1u, 4u, 8u, 24u}) {
    auto converted = ConvertDibBitCount(dib, bits, bits == 1, &used, std::nullopt, nullptr);
    if (converted && !used.empty()) ConvertDibBitCount(dib, 0, false, nullptr, false, &used);
  }
  ConvertDibBitCount(dib, 8, false, nullptr, true, nullptr);
  CollectDibColors(&used, dib);
  if (auto plain = DecodeRleDib(dib)) CompressDibRle(*plain);
  TDib copy;
  if (copy.LoadPackedDib(dib.PackedDib(), dib.PackedDibSize())) CompressDibRle(copy);
  RotateDib90(dib, 3);
  ExtractAlphaMask(dib);
  cRasterSurface surface(true);
  if (surface.Prepare(TRect{0, 0, 64, 64})) {
    const RotatedBitmapCorners corners{{3.5, 2}, {60, 20}, {-4, 50}};
    const std::unique_ptr<TDib> plain = DecodeRleDib(dib);
    DrawRotatedBitmap(surface, corners, plain ? *plain : dib, {}, 0x00FFFFFF, 10);
  }
  return 0;
}

namespace {

std::vector<std::uint8_t> Packed(std::int32_t w, std::int32_t h, std::uint16_t bits, std::uint32_t compression,
                                 const std::vector<std::uint8_t>& pixels, std::uint32_t paletteCount) {
  std::vector<std::uint8_t> b(40 + 4 * paletteCount + pixels.size(), 0);
  le::Put32(b.data(), 40);
  le::Put32(b.data() + 4, std::uint32_t(w));
  le::Put32(b.data() + 8, std::uint32_t(h));
  le::Put16(b.data() + 12, 1);
  le::Put16(b.data() + 14, bits);
  le::Put32(b.data() + 16, compression);
  le::Put32(b.data() + 20, std::uint32_t(pixels.size()));
  le::Put32(b.data() + 32, paletteCount);
  for (std::uint32_t i = 0; i < paletteCount; ++i) le::Put32(b.data() + 40 + 4 * i, i * 0x0F1F2F);
  if (!pixels.empty()) std::memcpy(b.data() + 40 + 4 * paletteCount, pixels.data(), pixels.size());
  return b;
}

}  // namespace

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  std::vector<std::vector<std::uint8_t>> seeds;
  std::vector<std::uint8_t> px24(4 * 12 * 3);
  for (std::size_t i = 0; i < px24.size(); ++i) px24[i] = std::uint8_t(i * 37);
  seeds.push_back(Packed(4, 3, 24, kBiRgb, std::vector<std::uint8_t>(px24.begin(), px24.begin() + 3 * 12 + 0), 0));
  seeds.push_back(Packed(5, -2, 8, kBiRgb, std::vector<std::uint8_t>(16, 3), 16));
  seeds.push_back(Packed(7, 3, 4, kBiRgb, std::vector<std::uint8_t>(12, 0x5A), 16));
  seeds.push_back(Packed(9, 2, 1, kBiRgb, std::vector<std::uint8_t>(8, 0xA5), 2));
  seeds.push_back(Packed(3, 2, 32, kBiRgb, std::vector<std::uint8_t>(24, 0x80), 0));
  seeds.push_back(Packed(3, 2, 16, kBiRgb, std::vector<std::uint8_t>(16, 0x7C), 0));
  // RLE with runs, a move, an absolute run and a run beyond the row.
  seeds.push_back(Packed(6, 4, 8, kBiRle8, {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 1, 200, 3, 0, 0, 0, 1}, 4));
  seeds.push_back(Packed(6, 4, 4, kBiRle4, {3, 0x12, 0, 4, 0x12, 0x34, 0, 0, 0, 2, 9, 9, 4, 0x55, 0, 1}, 16));
  return seeds;
}
