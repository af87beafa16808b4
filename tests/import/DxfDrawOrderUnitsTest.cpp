// A draw-order table changes the order of what is drawn, never what is
// drawn: an insert keeps the attribute values that follow it and a polyline
// its vertices, whichever of their handles the table lists, in model space
// and in paper space (where an attribute may carry no paper flag of its own,
// as the DWG reader hands it over).
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "document/DwgLoadReport.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/cText.h"
#include "tests/support/DxfWriter.h"

namespace kvn {
namespace {

using test::DxfWriter;

struct Case {
  const char* what;
  bool paper;             // the entities and the table belong to the paper space
  bool attributeFlagged;  // the attribute carries 67 = 1 itself (paper only)
  // Sort-table pairs {entity, sort handle}.
  std::vector<std::pair<const char*, const char*>> pairs;
  // The order drawn: L line, I insert, P polyline.
  const char* order;
};

std::string Drawing(const Case& c) {
  DxfWriter w;
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1015").EndSection();
  w.Section("TABLES").Str(0, "TABLE").Str(2, "BLOCK_RECORD");
  w.Str(0, "BLOCK_RECORD").Str(5, "1F").Str(100, "AcDbSymbolTableRecord").Str(100, "AcDbBlockTableRecord");
  w.Str(2, "*Model_Space");
  w.Str(0, "BLOCK_RECORD").Str(5, "1B").Str(100, "AcDbSymbolTableRecord").Str(100, "AcDbBlockTableRecord");
  w.Str(2, "*Paper_Space").Str(0, "ENDTAB").EndSection();
  w.Section("BLOCKS").Str(0, "BLOCK").Str(5, "40").Str(100, "AcDbEntity").Str(8, "0");
  w.Str(100, "AcDbBlockBegin").Str(2, "FLAG").Int(70, 2).Point(10, 0, 0).Str(3, "FLAG");
  w.Str(0, "LINE").Str(5, "42").Str(100, "AcDbEntity").Str(8, "0").Str(100, "AcDbLine");
  w.Point(10, 0, 0).Point(11, 10, 0);
  w.Str(0, "ATTDEF").Str(5, "44").Str(100, "AcDbEntity").Str(8, "0").Str(100, "AcDbText").Point(10, 0, -3);
  w.Real(40, 1.0).Str(1, "").Str(100, "AcDbAttributeDefinition").Str(3, "some prompt").Str(2, "NAME").Int(70, 0);
  w.Str(0, "ENDBLK").Str(5, "41").Str(100, "AcDbEntity").Str(8, "0").Str(100, "AcDbBlockEnd").EndSection();
  const char* owner = c.paper ? "1B" : "1F";
  auto head = [&](const char* name, const char* handle, bool flagged) {
    w.Str(0, name).Str(5, handle).Str(330, owner).Str(100, "AcDbEntity");
    if (flagged) w.Int(67, 1);
    w.Str(8, "0");
  };
  w.Section("ENTITIES");
  head("LINE", "30", c.paper);
  w.Str(100, "AcDbLine").Point(10, 0, 100).Point(11, 50, 100);
  head("INSERT", "50", c.paper);
  w.Str(100, "AcDbBlockReference").Int(66, 1).Str(2, "FLAG").Point(10, 20, 20);
  head("ATTRIB", "51", c.paper && c.attributeFlagged);
  w.Str(100, "AcDbText").Point(10, 20, 17).Real(40, 1.0).Str(1, "some prompt data").Str(100, "AcDbAttribute");
  w.Str(2, "NAME").Int(70, 0);
  head("SEQEND", "53", c.paper && c.attributeFlagged);
  head("POLYLINE", "60", c.paper);
  w.Str(100, "AcDb2dPolyline").Int(66, 1).Point(10, 0, 0).Int(70, 0);
  for (auto [handle, x, y] : {std::tuple{"61", 0.0, 0.0}, {"62", 100.0, 0.0}, {"63", 100.0, 60.0}}) {
    head("VERTEX", handle, c.paper);
    w.Str(100, "AcDbVertex").Str(100, "AcDb2dVertex").Point(10, x, y).Int(70, 0);
  }
  head("SEQEND", "64", c.paper);
  w.EndSection().Section("OBJECTS");
  w.Str(0, "SORTENTSTABLE").Str(5, "99").Str(330, "98").Str(100, "AcDbSortentsTable").Str(330, owner);
  for (auto [entity, sort] : c.pairs) w.Str(331, entity).Str(5, sort);
  w.EndSection().Eof();
  return w.Bytes();
}

TEST(DxfDrawOrderUnits, TheTableMovesAnOwnerWithWhatBelongsToIt) {
  const Case cases[] = {
      // The insert is drawn first; its attribute is not listed.
      {"model, insert before the line", false, false, {{"50", "30"}, {"30", "50"}}, "ILP"},
      {"model, insert listed alone", false, false, {{"50", "30"}}, "IPL"},
      // A pair that names the attribute moves its insert.
      {"model, attribute listed", false, false, {{"51", "30"}, {"30", "51"}}, "ILP"},
      {"model, polyline listed alone", false, false, {{"60", "30"}}, "PIL"},
      {"paper, attribute flagged", true, true, {{"50", "30"}, {"30", "50"}}, "ILP"},
      {"paper, attribute not flagged", true, false, {{"50", "30"}, {"30", "50"}}, "ILP"},
      {"paper, polyline listed alone", true, false, {{"60", "30"}}, "PIL"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string text = Drawing(c);
    ByteArray bytes;
    bytes.AppendBytes(text.data(), std::int64_t(text.size()));
    InFileStream in = InFileStream::FromMemory(bytes);
    DwgLoadReport report;
    DocumentResult result = LoadDxfStream(in, WString(u"order.dxf"), nullptr, &report);
    ASSERT_TRUE(result.Ok());
    const cDrawingDoc& document = *result.Document();
    const std::uint32_t sheet = c.paper ? 1 : 0;
    ASSERT_GT(document.SheetCount(), sheet);
    std::vector<cOutObj*> top;
    for (cOutObj* o = document.GetSheet(sheet)->TopBlock().FirstObject(); o; o = o->next) top.push_back(o);
    // The line, the insert and the polyline: nothing more, nothing less.
    ASSERT_EQ(top.size(), 3u);
    std::string order;
    int insertAt = -1, polygon = -1;
    for (int i = 0; i < 3; ++i) {
      if (dynamic_cast<cLine*>(top[i])) {
        order += 'L';
      } else if (top[i]->AsInsert()) {
        order += 'I', insertAt = i;
      } else {
        order += 'P', polygon = i;
      }
    }
    ASSERT_EQ(order, c.order);
    // The value is drawn with the insert.
    const cInsert& insert = *top[insertAt]->AsInsert();
    cBlock* block = document.GetSheet(sheet)->Data()->GetBlock(insert.blockIndex);
    ASSERT_TRUE(block);
    bool value = false;
    for (cOutObj* o = block->FirstObject(); o; o = o->next) {
      if (cText* t = o->AsText()) value = value || t->GetText() == WString(u"some prompt data");
    }
    EXPECT_TRUE(value) << "the attribute value is not drawn";
    // All three vertices of the polyline.
    DRect extent;
    top[polygon]->GetExtent(extent);
    extent.Normalize();
    EXPECT_NEAR(extent.x2 - extent.x1, 100.0, 1e-6);
    EXPECT_NEAR(extent.y2 - extent.y1, 60.0, 1e-6);
    EXPECT_TRUE(result.Warnings().empty());
  }
}

}  // namespace
}  // namespace kvn
