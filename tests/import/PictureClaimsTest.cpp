// Picture files weighed before their pixels are taken, opened as a user
// opens them: a header claiming more pixels than the file's data could hold
// is refused as damaged with little heap, whatever the format; a picture of
// 16-bit samples past the memory threshold is refused from its header with
// the bytes it would take; a picture whose data end early opens with what
// was decoded and tells it once.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "document/DocumentReaders.h"
#include "document/OpenDrawingFile.h"
#include "document/OpenFailureMessage.h"
#include "document/PartialReadNotice.h"
#include "document/cDrawingDoc.h"
#include "dwg/InstallReaders.h"
#include "foundation/CountingAlloc.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "import/pictures/PictureImport.h"
#include "model/cBitmap.h"
#include "platform/gdi/LeBytes.h"
#include "platform/image/ImageCodecs.h"
#include "platform/image/PictureDecode.h"
#include "render/PictureServicesImpl.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint8_t Sample(std::uint32_t x, std::uint32_t y, std::uint32_t s) { return std::uint8_t(x * 31 + y * 17 + s * 5); }

Bytes Jpeg(std::uint32_t width, std::uint32_t height, bool progressive = false) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = width;
  info.image_height = height;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(std::size_t(width) * 3);
  while (info.next_scanline < info.image_height) {
    for (std::uint32_t i = 0; i < row.size(); ++i) row[i] = Sample(i / 3, info.next_scanline, i % 3);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  Bytes out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

// A GIF of 16 colours in a pattern, written by giflib.
Bytes Gif(int width, int height) {
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
  if (!gif) return {};
  GifColorType colours[16];
  for (int i = 0; i < 16; ++i) colours[i] = {GifByteType(i * 16), GifByteType(255 - i * 16), GifByteType(i * 5)};
  ColorMapObject* map = GifMakeMapObject(16, colours);
  EGifPutScreenDesc(gif, width, height, 4, 0, map);
  EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
  std::vector<GifPixelType> line(static_cast<std::size_t>(width));
  for (int y = 0; y < height; ++y) {
    // Scattered colours: LZW packs them little, so the data spans many
    // sub-blocks and a cut leaves whole ones.
    for (int x = 0; x < width; ++x) line[std::size_t(x)] = std::uint8_t((std::uint32_t(x * 7 + y * 131) * 2654435761u) >> 28);
    EGifPutLine(gif, line.data(), width);
  }
  GifFreeMapObject(map);
  EGifCloseFile(gif, &error);
  return out;
}

// A little-endian TIFF whose directory comes first and whose strips follow,
// stored or in PackBits literals: `spp` samples of `bps` bits (8 or 16) a
// pixel, a fourth sample being alpha; the header may claim another size
// than the strips hold.
Bytes StripTiff(std::uint32_t width, std::uint32_t height, std::uint16_t spp, std::uint16_t bps,
                std::uint32_t rowsPerStrip, bool packBits, std::uint32_t claimedWidth = 0,
                std::uint32_t claimedHeight = 0) {
  const std::uint32_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;
  // The strips' bytes, each row coded alone as PackBits asks.
  std::vector<Bytes> coded(strips);
  for (std::uint32_t y = 0; y < height; ++y) {
    Bytes row;
    for (std::uint32_t x = 0; x < width; ++x)
      for (std::uint16_t s = 0; s < spp; ++s) {
        const std::uint8_t v = s == 3 ? 255 : Sample(x, y, s);
        row.push_back(v);
        if (bps == 16) row.push_back(v);
      }
    Bytes& strip = coded[y / rowsPerStrip];
    for (std::size_t at = 0; at < row.size(); at += 128) {
      const std::size_t n = std::min<std::size_t>(128, row.size() - at);
      if (packBits) strip.push_back(std::uint8_t(n - 1));
      strip.insert(strip.end(), row.begin() + std::ptrdiff_t(at), row.begin() + std::ptrdiff_t(at + n));
    }
  }
  struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count, value;
  };
  std::vector<Entry> entries = {{256, 4, 1, claimedWidth ? claimedWidth : width},
                                {257, 4, 1, claimedHeight ? claimedHeight : height},
                                {258, 3, spp, bps},
                                {259, 3, 1, packBits ? 32773u : 1u},
                                {262, 3, 1, spp >= 3 ? 2u : 1u},
                                {273, 4, strips, 0},
                                {277, 3, 1, spp},
                                {278, 4, 1, claimedHeight ? claimedHeight : rowsPerStrip},
                                {279, 4, strips, 0}};
  if (spp == 4) entries.push_back({338, 3, 1, 2});
  const std::uint32_t ifdBytes = 2 + 12 * std::uint32_t(entries.size()) + 4;
  // Arrays after the directory: bits per sample, strip offsets and counts.
  const std::uint32_t bpsAt = 8 + ifdBytes, offsetsAt = bpsAt + 2u * spp, countsAt = offsetsAt + 4 * strips;
  const std::uint32_t dataAt = countsAt + 4 * strips;
  Bytes b(dataAt, 0);
  b[0] = 'I', b[1] = 'I', b[2] = 42;
  le::Put32(b.data() + 4, 8);
  le::Put16(b.data() + 8, std::uint16_t(entries.size()));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    Entry e = entries[i];
    if (e.tag == 258 && spp > 2) e.value = bpsAt;
    if (e.tag == 273) e.value = strips == 1 ? dataAt : offsetsAt;
    if (e.tag == 279) e.value = strips == 1 ? std::uint32_t(coded[0].size()) : countsAt;
    std::uint8_t* p = b.data() + 10 + 12 * i;
    le::Put16(p, e.tag);
    le::Put16(p + 2, e.type);
    le::Put32(p + 4, e.count);
    if (e.type == 3 && e.count == 2) {
      le::Put16(p + 8, std::uint16_t(e.value));
      le::Put16(p + 10, std::uint16_t(e.value));
    } else if (e.type == 3) {
      le::Put16(p + 8, std::uint16_t(e.value));
    } else {
      le::Put32(p + 8, e.value);
    }
  }
  for (std::uint16_t s = 0; s < spp; ++s) le::Put16(b.data() + bpsAt + 2 * s, bps);
  for (std::uint32_t s = 0; s < strips; ++s) {
    le::Put32(b.data() + offsetsAt + 4 * s, std::uint32_t(b.size()));
    le::Put32(b.data() + countsAt + 4 * s, std::uint32_t(coded[s].size()));
    b.insert(b.end(), coded[s].begin(), coded[s].end());
  }
  return b;
}

// A BMP of 16 x 8 pixels in 8-bit runs (a palette of two colours), each row
// two runs and a line end, the bitmap's end after the last; the header may
// claim another size.
Bytes RunsBmp(std::int32_t claimedWidth = 16, std::int32_t claimedHeight = 8) {
  Bytes runs;
  for (int y = 0; y < 8; ++y) runs.insert(runs.end(), {8, std::uint8_t(y & 1), 8, 1, 0, 0});
  runs.insert(runs.end(), {0, 1});
  const std::uint32_t offset = 14 + 40 + 8;
  Bytes b(offset, 0);
  b[0] = 'B', b[1] = 'M';
  le::Put32(b.data() + 2, offset + std::uint32_t(runs.size()));
  le::Put32(b.data() + 10, offset);
  le::Put32(b.data() + 14, 40);
  le::Put32(b.data() + 18, std::uint32_t(claimedWidth));
  le::Put32(b.data() + 22, std::uint32_t(claimedHeight));
  le::Put16(b.data() + 26, 1);
  le::Put16(b.data() + 28, 8);
  le::Put32(b.data() + 30, 1);  // runs of 8 bits
  le::Put32(b.data() + 34, std::uint32_t(runs.size()));
  le::Put32(b.data() + 46, 2);
  le::Put32(b.data() + 58, 0xFFFFFF);
  b.insert(b.end(), runs.begin(), runs.end());
  return b;
}

Bytes StoredBmp(std::int32_t claimedWidth, std::int32_t claimedHeight) {
  const std::uint32_t stride = 16 * 3;
  Bytes b(54 + stride * 8, 0x40);
  std::fill(b.begin(), b.begin() + 54, 0);
  b[0] = 'B', b[1] = 'M';
  le::Put32(b.data() + 2, std::uint32_t(b.size()));
  le::Put32(b.data() + 10, 54);
  le::Put32(b.data() + 14, 40);
  le::Put32(b.data() + 18, std::uint32_t(claimedWidth));
  le::Put32(b.data() + 22, std::uint32_t(claimedHeight));
  le::Put16(b.data() + 26, 1);
  le::Put16(b.data() + 28, 24);
  return b;
}

void PutBe32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (24 - 8 * i));
}

// The PNG with its header chunk made to claim the size, depth and colour
// type, its check sum made again.
Bytes ClaimPng(Bytes b, std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t colourType) {
  PutBe32(b, 16, width);
  PutBe32(b, 20, height);
  b[24] = depth;
  b[25] = colourType;
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 12; i < 29; ++i) {
    crc ^= b[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  PutBe32(b, 29, crc ^ 0xFFFFFFFF);
  return b;
}

Bytes Png(std::int32_t width, std::int32_t height) {
  TDib dib;
  EXPECT_TRUE(dib.Create(width, height, 24));
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x)
      dib.SetPixel(x, y, std::uint32_t(Sample(std::uint32_t(x), std::uint32_t(y), 0)) * 0x010101u);
  Bytes b;
  EXPECT_TRUE(EncodeDibAsContainer(dib, nullptr, PictureContainer::kPng, &b));
  return b;
}

void PutBe16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = std::uint8_t(v >> 8);
  b[at + 1] = std::uint8_t(v);
}

Bytes ClaimJpeg(Bytes b, std::uint16_t width, std::uint16_t height) {
  for (std::size_t i = 2; i + 9 < b.size(); ++i) {
    if (b[i] == 0xFF && b[i + 1] == 0xC0) {
      PutBe16(b, i + 5, height);
      PutBe16(b, i + 7, width);
      break;
    }
  }
  return b;
}

// The logical screen and the first frame made to claim the size.
Bytes ClaimGif(Bytes b, std::uint16_t width, std::uint16_t height) {
  le::Put16(b.data() + 6, width);
  le::Put16(b.data() + 8, height);
  const std::size_t frame = 13 + 16 * 3;  // after the global table of 16 colours
  EXPECT_EQ(b[frame], ',');
  le::Put16(b.data() + frame + 5, width);
  le::Put16(b.data() + frame + 7, height);
  return b;
}

// The project's own TIFF writer (LZW), its first directory made to claim the
// size.
Bytes ClaimLzwTiff(std::uint32_t width, std::uint32_t height) {
  TDib dib;
  EXPECT_TRUE(dib.Create(16, 8, 24));
  Bytes b;
  EXPECT_TRUE(EncodeDibAsContainer(dib, nullptr, PictureContainer::kTiff, &b));
  const std::uint32_t ifd = le::U32(b.data() + 4);
  for (std::uint16_t e = 0; e < le::U16(b.data() + ifd); ++e) {
    std::uint8_t* entry = b.data() + ifd + 2 + 12 * e;
    const std::uint16_t tag = le::U16(entry), type = le::U16(entry + 2);
    if (tag != 256 && tag != 257) continue;
    const std::uint32_t v = tag == 256 ? width : height;
    if (type == 3) le::Put16(entry + 8, std::uint16_t(v));
    else le::Put32(entry + 8, v);
  }
  return b;
}

class PictureClaimsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallRendererPictureServices();
    InstallReaders(registry_);
  }
  DocumentResult Open(const Bytes& bytes, const char* name = "picture") {
    path_ = scratch_ / name;
    std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    OpenRequest request;
    request.quiet = true;
    return OpenDrawing(Path(), request, registry_);
  }
  WString Path() const { return WString::FromUtf8(path_.string()); }
  // Counts the heap's peak from here.
  static std::uint64_t StartPeak() {
    alloc_testing::SetCounters(GetAllocatedBytes(), GetAllocatedBytes());
    return GetAllocatedBytes();
  }

  FormatRegistry registry_;
  test::ScratchDir scratch_;
  std::filesystem::path path_;
};

constexpr std::uint64_t kSmallHeap = std::uint64_t(16) << 20;

// Every claim is within the memory threshold (the bitmaps take 0.25 to 1.5
// GB): only the data bound refuses it.
TEST_F(PictureClaimsTest, HeadersClaimingMorePixelsThanTheirDataHoldAreDamaged) {
  struct Claim {
    const char* name;
    const char* format;
    std::function<Bytes()> file;
  };
  const Claim claims[] = {
      {"BMP", "BMP", [] { return StoredBmp(20000, 20000); }},
      {"BMP, runs", "BMP", [] { return RunsBmp(20000, 25000); }},
      {"PNG, 8 bits", "PNG", [] { return ClaimPng(Png(16, 8), 20000, 25000, 8, 2); }},
      {"PNG, 16 bits", "PNG", [] { return ClaimPng(Png(16, 8), 20000, 25000, 16, 0); }},
      {"JPEG", "JPEG", [] { return ClaimJpeg(Jpeg(16, 8), 20000, 25000); }},
      {"TIFF, LZW", "TIFF", [] { return ClaimLzwTiff(20000, 25000); }},
      {"TIFF, stored", "TIFF", [] { return StripTiff(16, 8, 3, 8, 8, false, 20000, 25000); }},
      {"TIFF, PackBits", "TIFF", [] { return StripTiff(16, 8, 3, 8, 8, true, 20000, 25000); }},
      {"GIF", "GIF", [] { return ClaimGif(Gif(16, 8), 20000, 25000); }},
  };
  for (const Claim& claim : claims) {
    SCOPED_TRACE(claim.name);
    const Bytes bytes = claim.file();
    PictureInfo info;
    EXPECT_EQ(ProbePicture(bytes.data(), bytes.size(), &info), PictureStatus::kDamaged);
    EXPECT_GT(info.pixelBytes, std::uint64_t(200'000'000));
    EXPECT_LE(info.pixelBytes, kLowMemoryThreshold);
    const std::uint64_t before = StartPeak();
    const DocumentResult result = Open(bytes);
    EXPECT_LT(GetPeakAllocatedBytes() - before, kSmallHeap);
    EXPECT_EQ(result.Code(), kOpenPictureFailed);
    EXPECT_EQ(result.Cause(), kOpenUnknownFileFormat);
    EXPECT_EQ(result.Detail().ToUtf8(), claim.format);
  }
}

TEST_F(PictureClaimsTest, SixteenBitPicturesPastTheThresholdAreRefusedFromTheirHeader) {
  struct Claim {
    const char* name;
    Bytes file;
    // The bitmap, and beside it the samples read at 16 bits (PNG) or the
    // RGBA raster (TIFF), and a row pointer a row (PNG).
    std::uint64_t bytes;
  };
  const std::uint64_t png = 12000ull * 12000;
  const std::uint64_t tiff = 15000ull * 15000;
  const Claim claims[] = {
      {"PNG, RGBA", ClaimPng(Png(16, 8), 12000, 12000, 16, 6), png * 4 + png * 8 + 12000 * 8},
      {"TIFF, RGBA", StripTiff(16, 8, 4, 16, 8, false, 15000, 15000), tiff * 4 + tiff * 4},
  };
  for (const Claim& claim : claims) {
    SCOPED_TRACE(claim.name);
    ASSERT_GT(claim.bytes, kLowMemoryThreshold);
    const std::uint64_t before = StartPeak();
    const DocumentResult result = Open(claim.file);
    EXPECT_LT(GetPeakAllocatedBytes() - before, kSmallHeap);
    EXPECT_EQ(result.Code(), kOpenPictureFailed);
    EXPECT_EQ(result.Cause(), kOpenPictureTooLarge);
    const std::string message = MakeOpenFailureMessage(result, Path()).text.ToUtf8();
    const std::string reason =
        FormatPercentS(LoadLangString(kStrReasonPictureTooLarge), WString::FromUtf8(std::to_string(claim.bytes)))
            .ToUtf8();
    EXPECT_EQ(message.substr(message.size() - std::min(message.size(), reason.size())), reason);
    // Placed in a drawing, the picture is weighed alike.
    PictureInfo info;
    EXPECT_EQ(ProbePicture(claim.file.data(), claim.file.size(), &info), PictureStatus::kTooLarge);
    EXPECT_EQ(info.pixelBytes, claim.bytes);
    EXPECT_EQ(LoadPictureObject(nullptr, nullptr, Path(), 1.0, false, &info), nullptr);
    EXPECT_TRUE(info.tooLarge);
  }
  // At 8 bits the same sizes fit (and the data cannot fill them).
  for (const Bytes& file : {ClaimPng(Png(16, 8), 12000, 12000, 8, 6), StripTiff(16, 8, 4, 8, 8, false, 15000, 15000)}) {
    PictureInfo info;
    EXPECT_EQ(ProbePicture(file.data(), file.size(), &info), PictureStatus::kDamaged);
  }
}

// Where the last scan of a progressive JPEG starts: its data cut there end
// between two scans, with nothing of a scan cut short.
std::size_t LastScan(const Bytes& jpeg) {
  std::size_t last = 0;
  // Inside coded data a 0xFF byte is followed by 0: FF DA is a marker.
  for (std::size_t i = 0; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) last = i;
  return last;
}

// Every row of `read` is the row of `whole`, or none of its pixels was
// read (index 0 everywhere): a mended end never makes up pixels.
void ExpectRowsWholeOrUnread(const TDib& read, const TDib& whole, std::size_t cut) {
  std::int32_t unread = 0;
  for (std::int32_t y = 0; y < whole.Height(); ++y) {
    bool same = true, blank = true;
    for (std::int32_t x = 0; x < whole.Width(); ++x) {
      std::uint32_t a = 0, b = 0;
      EXPECT_TRUE(read.GetPixel(x, y, &a) && whole.GetPixel(x, y, &b));
      same = same && a == b;
      blank = blank && a == 0;
    }
    EXPECT_TRUE(same || blank) << "row " << y << " cut at " << cut;
    unread += !same;
  }
  EXPECT_GT(unread, 0) << "cut at " << cut;
}

TEST_F(PictureClaimsTest, PicturesWhoseDataEndEarlyOpenWithWhatWasReadAndTellItOnce) {
  struct Cut {
    const char* name;
    Bytes whole;
    // Where the data end (six tenths of the file when 0); the top row's
    // largest difference from the whole picture's in any channel; how many
    // cuts past the first, a byte apart, are decoded.
    std::size_t at = 0;
    int topDifference = 0;
    std::size_t moreCuts = 0;
  };
  const Bytes progressive = Jpeg(64, 48, true);
  const Cut cuts[] = {
      {"JPEG", Jpeg(64, 48)},
      // Every scan but the last, the refinement of the luma's last bit:
      // close, though a pattern this fine moves by up to 40.
      {"JPEG, progressive, between its scans", progressive, LastScan(progressive), 48},
      {"TIFF, grey", StripTiff(32, 32, 1, 8, 4, true)},
      {"TIFF, 16-bit RGB", StripTiff(32, 32, 3, 16, 4, true)},
      {"GIF", Gif(96, 64), 0, 0, 300},
      // Its data one sub-block, cut inside it.
      {"GIF, small", Gif(12, 12), 0, 0, 30},
  };
  for (const Cut& cut : cuts) {
    SCOPED_TRACE(cut.name);
    TDib whole;
    PictureInfo info;
    ASSERT_EQ(DecodePicture(cut.whole.data(), cut.whole.size(), &whole, &info), PictureStatus::kOk);
    EXPECT_FALSE(info.repaired);
    const DocumentResult intact = Open(cut.whole, "whole");
    ASSERT_TRUE(intact.Ok());
    EXPECT_FALSE(intact.Partial());

    const std::size_t end = cut.at != 0 ? cut.at : cut.whole.size() * 6 / 10;
    ASSERT_GT(end, 0u);
    const Bytes part(cut.whole.begin(), cut.whole.begin() + std::ptrdiff_t(end));
    TDib read;
    ASSERT_EQ(DecodePicture(part.data(), part.size(), &read, &info), PictureStatus::kOk);
    EXPECT_TRUE(info.repaired);
    ASSERT_EQ(read.Width(), whole.Width());
    ASSERT_EQ(read.Height(), whole.Height());
    // The top row came before the cut.
    for (std::int32_t x = 0; x < whole.Width(); ++x) {
      const std::uint32_t a = read.GetPixelColor(x, 0), b = whole.GetPixelColor(x, 0);
      for (int shift : {0, 8, 16}) {
        EXPECT_LE(std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)), cut.topDifference) << x;
      }
    }
    // Paletted pictures cut byte by byte show whole rows, or rows not read.
    for (std::size_t more = 0; more <= cut.moreCuts && cut.moreCuts != 0 && end + more < cut.whole.size(); ++more) {
      const Bytes shorter(cut.whole.begin(), cut.whole.begin() + std::ptrdiff_t(end + more));
      if (DecodePicture(shorter.data(), shorter.size(), &read, &info) != PictureStatus::kOk) continue;
      EXPECT_TRUE(info.repaired);
      ExpectRowsWholeOrUnread(read, whole, end + more);
    }

    const DocumentResult result = Open(part, "cut");
    ASSERT_TRUE(result.Ok());
    EXPECT_TRUE(result.Partial());
    const cOutObj* object = result.Document()->GetFirstSheet()->TopBlock().FirstObject();
    ASSERT_NE(object, nullptr);
    EXPECT_NE(object->AsBitmap(), nullptr);
    const std::u16string told(OpenWarningText(result, Path()).View());
    const std::u16string notice(LoadLangString(kStrPartialReadShown).View());
    const std::size_t at = told.find(notice);
    ASSERT_NE(at, std::u16string::npos) << WString(told).ToUtf8();
    EXPECT_EQ(told.find(notice, at + 1), std::u16string::npos) << WString(told).ToUtf8();
  }
}

}  // namespace
}  // namespace kvn
