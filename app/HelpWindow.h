// THelpWindow: the frame base of the main frame, a decorated frame with a
// docking area for tool bars at the top, optional remembered placement, and
// the help mixin MyHelpClass, which turns help requests into one registered
// message ("QRN_MSG_HLP1"). The viewer ships no help file: every help
// request ends in the window's default processing.
#pragma once

#include <memory>

class wxKeyEvent;

#include "controls/MenuDecorator.h"
#include "platform/ui/DecoratedFrame.h"

namespace kvn {

class MyHelpClass : public virtual TEventHandler {
 public:
  explicit MyHelpClass(TWindow& owner) : owner_(owner) {}
  // WM_HELP: a menu item closes the menu and posts its id; a window with a
  // context id posts that; anything else acts like CmHelp.
  void EvHelp(const THelpInfo& info);
  // "QRN_MSG_HLP1" and command 11002: no help file, default processing.
  TResult EvHelpMessage(TParam1 wParam, TParam2 lParam);
  void CmHelp();
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  TWindow& owner_;
  int helpId_ = -1;
};

// The dockable tool bar of the help frame; tool tips come with its gadgets.
class TDockableControlBarWithAutoTips : public TDockableControlBar {
 public:
  using TDockableControlBar::TDockableControlBar;
};

class THelpWindow : public TDecoratedFrame, public MyHelpClass {
 public:
  THelpWindow(TWindow* parent, const WString& title = WString(), TWindow* client = nullptr);
  ~THelpWindow() override;

  // Registry value and key of a remembered placement, default size (a
  // negative value: that percentage of the work area) and centre offsets.
  void SetPlacement(const WString& valueName, const WString& key, int width, int height, int xOffset, int yOffset);
  bool Create() override;
  void SetupWindow() override;
  void CleanupWindow() override;
  bool CanClose() override { return TDecoratedFrame::CanClose(); }

  TDockableControlBarWithAutoTips* GetToolBar() const { return toolBar_; }
  THarbor* GetHarbor() const { return harbor_.get(); }
  MenuDecorator& GetMenuDecorator() { return menuDecorator_; }
  // A command's tool-tip hint: its menu label and shortcut (the decorator's).
  WString GetHintText(std::uint32_t id, THintKind kind) override;

  void EvGetMinMaxInfo(TMinMaxInfo& info);
  void CmNothing() {}
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  // Every new menu bar gets the commands' images and shortcut texts.
  void MenuAssigned() override;
  // Shortcut keys become commands before the focus sees them.
  void OnCharHook(wxKeyEvent& event);

 private:
  MenuDecorator menuDecorator_;
  TCommandTable commandTable_;
  std::unique_ptr<THarbor> harbor_;
  TDockableControlBarWithAutoTips* toolBar_;  // a child: owned by the window
  WString placementValue_;
  WString placementKey_;
  int placementX_ = 0;
  int placementY_ = 0;
  int placementWidth_ = 200;
  int placementHeight_ = 200;
};

}  // namespace kvn
