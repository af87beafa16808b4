// Native files of the 3060, 3080 and 3111 rows holding the sample pictures
// (24-bit, RLE8, OS/2 1-bit, both JPEGs) and metafiles (EMF, and WMF in the
// oldest row), written record by record from the record tables: they open,
// keep every picture, and draw on the raster surface and through a
// recording device context; damaged pictures draw nothing and crash nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/InFileStream.h"
#include "model/ObjectTypes.h"
#include "model/cBitmap.h"
#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RecordingDC.h"
#include "render/DrawInfo.h"
#include "render/PictureServicesImpl.h"
#include "render/RasterSurface.h"
#include "tests/render/RasterTestSupport.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/RecordFixtures.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// The packed DIB of a .bmp file as the reader widens it; empty when refused.
std::vector<std::uint8_t> PackedDib(const std::filesystem::path& path) {
  const auto bytes = ReadFile(path);
  ByteArray data;
  data.Append(bytes.data(), std::uint32_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(data);
  const TDib dib = TDib::FromBmpStream(in);
  return {dib.PackedDib(), dib.PackedDib() + dib.PackedDibSize()};
}

// The raw packed DIB after the 14-byte file header, unchecked.
std::vector<std::uint8_t> RawPackedDib(const std::filesystem::path& path) {
  auto bytes = ReadFile(path);
  if (bytes.size() > 14) bytes.erase(bytes.begin(), bytes.begin() + 14);
  return bytes;
}

struct PictureRecord {
  DPoint origin;
  DPoint size;
  std::vector<std::uint8_t> bytes;
  bool encoded = false;
};

void WriteBitmapRecord(ArchiveWriter& w, int version, const PictureRecord& p) {
  w.WriteByte(kTypeBitmap);
  test::WriteHeaderAt(w, version, test::HeaderFixture{});
  if (version < 3061) {
    test::WriteFloatPoint(w, p.origin.x, p.origin.y);
    test::WriteFloatPoint(w, p.size.x, p.size.y);
  } else {
    w.WriteRealPoint(p.origin);
    w.WriteRealPoint(p.size);
    if (version >= 3088) w.WriteCompactDouble(30);
    if (version >= 3092) {
      w.WriteColor(0x00FFFFFF);
      w.WriteCompactDouble(5);
    }
    if (version >= 3106) w.WriteBit(false);
    w.Flush();
  }
  if (version >= 3067) w.WriteBit(p.encoded);
  w.WriteRaw32(std::uint32_t(p.bytes.size()));
  w.Write(p.bytes.data(), std::uint32_t(p.bytes.size()));
}

void WriteWmfRecord(ArchiveWriter& w, int version, DPoint origin, DPoint size, const std::vector<std::uint8_t>& bytes) {
  w.WriteByte(kTypeWmf);
  test::WriteHeaderAt(w, version, test::HeaderFixture{});
  if (version < 3061) {
    test::WriteFloatPoint(w, origin.x, origin.y);
    test::WriteFloatPoint(w, size.x, size.y);
    w.WriteUInt16(4000);
    w.WriteUInt16(3000);
  } else {
    w.WriteRealPoint(origin);
    w.WriteRealPoint(size);
    if (version >= 3088) w.WriteCompactDouble(90);
    w.Flush();
  }
  w.WriteRaw32(std::uint32_t(bytes.size()));
  w.Write(bytes.data(), std::uint32_t(bytes.size()));
}

struct Loaded {
  std::unique_ptr<cDrawingDoc> doc;
  int bitmaps = 0;
  int metafiles = 0;
  int withPicture = 0;
  int withMetafile = 0;
};

Loaded Open(const std::vector<std::uint8_t>& file) {
  Loaded out;
  test::ScratchDir dir;
  const std::string path = (dir / "pictures.kvn").string();
  EXPECT_TRUE(test::SaveBytes(path, file));
  OpenRequest quiet;
  quiet.quiet = true;
  DocumentResult result = OpenDrawing(WString::FromUtf8(path), quiet);
  EXPECT_TRUE(result.Ok()) << result.Code();
  if (!result.Ok()) return out;
  out.doc = result.TakeDocument();
  for (cOutObj* o = out.doc->GetSheet(0)->TopBlock().FirstObject(); o; o = o->next) {
    if (cBitmap* b = o->AsBitmap()) {
      ++out.bitmaps;
      out.withPicture += b->StoredDib() || b->Encoded();
    }
    if (cWmf* m = o->AsWmf()) {
      ++out.metafiles;
      out.withMetafile += m->Bits() && m->Bits()->bytes;
    }
  }
  return out;
}

// Every object drawn on a raster surface (with its device context) and
// through a recording device context as a printer page.
void DrawAll(cDrawingDoc& doc) {
  auto surface = raster_test::MakeSurface(400, 300);
  ASSERT_NE(surface, nullptr);
  WorldMapping screen;
  screen.SetDeviceClip(DeviceRect{0, 0, 400, 300});
  RecordingDC printer;
  WorldMapping printing;
  printing.outputMode = OutputMode::DirectPrinter;
  for (cOutObj* o = doc.GetSheet(0)->TopBlock().FirstObject(); o; o = o->next) {
    cDrawInfo onScreen(screen, nullptr, surface->DC(), surface.get());
    o->Draw(&onScreen);
    cDrawInfo memoryOnly(screen, nullptr, nullptr, surface.get());
    o->Draw(&memoryOnly);
    cDrawInfo onPaper(printing, nullptr, &printer, nullptr);
    o->Draw(&onPaper);
  }
}

TEST(PictureFixtures, NativeFilesOfThreeRowsKeepAndDrawEveryPicture) {
  KVN_REQUIRE_TESTDATA(dir);
  InstallRendererPictureServices();
  const auto rgb24 = PackedDib(dir / "raster/imagers_rgb24.bmp");
  const auto rle8 = PackedDib(dir / "raster/imagers_pal8rle.bmp");
  const auto core1 = PackedDib(dir / "raster/imagers_Core_1_Bit.bmp");
  ASSERT_FALSE(rgb24.empty());
  ASSERT_FALSE(rle8.empty());
  ASSERT_FALSE(core1.empty());
  const auto jpeg1 = ReadFile(dir / "raster/imagers_cat_progressive.jpg");
  const auto jpeg2 = ReadFile(dir / "raster/libredwg_2000_Arc.jpg");
  std::vector<std::vector<std::uint8_t>> emfs;
  for (const char* name : {"metafile/libuemf_test_libuemf_ref.emf", "metafile/libuemf_test_libuemf_p_ref.emf",
                           "metafile/libuemf_test_mm_anisotropic_ref.emf", "metafile/emf2svg_EA-test-file-001.emf"})
    emfs.push_back(ReadFile(dir / name));
  std::vector<std::vector<std::uint8_t>> wmfs;
  for (const char* name : {"metafile/libuemf_test_libuemf_ref.wmf", "metafile/libwmf_sample.wmf",
                           "metafile/libwmf_text.wmf"}) {
    auto wmf = ReadFile(dir / name);
    if (wmf.size() > 22 && le::U32(wmf.data()) == 0x9AC6CDD7u) wmf.erase(wmf.begin(), wmf.begin() + 22);
    wmfs.push_back(std::move(wmf));
  }

  for (int version : {3060, 3080, 3111}) {
    SCOPED_TRACE(version);
    std::vector<PictureRecord> pictures = {{{10, 10}, {30, -20}, rgb24},
                                           {{50, 10}, {30, 20}, rle8},
                                           {{10, 40}, {30, 20}, core1}};
    if (version >= 3067) {
      pictures.push_back({{50, 40}, {40, 30}, jpeg1, true});
      pictures.push_back({{90, 40}, {40, 30}, jpeg2, true});
    }
    test::FixtureSheet sheet;
    sheet.levels = {{u"0"}};
    for (const PictureRecord& p : pictures)
      sheet.handWrittenObjects.push_back([version, p](ArchiveWriter& w) { WriteBitmapRecord(w, version, p); });
    const auto& metafiles = version < 3061 ? wmfs : emfs;
    for (std::size_t i = 0; i < metafiles.size(); ++i) {
      const auto bytes = metafiles[i];
      const DPoint origin{10.0 + 25 * double(i), 70};
      sheet.handWrittenObjects.push_back(
          [version, origin, bytes](ArchiveWriter& w) { WriteWmfRecord(w, version, origin, {20, -10}, bytes); });
    }
    std::vector<std::uint8_t> file;
    if (version < 3062) {
      test::SingleSheetFile single;
      single.version = version;
      single.sheet = sheet;
      file = test::WriteSingleSheetFile(single);
    } else {
      test::FixtureDocument doc;
      doc.version = version;
      doc.sheets = {sheet};
      file = test::WriteNativeFile(doc);
    }
    Loaded loaded = Open(file);
    ASSERT_NE(loaded.doc, nullptr);
    EXPECT_EQ(loaded.bitmaps, int(pictures.size()));
    EXPECT_EQ(loaded.withPicture, int(pictures.size()));
    EXPECT_EQ(loaded.metafiles, int(metafiles.size()));
    EXPECT_EQ(loaded.withMetafile, int(metafiles.size()));
    for (cOutObj* o = loaded.doc->GetSheet(0)->TopBlock().FirstObject(); o; o = o->next) {
      const cBitmap* b = o->AsBitmap();
      if (!b) continue;
      if (version < 3088) {
        EXPECT_GT(b->frame.height, 0);  // made positive
      }
      if (version >= 3092) {
        EXPECT_EQ(b->transparentColour, 0x00FFFFFFu);
      }
    }
    DrawAll(*loaded.doc);
  }
}

TEST(PictureFixtures, DamagedPicturesAndMetafilesDrawNothing) {
  KVN_REQUIRE_TESTDATA(dir);
  InstallRendererPictureServices();
  test::FixtureSheet sheet;
  sheet.levels = {{u"0"}};
  // The raw RLE overflow picture (checked on reading), a lying header and a
  // corrupt JPEG; a corrupt metafile.
  const auto overflow = RawPackedDib(dir / "raster/bad_imagers_rle_overflow.bmp");
  auto lying = PackedDib(dir / "raster/imagers_rgb24.bmp");
  ASSERT_GT(lying.size(), 40u);
  le::Put32(lying.data() + 4, 0x7FFFFFFF);  // width
  std::vector<std::uint8_t> badJpeg = ReadFile(dir / "raster/libredwg_2000_Arc.jpg");
  badJpeg.resize(badJpeg.size() / 3);
  for (std::size_t i = 200; i < badJpeg.size(); i += 7) badJpeg[i] ^= 0x5A;
  const auto badEmf = ReadFile(dir / "metafile/bad_emf2svg_corrupted_2014-12-02-215338.emf");
  const std::vector<PictureRecord> pictures = {
      {{0, 0}, {10, 10}, overflow}, {{0, 0}, {10, 10}, lying}, {{0, 0}, {10, 10}, badJpeg, true}};
  for (const PictureRecord& p : pictures)
    sheet.handWrittenObjects.push_back([p](ArchiveWriter& w) { WriteBitmapRecord(w, 3111, p); });
  sheet.handWrittenObjects.push_back(
      [badEmf](ArchiveWriter& w) { WriteWmfRecord(w, 3111, {0, 0}, {10, 10}, badEmf); });
  test::FixtureDocument doc;
  doc.sheets = {sheet};
  Loaded loaded = Open(test::WriteNativeFile(doc));
  ASSERT_NE(loaded.doc, nullptr);
  EXPECT_EQ(loaded.bitmaps, 3);
  EXPECT_EQ(loaded.metafiles, 1);
  DrawAll(*loaded.doc);
  auto surface = raster_test::MakeSurface(200, 200);
  WorldMapping screen;
  screen.SetDeviceClip(DeviceRect{0, 0, 200, 200});
  for (cOutObj* o = loaded.doc->GetSheet(0)->TopBlock().FirstObject(); o; o = o->next) {
    cDrawInfo info(screen, nullptr, surface->DC(), surface.get());
    // The overflowing RLE picture may be accepted (its runs are cut), the
    // others draw nothing.
    if (cBitmap* b = o->AsBitmap(); b && b->StoredDib() && b->StoredDib()->Compression() == kBiRle8) continue;
    o->Draw(&info);
  }
  EXPECT_EQ(raster_test::CountInk(*surface, raster_test::kPaper), 200 * 200);
}

}  // namespace
}  // namespace kvn
