// Toolkit event -> message, for every peer. The table of what becomes what
// is in README.md; the quirks are commented where they are absorbed.
#include "platform/ui/MessageBridge.h"

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/event.h>
#include <wx/frame.h>
#include <wx/scrolbar.h>
#include <wx/toplevel.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <set>

#include "platform/ui/Cursor.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/Window.h"

namespace kvn {

void NotifyPeerDestroyed(TWindow* window) { window->PeerDestroyed(); }

namespace {

// The window of the peer an event was bound on; null once the window let
// its peer go (the event then takes the toolkit's own way).
TWindow* Owner(wxWindow* peer) { return TWindow::FromPeer(peer); }

THandle HandleOf(const wxWindow* w) {
  TWindow* window = TWindow::FromPeer(w);
  return window ? window->GetHandle() : nullptr;
}

bool HasRow(TWindow& window, std::uint32_t msg) {
  TEventInfo info(msg);
  return window.Find(info);
}

std::uint32_t MouseKeys(const wxMouseEvent& e) {
  std::uint32_t keys = 0;
  if (e.LeftIsDown()) keys |= kMkLButton;
  if (e.RightIsDown()) keys |= kMkRButton;
  if (e.MiddleIsDown()) keys |= kMkMButton;
  if (e.ShiftDown()) keys |= kMkShift;
  if (e.ControlDown()) keys |= kMkControl;
  return keys;
}

// Sends a message for an event; lets the toolkit have the event when no row took it.
void Deliver(wxEvent& event, TWindow* window, std::uint32_t msg, TParam1 w, TParam2 l) {
  if (!window) {
    event.Skip();
    return;
  }
  bool handled = true;
  window->HandleMessage(msg, w, l, &handled);
  if (!handled) event.Skip();
}

// Keys held down, for the "was down" bit of WM_KEYDOWN: the toolkit reports
// auto-repeat only as repeated key-down events.
std::set<std::uint32_t>& KeysDown() {
  static std::set<std::uint32_t> keys;
  return keys;
}

TParam2 KeyParam(std::uint32_t vk, bool down, bool wasDown) {
  std::uint32_t flags = 1;  // repeat count
  if (wasDown) flags |= kKeyWasDown;
  switch (vk) {
    case kVkPrior: case kVkNext: case kVkEnd: case kVkHome: case kVkLeft: case kVkUp: case kVkRight:
    case kVkDown: case kVkInsert: case kVkDelete: case kVkDivide:
      flags |= kKeyExtended;
      break;
    default: break;
  }
  if (!down) flags |= 0xC0000000u;  // previous state and transition: released
  return TParam2(flags);
}

std::uint32_t ScrollCode(wxEventType type) {
  if (type == wxEVT_SCROLL_LINEUP || type == wxEVT_SCROLLWIN_LINEUP) return kSbLineUp;
  if (type == wxEVT_SCROLL_LINEDOWN || type == wxEVT_SCROLLWIN_LINEDOWN) return kSbLineDown;
  if (type == wxEVT_SCROLL_PAGEUP || type == wxEVT_SCROLLWIN_PAGEUP) return kSbPageUp;
  if (type == wxEVT_SCROLL_PAGEDOWN || type == wxEVT_SCROLLWIN_PAGEDOWN) return kSbPageDown;
  if (type == wxEVT_SCROLL_THUMBTRACK || type == wxEVT_SCROLLWIN_THUMBTRACK) return kSbThumbTrack;
  if (type == wxEVT_SCROLL_THUMBRELEASE || type == wxEVT_SCROLLWIN_THUMBRELEASE) return kSbThumbPosition;
  if (type == wxEVT_SCROLL_TOP || type == wxEVT_SCROLLWIN_TOP) return kSbTop;
  if (type == wxEVT_SCROLL_BOTTOM || type == wxEVT_SCROLLWIN_BOTTOM) return kSbBottom;
  return kSbEndScroll;
}

void BindMouse(wxWindow* peer) {
  struct Button {
    wxEventType type;
    std::uint32_t msg;
  };
  static const Button kButtons[] = {
      {wxEVT_LEFT_DOWN, kWmLButtonDown},     {wxEVT_LEFT_UP, kWmLButtonUp},
      {wxEVT_LEFT_DCLICK, kWmLButtonDblClk}, {wxEVT_RIGHT_DOWN, kWmRButtonDown},
      {wxEVT_RIGHT_UP, kWmRButtonUp},        {wxEVT_RIGHT_DCLICK, kWmRButtonDblClk},
      {wxEVT_MIDDLE_DOWN, kWmMButtonDown},   {wxEVT_MIDDLE_UP, kWmMButtonUp},
      {wxEVT_MIDDLE_DCLICK, kWmMButtonDblClk}, {wxEVT_MOTION, kWmMouseMove},
  };
  for (const Button& b : kButtons) {
    const std::uint32_t msg = b.msg;
    peer->Bind(wxEventTypeTag<wxMouseEvent>(b.type), [peer, msg](wxMouseEvent& e) {
      // Clicks also set the focus in Win32's default processing; the
      // toolkit does that when the event is skipped.
      Deliver(e, Owner(peer), msg, MouseKeys(e), MakePointParam(e.GetX(), e.GetY()));
    });
  }
  peer->Bind(wxEVT_MOUSEWHEEL, [peer](wxMouseEvent& e) {
    // Win32 counts 120 per notch and reports the point on the screen.
    const int delta = e.GetWheelDelta() > 0 ? e.GetWheelRotation() * kWheelDelta / e.GetWheelDelta() : 0;
    const wxPoint screen = peer->ClientToScreen(e.GetPosition());
    const std::uint32_t msg = e.GetWheelAxis() == wxMOUSE_WHEEL_VERTICAL ? kWmMouseWheel : kWmNull;
    if (msg == kWmNull) {
      e.Skip();
      return;
    }
    Deliver(e, Owner(peer), msg, MakeWParam(std::uint16_t(MouseKeys(e)), std::uint16_t(std::int16_t(delta))),
            MakePointParam(screen.x, screen.y));
  });
  // Win32 reports the leaving only after TrackMouseEvent; sending it always
  // costs the windows that do not ask nothing (they have no row for it).
  peer->Bind(wxEVT_LEAVE_WINDOW, [peer](wxMouseEvent& e) { Deliver(e, Owner(peer), kWmMouseLeave, 0, 0); });
  peer->Bind(wxEVT_MOUSE_CAPTURE_LOST, [peer](wxMouseCaptureLostEvent&) {
    if (TWindow* w = Owner(peer)) MessageBridge::CaptureLost(*w);
  });
}

void BindKeys(wxWindow* peer) {
  peer->Bind(wxEVT_KEY_DOWN, [peer](wxKeyEvent& e) {
    const std::uint32_t vk = VirtualKeyFromWx(e.GetKeyCode());
    if (vk == 0) {
      e.Skip();
      return;
    }
    const bool wasDown = !KeysDown().insert(vk).second;
    // Alt turns a key into a system key, as F10 does.
    const std::uint32_t msg = (e.AltDown() || vk == kVkF1 + 9) ? kWmSysKeyDown : kWmKeyDown;
    Deliver(e, Owner(peer), msg, vk, KeyParam(vk, true, wasDown));
  });
  peer->Bind(wxEVT_KEY_UP, [peer](wxKeyEvent& e) {
    const std::uint32_t vk = VirtualKeyFromWx(e.GetKeyCode());
    KeysDown().erase(vk);
    if (vk == 0) {
      e.Skip();
      return;
    }
    const std::uint32_t msg = e.AltDown() ? kWmSysKeyUp : kWmKeyUp;
    Deliver(e, Owner(peer), msg, vk, KeyParam(vk, false, true));
  });
  peer->Bind(wxEVT_CHAR, [peer](wxKeyEvent& e) {
    const wxChar c = e.GetUnicodeKey();
    if (c == WXK_NONE) {
      e.Skip();
      return;
    }
    Deliver(e, Owner(peer), kWmChar, TParam1(c), 1);
  });
}

void BindWindowState(wxWindow* peer) {
  peer->Bind(wxEVT_PAINT, [peer](wxPaintEvent& e) {
    TWindow* w = Owner(peer);
    if (!w || !HasRow(*w, kWmPaint)) {
      e.Skip();
      return;
    }
    // GTK draws only through a paint context made inside the paint event;
    // the handler reaches it through TWindow::GetPaintDC.
    wxPaintDC dc(peer);
    MessageBridge::RunPaint(*w, &dc);
  });
  peer->Bind(wxEVT_ERASE_BACKGROUND, [peer](wxEraseEvent& e) {
    TWindow* w = Owner(peer);
    if (!w || !HasRow(*w, kWmEraseBkgnd) || w->HandleMessage(kWmEraseBkgnd, 0, 0) == 0) e.Skip();
  });
  peer->Bind(wxEVT_SIZE, [peer](wxSizeEvent& e) {
    TWindow* w = Owner(peer);
    std::uint32_t type = kSizeRestored;
    if (auto* top = dynamic_cast<wxTopLevelWindow*>(peer)) {
      if (top->IsIconized()) type = kSizeMinimized;
      if (top->IsMaximized()) type = kSizeMaximized;
    }
    const wxSize client = peer->GetClientSize();
    // Frames lay out their decorations and client in the toolkit's handler.
    Deliver(e, w, kWmSize, type,
            TParam2(std::uint32_t(std::uint16_t(client.x)) | (std::uint32_t(std::uint16_t(client.y)) << 16)));
    if (dynamic_cast<wxTopLevelWindow*>(peer)) e.Skip();
  });
  peer->Bind(wxEVT_MOVE, [peer](wxMoveEvent& e) {
    const wxPoint p = peer->GetPosition();
    Deliver(e, Owner(peer), kWmMove, 0, MakePointParam(p.x, p.y));
  });
  peer->Bind(wxEVT_SET_FOCUS, [peer](wxFocusEvent& e) {
    Deliver(e, Owner(peer), kWmSetFocus, reinterpret_cast<TParam1>(HandleOf(e.GetWindow())), 0);
  });
  peer->Bind(wxEVT_KILL_FOCUS, [peer](wxFocusEvent& e) {
    Deliver(e, Owner(peer), kWmKillFocus, reinterpret_cast<TParam1>(HandleOf(e.GetWindow())), 0);
  });
  peer->Bind(wxEVT_SET_CURSOR, [peer](wxSetCursorEvent& e) {
    TWindow* w = Owner(peer);
    if (!w || !HasRow(*w, kWmSetCursor)) {
      e.Skip();
      return;
    }
    ClearRequestedCursor();
    const TResult set = w->HandleMessage(kWmSetCursor, reinterpret_cast<TParam1>(w->GetHandle()),
                                         TParam2(MakeWParam(std::uint16_t(kHtClient), std::uint16_t(kWmMouseMove))));
    if (set && RequestedCursor() != 0) {
      e.SetCursor(CursorFromId(RequestedCursor()));
    } else {
      e.Skip();
    }
  });
  peer->Bind(wxEVT_SHOW, [peer](wxShowEvent& e) {
    Deliver(e, Owner(peer), kWmShowWindow, e.IsShown() ? 1 : 0, 0);
  });
  peer->Bind(wxEVT_HELP, [peer](wxHelpEvent& e) {
    TWindow* w = Owner(peer);
    if (!w) {
      e.Skip();
      return;
    }
    THelpInfo info;
    info.contextType = kHelpInfoWindow;
    info.ctrlId = w->Attr.Id;
    info.item = w->GetHandle();
    info.mousePos = TPoint{e.GetPosition().x, e.GetPosition().y};
    Deliver(e, w, kWmHelp, 0, reinterpret_cast<TParam2>(&info));
  });
}

void BindScrolling(wxWindow* peer) {
  // The window's own scroll bars.
  static const wxEventType kOwn[] = {wxEVT_SCROLLWIN_TOP,      wxEVT_SCROLLWIN_BOTTOM,     wxEVT_SCROLLWIN_LINEUP,
                                     wxEVT_SCROLLWIN_LINEDOWN, wxEVT_SCROLLWIN_PAGEUP,     wxEVT_SCROLLWIN_PAGEDOWN,
                                     wxEVT_SCROLLWIN_THUMBTRACK, wxEVT_SCROLLWIN_THUMBRELEASE};
  for (wxEventType type : kOwn) {
    peer->Bind(wxEventTypeTag<wxScrollWinEvent>(type), [peer](wxScrollWinEvent& e) {
      const std::uint32_t msg = e.GetOrientation() == wxHORIZONTAL ? kWmHScroll : kWmVScroll;
      Deliver(e, Owner(peer), msg,
              MakeWParam(std::uint16_t(ScrollCode(e.GetEventType())), std::uint16_t(e.GetPosition())), 0);
    });
  }
  // A child scroll-bar control reports to its parent, with its own handle.
  static const wxEventType kChild[] = {wxEVT_SCROLL_TOP,      wxEVT_SCROLL_BOTTOM,     wxEVT_SCROLL_LINEUP,
                                       wxEVT_SCROLL_LINEDOWN, wxEVT_SCROLL_PAGEUP,     wxEVT_SCROLL_PAGEDOWN,
                                       wxEVT_SCROLL_THUMBTRACK, wxEVT_SCROLL_THUMBRELEASE, wxEVT_SCROLL_CHANGED};
  for (wxEventType type : kChild) {
    peer->Bind(wxEventTypeTag<wxScrollEvent>(type), [peer](wxScrollEvent& e) {
      auto* bar = dynamic_cast<wxWindow*>(e.GetEventObject());
      if (bar == peer || bar == nullptr) {
        e.Skip();  // the bar's own binding: let it reach the parent
        return;
      }
      const std::uint32_t msg = e.GetOrientation() == wxHORIZONTAL ? kWmHScroll : kWmVScroll;
      Deliver(e, Owner(peer), msg,
              MakeWParam(std::uint16_t(ScrollCode(e.GetEventType())), std::uint16_t(e.GetPosition())),
              reinterpret_cast<TParam2>(HandleOf(bar)));
    });
  }
}

void BindCommands(wxWindow* peer) {
  // A push button tells its parent with WM_COMMAND (BN_CLICKED = 0).
  peer->Bind(wxEVT_BUTTON, [peer](wxCommandEvent& e) {
    auto* control = dynamic_cast<wxWindow*>(e.GetEventObject());
    if (control == peer || control == nullptr) {
      e.Skip();
      return;
    }
    Deliver(e, Owner(peer), kWmCommand, MakeWParam(std::uint16_t(e.GetId()), 0),
            reinterpret_cast<TParam2>(HandleOf(control)));
  });
  if (!dynamic_cast<wxTopLevelWindow*>(peer)) return;
  peer->Bind(wxEVT_CLOSE_WINDOW, [peer](wxCloseEvent& e) {
    TWindow* w = Owner(peer);
    if (!w) {
      e.Skip();
      return;
    }
    w->HandleMessage(kWmClose);
    // Still there: the window refused to close. A close the toolkit
    // cannot refuse (the session ends) destroys it all the same.
    if (Owner(peer) == w && w->GetHandle()) {
      if (e.CanVeto()) {
        e.Veto();
      } else {
        w->Destroy();
      }
    }
  });
  peer->Bind(wxEVT_MENU, [peer](wxCommandEvent& e) {
    auto* frame = dynamic_cast<TFrameWindow*>(Owner(peer));
    if (!frame) {
      e.Skip();
      return;
    }
    frame->CommandFromMenu(std::uint32_t(e.GetId()));
  });
  peer->Bind(wxEVT_MENU_OPEN, [peer](wxMenuEvent& e) {
    if (auto* frame = dynamic_cast<TFrameWindow*>(Owner(peer))) frame->UpdateMenuEnablers(e.GetMenu());
    e.Skip();
  });
  peer->Bind(wxEVT_MAXIMIZE, [peer](wxMaximizeEvent& e) {
    if (auto* frame = dynamic_cast<TFrameWindow*>(Owner(peer))) frame->MaximizeConfirmed();
    e.Skip();
  });
}

}  // namespace

void MessageBridge::RunPaint(TWindow& window, wxPaintDC* dc) {
  window.SetPaintDC(dc);
  window.HandleMessage(kWmPaint);
  window.SetPaintDC(nullptr);
}

void MessageBridge::Bind(TWindow& window) {
  wxWindow* peer = window.GetPeer();
  if (!peer) return;
  BindMouse(peer);
  BindKeys(peer);
  BindWindowState(peer);
  BindScrolling(peer);
  BindCommands(peer);
}

std::int16_t GetKeyState(std::uint32_t vk) {
  bool down = false;
  const wxMouseState mouse = wxGetMouseState();
  switch (vk) {
    case kVkShift: down = mouse.ShiftDown(); break;
    case kVkControl: down = mouse.ControlDown(); break;
    case kVkMenu: down = mouse.AltDown(); break;
    case 0x01: down = mouse.LeftIsDown(); break;
    case 0x02: down = mouse.RightIsDown(); break;
    case 0x04: down = mouse.MiddleIsDown(); break;
    default: {
      const int key = WxKeyFromVirtualKey(vk);
      down = key != 0 && wxGetKeyState(wxKeyCode(key));
      break;
    }
  }
  return down ? std::int16_t(0x8000) : std::int16_t(0);
}

}  // namespace kvn
