// The repaint walk starts the loads of the objects ahead of the one it draws
// (render/DrawPrefetch.h). Its stages read only what the object holds (a
// text's fields only from a text: a stage that took a line for a text would
// read past the line's block, which the sanitizer build reports), and a
// walk that prefetches paints what the walk without the extent index (and
// so without prefetching) paints: SHX texts of every size, among lines and
// circles, inside the window, at its edges and across its clip, with the
// whole drawing in view and zoomed in.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "document/cDrawing.h"
#include "document/cSheet.h"
#include "model/FontList.h"
#include "model/ObjectChain.h"
#include "model/ObjectExtentIndex.h"
#include "model/ShxFont.h"
#include "model/TextGlyphBoxes.h"
#include "model/WorldMapping.h"
#include "model/cBlock.h"
#include "model/cCircle.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "render/DrawInfo.h"
#include "render/DrawPrefetch.h"
#include "render/PagePainter.h"
#include "render/RasterSurface.h"
#include "text/ShxParsedFont.h"

namespace kvn {
namespace {

constexpr std::int32_t kWidth = 320;
constexpr std::int32_t kHeight = 240;

class DrawPrefetch : public ::testing::Test {
 protected:
  void SetUp() override {
    FontList::ResetForTest();
    InstallShxFonts();
  }
  void TearDown() override {
    FontList::ResetForTest();
    SetShxArchiveLoader(nullptr);
    SetShxMetricsSource(nullptr);
    SetShxGlyphBoxSource(nullptr);
    SetShxTextDrawer(nullptr);
  }
  static std::uint16_t AddRomans(cDrawingData& data) {
    auto font = std::make_unique<cStyleFont>();
    font->name = WString(u"Romans.shx");
    font->BindFace(nullptr, nullptr);
    EXPECT_NE(font->Shx(), nullptr);
    return data.FontStyles().Add(std::move(font));
  }
};

TEST_F(DrawPrefetch, EachStageAsksItsOwnDistanceAndTakesTheEnd) {
  std::vector<std::uint32_t> asked;
  PrefetchForDraw([&](std::uint32_t k) -> const cOutObj* {
    asked.push_back(k);
    return nullptr;
  });
  EXPECT_EQ(asked, (std::vector<std::uint32_t>{kPrefetchHeadAhead, kPrefetchBodyAhead, kPrefetchReferencedAhead,
                                                kPrefetchStrokesAhead}));
  // Each stage depends on the one before having been started earlier.
  EXPECT_GT(kPrefetchHeadAhead, kPrefetchBodyAhead);
  EXPECT_GT(kPrefetchBodyAhead, kPrefetchReferencedAhead);
  EXPECT_GT(kPrefetchReferencedAhead, kPrefetchStrokesAhead);
}

TEST_F(DrawPrefetch, StagesLeaveEveryKindOfObjectAsItWas) {
  cDrawingData data;
  const std::uint16_t romans = AddRomans(data);
  auto line = std::make_unique<cLine>();
  auto circle = std::make_unique<cCircle>();
  auto bare = std::make_unique<cText>();  // never laid out: no cache, no characters
  auto laidOut = std::make_unique<cText>();
  laidOut->SetText(WString(u"Room 12\nwest"));
  laidOut->SetFontIndex(romans);
  laidOut->attr.height = 2.5;
  (void)laidOut->GetLineCount(&data);
  ASSERT_NE(laidOut->outlineCache, nullptr);
  auto drawn = std::make_unique<cText>();  // its stroke runs made by a drawing
  drawn->Assign(*laidOut);
  (void)drawn->GetLineCount(&data);
  ASSERT_NE(drawn->outlineCache, nullptr);
  MakeShxStrokeRuns(*drawn->outlineCache);
  auto empty = std::make_unique<cText>();
  empty->SetText(WString(u""));
  empty->SetFontIndex(romans);
  (void)empty->GetLineCount(&data);

  const cOutObj* objects[] = {nullptr, line.get(), circle.get(), bare.get(), laidOut.get(), drawn.get(), empty.get()};
  for (const cOutObj* o : objects) {
    const cText* text = o && o->TypeCode() == kTypeText ? static_cast<const cText*>(o) : nullptr;
    const ShxOutlineCache* cache = text ? text->outlineCache.get() : nullptr;
    const std::size_t runs = cache ? cache->strokeRuns.size() : 0;
    const bool made = cache && cache->strokeRunsMade;
    PrefetchHead(o);
    PrefetchBody(o);
    PrefetchReferenced(o);
    PrefetchStrokes(o);
    PrefetchForDraw([&](std::uint32_t) { return o; });
    if (text) {
      EXPECT_EQ(text->outlineCache.get(), cache);
      if (cache) {
        EXPECT_EQ(cache->strokeRuns.size(), runs);
        EXPECT_EQ(cache->strokeRunsMade, made);
      }
    }
  }
}

// Lines, circles and SHX texts from a fraction of a pixel to many pixels
// high at 0.1 pixel a unit, some reaching past the drawing's edges.
void FillDrawing(cSheet& sheet, std::uint16_t romans, std::mt19937& rng, int count) {
  std::uniform_real_distribution<double> pos(-40.0, 2040.0), unit(0.0, 1.0), height(0.5, 80.0);
  ObjectChain chain;
  for (int i = 0; i < count; ++i) {
    const double x = pos(rng), y = pos(rng), kind = unit(rng);
    cOutObj* object = nullptr;
    if (kind < 0.4) {
      auto* l = new cLine();
      l->start = {x, y};
      l->end = {x + 30 * unit(rng), y + 30 * unit(rng)};
      object = l;
    } else if (kind < 0.55) {
      auto* c = new cCircle();
      c->p1 = {x, y};
      c->p2 = {x + 10, y + 10};
      object = c;
    } else {
      auto* t = new cText();
      t->SetText(WString(unit(rng) < 0.3 ? u"Kitchen\n3.40 x 2.75" : u"Room 101"));
      t->SetFontIndex(romans);
      t->attr.height = height(rng);
      t->angle = unit(rng) < 0.2 ? 30.0 : 0.0;
      t->attr.color = std::uint32_t(rng()) & 0xFFFFFF;
      t->point = {x, y};
      object = t;
    }
    object->SetPage(kAllPages);
    chain.Append(object);
  }
  sheet.TopBlock().AppendChain(std::move(chain));
}

std::vector<std::uint32_t> PaintOnce(cSheet& sheet, const WorldMapping& m, bool index) {
  cRasterSurface surface(false);
  EXPECT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
  surface.SetAntiAliasMode(1);
  surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
  cDrawInfo info(m, sheet.Data(), surface.DC(), &surface);
  PaintChainOptions options;
  options.useExtentIndex = index;
  EXPECT_TRUE(PaintSheetPage(sheet, 0, info, options));
  surface.Flush();
  std::vector<std::uint32_t> pixels;
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x) pixels.push_back(*surface.PixelAt(x, y));
  return pixels;
}

TEST_F(DrawPrefetch, WalkThatPrefetchesPaintsAsTheWalkWithout) {
  std::mt19937 rng(6161);
  cSheet sheet;
  const std::uint16_t romans = AddRomans(*sheet.Data());
  FillDrawing(sheet, romans, rng, 1500);
  sheet.Drawing().Summary();
  ASSERT_NE(sheet.Drawing().ExtentIndex(), nullptr);
  // The whole drawing in view (the chain walked beside the index), then
  // zoomed in on places (the index's answer walked), edges included.
  const struct {
    double scale, cx, cy;
  } views[] = {{0.03, 1000, 1000}, {0.04, 0, 0}, {0.3, 500, 1500}, {1.0, 2000, 2000}, {2.5, 1000, 40}};
  for (const auto& v : views) {
    WorldMapping m;
    m.scale = v.scale;
    m.offsetX = std::int32_t(kWidth / 2 - v.cx * m.scale * 4.0);
    m.offsetY = std::int32_t(kHeight / 2 - v.cy * m.scale * 4.0);
    m.SetDeviceClip(DeviceRect{0, 0, kWidth, kHeight});
    const std::vector<std::uint32_t> prefetched = PaintOnce(sheet, m, true);
    const std::vector<std::uint32_t> plain = PaintOnce(sheet, m, false);
    std::size_t ink = 0;
    for (std::uint32_t p : plain) ink += (p & 0xFFFFFF) != 0xFFFFFF;
    EXPECT_GT(ink, 100u) << "scale " << v.scale;
    EXPECT_TRUE(prefetched == plain) << "scale " << v.scale;
  }
}

// The walk takes the texts ahead from the types the index keeps, without
// reading the objects: each position's kept type must be its object's, and
// only a text's position may hand on a text.
TEST_F(DrawPrefetch, IndexKeepsEachObjectsTypeForTheTextStages) {
  std::mt19937 rng(6162);
  cSheet sheet;
  const std::uint16_t romans = AddRomans(*sheet.Data());
  FillDrawing(sheet, romans, rng, 600);
  sheet.Drawing().Summary();
  const ObjectExtentIndex* index = sheet.Drawing().ExtentIndex();
  ASSERT_NE(index, nullptr);
  ASSERT_EQ(index->Size(), 600u);
  std::size_t texts = 0;
  for (std::uint32_t i = 0; i < index->Size(); ++i) {
    const cOutObj* object = index->Object(i);
    EXPECT_EQ(index->TypeCode(i), object->TypeCode()) << i;
    const cText* text = TextOfType(object, index->TypeCode(i));
    EXPECT_EQ(text, object->TypeCode() == kTypeText ? static_cast<const cText*>(object) : nullptr) << i;
    texts += text != nullptr;
  }
  EXPECT_GT(texts, 100u);
  // The form with the texts told apart asks the same distances.
  std::vector<std::uint32_t> asked, askedText;
  PrefetchForDraw(
      [&](std::uint32_t k) -> const cOutObj* {
        asked.push_back(k);
        return nullptr;
      },
      [&](std::uint32_t k) -> const cText* {
        askedText.push_back(k);
        return nullptr;
      });
  EXPECT_EQ(asked, std::vector<std::uint32_t>{kPrefetchHeadAhead});
  EXPECT_EQ(askedText, (std::vector<std::uint32_t>{kPrefetchBodyAhead, kPrefetchReferencedAhead, kPrefetchStrokesAhead}));
}

}  // namespace
}  // namespace kvn
