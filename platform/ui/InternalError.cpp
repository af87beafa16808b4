#include "platform/ui/InternalError.h"

#include "foundation/ModalStack.h"
#include "foundation/MsgBox.h"
#include "foundation/TextFormat.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"

namespace kvn {

namespace {

bool g_latch = false;

// The box owner: the first window of the chain that has a toolkit window and
// is visible.
const cMsgDlg* FindVisibleOwner(ModalWindow* window) {
  for (ModalWindow* w = window; w != nullptr; w = w->GetParentModalWindow()) {
    if (!w->HasHandle() || !w->IsVisibleOrCreatedVisible()) continue;
    if (const auto* owner = dynamic_cast<const cMsgDlg*>(w)) return owner;
  }
  return nullptr;
}

}  // namespace

WString InternalErrorText(int code) {
  const WString pattern(
      u"Internal error #%d. Probably is a problem in operating system. Please exit the software.\n\n"
      u"Interní chyba #%d. Zřejmě je problém v operačním systému. Prosím ukončete program.");
  return FormatPercentD2(pattern, code, code);
}

void ReportInternalError(TWindow* window, int code) { ReportInternalErrorFrom(window, code); }

void ReportInternalErrorFrom(ModalWindow* window, int code) {
  if (g_latch) return;
  g_latch = true;
  const cMsgDlg* owner = FindVisibleOwner(window);
  if (!owner) return;
  MessageQueue& queue = MessageQueue::Instance();
  int quitStatus = 0;
  const bool quitPending = queue.TakeQuit(quitStatus);
  ShowMessageBox(owner, InternalErrorText(code), nullptr, kMbIconError | kMbTaskModal | kMbSetForeground);
  if (quitPending) queue.PostQuit(quitStatus);
}

bool InternalErrorReported() { return g_latch; }

namespace internal_error_testing {
void ResetLatch() { g_latch = false; }
}  // namespace internal_error_testing

}  // namespace kvn
