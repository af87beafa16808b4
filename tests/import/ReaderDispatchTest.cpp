// The reader context: the entity name table, header variables, table
// entries, owners and levels, spooling, text code pages and the statistics,
// driven by scripted streams of group-code records.
#include "import/records/YxxfReader.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/InFileStream.h"
#include "foundation/OutFileStream.h"
#include "import/records/InsertRecord.h"
#include "import/records/PolylineRecords.h"
#include "import/records/SimpleRecords.h"
#include "import/records/TextRecord.h"
#include "tests/import/ImportTestSupport.h"
#include "tests/import/ScriptedRecords.h"

namespace kvn {
namespace {

using S = YxxfSection;

class ReaderDispatchTest : public ::testing::Test {
 protected:
  void Send(const char* name, std::initializer_list<G> items, S section = S::Entities) {
    Fill(record, items);
    reader.DispatchSection(record, name, section);
  }
  void SendCode(int code, std::initializer_list<G> items) {
    Fill(record, items);
    reader.DispatchEntity(record, code);
  }
  YxxfBlockRec* Block(const char* name) {
    for (YxxfBlockRec* b : reader.blocks) {
      if (b->name == WString(0, name)) return b;
    }
    return nullptr;
  }
  YxxfGroupRecord record;
  YxxfReader reader{WString(u"test.dxf"), 1};
};

TEST_F(ReaderDispatchTest, NameTableIsCaseBlind) {
  EXPECT_EQ(EntityCodeOfName("line"), 2);
  EXPECT_EQ(EntityCodeOfName("MLeader"), 31);
  EXPECT_EQ(EntityCodeOfName("VPORT"), 54);
  EXPECT_EQ(EntityCodeOfName("NOPE"), 0);
  EXPECT_EQ(EntityCodeOfName(""), 0);
  // Every name of the table in lower case, and names just longer.
  for (int code = 2; code <= 54; ++code) {
    const char* name = EntityNameOfCode(code);
    ASSERT_TRUE(name) << code;
    std::string lower(name);
    for (char& c : lower) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    EXPECT_EQ(EntityCodeOfName(lower.c_str()), code) << name;
    EXPECT_EQ(EntityCodeOfName((lower + "X").c_str()), 0) << name;
  }
  EXPECT_EQ(EntityCodeOfName("ACAD_PROXY_ENTITY_AND_A_LONG_TAIL"), 0);
  EXPECT_EQ(EntityCodeOfName(nullptr), 0);
  EXPECT_STREQ(EntityNameOfCode(31), "MULTILEADER");
  Send("line", {{8, "0"}, {10, 1.0}, {20, 2.0}, {11, 3.0}, {21, 4.0}});
  ASSERT_EQ(reader.defaultBlock.entities.Count(), 1u);
  auto* line = dynamic_cast<YxxfEntLine*>(reader.defaultBlock.entities[0]);
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->end, (Vec3{3, 4, 0}));
  EXPECT_EQ(reader.statistics.Handed(ImportSpace::Model, "LINE"), 1u);
}

TEST_F(ReaderDispatchTest, HeaderVariablesAndCodePages) {
  Send("", {{9, "$DWGCODEPAGE"}, {3, "ANSI_1250"}, {9, "$ACADVER"}, {1, "AC1015"}, {9, "$LTSCALE"}, {40, 2.5},
            {9, "$LUNITS"}, {70, 4}, {9, "$AUPREC"}},
       S::Header);
  EXPECT_EQ(reader.drawingVersion, 1015);
  EXPECT_EQ(reader.codePage, 1250);
  EXPECT_EQ(reader.TextCodePage(), 1250);
  EXPECT_EQ(reader.ltScale, 2.5);
  EXPECT_EQ(reader.lunits, 4);
  EXPECT_EQ(reader.auprec, 0);  // no 70 after it
  EXPECT_EQ(reader.luprec, -1);
  // The record's code page follows the reader's before each dispatch.
  Send("LAYER", {{2, "\x8A"}}, S::Tables);
  EXPECT_EQ(reader.layers[0]->name, WString(u"Š"));

  // From AC1021 on the text is UTF-8, whatever $DWGCODEPAGE says and
  // wherever it stands.
  YxxfReader later(WString(), 1);
  Fill(record, {{9, "$DWGCODEPAGE"}, {3, "ansi_1252"}, {9, "$ACADVER"}, {1, "AC1021"}});
  later.DispatchSection(record, "", S::Header);
  EXPECT_EQ(later.TextCodePage(), 65001);
  YxxfReader none(WString(), 1);
  Fill(record, {{9, "$ACADVER"}, {1, "AC1032"}});
  none.DispatchSection(record, "", S::Header);
  EXPECT_EQ(none.TextCodePage(), 65001);
  Fill(record, {{2, "\xC5\xA0"}});
  none.DispatchSection(record, "LAYER", S::Tables);
  EXPECT_EQ(none.layers[0]->name, WString(u"Š"));
  // An unknown name leaves the code page.
  YxxfReader odd(WString(), 1);
  Fill(record, {{9, "$DWGCODEPAGE"}, {3, "ansi-1250"}, {9, "$ACADVER"}, {1, "R14"}});
  odd.DispatchSection(record, "", S::Header);
  EXPECT_EQ(odd.codePage, 0);
  EXPECT_EQ(odd.drawingVersion, 0);
}

TEST_F(ReaderDispatchTest, ClassesAreNumberedFrom500) {
  Send("CLASS", {{1, "ACDBDICTIONARYWDFLT"}}, S::Classes);
  Send("CLASS", {{1, "ACDBPLACEHOLDER"}}, S::Classes);
  Send("CLASS", {{1, "LAYOUT"}}, S::Classes);
  ASSERT_EQ(reader.classes.Count(), 3u);
  EXPECT_EQ(reader.classes[0]->number, 500);
  EXPECT_EQ(reader.classes[2]->number, 502);
  EXPECT_EQ(reader.classes[2]->name, "LAYOUT");
  // A proxy of a known class and format is not decoded yet; an unknown one is dropped.
  Send("ACAD_PROXY_ENTITY", {{90, 498}, {91, 501}, {95, 23}});
  Send("ACAD_PROXY_ENTITY", {{90, 498}, {91, 499}, {95, 23}});
  Send("ACAD_PROXY_ENTITY", {{90, 498}, {1071, 502}, {1071, 22}});
  EXPECT_EQ(reader.statistics.Dropped("ACAD_PROXY_ENTITY", DropReason::NotImportedYet), 1u);
  EXPECT_EQ(reader.statistics.Dropped("ACAD_PROXY_ENTITY", DropReason::UnknownClass), 2u);
}

TEST_F(ReaderDispatchTest, LayersByNameHandleAndTheDefaultLayer) {
  // No layer table: entities without group 8 land on layer "0", created once.
  Send("LINE", {});
  Send("CIRCLE", {{40, 1.0}});
  ASSERT_EQ(reader.layers.Count(), 1u);
  EXPECT_EQ(reader.layers[0]->name, WString(u"0"));
  EXPECT_EQ(reader.defaultBlock.entities[1]->level, 0);
  // A new layer by name is created once, whatever its case; an empty name is layer 0.
  Send("LINE", {{8, "Walls"}});
  Send("LINE", {{8, "WALLS"}});
  Send("LINE", {{8, ""}});
  ASSERT_EQ(reader.layers.Count(), 2u);
  EXPECT_EQ(reader.layers[1]->colorIndex, 7);
  EXPECT_EQ(reader.defaultBlock.entities[2]->level, 1);
  EXPECT_EQ(reader.defaultBlock.entities[3]->level, 1);
  EXPECT_EQ(reader.defaultBlock.entities[4]->level, 0);
  // A DWG layer handle that matches none makes error_layer_<count>.
  SendCode(entity::kLine, {{8, H{0x77}}});
  ASSERT_EQ(reader.layers.Count(), 3u);
  EXPECT_EQ(reader.layers[2]->name, WString(u"error_layer_2"));
  EXPECT_EQ(reader.layers[2]->handle, 0x77u);
  SendCode(entity::kLine, {{8, H{0x77}}});
  EXPECT_EQ(reader.layers.Count(), 3u);
  // The table entry of a layer created early fills it in place.
  Send("LAYER", {{2, "walls"}, {62, -3}}, S::Tables);
  Send("LAYER", {{2, "Doors"}, {62, 2}}, S::Tables);
  ASSERT_EQ(reader.layers.Count(), 4u);
  EXPECT_EQ(reader.layers[1]->name, WString(u"walls"));
  EXPECT_EQ(reader.layers[1]->colorIndex, 3);
  EXPECT_EQ(reader.layers[1]->off, 1);
  EXPECT_EQ(reader.DefaultLayerIndex(), 0);
  // ... and so does the entry of a layer first met by its handle.
  Send("LAYER", {{2, "Real"}, {5, "77"}}, S::Tables);
  EXPECT_EQ(reader.layers.Count(), 4u);
  EXPECT_EQ(reader.layers[2]->name, WString(u"Real"));
  Send("LINE", {{8, "real"}});
  EXPECT_EQ(reader.defaultBlock.entities[7]->level, 2);
}

TEST_F(ReaderDispatchTest, LayersPastTheLimitLandOnLayerZero) {
  auto fill = [](YxxfReader& r, int zeroAt) {
    for (std::uint32_t i = 0; i < kMaxLayers; ++i) {
      r.layers.Add(new YxxfLayerRec(WString(int(i) == zeroAt ? u"0" : u"x"), 7, -1, WString(), 0, 0, 0, 0, 0, 0, 0));
    }
  };
  fill(reader, -1);
  Send("LINE", {{8, "one too many"}});
  EXPECT_EQ(reader.layers.Count(), kMaxLayers);
  // No layer "0" and no room for it: the first layer.
  EXPECT_EQ(reader.defaultBlock.entities[0]->level, 0);

  YxxfReader full(WString(), 1);
  fill(full, 9);
  Fill(record, {{8, "another"}});
  full.DispatchSection(record, "LINE", S::Entities);
  Fill(record, {{8, H{0x1234}}});
  full.DispatchEntity(record, entity::kLine);
  Fill(record, {});
  full.DispatchEntity(record, entity::kLine);
  ASSERT_EQ(full.defaultBlock.entities.Count(), 3u);
  for (cOneObjRec* e : full.defaultBlock.entities) EXPECT_EQ(e->level, 9);
  EXPECT_EQ(full.layers.Count(), kMaxLayers);
}

TEST_F(ReaderDispatchTest, OwnersBlocksAndPaperSpace) {
  Send("LAYER", {{2, "0"}}, S::Tables);
  Send("BLOCK", {{2, "DOOR"}, {5, "1A"}, {10, 1.0}, {20, 2.0}, {30, 0.0}}, S::Blocks);
  Send("ARC", {{8, "0"}, {10, 0.0}, {40, 2.0}, {50, 0.0}, {51, 90.0}}, S::Blocks);
  Send("ENDBLK", {}, S::Blocks);
  Send("BLOCK", {{2, "*Model_Space"}, {5, "1F"}}, S::Blocks);
  Send("LINE", {{8, "0"}}, S::Blocks);
  Send("ENDBLK", {}, S::Blocks);
  Send("BLOCK", {{2, "*Paper_Space0"}, {5, "2F"}}, S::Blocks);
  Send("LINE", {{8, "0"}}, S::Blocks);
  Send("ENDBLK", {}, S::Blocks);
  Send("CIRCLE", {{8, "0"}, {67, 1}, {40, 1.0}});
  // DWG owners by handle: 0 is the model space, an unknown handle has no owner.
  SendCode(entity::kLine, {{kCodeOwnerHandle, H{0x1A}}, {8, "0"}});
  SendCode(entity::kLine, {{kCodeOwnerHandle, H{0}}, {8, "0"}});
  SendCode(entity::kLine, {{kCodeOwnerHandle, H{0x1F}}, {8, "0"}});
  SendCode(entity::kLine, {{kCodeOwnerHandle, H{0x999}}, {8, "0"}});

  YxxfBlockRec* door = Block("DOOR");
  ASSERT_NE(door, nullptr);
  EXPECT_EQ(door->base, (Vec3{1, 2, 0}));
  EXPECT_EQ(door->entities.Count(), 2u);
  EXPECT_EQ(reader.defaultBlock.entities.Count(), 4u);  // *Model_Space line, circle, two DWG lines
  EXPECT_EQ(reader.defaultBlock.entities[1]->paperSpace, 1);
  EXPECT_EQ(reader.defaultBlock.entities[0]->paperSpace, 0);
  EXPECT_EQ(Block("*Paper_Space0")->entities.Count(), 1u);
  EXPECT_EQ(reader.unowned.Count(), 1u);
  EXPECT_EQ(reader.currentBlock, nullptr);

  const ImportStatistics& s = reader.statistics;
  EXPECT_EQ(s.Handed(ImportSpace::Model, "LINE"), 3u);
  EXPECT_EQ(s.Handed(ImportSpace::Paper, "LINE"), 1u);
  EXPECT_EQ(s.Handed(ImportSpace::Paper, "CIRCLE"), 1u);
  EXPECT_EQ(s.Handed(ImportSpace::Block, "ARC"), 1u);
  EXPECT_EQ(s.Handed(ImportSpace::Block, "LINE"), 1u);
  EXPECT_EQ(s.Dropped("LINE", DropReason::UnknownOwner), 1u);
}

TEST_F(ReaderDispatchTest, InsertsAttributesPolylinesAndFaces) {
  Send("INSERT", {{2, "DOOR"}, {66, 1}, {70, 0}, {71, -3}});
  Send("ATTRIB", {{1, "A"}});
  Send("ATTRIB", {{1, "B"}});
  Send("SEQEND", {});
  Send("VERTEX", {{10, 1.0}});  // after SEQEND: outside any polyline
  Send("POLYLINE", {{70, 1}});
  Send("VERTEX", {{10, 1.0}});
  Send("VERTEX", {{10, 2.0}});
  Send("SEQEND", {});
  Send("3DFACE", {{70, 15}});
  Send("3DFACE", {{70, 5}, {10, 0.0}, {11, 1.0}, {12, 1.0}, {22, 1.0}, {13, 0.0}, {23, 1.0}});
  Send("3DFACE", {{70, 0}});
  Send("WIPEOUT", {});
  Send("POINT", {});
  Send("DICTIONARY", {}, S::Objects);

  const ImportStatistics& s = reader.statistics;
  EXPECT_EQ(s.Apart("ATTRIB"), 2u);
  EXPECT_EQ(s.Apart("SEQEND"), 2u);
  EXPECT_EQ(s.Apart("VERTEX"), 2u);
  EXPECT_EQ(s.Dropped("VERTEX", DropReason::VertexOutsidePolyline), 1u);
  EXPECT_EQ(s.Handed(ImportSpace::Model, "INSERT"), 1u);
  EXPECT_EQ(s.Handed(ImportSpace::Model, "POLYLINE"), 1u);
  EXPECT_EQ(s.Dropped("3DFACE", DropReason::NoVisibleEdge), 1u);
  EXPECT_EQ(s.Handed(ImportSpace::Model, "3DFACE"), 2u);
  EXPECT_EQ(s.Dropped("WIPEOUT", DropReason::UnknownName), 1u);
  EXPECT_EQ(s.Dropped("POINT", DropReason::NotDrawn), 1u);
  EXPECT_EQ(s.DroppedByName("DICTIONARY"), 0u);
  EXPECT_EQ(s.TotalHanded(ImportSpace::Model), 4u);
  EXPECT_EQ(s.TotalDropped(), 4u);
  auto skipped = s.SkippedByName();
  EXPECT_EQ(skipped["3DFACE"], 1u);
  EXPECT_EQ(skipped["VERTEX"], 1u);
  EXPECT_STREQ(DropReasonText(DropReason::VertexOutsidePolyline), "vertex outside a polyline");

  // The insert (column count 0 and row count -3 make one cell), the two
  // attribute texts (kept after their insert); the polyline with
  // its two vertices; flags 5 hide edges 10-11 and 12-13: the edges 11-12
  // and 13-10 remain; flags 0 make one closed outline.
  ASSERT_EQ(reader.defaultBlock.entities.Count(), 7u);
  auto* insert = dynamic_cast<YxxfEntInsert*>(reader.defaultBlock.entities[0]);
  ASSERT_TRUE(insert);
  EXPECT_EQ(insert->blockName, WString(u"DOOR"));
  EXPECT_EQ(insert->columns, 1u);
  EXPECT_EQ(insert->rows, 1u);
  auto* attribute = dynamic_cast<cOneText*>(reader.defaultBlock.entities[2]);
  ASSERT_TRUE(attribute);
  EXPECT_EQ(attribute->text, WString(u"B"));
  auto* polyline = dynamic_cast<cLoadingPolygon*>(reader.defaultBlock.entities[3]);
  ASSERT_TRUE(polyline);
  EXPECT_EQ(polyline->vertices.size(), 2u);
  EXPECT_EQ(polyline->flags, 1u);
  auto* face = dynamic_cast<cLoadingPolygon*>(reader.defaultBlock.entities[6]);
  ASSERT_TRUE(face);
  EXPECT_EQ(face->vertices.size(), 3u);
  EXPECT_EQ(face->flags, 9u);
  auto* e0 = dynamic_cast<YxxfEntLine*>(reader.defaultBlock.entities[4]);
  auto* e1 = dynamic_cast<YxxfEntLine*>(reader.defaultBlock.entities[5]);
  ASSERT_TRUE(e0 && e1);
  EXPECT_EQ(e0->start, (Vec3{1, 0, 0}));
  EXPECT_EQ(e0->end, (Vec3{1, 1, 0}));
  EXPECT_EQ(e1->start, (Vec3{0, 1, 0}));
  EXPECT_EQ(e1->end, (Vec3{0, 0, 0}));
}

TEST_F(ReaderDispatchTest, TablesOfEveryKind) {
  Send("LTYPE", {{2, "DASHED"}, {73, 2}, {49, 0.5}, {74, 0}, {49, -0.25}, {74, 0}}, S::Tables);
  Send("STYLE", {{2, "Standard"}, {3, "txt"}}, S::Tables);
  Send("UCS", {{2, "Front"}, {11, 1.0}}, S::Tables);
  Send("VIEW", {{2, "ignored"}}, S::Tables);
  Send("VPORT", {{2, "*Active"}, {5, "A1"}}, S::Tables);
  Send("VPORT", {{2, "Other"}, {5, "A2"}}, S::Tables);
  Send("BLOCK_RECORD", {{5, "1F"}, {2, "*Model_Space"}, {340, "22"}}, S::Tables);
  Send("ENDTAB", {}, S::Tables);
  Send("LAYOUT", {{1, "Model"}, {330, "1F"}, {5, "22"}, {331, "A2"}}, S::Objects);
  Send("IMAGEDEF", {{1, "photo.png"}, {5, "3C"}}, S::Objects);
  Send("SORTENTSTABLE", {{100, "AcDbSortentsTable"}, {330, "1F"}, {331, "10"}, {5, "20"}}, S::Objects);
  EXPECT_EQ(reader.lineTypes.Count(), 1u);
  EXPECT_EQ(reader.lineTypes[0]->elements.Count(), 2u);
  EXPECT_EQ(reader.styles.Count(), 1u);
  EXPECT_EQ(reader.ucsList.Count(), 1u);
  EXPECT_EQ(reader.viewports.Count(), 2u);
  EXPECT_EQ(reader.blockTableRecords.Count(), 1u);
  EXPECT_EQ(reader.layouts.Count(), 1u);
  EXPECT_EQ(reader.imageDefs.Count(), 1u);
  EXPECT_EQ(reader.sortTables.Count(), 1u);
  // The model layout's last active viewport wins over *Active.
  const YxxfLayoutRec* layout = nullptr;
  const YxxfViewportRec* vp = YxxfReader::FindModelViewport(reader, &layout);
  ASSERT_NE(vp, nullptr);
  EXPECT_EQ(vp->name, WString(u"Other"));
  EXPECT_EQ(layout, reader.layouts[0]);
  reader.layouts[0]->lastActiveViewport = 0x999;
  EXPECT_EQ(YxxfReader::FindModelViewport(reader, nullptr)->name, WString(u"*Active"));
  reader.viewports[0]->name = WString(u"First");
  EXPECT_EQ(YxxfReader::FindModelViewport(reader, nullptr)->name, WString(u"First"));
  YxxfReader empty(WString(), 1);
  EXPECT_EQ(YxxfReader::FindModelViewport(empty, &layout), nullptr);
  EXPECT_EQ(layout, nullptr);
}

TEST_F(ReaderDispatchTest, SpooledRecordsReadBackFromTheirIndex) {
  ByteArray sink;
  reader.SetSpoolStream(std::make_unique<OutFileStream>(WString(), true, false, false, false, &sink));
  Send("LINE", {{5, "10"}, {8, "0"}, {11, 5.0}});
  Send("ELLIPSE", {{5, "11"}, {8, "0"}, {11, 2.0}, {40, 0.5}, {42, 6.0}});
  Send("SOLID", {{5, "12"}, {8, "0"}});
  EXPECT_EQ(reader.defaultBlock.entities.Count(), 0u);
  ASSERT_EQ(reader.defaultBlock.spoolIndex.Count(), 3u);
  reader.SpoolStream()->Flush();
  InFileStream in = InFileStream::FromMemory(sink);
  const RecordKind kinds[] = {RecordKind::Line, RecordKind::Ellipse, RecordKind::Solid};
  for (std::uint32_t i = 0; i < 3; ++i) {
    const YxxfSpoolEntry& e = reader.defaultBlock.spoolIndex[i];
    EXPECT_EQ(e.handle, 0x10u + i);
    ASSERT_TRUE(in.Seek(e.position));
    auto back = ReadSpooledRecord(in);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Kind(), kinds[i]);
    EXPECT_EQ(back->handle, 0x10u + i);
  }
}

}  // namespace
}  // namespace kvn
