// RLE pictures through StretchDIBits, and the driver escapes: the raster
// target answers "not supported", the recording target logs and answers as
// told.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/gdi/TDib.h"

namespace kvn {
namespace {

// A 4 x 2 RLE picture of the given depth: bottom row red, top row a run of
// one green, then an absolute run of green, blue, white.
TDib RlePicture(bool four) {
  std::vector<std::uint8_t> b(40 + 16 * 4, 0);
  le::Put32(b.data(), 40);
  le::Put32(b.data() + 4, 4);
  le::Put32(b.data() + 8, 2);
  le::Put16(b.data() + 12, 1);
  le::Put16(b.data() + 14, four ? 4 : 8);
  le::Put32(b.data() + 16, four ? kBiRle4 : kBiRle8);
  le::Put32(b.data() + 32, 4);
  const std::uint32_t colors[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};  // 0x00RRGGBB
  for (int i = 0; i < 4; ++i) le::Put32(b.data() + 40 + 4 * i, colors[i]);
  std::vector<std::uint8_t> rle;
  if (four)
    rle = {4, 0x00, 0, 0, 1, 0x10, 0, 3, 0x12, 0x30, 0, 1};
  else
    rle = {4, 0, 0, 0, 1, 1, 0, 3, 1, 2, 3, 0, 0, 1};
  le::Put32(b.data() + 20, std::uint32_t(rle.size()));
  b.resize(40 + 4 * 4);
  b.insert(b.end(), rle.begin(), rle.end());
  TDib dib;
  EXPECT_TRUE(dib.LoadPackedDib(b.data(), b.size()));
  return dib;
}

TEST(StretchDIBits, RleFourAndEightDecodeThroughTheBlit) {
  for (bool four : {true, false}) {
    const TDib dib = RlePicture(four);
    ASSERT_FALSE(dib.IsEmpty());
    std::vector<std::uint8_t> bits(8 * 4 * 4, 0);
    auto dc = RasterDC::Create(bits.data(), 8, 4);
    EXPECT_EQ(dc->StretchDIBits(0, 0, 8, 4, 0, 0, 4, 2, dib, kSrcCopy), 2);
    dc->Flush();
    auto at = [&](int x, int y) {
      const std::uint8_t* p = &bits[(std::size_t(y) * 8 + x) * 4];
      return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
    };
    EXPECT_EQ(at(0, 0), 0x00FF00u) << four;
    EXPECT_EQ(at(3, 1), 0x00FF00u) << four;
    EXPECT_EQ(at(5, 0), 0x0000FFu) << four;
    EXPECT_EQ(at(7, 1), 0xFFFFFFu) << four;
    EXPECT_EQ(at(0, 3), 0xFF0000u) << four;
    EXPECT_EQ(at(7, 2), 0xFF0000u) << four;
  }
}

TEST(ExtEscape, RasterTargetsDeclineAndTheRecordingTargetAnswersAsTold) {
  std::vector<std::uint8_t> bits(4 * 4 * 4, 0);
  auto raster = RasterDC::Create(bits.data(), 4, 4);
  std::uint8_t query[4];
  le::Put32(query, kCheckJpegFormat);
  EXPECT_EQ(raster->ExtEscape(kQueryEscSupport, 4, query, 0, nullptr), 0);

  RecordingDC dc;
  dc.supportedEscapes[kCheckJpegFormat] = 1;
  dc.escapeResults[kCheckJpegFormat] = 1;
  dc.escapeOutput = 1;
  EXPECT_EQ(dc.ExtEscape(kQueryEscSupport, 4, query, 0, nullptr), 1);
  le::Put32(query, kCheckPngFormat);
  EXPECT_EQ(dc.ExtEscape(kQueryEscSupport, 4, query, 0, nullptr), 0);
  const std::uint8_t jpeg[10] = {};
  std::uint32_t answer = 0;
  EXPECT_EQ(dc.ExtEscape(kCheckJpegFormat, 10, jpeg, 4, &answer), 1);
  EXPECT_EQ(answer, 1u);
  EXPECT_EQ(dc.ExtEscape(kCheckPngFormat, 10, jpeg, 4, &answer), 0);
  ASSERT_EQ(dc.calls.size(), 4u);
  EXPECT_EQ(dc.calls[0], "ExtEscape QUERYESCSUPPORT 4119 -> 1");
  EXPECT_EQ(dc.calls[1], "ExtEscape QUERYESCSUPPORT 4120 -> 0");
  EXPECT_EQ(dc.calls[2], "ExtEscape 4119 in(10) -> 1");
  EXPECT_EQ(dc.calls[3], "ExtEscape 4120 in(10) -> 0");
  // A short query asks about nothing.
  EXPECT_EQ(dc.ExtEscape(kQueryEscSupport, 2, query, 0, nullptr), 0);
}

}  // namespace
}  // namespace kvn
