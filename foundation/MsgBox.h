// Message boxes: one road for every box of the program. The text and the
// caption come translated; the buttons get the texts of the interface
// language (strings 1192-1196), the box is centred over its owner on the
// owner's monitor, and a box without an owner window is system-modal.
//
// The core library links without a display: a replaceable backend puts the
// box on screen. The window layer installs the real one at start-up (a modal
// dialog of our own, platform/ui/MessageBoxDialog.h); tests install a
// recording one; with none installed nothing is shown and the answer is 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/AString.h"
#include "foundation/WString.h"

namespace kvn {

// Style bits and answers, numbered as the Win32 MB_ and ID constants that the
// rest of the program stores and compares.
inline constexpr std::uint32_t kMbOk = 0x0000;
inline constexpr std::uint32_t kMbOkCancel = 0x0001;
inline constexpr std::uint32_t kMbAbortRetryIgnore = 0x0002;
inline constexpr std::uint32_t kMbYesNoCancel = 0x0003;
inline constexpr std::uint32_t kMbYesNo = 0x0004;
inline constexpr std::uint32_t kMbRetryCancel = 0x0005;
inline constexpr std::uint32_t kMbCancelTryContinue = 0x0006;
inline constexpr std::uint32_t kMbTypeMask = 0x000F;
inline constexpr std::uint32_t kMbIconError = 0x0010;  // also MB_ICONHAND, MB_ICONSTOP
inline constexpr std::uint32_t kMbIconQuestion = 0x0020;
inline constexpr std::uint32_t kMbIconWarning = 0x0030;
inline constexpr std::uint32_t kMbIconInformation = 0x0040;
inline constexpr std::uint32_t kMbIconMask = 0x00F0;
inline constexpr std::uint32_t kMbDefButton2 = 0x0100;
inline constexpr std::uint32_t kMbDefButton3 = 0x0200;
inline constexpr std::uint32_t kMbDefButton4 = 0x0300;
inline constexpr std::uint32_t kMbDefButtonMask = 0x0F00;
inline constexpr std::uint32_t kMbSystemModal = 0x1000;
inline constexpr std::uint32_t kMbTaskModal = 0x2000;
inline constexpr std::uint32_t kMbHelp = 0x4000;
inline constexpr std::uint32_t kMbSetForeground = 0x10000;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdAbort = 3;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdIgnore = 5;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
inline constexpr int kIdHelp = 9;
inline constexpr int kIdTryAgain = 10;
inline constexpr int kIdContinue = 11;

// String resources of the boxes.
inline constexpr int kStrCannotOpenFile = 1051;
inline constexpr int kStrCannotSaveFile = 1052;
inline constexpr int kStrDefaultCaption = 1064;
inline constexpr int kStrLongPathHint = 1172;
inline constexpr int kStrButtonYes = 1192;
inline constexpr int kStrButtonNo = 1193;
inline constexpr int kStrButtonCancel = 1194;
inline constexpr int kStrButtonOk = 1195;
inline constexpr int kStrButtonHelp = 1196;
// The program's own texts of the codes of a name that is no file to read.
inline constexpr int kStrIsAFolder = 20030;
inline constexpr int kStrNotAFile = 20031;

class ModalWindow;

// Anything that can own a message box: a window, a dialog. The window handle
// is the owner's toolkit window (a wxWindow* in the GUI build), opaque to the
// core library; it may be null (the box then has no parent).
class cMsgDlg {
 public:
  virtual ~cMsgDlg() = default;
  virtual void* GetWindowHandle() const = 0;
  // The owner's window object of the window layer, or null.
  virtual void* GetOwnerWindow() const = 0;
  // The same window as the modal stack knows it; an owner that has one
  // enters the modal stack for the time of its boxes. Null by default.
  virtual ModalWindow* GetModalWindow() const { return nullptr; }

  // Every box goes through here. A null caption gives the default caption
  // (string 1064). Returns the pressed button (kIdOk, ...).
  int ShowMessageBox(const WString& text, const char16_t* caption, std::uint32_t style) const;
  int MessageBox(const WString& text, const char16_t* caption = nullptr, std::uint32_t style = kMbOk) const {
    return ShowMessageBox(text, caption, style);
  }
  int MessageBoxArgs(const char16_t* caption, std::uint32_t style, const WString& text) const {
    return ShowMessageBox(text, caption, style);
  }
  // Both through LoadLangString; caption id 0 gives the default caption.
  int MessageBoxById(int captionId, std::uint32_t style, int textId) const;
  // An empty caption gives the default caption.
  int MessageBoxStr(const WString& caption, std::uint32_t style, const WString& text) const;
  int MessageBoxFmtS(const char16_t* caption, std::uint32_t style, const WString& pattern, const WString& s1) const;
  int MessageBoxFmtS2(const char16_t* caption, std::uint32_t style, const WString& pattern, const WString& s1,
                      const WString& s2) const;
  int MessageBoxFmtS3(const char16_t* caption, std::uint32_t style, const WString& pattern, const WString& s1,
                      const WString& s2, const WString& s3) const;
  int MessageBoxFmtD(const char16_t* caption, std::uint32_t style, const WString& pattern, int d1) const;
};

// Button texts of a box; an empty one leaves the toolkit's own text.
struct MessageBoxButtonLabels {
  WString yes;
  WString no;
  WString cancel;
  WString ok;
  WString help;
};

// Everything a backend needs to show one box.
struct MessageBoxRequest {
  const cMsgDlg* owner = nullptr;
  WString text;
  WString caption;
  // The caller's style, plus kMbSystemModal when the owner has no window.
  std::uint32_t style = kMbOk;
  std::uint16_t languageId = 0;
  // False for a box shown while another is open: it keeps the toolkit's
  // button texts and its default place.
  bool translated = true;
  MessageBoxButtonLabels labels;
  // Set when the owner entered the modal stack for this box: the backend
  // puts the box itself on the stack above it while the box is open.
  ModalWindow* modalOwner = nullptr;
};

class MessageBoxBackend {
 public:
  virtual ~MessageBoxBackend() = default;
  // Shows the box modally and returns the pressed button's id. The default
  // hands the short form below the text, caption and style.
  virtual int ShowBox(const MessageBoxRequest& request) {
    return Show(request.owner, request.text, request.caption, request.style);
  }
  // The short form, for backends that need nothing more.
  virtual int Show(const cMsgDlg* /*owner*/, const WString& /*text*/, const WString& /*caption*/,
                   std::uint32_t /*style*/) {
    return 0;
  }
};

// Not owned; null removes the backend. Returns the previous one.
MessageBoxBackend* SetMessageBoxBackend(MessageBoxBackend* backend);
MessageBoxBackend* GetMessageBoxBackend();

// cMsgDlg::ShowMessageBox for an owner that may be null.
int ShowMessageBox(const cMsgDlg* owner, const WString& text, const char16_t* caption, std::uint32_t style);

// Where a box of the given size goes: centred on the centre of the owner's
// rectangle, kept inside the monitor's work area shrunk by 10 pixels on each
// side (left and top win when the box is larger than the area).
struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};
void PlaceMessageBox(const ScreenRect& owner, int width, int height, const ScreenRect& workArea, int& left, int& top);

// The message, a line break, the file name and, with a detail, an empty line
// and the detail (UTF-8, as GetSystemErrorText gives it). Default caption,
// error icon.
int ShowFileMessage(const cMsgDlg* owner, const WString& message, const WString& fileName, const AString& detail);
// The notices the streams show: strings 1051 and 1052.
int ShowCannotOpenFile(const cMsgDlg* owner, const WString& fileName, const AString& detail);
int ShowCannotSaveFile(const cMsgDlg* owner, const WString& fileName, const AString& detail);

// Appends string 1172 when the error is "path not found" (3) and the path has
// 260 or more characters.
void AppendLongPathHint(std::uint32_t error, std::size_t pathLength, WString& text);

// The system's text for a code of SystemError.h in UTF-8: in the interface
// language when the system has messages in it, else in the user's default
// language; a short English text for a code without an errno behind it. A
// folder or a pipe where a file was wanted has the program's own text, in
// the interface language.
AString GetSystemErrorText(std::uint32_t code);

}  // namespace kvn
