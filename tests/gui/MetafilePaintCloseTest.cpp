// A long metafile paint leaves the viewer answering its keys and its close:
// the real viewer, on the test's display, shows a drawing whose one picture
// is a metafile of flood fills, so many that one paint of it takes minutes
// on this machine (the count is found here, from the time a few fills take
// in this process), and is sent Ctrl+Q while it paints. It ends with status
// 0 within a tenth of one paint.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RasterDC.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;
using test::Shell;

std::filesystem::path ViewerPath() {
  if (const char* v = std::getenv("KVN_VIEWER"); v && *v) return v;
  // This program is <build>/tests/gui/<name>; the viewer <build>/app/kvn-viewer.
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path().parent_path() / "app" /
         "kvn-viewer";
}

void Record(EmfBuilder& b, std::uint32_t type, std::initializer_list<std::uint32_t> fields) {
  std::uint8_t* p = b.Add(type, 8 + 4 * fields.size());
  if (p == nullptr) return;
  std::uint32_t at = 8;
  for (const std::uint32_t v : fields) {
    le::Put32(p + at, v);
    at += 4;
  }
}

// An A4 landscape picture (0.1 mm units): a black-edged white box over it
// all, then `fills` surface fills from its middle, each of the box's
// inside in the other of two colours.
std::vector<std::uint8_t> FloodFills(int fills) {
  constexpr std::uint32_t kRed = 0x0000C0, kBlue = 0xC00000, kWhite = 0xFFFFFF;
  constexpr std::uint32_t kEmrHeader = 1, kSelectObject = 37, kCreateBrush = 39, kRectangle = 43, kExtFloodFill = 53;
  EmfBuilder b(std::uint64_t(1) << 26);
  Record(b, kEmrHeader, {0, 0, 2969, 2099, 0, 0, 29699, 20999, kEmfSignature, 0x10000, 0, 0, 0, 0, 0, 0, 2970, 2100,
                         297, 210, 0, 0, 0, 0, 0});
  Record(b, kCreateBrush, {1, 0, kRed, 0});
  Record(b, kCreateBrush, {2, 0, kBlue, 0});
  Record(b, kCreateBrush, {3, 0, kWhite, 0});
  Record(b, kSelectObject, {3});
  Record(b, kSelectObject, {0x80000007});  // BLACK_PEN
  Record(b, kRectangle, {10, 10, 2960, 2090});
  std::uint32_t under = kWhite;
  for (int i = 0; i < fills; ++i) {
    Record(b, kSelectObject, {std::uint32_t(1 + i % 2)});
    Record(b, kExtFloodFill, {1485, 1050, under, 1});  // FLOODFILLSURFACE
    under = i % 2 ? kBlue : kRed;
  }
  b.Finish(4);
  return {b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count()};
}

// The CPU time of one fill of the picture's box on a raster target far
// smaller than any window's view of the page, in this process.
std::chrono::duration<double> OneFill() {
  constexpr int kFills = 60, kWidth = 200, kHeight = 141;
  const std::vector<std::uint8_t> bytes = FloodFills(kFills);
  const std::optional<EmfDocument> emf = EmfDocument::FromBytes(bytes.data(), bytes.size());
  std::vector<std::uint8_t> bits(std::size_t(kWidth) * kHeight * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), kWidth, kHeight);
  if (!emf || !dc) return {};
  const std::clock_t start = std::clock();
  PlayEnhMetaFile(*dc, *emf, TRect{0, 0, kWidth, kHeight});
  dc->Flush();
  return std::chrono::duration<double>(double(std::clock() - start) / CLOCKS_PER_SEC / kFills);
}

// The CPU seconds the process has used so far.
double CpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  // After the name: state is field 3, utime 14 and stime 15.
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// The drawing of one picture of `fills` fills, saved as `file`.
bool SaveDrawing(const std::filesystem::path& file, int fills) {
  auto picture = std::make_shared<cWmf>();
  picture->SetBits(FloodFills(fills));
  picture->frame = PictureFrame{{0, 0}, 297, 210, 0};
  test::FixtureSheet sheet;
  sheet.name = u"Fills";
  sheet.objects = {picture};
  test::FixtureDocument doc;
  doc.sheets = {sheet};
  return test::SaveBytes(file.string(), test::WriteNativeFile(doc));
}

class MetafilePaintCloseTest : public ::testing::Test {
 protected:
  void TearDown() override { Kill(); }
  void Kill() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }
  // Starts the viewer on `file` and waits until its title names it.
  void Open(const std::filesystem::path& file) {
    pid_ = fork();
    if (pid_ == 0) {
      setenv("KVN_SETTINGS_DIR", settings_.Path().c_str(), 1);
      setenv("LANG", "C.UTF-8", 1);
      const std::string viewer = ViewerPath().string();
      execl(viewer.c_str(), viewer.c_str(), file.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    const std::string pid = std::to_string(pid_);
    window_.clear();
    ASSERT_TRUE(test::WaitUntil([&] {
      window_ = Shell("xdotool search --onlyvisible --pid " + pid + " 2>/dev/null | head -1");
      return !window_.empty() || waitpid(pid_, nullptr, WNOHANG) == pid_;
    }) && !window_.empty()) << "the viewer showed no window";
    const std::string name = file.filename().string();
    ASSERT_TRUE(test::WaitUntil([&] {
      return Shell("xdotool getwindowname " + window_).find(name) != std::string::npos;
    })) << "the drawing did not open: " << Shell("xdotool getwindowname " + window_);
  }
  // Whether the viewer (idle otherwise: far below a hundredth of a core)
  // is working now. A tenth of the half second, not most of it: on a
  // loaded machine a viewer that paints all the time gets a share of a core.
  bool Busy() const {
    const double before = CpuSeconds(pid_);
    std::this_thread::sleep_for(500ms);
    return CpuSeconds(pid_) - before > 0.05;
  }
  // Sends Ctrl+Q and waits for the viewer's end, at most `limit`: how long
  // it took, none when it did not end.
  std::optional<std::chrono::milliseconds> Close(std::chrono::milliseconds limit) {
    const auto sent = std::chrono::steady_clock::now();
    Shell("xdotool windowfocus --sync " + window_ + " key ctrl+q");
    int status = -1;
    const bool ended = test::WaitUntil([&] {
      int s = 0;
      if (waitpid(pid_, &s, WNOHANG) != pid_) return false;
      pid_ = -1;
      status = WIFEXITED(s) ? WEXITSTATUS(s) : 128 + WTERMSIG(s);
      return true;
    }, limit);
    if (!ended) return std::nullopt;
    EXPECT_EQ(status, 0);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent);
  }

  pid_t pid_ = -1;
  std::string window_;
  test::ScratchDir settings_;
  test::ScratchDir files_;
};

TEST_F(MetafilePaintCloseTest, CtrlQClosesTheViewerWhileAPictureOfFloodFillsPaints) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  ASSERT_TRUE(std::filesystem::exists(ViewerPath())) << "viewer not built at " << ViewerPath();
  // One paint: at least five minutes of fills, at most 350,000 of them
  // (12.6 MB of records).
  const std::chrono::duration<double> fill = OneFill();
  ASSERT_GT(fill.count(), 0.0);
  const int fills = int(std::clamp(300.0 / fill.count(), 1000.0, 350000.0));
  const std::chrono::duration<double> paint = fill * fills;
  std::printf("%d fills of %.3f ms each: one paint at least %.0f s\n", fills, fill.count() * 1000, paint.count());

  // How long the viewer takes to close on this machine, a picture of one
  // fill drawn and the viewer idle.
  const std::filesystem::path quick = files_.Path() / "one.kvn";
  ASSERT_TRUE(SaveDrawing(quick, 1));
  Open(quick);
  if (HasFatalFailure()) return;
  ASSERT_TRUE(test::WaitUntil([&] { return !Busy(); })) << "the viewer stayed busy over one fill";
  const std::optional<std::chrono::milliseconds> idle = Close(test::kStateLimit);
  ASSERT_TRUE(idle) << "the idle viewer did not close";

  // The long picture, and Ctrl+Q while it paints: the paint gives way to
  // the key within the few milliseconds it asks in, whatever a fill costs,
  // and the viewer ends about as fast as it did idle. A paint that heard
  // the key only every thousand fills of the window would take seconds more.
  const std::filesystem::path file = files_.Path() / "fills.kvn";
  ASSERT_TRUE(SaveDrawing(file, fills));
  Open(file);
  if (HasFatalFailure()) return;
  ASSERT_TRUE(test::WaitUntil([&] { return Busy(); })) << "the viewer never began to paint the picture";
  const auto limit = 3 * *idle + 1000ms;
  const auto bound = std::chrono::duration_cast<std::chrono::milliseconds>(paint / 10);
  ASSERT_LT(limit, bound) << "one paint is too short to tell a close that waits for it";
  const std::optional<std::chrono::milliseconds> took = Close(std::max(bound, std::chrono::milliseconds(test::kStateLimit)));
  ASSERT_TRUE(took) << "the viewer was still open long after Ctrl+Q";
  std::printf("closed in %lld ms while painting, %lld ms idle\n", static_cast<long long>(took->count()),
              static_cast<long long>(idle->count()));
  EXPECT_LT(*took, limit) << "Ctrl+Q waited behind the picture's paint";
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
