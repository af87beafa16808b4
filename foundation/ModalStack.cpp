#include "foundation/ModalStack.h"

namespace kvn {

namespace {

struct ModalState {
  GrowArray<ModalWindow*> stack;
  ModalWindow* recorded = nullptr;
  GrowArray<ModalWindow*> disabled;
  std::uint64_t changes = 0;
};

ModalState& ModalData() {
  static ModalState state;
  return state;
}

ModalWindow* TopLevelOf(ModalWindow* window) {
  // A parent chain is finite, but a damaged one must not hang the program.
  for (int depth = 0; window != nullptr && depth < 1024; ++depth) {
    ModalWindow* parent = window->GetParentModalWindow();
    if (parent == nullptr) return window;
    window = parent;
  }
  return window;
}

}  // namespace

void SetDisabledByModal(ModalWindow& window, bool disable) {
  if (disable) {
    if (window.IsWindowEnabled()) {
      window.EnableWindow(false);
      window.disabledByModal = true;
    }
  } else if (window.disabledByModal) {
    window.EnableWindow(true);
    window.disabledByModal = false;
  }
}

void DisableOtherTopWindows(ModalWindow* /*recorded*/, GrowArray<ModalWindow*>& /*disabled*/) {}

void ModalStack::Push(ModalWindow* owner, ModalWindow* window, bool keepVisible) {
  ModalState& s = ModalData();
  ModalWindow* top = TopLevelOf(owner);
  if (top != nullptr && !keepVisible) {
    top->ShowWindow(top->IsVisibleOrCreatedVisible() && top->IsIconic() ? kSwRestore : kSwShow);
  }
  if (s.stack.Empty()) {
    s.recorded = top;
    s.disabled.Clear();
    DisableOtherTopWindows(s.recorded, s.disabled);
  }
  s.stack.Add(window != nullptr ? window : owner);
  ++s.changes;
}

void ModalStack::Pop() {
  ModalState& s = ModalData();
  if (s.stack.Empty()) return;
  s.stack.SetCount(s.stack.Count() - 1);
  ++s.changes;
  if (!s.stack.Empty()) return;
  for (ModalWindow* w : s.disabled) {
    if (w != nullptr && w->HasHandle() && w->disabledByModal) SetDisabledByModal(*w, false);
  }
  s.disabled.Clear();
  s.recorded = nullptr;
}

ModalWindow* ModalStack::Top(ModalWindow** first) {
  ModalState& s = ModalData();
  if (first) *first = s.recorded;
  return s.stack.Empty() ? nullptr : s.stack[s.stack.Count() - 1];
}

bool ModalStack::IsDisabledWindow(const ModalWindow* window) {
  for (const ModalWindow* w : ModalData().disabled) {
    if (w == window) return true;
  }
  return false;
}

std::uint32_t ModalStack::Depth() { return ModalData().stack.Count(); }

std::uint64_t ModalStack::Changes() { return ModalData().changes; }

}  // namespace kvn
