// Bitmap conversion: channel widening, RLE decoding of hostile streams and
// round trips through the encoder, octree and grey reductions, colour
// collection, quarter turns, alpha masks and palette tinting.
#include "render/DibConversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <iterator>
#include <set>

#include "foundation/InFileStream.h"
#include "foundation/UiColors.h"
#include "model/ColorHls.h"
#include "platform/gdi/LeBytes.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

TDib LoadBmp(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  ByteArray data;
  data.Append(bytes.data(), std::uint32_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(data);
  return TDib::FromBmpStream(in);
}

std::unique_ptr<TDib> Make(std::int32_t w, std::int32_t h, std::uint16_t bits, std::vector<std::uint32_t> palette = {},
                           std::uint32_t compression = kBiRgb, const std::vector<std::uint8_t>& data = {}) {
  DibBuildParts p;
  p.width = w;
  p.height = h;
  p.bitCount = bits;
  p.compression = compression;
  p.xPelsPerMeter = 100;
  p.yPelsPerMeter = 200;
  p.palette = std::move(palette);
  auto dib = BuildDib(p, data.empty() ? nullptr : data.data(), std::uint32_t(data.size()));
  EXPECT_TRUE(dib);
  return dib;
}

// Every pixel of two uncompressed pictures, by colour.
void ExpectSameColors(const TDib& a, const TDib& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  for (std::int32_t y = 0; y < a.Height(); ++y)
    for (std::int32_t x = 0; x < a.Width(); ++x)
      ASSERT_EQ(DibGetPixelColor(a, x, y), DibGetPixelColor(b, x, y)) << x << "," << y;
}

TEST(DibConversion, SixteenAndThirtyTwoBitsWidenThroughTheirMasks) {
  EXPECT_EQ(PaletteSizeForBitCount(1), 2u);
  EXPECT_EQ(PaletteSizeForBitCount(4), 16u);
  EXPECT_EQ(PaletteSizeForBitCount(8), 256u);
  EXPECT_EQ(PaletteSizeForBitCount(24), 0u);
  auto dib16 = Make(3, 1, 16);
  DibSetPixelRaw(*dib16, 0, 0, 0x7C00);  // red 31
  DibSetPixelRaw(*dib16, 1, 0, 0x4000);  // red 16: low bit clear, no fill
  DibSetPixelRaw(*dib16, 2, 0, 0x0021);  // green 1, blue 1: filled with ones
  auto out = ConvertDibBitCount(*dib16, 0, false, nullptr, false, nullptr);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->BitCount(), 24);
  EXPECT_EQ(DibGetPixelColor(*out, 0, 0), 0x0000FFu);
  EXPECT_EQ(DibGetPixelColor(*out, 1, 0), 0x000080u);
  EXPECT_EQ(DibGetPixelColor(*out, 2, 0), 0x0F0F00u);
  EXPECT_EQ(out->Layout().header.xPelsPerMeter, 100);
  EXPECT_EQ(out->Layout().header.yPelsPerMeter, 200);

  auto dib32 = Make(1, 1, 32);
  DibSetPixelRaw(*dib32, 0, 0, 0xFF123456);
  out = ConvertDibBitCount(*dib32, 24, false, nullptr, false, nullptr);
  ASSERT_TRUE(out);
  EXPECT_EQ(DibGetPixelColor(*out, 0, 0), 0x563412u);
}

TEST(DibConversion, RleDecodingStaysInsideThePictureAndStopsAtTheStreamEnd) {
  const std::vector<std::uint32_t> pal = {0, 0x0000FF, 0x00FF00, 0xFF0000};
  // Row 0: run of 3 x index 1, absolute run of 3 (padded), end of line.
  // Row 1: a move by (2, 0), one pixel, a run of 200 overflowing the row,
  // end of line. Row 2: a run left unfinished by the stream's end.
  const std::vector<std::uint8_t> rle = {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 0, 1, 2, 200, 3, 0, 0, 2, 1, 0};
  auto dib = Make(6, 4, 8, pal, kBiRle8, rle);
  auto plain = DecodeRleDib(*dib);
  ASSERT_TRUE(plain);
  const std::vector<std::uint32_t> row0 = {1, 1, 1, 2, 3, 1};
  const std::vector<std::uint32_t> row1 = {0, 0, 2, 3, 3, 3};
  for (std::int32_t x = 0; x < 6; ++x) {
    EXPECT_EQ(DibGetPixelIndex(*plain, x, 0), row0[std::size_t(x)]);
    EXPECT_EQ(DibGetPixelIndex(*plain, x, 1), row1[std::size_t(x)]);
  }
  EXPECT_EQ(DibGetPixelIndex(*plain, 0, 2), 1u);
  EXPECT_EQ(DibGetPixelIndex(*plain, 2, 2), 0u);
  EXPECT_EQ(DibGetPixelIndex(*plain, 0, 3), 0u);

  // A move far beyond the picture writes nothing.
  auto far = Make(2, 2, 4, pal, kBiRle4, {0, 2, 255, 255, 4, 0x12, 0, 1});
  auto farPlain = DecodeRleDib(*far);
  ASSERT_TRUE(farPlain);
  for (std::int32_t y = 0; y < 2; ++y)
    for (std::int32_t x = 0; x < 2; ++x) EXPECT_EQ(DibGetPixelIndex(*farPlain, x, y), 0u);

  // Eight bytes claiming 30000 x 30000 pixels (858 MiB) are refused, not
  // allocated; a blank picture of 8 MiB from as few bytes still decodes.
  auto bomb = Make(30000, 30000, 8, pal, kBiRle8, {0, 0, 0, 0, 0, 0, 0, 1});
  ASSERT_TRUE(bomb);
  EXPECT_EQ(DecodeRleDib(*bomb), nullptr);
  auto blank = Make(4096, 2048, 8, pal, kBiRle8, {0, 0, 0, 0, 0, 0, 0, 1});
  ASSERT_TRUE(blank);
  EXPECT_NE(DecodeRleDib(*blank), nullptr);
}

TEST(DibConversion, RleFilesDecodeAndLongRunsRoundTripThroughTheEncoder) {
  KVN_REQUIRE_TESTDATA(dir);
  const TDib rle = LoadBmp(dir / "raster/imagers_pal8rle.bmp");
  ASSERT_EQ(rle.Compression(), kBiRle8);
  auto plain = ConvertDibBitCount(rle, 0, false, nullptr, false, nullptr);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->BitCount(), 8);
  EXPECT_EQ(plain->Compression(), kBiRgb);
  // This picture's runs are short: plain runs would not be smaller, so the
  // encoder leaves it alone.
  TDib again;
  ASSERT_TRUE(again.LoadPackedDib(plain->PackedDib(), plain->PackedDibSize()));
  EXPECT_FALSE(CompressDibRle(again));
  EXPECT_EQ(again.Compression(), kBiRgb);
  // Eight times as wide, each pixel repeated, it compresses and decodes back.
  auto wide = Make(plain->Width() * 8, plain->Height(), 8, std::vector<std::uint32_t>(256, 0));
  for (std::int32_t y = 0; y < plain->Height(); ++y)
    for (std::int32_t x = 0; x < wide->Width(); ++x) DibSetPixelIndex(*wide, x, y, DibGetPixelIndex(*plain, x / 8, y));
  TDib packed;
  ASSERT_TRUE(packed.LoadPackedDib(wide->PackedDib(), wide->PackedDibSize()));
  ASSERT_TRUE(CompressDibRle(packed));
  EXPECT_EQ(packed.Compression(), kBiRle8);
  EXPECT_LT(packed.BitsSize(), wide->BitsSize());
  auto back = DecodeRleDib(packed);
  ASSERT_TRUE(back);
  for (std::int32_t y = 0; y < wide->Height(); ++y)
    for (std::int32_t x = 0; x < wide->Width(); ++x)
      ASSERT_EQ(DibGetPixelIndex(*back, x, y), DibGetPixelIndex(*wide, x, y)) << x << "," << y;

  // A run overflowing the image: whatever the reader accepts decodes
  // without leaving the picture.
  const TDib bad = LoadBmp(dir / "raster/bad_imagers_rle_overflow.bmp");
  if (!bad.IsEmpty()) {
    auto badPlain = DecodeRleDib(bad);
    EXPECT_TRUE(badPlain);
  }
}

TEST(DibConversion, RleFourRoundTripAndNoiseStaysUncompressed) {
  std::vector<std::uint32_t> pal(16);
  for (std::uint32_t i = 0; i < 16; ++i) pal[i] = i * 0x101010;
  auto dib = Make(300, 3, 4, pal);
  for (std::int32_t x = 0; x < 300; ++x) {
    DibSetPixelIndex(*dib, x, 0, x < 280 ? 5 : 9);
    DibSetPixelIndex(*dib, x, 1, 7);
    DibSetPixelIndex(*dib, x, 2, std::uint32_t(x / 100));
  }
  TDib rle;
  ASSERT_TRUE(rle.LoadPackedDib(dib->PackedDib(), dib->PackedDibSize()));
  ASSERT_TRUE(CompressDibRle(rle));
  EXPECT_EQ(rle.Compression(), kBiRle4);
  EXPECT_FALSE(CompressDibRle(rle));  // already compressed
  auto back = DecodeRleDib(rle);
  ASSERT_TRUE(back);
  ExpectSameColors(*back, *dib);

  auto noise = Make(16, 2, 8, std::vector<std::uint32_t>(256, 0));
  for (std::int32_t x = 0; x < 16; ++x) DibSetPixelIndex(*noise, x, 0, std::uint32_t(x)), DibSetPixelIndex(*noise, x, 1, 255 - std::uint32_t(x));
  const std::vector<std::uint8_t> before(noise->Bits(), noise->Bits() + noise->BitsSize());
  EXPECT_FALSE(CompressDibRle(*noise));
  EXPECT_EQ(noise->Compression(), kBiRgb);
  EXPECT_EQ(std::vector<std::uint8_t>(noise->Bits(), noise->Bits() + noise->BitsSize()), before);
}

TEST(DibConversion, ReductionsByOctreeGreyRampAndUsedColours) {
  // Five colours in a 24-bit picture: the octree keeps them exactly and the
  // used colours say that 4 bits would do.
  const std::vector<std::uint32_t> colors = {0x0000FF, 0x00FF00, 0xFF0000, 0x000000, 0xFFFFFF};
  auto dib = Make(5, 2, 24);
  for (std::int32_t x = 0; x < 5; ++x)
    for (std::int32_t y = 0; y < 2; ++y) {
      const std::uint32_t c = colors[std::size_t(x)];
      DibSetPixelRaw(*dib, x, y, ((c & 0xFF) << 16) | (c & 0xFF00) | (c >> 16));
    }
  std::vector<std::uint32_t> used;
  auto eight = ConvertDibBitCount(*dib, 8, false, &used, false, nullptr);
  ASSERT_TRUE(eight);
  EXPECT_EQ(eight->BitCount(), 8);
  EXPECT_EQ(eight->GetPaletteEntry(0), 0u);        // black and white reserved first
  EXPECT_EQ(eight->GetPaletteEntry(1), 0xFFFFFFu);
  ExpectSameColors(*eight, *dib);
  ASSERT_EQ(used.size(), 16u);
  EXPECT_EQ(std::vector<std::uint32_t>(used.begin(), used.begin() + 5), colors);  // x outer, y inner
  auto four = ConvertDibBitCount(*dib, 8, false, nullptr, false, &used);
  ASSERT_TRUE(four);
  EXPECT_EQ(four->BitCount(), 4);
  ExpectSameColors(*four, *dib);

  // Grey: a 24-bit target becomes 8 bits with the grey ramp, pixels by
  // lightness.
  auto grey = ConvertDibBitCount(*dib, 24, false, nullptr, true, nullptr);
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey->BitCount(), 8);
  EXPECT_EQ(DibGetPixelIndex(*grey, 0, 0), 128u);  // (255 + 0) x 255 / 510, rounded
  EXPECT_EQ(DibGetPixelIndex(*grey, 4, 0), 255u);

  // One bit by lightness: dark 0, light 1.
  auto mono = ConvertDibBitCount(*dib, 1, true, nullptr, false, nullptr);
  ASSERT_TRUE(mono);
  EXPECT_EQ(DibGetPixelIndex(*mono, 3, 1), 0u);
  EXPECT_EQ(DibGetPixelIndex(*mono, 4, 1), 1u);

  // Many colours: the octree reduces to 16 entries and every pixel maps to
  // one of them.
  auto wide = Make(64, 64, 24);
  for (std::int32_t y = 0; y < 64; ++y)
    for (std::int32_t x = 0; x < 64; ++x) DibSetPixelRaw(*wide, x, y, std::uint32_t(x * 4) << 16 | std::uint32_t(y * 4) << 8 | 77);
  auto sixteen = ConvertDibBitCount(*wide, 4, false, &used, false, nullptr);
  ASSERT_TRUE(sixteen);
  EXPECT_TRUE(used.empty());  // overflowed
  EXPECT_EQ(sixteen->PaletteCount(), 16u);
}

TEST(DibConversion, OneBitExpandsToFourKeepingItsColours) {
  auto mono = Make(13, 3, 1, {0x0000FF, 0xFFFFFF});
  for (std::int32_t x = 0; x < 13; ++x) DibSetPixelIndex(*mono, x, 1, std::uint32_t(x % 3 == 0));
  auto four = ConvertDibBitCount(*mono, 4, false, nullptr, false, nullptr);
  ASSERT_TRUE(four);
  EXPECT_EQ(four->BitCount(), 4);
  ExpectSameColors(*four, *mono);
}

TEST(DibConversion, CollectedColoursInOrderOfFirstAppearance) {
  // Index 5 lies beyond a table of two entries and reads as colour 0.
  auto dib = Make(3, 2, 4, {0x112233, 0x445566});
  DibSetPixelIndex(*dib, 0, 0, 1);
  DibSetPixelIndex(*dib, 1, 0, 0);
  DibSetPixelIndex(*dib, 2, 0, 5);
  std::vector<std::uint32_t> colors;
  ASSERT_TRUE(CollectDibColors(&colors, *dib));
  ASSERT_EQ(colors.size(), 16u);
  EXPECT_EQ(colors[0], 0x445566u);
  EXPECT_EQ(colors[1], 0x112233u);
  EXPECT_EQ(colors[2], 0u);

  auto many = Make(300, 1, 24);
  for (std::int32_t x = 0; x < 300; ++x) DibSetPixelRaw(*many, x, 0, std::uint32_t(x));
  EXPECT_FALSE(CountDibColors(&colors, *many));
  auto mono = Make(2, 1, 1, {0, 0xFFFFFF});
  EXPECT_FALSE(CollectDibColors(&colors, *mono));  // 1-bit pictures are not collected
}

TEST(DibConversion, QuarterTurnsExchangeSizesAndResolution) {
  auto dib = Make(3, 2, 24);
  for (std::int32_t y = 0; y < 2; ++y)
    for (std::int32_t x = 0; x < 3; ++x) DibSetPixelRaw(*dib, x, y, std::uint32_t(10 * y + x));
  auto a = RotateDib90(*dib, 3);
  auto b = RotateDib90(*dib, 1);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->Width(), 2);
  EXPECT_EQ(a->Height(), 3);
  EXPECT_EQ(a->Layout().header.xPelsPerMeter, 200);
  for (std::int32_t y = 0; y < 3; ++y)
    for (std::int32_t x = 0; x < 2; ++x) {
      EXPECT_EQ(DibGetPixelRaw(*a, x, y), DibGetPixelRaw(*dib, y, 2 - 1 - x));
      EXPECT_EQ(DibGetPixelRaw(*b, x, y), DibGetPixelRaw(*dib, 3 - 1 - y, x));
    }
}

TEST(DibConversion, AlphaMasksAndTheirRecombination) {
  auto dib = Make(2, 2, 32);
  for (std::int32_t y = 0; y < 2; ++y)
    for (std::int32_t x = 0; x < 2; ++x) DibSetPixelRaw(*dib, x, y, 0xFF102030);
  EXPECT_FALSE(ExtractAlphaMask(*dib));  // all opaque
  DibSetPixelRaw(*dib, 1, 0, 0x80102030);
  auto mask = ExtractAlphaMask(*dib);
  ASSERT_TRUE(mask);
  EXPECT_EQ(DibGetPixelRaw(*mask, 1, 0), 0x80u);
  EXPECT_EQ(DibGetPixelRaw(*mask, 0, 1), 0xFFu);
  auto combined = CombineDibWithMask(*dib, *mask);
  ASSERT_TRUE(combined);
  EXPECT_EQ(DibGetPixelRaw(*combined, 1, 0), 0x80102030u);
  auto small = Make(1, 1, 8);
  EXPECT_FALSE(CombineDibWithMask(*dib, *small));
  EXPECT_FALSE(ExtractAlphaMask(*Make(2, 2, 24)));
}

TEST(DibConversion, OctreeReservesBlackAndWhiteAndStaysWithinItsLimit) {
  OctreeQuantizer octree(16, false);
  for (std::uint32_t c = 0; c < 4096; ++c) ASSERT_TRUE(octree.AddColor(c * 4093));
  EXPECT_LE(octree.LeafCount(), 14u);
  const auto palette = octree.GetPalette();
  ASSERT_EQ(palette.size(), 16u);
  EXPECT_EQ(palette[0], 0u);
  EXPECT_EQ(palette[1], 0xFFFFFFu);
  OctreeQuantizer grey(256, true);
  grey.AddColor(0x0000FF);
  EXPECT_EQ(grey.GetPalette()[2], 0x808080u);
}

TEST(DibConversion, TintAndPaletteSwapPutTheTableBack) {
  auto dib = Make(1, 1, 4, {0xC0C0C0, 0x000000, 0xCBCBFF, 0xFFFFFF});
  {
    DibPaletteSwap swap(*dib, 0x123456, 0x00FF00);
    EXPECT_EQ(dib->GetPaletteEntry(0), 0x563412u);  // RGBQUAD read as 0x00RRGGBB
    EXPECT_EQ(dib->GetPaletteEntry(2), 0x563412u);
    EXPECT_EQ(dib->GetPaletteEntry(1), 0x00FF00u);  // dark entry: the disabled colour
    EXPECT_EQ(dib->GetPaletteEntry(3), 0x563412u);  // light entry: the background
  }
  EXPECT_EQ(dib->GetPaletteEntry(0), 0xC0C0C0u);
  EXPECT_EQ(dib->GetPaletteEntry(2), 0xFFCBCBu);
  ASSERT_TRUE(TintDibPalette(*dib, 0x0000FF));
  const std::uint32_t tinted = dib->GetPaletteEntry(1);
  EXPECT_GT((tinted >> 16) & 0xFF, tinted & 0xFF);  // reddish
  EXPECT_FALSE(TintDibPalette(*Make(1, 1, 24), 0x0000FF));
}

TEST(DibConversion, LightenedSystemColourReachesTwoHundredAndFollowsTheTable) {
  SetUiSysColor(5, 0x400000);  // dark blue of the program's own table
  const std::uint32_t pale = GetLightenedSysColor(5);
  const Hls hls = RgbToHls(pale);
  EXPECT_GE(hls.lightness, 199);  // integer HLS round trip may lose one step
  EXPECT_EQ(hls.hue, RgbToHls(0x400000).hue);
  SetUiSysColor(5, 0xF0F0F0);  // already light: kept, and the cache must notice the change
  EXPECT_EQ(GetLightenedSysColor(5), 0xF0F0F0u);
  SetUiSysColor(5, kNoUiColor);
}

}  // namespace
}  // namespace kvn

namespace kvn {
namespace {

// A 32-bit picture of w x h (negative: top-down) of varied pixels, plain or
// with the colour masks given after a 40-byte header.
TDib ThirtyTwoBit(std::int32_t w, std::int32_t h, const std::uint32_t* masks) {
  const std::int32_t rows = h < 0 ? -h : h;
  std::vector<std::uint8_t> bytes(40 + (masks ? 12 : 0) + std::size_t(w) * 4 * rows, 0);
  le::Put32(bytes.data(), 40);
  le::Put32(bytes.data() + 4, std::uint32_t(w));
  le::Put32(bytes.data() + 8, std::uint32_t(h));
  le::Put16(bytes.data() + 12, 1);
  le::Put16(bytes.data() + 14, 32);
  le::Put32(bytes.data() + 16, masks ? kBiBitFields : kBiRgb);
  le::Put32(bytes.data() + 24, 3780);
  le::Put32(bytes.data() + 28, 2835);
  std::size_t at = 40;
  if (masks) {
    for (int i = 0; i < 3; ++i) le::Put32(bytes.data() + 40 + 4 * i, masks[i]);
    at += 12;
  }
  for (std::size_t i = at; i < bytes.size(); ++i) bytes[i] = std::uint8_t(i * 37 + (i >> 7) * 11);
  TDib dib;
  EXPECT_TRUE(dib.LoadPackedDib(bytes.data(), bytes.size()));
  return dib;
}

// Narrowed in its own block, a 32-bit picture is byte for byte what the
// conversion to 24 bits makes: rows either way up, widths with and without
// row padding, plain and masked channels. Other depths are left alone.
TEST(DibConversion, ThirtyTwoBitPicturesNarrowInPlaceToTheConversionsResult) {
  const std::uint32_t tenBits[3] = {0x3FF00000, 0x000FFC00, 0x000003FF};
  const std::uint32_t swapped[3] = {0x000000FF, 0x0000FF00, 0x00FF0000};
  struct Case {
    std::int32_t w, h;
    const std::uint32_t* masks;
  };
  for (const Case& c : {Case{7, 5, nullptr}, Case{8, -3, nullptr}, Case{5, 4, tenBits}, Case{9, -2, swapped}}) {
    SCOPED_TRACE(testing::Message() << c.w << " x " << c.h << (c.masks ? " masked" : ""));
    const TDib source = ThirtyTwoBit(c.w, c.h, c.masks);
    const std::unique_ptr<TDib> converted = ConvertDibBitCount(source, 24, false, nullptr, std::nullopt, nullptr);
    ASSERT_TRUE(converted);
    TDib narrowed;
    ASSERT_TRUE(narrowed.LoadPackedDib(source.PackedDib(), source.PackedDibSize()));
    ASSERT_TRUE(NarrowDibTo24(narrowed));
    ASSERT_EQ(narrowed.PackedDibSize(), converted->PackedDibSize());
    const std::uint8_t* bytes = narrowed.PackedDib();
    EXPECT_TRUE(std::equal(bytes, bytes + narrowed.PackedDibSize(), converted->PackedDib()));
    EXPECT_EQ(narrowed.BitsOffset(), converted->BitsOffset());
    EXPECT_EQ(narrowed.Stride(), converted->Stride());
  }
  auto eight = Make(4, 4, 8, std::vector<std::uint32_t>(256, 0));
  EXPECT_FALSE(NarrowDibTo24(*eight));
  EXPECT_EQ(eight->BitCount(), 8);
}

}  // namespace
}  // namespace kvn
