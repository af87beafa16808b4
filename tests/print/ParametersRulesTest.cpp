// The Format page of the drawing parameters without its window: how its
// values are stored into the drawing, the three Estimate buttons, a paper
// applied to the page, and the print layout dialog's Estimate.
#include <gtest/gtest.h>

#include <cmath>

#include "print/ParametersRules.h"
#include "print/PrinterList.h"
#include "tests/print/PrintFixtures.h"

namespace kvn {
namespace {

using test::TiledDrawing;

struct Stored {
  bool changed = false;
  double scale = 0;
};

Stored Store(const FormatPageValues& v, double shown, cDrawing& d, double oldScale = 1.0) {
  Stored s;
  s.changed = StoreFormatPage(v, shown, d, oldScale, s.scale);
  return s;
}

TEST(ParametersRules, LoadShowsTheDrawingsValues) {
  TiledDrawing tiled(300, 200, 2, 3, 0);
  cDrawing& d = tiled.Drawing();
  d.formatMargins = {10, 5};
  d.tileOverlap = 4;
  d.paperId = 8;
  d.printMargins = {12, -1};
  const FormatPageValues v = LoadFormatPage(d, 0.02);
  EXPECT_DOUBLE_EQ(v.scaleField, 50);
  EXPECT_EQ(v.defineArea, 1);
  EXPECT_EQ(v.paperFormat.width, 300);
  EXPECT_EQ(v.margins.x, 10);
  EXPECT_EQ(v.tiled, 1);
  EXPECT_EQ(v.tilesY, 3);
  EXPECT_EQ(v.paperGiven, 1);
  EXPECT_EQ(v.paperId, 8);
  EXPECT_EQ(v.locationGiven, 0);  // both corners must be set
  EXPECT_EQ(LoadFormatPage(d, 0).scaleField, 0);
}

TEST(ParametersRules, StoreRules) {
  TiledDrawing tiled(300, 600, 2, 2, 0);
  cDrawing& d = tiled.Drawing();
  FormatPageValues v = LoadFormatPage(d, 1.0);

  // Overlap above a third of a side.
  v.overlap = 200;
  Store(v, v.scaleField, d);
  EXPECT_EQ(d.tileOverlap, 100);
  EXPECT_EQ(d.tiles.x, 2);

  // Margins as wide as the format become 0, each direction by itself.
  v.paperFormat = {190, 277};
  v.margins = {100, 10};
  Store(v, v.scaleField, d);
  EXPECT_EQ(d.formatMargins.x, 0);
  EXPECT_EQ(d.formatMargins.y, 10);

  // Tiling off: 1 x 1 and no overlap; tile counts below 1 are raised.
  v.tiled = 0;
  Store(v, v.scaleField, d);
  EXPECT_EQ(d.tiles.x, 1);
  EXPECT_EQ(d.tileOverlap, 0);
  v.tiled = 1;
  v.tilesX = 0.2;
  Store(v, v.scaleField, d);
  EXPECT_EQ(d.tiles.x, 1);

  // Location and paper only when their boxes are checked.
  v.locationGiven = 1;
  v.locationX = 7;
  v.locationY = 8;
  v.paperGiven = 0;
  v.paperId = 9;
  Store(v, v.scaleField, d);
  EXPECT_EQ(d.printMargins.x, 7);
  EXPECT_EQ(d.paperId, 0);
  v.locationGiven = 0;
  v.paperGiven = 1;
  Store(v, v.scaleField, d);
  EXPECT_EQ(d.printMargins.x, -1);
  EXPECT_EQ(d.paperId, 9);

  // "Define drawing area" unchecked: no format, origin and margins 0.
  v.defineArea = 0;
  v.origin = {5, 6};
  Store(v, v.scaleField, d);
  EXPECT_TRUE(d.HasNoFormat());
  EXPECT_EQ(d.formatOrigin.x, 0);
  EXPECT_EQ(d.formatMargins.y, 0);
  EXPECT_EQ(d.tiles.x, 1);
}

TEST(ParametersRules, ScaleFieldChangesTheScale) {
  TiledDrawing tiled(300, 600, 1, 1, 0);
  cDrawing& d = tiled.Drawing();
  d.printScale = 50;
  FormatPageValues v = LoadFormatPage(d, 0.02);
  v.scaleSet = 1;
  // Unchanged field: the scale stays (no rounding through 1 / (1 / s)).
  Stored s = Store(v, v.scaleField, d, 0.02);
  EXPECT_FALSE(s.changed);
  EXPECT_EQ(s.scale, 0.02);
  EXPECT_EQ(d.formatFlag, 1);

  v.scaleField = 100;
  s = Store(v, 50, d, 0.02);
  EXPECT_TRUE(s.changed);
  EXPECT_DOUBLE_EQ(s.scale, 0.01);

  // Zero: no scale, the flag cleared, the printer scale back to 100 %.
  v.scaleField = 0;
  s = Store(v, 50, d, 0.02);
  EXPECT_TRUE(s.changed);
  EXPECT_EQ(s.scale, 0);
  EXPECT_EQ(d.formatFlag, 0);
  EXPECT_EQ(d.printScale, 100);
}

TEST(ParametersRules, Estimates) {
  // Scale: the larger side over 400 mm, to 10^n or 5 x 10^n.
  EXPECT_DOUBLE_EQ(EstimateScaleField(DRect{0, 0, 4000, 100}), 0.1);
  EXPECT_DOUBLE_EQ(EstimateScaleField(DRect{0, 0, 100, 1800}), 0.2);  // 4.5 lies nearer to 5 than to 1
  EXPECT_DOUBLE_EQ(EstimateScaleField(DRect{0, 0, 120, 10}), 1.0 / 0.5);
  EXPECT_EQ(EstimateScaleField(DRect{}), 0);

  // Tiles: the extent from the origin over the format less its margins.
  int x = 0, y = 0;
  EstimateTiles(DRect{0, 0, 500, 300}, {0, 0}, {210, 297}, {10, 10}, 1.0, x, y);
  EXPECT_EQ(x, 3);
  EXPECT_EQ(y, 2);
  EstimateTiles(DRect{100, 100, 500, 300}, {-300, 100}, {210, 297}, {10, 10}, 2.0, x, y);
  EXPECT_EQ(x, 9);  // from the origin: 800 units over 190 / 2
  EXPECT_EQ(y, 2);  // 200 over 277 / 2
  EstimateTiles(DRect{0, 0, 500, 300}, {0, 0}, {210, 297}, {10, 10}, 0, x, y);
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, 1);

  // Origin: the grown extent's corner snapped to a round step.
  const DPoint origin = EstimateOrigin(DRect{13, 27, 400, 300}, 1.0, 100);
  EXPECT_LE(origin.x, 12);
  EXPECT_LE(origin.y, 26);
  EXPECT_EQ(origin.x, std::floor(origin.x));

  // The print layout dialog: 2770 units give 0.1, printed 277 mm wide.
  EXPECT_DOUBLE_EQ(EstimateLayoutScale(2770), 0.1);
  EXPECT_EQ(std::floor(2770 * EstimateLayoutScale(2770) + 0.5), 277);
  EXPECT_EQ(EstimateLayoutScale(0), 1.0);
}

TEST(ParametersRules, ApplyPaperTurnsToTheExtentAndMovesFractionsIntoTheMargins) {
  DefaultMargins() = Margins{};
  TiledDrawing tiled(300, 100, 1, 1, 0);  // a square at 100..200 x 33..67
  cDrawing& d = tiled.Drawing();
  d.formatSize = {0, 0};  // no format
  for (cOutObj* o = d.TopBlock()->FirstObject(); o; o = o->next) o->UpdateIfDirty(d.Data());
  ASSERT_GT(d.GetExtent().Width(), d.GetExtent().Height());
  FormatPageValues v = LoadFormatPage(d, 1.0);
  ApplyPaper(v, d, true, {210, 297}, {5.25, 5});
  // The drawing is wider than high: the paper turns.
  EXPECT_EQ(v.paperFormat.width, 297);
  EXPECT_EQ(v.paperFormat.height, 210);
  // 199.5 mm across the portrait paper: its half millimetre went into the
  // margins (5.25 + 0.25), which turned with the paper.
  EXPECT_DOUBLE_EQ(v.margins.x, 5);
  EXPECT_DOUBLE_EQ(v.margins.y, 5.5);
  EXPECT_EQ(v.tilesX, 1);
  EXPECT_EQ(v.tilesY, 1);

  // Default margins are a floor.
  DefaultMargins() = Margins{6, 6, 6, 6};
  ApplyPaper(v, d, false, {210, 297}, {5, 5});
  EXPECT_DOUBLE_EQ(v.margins.x, 12);
  DefaultMargins() = Margins{};

  // A zero paper changes nothing.
  const FormatPageValues before = v;
  ApplyPaper(v, d, true, {0, 0}, {1, 1});
  EXPECT_EQ(v.paperFormat.width, before.paperFormat.width);
}

}  // namespace
}  // namespace kvn
