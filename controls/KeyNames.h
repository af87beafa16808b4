// Key names: the text a menu shows for a shortcut ("Ctrl+Shift+F4"), and an
// edit control that records the key combination typed into it.
//
// GTK offers no GetKeyNameTextW; the names of the keys come from our own
// table (SystemKeyName), in the words a PC keyboard prints on its keys, which
// are the same in the three interface languages. The arrows are language
// texts; Page up, Page down, End, Home, Ins and Del are fixed.
#pragma once

#include <cstdint>

#include "foundation/WString.h"
#include "platform/ui/ControlTexts.h"

namespace kvn {

// Modifier flags of a key binding (the ACCEL flags of the accelerator table).
inline constexpr std::uint8_t kKeyShift = 4;
inline constexpr std::uint8_t kKeyCtrl = 8;
inline constexpr std::uint8_t kKeyAlt = 16;

// One key binding: modifier flags and a virtual-key code.
struct TKeyBinding {
  std::uint8_t flags = 0;
  std::uint16_t key = 0;
  friend bool operator==(const TKeyBinding&, const TKeyBinding&) = default;
};

// The name of one key from our key table; empty for a key the table does not know.
WString SystemKeyName(std::uint32_t vk);

class CKeyHelper {
 public:
  CKeyHelper() = default;
  // The binding is not copied and must outlive the helper.
  explicit CKeyHelper(const TKeyBinding* binding) : binding_(binding) {}
  virtual ~CKeyHelper() = default;

  // Ctrl, Shift and Alt (in that order, each followed by '+'), then the key;
  // empty without a binding.
  void GetText(WString& out) const;
  void SetBinding(const TKeyBinding* binding) { binding_ = binding; }

  // Appends the name of one key, with '+' after it unless it is the last.
  static void KeyName(WString& out, std::uint32_t vk, bool last);

 private:
  const TKeyBinding* binding_ = nullptr;
};

// An edit control that shows the key combination last pressed in it. Tab,
// Esc, F1 and Space keep their usual meaning; a modifier alone records key 0
// with the modifiers held. The program does not create one; it is kept with
// the key names it serves.
class CKeyAssign : public TEdit {
 public:
  CKeyAssign(TWindow* parent, int resourceId);
  CKeyAssign(TWindow* parent, int id, int x, int y, int w, int h);

  const TKeyBinding& GetBinding() const { return binding_; }
  void SetBinding(const TKeyBinding& binding);  // shown at once
  void ClearBinding();                           // empty text
  void SetModifier(std::uint8_t flag, bool on);

  // A key pressed in the control (WM_KEYDOWN / WM_SYSKEYDOWN): true when it
  // was recorded; `modifiers` are the flags held at that moment.
  bool KeyPressed(std::uint32_t vk, std::uint8_t modifiers);

  TResult WindowProc(std::uint32_t msg, TParam1 wParam, TParam2 lParam) override;

 private:
  void ShowBinding();
  TKeyBinding binding_;
  CKeyHelper helper_{&binding_};
};

}  // namespace kvn
