#include "import/records/ImportWarnings.h"

#include <string>

#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"

namespace kvn {

namespace {

WString ImportWarningNumber(std::uint64_t value) { return WString::FromUtf8(std::to_string(value)); }

}  // namespace

WString ClassesUnreadWarning() { return LoadLangString(kStrClassesUnread); }

WString SelfInsertsWarning(std::uint64_t count, std::uint64_t maxDepth) {
  return FormatPercentS2(LoadLangString(kStrSelfInsertsLeftOut), ImportWarningNumber(count), ImportWarningNumber(maxDepth));
}

WString ReferenceLeftOutWarning(const WString& path) {
  return FormatPercentS(LoadLangString(kStrReferenceLeftOut), path);
}

}  // namespace kvn
