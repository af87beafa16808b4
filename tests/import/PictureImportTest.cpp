// Picture import: every raster file of the test data against ImageMagick's
// decode (data/picture-references.txt), the document it opens as, the
// failures, the name rules and the size limits.
#include "import/pictures/PictureImport.h"
#include "import/pictures/PictureEncoders.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>

#include "document/DocumentReaders.h"
#include "document/OpenDrawingFile.h"
#include "document/OpenFailureMessage.h"
#include "dwg/InstallReaders.h"
#include "foundation/CountingAlloc.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/TextFormat.h"
#include "model/cBitmap.h"
#include "model/cBlock.h"
#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/image/ImageCodecs.h"
#include "platform/image/PictureDecode.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/ReadMetafileAsEmf.h"
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
    EXPECT_NE(text.View().find(u"\n\nThe PNG picture data are damaged"), std::u16string_view::npos)
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

// Every message box shown, kept instead of shown.
class RecordingBoxes : public MessageBoxBackend {
 public:
  RecordingBoxes() { previous_ = SetMessageBoxBackend(this); }
  ~RecordingBoxes() override { SetMessageBoxBackend(previous_); }
  int Show(const cMsgDlg*, const WString& text, const WString&, std::uint32_t) override {
    texts.push_back(text);
    return kIdOk;
  }
  std::vector<WString> texts;

 private:
  MessageBoxBackend* previous_;
};

// An intact enhanced metafile of `count` plain rectangles.
std::vector<std::uint8_t> RectanglesEmf(std::uint32_t count) {
  EmfBuilder b(std::uint64_t(count) * 24 + 4096);
  std::uint8_t* h = b.Add(1, 108);
  le::Put32(h + 24 + 8, 10000);
  le::Put32(h + 24 + 12, 10000);
  le::Put32(h + 40, 0x464D4520);
  le::Put32(h + 44, 0x10000);
  le::Put32(h + 72, 1000);
  le::Put32(h + 76, 1000);
  le::Put32(h + 80, 100);
  le::Put32(h + 84, 100);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t* r = b.Add(43, 24);  // EMR_RECTANGLE
    if (!r) break;
    le::Put32(r + 8, i % 900);
    le::Put32(r + 12, i % 700);
    le::Put32(r + 16, i % 900 + 50);
    le::Put32(r + 20, i % 700 + 30);
  }
  EXPECT_TRUE(b.Finish(1));
  return std::vector<std::uint8_t>(b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count());
}

// A plain Windows metafile of `count` rectangles.
std::vector<std::uint8_t> RectanglesWmf(std::uint32_t count) {
  std::vector<std::uint8_t> b(18 + std::size_t(count) * 14 + 6, 0);
  le::Put16(b.data(), 1);
  le::Put16(b.data() + 2, 9);
  le::Put16(b.data() + 4, 0x0300);
  le::Put32(b.data() + 6, std::uint32_t(b.size() / 2));
  le::Put32(b.data() + 12, 7);  // the longest record, in words
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t* r = b.data() + 18 + std::size_t(i) * 14;
    le::Put32(r, 7);
    le::Put16(r + 4, 0x041B);  // META_RECTANGLE {bottom, right, top, left}
    le::Put16(r + 6, std::uint16_t(i % 700 + 30));
    le::Put16(r + 8, std::uint16_t(i % 900 + 50));
    le::Put16(r + 10, std::uint16_t(i % 700));
    le::Put16(r + 12, std::uint16_t(i % 900));
  }
  le::Put32(b.data() + b.size() - 6, 3);  // META_EOF
  return b;
}

// A metafile past 20,000,000 bytes, intact, is refused unread and told
// once, as too big: the picture reader shows nothing itself and the open's
// one message is the bilingual "picture is too big", not a damaged
// picture's. One below the limit opens. The files are written here.
TEST_F(PictureImportTest, MetafilesPast20MillionBytesAreToldOnceAsTooBig) {
  test::ScratchDir scratch;
  const struct {
    const char* name;
    std::function<std::vector<std::uint8_t>()> make;
    bool opens;
  } rows[] = {
      {"big.emf", [] { return RectanglesEmf(880'000); }, false},   // 21.1 MB
      {"under.emf", [] { return RectanglesEmf(790'000); }, true},  // 19 MB
      {"big.wmf", [] { return RectanglesWmf(1'460'000); }, false},  // 20.4 MB
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::filesystem::path path = scratch / row.name;
    {
      const std::vector<std::uint8_t> bytes = row.make();
      ASSERT_EQ(bytes.size() > kMaxMetafileBytes, !row.opens);
      WriteFile(path, bytes);
    }
    RecordingBoxes boxes;
    const DocumentResult result = Open(path);
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(result.Ok(), row.opens);
    if (row.opens) continue;
    EXPECT_EQ(result.Code(), kOpenPictureFailed);
    EXPECT_EQ(result.Cause(), kOpenMetafileTooBig);
    const OpenFailureMessage message = MakeOpenFailureMessage(result, PathOf(path));
    EXPECT_TRUE(message.text == kPictureTooBigMessage) << message.text.ToUtf8();
    EXPECT_EQ(message.style, kMbIconError);
  }
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

namespace kvn {
namespace {

// A picture of w x h pixels at the bit count, its colours a pattern of
// many values (so that no format packs it into a few).
TDib PatternPicture(std::int32_t width, std::int32_t height, std::uint16_t bitCount) {
  TDib dib;
  EXPECT_TRUE(dib.Create(width, height, bitCount));
  if (bitCount <= 8) {
    for (std::uint32_t i = 0; i < (1u << bitCount); ++i) dib.SetPaletteEntry(i, i * 0x010305u);
  }
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = dib.Bits() + std::size_t(y) * dib.Stride();
    for (std::uint32_t i = 0; i < dib.Stride(); ++i) row[i] = std::uint8_t((i * 7 + std::uint32_t(y) * 13) ^ (i >> 5));
  }
  return dib;
}

std::vector<std::uint8_t> JpegOf(std::int32_t width, std::int32_t height) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(std::size_t(width) * 3);
  while (info.next_scanline < info.image_height) {
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = std::uint8_t(i * 5 + info.next_scanline * 3);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<std::uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

// A GIF of one frame, every pixel colour 0: codes of 5 bits after a code
// size of 4, a clear code after every twelve so that the width stays.
std::vector<std::uint8_t> GifOf(std::uint16_t width, std::uint16_t height) {
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
  b.push_back(4);
  std::vector<std::uint8_t> codes;
  std::uint32_t bits = 0, held = 0;
  auto code = [&](std::uint32_t c) {
    bits |= c << held;
    held += 5;
    while (held >= 8) {
      codes.push_back(std::uint8_t(bits));
      bits >>= 8;
      held -= 8;
    }
  };
  const std::size_t pixels = std::size_t(width) * height;
  for (std::size_t i = 0; i < pixels; ++i) {
    if (i % 12 == 0) code(16);
    code(0);
  }
  code(17);
  if (held > 0) codes.push_back(std::uint8_t(bits));
  for (std::size_t at = 0; at < codes.size(); at += 255) {
    const std::size_t n = std::min<std::size_t>(codes.size() - at, 255);
    b.push_back(std::uint8_t(n));
    b.insert(b.end(), codes.begin() + std::ptrdiff_t(at), codes.begin() + std::ptrdiff_t(at + n));
  }
  b.push_back(0);
  b.push_back(0x3B);
  return b;
}

struct LargePicture {
  const char* name;
  std::function<std::vector<std::uint8_t>()> file;
  // The bytes of the bitmap the decoder makes.
  std::uint64_t decoded;
};

constexpr std::int32_t kSide = 1500;

std::uint64_t BitmapBytes(std::int32_t width, std::int32_t height, std::uint32_t bitCount) {
  return ((std::uint64_t(width) * bitCount + 31) / 32) * 4 * std::uint64_t(height);
}

std::vector<LargePicture> LargePictures(const std::filesystem::path& dir) {
  auto encoded = [](std::uint16_t bitCount, bool alpha, PictureContainer container) {
    return [=] {
      const TDib dib = PatternPicture(kSide, kSide, bitCount);
      const TDib mask = PatternPicture(kSide, kSide, 8);
      std::vector<std::uint8_t> bytes;
      EXPECT_TRUE(EncodeDibAsContainer(dib, alpha ? &mask : nullptr, container, &bytes));
      return bytes;
    };
  };
  auto bmp = [dir](std::uint16_t bitCount) {
    return [=] {
      const std::filesystem::path path = dir / "made.bmp";
      EXPECT_TRUE(WriteDibAsBmpFile(PathOf(path), PatternPicture(kSide, kSide, bitCount)));
      return ReadFile(path);
    };
  };
  const std::uint64_t b8 = BitmapBytes(kSide, kSide, 8), b24 = BitmapBytes(kSide, kSide, 24),
                      b32 = BitmapBytes(kSide, kSide, 32);
  return {
      {"PNG, 24 bits", encoded(24, false, PictureContainer::kPng), b24},
      {"PNG, 32 bits", encoded(24, true, PictureContainer::kPng), b32},
      {"PNG, 8 bits", encoded(8, false, PictureContainer::kPng), b8},
      {"TIFF, 24 bits", encoded(24, false, PictureContainer::kTiff), b24},
      {"TIFF, 32 bits", encoded(24, true, PictureContainer::kTiff), b32},
      {"BMP, 24 bits", bmp(24), b24},
      {"BMP, 32 bits", bmp(32), b32},
      {"JPEG", [] { return JpegOf(kSide, kSide); }, b24},
      {"GIF", [] { return GifOf(kSide, kSide); }, BitmapBytes(kSide, kSide, 4)},
  };
}

// Each format converts holding one copy of its pixels at a time, besides
// the file's bytes: what the heap held at its peak, less the file, is within
// a little of the larger of the bitmap decoded and the bitmap kept.
TEST_F(PictureImportTest, LargePicturesOfEveryFormatConvertHoldingOneCopy) {
  test::ScratchDir dir;
  for (const LargePicture& picture : LargePictures(dir.Path())) {
    SCOPED_TRACE(picture.name);
    const std::vector<std::uint8_t> bytes = picture.file();
    const std::filesystem::path path = dir / "picture";
    WriteFile(path, bytes);
    alloc_testing::SetCounters(GetAllocatedBytes(), GetAllocatedBytes());
    const std::uint64_t before = GetAllocatedBytes();
    std::unique_ptr<cOutObj> object = ImportPictureFile(nullptr, nullptr, PathOf(path), nullptr);
    const std::uint64_t peak = GetPeakAllocatedBytes() - before;
    ASSERT_TRUE(object);
    cBitmap* bitmap = object->AsBitmap();
    ASSERT_TRUE(bitmap);
    const std::uint64_t kept = bitmap->StoredDib() ? bitmap->StoredDib()->PackedDibSize() : 0;
    const std::uint64_t copy = std::max(picture.decoded, kept);
    EXPECT_LT(peak, bytes.size() + copy + copy / 4 + (1u << 20))
        << "file " << bytes.size() << ", decoded " << picture.decoded << ", kept " << kept;
  }
}

// A PNG of nothing but its header, claiming width x height pixels of the
// colour type at 8 bits.
std::vector<std::uint8_t> PngHeaderOnly(std::uint32_t width, std::uint32_t height, std::uint8_t colourType) {
  std::vector<std::uint8_t> b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (std::uint32_t v : {width, height})
    for (int s = 24; s >= 0; s -= 8) b.push_back(std::uint8_t(v >> s));
  b.insert(b.end(), {8, colourType, 0, 0, 0});
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 12; i < b.size(); ++i) {
    crc ^= b[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  crc ^= 0xFFFFFFFF;
  for (int s = 24; s >= 0; s -= 8) b.push_back(std::uint8_t(crc >> s));
  return b;
}

// The bytes with the 16-bit value at `at` made big-endian `v`.
void PutBe16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b[at] = std::uint8_t(v >> 8);
  b[at + 1] = std::uint8_t(v);
}

// Pictures whose headers claim a bitmap past the memory threshold (and
// within the bitmap limit, which refused them before): each is refused from
// its header, the heap taking nothing near the pixels' size, with the
// language tables' message and the bytes it would take.
TEST_F(PictureImportTest, PicturesPastTheMemoryThresholdAreRefusedBeforeDecoding) {
  struct Claim {
    const char* name;
    std::function<std::vector<std::uint8_t>()> file;
    std::uint64_t bytes;
  };
  const std::vector<Claim> claims = {
      // The decoder holds a row pointer per row beside the bitmap.
      {"PNG", [] { return PngHeaderOnly(25000, 25000, 2); }, BitmapBytes(25000, 25000, 24) + 25000 * 8},
      {"BMP",
       [] {
         std::vector<std::uint8_t> b(54, 0);
         b[0] = 'B', b[1] = 'M';
         le::Put32(b.data() + 2, 54);
         le::Put32(b.data() + 10, 54);
         le::Put32(b.data() + 14, 40);
         le::Put32(b.data() + 18, 25000);
         le::Put32(b.data() + 22, 25000);
         le::Put16(b.data() + 26, 1);
         le::Put16(b.data() + 28, 24);
         return b;
       },
       BitmapBytes(25000, 25000, 24)},
      {"GIF",
       [] {
         std::vector<std::uint8_t> b = {'G', 'I', 'F', '8', '9', 'a', 0x28, 0xA0, 0x28, 0xA0, 0xF7, 0, 0};
         b.resize(b.size() + 256 * 3, 0);  // a global table of 256 colours
         b.insert(b.end(), {',', 0, 0, 0, 0, 0x28, 0xA0, 0x28, 0xA0, 0, 8, 2, 0x00, 0x01, 0, ';'});
         return b;
       },
       BitmapBytes(41000, 41000, 8)},
      {"JPEG",
       [] {
         std::vector<std::uint8_t> b = JpegOf(16, 8);
         // The frame header's height and width.
         for (std::size_t i = 2; i + 9 < b.size(); ++i) {
           if (b[i] == 0xFF && b[i + 1] == 0xC0) {
             PutBe16(b, i + 5, 25000);
             PutBe16(b, i + 7, 25000);
             break;
           }
         }
         return b;
       },
       BitmapBytes(25000, 25000, 24)},
      {"TIFF",
       [] {
         std::vector<std::uint8_t> b;
         EXPECT_TRUE(EncodeDibAsContainer(PatternPicture(16, 8, 24), nullptr, PictureContainer::kTiff, &b));
         // The first directory's width and length (tags 256 and 257).
         const std::uint32_t ifd = le::U32(b.data() + 4);
         const std::uint16_t entries = le::U16(b.data() + ifd);
         for (std::uint16_t e = 0; e < entries; ++e) {
           std::uint8_t* entry = b.data() + ifd + 2 + 12 * e;
           const std::uint16_t tag = le::U16(entry), type = le::U16(entry + 2);
           if (tag != 256 && tag != 257) continue;
           if (type == 3) le::Put16(entry + 8, 24000);
           else le::Put32(entry + 8, 24000);
         }
         return b;
       },
       BitmapBytes(24000, 24000, 24)},
  };
  test::ScratchDir dir;
  for (const Claim& claim : claims) {
    SCOPED_TRACE(claim.name);
    ASSERT_GT(claim.bytes, kLowMemoryThreshold);
    ASSERT_LE(claim.bytes, kMaxDibImageBytes);
    const std::filesystem::path path = dir / "claim";
    WriteFile(path, claim.file());
    alloc_testing::SetCounters(GetAllocatedBytes(), GetAllocatedBytes());
    const std::uint64_t before = GetAllocatedBytes();
    const DocumentResult result = Open(path);
    EXPECT_LT(GetPeakAllocatedBytes() - before, std::uint64_t(16) << 20);
    EXPECT_EQ(result.Code(), kOpenPictureFailed);
    EXPECT_EQ(result.Cause(), kOpenPictureTooLarge);
    const WString message = MakeOpenFailureMessage(result, PathOf(path)).text;
    const WString reason =
        FormatPercentS(LoadLangString(kStrReasonPictureTooLarge), WString::FromUtf8(std::to_string(claim.bytes)));
    EXPECT_EQ(message.ToUtf8().substr(message.ToUtf8().size() - reason.ToUtf8().size()), reason.ToUtf8())
        << message.ToUtf8();
  }
}

}  // namespace
}  // namespace kvn
