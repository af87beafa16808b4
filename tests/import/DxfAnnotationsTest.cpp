// Annotations that their writer draws into blocks or context data: an arc
// dimension shows its block as an insert (like any dimension), a multileader
// has its leader lines as polygons beside its text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cPolygon.h"
#include "model/cText.h"
#include "tests/support/DxfWriter.h"

namespace kvn {
namespace {

using test::DxfWriter;

DocumentResult Load(const std::string& text) {
  ByteArray bytes;
  bytes.AppendBytes(text.data(), std::int64_t(text.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  return LoadDxfStream(in, WString(u"/nowhere/annotations.dxf"), nullptr, nullptr);
}

std::vector<cOutObj*> Top(cSheet& sheet) {
  std::vector<cOutObj*> out;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) out.push_back(o);
  return out;
}

TEST(DxfAnnotationsTest, AnArcDimensionShowsItsBlock) {
  DxfWriter w;
  w.Section("BLOCKS").Block("*D1").Str(0, "ARC").Str(8, "0").Point(10, 0, 0).Real(40, 5).Real(50, 0).Real(51, 90);
  w.Line("0", 5, 0, 8, 0).EndBlock().EndSection();
  w.Section("ENTITIES").Str(0, "ARC_DIMENSION").Str(8, "0").Str(2, "*D1").Point(10, 0, 6).Point(11, 3, 3);
  w.Point(12, 0, 0).Int(70, 5).Point(13, 5, 0).Point(14, 0, 5).Point(15, 0, 0);
  w.EndSection().Eof();
  DocumentResult result = Load(w.Bytes());
  ASSERT_TRUE(result.Ok());
  cSheet& sheet = *result.Document()->GetFirstSheet();
  auto top = Top(sheet);
  ASSERT_EQ(top.size(), 1u);
  const cInsert* insert = top[0]->AsInsert();
  ASSERT_TRUE(insert);
  const cBlock* block = sheet.Data()->GetBlock(insert->blockIndex);
  ASSERT_TRUE(block);
  int children = 0;
  for (cOutObj* o = block->FirstObject(); o; o = o->next) ++children;
  EXPECT_EQ(children, 2);
  DRect extent;
  top[0]->GetExtentUpdated(sheet.Data(), extent);
  extent.Normalize();
  EXPECT_NEAR(extent.x1, 0, 1e-6);
  EXPECT_NEAR(extent.x2, 8, 1e-6);
  EXPECT_NEAR(extent.y1, -5, 1e-6);
  EXPECT_NEAR(extent.y2, 0, 1e-6);
}

}  // namespace
}  // namespace kvn
