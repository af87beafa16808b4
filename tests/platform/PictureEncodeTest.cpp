// PNG and TIFF encoding by the pixel-format table, read back through our own
// decoders and checked by ImageMagick's identify: depth, palette, alpha and
// resolution survive.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include "platform/image/ImageCodecs.h"
#include "platform/image/PictureDecode.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

// A picture of the depth with random pixels (and palette), 100 dpi.
TDib RandomPicture(std::uint16_t bits, std::int32_t width, std::int32_t height, std::uint32_t seed) {
  std::mt19937 random(seed);
  TDib dib;
  EXPECT_TRUE(dib.Create(width, height, bits));
  for (std::uint32_t i = 0; i < dib.PaletteCount(); ++i) dib.SetPaletteEntry(i, random() & 0xFFFFFF);
  const std::uint32_t mask = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) dib.SetPixel(x, y, random() & mask & (bits == 32 ? 0xFFFFFF : mask));
  dib.SetResolution(3937, 3937);
  return dib;
}

TDib AlphaMask(std::int32_t width, std::int32_t height) {
  TDib mask;
  EXPECT_TRUE(mask.Create(width, height, 8));
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) mask.SetPixel(x, y, std::uint32_t((x * 37 + y * 11) & 0xFF));
  return mask;
}

std::string Identify(const std::filesystem::path& file, const char* format) {
  const std::string command = "/usr/bin/identify -format '" + std::string(format) + "' '" + file.string() + "' 2>/dev/null";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {};
  std::string out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  pclose(pipe);
  return out;
}

TEST(PictureEncode, EveryDepthRoundTripsThroughPngAndTiff) {
  test::ScratchDir scratch;
  const bool haveIdentify = std::filesystem::exists("/usr/bin/identify");
  for (PictureContainer container : {PictureContainer::kPng, PictureContainer::kTiff}) {
    for (std::uint16_t bits : {1, 4, 8, 24, 32}) {
      const bool png = container == PictureContainer::kPng;
      SCOPED_TRACE(std::string(png ? "PNG " : "TIFF ") + std::to_string(bits));
      // A 32-bit picture is written as 24-bit colour with the mask's alpha.
      const TDib dib = RandomPicture(bits == 32 ? 24 : bits, 37, 23, bits);
      const TDib mask = AlphaMask(37, 23);
      std::vector<std::uint8_t> bytes;
      ASSERT_TRUE(EncodeDibAsContainer(dib, bits == 32 ? &mask : nullptr, container, &bytes));
      TDib back;
      PictureInfo info;
      ASSERT_EQ(DecodePicture(bytes.data(), bytes.size(), &back, &info), PictureStatus::kOk);
      EXPECT_EQ(info.format, png ? PictureFormat::kPng : PictureFormat::kTiff);
      EXPECT_EQ(back.BitCount(), bits);
      EXPECT_EQ(back.Width(), 37);
      EXPECT_EQ(back.Height(), 23);
      for (std::uint32_t i = 0; i < dib.PaletteCount(); ++i) EXPECT_EQ(back.GetPaletteEntry(i), dib.GetPaletteEntry(i));
      for (std::int32_t y = 0; y < 23; ++y) {
        for (std::int32_t x = 0; x < 37; ++x) {
          EXPECT_EQ(back.GetPixelColor(x, y), dib.GetPixelColor(x, y)) << x << "," << y;
          if (bits != 32) continue;
          std::uint32_t value = 0, alpha = 0;
          back.GetPixel(x, y, &value);
          mask.GetPixel(x, y, &alpha);
          EXPECT_EQ(value >> 24, alpha);
        }
      }
      EXPECT_EQ(back.Layout().header.xPelsPerMeter, 3937);
      EXPECT_EQ(back.Layout().header.yPelsPerMeter, 3937);
      if (!haveIdentify) continue;
      const auto file = scratch / (std::to_string(bits) + (png ? ".png" : ".tif"));
      std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
      const std::string type = Identify(file, "%[type]");
      const char* expected = bits == 24 ? "TrueColor" : bits == 32 ? "TrueColorAlpha" : "Palette";
      // ImageMagick names a two-colour palette by its colours.
      if (bits > 1) {
        EXPECT_EQ(type, expected);
      }
      EXPECT_FALSE(type.empty());
      // 100 dots per inch, as the picture's pixels per metre say.
      const std::string resolution = Identify(file, "%[resolution.x] %[units]");
      ASSERT_FALSE(resolution.empty());
      const double value = std::stod(resolution);
      const double dpi = resolution.find("PixelsPerCentimeter") != std::string::npos ? value * 2.54 : value;
      EXPECT_NEAR(dpi, 100.0, 0.01) << resolution;
    }
  }
}

TEST(PictureEncode, CompressedAndEmptyPicturesAreRefused) {
  std::vector<std::uint8_t> bytes;
  TDib empty;
  EXPECT_FALSE(EncodeDibAsContainer(empty, nullptr, PictureContainer::kPng, &bytes));
  EXPECT_TRUE(bytes.empty());
  // An RLE8 picture (a run of 4, end of picture).
  std::vector<std::uint8_t> packed(40 + 256 * 4 + 4, 0);
  packed[0] = 40;
  packed[4] = 4;
  packed[8] = 1;
  packed[12] = 1;
  packed[14] = 8;
  packed[16] = 1;
  packed[20] = 4;
  const std::uint8_t rle[] = {4, 1, 0, 1};
  std::memcpy(packed.data() + 40 + 1024, rle, 4);
  TDib compressed;
  ASSERT_TRUE(compressed.LoadPackedDib(packed.data(), packed.size()));
  EXPECT_FALSE(EncodeDibAsContainer(compressed, nullptr, PictureContainer::kTiff, &bytes));
}

}  // namespace
}  // namespace kvn
