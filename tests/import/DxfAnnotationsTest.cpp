// Annotations that their writer draws into blocks or context data: an arc
// dimension shows its block as an insert (like any dimension), a multileader
// has its leader lines as polygons beside its text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cAnyFill.h"
#include "model/cPolygon.h"
#include "model/cText.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/TestData.h"
#include "document/OpenDrawingFile.h"
#include "dwg/InstallReaders.h"

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

// A multileader: each leader line a polygon from its vertex to the landing
// point and along the dogleg, with a filled arrowhead at its start, beside
// the text.
TEST(DxfAnnotationsTest, AMultileaderHasItsLeaderPolygonsAndArrowheads) {
  DxfWriter w;
  w.Section("ENTITIES").Str(0, "MULTILEADER").Str(8, "0").Int(270, 2).Str(300, "CONTEXT_DATA{").Real(40, 1.0);
  w.Point(10, 20, 10).Real(41, 2.0).Int(290, 1).Str(304, "Note").Point(11, 0, 0, 1).Point(12, 20, 10);
  w.Point(13, 1, 0).Real(43, 0.0).Int(171, 1);
  w.Str(302, "LEADER{").Int(290, 1).Int(291, 1).Point(10, 18, 10).Point(11, 1, 0).Int(90, 0).Real(40, 2.0);
  w.Str(304, "LEADER_LINE{").Point(10, 0, 0).Int(91, 0).Str(305, "}").Int(271, 0).Str(303, "}");
  w.Str(301, "}").Real(41, 2.0).Real(42, 1.5).Int(172, 2);
  w.EndSection().Eof();
  DocumentResult result = Load(w.Bytes());
  ASSERT_TRUE(result.Ok());
  cSheet& sheet = *result.Document()->GetFirstSheet();
  const cPolygon* leader = nullptr;
  const cPolygon* arrow = nullptr;
  const cText* text = nullptr;
  for (cOutObj* o : Top(sheet)) {
    if (const cText* t = o->AsText()) text = t;
    const cAnyFill* fill = o->AsAnyFill();
    const cPolygon* p = fill ? fill->AsPolygon() : nullptr;
    if (!p) continue;
    (p->FirstList().IsClosed() ? arrow : leader) = p;
  }
  ASSERT_TRUE(text);
  EXPECT_EQ(text->GetText(), WString(u"Note"));
  ASSERT_TRUE(leader);
  // The vertex, the landing point, then 2 along the dogleg (y down).
  const std::vector<DPoint> expected{{0, 0}, {18, -10}, {20, -10}};
  ASSERT_GE(leader->FirstList().Count(), 3u);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(leader->FirstList().Points()[i].x, expected[i].x, 1e-9) << i;
    EXPECT_NEAR(leader->FirstList().Points()[i].y, expected[i].y, 1e-9) << i;
  }
  ASSERT_TRUE(arrow);
  DRect tip;
  const_cast<cPolygon*>(arrow)->GetExtentUpdated(sheet.Data(), tip);
  tip.Normalize();
  // 1.5 long from the vertex towards (18, 10).
  EXPECT_NEAR(tip.x1, 0, 1e-6);
  EXPECT_NEAR(std::hypot(tip.x2, tip.y1), 1.5, 0.3);
}

std::unique_ptr<cDrawingDoc> OpenSample(const std::filesystem::path& path) {
  InstallReaders();
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  return OpenDrawingFile(WString::FromUtf8(path.string()), request, outcome);
}

// The tables and multileaders of a real drawing against ezdxf's reading of
// the same file: each table's extent is its block about its insertion point
// (ezdxf: bbox.extents of the ACAD_TABLE entity), and the file's 15
// multileaders have 15 leader lines.
TEST(DxfAnnotationsTest, TablesSitWhereThePeerPutsThemAndLeadersHaveTheirLines) {
  KVN_REQUIRE_TESTDATA(data);
  for (const char* file : {"dxf/acadsharp_sample_AC1024_ascii.dxf"}) {
    SCOPED_TRACE(file);
    auto document = OpenSample(data / file);
    ASSERT_TRUE(document);
    cSheet& sheet = *document->GetSheet(0);
    struct Table {
      const char16_t* block;
      DRect peer;  // x1, y1, x2, y2 in the file's axes (y up)
    };
    const Table tables[] = {{u"*T9", {774.8657236611278, 2.8190430088634457, 877.4603384729468, 48.53878603809858}},
                            {u"*T16", {18.3905818828116, -142.9735019293672, 30.8905818828116, -140.7043295782985}}};
    for (const Table& table : tables) {
      SCOPED_TRACE(WString(table.block).ToUtf8());
      const cInsert* found = nullptr;
      for (cOutObj* o : Top(sheet))
        if (const cInsert* insert = o->AsInsert(); insert && insert->name == WString(table.block)) found = insert;
      ASSERT_TRUE(found);
      DRect extent;
      const_cast<cInsert*>(found)->GetExtentUpdated(sheet.Data(), extent);
      extent.Normalize();
      // The cell texts' boxes come from two different font measures: the
      // edges agree within 0.5 % of the table's size.
      const double tolerance = 0.005 * std::max(table.peer.x2 - table.peer.x1, table.peer.y2 - table.peer.y1);
      EXPECT_NEAR(extent.x1, table.peer.x1, tolerance);
      EXPECT_NEAR(extent.x2, table.peer.x2, tolerance);
      EXPECT_NEAR(extent.y1, -table.peer.y2, tolerance);
      EXPECT_NEAR(extent.y2, -table.peer.y1, tolerance);
    }
    int leaderLines = 0;
    for (cOutObj* o : Top(sheet)) {
      const cAnyFill* fill = o->AsAnyFill();
      const cPolygon* p = fill ? fill->AsPolygon() : nullptr;
      if (p && !p->FirstList().IsClosed() && p->FirstList().Count() >= 2 && p->FirstList().Count() <= 4) ++leaderLines;
    }
    EXPECT_GE(leaderLines, 15);
  }
}

}  // namespace
}  // namespace kvn
