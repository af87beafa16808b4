// kvn-dump and kvn-render when the heap runs out for good, as under an
// address-space limit: still their one JSON answer, the failed open the
// viewer would show with the language tables' out-of-memory text and the
// most bytes held, and a non-zero exit status; never silence.
//
// The limit is `ulimit -v`, set a step above what opening a small drawing
// takes. AddressSanitizer cannot run under such a limit (its shadow memory
// is reserved up front): a sanitized tool is given the same failure by its
// allocator instead (requests above a size refused).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/CountingAlloc.h"
#include "foundation/LangTable.h"
#include "import/records/ImportLosses.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  std::string out;
  int status = -1;
};

// The command's standard output (its errors dropped) and exit status.
ToolRun RunTool(const std::string& command) {
  ToolRun r;
  std::FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

bool Sanitized(const std::string& tool) {
  std::string out;
  std::FILE* pipe = popen(("ASAN_OPTIONS=help=1 " + tool + " 2>&1").c_str(), "r");
  if (!pipe) return false;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  pclose(pipe);
  return out.find("AddressSanitizer") != std::string::npos;
}

// A DXF of `lines` lines: 40 bytes of file and a few hundred of memory each.
void WriteLines(const fs::path& path, int lines) {
  std::ofstream out(path, std::ios::binary);
  out << "0\nSECTION\n2\nENTITIES\n";
  for (int i = 0; i < lines; ++i) out << "0\nLINE\n8\n0\n10\n" << i << "\n20\n0\n11\n" << i << "\n21\n1\n";
  out << "0\nENDSEC\n0\nEOF\n";
}

struct Tool {
  const char* name;
  std::string path;
  // The arguments after the drawing (a picture small enough for the
  // sanitizer's limit on one request).
  std::string after;
};

TEST(OutOfMemoryAnswerTest, ToolsAnswerWithTheViewersRefusalWhenMemoryRunsOut) {
  test::ScratchDir dir;
  const fs::path small = dir / "small.dxf", large = dir / "large.dxf";
  WriteLines(small, 10);
  WriteLines(large, 600000);
  // The text the tools print is in the language they read from the settings.
  SetLanguageIndex(ReadLanguageSetting());
  const std::string text = LoadLangString(kStrOutOfMemory).ToUtf8();
  InvalidateLangTable();
  const std::size_t marker = text.find("%s");
  ASSERT_NE(marker, std::string::npos);
  const std::string before = text.substr(0, marker);

  const Tool tools[] = {{"kvn-dump", KVN_DUMP_PATH, ""},
                        {"kvn-render", KVN_RENDER_PATH, " '" + (dir / "out.png").string() + "' --width 160 --height 120"}};
  for (const Tool& tool : tools) {
    SCOPED_TRACE(tool.name);
    auto command = [&](const fs::path& drawing) { return tool.path + " '" + drawing.string() + "'" + tool.after; };
    std::string limit;
    if (Sanitized(tool.path)) {
      limit = "ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=1:detect_leaks=0 ";
      ASSERT_EQ(RunTool(limit + command(small)).out.rfind("{\"result\": 0,", 0), 0u);
    } else {
      // The least address space (in steps of a quarter) in which the small
      // drawing opens, and a step more: the large one needs far more.
      std::uint64_t kilobytes = 48 * 1024;
      for (; kilobytes < 4 * 1024 * 1024; kilobytes += kilobytes / 4) {
        if (RunTool("ulimit -v " + std::to_string(kilobytes) + "; exec " + command(small)).out.rfind("{\"result\": 0,", 0) ==
            0)
          break;
      }
      ASSERT_LT(kilobytes, 4u * 1024 * 1024) << "the small drawing opens under no limit";
      limit = "ulimit -v " + std::to_string(kilobytes + kilobytes / 4) + "; exec ";
    }
    const ToolRun run = RunTool(limit + command(large));
    EXPECT_EQ(run.status, kOutOfMemoryExitCode) << run.out;
    // One JSON object on one line: the failed open and its message.
    EXPECT_EQ(run.out.rfind("{\"result\": 5001, ", 0), 0u) << run.out;
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
    EXPECT_TRUE(run.out.size() > 3 && run.out.compare(run.out.size() - 3, 3, "\"}\n") == 0) << run.out;
    const std::size_t told = run.out.find(before);
    ASSERT_NE(told, std::string::npos) << run.out;
    EXPECT_GT(std::strtoull(run.out.c_str() + told + before.size(), nullptr, 10), 0u) << run.out;
    EXPECT_NE(run.out.find("large.dxf"), std::string::npos) << run.out;
  }
}

}  // namespace
}  // namespace kvn
