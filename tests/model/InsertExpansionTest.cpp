// Insert expansion: placement of the children, attribute substitution, the
// polygon fallback, labels, the blank-out rectangle, colour and width
// overrides, blocks that place themselves or nest deeper than the path
// allows, and explosion with its copy map.
#include <gtest/gtest.h>

#include <memory>

#include "model/BlockPath.h"
#include "model/InsertCopyMap.h"
#include "model/InsertExpansion.h"
#include "model/cArc.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cInvRect.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "model/cText.h"

namespace kvn {
namespace {

struct DataRef {
  DataRef() : data(new cDrawingData()) { data->AddRef(); }
  ~DataRef() { data->Release(); }
  cDrawingData* data;
};

cLine* Line(DPoint a, DPoint b) {
  auto* line = new cLine();
  line->start = a;
  line->end = b;
  line->MarkDirty();
  return line;
}

cText* Text(const char16_t* source) {
  auto* text = new cText();
  text->SetText(WString(source));
  text->attr.height = 2.5;
  return text;
}

// A block of the given objects appended to the table; its index.
std::uint32_t AddBlock(cDrawingData* data, std::initializer_list<cOutObj*> objects) {
  auto* block = new cBlock();
  ObjectChain chain;
  for (cOutObj* o : objects) chain.Append(o);
  block->AppendChain(std::move(chain));
  return data->AddBlock(block);
}

cInsert* InsertOf(std::uint32_t block, DPoint at = {}) {
  auto* insert = new cInsert();
  insert->blockIndex = block;
  insert->point = at;
  return insert;
}

TEST(InsertExpansionTest, ChildLineIsPlacedScaledAndTurnedByTheNegatedAngle) {
  DataRef d;
  cInsert insert;
  insert.blockIndex = AddBlock(d.data, {Line({0, 0}, {1, 0})});
  insert.point = {10, 5};
  insert.scale = {2, 2};
  insert.angle = 90;
  insert.UpdateIfDirty(d.data);
  ASSERT_EQ(insert.GetChildren().size(), 1u);
  const cLine* child = static_cast<const cLine*>(insert.GetChildren()[0]);
  EXPECT_NEAR(child->start.x, 10, 1e-12);
  EXPECT_NEAR(child->start.y, 5, 1e-12);
  EXPECT_NEAR(child->end.x, 10, 1e-12);
  EXPECT_NEAR(child->end.y, 3, 1e-12);
  DRect extent;
  insert.GetExtent(extent);
  EXPECT_NEAR(extent.y1, 3, 1e-12);
  EXPECT_NEAR(extent.y2, 5, 1e-12);
  EXPECT_EQ(insert.Children()[0].index, kEntryBlockObject);
}

TEST(InsertExpansionTest, AttributeSubstitutionOfBlockTexts) {
  DataRef d;
  cInsert insert;
  insert.blockIndex = AddBlock(d.data, {Text(u"TAG"), Text(u"OFF"), Text(u"EMPTY"), Text(u"plain")});
  auto add = [&](const char16_t* name, const char16_t* value, std::uint8_t flag) {
    AttributeItem item;
    item.name = WString(name);
    item.value = WString(value);
    item.flag = flag;
    insert.attributes.Add(std::move(item));
  };
  add(u"TAG", u"AB", 1);
  add(u"OFF", u"xy", 0);
  add(u"EMPTY", u"", 1);
  insert.UpdateIfDirty(d.data);
  const ObjectEntryArray& children = insert.Children();
  ASSERT_EQ(children.Count(), 2u) << "switched-off and empty attributes remove their texts";
  EXPECT_TRUE(children[0].object->AsText()->GetText() == WString(u"AB"));
  EXPECT_EQ(children[0].index, kEntryAttributeText);
  EXPECT_TRUE(children[1].object->AsText()->GetText() == WString(u"plain"));
  EXPECT_EQ(children[1].index, kEntryBlockObject);
}

TEST(InsertExpansionTest, BlockAttributeDefinitionsGiveTheFlag) {
  DataRef d;
  cInsert insert;
  insert.blockIndex = AddBlock(d.data, {Text(u"TAG")});
  cBlock* block = d.data->GetBlock(insert.blockIndex);
  block->mask = kBlockAttributes;
  AttributeItem definition;
  definition.name = WString(u"TAG");
  definition.flag = 0;
  block->attributes.Add(std::move(definition));
  AttributeItem item;
  item.name = WString(u"TAG");
  item.value = WString(u"AB");
  item.flag = 1;
  insert.attributes.Add(std::move(item));
  insert.UpdateIfDirty(d.data);
  EXPECT_EQ(insert.Children().Count(), 0u) << "the definition switches the attribute off";
}

TEST(InsertExpansionTest, ArcUnderNonUniformScaleBecomesAPolygon) {
  DataRef d;
  auto* arc = new cArc();
  arc->start = {1, 0};
  arc->middle = {0.7071067811865476, 0.7071067811865476};
  arc->end = {0, 1};
  arc->stroke.color = 0x00ABCDEF;
  cInsert insert;
  insert.blockIndex = AddBlock(d.data, {arc});
  insert.scale = {2, 1};
  insert.UpdateIfDirty(d.data);
  ASSERT_EQ(insert.GetChildren().size(), 1u);
  const cOutObj* child = insert.GetChildren()[0];
  EXPECT_EQ(child->TypeCode(), kTypePolygon);
  EXPECT_EQ(child->AsAnyLine()->stroke.color, 0x00ABCDEFu);
  DRect r;
  const_cast<cOutObj*>(child)->GetExtentUpdated(d.data, r);
  EXPECT_NEAR(r.x2, 2, 1e-9);
  EXPECT_NEAR(r.y2, 1, 1e-9);
  insert.scale = {2, 2};
  insert.MarkDirty();
  insert.UpdateIfDirty(d.data);
  EXPECT_EQ(insert.GetChildren()[0]->TypeCode(), kTypeArc) << "a uniform scale keeps the arc";
}

TEST(InsertExpansionTest, LabelBitsAndLabelEntries) {
  DataRef d;
  cInsert insert;
  insert.blockIndex = AddBlock(d.data, {Line({0, 0}, {1, 0})});
  InsertLabel* slot = insert.GetLabelSlot(1);
  slot->text = WString(u"K1");
  slot->position = {0, 2};
  insert.GetLabelSlot(0)->present = 0;
  insert.UpdateIfDirty(d.data);
  EXPECT_EQ(insert.labelBits, 0x02);
  ASSERT_EQ(insert.Children().Count(), 2u);
  const ObjectEntry& label = insert.Children()[1];
  EXPECT_EQ(label.index, 1);
  EXPECT_EQ(label.source, &insert);
  EXPECT_TRUE(label.object->HasFlag(kFlagInsertGenerated));
  EXPECT_TRUE(label.object->AsText()->GetText() == WString(u"K1"));
}

TEST(InsertExpansionTest, BlankOutRectangleComesLastAndBoundsTheStrokesOnly) {
  DataRef d;
  auto* line = Line({0, 0}, {4, 0});
  line->stroke.width = 1.0;
  cInsert insert;
  insert.blockIndex = AddBlock(d.data, {line});
  insert.blankOut = 1;
  InsertLabel* slot = insert.GetLabelSlot(0);
  slot->text = WString(u"far away");
  slot->position = {100, 100};
  insert.UpdateIfDirty(d.data);
  ASSERT_EQ(insert.Children().Count(), 3u);
  const ObjectEntry& last = insert.Children()[2];
  ASSERT_EQ(last.object->TypeCode(), cInvRect::kTypeCode);
  EXPECT_EQ(last.source, nullptr);
  const DRect& r = static_cast<const cInvRect&>(*last.object).rect;
  DRect stroke;
  insert.Children()[0].object->GetStrokeExtent(d.data, stroke);
  EXPECT_EQ(r.x1, stroke.x1);
  EXPECT_EQ(r.y2, stroke.y2);
  EXPECT_LT(r.x2, 50) << "the label is not covered";
  EXPECT_TRUE(last.object->HasFlag(kFlagInsertGenerated));
}

TEST(InsertExpansionTest, ColourOverrides) {
  DataRef d;
  auto* line = Line({0, 0}, {1, 0});
  line->stroke.color = 0x00112233;
  line->stroke.gapColor = 0x00445566;
  cInsert insert;
  insert.blockIndex = AddBlock(d.data, {line});
  insert.color = 0x80FF0000;  // bit 31: not set
  insert.UpdateIfDirty(d.data);
  EXPECT_EQ(insert.GetChildren()[0]->AsAnyLine()->stroke.color, 0x00112233u);
  EXPECT_EQ(insert.GetChildren()[0]->AsAnyLine()->stroke.gapColor, 0x00445566u);
  insert.color = 0x0000FF;
  insert.MarkDirty();
  insert.UpdateIfDirty(d.data);
  EXPECT_EQ(insert.GetChildren()[0]->AsAnyLine()->stroke.color, 0x0000FFu);
  EXPECT_EQ(insert.GetChildren()[0]->AsAnyLine()->stroke.gapColor, 0x80FFFFFFu);
}

TEST(InsertExpansionTest, FixedWidthAndWidthFactor) {
  DataRef d;
  auto* line = Line({0, 0}, {1, 0});
  line->stroke.width = 0.5;
  cInsert insert;
  insert.blockIndex = AddBlock(d.data, {line});
  insert.widthValue = 3.0;
  insert.UpdateIfDirty(d.data);
  EXPECT_DOUBLE_EQ(insert.GetChildren()[0]->AsAnyLine()->stroke.width, 1.5) << "factor mode";
  insert.widthMode = 1;
  insert.MarkDirty();
  insert.UpdateIfDirty(d.data);
  EXPECT_DOUBLE_EQ(insert.GetChildren()[0]->AsAnyLine()->stroke.width, 3.0) << "fixed width";
}

TEST(InsertExpansionTest, NestedInsertsAreExpandedAtTheirPlace) {
  DataRef d;
  const std::uint32_t inner = AddBlock(d.data, {Line({0, 0}, {1, 0})});
  cInsert* nested = InsertOf(inner, {5, 0});
  nested->color = 0x00FF00;
  const std::uint32_t outer = AddBlock(d.data, {nested});
  cInsert insert;
  insert.blockIndex = outer;
  insert.point = {100, 0};
  insert.color = 0x0000FF;
  insert.UpdateIfDirty(d.data);
  ASSERT_EQ(insert.GetChildren().size(), 1u);
  const cLine* line = static_cast<const cLine*>(insert.GetChildren()[0]);
  EXPECT_EQ(line->start, (DPoint{105, 0}));
  EXPECT_EQ(line->stroke.color, 0x0000FFu) << "the outer insert's colour is applied last";
}

TEST(InsertExpansionTest, BlocksPlacingThemselvesOrEachOtherExpandToNothingWhereTheyClose) {
  DataRef d;
  // Block 0 holds a line and an insert of itself.
  AddBlock(d.data, {Line({0, 0}, {1, 0}), InsertOf(0, {1, 0})});
  // Blocks 1 and 2 place each other.
  AddBlock(d.data, {Line({0, 0}, {0, 1}), InsertOf(2)});
  AddBlock(d.data, {Line({0, 0}, {0, 2}), InsertOf(1)});
  cInsert self;
  self.blockIndex = 0;
  self.UpdateIfDirty(d.data);
  EXPECT_EQ(self.GetChildren().size(), 1u);
  cInsert mutual;
  mutual.blockIndex = 1;
  mutual.UpdateIfDirty(d.data);
  EXPECT_EQ(mutual.GetChildren().size(), 2u);
  ObjectChain exploded = self.Explode(d.data);
  EXPECT_EQ(exploded.Count(), 2u) << "explosion copies the nested insert without expanding it";
  cBlock* block = d.data->GetBlock(0);
  block->MarkAllDirty(d.data);
}

TEST(InsertExpansionTest, SeventyDeepNestingStopsAtThePathDepth) {
  DataRef d;
  std::uint32_t previous = AddBlock(d.data, {Line({0, 0}, {1, 0})});
  for (int i = 0; i < 70; ++i) previous = AddBlock(d.data, {Line({0, 0}, {1, 0}), InsertOf(previous)});
  cInsert top;
  top.blockIndex = previous;
  top.UpdateIfDirty(d.data);
  EXPECT_EQ(top.GetChildren().size(), std::size_t(BlockPath::kMaxDepth));
}

TEST(InsertExpansionTest, LatticeOfBlocksIsHeldByTheBudget) {
  const expansion_testing::ScopedCuts cuts(400'000, 1'600'000);
  DataRef d;
  // Each level places the one below twice: 2^40 leaves without a budget.
  std::uint32_t previous = AddBlock(d.data, {Line({0, 0}, {1, 0})});
  for (int i = 0; i < 40; ++i) previous = AddBlock(d.data, {InsertOf(previous), InsertOf(previous, {1, 0})});
  cInsert top;
  top.blockIndex = previous;
  top.UpdateIfDirty(d.data);
  EXPECT_EQ(top.GetChildren().size(), std::size_t(ExpansionBudget()));
}

TEST(InsertExpansionTest, ExplodePlacesCopiesWithTheInsertsPagesAndLevel) {
  DataRef d;
  auto* line = Line({0, 0}, {1, 0});
  line->SetLevel(kNoLevel);
  cInsert insert;
  insert.blockIndex = AddBlock(d.data, {line, Text(u"plain")});
  insert.point = {10, 5};
  insert.scale = {2, 2};
  insert.angle = 90;
  insert.SetLevel(7);
  insert.SetPage(3);
  ObjectChain chain = insert.Explode(d.data);
  ASSERT_EQ(chain.Count(), 2u);
  const cLine* copy = static_cast<const cLine*>(chain.Head());
  EXPECT_NEAR(copy->end.x, 10, 1e-12);
  EXPECT_NEAR(copy->end.y, 3, 1e-12);
  EXPECT_EQ(copy->Level(), 7);
  EXPECT_EQ(copy->PageId(), 3);
}

// A link stand-in: the two insert ids it joins.
class LinkProbe : public cOutObj {
 public:
  LinkProbe() : cOutObj(kTypeLink) {}
  std::uint32_t* LinkedInsertId(int end) override { return &ends[end & 1]; }
  DRect& GetExtent(DRect& out) override { return out = DRect{}; }
  void Recalc(cDrawingData*) override {}
  std::uint32_t ends[2] = {0, 0};
};

TEST(InsertExpansionTest, CopyMapRepointsCopiedLinks) {
  cInsert a(true), b(true), copyA(true);
  LinkProbe inside, outside, loose;
  inside.ends[0] = a.RunningId();
  inside.ends[1] = 999;
  outside.ends[1] = b.RunningId();
  InsertCopyMap map;
  map.Record(&copyA, &a);
  map.Record(&inside, &inside);
  map.Record(&outside, &outside);
  map.Record(&loose, &loose);
  map.Apply();
  EXPECT_EQ(inside.ends[0], copyA.RunningId());
  EXPECT_EQ(inside.ends[1], 0u) << "an end outside the copies is cleared";
  EXPECT_EQ(outside.ends[1], 0u);
  EXPECT_EQ(loose.ends[0], 0u);
}

TEST(InsertExpansionTest, WithoutDrawingDataNestedInsertsContributeNothing) {
  DataRef d;
  const std::uint32_t inner = AddBlock(d.data, {Line({0, 0}, {1, 0})});
  cBlock block;
  ObjectChain chain;
  chain.Append(Line({0, 0}, {2, 0}));
  chain.Append(InsertOf(inner));
  block.AppendChain(std::move(chain));
  cInsert insert;
  ObjectEntryArray out;
  ExpandInsertArgs args;
  args.insert = &insert;
  args.block = &block;
  args.out = &out;
  ExpandInsert(args);
  EXPECT_EQ(out.Count(), 1u);
}

TEST(InsertExpansionTest, FilteredBlockExtentTakesTheChildrenOnVisibleLevels) {
  DataRef d;
  d.data->Levels().InsertLevel(u"shown", nullptr, 0);
  d.data->Levels().InsertLevel(u"hidden", nullptr, 1)->visible = 0;
  auto* shown = Line({0, 0}, {1, 0});
  shown->SetLevel(0);
  shown->stroke.width = 0;
  auto* hidden = Line({0, 0}, {50, 50});
  hidden->SetLevel(1);
  cBlock top;
  ObjectChain chain;
  cInsert* insert = InsertOf(AddBlock(d.data, {shown, hidden}), {10, 10});
  insert->SetLevel(1);  // the insert's own level does not matter
  chain.Append(insert);
  top.AppendChain(std::move(chain));
  ExtentFilter withDrawing;
  withDrawing.drawingPages = 1;
  DRect r;
  top.GetFilteredExtent(withDrawing, d.data, r);
  EXPECT_NEAR(r.x1, 10, 1e-9);
  EXPECT_NEAR(r.x2, 11, 1e-9);
  EXPECT_NEAR(r.y2, 10, 1e-9);
  top.GetFilteredExtent(ExtentFilter{}, d.data, r);
  EXPECT_GE(r.x2, 60) << "without a drawing record levels are not looked at";
}

}  // namespace
}  // namespace kvn
