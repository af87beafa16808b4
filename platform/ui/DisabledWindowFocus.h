// What a top-level window loses in the toolkit when it is disabled and does
// not get back when it is enabled again, kept aside meanwhile.
//
// GTK unsets a window's focus widget once that widget becomes insensitive,
// and takes the grab away from a window made insensitive (a modal dialog's
// own grab among them). Enabled again, such a window came back active, with
// the X focus, but deaf to its keys and mnemonics until clicked into, and a
// modal dialog let clicks through to the windows behind it. Win32 keeps both
// across EnableWindow: so do the windows that a long operation disables.
#pragma once

#include <wx/toplevel.h>
#include <wx/weakref.h>

namespace kvn {

class DisabledWindowFocus {
 public:
  // Notes the focus widget and the grab of `window` (a top-level window;
  // nothing for any other), before it is disabled.
  explicit DisabledWindowFocus(wxWindow* window);
  ~DisabledWindowFocus();
  DisabledWindowFocus(const DisabledWindowFocus&) = delete;
  DisabledWindowFocus& operator=(const DisabledWindowFocus&) = delete;
  DisabledWindowFocus(DisabledWindowFocus&& other) noexcept;
  DisabledWindowFocus& operator=(DisabledWindowFocus&& other) noexcept;

  // Once the window is enabled again: its grab back when it had one and
  // still runs modal (a window whose modal run ended meanwhile would keep a
  // grab nobody removes, and the program's other windows would go deaf),
  // once, beneath a newer grab than its owners' that is current now,
  // and its focus widget back when it has none now and the widget is still in
  // it and can take the focus. Nothing the second time.
  void Restore();

 private:
  void Release();
  bool StillModal() const;

  wxWeakRef<wxTopLevelWindow> top_;  // null once the window is gone
  void* window_ = nullptr;  // the GtkWindow, referenced
  void* focus_ = nullptr;   // its focus widget, referenced; null when none
  bool grabbed_ = false;
};

}  // namespace kvn
