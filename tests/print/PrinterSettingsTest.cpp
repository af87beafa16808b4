#include "platform/print/PrinterSettings.h"

#include <gtest/gtest.h>

namespace kvn {
namespace {

TEST(PrinterSettings, RoundTripAndRefusalOfAnythingElse) {
  PrinterSettings s;
  s.fields = kDmOrientation | kDmPaperSize | kDmCopies;
  s.orientation = kDmOrientLandscape;
  s.paperSize = 257;
  s.media = "iso_a3_297x420mm";
  s.copies = 3;
  s.collate = 1;
  s.color = kDmColorMonochrome;
  s.resolutionX = 300;
  s.resolutionY = 600;
  std::vector<std::uint8_t> bytes = s.Serialize();
  auto back = PrinterSettings::Deserialize(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, s);

  // Every shorter prefix, a longer tail, another version, bad magic.
  for (std::size_t n = 0; n < bytes.size(); ++n)
    EXPECT_FALSE(PrinterSettings::Deserialize({bytes.data(), n})) << n;
  std::vector<std::uint8_t> longer = bytes;
  longer.push_back(0);
  EXPECT_FALSE(PrinterSettings::Deserialize(longer));
  std::vector<std::uint8_t> other = bytes;
  other[8] = 2;
  EXPECT_FALSE(PrinterSettings::Deserialize(other));
  other = bytes;
  other[0] = 'k';
  EXPECT_FALSE(PrinterSettings::Deserialize(other));
  other = bytes;
  other.back() = 0;  // a control byte in the medium name
  EXPECT_FALSE(PrinterSettings::Deserialize(other));
  other = bytes;
  other[16] = 7;  // orientation 7
  EXPECT_FALSE(PrinterSettings::Deserialize(other));
}

}  // namespace
}  // namespace kvn
