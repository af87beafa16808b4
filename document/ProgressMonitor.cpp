#include "document/ProgressMonitor.h"

#include <string>

#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/TickClock.h"

namespace kvn {

namespace {

ProgressWindowFactory* g_factory = nullptr;

}  // namespace

ProgressWindowFactory* SetProgressWindowFactory(ProgressWindowFactory* factory) {
  ProgressWindowFactory* previous = g_factory;
  g_factory = factory;
  return previous;
}

WString ProgressValueText(std::uint32_t value, bool showPercent, const char16_t* suffix) {
  WString text = WString::FromUtf8(std::to_string(value));
  text.AppendChar(u' ');
  if (showPercent) {
    text.AppendChar(u'%');
  } else if (suffix) {
    text.AppendCStr(suffix);
  }
  return text;
}

ProgressMonitor::ProgressMonitor(cMsgDlg* parent, WString title, int dialogId)
    : title_(std::move(title)), parent_(parent), dialogId_(dialogId) {}

ProgressMonitor::~ProgressMonitor() {
  // The window's destructor closes the dialog and brings the parent forward.
  window_.reset();
  waitCursor_.Restore();
}

bool ProgressMonitor::Step(std::uint32_t value, bool showPercent, const WString* text, const char16_t* suffix,
                           bool force) {
  if (text && !(*text == text_)) {
    text_ = *text;
    textChanged_ = true;
  }
  const std::uint64_t now = GetTickCount64();
  if (!stepped_) {
    stepped_ = true;
    firstStepTick_ = now;
  }
  if (!window_) {
    if (now <= firstStepTick_ + delayMs_) return !cancelled_;
    if (quiet_) {
      // The caller wants no dialog at all: the operation stops instead.
      cancelled_ = true;
      return false;
    }
    EnsureWindow();
    if (!window_) return !cancelled_;
  }
  if (!force && refreshed_) {
    const std::uint64_t since = now >= lastRefreshTick_ ? now - lastRefreshTick_ : lastRefreshTick_ - now;
    if (since <= kProgressRefreshMs) return !cancelled_;
  }

  // A Step from a handler that the pump runs (a paint, a print job's abort
  // check) must not pump again: the toolkit refuses a yield inside a yield.
  if (pumping_) return !cancelled_;
  pumping_ = true;
  window_->PumpMessages();
  pumping_ = false;
  // The pump may have run the cancel question; the window stays ours.
  refreshed_ = true;
  lastRefreshTick_ = GetTickCount64();
  window_->UpdateCursor(cancelled_);

  if (value != kProgressNoValue && std::int64_t(value) != lastValue_) {
    window_->SetValueText(ProgressValueText(value, showPercent, suffix));
    if (showPercent) {
      // value x 100 in 64 bits: a caller's count passed as a percentage must
      // not wrap the bar back to the start.
      const std::uint64_t position = std::uint64_t(value) * 100;
      window_->ShowBar(position > kProgressBarRange ? kProgressBarRange : std::uint32_t(position));
    } else {
      window_->HideBar();
    }
    lastValue_ = value;
  }
  if (textChanged_) {
    textChanged_ = false;
    window_->SetDetailText(text_);
  }
  return !cancelled_;
}

ProgressWindow* ProgressMonitor::EnsureWindow() {
  if (quiet_ || !parent_ || !parent_->GetWindowHandle()) return nullptr;
  if (window_) return window_.get();
  if (!g_factory) return nullptr;
  ProgressWindow* outerWindow = outer_ ? outer_->EnsureWindow() : nullptr;
  window_ = g_factory->CreateProgressWindow(*this, *parent_, outerWindow);
  return window_.get();
}

cMsgDlg* ProgressMonitor::GetMessageParent() const {
  if (window_) {
    if (cMsgDlg* owner = window_->GetMessageOwner()) return owner;
  }
  return parent_;
}

void ProgressMonitor::Cancel() {
  cancelled_ = true;
  if (window_) window_->DisableCancel();
}

bool ProgressMonitor::AskCancel() {
  if (!window_ || !window_->HasWindow() || cancelled_) return false;
  cMsgDlg* owner = window_->GetMessageOwner();
  const WString caption = LoadLangString(kStrQuestionCaption);
  const int answer =
      ShowMessageBox(owner, LoadLangString(kStrTerminateFunction), caption.CStr(), kMbOkCancel | kMbIconQuestion);
  // The answer may come after the operation cancelled by itself meanwhile.
  if (answer != kIdOk || cancelled_) return false;
  Cancel();
  return true;
}

void ProgressMonitor::SetTitle(WString title) {
  title_ = std::move(title);
  if (window_ && !title_.IsEmpty()) window_->SetCaption(title_);
}

}  // namespace kvn
