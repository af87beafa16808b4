// Drawings with block inserts: nested inserts with labels and attributes in
// every file-version row, block indexes checked by the list reader, a block
// entering the table only after its own list (an insert of itself or of a
// later block gets a placeholder and the question), and blocks nested deeper
// than the expansion walks.
#include <gtest/gtest.h>

#include <string>

#include "document/LoadQuestions.h"
#include "document/ResultCodes.h"
#include "document/cSheet.h"
#include "model/BlockPath.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "tests/document/DocumentTestSupport.h"

namespace kvn::test {
namespace {

class AnswerOk final : public LoadQuestions {
 public:
  bool GoOn(const LoadQuestion&) override {
    ++asked;
    return true;
  }
  int asked = 0;
};

// The container form from 3065, the single-sheet form before.
std::vector<std::uint8_t> WriteNestedInserts(int version) {
  FixtureDocument doc = NestedInsertDocument(version);
  if (version >= 3065) return WriteNativeFile(doc);
  SingleSheetFile file;
  file.version = version;
  file.headerLines = {"Version=" + std::to_string(version), "Levels=1"};
  file.sheet = doc.sheets[0];
  return WriteSingleSheetFile(file);
}

TEST(InsertFileTest, NestedInsertsReadInEveryVersion) {
  for (int version : {3049, 3055, 3060, 3070, 3081, 3089, 3111}) {
    SCOPED_TRACE(version);
    ReadOutcome out = ReadNativeBytes(WriteNestedInserts(version));
    ASSERT_EQ(out.result, 0);
    cSheet* sheet = out.document->GetFirstSheet();
    cDrawingData* data = sheet->Data();
    ASSERT_EQ(data->BlockCount(), 2u);
    cOutObj* first = sheet->TopBlock().FirstObject();
    while (first && !first->AsInsert()) first = first->next;
    ASSERT_NE(first, nullptr);
    cInsert* top = first->AsInsert();
    EXPECT_EQ(top->blockIndex, 1u);
    EXPECT_EQ(top->color, 0x0000FFu);
    top->UpdateIfDirty(data);
    // Two inserts of two lines each, all recoloured, plus the label of the
    // second inner insert.
    std::size_t lines = 0, texts = 0;
    for (cOutObj* child : top->GetChildren()) {
      if (child->AsAnyLine()) {
        ++lines;
        EXPECT_EQ(child->AsAnyLine()->stroke.color, 0x0000FFu);
      }
      if (child->AsText()) ++texts;
    }
    EXPECT_EQ(lines, 4u);
    EXPECT_EQ(texts, 1u);
    DRect extent;
    top->GetExtent(extent);
    EXPECT_NEAR(extent.x2, 100, 1e-9) << "mirrored in x: the block lies left of the point";
    EXPECT_NEAR(extent.x1, 100 - 2 * 5 - 2 * 1, 1e-9);
    ObjectChain exploded = top->Explode(data);
    EXPECT_EQ(exploded.Count(), 2u) << "the two inner inserts copied; the top insert has no label";
  }
}

TEST(InsertFileTest, AnInsertOfItsOwnBlockGetsAPlaceholderAndTheQuestion) {
  FixtureDocument doc;
  doc.compressed = false;
  FixtureSheet sheet;
  sheet.name = u"Self";
  FixtureBlock self;
  self.lines = {FixtureLine{{0, 0}, {1, 0}}};
  self.inserts = {InsertAt(0, {1, 0})};
  sheet.blocks = {self};
  sheet.inserts = {InsertAt(0, {0, 0})};
  doc.sheets = {sheet};
  const auto bytes = WriteNativeFile(doc);

  QuietQuestions quiet;
  NativeReadOptions options;
  options.questions = &quiet;
  EXPECT_EQ(ReadNativeBytes(bytes, options).result, kLoadBlocksDeclined);

  AnswerOk ok;
  options.questions = &ok;
  ReadOutcome out = ReadNativeBytes(bytes, options);
  ASSERT_EQ(out.result, 0);
  EXPECT_EQ(ok.asked, 1);
  cDrawingData* data = out.document->GetFirstSheet()->Data();
  ASSERT_EQ(data->BlockCount(), 2u);
  EXPECT_EQ(data->GetBlock(0)->FirstObject(), nullptr) << "the placeholder took index 0";
  ASSERT_NE(data->GetBlock(1)->FirstObject(), nullptr);
  for (cOutObj* o = out.document->GetFirstSheet()->TopBlock().FirstObject(); o; o = o->next) {
    o->UpdateIfDirty(data);
    ObjectChain exploded = o->Explode(data);
  }
}

TEST(InsertFileTest, BlocksPlacingLaterBlocksGetPlaceholders) {
  FixtureDocument doc;
  doc.compressed = false;
  FixtureSheet sheet;
  sheet.name = u"Mutual";
  FixtureBlock a, b;
  a.lines = {FixtureLine{{0, 0}, {1, 0}}};
  a.inserts = {InsertAt(1, {0, 0})};
  b.lines = {FixtureLine{{0, 0}, {0, 1}}};
  b.inserts = {InsertAt(0, {0, 0})};
  sheet.blocks = {a, b};
  sheet.inserts = {InsertAt(0, {0, 0}), InsertAt(1, {0, 0})};
  doc.sheets = {sheet};
  AnswerOk ok;
  NativeReadOptions options;
  options.questions = &ok;
  ReadOutcome out = ReadNativeBytes(WriteNativeFile(doc), options);
  ASSERT_EQ(out.result, 0);
  EXPECT_EQ(ok.asked, 1);
  cDrawingData* data = out.document->GetFirstSheet()->Data();
  for (cOutObj* o = out.document->GetFirstSheet()->TopBlock().FirstObject(); o; o = o->next) {
    o->UpdateIfDirty(data);
  }
  EXPECT_EQ(data->BlockCount(), 3u);
}

TEST(InsertFileTest, SeventyDeepBlocksOpenAndExpandToThePathDepth) {
  FixtureDocument doc;
  doc.compressed = false;
  FixtureSheet sheet;
  sheet.name = u"Deep";
  FixtureBlock leaf;
  leaf.lines = {FixtureLine{{0, 0}, {1, 0}}};
  sheet.blocks.push_back(leaf);
  for (std::uint32_t i = 0; i < 70; ++i) {
    FixtureBlock next;
    next.lines = {FixtureLine{{0, 0}, {1, 0}}};
    next.inserts = {InsertAt(i, {1, 0})};
    sheet.blocks.push_back(next);
  }
  sheet.inserts = {InsertAt(70, {0, 0})};
  doc.sheets = {sheet};
  ReadOutcome out = ReadNativeBytes(WriteNativeFile(doc));
  ASSERT_EQ(out.result, 0);
  cSheet* s = out.document->GetFirstSheet();
  cInsert* top = nullptr;
  for (cOutObj* o = s->TopBlock().FirstObject(); o; o = o->next) {
    if (o->AsInsert()) top = o->AsInsert();
  }
  ASSERT_NE(top, nullptr);
  top->UpdateIfDirty(s->Data());
  EXPECT_EQ(top->GetChildren().size(), std::size_t(BlockPath::kMaxDepth));
  s->TopBlock().MarkAllDirty(s->Data());
}

}  // namespace
}  // namespace kvn::test
