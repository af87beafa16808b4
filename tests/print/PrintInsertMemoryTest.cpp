// The print road's walks over a drawing of many placements of one block (the
// print-out's extents, the test whether a print rectangle holds anything)
// hold one placement's children at a time, measured with the counting heap,
// and still find what they look for.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/CountingAlloc.h"
#include "model/LevelTable.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "print/PrintOut.h"

namespace kvn {
namespace {

void Append(cBlock& block, cOutObj* object) {
  ObjectChain chain;
  chain.Append(object);
  block.AppendChain(std::move(chain));
}

TEST(PrintInsertMemory, PrintWalksHoldOnePlacementAtATime) {
  cDrawingDoc doc;
  doc.AddSheet(std::make_unique<cSheet>());
  cSheet& sheet = *doc.GetSheet(0);
  cDrawingData& data = *sheet.Data();
  data.Levels().InsertLevel(u"0", nullptr, 0);
  auto* block = new cBlock();
  for (int i = 0; i < 400; ++i) {
    auto* line = new cLine();
    line->start = {std::cos(0.37 * i), std::sin(0.37 * i)};
    line->end = {std::cos(0.37 * i + 2.1), std::sin(0.37 * i + 2.1)};
    line->SetLevel(kNoLevel);
    Append(*block, line);
  }
  const std::uint32_t index = data.AddBlock(block);
  constexpr int kPlacements = 500;
  for (int k = 0; k < kPlacements; ++k) {
    auto* insert = new cInsert();
    insert->blockIndex = index;
    insert->point = {3.0 * (k % 50), 3.0 * (k / 50)};
    insert->SetLevel(0);
    Append(sheet.TopBlock(), insert);
  }
  std::uint64_t expansion = 0;
  {
    cInsert one;
    one.blockIndex = index;
    const std::uint64_t before = GetAllocatedBytes();
    one.UpdateIfDirty(&data);
    expansion = GetAllocatedBytes() - before;
  }

  const std::uint64_t before = GetAllocatedBytes();
  alloc_testing::SetCounters(before, before);
  {
    APXPrintOut out(sheet.Drawing(), PrintOutOptions{});
    // Only the last placement meets this corner; everything before it is
    // walked and left, measured by what the print-out's start kept of each:
    // only the one that may meet the corner is expanded.
    const std::uint64_t start = cInsert::ExpansionCount();
    EXPECT_TRUE(RectHasPrintableContent(sheet.Drawing(), {146.5, 26.5, 147.5, 27.5}, 0));
    EXPECT_FALSE(RectHasPrintableContent(sheet.Drawing(), {-50, -50, -40, -40}, 0));
    EXPECT_EQ(cInsert::ExpansionCount() - start, 1u);
  }
  const std::uint64_t peak = GetPeakAllocatedBytes() - before;
  // Kept, the placements would hold kPlacements expansions.
  EXPECT_LT(peak, 4 * expansion + 512u * kPlacements) << "one expansion holds " << expansion << " bytes";
}

}  // namespace
}  // namespace kvn
