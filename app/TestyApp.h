// The program entry OwlMain and the application object testyApp: start-up
// in the order of the original (frame built hidden, start directory kept,
// frame shown and mapped, command-line drawing opened, out-of-memory
// notice), the message loop, and the report of an out-of-memory end across
// runs.
#pragma once

#include "foundation/WString.h"
#include "platform/ui/Application.h"

namespace kvn {

class TTestyFrameWindow;
class cMsgDlg;

class testyApp : public TApplication {
 public:
  // Builds the main frame (hidden); `fileName` is the command line's drawing.
  explicit testyApp(const WString& fileName);
  ~testyApp() override;

  bool IdleAction(long idleCount) override;
  bool InitInstance() override;
  void InitMainWindow() override;

  TTestyFrameWindow* GetFrame() const { return frame_; }
  // The command line's drawing: resolved to a full path by InitInstance
  // (empty when none was named). The open road finds it here.
  const WString& GetFileToOpen() const { return fileToOpen_; }

 private:
  TTestyFrameWindow* frame_;
  WString fileToOpen_;
};

int OwlMain(int argc, char16_t* argv[]);

// Installs OnFatalOutOfMemory; when "MemoryError" is 1 it writes 0 and,
// only when that write succeeded, shows the notice.
void CheckPreviousMemoryError(const cMsgDlg* owner);
// The allocator's fatal callback: "MemoryError" = 1.
void OnFatalOutOfMemory();
// Tells the user that a damaged settings file was set aside.
void ReportSetAsideSettings(const cMsgDlg* owner);
// A command-line path as a full path: an absolute one as it is; a relative
// one from the current folder, or from the program's folder when only there
// such a file exists. False for an empty path.
bool ResolveCommandLinePath(WString& path);

// The notice of an out-of-memory end of the previous run, in the interface
// language.
inline constexpr int kStrMemoryErrorNotice = 19809;

}  // namespace kvn
