// What the symbol lines of old drawings are built from: a block's objects
// copied with every insert flattened (through nested and self-placing
// blocks), the symbol brought to pattern scale 1, and the style caches
// dropped on demand.
#include <gtest/gtest.h>

#include "model/BlockCopy.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/cStyleLine.h"

namespace kvn {
namespace {

cLine* Line(DPoint a, DPoint b, double width) {
  auto* line = new cLine;
  const DPoint points[2] = {a, b};
  line->SetPoints(points, 2);
  line->stroke.width = width;
  return line;
}

cInsert* Place(std::uint32_t block, DPoint at) {
  auto* insert = new cInsert;
  insert->blockIndex = block;
  insert->point = at;
  return insert;
}

std::uint32_t AddBlock(cDrawingData& data, std::initializer_list<cOutObj*> objects) {
  auto* block = new cBlock;
  ObjectChain chain;
  for (cOutObj* o : objects) chain.Append(o);
  block->AppendChain(std::move(chain));
  return data.AddBlock(block);
}

struct Data {
  cDrawingData* data = new cDrawingData;
  Data() { data->AddRef(); }
  ~Data() { data->Release(); }
};

TEST(FlattenChainCopy, InsertsBecomeTheirPlacedObjectsAndTheSourceStays) {
  Data d;
  cDrawingData& data = *d.data;
  // Block 0: a line. Block 1: a line and two inserts of block 0, one of
  // them through block 2, which places block 0 again.
  const std::uint32_t leaf = AddBlock(data, {Line({0, 0}, {1, 0}, 0.25)});
  const std::uint32_t middle = AddBlock(data, {Place(leaf, {100, 0})});
  const std::uint32_t top =
      AddBlock(data, {Line({0, 0}, {0, 1}, 0.5), Place(leaf, {10, 0}), Place(middle, {20, 0})});

  ObjectChain flat = FlattenChainCopy(data, data.GetBlock(top)->FirstObject());
  ASSERT_EQ(flat.Count(), 3u);
  std::vector<double> starts;
  for (cOutObj* o = flat.Head(); o; o = o->next) {
    ASSERT_EQ(o->AsInsert(), nullptr);
    cLine* line = dynamic_cast<cLine*>(o);
    ASSERT_NE(line, nullptr);
    starts.push_back(line->start.x);
  }
  EXPECT_EQ(starts, (std::vector<double>{0, 10, 120}));
  // The block itself is untouched: still a line and two inserts.
  std::size_t count = 0;
  for (cOutObj* o = data.GetBlock(top)->FirstObject(); o; o = o->next) ++count;
  EXPECT_EQ(count, 3u);
}

TEST(FlattenChainCopy, BlocksPlacingThemselvesEndWhereTheyClose) {
  Data d;
  cDrawingData& data = *d.data;
  // Block 0 places block 1, which places block 0 again; and block 2 places
  // itself.
  AddBlock(data, {Place(1, {1, 0}), Line({0, 0}, {1, 1}, 0.5)});
  AddBlock(data, {Place(0, {1, 0}), Line({0, 0}, {2, 2}, 0.5)});
  AddBlock(data, {Place(2, {1, 0}), Line({0, 0}, {3, 3}, 0.5)});
  ObjectChain mutual = FlattenChainCopy(data, data.GetBlock(0)->FirstObject());
  // Block 1's copy of block 0's line, block 1's line, block 0's own line:
  // block 1 is not entered again from inside itself.
  EXPECT_EQ(mutual.Count(), 3u);
  ObjectChain self = FlattenChainCopy(data, data.GetBlock(2)->FirstObject());
  EXPECT_EQ(self.Count(), 2u);
  // An insert of a block beyond the table places nothing.
  cInsert* dangling = Place(99, {0, 0});
  ObjectChain lone(dangling);
  EXPECT_TRUE(FlattenChainCopy(data, lone.Head()).Empty());
}

TEST(SymbolScale, TheSymbolComesToPatternScaleOne) {
  cStyleLine style;
  style.patternScale = 4.0;
  style.repeatLength = 20.0;
  style.startOffset = 8.0;
  cLine* line = Line({0, 0}, {8, 4}, 2.0);
  style.symbol.Append(line);
  style.NormalizeSymbolScale();
  EXPECT_DOUBLE_EQ(style.repeatLength, 5.0);
  EXPECT_DOUBLE_EQ(style.startOffset, 2.0);
  EXPECT_DOUBLE_EQ(line->end.x, 2.0);
  EXPECT_DOUBLE_EQ(line->end.y, 1.0);
  EXPECT_DOUBLE_EQ(line->stroke.width, 0.5);
  EXPECT_DOUBLE_EQ(style.patternScale, 4.0);

  // "At both ends" (-1) is not a length and stays.
  cStyleLine ends;
  ends.patternScale = 2.0;
  ends.repeatLength = 10.0;
  ends.startOffset = -1.0;
  ends.symbol.Append(Line({0, 0}, {2, 0}, 0.25));
  ends.NormalizeSymbolScale();
  EXPECT_DOUBLE_EQ(ends.repeatLength, 5.0);
  EXPECT_DOUBLE_EQ(ends.startOffset, -1.0);

  // Without a symbol nothing changes.
  cStyleLine empty;
  empty.patternScale = 2.0;
  empty.repeatLength = 10.0;
  empty.NormalizeSymbolScale();
  EXPECT_DOUBLE_EQ(empty.repeatLength, 10.0);
}

TEST(StyleCaches, ResetMarksTheBlocksObjectsForNewExtents) {
  Data d;
  cDrawingData& data = *d.data;
  cBlock block;
  ObjectChain chain;
  cLine* line = Line({0, 0}, {1, 0}, 0.25);
  chain.Append(line);
  block.AppendChain(std::move(chain));
  DRect extent;
  line->GetExtentUpdated(&data, extent);
  ASSERT_FALSE(line->HasFlag(kFlagDirty));
  data.ResetStyleCaches(block);
  EXPECT_TRUE(line->HasFlag(kFlagDirty));
}

}  // namespace
}  // namespace kvn
