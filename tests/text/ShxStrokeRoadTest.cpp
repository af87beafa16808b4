// SHX texts are drawn from the vertices of their chained straight strokes
// rather than from the stroke records. Random texts (turned, mirrored,
// narrowed, several lines, underlined) on random views must hand the stroke
// exactly the path the records give: the same pieces, segments and closed
// flags, so the same pixels. Onto the raster surface a thin pen draws the
// strokes inside the clip straight from their vertices: the same pixels as
// the general road, for texts a pixel high up to texts whose pen is too wide
// for the shortcut, inside the surface and across its edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/FontList.h"
#include "model/OutlinePath.h"
#include "model/PathBuffer.h"
#include "model/ShxFont.h"
#include "model/TextGlyphBoxes.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "render/Strokes.h"
#include "text/ShxParsedFont.h"
#include "text/ShxTextLine.h"

namespace kvn {
namespace {

struct Piece {
  std::vector<DeviceSegment> segments;
  bool closed = false;
  friend bool operator==(const Piece&, const Piece&) = default;
};

std::vector<Piece> CurrentPath() {
  std::vector<Piece> out;
  for (std::uint32_t i = 0; i < PathBuffer::PieceCount(); ++i) {
    const SegmentArray* p = PathBuffer::Piece(i);
    out.push_back({std::vector<DeviceSegment>(p->Items(), p->Items() + p->Count()), p->closed != 0});
  }
  return out;
}

// Keeps the path the text hands to its stroke.
class PathKeepingInfo : public cDrawInfo {
 public:
  PathKeepingInfo(const WorldMapping& m, cDrawingData* data) : cDrawInfo(m, data, nullptr, nullptr) {}
  void StrokePath(cOutObj&) override { strokes.push_back(CurrentPath()); }
  std::vector<std::vector<Piece>> strokes;
};

// The path of the stroke records themselves.
std::vector<Piece> RecordsPath(const ShxOutlineCache& cache, const WorldMapping& m) {
  PathBuffer::Empty();
  for (const CubicArray& polyline : cache.polylines) {
    if (polyline.Count() == 0) continue;
    const DPoint& a = polyline.Items()[0].p[0];
    const DPoint& b = polyline.Items()[polyline.Count() - 1].p[3];
    AppendOutlinePiece(m, polyline, std::fabs(a.x - b.x) < 1e-5 && std::fabs(a.y - b.y) < 1e-5);
  }
  std::vector<Piece> out = CurrentPath();
  PathBuffer::Empty();
  return out;
}

class ShxStrokeRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    FontList::ResetForTest();
    InstallShxFonts();
    auto font = std::make_unique<cStyleFont>();
    font->name = WString(u"Romans.shx");
    font->BindFace(nullptr, nullptr);
    ASSERT_NE(font->Shx(), nullptr);
    romans_ = data_.FontStyles().Add(std::move(font));
    auto wide = std::make_unique<cStyleFont>();
    wide->name = WString(u"Romans.shx");
    wide->BindFace(nullptr, nullptr);
    ASSERT_NE(wide->shx, nullptr);
    wide->shx->penWidth = 3.0;  // percent of the text height
    widePen_ = data_.FontStyles().Add(std::move(wide));
  }
  void TearDown() override {
    FontList::ResetForTest();
    SetShxArchiveLoader(nullptr);
    SetShxMetricsSource(nullptr);
    SetShxGlyphBoxSource(nullptr);
    SetShxTextDrawer(nullptr);
  }
  cDrawingData data_;
  std::uint16_t romans_ = 0;
  std::uint16_t widePen_ = 0;
};

TEST_F(ShxStrokeRoad, VerticesGiveTheRecordsPathOnRandomViews) {
  static const char16_t kChars[] = u"AaBbgjMWmwOoSs80il.,?@&% -\u00e9\u00c4";
  constexpr int kCount = int(sizeof kChars / sizeof kChars[0]) - 1;
  std::mt19937 random(341);
  std::uniform_int_distribution<int> pick(0, kCount - 1), length(1, 14), coin(0, 1), lines(1, 3);
  std::uniform_real_distribution<double> place(-50, 150), height(0.2, 20), angle(-180, 180), scale(0.01, 40),
      origin(-5000, 5000), width(0.3, 2.0);
  std::size_t vertexRoads = 0, pieces = 0;
  for (int i = 0; i < 40; ++i) {
    std::u16string s;
    for (int l = lines(random); l > 0; --l) {
      for (int n = length(random); n > 0; --n) s.push_back(kChars[pick(random)]);
      if (l > 1) s.push_back(u'\n');
    }
    cText text;
    text.SetText(WString(s.c_str()));
    text.SetFontIndex(romans_);
    text.attr.height = height(random);
    text.attr.widthFactor = coin(random) ? width(random) : 0.0;
    text.attr.mirrorX = std::uint8_t(coin(random));
    text.attr.mirrorY = std::uint8_t(coin(random) && coin(random));
    text.attr.styleBits = coin(random) ? 0x40 : 0;  // underline
    text.attr.color = 0;
    text.point = {place(random), place(random)};
    text.SetAngle(coin(random) ? angle(random) : 0.0);
    text.GetLineCount(&data_);
    ASSERT_NE(text.outlineCache, nullptr) << i;
    for (int view = 0; view < 3; ++view) {
      WorldMapping m;
      m.scale = scale(random);
      m.originX = origin(random);
      m.originY = origin(random);
      PathKeepingInfo info(m, &data_);
      DrawShxText(text, info);
      ASSERT_EQ(info.strokes.size(), 1u);
      ASSERT_EQ(info.strokes[0], RecordsPath(*text.outlineCache, m)) << "text " << i << " view " << view;
      pieces += info.strokes[0].size();
    }
    for (const auto& run : text.outlineCache->strokeRuns) vertexRoads += run.count > 0;
  }
  // Most strokes took the vertex road.
  EXPECT_GT(vertexRoads * 2, pieces / 3);
}

// The pixels of texts drawn onto a fresh white surface under the mapping.
std::vector<std::uint32_t> PaintTexts(std::vector<cText>& texts, const WorldMapping& m, cDrawingData* data) {
  constexpr int kWidth = 160, kHeight = 100;
  cRasterSurface surface(true);
  EXPECT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
  surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
  {
    cDrawInfo info(m, data, nullptr, &surface);
    for (cText& t : texts) DrawShxText(t, info);
  }
  std::vector<std::uint32_t> out;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) out.push_back(*surface.PixelAt(x, y) & 0xFFFFFF);
  return out;
}

TEST_F(ShxStrokeRoad, ThinRasterShortcutGivesTheGeneralRoadsPixels) {
  static const char16_t kChars[] = u"AaBbgjMWmwOoSs80il.,?@&% -";
  constexpr int kCount = int(sizeof kChars / sizeof kChars[0]) - 1;
  // Every built-in SHX font (some draw arcs as curve records), and Romans
  // with a pen of its own that grows beyond the shortcut on large texts.
  std::vector<std::uint16_t> fonts{widePen_};
  for (std::uint32_t i = 0; cStyleFont* f = FontList::GetAt(i); ++i) {
    if (!f->Shx()) continue;
    auto font = std::make_unique<cStyleFont>();
    font->name = f->name;
    font->BindFace(nullptr, nullptr);
    if (font->Shx()) fonts.push_back(data_.FontStyles().Add(std::move(font)));
  }
  ASSERT_GE(fonts.size(), 10u);
  std::mt19937 random(3417);
  std::uniform_int_distribution<std::size_t> font(0, fonts.size() - 1);
  std::uniform_int_distribution<int> pick(0, kCount - 1), length(1, 12), coin(0, 1);
  std::uniform_real_distribution<double> place(-20, 180), angle(-180, 180), pixels(-0.3, 2.5);
  int inked = 0;
  for (int round = 0; round < 16; ++round) {
    std::vector<cText> texts(6);
    for (cText& text : texts) {
      std::u16string s;
      for (int n = length(random); n > 0; --n) s.push_back(kChars[pick(random)]);
      text.SetText(WString(s.c_str()));
      text.SetFontIndex(fonts[font(random)]);
      text.attr.height = 10;
      text.attr.mirrorX = std::uint8_t(coin(random) && coin(random));
      text.attr.styleBits = coin(random) ? 0x40 : 0;
      text.attr.color = std::uint32_t(round * 0x101010);
      text.point = {place(random), place(random) * 0.6};
      text.SetAngle(coin(random) ? angle(random) : 0.0);
    }
    // Text heights from under a pixel to a hundred pixels and more, where
    // the pen outgrows the shortcut; the texts cross the surface's edges.
    WorldMapping m;
    m.scale = std::pow(10.0, pixels(random)) / 40.0;
    m.originX = -40 * m.scale * 4 * (round % 3);
    m.originY = -20 * m.scale * 4 * (round % 2);
    m.deviceClip = {0, 0, 160, 100};
    SetStrokeFastPathForTests(false);
    const std::vector<std::uint32_t> general = PaintTexts(texts, m, &data_);
    SetStrokeFastPathForTests(true);
    const std::vector<std::uint32_t> shortcut = PaintTexts(texts, m, &data_);
    ASSERT_EQ(shortcut, general) << "round " << round << " scale " << m.scale;
    inked += std::count_if(general.begin(), general.end(), [](std::uint32_t p) { return p != 0xFFFFFF; }) > 0;
  }
  EXPECT_GE(inked, 8);
}

}  // namespace
}  // namespace kvn
