// Command enablers: the question "may this command run now, and with what
// check mark or text?" asked of the response tables before a menu item or a
// tool-bar button is shown.
//
// The window layer makes one enabler per menu item (and later per tool-bar
// gadget) and routes it exactly as the command itself would be routed (the
// command target first, then up to the frame, then the application). The
// handler that answers calls Enable/SetCheck/SetText. An enabler nobody
// answers leaves the item enabled when some table has a handler for the
// command itself, and disables it otherwise, so a command whose handler
// lives in a window that does not exist yet is greyed.
#pragma once

#include <cstdint>

#include "foundation/WString.h"
#include "platform/ui/Messages.h"

class wxMenu;
class wxMenuItem;

namespace kvn {

class TCommandEnabler {
 public:
  enum CheckState { Unchecked = 0, Checked = 1, Indeterminate = 2 };

  explicit TCommandEnabler(std::uint32_t id, THandle receiver = nullptr) : id_(id), receiver_(receiver) {}
  virtual ~TCommandEnabler() = default;
  TCommandEnabler(const TCommandEnabler&) = delete;
  TCommandEnabler& operator=(const TCommandEnabler&) = delete;

  std::uint32_t GetId() const { return id_; }
  THandle GetReceiver() const { return receiver_; }

  // Each marks the enabler as answered.
  virtual void Enable(bool enable = true);
  virtual void SetCheck(int state);
  virtual void SetText(const WString& text);
  // The toolkit menu holding the item; null for other enablers.
  virtual wxMenu* GetMenu() const { return nullptr; }

  bool WasHandled() const { return handled_; }
  void SetHandled() { handled_ = true; }
  // What the last Enable asked for (true when Enable was not called).
  bool IsEnabled() const { return enabled_; }
  int GetCheck() const { return check_; }

 private:
  std::uint32_t id_;
  THandle receiver_;
  bool handled_ = false;
  bool enabled_ = true;
  int check_ = -1;  // -1: not set
};

// The enabler of one toolkit menu item.
class TMenuItemEnabler : public TCommandEnabler {
 public:
  // `shortcut` is the text shown after the item's label, kept on SetText.
  TMenuItemEnabler(wxMenuItem* item, THandle receiver, const WString& shortcut);
  void Enable(bool enable = true) override;
  void SetCheck(int state) override;
  void SetText(const WString& text) override;
  wxMenu* GetMenu() const override;

 private:
  wxMenuItem* item_;
  WString shortcut_;
};

}  // namespace kvn
