// kvn-dump on a drawing whose name, and whose folder's name, are not UTF-8
// (Latin-1, as copied from an old disk): it opens by its bytes and answers
// as for the same drawing under a plain name; a missing one is named with
// U+FFFD for the stray byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

std::string DumpOf(const std::string& path) {
  std::string out;
  // The name is passed as it is, in single quotes (none of the tests' names holds one).
  std::FILE* pipe = popen((std::string(KVN_DUMP_PATH) + " '" + path + "' 2>/dev/null").c_str(), "r");
  if (!pipe) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  pclose(pipe);
  return out;
}

TEST(DumpByteNamesTest, ADrawingNamedInLatin1OpensAsUnderAPlainName) {
  KVN_REQUIRE_TESTDATA(data);
  const fs::path sample = data / "dxf" / "ezdxf_AC1003_LINE_Example.dxf";
  test::ScratchDir dir;
  const fs::path plain = dir / "plain.dxf";
  fs::copy_file(sample, plain);
  const fs::path folder = dir / "pl\xE1ny";
  fs::create_directory(folder);
  const fs::path latin1 = folder / "caf\xE9.dxf";
  fs::copy_file(sample, latin1);

  const std::string expected = DumpOf(plain.string());
  ASSERT_EQ(expected.rfind("{\"result\": 0,", 0), 0u) << expected;
  EXPECT_EQ(DumpOf(latin1.string()), expected);

  // Missing: the message names the file as the user sees it.
  const std::string missing = DumpOf((folder / "nowhere\xE9.dxf").string());
  EXPECT_EQ(missing.find("{\"result\": 0,"), std::string::npos) << missing;
  EXPECT_NE(missing.find("nowhere\xEF\xBF\xBD.dxf"), std::string::npos) << missing;
}

}  // namespace
}  // namespace kvn
