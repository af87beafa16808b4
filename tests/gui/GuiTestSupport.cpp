#include "tests/gui/GuiTestSupport.h"

#include <cairo.h>
#include <dlfcn.h>
#include <unistd.h>
#include <glib.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/init.h>
#include <wx/timer.h>
#include <wx/log.h>
#include <wx/toplevel.h>
#include <wx/window.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/ProgressDialog.h"
#include "app/TestyFrameWindow.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "document/cDrawing.h"
#include "foundation/LangTable.h"
#include "foundation/ModalStack.h"
#include "model/ObjectChain.h"
#include "model/ObjectTypes.h"
#include "model/cBlock.h"
#include "model/cLine.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/MessageBoxDialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/UiHelpersWx.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "tests/support/CapacityDrawings.h"
#include "tests/support/NativeFixture.h"

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

// GTK's own dialogs (the file chooser), which wxWidgets does not list among
// its top-level windows. The GTK calls are looked up in the process (the
// toolkit has loaded them): the tests need no GTK headers for these few.
struct GtkCalls {
  template <class F>
  static F Find(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
  }
  GList* (*listToplevels)() = Find<GList* (*)()>("gtk_window_list_toplevels");
  int (*visible)(void*) = Find<int (*)(void*)>("gtk_widget_get_visible");
  int (*modal)(void*) = Find<int (*)(void*)>("gtk_window_get_modal");
  // GType is a gsize.
  gsize (*dialogType)() = Find<gsize (*)()>("gtk_dialog_get_type");
  int (*isA)(void*, gsize) = Find<int (*)(void*, gsize)>("g_type_check_instance_is_a");
  const char* (*title)(void*) = Find<const char* (*)(void*)>("gtk_window_get_title");
  void (*respond)(void*, int) = Find<void (*)(void*, int)>("gtk_dialog_response");
  int (*mapped)(void*) = Find<int (*)(void*)>("gtk_widget_get_mapped");
  int (*active)(void*) = Find<int (*)(void*)>("gtk_window_is_active");
  bool Ok() const {
    return listToplevels && visible && modal && dialogType && isA && title && respond && mapped && active;
  }
};

const GtkCalls& Gtk() {
  static const GtkCalls calls;
  return calls;
}

constexpr int kGtkResponseCancel = -6;

// The modal windows open now, innermost last: GTK's dialogs, the toolkit's
// modal dialogs in the order they were made, and the program's modal
// windows.
struct ModalWindows {
  std::vector<void*> gtkDialogs;
  std::vector<wxDialog*> dialogs;
  TWindow* program = nullptr;  // the top of the program's modal stack
  bool Empty() const { return gtkDialogs.empty() && dialogs.empty() && program == nullptr; }
  // Who is innermost (the watchdog times each one from when it came).
  const void* Innermost() const {
    if (!gtkDialogs.empty()) return gtkDialogs.back();
    return dialogs.empty() ? static_cast<const void*>(program) : dialogs.back();
  }
  std::string Title() const {
    if (!gtkDialogs.empty()) {
      const char* t = Gtk().title(gtkDialogs.back());
      return t ? t : "";
    }
    if (!dialogs.empty()) return dialogs.back()->GetTitle().ToStdString(wxConvUTF8);
    return program && program->GetPeer() ? program->GetPeer()->GetLabel().ToStdString(wxConvUTF8) : std::string();
  }
};

ModalWindows OpenModalWindows() {
  ModalWindows open;
  if (Gtk().Ok()) {
    GList* toplevels = Gtk().listToplevels();
    for (GList* l = toplevels; l; l = l->next) {
      if (Gtk().isA(l->data, Gtk().dialogType()) && Gtk().visible(l->data) && Gtk().modal(l->data)) {
        open.gtkDialogs.push_back(l->data);
      }
    }
    g_list_free(toplevels);
  }
  for (wxWindow* w : wxTopLevelWindows) {
    if (auto* dialog = dynamic_cast<wxDialog*>(w); dialog && dialog->IsModal()) open.dialogs.push_back(dialog);
  }
  open.program = dynamic_cast<TWindow*>(ModalStack::Top());
  return open;
}

class ModalWatchdog {
 public:
  ModalWatchdog() {
    if (const char* seconds = std::getenv("KVN_GUI_MODAL_LIMIT_S"); seconds && std::atoi(seconds) > 0)
      limit_ = std::chrono::seconds(std::atoi(seconds));
    timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Tick(); });
    timer_.Start(250);
  }
  std::chrono::milliseconds Set(std::chrono::milliseconds limit, std::function<void(const std::string&)> onExpiry) {
    const std::chrono::milliseconds previous = limit_;
    limit_ = limit;
    onExpiry_ = std::move(onExpiry);
    watched_ = nullptr;
    return previous;
  }

 private:
  void Tick() {
    const ModalWindows open = OpenModalWindows();
    const auto now = std::chrono::steady_clock::now();
    if (open.Innermost() != watched_) {
      watched_ = open.Innermost();
      since_ = now;
      return;
    }
    if (open.Empty() || now - since_ < limit_) return;
    const std::string message = "the modal window \"" + open.Title() + "\" stayed open for " +
                                std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit_).count()) +
                                " s: nothing closed it (ended by the watchdog)";
    // Asked again a few seconds later should the window not go.
    since_ = now - limit_ + std::chrono::seconds(5);
    if (onExpiry_) {
      onExpiry_(message);
    } else {
      ADD_FAILURE() << message;
    }
    EndModalWindows();
  }

  wxTimer timer_;
  std::chrono::milliseconds limit_ = std::chrono::seconds(150);
  std::function<void(const std::string&)> onExpiry_;
  const void* watched_ = nullptr;
  std::chrono::steady_clock::time_point since_ = std::chrono::steady_clock::now();
};

std::unique_ptr<ModalWatchdog>& Watchdog() {
  static std::unique_ptr<ModalWatchdog> watchdog;
  return watchdog;
}

}  // namespace

int EndModalWindows() {
  const ModalWindows open = OpenModalWindows();
  int ended = 0;
  // The innermost loop has to end before the one around it can. A GTK
  // dialog ends as its Cancel button ends it.
  for (auto it = open.gtkDialogs.rbegin(); it != open.gtkDialogs.rend(); ++it) {
    Gtk().respond(*it, kGtkResponseCancel);
    ++ended;
  }
  if (ended > 0) return ended;
  for (auto it = open.dialogs.rbegin(); it != open.dialogs.rend(); ++it) {
    wxDialog* dialog = *it;
    if (TWindow* window = TWindow::FromPeer(dialog)) {
      window->HandleMessage(kWmClose);
    } else {
      // As the title bar's close box ends it (a message box answers its
      // Escape answer), else with Cancel.
      dialog->Close(true);
      if (dialog->IsModal()) dialog->EndModal(wxID_CANCEL);
    }
    ++ended;
  }
  if (open.dialogs.empty() && open.program) {
    open.program->HandleMessage(kWmClose);
    ++ended;
  }
  return ended;
}

std::chrono::milliseconds SetModalWatchdog(std::chrono::milliseconds limit,
                                           std::function<void(const std::string& message)> onExpiry) {
  return Watchdog() ? Watchdog()->Set(limit, std::move(onExpiry)) : limit;
}

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
  Watchdog() = std::make_unique<ModalWatchdog>();
  int result = RUN_ALL_TESTS();
  Watchdog().reset();
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
  const std::string command = "timeout 30 /usr/bin/import -window root '" + file + "' 2>/dev/null";
  return std::system(command.c_str()) == 0 && std::filesystem::exists(file);
}

Screen GrabScreen(const std::filesystem::path& file) {
  std::filesystem::create_directories(file.parent_path());
  const std::string command = "timeout 30 /usr/bin/import -window root '" + file.string() + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return Screen{};
  return ReadScreen(file);
}

void StartScreenGrab(const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  std::filesystem::remove(file, ec);
  // Grabbed beside it and then renamed, so that the file is whole once it is there.
  const std::string part = file.string() + ".part.png";
  const std::string command = "(timeout 30 /usr/bin/import -window root '" + part + "' 2>/dev/null && mv '" + part +
                              "' '" + file.string() + "') >/dev/null 2>&1 &";
  if (std::system(command.c_str()) != 0) ADD_FAILURE() << "the screen grab did not start";
}

bool ShowsTextOnScreen(const Screen& screen, wxWindow* window) {
  if (!window || screen.pixels.empty()) return false;
  const wxRect r = window->GetScreenRect();
  int dark = 0, light = 0;
  for (int y = std::max(r.y, 0); y < std::min(r.y + r.height, screen.height); ++y) {
    for (int x = std::max(r.x, 0); x < std::min(r.x + r.width, screen.width); ++x) {
      const std::uint32_t p = screen.At(x, y);
      const std::uint32_t most = std::max({p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF});
      const std::uint32_t least = std::min({p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF});
      dark += most < 0x70;
      light += least > 0xC0;
    }
  }
  return dark >= 10 && light >= 10;
}

Screen ReadScreen(const std::filesystem::path& file) {
  Screen screen;
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

void StepClock::Next() {
  ++step_;
  since_ = std::chrono::steady_clock::now();
}

bool StepClock::Expired(const std::string& what) {
  if (std::chrono::steady_clock::now() - since_ < kStateLimit) return false;
  if (!failed_) {
    failed_ = true;
    ADD_FAILURE() << what << ": step " << step_ << " did not reach its state within " << kStateLimit.count()
                  << " s";
  }
  return true;
}

namespace {

// The calls that find the tool tip window and its label.
struct TooltipCalls {
  template <class F>
  static F Find(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
  }
  GList* (*listToplevels)() = Find<GList* (*)()>("gtk_window_list_toplevels");
  int (*mapped)(void*) = Find<int (*)(void*)>("gtk_widget_get_mapped");
  const char* (*typeName)(void*) = Find<const char* (*)(void*)>("g_type_name_from_instance");
  gsize (*containerType)() = Find<gsize (*)()>("gtk_container_get_type");
  int (*isA)(void*, gsize) = Find<int (*)(void*, gsize)>("g_type_check_instance_is_a");
  GList* (*children)(void*) = Find<GList* (*)(void*)>("gtk_container_get_children");
  const char* (*labelText)(void*) = Find<const char* (*)(void*)>("gtk_label_get_text");
  bool Ok() const {
    return listToplevels && mapped && typeName && containerType && isA && children && labelText;
  }
};

// The text of the first mapped label under `widget`.
std::string MappedLabelText(const TooltipCalls& gtk, void* widget) {
  if (!gtk.mapped(widget)) return {};
  const char* type = gtk.typeName(widget);
  if (type && std::string(type) == "GtkLabel") {
    const char* text = gtk.labelText(widget);
    return text ? text : "";
  }
  if (!gtk.isA(widget, gtk.containerType())) return {};
  std::string text;
  GList* children = gtk.children(widget);
  for (GList* l = children; l && text.empty(); l = l->next) text = MappedLabelText(gtk, l->data);
  g_list_free(children);
  return text;
}

}  // namespace

int MappedMenus() {
  static const TooltipCalls gtk;
  static const auto child = reinterpret_cast<void* (*)(void*)>(dlsym(RTLD_DEFAULT, "gtk_bin_get_child"));
  static const auto menuType = reinterpret_cast<gsize (*)()>(dlsym(RTLD_DEFAULT, "gtk_menu_get_type"));
  if (!gtk.Ok() || !child || !menuType) return 0;
  int menus = 0;
  GList* toplevels = gtk.listToplevels();
  for (GList* l = toplevels; l; l = l->next) {
    // A menu lives in a popup window of its own, its only child.
    if (!gtk.mapped(l->data) || !gtk.isA(l->data, gtk.containerType())) continue;
    const char* type = gtk.typeName(l->data);
    if (!type || std::string(type) != "GtkWindow") continue;
    void* inside = child(l->data);
    menus += inside && gtk.isA(inside, menuType()) && gtk.mapped(inside) ? 1 : 0;
  }
  g_list_free(toplevels);
  return menus;
}

void ClickMenuTitle(int x, int y) {
  Shell("timeout 10 xdotool " + PointerTo(x, y) + " >/dev/null 2>&1");
  Pump(std::chrono::milliseconds(100));
  Shell("timeout 10 xdotool mousedown 1 sleep 0.1 mouseup 1 >/dev/null 2>&1");
}

std::string SelectedMenuItemText() {
  static const TooltipCalls gtk;
  static const auto child = reinterpret_cast<void* (*)(void*)>(dlsym(RTLD_DEFAULT, "gtk_bin_get_child"));
  static const auto menuType = reinterpret_cast<gsize (*)()>(dlsym(RTLD_DEFAULT, "gtk_menu_get_type"));
  static const auto selected =
      reinterpret_cast<void* (*)(void*)>(dlsym(RTLD_DEFAULT, "gtk_menu_shell_get_selected_item"));
  static const auto itemLabel =
      reinterpret_cast<const char* (*)(void*)>(dlsym(RTLD_DEFAULT, "gtk_menu_item_get_label"));
  if (!gtk.Ok() || !child || !menuType || !selected || !itemLabel) return {};
  std::string text;
  GList* toplevels = gtk.listToplevels();
  for (GList* l = toplevels; l && text.empty(); l = l->next) {
    if (!gtk.mapped(l->data) || !gtk.isA(l->data, gtk.containerType())) continue;
    const char* type = gtk.typeName(l->data);
    if (!type || std::string(type) != "GtkWindow") continue;
    void* inside = child(l->data);
    if (!inside || !gtk.isA(inside, menuType()) || !gtk.mapped(inside)) continue;
    void* item = selected(inside);
    const char* label = item ? itemLabel(item) : nullptr;
    if (!label) continue;
    // The label as set, mnemonic marks and all ("_2 /path"): without them.
    for (const char* c = label; *c; ++c) {
      if (*c != '_') text += *c;
    }
  }
  g_list_free(toplevels);
  return text;
}

std::string MappedTooltip() {
  static const TooltipCalls gtk;
  if (!gtk.Ok()) return {};
  std::string text;
  GList* toplevels = gtk.listToplevels();
  for (GList* l = toplevels; l && text.empty(); l = l->next) {
    const char* type = gtk.typeName(l->data);
    if (type && std::string(type) == "GtkTooltipWindow") text = MappedLabelText(gtk, l->data);
  }
  g_list_free(toplevels);
  return text;
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
  asked.push_back(std::chrono::system_clock::now());
  texts.push_back(request.text);
  captions.push_back(request.caption);
  styles.push_back(request.style);
  return MessageBoxDialogBackend::ShowBox(request);
}

FirstPaintWatch::FirstPaintWatch() { wxEvtHandler::AddFilter(this); }

FirstPaintWatch::~FirstPaintWatch() { wxEvtHandler::RemoveFilter(this); }

int FirstPaintWatch::FilterEvent(wxEvent& event) {
  auto* window = dynamic_cast<wxWindow*>(event.GetEventObject());
  if (window == nullptr) return Event_Skip;
  const wxEventType type = event.GetEventType();
  const auto now = std::chrono::steady_clock::now();
  if (type == wxEVT_SHOW && static_cast<wxShowEvent&>(event).IsShown()) {
    shown_[window] = now;
    painted_.erase(window);
  } else if (type == wxEVT_PAINT && shown_.count(window) && !painted_.count(window)) {
    painted_[window] = now;
  } else if (type == wxEVT_DESTROY) {
    // A later window may be made at the same address.
    shown_.erase(window);
    painted_.erase(window);
  }
  return Event_Skip;
}

std::optional<std::chrono::milliseconds> FirstPaintWatch::ShowToPaint(wxWindow* window) const {
  const auto shown = shown_.find(window);
  const auto painted = painted_.find(window);
  if (shown == shown_.end() || painted == painted_.end()) return std::nullopt;
  return std::chrono::duration_cast<std::chrono::milliseconds>(painted->second - shown->second);
}

std::filesystem::path StartClickAfter(int x, int y, std::chrono::milliseconds delay) {
  static int count = 0;
  const std::filesystem::path file = ArtifactDir() / ("click-" + std::to_string(::getpid()) + "-" +
                                                      std::to_string(++count) + ".time");
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  std::filesystem::remove(file, ec);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", double(delay.count()) / 1000.0);
  // The server takes the move before the click from one connection; a move
  // --sync would wait for ever for a pointer that is already there.
  const std::string part = file.string() + ".part";
  const std::string command = std::string("(sleep ") + seconds + " && timeout 30 xdotool mousemove " +
                              std::to_string(x) + " " + std::to_string(y) + " click 1 && date +%s%N > '" + part +
                              "' && mv '" + part + "' '" + file.string() + "') >/dev/null 2>&1 &";
  if (std::system(command.c_str()) != 0) ADD_FAILURE() << "the click did not start";
  return file;
}

std::optional<std::chrono::system_clock::time_point> ClickTime(const std::filesystem::path& file) {
  std::ifstream in(file);
  long long nanoseconds = 0;
  if (!(in >> nanoseconds) || nanoseconds <= 0) return std::nullopt;
  return std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::nanoseconds(nanoseconds)));
}

namespace {

// Whether the slow drawing's pages hold (ReleaseHeldPages).
bool& PagesHold() {
  static bool hold = true;
  return hold;
}

SlowRepaint& RepaintMode() {
  static SlowRepaint mode = SlowRepaint::kSlow;
  return mode;
}

std::chrono::milliseconds& SlowRepaintExtra() {
  static std::chrono::milliseconds extra = kSlowRepaint;
  return extra;
}

RepaintHold& TheRepaintHold() {
  static RepaintHold hold;
  return hold;
}

HeldRepaintCounts& RepaintCounts() {
  static HeldRepaintCounts counts;
  return counts;
}

// The failed parts of the running test so far.
int FailedParts() {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  if (test == nullptr) return 0;
  const testing::TestResult& result = *test->result();
  int failed = 0;
  for (int i = 0; i < result.total_part_count(); ++i) failed += result.GetTestPartResult(i).failed() ? 1 : 0;
  return failed;
}

// While it lives, counts the events the toolkit hands to the program's
// handlers: whether a long operation's message pump runs.
class EventCounter : public wxEventFilter {
 public:
  EventCounter() { wxEvtHandler::AddFilter(this); }
  ~EventCounter() override { wxEvtHandler::RemoveFilter(this); }
  EventCounter(const EventCounter&) = delete;
  EventCounter& operator=(const EventCounter&) = delete;
  int FilterEvent(wxEvent&) override {
    ++count;
    return Event_Skip;
  }
  std::uint64_t count = 0;
};

// Whether the operation in front has had its cancel confirmed: its progress
// window's monitor says so.
bool CancelConfirmed() {
  auto* progress = dynamic_cast<TMyAbortWindow*>(ModalStack::Top());
  return progress != nullptr && progress->GetMonitor().Cancelled();
}

// The held line of the slow drawing (see GuiTestSupport.h).
class HeldLine final : public cLine {
 public:
  void Draw(cDrawInfo* info) override {
    cLine::Draw(info);
    TDC* dc = info ? info->Dc() : nullptr;
    if (dc == nullptr) return;
    // A window's paint: the drawing windows' own surface, or no abort
    // procedure (an exported page).
    if (!dc->GetAbortProc() || dc == cVectorWindow::SharedSurface().DC()) {
      if (RepaintMode() == SlowRepaint::kSlow) std::this_thread::sleep_for(SlowRepaintExtra());
      if (RepaintMode() == SlowRepaint::kHeld) HoldRepaint(*dc);
      return;
    }
    if (PagesHold()) HoldPage(*dc);
  }

 private:
  static void HoldRepaint(TDC& dc) {
    const RepaintHold& hold = TheRepaintHold();
    ++RepaintCounts().begun;
    while (!(hold.release && hold.release())) {
      for (std::uint64_t i = 0; i < kAbortCheckOperations && !dc.Aborted(); ++i) dc.PatBlt(0, 0, 0, 0, kPatCopy);
      if (dc.Aborted()) {
        ++RepaintCounts().gaveWay;
        if (hold.gaveWay) hold.gaveWay();
        return;
      }
      if (const std::string why = hold.hopeless ? hold.hopeless() : std::string(); !why.empty()) {
        ADD_FAILURE() << why;
        RepaintMode() = SlowRepaint::kQuick;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  // Draws in rounds of as many operations as reach the abort procedure once,
  // each round timed from its start: a round that starts kDeafPage after the
  // last message was handled has called the procedure that late, so the
  // window due long before would have pumped in it.
  static void HoldPage(TDC& dc) {
    using Clock = std::chrono::steady_clock;
    const EventCounter events;
    const int failed = FailedParts();
    std::uint64_t seen = events.count;
    Clock::time_point heard = Clock::now();
    while (PagesHold()) {
      const Clock::time_point round = Clock::now();
      const bool confirmed = CancelConfirmed();
      for (std::uint64_t i = 0; i < kAbortCheckOperations && !dc.Aborted(); ++i) dc.PatBlt(0, 0, 0, 0, kPatCopy);
      // Cancelled: the page ends as the user asked.
      if (dc.Aborted()) return;
      if (events.count != seen) {
        seen = events.count;
        heard = Clock::now();
      } else if (round - heard >= kDeafPage) {
        ADD_FAILURE() << "the page was drawn for "
                      << std::chrono::duration_cast<std::chrono::milliseconds>(round - heard).count()
                      << " ms without a message of the program handled: its drawing does not reach its progress "
                         "window, and a Cancel would not be heard while the page is drawn";
      }
      if (confirmed) {
        ADD_FAILURE() << "the page went on after its cancel was confirmed: the cancel is not heard while the page is "
                         "drawn";
      }
      // Nothing is left to wait for once the test has failed; nor on a
      // later page.
      if (FailedParts() > failed) {
        PagesHold() = false;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
};

// The slow drawing's lines, times KVN_GUI_SLOW_DRAWING_SCALE: placements of
// a block of 1,000.
int SlowDrawingPlacements() {
  double scale = 1;
  if (const char* text = std::getenv("KVN_GUI_SLOW_DRAWING_SCALE"); text && *text) scale = std::strtod(text, nullptr);
  if (!(scale > 0)) scale = 1;
  return int(std::clamp(std::lround(100 * scale), 1L, 1000000L));
}

}  // namespace

void ReleaseHeldPages() { PagesHold() = false; }

void HoldPages() { PagesHold() = true; }

void SetSlowRepaint(std::chrono::milliseconds extra) {
  SetSlowRepaint(SlowRepaint::kSlow);
  SlowRepaintExtra() = extra;
}

void SetSlowRepaint(SlowRepaint how) {
  if (how == SlowRepaint::kSlow) SlowRepaintExtra() = kSlowRepaint;
  RepaintMode() = how;
  if (how != SlowRepaint::kHeld) TheRepaintHold() = RepaintHold{};
}

void HoldRepaints(RepaintHold hold) {
  TheRepaintHold() = std::move(hold);
  RepaintCounts() = HeldRepaintCounts{};
  RepaintMode() = SlowRepaint::kHeld;
}

HeldRepaintCounts HeldRepaints() { return RepaintCounts(); }

cVectorWindow* AddHeldLine(TTestyFrameWindow& frame) {
  auto* view = dynamic_cast<cVectorView*>(frame.GetClientWindow());
  cVectorWindow* window = view ? view->GetVectorWindow() : nullptr;
  cDrawing* drawing = window ? window->GetSheetData() : nullptr;
  if (drawing == nullptr || drawing->TopBlock() == nullptr) return nullptr;
  // Corner to corner, on every page and on the level of lines without one:
  // in every repaint of the fitted window and in the first row of bands of
  // a page.
  const DRect extent = drawing->GetExtent();
  auto* held = new HeldLine;
  held->start = {extent.x1, extent.y1};
  held->end = {extent.x2, extent.y2};
  held->SetLevel(kNoLevel);
  held->SetPage(kAllPages);
  ObjectChain chain;
  chain.Append(held);
  drawing->TopBlock()->AppendChain(std::move(chain));
  drawing->InvalidateSummary(0);
  PagesHold() = true;
  return window;
}

cVectorWindow* OpenSlowDrawing(TTestyFrameWindow*& frame, const std::filesystem::path& folder,
                               const std::string& name) {
  const auto file = folder / (name + ".kvn");
  const int placements = SlowDrawingPlacements();
  if (!SaveBytes(file.string(), NativePlacements(1000, placements))) return nullptr;
  SetSlowRepaint(SlowRepaint::kSlow);
  frame = new TTestyFrameWindow;
  frame->Attr.X = 30;
  frame->Attr.Y = 20;
  frame->Attr.W = 900;
  frame->Attr.H = 700;
  if (!frame->Create()) return nullptr;
  frame->ShowWindow(kSwShow);
  if (!frame->OpenFile(WString::FromUtf8(file.string()))) return nullptr;
  Pump(std::chrono::milliseconds(300));
  cVectorWindow* drawing = AddHeldLine(*frame);
  if (drawing == nullptr) return nullptr;
  drawing->CmAllElements();
  const auto start = std::chrono::steady_clock::now();
  drawing->UpdateWindow();
  std::printf("%d000 lines and the held line: the fitted repaint took %lld ms\n", placements,
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - start)
                                         .count()));
  Pump(std::chrono::milliseconds(100));
  return drawing;
}

std::deque<std::function<bool()>> CancelThroughProgressWindow(wxWindow* repaint, const FirstPaintWatch& watch,
                                                              const AnsweringBoxes& boxes, ProgressWindowTimes& times,
                                                              std::function<bool()> ended) {
  struct State {
    TMyAbortWindow* progress = nullptr;
    std::filesystem::path click;
    std::size_t askedBefore = 0;
    std::chrono::steady_clock::time_point shown;
  };
  auto state = std::make_shared<State>();
  PagesHold() = true;
  // Whether the operation's progress window is in front; once the operation
  // has ended without it, every step is done.
  const auto up = [state, ended, &times] {
    state->progress = dynamic_cast<TMyAbortWindow*>(ModalStack::Top());
    if (state->progress == nullptr && ended()) times.endedFirst = true;
    return state->progress != nullptr;
  };
  const auto waited = [](std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since);
  };
  return {
      [state, up, &times] {
        if (!up()) return times.endedFirst;
        if (!state->progress->GetPeer() || !state->progress->GetPeer()->IsShown()) return false;
        state->shown = std::chrono::steady_clock::now();
        return true;
      },
      [state, up, waited, &watch, &times] {
        if (!up()) return times.endedFirst;
        times.painted = watch.ShowToPaint(state->progress->GetPeer());
        if (!times.painted && waited(state->shown) > kHeardWithin) times.painted = waited(state->shown);
        return times.painted.has_value();
      },
      [state, up, repaint, &boxes, &times] {
        if (!up()) return times.endedFirst;
        if (repaint) repaint->Refresh();
        state->askedBefore = boxes.asked.size();
        const wxRect cancel = state->progress->GetCancelButton()->GetPeer()->GetScreenRect();
        state->click = StartClickAfter(cancel.x + cancel.width / 2, cancel.y + cancel.height / 2,
                                       std::chrono::milliseconds(200));
        return true;
      },
      // The question is a modal box in front of the progress window.
      [state, ended, &boxes, &times] {
        if (times.endedFirst) return true;
        const auto clicked = ClickTime(state->click);
        // Asked: the click came, whether or not its process (on a busy
        // machine) has written its time yet; the operation may have ended
        // by the answer meanwhile.
        if (boxes.asked.size() > state->askedBefore) {
          if (!clicked) return false;
          times.answered =
              std::chrono::duration_cast<std::chrono::milliseconds>(boxes.asked[state->askedBefore] - *clicked);
          return true;
        }
        if (ended()) {
          times.endedFirst = true;
          return true;
        }
        if (!clicked) return false;
        const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now() - *clicked);
        if (since <= kHeardWithin) return false;
        times.answered = since;
        ReleaseHeldPages();
        return true;
      },
      [ended] { return ended(); },
  };
}

TFrameWindow* NewFrame(const WString& title, int x, int y, int w, int h) {
  auto* frame = new TFrameWindow(nullptr, title);
  frame->Attr.X = x;
  frame->Attr.Y = y;
  frame->Attr.W = w;
  frame->Attr.H = h;
  return frame;
}

unsigned long XWindowOf(wxWindow& window) {
  using GetWindow = void* (*)(void*);
  using GetXid = unsigned long (*)(void*);
  const auto getWindow = reinterpret_cast<GetWindow>(dlsym(RTLD_DEFAULT, "gtk_widget_get_window"));
  const auto getXid = reinterpret_cast<GetXid>(dlsym(RTLD_DEFAULT, "gdk_x11_window_get_xid"));
  void* gdkWindow = getWindow && window.GetHandle() ? getWindow(window.GetHandle()) : nullptr;
  return gdkWindow && getXid ? getXid(gdkWindow) : 0;
}

std::string Shell(const std::string& command) {
  std::string out;
  // The command reaches the shell through the environment: no quoting of
  // its own quotes is needed.
  setenv("KVN_GUI_SHELL_COMMAND", command.c_str(), 1);
  const auto start = std::chrono::steady_clock::now();
  FILE* pipe = popen("timeout -k 5 60 sh -c \"$KVN_GUI_SHELL_COMMAND\"", "r");
  if (!pipe) return out;
  std::array<char, 512> buffer{};
  while (std::fgets(buffer.data(), int(buffer.size()), pipe)) out += buffer.data();
  pclose(pipe);
  // The command's own exit status may be timeout's too (xdotool under a
  // shorter "timeout"): only the time tells that the limit here stopped it.
  if (std::chrono::steady_clock::now() - start >= std::chrono::seconds(60))
    ADD_FAILURE() << "the shell command ran past 60 s and was stopped: " << command;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

std::string PointerTo(int x, int y) {
  return "mousemove " + std::to_string(x > 0 ? x - 1 : x + 1) + " " + std::to_string(y) + " mousemove --sync " +
         std::to_string(x) + " " + std::to_string(y);
}

GtkDialogState GtkDialogStateOf(const std::string& title) {
  GtkDialogState state = GtkDialogState::kAbsent;
  if (!Gtk().Ok()) return state;
  GList* toplevels = Gtk().listToplevels();
  for (GList* l = toplevels; l; l = l->next) {
    if (!Gtk().isA(l->data, Gtk().dialogType()) || !Gtk().mapped(l->data)) continue;
    const char* t = Gtk().title(l->data);
    if (t == nullptr || title != t) continue;
    state = std::max(state, Gtk().active(l->data) ? GtkDialogState::kActive : GtkDialogState::kMapped);
  }
  g_list_free(toplevels);
  return state;
}

bool HaveXdotool() { return std::system("command -v xdotool >/dev/null 2>&1") == 0; }

std::string XdoOnWindow(const std::string& title, const std::string& action) {
  return "timeout 50 xdotool search --sync --onlyvisible --name '^" + title + "$' windowfocus --sync " + action +
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
