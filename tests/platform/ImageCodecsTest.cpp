// JPEG decoding of real files and hostile headers, PNG encoding read back
// through libpng.
#include "platform/image/ImageCodecs.h"

#include <gtest/gtest.h>
#include <png.h>

#include <fstream>
#include <iterator>

#include "tests/support/TestData.h"

namespace kvn {
namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// The offset of the height field of the frame header, found by walking the
// marker segments (a thumbnail inside an APP segment has its own).
std::size_t FrameSizeOffset(const std::vector<std::uint8_t>& jpeg) {
  std::size_t i = 2;
  while (i + 9 < jpeg.size() && jpeg[i] == 0xFF) {
    const std::uint8_t marker = jpeg[i + 1];
    if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) return i + 5;
    i += 2 + (std::size_t(jpeg[i + 2]) << 8 | jpeg[i + 3]);
  }
  return 0;
}

TEST(DecodeJpegToDib, RealFilesBecomeBottomUpTwentyFourBitPictures) {
  KVN_REQUIRE_TESTDATA(dir);
  for (const char* name : {"raster/imagers_cat_progressive.jpg", "raster/libredwg_2000_Arc.jpg"}) {
    const auto bytes = ReadFile(dir / name);
    ASSERT_FALSE(bytes.empty()) << name;
    TDib dib;
    ASSERT_TRUE(DecodeJpegToDib(bytes.data(), bytes.size(), &dib)) << name;
    EXPECT_EQ(dib.BitCount(), 24);
    EXPECT_FALSE(dib.IsTopDown());
    const std::size_t at = FrameSizeOffset(bytes);
    ASSERT_NE(at, 0u);
    EXPECT_EQ(dib.Height(), bytes[at] << 8 | bytes[at + 1]) << name;
    EXPECT_EQ(dib.Width(), bytes[at + 2] << 8 | bytes[at + 3]) << name;
  }
}

TEST(DecodeJpegToDib, HostileDataIsRefusedWithoutLargeAllocations) {
  KVN_REQUIRE_TESTDATA(dir);
  auto bytes = ReadFile(dir / "raster/libredwg_2000_Arc.jpg");
  const std::size_t at = FrameSizeOffset(bytes);
  ASSERT_NE(at, 0u);
  // 65,535 x 65,535 pixels: refused from the header alone.
  auto huge = bytes;
  huge[at] = huge[at + 1] = huge[at + 2] = huge[at + 3] = 0xFF;
  TDib dib;
  EXPECT_FALSE(DecodeJpegToDib(huge.data(), huge.size(), &dib));
  EXPECT_TRUE(dib.IsEmpty());
  // A zero height.
  auto zero = bytes;
  zero[at] = zero[at + 1] = 0;
  EXPECT_FALSE(DecodeJpegToDib(zero.data(), zero.size(), &dib));
  // Not a JPEG, nothing, and a header cut short.
  const std::uint8_t noise[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  EXPECT_FALSE(DecodeJpegToDib(noise, sizeof noise, &dib));
  EXPECT_FALSE(DecodeJpegToDib(nullptr, 0, &dib));
  EXPECT_FALSE(DecodeJpegToDib(bytes.data(), at, &dib));
  // Every cut of the data either decodes or is refused, never more.
  for (std::size_t n = at; n < bytes.size(); n += bytes.size() / 37 + 1) DecodeJpegToDib(bytes.data(), n, &dib);
}

// Reads PNG bytes back as 0x00RRGGBB pixels, top row first.
std::vector<std::uint32_t> ReadPng(const std::vector<std::uint8_t>& png, int* w, int* h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
  *w = int(image.width);
  *h = int(image.height);
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) out.push_back(std::uint32_t(rgb[i]) << 16 | rgb[i + 1] << 8 | rgb[i + 2]);
  return out;
}

TEST(EncodePngToMemory, PalettedAndTrueColourPicturesReadBack) {
  for (std::uint16_t bits : {1, 4, 8, 24, 32}) {
    for (bool topDown : {false, true}) {
      TDib dib;
      ASSERT_TRUE(dib.Create(5, topDown ? -3 : 3, bits));
      if (bits <= 8) {
        dib.SetPaletteEntry(0, 0x102030);
        dib.SetPaletteEntry(1, 0xFFEEDD);
      }
      const std::uint32_t one = bits <= 8 ? 1 : 0xFFEEDD;
      dib.SetPixel(4, 0, one);  // top right
      dib.SetPixel(0, 2, one);  // bottom left
      std::vector<std::uint8_t> png;
      ASSERT_TRUE(EncodePngToMemory(dib, &png)) << bits;
      int w = 0, h = 0;
      const auto pixels = ReadPng(png, &w, &h);
      ASSERT_EQ(pixels.size(), 15u) << bits;
      EXPECT_EQ(w, 5);
      EXPECT_EQ(h, 3);
      EXPECT_EQ(pixels[4], 0xFFEEDDu) << bits << topDown;
      EXPECT_EQ(pixels[10], 0xFFEEDDu) << bits << topDown;
      EXPECT_EQ(pixels[0], bits <= 8 ? 0x102030u : 0u) << bits << topDown;
    }
  }
  TDib empty;
  std::vector<std::uint8_t> png;
  EXPECT_FALSE(EncodePngToMemory(empty, &png));
}

}  // namespace
}  // namespace kvn
