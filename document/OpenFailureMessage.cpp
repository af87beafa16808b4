#include "document/OpenFailureMessage.h"

#include "document/NativeFormat.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"

namespace kvn {

namespace {

// A text, then the file's name on its own line.
WString WithPath(int textId, const WString& path) {
  WString text = LoadLangString(textId);
  text.AppendChar(u'\n');
  text.Append(path);
  return text;
}

WString MessageText(const DocumentResult& result, const WString& path) {
  switch (result.Code()) {
    case kLoadOk:
    case kOpenCancelled:
    case kOpenLibraryDetected: return WString();
    case kLoadIsLibraryDrawing:
    case kLoadLibraryContainer: return LoadLangString(kStrLibraryRefused);
    case kLoadTooOld:
      // An OLE compound file is the old version's own form: its text says all.
      if (result.Cause() == kLoadOleSignature) return LoadLangString(kStrDrawingTooOld);
      return WithPath(kStrDrawingTooOld, path);
    case kLoadTooNew: return WithPath(kStrFileNewerVersion, path);
    default: break;
  }
  if (result.Code() == kOpenNotReadable && result.Cause() == kOpenNotReadable) {
    // The file itself does not open: the system's reason follows.
    WString text = WithPath(kStrCannotOpenFile, path);
    if (!result.Detail().IsEmpty()) {
      text.AppendCStr(u"\n\n");
      text.Append(result.Detail());
    }
    return text;
  }
  return WithPath(kStrCannotOpenDrawing, path);
}

}  // namespace

OpenFailureMessage MakeOpenFailureMessage(const DocumentResult& result, const WString& path) {
  OpenFailureMessage message;
  message.text = MessageText(result, path);
  if (!message.text.IsEmpty()) message.style = kMbIconError;
  return message;
}

void ShowOpenFailure(const cMsgDlg* owner, const DocumentResult& result, const WString& path) {
  const OpenFailureMessage message = MakeOpenFailureMessage(result, path);
  if (owner && !message.text.IsEmpty()) ShowMessageBox(owner, message.text, nullptr, message.style);
}

}  // namespace kvn
