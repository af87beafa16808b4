// Merging blocks of equal content, the protected range, the remap of
// inserts, and the pen width a block's strokes share, through nested and
// self-placing blocks; the merge compared with the plain quadratic rule on
// seeded random block tables.
#include "model/BlockMaintenance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

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

// ---- the merge against the plain rule --------------------------------------------------

// The merge as the rule states it, step for step: entries sorted by checksum
// bytes and taken out of the list one by one, every later entry compared in
// the second pass.
bool BytesLess(std::uint32_t a, std::uint32_t b) {
  for (int i = 0; i < 4; ++i) {
    const std::uint32_t x = (a >> (8 * i)) & 0xFF, y = (b >> (8 * i)) & 0xFF;
    if (x != y) return x < y;
  }
  return false;
}

void PlainMerge(cDrawingData& data, cOutObj* first, std::uint32_t protectedFirst, int protectedCount) {
  const std::uint32_t n = data.BlockCount();
  ByteArray scratch, otherScratch;
  std::vector<ReachableBlock> entries;
  std::vector<bool> visited(n, false);
  CollectReachableBlocks(first, data, entries, visited, scratch);
  std::vector<std::uint32_t> protectedSums;
  if (protectedFirst < n && protectedCount > 0 && protectedFirst + std::uint32_t(protectedCount) <= n) {
    for (std::uint32_t i = protectedFirst; i < protectedFirst + std::uint32_t(protectedCount); ++i)
      protectedSums.push_back(data.GetBlock(i)->GetChecksum(scratch));
  }
  auto allowed = [&](std::uint32_t sum) {
    return protectedSums.empty() || std::find(protectedSums.begin(), protectedSums.end(), sum) != protectedSums.end();
  };
  auto remapAll = [&](const std::vector<std::uint32_t>& remap) {
    RemapInsertBlocks(data, first, remap);
    for (std::uint32_t i = 0; i < n; ++i)
      if (RemapInsertBlocks(data, data.GetBlock(i)->FirstObject(), remap)) data.GetBlock(i)->InvalidateChecksum();
  };
  std::vector<std::uint32_t> remap(n + 1), second(n + 1);
  for (std::uint32_t i = 0; i <= n; ++i) remap[i] = second[i] = i;
  std::stable_sort(entries.begin(), entries.end(),
                   [](const ReachableBlock& a, const ReachableBlock& b) { return BytesLess(a.checksum, b.checksum); });
  bool remapped = false;
  for (std::size_t e = 0; e < entries.size(); ++e) {
    if (!allowed(entries[e].checksum)) continue;
    while (e + 1 < entries.size() && entries[e + 1].checksum == entries[e].checksum &&
           data.GetBlock(entries[e].index)->IsSameBlock(*data.GetBlock(entries[e + 1].index), scratch, otherScratch)) {
      remap[entries[e + 1].index] = entries[e].index;
      entries.erase(entries.begin() + std::ptrdiff_t(e) + 1);
      remapped = true;
    }
  }
  if (remapped) remapAll(remap);
  std::stable_sort(entries.begin(), entries.end(),
                   [](const ReachableBlock& a, const ReachableBlock& b) { return BytesLess(a.position, b.position); });
  bool emptied = false;
  for (std::size_t e = 0; e < entries.size(); ++e) {
    cBlock* a = data.GetBlock(entries[e].index);
    const std::uint32_t c = a->GetChecksum(scratch);
    if (!allowed(c)) continue;
    for (std::size_t f = e + 1; f < entries.size();) {
      cBlock* b = data.GetBlock(entries[f].index);
      if (b->GetChecksum(otherScratch) == c && a->IsSameBlock(*b, scratch, otherScratch)) {
        b->DetachObjects();
        second[entries[f].index] = entries[e].index;
        entries.erase(entries.begin() + std::ptrdiff_t(f));
        emptied = true;
      } else {
        ++f;
      }
    }
  }
  if (emptied) remapAll(second);
}

// A table of leaf blocks drawn from a few shapes (so that many are equal),
// holders placing earlier blocks (equal once their leaves are merged), and a
// top chain placing some of them. With `collide`, a third of the blocks carry
// a made-up checksum of a few values, so that blocks that differ meet in one
// checksum and end runs of equal ones.
struct RandomTable {
  Data d;
  cBlock top;
  RandomTable(std::uint32_t seed, int leaves, int holders, bool collide) {
    std::mt19937 rng(seed);
    cDrawingData& data = *d.data;
    for (int i = 0; i < leaves; ++i) {
      const double shape = double(rng() % 6);
      AddBlock(data, {Line({0, 0}, {10, shape}, 0.25)});
    }
    for (int i = 0; i < holders; ++i) {
      const std::uint32_t known = data.BlockCount();
      ObjectChain chain;
      const int places = 1 + int(rng() % 3);
      for (int p = 0; p < places; ++p) chain.Append(Place(std::uint32_t(rng() % known)));
      if (rng() % 2) chain.Append(Line({0, 0}, {1, double(rng() % 2)}, 0.5));
      auto* block = new cBlock;
      block->AppendChain(std::move(chain));
      data.AddBlock(block);
    }
    ByteArray scratch;
    for (std::uint32_t i = 0; collide && i < data.BlockCount(); ++i) {
      if (rng() % 3 != 0) continue;
      cBlock* block = data.GetBlock(i);
      block->GetChecksum(scratch);
      block->checksum = 0x01000000u * (1 + rng() % 3);
    }
    ObjectChain chain;
    for (std::uint32_t i = 0; i < data.BlockCount(); ++i)
      if (rng() % 4 != 0) chain.Append(Place(std::uint32_t(rng() % data.BlockCount())));
    top.AppendChain(std::move(chain));
  }
  // What the merge decides: which blocks are emptied and where every insert points.
  std::vector<std::int64_t> Outcome() const {
    std::vector<std::int64_t> out;
    auto inserts = [&out](cOutObj* chain) {
      for (cOutObj* o = chain; o; o = o->next)
        if (const cInsert* insert = o->AsInsert()) out.push_back(insert->blockIndex);
    };
    inserts(top.FirstObject());
    for (std::uint32_t i = 0; i < d.data->BlockCount(); ++i) {
      out.push_back(d.data->GetBlock(i)->FirstObject() ? -1 : -2);
      inserts(d.data->GetBlock(i)->FirstObject());
    }
    return out;
  }
};

TEST(BlockMaintenance, TheMergeDecidesAsThePlainRuleOnRandomTables) {
  struct Case {
    std::uint32_t seed;
    int leaves, holders;
    bool collide;
    std::uint32_t protectedFirst;
    int protectedCount;
  };
  // More than 256 entries: the second pass's order of positions compared
  // bytewise differs from their numeric order.
  const Case cases[] = {
      {1, 40, 40, false, 0, 0},     {2, 600, 900, false, 0, 0},    {3, 600, 900, true, 0, 0},
      {4, 1500, 1500, true, 0, 0},  {5, 800, 800, true, 10, 300},  {6, 800, 800, false, 700, 200},
      {7, 300, 2000, true, 0, 0},   {8, 10, 3000, true, 5, 5},
  };
  for (const Case& c : cases) {
    RandomTable fast(c.seed, c.leaves, c.holders, c.collide), plain(c.seed, c.leaves, c.holders, c.collide);
    ASSERT_EQ(fast.Outcome(), plain.Outcome());
    fast.d.data->MergeDuplicateBlocks(nullptr, fast.top.FirstObject(), c.protectedFirst, c.protectedCount);
    PlainMerge(*plain.d.data, plain.top.FirstObject(), c.protectedFirst, c.protectedCount);
    const std::vector<std::int64_t> outcome = fast.Outcome();
    EXPECT_EQ(outcome, plain.Outcome()) << "seed " << c.seed;
    // Something was merged and something emptied, or the case tests little.
    EXPECT_NE(outcome, RandomTable(c.seed, c.leaves, c.holders, c.collide).Outcome()) << "seed " << c.seed;
  }
}

// The merge over the top objects listed decides as the merge down their
// chain, and the collection lists the same entries in the same order.
TEST(BlockMaintenance, TheListedTopMergesAsItsChain) {
  struct Case {
    std::uint32_t seed;
    int leaves, holders;
    bool collide;
  };
  const Case cases[] = {{11, 40, 40, false}, {12, 600, 900, true}, {13, 1500, 1500, true}, {14, 10, 3000, false}};
  for (const Case& c : cases) {
    RandomTable listed(c.seed, c.leaves, c.holders, c.collide), chained(c.seed, c.leaves, c.holders, c.collide);
    std::vector<cOutObj*> top;
    for (cOutObj* o = listed.top.FirstObject(); o; o = o->next) top.push_back(o);

    std::vector<ReachableBlock> fromList, fromChain;
    std::vector<bool> visitedList(listed.d.data->BlockCount(), false), visitedChain = visitedList;
    ByteArray scratch;
    CollectReachableBlocks(top, *listed.d.data, fromList, visitedList, scratch);
    CollectReachableBlocks(chained.top.FirstObject(), *chained.d.data, fromChain, visitedChain, scratch);
    ASSERT_EQ(fromList.size(), fromChain.size()) << "seed " << c.seed;
    for (std::size_t e = 0; e < fromList.size(); ++e) {
      EXPECT_EQ(fromList[e].index, fromChain[e].index);
      EXPECT_EQ(fromList[e].checksum, fromChain[e].checksum);
    }
    EXPECT_EQ(visitedList, visitedChain);

    listed.d.data->MergeDuplicateBlocks(top);
    chained.d.data->MergeDuplicateBlocks(nullptr, chained.top.FirstObject(), 0, 0);
    const std::vector<std::int64_t> outcome = listed.Outcome();
    EXPECT_EQ(outcome, chained.Outcome()) << "seed " << c.seed;
    EXPECT_NE(outcome, RandomTable(c.seed, c.leaves, c.holders, c.collide).Outcome()) << "seed " << c.seed;
  }
}

// Ten thousand blocks of one line each at its own turn, each with a twin,
// and a holder placing each of the two: the first pass maps every twin onto
// its block, the second empties the holder of the twin onto the other
// holder; nothing else is merged.
TEST(BlockMaintenance, TenThousandTurnedBlocksMergeOnlyTheirTwins) {
  Data d;
  cDrawingData& data = *d.data;
  cBlock top;
  ObjectChain chain;
  constexpr std::uint32_t kTurns = 10'000;
  for (std::uint32_t i = 0; i < kTurns; ++i) {
    const double angle = i * 2 * 3.141592653589793 / kTurns;
    const std::uint32_t block = AddBlock(data, {Line({0, 0}, {std::cos(angle), std::sin(angle)}, 0.25)});
    const std::uint32_t twin = AddBlock(data, {Line({0, 0}, {std::cos(angle), std::sin(angle)}, 0.25)});
    const std::uint32_t holder = AddBlock(data, {Place(block)});
    const std::uint32_t twinHolder = AddBlock(data, {Place(twin)});
    chain.Append(Place(holder));
    chain.Append(Place(twinHolder));
    chain.Append(Place(block));
  }
  top.AppendChain(std::move(chain));
  data.MergeDuplicateBlocks(nullptr, top.FirstObject(), 0, 0);
  std::vector<std::uint32_t> emptied;
  for (std::uint32_t i = 0; i < data.BlockCount(); ++i)
    if (!data.GetBlock(i)->FirstObject()) emptied.push_back(i);
  ASSERT_EQ(emptied.size(), kTurns);
  for (std::uint32_t i = 0; i < kTurns; ++i) {
    ASSERT_EQ(emptied[i], 4 * i + 3);
    ASSERT_EQ(data.GetBlock(4 * i + 2)->FirstObject()->AsInsert()->blockIndex, 4 * i);
  }
  const std::uint32_t expected[3] = {2, 2, 0};
  std::uint32_t k = 0;
  for (cOutObj* o = top.FirstObject(); o; o = o->next, ++k)
    ASSERT_EQ(o->AsInsert()->blockIndex, k / 3 * 4 + expected[k % 3]) << k;
}

}  // namespace
}  // namespace kvn
