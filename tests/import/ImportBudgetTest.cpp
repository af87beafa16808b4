// The forecast of a drawing's cost: nested-block bombs of every shape, in
// DXF and through the DWG R2000 writer, are refused with the message that
// the drawing is too large, before anything of them is made; a drawing of
// the same shape within the ceilings opens whole, whatever the count of the
// file's records. (Their times are in bench/ImportBombBench.cpp.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/DocumentResult.h"
#include "document/OpenFailureMessage.h"
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
#include "tests/support/BombDrawings.h"

namespace kvn {
namespace {

using test::BombShape;

DocumentResult Open(const BombShape& shape, bool dwg) { return test::OpenBomb(shape, dwg); }

// The lines a drawing shows through its nested inserts.
std::uint64_t LinesShown(cOutObj* chain, cDrawingData& data, int depth = 0) {
  std::uint64_t lines = 0;
  for (cOutObj* o = chain; o && depth < 80; o = o->next) {
    if (cInsert* insert = o->AsInsert()) {
      if (cBlock* block = data.GetBlock(insert->blockIndex)) lines += LinesShown(block->FirstObject(), data, depth + 1);
    } else {
      ++lines;
    }
  }
  return lines;
}

TEST(ImportBudget, EveryBombIsRefusedAsTooLargeWithinItsHeap) {
  std::vector<BombShape> shapes;
  // From 20 levels the doubling lattice keeps more than the heap may hold.
  for (int levels = 20; levels <= 30; levels += 2) shapes.push_back({BombShape::Doubling, levels});
  shapes.push_back({BombShape::TenWay, 12});
  shapes.push_back({BombShape::Arrays, 5, 100});
  shapes.push_back({BombShape::Arrays, 3, 100});
  // The reason in the current language, up to the number.
  std::string tooLarge = LoadLangString(YxxfReader::kStrImportTooLarge).ToUtf8();
  tooLarge.resize(tooLarge.find("%s"));
  ASSERT_GT(tooLarge.size(), 10u);
  for (const bool dwg : {false, true}) {
    for (const BombShape& shape : shapes) {
      const std::string name = (dwg ? "DWG " : "DXF ") + shape.Name();
      const std::uint64_t before = GetAllocatedBytes();
      alloc_testing::SetCounters(before, before);
      DocumentResult result = Open(shape, dwg);
      // Refused from its records: the heap holds little more than they.
      EXPECT_LT(GetPeakAllocatedBytes() - before, 4u << 20) << name;
      ASSERT_FALSE(result.Ok()) << name;
      EXPECT_EQ(result.Detail().ToUtf8().rfind(tooLarge, 0), 0u) << name << ": " << result.Detail().ToUtf8();
      // The user sees the file and the reason.
      const std::string message = MakeOpenFailureMessage(result, WString(u"/drawings/bomb.dxf")).text.ToUtf8();
      EXPECT_NE(message.find("/drawings/bomb.dxf"), std::string::npos) << message;
      EXPECT_NE(message.find(tooLarge), std::string::npos) << message;
    }
  }
}

TEST(ImportBudget, ADrawingInsideTheBudgetOpensWhole) {
  for (const bool dwg : {false, true}) {
    for (const BombShape& shape : {BombShape{BombShape::Doubling, 12}, BombShape{BombShape::TenWay, 4},
                                   BombShape{BombShape::Arrays, 1, 100}}) {
      DocumentResult result = Open(shape, dwg);
      ASSERT_TRUE(result.Ok()) << shape.Name() << ": " << result.Detail().ToUtf8();
      cSheet& sheet = *result.Document()->GetSheet(0);
      const std::uint64_t expected = shape.kind == BombShape::Doubling ? 1u << 12
                                     : shape.kind == BombShape::TenWay ? 10'000u
                                                                       : 10'000u;
      EXPECT_EQ(LinesShown(sheet.TopBlock().FirstObject(), *sheet.Data()), expected) << shape.Name();
    }
  }
}

// The decision follows the cost alone: twenty thousand records more in the
// file buy a doubling lattice of 22 levels no way through.
TEST(ImportBudget, TheRecordsOfTheFileBuyNothing) {
  std::string file = test::BombDxf({BombShape::Doubling, 22});
  const std::string marker = "0\nSECTION\n2\nENTITIES\n";
  std::string lines = marker;
  for (int i = 0; i < 20'000; ++i) lines += "0\nLINE\n8\n0\n10\n0\n20\n" + std::to_string(i) + "\n11\n1\n21\n0\n";
  const std::size_t entities = file.find(marker);
  ASSERT_NE(entities, std::string::npos);
  file.replace(entities, marker.size(), lines);
  ByteArray bytes;
  bytes.AppendBytes(file.data(), std::int64_t(file.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  DocumentResult result = LoadDxfStream(in, WString(u"padded.dxf"), nullptr, nullptr);
  ASSERT_FALSE(result.Ok());
  EXPECT_EQ(result.Detail(), DrawingTooLargeText());
}

}  // namespace
}  // namespace kvn
