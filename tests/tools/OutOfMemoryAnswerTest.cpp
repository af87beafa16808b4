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
#include <utility>

#include "document/DocumentResult.h"
#include "document/OpenFailureMessage.h"
#include "document/ResultCodes.h"
#include "foundation/CountingAlloc.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "import/records/ImportLosses.h"
#include "tests/support/Language.h"
#include "tests/support/TestData.h"
#include "tools/JsonText.h"

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
  // The answer's JSON up to the message.
  std::string head;
};

// The message of the refused open of `path` in JSON, split where the number
// of bytes goes.
std::pair<std::string, std::string> ExpectedMessage(const fs::path& path) {
  const WString number = u"<bytes>";
  const DocumentResult refusal = DocumentResult::Failure(kOpenNotReadable, kOpenNotReadable,
                                                         FormatPercentS(LoadLangString(kStrOutOfMemory), number));
  std::string json;
  tool::AppendJsonString(json, MakeOpenFailureMessage(refusal, WString::FromUtf8(path.string())).text.ToUtf8());
  const std::size_t at = json.rfind(number.ToUtf8());
  if (at == std::string::npos) return {json, ""};
  return {json.substr(0, at), json.substr(at + number.ToUtf8().size())};
}

TEST(OutOfMemoryAnswerTest, ToolsAnswerWithTheViewersRefusalWhenMemoryRunsOut) {
  test::ScratchDir dir;
  const fs::path small = dir / "small.dxf", large = dir / "large.dxf";
  WriteLines(small, 10);
  WriteLines(large, 600000);
  // The text the tools print is in the language they read from the settings.
  test::UseLanguage(ReadLanguageSetting());
  ASSERT_NE(LoadLangString(kStrOutOfMemory).ToUtf8().find("%s"), std::string::npos);
  const auto [before, after] = ExpectedMessage(large);
  InvalidateLangTable();

  const Tool tools[] = {
      {"kvn-dump", KVN_DUMP_PATH, "", "{\"result\": 5001, \"version\": null, \"sheets\": [], \"message\": "},
      {"kvn-render", KVN_RENDER_PATH, " '" + (dir / "out.png").string() + "' --width 160 --height 120",
       "{\"result\": 5001, \"message\": "}};
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
    // The whole answer, one JSON object on one line: the failed open and its
    // message with the most bytes held in place of the text's %s.
    const std::string open = tool.head + before, close = after + "}\n";
    ASSERT_GT(run.out.size(), open.size() + close.size()) << run.out;
    EXPECT_EQ(run.out.substr(0, open.size()), open);
    EXPECT_EQ(run.out.substr(run.out.size() - close.size()), close);
    const std::string bytes = run.out.substr(open.size(), run.out.size() - open.size() - close.size());
    EXPECT_EQ(bytes.find_first_not_of("0123456789"), std::string::npos) << bytes;
    EXPECT_GT(std::strtoull(bytes.c_str(), nullptr, 10), 0u) << run.out;
  }
}

}  // namespace
}  // namespace kvn
