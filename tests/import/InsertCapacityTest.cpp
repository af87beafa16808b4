// Symbols placed many times. Inserts each at an angle of their own need a
// block each; 2,000 and 10,000 of a 200-line block open whole, the latter
// also when the view question builds the sheet twice. The open keeps no
// copy of a block per placement: its heap stays within a few times the file
// while a block of 1,000 lines is placed 1,000 times. A block placed past
// what a paint may walk, or turned placements past what the open may hold,
// are refused as too large before any placement is converted or expanded,
// well inside the heap.
#include <gtest/gtest.h>

#include <string>

#include "document/DocumentResult.h"
#include "document/FormatReader.h"
#include "document/LoadQuestions.h"
#include "document/ViewDirection.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/CountingAlloc.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "import/dxf/DxfReader.h"
#include "import/records/YxxfReader.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "tests/support/DxfWriter.h"

namespace kvn {
namespace {

// An R12 drawing: block S of `lines` short lines, placed `inserts` times on
// a grid, each turned by an angle of its own when `turned`; with `oblique`
// its active viewport looks along (1, 1, 1).
std::string SymbolDrawing(int inserts, int lines, bool turned, bool oblique = false) {
  test::DxfWriter w;
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1009").EndSection();
  if (oblique) {
    w.Section("TABLES").Str(0, "TABLE").Str(2, "VPORT").Str(0, "VPORT").Str(2, "*Active").Point(16, 1, 1, 1);
    w.Real(51, 0).Str(0, "ENDTAB").EndSection();
  }
  w.Section("BLOCKS").Block("S");
  for (int i = 0; i < lines; ++i) w.Line("0", i % 50, i / 50, i % 50 + 0.5, i / 50 + 0.7);
  w.EndBlock().EndSection();
  w.Section("ENTITIES");
  for (int k = 0; k < inserts; ++k) {
    w.Str(0, "INSERT").Str(8, "0").Str(2, "S").Point(10, (k % 100) * 60.0, (k / 100) * 60.0);
    if (turned) w.Real(50, 0.17 * k);
  }
  w.EndSection().Eof();
  return w.Bytes();
}

// Answers the view question with the view from above.
class FromAbove : public LoadQuestions {
 public:
  bool GoOn(const LoadQuestion&) override { return false; }
  bool ChooseViewDirection(ViewDirectionChoice& choice) override {
    ++asked;
    choice.preset = 0;
    return true;
  }
  int asked = 0;
};

DocumentResult OpenDxf(const std::string& file, LoadQuestions* questions = nullptr) {
  ByteArray bytes;
  bytes.AppendBytes(file.data(), std::int64_t(file.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  if (!questions) return LoadDxfStream(in, WString(u"symbols.dxf"), nullptr, nullptr);
  FormatReadContext context;
  context.questions = questions;
  return LoadDxfStream(in, WString(u"symbols.dxf"), nullptr, nullptr, &context);
}

// The lines the sheet shows through its inserts (one level).
std::uint64_t LinesShown(cSheet& sheet, std::uint64_t& inserts) {
  std::uint64_t lines = 0;
  inserts = 0;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
    cInsert* insert = o->AsInsert();
    if (!insert) continue;
    ++inserts;
    for (const cOutObj* child = sheet.Data()->GetBlock(insert->blockIndex)->FirstObject(); child; child = child->next)
      ++lines;
  }
  return lines;
}

std::string TooLargeReason() {
  std::string reason = LoadLangString(YxxfReader::kStrImportTooLarge).ToUtf8();
  reason.resize(reason.find("%s"));
  return reason;
}

TEST(InsertCapacity, TwoThousandTurnedSymbolsOpenWhole) {
  DocumentResult result = OpenDxf(SymbolDrawing(2000, 200, true));
  ASSERT_TRUE(result.Ok()) << result.Detail().ToUtf8();
  std::uint64_t inserts = 0;
  EXPECT_EQ(LinesShown(*result.Document()->GetSheet(0), inserts), 400'000u);
  EXPECT_EQ(inserts, 2000u);
}

// Seen from another direction than the file's, the sheet is built again;
// the first build's spending is given back, not added to the second's.
TEST(InsertCapacity, TenThousandTurnedSymbolsOpenWholeAfterTheViewQuestion) {
  FromAbove questions;
  DocumentResult result = OpenDxf(SymbolDrawing(10000, 200, true, true), &questions);
  ASSERT_TRUE(result.Ok()) << result.Detail().ToUtf8();
  EXPECT_EQ(questions.asked, 1);
  std::uint64_t inserts = 0;
  EXPECT_EQ(LinesShown(*result.Document()->GetSheet(0), inserts), 2'000'000u);
  EXPECT_EQ(inserts, 10000u);
}

TEST(InsertCapacity, TheOpenKeepsNoCopyOfABlockPerPlacement) {
  const std::string file = SymbolDrawing(1000, 1000, false);
  const std::uint64_t before = GetAllocatedBytes();
  alloc_testing::SetCounters(before, before);
  DocumentResult result = OpenDxf(file);
  const std::uint64_t peak = GetPeakAllocatedBytes() - before;
  ASSERT_TRUE(result.Ok()) << result.Detail().ToUtf8();
  // Kept, the placements would hold a million lines (some 150 MB).
  EXPECT_LT(peak, 40 * file.size()) << peak << " bytes for a file of " << file.size();
  // Shown, an insert is expanded again, at its place.
  cSheet& sheet = *result.Document()->GetSheet(0);
  cInsert* last = nullptr;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) last = o->AsInsert();
  ASSERT_NE(last, nullptr);
  last->UpdateIfDirty(sheet.Data());
  ASSERT_EQ(last->GetChildren().size(), 1000u);
  DRect extent;
  last->GetChildren()[0]->GetExtentUpdated(sheet.Data(), extent);
  EXPECT_DOUBLE_EQ(extent.x1, 99 * 60.0);
}

// What a summary or a fit reads of an insert after the open: the extent the
// open measured before it let the children go, kept so that nobody has to
// expand every placement again to learn it, and equal to what an expansion
// at its place covers.
TEST(InsertCapacity, EveryInsertKeepsTheExtentOfItsExpansionAfterTheOpen) {
  DocumentResult result = OpenDxf(SymbolDrawing(30, 120, true));
  ASSERT_TRUE(result.Ok()) << result.Detail().ToUtf8();
  cSheet& sheet = *result.Document()->GetSheet(0);
  int inserts = 0;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
    cInsert* insert = o->AsInsert();
    if (!insert) continue;
    ++inserts;
    ASSERT_TRUE(insert->ExtentsKeptFromDrop()) << "insert " << inserts;
    DRect kept;
    insert->GetExtent(kept);
    kept.Normalize();
    insert->UpdateIfDirty(sheet.Data());
    DRect expanded;
    bool first = true;
    for (cOutObj* child : insert->GetChildren()) {
      DRect box;
      child->GetExtentUpdated(sheet.Data(), box);
      box.Normalize();
      expanded.Union(box, first);
    }
    ASSERT_FALSE(first) << "insert " << inserts << " expands to nothing";
    EXPECT_NEAR(kept.x1, expanded.x1, 1e-9) << "insert " << inserts;
    EXPECT_NEAR(kept.y1, expanded.y1, 1e-9) << "insert " << inserts;
    EXPECT_NEAR(kept.x2, expanded.x2, 1e-9) << "insert " << inserts;
    EXPECT_NEAR(kept.y2, expanded.y2, 1e-9) << "insert " << inserts;
    insert->DropChildren();
  }
  EXPECT_EQ(inserts, 30);
}

// 24 million lines for one paint to walk.
TEST(InsertCapacity, PlacementsBeyondWhatAPaintWalksAreRefused) {
  const std::string file = SymbolDrawing(6000, 4000, false);
  const std::uint64_t before = GetAllocatedBytes();
  alloc_testing::SetCounters(before, before);
  DocumentResult result = OpenDxf(file);
  EXPECT_LT(GetPeakAllocatedBytes() - before, 200u << 20);
  ASSERT_FALSE(result.Ok());
  EXPECT_EQ(result.Detail().ToUtf8().rfind(TooLargeReason(), 0), 0u) << result.Detail().ToUtf8();
}

// Each turned placement needs a block of its own: converted one by one,
// 16 million lines would fill the heap past its threshold before the
// refusal, though a paint might walk them.
TEST(InsertCapacity, TurnedPlacementsBeyondWhatTheOpenHoldsAreRefusedBeforeTheyAreMade) {
  const std::string file = SymbolDrawing(8000, 2000, true);
  const std::uint64_t before = GetAllocatedBytes();
  alloc_testing::SetCounters(before, before);
  DocumentResult result = OpenDxf(file);
  EXPECT_LT(GetPeakAllocatedBytes() - before, 40 * file.size());
  ASSERT_FALSE(result.Ok());
  EXPECT_EQ(result.Detail().ToUtf8().rfind(TooLargeReason(), 0), 0u) << result.Detail().ToUtf8();
}

}  // namespace
}  // namespace kvn
