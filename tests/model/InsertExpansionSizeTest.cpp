// The count of an insert's expansion, taken from its blocks, is the number
// of children the expansion makes: for nested blocks, blocks that place
// themselves, nesting past the path's depth, a lattice held by the budget,
// missing blocks, labels and the blank-out rectangle. The import spends it
// before any expansion is made, so it must neither miss nor invent children;
// and it tells an expansion cut at its budget (a loss the open counts) from
// one that just fills it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "model/BlockPath.h"
#include "model/InsertExpansion.h"
#include "model/InsertExpansionSize.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"

namespace kvn {
namespace {

struct DataRef {
  DataRef() : data(new cDrawingData()) { data->AddRef(); }
  ~DataRef() { data->Release(); }
  cDrawingData* data;
};

cLine* Line() {
  auto* line = new cLine();
  line->end = DPoint{1, 0};
  line->MarkDirty();
  return line;
}

cInsert* InsertOf(std::uint32_t block) {
  auto* insert = new cInsert();
  insert->blockIndex = block;
  return insert;
}

std::uint32_t AddBlock(cDrawingData* data, const std::vector<cOutObj*>& objects) {
  auto* block = new cBlock();
  ObjectChain chain;
  for (cOutObj* o : objects) chain.Append(o);
  block->AppendChain(std::move(chain));
  return data->AddBlock(block);
}

TEST(InsertExpansionSizeTest, CountsWhatTheExpansionMakes) {
  struct Row {
    std::string name;
    // Builds the blocks; the block the top insert places.
    std::function<std::uint32_t(cDrawingData*)> build;
    int labels = 0;
    bool blankOut = false;
    bool cut = false;  // whether the expansion stops at its budget with objects left
  };
  // A block of `leaves` inserts of a block of `each` lines, and `extra` lines.
  auto wide = [](cDrawingData* d, int leaves, int each, int extra) {
    std::vector<cOutObj*> lines;
    for (int i = 0; i < each; ++i) lines.push_back(Line());
    const std::uint32_t leaf = AddBlock(d, lines);
    std::vector<cOutObj*> objects;
    for (int i = 0; i < leaves; ++i) objects.push_back(InsertOf(leaf));
    for (int i = 0; i < extra; ++i) objects.push_back(Line());
    return AddBlock(d, objects);
  };
  // The budget rows below are built for a budget of 400,000 children.
  const expansion_testing::ScopedCuts cuts(400'000, 1'600'000);
  const std::vector<Row> rows = {
      {"flat", [](cDrawingData* d) { return AddBlock(d, {Line(), Line(), Line()}); }},
      {"nested twice", [](cDrawingData* d) {
         const std::uint32_t leaf = AddBlock(d, {Line(), Line()});
         const std::uint32_t middle = AddBlock(d, {InsertOf(leaf), Line(), InsertOf(leaf)});
         return AddBlock(d, {InsertOf(middle), InsertOf(middle), Line()});
       }},
      {"places itself", [](cDrawingData* d) {
         const std::uint32_t self = d->BlockCount();
         return AddBlock(d, {Line(), InsertOf(self), Line()});
       }},
      {"missing block", [](cDrawingData* d) { return AddBlock(d, {Line(), InsertOf(999)}); }},
      {"deeper than the path", [](cDrawingData* d) {
         std::uint32_t previous = AddBlock(d, {Line()});
         for (int i = 0; i < 70; ++i) previous = AddBlock(d, {Line(), InsertOf(previous)});
         return previous;
       }},
      {"lattice", [](cDrawingData* d) {
         std::uint32_t previous = AddBlock(d, {Line()});
         for (int i = 0; i < 40; ++i) previous = AddBlock(d, {InsertOf(previous), InsertOf(previous)});
         return previous;
       },
       0, false, true},
      {"labels and blank-out", [](cDrawingData* d) {
         const std::uint32_t leaf = AddBlock(d, {Line()});
         cInsert* nested = InsertOf(leaf);
         nested->GetLabelSlot(0)->text = WString(u"N");
         nested->blankOut = 1;
         return AddBlock(d, {Line(), nested});
       },
       2, true},
      {"exactly the budget", [&](cDrawingData* d) { return wide(d, 1000, 400, 0); }},
      {"one past the budget", [&](cDrawingData* d) { return wide(d, 1000, 400, 1); }, 0, false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    DataRef d;
    cInsert top;
    top.blockIndex = row.build(d.data);
    for (int i = 0; i < row.labels; ++i) top.GetLabelSlot(i)->text = WString(u"L");
    top.blankOut = row.blankOut ? 1 : 0;
    InsertExpansionSize size(*d.data);
    const std::uint64_t counted = size.Of(top);
    EXPECT_EQ(size.Cut(top), row.cut);
    top.UpdateIfDirty(d.data);
    EXPECT_EQ(counted, top.GetChildren().size());
  }
}

}  // namespace
}  // namespace kvn
