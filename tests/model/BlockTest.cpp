#include "model/cBlock.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/BlockPath.h"
#include "model/RecolorChain.h"
#include "model/cText.h"
#include "model/cLine.h"
#include "model/cRectangle.h"
#include "model/ObjectTypes.h"
#include "model/cDrawingData.h"
#include "model/cStyleText.h"
#include "tests/model/StandInObjects.h"
#include "tests/support/RecordFixtures.h"

namespace kvn {
namespace {

using test::MemoryArchive;
using test::PlacingObject;
using test::ValueObject;

ObjectChain Values(std::initializer_list<double> values) {
  ObjectChain chain;
  for (double v : values) chain.Append(new ValueObject(v));
  return chain;
}

std::unique_ptr<cBlock> BlockOf(const char16_t* name, std::initializer_list<double> values) {
  auto b = std::make_unique<cBlock>();
  b->name = name;
  b->AppendChain(Values(values));
  return b;
}

TEST(Block, OwnedChainIsDeletedSharedChainIsNot) {
  const int before = test::g_standInsAlive;
  ObjectChain shared = Values({1, 2, 3});
  {
    cBlock b;
    b.SetSharedChain(shared.Head());
    b.Clear();
    EXPECT_EQ(b.FirstObject(), nullptr);
    EXPECT_EQ(b.flags & kBlockChainNotOwned, 0);
    EXPECT_EQ(test::g_standInsAlive, before + 3);

    b.SetSharedChain(shared.Head());
    b.DetachObjects();
    EXPECT_EQ(test::g_standInsAlive, before + 3);

    b.SetSharedChain(shared.Head());
  }  // the destructor leaves a shared chain alone too
  EXPECT_EQ(test::g_standInsAlive, before + 3);
  {
    cBlock b;
    b.AppendChain(Values({4, 5}));
    b.AppendChain(Values({6}));
    EXPECT_EQ(test::g_standInsAlive, before + 6);
    b.DetachObjects();
    EXPECT_EQ(test::g_standInsAlive, before + 3);
    b.AppendChain(Values({7}));
  }
  EXPECT_EQ(test::g_standInsAlive, before + 3);
  shared.Clear();
  EXPECT_EQ(test::g_standInsAlive, before);
}

TEST(Block, ClearFreesLabelsAttributesAndStrings) {
  cBlock b;
  b.name = u"n";
  b.description = u"d";
  b.MakeLabel(2)->text = u"t";
  AttributeItem item;
  item.name = u"a";
  b.attributes.Add(item);
  b.Clear();
  EXPECT_TRUE(b.name.IsEmpty());
  EXPECT_TRUE(b.description.IsEmpty());
  EXPECT_EQ(b.GetLabel(2), nullptr);
  EXPECT_EQ(b.attributes.Count(), 0u);
  EXPECT_EQ(b.MakeLabel(8), nullptr);
}

// ---- checksums and identity ----

TEST(BlockChecksum, EmptyBlockIsZeroWithoutWriting) {
  cBlock b;
  b.name = u"empty";
  ByteArray scratch;
  scratch.Add(0xEE);
  EXPECT_EQ(b.GetChecksum(scratch), 0u);
  EXPECT_EQ(scratch.Count(), 1u);
  EXPECT_NE(b.flags & kBlockChecksumValid, 0);
}

TEST(BlockChecksum, EqualForEqualBlocksAndChangedByOneObject) {
  auto a = BlockOf(u"Frame", {1, 2, 3});
  auto b = BlockOf(u"Frame", {1, 2, 3});
  ByteArray sa, sb;
  const std::uint32_t ca = a->GetChecksum(sa);
  EXPECT_NE(ca, 0u);
  EXPECT_EQ(ca, b->GetChecksum(sb));
  EXPECT_EQ(a->GetChecksum(sa), ca);  // cached and stable

  static_cast<ValueObject*>(b->FirstObject()->next)->value = 2.5;
  b->InvalidateChecksum();
  EXPECT_NE(b->GetChecksum(sb), ca);

  auto c = BlockOf(u"Frame", {1, 2, 3});
  c->MoveObjects(DPoint{0.5, 0});
  EXPECT_EQ(c->flags & kBlockChecksumValid, 0);
  EXPECT_NE(c->GetChecksum(sb), ca);

  auto d = BlockOf(u"Other", {1, 2, 3});
  EXPECT_NE(d->GetChecksum(sb), ca);
}

TEST(BlockChecksum, WrittenRecordIsTheFingerprint) {
  auto a = BlockOf(u"Frame", {1});
  a->mask = kBlockColor;
  a->color = 0x0000FF;
  ByteArray bytes;
  ArchiveWriter w(&bytes);
  const std::uint32_t sum = a->WriteChecksummed(w);
  EXPECT_EQ(sum, a->checksum);
  EXPECT_NE(a->flags & kBlockChecksumValid, 0);
  // Mask as two raw bytes, then the colour field.
  ASSERT_GE(bytes.Count(), 3u);
  EXPECT_EQ(bytes[0], kBlockColor);
  EXPECT_EQ(bytes[1], 0);
  std::uint32_t expected = 0;
  for (std::uint8_t byte : bytes) expected = archive::ChecksumStep(expected, byte);
  EXPECT_EQ(sum, expected);
}

TEST(BlockIdentity, IsSameBlock) {
  ByteArray sa, sb;
  auto a = BlockOf(u"Frame", {1, 2, 3});
  EXPECT_TRUE(a->IsSameBlock(*a, sa, sb));

  auto upper = BlockOf(u"FRAME", {1, 2, 3});
  EXPECT_TRUE(a->IsSameBlock(*upper, sa, sb));  // names compare without case

  auto changed = BlockOf(u"Frame", {1, 2, 4});
  EXPECT_FALSE(a->IsSameBlock(*changed, sa, sb));

  auto shorter = BlockOf(u"Frame", {1, 2});
  EXPECT_FALSE(a->IsSameBlock(*shorter, sa, sb));

  auto renamed = BlockOf(u"Frame2", {1, 2, 3});
  EXPECT_FALSE(a->IsSameBlock(*renamed, sa, sb));

  auto masked = BlockOf(u"Frame", {1, 2, 3});
  masked->mask = kBlockByteValue;
  EXPECT_FALSE(a->IsSameBlock(*masked, sa, sb));
}

// ---- records ----

void FillAllFields(cBlock& b) {
  b.mask = 0x07FF;
  b.name = u"Rám A4";
  b.description = u"title block";
  b.color = 0x00336699;
  b.value = -0.35;
  b.byteValue = 200;
  b.flags = kBlockOption08 | kBlockOption20;
  b.point = {2.0, -0.5};
  AttributeItem item;
  item.name = u"Sheet";
  item.value = u"1/3";
  item.kind = 2;
  b.attributes.Add(item);
  InsertLabel* l0 = b.MakeLabel(0);
  l0->text = u"\tname";
  l0->position = {10, 20};
  l0->angle = 90;
  l0->keepAngle = 1;
  l0->alignment = 9;
  l0->textStyle = 0x8003;
  InsertLabel* l3 = b.MakeLabel(3);
  l3->text = u"x";
  l3->textStyle = 2;
}

void ExpectSameFields(const cBlock& a, const cBlock& b) {
  EXPECT_EQ(b.mask, a.mask);
  EXPECT_EQ(b.name, a.name);
  EXPECT_EQ(b.description, a.description);
  EXPECT_EQ(b.color, a.color);
  EXPECT_EQ(b.value, a.value);
  EXPECT_EQ(b.byteValue, a.byteValue);
  EXPECT_EQ(b.flags & 0x38, a.flags & 0x38);
  EXPECT_EQ(b.point, a.point);
  ASSERT_EQ(b.attributes.Count(), a.attributes.Count());
  EXPECT_EQ(b.attributes.Get(0)->value, a.attributes.Get(0)->value);
  for (int i = 0; i < kLabelSlots; ++i) {
    const InsertLabel* la = a.GetLabel(i);
    const InsertLabel* lb = b.GetLabel(i);
    ASSERT_EQ(la == nullptr, lb == nullptr) << "slot " << i;
    if (!la) continue;
    EXPECT_EQ(lb->text, la->text);
    EXPECT_EQ(lb->position, la->position);
    EXPECT_EQ(lb->angle, la->angle);
    EXPECT_EQ(lb->keepAngle, la->keepAngle);
    EXPECT_EQ(lb->alignment, la->alignment);
    EXPECT_EQ(lb->textStyle, la->textStyle);
  }
}

TEST(BlockRecord, EveryFieldRoundTrips) {
  cBlock a;
  FillAllFields(a);
  MemoryArchive archive([&](ArchiveWriter& w) { a.WriteFields(nullptr, w); });
  cBlock b;
  b.mask = a.mask;
  ASSERT_TRUE(b.Read(nullptr, archive.Reader(), kCurrentFileVersion));
  ExpectSameFields(a, b);
}

TEST(BlockRecord, LabelSlotsStoreEightPresenceBitsAndThePresentRecords) {
  cBlock a;
  a.mask = kBlockLabels;
  InsertLabel* l0 = a.MakeLabel(0);
  l0->position = {1, 2};
  l0->textStyle = 0x8003;
  l0->text = u"A";
  InsertLabel* l3 = a.MakeLabel(3);
  l3->angle = 45;
  l3->keepAngle = 1;
  l3->alignment = 6;
  l3->textStyle = 2;
  l3->text = u"B";
  a.MakeLabel(5)->present = 0;  // exists, shows nothing: not stored

  auto label = [](ArchiveWriter& w, const InsertLabel& l, bool builtin) {
    w.WriteCompactPoint(l.position);
    w.WriteCompactDouble(l.angle);
    w.WriteBit(l.keepAngle != 0);
    w.WriteBits(l.alignment, 4);
    if (builtin) {
      w.WriteBit(true);
      w.WriteBits(l.textStyle & 7, 3);
    } else {
      w.WriteBit(false);  // not built in
      w.WriteBit(true);   // a reference
      w.WriteBit(false);  // no inline record
      w.WriteCompactU16(l.textStyle);
    }
    w.WriteString(l.text);
  };
  const auto expected = test::Archive([&](ArchiveWriter& w) {
    w.WriteBit(true);
    label(w, *l0, true);
    w.WriteBit(false);
    w.WriteBit(false);
    w.WriteBit(true);
    label(w, *l3, false);
    for (int i = 4; i < 8; ++i) w.WriteBit(false);
  });
  EXPECT_EQ(test::Archive([&](ArchiveWriter& w) { a.WriteFields(nullptr, w); }), expected);

  MemoryArchive archive(expected);
  cBlock b;
  b.mask = kBlockLabels;
  b.MakeLabel(7);  // replaced by what the record holds
  ASSERT_TRUE(b.Read(nullptr, archive.Reader(), kCurrentFileVersion));
  ASSERT_NE(b.GetLabel(0), nullptr);
  ASSERT_NE(b.GetLabel(3), nullptr);
  EXPECT_EQ(b.GetLabel(0)->textStyle, 0x8003);
  EXPECT_EQ(b.GetLabel(0)->present, 1);
  EXPECT_EQ(b.GetLabel(3)->alignment, 6);
  EXPECT_EQ(b.GetLabel(5), nullptr);
  EXPECT_EQ(b.GetLabel(7), nullptr);
}

TEST(BlockRecord, LabelTextStyleTravelsInlineWithDrawingData) {
  cDrawingData source;
  auto style = std::make_unique<cStyleText>();
  style->name = u"Label";
  style->attributes.height = 4.5;
  source.TextStyles().Add(std::move(style));
  cBlock a;
  a.mask = kBlockLabels;
  a.MakeLabel(1)->textStyle = 0;
  MemoryArchive archive([&](ArchiveWriter& w) { a.WriteFields(&source, w); });

  cDrawingData target;
  cBlock b;
  b.mask = kBlockLabels;
  ASSERT_TRUE(b.Read(&target, archive.Reader(), kCurrentFileVersion));
  ASSERT_EQ(target.TextStyles().Count(), 1u);
  EXPECT_EQ(target.TextStyles().Get(0)->name, u"Label");
  EXPECT_EQ(target.TextStyles().Get(0)->attributes.height, 4.5);
  EXPECT_EQ(b.GetLabel(1)->textStyle, 0);
}

TEST(BlockRecord, ReadStopsWhereTheDataEnds) {
  cBlock a;
  FillAllFields(a);
  auto bytes = test::Archive([&](ArchiveWriter& w) { a.WriteFields(nullptr, w); });
  bytes.resize(bytes.size() / 2);
  MemoryArchive archive(bytes);
  cBlock b;
  b.mask = a.mask;
  EXPECT_FALSE(b.Read(nullptr, archive.Reader(), kCurrentFileVersion));
  EXPECT_EQ(b.name, a.name);  // the fields before the cut were read
}

TEST(BlockRecord, AssignCopiesMaskAndFieldsNotObjects) {
  cBlock a;
  FillAllFields(a);
  a.AppendChain(Values({1}));
  cBlock b;
  b.Assign(a);
  ExpectSameFields(a, b);
  EXPECT_EQ(b.FirstObject(), nullptr);

  cBlock plain;
  plain.name = u"kept";
  cBlock c;
  c.mask = kBlockName;
  c.name = u"mine";
  c.Assign(plain);  // mask 0: nothing else is copied
  EXPECT_EQ(c.mask, 0);
  EXPECT_EQ(c.name, u"mine");
}

TEST(Block, RecolorChainSetsPenAndSetFillColours) {
  cBlock b;
  ObjectChain chain;
  auto* line = new cLine;
  auto* filled = new cRectangle;
  auto* hollow = new cRectangle;
  filled->fill.fillColor = 0x00FF00;
  hollow->fill.fillColor = 0x80000000;
  chain.Append(line);
  chain.Append(filled);
  chain.Append(hollow);
  chain.Append(new ValueObject(1));  // neither stroked nor filled: untouched
  auto* styled = new cText;  // colour from its style (bit 31)
  chain.Append(styled);
  b.AppendChain(std::move(chain));
  RecolorChain(b, 0x0000FF);
  EXPECT_EQ(styled->attr.color, 0x0000FFu);
  EXPECT_EQ(styled->GetColor(nullptr), 0x0000FFu);
  EXPECT_EQ(line->stroke.color, 0x0000FFu);
  EXPECT_EQ(filled->stroke.color, 0x0000FFu);
  EXPECT_EQ(filled->fill.fillColor, 0x0000FFu);
  EXPECT_EQ(hollow->stroke.color, 0x0000FFu);
  EXPECT_EQ(hollow->fill.fillColor, 0x80000000u);
}

// ---- walks and extents ----

TEST(BlockWalk, MarkAllDirtyReachesNestedBlocksAndSurvivesCycles) {
  cBlock a, b, c;
  ObjectChain ca, cb, cc;
  ca.Append(new ValueObject(1));
  ca.Append(new PlacingObject(&b));
  cb.Append(new PlacingObject(&c));
  cb.Append(new PlacingObject(&a));  // back to the top
  cc.Append(new PlacingObject(&c));  // places itself
  cc.Append(new ValueObject(2));
  a.AppendChain(std::move(ca));
  b.AppendChain(std::move(cb));
  c.AppendChain(std::move(cc));
  for (cBlock* block : {&a, &b, &c}) {
    for (cOutObj* o = block->FirstObject(); o; o = o->next) o->SetFlag(kFlagDirty, false);
  }
  a.MarkAllDirty(nullptr);
  for (cBlock* block : {&a, &b, &c}) {
    for (cOutObj* o = block->FirstObject(); o; o = o->next) EXPECT_TRUE(o->HasFlag(kFlagDirty));
  }
}

TEST(BlockWalk, DeepAndWideNestingStaysBounded) {
  // 200 blocks, each placing the next one twice: followed blindly this is
  // 2^200 visits and 200 frames deep.
  std::vector<std::unique_ptr<cBlock>> blocks;
  for (int i = 0; i < 200; ++i) blocks.push_back(std::make_unique<cBlock>());
  for (int i = 0; i < 200; ++i) {
    ObjectChain chain;
    chain.Append(new ValueObject(i));
    if (i + 1 < 200) {
      chain.Append(new PlacingObject(blocks[i + 1].get()));
      chain.Append(new PlacingObject(blocks[i + 1].get()));
    }
    blocks[i]->AppendChain(std::move(chain));
    blocks[i]->FirstObject()->SetFlag(kFlagDirty, false);
  }
  blocks[0]->MarkAllDirty(nullptr);
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(blocks[i]->FirstObject()->HasFlag(kFlagDirty), i < BlockPath::kMaxDepth) << "block " << i;
  }
}

TEST(BlockExtent, UniteObjectExtents) {
  cBlock b;
  DRect r{1, 1, 1, 1};
  b.UniteObjectExtents(r);
  EXPECT_TRUE(r.IsZero());
  b.AppendChain(Values({-2, 5}));
  b.UniteObjectExtents(r);
  EXPECT_EQ(r, (DRect{-2, -2, 6, 6}));
}

TEST(BlockExtent, FilteredByLevelPageAndClass) {
  cDrawingData data;
  data.Levels().InsertLevel(u"shown", nullptr, 0);
  data.Levels().InsertLevel(u"hidden", nullptr, 1)->visible = 0;
  cBlock b;
  ObjectChain chain;
  auto* onShown = new ValueObject(0, 0);
  auto* onHidden = new ValueObject(10, 1);
  auto* onPage2 = new ValueObject(20, 0);
  auto* classed = new ValueObject(30, 0);
  onShown->SetPage(1);
  onHidden->SetPage(1);
  onPage2->SetPage(2);
  classed->SetPage(kAllPages);
  classed->SetClassMaskBits(0x04, true);
  chain.Append(onShown);
  chain.Append(onHidden);
  chain.Append(onPage2);
  chain.Append(classed);
  b.AppendChain(std::move(chain));

  DRect r;
  ExtentFilter none;
  b.GetFilteredExtent(none, &data, r);  // no drawing record: levels not looked at
  EXPECT_EQ(r, (DRect{0, 0, 31, 31}));

  ExtentFilter withDrawing;
  withDrawing.drawingPages = 3;
  b.GetFilteredExtent(withDrawing, &data, r);
  EXPECT_EQ(r, (DRect{0, 0, 31, 31}));  // the hidden level lies inside anyway
  const std::uint16_t page1 = 1;
  withDrawing.page = &page1;
  b.GetFilteredExtent(withDrawing, &data, r);
  EXPECT_EQ(r, (DRect{0, 0, 31, 31}));  // on page 1: the first object and the all-pages one
  const std::uint16_t page2 = 2;
  withDrawing.page = &page2;
  b.GetFilteredExtent(withDrawing, &data, r);
  EXPECT_EQ(r, (DRect{20, 20, 31, 31}));

  ExtentFilter onePage;
  onePage.drawingPages = 1;
  onePage.page = &page2;  // a drawing of one page ignores the page filter
  b.GetFilteredExtent(onePage, &data, r);
  EXPECT_EQ(r, (DRect{0, 0, 31, 31}));

  const std::uint8_t cls = 0x04;
  ExtentFilter byClass;
  byClass.classFilter = &cls;
  b.GetFilteredExtent(byClass, &data, r);
  EXPECT_EQ(r, (DRect{30, 30, 31, 31}));

  // The hidden level alone.
  cBlock hidden;
  hidden.AppendChain(ObjectChain(new ValueObject(10, 1)));
  hidden.GetFilteredExtent(withDrawing, &data, r);
  EXPECT_TRUE(r.IsZero());
  withDrawing.page = nullptr;
  hidden.GetFilteredExtent(withDrawing, &data, r);
  EXPECT_TRUE(r.IsZero());
  hidden.GetFilteredExtent(none, &data, r);
  EXPECT_EQ(r, (DRect{10, 10, 11, 11}));
}

}  // namespace
}  // namespace kvn
