// kvn-dump on DGN files: a written design file prints its "source" object
// (element types as drawn, layers, cells, what was skipped and why); the
// V8 sample prints the DGN refusal with its message.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "document/ResultCodes.h"
#include "tests/support/DgnWriter.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn::test {
namespace {

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

TEST(KvnDumpDgn, WrittenDesignFileTellsItsSource) {
  DgnWriter w;
  DgnElement tiny(36, 0);
  DgnWriter::Finish(tiny, 17, 1, 0);
  w.Add(w.Tcb(10, 100)).Add(w.Line(1, 1, {0, 0, 0}, {1000, 0, 0}));
  w.Add(w.Cell("DOOR", 2, {0, 0, 0}, {w.Line(2, 3, {0, 0, 0}, {0, 500, 0}), w.Arc(16, 2, 3, {0, 0, 0}, 0.5, 0.5, 0, 0, 90)}));
  w.Add(w.Complex(14, 3, 4, {w.MultiPoint(4, 3, 4, {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {0, 0, 0}})}, 2));
  w.Add(DgnWriter::Deleted(w.Line(1, 1, {0, 0, 0}, {5, 5, 0}))).Add(tiny);
  ScratchDir dir;
  const std::string path = (dir / "written.dgn").string();
  ASSERT_TRUE(SaveBytes(path, w.Bytes()));
  int status = -1;
  const std::string out = RunDump(path, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out.rfind("{\"result\": 0,", 0), 0u) << out;
  EXPECT_NE(out.find("\"source\": {\"format\": \"DGN\", \"version\": \"V7\", \"entities\": {\"ARC\": 1, "
                     "\"COMPLEX_SHAPE\": 1, \"LINE\": 2}, \"layers\": 64, \"blocks\": 1, \"skipped\": {\"LINE\": "
                     "1, \"TEXT\": 1}, \"skippedReasons\": {\"LINE\": {\"deleted\": 1}, \"TEXT\": {\"cut short\": "
                     "1}}, \"readError\": null}"),
            std::string::npos)
      << out;
}

TEST(KvnDumpDgn, V8SampleIsRefused) {
  KVN_REQUIRE_TESTDATA(data);
  int status = -1;
  const std::string out = RunDump((data / "dgn/bentley_2dMetricGeneral_V8.dgn").string(), &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out.rfind("{\"result\": " + std::to_string(kOpenDgnFailed), 0), 0u) << out;
  EXPECT_NE(out.find("DGN (V8 version) is not supported"), std::string::npos) << out;
}

}  // namespace
}  // namespace kvn::test
