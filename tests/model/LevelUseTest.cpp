// Level use switched off (every object to no level, the table gone) and the
// chain regrouped by level order, keeping the order within each level.
#include "model/LevelUse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "model/LevelTable.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"

namespace kvn {
namespace {

// A line on a level, told apart by its x.
cLine* LineOn(std::uint16_t level, double x) {
  auto* line = new cLine;
  const DPoint points[2] = {{x, 0}, {x, 1}};
  line->SetPoints(points, 2);
  line->SetLevel(level);
  return line;
}

void Fill(cBlock& block, std::initializer_list<cOutObj*> objects) {
  ObjectChain chain;
  for (cOutObj* o : objects) chain.Append(o);
  block.AppendChain(std::move(chain));
}

std::vector<std::pair<std::uint16_t, double>> LevelsAndXs(const cBlock& block) {
  std::vector<std::pair<std::uint16_t, double>> out;
  for (cOutObj* o = block.FirstObject(); o; o = o->next) {
    DRect r{};
    o->GetExtent(r);
    out.emplace_back(o->Level(), std::min(r.x1, r.x2));
  }
  return out;
}

TEST(LevelUse, DroppingLevelsMovesEveryObjectToNoLevelAndEmptiesTheTable) {
  cDrawingData data;
  data.Levels().InsertLevel(u"a", nullptr, 0);
  data.Levels().InsertLevel(u"b", nullptr, 1);
  cBlock top;
  Fill(top, {LineOn(0, 1), LineOn(1, 2)});
  auto* block = new cBlock;
  Fill(*block, {LineOn(1, 3)});
  data.AddBlock(block);

  DropLevelUse(data, top);
  EXPECT_FALSE(data.Levels().InUse());
  EXPECT_EQ(data.Levels().Count(), 0u);
  EXPECT_EQ(data.Levels().GetCurrentIndex(), 65535);
  for (const auto& [level, x] : LevelsAndXs(top)) EXPECT_EQ(level, 65535) << x;
  EXPECT_EQ(block->FirstObject()->Level(), 65535);

  // Switched on again: in use, without levels until some are added.
  data.Levels().SetInUse();
  EXPECT_TRUE(data.Levels().InUse());
  EXPECT_EQ(data.Levels().Count(), 0u);
}

TEST(LevelUse, SortingRegroupsByTableOrderKeepingTheOrderWithinALevel) {
  cBlock top;
  Fill(top, {LineOn(2, 1), LineOn(65535, 2), LineOn(0, 3), LineOn(2, 4), LineOn(0, 5), LineOn(1, 6)});
  SortObjectsByLevel(top);
  const std::vector<std::pair<std::uint16_t, double>> expected{{0, 3}, {0, 5}, {1, 6}, {2, 1}, {2, 4}, {65535, 2}};
  EXPECT_EQ(LevelsAndXs(top), expected);
  // The chain is whole: appending after the sort reaches the new end.
  Fill(top, {LineOn(0, 7)});
  EXPECT_EQ(LevelsAndXs(top).back(), (std::pair<std::uint16_t, double>{0, 7}));

  cBlock empty;
  SortObjectsByLevel(empty);
  EXPECT_EQ(empty.FirstObject(), nullptr);
}

TEST(LevelUse, ASharedChainIsNotReordered) {
  cBlock owner;
  Fill(owner, {LineOn(1, 1), LineOn(0, 2)});
  cBlock view;
  view.SetSharedChain(owner.FirstObject());
  SortObjectsByLevel(view);
  EXPECT_EQ(LevelsAndXs(owner).front().first, 1);
  view.InitObjectList();
}

}  // namespace
}  // namespace kvn
