// Every close asked of one top-level window, whatever state it is in: the
// window manager's (its close box, Alt+F4, a pager's close) and the keys
// that close it.
//
// The toolkit's frame drops the manager's request while the frame is
// disabled and while a modal dialog runs without the frame holding the
// grab; and GTK hands no key to a disabled window at all. A window that
// must end whenever it is asked to (the print preview over its page's
// progress window, or before its modal run has started) hears them here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class wxWindow;

namespace kvn {

class KeptCloseRequests {
 public:
  // From here on `onClose` runs for each close request of `topLevel` in
  // place of the toolkit's own handling, and `onKey` gets Escape and Enter
  // (kVkEscape, kVkReturn) pressed in `topLevel` while it is disabled.
  // `topLevel` must have its toolkit window; nothing under another toolkit.
  KeptCloseRequests(wxWindow& topLevel, std::function<void()> onClose, std::function<void(std::uint32_t)> onKey);
  // For as long as a modal window keeps `topLevel` disabled: `onClose` runs
  // for each close request of it while it is disabled, and the toolkit's
  // own handling is back once this object has gone.
  enum class WhileDisabled { kOnly };
  KeptCloseRequests(wxWindow& topLevel, WhileDisabled, std::function<void()> onClose,
                    std::function<void(std::uint32_t)> onKey);
  ~KeptCloseRequests();
  KeptCloseRequests(const KeptCloseRequests&) = delete;
  KeptCloseRequests& operator=(const KeptCloseRequests&) = delete;

  struct Hooks;

 private:
  std::unique_ptr<Hooks> hooks_;
};

}  // namespace kvn
