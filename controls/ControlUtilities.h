// Small helpers kept beside the controls: a resource's bytes as a copy, a
// file copy that tells the user what went wrong, and two narrow-text
// helpers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Resources.h"
#include "foundation/WString.h"

namespace kvn {

class cMsgDlg;

// The bytes of a resource of the program as a new vector; null when the
// resource is missing or empty.
std::unique_ptr<std::vector<std::uint8_t>> LoadRawResource(int id, ResourceType type);

// Copies a file; an existing target fails (80, ERROR_FILE_EXISTS) unless
// `overwrite`. A copied target is made writable. With a parent, a failure
// is shown: a missing source, or one that is a folder, as the cannot-open
// notice (1051) with its name; any other as "Cannot copy file" (1142) with
// the system's text, plus the too-long-path hint (1172) where it applies.
// Linux has no path-length limit to work around: the Win32 retry with the
// "\\?\" prefix has no counterpart. `error` (when given) gets the code of
// SystemError.h.
bool CopyFileWithReport(const WString& source, const WString& target, bool overwrite, const cMsgDlg* parent,
                        std::uint32_t* error = nullptr);

// Every byte `oldChar` of the text becomes `newChar`.
void ReplaceChar(std::string& text, char newChar, char oldChar);

// Replaces the holder's own narrow copy by a copy of `text` (none for null).
void SetOwnedText(std::unique_ptr<char[]>& holder, const char* text);

}  // namespace kvn
