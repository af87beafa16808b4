#include "document/PartialReadNotice.h"

#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"

namespace kvn {

namespace {

// What follows the reader's text: the name, then our line.
WString NoticeDetail(const WString& path) {
  WString detail(u"\n");
  detail.Append(path);
  detail.AppendCStr(u"\n\n");
  detail.Append(LoadLangString(kStrPartialReadShown));
  return detail;
}

}  // namespace

LoadQuestion PartialReadNotice(const WString& path) {
  LoadQuestion notice;
  notice.textId = kStrFileReadError;
  notice.style = kMbOk | kMbIconError;
  notice.detail = NoticeDetail(path);
  return notice;
}

WString PartialReadText(const WString& path) {
  WString text = LoadLangString(kStrFileReadError);
  text.Append(NoticeDetail(path));
  return text;
}

WString OpenWarningText(const DocumentResult& result, const WString& path, bool evenIfTold) {
  WString text;
  if (result.Partial() && (evenIfTold || !result.PartialTold())) {
    text = PartialReadText(path);
  }
  for (const WString& warning : result.Warnings()) {
    if (!text.IsEmpty()) text.AppendCStr(result.Partial() && &warning == &result.Warnings().front() ? u"\n\n" : u"\n");
    text.Append(warning);
  }
  return text;
}

}  // namespace kvn
