#include "foundation/FileErrorBox.h"

#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"

namespace kvn {

WString FileErrorText(int stringId, const WString& path, const WString* destination, std::uint32_t error,
                      bool longPathHint) {
  WString text = LoadLangString(stringId);
  text.AppendCStr(u":\n\n");
  text.Append(path);
  if (destination) {
    text.AppendCStr(u"\n\n->\n\n");
    text.Append(*destination);
  }
  text.AppendCStr(u"\n\n");
  text.Append(WString::FromUtf8(GetSystemErrorText(error).View()));
  if (longPathHint) AppendLongPathHint(error, std::size_t(path.Length()), text);
  return text;
}

void ShowFileError(const cMsgDlg* owner, int stringId, const WString& path, const WString* destination,
                   std::uint32_t error, bool longPathHint) {
  if (!owner) return;
  ShowMessageBox(owner, FileErrorText(stringId, path, destination, error, longPathHint), nullptr, kMbIconError);
}

}  // namespace kvn
