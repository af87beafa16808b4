#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "model/PatternExpansion.h"
#include "model/cArc.h"
#include "model/cCircle.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "tests/model/GeometryTestSupport.h"
#include "tests/support/RecordingDrawInfo.h"

namespace kvn {
namespace {

using test::ExpectNear;
using test::TestGeometryServices;

// A tick: a short line across the pattern's direction, in symbol units.
std::unique_ptr<cLine> Tick() {
  auto tick = std::make_unique<cLine>();
  tick->start = {0, 0};
  tick->end = {0, 1};
  return tick;
}

std::unique_ptr<cLine> LineOfType(std::uint8_t lineType, DPoint a, DPoint b) {
  auto line = std::make_unique<cLine>();
  line->stroke.lineType = lineType;
  line->start = a;
  line->end = b;
  return line;
}

std::vector<DPoint> Positions(const TestGeometryServices& services) {
  std::vector<DPoint> out;
  for (const SymbolInstanceRequest& r : services.requests) out.push_back(r.position);
  return out;
}

// Line type 19: ticks every 2 units from 1 unit on, base line drawn.
// Line type 20: arrow ends (negative spacing), no base line.
// Line type 21: one tick at the start of each open contour (spacing 0).
class PatternExpansion : public testing::Test {
 protected:
  PatternExpansion() {
    services.AddLineType(*Tick(), 2.0, 1.0, 1);
    services.AddLineType(*Tick(), -1.0, 0.0, 0);
    services.AddLineType(*Tick(), 0.0, 5.0, 1);
  }
  TestGeometryServices services;
};

TEST_F(PatternExpansion, SymbolsAlongAStraightLine) {
  auto lineOwned = LineOfType(19, {0, 0}, {10, 0});
  cLine& line = *lineOwned;
  line.SetLevel(4);
  line.SetPage(2);
  line.ExpandPattern(nullptr);  // what the line's Recalc runs
  const PatternPieceList* pieces = line.PatternPieces();
  ASSERT_NE(pieces, nullptr);
  const auto at = Positions(services);
  ASSERT_EQ(at.size(), 5u);
  for (std::size_t i = 0; i < at.size(); ++i) ExpectNear(at[i], {1.0 + 2.0 * double(i), 0});
  for (const SymbolInstanceRequest& r : services.requests) EXPECT_NEAR(r.angle, 0, 1e-12);

  ASSERT_EQ(pieces->entries.size(), 6u);
  const cLine* proto = pieces->entries[0].object->AsAnyLine()->AsLine();
  ASSERT_NE(proto, nullptr);
  EXPECT_EQ(proto->stroke.patternPieceMark, 1);
  EXPECT_EQ(proto->stroke.lineType, 1);  // the base line is drawn
  EXPECT_EQ(pieces->entries[0].b, -1);
  for (std::size_t i = 1; i < pieces->entries.size(); ++i) {
    const cOutObj& piece = *pieces->entries[i].object;
    EXPECT_TRUE(piece.HasFlag(kFlagGenerated));
    EXPECT_FALSE(piece.HasFlag(kFlagResolved));
    EXPECT_EQ(piece.Level(), 4);
    EXPECT_EQ(piece.PageId(), 2);
    EXPECT_EQ(piece.AsAnyLine()->stroke.patternPieceMark, 1);
  }
  // The ticks stand 1 unit high from x = 1 to x = 9; their pen widens them.
  EXPECT_EQ(pieces->boundsEmpty, 0);
  EXPECT_EQ(pieces->bounds, (DRect{1 - 0.125, -0.125, 9 + 0.125, 1.125}));
  DRect stroke;
  line.GetStrokeExtent(nullptr, stroke);
  EXPECT_EQ(stroke.y2, 1.125);
}

TEST_F(PatternExpansion, PhaseCarriesAcrossCorners) {
  cPolygon polygon;
  polygon.stroke.lineType = 19;
  const DPoint path[3] = {{0, 0}, {4, 0}, {4, 4}};
  polygon.FirstList().SetPoints(path, 3);
  polygon.FirstList().SetClosed(false);
  polygon.UpdateIfDirty(nullptr);
  const auto at = Positions(services);
  ASSERT_EQ(at.size(), 4u);
  ExpectNear(at[0], {1, 0});
  ExpectNear(at[1], {3, 0});
  ExpectNear(at[2], {4, 1});  // 5 along the path: 1 past the corner
  ExpectNear(at[3], {4, 3});
  EXPECT_NEAR(services.requests[2].angle, 90, 1e-12);
}

TEST_F(PatternExpansion, SymbolsAlongCurvedOutlines) {
  cCircle circle;
  circle.form = 0;
  circle.p1 = {0, 0};
  circle.p2 = {3, 3};
  circle.stroke.lineType = 19;
  circle.UpdateIfDirty(nullptr);
  const auto at = Positions(services);
  // About (circumference - 1) / 2 + 1 symbols, each on the circle.
  const double around = 2 * M_PI * 3;
  EXPECT_NEAR(double(at.size()), std::floor((around - 1) / 2) + 1, 1.0);
  for (const DPoint& p : at) EXPECT_NEAR(std::hypot(p.x, p.y), 3.0, 0.01);
  // The outline starts at the left and runs up: the first symbol 1 along.
  ExpectNear(at[0], {3 * std::cos(M_PI - 1.0 / 3), 3 * std::sin(M_PI - 1.0 / 3)}, 0.02);

  services.requests.clear();
  cArc arc;
  arc.start = {3, 0};
  arc.middle = {0, 3};
  arc.end = {-3, 0};
  arc.stroke.lineType = 19;
  arc.UpdateIfDirty(nullptr);
  const auto onArc = Positions(services);
  EXPECT_EQ(onArc.size(), 5u);  // 1, 3, 5, 7, 9 along 9.42
  for (const DPoint& p : onArc) EXPECT_NEAR(std::hypot(p.x, p.y), 3.0, 0.01);
}

TEST_F(PatternExpansion, NegativeSpacingPutsASymbolAtEachEnd) {
  auto lineOwned = LineOfType(20, {0, 0}, {10, 0});
  cLine& line = *lineOwned;
  line.ExpandPattern(nullptr);
  ASSERT_EQ(services.requests.size(), 2u);
  ExpectNear(services.requests[0].position, {0, 0});
  EXPECT_NEAR(services.requests[0].angle, 0, 1e-12);
  ExpectNear(services.requests[1].position, {10, 0});
  EXPECT_NEAR(services.requests[1].angle, 180, 1e-12);
  EXPECT_EQ(line.PatternPieces()->entries[0].object->AsAnyLine()->stroke.lineType, 0);  // no base line

  // Closed contours get none.
  services.requests.clear();
  cCircle circle;
  circle.p2 = {2, 2};
  circle.stroke.lineType = 20;
  circle.UpdateIfDirty(nullptr);
  EXPECT_TRUE(services.requests.empty());
  ASSERT_NE(circle.PatternPieces(), nullptr);
  EXPECT_EQ(circle.PatternPieces()->entries.size(), 1u);  // the prototype
}

TEST_F(PatternExpansion, ZeroSpacingPlacesOneSymbolPerOpenContour) {
  cPolygon polygon;
  polygon.stroke.lineType = 21;
  const DPoint a[2] = {{0, 0}, {10, 0}};
  const DPoint b[2] = {{0, 5}, {10, 5}};
  polygon.FirstList().SetPoints(a, 2);
  polygon.FirstList().SetClosed(false);
  polygon.AddList().SetPoints(b, 2);
  polygon.List(1).SetClosed(false);
  const DPoint sq[3] = {{20, 0}, {21, 0}, {21, 1}};
  polygon.AddList().SetPoints(sq, 3);  // closed: skipped
  polygon.UpdateIfDirty(nullptr);
  const auto at = Positions(services);
  ASSERT_EQ(at.size(), 2u);
  ExpectNear(at[0], {0, 0});  // the first distance counts only with a spacing
  ExpectNear(at[1], {0, 5});
}

TEST_F(PatternExpansion, WhichLineTypesExpand) {
  auto dashedOwned = LineOfType(18, {0, 0}, {10, 0});
  cLine& dashed = *dashedOwned;
  dashed.ExpandPattern(nullptr);
  EXPECT_EQ(dashed.PatternPieces(), nullptr);
  auto beyondOwned = LineOfType(19 + 3, {0, 0}, {10, 0});
  cLine& beyond = *beyondOwned;
  beyond.ExpandPattern(nullptr);
  EXPECT_EQ(beyond.PatternPieces(), nullptr);
  EXPECT_TRUE(services.requests.empty());
  auto firstOwned = LineOfType(19, {0, 0}, {1, 0});
  cLine& first = *firstOwned;
  first.ExpandPattern(nullptr);
  ASSERT_EQ(services.requests.size(), 1u);
  EXPECT_EQ(services.seenStyles[0].startOffset, 2.0);

  // Pattern expansion switched off: nothing.
  services.requests.clear();
  SetPatternExpansionOn(false);
  auto offOwned = LineOfType(19, {0, 0}, {10, 0});
  cLine& off = *offOwned;
  off.ExpandPattern(nullptr);
  SetPatternExpansionOn(true);
  EXPECT_EQ(off.PatternPieces(), nullptr);
  EXPECT_TRUE(services.requests.empty());
}

TEST_F(PatternExpansion, PatternScaleSizesSpacingAndSymbols) {
  auto lineOwned = LineOfType(19, {0, 0}, {20, 0});
  cLine& line = *lineOwned;
  line.stroke.patternScale = 2.0;
  line.stroke.width = 0.5;
  line.stroke.penOption = 1;
  line.ExpandPattern(nullptr);
  const auto at = Positions(services);
  ASSERT_EQ(at.size(), 5u);  // 2, 6, 10, 14, 18
  ExpectNear(at[1], {6, 0});
  const auto& style = services.seenStyles[0];
  EXPECT_EQ(style.repeatLength, 2.0);
  EXPECT_EQ(style.startOffset, 4.0);
  EXPECT_EQ(style.width, 0.5);
  // The tick twice as long; its pen four line widths times its own 0.25.
  EXPECT_EQ(style.symbolBox, (DRect{0, 0, 0, 2}));
  EXPECT_EQ(style.symbolWidth, 0.25 * 0.5 * 4);
  EXPECT_EQ(style.symbolPen, 1);
}

TEST_F(PatternExpansion, SymbolLineStyleOfTheDrawing) {
  test::DataHolder data;
  auto style = std::make_unique<cStyleLine>();
  style->startOffset = 3.0;
  style->repeatLength = 0.5;
  style->hasSymbol = 1;
  style->color = 0x0000FF;
  style->width = 0.1;
  cOutObj* symbol = cOutObj::Create(kTypeLine, false);
  symbol->Assign(*Tick());
  style->symbol.Append(symbol);
  data->LineStyles().Add(std::move(style));

  auto lineOwned = LineOfType(1, {0, 0}, {7, 0});
  cLine& line = *lineOwned;
  line.SetTypeByteSourceBits(kTypeStyledStroke);
  line.stroke.lineStyle = 0;
  line.ExpandPattern(data.get());
  const auto at = Positions(services);
  ASSERT_EQ(at.size(), 3u);  // 0.5, 3.5, 6.5
  ExpectNear(at[2], {6.5, 0});
  // The prototype took the style's values and let go of it.
  const cAnyLine* proto = line.PatternPieces()->entries[0].object->AsAnyLine();
  EXPECT_EQ(proto->TypeByte() & kTypeStyledStroke, 0);
  EXPECT_EQ(proto->stroke.color, 0x0000FFu);
  EXPECT_EQ(proto->stroke.formerLineStyle, 0);
  EXPECT_FALSE(proto->HasFlag(kFlagResolved));

  // Resolve hands the pieces over, prototype first.
  ObjectChain resolved = line.Resolve(data.get(), false);
  EXPECT_EQ(resolved.Count(), 4u);
  EXPECT_EQ(resolved.Head()->AsAnyLine()->stroke.patternPieceMark, 1);
  EXPECT_EQ(line.PatternPieces(), nullptr);
}

TEST_F(PatternExpansion, PiecesAreDrawnInsteadOfTheObject) {
  cPolygon polygon;
  polygon.stroke.lineType = 19;
  const DPoint a[2] = {{0, 0}, {4, 0}};
  polygon.FirstList().SetPoints(a, 2);
  polygon.FirstList().SetClosed(false);
  polygon.UpdateIfDirty(nullptr);
  test::RecordingDrawInfo info;
  polygon.Draw(&info);
  // The prototype polygon (stroked only, its list is open), then two ticks.
  ASSERT_EQ(info.calls.size(), 3u);
  EXPECT_EQ(info.calls[0], "StrokePath type 6");
  EXPECT_EQ(info.calls[1], "DrawSegmentShape (1,0)(1,1) type 1");
  EXPECT_EQ(info.calls[2], "DrawSegmentShape (3,0)(3,1) type 1");
}

TEST_F(PatternExpansion, GeneratedPiecesNeverExpand) {
  // A predefined type whose symbol is drawn in that same type.
  auto recursive = Tick();
  recursive->stroke.lineType = 22;
  services.AddLineType(*recursive, 1.0, 0.0, 1);
  auto lineOwned = LineOfType(22, {0, 0}, {3, 0});
  cLine& line = *lineOwned;
  line.ExpandPattern(nullptr);
  EXPECT_EQ(services.requests.size(), 4u);  // 0, 1, 2, 3
  for (std::size_t i = 1; i < line.PatternPieces()->entries.size(); ++i) {
    const cAnyLine* piece = line.PatternPieces()->entries[i].object->AsAnyLine();
    EXPECT_EQ(piece->PatternPieces(), nullptr);
  }
}

TEST(PatternCap, FallsWithTheMemoryHeld) {
  EXPECT_EQ(PatternPieceCap(0), 40000u);
  EXPECT_EQ(PatternPieceCap(500000000), 40000u);
  EXPECT_EQ(PatternPieceCap(500000001), 20000u);
  EXPECT_EQ(PatternPieceCap(1000000000), 20000u);
  EXPECT_EQ(PatternPieceCap(1200000000), 10000u);
  EXPECT_EQ(PatternPieceCap(1300000000), 4000u);
  EXPECT_EQ(PatternPieceCap(1400000000), 2000u);
  EXPECT_EQ(PatternPieceCap(1450000000), 500u);
  EXPECT_EQ(PatternPieceCap(1450000001), 0u);
}

TEST_F(PatternExpansion, TheCapStopsRunawayPlacement) {
  ASSERT_EQ(PatternPieceCap(GetAllocatedBytes()), 40000u);
  services.AddLineType(*Tick(), 1e-6, 0.0, 1);  // type 22
  auto lineOwned = LineOfType(22, {0, 0}, {1000, 0});
  cLine& line = *lineOwned;
  line.ExpandPattern(nullptr);
  // Placement goes on while at most 40,000 pieces stand, then ends.
  EXPECT_EQ(line.PatternPieces()->entries.size(), 1u + 40001u);
  EXPECT_EQ(services.requests.size(), 40001u);

  // Symbols that yield nothing still end: the tries are counted too.
  services.requests.clear();
  services.emptySymbols = true;
  auto emptyOwned = LineOfType(22, {0, 0}, {1e9, 0});
  cLine& empty = *emptyOwned;
  empty.ExpandPattern(nullptr);
  EXPECT_EQ(services.requests.size(), 40001u);
  EXPECT_EQ(empty.PatternPieces()->entries.size(), 1u);
}

TEST_F(PatternExpansion, SegmentPlacerEdgeCases) {
  PatternPieceList list;
  cLine line;
  PatternPlacement placement;
  placement.list = &list;
  placement.style = services.lineTypes[0].get();
  placement.object = &line;
  placement.step = 2.0;
  double phase = 0.5;
  // A segment of length 0 places nothing and keeps the phase.
  EXPECT_FALSE(PlacePatternOnSegment({1, 1}, {1, 1}, placement, phase));
  EXPECT_EQ(phase, 0.5);
  EXPECT_TRUE(services.requests.empty());
  // 0.5 and 2.5 on a piece of 3: the phase left is 4.5 - 3.
  EXPECT_FALSE(PlacePatternOnSegment({0, 0}, {0, 3}, placement, phase));
  EXPECT_EQ(services.requests.size(), 2u);
  EXPECT_EQ(phase, 1.5);
  // A step of 0 places one symbol and stops the walk.
  placement.step = 0.0;
  EXPECT_TRUE(PlacePatternOnSegment({0, 0}, {10, 0}, placement, phase));
  EXPECT_EQ(services.requests.size(), 3u);
  ExpectNear(services.requests[2].position, {1.5, 0});
  // A phase that is not a number places nothing.
  placement.step = 1.0;
  phase = std::nan("");
  EXPECT_FALSE(PlacePatternOnSegment({0, 0}, {10, 0}, placement, phase));
  EXPECT_EQ(services.requests.size(), 3u);
}

}  // namespace
}  // namespace kvn
