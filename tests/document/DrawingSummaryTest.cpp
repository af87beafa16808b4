// The drawing summary: the extent and the per-type counters of a drawing's
// top chain, computed once and kept until the drawing is told it changed;
// the extent index comes and goes with it.
#include <gtest/gtest.h>

#include "document/OpenDrawingFile.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/WString.h"
#include "model/ObjectTypes.h"
#include "model/cBlock.h"
#include "model/cCircle.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "model/cRectangle.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

cLine* AddLine(cSheet& sheet, DPoint a, DPoint b, double width = 0.0) {
  auto* line = new cLine();
  line->start = a;
  line->end = b;
  line->stroke.width = width;
  ObjectChain chain;
  chain.Append(line);
  sheet.TopBlock().AppendChain(std::move(chain));
  return line;
}

TEST(DrawingSummary, AnEmptyDrawingIsAllZeroAndValidAfterwards) {
  cSheet sheet;
  cDrawing& d = sheet.Drawing();
  EXPECT_FALSE(d.SummaryValid());
  EXPECT_EQ(d.ExtentIndex(), nullptr);
  EXPECT_EQ(d.GetExtent(), DRect{});
  const DrawingSummary& s = d.Summary();
  EXPECT_TRUE(d.SummaryValid());
  EXPECT_EQ(s.flags & DrawingSummary::kValid, DrawingSummary::kValid);
  for (std::uint32_t c : s.counters) EXPECT_EQ(c, 0u);
  ASSERT_NE(d.ExtentIndex(), nullptr);
  EXPECT_EQ(d.ExtentIndex()->Size(), 0u);
}

TEST(DrawingSummary, CountsEachTypeTheStrokedAndTheClosedFilled) {
  cSheet sheet;
  AddLine(sheet, {0, 0}, {10, 0});
  AddLine(sheet, {0, 5}, {10, 5});
  ObjectChain chain;
  auto* rect = new cRectangle();
  rect->corner1 = {-5, -5};
  rect->corner2 = {2, 3};
  chain.Append(rect);
  auto* circle = new cCircle();
  circle->p1 = {20, 20};
  circle->p2 = {30, 30};
  chain.Append(circle);
  auto* open = new cPolygon();  // not closed: filled class, open outline
  const DPoint pts[] = {{0, 40}, {5, 45}, {10, 40}};
  open->FirstList().SetPoints(pts, 3);
  open->FirstList().SetClosed(false);
  chain.Append(open);
  sheet.TopBlock().AppendChain(std::move(chain));

  const DrawingSummary& s = sheet.Drawing().Summary();
  EXPECT_EQ(s.counters[kTypeLine], 2u);
  EXPECT_EQ(s.counters[kTypeRectangle], 1u);
  EXPECT_EQ(s.counters[circle->TypeCode()], 1u);
  EXPECT_EQ(s.counters[open->TypeCode()], 1u);
  // Every one of them is stroked; the rectangle and the circle are closed
  // areas, the open polygon is not.
  EXPECT_EQ(s.counters[DrawingSummary::kStroked], 5u);
  EXPECT_EQ(s.counters[DrawingSummary::kClosedFilled], 2u);
  // The extent is the union of the full extents: the circle's far corner
  // and the rectangle's near one, each widened by half the stroke.
  DRect full;
  circle->GetFullExtent(sheet.Data(), full);
  EXPECT_EQ(s.extent.x2, full.x2);
  EXPECT_LT(s.extent.x1, -5.0);
  EXPECT_EQ(sheet.Drawing().ExtentIndex()->Size(), 5u);
}

TEST(DrawingSummary, ComputedOnceUntilInvalidated) {
  cSheet sheet;
  cDrawing& d = sheet.Drawing();
  cLine* line = AddLine(sheet, {0, 0}, {10, 10});
  EXPECT_EQ(d.GetExtent(), (DRect{0, 0, 10, 10}));
  // A change the drawing is not told of leaves the summary as it was.
  line->end = {50, 60};
  line->MarkDirty();
  EXPECT_EQ(d.GetExtent(), (DRect{0, 0, 10, 10}));
  EXPECT_EQ(d.Summary().counters[kTypeLine], 1u);
  const ObjectExtentIndex* index = d.ExtentIndex();
  ASSERT_NE(index, nullptr);
  // InvalidateSummary makes the next request compute it again.
  d.InvalidateSummary(0);
  EXPECT_FALSE(d.SummaryValid());
  EXPECT_EQ(d.ExtentIndex(), nullptr);
  EXPECT_EQ(d.GetExtent(), (DRect{0, 0, 50, 60}));
  // So does every change the modification counter announces.
  AddLine(sheet, {-10, 0}, {0, 0});
  EXPECT_EQ(d.GetExtent(), (DRect{0, 0, 50, 60}));
  const std::uint32_t counter = d.modificationCounter;
  d.MarkModified();
  EXPECT_EQ(d.modificationCounter, counter + 1);
  EXPECT_EQ(d.GetExtent(), (DRect{-10, 0, 50, 60}));
  EXPECT_EQ(d.Summary().counters[kTypeLine], 2u);
}

TEST(DrawingSummary, AScaleChangeComputesItAgain) {
  cSheet sheet;
  sheet.Data()->SetScale(1.0);
  AddLine(sheet, {0, 0}, {10, 10});
  EXPECT_EQ(sheet.Drawing().GetExtent(), (DRect{0, 0, 10, 10}));
  SetSheetScale(sheet.Drawing(), nullptr, 2.0);
  EXPECT_EQ(sheet.Drawing().GetExtent(), (DRect{0, 0, 20, 20}));
}

TEST(DrawingSummary, AnOpenedDrawingStartsWithoutOne) {
  // Whatever a reader asked on the way, the first request after the open
  // sums up what the reader left.
  test::FixtureDocument fixture;
  fixture.sheets.push_back(test::MakeLineGridSheet(u"Grid", 300));
  test::ScratchDir dir;
  const std::string path = (dir / "grid.kvn").string();
  ASSERT_TRUE(test::SaveBytes(path, test::WriteNativeFile(fixture)));
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  std::unique_ptr<cDrawingDoc> doc = OpenDrawingFile(WString::FromUtf8(path), request, outcome);
  ASSERT_NE(doc, nullptr);
  cDrawing& d = doc->GetSheet(0)->Drawing();
  EXPECT_FALSE(d.SummaryValid());
  EXPECT_EQ(d.Summary().counters[kTypeLine], 300u);
  ASSERT_NE(d.ExtentIndex(), nullptr);
  EXPECT_EQ(d.ExtentIndex()->Size(), 300u);
  EXPECT_TRUE(d.ExtentIndex()->HasGrid());
}

}  // namespace
}  // namespace kvn
