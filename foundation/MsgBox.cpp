#include "foundation/MsgBox.h"

#include <cstdio>
#include <cstring>

#include "foundation/SystemError.h"

namespace kvn {

namespace {

MessageBoxBackend* g_backend = nullptr;

// Kept short and plain until the language tables take over these notices.
int ShowFileNotice(const cMsgDlg* owner, const char16_t* lead, const WString& fileName, const AString& detail) {
  WString text(lead);
  text.Append(fileName);
  if (!detail.IsEmpty()) {
    text.AppendCStr(u"\n\n");
    text.Append(WString(0, detail));
  }
  return ShowMessageBox(owner, text, WString(u"Error"), kMbOk | kMbIconError);
}

}  // namespace

MessageBoxBackend* SetMessageBoxBackend(MessageBoxBackend* backend) {
  MessageBoxBackend* previous = g_backend;
  g_backend = backend;
  return previous;
}

MessageBoxBackend* GetMessageBoxBackend() { return g_backend; }

int ShowMessageBox(const cMsgDlg* owner, const WString& text, const WString& caption, std::uint32_t style) {
  return g_backend ? g_backend->Show(owner, text, caption, style) : 0;
}

int ShowCannotOpenFile(const cMsgDlg* owner, const WString& fileName, const AString& detail) {
  return ShowFileNotice(owner, u"Cannot open the file\n", fileName, detail);
}

int ShowCannotSaveFile(const cMsgDlg* owner, const WString& fileName, const AString& detail) {
  return ShowFileNotice(owner, u"Cannot save the file\n", fileName, detail);
}

AString GetSystemErrorText(std::uint32_t code) {
  switch (code) {
    case kErrorSuccess: return AString("The operation completed successfully.");
    case kErrorInvalidFunction: return AString("Incorrect function.");
    case kErrorGenFailure: return AString("A device attached to the system is not functioning.");
    case kErrorHandleEof: return AString("Reached the end of the file.");
    default: break;
  }
  if (int err = ErrnoFromSystemError(code)) {
    char buffer[256];
    // GNU strerror_r: returns a static or the given buffer, always terminated.
    return AString(::strerror_r(err, buffer, sizeof buffer));
  }
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "System error %u.", unsigned(code));
  return AString(buffer);
}

}  // namespace kvn
