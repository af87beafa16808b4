// The one message a failed open shows: made from the result alone, so that
// the dispatcher shows it and kvn-dump prints the same text.
#pragma once

#include <cstdint>

#include "document/DocumentResult.h"
#include "foundation/WString.h"

namespace kvn {

class cMsgDlg;

struct OpenFailureMessage {
  // Empty: the result shows no message (success, the user's cancel, a
  // library the caller asked to be told of).
  WString text;
  std::uint32_t style = 0;
};

// In the current language.
OpenFailureMessage MakeOpenFailureMessage(const DocumentResult& result, const WString& path);

// Shows the message of a failed result with `owner` (nothing for a result
// without one).
void ShowOpenFailure(const cMsgDlg* owner, const DocumentResult& result, const WString& path);

}  // namespace kvn
