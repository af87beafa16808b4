#include "platform/ui/Application.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <cstdio>
#include <string>
#include <vector>

#include "foundation/ActivityStamp.h"
#include "foundation/PathBytes.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/MessageBoxDialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/UiHelpersWx.h"

namespace kvn {

namespace {

TApplication* g_current = nullptr;
// A round of posted messages is scheduled in the toolkit's queue.
bool g_roundScheduled = false;
int g_quitStatus = 0;
std::string g_windowClassName = "KvnApplication";

void DispatchPostedRound();

void ScheduleRound() {
  if (g_roundScheduled || !wxTheApp) return;
  g_roundScheduled = true;
  wxTheApp->CallAfter(&DispatchPostedRound);
}

// Runs in the toolkit's loop: one round of posted messages; once the queue
// is empty a pending quit ends the loop.
void DispatchPostedRound() {
  g_roundScheduled = false;
  MessageQueue& queue = MessageQueue::Instance();
  queue.DispatchRound();
  if (queue.Size() > 0) {
    ScheduleRound();
    return;
  }
  int status = 0;
  if (queue.QuitPending() && wxTheApp && wxTheApp->IsMainLoopRunning()) {
    // Only the main loop takes the quit; a local loop leaves it pending.
    if (wxEventLoopBase* active = wxEventLoopBase::GetActive(); active && active->IsMain()) {
      queue.TakeQuit(status);
      g_quitStatus = status;
      wxTheApp->ExitMainLoop();
    }
  }
}

}  // namespace

// The toolkit's application object: idle events go to the program's
// application, and every other event restarts the idle count.
class WxAppBridge : public wxApp {
 public:
  WxAppBridge() {
    // Set before the toolkit starts: GTK takes the program class for the
    // WM_CLASS of every top-level window, the X counterpart of the window
    // class name by which other programs find the frame.
    // (wxGTK hands the application name to gdk_set_program_class.)
    SetAppName(wxString::FromUTF8(g_windowClassName));
  }
  bool OnInit() override {
    // The program ends when its main window's destruction posts the quit
    // message, not when the toolkit sees its last frame go.
    SetExitOnFrameDelete(false);
    Bind(wxEVT_IDLE, &WxAppBridge::OnIdle, this);
    return true;
  }
  int FilterEvent(wxEvent& event) override {
    const wxEventType type = event.GetEventType();
    if (g_current && type != wxEVT_IDLE && type != wxEVT_UPDATE_UI) g_current->idleCount_ = 0;
    // GTK has no thread hooks: the user's input is time-stamped here.
    if (event.IsKindOf(wxCLASSINFO(wxMouseEvent))) {
      ActivityMouseHook(kHcAction);
    } else if (type == wxEVT_KEY_DOWN || type == wxEVT_KEY_UP || type == wxEVT_CHAR) {
      ActivityKeyboardHook(kHcAction);
    }
    return -1;
  }

 private:
  void OnIdle(wxIdleEvent& event) {
    event.Skip();
    if (MessageQueue::Instance().Size() > 0 || MessageQueue::Instance().QuitPending()) ScheduleRound();
    if (g_current && g_current->RunIdle()) event.RequestMore();
  }
};

TApplication::TApplication(const WString& name) : nCmdShow(kSwShowNormal), name_(name) { g_current = this; }

TApplication::~TApplication() {
  if (mainWindow_) {
    mainWindow_->SetMainWindowFlag(false);
    delete mainWindow_;
    mainWindow_ = nullptr;
  }
  if (g_current == this) g_current = nullptr;
}

TApplication* TApplication::Current() { return g_current; }

TFrameWindow* TApplication::SetMainWindow(TFrameWindow* window) {
  TFrameWindow* old = mainWindow_;
  if (old) old->SetMainWindowFlag(false);
  mainWindow_ = window;
  if (mainWindow_) mainWindow_->SetMainWindowFlag(true);
  return old;
}

void TApplication::InitMainWindow() { SetMainWindow(new TFrameWindow(nullptr, name_)); }

bool TApplication::InitInstance() {
  InitMainWindow();
  if (!mainWindow_ || !mainWindow_->Create()) return false;
  if (mainWindow_->Attr.Style & kWsVisible) mainWindow_->ShowWindow(nCmdShow);
  return true;
}

bool TApplication::IdleAction(long) { return false; }

bool TApplication::RunIdle() { return IdleAction(idleCount_++); }

bool TApplication::CanClose() { return !mainWindow_ || mainWindow_->CanClose(); }

int TApplication::Run() {
  if (!InitInstance()) {
    if (Status == 0) Status = 1;
    return Status;
  }
  Status = MessageLoop();
  return Status;
}

int TApplication::MessageLoop() {
  if (!wxTheApp) return 1;
  g_quitStatus = 0;
  // A quit posted before the loop started ends it at its first round.
  if (MessageQueue::Instance().QuitPending() || MessageQueue::Instance().Size() > 0) ScheduleRound();
  wxTheApp->OnRun();
  return g_quitStatus;
}

bool TApplication::PumpWaitingMessages() {
  if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->YieldFor(wxEVT_CATEGORY_ALL);
  MessageQueue::Instance().DispatchRound();
  return !MessageQueue::Instance().QuitPending();
}

bool TApplication::Find(TEventInfo&) { return false; }

void SetProgramClass(const WString& className) { g_windowClassName = className.ToUtf8(); }

int RunOwlMain(int argc, char** argv, OwlMainFunction owlMain) {
  wxApp::SetInstance(new WxAppBridge);
  // The toolkit drops an argument its locale cannot convert (a file name
  // in Latin-1 under a UTF-8 locale) and warns about it. The program reads
  // its arguments itself, byte for byte, below; the toolkit is handed only
  // those it would keep, so that it has no cause to warn.
  std::vector<char*> toolkitArgs;
  for (int i = 0; i < argc; ++i)
    if (i == 0 || (argv[i] && wxConvLocal.cMB2WC(argv[i]))) toolkitArgs.push_back(argv[i]);
  toolkitArgs.push_back(nullptr);
  int toolkitCount = int(toolkitArgs.size()) - 1;
  if (!wxEntryStart(toolkitCount, toolkitArgs.data())) {
    std::fprintf(stderr, "cannot start the user interface (is DISPLAY set?)\n");
    return 1;
  }
  int status = 1;
  if (wxTheApp->CallOnInit()) {
    InstallUiHelpersWx();
    InstallMessageBoxDialogBackend();
    MessageQueue::Instance().SetWakeHook(&ScheduleRound);

    // The arguments in UTF-16, as a wide WinMain hands them over; a byte
    // that is not UTF-8 is kept (PathBytes.h), since an argument is most
    // often a file name.
    std::vector<std::u16string> storage;
    for (int i = 0; i < argc; ++i) {
      const WString arg = PathFromBytes(argv[i] ? argv[i] : "");
      storage.emplace_back(arg.View());
    }
    std::vector<char16_t*> wargv;
    for (std::u16string& s : storage) wargv.push_back(s.data());
    wargv.push_back(nullptr);
    status = owlMain(argc, wargv.data());

    MessageQueue::Instance().SetWakeHook(nullptr);
    SetMessageBoxBackend(nullptr);
    UninstallUiHelpersWx();
    wxTheApp->OnExit();
  }
  wxEntryCleanup();
  return status;
}

}  // namespace kvn
