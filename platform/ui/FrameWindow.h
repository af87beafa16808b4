// TFrameWindow: a top-level window with a menu, an accelerator table and a
// client window, and the command road of the class library:
//
// - a menu command or an accelerator goes first to the window that
//   GetCommandTarget names, then to each of its parents up to the frame,
//   then to the frame, then to the application; the first table with a
//   row for the command runs it. An accelerator (or menu item) whose
//   command is disabled at that moment does nothing, as TranslateAccelerator
//   does not send WM_COMMAND for a greyed menu item.
// - command enablers take the same road; the menu items' enablers run at
//   the first idle call after any message and when a menu opens.
//
// The frame asks itself WM_GETMINMAXINFO once its window exists and gives
// the minimum tracking size to the toolkit (GTK keeps size hints; it does
// not ask again at each resize as Win32 does).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/ui/MenuResource.h"
#include "platform/ui/Window.h"

class wxMenu;
class wxMenuBar;
class wxSizer;
class wxEventLoopBase;
class wxTimer;

namespace kvn {

class TFrameWindow : public TWindow {
 public:
  TFrameWindow(TWindow* parent, const WString& title = WString(), TWindow* clientWnd = nullptr);
  ~TFrameWindow() override;

  // Where menu commands and enablers go first; the frame itself by default.
  virtual THandle GetCommandTarget();
  TWindow* GetClientWindow() const { return client_; }
  // Puts a new client in place and returns the old one (not destroyed).
  virtual TWindow* SetClientWindow(TWindow* client);

  // The menu resource to build at set-up (0: none), and building it again
  // now: texts translated in the current language, letters assigned afresh.
  void SetMenuResourceId(int id) { menuResId_ = id; }
  int GetMenuResourceId() const { return menuResId_; }
  bool AssignMenu(int menuResId);
  // The accelerator resource (0: none), installed at set-up.
  void SetAcceleratorTableId(int id) { accelResId_ = id; }
  int GetAcceleratorTableId() const { return accelResId_; }
  wxMenuBar* GetMenuBar() const;
  // The accelerator table installed at set-up.
  const std::vector<AcceleratorEntry>& GetAccelerators() const { return accelerators_; }
  // The shortcut shown after a command's label in the current menu.
  WString GetMenuShortcut(std::uint32_t id) const;
  // The key texts of the current menu's items whose keys no accelerator
  // binds (BuiltMenu::shownKeys).
  const std::map<std::uint32_t, WString>& GetMenuShownKeys() const { return shownKeys_; }
  // The hint of a command for a status line (kind 1) or a tool tip (kind 2);
  // empty when the frame has none. Decorated frames answer from their menus.
  enum THintKind { StatusHint = 1, TooltipHint = 2 };
  virtual WString GetHintText(std::uint32_t id, THintKind kind);
  // The X window class (the class part of WM_CLASS) of this frame alone,
  // set whenever the frame is shown; empty: the program's class.
  void SetXClass(const WString& windowClass) { xClass_ = windowClass; }
  // The icon of the frame: the bitmap resource of that id, its light grey
  // (C0C0C0) transparent, given to the window when it is set up.
  void SetIconId(int id) { iconId_ = id; }
  int GetIconId() const { return iconId_; }

  // Runs the frame modally, as a modal dialog runs: the toolkit's loop
  // runs with the input going to this frame alone until EndModalLoop, whose
  // result it returns (0 when the loop ended otherwise); the frame is then
  // hidden. End the run before destroying the frame.
  int RunModalLoop();
  // Ends the run; when another loop runs inside it (a box over the frame),
  // once control comes back to it; before the run, as soon as it starts.
  void EndModalLoop(int result);

  // Whether the frame is maximised. Without a window manager the toolkit
  // never confirms a maximise request; until some manager has confirmed
  // one, the request itself counts.
  bool IsZoomed() const;
  void ShowWindow(int command) override;

  // --- the command road ---------------------------------------------------------------
  TResult EvCommand(std::uint32_t id, THandle ctl, std::uint32_t notifyCode) override;
  void EvCommandEnable(TCommandEnabler& ce) override;
  // Whether a command may run now (its enabler, routed).
  bool IsCommandEnabled(std::uint32_t id);
  // A command from the menu or an accelerator (MessageBridge).
  void CommandFromMenu(std::uint32_t id);
  // Runs the enablers of one menu (all menus for null).
  void UpdateMenuEnablers(wxMenu* menu = nullptr);
  void MaximizeConfirmed() { maximizeConfirmed_ = true; }

  bool IdleAction(long idleCount) override;
  const char16_t* GetClassName() const override { return u"KvnFrame"; }
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  wxWindow* CreatePeer(wxWindow* parentPeer) override;
  void SetupWindow() override;
  // A menu bar has just been built and set (at set-up and by AssignMenu,
  // so after every language switch); decorated frames dress it up.
  virtual void MenuAssigned() {}
  // Lays the client (and, in decorated frames, the decorations) out.
  virtual void LayoutFrame();
  // The frame's sizer: decorations go around the client's slot.
  wxSizer* GetFrameSizer() const { return sizer_; }
  // The WM_CLASS instance name of the toolkit window (its class is GetClassName).
  void SetInstanceName(const WString& name) { instanceName_ = name; }

 private:
  // The windows a command visits: the target, its parents below the frame.
  std::vector<TWindow*> CommandChain();
  bool HasCommandHandler(std::uint32_t id);
  void ApplyMinMaxInfo();
  void ApplyIcon();

  TWindow* client_;
  int menuResId_ = 0;
  int accelResId_ = 0;
  int iconId_ = 0;
  std::map<std::uint32_t, WString> shortcuts_;
  std::map<std::uint32_t, WString> shownKeys_;
  std::vector<AcceleratorEntry> accelerators_;
  wxSizer* sizer_ = nullptr;
  WString instanceName_;
  WString xClass_;
  bool maximizeRequested_ = false;
  bool maximizeConfirmed_ = false;
  bool modalRunning_ = false;
  bool endAsked_ = false;  // EndModalLoop came before the run
  int modalResult_ = 0;
  wxEventLoopBase* modalLoop_ = nullptr;  // the grab's loop, once it runs
  std::unique_ptr<wxTimer> endRetry_;
};

}  // namespace kvn
