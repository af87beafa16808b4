// Picture import: every raster file of the test data against ImageMagick's
// decode (data/picture-references.txt), the document it opens as, the
// failures, the name rules and the size limits.
#include "import/pictures/PictureImport.h"
#include "import/pictures/PictureEncoders.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "document/DocumentReaders.h"
#include "document/OpenDrawingFile.h"
#include "document/OpenFailureMessage.h"
#include "dwg/InstallReaders.h"
#include "foundation/LangTable.h"
#include "model/cBitmap.h"
#include "model/cBlock.h"
#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/image/PictureDecode.h"
#include "platform/metafile/EmfBuilder.h"
#include "render/DibConversion.h"
#include "render/PictureServicesImpl.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

struct Reference {
  std::int32_t width = 0, height = 0;
  std::uint64_t rgb = 0, alpha = 0;
};

std::map<std::string, Reference> LoadReferences() {
  std::map<std::string, Reference> refs;
  std::ifstream in(std::string(KVN_IMPORT_TEST_DIR) + "/data/picture-references.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name, rgb, alpha;
    Reference r;
    fields >> name >> r.width >> r.height >> rgb >> alpha;
    r.rgb = std::stoull(rgb, nullptr, 16);
    r.alpha = std::stoull(alpha, nullptr, 16);
    refs[name] = r;
  }
  return refs;
}

struct Fnv {
  std::uint64_t h = 0xCBF29CE484222325ull;
  void Add(std::uint8_t b) { h = (h ^ b) * 0x100000001B3ull; }
};

// R, G, B of every pixel from the top, and the alpha of a 32-bit picture
// or of a mask (255 without either).
std::pair<std::uint64_t, std::uint64_t> Checksums(const TDib& dib, const TDib* mask) {
  Fnv rgb, alpha;
  for (std::int32_t y = 0; y < dib.Height(); ++y) {
    for (std::int32_t x = 0; x < dib.Width(); ++x) {
      const std::uint32_t c = dib.GetPixelColor(x, y);
      rgb.Add(std::uint8_t(c));
      rgb.Add(std::uint8_t(c >> 8));
      rgb.Add(std::uint8_t(c >> 16));
      std::uint32_t a = 255;
      if (mask) mask->GetPixel(x, y, &a);
      else if (dib.BitCount() == 32 && dib.GetPixel(x, y, &a)) a >>= 24;
      alpha.Add(std::uint8_t(a));
    }
  }
  return {rgb.h, alpha.h};
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

WString PathOf(const std::filesystem::path& p) { return WString::FromUtf8(p.string()); }

class PictureImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallRendererPictureServices();
    InstallReaders(registry_);
  }
  DocumentResult Open(const std::filesystem::path& path) {
    OpenRequest request;
    request.quiet = true;
    return OpenDrawing(PathOf(path), request, registry_);
  }
  FormatRegistry registry_;
};

// Paletted pictures stay paletted, grey becomes an 8-bit palette, colour 24
// bits and colour with alpha 32 bits.
const std::map<std::string, std::uint16_t> kDepths = {
    {"imagers_Core_1_Bit.bmp", 1},  {"imagers_alpha_gif_a.gif", 1},        {"imagers_basi2c08.png", 24},
    {"imagers_basn6a16.png", 32},   {"imagers_cat_progressive.jpg", 24},   {"imagers_fax4.tiff", 1},
    {"imagers_hpredict_packbits.tiff", 32}, {"imagers_interlaced.gif", 8}, {"imagers_pal8rle.bmp", 8},
    {"imagers_rgb24.bmp", 24},      {"imagers_tp0n3p08.png", 8},           {"libredwg_2000_Arc.jpg", 24},
};

TEST_F(PictureImportTest, EveryRasterFileDecodesToImageMagicksPixels) {
  KVN_REQUIRE_TESTDATA(dir);
  const auto refs = LoadReferences();
  ASSERT_EQ(refs.size(), kDepths.size());
  for (const auto& [name, ref] : refs) {
    SCOPED_TRACE(name);
    auto frames = LoadPictureFrames(nullptr, PathOf(dir / "raster" / name));
    ASSERT_EQ(frames.size(), 1u);
    const TDib& dib = *frames.front();
    EXPECT_EQ(dib.Width(), ref.width);
    EXPECT_EQ(dib.Height(), ref.height);
    EXPECT_EQ(dib.BitCount(), kDepths.at(name));
    std::unique_ptr<TDib> plain = DecodeRleDib(dib);
    const auto [rgb, alpha] = Checksums(plain ? *plain : dib, nullptr);
    EXPECT_EQ(rgb, ref.rgb);
    // Paletted pictures keep no transparency; the others keep their alpha.
    if (dib.BitCount() > 8) {
      EXPECT_EQ(alpha, ref.alpha);
    }
  }
}

TEST_F(PictureImportTest, EveryRasterFileOpensAsOneBitmapSizedByItsResolution) {
  KVN_REQUIRE_TESTDATA(dir);
  const auto refs = LoadReferences();
  for (const auto& [name, ref] : refs) {
    SCOPED_TRACE(name);
    DocumentResult result = Open(dir / "raster" / name);
    ASSERT_TRUE(result.Ok());
    EXPECT_FALSE(result.native);
    cOutObj* object = result.Document()->GetFirstSheet()->TopBlock().FirstObject();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->next, nullptr);
    cBitmap* bitmap = object->AsBitmap();
    ASSERT_NE(bitmap, nullptr);
    // The stored picture, colour-reduced and perhaps RLE compressed, shows
    // the same pixels; a 32-bit picture's alpha went into the mask.
    const TDib* stored = bitmap->StoredDib();
    ASSERT_NE(stored, nullptr);
    std::unique_ptr<TDib> plain = DecodeRleDib(*stored);
    const auto [rgb, alpha] = Checksums(plain ? *plain : *stored, bitmap->GetAlphaMask());
    EXPECT_EQ(rgb, ref.rgb);
    if (kDepths.at(name) > 8) {
      EXPECT_EQ(alpha, ref.alpha);
    }
    // Millimetres from the file's pixels per metre (4000 when it has none).
    auto frames = LoadPictureFrames(nullptr, PathOf(dir / "raster" / name));
    const auto& h = frames.front()->Layout().header;
    const double xRes = h.xPelsPerMeter > 0 && h.yPelsPerMeter > 0 ? h.xPelsPerMeter : 4000;
    const double yRes = h.xPelsPerMeter > 0 && h.yPelsPerMeter > 0 ? h.yPelsPerMeter : 4000;
    EXPECT_DOUBLE_EQ(bitmap->frame.width, ref.width * 1000.0 / xRes);
    EXPECT_DOUBLE_EQ(bitmap->frame.height, ref.height * 1000.0 / yRes);
    // JPEG files keep their bytes.
    const bool jpeg = name.ends_with(".jpg");
    ASSERT_EQ(bitmap->Encoded() != nullptr, jpeg);
    if (jpeg) {
      EXPECT_EQ(bitmap->Encoded()->bytes, ReadFile(dir / "raster" / name));
    }
  }
}

TEST_F(PictureImportTest, ResolutionsOfTheFilesBecomeMillimetres) {
  KVN_REQUIRE_TESTDATA(dir);
  // 72 dpi in the JPEG's JFIF header: 2835 pixels per metre.
  auto frames = LoadPictureFrames(nullptr, PathOf(dir / "raster/imagers_cat_progressive.jpg"));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames.front()->Layout().header.xPelsPerMeter, 2835);
  // A BMP without a resolution is 0.25 mm per pixel.
  DocumentResult result = Open(dir / "raster/imagers_Core_1_Bit.bmp");
  ASSERT_TRUE(result.Ok());
  const cBitmap* bitmap = result.Document()->GetFirstSheet()->TopBlock().FirstObject()->AsBitmap();
  EXPECT_DOUBLE_EQ(bitmap->frame.width, 435 * 0.25);
  EXPECT_DOUBLE_EQ(bitmap->frame.height, 353 * 0.25);
}

// A picture cut short is refused with the format it was recognised as; a
// bitmap whose runs overflow its rows and a metafile whose header gives a
// wrong size open with what could be read, as a drawing read in part.
TEST_F(PictureImportTest, DamagedPicturesGiveTheUnknownFormatResultOrOpenInPart) {
  KVN_REQUIRE_TESTDATA(dir);
  SetLanguageIndex(2);
  InvalidateLangTable();  // a table loaded earlier in the process may be another language's
  {
    const WString path = PathOf(dir / "raster/bad_truncated_basn6a16.png");
    DocumentResult result = Open(dir / "raster/bad_truncated_basn6a16.png");
    EXPECT_FALSE(result.Ok());
    EXPECT_EQ(result.Code(), kOpenPictureFailed);
    const WString text = MakeOpenFailureMessage(result, path).text;
    EXPECT_NE(text.View().find(u"Unknown file format\nThe PNG picture data are damaged"), std::u16string_view::npos)
        << text.ToUtf8();
    EXPECT_TRUE(LoadPictureFrames(nullptr, path).empty());
  }
  for (const char* name : {"raster/bad_imagers_rle_overflow.bmp", "metafile/bad_emf2svg_corrupted_2014-12-02-215338.emf"}) {
    SCOPED_TRACE(name);
    DocumentResult result = Open(dir / name);
    ASSERT_TRUE(result.Ok());
    EXPECT_TRUE(result.Partial());
    EXPECT_TRUE(result.Document()->GetFirstSheet()->TopBlock().FirstObject() != nullptr);
  }
  // Whole pictures open whole.
  for (const char* name : {"raster/imagers_pal8rle.bmp", "metafile/emf2svg_test-181.emf"}) {
    SCOPED_TRACE(name);
    DocumentResult result = Open(dir / name);
    ASSERT_TRUE(result.Ok());
    EXPECT_FALSE(result.Partial());
  }
}

TEST_F(PictureImportTest, BytesOfNoKnownKindAreNotCalledDamaged) {
  test::ScratchDir scratch;
  WriteFile(scratch / "noise.bin", std::vector<std::uint8_t>(300, 0x5A));
  DocumentResult result = Open(scratch / "noise.bin");
  EXPECT_EQ(result.Code(), kOpenPictureFailed);
  EXPECT_EQ(result.Cause(), kOpenUnsupportedFormat);
}

// A minimal EMF whose frame is the given rectangle (0.01 mm).
std::vector<std::uint8_t> FramedEmf(std::int32_t right, std::int32_t bottom) {
  EmfBuilder b(1 << 20);
  std::uint8_t* h = b.Add(1, 108);
  le::Put32(h + 24 + 8, std::uint32_t(right));
  le::Put32(h + 24 + 12, std::uint32_t(bottom));
  le::Put32(h + 40, 0x464D4520);
  le::Put32(h + 44, 0x10000);
  le::Put32(h + 72, 1000);
  le::Put32(h + 76, 1000);
  le::Put32(h + 80, 250);
  le::Put32(h + 84, 250);
  EXPECT_TRUE(b.Finish(1));
  return std::vector<std::uint8_t>(b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count());
}

TEST_F(PictureImportTest, MetafilesAreToldByTheirNameAndSizedByTheirFrame) {
  EXPECT_TRUE(IsMetafileName(WString(u"a.EMF")));
  EXPECT_TRUE(IsMetafileName(WString(u"a.eMf")));
  EXPECT_TRUE(IsMetafileName(WString(u"b.wmf")));
  EXPECT_FALSE(IsMetafileName(WString(u"a.emf2")));
  EXPECT_FALSE(IsMetafileName(WString(u"emf")));
  test::ScratchDir scratch;
  WriteFile(scratch / "frame.EmF", FramedEmf(4000, 2500));
  WriteFile(scratch / "flat.emf", FramedEmf(4000, 0));
  // Under another name the same bytes are no picture.
  WriteFile(scratch / "frame.emf2", FramedEmf(4000, 2500));
  auto metafile = ImportPictureFile(nullptr, nullptr, PathOf(scratch / "frame.EmF"));
  ASSERT_NE(metafile, nullptr);
  ASSERT_NE(metafile->AsWmf(), nullptr);
  EXPECT_DOUBLE_EQ(metafile->AsWmf()->frame.width, 40.0);
  EXPECT_DOUBLE_EQ(metafile->AsWmf()->frame.height, 25.0);
  auto flat = ImportPictureFile(nullptr, nullptr, PathOf(scratch / "flat.emf"));
  ASSERT_NE(flat, nullptr);
  EXPECT_DOUBLE_EQ(flat->AsWmf()->frame.width, 100.0);
  EXPECT_DOUBLE_EQ(flat->AsWmf()->frame.height, 100.0);
  EXPECT_EQ(ImportPictureFile(nullptr, nullptr, PathOf(scratch / "frame.emf2")), nullptr);
}

// A PNG that claims 65535 x 65535 RGBA pixels in a valid header.
std::vector<std::uint8_t> HugePng() {
  std::vector<std::uint8_t> b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 8, 6, 0, 0, 0};
  // The chunk's CRC, computed as PNG defines it.
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 12; i < b.size(); ++i) {
    crc ^= b[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  crc ^= 0xFFFFFFFF;
  for (int s = 24; s >= 0; s -= 8) b.push_back(std::uint8_t(crc >> s));
  return b;
}

TEST_F(PictureImportTest, PicturesBeyondTheBitmapLimitAreRefusedFromTheirHeader) {
  const auto png = HugePng();
  PictureInfo info;
  EXPECT_EQ(ProbePicture(png.data(), png.size(), &info), PictureStatus::kTooLarge);
  EXPECT_EQ(info.width, 65535);
  TDib dib;
  EXPECT_EQ(DecodePicture(png.data(), png.size(), &dib), PictureStatus::kTooLarge);
  EXPECT_TRUE(dib.IsEmpty());
  // GIF: a 65535 x 65535 frame.
  std::vector<std::uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0,
                                   ',', 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 2, 0x4C, 0x01, 0, ';'};
  EXPECT_EQ(DecodePicture(gif.data(), gif.size(), &dib), PictureStatus::kTooLarge);
  EXPECT_TRUE(DibSizeAllowed(20000, 20000, 32));
  EXPECT_FALSE(DibSizeAllowed(30000, 30000, 32));
  EXPECT_FALSE(DibSizeAllowed(0, 10, 8));
}

TEST_F(PictureImportTest, ProbesTellFormatSizeDepthAndFramesAsIdentifyDoes) {
  KVN_REQUIRE_TESTDATA(dir);
  struct Case {
    const char* name;
    PictureFormat format;
    std::int32_t width, height;
    std::uint32_t bits, frames;
  };
  for (const Case& c : {Case{"imagers_interlaced.gif", PictureFormat::kGif, 32, 32, 8, 1},
                        Case{"imagers_fax4.tiff", PictureFormat::kTiff, 460, 307, 1, 1},
                        Case{"imagers_basn6a16.png", PictureFormat::kPng, 32, 32, 64, 1},
                        Case{"imagers_Core_1_Bit.bmp", PictureFormat::kBmp, 435, 353, 1, 1},
                        Case{"libredwg_2000_Arc.jpg", PictureFormat::kJpeg, 1264, 506, 24, 1}}) {
    SCOPED_TRACE(c.name);
    const auto bytes = ReadFile(dir / "raster" / c.name);
    PictureInfo info;
    ASSERT_EQ(ProbePicture(bytes.data(), bytes.size(), &info), PictureStatus::kOk);
    EXPECT_EQ(info.format, c.format);
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, c.height);
    EXPECT_EQ(info.bitsPerPixel, c.bits);
    EXPECT_EQ(info.frames, c.frames);
  }
}

TEST_F(PictureImportTest, EncodersTellTheirFailuresByNumberAndWriteFiles) {
  TDib picture;
  ASSERT_TRUE(picture.Create(5, 3, 8));
  for (std::uint32_t i = 0; i < 256; ++i) picture.SetPaletteEntry(i, i * 0x010203);
  int error = 0;
  auto png = EncodeDibToMemory(nullptr, picture, nullptr, PictureContainer::kPng, &error);
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(error, 0);
  // An empty picture: the encoder fails.
  EXPECT_EQ(EncodeDibToMemory(nullptr, TDib(), nullptr, PictureContainer::kTiff, &error), nullptr);
  EXPECT_EQ(error, kEncodeErrorEncoder);
  test::ScratchDir scratch;
  // As a PNG file the picture is widened to 24 bits first; as TIFF it stays.
  ASSERT_TRUE(EncodeDibAsPngFile(nullptr, PathOf(scratch / "a.png"), picture, nullptr));
  ASSERT_TRUE(EncodeDibAsTiffFile(nullptr, PathOf(scratch / "a.tif"), picture, nullptr));
  EXPECT_FALSE(EncodeDibAsTiffFile(nullptr, PathOf(scratch / "b.tif"), TDib(), nullptr));
  EXPECT_FALSE(std::filesystem::exists(scratch / "b.tif"));
  auto a = LoadPictureFrames(nullptr, PathOf(scratch / "a.png"));
  auto b = LoadPictureFrames(nullptr, PathOf(scratch / "a.tif"));
  ASSERT_EQ(a.size(), 1u);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(a.front()->BitCount(), 24);
  EXPECT_EQ(b.front()->BitCount(), 8);
  EXPECT_EQ(a.front()->GetPixelColor(4, 2), b.front()->GetPixelColor(4, 2));
}

}  // namespace
}  // namespace kvn
