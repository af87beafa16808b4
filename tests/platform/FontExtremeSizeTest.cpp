// A damaged drawing or metafile may ask for a font of any height and width
// an int holds: the realised font's metrics and widths stay ordered and
// non-negative (saturated at the end of the 32-bit range), as for a font of
// a sane size; runs are laid out up to the largest size FreeType sets and
// refused past it, without losing memory (the sanitizer build's leak check).
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/fonts/FontLayerFaces.h"
#include "platform/fonts/FontTypes.h"
#include "platform/fonts/RealizedFont.h"
#include "platform/gdi/TextFaces.h"
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

TEST(RealizedFont, RunsAreLaidOutUpToTheLargestSizeAndRefusedPastIt) {
  const std::vector<std::string> chosen = {test::kLiberationSans};
  if (!test::FontFilesPresent(chosen)) GTEST_SKIP() << "Debian fonts-liberation2 missing";
  test::PrivateFonts fonts("extreme-layout", chosen);
  TextFaceSource* previous = GetTextFaceSource();
  InstallFontLayerFaces();
  LogFont lf;
  lf.height = -40;
  SetLogFontFace(lf, WString(u"Arial"));
  TextFace face;
  ASSERT_TRUE(FontLayerFaces().Realise(lf, &face));
  const double sizes[] = {12, 4000, 65535, 65536, 1e6, 2.2e9};
  for (const double em : sizes) {
    SCOPED_TRACE(::testing::Message() << "em " << em);
    TextFace sized = face;
    sized.emSize = em;
    std::vector<PlacedGlyph> glyphs;
    double total = 0;
    const bool laidOut = LayoutTextRun(sized, u"Wx", 2, nullptr, &glyphs, nullptr, &total);
    EXPECT_EQ(laidOut, em <= 65535);
    if (laidOut) {
      EXPECT_EQ(glyphs.size(), 2u);
      EXPECT_GT(total, 0);
    }
  }
  SetTextFaceSource(previous);
}

}  // namespace
}  // namespace kvn
