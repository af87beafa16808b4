// The bitmap records of a metafile with their sizes and coordinates at the
// ends of the 32-bit range, one field at a time and all at once, played onto
// the raster, recording and metafile targets. The sanitizer build stops at
// the first signed overflow, so a table that plays through is the check;
// each play must also leave the context as it found it.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/LeBytes.h"
#include "platform/gdi/MetafileDC.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"

namespace kvn {
namespace {

// A 2 x 2 picture, 24 bits, bottom-up.
std::vector<std::uint8_t> ColourDib() {
  std::vector<std::uint8_t> dib(40 + 16, 0x5A);
  le::Put32(dib.data(), 40);
  le::Put32(dib.data() + 4, 2);
  le::Put32(dib.data() + 8, 2);
  le::Put16(dib.data() + 12, 1);
  le::Put16(dib.data() + 14, 24);
  for (int i = 16; i < 40; ++i) dib[std::size_t(i)] = 0;
  return dib;
}

// A 2 x 2 mask, 1 bit, black and white.
std::vector<std::uint8_t> MaskDib() {
  std::vector<std::uint8_t> dib(40 + 8 + 8, 0);
  le::Put32(dib.data(), 40);
  le::Put32(dib.data() + 4, 2);
  le::Put32(dib.data() + 8, 2);
  le::Put16(dib.data() + 12, 1);
  le::Put16(dib.data() + 14, 1);
  le::Put32(dib.data() + 44, 0x00FFFFFF);
  dib[48] = 0x80;
  dib[52] = 0x40;
  return dib;
}

struct Field {
  std::uint32_t at;
  std::int32_t value;  // when not swept
};

struct BlitRecord {
  const char* name;
  std::uint32_t type;
  std::uint32_t fixedSize;
  std::uint32_t sourceAt;  // offBmi, cbBmi, offBits, cbBits; 0: no picture
  std::uint32_t maskAt;    // the mask's four; 0: no mask
  std::vector<Field> fields;  // every signed size and coordinate
};

// The picture's own width and height, at these offsets from its header.
constexpr std::uint32_t kDibWidth = 4, kDibHeight = 8;
constexpr std::int32_t kSrcCopy = 0x00CC0020;

const std::vector<BlitRecord>& Records() {
  static const std::vector<BlitRecord> records = {
      {"BITBLT pattern", 76, 100, 0, 0, {{24, 0}, {28, 0}, {32, 20}, {36, 20}}},
      {"BITBLT", 76, 100, 84, 0, {{24, 0}, {28, 0}, {32, 2}, {36, 2}, {44, 0}, {48, 0}}},
      {"STRETCHBLT", 77, 108, 84, 0,
       {{24, 0}, {28, 0}, {32, 20}, {36, 20}, {44, 0}, {48, 0}, {100, 2}, {104, 2}}},
      {"ALPHABLEND", 114, 108, 84, 0,
       {{24, 0}, {28, 0}, {32, 20}, {36, 20}, {44, 0}, {48, 0}, {100, 2}, {104, 2}}},
      {"STRETCHDIBITS", 81, 80, 48, 0,
       {{24, 0}, {28, 0}, {32, 0}, {36, 0}, {40, 2}, {44, 2}, {72, 20}, {76, 20}}},
      {"SETDIBITSTODEVICE", 80, 76, 48, 0,
       {{24, 0}, {28, 0}, {32, 0}, {36, 0}, {40, 2}, {44, 2}, {68, 0}, {72, 2}}},
      {"MASKBLT", 78, 128, 84, 112,
       {{24, 0}, {28, 0}, {32, 2}, {36, 2}, {44, 0}, {48, 0}, {100, 0}, {104, 0}}},
      {"PLGBLT", 79, 140, 96, 124,
       {{24, 0}, {28, 0}, {32, 20}, {36, 0}, {40, 0}, {44, 20}, {48, 0}, {52, 0}, {56, 2}, {60, 2}, {112, 0},
        {116, 0}}},
      {"TRANSPARENTBLT", 116, 108, 84, 0,
       {{24, 0}, {28, 0}, {32, 20}, {36, 20}, {44, 0}, {48, 0}, {100, 2}, {104, 2}}},
  };
  return records;
}

// The same header as the player's tests: a 100 mm frame on a reference
// device of 10 pixels per mm.
void AddHeader(EmfBuilder& b) {
  std::uint8_t* h = b.Add(kEmrHeader, 108);
  le::Put32(h + 32, 10000);
  le::Put32(h + 36, 10000);
  le::Put32(h + 40, kEmfSignature);
  le::Put32(h + 44, 0x10000);
  le::Put32(h + 72, 1000);
  le::Put32(h + 76, 1000);
  le::Put32(h + 80, 100);
  le::Put32(h + 84, 100);
}

// The record with its fields as the table gives them, then `changes`
// (offsets into the record, the pictures' headers included); none when the
// metafile's checks refuse it before it is played.
std::optional<EmfDocument> Build(const BlitRecord& rec, const std::vector<Field>& changes) {
  EmfBuilder b(1 << 20);
  AddHeader(b);
  const std::vector<std::uint8_t> colour = ColourDib(), mask = MaskDib();
  std::vector<std::uint8_t> record(rec.fixedSize, 0);
  // The pictures follow the fixed part: the source, then the mask.
  auto attach = [&](std::uint32_t at, const std::vector<std::uint8_t>& dib, std::uint32_t header) {
    const std::uint32_t offset = std::uint32_t(record.size());
    record.insert(record.end(), dib.begin(), dib.end());
    le::Put32(record.data() + at, offset);
    le::Put32(record.data() + at + 4, header);
    le::Put32(record.data() + at + 8, offset + header);
    le::Put32(record.data() + at + 12, std::uint32_t(dib.size()) - header);
    return offset;
  };
  std::uint32_t sourceOffset = 0;
  if (rec.sourceAt) sourceOffset = attach(rec.sourceAt, colour, 40);
  if (rec.maskAt) attach(rec.maskAt, mask, 48);
  for (const Field& f : rec.fields) le::Put32(record.data() + f.at, std::uint32_t(f.value));
  if (rec.type == 76 || rec.type == 77 || rec.type == 78) le::Put32(record.data() + 40, std::uint32_t(kSrcCopy));
  if (rec.type == 78) le::Put32(record.data() + 40, 0xAACC0020u);  // copy where the mask is set
  if (rec.type == 81) le::Put32(record.data() + 68, std::uint32_t(kSrcCopy));
  if (rec.type == 114) le::Put32(record.data() + 40, 0x00FF0000u);  // constant alpha 255
  if (rec.type == 76 && rec.sourceAt == 0) le::Put32(record.data() + 40, 0x00F00021u);  // PATCOPY
  for (const Field& f : changes) {
    const std::uint32_t at = f.at >= 0x10000 ? sourceOffset + (f.at - 0x10000) : f.at;
    le::Put32(record.data() + at, std::uint32_t(f.value));
  }
  std::uint8_t* out = b.Add(rec.type, record.size());
  std::copy(record.begin() + 8, record.end(), out + 8);
  EXPECT_TRUE(b.Finish(4));
  return EmfDocument::FromBytes(b.Bytes().Items(), b.Bytes().Count());
}

// Plays onto each target; each must come back at the depth it started.
void PlayEverywhere(const EmfDocument& emf) {
  constexpr int kSide = 32;
  std::vector<std::uint8_t> bits(kSide * kSide * 4, 0xFF);
  auto raster = RasterDC::Create(bits.data(), kSide, kSide);
  ASSERT_TRUE(raster);
  EXPECT_TRUE(PlayEnhMetaFile(*raster, emf, TRect{0, 0, kSide, kSide}));
  EXPECT_EQ(raster->SavedDepth(), 0);
  raster->Flush();

  RecordingDC recording;
  EXPECT_TRUE(PlayEnhMetaFile(recording, emf, TRect{0, 0, 1000, 1000}));
  EXPECT_EQ(recording.SavedDepth(), 0);

  MetafileDC metafile(MetafileFrame{0, 0, 1000, 1000});
  EXPECT_TRUE(PlayEnhMetaFile(metafile, emf, TRect{0, 0, 1000, 1000}));
  EXPECT_EQ(metafile.SavedDepth(), 0);
  ByteArray out;
  EXPECT_TRUE(metafile.Close(out));
}

TEST(EmfBlitExtremes, EverySizeAndCoordinateAtTheEndsOfTheRangePlaysWithoutOverflow) {
  const std::int32_t extremes[] = {INT32_MIN, INT32_MIN + 1, -1, INT32_MAX};
  for (const BlitRecord& rec : Records()) {
    {
      // As the table gives it, the record is played, not passed over.
      SCOPED_TRACE(rec.name);
      const std::optional<EmfDocument> plain = Build(rec, {});
      ASSERT_TRUE(plain);
      RecordingDC dc;
      EmfPlayStats stats;
      EXPECT_TRUE(PlayEnhMetaFile(dc, *plain, TRect{0, 0, 1000, 1000}, &stats));
      EXPECT_EQ(stats.unplayed, 0u);
    }
    std::vector<Field> swept = rec.fields;
    if (rec.sourceAt) {
      swept.push_back({0x10000 + kDibWidth, 2});
      swept.push_back({0x10000 + kDibHeight, 2});
    }
    for (const Field& field : swept) {
      for (const std::int32_t value : extremes) {
        SCOPED_TRACE(std::string(rec.name) + " field " + std::to_string(field.at) + " = " + std::to_string(value));
        const std::optional<EmfDocument> emf = Build(rec, {{field.at, value}});
        // A picture whose header the checks refuse is never played.
        if (field.at < 0x10000) {
          EXPECT_TRUE(emf);
        }
        if (emf) PlayEverywhere(*emf);
      }
    }
    for (const std::int32_t value : {INT32_MIN, INT32_MAX}) {
      SCOPED_TRACE(std::string(rec.name) + " every field " + std::to_string(value));
      std::vector<Field> all;
      for (const Field& f : rec.fields) all.push_back({f.at, value});
      const std::optional<EmfDocument> emf = Build(rec, all);
      ASSERT_TRUE(emf);
      PlayEverywhere(*emf);
    }
  }
}

}  // namespace
}  // namespace kvn
