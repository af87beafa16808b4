// Every close the window manager asks of one top-level window (its close
// box, Alt+F4, a pager's close), whatever state the window is in.
//
// The toolkit's frame drops such a request while the frame is disabled and
// while a modal dialog runs without the frame holding the grab. A window
// that must end whenever it is asked to (the print preview over its page's
// progress window, or before its modal run has started) hears them here.
#pragma once

#include <functional>
#include <memory>

class wxWindow;

namespace kvn {

class KeptCloseRequests {
 public:
  // From here on `onClose` runs for each close request of `topLevel` in
  // place of the toolkit's own handling. `topLevel` must have its toolkit
  // window; nothing under another toolkit.
  KeptCloseRequests(wxWindow& topLevel, std::function<void()> onClose);
  ~KeptCloseRequests();
  KeptCloseRequests(const KeptCloseRequests&) = delete;
  KeptCloseRequests& operator=(const KeptCloseRequests&) = delete;

  struct Hooks;

 private:
  std::unique_ptr<Hooks> hooks_;
};

}  // namespace kvn
