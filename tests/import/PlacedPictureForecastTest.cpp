// Pictures that IMAGE records place are weighed by what each file's picture
// keeps, plus what the largest load holds beside that while it decodes
// (files load one at a time): IMAGEs of four 16,000 x 16,000 pictures are
// refused at the open from the files' headers (nothing decoded), four
// IMAGEs of one file weigh what one does, the open holds no more than the
// forecast says and keeps what it says, and it decodes a file once for all
// the records that show it.
#include <gtest/gtest.h>

#include <zlib.h>

#include <memory>
#include <string>

#include "document/DocumentResult.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/CountingAlloc.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "import/records/YxxfReader.h"
#include "model/DrawingCost.h"
#include "model/cBitmap.h"
#include "model/cBlock.h"
#include "platform/image/PictureDecode.h"
#include "render/PictureServicesImpl.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/OleFixtures.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

void Chunk(std::string& png, const char* type, const std::string& data) {
  auto be32 = [&png](std::uint32_t v) {
    for (int shift : {24, 16, 8, 0}) png.push_back(char(v >> shift));
  };
  be32(std::uint32_t(data.size()));
  const std::string typed = std::string(type, 4) + data;
  png += typed;
  be32(std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), uInt(typed.size()))));
}

// An RGBA PNG of `side` x `side` transparent black pixels. Its data hold
// every row, since a header whose data cannot hold its pixels is refused as
// damaged; deflated as a stream, so that no row but one is ever held.
std::string PngOfZeros(std::uint32_t side) {
  std::string png = "\x89PNG\r\n\x1A\n";
  std::string size;
  for (int shift : {24, 16, 8, 0}) size.push_back(char(side >> shift));
  Chunk(png, "IHDR", size + size + std::string{8, 6, 0, 0, 0});
  std::string row(1 + 4 * std::size_t(side), '\0');
  std::string packed;
  std::string out(1 << 16, '\0');
  z_stream z{};
  EXPECT_EQ(deflateInit(&z, Z_BEST_COMPRESSION), Z_OK);
  for (std::uint32_t y = 0; y < side; ++y) {
    z.next_in = reinterpret_cast<Bytef*>(row.data());
    z.avail_in = uInt(row.size());
    const int flush = y + 1 == side ? Z_FINISH : Z_NO_FLUSH;
    do {
      z.next_out = reinterpret_cast<Bytef*>(out.data());
      z.avail_out = uInt(out.size());
      deflate(&z, flush);
      packed.append(out.data(), out.size() - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  Chunk(png, "IDAT", packed);
  Chunk(png, "IEND", "");
  return png;
}

// `images` IMAGEs side by side, each of the file `file`, or of files
// pic0.png, pic1.png... when `file` is empty.
std::string ImagesDrawing(int images, const std::string& file) {
  auto handle = [](int k) { return std::string{'3', char('0' + k)}; };  // 30, 31, ...
  test::DxfWriter w;
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1015").EndSection();
  w.Section("ENTITIES");
  for (int k = 0; k < images; ++k) {
    w.Str(0, "IMAGE").Str(8, "0").Point(10, 200.0 * k, 0).Point(11, 0.01, 0, 0).Point(12, 0, 0.01, 0);
    w.Real(13, 100).Real(23, 100).Str(340, file.empty() ? handle(k) : "30");
  }
  w.EndSection().Section("OBJECTS");
  for (int k = 0; k < (file.empty() ? images : 1); ++k) {
    w.Str(0, "IMAGEDEF").Str(5, handle(k)).Str(1, file.empty() ? "pic" + std::to_string(k) + ".png" : file);
  }
  w.EndSection().Eof();
  return w.Bytes();
}

DrawingCost Forecast(const std::string& dxf, const WString& path) {
  ByteArray bytes;
  bytes.AppendBytes(dxf.data(), std::int64_t(dxf.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  YxxfReader reader(path, 1);
  DxfReadOutcome outcome;
  EXPECT_TRUE(ReadDxfSections(reader, nullptr, in, outcome));
  return reader.ForecastCost();
}

DocumentResult Open(const std::string& dxf, const WString& path) {
  ByteArray bytes;
  bytes.AppendBytes(dxf.data(), std::int64_t(dxf.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  return LoadDxfStream(in, path, nullptr, nullptr);
}

TEST(PlacedPictureForecast, FourImagesOfHugePicturesAreRefusedAtTheOpen) {
  test::ScratchDir dir;
  // Each keeps 768 MB once narrowed to 24 bits: two pass the threshold.
  const std::string png = PngOfZeros(16000);
  for (int k = 0; k < 4; ++k) {
    ASSERT_TRUE(test::SaveBytes((dir / ("pic" + std::to_string(k) + ".png")).string(), {png.begin(), png.end()}));
  }
  const WString path = WString::FromUtf8((dir / "plan.dxf").string());
  const std::uint64_t before = GetAllocatedBytes();
  alloc_testing::SetCounters(before, before);
  DocumentResult result = Open(ImagesDrawing(4, ""), path);
  ASSERT_FALSE(result.Ok());
  EXPECT_EQ(result.Detail(), DrawingTooLargeText()) << result.Detail().ToUtf8();
  // Refused from the header: not one row of pixels was decoded.
  EXPECT_LT(GetPeakAllocatedBytes() - before, std::uint64_t(8) << 20);
}

TEST(PlacedPictureForecast, APictureFileWeighsOnceHoweverManyImagesShowIt) {
  test::ScratchDir dir;
  // 6,000 x 6,000 RGBA: 144 MB decoded, 108 MB kept.
  const std::string png = PngOfZeros(6000);
  for (int k = 0; k < 4; ++k) {
    ASSERT_TRUE(test::SaveBytes((dir / ("pic" + std::to_string(k) + ".png")).string(), {png.begin(), png.end()}));
  }
  const WString path = WString::FromUtf8((dir / "plan.dxf").string());
  const DrawingCost none = Forecast(ImagesDrawing(0, "pic0.png"), path);
  const DrawingCost one = Forecast(ImagesDrawing(1, "pic0.png"), path);
  const DrawingCost shared = Forecast(ImagesDrawing(4, "pic0.png"), path);
  const DrawingCost four = Forecast(ImagesDrawing(4, ""), path);
  // What the forecast counts: each picture narrowed to 24 bits, kept; and
  // once, the load of one: the file read whole, the 32-bit bitmap and its
  // 8-bit alpha mask (the decoder's row pointers are fewer bytes).
  PictureInfo info;
  ASSERT_EQ(ProbePicture(reinterpret_cast<const std::uint8_t*>(png.data()), png.size(), &info), PictureStatus::kOk);
  const std::uint64_t pixels = 6000ull * 6000;
  ASSERT_EQ(info.pixelBytes, pixels * 4 + pixels);
  const std::uint64_t kept = pixels * 3, loading = png.size() + info.pixelBytes;
  EXPECT_GE(one.bytes - none.bytes, loading);
  EXPECT_LT(one.bytes - none.bytes, loading + 4096);
  EXPECT_LT(shared.bytes - one.bytes, 4096u);
  EXPECT_GE(four.bytes - one.bytes, 3 * kept);
  EXPECT_LT(four.bytes - one.bytes, 3 * kept + 4096);

  // The open holds no more than the forecast without its margin, and keeps
  // every picture (narrowed as the viewer narrows them).
  InstallRendererPictureServices();
  const std::uint64_t before = GetAllocatedBytes();
  alloc_testing::SetCounters(before, before);
  DocumentResult result = Open(ImagesDrawing(4, ""), path);
  ASSERT_TRUE(result.Ok()) << result.Detail().ToUtf8();
  EXPECT_LE(GetPeakAllocatedBytes() - before, four.bytes - kBytesBesideDrawing);
  EXPECT_GE(GetAllocatedBytes() - before, 4 * kept);
}

TEST(PlacedPictureForecast, ImagesOfOneFileShareOnePicture) {
  test::ScratchDir dir;
  const std::string bmp = test::SmallBmpFile(4, 3, 0x0000FF);
  ASSERT_TRUE(test::SaveBytes((dir / "pic.bmp").string(), {bmp.begin(), bmp.end()}));
  DocumentResult result = Open(ImagesDrawing(4, "pic.bmp"), WString::FromUtf8((dir / "plan.dxf").string()));
  ASSERT_TRUE(result.Ok()) << result.Detail().ToUtf8();
  std::vector<const cBitmap*> bitmaps;
  for (cOutObj* o = result.Document()->GetSheet(0)->TopBlock().FirstObject(); o; o = o->next) {
    if (const cBitmap* bitmap = o->AsBitmap()) bitmaps.push_back(bitmap);
  }
  ASSERT_EQ(bitmaps.size(), 4u);
  for (const cBitmap* bitmap : bitmaps) {
    ASSERT_NE(bitmap->Image(), nullptr);
    EXPECT_EQ(bitmap->Image().get(), bitmaps[0]->Image().get());
  }
}

}  // namespace
}  // namespace kvn
