// Text drawn by a device context with the faces of the font layer: the
// stand-in names draw the Liberation faces, a realised face carries the
// layer's metrics, bold comes from the bold file and a missing slant is
// synthesised, and quality 3 draws without anti-aliasing.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/fonts/FontLayerFaces.h"
#include "platform/fonts/FontSources.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TextFaces.h"
#include "tests/support/PrivateFonts.h"

namespace kvn {
namespace {

struct Picture {
  static constexpr int kWidth = 160, kHeight = 60;
  std::vector<std::uint8_t> bits = std::vector<std::uint8_t>(kWidth * kHeight * 4, 0xFF);
};

LogFont Font(const char16_t* face, std::int32_t weight = 400, std::uint8_t italic = 0, std::uint8_t quality = 3) {
  LogFont f;
  f.height = -40;
  f.weight = weight;
  f.italic = italic;
  f.quality = quality;
  for (int i = 0; face[i] && i < kLfFaceSize - 1; ++i) f.faceName[i] = face[i];
  return f;
}

Picture Draw(const LogFont& font, const char16_t* text, int count) {
  Picture p;
  auto dc = RasterDC::Create(p.bits.data(), Picture::kWidth, Picture::kHeight);
  EXPECT_TRUE(dc);
  if (!dc) return p;
  dc->SetBkMode(kTransparent);
  dc->SetTextAlign(kTaLeft | kTaBaseline);
  dc->SelectObject(TFont(font));
  EXPECT_TRUE(dc->TextOut(10, 45, text, count));
  dc->Flush();
  return p;
}

int Ink(const Picture& p) {
  int n = 0;
  for (std::size_t i = 0; i < p.bits.size(); i += 4) n += p.bits[i] != 0xFF || p.bits[i + 1] != 0xFF || p.bits[i + 2] != 0xFF;
  return n;
}

class FontLayerFacesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::FontFilesPresent({test::kLiberationSans, test::kLiberationSansBold}))
      GTEST_SKIP() << "Debian fonts-liberation2 missing";
    fonts_ = std::make_unique<test::PrivateFonts>("layer-faces", std::vector<std::string>{
                                                                     test::kLiberationSans, test::kLiberationSansBold});
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

TEST_F(FontLayerFacesTest, RealisedFaceCarriesTheLayersMetrics) {
  TextFace face;
  ASSERT_TRUE(FontLayerFaces().Realise(Font(u"Arial"), &face));
  ASSERT_NE(face.face, nullptr);
  EXPECT_EQ(face.emSize, 40.0);
  // usWinAscent 1854 and usWinDescent 434 of 2048 units, at a 40-pixel em.
  EXPECT_EQ(face.ascent, 36.0);
  EXPECT_EQ(face.descent, 8.0);
  EXPECT_FALSE(face.antialias);
}

TEST_F(FontLayerFacesTest, StandInNameDrawsTheSameGlyphsAsTheFace) {
  const Picture arial = Draw(Font(u"Arial"), u"Hg", 2);
  const Picture liberation = Draw(Font(u"Liberation Sans"), u"Hg", 2);
  EXPECT_GT(Ink(arial), 200);
  EXPECT_EQ(arial.bits, liberation.bits);
}

TEST_F(FontLayerFacesTest, QualityThreeDrawsOnlyWholePixels) {
  const Picture p = Draw(Font(u"Arial"), u"Ag", 2);
  for (std::size_t i = 0; i < p.bits.size(); i += 4) {
    const bool white = p.bits[i] == 0xFF && p.bits[i + 1] == 0xFF && p.bits[i + 2] == 0xFF;
    const bool black = p.bits[i] == 0 && p.bits[i + 1] == 0 && p.bits[i + 2] == 0;
    ASSERT_TRUE(white || black) << "pixel " << i / 4;
  }
  const Picture smooth = Draw(Font(u"Arial", 400, 0, 4), u"Ag", 2);
  EXPECT_NE(smooth.bits, p.bits);
}

TEST_F(FontLayerFacesTest, BoldFromItsFileAndSlantSynthesised) {
  const Picture regular = Draw(Font(u"Arial"), u"HH", 2);
  const Picture bold = Draw(Font(u"Arial", 700), u"HH", 2);
  const Picture italic = Draw(Font(u"Arial", 400, 1), u"HH", 2);
  EXPECT_GT(Ink(bold), Ink(regular) * 5 / 4);
  // No italic file is installed: the slant is made, so the ink moves but
  // stays about as much.
  EXPECT_NE(italic.bits, regular.bits);
  EXPECT_NEAR(Ink(italic), Ink(regular), Ink(regular) / 5);
}

// Faces are kept per LogFont: sizes and qualities keep their own answers,
// and a memory font that a LogFont now chooses is seen at once.
TEST_F(FontLayerFacesTest, KeptAnswersFollowSizeQualityAndMemoryFonts) {
  if (!test::FontFilesPresent({test::kLiberationMono})) GTEST_SKIP() << "Liberation Mono missing";
  LogFont cell = Font(u"Liberation Mono");
  cell.height = 40;  // a cell height: the em follows the face's win ascent and descent
  TextFace before, small, again, smooth, memory, after;
  ASSERT_TRUE(FontLayerFaces().Realise(cell, &before));
  LogFont half = cell;
  half.height = 20;
  ASSERT_TRUE(FontLayerFaces().Realise(half, &small));
  ASSERT_TRUE(FontLayerFaces().Realise(cell, &again));
  EXPECT_EQ(again.emSize, before.emSize);
  EXPECT_EQ(again.ascent, before.ascent);
  EXPECT_NEAR(small.emSize * 2, before.emSize, 1.0);
  LogFont quality = cell;
  quality.quality = 4;
  ASSERT_TRUE(FontLayerFaces().Realise(quality, &smooth));
  EXPECT_FALSE(before.antialias);
  EXPECT_TRUE(smooth.antialias);

  // Only Liberation Sans is installed: it stands in until Mono travels as a
  // memory font (usWinAscent 1705, usWinDescent 615 of 2048 units).
  const int handle = AddMemoryFont(test::ReadFileBytes(test::kLiberationMono));
  ASSERT_GT(handle, 0);
  ASSERT_TRUE(FontLayerFaces().Realise(cell, &memory));
  RemoveMemoryFont(handle);
  EXPECT_NEAR(memory.emSize, 40.0 * 2048 / (1705 + 615), 1e-9);
  EXPECT_NE(memory.emSize, before.emSize);
  ASSERT_TRUE(FontLayerFaces().Realise(cell, &after));
  EXPECT_EQ(after.emSize, before.emSize);
}

}  // namespace
}  // namespace kvn
