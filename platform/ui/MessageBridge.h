// The one place where toolkit events become the program's messages.
//
// Every peer (the toolkit window of a TWindow) is a WxPeer<wxSomething>: it
// knows its TWindow and tells it when the toolkit destroys it. Bind attaches
// the translations below to a peer; each event is turned into its message
// and given to TWindow::HandleMessage. An event whose message ended in
// DefaultProcessing goes on to the toolkit's own handling (wxEvent::Skip),
// as DefWindowProc would have had it.
#pragma once

#include <cstdint>
#include <utility>

#include "platform/ui/Messages.h"

class wxWindow;
class wxPaintDC;

namespace kvn {

class TWindow;

// The back link from a peer to its window; cleared when the window lets
// the peer go first.
class PeerLink {
 public:
  virtual ~PeerLink() = default;
  TWindow* owner = nullptr;
};

void NotifyPeerDestroyed(TWindow* window);

template <class Base>
class WxPeer : public Base, public PeerLink {
 public:
  template <class... Args>
  explicit WxPeer(TWindow* window, Args&&... args) : Base(std::forward<Args>(args)...) {
    owner = window;
  }
  ~WxPeer() override {
    if (TWindow* window = std::exchange(owner, nullptr)) NotifyPeerDestroyed(window);
  }
};

class MessageBridge {
 public:
  // Attaches the translations to the window's peer.
  static void Bind(TWindow& window);
  static void CaptureLost(TWindow& window);
  // WM_PAINT with the paint context the toolkit made for it.
  static void RunPaint(TWindow& window, wxPaintDC* dc);
};

// Key codes between the toolkit and the program (KeyCodes.cpp).
std::uint32_t VirtualKeyFromWx(int wxKeyCode);
int WxKeyFromVirtualKey(std::uint32_t vk);
// GetKeyState: bit 15 set while the key is down (Shift, Control, Alt and
// the mouse buttons are asked of the toolkit).
std::int16_t GetKeyState(std::uint32_t vk);

}  // namespace kvn
