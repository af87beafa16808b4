// The "warnings" member of a diagnostic tool's answer (kvn-dump,
// kvn-render): the notice of a partial read first, as the viewer shows it,
// then the open's own notes. Nothing when there is neither.
// Header-only: each tool is one source compiled on its own.
#pragma once

#include <string>

#include "document/DocumentResult.h"
#include "document/PartialReadNotice.h"
#include "foundation/WString.h"
#include "tools/JsonText.h"

namespace kvn::tool {

inline void AppendOpenWarnings(std::string& out, const DocumentResult& result, const WString& path) {
  if (!result.Partial() && result.Warnings().empty()) return;
  out += ", \"warnings\": [";
  bool first = true;
  auto add = [&](const WString& text) {
    if (!first) out += ", ";
    first = false;
    AppendJsonString(out, text.ToUtf8());
  };
  if (result.Partial()) add(PartialReadText(path));
  for (const WString& warning : result.Warnings()) add(warning);
  out += "]";
}

}  // namespace kvn::tool
