// JPEG decoding of grey and CMYK pictures written here by libjpeg: the
// picture loader keeps grey as an 8-bit grey palette, the decoder of pictures
// kept as JPEG gives 24 bits; CMYK is read as Adobe writes it (inverted).
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "foundation/CountingAlloc.h"
#include "platform/image/ImageCodecs.h"
#include "platform/image/PictureDecode.h"

namespace kvn {
namespace {

// A 16 x 8 JPEG of `components` samples per pixel, each sample made by
// `sample(x, y, c)`, at 96 dpi, at the highest quality.
template <typename Sample>
std::vector<std::uint8_t> WriteJpeg(int components, J_COLOR_SPACE space, bool progressive, Sample sample) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = 16;
  info.image_height = 8;
  info.input_components = components;
  info.in_color_space = space;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  info.density_unit = 1;
  info.X_density = info.Y_density = 96;
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(16 * std::size_t(components));
  while (info.next_scanline < info.image_height) {
    for (int x = 0; x < 16; ++x)
      for (int c = 0; c < components; ++c) row[std::size_t(x * components + c)] = sample(x, int(info.next_scanline), c);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<std::uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

TEST(PictureDecode, GreyJpegIsAGreyPaletteForTheLoaderAndTwentyFourBitsWhenKept) {
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive);
    // Flat areas survive JPEG exactly: two halves, dark and light.
    const auto bytes = WriteJpeg(1, JCS_GRAYSCALE, progressive, [](int x, int, int) { return x < 8 ? 40 : 200; });
    TDib grey;
    PictureInfo info;
    ASSERT_EQ(DecodePicture(bytes.data(), bytes.size(), &grey, &info), PictureStatus::kOk);
    EXPECT_EQ(info.bitsPerPixel, 8u);
    EXPECT_EQ(grey.BitCount(), 8);
    EXPECT_EQ(grey.GetPaletteEntry(200), 0xC8C8C8u);
    // 96 dpi: 3780 pixels per metre.
    EXPECT_EQ(grey.Layout().header.xPelsPerMeter, 3780);
    TDib wide;
    ASSERT_TRUE(DecodeJpegToDib(bytes.data(), bytes.size(), &wide));
    EXPECT_EQ(wide.BitCount(), 24);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 16; ++x) {
        EXPECT_EQ(grey.GetPixelColor(x, y), wide.GetPixelColor(x, y));
        std::uint32_t index = 0;
        grey.GetPixel(x, y, &index);
        EXPECT_NEAR(double(index), x < 8 ? 40.0 : 200.0, 1.0);
      }
    }
  }
}

TEST(PictureDecode, CmykJpegIsReadAsInvertedInk) {
  // Stored 255 everywhere is no ink (white); K stored 0 is full black.
  const auto white = WriteJpeg(4, JCS_CMYK, false, [](int, int, int) { return 255; });
  const auto black = WriteJpeg(4, JCS_CMYK, false, [](int, int, int c) { return c == 3 ? 0 : 255; });
  TDib dib;
  ASSERT_EQ(DecodePicture(white.data(), white.size(), &dib), PictureStatus::kOk);
  EXPECT_EQ(dib.BitCount(), 24);
  EXPECT_EQ(dib.GetPixelColor(3, 3), 0xFFFFFFu);
  ASSERT_TRUE(DecodeJpegToDib(black.data(), black.size(), &dib));
  EXPECT_EQ(dib.GetPixelColor(3, 3), 0u);
}

TEST(PictureDecode, APngWhoseEndIsDamagedKeepsItsPixels) {
  TDib dib;
  ASSERT_TRUE(dib.Create(3, 2, 24));
  dib.SetPixel(2, 1, 0x123456);
  std::vector<std::uint8_t> png;
  ASSERT_TRUE(EncodeDibAsContainer(dib, nullptr, PictureContainer::kPng, &png));
  // The end chunk broken, as some metafile writers leave it.
  png.resize(png.size() - 6);
  TDib back;
  ASSERT_EQ(DecodePicture(png.data(), png.size(), &back), PictureStatus::kOk);
  EXPECT_EQ(back.GetPixelColor(2, 1), 0x563412u);
  // Cut inside the pixels: refused.
  png.resize(png.size() / 2);
  EXPECT_EQ(DecodePicture(png.data(), png.size(), &back), PictureStatus::kDamaged);
  EXPECT_TRUE(back.IsEmpty());
}

// A TIFF of 65,532 x 5 pixels of 65,535 samples each, LZW-compressed
// without strip byte counts: the library sizes the one strip it reads from
// the tags (21 GB). Refused as damaged, without taking that memory.
TEST(PictureDecode, TiffAskingForAHugeStripIsDamaged) {
  std::vector<std::uint8_t> tiff = {'I', 'I', 42, 0, 24, 0, 0, 0};
  tiff.resize(24, 0x80);  // the strip's few bytes
  const std::uint16_t kShort = 3, kLong = 4;
  const struct {
    std::uint16_t tag, type;
    std::uint32_t value;
  } entries[] = {{256, kShort, 65532}, {257, kShort, 5}, {258, kShort, 8},    {259, kShort, 5},
                 {262, kShort, 3},     {273, kLong, 8},  {277, kShort, 65535}};
  auto put = [&](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) tiff.push_back(std::uint8_t(v >> (8 * i)));
  };
  put(std::uint32_t(std::size(entries)), 2);
  for (const auto& e : entries) {
    put(e.tag, 2);
    put(e.type, 2);
    put(1, 4);
    put(e.value, 4);
  }
  put(0, 4);
  TDib dib;
  EXPECT_EQ(DecodePicture(tiff.data(), tiff.size(), &dib, nullptr), PictureStatus::kDamaged);
}

// A GIF of a few hundred bytes whose frame asks for 56,000 x 56,000 pixels
// (1.57 GB at four bits, within the largest picture the memory allows) is refused as damaged
// without making that picture: its data could not fill it. A frame its
// data fills is read.
TEST(PictureDecode, GifFrameItsDataCannotFillIsDamagedWithoutItsPicture) {
  auto gif = [](std::uint16_t width, std::uint16_t height, std::size_t dataBytes) {
    std::vector<std::uint8_t> b = {'G', 'I', 'F', '8', '9', 'a'};
    auto put16 = [&](std::uint16_t v) {
      b.push_back(std::uint8_t(v));
      b.push_back(std::uint8_t(v >> 8));
    };
    put16(width);
    put16(height);
    b.insert(b.end(), {0xF3, 0, 0});  // a global table of 16 colours
    for (int i = 0; i < 16; ++i) b.insert(b.end(), {std::uint8_t(i * 16), 0, 0});
    b.push_back(0x2C);
    put16(0);
    put16(0);
    put16(width);
    put16(height);
    b.push_back(0);
    b.push_back(4);  // LZW code size
    for (std::size_t left = dataBytes; left > 0;) {
      const std::size_t n = std::min<std::size_t>(left, 255);
      b.push_back(std::uint8_t(n));
      for (std::size_t i = 0; i < n; ++i) b.push_back(0x00);
      left -= n;
    }
    b.push_back(0);
    b.push_back(0x3B);
    return b;
  };
  const std::vector<std::uint8_t> huge = gif(56000, 56000, 300);
  alloc_testing::SetCounters(GetAllocatedBytes(), GetAllocatedBytes());
  const std::uint64_t before = GetAllocatedBytes();
  TDib dib;
  EXPECT_EQ(DecodePicture(huge.data(), huge.size(), &dib, nullptr), PictureStatus::kDamaged);
  EXPECT_LT(GetPeakAllocatedBytes() - before, std::uint64_t(64) << 20);
  // Codes of colour 0 only, enough for the frame's 16 x 4 pixels.
  const std::vector<std::uint8_t> small = gif(16, 4, 60);
  ASSERT_EQ(DecodePicture(small.data(), small.size(), &dib, nullptr), PictureStatus::kOk);
  EXPECT_EQ(dib.Width(), 16);
  EXPECT_EQ(dib.Height(), 4);
}

}  // namespace
}  // namespace kvn
