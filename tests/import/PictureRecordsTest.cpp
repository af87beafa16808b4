// Picture records: the frame on the entity's parallelogram (golden values
// and corners under turned and mirrored transforms), OLE2FRAME entities in
// DXF files carrying a BMP or a metafile, frames that hold none, IMAGE files
// found beside the drawing, the picture loaded once, and the spool form.
#include "import/records/PictureRecords.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "document/DwgLoadReport.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "import/pictures/ImageFileLookup.h"
#include "import/records/ImportLosses.h"
#include "import/records/ImportMatrix.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "model/cBitmap.h"
#include "model/cBlock.h"
#include "model/cWmf.h"
#include "platform/gdi/TDib.h"
#include "platform/image/ImageCodecs.h"
#include "tests/import/SpoolTestSupport.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/OleFixtures.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using test::DxfWriter;
using test::OleNode;

void ExpectNear(const DPoint& got, const DPoint& want, const char* what) {
  EXPECT_NEAR(got.x, want.x, 1e-9) << what;
  EXPECT_NEAR(got.y, want.y, 1e-9) << what;
}

DPoint Plus(const DPoint& p, const DPoint& q) { return {p.x + q.x, p.y + q.y}; }
DPoint Minus(const DPoint& p, const DPoint& q) { return {p.x - q.x, p.y - q.y}; }

// ---- placement ----

TEST(PictureRecords, ImageOfTwoHundredByHundredPixelsUnderTheIdentity) {
  ImportMatrix identity;
  PictureFrame frame;
  const Vec3 o{10, 20, 0};
  ASSERT_TRUE(PlacePictureFrame(identity, o, Vec3{210, 20, 0}, Vec3{10, 120, 0}, true, frame));
  EXPECT_DOUBLE_EQ(frame.width, 200);
  EXPECT_DOUBLE_EQ(frame.height, 100);
  EXPECT_DOUBLE_EQ(frame.angle, 0);
  ExpectNear(frame.origin, {10, -120}, "origin at (x, -(y + 100))");
  // v pointing down the page: the same picture mirrored.
  ASSERT_TRUE(PlacePictureFrame(identity, o, Vec3{210, 20, 0}, Vec3{10, -80, 0}, true, frame));
  EXPECT_DOUBLE_EQ(frame.height, -100);
  ExpectNear(frame.origin, {10, 80}, "mirrored origin");
  // Collapsed sides make nothing.
  EXPECT_FALSE(PlacePictureFrame(identity, o, o, Vec3{10, 120, 0}, true, frame));
  EXPECT_FALSE(PlacePictureFrame(identity, o, Vec3{210, 20, 0}, Vec3{10, 20, 1e-3}, false, frame));
}

TEST(PictureRecords, FrameCornersFollowTheEntityUnderTurnsScalesAndMirrors) {
  std::vector<ImportMatrix> transforms(4);
  transforms[1].PreRotateAboutAxis(Vec3{0, 0, 0}, Vec3{0, 0, 1}, 0.5);
  transforms[2].PreScaleAbout(2.5, 2.5, 2.5, Vec3{1, 1, 0});
  transforms[2].PreTranslate(-7, 3, 0);
  transforms[3].PreScaleAbout(-1, 1, 1, Vec3{});
  transforms[3].PreRotateAboutAxis(Vec3{0, 0, 0}, Vec3{0, 0, 1}, 2.2);
  const Vec3 o{3, 4, 0}, a{8, 4, 0};
  for (const Vec3& b : {Vec3{3, 6, 0}, Vec3{3, 2, 0}}) {
    for (std::size_t t = 0; t < transforms.size(); ++t) {
      const ImportMatrix& m = transforms[t];
      const DPoint o2 = m.TransformTo2D(o), a2 = m.TransformTo2D(a), b2 = m.TransformTo2D(b);
      DPoint c[4];
      PictureFrame image, ole;
      ASSERT_TRUE(PlacePictureFrame(m, o, a, b, true, image));
      image.GetCorners(c);
      // An image stands on its height end: its first row is at B.
      ExpectNear(c[0], b2, "image corner 1");
      ExpectNear(c[1], Plus(b2, Minus(a2, o2)), "image corner 2");
      ExpectNear(c[3], o2, "image corner 4");
      ASSERT_TRUE(PlacePictureFrame(m, o, a, b, false, ole));
      ole.GetCorners(c);
      ExpectNear(c[0], o2, "OLE corner 1");
      ExpectNear(c[1], a2, "OLE corner 2");
      ExpectNear(c[3], b2, "OLE corner 4");
      EXPECT_GT(ole.angle, -180.0);
      EXPECT_LE(ole.angle, 180.0);
    }
  }
}

// ---- OLE2FRAME in DXF files ----

struct Loaded {
  DocumentResult result{nullptr};
  DwgLoadReport report;
  std::vector<cOutObj*> objects;
};

Loaded Load(const std::string& text, const WString& path = WString(u"test.dxf")) {
  ByteArray bytes;
  bytes.AppendBytes(text.data(), std::int64_t(text.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  Loaded loaded;
  loaded.result = LoadDxfStream(in, path, nullptr, &loaded.report);
  if (loaded.result.Ok()) {
    for (cOutObj* o = loaded.result.Document()->GetSheet(0)->TopBlock().FirstObject(); o; o = o->next)
      loaded.objects.push_back(o);
  }
  return loaded;
}

// Upper left, upper right, lower right, lower left, as the frame stores them.
constexpr Vec3 kCorners[4] = {{10, 60, 0}, {110, 60, 0}, {110, 10, 0}, {10, 10, 0}};
const std::string kBmp = test::SmallBmpFile(4, 3, 0x00FF00);

std::string FrameDrawing(const std::string& data, DxfWriter::Form form = DxfWriter::Form::Text, int version = 2,
                         std::int64_t length = -1) {
  DxfWriter w(form);
  w.Section("ENTITIES").Line("0", 0, 0, 1, 1);
  test::WriteOle2Frame(w, data, version, length);
  w.EndSection().Eof();
  return w.Bytes();
}

std::string FrameData(const std::vector<OleNode>& tree) {
  return test::OleFrameData(kCorners, test::WriteOleTree(tree));
}

TEST(PictureRecords, OleFrameWithABitmapShowsItAtTheFrameCorners) {
  const std::string data = FrameData({OleNode::Stream("\001Ole10Native", "SIZE" + kBmp)});
  for (auto form : {DxfWriter::Form::Text, DxfWriter::Form::Binary}) {
    Loaded loaded = Load(FrameDrawing(data, form));
    ASSERT_TRUE(loaded.result.Ok());
    ASSERT_EQ(loaded.objects.size(), 2u);
    const cBitmap* bitmap = loaded.objects[1]->AsBitmap();
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(bitmap->StoredDib(), nullptr);
    EXPECT_EQ(bitmap->StoredDib()->Width(), 4);
    EXPECT_EQ(bitmap->StoredDib()->GetPixelColor(3, 2), 0x00FF00u);
    DPoint c[4];
    bitmap->GetCorners(c);
    for (int i = 0; i < 4; ++i) ExpectNear(c[i], DPoint{kCorners[i].x, -kCorners[i].y}, "corner");
    EXPECT_EQ(loaded.report.entities["OLE2FRAME"], 1u);
    EXPECT_EQ(loaded.report.skipped.count("OLE2FRAME"), 0u);
  }
}

TEST(PictureRecords, OleFramePrefersContentsThenNativeThenPresentation) {
  const OleNode native = OleNode::Stream("\001Ole10Native", "SIZE" + kBmp);
  const OleNode presentation = OleNode::Stream("\002OlePres000", std::string(40, 'p') + test::SmallEmf());
  Loaded contents = Load(FrameDrawing(FrameData({native, OleNode::Stream("CONTENTS", test::SmallEmf())})));
  ASSERT_EQ(contents.objects.size(), 2u);
  EXPECT_NE(contents.objects[1]->AsWmf(), nullptr);
  Loaded both = Load(FrameDrawing(FrameData({presentation, native, OleNode::Stream("CONTENTS", "no picture")})));
  ASSERT_EQ(both.objects.size(), 2u);
  EXPECT_NE(both.objects[1]->AsBitmap(), nullptr);
  Loaded only = Load(FrameDrawing(FrameData({presentation})));
  ASSERT_EQ(only.objects.size(), 2u);
  const cWmf* metafile = only.objects[1]->AsWmf();
  ASSERT_NE(metafile, nullptr);
  DPoint c[4];
  metafile->GetCorners(c);
  ExpectNear(c[2], DPoint{110, -10}, "metafile corner 3");
}

TEST(PictureRecords, OleFramesWithoutAPictureGiveNoObject) {
  const std::string data = FrameData({OleNode::Stream("\001Ole10Native", "SIZE" + kBmp)});
  ASSERT_GT(data.size(), 1000u);
  const std::string first1000 = data.substr(0, 1000);
  struct Case {
    const char* what;
    std::string dxf;
  } cases[] = {
      {"999 of 1000 bytes", FrameDrawing(first1000.substr(0, 999), DxfWriter::Form::Text, 2, 1000)},
      {"more bytes than the length", FrameDrawing(data, DxfWriter::Form::Text, 2, std::int64_t(data.size()) - 1)},
      {"version 1", FrameDrawing(data, DxfWriter::Form::Text, 1)},
      {"length 128", FrameDrawing(data.substr(0, 128))},
      {"no compound file", FrameDrawing(std::string(128, 'h') + std::string(600, 'x'))},
      {"no picture inside", FrameDrawing(FrameData({OleNode::Stream("CONTENTS", "text")}))},
  };
  for (const Case& c : cases) {
    Loaded loaded = Load(c.dxf);
    ASSERT_TRUE(loaded.result.Ok()) << c.what;
    EXPECT_EQ(loaded.objects.size(), 1u) << c.what;
    EXPECT_EQ(loaded.report.skippedReasons["OLE2FRAME"]["no picture"], 1u) << c.what;
  }
}

// ---- IMAGE ----

std::string ImageDrawing(const std::string& storedPath, double vy = 0.5) {
  DxfWriter w;
  w.Section("ENTITIES");
  w.Str(0, "IMAGE").Str(8, "0").Point(10, 5, 5).Point(11, 0.5, 0, 0).Point(12, 0, vy, 0);
  w.Real(13, 4).Real(23, 3).Str(340, "2A");
  w.EndSection().Section("OBJECTS").Str(0, "IMAGEDEF").Str(5, "2A").Str(1, storedPath).EndSection().Eof();
  return w.Bytes();
}

TEST(PictureRecords, ImageWhoseFolderIsGoneFindsTheFileBesideTheDrawing) {
  test::ScratchDir dir;
  ASSERT_TRUE(test::SaveBytes((dir / "Photo.bmp").string(), {kBmp.begin(), kBmp.end()}));
  const WString drawing = WString::FromUtf8((dir / "plan.dxf").string());
  Loaded loaded = Load(ImageDrawing("C:\\gone\\Folder\\PHOTO.BMP"), drawing);
  ASSERT_TRUE(loaded.result.Ok());
  ASSERT_EQ(loaded.objects.size(), 1u);
  const cBitmap* bitmap = loaded.objects[0]->AsBitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_DOUBLE_EQ(bitmap->frame.width, 2.0);
  EXPECT_DOUBLE_EQ(bitmap->frame.height, 1.5);
  ExpectNear(bitmap->frame.origin, {5, -6.5}, "origin");
  // v = (0, -1, 0) x 0.5: the mirrored picture.
  Loaded mirrored = Load(ImageDrawing("photo.bmp", -0.5), drawing);
  ASSERT_EQ(mirrored.objects.size(), 1u);
  EXPECT_DOUBLE_EQ(mirrored.objects[0]->AsBitmap()->frame.height, -1.5);
  // Missing file, missing definition: no object, and the drawing opens.
  EXPECT_TRUE(Load(ImageDrawing("C:\\gone\\other.bmp"), drawing).objects.empty());
  EXPECT_TRUE(Load(ImageDrawing(""), drawing).objects.empty());
}

TEST(PictureRecords, ImagePathsOpenRegularFilesOnly) {
  test::ScratchDir dir;
  ASSERT_TRUE(test::SaveBytes((dir / "Pic.png").string(), {'x'}));
  std::filesystem::create_directory(dir / "Sub.png");
  ASSERT_EQ(::mkfifo((dir / "pipe.bmp").c_str(), 0600), 0);
  const WString drawing = WString::FromUtf8((dir / "d.dxf").string());
  const std::string found = FindImageFile(WString(u"D:\\old\\PIC.PNG"), drawing).ToUtf8();
  EXPECT_EQ(found, (dir / "Pic.png").string());
  EXPECT_EQ(FindImageFile(WString::FromUtf8((dir / "Pic.png").string()), WString()).ToUtf8(),
            (dir / "Pic.png").string());
  // What is there as no file is named apart, for the open to tell.
  WString notAFile;
  EXPECT_TRUE(FindImageFile(WString(u"pipe.bmp"), drawing, &notAFile).IsEmpty());
  EXPECT_EQ(notAFile.ToUtf8(), (dir / "pipe.bmp").string());
  // Relative paths count from the drawing's folder.
  std::filesystem::create_directory(dir / "plans");
  ASSERT_TRUE(test::SaveBytes((dir / "plans" / "Pic.png").string(), {'y'}));
  EXPECT_EQ(FindImageFile(WString(u"plans\\Pic.png"), drawing).ToUtf8(), (dir / "plans/Pic.png").string());
  EXPECT_EQ(FindImageFile(WString(u"..\\Pic.png"), WString::FromUtf8((dir / "plans" / "d.dxf").string())).ToUtf8(),
            (dir / "plans/../Pic.png").string());
  // A path the drawing stores from its own folder is named without "./":
  // from a full path, and from the folder itself.
  EXPECT_EQ(FindImageFile(WString(u".\\PIC.PNG"), drawing).ToUtf8(), (dir / "Pic.png").string());
  EXPECT_EQ(FindImageFile(WString(u".\\plans\\.\\Pic.png"), drawing).ToUtf8(), (dir / "plans/Pic.png").string());
  const std::filesystem::path started = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  const std::string fromFolder = FindImageFile(WString(u".\\Pic.png"), WString(u"d.dxf")).ToUtf8();
  std::filesystem::current_path(started);
  EXPECT_EQ(fromFolder, "Pic.png");
  EXPECT_TRUE(FindImageFile(WString(u"C:\\x\\sub.png"), drawing, &notAFile).IsEmpty());
  EXPECT_EQ(notAFile.ToUtf8(), (dir / "Sub.png").string());
  // A regular file beside the drawing is taken before a folder the stored path names.
  std::filesystem::create_directories(dir / "old" / "Pic.png");
  EXPECT_EQ(FindImageFile(WString::FromUtf8((dir / "old" / "Pic.png").string()), drawing).ToUtf8(),
            (dir / "Pic.png").string());
  EXPECT_TRUE(FindImageFile(WString(u"C:\\x\\"), drawing).IsEmpty());
  EXPECT_EQ(PortableImagePath(WString(u"c:\\a\\b.png")).ToUtf8(), "/a/b.png");
  EXPECT_EQ(PortableImagePath(WString(u"..\\b.png")).ToUtf8(), "../b.png");
}

// A PNG chunk: length, type, data and the CRC PNG defines over type and data.
void AppendPngChunk(std::string& png, const char* type, const std::string& data) {
  for (int s = 24; s >= 0; s -= 8) png.push_back(char(std::uint8_t(data.size() >> s)));
  const std::string body = std::string(type, 4) + data;
  png += body;
  std::uint32_t crc = 0xFFFFFFFF;
  for (unsigned char c : body) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  crc ^= 0xFFFFFFFF;
  for (int s = 24; s >= 0; s -= 8) png.push_back(char(std::uint8_t(crc >> s)));
}

// A valid PNG header claiming 25,000 x 25,000 RGB pixels (past the memory
// threshold) before a tiny IDAT: refused from its header, never decoded.
std::string PngClaimingTooMuch() {
  std::string png = "\x89PNG\r\n\x1A\n";
  const std::string side = {0, 0, char(0x61), char(0xA8)};  // 25000
  AppendPngChunk(png, "IHDR", side + side + std::string{8, 2, 0, 0, 0});
  AppendPngChunk(png, "IDAT", std::string{0x78, 0x01, 0x01, 0x00, 0x00, char(0xFF), char(0xFF), 0, 0, 0, 1});
  AppendPngChunk(png, "IEND", "");
  return png;
}

std::string SmallPng() {
  TDib dib;
  EXPECT_TRUE(dib.Create(4, 3, 24));
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(EncodeDibAsContainer(dib, nullptr, PictureContainer::kPng, &bytes));
  return std::string(bytes.begin(), bytes.end());
}

// A BMP of 41,000 x 41,000 pixels of 8 bits (past the memory threshold
// once its runs are drawn) in a few bytes: a palette and an end of bitmap.
std::string RunLengthBmpClaimingTooMuch() {
  std::string file(14 + 40 + 1024 + 2, '\0');
  auto put32 = [&file](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = char(std::uint8_t(v >> (8 * i)));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, std::uint32_t(file.size()));
  put32(10, 14 + 40 + 1024);
  put32(14, 40);
  put32(18, 41000);
  put32(22, 41000);
  file[26] = 1;
  file[28] = 8;
  put32(30, 1);  // BI_RLE8
  put32(34, 2);
  file[file.size() - 1] = 1;
  return file;
}

// An IMAGE at (5, 5), and when `inBlock` the same in a block placed twice
// beside a line.
std::string PlacedImageDrawing(bool inBlock) {
  DxfWriter w;
  auto image = [&w](double x) {
    w.Str(0, "IMAGE").Str(8, "0").Point(10, x, 5).Point(11, 1, 0, 0).Point(12, 0, 1, 0).Real(13, 4).Real(23, 3);
    w.Str(340, "2A");
  };
  if (inBlock) {
    w.Section("BLOCKS").Str(0, "BLOCK").Str(8, "0").Str(2, "B").Int(70, 0).Point(10, 0, 0);
    image(0);
    w.Str(0, "ENDBLK").EndSection();
  }
  w.Section("ENTITIES");
  if (inBlock) {
    w.Line("0", 0, 0, 1, 1);
    for (double x : {0.0, 10.0}) w.Str(0, "INSERT").Str(8, "0").Str(2, "B").Point(10, x, 0);
  }
  image(5);
  w.EndSection();
  w.Section("OBJECTS").Str(0, "IMAGEDEF").Str(5, "2A").Str(1, "C:\\gone\\pic.png").EndSection().Eof();
  return w.Bytes();
}

// A picture refused for its size (an IMAGE's file found beside the drawing,
// an OLE frame's bitmap) is a loss the open tells, once with its count; an
// ordinary picture is no loss. A block placed twice loses its one IMAGE
// once; a drawing of nothing but such a picture tells its loss, not that it
// shows nothing.
TEST(PictureRecords, PicturesRefusedForTheirSizeAreCountedAndToldOnce) {
  struct Case {
    const char* what;
    std::string dxf;
    std::string pictureFile;
    const char* name;
    std::uint64_t lost;
  } cases[] = {
      {"image too large", PlacedImageDrawing(true), PngClaimingTooMuch(), "IMAGE", 2},
      {"image too large, alone", PlacedImageDrawing(false), PngClaimingTooMuch(), "IMAGE", 1},
      {"small image", PlacedImageDrawing(true), SmallPng(), "IMAGE", 0},
      {"OLE bitmap too large",
       FrameDrawing(FrameData({OleNode::Stream("\001Ole10Native", "SIZE" + RunLengthBmpClaimingTooMuch())})), "",
       "OLE2FRAME", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::ScratchDir dir;
    ASSERT_TRUE(test::SaveBytes((dir / "pic.png").string(), {c.pictureFile.begin(), c.pictureFile.end()}));
    Loaded loaded = Load(c.dxf, WString::FromUtf8((dir / "plan.dxf").string()));
    ASSERT_EQ(loaded.result.Code(), 0);
    EXPECT_EQ(loaded.report.skippedReasons[c.name]["picture too large"], c.lost);
    EXPECT_EQ(loaded.report.skipped[c.name], c.lost);
    const WString told =
        FormatPercentS(LoadLangString(kStrLostPictureTooLarge), WString::FromUtf8(std::to_string(c.lost)));
    std::vector<std::string> expected, warnings;
    if (c.lost) expected.push_back(told.ToUtf8());
    for (const WString& warning : loaded.result.Warnings()) warnings.push_back(warning.ToUtf8());
    EXPECT_EQ(warnings, expected);
  }
}

// Where the IMAGE `odd` of ThreeImagesDrawing lies and how high it is: the
// others lie at x = 10 k, with v = (0, 0.5) and 48 pixels high.
struct OddImage {
  double x = 10, vy = 0.5, pixelsHigh = 48;
};

// A line and three IMAGEs of the definition 2A naming `file`; the IMAGE
// `collapsed` has no v vector unless `odd` says how it differs, and `handle`
// is the one the IMAGEs name.
std::string ThreeImagesDrawing(const std::string& file, int collapsed, const char* handle,
                               const OddImage* odd = nullptr) {
  static constexpr OddImage kNoV{10, 0, 48};
  if (!odd) odd = &kNoV;
  DxfWriter w;
  w.Section("ENTITIES").Line("0", 0, 0, 1, 1);
  for (int k = 0; k < 3; ++k) {
    const bool isOdd = k == collapsed;
    w.Str(0, "IMAGE").Str(8, "0").Point(10, isOdd ? odd->x : 10.0 * k, 5).Point(11, 0.5, 0, 0);
    w.Point(12, 0, isOdd ? odd->vy : 0.5, 0).Real(13, 64).Real(23, isOdd ? odd->pixelsHigh : 48).Str(340, handle);
  }
  w.EndSection().Section("OBJECTS").Str(0, "IMAGEDEF").Str(5, "2A").Str(1, file).EndSection().Eof();
  return w.Bytes();
}

// 64 x 48 pixels of many colours, as PNG or as a baseline JPEG.
TDib ColourfulDib() {
  TDib dib;
  EXPECT_TRUE(dib.Create(64, 48, 24));
  for (std::int32_t y = 0; y < 48; ++y)
    for (std::int32_t x = 0; x < 64; ++x) dib.SetPixel(x, y, std::uint32_t(x * 0x0B0301 + y * 0x011207) & 0xFFFFFF);
  return dib;
}

std::string ColourfulPng() {
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(EncodeDibAsContainer(ColourfulDib(), nullptr, PictureContainer::kPng, &bytes));
  return std::string(bytes.begin(), bytes.end());
}

std::string ColourfulJpeg() {
  const TDib dib = ColourfulDib();
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = 64;
  info.image_height = 48;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(64 * 3);
  while (info.next_scanline < info.image_height) {
    for (std::int32_t x = 0; x < 64; ++x) {
      const std::uint32_t c = dib.GetPixelColor(x, std::int32_t(info.next_scanline));
      row[3 * x] = std::uint8_t(c >> 16), row[3 * x + 1] = std::uint8_t(c >> 8), row[3 * x + 2] = std::uint8_t(c);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

// A PNG header of 2,000 x 2,000 RGB pixels (12 MB, well within the memory)
// before an IDAT of 11 bytes, which no deflate stream can make that much of.
std::string PngClaimingMoreThanItsData() {
  std::string png = "\x89PNG\r\n\x1A\n";
  const std::string side = {0, 0, char(0x07), char(0xD0)};  // 2000
  AppendPngChunk(png, "IHDR", side + side + std::string{8, 2, 0, 0, 0});
  AppendPngChunk(png, "IDAT", std::string{0x78, 0x01, 0x01, 0x00, 0x00, char(0xFF), char(0xFF), 0, 0, 0, 1});
  AppendPngChunk(png, "IEND", "");
  return png;
}

// A picture placed in a drawing that does not show (its file missing,
// damaged or claiming more than it holds, its image without a size, of a
// size too small to draw or beyond the farthest coordinate, or without a
// definition) is counted under skipped, each IMAGE once, and the
// open names the file and says why, once however many IMAGEs show it; a
// damaged file that shows what could be read is counted apart and named
// too. The drawing's line is shown whatever happens to its pictures.
TEST(PictureRecords, PicturesThatDoNotShowWholeAreNamedOnceAndCounted) {
  const std::string png = ColourfulPng(), jpeg = ColourfulJpeg();
  const std::string cutPng = png.substr(0, png.size() * 6 / 10), cutJpeg = jpeg.substr(0, jpeg.size() * 6 / 10);
  enum class Told { kNotFound, kNotRead, kInPart, kCount };
  struct Case {
    const char* what;
    std::string stored;      // the name the definition stores
    const std::string* bytes;  // the file saved beside the drawing as pic.png or pic.jpg; none when null
    int collapsed;
    const char* handle;
    std::optional<OddImage> odd;  // the IMAGE `collapsed`, when it has a v vector
    std::size_t shown;
    const char* reason;
    std::uint64_t skipped;
    Told told;
    int text;
  } cases[] = {
      {"missing PNG", "C:\\gone\\lost.png", nullptr, -1, "2A", {}, 0, "picture file not found", 3, Told::kNotFound,
       kStrPictureNotFound},
      {"cut PNG", "C:\\gone\\pic.png", &cutPng, -1, "2A", {}, 0, "picture file not read", 3, Told::kNotRead,
       kStrPictureNotRead},
      {"PNG claiming more than its data", "pic.png", nullptr, -1, "2A", {}, 0, "picture file not read", 3,
       Told::kNotRead, kStrPictureNotRead},
      {"zero v vector", "pic.png", &png, 1, "2A", {}, 2, "damaged count", 1, Told::kCount, kStrLostDamagedCount},
      {"v vector of 1e-300", "pic.png", &png, 1, "2A", OddImage{10, 1e-300, 48}, 2, "damaged count", 1, Told::kCount,
       kStrLostDamagedCount},
      {"1e-300 pixels high", "pic.png", &png, 2, "2A", OddImage{20, 0.5, 1e-300}, 2, "damaged count", 1,
       Told::kCount, kStrLostDamagedCount},
      {"at x = 1e22", "pic.png", &png, 0, "2A", OddImage{1e22, 0.5, 48}, 2, "extent beyond 1e20", 1, Told::kCount,
       kStrLostBeyondRange},
      {"cut JPEG", "pic.jpg", &cutJpeg, -1, "2A", {}, 3, "picture read in part", 0, Told::kInPart, kStrPictureInPart},
      {"cut JPEG stored beside", ".\\pic.jpg", &cutJpeg, -1, "2A", {}, 3, "picture read in part", 0, Told::kInPart,
       kStrPictureInPart},
      {"cut PNG stored beside", ".\\pic.png", &cutPng, -1, "2A", {}, 0, "picture file not read", 3, Told::kNotRead,
       kStrPictureNotRead},
      {"no definition", "pic.png", &png, -1, "2B", {}, 0, "no picture file named", 3, Told::kCount,
       kStrLostPictureUnnamed},
  };
  const std::string claiming = PngClaimingMoreThanItsData();
  cases[2].bytes = &claiming;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::ScratchDir dir;
    const bool jpg = c.stored.ends_with(".jpg");
    const std::string file = (dir / (jpg ? "pic.jpg" : "pic.png")).string();
    if (c.bytes) {
      ASSERT_TRUE(test::SaveBytes(file, {c.bytes->begin(), c.bytes->end()}));
    }
    const WString drawing = WString::FromUtf8((dir / "plan.dxf").string());
    Loaded loaded = Load(ThreeImagesDrawing(c.stored, c.collapsed, c.handle, c.odd ? &*c.odd : nullptr), drawing);
    ASSERT_TRUE(loaded.result.Ok());
    ASSERT_EQ(loaded.objects.size(), 1 + c.shown);
    EXPECT_EQ(loaded.objects[0]->AsBitmap(), nullptr);
    for (std::size_t k = 1; k <= c.shown; ++k) EXPECT_NE(loaded.objects[k]->AsBitmap(), nullptr);
    EXPECT_EQ(loaded.report.entities["IMAGE"], 3u);
    const std::uint64_t counted = c.told == Told::kCount ? c.skipped : 3;
    EXPECT_EQ(loaded.report.skippedReasons["IMAGE"], (std::map<std::string, std::uint64_t>{{c.reason, counted}}));
    EXPECT_EQ(loaded.report.skipped["IMAGE"], c.skipped);
    const WString name =
        c.told == Told::kCount ? WString::FromUtf8(std::to_string(c.skipped))
        : c.told == Told::kNotFound ? WString::FromUtf8(c.stored) : WString::FromUtf8(file);
    std::vector<std::string> warnings;
    for (const WString& warning : loaded.result.Warnings()) warnings.push_back(warning.ToUtf8());
    EXPECT_EQ(warnings, std::vector<std::string>{FormatPercentS(LoadLangString(c.text), name).ToUtf8()});
    EXPECT_FALSE(loaded.result.Partial());
  }
}

TEST(PictureRecords, ImageIsLoadedOnceAndAgainAfterTheSpool) {
  test::ScratchDir dir;
  const std::string file = (dir / "once.bmp").string();
  ASSERT_TRUE(test::SaveBytes(file, {kBmp.begin(), kBmp.end()}));
  YxxfReader reader(WString::FromUtf8((dir / "d.dxf").string()), 1);
  auto definition = std::make_unique<YxxfImageDefRec>();
  definition->fileName = WString(u"once.bmp");
  definition->handle = 0x2A;
  reader.imageDefs.Add(definition.release());
  cOneBitmap record;
  record.uVector = Vec3{1, 0, 0};
  record.vVector = Vec3{0, 1, 0};
  record.size[0] = 4;
  record.size[1] = 3;
  record.imageDefHandle = 0x2A;
  ImportMatrix identity;
  EXPECT_TRUE(record.MakeObject(nullptr, &reader, nullptr).Empty());
  ObjectChain first = record.MakeObject(&identity, &reader, nullptr);
  ASSERT_FALSE(first.Empty());
  std::filesystem::remove(file);
  ObjectChain second = record.MakeObject(&identity, &reader, nullptr);
  ASSERT_FALSE(second.Empty());
  EXPECT_EQ(second.Head()->AsBitmap()->Image(), first.Head()->AsBitmap()->Image());
  // The picture is not spooled: read back, the record looks for the file again.
  std::unique_ptr<cOneObjRec> back = SpoolRoundTrip(record);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(SpoolBytes(record).Count(), kSpoolBaseBytes + 96);
  EXPECT_TRUE(back->MakeObject(&identity, &reader, nullptr).Empty());
}

TEST(PictureRecords, OleRecordsSpoolTheirPictures) {
  YxxfGroupRecord group;
  const std::string bmpData = FrameData({OleNode::Stream("\001Ole10Native", "SIZE" + kBmp)});
  const std::string emfData = FrameData({OleNode::Stream("CONTENTS", test::SmallEmf())});
  ImportMatrix identity;
  for (const std::string* data : {&bmpData, &emfData}) {
    group.Clear();
    group.AddInt(70, 2);
    group.AddInt(90, std::int32_t(data->size()));
    for (std::size_t at = 0; at < data->size(); at += 127) {
      group.AddString(310, std::string_view(*data).substr(at, 127));
    }
    cOLE record(&group, entity::kOle2Frame);
    ASSERT_EQ(record.valid, 1);
    EXPECT_EQ(record.corners[2], kCorners[2]);
    std::unique_ptr<cOneObjRec> back = SpoolRoundTrip(record);
    ASSERT_NE(back, nullptr);
    auto* ole = dynamic_cast<cOLE*>(back.get());
    ASSERT_NE(ole, nullptr);
    EXPECT_EQ(ole->metafile != nullptr, data == &emfData);
    EXPECT_EQ(ole->bitmap != nullptr, data == &bmpData);
    ObjectChain made = back->MakeObject(&identity, nullptr, nullptr);
    ASSERT_FALSE(made.Empty());
    DPoint c[4];
    static_cast<cFramedPicture*>(made.Head())->GetCorners(c);
    ExpectNear(c[1], DPoint{110, -60}, "corner 2 after the spool");
  }
  cOLE empty;
  std::unique_ptr<cOneObjRec> back = SpoolRoundTrip(empty);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(SpoolBytes(empty).Count(), kSpoolBaseBytes + 104 + 2);
}

}  // namespace
}  // namespace kvn
