#include "app/ProgressDialog.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <algorithm>
#include <utility>

#include "foundation/ModalStack.h"
#include "foundation/WaitCursor.h"
#include "platform/ui/Application.h"
#include "platform/ui/Cursor.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/PaintAhead.h"
#include "platform/ui/UiHelpersWx.h"

namespace kvn {

namespace {

// Progress dialogs that entered the modal state and have not left it.
int g_holding = 0;

std::vector<std::function<void()>>& TasksAfterLongOperation() {
  static std::vector<std::function<void()>> tasks;
  return tasks;
}

}  // namespace

bool LongOperationHoldsProgram() { return g_holding > 0; }

void AfterLongOperation(std::function<void()> task) {
  if (!task) return;
  if (g_holding == 0) {
    task();
    return;
  }
  TasksAfterLongOperation().push_back(std::move(task));
}

// --- TMyAbortWindow -----------------------------------------------------------------------------

TMyAbortWindow::TMyAbortWindow(TWindow* parent, int resourceId, ProgressMonitor& monitor)
    : TDialogTr(parent, resourceId),
      progressBar_(new TGauge(this, kIdProgressBar)),
      valueText_(new TStatic(this, kIdProgressValue)),
      detailText_(new TStatic(this, kIdProgressDetail)),
      cancelButton_(new TButton(this, kIdcCancel)),
      monitor_(monitor) {}

TMyAbortWindow::~TMyAbortWindow() {
  // Our own Destroy while the object is still this class (the base
  // destructor's would skip giving the owners back).
  Destroy();
  if (enteredModal_) {
    enteredModal_ = false;
    ModalStack::Pop();
    --g_holding;
  }
  monitor_.EndWaitCursor();
  ReenableOwners();
  if (g_holding == 0) {
    // A task may start another long operation: the list is taken first.
    const std::vector<std::function<void()>> tasks = std::exchange(TasksAfterLongOperation(), {});
    for (const auto& task : tasks) task();
  }
}

const TResponseTable& TMyAbortWindow::Table() {
  static const TResponseTable table(
      {
          OnCommand<&TMyAbortWindow::CmCancel>(kIdcCancel),
          OnMessage<kWmClose, &TMyAbortWindow::EvClose>(),
      },
      {&TDialogTr::Table()});
  return table;
}

bool TMyAbortWindow::Find(TEventInfo& info) { return Table().Search(info); }

void TMyAbortWindow::SetupWindow() {
  monitor_.EndWaitCursor();
  TDialogTr::SetupWindow();
  // Step sets the cursor itself from now on.
  SetBusyCursorsAllowed(false);
  savedFocus_ = GetFocus();
  std::vector<TWindow*> owners;
  for (TWindow* w = GetParentO(); w != nullptr; w = w->GetParentO()) {
    if (w->IsWindowEnabled()) owners.push_back(w);
  }
  // Noted before any owner is disabled: disabling a child window already
  // takes the focus out of its top-level window.
  for (TWindow* w : owners) ownerFocus_.insert(ownerFocus_.begin(), DisabledWindowFocus(w->GetPeer()));
  for (TWindow* w : owners) {
    w->EnableWindow(false);
    disabledOwners_.insert(disabledOwners_.begin(), w);
  }
  // Until the manager has made this window active, it may still send the
  // user's key or close to an owner, which the toolkit would drop: a
  // preview opened by its mnemonic leaves the print dialog active for a
  // moment, and its Escape was lost with the page drawn to its end.
  // Queued, so that the question is asked from the monitor's pump.
  for (TWindow* w : owners) {
    if (w->GetPeer() == nullptr || !w->GetPeer()->IsTopLevel()) continue;
    ownerRequests_.push_back(std::make_unique<KeptCloseRequests>(
        *w->GetPeer(), KeptCloseRequests::WhileDisabled::kOnly, [this] { PostMessage(kWmClose); },
        [this](std::uint32_t) { PostMessage(kWmClose); }));
  }
  if (!monitor_.Title().IsEmpty()) SetCaption(monitor_.Title());
  progressBar_->SetRange(0, int(kProgressBarRange));
  ModalStack::Push(GetParentO(), this, true);
  enteredModal_ = true;
  ++g_holding;
  if (monitor_.Cancelled()) cancelButton_->EnableWindow(false);
}

void TMyAbortWindow::CmCancel() { monitor_.AskCancel(); }

void TMyAbortWindow::EvClose() { monitor_.AskCancel(); }

void TMyAbortWindow::Destroy(int retValue) {
  monitor_.EndWaitCursor();
  const bool hadWindow = GetHandle() != nullptr;
  TDialogTr::Destroy(retValue);
  if (hadWindow) ReenableOwners();
}

void TMyAbortWindow::ReenableOwners() {
  ownerRequests_.clear();
  SetBusyCursorsAllowed(true);
  const std::vector<TWindow*> owners = std::exchange(disabledOwners_, {});
  std::vector<DisabledWindowFocus> kept = std::exchange(ownerFocus_, {});
  for (std::size_t i = 0; i < owners.size(); ++i) {
    owners[i]->EnableWindow(true);
    // What the toolkit took from the window with its disabling.
    if (i < kept.size()) kept[i].Restore();
  }
  // Only into a window that can still take it: one closed or disabled
  // meanwhile would hold the focus where no key reaches.
  if (TWindow* focus = GetWindowPtr(std::exchange(savedFocus_, nullptr))) {
    wxWindow* peer = focus->GetPeer();
    wxWindow* top = peer ? wxGetTopLevelParent(peer) : nullptr;
    if (top != nullptr && top->IsShown() && top->IsEnabled() && peer->IsEnabled()) focus->SetFocus();
  }
}

// --- placement ------------------------------------------------------------------------------------

TPoint PlaceUnderOuter(const TRect& outer, int width) {
  const std::int64_t centre = (std::int64_t(outer.left) + outer.right) / 2;
  const std::int64_t left = std::clamp<std::int64_t>(centre - width / 2, INT32_MIN, INT32_MAX);
  return TPoint{std::int32_t(left), outer.bottom};
}

// --- ProgressDialogWindow ---------------------------------------------------------------------------

ProgressDialogWindow::ProgressDialogWindow(TMyAbortWindow* dialog, TWindow* parent)
    : dialog_(dialog), parent_(parent) {}

ProgressDialogWindow::~ProgressDialogWindow() {
  if (cursorSet_) wxSetCursor(wxNullCursor);
  delete dialog_;
  // Never a window closed meanwhile: bringing it to the front would show it
  // again, or activate it in the instant it goes, and the window the
  // manager then falls back to need not be the one beneath it.
  if (parent_ && parent_->GetPeer() && parent_->GetPeer()->IsShown()) BringWindowToFront(parent_->GetPeer(), true);
}

bool ProgressDialogWindow::HasWindow() const { return dialog_->GetHandle() != nullptr; }

void ProgressDialogWindow::SetCaption(const WString& caption) { dialog_->SetCaption(caption); }

void ProgressDialogWindow::SetValueText(const WString& text) {
  TStatic* value = dialog_->GetValueText();
  value->SetText(text);
  value->UpdateWindow();
}

void ProgressDialogWindow::ShowBar(std::uint32_t position) {
  // Win32's bar animates forward moves (programs there set one step past
  // the value and back to show it at once); the toolkit's bar shows a new
  // value at once, so the value alone is set.
  TGauge* bar = dialog_->GetProgressBar();
  bar->ShowWindow(kSwShow);
  bar->SetValue(int(std::min(position, kProgressBarRange)));
  bar->UpdateWindow();
}

void ProgressDialogWindow::HideBar() { dialog_->GetProgressBar()->ShowWindow(kSwHide); }

void ProgressDialogWindow::SetDetailText(const WString& text) { dialog_->GetDetailText()->SetText(text); }

void ProgressDialogWindow::DisableCancel() { dialog_->GetCancelButton()->EnableWindow(false); }

void ProgressDialogWindow::PumpMessages() {
  // The dialog first: the toolkit would paint it after every other window
  // that needs it, and one of those may take seconds (a large drawing, a
  // preview frame's first paint under the sanitizers), with the dialog an
  // empty frame and its Cancel unanswered meanwhile.
  PaintAheadOfOthers(dialog_->GetPeer());
  wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  if (loop && TApplication::Current()) {
    TApplication::Current()->PumpWaitingMessages();
    return;
  }
  // Without a running loop (an operation started before the main loop runs)
  // the application yields through a temporary loop.
  if (loop) {
    loop->YieldFor(wxEVT_CATEGORY_ALL);
  } else if (wxTheApp) {
    wxTheApp->Yield(true);
  }
  MessageQueue::Instance().DispatchRound();
}

void ProgressDialogWindow::UpdateCursor(bool cancelled) {
  bool overCancel = false;
  if (wxWindow* cancel = dialog_->GetCancelButton()->GetPeer()) {
    // Left and top inclusive, right and bottom exclusive.
    overCancel = cancel->GetScreenRect().Contains(wxGetMousePosition());
  }
  wxSetCursor(CursorFromId(!cancelled && overCancel ? kIdcArrow : kIdcWait));
  cursorSet_ = true;
}

// --- the factory ---------------------------------------------------------------------------------------

std::unique_ptr<ProgressWindow> ProgressDialogFactory::CreateProgressWindow(ProgressMonitor& monitor,
                                                                            cMsgDlg& parent,
                                                                            ProgressWindow* outer) {
  auto* parentWindow = dynamic_cast<TWindow*>(&parent);
  if (!parentWindow || !parentWindow->GetHandle()) return nullptr;
  auto* outerDialog = dynamic_cast<ProgressDialogWindow*>(outer);
  auto* dialog = new TMyAbortWindow(parentWindow, monitor.DialogId(), monitor);
  dialog->centerFlag = outerDialog == nullptr;
  // Shown only once it is in its place.
  dialog->Attr.Style &= ~kWsVisible;
  auto window = std::make_unique<ProgressDialogWindow>(dialog, parentWindow);
  if (!dialog->Create()) return nullptr;
  if (outerDialog && outerDialog->Dialog()->GetHandle()) {
    const TRect size = dialog->GetWindowRect();
    const TPoint at = PlaceUnderOuter(outerDialog->Dialog()->GetWindowRect(), size.right - size.left);
    dialog->GetPeer()->Move(at.x, at.y);
  }
  dialog->ShowWindow(kSwShow);
  // Painted at once, not after the windows that wait for their paint.
  PaintAheadOfOthers(dialog->GetPeer());
  return window;
}

namespace {
ProgressDialogFactory g_factory;
}  // namespace

void InstallProgressDialogs() { SetProgressWindowFactory(&g_factory); }

void UninstallProgressDialogs() {
  ProgressWindowFactory* current = SetProgressWindowFactory(nullptr);
  if (current != &g_factory) SetProgressWindowFactory(current);
}

}  // namespace kvn
