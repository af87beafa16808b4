// A damaged drawing or metafile may ask for a font of any height and width
// an int holds: the realised font's metrics and widths stay ordered and
// non-negative (saturated at the end of the 32-bit range), as for a font of
// a sane size; runs of any finite size are laid out, past the largest size
// FreeType sets by scaling that size's advances, without losing memory (the
// sanitizer build's leak check).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/fonts/FontLayerFaces.h"
#include "platform/fonts/FontTypes.h"
#include "platform/fonts/RealizedFont.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TextFaces.h"
#include "platform/gdi/XForm.h"
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

TEST(RealizedFont, RunsOfEveryFiniteSizeAreLaidOutInProportion) {
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
  const auto layout = [&](double em, double* total) {
    TextFace sized = face;
    sized.emSize = em;
    std::vector<PlacedGlyph> glyphs;
    *total = 0;
    const bool laidOut = LayoutTextRun(sized, u"Wx", 2, nullptr, &glyphs, nullptr, total);
    return laidOut && glyphs.size() == 2;
  };
  double reference = 0;
  ASSERT_TRUE(layout(4000, &reference));
  ASSERT_GT(reference, 0);
  for (const double em : {65535.0, 65536.0, 1e6, 2.2e9}) {
    SCOPED_TRACE(::testing::Message() << "em " << em);
    double total = 0;
    ASSERT_TRUE(layout(em, &total));
    EXPECT_NEAR(total / em, reference / 4000, 0.01 * reference / 4000);
  }
  double total = 0;
  EXPECT_FALSE(layout(std::numeric_limits<double>::infinity(), &total));
  EXPECT_FALSE(layout(std::numeric_limits<double>::quiet_NaN(), &total));
  SetTextFaceSource(previous);
}

// The same through a device context whose transform enlarges the font: text
// whose em on the device stays within the largest size is drawn, larger
// text is left out, and neither loses memory.
TEST(RealizedFont, TextEnlargedPastTheLargestSizeOnTheDeviceIsLeftOut) {
  const std::vector<std::string> chosen = {test::kLiberationSans};
  if (!test::FontFilesPresent(chosen)) GTEST_SKIP() << "Debian fonts-liberation2 missing";
  test::PrivateFonts fonts("extreme-device", chosen);
  TextFaceSource* previous = GetTextFaceSource();
  InstallFontLayerFaces();
  constexpr int kSide = 64;
  for (const double enlarged : {1.0, 1000.0, 3000.0}) {
    SCOPED_TRACE(::testing::Message() << "enlarged " << enlarged << " times");
    std::vector<std::uint8_t> bits(kSide * kSide * 4, 0xFF);
    auto dc = RasterDC::Create(bits.data(), kSide, kSide);
    ASSERT_TRUE(dc);
    dc->SetGraphicsMode(kGmAdvanced);
    // The picture looks at the middle of the stem of an I: 0.09 to 0.19 em
    // across, its foot on the baseline, 0.3 em below the picture's middle.
    const double em = 30 * enlarged;
    dc->SetWorldTransform(XForm{enlarged, 0, 0, enlarged, 32 - 0.14 * em, 32 + 0.3 * em});
    LogFont lf;
    lf.height = -30;  // 30,000 and 90,000 pixels on the device
    SetLogFontFace(lf, WString(u"Arial"));
    dc->SelectObject(TFont(lf));
    dc->SetBkMode(kTransparent);
    dc->SetTextAlign(kTaLeft | kTaBaseline);
    dc->TextOut(0, 0, u"I", 1);
    dc->Flush();
    int ink = 0;
    for (std::size_t i = 0; i < bits.size(); i += 4) ink += bits[i] < 128;
    if (enlarged * 30 <= kMaxGlyphPixelsPerEm) {
      EXPECT_GT(ink, 0);
    } else {
      EXPECT_EQ(ink, 0);
    }
  }
  SetTextFaceSource(previous);
}

// A font's width stretches its glyphs along the baseline: stretched within
// the largest size the stem of an I lands where its stretch puts it,
// stretched past it (a damaged metafile's width) the text is left out, and
// neither loses memory.
TEST(RealizedFont, TextStretchedPastTheLargestSizeIsLeftOut) {
  const std::vector<std::string> chosen = {test::kLiberationSans};
  if (!test::FontFilesPresent(chosen)) GTEST_SKIP() << "Debian fonts-liberation2 missing";
  test::PrivateFonts fonts("extreme-width", chosen);
  TextFaceSource* previous = GetTextFaceSource();
  InstallFontLayerFaces();
  constexpr int kSide = 64;
  for (const std::int32_t width : {20, 10000, 100000, INT_MAX}) {
    SCOPED_TRACE(::testing::Message() << "width " << width);
    LogFont lf;
    lf.height = -30;
    lf.width = width;
    SetLogFontFace(lf, WString(u"Arial"));
    auto realised = RealizedFont::Create(lf);
    ASSERT_NE(realised, nullptr);
    const double stretch = realised->WidthScale();
    ASSERT_GT(stretch, 1.0);
    std::vector<std::uint8_t> bits(kSide * kSide * 4, 0xFF);
    auto dc = RasterDC::Create(bits.data(), kSide, kSide);
    ASSERT_TRUE(dc);
    dc->SelectObject(TFont(lf));
    dc->SetTextAlign(kTaLeft | kTaBaseline);
    // The middle of the stem (0.09 to 0.19 em across) on the picture's
    // middle column, its foot on the baseline 9 pixels below the middle row;
    // the run's opaque cell is drawn in the paper's colour.
    dc->TextOut(int(std::lround(32 - 0.14 * 30 * stretch)), 41, u"I", 1);
    dc->Flush();
    int ink = 0;
    for (std::size_t i = 0; i < bits.size(); i += 4) ink += bits[i] < 128;
    if (30 * stretch <= kMaxGlyphPixelsPerEm) {
      EXPECT_GT(ink, 0);
    } else {
      EXPECT_EQ(ink, 0);
    }
  }
  SetTextFaceSource(previous);
}

}  // namespace
}  // namespace kvn
