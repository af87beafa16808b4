// Damaged native files: the checksum catches every changed byte of the
// checksummed stream, and thousands of truncated and bit-flipped fixtures
// give result codes without crashing, hanging or reading out of bounds (the
// sanitizer build runs this too).
#include <gtest/gtest.h>

#include <zlib.h>

#include <random>
#include <set>

#include "document/ResultCodes.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/DRect.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"
#include "tests/document/DocumentTestSupport.h"

namespace kvn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::set<int> kKnownResults = {
    kLoadOk, kLoadNoMagic, kLoadHeaderLineCut, kLoadHeaderLineBadEnd, kLoadTaggedSectionCut, kLoadTaggedRecordCut,
    kLoadFirstRealListCut, kLoadSecondRealListCut, kLoadOldAttributeTextCut, kLoadAttributesBad,
    kLoadNothingAfterAttributes, kLoadOldStylesBad, kLoadPagesCut, kLoadChecksumMismatch, kLoadContentBad,
    kLoadReferenceGivenUp, kLoadTooOld, kLoadTooNew, kLoadBlocksDeclined, kLoadVersion3086,
    kLoadLibraryContainer};

// Reads the bytes quietly and touches what a successful read produced.
int ReadAndWalk(const Bytes& bytes) {
  NativeReadOptions quiet;
  quiet.quiet = true;
  ReadOutcome read = ReadNativeBytes(bytes, quiet);
  if (read.result == kLoadOk) {
    for (std::uint32_t i = 0; i < read.document->SheetCount(); ++i) {
      cSheet& sheet = *read.document->GetSheet(i);
      for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
        DRect box;
        o->GetExtentUpdated(sheet.Data(), box);
      }
      (void)read.document->GetPageEntryTitle(i);
    }
  }
  return read.result;
}

std::vector<Bytes> Seeds() {
  std::vector<Bytes> seeds;
  FixtureDocument doc = TwoSheetDocument();
  seeds.push_back(WriteNativeFile(doc));
  doc.compressed = false;
  seeds.push_back(WriteNativeFile(doc));
  seeds.push_back(WriteNativeFile(TwoSheetDocument(3070)));
  seeds.push_back(WriteNativeFile(TwoSheetDocument(3090)));
  SingleSheetFile file;
  file.version = 3060;
  file.sheet = TwoSheetDocument().sheets[0];
  seeds.push_back(WriteSingleSheetFile(file));
  file.version = 3049;
  file.headerLines = {"Version=3049", "Levels=2", "Level=A", "HideLevels=1 0", "Scale=200"};
  seeds.push_back(WriteSingleSheetFile(file));
  return seeds;
}

TEST(DamagedFile, EveryBitFlipInTheChecksummedStreamIsDetected) {
  FixtureDocument doc = TwoSheetDocument();
  doc.compressed = false;
  const Bytes good = WriteNativeFile(doc);
  ASSERT_EQ(ReadAndWalk(good), kLoadOk);
  for (std::size_t at = 25; at < good.size(); ++at) {
    for (int bit = 0; bit < 8; ++bit) {
      Bytes bad = good;
      bad[at] ^= std::uint8_t(1 << bit);
      const int result = ReadAndWalk(bad);
      ASSERT_NE(result, kLoadOk) << "byte " << at << " bit " << bit;
      ASSERT_TRUE(kKnownResults.count(result)) << result;
    }
  }
}

// The raw-deflate data from `offset` on, inflated with zlib itself; empty
// when it does not inflate.
Bytes InflateRaw(const Bytes& bytes, std::size_t offset) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return {};
  Bytes out(1 << 20);
  z.next_in = const_cast<Bytef*>(bytes.data() + offset);
  z.avail_in = uInt(bytes.size() - offset);
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  const int rc = inflate(&z, Z_FINISH);
  out.resize(rc == Z_STREAM_END ? z.total_out : 0);
  inflateEnd(&z);
  return out;
}

TEST(DamagedFile, ChangedByteInsideTheCompressedStreamIsDetected) {
  FixtureDocument doc = TwoSheetDocument();
  const Bytes good = WriteNativeFile(doc);
  // Header, the comment with its terminator, library and compression markers.
  const std::size_t deflateStart = 25 + 2 * (doc.comment.size() + 1) + 2;
  const Bytes content = InflateRaw(good, deflateStart);
  ASSERT_FALSE(content.empty());
  for (std::size_t at = deflateStart; at < good.size(); ++at) {
    Bytes bad = good;
    bad[at] ^= 0x10;
    // Some bits of deflate data change nothing that is inflated (padding
    // after the end code, code lengths of symbols never used): those files
    // are the same drawing.
    if (at + 8 < good.size() && InflateRaw(bad, deflateStart) == content) continue;
    ASSERT_NE(ReadAndWalk(bad), kLoadOk) << "byte " << at;
  }
}

TEST(DamagedFile, OversizedFilesAndCounts) {
  // Bytes after the checksum word are not part of the drawing.
  Bytes padded = WriteNativeFile(TwoSheetDocument());
  padded.resize(padded.size() + (4 << 20), 0xA5);
  EXPECT_EQ(ReadAndWalk(padded), kLoadOk);
  // Counts far beyond what the file holds end at the data's end.
  FixtureDocument doc = TwoSheetDocument();
  doc.compressed = false;
  doc.sheets[0].guidesOverride = [](ArchiveWriter& w) {
    w.WriteCompactU16(0);
    w.WriteCompactU16(65535);
  };
  EXPECT_EQ(ReadAndWalk(WriteNativeFile(doc)), kLoadSecondRealListCut);
  doc = TwoSheetDocument();
  doc.version = 3072;
  doc.attributesOverride = [](ArchiveWriter& w) { w.WriteRaw32(0xFFFFFFFF); };
  EXPECT_EQ(ReadAndWalk(WriteNativeFile(doc)), kLoadAttributesBad);
}

TEST(DamagedFile, TruncatedFilesGiveResultCodes) {
  for (const Bytes& seed : Seeds()) {
    for (std::size_t length = 0; length < seed.size(); ++length) {
      const int result = ReadAndWalk(Bytes(seed.begin(), seed.begin() + std::ptrdiff_t(length)));
      ASSERT_NE(result, kLoadOk) << "length " << length;
      ASSERT_TRUE(kKnownResults.count(result)) << result;
    }
  }
}

TEST(DamagedFile, RandomlyFlippedFilesGiveResultCodes) {
  std::mt19937 random(20240611);
  for (const Bytes& seed : Seeds()) {
    ASSERT_EQ(ReadAndWalk(seed), kLoadOk);
    for (int round = 0; round < 1500; ++round) {
      Bytes bad = seed;
      const int flips = 1 + int(random() % 8);
      for (int i = 0; i < flips; ++i) {
        const std::size_t at = random() % bad.size();
        switch (random() % 3) {
          case 0: bad[at] ^= std::uint8_t(1u << (random() % 8)); break;
          case 1: bad[at] = 0xFF; break;
          default: bad[at] = 0x00; break;
        }
      }
      if (random() % 4 == 0) bad.resize(random() % bad.size());
      ASSERT_TRUE(kKnownResults.count(ReadAndWalk(bad)));
    }
  }
}

}  // namespace
}  // namespace kvn::test
