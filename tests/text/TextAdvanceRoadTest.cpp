// Texts drawn through the device context ask the drawing context for their
// character advances, which it keeps per device and selected font for the
// life of a repaint. Random texts in two faces and two styles, at random
// sizes, quarter turns and views, drawn in one context must give exactly the
// pixels of every text drawn in a context of its own (where every advance
// comes from the device afresh).
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/FontList.h"
#include "model/TextGlyphBoxes.h"
#include "model/TrueTypeFace.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "platform/fonts/FontLayerFaces.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TextFaces.h"
#include "render/DrawInfo.h"
#include "render/GeometryServicesImpl.h"
#include "render/RasterSurface.h"
#include "render/TextFontCache.h"
#include "tests/support/PrivateFonts.h"
#include "text/ShxParsedFont.h"
#include "text/TrueTypeLine.h"

namespace kvn {
namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

class TextAdvanceRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::FontFilesPresent({test::kLiberationSans, test::kLiberationNarrow}))
      GTEST_SKIP() << "Liberation Sans or Liberation Sans Narrow missing";
    FontList::ResetForTest();
    fonts_ = std::make_unique<test::PrivateFonts>(
        "text-advances", std::vector<std::string>{test::kLiberationSans, test::kLiberationNarrow});
    InstallFontLayerFaces();
    InstallShxFonts();
    InstallTrueTypeLineDrawer();
    InstallRendererGeometryServices();
    ClearTextFontCache();
    data_.Levels().InsertLevel(u"0", nullptr, 0);
    faces_[0] = AddTrueType(u"Arial");
    faces_[1] = AddTrueType(u"Arial Narrow");
  }
  void TearDown() override {
    texts_.clear();
    ClearTextFontCache();
    fonts_.reset();
    SetTextFaceSource(nullptr);
    FontList::ResetForTest();
    SetShxArchiveLoader(nullptr);
    SetShxMetricsSource(nullptr);
    SetShxGlyphBoxSource(nullptr);
    SetShxTextDrawer(nullptr);
    SetTrueTypeGlyphBoxSource(nullptr);
  }
  std::uint16_t AddTrueType(const char16_t* name) {
    auto font = std::make_unique<cStyleFont>();
    font->name = WString(name);
    font->BindFace(std::make_unique<TrueTypeFaceSet>(font->name), nullptr);
    return data_.FontStyles().Add(std::move(font));
  }

  void MakeTexts(std::mt19937& random) {
    static const char16_t kChars[] = u"AaBbgjMWmw il.,0123456789 \u00e9\u00c4\u00df\u20ac\u03a9-";
    constexpr int kCount = int(sizeof kChars / sizeof kChars[0]) - 1;
    std::uniform_int_distribution<int> pick(0, kCount - 1), length(1, 12), quarter(0, 3), coin(0, 1);
    std::uniform_real_distribution<double> x(0, 120), y(0, 90), height(0.5, 6.0);
    for (int i = 0; i < 60; ++i) {
      std::u16string s;
      for (int n = length(random); n > 0; --n) s.push_back(kChars[pick(random)]);
      auto t = std::make_unique<cText>();
      t->SetText(WString(s.c_str()));
      t->SetFontIndex(faces_[coin(random)]);
      t->attr.height = height(random);
      t->attr.styleBits = coin(random) ? 0x07 : 0;  // bold
      t->attr.color = std::uint32_t(random() & 0x00FFFFFFu);
      t->alignment = std::uint8_t(quarter(random) % 3);
      t->point = {x(random), y(random)};
      t->SetAngle(90.0 * quarter(random));
      t->SetLevel(0);
      texts_.push_back(std::move(t));
    }
  }

  // `shared`: every text in one drawing context; else one context a text.
  std::vector<std::uint32_t> Paint(const WorldMapping& mapping, bool shared) {
    cRasterSurface surface(false);
    EXPECT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
    surface.SetAntiAliasMode(1);
    surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
    if (shared) {
      cDrawInfo info(mapping, &data_, surface.GetRasterDC(), &surface);
      for (auto& t : texts_) t->Draw(&info);
    } else {
      for (auto& t : texts_) {
        cDrawInfo info(mapping, &data_, surface.GetRasterDC(), &surface);
        t->Draw(&info);
      }
    }
    surface.Flush();
    std::vector<std::uint32_t> out;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) out.push_back(*surface.PixelAt(x, y) & 0xFFFFFF);
    return out;
  }

  std::unique_ptr<test::PrivateFonts> fonts_;
  cDrawingData data_;
  std::uint16_t faces_[2] = {};
  std::vector<std::unique_ptr<cText>> texts_;
};

TEST_F(TextAdvanceRoad, KeptAdvancesDrawTheSamePixelsOnRandomViews) {
  std::mt19937 random(34);
  MakeTexts(random);
  std::uniform_real_distribution<double> scale(0.3, 4.0), shift(-150, 60);
  int inked = 0;
  for (int view = 0; view < 12; ++view) {
    WorldMapping m;
    m.deviceClip = {0, 0, kWidth, kHeight};
    m.outputMode = OutputMode::Screen;
    m.scale = scale(random);
    m.originX = shift(random);
    m.originY = shift(random);
    const std::vector<std::uint32_t> fast = Paint(m, true);
    const std::vector<std::uint32_t> slow = Paint(m, false);
    ASSERT_EQ(fast, slow) << "view " << view << " at scale " << m.scale;
    for (std::uint32_t p : fast) inked += p != 0xFFFFFF;
  }
  EXPECT_GT(inked, 1000);  // the views showed texts
}

}  // namespace
}  // namespace kvn
