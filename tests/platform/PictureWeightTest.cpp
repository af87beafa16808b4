// Pictures weighed before their pixels are taken: honest pictures at the
// best ratio their coding reaches (one colour, written by the libraries
// themselves) all decode, so the data bounds never refuse a true file; and a
// top-down BMP decodes like its bottom-up twin.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include <csetjmp>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "platform/gdi/LeBytes.h"
#include "platform/image/PictureDecode.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A white 1-bit grey PNG, deflated at the highest level.
Bytes WhitePng(std::uint32_t side) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "libpng refused to write";
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* target = static_cast<Bytes*>(png_get_io_ptr(p));
        target->insert(target->end(), data, data + n);
      },
      nullptr);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, side, side, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  Bytes row((side + 7) / 8, 0xFF);
  for (std::uint32_t y = 0; y < side; ++y) png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// A white grey JPEG with Huffman tables fitted to it (two bits a block),
// baseline or progressive.
Bytes WhiteJpeg(std::uint32_t side, bool progressive) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = side;
  info.image_height = side;
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  info.optimize_coding = TRUE;
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(side, 255);
  while (info.next_scanline < info.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  Bytes out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

// A white TIFF in one strip: bilevel for the fax codings, else 8-bit grey.
Bytes WhiteTiff(const test::ScratchDir& dir, std::uint32_t side, std::uint16_t compression) {
  const bool bilevel = compression == COMPRESSION_CCITTFAX4 || compression == COMPRESSION_CCITTFAX3;
  const std::filesystem::path path = dir / "white.tif";
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  if (!tiff) {
    ADD_FAILURE() << "libtiff refused to write";
    return {};
  }
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, side);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, side);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bilevel ? 1 : 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, bilevel ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, side);
  if (compression == COMPRESSION_ADOBE_DEFLATE) TIFFSetField(tiff, TIFFTAG_ZIPQUALITY, 9);
  Bytes row(bilevel ? (side + 7) / 8 : side, bilevel ? 0x00 : 0xFF);
  for (std::uint32_t y = 0; y < side; ++y) TIFFWriteScanline(tiff, row.data(), y, 0);
  TIFFClose(tiff);
  return ReadAll(path);
}

// A white GIF of two colours, written by giflib.
Bytes WhiteGif(int side) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(
      &out,
      [](GifFileType* g, const GifByteType* data, int n) {
        auto* target = static_cast<Bytes*>(g->UserData);
        target->insert(target->end(), data, data + n);
        return n;
      },
      &error);
  if (!gif) {
    ADD_FAILURE() << "giflib refused to write";
    return {};
  }
  const GifColorType colours[2] = {{255, 255, 255}, {0, 0, 0}};
  ColorMapObject* map = GifMakeMapObject(2, colours);
  EGifPutScreenDesc(gif, side, side, 1, 0, map);
  EGifPutImageDesc(gif, 0, 0, side, side, false, nullptr);
  std::vector<GifPixelType> line(std::size_t(side), 0);
  for (int y = 0; y < side; ++y) EGifPutLine(gif, line.data(), side);
  GifFreeMapObject(map);
  EGifCloseFile(gif, &error);
  return out;
}

TEST(PictureWeight, OneColourPicturesAtTheBestRatioOfTheirCodingDecode) {
  test::ScratchDir dir;
  struct Case {
    const char* name;
    std::function<Bytes()> file;
    std::int32_t side;
  };
  const Case cases[] = {
      {"PNG, 1 bit", [] { return WhitePng(4000); }, 4000},
      {"JPEG, baseline", [] { return WhiteJpeg(2000, false); }, 2000},
      {"JPEG, progressive", [] { return WhiteJpeg(2000, true); }, 2000},
      {"TIFF, fax group 4", [&] { return WhiteTiff(dir, 4000, COMPRESSION_CCITTFAX4); }, 4000},
      {"TIFF, fax group 3", [&] { return WhiteTiff(dir, 4000, COMPRESSION_CCITTFAX3); }, 4000},
      {"TIFF, deflate", [&] { return WhiteTiff(dir, 2000, COMPRESSION_ADOBE_DEFLATE); }, 2000},
      {"TIFF, LZW", [&] { return WhiteTiff(dir, 2000, COMPRESSION_LZW); }, 2000},
      {"TIFF, PackBits", [&] { return WhiteTiff(dir, 2000, COMPRESSION_PACKBITS); }, 2000},
      {"GIF", [] { return WhiteGif(2000); }, 2000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes bytes = c.file();
    ASSERT_FALSE(bytes.empty());
    PictureInfo info;
    TDib dib;
    const PictureStatus status = DecodePicture(bytes.data(), bytes.size(), &dib, &info);
    EXPECT_EQ(status, PictureStatus::kOk) << bytes.size() << " bytes";
    if (status != PictureStatus::kOk) continue;
    EXPECT_EQ(dib.Width(), c.side);
    EXPECT_EQ(dib.Height(), c.side);
    EXPECT_EQ(dib.GetPixelColor(c.side / 2, c.side - 1), 0xFFFFFFu);
    EXPECT_FALSE(info.repaired);
  }
}

// A BMP of width x height pixels whose colour at (x, y from the top) is
// `colour`: 24 bits, or 8 bits with a palette of those colours by index.
Bytes Bmp(std::int32_t width, std::int32_t height, std::uint16_t bitCount, bool topDown,
          const std::function<std::uint32_t(std::int32_t, std::int32_t)>& colour) {
  const std::uint32_t stride = ((std::uint32_t(width) * bitCount + 31) / 32) * 4;
  const std::uint32_t palette = bitCount == 8 ? 256 * 4 : 0;
  const std::uint32_t offset = 14 + 40 + palette;
  Bytes b(offset + stride * std::uint32_t(height), 0);
  b[0] = 'B', b[1] = 'M';
  le::Put32(b.data() + 2, std::uint32_t(b.size()));
  le::Put32(b.data() + 10, offset);
  le::Put32(b.data() + 14, 40);
  le::Put32(b.data() + 18, std::uint32_t(width));
  le::Put32(b.data() + 22, std::uint32_t(topDown ? -height : height));
  le::Put16(b.data() + 26, 1);
  le::Put16(b.data() + 28, bitCount);
  for (std::uint32_t i = 0; i < palette / 4; ++i) le::Put32(b.data() + 54 + 4 * i, i * 0x010305u & 0xFFFFFF);
  for (std::int32_t y = 0; y < height; ++y) {
    // The rows are stored from the bottom up, unless the height is negative.
    const std::int32_t stored = topDown ? y : height - 1 - y;
    std::uint8_t* row = b.data() + offset + std::size_t(stored) * stride;
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint32_t c = colour(x, y);
      if (bitCount == 8) {
        row[x] = std::uint8_t(c);
      } else {
        row[3 * x] = std::uint8_t(c), row[3 * x + 1] = std::uint8_t(c >> 8), row[3 * x + 2] = std::uint8_t(c >> 16);
      }
    }
  }
  return b;
}

TEST(PictureWeight, TopDownBmpDecodesLikeItsBottomUpTwin) {
  const auto colour = [](std::int32_t x, std::int32_t y) { return std::uint32_t(x * 40 + y * 7) * 0x010203u & 0xFFFFFF; };
  for (std::uint16_t bitCount : {8, 24}) {
    SCOPED_TRACE(bitCount);
    const Bytes bottomUp = Bmp(7, 5, bitCount, false, colour), topDown = Bmp(7, 5, bitCount, true, colour);
    TDib plain, turned;
    PictureInfo info;
    ASSERT_EQ(DecodePicture(bottomUp.data(), bottomUp.size(), &plain), PictureStatus::kOk);
    ASSERT_EQ(DecodePicture(topDown.data(), topDown.size(), &turned, &info), PictureStatus::kOk);
    EXPECT_EQ(info.height, 5);
    EXPECT_FALSE(info.tooLarge);
    ASSERT_EQ(turned.Width(), plain.Width());
    ASSERT_EQ(turned.Height(), plain.Height());
    for (std::int32_t y = 0; y < 5; ++y)
      for (std::int32_t x = 0; x < 7; ++x) EXPECT_EQ(turned.GetPixelColor(x, y), plain.GetPixelColor(x, y)) << x << "," << y;
    ASSERT_EQ(ProbePicture(topDown.data(), topDown.size(), &info), PictureStatus::kOk);
    EXPECT_EQ(info.height, 5);
  }
}

}  // namespace
}  // namespace kvn
