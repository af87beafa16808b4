#include "app/TestyApp.h"

#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "app/ConfiguredUiColors.h"
#include "app/DrawingServices.h"
#include "app/LevelCombo.h"
#include "app/LoadDialogs.h"
#include "app/OpenClose.h"
#include "app/ProgressDialog.h"
#include "print/dialogs/PrintFileDialog.h"
#include "app/TestyFrameWindow.h"
#include "document/ExternalReference.h"
#include "document/cSheet.h"
#include "foundation/CountingAlloc.h"
#include "foundation/FileSystem.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/ProgramFolders.h"
#include "foundation/Registry.h"
#include "foundation/TextFormat.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/DefaultGuiFace.h"
#include "platform/ui/FirstMap.h"
#include "platform/ui/ThemeDrawing.h"
#include "platform/ui/WxClipboard.h"

namespace kvn {

namespace {
constexpr const char16_t* kMemoryErrorValue = u"MemoryError";
// The longest the start waits for the window manager to map the frame.
// openbox mapped it 7 to 15 ms after the show (optimised build), a display
// without a manager at once; the bound only keeps a manager that does not
// map the frame (one that starts it on another desktop) from holding the
// drawing back for good.
constexpr std::chrono::milliseconds kFirstMapLimit{10000};
}  // namespace

testyApp::testyApp(const WString& fileName) : TApplication(WString(u"KvnViewer")), frame_(new TTestyFrameWindow) {
  fileToOpen_ = fileName;
  // Created hidden; InitInstance shows it, maximised when the placement says so.
  frame_->Attr.Style &= ~kWsVisible;
}

testyApp::~testyApp() = default;

void testyApp::InitMainWindow() {
  // The original also made and at once destroyed a hidden plain frame here;
  // it has no effect and is left out.
  StartDirectory() = GetCurrentDirectoryPath();
  SetMainWindow(frame_);
}

bool testyApp::InitInstance() {
  if (!TApplication::InitInstance() || !frame_) return false;
  frame_->ShowWindow((frame_->Attr.Style & kWsMaximize) ? kSwShowMaximized : kSwShow);
  // What follows may raise boxes (the drawing's refusal, its questions, the
  // notices below), each above the frame only once the frame is on the
  // screen (platform/ui/FirstMap.h).
  WaitForFirstMap(*frame_, kFirstMapLimit);
  if (!fileToOpen_.IsEmpty() && ResolveCommandLinePath(fileToOpen_)) frame_->OpenFile(fileToOpen_);
  CheckPreviousMemoryError(frame_);
  ReportSetAsideSettings(frame_);
  return true;
}

bool testyApp::IdleAction(long idleCount) {
  if (frame_ && frame_->GetHandle()) frame_->IdleAction(idleCount);
  return TApplication::IdleAction(idleCount);
}

bool ResolveCommandLinePath(WString& path) {
  if (path.IsEmpty()) return false;
  WString fromCurrent = GetFullPath(path);
  if (!FileExists(fromCurrent)) {
    WString fromProgram = path;
    if (ResolveFromProgramDirectory(fromProgram) && FileExists(fromProgram)) {
      path = fromProgram;
      return true;
    }
  }
  // Missing everywhere: the open road reports it under the name the user meant.
  path = fromCurrent;
  return true;
}

void CheckPreviousMemoryError(const cMsgDlg* owner) {
  SetFatalMemoryCallback(&OnFatalOutOfMemory);
  std::uint32_t previous = 0;
  {
    RegReadKey key(kHkeyCurrentUser, SettingsKeyPath());
    previous = key.GetDword(WString(kMemoryErrorValue), 0);
  }
  if (previous != 1) return;
  bool cleared = false;
  {
    RegWriteKey key(kHkeyCurrentUser, SettingsKeyPath());
    cleared = key.SetDword(WString(kMemoryErrorValue), 0);
  }
  // Only a cleared value lets the notice show: never twice for one event.
  if (cleared) ShowMessageBox(owner, LoadLangString(kStrMemoryErrorNotice), nullptr, kMbIconError);
}

void OnFatalOutOfMemory() {
  if (SettingsKeyPath().IsEmpty()) return;
  RegWriteKey key(kHkeyCurrentUser, SettingsKeyPath());
  key.SetDword(WString(kMemoryErrorValue), 1);
}

void ReportSetAsideSettings(const cMsgDlg* owner) {
  SettingsStore& store = SettingsStore::Global();
  if (store.SetAsidePath().empty()) return;
  const WString text = FormatPercentS2(LoadLangString(kStrSettingsSetAside), WString::FromUtf8(store.SetAsidePath()),
                                       WString::FromUtf8(store.DamageReason()));
  ShowMessageBox(owner, text, nullptr, kMbIconWarning);
}

int OwlMain(int argc, char16_t* argv[]) {
  // InitCommonControls has nothing to do here.
  WString fileName;
  if (argc >= 2 && argv[1] != nullptr) fileName = WString(argv[1]);
  int status = 0;
  // The configured interface colours and the progress dialog of long
  // operations are the shell's; the core reaches them through these hooks.
  InstallConfiguredUiColors();
  InstallProgressDialogs();
  cSheet::SetGoneHook(&DetachLevelCombosFrom);
  InstallPrintFileDialog();
  SetReferenceFileChooser(&ChooseReferenceFile);
  InstallDefaultGuiFaceHook();
  InstallThemeDrawing();
  InstallWxClipboard();
  // Readers, fonts, SHX, fields and paper: shared with kvn-dump and kvn-render.
  InstallDrawingServices();
  InstallLoadDialogs();
  {
    testyApp app(fileName);
    status = app.Run();
  }
  UninstallPrintFileDialog();
  UninstallProgressDialogs();
  UninstallLoadDialogs();
  UninstallThemeDrawing();
  // The printer singleton of the printing subsystem is freed here once it exists.
  return status;
}

}  // namespace kvn
