// Toolkit key codes <-> virtual keys. Letters and digits are their ASCII
// codes on both sides; the rest is the table below.
#include <wx/defs.h>

#include <cstdint>

#include "platform/ui/MessageBridge.h"

namespace kvn {

namespace {

struct KeyPair {
  int wx;
  std::uint32_t vk;
};

constexpr KeyPair kKeys[] = {
    {WXK_BACK, 0x08},          {WXK_TAB, 0x09},           {WXK_RETURN, 0x0D},        {WXK_NUMPAD_ENTER, 0x0D},
    {WXK_SHIFT, 0x10},         {WXK_CONTROL, 0x11},       {WXK_ALT, 0x12},           {WXK_PAUSE, 0x13},
    {WXK_CAPITAL, 0x14},       {WXK_ESCAPE, 0x1B},        {WXK_SPACE, 0x20},         {WXK_PAGEUP, 0x21},
    {WXK_PAGEDOWN, 0x22},      {WXK_END, 0x23},           {WXK_HOME, 0x24},          {WXK_LEFT, 0x25},
    {WXK_UP, 0x26},            {WXK_RIGHT, 0x27},         {WXK_DOWN, 0x28},          {WXK_INSERT, 0x2D},
    {WXK_DELETE, 0x2E},        {WXK_NUMPAD_PAGEUP, 0x21}, {WXK_NUMPAD_PAGEDOWN, 0x22}, {WXK_NUMPAD_END, 0x23},
    {WXK_NUMPAD_HOME, 0x24},   {WXK_NUMPAD_LEFT, 0x25},   {WXK_NUMPAD_UP, 0x26},     {WXK_NUMPAD_RIGHT, 0x27},
    {WXK_NUMPAD_DOWN, 0x28},   {WXK_NUMPAD_INSERT, 0x2D}, {WXK_NUMPAD_DELETE, 0x2E}, {WXK_NUMPAD_MULTIPLY, 0x6A},
    {WXK_NUMPAD_ADD, 0x6B},    {WXK_NUMPAD_SEPARATOR, 0x6C}, {WXK_NUMPAD_SUBTRACT, 0x6D}, {WXK_NUMPAD_DECIMAL, 0x6E},
    {WXK_NUMPAD_DIVIDE, 0x6F}, {WXK_MULTIPLY, 0x6A},      {WXK_ADD, 0x6B},           {WXK_SUBTRACT, 0x6D},
    {WXK_DECIMAL, 0x6E},       {WXK_DIVIDE, 0x6F},        {WXK_NUMLOCK, 0x90},       {WXK_SCROLL, 0x91},
    {WXK_MENU, 0x5D},          {WXK_WINDOWS_MENU, 0x5D},
};

}  // namespace

std::uint32_t VirtualKeyFromWx(int key) {
  if (key >= 'a' && key <= 'z') return std::uint32_t(key - 'a' + 'A');
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::uint32_t(key);
  if (key >= WXK_NUMPAD0 && key <= WXK_NUMPAD9) return 0x60 + std::uint32_t(key - WXK_NUMPAD0);
  if (key >= WXK_F1 && key <= WXK_F24) return 0x70 + std::uint32_t(key - WXK_F1);
  for (const KeyPair& k : kKeys) {
    if (k.wx == key) return k.vk;
  }
  return 0;
}

int WxKeyFromVirtualKey(std::uint32_t vk) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return int(vk);
  if (vk >= 0x60 && vk <= 0x69) return WXK_NUMPAD0 + int(vk - 0x60);
  if (vk >= 0x70 && vk <= 0x87) return WXK_F1 + int(vk - 0x70);
  // The first pair of a virtual key is its main key (Return, not keypad Enter).
  for (const KeyPair& k : kKeys) {
    if (k.vk == vk) return k.wx;
  }
  return 0;
}

}  // namespace kvn
