#include "print/export/ExportNames.h"

#include "document/cDrawingDoc.h"
#include "foundation/PathNames.h"
#include "foundation/TextFormat.h"

namespace kvn {

WString MakePageFileSuffix(const cDrawingDoc& document, std::uint32_t entry) {
  const std::uint32_t count = document.GetPageEntryCount();
  WString suffix;
  if (count < 2) return suffix;
  suffix.AppendChar(u'_');
  const std::uint32_t number = entry + 1;
  if (count >= 10 && number < 10) suffix.AppendChar(u'0');
  suffix.Append(IntToWString(std::int32_t(number)));
  WString title = document.GetPageEntryTitle(entry);
  if (!title.IsEmpty()) {
    MakeSafeFileName(title, 64, false);
    suffix.Append(WString(u" - "));
    suffix.Append(title);
  }
  return suffix;
}

WString InsertPageSuffix(const WString& fileName, const WString& suffix) {
  int nameStart = 0;
  for (int i = fileName.Length() - 1; i >= 0; --i) {
    if (IsPathSeparator(fileName.CStr()[i])) {
      nameStart = i + 1;
      break;
    }
  }
  const int dot = fileName.ReverseFindChar(u'.');
  if (dot < nameStart) {
    WString out = fileName;
    out.Append(suffix);
    return out;
  }
  WString out = fileName.Mid(0, dot);
  out.Append(suffix);
  out.Append(fileName.Mid(dot));
  return out;
}

}  // namespace kvn
