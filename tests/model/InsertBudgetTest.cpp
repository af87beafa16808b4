// The budget of children one insert expansion makes holds whatever the
// block objects give: lattices of blocks that place each other, whose
// leaves hold lines and labelled links (a link is exploded into its label
// and its path, two children at once), with a few lines before the lattice
// so that the budget runs out at every place inside an exploded chain. The
// budget is lowered to 400,000 children (and 1,600,000 entries) for these
// lattices: at its own size it holds only what no forecast weighed.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "model/InsertExpansion.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/cLink.h"

namespace kvn {
namespace {

struct DataRef {
  DataRef() : data(new cDrawingData()) { data->AddRef(); }
  ~DataRef() { data->Release(); }
  cDrawingData* data;
};

cOutObj* Line() {
  auto* line = new cLine();
  line->start = {0, 0};
  line->end = {1, 0};
  line->MarkDirty();
  return line;
}

cOutObj* LabelledLink() {
  auto* link = new cLink();
  const DPoint path[2] = {{0, 0}, {2, 1}};
  link->Points().SetPoints(path, 2);
  link->labelShown = 1;
  link->labelText = WString(u"W");
  link->labelPosition = {1, 1};
  link->MarkDirty();
  return link;
}

std::uint32_t AddBlock(cDrawingData* data, const std::vector<cOutObj*>& objects) {
  auto* block = new cBlock();
  ObjectChain chain;
  for (cOutObj* o : objects) chain.Append(o);
  block->AppendChain(std::move(chain));
  return data->AddBlock(block);
}

cInsert* InsertOf(std::uint32_t block, double x = 0) {
  auto* insert = new cInsert();
  insert->blockIndex = block;
  insert->point = {x, 0};
  return insert;
}

// What one leaf block holds: lines ('l') and labelled links ('k').
struct Case {
  const char* leaf;
  int linesBefore;  // lines of the top block before the lattice
  int levels;       // each level places the one below twice
};

std::size_t ChildrenOf(const Case& c, std::uint64_t& wanted) {
  DataRef d;
  std::vector<cOutObj*> leaf;
  std::uint64_t perLeaf = 0;
  for (const char* k = c.leaf; *k; ++k) {
    leaf.push_back(*k == 'k' ? LabelledLink() : Line());
    perLeaf += *k == 'k' ? 2 : 1;
  }
  std::uint32_t previous = AddBlock(d.data, leaf);
  for (int i = 0; i < c.levels; ++i) previous = AddBlock(d.data, {InsertOf(previous), InsertOf(previous, 1)});
  std::vector<cOutObj*> top;
  for (int i = 0; i < c.linesBefore; ++i) top.push_back(Line());
  top.push_back(InsertOf(previous));
  cInsert insert;
  insert.blockIndex = AddBlock(d.data, top);
  insert.UpdateIfDirty(d.data);
  wanted = std::uint64_t(c.linesBefore) + (perLeaf << c.levels);
  return insert.GetChildren().size();
}

constexpr std::uint32_t kBudget = 400'000;

TEST(InsertBudget, TheBudgetStopsEveryChainWhereverItRunsOut) {
  const expansion_testing::ScopedCuts cuts(kBudget, 4 * kBudget);
  const Case cases[] = {
      // Below the budget: every child is made.
      {"k", 0, 10},
      {"lk", 1, 12},
      // Past it: running out at the end of a chain of two, and inside one
      // (after a line, after a link's label, in a leaf's second link).
      {"k", 0, 18},
      {"k", 1, 18},
      {"lk", 2, 18},
      {"kkl", 2, 17},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "leaf " << c.leaf << ", " << c.linesBefore << " lines before, "
                                      << c.levels << " levels");
    std::uint64_t wanted = 0;
    const std::size_t made = ChildrenOf(c, wanted);
    if (wanted <= kBudget) {
      EXPECT_EQ(made, wanted);
    } else {
      EXPECT_LE(made, std::size_t(kBudget));
      // Stopped at the budget, not before it (a chain is at most two).
      EXPECT_GE(made, std::size_t(kBudget) - 2);
    }
  }
}

// Blocks that only place each other make no children, so the children's
// budget never runs out: the nested blocks entered are counted too, and a
// lattice of 2^40 empty placements ends after that many entries instead of
// walking every path, and labelled placements pay for their labels.
TEST(InsertBudget, ALatticeOfEmptyBlocksEndsAfterTheBudgetsEntries) {
  const expansion_testing::ScopedCuts cuts(kBudget, 4 * kBudget);
  for (const Case& c : {Case{"", 0, 10}, Case{"", 2, 40}, Case{"l", 0, 40}}) {
    SCOPED_TRACE(::testing::Message() << "leaf " << c.leaf << ", " << c.levels << " levels");
    std::uint64_t wanted = 0;
    const std::size_t made = ChildrenOf(c, wanted);
    EXPECT_LE(made, std::size_t(kBudget));
    if (wanted <= kBudget) {
      EXPECT_EQ(made, wanted);
    }
  }
  // Placements that carry a label each: the labels are paid for as the
  // block's objects are, so 2^30 labelled placements of empty blocks stop
  // at the budget too.
  DataRef d;
  std::uint32_t previous = AddBlock(d.data, {});
  for (int i = 0; i < 30; ++i) {
    cInsert* first = InsertOf(previous);
    cInsert* second = InsertOf(previous, 1);
    for (cInsert* placed : {first, second}) {
      InsertLabel* slot = placed->GetLabelSlot(0);
      slot->text = WString(u"L");
      slot->position = {0, 1};
    }
    previous = AddBlock(d.data, {first, second});
  }
  cInsert insert;
  insert.blockIndex = previous;
  insert.UpdateIfDirty(d.data);
  EXPECT_LE(insert.GetChildren().size(), std::size_t(kBudget));
  EXPECT_GE(insert.GetChildren().size(), std::size_t(kBudget) - 2);
}

}  // namespace
}  // namespace kvn
