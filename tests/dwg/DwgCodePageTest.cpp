#include <gtest/gtest.h>

#include "import/records/DwgCodePages.h"
#include "tests/dwg/DwgTestSupport.h"

namespace kvn {
namespace {

// A byte above 0x7F of every row decodes through the platform's converters
// to a real character (single-byte pages) or a lead byte pair (East Asian
// pages) when an extended-data string names the row.
TEST(DwgCodePageTest, EveryRowDecodesExtendedDataStrings) {
  for (int row = 1; row < kDwgCodePageRows; ++row) {
    SCOPED_TRACE(row);
    const int cp = CodePageFromIndex(row);
    const bool multiByte = cp == 932 || cp == 936 || cp == 949 || cp == 950 || cp == 1361;
    std::vector<std::uint8_t> sample = {'A'};
    if (multiByte) {
      // A common ideograph or syllable of each double-byte page.
      switch (cp) {
        case 932: sample = {0x88, 0x9F}; break;   // 亜
        case 936: sample = {0xB0, 0xA1}; break;   // 啊
        case 949: sample = {0xB0, 0xA1}; break;   // 가
        case 950: sample = {0xA4, 0x40}; break;   // 一
        case 1361: sample = {0x88, 0x61}; break;  // 가
      }
    } else if (cp == 1200) {
      sample = {0xC3, 0xA9};  // read as UTF-8: é
    } else {
      sample = {0xE9};
    }
    test::DwgBitWriter w;
    std::vector<std::uint8_t> items = {0, std::uint8_t(sample.size()), 0, std::uint8_t(row)};
    items.insert(items.end(), sample.begin(), sample.end());
    w.BS(std::uint16_t(items.size()));
    w.H(5, 1);
    for (std::uint8_t b : items) w.RC(b);
    w.BS(0);
    test::BitReader r(w);
    ASSERT_TRUE(r.reader.ReadExtendedData(true));
    auto rec = test::RecordOf(r.reader);
    WString text = rec->GetString(1000);
    ASSERT_EQ(text.Length(), 1) << "code page " << cp;
    EXPECT_NE(text[0], u'?') << "code page " << cp;
    EXPECT_NE(text[0], 0xFFFD) << "code page " << cp;
    if (cp == 1252 || cp == 1250 || cp == 28592 || cp == 1200) {
      EXPECT_EQ(text[0], 0xE9) << "code page " << cp;
    }
  }
}

TEST(DwgCodePageTest, NamesAndRows) {
  EXPECT_EQ(CodePageFromName("ANSI_1250"), 1250);
  EXPECT_EQ(RowOfCodePage(1252), 2);
  EXPECT_EQ(CodePageForBytes(1200), 65001);
  EXPECT_EQ(CodePageForBytes(1250), 1250);
}

}  // namespace
}  // namespace kvn
