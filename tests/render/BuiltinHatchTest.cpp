// The built-in hatch table through the model's service, and the wall style
// that old walls alike share.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/GeometryServices.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "model/cRectangle.h"
#include "model/cStyleWall.h"
#include "render/GeometryServicesImpl.h"

namespace kvn {
namespace {

struct Built {
  ObjectChain chain;
  DRect tile;
};

Built Build(std::uint8_t pattern, double scale, double unit) {
  InstallRendererGeometryServices();
  Built b;
  b.tile = DRect{9, 9, 9, 9};
  BuildBuiltinHatch(b.chain, pattern, scale, unit, b.tile);
  return b;
}

TEST(BuiltinHatchTest, OutOfRangeNumbersAndScaleZeroGiveNothing) {
  for (auto [pattern, scale] : {std::pair{22, 1.0}, {0, 1.0}, {5, 0.0}, {5, -1.0}, {255, 1.0}}) {
    Built b = Build(std::uint8_t(pattern), scale, 0.25);
    EXPECT_EQ(b.chain.Count(), 0u) << pattern;
    EXPECT_TRUE(b.tile.IsZero()) << pattern;
  }
}

TEST(BuiltinHatchTest, PatternSevenIsTwoDotsInATwoAndAHalfTile) {
  Built b = Build(7, 1.0, 0.1);
  EXPECT_EQ(b.tile, (DRect{0, 0, 2.5, 2.5}));
  std::vector<cLine*> dots;
  int invisible = 0;
  for (cOutObj* o = b.chain.Head(); o; o = o->next) {
    cLine* line = o->AsAnyLine() ? o->AsAnyLine()->AsLine() : nullptr;
    ASSERT_NE(line, nullptr);
    if (line->stroke.lineType == 0) {
      ++invisible;
      EXPECT_EQ(line->stroke.width, 0.0);
    } else {
      dots.push_back(line);
    }
  }
  EXPECT_EQ(invisible, 1);  // the tile box
  ASSERT_EQ(dots.size(), 2u);
  EXPECT_EQ(dots[0]->start, (DPoint{0, 0}));
  EXPECT_EQ(dots[0]->end, (DPoint{0, 0}));
  EXPECT_EQ(dots[1]->start, (DPoint{1.25, 1.25}));
  EXPECT_EQ(dots[1]->end, (DPoint{1.25, 1.25}));
  for (cLine* d : dots) {
    EXPECT_DOUBLE_EQ(d->stroke.width, 0.2);
    EXPECT_EQ(d->stroke.color, 0u);
    EXPECT_EQ(d->stroke.lineType, 1);
  }
}

TEST(BuiltinHatchTest, PatternNineteenIsTwoFilledSquaresAndNoLine) {
  Built b = Build(19, 2.0, 0.25);
  ASSERT_EQ(b.chain.Count(), 2u);
  const cRectangle* first = b.chain.Head()->AsAnyFill()->AsRectangle();
  ASSERT_NE(first, nullptr);
  const cRectangle* second = b.chain.Head()->next->AsAnyFill()->AsRectangle();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->corner1, (DPoint{0, 0}));
  EXPECT_EQ(first->corner2, (DPoint{5, 5}));
  EXPECT_EQ(second->corner1, (DPoint{5, 5}));
  EXPECT_EQ(second->corner2, (DPoint{10, 10}));
  for (const cRectangle* r : {first, second}) {
    EXPECT_EQ(r->fill.fillColor, 0u);
    EXPECT_EQ(r->stroke.lineType, 0);
  }
  EXPECT_EQ(b.tile, (DRect{0, 0, 10, 10}));
}

TEST(BuiltinHatchTest, EveryPatternHasATileAndTheHexagonsUseTheirCodes) {
  for (int n = 1; n <= 21; ++n) {
    Built b = Build(std::uint8_t(n), 1.0, 0.25);
    EXPECT_GT(b.chain.Count(), 0u) << n;
    EXPECT_GT(b.tile.Width(), 0) << n;
    EXPECT_GT(b.tile.Height(), 0) << n;
  }
  Built hex = Build(15, 1.0, 0.25);
  EXPECT_EQ(hex.chain.Count(), 12u);  // part 0 is a point
  EXPECT_NEAR(hex.tile.x2, 5.7735027 * 6 * 0.125, 1e-12);
  EXPECT_DOUBLE_EQ(hex.tile.y2, 5.0);
}

TEST(WallStyleTest, FindOrAddWallStyleTwiceAddsOneStyleWithTheKeyText) {
  cDrawingData data;
  cPolygon wall;
  wall.stroke.lineType = 2;
  wall.stroke.width = 0.5;
  wall.stroke.color = 255;
  wall.fill.fillColor = 0x00FF00;
  const std::uint16_t first = data.FindOrAddWallStyle(wall, 10.0);
  const std::uint16_t again = data.FindOrAddWallStyle(wall, 10.0);
  EXPECT_EQ(first, again);
  ASSERT_EQ(data.WallStyles().Count(), 1u);
  const cStyleWall* style = data.WallStyles().Get(first);
  EXPECT_EQ(style->name.ToUtf8(), "10 L(2,0.5,255,1,0) A(1,65280)");
  EXPECT_EQ(style->thickness, 10.0);
  EXPECT_EQ(style->attributes.lineStyle, kNoStyle);
  EXPECT_EQ(style->attributes.color, 255u);
  EXPECT_EQ(style->attributes.fillColor, 0x00FF00u);
  EXPECT_EQ(style->attributes.lineType, 2);

  const std::uint16_t thicker = data.FindOrAddWallStyle(wall, 12.5);
  EXPECT_EQ(thicker, 1);
  wall.stroke.color = 0;
  EXPECT_EQ(data.FindOrAddWallStyle(wall, 10.0), 2);
}

TEST(WallStyleTest, OldWallsGoThroughTheRendererService) {
  InstallRendererGeometryServices();
  cDrawingData data;
  cPolygon wall;
  EXPECT_EQ(ConvertOldWallStyle(data, wall, 4.0), 0);
  EXPECT_EQ(ConvertOldWallStyle(data, wall, 4.0), 0);
  EXPECT_EQ(data.WallStyles().Count(), 1u);
}

}  // namespace
}  // namespace kvn
