// Whole files holding links, dimensions, connection points, separators and
// section views, written in the record forms of their versions: the reader
// keeps every object, kvn-dump counts each class, and the section views of a
// sheet follow a new scale of the sheet they show.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "document/cDrawing.h"
#include "document/cSheet.h"
#include "model/ObjectTypes.h"
#include "model/cBlock.h"
#include "model/cInsert.h"
#include "model/cLink.h"
#include "model/cSection.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/support/SchematicRecords.h"
#include "tests/support/TestData.h"

namespace kvn::test {
namespace {

std::string RunDump(const std::string& path) {
  const std::string command = std::string(KVN_DUMP_PATH) + " '" + path + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  if (!pipe) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  pclose(pipe);
  return out;
}

// One record of each class, in the form of the version, type byte first.
void AddSchematicObjects(FixtureSheet& sheet, int version) {
  auto typed = [](std::uint8_t type, auto write) {
    return [type, write](ArchiveWriter& w) {
      w.WriteByte(type);
      write(w);
    };
  };
  LinkFixture link;
  link.attributes = {{u"Wire", u"W1", u"", 2, true}};
  link.labelShown = true;
  link.labelText = u"L";
  link.labelPosition = {5, 1};
  sheet.handWrittenObjects.push_back(
      typed(kTypeLink, [version, link](ArchiveWriter& w) { WriteLinkRecord(w, version, link); }));
  DistanceFixture distance;
  distance.prefix = u"a=";
  sheet.handWrittenObjects.push_back(
      typed(kTypeDistance, [version, distance](ArchiveWriter& w) { WriteDistanceRecord(w, version, distance); }));
  ConPointFixture point;
  point.name = u"X1";
  point.labelShown = true;
  sheet.handWrittenObjects.push_back(
      typed(kTypeConPoint, [version, point](ArchiveWriter& w) { WriteConPointRecord(w, version, point); }));
  SeparatorFixture separator;
  separator.name = u"Group";
  sheet.handWrittenObjects.push_back(
      typed(kTypeSeparator, [version, separator](ArchiveWriter& w) { WriteSeparatorRecord(w, version, separator); }));
  SectionFixture section;
  section.sheetIndex = 0;
  section.selection = true;
  section.values = {1, 2};
  section.names = {u"n"};
  sheet.handWrittenObjects.push_back(
      typed(kTypeSection, [version, section](ArchiveWriter& w) { WriteSectionRecord(w, version, section); }));
}

std::vector<std::uint8_t> SchematicFile(int version) {
  FixtureSheet sheet;
  sheet.name = u"Schematic";
  sheet.levels = {{u"0"}};
  sheet.lines.push_back(FixtureLine{{0, 0}, {10, 0}, 0, 0, 0, 0.25, 1, -1});
  AddSchematicObjects(sheet, version);
  if (version < 3065) {
    SingleSheetFile file;
    file.version = version;
    file.sheet = sheet;
    return WriteSingleSheetFile(file);
  }
  FixtureDocument doc;
  doc.version = version;
  doc.compressed = version >= 3073;
  doc.sheets.push_back(sheet);
  return WriteNativeFile(doc);
}

TEST(SchematicObjectsFile, EveryVersionKeepsEveryObject) {
  for (int version : {3049, 3055, 3060, 3070, 3081, 3089, 3111}) {
    SCOPED_TRACE(version);
    ReadOutcome read = ReadNativeBytes(SchematicFile(version));
    ASSERT_EQ(read.result, 0);
    ASSERT_GE(read.document->SheetCount(), 1u);
    std::map<int, int> counts;
    const cLink* link = nullptr;
    for (cOutObj* o = read.document->GetSheet(0)->TopBlock().FirstObject(); o; o = o->next) {
      ++counts[o->TypeCode()];
      if (o->AsLink()) link = o->AsLink();
    }
    EXPECT_EQ(counts[kTypeLine], 1);
    EXPECT_EQ(counts[kTypeLink], 1);
    EXPECT_EQ(counts[kTypeDistance], 1);
    EXPECT_EQ(counts[kTypeConPoint], 1);
    EXPECT_EQ(counts[kTypeSeparator], 1);
    EXPECT_EQ(counts[kTypeSection], 1);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->GetDescription(), WString(u"W1"));
    EXPECT_EQ(link->Points().Count(), 3u);
  }
}

TEST(SchematicObjectsFile, LinksJoinTheInsertsOfTheFile) {
  for (int version : {3055, 3081, 3111}) {
    SCOPED_TRACE(version);
    FixtureSheet sheet;
    sheet.levels = {{u"0"}};
    FixtureBlock symbol;
    symbol.lines.push_back(FixtureLine{{0, 0}, {1, 0}});
    InsertFixture nested;  // of block 0
    symbol.inserts.push_back(nested);  // insert number 1, in the named block 1
    sheet.blocks = {FixtureBlock{{FixtureLine{{0, 0}, {0, 1}}}, {}}, symbol};
    InsertFixture left;
    left.blockIndex = 1;
    InsertFixture right = left;
    right.point = {20, 0};
    sheet.inserts = {left, right};  // numbers 2 and 3
    LinkFixture link;
    link.end1 = 3;
    link.index1 = 1;
    link.end2 = 2;
    LinkFixture outside = link;
    outside.end1 = 1;  // the insert inside the named block: not in this list
    for (const LinkFixture& f : {link, outside}) {
      sheet.handWrittenObjects.push_back([version, f](ArchiveWriter& w) {
        w.WriteByte(kTypeLink);
        WriteLinkRecord(w, version, f);
      });
    }
    std::vector<std::uint8_t> bytes;
    if (version < 3065) {
      SingleSheetFile file;
      file.version = version;
      file.sheet = sheet;
      bytes = WriteSingleSheetFile(file);
    } else {
      FixtureDocument doc;
      doc.version = version;
      doc.sheets = {sheet};
      bytes = WriteNativeFile(doc);
    }
    ReadOutcome read = ReadNativeBytes(bytes);
    ASSERT_EQ(read.result, 0);
    std::vector<const cInsert*> inserts;
    std::vector<const cLink*> links;
    for (cOutObj* o = read.document->GetSheet(0)->TopBlock().FirstObject(); o; o = o->next) {
      if (o->AsInsert()) inserts.push_back(o->AsInsert());
      if (o->AsLink()) links.push_back(o->AsLink());
    }
    ASSERT_EQ(inserts.size(), 2u);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0]->end1Number, inserts[1]->RunningId());
    EXPECT_EQ(links[0]->end1Index, 1);
    EXPECT_EQ(links[0]->end2Number, inserts[0]->RunningId());
    EXPECT_EQ(links[1]->end1Number, 0u);
    EXPECT_EQ(links[1]->end2Number, inserts[0]->RunningId());
  }
}

TEST(SchematicObjectsFile, KvnDumpCountsEachClass) {
  ScratchDir dir;
  for (int version : {3055, 3070, 3111}) {
    SCOPED_TRACE(version);
    const std::string path = (dir / ("schematic-" + std::to_string(version) + ".kvn")).string();
    ASSERT_TRUE(SaveBytes(path, SchematicFile(version)));
    const std::string out = RunDump(path);
    EXPECT_NE(out.find("\"result\": 0"), std::string::npos) << out;
    for (const char* name : {"\"cConPoint\": 1", "\"cDistance\": 1", "\"cLink\": 1", "\"cSection\": 1",
                             "\"cSeparator\": 1"}) {
      EXPECT_NE(out.find(name), std::string::npos) << name << " in " << out;
    }
    if (version != 3111) continue;
    std::ifstream in(std::string(KVN_GOLDEN_DIR) + "/kvn-dump-schematic.json", std::ios::binary);
    std::ostringstream golden;
    golden << in.rdbuf();
    EXPECT_EQ(out, golden.str());
  }
}

TEST(SchematicObjectsFile, SectionsFollowTheScaleOfTheSheetTheyShow) {
  FixtureDocument doc;
  FixtureSheet shown;
  shown.name = u"Shown";
  shown.scale = 2.0;
  shown.lines.push_back(FixtureLine{{0, 0}, {10, 0}});
  FixtureSheet viewer;
  viewer.name = u"Viewer";
  SectionFixture of0;
  of0.sheetIndex = 0;
  of0.scale = 0.5;
  of0.sourcePoint = {10, 20};
  SectionFixture of1 = of0;
  of1.sheetIndex = 1;
  for (const SectionFixture& f : {of0, of1}) {
    viewer.handWrittenObjects.push_back([f](ArchiveWriter& w) {
      w.WriteByte(kTypeSection);
      WriteSectionRecord(w, 3111, f);
    });
  }
  doc.sheets = {shown, viewer};
  ReadOutcome read = ReadNativeBytes(WriteNativeFile(doc));
  ASSERT_EQ(read.result, 0);
  ASSERT_EQ(read.document->SheetCount(), 2u);
  cSheet* first = read.document->GetSheet(0);
  SetSheetScale(first->Drawing(), read.document.get(), 8.0);
  const cOutObj* a = read.document->GetSheet(1)->TopBlock().FirstObject();
  ASSERT_NE(a, nullptr);
  ASSERT_NE(a->next, nullptr);
  const cSection* showing = a->AsSection();
  const cSection* other = a->next->AsSection();
  ASSERT_NE(showing, nullptr);
  ASSERT_NE(other, nullptr);
  // The shown sheet grew four times: the view shrinks its scale by four and
  // looks at the same place.
  EXPECT_EQ(showing->scale, 0.125);
  EXPECT_EQ(showing->sourcePoint, (DPoint{40, 80}));
  EXPECT_EQ(other->scale, 0.5);
  EXPECT_EQ(other->sourcePoint, (DPoint{10, 20}));
}

}  // namespace
}  // namespace kvn::test
