// Text through the device context on the raster target, with the fonts
// pinned (a fontconfig file that knows only the Liberation fonts): runs at
// the four quarter escapements, mirrored and half-width under GM_ADVANCED,
// centred and right-aligned on the baseline; widths and DrawText.
// The face source here is a test stand-in for the fonts layer: cairo's own
// fontconfig lookup by family name.
#include <gtest/gtest.h>

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/gdi/RasterDC.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/gdi/TextFaces.h"
#include "render/DrawInfo.h"
#include "render/GdiOutput.h"
#include "tests/support/GoldenImage.h"

namespace kvn {
namespace {

// Before fontconfig starts: only the Liberation fonts exist for this program.
const bool kFontsPinned = [] {
  const std::filesystem::path conf = std::filesystem::temp_directory_path() / "kvn-text-golden-fonts.conf";
  std::ofstream(conf) << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
                         "<dir>/usr/share/fonts/truetype/liberation2</dir>\n"
                         "<cachedir>" << (std::filesystem::temp_directory_path() / "kvn-text-golden-fc").string()
                      << "</cachedir>\n</fontconfig>\n";
  return setenv("FONTCONFIG_FILE", conf.c_str(), 1) == 0;
}();

class FamilyFaces : public TextFaceSource {
 public:
  ~FamilyFaces() override {
    for (auto& [key, face] : faces_) cairo_font_face_destroy(face);
  }
  bool Realise(const LogFont& f, TextFace* out) override {
    std::string family;
    for (int i = 0; i < kLfFaceSize && f.faceName[i]; ++i) family.push_back(char(f.faceName[i] & 0x7F));
    const bool bold = f.weight >= 600;
    cairo_font_face_t*& face = faces_[family + (bold ? "/b" : "") + (f.italic ? "/i" : "")];
    if (!face)
      face = cairo_toy_font_face_create(family.c_str(), f.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                                        bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_matrix_t unit, identity;
    // Metrics at a large size without hinting, per em.
    constexpr double kSize = 1000;
    cairo_matrix_init_scale(&unit, kSize, kSize);
    cairo_matrix_init_identity(&identity);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_scaled_font_t* scaled = cairo_scaled_font_create(face, &unit, &identity, options);
    cairo_font_options_destroy(options);
    cairo_font_extents_t e;
    cairo_scaled_font_extents(scaled, &e);
    cairo_scaled_font_destroy(scaled);
    e.ascent /= kSize;
    e.descent /= kSize;
    const double cell = e.ascent + e.descent;
    const double em = f.height < 0 ? -f.height : f.height > 0 ? f.height / cell : 16;
    *out = TextFace{face, em, e.ascent * em, e.descent * em, (cell - 1) * em, 0, f.quality != 3};
    return true;
  }

 private:
  std::map<std::string, cairo_font_face_t*> faces_;
};

class TextGoldenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kFontsPinned);
    SetTextFaceSource(&faces_);
  }
  void TearDown() override { SetTextFaceSource(nullptr); }
  // cairo and fontconfig keep caches of the faces for the process; they are
  // let go so that the leak checker sees only this program's memory.
  static void TearDownTestSuite() {
    cairo_debug_reset_static_data();
    FcFini();
  }
  FamilyFaces faces_;
};

TFont Font(int height, int escapement, std::uint8_t quality = 3) {
  LogFont f;
  f.height = height;
  f.escapement = escapement;
  f.quality = quality;
  const char16_t name[] = u"Liberation Sans";
  for (std::size_t i = 0; i < std::size(name); ++i) f.faceName[i] = name[i];
  return TFont(f);
}

// A small cross on the reference point, to see where each run is placed.
void Mark(TDC& dc, int x, int y) {
  for (int d = -3; d <= 3; ++d) {
    dc.SetPixel(x + d, y, Rgb(255, 0, 0));
    dc.SetPixel(x, y + d, Rgb(255, 0, 0));
  }
}

TEST_F(TextGoldenTest, RunsMatchTheReviewedPicture) {
  constexpr int kWidth = 320, kHeight = 200;
  std::vector<std::uint8_t> bits(kWidth * kHeight * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), kWidth, kHeight);
  ASSERT_TRUE(dc);
  dc->SetBkMode(kTransparent);
  dc->SetTextAlign(kTaLeft | kTaBaseline);
  const char16_t text[] = u"Kvn 90";
  const struct {
    int escapement, x, y;
  } runs[] = {{0, 20, 40}, {900, 40, 190}, {1800, 150, 60}, {2700, 120, 80}};
  for (const auto& r : runs) {
    dc->SelectObject(Font(-18, r.escapement));
    EXPECT_TRUE(dc->TextOut(r.x, r.y, text, 6));
    Mark(*dc, r.x, r.y);
  }
  // Centred and right-aligned on the baseline, opaque background.
  dc->SelectObject(Font(-16, 0));
  dc->SetBkMode(kOpaque);
  dc->SetBkColor(Rgb(200, 230, 255));
  dc->SetTextAlign(kTaCenter | kTaBaseline);
  dc->TextOut(230, 40, u"centre", 6);
  Mark(*dc, 230, 40);
  dc->SetTextAlign(kTaRight | kTaBaseline);
  dc->TextOut(310, 70, u"right", 5);
  Mark(*dc, 310, 70);
  dc->SetBkMode(kTransparent);
  // Mirrored and half-width runs through the extent-scaling road of the
  // metafile export, under GM_ADVANCED.
  dc->SetGraphicsMode(kGmAdvanced);
  dc->SetMapMode(kMmAnisotropic);
  dc->SelectObject(Font(-18, 0, 3));
  cDrawInfo info(WorldMapping{}, nullptr, dc.get());
  info.mapping.outputMode = OutputMode::Metafile;
  TextRun run;
  run.text = text;
  run.count = 6;
  run.directOutput = true;
  run.position = {300, 120};
  run.mirrorX = true;
  DrawTextRun(*dc, run, info);
  Mark(*dc, 300, 120);
  run.mirrorX = false;
  run.xScale = 0.5;
  run.position = {180, 150};
  DrawTextRun(*dc, run, info);
  Mark(*dc, 180, 150);
  run.xScale = 0;
  run.mirrorY = true;
  run.position = {180, 170};
  DrawTextRun(*dc, run, info);
  Mark(*dc, 180, 170);
  dc->Flush();
  test::ExpectMatchesGolden(test::PictureFromBgra(bits.data(), kWidth, kHeight), "text_runs", 0);
}

TEST_F(TextGoldenTest, WidthsExtentsMetricsAndDrawText) {
  RecordingDC dc;
  dc.SelectObject(Font(-100, 0));
  int widths[3] = {};
  ASSERT_TRUE(dc.GetCharWidth('i', 'k', widths));
  // Liberation Sans: i and j 22.2 % of the em, k 50 %.
  EXPECT_EQ(widths[0], 22);
  EXPECT_EQ(widths[1], 22);
  EXPECT_EQ(widths[2], 50);
  TSize size;
  ASSERT_TRUE(dc.GetTextExtent(u"ijk", 3, &size));
  EXPECT_EQ(size.cx, 94);
  TDC::TextMetrics m;
  ASSERT_TRUE(dc.GetTextMetrics(&m));
  EXPECT_EQ(m.ascent, 91);
  EXPECT_EQ(m.descent, 21);
  EXPECT_EQ(m.height, 112);
  // A cell height (positive) of 112 is the same font.
  dc.SelectObject(Font(112, 0));
  ASSERT_TRUE(dc.GetCharWidth('k', 'k', widths));
  EXPECT_EQ(widths[0], 50);

  TRect box{10, 10, 10, 10};
  EXPECT_EQ(dc.DrawText(u"i&jk", 4, &box, kDtCalcRect | kDtSingleLine), 112);
  EXPECT_EQ(box, (TRect{10, 10, 105, 122}));  // the em of a 112 cell is a little above 100
  dc.Clear();
  box = {0, 0, 200, 200};
  EXPECT_EQ(dc.DrawText(u"ijk", 3, &box, kDtCenter | kDtVCenter | kDtSingleLine), 112);
  // DrawText is logged as it was called; the text goes through the state.
  EXPECT_EQ(dc.calls.size(), 1u);
  EXPECT_EQ(dc.GetTextAlign(), kTaLeft | kTaTop);
}

TEST(TextWithoutFaces, OnlyTheOpaqueBoxIsPaintedAndTheAnswerIsFalse) {
  SetTextFaceSource(nullptr);
  RecordingDC dc;
  int widths[1];
  EXPECT_FALSE(dc.GetCharWidth('a', 'a', widths));
  EXPECT_FALSE(dc.TextOut(0, 0, u"a", 1));
  EXPECT_TRUE(dc.TextOut(0, 0, u"", 0));
}

}  // namespace
}  // namespace kvn
