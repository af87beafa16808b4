// The progress dialog of long operations (TMyAbortWindow, template 1120) and
// the factory through which the core library's ProgressMonitor
// (document/ProgressMonitor.h) shows it.
//
// While the dialog shows, the windows from its parent up are disabled and
// the program is in a modal state, so that no other command starts; the
// monitor pumps the message queue, so the program stays painted. Escape,
// Cancel and the close box ask the monitor's cancel question, and so do
// Escape, Enter and a close request that reach a disabled owner. The busy
// cursor guards are off meanwhile: the monitor sets the cursor itself (an
// arrow over Cancel, else the hourglass).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "controls/DialogTr.h"
#include "document/ProgressMonitor.h"
#include "platform/ui/DisabledWindowFocus.h"
#include "platform/ui/KeptCloseRequests.h"

namespace kvn {

// Control ids of template 1120.
inline constexpr int kIdProgressValue = 1002;   // the percent or count text
inline constexpr int kIdProgressDone = 1003;    // "Done:"
inline constexpr int kIdProgressDetail = 1004;  // the detail line
inline constexpr int kIdProgressBar = 1010;

class TMyAbortWindow : public TDialogTr {
 public:
  TMyAbortWindow(TWindow* parent, int resourceId, ProgressMonitor& monitor);
  ~TMyAbortWindow() override;

  // The Cancel button, Escape (which presses Cancel) and the close box.
  void CmCancel();
  void EvClose();
  // Ends the monitor's busy cursor, remembers the focused control, destroys
  // the window and gives the owners back.
  void Destroy(int retValue = 0) override;
  // Busy cursors on again; the disabled owners enabled, the outermost
  // first; the focus back where it was.
  void ReenableOwners();

  TGauge* GetProgressBar() const { return progressBar_; }
  TStatic* GetValueText() const { return valueText_; }
  TStatic* GetDetailText() const { return detailText_; }
  TButton* GetCancelButton() const { return cancelButton_; }
  ProgressMonitor& GetMonitor() const { return monitor_; }
  const std::vector<TWindow*>& DisabledOwners() const { return disabledOwners_; }

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void SetupWindow() override;

 private:
  TGauge* progressBar_;
  TStatic* valueText_;
  TStatic* detailText_;
  TButton* cancelButton_;
  bool enteredModal_ = false;
  // Front: the outermost window.
  std::vector<TWindow*> disabledOwners_;
  // The toolkit's focus and grab of each of them, in the same order.
  std::vector<DisabledWindowFocus> ownerFocus_;
  // The keys and closes that reach a disabled owner, sent here: the
  // manager may still call an owner active while this window comes up.
  std::vector<std::unique_ptr<KeptCloseRequests>> ownerRequests_;
  ProgressMonitor& monitor_;
  THandle savedFocus_ = nullptr;
};

// Where a nested progress dialog's top-left corner goes: its top edge on the
// outer dialog's bottom edge, centred on the outer dialog's horizontal centre.
TPoint PlaceUnderOuter(const TRect& outer, int width);

// The monitor's view of one TMyAbortWindow; it owns the dialog.
class ProgressDialogWindow : public ProgressWindow {
 public:
  ProgressDialogWindow(TMyAbortWindow* dialog, TWindow* parent);
  // Deletes the dialog and brings the parent to the front with the focus.
  ~ProgressDialogWindow() override;

  bool HasWindow() const override;
  cMsgDlg* GetMessageOwner() override { return dialog_; }
  void SetCaption(const WString& caption) override;
  void SetValueText(const WString& text) override;
  void ShowBar(std::uint32_t position) override;
  void HideBar() override;
  void SetDetailText(const WString& text) override;
  void DisableCancel() override;
  void PumpMessages() override;
  void UpdateCursor(bool cancelled) override;

  TMyAbortWindow* Dialog() const { return dialog_; }

 private:
  TMyAbortWindow* dialog_;
  TWindow* parent_;
  bool cursorSet_ = false;
};

class ProgressDialogFactory : public ProgressWindowFactory {
 public:
  // Null when the parent is not a window of the program or has no toolkit
  // window, or when the dialog cannot be made.
  std::unique_ptr<ProgressWindow> CreateProgressWindow(ProgressMonitor& monitor, cMsgDlg& parent,
                                                       ProgressWindow* outer) override;
};

// Whether a progress dialog is up: a long operation holds the program, every
// other window disabled, and its monitor pumps the messages now and then.
// Nothing the user does can change a drawing meanwhile.
bool LongOperationHoldsProgram();
// Runs `task` once the last progress dialog has gone (at once when none is
// up): a window that put off part of a paint draws it then.
void AfterLongOperation(std::function<void()> task);

// Makes the progress dialog the monitors' window (start-up).
void InstallProgressDialogs();
void UninstallProgressDialogs();

}  // namespace kvn
