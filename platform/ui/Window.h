// TWindow: the base of every window of the program, the counterpart of the
// class library's TWindow. The object exists before and after its toolkit
// window (the "peer", a wxWindow made by Create and gone after Destroy);
// while the peer lives the window has a handle (MessageQueue.h).
//
// Messages: everything the toolkit reports reaches HandleMessage as a
// numbered message (MessageBridge.cpp is the one place that translates);
// HandleMessage gives it to WindowProc, which looks the message up in the
// response tables (ResponseTable.h) through Find and runs the row, or
// leaves it to DefaultProcessing. WM_COMMAND and the command enablers have
// their own routes (EvCommand, EvCommandEnable), which frames widen to the
// command target (FrameWindow.h).
//
// Lifetime, as in the class library: Create makes the peer, then runs
// SetupWindow (which creates the child windows); Destroy runs CleanupWindow
// while the children still exist, destroys the children, sends WM_DESTROY
// and lets the peer go. A parent owns its child objects and deletes them in
// its destructor. When the toolkit destroys a peer on its own (its parent
// went), the window goes through the same steps without touching the peer.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "foundation/ModalStack.h"
#include "foundation/MsgBox.h"
#include "foundation/WString.h"
#include "platform/ui/Messages.h"
#include "platform/ui/ResponseTable.h"

class wxWindow;
class wxPaintDC;
class wxTimer;

namespace kvn {

class TApplication;
class TCommandEnabler;

// The creation attributes of a window (the class library's Attr).
struct TWindowAttr {
  std::uint32_t Style = kWsChild | kWsVisible;
  std::uint32_t ExStyle = 0;
  int X = 0;
  int Y = 0;
  int W = 0;  // 0 or less, or kCwUseDefault: the toolkit's size
  int H = 0;
  int Id = 0;
};

class TWindow : public virtual TEventHandler, public cMsgDlg, public ModalWindow {
 public:
  explicit TWindow(TWindow* parent, const WString& title = WString());
  ~TWindow() override;
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  TWindowAttr Attr;

  // --- lifetime ----------------------------------------------------------------------
  // Makes the peer and runs SetupWindow; true when the window exists afterwards.
  virtual bool Create();
  // CleanupWindow, children, WM_DESTROY, peer. Nothing when there is no peer.
  virtual void Destroy(int retVal = 0);
  // Creates the children that do not exist yet.
  virtual void SetupWindow();
  virtual void CleanupWindow() {}
  // True when every child can close.
  virtual bool CanClose();
  // Children's idle actions; true asks for more idle calls.
  virtual bool IdleAction(long idleCount);
  // A message before it is dispatched (keys before they reach the focus);
  // true when the window took it.
  virtual bool PreProcessMsg(TMsg& msg);
  // The window class name; the toolkit window's name (WM_CLASS for frames).
  virtual const char16_t* GetClassName() const { return u"KvnWindow"; }

  // --- messages ----------------------------------------------------------------------
  // `handled` (optional) becomes false when the message ended in
  // DefaultProcessing; MessageBridge then lets the toolkit handle the event.
  TResult HandleMessage(std::uint32_t msg, TParam1 wParam = 0, TParam2 lParam = 0, bool* handled = nullptr);
  virtual TResult WindowProc(std::uint32_t msg, TParam1 wParam, TParam2 lParam);
  // What a message gets that no row takes: 0, and the toolkit's own
  // handling of the event that carried it.
  virtual TResult DefaultProcessing();
  // WM_COMMAND: from a control (ctl not null) or a menu or accelerator.
  virtual TResult EvCommand(std::uint32_t id, THandle ctl, std::uint32_t notifyCode);
  // Looks the enabler up in this window's tables only.
  virtual void EvCommandEnable(TCommandEnabler& ce);
  TResult SendMessage(std::uint32_t msg, TParam1 wParam = 0, TParam2 lParam = 0) {
    return HandleMessage(msg, wParam, lParam);
  }
  bool PostMessage(std::uint32_t msg, TParam1 wParam = 0, TParam2 lParam = 0);
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

  // --- relatives -----------------------------------------------------------------------
  TWindow* GetParentO() const { return parent_; }
  const std::vector<TWindow*>& GetChildren() const { return children_; }
  virtual void RemoveChild(TWindow* child);
  TWindow* ChildWithId(int id) const;
  static TApplication* GetApplication();

  // --- handle and peer ------------------------------------------------------------------
  THandle GetHandle() const { return handle_; }
  wxWindow* GetPeer() const { return peer_; }
  // The window of a toolkit window that is a peer; null otherwise.
  static TWindow* FromPeer(const wxWindow* peer);

  // --- the window's state ----------------------------------------------------------------
  void SetCaption(const WString& title);
  const WString& GetCaption() const { return title_; }
  bool IsWindowVisible() const;
  void SetFocus();
  static THandle GetFocus();
  void Invalidate(bool erase = true);
  void InvalidateRect(const TRect& rect, bool erase = true);
  void UpdateWindow();
  TRect GetClientRect() const;
  // In screen coordinates.
  TRect GetWindowRect() const;
  TPoint ClientToScreen(const TPoint& p) const;
  TPoint ScreenToClient(const TPoint& p) const;
  void MoveWindow(int x, int y, int w, int h, bool repaint = true);

  // --- timers, capture, cursor, drop ------------------------------------------------------
  // WM_TIMER with the id every `ms` milliseconds until KillTimer; setting
  // an id again restarts it. Returns the id, 0 without a peer.
  std::uint32_t SetTimer(std::uint32_t id, std::uint32_t ms);
  bool KillTimer(std::uint32_t id);
  // The mouse goes to this window until ReleaseCapture; the window that had
  // it gets WM_CAPTURECHANGED. Returns the previous capture's handle.
  THandle SetCapture();
  static void ReleaseCapture();
  static THandle GetCapture();
  // The window's own cursor (an IDC_ id of WaitCursor.h or Cursor.h),
  // shown unless a WM_SETCURSOR handler sets another.
  void SetCursor(std::uint32_t cursorId);
  // WM_DROPFILES for files dropped on the window.
  void DragAcceptFiles(bool accept);

  // The paint context while a WM_PAINT handler runs; null otherwise.
  wxPaintDC* GetPaintDC() const { return paintDC_; }

  // --- ModalWindow ---------------------------------------------------------------------
  ModalWindow* GetParentModalWindow() const override { return parent_; }
  bool HasHandle() const override { return handle_ != nullptr; }
  bool IsVisibleOrCreatedVisible() const override;
  bool IsIconic() const override;
  void ShowWindow(int command) override;
  bool IsWindowEnabled() const override;
  void EnableWindow(bool enable) override;

  // --- cMsgDlg: boxes are owned by the peer --------------------------------------------------
  void* GetWindowHandle() const override;
  void* GetOwnerWindow() const override { return const_cast<TWindow*>(this); }
  ModalWindow* GetModalWindow() const override { return const_cast<TWindow*>(this); }

  // Called by the peer's destructor (the toolkit destroyed it).
  void PeerDestroyed();
  // Marks the window whose destruction ends the message loop.
  void SetMainWindowFlag(bool on) { isMainWindow_ = on; }
  bool IsMainWindow() const { return isMainWindow_; }

 protected:
  // Makes the toolkit window (a plain window by default).
  virtual wxWindow* CreatePeer(wxWindow* parentPeer);
  // Default of WM_CLOSE: destroy when CanClose.
  void EvClose();
  void SetPaintDC(wxPaintDC* dc) { paintDC_ = dc; }
  friend class MessageBridge;

 private:
  void AddChild(TWindow* child);
  void FinishDestroy(bool destroyPeer);
  void OnTimer(std::uint32_t id);

  TWindow* parent_;
  WString title_;
  std::vector<TWindow*> children_;
  wxWindow* peer_ = nullptr;
  THandle handle_ = nullptr;
  wxPaintDC* paintDC_ = nullptr;
  std::map<std::uint32_t, std::unique_ptr<wxTimer>> timers_;
  std::uint32_t cursorId_ = 0;
  bool destroying_ = false;
  bool isMainWindow_ = false;
  bool* handledFlag_ = nullptr;  // of the innermost HandleMessage
};

}  // namespace kvn
