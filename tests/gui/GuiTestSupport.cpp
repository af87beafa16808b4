#include "tests/gui/GuiTestSupport.h"

#include <cairo.h>
#include <glib.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/toplevel.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "foundation/LangTable.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/MessageBoxDialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/UiHelpersWx.h"

namespace kvn::test {

namespace {

// What the toolkit complained about while the tests ran: each line with the
// test that was running. A complaint is a fault of ours (a control laid out
// smaller than GTK can draw it, a screen position asked of a window not yet
// shown), so it fails the program.
std::vector<std::string>& Complaints() {
  static std::vector<std::string> lines;
  return lines;
}

void NoteComplaint(const std::string& line) {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  Complaints().push_back((test ? std::string(test->test_suite_name()) + "." + test->name() : std::string("(outside a test)")) +
                         ": " + line);
}

// The GTK file chooser loads a folder asynchronously; a chooser closed
// while that runs (as the tests close it, at once) gets its answer into a
// tree view already gone. A race inside the toolkit, not a fault of ours.
bool ToolkitRace(const std::string& message) {
  return message.find("assertion 'GTK_IS_TREE_VIEW (tree_view)' failed") != std::string::npos ||
         message.find("assertion 'GTK_IS_TREE_SELECTION (selection)' failed") != std::string::npos;
}

GLogWriterOutput NoteCriticals(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer data) {
  if (level & (G_LOG_LEVEL_CRITICAL | G_LOG_FLAG_FATAL)) {
    std::string domain, message;
    for (gsize i = 0; i < count; ++i) {
      const std::string key = fields[i].key;
      const auto* value = static_cast<const char*>(fields[i].value);
      if (value == nullptr || fields[i].length > 0) continue;  // binary fields
      if (key == "GLIB_DOMAIN") domain = value;
      if (key == "MESSAGE") message = value;
    }
    if (!ToolkitRace(message)) NoteComplaint(domain + "-CRITICAL " + message);
  }
  return g_log_writer_default(level, fields, count, data);
}

// The toolkit's own debug lines ("Debug: ...") are noted and still shown.
class NotingLog : public wxLogChain {
 public:
  // Passes every message on to the target it replaces.
  NotingLog() : wxLogChain(nullptr) {}

 protected:
  void DoLogRecord(wxLogLevel level, const wxString& message, const wxLogRecordInfo& info) override {
    if (level == wxLOG_Debug) NoteComplaint("Debug: " + message.ToStdString(wxConvUTF8));
    wxLogChain::DoLogRecord(level, message, info);
  }
};

}  // namespace

int RunGuiTests(int argc, char** argv, bool installUiHelpers) {
  testing::InitGoogleTest(&argc, argv);
  g_log_set_writer_func(&NoteCriticals, nullptr, nullptr);
  wxApp::SetInstance(new wxApp);
  wxInitializer toolkit(argc, argv);
  if (!toolkit.IsOk()) {
    std::fprintf(stderr, "cannot start the toolkit (no display?)\n");
    return 1;
  }
  // The chain deletes itself with the log target it is when the toolkit ends.
  new NotingLog;
  if (installUiHelpers) InstallUiHelpersWx();
  int result = RUN_ALL_TESTS();
  if (installUiHelpers) UninstallUiHelpersWx();
  if (!Complaints().empty()) {
    std::fprintf(stderr, "FAILED: the toolkit complained %zu times while the tests ran:\n", Complaints().size());
    for (const std::string& line : Complaints()) std::fprintf(stderr, "  %s\n", line.c_str());
    result = 1;
  }
  return result;
}

std::filesystem::path ArtifactDir() {
  const char* folder = std::getenv("KVN_GUI_ARTIFACTS");
  return folder && *folder ? folder : "gui-artifacts";
}

bool SaveScreenshot(const std::string& name) {
  const std::filesystem::path dir = ArtifactDir();
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const std::string file = (dir / name).string();
  // The full path: /usr/local/bin/convert and friends may be stand-ins.
  const std::string command = "/usr/bin/import -window root '" + file + "' 2>/dev/null";
  return std::system(command.c_str()) == 0 && std::filesystem::exists(file);
}

Screen GrabScreen(const std::filesystem::path& file) {
  Screen screen;
  std::filesystem::create_directories(file.parent_path());
  const std::string command = "/usr/bin/import -window root '" + file.string() + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return screen;
  cairo_surface_t* s = cairo_image_surface_create_from_png(file.c_str());
  if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
    cairo_surface_flush(s);
    screen.width = cairo_image_surface_get_width(s);
    screen.height = cairo_image_surface_get_height(s);
    const std::uint8_t* d = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < screen.height; ++y)
      for (int x = 0; x < screen.width; ++x)
        screen.pixels.push_back(*reinterpret_cast<const std::uint32_t*>(d + std::size_t(y) * stride + x * 4) &
                                0xFFFFFF);
  }
  cairo_surface_destroy(s);
  return screen;
}

void Pump(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < end) {
    wxTheApp->Yield(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    wxTheApp->Yield(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

MessageBoxDialog* FindOpenBox() {
  for (wxWindow* w : wxTopLevelWindows) {
    if (auto* box = dynamic_cast<MessageBoxDialog*>(w); box && box->IsShown()) return box;
  }
  return nullptr;
}

AnsweringBoxes::AnsweringBoxes(std::chrono::milliseconds period) {
  timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
    MessageBoxDialog* box = FindOpenBox();
    if (!box || ++ticks_ < 3) return;
    ticks_ = 0;
    parents.push_back(box->GetParent());
    const int answer = answers.empty() ? kIdOk : answers.front();
    if (!answers.empty()) answers.pop_front();
    box->Press(answer);
  });
  timer_.Start(int(period.count()));
}

int AnsweringBoxes::ShowBox(const MessageBoxRequest& request) {
  texts.push_back(request.text);
  captions.push_back(request.caption);
  styles.push_back(request.style);
  return MessageBoxDialogBackend::ShowBox(request);
}

TFrameWindow* NewFrame(const WString& title, int x, int y, int w, int h) {
  auto* frame = new TFrameWindow(nullptr, title);
  frame->Attr.X = x;
  frame->Attr.Y = y;
  frame->Attr.W = w;
  frame->Attr.H = h;
  return frame;
}

std::string Shell(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  std::array<char, 512> buffer{};
  while (std::fgets(buffer.data(), int(buffer.size()), pipe)) out += buffer.data();
  pclose(pipe);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

bool HaveXdotool() { return std::system("command -v xdotool >/dev/null 2>&1") == 0; }

std::string XdoOnWindow(const std::string& title, const std::string& action) {
  return "timeout 10 xdotool search --sync --onlyvisible --name '^" + title + "$' windowfocus --sync " + action +
         " >/dev/null 2>&1";
}

DispatchPostedMessages::DispatchPostedMessages() {
  MessageQueue::Instance().SetWakeHook([] { wxTheApp->CallAfter([] { MessageQueue::Instance().DispatchRound(); }); });
}

DispatchPostedMessages::~DispatchPostedMessages() { MessageQueue::Instance().SetWakeHook(nullptr); }

void SettingsFolderTest::SetUp() {
  setenv("KVN_SETTINGS_DIR", settings_.Path().c_str(), 1);
  SettingsStore::ResetGlobal();
  WriteLanguageSetting(kLanguageEnglish);
}

void SettingsFolderTest::TearDown() { SettingsStore::ResetGlobal(); }

}  // namespace kvn::test
