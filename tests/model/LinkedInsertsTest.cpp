#include <gtest/gtest.h>

#include <memory>

#include "model/InsertLabelText.h"
#include "model/LinkedInserts.h"
#include "model/cBlock.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/cLink.h"
#include "tests/model/GeometryTestSupport.h"

namespace kvn {
namespace {

cInsert* AddInsert(ObjectChain& chain, std::uint32_t linkId, std::uint16_t linkNumber) {
  auto* insert = new cInsert(false);
  insert->linkId = linkId;
  insert->linkNumber = linkNumber;
  chain.Append(insert);
  return insert;
}

TEST(LinkedInserts, SameLinkIdInChainOrder) {
  cBlock block;
  ObjectChain chain;
  cInsert* a = AddInsert(chain, 7, 1);
  AddInsert(chain, 8, 1);
  chain.Append(new cLine());
  cInsert* c = AddInsert(chain, 7, 2);
  cInsert* unlinked = AddInsert(chain, 0, 0);
  block.AppendChain(std::move(chain));

  std::vector<cInsert*> out;
  CollectLinkedInserts(out, a, &block);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0], a);
  EXPECT_EQ(out[1], c);
  // Already collected inserts are not added twice.
  CollectLinkedInserts(out, c, &block);
  EXPECT_EQ(out.size(), 2u);

  std::vector<const cInsert*> constant;
  CollectLinkedInsertsAlt(constant, c, &block);
  EXPECT_EQ(constant.size(), 2u);
  // Link id 0, no insert or no block: nothing.
  CollectLinkedInsertsAlt(constant, unlinked, &block);
  CollectLinkedInsertsAlt(constant, nullptr, &block);
  CollectLinkedInsertsAlt(constant, a, nullptr);
  EXPECT_EQ(constant.size(), 2u);
}

TEST(LinkedInserts, InsertLabelsComposeTheItemList) {
  test::DataHolder data;
  auto block = std::make_unique<cBlock>();
  block->description = WString(u"Motor");
  const std::uint32_t index = data->AddBlock(block.release());
  cInsert insert(false);
  insert.blockIndex = index;
  insert.attributes.Add(AttributeItem{WString(u"Type"), WString(u"M3"), {}, 1, 1});
  insert.attributes.Add(AttributeItem{WString(u"Power"), WString(u"4 kW"), {}, 2, 1});
  // No name: the block's description stands for it.
  EXPECT_EQ(BuildInsertLabelText(insert, WString(u"\x01"), data.get()), WString(u"Motor"));
  insert.name = WString(u"M1");
  EXPECT_EQ(BuildInsertLabelText(insert, WString(u"\x01\t\x03"), data.get()), WString(u"M1\r\n4 kW"));
  EXPECT_EQ(BuildInsertLabelText(insert, WString(u"\x02"), data.get()), WString(u"M3"));
  EXPECT_EQ(BuildInsertLabelText(insert, WString(u"=\t\x04"), data.get()),
            WString(u"=\r\nType (M3)\r\nPower (4 kW)"));
}

TEST(LinkedInserts, ExplodedInsertsTakeTheirLinksAlong) {
  test::DataHolder data;
  data->AddBlock(new cBlock());  // 0: what the inner inserts place
  auto symbol = std::make_unique<cBlock>();
  ObjectChain chain;
  auto* a = new cInsert(true);
  auto* b = new cInsert(true);
  a->blockIndex = b->blockIndex = 0;
  chain.Append(a);
  chain.Append(b);
  auto* joined = new cLink();
  joined->SetStartInsert(a->RunningId(), 1);
  joined->SetEndInsert(b->RunningId(), 2);
  chain.Append(joined);
  auto* outward = new cLink();
  outward->SetStartInsert(b->RunningId(), 1);
  outward->SetEndInsert(a->RunningId() + 1000, 1);  // an insert outside the block
  chain.Append(outward);
  symbol->AppendChain(std::move(chain));
  const std::uint32_t index = data->AddBlock(symbol.release());

  cInsert top(true);
  top.blockIndex = index;
  ObjectChain exploded = top.Explode(data.get());
  std::vector<const cInsert*> inserts;
  std::vector<const cLink*> links;
  for (cOutObj* o = exploded.Head(); o; o = o->next) {
    if (o->AsInsert()) inserts.push_back(o->AsInsert());
    if (o->AsLink()) links.push_back(o->AsLink());
  }
  ASSERT_EQ(inserts.size(), 2u);
  ASSERT_EQ(links.size(), 2u);
  EXPECT_NE(inserts[0]->RunningId(), a->RunningId());
  EXPECT_EQ(links[0]->end1Number, inserts[0]->RunningId());
  EXPECT_EQ(links[0]->end2Number, inserts[1]->RunningId());
  EXPECT_EQ(links[1]->end1Number, inserts[1]->RunningId());
  EXPECT_EQ(links[1]->end2Number, 0u);
}

}  // namespace
}  // namespace kvn
