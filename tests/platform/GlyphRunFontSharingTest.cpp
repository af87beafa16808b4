// Glyph runs on a raster target share one scaled font between runs of one
// face, size and turn, their positions carried by the glyphs: the pixels
// must be those of runs that each set their position in cairo's matrix.
// Runs of many sizes (a fraction of a pixel to tens of pixels), turns,
// mirrorings, sub-pixel positions, both qualities and alternating sizes are
// drawn one after the other both ways and every byte is compared.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/fonts/FontLayerFaces.h"
#include "platform/gdi/CairoDC.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TextFaces.h"
#include "tests/support/PrivateFonts.h"

namespace kvn {
namespace {

constexpr int kWidth = 320, kHeight = 200;

struct GlyphRun {
  double scale;     // device pixels per font unit (a 48-unit cell)
  double degrees;   // turn of the run
  bool mirror;      // mirrored in x
  double x, y;      // device position, fractions included
  std::uint8_t quality;
  const char16_t* text;
};

LogFont Cell(std::uint8_t quality) {
  LogFont f;
  f.height = -48;
  f.quality = quality;
  const char16_t face[] = u"Arial";
  for (int i = 0; face[i]; ++i) f.faceName[i] = face[i];
  return f;
}

std::vector<std::uint8_t> Draw(const std::vector<GlyphRun>& runs, bool shared) {
  SetSharedGlyphFontForTests(shared);
  std::vector<std::uint8_t> bits(std::size_t(kWidth) * kHeight * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), kWidth, kHeight);
  EXPECT_TRUE(dc);
  if (dc) {
    dc->SetBkMode(kTransparent);
    dc->SetTextAlign(kTaLeft | kTaBaseline);
    dc->SetGraphicsMode(kGmAdvanced);
    for (const GlyphRun& r : runs) {
      dc->SelectObject(TFont(Cell(r.quality)));
      dc->SetTextColor(r.quality == 3 ? Rgb(0, 0, 0) : Rgb(20, 40, 160));
      const double a = r.degrees * 3.14159265358979323846 / 180.0;
      const double sx = r.mirror ? -r.scale : r.scale;
      EXPECT_TRUE(dc->SetWorldTransform(XForm{sx * std::cos(a), r.scale * std::sin(a), -sx * std::sin(a),
                                              r.scale * std::cos(a), r.x, r.y}));
      EXPECT_TRUE(dc->TextOut(0, 0, r.text, int(std::char_traits<char16_t>::length(r.text))));
    }
    dc->Flush();
  }
  SetSharedGlyphFontForTests(true);
  return bits;
}

class GlyphRunFontSharing : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::FontFilesPresent({test::kLiberationSans})) GTEST_SKIP() << "Debian fonts-liberation2 missing";
    fonts_ = std::make_unique<test::PrivateFonts>("glyph-sharing", std::vector<std::string>{test::kLiberationSans});
    previous_ = GetTextFaceSource();
    InstallFontLayerFaces();
  }
  void TearDown() override {
    SetTextFaceSource(previous_);
    fonts_.reset();
  }
  std::unique_ptr<test::PrivateFonts> fonts_;
  TextFaceSource* previous_ = nullptr;
};

TEST_F(GlyphRunFontSharing, RunsDrawTheSamePixelsAsRunsPlacedByTheMatrix) {
  std::vector<GlyphRun> runs;
  // Sizes from a fifth of a pixel to 24 pixels a cell, each twice in a row
  // and then alternating with the next, at positions with every quarter of
  // a pixel and the halves where cairo's rounding turns.
  const double scales[] = {0.004, 0.0125, 0.05, 0.2, 0.5};
  const double fractions[] = {0.0, 0.25, 0.5, 0.75, 0.4999999, 0.5000001};
  int n = 0;
  for (const double scale : scales) {
    for (const double f : fractions) {
      const double x = 8 + (n % 9) * 34 + f, y = 20 + (n / 9) * 30 + f;
      runs.push_back({scale, 0, false, x, y, 0, u"Room 12"});
      runs.push_back({scale * 1.5, 0, false, x + 3, y + 9, 0, u"Block"});
      ++n;
    }
  }
  // Turns, mirrored runs and the quality without anti-aliasing.
  for (const double degrees : {90.0, 180.0, 270.0, 33.0}) {
    runs.push_back({0.25, degrees, false, 160.5, 100.25, 0, u"Turned"});
    runs.push_back({0.25, degrees, true, 160.25, 100.5, 3, u"Mirror"});
  }
  runs.push_back({0.0125, 0, false, 300.5, 190.5, 3, u"tiny"});
  const std::vector<std::uint8_t> shared = Draw(runs, true);
  const std::vector<std::uint8_t> placed = Draw(runs, false);
  int inked = 0;
  for (std::size_t i = 0; i < shared.size(); i += 4) inked += shared[i] != 0xFF;
  EXPECT_GT(inked, 1000);
  ASSERT_EQ(shared.size(), placed.size());
  int differing = 0;
  for (std::size_t i = 0; i < shared.size(); ++i) differing += shared[i] != placed[i];
  EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace kvn
