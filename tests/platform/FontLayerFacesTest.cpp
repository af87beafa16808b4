// Text drawn by a device context with the faces of the font layer: the
// stand-in names draw the Liberation faces, a realised face carries the
// layer's metrics, bold comes from the bold file and a missing slant is
// synthesised, quality 3 draws without anti-aliasing, the glyphs follow
// memory fonts as they come and go, and the run layout's kept answers are
// cairo's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <cairo.h>

#include "foundation/WString.h"
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

// What the run layout answers, asked of cairo afresh for every character.
void ReferenceLayout(const TextFace& face, const std::u16string& text, std::vector<PlacedGlyph>& glyphs,
                     std::vector<double>& advances) {
  cairo_matrix_t size, identity;
  cairo_matrix_init_scale(&size, face.emSize, face.emSize);
  cairo_matrix_init_identity(&identity);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_scaled_font_t* scaled = cairo_scaled_font_create(face.face, &size, &identity, options);
  cairo_font_options_destroy(options);
  glyphs.clear();
  advances.clear();
  double x = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool pair = text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size();
    const std::string utf8 = WString(text.substr(i, pair ? 2 : 1).c_str()).ToUtf8();
    cairo_glyph_t* list = nullptr;
    int n = 0;
    double advance = 0;
    if (cairo_scaled_font_text_to_glyphs(scaled, 0, 0, utf8.data(), int(utf8.size()), &list, &n, nullptr, nullptr,
                                         nullptr) == CAIRO_STATUS_SUCCESS &&
        n > 0) {
      glyphs.push_back({list[0].index, x});
      cairo_text_extents_t e;
      cairo_scaled_font_glyph_extents(scaled, list, 1, &e);
      advance = e.x_advance;
    }
    cairo_glyph_free(list);
    advances.push_back(advance);
    if (pair) advances.push_back(0);
    x += advance;
    i += pair ? 1 : 0;
  }
  cairo_scaled_font_destroy(scaled);
}

// The layout keeps its scaled fonts and the characters' answers per face and
// em size: cycling through more sizes than it keeps, with characters inside
// and beyond its direct table and a surrogate pair, every run is what cairo
// answers afresh.
TEST_F(FontLayerFacesTest, RunLayoutKeepsCairosAnswersAcrossSizes) {
  TextFace face;
  ASSERT_TRUE(FontLayerFaces().Realise(Font(u"Arial"), &face));
  const std::u16string text = u"Wi\u00e9\u20ac\u03a9\U0001D400 x";
  const double sizes[] = {5, 7.5, 9, 11, 13, 40, 61, 100, 0.75, 3.2, 12};
  for (int pass = 0; pass < 2; ++pass) {
    for (double em : sizes) {
      TextFace sized = face;
      sized.emSize = em;
      std::vector<PlacedGlyph> glyphs, expected;
      std::vector<double> advances, expectedAdvances;
      double total = 0;
      ASSERT_TRUE(LayoutTextRun(sized, text.data(), int(text.size()), nullptr, &glyphs, &advances, &total));
      ReferenceLayout(sized, text, expected, expectedAdvances);
      ASSERT_EQ(glyphs.size(), expected.size()) << em;
      for (std::size_t i = 0; i < glyphs.size(); ++i) {
        EXPECT_EQ(glyphs[i].index, expected[i].index) << em << " " << i;
        EXPECT_EQ(glyphs[i].x, expected[i].x) << em << " " << i;
      }
      EXPECT_EQ(advances, expectedAdvances) << em;
    }
  }
}

// The rightmost inked column, -1 for none.
int RightmostInk(const Picture& p) {
  int right = -1;
  for (int y = 0; y < Picture::kHeight; ++y)
    for (int x = 0; x < Picture::kWidth; ++x) {
      const std::size_t i = (std::size_t(y) * Picture::kWidth + std::size_t(x)) * 4;
      if (p.bits[i] != 0xFF || p.bits[i + 1] != 0xFF || p.bits[i + 2] != 0xFF) right = std::max(right, x);
    }
  return right;
}

// The glyphs follow the font choice as the metrics do: a memory font that a
// name now chooses draws its own glyphs (four monospaced i of 0.6 em reach
// far beyond four of the stand-in's 0.22 em), and once removed the stand-in
// draws again, while a face handed out before still reads its bytes.
TEST_F(FontLayerFacesTest, GlyphsFollowMemoryFontsComingAndGoing) {
  if (!test::FontFilesPresent({test::kLiberationMono})) GTEST_SKIP() << "Liberation Mono missing";
  const LogFont mono = Font(u"Liberation Mono");
  const int standIn = RightmostInk(Draw(mono, u"iiii", 4));
  ASSERT_GT(standIn, 10);
  ASSERT_LT(standIn, 60);

  // A name asked first while the memory font is there (another weight of
  // the same regular face) draws with it too, and lets it go with it.
  const LogFont later = Font(u"Liberation Mono", 401);
  const int handle = AddMemoryFont(test::ReadFileBytes(test::kLiberationMono));
  ASSERT_GT(handle, 0);
  EXPECT_GT(RightmostInk(Draw(mono, u"iiii", 4)), 90);
  EXPECT_GT(RightmostInk(Draw(later, u"iiii", 4)), 90);
  TextFace kept;
  ASSERT_TRUE(FontLayerFaces().Realise(later, &kept));
  RemoveMemoryFont(handle);

  EXPECT_EQ(RightmostInk(Draw(mono, u"iiii", 4)), standIn);
  EXPECT_EQ(RightmostInk(Draw(later, u"iiii", 4)), standIn);
  std::vector<PlacedGlyph> glyphs;
  double advance = 0;
  ASSERT_TRUE(LayoutTextRun(kept, u"iiii", 4, nullptr, &glyphs, nullptr, &advance));
  EXPECT_NEAR(advance, 4 * 0.6 * kept.emSize, 0.5);
}

}  // namespace
}  // namespace kvn
