// ProgressMonitor: what a long operation tells the user, and the way the
// user stops it. Every long operation (opening, importing, printing) runs on
// the GUI thread and calls Step now and then.
//
// Timing, on the 64-bit monotonic clock of foundation/TickClock.h:
//   - nothing is shown for 2000 ms after the first Step, so that short
//     operations never flash a window (the busy cursor shows meanwhile);
//   - the first Step after that shows the progress dialog;
//   - from then on a Step refreshes the dialog (pumps the message queue,
//     writes the texts) at most every 200 ms, unless it is forced.
// Cancel: Escape, the Cancel button or closing the dialog ask "Terminate a
// function?"; only OK cancels, and every later Step answers false. The
// operation decides how to stop.
// Nesting: a monitor created inside another one's operation (a reference
// read while its drawing opens) is given the outer one with SetOuter; its
// dialog sits directly under the outer dialog.
//
// The core library links without a display: the dialog comes from a
// ProgressWindowFactory that the application installs. Without one no
// dialog is ever shown and Step only keeps the cancel state.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/WString.h"
#include "foundation/WaitCursor.h"

namespace kvn {

class cMsgDlg;
class ProgressMonitor;

// Dialog resource of the progress window; every caller passes it.
inline constexpr int kProgressDialogId = 1120;
inline constexpr int kProgressDialogNative = kProgressDialogId;

// Step's value when there is no new percentage or count.
inline constexpr std::uint32_t kProgressNoValue = 0xFFFFFFFFu;
// The progress bar runs from 0 to this (a value x 100).
inline constexpr std::uint32_t kProgressBarRange = 10001;

inline constexpr std::uint64_t kProgressDelayMs = 2000;
inline constexpr std::uint64_t kProgressRefreshMs = 200;

// Strings of the cancel question.
inline constexpr int kStrTerminateFunction = 1167;  // "Terminate a function?"
inline constexpr int kStrQuestionCaption = 1171;    // "Question"

// The progress dialog as the monitor drives it (the shell's TMyAbortWindow).
class ProgressWindow {
 public:
  virtual ~ProgressWindow() = default;
  // The dialog's toolkit window exists.
  virtual bool HasWindow() const = 0;
  // The owner of message boxes shown while the dialog is up.
  virtual cMsgDlg* GetMessageOwner() = 0;
  virtual void SetCaption(const WString& caption) = 0;
  // The percent or count text (control 1002), repainted at once.
  virtual void SetValueText(const WString& text) = 0;
  // The progress bar (control 1010) made visible at a position of
  // 0..kProgressBarRange and repainted; or hidden.
  virtual void ShowBar(std::uint32_t position) = 0;
  virtual void HideBar() = 0;
  // The detail line (control 1004).
  virtual void SetDetailText(const WString& text) = 0;
  virtual void DisableCancel() = 0;
  // Handles the messages waiting now. Escape, Cancel and closing reach the
  // monitor's AskCancel from here.
  virtual void PumpMessages() = 0;
  // The arrow over the Cancel button while not cancelled, else the hourglass.
  virtual void UpdateCursor(bool cancelled) = 0;
};

class ProgressWindowFactory {
 public:
  virtual ~ProgressWindowFactory() = default;
  // Creates and shows the monitor's dialog on `parent`, under `outer` (the
  // dialog of the enclosing monitor) when given, else centred. Null when the
  // dialog cannot be made. The window's destructor closes the dialog and
  // brings the parent to the front.
  virtual std::unique_ptr<ProgressWindow> CreateProgressWindow(ProgressMonitor& monitor, cMsgDlg& parent,
                                                               ProgressWindow* outer) = 0;
};

// Not owned; null removes the factory. Returns the previous one.
ProgressWindowFactory* SetProgressWindowFactory(ProgressWindowFactory* factory);

// The value text of Step: the decimal value, a space, then "%" with
// showPercent, else the suffix when given ("42 %", "120 objects").
WString ProgressValueText(std::uint32_t value, bool showPercent, const char16_t* suffix);

class ProgressMonitor {
 public:
  // `parent` owns the dialog and the messages while no dialog exists (may
  // be null: then no dialog is shown). The busy cursor shows from here
  // until the dialog appears or the monitor ends.
  explicit ProgressMonitor(cMsgDlg* parent = nullptr, WString title = WString(),
                           int dialogId = kProgressDialogId);
  virtual ~ProgressMonitor();
  ProgressMonitor(const ProgressMonitor&) = delete;
  ProgressMonitor& operator=(const ProgressMonitor&) = delete;

  // Reports progress. `value` is a percentage or a count, kProgressNoValue
  // for none; `text` a new detail line or null; `suffix` the unit of a
  // count; `force` refreshes even within 200 ms of the last refresh.
  // True to go on, false once cancelled (and from then on).
  bool Step(std::uint32_t value, bool showPercent, const WString* text, const char16_t* suffix, bool force);
  // The readers' short form: a percentage (-1 for none), nothing else.
  virtual bool Step(int percent, bool showPercent = false) {
    return Step(std::uint32_t(percent), showPercent, nullptr, nullptr, false);
  }

  // Shows the dialog now (before a nested load starts, or to show it without
  // waiting). Null when the parent has no window, the monitor is quiet or no
  // dialog can be made.
  virtual ProgressWindow* EnsureWindow();
  // The owner of every message box of the operation: the dialog when it
  // exists, else the parent.
  virtual cMsgDlg* GetMessageParent() const;

  // Sets `cancelled` and greys the Cancel button.
  void Cancel();
  // The cancel question: only while the dialog has a window and the monitor
  // is not cancelled yet. OK cancels. True when it cancelled.
  bool AskCancel();
  bool Cancelled() const { return cancelled_; }

  // The dialog's caption (when not empty); set on the dialog at once when it
  // exists.
  void SetTitle(WString title);
  const WString& Title() const { return title_; }
  int DialogId() const { return dialogId_; }
  cMsgDlg* Parent() const { return parent_; }
  ProgressWindow* Window() const { return window_.get(); }

  // The monitor of the enclosing operation (set by the creator of a nested one).
  void SetOuter(ProgressMonitor* outer) { outer_ = outer; }
  ProgressMonitor* Outer() const { return outer_; }
  // A quiet monitor never shows a dialog: once the delay has passed, Step
  // cancels instead (the file-open preview stops rather than showing one).
  void SetQuiet(bool quiet) { quiet_ = quiet; }
  bool Quiet() const { return quiet_; }

  // Ends the busy cursor of the monitor (the dialog does when it appears).
  void EndWaitCursor() { waitCursor_.Restore(); }

  // State read by tests and by the dialog.
  const WString& Text() const { return text_; }
  std::int64_t LastValue() const { return lastValue_; }

 protected:
  void MarkCancelled() { Cancel(); }

 private:
  std::uint64_t delayMs_ = kProgressDelayMs;
  WaitCursor waitCursor_;
  WString title_;
  bool cancelled_ = false;
  ProgressMonitor* outer_ = nullptr;
  cMsgDlg* parent_;
  bool quiet_ = false;
  // Unset until the first refresh: a new dialog is refreshed at its first Step.
  bool refreshed_ = false;
  std::uint64_t lastRefreshTick_ = 0;
  bool pumping_ = false;
  std::unique_ptr<ProgressWindow> window_;
  bool stepped_ = false;
  std::uint64_t firstStepTick_ = 0;
  WString text_;
  bool textChanged_ = false;
  // -1 until a value was shown; a u32 value otherwise.
  std::int64_t lastValue_ = -1;
  int dialogId_;
};

}  // namespace kvn
