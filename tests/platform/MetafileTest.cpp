#include <gtest/gtest.h>
#include <sys/mman.h>
#include <uemf.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "foundation/InFileStream.h"
#include "foundation/MsgBox.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/TDib.h"
#include "platform/metafile/EmfValidate.h"
#include "platform/metafile/ReadMetafileAsEmf.h"
#include "platform/metafile/WmfToEmf.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using Bytes = std::vector<std::uint8_t>;

// --- helpers ------------------------------------------------------------------------

class RecordingBoxes : public MessageBoxBackend {
 public:
  RecordingBoxes() { previous_ = SetMessageBoxBackend(this); }
  ~RecordingBoxes() override { SetMessageBoxBackend(previous_); }
  int Show(const cMsgDlg*, const WString& text, const WString&, std::uint32_t style) override {
    texts.push_back(text);
    styles.push_back(style);
    return kIdOk;
  }
  std::vector<WString> texts;
  std::vector<std::uint32_t> styles;

 private:
  MessageBoxBackend* previous_;
};

std::unique_ptr<ByteArray> Read(const Bytes& bytes) {
  ByteArray data;
  data.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(data);
  return ReadMetafileAsEmf(in, nullptr);
}

// The records of an EMF, in order: {type, offset}.
std::vector<std::pair<std::uint32_t, std::uint32_t>> Records(const ByteArray& emf) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
  std::uint32_t at = 0;
  while (at + 8 <= emf.Count()) {
    out.emplace_back(le::U32(emf.Items() + at), at);
    const std::uint32_t size = le::U32(emf.Items() + at + 4);
    if (size < 8) break;
    at += size;
  }
  return out;
}

// The first record of a type after `from` (an index into Records), or -1.
int Find(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& recs, std::uint32_t type, int from = 0) {
  for (int i = from; i < int(recs.size()); ++i) {
    if (recs[std::size_t(i)].first == type) return i;
  }
  return -1;
}

// An EMF written with libuemf: header, a few drawing records, EOF.
Bytes MakeEmf() {
  Bytes out;
  auto take = [&](char* rec) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(rec);
    out.insert(out.end(), p, p + le::U32(p + 4));
    std::free(rec);
  };
  const U_RECTL bounds{0, 0, 99, 49};
  take(U_EMRHEADER_set(bounds, U_RECTL{0, 0, 2646, 1323}, nullptr, 0, nullptr, U_SIZEL{1920, 1440},
                       U_SIZEL{508, 381}, 0));
  take(U_EMRSETMAPMODE_set(U_MM_TEXT));
  const U_POINT16 pts[3] = {{0, 0}, {50, 40}, {99, 0}};
  take(U_EMRPOLYLINE16_set(bounds, 3, pts));
  take(U_EMRRECTANGLE_set(U_RECTL{10, 10, 20, 20}));
  EMFTRACK track{};
  take(U_EMREOF_set(0, nullptr, &track));
  le::Put32(out.data() + 48, std::uint32_t(out.size()));
  le::Put32(out.data() + 52, 5);
  le::Put16(out.data() + 56, 1);
  return out;
}

// Builds WMF records: {u32 size in words, u16 function, 16-bit parameters}.
class WmfWriter {
 public:
  explicit WmfWriter(bool placeable) {
    if (placeable) {
      Bytes h(22, 0);
      le::Put32(h.data(), kPlaceableKey);
      le::Put16(h.data() + 10, 1000);  // box 0, 0, 1000, 500 at 1000 units per inch
      le::Put16(h.data() + 12, 500);
      le::Put16(h.data() + 14, 1000);
      le::Put16(h.data() + 20, PlaceableHeaderChecksum(h.data()));
      bytes_ = h;
    }
    start_ = bytes_.size();
    bytes_.resize(start_ + 18, 0);
    le::Put16(&bytes_[start_], 1);
    le::Put16(&bytes_[start_ + 2], 9);
    le::Put16(&bytes_[start_ + 4], 0x300);
  }
  // A record of 16-bit words and then raw bytes (padded to even).
  void Record(std::uint16_t function, std::vector<std::int32_t> words, const Bytes& tail = {}) {
    const std::size_t at = bytes_.size();
    const std::size_t paramBytes = 2 * words.size() + tail.size() + (tail.size() & 1);
    bytes_.resize(at + 6 + paramBytes, 0);
    le::Put32(&bytes_[at], std::uint32_t((6 + paramBytes) / 2));
    le::Put16(&bytes_[at + 4], function);
    for (std::size_t i = 0; i < words.size(); ++i) le::Put16(&bytes_[at + 6 + 2 * i], std::uint16_t(words[i]));
    if (!tail.empty()) std::memcpy(&bytes_[at + 6 + 2 * words.size()], tail.data(), tail.size());
  }
  Bytes Finish() {
    Record(0x0000, {});
    le::Put32(&bytes_[start_ + 6], std::uint32_t((bytes_.size() - start_) / 2));
    return bytes_;
  }

 private:
  Bytes bytes_;
  std::size_t start_ = 0;
};

Bytes Colour(std::uint32_t c) { return {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16), 0}; }

// A metafile that uses every kind of object and record the reader meets.
Bytes MakeWmf(bool placeable) {
  WmfWriter w(placeable);
  w.Record(0x020B, {0, 0});                      // SETWINDOWORG
  w.Record(0x020C, {500, 1000});                 // SETWINDOWEXT
  w.Record(0x0103, {1});                         // SETMAPMODE: dropped
  w.Record(0x02FA, {0, 3, 0, 0x00FF, 0});        // CREATEPENINDIRECT: slot 0, red, width 3
  w.Record(0x012D, {0});                         // SELECTOBJECT pen
  w.Record(0x02FC, {0, 0xFF00, 0, 0});           // CREATEBRUSHINDIRECT: slot 1, green
  w.Record(0x012D, {1});
  w.Record(0x041B, {400, 900, 100, 100});        // RECTANGLE b, r, t, l
  w.Record(0x0324, {3, 0, 0, 500, 400, 1000, 0});  // POLYGON
  w.Record(0x0538, {2, 3, 2, 0, 0, 10, 10, 20, 0, 5, 5, 6, 6});  // POLYPOLYGON
  w.Record(0x0817, {0, 0, 10, 10, 100, 100, 0, 0});  // ARC
  Bytes font(18, 0);
  le::Put16(font.data(), std::uint16_t(-40));  // height
  le::Put16(font.data() + 8, 700);             // weight
  font[13] = 238;                              // EASTEUROPE_CHARSET
  for (char c : std::string("Arial\0", 6)) font.push_back(std::uint8_t(c));
  w.Record(0x02FB, {}, font);                    // CREATEFONTINDIRECT: slot 2
  w.Record(0x012D, {2});
  w.Record(0x0521, {5}, Bytes{'H', 'e', 'l', 'l', 'o', 0, 0x2C, 0x01, 0xC8, 0});  // TEXTOUT y 300 x 200
  Bytes ext = {'A', 'B', 'C', 0};                // string padded to even
  for (int dx : {10, 11, 12}) {
    ext.push_back(std::uint8_t(dx));
    ext.push_back(0);
  }
  w.Record(0x0A32, {50, 60, 3, 0}, ext);         // EXTTEXTOUT y 50 x 60, 3 chars, spacing
  w.Record(0x0A32, {0, 0, 0, 2, 1, 2, 30, 40});  // EXTTEXTOUT opaque rectangle, no text
  w.Record(0x01F0, {0});                         // DELETEOBJECT pen: slot 0 free
  w.Record(0x02FA, {0, 1, 0, 0, 0});             // CREATEPENINDIRECT: slot 0 again
  // CREATEREGION: header (22 bytes), one scan with two x pairs.
  std::vector<std::int32_t> region = {0, 6, 0, 0, 0, 1, 4, 0, 0, 100, 50,  // ..., scans 1, max, box
                                      4, 0, 50, 0, 40, 60, 100, 4};       // count 4, top, bottom, pairs, count
  w.Record(0x06FF, region);                      // slot 3
  w.Record(0x0228, {3, 1});                      // FILLREGION region 3 with brush 1
  w.Record(0x012D, {3});                         // SELECTOBJECT region: clip
  w.Record(0x001E, {});                          // SAVEDC
  w.Record(0x020F, {5, 7});                      // OFFSETWINDOWORG
  w.Record(0x0127, {-1});                        // RESTOREDC
  // STRETCHDIB with a 2 x 2 8-bit DIB.
  TDib dib;
  dib.Create(2, 2, 8);
  dib.SetPaletteEntry(1, 0x123456);
  dib.SetPixel(1, 1, 1);
  Bytes packed(dib.PackedDib(), dib.PackedDib() + dib.PackedDibSize());
  w.Record(0x0F43, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 20, 20, 30, 40}, packed);
  w.Record(0x061D, {0x0021, 0x00F0, 10, 10, 0, 0});  // PATBLT
  w.Record(0x0940, {0x0021, 0x00F0, 0, 0, 0, 10, 10, 0, 0});  // DIBBITBLT without bitmap
  w.Record(0x0201, {}, Colour(0x00FFFFFF));      // SETBKCOLOR
  w.Record(0x0626, {15, 0});                     // ESCAPE: dropped
  w.Record(0x0418, {1});                         // ELLIPSE too short: dropped alone
  return w.Finish();
}

// --- the EMF validator --------------------------------------------------------------

TEST(EmfValidate, AcceptsAWellFormedMetafile) {
  const Bytes emf = MakeEmf();
  EmfValidation v;
  EXPECT_EQ(ValidateEmf(emf.data(), emf.size(), &v), EmfCheck::Ok);
  EXPECT_EQ(v.recordCount, 5u);
  EXPECT_EQ(v.header.frame.right, 2646);
  const EmfSizeMm mm = GetEmfFrameSizeMm(v.header);
  EXPECT_DOUBLE_EQ(mm.width, 26.46);
  EXPECT_DOUBLE_EQ(mm.height, 13.23);
}

TEST(EmfValidate, RefusesDamage) {
  const Bytes good = MakeEmf();
  const std::uint32_t second = le::U32(good.data() + 4);  // offset of the second record
  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
    EmfCheck expected;
  } cases[] = {
      {"not an EMF", 40, 0x12345678, EmfCheck::NotEmf},
      {"old version", 44, 0x0000FFFF, EmfCheck::BadHeader},
      {"header shorter than 88", 4, 80, EmfCheck::BadHeader},
      {"total beyond the bytes", 48, std::uint32_t(good.size() + 4), EmfCheck::Truncated},
      {"record size 0", second + 4, 0, EmfCheck::BadRecord},
      {"record size not a multiple of 4", second + 4, 13, EmfCheck::BadRecord},
      {"record beyond the end", second + 4, 0x10000, EmfCheck::BadRecord},
      {"second header", second, kEmrHeader, EmfCheck::BadRecord},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes bad = good;
    le::Put32(bad.data() + c.at, c.value);
    EXPECT_EQ(ValidateEmf(bad.data(), bad.size()), c.expected);
  }
  // No EOF: the total stops before it.
  Bytes noEof = good;
  noEof.resize(good.size() - 20);
  le::Put32(noEof.data() + 48, std::uint32_t(noEof.size()));
  EXPECT_EQ(ValidateEmf(noEof.data(), noEof.size()), EmfCheck::NoEof);
}

TEST(EmfValidate, RecordsTooShortForTheirTypeAreRefused) {
  const Bytes good = MakeEmf();
  const std::uint32_t second = le::U32(good.data() + 4);
  // Replace the SETMAPMODE record (12 bytes) by a record of the same size of
  // a type whose fixed part is longer.
  for (const std::uint32_t type : {2u, 4u, 27u, 38u, 71u, 76u, 81u, 82u, 84u, 99u, 122u}) {
    Bytes bad = good;
    le::Put32(bad.data() + second, type);
    EXPECT_EQ(ValidateEmf(bad.data(), bad.size()), EmfCheck::BadRecord) << type;
  }
}

TEST(EmfValidate, RegionDataMustFitItsRecord) {
  Bytes out;
  const Bytes good = MakeEmf();
  const std::uint32_t second = le::U32(good.data() + 4);
  // An EMR_EXTSELECTCLIPRGN {cb, mode, RGNDATA} with one rectangle.
  Bytes rec(16 + 32 + 16, 0);
  le::Put32(rec.data(), 75);
  le::Put32(rec.data() + 4, std::uint32_t(rec.size()));
  le::Put32(rec.data() + 8, 48);
  le::Put32(rec.data() + 12, U_RGN_COPY);
  le::Put32(rec.data() + 16, 32);
  le::Put32(rec.data() + 20, 1);
  le::Put32(rec.data() + 24, 1);
  le::Put32(rec.data() + 28, 16);
  auto with = [&](const Bytes& r) {
    Bytes emf(good.begin(), good.begin() + second);
    emf.insert(emf.end(), r.begin(), r.end());
    emf.insert(emf.end(), good.begin() + second, good.end());
    le::Put32(emf.data() + 48, std::uint32_t(emf.size()));
    return ValidateEmf(emf.data(), emf.size());
  };
  EXPECT_EQ(with(rec), EmfCheck::Ok);
  Bytes reset(16, 0);  // RGN_COPY of no region resets the clipping
  le::Put32(reset.data(), 75);
  le::Put32(reset.data() + 4, 16);
  le::Put32(reset.data() + 12, U_RGN_COPY);
  EXPECT_EQ(with(reset), EmfCheck::Ok);
  Bytes tooMany = rec;
  le::Put32(tooMany.data() + 24, 2);  // two rectangles in room for one
  EXPECT_EQ(with(tooMany), EmfCheck::BadRecord);
  Bytes tooLong = rec;
  le::Put32(tooLong.data() + 8, 52);  // data size past the record
  EXPECT_EQ(with(tooLong), EmfCheck::BadRecord);
  Bytes huge = rec;
  le::Put32(huge.data() + 24, 0x10000001);  // count x 16 wraps in 32 bits
  EXPECT_EQ(with(huge), EmfCheck::BadRecord);
}

// EXTTEXTOUTA/W without a spacing array (offDx 0) hold their string and
// nothing after it; the text takes the font's own advances. Such a record
// fits whatever its length; a string or a spacing array past the record
// (or its offset wrapping past 2^32) does not.
TEST(EmfValidate, TextRecordsWithoutSpacingFitWhenTheirStringFits) {
  const Bytes good = MakeEmf();
  const std::uint32_t second = le::U32(good.data() + 4);
  // {type, size, bounds, graphics mode, scales, reference, nChars, offString,
  // options, rectangle, offDx}, string, [spacing]
  auto text = [](std::uint32_t type, std::uint32_t chars, std::uint32_t roomChars, bool dx, std::uint32_t dxRoom) {
    const std::uint32_t unit = type == 84 ? 2 : 1;
    const std::uint32_t stringBytes = (roomChars * unit + 3) & ~3u;
    Bytes r(76 + stringBytes + (dx ? 4 * dxRoom : 0), 0);
    le::Put32(r.data(), type);
    le::Put32(r.data() + 4, std::uint32_t(r.size()));
    le::Put32(r.data() + 24, 1);  // GM_COMPATIBLE
    le::Put32(r.data() + 44, chars);
    le::Put32(r.data() + 48, 76);
    for (std::uint32_t i = 0; i < roomChars * unit; i += unit) r[76 + i] = std::uint8_t('a' + i / unit % 26);
    if (dx) le::Put32(r.data() + 72, 76 + stringBytes);
    return r;
  };
  auto check = [&](const Bytes& r) {
    Bytes emf(good.begin(), good.begin() + second);
    emf.insert(emf.end(), r.begin(), r.end());
    emf.insert(emf.end(), good.begin() + second, good.end());
    le::Put32(emf.data() + 48, std::uint32_t(emf.size()));
    return ValidateEmf(emf.data(), emf.size());
  };
  for (const std::uint32_t type : {83u, 84u}) {
    // 26 and 38 characters were the most a record without spacing could hold.
    for (const std::uint32_t n : {1u, 26u, 27u, 38u, 39u, 200u, 5000u}) {
      SCOPED_TRACE(std::to_string(type) + ", " + std::to_string(n) + " characters");
      EXPECT_EQ(check(text(type, n, n, false, 0)), EmfCheck::Ok);
      EXPECT_EQ(check(text(type, n, n, true, n)), EmfCheck::Ok);
      EXPECT_EQ(check(text(type, n + 4, n, false, 0)), EmfCheck::BadRecord);  // string past the record
      EXPECT_EQ(check(text(type, n, n, true, n - 1)), EmfCheck::BadRecord);   // spacing cut short
      // What libuemf's check let through: the string of a record with
      // spacing past it, a spacing offset that wraps at 2^32.
      Bytes far = text(type, n, n, true, n);
      le::Put32(far.data() + 48, std::uint32_t(far.size() + 16));
      EXPECT_EQ(check(far), EmfCheck::BadRecord);
      Bytes wrap = text(type, n, n, true, n);
      le::Put32(wrap.data() + 72, 0xFFFFFFFC);
      EXPECT_EQ(check(wrap), EmfCheck::BadRecord);
      // ETO_PDY: two spacing values a character.
      Bytes pdy = text(type, n, n, true, 2 * n), pdyShort = text(type, n, n, true, n);
      le::Put32(pdy.data() + 52, 0x2000);
      le::Put32(pdyShort.data() + 52, 0x2000);
      EXPECT_EQ(check(pdy), EmfCheck::Ok);
      EXPECT_EQ(check(pdyShort), EmfCheck::BadRecord);
    }
  }
}

// libuemf's record checks read a record's fixed fields before comparing
// sizes; the validator must never let them past the record. Each crafted
// record ends at a page that cannot be read, so any over-read crashes.
TEST(EmfValidate, NeverReadsPastARecord) {
  const std::size_t page = 1 << 16;
  void* map = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(map, MAP_FAILED);
  auto* base = static_cast<std::uint8_t*>(map);
  ASSERT_EQ(mprotect(base + page, page, PROT_NONE), 0);
  std::mt19937 rng(7);
  for (std::uint32_t type = 1; type <= 125; ++type) {
    for (std::uint32_t size = 8; size <= 700; size += 4) {
      for (int fill = 0; fill < 6; ++fill) {
        std::uint8_t* rec = base + page - size;
        std::uint8_t* emf = rec - kEmfHeaderMinSize;
        std::memset(emf, 0, kEmfHeaderMinSize);
        le::Put32(emf, kEmrHeader);
        le::Put32(emf + 4, kEmfHeaderMinSize);
        le::Put32(emf + 40, kEmfSignature);
        le::Put32(emf + 44, 0x10000);
        le::Put32(emf + 48, kEmfHeaderMinSize + size);
        for (std::uint32_t i = 8; i < size; i += 4) {
          const std::uint32_t v = fill == 0 ? 0 : fill == 1 ? 0xFFFFFFFF : fill == 2 ? std::uint32_t(rng())
                                  : fill == 3 ? rng() % 16 : rng() % (size + 8);
          le::Put32(rec + i, v);
        }
        le::Put32(rec, type);
        le::Put32(rec + 4, size);
        const EmfCheck check = ValidateEmf(emf, kEmfHeaderMinSize + size);
        ASSERT_TRUE(check == EmfCheck::BadRecord || check == EmfCheck::NoEof || type == kEmrEof) << type;
      }
    }
  }
  munmap(map, 2 * page);
}

// --- ReadMetafileAsEmf ---------------------------------------------------------------

TEST(ReadMetafileAsEmf, EnhancedMetafileComesBackAsItIs) {
  Bytes emf = MakeEmf();
  const std::size_t size = emf.size();
  emf.insert(emf.end(), 10, 0xAB);  // bytes after the metafile are not part of it
  const auto result = Read(emf);
  ASSERT_TRUE(result);
  ASSERT_EQ(result->Count(), size);
  EXPECT_EQ(0, std::memcmp(result->Items(), emf.data(), size));
}

TEST(ReadMetafileAsEmf, TruncatedEnhancedMetafileIsRefusedNotReadAsWmf) {
  RecordingBoxes boxes;
  const Bytes emf = MakeEmf();
  for (std::size_t n : {std::size_t(44), std::size_t(87), std::size_t(88), emf.size() - 4}) {
    const Bytes cut(emf.begin(), emf.begin() + std::ptrdiff_t(n));
    EXPECT_FALSE(Read(cut)) << n;
  }
  EXPECT_TRUE(boxes.texts.empty());
  // Damage behind an intact header is refused too.
  Bytes bad = emf;
  le::Put32(bad.data() + le::U32(emf.data() + 4) + 4, 6);
  EXPECT_FALSE(Read(bad));
}

TEST(ReadMetafileAsEmf, PicturesAbove20MbAreRefusedWithTheMessage) {
  RecordingBoxes boxes;
  Bytes big = MakeEmf();
  big.resize(kMaxMetafileBytes + 4, 0);
  le::Put32(big.data() + 48, std::uint32_t(big.size()));
  EXPECT_FALSE(Read(big));

  Bytes wmf = MakeWmf(false);
  wmf.resize(kMaxMetafileBytes + 1, 0);
  EXPECT_FALSE(Read(wmf));

  Bytes placeable = MakeWmf(true);
  placeable.resize(kMaxMetafileBytes + 22, 0);  // exactly the limit after the header: accepted
  EXPECT_TRUE(Read(placeable));
  placeable.push_back(0);
  EXPECT_FALSE(Read(placeable));

  ASSERT_EQ(boxes.texts.size(), 3u);
  for (std::size_t i = 0; i < boxes.texts.size(); ++i) {
    EXPECT_TRUE(boxes.texts[i] == kPictureTooBigMessage);
    EXPECT_EQ(boxes.styles[i] & kMbIconMask, kMbIconError);
  }
}

TEST(ReadMetafileAsEmf, PlaceableWmfBecomesAnEmfRecordByRecord) {
  const auto emf = Read(MakeWmf(true));
  ASSERT_TRUE(emf);
  EmfValidation v;
  ASSERT_EQ(ValidateEmf(emf->Items(), emf->Count(), &v), EmfCheck::Ok);
  // 1000 x 500 units at 1000 per inch: 25.4 x 12.7 mm, 96 x 48 reference pixels.
  EXPECT_EQ(v.header.frame.right, 2540);
  EXPECT_EQ(v.header.frame.bottom, 1270);
  EXPECT_EQ(v.header.bounds.right, 95);
  EXPECT_EQ(v.header.bounds.bottom, 47);
  EXPECT_EQ(v.header.bytes, emf->Count());
  EXPECT_EQ(v.header.records, v.recordCount);
  EXPECT_EQ(v.header.handles, 5);  // slots 0..3 are handles 1..4

  const auto recs = Records(*emf);
  const std::uint8_t* b = emf->Items();
  auto at = [&](int i) { return b + recs[std::size_t(i)].second; };
  // The placement: anisotropic from the box onto the frame's pixels.
  int i = Find(recs, U_EMR_SETMAPMODE);
  ASSERT_GE(i, 0);
  EXPECT_EQ(le::U32(at(i) + 8), std::uint32_t(U_MM_ANISOTROPIC));
  i = Find(recs, U_EMR_SETVIEWPORTEXTEX);
  ASSERT_GE(i, 0);
  EXPECT_EQ(le::I32(at(i) + 8), 96);
  EXPECT_EQ(le::I32(at(i) + 12), 48);
  EXPECT_EQ(Find(recs, U_EMR_SETMAPMODE, i), -1);  // the WMF's own map mode was dropped

  // Objects: slots become handles slot + 1; a freed slot is taken again.
  i = Find(recs, U_EMR_CREATEPEN);
  ASSERT_GE(i, 0);
  EXPECT_EQ(le::U32(at(i) + 8), 1u);
  EXPECT_EQ(le::U32(at(i) + 12), 0u);   // style
  EXPECT_EQ(le::I32(at(i) + 16), 3);    // width
  EXPECT_EQ(le::U32(at(i) + 24), 0xFFu);  // red
  const int brush = Find(recs, U_EMR_CREATEBRUSHINDIRECT);
  ASSERT_GE(brush, 0);
  EXPECT_EQ(le::U32(at(brush) + 8), 2u);
  const int font = Find(recs, U_EMR_EXTCREATEFONTINDIRECTW);
  ASSERT_GE(font, 0);
  EXPECT_EQ(le::U32(at(font) + 8), 3u);
  EXPECT_EQ(le::I32(at(font) + 12), -40);
  EXPECT_EQ(le::I32(at(font) + 28), 700);
  EXPECT_EQ(at(font)[12 + 23], 238);
  EXPECT_EQ(le::U16(at(font) + 12 + 28), u'A');
  EXPECT_EQ(le::U16(at(font) + 12 + 28 + 8), u'l');
  const int del = Find(recs, U_EMR_DELETEOBJECT);
  ASSERT_GE(del, 0);
  EXPECT_EQ(le::U32(at(del) + 8), 1u);
  const int again = Find(recs, U_EMR_CREATEPEN, del);
  ASSERT_GE(again, 0);
  EXPECT_EQ(le::U32(at(again) + 8), 1u);

  // Text: the 8-bit string as it was, with and without spacing.
  i = Find(recs, U_EMR_EXTTEXTOUTA);
  ASSERT_GE(i, 0);
  EXPECT_EQ(le::I32(at(i) + 36), 200);
  EXPECT_EQ(le::I32(at(i) + 40), 300);
  EXPECT_EQ(le::U32(at(i) + 44), 5u);
  EXPECT_EQ(0, std::memcmp(at(i) + le::U32(at(i) + 48), "Hello", 5));
  EXPECT_EQ(le::U32(at(i) + 72), 0u);
  i = Find(recs, U_EMR_EXTTEXTOUTA, i + 1);
  ASSERT_GE(i, 0);
  EXPECT_EQ(le::I32(at(i) + 36), 60);
  EXPECT_EQ(le::I32(at(i) + 40), 50);
  const std::uint32_t dx = le::U32(at(i) + 72);
  ASSERT_NE(dx, 0u);
  EXPECT_EQ(le::I32(at(i) + dx), 10);
  EXPECT_EQ(le::I32(at(i) + dx + 8), 12);
  i = Find(recs, U_EMR_EXTTEXTOUTA, i + 1);
  ASSERT_GE(i, 0);
  EXPECT_EQ(le::U32(at(i) + 44), 0u);      // no characters
  EXPECT_EQ(le::U32(at(i) + 52), 2u);      // ETO_OPAQUE
  EXPECT_EQ(le::I32(at(i) + 56 + 8), 30);  // rectangle right

  // Shapes, regions, the saved state, bitmaps.
  EXPECT_GE(Find(recs, U_EMR_RECTANGLE), 0);
  EXPECT_GE(Find(recs, U_EMR_POLYGON16), 0);
  i = Find(recs, U_EMR_POLYPOLYGON16);
  ASSERT_GE(i, 0);
  EXPECT_EQ(le::U32(at(i) + 24), 2u);  // polygons
  EXPECT_EQ(le::U32(at(i) + 28), 5u);  // points
  EXPECT_GE(Find(recs, U_EMR_ARC), 0);
  i = Find(recs, U_EMR_FILLRGN);
  ASSERT_GE(i, 0);
  EXPECT_EQ(le::U32(at(i) + 28), 2u);  // brush handle
  EXPECT_EQ(le::U32(at(i) + 32 + 8), 2u);  // two rectangles
  EXPECT_EQ(le::I32(at(i) + 32 + 32 + 16), 60);  // second rectangle: left 60
  EXPECT_GE(Find(recs, U_EMR_EXTSELECTCLIPRGN), 0);
  const int save = Find(recs, U_EMR_SAVEDC);
  ASSERT_GE(save, 0);
  i = Find(recs, U_EMR_SETWINDOWORGEX, save);  // OFFSETWINDOWORG as an absolute origin
  ASSERT_GE(i, 0);
  EXPECT_EQ(le::I32(at(i) + 8), 7);
  EXPECT_EQ(le::I32(at(i) + 12), 5);
  EXPECT_GE(Find(recs, U_EMR_RESTOREDC, save), 0);
  i = Find(recs, U_EMR_STRETCHDIBITS);
  ASSERT_GE(i, 0);
  EXPECT_EQ(le::I32(at(i) + 24), 40);  // dest x
  EXPECT_EQ(le::I32(at(i) + 72), 20);  // dest width
  TDib dib;
  ASSERT_TRUE(dib.LoadPackedDib(at(i) + le::U32(at(i) + 48), le::U32(at(i) + 52) + le::U32(at(i) + 60)));
  EXPECT_EQ(dib.GetPixelColor(1, 1), 0x563412u);
  i = Find(recs, U_EMR_BITBLT);
  ASSERT_GE(i, 0);
  EXPECT_EQ(le::U32(at(i) + 40), 0x00F00021u);  // PATCOPY
  EXPECT_GE(Find(recs, U_EMR_BITBLT, i + 1), 0);
  EXPECT_EQ(Find(recs, U_EMR_ELLIPSE), -1);  // too short: dropped
  EXPECT_EQ(recs.back().first, std::uint32_t(U_EMR_EOF));
}

TEST(ReadMetafileAsEmf, PlainWmfTakesItsSizeFromItsWindow) {
  const auto emf = Read(MakeWmf(false));
  ASSERT_TRUE(emf);
  EmfValidation v;
  ASSERT_EQ(ValidateEmf(emf->Items(), emf->Count(), &v), EmfCheck::Ok);
  // Window 1000 x 500 units at 96 per inch.
  EXPECT_EQ(v.header.bounds.right, 999);
  EXPECT_EQ(v.header.bounds.bottom, 499);
  EXPECT_EQ(v.header.frame.right, 26458);
  EXPECT_EQ(v.header.frame.bottom, 13229);

  // Without window records: the whole reference device.
  WmfWriter w(false);
  w.Record(0x0213, {10, 10});
  const auto bare = Read(w.Finish());
  ASSERT_TRUE(bare);
  ASSERT_EQ(ValidateEmf(bare->Items(), bare->Count(), &v), EmfCheck::Ok);
  EXPECT_EQ(v.header.bounds.right, kReferenceDeviceWidth - 1);
  EXPECT_EQ(v.header.frame.right, kReferenceDeviceWidthMm * 100);
}

TEST(ReadMetafileAsEmf, DamagedWmfIsRefused) {
  const Bytes good = MakeWmf(false);
  auto refused = [](Bytes b) { return !Read(b); };
  Bytes badType = good;
  le::Put16(badType.data(), 7);
  EXPECT_TRUE(refused(badType));
  Bytes badHeaderSize = good;
  le::Put16(badHeaderSize.data() + 2, 10);
  EXPECT_TRUE(refused(badHeaderSize));
  Bytes tooLong = good;
  le::Put32(tooLong.data() + 18, 0x7FFFFFFF);  // first record beyond the bytes
  EXPECT_TRUE(refused(tooLong));
  Bytes tooShort = good;
  le::Put32(tooShort.data() + 18, 2);
  EXPECT_TRUE(refused(tooShort));
  Bytes cut(good.begin(), good.end() - 3);  // the EOF record cut
  EXPECT_TRUE(refused(cut));
  EXPECT_TRUE(refused(Bytes{1, 2, 3}));
  EXPECT_TRUE(refused(Bytes(100, 0)));
  // Records that end with the bytes, without META_EOF, are a picture.
  Bytes noEof(good.begin(), good.end() - 6);
  EXPECT_FALSE(refused(noEof));
}

// Asked for what can be read, every cut of a picture, inside a record of
// any kind or between two, gives the records before it and says so; only
// the whole picture is whole.
TEST(ReadMetafileAsEmf, ReadInPartGivesTheRecordsBeforeEveryCut) {
  auto readInPart = [](const Bytes& bytes, bool* partial) {
    ByteArray data;
    data.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
    InFileStream in = InFileStream::FromMemory(data);
    return ReadMetafileAsEmf(in, nullptr, partial);
  };
  for (const bool placeable : {false, true}) {
    SCOPED_TRACE(placeable ? "placeable" : "plain");
    const Bytes wmf = MakeWmf(placeable);
    const std::size_t headers = (placeable ? kPlaceableHeaderSize : 0) + kWmfHeaderSize;
    std::uint32_t recordsBefore = 0;
    for (std::size_t cut = headers; cut < wmf.size(); ++cut) {
      bool partial = false;
      const auto emf = readInPart(Bytes(wmf.begin(), wmf.begin() + std::ptrdiff_t(cut)), &partial);
      ASSERT_TRUE(emf) << cut;
      EXPECT_TRUE(partial) << cut;
      EmfValidation v;
      ASSERT_EQ(ValidateEmf(emf->Items(), emf->Count(), &v), EmfCheck::Ok) << cut;
      EXPECT_GE(v.recordCount, recordsBefore) << cut;
      recordsBefore = v.recordCount;
    }
    bool partial = true;
    EXPECT_TRUE(readInPart(wmf, &partial));
    EXPECT_FALSE(partial);
  }
}

TEST(ReadMetafileAsEmf, MutatedMetafilesNeverCrash) {
  // Any result must still pass the validator; most mutations are refused.
  std::mt19937 rng(20240601);
  int accepted = 0;
  for (const Bytes& seed : {MakeEmf(), MakeWmf(true), MakeWmf(false)}) {
    for (int round = 0; round < 400; ++round) {
      Bytes b = seed;
      const int flips = 1 + int(rng() % 8);
      for (int f = 0; f < flips; ++f) b[rng() % b.size()] = std::uint8_t(rng());
      if (rng() % 4 == 0) b.resize(rng() % b.size());
      const auto emf = Read(b);
      if (emf) {
        ASSERT_EQ(ValidateEmf(emf->Items(), emf->Count()), EmfCheck::Ok);
        ++accepted;
      }
    }
  }
  // The seed fixes the mutations: 520 of the 1,200 still make a metafile
  // (flips in coordinates and colours), so both roads are taken.
  EXPECT_EQ(accepted, 520);
}

TEST(WmfToEmf, PlaceableHeaderAndItsChecksum) {
  const Bytes wmf = MakeWmf(true);
  PlaceableHeader h;
  ASSERT_TRUE(ReadPlaceableHeader(wmf.data(), wmf.size(), &h));
  EXPECT_EQ(h.right, 1000);
  EXPECT_EQ(h.unitsPerInch, 1000);
  // Key 0x9AC6CDD7 gives 0xCDD7 ^ 0x9AC6 = 0x5711; the box and resolution follow.
  EXPECT_EQ(PlaceableHeaderChecksum(wmf.data()), std::uint16_t(0x5711 ^ 1000 ^ 500 ^ 1000));
  EXPECT_EQ(h.checksum, PlaceableHeaderChecksum(wmf.data()));
  EXPECT_FALSE(ReadPlaceableHeader(wmf.data(), 21, &h));
}

TEST(WmfToEmf, MulDivRoundsHalfAwayFromZero) {
  EXPECT_EQ(MulDivRound(1000, 2540, 1000), 2540);
  EXPECT_EQ(MulDivRound(1, 3, 2), 2);
  EXPECT_EQ(MulDivRound(-1, 3, 2), -2);
  EXPECT_EQ(MulDivRound(1, 1, 3), 0);
  EXPECT_EQ(MulDivRound(7, 2540, 0), -1);
  EXPECT_EQ(MulDivRound(0x7FFF, 0x7FFFFFFF, 1), -1);
  const EmfHeaderInfo empty;
  EXPECT_DOUBLE_EQ(GetEmfFrameSizeMm(empty).width, 100.0);
}

// --- sample metafiles ------------------------------------------------------------------

TEST(ReadMetafileAsEmf, SampleMetafiles) {
  KVN_REQUIRE_TESTDATA(data);
  RecordingBoxes boxes;
  int seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(data / "metafile")) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    ++seen;
    InFileStream in(WString::FromUtf8(entry.path().string()));
    ASSERT_TRUE(in.IsOpen());
    const auto emf = ReadMetafileAsEmf(in, nullptr);
    if (name.rfind("bad_", 0) == 0) {
      EXPECT_FALSE(emf);
      continue;
    }
    ASSERT_TRUE(emf);
    EmfValidation v;
    EXPECT_EQ(ValidateEmf(emf->Items(), emf->Count(), &v), EmfCheck::Ok);
    EXPECT_GT(v.recordCount, 2u);
  }
  EXPECT_GT(seen, 0);
  EXPECT_EQ(seen, 9);  // the metafile folder of the test data, one of them damaged
  EXPECT_TRUE(boxes.texts.empty());
}

}  // namespace
}  // namespace kvn
