#include "foundation/WaitCursor.h"

namespace kvn {

namespace {

struct BusyCursorState {
  CursorBackend* backend = nullptr;
  bool allowed = true;
  std::uint32_t nesting = 0;
  // A cursor was saved by the outermost guard.
  bool saved = false;
};

BusyCursorState& BusyState() {
  static BusyCursorState state;
  return state;
}

}  // namespace

CursorBackend* SetCursorBackend(CursorBackend* backend) {
  CursorBackend* previous = BusyState().backend;
  BusyState().backend = backend;
  return previous;
}

void SetBusyCursorsAllowed(bool allowed) { BusyState().allowed = allowed; }
bool BusyCursorsAllowed() { return BusyState().allowed; }
std::uint32_t WaitCursorNesting() { return BusyState().nesting; }

WaitCursor::WaitCursor(std::uint32_t cursorId) {
  BusyCursorState& s = BusyState();
  if (!s.allowed) {
    restored_ = true;
    return;
  }
  if (cursorId == 0) cursorId = kIdcWait;
  if (s.nesting == 0 && cursorId != kIdcNo && s.backend != nullptr) s.saved = s.backend->SetCursor(cursorId);
  ++s.nesting;
}

void WaitCursor::Restore() {
  if (restored_) return;
  restored_ = true;
  BusyCursorState& s = BusyState();
  if (s.nesting > 0) --s.nesting;
  if (s.nesting == 0 && s.saved) {
    s.saved = false;
    if (s.backend != nullptr) s.backend->RestoreCursor();
  }
}

}  // namespace kvn
