// The indexed block look-up against a scan of the table in order, on seeded
// random tables with shared handles, owners, names in mixed case and insert
// handles listed by several blocks; blocks appended after a look-up.
#include "import/records/BlockLookup.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "import/records/TableRecords.h"

namespace kvn {
namespace {

YxxfBlockRec* Scan(const OwnedArray<YxxfBlockRec>& blocks, std::uint64_t insertHandle, const WString& name,
                   std::uint64_t blockHandle) {
  for (std::uint32_t b = 0; b < blocks.Count(); ++b) {
    YxxfBlockRec* block = blocks[b];
    if (blockHandle != 0 ? block->handle == blockHandle || block->owner == blockHandle
                         : !name.IsEmpty() && EqualsAsciiNoCase(block->name.View(), name.View()))
      return block;
    for (std::uint32_t i = 0; insertHandle != 0 && i < block->insertHandles.Count(); ++i)
      if (block->insertHandles[i] == insertHandle) return block;
  }
  return nullptr;
}

WString RandomName(std::mt19937& rng) {
  static const char16_t* const kNames[] = {u"PART", u"part", u"Part", u"*U12", u"*u12", u"", u"Ärger", u"ärger",
                                           u"DOOR", u"door_2", u"A", u"a"};
  return WString(kNames[rng() % (sizeof kNames / sizeof kNames[0])]);
}

void AddRandomBlock(OwnedArray<YxxfBlockRec>& blocks, std::mt19937& rng, std::uint64_t keys) {
  auto block = std::make_unique<YxxfBlockRec>(RandomName(rng), Vec3{}, 0, 0, 0, 0, 0);
  block->handle = rng() % 4 == 0 ? 0 : 1 + rng() % keys;
  block->owner = rng() % 3 == 0 ? 0 : 1 + rng() % keys;
  for (std::uint32_t i = rng() % 4; i > 0; --i) block->insertHandles.Add(1 + rng() % keys);
  blocks.Add(block.release());
}

TEST(BlockLookupTest, FindsWhatAScanInTableOrderFinds) {
  struct Case {
    std::uint32_t seed;
    int blocks;
    std::uint64_t keys;  // handles are drawn from 1..keys: fewer keys, more sharing
  };
  const Case cases[] = {{1, 0, 4}, {2, 1, 2}, {3, 20, 8}, {4, 200, 50}, {5, 1000, 3000}, {6, 3000, 500}};
  for (const Case& c : cases) {
    std::mt19937 rng(c.seed);
    OwnedArray<YxxfBlockRec> blocks{8};
    for (int b = 0; b < c.blocks; ++b) AddRandomBlock(blocks, rng, c.keys);
    BlockLookup lookup;
    int found = 0;
    for (int q = 0; q < 4000; ++q) {
      // Now and then a block appended between look-ups.
      if (q % 500 == 499) AddRandomBlock(blocks, rng, c.keys);
      const std::uint64_t insertHandle = rng() % 3 == 0 ? 0 : rng() % (c.keys + 2);
      const std::uint64_t blockHandle = rng() % 2 == 0 ? 0 : rng() % (c.keys + 2);
      const WString name = RandomName(rng);
      YxxfBlockRec* expected = Scan(blocks, insertHandle, name, blockHandle);
      ASSERT_EQ(lookup.Find(blocks, insertHandle, name, blockHandle), expected)
          << "seed " << c.seed << " query " << q << " insert " << insertHandle << " block " << blockHandle;
      found += expected != nullptr;
    }
    if (c.blocks >= 20) {
      EXPECT_GT(found, 1000) << "seed " << c.seed;
    }
  }
}

TEST(BlockLookupTest, ResetTakesInKeysFilledInAfterTheFirstLookUp) {
  OwnedArray<YxxfBlockRec> blocks{8};
  blocks.Add(new YxxfBlockRec(WString(u"FIRST"), Vec3{}, 0, 0, 0, 0, 0));
  BlockLookup lookup;
  EXPECT_EQ(lookup.Find(blocks, 0, WString(u"first"), 0), blocks[0]);
  blocks[0]->handle = 0x2A;
  blocks[0]->insertHandles.Add(0x99);
  EXPECT_EQ(lookup.Find(blocks, 0x99, WString(), 0), nullptr) << "taken in before the keys were filled in";
  lookup.Reset();
  EXPECT_EQ(lookup.Find(blocks, 0, WString(), 0x2A), blocks[0]);
  EXPECT_EQ(lookup.Find(blocks, 0x99, WString(), 0), blocks[0]);
  EXPECT_EQ(lookup.Find(blocks, 0, WString(), 0), nullptr);
}

}  // namespace
}  // namespace kvn
