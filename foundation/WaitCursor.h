// WaitCursor: a scope guard that shows the busy cursor while at least one
// guard lives. Guards nest: only the outermost one changes the cursor, and
// the cursor from before it comes back when the last guard ends.
//
// Process-wide and on the user-interface thread only. The cursor itself is
// set through a backend that the window layer installs, so that readers in
// the core library can hold a guard without a display.
#pragma once

#include <cstdint>

namespace kvn {

// Cursor ids, numbered as the system's IDC_ values.
inline constexpr std::uint32_t kIdcArrow = 32512;
inline constexpr std::uint32_t kIdcWait = 32514;
inline constexpr std::uint32_t kIdcNo = 32648;
inline constexpr std::uint32_t kIdcAppStarting = 32650;

class CursorBackend {
 public:
  virtual ~CursorBackend() = default;
  // Shows the cursor of the id; true when the cursor shown before was saved
  // and must be put back with RestoreCursor.
  virtual bool SetCursor(std::uint32_t cursorId) = 0;
  virtual void RestoreCursor() = 0;
};

// Not owned; null removes the backend. Returns the previous one.
CursorBackend* SetCursorBackend(CursorBackend* backend);

// While off, new guards do nothing (a progress dialog sets the cursor itself).
void SetBusyCursorsAllowed(bool allowed);
bool BusyCursorsAllowed();
// The number of live guards.
std::uint32_t WaitCursorNesting();

class WaitCursor {
 public:
  // 0 means IDC_WAIT. A guard for IDC_NO only counts and never changes the
  // cursor.
  explicit WaitCursor(std::uint32_t cursorId = 0);
  ~WaitCursor() { Restore(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

  // Ends the guard early; later calls and the destructor do nothing.
  void Restore();

 private:
  bool restored_ = false;
};

}  // namespace kvn
