// The metafile-drawing callback: a forced font quality for every font of a
// metafile, and font records whose handle index lies beyond the table.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"
#include "render/GdiOutput.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

int CountFonts(const std::vector<std::string>& calls, const std::string& quality, int* others) {
  int n = 0;
  *others = 0;
  for (const std::string& c : calls) {
    if (c.rfind("SelectObject font(", 0) != 0) continue;
    if (c.find(quality) != std::string::npos) {
      ++n;
    } else {
      ++*others;
    }
  }
  return n;
}

TEST(PlayMetafileRecord, QualityThreeReachesEveryFontOfAMetafile) {
  KVN_REQUIRE_TESTDATA(dir);
  std::ifstream in(dir / "metafile/libuemf_test_libuemf_ref.emf", std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::optional<EmfDocument> emf = EmfDocument::FromBytes(bytes.data(), bytes.size());
  ASSERT_TRUE(emf);
  RecordingDC dc;
  const TRect rect{0, 0, 1000, 1000};
  ASSERT_TRUE(EnumEnhMetaFile(dc, *emf, &PlayMetafileRecord, 3, &rect));
  int others = 0;
  EXPECT_GT(CountFonts(dc.calls, " q=3)", &others), 10);
  EXPECT_EQ(others, 0);
  // Played as it is, the metafile keeps its own qualities.
  RecordingDC plain;
  EnumEnhMetaFile(plain, *emf, nullptr, 0, &rect);
  int notThree = 0;
  CountFonts(plain.calls, " q=3)", &notThree);
  EXPECT_GT(notThree, 0);
}

TEST(PlayMetafileRecord, FontRecordBeyondTheTableIsPassedOver) {
  EmfBuilder b(1 << 16);
  std::uint8_t* h = b.Add(kEmrHeader, 108);
  le::Put32(h + 32, 1000);
  le::Put32(h + 36, 1000);
  le::Put32(h + 40, kEmfSignature);
  le::Put32(h + 44, 0x10000);
  le::Put32(h + 72, 100);
  le::Put32(h + 76, 100);
  le::Put32(h + 80, 10);
  le::Put32(h + 84, 10);
  for (std::uint32_t index : {7u, 1u}) {
    std::uint8_t* f = b.Add(82, 12 + 92);  // EXTCREATEFONTINDIRECTW
    le::Put32(f + 8, index);
    le::Put32(f + 12, std::uint32_t(-20));
    le::Put32(b.Add(37, 12) + 8, index);  // SELECTOBJECT
  }
  ASSERT_TRUE(b.Finish(2));
  const std::optional<EmfDocument> emf = EmfDocument::FromBytes(b.Bytes().Items(), b.Bytes().Count());
  ASSERT_TRUE(emf);
  RecordingDC dc;
  EmfPlayStats stats;
  EXPECT_TRUE(EnumEnhMetaFile(dc, *emf, &PlayMetafileRecord, 3, nullptr, &stats));
  EXPECT_EQ(stats.unplayed, 2u);  // the font record at 7 and its selection
  int others = 0;
  EXPECT_EQ(CountFonts(dc.calls, " q=3)", &others), 1);
  EXPECT_EQ(others, 0);
}

}  // namespace
}  // namespace kvn
