// Shell helpers of the program's window layer that have no other home: the
// pair of input hooks, a point-in-rectangle test, the combo drop list kept
// on the screen, the system's own folder and the warning against data in
// the program's folder.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "foundation/WString.h"
#include "platform/gdi/GdiTypes.h"

class wxWindow;

namespace kvn {

class cMsgDlg;

// Left and top inclusive, right and bottom exclusive.
bool IsPointInRect(const TRect& rect, const TPoint& point);

// The mouse and keyboard hooks of the current thread for the guard's life;
// one guard is active at a time. GTK has no thread hooks: the toolkit's
// event filter stands in for them, and it sees every mouse and key event of
// the program before its window does. The callback (when set) hears each.
class InputHookGuard {
 public:
  enum class Kind { Mouse, Keyboard };
  explicit InputHookGuard(std::function<void(Kind)> seen = {});
  ~InputHookGuard();
  InputHookGuard(const InputHookGuard&) = delete;
  InputHookGuard& operator=(const InputHookGuard&) = delete;
  static InputHookGuard* Active();

 private:
  struct Filter;
  std::unique_ptr<Filter> filter_;
};

// When a combo box's drop-down list (a window of the toolkit's owner-drawn
// combo) sticks out past the right edge of its monitor's work area, moves
// it left by the overhang. GTK places its own combo lists itself.
void KeepComboDropListOnScreen(wxWindow* combo);

// The system's own folder, with a trailing '/': the first folder of
// $XDG_CONFIG_DIRS (the system-wide settings, as the Windows folder held
// them), else "/etc/xdg/".
WString GetWindowsFolderPath();

// True, after a message box (error icon), when `path` lies in a folder of
// installed programs, where data cannot be written: the program's own
// folder, /usr/ and /opt/. The text is string 1145 with the path, and with
// `addAdvice` the advice to move the data elsewhere.
bool WarnDataInProgramFiles(const cMsgDlg* owner, const WString& path, bool addAdvice);

}  // namespace kvn
