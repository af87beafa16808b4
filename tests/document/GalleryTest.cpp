// The gallery of geometry objects through the whole native reader and
// kvn-dump: every class is read, counted and measured.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "model/cBlock.h"
#include "model/cPolygon.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/support/GalleryFixture.h"
#include "tests/support/TestData.h"

namespace kvn::test {
namespace {

std::string RunGalleryDump(const std::string& path) {
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

TEST(Gallery, EveryGeometryClassIsRead) {
  ReadOutcome read = ReadNativeBytes(WriteNativeFile(GalleryDocument()));
  ASSERT_EQ(read.result, 0);
  ASSERT_EQ(read.document->SheetCount(), 1u);
  const cOutObj* o = read.document->GetSheet(0)->TopBlock().FirstObject();
  const std::uint8_t expected[] = {kTypeLine,    kTypeRectangle, kTypeCircle, kTypeArc,
                                   kTypePolygon, kTypeNPoly,     kTypeWall,   kTypePolygon};
  for (std::uint8_t type : expected) {
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->TypeCode(), type);
    o = o->next;
  }
  EXPECT_EQ(o, nullptr);
}

TEST(Gallery, KvnDumpCountsAndMeasuresIt) {
  ScratchDir dir;
  const std::string path = (dir / "gallery.kvn").string();
  ASSERT_TRUE(SaveBytes(path, WriteNativeFile(GalleryDocument())));
  std::ifstream in(std::string(KVN_GOLDEN_DIR) + "/kvn-dump-gallery.json", std::ios::binary);
  std::ostringstream golden;
  golden << in.rdbuf();
  ASSERT_FALSE(golden.str().empty());
  EXPECT_EQ(RunGalleryDump(path), golden.str());
}

}  // namespace
}  // namespace kvn::test
