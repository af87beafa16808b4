// kvn-dump given what a careless user gives the viewer: a named pipe, a
// folder, a Windows metafile cut at a record boundary, a drawing whose
// picture may not be read. Each answers at once with the viewer's own
// message or warning.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "document/PartialReadNotice.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/SystemError.h"
#include "foundation/TextFormat.h"
#include "import/records/ImportLosses.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/OleFixtures.h"
#include "tests/support/TestData.h"
#include "tests/support/UnopenableFiles.h"
#include "tools/JsonText.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kCannotHold = 77;

struct Answer {
  std::string out;
  bool finished = false;
  int status = -1;
};

// kvn-dump's standard output for `file`, killed should it run past
// `limit`. `heldToPermissions`: run as root, it is held to files'
// permissions (root's overriding of them is out of its bounding set).
Answer Dump(const fs::path& file, bool heldToPermissions, std::chrono::milliseconds limit = 30s) {
  Answer answer;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return answer;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(fds[1], 1);
    const int quiet = ::open("/dev/null", O_WRONLY);
    if (quiet >= 0) ::dup2(quiet, 2);
    if (heldToPermissions && ::geteuid() == 0 &&
        (::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0 ||
         ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) != 0))
      ::_exit(kCannotHold);
    ::execl(KVN_DUMP_PATH, "kvn-dump", file.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    return answer;
  }
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{fds[0], POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, int(left.count())) <= 0) break;
    char buffer[4096];
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n <= 0) {
      answer.finished = n == 0;
      break;
    }
    answer.out.append(buffer, std::size_t(n));
  }
  ::close(fds[0]);
  if (!answer.finished) ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  answer.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return answer;
}

std::string Json(const WString& text) {
  std::string out;
  tool::AppendJsonString(out, text.ToUtf8());
  return out;
}

WString SystemText(std::uint32_t code) { return WString::FromUtf8(GetSystemErrorText(code).View()); }

// "Cannot open the file:", the name and the reason, as kvn-dump's message.
std::string Refusal(const fs::path& path, std::uint32_t reason) {
  WString text = LoadLangString(kStrCannotOpenFile);
  text.AppendChar(u'\n');
  text.Append(WString::FromUtf8(path.string()));
  text.AppendCStr(u"\n\n");
  text.Append(SystemText(reason));
  return "\"message\": " + Json(text);
}

bool Save(const fs::path& path, const std::string& bytes) {
  return bool(std::ofstream(path, std::ios::binary) << bytes);
}

class KvnDumpRefusals : public ::testing::Test {
 protected:
  void SetUp() override {
    // The tool speaks the language of the settings: so do the texts here.
    SetLanguageIndex(ReadLanguageSetting());
    InvalidateLangTable();
  }
  void TearDown() override {
    SetLanguageIndex(saved_);
    InvalidateLangTable();
  }
  const int saved_ = GetLanguageIndex();
  test::ScratchDir dir_;
};

TEST_F(KvnDumpRefusals, APipeAndAFolderAreNamedForWhatTheyAreAtOnce) {
  const fs::path pipe = dir_ / "pipe.dxf", folder = dir_ / "folder.dxf";
  ASSERT_TRUE(test::MakePipe(pipe));
  ASSERT_TRUE(fs::create_directory(folder));
  for (const auto& [path, reason] :
       {std::pair{pipe, kErrorBadFileType}, std::pair{folder, kErrorDirectoryNotSupported}}) {
    SCOPED_TRACE(path.filename().string());
    const Answer answer = Dump(path, false);
    ASSERT_TRUE(answer.finished) << "kvn-dump still waited after 30 s: " << answer.out;
    EXPECT_EQ(answer.status, 0);
    EXPECT_EQ(answer.out.rfind("{\"result\": 5001,", 0), 0u) << answer.out;
    EXPECT_NE(answer.out.find(Refusal(path, reason)), std::string::npos) << answer.out;
  }
}

TEST_F(KvnDumpRefusals, AWindowsMetafileCutAtARecordBoundaryIsToldAndTheWholeOneIsNot) {
  KVN_REQUIRE_TESTDATA(data);
  std::ifstream in(data / "metafile" / "libwmf_sample.wmf", std::ios::binary);
  const std::string whole{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_EQ(whole.size(), 19664u);
  // The placeable and the Windows headers alone (22 + 18 bytes), the file
  // cut after its 321st record of 642, and the whole file.
  const struct {
    const char* name;
    std::size_t bytes;
  } cuts[] = {{"headers.wmf", 40}, {"half.wmf", 9434}, {"whole.wmf", whole.size()}};
  for (const auto& cut : cuts) {
    SCOPED_TRACE(cut.name);
    const fs::path path = dir_ / cut.name;
    ASSERT_TRUE(Save(path, whole.substr(0, cut.bytes)));
    const Answer answer = Dump(path, false);
    ASSERT_TRUE(answer.finished);
    EXPECT_EQ(answer.out.rfind("{\"result\": 0,", 0), 0u) << answer.out;
    EXPECT_NE(answer.out.find("\"objects\": {\"cWmf\": 1}"), std::string::npos) << answer.out;
    const std::string notice = "\"warnings\": [" + Json(PartialReadText(WString::FromUtf8(path.string()))) + "]";
    EXPECT_EQ(answer.out.find(notice) != std::string::npos, cut.bytes != whole.size()) << answer.out;
  }
}

TEST_F(KvnDumpRefusals, APictureThatMayNotBeReadIsToldAsNotOpened) {
  const fs::path picture = dir_ / "pic.bmp", drawing = dir_ / "plan.dxf";
  ASSERT_TRUE(Save(picture, test::SmallBmpFile(4, 3, 0x00FF00)));
  ASSERT_EQ(::chmod(picture.c_str(), 0), 0);
  test::DxfWriter w;
  w.Section("ENTITIES").Line("0", 0, 0, 1, 1);
  w.Str(0, "IMAGE").Str(8, "0").Point(10, 0, 0).Point(11, 1, 0, 0).Point(12, 0, 1, 0).Real(13, 4).Real(23, 3);
  w.Str(340, "2A").EndSection();
  w.Section("OBJECTS").Str(0, "IMAGEDEF").Str(5, "2A").Str(1, "pic.bmp").EndSection().Eof();
  ASSERT_TRUE(Save(drawing, w.Bytes()));
  const Answer answer = Dump(drawing, true);
  if (answer.status == kCannotHold) GTEST_SKIP() << "root's overriding of file permissions could not be dropped";
  ASSERT_TRUE(answer.finished);
  EXPECT_EQ(answer.out.rfind("{\"result\": 0,", 0), 0u) << answer.out;
  const WString told = FormatPercentS2(LoadLangString(kStrPictureNotOpened), WString::FromUtf8(picture.string()),
                                       SystemText(kErrorAccessDenied));
  EXPECT_NE(answer.out.find("\"warnings\": [" + Json(told) + "]"), std::string::npos) << answer.out;
}

}  // namespace
}  // namespace kvn
