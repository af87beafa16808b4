// Merging blocks of equal content, the protected range, the remap of
// inserts, and the pen width a block's strokes share, through nested and
// self-placing blocks.
#include "model/BlockMaintenance.h"

#include <gtest/gtest.h>

#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"

namespace kvn {
namespace {

cLine* Line(DPoint a, DPoint b, double width) {
  auto* line = new cLine;
  const DPoint points[2] = {a, b};
  line->SetPoints(points, 2);
  line->stroke.width = width;
  return line;
}

cInsert* Place(std::uint32_t block) {
  auto* insert = new cInsert;
  insert->blockIndex = block;
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

TEST(BlockMaintenance, EqualBlocksShareTheFirstAndTheProtectedRangeLimitsTheMerge) {
  Data d;
  cDrawingData& data = *d.data;
  const std::uint32_t a = AddBlock(data, {Line({0, 0}, {10, 0}, 0.25)});
  const std::uint32_t b = AddBlock(data, {Line({0, 0}, {10, 0}, 0.25)});
  const std::uint32_t c = AddBlock(data, {Line({0, 0}, {5, 5}, 0.25)});
  cBlock top;
  ObjectChain chain;
  cInsert* first = Place(a);
  cInsert* second = Place(b);
  cInsert* third = Place(c);
  chain.Append(first);
  chain.Append(second);
  chain.Append(third);
  top.AppendChain(std::move(chain));

  // Protecting only block c: the pair a/b is not a duplicate of it.
  data.MergeDuplicateBlocks(nullptr, top.FirstObject(), c, 1);
  EXPECT_EQ(second->blockIndex, b);

  data.MergeDuplicateBlocks(nullptr, top.FirstObject(), 0, 0);
  EXPECT_EQ(first->blockIndex, a);
  EXPECT_EQ(second->blockIndex, a);
  EXPECT_EQ(third->blockIndex, c);
}

TEST(BlockMaintenance, BlocksPlacingThemselvesAreCollectedOnce) {
  Data d;
  cDrawingData& data = *d.data;
  // Block 0 places block 1, which places block 0 again.
  AddBlock(data, {Place(1), Line({0, 0}, {1, 1}, 0.5)});
  AddBlock(data, {Place(0), Line({0, 0}, {1, 1}, 0.5)});
  cBlock top;
  ObjectChain chain;
  chain.Append(Place(0));
  top.AppendChain(std::move(chain));
  std::vector<ReachableBlock> entries;
  std::vector<bool> visited(data.BlockCount(), false);
  ByteArray scratch;
  CollectReachableBlocks(top.FirstObject(), data, entries, visited, scratch);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].index, 1u);  // nested blocks before the blocks holding them
  EXPECT_EQ(entries[1].index, 0u);
  data.MergeDuplicateBlocks(nullptr, top.FirstObject(), 0, 0);  // ends

  double width = 0;
  EXPECT_TRUE(GetCommonLineWidth(width, *data.GetBlock(0), data));
  EXPECT_DOUBLE_EQ(width, 0.5);
}

TEST(BlockMaintenance, CommonLineWidthOfStrokesAndNestedBlocks) {
  Data d;
  cDrawingData& data = *d.data;
  const std::uint32_t mixed = AddBlock(data, {Line({0, 0}, {1, 0}, 0.25), Line({0, 0}, {0, 1}, 0.5)});
  const std::uint32_t plain = AddBlock(data, {Line({0, 0}, {1, 0}, 0.35)});
  const std::uint32_t holder = AddBlock(data, {Place(plain), Line({0, 0}, {2, 0}, 0.35)});
  const std::uint32_t none = AddBlock(data, {});
  double width = 0;
  EXPECT_TRUE(GetCommonLineWidth(width, *data.GetBlock(mixed), data));
  EXPECT_DOUBLE_EQ(width, -1.0);
  EXPECT_TRUE(GetCommonLineWidth(width, *data.GetBlock(holder), data));
  EXPECT_DOUBLE_EQ(width, 0.35);
  EXPECT_FALSE(GetCommonLineWidth(width, *data.GetBlock(none), data));
  EXPECT_DOUBLE_EQ(width, -1.0);
}

}  // namespace
}  // namespace kvn
