// A damaged drawing or metafile may ask for a font of any height and width
// an int holds: the realised font's metrics and widths stay ordered and
// non-negative (saturated at the end of the 32-bit range), as for a font of
// a sane size.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/fonts/FontTypes.h"
#include "platform/fonts/RealizedFont.h"
#include "tests/support/PrivateFonts.h"

namespace kvn {
namespace {

TEST(RealizedFont, MetricsOfFontsOfEveryHeightAndWidthStayOrdered) {
  const std::vector<std::string> chosen = {test::kLiberationSans};
  if (!test::FontFilesPresent(chosen)) GTEST_SKIP() << "Debian fonts-liberation2 missing";
  test::PrivateFonts fonts("extreme", chosen);
  const std::int32_t heights[] = {-48, 48, -INT_MAX, INT_MIN, INT_MAX, -1};
  const std::int32_t widths[] = {0, 20, INT_MAX};
  for (const std::int32_t height : heights) {
    for (const std::int32_t width : widths) {
      SCOPED_TRACE(::testing::Message() << "height " << height << ", width " << width);
      LogFont lf;
      lf.height = height;
      lf.width = width;
      SetLogFontFace(lf, WString(u"Arial"));
      auto font = RealizedFont::Create(lf);
      ASSERT_NE(font, nullptr);
      const TextMetric tm = font->GetTextMetrics();
      EXPECT_GE(tm.ascent, 0);
      EXPECT_GE(tm.descent, 0);
      EXPECT_GE(tm.height, tm.ascent);
      EXPECT_GE(tm.height, tm.descent);
      EXPECT_GE(tm.aveCharWidth, 0);
      EXPECT_GE(tm.maxCharWidth, tm.aveCharWidth);
      std::int32_t advance = -1;
      ASSERT_TRUE(font->GetCharWidth(u'W', advance));
      EXPECT_GE(advance, 0);
      EXPECT_LE(advance, tm.maxCharWidth);
      (void)font->GetOutlineTextMetrics();
    }
  }
}

}  // namespace
}  // namespace kvn
