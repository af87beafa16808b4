#include "document/PredefinedLineTypes.h"
#include "render/LineTypes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string_view>

#include "foundation/Resources.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/cStyleLine.h"
#include "platform/gdi/GdiTypes.h"
#include "render/GeometryServicesImpl.h"

namespace kvn {
namespace {

const cLine* AsLine(const cOutObj* o) { return dynamic_cast<const cLine*>(o); }

struct LineTypesFixture : ::testing::Test {
  void SetUp() override { UnloadLineTypesForTest(); }
  void TearDown() override {
    UnloadLineTypesForTest();
    SetGeometryServices(nullptr);
  }
};

TEST_F(LineTypesFixture, TheResourceGivesThePredefinedTypesInOrder) {
  ASSERT_FALSE(FindResource(ResourceType::LinesTable, kLinesTableResourceId).empty());
  EXPECT_EQ(GetLineTypeCount(), 29u);
  const cStyleLine* fence = GetPredefinedLineType(0);
  ASSERT_NE(fence, nullptr);
  EXPECT_EQ(fence->name, WString(u"Fence"));
  EXPECT_TRUE(fence->IsSymbolLine());
  EXPECT_EQ(fence->lineType, 1);
  EXPECT_EQ(fence->repeatLength, 2.0);
  EXPECT_EQ(fence->startOffset, 4.0);
  EXPECT_EQ(fence->symbolByte, 3);
  int objects = 0;
  for (const cOutObj* o = fence->symbol.Head(); o; o = o->next) ++objects;
  EXPECT_EQ(objects, 2);

  const cStyleLine* arrows = GetPredefinedLineType(2);
  ASSERT_NE(arrows, nullptr);
  EXPECT_EQ(arrows->startOffset, -1.0);
  EXPECT_EQ(GetPredefinedLineType(10), nullptr);

  // A second load keeps the list (and the symbol objects it hands out).
  LoadLineTypes();
  EXPECT_EQ(GetPredefinedLineType(0), fence);
}

TEST_F(LineTypesFixture, AMissingOrBrokenResourceLeavesOneSolidStyle) {
  for (std::string_view bytes : {std::string_view(), std::string_view("QUARN-S1\r\nVersion=3111\r\n\0garbage", 33)}) {
    UnloadLineTypesForTest();
    ScopedResourceOverride missing(ResourceType::LinesTable, kLinesTableResourceId, bytes);
    EXPECT_EQ(GetLineTypeCount(), 20u);
    const cStyleLine* only = GetPredefinedLineType(0);
    ASSERT_NE(only, nullptr);
    EXPECT_EQ(only->lineType, kLineTypeSolid);
    EXPECT_EQ(only->width, 0.25);
    EXPECT_EQ(only->color, 0u);
    EXPECT_FALSE(only->IsSymbolLine());
  }
}

TEST_F(LineTypesFixture, StyleDashesComeFromElementsOrTheBuiltinRow) {
  GrowArray<double> scratch;
  cStyleLine style;
  style.lineType = 5;
  StyleDashes d = GetStyleDashes(style, scratch);
  EXPECT_TRUE(d.builtin);
  ASSERT_EQ(d.count, 2u);
  EXPECT_EQ(d.entries[0], 6.0);
  EXPECT_EQ(d.entries[1], -6.0);

  style.lineType = 19;  // a predefined type without elements: no dashes
  EXPECT_EQ(GetStyleDashes(style, scratch).count, 0u);

  style.dashElements.resize(3);
  style.dashElements[0].position = 2.5;
  style.dashElements[1].position = -1.0;
  style.dashElements[2].position = 0.0;
  d = GetStyleDashes(style, scratch);
  EXPECT_FALSE(d.builtin);
  ASSERT_EQ(d.count, 3u);
  EXPECT_EQ(d.entries[0], 2.5);
  EXPECT_EQ(d.entries[2], 0.0);
}

TEST_F(LineTypesFixture, ASymbolInstanceIsPlacedTurnedAndColouredLikeAnInsert) {
  cStyleLine style;
  style.hasSymbol = 1;
  style.symbolByte = 3;
  auto tick = std::make_unique<cLine>();
  tick->end = {1, 0};
  tick->stroke.color = Rgb(9, 9, 9);
  style.symbol.Append(tick.release());

  cLine host;
  host.stroke.color = Rgb(255, 0, 0);
  host.stroke.width = 0.7;

  RendererGeometryServices services;
  SymbolInstanceRequest request;
  request.style = &style;
  request.position = {10, 10};
  request.angle = 450;  // 90 after reduction
  request.scale = 2;
  request.line = &host;
  ObjectChain out;
  services.ExpandSymbolInstance(request, out);
  ASSERT_NE(out.Head(), nullptr);
  const cLine* placed = AsLine(out.Head());
  ASSERT_NE(placed, nullptr);
  EXPECT_NEAR(placed->start.x, 10, 1e-9);
  EXPECT_NEAR(placed->start.y, 10, 1e-9);
  EXPECT_NEAR(placed->end.x, 10, 1e-9);
  EXPECT_NEAR(placed->end.y, 12, 1e-9);
  EXPECT_EQ(placed->stroke.color, Rgb(255, 0, 0));
  EXPECT_EQ(placed->stroke.width, 0.7);
  // The symbol itself is untouched.
  EXPECT_EQ(AsLine(style.symbol.Head())->end.x, 1.0);

  // Without the colour and width bits the symbol keeps its own.
  style.symbolByte = 0;
  ObjectChain own;
  services.ExpandSymbolInstance(request, own);
  ASSERT_NE(own.Head(), nullptr);
  EXPECT_EQ(AsLine(own.Head())->stroke.color, Rgb(9, 9, 9));
}

TEST_F(LineTypesFixture, ASymbolHoldingAnInsertPlacesTheInsertsBlock) {
  cDrawingData* data = new cDrawingData();
  data->AddRef();
  auto* block = new cBlock();
  auto* stroke = new cLine();
  stroke->end = {0, 1};
  stroke->stroke.color = Rgb(9, 9, 9);
  ObjectChain blockChain;
  blockChain.Append(stroke);
  block->AppendChain(std::move(blockChain));
  auto* nested = new cInsert();
  nested->blockIndex = data->AddBlock(block);
  nested->point = {1, 0};
  cStyleLine style;
  style.hasSymbol = 1;
  style.symbolByte = 1;
  style.symbol.Append(nested);
  cLine host;
  host.stroke.color = Rgb(0, 0, 255);

  RendererGeometryServices services;
  SymbolInstanceRequest request;
  request.data = data;
  request.style = &style;
  request.position = {10, 10};
  request.angle = 90;
  request.line = &host;
  ObjectChain out;
  services.ExpandSymbolInstance(request, out);
  ASSERT_EQ(out.Count(), 1u);
  const cLine* placed = AsLine(out.Head());
  ASSERT_NE(placed, nullptr);
  // Block line (0,0)-(0,1) at (1,0) in the symbol, turned by 90 about the
  // symbol origin and moved to (10,10).
  EXPECT_NEAR(placed->start.x, 10, 1e-9);
  EXPECT_NEAR(placed->start.y, 11, 1e-9);
  EXPECT_NEAR(placed->end.x, 9, 1e-9);
  EXPECT_NEAR(placed->end.y, 11, 1e-9);
  // The line's colour goes to the symbol's own objects; a nested insert
  // expands with its own colours.
  EXPECT_EQ(placed->stroke.color, Rgb(9, 9, 9));
  out.Clear();
  style.symbol.Clear();
  data->Release();
}

TEST_F(LineTypesFixture, PredefinedTypesExpandIntoSymbolsAlongALine) {
  InstallRendererGeometryServices();
  cLine line;
  line.end = {20, 0};
  line.stroke.lineType = 19;  // Fence: first symbol at 2, then every 4
  line.Recalc(nullptr);
  const PatternPieceList* pieces = line.PatternPieces();
  ASSERT_NE(pieces, nullptr);
  // Five crosses of two strokes each, plus the list's prototype entry.
  EXPECT_EQ(pieces->entries.size(), 11u);
  // The expansion copied the symbols: the list stays intact.
  EXPECT_EQ(AsLine(GetPredefinedLineType(0)->symbol.Head())->start.x, -0.5);
}

}  // namespace
}  // namespace kvn
