// Page ids are page indexes: id 0 is the first page, 4095 every page. A
// three-page drawing with objects on ids 0, 1, 2, 4095 and on the list
// {0, 2}: kvn-dump counts [3, 2, 3] objects on its pages and the page
// filter of the painter shows each page exactly its objects. Drawings older
// than page ids (below 3059) have no pages and show everything.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "model/cLine.h"
#include "render/SheetPainter.h"
#include "tests/document/DocumentTestSupport.h"
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

FixtureLine LineOnPage(double y, std::uint16_t page) {
  FixtureLine l;
  l.start = {10, y};
  l.end = {100, y};
  l.page = page;
  return l;
}

// Objects in order: page 0, page 1, page 2, every page, pages {0, 2}.
FixtureDocument ThreePages() {
  FixtureDocument doc;
  FixtureSheet sheet;
  sheet.name = u"Pages";
  sheet.pages = {{u"First"}, {u"Second"}, {u"Third"}};
  for (std::uint16_t id : {std::uint16_t(0), std::uint16_t(1), std::uint16_t(2), kAllPages}) {
    sheet.lines.push_back(LineOnPage(10.0 + 10.0 * double(sheet.lines.size()), id));
  }
  auto listed = std::make_shared<cLine>();
  listed->start = {10, 60};
  listed->end = {100, 60};
  PageMask mask;
  mask.bits[0] = 0x80 | 0x20;  // pages 0 and 2
  listed->SetPagesFromMask(mask);
  sheet.objects = {listed};
  doc.sheets.push_back(sheet);
  return doc;
}

std::vector<int> ShownOn(const cSheet& sheet, std::uint16_t page) {
  std::vector<int> shown;
  int i = 0;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next, ++i) {
    if (IsObjectOnCurrentPage(nullptr, *o, sheet.Drawing(), page)) shown.push_back(i);
  }
  return shown;
}

TEST(PageIds, KvnDumpCountsTheObjectsOfEachPage) {
  ScratchDir dir;
  const std::string path = (dir / "pages.kvn").string();
  ASSERT_TRUE(SaveBytes(path, WriteNativeFile(ThreePages())));
  const std::string out = RunDump(path);
  EXPECT_NE(out.find("\"pages\": 3, \"objectsOnPage\": [3, 2, 3]"), std::string::npos) << out;
}

TEST(PageIds, EachPageShowsExactlyItsObjects) {
  ScratchDir dir;
  const std::string path = (dir / "pages.kvn").string();
  ASSERT_TRUE(SaveBytes(path, WriteNativeFile(ThreePages())));
  OpenRequest quiet;
  quiet.quiet = true;
  DocumentResult result = OpenDrawing(WString::FromUtf8(path), quiet);
  ASSERT_TRUE(result.Ok()) << result.Code();
  const cSheet& sheet = *result.Document()->GetFirstSheet();
  ASSERT_EQ(sheet.Drawing().PageCount(), 3u);
  EXPECT_EQ(ShownOn(sheet, 0), (std::vector<int>{0, 3, 4}));
  EXPECT_EQ(ShownOn(sheet, 1), (std::vector<int>{1, 3}));
  EXPECT_EQ(ShownOn(sheet, 2), (std::vector<int>{2, 3, 4}));
  // The new object's id is the first page.
  EXPECT_EQ(cLine().PageId(), PageIdOfIndex(0));
  EXPECT_EQ(PageIdOfIndex(2), 2);
}

TEST(PageIds, DrawingsBeforePageIdsShowEverything) {
  for (int version : {3054, 3058}) {
    SCOPED_TRACE(version);
    SingleSheetFile file;
    file.version = version;
    file.sheet.levels = {{u"0"}};
    file.sheet.lines = {LineOnPage(10, 0), LineOnPage(20, 0), LineOnPage(30, 0)};
    ScratchDir dir;
    const std::string path = (dir / "old.kvn").string();
    ASSERT_TRUE(SaveBytes(path, WriteSingleSheetFile(file)));
    const std::string out = RunDump(path);
    EXPECT_NE(out.find("\"pages\": 0, \"objectsOnPage\": [3]"), std::string::npos) << out;
    OpenRequest quiet;
    quiet.quiet = true;
    DocumentResult result = OpenDrawing(WString::FromUtf8(path), quiet);
    ASSERT_TRUE(result.Ok()) << result.Code();
    const cSheet& sheet = *result.Document()->GetFirstSheet();
    EXPECT_EQ(ShownOn(sheet, 0), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(ShownOn(sheet, 1), (std::vector<int>{0, 1, 2}));
  }
}

}  // namespace
}  // namespace kvn::test
