// cInsert: running ids, label slots, block overrides, transforms and the
// record in every version row (read from fixture bytes written from the
// record tables, and written back).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/ReadState.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cStyleText.h"
#include "tests/support/InsertFixtures.h"
#include "tests/support/RecordFixtures.h"

namespace kvn {
namespace {

using test::InsertFixture;
using test::MemoryArchive;

struct DataRef {
  DataRef() : data(new cDrawingData()) { data->AddRef(); }
  ~DataRef() { data->Release(); }
  cDrawingData* data;
};

// Reads an insert record (after the type byte) of the given version and
// checks that exactly the record was read.
std::unique_ptr<cInsert> ReadInsert(const InsertFixture& f, int version, ReadContext* context = nullptr,
                                    cDrawingData* data = nullptr) {
  auto insert = std::make_unique<cInsert>();
  MemoryArchive a([&](ArchiveWriter& w) {
    test::WriteHeaderAt(w, version, test::HeaderFixture{});
    test::WriteInsertAt(w, version, f);
    w.WriteBits(0x2A, 6);
  });
  EXPECT_TRUE(insert->Read(context, data, a.Reader(), version).Empty());
  EXPECT_EQ(a.Reader().ReadBits(6), 0x2Au) << "version " << version << " read a different number of bits";
  EXPECT_FALSE(a.Reader().HasError());
  return insert;
}

std::vector<std::uint8_t> Bytes(const cOutObj& o) {
  return test::Archive([&](ArchiveWriter& w) { o.Write(nullptr, w); });
}

std::unique_ptr<cInsert> ReadBack(const std::vector<std::uint8_t>& bytes) {
  MemoryArchive a(bytes);
  const std::uint8_t type = a.Reader().ReadByte();
  EXPECT_EQ(type & kTypeCodeMask, kTypeInsert);
  std::unique_ptr<cOutObj> o(cOutObj::Create(type, true));
  EXPECT_TRUE(o->Read(nullptr, nullptr, a.Reader(), kCurrentFileVersion).Empty());
  EXPECT_FALSE(a.Reader().HasError());
  return std::unique_ptr<cInsert>(static_cast<cInsert*>(o.release()));
}

TEST(InsertTest, RunningIdsCountNumberedInsertsOnly) {
  const std::uint32_t before = cInsert::RunningCounter();
  cInsert numbered(true);
  cInsert plain(false);
  std::unique_ptr<cOutObj> made(cOutObj::Create(kTypeInsert, true));
  std::unique_ptr<cOutObj> clone(cOutObj::Clone(numbered));
  EXPECT_EQ(numbered.RunningId(), before + 1);
  EXPECT_EQ(plain.RunningId(), 0u);
  EXPECT_EQ(made->AsInsert()->RunningId(), before + 2);
  EXPECT_EQ(clone->AsInsert()->RunningId(), 0u) << "copies are not numbered and Assign keeps no id";
  EXPECT_EQ(cInsert::RunningCounter(), before + 2);
}

TEST(InsertTest, LabelSlots) {
  cInsert insert;
  EXPECT_EQ(insert.GetLabelSlotAt(0), nullptr);
  InsertLabel* slot = insert.GetLabelSlot(9);
  EXPECT_EQ(insert.LabelSlotCount(), 1) << "slot 9 is taken as slot 0";
  EXPECT_EQ(insert.GetLabelSlotAt(0), slot);
  slot->present = 0;
  EXPECT_EQ(insert.GetLabelSlot(0)->present, 1);
  insert.GetLabelSlot(3);
  EXPECT_EQ(insert.LabelSlotCount(), 4);
  EXPECT_EQ(insert.GetLabelSlotAt(2), nullptr);
  EXPECT_EQ(insert.GetLabelSlotAt(3)->textStyle, 0x8000);
}

TEST(InsertTest, WriteWithoutLabelsWritesEightZeroBitsAndAbsentSlots) {
  cInsert insert;
  insert.blockIndex = 5;
  cInsert withAbsent;
  withAbsent.blockIndex = 5;
  withAbsent.GetLabelSlot(2)->present = 0;
  EXPECT_EQ(Bytes(insert), Bytes(withAbsent)) << "a slot whose present byte is 0 is written as absent";
  // The same record with the label section dropped ends eight bits sooner.
  test::InsertFixture f;
  f.blockIndex = 5;
  const auto fixture = test::Archive([&](ArchiveWriter& w) {
    w.WriteByte(kTypeInsert);
    test::WriteHeaderAt(w, kCurrentFileVersion, test::HeaderFixture{});
    test::WriteInsertAt(w, kCurrentFileVersion, f);
  });
  EXPECT_EQ(fixture, Bytes(insert));
}

TEST(InsertTest, RoundTripGivesEqualBytes) {
  cInsert insert;
  insert.point = {12.5, -3.25};
  insert.angle = 33.0;
  insert.scale = {2.0, -0.5};
  insert.widthValue = 0.35;
  insert.flags = 0x0B;
  insert.optionByte = 7;
  insert.widthMode = 1;
  insert.color = 0x0000FF;
  insert.blockIndex = 77;
  insert.linkId = 1234;
  insert.linkNumber = 9;
  insert.name = WString(u"Relay K1");
  AttributeItem item;
  item.name = WString(u"TAG");
  item.value = WString(u"K1");
  item.kind = 2;
  insert.attributes.Add(std::move(item));
  InsertLabel* l = insert.GetLabelSlot(5);
  l->position = {1, 2};
  l->angle = -45;
  l->keepAngle = 1;
  l->alignment = 9;
  l->textStyle = 0x8003;
  l->text = WString(u"label");
  const auto first = Bytes(insert);
  std::unique_ptr<cInsert> back = ReadBack(first);
  EXPECT_EQ(Bytes(*back), first);
  EXPECT_EQ(back->point, insert.point);
  EXPECT_EQ(back->blockIndex, 77u);
  EXPECT_EQ(back->linkNumber, 9);
  EXPECT_EQ(back->color, 0x0000FFu);
  ASSERT_NE(back->GetLabelSlotAt(5), nullptr);
  EXPECT_EQ(back->GetLabelSlotAt(5)->textStyle, 0x8003);
  EXPECT_EQ(back->GetLabelSlotAt(5)->alignment, 9);
}

TEST(InsertTest, ReadsEveryVersionRowFromFixtureBytes) {
  InsertFixture f;
  f.point = {10, 20};
  f.angle = 30;
  f.scale = {2, 3};
  f.width = 0.5;
  f.attributes = {{1, u"DESC", u"motor"}, {2, u"VAL", u"M1"}};
  f.flags = 0x03 | 0x40 | 0x10;  // label 0 present, keeping its angle
  f.option = 4;
  f.widthMode = 1;
  f.color = 0x00FF00;
  f.name = u"Name";
  f.labels[0] = {true, {1, 1}, 15, true, 6, 65535, u"L0"};
  f.labels[1] = {false, {2, 2}, 0, false, 3, 65535, u"L1"};
  f.blockIndex = 4;
  for (int v : {3048, 3049, 3050, 3051, 3052, 3055, 3056, 3058, 3060, 3061, 3066, 3067, 3070, 3072, 3073, 3077,
                3081, 3082, 3089, 3090, 3100, 3111}) {
    SCOPED_TRACE(v);
    if (v >= 3090) f.labels[1].present = false;
    std::unique_ptr<cInsert> insert = ReadInsert(f, v);
    EXPECT_NEAR(insert->point.x, 10, 1e-6);
    EXPECT_NEAR(insert->angle, 30, 1e-6);
    EXPECT_NEAR(insert->scale.y, 3, 1e-6);
    EXPECT_NEAR(insert->widthValue, 0.5, 1e-6);
    EXPECT_EQ(insert->blockIndex, 4u);
    EXPECT_EQ(insert->optionByte, 4);
    EXPECT_EQ(insert->widthMode, v >= 3049 ? 1 : 0);
    EXPECT_EQ(insert->color, v >= 3049 ? 0x00FF00u : 0x80000000u);
    EXPECT_TRUE(insert->name == WString(u"Name"));
    ASSERT_EQ(insert->attributes.Count(), 2u);
    EXPECT_TRUE(insert->attributes.Get(1)->value == WString(u"M1"));
    ASSERT_NE(insert->GetLabelSlotAt(0), nullptr);
    const InsertLabel& l0 = *insert->GetLabelSlotAt(0);
    EXPECT_EQ(l0.keepAngle, 1);
    EXPECT_EQ(l0.alignment, v >= 3056 ? 6 : 0);
    // Before 3090 a built-in (or no) style of label 0 becomes built-in style 0.
    EXPECT_EQ(l0.textStyle, v >= 3090 ? 65535 : 0x8000);
    // Before 3051 label 0 shows the description item (code 2).
    EXPECT_TRUE(l0.text == (v >= 3051 ? WString(u"L0") : WString(u"\x02")));
    if (v >= 3056) {
      EXPECT_NEAR(l0.position.x, 1, 1e-6);
    } else {
      // Block-relative: (10 + 2, 20 + 3) turned by -30 about (10, 20).
      const double a = -30 * 3.14159265358979323846 / 180;
      EXPECT_NEAR(l0.position.x, 10 + 2 * std::cos(a) - 3 * std::sin(a), 1e-5);
      EXPECT_NEAR(l0.position.y, 20 + 2 * std::sin(a) + 3 * std::cos(a), 1e-5);
    }
    EXPECT_EQ(insert->GetLabelSlotAt(1), nullptr) << "an absent label makes no slot";
  }
}

TEST(InsertTest, Version3089BuiltinLabelStyleAndAbsentLabelOne) {
  InsertFixture f;
  f.flags = 0x03 | 0x40;
  f.labels[0] = {true, {0, 0}, 0, false, 0, 65535, u"x"};
  std::unique_ptr<cInsert> insert = ReadInsert(f, 3089);
  ASSERT_NE(insert->GetLabelSlotAt(0), nullptr);
  EXPECT_EQ(insert->GetLabelSlotAt(0)->textStyle, 0x8000);
  EXPECT_EQ(insert->GetLabelSlotAt(1), nullptr);
}

TEST(InsertTest, Version3081LinkedInsertNumberedFromTheReadCounter) {
  InsertFixture f;
  f.linkId = 77;
  ReadContext context;
  context.linkedInsertCounter = 4;
  std::unique_ptr<cInsert> insert = ReadInsert(f, 3081, &context);
  EXPECT_EQ(insert->linkId, 77u);
  EXPECT_EQ(insert->linkNumber, 5);
  EXPECT_EQ(context.linkedInsertCounter, 5);
  std::unique_ptr<cInsert> without = ReadInsert(f, 3081);
  EXPECT_EQ(without->linkNumber, 0) << "without a context the number stays";
  f.linkNumber = 12;
  EXPECT_EQ(ReadInsert(f, 3082, &context)->linkNumber, 12);
  EXPECT_EQ(context.linkedInsertCounter, 5);
}

TEST(InsertTest, OldLabelStylesBeyondTheTableBecomeNone) {
  DataRef d;
  InsertFixture f;
  f.flags = 0x03 | 0x40 | 0x80;
  f.labels[0] = {true, {}, 0, false, 0, 3, u"a"};
  f.labels[1] = {true, {}, 0, false, 0, 3, u"b"};
  std::unique_ptr<cInsert> at3057 = ReadInsert(f, 3057, nullptr, d.data);
  EXPECT_EQ(at3057->GetLabelSlotAt(0)->textStyle, 0x8000) << "65535 is a built-in reference of label 0";
  EXPECT_EQ(at3057->GetLabelSlotAt(1)->textStyle, 0x8001);
  std::unique_ptr<cInsert> at3058 = ReadInsert(f, 3058, nullptr, d.data);
  EXPECT_EQ(at3058->GetLabelSlotAt(0)->textStyle, 3);
}

TEST(InsertTest, CutOldAttributeTextEndsTheRecordEarly) {
  // A 3070 record announcing 1000 units of attribute text with none behind.
  MemoryArchive a([&](ArchiveWriter& w) {
    test::WriteHeaderAt(w, 3070, test::HeaderFixture{});
    w.WriteRealPoint({5, 6});
    w.WriteCompactDouble(0);
    for (int i = 0; i < 2; ++i) {
      w.WriteCompactPoint({});
      w.WriteCompactDouble(0);
    }
    w.WriteUnitPoint({1, 1});
    w.WriteRealOrUnit(1);
    w.WriteBits(0, 8);
    w.WriteCompactU32(1000);
  });
  cInsert insert;
  EXPECT_TRUE(insert.Read(nullptr, nullptr, a.Reader(), 3070).Empty());
  EXPECT_EQ(insert.point, (DPoint{5, 6}));
  EXPECT_EQ(insert.blockIndex, kNoBlockIndex);
}

// ---- block overrides and transforms ----

TEST(InsertTest, BlockOverridesReplaceTheInsertsValues) {
  DataRef d;
  auto* block = new cBlock();
  block->mask = kBlockName | kBlockColor | kBlockValue | kBlockFlag10 | kBlockFlag20 | kBlockPoint;
  block->name = WString(u"BLOCK");
  block->color = 0x123456;
  block->value = -0.7;
  block->flags = kBlockOption10;  // non-uniform scaling not allowed; mirroring not allowed
  block->point = {3, 4};
  cInsert insert;
  insert.AddBlock(block, d.data);
  insert.name = WString(u"own");
  EXPECT_TRUE(*insert.GetDisplayName(d.data) == WString(u"BLOCK"));
  EXPECT_TRUE(*insert.GetDisplayName(nullptr) == WString(u"own"));
  EXPECT_EQ(insert.GetEffectiveColor(d.data), 0x123456u);
  EXPECT_FALSE(insert.HasFixedWidth(d.data)) << "a negative block width is a factor";
  EXPECT_DOUBLE_EQ(insert.GetEffectiveWidth(d.data), 0.7);
  EXPECT_FALSE(insert.AllowsNonUniformScale(d.data));
  EXPECT_FALSE(insert.AllowsMirror(d.data));
  EXPECT_EQ(*insert.GetEffectiveScale(d.data), (DPoint{3, 4}));
  EXPECT_EQ(*insert.GetEffectiveScale(nullptr), (DPoint{1, 1}));
}

TEST(InsertTest, SetScaleFollowsTheMirrorAndNonUniformRules) {
  cInsert insert;
  insert.flags = kInsertMirror;
  insert.SetScale({}, {0, -2});
  EXPECT_EQ(insert.scale, (DPoint{1.0, -1.0}));
  insert.flags = 0;
  insert.SetScale({}, {0, -2});
  EXPECT_EQ(insert.scale, (DPoint{1.0, 1.0}));
  insert.flags = kInsertMirror | kInsertNonUniform;
  insert.SetScale({}, {2, -3});
  EXPECT_EQ(insert.scale, (DPoint{2.0, -3.0}));
}

TEST(InsertTest, SetScaleSetsTheBlocksScaleOverrideOnce) {
  DataRef d;
  auto* block = new cBlock();
  block->mask = kBlockPoint;
  block->point = {1, 1};
  block->flags = kBlockChecksumValid;
  cInsert insert;
  insert.AddBlock(block, d.data);
  DoneBlockList done;
  TransformContext context{&done, d.data, nullptr};
  insert.SetScale(context, {2, 2});
  EXPECT_EQ(block->point, (DPoint{2, 2}));
  EXPECT_FALSE(block->flags & kBlockChecksumValid);
  insert.SetScale(context, {5, 5});
  EXPECT_EQ(block->point, (DPoint{2, 2})) << "each block once per walk";
}

TEST(InsertTest, ScaleByAxesFollowsTheAngle) {
  cInsert at90;
  at90.angle = 90;
  at90.Scale({}, {0, 0}, {2, 3});
  EXPECT_EQ(at90.scale, (DPoint{3, 2}));
  cInsert at30;
  at30.angle = 30;
  at30.Scale({}, {0, 0}, {2, 3});
  EXPECT_EQ(at30.scale, (DPoint{2, 2}));
  cInsert mirrored;
  mirrored.angle = 30;
  mirrored.point = {1, 1};
  mirrored.Scale({}, {0, 0}, {-1, 1});
  EXPECT_EQ(mirrored.angle, -30);
  EXPECT_EQ(mirrored.scale, (DPoint{-1, 1}));
  EXPECT_EQ(mirrored.point, (DPoint{-1, 1}));
}

TEST(InsertTest, RotateNormalisesTheAngleAndTurnsThePoint) {
  cInsert a;
  a.angle = 170;
  EXPECT_TRUE(a.Rotate({}, {0, 0}, 90));
  EXPECT_EQ(a.angle, 80);
  cInsert b;
  b.angle = -100;
  b.point = {1, 0};
  b.Rotate({}, {0, 0}, 90);
  EXPECT_EQ(b.angle, 170);
  EXPECT_NEAR(b.point.x, 0, 1e-12);
  EXPECT_NEAR(b.point.y, 1, 1e-12);
}

TEST(InsertTest, MoveAndSetInsertPointCarryPresentLabels) {
  cInsert insert;
  insert.GetLabelSlot(0)->position = {1, 1};
  InsertLabel* hidden = insert.GetLabelSlot(1);
  hidden->position = {5, 5};
  hidden->present = 0;
  insert.Move({2, 3});
  EXPECT_EQ(insert.point, (DPoint{2, 3}));
  EXPECT_EQ(insert.GetLabelSlotAt(0)->position, (DPoint{3, 4}));
  EXPECT_EQ(hidden->position, (DPoint{5, 5}));
  insert.SetInsertPoint({0, 0});
  EXPECT_EQ(insert.GetLabelSlotAt(0)->position, (DPoint{1, 1}));
}

TEST(InsertTest, ScaleLineWidthsOnlyWithFixedWidth) {
  cInsert insert;
  insert.widthValue = 0.5;
  insert.ScaleLineWidths({}, 2);
  EXPECT_EQ(insert.widthValue, 0.5);
  insert.widthMode = 1;
  insert.ScaleLineWidths({}, -1);
  EXPECT_EQ(insert.widthValue, 0.5);
  insert.ScaleLineWidths({}, 2);
  EXPECT_EQ(insert.widthValue, 1.0);
}

TEST(InsertTest, AssignCopiesRecordFieldsButNotIdsOrChildren) {
  cInsert source(true);
  source.point = {1, 2};
  source.blockIndex = 3;
  source.reserved = 99;
  source.blankOut = 1;
  source.GetLabelSlot(4)->text = WString(u"t");
  cInsert copy(true);
  const std::uint32_t id = copy.RunningId();
  copy.Assign(source);
  EXPECT_EQ(copy.point, (DPoint{1, 2}));
  EXPECT_EQ(copy.blockIndex, 3u);
  EXPECT_EQ(copy.RunningId(), id);
  EXPECT_EQ(copy.reserved, 0u);
  EXPECT_EQ(copy.blankOut, 0);
  ASSERT_NE(copy.GetLabelSlotAt(4), nullptr);
  EXPECT_NE(copy.GetLabelSlotAt(4), source.GetLabelSlotAt(4));
  EXPECT_EQ(copy.GetLabelSlotAt(2), nullptr);
}

TEST(InsertTest, GetBlockAppendsAnEmptyBlockForAnIndexBeyondTheTable) {
  DataRef d;
  cInsert insert;
  insert.blockIndex = 40;
  cBlock* block = insert.GetBlock(d.data);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(d.data->BlockCount(), 1u);
  EXPECT_EQ(insert.blockIndex, 0u);
  EXPECT_EQ(insert.GetBlock(nullptr), nullptr);
}

TEST(InsertTest, HasSameBlockByIndexOrByContent) {
  DataRef d;
  auto block = [&](const char16_t* name) {
    auto* b = new cBlock();
    b->name = WString(name);
    ObjectChain chain;
    auto* inner = new cInsert();
    inner->blockIndex = 9;
    chain.Append(inner);
    b->AppendChain(std::move(chain));
    return d.data->AddBlock(b);
  };
  cInsert a, b, c;
  a.blockIndex = block(u"Lamp");
  b.blockIndex = block(u"LAMP");
  c.blockIndex = block(u"Switch");
  EXPECT_TRUE(a.HasSameBlock(a, d.data));
  EXPECT_TRUE(a.HasSameBlock(b, d.data)) << "equal content, names equal but for case";
  EXPECT_FALSE(a.HasSameBlock(c, d.data));
  EXPECT_FALSE(a.HasSameBlock(b, nullptr));
}

TEST(InsertTest, ClassifyObjectForBlock) {
  cInsert insert;
  EXPECT_EQ(ClassifyObjectForBlock(nullptr, nullptr), 3);
  EXPECT_EQ(ClassifyObjectForBlock(nullptr, &insert), 2);
  insert.flags |= kInsertClassify;
  EXPECT_EQ(ClassifyObjectForBlock(nullptr, &insert), 1);
}

}  // namespace
}  // namespace kvn
