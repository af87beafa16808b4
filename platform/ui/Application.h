// TApplication: the application object of the class library over the
// toolkit's application. Run = InitInstance (which calls InitMainWindow and
// creates the main window) + MessageLoop; the loop is the toolkit's, with
// the program's posted messages (MessageQueue.h) dispatched in it and
// IdleAction called whenever it runs dry: the idle count starts at 0 after
// every other event and rises while the loop stays idle and IdleAction asks
// for more. The loop ends when the quit message is seen (the main window's
// destruction posts it); its status is Run's result.
//
// RunOwlMain is the program's WinMain: it starts the toolkit (and the
// window layer's services: message boxes, cursors, monitors, system
// colours), calls OwlMain with the arguments in UTF-16 and shuts the
// toolkit down after it returns.
#pragma once

#include "foundation/WString.h"
#include "platform/ui/ResponseTable.h"

namespace kvn {

class TFrameWindow;

class TApplication : public virtual TEventHandler {
 public:
  explicit TApplication(const WString& name = WString());
  ~TApplication() override;
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  int Run();
  // InitMainWindow, then creates the main window; it is shown with nCmdShow
  // only when its style has WS_VISIBLE. False when there is none or it fails.
  virtual bool InitInstance();
  // A plain frame with the application's name by default.
  virtual void InitMainWindow();
  // The application's own idle work: none. True asks for more idle calls.
  virtual bool IdleAction(long idleCount);
  virtual int MessageLoop();
  virtual bool CanClose();

  TFrameWindow* GetMainWindow() const { return mainWindow_; }
  // Takes ownership; returns the previous main window (no longer owned).
  TFrameWindow* SetMainWindow(TFrameWindow* window);
  const WString& GetName() const { return name_; }
  static TApplication* Current();

  // For the local loops of the program (PeekMessage users): handles the
  // toolkit events and posted messages waiting now; false once a quit
  // message is pending (it stays pending for the main loop).
  bool PumpWaitingMessages();

  // The idle pass the loop runs (public for tests without a display loop).
  bool RunIdle();

  bool Find(TEventInfo& info) override;

  int nCmdShow;
  int Status = 0;

 private:
  WString name_;
  TFrameWindow* mainWindow_ = nullptr;
  long idleCount_ = 0;
  friend class WxAppBridge;
};

// The X window class (the class part of WM_CLASS) of the program's
// top-level windows. Call before RunOwlMain.
void SetProgramClass(const WString& className);

using OwlMainFunction = int (*)(int argc, char16_t* argv[]);
// 1 when the toolkit cannot start (no display).
int RunOwlMain(int argc, char** argv, OwlMainFunction owlMain);

}  // namespace kvn
