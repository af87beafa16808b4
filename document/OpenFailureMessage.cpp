#include "document/OpenFailureMessage.h"

#include "document/NativeFormat.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/TextFormat.h"
#include "platform/metafile/ReadMetafileAsEmf.h"

namespace kvn {

namespace {

// A text, then the file's name on its own line.
WString WithPath(int textId, const WString& path) {
  WString text = LoadLangString(textId);
  text.AppendChar(u'\n');
  text.Append(path);
  return text;
}

// "Cannot open file." and the path, then the reason after an empty line (as
// the system's reason follows a file that does not open).
WString CannotOpen(const WString& path, const WString& reason, int textId = kStrCannotOpenDrawing) {
  WString text = WithPath(textId, path);
  if (!reason.IsEmpty()) {
    text.AppendCStr(u"\n\n");
    text.Append(reason);
  }
  return text;
}

WString Reason(int textId) { return LoadLangString(textId); }
WString ReasonWithCode(int textId, LoadResult code) { return FormatPercentD(LoadLangString(textId), int(code)); }

// That the picture data of the format the reader recognised are damaged;
// "Unknown file format" when it recognised none.
WString DamagedPicture(const DocumentResult& result) {
  if (result.Detail().IsEmpty()) return Reason(kStrReasonUnknownFileFormat);
  return FormatPercentS(LoadLangString(kStrReasonPictureDamaged), result.Detail());
}

// The reader recognised the format but the program has no reader for it.
WString Unsupported(const DocumentResult& result) {
  if (result.Detail().IsEmpty()) return Reason(kStrReasonUnknownFormat);
  return FormatPercentS(LoadLangString(kStrReasonNoReaderYet), result.Detail());
}

// "Cannot open file.", the DWG reader's message with the number of the step
// that failed, and the path.
WString DwgRefusal(const DocumentResult& result, const WString& path) {
  int textId = kStrDwgCorrupted;
  switch (result.Code()) {
    case kOpenDwgUnsupported: textId = kStrDwgUnsupportedVersion; break;
    case kOpenDwgNotDwg: textId = kStrDwgNotDwg; break;
    case kOpenDwgEncrypted: textId = kStrDwgEncrypted; break;
    default: break;
  }
  WString text = LoadLangString(kStrCannotOpenDrawing);
  text.AppendCStr(u"\n\n");
  text.Append(LoadLangString(textId));
  if (!result.Detail().IsEmpty()) {
    text.AppendCStr(u" (");
    text.Append(LoadLangString(kStrDwgError));
    text.AppendCStr(u" #");
    text.Append(result.Detail());
    text.AppendChar(u')');
  }
  text.AppendCStr(u"\n\n");
  text.Append(path);
  return text;
}

WString MessageText(const DocumentResult& result, const WString& path) {
  const LoadResult code = result.Code();
  const LoadResult cause = result.Cause();
  if (cause == kOpenDwgRefused) return DwgRefusal(result, path);
  switch (code) {
    case kLoadOk:
    case kOpenCancelled: return WString();
    case kLoadIsLibraryDrawing:
    case kLoadLibraryContainer:
    case kOpenLibraryDetected: return LoadLangString(kStrLibraryRefused);
    case kLoadTooOld:
      // An OLE compound file is the old version's own form: its text says all.
      if (cause == kLoadOleSignature) return LoadLangString(kStrDrawingTooOld);
      return WithPath(kStrDrawingTooOld, path);
    case kLoadTooNew: return WithPath(kStrFileNewerVersion, path);
    case kLoadNotOpened: return CannotOpen(path, Reason(kStrReasonNotOpened));
    case kOpenNotReadable:
      // The file itself does not open: the system's reason follows.
      if (cause == kOpenNotReadable) return CannotOpen(path, result.Detail(), kStrCannotOpenFile);
      if (cause == kOpenUnsupportedFormat) return CannotOpen(path, Unsupported(result));
      return CannotOpen(path, Reason(kStrReasonCadFailed));
    case kOpenDgnFailed:
      if (cause == kOpenDgnV8) return WithPath(kStrDgnV8Refused, path);
      if (cause == kOpenDgnNotDgn) return CannotOpen(path, Reason(kStrReasonNotDgn), kStrDgnNotDgn);
      // The reader's own reason (a drawing too large to convert).
      if (cause == kOpenNotReadable && !result.Detail().IsEmpty()) return CannotOpen(path, result.Detail());
      return CannotOpen(path, cause == kOpenUnsupportedFormat ? Unsupported(result) : Reason(kStrReasonDgnFailed));
    case kOpenPictureFailed:
      if (cause == kOpenEmptyFile) return CannotOpen(path, Reason(kStrReasonEmptyFile));
      if (cause == kOpenUnknownFileFormat) return CannotOpen(path, DamagedPicture(result));
      // The metafile's own message, alone, as the picture reader tells it.
      if (cause == kOpenMetafileTooBig) return WString(kPictureTooBigMessage);
      if (cause == kOpenPictureTooLarge) {
        return CannotOpen(path, FormatPercentS(LoadLangString(kStrReasonPictureTooLarge), result.Detail()));
      }
      return CannotOpen(path, cause == kOpenUnsupportedFormat ? Unsupported(result) : Reason(kStrReasonPictureFailed));
    case kLoadChecksumMismatch: return CannotOpen(path, Reason(kStrReasonChecksum));
    case kLoadBlocksDeclined: return CannotOpen(path, Reason(kStrReasonBlocksDeclined));
    case kLoadVersion3086: return CannotOpen(path, Reason(kStrReasonVersion3086));
    case kLoadReferenceGivenUp: return CannotOpen(path, Reason(kStrReasonReferenceGivenUp));
    default: break;
  }
  // The format faults of the native readers are the small numbers.
  if (code > kLoadOk && code <= kLoadContentBad) return CannotOpen(path, ReasonWithCode(kStrReasonDamaged, code));
  return CannotOpen(path, ReasonWithCode(kStrReasonReaderResult, code));
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
