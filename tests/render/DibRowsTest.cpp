// Row access to pictures against the per-pixel access, on seeded random
// pictures of every depth, odd widths and both row orders; and the depth
// conversion that walks rows against the plain per-pixel rule.
#include "render/DibRows.h"

#include <gtest/gtest.h>

#include <random>

#include "render/DibConversion.h"

namespace kvn {
namespace {

std::unique_ptr<TDib> RandomDib(std::mt19937& rng, std::int32_t w, std::int32_t h, std::uint16_t bits,
                                std::uint32_t paletteSize) {
  DibBuildParts p;
  p.width = w;
  p.height = h;
  p.bitCount = bits;
  for (std::uint32_t i = 0; i < paletteSize; ++i) p.palette.push_back(rng() & 0xFFFFFF);
  auto dib = BuildDib(p, nullptr, 0);
  if (!dib) return nullptr;
  // Few distinct values, in runs, as rendered pages have them.
  for (std::uint32_t i = 0; i < dib->BitsSize(); ++i) dib->Bits()[i] = std::uint8_t(rng() % 7 == 0 ? rng() : i / 9 * 37);
  return dib;
}

struct Shape {
  std::int32_t width, height;
  std::uint16_t bits;
  std::uint32_t palette;  // entries stored (an index beyond them reads colour 0)
};
const Shape kShapes[] = {
    {1, 1, 1, 2},   {9, 5, 1, 2},    {33, -4, 1, 1}, {7, 3, 4, 16},  {8, -6, 4, 5},  {13, 4, 8, 256},
    {5, -3, 8, 40}, {31, 7, 24, 0},  {2, -9, 24, 0}, {64, 3, 4, 16}, {17, 2, 1, 2},
};

TEST(DibRows, RowsReadAndWriteAsPixelByPixel) {
  std::mt19937 rng(61);
  for (const Shape& s : kShapes) {
    SCOPED_TRACE(testing::Message() << s.width << " x " << s.height << " at " << s.bits << " bits");
    std::mt19937 twin = rng;
    auto dib = RandomDib(rng, s.width, s.height, s.bits, s.palette);
    auto perPixel = RandomDib(twin, s.width, s.height, s.bits, s.palette);
    ASSERT_TRUE(dib && perPixel);
    const DibColorRows rows(*dib);
    ASSERT_TRUE(rows.Readable());
    ASSERT_TRUE(DibRowsWritable(*dib));
    std::vector<std::uint32_t> row(std::size_t(dib->Width()));
    for (std::int32_t y = 0; y < dib->Height(); ++y) {
      rows.ReadRow(y, row.data());
      for (std::int32_t x = 0; x < dib->Width(); ++x) {
        ASSERT_EQ(row[x], DibGetPixelColor(*dib, x, y)) << x << ", " << y;
        ASSERT_EQ(rows.Color(x, y), row[x]);
      }
    }
    // Writing: the same bytes as per-pixel writes, padding bits included.
    std::vector<std::uint32_t> values(row.size());
    for (std::int32_t y = 0; y < dib->Height(); ++y) {
      for (std::int32_t x = 0; x < dib->Width(); ++x) {
        values[x] = rng() & 0xFFFFFF;
        DibSetPixelRaw(*perPixel, x, y, values[x]);
      }
      WriteRawRow(*dib, y, values.data());
    }
    ASSERT_EQ(std::vector<std::uint8_t>(dib->Bits(), dib->Bits() + dib->BitsSize()),
              std::vector<std::uint8_t>(perPixel->Bits(), perPixel->Bits() + perPixel->BitsSize()));
  }
  auto rle = std::make_unique<TDib>();
  EXPECT_FALSE(DibColorRows(*rle).Readable());
  EXPECT_FALSE(DibRowsWritable(*rle));
}

// The nearest table entry by squared distance, the first of equals.
std::uint32_t Nearest(const std::vector<std::uint32_t>& table, std::uint32_t c) {
  std::uint32_t best = 0;
  std::int64_t bestD = INT64_MAX;
  for (std::size_t i = 0; i < table.size(); ++i) {
    std::int64_t d = 0;
    for (int shift : {0, 8, 16}) {
      const std::int64_t e = std::int64_t((c >> shift) & 0xFF) - ((table[i] >> shift) & 0xFF);
      d += e * e;
    }
    if (d < bestD) bestD = d, best = std::uint32_t(i);
  }
  return best;
}

TEST(DibRows, ConversionToAFixedTableAndToTwentyFourBitsAsThePlainRule) {
  std::mt19937 rng(1961);
  std::vector<std::uint32_t> sixteen;
  for (int i = 0; i < 16; ++i) sixteen.push_back(rng() & 0xFFFFFF);
  for (const Shape& s : kShapes) {
    SCOPED_TRACE(testing::Message() << s.width << " x " << s.height << " at " << s.bits << " bits");
    auto dib = RandomDib(rng, s.width, s.height, s.bits, s.palette);
    ASSERT_TRUE(dib);
    auto fixed = ConvertDibBitCount(*dib, 0, false, nullptr, false, &sixteen);
    auto wide = ConvertDibBitCount(*dib, 24, false, nullptr, false, nullptr);
    ASSERT_TRUE(fixed && wide);
    ASSERT_EQ(fixed->BitCount(), 4);
    for (std::int32_t y = 0; y < dib->Height(); ++y)
      for (std::int32_t x = 0; x < dib->Width(); ++x) {
        const std::uint32_t c = DibGetPixelColor(*dib, x, y);
        ASSERT_EQ(DibGetPixelRaw(*fixed, x, y), Nearest(sixteen, c)) << x << ", " << y;
        ASSERT_EQ(DibGetPixelColor(*wide, x, y), c) << x << ", " << y;
      }
  }
}

// The export hands a rendered colour picture on as it is where a conversion
// to 24 bits would have copied it: the same packed bytes, header included.
TEST(DibRows, TwentyFourBitsToTwentyFourIsAByteCopy) {
  std::mt19937 rng(24);
  for (std::int32_t width : {1, 2, 3, 5, 64}) {
    TDib dib;
    ASSERT_TRUE(dib.Create(width, 7, 24));
    ASSERT_TRUE(dib.SetPelsPerMeter(11811, 11811));
    for (std::int32_t y = 0; y < 7; ++y)
      for (std::int32_t x = 0; x < width; ++x) DibSetPixelRaw(dib, x, y, rng() & 0xFFFFFF);
    auto copy = ConvertDibBitCount(dib, 24, false, nullptr, false, nullptr);
    ASSERT_TRUE(copy);
    ASSERT_EQ(std::vector<std::uint8_t>(copy->PackedDib(), copy->PackedDib() + copy->PackedDibSize()),
              std::vector<std::uint8_t>(dib.PackedDib(), dib.PackedDib() + dib.PackedDibSize()))
        << width;
  }
}

}  // namespace
}  // namespace kvn
