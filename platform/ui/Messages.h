// The vocabulary of the window layer: window handles, message parameters
// and the numbered constants the program's windows exchange (messages,
// notification codes, key codes, style bits). The numbers are those of the
// Win32 headers, because the program compares, stores and posts them as
// numbers; the toolkit never sees them (MessageBridge.cpp translates).
#pragma once

#include <cstdint>

#include "platform/gdi/GdiTypes.h"

namespace kvn {

// A window handle: an opaque token that names one TWindow for as long as
// its toolkit window lives, never reused afterwards, so that a message
// posted to a window that has gone is dropped instead of reaching another.
struct THandleTag;
using THandle = THandleTag*;

using TParam1 = std::uintptr_t;  // WPARAM
using TParam2 = std::intptr_t;   // LPARAM
using TResult = std::intptr_t;   // LRESULT

constexpr std::uint16_t LoWord(std::uintptr_t v) { return std::uint16_t(v & 0xFFFF); }
constexpr std::uint16_t HiWord(std::uintptr_t v) { return std::uint16_t((v >> 16) & 0xFFFF); }
constexpr TParam1 MakeWParam(std::uint16_t lo, std::uint16_t hi) { return TParam1(lo) | (TParam1(hi) << 16); }
// A point packed as Win32 packs it: signed 16-bit x and y.
constexpr TParam2 MakePointParam(int x, int y) {
  return TParam2(std::uint32_t(std::uint16_t(std::int16_t(x))) | (std::uint32_t(std::uint16_t(std::int16_t(y))) << 16));
}
constexpr TPoint PointFromParam(TParam2 l) {
  return TPoint{std::int16_t(std::uint16_t(std::uintptr_t(l) & 0xFFFF)),
                std::int16_t(std::uint16_t((std::uintptr_t(l) >> 16) & 0xFFFF))};
}

// --- messages ----------------------------------------------------------------------
inline constexpr std::uint32_t kWmNull = 0x0000;
inline constexpr std::uint32_t kWmCreate = 0x0001;
inline constexpr std::uint32_t kWmDestroy = 0x0002;
inline constexpr std::uint32_t kWmMove = 0x0003;
inline constexpr std::uint32_t kWmSize = 0x0005;
inline constexpr std::uint32_t kWmActivate = 0x0006;
inline constexpr std::uint32_t kWmSetFocus = 0x0007;
inline constexpr std::uint32_t kWmKillFocus = 0x0008;
inline constexpr std::uint32_t kWmEnable = 0x000A;
inline constexpr std::uint32_t kWmSetText = 0x000C;
inline constexpr std::uint32_t kWmPaint = 0x000F;
inline constexpr std::uint32_t kWmClose = 0x0010;
inline constexpr std::uint32_t kWmQuit = 0x0012;
inline constexpr std::uint32_t kWmEraseBkgnd = 0x0014;
inline constexpr std::uint32_t kWmShowWindow = 0x0018;
inline constexpr std::uint32_t kWmCancelMode = 0x001F;
inline constexpr std::uint32_t kWmSetCursor = 0x0020;
inline constexpr std::uint32_t kWmGetMinMaxInfo = 0x0024;
inline constexpr std::uint32_t kWmNextDlgCtl = 0x0028;
inline constexpr std::uint32_t kWmDrawItem = 0x002B;
inline constexpr std::uint32_t kWmMeasureItem = 0x002C;
inline constexpr std::uint32_t kWmGetFont = 0x0031;
inline constexpr std::uint32_t kWmNotify = 0x004E;
inline constexpr std::uint32_t kWmHelp = 0x0053;
inline constexpr std::uint32_t kWmContextMenu = 0x007B;
inline constexpr std::uint32_t kWmGetDlgCode = 0x0087;
inline constexpr std::uint32_t kWmKeyDown = 0x0100;
inline constexpr std::uint32_t kWmKeyUp = 0x0101;
inline constexpr std::uint32_t kWmChar = 0x0102;
inline constexpr std::uint32_t kWmSysKeyDown = 0x0104;
inline constexpr std::uint32_t kWmSysKeyUp = 0x0105;
inline constexpr std::uint32_t kWmInitDialog = 0x0110;
inline constexpr std::uint32_t kWmCommand = 0x0111;
inline constexpr std::uint32_t kWmTimer = 0x0113;
inline constexpr std::uint32_t kWmHScroll = 0x0114;
inline constexpr std::uint32_t kWmVScroll = 0x0115;
inline constexpr std::uint32_t kWmInitMenuPopup = 0x0117;
inline constexpr std::uint32_t kWmMouseMove = 0x0200;
inline constexpr std::uint32_t kWmLButtonDown = 0x0201;
inline constexpr std::uint32_t kWmLButtonUp = 0x0202;
inline constexpr std::uint32_t kWmLButtonDblClk = 0x0203;
inline constexpr std::uint32_t kWmRButtonDown = 0x0204;
inline constexpr std::uint32_t kWmRButtonUp = 0x0205;
inline constexpr std::uint32_t kWmRButtonDblClk = 0x0206;
inline constexpr std::uint32_t kWmMButtonDown = 0x0207;
inline constexpr std::uint32_t kWmMButtonUp = 0x0208;
inline constexpr std::uint32_t kWmMButtonDblClk = 0x0209;
inline constexpr std::uint32_t kWmMouseWheel = 0x020A;
inline constexpr std::uint32_t kWmCaptureChanged = 0x0215;
inline constexpr std::uint32_t kWmDropFiles = 0x0233;
inline constexpr std::uint32_t kWmMouseLeave = 0x02A3;
inline constexpr std::uint32_t kWmThemeChanged = 0x031A;
inline constexpr std::uint32_t kWmUser = 0x0400;
// The class library's command-enable message: lParam points to a TCommandEnabler.
inline constexpr std::uint32_t kWmCommandEnable = 0x7FFF;
// The program's private dialog messages (bound controls and number fields).
inline constexpr std::uint32_t kWmAutoFieldLeft = 35997;
inline constexpr std::uint32_t kWmAutoChanged = 35998;
inline constexpr std::uint32_t kWmAutoNext = 35999;
inline constexpr std::uint32_t kCmRestoreDefaults = 1053;
// Registered messages take ids from here up (RegisterWindowMessage).
inline constexpr std::uint32_t kFirstRegisteredMessage = 0xC000;
inline constexpr std::uint32_t kLastRegisteredMessage = 0xFFFF;

// Answers of the standard buttons as command ids.
inline constexpr std::uint32_t kIdcOk = 1;
inline constexpr std::uint32_t kIdcCancel = 2;
inline constexpr std::uint32_t kIdcHelp = 9;

// --- parameters of messages ------------------------------------------------------------
// WM_SIZE wParam.
inline constexpr std::uint32_t kSizeRestored = 0;
inline constexpr std::uint32_t kSizeMinimized = 1;
inline constexpr std::uint32_t kSizeMaximized = 2;
// ShowWindow commands (kSwShow and kSwRestore are in ModalStack.h).
inline constexpr int kSwHide = 0;
inline constexpr int kSwShowNormal = 1;
inline constexpr int kSwShowMinimized = 2;
inline constexpr int kSwShowMaximized = 3;
inline constexpr int kSwShowNa = 8;
// Mouse key-state bits (wParam of the mouse messages).
inline constexpr std::uint32_t kMkLButton = 0x0001;
inline constexpr std::uint32_t kMkRButton = 0x0002;
inline constexpr std::uint32_t kMkShift = 0x0004;
inline constexpr std::uint32_t kMkControl = 0x0008;
inline constexpr std::uint32_t kMkMButton = 0x0010;
// One notch of a mouse wheel.
inline constexpr int kWheelDelta = 120;
// WM_SETCURSOR hit-test code of the client area.
inline constexpr std::uint32_t kHtClient = 1;
// Scroll codes of WM_HSCROLL and WM_VSCROLL.
inline constexpr std::uint32_t kSbLineUp = 0;
inline constexpr std::uint32_t kSbLineDown = 1;
inline constexpr std::uint32_t kSbPageUp = 2;
inline constexpr std::uint32_t kSbPageDown = 3;
inline constexpr std::uint32_t kSbThumbPosition = 4;
inline constexpr std::uint32_t kSbThumbTrack = 5;
inline constexpr std::uint32_t kSbTop = 6;
inline constexpr std::uint32_t kSbBottom = 7;
inline constexpr std::uint32_t kSbEndScroll = 8;
// WM_HELP context types.
inline constexpr int kHelpInfoWindow = 1;
inline constexpr int kHelpInfoMenuItem = 2;
// WM_KEYDOWN lParam bit: the key was down before (auto-repeat).
inline constexpr std::uint32_t kKeyWasDown = 0x40000000;
// WM_KEYDOWN lParam bit: an extended key (right-hand Ctrl, cursor block).
inline constexpr std::uint32_t kKeyExtended = 0x01000000;

// --- window styles -------------------------------------------------------------------
inline constexpr std::uint32_t kWsOverlapped = 0x00000000;
inline constexpr std::uint32_t kWsPopup = 0x80000000;
inline constexpr std::uint32_t kWsChild = 0x40000000;
inline constexpr std::uint32_t kWsMinimize = 0x20000000;
inline constexpr std::uint32_t kWsVisible = 0x10000000;
inline constexpr std::uint32_t kWsDisabled = 0x08000000;
inline constexpr std::uint32_t kWsClipSiblings = 0x04000000;
inline constexpr std::uint32_t kWsClipChildren = 0x02000000;
inline constexpr std::uint32_t kWsMaximize = 0x01000000;
inline constexpr std::uint32_t kWsBorder = 0x00800000;
inline constexpr std::uint32_t kWsCaption = 0x00C00000;
inline constexpr std::uint32_t kWsVScroll = 0x00200000;
inline constexpr std::uint32_t kWsHScroll = 0x00100000;
inline constexpr std::uint32_t kWsSysMenu = 0x00080000;
inline constexpr std::uint32_t kWsThickFrame = 0x00040000;
inline constexpr std::uint32_t kWsTabStop = 0x00010000;
// A top-level window's boxes share their bits with a control's group and
// tab-stop marks.
inline constexpr std::uint32_t kWsMinimizeBox = 0x00020000;
inline constexpr std::uint32_t kWsMaximizeBox = 0x00010000;
inline constexpr std::uint32_t kWsOverlappedWindow = 0x00CF0000;
inline constexpr std::uint32_t kWsExAcceptFiles = 0x00000010;
inline constexpr std::uint32_t kWsExClientEdge = 0x00000200;
// CreateWindow's "default position or size".
inline constexpr int kCwUseDefault = int(0x80000000);

// --- virtual keys -------------------------------------------------------------------
inline constexpr std::uint32_t kVkBack = 0x08;
inline constexpr std::uint32_t kVkTab = 0x09;
inline constexpr std::uint32_t kVkReturn = 0x0D;
inline constexpr std::uint32_t kVkShift = 0x10;
inline constexpr std::uint32_t kVkControl = 0x11;
inline constexpr std::uint32_t kVkMenu = 0x12;
inline constexpr std::uint32_t kVkPause = 0x13;
inline constexpr std::uint32_t kVkCapital = 0x14;
inline constexpr std::uint32_t kVkEscape = 0x1B;
inline constexpr std::uint32_t kVkSpace = 0x20;
inline constexpr std::uint32_t kVkPrior = 0x21;
inline constexpr std::uint32_t kVkNext = 0x22;
inline constexpr std::uint32_t kVkEnd = 0x23;
inline constexpr std::uint32_t kVkHome = 0x24;
inline constexpr std::uint32_t kVkLeft = 0x25;
inline constexpr std::uint32_t kVkUp = 0x26;
inline constexpr std::uint32_t kVkRight = 0x27;
inline constexpr std::uint32_t kVkDown = 0x28;
inline constexpr std::uint32_t kVkInsert = 0x2D;
inline constexpr std::uint32_t kVkDelete = 0x2E;
// '0'..'9' and 'A'..'Z' are their ASCII codes.
inline constexpr std::uint32_t kVkNumpad0 = 0x60;
inline constexpr std::uint32_t kVkMultiply = 0x6A;
inline constexpr std::uint32_t kVkAdd = 0x6B;
inline constexpr std::uint32_t kVkSeparator = 0x6C;
inline constexpr std::uint32_t kVkSubtract = 0x6D;
inline constexpr std::uint32_t kVkDecimal = 0x6E;
inline constexpr std::uint32_t kVkDivide = 0x6F;
inline constexpr std::uint32_t kVkF1 = 0x70;  // F1..F24 follow in order
inline constexpr std::uint32_t kVkNumLock = 0x90;
inline constexpr std::uint32_t kVkScroll = 0x91;
inline constexpr std::uint32_t kVkApps = 0x5D;

// --- message records ---------------------------------------------------------------
// WM_GETMINMAXINFO: lParam points to it; a handler changes the fields it cares for.
struct TMinMaxInfo {
  TPoint reserved;
  TPoint maxSize;
  TPoint maxPosition;
  TPoint minTrackSize;
  TPoint maxTrackSize;
};

// WM_HELP: lParam points to it.
struct THelpInfo {
  int contextType = kHelpInfoWindow;  // kHelpInfoWindow or kHelpInfoMenuItem
  int ctrlId = 0;                     // the control's or the menu item's id
  THandle item = nullptr;
  std::uint32_t contextId = 0;  // the window's help context id
  TPoint mousePos;
};

// WM_NOTIFY: lParam points to it (as NMHDR, the first member of larger records).
struct TNotify {
  THandle from = nullptr;
  std::uintptr_t id = 0;
  std::int32_t code = 0;
};

// One message as a loop sees it.
struct TMsg {
  THandle window = nullptr;
  std::uint32_t message = 0;
  TParam1 wParam = 0;
  TParam2 lParam = 0;
};

}  // namespace kvn
