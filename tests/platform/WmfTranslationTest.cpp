// Windows-metafile records that the translation used to drop: device-
// dependent bitmaps of 4 (packed and planar), 8 and 16 bits come out in the
// default palettes' colours when played, a metafile-comment escape is kept
// as an EMF comment while a driver escape is skipped, and text
// justification reaches the EMF.
#include <gtest/gtest.h>
#include <uemf.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "foundation/GrowArray.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RasterDC.h"
#include "platform/metafile/EmfPlayer.h"
#include "platform/metafile/WmfBitmap16.h"
#include "platform/metafile/WmfDrawnBounds.h"
#include "platform/metafile/WmfToEmf.h"

namespace kvn {
namespace wmf_translation {

using Bytes = std::vector<std::uint8_t>;

// A plain WMF: 18-byte header, records of {u32 words, u16 function,
// 16-bit words, raw bytes}, META_EOF.
class Writer {
 public:
  Writer() : bytes_(18, 0) {
    le::Put16(&bytes_[0], 1);
    le::Put16(&bytes_[2], 9);
    le::Put16(&bytes_[4], 0x300);
  }
  void Record(std::uint16_t function, const std::vector<std::int32_t>& words, const Bytes& tail = {}) {
    const std::size_t at = bytes_.size();
    const std::size_t params = 2 * words.size() + tail.size() + (tail.size() & 1);
    bytes_.resize(at + 6 + params, 0);
    le::Put32(&bytes_[at], std::uint32_t((6 + params) / 2));
    le::Put16(&bytes_[at + 4], function);
    for (std::size_t i = 0; i < words.size(); ++i) le::Put16(&bytes_[at + 6 + 2 * i], std::uint16_t(words[i]));
    if (!tail.empty()) std::memcpy(&bytes_[at + 6 + 2 * words.size()], tail.data(), tail.size());
  }
  Bytes Finish() {
    Record(0x0000, {});
    le::Put32(&bytes_[6], std::uint32_t(bytes_.size() / 2));
    return bytes_;
  }

 private:
  Bytes bytes_;
};

// A 100 x 100 unit picture of 100 x 100 pixels.
std::optional<EmfDocument> Convert(const Bytes& wmf, ByteArray* emf) {
  WmfPicture picture;
  picture.hasWindow = true;
  picture.windowWidth = picture.windowHeight = 100;
  picture.hasSize = true;
  picture.widthHmm = picture.heightHmm = 2646;  // 100 pixels at 96 per inch
  if (!ConvertWmfToEmf(wmf.data(), wmf.size(), picture, *emf)) return std::nullopt;
  return EmfDocument::FromBytes(emf->Items(), emf->Count());
}

// A Bitmap16 of two pixels side by side: header {type, width, height,
// width bytes, planes, bits per pixel} and rows padded to 16 bits.
Bytes Bitmap16(std::uint8_t planes, std::uint8_t bpp, const Bytes& row) {
  Bytes b(10, 0);
  le::Put16(&b[2], 2);
  le::Put16(&b[4], 1);
  le::Put16(&b[6], std::uint16_t(row.size() / planes));
  b[8] = planes;
  b[9] = bpp;
  b.insert(b.end(), row.begin(), row.end());
  return b;
}

struct BitmapCase {
  const char* name;
  Bytes bitmap;
  std::uint32_t left, right;  // 0x00RRGGBB expected
};

TEST(WmfTranslation, DeviceDependentBitmapsOfEveryDepthAreDrawnInTheDefaultColours) {
  const BitmapCase cases[] = {
      {"4 bits packed (VGA red, blue)", Bitmap16(1, 4, {0x9C, 0x00}), 0xFF0000, 0x0000FF},
      // Four planes of one bit: plane bits of pixel 0 give 9 (1001), of pixel 1 give 12 (1100).
      {"4 bits in planes", Bitmap16(4, 1, {0x80, 0x00, 0x00, 0x00, 0x40, 0x00, 0xC0, 0x00}), 0xFF0000, 0x0000FF},
      {"8 bits (static red, cube blue)", Bitmap16(1, 8, {249, 15}), 0xFF0000, 0x0000FF},
      {"16 bits 5-5-5", Bitmap16(1, 16, {0x00, 0x7C, 0x1F, 0x00}), 0xFF0000, 0x0000FF},
  };
  for (const BitmapCase& c : cases) {
    SCOPED_TRACE(c.name);
    Writer w;
    w.Record(0x020C, {100, 100});  // SETWINDOWEXT
    // STRETCHBLT SRCCOPY: source 2 x 1 at 0, 0 onto 0, 0, 100 x 100.
    w.Record(0x0B23, {0x0020, 0x00CC, 1, 2, 0, 0, 100, 100, 0, 0}, c.bitmap);
    ByteArray bytes;
    const std::optional<EmfDocument> emf = Convert(w.Finish(), &bytes);
    ASSERT_TRUE(emf);
    std::vector<std::uint8_t> bits(100 * 100 * 4, 0x80);
    auto dc = RasterDC::Create(bits.data(), 100, 100);
    EmfPlayStats stats;
    EXPECT_TRUE(PlayEnhMetaFile(*dc, *emf, TRect{0, 0, 100, 100}, &stats));
    EXPECT_EQ(stats.unplayed, 0u);
    dc->Flush();
    auto at = [&](int x, int y) {
      const std::uint8_t* p = bits.data() + (y * 100 + x) * 4;
      return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
    };
    EXPECT_EQ(at(25, 50), c.left);
    EXPECT_EQ(at(75, 50), c.right);
  }
}

TEST(WmfTranslation, DefaultPalettesHoldTheStaticColoursAndTheCube) {
  EXPECT_EQ(DefaultPaletteColor(4, 7), 0xC0C0C0u);
  EXPECT_EQ(DefaultPaletteColor(8, 0), 0x000000u);
  EXPECT_EQ(DefaultPaletteColor(8, 8), 0xC0DCC0u);
  EXPECT_EQ(DefaultPaletteColor(8, 10), 0x000000u);   // the cube starts black
  EXPECT_EQ(DefaultPaletteColor(8, 225), 0xFFFFFFu);  // and ends white
  EXPECT_EQ(DefaultPaletteColor(8, 255), 0xFFFFFFu);
}

// The EMF records after the header, as {type, record bytes}.
std::vector<std::pair<std::uint32_t, Bytes>> Records(const ByteArray& emf) {
  std::vector<std::pair<std::uint32_t, Bytes>> out;
  std::uint32_t at = 0;
  while (at + 8 <= emf.Count()) {
    const std::uint32_t size = le::U32(emf.Items() + at + 4);
    if (size < 8 || size > emf.Count() - at) break;
    out.emplace_back(le::U32(emf.Items() + at), Bytes(emf.Items() + at, emf.Items() + at + size));
    at += size;
  }
  return out;
}

TEST(WmfTranslation, CommentEscapesAreKeptDriverEscapesSkippedJustificationPassedOn) {
  Writer w;
  w.Record(0x0626, {15, 5}, Bytes{'n', 'o', 't', 'e', '!'});  // ESCAPE MFCOMMENT
  w.Record(0x0626, {4100, 2}, Bytes{1, 2});                    // a driver's escape
  w.Record(0x020A, {3, 12});                                   // SETTEXTJUSTIFICATION count 3, extra 12
  ByteArray bytes;
  ASSERT_TRUE(Convert(w.Finish(), &bytes));
  int comments = 0, justifications = 0;
  for (const auto& [type, record] : Records(bytes)) {
    if (type == U_EMR_COMMENT) {
      ++comments;
      ASSERT_EQ(record.size(), 20u);
      EXPECT_EQ(le::U32(&record[8]), 5u);
      EXPECT_EQ(0, std::memcmp(&record[12], "note!", 5));
    }
    if (type == U_EMR_SETTEXTJUSTIFICATION) {
      ++justifications;
      EXPECT_EQ(le::I32(&record[8]), 12);  // extra
      EXPECT_EQ(le::I32(&record[12]), 3);  // count
    }
  }
  EXPECT_EQ(comments, 1);
  EXPECT_EQ(justifications, 1);
}

TEST(WmfTranslation, PlainWmfWithoutWindowIsFramedByWhatItDraws) {
  Writer w;
  w.Record(0x0102, {1});                         // SETBKMODE: not drawing
  w.Record(0x041B, {700, 900, 600, 500});        // RECTANGLE 500,600 .. 900,700
  w.Record(0x0324, {3, 450, 620, 500, 650, 480, 690});  // POLYGON reaching left to 450
  w.Record(0x012E, {24});                        // TA_BASELINE
  Bytes font(18, 0);
  le::Put16(font.data(), std::uint16_t(-20));
  w.Record(0x02FB, {}, font);                    // CREATEFONTINDIRECT 20 high, slot 0
  w.Record(0x012D, {0});
  w.Record(0x0521, {4}, Bytes{'T', 'e', 'x', 't', 0xEE, 0x02, 0xF4, 0x01});  // TEXTOUT at 500, 750
  const Bytes wmf = w.Finish();
  WmfBounds b;
  ASSERT_TRUE(WmfDrawnBounds(wmf.data(), wmf.size(), &b));
  EXPECT_EQ(b.left, 450);
  EXPECT_EQ(b.top, 600);
  EXPECT_EQ(b.right, 900);
  EXPECT_EQ(b.bottom, 754);  // the text's descent below its baseline at 750

  ByteArray emf;
  ASSERT_TRUE(ConvertWmfToEmf(wmf.data(), wmf.size(), WmfPicture{}, emf));
  const std::optional<EmfDocument> doc = EmfDocument::FromBytes(emf.Items(), emf.Count());
  ASSERT_TRUE(doc);
  // 450 x 154 units at 96 per inch: the frame is the drawing, not the device.
  EXPECT_EQ(doc->Header().bounds.right, 449);
  EXPECT_EQ(doc->Header().bounds.bottom, 153);
  // The rectangle's corner lands 50 pixels in from the frame's left edge.
  std::vector<std::uint8_t> bits(450 * 154 * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), 450, 154);
  EXPECT_TRUE(PlayEnhMetaFile(*dc, *doc, TRect{0, 0, 450, 154}));
  dc->Flush();
  EXPECT_LT(bits[(10 * 450 + 50) * 4], 128);   // the rectangle's top-left corner
  EXPECT_EQ(bits[(10 * 450 + 40) * 4], 0xFF);  // left of it, above the polygon
}

}  // namespace wmf_translation
}  // namespace kvn
