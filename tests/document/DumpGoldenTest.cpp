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

TEST(KvnDump, DamagedFileStillPrintsItsResult) {
  ScratchDir dir;
  FixtureDocument doc = TwoSheetDocument();
  doc.checksumDelta = 1;
  const std::string path = (dir / "damaged.kvn").string();
  ASSERT_TRUE(SaveBytes(path, WriteNativeFile(doc)));
  int status = -1;
  const std::string out = RunDump(path, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out, "{\"result\": " + std::to_string(kLoadChecksumMismatch) + ", \"version\": null, \"sheets\": []}\n");
  EXPECT_EQ(RunDump((dir / "missing.kvn").string(), &status),
            "{\"result\": " + std::to_string(kOpenNotReadable) + ", \"version\": null, \"sheets\": []}\n");
}

}  // namespace
}  // namespace kvn::test
