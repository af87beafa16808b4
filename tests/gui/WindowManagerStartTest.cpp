// The real viewer started under a window manager (openbox), on displays of
// two sizes, three times on each: every start maps the frame, gets its frame
// from the manager, paints and quits by Ctrl+Q with status 0, and its
// standard error holds no Gtk-CRITICAL. Under a manager that reports frame
// extents the toolkit shows a new frame in another order than without one
// (the display of the other GUI tests has no manager), and the frame's
// first layout at a size of 2 x 1 pixels made GTK warn at almost every
// start. The second and third starts restore the placement the one before
// saved.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/gui/GuiTestSupport.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using test::Shell;

// How far the centre of a box's inside may lie from its frame's: the
// toolkit places a box with the manager's frame of the main window, whose
// bottom edge is 4 pixels taller than a dialog's (0 pixels off, measured).
constexpr int kCentreTolerance = 6;

std::filesystem::path ViewerPath() {
  if (const char* v = std::getenv("KVN_VIEWER"); v && *v) return v;
  // This program is <build>/tests/gui/<name>; the viewer <build>/app/kvn-viewer.
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path().parent_path() / "app" /
         "kvn-viewer";
}

bool Have(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

// Ends a child process of the test: SIGTERM, then SIGKILL once it has not
// ended within the bound.
void EndChild(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  if (!test::WaitUntil([&] { return waitpid(pid, nullptr, WNOHANG) == pid; })) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
}

// An X server of its own at one screen size. Xvfb picks a free display
// number and writes it once it accepts connections (as tests/gui/xvfb-run.sh
// has it do); -noreset keeps it from resetting whenever the short xdotool
// and xprop runs leave it without clients.
class PrivateDisplay {
 public:
  PrivateDisplay(const std::string& size, const std::filesystem::path& log) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out >= 0) {
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
      }
      const std::string fd = std::to_string(fds[1]);
      const std::string screen = size + "x24";
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
             "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // Up to the line's end: Xvfb writes the number and the line break
    // apart, and dies when the second write finds the pipe closed.
    std::string number;
    const auto end = std::chrono::steady_clock::now() + test::kStateLimit;
    while (pid_ > 0 && number.find('\n') == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      pollfd ready{fds[0], POLLIN, 0};
      if (left.count() <= 0 || poll(&ready, 1, int(left.count())) <= 0) break;
      char buffer[32] = {};
      const ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      number.append(buffer, std::size_t(n));
    }
    close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
    if (!number.empty() && number.find_first_not_of("0123456789") == std::string::npos) name_ = ":" + number;
  }
  ~PrivateDisplay() { EndChild(pid_); }
  PrivateDisplay(const PrivateDisplay&) = delete;
  PrivateDisplay& operator=(const PrivateDisplay&) = delete;

  // ":N", empty when the server did not start within the bound.
  const std::string& Name() const { return name_; }
  // A shell command run against this display.
  std::string Run(const std::string& command) const { return Shell("DISPLAY=" + name_ + " " + command); }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

// openbox on a display, with a home of its own (it keeps its session and
// cache files there).
class WindowManager {
 public:
  WindowManager(const PrivateDisplay& display, const std::filesystem::path& home) {
    pid_ = fork();
    if (pid_ == 0) {
      setenv("DISPLAY", display.Name().c_str(), 1);
      setenv("HOME", home.c_str(), 1);
      setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
      setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
      const int log = open((home / "openbox.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (log >= 0) {
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
      }
      execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~WindowManager() { EndChild(pid_); }
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;

 private:
  pid_t pid_ = -1;
};

// One run of the viewer on `display`, its standard error into `errFile`.
class ViewerRun {
 public:
  ViewerRun(const PrivateDisplay& display, const std::filesystem::path& settings, const std::filesystem::path& errFile,
            const std::string& drawing = std::string())
      : display_(display) {
    pid_ = fork();
    if (pid_ == 0) {
      setenv("DISPLAY", display.Name().c_str(), 1);
      setenv("KVN_SETTINGS_DIR", settings.c_str(), 1);
      setenv("LANG", "C.UTF-8", 1);  // the system language rule gives English
      const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (err >= 0) dup2(err, STDERR_FILENO);
      const std::string viewer = ViewerPath().string();
      execl(viewer.c_str(), viewer.c_str(), drawing.empty() ? nullptr : drawing.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~ViewerRun() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  ViewerRun(const ViewerRun&) = delete;
  ViewerRun& operator=(const ViewerRun&) = delete;

  // The frame once it is mapped; empty when it never was within the bound.
  std::string WaitMapped() {
    test::WaitUntil([&] {
      window_ = display_.Run("xdotool search --onlyvisible --pid " + std::to_string(pid_) + " 2>/dev/null | head -1");
      return !window_.empty() || Ended();
    });
    return window_;
  }
  // The frame's extents as the manager set them on it ("l, r, t, b").
  std::string FrameExtents() const {
    const std::string line = display_.Run("xprop -id " + window_ + " _NET_FRAME_EXTENTS 2>/dev/null");
    const std::size_t equals = line.find(" = ");
    return equals == std::string::npos ? std::string() : line.substr(equals + 3);
  }
  // The viewer's mapped windows (decimal ids, as xdotool gives them).
  std::vector<std::string> Windows() const {
    std::vector<std::string> ids;
    std::istringstream lines(
        display_.Run("xdotool search --onlyvisible --pid " + std::to_string(pid_) + " 2>/dev/null"));
    for (std::string id; std::getline(lines, id);) ids.push_back(id);
    return ids;
  }
  // The window `window` is transient for, as a decimal id; empty for none.
  std::string TransientFor(const std::string& window) const {
    const std::string line = display_.Run("xprop -id " + window + " WM_TRANSIENT_FOR 2>/dev/null");
    const std::size_t hash = line.find("# 0x");
    return hash == std::string::npos ? std::string()
                                     : std::to_string(std::stoul(line.substr(hash + 4), nullptr, 16));
  }
  // Whether the frame's top left corner (its menu bar) is drawn: until its
  // first paint it shows the display's black.
  bool Painted() const {
    const std::string pixel =
        display_.Run("import -window " + window_ + " -crop 1x1+4+4 txt:- 2>/dev/null");
    return pixel.find("0,0:") != std::string::npos && pixel.find("#000000") == std::string::npos;
  }
  // Ctrl+Q until the viewer has ended; its exit status, -1 when it did not
  // end within the bound. The key goes again every few seconds: one sent
  // before the frame takes keys is lost, and once the frame has gone the
  // key reaches no window of the viewer.
  int Quit() {
    test::WaitUntil([&] {
      display_.Run("xdotool windowactivate --sync " + window_ + " key ctrl+q 2>/dev/null");
      return test::WaitUntil([&] { return Ended(); }, std::chrono::seconds(3));
    });
    return exited_ ? status_ : -1;
  }

 private:
  bool Ended() {
    if (exited_) return true;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
    exited_ = true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
  }

  const PrivateDisplay& display_;
  pid_t pid_ = -1;
  bool exited_ = false;
  int status_ = -1;
  std::string window_;
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The manager's clients from the bottom of its stacking to the top
// (decimal ids).
std::vector<std::string> Stacking(const PrivateDisplay& display) {
  const std::string line = display.Run("xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null");
  std::vector<std::string> ids;
  for (std::size_t at = line.find("0x"); at != std::string::npos; at = line.find("0x", at + 2))
    ids.push_back(std::to_string(std::stoul(line.substr(at + 2), nullptr, 16)));
  return ids;
}

// A window's inside on the screen: x, y, width, height.
std::array<int, 4> PlaceOf(const PrivateDisplay& display, const std::string& window) {
  const std::string info = display.Run("xwininfo -id " + window + " 2>/dev/null");
  std::array<int, 4> place{};
  const char* const keys[] = {"Absolute upper-left X:", "Absolute upper-left Y:", "Width:", "Height:"};
  for (std::size_t i = 0; i < place.size(); ++i) {
    if (const std::size_t at = info.find(keys[i]); at != std::string::npos)
      place[i] = std::atoi(info.c_str() + at + std::strlen(keys[i]));
  }
  return place;
}

class WindowManagerStartTest : public ::testing::TestWithParam<const char*> {
 protected:
  // The manager runs once it has named its check window on the root; the
  // toolkit takes the frame extents' road only when the manager offers
  // _NET_REQUEST_FRAME_EXTENTS, so without it these tests would test nothing.
  static ::testing::AssertionResult ManagerUp(const PrivateDisplay& display, const std::filesystem::path& home) {
    std::string supported;
    if (test::WaitUntil([&] {
          if (display.Run("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null").find("window id") == std::string::npos)
            return false;
          supported = display.Run("xprop -root _NET_SUPPORTED 2>/dev/null");
          return supported.find("_NET_REQUEST_FRAME_EXTENTS") != std::string::npos;
        }))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "openbox did not come up on " << display.Name()
                                         << " offering _NET_REQUEST_FRAME_EXTENTS: " << supported << "\nits output:\n"
                                         << ReadFile(home / "openbox.log") << "\nXvfb's:\n"
                                         << ReadFile(home / "xvfb.log");
  }

  void SetUp() override {
    // The whole build makes the viewer; a missing one is a fault, not a skip.
    ASSERT_TRUE(std::filesystem::exists(ViewerPath())) << "viewer not built at " << ViewerPath();
    if (!Have("openbox") || !Have("Xvfb") || !Have("xdotool") || !Have("xprop") || !Have("import")) {
      const char* ci = std::getenv("CI");
      if (ci && std::string(ci) == "true") FAIL() << "openbox, Xvfb, xdotool, xprop or import missing, and CI=true";
      GTEST_SKIP() << "openbox, Xvfb, xdotool, xprop or import missing (scripts/install-deps.sh)";
    }
  }
};

TEST_P(WindowManagerStartTest, StartsWithoutToolkitCriticals) {
  constexpr int kStarts = 3;
  test::ScratchDir home;
  PrivateDisplay display(GetParam(), home / "xvfb.log");
  ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start at " << GetParam();
  WindowManager manager(display, home.Path());
  ASSERT_TRUE(ManagerUp(display, home.Path()));

  test::ScratchDir settings;
  test::ScratchDir logs;
  for (int start = 1; start <= kStarts; ++start) {
    SCOPED_TRACE(std::string("screen ") + GetParam() + ", start " + std::to_string(start));
    const std::filesystem::path errFile = logs / ("stderr-" + std::to_string(start) + ".txt");
    {
      ViewerRun viewer(display, settings.Path(), errFile);
      ASSERT_FALSE(viewer.WaitMapped().empty()) << "the viewer mapped no window; its standard error:\n"
                                                << ReadFile(errFile);
      // The manager has framed the window and told it so: the toolkit has
      // been through its show under a manager.
      EXPECT_TRUE(test::WaitUntil([&] { return !viewer.FrameExtents().empty(); }))
          << "the manager set no frame extents on the viewer's frame";
      EXPECT_TRUE(test::WaitUntil([&] { return viewer.Painted(); })) << "the viewer's frame was never painted";
      EXPECT_EQ(viewer.Quit(), 0) << "the viewer did not quit by Ctrl+Q";
    }
    const std::string err = ReadFile(errFile);
    EXPECT_EQ(err.find("Gtk-CRITICAL"), std::string::npos) << "the viewer's standard error:\n" << err;
  }
}

// Drawings named on the command line whose open raises a box: a folder
// (refused at once), a drawing whose referred file is missing (asked
// whether to look for it) and a missing file under a path of some 4,400
// bytes (refused, the path shown). Each box is the frame's transient, stacked
// above it by the manager, centred on it and inside the screen. Raised
// before the manager had mapped the frame, every box was stacked under it;
// the long path, unbroken, made a box 1,590 pixels wide.
TEST_P(WindowManagerStartTest, BoxesOfTheCommandLineOpenComeAboveTheFrame) {
  test::ScratchDir home;
  PrivateDisplay display(GetParam(), home / "xvfb.log");
  ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start at " << GetParam();
  WindowManager manager(display, home.Path());
  ASSERT_TRUE(ManagerUp(display, home.Path()));
  int screenWidth = 0, screenHeight = 0;
  ASSERT_EQ(std::sscanf(GetParam(), "%dx%d", &screenWidth, &screenHeight), 2);

  test::ScratchDir files;
  const std::filesystem::path folder = files / "folder.dxf", host = files / "host.kvn";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  test::FixtureDocument document;
  document.sheets.resize(2);
  document.sheets[0].name = u"Own";
  document.sheets[0].lines.push_back(test::FixtureLine{{10, 10}, {200, 150}});
  document.sheets[1] = {.name = u"Ref", .reference = true, .referencePath = u"gone.kvn", .referenceKind = 1};
  ASSERT_TRUE(test::SaveBytes(host.string(), test::WriteNativeFile(document)));
  std::string longPath = files.Path().string();
  while (longPath.size() < 4400) longPath += "/" + std::string(200, 'd');
  longPath += "/plan.dxf";

  test::ScratchDir settings;
  int shot = 0;
  for (const std::string& drawing : {folder.string(), host.string(), longPath}) {
    SCOPED_TRACE(std::string("screen ") + GetParam() + ", " + drawing.substr(0, 100));
    const std::filesystem::path errFile = files / "stderr.txt";
    ViewerRun viewer(display, settings.Path(), errFile, drawing);
    // The box: a window of the viewer transient for another (the frame),
    // both managed, in the manager's stacking.
    std::string frame, box;
    std::vector<std::string> stacking;
    const auto known = [&](const std::string& id) { return std::find(stacking.begin(), stacking.end(), id); };
    ASSERT_TRUE(test::WaitUntil([&] {
      stacking = Stacking(display);
      for (const std::string& window : viewer.Windows()) {
        const std::string parent = viewer.TransientFor(window);
        if (parent.empty() || known(window) == stacking.end() || known(parent) == stacking.end()) continue;
        box = window;
        frame = parent;
        return true;
      }
      return false;
    })) << "the viewer raised no box over a frame of its own; its standard error:\n" << ReadFile(errFile);
    display.Run("import -window root " +
                (test::ArtifactDir() / ("start-box-" + std::string(GetParam()) + "-" + std::to_string(++shot) + ".png"))
                    .string());
    EXPECT_GT(known(box) - known(frame), 0) << "the box " << box << " is stacked under the frame " << frame;
    const auto [fx, fy, fw, fh] = PlaceOf(display, frame);
    const auto [x, y, width, height] = PlaceOf(display, box);
    EXPECT_NEAR(x + width / 2, fx + fw / 2, kCentreTolerance) << "the box is not centred on the frame";
    EXPECT_NEAR(y + height / 2, fy + fh / 2, kCentreTolerance) << "the box is not centred on the frame";
    // The program keeps a box 10 pixels inside the screen; the manager
    // moves it only when it is too large for that.
    EXPECT_TRUE(x >= 10 && y >= 10 && x + width <= screenWidth - 10 && y + height <= screenHeight - 10)
        << "the box (" << x << ", " << y << ", " << width << " x " << height << ") does not fit the screen";
  }
}

INSTANTIATE_TEST_SUITE_P(ScreenSizes, WindowManagerStartTest, ::testing::Values("1366x768", "1920x1080"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                           return std::string("Screen") + param.param;
                         });

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
