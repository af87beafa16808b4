// The stack of modal states, one per process, used on the user-interface
// thread only (no lock).
//
// Every modal loop (message boxes, dialogs) pushes on entry and pops on
// exit. The first push records the top-level window of the owner; the
// window layer may disable other top-level windows for the modal state
// (DisableOtherTopWindows, empty in this program: the toolkit's modal
// dialogs disable their siblings themselves), and the last pop enables
// again every window that the modal state disabled.
//
// Windows reach the core library through ModalWindow, which the window
// layer's window class implements; the stack keeps plain pointers, so a
// window must not die while it is on the stack or on the disabled list.
#pragma once

#include <cstdint>

#include "foundation/GrowArray.h"

namespace kvn {

// ShowWindow commands the stack uses.
inline constexpr int kSwShow = 5;
inline constexpr int kSwRestore = 9;

class ModalWindow {
 public:
  virtual ~ModalWindow() = default;
  // The parent in the window chain; null for a top-level window.
  virtual ModalWindow* GetParentModalWindow() const = 0;
  // The toolkit window exists.
  virtual bool HasHandle() const = 0;
  // Visible; before the toolkit window exists, whether it is created visible.
  virtual bool IsVisibleOrCreatedVisible() const = 0;
  virtual bool IsIconic() const = 0;
  virtual void ShowWindow(int command) = 0;
  virtual bool IsWindowEnabled() const = 0;
  virtual void EnableWindow(bool enable) = 0;

  // Set while the modal state keeps this window disabled.
  bool disabledByModal = false;
};

// With the flag, an enabled window is disabled and marked as disabled by the
// modal state; without it, a window so marked is enabled again and the mark
// cleared.
void SetDisabledByModal(ModalWindow& window, bool disable);

// Called at the first push with the recorded window and the disabled list;
// disables nothing and adds nothing in this program.
void DisableOtherTopWindows(ModalWindow* recorded, GrowArray<ModalWindow*>& disabled);

class ModalStack {
 public:
  // Enters a modal state. The owner is followed to its top-level ancestor;
  // unless keepVisible is set that window is shown (restored when visible
  // and iconic). On the first push it is recorded and the disabled list is
  // cleared. Then `window`, or the owner when it is null, is pushed.
  static void Push(ModalWindow* owner, ModalWindow* window, bool keepVisible);
  // Leaves a modal state; nothing when the stack is empty. When it becomes
  // empty, every window on the disabled list that still has a handle and
  // was disabled by the modal state is enabled again, and the list and the
  // recorded window are cleared.
  static void Pop();
  // The window on top of the stack (null when empty); `first` (when not null)
  // gets the window recorded at the first push.
  static ModalWindow* Top(ModalWindow** first = nullptr);
  // Whether the window is on the list of windows disabled by the modal state.
  static bool IsDisabledWindow(const ModalWindow* window);
  static std::uint32_t Depth();
  // How many pushes and pops there have been: a window that keeps a state
  // for as long as the same windows are up compares it.
  static std::uint64_t Changes();
};

}  // namespace kvn
