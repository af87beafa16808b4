// TDialog: the class library's dialog (TDialogGeneric; its message-box
// mix-in comes with TWindow) over a wxDialog built from a dialog template
// (DialogTemplate.h). The one place where dialogs meet the toolkit: every
// quirk it absorbs is commented where it is absorbed.
//
// Creation, as CreateDialog and the class library do it:
//   1. the toolkit dialog is made with the template's caption and client
//      size, and one toolkit control per template entry, in template order
//      (which is the tab order and the z-order GetChildWindows walks);
//   2. SetupWindow creates the child objects (controls constructed with a
//      resource id adopt their template control; see Controls.h), each of
//      which loads its variable, then the dialog's LoadFromVariable runs;
//   3. WM_INITDIALOG (EvInitDialog); true gives the focus to the first
//      control with a tab stop;
//   4. Execute runs it modally and returns the id that closed it; a
//      modeless dialog is shown by Create.
//
// Keys (IsDialogMessage): Tab and Shift+Tab move the focus (in the order
// of DialogNavigation.h, over the dialog box a page lives in), Enter presses
// the focused push button or the default one (DM_GETDEFID), Escape sends
// IDCANCEL, F1 sends WM_HELP; before each, the focused control is asked
// WM_GETDLGCODE with the key, and a control that answers DLGC_WANTALLKEYS
// gets the key as WM_KEYDOWN instead.
//
// Commands: IDOK runs CanClose, SaveToVariable and closes with IDOK; IDCANCEL
// and WM_CLOSE close with IDCANCEL. A WM_COMMAND carrying a child control's
// handle takes the notification road (the control's row first).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/Mnemonics.h"
#include "platform/ui/ControlButtons.h"
#include "platform/ui/ControlLists.h"
#include "platform/ui/ControlTexts.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Window.h"

class wxTimer;

namespace kvn {

class TDialog : public TWindow, public TTransferTarget, public TTemplateHost {
 public:
  // The template of the id must exist; without it Create fails.
  TDialog(TWindow* parent, int resourceId);
  ~TDialog() override;

  int GetResourceId() const { return resourceId_; }
  const DialogTemplateData* GetTemplate() const { return template_; }
  // The pixels of four horizontal and of eight vertical dialog units the
  // template is laid out in (after FitTemplateToTexts).
  TSize GetBaseUnits() const { return TSize{baseX_, baseY_}; }

  // Runs the dialog modally (between ModalStack::Push and Pop): the id of
  // the command that closed it (kIdcOk, kIdcCancel, ...), -1 when the
  // window could not be created. The window is gone afterwards.
  virtual int Execute();
  // Modeless: creates the window and shows it when Attr.Style has WS_VISIBLE.
  bool Create() override;
  // EndDialog: ends a modal run with the value, destroys a modeless dialog.
  virtual void CloseWindow(int retValue);
  void Destroy(int retValue = 0) override;
  bool IsModal() const { return modal_; }
  int GetReturnValue() const { return retValue_; }

  // Every child with a window, in child order.
  void LoadFromVariable() override;
  void SaveToVariable() override;

  // WM_INITDIALOG; true lets the dialog give the focus to its first control.
  virtual bool EvInitDialog(THandle focus);

  // The child of the id; a template control no object adopted is wrapped
  // (as the class of its template entry) on the first request. Null when
  // the dialog has no such control.
  TWindow* GetDlgItem(int id);
  // DM_GETDEFID's id: the template's BS_DEFPUSHBUTTON, else IDOK.
  int GetDefaultId() const { return defaultId_; }
  void SetDefaultId(int id) { defaultId_ = id; }

  // The child windows in z-order (GetTopWindow / GW_HWNDNEXT), as opaque
  // toolkit windows, and their texts and ids.
  std::vector<void*> GetChildWindows() const;
  static WString GetChildWindowText(void* child);
  static void SetChildWindowText(void* child, const WString& text);
  static int GetChildWindowId(void* child);
  // The id of the focused window when it lies in the dialog; 0 otherwise.
  int GetFocusedControlId() const;
  // MoveWindowIntoMonitor: centred on the screen point, kept on its monitor.
  void MoveCentredOn(const TPoint& screenPoint);

  // TTemplateHost.
  const DialogControlData* FindTemplateControl(int id) const override;
  wxWindow* TakeTemplatePeer(int id) override;

  // A key the dialog manager handles; false leaves it to the focused control.
  bool HandleDialogKey(std::uint32_t vk, bool shift);

  TResult EvCommand(std::uint32_t id, THandle ctl, std::uint32_t notifyCode) override;
  TResult WindowProc(std::uint32_t msg, TParam1 wParam, TParam2 lParam) override;
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  wxWindow* CreatePeer(wxWindow* parentPeer) override;
  void SetupWindow() override;
  void CleanupWindow() override;

  void CmOk();
  void CmCancel();
  void EvClose();

  // The template's controls on a toolkit window of the dialog's own making
  // (a dialog that lives inside another window, such as a page or a panel
  // inside a common dialog), and the dialog manager's keys and raw
  // notifications bound to it (without the keys, which are then the host's).
  void CreateTemplateControls(wxWindow* dialog);
  void BindDialogEvents(wxWindow* dialog, bool dialogKeys = true);
  // Once the controls show their final texts (translated): where a text
  // does not fit its rectangle, the template is laid out again with larger
  // dialog units (DialogFit.h) and the dialog's window grows with it.
  void FitTemplateToTexts();

 private:
  struct TemplatePeer {
    int id = -1;
    wxWindow* peer = nullptr;
    const DialogControlData* entry = nullptr;
  };
  TResult EvInitDialogMsg(TParam1 wParam, TParam2);
  TResult EvGetDefId(TParam1, TParam2);
  TResult EvNextDlgCtl(TParam1 wParam, TParam2 lParam);
  void SetDefaultFocus();
  void PressButton(int id, bool onlyEnabled);
  // Ends the toolkit's modal run, or retries shortly while the toolkit is
  // still showing the dialog and has not made it modal yet.
  void EndModalRun();

  int resourceId_;
  const DialogTemplateData* template_;
  std::vector<TemplatePeer> templatePeers_;
  int baseX_ = 1, baseY_ = 1;  // the dialog units the template controls were laid out in
  int defaultId_ = kIdcOk;
  int retValue_ = kIdcCancel;
  bool modal_ = false;
  bool modalRunning_ = false;
  bool endRequested_ = false;
  std::unique_ptr<wxTimer> endRetry_;
  void* outerLoop_ = nullptr;  // the toolkit loop active when the modal run began
};

using TDialogGeneric = TDialog;

// The mnemonic target of dialog controls: texts go to TDialog's child windows.
class TDialogMnemonicTarget : public MnemonicTarget {
 public:
  void SetControlText(void* window, const WString& text) override { TDialog::SetChildWindowText(window, text); }
  void SetMenuItemText(void*, int, int, const WString&) override {}
};

// CM_RESTORE_DEFAULTS to every child's own response table (children only):
// each bound control returns to its default.
void BroadcastResetToDefaults(TWindow& window);

}  // namespace kvn
