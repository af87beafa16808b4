#include "controls/KeyNames.h"

#include <array>
#include <string_view>

#include "foundation/LangTable.h"
#include "platform/ui/MessageBridge.h"
#include "platform/ui/Messages.h"

namespace kvn {

namespace {

struct NamedKey {
  std::uint32_t vk;
  std::u16string_view name;
};

// Keys whose name is not their character. Letters and digits name
// themselves, F1..F24 and the numeric keypad's digits are made below.
constexpr NamedKey kKeyNames[] = {
    {0x08, u"Backspace"},  {0x09, u"Tab"},         {0x0D, u"Enter"},       {0x10, u"Shift"},
    {0x11, u"Ctrl"},       {0x12, u"Alt"},         {0x13, u"Pause"},       {0x14, u"Caps Lock"},
    {0x1B, u"Esc"},        {0x20, u"Space"},       {0x21, u"Page Up"},     {0x22, u"Page Down"},
    {0x23, u"End"},        {0x24, u"Home"},        {0x25, u"Left"},        {0x26, u"Up"},
    {0x27, u"Right"},      {0x28, u"Down"},        {0x2C, u"Print Screen"}, {0x2D, u"Insert"},
    {0x2E, u"Delete"},     {0x5D, u"Application"}, {0x6A, u"Num *"},       {0x6B, u"Num +"},
    {0x6D, u"Num -"},      {0x6E, u"Num Del"},     {0x6F, u"Num /"},       {0x90, u"Num Lock"},
    {0x91, u"Scroll Lock"}, {0xBA, u";"},          {0xBB, u"="},           {0xBC, u","},
    {0xBD, u"-"},          {0xBE, u"."},           {0xBF, u"/"},           {0xC0, u"`"},
    {0xDB, u"["},          {0xDC, u"\\"},          {0xDD, u"]"},           {0xDE, u"'"},
};

WString Number(int n) {
  std::u16string s;
  if (n >= 10) s.push_back(char16_t(u'0' + n / 10));
  s.push_back(char16_t(u'0' + n % 10));
  return WString(std::u16string_view(s));
}

}  // namespace

WString SystemKeyName(std::uint32_t vk) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
    const char16_t c[2] = {char16_t(vk), 0};
    return WString(c);
  }
  if (vk >= kVkF1 && vk < kVkF1 + 24) return WString(u"F").Append(Number(int(vk - kVkF1) + 1));
  if (vk >= kVkNumpad0 && vk <= kVkNumpad0 + 9) return WString(u"Num ").Append(Number(int(vk - kVkNumpad0)));
  for (const NamedKey& k : kKeyNames) {
    if (k.vk == vk) return WString(k.name);
  }
  return WString();
}

void CKeyHelper::GetText(WString& out) const {
  out = WString();
  if (binding_ == nullptr) return;
  // Ctrl, Shift, Alt: the order Windows menus use, whatever order the flags have.
  constexpr std::array<std::pair<std::uint8_t, std::uint32_t>, 3> kModifiers = {
      {{kKeyCtrl, kVkControl}, {kKeyShift, kVkShift}, {kKeyAlt, kVkMenu}}};
  for (const auto& [flag, vk] : kModifiers) {
    if (binding_->flags & flag) out.Append(SystemKeyName(vk)).AppendChar(u'+');
  }
  KeyName(out, binding_->key, true);
}

void CKeyHelper::KeyName(WString& out, std::uint32_t vk, bool last) {
  switch (vk) {
    case kVkPrior: out.AppendCStr(u"Page up"); return;
    case kVkNext: out.AppendCStr(u"Page down"); return;
    case kVkEnd: out.AppendCStr(u"End"); return;
    case kVkHome: out.AppendCStr(u"Home"); return;
    case kVkLeft: out.Append(LoadLangString(1058)); return;
    case kVkUp: out.Append(LoadLangString(1057)); return;
    case kVkRight: out.Append(LoadLangString(1059)); return;
    case kVkDown: out.Append(LoadLangString(1056)); return;
    case kVkInsert: out.AppendCStr(u"Ins"); return;
    case kVkDelete: out.AppendCStr(u"Del"); return;
    default: break;
  }
  const WString name = SystemKeyName(vk);
  if (name.IsEmpty()) return;
  out.Append(name);
  if (!last) out.AppendChar(u'+');
}

// --- CKeyAssign ---------------------------------------------------------------------------

CKeyAssign::CKeyAssign(TWindow* parent, int resourceId) : TEdit(parent, resourceId) {}

CKeyAssign::CKeyAssign(TWindow* parent, int id, int x, int y, int w, int h)
    : TEdit(parent, id, WString(), x, y, w, h) {}

void CKeyAssign::ShowBinding() {
  WString text;
  helper_.GetText(text);
  SetText(text);
}

void CKeyAssign::SetBinding(const TKeyBinding& binding) {
  binding_ = binding;
  ShowBinding();
}

void CKeyAssign::ClearBinding() {
  binding_ = TKeyBinding{};
  SetText(WString());
}

void CKeyAssign::SetModifier(std::uint8_t flag, bool on) {
  binding_.flags = std::uint8_t(on ? (binding_.flags | flag) : (binding_.flags & ~flag));
}

bool CKeyAssign::KeyPressed(std::uint32_t vk, std::uint8_t modifiers) {
  if (vk == kVkTab || vk == kVkEscape || vk == kVkF1 || vk == kVkSpace) return false;
  const bool modifierAlone = vk == kVkShift || vk == kVkControl || vk == kVkMenu;
  binding_.flags = modifiers;
  binding_.key = modifierAlone ? 0 : std::uint16_t(vk & 0xFF);
  ShowBinding();
  SetFocus();
  return true;
}

TResult CKeyAssign::WindowProc(std::uint32_t msg, TParam1 wParam, TParam2 lParam) {
  switch (msg) {
    case kWmLButtonDown:
    case kWmRButtonDown:
    case kWmMButtonDown:
      SetFocus();
      break;
    case kWmKeyDown:
    case kWmSysKeyDown: {
      std::uint8_t modifiers = 0;
      if (GetKeyState(kVkShift) < 0) modifiers |= kKeyShift;
      if (GetKeyState(kVkControl) < 0) modifiers |= kKeyCtrl;
      if (GetKeyState(kVkMenu) < 0) modifiers |= kKeyAlt;
      if (KeyPressed(std::uint32_t(wParam), modifiers)) return 0;
      break;
    }
    default:
      break;
  }
  return TEdit::WindowProc(msg, wParam, lParam);
}

}  // namespace kvn
