// Message boxes, as far as the foundation library needs them: the owner a
// box belongs to, the two file notices the streams show, and a replaceable
// backend that actually puts a box on screen. The core library links without
// a display: with no backend installed nothing is shown and the answer is 0.
// The window layer installs the real backend at start-up; tests install a
// recording one.
#pragma once

#include <cstdint>

#include "foundation/AString.h"
#include "foundation/WString.h"

namespace kvn {

// Anything that can own a message box: a window, a dialog. Both handles are
// opaque to the core library and may be null (a box then has no parent).
class cMsgDlg {
 public:
  virtual ~cMsgDlg() = default;
  virtual void* GetWindowHandle() const = 0;
  virtual void* GetOwnerWindow() const = 0;
};

// Style bits and answers, numbered as the Win32 MB_ and ID constants the
// rest of the program stores and compares.
inline constexpr std::uint32_t kMbOk = 0x0000;
inline constexpr std::uint32_t kMbOkCancel = 0x0001;
inline constexpr std::uint32_t kMbYesNo = 0x0004;
inline constexpr std::uint32_t kMbIconError = 0x0010;
inline constexpr std::uint32_t kMbIconQuestion = 0x0020;
inline constexpr std::uint32_t kMbIconWarning = 0x0030;
inline constexpr std::uint32_t kMbIconInformation = 0x0040;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class MessageBoxBackend {
 public:
  virtual ~MessageBoxBackend() = default;
  // Shows `text` under `caption` with the style bits; returns the answer (kIdOk, ...).
  virtual int Show(const cMsgDlg* owner, const WString& text, const WString& caption, std::uint32_t style) = 0;
};

// Not owned; null removes the backend. Returns the previous one.
MessageBoxBackend* SetMessageBoxBackend(MessageBoxBackend* backend);
MessageBoxBackend* GetMessageBoxBackend();

// Shows a box through the backend; 0 when none is installed.
int ShowMessageBox(const cMsgDlg* owner, const WString& text, const WString& caption, std::uint32_t style);

// "The file cannot be opened" / "cannot be saved" with the file's name and
// a detail line (usually GetSystemErrorText of the failure).
int ShowCannotOpenFile(const cMsgDlg* owner, const WString& fileName, const AString& detail);
int ShowCannotSaveFile(const cMsgDlg* owner, const WString& fileName, const AString& detail);

// The system's text for a code of SystemError.h (strerror of the errno behind
// it), or a short English text for a code without one.
AString GetSystemErrorText(std::uint32_t code);

}  // namespace kvn
