#include "platform/gdi/TDib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "foundation/InFileStream.h"
#include "platform/gdi/LeBytes.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFileBytes(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

WString PathOf(const std::filesystem::path& p) { return WString::FromUtf8(p.string()); }

ByteArray ToArray(const Bytes& v) {
  ByteArray a;
  a.AppendBytes(v.data(), std::int64_t(v.size()));
  return a;
}

// A 40-byte info header followed by `extra` zero bytes.
Bytes InfoHeader(std::int32_t w, std::int32_t h, std::uint16_t bits, std::uint32_t compression = kBiRgb,
                 std::uint32_t clrUsed = 0, std::uint32_t sizeImage = 0, std::size_t extra = 0) {
  Bytes b(40 + extra, 0);
  le::Put32(b.data(), 40);
  le::Put32(b.data() + 4, std::uint32_t(w));
  le::Put32(b.data() + 8, std::uint32_t(h));
  le::Put16(b.data() + 12, 1);
  le::Put16(b.data() + 14, bits);
  le::Put32(b.data() + 16, compression);
  le::Put32(b.data() + 20, sizeImage);
  le::Put32(b.data() + 32, clrUsed);
  return b;
}

// A picture with a palette and a pixel pattern that touches every bit position.
TDib MakePattern(std::uint16_t bits, std::int32_t w, std::int32_t h) {
  TDib dib;
  EXPECT_TRUE(dib.Create(w, h, bits));
  for (std::uint32_t i = 0; i < dib.PaletteCount(); ++i) dib.SetPaletteEntry(i, 0x010203 * (i + 1));
  const std::uint32_t mask = bits >= 32 ? 0xFFFFFFFF : (1u << bits) - 1;
  for (std::int32_t y = 0; y < dib.Height(); ++y) {
    for (std::int32_t x = 0; x < w; ++x) EXPECT_TRUE(dib.SetPixel(x, y, std::uint32_t(x * 7 + y * 13 + 1) & mask));
  }
  return dib;
}

// --- round trips ------------------------------------------------------------------

class BmpRoundTrip : public ::testing::TestWithParam<std::uint16_t> {};

TEST_P(BmpRoundTrip, WriteThenReadIsByteExact) {
  const std::uint16_t bits = GetParam();
  test::ScratchDir dir;
  for (const std::int32_t height : {5, -5}) {  // bottom-up and top-down
    const TDib original = MakePattern(bits, 13, height);
    const auto file = dir / "pattern.bmp";
    ASSERT_TRUE(WriteDibAsBmpFile(PathOf(file), original));

    const Bytes written = ReadFileBytes(file);
    ASSERT_EQ(written.size(), original.PackedDibSize() + 14u);
    EXPECT_EQ(written[0], 'B');
    EXPECT_EQ(written[1], 'M');
    EXPECT_EQ(le::U32(written.data() + 2), written.size());
    EXPECT_EQ(le::U32(written.data() + 6), 0u);
    EXPECT_EQ(le::U32(written.data() + 10), 14 + original.BitsOffset());
    EXPECT_EQ(0, std::memcmp(written.data() + 14, original.PackedDib(), original.PackedDibSize()));

    InFileStream in(PathOf(file));
    const TDib read = TDib::FromBmpStream(in);
    ASSERT_FALSE(read.IsEmpty());
    ASSERT_EQ(read.PackedDibSize(), original.PackedDibSize());
    EXPECT_EQ(0, std::memcmp(read.PackedDib(), original.PackedDib(), original.PackedDibSize()));
    for (std::int32_t y = 0; y < 5; ++y) {
      for (std::int32_t x = 0; x < 13; ++x) EXPECT_EQ(read.GetPixelColor(x, y), original.GetPixelColor(x, y));
    }

    const auto again = dir / "again.bmp";
    ASSERT_TRUE(WriteDibAsBmpFile(PathOf(again), read));
    EXPECT_EQ(ReadFileBytes(again), written);
  }
}

INSTANTIATE_TEST_SUITE_P(BitCounts, BmpRoundTrip, ::testing::Values(1, 4, 8, 16, 24, 32));

TEST(TDib, PixelsAddressTopLeftWhateverTheRowOrder) {
  for (const std::int32_t height : {3, -3}) {
    TDib dib;
    ASSERT_TRUE(dib.Create(4, height, 24));
    ASSERT_TRUE(dib.SetPixel(1, 0, 0x112233));  // top row
    const std::uint8_t* row = dib.Bits() + (height > 0 ? 2 : 0) * dib.Stride();
    EXPECT_EQ(row[3], 0x33);  // blue first
    EXPECT_EQ(row[4], 0x22);
    EXPECT_EQ(row[5], 0x11);
    EXPECT_EQ(dib.GetPixelColor(1, 0), 0x332211u);  // COLORREF 0x00BBGGRR
  }
}

TEST(TDib, ColoursOfEveryPixelFormat) {
  TDib mono;
  ASSERT_TRUE(mono.Create(9, 1, 1));
  mono.SetPaletteEntry(1, 0xFF8000);
  mono.SetPixel(8, 0, 1);
  EXPECT_EQ(mono.Bits()[1], 0x80);  // most significant bit first
  EXPECT_EQ(mono.GetPixelColor(8, 0), 0x0080FFu);
  EXPECT_EQ(mono.GetPixelColor(0, 0), 0u);

  TDib nibble;
  ASSERT_TRUE(nibble.Create(2, 1, 4));
  nibble.SetPixel(0, 0, 0xA);
  nibble.SetPixel(1, 0, 0x5);
  EXPECT_EQ(nibble.Bits()[0], 0xA5);

  TDib rgb555;
  ASSERT_TRUE(rgb555.Create(1, 1, 16));
  rgb555.SetPixel(0, 0, 0x7C00);  // red
  EXPECT_EQ(rgb555.GetPixelColor(0, 0), 0x0000FFu);

  // 16 bits with 5-6-5 masks after the header.
  Bytes b = InfoHeader(1, 1, 16, kBiBitFields, 0, 0, 12 + 4);
  le::Put32(b.data() + 40, 0xF800);
  le::Put32(b.data() + 44, 0x07E0);
  le::Put32(b.data() + 48, 0x001F);
  le::Put16(b.data() + 52, 0x07E0);  // green
  TDib bitfields;
  ASSERT_TRUE(bitfields.LoadPackedDib(b.data(), b.size()));
  EXPECT_EQ(bitfields.Layout().maskBytes, 12u);
  EXPECT_EQ(bitfields.GetPixelColor(0, 0), 0x00FF00u);

  TDib rgba;
  ASSERT_TRUE(rgba.Create(1, 1, 32));
  rgba.SetPixel(0, 0, 0xFF102030);
  EXPECT_EQ(rgba.GetPixelColor(0, 0), 0x302010u);
  EXPECT_EQ(rgba.GetPixelColor(1, 0), TDib::kInvalidColor);
  EXPECT_EQ(rgba.GetPixelColor(0, -1), TDib::kInvalidColor);
}

TEST(TDib, CoreHeaderIsWidenedToAnInfoHeader) {
  // 12-byte core header, 2 x 2 pixels of 8 bits, RGBTRIPLE palette of 256.
  Bytes b(12 + 256 * 3 + 2 * 4, 0);
  le::Put32(b.data(), 12);
  le::Put16(b.data() + 4, 2);
  le::Put16(b.data() + 6, 2);
  le::Put16(b.data() + 8, 1);
  le::Put16(b.data() + 10, 8);
  b[12 + 3 * 7 + 0] = 0x10;  // entry 7: blue, green, red
  b[12 + 3 * 7 + 1] = 0x20;
  b[12 + 3 * 7 + 2] = 0x30;
  b[12 + 256 * 3 + 4] = 7;  // top-left pixel (second stored row)
  TDib dib;
  ASSERT_TRUE(dib.LoadPackedDib(b.data(), b.size()));
  EXPECT_EQ(le::U32(dib.PackedDib()), 40u);
  EXPECT_EQ(dib.BitsOffset(), 40u + 256 * 4);
  EXPECT_EQ(dib.GetPaletteEntry(7), 0x302010u);
  EXPECT_EQ(dib.GetPixelColor(0, 0), 0x102030u);
}

TEST(TDib, V5ProfileAfterTheBitsIsNotKept) {
  Bytes b(124 + 4 + 8, 0);  // V5 header, one 24-bit pixel, an 8-byte "profile"
  le::Put32(b.data(), 124);
  le::Put32(b.data() + 4, 1);
  le::Put32(b.data() + 8, 1);
  le::Put16(b.data() + 12, 1);
  le::Put16(b.data() + 14, 24);
  le::Put32(b.data() + 56, 0x4D424544);  // PROFILE_EMBEDDED
  le::Put32(b.data() + 112, 128);        // profile offset and size
  le::Put32(b.data() + 116, 8);
  TDib dib;
  ASSERT_TRUE(dib.LoadPackedDib(b.data(), b.size()));
  EXPECT_EQ(dib.PackedDibSize(), 128u);
  EXPECT_EQ(le::U32(dib.PackedDib() + 56), 0x73524742u);  // sRGB
  EXPECT_EQ(le::U32(dib.PackedDib() + 112), 0u);
  EXPECT_EQ(le::U32(dib.PackedDib() + 116), 0u);
}

TEST(TDib, RleBitsAreKeptAsStored) {
  Bytes b = InfoHeader(4, 2, 8, kBiRle8, 2, 6, 2 * 4 + 6);
  const std::uint8_t rle[6] = {4, 1, 0, 0, 0, 1};  // a run, end of line, end of picture
  std::memcpy(b.data() + 48, rle, 6);
  TDib dib;
  ASSERT_TRUE(dib.LoadPackedDib(b.data(), b.size()));
  EXPECT_EQ(dib.BitsSize(), 6u);
  std::uint32_t v = 0;
  EXPECT_FALSE(dib.GetPixel(0, 0, &v));  // no pixel access on compressed bits
  EXPECT_EQ(dib.GetPixelColor(0, 0), TDib::kInvalidColor);
}

// --- refused headers ----------------------------------------------------------------

struct BadDib {
  const char* what;
  Bytes bytes;
};

std::vector<BadDib> BadDibs() {
  std::vector<BadDib> cases;
  auto header = [](auto&&... args) { return InfoHeader(args...); };
  cases.push_back({"empty", {}});
  cases.push_back({"three bytes", {40, 0, 0}});
  // A 24-bit header with one field changed.
  auto changed = [](std::size_t at, std::uint32_t value, int bytes) {
    Bytes b = InfoHeader(1, 1, 24, 0, 0, 0, 4);
    if (bytes == 4) {
      le::Put32(b.data() + at, value);
    } else {
      le::Put16(b.data() + at, std::uint16_t(value));
    }
    return b;
  };
  cases.push_back({"header size 20", changed(0, 20, 4)});
  cases.push_back({"header size beyond the data", changed(0, 124, 4)});
  cases.push_back({"two planes", changed(12, 2, 2)});
  cases.push_back({"bit count 3", header(1, 1, 3, kBiRgb, 0, 0, 64)});
  cases.push_back({"bit count 0 (embedded JPEG)", header(1, 1, 0, 4u, 0, 0, 64)});
  cases.push_back({"RLE8 with 4 bits", header(1, 1, 4, kBiRle8, 0, 4, 128)});
  cases.push_back({"bit fields with 24 bits", header(1, 1, 24, kBiBitFields, 0, 0, 64)});
  cases.push_back({"unknown compression", header(1, 1, 24, 9u, 0, 0, 64)});
  cases.push_back({"zero width", header(0, 1, 24, kBiRgb, 0, 0, 64)});
  cases.push_back({"negative width", header(-1, 1, 24, kBiRgb, 0, 0, 64)});
  cases.push_back({"zero height", header(1, 0, 24, kBiRgb, 0, 0, 64)});
  cases.push_back({"most negative height", header(1, INT32_MIN, 24, kBiRgb, 0, 0, 64)});
  cases.push_back({"top-down RLE", header(1, -1, 8, kBiRle8, 0, 2, 1024 + 2)});
  cases.push_back({"RLE without size", header(1, 1, 8, kBiRle8, 0, 0, 1024 + 2)});
  cases.push_back({"RLE size beyond the data", header(1, 1, 8, kBiRle8, 0, 100, 1024 + 2)});
  cases.push_back({"palette count above 2^bits", header(1, 1, 8, kBiRgb, 257, 0, 257 * 4 + 4)});
  cases.push_back({"palette beyond the data", header(1, 1, 8, kBiRgb, 0, 0, 100)});
  cases.push_back({"hint palette beyond the data", header(1, 1, 24, kBiRgb, 0x40000000, 0, 4)});
  cases.push_back({"bits one byte short", header(3, 2, 24, kBiRgb, 0, 0, 2 * 12 - 1)});
  cases.push_back({"image size past 32 bits", header(0x7FFFFFFF, 0x7FFFFFFF, 32, kBiRgb, 0, 0, 64)});
  cases.push_back({"row past the limit", header(0x7FFFFFFF, 1, 32, kBiRgb, 0, 0, 64)});
  cases.push_back({"huge RLE picture", header(0x10000, 0x10000, 8, kBiRle8, 0, 2, 1024 + 2)});
  return cases;
}

TEST(TDib, MalformedHeadersAreRefusedBeforeUse) {
  for (const BadDib& c : BadDibs()) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(ValidatePackedDib(c.bytes.data(), c.bytes.size(), nullptr));
    TDib dib;
    EXPECT_FALSE(dib.LoadPackedDib(c.bytes.data(), c.bytes.size()));
    EXPECT_TRUE(dib.IsEmpty());
    EXPECT_FALSE(dib.HasBits());
  }
}

TEST(TDib, EveryTruncationOfAValidDibIsRefused) {
  const TDib dib = MakePattern(8, 5, 3);
  for (std::uint32_t n = 0; n < dib.PackedDibSize(); ++n) {
    ASSERT_FALSE(ValidatePackedDib(dib.PackedDib(), n, nullptr)) << n;
  }
  EXPECT_TRUE(ValidatePackedDib(dib.PackedDib(), dib.PackedDibSize(), nullptr));
}

// --- .bmp streams ------------------------------------------------------------------------

TEST(ReadBmpFromStream, RefusesWrongSignatureAndShortStreams) {
  ByteArray out;
  for (const Bytes& bytes : {Bytes{}, Bytes{'B', 'M', 0, 0}, Bytes(14, 0), Bytes(40, 'A')}) {
    ByteArray data = ToArray(bytes);
    InFileStream in = InFileStream::FromMemory(data);
    EXPECT_FALSE(ReadBmpFromStream(out, in));
  }
  Bytes headerOnly = {'B', 'M'};
  headerOnly.resize(14 + 2, 0);
  ByteArray data = ToArray(headerOnly);
  InFileStream in = InFileStream::FromMemory(data);
  EXPECT_FALSE(ReadBmpFromStream(out, in));
}

TEST(ReadBmpFromStream, ClosesTheGapBeforeTheBits) {
  TDib original = MakePattern(8, 3, 2);
  Bytes file(14, 0);
  file[0] = 'B';
  file[1] = 'M';
  const std::uint32_t gap = 6;
  file.insert(file.end(), original.PackedDib(), original.PackedDib() + original.BitsOffset());
  file.insert(file.end(), gap, 0xEE);
  file.insert(file.end(), original.Bits(), original.Bits() + original.BitsSize());
  le::Put32(file.data() + 2, std::uint32_t(file.size()));
  le::Put32(file.data() + 10, 14 + original.BitsOffset() + gap);
  ByteArray data = ToArray(file);
  InFileStream in = InFileStream::FromMemory(data);
  TDib dib;
  ASSERT_TRUE(dib.LoadBmpStream(in));
  ASSERT_EQ(dib.PackedDibSize(), original.PackedDibSize());
  EXPECT_EQ(0, std::memcmp(dib.PackedDib(), original.PackedDib(), original.PackedDibSize()));
}

TEST(WriteDibAsBmpFile, FailsWithoutBitsOrWithoutAFile) {
  test::ScratchDir dir;
  EXPECT_FALSE(WriteDibAsBmpFile(PathOf(dir / "empty.bmp"), TDib()));
  EXPECT_FALSE(std::filesystem::exists(dir / "empty.bmp"));
  const TDib dib = MakePattern(24, 2, 2);
  EXPECT_FALSE(WriteDibAsBmpFile(PathOf(dir / "no-such-folder" / "x.bmp"), dib));
}

TEST(TDib, SampleBitmaps) {
  KVN_REQUIRE_TESTDATA(data);
  const struct {
    const char* name;
    std::uint16_t bits;
    std::uint32_t compression;
    std::int32_t width, height;  // from the files' headers
  } samples[] = {
      {"raster/imagers_rgb24.bmp", 24, kBiRgb, 127, 64},
      {"raster/imagers_pal8rle.bmp", 8, kBiRle8, 127, 64},
      {"raster/imagers_Core_1_Bit.bmp", 1, kBiRgb, 435, 353},
  };
  for (const auto& s : samples) {
    SCOPED_TRACE(s.name);
    InFileStream in(PathOf(data / s.name));
    const TDib dib = TDib::FromBmpStream(in);
    ASSERT_FALSE(dib.IsEmpty());
    EXPECT_EQ(dib.BitCount(), s.bits);
    EXPECT_EQ(dib.Compression(), s.compression);
    EXPECT_EQ(dib.Width(), s.width);
    EXPECT_EQ(dib.Height(), s.height);
  }
  // A damaged run stream: 2 x 2 pixels, 8 bits, two colours, an absolute
  // run of three pixels in a row of two, and a compressed size of 0, which
  // alone refuses the file.
  const std::filesystem::path badPath = data / "raster/bad_imagers_rle_overflow.bmp";
  InFileStream bad(PathOf(badPath));
  EXPECT_TRUE(TDib::FromBmpStream(bad).IsEmpty());
  // With its size filled in (the 8 bytes behind the palette) the run stream
  // is kept as stored, since nothing decodes it here: the 56 bytes after the
  // file header and nothing past them.
  std::ifstream file(badPath, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 70u);
  ASSERT_EQ(bytes[14 + 20], 0);  // biSizeImage
  bytes[14 + 20] = 8;
  TDib dib;
  ASSERT_TRUE(dib.LoadPackedDib(bytes.data() + 14, bytes.size() - 14));
  EXPECT_EQ(dib.Width(), 2);
  EXPECT_EQ(dib.Height(), 2);
  EXPECT_EQ(dib.BitCount(), 8);
  EXPECT_EQ(dib.Compression(), kBiRle8);
  EXPECT_EQ(dib.PackedDibSize(), 70u - 14u);
  // One byte short of the stated size is refused.
  EXPECT_FALSE(dib.LoadPackedDib(bytes.data() + 14, bytes.size() - 15));
}

}  // namespace
}  // namespace kvn
