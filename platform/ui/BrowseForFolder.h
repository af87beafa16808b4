// The folder picker of the program, over the toolkit's folder dialog.
#pragma once

#include "foundation/WString.h"

class wxWindow;

namespace kvn {

// Opens the picker at the nearest existing folder at or above `startPath`,
// owned by `owner` (may be null), with a button for new folders only when
// allowed. On OK `path` becomes the chosen folder, resolved from the
// program's folder and with a trailing '/', and the answer is true; on cancel
// `path` is left as it was.
bool BrowseForFolder(wxWindow* owner, const WString& startPath, bool allowNewFolder, WString& path);

}  // namespace kvn
