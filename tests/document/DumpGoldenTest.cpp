// kvn-dump on the two-sheet fixture prints exactly the golden JSON, and on
// a damaged file still prints one document with the result code.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "document/ResultCodes.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/support/TestData.h"

namespace kvn::test {
namespace {

// Standard output of kvn-dump and its exit status.
std::string RunDump(const std::string& path, int* status) {
  const std::string command = std::string(KVN_DUMP_PATH) + " '" + path + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  if (!pipe) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  *status = pclose(pipe);
  return out;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(KvnDump, TwoSheetFixtureMatchesTheGoldenJson) {
  ScratchDir dir;
  const std::string path = (dir / "two-sheets.kvn").string();
  ASSERT_TRUE(SaveBytes(path, WriteNativeFile(TwoSheetDocument())));
  int status = -1;
  const std::string out = RunDump(path, &status);
  EXPECT_EQ(status, 0);
  const std::string golden = ReadText(std::string(KVN_GOLDEN_DIR) + "/kvn-dump-two-sheets.json");
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(out, golden);
}

TEST(KvnDump, NestedInsertsMatchTheGoldenJson) {
  ScratchDir dir;
  const std::string path = (dir / "inserts.kvn").string();
  ASSERT_TRUE(SaveBytes(path, WriteNativeFile(NestedInsertDocument(3111))));
  int status = -1;
  const std::string out = RunDump(path, &status);
  EXPECT_EQ(status, 0);
  const std::string golden = ReadText(std::string(KVN_GOLDEN_DIR) + "/kvn-dump-inserts.json");
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(out, golden);
}

TEST(KvnDump, DamagedFileStillPrintsItsResult) {
  ScratchDir dir;
  FixtureDocument doc = TwoSheetDocument();
  doc.checksumDelta = 1;
  const std::string path = (dir / "damaged.kvn").string();
  ASSERT_TRUE(SaveBytes(path, WriteNativeFile(doc)));
  int status = -1;
  const std::string out = RunDump(path, &status);
  EXPECT_EQ(status, 0);
  // The failure's message follows the result, as the viewer would show it.
  const std::string damaged =
      "{\"result\": " + std::to_string(kLoadChecksumMismatch) + ", \"version\": null, \"sheets\": [], \"message\": \"";
  ASSERT_GT(out.size(), damaged.size());
  EXPECT_EQ(out.substr(0, damaged.size()), damaged);
  EXPECT_NE(out.find("damaged.kvn"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 3), "\"}\n");
  const std::string missing = RunDump((dir / "missing.kvn").string(), &status);
  const std::string notReadable =
      "{\"result\": " + std::to_string(kOpenNotReadable) + ", \"version\": null, \"sheets\": [], \"message\": \"";
  EXPECT_EQ(missing.substr(0, notReadable.size()), notReadable);
  EXPECT_NE(missing.find("missing.kvn"), std::string::npos);
}

}  // namespace
}  // namespace kvn::test
