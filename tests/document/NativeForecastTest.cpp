// A native drawing is weighed like an import before any insert of it is
// expanded: a small file that places a large block thousands of times, or
// nests a doubling lattice past what a paint may walk, is refused as too
// large within a small heap; a lattice within the ceilings opens whole.
#include <gtest/gtest.h>

#include <string>

#include "document/DocumentResult.h"
#include "document/NativeLoad.h"
#include "foundation/CountingAlloc.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "model/DrawingCost.h"
#include "model/InsertExpansion.h"
#include "tests/support/CapacityDrawings.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

DocumentResult OpenNative(const std::vector<std::uint8_t>& bytes, std::uint64_t& peak) {
  test::ScratchDir dir;
  const std::string path = (dir / "drawing.kvn").string();
  EXPECT_TRUE(test::SaveBytes(path, bytes));
  const std::uint64_t before = GetAllocatedBytes();
  alloc_testing::SetCounters(before, before);
  DocumentResult result = NativeFormatReader().load(WString::FromUtf8(path), FormatReadContext{});
  peak = GetPeakAllocatedBytes() - before;
  return result;
}

TEST(NativeForecast, BlocksPlacedPastWhatAPaintWalksAreRefused) {
  struct Bomb {
    const char* name;
    std::vector<std::uint8_t> file;
  };
  // 80 million lines from 4,000 placements; 2^40 from a lattice of 40 levels.
  const Bomb bombs[] = {{"4,000 of 20,000", test::NativePlacements(20000, 4000)},
                        {"lattice of 40", test::NativeDoublingLattice(40)}};
  for (const Bomb& bomb : bombs) {
    std::uint64_t peak = 0;
    DocumentResult result = OpenNative(bomb.file, peak);
    ASSERT_FALSE(result.Ok()) << bomb.name;
    EXPECT_EQ(result.Detail(), DrawingTooLargeText()) << bomb.name;
    // What the file holds, read once.
    EXPECT_LT(peak, 30 * bomb.file.size() + (2u << 20)) << bomb.name;
  }
}

TEST(NativeForecast, ALatticeWithinTheCeilingsOpensWholeAndSilent) {
  // A million lines through one insert (past the 400,000 children one
  // expansion once made): within what a paint may walk and the open may
  // hold, so whole, with nothing told.
  std::uint64_t peak = 0;
  DocumentResult whole = OpenNative(test::NativeDoublingLattice(20), peak);
  ASSERT_TRUE(whole.Ok()) << whole.Detail().ToUtf8();
  EXPECT_TRUE(whole.Warnings().empty());
  // With the expansion's count lowered below it (as a line type's symbol
  // block, which no forecast weighs, may meet it), the insert shown in
  // part is told.
  const expansion_testing::ScopedCuts cuts(400'000, 1'600'000);
  DocumentResult cut = OpenNative(test::NativeDoublingLattice(20), peak);
  ASSERT_TRUE(cut.Ok()) << cut.Detail().ToUtf8();
  ASSERT_EQ(cut.Warnings().size(), 1u);
  EXPECT_EQ(cut.Warnings()[0], FormatPercentS(LoadLangString(kStrExpansionsCut), WString(u"1")));
}

}  // namespace
}  // namespace kvn
