// The keys a bound control with a live variable reports to its parent
// (WM_AUTO_NEXT, 35999): its answer to the dialog manager's WM_GETDLGCODE.
#pragma once

#include <cstdint>

#include "platform/ui/Window.h"

namespace kvn {

// Escape is left to the dialog (the default answer); Tab posts wParam 1, or
// 2 with Shift; Enter posts 0; the answer is the default plus
// DLGC_WANTALLKEYS, so the dialog does not move on by itself. lParam is the
// query's key message (TMsg*), or 0.
TResult LiveKeysDlgCode(TWindow& control, std::uint32_t defaultCode, TParam2 lParam);

}  // namespace kvn
