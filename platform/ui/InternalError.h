// ReportInternalError: the program's one notice for faults of the window
// layer, a window or dialog that cannot be registered or created. The
// failing operation returns failure to its caller and the program goes on;
// the user is told once per run.
//
// The notice is a message box owned by the first visible window with a
// toolkit window, from the given window up through its parents; without one
// nothing is shown (the latch is still set). A quit request pending at that
// moment is taken away while the box shows, so that it does not close the
// box at once, and put back afterwards, so that the program still ends.
#pragma once

#include "foundation/WString.h"

namespace kvn {

class ModalWindow;
class TWindow;

// Fault codes, numbered as the class library numbers them.
inline constexpr int kInternalErrorWindowCreate = 1000;   // 1000-1002 window creation
inline constexpr int kInternalErrorDialogCreate = 1010;   // 1010-1013 dialog creation and execution

// The bilingual text of the notice with both "%d" replaced by the code.
WString InternalErrorText(int code);

void ReportInternalError(TWindow* window, int code);
// The same for any window of the modal-stack interface (the window must
// also be a cMsgDlg to own the box; TWindow is both).
void ReportInternalErrorFrom(ModalWindow* window, int code);

// Whether the notice of this run has been given.
bool InternalErrorReported();

namespace internal_error_testing {
void ResetLatch();
}  // namespace internal_error_testing

}  // namespace kvn
